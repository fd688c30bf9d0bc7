// quillforge-pack [-o FILE] [--force] MOD_DIR: see bundle/pack.h.
#include "bundle/pack.h"
#include "launcher/launch.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kUsage = "Usage: quillforge-pack [OPTION]... MOD_DIR\n"
                           "Packs a finished story into one file for its readers: MOD.swstory, a ZIP\n"
                           "archive holding script.xml, the two text-box pictures, every file of the mod\n"
                           "the story names, and manifest.json with each file's size and SHA-256.\n"
                           "The story checker runs first; its errors stop the pack. References that are\n"
                           "not exported always do, since their files lie outside the mod.\n"
                           "Readers play the file with scenewalk-play, or a double-click.\n"
                           "\n"
                           "  -o, --output FILE  write the bundle to FILE (default: MOD.swstory here)\n"
                           "  --force            pack despite checker errors and record them in the manifest\n"
                           "  --help             show this help and exit\n"
                           "  --version          show the version and exit\n"
                           "\n"
                           "Exit status: 0 when the bundle was written, 1 when the story was refused or\n"
                           "the file could not be written, 2 when the command line is wrong.\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "quillforge-pack: %s\nTry 'quillforge-pack --help' for more information.\n", message.c_str());
    return 2;
}

std::string megabytes(std::uint64_t bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    bundle::PackOptions options;
    options.tool = std::string("quillforge-pack ") + QS_VERSION;
    std::string mod, out;
    bool onlyPaths = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyPaths || arg.empty() || arg[0] != '-') {
            if (!mod.empty()) return usageError("more than one MOD_DIR given");
            mod = arg;
        } else if (arg == "--") {
            onlyPaths = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("quillforge-pack %s\n", QS_VERSION);
            return 0;
        } else if (arg == "--force") {
            options.force = true;
        } else if (arg == "-o" || arg == "--output") {
            if (i + 1 >= argc) return usageError(arg + " needs a file");
            out = argv[++i];
        } else if (arg.rfind("--output=", 0) == 0) {
            out = arg.substr(9);
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }
    if (mod.empty()) return usageError("no MOD_DIR given");
    if (out.empty() && fs::is_directory(mod)) {
        std::error_code ec;
        out = fs::canonical(mod, ec).filename().string() + bundle::kExtension;
    }

    // Audio is only decoded, never played; damaged pictures are findings, not noise.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);
    // The player's glyph file, for the checker's glyph rule: the installed
    // one, or the build's.
    const auto dirs = launcher::programDirsOf(launcher::ownPath(), "scenewalk");
    std::error_code ec;
    if (fs::is_regular_file(dirs.dataDir / "raw" / "1.bin", ec))
        options.check.glyphFile = (dirs.dataDir / "raw" / "1.bin").string();

    bundle::PackReport report;
    std::string reason;
    const bundle::PackResult result = bundle::packMod(mod, out, options, report, reason);
    std::vector<storycheck::Finding> shown;
    for (const auto& f : report.findings)
        if (f.severity != storycheck::Severity::Note) shown.push_back(f);
    std::fputs(storycheck::formatText(shown).c_str(), stdout);
    if (result != bundle::PackResult::Packed) {
        std::fflush(stdout);
        std::fprintf(stderr, "quillforge-pack: %s\n", reason.c_str());
        return 1;
    }
    std::uint64_t bytes = 0;
    for (const auto& f : report.manifest.files) bytes += f.size;
    const auto size = fs::file_size(out, ec);
    std::printf("Packed %s: %d frames, %zu files, %s into %s (%s)%s\n", report.manifest.mod.c_str(),
                report.manifest.frames, report.manifest.files.size(), megabytes(bytes).c_str(), out.c_str(),
                megabytes(ec ? 0 : size).c_str(),
                report.manifest.errors.empty() ? "" : ", with the checker's errors recorded");
    if (std::fflush(stdout) != 0) return 1;
    return 0;
}

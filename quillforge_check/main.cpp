// quillforge-check [--format=text|json] [--werror] [--glyphs FILE] [--no-cache] PATH...
// Checks mod folders and story roots; see check/story_check.h for the rules.
#include "check/story_check.h"

#include <opencv2/core/utils/logger.hpp>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* const kUsage = "Usage: quillforge-check [OPTION]... PATH...\n"
                           "Checks stories before their readers do: every value of script.xml against\n"
                           "what the player will do with it, and every file it names.\n"
                           "A PATH is a mod folder, or a story root (then every mod in it, its template\n"
                           "story, next.png and startup.txt are checked).\n"
                           "\n"
                           "  --format=text    one finding a line, file:line:column: severity: message [rule]\n"
                           "  --format=json    one JSON document with the same findings\n"
                           "  --werror         warnings count as errors for the exit status\n"
                           "  --glyphs FILE    the player's glyph file (default: raw/1.bin beside the story root)\n"
                           "  --no-cache       decode every file again instead of reusing earlier results\n"
                           "                   (kept in $XDG_CACHE_HOME/quillforge)\n"
                           "  --help           show this help and exit\n"
                           "  --version        show the version and exit\n"
                           "\n"
                           "Rules: load, not-exported, missing-file, undecodable, path-escape, bad-index,\n"
                           "missing-glyph, overflow, template, startup (errors and warnings);\n"
                           "unused-file, large-picture (notes).\n"
                           "\n"
                           "Exit status: 0 when there are no errors (and, with --werror, no warnings),\n"
                           "1 when there are, 2 when the command line is wrong or a PATH cannot be read.\n";

int usageError(const std::string& message)
{
    std::fprintf(stderr, "quillforge-check: %s\nTry 'quillforge-check --help' for more information.\n",
                 message.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    bool json = false, werror = false;
    storycheck::Options options;
    std::vector<std::string> paths;
    bool onlyPaths = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (onlyPaths || arg.empty() || arg[0] != '-' || arg == "-") {
            paths.push_back(arg);
        } else if (arg == "--") {
            onlyPaths = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("quillforge-check %s\n", QS_VERSION);
            return 0;
        } else if (arg == "--format=text") {
            json = false;
        } else if (arg == "--format=json") {
            json = true;
        } else if (arg.rfind("--format=", 0) == 0) {
            return usageError("unknown format '" + arg.substr(9) + "' (text or json)");
        } else if (arg == "--werror") {
            werror = true;
        } else if (arg == "--no-cache") {
            options.useCache = false;
        } else if (arg == "--glyphs" || arg.rfind("--glyphs=", 0) == 0) {
            if (arg == "--glyphs") {
                if (i + 1 >= argc) return usageError("--glyphs needs a file");
                options.glyphFile = argv[++i];
            } else {
                options.glyphFile = arg.substr(9);
            }
        } else {
            return usageError("unknown option '" + arg + "'");
        }
    }
    if (paths.empty()) return usageError("no PATH given");

    // Audio files are only decoded, never played: no sound card is needed.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    // Damaged pictures are findings; the decoders' own complaints are noise.
    cv::utils::logging::setLogLevel(cv::utils::logging::LOG_LEVEL_SILENT);

    std::vector<storycheck::Finding> findings;
    for (const std::string& path : paths) {
        std::string reason;
        if (!storycheck::checkPath(path, options, findings, reason)) {
            std::fprintf(stderr, "quillforge-check: %s\n", reason.c_str());
            return 2;
        }
    }
    const storycheck::Counts counts = storycheck::countFindings(findings);
    if (json) {
        std::fputs(storycheck::formatJson(findings).c_str(), stdout);
    } else {
        std::fputs(storycheck::formatText(findings).c_str(), stdout);
        std::printf("%s in %s\n", storycheck::countsText(counts).c_str(),
                    paths.size() == 1 ? paths[0].c_str() : (std::to_string(paths.size()) + " paths").c_str());
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "quillforge-check: cannot write the report\n");
        return 2;
    }
    return counts.errors > 0 || (werror && counts.warnings > 0) ? 1 : 0;
}

#include "launcher/launch.h"

#include "launcher/desktop_message.h"
#include "launcher/user_folder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace fs = std::filesystem;

namespace launcher {

namespace {

void printHelp(const Program& program)
{
    std::printf("Usage: %s [--help] [--version]\n"
                "%s\n\n"
                "Runs in the per-user folder $XDG_DATA_HOME/quillforge (by default\n"
                "~/.local/share/quillforge), which it creates on the first run with\n"
                "story/ (the templates, next.png, the demo story and startup.txt), and\n"
                "raw/ and shader/ linked to the installed data. Files already in the\n"
                "folder are never replaced; missing templates are copied again.\n\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n",
                program.name, program.summary);
}

int fail(const Program& program, int status, const std::string& reason)
{
    std::fprintf(stderr, "%s: %s\n", program.name, reason.c_str());
    std::string title = program.name;
    if (!title.empty()) title[0] = static_cast<char>(title[0] - 'a' + 'A');
    showDesktopError(title, title + " cannot start:\n" + reason);
    return status;
}

} // namespace

InstallDirs installDirsOf(const fs::path& command)
{
    const auto binDir = command.parent_path();
    return {(binDir / QS_BIN_TO_PROGRAMS).lexically_normal(), (binDir / QS_BIN_TO_DATA).lexically_normal()};
}

InstallDirs programDirsOf(const fs::path& command, const char* program)
{
    auto dirs = installDirsOf(command);
    std::error_code ec;
    if (fs::exists(dirs.programDir / program, ec)) return dirs;
    const auto here = command.parent_path();
    if (fs::exists(here / program, ec) && fs::is_directory(here / "run", ec)) return {here, here / "run"};
    return dirs;
}

fs::path ownPath()
{
    std::error_code ec;
    auto self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
}

int runLauncher(const Program& program, int argc, char** argv)
{
    if (argc > 1) {
        const std::string arg = argv[1];
        if (arg == "--help" && argc == 2) {
            printHelp(program);
            return 0;
        }
        if (arg == "--version" && argc == 2) {
            std::printf("%s %s\n", program.name, QS_VERSION);
            return 0;
        }
        std::fprintf(stderr, "%s: unexpected argument '%s' (try --help)\n", program.name, argv[argc > 2 ? 2 : 1]);
        return 2;
    }

    std::error_code ec;
    const auto self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return fail(program, 127, "cannot find its own file: " + ec.message());
    const auto dirs = installDirsOf(self);

    const auto userDir = defaultUserDir();
    if (userDir.empty())
        return fail(program, 1, "cannot tell where to keep the story folder: neither XDG_DATA_HOME nor HOME is set");
    if (auto error = prepareUserFolder({dirs.dataDir, userDir}); !error.empty()) return fail(program, 1, error);
    if (::chdir(userDir.c_str()) != 0)
        return fail(program, 1, "cannot enter " + userDir.string() + ": " + std::strerror(errno));

    const auto executable = dirs.programDir / program.name;
    char* const args[] = {const_cast<char*>(program.name), nullptr};
    ::execv(executable.c_str(), args);
    return fail(program, 127, "cannot start " + executable.string() + ": " + std::strerror(errno));
}

} // namespace launcher

// The installed commands `quillforge` and `scenewalk`: each prepares the
// per-user working folder and runs its program there. The programs take no
// arguments and read no settings, so all of their set-up lives here.
#pragma once

#include <filesystem>
#include <string>

namespace launcher {

struct Program {
    const char* name;    // command and program file name, e.g. "scenewalk"
    const char* summary; // one line for --help
};

// The installed layout, found from the running command's own file so that any
// prefix and a DESTDIR copy work alike: bin/<name> -> libexec/quillforge/<name>
// and share/quillforge.
struct InstallDirs {
    std::filesystem::path programDir;
    std::filesystem::path dataDir;
};
InstallDirs installDirsOf(const std::filesystem::path& command);

// As installDirsOf, for commands that also run from the build tree: when
// program is not installed beside command, the build's own program and run
// folder (<build>/<program>, <build>/run) if command lies there.
InstallDirs programDirsOf(const std::filesystem::path& command, const char* program);

// The running command's own file; empty when it cannot be told.
std::filesystem::path ownPath();

// Handles --help and --version, prepares the folder and replaces the process
// with the program. Returns only on failure, with the exit status: 2 for a
// bad argument, 1 when the folder cannot be made, 127 when the program cannot
// be started. Failures are told on standard error and in a desktop message,
// since a menu start has no terminal.
int runLauncher(const Program& program, int argc, char** argv);

} // namespace launcher

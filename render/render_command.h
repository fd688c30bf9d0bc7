// scenewalk-render as a whole: options in, pictures out, an exit status back.
#pragma once

namespace render {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs the command; returns the exit status. The private X server and the
// scratch folder are still up: end with finish().
int runCommand(int argc, char** argv);
// Flushes the output streams, ends the X server, removes the scratch folder
// and ends the process with `status` (no exit handlers that could reach the
// ended X server).
[[noreturn]] void finish(int status);

} // namespace render

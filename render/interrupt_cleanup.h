// What the command must undo however it ends: the private X server it
// started, a PNG half written, its scratch working folder. Kept in fixed
// buffers so a signal handler can undo them with async-signal-safe calls.
#pragma once

#include <sys/types.h>

#include <string>

namespace render::cleanup {

enum Slot {
    kPartialPng,   // unlinked
    kStoryLink,    // unlinked
    kScratchDir,   // removed with rmdir once the link is gone
    kSlotCount
};

// SIGINT, SIGTERM and SIGHUP undo everything and end the process with the
// signal; a normal exit (also Xlib's exit on a lost server) undoes it too.
void install();
// The child to end with SIGTERM (0: none).
void watchChild(pid_t pid);
// A path to undo; an empty path forgets the slot. Paths longer than the
// buffer are not watched (false).
bool watchPath(Slot slot, const std::string& path);
// Undoes everything now (the X server is ended and reaped).
void runNow();

} // namespace render::cleanup

#pragma once
// Start-up of Scenewalk: data folder, hooks, the start-up mod, the story and
// the window's loop.

#include <string>

// The first word of ./story/startup.txt (empty for an empty file). When the
// file is no readable regular file of at most 4 KiB, says why on stderr,
// shows "Story xml is missing. Program will exit!"
// (caption "Error") and ends the process with exit code 0.
std::string readStartupModName();

// Runs the player; the result is the process's exit code.
int runScenewalk();

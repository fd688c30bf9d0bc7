// A private X server (Xvfb) for the length of one run: the player's window
// layer and GLUT's bitmap fonts need an X display, and a private one also
// keeps the user's screen and GL driver out of the pictures.
#pragma once

#include <string>

namespace render {

// Starts Xvfb on a free display number (it picks one itself and reports it
// through -displayfd) and points DISPLAY at it. The server ends with this
// process (cleanup, and the kernel's parent-death signal if we are killed).
// Returns an empty string on success, else one line saying what failed.
std::string startPrivateDisplay(const std::string& xvfb = "Xvfb");

} // namespace render

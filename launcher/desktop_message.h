#pragma once

#include <string>

namespace launcher {

// Shows text in an error box on the desktop, if there is one; false when no
// box could be shown (no display). SDL's own box needs no toolkit of the
// desktop's.
bool showDesktopError(const std::string& title, const std::string& text);

} // namespace launcher

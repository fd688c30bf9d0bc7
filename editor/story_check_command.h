#pragma once
// F7: the story checker run on the open mod as it is in memory, its one log
// line, and the way back from a finding to its frame.

#include "check/story_check.h"

#include <string>
#include <vector>

class CQuillforgeDlg;

namespace quillforge {

// Checks the open story as the window holds it (unsaved edits included)
// against the files of its mod folder; a story whose load failed is checked
// from its script.xml instead. Logs "Check: ...". Empty when no mod is open.
std::vector<storycheck::Finding> checkOpenMod(CQuillforgeDlg& window);

// "Check: 2 errors, 1 warning...T_T", or "Check: no problems...:-)" when
// there are neither errors nor warnings (notes are named, still ":-)").
std::string checkLogLine(const storycheck::Counts& counts);

// Shows frame (1-based) as navigation does; false when the story has no such frame.
bool goToCheckedFrame(CQuillforgeDlg& window, int frame);

} // namespace quillforge

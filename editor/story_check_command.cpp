#include "editor/story_check_command.h"

#include "editor/quillforge_dlg.h"

namespace quillforge {

std::vector<storycheck::Finding> checkOpenMod(CQuillforgeDlg& window)
{
    if (!window.story()) return {};
    const std::string modFolder = toFsPath(window.storyRoot() + window.currentModName());
    storycheck::Options options;
    std::vector<storycheck::Finding> findings = window.storyLoaded()
                                                    ? storycheck::checkStory(*window.story(), modFolder, options)
                                                    : storycheck::checkModFolder(modFolder, options);
    window.appendLog(checkLogLine(storycheck::countFindings(findings)));
    return findings;
}

std::string checkLogLine(const storycheck::Counts& counts)
{
    if (counts.errors == 0 && counts.warnings == 0) {
        storycheck::Counts notes;
        notes.notes = counts.notes;
        return "Check: no problems" + (counts.notes ? ", " + storycheck::countsText(notes) : "") + "...:-)";
    }
    storycheck::Counts shown = counts;
    shown.notes = 0;
    return "Check: " + storycheck::countsText(shown) + "...T_T";
}

bool goToCheckedFrame(CQuillforgeDlg& window, int frame)
{
    if (!window.story() || frame < 1 || !window.story()->goToFrame(frame - 1, false)) return false;
    window.showFrame();
    return true;
}

} // namespace quillforge

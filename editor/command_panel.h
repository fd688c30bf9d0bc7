#pragma once
// The window's push buttons that change the story or the story root: Save,
// Export, Add Mod and the Add and Del buttons (and Enter in the Add Person
// and Add Mod boxes, which the window turns into those clicks). Each runs its
// command of editor/story_commands.h or editor/mod_export.h, asks the file
// dialog where a file is needed, refills the boxes the command left out of
// date, and logs the command's one line.

#include <string>

#include "document/story_folder.h"
#include "editor/quillforge_dlg.h"
#include "editor/story_commands.h"

namespace quillforge {

class CommandPanel final : public EditorCommands {
public:
    // storyRoot: the folder holding the mods (the editor's story root).
    explicit CommandPanel(std::string storyRoot = kEditorStoryRoot) : storyRoot_(std::move(storyRoot)) {}

    void run(ControlId button, CQuillforgeDlg& window) override;

    // Refills what outcome names, keeping each box on its entry, then logs
    // outcome's line (nothing when it is empty).
    static void apply(const CommandOutcome& outcome, CQuillforgeDlg& window);

private:
    void addFile(AssetList list, CQuillforgeDlg& window);
    void addPhoto(CQuillforgeDlg& window);

    std::string storyRoot_;
};

} // namespace quillforge

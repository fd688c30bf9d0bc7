#include "editor/command_panel.h"

#include "editor/mod_export.h"

namespace quillforge {

namespace {

// Refills a box and selects the entry it had again. keepLast: a box whose
// last entry ("None") was selected selects its new last entry, which is
// "None" again.
template <typename Fill>
void refill(ListBox& box, Fill fill, bool keepLast)
{
    const int kept = box.selection();
    const bool onLast = keepLast && kept >= 0 && kept == box.count() - 1;
    fill();
    box.setSelection(onLast ? box.count() - 1 : kept);
}

} // namespace

void CommandPanel::apply(const CommandOutcome& outcome, CQuillforgeDlg& window)
{
    const EditorControls& c = window.controls();
    const unsigned r = outcome.refresh;
    if (r & kRefreshBackgroundBox) refill(*c.back, [&] { window.fillBackgroundBox(); }, false);
    if (r & kRefreshMusicBox) refill(*c.bgm, [&] { window.fillMusicBox(); }, false);
    if (r & kRefreshSoundBox) refill(*c.sound, [&] { window.fillSoundBox(); }, true);
    if (r & kRefreshPersonBoxes) {
        const int left = c.left->selection(), right = c.right->selection(), receiver = c.addPhotoPerson->selection();
        const bool leftNone = left == c.left->count() - 1, rightNone = right == c.right->count() - 1;
        window.fillPersonBoxes();
        c.left->setSelection(leftNone ? left + 1 : left);
        c.right->setSelection(rightNone ? right + 1 : right);
        // The first person ever added becomes the one a photo goes to.
        c.addPhotoPerson->setSelection(receiver >= 0 ? receiver : 0);
    }
    if ((r & kRefreshPhotoBoxes) && outcome.person >= 0) {
        if (c.left->selection() == outcome.person)
            refill(*c.leftPhoto, [&] { window.fillLeftPhotoBox(outcome.person); }, false);
        if (c.right->selection() == outcome.person)
            refill(*c.rightPhoto, [&] { window.fillRightPhotoBox(outcome.person); }, false);
    }
    if (r & kRefreshModBox) {
        c.mod->reset();
        for (const std::string& name : window.modList) c.mod->addString(name);
        c.mod->setSelection(window.currentMod);
    }
    if (r & kRefreshFrame) window.showFrame();
    if (!outcome.logLine.empty()) window.appendLog(outcome.logLine);
}

void CommandPanel::run(ControlId button, CQuillforgeDlg& window)
{
    switch (button) {
    case ControlId::Save:
        window.appendLog(window.readOnly() ? kSaveRefusedLine : saveLogLine(window.saveStory()));
        return;
    case ControlId::AddMod:
        window.pull();
        apply(addModCommand(window.modNameText, window.modList, storyRoot_), window);
        return;
    default:
        break;
    }

    // What is added to a story whose load failed could never be saved.
    if (!window.story || !window.storyLoaded()) {
        window.appendLog("No story loaded, nothing to change...T_T");
        return;
    }
    StoryScript& story = *window.story;
    switch (button) {
    case ControlId::AddFrame: apply(addFrameCommand(story), window); return;
    case ControlId::DeleteFrame: apply(deleteFrameCommand(story), window); return;
    case ControlId::AddBackground: addFile(AssetList::Background, window); return;
    case ControlId::AddMusic: addFile(AssetList::Music, window); return;
    case ControlId::AddSound: addFile(AssetList::Sound, window); return;
    case ControlId::AddPhoto: addPhoto(window); return;
    case ControlId::AddPerson:
        window.pull();
        apply(addPersonCommand(story, window.personNameText), window);
        return;
    case ControlId::Export: apply(exportModCommand(story, storyRoot_), window); return;
    default: return;
    }
}

void CommandPanel::addFile(AssetList list, CQuillforgeDlg& window)
{
    std::string path;
    if (!window.controls().fileDialog->openFile(kAllFilesFilter, path)) return;  // cancelled: no word
    apply(addAssetCommand(*window.story, list, path), window);
}

void CommandPanel::addPhoto(CQuillforgeDlg& window)
{
    const int person = window.controls().addPhotoPerson->selection();
    StoryScript& story = *window.story;
    if (person < 0 || static_cast<size_t>(person) >= story.characters.size()) {
        // Said before the dialog, so nobody picks a file for no one.
        apply(addPhotoCommand(story, person, std::string()), window);
        return;
    }
    std::string path;
    if (!window.controls().fileDialog->openFile(kPngFileFilter, path)) return;
    apply(addPhotoCommand(story, person, path), window);
}

} // namespace quillforge

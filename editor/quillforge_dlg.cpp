#include "editor/quillforge_dlg.h"

#include <cstdio>
#include <iostream>

#include "document/story_folder.h"
#include "editor/story_commands.h"
#include "editor/text_codec.h"

using quillforge::ControlId;
using quillforge::EditorControls;

namespace {

// Push and pull run under this guard, so the change events the boxes raise
// meanwhile are not taken for the user's.
struct ExchangeGuard {
    explicit ExchangeGuard(int& depth) : depth_(depth) { ++depth_; }
    ~ExchangeGuard() { --depth_; }
    int& depth_;
};

void setTextIfDiffers(quillforge::EditBox& box, const std::string& text)
{
    if (box.text() != text) box.setText(text);
}

bool inRange(int index, size_t size)
{
    return index >= 0 && static_cast<size_t>(index) < size;
}

} // namespace

CQuillforgeDlg::CQuillforgeDlg(const EditorControls& controls, std::string storyRoot, AudioOutput* audio)
    : controls_(controls), storyRoot_(std::move(storyRoot))
{
    audio_.output = audio;
}

CQuillforgeDlg::~CQuillforgeDlg()
{
    stopStoryMusic();
}

bool CQuillforgeDlg::initDialog()
{
    if (!controls_.complete()) {
        std::cerr << "quillforge: the window's controls are incomplete\n";
        return false;
    }
    const std::string startupFile = storyRoot_ + kStartupFileName;
    std::string why;
    if (!readStartupMod(startupFile, startUpModName, &why)) {
        std::cerr << "quillforge: cannot read the start-up file " << toFsPath(startupFile) << " (" << why
                  << "); nothing to open\n";
        return false;
    }

    std::vector<std::string> refused;
    modList = listMods(storyRoot_, &refused);
    for (const std::string& name : refused)
        std::cerr << "quillforge: the folder \"" << name << "\" is not offered: a mod name is one folder name\n";
    controls_.mod->reset();
    for (const std::string& name : modList) controls_.mod->addString(name);
    if (modList.empty()) {
        std::cerr << "quillforge: the story root " << toFsPath(storyRoot_)
                  << " holds no mod folder; nothing to open\n";
        return false;
    }
    currentMod = 0;
    for (size_t i = 0; i < modList.size(); ++i) {
        if (modList[i] == startUpModName) {
            currentMod = static_cast<int>(i);
            break;
        }
    }
    controls_.mod->setSelection(currentMod);
    loadCurrentMod();
    return true;
}

std::string CQuillforgeDlg::currentModName() const
{
    return inRange(currentMod, modList.size()) ? modList[currentMod] : std::string();
}

Frame* CQuillforgeDlg::currentFrameRecord()
{
    if (!story || !inRange(story->currentFrame, story->frames.size())) return nullptr;
    return &story->frames[story->currentFrame];
}

void CQuillforgeDlg::stopStoryMusic()
{
    if (story) story->stopMusic();
}

void CQuillforgeDlg::rememberSaved()
{
    saved_ = story ? static_cast<const StoryRecords&>(*story) : StoryRecords{};
}

bool CQuillforgeDlg::saveStory()
{
    if (!story || !storyLoaded_ || readOnly_ || !story->save()) return false;
    rememberSaved();
    return true;
}

bool CQuillforgeDlg::hasUnsavedChanges() const
{
    if (!story || !storyLoaded_) return false;
    const StoryRecords& now = *story;
    return now.title != saved_.title || now.characters != saved_.characters || now.frames != saved_.frames ||
           now.backgrounds != saved_.backgrounds || now.musics != saved_.musics || now.sounds != saved_.sounds;
}

void CQuillforgeDlg::loadCurrentMod()
{
    if (story) {
        // A model whose load failed holds nothing of the file: saving it would
        // overwrite a script.xml that may only need mending by hand. A mod
        // opened read-only belongs to the other editor.
        if (storyLoaded_ && !readOnly_ && !saveStory()) {
            appendLog("Story save failed...T_T");
            // The old story stays; the Mod box goes back to naming it.
            for (size_t i = 0; i < modList.size(); ++i) {
                if (modList[i] == story->modName) {
                    currentMod = static_cast<int>(i);
                    break;
                }
            }
            controls_.mod->setSelection(currentMod);
            return;
        }
        stopStoryMusic();
        story.reset();
    }

    const std::string name = currentModName();
    story = std::make_unique<StoryScript>(storyRoot_, name, &audio_);
    readOnly_ = !modLock_.take(toFsPath(storyRoot_ + name));
    storyLoaded_ = story->load();
    bgmChecked = 0;  // the new story's music preview starts off
    if (storyLoaded_ && readOnly_) {
        appendLog("Mod " + name + " opened read-only, another editor has it...T_T");
    } else if (storyLoaded_) {
        appendLog("Mod " + name + " successfully loaded...:-)");
    } else {
        appendLog("Mod load failed, script.xml may be broken...T_T");
    }
    rememberSaved();

    // After a failed load the model is empty; showing it leaves no entry of the
    // previous story in the boxes to be mistaken for this one's.
    fillBackgroundBox();
    fillMusicBox();
    fillSoundBox();
    fillPersonBoxes();
    story->goToFrame(0, false);
    showFrame();
}

void CQuillforgeDlg::fillPersonBoxes()
{
    EditorControls& c = controls_;
    c.left->reset();
    c.right->reset();
    c.addPhotoPerson->reset();
    if (story) {
        for (const Character& person : story->characters) {
            std::string name = quillforge::gbToUtf8(person.name);
            c.left->addString(name);
            c.right->addString(name);
            c.addPhotoPerson->addString(name);
        }
    }
    c.left->addString("None");
    c.right->addString("None");
    c.addPhotoPerson->setSelection(0);
}

void CQuillforgeDlg::fillBackgroundBox()
{
    controls_.back->reset();
    if (!story) return;
    for (const std::string& path : story->backgrounds) controls_.back->addString(fileNameOf(path));
}

void CQuillforgeDlg::fillMusicBox()
{
    controls_.bgm->reset();
    if (!story) return;
    for (const std::string& path : story->musics) controls_.bgm->addString(fileNameOf(path));
}

void CQuillforgeDlg::fillSoundBox()
{
    quillforge::ListBox& box = *controls_.sound;
    box.reset();
    if (story)
        for (const std::string& path : story->sounds) box.addString(fileNameOf(path));
    box.addString("None");
    box.setSelection(box.count() - 1);
}

namespace {

// A person below zero shows "None"; an index naming no person shows nothing
// to choose.
void fillPhotoBox(quillforge::ListBox& box, const StoryScript* story, int person)
{
    box.reset();
    if (person < 0) {
        box.addString("None");
    } else if (story && inRange(person, story->characters.size())) {
        for (const Photo& photo : story->characters[person].photos) box.addString(quillforge::gbToUtf8(photo.desp));
    }
    box.setSelection(0);
}

} // namespace

void CQuillforgeDlg::fillLeftPhotoBox(int person)
{
    fillPhotoBox(*controls_.leftPhoto, story.get(), person);
}

void CQuillforgeDlg::fillRightPhotoBox(int person)
{
    fillPhotoBox(*controls_.rightPhoto, story.get(), person);
}

void CQuillforgeDlg::setFrameControlsEnabled(bool enabled)
{
    EditorControls& c = controls_;
    for (quillforge::ListBox* box : {c.back, c.left, c.right, c.leftPhoto, c.rightPhoto, c.speaker, c.bgm, c.sound})
        box->setEnabled(enabled);
    c.sentence->setEnabled(enabled);
}

void CQuillforgeDlg::showFrame()
{
    EditorControls& c = controls_;
    const Frame* f = currentFrameRecord();
    const int current = story ? story->currentFrame : -1;
    const int count = story ? story->frameCount : 0;
    char page[32];
    std::snprintf(page, sizeof page, "%d/%d", current + 1, count);
    pageText = page;
    sentenceText = f ? f->sentence : std::string();

    setFrameControlsEnabled(f != nullptr);
    if (f) {
        c.back->setSelection(f->background);
        c.left->setSelection(f->leftCharacter < 0 ? c.left->count() - 1 : f->leftCharacter);
        c.right->setSelection(f->rightCharacter < 0 ? c.right->count() - 1 : f->rightCharacter);
        c.sound->setSelection(f->sound < 0 ? c.sound->count() - 1 : f->sound);
        c.speaker->setSelection(f->textCharacter);
        c.bgm->setSelection(f->music);
        fillLeftPhotoBox(f->leftCharacter);
        if (f->leftCharacter >= 0) c.leftPhoto->setSelection(f->leftPhoto);
        fillRightPhotoBox(f->rightCharacter);
        if (f->rightCharacter >= 0) c.rightPhoto->setSelection(f->rightPhoto);
    } else {
        for (quillforge::ListBox* box : {c.back, c.left, c.right, c.sound, c.speaker, c.bgm}) box->setSelection(-1);
        c.leftPhoto->reset();
        c.rightPhoto->reset();
    }
    refreshPreview();
    push();
}

void CQuillforgeDlg::appendLog(const std::string& message)
{
    logText += message + "\r\n";
    push();
    // Every fifteenth line starts a fresh log: the box keeps showing these
    // fifteen until the next message replaces them.
    if (++logLineCount >= 15) {
        logLineCount = 0;
        logText.clear();
    }
}

void CQuillforgeDlg::push()
{
    ExchangeGuard guard(exchanging_);
    EditorControls& c = controls_;
    setTextIfDiffers(*c.log, logText);
    setTextIfDiffers(*c.sentence, quillforge::gbToUtf8(sentenceText));
    setTextIfDiffers(*c.page, pageText);
    setTextIfDiffers(*c.personName, quillforge::gbToUtf8(personNameText));
    setTextIfDiffers(*c.modName, modNameText);
    if (c.bgmCheck->checked() != (bgmChecked != 0)) c.bgmCheck->setChecked(bgmChecked != 0);
}

void CQuillforgeDlg::pull()
{
    ExchangeGuard guard(exchanging_);
    EditorControls& c = controls_;
    // The log is read-only: reading it back could only undo the fresh start
    // after the fifteenth line, so it flows one way.
    // Characters the user did not touch keep their stored bytes; text that
    // cannot be stored leaves the value as it was (see onSentence).
    std::string bytes;
    if (quillforge::gbAfterEdit(sentenceText, c.sentence->text(), bytes)) sentenceText = std::move(bytes);
    pageText = c.page->text();
    if (quillforge::gbAfterEdit(personNameText, c.personName->text(), bytes)) personNameText = std::move(bytes);
    modNameText = c.modName->text();
    bgmChecked = c.bgmCheck->checked() ? 1 : 0;
}

bool CQuillforgeDlg::requestClose()
{
    if (!hasUnsavedChanges()) return true;
    switch (controls_.closeQuestion->askSaveChanges(story->modName)) {
    case quillforge::CloseQuestion::Answer::Save:
        if (saveStory()) {
            appendLog("Story save success...:-)");
            return true;
        }
        appendLog(readOnly_ ? quillforge::kSaveRefusedLine : "Story save failed...T_T");
        return false;
    case quillforge::CloseQuestion::Answer::Discard:
        return true;
    case quillforge::CloseQuestion::Answer::Stay:
        break;
    }
    return false;
}

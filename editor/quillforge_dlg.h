#pragma once
// CQuillforgeDlg: the editor window's behaviour, free of any toolkit. It owns
// the story model of the current mod, mirrors the current frame in the
// controls (editor/controls.h), writes every user choice straight back into
// the model, composes the frame preview and reports each command as one log
// line.
//
// Bound values hold the model's bytes: sentenceText and personNameText are
// GB 2312 family text, the others file-system or plain text. push and pull
// convert at the controls.

#include <memory>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "document/story_folder.h"
#include "document/story_script.h"
#include "editor/audio_output.h"
#include "editor/controls.h"
#include "editor/draw_target.h"
#include "editor/edit_history.h"
#include "editor/mod_lock.h"
#include "editor/preview_compositor.h"

class CQuillforgeDlg;

namespace quillforge {

// The commands behind Save, Export and the Add and Del buttons. The window
// hands each of those clicks (and Enter in the Add Person and Add Mod boxes)
// to run; while none are installed those buttons do nothing.
class EditorCommands {
public:
    virtual ~EditorCommands() = default;
    virtual void run(ControlId button, CQuillforgeDlg& window) = 0;
};

} // namespace quillforge

class CQuillforgeDlg final : public quillforge::ControlEvents {
public:
    // controls must be complete and outlive the window. storyRoot is the
    // folder of the mods and the start-up file, as a stored path prefix; the
    // preview plays through audio (null: silent), which must outlive the window.
    explicit CQuillforgeDlg(const quillforge::EditorControls& controls, std::string storyRoot = kEditorStoryRoot,
                            AudioOutput* audio = &quillforge::mixerAudio());
    ~CQuillforgeDlg() override;
    CQuillforgeDlg(const CQuillforgeDlg&) = delete;
    CQuillforgeDlg& operator=(const CQuillforgeDlg&) = delete;

    // Opening: reads the start-up file, lists the mods, loads the start-up mod
    // (or the first one). False when the editor must end at once with exit
    // code 0 (no start-up file, no mod folder); the reason is on stderr.
    bool initDialog();

    // A user's selection change, text change or click. Ignored while a push or
    // pull is under way.
    void onControlEvent(quillforge::ControlId id) override;
    // Enter in a box: runs the Add button beside the Add Person and Add Mod
    // boxes; nothing elsewhere. Enter and Escape never close the window.
    void onEnter(quillforge::ControlId box);
    // The user closes the window. With unsaved changes the close question
    // decides: Save (closes only when the save succeeds), Discard, or Stay.
    // True when the window may close.
    bool requestClose();
    // Draws the preview fitted and centred into client of target; recomposes
    // it first unless a refresh has done so since the last paint.
    void paintPreview(quillforge::DrawTarget& target, const quillforge::PixelRect& client);

    void setCommands(quillforge::EditorCommands* commands) { commands_ = commands; }
    // Replaces the question asked on closing with unsaved changes (not null).
    void setCloseQuestion(quillforge::CloseQuestion* question) { controls_.closeQuestion = question; }

    // ---- operations the commands use
    void appendLog(const std::string& message); // message in UTF-8
    void showFrame();
    void refreshPreview();
    void loadCurrentMod();
    void fillBackgroundBox();
    void fillMusicBox();
    void fillSoundBox();
    void fillLeftPhotoBox(int person);
    void fillRightPhotoBox(int person);
    void fillPersonBoxes();
    void pull();
    void push();
    // Saves the story and remembers it as saved; false on failure or while
    // readOnly. Logs nothing.
    bool saveStory();
    // True while the loaded story differs from what was last loaded or saved.
    bool hasUnsavedChanges() const;
    // Undo and redo of the story's changes since the mod was opened; the
    // boxes, preview and counter follow. "Nothing to undo..." or "Nothing to
    // redo..." when there is none.
    void undo();
    void redo();
    // Shows frame number (1-based) as navigation does; "Go to frame fail..."
    // when the story has no such frame.
    void goToFrameNumber(int number);
    // Writes the unsaved story beside its script.xml (recoveryPath), never
    // over it. True when there was nothing to keep or it was written.
    bool writeRecovery();
    // storyRoot + mod + "//script.recovery.xml".
    std::string recoveryPath() const;
    const quillforge::EditHistory& history() const { return history_; }
    // True when the current model came from a successful load; a model whose
    // load failed is never saved over its script.xml.
    bool storyLoaded() const { return storyLoaded_; }
    // True when another editor had the current mod open first: this window
    // never saves it.
    bool readOnly() const { return readOnly_; }
    // The current frame, or null when none is (a story without frames).
    Frame* currentFrameRecord();
    // modList at currentMod, or empty.
    std::string currentModName() const;
    // A stored reference as the preview reads it: mod-relative ones below the
    // story root and the current mod, others unchanged; a file-system path.
    std::string previewPathOf(const std::string& reference) const;
    const std::string& storyRoot() const { return storyRoot_; }
    // The sound preview's slot, shared by every story the window opens.
    const PreviewAudio& previewAudio() const { return audio_; }
    const quillforge::EditorControls& controls() const { return controls_; }
    quillforge::PictureCache& pictureCache() { return cache_; }

    // ---- window values, read-only outside the window
    // The current mod's model; null until the first load.
    StoryScript* story() { return story_.get(); }
    const StoryScript* story() const { return story_.get(); }
    // The mods of the story root, in listing order: entry i of the Mod box.
    const std::vector<std::string>& mods() const { return modList_; }
    int currentModIndex() const { return currentMod_; }
    const std::string& startUpModName() const { return startUpModName_; }
    // What push last wrote to, or pull last read from, the boxes.
    const std::string& personNameText() const { return personNameText_; }
    const std::string& modNameText() const { return modNameText_; }
    // Appends a mod made since the listing (the Mod box is not refilled).
    void appendMod(const std::string& name) { modList_.push_back(name); }
    // Empties the Mod box, lists every mod and selects the current one.
    void fillModBox();

private:
    void onStartUp();
    void onPrev();
    void onNext();
    void onBegin();
    void onEnd();
    void goTo(int index);
    void onBackground();
    void onPerson(bool leftSide);
    void onPhoto(bool leftSide);
    void onSpeaker();
    void onMusic();
    void onSound();
    void onSentence();
    void onBgmCheck();
    void composePreview();
    void setFrameControlsEnabled(bool enabled);
    void dispatch(quillforge::ControlId id);
    void offerRecovery();
    void dropRecovery();
    void rememberSaved();
    void stopStoryMusic();

    quillforge::EditorControls controls_;
    std::string storyRoot_;
    std::string startUpModName_;
    std::vector<std::string> modList_;
    int currentMod_ = 0;
    std::unique_ptr<StoryScript> story_;
    cv::Mat previewImage_; // 800 x 600, blue, green, red
    std::string logText_;
    std::string sentenceText_;
    std::string pageText_;
    std::string personNameText_;
    std::string modNameText_;
    int bgmChecked_ = 0;
    int logLineCount_ = 0;
    PreviewAudio audio_;
    quillforge::EditorCommands* commands_ = nullptr;
    quillforge::PictureCache cache_;
    StoryRecords saved_;
    quillforge::EditHistory history_;
    bool storyLoaded_ = false;
    quillforge::ModLock modLock_;
    bool readOnly_ = false;
    bool composedSincePaint_ = false;
    int exchanging_ = 0;
};

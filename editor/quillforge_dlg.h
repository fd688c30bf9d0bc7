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
    explicit CQuillforgeDlg(const quillforge::EditorControls& controls,
                            std::string storyRoot = kEditorStoryRoot,
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
    void appendLog(const std::string& message);   // message in UTF-8
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

    // ---- window values
    std::string startUpModName;
    std::vector<std::string> modList;
    int currentMod = 0;
    std::unique_ptr<StoryScript> story;
    cv::Mat previewImage;          // 800 x 600, blue, green, red
    std::string logText;
    std::string sentenceText;
    std::string pageText;
    std::string personNameText;
    std::string modNameText;
    int bgmChecked = 0;
    int logLineCount = 0;

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
    void rememberSaved();
    void stopStoryMusic();

    quillforge::EditorControls controls_;
    std::string storyRoot_;
    PreviewAudio audio_;
    quillforge::EditorCommands* commands_ = nullptr;
    quillforge::PictureCache cache_;
    StoryRecords saved_;
    bool storyLoaded_ = false;
    quillforge::ModLock modLock_;
    bool readOnly_ = false;
    bool composedSincePaint_ = false;
    int exchanging_ = 0;
};

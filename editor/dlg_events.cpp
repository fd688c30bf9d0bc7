// The event table of the editor window and the frame preview.
#include "editor/quillforge_dlg.h"

#include "document/story_folder.h"
#include "editor/cvv_image.h"
#include "editor/text_codec.h"

using quillforge::ControlId;

void CQuillforgeDlg::onControlEvent(ControlId id)
{
    if (exchanging_ > 0) return;
    switch (id) {
    case ControlId::Mod: {
        int chosen = controls_.mod->selection();
        if (chosen < 0 || static_cast<size_t>(chosen) >= modList.size()) return;
        // Choosing the mod already open would only save it behind the user's back.
        if (chosen == currentMod && storyLoaded_) return;
        currentMod = chosen;
        loadCurrentMod();
        return;
    }
    case ControlId::StartUp: onStartUp(); return;
    case ControlId::Prev: onPrev(); return;
    case ControlId::Next: onNext(); return;
    case ControlId::Begin: onBegin(); return;
    case ControlId::End: onEnd(); return;
    case ControlId::Back: onBackground(); return;
    case ControlId::Left: onPerson(true); return;
    case ControlId::Right: onPerson(false); return;
    case ControlId::LeftPhoto: onPhoto(true); return;
    case ControlId::RightPhoto: onPhoto(false); return;
    case ControlId::Speaker: onSpeaker(); return;
    case ControlId::Bgm: onMusic(); return;
    case ControlId::Sound: onSound(); return;
    case ControlId::Sentence: onSentence(); return;
    case ControlId::BgmCheck: onBgmCheck(); return;
    case ControlId::Save:
    case ControlId::Export:
    case ControlId::AddFrame:
    case ControlId::DeleteFrame:
    case ControlId::AddBackground:
    case ControlId::AddMusic:
    case ControlId::AddSound:
    case ControlId::AddPhoto:
    case ControlId::AddPerson:
    case ControlId::AddMod:
        if (commands_) commands_->run(id, *this);
        return;
    default:
        return;  // boxes without a handler of their own
    }
}

void CQuillforgeDlg::onEnter(ControlId box)
{
    if (box == ControlId::PersonName) onControlEvent(ControlId::AddPerson);
    else if (box == ControlId::ModName) onControlEvent(ControlId::AddMod);
}

void CQuillforgeDlg::onStartUp()
{
    const std::string name = currentModName();
    if (!writeStartupMod(name, storyRoot_ + kStartupFileName)) {
        // Keep running: the story in the window may hold unsaved work.
        appendLog("Set " + name + " as start up failed...T_T");
        return;
    }
    startUpModName = name;
    appendLog("Set " + name + " as start up success.");
}

void CQuillforgeDlg::goTo(int index)
{
    story->goToFrame(index, false);
    showFrame();
}

void CQuillforgeDlg::onPrev()
{
    if (story && story->currentFrame > 0 && story->goToFrame(story->currentFrame - 1, false)) {
        showFrame();
        return;
    }
    appendLog("No prev frames...");
}

void CQuillforgeDlg::onNext()
{
    if (story && story->currentFrame < story->frameCount - 1 && story->goToFrame(story->currentFrame + 1, false)) {
        showFrame();
        return;
    }
    appendLog("No next frames...");
}

void CQuillforgeDlg::onBegin()
{
    if (story && story->goToFrame(0, false)) {
        showFrame();
        return;
    }
    appendLog("Go to begin fail...");
}

void CQuillforgeDlg::onEnd()
{
    if (story && story->frameCount - 1 >= 0 && story->goToFrame(story->frameCount - 1, false)) {
        showFrame();
        return;
    }
    appendLog("Go to end fail...");
}

void CQuillforgeDlg::onBackground()
{
    Frame* f = currentFrameRecord();
    int chosen = controls_.back->selection();
    if (!f || chosen < 0) return;
    f->background = chosen;
    refreshPreview();
}

void CQuillforgeDlg::onPerson(bool leftSide)
{
    Frame* f = currentFrameRecord();
    quillforge::ListBox& box = leftSide ? *controls_.left : *controls_.right;
    int chosen = box.selection();
    if (!f || chosen < 0) return;
    int& person = leftSide ? f->leftCharacter : f->rightCharacter;
    int& photo = leftSide ? f->leftPhoto : f->rightPhoto;
    if (chosen == box.count() - 1) {  // "None"
        person = -1;
        photo = -1;
    } else {
        person = chosen;
        photo = 0;
    }
    if (leftSide) fillLeftPhotoBox(person);
    else fillRightPhotoBox(person);
    refreshPreview();
}

void CQuillforgeDlg::onPhoto(bool leftSide)
{
    Frame* f = currentFrameRecord();
    if (!f) return;
    int chosen = (leftSide ? controls_.leftPhoto : controls_.rightPhoto)->selection();
    int person = leftSide ? f->leftCharacter : f->rightCharacter;
    if (person >= 0 && chosen >= 0) (leftSide ? f->leftPhoto : f->rightPhoto) = chosen;
    refreshPreview();
}

void CQuillforgeDlg::onSpeaker()
{
    Frame* f = currentFrameRecord();
    int chosen = controls_.speaker->selection();
    if (f && chosen >= 0) f->textCharacter = chosen;
}

void CQuillforgeDlg::onMusic()
{
    Frame* f = currentFrameRecord();
    int chosen = controls_.bgm->selection();
    if (!f || chosen < 0) return;
    // The new music replaces the old over the run of frames that share it
    // from here on; frames before the current one never change.
    const int old = f->music;
    const int end = std::min<int>(story->frameCount, static_cast<int>(story->frames.size()));
    for (int i = story->currentFrame; i < end && story->frames[i].music == old; ++i)
        story->frames[i].music = chosen;
    story->goToFrame(story->currentFrame, true);
}

void CQuillforgeDlg::onSound()
{
    Frame* f = currentFrameRecord();
    quillforge::ListBox& box = *controls_.sound;
    int chosen = box.selection();
    if (!f || chosen < 0) return;
    f->sound = chosen;
    if (chosen == box.count() - 1) {
        f->sound = -1;
    } else {
        story->playSound(chosen);
    }
}

void CQuillforgeDlg::onSentence()
{
    std::string bytes;
    if (!quillforge::gbAfterEdit(sentenceText, controls_.sentence->text(), bytes)) {
        // Refused as it is typed, not dropped when the story is saved.
        push();
        appendLog("Character can not be stored in a sentence...T_T");
        return;
    }
    pull();
    if (Frame* f = currentFrameRecord()) f->sentence = sentenceText;
}

void CQuillforgeDlg::onBgmCheck()
{
    pull();
    if (!story) return;
    story->bgmEnabled = bgmChecked != 0;
    if (story->currentFrame >= 0) story->goToFrame(story->currentFrame, true);
}

// ---- preview

std::string CQuillforgeDlg::previewPathOf(const std::string& reference) const
{
    // A file just added is stored as its absolute path, which begins with "/"
    // here just as a mod-relative reference does.
    return toFsPath(resolveReference(storyRoot_ + currentModName(), reference));
}

void CQuillforgeDlg::composePreview()
{
    quillforge::FramePictures pictures;
    const Frame* f = currentFrameRecord();
    if (!f) {
        pictures.backgroundNote = storyLoaded_ ? "The story has no frame" : "No story loaded";
    } else if (f->background < 0 || static_cast<size_t>(f->background) >= story->backgrounds.size()) {
        pictures.backgroundNote = "Background entry " + std::to_string(f->background) + " does not exist";
    } else {
        const std::string& reference = story->backgrounds[f->background];
        pictures.background = previewPathOf(reference);
        pictures.backgroundNote = "File " + fileNameOf(reference) + " cannot be read";
    }
    if (f) {
        auto photoPath = [this](int person, int photo) -> std::string {
            if (person < 0 || static_cast<size_t>(person) >= story->characters.size()) return {};
            const std::vector<Photo>& photos = story->characters[person].photos;
            if (photo < 0 || static_cast<size_t>(photo) >= photos.size()) return {};
            return previewPathOf(photos[photo].dir);
        };
        pictures.leftPhoto = photoPath(f->leftCharacter, f->leftPhoto);
        pictures.rightPhoto = photoPath(f->rightCharacter, f->rightPhoto);
    }
    composeFramePicture(previewImage, pictures, cache_);
}

void CQuillforgeDlg::refreshPreview()
{
    composePreview();
    composedSincePaint_ = true;
    controls_.preview->invalidate();
    // The sentence box lies over the preview; it shows the frame's sentence
    // after every refresh, whatever was pushed before.
    const Frame* f = currentFrameRecord();
    sentenceText = f ? f->sentence : std::string();
    push();
}

void CQuillforgeDlg::paintPreview(quillforge::DrawTarget& target, const quillforge::PixelRect& client)
{
    // A paint reads the files again (cheap while they are unchanged), unless a
    // refresh has just composed the picture.
    if (!composedSincePaint_ || previewImage.empty()) composePreview();
    composedSincePaint_ = false;

    quillforge::PixelRect fitted = quillforge::fitPreviewRect(client);
    CvvImage copy;
    if (!previewImage.empty() &&
        copy.createImage(previewImage.cols, previewImage.rows, 8 * previewImage.channels(), 0)) {
        copy.copyFrom(previewImage, 1);
        copy.drawInto(target, &fitted);
    }
}

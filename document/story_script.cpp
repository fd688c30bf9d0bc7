#include "document/story_script.h"

#include "document/story_folder.h"
#include "document/xml_binding.h"

#include <cstdio>

StoryScript::StoryScript(std::string storyRoot_, std::string modName_, PreviewAudio* audio)
    : storyRoot(std::move(storyRoot_)), modName(std::move(modName_)), audio_(audio)
{
}

bool StoryScript::load()
{
    return loadFrom(scriptPathOf(storyRoot, modName));
}

bool StoryScript::loadFrom(const std::string& path)
{
    // The model changes only once both the file and its records are sound.
    StoryRecords records;
    // A name that is no single folder would lead out of the story root.
    if ((!modName.empty() && !isModFolderName(modName)) || !loadStoryFile(path, records)) {
        std::fputs("Script.xml load failed...\n", stdout);
        std::fflush(stdout);
        return false;
    }
    static_cast<StoryRecords&>(*this) = std::move(records);
    return true;
}

bool StoryScript::save()
{
    return saveTo(scriptPathOf(storyRoot, modName));
}

bool StoryScript::saveTo(const std::string& path)
{
    if (!modName.empty() && !isModFolderName(modName)) return false;
    for (Frame& f : frames)
        if (f.sound < 0) f.sound = -1;
    std::unique_ptr<PropertyTree> document = storyTree(*this);
    return saveTree(*document, path);
}

bool StoryScript::addFrame()
{
    if (currentFrame < 0 || currentFrame >= static_cast<int>(frames.size())) return false;
    Frame copy = frames[currentFrame];
    copy.sentence.clear();
    copy.sound = -1;
    frames.insert(frames.begin() + currentFrame + 1, std::move(copy));
    frameCount = static_cast<int>(frames.size());
    ++currentFrame;
    return true;
}

bool StoryScript::deleteFrame()
{
    if (frames.size() <= 1 || currentFrame < 0 || currentFrame >= static_cast<int>(frames.size())) return false;
    frames.erase(frames.begin() + currentFrame);
    frameCount = static_cast<int>(frames.size());
    if (currentFrame >= frameCount) currentFrame = frameCount - 1;
    return true;
}

// Opens path on slot and plays it from its start, the editor's preview rule.
static void openAndPlay(AudioOutput* output, std::uint32_t& slot, const std::string& path)
{
    slot = output ? output->open(toFsPath(path)) : 0;
    if (slot != 0) output->playFrom(slot, 0);
}

bool StoryScript::goToFrame(int index, bool restartMusic)
{
    if (index < 0 || index >= static_cast<int>(frames.size())) return false;
    previousFrame = currentFrame;
    currentFrame = index;
    const Frame& now = frames[currentFrame];
    if (now.sound >= 0) playSound(now.sound);

    const bool sameMusic = previousFrame >= 0 && previousFrame < static_cast<int>(frames.size()) &&
                           frames[previousFrame].music == now.music;
    AudioOutput* output = audio_ ? audio_->output : nullptr;
    if (sameMusic && musicPlaying && musicDevice != 0 && output && output->stopped(musicDevice))
        output->playFrom(musicDevice, 0); // it ran out: start it again
    if (sameMusic && !restartMusic) return true;

    stopMusic();
    if (bgmEnabled) {
        if (now.music >= 0 && now.music < static_cast<int>(musics.size()))
            openAndPlay(output, musicDevice, resolveAssetPath(musics[now.music]));
        musicPlaying = true;
    }
    return true;
}

void StoryScript::stopMusic()
{
    if (!musicPlaying) return;
    if (musicDevice != 0 && audio_ && audio_->output) audio_->output->close(musicDevice);
    musicDevice = 0;
    musicPlaying = false;
}

void StoryScript::playSound(int index)
{
    if (index < 0 || index >= static_cast<int>(sounds.size()) || !audio_) return;
    if (audio_->soundOpen) {
        if (audio_->soundDevice != 0 && audio_->output) audio_->output->close(audio_->soundDevice);
        audio_->soundDevice = 0;
        audio_->soundOpen = false;
    }
    openAndPlay(audio_->output, audio_->soundDevice, resolveAssetPath(sounds[index]));
    audio_->soundOpen = true;
}

std::string StoryScript::resolveAssetPath(const std::string& reference) const
{
    return resolveReference(storyRoot + modName, reference);
}

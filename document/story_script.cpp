#include "document/story_script.h"

#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "player/audio/audio_player.h"

#include <cstdio>

std::string scriptRoot;
std::uint32_t soundDevice = 0;
bool soundOpen = false;

StoryScript::StoryScript(std::string modName) : modName(std::move(modName)) {}

bool StoryScript::load()
{
    // The model changes only once both the file and its records are sound.
    std::unique_ptr<PropertyTree> loaded;
    StoryRecords records;
    if (!loadTree(loaded, scriptPathOf(scriptRoot, modName)) || !readStory(*loaded, records)) {
        std::fputs("Script.xml load failed...\n", stdout);
        std::fflush(stdout);
        return false;
    }
    static_cast<StoryRecords&>(*this) = std::move(records);
    tree = std::move(loaded);
    return true;
}

bool StoryScript::save()
{
    for (Frame& f : frames)
        if (f.sound < 0)
            f.sound = -1;
    std::unique_ptr<PropertyTree> document = storyTree(*this);
    return saveTree(*document, scriptPathOf(scriptRoot, modName));
}

bool StoryScript::addFrame()
{
    if (currentFrame < 0 || currentFrame >= static_cast<int>(frames.size()))
        return false;
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
    if (frames.size() <= 1 || currentFrame < 0 || currentFrame >= static_cast<int>(frames.size()))
        return false;
    frames.erase(frames.begin() + currentFrame);
    frameCount = static_cast<int>(frames.size());
    if (currentFrame >= frameCount)
        currentFrame = frameCount - 1;
    return true;
}

// Opens path on slot and plays it from its start, the editor's preview rule.
static void openAndPlay(std::uint32_t& slot, const std::string& path)
{
    AudioPlayer::openDevice(slot, toFsPath(path));
    AudioPlayer::playFrom(slot, 0);
}

bool StoryScript::goToFrame(int index, bool restartMusic)
{
    if (index < 0 || index >= static_cast<int>(frames.size()))
        return false;
    previousFrame = currentFrame;
    currentFrame = index;
    const Frame& now = frames[currentFrame];
    if (now.sound >= 0)
        playSound(now.sound);

    const bool sameMusic = previousFrame >= 0 && previousFrame < static_cast<int>(frames.size()) &&
                           frames[previousFrame].music == now.music;
    if (sameMusic && musicPlaying && AudioPlayer::mode(musicDevice) == AudioPlayer::kModeStop)
        AudioPlayer::playFrom(musicDevice, 0);  // it ran out: start it again
    if (sameMusic && !restartMusic)
        return true;

    if (musicPlaying) {
        AudioPlayer::closeDevice(musicDevice);
        musicDevice = 0;
        musicPlaying = false;
    }
    if (bgmEnabled) {
        if (now.music >= 0 && now.music < static_cast<int>(musics.size()))
            openAndPlay(musicDevice, resolveAssetPath(musics[now.music]));
        musicPlaying = true;
    }
    return true;
}

void StoryScript::playSound(int index)
{
    if (index < 0 || index >= static_cast<int>(sounds.size()))
        return;
    if (soundOpen) {
        AudioPlayer::closeDevice(soundDevice);
        soundDevice = 0;
        soundOpen = false;
    }
    openAndPlay(soundDevice, resolveAssetPath(sounds[index]));
    soundOpen = true;
}

std::string StoryScript::resolveAssetPath(const std::string& reference) const
{
    if (isModRelative(reference, scriptRoot + modName))
        return scriptRoot + modName + reference;
    return reference;
}

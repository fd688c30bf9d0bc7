#include "player/story_player.h"

#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "media/audio/audio_player.h"

#include <algorithm>
#include <cstdio>

StoryPlayer* storyPlayer = nullptr;

namespace {

template <typename T>
bool validIndex(int index, const std::vector<T>& list)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

} // namespace

StoryPlayer::StoryPlayer(std::string modName) : modName_(std::move(modName))
{
    onFinished = [] { finishStory(); };
    load();
}

StoryPlayer::~StoryPlayer()
{
    // The list only points at the sprites; drop those pointers with them.
    const MOXSprite* mine[] = {backgroundImage_.get(), leftPortrait_.get(),  rightPortrait_.get(),
                               textBox_.get(),         sentenceLabel_.get(), nextMarker_.get()};
    std::erase_if(spriteList,
                  [&](MOXSprite* s) { return std::find(std::begin(mine), std::end(mine), s) != std::end(mine); });
}

std::string StoryPlayer::modPath(const std::string& reference) const
{
    return kPlayerStoryRoot + modName_ + reference;
}

void StoryPlayer::load()
{
    // The name comes from startup.txt: one that is no single folder would
    // lead out of the story root.
    // The document is read into records and dropped: a long story's tree
    // would hold several times the memory of its records.
    std::unique_ptr<PropertyTree> tree;
    if ((!modName_.empty() && !isModFolderName(modName_)) ||
        !loadTree(tree, scriptPathOf(kPlayerStoryRoot, modName_))) {
        std::fputs("Script.xml load failed...\n", stdout);
    } else {
        StoryRecords records;
        // A document whose counts or entries do not add up is no story either:
        // playing half of it could index past its lists.
        if (readStory(*tree, records))
            static_cast<StoryRecords&>(*this) = std::move(records);
        else
            std::fputs("Script.xml load failed...\n", stdout);
    }

    // The screen, back to front; window pixels from the bottom-left corner.
    backgroundImage_ = std::make_unique<StoryImage>(0, 0, 800, 600);
    leftPortrait_ = std::make_unique<StoryImage>(0, 0, 325, 487);
    rightPortrait_ = std::make_unique<StoryImage>(475, 0, 325, 487);
    textBox_ = std::make_unique<StoryImage>(0, 20, 800, 150);
    sentenceLabel_ = std::make_unique<StoryLabel>("");
    nextMarker_ = std::make_unique<StoryImage>(390, 10, 20, 20);
    spriteList.push_back(backgroundImage_.get());
    spriteList.push_back(leftPortrait_.get());
    spriteList.push_back(rightPortrait_.get());
    spriteList.push_back(textBox_.get());
    spriteList.push_back(sentenceLabel_.get());
    spriteList.push_back(nextMarker_.get());
    textBox_->loadImage(modPath("//contentN.png"), false);
    nextMarker_->loadImage(kPlayerStoryRoot + "next.png", false);

    currentFrame_ = -1;
    transitionStep_ = -1;
    if (!pictureReader) prefetch_ = std::make_unique<PicturePrefetch>();
    showFrame(0);
}

PictureKey StoryPlayer::backgroundKey(const Frame& frame) const
{
    const std::string path = validIndex(frame.background, backgrounds)
                                 ? modPath(backgrounds[static_cast<std::size_t>(frame.background)])
                                 : std::string();
    return {path, false, backgroundImage_->size()};
}

PictureKey StoryPlayer::leftKey(const Frame& frame) const
{
    const std::string path = frame.leftCharacter < 0 ? std::string() : photoPath(frame.leftCharacter, frame.leftPhoto);
    return {path, false, leftPortrait_->size()};
}

PictureKey StoryPlayer::rightKey(const Frame& frame) const
{
    const std::string path =
        frame.rightCharacter < 0 ? std::string() : photoPath(frame.rightCharacter, frame.rightPhoto);
    return {path, !path.empty(), rightPortrait_->size()};
}

std::optional<PictureKey> StoryPlayer::textBoxKey(const Frame& frame) const
{
    if (frame.textCharacter == 1) return PictureKey{modPath("//content.png"), false, textBox_->size()};
    if (frame.textCharacter == 2) return PictureKey{modPath("//content.png"), true, textBox_->size()};
    if (frame.textCharacter == 0) return PictureKey{modPath("//contentN.png"), false, textBox_->size()};
    return std::nullopt;
}

void StoryPlayer::addChangedPictures(std::vector<PictureKey>& keys, const Frame* from, const Frame& to) const
{
    if (!from || from->background != to.background) keys.push_back(backgroundKey(to));
    if (!from || from->leftCharacter != to.leftCharacter || from->leftPhoto != to.leftPhoto)
        keys.push_back(leftKey(to));
    if (!from || from->rightCharacter != to.rightCharacter || from->rightPhoto != to.rightPhoto)
        keys.push_back(rightKey(to));
    if (const auto box = textBoxKey(to)) keys.push_back(*box);
}

void StoryPlayer::prefetchAround(int target, const Frame* old)
{
    if (!prefetch_) return;
    // First what this transition shows at its step 10, then what the next
    // and the previous frame would show after it.
    std::vector<PictureKey> keys;
    const Frame& to = frames[static_cast<std::size_t>(target)];
    addChangedPictures(keys, old, to);
    for (const int neighbour : {target + 1, target - 1}) {
        if (neighbour >= 0 && neighbour < frameCount && validIndex(neighbour, frames))
            addChangedPictures(keys, &to, frames[static_cast<std::size_t>(neighbour)]);
    }
    prefetch_->want(keys);
}

void StoryPlayer::loadPicture(StoryImage& sprite, const PictureKey& key)
{
    if (prefetch_)
        sprite.setPicture(key.path.empty() ? cv::Mat() : prefetch_->take(key));
    else
        sprite.loadImage(key.path, key.mirror);
}

void StoryPlayer::stepPicture(StoryImage& sprite, int step, const std::function<void()>& reload)
{
    if (step <= 10) sprite.setAlpha(static_cast<float>(1.0 - step / 10.0));
    if (step == 10) {
        reload();
        sprite.setAlpha(0.0f);
    }
    if (step > 10) sprite.setAlpha(static_cast<float>(step / 10.0 - 1.0));
}

std::string StoryPlayer::photoPath(int character, int photo) const
{
    // An index outside its list shows no portrait rather than reading past it.
    if (!validIndex(character, characters)) return {};
    const Character& person = characters[static_cast<std::size_t>(character)];
    if (!validIndex(photo, person.photos)) return {};
    return modPath(person.photos[static_cast<std::size_t>(photo)].dir);
}

std::string StoryPlayer::speakerPrefix(const Frame& frame) const
{
    return speakerPrefixOf(*this, frame);
}

void StoryPlayer::switchMusic(const Frame* old, const Frame& now)
{
    if (old && old->music == now.music) {
        // Same music: it plays on; if it has run out, it goes on from where
        // it stopped (its end), it is not rewound.
        if (AudioPlayer::mode(musicDevice_) == AudioPlayer::kModeStop) AudioPlayer::playFromPosition(musicDevice_);
        return;
    }
    if (musicDevice_ != 0) {
        AudioPlayer::closeDevice(musicDevice_);
        musicDevice_ = 0;
    }
    if (!validIndex(now.music, musics)) return; // no music for this frame
    AudioPlayer::openDevice(musicDevice_, toFsPath(modPath(musics[static_cast<std::size_t>(now.music)])));
    AudioPlayer::setVolume(musicDevice_, kMusicVolume);
    AudioPlayer::playFromPosition(musicDevice_);
}

void StoryPlayer::playSound(const std::string& path)
{
    if (soundOpen_) {
        AudioPlayer::closeDevice(soundDevice_);
        soundOpen_ = false;
    }
    AudioPlayer::openDevice(soundDevice_, toFsPath(path));
    AudioPlayer::setVolume(soundDevice_, kSoundVolume);
    AudioPlayer::playFromPosition(soundDevice_);
    soundOpen_ = true;
}

void StoryPlayer::showFrame(int index)
{
    if (index < 0 || index >= frameCount || !validIndex(index, frames)) return;
    if (transitionStep_ == -1) {
        previousFrame_ = currentFrame_;
        transitionStep_ = 0;
        currentFrame_ = index;
    } else {
        // Mid-transition only the running target may step it on.
        if (index != currentFrame_) return;
        ++transitionStep_;
    }
    const int s = transitionStep_;
    const Frame& now = frames[static_cast<std::size_t>(currentFrame_)];
    const Frame* old = validIndex(previousFrame_, frames) && previousFrame_ < frameCount
                           ? &frames[static_cast<std::size_t>(previousFrame_)]
                           : nullptr;
    if (s == 0) prefetchAround(currentFrame_, old);

    if (!old || old->background != now.background) {
        stepPicture(*backgroundImage_, s, [&] { loadPicture(*backgroundImage_, backgroundKey(now)); });
    }
    if (!old || old->leftCharacter != now.leftCharacter || old->leftPhoto != now.leftPhoto) {
        stepPicture(*leftPortrait_, s, [&] { loadPicture(*leftPortrait_, leftKey(now)); });
    }
    if (!old || old->rightCharacter != now.rightCharacter || old->rightPhoto != now.rightPhoto) {
        stepPicture(*rightPortrait_, s, [&] { loadPicture(*rightPortrait_, rightKey(now)); });
    }
    if (s > 10) sentenceLabel_->progress = static_cast<float>(s / 10.0 - 1.0);
    if (s > 0) {
        const double marker = s / 10.0 - 1.0;
        nextMarker_->setAlpha(static_cast<float>(marker < 0 ? -marker : marker));
    }
    if (s == 10) {
        if (const auto box = textBoxKey(now)) loadPicture(*textBox_, *box);
        sentenceLabel_->setText(speakerPrefix(now) + now.sentence);
        switchMusic(old, now);
        // An index past the list plays nothing, like a negative one.
        if (validIndex(now.sound, sounds)) playSound(modPath(sounds[static_cast<std::size_t>(now.sound)]));
    }
    if (s == 20) transitionStep_ = -1;
}

void StoryPlayer::advanceStory()
{
    if (currentFrame_ == frameCount - 1) {
        if (onFinished) onFinished();
        return;
    }
    showFrame(currentFrame_ + 1);
}

#pragma once
// The story being played: the records of the mod's script.xml, the six
// sprites of the screen, and the 20-step transition from one frame to
// another (the changing pictures fade out over steps 0 to 10, are replaced at
// step 10 together with the text box, sentence, music and sound, and fade in
// over steps 11 to 20 while the sentence is typed out).

#include "document/property_tree.h"
#include "document/story_script.h"
#include "player/picture_prefetch.h"
#include "player/story_sprite.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class StoryPlayer : public StoryRecords {
public:
    // Reads ".//story//" + modName + "//script.xml", builds the sprites,
    // appends them to spriteList and starts the transition into frame 0.
    explicit StoryPlayer(std::string modName);
    ~StoryPlayer();
    StoryPlayer(const StoryPlayer&) = delete;
    StoryPlayer& operator=(const StoryPlayer&) = delete;

    // With a new index in 0..frameCount-1 and no transition running, starts
    // the transition to it; with currentFrame while one runs, performs its
    // next step. Anything else is ignored.
    void showFrame(int index);
    // Next frame, or the end of the story after the last one.
    void advanceStory();
    // Replaces the sound effect: the previous one is closed, the new one
    // plays at full volume.
    void playSound(const std::string& path);

    bool transitionRunning() const { return transitionStep_ >= 0; }
    // -1 while idle, 0..20 while a transition runs.
    int transitionStep() const { return transitionStep_; }
    int currentFrame() const { return currentFrame_; }
    const std::string& modName() const { return modName_; }
    // The audio devices of the music and the last sound effect (0 for none);
    // soundOpen() once a sound has been attempted.
    std::uint32_t musicDevice() const { return musicDevice_; }
    std::uint32_t soundDevice() const { return soundDevice_; }
    bool soundOpen() const { return soundOpen_; }

    // The six sprites, back to front.
    StoryImage& background() { return *backgroundImage_; }
    StoryImage& leftPortrait() { return *leftPortrait_; }
    StoryImage& rightPortrait() { return *rightPortrait_; }
    StoryImage& textBox() { return *textBox_; }
    StoryLabel& sentence() { return *sentenceLabel_; }
    StoryImage& nextMarker() { return *nextMarker_; }

    // What happens after the last frame: by default the "Story finished!"
    // box, then exit code 0. Tests put a recorder here.
    std::function<void()> onFinished;

    static constexpr int kMusicVolume = 300;
    static constexpr int kSoundVolume = 1000;

private:
    int transitionStep_ = -1;
    std::uint32_t musicDevice_ = 0;
    std::uint32_t soundDevice_ = 0;
    bool soundOpen_ = false;
    std::string modName_;
    std::unique_ptr<StoryImage> backgroundImage_, leftPortrait_, rightPortrait_, textBox_;
    std::unique_ptr<StoryLabel> sentenceLabel_;
    std::unique_ptr<StoryImage> nextMarker_;
    int previousFrame_ = -1;
    int currentFrame_ = -1;
    // Prepares the pictures of the frame a transition goes to and of its
    // neighbours ahead of step 10; absent while a tool reads pictures its own
    // way (pictureReader).
    std::unique_ptr<PicturePrefetch> prefetch_;

    void load();
    std::string modPath(const std::string& reference) const;
    void stepPicture(StoryImage& sprite, int step, const std::function<void()>& reload);
    std::string photoPath(int character, int photo) const;
    std::string speakerPrefix(const Frame& frame) const;
    void switchMusic(const Frame* old, const Frame& now);
    PictureKey backgroundKey(const Frame& frame) const;
    PictureKey leftKey(const Frame& frame) const;
    PictureKey rightKey(const Frame& frame) const;
    std::optional<PictureKey> textBoxKey(const Frame& frame) const;
    // The pictures a transition from `from` (none: the first) to `to` loads.
    void addChangedPictures(std::vector<PictureKey>& keys, const Frame* from, const Frame& to) const;
    void prefetchAround(int target, const Frame* old);
    void loadPicture(StoryImage& sprite, const PictureKey& key);
};

// The only story of the process, created at start-up and kept to the end.
extern StoryPlayer* storyPlayer;

// Shows "Story finished!" (caption "Info") over the main window and ends the
// process with exit code 0 once it is closed.
[[noreturn]] void finishStory();

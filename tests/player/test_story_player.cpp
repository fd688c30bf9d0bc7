// The story player's rules without a display: loading, the transition's
// steps, input during and between transitions, bad indexes, and the music
// and sound policy against real playback on SDL's disk audio driver.
#include "player/audio/audio_player.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "tests/player/story_fixture.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>

namespace {

using fixture::frame;
using fixture::solid;

class StoryPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", (dir.root() / "audio.raw").c_str(), 1);
        spriteList.clear();
        dir.writePicture("contentN.png", solid(80, 15, {200, 200, 200, 255}));
        dir.writePicture("content.png", mirrorable());
        dir.writePicture("next.png", solid(20, 20, {255, 255, 255, 255}), true);
        dir.writePicture("bg/red.png", solid(32, 24, {255, 0, 0, 255}));
        dir.writePicture("bg/blue.png", solid(32, 24, {0, 0, 255, 255}));
        dir.writePicture("face.png", solid(10, 15, {0, 255, 0, 255}));
        dir.writeTone("bgm/long.wav", 5.0);
        dir.writeTone("bgm/other.wav", 5.0, 660.0);
        dir.writeTone("bgm/short.wav", 0.2);
        dir.writeTone("sound/ding.wav", 3.0, 880.0);
    }
    void TearDown() override
    {
        storyPlayer = nullptr;
        AudioPlayer::shutdown();
    }

    // Left half red, right half blue: shows whether a picture was mirrored.
    static cv::Mat mirrorable()
    {
        cv::Mat m = solid(8, 2, {255, 0, 0, 255});
        m(cv::Rect(4, 0, 4, 2)).setTo(cv::Scalar(0, 0, 255, 255));
        return m;
    }

    StoryRecords story(std::vector<Frame> frames)
    {
        StoryRecords r;
        r.title = "test";
        r.backgrounds = {"//bg/red.png", "//bg/blue.png"};
        r.musics = {"//bgm/long.wav", "//bgm/other.wav", "//bgm/short.wav"};
        r.sounds = {"//sound/ding.wav"};
        Character ann{"Ann", 1, {{"smile", "//face.png"}}};
        Character bob{"Bob", 2, {{"a", "//face.png"}, {"b", "//face.png"}}};
        r.characters = {ann, bob};
        r.characterCount = 2;
        r.frames = std::move(frames);
        r.frameCount = static_cast<int>(r.frames.size());
        return r;
    }

    // Runs the transition that is under way to its end.
    static void finishTransition(StoryPlayer& p)
    {
        while (p.transitionRunning()) p.showFrame(p.currentFrame);
    }
    static void stepTo(StoryPlayer& p, int step)
    {
        while (p.transitionStep < step && p.transitionRunning()) p.showFrame(p.currentFrame);
    }
    static int alphaOf(const StoryImage& s) { return s.image.at<cv::Vec4b>(0, 0)[3]; }
    static cv::Vec4b pixel(const StoryImage& s) { return s.image.at<cv::Vec4b>(0, 0); }

    fixture::StoryDir dir;
};

TEST_F(StoryPlayerTest, BuildsTheScreenAndStartsFrameZero)
{
    ASSERT_TRUE(dir.writeScript(story({frame(0, 0)})));
    StoryPlayer p(dir.mod());
    EXPECT_EQ(p.frameCount, 1);
    EXPECT_EQ(p.title, "test");
    EXPECT_EQ(p.transitionStep, 0);
    EXPECT_EQ(p.currentFrame, 0);
    EXPECT_EQ(p.previousFrame, -1);

    const std::vector<MOXSprite*> order = {p.backgroundImage.get(), p.leftPortrait.get(),
                                           p.rightPortrait.get(), p.textBox.get(),
                                           p.sentenceLabel.get(), p.nextMarker.get()};
    EXPECT_EQ(spriteList, order);
    auto rect = [](const StoryImage& s) { return std::vector<int>{s.x, s.y, s.width, s.height}; };
    EXPECT_EQ(rect(*p.backgroundImage), (std::vector<int>{0, 0, 800, 600}));
    EXPECT_EQ(rect(*p.leftPortrait), (std::vector<int>{0, 0, 325, 487}));
    EXPECT_EQ(rect(*p.rightPortrait), (std::vector<int>{475, 0, 325, 487}));
    EXPECT_EQ(rect(*p.textBox), (std::vector<int>{0, 20, 800, 150}));
    EXPECT_EQ(rect(*p.nextMarker), (std::vector<int>{390, 10, 20, 20}));
    EXPECT_EQ(p.sentenceLabel->x, 40);
    EXPECT_EQ(p.sentenceLabel->y, 120);
    EXPECT_EQ(p.sentenceLabel->lineWidth, 90);
    // The text box comes from the mod, the marker from the story root.
    EXPECT_EQ(pixel(*p.textBox), cv::Vec4b(200, 200, 200, 255));
    EXPECT_FALSE(p.nextMarker->empty());
    EXPECT_TRUE(p.backgroundImage->empty());
}

TEST_F(StoryPlayerTest, MissingOrInconsistentScriptGivesTheEmptyStory)
{
    for (bool broken : {false, true}) {
        SCOPED_TRACE(broken ? "count beyond entries" : "no script.xml");
        if (broken) {
            std::ofstream(dir.modDir() / "script.xml")
                << "<story><name>x</name><characterList number=\"0\"/><bgList number=\"3\"><bg>//a</bg>"
                   "</bgList><soundList number=\"0\"/><bgmList number=\"0\"/>"
                   "<scriptList number=\"0\"/></story>";
        }
        int finished = 0;
        testing::internal::CaptureStdout();
        StoryPlayer p(dir.mod());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n");
        p.onFinished = [&] { ++finished; };
        storyPlayer = &p;
        EXPECT_EQ(p.frameCount, 0);
        EXPECT_TRUE(p.backgrounds.empty());
        EXPECT_EQ(p.currentFrame, -1);
        EXPECT_FALSE(p.transitionRunning());
        EXPECT_EQ(spriteList.size(), 6u);
        player::OnKeyDown(player::kKeyJ); // going back never ends the story
        EXPECT_EQ(finished, 0);
        player::OnMessage(player::kLeftButtonDown, 0, 0);
        EXPECT_EQ(finished, 1);
        storyPlayer = nullptr;
    }
    EXPECT_TRUE(spriteList.empty()); // each player took its sprites with it
}

TEST_F(StoryPlayerTest, ChangingPicturesFadeOutReloadAtStepTenAndFadeIn)
{
    Frame first = frame(0, 0, -1, "one");
    first.leftCharacter = 0;
    first.leftPhoto = 0;
    Frame second = frame(1, 0, -1, "two!");
    second.leftCharacter = 0;
    second.leftPhoto = 0;
    ASSERT_TRUE(dir.writeScript(story({first, second})));
    StoryPlayer p(dir.mod());
    finishTransition(p);
    EXPECT_EQ(alphaOf(*p.backgroundImage), 255);
    EXPECT_EQ(pixel(*p.leftPortrait), cv::Vec4b(0, 255, 0, 255));

    p.advanceStory();
    EXPECT_EQ(p.previousFrame, 0);
    stepTo(p, 5);
    EXPECT_EQ(alphaOf(*p.backgroundImage), 127); // 0.5 x 255, truncated
    EXPECT_EQ(p.sentenceLabel->text, "one");     // the old text stays until step 10
    EXPECT_EQ(alphaOf(*p.nextMarker), 127);
    stepTo(p, 10);
    EXPECT_EQ(pixel(*p.backgroundImage), cv::Vec4b(0, 0, 255, 0));
    EXPECT_EQ(p.sentenceLabel->text, "two!");
    EXPECT_FLOAT_EQ(p.sentenceLabel->progress, 0.0f);
    EXPECT_EQ(alphaOf(*p.nextMarker), 0);
    stepTo(p, 15);
    EXPECT_EQ(alphaOf(*p.backgroundImage), 127);
    EXPECT_FLOAT_EQ(p.sentenceLabel->progress, 0.5f);
    // The unchanged portrait never faded.
    EXPECT_EQ(alphaOf(*p.leftPortrait), 255);
    stepTo(p, 20);
    EXPECT_FALSE(p.transitionRunning());
    EXPECT_EQ(alphaOf(*p.backgroundImage), 255);
    EXPECT_EQ(alphaOf(*p.nextMarker), 255);
    EXPECT_FLOAT_EQ(p.sentenceLabel->progress, 1.0f);
}

TEST_F(StoryPlayerTest, SpeakerChoosesTextBoxAndNamePrefix)
{
    Frame left = frame(0, 0, -1, "hi");
    left.leftCharacter = 0;
    left.leftPhoto = 0;
    left.rightCharacter = 1;
    left.rightPhoto = 1;
    left.textCharacter = 1;
    Frame right = left;
    right.textCharacter = 2;
    right.sentence = "yo";
    Frame narration = left;
    narration.textCharacter = 0;
    narration.sentence = "...";
    ASSERT_TRUE(dir.writeScript(story({left, right, narration})));
    StoryPlayer p(dir.mod());
    finishTransition(p);
    EXPECT_EQ(p.sentenceLabel->text, "Ann: hi");
    EXPECT_EQ(pixel(*p.textBox), cv::Vec4b(255, 0, 0, 255)); // content.png as stored
    // The right portrait is mirrored: its loaded copy equals the flipped file.
    EXPECT_FALSE(p.rightPortrait->empty());

    p.advanceStory();
    finishTransition(p);
    EXPECT_EQ(p.sentenceLabel->text, "Bob: yo");
    EXPECT_EQ(pixel(*p.textBox), cv::Vec4b(0, 0, 255, 255)); // content.png mirrored

    p.advanceStory();
    finishTransition(p);
    EXPECT_EQ(p.sentenceLabel->text, "...");
    EXPECT_EQ(pixel(*p.textBox), cv::Vec4b(200, 200, 200, 255));
}

TEST_F(StoryPlayerTest, InputIsDroppedDuringTransitionsAndFollowsTheKeysBetween)
{
    ASSERT_TRUE(dir.writeScript(story({frame(0, 0), frame(1, 0), frame(0, 0)})));
    StoryPlayer p(dir.mod());
    int finished = 0;
    p.onFinished = [&] { ++finished; };
    storyPlayer = &p;

    // Mid-transition every key and button is dropped, nothing is queued.
    stepTo(p, 7);
    player::OnKeyDown('A');
    player::OnMessage(player::kLeftButtonDown, 0, 0);
    player::OnMessage(player::kRightButtonDown, 0, 0);
    EXPECT_EQ(p.currentFrame, 0);
    EXPECT_EQ(p.transitionStep, 7);
    finishTransition(p);

    // At the first frame, J and the right button do nothing.
    player::OnKeyDown(player::kKeyJ);
    player::OnMessage(player::kRightButtonDown, 0, 0);
    EXPECT_FALSE(p.transitionRunning());
    EXPECT_EQ(p.currentFrame, 0);

    player::OnMessage(player::kLeftButtonDown, 0, 0);
    EXPECT_EQ(p.currentFrame, 1);
    EXPECT_EQ(p.transitionStep, 0);
    finishTransition(p);
    player::OnKeyDown(' ');
    finishTransition(p);
    EXPECT_EQ(p.currentFrame, 2);

    player::OnKeyDown(player::kKeyJ); // back from 2 to 1
    EXPECT_EQ(p.currentFrame, 1);
    EXPECT_EQ(p.previousFrame, 2);
    finishTransition(p);
    player::OnMessage(player::kRightButtonDown, 0, 0);
    finishTransition(p);
    EXPECT_EQ(p.currentFrame, 0);

    // Other messages are ignored; at the last frame a key ends the story.
    player::OnMessage(0x0200, 1, 2);
    EXPECT_FALSE(p.transitionRunning());
    p.advanceStory();
    finishTransition(p);
    p.advanceStory();
    finishTransition(p);
    EXPECT_EQ(finished, 0);
    player::OnKeyDown('X');
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(p.currentFrame, 2);
}

TEST_F(StoryPlayerTest, TheSceneHookStepsOncePerFrameAndBobsTheMarker)
{
    ASSERT_TRUE(dir.writeScript(story({frame(0, 0)})));
    StoryPlayer p(dir.mod());
    storyPlayer = &p;
    player::bobCounter = 0;
    std::vector<int> ys;
    for (int i = 0; i < 50; ++i) {
        player::stepFrame();
        ys.push_back(p.nextMarker->y);
    }
    EXPECT_FALSE(p.transitionRunning()); // 20 steps took 20 frames
    EXPECT_EQ(ys.back(), 10);            // the 50th call wraps to 0
    EXPECT_EQ(std::count(ys.begin(), ys.end(), 7), 27);
    EXPECT_EQ(*std::min_element(ys.begin(), ys.end()), 7);
}

TEST_F(StoryPlayerTest, IndexesOutsideTheirListsShowAndPlayNothing)
{
    Frame bad = frame(7, 9, 4, "x");
    bad.leftCharacter = 5;
    bad.leftPhoto = 0;
    bad.rightCharacter = 1;
    bad.rightPhoto = 9;
    bad.textCharacter = 2;
    Frame worse = frame(-3, -1, 1, "y");
    worse.leftCharacter = 0;
    worse.leftPhoto = -2;
    worse.textCharacter = 1;
    worse.rightCharacter = -4;
    ASSERT_TRUE(dir.writeScript(story({bad, worse})));
    StoryPlayer p(dir.mod());
    finishTransition(p);
    EXPECT_TRUE(p.backgroundImage->empty());
    EXPECT_TRUE(p.leftPortrait->empty());
    EXPECT_TRUE(p.rightPortrait->empty());
    EXPECT_EQ(p.sentenceLabel->text, "Bob: x"); // the speaker himself is valid
    EXPECT_EQ(p.musicDevice, 0u);
    EXPECT_FALSE(p.soundOpen);
    p.advanceStory();
    finishTransition(p);
    EXPECT_TRUE(p.leftPortrait->empty());
    EXPECT_EQ(p.sentenceLabel->text, "Ann: y");
    EXPECT_EQ(p.musicDevice, 0u);
}

TEST_F(StoryPlayerTest, MusicPlaysOnWhileItsIndexStaysAndSwitchesWhenItChanges)
{
    ASSERT_TRUE(dir.writeScript(
        story({frame(0, 0, 0), frame(1, 0), frame(0, 0), frame(0, 1), frame(1, 2), frame(0, 2)})));
    StoryPlayer p(dir.mod());
    stepTo(p, 10);
    const std::uint32_t first = p.musicDevice;
    ASSERT_NE(first, 0u);
    ASSERT_TRUE(p.soundOpen);
    const std::uint32_t ding = p.soundDevice;
    finishTransition(p);
    SDL_Delay(300);
    EXPECT_EQ(AudioPlayer::mode(first), AudioPlayer::kModePlay);
    const std::uint32_t before = AudioPlayer::positionMs(first);
    EXPECT_GT(before, 0u);

    // Frames 1 and 2 keep the same music: same device, still playing on,
    // and the sound of frame 0 plays on under frame 1's sound -1.
    for (int i = 0; i < 2; ++i) {
        p.advanceStory();
        finishTransition(p);
    }
    EXPECT_EQ(p.musicDevice, first);
    EXPECT_EQ(AudioPlayer::mode(first), AudioPlayer::kModePlay);
    EXPECT_GE(AudioPlayer::positionMs(first), before);
    EXPECT_EQ(p.soundDevice, ding);
    EXPECT_EQ(AudioPlayer::mode(ding), AudioPlayer::kModePlay);

    // A different index closes the old music and starts the new one.
    p.advanceStory();
    finishTransition(p);
    EXPECT_NE(p.musicDevice, first);
    EXPECT_EQ(AudioPlayer::mode(first), 0u); // closed: no such device any more
    EXPECT_EQ(AudioPlayer::mode(p.musicDevice), AudioPlayer::kModePlay);

    // A short piece runs out; the next frame with it finds it stopped and
    // plays it from where it stopped, its end, so it stays silent.
    p.advanceStory();
    finishTransition(p);
    const std::uint32_t shortPiece = p.musicDevice;
    SDL_Delay(600);
    ASSERT_EQ(AudioPlayer::mode(shortPiece), AudioPlayer::kModeStop);
    p.advanceStory();
    finishTransition(p);
    EXPECT_EQ(p.musicDevice, shortPiece);
    EXPECT_EQ(AudioPlayer::positionMs(shortPiece), AudioPlayer::lengthMs(shortPiece));

    // Going back to a frame with other music restarts that music from its start.
    storyPlayer = &p;
    player::OnKeyDown(player::kKeyJ);
    stepTo(p, 10);
    EXPECT_EQ(p.currentFrame, 4);
    EXPECT_EQ(p.musicDevice, shortPiece); // 5 -> 4: same short music kept
    finishTransition(p);
    player::OnKeyDown(player::kKeyJ);
    stepTo(p, 10);
    EXPECT_NE(p.musicDevice, shortPiece);
    EXPECT_LT(AudioPlayer::positionMs(p.musicDevice), 200u);
}

TEST_F(StoryPlayerTest, AMissingAudioFileIsSilentAndTheStoryGoesOn)
{
    StoryRecords r = story({frame(0, 0, 0), frame(1, 0, 0)});
    r.musics = {"//bgm/missing.mp3"};
    r.sounds = {"//sound/missing.wav"};
    ASSERT_TRUE(dir.writeScript(r));
    StoryPlayer p(dir.mod());
    finishTransition(p);
    EXPECT_EQ(p.musicDevice, 0u);
    EXPECT_TRUE(p.soundOpen); // an attempt was made; the next one closes nothing real
    p.advanceStory();
    finishTransition(p);
    EXPECT_EQ(p.currentFrame, 1);
    EXPECT_EQ(p.soundDevice, 0u);
}

} // namespace

// The story player's rules without a display: the screen it builds, input
// during and between transitions, bad indexes, and the music and sound
// policy against real playback (SDL disk audio).
#include "media/audio/audio_player.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "tests/player/story_fixture.h"

#include <gtest/gtest.h>

#include <SDL.h>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace {

using fixture::frame;
using fixture::kLeftPress;
using fixture::kRightPress;

class StoryPlayerTest : public testing::Test {
protected:
    void TearDown() override
    {
        storyPlayer = nullptr;
        AudioPlayer::shutdown();
    }
    static void stepTo(StoryPlayer& p, int step)
    {
        while (p.transitionRunning() && p.transitionStep() < step) p.showFrame(p.currentFrame());
    }
    static void finish(StoryPlayer& p) { stepTo(p, 20); }
    static void next(StoryPlayer& p)
    {
        p.advanceStory();
        finish(p);
    }

    fixture::StoryDir dir;
    tone::DiskAudio audio;
};

TEST_F(StoryPlayerTest, ScreenLayoutAndTheEmptyStoryOfABrokenScript)
{
    dir.writeStory({frame(0, 0)});
    {
        StoryPlayer p("demo");
        EXPECT_EQ(spriteList, (std::vector<MOXSprite*>{&p.background(), &p.leftPortrait(), &p.rightPortrait(),
                                                       &p.textBox(), &p.sentence(), &p.nextMarker()}));
        EXPECT_EQ(p.textBox().picture().at<cv::Vec4b>(0, 0), cv::Vec4b(200, 200, 200, 255)); // from the mod
        EXPECT_FALSE(p.nextMarker().empty());                                                // from the story root
    }
    EXPECT_TRUE(spriteList.empty());

    // Counts promising more entries than there are: no story at all.
    std::ofstream(dir.modDir() / "script.xml")
        << "<story><name>x</name><characterList number=\"0\"/><bgList number=\"3\"><bg>//a</bg>"
           "</bgList><soundList number=\"0\"/><bgmList number=\"0\"/><scriptList number=\"0\"/></story>";
    testing::internal::CaptureStdout();
    StoryPlayer p("demo");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n");
    int finished = 0;
    p.onFinished = [&] { ++finished; };
    storyPlayer = &p;
    player::OnKeyDown('J');
    EXPECT_EQ(finished, 0);
    player::OnMessage(kLeftPress, 0, 0);
    EXPECT_EQ(finished, 1);
}

TEST_F(StoryPlayerTest, InputOnlyBetweenTransitionsAndTheMarkersBob)
{
    dir.writeStory({frame(0, 0), frame(1, 0), frame(0, 0)});
    StoryPlayer p("demo");
    int finished = 0;
    p.onFinished = [&] { ++finished; };
    storyPlayer = &p;
    player::bobCounter = 0;
    std::vector<int> ys;
    for (int i = 0; i < 50; ++i) {
        if (i == 7) { // mid-transition everything is dropped, nothing queued
            player::OnKeyDown('A');
            player::OnMessage(kLeftPress, 0, 0);
            EXPECT_EQ(p.transitionStep(), 7);
        }
        player::stepFrame();
        ys.push_back(p.nextMarker().position().y);
    }
    EXPECT_EQ(std::count(ys.begin(), ys.end(), 7), 27); // a 3-pixel bob every 50 frames
    EXPECT_EQ(ys.back(), 10);
    EXPECT_EQ(p.currentFrame(), 0);
    player::OnKeyDown('J'); // nothing before the first frame
    player::OnMessage(kRightPress, 0, 0);
    EXPECT_FALSE(p.transitionRunning());
    player::OnMessage(kLeftPress, 0, 0);
    finish(p);
    player::OnKeyDown(' ');
    finish(p);
    EXPECT_EQ(p.currentFrame(), 2);
    player::OnKeyDown('J');
    finish(p);
    player::OnMessage(kRightPress, 0, 0);
    finish(p);
    EXPECT_EQ(p.currentFrame(), 0);
    p.showFrame(3); // no such frame
    EXPECT_FALSE(p.transitionRunning());
    for (int i = 0; i < 2; ++i) {
        player::OnKeyDown('X');
        finish(p);
    }
    EXPECT_EQ(finished, 0);
    player::OnKeyDown('X');
    EXPECT_EQ(finished, 1);
}

TEST_F(StoryPlayerTest, IndexesOutsideTheirListsShowAndPlayNothing)
{
    Frame bad = frame(7, 9, 4, "x");
    bad.leftCharacter = 5;
    bad.leftPhoto = 0;
    bad.rightCharacter = 1;
    bad.rightPhoto = 9;
    bad.textCharacter = 2;
    dir.writeStory({bad});
    StoryPlayer p("demo");
    finish(p);
    EXPECT_TRUE(p.background().empty());
    EXPECT_TRUE(p.leftPortrait().empty());
    EXPECT_TRUE(p.rightPortrait().empty());
    EXPECT_EQ(p.sentence().text, "Bob: x");
    EXPECT_EQ(p.musicDevice(), 0u);
    EXPECT_FALSE(p.soundOpen());
}

TEST_F(StoryPlayerTest, MusicPlaysOnWhileItsIndexStaysAndSwitchesWhenItChanges)
{
    dir.writeStory({frame(0, 0, 0), frame(1, 0), frame(0, 0), frame(0, 1), frame(1, 2), frame(0, 2)});
    StoryPlayer p("demo");
    storyPlayer = &p;
    finish(p);
    const std::uint32_t first = p.musicDevice(), ding = p.soundDevice();
    SDL_Delay(300);
    const std::uint32_t before = AudioPlayer::positionMs(first);
    next(p);
    next(p);
    EXPECT_EQ(p.musicDevice(), first);
    EXPECT_EQ(AudioPlayer::mode(first), AudioPlayer::kModePlay);
    EXPECT_GE(AudioPlayer::positionMs(first), before);
    EXPECT_EQ(AudioPlayer::mode(ding), AudioPlayer::kModePlay); // sound -1 left it alone

    next(p);
    EXPECT_EQ(AudioPlayer::mode(first), 0u); // closed
    EXPECT_EQ(AudioPlayer::mode(p.musicDevice()), AudioPlayer::kModePlay);

    // A short piece that ran out is played on from where it stopped: its end.
    next(p);
    const std::uint32_t shortPiece = p.musicDevice();
    SDL_Delay(600);
    ASSERT_EQ(AudioPlayer::mode(shortPiece), AudioPlayer::kModeStop);
    next(p);
    EXPECT_EQ(p.musicDevice(), shortPiece);
    EXPECT_EQ(AudioPlayer::positionMs(shortPiece), AudioPlayer::lengthMs(shortPiece));

    // Back across a change of music: that music starts again from its start.
    player::OnKeyDown('J');
    finish(p);
    player::OnKeyDown('J');
    stepTo(p, 10);
    EXPECT_NE(p.musicDevice(), shortPiece);
    EXPECT_LT(AudioPlayer::positionMs(p.musicDevice()), 200u);

    // Missing files: no device, no message, the story goes on.
    p.musics[0] = "//missing.mp3";
    p.sounds[0] = "//missing.wav";
    p.frames[2].sound = 0;
    finish(p);
    player::OnKeyDown('J');
    finish(p);
    EXPECT_EQ(p.musicDevice(), 0u);
    EXPECT_EQ(p.soundDevice(), 0u);
    EXPECT_EQ(p.currentFrame(), 2);

    // The first music at 300 and its sound at 1000 of 1000, once both play
    // (the sound may start a mixer chunk or two later). Both tones are
    // written equally loud, so the sound is the music's reference in the same
    // stretch of output: a loaded machine that drops samples drops both.
    const auto out = audio.stop();
    const auto bursts = tone::bursts(out);
    ASSERT_FALSE(bursts.empty());
    const std::size_t from = bursts.front().first + tone::kRate / 10, to = from + tone::kRate * 3 / 20;
    const double music = tone::amplitudeAt(out, from, to, 440), sound = tone::amplitudeAt(out, from, to, 880);
    EXPECT_GT(sound, 8000 * 0.8);
    EXPECT_NEAR(music / sound, 0.3, 0.02);
}

// Pictures are kept with the fewest channels and scaled before their
// channels are rearranged: what is shown must be what converting first and
// scaling after gives, pixel for pixel, at any scale, mirrored or not.
TEST(StoryImagePictures, KeptOnceAndTheSamePixelsAsConvertingBeforeScaling)
{
    fixture::StoryDir dir;
    cv::RNG rng(7);
    auto noise = [&](int width, int height, int channels) {
        cv::Mat m(height, width, CV_8UC(channels));
        rng.fill(m, cv::RNG::UNIFORM, 0, 256);
        return m;
    };
    // The files as the decoders see them, top row first: BMP blue first
    // (also grey), PNG with alpha red first.
    const std::vector<std::pair<std::string, cv::Mat>> files = {
        {"wide.bmp", noise(1920, 1080, 3)},
        {"double.bmp", noise(1600, 1200, 3)},
        {"grey.bmp", noise(1000, 700, 1)},
        {"alpha.png", noise(1200, 1500, 4)},
    };
    for (const auto& [name, pixels] : files) cv::imwrite((dir.modDir() / name).string(), pixels);
    for (const auto& [name, written] : files) {
        const std::string path = (dir.modDir() / name).string();
        for (const bool mirror : {false, true}) {
            cv::Mat expected;
            cv::flip(written, expected, 0);
            if (mirror) cv::flip(expected, expected, 1);
            const int toRgba[] = {0, cv::COLOR_GRAY2RGBA, 0, cv::COLOR_BGR2RGBA, cv::COLOR_BGRA2RGBA};
            cv::cvtColor(expected, expected, toRgba[expected.channels()]);
            cv::resize(expected, expected, cv::Size(800, 600), 0, 0, cv::INTER_AREA);

            const cv::Mat kept = StoryImage::preparePicture(path, mirror, 800, 600);
            EXPECT_EQ(kept.channels(), name == "alpha.png" ? 4 : 3) << name;
            StoryImage image(0, 0, 800, 600);
            image.setPicture(kept);
            EXPECT_EQ(cv::norm(image.picture(), expected, cv::NORM_INF), 0.0) << name << " mirror " << mirror;
            // A fade and its way back give the loaded picture again.
            image.setAlpha(0.3f);
            image.setAlpha(1.0f);
            EXPECT_EQ(cv::norm(image.picture(), expected, cv::NORM_INF), 0.0) << name << " after a fade";
        }
    }
}

} // namespace

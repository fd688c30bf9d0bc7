// The editor's music and sound preview, checked against what SDL's disk
// driver really mixed.
#include "document/story_script.h"
#include "editor/audio_output.h"
#include "tests/media/audio/tone_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

namespace {

// Milliseconds of output in which hz sounds loud, in 20 ms windows.
int msOfTone(const std::vector<double>& out, double hz)
{
    int ms = 0;
    for (std::size_t at = 0, window = tone::kRate / 50; at + window <= out.size(); at += window)
        ms += tone::amplitudeAt(out, at, at + window, hz) > 4000 ? 20 : 0;
    return ms;
}

void sleepMs(int ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A model on the editor's real audio devices, its output in a file.
class StoryPreview : public testing::Test {
protected:
    tone::DiskAudio audio;
    PreviewAudio preview{&quillforge::mixerAudio()};
    StoryScript model{audio.folder().string() + "/", "mod", &preview};
    std::uint32_t& soundDevice = preview.soundDevice;
};

} // namespace

TEST_F(StoryPreview, MusicFollowsTheEditorsRules)
{
    std::filesystem::create_directories(audio.folder() / "mod");
    tone::writeWav(audio.path("a.wav"), {{440, 250}});
    tone::writeWav(audio.path("mod/b.wav"), {{660, 2000}});
    tone::writeWav(audio.path("sd.wav"), {{1000, 100}});
    model.musics = {audio.path("a.wav"), "\\b.wav"};
    model.sounds = {audio.path("sd.wav")};
    for (int music : {0, 0, 0, 1, 1}) model.frames.push_back({-1, -1, -1, -1, 0, "", 0, music, -1});
    model.frames[0].sound = 0;
    model.frameCount = 5;
    model.bgmEnabled = true;

    ASSERT_TRUE(model.goToFrame(0, false));
    ASSERT_TRUE(model.musicPlaying && preview.soundOpen);
    const std::uint32_t first = model.musicDevice, firstSound = soundDevice;

    // Same music: it plays on without restarting.
    for (int waited = 0; AudioPlayer::positionMs(first) < 60 && waited < 3000; waited += 5) sleepMs(5);
    ASSERT_TRUE(model.goToFrame(1, false));
    EXPECT_EQ(model.musicDevice, first);
    EXPECT_GE(AudioPlayer::positionMs(first), 60u);
    EXPECT_EQ(soundDevice, firstSound); // frame 1 has no sound

    // Same music after it ran out: the same device starts again from 0.
    ASSERT_TRUE(tone::waitFor(first, AudioPlayer::kModeStop));
    ASSERT_TRUE(model.goToFrame(2, false));
    EXPECT_EQ(model.musicDevice, first);
    EXPECT_EQ(AudioPlayer::mode(first), AudioPlayer::kModePlay);
    EXPECT_LT(AudioPlayer::positionMs(first), 100u);
    ASSERT_TRUE(tone::waitFor(first, AudioPlayer::kModeStop));

    // restartMusic reopens it even though the music is the same.
    ASSERT_TRUE(model.goToFrame(1, true));
    const std::uint32_t reopened = model.musicDevice;
    EXPECT_NE(reopened, first);
    EXPECT_EQ(AudioPlayer::mode(first), 0u); // closed
    ASSERT_TRUE(tone::waitFor(reopened, AudioPlayer::kModeStop));

    // Other music, through a mod-relative reference.
    ASSERT_TRUE(model.goToFrame(3, false));
    const std::uint32_t other = model.musicDevice;
    EXPECT_EQ(AudioPlayer::mode(reopened), 0u);
    sleepMs(300);

    // With the preview switched off, a music change only closes the music;
    // the sound still plays on a new device.
    model.bgmEnabled = false;
    ASSERT_TRUE(model.goToFrame(0, false));
    EXPECT_FALSE(model.musicPlaying);
    EXPECT_EQ(AudioPlayer::mode(other), 0u);
    EXPECT_EQ(AudioPlayer::mode(firstSound), 0u);
    ASSERT_TRUE(tone::waitFor(soundDevice, AudioPlayer::kModeStop));

    const auto out = audio.stop();
    // Three whole plays of the 250 ms music: first, after running out, reopened.
    EXPECT_NEAR(msOfTone(out, 440), 750, 60);
    EXPECT_GE(msOfTone(out, 660), 220); // about the 300 ms slept, not the whole 2 s
    EXPECT_LT(msOfTone(out, 660), 2000);
    EXPECT_NEAR(msOfTone(out, 1000), 200, 60);
}

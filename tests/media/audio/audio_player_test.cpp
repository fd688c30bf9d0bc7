#include "media/audio/audio_player.h"
#include "tests/media/audio/tone_fixture.h"

#include <gtest/gtest.h>

using tone::DiskAudio;

TEST(AudioPlayer, PlaysFromAPositionToTheEndIntoTheOutput)
{
    DiskAudio audio;
    tone::writeWav(audio.path("two.wav"), {{440, 200}, {1000, 200}});
    std::uint32_t id = 0;
    ASSERT_TRUE(AudioPlayer::openDevice(id, audio.path("two.wav")));
    ASSERT_NE(id, 0u);
    EXPECT_EQ(AudioPlayer::lengthMs(id), 400u);
    ASSERT_TRUE(AudioPlayer::playFrom(id, 200));
    ASSERT_TRUE(tone::waitFor(id, AudioPlayer::kModeStop));
    EXPECT_EQ(AudioPlayer::positionMs(id), 400u);
    // Played out: from the current position nothing more plays.
    EXPECT_TRUE(AudioPlayer::playFromPosition(id));
    EXPECT_EQ(AudioPlayer::mode(id), AudioPlayer::kModeStop);

    const auto out = audio.stop();
    const auto b = tone::bursts(out);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_NEAR(double(b[0].second - b[0].first), tone::kRate * 0.2, 100);
    EXPECT_NEAR(tone::amplitudeAt(out, b[0].first, b[0].second, 1000), 8000, 400);
    EXPECT_LT(tone::amplitudeAt(out, b[0].first, b[0].second, 440), 200);
}

// Devices mixed at their own volumes and missing files are the story player's
// music test; files that are not audio are the regression test's; MP3s are
// decoded in the bundled story's test, which opens the music it ships.
TEST(AudioPlayer, ClosedDevicesAndNoDriverFailSilently)
{
    DiskAudio audio;
    tone::writeWav(audio.path("a.wav"), {{440, 100}});
    std::uint32_t id = 0;
    ASSERT_TRUE(AudioPlayer::openDevice(id, audio.path("a.wav")));
    ASSERT_TRUE(AudioPlayer::playFrom(id, 0));
    EXPECT_TRUE(AudioPlayer::closeDevice(id));
    for (std::uint32_t gone : {id, 0u}) {
        EXPECT_FALSE(AudioPlayer::closeDevice(gone));
        EXPECT_FALSE(AudioPlayer::playFromPosition(gone));
        EXPECT_FALSE(AudioPlayer::setVolume(gone, 300));
        EXPECT_EQ(AudioPlayer::mode(gone), 0u);
    }
    std::uint32_t next = 0;
    ASSERT_TRUE(AudioPlayer::openDevice(next, audio.path("a.wav")));
    EXPECT_NE(next, id); // ids are not reused

    AudioPlayer::shutdown();
    ::setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(AudioPlayer::openDevice(id, audio.path("a.wav")));
    EXPECT_EQ(id, 0u);
    EXPECT_FALSE(AudioPlayer::playFrom(next, 0));
}

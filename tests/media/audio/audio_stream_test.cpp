// Music is streamed: a compressed file at another rate and channel count
// plays from a position to its end, stops there and stays at its end, and
// a device that is not played holds no decoded sound.
#include "media/audio/audio_player.h"
#include "tests/media/audio/tone_fixture.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

using tone::DiskAudio;

namespace {

// Ogg Vorbis, mono at 22050 Hz, of consecutive (Hz, ms) parts.
void writeOgg(const std::string& path, const std::vector<std::pair<double, int>>& parts)
{
    constexpr int kOggRate = 22050;
    SF_INFO info{};
    info.samplerate = kOggRate;
    info.channels = 1;
    info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<float> pcm;
    for (auto [hz, ms] : parts)
        for (int i = 0; i < kOggRate * ms / 1000; ++i)
            pcm.push_back(static_cast<float>(8000.0 / 32768.0 * std::sin(2 * M_PI * hz * i / kOggRate)));
    sf_writef_float(file, pcm.data(), static_cast<sf_count_t>(pcm.size()));
    sf_close(file);
}

} // namespace

TEST(StreamedMusic, CompressedResampledPlaysFromAPositionStopsAtTheEndAndStaysThere)
{
    DiskAudio audio;
    writeOgg(audio.path("music.ogg"), {{440, 600}, {1000, 600}});
    std::uint32_t id = 0;
    ASSERT_TRUE(AudioPlayer::openDevice(id, audio.path("music.ogg")));
    EXPECT_EQ(AudioPlayer::lengthMs(id), 1200u);
    EXPECT_EQ(AudioPlayer::mode(id), AudioPlayer::kModeStop);
    EXPECT_EQ(AudioPlayer::positionMs(id), 0u);

    ASSERT_TRUE(AudioPlayer::setVolume(id, 500));
    ASSERT_TRUE(AudioPlayer::playFrom(id, 600));
    EXPECT_EQ(AudioPlayer::mode(id), AudioPlayer::kModePlay);
    ASSERT_TRUE(tone::waitFor(id, AudioPlayer::kModeStop));
    EXPECT_EQ(AudioPlayer::positionMs(id), 1200u);
    // At its end it is not rewound: playing from there plays nothing.
    EXPECT_TRUE(AudioPlayer::playFromPosition(id));
    EXPECT_EQ(AudioPlayer::mode(id), AudioPlayer::kModeStop);
    EXPECT_EQ(AudioPlayer::positionMs(id), 1200u);

    const auto out = audio.stop();
    const auto b = tone::bursts(out);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_NEAR(double(b[0].second - b[0].first), tone::kRate * 0.6, 300);
    // Half volume of the 8000 tone; the 440 Hz half before 600 ms never played.
    EXPECT_NEAR(tone::amplitudeAt(out, b[0].first, b[0].second, 1000), 4000, 400);
    EXPECT_LT(tone::amplitudeAt(out, b[0].first, b[0].second, 440), 200);
}

TEST(StreamedMusic, ClosingMidwayStopsItAndTheNextDeviceStartsAtItsBeginning)
{
    DiskAudio audio;
    writeOgg(audio.path("long.ogg"), {{440, 3000}});
    tone::writeWav(audio.path("next.wav"), {{1000, 200}});
    std::uint32_t music = 0, next = 0;
    ASSERT_TRUE(AudioPlayer::openDevice(music, audio.path("long.ogg")));
    ASSERT_TRUE(AudioPlayer::playFromPosition(music));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::uint32_t at = AudioPlayer::positionMs(music);
    EXPECT_GT(at, 50u);
    EXPECT_LT(at, 2000u);
    EXPECT_EQ(AudioPlayer::mode(music), AudioPlayer::kModePlay);
    ASSERT_TRUE(AudioPlayer::closeDevice(music));
    EXPECT_EQ(AudioPlayer::mode(music), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    ASSERT_TRUE(AudioPlayer::openDevice(next, audio.path("next.wav")));
    EXPECT_EQ(AudioPlayer::positionMs(next), 0u);
    ASSERT_TRUE(AudioPlayer::playFromPosition(next));
    ASSERT_TRUE(tone::waitFor(next, AudioPlayer::kModeStop));

    const auto out = audio.stop();
    const auto b = tone::bursts(out);
    ASSERT_EQ(b.size(), 2u);
    // The 440 Hz music ends where it was closed, well before its 3 s; the
    // next sound plays whole after the pause.
    EXPECT_LT(double(b[0].second - b[0].first), tone::kRate * 1.0);
    EXPECT_NEAR(tone::amplitudeAt(out, b[0].first, b[0].second, 440), 8000, 500);
    EXPECT_NEAR(double(b[1].second - b[1].first), tone::kRate * 0.2, 100);
    EXPECT_NEAR(tone::amplitudeAt(out, b[1].first, b[1].second, 1000), 8000, 500);
}

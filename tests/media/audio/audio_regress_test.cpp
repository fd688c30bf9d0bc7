// Files that are not audio fail to open and leave nothing behind: SDL_mixer
// used to keep the file stream of each one (found by the LeakSanitizer run).
#include "media/audio/audio_player.h"
#include "tests/media/audio/tone_fixture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

TEST(AudioPlayerRegress, FilesThatAreNotAudioFailAndLeakNothing)
{
    tone::DiskAudio audio;
    tone::writeWav(audio.path("real.wav"), {{440, 100}});
    std::ifstream real(audio.path("real.wav"), std::ios::binary);
    const std::string wav((std::istreambuf_iterator<char>(real)), std::istreambuf_iterator<char>());
    const std::pair<const char*, std::string> notAudio[] = {
        {"short.txt", "not audio"},
        {"text.wav", std::string(300, 'x')},
        {"header.wav", wav.substr(0, 30)},
        {"picture.mp3", std::string("\x89PNG\r\n\x1a\n", 8) + std::string(100, '\0')},
    };
    for (const auto& [name, bytes] : notAudio) {
        std::ofstream(audio.path(name), std::ios::binary) << bytes;
        std::uint32_t id = 7;
        EXPECT_FALSE(AudioPlayer::openDevice(id, audio.path(name))) << name;
        EXPECT_EQ(id, 0u) << name;
    }
    std::uint32_t id = 0;
    EXPECT_TRUE(AudioPlayer::openDevice(id, audio.path("real.wav")));
    AudioPlayer::closeDevice(id);
}

// Files that are not audio fail to open and leave nothing behind: SDL_mixer
// used to keep the file stream of each one (found by the LeakSanitizer run).
#include "media/audio/audio_player.h"
#include "media/audio/sound_check.h"
#include "tests/media/audio/tone_fixture.h"
#include "tests/media/hostile_files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

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

// Sounds from strangers: WAV, MP3, Ogg and FLAC from regular files of bounded
// size only. A FIFO must not block: this test would hang.
TEST(AudioPlayerRegress, DevicesFoldersHugeFilesAndOtherFormatsAreNeverOpened)
{
    tone::DiskAudio audio;
    TempDir dir;
    tone::writeWav(audio.path("real.wav"), {{440, 100}});
    const std::vector<unsigned char> wav = readBytes(audio.path("real.wav"));
    for (const std::string& path : hostile::makeAll(dir, ".wav", wav)) {
        std::uint32_t id = 7;
        EXPECT_FALSE(AudioPlayer::openDevice(id, path)) << path;
        EXPECT_EQ(id, 0u) << path;
    }
    const std::pair<const char*, std::string> otherFormats[] = {
        {"song.mid", std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\4\0\xff\x2f\0", 26)},
        {"voice.voc", "Creative Voice File\x1a\x1a\0\x0a\x01\x29\x11"},
        {"rifx.wav", "RIFX" + std::string(wav.begin() + 4, wav.end())},
    };
    for (const auto& [name, bytes] : otherFormats) {
        std::ofstream(audio.path(name), std::ios::binary) << bytes;
        std::uint32_t id = 7;
        EXPECT_FALSE(AudioPlayer::openDevice(id, audio.path(name))) << name;
    }

    using B = std::vector<unsigned char>;
    EXPECT_EQ(checkSound(wav), SoundFormat::Wav);
    EXPECT_EQ(checkSound(B{'O', 'g', 'g', 'S', 0}), SoundFormat::Ogg);
    EXPECT_EQ(checkSound(B{'f', 'L', 'a', 'C', 0}), SoundFormat::Flac);
    EXPECT_EQ(checkSound(B{'I', 'D', '3', 4, 0, 0, 0, 0, 0x10, 0x7f}), SoundFormat::Mp3);
    EXPECT_EQ(checkSound(B{0xFF, 0xFB, 0x90, 0x64}), SoundFormat::Mp3);  // MPEG-1 layer III, 128 kbit/s
    EXPECT_EQ(checkSound(B{0xFF, 0xFD, 0x90, 0x64}), SoundFormat::None); // layer II
    EXPECT_EQ(checkSound(B{0xFF, 0xFB, 0xF0, 0x64}), SoundFormat::None); // bad bit rate
    EXPECT_EQ(checkSound(B{'I', 'D', '3', 4, 0, 0, 0x80, 0, 0, 0}), SoundFormat::None);
    EXPECT_EQ(checkSound(B{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'A', 'V', 'I', ' '}), SoundFormat::None);
}

#include "media/audio/sound_check.h"

#include <cstring>

namespace {

bool startsWith(std::span<const unsigned char> b, const char* signature, std::size_t length)
{
    return b.size() >= length && std::memcmp(b.data(), signature, length) == 0;
}

// An ID3v2 tag: "ID3", a major version 2 to 4, and four size bytes of 7 bits.
bool isId3Tag(std::span<const unsigned char> b)
{
    if (!startsWith(b, "ID3", 3) || b.size() < 10 || b[3] < 2 || b[3] > 4 || b[4] == 0xFF) return false;
    return (b[6] | b[7] | b[8] | b[9]) < 0x80;
}

// A frame header of MPEG audio layer III: 11 sync bits, a defined version,
// layer III, a bit rate other than "bad" and a defined sample rate.
bool isMp3Frame(std::span<const unsigned char> b)
{
    if (b.size() < 4 || b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    const int version = (b[1] >> 3) & 3;
    const int layer = (b[1] >> 1) & 3;
    const int bitrate = b[2] >> 4;
    const int sampleRate = (b[2] >> 2) & 3;
    return version != 1 && layer == 1 && bitrate != 15 && sampleRate != 3;
}

} // namespace

SoundFormat checkSound(std::span<const unsigned char> b)
{
    if (startsWith(b, "RIFF", 4) && b.size() >= 12 && std::memcmp(b.data() + 8, "WAVE", 4) == 0)
        return SoundFormat::Wav;
    if (startsWith(b, "OggS", 4)) return SoundFormat::Ogg;
    if (startsWith(b, "fLaC", 4)) return SoundFormat::Flac;
    if (isId3Tag(b) || isMp3Frame(b)) return SoundFormat::Mp3;
    return SoundFormat::None;
}

// Any bytes as the start of a sound file: checkSound names a format only for
// bytes that carry its signature, and never reads past the bytes it is given.
#include "media/audio/sound_check.h"

#include "fuzz/fuzz_file.h"

#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A copy of exactly size bytes, so AddressSanitizer sees any read past it.
    const std::vector<unsigned char> bytes(data, data + size);
    const auto starts = [&](const char* s) { return size >= std::strlen(s) && std::memcmp(data, s, std::strlen(s)) == 0; };
    switch (checkSound(bytes)) {
    case SoundFormat::Wav:
        if (!starts("RIFF") || size < 12 || std::memcmp(data + 8, "WAVE", 4) != 0) fuzzFailure("WAV without RIFF/WAVE");
        break;
    case SoundFormat::Ogg:
        if (!starts("OggS")) fuzzFailure("Ogg without OggS");
        break;
    case SoundFormat::Flac:
        if (!starts("fLaC")) fuzzFailure("FLAC without fLaC");
        break;
    case SoundFormat::Mp3:
        if (!starts("ID3") && !(size >= 4 && data[0] == 0xFF && (data[1] & 0xE6) == 0xE2))
            fuzzFailure("MP3 without an ID3 tag or a layer III frame header");
        break;
    case SoundFormat::None: break;
    }
    return 0;
}

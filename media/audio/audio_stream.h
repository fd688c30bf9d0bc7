#pragma once
// A sound file decoded piece by piece while it plays: opening it reads only
// its header, so music starts without decoding (and holding) the whole file.
// Inside the audio device layer only.

#include <SDL.h>
#include <sndfile.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class AudioStream {
public:
    // The file's bytes, decoded into the mixer's output format; null when
    // libsndfile cannot read them or SDL cannot convert them.
    static std::unique_ptr<AudioStream> open(std::vector<unsigned char> bytes, SDL_AudioFormat format, int channels,
                                             int frequency);
    ~AudioStream();
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    std::uint32_t lengthMs() const { return lengthMs_; }
    // Goes to positionMs (at or past the end: finished). Only while the
    // stream is not being read.
    void seekMs(std::uint32_t positionMs);
    // Audio thread: the next len bytes of output into out; returns how many
    // are sound, the rest is silence. Once the file is out, finished().
    int read(std::uint8_t* out, int len);
    bool finished() const { return finished_.load(); }

    // The virtual file libsndfile reads from.
    struct Memory {
        std::vector<unsigned char> bytes;
        sf_count_t at = 0;
    };

private:
    AudioStream() = default;
    Memory memory_;
    SNDFILE* file_ = nullptr;
    SF_INFO info_{};
    SDL_AudioStream* convert_ = nullptr;
    std::vector<float> pcm_;
    std::uint32_t lengthMs_ = 0;
    int outFrameBytes_ = 0;
    int outFrequency_ = 0;
    // Bytes of output the rest of the file makes from the last seek, and how
    // many of them went out: the resampler's padding never counts as sound.
    std::uint64_t expectedBytes_ = 0;
    std::uint64_t emittedBytes_ = 0;
    bool sourceDone_ = false;
    std::atomic<bool> finished_{false};
};

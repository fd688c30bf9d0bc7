// Audio test fixtures: WAV tones written in code, and the output of SDL's
// disk audio driver read back and measured.
#pragma once

#include "media/audio/audio_player.h"
#include "tests/player/temp_dir.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tone {

constexpr int kRate = 44100; // the mixer's output rate

// 16-bit mono WAV of consecutive (Hz, ms) parts; 0 Hz is silence.
inline void writeWav(const std::string& path, const std::vector<std::pair<double, int>>& parts)
{
    std::vector<std::int16_t> pcm;
    for (auto [hz, ms] : parts)
        for (int i = 0; i < kRate * ms / 1000; ++i)
            pcm.push_back(static_cast<std::int16_t>(8000 * std::sin(2 * M_PI * hz * i / kRate)));
    const std::uint32_t bytes = static_cast<std::uint32_t>(pcm.size() * 2);
    const std::uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66, 16,   0x00010001,
                                    kRate,      kRate * 2,  0x00100002, 0x61746164, bytes};
    std::ofstream o(path, std::ios::binary);
    o.write(reinterpret_cast<const char*>(header), sizeof header);
    o.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

// Amplitude of hz over samples [begin, end), by a single DFT bin.
inline double amplitudeAt(const std::vector<double>& s, std::size_t begin, std::size_t end, double hz)
{
    end = std::min(end, s.size());
    double re = 0, im = 0;
    for (std::size_t i = begin; i < end; ++i) {
        re += s[i] * std::cos(2 * M_PI * hz * i / kRate);
        im += s[i] * std::sin(2 * M_PI * hz * i / kRate);
    }
    return end > begin ? 2 * std::hypot(re, im) / double(end - begin) : 0;
}

// Sample ranges that are not silent, split at gaps of more than 30 ms.
inline std::vector<std::pair<std::size_t, std::size_t>> bursts(const std::vector<double>& s)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) < 200) continue;
        if (!out.empty() && i - out.back().second <= kRate * 30 / 1000)
            out.back().second = i + 1;
        else
            out.emplace_back(i, i + 1);
    }
    return out;
}

inline bool waitFor(std::uint32_t device, std::uint32_t mode)
{
    for (int waited = 0; waited < 5000; waited += 5) {
        if (AudioPlayer::mode(device) == mode) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Routes all audio into a file in a fresh temporary folder for one test.
class DiskAudio {
public:
    DiskAudio()
    {
        AudioPlayer::shutdown();
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", path("out.raw").c_str(), 1);
    }
    ~DiskAudio() { AudioPlayer::shutdown(); }
    std::string path(const std::string& name) const { return dir_.file(name); }
    const std::filesystem::path& folder() const { return dir_.path(); }
    // Closes the mixer, which completes the output, and returns its left channel.
    std::vector<double> stop()
    {
        AudioPlayer::shutdown();
        std::ifstream in(path("out.raw"), std::ios::binary);
        std::vector<double> left;
        for (std::int16_t frame[2]; in.read(reinterpret_cast<char*>(frame), sizeof frame);) left.push_back(frame[0]);
        return left;
    }

private:
    TempDir dir_; // outlives the mixer, which the destructor closes first
};

} // namespace tone

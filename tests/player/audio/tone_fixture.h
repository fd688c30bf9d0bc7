// Test fixtures for audio: WAV tones written in code and the mixed output of
// SDL's disk audio driver read back and measured.
#pragma once

#include "player/audio/audio_player.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

namespace tone {

constexpr int kRate = 44100;  // the mixer's output rate

// 16-bit mono WAV of consecutive (frequency Hz, milliseconds) parts; 0 Hz is silence.
inline void writeWav(const std::string& path, const std::vector<std::pair<double, int>>& parts,
                     int amplitude = 8000)
{
    std::vector<std::int16_t> samples;
    for (auto [hz, ms] : parts)
        for (int i = 0; i < kRate * ms / 1000; ++i)
            samples.push_back(static_cast<std::int16_t>(
                hz > 0 ? amplitude * std::sin(2 * M_PI * hz * i / kRate) : 0));
    auto u32 = [](std::ofstream& o, std::uint32_t v) { o.write(reinterpret_cast<char*>(&v), 4); };
    auto u16 = [](std::ofstream& o, std::uint16_t v) { o.write(reinterpret_cast<char*>(&v), 2); };
    std::ofstream o(path, std::ios::binary);
    const std::uint32_t bytes = static_cast<std::uint32_t>(samples.size() * 2);
    o.write("RIFF", 4); u32(o, 36 + bytes); o.write("WAVEfmt ", 8);
    u32(o, 16); u16(o, 1); u16(o, 1); u32(o, kRate); u32(o, kRate * 2); u16(o, 2); u16(o, 16);
    o.write("data", 4); u32(o, bytes);
    o.write(reinterpret_cast<const char*>(samples.data()), bytes);
}

// Left channel of the disk driver's output (signed 16-bit stereo).
inline std::vector<double> readLeft(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<double> left;
    std::int16_t frame[2];
    while (in.read(reinterpret_cast<char*>(frame), sizeof frame))
        left.push_back(frame[0]);
    return left;
}

// Amplitude of frequency hz over samples [begin, end), by a single DFT bin.
inline double amplitudeAt(const std::vector<double>& s, std::size_t begin, std::size_t end, double hz)
{
    double re = 0, im = 0;
    for (std::size_t i = begin; i < end && i < s.size(); ++i) {
        re += s[i] * std::cos(2 * M_PI * hz * i / kRate);
        im += s[i] * std::sin(2 * M_PI * hz * i / kRate);
    }
    const double n = static_cast<double>(std::min(end, s.size()) - std::min(begin, s.size()));
    return n > 0 ? 2 * std::hypot(re, im) / n : 0;
}

// Index ranges [begin, end) where the output is not silent, split at gaps of
// more than gapMs of silence.
inline std::vector<std::pair<std::size_t, std::size_t>> bursts(const std::vector<double>& s, int gapMs = 30)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    const std::size_t gap = kRate * gapMs / 1000;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) < 200)
            continue;
        if (!out.empty() && i - out.back().second <= gap)
            out.back().second = i + 1;
        else
            out.emplace_back(i, i + 1);
    }
    return out;
}

inline bool waitFor(std::uint32_t device, std::uint32_t mode, int timeoutMs = 5000)
{
    for (int waited = 0; waited < timeoutMs; waited += 5) {
        if (AudioPlayer::mode(device) == mode)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

// Routes all audio into a file in a fresh temporary folder for one test;
// the output is complete once stop() has closed the mixer.
class DiskAudio {
public:
    DiskAudio()
    {
        dir = std::filesystem::temp_directory_path() /
              ("qs-audio-" + std::to_string(::getpid()) + "-" + std::to_string(counter()++));
        std::filesystem::create_directories(dir);
        AudioPlayer::shutdown();
        ::setenv("SDL_AUDIODRIVER", "disk", 1);
        ::setenv("SDL_DISKAUDIOFILE", (dir / "out.raw").c_str(), 1);
    }
    ~DiskAudio()
    {
        AudioPlayer::shutdown();
        std::filesystem::remove_all(dir);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    std::vector<double> stop()
    {
        AudioPlayer::shutdown();
        return readLeft(path("out.raw"));
    }
    std::filesystem::path dir;

private:
    static int& counter() { static int n = 0; return n; }
};

}  // namespace tone

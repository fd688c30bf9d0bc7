#include "tools/demo_assets/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;

std::size_t sampleCount(double seconds)
{
    return static_cast<std::size_t>(seconds * kSampleRate);
}

} // namespace

void Track::ensure(double seconds)
{
    if (samples.size() < sampleCount(seconds)) samples.resize(sampleCount(seconds), 0.0f);
}

void Track::add(double seconds, const std::vector<float>& voice, float gain)
{
    const std::size_t start = sampleCount(seconds);
    if (samples.size() < start + voice.size()) samples.resize(start + voice.size(), 0.0f);
    for (std::size_t i = 0; i < voice.size(); ++i) samples[start + i] += voice[i] * gain;
}

void Track::reverb(float wet)
{
    const std::vector<float> dry = samples;
    samples.resize(samples.size() + sampleCount(1.2), 0.0f);
    std::vector<float> echo(samples.size(), 0.0f);
    for (double delay : {0.0297, 0.0371, 0.0411, 0.0437}) {
        const std::size_t d = sampleCount(delay);
        std::vector<float> comb(samples.size(), 0.0f);
        for (std::size_t i = 0; i < comb.size(); ++i) {
            const float in = i < dry.size() ? dry[i] : 0.0f;
            comb[i] = in + (i >= d ? comb[i - d] * 0.78f : 0.0f);
        }
        for (std::size_t i = 0; i < echo.size(); ++i) echo[i] += comb[i] * 0.25f;
    }
    // Soften the echo's top end.
    float low = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        low += (echo[i] - low) * 0.35f;
        samples[i] += low * wet;
    }
}

void Track::finish(float peak)
{
    float loudest = 0;
    for (float s : samples) loudest = std::max(loudest, std::fabs(s));
    // Drop the inaudible end of the echo tail.
    std::size_t end = samples.size();
    while (end > 0 && std::fabs(samples[end - 1]) < loudest * 0.002f) --end;
    samples.resize(std::min(samples.size(), end + sampleCount(0.05)));
    const float scale = loudest > 0 ? peak / loudest : 0.0f;
    const std::size_t fade = std::min(samples.size() / 2, sampleCount(0.02));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        float s = samples[i] * scale;
        if (i < fade) s *= static_cast<float>(i) / fade;
        if (samples.size() - i <= fade) s *= static_cast<float>(samples.size() - i) / fade;
        samples[i] = s;
    }
}

double midiFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

std::vector<float> pluck(double frequency, double seconds, unsigned seed)
{
    // Karplus-Strong: a noise burst circulating in a damped delay line.
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    const std::size_t period = std::max<std::size_t>(2, static_cast<std::size_t>(kSampleRate / frequency));
    std::vector<float> line(period);
    // A softened burst gives a mellow, nylon-like string rather than a bright wire.
    float smooth = 0;
    for (float& v : line) {
        smooth += (noise(random) - smooth) * 0.45f;
        v = smooth * 1.8f;
    }
    std::vector<float> out(sampleCount(seconds));
    float previous = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const std::size_t k = i % period;
        const float v = line[k];
        line[k] = 0.498f * (v + previous);
        previous = v;
        out[i] = v;
    }
    return out;
}

std::vector<float> bell(double frequency, double seconds)
{
    static const double partials[][3] = {
        {1.0, 1.0, 1.0}, {2.0, 0.5, 1.6}, {2.76, 0.35, 2.4}, {5.4, 0.18, 4.0}, {8.93, 0.08, 6.0}};
    std::vector<float> out(sampleCount(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        double v = 0;
        for (const auto& p : partials) v += p[1] * std::exp(-t * p[2] * 1.4) * std::sin(2 * kPi * frequency * p[0] * t);
        out[i] = static_cast<float>(v * std::min(1.0, t * 400.0) * 0.5);
    }
    return out;
}

std::vector<float> pad(double frequency, double seconds)
{
    std::vector<float> out(sampleCount(seconds));
    const double attack = std::min(0.6, seconds / 3), release = std::min(0.8, seconds / 3);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double envelope = std::min({1.0, t / attack, (seconds - t) / release});
        double v = 0;
        for (double detune : {0.997, 1.0, 1.004}) {
            v += std::sin(2 * kPi * frequency * detune * t);
            v += 0.25 * std::sin(2 * kPi * frequency * 2 * detune * t);
        }
        out[i] = static_cast<float>(v / 4.0 * envelope);
    }
    return out;
}

std::vector<float> bass(double frequency, double seconds)
{
    std::vector<float> out(sampleCount(seconds));
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double envelope = std::exp(-t * 2.2) * std::min(1.0, t * 200.0) * std::min(1.0, (seconds - t) * 20.0);
        out[i] = static_cast<float>(envelope *
                                    (std::sin(2 * kPi * frequency * t) + 0.3 * std::sin(4 * kPi * frequency * t)));
    }
    return out;
}

std::vector<float> knock(unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> out(sampleCount(0.18));
    float band = 0, low = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        low += (noise(random) - low) * 0.25f;
        band = low - band * 0.2f;
        const double thump = std::sin(2 * kPi * 140 * t) * std::exp(-t * 45);
        out[i] = static_cast<float>(thump * 0.8 + band * std::exp(-t * 70) * 0.6);
    }
    return out;
}

std::vector<float> wind(double seconds, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    std::vector<float> out(sampleCount(seconds));
    float a = 0, b = 0;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        // The filter opens and closes with the gusts.
        const double gust = 0.5 + 0.5 * std::sin(2 * kPi * t / seconds - kPi / 2) * (0.8 + 0.2 * std::sin(t * 7.0));
        const float k = static_cast<float>(0.01 + 0.05 * gust);
        a += (noise(random) - a) * k;
        b += (a - b) * k;
        out[i] = static_cast<float>(b * gust * 6.0);
    }
    return out;
}

bool writeWav(const std::string& path, const Track& track)
{
    std::ofstream out(path, std::ios::binary);
    auto put32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xff));
    };
    auto put16 = [&out](std::uint16_t v) {
        out.put(static_cast<char>(v & 0xff));
        out.put(static_cast<char>(v >> 8));
    };
    const std::uint32_t bytes = static_cast<std::uint32_t>(track.samples.size() * 2);
    out.write("RIFF", 4);
    put32(36 + bytes);
    out.write("WAVEfmt ", 8);
    put32(16);
    put16(1); // PCM
    put16(1); // mono
    put32(kSampleRate);
    put32(kSampleRate * 2);
    put16(2);
    put16(16);
    out.write("data", 4);
    put32(bytes);
    for (float s : track.samples)
        put16(
            static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
    return static_cast<bool>(out);
}

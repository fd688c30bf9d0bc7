#pragma once
// Sound synthesis for the demo: a few simple instruments, a mixing track and
// a 16-bit mono WAV writer.

#include <string>
#include <vector>

constexpr int kSampleRate = 22050;

// A mono track of float samples in -1..1 at kSampleRate.
struct Track {
    std::vector<float> samples;

    void ensure(double seconds);
    // Adds voice at time seconds, scaled by gain.
    void add(double seconds, const std::vector<float>& voice, float gain);
    // A little room: a few feedback delays mixed in.
    void reverb(float wet);
    // Trims the silent end, scales the loudest sample to peak and adds short
    // fades at both ends.
    void finish(float peak);
};

double midiFrequency(int note);

std::vector<float> pluck(double frequency, double seconds, unsigned seed); // plucked string
std::vector<float> bell(double frequency, double seconds);                 // struck metal
std::vector<float> pad(double frequency, double seconds);                  // soft sustained chord tone
std::vector<float> bass(double frequency, double seconds);
std::vector<float> knock(unsigned seed);                // a knuckle on a wooden door
std::vector<float> wind(double seconds, unsigned seed); // gusting air

bool writeWav(const std::string& path, const Track& track);

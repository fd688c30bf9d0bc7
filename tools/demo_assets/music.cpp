#include "tools/demo_assets/music.h"

#include <random>
#include <vector>

namespace {

struct Note {
    double beat;
    int pitch; // MIDI note number
    double beats;
};

struct Chord {
    int root; // bass note
    std::vector<int> tones;
};

// Chords one per bar: a pad under everything, bass on beats 1 and 3.
void accompany(Track& t, const std::vector<Chord>& bars, double secondsPerBeat, float padGain, float bassGain)
{
    for (std::size_t bar = 0; bar < bars.size(); ++bar) {
        const double start = bar * 4 * secondsPerBeat;
        for (int tone : bars[bar].tones) t.add(start, pad(midiFrequency(tone), 4 * secondsPerBeat + 0.3), padGain);
        t.add(start, bass(midiFrequency(bars[bar].root), 2 * secondsPerBeat), bassGain);
        t.add(start + 2 * secondsPerBeat, bass(midiFrequency(bars[bar].root), 2 * secondsPerBeat), bassGain * 0.8f);
    }
}

// Lets the track ring out to seconds, then adds the room and sets the level.
void master(Track& t, double seconds, float wet, float peak)
{
    t.ensure(seconds);
    t.reverb(wet);
    t.finish(peak);
}

std::vector<Note> shifted(const std::vector<Note>& notes, double beats)
{
    std::vector<Note> out = notes;
    for (Note& n : out) n.beat += beats;
    return out;
}

} // namespace

Track daylightMusic()
{
    const double spb = 60.0 / 96.0;
    // D major pentatonic: D4 62, E4 64, F#4 66, A4 69, B4 71, D5 74, E5 76, F#5 78.
    const std::vector<Note> phraseA = {{0, 69, 1},      {1, 71, 0.5},   {1.5, 69, 0.5}, {2, 66, 1},  {3, 62, 1},
                                       {4, 64, 0.5},    {4.5, 66, 0.5}, {5, 69, 1},     {6, 71, 2},  {8, 74, 1},
                                       {9, 71, 0.5},    {9.5, 69, 0.5}, {10, 66, 1},    {11, 64, 1}, {12, 66, 0.5},
                                       {12.5, 64, 0.5}, {13, 62, 3}};
    const std::vector<Note> phraseB = {{0, 78, 1},      {1, 76, 0.5},   {1.5, 74, 0.5}, {2, 71, 1},  {3, 69, 1},
                                       {4, 71, 0.5},    {4.5, 74, 0.5}, {5, 76, 1},     {6, 78, 2},  {8, 76, 1},
                                       {9, 74, 0.5},    {9.5, 71, 0.5}, {10, 69, 1},    {11, 66, 1}, {12, 64, 0.5},
                                       {12.5, 66, 0.5}, {13, 62, 3}};
    std::vector<Note> melody = phraseA;
    for (const Note& n : shifted(phraseB, 16)) melody.push_back(n);
    for (const Note& n : shifted(phraseA, 32)) melody.push_back(n);

    Track t;
    unsigned seed = 1;
    for (const Note& n : melody) t.add(n.beat * spb, pluck(midiFrequency(n.pitch), n.beats * spb + 0.9, seed++), 0.55f);
    const Chord D{50, {62, 66, 69}}, Bm{47, {59, 62, 66}}, G{43, {59, 62, 67}}, A{45, {57, 61, 64}};
    const std::vector<Chord> bars = {D, Bm, G, A, D, Bm, G, D, D, Bm, G, D};
    accompany(t, bars, spb, 0.06f, 0.3f);
    // Off-beat plucks of the chord's top tone keep the tune moving.
    for (std::size_t bar = 0; bar < bars.size(); ++bar)
        for (int beat = 0; beat < 4; ++beat)
            t.add((bar * 4 + beat + 0.5) * spb, pluck(midiFrequency(bars[bar].tones.back() - 12), 0.5, seed++), 0.18f);
    master(t, bars.size() * 4 * spb + 1.5, 0.25f, 0.8f);
    return t;
}

Track moonlitMusic()
{
    const double spb = 60.0 / 66.0;
    // A minor pentatonic: A4 69, C5 72, D5 74, E5 76, G5 79, G4 67.
    const std::vector<Note> melody = {{0, 76, 2},      {2, 74, 1},  {3, 72, 1},  {4, 69, 3},  {7, 67, 1},
                                      {8, 69, 1},      {9, 72, 1},  {10, 74, 2}, {12, 76, 4}, {16, 79, 1.5},
                                      {17.5, 76, 0.5}, {18, 74, 2}, {20, 72, 1}, {21, 74, 1}, {22, 72, 1},
                                      {23, 69, 1},     {24, 67, 2}, {26, 69, 1}, {27, 72, 1}, {28, 69, 4}};
    Track t;
    for (const Note& n : melody) t.add(n.beat * spb, bell(midiFrequency(n.pitch), n.beats * spb + 2.0), 0.5f);
    const Chord Am{45, {57, 60, 64}}, F{41, {57, 60, 65}}, C{48, {55, 60, 64}}, G{43, {55, 59, 62}};
    const std::vector<Chord> bars = {Am, F, C, G, Am, F, G, Am};
    accompany(t, bars, spb, 0.09f, 0.22f);
    // Faint twinkles high above, like stars.
    std::mt19937 random(9);
    const int twinkle[] = {81, 84, 86, 88, 91};
    for (double beat = 1.5; beat < 30; beat += 2.5 + (random() % 3) * 0.5)
        t.add(beat * spb, bell(midiFrequency(twinkle[random() % 5]), 2.0), 0.12f);
    master(t, bars.size() * 4 * spb + 2.0, 0.4f, 0.75f);
    return t;
}

Track defaultMusic()
{
    const double spb = 60.0 / 80.0;
    const std::vector<std::vector<int>> arpeggios = {
        {60, 64, 67, 72}, {65, 69, 72, 77}, {67, 71, 74, 79}, {60, 64, 67, 72}};
    Track t;
    unsigned seed = 100;
    for (std::size_t bar = 0; bar < arpeggios.size(); ++bar)
        for (int step = 0; step < 8; ++step) {
            const int pitch = arpeggios[bar][step < 4 ? step : 7 - step];
            t.add((bar * 4 + step * 0.5) * spb, pluck(midiFrequency(pitch), 1.2, seed++), 0.5f);
        }
    accompany(t, {{48, {60, 64, 67}}, {41, {60, 65, 69}}, {43, {59, 62, 67}}, {48, {60, 64, 67}}}, spb, 0.07f, 0.28f);
    master(t, 16 * spb + 1.0, 0.3f, 0.8f);
    return t;
}

Track chimeSound()
{
    Track t;
    const double at[] = {0.0, 0.18, 0.41, 0.55, 0.83, 1.1};
    const int pitch[] = {84, 88, 91, 86, 93, 89};
    for (int i = 0; i < 6; ++i) t.add(at[i], bell(midiFrequency(pitch[i]), 1.8), 0.4f);
    t.reverb(0.3f);
    t.finish(0.7f);
    return t;
}

Track windSound()
{
    Track t;
    t.add(0, wind(3.5, 4), 1.0f);
    t.finish(0.6f);
    return t;
}

Track knockSound()
{
    Track t;
    for (int i = 0; i < 3; ++i) t.add(0.05 + i * 0.27, knock(20 + i), i == 2 ? 0.9f : 1.0f);
    master(t, 1.1, 0.2f, 0.85f);
    return t;
}

Track defaultSound()
{
    Track t;
    t.add(0, bell(midiFrequency(76), 1.2), 0.6f);
    t.add(0.35, bell(midiFrequency(72), 1.2), 0.6f);
    t.finish(0.7f);
    return t;
}

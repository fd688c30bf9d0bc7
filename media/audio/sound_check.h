#pragma once
// Which sound files reach SDL_mixer. Only the formats a story uses are
// opened, each recognised by its leading bytes; anything else (MIDI, module
// files, VOC, AIFF, a picture, a text) is refused before the mixer sees it.

#include <cstddef>
#include <span>

enum class SoundFormat { None, Wav, Mp3, Ogg, Flac };

// The format the bytes start like: WAV ("RIFF" with form type "WAVE"), MP3
// (an ID3v2 tag or an MPEG audio layer III frame header), Ogg ("OggS") or
// FLAC ("fLaC"); None for anything else.
SoundFormat checkSound(std::span<const unsigned char> bytes);

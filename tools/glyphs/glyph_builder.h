#pragma once
// Builds the player's glyph file from GNU Unifont's .hex font: every GB 2312
// character of the hanzi rows (lead bytes 0xB0 to 0xF7) and of the symbol rows
// (lead bytes 0xA1 to 0xAF: punctuation, full-width letters and digits, kana,
// box drawing) gets the 16 x 16 record at the offset the player reads.

#include <array>
#include <cstdint>
#include <istream>
#include <string>
#include <unordered_map>
#include <vector>

namespace glyphs {

using Glyph = std::array<std::uint8_t, 32>; // 16 rows top first, 2 bytes a row
using GlyphMap = std::unordered_map<char32_t, Glyph>;

// Reads "XXXX:hexdigits" lines. 16-wide glyphs (64 digits) are taken as they
// are; 8-wide ones (32 digits) are centred in the 16-dot cell. Malformed lines
// are counted in `skipped` and left out. False when no glyph was read.
bool readUnifontHex(std::istream& in, GlyphMap& out, int& skipped);

// GB 2312 (EUC-CN) two-byte code to Unicode through iconv. Holds the iconv
// descriptor; `ok()` is false when the system lacks the conversion.
class Gb2312Decoder {
public:
    Gb2312Decoder();
    ~Gb2312Decoder();
    Gb2312Decoder(const Gb2312Decoder&) = delete;
    Gb2312Decoder& operator=(const Gb2312Decoder&) = delete;

    bool ok() const { return handle_ != reinterpret_cast<void*>(-1); }
    // 0 when the two bytes are not a GB 2312 character.
    char32_t decode(std::uint8_t lead, std::uint8_t trail) const;

private:
    void* handle_;
};

struct BuildStats {
    int characters = 0; // GB 2312 codes that decoded to a character
    int drawn = 0;      // of those, the ones Unifont has a glyph for
    int missing = 0;    // decoded, but no glyph: their record stays blank
};

// The whole file image (glyph::kFullFileSize bytes); unreached records are 0.
std::vector<std::uint8_t> buildGlyphFile(const GlyphMap& font, const Gb2312Decoder& decoder, BuildStats& stats);

} // namespace glyphs

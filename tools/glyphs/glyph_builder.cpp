#include "tools/glyphs/glyph_builder.h"

#include "media/text/glyph_record.h"

#include <iconv.h>

#include <cstring>

namespace glyphs {
namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool parseBytes(const std::string& digits, std::uint8_t* out, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const int hi = hexDigit(digits[2 * i]);
        const int lo = hexDigit(digits[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    return true;
}

bool parseLine(std::string line, char32_t& code, Glyph& glyph)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || colon == 0 || colon > 6) return false;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        const int d = hexDigit(line[i]);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    const std::string digits = line.substr(colon + 1);
    glyph.fill(0);
    if (digits.size() == 64) {
        if (!parseBytes(digits, glyph.data(), 32)) return false;
    } else if (digits.size() == 32) {
        // Half-width: one byte a row, placed in the middle of the 16-dot cell.
        std::uint8_t rows[16];
        if (!parseBytes(digits, rows, 16)) return false;
        for (int r = 0; r < 16; ++r) {
            const unsigned wide = static_cast<unsigned>(rows[r]) << 4;
            glyph[2 * r] = static_cast<std::uint8_t>(wide >> 8);
            glyph[2 * r + 1] = static_cast<std::uint8_t>(wide & 0xFF);
        }
    } else {
        return false;
    }
    code = value;
    return true;
}

} // namespace

bool readUnifontHex(std::istream& in, GlyphMap& out, int& skipped)
{
    skipped = 0;
    std::string line;
    std::size_t before = out.size();
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        char32_t code = 0;
        Glyph glyph;
        if (parseLine(line, code, glyph))
            out[code] = glyph;
        else
            ++skipped;
    }
    return out.size() > before;
}

Gb2312Decoder::Gb2312Decoder() : handle_(iconv_open("UTF-32LE", "GB2312")) {}

Gb2312Decoder::~Gb2312Decoder()
{
    if (ok()) iconv_close(static_cast<iconv_t>(handle_));
}

char32_t Gb2312Decoder::decode(std::uint8_t lead, std::uint8_t trail) const
{
    if (!ok()) return 0;
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    unsigned char out[8] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    std::size_t inLeft = sizeof in;
    std::size_t outLeft = sizeof out;
    iconv_t cd = static_cast<iconv_t>(handle_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr); // fresh shift state per character
    const std::size_t result = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    // Exactly one character from both bytes, nothing left over.
    if (result == static_cast<std::size_t>(-1) || inLeft != 0 || sizeof out - outLeft != 4) return 0;
    return static_cast<char32_t>(out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<std::uint32_t>(out[3]) << 24));
}

std::vector<std::uint8_t> buildGlyphFile(const GlyphMap& font, const Gb2312Decoder& decoder, BuildStats& stats)
{
    stats = BuildStats{};
    std::vector<std::uint8_t> file(static_cast<std::size_t>(glyph::kFullFileSize), 0);
    auto fillRow = [&](unsigned lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            const char32_t code = decoder.decode(static_cast<std::uint8_t>(lead), static_cast<std::uint8_t>(trail));
            if (code == 0) continue;
            ++stats.characters;
            const auto found = font.find(code);
            if (found == font.end()) {
                ++stats.missing;
                continue;
            }
            const long offset =
                glyph::recordOffset(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
            std::memcpy(file.data() + offset, found->second.data(), glyph::kRecordSize);
            ++stats.drawn;
        }
    };
    for (unsigned lead = 0xA1; lead <= 0xAF; ++lead) fillRow(lead);
    for (unsigned lead = 0xB0; lead <= 0xF7; ++lead) fillRow(lead);
    return file;
}

} // namespace glyphs

#pragma once
// Story text bytes and the layout of the player's glyph file raw/1.bin: headerless 32-byte records of
// 16 x 16 dots (16 rows top first, 2 bytes a row, most significant bit = left),
// 94 records per GB 2312 row, starting with lead byte 0xB0 / trail byte 0xA1.
// Shared by the player (which reads it) and the build tool (which writes it),
// so both always agree on where a character lives.

namespace glyph {

// Story text is GB 2312 family bytes: a byte of 0x80 or more starts a
// double-byte character (GB18030 leads from 0x81 count too, whatever the font
// holds for them), anything below is a single-byte one.
constexpr bool isLeadByte(unsigned char c)
{
    return c >= 0x80;
}

inline constexpr int kRecordSize = 32;
inline constexpr int kRecordsPerRow = 94;
inline constexpr int kGlyphSize = 16;

// Byte offset of the record for lead byte c1 and trail byte c2. Both
// differences wrap modulo 256, so the symbol rows (lead bytes 0xA1 to 0xAF)
// land behind the last hanzi row, at rows 241 to 255 of the file.
constexpr long recordOffset(unsigned char c1, unsigned char c2)
{
    const unsigned row = static_cast<unsigned char>(c1 - 0xB0);
    const unsigned cell = static_cast<unsigned char>(c2 - 0xA1);
    return static_cast<long>(row * kRecordsPerRow + cell) * kRecordSize;
}

// A trail byte that names one of the 94 cells of a row. Any other value would
// wrap into a neighbouring row's record, so the reader draws nothing for it.
constexpr bool isTrailByte(unsigned char c2)
{
    return c2 >= 0xA1 && c2 <= 0xFE;
}

// Size of a file that holds every row the formula can reach from a lead byte
// in 0xB0..0xFF and 0xA1..0xAF: all 256 wrapped rows.
inline constexpr long kFullFileSize = 256L * kRecordsPerRow * kRecordSize;

} // namespace glyph

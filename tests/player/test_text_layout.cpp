// The byte logic of the player's text: glyph records, the walk of drawText
// over mixed single- and double-byte text, and the label's line wrapping.
#include "player/bitmap_text.h"
#include "player/glyph_record.h"
#include "player/story_sprite.h"
#include "tools/glyphs/glyph_builder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Records what drawText would draw: 'a'-style entries for single bytes, "G"
// plus the record's bottom row bytes for glyphs, "-" for empty cells.
struct RecordingPainter : TextPainter {
    std::vector<std::string> calls;
    int x = 0, y = 0, advance = 0;
    float alpha = 0;
    std::vector<std::vector<unsigned char>> glyphs;
    void begin(int x_, int y_, float, float, float, float a) override
    {
        x = x_;
        y = y_;
        alpha = a;
    }
    void character(void*, unsigned char c) override
    {
        calls.push_back(std::string(1, static_cast<char>(c)));
        advance += 8;
    }
    void glyph(const unsigned char* rows) override
    {
        calls.push_back(rows ? "G" : "-");
        if (rows) glyphs.emplace_back(rows, rows + 32);
        advance += 16;
    }
    void end() override { calls.push_back("end"); }
};

class TempDir {
public:
    TempDir()
    {
        path_ = fs::temp_directory_path() / ("player_text_" + std::to_string(::getpid()) + "_" +
                                             std::to_string(counter_++));
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    static inline int counter_ = 0;
};

// A glyph file whose record k has every byte equal to k's low byte, except
// that its top row (first two bytes) is 0xFF 0x00 so the row order shows.
std::string writeNumberedGlyphFile(const fs::path& dir, int records)
{
    const fs::path file = dir / "1.bin";
    std::ofstream out(file, std::ios::binary);
    for (int k = 0; k < records; ++k) {
        unsigned char record[32];
        for (auto& b : record) b = static_cast<unsigned char>(k);
        record[0] = 0xFF;
        record[1] = 0x00;
        out.write(reinterpret_cast<const char*>(record), 32);
    }
    return file.string();
}

TEST(GlyphRecord, OffsetsFollowTheGb2312Rows)
{
    EXPECT_EQ(glyph::recordOffset(0xB0, 0xA1), 0);
    EXPECT_EQ(glyph::recordOffset(0xB0, 0xA2), 32);
    EXPECT_EQ(glyph::recordOffset(0xB1, 0xA1), 3008);
    EXPECT_EQ(glyph::recordOffset(0xF7, 0xFE), (71 * 94 + 93) * 32);
    // Symbol rows wrap behind the hanzi: row 0xA1 is file row 241.
    EXPECT_EQ(glyph::recordOffset(0xA1, 0xA1), 241L * 94 * 32);
    EXPECT_EQ(glyph::recordOffset(0xAF, 0xFE) + 32, glyph::kFullFileSize);
    EXPECT_FALSE(glyph::isTrailByte(0xA0));
    EXPECT_FALSE(glyph::isTrailByte(0xFF));
    EXPECT_TRUE(glyph::isTrailByte(0xA1));
}

TEST(GlyphBuilder, ReadsWideAndCentresNarrowUnifontGlyphs)
{
    std::istringstream hex("554A:" + std::string(60, '0') + "8001\n"
                           "0041:" + std::string(30, '0') + "FF\n"
                           "garbage line\n"
                           "0042:12\n");
    glyphs::GlyphMap font;
    int skipped = 0;
    ASSERT_TRUE(glyphs::readUnifontHex(hex, font, skipped));
    EXPECT_EQ(skipped, 2);
    ASSERT_EQ(font.count(0x554A), 1u);
    EXPECT_EQ(font[0x554A][30], 0x80);
    EXPECT_EQ(font[0x554A][31], 0x01);
    // An 8-dot row 0xFF becomes dots 4..11 of the 16-dot row.
    EXPECT_EQ(font[0x41][30], 0x0F);
    EXPECT_EQ(font[0x41][31], 0xF0);

    std::istringstream nothing("not a font\n");
    glyphs::GlyphMap none;
    EXPECT_FALSE(glyphs::readUnifontHex(nothing, none, skipped));
}

TEST(GlyphBuilder, PutsHanziAndSymbolsWhereThePlayerReads)
{
    glyphs::Gb2312Decoder decoder;
    ASSERT_TRUE(decoder.ok());
    EXPECT_EQ(decoder.decode(0xB0, 0xA1), U'\u554A');  // the first hanzi
    EXPECT_EQ(decoder.decode(0xA1, 0xA2), U'\u3001');  // ideographic comma
    EXPECT_EQ(decoder.decode(0xA3, 0xC1), U'\uFF21');  // full-width A
    EXPECT_EQ(decoder.decode(0xAA, 0xA1), 0u);         // an empty row

    glyphs::GlyphMap font;
    glyphs::Glyph a{}, comma{}, fullA{};
    a.fill(0x11);
    comma.fill(0x22);
    fullA.fill(0x33);
    font[0x554A] = a;
    font[0x3001] = comma;
    font[0xFF21] = fullA;
    glyphs::BuildStats stats;
    const auto file = glyphs::buildGlyphFile(font, decoder, stats);
    ASSERT_EQ(static_cast<long>(file.size()), glyph::kFullFileSize);
    EXPECT_EQ(stats.drawn, 3);
    EXPECT_EQ(stats.characters, 7445); // every GB 2312 character
    EXPECT_EQ(stats.missing, 7445 - 3);
    EXPECT_EQ(file[glyph::recordOffset(0xB0, 0xA1) + 31], 0x11);
    EXPECT_EQ(file[glyph::recordOffset(0xA1, 0xA2)], 0x22);
    EXPECT_EQ(file[glyph::recordOffset(0xA3, 0xC1) + 5], 0x33);
    EXPECT_EQ(file[glyph::recordOffset(0xB0, 0xA2)], 0x00);
}

// The file the build lays out for the player holds Unifont's own glyphs.
TEST(GlyphBuilder, TheBuiltGlyphFileMatchesUnifont)
{
    std::ifstream built(QS_GLYPH_FILE, std::ios::binary);
    ASSERT_TRUE(built) << QS_GLYPH_FILE;
    std::vector<char> bytes((std::istreambuf_iterator<char>(built)), std::istreambuf_iterator<char>());
    ASSERT_EQ(static_cast<long>(bytes.size()), glyph::kFullFileSize);
    std::ifstream hex(QS_UNIFONT_HEX);
    glyphs::GlyphMap font;
    int skipped = 0;
    ASSERT_TRUE(glyphs::readUnifontHex(hex, font, skipped));
    const struct { unsigned char c1, c2; char32_t code; } samples[] = {
        {0xB0, 0xA1, U'\u554A'}, {0xF7, 0xFE, U'\u9F44'}, {0xA1, 0xA3, U'\u3002'}, {0xA3, 0xB1, U'\uFF11'}};
    for (const auto& sample : samples) {
        SCOPED_TRACE(static_cast<int>(sample.code));
        const auto& expected = font.at(sample.code);
        const long offset = glyph::recordOffset(sample.c1, sample.c2);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(),
                               reinterpret_cast<const unsigned char*>(bytes.data()) + offset));
    }
}

TEST(DrawText, WalksMixedTextOnOneBaseline)
{
    TempDir dir;
    GlyphFile glyphs(writeNumberedGlyphFile(dir.path(), 95));
    RecordingPainter painter;
    // "abc", the record at offset 0, then B0 A2 (record 1) and "d".
    drawTextWith(painter, glyphs, "abc\xB0\xA1\xB0\xA2" "d", 40, 120, 0.5f, 0, 0, 0, 1.0f, nullptr);
    EXPECT_EQ(painter.calls, (std::vector<std::string>{"a", "b", "c", "G", "G", "d", "end"}));
    EXPECT_EQ(painter.advance, 3 * 8 + 2 * 16 + 8);
    EXPECT_FLOAT_EQ(painter.alpha, 0.5f);
    ASSERT_EQ(painter.glyphs.size(), 2u);
    // Rows are handed over bottom first: the file's top row comes last.
    EXPECT_EQ(painter.glyphs[0][30], 0xFF);
    EXPECT_EQ(painter.glyphs[0][31], 0x00);
    EXPECT_EQ(painter.glyphs[0][0], 0x00);
    EXPECT_EQ(painter.glyphs[1][0], 0x01);
}

TEST(DrawText, StopsAtZeroAndNeverReadsPastALoneLeadByte)
{
    TempDir dir;
    GlyphFile glyphs(writeNumberedGlyphFile(dir.path(), 95));
    RecordingPainter painter;
    const std::string withZero("ab\0cd", 5);
    drawTextWith(painter, glyphs, withZero, 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(painter.calls, (std::vector<std::string>{"a", "b", "end"}));

    // The view ends right after a lead byte: the byte beyond it must not be
    // taken as the trail byte.
    const std::string text = "x\xB0\xA1";
    RecordingPainter half;
    drawTextWith(half, glyphs, std::string_view(text).substr(0, 2), 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(half.calls, (std::vector<std::string>{"x", "end"}));

    RecordingPainter empty;
    drawTextWith(empty, glyphs, "", 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(empty.calls, (std::vector<std::string>{"end"}));
}

TEST(DrawText, OddCodesAndShortFilesGiveEmptyCellsThatStillAdvance)
{
    TempDir dir;
    GlyphFile glyphs(writeNumberedGlyphFile(dir.path(), 2)); // only B0A1 and B0A2
    RecordingPainter painter;
    // Trail byte outside A1..FE, a record beyond the end, then a good one.
    drawTextWith(painter, glyphs, "\xB0\x41\xB1\xA1\xB0\xA2", 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(painter.calls, (std::vector<std::string>{"-", "-", "G", "end"}));
    EXPECT_EQ(painter.advance, 48);
}

TEST(DrawText, MissingGlyphFileIsReportedPerCharacterAndRetried)
{
    TempDir dir;
    const fs::path later = dir.path() / "1.bin";
    GlyphFile glyphs(later.string());
    RecordingPainter painter;
    testing::internal::CaptureStdout();
    drawTextWith(painter, glyphs, "ok", 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");

    testing::internal::CaptureStdout();
    drawTextWith(painter, glyphs, "\xB0\xA1z\xB0\xA2", 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File not exist!\nFile not exist!\n");
    EXPECT_FALSE(glyphs.isOpen());

    // Once the file appears, the next double-byte character opens it.
    writeNumberedGlyphFile(dir.path(), 95);
    RecordingPainter after;
    testing::internal::CaptureStdout();
    drawTextWith(after, glyphs, "\xB0\xA2", 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(after.calls, (std::vector<std::string>{"G", "end"}));
}

TEST(DrawText, DataFolderWithBackslashReachesTheFolder)
{
    TempDir dir;
    fs::create_directories(dir.path() / "raw");
    writeNumberedGlyphFile(dir.path() / "raw", 95);
    const std::string saved = dataFolder;
    dataFolder = (dir.path() / "raw").string() + "\\";
    GlyphFile glyphs; // follows dataFolder
    RecordingPainter painter;
    drawTextWith(painter, glyphs, "\xB0\xA1", 0, 0, 1, 0, 0, 0, 1, nullptr);
    dataFolder = saved;
    EXPECT_TRUE(glyphs.isOpen());
    EXPECT_EQ(painter.calls, (std::vector<std::string>{"G", "end"}));
}

std::vector<std::pair<std::size_t, std::size_t>> spans(const std::vector<LabelLine>& lines)
{
    std::vector<std::pair<std::size_t, std::size_t>> out;
    for (const auto& l : lines) out.emplace_back(l.start, l.length);
    return out;
}

TEST(LabelLines, WrapsAtNinetyBytesTwentyPixelsApart)
{
    const std::string hundred(100, 'a');
    const auto lines = labelLines(hundred, 1.0f, 90, 120);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(spans(lines), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 90}, {90, 10}}));
    EXPECT_EQ(lines[0].y, 120);
    EXPECT_EQ(lines[1].y, 100);

    // Exactly one full line leaves an empty rest line below it.
    const auto full = labelLines(std::string(90, 'a'), 1.0f, 90, 120);
    ASSERT_EQ(full.size(), 1u);
    EXPECT_EQ(full[0].length, 90u);
}

TEST(LabelLines, KeepsAStraddlingDoubleByteCharacterWhole)
{
    std::string text(89, 'a');
    text += "\xB0\xA1";          // bytes 89 and 90
    text += std::string(20, 'b');
    const auto lines = labelLines(text, 1.0f, 90, 120);
    EXPECT_EQ(spans(lines), (std::vector<std::pair<std::size_t, std::size_t>>{{0, 91}, {91, 20}}));

    // 45 double-byte characters fill a line exactly; the 46th starts the next.
    std::string wide;
    for (int i = 0; i < 50; ++i) wide += "\xB0\xA1";
    EXPECT_EQ(spans(labelLines(wide, 1.0f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 90}, {90, 10}}));
}

TEST(LabelLines, RevealsTheTextProgressively)
{
    const std::string twenty(20, 'x');
    EXPECT_EQ(spans(labelLines(twenty, 0.5f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 10}}));
    EXPECT_EQ(spans(labelLines(twenty, 0.0f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 0}}));
    // A reveal of 150 of 200 bytes: one full line and 60 bytes.
    EXPECT_EQ(spans(labelLines(std::string(200, 'x'), 0.75f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 90}, {90, 60}}));
    // Out-of-range progress is held to the text.
    EXPECT_EQ(spans(labelLines(twenty, 3.0f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 20}}));
    EXPECT_EQ(spans(labelLines(twenty, -1.0f, 90, 120)),
              (std::vector<std::pair<std::size_t, std::size_t>>{{0, 0}}));
}

TEST(LabelLines, ARevealInsideACharacterEndsOnItsLeadByte)
{
    const std::string text = "ab\xB0\xA1";  // 4 bytes; 3 of them revealed
    const auto lines = labelLines(text, 0.75f, 90, 120);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].length, 3u);
    // ...and the walk of that line draws the two letters only.
    GlyphFile noFile("/nonexistent/1.bin");
    RecordingPainter painter;
    drawTextWith(painter, noFile, std::string_view(text).substr(0, 3), 0, 0, 1, 0, 0, 0, 1, nullptr);
    EXPECT_EQ(painter.calls, (std::vector<std::string>{"a", "b", "end"}));
}

} // namespace

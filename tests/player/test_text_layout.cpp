// The byte logic of the player's text: the glyph file's layout, the walk of
// drawText over mixed single- and double-byte text, and the label's lines.
#include "player/bitmap_text.h"
#include "media/text/glyph_record.h"
#include "player/story_sprite.h"
#include "tests/player/temp_dir.h"
#include "tools/glyphs/glyph_builder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using Calls = std::vector<std::string>;

// Records the walk: letters as themselves, "G<first byte of the bottom
// row>" for glyphs, "-" for empty cells.
struct Recorder : TextPainter {
    Calls calls;
    void begin(int, int, float, float, float, float) override {}
    void character(void*, unsigned char c) override { calls.emplace_back(1, static_cast<char>(c)); }
    void glyph(const unsigned char* rows) override { calls.push_back(rows ? "G" + std::to_string(rows[0]) : "-"); }
    void end() override {}
};

Calls walk(GlyphFile& glyphs, std::string_view text)
{
    Recorder r;
    drawTextWith(r, glyphs, text, 0, 0, 1, 0, 0, 0, 1, nullptr);
    return r.calls;
}

// Record k's bottom row starts with byte k; its top row with 0xEE.
void writeNumberedGlyphs(const std::string& file, int records)
{
    std::ofstream out(file, std::ios::binary);
    for (int k = 0; k < records; ++k) {
        std::string record(32, static_cast<char>(k));
        record[0] = static_cast<char>(0xEE);
        out << record;
    }
}

TEST(GlyphFile, BuiltFromUnifontAtTheOffsetsThePlayerReads)
{
    // B0A1 and B0A2 at 0 and 32 are what the GL test's glyph file relies on.
    EXPECT_EQ(glyph::recordOffset(0xB1, 0xA1), 3008);
    EXPECT_EQ(glyph::recordOffset(0xAF, 0xFE) + 32, glyph::kFullFileSize); // symbols wrap to the end

    std::ifstream built(QS_GLYPH_FILE, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(built)), std::istreambuf_iterator<char>());
    ASSERT_EQ(static_cast<long>(bytes.size()), glyph::kFullFileSize) << QS_GLYPH_FILE;
    std::ifstream hex(QS_UNIFONT_HEX);
    glyphs::GlyphMap font;
    int skipped = 0;
    ASSERT_TRUE(glyphs::readUnifontHex(hex, font, skipped));
    // First and last hanzi, ideographic full stop, full-width digit one.
    const struct {
        unsigned char c1, c2;
        char32_t code;
    } samples[] = {{0xB0, 0xA1, 0x554A}, {0xF7, 0xFE, 0x9F44}, {0xA1, 0xA3, 0x3002}, {0xA3, 0xB1, 0xFF11}};
    for (const auto& s : samples) {
        const auto& g = font.at(s.code);
        EXPECT_EQ(bytes.substr(glyph::recordOffset(s.c1, s.c2), 32), std::string(g.begin(), g.end()))
            << std::hex << static_cast<unsigned>(s.code);
    }
}

TEST(DrawText, WalksMixedTextStopsAtItsEndAndRetriesAMissingGlyphFile)
{
    const TempDir dir;
    const std::string saved = dataFolder;
    dataFolder = dir.path().string() + "\\"; // the backslash form start-up uses
    GlyphFile glyphs;
    // Missing: reported for each double-byte character, which leaves an empty cell.
    testing::internal::CaptureStdout();
    EXPECT_EQ(walk(glyphs, "ok"), (Calls{"o", "k"}));
    EXPECT_EQ(walk(glyphs, "\xB0\xA1z\xB0\xA2"), (Calls{"-", "z", "-"}));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "File not exist!\nFile not exist!\n");

    writeNumberedGlyphs(dir.file("1.bin"), 2); // holds B0A1 and B0A2 only
    // Rows are handed over bottom row first.
    EXPECT_EQ(walk(glyphs, "ab\xB0\xA2"
                           "c\xB0\xA1"),
              (Calls{"a", "b", "G1", "c", "G0"}));
    EXPECT_EQ(walk(glyphs, std::string_view("a\0b", 3)), (Calls{"a"}));
    // A lead byte whose trail byte lies past the view is not drawn, and
    // nothing beyond the view is read.
    const std::string text = "x\xB0\xA1";
    EXPECT_EQ(walk(glyphs, std::string_view(text).substr(0, 2)), (Calls{"x"}));
    // No trail byte, a record past the file's end: empty cells that advance.
    EXPECT_EQ(walk(glyphs, "\xB0\x41\xB1\xA1\xB0\xA2"), (Calls{"-", "-", "G1"}));
    // GB18030 leads below 0xA1, as the editor stores them, are double-byte too.
    EXPECT_EQ(walk(glyphs, "\x81\x40z\xA0\xA1"), (Calls{"-", "z", "-"}));
    dataFolder = saved;
}

using Spans = std::vector<std::pair<std::size_t, std::size_t>>;
Spans lines(std::string_view text, float progress)
{
    Spans out;
    int y = 120;
    for (const LabelLine& l : labelLines(text, progress, 90, 120)) {
        EXPECT_EQ(l.y, y);
        y -= 20;
        out.emplace_back(l.start, l.length);
    }
    return out;
}

TEST(LabelLines, WrapAtNinetyBytesKeepStraddlersWholeAndRevealProgressively)
{
    // Wrapping and reveal of double-byte text are read back in the GL test.
    EXPECT_EQ(lines(std::string(90, 'a'), 1.0f), (Spans{{0, 90}}));
    std::string straddle = std::string(89, 'a') + "\xB0\xA1" + std::string(20, 'b');
    EXPECT_EQ(lines(straddle, 1.0f), (Spans{{0, 91}, {91, 20}}));
    EXPECT_EQ(lines(std::string(89, 'a') + "\x81\x40" + std::string(20, 'b'), 1.0f), (Spans{{0, 91}, {91, 20}}));
    EXPECT_EQ(lines(std::string(200, 'x'), 0.75f), (Spans{{0, 90}, {90, 60}}));
    EXPECT_EQ(lines(std::string(20, 'x'), 3.0f), (Spans{{0, 20}}));
    EXPECT_EQ(lines(std::string(20, 'x'), -1.0f), (Spans{{0, 0}}));
}

} // namespace

// Any bytes as a label's sentence, at any reveal: the lines cover the revealed
// bytes in order without leaving the text, and drawText's walk over each line
// stays inside it and reads glyphs only from whole records of the file.
#include "fuzz/fuzz_file.h"

#include "player/bitmap_text.h"
#include "media/text/glyph_record.h"
#include "player/story_sprite.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

class CountingPainter final : public TextPainter {
public:
    void begin(int, int, float, float, float, float) override { bytes = 0; }
    void character(void*, unsigned char c) override
    {
        if (c == 0 || c >= 0x80) fuzzFailure("drawText drew a lead byte or a zero as a single-byte character");
        ++bytes;
    }
    void glyph(const unsigned char* rows) override
    {
        if (rows != nullptr) {
            unsigned char copy[glyph::kRecordSize];
            std::memcpy(copy, rows, sizeof copy); // the whole record must be readable
            fuzzSink = copy[0] + copy[31];
        }
        bytes += 2;
    }
    void end() override {}

    std::size_t bytes = 0;
};

// A glyph file of three rows: some characters have records, most do not.
std::string glyphFile(const FuzzFolder& folder)
{
    std::vector<std::uint8_t> records(3 * glyph::kRecordsPerRow * glyph::kRecordSize);
    for (std::size_t i = 0; i < records.size(); ++i) records[i] = static_cast<std::uint8_t>(i * 7);
    return folder.write("1.bin", records.data(), records.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    static GlyphFile glyphs(glyphFile(folder));
    if (size < 2) return 0;
    // The player reveals 0 to 1 of the text in steps; the first two bytes
    // pick the fraction, the rest is the text.
    const float progress = static_cast<float>(data[0] | (data[1] << 8)) / 65535.0f;
    const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);
    const int lineWidth = 90;

    const std::vector<LabelLine> lines = labelLines(text, progress, lineWidth, 120);
    if (lines.empty()) fuzzFailure("no lines, not even the empty rest");
    const std::size_t revealed = static_cast<std::size_t>(static_cast<float>(text.size()) * progress);
    std::size_t next = 0;
    int y = 120;
    for (const LabelLine& line : lines) {
        if (line.start != next || line.y != y) fuzzFailure("lines do not follow each other 20 pixels apart");
        if (line.start + line.length > text.size()) fuzzFailure("a line runs past the end of the text");
        if (&line != &lines.back() && line.length != 90 && line.length != 91)
            fuzzFailure("a full line is neither 90 nor 91 bytes");
        next = line.start + line.length;
        y -= 20;

        CountingPainter painter;
        drawTextWith(painter, glyphs, text.substr(line.start, line.length), 40, line.y, 1.0f, 0, 0, 0, 1.0f, nullptr);
        if (painter.bytes > line.length) fuzzFailure("drawText walked past the end of its line");
    }
    if (next > revealed + 1 || next + 1 < revealed) fuzzFailure("the lines do not cover the revealed part of the text");
    return 0;
}

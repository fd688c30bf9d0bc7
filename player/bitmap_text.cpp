#include "player/bitmap_text.h"

#include "media/text/glyph_record.h"
#include "document/story_folder.h"
#include "media/story_file.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstring>
#include <utility>

std::string dataFolder;

bool GlyphFile::read(unsigned char c1, unsigned char c2, unsigned char* record)
{
    if (!loaded_) {
        const std::string path = fixedPath_ ? path_ : dataFolder + "1.bin";
        // Every frame draws every visible glyph again; reading the file once
        // (it is under 1 MiB: all records any lead byte can reach) turns each
        // of them into a copy instead of a seek and a read. Only a regular
        // file is read, so a FIFO in its place cannot stop the player.
        auto bytes = readStoryFilePrefix(toFsPath(path), static_cast<std::size_t>(glyph::kFullFileSize));
        if (!bytes) {
            std::fputs("File not exist!\n", stdout);
            return false;
        }
        data_ = std::move(*bytes);
        loaded_ = true;
    }
    if (!glyph::isTrailByte(c2)) return false;
    const auto offset = static_cast<std::size_t>(glyph::recordOffset(c1, c2));
    if (offset + glyph::kRecordSize > data_.size()) return false;
    std::memcpy(record, data_.data() + offset, glyph::kRecordSize);
    return true;
}

void drawTextWith(TextPainter& painter, GlyphFile& glyphs, std::string_view text, int x, int y,
                  float alphaMultiplier, int red, int green, int blue, float alpha, void* font)
{
    painter.begin(x, y, red / 255.0f, green / 255.0f, blue / 255.0f, alpha * alphaMultiplier);
    std::size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        const auto c1 = static_cast<unsigned char>(text[i]);
        if (!glyph::isLeadByte(c1)) {
            painter.character(font, c1);
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || text[i + 1] == '\0') break; // half a character
        const auto c2 = static_cast<unsigned char>(text[i + 1]);
        unsigned char record[glyph::kRecordSize];
        if (glyphs.read(c1, c2, record)) {
            // The file stores the top row first; bitmaps are given bottom first.
            unsigned char flipped[glyph::kRecordSize];
            for (int row = 0; row < glyph::kGlyphSize; ++row) {
                flipped[2 * row] = record[2 * (15 - row)];
                flipped[2 * row + 1] = record[2 * (15 - row) + 1];
            }
            painter.glyph(flipped);
        } else {
            painter.glyph(nullptr);
        }
        i += 2;
    }
    painter.end();
}

namespace {

class GlPainter final : public TextPainter {
public:
    void begin(int x, int y, float red, float green, float blue, float alpha) override
    {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glDisable(GL_TEXTURE_2D);
        glColor4f(red, green, blue, alpha);
        glRasterPos2i(x, y);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    void character(void* font, unsigned char c) override
    {
        flushGlyphs();
        glutBitmapCharacter(font, c);
    }
    void glyph(const unsigned char* rows) override
    {
        // Consecutive glyphs go out as one bitmap: each bitmap call costs more
        // than the 32 bytes it draws, and a line of hanzi is 45 of them.
        unsigned char* cell = &pending_[pendingCells_++ * glyph::kRecordSize];
        if (rows)
            std::memcpy(cell, rows, glyph::kRecordSize);
        else
            std::memset(cell, 0, glyph::kRecordSize);
        if (pendingCells_ == kMaxCells) flushGlyphs();
    }
    void end() override
    {
        flushGlyphs();
        glEnable(GL_TEXTURE_2D);
        glPopAttrib();
    }

private:
    static constexpr int kMaxCells = 64;

    void flushGlyphs()
    {
        if (pendingCells_ == 0) return;
        // Row r of the run is row r of every cell, left to right.
        const int rowBytes = 2 * pendingCells_;
        for (int row = 0; row < glyph::kGlyphSize; ++row)
            for (int cell = 0; cell < pendingCells_; ++cell) {
                run_[row * rowBytes + 2 * cell] = pending_[cell * glyph::kRecordSize + 2 * row];
                run_[row * rowBytes + 2 * cell + 1] = pending_[cell * glyph::kRecordSize + 2 * row + 1];
            }
        const auto width = static_cast<GLsizei>(16 * pendingCells_);
        glBitmap(width, 16, 0.0f, 4.0f, static_cast<float>(width), 0.0f, run_);
        pendingCells_ = 0;
    }

    unsigned char pending_[kMaxCells * glyph::kRecordSize];
    unsigned char run_[kMaxCells * glyph::kRecordSize];
    int pendingCells_ = 0;
};

GlyphFile& processGlyphFile()
{
    static GlyphFile file;
    return file;
}

} // namespace

void drawText(std::string_view text, int x, int y, float alphaMultiplier, int red, int green,
              int blue, float alpha, void* font)
{
    GlPainter painter;
    drawTextWith(painter, processGlyphFile(), text, x, y, alphaMultiplier, red, green, blue, alpha,
                 font);
}

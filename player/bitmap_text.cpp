#include "player/bitmap_text.h"

#include "player/glyph_record.h"
#include "document/story_folder.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstring>

std::string dataFolder;

GlyphFile::~GlyphFile()
{
    if (file_) std::fclose(file_);
}

bool GlyphFile::read(unsigned char c1, unsigned char c2, unsigned char* record)
{
    if (!file_) {
        const std::string path = fixedPath_ ? path_ : dataFolder + "1.bin";
        file_ = std::fopen(toFsPath(path).c_str(), "rb");
        if (!file_) {
            std::fputs("File not exist!\n", stdout);
            return false;
        }
        // Records are read one at a time at scattered offsets; a small buffer
        // keeps each seek from refilling 4 KiB.
        std::setvbuf(file_, nullptr, _IOFBF, glyph::kRecordSize);
    }
    if (!glyph::isTrailByte(c2)) return false;
    unsigned char buffer[glyph::kRecordSize];
    if (std::fseek(file_, glyph::recordOffset(c1, c2), SEEK_SET) != 0) return false;
    if (std::fread(buffer, 1, sizeof buffer, file_) != sizeof buffer) {
        std::clearerr(file_);
        return false;
    }
    std::memcpy(record, buffer, sizeof buffer);
    return true;
}

void drawTextWith(TextPainter& painter, GlyphFile& glyphs, std::string_view text, int x, int y,
                  float alphaMultiplier, int red, int green, int blue, float alpha, void* font)
{
    painter.begin(x, y, red / 255.0f, green / 255.0f, blue / 255.0f, alpha * alphaMultiplier);
    std::size_t i = 0;
    while (i < text.size() && text[i] != '\0') {
        const auto c1 = static_cast<unsigned char>(text[i]);
        if (c1 < 0x80) {
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
    void character(void* font, unsigned char c) override { glutBitmapCharacter(font, c); }
    void glyph(const unsigned char* rows) override
    {
        if (rows)
            glBitmap(16, 16, 0.0f, 4.0f, 16.0f, 0.0f, rows);
        else
            glBitmap(0, 0, 0.0f, 0.0f, 16.0f, 0.0f, nullptr);
    }
    void end() override
    {
        glEnable(GL_TEXTURE_2D);
        glPopAttrib();
    }
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

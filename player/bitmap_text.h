#pragma once
// Text in the player's two fonts: bytes below 0x80 in a GLUT bitmap font,
// GB 2312 (EUC-CN) two-byte characters as 16 x 16 dots from the glyph file
// raw/1.bin (layout in media/text/glyph_record.h). Both share one raster position
// and one baseline; a glyph covers y - 4 to y + 11 and advances 16 pixels.

#include <string>
#include <string_view>
#include <vector>

// The player's data folder, "raw\" once start-up has run; the glyph file is
// dataFolder + "1.bin".
extern std::string dataFolder;

// The glyph file, read on its first use and then kept in memory for good. A
// failed open prints "File not exist!\n" and is tried again on the next use.
class GlyphFile {
public:
    GlyphFile() = default; // path: dataFolder + "1.bin"
    explicit GlyphFile(std::string path) : path_(std::move(path)), fixedPath_(true) {}
    GlyphFile(const GlyphFile&) = delete;
    GlyphFile& operator=(const GlyphFile&) = delete;

    // Copies the 32-byte record of (c1, c2), rows top first, into `record`.
    // False (record untouched) when the file cannot be opened, c2 is no
    // trail byte, or the record does not lie wholly in the file.
    bool read(unsigned char c1, unsigned char c2, unsigned char* record);
    bool isOpen() const { return loaded_; }

private:
    std::string path_;
    bool fixedPath_ = false;
    bool loaded_ = false;
    std::vector<unsigned char> data_; // the file's bytes, at most all reachable records
};

// Receives what drawText puts on screen; the GL painter draws it, a test
// painter records it.
class TextPainter {
public:
    virtual ~TextPainter() = default;
    virtual void begin(int x, int y, float red, float green, float blue, float alpha) = 0;
    // A single-byte character in `font`; advances by the font's own width.
    virtual void character(void* font, unsigned char c) = 0;
    // A 16 x 16 glyph, rows bottom first (2 bytes a row), or nullptr for an
    // empty cell; either way the raster position advances 16 pixels.
    virtual void glyph(const unsigned char* bottomFirstRows) = 0;
    virtual void end() = 0;
};

// The byte walk of drawText onto any painter. The text ends at its first zero
// byte or at the end of the view; a lead byte without its trail byte (a
// reveal that stops inside a character) draws nothing and ends the text.
void drawTextWith(TextPainter& painter, GlyphFile& glyphs, std::string_view text, int x, int y, float alphaMultiplier,
                  int red, int green, int blue, float alpha, void* font);

// Draws onto the current GL context with the process's glyph file. Saves and
// restores all attribute groups; the unpack alignment stays 1 afterwards.
void drawText(std::string_view text, int x, int y, float alphaMultiplier, int red, int green, int blue, float alpha,
              void* font);

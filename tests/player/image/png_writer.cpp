#include "tests/player/image/png_writer.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

int channelsOf(int colourType)
{
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return 1;
    case PNG_COLOR_TYPE_GRAY_ALPHA: return 2;
    case PNG_COLOR_TYPE_RGB: return 3;
    case PNG_COLOR_TYPE_RGBA: return 4;
    default: return 1; // palette index
    }
}

// No C++ object with a destructor lives here, so libpng may longjmp back.
bool writeRows(png_structp png, png_infop info, std::FILE* file, const PngFixture* f, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, f->width, f->height, f->bitDepth, f->colourType,
                 f->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (f->colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color entries[256];
        const int count = static_cast<int>(f->palette.size() / 3);
        for (int i = 0; i < count; ++i)
            entries[i] = {f->palette[3 * i], f->palette[3 * i + 1], f->palette[3 * i + 2]};
        png_set_PLTE(png, info, entries, count);
        if (!f->paletteAlpha.empty())
            png_set_tRNS(png, info, f->paletteAlpha.data(), static_cast<int>(f->paletteAlpha.size()), nullptr);
    } else if (f->hasTransparentColour) {
        png_color_16 colour{};
        colour.gray = f->transparent[0];
        colour.red = f->transparent[0];
        colour.green = f->transparent[1];
        colour.blue = f->transparent[2];
        png_set_tRNS(png, info, nullptr, 0, &colour);
    }
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    return true;
}

} // namespace

PngFixture makePngFixture(int colourType, int bitDepth, bool interlaced, bool withTrns)
{
    PngFixture f;
    f.width = 37; // odd, so packed rows end mid-byte and every interlace pass is uneven
    f.height = 23;
    f.colourType = colourType;
    f.bitDepth = bitDepth;
    f.interlaced = interlaced;
    const int bitsPerPixel = channelsOf(colourType) * bitDepth;
    const std::size_t rowBytes = (static_cast<std::size_t>(f.width) * bitsPerPixel + 7) / 8;
    const int paletteSize = colourType == PNG_COLOR_TYPE_PALETTE ? (1 << bitDepth) : 0;

    unsigned state = 12345u + static_cast<unsigned>(colourType * 64 + bitDepth);
    auto random = [&state] { state = state * 1103515245u + 12345u; return (state >> 16) & 0xffu; };
    f.rows.resize(rowBytes * f.height);
    for (unsigned char& b : f.rows) b = static_cast<unsigned char>(random());
    if (paletteSize > 0 && bitDepth == 8) {
        // Keep indexes inside a palette smaller than 256 entries.
        for (unsigned char& b : f.rows) b = static_cast<unsigned char>(b % 200);
    }
    const int entries = paletteSize == 256 ? 200 : paletteSize;
    for (int i = 0; i < entries * 3; ++i) f.palette.push_back(static_cast<unsigned char>(random()));
    if (withTrns && paletteSize > 0) {
        for (int i = 0; i < entries / 2; ++i) f.paletteAlpha.push_back(static_cast<unsigned char>(random()));
    } else if (withTrns) {
        // Make the first pixel's colour the transparent one so it occurs in the image.
        f.hasTransparentColour = true;
        const int sampleBytes = bitDepth == 16 ? 2 : 1;
        for (int c = 0; c < channelsOf(colourType) && c < 3; ++c) {
            if (bitDepth < 8) {
                f.transparent[c] = static_cast<unsigned short>(f.rows[0] >> (8 - bitDepth));
            } else if (sampleBytes == 2) {
                f.transparent[c] = static_cast<unsigned short>((f.rows[2 * c] << 8) | f.rows[2 * c + 1]);
            } else {
                f.transparent[c] = f.rows[c];
            }
        }
    }
    return f;
}

bool writePngFile(const std::string& path, const PngFixture& fixture)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const std::size_t rowBytes = fixture.rows.size() / fixture.height;
    std::vector<png_bytep> rows(fixture.height);
    for (int i = 0; i < fixture.height; ++i)
        rows[i] = const_cast<png_bytep>(fixture.rows.data() + rowBytes * i);
    const bool ok = info != nullptr && writeRows(png, info, file, &fixture, rows.data());
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

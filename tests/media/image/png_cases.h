#pragma once
// PNGs of every colour type and depth, written with libpng: samples from a
// fixed seed, so two tests reading the same case see the same pixels.

#include "tests/player/temp_dir.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

namespace png_cases {

inline constexpr int kWidth = 37, kHeight = 23; // odd: packed rows end mid-byte, interlace passes are uneven

struct PngCase {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool trns;
};

// What libpng is handed, made before the setjmp frame so that none of it is skipped by a longjmp.
struct PngParts {
    std::vector<png_bytep> rows;
    std::vector<png_color> palette;
    std::vector<png_byte> paletteAlpha;
    bool hasTransparentColour = false;
    png_color_16 transparent{};
};

inline bool writeParts(png_structp png, png_infop info, std::FILE* file, const PngCase* c, PngParts* p)
{
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, kWidth, kHeight, c->bitDepth, c->colourType,
                 c->interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!p->palette.empty()) png_set_PLTE(png, info, p->palette.data(), static_cast<int>(p->palette.size()));
    if (!p->paletteAlpha.empty())
        png_set_tRNS(png, info, p->paletteAlpha.data(), static_cast<int>(p->paletteAlpha.size()), nullptr);
    if (p->hasTransparentColour) png_set_tRNS(png, info, nullptr, 0, &p->transparent);
    png_write_info(png, info);
    png_write_image(png, p->rows.data());
    png_write_end(png, nullptr);
    return true;
}

// Samples from a fixed seed, every byte of the image data used. With tRNS a
// palette gets alpha for half its entries, other types the first pixel's colour.
inline bool writePng(const std::string& path, const PngCase& c)
{
    const int channels = c.colourType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                         : c.colourType == PNG_COLOR_TYPE_RGB      ? 3
                         : c.colourType == PNG_COLOR_TYPE_RGBA     ? 4
                                                                   : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(kWidth) * channels * c.bitDepth + 7) / 8;
    unsigned state = 12345u + static_cast<unsigned>(c.colourType * 64 + c.bitDepth);
    auto random = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<png_byte>(state >> 16);
    };
    std::vector<png_byte> data(rowBytes * kHeight);
    for (png_byte& b : data) b = random();
    PngParts p;
    if (c.colourType == PNG_COLOR_TYPE_PALETTE) {
        const int entries = c.bitDepth == 8 ? 200 : 1 << c.bitDepth;
        if (c.bitDepth == 8)
            for (png_byte& b : data) b %= 200; // indexes inside the palette
        for (int i = 0; i < entries; ++i) p.palette.push_back({random(), random(), random()});
        for (int i = 0; c.trns && i < entries / 2; ++i) p.paletteAlpha.push_back(random());
    } else if (c.trns) {
        auto sample = [&](int k) -> png_uint_16 {
            return c.bitDepth < 8     ? data[0] >> (8 - c.bitDepth)
                   : c.bitDepth == 16 ? (data[2 * k] << 8) | data[2 * k + 1]
                                      : data[k];
        };
        p.hasTransparentColour = true;
        p.transparent = {0, sample(0), sample(1), sample(2), sample(0)}; // index, red, green, blue, grey
    }
    for (int y = 0; y < kHeight; ++y) p.rows.push_back(data.data() + rowBytes * y);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = info != nullptr && writeParts(png, info, file, &c, &p);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return ok;
}

// Every colour type at every depth, some interlaced, some with tRNS.
inline constexpr PngCase kAllCases[] = {{"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
                                        {"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
                                        {"palette4", PNG_COLOR_TYPE_PALETTE, 4, false, true},
                                        {"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
                                        {"palette8trns", PNG_COLOR_TYPE_PALETTE, 8, true, true},
                                        {"grey1", PNG_COLOR_TYPE_GRAY, 1, false, false},
                                        {"grey2", PNG_COLOR_TYPE_GRAY, 2, true, false},
                                        {"grey4", PNG_COLOR_TYPE_GRAY, 4, false, false},
                                        {"grey4trns", PNG_COLOR_TYPE_GRAY, 4, false, true},
                                        {"grey8", PNG_COLOR_TYPE_GRAY, 8, false, false},
                                        {"grey8trns", PNG_COLOR_TYPE_GRAY, 8, false, true},
                                        {"grey16", PNG_COLOR_TYPE_GRAY, 16, false, false},
                                        {"grey16trns", PNG_COLOR_TYPE_GRAY, 16, true, true},
                                        {"greyalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
                                        {"greyalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
                                        {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
                                        {"rgb8interlaced", PNG_COLOR_TYPE_RGB, 8, true, false},
                                        {"rgb8trns", PNG_COLOR_TYPE_RGB, 8, false, true},
                                        {"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
                                        {"rgb16trns", PNG_COLOR_TYPE_RGB, 16, false, true},
                                        {"rgba8", PNG_COLOR_TYPE_RGBA, 8, false, false},
                                        {"rgba8interlaced", PNG_COLOR_TYPE_RGBA, 8, true, false},
                                        {"rgba16", PNG_COLOR_TYPE_RGBA, 16, false, false},
                                        {"rgba16interlaced", PNG_COLOR_TYPE_RGBA, 16, true, false}};

} // namespace png_cases

// loadPngImage against ImageMagick on PNGs of every colour type and depth
// written here with libpng (which also pins row order, channel order and
// alpha), and damaged files.

#include "media/image/image_loader.h"
#include "tests/player/temp_dir.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kWidth = 37, kHeight = 23; // odd: packed rows end mid-byte, interlace passes are uneven

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

bool writeParts(png_structp png, png_infop info, std::FILE* file, const PngCase* c, PngParts* p)
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
bool writePng(const std::string& path, const PngCase& c)
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

TEST(PngLoader, UnreadableFilesGiveAnEmptyFourChannelPicture)
{
    TempDir dir;
    const std::string good = dir.file("good.png");
    ASSERT_TRUE(writePng(good, {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false}));
    const std::vector<unsigned char> bytes = readBytes(good);

    std::vector<std::string> broken = {dir.file("missing.png"), dir.write("empty.png", {})};
    for (std::size_t length : {8ul, bytes.size() / 2, bytes.size() - 1})
        broken.push_back(dir.write("cut" + std::to_string(length) + ".png", {bytes.begin(), bytes.begin() + length}));
    std::vector<unsigned char> damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x5a; // inside the image data: its checksum no longer holds
    broken.push_back(dir.write("damaged.png", damaged));
    broken.push_back(dir.write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}));

    // A valid header announcing 100000 x 100000 pixels and no image data.
    std::vector<unsigned char> huge = {0x89, 'P', 'N', 'G',  0x0d, 0x0a, 0x1a, 0x0a, 0,    0, 0, 13, 'I', 'H', 'D',
                                       'R',  0,   1,   0x86, 0xa0, 0,    1,    0x86, 0xa0, 8, 6, 0,  0,   0};
    const unsigned long crc = crc32(0, huge.data() + 12, 17); // over the chunk type and data
    for (int shift = 24; shift >= 0; shift -= 8) huge.push_back(static_cast<unsigned char>(crc >> shift));
    broken.push_back(dir.write("huge.png", huge));

    for (const std::string& path : broken) {
        const cv::Mat m = loadPngImage(path);
        EXPECT_EQ(m.size(), cv::Size(0, 0)) << path;
        EXPECT_EQ(m.type(), CV_8UC4) << path;
    }
}

// ImageMagick decodes the same file to top-row-first RGBA bytes: ours must be
// the same rows bottom first, red, green, blue, alpha, with 1 step allowed for
// 16-bit samples only.
TEST(PngLoader, EveryColourTypeAndDepthAgreesWithImageMagick)
{
    const PngCase cases[] = {{"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
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
    TempDir dir;
    for (const PngCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".png"), raw = dir.file("reference.rgba");
        ASSERT_TRUE(writePng(path, c));
        const std::string command =
            std::string("'") + QS_IMAGEMAGICK_CONVERT + "' 'PNG:" + path + "' -depth 8 'RGBA:" + raw + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const std::vector<unsigned char> reference = readBytes(raw);
        ASSERT_EQ(reference.size(), std::size_t{kWidth} * kHeight * 4);

        const cv::Mat m = loadPngImage(path);
        ASSERT_EQ(m.type(), CV_8UC4);
        ASSERT_EQ(m.size(), cv::Size(kWidth, kHeight));
        const cv::Mat theirs(kHeight, kWidth, CV_8UC4, const_cast<unsigned char*>(reference.data()));
        cv::Mat bottomFirst;
        cv::flip(theirs, bottomFirst, 0);
        EXPECT_LE(cv::norm(m, bottomFirst, cv::NORM_INF), c.bitDepth == 16 ? 1 : 0);
    }
}

} // namespace

// loadPngImage: orientation, channel order, alpha, every colour type and depth
// checked against ImageMagick, and damaged files.

#include "player/image/image_loader.h"
#include "tests/player/image/png_writer.h"
#include "tests/player/image/temp_dir.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>

namespace {

// A 5 x 4 RGBA picture whose four corners are red, green, blue and
// half-transparent white; everything else is opaque grey.
PngFixture cornerFixture()
{
    PngFixture f;
    f.width = 5;
    f.height = 4;
    f.colourType = PNG_COLOR_TYPE_RGBA;
    f.rows.assign(5 * 4 * 4, 0);
    for (int i = 0; i < 20; ++i) {
        f.rows[4 * i] = f.rows[4 * i + 1] = f.rows[4 * i + 2] = 128;
        f.rows[4 * i + 3] = 255;
    }
    auto set = [&f](int x, int y, unsigned char r, unsigned char g, unsigned char b, unsigned char a) {
        unsigned char* p = &f.rows[(y * 5 + x) * 4];
        p[0] = r; p[1] = g; p[2] = b; p[3] = a;
    };
    set(0, 0, 255, 0, 0, 255);     // top left
    set(4, 0, 0, 255, 0, 255);     // top right
    set(0, 3, 0, 0, 255, 255);     // bottom left
    set(4, 3, 255, 255, 255, 100); // bottom right
    return f;
}

cv::Vec4b px(const cv::Mat& m, int row, int col) { return m.at<cv::Vec4b>(row, col); }

TEST(PngLoader, BottomRowFirstInRgbaOrderWithAlphaKept)
{
    TempDir dir;
    const std::string path = dir.file("corners.png");
    ASSERT_TRUE(writePngFile(path, cornerFixture()));

    const cv::Mat m = loadPngImage(path);
    ASSERT_EQ(m.type(), CV_8UC4);
    ASSERT_EQ(m.cols, 5);
    ASSERT_EQ(m.rows, 4);
    EXPECT_EQ(px(m, 3, 0), cv::Vec4b(255, 0, 0, 255));     // top left is the last row
    EXPECT_EQ(px(m, 3, 4), cv::Vec4b(0, 255, 0, 255));
    EXPECT_EQ(px(m, 0, 0), cv::Vec4b(0, 0, 255, 255));     // bottom left is row 0
    EXPECT_EQ(px(m, 0, 4), cv::Vec4b(255, 255, 255, 100));
    EXPECT_EQ(px(m, 1, 2), cv::Vec4b(128, 128, 128, 255));
}

TEST(PngLoader, UnreadableFilesGiveAnEmptyFourChannelPicture)
{
    TempDir dir;
    const std::string good = dir.file("good.png");
    ASSERT_TRUE(writePngFile(good, makePngFixture(PNG_COLOR_TYPE_RGB, 8, false, false)));
    const std::vector<unsigned char> bytes = readBytes(good);
    ASSERT_GT(bytes.size(), 100u);

    std::vector<std::string> broken = {dir.file("missing.png"), dir.write("empty.png", {})};
    for (std::size_t length : {8ul, 30ul, bytes.size() / 2, bytes.size() - 13, bytes.size() - 1})
        broken.push_back(dir.write("cut" + std::to_string(length) + ".png", {bytes.begin(), bytes.begin() + length}));
    std::vector<unsigned char> damaged = bytes;
    damaged[damaged.size() / 2] ^= 0x5a; // inside the image data: its checksum no longer holds
    broken.push_back(dir.write("damaged.png", damaged));
    broken.push_back(dir.write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}));

    // A valid header announcing 100000 x 100000 pixels and no image data.
    std::vector<unsigned char> huge = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a, 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                                       0, 1, 0x86, 0xa0, 0, 1, 0x86, 0xa0, 8, 6, 0, 0, 0};
    const unsigned long crc = crc32(0, huge.data() + 12, 17); // over the chunk type and data
    for (int shift = 24; shift >= 0; shift -= 8) huge.push_back(static_cast<unsigned char>(crc >> shift));
    broken.push_back(dir.write("huge.png", huge));

    for (const std::string& path : broken) {
        const cv::Mat m = loadPngImage(path);
        EXPECT_EQ(m.rows, 0) << path;
        EXPECT_EQ(m.cols, 0) << path;
        EXPECT_EQ(m.type(), CV_8UC4) << path;
    }
    EXPECT_EQ(loadPngImage(good).rows, 23);
}

struct PngCase {
    const char* name;
    int colourType;
    int bitDepth;
    bool interlaced;
    bool trns;
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class PngAgainstImageMagick : public testing::TestWithParam<PngCase> {};

// ImageMagick decodes the same file to top-row-first RGBA bytes.
std::vector<unsigned char> decodeWithImageMagick(const TempDir& dir, const std::string& png)
{
    const std::string raw = dir.file("reference.rgba");
    const std::string command = std::string("'") + QS_IMAGEMAGICK_CONVERT + "' 'PNG:" + png + "' -depth 8 'RGBA:" + raw + "'";
    if (std::system(command.c_str()) != 0) return {};
    return readBytes(raw);
}

TEST_P(PngAgainstImageMagick, PixelsAgree)
{
    const PngCase c = GetParam();
    TempDir dir;
    const std::string path = dir.file(std::string(c.name) + ".png");
    const PngFixture fixture = makePngFixture(c.colourType, c.bitDepth, c.interlaced, c.trns);
    ASSERT_TRUE(writePngFile(path, fixture));

    const std::vector<unsigned char> reference = decodeWithImageMagick(dir, path);
    ASSERT_EQ(reference.size(), static_cast<std::size_t>(fixture.width) * fixture.height * 4)
        << "ImageMagick could not decode " << path;

    const cv::Mat m = loadPngImage(path);
    ASSERT_EQ(m.type(), CV_8UC4);
    ASSERT_EQ(m.cols, fixture.width);
    ASSERT_EQ(m.rows, fixture.height);
    const int tolerance = c.bitDepth == 16 ? 1 : 0;
    int mismatches = 0;
    for (int y = 0; y < m.rows && mismatches < 5; ++y) {
        const unsigned char* ours = m.ptr(m.rows - 1 - y);
        const unsigned char* theirs = &reference[static_cast<std::size_t>(y) * m.cols * 4];
        for (int i = 0; i < m.cols * 4; ++i) {
            if (std::abs(ours[i] - theirs[i]) > tolerance) {
                ADD_FAILURE() << "pixel (" << i / 4 << ", " << y << ") channel " << i % 4 << ": expected "
                              << int(theirs[i]) << ", got " << int(ours[i]);
                if (++mismatches == 5) break;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryColourTypeAndDepth, PngAgainstImageMagick,
    testing::Values(PngCase{"palette1", PNG_COLOR_TYPE_PALETTE, 1, false, false},
                    PngCase{"palette2", PNG_COLOR_TYPE_PALETTE, 2, false, false},
                    PngCase{"palette4", PNG_COLOR_TYPE_PALETTE, 4, false, true},
                    PngCase{"palette8", PNG_COLOR_TYPE_PALETTE, 8, false, false},
                    PngCase{"palette8trns", PNG_COLOR_TYPE_PALETTE, 8, true, true},
                    PngCase{"grey1", PNG_COLOR_TYPE_GRAY, 1, false, false},
                    PngCase{"grey2", PNG_COLOR_TYPE_GRAY, 2, true, false},
                    PngCase{"grey4", PNG_COLOR_TYPE_GRAY, 4, false, false},
                    PngCase{"grey4trns", PNG_COLOR_TYPE_GRAY, 4, false, true},
                    PngCase{"grey8", PNG_COLOR_TYPE_GRAY, 8, false, false},
                    PngCase{"grey8trns", PNG_COLOR_TYPE_GRAY, 8, false, true},
                    PngCase{"grey16", PNG_COLOR_TYPE_GRAY, 16, false, false},
                    PngCase{"grey16trns", PNG_COLOR_TYPE_GRAY, 16, true, true},
                    PngCase{"greyalpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, false},
                    PngCase{"greyalpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, false},
                    PngCase{"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false},
                    PngCase{"rgb8interlaced", PNG_COLOR_TYPE_RGB, 8, true, false},
                    PngCase{"rgb8trns", PNG_COLOR_TYPE_RGB, 8, false, true},
                    PngCase{"rgb16", PNG_COLOR_TYPE_RGB, 16, false, false},
                    PngCase{"rgb16trns", PNG_COLOR_TYPE_RGB, 16, false, true},
                    PngCase{"rgba8", PNG_COLOR_TYPE_RGBA, 8, false, false},
                    PngCase{"rgba8interlaced", PNG_COLOR_TYPE_RGBA, 8, true, false},
                    PngCase{"rgba16", PNG_COLOR_TYPE_RGBA, 16, false, false},
                    PngCase{"rgba16interlaced", PNG_COLOR_TYPE_RGBA, 16, true, false}),
    [](const testing::TestParamInfo<PngCase>& info) { return std::string(info.param.name); });

} // namespace

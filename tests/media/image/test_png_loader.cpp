// loadPngImage against ImageMagick on PNGs of every colour type and depth
// written here with libpng (which also pins row order, channel order and
// alpha), and damaged files.

#include "media/image/image_loader.h"
#include "tests/media/image/png_cases.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>

namespace {

using namespace png_cases;

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
    TempDir dir;
    for (const PngCase& c : kAllCases) {
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

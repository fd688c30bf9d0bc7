// PNG read the way OpenCV reads it gives OpenCV's own pixels for every colour
// type, depth and flag the programs read with; the common pictures leave the
// codec plug-in unloaded.

#include "media/image/codec_plugin.h"
#include "media/image/image_loader.h"
#include "media/image/png_decoder.h"
#include "tests/media/image/png_cases.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

using namespace png_cases;

constexpr int kFlags[] = {cv::IMREAD_UNCHANGED, cv::IMREAD_COLOR, cv::IMREAD_GRAYSCALE};

void expectSameAsOpenCv(const std::vector<unsigned char>& png, int flags)
{
    const cv::Mat reference = cv::imdecode(png, flags);
    ASSERT_FALSE(reference.empty());
    const cv::Mat ours = decodeCheckedPicture(PictureFormat::Png, png, flags);
    ASSERT_EQ(ours.type(), reference.type());
    ASSERT_EQ(ours.size(), reference.size());
    EXPECT_EQ(cv::norm(ours, reference, cv::NORM_INF), 0.0);
}

TEST(PngDecoder, EveryColourTypeDepthAndFlagGivesOpenCvsPixels)
{
    TempDir dir;
    for (const PngCase& c : kAllCases) {
        const std::string path = dir.file(std::string(c.name) + ".png");
        ASSERT_TRUE(writePng(path, c));
        const std::vector<unsigned char> png = readBytes(path);
        for (const int flags : kFlags) {
            SCOPED_TRACE(std::string(c.name) + ", flags " + std::to_string(flags));
            EXPECT_TRUE(decodePng(png, flags).has_value());
            expectSameAsOpenCv(png, flags);
        }
    }
}

// OpenCV turns a PNG by the orientation in its eXIf chunk (not under
// IMREAD_UNCHANGED): such files are OpenCV's to decode.
TEST(PngDecoder, AnExifChunkIsLeftToOpenCv)
{
    TempDir dir;
    const std::string path = dir.file("rgb8.png");
    ASSERT_TRUE(writePng(path, {"rgb8", PNG_COLOR_TYPE_RGB, 8, false, false}));
    std::vector<unsigned char> png = readBytes(path);
    // Little-endian TIFF, one IFD, orientation 6 (turned a quarter clockwise).
    const std::string exif("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0", 26);
    std::vector<unsigned char> chunk = {0, 0, 0, static_cast<unsigned char>(exif.size()), 'e', 'X', 'I', 'f'};
    chunk.insert(chunk.end(), exif.begin(), exif.end());
    const unsigned long crc = crc32(0, chunk.data() + 4, static_cast<unsigned>(chunk.size() - 4));
    for (int shift = 24; shift >= 0; shift -= 8) chunk.push_back(static_cast<unsigned char>(crc >> shift));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // right after IHDR

    ASSERT_EQ(cv::imdecode(png, cv::IMREAD_COLOR).size(), cv::Size(kHeight, kWidth));
    for (const int flags : kFlags) {
        SCOPED_TRACE(flags);
        EXPECT_FALSE(decodePng(png, flags).has_value());
        expectSameAsOpenCv(png, flags);
    }
}

bool codecPlugInMapped()
{
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);)
        if (line.find(kCodecPluginName) != std::string::npos) return true;
    return false;
}

// Decodes a JPEG and a PNG in colour, then a BMP; exits with 0 when the
// plug-in was mapped only for the BMP.
[[noreturn]] void decodeCommonPicturesThenABmp()
{
    TempDir dir;
    const cv::Mat picture(30, 40, CV_8UC3, cv::Scalar(10, 200, 30));
    std::vector<unsigned char> jpeg, bmp;
    const std::string png = dir.file("rgba.png");
    if (!cv::imencode(".jpg", picture, jpeg) || !cv::imencode(".bmp", picture, bmp) ||
        !writePng(png, {"rgba8", PNG_COLOR_TYPE_RGBA, 8, false, false}))
        std::exit(2);
    const bool decoded = !readWithOpenCv(dir.write("a.jpg", jpeg), cv::IMREAD_COLOR).empty() &&
                         !readWithOpenCv(png, cv::IMREAD_COLOR).empty();
    const bool before = codecPlugInMapped();
    const bool bmpDecoded = !readWithOpenCv(dir.write("a.bmp", bmp), cv::IMREAD_COLOR).empty();
    std::exit(decoded && bmpDecoded && !before && codecPlugInMapped() ? 0 : 1);
}

// In a fresh process, whatever the tests before loaded.
TEST(PngDecoder, CommonPicturesLeaveTheCodecPlugInUnloaded)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(decodeCommonPicturesThenABmp(), ::testing::ExitedWithCode(0), "");
}

} // namespace

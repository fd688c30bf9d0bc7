// JPEG through libjpeg-turbo gives OpenCV's own pixels under every flag the
// programs read with, and what it cannot prove it decodes alike, and the
// other formats, still reach OpenCV through the codec plug-in.

#include "media/image/codec_plugin.h"
#include "media/image/image_loader.h"
#include "media/image/jpeg_decoder.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// Smooth gradients with a sharp edge and noise: every DCT path and the
// chroma upsampling have something to do.
cv::Mat scene(int width, int height, int channels)
{
    cv::Mat picture(height, width, CV_8UC(channels));
    cv::RNG rng(7);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            for (int k = 0; k < channels; ++k)
                picture.ptr<std::uint8_t>(r)[c * channels + k] = cv::saturate_cast<std::uint8_t>(
                    (r * 255 / height + c * (k + 1) * 3) % 256 + (c > width / 2 ? 60 : 0) + rng.uniform(-20, 20));
    return picture;
}

constexpr int kFlags[] = {cv::IMREAD_UNCHANGED, cv::IMREAD_COLOR, cv::IMREAD_GRAYSCALE};

// The loaders' entry gives OpenCV's own result under every flag the
// programs read with; with decodedHere, decodeJpeg gives it itself.
void expectSameAsOpenCv(const std::vector<unsigned char>& jpeg, const char* what, bool decodedHere = true)
{
    for (const int flags : kFlags) {
        SCOPED_TRACE(std::string(what) + ", flags " + std::to_string(flags));
        const cv::Mat reference = cv::imdecode(jpeg, flags);
        ASSERT_FALSE(reference.empty());
        if (decodedHere) {
            EXPECT_TRUE(decodeJpeg(jpeg, flags).has_value());
        }
        const cv::Mat ours = decodeCheckedPicture(PictureFormat::Jpeg, jpeg, flags);
        ASSERT_EQ(ours.type(), reference.type());
        ASSERT_EQ(ours.size(), reference.size());
        EXPECT_EQ(cv::norm(ours, reference, cv::NORM_INF), 0.0);
    }
}

std::vector<unsigned char> convertedByImageMagick(const cv::Mat& picture, const std::string& options)
{
    const std::string png = ::testing::TempDir() + "/jpeg_source.png";
    const std::string out = ::testing::TempDir() + "/jpeg_converted.jpg";
    EXPECT_TRUE(cv::imwrite(png, picture));
    const std::string command = std::string(QS_IMAGEMAGICK_CONVERT) + " " + png + " " + options + " " + out;
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::ifstream file(out, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// The JPEG with an APP1 segment of payload right after its start marker.
std::vector<unsigned char> withApp1(std::vector<unsigned char> jpeg, const std::string& payload)
{
    const std::size_t length = payload.size() + 2;
    std::vector<unsigned char> segment = {0xFF, 0xE1, static_cast<unsigned char>(length >> 8),
                                          static_cast<unsigned char>(length & 0xFF)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// EXIF holding one IFD with a one-entry orientation tag, in either byte order.
std::string exifOrientation(int orientation, bool intel)
{
    auto u16 = [intel](int v) {
        return intel ? std::string{char(v & 0xFF), char(v >> 8)} : std::string{char(v >> 8), char(v & 0xFF)};
    };
    auto u32 = [&](int v) { return intel ? u16(v & 0xFFFF) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xFFFF); };
    return std::string("Exif\0\0", 6) + (intel ? "II" : "MM") + u16(42) + u32(8) + u16(1) + u16(0x0112) + u16(3) +
           u32(1) + u16(orientation) + u16(0) + u32(0);
}

TEST(JpegDecoder, PixelsEqualOpenCvsForColourGreyEverySubsamplingAndProgressive)
{
    for (const cv::Size size : {cv::Size(64, 48), cv::Size(33, 17), cv::Size(1920, 1080)}) {
        std::vector<unsigned char> jpeg;
        const cv::Mat colour = scene(size.width, size.height, 3);
        for (int quality : {40, 95}) {
            ASSERT_TRUE(cv::imencode(".jpg", colour, jpeg, {cv::IMWRITE_JPEG_QUALITY, quality}));
            expectSameAsOpenCv(jpeg, "colour 4:2:0");
        }
        // Other chroma subsamplings, written by another encoder.
        for (const char* sampling : {"4:2:2", "4:4:4", "4:1:1"})
            expectSameAsOpenCv(convertedByImageMagick(colour, std::string("-sampling-factor ") + sampling), sampling);
        ASSERT_TRUE(cv::imencode(".jpg", colour, jpeg, {cv::IMWRITE_JPEG_PROGRESSIVE, 1}));
        expectSameAsOpenCv(jpeg, "progressive");
        ASSERT_TRUE(cv::imencode(".jpg", scene(size.width, size.height, 1), jpeg));
        expectSameAsOpenCv(jpeg, "grey");
    }
}

// OpenCV turns the picture by the EXIF orientation except under
// IMREAD_UNCHANGED, and converts CMYK itself: those go to OpenCV, as do
// JPEGs TurboJPEG will not take.
TEST(JpegDecoder, OrientationCmykAndUnusualSamplingAreLeftToOpenCv)
{
    std::vector<unsigned char> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", scene(48, 32, 3), jpeg));
    for (const bool intel : {true, false}) {
        expectSameAsOpenCv(withApp1(jpeg, exifOrientation(1, intel)), "as stored");
        for (const int orientation : {3, 6, 8}) {
            const std::vector<unsigned char> turned = withApp1(jpeg, exifOrientation(orientation, intel));
            SCOPED_TRACE(orientation);
            EXPECT_TRUE(decodeJpeg(turned, cv::IMREAD_UNCHANGED).has_value());
            for (const int flags : {cv::IMREAD_COLOR, cv::IMREAD_GRAYSCALE})
                EXPECT_FALSE(decodeJpeg(turned, flags).has_value());
            expectSameAsOpenCv(turned, "turned", false);
        }
    }
    // OpenCV reads the first APP1 as EXIF whatever it is: an XMP one first is its business.
    const std::vector<unsigned char> xmpFirst =
        withApp1(withApp1(jpeg, exifOrientation(1, true)), "http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>");
    EXPECT_FALSE(decodeJpeg(xmpFirst, cv::IMREAD_COLOR).has_value());
    expectSameAsOpenCv(xmpFirst, "XMP first", false);

    const std::vector<unsigned char> cmyk = convertedByImageMagick(scene(40, 30, 3), "-colorspace CMYK");
    for (const int flags : kFlags) EXPECT_FALSE(decodeJpeg(cmyk, flags).has_value());
    expectSameAsOpenCv(cmyk, "CMYK", false);
    // Sampling factors TurboJPEG has no name for: OpenCV still decodes them.
    expectSameAsOpenCv(convertedByImageMagick(scene(40, 30, 3), "-sampling-factor 1x2,2x1,1x1"), "mixed", false);
}

TEST(JpegDecoder, BrokenDataIsNoPictureAndOtherFormatsGoThroughThePlugIn)
{
    std::vector<unsigned char> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", scene(40, 30, 3), jpeg));
    std::vector<unsigned char> noHeader(jpeg.begin(), jpeg.begin() + 4);
    EXPECT_FALSE(decodeJpeg(noHeader, cv::IMREAD_COLOR).has_value());
    EXPECT_TRUE(decodeCheckedPicture(PictureFormat::Jpeg, noHeader, cv::IMREAD_COLOR).empty());

    ASSERT_NE(openCvDecoder(), nullptr);
    std::vector<unsigned char> bmp;
    const cv::Mat picture = scene(21, 13, 3);
    ASSERT_TRUE(cv::imencode(".bmp", picture, bmp));
    const cv::Mat decoded = decodeCheckedPicture(PictureFormat::Bmp, bmp, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(decoded.size(), picture.size());
    EXPECT_EQ(cv::norm(decoded, picture, cv::NORM_INF), 0.0);
}

} // namespace

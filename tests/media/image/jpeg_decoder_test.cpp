// JPEG through libjpeg-turbo gives OpenCV's own pixels, and the other formats
// still reach OpenCV through the codec plug-in.

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

void expectSameAsOpenCv(const std::vector<unsigned char>& jpeg, const char* what)
{
    SCOPED_TRACE(what);
    const cv::Mat reference = cv::imdecode(jpeg, cv::IMREAD_UNCHANGED);
    ASSERT_FALSE(reference.empty());
    const std::optional<cv::Mat> ours = decodeJpeg(jpeg);
    ASSERT_TRUE(ours.has_value());
    ASSERT_EQ(ours->type(), reference.type());
    ASSERT_EQ(ours->size(), reference.size());
    EXPECT_EQ(cv::norm(*ours, reference, cv::NORM_INF), 0.0);
    // And through the loaders' entry, which picks this decoder.
    const cv::Mat viaLoader = decodeCheckedPicture(PictureFormat::Jpeg, jpeg, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(viaLoader.size(), reference.size());
    EXPECT_EQ(cv::norm(viaLoader, reference, cv::NORM_INF), 0.0);
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
        const std::string png = ::testing::TempDir() + "/jpeg_source.png";
        const std::string out = ::testing::TempDir() + "/jpeg_sampled.jpg";
        ASSERT_TRUE(cv::imwrite(png, colour));
        for (const char* sampling : {"4:2:2", "4:4:4", "4:1:1"}) {
            const std::string command =
                std::string(QS_IMAGEMAGICK_CONVERT) + " " + png + " -sampling-factor " + sampling + " " + out;
            ASSERT_EQ(std::system(command.c_str()), 0);
            std::ifstream file(out, std::ios::binary);
            jpeg.assign(std::istreambuf_iterator<char>(file), {});
            expectSameAsOpenCv(jpeg, sampling);
        }
        ASSERT_TRUE(cv::imencode(".jpg", colour, jpeg, {cv::IMWRITE_JPEG_PROGRESSIVE, 1}));
        expectSameAsOpenCv(jpeg, "progressive");
        ASSERT_TRUE(cv::imencode(".jpg", scene(size.width, size.height, 1), jpeg));
        expectSameAsOpenCv(jpeg, "grey");
    }
}

TEST(JpegDecoder, BrokenDataIsNoPictureAndOtherFormatsGoThroughThePlugIn)
{
    std::vector<unsigned char> jpeg;
    ASSERT_TRUE(cv::imencode(".jpg", scene(40, 30, 3), jpeg));
    std::vector<unsigned char> noHeader(jpeg.begin(), jpeg.begin() + 4);
    const std::optional<cv::Mat> broken = decodeJpeg(noHeader);
    ASSERT_TRUE(broken.has_value());
    EXPECT_TRUE(broken->empty());

    ASSERT_NE(openCvDecoder(), nullptr);
    std::vector<unsigned char> bmp;
    const cv::Mat picture = scene(21, 13, 3);
    ASSERT_TRUE(cv::imencode(".bmp", picture, bmp));
    const cv::Mat decoded = decodeCheckedPicture(PictureFormat::Bmp, bmp, cv::IMREAD_UNCHANGED);
    ASSERT_EQ(decoded.size(), picture.size());
    EXPECT_EQ(cv::norm(decoded, picture, cv::NORM_INF), 0.0);
}

} // namespace

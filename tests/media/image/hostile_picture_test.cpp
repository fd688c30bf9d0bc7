// Pictures from strangers: only PNG, JPEG, BMP and TGA, chosen by extension
// and confirmed by signature, from regular files of bounded size, and never
// past the pixel limit. A FIFO must not block: these tests would hang.
#include "media/image/image_loader.h"
#include "media/story_file.h"
#include "tests/media/hostile_files.h"

#include <gtest/gtest.h>

#include <opencv2/imgcodecs.hpp>

#include <string>
#include <vector>

namespace {

std::vector<unsigned char> encoded(const char* extension, const cv::Mat& picture)
{
    std::vector<unsigned char> bytes;
    cv::imencode(extension, picture, bytes);
    return bytes;
}

// Every way a picture file is read, refusing it.
void expectRefusedEverywhere(const std::string& path)
{
    EXPECT_TRUE(loadPngImage(path).empty()) << path;
    EXPECT_TRUE(loadOtherImage(path).empty()) << path;
    EXPECT_TRUE(readWithOpenCv(path, cv::IMREAD_COLOR).empty()) << path;
    EXPECT_TRUE(readWithOpenCv(path, cv::IMREAD_UNCHANGED).empty()) << path;
}

void putBigEndian(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

} // namespace

TEST(HostilePictures, DevicesFoldersAndHugeFilesAreNeverRead)
{
    TempDir dir;
    const cv::Mat small(4, 4, CV_8UC3, cv::Scalar(1, 2, 3));
    for (const char* extension : {".png", ".jpg", ".bmp", ".tga"}) {
        const std::vector<unsigned char> start =
            std::string(extension) == ".tga" ? std::vector<unsigned char>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 4, 0, 24, 0}
                                             : encoded(extension, small);
        for (const std::string& path : hostile::makeAll(dir, extension, start)) {
            expectRefusedEverywhere(path);
            EXPECT_TRUE(readTgaFile(path).empty()) << path;
            EXPECT_FALSE(readStoryFile(path, kMaxPictureFileBytes)) << path;
        }
    }
    // The glyph file's reader takes the start of a longer file, but no FIFO either.
    EXPECT_EQ(readStoryFilePrefix(dir.file("sparse.png"), 8)->size(), 8u);
    EXPECT_FALSE(readStoryFilePrefix(dir.file("fifo.png"), 8));
}

TEST(HostilePictures, OnlyTheFormatsTheExtensionAllowsAreDecoded)
{
    TempDir dir;
    const cv::Mat picture(3, 5, CV_8UC3, cv::Scalar(10, 20, 30));
    const std::vector<unsigned char> png = encoded(".png", picture), jpeg = encoded(".jpg", picture),
                                     bmp = encoded(".bmp", picture), tiff = encoded(".tiff", picture);
    // Any other extension takes PNG, JPEG and BMP, whatever the name says.
    EXPECT_EQ(loadOtherImage(dir.write("png.jpg", png)).size(), picture.size());
    EXPECT_EQ(loadOtherImage(dir.write("bmp.jpeg", bmp)).size(), picture.size());
    EXPECT_EQ(readWithOpenCv(dir.write("jpeg.bmp", jpeg), cv::IMREAD_COLOR).size(), picture.size());
    // "png" and "PNG" take only PNG; formats no story needs are refused by name or not.
    expectRefusedEverywhere(dir.write("jpeg.png", jpeg));
    expectRefusedEverywhere(dir.write("bmp.PNG", bmp));
    expectRefusedEverywhere(dir.write("tiff.tiff", tiff));
    expectRefusedEverywhere(dir.write("tiff.jpg", tiff));
    EXPECT_EQ(readWithOpenCv(dir.write("real.png", png), cv::IMREAD_COLOR).size(), picture.size());

    // A GDAL dataset (NITF signature) would be opened by OpenCV's GDAL decoder,
    // which follows the file names inside it.
    const std::string vrt = "NITF<VRTDataset rasterXSize=\"8\" rasterYSize=\"1\"><VRTRasterBand dataType=\"Byte\" "
                            "band=\"1\" subClass=\"VRTRawRasterBand\"><SourceFilename relativetoVRT=\"0\">"
                            + dir.file("real.png") + "</SourceFilename></VRTRasterBand></VRTDataset>";
    expectRefusedEverywhere(dir.write("gdal.jpg", {vrt.begin(), vrt.end()}));
    std::vector<unsigned char> dted(200, ' ');
    std::copy_n("DTED", 4, dted.begin() + 140);
    expectRefusedEverywhere(dir.write("dted.bmp", dted));
}

TEST(HostilePictures, HeadersAnnouncingTooManyPixelsAreRefusedBeforeDecoding)
{
    TempDir dir;
    const cv::Mat picture(2, 2, CV_8UC3, cv::Scalar(10, 20, 30));

    // The PNG's IHDR (CRC ignored: the size is checked before libpng sees it).
    std::vector<unsigned char> png = encoded(".png", picture);
    putBigEndian(png, 16, 20000);
    putBigEndian(png, 20, 20000);
    expectRefusedEverywhere(dir.write("big.png", png));
    expectRefusedEverywhere(dir.write("big.Png", png));

    // The JPEG's frame header: height, then width, after the precision byte.
    std::vector<unsigned char> jpeg = encoded(".jpg", picture);
    for (std::size_t i = 0; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            for (std::size_t at : {i + 5, i + 7}) jpeg[at] = 20000 >> 8, jpeg[at + 1] = 20000 & 0xFF;
            break;
        }
    }
    expectRefusedEverywhere(dir.write("big.jpg", jpeg));

    // A BMP may be stored top row first (negative height): the size still counts.
    std::vector<unsigned char> bmp = encoded(".bmp", picture);
    for (const std::int32_t height : {20000, -20000}) {
        const std::uint32_t w = 20000, h = static_cast<std::uint32_t>(height);
        for (int i = 0; i < 4; ++i) bmp[18 + i] = static_cast<unsigned char>(w >> (8 * i)), bmp[22 + i] = static_cast<unsigned char>(h >> (8 * i));
        expectRefusedEverywhere(dir.write("big.bmp", bmp));
    }
    std::vector<unsigned char> tga{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x20, 0x4E, 0x20, 0x4E, 32, 0};
    EXPECT_TRUE(loadOtherImage(dir.write("big.tga", tga)).empty());
}

// Extension selection, the TGA reader and the generic loader.

#include "media/image/image_loader.h"
#include "tests/player/temp_dir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <sys/resource.h>

namespace {

std::vector<unsigned char> tgaHeader(int width, int height, int bits)
{
    return {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
            static_cast<unsigned char>(width & 0xff), static_cast<unsigned char>(width >> 8),
            static_cast<unsigned char>(height & 0xff), static_cast<unsigned char>(height >> 8),
            static_cast<unsigned char>(bits), 0x08};
}

// A TGA whose stored pixel at (row, col) has byte c = row * 16 + col + 64 * c.
std::vector<unsigned char> tgaFile(int width, int height, int bits)
{
    std::vector<unsigned char> bytes = tgaHeader(width, height, bits);
    for (int row = 0; row < height; ++row)
        for (int col = 0; col < width; ++col)
            for (int c = 0; c < bits / 8; ++c)
                bytes.push_back(static_cast<unsigned char>(row * 16 + col + 64 * c));
    return bytes;
}

// What the reader should make of a TGA's bytes: rows as stored, bytes 0 and 2
// of each pixel exchanged, and every byte missing from a short file 0.
cv::Mat exchanged(std::vector<unsigned char> bytes, int width, int height, int channels)
{
    bytes.resize(18 + static_cast<std::size_t>(width) * height * channels, 0);
    const cv::Mat stored(height, width, CV_8UC(channels), bytes.data() + 18);
    cv::Mat out;
    cv::cvtColor(stored, out, channels == 3 ? cv::COLOR_BGR2RGB : cv::COLOR_BGRA2RGBA);
    return out;
}

TEST(ImageSelection, ExtensionIsTheTextAfterTheLastDotComparedExactly)
{
    // No dot: the whole path is compared, so "png" alone matches.
    for (auto [path, png] : {std::pair{".//story//demo//next.png", true}, {"PHOTO.PNG", true}, {"photo.Png", false},
                             {"photo.png2", false}, {"pictures/photo", false}, {"png", true}, {"a.png/b", false}})
        EXPECT_EQ(isPngPath(path), png) << path;
    EXPECT_EQ(imageExtension("./old.v2/bg"), "v2/bg");
}

TEST(TgaReader, KeepsFileRowOrderAndExchangesRedAndBlue)
{
    TempDir dir;
    for (int bits : {24, 32}) {
        // Width 3 at 24 bits: 9 bytes a row, so any stride mix-up would shear the rows.
        const std::vector<unsigned char> bytes = tgaFile(3, 4, bits);
        const cv::Mat m = loadOtherImage(dir.write("p.tga", bytes));
        const cv::Mat expected = exchanged(bytes, 3, 4, bits / 8);
        ASSERT_EQ(m.type(), expected.type()) << bits << " bits";
        ASSERT_EQ(m.size(), expected.size()) << bits << " bits";
        EXPECT_EQ(cv::norm(m, expected, cv::NORM_INF), 0) << bits << " bits";
    }
    EXPECT_FALSE(readTgaFile(dir.write("upper.TGA", tgaFile(2, 2, 24))).empty());
    EXPECT_TRUE(loadOtherImage(dir.write("mixed.Tga", tgaFile(2, 2, 24))).empty()) << "Tga is not the TGA loader";
}

TEST(TgaReader, ShortFileKeepsWhatItHasAndZeroesTheRest)
{
    TempDir dir;
    std::vector<unsigned char> bytes = tgaFile(4, 3, 24);
    bytes.resize(18 + 4 * 3 + 5); // the first row, one pixel and two bytes of the second
    const cv::Mat m = readTgaFile(dir.write("short.tga", bytes));
    ASSERT_EQ(m.size(), cv::Size(4, 3));
    EXPECT_EQ(cv::norm(m, exchanged(bytes, 4, 3, 3), cv::NORM_INF), 0);
}

TEST(TgaReader, RefusesHeadersItCannotRead)
{
    TempDir dir;
    std::vector<std::vector<unsigned char>> refused;
    for (int offset = 0; offset < 12; ++offset) {
        std::vector<unsigned char> bytes = tgaFile(2, 2, 24);
        bytes[offset] = offset == 2 ? 10 : 1; // RLE, ID field, colour map, origin...
        refused.push_back(bytes);
    }
    for (int bits : {0, 4, 12, 15, 33, 40, 64, 255}) refused.push_back(tgaFile(2, 2, bits));
    refused.push_back(tgaHeader(65535, 65535, 32));
    refused.back().insert(refused.back().end(), {1, 2}); // 20 bytes announcing 16 GiB
    refused.push_back(tgaHeader(9000, 9000, 24));
    refused.push_back(tgaHeader(0, 5, 24));
    refused.push_back(tgaHeader(5, 0, 24));
    refused.push_back({0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}); // header cut short
    refused.push_back({});

    for (std::size_t i = 0; i < refused.size(); ++i)
        EXPECT_TRUE(readTgaFile(dir.write("bad" + std::to_string(i) + ".tga", refused[i])).empty()) << "case " << i;
    // The largest accepted picture is 8192 x 8192.
    EXPECT_EQ(readTgaFile(dir.write("big.tga", tgaHeader(8192, 8192, 8))).rows, 8192);
}

// Corners red, green, blue and white at the top left, top right, bottom left,
// bottom right; the white one half transparent.
cv::Mat bgrCorners(int channels)
{
    cv::Mat m(4, 5, CV_8UC(channels), cv::Scalar::all(128));
    const cv::Scalar colours[4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}, {255, 255, 255, 60}};
    const cv::Point at[4] = {{0, 0}, {4, 0}, {0, 3}, {4, 3}};
    for (int i = 0; i < 4; ++i) m(cv::Rect(at[i], cv::Size(1, 1))).setTo(colours[i]);
    return m;
}

TEST(GenericLoader, TopRowFirstInBgrOrderKeepingChannels)
{
    TempDir dir;
    const cv::Mat bgr = bgrCorners(3);
    cv::Mat deep;
    bgr.convertTo(deep, CV_16U, 257.0);
    ASSERT_TRUE(cv::imwrite(dir.file("c.bmp"), bgr));
    ASSERT_TRUE(cv::imwrite(dir.file("c.Png"), bgrCorners(4)));
    ASSERT_TRUE(cv::imwrite(dir.file("deep.Png"), deep));

    // 16-bit samples arrive scaled to 8 bits, channels unchanged.
    for (const char* name : {"c.bmp", "deep.Png"}) {
        const cv::Mat m = loadOtherImage(dir.file(name));
        ASSERT_EQ(m.type(), CV_8UC3) << name;
        EXPECT_EQ(cv::norm(m, bgr, cv::NORM_INF), 0) << name;
    }
    const cv::Mat withAlpha = loadOtherImage(dir.file("c.Png"));
    ASSERT_EQ(withAlpha.type(), CV_8UC4);
    EXPECT_EQ(cv::norm(withAlpha, bgrCorners(4), cv::NORM_INF), 0);
}

TEST(GenericLoader, MissingTruncatedAndCorruptFilesGiveNoPicture)
{
    TempDir dir;
    cv::Mat scene(120, 160, CV_8UC3);
    cv::randu(scene, 0, 255);
    ASSERT_TRUE(cv::imwrite(dir.file("good.jpg"), scene));
    const std::vector<unsigned char> jpeg = readBytes(dir.file("good.jpg"));

    for (const char* name : {"missing.jpg", "missing.bmp", "missing"})
        EXPECT_TRUE(loadOtherImage(dir.file(name)).empty()) << name;
    EXPECT_TRUE(readTgaFile(dir.file("missing.tga")).empty());
    for (std::size_t length : {2ul, 100ul, jpeg.size() / 2, jpeg.size() - 2}) {
        const std::string path = dir.write("cut.jpg", {jpeg.begin(), jpeg.begin() + length});
        EXPECT_TRUE(loadOtherImage(path).empty()) << "cut at " << length << " of " << jpeg.size();
    }

    // Bytes after the end-of-image marker do not make a complete file incomplete.
    std::vector<unsigned char> trailing = jpeg;
    trailing.insert(trailing.end(), {0x00, 0x11, 0x22});
    EXPECT_EQ(loadOtherImage(dir.write("trailing.jpg", trailing)).cols, 160);

    // A picture past the common limit of 8192 x 8192 pixels is refused, one at it is not.
    for (int side : {8192, 8200}) {
        const std::string path = dir.file("big" + std::to_string(side) + ".Png");
        ASSERT_TRUE(cv::imwrite(path, cv::Mat(side, side, CV_8UC1, cv::Scalar(0x55))));
        const cv::Mat m = loadOtherImage(path);
        EXPECT_EQ(m.empty(), side > 8192) << side;
    }

    // Several scans, and restart markers inside a scan, are still one complete file.
    ASSERT_TRUE(cv::imwrite(dir.file("progressive.jpg"), scene, {cv::IMWRITE_JPEG_PROGRESSIVE, 1}));
    ASSERT_TRUE(cv::imwrite(dir.file("restarts.jpg"), scene, {cv::IMWRITE_JPEG_RST_INTERVAL, 2}));
    for (const char* name : {"progressive.jpg", "restarts.jpg"}) {
        EXPECT_EQ(loadOtherImage(dir.file(name)).cols, 160) << name;
        const std::vector<unsigned char> whole = readBytes(dir.file(name));
        const std::string cut = dir.write(std::string("cut-") + name, {whole.begin(), whole.begin() + whole.size() * 3 / 4});
        EXPECT_TRUE(loadOtherImage(cut).empty()) << name;
    }
}

TEST(GenericLoader, JpegAnnouncingAHugeFrameIsRefusedBeforeDecoding)
{
    TempDir dir;
    cv::Mat scene(64, 64, CV_8UC3, cv::Scalar(40, 90, 160));
    ASSERT_TRUE(cv::imwrite(dir.file("small.jpg"), scene));
    std::vector<unsigned char> jpeg = readBytes(dir.file("small.jpg"));

    // Rewrite the baseline frame header to 20000 x 20000: within OpenCV's own
    // bound, far past ours, and the rest of the file still well formed.
    std::size_t sof = 0;
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) { sof = i; break; }
    ASSERT_NE(sof, 0u);
    for (std::size_t at : {sof + 5, sof + 7}) { jpeg[at] = 20000 >> 8; jpeg[at + 1] = 20000 & 0xFF; }

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_TRUE(loadOtherImage(dir.write("huge.jpg", jpeg)).empty());
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    // Decoding would have touched 1.2 GB of pixels; refusing touches none.
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 200L * 1024) << "kB of peak memory added";
}

} // namespace

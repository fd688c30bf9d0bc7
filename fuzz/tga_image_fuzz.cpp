// Any bytes as a .tga file. The reader either refuses the file or returns
// exactly what it holds: the announced size, channels = bits / 8, the pixel
// bytes in file order with bytes 0 and 2 of each pixel exchanged, and zero
// wherever the file ends early. loadOtherImage hands .tga files to it.
#include "fuzz/fuzz_file.h"

#include "media/image/image_loader.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

void expectFileContents(const cv::Mat& picture, const std::uint8_t* data, std::size_t size)
{
    const int width = data[12] | (data[13] << 8);
    const int height = data[14] | (data[15] << 8);
    const int channels = data[16] / 8;
    if (picture.depth() != CV_8U || picture.cols != width || picture.rows != height ||
        picture.channels() != channels)
        fuzzFailure("the picture does not have the size and channels the header announces");
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    std::vector<unsigned char> row(rowBytes);
    for (int r = 0; r < height; ++r) {
        const std::size_t at = 18 + r * rowBytes;
        std::fill(row.begin(), row.end(), 0);
        if (at < size)
            std::memcpy(row.data(), data + at, std::min(rowBytes, size - at));
        if (channels >= 3)
            for (std::size_t p = 0; p + 2 < rowBytes; p += channels)
                std::swap(row[p], row[p + 2]);
        if (std::memcmp(row.data(), picture.ptr(r), rowBytes) != 0)
            fuzzFailure("a picture row differs from the file's bytes");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Headers announcing large pictures cost a zeroed buffer each and teach
    // nothing new; those past the limit are still tried, they are refused cheaply.
    if (size >= 18) {
        const std::size_t pixels = static_cast<std::size_t>(data[12] | (data[13] << 8)) *
                                   static_cast<std::size_t>(data[14] | (data[15] << 8));
        if (pixels > (std::size_t{1} << 20) && pixels <= kMaxImagePixels)
            return 0;
    }
    static const FuzzFolder folder;
    const std::string file = folder.write("picture.tga", data, size);

    const cv::Mat picture = readTgaFile(file);
    if (!picture.empty()) {
        if (size < 18)
            fuzzFailure("a file shorter than the TGA header gave a picture");
        expectFileContents(picture, data, size);
    }
    if (picture.empty() == (checkPicture(file, {data, size}) == PictureFormat::Tga))
        fuzzFailure("readTgaFile and checkPicture disagree on a .tga file");
    const cv::Mat other = loadOtherImage(file);
    if (other.empty() != picture.empty() ||
        (!other.empty() && cv::norm(other, picture, cv::NORM_INF) != 0))
        fuzzFailure("loadOtherImage and readTgaFile disagree on a .tga file");
    return 0;
}

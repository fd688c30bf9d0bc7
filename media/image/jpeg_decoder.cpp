#include "media/image/jpeg_decoder.h"

#include "media/image/image_loader.h"

#include <opencv2/imgcodecs.hpp>
#include <turbojpeg.h>

#include <cstdint>
#include <memory>

namespace {

using Bytes = std::span<const unsigned char>;

// The segments before the first scan, as far as they decide whether OpenCV
// would do more than decode.
struct JpegPreamble {
    bool huffmanTables = false;
    bool app1 = false;
    Bytes firstApp1; // its data, after the length
};

// False when the markers up to the first scan are anything but a plain run
// of segments: those files are left to OpenCV.
bool readPreamble(Bytes b, JpegPreamble* out)
{
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return false;
    std::size_t at = 2;
    for (;;) {
        if (at + 4 > b.size() || b[at] != 0xFF) return false;
        const int marker = b[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        const std::size_t length = (std::size_t{b[at + 2]} << 8) | b[at + 3];
        if (length < 2 || at + 2 + length > b.size()) return false;
        if (marker == 0xDA) return true;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) return false;
        if (marker == 0xC4) out->huffmanTables = true;
        if (marker == 0xE1 && !out->app1) {
            out->app1 = true;
            out->firstApp1 = b.subspan(at + 4, length - 2);
        }
        at += 2 + length;
    }
}

// True when OpenCV, reading the first APP1 segment as EXIF, finds no
// orientation but "as stored" (1). OpenCV reads TIFF data 6 bytes in, without
// checking for "Exif", and takes the orientation tag from the first IFD; a
// segment that does not read cleanly that way gives false.
bool keepsOrientation(Bytes app1)
{
    if (app1.size() <= 6) return true; // too short for OpenCV to look into
    const Bytes tiff = app1.subspan(6);
    if (tiff.size() < 8) return false;
    const bool intel = tiff[0] == 'I' && tiff[1] == 'I';
    if (!intel && !(tiff[0] == 'M' && tiff[1] == 'M')) return false;
    auto u16 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(intel ? tiff[at] | (tiff[at + 1] << 8) : (tiff[at] << 8) | tiff[at + 1]);
    };
    auto u32 = [&](std::size_t at) { return intel ? u16(at) | (u16(at + 2) << 16) : (u16(at) << 16) | u16(at + 2); };
    if (u16(2) != 42) return false;
    const std::size_t ifd = u32(4);
    if (ifd > tiff.size() || tiff.size() - ifd < 2) return false;
    const std::size_t entries = u16(ifd);
    if ((tiff.size() - ifd - 2) / 12 < entries) return false;
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = ifd + 2 + 12 * i;
        if (u16(entry) == 0x0112 && u16(entry + 8) != 1) return false;
    }
    return true;
}

} // namespace

std::optional<cv::Mat> decodeJpeg(Bytes bytes, int flags)
{
    if (flags != cv::IMREAD_UNCHANGED && flags != cv::IMREAD_COLOR && flags != cv::IMREAD_GRAYSCALE)
        return std::nullopt;
    JpegPreamble preamble;
    // Without tables OpenCV loads the Motion-JPEG ones itself.
    if (!readPreamble(bytes, &preamble) || !preamble.huffmanTables) return std::nullopt;
    // OpenCV turns the picture by the EXIF orientation, except as stored.
    if (flags != cv::IMREAD_UNCHANGED && preamble.app1 && !keepsOrientation(preamble.firstApp1)) return std::nullopt;

    const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
    if (!decoder) return std::nullopt;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                            &subsampling, &colourSpace) != 0)
        return std::nullopt;
    if (width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxImagePixels)
        return cv::Mat();
    // CMYK and YCCK: OpenCV converts those itself.
    if (colourSpace != TJCS_GRAY && colourSpace != TJCS_YCbCr && colourSpace != TJCS_RGB) return std::nullopt;
    const bool grey = flags == cv::IMREAD_GRAYSCALE || (flags == cv::IMREAD_UNCHANGED && colourSpace == TJCS_GRAY);
    cv::Mat picture(height, width, grey ? CV_8UC1 : CV_8UC3);
    // No flags: accurate integer DCT and smooth upsampling, as OpenCV decodes.
    if (tjDecompress2(decoder.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), picture.data, width,
                      static_cast<int>(picture.step), height, grey ? TJPF_GRAY : TJPF_BGR, 0) != 0 &&
        tjGetErrorCode(decoder.get()) != TJERR_WARNING)
        return std::nullopt;
    return picture;
}

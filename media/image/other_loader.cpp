// Extension selection, the TGA reader and the generic loader through OpenCV.

#include "media/image/image_loader.h"
#include "media/path.h"

#include "media/image/codec_plugin.h"
#include "media/image/jpeg_decoder.h"
#include "media/image/picture_check.h"
#include "media/image/png_decoder.h"
#include "media/story_file.h"

#include <opencv2/imgcodecs.hpp>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace {

// The story file at path, as much of it as a picture may be.
std::optional<std::vector<unsigned char>> readPictureFile(const std::string& fsPath)
{
    return readStoryFile(fsPath, kMaxPictureFileBytes);
}

cv::Mat loadGenericImage(const std::string& path)
{
    const auto bytes = readPictureFile(toFsPath(path));
    if (!bytes) return {};
    cv::Mat picture = decodeCheckedPicture(checkPicture(path, *bytes), *bytes, cv::IMREAD_UNCHANGED);
    if (picture.empty()) return {};
    return toEightBit(std::move(picture));
}

// The pixel rows of a TGA whose header has been checked. Bytes the file
// does not hold stay zero (transparent black for 32-bit pictures).
cv::Mat readTgaPixels(std::span<const unsigned char> bytes)
{
    const int width = bytes[12] | (bytes[13] << 8);
    const int height = bytes[14] | (bytes[15] << 8);
    const int channels = bytes[16] / 8;
    cv::Mat picture(height, width, CV_8UC(channels), cv::Scalar::all(0));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    std::size_t at = 18;
    for (int row = 0; row < height && at < bytes.size(); ++row, at += rowBytes)
        std::memcpy(picture.ptr(row), bytes.data() + at, std::min(rowBytes, bytes.size() - at));
    if (channels >= 3) {
        for (int row = 0; row < height; ++row) {
            unsigned char* p = picture.ptr(row);
            for (int col = 0; col < width; ++col, p += channels) std::swap(p[0], p[2]);
        }
    }
    return picture;
}

} // namespace

std::string imageExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

bool isPngPath(const std::string& path)
{
    const std::string ext = imageExtension(path);
    return ext == "png" || ext == "PNG";
}

bool isTgaPath(const std::string& path)
{
    const std::string ext = imageExtension(path);
    return ext == "tga" || ext == "TGA";
}

// OpenCV keeps 16-bit and float samples under IMREAD_UNCHANGED; the pictures
// of this system are 8 bits per channel, so deeper samples are scaled down.
cv::Mat toEightBit(cv::Mat picture)
{
    switch (picture.depth()) {
    case CV_8U: return picture;
    case CV_16U: picture.convertTo(picture, CV_8U, 1.0 / 257.0); return picture;
    case CV_32F:
    case CV_64F: picture.convertTo(picture, CV_8U, 255.0); return picture;
    default: picture.convertTo(picture, CV_8U); return picture;
    }
}

cv::Mat decodeCheckedPicture(PictureFormat format, std::span<const unsigned char> bytes, int flags)
{
    if (format != PictureFormat::Png && format != PictureFormat::Jpeg && format != PictureFormat::Bmp) return {};
    // OpenCV hands GDAL whatever carries this flag, whatever the bytes.
    if (flags >= 0) flags &= ~cv::IMREAD_LOAD_GDAL;
    // The common pictures skip the plug-in: its dependencies cost more to
    // load than the decoding itself.
    std::optional<cv::Mat> fast;
    if (format == PictureFormat::Jpeg) fast = decodeJpeg(bytes, flags);
    if (format == PictureFormat::Png) fast = decodePng(bytes, flags);
    if (fast) return std::move(*fast);
    // The bytes start with the format's signature, and OpenCV tries its
    // BMP, JPEG and PNG decoders before any decoder that could also claim
    // them, so this is the decoder that reads them.
    const OpenCvDecodeFn decode = openCvDecoder();
    cv::Mat picture;
    if (!decode || !decode(bytes.data(), bytes.size(), flags, &picture)) return {};
    // OpenCV's own bound (2^30 pixels) is far above ours; keep one limit for every loader.
    if (picture.empty() || picture.total() > kMaxImagePixels) return {};
    return picture;
}

cv::Mat readWithOpenCv(const std::string& path, int flags)
{
    const auto bytes = readPictureFile(path);
    if (!bytes) return {};
    return decodeCheckedPicture(checkPicture(path, *bytes), *bytes, flags);
}

cv::Mat loadOtherImage(const std::string& path)
{
    if (isTgaPath(path)) return readTgaFile(path);
    return loadGenericImage(path);
}

cv::Mat readTgaFile(const std::string& path)
{
    if (path.empty()) return {};
    const auto bytes = readPictureFile(toFsPath(path));
    if (!bytes || !isAcceptablePicture(PictureFormat::Tga, *bytes)) return {};
    try {
        return readTgaPixels(*bytes);
    } catch (...) {
        return {};
    }
}

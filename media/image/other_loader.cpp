// Extension selection, the TGA reader and the generic loader through OpenCV.

#include "media/image/image_loader.h"
#include "media/path.h"

#include <opencv2/imgcodecs.hpp>

#include <cstdio>
#include <cstring>
#include <utility>

namespace {

// A truncated JPEG would otherwise decode into a half-grey picture with only
// a warning, so the generic loader refuses JPEG files whose marker structure
// stops before the end-of-image marker, or whose frame announces more pixels
// than any picture may have. Files that do not start like a JPEG are left to
// OpenCV.
class JpegScanner {
public:
    explicit JpegScanner(std::FILE* file) : file_(file) {}

    bool isTruncatedJpeg()
    {
        if (next() != 0xFF || next() != 0xD8) return false;
        int marker = nextMarker();
        while (marker >= 0) {
            if (marker == 0xD9) return false; // end of image
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
                marker = nextMarker(); // markers without a segment
                continue;
            }
            const int hi = next();
            const int lo = next();
            if (hi < 0 || lo < 0) return true;
            const long length = (hi << 8) | lo;
            if (length < 2) return true;
            long rest = length - 2;
            if (isFrameHeader(marker) && rest >= 5) {
                // Refuse a frame too large before OpenCV reserves memory for it:
                // a few kilobytes of valid JPEG can announce gigabytes of pixels.
                next(); // sample precision
                const int h1 = next(), h0 = next(), w1 = next(), w0 = next();
                if (w0 < 0) return true;
                const std::size_t pixels = static_cast<std::size_t>((h1 << 8) | h0)
                    * static_cast<std::size_t>((w1 << 8) | w0);
                if (pixels > kMaxImagePixels) return true;
                rest -= 5;
            }
            if (!skip(rest)) return true;
            marker = (marker == 0xDA) ? markerAfterScan() : nextMarker();
        }
        return true;
    }

private:
    int next() { return std::fgetc(file_); }

    // Start-of-frame markers carry the picture's size; C4, C8 and CC are other segments.
    static bool isFrameHeader(int marker)
    {
        return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    }

    bool skip(long count)
    {
        const long here = std::ftell(file_);
        if (here < 0 || std::fseek(file_, 0, SEEK_END) != 0) return false;
        const long end = std::ftell(file_);
        if (end - here < count) return false;
        return std::fseek(file_, here + count, SEEK_SET) == 0;
    }

    // The next marker code, skipping stray bytes and 0xFF fill; -1 at the end of the file.
    int nextMarker()
    {
        int c = next();
        while (c >= 0 && c != 0xFF) c = next();
        while (c == 0xFF) c = next();
        return c;
    }

    // Entropy-coded data runs until a marker other than a stuffed zero or a restart.
    int markerAfterScan()
    {
        for (;;) {
            int c = next();
            if (c < 0) return -1;
            if (c != 0xFF) continue;
            while (c == 0xFF) c = next();
            if (c < 0) return -1;
            if (c == 0x00 || (c >= 0xD0 && c <= 0xD7)) continue;
            return c;
        }
    }

    std::FILE* file_;
};

// A DICOM file ("DICM" after a 128-byte preamble) would go to OpenCV's
// medical-image decoder, whose reader aborts the whole process on damaged
// data; no story picture is one, so such files are refused.
bool isDicom(std::FILE* file)
{
    char magic[4] = {};
    return std::fseek(file, 128, SEEK_SET) == 0 && std::fread(magic, 1, 4, file) == 4
        && std::memcmp(magic, "DICM", 4) == 0;
}

// True when the file can be opened, is not a truncated JPEG and not DICOM.
// Checking first also keeps OpenCV from logging a warning for every missing file.
bool isReadableAndComplete(const std::string& fsPath)
{
    std::FILE* file = std::fopen(fsPath.c_str(), "rb");
    if (file == nullptr) return false;
    const bool truncated = JpegScanner(file).isTruncatedJpeg();
    const bool refused = truncated || isDicom(file);
    std::fclose(file);
    return !refused;
}

cv::Mat loadGenericImage(const std::string& path)
{
    const std::string fsPath = toFsPath(path);
    if (!isReadableAndComplete(fsPath)) return {};
    try {
        cv::Mat picture = cv::imread(fsPath, cv::IMREAD_UNCHANGED);
        // OpenCV's own bound (2^30 pixels) is far above ours; keep one limit for every loader.
        if (picture.empty() || picture.total() > kMaxImagePixels) return {};
        return toEightBit(std::move(picture));
    } catch (...) {
        return {};
    }
}

constexpr unsigned char kTgaHeaderStart[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

// Reads the pixel rows of an open TGA whose header has been checked. Bytes the
// file does not hold stay zero (transparent black for 32-bit pictures).
cv::Mat readTgaPixels(std::FILE* file, int width, int height, int channels)
{
    cv::Mat picture(height, width, CV_8UC(channels), cv::Scalar::all(0));
    const std::size_t rowBytes = static_cast<std::size_t>(width) * channels;
    for (int row = 0; row < height; ++row) {
        if (std::fread(picture.ptr(row), 1, rowBytes, file) < rowBytes) break;
    }
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


cv::Mat readWithOpenCv(const std::string& path, int flags)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return cv::imread(path, flags); // OpenCV reports the miss as it always did
    const bool refused = isDicom(file);
    std::fclose(file);
    if (refused) return {};
    try {
        return cv::imread(path, flags);
    } catch (...) {
        return {};
    }
}

cv::Mat loadOtherImage(const std::string& path)
{
    if (isTgaPath(path)) return readTgaFile(path);
    return loadGenericImage(path);
}

cv::Mat readTgaFile(const std::string& path)
{
    if (path.empty()) return {};
    std::FILE* file = std::fopen(toFsPath(path).c_str(), "rb");
    if (file == nullptr) return {};

    unsigned char header[18];
    cv::Mat picture;
    if (std::fread(header, 1, sizeof header, file) == sizeof header
        && std::memcmp(header, kTgaHeaderStart, sizeof kTgaHeaderStart) == 0) {
        const int width = header[12] | (header[13] << 8);
        const int height = header[14] | (header[15] << 8);
        const int bits = header[16];
        const bool sane = bits != 0 && bits % 8 == 0 && bits <= 32 && width > 0 && height > 0
            && static_cast<std::size_t>(width) * static_cast<std::size_t>(height) <= kMaxImagePixels;
        if (sane) {
            try {
                picture = readTgaPixels(file, width, height, bits / 8);
            } catch (...) {
                picture.release();
            }
        }
    }
    std::fclose(file);
    return picture;
}

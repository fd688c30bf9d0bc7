#include "media/image/picture_check.h"

#include "media/image/image_loader.h"

#include <cstdint>
#include <cstring>

namespace {

using Bytes = std::span<const unsigned char>;

bool startsWith(Bytes bytes, const char* signature, std::size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), signature, length) == 0;
}

std::uint32_t bigEndian32(Bytes b, std::size_t at)
{
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) | b[at + 3];
}

std::uint32_t littleEndian32(Bytes b, std::size_t at)
{
    return b[at] | (std::uint32_t{b[at + 1]} << 8) | (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}

bool fitsPixelLimit(std::uint64_t width, std::uint64_t height)
{
    return width > 0 && height > 0 && width <= kMaxImagePixels && height <= kMaxImagePixels
        && width * height <= kMaxImagePixels;
}

// The signature, then the IHDR chunk that every PNG must start with.
bool isAcceptablePng(Bytes b)
{
    if (!startsWith(b, "\x89PNG\r\n\x1a\n", 8) || b.size() < 24) return false;
    if (bigEndian32(b, 8) != 13 || std::memcmp(b.data() + 12, "IHDR", 4) != 0) return false;
    return fitsPixelLimit(bigEndian32(b, 16), bigEndian32(b, 20));
}

// Walks the marker segments of a JPEG held in memory.
class JpegScanner {
public:
    explicit JpegScanner(Bytes bytes) : b_(bytes) {}

    // Complete up to the end-of-image marker, and no frame larger than the limit.
    bool isAcceptable()
    {
        if (!startsWith(b_, "\xFF\xD8\xFF", 3)) return false;
        at_ = 2;
        int marker = nextMarker();
        while (marker >= 0) {
            if (marker == 0xD9) return true; // end of image
            if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
                marker = nextMarker(); // markers without a segment
                continue;
            }
            if (at_ + 2 > b_.size()) return false;
            const std::size_t length = (std::size_t{b_[at_]} << 8) | b_[at_ + 1];
            if (length < 2 || at_ + length > b_.size()) return false;
            // A few kilobytes of valid JPEG can announce gigabytes of pixels:
            // refused before any decoder reserves memory for them.
            if (isFrameHeader(marker)) {
                if (length < 7) return false;
                const std::uint64_t height = (std::uint64_t{b_[at_ + 3]} << 8) | b_[at_ + 4];
                const std::uint64_t width = (std::uint64_t{b_[at_ + 5]} << 8) | b_[at_ + 6];
                // Height 0 is announced later (DNL); the width still counts.
                if (width == 0 || width * height > kMaxImagePixels) return false;
            }
            at_ += length;
            marker = (marker == 0xDA) ? markerAfterScan() : nextMarker();
        }
        return false;
    }

private:
    int next() { return at_ < b_.size() ? b_[at_++] : -1; }

    // Start-of-frame markers carry the picture's size; C4, C8 and CC are other segments.
    static bool isFrameHeader(int marker)
    {
        return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    }

    // The next marker code, skipping stray bytes and 0xFF fill; -1 at the end.
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

    Bytes b_;
    std::size_t at_ = 0;
};

// "BM", then a core (12-byte) or info (40 bytes and up) header.
bool isAcceptableBmp(Bytes b)
{
    if (!startsWith(b, "BM", 2) || b.size() < 26) return false;
    const std::uint32_t headerSize = littleEndian32(b, 14);
    if (headerSize == 12) return fitsPixelLimit(b[18] | (b[19] << 8), b[20] | (b[21] << 8));
    if (headerSize < 40 || headerSize > 124) return false;
    const auto width = static_cast<std::int32_t>(littleEndian32(b, 18));
    const auto height = static_cast<std::int32_t>(littleEndian32(b, 22)); // negative: top row first
    const std::int64_t rows = height < 0 ? -std::int64_t{height} : height;
    return width > 0 && fitsPixelLimit(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(rows));
}

// The fixed part of the header our TGA reader takes, and a size it can hold.
bool isAcceptableTga(Bytes b)
{
    static constexpr unsigned char start[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (b.size() < 18 || std::memcmp(b.data(), start, sizeof start) != 0) return false;
    const int bits = b[16];
    return bits != 0 && bits % 8 == 0 && bits <= 32 && fitsPixelLimit(b[12] | (b[13] << 8), b[14] | (b[15] << 8));
}

} // namespace

bool isAcceptablePicture(PictureFormat format, std::span<const unsigned char> bytes)
{
    switch (format) {
    case PictureFormat::Png: return isAcceptablePng(bytes);
    case PictureFormat::Jpeg: return JpegScanner(bytes).isAcceptable();
    case PictureFormat::Bmp: return isAcceptableBmp(bytes);
    case PictureFormat::Tga: return isAcceptableTga(bytes);
    case PictureFormat::None: break;
    }
    return false;
}

PictureFormat checkPicture(const std::string& path, std::span<const unsigned char> bytes)
{
    if (isPngPath(path)) return isAcceptablePng(bytes) ? PictureFormat::Png : PictureFormat::None;
    if (isTgaPath(path)) return isAcceptableTga(bytes) ? PictureFormat::Tga : PictureFormat::None;
    for (PictureFormat format : {PictureFormat::Png, PictureFormat::Jpeg, PictureFormat::Bmp})
        if (isAcceptablePicture(format, bytes)) return format;
    return PictureFormat::None;
}

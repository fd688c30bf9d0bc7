#include "media/image/jpeg_decoder.h"

#include "media/image/image_loader.h"

#include <turbojpeg.h>

#include <memory>

std::optional<cv::Mat> decodeJpeg(std::span<const unsigned char> bytes)
{
    const std::unique_ptr<void, int (*)(tjhandle)> decoder(tjInitDecompress(), tjDestroy);
    if (!decoder) return cv::Mat();
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(decoder.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), &width, &height,
                            &subsampling, &colourSpace) != 0)
        return cv::Mat();
    if (width <= 0 || height <= 0 ||
        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) > kMaxImagePixels)
        return cv::Mat();
    int format;
    int type;
    if (colourSpace == TJCS_GRAY) {
        format = TJPF_GRAY;
        type = CV_8UC1;
    } else if (colourSpace == TJCS_YCbCr || colourSpace == TJCS_RGB) {
        format = TJPF_BGR;
        type = CV_8UC3;
    } else {
        return std::nullopt;
    }
    cv::Mat picture(height, width, type);
    // No flags: accurate integer DCT and smooth upsampling, as OpenCV decodes.
    if (tjDecompress2(decoder.get(), bytes.data(), static_cast<unsigned long>(bytes.size()), picture.data, width,
                      static_cast<int>(picture.step), height, format, 0) != 0 &&
        tjGetErrorCode(decoder.get()) != TJERR_WARNING)
        return cv::Mat();
    return picture;
}

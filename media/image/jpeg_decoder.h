#pragma once
// JPEG, the common picture, decoded by libjpeg-turbo: the decoder OpenCV
// itself uses, called with OpenCV's settings, so the pixels are the ones
// cv::imdecode gives, without loading OpenCV's codecs.

#include <opencv2/core.hpp>

#include <optional>
#include <span>

// What cv::imdecode(bytes, flags) gives for flags IMREAD_UNCHANGED (1-channel
// grey or 3-channel blue-green-red, as stored), IMREAD_COLOR (blue-green-red)
// or IMREAD_GRAYSCALE, for a grey or YCbCr/RGB JPEG whose markers before the
// first scan are plain: Huffman tables present and, unless flags is
// IMREAD_UNCHANGED, no EXIF orientation other than "as stored". nullopt for
// every other JPEG and flag, and for one that fails to decode here: OpenCV
// decodes those (CMYK, a rotation, a damaged file ...).
std::optional<cv::Mat> decodeJpeg(std::span<const unsigned char> bytes, int flags);

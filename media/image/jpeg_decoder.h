#pragma once
// JPEG, the common picture, decoded by libjpeg-turbo: the decoder OpenCV
// itself uses, called with OpenCV's settings, so the pixels are the ones
// cv::imdecode gives, without loading OpenCV's codecs.

#include <opencv2/core.hpp>

#include <optional>
#include <span>

// What cv::imdecode(bytes, IMREAD_UNCHANGED) gives for a JPEG in grey or
// YCbCr/RGB colour: 1-channel grey, or 3-channel blue-green-red. An empty Mat
// for a JPEG that does not decode; nullopt for one this decoder leaves to
// OpenCV (CMYK and YCCK pictures).
std::optional<cv::Mat> decodeJpeg(std::span<const unsigned char> bytes);

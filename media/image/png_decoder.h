#pragma once
// PNG decoded as OpenCV's own PNG decoder does it: the same libpng, asked for
// the same transforms in the same order, so the pixels are the ones
// cv::imdecode gives, without loading OpenCV's codecs. (loadPngImage is the
// other reader, to RGBA bottom row first.)

#include <opencv2/core.hpp>

#include <optional>
#include <span>

// What cv::imdecode(bytes, flags) gives for flags IMREAD_UNCHANGED,
// IMREAD_COLOR or IMREAD_GRAYSCALE, for any PNG without an eXIf chunk (whose
// orientation OpenCV applies). nullopt for other flags, for a PNG with eXIf,
// and for one that fails to decode here: OpenCV decodes those.
std::optional<cv::Mat> decodePng(std::span<const unsigned char> bytes, int flags);

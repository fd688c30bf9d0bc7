// Pictures written whole or not at all: the PNG goes to a hidden file beside
// its target and is renamed over it once complete, so an interrupted or
// failed run leaves no half-written picture.
#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <string>

namespace render {

// Writes `bgr` (8-bit, 3 channels) as PNG to `file`, creating its folder when
// missing. Returns an empty string on success, else one line saying why.
std::string writePng(const std::filesystem::path& file, const cv::Mat& bgr);

} // namespace render

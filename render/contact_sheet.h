// A contact sheet: frames as thumbnails in a grid, each with a caption strip
// underneath, for reviewing a story at a glance.
#pragma once

#include <opencv2/core.hpp>

#include <string>

namespace render {

struct SheetLayout {
    int columns = 4;
    int count = 0; // thumbnails
    static constexpr int kThumbWidth = 200; // a quarter of the frame
    static constexpr int kThumbHeight = 150;
    static constexpr int kCaptionHeight = 20;
    static constexpr int kGap = 8;

    int rows() const { return columns > 0 ? (count + columns - 1) / columns : 0; }
    cv::Size size() const;
    // Top-left corner of thumbnail i (0-based, row by row).
    cv::Point thumbAt(int i) const;
};

// A blank sheet for `layout`.
cv::Mat makeSheet(const SheetLayout& layout);
// Puts frame (800 x 600 BGR) as thumbnail i, with `caption` (a strip of
// kThumbWidth x kCaptionHeight, BGR) under it.
void placeOnSheet(cv::Mat& sheet, const SheetLayout& layout, int i, const cv::Mat& frame,
                  const cv::Mat& caption);

// "12  Mei": the frame number and the speaker, or "narration".
std::string captionText(int frameNumber, const std::string& speaker);

} // namespace render

#include "render/contact_sheet.h"

#include <opencv2/imgproc.hpp>

namespace render {

cv::Size SheetLayout::size() const
{
    return {columns * kThumbWidth + (columns + 1) * kGap,
            rows() * (kThumbHeight + kCaptionHeight) + (rows() + 1) * kGap};
}

cv::Point SheetLayout::thumbAt(int i) const
{
    const int row = i / columns, column = i % columns;
    return {kGap + column * (kThumbWidth + kGap), kGap + row * (kThumbHeight + kCaptionHeight + kGap)};
}

cv::Mat makeSheet(const SheetLayout& layout)
{
    return cv::Mat(layout.size(), CV_8UC3, cv::Scalar(48, 48, 48));
}

void placeOnSheet(cv::Mat& sheet, const SheetLayout& layout, int i, const cv::Mat& frame,
                  const cv::Mat& caption)
{
    const cv::Point at = layout.thumbAt(i);
    cv::Mat thumb = sheet(cv::Rect(at, cv::Size(SheetLayout::kThumbWidth, SheetLayout::kThumbHeight)));
    // Area averaging: text and edges shrink without aliasing.
    cv::resize(frame, thumb, thumb.size(), 0, 0, cv::INTER_AREA);
    cv::Mat strip = sheet(cv::Rect(at.x, at.y + SheetLayout::kThumbHeight, SheetLayout::kThumbWidth,
                                   SheetLayout::kCaptionHeight));
    caption(cv::Rect(0, 0, strip.cols, strip.rows)).copyTo(strip);
}

std::string captionText(int frameNumber, const std::string& speaker)
{
    return std::to_string(frameNumber) + "  " + (speaker.empty() ? std::string("narration") : speaker);
}

} // namespace render

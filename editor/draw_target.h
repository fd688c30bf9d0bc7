#pragma once
// A surface the preview picture is drawn onto. The Qt binding draws with a
// QPainter; tests record the calls.

#include <opencv2/core.hpp>

namespace quillforge {

// A rectangle in pixels; right and bottom are exclusive.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

enum class ScaleMode {
    Exact,  // sizes are equal: copy pixels
    Smooth, // shrinking: filtered, so thin lines and text survive
    Fast,   // enlarging: nearest pixel
};

class DrawTarget {
public:
    virtual ~DrawTarget() = default;
    // Draws the source part of image (8-bit, 1, 3 or 4 channels in blue, green,
    // red, alpha order; bottomUp when row 0 is the picture's bottom row) into
    // dest, scaled as mode says.
    virtual void drawImage(const cv::Mat& image, bool bottomUp, const PixelRect& source, const PixelRect& dest,
                           ScaleMode mode) = 0;
};

} // namespace quillforge

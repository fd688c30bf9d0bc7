#pragma once
// CvvImage: holds one owned 8-bit picture and draws it onto a DrawTarget,
// unscaled or scaled into a rectangle.

#include <string>

#include <opencv2/core.hpp>

#include "editor/draw_target.h"

class CvvImage {
public:
    CvvImage() = default;
    CvvImage(const CvvImage&) = delete;
    CvvImage& operator=(const CvvImage&) = delete;
    virtual ~CvvImage();

    // bitsPerPixel 8, 24 or 32; width and height below 10000; origin 0
    // (top-left) or 1 (bottom-left). Keeps a held picture of the same format,
    // replaces any other. Returns whether a picture is held.
    virtual bool createImage(int width, int height, int bitsPerPixel, int origin);
    // desiredColor: > 0 colour, 0 grey, < 0 as stored in the file.
    virtual bool loadFile(const std::string& fileName, int desiredColor);
    virtual bool loadFileRegion(const std::string& fileName, int desiredColor, const quillforge::PixelRect& region);
    // A zero width or height means the whole picture; a region reaching past
    // the picture is clipped to it.
    virtual bool loadFileRegion(const std::string& fileName, int desiredColor, int x, int y, int width, int height);
    // Grey when desiredColor == 0, or < 0 with a one-channel source; otherwise
    // the source's channel count (3 for a grey source). origin as above.
    virtual void copyFrom(const cv::Mat& image, int desiredColor, int origin = 0);
    virtual void copyFrom(const CvvImage& other, int desiredColor);
    virtual void releaseImage();
    // Nothing is drawn when rect is null or no 8-bit picture is held; a
    // rectangle of the picture's own size gets it pixel for pixel.
    virtual void drawInto(quillforge::DrawTarget& target, const quillforge::PixelRect* rect);

    const cv::Mat& image() const { return image_; }
    int origin() const { return origin_; }

private:
    cv::Mat image_;
    int origin_ = 0;
};

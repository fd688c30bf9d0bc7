#include "editor/cvv_image.h"

#include <algorithm>

#include <opencv2/imgcodecs.hpp>

#include "media/image/image_loader.h"
#include <opencv2/imgproc.hpp>

using quillforge::PixelRect;
using quillforge::ScaleMode;

namespace {

int readFlagOf(int desiredColor)
{
    if (desiredColor > 0) return cv::IMREAD_COLOR;
    if (desiredColor == 0) return cv::IMREAD_GRAYSCALE;
    return cv::IMREAD_UNCHANGED;
}

} // namespace

CvvImage::~CvvImage()
{
    image_.release();
}

bool CvvImage::createImage(int width, int height, int bitsPerPixel, int origin)
{
    if (bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) return false;
    if (static_cast<unsigned>(width) >= 10000u || static_cast<unsigned>(height) >= 10000u) return false;
    if (origin != 0 && origin != 1) return false;

    int type = CV_MAKETYPE(CV_8U, bitsPerPixel / 8);
    if (!image_.empty() && (image_.type() != type || image_.cols != width || image_.rows != height)) {
        releaseImage();
    }
    if (image_.empty()) image_.create(height, width, type);
    origin_ = origin != 0 ? 1 : 0;
    return !image_.empty();
}

bool CvvImage::loadFile(const std::string& fileName, int desiredColor)
{
    cv::Mat read = readWithOpenCv(fileName, readFlagOf(desiredColor));
    if (read.empty()) return false;
    copyFrom(read, desiredColor);
    return true;
}

bool CvvImage::loadFileRegion(const std::string& fileName, int desiredColor, const PixelRect& region)
{
    return loadFileRegion(fileName, desiredColor, region.left, region.top, region.width(), region.height());
}

bool CvvImage::loadFileRegion(const std::string& fileName, int desiredColor, int x, int y, int width, int height)
{
    if (width < 0 || height < 0) return false;
    cv::Mat read = readWithOpenCv(fileName, readFlagOf(desiredColor));
    if (read.empty()) return false;
    if (width == 0 || height == 0) {
        x = 0;
        y = 0;
        width = read.cols;
        height = read.rows;
    }
    if (read.cols < x || read.rows < y || x + width < 0 || y + height < 0) return false;
    if (x < 0) {
        width += x;
        x = 0;
    }
    if (y < 0) {
        height += y;
        y = 0;
    }
    width = std::min(width, read.cols - x);
    height = std::min(height, read.rows - y);
    // A region that clips away to nothing holds no picture to copy.
    if (width <= 0 || height <= 0) return false;
    copyFrom(read(cv::Rect(x, y, width, height)), desiredColor);
    return true;
}

void CvvImage::copyFrom(const cv::Mat& image, int desiredColor, int origin)
{
    if (image.empty() || image.data == nullptr) return;
    int srcChannels = image.channels();
    int channels;
    if ((desiredColor < 0 && srcChannels <= 1) || desiredColor == 0) {
        channels = 1;
    } else {
        channels = srcChannels == 1 ? 3 : srcChannels;
    }
    // Keep the source alive while converting: it may be our own picture.
    cv::Mat source = toEightBit(image);
    if (source.data == image_.data) source = source.clone();
    if (!createImage(image.cols, image.rows, channels * 8, origin)) return;

    if (srcChannels == channels) {
        source.copyTo(image_);
    } else if (channels == 1) {
        cv::cvtColor(source, image_, srcChannels == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY);
    } else if (srcChannels == 1) {
        cv::cvtColor(source, image_, channels == 4 ? cv::COLOR_GRAY2BGRA : cv::COLOR_GRAY2BGR);
    } else if (srcChannels == 4 && channels == 3) {
        cv::cvtColor(source, image_, cv::COLOR_BGRA2BGR);
    } else if (srcChannels == 3 && channels == 4) {
        cv::cvtColor(source, image_, cv::COLOR_BGR2BGRA);
    }
}

void CvvImage::copyFrom(const CvvImage& other, int desiredColor)
{
    if (&other == this || other.image_.empty()) return;
    copyFrom(other.image_, desiredColor, other.origin_);
}

void CvvImage::releaseImage()
{
    image_.release();
}

void CvvImage::drawInto(quillforge::DrawTarget& target, const PixelRect* rect)
{
    if (rect == nullptr || image_.empty() || image_.depth() != CV_8U || image_.data == nullptr) return;
    PixelRect dest{std::min(rect->left, rect->right), std::min(rect->top, rect->bottom),
                   std::max(rect->left, rect->right), std::max(rect->top, rect->bottom)};
    if (dest.width() == 0 || dest.height() == 0) return;
    ScaleMode mode = image_.cols > dest.width() ? ScaleMode::Smooth : ScaleMode::Fast;
    if (dest.width() == image_.cols && dest.height() == image_.rows) mode = ScaleMode::Exact;
    target.drawImage(image_, origin_ == 1, PixelRect{0, 0, image_.cols, image_.rows}, dest, mode);
}

#pragma once
// A small supersampling painter for the demo pictures: shapes are drawn as
// hard masks at a multiple of the final size, composited with "over" in
// premultiplied float colour, and averaged down at the end, which gives
// smooth edges and clean transparent borders.

#include <functional>
#include <vector>

#include <opencv2/core.hpp>

struct Rgb {
    float r = 0, g = 0, b = 0; // 0..255
};

Rgb mix(Rgb a, Rgb b, float t);

// Draws shapes into a mask in final-picture coordinates (x right, y down).
class Pen {
public:
    Pen(cv::Mat& mask, float scale) : mask_(mask), scale_(scale) {}
    void circle(cv::Point2f centre, float radius);
    void ellipse(cv::Point2f centre, cv::Size2f halfAxes, float angleDegrees = 0);
    // The arc from start to end degrees (clockwise from +x), as a stroke.
    void arc(cv::Point2f centre, cv::Size2f halfAxes, float start, float end, float thickness, float angleDegrees = 0);
    void polygon(const std::vector<cv::Point2f>& points);
    void polyline(const std::vector<cv::Point2f>& points, float thickness, bool closed = false);
    void line(cv::Point2f a, cv::Point2f b, float thickness);
    void rect(float x, float y, float w, float h);
    void roundedRect(float x, float y, float w, float h, float radius);

private:
    cv::Point at(cv::Point2f p) const;
    cv::Mat& mask_;
    float scale_;
};

class Painter {
public:
    Painter(int width, int height, int scale);

    int width() const { return width_; }
    int height() const { return height_; }

    // Paints the shapes that draw puts in the mask with colour c; blur softens
    // the mask (in final pixels) for glows, mist and clouds.
    void paint(Rgb c, float opacity, const std::function<void(Pen&)>& draw, float blur = 0);
    // A vertical gradient from top to bottom through the given stops (0..1).
    void gradient(const std::vector<std::pair<float, Rgb>>& stops, float opacity = 1);
    // Fine grain, so large flat areas do not look synthetic.
    void grain(float amount, unsigned seed);

    cv::Mat toBgr() const;  // CV_8UC3, opaque
    cv::Mat toBgra() const; // CV_8UC4, straight alpha

private:
    int width_, height_, scale_;
    cv::Mat colour_; // CV_32FC3, premultiplied, blue green red, 0..1
    cv::Mat alpha_;  // CV_32FC1, 0..1
};

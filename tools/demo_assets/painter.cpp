#include "tools/demo_assets/painter.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

Rgb mix(Rgb a, Rgb b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

cv::Point Pen::at(cv::Point2f p) const
{
    return {static_cast<int>(std::lround(p.x * scale_)), static_cast<int>(std::lround(p.y * scale_))};
}

void Pen::circle(cv::Point2f centre, float radius)
{
    cv::circle(mask_, at(centre), static_cast<int>(std::lround(radius * scale_)), 255, cv::FILLED);
}

void Pen::ellipse(cv::Point2f centre, cv::Size2f halfAxes, float angleDegrees)
{
    cv::ellipse(mask_, at(centre),
                cv::Size(static_cast<int>(halfAxes.width * scale_), static_cast<int>(halfAxes.height * scale_)),
                angleDegrees, 0, 360, 255, cv::FILLED);
}

void Pen::arc(cv::Point2f centre, cv::Size2f halfAxes, float start, float end, float thickness, float angleDegrees)
{
    cv::ellipse(mask_, at(centre),
                cv::Size(static_cast<int>(halfAxes.width * scale_), static_cast<int>(halfAxes.height * scale_)),
                angleDegrees, start, end, 255, std::max(1, static_cast<int>(thickness * scale_)));
}

void Pen::polygon(const std::vector<cv::Point2f>& points)
{
    std::vector<cv::Point> scaled;
    for (const cv::Point2f& p : points) scaled.push_back(at(p));
    cv::fillPoly(mask_, std::vector<std::vector<cv::Point>>{scaled}, 255);
}

void Pen::polyline(const std::vector<cv::Point2f>& points, float thickness, bool closed)
{
    std::vector<cv::Point> scaled;
    for (const cv::Point2f& p : points) scaled.push_back(at(p));
    cv::polylines(mask_, std::vector<std::vector<cv::Point>>{scaled}, closed, 255,
                  std::max(1, static_cast<int>(thickness * scale_)));
}

void Pen::line(cv::Point2f a, cv::Point2f b, float thickness)
{
    cv::line(mask_, at(a), at(b), 255, std::max(1, static_cast<int>(thickness * scale_)));
}

void Pen::rect(float x, float y, float w, float h)
{
    cv::rectangle(mask_, at({x, y}), at({x + w, y + h}), 255, cv::FILLED);
}

void Pen::roundedRect(float x, float y, float w, float h, float radius)
{
    rect(x + radius, y, w - 2 * radius, h);
    rect(x, y + radius, w, h - 2 * radius);
    circle({x + radius, y + radius}, radius);
    circle({x + w - radius, y + radius}, radius);
    circle({x + radius, y + h - radius}, radius);
    circle({x + w - radius, y + h - radius}, radius);
}

Painter::Painter(int width, int height, int scale)
    : width_(width), height_(height), scale_(scale),
      colour_(height * scale, width * scale, CV_32FC3, cv::Scalar::all(0)),
      alpha_(height * scale, width * scale, CV_32FC1, cv::Scalar::all(0))
{
}

void Painter::paint(Rgb c, float opacity, const std::function<void(Pen&)>& draw, float blur)
{
    cv::Mat mask(alpha_.size(), CV_8UC1, cv::Scalar::all(0));
    Pen pen(mask, static_cast<float>(scale_));
    draw(pen);
    if (blur > 0) {
        const double sigma = blur * scale_;
        cv::GaussianBlur(mask, mask, cv::Size(), sigma, sigma);
    }
    const cv::Rect box = cv::boundingRect(mask);
    if (box.empty()) return;

    cv::Mat a;
    mask(box).convertTo(a, CV_32F, opacity / 255.0);
    cv::Mat colour = colour_(box);
    cv::Mat alpha = alpha_(box);
    const cv::Vec3f paintColour(c.b / 255.0f, c.g / 255.0f, c.r / 255.0f);
    for (int y = 0; y < box.height; ++y) {
        const float* ar = a.ptr<float>(y);
        cv::Vec3f* cr = colour.ptr<cv::Vec3f>(y);
        float* alr = alpha.ptr<float>(y);
        for (int x = 0; x < box.width; ++x) {
            const float k = ar[x];
            if (k <= 0) continue;
            cr[x] = cr[x] * (1 - k) + paintColour * k;
            alr[x] = alr[x] * (1 - k) + k;
        }
    }
}

void Painter::gradient(const std::vector<std::pair<float, Rgb>>& stops, float opacity)
{
    for (int y = 0; y < colour_.rows; ++y) {
        const float t = (y + 0.5f) / colour_.rows;
        Rgb c = stops.front().second;
        for (std::size_t i = 1; i < stops.size(); ++i) {
            if (t <= stops[i].first) {
                const float span = stops[i].first - stops[i - 1].first;
                c = mix(stops[i - 1].second, stops[i].second, span > 0 ? (t - stops[i - 1].first) / span : 1);
                break;
            }
            c = stops[i].second;
        }
        const cv::Vec3f v(c.b / 255.0f, c.g / 255.0f, c.r / 255.0f);
        cv::Vec3f* row = colour_.ptr<cv::Vec3f>(y);
        float* al = alpha_.ptr<float>(y);
        for (int x = 0; x < colour_.cols; ++x) {
            row[x] = row[x] * (1 - opacity) + v * opacity;
            al[x] = al[x] * (1 - opacity) + opacity;
        }
    }
}

void Painter::grain(float amount, unsigned seed)
{
    cv::RNG rng(seed);
    cv::Mat noise(colour_.size(), CV_32FC1);
    rng.fill(noise, cv::RNG::NORMAL, 0, amount / 255.0);
    for (int y = 0; y < colour_.rows; ++y) {
        cv::Vec3f* row = colour_.ptr<cv::Vec3f>(y);
        const float* n = noise.ptr<float>(y);
        const float* al = alpha_.ptr<float>(y);
        for (int x = 0; x < colour_.cols; ++x) row[x] += cv::Vec3f::all(n[x] * al[x]);
    }
}

cv::Mat Painter::toBgra() const
{
    cv::Mat colour, alpha;
    cv::resize(colour_, colour, cv::Size(width_, height_), 0, 0, cv::INTER_AREA);
    cv::resize(alpha_, alpha, cv::Size(width_, height_), 0, 0, cv::INTER_AREA);
    cv::Mat out(height_, width_, CV_8UC4);
    for (int y = 0; y < height_; ++y) {
        const cv::Vec3f* c = colour.ptr<cv::Vec3f>(y);
        const float* a = alpha.ptr<float>(y);
        cv::Vec4b* o = out.ptr<cv::Vec4b>(y);
        for (int x = 0; x < width_; ++x) {
            const float k = std::clamp(a[x], 0.0f, 1.0f);
            const float unpremultiply = k > 1e-4f ? 1.0f / k : 0.0f;
            for (int ch = 0; ch < 3; ++ch) o[x][ch] = cv::saturate_cast<uchar>(c[x][ch] * unpremultiply * 255.0f);
            o[x][3] = cv::saturate_cast<uchar>(k * 255.0f);
        }
    }
    return out;
}

cv::Mat Painter::toBgr() const
{
    cv::Mat colour;
    cv::resize(colour_, colour, cv::Size(width_, height_), 0, 0, cv::INTER_AREA);
    cv::Mat out;
    colour.convertTo(out, CV_8UC3, 255.0);
    return out;
}

#include "tools/icons/icon_art.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

namespace icons {

namespace {

Shape roundRect(float x, float y, float w, float h, float radius, Colour fill)
{
    Shape s;
    s.kind = Shape::RoundRect;
    s.fill = fill;
    s.x = x, s.y = y, s.w = w, s.h = h, s.radius = radius;
    return s;
}

Shape circle(float cx, float cy, float radius, Colour fill)
{
    Shape s;
    s.kind = Shape::Circle;
    s.fill = fill;
    s.x = cx, s.y = cy, s.radius = radius;
    return s;
}

Shape polygon(std::vector<Point> points, Colour fill)
{
    Shape s;
    s.kind = Shape::Polygon;
    s.fill = fill;
    s.points = std::move(points);
    return s;
}

bool inside(const Shape& s, float px, float py)
{
    switch (s.kind) {
    case Shape::RoundRect: {
        // Distance from the box shrunk by the corner radius.
        const float dx = std::max({s.x + s.radius - px, 0.0f, px - (s.x + s.w - s.radius)});
        const float dy = std::max({s.y + s.radius - py, 0.0f, py - (s.y + s.h - s.radius)});
        return px >= s.x && px <= s.x + s.w && py >= s.y && py <= s.y + s.h && dx * dx + dy * dy <= s.radius * s.radius;
    }
    case Shape::Circle: return (px - s.x) * (px - s.x) + (py - s.y) * (py - s.y) <= s.radius * s.radius;
    case Shape::Polygon: {
        bool in = false;
        for (size_t i = 0, j = s.points.size() - 1; i < s.points.size(); j = i++) {
            const Point a = s.points[i], b = s.points[j];
            if ((a.y > py) != (b.y > py) && px < (b.x - a.x) * (py - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        return in;
    }
    }
    return false;
}

std::string hex(Colour c)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
    return text;
}

std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

const Colour kInk{0x2b, 0x22, 0x1c, 1.0f};

} // namespace

Icon quillforgeIcon()
{
    // A written page with a quill across it.
    Icon icon;
    icon.push_back(roundRect(20, 20, 216, 216, 36, {0x8a, 0x5a, 0x32, 1.0f}));
    icon.push_back(roundRect(40, 36, 150, 184, 10, {0xf6, 0xec, 0xd2, 1.0f}));
    for (int line = 0; line < 5; ++line) {
        const float width = line == 4 ? 60.0f : 106.0f - 8.0f * (line % 2);
        icon.push_back(roundRect(60, 64 + 30.0f * line, width, 9, 4.5f, {0x6b, 0x5b, 0x4a, 1.0f}));
    }
    icon.push_back(
        polygon({{70, 226}, {92, 186}, {140, 122}, {196, 58}, {232, 26}, {222, 76}, {188, 128}, {138, 178}, {96, 208}},
                {0x2f, 0x6d, 0xb5, 1.0f}));
    icon.push_back(polygon({{74, 222}, {226, 32}, {229, 35}, {79, 225}}, {0xe8, 0xf0, 0xfa, 0.9f}));
    icon.push_back(polygon({{62, 240}, {70, 214}, {84, 222}}, kInk));
    return icon;
}

Icon scenewalkIcon()
{
    // A starry night with a lantern moon above the player's text box and its
    // next-frame marker.
    Icon icon;
    icon.push_back(roundRect(20, 20, 216, 216, 36, {0x1f, 0x2a, 0x56, 1.0f}));
    for (const Point star : {Point{56, 60}, Point{98, 42}, Point{118, 88}, Point{216, 124}, Point{74, 104}})
        icon.push_back(circle(star.x, star.y, 3.5f, {0xf4, 0xf1, 0xe6, 1.0f}));
    icon.push_back(circle(170, 78, 32, {0xf6, 0xc3, 0x4a, 1.0f}));
    icon.push_back(polygon({{20, 170}, {70, 120}, {112, 150}, {160, 112}, {236, 166}, {236, 200}, {20, 200}},
                           {0x2e, 0x6b, 0x52, 1.0f}));
    icon.push_back(roundRect(34, 150, 188, 72, 12, {0xfb, 0xf6, 0xea, 0.95f}));
    icon.push_back(roundRect(52, 168, 118, 9, 4.5f, kInk));
    icon.push_back(roundRect(52, 188, 84, 9, 4.5f, kInk));
    icon.push_back(polygon({{184, 190}, {208, 190}, {196, 208}}, {0xd9, 0x48, 0x3b, 1.0f}));
    return icon;
}

std::string toSvg(const Icon& icon)
{
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n";
    for (const auto& s : icon) {
        std::string paint = " fill=\"" + hex(s.fill) + "\"";
        if (s.fill.alpha < 1.0f) paint += " fill-opacity=\"" + number(s.fill.alpha) + "\"";
        switch (s.kind) {
        case Shape::RoundRect:
            svg += "  <rect x=\"" + number(s.x) + "\" y=\"" + number(s.y) + "\" width=\"" + number(s.w) +
                   "\" height=\"" + number(s.h) + "\" rx=\"" + number(s.radius) + "\"" + paint + "/>\n";
            break;
        case Shape::Circle:
            svg += "  <circle cx=\"" + number(s.x) + "\" cy=\"" + number(s.y) + "\" r=\"" + number(s.radius) + "\"" +
                   paint + "/>\n";
            break;
        case Shape::Polygon: {
            std::string points;
            for (const auto& p : s.points) points += (points.empty() ? "" : " ") + number(p.x) + "," + number(p.y);
            svg += "  <polygon points=\"" + points + "\" fill-rule=\"evenodd\"" + paint + "/>\n";
            break;
        }
        }
    }
    return svg + "</svg>\n";
}

std::vector<std::uint8_t> rasterise(const Icon& icon, int size)
{
    constexpr int kSamples = 4;
    const float scale = static_cast<float>(kCanvas) / static_cast<float>(size);
    std::vector<std::uint8_t> rgba(static_cast<size_t>(size) * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Premultiplied sums over the pixel's samples.
            float sum[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const float px = (x + (sx + 0.5f) / kSamples) * scale;
                    const float py = (y + (sy + 0.5f) / kSamples) * scale;
                    float r = 0, g = 0, b = 0, a = 0;
                    for (const auto& s : icon) {
                        if (!inside(s, px, py)) continue;
                        const float k = s.fill.alpha;
                        r = s.fill.r / 255.0f * k + r * (1 - k);
                        g = s.fill.g / 255.0f * k + g * (1 - k);
                        b = s.fill.b / 255.0f * k + b * (1 - k);
                        a = k + a * (1 - k);
                    }
                    sum[0] += r, sum[1] += g, sum[2] += b, sum[3] += a;
                }
            }
            const float n = kSamples * kSamples;
            const float a = sum[3] / n;
            auto* out = &rgba[(static_cast<size_t>(y) * size + x) * 4];
            for (int c = 0; c < 3; ++c)
                out[c] = a > 0 ? static_cast<std::uint8_t>(std::lround(sum[c] / n / a * 255)) : 0;
            out[3] = static_cast<std::uint8_t>(std::lround(a * 255));
        }
    }
    return rgba;
}

bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int size)
{
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, size, size, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < size; ++y) png_write_row(png, &rgba[static_cast<size_t>(y) * size * 4]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fflush(file.get()) == 0;
}

} // namespace icons

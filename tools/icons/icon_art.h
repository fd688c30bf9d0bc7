// The programs' icons as a list of flat shapes on a 256 x 256 canvas, written
// out as SVG and rasterised to PNG from the same list, so every size shows
// the same picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace icons {

struct Colour {
    std::uint8_t r, g, b;
    float alpha; // 0 to 1
};

struct Point {
    float x, y;
};

struct Shape {
    enum Kind { RoundRect, Circle, Polygon } kind = RoundRect;
    Colour fill{};
    float x = 0, y = 0, w = 0, h = 0, radius = 0; // RoundRect: box and corner; Circle: centre x, y and radius
    std::vector<Point> points;                    // Polygon, even-odd filled
};

using Icon = std::vector<Shape>;

constexpr int kCanvas = 256;

// The editor's and the player's icons.
Icon quillforgeIcon();
Icon scenewalkIcon();

std::string toSvg(const Icon& icon);

// size x size RGBA pixels (straight alpha), 4 x 4 samples per pixel.
std::vector<std::uint8_t> rasterise(const Icon& icon, int size);

// Writes RGBA pixels as a PNG file; false on failure.
bool writePng(const std::string& path, const std::vector<std::uint8_t>& rgba, int size);

} // namespace icons

#include "tools/demo_assets/scenery.h"

#include "tools/demo_assets/painter.h"

#include <cmath>
#include <vector>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr int kScale = 2;

// A hill line from a few sines; the polygon closes along the bottom edge.
std::vector<cv::Point2f> hillShape(float baseY, float amplitude, float frequency, float phase)
{
    std::vector<cv::Point2f> points;
    for (int x = -10; x <= kWidth + 10; x += 5) {
        const float t = static_cast<float>(x) / kWidth;
        const float y = baseY - amplitude * (std::sin(t * frequency + phase) * 0.7f +
                                             std::sin(t * frequency * 2.3f + phase * 1.7f) * 0.3f);
        points.push_back({static_cast<float>(x), y});
    }
    points.push_back({kWidth + 10.0f, kHeight + 10.0f});
    points.push_back({-10.0f, kHeight + 10.0f});
    return points;
}

float hillTop(float x, float baseY, float amplitude, float frequency, float phase)
{
    const float t = x / kWidth;
    return baseY -
           amplitude * (std::sin(t * frequency + phase) * 0.7f + std::sin(t * frequency * 2.3f + phase * 1.7f) * 0.3f);
}

void hill(Painter& p, Rgb top, Rgb bottom, float baseY, float amplitude, float frequency, float phase)
{
    p.paint(top, 1, [&](Pen& pen) { pen.polygon(hillShape(baseY, amplitude, frequency, phase)); });
    // Shade towards the foot of the hill.
    p.paint(
        bottom, 0.55f, [&](Pen& pen) { pen.polygon(hillShape(baseY + 60, amplitude * 0.6f, frequency, phase)); }, 25);
}

void cloud(Painter& p, float x, float y, float size, Rgb colour, float opacity)
{
    p.paint(
        colour, opacity,
        [&](Pen& pen) {
            pen.ellipse({x, y}, {size * 1.6f, size * 0.55f});
            pen.circle({x - size * 0.6f, y - size * 0.25f}, size * 0.5f);
            pen.circle({x + size * 0.2f, y - size * 0.45f}, size * 0.65f);
            pen.circle({x + size * 0.9f, y - size * 0.15f}, size * 0.45f);
        },
        size * 0.08f);
}

void tree(Painter& p, float x, float groundY, float size, Rgb leaves, Rgb trunk)
{
    p.paint(trunk, 1, [&](Pen& pen) {
        pen.polygon({{x - size * 0.08f, groundY},
                     {x + size * 0.08f, groundY},
                     {x + size * 0.05f, groundY - size * 0.9f},
                     {x - size * 0.05f, groundY - size * 0.9f}});
    });
    p.paint(leaves, 1, [&](Pen& pen) {
        pen.circle({x, groundY - size * 1.15f}, size * 0.5f);
        pen.circle({x - size * 0.35f, groundY - size * 0.85f}, size * 0.38f);
        pen.circle({x + size * 0.38f, groundY - size * 0.9f}, size * 0.4f);
    });
    // Light from the upper left.
    p.paint(
        mix(leaves, {255, 255, 220}, 0.25f), 0.6f,
        [&](Pen& pen) {
            pen.circle({x - size * 0.15f, groundY - size * 1.3f}, size * 0.28f);
        },
        size * 0.08f);
}

struct HouseLight {
    bool lit = false;   // windows glowing at night
    float darkness = 0; // 0 day colours .. 1 silhouette
};

void house(Painter& p, float x, float groundY, float size, HouseLight light)
{
    const Rgb wall = mix({238, 226, 200}, {40, 44, 70}, light.darkness);
    const Rgb roof = mix({178, 52, 42}, {50, 24, 40}, light.darkness);
    const Rgb wood = mix({120, 78, 48}, {30, 24, 30}, light.darkness);
    const float w = size, h = size * 0.62f;
    p.paint(wood, 1,
            [&](Pen& pen) { pen.rect(x + w * 0.62f, groundY - h - size * 0.42f, w * 0.1f, size * 0.3f); }); // chimney
    p.paint(wall, 1, [&](Pen& pen) { pen.rect(x, groundY - h, w, h); });
    p.paint(roof, 1, [&](Pen& pen) {
        pen.polygon({{x - w * 0.1f, groundY - h + 2},
                     {x + w * 0.5f, groundY - h - size * 0.42f},
                     {x + w * 1.1f, groundY - h + 2}});
    });
    p.paint(wood, 1, [&](Pen& pen) { pen.rect(x + w * 0.42f, groundY - h * 0.62f, w * 0.17f, h * 0.62f); }); // door
    const Rgb glass = light.lit ? Rgb{255, 214, 120} : mix({150, 196, 220}, {30, 36, 60}, light.darkness);
    p.paint(glass, 1, [&](Pen& pen) {
        pen.rect(x + w * 0.1f, groundY - h * 0.75f, w * 0.2f, h * 0.3f);
        pen.rect(x + w * 0.7f, groundY - h * 0.75f, w * 0.2f, h * 0.3f);
    });
    p.paint(wood, 1, [&](Pen& pen) {
        pen.line({x + w * 0.2f, groundY - h * 0.75f}, {x + w * 0.2f, groundY - h * 0.45f}, 1.5f);
        pen.line({x + w * 0.8f, groundY - h * 0.75f}, {x + w * 0.8f, groundY - h * 0.45f}, 1.5f);
    });
    if (light.lit) {
        p.paint(
            {255, 190, 90}, 0.45f,
            [&](Pen& pen) {
                pen.circle({x + w * 0.2f, groundY - h * 0.6f}, w * 0.16f);
                pen.circle({x + w * 0.8f, groundY - h * 0.6f}, w * 0.16f);
            },
            w * 0.08f);
    }
}

void river(Painter& p, Rgb colour, float opacity)
{
    std::vector<cv::Point2f> left, right;
    for (int i = 0; i <= 30; ++i) {
        const float t = i / 30.0f; // 0 at the far end, 1 at the bottom edge
        const float y = 372 + t * 240;
        const float centre = 330 + std::sin(t * 5.0f) * 70 * t + t * 60;
        const float half = 3 + t * t * 75;
        left.push_back({centre - half, y});
        right.push_back({centre + half, y});
    }
    std::vector<cv::Point2f> shape = left;
    shape.insert(shape.end(), right.rbegin(), right.rend());
    p.paint(colour, opacity, [&](Pen& pen) { pen.polygon(shape); });
}

void stars(Painter& p, unsigned seed, int count, float maxY)
{
    cv::RNG rng(seed);
    std::vector<cv::Point3f> points;
    for (int i = 0; i < count; ++i)
        points.push_back({rng.uniform(0.0f, float(kWidth)), rng.uniform(0.0f, maxY), rng.uniform(0.4f, 1.3f)});
    p.paint({255, 250, 230}, 0.9f, [&](Pen& pen) {
        for (const cv::Point3f& s : points) pen.circle({s.x, s.y}, s.z);
    });
    p.paint(
        {200, 210, 255}, 0.5f,
        [&](Pen& pen) {
            for (int i = 0; i < count; i += 9) pen.circle({points[i].x, points[i].y}, 3.5f);
        },
        2.5f);
}

void glow(Painter& p, cv::Point2f centre, float radius, Rgb colour, float opacity)
{
    p.paint(
        colour, opacity, [&](Pen& pen) { pen.circle(centre, radius); }, radius * 0.6f);
}

// The valley shared by the demo's scenes; light tints the hills from day to night.
void valley(Painter& p, float darkness, Rgb tint, bool litWindows)
{
    auto shade = [&](Rgb day) { return mix(mix(day, tint, 0.25f * darkness), {12, 18, 34}, darkness * 0.75f); };
    hill(p, shade({128, 170, 160}), shade({110, 150, 150}), 330, 40, 5.0f, 0.6f);
    hill(p, shade({98, 160, 86}), shade({70, 130, 70}), 392, 30, 3.2f, 2.2f);
    house(p, 470, hillTop(520, 392, 30, 3.2f, 2.2f) + 6, 110, {litWindows, darkness});
    tree(p, 620, hillTop(620, 392, 30, 3.2f, 2.2f) + 8, 60, shade({60, 128, 64}), shade({96, 70, 50}));
    tree(p, 430, hillTop(430, 392, 30, 3.2f, 2.2f) + 10, 42, shade({72, 140, 70}), shade({96, 70, 50}));
    hill(p, shade({84, 148, 62}), shade({58, 112, 48}), 470, 22, 2.1f, 4.0f);
    river(p, shade({110, 170, 220}), 0.9f);
    tree(p, 90, 520, 95, shade({50, 112, 56}), shade({84, 60, 44}));
}

} // namespace

cv::Mat paintMeadow()
{
    Painter p(kWidth, kHeight, kScale);
    p.gradient({{0.0f, {82, 142, 216}}, {0.45f, {160, 204, 240}}, {0.62f, {214, 232, 246}}});
    glow(p, {660, 90}, 70, {255, 250, 210}, 0.55f);
    p.paint({255, 252, 235}, 1, [](Pen& pen) { pen.circle({660, 90}, 34); });
    cloud(p, 180, 110, 60, {255, 255, 255}, 0.92f);
    cloud(p, 420, 70, 40, {250, 252, 255}, 0.85f);
    cloud(p, 560, 200, 34, {255, 255, 255}, 0.7f);
    valley(p, 0, {0, 0, 0}, false);
    // Flowers on the near slope.
    cv::RNG rng(7);
    std::vector<cv::Point2f> flowers;
    while (flowers.size() < 90) {
        const cv::Point2f f(rng.uniform(0.0f, 800.0f), rng.uniform(500.0f, 600.0f));
        if (f.x < 230 || f.x > 470) flowers.push_back(f); // not in the river
    }
    p.paint({250, 240, 120}, 1, [&](Pen& pen) {
        for (int i = 0; i < 45; ++i) pen.circle(flowers[i], 2.2f);
    });
    p.paint({250, 160, 190}, 1, [&](Pen& pen) {
        for (int i = 45; i < 90; ++i) pen.circle(flowers[i], 2.2f);
    });
    p.grain(2.0f, 11);
    return p.toBgr();
}

cv::Mat paintDusk()
{
    Painter p(kWidth, kHeight, kScale);
    p.gradient({{0.0f, {64, 52, 112}}, {0.3f, {170, 90, 120}}, {0.5f, {246, 150, 84}}, {0.62f, {255, 206, 128}}});
    glow(p, {250, 330}, 150, {255, 200, 110}, 0.65f);
    p.paint({255, 236, 170}, 1, [](Pen& pen) { pen.circle({250, 330}, 44); });
    cloud(p, 540, 120, 50, {240, 150, 140}, 0.55f);
    cloud(p, 160, 180, 36, {250, 170, 130}, 0.5f);
    // Birds flying home.
    p.paint({60, 40, 60}, 0.9f, [](Pen& pen) {
        const cv::Point2f birds[] = {{470, 170}, {500, 150}, {530, 185}, {560, 160}};
        for (const cv::Point2f& b : birds) {
            pen.arc({b.x - 6, b.y}, {6, 4}, 200, 340, 1.6f);
            pen.arc({b.x + 6, b.y}, {6, 4}, 200, 340, 1.6f);
        }
    });
    valley(p, 0.45f, {255, 120, 60}, true);
    p.grain(2.0f, 12);
    return p.toBgr();
}

cv::Mat paintNight()
{
    Painter p(kWidth, kHeight, kScale);
    p.gradient({{0.0f, {8, 12, 36}}, {0.45f, {22, 34, 78}}, {0.62f, {44, 62, 112}}});
    stars(p, 21, 260, 330);
    glow(p, {610, 110}, 90, {180, 200, 255}, 0.35f);
    p.paint({244, 240, 220}, 1, [](Pen& pen) { pen.circle({610, 110}, 38); });
    p.paint(
        {210, 206, 190}, 0.6f,
        [](Pen& pen) {
            pen.circle({598, 100}, 8);
            pen.circle({624, 124}, 6);
            pen.circle({616, 94}, 4);
        },
        1.5f);
    valley(p, 1.0f, {60, 80, 160}, true);
    // Moonlight on the river and fireflies above the grass.
    p.paint(
        {200, 210, 255}, 0.35f,
        [](Pen& pen) {
            for (int i = 0; i < 7; ++i) pen.ellipse({372.0f + (i % 2) * 14, 470.0f + i * 18}, {14.0f + i * 3, 2.0f});
        },
        2);
    cv::RNG rng(5);
    std::vector<cv::Point2f> flies;
    for (int i = 0; i < 40; ++i) flies.push_back({rng.uniform(20.0f, 780.0f), rng.uniform(430.0f, 590.0f)});
    p.paint(
        {210, 255, 120}, 0.6f,
        [&](Pen& pen) {
            for (const auto& f : flies) pen.circle(f, 6);
        },
        4);
    p.paint({240, 255, 200}, 1, [&](Pen& pen) {
        for (const auto& f : flies) pen.circle(f, 1.6f);
    });
    p.grain(2.5f, 13);
    return p.toBgr();
}

cv::Mat paintLanterns()
{
    Painter p(kWidth, kHeight, kScale);
    p.gradient({{0.0f, {16, 14, 44}}, {0.5f, {48, 30, 80}}, {0.7f, {110, 60, 90}}});
    stars(p, 31, 140, 300);
    cv::RNG rng(17);
    struct Lantern {
        cv::Point2f at;
        float size;
    };
    std::vector<Lantern> lanterns;
    for (int i = 0; i < 34; ++i) {
        const float y = rng.uniform(30.0f, 400.0f);
        lanterns.push_back(
            {{rng.uniform(20.0f, 780.0f), y}, 5.0f + (400.0f - y) / 400.0f * 3.0f + rng.uniform(0.0f, 6.0f)});
    }
    lanterns.push_back({{400, 250}, 26}); // the one Mei and Grandpa made
    for (const Lantern& l : lanterns) glow(p, l.at, l.size * 2.6f, {255, 150, 60}, 0.45f);
    p.paint({232, 70, 40}, 1, [&](Pen& pen) {
        for (const Lantern& l : lanterns)
            pen.roundedRect(l.at.x - l.size * 0.7f, l.at.y - l.size, l.size * 1.4f, l.size * 2, l.size * 0.5f);
    });
    p.paint(
        {255, 210, 110}, 0.9f,
        [&](Pen& pen) {
            for (const Lantern& l : lanterns) pen.ellipse(l.at, {l.size * 0.35f, l.size * 0.7f});
        },
        1.0f);
    p.paint({90, 40, 30}, 1, [&](Pen& pen) {
        for (const Lantern& l : lanterns) {
            pen.rect(l.at.x - l.size * 0.45f, l.at.y - l.size - l.size * 0.15f, l.size * 0.9f, l.size * 0.22f);
            pen.rect(l.at.x - l.size * 0.45f, l.at.y + l.size - l.size * 0.07f, l.size * 0.9f, l.size * 0.22f);
        }
    });
    valley(p, 0.85f, {255, 120, 80}, true);
    p.grain(2.5f, 14);
    return p.toBgr();
}

cv::Mat paintDefaultBg()
{
    Painter p(kWidth, kHeight, kScale);
    p.gradient({{0.0f, {120, 170, 220}}, {0.6f, {230, 220, 240}}, {1.0f, {250, 230, 220}}});
    cloud(p, 250, 140, 55, {255, 255, 255}, 0.8f);
    cloud(p, 600, 100, 40, {255, 255, 255}, 0.7f);
    hill(p, {150, 190, 140}, {120, 170, 120}, 430, 50, 2.6f, 1.0f);
    tree(p, 540, hillTop(540, 430, 50, 2.6f, 1.0f) + 10, 110, {70, 140, 80}, {100, 74, 52});
    p.grain(2.0f, 15);
    return p.toBgr();
}

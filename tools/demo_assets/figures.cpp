#include "tools/demo_assets/figures.h"

#include "tools/demo_assets/painter.h"

#include <vector>

namespace {

constexpr int kScale = 3;
constexpr float kCx = kPortraitWidth / 2.0f;

const Rgb kInk{46, 30, 32};
const Rgb kWhite{255, 255, 255};

// Shoulders and body from the neck down to the bottom edge.
void body(Painter& p, Rgb cloth, float shoulderY, float halfWidth)
{
    p.paint(cloth, 1, [&](Pen& pen) {
        pen.polygon({{kCx - 34, shoulderY - 14},
                     {kCx + 34, shoulderY - 14},
                     {kCx + halfWidth * 0.8f, shoulderY + 20},
                     {kCx + halfWidth, shoulderY + 90},
                     {kCx + halfWidth + 8, kPortraitHeight + 2},
                     {kCx - halfWidth - 8, kPortraitHeight + 2},
                     {kCx - halfWidth, shoulderY + 90},
                     {kCx - halfWidth * 0.8f, shoulderY + 20}});
        pen.circle({kCx - halfWidth * 0.72f, shoulderY + 40}, 46);
        pen.circle({kCx + halfWidth * 0.72f, shoulderY + 40}, 46);
    });
    // Folds in the cloth.
    p.paint(
        mix(cloth, {0, 0, 0}, 0.25f), 0.6f,
        [&](Pen& pen) {
            pen.line({kCx - halfWidth * 0.5f, shoulderY + 120}, {kCx - halfWidth * 0.6f, kPortraitHeight}, 5);
            pen.line({kCx + halfWidth * 0.5f, shoulderY + 120}, {kCx + halfWidth * 0.6f, kPortraitHeight}, 5);
        },
        3);
}

void eye(Painter& p, cv::Point2f at, float size, bool wide)
{
    if (wide) p.paint(kWhite, 1, [&](Pen& pen) { pen.ellipse(at, {size * 1.15f, size * 1.35f}); });
    p.paint({52, 36, 40}, 1, [&](Pen& pen) {
        pen.ellipse(at, {size * (wide ? 0.7f : 0.85f), size * (wide ? 0.8f : 1.1f)});
    });
    p.paint(
        {120, 80, 60}, 0.8f,
        [&](Pen& pen) {
            pen.ellipse({at.x, at.y + size * 0.35f}, {size * 0.5f, size * 0.35f});
        },
        1);
    p.paint(kWhite, 1, [&](Pen& pen) {
        pen.circle({at.x - size * 0.3f, at.y - size * 0.4f}, size * 0.28f);
        pen.circle({at.x + size * 0.3f, at.y + size * 0.3f}, size * 0.12f);
    });
}

// Closed, smiling eyes.
void happyEye(Painter& p, cv::Point2f at, float size)
{
    p.paint(kInk, 1, [&](Pen& pen) { pen.arc({at.x, at.y + size * 0.4f}, {size, size * 0.8f}, 200, 340, 3.2f); });
}

void blush(Painter& p, float y, float spread, float opacity)
{
    p.paint(
        {250, 130, 140}, opacity,
        [&](Pen& pen) {
            pen.ellipse({kCx - spread, y}, {15, 8});
            pen.ellipse({kCx + spread, y}, {15, 8});
        },
        5);
}

} // namespace

cv::Mat paintMei(MeiMood mood)
{
    Painter p(kPortraitWidth, kPortraitHeight, kScale);
    const Rgb hair{38, 28, 36};
    const Rgb skin{255, 226, 204};
    const Rgb dress{206, 56, 58};
    const float headY = 168;

    // Hair behind the head, the buns and their ribbons.
    p.paint(hair, 1, [&](Pen& pen) {
        pen.ellipse({kCx, headY + 10}, {84, 92});
        pen.circle({kCx - 74, headY - 74}, 36);
        pen.circle({kCx + 74, headY - 74}, 36);
        pen.polygon({{kCx - 84, headY}, {kCx - 70, headY + 140}, {kCx - 40, headY + 90}});
        pen.polygon({{kCx + 84, headY}, {kCx + 70, headY + 140}, {kCx + 40, headY + 90}});
    });
    p.paint(
        {80, 60, 80}, 0.5f,
        [&](Pen& pen) {
            pen.circle({kCx - 84, headY - 86}, 12);
            pen.circle({kCx + 64, headY - 86}, 12);
        },
        4);
    p.paint({236, 60, 70}, 1, [&](Pen& pen) {
        for (float side : {-1.0f, 1.0f}) {
            const float x = kCx + side * 50;
            pen.polygon({{x, headY - 60}, {x + side * 18, headY - 76}, {x + side * 22, headY - 48}});
            pen.polygon({{x, headY - 60}, {x - side * 6, headY - 40}, {x + side * 14, headY - 36}});
        }
    });

    p.paint(skin, 1, [&](Pen& pen) { pen.rect(kCx - 20, headY + 60, 40, 60); }); // neck
    body(p, dress, headY + 128, 120);
    // Mandarin collar with golden trim and a knot button.
    p.paint({248, 196, 80}, 1, [&](Pen& pen) {
        pen.polygon(
            {{kCx - 34, headY + 104}, {kCx + 34, headY + 104}, {kCx + 30, headY + 124}, {kCx - 30, headY + 124}});
        pen.polyline({{kCx + 30, headY + 124}, {kCx + 10, headY + 160}, {kCx + 60, headY + 230}}, 5);
    });
    p.paint({248, 196, 80}, 1, [&](Pen& pen) {
        pen.circle({kCx + 22, headY + 178}, 6);
        pen.circle({kCx + 44, headY + 206}, 6);
    });

    p.paint(skin, 1, [&](Pen& pen) { pen.ellipse({kCx, headY}, {66, 76}); });
    p.paint(
        {236, 190, 170}, 0.5f,
        [&](Pen& pen) {
            pen.ellipse({kCx, headY + 60}, {40, 14});
        },
        6); // chin shadow
    p.paint(skin, 1, [&](Pen& pen) {
        pen.ellipse({kCx - 66, headY + 8}, {9, 14});
        pen.ellipse({kCx + 66, headY + 8}, {9, 14});
    });
    // Fringe over the forehead.
    p.paint(hair, 1, [&](Pen& pen) {
        pen.polygon({{kCx - 70, headY - 10},
                     {kCx - 62, headY - 60},
                     {kCx - 20, headY - 84},
                     {kCx + 30, headY - 84},
                     {kCx + 66, headY - 56},
                     {kCx + 72, headY - 8},
                     {kCx + 50, headY - 36},
                     {kCx + 28, headY - 24},
                     {kCx + 4, headY - 40},
                     {kCx - 20, headY - 26},
                     {kCx - 44, headY - 40}});
    });
    p.paint(
        {110, 90, 110}, 0.45f,
        [&](Pen& pen) {
            pen.arc({kCx, headY - 40}, {50, 36}, 220, 300, 6);
        },
        3);

    const float eyeY = headY + 4;
    const bool wide = mood == MeiMood::Surprised;
    eye(p, {kCx - 28, eyeY}, wide ? 15 : 12, wide);
    eye(p, {kCx + 28, eyeY}, wide ? 15 : 12, wide);
    p.paint(hair, 1, [&](Pen& pen) {
        if (mood == MeiMood::Worried) {
            pen.line({kCx - 44, eyeY - 22}, {kCx - 14, eyeY - 30}, 3.5f);
            pen.line({kCx + 14, eyeY - 30}, {kCx + 44, eyeY - 22}, 3.5f);
        } else {
            const float lift = wide ? 12 : 0;
            pen.arc({kCx - 28, eyeY - 26 - lift}, {15, 6}, 200, 340, 3.5f);
            pen.arc({kCx + 28, eyeY - 26 - lift}, {15, 6}, 200, 340, 3.5f);
        }
    });
    blush(p, eyeY + 26, 42, mood == MeiMood::Worried ? 0.3f : 0.6f);
    p.paint({230, 180, 160}, 1, [&](Pen& pen) { pen.arc({kCx, eyeY + 24}, {3, 3}, 0, 180, 2); }); // nose

    const float mouthY = headY + 46;
    switch (mood) {
    case MeiMood::Smile:
        p.paint({170, 60, 70}, 1, [&](Pen& pen) {
            pen.polygon({{kCx - 16, mouthY - 2}, {kCx + 16, mouthY - 2}, {kCx + 8, mouthY + 9}, {kCx - 8, mouthY + 9}});
        });
        p.paint({250, 150, 150}, 1, [&](Pen& pen) { pen.ellipse({kCx, mouthY + 6}, {7, 3}); });
        break;
    case MeiMood::Worried:
        p.paint({150, 70, 70}, 1, [&](Pen& pen) {
            pen.polyline({{kCx - 12, mouthY + 4}, {kCx - 5, mouthY}, {kCx + 2, mouthY + 4}, {kCx + 10, mouthY}}, 2.5f);
        });
        // A drop of sweat on the temple.
        p.paint({150, 200, 250}, 0.9f, [&](Pen& pen) {
            pen.polygon({{kCx + 58, headY - 40}, {kCx + 52, headY - 24}, {kCx + 64, headY - 24}});
            pen.circle({kCx + 58, headY - 22}, 6);
        });
        break;
    case MeiMood::Surprised:
        p.paint({150, 50, 60}, 1, [&](Pen& pen) { pen.ellipse({kCx, mouthY + 4}, {8, 11}); });
        break;
    }
    return p.toBgra();
}

cv::Mat paintBo(BoMood mood)
{
    Painter p(kPortraitWidth, kPortraitHeight, kScale);
    const Rgb skin{238, 202, 170};
    const Rgb whiteHair{240, 240, 236};
    const Rgb robe{56, 86, 142};
    const float headY = 160;

    p.paint(skin, 1, [&](Pen& pen) { pen.rect(kCx - 24, headY + 50, 48, 70); });
    body(p, robe, headY + 126, 132);
    // Crossed collar of the robe, and a sash.
    p.paint({230, 222, 200}, 1, [&](Pen& pen) {
        pen.polygon(
            {{kCx - 36, headY + 110}, {kCx - 18, headY + 110}, {kCx + 40, headY + 240}, {kCx + 20, headY + 250}});
        pen.polygon(
            {{kCx + 36, headY + 110}, {kCx + 18, headY + 110}, {kCx - 10, headY + 180}, {kCx - 20, headY + 168}});
    });
    p.paint({150, 110, 60}, 1, [&](Pen& pen) { pen.rect(kCx - 140, headY + 270, 280, 26); });

    p.paint(skin, 1, [&](Pen& pen) {
        pen.ellipse({kCx, headY}, {68, 80});
        pen.ellipse({kCx - 68, headY + 10}, {10, 16});
        pen.ellipse({kCx + 68, headY + 10}, {10, 16});
    });
    p.paint(
        {255, 230, 210}, 0.6f,
        [&](Pen& pen) {
            pen.ellipse({kCx - 20, headY - 46}, {26, 16});
        },
        6); // shine on the bald head
    p.paint({200, 160, 130}, 0.7f, [&](Pen& pen) {
        pen.arc({kCx, headY - 40}, {22, 6}, 200, 340, 2);
        pen.arc({kCx, headY - 30}, {26, 6}, 200, 340, 2);
    });
    // White hair at the sides, bushy brows, moustache and a long beard.
    p.paint(whiteHair, 1, [&](Pen& pen) {
        pen.ellipse({kCx - 62, headY + 2}, {13, 26}, 10);
        pen.ellipse({kCx + 62, headY + 2}, {13, 26}, -10);
        pen.ellipse({kCx - 30, headY - 22}, {20, 7}, mood == BoMood::Laugh ? -10.0f : 8.0f);
        pen.ellipse({kCx + 30, headY - 22}, {20, 7}, mood == BoMood::Laugh ? 10.0f : -8.0f);
        pen.polygon({{kCx - 60, headY + 30},
                     {kCx - 36, headY + 44},
                     {kCx + 36, headY + 44},
                     {kCx + 60, headY + 30},
                     {kCx + 50, headY + 120},
                     {kCx + 18, headY + 200},
                     {kCx, headY + 230},
                     {kCx - 18, headY + 200},
                     {kCx - 50, headY + 120}});
    });
    p.paint({200, 200, 196}, 0.7f, [&](Pen& pen) {
        pen.line({kCx - 20, headY + 80}, {kCx - 8, headY + 190}, 2);
        pen.line({kCx + 20, headY + 80}, {kCx + 8, headY + 190}, 2);
        pen.line({kCx, headY + 70}, {kCx, headY + 210}, 2);
    });

    const float eyeY = headY + 2;
    if (mood == BoMood::Calm) {
        happyEye(p, {kCx - 28, eyeY}, 11);
        happyEye(p, {kCx + 28, eyeY}, 11);
    } else {
        happyEye(p, {kCx - 28, eyeY - 2}, 12);
        happyEye(p, {kCx + 28, eyeY - 2}, 12);
        p.paint(kInk, 0.7f, [&](Pen& pen) {
            pen.line({kCx - 48, eyeY + 2}, {kCx - 56, eyeY + 8}, 2);
            pen.line({kCx + 48, eyeY + 2}, {kCx + 56, eyeY + 8}, 2);
        });
    }
    blush(p, eyeY + 24, 40, mood == BoMood::Laugh ? 0.55f : 0.35f);
    p.paint({214, 160, 130}, 1, [&](Pen& pen) { pen.ellipse({kCx, eyeY + 22}, {9, 12}); }); // nose
    if (mood == BoMood::Laugh) {
        p.paint({140, 50, 56}, 1, [&](Pen& pen) { pen.ellipse({kCx, headY + 58}, {22, 16}); });
        p.paint({230, 110, 110}, 1, [&](Pen& pen) { pen.ellipse({kCx, headY + 66}, {12, 6}); });
    }
    p.paint(whiteHair, 1, [&](Pen& pen) {
        pen.ellipse({kCx - 20, headY + 40}, {24, 9}, -12);
        pen.ellipse({kCx + 20, headY + 40}, {24, 9}, 12);
    });
    return p.toBgra();
}

cv::Mat paintDefaultPhoto()
{
    Painter p(kPortraitWidth, kPortraitHeight, kScale);
    const Rgb grey{150, 156, 168};
    p.paint(grey, 1, [&](Pen& pen) { pen.rect(kCx - 22, 220, 44, 60); });
    body(p, grey, 290, 120);
    p.paint(grey, 1, [&](Pen& pen) { pen.ellipse({kCx, 160}, {66, 78}); });
    p.paint(
        {190, 196, 206}, 0.7f,
        [&](Pen& pen) {
            pen.ellipse({kCx - 20, 120}, {24, 30});
        },
        10);
    return p.toBgra();
}

namespace {

// Text lines fall on rows 39 to 134 of the box; the decoration stays clear of them.
cv::Mat textBox(float top, bool pointer, Rgb paper, Rgb border)
{
    Painter p(800, 150, 4);
    auto shape = [&](Pen& pen, float inset) {
        pen.roundedRect(10 + inset, top + inset, 780 - 2 * inset, 142 - top - 2 * inset, 16 - inset * 0.5f);
        if (pointer) pen.polygon({{120 + inset, top + 2}, {150, 2 + inset * 1.6f}, {180 - inset, top + 2}});
    };
    p.paint(
        {40, 24, 10}, 0.35f, [&](Pen& pen) { pen.roundedRect(14, top + 6, 780, 142 - top, 16); }, 4); // soft shadow
    p.paint(border, 0.95f, [&](Pen& pen) { shape(pen, 0); });
    p.paint(paper, 1, [&](Pen& pen) { shape(pen, 4); });
    p.paint(
        mix(paper, {255, 255, 255}, 0.5f), 0.8f, [&](Pen& pen) { pen.roundedRect(30, top + 10, 740, 20, 8); },
        8); // sheen
    p.paint(border, 0.5f, [&](Pen& pen) {
        pen.roundedRect(20, top + 8, 760, 2, 1);
        pen.roundedRect(20, 136, 760, 2, 1);
    });
    p.paint(mix(border, {255, 160, 80}, 0.5f), 0.9f, [&](Pen& pen) {
        for (float x : {24.0f, 776.0f}) {
            pen.circle({x, top + 14}, 3);
            pen.circle({x, 131}, 3);
        }
    });
    // The paper is opaque: portraits stand behind the box and would show through the text.
    return p.toBgra();
}

} // namespace

cv::Mat paintSpeechBox()
{
    return textBox(24, true, {250, 242, 222}, {122, 88, 60});
}

// Narration is set on a cooler paper, so it reads apart from speech.
cv::Mat paintNarrationBox()
{
    return textBox(8, false, {236, 240, 246}, {70, 88, 122});
}

cv::Mat paintNextMarker()
{
    Painter p(20, 20, 12);
    p.paint(
        {255, 220, 120}, 0.6f,
        [](Pen& pen) {
            pen.circle({10, 10}, 8);
        },
        2.5f);
    p.paint({110, 60, 30}, 1, [](Pen& pen) { pen.polygon({{2, 4}, {18, 4}, {10, 17}}); });
    p.paint({255, 200, 80}, 1, [](Pen& pen) { pen.polygon({{4.8f, 5.6f}, {15.2f, 5.6f}, {10, 14}}); });
    p.paint({255, 244, 200}, 0.9f, [](Pen& pen) { pen.polygon({{6.5f, 6.4f}, {11, 6.4f}, {8.6f, 10}}); });
    return p.toBgra();
}

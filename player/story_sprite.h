#pragma once
// The player's sprites: pictures that fade through their alpha channel
// (StoryImage) and wrapped text revealed like a typewriter (StoryLabel). Both
// draw with raw pixel transfers inside the framework's 2D overlay, where one
// unit is one window pixel and the origin is the bottom-left corner.

#include "media/text/text_layout.h"
#include "mox/sprite.h"

#include <opencv2/core.hpp>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The player's sprites never take mouse events; the framework's routing
// falls through to the story's own click handling.
class StorySprite : public MOXSprite {
public:
    bool onMouse(int button, int state, int x, int y) override;
    bool onMotion(int x, int y) override;
};

// Where StoryImage::loadImage gets a file's pixels: readPictureFile (the
// media/image loader the extension selects) unless a tool that loads the same
// files many times installs its own. The result is loadImage's to change.
using PictureReader = cv::Mat (*)(const std::string& path);
extern PictureReader pictureReader; // null: readPictureFile
// A PNG as loadPngImage gives it, anything else as loadOtherImage does.
cv::Mat readPictureFile(const std::string& path);

class StoryImage : public StorySprite {
public:
    StoryImage(int x, int y, int width, int height);

    // Replaces the picture with the file at path (mirrored left to right when
    // asked). A missing or undecodable file, or the empty path, leaves the
    // sprite empty. The kept picture is bottom row first and never larger
    // than the sprite: a bigger one is scaled down once here.
    void loadImage(const std::string& path, bool mirror);
    // What loadImage makes of the file for a sprite of width x height: RGB
    // for a picture without alpha, RGBA otherwise, bottom row first, mirrored
    // when asked, scaled down to fit; empty for none. Safe on any thread
    // while no pictureReader is installed.
    static cv::Mat preparePicture(const std::string& path, bool mirror, int width, int height);
    // Shows a picture preparePicture made for this sprite's size (empty: none).
    void setPicture(cv::Mat picture);
    cv::Size size() const { return {width, height}; }
    // Alpha of every pixel = factor x the loaded picture's alpha, truncated;
    // colours are untouched. Ignored by an empty sprite.
    void setAlpha(float factor);

    void draw() override;
    bool hitTest(int px, int py) override; // rectangle, both edges inclusive
    bool changedSinceDrawn() override { return revision != drawnRevision; }
    SpriteArea area() const override;

    bool empty() const { return image.empty() && opaqueRgb.empty(); }
    // The picture as drawn: RGBA, bottom row first, alpha as last set.
    cv::Mat picture() const;
    // Bottom-left corner in window pixels.
    cv::Point position() const { return {x, y}; }
    void setBottom(int newY)
    {
        if (newY != y) ++revision;
        y = newY;
    }

private:
    int x, y, width, height;
    // Bumped by every change of what draw() would show; drawnRevision is its
    // value at the last draw.
    unsigned long revision = 1, drawnRevision = 0;
    float alphaFactor = 1.0f; // as last applied by setAlpha
    // A picture with alpha is kept as image (RGBA, drawn, its alpha rewritten
    // by setAlpha) and sourceAlpha (the loaded alpha every fade starts from).
    // An opaque one is kept as opaqueRgb alone, and drawn from it without
    // blending; image holds it with its faded alpha only while it fades.
    // Pictures are the player's largest memory, so nothing is kept twice.
    cv::Mat image;
    cv::Mat sourceAlpha;
    cv::Mat opaqueRgb;
    // Every pixel of the loaded picture / of the drawn one has alpha 255.
    bool sourceOpaque = false;
    bool opaque = false;
    // The part of the picture whose source alpha is above 0 (empty when none
    // is); only it is drawn when the picture is at the sprite's size.
    cv::Rect visible;

    void keepAlpha(const cv::Mat& rgba);
};

class StoryLabel : public StorySprite {
public:
    explicit StoryLabel(std::string text);

    void setText(const std::string& newText); // progress back to 0

    void draw() override;
    // On the first line: the whole text's width in the 8 x 13 font, 15 high.
    bool hitTest(int px, int py) override;
    bool changedSinceDrawn() override;
    SpriteArea area() const override;

    int x = 40, y = text_layout::kFirstLineY;
    std::string text;
    int lineWidth = text_layout::kLineWidth;
    float progress = 0.0f; // revealed fraction, 0..1; the player writes it

private:
    // What the last draw() showed.
    struct Shown {
        int x = 0, y = 0, lineWidth = 0;
        float progress = -1.0f;
        std::string text;
        bool operator==(const Shown&) const = default;
    } shown;
    bool drawn = false;
};

#include "player/story_sprite.h"

#include "player/bitmap_text.h"
#include "media/image/image_loader.h"
#include "media/text/glyph_record.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>

PictureReader pictureReader = nullptr;

cv::Mat readPictureFile(const std::string& path)
{
    return isPngPath(path) ? loadPngImage(path) : loadOtherImage(path);
}

bool StorySprite::onMouse(int, int, int, int)
{
    return false;
}
bool StorySprite::onMotion(int, int)
{
    return false;
}

StoryImage::StoryImage(int x_, int y_, int width_, int height_) : x(x_), y(y_), width(width_), height(height_) {}

namespace {

// A decoded picture in the channels the sprite keeps: RGB when it has no
// alpha, RGBA when it has; empty when its layout is not one we know. Input
// channel order is red first except for the generic decoder's result, which
// is blue first (bgr true).
cv::Mat toKept(const cv::Mat& picture, bool bgr)
{
    cv::Mat out;
    switch (picture.channels()) {
    case 3:
    case 4:
        if (bgr)
            cv::cvtColor(picture, out, picture.channels() == 4 ? cv::COLOR_BGRA2RGBA : cv::COLOR_BGR2RGB);
        else
            out = picture;
        break;
    case 1: cv::cvtColor(picture, out, cv::COLOR_GRAY2RGB); break;
    case 2: {
        // Grey with alpha: the grey level in all three colours.
        cv::Mat planes[2];
        cv::split(picture, planes);
        cv::merge(std::vector<cv::Mat>{planes[0], planes[0], planes[0], planes[1]}, out);
        break;
    }
    default: break;
    }
    return out;
}

cv::Mat continuous(cv::Mat picture)
{
    return picture.isContinuous() ? picture : picture.clone();
}

} // namespace

void StoryImage::loadImage(const std::string& path, bool mirror)
{
    setPicture(preparePicture(path, mirror, width, height));
}

cv::Mat StoryImage::preparePicture(const std::string& path, bool mirror, int width, int height)
{
    if (path.empty()) return {};
    cv::Mat picture = (pictureReader ? pictureReader : readPictureFile)(path);
    bool bgr = false;
    if (!isPngPath(path)) { // a PNG comes bottom row first, RGBA
        if (picture.empty()) return {};
        // The generic decoder gives top row first in blue-green-red order. A
        // TGA already comes bottom row first (its usual origin) in red-green-
        // blue order, so turning it too would show it upside down and with red
        // and blue exchanged.
        if (!isTgaPath(path)) {
            cv::flip(picture, picture, 0);
            bgr = true;
        }
    }
    if (picture.empty() || picture.cols <= 0 || picture.rows <= 0 || picture.depth() != CV_8U) return {};
    if (picture.channels() > 4) return {};
    if (mirror) cv::flip(picture, picture, 1);

    // Pixel transfer of a big picture with zoom is what a frame costs most;
    // shrinking once here to the sprite's size makes every later draw and fade
    // touch no more pixels than the screen shows. Smaller pictures are left to
    // the pixel zoom, which enlarges them without blurring. Each channel is
    // scaled on its own, so scaling before the channels are rearranged gives
    // the same pixels, and a photo is never held with alpha at full size.
    if (width > 0 && height > 0 && (picture.cols > width || picture.rows > height)) {
        cv::Mat scaled;
        cv::resize(picture, scaled, cv::Size(width, height), 0, 0, cv::INTER_AREA);
        picture = scaled;
    }
    return continuous(toKept(picture, bgr));
}

void StoryImage::setPicture(cv::Mat picture)
{
    ++revision;
    alphaFactor = 1.0f;
    image.release();
    sourceAlpha.release();
    opaqueRgb.release();
    opaque = sourceOpaque = false;
    visible = cv::Rect();
    if (picture.empty()) return;
    if (picture.type() == CV_8UC3) {
        opaqueRgb = continuous(std::move(picture));
        opaque = sourceOpaque = true;
        visible = cv::Rect(0, 0, opaqueRgb.cols, opaqueRgb.rows);
        return;
    }
    if (picture.type() == CV_8UC4) keepAlpha(continuous(std::move(picture)));
}

void StoryImage::keepAlpha(const cv::Mat& rgba)
{
    // One pass over the alpha: is all of it 255, and which rectangle holds
    // every pixel above 0 (the rest can never show, whatever the fade).
    int left = rgba.cols, right = -1, bottom = rgba.rows, top = -1;
    sourceOpaque = true;
    for (int r = 0; r < rgba.rows; ++r) {
        const std::uint8_t* row = rgba.ptr<std::uint8_t>(r);
        for (int c = 0; c < rgba.cols; ++c) {
            const std::uint8_t a = row[4 * c + 3];
            if (a != 255) sourceOpaque = false;
            if (a == 0) continue;
            left = std::min(left, c);
            right = std::max(right, c);
            bottom = std::min(bottom, r);
            top = std::max(top, r);
        }
    }
    visible = right < 0 ? cv::Rect() : cv::Rect(left, bottom, right - left + 1, top - bottom + 1);
    opaque = sourceOpaque;
    if (sourceOpaque) {
        cv::cvtColor(rgba, opaqueRgb, cv::COLOR_RGBA2RGB);
    } else {
        image = rgba;
        cv::extractChannel(rgba, sourceAlpha, 3);
    }
}

cv::Mat StoryImage::picture() const
{
    if (!image.empty() || opaqueRgb.empty()) return image;
    cv::Mat rgba;
    cv::cvtColor(opaqueRgb, rgba, cv::COLOR_RGB2RGBA);
    return rgba;
}

void StoryImage::setAlpha(float factor)
{
    if (empty()) return;
    if (!std::isfinite(factor)) factor = 0.0f;
    if (factor == alphaFactor) return; // the same table: not a pixel would change
    alphaFactor = factor;
    ++revision;
    // 256 possible source alphas: compute each product once, then one table
    // look-up per pixel.
    std::uint8_t table[256];
    for (int a = 0; a < 256; ++a)
        table[a] = static_cast<std::uint8_t>(static_cast<int>(factor * static_cast<float>(a)));
    if (sourceOpaque) {
        // Whole again: drawn from the colours alone, the faded copy goes.
        opaque = table[255] == 255;
        if (opaque) {
            image.release();
            return;
        }
        if (image.empty()) cv::cvtColor(opaqueRgb, image, cv::COLOR_RGB2RGBA);
        const std::size_t pixels = image.total();
        std::uint8_t* to = image.ptr<std::uint8_t>();
        for (std::size_t i = 0; i < pixels; ++i) to[4 * i + 3] = table[255];
        return;
    }
    const std::size_t pixels = image.total();
    const std::uint8_t* from = sourceAlpha.ptr<std::uint8_t>();
    std::uint8_t* to = image.ptr<std::uint8_t>();
    for (std::size_t i = 0; i < pixels; ++i) to[4 * i + 3] = table[from[i]];
}

SpriteArea StoryImage::area() const
{
    if (empty()) return {};
    return {x, y, width, height};
}

void StoryImage::draw()
{
    drawnRevision = revision;
    if (empty()) return;
    // While nothing shows through, the colours alone are drawn: a quarter
    // fewer bytes to transfer, and no blending (which would give the same).
    const cv::Mat& pixels = opaque ? opaqueRgb : image;
    if (pixels.cols <= 0 || pixels.rows <= 0) return;
    GLenum format;
    if (pixels.channels() == 4)
        format = GL_RGBA;
    else if (pixels.channels() == 3)
        format = GL_RGB;
    else
        return;
    // Unzoomed, fully transparent margins are left out: blending them would
    // change no pixel. Zoomed pictures are small and drawn whole.
    cv::Rect part(0, 0, pixels.cols, pixels.rows);
    // So is what lies outside a partial repaint.
    if (pixels.cols == width && pixels.rows == height && visible.area() > 0) {
        part &= visible;
        part &= cv::Rect(overlayClip.x - x, overlayClip.y - y, overlayClip.width, overlayClip.height);
        if (part.area() <= 0) return;
    }
    glRasterPos2i(x + part.x, y + part.y);
    glPixelZoom(static_cast<float>(width) / static_cast<float>(pixels.cols),
                static_cast<float>(height) / static_cast<float>(pixels.rows));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(pixels.step / pixels.elemSize()));
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, part.x);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, part.y);
    const bool skipBlend = opaque && glIsEnabled(GL_BLEND);
    if (skipBlend) glDisable(GL_BLEND);
    glDrawPixels(part.width, part.height, format, GL_UNSIGNED_BYTE, pixels.data);
    if (skipBlend) glEnable(GL_BLEND);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelZoom(1.0f, 1.0f);
}

bool StoryImage::hitTest(int px, int py)
{
    return px - x >= 0 && px - x <= width && py - y >= 0 && py - y <= height;
}

StoryLabel::StoryLabel(std::string text_) : text(std::move(text_)) {}

void StoryLabel::setText(const std::string& newText)
{
    text = newText;
    progress = 0.0f;
}

bool StoryLabel::changedSinceDrawn()
{
    return !drawn || !(shown == Shown{x, y, lineWidth, progress, text});
}

SpriteArea StoryLabel::area() const
{
    // Lines go down from the first one; glyphs reach 3 pixels below a
    // line's base and 16 above it, and never further right than a line.
    const std::string_view all(text);
    int lowest = y;
    for (const LabelLine& line : labelLines(all, 1.0f, lineWidth, y)) lowest = std::min(lowest, line.y);
    const int right = 8 * std::max(lineWidth, 1) + 16;
    return {x, lowest - 4, right, y - lowest + 24};
}

void StoryLabel::draw()
{
    drawn = true;
    shown = Shown{x, y, lineWidth, progress, text};
    const std::string_view all(text);
    for (const LabelLine& line : labelLines(all, progress, lineWidth, y)) {
        const std::size_t start = line.start < all.size() ? line.start : all.size();
        drawText(all.substr(start, line.length), x, line.y, 1.0f, 0, 0, 0, 1.0f, GLUT_BITMAP_8_BY_13);
    }
}

bool StoryLabel::hitTest(int px, int py)
{
    const int textWidth = glutBitmapLength(GLUT_BITMAP_8_BY_13, reinterpret_cast<const unsigned char*>(text.c_str()));
    return px - x >= 0 && px - x <= textWidth && py - y >= 0 && py - y <= 15;
}

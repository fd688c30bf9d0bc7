#include "mox/sprite.h"

#include "w32/scene.h"

#include <GL/gl.h>

#include <algorithm>

std::vector<MOXSprite*> spriteList;
SpriteArea overlayClip{0, 0, 1 << 20, 1 << 20};

MOXSprite::~MOXSprite() = default;

SpriteArea MOXSprite::area() const
{
    return {0, 0, SceneWidth, SceneHeight};
}

SpriteArea unite(const SpriteArea& a, const SpriteArea& b)
{
    if (a.empty()) return b;
    if (b.empty()) return a;
    const int left = std::min(a.x, b.x), bottom = std::min(a.y, b.y);
    const int right = std::max(a.x + a.width, b.x + b.width);
    const int top = std::max(a.y + a.height, b.y + b.height);
    return {left, bottom, right - left, top - bottom};
}

SpriteArea intersect(const SpriteArea& a, const SpriteArea& b)
{
    const int left = std::max(a.x, b.x), bottom = std::max(a.y, b.y);
    const int right = std::min(a.x + a.width, b.x + b.width);
    const int top = std::min(a.y + a.height, b.y + b.height);
    if (right <= left || top <= bottom) return {};
    return {left, bottom, right - left, top - bottom};
}

MOXSprite* pickSprite(int x, int y)
{
    for (auto it = spriteList.rbegin(); it != spriteList.rend(); ++it) {
        if (*it && (*it)->hitTest(x, y)) return *it;
    }
    return nullptr;
}

void beginSpriteOverlay()
{
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, SceneWidth, 0.0, SceneHeight, -1.0, 10.0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void endSpriteOverlay()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void drawSpriteOverlay()
{
    beginSpriteOverlay();
    // By index: a sprite's draw may append to the list.
    for (std::size_t i = 0; i < spriteList.size(); ++i) {
        if (MOXSprite* sprite = spriteList[i]) sprite->draw();
    }
    endSpriteOverlay();
}

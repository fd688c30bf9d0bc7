#include "mox/sprite.h"

#include "w32/scene.h"

#include <GL/gl.h>

std::vector<MOXSprite*> spriteList;

MOXSprite::~MOXSprite() = default;

MOXSprite* pickSprite(int x, int y)
{
    for (auto it = spriteList.rbegin(); it != spriteList.rend(); ++it) {
        if (*it && (*it)->hitTest(x, y))
            return *it;
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
        if (MOXSprite* sprite = spriteList[i])
            sprite->draw();
    }
    endSpriteOverlay();
}

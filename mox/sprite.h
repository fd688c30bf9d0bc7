// Sprites: the 2D objects drawn over the scene pass, and the list the demo
// window draws and hit-tests. Points are window pixels with the origin at the
// bottom-left corner (scene coordinates).
#pragma once

#include <vector>

class MOXSprite {
public:
    virtual ~MOXSprite();
    // Draws the sprite; the overlay pass has set a pixel-exact orthographic view.
    virtual void draw() = 0;
    // True when (x, y) lies on the sprite.
    virtual bool hitTest(int x, int y) = 0;
    // button 0 is the left button; state 0 pressed, 1 released. True when handled.
    virtual bool onMouse(int button, int state, int x, int y) = 0;
    // Pointer moved over (or, while captured, anywhere). True when handled.
    virtual bool onMotion(int x, int y) = 0;
};

// Drawn first to last, picked last to first; null entries are skipped. The
// list never owns its sprites.
extern std::vector<MOXSprite*> spriteList;

// The topmost non-null sprite whose hitTest is true at (x, y), or null.
MOXSprite* pickSprite(int x, int y);

// Prepares the overlay pass: pushes every attribute group and both matrices,
// sets a 0..SceneWidth x 0..SceneHeight orthographic view (one unit per
// pixel), turns lighting and 2D texturing off and alpha blending on.
void beginSpriteOverlay();
// Undoes beginSpriteOverlay: pops projection, model-view and attributes.
void endSpriteOverlay();
// The whole overlay pass of a frame: begin, every non-null sprite of
// spriteList first to last, end.
void drawSpriteOverlay();

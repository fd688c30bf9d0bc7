// Sprites: the 2D objects drawn over the scene pass, and the list the demo
// window draws and hit-tests. Points are window pixels with the origin at the
// bottom-left corner (scene coordinates).
#pragma once

#include <vector>

// A rectangle of scene pixels: x, y of the bottom-left corner, width, height.
struct SpriteArea {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool operator==(const SpriteArea&) const = default;
};
// The smallest rectangle holding both (an empty one adds nothing).
SpriteArea unite(const SpriteArea& a, const SpriteArea& b);
SpriteArea intersect(const SpriteArea& a, const SpriteArea& b);

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

    // Whether the sprite would draw anything different from what its last
    // draw() drew. A sprite that cannot tell says yes: it is drawn every frame.
    virtual bool changedSinceDrawn() { return true; }
    // The scene pixels the sprite's draw() may touch now; the whole scene
    // when it cannot tell.
    virtual SpriteArea area() const;
};

// Drawn first to last, picked last to first; null entries are skipped. The
// list never owns its sprites.
extern std::vector<MOXSprite*> spriteList;

// The topmost non-null sprite whose hitTest is true at (x, y), or null.
MOXSprite* pickSprite(int x, int y);

// The part of the scene a partial redraw repaints (scissored); sprites may
// leave out what lies outside it. The whole scene outside partial redraws.
extern SpriteArea overlayClip;

// Prepares the overlay pass: pushes every attribute group and both matrices,
// sets a 0..SceneWidth x 0..SceneHeight orthographic view (one unit per
// pixel), turns lighting and 2D texturing off and alpha blending on.
void beginSpriteOverlay();
// Undoes beginSpriteOverlay: pops projection, model-view and attributes.
void endSpriteOverlay();
// The whole overlay pass of a frame: begin, every non-null sprite of
// spriteList first to last, end.
void drawSpriteOverlay();

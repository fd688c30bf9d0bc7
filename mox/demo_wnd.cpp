#include "mox/demo_wnd.h"

#include "mox/sprite.h"
#include "w32/native.h"
#include "w32/scene.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdlib>

namespace mox {
namespace {

constexpr std::uint32_t kGKey = 0x47; // ends the program at once
constexpr float kMinZoom = 2.384185791015625e-06f;

} // namespace

DemoWnd& DemoWnd::Instance()
{
    static DemoWnd* window = new DemoWnd; // lives until the process ends
    return *window;
}

bool InitGlutOnce()
{
    if (glutGet(GLUT_INIT_STATE)) return true;
    // GLUT ends the process when it finds no X display, so ask first.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return false;
    int argc = 1;
    char name[] = "scenewalk";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    return true;
}

void DemoWnd::InitGLState()
{
    // The player runs with GL's initial state: no defaults here.
    if (RenderMode == 1 && StereoSetup) StereoSetup(*this);
    if (OnInitGL) OnInitGL();
}

void DemoWnd::OnResize(std::int32_t w, std::int32_t h)
{
    CwglArcballWnd::OnResize(w, h);
}

void DemoWnd::ScenePass(float eyeOffset)
{
    glPushAttrib(0xFFFFF);
    // A frame drawn only on change knows what to clear once the scene hook
    // has run; until then clears touch no pixel, and the hook's clear is
    // applied afterwards to what gets drawn.
    const bool onChange = PresentOnChange && RenderMode == 0;
    if (onChange) {
        glEnable(GL_SCISSOR_TEST);
        glScissor(0, 0, 0, 0);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glViewport(0, 0, SceneWidth, SceneHeight);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMultMatrixf(viewBall.matrix);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.0f);
    glTranslatef(eyeOffset, 0.0f, 0.0f);
    glScalef(zoom, zoom, zoom);
    glMultMatrixf(objectBall.matrix);
    if (OnDrawScene) {
        OnDrawScene();
    } else {
        if (InitGlutOnce()) {
            glColor3f(0.5f, 0.5f, 0.5f);
            glutSolidTeapot(0.5);
        }
    }
    // What the frame shows is known once the scene hook has run; a frame
    // that will not be swapped needs no finishing.
    plan = onChange ? PlanPresent() : Present::Whole;
    if (onChange && plan != Present::None) {
        if (plan == Present::Part)
            glScissor(damage.x, damage.y, damage.width, damage.height);
        else
            glDisable(GL_SCISSOR_TEST);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    if (plan == Present::Whole) glFinish();
    glPopAttrib();
}

DemoWnd::Present DemoWnd::PlanPresent()
{
    if (repaintPending || !frontValid || shownSprites != spriteList) return Present::Whole;
    SpriteArea changed;
    for (std::size_t i = 0; i < spriteList.size(); ++i) {
        if (MOXSprite* sprite = spriteList[i]; sprite && sprite->changedSinceDrawn())
            changed = unite(changed, unite(shownAreas[i], sprite->area()));
    }
    damage = intersect(changed, {0, 0, SceneWidth, SceneHeight});
    if (damage.empty()) return changed.empty() ? Present::None : Present::Whole;
    // Small changes (the bobbing marker) repaint only their part of the
    // shown picture; anything bigger is drawn whole and swapped. Scene and
    // window pixels must be the same for that.
    const long part = static_cast<long>(damage.width) * damage.height;
    const bool small = part * 16 <= static_cast<long>(SceneWidth) * SceneHeight;
    const bool unscaled = width == SceneWidth && height == SceneHeight;
    return small && unscaled && w32::CanPresentPart(w32::GetCurrentDC()) ? Present::Part : Present::Whole;
}

void DemoWnd::RecordShown()
{
    shownSprites = spriteList;
    shownAreas.clear();
    for (MOXSprite* sprite : spriteList) shownAreas.push_back(sprite ? sprite->area() : SpriteArea{});
}

bool DemoWnd::RepaintPart()
{
    // The scene pass cleared the damaged part; the sprites over it are drawn
    // again there and only that part goes to the window.
    beginSpriteOverlay();
    glEnable(GL_SCISSOR_TEST);
    glScissor(damage.x, damage.y, damage.width, damage.height);
    overlayClip = damage;
    for (std::size_t i = 0; i < spriteList.size(); ++i) {
        MOXSprite* sprite = spriteList[i];
        if (sprite && !intersect(unite(shownAreas[i], sprite->area()), damage).empty()) sprite->draw();
    }
    overlayClip = SpriteArea{0, 0, 1 << 20, 1 << 20};
    endSpriteOverlay();
    glFinish();
    return w32::PresentPart(w32::GetCurrentDC(), damage.x, damage.y, damage.width, damage.height);
}

void DemoWnd::Render()
{
    if (OnPreRender) OnPreRender();
    if (RenderMode == 1 && StereoPass) {
        StereoPass(*this);
        plan = Present::Whole;
    } else {
        ScenePass(0.0f);
    }
    if (plan == Present::None) return;
    if (plan == Present::Part) {
        if (RepaintPart()) {
            RecordShown();
            ++PartialFrames;
            ++PresentedFrames;
            return;
        }
        // Could not copy the part after all: the whole frame, cleared anew.
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    drawSpriteOverlay();
    w32::SwapBuffers(w32::GetCurrentDC());
    RecordShown();
    repaintPending = 0;
    frontValid = true;
    ++PresentedFrames;
}

std::int32_t DemoWnd::HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    if (message == w32::WM_KEYDOWN) {
        if (wParam == kGKey) std::exit(0);
        if (OnKeyDown) OnKeyDown(static_cast<std::int32_t>(wParam));
        return CwglWnd::HandleMessage(message, wParam, lParam);
    }
    if (message == w32::WM_TIMER) {
        if (wParam == wglh::kTitleTimerId) UpdateTitleStatus();
        return CwglWnd::HandleMessage(message, wParam, lParam);
    }

    if (OnMessage) OnMessage(static_cast<std::int32_t>(message), static_cast<std::int32_t>(wParam), lParam);
    const auto bits = static_cast<std::uint32_t>(lParam);
    const int x = w32::SignedLowWord(bits);
    const int y = w32::SignedHighWord(bits);
    const int sceneY = SceneHeight - y;
    const float step = (wParam & w32::MK_CONTROL) ? 0.1f : 1.0f;

    switch (message) {
    case w32::WM_MOUSEWHEEL:
        zoom += static_cast<float>(w32::SignedHighWord(wParam)) / 1500.0f * step;
        if (!(zoom > kMinZoom)) zoom = kMinZoom;
        repaintPending = 1;
        Redraw();
        break;
    case w32::WM_MOUSEMOVE:
        if (MOXSprite* over = pickSprite(x, sceneY)) over->onMotion(x, sceneY);
        if (captureFlag) {
            if (captured) captured->onMotion(x, sceneY);
        } else if (wParam & w32::MK_LBUTTON) {
            objectBall.Drag(x, y);
            viewBall.Drag(x, y);
            repaintPending = 1;
            Redraw();
        } else if (wParam & w32::MK_RBUTTON) {
            viewBall.Drag(x, y);
            repaintPending = 1;
            Redraw();
        }
        break;
    case w32::WM_LBUTTONDOWN:
        captured = pickSprite(x, sceneY);
        if (captured) {
            captured->onMouse(0, 0, x, sceneY);
            captureFlag = true;
        } else {
            w32::SetCapture(hWnd);
            objectBall.Begin(x, y);
            viewBall.Begin(x, y);
        }
        break;
    case w32::WM_LBUTTONUP:
        if (captureFlag) {
            if (captured) captured->onMouse(0, 1, x, sceneY);
            captureFlag = false;
            captured = nullptr;
        } else {
            objectBall.Drag(x, y);
            objectBall.End();
            viewBall.Drag(x, y);
            viewBall.End();
            w32::ReleaseCapture();
        }
        break;
    case w32::WM_RBUTTONDOWN:
        w32::SetCapture(hWnd);
        viewBall.Begin(x, y);
        break;
    case w32::WM_RBUTTONUP:
        viewBall.Drag(x, y);
        viewBall.End();
        w32::ReleaseCapture();
        break;
    default: break;
    }
    return CwglWnd::HandleMessage(message, wParam, lParam);
}

} // namespace mox

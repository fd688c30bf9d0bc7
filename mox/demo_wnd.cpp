#include "mox/demo_wnd.h"

#include "mox/sprite.h"
#include "w32/native.h"
#include "w32/scene.h"

#include <GL/freeglut.h>
#include <GL/gl.h>

#include <cstdlib>

namespace mox {
namespace {

constexpr std::uint32_t kGKey = 0x47;  // ends the program at once
constexpr float kMinZoom = 2.384185791015625e-06f;

}  // namespace

DemoWnd& DemoWnd::Instance()
{
    static DemoWnd* window = new DemoWnd;  // lives until the process ends
    return *window;
}

bool InitGlutOnce()
{
    if (glutGet(GLUT_INIT_STATE))
        return true;
    // GLUT ends the process when it finds no X display, so ask first.
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display)
        return false;
    int argc = 1;
    char name[] = "scenewalk";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    return true;
}

void DemoWnd::InitGLState()
{
    // The player runs with GL's initial state: no defaults here.
    if (RenderMode == 1 && StereoSetup)
        StereoSetup(*this);
    if (OnInitGL)
        OnInitGL();
}

void DemoWnd::OnResize(std::int32_t w, std::int32_t h) { CwglArcballWnd::OnResize(w, h); }

void DemoWnd::ScenePass(float eyeOffset)
{
    glPushAttrib(0xFFFFF);
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
    glFinish();
    glPopAttrib();
}

void DemoWnd::Render()
{
    if (OnPreRender)
        OnPreRender();
    if (RenderMode == 1 && StereoPass)
        StereoPass(*this);
    else
        ScenePass(0.0f);
    drawSpriteOverlay();
    w32::SwapBuffers(w32::GetCurrentDC());
}

std::int32_t DemoWnd::HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    if (message == w32::WM_KEYDOWN) {
        if (wParam == kGKey)
            std::exit(0);
        if (OnKeyDown)
            OnKeyDown(static_cast<std::int32_t>(wParam));
        return CwglWnd::HandleMessage(message, wParam, lParam);
    }
    if (message == w32::WM_TIMER) {
        if (wParam == wglh::kTitleTimerId)
            UpdateTitleStatus();
        return CwglWnd::HandleMessage(message, wParam, lParam);
    }

    if (OnMessage)
        OnMessage(static_cast<std::int32_t>(message), static_cast<std::int32_t>(wParam), lParam);
    const auto bits = static_cast<std::uint32_t>(lParam);
    const int x = w32::SignedLowWord(bits);
    const int y = w32::SignedHighWord(bits);
    const int sceneY = SceneHeight - y;
    const float step = (wParam & w32::MK_CONTROL) ? 0.1f : 1.0f;

    switch (message) {
    case w32::WM_MOUSEWHEEL:
        zoom += static_cast<float>(w32::SignedHighWord(wParam)) / 1500.0f * step;
        if (!(zoom > kMinZoom))
            zoom = kMinZoom;
        Redraw();
        break;
    case w32::WM_MOUSEMOVE:
        if (MOXSprite* over = pickSprite(x, sceneY))
            over->onMotion(x, sceneY);
        if (captureFlag) {
            if (captured)
                captured->onMotion(x, sceneY);
        } else if (wParam & w32::MK_LBUTTON) {
            objectBall.Drag(x, y);
            viewBall.Drag(x, y);
            Redraw();
        } else if (wParam & w32::MK_RBUTTON) {
            viewBall.Drag(x, y);
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
            if (captured)
                captured->onMouse(0, 1, x, sceneY);
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
    default:
        break;
    }
    return CwglWnd::HandleMessage(message, wParam, lParam);
}

}  // namespace mox

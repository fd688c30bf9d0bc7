#include "wglh/wglhelper.h"

#include "w32/diagnostics.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdlib>

namespace wglh {
namespace {

constexpr const char* kSource = "wglh/wglhelper";

std::string extensions;
bool extensionsRead = false;

void Report(int line, const char* function)
{
    if (ReportLastWin32Error()) ReportFailure(kSource, line, function);
}

} // namespace

const std::string& GLExtensions()
{
    return extensions;
}

int CwglRenderContext::Create(w32::WindowHandle window, std::uint32_t flags, int colorBits, int depthBits,
                              int stencilBits, int accumBits, int alphaBits, int auxBuffers, int doubleBuffer)
{
    constexpr const char* kName = "wglh::CwglRenderContext::Create";
    hWnd = window;
    hDC = w32::GetDC(window);
    if (!hDC) {
        Report(__LINE__, kName);
        return 0;
    }
    w32::PixelFormat format;
    format.flags = w32::PFD_DRAW_TO_WINDOW | w32::PFD_SUPPORT_OPENGL | flags;
    if (doubleBuffer) format.flags |= w32::PFD_DOUBLEBUFFER;
    format.colorBits = colorBits;
    format.alphaBits = alphaBits;
    format.accumBits = accumBits;
    format.depthBits = depthBits;
    format.stencilBits = stencilBits;
    format.auxBuffers = auxBuffers;

    auto fail = [&](int line) {
        Report(line, kName);
        w32::ReleaseDC(hWnd, hDC);
        hDC = 0;
        return 0;
    };
    const int index = w32::ChoosePixelFormat(hDC, format);
    if (index == 0) return fail(__LINE__);
    if (!w32::SetPixelFormat(hDC, index, format)) return fail(__LINE__);
    hGLRC = w32::CreateGLContext(hDC);
    if (!hGLRC) return fail(__LINE__);
    return 1;
}

CwglWnd::~CwglWnd()
{
    if (rc.hDC) {
        DeleteContext();
    } else if (rc.hGLRC) {
        w32::DeleteGLContext(rc.hGLRC);
        rc.hGLRC = 0;
    }
}

void CwglWnd::DeleteContext()
{
    w32::MakeCurrent(0, 0);
    w32::DeleteGLContext(rc.hGLRC);
    rc.hGLRC = 0;
    w32::ReleaseDC(rc.hWnd, rc.hDC);
    rc.hDC = 0;
    glReady = 0;
    swapInterval = nullptr;
}

int CwglWnd::OnCreated()
{
    w32::Rect outer;
    if (w32::GetWindowRect(hWnd, outer)) {
        width = std::abs(outer.Width());
        height = std::abs(outer.Height());
    }
    return 1;
}

void CwglWnd::Render() {}

void CwglWnd::InitGLState()
{
    glDrawBuffer(GL_BACK);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT, GL_FILL);
    glPolygonMode(GL_BACK, GL_LINE);
}

void CwglWnd::OnDestroyGL() {}

void CwglWnd::OnResize(std::int32_t, std::int32_t) {}

int CwglWnd::InitGL(std::uint32_t flags, int colorBits, int depthBits, int stencilBits, int accumBits, int alphaBits,
                    int auxBuffers, int doubleBuffer)
{
    constexpr const char* kName = "wglh::CwglWnd::InitGL";
    if (!rc.Create(hWnd, flags, colorBits, depthBits, stencilBits, accumBits, alphaBits, auxBuffers, doubleBuffer)) {
        Report(__LINE__, kName);
        return 0;
    }
    if (!extensionsRead) {
        if (w32::MakeCurrent(rc.hDC, rc.hGLRC)) {
            const auto* text = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
            extensions = text ? text : "";
            extensionsRead = true;
            w32::MakeCurrent(0, 0);
        } else {
            Report(__LINE__, kName);
        }
    }
    if (!w32::MakeCurrent(rc.hDC, rc.hGLRC)) {
        Report(__LINE__, kName);
        return 0;
    }
    swapInterval = w32::GetSwapIntervalControl();
    glReady = 1;
    InitGLState();
    SetClientSize(640, 480);
    return 1;
}

void CwglWnd::MakeContextCurrent()
{
    if (rc.hGLRC) w32::MakeCurrent(rc.hDC, rc.hGLRC);
}

void CwglWnd::Reshape()
{
    SetProjection(width, height);
    repaintPending = 1;
    // Frames drawn before the window shows are never seen: they would only
    // delay the first one that is.
    if (!deferHiddenRenders || w32::IsWindowShown(hWnd)) Render();
}

void CwglWnd::SetProjection(int w, int h)
{
    if (!glReady) return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovy, static_cast<double>(w) / static_cast<double>(h), zNear, zFar);
    glViewport(0, 0, w, h);
    OnResize(w, h);
}

std::int32_t CwglWnd::HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    // Any handler may issue GL calls.
    MakeContextCurrent();
    w32::CWndApp& app = w32::CWndApp::Current();
    const bool continuous = app.realtime && !app.suspended;
    switch (message) {
    case w32::WM_SIZE: {
        if (!rc.hGLRC) return 0;
        const auto bits = static_cast<std::uint32_t>(lParam);
        width = w32::LowWord(bits) > 0 ? w32::LowWord(bits) : 1;
        height = w32::HighWord(bits) > 0 ? w32::HighWord(bits) : 1;
        needsReshape = 1;
        switch (wParam) {
        case w32::SIZE_RESTORED:
        case w32::SIZE_MAXIMIZED:
            app.suspended = 0;
            Reshape();
            break;
        case w32::SIZE_MINIMIZED:
        case w32::SIZE_MAXHIDE: app.suspended = 1; break;
        case w32::SIZE_MAXSHOW: app.suspended = 0; break;
        default: break;
        }
        break;
    }
    case w32::WM_PAINT:
        repaintPending = 1;
        if (rc.hGLRC && !continuous) {
            MakeContextCurrent();
            Render();
        }
        break;
    case w32::WM_CLOSE:
        OnDestroyGL();
        if (rc.hDC) DeleteContext();
        break;
    case w32::WM_ERASEBKGND: return 0;
    case w32::WM_EXITSIZEMOVE:
        if (continuous && needsReshape) {
            MakeContextCurrent();
            Reshape();
            needsReshape = 0;
        }
        break;
    default: break;
    }
    return CWndBase::HandleMessage(message, wParam, lParam);
}

} // namespace wglh

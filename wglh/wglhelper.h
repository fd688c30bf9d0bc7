// The GL window: a framework window that owns an OpenGL context on its
// native window, keeps a perspective projection in step with the client
// size, renders on paint requests when the loop is not rendering
// continuously, and deletes the context when the window is closed.
#pragma once

#include "w32/native.h"
#include "w32/wnd_app.h"

#include <cstdint>
#include <string>

namespace wglh {

struct CwglSize {
    std::int32_t width = 0; // client area, pixels
    std::int32_t height = 0;
};

// Pixel format and context of one window.
struct CwglRenderContext {
    w32::WindowHandle hWnd = 0;
    w32::DcHandle hDC = 0;
    w32::GlrcHandle hGLRC = 0;

    // Sets the pixel format on `window` and creates the context (not made
    // current). 1 on success; on failure prints the diagnostic and returns 0.
    int Create(w32::WindowHandle window, std::uint32_t flags, int colorBits, int depthBits, int stencilBits,
               int accumBits, int alphaBits, int auxBuffers, int doubleBuffer);
};

class CwglWnd : public w32::CLoopWnd, public CwglSize {
public:
    ~CwglWnd() override;
    std::int32_t HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam) override;
    // Records the outer window size and succeeds.
    int OnCreated() override;
    // Draws one frame; the base draws nothing.
    void Render() override;
    // Called by InitGL with the new context current: back buffer, black
    // clear colour, depth test, filled front and outlined back faces.
    virtual void InitGLState();
    // Called with the context current right before WM_CLOSE deletes it.
    virtual void OnDestroyGL();
    // Told the new client size after the projection was rebuilt.
    virtual void OnResize(std::int32_t width, std::int32_t height);
    // Creates the context, makes it current, calls InitGLState and sets a
    // 640 x 480 client area. 1 on success, 0 on failure (diagnostic printed).
    virtual int InitGL(std::uint32_t flags, int colorBits, int depthBits, int stencilBits, int accumBits, int alphaBits,
                       int auxBuffers, int doubleBuffer);

    void MakeContextCurrent() override;
    // SetProjection for the stored size, then Render (with deferHiddenRenders
    // set, only once the window shows).
    void Reshape();
    // Perspective fovy / (width / height) / zNear..zFar and the viewport;
    // ignored until the context is ready.
    void SetProjection(int width, int height);

    w32::SwapIntervalFn swapInterval = nullptr; // null when the driver lacks it
    std::int32_t vsync = 1;                     // selects the "Realtime/VSync" status text
    std::int32_t glReady = 0;                   // 1 from the end of InitGL until the context is deleted
    std::int32_t needsReshape = 0;              // set by WM_SIZE, consumed by WM_EXITSIZEMOVE
    // Set when the shown picture must be drawn again whole (paint request,
    // new size); a window that redraws only on change clears it once it did.
    std::int32_t repaintPending = 1;
    // Frames of a window not yet shown are never seen; when set, a resize
    // leaves them to the first frame after the window shows.
    std::int32_t deferHiddenRenders = 0;
    float zNear = 1.0f;
    float zFar = 20.0f;
    float fovy = 60.0f;
    CwglRenderContext rc;

private:
    void DeleteContext();
};

// GL_EXTENSIONS as the first InitGL of the process read it.
const std::string& GLExtensions();

} // namespace wglh

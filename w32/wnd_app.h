// Window base, application object and realtime message loop.
//
// CWndBase binds an object to a native window and turns its messages into
// virtual calls. CWndApp owns the loop: in realtime mode it drains every
// pending message, counts the frame and renders, back to back; in
// interactive mode it waits and renders only on paint requests.
#pragma once

#include "w32/messages.h"
#include "w32/scene.h"

#include <cstddef>
#include <cstdint>

namespace w32 {

class CWndBase {
public:
    CWndBase() = default;
    CWndBase(const CWndBase&) = delete;
    CWndBase& operator=(const CWndBase&) = delete;
    // Destroys the native window if it still exists.
    virtual ~CWndBase();

    // Subclasses handle what they need and end with their base's handler.
    virtual std::int32_t HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);
    // Called once right after the window was bound; nonzero is success.
    virtual int OnCreated();

    // Binds this object to its freshly created window (hWnd), sends it a
    // synthetic WM_CREATE and calls OnCreated. 1 on success; on failure the
    // window is destroyed, hWnd is 0 and the diagnostic is printed.
    int SetupAfterCreation();
    // Resizes the window so that its client area is width x height and
    // posts WM_EXITSIZEMOVE so the projection follows once it settled.
    void SetClientSize(int width, int height);
    // Moves the window, unsized, to the centre of the usable desktop area.
    void CenterOnWorkArea();

    WindowHandle hWnd = 0; // 0: no native window
};

// The window the loop renders: the GL window fills these in.
class CLoopWnd : public CWndBase {
public:
    double fps = 0.0; // written by the loop every 30 frames
    virtual void MakeContextCurrent() {}
    virtual void Render() {}
};

struct CWndApp {
    std::int32_t running = 0;
    std::int32_t suspended = 0;     // main window minimised or hidden by another's maximise
    std::int32_t realtime = 0;      // 1: render continuously; 0: only on WM_PAINT
    CLoopWnd* mainWindow = nullptr; // renders; its destruction ends the loop
    void* instance = nullptr;       // the module the framework was loaded from

    // The object of the running loop, else a default one (flags 0, no window).
    static CWndApp& Current();
    // Makes `app` current; null returns to the default object.
    static void SetCurrent(CWndApp* app);
    // Runs the loop; returns the exit code of the quit message.
    int Run();
};

// The module handle of the framework's own code.
void* ModuleHandle();
// "w32::CWndBase@VCFC" followed by the module handle as 8 upper-case hex digits.
const char* WindowClassName();

// Frames per second for 30 frames that took `elapsedMs`; 0 ms counts as 0.5.
double FrameRate(std::uint32_t elapsedMs);

// The title's status text ("  [ Interactive Mode ]" or the realtime rate),
// cut at 32 characters. `out` holds kTitleStatusSize characters.
inline constexpr std::size_t kTitleStatusSize = 33;
void FormatTitleStatus(const CWndApp& app, bool vsync, double fps, char* out);

} // namespace w32

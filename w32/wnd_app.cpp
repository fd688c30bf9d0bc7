#include "w32/wnd_app.h"

#include "w32/diagnostics.h"
#include "w32/native.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace w32 {
namespace {

constexpr const char* kSource = "w32/wnd_app";

CWndApp* currentApp = nullptr;

std::int32_t WindowProcedure(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    // Messages sent before the object is bound get default processing.
    if (auto* object = static_cast<CWndBase*>(GetWindowUserData(window)))
        return object->HandleMessage(message, wParam, lParam);
    return DefWindowProc(window, message, wParam, lParam);
}

// The class is registered before the program's entry point runs and
// unregistered when it exits.
struct ClassRegistration {
    ClassRegistration() { RegisterWindowClass(WindowClassName(), &WindowProcedure); }
    ~ClassRegistration() { UnregisterWindowClass(WindowClassName()); }
} classRegistration;

void ReportSetupFailure(int line)
{
    if (ReportLastWin32Error()) ReportFailure(kSource, line, "w32::CWndBase::SetupAfterCreation");
}

} // namespace

void* ModuleHandle()
{
    static void* module = [] {
        Dl_info info{};
        return dladdr(reinterpret_cast<void*>(&WindowProcedure), &info) ? info.dli_fbase : nullptr;
    }();
    return module;
}

const char* WindowClassName()
{
    static char name[40] = {};
    if (!name[0]) {
        std::snprintf(name, sizeof name, "w32::CWndBase@VCFC%0*X", 8,
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(ModuleHandle())));
    }
    return name;
}

CWndBase::~CWndBase()
{
    CWndApp& app = CWndApp::Current();
    if (app.mainWindow == this) app.mainWindow = nullptr;
    if (hWnd) {
        // Detach first: the window's last messages must not reach a half-destroyed object.
        SetWindowUserData(hWnd, nullptr);
        DestroyNativeWindow(hWnd);
        hWnd = 0;
    }
}

std::int32_t CWndBase::HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    switch (message) {
    case WM_ACTIVATE:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDOWN: SetFocus(hWnd); return DefWindowProc(hWnd, message, wParam, lParam);
    case WM_NCDESTROY:
        hWnd = 0;
        if (CWndApp::Current().mainWindow == this) PostQuitMessage(0);
        return 0;
    default: return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

int CWndBase::OnCreated()
{
    return 1;
}

int CWndBase::SetupAfterCreation()
{
    if (!hWnd) {
        ReportSetupFailure(__LINE__);
        return 0;
    }
    SetWindowUserData(hWnd, this);
    HandleMessage(WM_CREATE, 0, 0);
    if (OnCreated()) return 1;
    ReportSetupFailure(__LINE__);
    const WindowHandle window = hWnd;
    if (!DestroyNativeWindow(window)) SetWindowUserData(window, nullptr);
    hWnd = 0;
    return 0;
}

void CWndBase::SetClientSize(int width, int height)
{
    Rect outer, client;
    if (!GetWindowRect(hWnd, outer) || !GetClientRect(hWnd, client)) return;
    SetWindowPos(hWnd, 0, 0, width + (outer.Width() - client.Width()), height + (outer.Height() - client.Height()),
                 SWP_NOZORDER | SWP_NOMOVE);
    PostMessage(hWnd, WM_EXITSIZEMOVE, 0, 0);
}

void CWndBase::CenterOnWorkArea()
{
    Rect outer, work;
    if (!GetWindowRect(hWnd, outer) || !GetWorkArea(work)) return;
    const int left = work.left + (work.Width() - outer.Width()) / 2;
    const int top = work.top + (work.Height() - outer.Height()) / 2;
    SetWindowPos(hWnd, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWndApp& CWndApp::Current()
{
    if (currentApp) return *currentApp;
    static CWndApp* fallback = [] {
        auto* app = new CWndApp;
        app->instance = ModuleHandle();
        return app;
    }();
    return *fallback;
}

void CWndApp::SetCurrent(CWndApp* app)
{
    currentApp = app;
}

double FrameRate(std::uint32_t elapsedMs)
{
    const double ms = elapsedMs == 0 ? 0.5 : static_cast<double>(elapsedMs);
    return 30000.0 / ms;
}

int CWndApp::Run()
{
    running = 1;
    if (mainWindow) InvalidateWindow(mainWindow->hWnd);
    std::uint32_t start = GetTicks();
    int countdown = 30;
    Msg msg;
    for (;;) {
        if (realtime) {
            // The minimised window keeps rendering: `suspended` only changes the title.
            while (PeekMessage(msg)) {
                if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
                DispatchMessage(msg);
            }
            if (--countdown <= 0) {
                const double rate = FrameRate(GetTicks() - start);
                if (mainWindow) mainWindow->fps = rate;
                start = GetTicks();
                countdown = 30;
            }
            if (mainWindow) {
                mainWindow->MakeContextCurrent();
                mainWindow->Render();
            }
        } else {
            if (mainWindow) mainWindow->fps = 0.0;
            countdown = 30;
            GetMessage(msg);
            if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
            DispatchMessage(msg);
        }
    }
}

void FormatTitleStatus(const CWndApp& app, bool vsync, double fps, char* out)
{
    char text[64];
    if (!app.realtime || app.suspended) {
        std::snprintf(text, sizeof text, "  [ Interactive Mode ]");
    } else {
        std::snprintf(text, sizeof text, vsync ? "  [ Realtime/VSync - %5.2ffps ]" : "  [ Realtime - %5.2ffps ]",
                      static_cast<double>(static_cast<float>(fps)));
    }
    // The title buffer keeps room for 32 characters; longer texts are cut.
    const std::size_t length = std::min(std::strlen(text), kTitleStatusSize - 1);
    std::memcpy(out, text, length);
    out[length] = '\0';
}

} // namespace w32

// The SDL2 backend of the window system seam: windows, the message queue and
// timers, geometry, GL contexts and message boxes.
#include "sdl_local.h"

#include "w32/diagnostics.h"

#include <cerrno>
#include <string>
#include <utility>

namespace w32::sdl {

State& GetState()
{
    static State* state = new State;
    return *state;
}

namespace {

// Records an SDL failure as the last error, keeping SDL's own explanation.
void FailSdl(std::uint32_t code)
{
    std::string detail = std::string("SDL: ") + SDL_GetError();
    SetLastError(code, detail.c_str());
}

void ApplyGLAttributes(const PixelFormat& f)
{
    const int channel = f.colorBits >= 3 ? f.colorBits / 3 : f.colorBits;
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, f.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, f.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, f.stencilBits);
    const int accum = f.accumBits / 4;
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, accum);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, (f.flags & PFD_DOUBLEBUFFER) ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

bool SameVisual(const PixelFormat& a, const PixelFormat& b)
{
    return a.colorBits == b.colorBits && a.alphaBits == b.alphaBits && a.accumBits == b.accumBits &&
           a.depthBits == b.depthBits && a.stencilBits == b.stencilBits &&
           (a.flags & PFD_DOUBLEBUFFER) == (b.flags & PFD_DOUBLEBUFFER);
}

PixelFormat DefaultVisual()
{
    PixelFormat f;
    f.flags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    f.colorBits = 24;
    f.depthBits = 24;
    return f;
}

std::uint32_t SdlFlags(std::uint32_t style)
{
    std::uint32_t flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (style & WS_OVERLAPPEDWINDOW) flags |= SDL_WINDOW_RESIZABLE;
    return flags;
}

void Borders(SDL_Window* window, int& top, int& left, int& bottom, int& right)
{
    top = left = bottom = right = 0;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0)
        top = left = bottom = right = 0; // no window manager: no frame
}

bool PopDueTimer(Msg& out)
{
    State& s = GetState();
    const std::uint32_t now = SDL_GetTicks();
    for (TimerRecord& t : s.timers) {
        if (static_cast<std::int32_t>(now - t.due) >= 0) {
            t.due = now + t.period;
            out = {t.window, WM_TIMER, t.id, 0};
            return true;
        }
    }
    return false;
}

bool PopPaint(Msg& out)
{
    for (auto& [handle, record] : GetState().windows) {
        if (record.invalid && !record.destroying) {
            out = {handle, WM_PAINT, 0, 0};
            return true;
        }
    }
    return false;
}

void ForgetWindow(WindowHandle window)
{
    State& s = GetState();
    std::erase_if(s.timers, [window](const TimerRecord& t) { return t.window == window; });
    if (s.focus == window) s.focus = 0;
    if (s.capture == window) {
        s.capture = 0;
        SDL_CaptureMouse(SDL_FALSE);
    }
    if (s.currentDc == window) {
        SDL_GL_MakeCurrent(nullptr, nullptr);
        s.currentDc = 0;
    }
}

} // namespace

bool EnsureVideo()
{
    State& s = GetState();
    if (s.videoReady) return true;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        FailSdl(ENODEV);
        return false;
    }
    // Without a display SDL falls back to an invisible offscreen window that
    // nobody could see or close; only take that when it was asked for.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (!requested || !*requested) &&
        (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
        SetLastError(ENODEV, "SDL: no display to open a window on");
        return false;
    }
    s.videoReady = true;
    return true;
}

WindowRecord* Find(WindowHandle window)
{
    if (window == 0) return nullptr;
    auto& windows = GetState().windows;
    auto it = windows.find(window);
    return it == windows.end() ? nullptr : &it->second;
}

WindowHandle FromSdlId(std::uint32_t sdlWindowId)
{
    State& s = GetState();
    if (sdlWindowId == 0) {
        if (s.focus && Find(s.focus)) return s.focus;
        return s.windows.empty() ? 0 : s.windows.begin()->first;
    }
    for (const auto& [handle, record] : s.windows) {
        if (SDL_GetWindowID(record.window) == sdlWindowId) return handle;
    }
    return 0;
}

SDL_Window* SdlWindowOf(WindowHandle window)
{
    WindowRecord* record = Find(window);
    return record ? record->window : nullptr;
}

} // namespace w32::sdl

namespace w32 {

using namespace sdl;

bool RegisterWindowClass(const char* className, WindowProc proc)
{
    if (!className || !proc) {
        SetLastError(EINVAL);
        return false;
    }
    return GetState().classes.emplace(className, proc).second || (SetLastError(EEXIST), false);
}

bool UnregisterWindowClass(const char* className)
{
    if (className && GetState().classes.erase(className)) return true;
    SetLastError(ENOENT);
    return false;
}

WindowHandle CreateNativeWindow(const char* className, const char* title, std::uint32_t style, int x, int y, int width,
                                int height)
{
    State& s = GetState();
    auto cls = s.classes.find(className ? className : "");
    if (cls == s.classes.end()) {
        SetLastError(ENOENT);
        return 0;
    }
    if (!EnsureVideo()) return 0;
    if (x == CW_USEDEFAULT) x = y = static_cast<int>(SDL_WINDOWPOS_UNDEFINED);
    if (width == CW_USEDEFAULT || width <= 0 || height <= 0) {
        width = 640;
        height = 480;
    }
    const PixelFormat visual = DefaultVisual();
    ApplyGLAttributes(visual);
    SDL_Window* window = SDL_CreateWindow(title ? title : "", x, y, width, height, SdlFlags(style));
    if (!window) {
        FailSdl(ENODEV);
        return 0;
    }
    const WindowHandle handle = s.nextWindow++;
    WindowRecord record;
    record.window = window;
    record.proc = cls->second;
    record.style = style;
    record.createdFormat = visual;
    s.windows.emplace(handle, record);
    return handle;
}

bool DestroyNativeWindow(WindowHandle window)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    if (record->destroying) return true;
    record->destroying = true;
    SendMessage(window, WM_DESTROY, 0, 0);
    SendMessage(window, WM_NCDESTROY, 0, 0);
    ForgetWindow(window);
    record = Find(window);
    SDL_DestroyWindow(record->window);
    GetState().windows.erase(window);
    return true;
}

bool IsWindow(WindowHandle window)
{
    return Find(window) != nullptr;
}

bool SetWindowUserData(WindowHandle window, void* data)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    record->userData = data;
    return true;
}

void* GetWindowUserData(WindowHandle window)
{
    WindowRecord* record = Find(window);
    return record ? record->userData : nullptr;
}

std::int32_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uint32_t, std::int32_t)
{
    WindowRecord* record = Find(window);
    if (!record) return 0;
    switch (message) {
    case WM_CLOSE: DestroyNativeWindow(window); return 0;
    case WM_PAINT: record->invalid = false; return 0;
    case WM_ERASEBKGND: return 1;
    default: return 0;
    }
}

std::int32_t SendMessage(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    WindowRecord* record = Find(window);
    if (!record) return 0;
    return record->proc(window, message, wParam, lParam);
}

bool PostMessage(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam)
{
    if (window != 0 && !Find(window)) {
        SetLastError(EBADF);
        return false;
    }
    GetState().posted.push_back({window, message, wParam, lParam});
    return true;
}

void PostQuitMessage(int exitCode)
{
    GetState().posted.push_back({0, WM_QUIT, static_cast<std::uint32_t>(exitCode), 0});
}

bool PeekMessage(Msg& out)
{
    State& s = GetState();
    if (!s.posted.empty()) {
        out = s.posted.front();
        s.posted.pop_front();
        return true;
    }
    if (s.input.empty() && s.videoReady) {
        SDL_Event event;
        while (s.input.empty() && SDL_PollEvent(&event)) TranslateEvent(event, s.input);
    }
    if (!s.input.empty()) {
        out = s.input.front();
        s.input.pop_front();
        return true;
    }
    return PopPaint(out) || PopDueTimer(out);
}

void GetMessage(Msg& out)
{
    State& s = GetState();
    while (!PeekMessage(out)) {
        int wait = -1;
        const std::uint32_t now = SDL_GetTicks();
        for (const TimerRecord& t : s.timers) {
            const auto left = static_cast<std::int32_t>(t.due - now);
            wait = (wait < 0 || left < wait) ? (left > 0 ? left : 0) : wait;
        }
        if (s.videoReady) {
            SDL_WaitEventTimeout(nullptr, wait < 0 ? 1000 : wait);
        } else if (wait >= 0) {
            SDL_Delay(static_cast<std::uint32_t>(wait)); // only timers can arrive
        } else {
            // Nothing could ever arrive: end the loop rather than hang.
            out = {0, WM_QUIT, 0, 0};
            return;
        }
    }
}

std::int32_t DispatchMessage(const Msg& msg)
{
    if (msg.window == 0) return 0;
    return SendMessage(msg.window, msg.message, msg.wParam, msg.lParam);
}

bool SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t periodMs)
{
    if (!Find(window)) {
        SetLastError(EBADF);
        return false;
    }
    State& s = GetState();
    const std::uint32_t due = SDL_GetTicks() + periodMs;
    for (TimerRecord& t : s.timers) {
        if (t.window == window && t.id == id) {
            t.period = periodMs;
            t.due = due;
            return true;
        }
    }
    s.timers.push_back({window, id, periodMs, due});
    return true;
}

bool KillTimer(WindowHandle window, std::uint32_t id)
{
    auto removed =
        std::erase_if(GetState().timers, [&](const TimerRecord& t) { return t.window == window && t.id == id; });
    return removed != 0;
}

std::uint32_t GetTicks()
{
    return SDL_GetTicks();
}

bool GetWindowRect(WindowHandle window, Rect& outer)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    int x = 0, y = 0, w = 0, h = 0, top, left, bottom, right;
    SDL_GetWindowPosition(record->window, &x, &y);
    SDL_GetWindowSize(record->window, &w, &h);
    Borders(record->window, top, left, bottom, right);
    outer = {x - left, y - top, x + w + right, y + h + bottom};
    return true;
}

bool GetClientRect(WindowHandle window, Rect& client)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    int w = 0, h = 0;
    SDL_GetWindowSize(record->window, &w, &h);
    client = {0, 0, w, h};
    return true;
}

bool SetWindowPos(WindowHandle window, int x, int y, int width, int height, std::uint32_t flags)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    int top, left, bottom, right;
    Borders(record->window, top, left, bottom, right);
    if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(record->window, x + left, y + top);
    if (!(flags & SWP_NOSIZE)) {
        const int w = width - left - right, h = height - top - bottom;
        SDL_SetWindowSize(record->window, w > 1 ? w : 1, h > 1 ? h : 1);
        // Like the native call, the window hears of its new size before this returns.
        Msg size;
        const std::uint32_t state = SDL_GetWindowFlags(record->window);
        if (!(state & SDL_WINDOW_MINIMIZED) &&
            SizeMessage(window, (state & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED, size))
            SendMessage(window, size.message, size.wParam, size.lParam);
    }
    return true;
}

bool GetWorkArea(Rect& area)
{
    if (!EnsureVideo()) return false;
    SDL_Rect r;
    if (SDL_GetDisplayUsableBounds(0, &r) != 0) {
        FailSdl(ENODEV);
        return false;
    }
    area = {r.x, r.y, r.x + r.w, r.y + r.h};
    return true;
}

bool ShowWindow(WindowHandle window, bool show)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    show ? SDL_ShowWindow(record->window) : SDL_HideWindow(record->window);
    if (show) record->invalid = true;
    return true;
}

bool IsWindowShown(WindowHandle window)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    const std::uint32_t flags = SDL_GetWindowFlags(record->window);
    return (flags & SDL_WINDOW_SHOWN) && !(flags & SDL_WINDOW_MINIMIZED);
}

bool SetWindowText(WindowHandle window, const char* text)
{
    WindowRecord* record = Find(window);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    SDL_SetWindowTitle(record->window, text ? text : "");
    return true;
}

std::string GetWindowText(WindowHandle window)
{
    WindowRecord* record = Find(window);
    return record ? SDL_GetWindowTitle(record->window) : "";
}

bool InvalidateWindow(WindowHandle window)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    record->invalid = true;
    return true;
}

WindowHandle SetFocus(WindowHandle window)
{
    State& s = GetState();
    const WindowHandle previous = s.focus;
    if (Find(window)) s.focus = window;
    return previous;
}

WindowHandle GetFocus()
{
    return GetState().focus;
}

WindowHandle SetCapture(WindowHandle window)
{
    State& s = GetState();
    const WindowHandle previous = s.capture;
    if (Find(window)) {
        s.capture = window;
        SDL_CaptureMouse(SDL_TRUE); // may be refused without input focus; routing still holds
    }
    return previous;
}

bool ReleaseCapture()
{
    State& s = GetState();
    if (!s.capture) return true;
    s.capture = 0;
    SDL_CaptureMouse(SDL_FALSE);
    return true;
}

WindowHandle GetCapture()
{
    return GetState().capture;
}

DcHandle GetDC(WindowHandle window)
{
    if (!Find(window)) {
        SetLastError(EBADF);
        return 0;
    }
    return window; // a window's drawable is the window itself
}

bool ReleaseDC(WindowHandle window, DcHandle dc)
{
    return window == dc && Find(window);
}

int ChoosePixelFormat(DcHandle dc, const PixelFormat& f)
{
    if (!Find(dc)) {
        SetLastError(EBADF);
        return 0;
    }
    const bool usable = (f.flags & PFD_SUPPORT_OPENGL) && (f.flags & PFD_DRAW_TO_WINDOW) && f.colorBits > 0 &&
                        f.colorBits <= 32 && f.alphaBits >= 0 && f.alphaBits <= 8 && f.depthBits >= 0 &&
                        f.depthBits <= 32 && f.stencilBits >= 0 && f.stencilBits <= 8 && f.accumBits >= 0 &&
                        f.accumBits <= 64 && f.auxBuffers >= 0;
    if (!usable) {
        SetLastError(EINVAL);
        return 0;
    }
    return 1;
}

bool SetPixelFormat(DcHandle dc, int index, const PixelFormat& f)
{
    WindowRecord* record = Find(dc);
    if (!record || index != 1) {
        SetLastError(record ? EINVAL : EBADF);
        return false;
    }
    if (record->formatSet) {
        // A window's pixel format is chosen once.
        if (SameVisual(record->createdFormat, f)) return true;
        SetLastError(EBUSY);
        return false;
    }
    if (!SameVisual(record->createdFormat, f)) {
        // The X visual is fixed when the window is made: make it again,
        // still hidden, at the same place and size.
        int x, y, w, h;
        SDL_GetWindowPosition(record->window, &x, &y);
        SDL_GetWindowSize(record->window, &w, &h);
        ApplyGLAttributes(f);
        SDL_Window* replacement =
            SDL_CreateWindow(SDL_GetWindowTitle(record->window), x, y, w, h, SdlFlags(record->style));
        if (!replacement) {
            FailSdl(EINVAL);
            return false;
        }
        SDL_DestroyWindow(record->window);
        record->window = replacement;
        record->createdFormat = f;
    }
    ApplyGLAttributes(f);
    record->formatSet = true;
    return true;
}

GlrcHandle CreateGLContext(DcHandle dc)
{
    WindowRecord* record = Find(dc);
    if (!record || !record->formatSet) {
        SetLastError(record ? EINVAL : EBADF);
        return 0;
    }
    State& s = GetState();
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    ApplyGLAttributes(record->createdFormat);
    SDL_GLContext context = SDL_GL_CreateContext(record->window);
    if (!context) {
        FailSdl(ENODEV);
        return 0;
    }
    // Creating made it current; creation alone must not change what is current.
    SDL_GL_MakeCurrent(previousWindow, previous);
    const GlrcHandle handle = s.nextContext++;
    s.contexts.emplace(handle, context);
    return handle;
}

bool MakeCurrent(DcHandle dc, GlrcHandle context)
{
    State& s = GetState();
    if (dc == 0 && context == 0) {
        if (s.videoReady) SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
        s.currentDc = 0;
        return true;
    }
    WindowRecord* record = Find(dc);
    auto it = s.contexts.find(context);
    if (!record || it == s.contexts.end()) {
        SetLastError(EBADF);
        return false;
    }
    if (SDL_GL_MakeCurrent(record->window, it->second) != 0) {
        FailSdl(EINVAL);
        return false;
    }
    s.currentDc = dc;
    return true;
}

bool DeleteGLContext(GlrcHandle context)
{
    State& s = GetState();
    auto it = s.contexts.find(context);
    if (it == s.contexts.end()) {
        SetLastError(EBADF);
        return false;
    }
    if (SDL_GL_GetCurrentContext() == it->second) {
        SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr);
        s.currentDc = 0;
    }
    SDL_GL_DeleteContext(it->second);
    s.contexts.erase(it);
    return true;
}

DcHandle GetCurrentDC()
{
    return GetState().currentDc;
}

bool SwapBuffers(DcHandle dc)
{
    WindowRecord* record = Find(dc);
    if (!record) {
        SetLastError(EBADF);
        return false;
    }
    SDL_GL_SwapWindow(record->window);
    return true;
}

namespace {

// GLX_MESA_copy_sub_buffer, looked up through SDL so that this layer needs
// no link to GLX; null when the driver lacks it.
using CopySubBufferFn = void (*)(void* display, unsigned long drawable, int x, int y, int width, int height);
using CurrentDisplayFn = void* (*)();
using CurrentDrawableFn = unsigned long (*)();

struct CopySubBuffer {
    CopySubBufferFn copy = nullptr;
    CurrentDisplayFn display = nullptr;
    CurrentDrawableFn drawable = nullptr;
};

const CopySubBuffer& CopySubBufferEntry()
{
    static const CopySubBuffer entry = [] {
        CopySubBuffer e;
        if (!GetState().videoReady || SDL_strcmp(SDL_GetCurrentVideoDriver(), "x11") != 0) return e;
        e.copy = reinterpret_cast<CopySubBufferFn>(SDL_GL_GetProcAddress("glXCopySubBufferMESA"));
        e.display = reinterpret_cast<CurrentDisplayFn>(SDL_GL_GetProcAddress("glXGetCurrentDisplay"));
        e.drawable = reinterpret_cast<CurrentDrawableFn>(SDL_GL_GetProcAddress("glXGetCurrentDrawable"));
        if (!e.display || !e.drawable) e.copy = nullptr;
        return e;
    }();
    return entry;
}

} // namespace

bool CanPresentPart(DcHandle dc)
{
    return Find(dc) && GetState().currentDc == dc && CopySubBufferEntry().copy;
}

bool PresentPart(DcHandle dc, int x, int y, int width, int height)
{
    if (!CanPresentPart(dc)) {
        SetLastError(ENOTSUP);
        return false;
    }
    const CopySubBuffer& e = CopySubBufferEntry();
    void* display = e.display();
    const unsigned long drawable = e.drawable();
    if (!display || !drawable) {
        SetLastError(EBADF);
        return false;
    }
    e.copy(display, drawable, x, y, width, height);
    return true;
}

void* GetGLProcAddress(const char* name)
{
    if (!name || !GetState().videoReady) return nullptr;
    return SDL_GL_GetProcAddress(name);
}

namespace {
int SetSwapInterval(int interval)
{
    return SDL_GL_SetSwapInterval(interval) == 0 ? 1 : 0;
}
} // namespace

SwapIntervalFn GetSwapIntervalControl()
{
    for (const char* name : {"glXSwapIntervalEXT", "glXSwapIntervalMESA", "glXSwapIntervalSGI"}) {
        if (GetGLProcAddress(name)) return &SetSwapInterval;
    }
    return nullptr;
}

namespace {

// X11 boxes show a carriage return as a glyph; line feeds alone break lines.
std::string WithoutCarriageReturns(const char* text)
{
    std::string out;
    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p != '\r') out += *p;
    }
    return out;
}

} // namespace

namespace {
MessageBoxHandler messageBoxHandler = nullptr;
} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(messageBoxHandler, handler);
}

int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, MessageBoxKind kind)
{
    if (messageBoxHandler) return messageBoxHandler(owner, text, caption, kind);
    const std::uint32_t flags = kind == MB_ERROR     ? SDL_MESSAGEBOX_ERROR
                                : kind == MB_WARNING ? SDL_MESSAGEBOX_WARNING
                                                     : SDL_MESSAGEBOX_INFORMATION;
    const std::string body = WithoutCarriageReturns(text);
    if (SDL_ShowSimpleMessageBox(flags, caption ? caption : "", body.c_str(), SdlWindowOf(owner)) != 0) {
        FailSdl(ENODEV);
        return -1;
    }
    return 0;
}

int ShowAbortRetryIgnore(const char* text, const char* caption)
{
    const SDL_MessageBoxButtonData buttons[] = {
        {0, ARI_ABORT, "Abort"},
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, ARI_RETRY, "Retry"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, ARI_IGNORE, "Ignore"},
    };
    const std::string body = WithoutCarriageReturns(text);
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_ERROR;
    data.title = caption ? caption : "";
    data.message = body.c_str();
    data.numbuttons = 3;
    data.buttons = buttons;
    int chosen = -1;
    if (SDL_ShowMessageBox(&data, &chosen) != 0) {
        FailSdl(ENODEV);
        return -1;
    }
    return chosen; // -1 when the box was closed without a button
}

} // namespace w32

// The window system seam. Everything above it (window base, loop, GL window,
// demo window) reaches windows, the message queue, timers, GL contexts and
// message boxes only through these calls; the SDL2 implementation lives in
// sdl_window.cpp and sdl_events.cpp, so another backend replaces two files.
//
// Handles are small integers that are never reused, so a stale handle simply
// fails. Calls that fail set the last error (diagnostics.h) and return
// 0/false; none of them throws.
#pragma once

#include "w32/messages.h"

#include <cstdint>
#include <string>

namespace w32 {

// Window procedure of a registered class.
using WindowProc = std::int32_t (*)(WindowHandle, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);

bool RegisterWindowClass(const char* className, WindowProc proc);
bool UnregisterWindowClass(const char* className);

inline constexpr std::uint32_t WS_OVERLAPPEDWINDOW = 0x00CF0000; // resizable frame
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Creates a hidden window of a registered class; x/width may be
// CW_USEDEFAULT. Returns 0 on failure. No messages are sent during creation.
WindowHandle CreateNativeWindow(const char* className, const char* title, std::uint32_t style, int x, int y, int width,
                                int height);
// Sends WM_DESTROY and WM_NCDESTROY, then closes the window. False for a
// handle that is not a live window.
bool DestroyNativeWindow(WindowHandle window);
bool IsWindow(WindowHandle window);

// The per-window slot the framework keeps its object pointer in.
bool SetWindowUserData(WindowHandle window, void* data);
void* GetWindowUserData(WindowHandle window);

// Default processing: WM_CLOSE destroys the window, WM_PAINT validates it,
// WM_ERASEBKGND reports the background as erased; everything else gives 0.
std::int32_t DefWindowProc(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);
// Calls the window's procedure at once; 0 for a dead handle.
std::int32_t SendMessage(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);

// Queue. Posted messages come first, then input (translated SDL events),
// then paint requests of invalidated windows, then due timers.
bool PostMessage(WindowHandle window, std::uint32_t message, std::uint32_t wParam, std::int32_t lParam);
void PostQuitMessage(int exitCode);
bool PeekMessage(Msg& out);                   // removes the message; false when nothing is pending
void GetMessage(Msg& out);                    // waits for a message
std::int32_t DispatchMessage(const Msg& msg); // thread messages (window 0) are not dispatched

// Timers fire WM_TIMER (wParam = id) from the queue, measured on GetTicks.
bool SetTimer(WindowHandle window, std::uint32_t id, std::uint32_t periodMs);
bool KillTimer(WindowHandle window, std::uint32_t id);
std::uint32_t GetTicks(); // milliseconds since start-up, wrapping at 2^32

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};
inline constexpr std::uint32_t SWP_NOSIZE = 0x0001;
inline constexpr std::uint32_t SWP_NOMOVE = 0x0002;
inline constexpr std::uint32_t SWP_NOZORDER = 0x0004;
inline constexpr std::uint32_t SWP_NOACTIVATE = 0x0010;

bool GetWindowRect(WindowHandle window, Rect& outer);  // screen coordinates, frame included
bool GetClientRect(WindowHandle window, Rect& client); // left = top = 0
// Moves and sizes the outer rectangle; a size change sends WM_SIZE at once.
bool SetWindowPos(WindowHandle window, int x, int y, int width, int height, std::uint32_t flags);
bool GetWorkArea(Rect& area); // usable desktop area of the primary display
bool ShowWindow(WindowHandle window, bool show);
bool IsWindowShown(WindowHandle window); // shown and not minimised
bool SetWindowText(WindowHandle window, const char* text);
std::string GetWindowText(WindowHandle window);
bool InvalidateWindow(WindowHandle window); // asks for a WM_PAINT
// Keyboard messages go to the focus window; mouse messages keep going to the
// capture window while a button is held outside it.
WindowHandle SetFocus(WindowHandle window);
WindowHandle GetFocus();
WindowHandle SetCapture(WindowHandle window);
bool ReleaseCapture();
WindowHandle GetCapture();

// GL. The drawable ("device context") of a window is valid while it lives.
inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x0001;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x0004;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x0020;
struct PixelFormat {
    std::uint32_t flags = 0;
    int colorBits = 0, alphaBits = 0, accumBits = 0, depthBits = 0, stencilBits = 0, auxBuffers = 0;
};
DcHandle GetDC(WindowHandle window);
bool ReleaseDC(WindowHandle window, DcHandle dc);
int ChoosePixelFormat(DcHandle dc, const PixelFormat& format); // 0 when nothing matches
bool SetPixelFormat(DcHandle dc, int index, const PixelFormat& format);
GlrcHandle CreateGLContext(DcHandle dc);           // compatibility profile; does not make it current
bool MakeCurrent(DcHandle dc, GlrcHandle context); // (0, 0) releases the current context
bool DeleteGLContext(GlrcHandle context);
DcHandle GetCurrentDC();
bool SwapBuffers(DcHandle dc);
// Copies the rectangle (x, y from the bottom-left corner, in pixels) of the
// current context's back buffer to the window, leaving the rest of the shown
// picture alone. False when the driver cannot (nothing is copied then).
bool PresentPart(DcHandle dc, int x, int y, int width, int height);
bool CanPresentPart(DcHandle dc);
void* GetGLProcAddress(const char* name);
using SwapIntervalFn = int (*)(int interval);
SwapIntervalFn GetSwapIntervalControl(); // null when the driver has no swap control

// Message boxes. Returns the button chosen, or -1 when no box could be shown.
enum MessageBoxKind { MB_ERROR, MB_WARNING, MB_INFORMATION };
int ShowMessageBox(WindowHandle owner, const char* text, const char* caption, MessageBoxKind kind);
// Replaces how ShowMessageBox shows its boxes (null: SDL's boxes again) and
// returns the handler it replaces; the seam through which tests read boxes.
using MessageBoxHandler = int (*)(WindowHandle owner, const char* text, const char* caption, MessageBoxKind kind);
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
enum AbortRetryIgnore { ARI_ABORT = 0, ARI_RETRY = 1, ARI_IGNORE = 2 };
int ShowAbortRetryIgnore(const char* text, const char* caption); // -1 when no box could be shown

} // namespace w32

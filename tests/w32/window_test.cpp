// The SDL backend under a real X server: SDL events become the framework's
// messages, timers fire from the queue, a failed set-up destroys the window,
// and the loop drains every message before each frame; closing the main
// window ends it with 0.
#include "w32/diagnostics.h"
#include "w32/native.h"
#include "sdl_local.h"
#include "w32/wnd_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

constexpr std::uint32_t kFrame = 0xFFFF; // recorded for each frame

Uint32 SdlId(w32::WindowHandle window)
{
    return SDL_GetWindowID(w32::sdl::SdlWindowOf(window));
}

SDL_Event WindowEvent(w32::WindowHandle window, Uint8 event)
{
    SDL_Event e{};
    e.window = {SDL_WINDOWEVENT, 0, SdlId(window), event, 0, 0, 0, 0, 0};
    return e;
}

// A window object that records every message it is told, and its frames.
class ProbeWnd : public w32::CLoopWnd {
public:
    std::vector<w32::Msg> received;
    int created = 1;
    int frames = 0;
    std::int32_t HandleMessage(std::uint32_t m, std::uint32_t w, std::int32_t l) override
    {
        received.push_back({hWnd, m, w, l});
        return CWndBase::HandleMessage(m, w, l);
    }
    int OnCreated() override { return created; }
    void Render() override
    {
        received.push_back({hWnd, kFrame, 0, 0});
        if (++frames == 1) {
            // Two messages now, a close later: both must be handled before the next frame.
            w32::PostMessage(hWnd, 0x0400, 0, 0);
            w32::PostMessage(hWnd, 0x0401, 0, 0);
        } else if (frames == 3) {
            SDL_Event close = WindowEvent(hWnd, SDL_WINDOWEVENT_CLOSE);
            SDL_PushEvent(&close);
        }
    }
};

class SdlWindow : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        wnd.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "t", w32::WS_OVERLAPPEDWINDOW, 10, 10, 320, 240);
        ASSERT_NE(wnd.hWnd, 0u);
    }
    void TearDown() override { SDL_SetModState(KMOD_NONE); }
    void Bind()
    {
        ASSERT_EQ(wnd.SetupAfterCreation(), 1);
        Pump();
        wnd.received.clear();
    }
    static void Pump()
    {
        w32::Msg msg;
        while (w32::PeekMessage(msg)) w32::DispatchMessage(msg);
    }
    // Pushes one event and returns what the window received for it.
    std::vector<w32::Msg> Deliver(SDL_Event event)
    {
        wnd.received.clear();
        SDL_PushEvent(&event);
        Pump();
        return wnd.received;
    }
    SDL_Event Button(Uint32 type, Uint8 button, int x, int y)
    {
        SDL_Event e{};
        e.button = {type, 0, SdlId(wnd.hWnd), 0, button, Uint8(type == SDL_MOUSEBUTTONDOWN), 1, 0, x, y};
        return e;
    }
    SDL_Event Key(Uint32 type, SDL_Keycode key)
    {
        SDL_Event e{};
        e.key = {
            type, 0, SdlId(wnd.hWnd), Uint8(type == SDL_KEYDOWN), 0, 0, 0, {SDL_GetScancodeFromKey(key), key, 0, 0}};
        return e;
    }
    SDL_Event Wheel(Sint32 y)
    {
        SDL_Event e{};
        e.wheel = {SDL_MOUSEWHEEL, 0, SdlId(wnd.hWnd), 0, 0, y, SDL_MOUSEWHEEL_NORMAL, 0, float(y), 0, 0};
        return e;
    }
    SDL_Event Window(Uint8 event) { return WindowEvent(wnd.hWnd, event); }
    ProbeWnd wnd;
};

TEST_F(SdlWindow, EachSdlEventBecomesItsMessage)
{
    using w32::MakeLParam;
    Bind();
    SDL_Event move{};
    move.motion = {SDL_MOUSEMOTION, 0, SdlId(wnd.hWnd), 0, SDL_BUTTON_LMASK, 300, 200, 1, 1};
    constexpr std::uint32_t kNothing = 0;
    constexpr std::int32_t kAnyPoint = -1; // the wheel's point is in screen coordinates
    const struct {
        SDL_Event event;
        SDL_Keymod mods;
        std::uint32_t message, wParam;
        std::int32_t lParam;
    } cases[] = {
        {Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20), KMOD_NONE, 0x0201, w32::MK_LBUTTON, MakeLParam(10, 20)},
        {Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 11, 21), KMOD_NONE, 0x0202, 0, MakeLParam(11, 21)},
        {Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 6), KMOD_LCTRL, 0x0204, w32::MK_RBUTTON | w32::MK_CONTROL,
         MakeLParam(5, 6)},
        {Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 5, 6), KMOD_LCTRL, 0x0205, w32::MK_CONTROL, MakeLParam(5, 6)},
        {move, KMOD_NONE, w32::WM_MOUSEMOVE, w32::MK_LBUTTON, MakeLParam(300, 200)},
        // The left button is still held since the motion said so.
        {Wheel(1), KMOD_LCTRL, w32::WM_MOUSEWHEEL, (120u << 16) | w32::MK_LBUTTON | w32::MK_CONTROL, kAnyPoint},
        {Wheel(-2), KMOD_NONE, w32::WM_MOUSEWHEEL, (std::uint32_t(-240 & 0xFFFF) << 16) | w32::MK_LBUTTON, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_j), KMOD_NONE, w32::WM_KEYDOWN, 0x4A, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_g), KMOD_NONE, w32::WM_KEYDOWN, 0x47, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_7), KMOD_NONE, w32::WM_KEYDOWN, 0x37, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_RETURN), KMOD_NONE, w32::WM_KEYDOWN, 0x0D, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_LEFT), KMOD_NONE, w32::WM_KEYDOWN, 0x25, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_F1), KMOD_NONE, w32::WM_KEYDOWN, 0x70, kAnyPoint},
        {Key(SDL_KEYDOWN, SDLK_APPLICATION), KMOD_NONE, w32::WM_KEYDOWN, w32::VK_UNMAPPED, kAnyPoint},
        {Key(SDL_KEYUP, SDLK_j), KMOD_NONE, w32::WM_KEYUP, 0x4A, kAnyPoint},
        {Window(SDL_WINDOWEVENT_MINIMIZED), KMOD_NONE, w32::WM_SIZE, w32::SIZE_MINIMIZED, 0},
        {Window(SDL_WINDOWEVENT_RESTORED), KMOD_NONE, w32::WM_SIZE, w32::SIZE_RESTORED, MakeLParam(320, 240)},
        // A size change that repeats the last report is not sent twice.
        {Window(SDL_WINDOWEVENT_SIZE_CHANGED), KMOD_NONE, kNothing, 0, 0},
        // Exposure asks for one paint; default processing validates the window.
        {Window(SDL_WINDOWEVENT_EXPOSED), KMOD_NONE, w32::WM_PAINT, 0, 0},
        {Window(SDL_WINDOWEVENT_FOCUS_GAINED), KMOD_NONE, w32::WM_ACTIVATE, w32::WA_ACTIVE, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "message 0x" << std::hex << c.message << " wParam 0x" << c.wParam);
        SDL_SetModState(c.mods);
        const std::vector<w32::Msg> got = Deliver(c.event);
        ASSERT_EQ(got.size(), c.message == kNothing ? 0u : 1u);
        if (got.empty()) continue;
        EXPECT_EQ(got[0].message, c.message);
        EXPECT_EQ(got[0].wParam, c.wParam);
        if (c.message == w32::WM_KEYDOWN) {
            EXPECT_EQ(got[0].lParam & 0xFFFF, 1); // the repeat count
        } else if (c.lParam != kAnyPoint) {
            EXPECT_EQ(got[0].lParam, c.lParam);
        }
    }
    // Closing: WM_CLOSE, whose default processing destroys the window.
    const w32::WindowHandle window = wnd.hWnd;
    std::vector<std::uint32_t> closing;
    for (const w32::Msg& m : Deliver(Window(SDL_WINDOWEVENT_CLOSE))) closing.push_back(m.message);
    EXPECT_EQ(closing, (std::vector<std::uint32_t>{w32::WM_CLOSE, w32::WM_DESTROY, w32::WM_NCDESTROY}));
    EXPECT_FALSE(w32::IsWindow(window));
}

TEST_F(SdlWindow, TimerFiresFromTheQueueAfterItsPeriod)
{
    Bind();
    ASSERT_TRUE(w32::SetTimer(wnd.hWnd, 0x10000, 60));
    const Uint32 start = SDL_GetTicks();
    Pump();
    EXPECT_TRUE(wnd.received.empty());
    while (wnd.received.empty() && SDL_GetTicks() - start < 1000) Pump();
    ASSERT_EQ(wnd.received.size(), 1u);
    EXPECT_GE(SDL_GetTicks() - start, 60u);
    EXPECT_EQ(wnd.received[0].message, w32::WM_TIMER);
    EXPECT_EQ(wnd.received[0].wParam, 0x10000u);
}

TEST_F(SdlWindow, FailedSetupDestroysTheWindow)
{
    wnd.created = 0;
    const w32::WindowHandle window = wnd.hWnd;
    EXPECT_EQ(wnd.SetupAfterCreation(), 0);
    EXPECT_EQ(wnd.hWnd, 0u);
    EXPECT_FALSE(w32::IsWindow(window));
    // No window at all: nothing pending to report, so nothing is printed.
    w32::SetLastError(0);
    testing::internal::CaptureStdout();
    EXPECT_EQ(wnd.SetupAfterCreation(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(SdlWindow, LoopDrainsMessagesBeforeEachFrameAndClosingReturnsZero)
{
    Bind();
    w32::CWndApp app;
    app.realtime = 1;
    app.mainWindow = &wnd;
    w32::CWndApp::SetCurrent(&app);
    const int result = app.Run();
    w32::CWndApp::SetCurrent(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(wnd.frames, 3);
    EXPECT_EQ(wnd.hWnd, 0u);
    // Frame 1, then both posted messages, then frame 2.
    std::vector<std::uint32_t> order;
    for (const w32::Msg& m : wnd.received) {
        if (m.message == kFrame || m.message >= 0x0400) order.push_back(m.message);
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{kFrame, 0x0400, 0x0401, kFrame, kFrame}));
}

} // namespace

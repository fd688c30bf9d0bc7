// The SDL backend under a real X server: SDL events become the framework's
// messages, timers fire from the queue, the window base binds, sizes and
// centres windows, and closing the main window ends the loop with 0.
#include "w32/diagnostics.h"
#include "w32/native.h"
#include "w32/sdl_local.h"
#include "w32/wnd_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

std::vector<w32::Msg> received;

std::int32_t RecordingProc(w32::WindowHandle window, std::uint32_t message, std::uint32_t wParam,
                           std::int32_t lParam)
{
    received.push_back({window, message, wParam, lParam});
    return w32::DefWindowProc(window, message, wParam, lParam);
}

const bool registered = w32::RegisterWindowClass("recording", &RecordingProc);

class SdlEvents : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        ASSERT_TRUE(registered);
        window = w32::CreateNativeWindow("recording", "t", w32::WS_OVERLAPPEDWINDOW, 10, 10, 320, 240);
        ASSERT_NE(window, 0u);
        Pump();
        received.clear();
    }
    void TearDown() override
    {
        if (window)
            w32::DestroyNativeWindow(window);
        SDL_SetModState(KMOD_NONE);
    }
    void Pump()
    {
        w32::Msg msg;
        while (w32::PeekMessage(msg))
            w32::DispatchMessage(msg);
    }
    Uint32 SdlId() { return SDL_GetWindowID(w32::sdl::SdlWindowOf(window)); }
    // Pushes one event and returns what the window received for it.
    std::vector<w32::Msg> Deliver(SDL_Event event)
    {
        received.clear();
        SDL_PushEvent(&event);
        Pump();
        return received;
    }
    SDL_Event Button(Uint32 type, Uint8 button, int x, int y)
    {
        SDL_Event e{};
        e.button = {type, 0, SdlId(), 0, button, Uint8(type == SDL_MOUSEBUTTONDOWN), 1, 0, x, y};
        return e;
    }
    SDL_Event Key(Uint32 type, SDL_Keycode key)
    {
        SDL_Event e{};
        e.key = {type, 0, SdlId(), Uint8(type == SDL_KEYDOWN), 0, 0, 0, {SDL_GetScancodeFromKey(key), key, 0, 0}};
        return e;
    }
    SDL_Event Wheel(Sint32 y)
    {
        SDL_Event e{};
        e.wheel = {SDL_MOUSEWHEEL, 0, SdlId(), 0, 0, y, SDL_MOUSEWHEEL_NORMAL, 0, float(y), 0, 0};
        return e;
    }
    SDL_Event Window(Uint8 event)
    {
        SDL_Event e{};
        e.window = {SDL_WINDOWEVENT, 0, SdlId(), event, 0, 0, 0, 0, 0};
        return e;
    }
    w32::WindowHandle window = 0;
};

TEST_F(SdlEvents, EachEventBecomesItsMessage)
{
    using w32::MakeLParam;
    SDL_Event move{};
    move.motion = {SDL_MOUSEMOTION, 0, SdlId(), 0, SDL_BUTTON_LMASK, 300, 200, 1, 1};
    constexpr std::uint32_t kNothing = 0;
    constexpr std::int32_t kAnyPoint = -1;  // the wheel's point is in screen coordinates
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
        if (got.empty())
            continue;
        EXPECT_EQ(got[0].message, c.message);
        EXPECT_EQ(got[0].wParam, c.wParam);
        if (c.message == w32::WM_KEYDOWN) {
            EXPECT_EQ(got[0].lParam & 0xFFFF, 1);  // the repeat count
        } else if (c.lParam != kAnyPoint) {
            EXPECT_EQ(got[0].lParam, c.lParam);
        }
    }
    // Closing: WM_CLOSE, whose default processing destroys the window.
    std::vector<std::uint32_t> closing;
    for (const w32::Msg& m : Deliver(Window(SDL_WINDOWEVENT_CLOSE)))
        closing.push_back(m.message);
    EXPECT_EQ(closing, (std::vector<std::uint32_t>{w32::WM_CLOSE, w32::WM_DESTROY, w32::WM_NCDESTROY}));
    EXPECT_FALSE(w32::IsWindow(window));
    window = 0;
}

TEST_F(SdlEvents, TimerFiresFromTheQueueAfterItsPeriod)
{
    ASSERT_TRUE(w32::SetTimer(window, 0x10000, 60));
    const Uint32 start = SDL_GetTicks();
    Pump();
    EXPECT_TRUE(received.empty());
    while (received.empty() && SDL_GetTicks() - start < 1000)
        Pump();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_GE(SDL_GetTicks() - start, 60u);
    EXPECT_EQ(received[0].message, w32::WM_TIMER);
    EXPECT_EQ(received[0].wParam, 0x10000u);
}

// A window object that records its own posted messages and its frames.
class ProbeWnd : public w32::CLoopWnd {
public:
    std::vector<std::uint32_t> order;  // 0x0400 and up as posted, 0xFFFF for a frame
    int created = 1;
    int frames = 0;
    std::int32_t HandleMessage(std::uint32_t m, std::uint32_t w, std::int32_t l) override
    {
        if (m >= 0x0400)
            order.push_back(m);
        return CWndBase::HandleMessage(m, w, l);
    }
    int OnCreated() override { return created; }
    void Render() override
    {
        order.push_back(0xFFFF);
        if (++frames == 1) {
            // Two messages now, a close later: both must be handled before the next frame.
            w32::PostMessage(hWnd, 0x0400, 0, 0);
            w32::PostMessage(hWnd, 0x0401, 0, 0);
        } else if (frames == 3) {
            SDL_Event close{};
            close.window = {SDL_WINDOWEVENT, 0, SDL_GetWindowID(w32::sdl::SdlWindowOf(hWnd)),
                            SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0};
            SDL_PushEvent(&close);
        }
    }
};

class WindowBase : public testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under xvfb-run)";
        wnd.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW,
                                           w32::CW_USEDEFAULT, 0, w32::CW_USEDEFAULT, 0);
        ASSERT_NE(wnd.hWnd, 0u);
    }
    ProbeWnd wnd;
};

TEST_F(WindowBase, FailedSetupDestroysTheWindow)
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

TEST_F(WindowBase, LoopDrainsMessagesBeforeEachFrameAndClosingReturnsZero)
{
    ASSERT_EQ(wnd.SetupAfterCreation(), 1);
    w32::CWndApp app;
    app.realtime = 1;
    app.mainWindow = &wnd;
    w32::SetMainWindow(&wnd);
    w32::CWndApp::SetCurrent(&app);
    wnd.order.clear();
    const int result = app.Run();
    w32::CWndApp::SetCurrent(nullptr);
    w32::SetMainWindow(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(wnd.frames, 3);
    EXPECT_EQ(wnd.hWnd, 0u);
    // Frame 1, then both posted messages, then frame 2.
    EXPECT_EQ(wnd.order, (std::vector<std::uint32_t>{0xFFFF, 0x0400, 0x0401, 0xFFFF, 0xFFFF}));
}

}  // namespace

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
        e.key.type = type;
        e.key.windowID = SdlId();
        e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.keysym.sym = key;
        e.key.keysym.scancode = SDL_GetScancodeFromKey(key);
        return e;
    }
    SDL_Event Window(Uint8 event)
    {
        SDL_Event e{};
        e.window.type = SDL_WINDOWEVENT;
        e.window.windowID = SdlId();
        e.window.event = event;
        return e;
    }
    w32::WindowHandle window = 0;
};

void ExpectOne(const std::vector<w32::Msg>& got, std::uint32_t message, std::uint32_t wParam,
               std::int32_t lParam)
{
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, message);
    EXPECT_EQ(got[0].wParam, wParam);
    EXPECT_EQ(got[0].lParam, lParam);
}

TEST_F(SdlEvents, MouseButtonsCarryTheirFlagsAndClientPoint)
{
    using w32::MakeLParam;
    ExpectOne(Deliver(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT, 10, 20)), 0x0201, w32::MK_LBUTTON, MakeLParam(10, 20));
    ExpectOne(Deliver(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT, 11, 21)), 0x0202, 0, MakeLParam(11, 21));
    SDL_SetModState(KMOD_LCTRL);
    ExpectOne(Deliver(Button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT, 5, 6)), 0x0204,
              w32::MK_RBUTTON | w32::MK_CONTROL, MakeLParam(5, 6));
    ExpectOne(Deliver(Button(SDL_MOUSEBUTTONUP, SDL_BUTTON_RIGHT, 5, 6)), 0x0205, w32::MK_CONTROL, MakeLParam(5, 6));
}

TEST_F(SdlEvents, MotionAndWheel)
{
    SDL_Event move{};
    move.motion = {SDL_MOUSEMOTION, 0, SdlId(), 0, SDL_BUTTON_LMASK, 300, 200, 1, 1};
    ExpectOne(Deliver(move), w32::WM_MOUSEMOVE, w32::MK_LBUTTON, w32::MakeLParam(300, 200));

    SDL_Event wheel{};
    wheel.wheel.type = SDL_MOUSEWHEEL;
    wheel.wheel.windowID = SdlId();
    wheel.wheel.y = 1;
    wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
    SDL_SetModState(KMOD_LCTRL);
    auto got = Deliver(wheel);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, w32::WM_MOUSEWHEEL);
    EXPECT_EQ(w32::SignedHighWord(got[0].wParam), 120);
    EXPECT_EQ(w32::LowWord(got[0].wParam) & w32::MK_CONTROL, int(w32::MK_CONTROL));
    SDL_SetModState(KMOD_NONE);
    wheel.wheel.y = -2;
    got = Deliver(wheel);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(w32::SignedHighWord(got[0].wParam), -240);
    // The left button is still held since the motion said so; Ctrl is not.
    EXPECT_EQ(w32::LowWord(got[0].wParam), int(w32::MK_LBUTTON));
}

TEST_F(SdlEvents, KeysBecomeVirtualKeyCodes)
{
    const std::pair<SDL_Keycode, std::uint32_t> keys[] = {
        {SDLK_j, 0x4A}, {SDLK_g, 0x47}, {SDLK_7, 0x37}, {SDLK_RETURN, 0x0D},
        {SDLK_LEFT, 0x25}, {SDLK_F1, 0x70}, {SDLK_APPLICATION, w32::VK_UNMAPPED},
    };
    for (auto [key, vk] : keys) {
        auto got = Deliver(Key(SDL_KEYDOWN, key));
        ASSERT_EQ(got.size(), 1u) << vk;
        EXPECT_EQ(got[0].message, w32::WM_KEYDOWN) << vk;
        EXPECT_EQ(got[0].wParam, vk);
        EXPECT_EQ(got[0].lParam & 0xFFFF, 1);
    }
    auto up = Deliver(Key(SDL_KEYUP, SDLK_j));
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].message, w32::WM_KEYUP);
    EXPECT_EQ(up[0].wParam, 0x4Au);
}

TEST_F(SdlEvents, WindowEventsBecomeSizePaintActivateAndClose)
{
    ExpectOne(Deliver(Window(SDL_WINDOWEVENT_MINIMIZED)), w32::WM_SIZE, w32::SIZE_MINIMIZED, 0);
    ExpectOne(Deliver(Window(SDL_WINDOWEVENT_RESTORED)), w32::WM_SIZE, w32::SIZE_RESTORED,
              w32::MakeLParam(320, 240));
    // A size change that repeats the last report is not sent twice.
    EXPECT_TRUE(Deliver(Window(SDL_WINDOWEVENT_SIZE_CHANGED)).empty());
    // Exposure asks for one paint; default processing validates the window.
    ExpectOne(Deliver(Window(SDL_WINDOWEVENT_EXPOSED)), w32::WM_PAINT, 0, 0);
    ExpectOne(Deliver(Window(SDL_WINDOWEVENT_FOCUS_GAINED)), w32::WM_ACTIVATE, w32::WA_ACTIVE, 0);
    // Closing: WM_CLOSE, whose default processing destroys the window.
    auto closing = Deliver(Window(SDL_WINDOWEVENT_CLOSE));
    ASSERT_EQ(closing.size(), 3u);
    EXPECT_EQ(closing[0].message, w32::WM_CLOSE);
    EXPECT_EQ(closing[1].message, w32::WM_DESTROY);
    EXPECT_EQ(closing[2].message, w32::WM_NCDESTROY);
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

// A window object that records what it is told.
class ProbeWnd : public w32::CLoopWnd {
public:
    std::vector<std::uint32_t> messages;
    int created = 1;
    int frames = 0;
    std::int32_t HandleMessage(std::uint32_t m, std::uint32_t w, std::int32_t l) override
    {
        messages.push_back(m);
        return CWndBase::HandleMessage(m, w, l);
    }
    int OnCreated() override { return created; }
    void Render() override
    {
        ++frames;
        messages.push_back(0xFFFF);  // marks a frame
        if (frames == 1) {
            // Two messages now, a close later: both must be handled before the next frame.
            w32::PostMessage(hWnd, 0x0400, 0, 0);
            w32::PostMessage(hWnd, 0x0401, 0, 0);
        }
        if (frames == 3) {
            SDL_Event close{};
            close.window.type = SDL_WINDOWEVENT;
            close.window.windowID = SDL_GetWindowID(w32::sdl::SdlWindowOf(hWnd));
            close.window.event = SDL_WINDOWEVENT_CLOSE;
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
    wnd.messages.clear();
    const int result = app.Run();
    w32::CWndApp::SetCurrent(nullptr);
    w32::SetMainWindow(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(wnd.frames, 3);
    EXPECT_EQ(wnd.hWnd, 0u);
    // Frame 1, then both posted messages, then frame 2.
    std::vector<std::uint32_t> order;
    for (auto m : wnd.messages) {
        if (m == 0xFFFF || m == 0x0400 || m == 0x0401)
            order.push_back(m);
    }
    EXPECT_EQ(order, (std::vector<std::uint32_t>{0xFFFF, 0x0400, 0x0401, 0xFFFF, 0xFFFF}));
}

}  // namespace

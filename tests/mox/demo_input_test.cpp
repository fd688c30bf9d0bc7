// The demo window's input routing and hook calls, driven with messages on a
// window object that has no native window: zoom, sprite capture and picking,
// arcball drags, hooks, the title timer and the G key.
#include "mox/demo_wnd.h"
#include "mox/sprite.h"
#include "w32/messages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using w32::MakeLParam;

struct Event {
    std::string what;
    int a = 0, b = 0, c = 0, d = 0;
    bool operator==(const Event&) const = default;
};

// A rectangle in scene coordinates that logs what reaches it.
class ProbeSprite : public MOXSprite {
public:
    ProbeSprite(int x_, int y_, int w_, int h_, std::vector<Event>* log_) : x(x_), y(y_), w(w_), h(h_), log(log_) {}
    void draw() override { log->push_back({"draw", x, y}); }
    bool hitTest(int px, int py) override { return px >= x && px <= x + w && py >= y && py <= y + h; }
    bool onMouse(int button, int state, int px, int py) override
    {
        log->push_back({"mouse", button, state, px, py});
        return false;
    }
    bool onMotion(int px, int py) override
    {
        log->push_back({"motion", px, py});
        return false;
    }
    int x, y, w, h;
    std::vector<Event>* log;
};

bool Identity(const ArcBall& ball)
{
    return ball.current[0] == 0 && ball.current[1] == 0 && ball.current[2] == 0 && ball.current[3] == 1;
}

class DemoInput : public testing::Test {
protected:
    void SetUp() override
    {
        SceneWidth = 800;
        SceneHeight = 600;
        wnd.OnDrawScene = [this] { log.push_back({"scene"}); };
        wnd.OnResize(800, 600);
    }
    void TearDown() override { spriteList.clear(); }
    // Client point (x, y), window y growing downwards.
    void Send(std::uint32_t message, std::uint32_t wParam, int x, int y)
    {
        wnd.HandleMessage(message, wParam, MakeLParam(x, y));
    }
    mox::DemoWnd wnd;
    std::vector<Event> log;
};

TEST_F(DemoInput, WheelZoomsWithACtrlSlowDownAndNeverReachesZero)
{
    wnd.HandleMessage(w32::WM_MOUSEWHEEL, 120u << 16, 0);
    EXPECT_FLOAT_EQ(wnd.zoom, 1.08f);
    wnd.HandleMessage(w32::WM_MOUSEWHEEL, (120u << 16) | w32::MK_CONTROL, 0);
    EXPECT_FLOAT_EQ(wnd.zoom, 1.088f);
    wnd.HandleMessage(w32::WM_MOUSEWHEEL, 0x8000u << 16, 0); // the largest step down
    EXPECT_FLOAT_EQ(wnd.zoom, 2.384185791015625e-06f);
    // A step that lands exactly on zero is held at the bound too.
    wnd.zoom = 1.0f;
    wnd.HandleMessage(w32::WM_MOUSEWHEEL, static_cast<std::uint32_t>(-1500 & 0xFFFF) << 16, 0);
    EXPECT_FLOAT_EQ(wnd.zoom, 2.384185791015625e-06f);
}

TEST_F(DemoInput, LeftPressGoesToTheTopmostSpriteUnderItAndNeverStartsADrag)
{
    std::vector<Event> lowerLog;
    ProbeSprite lower(0, 0, 200, 200, &lowerLog), upper(100, 100, 200, 200, &log);
    spriteList = {&lower, &upper, nullptr};
    EXPECT_EQ(pickSprite(50, 50), &lower);
    Send(w32::WM_LBUTTONDOWN, w32::MK_LBUTTON, 150, 450); // scene y 150
    // Dragged away with the button held: the sprite keeps the motion, the arcballs stay put.
    Send(w32::WM_MOUSEMOVE, w32::MK_LBUTTON, 500, 100);
    EXPECT_TRUE(Identity(wnd.objectBall));
    EXPECT_TRUE(Identity(wnd.viewBall));
    Send(w32::WM_LBUTTONUP, 0, 520, 90);
    EXPECT_TRUE(lowerLog.empty());
    EXPECT_EQ(log, (std::vector<Event>{{"mouse", 0, 0, 150, 150}, {"motion", 500, 500}, {"mouse", 0, 1, 520, 510}}));
    EXPECT_EQ(wnd.CapturedSprite(), nullptr);
}

TEST_F(DemoInput, LeftDragOffSpritesTurnsBothArcballsRightDragOnlyTheViewEvenOverASprite)
{
    ProbeSprite everywhere(0, 0, 800, 600, &log);
    for (const bool left : {true, false}) {
        SCOPED_TRACE(left ? "left" : "right");
        wnd.objectBall = wnd.viewBall = ArcBall{};
        wnd.OnResize(800, 600);
        spriteList.clear();
        if (!left) spriteList.push_back(&everywhere);
        const std::uint32_t button = left ? w32::MK_LBUTTON : w32::MK_RBUTTON;
        Send(left ? w32::WM_LBUTTONDOWN : w32::WM_RBUTTONDOWN, button, 400, 300);
        Send(w32::WM_MOUSEMOVE, button, 500, 300);
        Send(left ? w32::WM_LBUTTONUP : w32::WM_RBUTTONUP, 0, 520, 300);
        EXPECT_EQ(wnd.objectBall.dragging, 0);
        EXPECT_EQ(wnd.viewBall.dragging, 0);
        EXPECT_EQ(Identity(wnd.objectBall), !left);
        EXPECT_GT(wnd.viewBall.current[1], 0.0f) << "dragging to the right turns about +y";
    }
}

// What reaches OnKeyDown and OnMessage from SDL is checked end to end.
TEST_F(DemoInput, OnMessageSeesAMessageBeforeItActsButNeverKeysOrTimers)
{
    std::vector<int> messages;
    float zoomSeen = 0;
    wnd.OnMessage = [&](int message, int, int) {
        messages.push_back(message);
        zoomSeen = wnd.zoom;
    };
    wnd.HandleMessage(w32::WM_KEYDOWN, 0x4A, 1);
    wnd.HandleMessage(w32::WM_TIMER, 0x10000, 0);
    wnd.HandleMessage(w32::WM_MOUSEWHEEL, 120u << 16, 0);
    EXPECT_EQ(messages, std::vector<int>{int(w32::WM_MOUSEWHEEL)});
    EXPECT_EQ(zoomSeen, 1.0f);
}

TEST_F(DemoInput, OnlyTheTitleTimerRefreshesTheStatusBehindTheModName)
{
    w32::CWndApp app;
    app.realtime = 1;
    w32::CWndApp::SetCurrent(&app);
    wnd.SetTitle("Mod");
    wnd.fps = 12.5;
    wnd.HandleMessage(w32::WM_TIMER, 0x10001, 0);
    EXPECT_STREQ(wnd.Title(), "Mod  [ Realtime/VSync -  0.00fps ]");
    wnd.HandleMessage(w32::WM_TIMER, 0x10000, 0);
    EXPECT_STREQ(wnd.Title(), "Mod  [ Realtime/VSync - 12.50fps ]");
    w32::CWndApp::SetCurrent(nullptr);
}

TEST_F(DemoInput, RenderCallsPreRenderSceneThenSprites)
{
    ProbeSprite a(0, 0, 1, 1, &log), b(5, 5, 1, 1, &log);
    spriteList = {&a, nullptr, &b};
    wnd.OnPreRender = [this] { log.push_back({"pre"}); };
    wnd.Render();
    EXPECT_EQ(log, (std::vector<Event>{{"pre"}, {"scene"}, {"draw"}, {"draw", 5, 5}}));
}

TEST(DemoKeys, GEndsTheProcessWithZeroAndTheKeyHookNeverSeesIt)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            mox::DemoWnd wnd;
            wnd.OnKeyDown = [](int) { std::exit(3); };
            wnd.HandleMessage(w32::WM_KEYDOWN, 0x47, 1);
            std::exit(4);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace

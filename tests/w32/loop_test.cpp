// The loop's frame-rate rule and mode handling, the title status text, the
// class name and the current application object. Needs no display.
#include "w32/native.h"
#include "w32/wnd_app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>
#include <string>

namespace {

std::string Status(int realtime, int suspended, bool vsync, double fps)
{
    w32::CWndApp app;
    app.realtime = realtime;
    app.suspended = suspended;
    char out[w32::kTitleStatusSize];
    w32::FormatTitleStatus(app, vsync, fps, out);
    return out;
}

TEST(TitleStatus, RealtimeShowsTheRateWithTwoDecimals)
{
    EXPECT_EQ(Status(1, 0, true, 59.942), "  [ Realtime/VSync - 59.94fps ]");
    EXPECT_EQ(Status(1, 0, false, 59.942), "  [ Realtime - 59.94fps ]");
    EXPECT_EQ(Status(1, 0, true, 5.0), "  [ Realtime/VSync -  5.00fps ]");
}

TEST(TitleStatus, InteractiveOrSuspendedShowsInteractiveMode)
{
    EXPECT_EQ(Status(0, 0, true, 60.0), "  [ Interactive Mode ]");
    EXPECT_EQ(Status(1, 1, true, 60.0), "  [ Interactive Mode ]");
}

TEST(TitleStatus, LongStatusIsCutAt32Characters)
{
    const std::string s = Status(1, 0, true, 60000.0);
    EXPECT_EQ(s, "  [ Realtime/VSync - 60000.00fps");
    EXPECT_EQ(s.size(), 32u);
}

TEST(FrameRate, ThirtyFramesOverTheElapsedTimeAndZeroCountsAsHalf)
{
    EXPECT_DOUBLE_EQ(w32::FrameRate(0), 60000.0);
    EXPECT_DOUBLE_EQ(w32::FrameRate(500), 60.0);
    EXPECT_DOUBLE_EQ(w32::FrameRate(1), 30000.0);
}

TEST(WindowClass, NameIsTheFixedTextAndTheModuleInEightHexDigits)
{
    const std::string name = w32::WindowClassName();
    ASSERT_TRUE(std::regex_match(name, std::regex("w32::CWndBase@VCFC[0-9A-F]{8}"))) << name;
    char expected[9];
    std::snprintf(expected, sizeof expected, "%08X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(w32::ModuleHandle())));
    EXPECT_EQ(name.substr(18), expected);
    EXPECT_NE(w32::ModuleHandle(), nullptr);
}

TEST(CWndApp, DefaultObjectUnlessALoopIsCurrent)
{
    w32::CWndApp& fallback = w32::CWndApp::Current();
    EXPECT_EQ(fallback.running, 0);
    EXPECT_EQ(fallback.realtime, 0);
    EXPECT_EQ(fallback.suspended, 0);
    EXPECT_EQ(fallback.mainWindow, nullptr);
    EXPECT_EQ(fallback.instance, w32::ModuleHandle());
    w32::CWndApp app;
    w32::CWndApp::SetCurrent(&app);
    EXPECT_EQ(&w32::CWndApp::Current(), &app);
    w32::CWndApp::SetCurrent(nullptr);
    EXPECT_EQ(&w32::CWndApp::Current(), &fallback);
}

// A main window that counts frames and ends the loop itself.
class CountingWnd : public w32::CLoopWnd {
public:
    int frames = 0;
    int quitAfter = 0;
    std::vector<double> rates;
    void Render() override
    {
        rates.push_back(fps);
        if (++frames == quitAfter)
            w32::PostQuitMessage(7);
    }
};

TEST(CWndAppRun, RealtimeRendersBackToBackAndMeasuresEvery30Frames)
{
    CountingWnd wnd;
    wnd.quitAfter = 61;
    w32::CWndApp app;
    app.realtime = 1;
    app.mainWindow = &wnd;
    EXPECT_EQ(app.Run(), 7);
    EXPECT_EQ(app.running, 1);
    EXPECT_EQ(wnd.frames, 61);
    // The rate appears with the 30th frame and is renewed with the 60th.
    EXPECT_EQ(wnd.rates[28], 0.0);
    EXPECT_GT(wnd.rates[29], 0.0);
    EXPECT_EQ(wnd.rates[29], wnd.rates[58]);
    EXPECT_GT(wnd.rates[59], 0.0);
}

TEST(CWndAppRun, InteractiveModeRendersNothingAndZeroesTheRate)
{
    CountingWnd wnd;
    wnd.fps = 42.0;
    w32::CWndApp app;
    app.realtime = 0;
    app.mainWindow = &wnd;
    w32::PostQuitMessage(3);
    EXPECT_EQ(app.Run(), 3);
    EXPECT_EQ(wnd.frames, 0);
    EXPECT_EQ(wnd.fps, 0.0);
}

}  // namespace

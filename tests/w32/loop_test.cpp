// The title status text and the loop's frame-rate measurement. Needs no display.
#include "w32/native.h"
#include "w32/wnd_app.h"

#include <gtest/gtest.h>

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

TEST(TitleStatus, RateWithTwoDecimalsInteractiveModeAndTheCutAt32)
{
    EXPECT_EQ(Status(1, 0, true, 59.942), "  [ Realtime/VSync - 59.94fps ]");
    EXPECT_EQ(Status(1, 0, false, 5.0), "  [ Realtime -  5.00fps ]");
    EXPECT_EQ(Status(0, 0, true, 60.0), "  [ Interactive Mode ]");
    EXPECT_EQ(Status(1, 1, true, 60.0), "  [ Interactive Mode ]"); // minimised
    // A 0 ms measurement gives 60000 fps, whose text is cut at 32 characters.
    EXPECT_EQ(Status(1, 0, true, w32::FrameRate(0)), "  [ Realtime/VSync - 60000.00fps");
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
        if (++frames == quitAfter) w32::PostQuitMessage(7);
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

} // namespace

// The GL window on a real context under Xvfb: the context, the projection
// following WM_SIZE, suspension on minimise, paint handling, and closing.
#include "w32/native.h"
#include "wglh/wglhelper.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

namespace {

class ProbeGL : public wglh::CwglWnd {
public:
    int renders = 0, destroyed = 0;
    std::vector<std::pair<int, int>> resizes;
    void Render() override { ++renders; }
    void OnDestroyGL() override { ++destroyed; }
    void OnResize(std::int32_t w, std::int32_t h) override { resizes.emplace_back(w, h); }
};

class GLWindow : public testing::Test {
protected:
    void SetUp() override
    {
        app.realtime = 1;
        w32::CWndApp::SetCurrent(&app);
        wnd.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW, w32::CW_USEDEFAULT, 0,
                                           w32::CW_USEDEFAULT, 0);
        ASSERT_EQ(wnd.SetupAfterCreation(), 1);
        ASSERT_EQ(wnd.InitGL(0, 24, 24, 0, 0, 0, 0, 1), 1);
    }
    void TearDown() override { w32::CWndApp::SetCurrent(nullptr); }
    std::int32_t Size(std::uint32_t type, int w, int h)
    {
        return wnd.HandleMessage(w32::WM_SIZE, type, w32::MakeLParam(w, h));
    }
    w32::CWndApp app;
    ProbeGL wnd;
};

// gluPerspective(60, w / h, 1, 20) over a w x h viewport.
void ExpectProjection(int w, int h)
{
    float m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    const float f = 1.0f / std::tan(30.0f * static_cast<float>(M_PI) / 180.0f);
    const float aspect = float(w) / float(h);
    EXPECT_NEAR(m[0], f / aspect, 1e-3f * f / aspect);
    EXPECT_NEAR(m[5], f, 1e-4f);
    EXPECT_NEAR(m[10], (20.0f + 1.0f) / (1.0f - 20.0f), 1e-4f);
    EXPECT_NEAR(m[14], 2.0f * 20.0f * 1.0f / (1.0f - 20.0f), 1e-4f);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], w);
    EXPECT_EQ(viewport[3], h);
}

TEST_F(GLWindow, InitGLMakesACurrentDoubleBufferedContextAt640x480)
{
    GLint depthBits = 0;
    GLboolean doubled = GL_FALSE;
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubled);
    EXPECT_GE(depthBits, 24);
    EXPECT_EQ(doubled, GL_TRUE);
    // InitGL ends with a 640 x 480 client area, which the window heard of at once.
    ExpectProjection(640, 480);
}

TEST_F(GLWindow, ASizeRebuildsTheProjectionAndRendersAtOnceWithZeroStoredAsOne)
{
    const struct {
        std::uint32_t type;
        int w, h, storedW, storedH;
    } cases[] = {
        {w32::SIZE_RESTORED, 800, 600, 800, 600},
        {w32::SIZE_RESTORED, 0, 300, 1, 300},
        {w32::SIZE_MAXIMIZED, 500, 0, 500, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << " x " << c.h);
        const int before = wnd.renders;
        wnd.resizes.clear();
        Size(c.type, c.w, c.h);
        EXPECT_EQ(wnd.renders, before + 1);
        EXPECT_EQ(wnd.resizes, (std::vector<std::pair<int, int>>{{c.storedW, c.storedH}}));
        ExpectProjection(c.storedW, c.storedH);
        for (int exit = 0; exit < 2; ++exit) // the end of a move reshapes again, once
            wnd.HandleMessage(w32::WM_EXITSIZEMOVE, 0, 0);
        EXPECT_EQ(wnd.renders, before + 2);
    }
}

TEST_F(GLWindow, MinimisingSuspendsAndRestoringResumesWithAReshape)
{
    const int before = wnd.renders;
    Size(w32::SIZE_MINIMIZED, 0, 0);
    EXPECT_EQ(app.suspended, 1);
    EXPECT_EQ(wnd.renders, before);
    // While suspended the loop's frames do not count as continuous: paint renders.
    wnd.HandleMessage(w32::WM_PAINT, 0, 0);
    EXPECT_EQ(wnd.renders, before + 1);
    Size(w32::SIZE_RESTORED, 700, 500);
    EXPECT_EQ(wnd.renders, before + 2);
    ExpectProjection(700, 500);
    wnd.HandleMessage(w32::WM_PAINT, 0, 0);
    EXPECT_EQ(wnd.renders, before + 2); // the loop renders continuously
}

TEST_F(GLWindow, CloseDeletesTheContextAndLaterMessagesDrawNothing)
{
    const w32::WindowHandle window = wnd.hWnd;
    wnd.HandleMessage(w32::WM_CLOSE, 0, 0);
    EXPECT_EQ(wnd.destroyed, 1);
    EXPECT_FALSE(w32::IsWindow(window));
    const int before = wnd.renders;
    EXPECT_EQ(Size(w32::SIZE_RESTORED, 300, 200), 0);
    app.realtime = 0;
    wnd.HandleMessage(w32::WM_PAINT, 0, 0);
    EXPECT_EQ(wnd.renders, before);
}

} // namespace

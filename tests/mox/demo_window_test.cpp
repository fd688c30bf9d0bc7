// RunMainWindow end to end under Xvfb: the centred 800 x 600 window, the
// title with the mod name and frame rate, the teapot read back from the
// frame, SDL input reaching the hooks, and a closed window returning 0.
#include "mox/demo_wnd.h"
#include "mox/sprite.h"
#include "w32/native.h"

#include <SDL2/SDL.h>

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <regex>
#include <string>
#include <vector>

namespace {

// Long enough for the 250 ms title timer to have run.
constexpr std::uint32_t kCloseAfterMs = 700;

// Drawn last in every frame, over the scene: reads the frame back, and after
// kCloseAfterMs of frames closes the window the way a user would.
class CloserSprite : public MOXSprite {
public:
    void draw() override
    {
        const w32::WindowHandle window = mox::DemoWnd::Instance().hWnd;
        if (!w32::IsWindow(window)) return;
        ++frames;
        glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, centre);
        glReadPixels(3, 3, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
        if (!startTicks) startTicks = SDL_GetTicks();
        if (!closing && SDL_GetTicks() - startTicks >= kCloseAfterMs) {
            title = w32::GetWindowText(window);
            w32::GetClientRect(window, client);
            w32::GetWindowRect(window, outer);
            SDL_Event close{};
            close.window = {
                SDL_WINDOWEVENT, 0, SDL_GetWindowID(SDL_GL_GetCurrentWindow()), SDL_WINDOWEVENT_CLOSE, 0, 0, 0, 0, 0};
            SDL_PushEvent(&close);
            closing = true;
        }
    }
    bool hitTest(int, int) override { return false; }
    bool onMouse(int, int, int, int) override { return false; }
    bool onMotion(int, int) override { return false; }

    std::uint32_t startTicks = 0;
    bool closing = false;
    int frames = 0;
    unsigned char centre[4] = {}, corner[4] = {}; // of the last frame
    std::string title;
    w32::Rect client, outer;
};

// A key and a click pushed as SDL delivers them, and the window closed by
// the sprite.
TEST(RunMainWindow, TeapotTitleCentringSdlInputAndZeroOnClose)
{
    mox::InitGlutOnce();
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    int inits = 0, preRenders = 0, preRendersAtInit = -1;
    std::vector<int> keys;
    std::vector<std::array<int, 3>> clicks;
    window.OnInitGL = [&] {
        ++inits;
        preRendersAtInit = preRenders;
    };
    window.OnPreRender = [&] {
        if (++preRenders != 5) return;
        const Uint32 id = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
        SDL_Event e{};
        e.key = {SDL_KEYDOWN, 0, id, SDL_PRESSED, 0, 0, 0, {SDL_SCANCODE_J, SDLK_j, 0, 0}};
        SDL_PushEvent(&e);
        e.button = {SDL_MOUSEBUTTONDOWN, 0, id, 0, SDL_BUTTON_LEFT, SDL_PRESSED, 1, 0, 100, 200};
        SDL_PushEvent(&e);
    };
    window.OnKeyDown = [&](int vk) { keys.push_back(vk); };
    window.OnMessage = [&](int m, int w, int l) {
        if (m == int(w32::WM_LBUTTONDOWN)) clicks.push_back({w, w32::SignedLowWord(l), w32::SignedHighWord(l)});
    };
    CloserSprite closer;
    spriteList = {&closer};

    EXPECT_EQ(RunMainWindow("Test mod"), 0);

    spriteList.clear();
    // No loop is current any more: the default object again.
    EXPECT_EQ(w32::CWndApp::Current().realtime, 0);
    EXPECT_EQ(w32::CWndApp::Current().mainWindow, nullptr);
    EXPECT_EQ(inits, 1);
    EXPECT_EQ(preRendersAtInit, 0);
    ASSERT_GT(closer.frames, 0);
    EXPECT_EQ(keys, std::vector<int>{0x4A});
    EXPECT_EQ(clicks, (std::vector<std::array<int, 3>>{{int(w32::MK_LBUTTON), 100, 200}}));

    // The grey teapot covers the centre; the corner keeps the black clear.
    EXPECT_GT(closer.centre[0], 60);
    EXPECT_EQ(closer.centre[0], closer.centre[1]);
    EXPECT_EQ(closer.corner[0], 0);

    EXPECT_TRUE(
        std::regex_match(closer.title, std::regex(R"(Test mod  \[ Realtime/VSync - [ 0-9]+\.[0-9]{2}fps( \]?)?)")))
        << closer.title;
    EXPECT_EQ(closer.client.Width(), 800);
    EXPECT_EQ(closer.client.Height(), 600);
    w32::Rect work;
    ASSERT_TRUE(w32::GetWorkArea(work));
    EXPECT_EQ(closer.outer.left, work.left + (work.Width() - closer.outer.Width()) / 2);
    EXPECT_EQ(closer.outer.top, work.top + (work.Height() - closer.outer.Height()) / 2);
}

} // namespace

// The player as its window runs it: keys pushed as SDL delivers them reach
// the story through the event translation, and the two message boxes carry
// the player's own texts and captions. Needs an X display (Xvfb).
#include "mox/demo_wnd.h"
#include "player/scenewalk_app.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "tests/player/story_fixture.h"
#include "w32/native.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

void pushKey(SDL_Keycode key)
{
    SDL_Event e{};
    e.key = {SDL_KEYDOWN, 0, SDL_GetWindowID(SDL_GL_GetCurrentWindow()), SDL_PRESSED, 0,
             0,           0, {SDL_GetScancodeFromKey(key), key, 0, 0}};
    SDL_PushEvent(&e);
}

// A key moves on, J comes back, then the window closes: the frames the story
// shows between transitions are recorded.
TEST(PlayerWindow, KeysFromSdlMoveOnAndJGoesBack)
{
    fixture::StoryDir dir;
    dir.writeStory({fixture::frame(0, -1), fixture::frame(1, -1)});
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    mox::InitGlutOnce();
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    player::attachTo(window);
    StoryPlayer story("demo");
    storyPlayer = &story;
    std::vector<int> shown;
    story.onFinished = [&] { shown.push_back(-1); }; // a key past the end
    int frames = 0;
    window.OnPreRender = [&] {
        // A key takes effect one frame after it is pushed; about 3 s in all
        // is plenty for three transitions of 20 frames.
        if (++frames > 150) {
            w32::PostMessage(window.hWnd, w32::WM_CLOSE, 0, 0);
            return;
        }
        if (story.transitionRunning()) return;
        if (shown.empty() || shown.back() != story.currentFrame()) shown.push_back(story.currentFrame());
        if (shown.size() == 1)
            pushKey(SDLK_a);
        else if (shown.size() == 2)
            pushKey(SDLK_j);
        else
            w32::PostMessage(window.hWnd, w32::WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(RunMainWindow("demo"), 0);
    storyPlayer = nullptr;
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0}));
}

int printBox(w32::WindowHandle, const char* text, const char* caption, w32::MessageBoxKind kind)
{
    std::fprintf(stderr, "[%s] %s (%d)\n", caption, text, static_cast<int>(kind));
    return 0;
}

TEST(PlayerBoxes, MissingStartupFileAndTheStorysEndShowTheirBoxThenExitWithZero)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    fixture::StoryDir dir;
    w32::SetMessageBoxHandler(printBox);
    EXPECT_EXIT(readStartupModName(), testing::ExitedWithCode(0),
                "\\[Error\\] Story xml is missing\\. Program will exit! \\(0\\)\n$");
    dir.writeStory({fixture::frame(0, -1)});
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    StoryPlayer story("demo");
    while (story.transitionRunning()) story.showFrame(story.currentFrame());
    EXPECT_EXIT(story.advanceStory(), testing::ExitedWithCode(0), "\\[Info\\] Story finished! \\(2\\)\n$");
    w32::SetMessageBoxHandler(nullptr);
}

} // namespace

// The player draws a frame only when what it shows changes: every step of a
// transition is presented, the bobbing marker repaints just its part, an
// unchanged frame is not drawn, and an expose draws the whole frame again,
// which looks exactly like the picture the partial repaints left. Needs an X
// display (Xvfb).
#include "mox/demo_wnd.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "tests/player/story_fixture.h"
#include "w32/native.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The window's pixels as the X server shows them.
std::vector<unsigned char> windowPixels()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(SDL_GL_GetCurrentWindow(), &info) || info.subsystem != SDL_SYSWM_X11) return {};
    Display* display = info.info.x11.display;
    XSync(display, False);
    XImage* image = XGetImage(display, info.info.x11.window, 0, 0, 800, 600, AllPlanes, ZPixmap);
    if (!image) return {};
    std::vector<unsigned char> pixels(image->data, image->data + image->bytes_per_line * image->height);
    XDestroyImage(image);
    return pixels;
}

void pushExpose()
{
    SDL_Event e{};
    e.window.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_EXPOSED;
    e.window.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
    SDL_PushEvent(&e);
}

TEST(PlayerRedraw, ChangesArePresentedStillFramesAreNotAndAnExposeDrawsTheSamePicture)
{
    fixture::StoryDir dir;
    dir.writeStory({fixture::frame(0, -1)});
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    mox::InitGlutOnce();
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    player::attachTo(window);
    StoryPlayer story("demo");
    storyPlayer = &story;

    int frames = 0, idleFrom = -1, exposedAt = -1;
    std::uint64_t transitionPresents = 0, idlePresents = 0, idlePartial = 0, wholeBefore = 0, wholeAfter = 0;
    std::vector<unsigned char> repainted, exposed;
    auto whole = [&] { return window.PresentedFrames - window.PartialFrames; };
    window.OnPreRender = [&] {
        ++frames;
        if (idleFrom < 0) {
            if (story.transitionRunning()) return;
            // The first transition (steps 1 to 20, each one a change) is over.
            transitionPresents = window.PresentedFrames;
            idleFrom = frames;
            idlePresents = window.PresentedFrames;
            idlePartial = window.PartialFrames;
        }
        if (frames == idleFrom + 50) {
            // One whole bob cycle: the marker moved six times.
            idlePresents = window.PresentedFrames - idlePresents;
            idlePartial = window.PartialFrames - idlePartial;
        }
        // In the middle of the marker's longest rest (bobCounter 12 to 38).
        if (exposedAt < 0 && frames > idleFrom + 50 && player::bobCounter == 20) {
            repainted = windowPixels();
            wholeBefore = whole();
            pushExpose();
            exposedAt = frames;
        }
        // The expose reaches the window with the next frame or the one after.
        if (exposedAt > 0 && frames == exposedAt + 3) {
            wholeAfter = whole();
            exposed = windowPixels();
            w32::PostMessage(window.hWnd, w32::WM_CLOSE, 0, 0);
        }
        if (frames > 400) w32::PostMessage(window.hWnd, w32::WM_CLOSE, 0, 0);
    };
    EXPECT_EQ(RunMainWindow("demo"), 0);
    window.PresentOnChange = false;
    window.OnPreRender = nullptr;
    storyPlayer = nullptr;

    ASSERT_GT(exposedAt, 0) << "the story never came to rest";
    // Steps 1 to 20 each change the picture; the first is also the window's
    // first frame (the expose of its mapping may add one).
    EXPECT_GE(transitionPresents, 20u);
    EXPECT_LE(transitionPresents, 21u);
    // On a loaded machine the expose of the window's mapping may arrive late
    // and add one whole frame anywhere; still frames are never presented.
    EXPECT_EQ(idlePartial, 6u) << "Mesa offers GLX_MESA_copy_sub_buffer";
    EXPECT_LE(idlePresents - idlePartial, 1u);
    EXPECT_GE(wholeAfter, wholeBefore + 1);
    EXPECT_LE(wholeAfter, wholeBefore + 2);
    ASSERT_FALSE(repainted.empty());
    ASSERT_EQ(repainted.size(), exposed.size());
    EXPECT_TRUE(repainted == exposed);
    // And it is the story's picture, not a black window.
    EXPECT_GT(std::count_if(exposed.begin(), exposed.end(), [](unsigned char c) { return c > 40; }), 100000);
}

} // namespace

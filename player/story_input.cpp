#include "player/story_input.h"

#include "mox/demo_wnd.h"
#include "player/story_player.h"
#include "w32/messages.h"

#include <GL/gl.h>

#include <cmath>
#include <numbers>
#include <thread>

namespace player {

int bobCounter = 0;

void stepFrame()
{
    bobCounter = (bobCounter + 1) % 50;
    if (!storyPlayer) return;
    storyPlayer->nextMarker().setBottom(static_cast<int>(10.0 - 3.0 * std::sin(bobCounter / 50.0 * std::numbers::pi)));
    if (storyPlayer->transitionRunning()) storyPlayer->showFrame(storyPlayer->currentFrame());
}

void OnDrawScene()
{
    stepFrame();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

void OnKeyDown(int key)
{
    if (!storyPlayer || storyPlayer->transitionRunning()) return;
    if (key == static_cast<int>(w32::KeyOfLetter('J'))) { // J goes back
        if (storyPlayer->currentFrame() != 0) storyPlayer->showFrame(storyPlayer->currentFrame() - 1);
        return;
    }
    storyPlayer->advanceStory();
}

void OnMessage(int message, int, int)
{
    if (!storyPlayer || storyPlayer->transitionRunning()) return;
    if (message == static_cast<int>(w32::WM_LBUTTONDOWN)) {
        storyPlayer->advanceStory();
    } else if (message == static_cast<int>(w32::WM_RBUTTONDOWN)) {
        if (storyPlayer->currentFrame() != 0) storyPlayer->showFrame(storyPlayer->currentFrame() - 1);
    }
}

void OnInitGL() {}

void attachTo(mox::DemoWnd& window)
{
    window.OnInitGL = OnInitGL;
    window.OnDrawScene = OnDrawScene;
    window.OnKeyDown = OnKeyDown;
    window.OnMessage = OnMessage;
    window.PresentOnChange = true;
}

} // namespace player

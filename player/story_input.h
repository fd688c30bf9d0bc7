#pragma once
// The player's hook functions for the window framework: one transition step
// per rendered frame, keys and mouse buttons that move through the story.
// They act on the global storyPlayer and do nothing while it is null.

namespace mox {
class DemoWnd;
}

namespace player {

// Fills the window's hook slots with the functions below and has it draw
// only when what it shows changed (the scene is a black clear under the
// sprites).
void attachTo(mox::DemoWnd& window);

// 0..49: where the next marker is in its 3-pixel bob.
extern int bobCounter;

// The scene pass: bob the marker, advance a running transition by one step,
// clear to black and sleep 20 ms.
void OnDrawScene();
// A key press: J goes back, any other key moves on; ignored mid-transition.
void OnKeyDown(int key);
// Left press moves on, right press goes back; ignored mid-transition.
void OnMessage(int message, int wParam, int lParam);
// GL initialisation needs nothing from the player.
void OnInitGL();

// OnDrawScene's bob and transition step without the clear and the sleep.
void stepFrame();

} // namespace player

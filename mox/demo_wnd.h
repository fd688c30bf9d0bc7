// The window the player runs in: one instance for the process. Each frame is
// a 3D scene pass (the player's OnDrawScene, or a grey teapot) under the 2D
// sprite overlay; mouse input goes to the sprites or to the arcballs. The
// player plugs in through the five hook slots, set before RunMainWindow.
#pragma once

#include "mox/stereo.h"
#include "wglh/arcball_wnd.h"

#include "mox/sprite.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace mox {

class DemoWnd : public wglh::CwglArcballWnd {
public:
    // The process's one demo window.
    static DemoWnd& Instance();

    DemoWnd() = default;

    std::int32_t HandleMessage(std::uint32_t message, std::uint32_t wParam, std::int32_t lParam) override;
    void Render() override;
    void InitGLState() override;
    void OnResize(std::int32_t width, std::int32_t height) override;

    // One scene pass: clear, the perspective view, then the scene content
    // shifted by `eyeOffset` along x, zoomed and turned by the arcballs.
    void ScenePass(float eyeOffset);

    std::int32_t RenderMode = 0; // 0: one mono scene pass; 1: stereo

    // When set (mono mode only), a frame is drawn and presented only when
    // what it shows changed: a sprite says it changed, the sprite list
    // changed, or the window asked (expose, resize, zoom, turn). The hooks
    // still run every frame, so OnDrawScene must draw the same every time
    // (the player's scene is a black clear). A change within a small part of
    // the scene repaints just that part of the shown picture.
    bool PresentOnChange = false;
    // Frames presented since start: whole (swapped) and partial repaints.
    std::uint64_t PresentedFrames = 0;
    std::uint64_t PartialFrames = 0;

    // Hooks; empty ones are skipped. The G key never reaches OnKeyDown, and
    // OnMessage sees every message but WM_KEYDOWN and WM_TIMER, before the
    // window handles it.
    std::function<void()> OnInitGL;
    std::function<void()> OnPreRender;
    std::function<void()> OnDrawScene;
    std::function<void(std::int32_t virtualKey)> OnKeyDown;
    std::function<void(std::int32_t message, std::int32_t wParam, std::int32_t lParam)> OnMessage;

    // Where stereo mode plugs in: StereoSetup runs in InitGLState before
    // OnInitGL, StereoPass replaces the mono scene pass in Render. Both run
    // only while RenderMode is 1; without a StereoPass the mono pass is drawn.
    // They start as the merge pipeline of mox/stereo.h.
    void (*StereoSetup)(DemoWnd& window) = &mox::StereoSetup;
    void (*StereoPass)(DemoWnd& window) = &mox::StereoPass;

    // The sprite a left press went to, while the button is held.
    MOXSprite* CapturedSprite() const { return captureFlag ? captured : nullptr; }

private:
    MOXSprite* captured = nullptr;
    bool captureFlag = false;

    enum class Present { Whole, Part, None };
    Present plan = Present::Whole;
    SpriteArea damage;
    // The sprites and their areas as last presented; frontValid while the
    // shown picture is the last presented frame.
    std::vector<MOXSprite*> shownSprites;
    std::vector<SpriteArea> shownAreas;
    bool frontValid = false;

    Present PlanPresent();
    void RecordShown();
    bool RepaintPart();
};

// Calls glutInit once for the process unless it already ran; the teapot and
// the bitmap fonts need it. False when there is no X display to give GLUT.
bool InitGlutOnce();

} // namespace mox

// Opens the demo window (800 x 600 client area, centred, titled with
// `modName` and the frame rate) and runs the realtime loop. Returns the
// loop's exit code: 0 when the window is closed. The player runs mode 0;
// mode 1 is the stereo merge.
int RunMainWindow(const char* modName, std::int32_t renderMode = 0);

// The GL window with mouse navigation state (two arcballs and a zoom), the
// title buffer with its frame-rate status, and the 250 ms title timer.
#pragma once

#include "wglh/arcball.h"
#include "wglh/wglhelper.h"

#include <cstddef>
#include <cstdint>

namespace wglh {

inline constexpr std::uint32_t kTitleTimerId = 0x10000;
inline constexpr std::uint32_t kTitleTimerMs = 250;

class CwglArcballWnd : public CwglWnd {
public:
    CwglArcballWnd();
    ~CwglArcballWnd() override; // releases the title buffer

    // As the GL window's, then starts the title timer.
    int OnCreated() override;
    void OnDestroyGL() override;
    // Both arcballs map over the new client size.
    void OnResize(std::int32_t width, std::int32_t height) override;
    // Renders one frame at once, context current.
    virtual void Redraw();

    // The title becomes `text` followed by the status text; if the buffer
    // cannot grow the title stays as it was.
    void SetTitle(const char* text);
    // Rewrites the status text behind the title and pushes it to the title bar.
    void UpdateTitleStatus();
    // The whole title buffer ("" without one).
    const char* Title() const { return title ? title : ""; }

    float zoom = 1.0f;
    ArcBall objectBall; // turns the object
    ArcBall viewBall;   // turns the camera

private:
    char* title = nullptr; // an AlignedBlock
    std::size_t titleLength = 0;
    std::size_t titleCapacity = 0;
    std::size_t statusStart = 0;
};

} // namespace wglh

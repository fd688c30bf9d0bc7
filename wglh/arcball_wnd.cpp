#include "wglh/arcball_wnd.h"

#include "w32/diagnostics.h"

#include <cstring>

namespace wglh {

CwglArcballWnd::CwglArcballWnd()
{
    // An empty title with room for the status text and its terminator.
    if (AlignedBlock::Reserve(title, titleCapacity, w32::kTitleStatusSize)) title[0] = '\0';
}

CwglArcballWnd::~CwglArcballWnd()
{
    AlignedBlock::Release(title);
    title = nullptr;
}

int CwglArcballWnd::OnCreated()
{
    CwglWnd::OnCreated();
    w32::SetTimer(hWnd, kTitleTimerId, kTitleTimerMs);
    return 1;
}

void CwglArcballWnd::OnDestroyGL() {}

void CwglArcballWnd::OnResize(std::int32_t w, std::int32_t h)
{
    objectBall.SetBounds(w, h);
    viewBall.SetBounds(w, h);
}

void CwglArcballWnd::Redraw()
{
    MakeContextCurrent();
    Render();
}

void CwglArcballWnd::SetTitle(const char* text)
{
    const std::size_t length = text ? std::strlen(text) : 0;
    if (!AlignedBlock::Reserve(title, titleCapacity, length + w32::kTitleStatusSize)) return;
    if (length) std::memcpy(title, text, length);
    title[length] = '\0';
    titleLength = length;
    statusStart = length;
    UpdateTitleStatus();
}

void CwglArcballWnd::UpdateTitleStatus()
{
    if (!title) {
        w32::SetWindowText(hWnd, "");
        return;
    }
    w32::FormatTitleStatus(w32::CWndApp::Current(), vsync != 0, fps, title + statusStart);
    titleLength = std::strlen(title);
    w32::SetWindowText(hWnd, title);
}

} // namespace wglh

#include "mox/demo_wnd.h"

#include "w32/native.h"
#include "w32/scene.h"

int RunMainWindow(const char* modName, std::int32_t renderMode)
{
    SceneHeight = 600;
    SceneWidth = 800;
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    window.RenderMode = renderMode;
    window.deferHiddenRenders = window.PresentOnChange ? 1 : 0;

    w32::CWndApp app;
    app.realtime = 1;
    app.instance = w32::ModuleHandle();
    w32::CWndApp::SetCurrent(&app);

    window.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW, w32::CW_USEDEFAULT, 0,
                                          w32::CW_USEDEFAULT, 0);
    // A window that failed to bind is left without a handle; start-up goes on.
    window.SetupAfterCreation();
    window.InitGL(0, 24, 24, 0, 0, 0, 0, 1);
    window.SetClientSize(SceneWidth, SceneHeight);
    window.SetTitle(modName);
    window.CenterOnWorkArea();
    w32::ShowWindow(window.hWnd, true);

    app.mainWindow = &window;
    // Without a window nothing could ever end the loop: report the failure
    // as the exit code instead of spinning.
    const int result = window.hWnd ? app.Run() : 1;
    w32::CWndApp::SetCurrent(nullptr);
    return result;
}

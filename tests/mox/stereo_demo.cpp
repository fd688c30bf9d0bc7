// A look at render mode 1: the lit default teapot through the red-cyan merge,
// in a window that runs until it is closed or G is pressed. Run it from the
// build's run folder so "shader/" is found; without it the frame is red.
#include "mox/demo_wnd.h"
#include "w32/native.h"
#include "w32/scene.h"

#include <GL/gl.h>

int main()
{
    SceneWidth = 800;
    SceneHeight = 600;
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    window.RenderMode = 1;
    window.OnInitGL = [] {
        const GLfloat position[] = {1.0f, 1.0f, 2.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_NORMALIZE);
    };

    w32::CWndApp app;
    app.realtime = 1;
    w32::CWndApp::SetCurrent(&app);
    window.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW,
                                          w32::CW_USEDEFAULT, 0, w32::CW_USEDEFAULT, 0);
    if (!window.SetupAfterCreation() || !window.InitGL(0, 24, 24, 0, 0, 0, 0, 1))
        return 1;
    window.SetClientSize(SceneWidth, SceneHeight);
    window.SetTitle("Stereo merge");
    window.CenterOnWorkArea();
    w32::ShowWindow(window.hWnd, true);
    w32::SetMainWindow(&window);
    app.mainWindow = &window;
    return app.Run();
}

// The framework on its own: the default grey teapot, turned with the mouse
// (left drag), zoomed with the wheel (Ctrl for fine steps); G quits.
// Built a second time with SCENEWALK_DEMO_STEREO as stereo_demo: the same
// teapot through the red-cyan merge of render mode 1. Run that one from the
// build's run folder so "shader/" is found; without it the frame is red.
#include "mox/demo_wnd.h"

#include <GL/gl.h>

int main()
{
    // Light the teapot so its turning shows; the player keeps GL's defaults.
    mox::DemoWnd::Instance().OnInitGL = [] {
        const GLfloat position[] = {1.0f, 1.0f, 2.0f, 0.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_COLOR_MATERIAL);
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_NORMALIZE);
    };
#ifdef SCENEWALK_DEMO_STEREO
    return RunMainWindow("Stereo merge", 1);
#else
    return RunMainWindow("Scenewalk demo");
#endif
}

// The framework on its own: the default grey teapot, turned with the mouse
// (left drag), zoomed with the wheel (Ctrl for fine steps); G quits.
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
    return RunMainWindow("Scenewalk demo");
}

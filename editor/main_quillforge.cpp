// Quillforge, the story editor.
#include "editor/qt/quillforge_app.h"

int main(int argc, char** argv)
{
    CQuillforgeApp app;
    return app.run(argc, argv);
}

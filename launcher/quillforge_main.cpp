// quillforge: the installed editor command.
#include "launcher/launch.h"

int main(int argc, char** argv)
{
    return launcher::runLauncher(
        {"quillforge", "Quillforge, the story editor: pick or create a story, edit it frame by frame."}, argc, argv);
}

// scenewalk: the installed player command.
#include "launcher/launch.h"

int main(int argc, char** argv)
{
    return launcher::runLauncher(
        {"scenewalk", "Scenewalk, the story player: plays the start-up story chosen in Quillforge."}, argc, argv);
}

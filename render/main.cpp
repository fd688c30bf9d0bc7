// scenewalk-render: a story's frames as the player shows them, as PNG files.
#include "render/render_command.h"

int main(int argc, char** argv)
{
    render::finish(render::runCommand(argc, argv));
}

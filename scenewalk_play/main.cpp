// scenewalk-play FILE.swstory | MOD_DIR: see scenewalk_play/play.h.
#include "launcher/desktop_message.h"
#include "launcher/launch.h"
#include "launcher/user_folder.h"
#include "scenewalk_play/play.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

const char* const kUsage = "Usage: scenewalk-play [OPTION] [FILE.swstory | MOD_DIR]\n"
                           "Plays a story someone sent: a bundle made with quillforge-pack, or a mod folder.\n"
                           "Without one, plays the start-up story chosen in Quillforge, as scenewalk does.\n"
                           "A bundle is checked first (every file listed in its manifest with the right\n"
                           "SHA-256, nothing else, no unsafe names or sizes), then kept in\n"
                           "$XDG_DATA_HOME/scenewalk/stories/MOD (by default ~/.local/share/...), where a\n"
                           "later run finds it again. The story plays in a folder of its own; your own\n"
                           "story folder and its startup.txt are left as they are.\n"
                           "\n"
                           "  --help     show this help and exit\n"
                           "  --version  show the version and exit\n"
                           "\n"
                           "Exit status: that of the player; 1 when the story is refused or cannot be\n"
                           "set up, 2 when the command line is wrong, 127 when the player cannot start.\n";

int fail(const std::string& argument, int status, const std::string& reason)
{
    std::fprintf(stderr, "scenewalk-play: %s\n", reason.c_str());
    // A double-click has no terminal to read the reason in.
    if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        launcher::showDesktopError("Scenewalk", "Scenewalk cannot play " + argument + ":\n" + reason);
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    std::string argument;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("scenewalk-play %s\n", QS_VERSION);
            return 0;
        }
        if ((arg.size() > 1 && arg[0] == '-' && arg != "--") || !argument.empty()) {
            std::fprintf(stderr, "scenewalk-play: unexpected argument '%s' (try --help)\n", arg.c_str());
            return 2;
        }
        if (arg != "--") argument = arg;
    }
    // A start from the menu: the player's own start-up story.
    if (argument.empty())
        return launcher::runLauncher(
            {"scenewalk", "Scenewalk, the story player: plays the start-up story chosen in Quillforge."}, 1, argv);

    const auto home = launcher::dataHome();
    if (home.empty())
        return fail(argument, 1, "cannot tell where to keep stories: neither XDG_DATA_HOME nor HOME is set");
    const auto base = home / "scenewalk";
    const auto dirs = launcher::programDirsOf(launcher::ownPath(), "scenewalk");

    play::Story story;
    std::string reason;
    if (!play::prepareStory(argument, base, story, reason)) return fail(argument, 1, reason);
    const auto work = play::layOutWorkFolder(base, dirs.dataDir, story, reason);
    if (work.empty()) return fail(argument, 1, reason);
    if (::chdir(work.c_str()) != 0)
        return fail(argument, 1, "cannot enter " + work.string() + ": " + std::strerror(errno));

    const auto player = dirs.programDir / "scenewalk";
    char* const args[] = {const_cast<char*>("scenewalk"), nullptr};
    ::execv(player.c_str(), args);
    return fail(argument, 127, "cannot start " + player.string() + ": " + std::strerror(errno));
}

#include "player/scenewalk_app.h"

#include "document/story_folder.h"
#include "mox/demo_wnd.h"
#include "player/bitmap_text.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "w32/native.h"

#include <malloc.h>

#include <cstdio>
#include <cstdlib>

std::string readStartupModName()
{
    std::string name, why;
    if (!readPlayerStartupMod(name, &why)) {
        std::fprintf(stderr, "scenewalk: cannot read %s: %s\n", kPlayerStartupFile.c_str(), why.c_str());
        if (w32::ShowMessageBox(0, "Story xml is missing. Program will exit!", "Error", w32::MB_ERROR) < 0)
            std::fputs("Story xml is missing. Program will exit! (no message box could be shown)\n", stderr);
        std::exit(0);
    }
    return name;
}

void finishStory()
{
    const w32::WindowHandle owner = mox::DemoWnd::Instance().hWnd;
    if (w32::ShowMessageBox(owner, "Story finished!", "Info", w32::MB_INFORMATION) < 0)
        std::fputs("Story finished! (no message box could be shown)\n", stderr);
    std::exit(0);
}

int runScenewalk()
{
    // Pictures are decoded into buffers of megabytes, on two threads. With
    // glibc's sliding threshold they would soon come from the heaps, which
    // keep them resident after use; above 1 MiB they are mapped and unmapped.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    dataFolder = "raw\\";

    player::attachTo(mox::DemoWnd::Instance());

    const std::string modName = readStartupModName();
    // The sentence's single-byte characters are GLUT bitmap characters.
    mox::InitGlutOnce();
    storyPlayer = new StoryPlayer(modName); // kept until the process ends
    return RunMainWindow(modName.c_str());
}

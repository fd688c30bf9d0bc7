#include "launcher/desktop_message.h"

#include <SDL.h>

namespace launcher {

bool showDesktopError(const std::string& title, const std::string& text)
{
    const bool shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr) == 0;
    SDL_Quit();
    return shown;
}

} // namespace launcher

// Insides of the SDL2 backend, shared by sdl_window.cpp and sdl_events.cpp
// (and by their own tests). It sits outside the public include path: nothing
// above the seam can include it.
#pragma once

#include "w32/native.h"

#include <SDL2/SDL.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace w32::sdl {

struct WindowRecord {
    SDL_Window* window = nullptr;
    WindowProc proc = nullptr;
    void* userData = nullptr;
    std::uint32_t style = 0;
    PixelFormat createdFormat; // the visual the SDL window was made with
    bool formatSet = false;
    bool invalid = false; // a WM_PAINT is due
    bool destroying = false;
    int reportedWidth = -1, reportedHeight = -1; // last WM_SIZE sent
    std::uint32_t reportedType = 0xFFFFFFFFu;
};

struct TimerRecord {
    WindowHandle window;
    std::uint32_t id;
    std::uint32_t period;
    std::uint32_t due;
};

struct State {
    bool videoReady = false;
    std::map<std::string, WindowProc> classes;
    std::map<WindowHandle, WindowRecord> windows;
    WindowHandle nextWindow = 1;
    std::map<GlrcHandle, SDL_GLContext> contexts;
    GlrcHandle nextContext = 1;
    DcHandle currentDc = 0;
    std::deque<Msg> posted;
    std::deque<Msg> input;
    std::vector<TimerRecord> timers;
    WindowHandle focus = 0;
    WindowHandle capture = 0;
    std::uint32_t buttons = 0; // MK_ flags of the buttons held, as the events told
};

// Never destroyed: window objects with static lifetime still close their
// windows while the process exits.
State& GetState();
bool EnsureVideo();
WindowRecord* Find(WindowHandle window);
// The window an SDL event belongs to; events without a window (pushed ones)
// go to the focus window, else to the oldest live window.
WindowHandle FromSdlId(std::uint32_t sdlWindowId);
SDL_Window* SdlWindowOf(WindowHandle window);

// Turns one SDL event into zero or more framework messages (the only place
// that knows both), appending them to `out`. May mark windows invalid.
void TranslateEvent(const SDL_Event& event, std::deque<Msg>& out);
// The WM_SIZE for the window's current state, unless it repeats the last one.
bool SizeMessage(WindowHandle window, std::uint32_t sizeType, Msg& out);

} // namespace w32::sdl

// SDL events -> framework messages. This is the one place where both meet:
// mouse buttons, motion and wheel, keys with their virtual-key codes, and
// the window events that become WM_SIZE, WM_PAINT, WM_ACTIVATE and WM_CLOSE.
#include "sdl_local.h"

namespace w32::sdl {
namespace {

std::uint32_t VirtualKey(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z) return KeyOfLetter(static_cast<char>('A' + (key - SDLK_a)));
    if (key >= SDLK_0 && key <= SDLK_9) return static_cast<std::uint32_t>(key);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + static_cast<std::uint32_t>(key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + static_cast<std::uint32_t>(key - SDLK_KP_1);
    switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_KP_0: return VK_NUMPAD0;
    case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_KP_PERIOD: return VK_DECIMAL;
    case SDLK_KP_DIVIDE: return VK_DIVIDE;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return VK_UNMAPPED; // still a key press: the player moves on for any key
    }
}

std::uint32_t ModifierFlags()
{
    const SDL_Keymod mods = SDL_GetModState();
    std::uint32_t flags = 0;
    if (mods & KMOD_SHIFT) flags |= MK_SHIFT;
    if (mods & KMOD_CTRL) flags |= MK_CONTROL;
    return flags;
}

std::uint32_t ButtonFlag(std::uint8_t button)
{
    switch (button) {
    case SDL_BUTTON_LEFT: return MK_LBUTTON;
    case SDL_BUTTON_RIGHT: return MK_RBUTTON;
    case SDL_BUTTON_MIDDLE: return MK_MBUTTON;
    default: return 0;
    }
}

std::uint32_t ButtonMaskFlags(std::uint32_t sdlMask)
{
    std::uint32_t flags = 0;
    if (sdlMask & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
    if (sdlMask & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
    if (sdlMask & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
    return flags;
}

// Mouse messages go to the capture window while there is one.
WindowHandle MouseTarget(std::uint32_t sdlWindowId)
{
    State& s = GetState();
    if (s.capture && Find(s.capture)) return s.capture;
    return FromSdlId(sdlWindowId);
}

void TranslateButton(const SDL_MouseButtonEvent& e, std::deque<Msg>& out)
{
    State& s = GetState();
    const std::uint32_t flag = ButtonFlag(e.button);
    if (!flag) return; // extra buttons have no message of their own
    const bool down = e.type == SDL_MOUSEBUTTONDOWN;
    s.buttons = down ? (s.buttons | flag) : (s.buttons & ~flag);
    std::uint32_t message = 0;
    if (flag == MK_LBUTTON)
        message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    else if (flag == MK_RBUTTON)
        message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    else
        message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    if (WindowHandle target = MouseTarget(e.windowID))
        out.push_back({target, message, s.buttons | ModifierFlags(), MakeLParam(e.x, e.y)});
}

void TranslateWindowEvent(const SDL_WindowEvent& e, std::deque<Msg>& out)
{
    const WindowHandle window = FromSdlId(e.windowID);
    WindowRecord* record = Find(window);
    if (!record) return;
    // WM_SIZE only when the size or its kind changed since the last report.
    auto pushSize = [&](std::uint32_t sizeType) {
        Msg msg;
        if (SizeMessage(window, sizeType, msg)) out.push_back(msg);
    };
    switch (e.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED: {
        const std::uint32_t flags = SDL_GetWindowFlags(record->window);
        if (flags & SDL_WINDOW_MINIMIZED) return; // the MINIMIZED event reports that
        pushSize((flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED);
        return;
    }
    case SDL_WINDOWEVENT_MINIMIZED: pushSize(SIZE_MINIMIZED); return;
    case SDL_WINDOWEVENT_MAXIMIZED: pushSize(SIZE_MAXIMIZED); return;
    case SDL_WINDOWEVENT_RESTORED: pushSize(SIZE_RESTORED); return;
    case SDL_WINDOWEVENT_EXPOSED:
        record->invalid = true; // WM_PAINT follows once the queue is empty
        return;
    case SDL_WINDOWEVENT_MOVED: out.push_back({window, WM_MOVE, 0, MakeLParam(e.data1, e.data2)}); return;
    case SDL_WINDOWEVENT_FOCUS_GAINED: out.push_back({window, WM_ACTIVATE, WA_ACTIVE, 0}); return;
    case SDL_WINDOWEVENT_FOCUS_LOST: out.push_back({window, WM_ACTIVATE, WA_INACTIVE, 0}); return;
    case SDL_WINDOWEVENT_CLOSE: out.push_back({window, WM_CLOSE, 0, 0}); return;
    default: return;
    }
}

} // namespace

bool SizeMessage(WindowHandle window, std::uint32_t sizeType, Msg& out)
{
    WindowRecord* record = Find(window);
    if (!record) return false;
    int width = 0, height = 0;
    if (sizeType != SIZE_MINIMIZED) SDL_GetWindowSize(record->window, &width, &height);
    if (width == record->reportedWidth && height == record->reportedHeight && sizeType == record->reportedType)
        return false;
    record->reportedWidth = width;
    record->reportedHeight = height;
    record->reportedType = sizeType;
    out = {window, WM_SIZE, sizeType, MakeLParam(width, height)};
    return true;
}

void TranslateEvent(const SDL_Event& event, std::deque<Msg>& out)
{
    State& s = GetState();
    switch (event.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: TranslateButton(event.button, out); return;
    case SDL_MOUSEMOTION: {
        s.buttons = ButtonMaskFlags(event.motion.state);
        if (WindowHandle target = MouseTarget(event.motion.windowID))
            out.push_back(
                {target, WM_MOUSEMOVE, s.buttons | ModifierFlags(), MakeLParam(event.motion.x, event.motion.y)});
        return;
    }
    case SDL_MOUSEWHEEL: {
        const WindowHandle target = MouseTarget(event.wheel.windowID);
        if (!target) return;
        int delta = event.wheel.y * WHEEL_DELTA;
        if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) delta = -delta;
        if (delta == 0) return; // horizontal scrolling has a message of its own, which nothing here uses
        // The wheel's point is in screen coordinates.
        int wx = 0, wy = 0;
        if (SDL_Window* w = SdlWindowOf(target)) SDL_GetWindowPosition(w, &wx, &wy);
        const std::uint32_t flags = s.buttons | ModifierFlags();
        out.push_back({target, WM_MOUSEWHEEL, (flags & 0xFFFFu) | (static_cast<std::uint32_t>(delta & 0xFFFF) << 16),
                       MakeLParam(wx + event.wheel.mouseX, wy + event.wheel.mouseY)});
        return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        WindowHandle target = s.focus && Find(s.focus) ? s.focus : FromSdlId(event.key.windowID);
        if (!target) return;
        const bool down = event.type == SDL_KEYDOWN;
        const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
        const std::uint32_t vk = VirtualKey(event.key.keysym.sym);
        const bool system = alt || vk == VK_F10;
        std::uint32_t lParam = 1u | ((static_cast<std::uint32_t>(event.key.keysym.scancode) & 0xFFu) << 16);
        if (alt) lParam |= 1u << 29;
        if (!down || event.key.repeat) lParam |= 1u << 30; // the key was already down
        if (!down) lParam |= 1u << 31;
        std::uint32_t message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
        out.push_back({target, message, vk, static_cast<std::int32_t>(lParam)});
        return;
    }
    case SDL_WINDOWEVENT: TranslateWindowEvent(event.window, out); return;
    case SDL_QUIT:
        // A window manager's close arrives as a window event first, so this is
        // an interrupt (Ctrl+C) or a session ending: ask every window to close.
        for (const auto& [handle, record] : s.windows) {
            if (!record.destroying) out.push_back({handle, WM_CLOSE, 0, 0});
        }
        return;
    default: return;
    }
}

} // namespace w32::sdl

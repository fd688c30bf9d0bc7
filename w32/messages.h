// The framework's window messages. They keep the Win32 numbers so that the
// player's hooks see the messages, flags and key codes they were written for.
#pragma once

#include <cstdint>

namespace w32 {

using WindowHandle = std::uint32_t; // 0: no window
using DcHandle = std::uint32_t;     // drawable of a window; 0: none
using GlrcHandle = std::uint32_t;   // GL context; 0: none

struct Msg {
    WindowHandle window = 0; // 0 for thread messages such as WM_QUIT
    std::uint32_t message = 0;
    std::uint32_t wParam = 0;
    std::int32_t lParam = 0;
};

inline constexpr std::uint32_t WM_CREATE = 0x0001;
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_MOVE = 0x0003;
inline constexpr std::uint32_t WM_SIZE = 0x0005;
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_ERASEBKGND = 0x0014;
inline constexpr std::uint32_t WM_NCDESTROY = 0x0082;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr std::uint32_t WM_TIMER = 0x0113;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_MBUTTONDOWN = 0x0207;
inline constexpr std::uint32_t WM_MBUTTONUP = 0x0208;
inline constexpr std::uint32_t WM_MOUSEWHEEL = 0x020A;
inline constexpr std::uint32_t WM_EXITSIZEMOVE = 0x0232;

// wParam of WM_SIZE.
inline constexpr std::uint32_t SIZE_RESTORED = 0;
inline constexpr std::uint32_t SIZE_MINIMIZED = 1;
inline constexpr std::uint32_t SIZE_MAXIMIZED = 2;
inline constexpr std::uint32_t SIZE_MAXSHOW = 3;
inline constexpr std::uint32_t SIZE_MAXHIDE = 4;

// wParam of WM_ACTIVATE.
inline constexpr std::uint32_t WA_INACTIVE = 0;
inline constexpr std::uint32_t WA_ACTIVE = 1;

// Button and modifier flags in the wParam of mouse messages.
inline constexpr std::uint32_t MK_LBUTTON = 0x0001;
inline constexpr std::uint32_t MK_RBUTTON = 0x0002;
inline constexpr std::uint32_t MK_SHIFT = 0x0004;
inline constexpr std::uint32_t MK_CONTROL = 0x0008;
inline constexpr std::uint32_t MK_MBUTTON = 0x0010;
inline constexpr int WHEEL_DELTA = 120;

// Virtual-key codes. Letters and digits are their upper-case ASCII codes
// ('A' = 0x41 ... 'Z' = 0x5A, '0' = 0x30 ... '9' = 0x39).
constexpr std::uint32_t KeyOfLetter(char upper)
{
    return static_cast<unsigned char>(upper);
}
inline constexpr std::uint32_t VK_BACK = 0x08;
inline constexpr std::uint32_t VK_TAB = 0x09;
inline constexpr std::uint32_t VK_RETURN = 0x0D;
inline constexpr std::uint32_t VK_SHIFT = 0x10;
inline constexpr std::uint32_t VK_CONTROL = 0x11;
inline constexpr std::uint32_t VK_MENU = 0x12;
inline constexpr std::uint32_t VK_PAUSE = 0x13;
inline constexpr std::uint32_t VK_CAPITAL = 0x14;
inline constexpr std::uint32_t VK_ESCAPE = 0x1B;
inline constexpr std::uint32_t VK_SPACE = 0x20;
inline constexpr std::uint32_t VK_PRIOR = 0x21;
inline constexpr std::uint32_t VK_NEXT = 0x22;
inline constexpr std::uint32_t VK_END = 0x23;
inline constexpr std::uint32_t VK_HOME = 0x24;
inline constexpr std::uint32_t VK_LEFT = 0x25;
inline constexpr std::uint32_t VK_UP = 0x26;
inline constexpr std::uint32_t VK_RIGHT = 0x27;
inline constexpr std::uint32_t VK_DOWN = 0x28;
inline constexpr std::uint32_t VK_INSERT = 0x2D;
inline constexpr std::uint32_t VK_DELETE = 0x2E;
inline constexpr std::uint32_t VK_NUMPAD0 = 0x60;
inline constexpr std::uint32_t VK_MULTIPLY = 0x6A;
inline constexpr std::uint32_t VK_ADD = 0x6B;
inline constexpr std::uint32_t VK_SUBTRACT = 0x6D;
inline constexpr std::uint32_t VK_DECIMAL = 0x6E;
inline constexpr std::uint32_t VK_DIVIDE = 0x6F;
inline constexpr std::uint32_t VK_F1 = 0x70;
inline constexpr std::uint32_t VK_F10 = 0x79;
inline constexpr std::uint32_t VK_NUMLOCK = 0x90;
inline constexpr std::uint32_t VK_SCROLL = 0x91;
inline constexpr std::uint32_t VK_OEM_1 = 0xBA; // ;:
inline constexpr std::uint32_t VK_OEM_PLUS = 0xBB;
inline constexpr std::uint32_t VK_OEM_COMMA = 0xBC;
inline constexpr std::uint32_t VK_OEM_MINUS = 0xBD;
inline constexpr std::uint32_t VK_OEM_PERIOD = 0xBE;
inline constexpr std::uint32_t VK_OEM_2 = 0xBF;    // /?
inline constexpr std::uint32_t VK_OEM_3 = 0xC0;    // `~
inline constexpr std::uint32_t VK_OEM_4 = 0xDB;    // [{
inline constexpr std::uint32_t VK_OEM_5 = 0xDC;    // \|
inline constexpr std::uint32_t VK_OEM_6 = 0xDD;    // ]}
inline constexpr std::uint32_t VK_OEM_7 = 0xDE;    // '"
inline constexpr std::uint32_t VK_UNMAPPED = 0xFF; // a key with no code of its own

inline constexpr std::int32_t MakeLParam(int low, int high)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(low) & 0xFFFFu) |
                                     ((static_cast<std::uint32_t>(high) & 0xFFFFu) << 16));
}
inline constexpr int LowWord(std::uint32_t v)
{
    return static_cast<int>(v & 0xFFFFu);
}
inline constexpr int HighWord(std::uint32_t v)
{
    return static_cast<int>((v >> 16) & 0xFFFFu);
}
inline constexpr int SignedLowWord(std::uint32_t v)
{
    return static_cast<std::int16_t>(v & 0xFFFFu);
}
inline constexpr int SignedHighWord(std::uint32_t v)
{
    return static_cast<std::int16_t>((v >> 16) & 0xFFFFu);
}

} // namespace w32

#pragma once
// How the player lays a sentence out on the text box: lines of a fixed
// number of bytes, a double-byte character never split across two lines,
// 20 pixels between lines. Shared by the player's label, which draws the
// lines, and by the story checker, which counts them.

#include <cstddef>
#include <string_view>
#include <vector>

namespace text_layout {

inline constexpr int kLineWidth = 90;   // bytes per line: 720 pixels of 8- or 16-pixel characters
inline constexpr int kLineStep = 20;    // pixels between baselines, downward
inline constexpr int kFirstLineY = 120; // baseline of the first line, from the window's bottom
// Baselines 120, 100, 80, 60 and 40 lie on the text box (y 20 to 170); a
// sixth line would sit on its lower edge and a seventh below it.
inline constexpr int kTextBoxLines = 5;

} // namespace text_layout

// One line of a label: bytes [start, start + length) of the text, drawn with
// its baseline at y.
struct LabelLine {
    std::size_t start;
    std::size_t length;
    int y;
};

// Splits the revealed part (text length x progress bytes) into lines of
// lineWidth bytes, 20 pixels apart downward from y. A line takes one more
// byte when a double-byte character would straddle its end. The last entry
// is the revealed rest and may be empty.
std::vector<LabelLine> labelLines(std::string_view text, float progress, int lineWidth, int y);

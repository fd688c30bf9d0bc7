// The command line of scenewalk-render.
#pragma once

#include <string>
#include <vector>

namespace render {

enum class Mode { None, Frame, All, Sheet };

struct Options {
    Mode mode = Mode::None;
    int frame = 0;     // --frame, 1-based
    int step = 20;     // --step, 0..20
    bool stepGiven = false;
    int first = 0;     // --frames A-B, 1-based; 0 when not given
    int last = 0;
    int columns = 4;   // --columns
    std::string output; // -o; empty: the mode's default
    std::string modDir;
    bool help = false;
    bool version = false;
};

// Parses argv[1..]. Returns an empty string on success, else the usage
// error in one line.
std::string parseOptions(const std::vector<std::string>& args, Options& out);

// The --help text.
const char* helpText();

} // namespace render

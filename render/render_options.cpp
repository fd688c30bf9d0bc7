#include "render/render_options.h"

#include <charconv>

namespace render {
namespace {

bool toInt(const std::string& text, int& value)
{
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && !text.empty();
}

} // namespace

const char* helpText()
{
    return "Usage: scenewalk-render [options] MOD_DIR\n"
           "Draws frames of the story in MOD_DIR exactly as the player shows them and\n"
           "writes them as 800 x 600 PNG pictures, or as one contact sheet. No display\n"
           "is needed: a private Xvfb server is started and ended for the run.\n"
           "\n"
           "  --frame N       frame N (counted from 1) once its transition has finished\n"
           "  --step S        with --frame: step S (0 to 20) of the transition into it\n"
           "  --all           every frame: frame-0001.png, frame-0002.png, ... in -o DIR\n"
           "  --sheet         one contact sheet of every frame, number and speaker under each\n"
           "  --frames A-B    with --all or --sheet: only frames A to B\n"
           "  --columns C     with --sheet: thumbnails per row (default 4)\n"
           "  -o FILE|DIR     where to write (default: frame-NNNN.png, the current folder,\n"
           "                  sheet.png); missing folders are created\n"
           "  --help          show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n"
           "Exit status: 0 done, 1 a frame could not be rendered (the reason is printed),\n"
           "2 usage error.\n";
}

std::string parseOptions(const std::vector<std::string>& args, Options& out)
{
    bool framesGiven = false, columnsGiven = false, onlyOperands = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (onlyOperands || arg.empty() || arg[0] != '-' || arg == "-") {
            if (!out.modDir.empty()) return "only one MOD_DIR may be given";
            out.modDir = arg;
            continue;
        }
        if (arg == "--") {
            onlyOperands = true;
            continue;
        }
        if (arg == "--help") {
            out.help = true;
            continue;
        }
        if (arg == "--version") {
            out.version = true;
            continue;
        }
        Mode mode = Mode::None;
        if (arg == "--all") mode = Mode::All;
        if (arg == "--sheet") mode = Mode::Sheet;
        if (mode != Mode::None) {
            if (out.mode != Mode::None) return "give only one of --frame, --all and --sheet";
            out.mode = mode;
            continue;
        }
        // Options with a value, as "--opt value" or "--opt=value".
        std::string name = arg, value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        } else if (name == "--frame" || name == "--step" || name == "--frames" || name == "--columns" ||
                   name == "-o") {
            if (i + 1 >= args.size()) return name + " needs a value";
            value = args[++i];
        } else {
            return "unknown option " + arg;
        }
        if (name == "--frame") {
            if (out.mode != Mode::None) return "give only one of --frame, --all and --sheet";
            out.mode = Mode::Frame;
            if (!toInt(value, out.frame) || out.frame < 1) return "--frame needs a frame number from 1 on";
        } else if (name == "--step") {
            out.stepGiven = true;
            if (!toInt(value, out.step) || out.step < 0 || out.step > 20) return "--step needs a step from 0 to 20";
        } else if (name == "--frames") {
            framesGiven = true;
            const auto dash = value.find('-');
            if (dash == std::string::npos || !toInt(value.substr(0, dash), out.first) ||
                !toInt(value.substr(dash + 1), out.last) || out.first < 1 || out.last < out.first)
                return "--frames needs a range A-B with 1 <= A <= B";
        } else if (name == "--columns") {
            columnsGiven = true;
            if (!toInt(value, out.columns) || out.columns < 1 || out.columns > 64)
                return "--columns needs a number from 1 to 64";
        } else if (name == "-o") {
            if (value.empty()) return "-o needs a file or folder name";
            out.output = value;
        } else {
            return "unknown option " + arg;
        }
    }
    if (out.help || out.version) return {};
    if (out.mode == Mode::None) return "say what to render: --frame N, --all or --sheet";
    if (out.stepGiven && out.mode != Mode::Frame) return "--step goes with --frame";
    if (framesGiven && out.mode == Mode::Frame) return "--frames goes with --all or --sheet";
    if (columnsGiven && out.mode != Mode::Sheet) return "--columns goes with --sheet";
    if (out.modDir.empty()) return "MOD_DIR is missing";
    return {};
}

} // namespace render

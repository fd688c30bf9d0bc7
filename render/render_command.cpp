#include "render/render_command.h"

#include "render/contact_sheet.h"
#include "render/frame_renderer.h"
#include "render/interrupt_cleanup.h"
#include "render/picture_cache.h"
#include "render/png_output.h"
#include "render/private_display.h"
#include "render/render_options.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace render {
namespace {

void say(const std::string& line) { std::fprintf(stderr, "scenewalk-render: %s\n", line.c_str()); }

int usage(const std::string& line)
{
    say(line);
    std::fputs("Try 'scenewalk-render --help' for more information.\n", stderr);
    return kExitUsage;
}

// The glyph file's folder, found from the program's own place: installed
// beside the data, or in the build tree's run folder.
fs::path findGlyphFolder()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    for (const char* relative : {QS_BIN_TO_DATA, QS_BUILD_TO_RUN}) {
        const fs::path folder = (self.parent_path() / relative / "raw").lexically_normal();
        if (fs::is_regular_file(folder / "1.bin", ec)) return folder;
    }
    return {};
}

std::string frameName(int number, int step = kLastStep)
{
    char name[48];
    if (step == kLastStep)
        std::snprintf(name, sizeof name, "frame-%04d.png", number);
    else
        std::snprintf(name, sizeof name, "frame-%04d-step-%02d.png", number, step);
    return name;
}

// -o (absolute): a folder when it exists as one or ends with a separator.
fs::path fileTarget(const std::string& output, const std::string& defaultName)
{
    std::error_code ec;
    const fs::path given = fs::absolute(output);
    if (output.back() == '/' || fs::is_directory(given, ec)) return given / defaultName;
    return given;
}

class Run {
public:
    Run(const Options& options, FrameRenderer& renderer) : o(options), r(renderer) {}

    int emptyScreen()
    {
        // What the player shows for a story it cannot load: text box and marker.
        const cv::Mat screen = r.screen();
        if (o.mode == Mode::Sheet) {
            SheetLayout layout;
            layout.columns = o.columns;
            layout.count = 1;
            cv::Mat picture = makeSheet(layout);
            placeOnSheet(picture, layout, 0, screen, captionOf("no story"));
            write(fileTarget(o.output, "sheet.png"), picture);
        } else {
            write(o.mode == Mode::Frame ? fileTarget(o.output, frameName(o.frame)) : folder() / frameName(1), screen);
        }
        return kExitFailed;
    }

    int frame()
    {
        if (!r.walkTo(o.frame - 1, o.step)) return fail("frame " + std::to_string(o.frame) + " could not be reached");
        return write(fileTarget(o.output, frameName(o.frame, o.step)), r.screen());
    }

    int all()
    {
        const fs::path dir = folder();
        for (int n = first(); n <= last(); ++n) {
            if (!r.walkTo(n - 1)) return fail("frame " + std::to_string(n) + " could not be reached");
            if (write(dir / frameName(n), r.screen()) != kExitOk) return kExitFailed;
        }
        return kExitOk;
    }

    int sheet()
    {
        SheetLayout layout;
        layout.columns = o.columns;
        layout.count = last() - first() + 1;
        cv::Mat picture = makeSheet(layout);
        for (int n = first(); n <= last(); ++n) {
            if (!r.walkTo(n - 1)) return fail("frame " + std::to_string(n) + " could not be reached");
            const cv::Mat screen = r.screen();
            placeOnSheet(picture, layout, n - first(), screen, captionOf(captionText(n, r.speakerOf(n - 1))));
        }
        return write(fileTarget(o.output, "sheet.png"), picture);
    }

private:
    const Options& o;
    FrameRenderer& r;

    int first() const { return o.first > 0 ? o.first : 1; }
    int last() const { return o.last > 0 ? o.last : r.frameCount(); }
    fs::path folder() const { return o.output; }

    cv::Mat captionOf(const std::string& text)
    {
        return r.caption(text, SheetLayout::kThumbWidth, SheetLayout::kCaptionHeight);
    }

    static int fail(const std::string& line)
    {
        say(line);
        return kExitFailed;
    }

    static int write(const fs::path& file, const cv::Mat& picture)
    {
        const std::string problem = writePng(file, picture);
        return problem.empty() ? kExitOk : fail(problem);
    }
};

} // namespace

int runCommand(int argc, char** argv)
{
    Options o;
    const std::string problem = parseOptions(std::vector<std::string>(argv + 1, argv + argc), o);
    if (!problem.empty()) return usage(problem);
    if (o.help) {
        std::fputs(helpText(), stdout);
        return kExitOk;
    }
    if (o.version) {
        std::printf("scenewalk-render %s\n", QS_VERSION);
        return kExitOk;
    }
    std::error_code ec;
    if (!fs::is_directory(o.modDir, ec)) return usage(o.modDir + ": no such folder");
    const fs::path modDir = fs::absolute(o.modDir);
    const fs::path glyphs = findGlyphFolder();
    if (glyphs.empty()) {
        say("cannot find the player's glyph file raw/1.bin (is scenewalk installed?)");
        return kExitFailed;
    }
    // Every path the user gave is made absolute: the renderer moves to a
    // scratch working folder.
    // Without -o, the default names go to the current folder.
    o.output = o.output.empty() ? (fs::current_path() / "").string()
                                : fs::absolute(o.output).string(); // keeps a final "/"

    cleanup::install();
    const std::string display = startPrivateDisplay();
    if (!display.empty()) {
        say(display);
        return kExitFailed;
    }
    const fs::path root = fs::absolute(modDir).lexically_normal().parent_path();
    installPictureCache([root](const std::string& playerPath) {
        // ".//story//Mod//bg/x.jpg" names root/Mod/bg/x.jpg.
        const std::string prefix = ".//story//";
        const std::string rest = playerPath.rfind(prefix, 0) == 0 ? playerPath.substr(prefix.size()) : playerPath;
        return (root / rest).lexically_normal().string();
    });
    std::string error;
    std::unique_ptr<FrameRenderer> renderer = FrameRenderer::open(modDir, glyphs, error);
    if (!renderer) {
        say(error);
        return kExitFailed;
    }

    Run run(o, *renderer);
    if (!renderer->loadProblem().empty()) {
        say(renderer->loadProblem() + "; rendering the player's empty screen");
        return run.emptyScreen();
    }
    const int count = renderer->frameCount();
    const std::string story = "the story has " + std::to_string(count) + (count == 1 ? " frame" : " frames");
    if (o.mode == Mode::Frame && o.frame > count)
        return usage("frame " + std::to_string(o.frame) + " is outside the story: " + story);
    if (o.last > count) return usage("frames " + std::to_string(o.first) + "-" + std::to_string(o.last) +
                                     " are outside the story: " + story);
    if (count == 0) {
        say(story + "; rendering the player's empty screen");
        return run.emptyScreen();
    }
    switch (o.mode) {
    case Mode::Frame: return run.frame();
    case Mode::All: return run.all();
    case Mode::Sheet: return run.sheet();
    case Mode::None: break;
    }
    return kExitUsage;
}

void finish(int status)
{
    std::cout.flush();
    std::fflush(nullptr);
    cleanup::runNow();
    _exit(status);
}

} // namespace render

// The editor with a long story open: resident memory after the mod is loaded
// and the time of Next, for a program and a baseline build of quillforge in
// the same run, interleaved. Needs an X display without a window manager:
//   scripts/with-display.sh build/bench/editor/editor_big_story_bench
//       build/quillforge /path/to/baseline/quillforge [--frames N] [--presses N] [--runs N]
// or, to keep the generated story root for other tools:
//   editor_big_story_bench --make-story DIR [--frames N]
//
// The story is the demo mod's persons, pictures and sounds (data/story/Lantern)
// under frames of about 100 characters each, English and GB 2312 in turns.
// Next is a real click on the Next button (XTest); its time runs from the
// button's release until the first row of the sentence box shows the next
// frame's text, which is painted in the same pass as the preview.
#include "document/story_script.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// ~100 bytes of English or GB 2312 (level-1 hanzi with its comma and full stop).
std::string sentenceFor(int frame, std::mt19937& random)
{
    static const char* const words[] = {
        "the",   "lantern", "river", "night",  "light", "slowly", "across",   "meadow", "wind",  "quiet",
        "Mei",   "Bo",      "said",  "looked", "where", "paper",  "festival", "bridge", "hands", "warm",
        "under", "stars",   "found", "again",  "small", "boats",  "drifted",  "smiled", "old",   "song"};
    std::string out = "Frame " + std::to_string(frame + 1) + ":";
    if (frame / 3 % 2 == 0) {
        while (out.size() < 100) out += std::string(" ") + words[random() % std::size(words)];
        out += ".";
        return out;
    }
    out += " ";
    for (int i = 0; out.size() < 100; ++i) {
        if (i % 12 == 11) {
            out += "\xA3\xAC"; // fullwidth comma
            continue;
        }
        out += static_cast<char>(0xB0 + random() % 40);
        out += static_cast<char>(0xA1 + random() % 94);
    }
    out += "\xA1\xA3"; // ideographic full stop
    return out;
}

// A story root holding startup.txt and the mod "Big": the demo mod's files
// under a script of frames frames.
bool makeStory(const fs::path& root, const fs::path& demo, int frames)
{
    std::error_code ec;
    fs::create_directories(root / "Big", ec);
    fs::copy(demo, root / "Big", fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) {
        std::fprintf(stderr, "cannot copy %s: %s\n", demo.c_str(), ec.message().c_str());
        return false;
    }
    std::ofstream(root / "startup.txt") << "Big";

    StoryScript story(root.string() + "/", "Big");
    if (!story.load()) return false; // the demo's persons, pictures, music and sounds
    std::mt19937 random(20240607);
    std::vector<Frame> made;
    made.reserve(frames);
    const int persons = static_cast<int>(story.characters.size());
    for (int f = 0; f < frames; ++f) {
        Frame frame;
        const int shown = f / 5 % 4; // none, left, right, both in runs of five
        if (persons > 0 && (shown & 1)) {
            frame.leftCharacter = 0;
            frame.leftPhoto = f % story.characters[0].photoNum;
        }
        if (persons > 1 && (shown & 2)) {
            frame.rightCharacter = 1;
            frame.rightPhoto = f % story.characters[1].photoNum;
        }
        frame.textCharacter = shown == 0 ? 0 : (shown == 2 ? 2 : 1);
        frame.sentence = sentenceFor(f, random);
        frame.background = f / 7 % static_cast<int>(story.backgrounds.size());
        frame.music = f / 40 % static_cast<int>(story.musics.size());
        frame.sound = f % 9 == 4 ? f / 9 % static_cast<int>(story.sounds.size()) : -1;
        made.push_back(std::move(frame));
    }
    story.frames = std::move(made);
    story.frameCount = frames;
    return story.save();
}

struct Memory {
    long rssKiB = 0, hwmKiB = 0;
};

Memory statusOf(pid_t pid)
{
    Memory s;
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "VmRSS:" && in >> value)
            s.rssKiB = value;
        else if (key == "VmHWM:" && in >> value)
            s.hwmKiB = value;
    }
    return s;
}

// The mapped top-level window of pid (Qt sets _NET_WM_PID), or 0.
Window windowOf(Display* display, pid_t pid)
{
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None) return 0;
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr;
    unsigned count = 0;
    Window found = 0;
    if (!XQueryTree(display, root, &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                               &data) == Success &&
            data && items == 1 && *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid)) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable)
                found = children[i];
        }
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return found;
}

// The dialog's layout: dialog units of its 8-pt font to pixels (1.5 across,
// 1.625 down), as the editor places its controls.
int pxX(int du)
{
    return du * 3 / 2;
}
int pxY(int du)
{
    return du * 13 / 8;
}

std::vector<char> grab(Display* display, Window window, int x, int y, int w, int h)
{
    std::vector<char> out;
    XImage* image = XGetImage(display, window, x, y, w, h, AllPlanes, ZPixmap);
    if (!image) return out;
    out.assign(image->data, image->data + static_cast<std::size_t>(image->bytes_per_line) * h);
    XDestroyImage(image);
    return out;
}

struct Run {
    bool program = false;
    Memory loaded, afterNext;
    double loadSeconds = 0;
    std::vector<double> nextMs;
};

bool runOnce(Display* display, const std::string& binary, const fs::path& storyRoot, const fs::path& work, int presses,
             Run& run)
{
    fs::remove_all(work);
    fs::create_directories(work);
    fs::copy(storyRoot, work / "story", fs::copy_options::recursive);
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        if (chdir(work.c_str()) != 0) _exit(127);
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    Window window = 0;
    while (!(window = windowOf(display, pid))) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "%s ended before showing its window\n", binary.c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    run.loadSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::seconds(1)); // first paints, fonts
    run.loaded = statusOf(pid);

    int originX = 0, originY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &originX, &originY, &child);
    // Next (1019) at 394, 319, 40, 18; the sentence box (1011) at 184, 255, 375, 40.
    const int nextX = originX + pxX(394 + 20), nextY = originY + pxY(319 + 9);
    const int textX = pxX(184) + 4, textY = pxY(255) + 2, textW = pxX(375) - 8, textH = 20;
    XTestFakeMotionEvent(display, -1, nextX, nextY, CurrentTime);
    XSync(display, False);
    std::vector<char> before = grab(display, window, textX, textY, textW, textH);
    bool ok = true;
    for (int i = 0; i < presses && ok; ++i) {
        XTestFakeButtonEvent(display, 1, True, CurrentTime);
        XSync(display, False);
        const auto pressed = Clock::now();
        XTestFakeButtonEvent(display, 1, False, CurrentTime); // a button clicks on release
        XSync(display, False);
        std::vector<char> now;
        for (;;) {
            now = grab(display, window, textX, textY, textW, textH);
            if (now != before) break;
            if (Clock::now() - pressed > std::chrono::seconds(10)) {
                std::fprintf(stderr, "%s did not show the next frame within 10 s\n", binary.c_str());
                ok = false;
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        run.nextMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - pressed).count());
        before = std::move(now);
        std::this_thread::sleep_for(std::chrono::milliseconds(30)); // a reader's pace
    }
    run.afterNext = statusOf(pid);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    fs::remove_all(work);
    return ok;
}

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    int frames = 20000, presses = 200, runs = 3;
    std::vector<std::string> positional;
    std::string makeOnly;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto number = [&](int& out) {
            if (i + 1 >= argc || (out = std::atoi(argv[++i])) <= 0) {
                std::fprintf(stderr, "%s needs a positive number\n", arg.c_str());
                std::exit(2);
            }
        };
        if (arg == "--frames")
            number(frames);
        else if (arg == "--presses")
            number(presses);
        else if (arg == "--runs")
            number(runs);
        else if (arg == "--make-story" && i + 1 < argc)
            makeOnly = argv[++i];
        else if (arg == "--help") {
            std::puts("usage: editor_big_story_bench PROGRAM BASELINE [--frames N] [--presses N] [--runs N]\n"
                      "       editor_big_story_bench --make-story DIR [--frames N]");
            return 0;
        } else
            positional.push_back(arg);
    }
    const fs::path demo = fs::path(QS_SOURCE_DIR) / "data/story/Lantern";
    if (!makeOnly.empty()) return makeStory(makeOnly, demo, frames) ? 0 : 1;
    if (positional.size() != 2) {
        std::fprintf(stderr, "usage: editor_big_story_bench PROGRAM BASELINE (see --help)\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    const fs::path scratch = fs::temp_directory_path() / ("qf-big-" + std::to_string(getpid()));
    if (!makeStory(scratch / "story", demo, frames)) {
        std::fprintf(stderr, "cannot generate the story\n");
        return 1;
    }
    std::printf("story: %d frames, script.xml %.1f MiB\n", frames,
                fs::file_size(scratch / "story/Big/script.xml") / 1048576.0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    std::vector<Run> all;
    bool ok = true;
    for (int r = 0; r < runs && ok; ++r) {
        for (int which : {1, 0}) { // baseline first
            Run run;
            run.program = which == 0;
            ok = runOnce(display, fs::absolute(positional[which]).string(), scratch / "story", scratch / "work",
                         presses, run);
            if (!ok) break;
            all.push_back(std::move(run));
        }
    }
    fs::remove_all(scratch);
    XCloseDisplay(display);
    if (!ok) return 1;

    std::printf("%-34s%12s%12s%8s\n", "", "baseline", "program", "ratio");
    auto row = [&](const char* name, auto figure) {
        std::vector<double> a, b;
        for (const Run& run : all) (run.program ? b : a).push_back(figure(run));
        const double ma = median(a), mb = median(b);
        std::printf("%-34s%12.1f%12.1f%8.2f\n", name, ma, mb, ma ? mb / ma : 0.0);
    };
    row("window mapped after exec (ms)", [](const Run& r) { return r.loadSeconds * 1000; });
    row("VmRSS after open (MiB)", [](const Run& r) { return r.loaded.rssKiB / 1024.0; });
    row("VmHWM after open (MiB)", [](const Run& r) { return r.loaded.hwmKiB / 1024.0; });
    row("VmRSS after the presses (MiB)", [](const Run& r) { return r.afterNext.rssKiB / 1024.0; });
    row("VmHWM after the presses (MiB)", [](const Run& r) { return r.afterNext.hwmKiB / 1024.0; });
    for (int which : {0, 1}) {
        std::vector<double> times;
        for (const Run& run : all)
            if (run.program == (which == 1)) times.insert(times.end(), run.nextMs.begin(), run.nextMs.end());
        std::printf("Next, %-8s median %6.2f ms, worst %7.2f ms over %zu presses\n", which ? "program" : "baseline",
                    median(times), *std::max_element(times.begin(), times.end()), times.size());
    }
    std::printf("medians of %d interleaved runs each\n", runs);
    return 0;
}

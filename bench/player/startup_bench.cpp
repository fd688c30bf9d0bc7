// Time from process start to the player's first presented frame, for the
// heavy bench story and, as the baseline, for a story root without any
// script (the window, the text box and the marker only). Runs the real
// start-up path in child processes; prints the median of each. Needs X:
//   scripts/with-display.sh build/bench/player/player_startup_bench [runs]
#include "bench/player/bench_story.h"
#include "mox/demo_wnd.h"
#include "player/scenewalk_app.h"

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

// Milliseconds since this process was started by the kernel (10 ms steps).
double msSinceProcessStart()
{
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    // Field 22 (starttime, clock ticks after boot) follows the ")" of field 2.
    std::istringstream rest(line.substr(line.rfind(')') + 2));
    std::string field;
    unsigned long long start = 0;
    for (int i = 3; i <= 22 && rest >> field; ++i)
        if (i == 22) start = std::stoull(field);
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - start * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

int child(const char* resultFile)
{
    const auto mainStart = std::chrono::steady_clock::now();
    static int renders = 0;
    static std::string out = resultFile;
    static auto t0 = mainStart;
    // OnPreRender opens every frame; its second call follows the first swap.
    mox::DemoWnd::Instance().OnPreRender = [] {
        if (++renders < 2) return;
        const double sinceMain =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::ofstream(out) << msSinceProcessStart() << " " << sinceMain << "\n";
        std::_Exit(0);
    };
    return runScenewalk();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child") return child(argv[2]);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    namespace fs = std::filesystem;
    const fs::path base = fs::temp_directory_path() / ("player_startup_" + std::to_string(::getpid()));
    const fs::path self = fs::canonical("/proc/self/exe");
    if (!bench_story::prepare(base / "heavy", QS_GLYPH_FILE)) return 1;
    // Baseline: the same tree with the story's script removed.
    fs::create_directories(base / "empty");
    fs::copy(base / "heavy", base / "empty", fs::copy_options::recursive);
    fs::remove(base / "empty" / "story" / "bench" / "script.xml");

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    for (const char* which : {"empty", "heavy"}) {
        std::vector<double> fromStart, fromMain;
        for (int i = 0; i < runs; ++i) {
            const fs::path result = base / "result.txt";
            fs::remove(result);
            const pid_t pid = fork();
            if (pid == 0) {
                fs::current_path(base / which);
                execl(self.c_str(), self.c_str(), "--child", result.c_str(), static_cast<char*>(nullptr));
                _exit(127);
            }
            int status = 0;
            waitpid(pid, &status, 0);
            double a = 0, b = 0;
            std::ifstream in(result);
            if (!(in >> a >> b)) {
                std::fprintf(stderr, "run %d of %s gave no frame\n", i, which);
                continue;
            }
            fromStart.push_back(a);
            fromMain.push_back(b);
        }
        std::printf("%-6s story: process start -> first presented frame: median %.1f ms "
                    "(main -> frame %.1f ms) over %zu runs\n",
                    which, median(fromStart), median(fromMain), fromStart.size());
    }
    fs::remove_all(base);
    return 0;
}

// Frame cost of the player's heaviest screen under Mesa's software renderer,
// and the cost of one transition step's alpha rewrite. Run under Xvfb:
//   xvfb-run -a -s "-screen 0 1280x1024x24" bench/player/player_frame_bench
// Time is wall-clock; CPU is the whole process's, so it includes the
// renderer's worker threads. Each benchmark has a baseline: the pictures kept at their file size and
// drawn with pixel zoom, faded with a plain per-pixel multiply.
#include "bench/player/bench_story.h"
#include "mox/demo_wnd.h"
#include "mox/sprite.h"
#include "player/bitmap_text.h"
#include "media/image/image_loader.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "w32/scene.h"

#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cstdio>

namespace {

SDL_Window* window = nullptr;
StoryPlayer* story = nullptr;

void useScreenSize()
{
    story->background().loadImage(".//story//bench//bg.png", false);
    story->leftPortrait().loadImage(".//story//bench//left.png", false);
    story->rightPortrait().loadImage(".//story//bench//right.png", true);
}

void drawFrame(bool swap)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    beginSpriteOverlay();
    for (MOXSprite* s : spriteList)
        if (s) s->draw();
    endSpriteOverlay();
    glFinish();
    if (swap) SDL_GL_SwapWindow(window);
}

// The player's pictures (scaled to the screen once at load); arg 1 includes
// presenting the frame (buffer swap).
void BM_FullScreenFrame(benchmark::State& state)
{
    useScreenSize();
    const bool swap = state.range(0) != 0;
    for (auto _ : state) drawFrame(swap);
}
BENCHMARK(BM_FullScreenFrame)
    ->ArgName("swap")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// One transition step rewrites the alpha of every changing sprite:
// background, both portraits and the next marker.
void BM_FadeStep(benchmark::State& state)
{
    useScreenSize();
    StoryImage* sprites[] = {&story->background(), &story->leftPortrait(), &story->rightPortrait(),
                             &story->nextMarker()};
    int step = 0;
    for (auto _ : state) {
        const float factor = static_cast<float>(1.0 - (step++ % 10) / 10.0);
        for (StoryImage* s : sprites) s->setAlpha(factor);
        benchmark::DoNotOptimize(story->background().picture().data);
    }
}
BENCHMARK(BM_FadeStep)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(7)
    ->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Step 10 of a transition decodes the changed pictures; this is the one
// frame of a transition that takes longer than the others.
void BM_StepTenLoads(benchmark::State& state)
{
    for (auto _ : state) useScreenSize();
}
BENCHMARK(BM_StepTenLoads)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    const auto dir = std::filesystem::temp_directory_path() / ("player_bench_" + std::to_string(::getpid()));
    if (!bench_story::prepare(dir, QS_GLYPH_FILE)) {
        std::fprintf(stderr, "cannot write the bench story to %s\n", dir.c_str());
        return 1;
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "SDL: %s (run under xvfb-run)\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("bench", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "GL: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetSwapInterval(0);
    std::printf("GL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    mox::InitGlutOnce();
    SceneWidth = 800;
    SceneHeight = 600;
    glViewport(0, 0, 800, 600);
    dataFolder = "raw\\";

    setenv("SDL_AUDIODRIVER", "dummy", 1);
    story = new StoryPlayer("bench");
    storyPlayer = story;
    while (story->transitionRunning()) player::stepFrame();

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::filesystem::remove_all(dir);
    return 0;
}

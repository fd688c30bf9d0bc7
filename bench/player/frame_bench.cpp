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

// The baseline's picture: as decoded, oriented and mirrored, not resized,
// and always blended.
void keepFileSize(StoryImage& sprite, const std::string& path, bool mirror)
{
    cv::Mat picture = loadPngImage(path);
    if (mirror) cv::flip(picture, picture, 1);
    sprite.image = picture;
    sprite.source = picture.clone();
    sprite.opaque = sprite.sourceOpaque = false;
}

void useScreenSize()
{
    story->backgroundImage->loadImage(".//story//bench//bg.png", false);
    story->leftPortrait->loadImage(".//story//bench//left.png", false);
    story->rightPortrait->loadImage(".//story//bench//right.png", true);
}

void useFileSize()
{
    keepFileSize(*story->backgroundImage, "story/bench/bg.png", false);
    keepFileSize(*story->leftPortrait, "story/bench/left.png", false);
    keepFileSize(*story->rightPortrait, "story/bench/right.png", true);
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

// Arg 0: the player's pictures (scaled to the screen once at load);
// arg 1: baseline, file-size pictures drawn with pixel zoom.
// Second arg 1 includes presenting the frame (buffer swap).
void BM_FullScreenFrame(benchmark::State& state)
{
    if (state.range(0) == 0) useScreenSize(); else useFileSize();
    const bool swap = state.range(1) != 0;
    for (auto _ : state) drawFrame(swap);
    useScreenSize();
}
BENCHMARK(BM_FullScreenFrame)
    ->ArgNames({"fileSize", "swap"})
    ->Args({0, 0})->Args({0, 1})->Args({1, 0})->Args({1, 1})
    ->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()->UseRealTime();

// The straightforward fade: one float multiply per pixel through cv::Mat access.
void plainSetAlpha(StoryImage& s, float factor)
{
    for (int r = 0; r < s.image.rows; ++r)
        for (int c = 0; c < s.image.cols; ++c)
            s.image.at<cv::Vec4b>(r, c)[3] =
                static_cast<unsigned char>(static_cast<int>(factor * s.source.at<cv::Vec4b>(r, c)[3]));
}

// One transition step rewrites the alpha of every changing sprite:
// background, both portraits and the next marker.
void BM_FadeStep(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    if (mode == 0) useScreenSize(); else useFileSize();
    StoryImage* sprites[] = {story->backgroundImage.get(), story->leftPortrait.get(),
                             story->rightPortrait.get(), story->nextMarker.get()};
    int step = 0;
    for (auto _ : state) {
        const float factor = static_cast<float>(1.0 - (step++ % 10) / 10.0);
        for (StoryImage* s : sprites) {
            if (mode == 2) plainSetAlpha(*s, factor); else s->setAlpha(factor);
        }
        benchmark::DoNotOptimize(story->backgroundImage->image.data);
    }
    useScreenSize();
}
// 0: player (screen-sized pictures, table loop); 1: same loop on file-size
// pictures; 2: baseline, file-size pictures with the per-pixel multiply.
BENCHMARK(BM_FadeStep)
    ->ArgName("variant")->Arg(0)->Arg(1)->Arg(2)
    ->Unit(benchmark::kMillisecond)->Repetitions(7)->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()->UseRealTime();

// Step 10 of a transition decodes the changed pictures; this is the one
// frame of a transition that takes longer than the others.
void BM_StepTenLoads(benchmark::State& state)
{
    for (auto _ : state) useScreenSize();
}
BENCHMARK(BM_StepTenLoads)->Unit(benchmark::kMillisecond)->Repetitions(3)->ReportAggregatesOnly(true)
    ->MeasureProcessCPUTime()->UseRealTime();

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
    window = SDL_CreateWindow("bench", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600,
                              SDL_WINDOW_OPENGL);
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

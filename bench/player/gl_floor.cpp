// The least any OpenGL player of this kind can hold on the machine it runs
// on: an 800 x 600 SDL2 window with a compatibility context that draws what
// the player draws each frame (an opaque 800 x 600 picture, two blended
// portraits, a line of bitmap text) for two seconds, then idles. Prints its
// own VmHWM in KiB after seconds (default 30). With Mesa's software
// rasteriser most of it is the driver: the player's peak is read against it.
//   player_gl_floor [seconds]
// bench/startup/compare_programs.sh takes it as the baseline of scenewalk.
#include <SDL.h>
#include <SDL_opengl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

long vmHwmKib()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "player_gl_floor: %s\n", SDL_GetError());
        return 2;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_Window* window =
        SDL_CreateWindow("gl floor", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 800, 600, SDL_WINDOW_OPENGL);
    if (!window || !SDL_GL_CreateContext(window)) {
        std::fprintf(stderr, "player_gl_floor: %s\n", SDL_GetError());
        return 2;
    }
    std::vector<unsigned char> background(800 * 600 * 3), portrait(325 * 487 * 4);
    for (std::size_t i = 0; i < background.size(); ++i) background[i] = static_cast<unsigned char>(i * 7);
    for (std::size_t i = 0; i < portrait.size(); ++i) portrait[i] = static_cast<unsigned char>(i * 13);
    const std::vector<unsigned char> glyph(13, 0x5A);

    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 800, 0, 600, -1, 1);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const Uint32 start = SDL_GetTicks();
    for (int frame = 0; SDL_GetTicks() - start < 2000; ++frame) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {}
        glClear(GL_COLOR_BUFFER_BIT);
        glRasterPos2i(0, 0);
        glDrawPixels(800, 600, GL_RGB, GL_UNSIGNED_BYTE, background.data());
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        for (int x : {0, 475}) {
            glRasterPos2i(x, 0);
            glDrawPixels(325, 487, GL_RGBA, GL_UNSIGNED_BYTE, portrait.data());
        }
        glDisable(GL_BLEND);
        glRasterPos2i(40, 100);
        for (int c = 0; c < 60; ++c) glBitmap(8, 13, 0, 0, 8, 0, glyph.data());
        SDL_GL_SwapWindow(window);
        SDL_Delay(20);
    }
    while (SDL_GetTicks() - start < static_cast<Uint32>(seconds) * 1000) {
        SDL_Event event;
        while (SDL_PollEvent(&event)) {}
        SDL_Delay(20);
    }
    std::printf("%ld\n", vmHwmKib());
    return 0;
}

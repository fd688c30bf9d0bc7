// Stereo merge pipeline: the scene is drawn once per eye, each eye image is
// copied into an off-screen target, and a GLSL merge program combines both
// into one frame in the window's back buffer.
//
// Contract:
// - Call StereoSetup and then LoadMergeProgram once, with the GL context
//   current, before the first StereoPass. Targets are never resized or freed.
// - The merge program's files are "shader//merge3DShader.hxx" (vertex) and
//   "shader//merge3DShader.cxx" (fragment), relative to the working directory.
//   It sees samplers "imgL" (unit 0) and "imgR" (unit 1) and float "bias".
// - Without a merge program the merged image is a plain red quad; without
//   framebuffer objects StereoPass draws the mono scene instead.
#pragma once

#include <cstdint>
#include <functional>

namespace mox {

class DemoWnd;

inline constexpr float LeftEyeOffset = 0.044f; // scene units, x translation
inline constexpr float RightEyeOffset = -0.044f;
inline constexpr float MergeBias = 0.022f; // the merge program's "bias"
inline constexpr char ShaderFolder[] = "shader";

struct StereoTarget {
    std::uint32_t framebuffer = 0;
    std::uint32_t colour = 0; // RGB16F colour texture
    std::uint32_t depth = 0;  // depth texture
};

struct StereoState {
    StereoTarget left;
    StereoTarget right;
    StereoTarget merge;
    int width = 0; // size of every target's textures
    int height = 0;
    bool framebuffersReady = false; // entry points found and targets complete
    std::int32_t mergeProgram = -1; // id in the program table, -1 when missing
};

StereoState& Stereo();

// Finds a GL entry point by name; null when the driver lacks it.
using GlProcLookup = void* (*)(const char* name);

// Fills the extension loader's fourteen framebuffer-object entry points and
// prints "[FBO]Init success." or "[FBO]Init fail."; true when all were found.
// A null lookup uses the platform's.
bool LoadFramebufferEntryPoints(GlProcLookup lookup = nullptr);

// Loads the entry points and creates the left, right and merge targets at
// the scene size.
void StereoSetup(int sceneWidth, int sceneHeight, GlProcLookup lookup = nullptr);

// Registers the merge program from the shader folder; returns its id or -1.
std::int32_t LoadMergeProgram();

// Draws one stereo frame into the back buffer. scenePass draws the scene for
// an eye offset; width and height are the window's client size.
void StereoPass(const std::function<void(float eyeOffset)>& scenePass, int width, int height);

// The demo window's stereo slots: set-up at the scene size plus the merge
// program, and the frame through the window's own scene pass.
void StereoSetup(DemoWnd& window);
void StereoPass(DemoWnd& window);

} // namespace mox

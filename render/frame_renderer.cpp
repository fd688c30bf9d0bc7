#include "render/frame_renderer.h"

#include "document/property_tree.h"
#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "mox/demo_wnd.h"
#include "mox/sprite.h"
#include "player/bitmap_text.h"
#include "player/story_player.h"
#include "render/interrupt_cleanup.h"
#include "w32/native.h"
#include "w32/scene.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace fs = std::filesystem;

namespace render {

std::string storyLoadProblem(const fs::path& modDir)
{
    const fs::path script = modDir / "script.xml";
    std::error_code ec;
    if (!fs::is_regular_file(script, ec)) return script.string() + ": no such file";
    std::unique_ptr<PropertyTree> tree;
    if (!loadTree(tree, script.string())) return script.string() + ": not a well-formed XML document";
    StoryRecords records;
    if (!readStory(*tree, records))
        return script.string() + ": not a story (its counts and entries do not add up)";
    return {};
}

namespace {

// The player's window as RunMainWindow sets it up, minus showing it and
// the message loop: the same pixel format, size and GL state.
std::string openWindow()
{
    SceneHeight = kFrameHeight;
    SceneWidth = kFrameWidth;
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    window.RenderMode = 0;
    // The scene pass draws nothing but the player's clear; the transition
    // steps are walked explicitly and the marker's bob is left at rest.
    window.OnDrawScene = [] {
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
    };
    window.hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW,
                                          w32::CW_USEDEFAULT, 0, w32::CW_USEDEFAULT, 0);
    if (!window.hWnd || !window.SetupAfterCreation()) return "cannot open a window on the private X server";
    if (!window.InitGL(0, 24, 24, 0, 0, 0, 0, 1)) return "cannot create an OpenGL context";
    window.SetClientSize(kFrameWidth, kFrameHeight);
    w32::Rect client;
    if (!w32::GetClientRect(window.hWnd, client) || client.Width() != kFrameWidth ||
        client.Height() != kFrameHeight)
        return "the window could not be sized to 800 x 600";
    // The player's sentence uses GLUT's bitmap font.
    if (!mox::InitGlutOnce()) return "GLUT found no X display";
    return {};
}

} // namespace

std::unique_ptr<FrameRenderer> FrameRenderer::open(const fs::path& modDir, const fs::path& glyphFolder,
                                                   std::string& error)
{
    const fs::path mod = fs::absolute(modDir).lexically_normal();
    const fs::path folder = mod.has_filename() ? mod : mod.parent_path();
    std::unique_ptr<FrameRenderer> r(new FrameRenderer);
    dataFolder = (fs::absolute(glyphFolder).lexically_normal() / "").string();

    // The player reads ".//story//" + mod name + reference from its working
    // folder: give it one whose story/ is the mod's story root.
    // Named after the process, so what an interrupted run left is traceable.
    std::error_code ec;
    const fs::path temp = fs::temp_directory_path(ec);
    std::string pattern = (temp / ("scenewalk-render-" + std::to_string(getpid()) + "-XXXXXX")).string();
    if (ec || !mkdtemp(pattern.data())) {
        error = "cannot make a scratch folder in " + temp.string();
        return nullptr;
    }
    r->scratch_ = pattern;
    cleanup::watchPath(cleanup::kScratchDir, r->scratch_.string());
    cleanup::watchPath(cleanup::kStoryLink, (r->scratch_ / "story").string());
    fs::create_directory_symlink(folder.parent_path(), r->scratch_ / "story", ec);
    if (ec || chdir(r->scratch_.c_str()) != 0) {
        error = "cannot prepare the scratch folder " + r->scratch_.string();
        return nullptr;
    }
    // No audio driver by that name exists: every audio call fails silently
    // at once, as on a machine without sound, and nothing is decoded.
    setenv("SDL_AUDIODRIVER", "none", 1);
    setenv("SDL_VIDEODRIVER", "x11", 1);
    // SIGINT and SIGTERM stay ours (interrupt_cleanup.h); SDL would turn
    // them into quit events that nothing here reads.
    setenv("SDL_NO_SIGNAL_HANDLERS", "1", 1);
    error = openWindow();
    if (!error.empty()) return nullptr;

    r->loadProblem_ = storyLoadProblem(folder);
    r->player_ = std::make_unique<StoryPlayer>(folder.filename().string());
    r->player_->onFinished = [] {};
    return r;
}

FrameRenderer::~FrameRenderer()
{
    player_.reset();
    std::error_code ec;
    if (!scratch_.empty()) {
        fs::remove(scratch_ / "story", ec);
        fs::remove(scratch_, ec);
        cleanup::watchPath(cleanup::kStoryLink, {});
        cleanup::watchPath(cleanup::kScratchDir, {});
    }
}

int FrameRenderer::frameCount() const { return player_->frameCount; }

std::string FrameRenderer::speakerOf(int index) const
{
    if (index < 0 || index >= frameCount()) return {};
    const Frame& frame = player_->frames[static_cast<std::size_t>(index)];
    int who = -1;
    if (frame.textCharacter == 1) who = frame.leftCharacter;
    if (frame.textCharacter == 2) who = frame.rightCharacter;
    if (who < 0 || who >= static_cast<int>(player_->characters.size())) return {};
    return player_->characters[static_cast<std::size_t>(who)].name;
}

bool FrameRenderer::walkTo(int index, int step)
{
    StoryPlayer& p = *player_;
    if (index < 0 || index >= frameCount() || step < 0 || step > kLastStep) return false;
    for (;;) {
        if (p.transitionRunning()) {
            if (p.currentFrame() == index && p.transitionStep() == step) return true;
            if (p.currentFrame() > index) return false;
            p.showFrame(p.currentFrame()); // one rendered frame's step
            continue;
        }
        if (p.currentFrame() == index && step == kLastStep) return true;
        if (p.currentFrame() >= index) return false;
        p.advanceStory(); // the reader's click
    }
}

cv::Mat FrameRenderer::readBack(int width, int height)
{
    glFinish();
    cv::Mat rgb(height, width, CV_8UC3);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data);
    glPopClientAttrib();
    cv::Mat bgr;
    cv::flip(rgb, rgb, 0); // GL gives the bottom row first
    cv::cvtColor(rgb, bgr, cv::COLOR_RGB2BGR);
    return bgr;
}

cv::Mat FrameRenderer::screen()
{
    mox::DemoWnd& window = mox::DemoWnd::Instance();
    window.MakeContextCurrent();
    // What the demo window's Render draws, read back before the swap.
    window.ScenePass(0.0f);
    drawSpriteOverlay();
    return readBack(kFrameWidth, kFrameHeight);
}

cv::Mat FrameRenderer::caption(const std::string& text, int width, int height)
{
    mox::DemoWnd::Instance().MakeContextCurrent();
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    beginSpriteOverlay();
    drawText(text, 4, 5, 1.0f, 0, 0, 0, 1.0f, GLUT_BITMAP_8_BY_13);
    endSpriteOverlay();
    return readBack(width, height);
}

} // namespace render

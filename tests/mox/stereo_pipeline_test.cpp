// The demo window in stereo mode on a real GL context, with the merge shader
// files of the data folder copied into a scratch working directory.
#include "mox/demo_wnd.h"
#include "mox/shader_manager.h"
#include "mox/sprite.h"
#include "mox/stereo.h"
#include "tests/mox/shader_test_support.h"
#include "w32/native.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using mox_test::Printed;
using mox_test::ReadFile;

constexpr int W = 800, H = 600;
const std::string kShaders = MOX_SHADER_SOURCE_DIR;

struct Rgb {
    float r, g, b;
};

std::vector<float> eyesSeen;

// The left eye (positive offset) draws an orange box, the right eye a teal
// one, over a two-tone background: a swapped or missing eye shows everywhere.
void DrawTestScene()
{
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    eyesSeen.push_back(modelView[12]);
    glBegin(GL_QUADS);
    glColor3f(0.1f, 0.2f, 0.6f);
    glVertex3f(-3, -3, -1), glVertex3f(3, -3, -1);
    glColor3f(0.7f, 0.7f, 0.2f);
    glVertex3f(3, 3, -1), glVertex3f(-3, 3, -1);
    modelView[12] > 0 ? glColor3f(1.0f, 0.5f, 0.1f) : glColor3f(0.1f, 0.8f, 0.7f);
    glVertex3f(-0.4f, -0.3f, 0), glVertex3f(0.4f, -0.3f, 0), glVertex3f(0.4f, 0.3f, 0), glVertex3f(-0.4f, 0.3f, 0);
    glEnd();
}

// Reads the frame back where sprites draw: after the scene, before the swap.
struct FrameProbe : MOXSprite {
    std::vector<unsigned char> pixels = std::vector<unsigned char>(W * H * 3);
    void draw() override { glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, pixels.data()); }
    const unsigned char* at(int x, int y) const { return &pixels[(y * W + x) * 3]; }
    bool hitTest(int, int) override { return false; }
    bool onMouse(int, int, int, int) override { return false; }
    bool onMotion(int, int) override { return false; }
};

class StereoWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        w32::CWndApp::SetCurrent(&app_);
        spriteList = {&probe_};
    }
    void TearDown() override
    {
        window_.reset();
        spriteList.clear();
        w32::CWndApp::SetCurrent(nullptr);
        mox::Programs().current = -1;
    }
    void InstallShaders(const std::string& fragment = ReadFile(kShaders + "/merge3DShader.cxx"))
    {
        dir_.write("shader/merge3DShader.hxx", ReadFile(kShaders + "/merge3DShader.hxx"));
        dir_.write("shader/merge3DShader.cxx", fragment);
    }

    // Opens the window as the program does, in mode 1; returns what it printed.
    std::string Open(void (*setup)(mox::DemoWnd&) = &mox::StereoSetup)
    {
        SceneWidth = W, SceneHeight = H;
        window_ = std::make_unique<mox::DemoWnd>();
        window_->RenderMode = 1;
        window_->StereoSetup = setup;
        window_->OnDrawScene = DrawTestScene;
        window_->OnInitGL = onInitGL_;
        window_->hWnd = w32::CreateNativeWindow(w32::WindowClassName(), "", w32::WS_OVERLAPPEDWINDOW,
                                                w32::CW_USEDEFAULT, 0, w32::CW_USEDEFAULT, 0);
        return Printed([&] {
            EXPECT_EQ(window_->SetupAfterCreation(), 1);
            EXPECT_EQ(window_->InitGL(0, 24, 24, 0, 0, 0, 0, 1), 1);
            window_->SetClientSize(W, H);
        });
    }
    void Frame()
    {
        eyesSeen.clear();
        window_->Render();
    }
    bool AllRed() const
    {
        for (std::size_t i = 0; i < probe_.pixels.size(); i += 3)
            if (probe_.pixels[i] != 255 || probe_.pixels[i + 1] != 0 || probe_.pixels[i + 2] != 0)
                return false;
        return true;
    }

    mox_test::ScratchDir dir_;
    w32::CWndApp app_;
    FrameProbe probe_;
    std::unique_ptr<mox::DemoWnd> window_;
    std::function<void()> onInitGL_;
};

std::vector<Rgb> Texture(GLuint name)
{
    std::vector<Rgb> texels(W * H);
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

// Linear sample of row y at texture coordinate u, wrapping like the targets.
Rgb Sample(const std::vector<Rgb>& image, int y, float u)
{
    const float t = u * W - 0.5f;
    const int x = static_cast<int>(std::floor(t));
    const float f = t - x;
    const Rgb& a = image[y * W + (x + W) % W];
    const Rgb& b = image[y * W + (x + 1 + W) % W];
    return {a.r + (b.r - a.r) * f, a.g + (b.g - a.g) * f, a.b + (b.b - a.b) * f};
}

// What the merge shader makes of pixel (x, y): each eye shifted by half the
// bias towards the other, mixed with Dubois' red-cyan weights.
Rgb Anaglyph(const std::vector<Rgb>& left, const std::vector<Rgb>& right, int x, int y)
{
    const float u = (x + 0.5f) / W, half = 0.5f * mox::MergeBias;
    const Rgb l = Sample(left, y, std::clamp(u + half, 0.0f, 1.0f));
    const Rgb r = Sample(right, y, std::clamp(u - half, 0.0f, 1.0f));
    auto unit = [](float v) { return std::clamp(v, 0.0f, 1.0f); };
    return {unit(0.456f * l.r + 0.500f * l.g + 0.176f * l.b - 0.043f * r.r - 0.088f * r.g - 0.002f * r.b),
            unit(-0.040f * l.r - 0.038f * l.g - 0.016f * l.b + 0.378f * r.r + 0.734f * r.g - 0.018f * r.b),
            unit(-0.015f * l.r - 0.021f * l.g - 0.005f * l.b - 0.072f * r.r - 0.113f * r.g + 1.226f * r.b)};
}

TEST_F(StereoWindowTest, EachFrameIsTheAnaglyphOfBothEyes)
{
    InstallShaders();
    const std::string out = Open();
    EXPECT_EQ(out.find("[FBO]Init success.\n"), 0u) << out;
    EXPECT_NE(out.find("[GLSL] Loading shader//merge3DShader.hxx and shader//merge3DShader.cxx success!\n"),
              std::string::npos) << out;
    ASSERT_GE(mox::Stereo().mergeProgram, 0);

    for (int frame = 0; frame < 2; ++frame) {
        SCOPED_TRACE(frame);
        Frame();
        EXPECT_EQ(eyesSeen, (std::vector<float>{0.044f, -0.044f})) << "OnDrawScene once per eye";
        GLint program = -1;
        glGetIntegerv(GL_CURRENT_PROGRAM, &program);
        EXPECT_EQ(program, 0);
        EXPECT_EQ(mox::Programs().current, -1);

        const std::vector<Rgb> left = Texture(mox::Stereo().left.colour);
        const std::vector<Rgb> right = Texture(mox::Stereo().right.colour);
        EXPECT_NEAR(left[(H / 2) * W + W / 2].g, 0.5f, 0.01f) << "orange left eye";
        EXPECT_NEAR(right[(H / 2) * W + W / 2].g, 0.8f, 0.01f) << "teal right eye";
        int worst = 0;
        for (int y = 0; y < H; ++y) {
            for (int x = 0; x < W; ++x) {
                const Rgb e = Anaglyph(left, right, x, y);
                const unsigned char* got = probe_.at(x, y);
                worst = std::max({worst, std::abs(got[0] - int(std::lround(e.r * 255))),
                                  std::abs(got[1] - int(std::lround(e.g * 255))),
                                  std::abs(got[2] - int(std::lround(e.b * 255)))});
            }
        }
        EXPECT_LE(worst, 3) << "largest channel difference from the anaglyph";
    }
}

TEST_F(StereoWindowTest, WithoutAMergeProgramTheFrameIsRed)
{
    // State a scene may leave on must not tint or hide the quad.
    onInitGL_ = [] {
        glEnable(GL_LIGHTING), glEnable(GL_LIGHT0), glEnable(GL_CULL_FACE), glCullFace(GL_FRONT);
    };
    for (const bool install : {false, true}) {
        if (install)
            InstallShaders("");  // an empty fragment file
        const std::string out = Open();
        EXPECT_NE(out.find(install ? "[GLSL] error: can't load fragment shader!\n"
                                   : "[GLSL] error: can't load vertex shader!\n"),
                  std::string::npos) << out;
        EXPECT_EQ(mox::Stereo().mergeProgram, -1);
        Frame();
        EXPECT_EQ(eyesSeen.size(), 2u);
        EXPECT_TRUE(AllRed());
        EXPECT_EQ(mox::Programs().current, -1);
    }
}

void* LookupWithoutRenderbuffers(const char* name)
{
    return std::strcmp(name, "glIsRenderbufferEXT") == 0 ? nullptr : w32::GetGLProcAddress(name);
}

TEST_F(StereoWindowTest, MissingFramebufferEntryPointsGiveTheMonoScene)
{
    const std::string out = Open([](mox::DemoWnd&) { mox::StereoSetup(W, H, LookupWithoutRenderbuffers); });
    EXPECT_EQ(out.find("[FBO]Init fail.\n"), 0u) << out;
    Frame();
    EXPECT_EQ(eyesSeen, std::vector<float>{0.0f});
    EXPECT_EQ(probe_.at(W / 2, H / 2)[1], 204) << "the plain scene's teal box";
    EXPECT_TRUE(Printed([] { mox::LoadFramebufferEntryPoints(); }) == "[FBO]Init success.\n");
}

}  // namespace

// The demo window in stereo mode on a real GL context, and the shader manager
// on its merge program, with the shader files copied into a scratch folder.
#include "mox/demo_wnd.h"
#include "mox/shader_manager.h"
#include "mox/sprite.h"
#include "mox/stereo.h"
#include "w32/native.h"
#include "tests/printed.h"

#include <GL/glew.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

namespace {

// A fresh folder, made the working directory while it lives, then removed.
class ScratchDir {
public:
    ScratchDir() : previous_(std::filesystem::current_path())
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "mox-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : "";
        std::filesystem::current_path(path_);
    }
    ~ScratchDir()
    {
        std::filesystem::current_path(previous_);
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    // Writes the bytes exactly as given.
    void write(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path previous_, path_;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr int W = 800, H = 600;
const std::string kShaders = MOX_SHADER_SOURCE_DIR;
const std::string kVertexFile = "shader//merge3DShader.hxx";
const std::string kFragmentFile = "shader//merge3DShader.cxx";

struct Rgb {
    float r, g, b;
};

std::vector<float> eyesSeen;

// The left eye (positive offset) draws an orange box, the right eye a teal
// one, over a blue background: a swapped or missing eye shows everywhere.
void DrawTestScene()
{
    GLfloat modelView[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    eyesSeen.push_back(modelView[12]);
    glColor3f(0.1f, 0.2f, 0.6f);
    glRectf(-3, -3, 3, 3);
    const Rgb eye = modelView[12] > 0 ? Rgb{1.0f, 0.5f, 0.1f} : Rgb{0.1f, 0.8f, 0.7f};
    glColor3f(eye.r, eye.g, eye.b);
    glRectf(-0.4f, -0.3f, 0.4f, 0.3f);
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
    }
    void InstallShaders(const std::string& vertex, const std::string& fragment)
    {
        dir_.write(kVertexFile, vertex);
        dir_.write(kFragmentFile, fragment);
    }

    // Opens the window as the program does, in mode 1; returns what it printed.
    std::string Open(void (*setup)(mox::DemoWnd&) = &mox::StereoSetup)
    {
        SceneWidth = W;
        SceneHeight = H;
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
            if (probe_.pixels[i] != 255 || probe_.pixels[i + 1] != 0 || probe_.pixels[i + 2] != 0) return false;
        return true;
    }

    ScratchDir dir_;
    const std::string vertex_ = ReadFile(kShaders + "/merge3DShader.hxx");
    const std::string fragment_ = ReadFile(kShaders + "/merge3DShader.cxx");
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

GLint Integer(GLenum name)
{
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

TEST_F(StereoWindowTest, OneProgramAtATimeSamplersOnConsecutiveUnitsAndTheFrameIsTheAnaglyphOfBothEyes)
{
    // Windows line ends in the files load as single line feeds.
    InstallShaders(std::regex_replace(vertex_, std::regex("\n"), "\r\n"),
                   std::regex_replace(fragment_, std::regex("\n"), "\r\n"));
    const std::string out = Open();
    EXPECT_EQ(out.find("[FBO]Init success.\n"), 0u) << out;
    EXPECT_NE(out.find("[GLSL] Loading " + kVertexFile + " and " + kFragmentFile + " success!\n"), std::string::npos)
        << out;
    const std::int32_t id = mox::Stereo().mergeProgram;
    ASSERT_GE(id, 0);
    mox::glShader* program = mox::Programs().programs[id];
    ASSERT_EQ(program->stages.size(), 2u);
    EXPECT_EQ(program->stages[0]->source, vertex_);
    EXPECT_EQ(program->stages[1]->source, fragment_);
    const std::int32_t other = mox::RegisterProgram(kVertexFile.c_str(), kFragmentFile.c_str());

    // Linking again warns, detaches and attaches the same two stages; the
    // frame below shows the program still merges.
    EXPECT_EQ(Printed([&] { EXPECT_TRUE(mox::LinkProgram(program)); }),
              "**warning** Object is already linked, trying to link again\n");
    GLint attached = 0;
    glGetProgramiv(program->program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 2);

    ASSERT_TRUE(mox::UseProgramById(id));
    EXPECT_FALSE(mox::UseProgramById(other));
    EXPECT_EQ(static_cast<GLuint>(Integer(GL_CURRENT_PROGRAM)), program->program);
    const char* const names[] = {"imgL", "imgR"};
    for (GLint unit = 0; unit < 2; ++unit) {
        EXPECT_TRUE(mox::BindSamplerTexture(program, names[unit], mox::Stereo().left.colour, true));
        GLint sampler = -1;
        glGetUniformiv(program->program, glGetUniformLocation(program->program, names[unit]), &sampler);
        EXPECT_EQ(sampler, unit);
    }
    mox::ReleaseProgram(program);
    mox::Programs().current = -1;
    EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0); // later fixed-function texturing expects it
    for (GLint unit = 0; unit < 2; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "GL errors are drained";

    Frame();
    EXPECT_EQ(eyesSeen, (std::vector<float>{0.044f, -0.044f})) << "OnDrawScene once per eye";
    EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
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

TEST_F(StereoWindowTest, WithoutAMergeProgramTheFrameIsRedAfterTheReasonIsPrinted)
{
    // State a scene may leave on must not tint or hide the quad.
    onInitGL_ = [] {
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_FRONT);
    };
    const std::string broken = "void main() { this is not glsl }\n";
    const std::string mismatch = "varying vec4 screenCoord;\nvoid main() { gl_FragColor = screenCoord; }\n";
    // Load failures print exactly their line; compile and link failures add
    // the compiler's or linker's own log. The first case has no files at all.
    const struct {
        std::string vertex, fragment, message;
        bool log;
    } cases[] = {
        {"", "", "[GLSL] error: can't load vertex shader!\n", false},
        {vertex_, "", "[GLSL] error: can't load fragment shader!\n", false},
        {broken, fragment_, "[GLSL] COMPILER ERROR (Vertex Shader):\n", true},
        {vertex_, broken, "[GLSL] COMPILER ERROR (Fragment Shader):\n", true},
        {vertex_, mismatch, "**linker error**\n[GLSL] LINKER ERROR\n", true},
    };
    const std::size_t registered = mox::Programs().programs.size();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        if (&c != &cases[0]) InstallShaders(c.vertex, c.fragment);
        const std::string out = Open();
        const std::size_t start = out.find("[GLSL] Loading");
        ASSERT_NE(start, std::string::npos) << out;
        const std::string printed = out.substr(start);
        const std::string head = "[GLSL] Loading " + kVertexFile + " and " + kFragmentFile + "\n" + c.message;
        EXPECT_EQ(printed.substr(0, head.size()), head);
        if (c.log)
            EXPECT_NE(printed.find("error", head.size()), std::string::npos) << "log missing: " << out;
        else
            EXPECT_EQ(printed, head);
        EXPECT_EQ(mox::Stereo().mergeProgram, -1);
        EXPECT_EQ(mox::Programs().programs.size(), registered);
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

} // namespace

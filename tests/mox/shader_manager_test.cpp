// The shader manager against a real GL context (Mesa under Xvfb).
#include "mox/shader_manager.h"
#include "tests/mox/shader_test_support.h"

#include <GL/glew.h>

#include <regex>
#include <utility>

namespace {

using mox_test::Printed;

const char kVertex[] = "varying vec2 uv;\nvoid main() { gl_Position = ftransform(); uv = gl_Vertex.xy; }\n";
const char kTwoSamplers[] =
    "uniform sampler2D first;\nuniform sampler2D second;\nvarying vec2 uv;\n"
    "void main() { gl_FragColor = texture2D(first, uv) + texture2D(second, uv); }\n";

class ShaderManagerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(gl_.ok()) << SDL_GetError();
        Printed([] { mox::InitGlew(); });
        ASSERT_TRUE(mox::GlslAvailable());
    }
    void TearDown() override { glUseProgram(0), mox::Programs().current = -1; }

    // The program's id and what registering it printed.
    std::pair<std::int32_t, std::string> Register(const std::string& vert, const std::string& frag)
    {
        std::int32_t id = -2;
        std::string out = Printed([&] { id = mox::RegisterProgram(vert.c_str(), frag.c_str()); });
        return {id, out};
    }
    GLint Integer(GLenum name)
    {
        GLint value = -1;
        glGetIntegerv(name, &value);
        return value;
    }

    mox_test::GlWindow gl_;
    mox_test::ScratchDir dir_;
};

TEST_F(ShaderManagerTest, RegistersFilesWithWindowsLineEnds)
{
    const std::string crlf = std::regex_replace(kTwoSamplers, std::regex("\n"), "\r\n");
    const std::string vert = dir_.write("a.hxx", kVertex), frag = dir_.write("a.cxx", crlf);
    const auto [id, out] = Register(vert, frag);
    ASSERT_EQ(id + 1, static_cast<std::int32_t>(mox::Programs().programs.size())) << out;
    EXPECT_EQ(out, "[GLSL] Loading " + vert + " and " + frag + "\n[GLSL] Loading " + vert + " and " +
                       frag + " success!\n");
    mox::glShader* program = mox::Programs().programs[id];
    ASSERT_EQ(program->stages.size(), 2u);
    EXPECT_STREQ(program->stages[1]->source, kTwoSamplers);

    // Linking again warns, detaches and attaches the same two stages.
    EXPECT_EQ(Printed([&] { EXPECT_TRUE(mox::LinkProgram(program)); }),
              "**warning** Object is already linked, trying to link again\n");
    GLint attached = 0;
    glGetProgramiv(program->program, GL_ATTACHED_SHADERS, &attached);
    EXPECT_EQ(attached, 2);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "GL errors are drained";
}

TEST_F(ShaderManagerTest, FailuresPrintTheirReasonAndGiveMinusOne)
{
    const std::string vert = dir_.write("v", kVertex), frag = dir_.write("f", kTwoSamplers);
    const std::string empty = dir_.write("empty", ""), gone = (dir_.path() / "gone").string();
    const std::string broken = dir_.write("broken", "void main() { this is not glsl }\n");
    const std::string mismatch = dir_.write("m", "varying vec4 uv;\nvoid main() { gl_FragColor = uv; }\n");
    const std::size_t before = mox::Programs().programs.size();
    // Load failures print exactly their line; compile and link failures add
    // the compiler's or linker's own log.
    const struct {
        std::string vert, frag, message;
        bool log;
    } cases[] = {
        {gone, frag, "[GLSL] error: can't load vertex shader!\n", false},
        {vert, empty, "[GLSL] error: can't load fragment shader!\n", false},
        {broken, frag, "[GLSL] COMPILER ERROR (Vertex Shader):\n", true},
        {vert, broken, "[GLSL] COMPILER ERROR (Fragment Shader):\n", true},
        {vert, mismatch, "**linker error**\n[GLSL] LINKER ERROR\n", true},
    };
    for (const auto& c : cases) {
        const auto [id, out] = Register(c.vert, c.frag);
        EXPECT_EQ(id, -1);
        const std::string head = "[GLSL] Loading " + c.vert + " and " + c.frag + "\n" + c.message;
        EXPECT_EQ(out.substr(0, head.size()), head);
        if (c.log)
            EXPECT_NE(out.find("error", head.size()), std::string::npos) << "log missing: " << out;
        else
            EXPECT_EQ(out, head);
    }
    EXPECT_EQ(mox::Programs().programs.size(), before);
}

TEST_F(ShaderManagerTest, OneProgramAtATimeSamplersTakeConsecutiveUnitsUntilRelease)
{
    const std::string vert = dir_.write("v", kVertex), frag = dir_.write("f", kTwoSamplers);
    const std::int32_t id = Register(vert, frag).first, other = Register(vert, frag).first;
    ASSERT_GE(id, 0);
    mox::glShader* program = mox::Programs().programs[id];
    GLuint textures[2];
    glGenTextures(2, textures);

    ASSERT_TRUE(mox::UseProgramById(id));
    EXPECT_FALSE(mox::UseProgramById(other));
    EXPECT_EQ(static_cast<GLuint>(Integer(GL_CURRENT_PROGRAM)), program->program);
    const char* const names[] = {"first", "second"};
    for (GLint unit = 0; unit < 2; ++unit) {
        EXPECT_TRUE(mox::BindSamplerTexture(program, names[unit], textures[unit], true));
        GLint sampler = -1;
        glGetUniformiv(program->program, glGetUniformLocation(program->program, names[unit]), &sampler);
        EXPECT_EQ(sampler, unit);
        EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GLint(GL_TEXTURE0 + unit));
        EXPECT_EQ(static_cast<GLuint>(Integer(GL_TEXTURE_BINDING_2D)), textures[unit]);
    }
    EXPECT_FALSE(mox::BindSamplerTexture(program, "third", textures[1], false));

    mox::ReleaseProgram(program);
    mox::Programs().current = -1;
    EXPECT_EQ(Integer(GL_CURRENT_PROGRAM), 0);
    EXPECT_EQ(Integer(GL_ACTIVE_TEXTURE), GL_TEXTURE0);  // later fixed-function texturing expects it
    for (GLint unit = 0; unit < 2; ++unit) {
        glActiveTexture(GL_TEXTURE0 + unit);
        EXPECT_EQ(Integer(GL_TEXTURE_BINDING_2D), 0);
    }
    EXPECT_TRUE(mox::UseProgramById(other));
    glDeleteTextures(2, textures);
}

}  // namespace

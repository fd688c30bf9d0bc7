// Source loading and loading without GLSL. No GL context is made here, so
// GLSL never becomes available in this process.
#include "mox/shader_manager.h"
#include "tests/mox/shader_test_support.h"

namespace {

using mox_test::Printed;
using mox_test::ScratchDir;

TEST(ShaderSource, LoadsFilesAndTellsFailuresApart)
{
    ScratchDir dir;
    mox::aFragmentShader stage;
    EXPECT_EQ(mox::LoadStageSource(&stage, (dir.path() / "absent").c_str()), -1);
    EXPECT_EQ(mox::LoadStageSource(&stage, dir.path().c_str()), -1) << "a folder is not a file";
    EXPECT_EQ(mox::LoadStageSource(&stage, dir.write("empty", "").c_str()), -2);
    EXPECT_EQ(stage.source, nullptr);

    ASSERT_EQ(mox::LoadStageSource(&stage, dir.write("crlf", "void main()\r\n{\r\n}\r\n").c_str()), 0);
    EXPECT_STREQ(stage.source, "void main()\n{\n}\n");
    EXPECT_TRUE(stage.ownsSource);
    // A carriage return that ends no line is text; a last line may lack its end.
    ASSERT_EQ(mox::LoadStageSource(&stage, dir.write("odd", "a\rb\r\nc\r").c_str()), 0);
    EXPECT_STREQ(stage.source, "a\rb\nc\r");
    EXPECT_EQ(mox::LoadStageSource(&stage, dir.write("empty2", "").c_str()), -2);
    EXPECT_STREQ(stage.source, "a\rb\nc\r") << "a failed reload keeps the previous text";
}

TEST(ShaderSource, WithoutGlslLoadingFailsAtTheVertexCompile)
{
    ScratchDir dir;
    const std::string vert = dir.write("m.hxx", "void main() { gl_Position = ftransform(); }\n");
    const std::string frag = dir.write("m.cxx", "void main() { gl_FragColor = vec4(1.0); }\n");
    mox::glShader* program = nullptr;
    const std::string out = Printed([&] { program = mox::LoadProgramFromFiles(vert.c_str(), frag.c_str()); });
    EXPECT_EQ(program, nullptr);
    EXPECT_EQ(out, "[GLSL] Loading " + vert + " and " + frag + "\n" +
                       "**ERROR: OpenGL Shading Language is NOT available!\n"
                       "[GLSL] COMPILER ERROR (Vertex Shader):\n"
                       "[e00] GLSL is not available!\n");
    EXPECT_TRUE(mox::ShaderManager().programs.empty());
    EXPECT_FALSE(mox::GlslAvailable());
}

}  // namespace

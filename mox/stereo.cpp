#include "mox/stereo.h"

#include "mox/demo_wnd.h"
#include "mox/shader_manager.h"
#include "w32/native.h"
#include "w32/scene.h"

#include <GL/glew.h>

#include <cstdio>
#include <string>

namespace mox {

namespace {

void* PlatformLookup(const char* name)
{
    return w32::GetGLProcAddress(name);
}

// The textures are made without data; the eye images arrive by blits.
StereoTarget CreateTarget(int width, int height, bool* complete)
{
    StereoTarget target;
    GLuint textures[2] = {0, 0};
    glGenTextures(2, textures);
    target.colour = textures[0];
    target.depth = textures[1];

    const struct {
        GLuint name;
        GLint internalFormat;
        GLenum format;
        GLenum type;
    } layers[] = {
        {target.colour, GL_RGB16F_ARB, GL_RGB, GL_FLOAT},
        {target.depth, GL_DEPTH_COMPONENT, GL_DEPTH_COMPONENT, GL_UNSIGNED_BYTE},
    };
    for (const auto& layer : layers) {
        glBindTexture(GL_TEXTURE_2D, layer.name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
        glTexImage2D(GL_TEXTURE_2D, 0, layer.internalFormat, width, height, 0, layer.format, layer.type, nullptr);
    }
    glBindTexture(GL_TEXTURE_2D, 0);

    GLuint framebuffer = 0;
    glGenFramebuffersEXT(1, &framebuffer);
    target.framebuffer = framebuffer;
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, target.colour, 0);
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, target.depth, 0);
    *complete = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    if (*complete) {
        // Defined contents: a client smaller than the scene leaves part of each
        // eye image unwritten, and the merge's shifted samples may reach it.
        glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPopAttrib();
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    return target;
}

// Copies the client area from one framebuffer to another, colour only.
void CopyColour(GLuint from, GLuint to, int width, int height)
{
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, from);
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, to);
    glBlitFramebufferEXT(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebufferEXT(GL_READ_FRAMEBUFFER_EXT, 0);
    glBindFramebufferEXT(GL_DRAW_FRAMEBUFFER_EXT, 0);
}

glShader* TableEntry(std::int32_t id)
{
    const ProgramTable& table = Programs();
    if (id < 0 || static_cast<std::size_t>(id) >= table.programs.size()) return nullptr;
    return table.programs[id];
}

void MergePass()
{
    StereoState& state = Stereo();
    glPushAttrib(0xFFFFF);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, state.merge.framebuffer);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    // The eye images sit at the scene size in the targets, so the merge covers
    // exactly that area whatever the client size is.
    glViewport(0, 0, state.width, state.height);
    // Whatever the scene left switched on must not light, cull, blend or
    // depth-test the merge quad; the pushed attributes bring it all back.
    for (GLenum capability : {GL_LIGHTING, GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_ALPHA_TEST, GL_TEXTURE_2D, GL_FOG,
                              GL_SCISSOR_TEST, GL_STENCIL_TEST})
        glDisable(capability);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -3.5f);

    UseProgramById(state.mergeProgram);
    glShader* program = TableEntry(state.mergeProgram != -1 ? state.mergeProgram : Programs().current);
    if (program) {
        BindSamplerTexture(program, "imgL", state.left.colour, true);
        BindSamplerTexture(program, "imgR", state.right.colour, true);
        if (GlslAvailable() && program->enabled) {
            const GLint bias = glGetUniformLocation(program->program, "bias");
            if (bias != -1) glUniform1f(bias, MergeBias);
        }
    }

    glBegin(GL_QUADS);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3f(1.0f, 1.0f, 0.0f);
    glVertex3f(-1.0f, 1.0f, 0.0f);
    glVertex3f(-1.0f, -1.0f, 0.0f);
    glVertex3f(1.0f, -1.0f, 0.0f);
    glEnd();

    if (glShader* current = TableEntry(Programs().current)) {
        ReleaseProgram(current);
    }
    Programs().current = -1;

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

} // namespace

StereoState& Stereo()
{
    static StereoState state;
    return state;
}

bool LoadFramebufferEntryPoints(GlProcLookup lookup)
{
    if (!lookup) lookup = PlatformLookup;
    bool all = true;
    // Stored straight into the extension loader's pointers, so every caller of
    // the usual names sees them.
#define MOX_FBO_ENTRY(type, name)                                                                                      \
    name = reinterpret_cast<type>(lookup(#name));                                                                      \
    all = all && name != nullptr;
    MOX_FBO_ENTRY(PFNGLGENFRAMEBUFFERSEXTPROC, glGenFramebuffersEXT)
    MOX_FBO_ENTRY(PFNGLDELETEFRAMEBUFFERSEXTPROC, glDeleteFramebuffersEXT)
    MOX_FBO_ENTRY(PFNGLBINDFRAMEBUFFEREXTPROC, glBindFramebufferEXT)
    MOX_FBO_ENTRY(PFNGLCHECKFRAMEBUFFERSTATUSEXTPROC, glCheckFramebufferStatusEXT)
    MOX_FBO_ENTRY(PFNGLGETFRAMEBUFFERATTACHMENTPARAMETERIVEXTPROC, glGetFramebufferAttachmentParameterivEXT)
    MOX_FBO_ENTRY(PFNGLGENERATEMIPMAPEXTPROC, glGenerateMipmapEXT)
    MOX_FBO_ENTRY(PFNGLFRAMEBUFFERTEXTURE2DEXTPROC, glFramebufferTexture2DEXT)
    MOX_FBO_ENTRY(PFNGLFRAMEBUFFERRENDERBUFFEREXTPROC, glFramebufferRenderbufferEXT)
    MOX_FBO_ENTRY(PFNGLGENRENDERBUFFERSEXTPROC, glGenRenderbuffersEXT)
    MOX_FBO_ENTRY(PFNGLDELETERENDERBUFFERSEXTPROC, glDeleteRenderbuffersEXT)
    MOX_FBO_ENTRY(PFNGLBINDRENDERBUFFEREXTPROC, glBindRenderbufferEXT)
    MOX_FBO_ENTRY(PFNGLRENDERBUFFERSTORAGEEXTPROC, glRenderbufferStorageEXT)
    MOX_FBO_ENTRY(PFNGLGETRENDERBUFFERPARAMETERIVEXTPROC, glGetRenderbufferParameterivEXT)
    MOX_FBO_ENTRY(PFNGLISRENDERBUFFEREXTPROC, glIsRenderbufferEXT)
#undef MOX_FBO_ENTRY
    std::fputs(all ? "[FBO]Init success.\n" : "[FBO]Init fail.\n", stdout);
    std::fflush(stdout);
    return all;
}

void StereoSetup(int sceneWidth, int sceneHeight, GlProcLookup lookup)
{
    StereoState& state = Stereo();
    state = StereoState{};
    state.width = sceneWidth > 0 ? sceneWidth : 1;
    state.height = sceneHeight > 0 ? sceneHeight : 1;
    // Without the entry points the targets cannot be made: calling through the
    // missing pointers would crash, so the pass falls back to the mono scene.
    if (!LoadFramebufferEntryPoints(lookup)) return;
    bool complete[3] = {false, false, false};
    state.left = CreateTarget(state.width, state.height, &complete[0]);
    state.right = CreateTarget(state.width, state.height, &complete[1]);
    state.merge = CreateTarget(state.width, state.height, &complete[2]);
    state.framebuffersReady = complete[0] && complete[1] && complete[2];
    if (!state.framebuffersReady) {
        std::fputs("[FBO]Render target incomplete, showing the mono scene.\n", stdout);
        std::fflush(stdout);
    }
}

std::int32_t LoadMergeProgram()
{
    const std::string vertex = std::string(ShaderFolder) + "//merge3DShader.hxx";
    const std::string fragment = std::string(ShaderFolder) + "//merge3DShader.cxx";
    Stereo().mergeProgram = RegisterProgram(vertex.c_str(), fragment.c_str());
    return Stereo().mergeProgram;
}

void StereoPass(const std::function<void(float eyeOffset)>& scenePass, int width, int height)
{
    const StereoState& state = Stereo();
    // The blits come from the extension loader, which only has them once the
    // merge program's registration initialised it.
    if (!state.framebuffersReady || glBlitFramebufferEXT == nullptr) {
        scenePass(0.0f);
        return;
    }
    scenePass(LeftEyeOffset);
    CopyColour(0, state.left.framebuffer, width, height);
    scenePass(RightEyeOffset);
    CopyColour(0, state.right.framebuffer, width, height);
    MergePass();
    CopyColour(state.merge.framebuffer, 0, width, height);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
}

void StereoSetup(DemoWnd& /*window*/)
{
    StereoSetup(SceneWidth, SceneHeight);
    LoadMergeProgram();
}

void StereoPass(DemoWnd& window)
{
    StereoPass([&window](float eyeOffset) { window.ScenePass(eyeOffset); }, window.width, window.height);
}

} // namespace mox

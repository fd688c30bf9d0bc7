#include "mox/shader_manager.h"

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace mox {

namespace {

bool g_glewInitialised = false;
bool g_glslAvailable = false;
bool g_shadersInitialised = false;

const char kNoGlsl[] = "[e00] GLSL is not available!";
const char kNoStageObject[] = "[e01] Not a valid program object!";
const char kNoProgramObject[] = "[e02] Not a valid object!";
const char kOutOfMemory[] = "[e03] Out of memory!";
const char kNoLinkerLog[] = "[e05] Linker log is not available!";
const char kNoCompilerLog[] = "[e06] Compiler log is not available!";

void Say(const char* text)
{
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// GL errors never change a result here; they are read and dropped so they do
// not surface in someone else's glGetError. Capped so a lost context cannot
// keep us spinning.
void DrainGlErrors()
{
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
}

const char* NameOrNone(const char* name)
{
    return name ? name : "(none)";
}

// Removes the carriage return of every "\r\n" pair in place; returns the new length.
std::size_t FoldWindowsLineEnds(char* text, std::size_t length)
{
    std::size_t out = 0;
    for (std::size_t in = 0; in < length; ++in) {
        if (text[in] == '\r' && in + 1 < length && text[in + 1] == '\n') continue;
        text[out++] = text[in];
    }
    return out;
}

// Fetches the info log of a shader or program object into *log, asking its
// length with `lengthOf` and its text with `fetch`; returns the text to hand out.
template <typename LengthOf, typename Fetch>
const char* FillLog(char** log, GLuint object, LengthOf lengthOf, Fetch fetch, const char* none)
{
    GLint length = 0;
    lengthOf(object, GL_INFO_LOG_LENGTH, &length);
    DrainGlErrors();
    if (length > 1) {
        std::free(*log);
        *log = static_cast<char*>(std::malloc(static_cast<std::size_t>(length)));
        if (!*log) {
            Say("ERROR: Could not allocate compiler_log buffer\n");
            return kOutOfMemory;
        }
        GLsizei written = 0;
        fetch(object, length, &written, *log);
        DrainGlErrors();
        (*log)[written < length ? written : length - 1] = '\0';
    } else {
        // A clean compile or link has no log; an older one would mislead.
        std::free(*log);
        *log = nullptr;
    }
    return *log ? *log : none;
}

} // namespace

// ---- stages ---------------------------------------------------------------

glShaderObject::glShaderObject(std::int32_t stageKind, unsigned glStageType) : stage(stageKind)
{
    if (g_glslAvailable) {
        object = glCreateShaderObjectARB(glStageType);
        DrainGlErrors();
    }
}

glShaderObject::~glShaderObject()
{
    std::free(compilerLog);
    if (ownsSource) std::free(source);
    // Deleted whether or not it compiled: a failed stage still holds a GL name.
    if (object != 0 && g_glslAvailable) {
        glDeleteObjectARB(object);
        DrainGlErrors();
    }
}

aVertexShader::aVertexShader() : glShaderObject(1, GL_VERTEX_SHADER_ARB) {}

aFragmentShader::aFragmentShader() : glShaderObject(2, GL_FRAGMENT_SHADER_ARB) {}

// ---- programs -------------------------------------------------------------

glShader::glShader()
{
    if (g_glslAvailable) {
        program = glCreateProgram();
        DrainGlErrors();
    } else {
        Say("**ERROR: OpenGL Shading Language is NOT available!\n");
    }
}

glShader::~glShader()
{
    std::free(linkerLog);
    for (glShaderObject* stage : stages) {
        if (g_glslAvailable && program != 0 && stage) {
            glDetachShader(program, stage->object);
            DrainGlErrors();
        }
        if (ownsStages) delete stage;
    }
    if (g_glslAvailable && program != 0) {
        glDeleteProgram(program);
        DrainGlErrors();
    }
}

glShaderManager::~glShaderManager()
{
    // Programs outlive the manager: the program table still points at them and
    // no GL context is guaranteed to be current at process exit.
    programs.clear();
}

glShaderManager& ShaderManager()
{
    static glShaderManager manager;
    return manager;
}

ProgramTable& Programs()
{
    // Registered programs live until the process ends; the table is never
    // destroyed, so they stay reachable to the very end instead of being
    // orphaned by an exit-time destructor.
    static ProgramTable* table = new ProgramTable;
    return *table;
}

bool GlewInitialised()
{
    return g_glewInitialised;
}
bool GlslAvailable()
{
    return g_glslAvailable;
}
bool ShadersInitialised()
{
    return g_shadersInitialised;
}

// ---- extension checks -------------------------------------------------------

bool InitGlew()
{
    if (g_glewInitialised) return true;
    g_glewInitialised = true;
    const GLenum code = glewInit();
    DrainGlErrors();
    if (code != GLEW_OK) {
        std::printf("Error:%s\n", reinterpret_cast<const char*>(glewGetErrorString(code)));
        std::fflush(stdout);
        g_glewInitialised = false;
        return false;
    }
    EnsureGlsl();
    return true;
}

bool EnsureGlsl()
{
    if (g_glslAvailable) return true;
    // A successful InitGlew has just run this check itself; running it again
    // would only print the same failure twice.
    if (!g_glewInitialised && InitGlew()) return g_glslAvailable;
    static const char* const required[][2] = {
        {"GL_ARB_fragment_shader", "[GLSLFAILED] GL_ARB_fragment_shader extension is not available!"},
        {"GL_ARB_vertex_shader", "[GLSLFAILED] GL_ARB_vertex_shader extension is not available!"},
        {"GL_ARB_shader_objects", "[GLSLFAILED] GL_ARB_shader_objects extension is not available!"},
    };
    for (const auto& entry : required) {
        if (glewGetExtension(entry[0]) != 1) {
            Say(entry[1]);
            return false;
        }
    }
    g_glslAvailable = true;
    Say("[GLSL] OpenGL Shading Language is available!\n");
    return true;
}

// ---- sources, compiling, logs ----------------------------------------------

int LoadStageSource(glShaderObject* stage, const char* fileName)
{
    if (!stage || !fileName) return -1;
    std::FILE* file = std::fopen(fileName, "rb");
    if (!file) return -1;
    struct stat info {};
    if (fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
        std::fclose(file);
        return -1;
    }
    long length = -1;
    if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
    if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
        std::fclose(file);
        return -1;
    }
    if (length == 0) {
        std::fclose(file);
        return -2;
    }
    if (stage->ownsSource) std::free(stage->source);
    stage->source = nullptr;
    stage->ownsSource = false;
    char* text = static_cast<char*>(std::malloc(static_cast<std::size_t>(length) + 1));
    if (!text) {
        std::fclose(file);
        return -3;
    }
    std::size_t read = std::fread(text, 1, static_cast<std::size_t>(length), file);
    std::fclose(file);
    read = FoldWindowsLineEnds(text, read);
    text[read] = '\0';
    stage->source = text;
    stage->ownsSource = true;
    return 0;
}

bool CompileStage(glShaderObject* stage)
{
    if (!g_glslAvailable || !stage) return false;
    stage->compiled = false;
    if (!stage->source) return false;
    const GLcharARB* text = stage->source;
    const GLint length = static_cast<GLint>(std::strlen(stage->source));
    glShaderSourceARB(stage->object, 1, &text, &length);
    DrainGlErrors();
    glCompileShaderARB(stage->object);
    DrainGlErrors();
    GLint status = 0;
    glGetObjectParameterivARB(stage->object, GL_OBJECT_COMPILE_STATUS_ARB, &status);
    DrainGlErrors();
    stage->compiled = status != 0;
    return stage->compiled;
}

const char* StageLog(glShaderObject* stage)
{
    if (!g_glslAvailable) return kNoGlsl;
    if (!stage || stage->object == 0) return kNoStageObject;
    return FillLog(&stage->compilerLog, stage->object, glGetShaderiv, glGetInfoLogARB, kNoCompilerLog);
}

const char* ProgramLog(glShader* program)
{
    if (!g_glslAvailable) return kNoGlsl;
    if (!program || program->program == 0) return kNoProgramObject;
    return FillLog(&program->linkerLog, program->program, glGetProgramiv, glGetProgramInfoLog, kNoLinkerLog);
}

// ---- attaching and linking --------------------------------------------------

void AttachStage(glShader* program, glShaderObject* stage)
{
    if (!g_glslAvailable || !stage || !program) return;
    if (!stage->compiled) {
        Say("**warning** please compile program before adding object! trying to compile now...\n");
        if (!CompileStage(stage)) {
            Say("...compile ERROR!\n");
            return;
        }
        Say("...ok!\n");
    }
    program->stages.push_back(stage);
}

bool LinkProgram(glShader* program)
{
    if (!g_glslAvailable || !program) return false;
    if (program->linked) {
        Say("**warning** Object is already linked, trying to link again\n");
        for (glShaderObject* stage : program->stages) {
            glDetachShader(program->program, stage->object);
            DrainGlErrors();
        }
    }
    for (glShaderObject* stage : program->stages) {
        glAttachShader(program->program, stage->object);
        DrainGlErrors();
    }
    glLinkProgram(program->program);
    DrainGlErrors();
    GLint status = 0;
    glGetProgramiv(program->program, GL_LINK_STATUS, &status);
    DrainGlErrors();
    if (status == 0) {
        Say("**linker error**\n");
        return false;
    }
    program->linked = true;
    return true;
}

// ---- loading by file name -----------------------------------------------------

glShader* LoadProgramFromFiles(const char* vertexFile, const char* fragmentFile)
{
    std::printf("[GLSL] Loading %s and %s\n", NameOrNone(vertexFile), NameOrNone(fragmentFile));
    std::fflush(stdout);

    auto* program = new glShader;
    auto* vertex = new aVertexShader;
    auto* fragment = new aFragmentShader;
    auto fail = [&]() -> glShader* {
        delete program; // does not own the stages yet
        delete vertex;
        delete fragment;
        return nullptr;
    };

    if (vertexFile && LoadStageSource(vertex, vertexFile) != 0) {
        Say("[GLSL] error: can't load vertex shader!\n");
        return fail();
    }
    if (fragmentFile && LoadStageSource(fragment, fragmentFile) != 0) {
        Say("[GLSL] error: can't load fragment shader!\n");
        return fail();
    }
    if (vertexFile && !CompileStage(vertex)) {
        std::printf("[GLSL] COMPILER ERROR (Vertex Shader):\n%s\n", StageLog(vertex));
        std::fflush(stdout);
        return fail();
    }
    if (fragmentFile && !CompileStage(fragment)) {
        std::printf("[GLSL] COMPILER ERROR (Fragment Shader):\n%s\n", StageLog(fragment));
        std::fflush(stdout);
        return fail();
    }
    if (vertexFile) AttachStage(program, vertex);
    if (fragmentFile) AttachStage(program, fragment);

    if (!LinkProgram(program)) {
        std::printf("[GLSL] LINKER ERROR\n%s\n", ProgramLog(program));
        std::fflush(stdout);
        return fail();
    }
    // Stages left out of the program are not owned by it.
    if (!vertexFile) delete vertex;
    if (!fragmentFile) delete fragment;
    ShaderManager().programs.push_back(program);
    program->ownsStages = true;
    std::printf("[GLSL] Loading %s and %s success!\n", NameOrNone(vertexFile), NameOrNone(fragmentFile));
    std::fflush(stdout);
    return program;
}

std::int32_t RegisterProgram(const char* vertexFile, const char* fragmentFile)
{
    if (!g_shadersInitialised) {
        InitGlew();
        g_shadersInitialised = true;
    }
    glShader* program = LoadProgramFromFiles(vertexFile, fragmentFile);
    if (!program) return -1;
    ProgramTable& table = Programs();
    table.programs.push_back(program);
    table.vertexFiles.emplace_back(vertexFile ? vertexFile : "");
    table.fragmentFiles.emplace_back(fragmentFile ? fragmentFile : "");
    return static_cast<std::int32_t>(table.programs.size()) - 1;
}

// ---- use and samplers ---------------------------------------------------------

bool UseProgramById(std::int32_t id)
{
    ProgramTable& table = Programs();
    if (table.current != -1) return false;
    if (id < 0 || static_cast<std::size_t>(id) >= table.programs.size() || !table.programs[id]) return false;
    glShader* program = table.programs[id];
    if (g_glslAvailable && program->program != 0 && program->enabled && program->linked) {
        glUseProgram(program->program);
        DrainGlErrors();
        program->textureUnits.clear();
    }
    table.current = id;
    return true;
}

bool BindSamplerTexture(glShader* program, const char* uniformName, std::uint32_t texture, bool newUnit)
{
    if (!g_glslAvailable || !program || !uniformName) return false;
    if (!program->enabled) return true;
    // Reusing "the last unit" before any unit exists starts unit 0 instead of
    // selecting the unit before GL_TEXTURE0.
    if (newUnit || program->textureUnits.empty()) program->textureUnits.push_back(GL_TEXTURE_2D);
    const GLint unit = static_cast<GLint>(program->textureUnits.size()) - 1;
    glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(unit));
    DrainGlErrors();
    glBindTexture(GL_TEXTURE_2D, texture);
    DrainGlErrors();
    const GLint location = glGetUniformLocationARB(program->program, uniformName);
    DrainGlErrors();
    if (location == -1) return false;
    glUniform1iARB(location, unit);
    DrainGlErrors();
    return true;
}

void ReleaseProgram(glShader* program)
{
    if (!g_glslAvailable || !program || !program->enabled) return;
    for (std::size_t i = 0; i < program->textureUnits.size(); ++i) {
        glActiveTexture(GL_TEXTURE0 + static_cast<GLenum>(i));
        glBindTexture(program->textureUnits[i], 0);
        DrainGlErrors();
    }
    if (!program->textureUnits.empty()) {
        glActiveTexture(GL_TEXTURE0); // later fixed-function texturing expects unit 0
        DrainGlErrors();
    }
    program->textureUnits.clear();
    glUseProgram(0);
    DrainGlErrors();
}

} // namespace mox

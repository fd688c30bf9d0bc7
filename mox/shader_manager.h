// GLSL shader manager: loads vertex and fragment sources from text files,
// compiles and links them with their logs kept, binds textures to sampler
// uniforms on consecutive texture units, and keeps every registered program in
// a table addressed by a small integer id.
//
// Contract:
// - Every call needs the thread's GL context current (except where GLSL is not
//   available, in which case no GL call is made at all).
// - Messages go to standard output; failures come back as null, false or -1.
// - Texts returned by StageLog/ProgramLog belong to the object (or are static)
//   and stay valid until the next log query on that object or its destruction.
// - Programs produced by LoadProgramFromFiles live until the process ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mox {

// One compiled stage. Stage 1 is the vertex stage, 2 the fragment stage.
class glShaderObject {
public:
    virtual ~glShaderObject();
    glShaderObject(const glShaderObject&) = delete;
    glShaderObject& operator=(const glShaderObject&) = delete;

    std::int32_t stage = 0;
    std::uint32_t object = 0; // GL shader object; 0 without GLSL
    char* source = nullptr;   // NUL-terminated, or null
    char* compilerLog = nullptr;
    bool compiled = false;
    bool ownsSource = false;

protected:
    glShaderObject(std::int32_t stageKind, unsigned glStageType);
};

class aVertexShader : public glShaderObject {
public:
    aVertexShader();
};

class aFragmentShader : public glShaderObject {
public:
    aFragmentShader();
};

// A program made of attached stages.
class glShader {
public:
    glShader();
    virtual ~glShader();
    glShader(const glShader&) = delete;
    glShader& operator=(const glShader&) = delete;

    std::uint32_t program = 0; // GL program; 0 without GLSL
    char* linkerLog = nullptr;
    bool linked = false;
    std::vector<glShaderObject*> stages;
    bool ownsStages = false;            // destroy the stages with the program
    bool enabled = true;                // false: sampler binding and release do nothing
    std::vector<unsigned> textureUnits; // entry i: target bound on unit i
};

// Every program LoadProgramFromFiles produced (one instance per process).
class glShaderManager {
public:
    glShaderManager() = default;
    virtual ~glShaderManager();
    glShaderManager(const glShaderManager&) = delete;
    glShaderManager& operator=(const glShaderManager&) = delete;

    std::vector<glShader*> programs;
};

glShaderManager& ShaderManager();

// Programs by id (index); current is -1 while no program is in use.
struct ProgramTable {
    std::vector<glShader*> programs;
    std::vector<std::string> vertexFiles;
    std::vector<std::string> fragmentFiles;
    std::int32_t current = -1;
};

ProgramTable& Programs();

// Process-wide flags.
bool GlewInitialised();
bool GlslAvailable();
bool ShadersInitialised();

// Runs glewInit once (and the GLSL check); false when GLEW fails.
bool InitGlew();
// True once the three ARB shader extensions are known to be present.
bool EnsureGlsl();

// 0 success, -1 cannot open, -2 empty file, -3 no memory. Windows line ends
// load as single line feeds.
int LoadStageSource(glShaderObject* stage, const char* fileName);
bool CompileStage(glShaderObject* stage);
const char* StageLog(glShaderObject* stage);

void AttachStage(glShader* program, glShaderObject* stage);
bool LinkProgram(glShader* program);
const char* ProgramLog(glShader* program);

// Either file name may be null to leave that stage out. Null on failure.
glShader* LoadProgramFromFiles(const char* vertexFile, const char* fragmentFile);
// Loads and appends to the program table; the new id, or -1.
std::int32_t RegisterProgram(const char* vertexFile, const char* fragmentFile);

// Makes the program current; false while another is current or for a bad id.
bool UseProgramById(std::int32_t id);
// Binds texture on a texture unit (the next free one when newUnit) and points
// the sampler uniform at it.
bool BindSamplerTexture(glShader* program, const char* uniformName, std::uint32_t texture, bool newUnit);
// Unbinds the program's texture units and leaves no program in use; the caller
// resets Programs().current.
void ReleaseProgram(glShader* program);

} // namespace mox

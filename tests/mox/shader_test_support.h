// Shared by the shader and stereo tests: a hidden window with a compatibility
// GL context, a scratch working directory, and captured standard output.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace mox_test {

class GlWindow {
public:
    GlWindow()
    {
        SDL_Init(SDL_INIT_VIDEO);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        window_ = SDL_CreateWindow("test", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        context_ = window_ ? SDL_GL_CreateContext(window_) : nullptr;
    }
    ~GlWindow()
    {
        SDL_GL_DeleteContext(context_);
        SDL_DestroyWindow(window_);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    bool ok() const { return context_ != nullptr; }

private:
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
};

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
    const std::filesystem::path& path() const { return path_; }
    // Writes the bytes exactly as given and returns the file's full path.
    std::string write(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

private:
    std::filesystem::path previous_, path_;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename Body>
std::string Printed(Body&& body)
{
    testing::internal::CaptureStdout();
    body();
    return testing::internal::GetCapturedStdout();
}

}  // namespace mox_test

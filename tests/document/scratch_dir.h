#pragma once
// A fresh folder under the system temp folder for one test, removed after it.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

struct ScratchDir {
    ScratchDir()
    {
        static int count = 0;
        dir = std::filesystem::temp_directory_path() /
              ("qs-doc-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
        std::filesystem::create_directories(dir);
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    void write(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string read(const std::string& name) const
    {
        std::ostringstream s;
        s << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return s.str();
    }
    std::filesystem::path dir;
};

// Bytes 0x01 to 0xFF, every byte a narrow code-page text can hold.
inline std::string everyByte()
{
    std::string bytes;
    for (int b = 1; b <= 255; ++b) bytes += static_cast<char>(b);
    return bytes;
}

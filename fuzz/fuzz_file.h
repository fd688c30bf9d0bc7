#pragma once
// Hands a fuzz input to readers that only take file names: one scratch
// folder per process (under TMPDIR, /dev/shm when scripts/fuzz.sh runs it),
// rewritten on every input and removed at exit.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include <unistd.h>

class FuzzFolder {
public:
    FuzzFolder() : path_(std::filesystem::temp_directory_path() / ("qs-fuzz-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(path_);
    }
    ~FuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    FuzzFolder(const FuzzFolder&) = delete;
    FuzzFolder& operator=(const FuzzFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes the bytes as the file name below the folder and returns its path.
    std::string write(const std::string& name, const std::uint8_t* data, std::size_t size) const
    {
        const std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::FILE* out = std::fopen(file.c_str(), "wb");
        if (out == nullptr || std::fwrite(data, 1, size, out) != size || std::fclose(out) != 0) {
            std::perror("fuzz input");
            std::abort();
        }
        return file.string();
    }

private:
    std::filesystem::path path_;
};

// Sums of pixels land here, so reading them cannot be optimised away.
inline volatile unsigned fuzzSink = 0;

// A broken invariant: say which, and stop so libFuzzer keeps the input.
[[noreturn]] inline void fuzzFailure(const char* what)
{
    std::fprintf(stderr, "fuzz invariant broken: %s\n", what);
    std::abort();
}

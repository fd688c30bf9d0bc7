#pragma once
// A folder tree for attacks on the story files: a temporary sandbox holding
// a story root and the "outside" a planted link points at, with a snapshot
// of every entry (links not followed) to show that nothing outside the
// story root changed.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

class Sandbox {
public:
    Sandbox()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "qs-sandbox-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make " + pattern);
        dir_ = pattern;
        std::filesystem::create_directories(dir_ / "story");
        std::filesystem::create_directories(dir_ / "outside");
    }
    ~Sandbox()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    // A path below the sandbox.
    std::string path(const std::string& rel) const { return (dir_ / rel).string(); }
    // The story root as the programs' stored paths spell it: ends in "/".
    std::string storyRoot() const { return path("story") + "/"; }

    std::string write(const std::string& rel, const std::string& bytes) const
    {
        std::filesystem::create_directories((dir_ / rel).parent_path());
        std::ofstream(dir_ / rel, std::ios::binary) << bytes;
        return path(rel);
    }
    std::string read(const std::string& rel) const
    {
        std::ostringstream s;
        s << std::ifstream(dir_ / rel, std::ios::binary).rdbuf();
        return s.str();
    }
    void link(const std::string& rel, const std::string& target) const
    {
        std::filesystem::create_directories((dir_ / rel).parent_path());
        std::filesystem::create_symlink(target, dir_ / rel);
    }

    // Every entry below the sandbox but inside the story root: kind, mode,
    // link target or content (size only for files above 1 MiB).
    std::map<std::string, std::string> outsideSnapshot() const
    {
        std::map<std::string, std::string> seen;
        for (auto it = std::filesystem::recursive_directory_iterator(dir_); it != decltype(it)(); ++it) {
            const std::string rel = std::filesystem::relative(it->path(), dir_).string();
            if (rel == "story" || rel.starts_with("story/")) {
                if (it->is_directory() && !it->is_symlink()) it.disable_recursion_pending();
                continue;
            }
            struct stat st {};
            ::lstat(it->path().c_str(), &st);
            std::string what = std::to_string(st.st_mode);
            if (S_ISLNK(st.st_mode)) what += " -> " + std::filesystem::read_symlink(it->path()).string();
            else if (S_ISREG(st.st_mode)) what += st.st_size > (1 << 20) ? " size " + std::to_string(st.st_size) : " " + read(rel);
            seen[rel] = what;
        }
        return seen;
    }

private:
    std::filesystem::path dir_;
};

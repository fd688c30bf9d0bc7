// Export on a mod folder planted with links: the input picks, for each asset
// folder of the mod, a real folder, a link to a folder outside, a file or a
// dangling link, plants links where copies would go, and picks the files the
// story names (regular files, a FIFO, a device, "." and "..", folders,
// missing files). Whatever it picks, nothing outside the story root changes.
#include "fuzz/fuzz_file.h"

#include "editor/mod_export.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> snapshot(const fs::path& dir)
{
    std::map<std::string, std::string> seen;
    for (auto it = fs::recursive_directory_iterator(dir); it != fs::recursive_directory_iterator(); ++it) {
        struct stat st {};
        ::lstat(it->path().c_str(), &st);
        std::string what = std::to_string(st.st_mode);
        if (S_ISLNK(st.st_mode)) what += " -> " + fs::read_symlink(it->path()).string();
        if (S_ISREG(st.st_mode)) {
            std::ostringstream s;
            s << std::ifstream(it->path(), std::ios::binary).rdbuf();
            what += " " + s.str();
        }
        seen[it->path().string()] = what;
    }
    return seen;
}

// Plants a file; where the input already planted something else, nothing.
void put(const fs::path& file, const std::string& bytes)
{
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    if (!ec) std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const fs::path base = folder.path();
    std::error_code ignored;
    fs::remove_all(base / "story", ignored);
    fs::remove_all(base / "outside", ignored);
    const fs::path mod = base / "story" / "demo", outside = base / "outside";
    fs::create_directories(mod);
    put(outside / "victim.jpg", "victim");
    put(outside / "dir" / "inner.jpg", "inner");
    put(outside / "a.jpg", "picture");
    put(mod / "own.jpg", "own");
    ::mkfifo((outside / "pipe.wav").c_str(), 0600);
    fs::create_symlink(outside / "dir", outside / "dirlink");

    std::size_t at = 0;
    auto next = [&]() -> unsigned { return at < size ? data[at++] : 0; };
    for (const char* name : {"bg", "bgm", "sound", "character", "character/Ann"}) {
        const fs::path path = mod / name;
        std::error_code ec;
        switch (next() % 6) {
        case 0: break;  // Export makes it
        case 1: fs::create_directories(path, ec); break;
        case 2: fs::create_directories(path.parent_path(), ec); fs::create_symlink(outside / "dir", path, ec); break;
        case 3: fs::create_directories(path.parent_path(), ec); put(path, "file"); break;
        case 4: fs::create_directories(path.parent_path(), ec); fs::create_symlink(outside / "new", path, ec); break;
        case 5:
            fs::create_directories(path, ec);
            fs::create_symlink(outside / "victim.jpg", path / "a.jpg", ec);  // where a copy would go
            fs::create_symlink(outside / "gone.jpg", path / "inner.jpg", ec);
            break;
        }
    }
    const std::string choices[] = {
        (outside / "a.jpg").string(),     (outside / "dir/inner.jpg").string(), (outside / "pipe.wav").string(),
        "/dev/zero",                      (outside / "x/..").string(),           (outside / "x/.").string(),
        (outside / "dirlink").string(),   (outside / "missing.jpg").string(),    (mod / "own.jpg").string(),
        "//bg/a.jpg",                     (outside / "dir").string(),            (outside / "dirlink/inner.jpg").string(),
    };
    auto pick = [&] { return choices[next() % std::size(choices)]; };

    StoryScript story((base / "story").string() + "/", "demo");
    story.characters = {Character{"Ann", 2, {Photo{"a", pick()}, Photo{"b", pick()}}}};
    story.characterCount = 1;
    for (int i = 0; i < 3; ++i) {
        story.backgrounds.push_back(pick());
        story.musics.push_back(pick());
        story.sounds.push_back(pick());
    }
    const auto before = snapshot(outside);
    quillforge::exportModCommand(story, (base / "story").string() + "/");
    if (snapshot(outside) != before) fuzzFailure("Export changed a file outside the story root");
    return 0;
}

#include "launcher/user_folder.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace launcher {

namespace {

std::string failure(const char* what, const fs::path& path, const std::error_code& ec)
{
    return std::string("cannot ") + what + " " + path.string() + ": " + ec.message();
}

bool present(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

// Copies one file unless the destination exists in any form.
std::string copyIfMissing(const fs::path& from, const fs::path& to)
{
    if (present(to)) return {};
    std::error_code ec;
    fs::copy_file(from, to, fs::copy_options::none, ec);
    return ec ? failure("copy to", to, ec) : std::string();
}

std::string makeFolder(const fs::path& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec) return failure("create the folder", path, ec);
    if (!fs::is_directory(path, ec))
        return "cannot create the folder " + path.string() + ": a file of that name exists";
    return {};
}

// Copies the tree below from into to, adding only what is missing.
std::string copyTreeIfMissing(const fs::path& from, const fs::path& to)
{
    if (auto error = makeFolder(to); !error.empty()) return error;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(from, ec)) {
        const auto target = to / entry.path().filename();
        std::string error;
        if (entry.is_directory(ec)) {
            error = copyTreeIfMissing(entry.path(), target);
        } else if (entry.is_regular_file(ec)) {
            error = copyIfMissing(entry.path(), target);
        }
        if (!error.empty()) return error;
    }
    return ec ? failure("read", from, ec) : std::string();
}

std::string linkIfMissing(const fs::path& installed, const fs::path& link)
{
    std::error_code ec;
    if (!fs::is_directory(installed, ec)) return {};
    const auto status = fs::symlink_status(link, ec);
    if (status.type() == fs::file_type::symlink && !fs::exists(link, ec)) {
        fs::remove(link, ec);
    } else if (status.type() != fs::file_type::not_found) {
        return {};
    }
    fs::create_directory_symlink(installed, link, ec);
    return ec ? failure("link", link, ec) : std::string();
}

} // namespace

fs::path dataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return fs::path(xdg);
    const char* home = std::getenv("HOME");
    if (!home || !home[0]) {
        const passwd* entry = getpwuid(getuid());
        home = entry ? entry->pw_dir : nullptr;
    }
    if (!home || !home[0]) return {};
    return fs::path(home) / ".local" / "share";
}

fs::path defaultUserDir()
{
    const auto home = dataHome();
    return home.empty() ? home : home / "quillforge";
}

std::string prepareUserFolder(const FolderSetup& setup)
{
    const auto installedStory = setup.dataDir / "story";
    const auto story = setup.userDir / "story";
    if (auto error = makeFolder(story); !error.empty()) return error;

    std::error_code ec;
    const auto startup = story / "startup.txt";
    const bool firstRun = !present(startup);
    if (fs::is_directory(installedStory, ec)) {
        for (const auto& entry : fs::directory_iterator(installedStory, ec)) {
            const auto name = entry.path().filename();
            std::string error;
            if (entry.is_regular_file(ec) && name != "startup.txt") {
                error = copyIfMissing(entry.path(), story / name);
            } else if (entry.is_directory(ec) && firstRun) {
                error = copyTreeIfMissing(entry.path(), story / name);
            }
            if (!error.empty()) return error;
        }
        if (ec) return failure("read", installedStory, ec);
        // Last, so a first run cut short is completed by the next one.
        if (firstRun && fs::is_regular_file(installedStory / "startup.txt", ec)) {
            if (auto error = copyIfMissing(installedStory / "startup.txt", startup); !error.empty()) return error;
        }
    }
    if (auto error = linkIfMissing(setup.dataDir / "raw", setup.userDir / "raw"); !error.empty()) return error;
    return linkIfMissing(setup.dataDir / "shader", setup.userDir / "shader");
}

} // namespace launcher

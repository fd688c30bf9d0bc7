#include "document/story_folder.h"

#include "document/property_tree.h"
#include "document/safe_file.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

const std::vector<std::string>& modTemplateFiles()
{
    static const std::vector<std::string> files = {
        "defaultBg.jpg", "defaultBgm.mp3", "defaultSound.wav", "defaultPhoto.png",
        "script.xml",    "content.png",    "contentN.png",
    };
    return files;
}

bool isModRelative(const std::string& reference, const std::string& modFolder)
{
    if (reference.empty() || (reference[0] != '/' && reference[0] != '\\'))
        return false;
    if (reference[0] == '\\' || (reference.size() > 1 && reference[1] == '/'))
        return true;
    std::error_code ec;
    return fs::exists(toFsPath(modFolder + reference), ec);
}

std::string resolveReference(const std::string& modFolder, const std::string& reference)
{
    return isModRelative(reference, modFolder) ? modFolder + reference : reference;
}

std::string scriptPathOf(const std::string& storyRoot, const std::string& modName)
{
    return storyRoot + modName + "//script.xml";
}

bool isModFolderName(const std::string& name)
{
    // Mapped for the file system, "\" separates too: "..\x" leads out.
    return !name.empty() && name != "." && name != ".." && name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool readStartupMod(const std::string& startupFile, std::string& modName, std::string* why)
{
    std::string content;
    if (!readRegularFile(toFsPath(startupFile), kMaxStartupBytes, content, why))
        return false;
    modName = wordOf(content);
    return true;
}

bool writeStartupMod(const std::string& modName, const std::string& startupFile)
{
    // Written beside and renamed over it: a link there is replaced, never
    // written through.
    return replaceFile(toFsPath(startupFile), modName);
}

std::vector<std::string> listMods(const std::string& storyRoot, std::vector<std::string>* refused)
{
    std::vector<std::string> mods;
    std::error_code ec;
    fs::directory_iterator it(toFsPath(storyRoot), ec);
    if (ec)
        return mods;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        // directory_iterator never yields "." and "..".
        if (!entry.is_directory(typeError))
            continue;
        std::string name = entry.path().filename().string();
        if (isModFolderName(name))
            mods.push_back(std::move(name));
        else if (refused)
            refused->push_back(std::move(name));
    }
    return mods;
}

bool createFolder(const std::string& path)
{
    std::error_code ec;
    return fs::create_directory(toFsPath(path), ec) && !ec;
}

bool copyFileNoOverwrite(const std::string& from, const std::string& to)
{
    const int source = openRegularFile(toFsPath(from));
    if (source < 0)
        return false;
    const std::string target = toFsPath(to);
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    bool ok = out >= 0;
    char buffer[65536];
    while (ok) {
        const ssize_t got = ::read(source, buffer, sizeof buffer);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = ::write(out, buffer, static_cast<size_t>(got)) == got;
    }
    if (out >= 0 && ::close(out) != 0)
        ok = false;
    if (out >= 0 && !ok)
        ::unlink(target.c_str());
    ::close(source);
    return ok;
}

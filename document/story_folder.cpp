#include "document/story_folder.h"

#include "document/property_tree.h"
#include "document/safe_file.h"

#include <algorithm>
#include <cerrno>
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
    if (reference.empty() || (reference[0] != '/' && reference[0] != '\\')) return false;
    if (reference[0] == '\\' || (reference.size() > 1 && reference[1] == '/')) return true;
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
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

bool readStartupMod(const std::string& startupFile, std::string& modName, std::string* why)
{
    std::string content;
    if (!readRegularFile(toFsPath(startupFile), kMaxStartupBytes, content, why)) return false;
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
    if (ec) return mods;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        // directory_iterator never yields "." and "..".
        if (!entry.is_directory(typeError)) continue;
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

bool copyFileNoOverwrite(const std::string& from, const std::string& to, int* error)
{
    int failure = ENOENT;
    const int source = openRegularFile(toFsPath(from));
    if (source >= 0) {
        const std::string target = toFsPath(to);
        const std::size_t slash = target.find_last_of('/');
        const std::string folderPath = slash == std::string::npos ? "." : target.substr(0, slash + 1);
        const int folder = ::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        failure = folder < 0 ? errno : copyIntoFolder(source, folder, target.substr(slash + 1));
        if (folder >= 0) ::close(folder);
        ::close(source);
    }
    if (error) *error = failure;
    return failure == 0;
}

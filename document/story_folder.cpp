#include "document/story_folder.h"

#include "document/property_tree.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

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

bool readStartupMod(const std::string& startupFile, std::string& modName)
{
    std::ifstream in(toFsPath(startupFile), std::ios::binary);
    if (!in)
        return false;
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    modName = wordOf(content);
    return true;
}

bool writeStartupMod(const std::string& modName, const std::string& startupFile)
{
    std::ofstream out(toFsPath(startupFile), std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out << modName;
    out.close();
    return !out.fail();
}

std::vector<std::string> listMods(const std::string& storyRoot)
{
    std::vector<std::string> mods;
    std::error_code ec;
    fs::directory_iterator it(toFsPath(storyRoot), ec);
    if (ec)
        return mods;
    for (const fs::directory_entry& entry : it) {
        std::error_code typeError;
        // directory_iterator never yields "." and "..".
        if (entry.is_directory(typeError))
            mods.push_back(entry.path().filename().string());
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
    std::error_code ec;
    return fs::copy_file(toFsPath(from), toFsPath(to), fs::copy_options::none, ec) && !ec;
}

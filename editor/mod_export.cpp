#include "editor/mod_export.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace quillforge {

namespace {

const char* modNameFaultLine(NameFault fault)
{
    switch (fault) {
    case NameFault::WhiteSpace: return "Mod name can not contain white space...T_T";
    case NameFault::Separator: return "Mod name can not contain / or \\...T_T";
    case NameFault::DotName: return "Mod name can not be . or .....T_T";
    case NameFault::None: break;
    }
    return "";
}

bool exists(const std::string& path)
{
    std::error_code ec;
    return fs::exists(toFsPath(path), ec);
}

// "a.jpg could not be copied" or "a.jpg and 2 more could not be copied".
std::string notCopiedText(const std::vector<std::string>& paths)
{
    std::string text = fileNameOf(paths.front());
    if (paths.size() > 1) text += " and " + std::to_string(paths.size() - 1) + " more";
    return text + " could not be copied";
}

// Copies outside files into one asset folder of the mod.
class AssetCopier {
public:
    explicit AssetCopier(ExportReport& report) : report_(report) {}

    // Exports reference into folder (a path ending in "/"), whose stored form
    // is prefix; leaves reference unchanged when its file could not be copied.
    void exportInto(std::string& reference, const std::string& folder, const std::string& prefix)
    {
        const std::string name = singleWordFileName(fileNameOf(reference));
        if (name.empty()) {  // a folder, not a file
            report_.notCopied.push_back(reference);
            return;
        }
        if (!exists(reference)) {
            // Nothing to copy; the reference still takes the mod's form, so a
            // file put there by hand is found.
            ++report_.missing;
            reference = prefix + name;
            return;
        }
        for (int n = 1; n <= kMaxTries; ++n) {
            const std::string candidate = numberedFileName(name, n);
            const std::string target = folder + candidate;
            if (exists(target)) {
                if (!sameFileContent(reference, target)) continue;
                ++report_.reused;
            } else {
                if (!copyFileNoOverwrite(reference, target)) break;
                ++report_.copied;
            }
            if (n > 1) ++report_.renamed;
            reference = prefix + candidate;
            return;
        }
        report_.notCopied.push_back(reference);
    }

private:
    static constexpr int kMaxTries = 1000;
    ExportReport& report_;
};

} // namespace

std::string singleWordFileName(const std::string& fileName)
{
    std::string out = fileName;
    for (char& c : out)
        if (hasWhiteSpace(std::string(1, c))) c = '_';
    return out;
}

std::string numberedFileName(const std::string& fileName, int n)
{
    if (n <= 1) return fileName;
    // A leading dot starts a hidden name, not an extension.
    const size_t dot = fileName.find_last_of('.');
    const size_t split = (dot == std::string::npos || dot == 0) ? fileName.size() : dot;
    return fileName.substr(0, split) + "_" + std::to_string(n) + fileName.substr(split);
}

bool sameFileContent(const std::string& a, const std::string& b)
{
    const fs::path pa = toFsPath(a), pb = toFsPath(b);
    std::error_code ec;
    if (!fs::is_regular_file(pa, ec) || !fs::is_regular_file(pb, ec)) return false;
    if (fs::equivalent(pa, pb, ec)) return true;
    const auto size = fs::file_size(pa, ec);
    if (ec || size != fs::file_size(pb, ec) || ec) return false;
    std::ifstream ia(pa, std::ios::binary), ib(pb, std::ios::binary);
    if (!ia || !ib) return false;
    char bufA[8192], bufB[8192];
    while (ia && ib) {
        ia.read(bufA, sizeof bufA);
        ib.read(bufB, sizeof bufB);
        if (ia.gcount() != ib.gcount() || !std::equal(bufA, bufA + ia.gcount(), bufB)) return false;
    }
    return ia.eof() && ib.eof();
}

CommandOutcome addModCommand(const std::string& name, std::vector<std::string>& modList, const std::string& storyRoot)
{
    if (std::find(modList.begin(), modList.end(), name) != modList.end())
        return said("Mod name already exist...T_T");
    if (NameFault fault = folderNameFault(name); fault != NameFault::None) return said(modNameFaultLine(fault));
    if (!createFolder(storyRoot + name)) return said("Create directory failed...T_T");

    std::vector<std::string> failed;
    for (const std::string& file : modTemplateFiles()) {
        const std::string from = storyRoot + file;
        if (!copyFileNoOverwrite(from, storyRoot + name + "/" + file) && exists(from)) failed.push_back(from);
    }
    modList.push_back(name);
    if (!failed.empty()) return said("Mod created, but " + notCopiedText(failed) + "...T_T", kRefreshModBox);
    return said("Mod created success...:-)", kRefreshModBox);
}

CommandOutcome exportModCommand(StoryScript& story, const std::string& storyRoot, ExportReport* report)
{
    ExportReport local;
    ExportReport& r = report ? *report : local;
    r = ExportReport{};

    const std::string& mod = story.modName;
    if (mod.empty() || folderNameFault(mod) == NameFault::Separator || folderNameFault(mod) == NameFault::DotName)
        return said("Export failed, the mod name is no folder name...T_T");
    const std::string root = storyRoot + mod;
    // Existing folders are fine; a folder that cannot be made shows as files
    // that cannot be copied.
    for (const char* folder : {"//character", "//bg", "//bgm", "//sound"}) createFolder(root + folder);

    AssetCopier copier(r);
    for (Character& person : story.characters) {
        if (folderNameFault(person.name) != NameFault::None) {
            r.refusedPersons.push_back(person.name);
            continue;
        }
        for (Photo& photo : person.photos) {
            createFolder(root + "//character/" + person.name);
            if (isModRelative(photo.dir, root)) continue;
            copier.exportInto(photo.dir, root + "/character/" + person.name + "/", "//character/" + person.name + "/");
        }
    }
    auto exportList = [&](std::vector<std::string>& list, const std::string& folder) {
        for (std::string& entry : list)
            if (!isModRelative(entry, root)) copier.exportInto(entry, root + "/" + folder + "/", "//" + folder + "/");
    };
    exportList(story.sounds, "sound");
    exportList(story.backgrounds, "bg");
    exportList(story.musics, "bgm");

    // The boxes show file names; a copy stored under a new name changes one.
    const unsigned refresh = r.renamed > 0 ? kRefreshFrame | kRefreshBackgroundBox | kRefreshMusicBox | kRefreshSoundBox
                                           : kRefreshNothing;
    if (!r.refusedPersons.empty())
        return said("Export incomplete, a person name is no folder name, its photos stay...T_T", refresh);
    if (!r.notCopied.empty()) return said("Export incomplete, " + notCopiedText(r.notCopied) + "...T_T", refresh);
    return said("Export success..:-)", refresh);
}

} // namespace quillforge

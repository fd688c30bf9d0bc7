#include "editor/mod_export.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "document/safe_file.h"

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

// "a.jpg" or "a.jpg and 2 more".
std::string namesText(const std::vector<std::string>& names)
{
    std::string text = names.front();
    if (names.size() > 1) text += " and " + std::to_string(names.size() - 1) + " more";
    return text;
}

// "a.jpg could not be copied" or "a.jpg and 2 more could not be copied".
std::string notCopiedText(const std::vector<std::string>& paths)
{
    std::vector<std::string> names;
    for (const std::string& path : paths) names.push_back(fileNameOf(path));
    return namesText(names) + " could not be copied";
}

// The real path of a file-system path, or empty.
std::string realPathOf(const std::string& path)
{
    char* real = ::realpath(path.c_str(), nullptr);
    if (!real) return {};
    std::string out = real;
    std::free(real);
    return out;
}

bool isBelow(const std::string& path, const std::string& folder)
{
    return !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (folder.back() == '/' || path[folder.size()] == '/');
}

std::string homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    const passwd* user = ::getpwuid(::getuid());
    return user && user->pw_dir ? user->pw_dir : "";
}

bool sameContent(int a, int b)
{
    struct stat sa {}, sb {};
    if (::fstat(a, &sa) != 0 || ::fstat(b, &sb) != 0) return false;
    if (sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino) return true;
    if (sa.st_size != sb.st_size) return false;
    char bufA[8192], bufB[8192];
    for (;;) {
        const ssize_t gotA = ::read(a, bufA, sizeof bufA);
        if (gotA < 0) return false;
        if (gotA == 0) return ::read(b, bufB, 1) == 0;
        ssize_t gotB = 0;
        while (gotB < gotA) {
            const ssize_t more = ::read(b, bufB + gotB, static_cast<size_t>(gotA - gotB));
            if (more <= 0) return false;
            gotB += more;
        }
        if (!std::equal(bufA, bufA + gotA, bufB)) return false;
    }
}

// A folder of the mod that Export copies into. It is made when missing and
// used only when it is a real folder: a link there could lead anywhere.
class AssetFolder {
public:
    AssetFolder(int parent, const std::string& child, std::string shownName) : name_(std::move(shownName))
    {
        ::mkdirat(parent, child.c_str(), 0777);  // an existing one is fine
        fd_ = ::openat(parent, child.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        struct stat st {};
        linked_ = fd_ < 0 && ::fstatat(parent, child.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
    }
    ~AssetFolder()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    AssetFolder(const AssetFolder&) = delete;
    AssetFolder& operator=(const AssetFolder&) = delete;

    int fd() const { return fd_; }
    bool linked() const { return linked_; }
    const std::string& name() const { return name_; }

private:
    std::string name_;
    int fd_ = -1;
    bool linked_ = false;
};

// Copies outside files into the mod's asset folders.
class AssetCopier {
public:
    AssetCopier(ExportReport& report, const std::string& modFolder)
        : report_(report), home_(realPathOf(homeFolder())), mod_(realPathOf(toFsPath(modFolder)))
    {
    }

    // Exports reference into folder, whose stored form is prefix; leaves
    // reference unchanged when its file could not be copied.
    void exportInto(std::string& reference, const AssetFolder& folder, const std::string& prefix)
    {
        const std::string name = singleWordFileName(fileNameOf(reference));
        if (name.empty() || name == "." || name == "..") {  // a folder, not a file
            report_.notCopied.push_back(reference);
            return;
        }
        if (folder.fd() < 0) {
            if (folder.linked()) {
                if (std::find(report_.linkedFolders.begin(), report_.linkedFolders.end(), folder.name()) ==
                    report_.linkedFolders.end())
                    report_.linkedFolders.push_back(folder.name());
            } else {
                report_.notCopied.push_back(reference);
            }
            return;
        }
        if (!exists(reference)) {
            // Nothing to copy; the reference still takes the mod's form, so a
            // file put there by hand is found.
            ++report_.missing;
            reference = prefix + name;
            return;
        }
        const int source = openRegularFile(toFsPath(reference));
        if (source < 0) {  // a folder, a FIFO, a device: only files are copied
            report_.notCopied.push_back(reference);
            return;
        }
        for (int n = 1; n <= kMaxTries; ++n) {
            const std::string candidate = numberedFileName(name, n);
            const Placed placed = place(source, folder.fd(), candidate);
            if (placed == Placed::Taken) continue;
            if (placed == Placed::Failed) break;
            if (placed == Placed::Copied) {
                ++report_.copied;
                const std::string real = realPathOf(toFsPath(reference));
                if (!isBelow(real, home_) && !isBelow(real, mod_)) ++report_.fromOutsideHome;
            } else {
                ++report_.reused;
            }
            if (n > 1) ++report_.renamed;
            reference = prefix + candidate;
            ::close(source);
            return;
        }
        ::close(source);
        report_.notCopied.push_back(reference);
    }

private:
    enum class Placed { Copied, Reused, Taken, Failed };

    // Puts the file source as name into folder: a new copy, or the identical
    // regular file already there. Nothing there is ever written over or
    // followed.
    static Placed place(int source, int folder, const std::string& name)
    {
        struct stat st {};
        if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode)) return Placed::Taken;
            const int there = ::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            const bool same = there >= 0 && ::lseek(source, 0, SEEK_SET) == 0 && sameContent(source, there);
            if (there >= 0) ::close(there);
            return same ? Placed::Reused : Placed::Taken;
        }
        if (errno != ENOENT) return Placed::Failed;
        const int target = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (target < 0) return errno == EEXIST ? Placed::Taken : Placed::Failed;
        const bool ok = ::lseek(source, 0, SEEK_SET) == 0 && copyBytes(source, target);
        const bool closed = ::close(target) == 0;
        if (ok && closed) return Placed::Copied;
        ::unlinkat(folder, name.c_str(), 0);
        return Placed::Failed;
    }

    static bool copyBytes(int from, int to)
    {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(from, buffer, sizeof buffer);
            if (got == 0) return true;
            if (got < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            for (ssize_t done = 0; done < got;) {
                const ssize_t put = ::write(to, buffer + done, static_cast<size_t>(got - done));
                if (put < 0) {
                    if (errno == EINTR) continue;
                    return false;
                }
                done += put;
            }
        }
    }

    static constexpr int kMaxTries = 1000;
    ExportReport& report_;
    std::string home_, mod_;
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
    const int fa = openRegularFile(toFsPath(a));
    const int fb = fa < 0 ? -1 : openRegularFile(toFsPath(b));
    const bool same = fb >= 0 && sameContent(fa, fb);
    if (fa >= 0) ::close(fa);
    if (fb >= 0) ::close(fb);
    return same;
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
    const int modFd = ::open(toFsPath(root).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that cannot be made shows as files that cannot be copied.
    const AssetFolder character(modFd, "character", "character"), bg(modFd, "bg", "bg"), bgm(modFd, "bgm", "bgm"),
        sound(modFd, "sound", "sound");

    AssetCopier copier(r, root);
    for (Character& person : story.characters) {
        if (folderNameFault(person.name) != NameFault::None) {
            r.refusedPersons.push_back(person.name);
            continue;
        }
        if (person.photos.empty()) continue;
        const AssetFolder folder(character.fd(), person.name, "character/" + person.name);
        for (Photo& photo : person.photos) {
            if (isModRelative(photo.dir, root)) continue;
            const std::string prefix = "//character/" + person.name + "/";
            if (character.linked())
                copier.exportInto(photo.dir, character, prefix);
            else
                copier.exportInto(photo.dir, folder, prefix);
        }
    }
    auto exportList = [&](std::vector<std::string>& list, const AssetFolder& folder) {
        for (std::string& entry : list)
            if (!isModRelative(entry, root)) copier.exportInto(entry, folder, "//" + folder.name() + "/");
    };
    exportList(story.sounds, sound);
    exportList(story.backgrounds, bg);
    exportList(story.musics, bgm);
    if (modFd >= 0) ::close(modFd);

    // The boxes show file names; a copy stored under a new name changes one.
    const unsigned refresh = r.renamed > 0 ? kRefreshFrame | kRefreshBackgroundBox | kRefreshMusicBox | kRefreshSoundBox
                                           : kRefreshNothing;
    // Files from elsewhere on the machine are named, so the author notices
    // what a downloaded script made Export copy.
    std::string outside;
    if (r.fromOutsideHome > 0)
        outside = " " + std::to_string(r.fromOutsideHome) +
                  (r.fromOutsideHome == 1 ? " file came" : " files came") + " from outside your home folder.";
    if (!r.refusedPersons.empty())
        return said("Export incomplete, a person name is no folder name, its photos stay...T_T" + outside, refresh);
    if (!r.linkedFolders.empty()) {
        const bool one = r.linkedFolders.size() == 1;
        return said("Export incomplete, " + namesText(r.linkedFolders) +
                        (one ? " in the mod is a link, not a folder...T_T" : " in the mod are links, not folders...T_T") +
                        outside,
                    refresh);
    }
    if (!r.notCopied.empty())
        return said("Export incomplete, " + notCopiedText(r.notCopied) + "...T_T" + outside, refresh);
    return said("Export success..:-)" + outside, refresh);
}

} // namespace quillforge

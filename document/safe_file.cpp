#include "document/safe_file.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kSuffixLength = 6;

void say(std::string* why, const std::string& text)
{
    if (why) *why = text;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether fd is still the file called name, not one that replaced it.
bool stillNamed(int fd, const std::string& name)
{
    struct stat opened {}, named {};
    return ::fstat(fd, &opened) == 0 && ::lstat(name.c_str(), &named) == 0 && sameFile(opened, named);
}

std::string folderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string randomSuffix()
{
    static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::random_device device;
    std::uniform_int_distribution<int> pick(0, static_cast<int>(sizeof kLetters) - 2);
    std::string suffix;
    for (std::size_t i = 0; i < kSuffixLength; ++i) suffix += kLetters[pick(device)];
    return suffix;
}

// prefix followed by a suffix of createTemporary's shape.
bool isTemporaryName(const std::string& entry, const std::string& prefix)
{
    if (entry.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = entry.substr(prefix.size());
    if (rest.size() != kSuffixLength) return false;
    for (char c : rest)
        if (!std::isalnum(static_cast<unsigned char>(c))) return false;
    return true;
}

// A live save holds a lock on its temporary file until it has renamed it, and
// a dead process holds none: a temporary file whose lock can be had is stale.
void removeStaleTemporaries(const std::string& path)
{
    const std::string prefix = temporaryPrefixOf(path);
    const std::string folder = folderOf(path);
    const std::string base = prefix.substr(prefix.find_last_of('/') + 1);
    const std::string legacy = base.substr(0, base.size() - 1);  // "<name>.saving"
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        // "<name>.saving" is the one fixed name older saves used.
        if (name != legacy && !isTemporaryName(name, base)) continue;
        const std::string full = folder + "/" + name;
        // Links and anything but regular files are not ours: left alone.
        const int fd = ::open(full.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            stillNamed(fd, full))
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

// A new file of a unique name beginning with prefix, locked as a live save's.
int createTemporary(const std::string& prefix, std::string& name)
{
    for (int tries = 0; tries < 100; ++tries) {
        name = prefix + randomSuffix();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        // Another save's clean-up may have taken the file before the lock.
        if (::flock(fd, LOCK_EX) == 0 && stillNamed(fd, name)) return fd;
        ::close(fd);
    }
    return -1;
}

void syncFolder(const std::string& path)
{
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::string temporaryPrefixOf(const std::string& path)
{
    return path + ".saving-";
}

int openRegularFile(const std::string& path)
{
    struct stat st {};
    // Checked before opening, so no device is even opened; checked again on
    // the descriptor, so a name swapped in between is caught.
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool readRegularFile(const std::string& path, std::size_t limit, std::string& out, std::string* why)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        say(why, errno == ENOENT ? "no such file" : std::strerror(errno));
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        say(why, "not a regular file");
        return false;
    }
    const std::string tooLarge = "larger than " + std::to_string(limit) + " bytes";
    if (static_cast<unsigned long long>(st.st_size) > limit) {
        say(why, tooLarge);
        return false;
    }
    const int fd = openRegularFile(path);
    if (fd < 0) {
        say(why, errno ? std::strerror(errno) : "not a regular file");
        return false;
    }
    std::string text;
    char chunk[16384];
    bool ok = true;
    for (;;) {
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            say(why, std::strerror(errno));
            ok = false;
            break;
        }
        text.append(chunk, static_cast<std::size_t>(got));
        if (text.size() > limit) {  // it grew while being read
            say(why, tooLarge);
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (ok) out = std::move(text);
    return ok;
}

bool replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write)
{
    removeStaleTemporaries(path);
    std::string temporary;
    const int fd = createTemporary(temporaryPrefixOf(path), temporary);
    if (fd < 0) return false;

    // The replaced file keeps its permission bits (a read-only script stays
    // read-only); a new one gets the usual ones for a new file.
    struct stat old {};
    bool ok = true;
    if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) ok = ::fchmod(fd, old.st_mode & 07777) == 0;

    std::FILE* out = ::fdopen(fd, "w");
    if (!out) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    ok = ok && write(out);
    ok = std::fflush(out) == 0 && ok && !std::ferror(out);
    // The new file must be on disk before it replaces the old one.
    ok = ::fsync(fd) == 0 && ok;
    // The rename happens while the lock is held, so no clean-up takes the file.
    if (ok) ok = std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    std::fclose(out);  // everything is written and synced; closing only unlocks
    if (ok) syncFolder(path);
    return ok;
}

bool replaceFile(const std::string& path, const std::string& bytes)
{
    return replaceFile(path, [&](std::FILE* out) {
        return bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    });
}

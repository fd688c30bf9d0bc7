// Reading a stranger's bundle. Two passes over the archive: the first reads
// only its directory and the manifest and refuses anything unsafe before a
// byte is written; the second extracts, trusting nothing of the first but
// the manifest it checked.
#include "bundle/bundle.h"
#include "bundle/bundle_local.h"

#include "check/story_check.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <locale.h>
#include <map>
#include <memory>
#include <set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace bundle {

namespace {

inline constexpr std::uint64_t kMaxManifestBytes = 16 << 20;

struct ReadCloser {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ReadCloser>;

// Entry names are read as UTF-8 whatever the reader's own locale, and case
// is folded by Unicode's rules, not the C locale's.
locale_t utf8Locale()
{
    static const locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
    }();
    return loc;
}

class LocaleScope {
public:
    LocaleScope() : old_(uselocale(utf8Locale())) {}
    ~LocaleScope() { uselocale(old_); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;

private:
    locale_t old_;
};

std::string folded(const std::string& name)
{
    std::string out;
    std::mbstate_t state{};
    const char* p = name.c_str();
    const char* end = p + name.size();
    while (p < end) {
        wchar_t wc = 0;
        const std::size_t n = std::mbrtowc(&wc, p, static_cast<std::size_t>(end - p), &state);
        if (n == 0 || n > static_cast<std::size_t>(end - p)) return name;
        char buf[MB_LEN_MAX];
        const std::size_t m =
            std::wcrtomb(buf, static_cast<wchar_t>(towlower_l(static_cast<wint_t>(wc), utf8Locale())), &state);
        if (m == static_cast<std::size_t>(-1)) return name;
        out.append(buf, m);
        p += n;
    }
    return out;
}

std::uint32_t le(const unsigned char* p, int bytes)
{
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

// libarchive reads a ZIP entry whose Unix mode names a FIFO or socket as a
// plain file, so the types are read from the central directory here too.
// Archives this cannot follow are left to libarchive's own checks.
bool rawTypesSafe(int fd, std::uint64_t size, std::string& reason)
{
    const std::uint64_t tail = std::min<std::uint64_t>(size, 22 + 65535);
    std::string end(tail, '\0');
    if (::pread(fd, end.data(), tail, static_cast<off_t>(size - tail)) != static_cast<ssize_t>(tail)) return true;
    const auto* e = reinterpret_cast<const unsigned char*>(end.data());
    std::size_t at = std::string::npos;
    for (std::size_t i = tail >= 22 ? tail - 22 + 1 : 0; i-- > 0;)
        if (le(e + i, 4) == 0x06054b50) {
            at = i;
            break;
        }
    if (at == std::string::npos) return true;
    const std::uint32_t count = le(e + at + 10, 2), bytes = le(e + at + 12, 4), offset = le(e + at + 16, 4);
    if (count == 0xFFFF || offset == 0xFFFFFFFF || std::uint64_t(offset) + bytes > size || bytes > (64u << 20))
        return true;
    std::string dir(bytes, '\0');
    if (::pread(fd, dir.data(), bytes, offset) != static_cast<ssize_t>(bytes)) return true;
    const auto* d = reinterpret_cast<const unsigned char*>(dir.data());
    for (std::size_t p = 0, n = 0; n < count && p + 46 <= bytes; ++n) {
        if (le(d + p, 4) != 0x02014b50) return true;
        const std::uint32_t madeBy = le(d + p + 5, 1), external = le(d + p + 38, 4);
        const std::size_t nameLength = le(d + p + 28, 2);
        const std::uint32_t type = (external >> 16) & 0170000;
        const char* kind = madeBy != 3 ? nullptr : type == 0010000 ? "a FIFO" : type == 0140000 ? "a socket" : nullptr;
        if (kind) {
            const std::string name = p + 46 + nameLength <= bytes ? dir.substr(p + 46, nameLength) : std::string();
            reason = (isValidUtf8(name) ? "\"" + name + "\"" : std::string("an entry")) + " is " + kind;
            return false;
        }
        p += 46 + nameLength + le(d + p + 30, 2) + le(d + p + 32, 2);
    }
    return true;
}

// An open bundle: a regular file, opened without blocking on anything else.
struct OpenBundle {
    ArchivePtr a;
    int fd = -1;
    std::uint64_t bytes = 0;
    OpenBundle() = default;
    OpenBundle(const OpenBundle&) = delete;
    OpenBundle& operator=(const OpenBundle&) = delete;
    ~OpenBundle()
    {
        a.reset();
        if (fd >= 0) ::close(fd);
    }
};

// Texts from libarchive and the checker may run over lines; a reason is one.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::string damaged(archive* a)
{
    const char* why = archive_error_string(a);
    return std::string("the bundle is damaged or not a ZIP archive") + (why ? " (" + oneLine(why) + ")" : "");
}

bool openBundle(const std::string& file, OpenBundle& b, std::string& reason)
{
    b.fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    struct stat st {};
    if (b.fd < 0 || ::fstat(b.fd, &st) != 0) {
        reason = "cannot open " + file + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        reason = file + " is not a file";
        return false;
    }
    ::fcntl(b.fd, F_SETFL, ::fcntl(b.fd, F_GETFL) & ~O_NONBLOCK);
    b.bytes = static_cast<std::uint64_t>(st.st_size);
    if (!rawTypesSafe(b.fd, b.bytes, reason)) return false;
    b.a.reset(archive_read_new());
    archive_read_support_format_zip_seekable(b.a.get());
    if (archive_read_open_fd(b.a.get(), b.fd, kBlockBytes) != ARCHIVE_OK) {
        reason = damaged(b.a.get());
        return false;
    }
    return true;
}

struct Header {
    std::string name;
    bool directory = false;
    std::uint64_t size = 0; // as the archive's directory gives it
};

// The next entry, refused unless it is a plain file or folder with a safe
// name. False at the end (reason empty) or on refusal.
bool nextHeader(archive* a, Header& h, std::string& reason)
{
    archive_entry* e = nullptr;
    const int r = archive_read_next_header(a, &e);
    if (r == ARCHIVE_EOF) return false;
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) {
        reason = damaged(a);
        return false;
    }
    const char* raw = archive_entry_pathname(e);
    if (!raw || !raw[0]) {
        // libarchive gives no name when it cannot read the stored one as UTF-8.
        reason = r == ARCHIVE_WARN ? "an entry's name is not valid UTF-8" : "an entry has no name";
        return false;
    }
    std::string name = raw;
    const std::string shown = isValidUtf8(name) ? "\"" + name + "\"" : std::string("an entry");
    if (archive_entry_hardlink(e)) {
        reason = shown + " is a hard link";
        return false;
    }
    switch (archive_entry_filetype(e)) {
    case AE_IFREG: h.directory = false; break;
    case AE_IFDIR: h.directory = true; break;
    case AE_IFLNK: reason = shown + " is a symbolic link"; return false;
    case AE_IFCHR:
    case AE_IFBLK: reason = shown + " is a device file"; return false;
    case AE_IFIFO: reason = shown + " is a FIFO"; return false;
    default: reason = shown + " is not a plain file"; return false;
    }
    if (h.directory)
        while (!name.empty() && name.back() == '/') name.pop_back();
    if (!isValidUtf8(name)) {
        reason = "an entry's name is not valid UTF-8";
        return false;
    }
    if (!name.empty() && name[0] == '/') {
        reason = shown + " is an absolute path";
        return false;
    }
    if (("/" + name + "/").find("/../") != std::string::npos) {
        reason = shown + " leads out of the bundle through \"..\"";
        return false;
    }
    if (!isSafePath(name)) {
        reason = shown + " is not a name a file can safely have";
        return false;
    }
    if (!h.directory && !archive_entry_size_is_set(e)) {
        reason = shown + " gives no size";
        return false;
    }
    h.size = static_cast<std::uint64_t>(std::max<la_int64_t>(archive_entry_size(e), 0));
    h.name = std::move(name);
    return true;
}

// Reads the current entry's data into out, up to limit bytes.
bool readSmall(archive* a, std::uint64_t limit, std::string& out, std::string& reason)
{
    char buffer[65536];
    while (true) {
        const la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
        if (n == 0) return true;
        if (n < 0) {
            reason = damaged(a);
            return false;
        }
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > limit) {
            reason = "manifest.json is too large";
            return false;
        }
    }
}

std::string sizeText(std::uint64_t bytes)
{
    if (bytes >= (1ull << 30) && bytes % (1ull << 30) == 0) return std::to_string(bytes >> 30) + " GiB";
    return std::to_string(bytes) + " bytes";
}

bool tooLarge(std::uint64_t total, std::uint64_t bundleBytes, const Limits& limits, std::string& reason)
{
    if (total > limits.maxTotalBytes) {
        reason = "the bundle unpacks to more than " + sizeText(limits.maxTotalBytes);
        return true;
    }
    if (total > std::max<std::uint64_t>(bundleBytes, 1) * limits.maxRatio) {
        reason = "the bundle unpacks to more than " + std::to_string(limits.maxRatio) +
                 " times its size, as a zip bomb does";
        return true;
    }
    return false;
}

bool writeAll(int fd, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// Whether folder holds exactly the manifest's files with their hashes, and
// the manifest itself as stored.
bool matchesExtraction(const fs::path& folder, const Inspection& inspection)
{
    std::error_code ec;
    if (fs::symlink_status(folder, ec).type() != fs::file_type::directory) return false;
    std::string stored;
    {
        const std::string path = (folder / kManifestName).string();
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return false;
        char buffer[65536];
        std::size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && stored.size() <= kMaxManifestBytes)
            stored.append(buffer, n);
        std::fclose(f);
    }
    if (stored != inspection.manifestText) return false;
    std::map<std::string, const FileEntry*> wanted;
    for (const FileEntry& f : inspection.manifest.files) wanted[f.path] = &f;
    std::size_t found = 0;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const auto type = it->symlink_status(ec).type();
        const std::string rel = it->path().lexically_relative(folder).string();
        if (type == fs::file_type::directory) continue;
        if (rel == kManifestName && type == fs::file_type::regular) continue;
        auto w = wanted.find(rel);
        if (type != fs::file_type::regular || w == wanted.end()) return false;
        if (it->file_size(ec) != w->second->size || sha256OfFile(it->path().string()) != w->second->sha256)
            return false;
        ++found;
    }
    return !ec && found == wanted.size();
}

} // namespace

bool inspectBundle(const std::string& file, Inspection& inspection, std::string& reason, const Limits& limits)
{
    LocaleScope locale;
    OpenBundle b;
    if (!openBundle(file, b, reason)) return false;
    std::map<std::string, std::uint64_t> sizes; // files by name
    std::set<std::string> folders;
    std::map<std::string, std::string> byFold; // folded name -> name, for files and folders
    std::string manifestText;
    bool haveManifest = false;
    std::uint64_t entries = 0, total = 0;
    Header h;
    while (true) {
        reason.clear();
        if (!nextHeader(b.a.get(), h, reason)) {
            if (!reason.empty()) return false;
            break;
        }
        if (++entries > limits.maxEntries) {
            reason = "the bundle has more than " + std::to_string(limits.maxEntries) + " entries";
            return false;
        }
        // Every folder a name passes through, and the name itself, must be
        // one spelling only: names that differ only by case would overwrite
        // each other where case does not count.
        for (std::size_t slash = 0;;) {
            slash = h.name.find('/', slash + 1);
            const std::string part = h.name.substr(0, slash);
            auto [it, added] = byFold.emplace(folded(part), part);
            if (!added && it->second != part) {
                reason = "\"" + part + "\" and \"" + it->second + "\" differ only by case";
                return false;
            }
            if (slash == std::string::npos) break;
            folders.insert(part);
        }
        if (h.directory) {
            if (sizes.count(h.name)) {
                reason = "\"" + h.name + "\" is both a file and a folder";
                return false;
            }
            folders.insert(h.name);
            continue;
        }
        if (sizes.count(h.name) || folders.count(h.name)) {
            reason = "\"" + h.name + "\" appears twice";
            return false;
        }
        // Sizes as the directory gives them; the second pass holds each file to its manifest size.
        sizes[h.name] = h.size;
        total += h.size;
        if (tooLarge(total, b.bytes, limits, reason)) return false;
        if (h.name == kManifestName) {
            haveManifest = true;
            if (h.size > kMaxManifestBytes) {
                reason = "manifest.json is too large";
                return false;
            }
            if (!readSmall(b.a.get(), kMaxManifestBytes, manifestText, reason)) return false;
        }
    }
    for (const std::string& folder : folders)
        if (sizes.count(folder)) {
            reason = "\"" + folder + "\" is both a file and a folder";
            return false;
        }
    if (!haveManifest) {
        reason = "the bundle has no manifest.json: it is not a story bundle";
        return false;
    }
    Manifest manifest;
    if (!parseManifest(manifestText, manifest, reason)) return false;
    std::set<std::string> listed;
    for (const FileEntry& f : manifest.files) {
        if (!sizes.count(f.path)) {
            reason = "manifest.json lists " + f.path + ", which the bundle lacks";
            return false;
        }
        if (sizes[f.path] != f.size) {
            reason = f.path + " is " + sizeText(sizes[f.path]) + " in the bundle but " + sizeText(f.size) +
                     " in its manifest";
            return false;
        }
        listed.insert(f.path);
        for (std::size_t slash = f.path.find('/'); slash != std::string::npos; slash = f.path.find('/', slash + 1))
            listed.insert(f.path.substr(0, slash));
    }
    for (const auto& [name, size] : sizes)
        if (name != kManifestName && !listed.count(name)) {
            reason = name + " is in the bundle but not in its manifest";
            return false;
        }
    for (const std::string& folder : folders)
        if (!listed.count(folder)) {
            reason = folder + "/ is in the bundle but not in its manifest";
            return false;
        }
    inspection.manifest = std::move(manifest);
    inspection.manifestText = std::move(manifestText);
    inspection.bundleBytes = b.bytes;
    return true;
}

bool extractBundle(const std::string& file, const Inspection& inspection, const std::string& folder,
                   std::string& reason, const Limits& limits)
{
    LocaleScope locale;
    OpenBundle b;
    if (!openBundle(file, b, reason)) return false;
    std::map<std::string, const FileEntry*> pending;
    for (const FileEntry& f : inspection.manifest.files) pending[f.path] = &f;
    std::uint64_t total = 0, entries = 0;
    Header h;
    while (true) {
        reason.clear();
        if (!nextHeader(b.a.get(), h, reason)) {
            if (!reason.empty()) return false;
            break;
        }
        if (++entries > limits.maxEntries) {
            reason = "the bundle changed while it was read";
            return false;
        }
        if (h.directory || h.name == kManifestName) continue;
        auto it = pending.find(h.name);
        if (it == pending.end()) {
            reason = "the bundle changed while it was read";
            return false;
        }
        const FileEntry& want = *it->second;
        pending.erase(it);
        const bool writing = !folder.empty();
        const std::string target = folder + "/" + h.name;
        int out = -1;
        if (writing) {
            // Folders on the way: the names are checked and only this
            // function writes below folder, so nothing there can be a link.
            for (std::size_t slash = h.name.find('/'); slash != std::string::npos;
                 slash = h.name.find('/', slash + 1)) {
                const std::string sub = folder + "/" + h.name.substr(0, slash);
                if (::mkdir(sub.c_str(), 0755) != 0 && errno != EEXIST) {
                    reason = "cannot create " + sub + ": " + std::strerror(errno);
                    return false;
                }
            }
            out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (out < 0) {
                reason = "cannot create " + target + ": " + std::strerror(errno);
                return false;
            }
        }
        Sha256 hash;
        std::uint64_t written = 0;
        bool ok = true;
        while (ok) {
            const void* data = nullptr;
            std::size_t size = 0;
            la_int64_t offset = 0;
            const int r = archive_read_data_block(b.a.get(), &data, &size, &offset);
            if (r == ARCHIVE_EOF) break;
            if (r != ARCHIVE_OK || offset != static_cast<la_int64_t>(written)) {
                reason = damaged(b.a.get());
                ok = false;
                break;
            }
            if (written + size > want.size) {
                reason = h.name + " holds more than the " + sizeText(want.size) + " its manifest says";
                ok = false;
                break;
            }
            written += size;
            total += size;
            if (tooLarge(total, b.bytes, limits, reason)) {
                ok = false;
                break;
            }
            hash.add(data, size);
            if (writing && !writeAll(out, static_cast<const char*>(data), size)) {
                reason = "cannot write " + target + ": " + std::strerror(errno);
                ok = false;
            }
        }
        if (writing && ::close(out) != 0 && ok) {
            reason = "cannot write " + target + ": " + std::strerror(errno);
            ok = false;
        }
        if (!ok) return false;
        if (written != want.size) {
            reason = h.name + " holds " + sizeText(written) + ", not the " + sizeText(want.size) + " its manifest says";
            return false;
        }
        if (hash.hex() != want.sha256) {
            reason = h.name + " does not match its SHA-256 in the manifest";
            return false;
        }
    }
    if (!pending.empty()) {
        reason = "manifest.json lists " + pending.begin()->first + ", which the bundle lacks";
        return false;
    }
    return true;
}

namespace {

bool install(const std::string& file, const std::string& library, Installed& installed, std::string& reason,
             const Limits& limits)
{
    Inspection inspection;
    if (!inspectBundle(file, inspection, reason, limits)) return false;
    const Manifest& manifest = inspection.manifest;
    const fs::path target = fs::path(library) / manifest.mod;
    installed.modFolder = target.string();
    installed.manifest = manifest;
    if (matchesExtraction(target, inspection)) {
        // The bundle itself must still be sound, though nothing of it is written.
        installed.extracted = false;
        return extractBundle(file, inspection, "", reason, limits);
    }
    std::error_code ec;
    fs::create_directories(library, ec);
    if (ec) {
        reason = "cannot create " + library + ": " + ec.message();
        return false;
    }
    std::string temp = (fs::path(library) / ("." + manifest.mod + ".partial-XXXXXX")).string();
    if (!::mkdtemp(temp.data())) {
        reason = "cannot create a folder in " + library + ": " + std::strerror(errno);
        return false;
    }
    auto refuse = [&](std::string why) {
        fs::remove_all(temp, ec);
        reason = std::move(why);
        return false;
    };
    std::string why;
    if (!extractBundle(file, inspection, temp, why, limits)) return refuse(why);

    // A story the player cannot read is refused before it replaces anything.
    StoryRecords story;
    for (const storycheck::Finding& f : storycheck::checkScriptLoad(temp, story))
        if (f.severity == storycheck::Severity::Error)
            return refuse(f.message.rfind("script.xml", 0) == 0 ? f.message : "script.xml: " + f.message);
    if (story.frameCount != manifest.frames)
        return refuse("manifest.json says " + std::to_string(manifest.frames) + " frames, but script.xml holds " +
                      std::to_string(story.frameCount));

    {
        const std::string path = temp + "/" + kManifestName;
        const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        const bool ok = out >= 0 && writeAll(out, inspection.manifestText.data(), inspection.manifestText.size());
        if (out < 0 || ::close(out) != 0 || !ok) return refuse("cannot write " + path + ": " + std::strerror(errno));
    }
    // Swap the complete extraction in; the old one, if any, goes with the temporary name.
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0) {
        fs::remove_all(temp, ec);
    } else if (errno == ENOENT && ::rename(temp.c_str(), target.c_str()) == 0) {
    } else {
        return refuse("cannot move the story into " + target.string() + ": " + std::strerror(errno));
    }
    installed.extracted = true;
    return true;
}

} // namespace

bool installBundle(const std::string& file, const std::string& library, Installed& installed, std::string& reason,
                   const Limits& limits)
{
    const bool ok = install(file, library, installed, reason, limits);
    if (!ok) reason = oneLine(reason);
    return ok;
}

} // namespace bundle

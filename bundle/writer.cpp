// Writing a bundle: the files in the order given, then the manifest.
#include "bundle/bundle.h"
#include "bundle/bundle_local.h"

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace bundle {

namespace {

struct WriteCloser {
    void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
    void operator()(archive_entry* e) const { archive_entry_free(e); }
};

// Formats whose data is compressed already: deflating them again costs time and saves nothing.
bool isCompressedAlready(const std::string& path)
{
    const auto dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    for (const char* known : {"jpg", "jpeg", "png", "mp3", "ogg", "flac", "gif", "webp"})
        if (ext == known) return true;
    return false;
}

bool writeEntry(archive* a, const std::string& name, std::uint64_t size, std::time_t mtime, bool store)
{
    std::unique_ptr<archive_entry, EntryFree> entry(archive_entry_new());
    archive_entry_set_pathname_utf8(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
    archive_entry_set_mtime(entry.get(), mtime, 0);
    if (store)
        archive_write_zip_set_compression_store(a);
    else
        archive_write_zip_set_compression_deflate(a);
    return archive_write_header(a, entry.get()) == ARCHIVE_OK;
}

} // namespace

std::string sha256OfFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    Sha256 hash;
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    std::vector<char> buffer(kBlockBytes);
    while (ok) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        hash.add(buffer.data(), static_cast<std::size_t>(n));
    }
    ::close(fd);
    return ok ? hash.hex() : std::string();
}

std::string sha256Of(std::string_view bytes)
{
    Sha256 hash;
    hash.add(bytes.data(), bytes.size());
    return hash.hex();
}

bool writeBundle(const std::string& modFolder, const std::vector<std::string>& files, Manifest& manifest,
                 const std::string& outFile, std::string& reason)
{
    std::string temp = outFile + ".partial-XXXXXX";
    const int out = ::mkstemp(temp.data());
    if (out < 0) {
        reason = "cannot write " + outFile + ": " + std::strerror(errno);
        return false;
    }
    ::fchmod(out, 0644);
    std::unique_ptr<archive, WriteCloser> a(archive_write_new());
    archive_write_set_format_zip(a.get());
    auto failed = [&](const std::string& why) {
        reason = why;
        a.reset();
        ::close(out);
        ::unlink(temp.c_str());
        return false;
    };
    if (archive_write_open_fd(a.get(), out) != ARCHIVE_OK)
        return failed("cannot write " + outFile + ": " + archive_error_string(a.get()));

    manifest.files.clear();
    std::vector<char> buffer(kBlockBytes);
    for (const std::string& name : files) {
        const std::string path = modFolder + "/" + name;
        const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        struct stat st {};
        if (in < 0 || ::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
            if (in >= 0) ::close(in);
            return failed("cannot read " + path);
        }
        const auto size = static_cast<std::uint64_t>(st.st_size);
        if (!writeEntry(a.get(), name, size, st.st_mtime, isCompressedAlready(name))) {
            ::close(in);
            return failed("cannot write " + outFile + ": " + archive_error_string(a.get()));
        }
        Sha256 hash;
        std::uint64_t done = 0;
        bool ok = true;
        while (ok) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n <= 0) {
                ok = n == 0 || errno == EINTR;
                if (n == 0) break;
                continue;
            }
            hash.add(buffer.data(), static_cast<std::size_t>(n));
            done += static_cast<std::uint64_t>(n);
            ok = done <= size && archive_write_data(a.get(), buffer.data(), static_cast<std::size_t>(n)) == n;
        }
        ::close(in);
        if (!ok || done != size) return failed(path + " changed or could not be read while it was packed");
        manifest.files.push_back({name, size, hash.hex()});
    }
    const std::string json = manifestJson(manifest);
    if (!writeEntry(a.get(), kManifestName, json.size(), std::time(nullptr), false) ||
        archive_write_data(a.get(), json.data(), json.size()) != static_cast<la_ssize_t>(json.size()) ||
        archive_write_close(a.get()) != ARCHIVE_OK)
        return failed("cannot write " + outFile + ": " + archive_error_string(a.get()));
    a.reset();
    if (::fsync(out) != 0 || ::close(out) != 0) {
        ::unlink(temp.c_str());
        reason = "cannot write " + outFile + ": " + std::strerror(errno);
        return false;
    }
    if (std::rename(temp.c_str(), outFile.c_str()) != 0) {
        reason = "cannot write " + outFile + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

} // namespace bundle

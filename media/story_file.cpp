#include "media/story_file.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// Reads until the end of the file or until limit bytes are in; false on a read error.
bool readUpTo(int fd, std::size_t limit, std::vector<unsigned char>& bytes)
{
    std::size_t have = 0;
    for (;;) {
        if (have == bytes.size()) {
            if (bytes.size() >= limit) return true;
            bytes.resize(std::min(limit, std::max<std::size_t>(bytes.size() * 2, 64 * 1024)));
        }
        const ssize_t got = ::read(fd, bytes.data() + have, bytes.size() - have);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        have += static_cast<std::size_t>(got);
    }
    bytes.resize(have);
    return true;
}

std::optional<std::vector<unsigned char>> readRegular(const std::string& fsPath, std::size_t maxBytes, bool refuseLonger)
{
    // Looking before opening keeps device files from ever being opened, since
    // opening some of them has effects of its own.
    struct stat before {};
    if (fsPath.empty() || ::stat(fsPath.c_str(), &before) != 0 || !S_ISREG(before.st_mode)) return std::nullopt;
    if (refuseLonger && static_cast<unsigned long long>(before.st_size) > maxBytes) return std::nullopt;

    // O_NONBLOCK: should the name have become a FIFO since, opening it must
    // not wait for a writer; the fstat below refuses it then.
    const Descriptor file(::open(fsPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) return std::nullopt;
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return std::nullopt;
    const int flags = ::fcntl(file.get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return std::nullopt;

    // One byte past the limit tells a file that grew after the check.
    const std::size_t limit = refuseLonger ? maxBytes + 1 : maxBytes;
    std::vector<unsigned char> bytes;
    bytes.reserve(std::min<std::size_t>(limit, static_cast<std::size_t>(opened.st_size) + 1));
    if (!readUpTo(file.get(), limit, bytes)) return std::nullopt;
    if (refuseLonger && bytes.size() > maxBytes) return std::nullopt;
    return bytes;
}

} // namespace

std::optional<std::vector<unsigned char>> readStoryFile(const std::string& fsPath, std::size_t maxBytes)
{
    return readRegular(fsPath, maxBytes, true);
}

std::optional<std::vector<unsigned char>> readStoryFilePrefix(const std::string& fsPath, std::size_t maxBytes)
{
    return readRegular(fsPath, maxBytes, false);
}

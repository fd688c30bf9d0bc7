// Safe file access and the player's decoders, with results kept across runs.
#include "check/check_local.h"

#include "media/audio/audio_player.h"
#include "media/image/image_loader.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace storycheck {

namespace {
DependencyLog* dependencyLog = nullptr;

FileInfo statFile(const std::string& fsPath);
} // namespace

void setDependencyLog(DependencyLog* log)
{
    dependencyLog = log;
}

FileInfo probeFile(const std::string& fsPath)
{
    const FileInfo info = statFile(fsPath);
    if (dependencyLog) dependencyLog->files.emplace_back(fsPath, info);
    return info;
}

std::string folderListing(const std::string& folder)
{
    std::string listing;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    int seen = 0;
    for (fs::recursive_directory_iterator end; !ec && it != end && seen < 200000; it.increment(ec), ++seen)
        listing += it->path().native() + '\n';
    return listing;
}

namespace {
FileInfo statFile(const std::string& fsPath)
{
    struct stat st {};
    if (::stat(fsPath.c_str(), &st) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Unreadable, 0, 0};
    FileInfo info;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    if (S_ISREG(st.st_mode))
        info.kind = FileKind::Regular;
    else if (S_ISDIR(st.st_mode))
        info.kind = FileKind::Directory;
    else if (S_ISFIFO(st.st_mode))
        info.kind = FileKind::Fifo;
    else if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        info.kind = FileKind::Device;
    else if (S_ISSOCK(st.st_mode))
        info.kind = FileKind::Socket;
    else
        info.kind = FileKind::Other;
    return info;
}
} // namespace

const char* kindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Missing: return "missing";
    case FileKind::Regular: return "a file";
    case FileKind::Directory: return "a folder";
    case FileKind::Fifo: return "a FIFO";
    case FileKind::Device: return "a device";
    case FileKind::Socket: return "a socket";
    case FileKind::Other: return "not a file";
    case FileKind::Unreadable: return "unreadable";
    }
    return "not a file";
}

namespace {

// A descriptor of a regular file, or -1. O_NONBLOCK keeps a FIFO that took
// a file's place between the stat and the open from blocking us.
int openRegular(const std::string& fsPath)
{
    const int fd = ::open(fsPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

struct Fd {
    int fd;
    ~Fd()
    {
        if (fd >= 0) ::close(fd);
    }
};

} // namespace

bool readRegularFile(const std::string& fsPath, std::uint64_t limit, std::string& bytes)
{
    Fd file{openRegular(fsPath)};
    if (file.fd < 0) return false;
    bytes.clear();
    char chunk[65536];
    while (bytes.size() < limit) {
        const ssize_t got = ::read(file.fd, chunk, sizeof chunk);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    if (bytes.size() > limit) bytes.resize(limit);
    return true;
}

std::string toUtf8(const std::string& bytes)
{
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "GB18030");
    if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(*in));
            out += hex;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

// ---- decoders

namespace {

const char* decoderName(Decoder d)
{
    switch (d) {
    case Decoder::Png: return "png";
    case Decoder::Tga: return "tga";
    case Decoder::Other: return "other";
    case Decoder::Audio: return "audio";
    }
    return "?";
}

std::string cacheFolderOf(const Options& options)
{
    if (!options.cacheFolder.empty()) return options.cacheFolder;
    if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/quillforge";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.cache/quillforge";
    return {};
}

// Paths may hold any byte but NUL; tabs, line ends and backslashes are escaped.
std::string escape(const std::string& s)
{
    std::string out;
    for (char c : s) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            ++i;
            out += s[i] == 't' ? '\t' : s[i] == 'n' ? '\n' : s[i];
        } else {
            out += s[i];
        }
    }
    return out;
}

// Bumped whenever a decoder's verdict may change.
const char* const kCacheHeader = "quillforge-check cache 2";

} // namespace

Decoders::Decoders(const Options& options) : useCache_(options.useCache)
{
    const std::string folder = cacheFolderOf(options);
    if (folder.empty()) useCache_ = false;
    if (useCache_) {
        cacheFile_ = folder + "/check-decode.tsv";
        load();
    }
}

Decoders::~Decoders()
{
    if (useCache_ && dirty_) save();
}

void Decoders::load()
{
    std::string text;
    if (!readRegularFile(cacheFile_, kMaxScriptBytes, text)) return;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kCacheHeader) return;
    while (std::getline(in, line)) {
        // key \t ok \t width \t height \t channels \t ms \t problem
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        if (fields.size() != 7) continue;
        DecodeResult r;
        r.ok = fields[1] == "1";
        r.width = std::atoi(fields[2].c_str());
        r.height = std::atoi(fields[3].c_str());
        r.channels = std::atoi(fields[4].c_str());
        r.milliseconds = std::atof(fields[5].c_str());
        r.problem = unescape(fields[6]);
        cache_[unescape(fields[0])] = std::move(r);
    }
}

void Decoders::save() const
{
    std::error_code ec;
    const fs::path file(cacheFile_);
    fs::create_directories(file.parent_path(), ec);
    const std::string temporary = cacheFile_ + "." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out << kCacheHeader << '\n';
        for (const auto& [key, r] : cache_)
            out << escape(key) << '\t' << (r.ok ? 1 : 0) << '\t' << r.width << '\t' << r.height << '\t' << r.channels
                << '\t' << r.milliseconds << '\t' << escape(r.problem) << '\n';
        if (!out.flush()) {
            out.close();
            std::remove(temporary.c_str());
            return;
        }
    }
    // Another checker may write at the same time; the last complete file wins.
    if (std::rename(temporary.c_str(), cacheFile_.c_str()) != 0) std::remove(temporary.c_str());
}

bool Decoders::audioAvailable()
{
    if (audio_ < 0) audio_ = AudioPlayer::available() ? 1 : 0;
    return audio_ == 1;
}

std::string Decoders::findingsFile(const std::string& key) const
{
    char name[40];
    std::snprintf(name, sizeof name, "/mods/%016zx.txt", std::hash<std::string>{}(key));
    return fs::path(cacheFile_).parent_path().string() + name;
}

// The file: the header, the key, one "D" line per dependency (kind, size,
// mtime, path), the listing's hash and length, then one "F" line per finding.
bool Decoders::cachedFindings(const std::string& key, const std::string& folder, std::vector<Finding>& out) const
{
    if (!useCache_) return false;
    std::string text;
    if (!readRegularFile(findingsFile(key), kMaxScriptBytes, text)) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kCacheHeader || !std::getline(in, line) || unescape(line) != key)
        return false;
    std::vector<Finding> found;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::size_t start = 0;
        for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            f.push_back(line.substr(start, tab - start));
        f.push_back(line.substr(start));
        if (f[0] == "D" && f.size() == 5) {
            const FileInfo now = probeFile(unescape(f[4]));
            if (std::to_string(static_cast<int>(now.kind)) != f[1] || std::to_string(now.size) != f[2] ||
                std::to_string(now.mtimeNs) != f[3])
                return false;
        } else if (f[0] == "L" && f.size() == 2) {
            if (std::to_string(std::hash<std::string>{}(folderListing(folder))) != f[1]) return false;
        } else if (f[0] == "F" && f.size() == 8) {
            found.push_back({unescape(f[6]), std::atoi(f[2].c_str()), std::atoi(f[3].c_str()),
                             static_cast<Severity>(std::atoi(f[1].c_str())), unescape(f[5]), std::atoi(f[4].c_str()),
                             unescape(f[7])});
        } else {
            return false;
        }
    }
    out.insert(out.end(), found.begin(), found.end());
    return true;
}

void Decoders::storeFindings(const std::string& key, const std::string& folder, const DependencyLog& log,
                             const std::vector<Finding>& findings) const
{
    if (!useCache_) return;
    const std::string file = findingsFile(key);
    std::error_code ec;
    fs::create_directories(fs::path(file).parent_path(), ec);
    const std::string temporary = file + "." + std::to_string(::getpid());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << kCacheHeader << '\n' << escape(key) << '\n';
        std::set<std::string> seen;
        for (const auto& [path, info] : log.files)
            if (seen.insert(path).second)
                out << "D\t" << static_cast<int>(info.kind) << '\t' << info.size << '\t' << info.mtimeNs << '\t'
                    << escape(path) << '\n';
        out << "L\t" << std::hash<std::string>{}(folderListing(folder)) << '\n';
        for (const Finding& f : findings)
            out << "F\t" << static_cast<int>(f.severity) << '\t' << f.line << '\t' << f.column << '\t' << f.frame
                << '\t' << escape(f.rule) << '\t' << escape(f.file) << '\t' << escape(f.message) << '\n';
        if (!out.flush()) {
            out.close();
            std::remove(temporary.c_str());
            return;
        }
    }
    if (std::rename(temporary.c_str(), file.c_str()) != 0) std::remove(temporary.c_str());
}

const DecodeResult& Decoders::decode(const std::string& fsPath, const FileInfo& info, Decoder decoder)
{
    std::error_code ec;
    const fs::path canonical = fs::canonical(fsPath, ec);
    const std::string key = std::string(decoderName(decoder)) + ":" + (ec ? fsPath : canonical.string()) + ":" +
                            std::to_string(info.size) + ":" + std::to_string(info.mtimeNs);
    auto it = cache_.find(key);
    if (it != cache_.end()) return it->second;
    DecodeResult result = run(fsPath, decoder);
    dirty_ = true;
    return cache_.emplace(key, std::move(result)).first->second;
}

DecodeResult Decoders::run(const std::string& fsPath, Decoder decoder)
{
    DecodeResult r;
    Fd file{openRegular(fsPath)};
    if (file.fd < 0) {
        r.problem = "cannot be opened";
        return r;
    }
    // The decoders take a name: the one of the descriptor just checked, so
    // the file decoded is the regular file probed, whatever the name holds now.
    const std::string name = "/proc/self/fd/" + std::to_string(file.fd);
    const std::string opened = statFile(name).kind == FileKind::Regular ? name : fsPath;
    const auto started = std::chrono::steady_clock::now();
    if (decoder == Decoder::Audio) {
        std::uint32_t device = 0;
        r.ok = AudioPlayer::openDevice(device, opened);
        if (r.ok) {
            r.milliseconds = AudioPlayer::lengthMs(device); // for audio: its length
            AudioPlayer::closeDevice(device);
        } else {
            r.problem = "the player's audio layer cannot decode it (WAV, MP3, OGG and FLAC play)";
        }
        return r;
    }
    cv::Mat picture = decoder == Decoder::Png   ? loadPngImage(opened)
                      : decoder == Decoder::Tga ? readTgaFile(opened)
                                                : loadOtherImage(opened);
    r.milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    r.width = picture.cols;
    r.height = picture.rows;
    r.channels = picture.channels();
    // The sprite draws 8-bit pictures of 1 to 4 channels; anything else is blank.
    r.ok = !picture.empty() && picture.cols > 0 && picture.rows > 0 && picture.depth() == CV_8U && r.channels >= 1 &&
           r.channels <= 4;
    if (!r.ok) {
        switch (decoder) {
        case Decoder::Png: r.problem = "the player's PNG loader cannot decode it"; break;
        case Decoder::Tga:
            r.problem = "the player's TGA reader takes only uncompressed true-colour files without ID or colour map";
            break;
        default: r.problem = "the player's picture loader cannot decode it"; break;
        }
        if (!picture.empty() && (r.channels < 1 || r.channels > 4))
            r.problem = "it decodes to " + std::to_string(r.channels) + " channels, which the player does not draw";
    }
    return r;
}

} // namespace storycheck

#pragma once
// Insides of the story checker: safe file probes, the decoders the player
// uses with their results cached across runs, and the glyph file.

#include "check/story_check.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace storycheck {

// Files above this size are not read: script.xml is refused with a load
// finding, pictures and audio are not decoded.
inline constexpr std::uint64_t kMaxScriptBytes = 64ull << 20;
inline constexpr std::uint64_t kMaxMediaBytes = 256ull << 20;

enum class FileKind { Missing, Regular, Directory, Fifo, Device, Socket, Other, Unreadable };

struct FileInfo {
    FileKind kind = FileKind::Missing;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0;
};

// stat of path (links followed); nothing is opened. Recorded in the
// dependency log while one is set.
FileInfo probeFile(const std::string& fsPath);

// Every file a check of one mod looked at, with what it found there: while
// none of them changes, the same check gives the same findings.
struct DependencyLog {
    std::vector<std::pair<std::string, FileInfo>> files;
};
// Starts (log) or ends (null) recording probes.
void setDependencyLog(DependencyLog* log);

// The names of every file below folder, in one string (order included).
std::string folderListing(const std::string& folder);
// "a directory", "a FIFO", ... for a kind that is not a regular file.
const char* kindName(FileKind kind);

// Up to limit bytes of a regular file, opened without blocking and checked
// again once open. False when it is not a regular file or cannot be read.
bool readRegularFile(const std::string& fsPath, std::uint64_t limit, std::string& bytes);

// How the player decodes a file.
enum class Decoder { Png, Tga, Other, Audio };

struct DecodeResult {
    bool ok = false;
    int width = 0, height = 0, channels = 0;
    double milliseconds = 0; // decoding time
    std::string problem;     // why it failed, for the message
};

// Decoding results of this run (each file once) and of earlier runs (the
// on-disk cache, keyed by canonical path, size and modification time).
class Decoders {
public:
    explicit Decoders(const Options& options);
    ~Decoders(); // writes the cache back
    Decoders(const Decoders&) = delete;
    Decoders& operator=(const Decoders&) = delete;

    // fsPath must be a regular file (see probeFile) of info.
    const DecodeResult& decode(const std::string& fsPath, const FileInfo& info, Decoder decoder);
    // False once when audio cannot be decoded at all on this machine.
    bool audioAvailable();

    // The findings of an earlier check stored under key, when every file it
    // looked at (and the listing of folder) is as it was then.
    bool cachedFindings(const std::string& key, const std::string& folder, std::vector<Finding>& out) const;
    void storeFindings(const std::string& key, const std::string& folder, const DependencyLog& log,
                       const std::vector<Finding>& findings) const;

private:
    DecodeResult run(const std::string& fsPath, Decoder decoder);
    void load();
    void save() const;

    std::string findingsFile(const std::string& key) const;

    std::string cacheFile_;
    bool useCache_;
    bool dirty_ = false;
    int audio_ = -1;
    std::map<std::string, DecodeResult> cache_; // key: decoder, path, size, mtime
};

// The player's glyph file, read whole (it is under 1 MiB).
struct GlyphFile {
    std::string path;
    bool loaded = false;
    std::string bytes;
};

// UTF-8 text of story bytes (GB 2312 family), invalid bytes as "\xNN".
std::string toUtf8(const std::string& bytes);

} // namespace storycheck

#pragma once
// Reading the files a story names. Stories travel between people, so every
// picture and sound is untrusted: it is read only when it is a regular file
// (a FIFO, device, socket or directory is refused without blocking), and
// never past a limit suited to its kind. Symbolic links are followed.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxSoundFileBytes = std::size_t{256} << 20;

// The whole file at fsPath (a file-system path, see toFsPath), or nothing
// when it is not a regular file, cannot be read, or holds more than maxBytes.
std::optional<std::vector<unsigned char>> readStoryFile(const std::string& fsPath, std::size_t maxBytes);

// At most the first maxBytes bytes of the regular file at fsPath; nothing
// when it is not a regular file or cannot be read. For files whose useful
// part has a known length, where anything after it is ignored.
std::optional<std::vector<unsigned char>> readStoryFilePrefix(const std::string& fsPath, std::size_t maxBytes);

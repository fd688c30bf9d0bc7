// Reading and replacing the story's own files when the folders they lie in
// may come from a stranger: a name there may be a link, a folder, a FIFO or a
// device instead of the file expected.
//
// Paths here are file-system paths (see toFsPath).
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

// Size limits of the two files every start reads.
inline constexpr std::size_t kMaxScriptBytes = 64u << 20;  // script.xml
inline constexpr std::size_t kMaxStartupBytes = 4096;      // startup.txt

// Reads the whole of path into out when it is (or a link leads to) a regular
// file of at most limit bytes. Opening never blocks, so a FIFO or a device is
// refused rather than waited on. On failure out is untouched and why (when
// given) says what was found: "no such file", "not a regular file", "larger
// than N bytes" or the system's error text.
bool readRegularFile(const std::string& path, std::size_t limit, std::string& out, std::string* why = nullptr);

// Opens path for reading when it is a regular file, without blocking; -1
// otherwise. The caller closes the descriptor.
int openRegularFile(const std::string& path);

// Replaces path with what write puts into the stream it is given: the text
// goes to a new temporary file of a unique name beside path (created
// exclusively, never through a link), which replaces path by rename once it
// is complete and on disk. A link at path is replaced, never written through;
// a regular file's permission bits are kept. Temporary files that an earlier
// save left behind when its process died are removed first; one that a live
// save is still writing is left alone. False (and path unchanged) when write
// returns false or the file cannot be made or written.
bool replaceFile(const std::string& path, const std::function<bool(std::FILE*)>& write);
bool replaceFile(const std::string& path, const std::string& bytes);

// The prefix of every temporary name replaceFile uses for path.
std::string temporaryPrefixOf(const std::string& path);

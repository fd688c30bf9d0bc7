#pragma once
// Stored paths as both programs keep them: "\" or "/" separators, doubled
// separators and all, until one of these maps them for the file system.

#include <string>

// The one place a stored path becomes a file-system path: "\" becomes "/".
std::string toFsPath(const std::string& path);

// The last component of a stored path ("\" and "/" both separate), or the
// whole path when it has no separator.
std::string fileNameOf(const std::string& path);

#pragma once
// Internal to imageio: the path form handed to the file system.

#include <string>

namespace imageio_detail {

// Stored paths may use "\" as a separator; the file system here needs "/".
inline std::string fileSystemPath(std::string path)
{
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    return path;
}

} // namespace imageio_detail

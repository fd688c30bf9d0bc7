#pragma once
// Files no story picture or sound may be read from, made in a test folder:
// a FIFO, a link to /dev/zero, a directory, and a 1 GB sparse file that
// starts like a real file of the kind. Each is made under the given name.
#include "tests/player/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace hostile {

// The paths of the four kinds, named stem + "-fifo" + extension and so on.
inline std::vector<std::string> makeAll(const TempDir& dir, const std::string& extension,
                                        const std::vector<unsigned char>& realStart)
{
    const std::string fifo = dir.file("fifo" + extension);
    const std::string zero = dir.file("zero" + extension);
    const std::string folder = dir.file("folder" + extension);
    const std::string sparse = dir.write("sparse" + extension, realStart);
    ::mkfifo(fifo.c_str(), 0600);
    std::filesystem::create_symlink("/dev/zero", zero);
    std::filesystem::create_directory(folder);
    std::filesystem::resize_file(sparse, std::uintmax_t{1} << 30);
    return {fifo, zero, folder, sparse};
}

} // namespace hostile

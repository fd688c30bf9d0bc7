#include "render/png_output.h"

#include "render/interrupt_cleanup.h"

#include <opencv2/imgcodecs.hpp>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace fs = std::filesystem;

namespace render {

std::string writePng(const fs::path& file, const cv::Mat& bgr)
{
    const std::string name = file.string();
    std::error_code ec;
    const fs::path folder = file.parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
        fs::create_directories(folder, ec);
        if (ec) return "cannot create the folder " + folder.string() + ": " + ec.message();
    }
    std::vector<unsigned char> bytes;
    try {
        // Level 3: a third of level 6's time for a tenth more bytes; pictures
        // to keep (the goldens) are packed tighter by update-goldens.sh.
        if (!cv::imencode(".png", bgr, bytes, {cv::IMWRITE_PNG_COMPRESSION, 3}))
            return "cannot encode " + name + " as PNG";
    } catch (const cv::Exception& e) {
        return "cannot encode " + name + " as PNG: " + e.what();
    }

    std::string temp = (folder / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(temp.data());
    if (fd < 0) return "cannot write " + name + ": " + std::strerror(errno);
    cleanup::watchPath(cleanup::kPartialPng, temp);
    // mkstemp makes the file private; give it what a plain new file gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::size_t done = 0;
    int error = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && std::rename(temp.c_str(), name.c_str()) != 0) error = errno;
    if (error != 0) unlink(temp.c_str());
    cleanup::watchPath(cleanup::kPartialPng, {});
    if (error != 0) return "cannot write " + name + ": " + std::strerror(error);
    return {};
}

} // namespace render

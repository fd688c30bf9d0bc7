// The renderer's picture reader for StoryImage: each file is decoded once per
// run, and a file that gives no picture is named once on standard error.
#pragma once

#include <opencv2/core.hpp>

#include <cstddef>
#include <functional>
#include <string>

namespace render {

struct PictureCacheStats {
    std::size_t decodes = 0; // files read and decoded
    std::size_t hits = 0;    // loads served from memory
};

// Installs the cache as the player's picture reader. `describe` turns the
// player's path into the name the user knows (and may add where it was
// needed); `budgetBytes` bounds the decoded pictures kept: past it the least
// recently used ones are dropped (and decoded again if needed again).
void installPictureCache(std::function<std::string(const std::string& playerPath)> describe,
                         std::size_t budgetBytes = std::size_t{1} << 30);
PictureCacheStats pictureCacheStats();
// How many distinct files gave no picture so far.
std::size_t unreadablePictureCount();

// Exposed for tests: the reader installPictureCache installs.
cv::Mat cachedPicture(const std::string& playerPath);

} // namespace render

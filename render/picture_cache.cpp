#include "render/picture_cache.h"

#include "media/path.h"
#include "player/story_sprite.h"

#include <cstdio>
#include <filesystem>
#include <list>
#include <set>
#include <unordered_map>
#include <utility>

namespace render {
namespace {

struct Cache {
    std::function<std::string(const std::string&)> describe;
    std::size_t budget = 0;
    std::size_t bytes = 0;
    // Most recently used first.
    std::list<std::pair<std::string, cv::Mat>> pictures;
    std::unordered_map<std::string, std::list<std::pair<std::string, cv::Mat>>::iterator> index;
    std::set<std::string> unreadable;
    PictureCacheStats stats;
};

Cache& cache()
{
    static Cache state;
    return state;
}

std::size_t sizeOf(const cv::Mat& m) { return m.total() * m.elemSize(); }

void report(Cache& c, const std::string& path)
{
    if (!c.unreadable.insert(path).second) return;
    std::error_code ec;
    const bool exists = std::filesystem::exists(toFsPath(path), ec);
    const std::string name = c.describe ? c.describe(path) : path;
    std::fprintf(stderr, "scenewalk-render: %s: %s; it shows as nothing\n", name.c_str(),
                 exists ? "not a picture that can be decoded" : "no such picture file");
}

} // namespace

cv::Mat cachedPicture(const std::string& playerPath)
{
    Cache& c = cache();
    if (auto it = c.index.find(playerPath); it != c.index.end()) {
        ++c.stats.hits;
        c.pictures.splice(c.pictures.begin(), c.pictures, it->second);
        // A copy: loadImage flips and converts the picture it gets in place.
        return it->second->second.clone();
    }
    cv::Mat picture = readPictureFile(playerPath);
    ++c.stats.decodes;
    if (picture.empty()) report(c, playerPath);
    const std::size_t bytes = sizeOf(picture);
    if (bytes <= c.budget) {
        c.pictures.emplace_front(playerPath, picture);
        c.index[playerPath] = c.pictures.begin();
        c.bytes += bytes;
        while (c.bytes > c.budget && c.pictures.size() > 1) {
            c.bytes -= sizeOf(c.pictures.back().second);
            c.index.erase(c.pictures.back().first);
            c.pictures.pop_back();
        }
        return picture.clone();
    }
    return picture;
}

void installPictureCache(std::function<std::string(const std::string&)> describe, std::size_t budgetBytes)
{
    Cache& c = cache();
    c.describe = std::move(describe);
    c.budget = budgetBytes;
    pictureReader = cachedPicture;
}

PictureCacheStats pictureCacheStats() { return cache().stats; }

std::size_t unreadablePictureCount() { return cache().unreadable.size(); }

} // namespace render

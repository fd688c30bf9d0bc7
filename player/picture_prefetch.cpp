#include "player/picture_prefetch.h"

#include "player/story_sprite.h"

#include <algorithm>
#include <cstdlib>
#include <set>

namespace {

// Every live prefetcher, stopped before the process's libraries go away.
std::mutex liveMutex;
std::set<PicturePrefetch*>& live()
{
    static auto* all = new std::set<PicturePrefetch*>;
    return *all;
}

void stopAllAtExit()
{
    std::set<PicturePrefetch*> all;
    {
        const std::lock_guard lock(liveMutex);
        all = live();
    }
    for (PicturePrefetch* p : all) p->stop();
}

} // namespace

PicturePrefetch::PicturePrefetch()
{
    static const bool registered = (std::atexit(stopAllAtExit), true);
    (void)registered;
    {
        const std::lock_guard lock(liveMutex);
        live().insert(this);
    }
    worker_ = std::thread([this] { run(); });
}

PicturePrefetch::~PicturePrefetch()
{
    stop();
    const std::lock_guard lock(liveMutex);
    live().erase(this);
}

void PicturePrefetch::stop()
{
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
        entries_.clear();
    }
    changed_.notify_all();
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

void PicturePrefetch::want(const std::vector<PictureKey>& keys)
{
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return;
        std::list<Entry> kept;
        for (const PictureKey& key : keys) {
            if (key.path.empty()) continue;
            if (std::any_of(kept.begin(), kept.end(), [&](const Entry& e) { return e.key == key; })) continue;
            auto it = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
            if (it != entries_.end())
                kept.splice(kept.end(), entries_, it);
            else
                kept.push_back(Entry{key, Entry::Queued, cv::Mat()});
        }
        // One being prepared stays listed until the worker is done with it.
        for (Entry& e : entries_)
            if (e.state == Entry::Preparing) kept.push_back(std::move(e));
        entries_ = std::move(kept);
    }
    changed_.notify_all();
}

cv::Mat PicturePrefetch::take(const PictureKey& key)
{
    std::unique_lock lock(mutex_);
    auto find = [&] {
        return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
    };
    auto it = find();
    while (it != entries_.end() && it->state == Entry::Preparing) {
        changed_.wait(lock);
        it = find();
    }
    if (it != entries_.end() && it->state == Entry::Ready) {
        cv::Mat picture = std::move(it->picture);
        entries_.erase(it);
        return picture;
    }
    if (it != entries_.end()) entries_.erase(it);
    lock.unlock();
    return StoryImage::preparePicture(key.path, key.mirror, key.size.width, key.size.height);
}

void PicturePrefetch::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        auto next = entries_.end();
        changed_.wait(lock, [&] {
            if (stopping_) return true;
            next =
                std::find_if(entries_.begin(), entries_.end(), [](const Entry& e) { return e.state == Entry::Queued; });
            return next != entries_.end();
        });
        if (stopping_) return;
        next->state = Entry::Preparing;
        const PictureKey key = next->key;
        lock.unlock();
        cv::Mat picture = StoryImage::preparePicture(key.path, key.mirror, key.size.width, key.size.height);
        lock.lock();
        // The list may have changed meanwhile; the entry itself stays while
        // it is being prepared.
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const Entry& e) { return e.key == key && e.state == Entry::Preparing; });
        if (it != entries_.end()) {
            it->picture = std::move(picture);
            it->state = Entry::Ready;
        }
        changed_.notify_all();
    }
}

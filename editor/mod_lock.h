#pragma once
// An advisory lock on the mod folder while a Quillforge has the mod open, so
// a second editor on the same mod opens it read-only instead of saving over
// the first one's work. The lock goes with the process: a crashed editor
// leaves none behind.

#include <string>

namespace quillforge {

class ModLock {
public:
    ModLock() = default;
    ~ModLock() { release(); }
    ModLock(const ModLock&) = delete;
    ModLock& operator=(const ModLock&) = delete;

    // Releases the lock held, then locks folder (a file-system path). False
    // only when another editor holds folder; a folder that cannot be opened
    // or locked at all is no reason to refuse the author.
    bool take(const std::string& folder);
    void release();

private:
    int fd_ = -1;
};

} // namespace quillforge

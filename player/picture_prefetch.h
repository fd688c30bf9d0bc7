#pragma once
// Pictures prepared ahead of the transition that shows them: a worker thread
// decodes and sizes the pictures of the frame a transition goes to and of
// that frame's neighbours, so that step 10 only swaps pictures in.

#include <opencv2/core.hpp>

#include <condition_variable>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct PictureKey {
    std::string path;
    bool mirror = false;
    cv::Size size;
    bool operator==(const PictureKey&) const = default;
};

class PicturePrefetch {
public:
    PicturePrefetch();
    ~PicturePrefetch();
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;

    // The pictures wanted next, most urgent first. Prepared pictures not in
    // the list are dropped; those in it are kept until taken or dropped.
    void want(const std::vector<PictureKey>& keys);
    // The picture for key (StoryImage::preparePicture's result): the prepared
    // one, waiting when it is being prepared; prepared here when it was not
    // asked for or not started yet.
    cv::Mat take(const PictureKey& key);

    // Ends the worker; take then prepares every picture itself. Runs at exit
    // as well, so no decoding outlives the libraries it uses.
    void stop();

private:
    struct Entry {
        PictureKey key;
        enum State { Queued, Preparing, Ready } state = Queued;
        cv::Mat picture;
    };
    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<Entry> entries_;
    bool stopping_ = false;
    std::thread worker_;

    void run();
};

#pragma once
// The frame preview picture: the background scaled to 800 x 600, the left
// person's photo blended in at the bottom left, the right person's photo
// mirrored at the bottom right.

#include <cstdint>
#include <filesystem>
#include <list>
#include <string>

#include <opencv2/core.hpp>

#include "editor/draw_target.h"

namespace quillforge {

inline constexpr int kPreviewWidth = 800;
inline constexpr int kPreviewHeight = 600;

// Files of one frame's picture, as file-system paths; an empty path means none.
struct FramePictures {
    std::string background;
    std::string leftPhoto;
    std::string rightPhoto;
    // Shown on the grey picture when no background can be drawn.
    std::string backgroundNote;
};

// Decoded pictures keyed by path, file size and modification time, so an
// unchanged file is decoded once and a changed one is read again. Holds at most
// `capacity` pictures (the least recently used goes first); capacity 0 caches
// nothing, so every request reads the file.
class PictureCache {
public:
    explicit PictureCache(std::size_t capacity = 16) : capacity_(capacity) {}

    // The background already scaled to 800 x 600 (bilinear, 3 channels, blue,
    // green, red); empty when the file cannot be read as a picture.
    cv::Mat scaledBackground(const std::string& path);
    // A photo as loadPngImage gives it: red, green, blue, alpha, bottom row
    // first; 0 x 0 when the file cannot be decoded.
    cv::Mat photo(const std::string& path);

    std::size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

private:
    enum class Kind { Background, Photo };
    struct Entry {
        Kind kind;
        std::string path;
        std::uintmax_t fileSize;
        std::filesystem::file_time_type modified;
        cv::Mat picture;
    };
    cv::Mat lookup(Kind kind, const std::string& path);

    std::size_t capacity_;
    std::list<Entry> entries_; // most recently used first
};

// Scales a picture of any size bilinearly into canvas (800 x 600, 3 channels).
void scaleBackground(const cv::Mat& background, cv::Mat& canvas);

// Blends a photo (red, green, blue, alpha, bottom row first) into canvas
// (blue, green, red): its bottom edge on the canvas's bottom edge, its left edge
// on the left edge, or, mirrored, its right edge on the right edge. Pixels
// outside the canvas are skipped; each channel becomes the integer part of
// a * photo + (1 - a) * canvas with a = alpha / 255.
void blendPhoto(cv::Mat& canvas, const cv::Mat& photo, bool mirrored);

// Fills canvas with an even grey, a dark frame and the note, so a picture that
// cannot be composed is obvious.
void drawMissingBackground(cv::Mat& canvas, const std::string& note);

// Composes one frame into canvas (created 800 x 600 x 3 when it is not).
// Returns false when the background could not be drawn (the grey picture with
// the note stands in for it; photos are still blended over it).
bool composeFramePicture(cv::Mat& canvas, const FramePictures& pictures, PictureCache& cache);

// The part of client that an 800 x 600 picture fills when fitted with its
// aspect ratio kept and centred.
PixelRect fitPreviewRect(const PixelRect& client);

} // namespace quillforge

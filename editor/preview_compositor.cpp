#include "editor/preview_compositor.h"

#include <system_error>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "media/image/image_loader.h"

namespace quillforge {

cv::Mat PictureCache::lookup(Kind kind, const std::string& path)
{
    std::error_code ec;
    std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) fileSize = static_cast<std::uintmax_t>(-1);
    std::filesystem::file_time_type modified = std::filesystem::last_write_time(path, ec);
    if (ec) modified = std::filesystem::file_time_type::min();
    bool known = fileSize != static_cast<std::uintmax_t>(-1);

    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (it->kind != kind || it->path != path) continue;
        if (known && it->fileSize == fileSize && it->modified == modified) {
            entries_.splice(entries_.begin(), entries_, it);
            return it->picture;
        }
        entries_.erase(it);
        break;
    }

    cv::Mat picture;
    if (!known) {
        // Nothing to read; asking the decoders anyway only fills the terminal.
        if (kind == Kind::Photo) picture.create(0, 0, CV_8UC4);
        return picture;
    }
    if (kind == Kind::Photo) {
        picture = loadPngImage(path);
    } else {
        cv::Mat read = readWithOpenCv(path, cv::IMREAD_COLOR);
        if (!read.empty()) scaleBackground(read, picture);
    }
    // A missing file is not remembered: it may appear at any time.
    if (capacity_ > 0) {
        entries_.push_front(Entry{kind, path, fileSize, modified, picture});
        while (entries_.size() > capacity_) entries_.pop_back();
    }
    return picture;
}

cv::Mat PictureCache::scaledBackground(const std::string& path)
{
    return lookup(Kind::Background, path);
}

cv::Mat PictureCache::photo(const std::string& path)
{
    return lookup(Kind::Photo, path);
}

void scaleBackground(const cv::Mat& background, cv::Mat& canvas)
{
    cv::resize(background, canvas, cv::Size(kPreviewWidth, kPreviewHeight), 0, 0, cv::INTER_LINEAR);
}

void blendPhoto(cv::Mat& canvas, const cv::Mat& photo, bool mirrored)
{
    if (photo.empty() || photo.type() != CV_8UC4 || canvas.type() != CV_8UC3) return;
    const int w = photo.cols;
    const int h = photo.rows;
    const int canvasW = canvas.cols;
    const int canvasH = canvas.rows;

    // a is taken in single precision and the mix done in double, so pictures
    // match earlier previews exactly; a table keeps the division off the loop.
    static const auto weights = [] {
        struct {
            double a[256];
            double rest[256];
        } t{};
        for (int alpha = 0; alpha < 256; ++alpha) {
            float a = static_cast<float>(alpha / 255.0);
            t.a[alpha] = a;
            t.rest[alpha] = 1.0 - static_cast<double>(a);
        }
        return t;
    }();

    const int firstColumn = 0;
    const int lastColumn = std::min(w, canvasW) - 1;
    for (int r = 0; r < h; ++r) {
        int targetRow = canvasH - h + r;
        if (targetRow < 0 || targetRow >= canvasH) continue;
        // The photo's rows are stored bottom row first.
        const uint8_t* src = photo.ptr<uint8_t>(h - 1 - r);
        uint8_t* dst = canvas.ptr<uint8_t>(targetRow);
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const uint8_t* p = src + 4 * c;
            int alpha = p[3];
            if (alpha == 0) continue;
            int targetColumn = mirrored ? canvasW - 1 - c : c;
            uint8_t* q = dst + 3 * targetColumn;
            double a = weights.a[alpha];
            double rest = weights.rest[alpha];
            q[0] = static_cast<uint8_t>(a * p[2] + rest * q[0]);
            q[1] = static_cast<uint8_t>(a * p[1] + rest * q[1]);
            q[2] = static_cast<uint8_t>(a * p[0] + rest * q[2]);
        }
    }
}

void drawMissingBackground(cv::Mat& canvas, const std::string& note)
{
    canvas.create(kPreviewHeight, kPreviewWidth, CV_8UC3);
    canvas.setTo(cv::Scalar(128, 128, 128));
    cv::rectangle(canvas, cv::Rect(0, 0, kPreviewWidth, kPreviewHeight), cv::Scalar(40, 40, 40), 8);
    cv::line(canvas, cv::Point(0, 0), cv::Point(kPreviewWidth - 1, kPreviewHeight - 1), cv::Scalar(96, 96, 96), 2);
    cv::line(canvas, cv::Point(kPreviewWidth - 1, 0), cv::Point(0, kPreviewHeight - 1), cv::Scalar(96, 96, 96), 2);
    int baseline = 0;
    const double scale = 1.0;
    const int thickness = 2;
    std::string lines[2] = {"Background cannot be shown", note};
    int y = 200;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        cv::Size size = cv::getTextSize(line, cv::FONT_HERSHEY_SIMPLEX, scale, thickness, &baseline);
        int x = std::max(12, (kPreviewWidth - size.width) / 2);
        cv::rectangle(canvas, cv::Rect(x - 8, y - size.height - 8, size.width + 16, size.height + baseline + 16),
                      cv::Scalar(235, 235, 235), cv::FILLED);
        cv::putText(canvas, line, cv::Point(x, y), cv::FONT_HERSHEY_SIMPLEX, scale, cv::Scalar(0, 0, 160), thickness,
                    cv::LINE_AA);
        y += size.height + baseline + 30;
    }
}

bool composeFramePicture(cv::Mat& canvas, const FramePictures& pictures, PictureCache& cache)
{
    canvas.create(kPreviewHeight, kPreviewWidth, CV_8UC3);
    bool backgroundDrawn = false;
    if (!pictures.background.empty()) {
        cv::Mat scaled = cache.scaledBackground(pictures.background);
        if (!scaled.empty()) {
            scaled.copyTo(canvas);
            backgroundDrawn = true;
        }
    }
    if (!backgroundDrawn) drawMissingBackground(canvas, pictures.backgroundNote);
    if (!pictures.leftPhoto.empty()) blendPhoto(canvas, cache.photo(pictures.leftPhoto), false);
    if (!pictures.rightPhoto.empty()) blendPhoto(canvas, cache.photo(pictures.rightPhoto), true);
    return backgroundDrawn;
}

PixelRect fitPreviewRect(const PixelRect& client)
{
    PixelRect fitted = client;
    const int wc = client.width();
    const int hc = client.height();
    int fitWidth = static_cast<int>(hc * 800.0 / 600.0);
    if (fitWidth > wc) {
        int fitHeight = static_cast<int>(wc * 600.0 / 800.0);
        int m = (hc - fitHeight) / 2;
        fitted.top += m;
        fitted.bottom -= m;
    } else {
        int m = (wc - fitWidth) / 2;
        fitted.left += m;
        fitted.right -= m;
    }
    return fitted;
}

} // namespace quillforge

// Preview refresh of one frame: a 1920 x 1080 JPEG background and two
// 600 x 900 PNG photos. "Cached" keeps decoded pictures between refreshes
// (the editor's way), "Uncached" decodes every file on every refresh;
// "Painted" adds drawing the picture fitted into the preview frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <QImage>
#include <QPainter>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "editor/cvv_image.h"
#include "editor/preview_compositor.h"
#include "editor/qt/qt_controls.h"

using namespace quillforge;

namespace {

struct Fixture {
    std::filesystem::path dir;
    FramePictures pictures;

    Fixture()
    {
        dir = std::filesystem::temp_directory_path() / ("qf-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        cv::Mat bg(1080, 1920, CV_8UC3);
        cv::randu(bg, 0, 256);
        cv::GaussianBlur(bg, bg, cv::Size(9, 9), 3); // photo-like, not pure noise
        cv::imwrite((dir / "bg.jpg").string(), bg, {cv::IMWRITE_JPEG_QUALITY, 90});
        for (const char* name : {"left.png", "right.png"}) {
            cv::Mat photo(900, 600, CV_8UC4);
            cv::randu(photo, 0, 256);
            // A person-shaped opaque core with a soft, partly transparent rim.
            cv::Mat alpha(900, 600, CV_8UC1, cv::Scalar(0));
            cv::ellipse(alpha, cv::Point(300, 500), cv::Size(220, 420), 0, 0, 360, cv::Scalar(255), cv::FILLED);
            cv::GaussianBlur(alpha, alpha, cv::Size(61, 61), 20);
            cv::Mat channels[4];
            cv::split(photo, channels);
            channels[3] = alpha;
            cv::merge(channels, 4, photo);
            cv::imwrite((dir / name).string(), photo);
        }
        pictures = {(dir / "bg.jpg").string(), (dir / "left.png").string(), (dir / "right.png").string(), ""};

        // The cached picture must be exactly the freshly read one.
        PictureCache warm, none(0);
        cv::Mat a, b;
        composeFramePicture(a, pictures, warm);
        composeFramePicture(a, pictures, warm);
        composeFramePicture(b, pictures, none);
        if (cv::norm(a, b, cv::NORM_INF) != 0.0) {
            std::fprintf(stderr, "cached and fresh previews differ\n");
            std::abort();
        }
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

// Times composing the fixture's frame through cache; warm fills it first,
// outside the timing.
void refreshThrough(benchmark::State& state, PictureCache& cache, bool warm)
{
    cv::Mat canvas;
    if (warm) composeFramePicture(canvas, fixture().pictures, cache);
    for (auto _ : state) {
        composeFramePicture(canvas, fixture().pictures, cache);
        benchmark::DoNotOptimize(canvas.data);
    }
}

void BM_RefreshUncached(benchmark::State& state)
{
    PictureCache none(0);
    refreshThrough(state, none, false);
}

void BM_RefreshCached(benchmark::State& state)
{
    PictureCache cache;
    refreshThrough(state, cache, true);
}

// What a paint of the preview costs: compose from the cache, copy into the
// temporary CvvImage and draw it shrunk into the 645 x 484 frame.
void BM_RefreshCachedPainted(benchmark::State& state)
{
    PictureCache cache;
    cv::Mat canvas;
    composeFramePicture(canvas, fixture().pictures, cache);
    QImage surface(647, 488, QImage::Format_RGB32);
    PixelRect fitted = fitPreviewRect({0, 0, 647, 488});
    for (auto _ : state) {
        composeFramePicture(canvas, fixture().pictures, cache);
        QPainter painter(&surface);
        qt::QtPainterTarget target(painter);
        CvvImage copy;
        copy.createImage(canvas.cols, canvas.rows, 24, 0);
        copy.copyFrom(canvas, 1);
        copy.drawInto(target, &fitted);
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
}

BENCHMARK(BM_RefreshUncached)->Unit(benchmark::kMillisecond)->Repetitions(9)->DisplayAggregatesOnly(true);
BENCHMARK(BM_RefreshCached)->Unit(benchmark::kMillisecond)->Repetitions(9)->DisplayAggregatesOnly(true);
BENCHMARK(BM_RefreshCachedPainted)->Unit(benchmark::kMillisecond)->Repetitions(9)->DisplayAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();

// The preview picture: scaling, blending, clipping, the cache, fitting, and
// the CvvImage holder that draws it; and the GB text conversions.
#include <opencv2/imgproc.hpp>

#include "editor/cvv_image.h"
#include "editor/preview_compositor.h"
#include "editor/text_codec.h"
#include "fake_controls.h"

using namespace quillforge;

namespace {

// A photo as loadPngImage gives it (bottom row first, RGBA), built from the
// file's view: pixel(c, r) of the file's top-down picture.
template <typename Fn> cv::Mat photoOf(int w, int h, Fn pixel)
{
    cv::Mat m(h, w, CV_8UC4);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) m.at<cv::Vec4b>(h - 1 - r, c) = pixel(c, r);
    return m;
}

cv::Mat canvasOf(cv::Vec3b bgr)
{
    return cv::Mat(kPreviewHeight, kPreviewWidth, CV_8UC3, cv::Scalar(bgr[0], bgr[1], bgr[2]));
}

TEST(PreviewBlend, AlphaMixesWithTruncation)
{
    cv::Mat canvas = canvasOf({50, 60, 70});
    // Alpha 0 keeps the background, 255 copies the photo, 100 mixes and truncates.
    blendPhoto(canvas, photoOf(3, 1, [](int c, int) {
                   return cv::Vec4b(200, 10, 30, c == 0 ? 0 : c == 1 ? 255 : 100);
               }), false);
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(50, 60, 70));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 1), cv::Vec3b(30, 10, 200));
    // 0.39215687 * 30 + 0.60784313 * 50 = 42.156...; red 0.392 * 200 + 0.608 * 70 = 120.98 -> 120
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 2), cv::Vec3b(42, 40, 120));
}

TEST(PreviewBlend, TallPhotoLosesItsTopRowsAndStandsOnTheBottomEdge)
{
    cv::Mat canvas = canvasOf({0, 0, 0});
    blendPhoto(canvas, photoOf(300, 700, [](int, int r) { return cv::Vec4b(r % 256, r / 256, 7, 255); }), false);
    EXPECT_EQ(canvas.at<cv::Vec3b>(0, 0), cv::Vec3b(7, 0, 100)) << "file row 100 is the top row drawn";
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 299), cv::Vec3b(7, 2, 699 % 256));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 300), cv::Vec3b(0, 0, 0));
}

TEST(PreviewBlend, RightPhotoIsMirroredClippedAndOnTop)
{
    cv::Mat canvas = canvasOf({0, 0, 0});
    blendPhoto(canvas, photoOf(900, 10, [](int, int) { return cv::Vec4b(0, 0, 255, 255); }), false);
    blendPhoto(canvas, photoOf(900, 10, [](int c, int) { return cv::Vec4b(c % 256, c / 256, 0, 255); }), true);
    EXPECT_EQ(canvas.at<cv::Vec3b>(595, 799), cv::Vec3b(0, 0, 0)) << "photo column 0 at the right edge";
    EXPECT_EQ(canvas.at<cv::Vec3b>(595, 0), cv::Vec3b(0, 799 / 256, 799 % 256));
    EXPECT_EQ(canvas.at<cv::Vec3b>(589, 0), cv::Vec3b(0, 0, 0)) << "rows above the photo untouched";
}

// Works in a temporary directory: file names are relative to it.
class PreviewFiles : public ::testing::Test {
    qtest::StoryRoot root;
};

TEST_F(PreviewFiles, ComposesScaledBackgroundAndPhotosAndShowsAMissingOne)
{
    cv::Mat bg(300, 400, CV_8UC3);
    cv::randu(bg, 0, 255);
    cv::imwrite("bg.png", bg);
    cv::Mat photo(100, 50, CV_8UC4, cv::Scalar(255, 0, 0, 255));  // red in RGBA, as written by OpenCV: BGRA
    cv::imwrite("p.png", photo);

    PictureCache cache;
    cv::Mat canvas;
    EXPECT_TRUE(composeFramePicture(canvas, {"bg.png", "p.png", "", ""}, cache));
    cv::Mat expected;
    cv::resize(bg, expected, cv::Size(800, 600), 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(canvas.at<cv::Vec3b>(10, 700), expected.at<cv::Vec3b>(10, 700));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(255, 0, 0)) << "blue file pixel stays blue";

    EXPECT_FALSE(composeFramePicture(canvas, {"nope.jpg", "p.png", "", "note"}, cache));
    EXPECT_EQ(canvas.at<cv::Vec3b>(500, 400), cv::Vec3b(128, 128, 128));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(255, 0, 0)) << "photos still drawn";
}

TEST_F(PreviewFiles, CacheGivesWhatAFreshReadGivesAndNoticesChanges)
{
    cv::Mat bg(60, 80, CV_8UC3, cv::Scalar(10, 20, 30));
    cv::imwrite("bg.png", bg);
    PictureCache cache, none(0);
    cv::Mat cached, fresh;
    composeFramePicture(cached, {"bg.png", "", "", ""}, cache);
    composeFramePicture(cached, {"bg.png", "", "", ""}, cache);
    composeFramePicture(fresh, {"bg.png", "", "", ""}, none);
    EXPECT_EQ(cv::norm(cached, fresh, cv::NORM_INF), 0.0);
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(none.size(), 0u);

    // Same size, new content and time: read again.
    auto stamp = std::filesystem::last_write_time("bg.png");
    cv::imwrite("bg.png", cv::Mat(60, 80, CV_8UC3, cv::Scalar(11, 20, 30)));
    std::filesystem::last_write_time("bg.png", stamp + std::chrono::seconds(2));
    composeFramePicture(cached, {"bg.png", "", "", ""}, cache);
    EXPECT_EQ(cached.at<cv::Vec3b>(0, 0), cv::Vec3b(11, 20, 30));
    std::filesystem::remove("bg.png");
    EXPECT_FALSE(composeFramePicture(cached, {"bg.png", "", "", ""}, cache));
}

TEST(PreviewFit, FitsEightByFourAndCentres)
{
    EXPECT_EQ(fitPreviewRect({0, 0, 646, 487}), (PixelRect{0, 1, 646, 486}));
    EXPECT_EQ(fitPreviewRect({10, 20, 1010, 620}), (PixelRect{110, 20, 910, 620}));
    EXPECT_EQ(fitPreviewRect({0, 0, 800, 600}), (PixelRect{0, 0, 800, 600}));
}

struct RecordingTarget : DrawTarget {
    struct Call { PixelRect source, dest; ScaleMode mode; bool bottomUp; };
    std::vector<Call> calls;
    void drawImage(const cv::Mat&, bool bottomUp, const PixelRect& s, const PixelRect& d, ScaleMode m) override
    {
        calls.push_back({s, d, m, bottomUp});
    }
};

TEST(PreviewCvvImage, CreatesConvertsAndDraws)
{
    CvvImage image;
    const int refused[][4] = {{10, 10, 16, 0}, {-1, 10, 24, 0}, {10, 10000, 24, 0}, {10, 10, 24, 2}};
    for (const auto& r : refused) EXPECT_FALSE(image.createImage(r[0], r[1], r[2], r[3])) << r[0] << " " << r[1];
    ASSERT_TRUE(image.createImage(4, 3, 24, 1));

    // {source type, desired colour (-1 keeps the source's), result type}
    const int conversions[][3] = {{CV_8UC1, 1, CV_8UC3}, {CV_8UC1, -1, CV_8UC1}, {CV_8UC4, 0, CV_8UC1},
                                  {CV_8UC4, -1, CV_8UC4}};
    for (const auto& c : conversions) {
        image.copyFrom(cv::Mat(2, 2, c[0], cv::Scalar(1, 2, 3, 4)), c[1]);
        EXPECT_EQ(image.image().type(), c[2]) << c[0] << " " << c[1];
    }

    RecordingTarget target;
    image.createImage(800, 600, 24, 0);
    image.drawInto(target, nullptr);
    PixelRect same{5, 5, 805, 605}, smaller{0, 0, 400, 300}, larger{900, 700, 0, 0};
    image.drawInto(target, &same);
    image.drawInto(target, &smaller);
    image.drawInto(target, &larger);
    ASSERT_EQ(target.calls.size(), 3u);
    EXPECT_EQ(target.calls[0].mode, ScaleMode::Exact);
    EXPECT_EQ(target.calls[0].dest, same);
    EXPECT_EQ(target.calls[1].mode, ScaleMode::Smooth);
    EXPECT_EQ(target.calls[2].mode, ScaleMode::Fast);
    EXPECT_EQ(target.calls[2].dest, (PixelRect{0, 0, 900, 700})) << "rectangle normalised";

    image.blitAt(target, 0, 0, 5000, 5000, 790, -3);
    EXPECT_EQ(target.calls.back().source, (PixelRect{790, 0, 800, 600}));
}

TEST_F(PreviewFiles, CvvImageLoadsRegionsAndSavesUpright)
{
    cv::Mat picture(20, 30, CV_8UC3, cv::Scalar(0, 0, 0));
    picture.row(0).setTo(cv::Scalar(255, 255, 255));
    cv::imwrite("p.png", picture);
    CvvImage image;
    EXPECT_FALSE(image.loadFile("missing.png", 1));
    EXPECT_TRUE(image.loadFileRegion("p.png", 1, -5, 2, 10, 100));
    EXPECT_EQ(image.image().size(), cv::Size(5, 18)) << "clipped to the picture";
    EXPECT_FALSE(image.loadFileRegion("p.png", 1, 0, 0, -1, 5));
    EXPECT_FALSE(image.loadFileRegion("p.png", 1, 31, 0, 5, 5));

    ASSERT_TRUE(image.loadFile("p.png", 1));
    cv::Mat upsideDown;
    cv::flip(image.image(), upsideDown, 0);
    image.copyFrom(upsideDown, 1, 1);  // bottom row first
    ASSERT_TRUE(image.saveFile("out.png"));
    EXPECT_EQ(cv::imread("out.png").at<cv::Vec3b>(0, 0), cv::Vec3b(255, 255, 255));
}

TEST(EditorTextCodec, GbAndUnicodeRoundTrip)
{
    EXPECT_EQ(utf8ToGb("你好 abc"), "\xC4\xE3\xBA\xC3 abc");
    EXPECT_EQ(gbToUtf8("\xC4\xE3\xBA\xC3"), "你好");
    const std::string beyondGb2312 = "𝄞é€";  // four-byte GB18030 forms, nothing lost
    EXPECT_EQ(gbToUtf8(utf8ToGb(beyondGb2312)), beyondGb2312);
    EXPECT_EQ(gbToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b") << "a stray byte shows as U+FFFD";
    EXPECT_EQ(gbToUtf8("\xC4"), "\xEF\xBF\xBD") << "text ending inside a character";
}

} // namespace

// The preview picture (scaling, blending, clipping, the cache, fitting), the GB
// text conversions, and picture files that once aborted the editor.
#include <opencv2/imgproc.hpp>

#include "editor/cvv_image.h"
#include "editor/preview_compositor.h"
#include "editor/story_commands.h"
#include "editor/text_codec.h"
#include "fake_controls.h"
#include "tests/media/image/damaged_dicom.h"

using namespace quillforge;

namespace {

// A photo as loadPngImage gives it (bottom row first, RGBA), built from the
// file's view: pixel(c, r) of the file's top-down picture.
template <typename Fn>
cv::Mat photoOf(int w, int h, Fn pixel)
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
    blendPhoto(canvas,
               photoOf(3, 1, [](int c, int) { return cv::Vec4b(200, 10, 30,
                                                               c == 0   ? 0
                                                               : c == 1 ? 255
                                                                        : 100); }),
               false);
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(50, 60, 70));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 1), cv::Vec3b(30, 10, 200));
    // 0.39215687 * 30 + 0.60784313 * 50 = 42.156...; red 0.392 * 200 + 0.608 * 70 = 120.98 -> 120
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 2), cv::Vec3b(42, 40, 120));
}

// A tall photo on the left, then a wide one on the right: both stand on the
// bottom edge and lose what lies outside the canvas.
TEST(PreviewBlend, PhotosAreClippedAndTheRightOneIsMirroredOnTop)
{
    cv::Mat canvas = canvasOf({0, 0, 0});
    blendPhoto(canvas, photoOf(300, 700, [](int, int r) { return cv::Vec4b(r % 256, r / 256, 7, 255); }), false);
    blendPhoto(canvas, photoOf(900, 10, [](int c, int) { return cv::Vec4b(c % 256, c / 256, 0, 255); }), true);
    EXPECT_EQ(canvas.at<cv::Vec3b>(0, 0), cv::Vec3b(7, 0, 100)) << "file row 100 is the top row drawn";
    EXPECT_EQ(canvas.at<cv::Vec3b>(589, 299), cv::Vec3b(7, 2, 689 % 256));
    EXPECT_EQ(canvas.at<cv::Vec3b>(589, 300), cv::Vec3b(0, 0, 0));
    EXPECT_EQ(canvas.at<cv::Vec3b>(595, 798), cv::Vec3b(0, 0, 1)) << "photo column 1 next to the right edge";
    EXPECT_EQ(canvas.at<cv::Vec3b>(595, 0), cv::Vec3b(0, 799 / 256, 799 % 256)) << "over the left photo";
}

TEST(PreviewFiles, ComposesScaledBackgroundAndPhotosAndShowsAMissingOne)
{
    qtest::StoryRoot root;
    const std::string bgPng = root.path("bg.png"), pPng = root.path("p.png"), nope = root.path("nope.jpg");
    cv::Mat bg(300, 400, CV_8UC3);
    cv::randu(bg, 0, 255);
    cv::imwrite(bgPng, bg);
    cv::imwrite(pPng, cv::Mat(100, 50, CV_8UC4, cv::Scalar(255, 0, 0, 255))); // blue, as OpenCV writes BGRA

    PictureCache cache;
    cv::Mat canvas, expected;
    EXPECT_TRUE(composeFramePicture(canvas, {bgPng, pPng, "", ""}, cache));
    cv::resize(bg, expected, cv::Size(800, 600), 0, 0, cv::INTER_LINEAR);
    EXPECT_EQ(canvas.at<cv::Vec3b>(10, 700), expected.at<cv::Vec3b>(10, 700));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(255, 0, 0)) << "blue file pixel stays blue";

    EXPECT_FALSE(composeFramePicture(canvas, {nope, pPng, "", "note"}, cache));
    EXPECT_EQ(canvas.at<cv::Vec3b>(599, 0), cv::Vec3b(255, 0, 0)) << "photos still drawn";
}

TEST(PreviewFiles, CacheGivesWhatAFreshReadGivesAndNoticesChanges)
{
    qtest::StoryRoot root;
    const std::string bgPng = root.path("bg.png");
    cv::imwrite(bgPng, cv::Mat(60, 80, CV_8UC3, cv::Scalar(10, 20, 30)));
    PictureCache cache, none(0);
    cv::Mat cached, fresh;
    for (int i = 0; i < 2; ++i) composeFramePicture(cached, {bgPng, "", "", ""}, cache);
    composeFramePicture(fresh, {bgPng, "", "", ""}, none);
    EXPECT_EQ(cv::norm(cached, fresh, cv::NORM_INF), 0.0);
    EXPECT_EQ(cache.size(), 1u);

    // Same size, new content and time: read again.
    auto stamp = std::filesystem::last_write_time(bgPng);
    cv::imwrite(bgPng, cv::Mat(60, 80, CV_8UC3, cv::Scalar(11, 20, 30)));
    std::filesystem::last_write_time(bgPng, stamp + std::chrono::seconds(2));
    composeFramePicture(cached, {bgPng, "", "", ""}, cache);
    EXPECT_EQ(cached.at<cv::Vec3b>(0, 0), cv::Vec3b(11, 20, 30));
    std::filesystem::remove(bgPng);
    EXPECT_FALSE(composeFramePicture(cached, {bgPng, "", "", ""}, cache));
}

// The window's fixed preview frame, a little too tall for four by three.
TEST(PreviewFit, FitsFourByThreeAndCentres)
{
    EXPECT_EQ(fitPreviewRect({1, 1, 646, 487}), (PixelRect{1, 2, 646, 486}));
}

TEST(EditorTextCodec, GbAndUnicodeRoundTrip)
{
    const std::string beyondGb2312 = "𝄞é€"; // four-byte GB18030 forms, nothing lost
    EXPECT_EQ(gbToUtf8(utf8ToGb(beyondGb2312)), beyondGb2312);
    EXPECT_EQ(gbToUtf8("\xC4"), "\xEF\xBF\xBD") << "text ending inside a character";
}

// Once aborted the editor: every place it decodes a picture chosen by the
// user gives "no picture" for it instead.
TEST(EditorPicturesRegress, ADamagedDicomFileIsNoPictureAnywhere)
{
    qtest::StoryRoot root;
    const std::string file = root.write("background.jpg", {kDamagedDicom.begin(), kDamagedDicom.end()});
    EXPECT_FALSE(isReadableImage(file));
    CvvImage image;
    EXPECT_FALSE(image.loadFile(file, 1));
    EXPECT_FALSE(image.loadFileRegion(file, 1, 0, 0, 0, 0));
    PictureCache cache(0);
    EXPECT_TRUE(cache.scaledBackground(file).empty());
}

} // namespace

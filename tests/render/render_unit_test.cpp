// The parts of scenewalk-render that need no display: its command line, the
// all-or-nothing PNG writer and the picture cache (one decode per file).
#include "player/story_sprite.h"
#include "render/picture_cache.h"
#include "render/png_output.h"
#include "render/render_options.h"
#include "tests/player/temp_dir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <fstream>

namespace {

using render::Mode;
using render::Options;

std::string parse(std::vector<std::string> args, Options& o) { return render::parseOptions(args, o); }

TEST(RenderOptions, ModesAndTheirValues)
{
    Options o;
    EXPECT_EQ(parse({"--frame", "3", "--step=5", "-o", "x.png", "mod"}, o), "");
    EXPECT_EQ(o.mode, Mode::Frame);
    EXPECT_EQ(o.frame, 3);
    EXPECT_EQ(o.step, 5);
    EXPECT_EQ(o.output, "x.png");
    EXPECT_EQ(o.modDir, "mod");

    Options s;
    EXPECT_EQ(parse({"--sheet", "--frames", "2-9", "--columns", "3", "--", "-mod"}, s), "");
    EXPECT_EQ(s.mode, Mode::Sheet);
    EXPECT_EQ(s.first, 2);
    EXPECT_EQ(s.last, 9);
    EXPECT_EQ(s.columns, 3);
    EXPECT_EQ(s.modDir, "-mod");

    Options h;
    EXPECT_EQ(parse({"--help"}, h), ""); // needs nothing else
    EXPECT_TRUE(h.help);
}

TEST(RenderOptions, UsageErrorsSayWhatIsWrong)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"mod"}, "say what to render: --frame N, --all or --sheet"},
        {{"--all"}, "MOD_DIR is missing"},
        {{"--all", "a", "b"}, "only one MOD_DIR may be given"},
        {{"--all", "--sheet", "m"}, "give only one of --frame, --all and --sheet"},
        {{"--frame", "0", "m"}, "--frame needs a frame number from 1 on"},
        {{"--frame", "2x", "m"}, "--frame needs a frame number from 1 on"},
        {{"--frame", "2", "--step", "21", "m"}, "--step needs a step from 0 to 20"},
        {{"--frame"}, "--frame needs a value"},
        {{"--sheet", "--frames", "5-2", "m"}, "--frames needs a range A-B with 1 <= A <= B"},
        {{"--sheet", "--columns", "0", "m"}, "--columns needs a number from 1 to 64"},
        {{"--all", "--step", "3", "m"}, "--step goes with --frame"},
        {{"--frame", "1", "--frames", "1-2", "m"}, "--frames goes with --all or --sheet"},
        {{"--all", "--columns", "2", "m"}, "--columns goes with --sheet"},
        {{"--all", "-x", "m"}, "unknown option -x"},
    };
    for (const auto& c : cases) {
        Options o;
        EXPECT_EQ(parse(c.args, o), c.error) << c.args.front();
    }
}

TEST(PngOutput, WritesWholePicturesIntoNewFoldersAndNothingOnFailure)
{
    TempDir dir;
    cv::Mat picture(3, 5, CV_8UC3, cv::Scalar(10, 20, 30));
    picture.at<cv::Vec3b>(1, 4) = {255, 0, 7};
    const auto file = dir.path() / "new" / "deeper" / "p.png";
    ASSERT_EQ(render::writePng(file, picture), "");
    const cv::Mat back = cv::imread(file.string(), cv::IMREAD_UNCHANGED);
    ASSERT_EQ(back.size(), picture.size());
    EXPECT_EQ(cv::norm(back, picture, cv::NORM_INF), 0.0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1); // no temp file

    // Replacing keeps the old picture until the new one is complete.
    cv::Mat other(2, 2, CV_8UC3, cv::Scalar::all(0));
    ASSERT_EQ(render::writePng(file, other), "");
    EXPECT_EQ(cv::imread(file.string()).size(), other.size());

    std::ofstream(dir.file("plain")) << "x";
    const std::string error = render::writePng(dir.path() / "plain" / "q.png", picture);
    EXPECT_NE(error.find("cannot create the folder"), std::string::npos) << error;
}

TEST(PictureCache, DecodesEachFileOnceAndHandsOutCopies)
{
    TempDir dir;
    cv::Mat bgr(4, 6, CV_8UC3, cv::Scalar(1, 2, 3));
    cv::imwrite(dir.file("a.bmp"), bgr);
    std::string described;
    render::installPictureCache([&](const std::string& path) { return described = "<" + path + ">"; });
    ASSERT_EQ(pictureReader, &render::cachedPicture);

    const auto before = render::pictureCacheStats();
    cv::Mat first = render::cachedPicture(dir.file("a.bmp"));
    first.setTo(cv::Scalar::all(99)); // loadImage changes what it gets
    const cv::Mat second = render::cachedPicture(dir.file("a.bmp"));
    EXPECT_EQ(render::pictureCacheStats().decodes - before.decodes, 1u);
    EXPECT_EQ(render::pictureCacheStats().hits - before.hits, 1u);
    EXPECT_EQ(second.at<cv::Vec3b>(0, 0), cv::Vec3b(1, 2, 3));

    // A missing file is decoded (tried) once and named once.
    const auto unreadable = render::unreadablePictureCount();
    EXPECT_TRUE(render::cachedPicture(dir.file("gone.png")).empty());
    EXPECT_TRUE(render::cachedPicture(dir.file("gone.png")).empty());
    EXPECT_EQ(render::unreadablePictureCount() - unreadable, 1u);
    EXPECT_EQ(described, "<" + dir.file("gone.png") + ">");
    EXPECT_EQ(render::pictureCacheStats().decodes - before.decodes, 2u);
    pictureReader = nullptr;
}

} // namespace

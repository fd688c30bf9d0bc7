// Pixels read back from real frames: glyphs at their place, the label's
// wrapping and reveal, pictures upright, zoomed, mirrored and with their
// transparent margins, and a transition's fades and text. Needs an X display (Xvfb).
#include "mox/sprite.h"
#include "player/bitmap_text.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "tests/player/story_fixture.h"
#include "w32/scene.h"

#include <GL/freeglut.h>
#include <SDL.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

using Rgb = cv::Vec3i;
const Rgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

MATCHER_P(Near, expected, "within 2 of " + testing::PrintToString(expected))
{
    return cv::norm(arg - expected, cv::NORM_INF) <= 2;
}

class GlRender : public testing::Test {
protected:
    static void SetUpTestSuite() // once for both suites: GLUT starts only once
    {
        static bool done = false;
        if (std::exchange(done, true)) return;
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_Window* window = SDL_CreateWindow("t", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        ASSERT_NE(SDL_GL_CreateContext(window), nullptr) << SDL_GetError();
        int argc = 1;
        char name[] = "t";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        SceneWidth = 800;
        SceneHeight = 600;
        glViewport(0, 0, 800, 600);
        // B0A1: top row and left column inked; B0A2: solid.
        static const TempDir raw;
        std::string corner(32, '\0'), full(32, '\xFF');
        corner[0] = corner[1] = '\xFF';
        for (int row = 1; row < 16; ++row) corner[2 * row] = '\x80';
        std::ofstream(raw.file("1.bin"), std::ios::binary) << corner << full;
        dataFolder = raw.path().string() + "\\";
    }
    void TearDown() override
    {
        spriteList.clear();
        storyPlayer = nullptr;
    }
    // The overlay pass as the demo window runs it, over a cleared screen.
    static void render(float grey, bool clear = true)
    {
        glClearColor(grey, grey, grey, 1.0f);
        if (clear) glClear(GL_COLOR_BUFFER_BIT);
        beginSpriteOverlay();
        for (MOXSprite* s : spriteList) s->draw();
        endSpriteOverlay();
        glFinish();
    }
    static Rgb at(int x, int y)
    {
        unsigned char p[4] = {};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }
};

TEST_F(GlRender, GlyphsAndLabelLinesLandWhereTheyBelong)
{
    render(1.0f);
    beginSpriteOverlay();
    drawText("abc\xB0\xA1\xB0\xA1", 100, 200, 1.0f, 255, 0, 0, 1.0f, GLUT_BITMAP_8_BY_13);
    endSpriteOverlay();
    // After 3 x 8 pixels of letters: top row at y + 11, left column down to y - 4.
    EXPECT_EQ(at(124, 211), kRed);
    EXPECT_EQ(at(139, 211), kRed);
    EXPECT_EQ(at(124, 196), kRed);
    EXPECT_EQ(at(124, 195), kWhite);
    EXPECT_EQ(at(130, 200), kWhite);
    EXPECT_EQ(at(140, 205), kRed); // the next glyph 16 pixels on
    EXPECT_EQ(at(141, 205), kWhite);

    std::string wide;
    for (int i = 0; i < 50; ++i) wide += "\xB0\xA2"; // solid glyphs
    StoryLabel label(wide);
    spriteList = {&label};
    const struct {
        float progress;
        int line1End, line2End;
    } cases[] = {{1.0f, 760, 120}, {0.5f, 440, 40}, {0.25f, 232, 40}}; // 0.25: 12 glyphs and a lone lead byte
    for (const auto& c : cases) {
        label.progress = c.progress;
        render(1.0f);
        EXPECT_EQ(at(c.line1End - 1, 116), kBlack) << c.progress; // line 1: y 120, rows 116..131
        EXPECT_EQ(at(c.line1End, 131), kWhite) << c.progress;
        if (c.line2End > 40) {
            EXPECT_EQ(at(c.line2End - 1, 100), kBlack); // line 2: y 100
        }
        EXPECT_EQ(at(c.line2End, 100), kWhite) << c.progress;
        EXPECT_EQ(at(40, 94), kWhite);
    }
}

class GlPictures : public GlRender {
protected:
    fixture::StoryDir dir;
};

// A TGA as usually stored: bottom row first, blue-green-red.
void writeTga(const fs::path& file, const cv::Mat& rgba)
{
    cv::Mat bgr;
    cv::cvtColor(rgba, bgr, cv::COLOR_RGBA2BGR);
    cv::flip(bgr, bgr, 0);
    const char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, char(bgr.cols), 0, char(bgr.rows), 0, 24, 0};
    std::ofstream out(file, std::ios::binary);
    out.write(header, 18);
    out.write(reinterpret_cast<const char*>(bgr.data), static_cast<std::streamsize>(bgr.total() * 3));
}

TEST_F(GlPictures, EveryFormatShowsUprightZoomedAndMirrored)
{
    // Top row red | green, bottom row blue | white.
    cv::Mat q;
    cv::vconcat(fixture::halves(4, 1, {255, 0, 0, 255}, {0, 255, 0, 255}),
                fixture::halves(4, 1, {0, 0, 255, 255}, cv::Scalar::all(255)), q);
    dir.writePicture("q.png", q);
    dir.writePicture("q.bmp", q);
    writeTga(dir.modDir() / "q.tga", q);
    StoryImage image(100, 100, 40, 20); // zoom 10
    spriteList = {&image};
    for (const char* name : {"q.png", "q.bmp", "q.tga"}) {
        image.loadImage((dir.modDir() / name).string(), false);
        render(0.0f);
        EXPECT_EQ(at(100, 119), kRed) << name;
        EXPECT_EQ(at(139, 110), kGreen) << name;
        EXPECT_EQ(at(119, 100), kBlue) << name;
        EXPECT_EQ(at(140, 110), kBlack) << name;
        image.loadImage((dir.modDir() / name).string(), true);
        image.setAlpha(0.5f);
        render(0.0f);
        EXPECT_THAT(at(139, 119), Near(Rgb{127, 0, 0})) << name;
        EXPECT_THAT(at(100, 100), Near(Rgb{127, 127, 127})) << name;
    }
    // A one-channel picture shows grey instead of nothing.
    cv::imwrite((dir.modDir() / "grey.bmp").string(), cv::Mat(2, 4, CV_8UC1, cv::Scalar(200)));
    image.loadImage((dir.modDir() / "grey.bmp").string(), false);
    render(0.0f);
    EXPECT_EQ(at(120, 110), (Rgb{200, 200, 200}));
}

TEST_F(GlPictures, BigPicturesAreShrunkOnceAndTransparentMarginsLeftAlone)
{
    cv::Mat big = fixture::solid(1920, 1080, {0, 255, 0, 0}); // transparent but one block
    big(cv::Rect(960, 540, 480, 270)).setTo(cv::Scalar(255, 0, 0, 255));
    dir.writePicture("big.png", big);
    StoryImage image(0, 0, 800, 600);
    image.loadImage((dir.modDir() / "big.png").string(), false);
    ASSERT_EQ(image.picture().size(), cv::Size(800, 600));
    spriteList = {&image};
    for (float alpha : {1.0f, 0.5f}) {
        image.setAlpha(alpha);
        render(1.0f);
        const Rgb block = alpha == 1.0f ? kRed : Rgb{255, 127, 127};
        EXPECT_THAT(at(401, 298), Near(block)); // screen y 300 - 1 is the block's top
        EXPECT_THAT(at(598, 151), Near(block));
        EXPECT_EQ(at(398, 250), kWhite);
        EXPECT_EQ(at(500, 302), kWhite);
    }
}

TEST_F(GlPictures, TransitionFadesTheBackgroundUnderAMirroredRightPortrait)
{
    Frame a = fixture::frame(0, -1, -1, "one");
    a.rightCharacter = a.rightPhoto = 0;
    Frame b = a;
    b.background = 1;
    b.sentence = "two!";
    b.textCharacter = 2;
    dir.writeStory({a, b});
    StoryPlayer p("demo");
    storyPlayer = &p;
    auto runTo = [&](int step) {
        while (p.transitionRunning() && p.transitionStep() < step) player::OnDrawScene();
        render(0.0f, false); // OnDrawScene cleared to black
    };
    runTo(20);
    EXPECT_EQ(at(50, 550), kRed);
    EXPECT_EQ(at(480, 300), (Rgb{255, 255, 0})); // the photo's right half on the left
    EXPECT_EQ(at(795, 300), kGreen);
    player::OnMessage(fixture::kLeftPress, 0, 0);
    // The old text stays until step 10, the new one is typed out after it.
    const struct {
        int step;
        Rgb colour;
        const char* text;
        float progress;
    } fades[] = {{5, {127, 0, 0}, "one", 1.0f},
                 {10, kBlack, "Ann: two!", 0.0f},
                 {15, {0, 0, 127}, "Ann: two!", 0.5f},
                 {20, kBlue, "Ann: two!", 1.0f}};
    for (const auto& f : fades) {
        runTo(f.step);
        EXPECT_THAT(at(50, 550), Near(f.colour)) << "step " << f.step;
        EXPECT_EQ(at(480, 300), (Rgb{255, 255, 0})) << "step " << f.step; // unchanged portrait
        EXPECT_EQ(p.sentence().text, f.text) << "step " << f.step;
        EXPECT_FLOAT_EQ(p.sentence().progress, f.progress) << "step " << f.step;
    }
    EXPECT_EQ(at(50, 20), kBlue); // the right speaker's box: content.png mirrored
}

} // namespace

// Pixels read back from real frames: glyphs at their place, the label's
// wrapping and reveal, picture orientation, zoom and mirroring, and the fade
// of a transition at steps 5, 10 and 15. Needs an X display (Xvfb).
#include "mox/sprite.h"
#include "player/bitmap_text.h"
#include "player/story_input.h"
#include "player/story_player.h"
#include "player/story_sprite.h"
#include "tests/player/story_fixture.h"
#include "w32/scene.h"

#include <GL/freeglut.h>
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

namespace fs = std::filesystem;

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << "," << c.g << "," << c.b << ")";
}

bool near(const Rgb& a, const Rgb& b, int tolerance = 2)
{
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

class GlRender : public testing::Test {
protected:
    // Both suites share one window, context and GLUT (which starts only once).
    static void SetUpTestSuite()
    {
        if (window) return;
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        window = SDL_CreateWindow("gl test", 0, 0, 800, 600, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
        ASSERT_NE(window, nullptr) << SDL_GetError();
        context = SDL_GL_CreateContext(window);
        ASSERT_NE(context, nullptr) << SDL_GetError();
        int argc = 1;
        char name[] = "player_gl_tests";
        char* argv[] = {name, nullptr};
        glutInit(&argc, argv);
        SceneWidth = 800;
        SceneHeight = 600;

        // One glyph file for the whole process (drawText keeps it open):
        // B0A1 has its top row and left column inked, B0A2 is solid.
        glyphDir = fs::temp_directory_path() / ("player_gl_" + std::to_string(::getpid()));
        fs::create_directories(glyphDir);
        std::ofstream out(glyphDir / "1.bin", std::ios::binary);
        unsigned char corner[32] = {0xFF, 0xFF};
        for (int row = 1; row < 16; ++row) corner[2 * row] = 0x80;
        unsigned char solidGlyph[32];
        std::fill(std::begin(solidGlyph), std::end(solidGlyph), 0xFF);
        out.write(reinterpret_cast<const char*>(corner), 32);
        out.write(reinterpret_cast<const char*>(solidGlyph), 32);
        out.close();
        dataFolder = glyphDir.string() + "\\";
        std::atexit([] { fs::remove_all(glyphDir); });
    }
    void SetUp() override
    {
        glViewport(0, 0, 800, 600);
        spriteList.clear();
    }
    void TearDown() override
    {
        spriteList.clear();
        storyPlayer = nullptr;
    }

    // One frame as the demo window renders it: clear, then the overlay with
    // every sprite of the list.
    static void renderSprites(float grey)
    {
        glClearColor(grey, grey, grey, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        overlay();
    }
    static void overlay()
    {
        beginSpriteOverlay();
        for (MOXSprite* s : spriteList)
            if (s) s->draw();
        endSpriteOverlay();
        glFinish();
    }
    static Rgb at(int x, int y)
    {
        unsigned char p[4] = {};
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    static inline SDL_Window* window = nullptr;
    static inline SDL_GLContext context = nullptr;
    static inline fs::path glyphDir;
};

const Rgb kWhite{255, 255, 255};
const Rgb kBlack{0, 0, 0};

TEST_F(GlRender, GlyphsLandAfterTheSingleByteCharactersUprightAndInColour)
{
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    beginSpriteOverlay();
    drawText("abc\xB0\xA1\xB0\xA1", 100, 200, 1.0f, 0, 0, 0, 1.0f, GLUT_BITMAP_8_BY_13);
    drawText("\xB0\xA2", 300, 300, 1.0f, 255, 0, 0, 1.0f, GLUT_BITMAP_8_BY_13);
    endSpriteOverlay();
    glFinish();

    // 3 x 8 pixels of letters, then the glyph: its top row at y + 11.
    EXPECT_EQ(at(124, 211), kBlack);
    EXPECT_EQ(at(139, 211), kBlack);
    EXPECT_EQ(at(124, 196), kBlack); // left column down to y - 4
    EXPECT_EQ(at(124, 195), kWhite);
    EXPECT_EQ(at(124, 212), kWhite);
    EXPECT_EQ(at(130, 200), kWhite); // inside the corner: no ink
    // The second glyph starts 16 pixels on: 3 x 8 + 16 = 40 from x.
    EXPECT_EQ(at(140, 205), kBlack);
    EXPECT_EQ(at(141, 205), kWhite);
    EXPECT_EQ(at(156, 211), kWhite);
    // The letters put some ink between x and x + 24.
    int ink = 0;
    for (int x = 100; x < 124; ++x)
        for (int y = 195; y < 212; ++y) ink += at(x, y) == kBlack;
    EXPECT_GT(ink, 10);
    // Colour and position of a solid glyph.
    EXPECT_EQ(at(300, 296), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(315, 311), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(316, 311), kWhite);
}

TEST_F(GlRender, LabelWrapsAtNinetyBytesAndRevealsProgressively)
{
    std::string wide;
    for (int i = 0; i < 50; ++i) wide += "\xB0\xA2"; // 100 bytes of solid glyphs
    StoryLabel label(wide);
    spriteList.push_back(&label);

    label.progress = 1.0f;
    renderSprites(1.0f);
    EXPECT_EQ(at(40, 116), kBlack);   // line 1 at y 120: glyph rows 116..131
    EXPECT_EQ(at(759, 131), kBlack);  // 45 characters end at x 760
    EXPECT_EQ(at(760, 125), kWhite);
    EXPECT_EQ(at(119, 100), kBlack);  // line 2 at y 100 holds the other 5
    EXPECT_EQ(at(120, 100), kWhite);
    EXPECT_EQ(at(40, 94), kWhite);    // no third line

    label.progress = 0.5f;
    renderSprites(1.0f);
    EXPECT_EQ(at(439, 125), kBlack);  // 50 bytes: 25 characters
    EXPECT_EQ(at(440, 125), kWhite);
    EXPECT_EQ(at(45, 105), kWhite);

    // 0.25 reveals 25 bytes: 12 characters and a lone lead byte, drawn as 12.
    label.progress = 0.25f;
    renderSprites(1.0f);
    EXPECT_EQ(at(231, 125), kBlack);
    EXPECT_EQ(at(232, 125), kWhite);

    label.setText("");
    renderSprites(1.0f);
    EXPECT_EQ(at(40, 120), kWhite);
}

class GlPictures : public GlRender {
protected:
    // 4 x 2: top row red | green, bottom row blue | white (2 pixels each).
    static cv::Mat quadrants()
    {
        cv::Mat m = fixture::solid(4, 2, {255, 0, 0, 255});
        m(cv::Rect(2, 0, 2, 1)).setTo(cv::Scalar(0, 255, 0, 255));
        m(cv::Rect(0, 1, 2, 1)).setTo(cv::Scalar(0, 0, 255, 255));
        m(cv::Rect(2, 1, 2, 1)).setTo(cv::Scalar(255, 255, 255, 255));
        return m;
    }
    fixture::StoryDir dir;
};

TEST_F(GlPictures, PicturesShowUprightZoomedAndMirrored)
{
    cv::Mat rgb;
    cv::cvtColor(quadrants(), rgb, cv::COLOR_RGBA2RGB);
    dir.writePicture("q.png", quadrants());
    dir.writePicture("q.bmp", rgb); // through the generic decoder
    for (const char* name : {"q.png", "q.bmp"}) {
        SCOPED_TRACE(name);
        StoryImage image(100, 100, 40, 20); // pixel zoom 10
        image.loadImage((dir.modDir() / name).string(), false);
        spriteList = {&image};
        renderSprites(0.0f);
        EXPECT_EQ(at(100, 119), (Rgb{255, 0, 0}));
        EXPECT_EQ(at(139, 110), (Rgb{0, 255, 0}));
        EXPECT_EQ(at(119, 100), (Rgb{0, 0, 255}));
        EXPECT_EQ(at(120, 109), kWhite);
        EXPECT_EQ(at(140, 110), kBlack);
        EXPECT_EQ(at(100, 120), kBlack);

        image.loadImage((dir.modDir() / name).string(), true);
        renderSprites(0.0f);
        EXPECT_EQ(at(100, 119), (Rgb{0, 255, 0}));
        EXPECT_EQ(at(139, 119), (Rgb{255, 0, 0}));
        EXPECT_EQ(at(100, 100), kWhite);

        image.setAlpha(0.5f);
        renderSprites(0.0f);
        EXPECT_TRUE(near(at(139, 119), Rgb{127, 0, 0})) << at(139, 119);
    }
}

TEST_F(GlPictures, ABigPictureIsShrunkToTheSpriteAndFillsItExactly)
{
    cv::Mat big;
    cv::resize(quadrants(), big, cv::Size(1920, 1080), 0, 0, cv::INTER_NEAREST);
    dir.writePicture("big.png", big);
    StoryImage image(10, 20, 780, 560);
    image.loadImage((dir.modDir() / "big.png").string(), false);
    EXPECT_EQ(image.image.cols, 780);
    EXPECT_EQ(image.image.rows, 560);
    spriteList = {&image};
    renderSprites(0.0f);
    EXPECT_EQ(at(10, 579), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(789, 20), kWhite);
    EXPECT_EQ(at(9, 300), kBlack);
    EXPECT_EQ(at(790, 300), kBlack);
    EXPECT_EQ(at(400, 580), kBlack);
    image.width = 800;
    image.height = 600;
    EXPECT_TRUE(image.hitTest(810, 620));
    EXPECT_FALSE(image.hitTest(811, 620));
    EXPECT_FALSE(image.hitTest(810, 621));
    EXPECT_TRUE(image.hitTest(10, 20));
    EXPECT_FALSE(image.hitTest(9, 20));
}

// A TGA as it is usually stored: bottom row first, blue-green-red.
void writeTga(const fs::path& file, const cv::Mat& rgbTopFirst)
{
    std::ofstream out(file, std::ios::binary);
    const unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                      static_cast<unsigned char>(rgbTopFirst.cols), 0,
                                      static_cast<unsigned char>(rgbTopFirst.rows), 0, 24, 0};
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    for (int r = rgbTopFirst.rows - 1; r >= 0; --r)
        for (int c = 0; c < rgbTopFirst.cols; ++c) {
            const cv::Vec3b p = rgbTopFirst.at<cv::Vec3b>(r, c);
            const char bgr[3] = {static_cast<char>(p[2]), static_cast<char>(p[1]), static_cast<char>(p[0])};
            out.write(bgr, 3);
        }
}

TEST_F(GlPictures, TgaAndGreyPicturesShowUprightInTheirColours)
{
    cv::Mat rgb, grey;
    cv::cvtColor(quadrants(), rgb, cv::COLOR_RGBA2RGB);
    writeTga(dir.modDir() / "q.tga", rgb);
    StoryImage image(100, 100, 40, 20);
    image.loadImage((dir.modDir() / "q.tga").string(), false);
    spriteList = {&image};
    renderSprites(0.0f);
    EXPECT_EQ(at(100, 119), (Rgb{255, 0, 0}));
    EXPECT_EQ(at(139, 119), (Rgb{0, 255, 0}));
    EXPECT_EQ(at(100, 100), (Rgb{0, 0, 255}));

    // A one-channel picture (grey BMP) shows as grey instead of nothing.
    grey = cv::Mat(2, 4, CV_8UC1, cv::Scalar(200));
    grey(cv::Rect(0, 0, 4, 1)).setTo(cv::Scalar(50));
    cv::imwrite((dir.modDir() / "grey.bmp").string(), grey);
    image.loadImage((dir.modDir() / "grey.bmp").string(), false);
    ASSERT_EQ(image.image.channels(), 4);
    renderSprites(0.0f);
    EXPECT_EQ(at(120, 119), (Rgb{50, 50, 50}));
    EXPECT_EQ(at(120, 100), (Rgb{200, 200, 200}));
}

TEST_F(GlRender, LabelHitTestCoversTheFirstLineOfTheWholeText)
{
    StoryLabel label("abcd"); // 4 x 8 = 32 pixels in the 8 x 13 font
    EXPECT_TRUE(label.hitTest(40, 120));
    EXPECT_TRUE(label.hitTest(72, 135));
    EXPECT_FALSE(label.hitTest(73, 120));
    EXPECT_FALSE(label.hitTest(39, 120));
    EXPECT_FALSE(label.hitTest(50, 136));
    EXPECT_FALSE(label.hitTest(50, 119));
}

TEST_F(GlPictures, TransparentMarginsLeaveTheScreenAsItWas)
{
    // 40 x 20, all transparent but a red 10 x 5 block 20 from the left and
    // 5 from the top; at the sprite's own size only that block is drawn.
    cv::Mat picture = fixture::solid(40, 20, {0, 255, 0, 0});
    picture(cv::Rect(20, 5, 10, 5)).setTo(cv::Scalar(255, 0, 0, 255));
    dir.writePicture("block.png", picture);
    StoryImage image(100, 100, 40, 20);
    image.loadImage((dir.modDir() / "block.png").string(), false);
    EXPECT_EQ(image.visible, cv::Rect(20, 10, 10, 5)); // rows counted from the bottom
    spriteList = {&image};
    for (float alpha : {1.0f, 0.5f}) {
        image.setAlpha(alpha);
        renderSprites(1.0f);
        const Rgb block = alpha == 1.0f ? Rgb{255, 0, 0} : Rgb{255, 127, 127};
        EXPECT_TRUE(near(at(120, 114), block)) << at(120, 114);
        EXPECT_TRUE(near(at(129, 110), block)) << at(129, 110);
        EXPECT_EQ(at(119, 112), kWhite);
        EXPECT_EQ(at(130, 112), kWhite);
        EXPECT_EQ(at(125, 115), kWhite);
        EXPECT_EQ(at(125, 109), kWhite);
        EXPECT_EQ(at(100, 100), kWhite);
    }
}

TEST_F(GlPictures, TransitionFadesTheBackgroundAndMirrorsTheRightPortrait)
{
    dir.writePicture("contentN.png", fixture::solid(8, 2, {0, 0, 0, 0}));
    dir.writePicture("bg/red.png", fixture::solid(64, 48, {255, 0, 0, 255}));
    dir.writePicture("bg/blue.png", fixture::solid(64, 48, {0, 0, 255, 255}));
    cv::Mat face = fixture::solid(10, 10, {0, 255, 0, 255});        // left half green
    face(cv::Rect(5, 0, 5, 10)).setTo(cv::Scalar(255, 255, 0, 255)); // right half yellow
    dir.writePicture("face.png", face);
    StoryRecords r;
    r.characters = {Character{"Eve", 1, {{"p", "//face.png"}}}};
    r.characterCount = 1;
    r.backgrounds = {"//bg/red.png", "//bg/blue.png"};
    r.musics = {"//none.wav"};
    Frame a = fixture::frame(0, 0);
    a.rightCharacter = 0;
    a.rightPhoto = 0;
    Frame b = a;
    b.background = 1;
    r.frames = {a, b};
    r.frameCount = 2;
    ASSERT_TRUE(dir.writeScript(r));

    StoryPlayer p(dir.mod());
    storyPlayer = &p;
    auto frameAt = [&](int step) {
        while (p.transitionStep != step) {
            ASSERT_TRUE(p.transitionRunning());
            player::OnDrawScene(); // one step, black clear, 20 ms
        }
        overlay();
    };
    while (p.transitionRunning()) player::OnDrawScene();
    overlay();
    EXPECT_EQ(at(50, 550), (Rgb{255, 0, 0}));
    // Mirrored: the photo's right half (yellow) shows on the sprite's left.
    EXPECT_EQ(at(480, 300), (Rgb{255, 255, 0}));
    EXPECT_EQ(at(795, 300), (Rgb{0, 255, 0}));

    player::OnMessage(player::kLeftButtonDown, 0, 0);
    frameAt(5);
    EXPECT_TRUE(near(at(50, 550), Rgb{127, 0, 0})) << at(50, 550);
    EXPECT_EQ(at(480, 300), (Rgb{255, 255, 0})); // the unchanged portrait stays
    frameAt(10);
    EXPECT_EQ(at(50, 550), kBlack);
    frameAt(15);
    EXPECT_TRUE(near(at(50, 550), Rgb{0, 0, 127})) << at(50, 550);
    while (p.transitionRunning()) player::OnDrawScene(); // step 20 ends it
    overlay();
    EXPECT_EQ(at(50, 550), (Rgb{0, 0, 255}));
}

} // namespace

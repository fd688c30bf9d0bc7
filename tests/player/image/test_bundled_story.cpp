// The bundled story root: the templates a new mod is made from, the next
// marker, the start-up file and the demo mod must be complete and consistent,
// and every picture must decode at the size the player shows it.

#include "document/story_folder.h"
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "player/image/image_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

const std::string kRoot = QS_STORY_SOURCE_DIR "/";

bool readRecords(const std::string& path, StoryRecords& records)
{
    std::unique_ptr<PropertyTree> tree;
    return loadTree(tree, path) && readStory(*tree, records);
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every byte of 0x80 and above starts a two-byte GB 2312 character.
bool isGb2312(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char lead = text[i];
        if (lead < 0x80) continue;
        if (i + 1 >= text.size()) return false;
        const unsigned char trail = text[++i];
        if (lead < 0xA1 || lead > 0xF7 || trail < 0xA1 || trail > 0xFE) return false;
    }
    return true;
}

void expectPicture(const std::string& path, int width, int height)
{
    const cv::Mat m = isPngPath(path) ? loadPngImage(path) : loadOtherImage(path);
    EXPECT_EQ(m.cols, width) << path;
    EXPECT_EQ(m.rows, height) << path;
}

// A person's photo: see-through along the top and sides, solid in the middle.
void expectPortrait(const std::string& path)
{
    const cv::Mat m = loadPngImage(path);
    ASSERT_EQ(m.size(), cv::Size(325, 487)) << path;
    const int top = m.rows - 1; // rows are stored bottom first
    for (const cv::Point corner : {cv::Point(0, top), cv::Point(m.cols - 1, top), cv::Point(0, m.rows / 2)})
        EXPECT_EQ(m.at<cv::Vec4b>(corner)[3], 0) << path << " at " << corner;
    EXPECT_EQ(m.at<cv::Vec4b>(m.rows * 2 / 3, m.cols / 2)[3], 255) << path << " face";
}

TEST(BundledStory, TemplatesMarkerAndStartupFile)
{
    for (const std::string& name : modTemplateFiles())
        EXPECT_TRUE(std::filesystem::is_regular_file(kRoot + name)) << name;
    expectPicture(kRoot + "defaultBg.jpg", 800, 600);
    expectPortrait(kRoot + "defaultPhoto.png");
    expectPicture(kRoot + "content.png", 800, 150);
    expectPicture(kRoot + "contentN.png", 800, 150);
    expectPicture(kRoot + "next.png", 20, 20);

    StoryRecords story;
    ASSERT_TRUE(readRecords(kRoot + "script.xml", story));
    EXPECT_EQ(story.frameCount, 1);
    ASSERT_EQ(story.characters.size(), 1u);
    EXPECT_EQ(story.characters[0].photos.at(0).dir, "//defaultPhoto.png");
    EXPECT_EQ(story.backgrounds, std::vector<std::string>{"//defaultBg.jpg"});
    EXPECT_EQ(story.musics, std::vector<std::string>{"//defaultBgm.mp3"});
    EXPECT_EQ(story.sounds, std::vector<std::string>{"//defaultSound.wav"});

    // The start-up file is the bare name of a mod folder, as the editor writes it.
    const std::string startup = fileText(kRoot + "startup.txt");
    EXPECT_EQ(startup, wordOf(startup));
    EXPECT_TRUE(std::filesystem::is_directory(kRoot + startup)) << startup;
}

TEST(BundledStory, DemoModIsCompleteAndUsesEverything)
{
    const std::string mod = kRoot + fileText(kRoot + "startup.txt");
    StoryRecords story;
    ASSERT_TRUE(readRecords(mod + "//script.xml", story));
    ASSERT_GE(story.frameCount, 10);
    ASSERT_LE(story.frameCount, 15);
    expectPicture(mod + "//content.png", 800, 150);
    expectPicture(mod + "//contentN.png", 800, 150);

    auto expectRelativeFile = [&](const std::string& ref) {
        EXPECT_EQ(ref.rfind("//", 0), 0u) << ref << " is not mod-relative";
        EXPECT_TRUE(std::filesystem::is_regular_file(toFsPath(mod + ref))) << ref;
    };
    for (const std::string& ref : story.backgrounds) {
        expectRelativeFile(ref);
        expectPicture(mod + ref, 800, 600);
    }
    for (const std::string& ref : story.musics) expectRelativeFile(ref);
    for (const std::string& ref : story.sounds) expectRelativeFile(ref);
    ASSERT_EQ(story.characters.size(), 2u);
    for (const Character& person : story.characters) {
        EXPECT_GE(person.photos.size(), 2u) << person.name;
        EXPECT_LE(person.photos.size(), 3u) << person.name;
        for (const Photo& photo : person.photos) {
            EXPECT_EQ(photo.dir.rfind("//character/" + person.name + "/", 0), 0u) << photo.dir;
            expectRelativeFile(photo.dir);
            expectPortrait(mod + photo.dir);
        }
    }

    std::set<int> speakers, sounds;
    bool longSentence = false, chinese = false, musicChanges = false, portraitReturns = false, leftGone = false;
    for (std::size_t i = 0; i < story.frames.size(); ++i) {
        const Frame& f = story.frames[i];
        SCOPED_TRACE("frame " + std::to_string(i));
        ASSERT_LT(f.background, static_cast<int>(story.backgrounds.size()));
        ASSERT_LT(f.music, static_cast<int>(story.musics.size()));
        ASSERT_LT(f.sound, static_cast<int>(story.sounds.size()));
        for (auto [who, photo] : {std::pair{f.leftCharacter, f.leftPhoto}, std::pair{f.rightCharacter, f.rightPhoto}}) {
            if (who < 0) continue;
            ASSERT_LT(who, static_cast<int>(story.characters.size()));
            ASSERT_GE(photo, 0);
            ASSERT_LT(photo, story.characters[who].photoNum);
        }
        if (f.textCharacter == 1) {
            EXPECT_GE(f.leftCharacter, 0) << "the left speaker is on screen";
        } else if (f.textCharacter == 2) {
            EXPECT_GE(f.rightCharacter, 0) << "the right speaker is on screen";
        }
        EXPECT_TRUE(isGb2312(f.sentence));
        speakers.insert(f.textCharacter);
        sounds.insert(f.sound);
        longSentence |= f.sentence.size() > 90;
        chinese |= f.sentence.find('\xa3') != std::string::npos; // full-width punctuation
        if (i > 0) musicChanges |= f.music != story.frames[i - 1].music;
        if (f.leftCharacter < 0 && i > 0 && story.frames[i - 1].leftCharacter >= 0) leftGone = true;
        if (leftGone && f.leftCharacter >= 0) portraitReturns = true;
    }
    EXPECT_EQ(speakers, (std::set<int>{0, 1, 2}));
    EXPECT_GE(sounds.size(), 3u);
    EXPECT_TRUE(longSentence);
    EXPECT_TRUE(chinese);
    EXPECT_TRUE(musicChanges);
    EXPECT_TRUE(portraitReturns);
    EXPECT_GE(story.backgrounds.size(), 3u);
    EXPECT_EQ(story.musics.size(), 2u);
}

} // namespace

// The bundled story root: the templates a new mod is made from, the next
// marker, the start-up file and the demo mod must be complete, and every file
// a script names must exist and load: pictures through the player's loaders,
// music (MP3) and sounds through its mixer. What they show and sound like is
// the generator's business: it makes the same files every time.

#include "document/story_folder.h"
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "media/audio/audio_player.h"
#include "media/image/image_loader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace {

const std::string kRoot = QS_STORY_SOURCE_DIR "/";

StoryRecords readRecords(const std::string& path)
{
    std::unique_ptr<PropertyTree> tree;
    StoryRecords records;
    EXPECT_TRUE(loadTree(tree, path) && readStory(*tree, records)) << path;
    return records;
}

std::string fileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void expectPicture(const std::string& path)
{
    const cv::Mat m = isPngPath(path) ? loadPngImage(path) : loadOtherImage(path);
    EXPECT_FALSE(m.empty()) << path;
}

void expectSound(const std::string& path)
{
    std::uint32_t id = 0;
    EXPECT_TRUE(AudioPlayer::openDevice(id, toFsPath(path))) << path;
    AudioPlayer::closeDevice(id);
}

// A person's photo: see-through along the top and sides, solid in the middle.
void expectPortrait(const std::string& path)
{
    const cv::Mat m = loadPngImage(path);
    ASSERT_FALSE(m.empty()) << path;
    const int top = m.rows - 1; // rows are stored bottom first
    for (const cv::Point corner : {cv::Point(0, top), cv::Point(m.cols - 1, top), cv::Point(0, m.rows / 2)})
        EXPECT_EQ(m.at<cv::Vec4b>(corner)[3], 0) << path << " at " << corner;
    EXPECT_EQ(m.at<cv::Vec4b>(m.rows * 2 / 3, m.cols / 2)[3], 255) << path << " face";
}

// Every file the story names is mod-relative, there, and decodes if it is a picture.
void expectFilesOf(const std::string& mod, const StoryRecords& story)
{
    auto expectFile = [&](const std::string& ref) {
        EXPECT_EQ(ref.rfind("//", 0), 0u) << ref << " is not mod-relative";
        EXPECT_TRUE(std::filesystem::is_regular_file(toFsPath(mod + ref))) << ref;
    };
    for (const std::string& ref : story.backgrounds) {
        expectFile(ref);
        expectPicture(mod + ref);
    }
    for (const std::vector<std::string>* audio : {&story.musics, &story.sounds})
        for (const std::string& ref : *audio) {
            expectFile(ref);
            expectSound(mod + ref);
        }
    for (const Character& person : story.characters)
        for (const Photo& photo : person.photos) {
            expectFile(photo.dir);
            expectPortrait(mod + photo.dir);
        }
}

TEST(BundledStory, TemplatesMarkerAndStartupFile)
{
    for (const std::string& name : modTemplateFiles())
        EXPECT_TRUE(std::filesystem::is_regular_file(kRoot + name)) << name;
    for (const char* name : {"content.png", "contentN.png", "next.png"}) expectPicture(kRoot + name);
    expectFilesOf(kRoot, readRecords(kRoot + "script.xml"));
    AudioPlayer::shutdown();

    // The start-up file is the bare name of a mod folder, as the editor writes it.
    const std::string startup = fileText(kRoot + "startup.txt");
    EXPECT_EQ(startup, wordOf(startup));
    EXPECT_TRUE(std::filesystem::is_directory(kRoot + startup)) << startup;
}

TEST(BundledStory, DemoModIsCompleteAndUsesEverything)
{
    const std::string mod = kRoot + fileText(kRoot + "startup.txt");
    const StoryRecords story = readRecords(mod + "//script.xml");
    ASSERT_GE(story.frameCount, 10);
    ASSERT_LE(story.frameCount, 15);
    expectPicture(mod + "//content.png");
    expectPicture(mod + "//contentN.png");
    expectFilesOf(mod, story);
    ASSERT_EQ(story.characters.size(), 2u);
    for (const Character& person : story.characters) {
        EXPECT_GE(person.photos.size(), 2u) << person.name;
        EXPECT_LE(person.photos.size(), 3u) << person.name;
    }

    std::set<int> speakers, sounds;
    bool longSentence = false, chinese = false, musicChanges = false, portraitReturns = false, leftGone = false;
    for (std::size_t i = 0; i < story.frames.size(); ++i) {
        const Frame& f = story.frames[i];
        speakers.insert(f.textCharacter);
        sounds.insert(f.sound);
        longSentence |= f.sentence.size() > 90;
        chinese |= f.sentence.find('\xa3') != std::string::npos; // GB 2312 full-width punctuation
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
    AudioPlayer::shutdown();
}

} // namespace

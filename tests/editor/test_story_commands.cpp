// The editing commands on the story model: frames, assets, photos, persons.
#include <filesystem>
#include <fstream>

#include <unistd.h>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "editor/story_commands.h"

namespace fs = std::filesystem;
using namespace quillforge;

namespace {

class StoryCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("qf_cmds_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        story.backgrounds = {"//bg/a.jpg", "//bg/b.jpg"};
        story.musics = {"//bgm/m.mp3"};
        story.sounds = {"//sound/s.wav"};
        story.characters = {Character{"Ann", 1, {Photo{"default", "//defaultPhoto.png"}}}};
        story.characterCount = 1;
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string picture(const std::string& name)
    {
        const std::string path = (dir_ / name).string();
        cv::imwrite(path, cv::Mat(4, 6, CV_8UC3, cv::Scalar(10, 200, 30)));
        return path;
    }
    std::string textFile(const std::string& name)
    {
        const std::string path = (dir_ / name).string();
        std::ofstream(path) << "not a picture";
        return path;
    }
    void frames(int count)
    {
        story.frames.clear();
        for (int i = 0; i < count; ++i) {
            Frame f;
            f.sentence = "frame" + std::to_string(i);
            story.frames.push_back(f);
        }
        story.frameCount = count;
        story.currentFrame = 0;
    }

    fs::path dir_;
    StoryScript story{"demo"};
};

TEST_F(StoryCommands, AddFrameCopiesTheCurrentFrameWithoutSentenceAndSound)
{
    frames(3);
    story.currentFrame = 1;
    Frame& f = story.frames[1];
    f = Frame{0, 0, 0, 0, 2, "hello", 1, 0, 0};

    CommandOutcome out = addFrameCommand(story);
    EXPECT_EQ(out.logLine, "Frame added...:-)");
    EXPECT_TRUE(out.refresh & kRefreshFrame);
    ASSERT_EQ(story.frameCount, 4);
    ASSERT_EQ(story.frames.size(), 4u);
    EXPECT_EQ(story.currentFrame, 2);
    EXPECT_EQ(story.frames[2], (Frame{0, 0, 0, 0, 2, "", 1, 0, -1}));
    EXPECT_EQ(story.frames[3].sentence, "frame2");
}

TEST_F(StoryCommands, AddFrameGivesAStoryWithoutFramesItsFirst)
{
    frames(0);
    story.currentFrame = -1;
    EXPECT_EQ(addFrameCommand(story).logLine, "Frame added...:-)");
    ASSERT_EQ(story.frameCount, 1);
    EXPECT_EQ(story.currentFrame, 0);
    EXPECT_EQ(story.frames[0], Frame{});
}

TEST_F(StoryCommands, BackgroundsMustBeReadablePicturesAndAreStoredUnchanged)
{
    const std::string jpg = picture("sky.jpg");
    CommandOutcome out = addAssetCommand(story, AssetList::Background, jpg);
    EXPECT_EQ(out.logLine, "New bg added.");
    EXPECT_EQ(out.refresh, kRefreshBackgroundBox);
    EXPECT_EQ(addAssetCommand(story, AssetList::Background, jpg).logLine, "New bg added.");
    ASSERT_EQ(story.backgrounds.size(), 4u);
    EXPECT_EQ(story.backgrounds[2], jpg);
    EXPECT_EQ(story.backgrounds[3], jpg);

    for (const std::string& bad : {textFile("notes.jpg"), (dir_ / "gone.png").string(), dir_.string()}) {
        out = addAssetCommand(story, AssetList::Background, bad);
        EXPECT_EQ(out.logLine, "File format not supported.") << bad;
        EXPECT_EQ(out.refresh, kRefreshNothing);
    }
    EXPECT_EQ(story.backgrounds.size(), 4u);
}

TEST_F(StoryCommands, PathsWithWhiteSpaceAreRefusedEverywhere)
{
    fs::create_directories(dir_ / "My Pictures");
    const std::string spaced = picture("My Pictures/a.png");
    const std::string tabbed = picture("a\tb.png");
    for (AssetList list : {AssetList::Background, AssetList::Music, AssetList::Sound})
        for (const std::string& path : {spaced, tabbed})
            EXPECT_EQ(addAssetCommand(story, list, path).logLine, "File path can not contain white space...T_T");
    EXPECT_EQ(addPhotoCommand(story, 0, spaced).logLine, "File path can not contain white space...T_T");
    EXPECT_EQ(story.backgrounds.size(), 2u);
    EXPECT_EQ(story.musics.size(), 1u);
    EXPECT_EQ(story.sounds.size(), 1u);
    EXPECT_EQ(story.characters[0].photos.size(), 1u);
}

TEST_F(StoryCommands, AddPhotoAppendsToThePersonWithItsFileNameAsDescription)
{
    story.characters.push_back(Character{"Bob", 1, {Photo{"default", "//defaultPhoto.png"}}});
    story.characterCount = 2;
    const std::string smile = picture("smile.png");
    CommandOutcome out = addPhotoCommand(story, 1, smile);
    EXPECT_EQ(out.logLine, "New person image added.");
    EXPECT_EQ(out.refresh, kRefreshPhotoBoxes);
    EXPECT_EQ(out.person, 1);
    EXPECT_EQ(story.characters[1].photoNum, 2);
    EXPECT_EQ(story.characters[1].photos.back(), (Photo{"smile.png", smile}));
    EXPECT_EQ(story.characters[0].photos.size(), 1u);

    // The filter only narrows the dialog: any readable picture passes.
    EXPECT_EQ(addPhotoCommand(story, 0, picture("frown.jpg")).logLine, "New person image added.");
    EXPECT_EQ(addPhotoCommand(story, 0, textFile("fake.png")).logLine, "File format not supported.");
    EXPECT_EQ(addPhotoCommand(story, 2, smile).logLine, "No person to add the photo to...T_T");
    EXPECT_EQ(story.characters[0].photoNum, 2);
}

TEST_F(StoryCommands, AddPersonGivesTheDefaultPhotoAndRefusesDuplicates)
{
    CommandOutcome out = addPersonCommand(story, "ann");
    EXPECT_EQ(out.logLine, "Person added...:-)");
    EXPECT_EQ(out.refresh, kRefreshPersonBoxes);
    EXPECT_EQ(addPersonCommand(story, "").logLine, "Person added...:-)");
    ASSERT_EQ(story.characterCount, 3);
    ASSERT_EQ(story.characters.size(), 3u);
    EXPECT_EQ(story.characters[1], (Character{"ann", 1, {Photo{"default", "//defaultPhoto.png"}}}));

    for (const char* taken : {"Ann", "ann", ""})
        EXPECT_EQ(addPersonCommand(story, taken).logLine, "Person name already exist...T_T");
    EXPECT_EQ(story.characterCount, 3);
}

TEST_F(StoryCommands, PersonNamesThatCannotBeFolderNamesOrSingleWordsAreRefused)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Ann Lee", "Person name can not contain white space...T_T"},
        {"Ann\t", "Person name can not contain white space...T_T"},
        {"../x", "Person name can not contain / or \\...T_T"},
        {"a\\b", "Person name can not contain / or \\...T_T"},
        {".", "Person name can not be . or .....T_T"},
        {"..", "Person name can not be . or .....T_T"},
    };
    for (const auto& [name, line] : cases) EXPECT_EQ(addPersonCommand(story, name).logLine, line) << name;
    EXPECT_EQ(story.characterCount, 1);
    // Story text bytes of the GB 2312 family are ordinary name bytes.
    EXPECT_EQ(addPersonCommand(story, "\xd5\xc5\xc8\xfd").logLine, "Person added...:-)");
}

} // namespace

// The editing commands on the story model: frames, assets, photos, persons.
#include "editor/story_commands.h"
#include "fake_controls.h"

namespace fs = std::filesystem;
using namespace quillforge;
using qtest::StoryRoot;

namespace {

class StoryCommands : public qtest::DemoModel {
protected:
    StoryCommands()
    {
        story.backgrounds = {"//bg/a.jpg", "//bg/b.jpg"};
        story.musics = {"//bgm/m.mp3"};
        story.sounds = {"//sound/s.wav"};
        story.characters = {Character{"Ann", 1, {Photo{"default", "//defaultPhoto.png"}}}};
        story.characterCount = 1;
    }
};

TEST_F(StoryCommands, AddFrameCopiesTheCurrentFrameWithoutSentenceAndSound)
{
    story.currentFrame = -1;  // a story without frames gets its first
    EXPECT_EQ(addFrameCommand(story).logLine, "Frame added...:-)");
    ASSERT_EQ(story.frameCount, 1);
    EXPECT_EQ(story.currentFrame, 0);
    EXPECT_EQ(story.frames[0], Frame{});

    story.frames = {Frame{}, Frame{0, 0, 0, 0, 2, "hello", 1, 0, 0}, Frame{}};
    story.frames[2].sentence = "last";
    story.frameCount = 3;
    story.currentFrame = 1;
    EXPECT_EQ(addFrameCommand(story).logLine, "Frame added...:-)");
    ASSERT_EQ(story.frameCount, 4);
    ASSERT_EQ(story.frames.size(), 4u);
    EXPECT_EQ(story.currentFrame, 2);
    EXPECT_EQ(story.frames[2], (Frame{0, 0, 0, 0, 2, "", 1, 0, -1}));
    EXPECT_EQ(story.frames[3].sentence, "last");
}

TEST_F(StoryCommands, BackgroundsMustBeReadablePicturesAndAreStoredUnchanged)
{
    const std::string jpg = StoryRoot::picture("sky.jpg");
    EXPECT_EQ(addAssetCommand(story, AssetList::Background, jpg).logLine, "New bg added.");
    EXPECT_EQ(addAssetCommand(story, AssetList::Background, jpg).logLine, "New bg added.");
    EXPECT_EQ(story.backgrounds, (std::vector<std::string>{"//bg/a.jpg", "//bg/b.jpg", jpg, jpg}));

    const std::string bad[] = {StoryRoot::write("notes.jpg", "not a picture"), fs::absolute("gone.png").string(),
                               fs::current_path().string()};
    for (const std::string& path : bad)
        EXPECT_EQ(addAssetCommand(story, AssetList::Background, path).logLine, "File format not supported.") << path;
    EXPECT_EQ(story.backgrounds.size(), 4u);
}

TEST_F(StoryCommands, PathsWithWhiteSpaceAreRefusedEverywhere)
{
    const std::string spaced = StoryRoot::picture("My Pictures/a.png");
    const std::string tabbed = StoryRoot::picture("a\tb.png");
    for (AssetList list : {AssetList::Background, AssetList::Music, AssetList::Sound})
        for (const std::string& path : {spaced, tabbed})
            EXPECT_EQ(addAssetCommand(story, list, path).logLine, "File path can not contain white space...T_T");
    EXPECT_EQ(addPhotoCommand(story, 0, spaced).logLine, "File path can not contain white space...T_T");
    EXPECT_EQ(story.backgrounds.size() + story.musics.size() + story.sounds.size(), 4u);
    EXPECT_EQ(story.characters[0].photos.size(), 1u);
}

TEST_F(StoryCommands, AddPhotoStoresTheChosenPathUnderItsFileName)
{
    const std::string smile = StoryRoot::picture("smile.png");
    EXPECT_EQ(addPhotoCommand(story, 0, smile).logLine, "New person image added.");
    EXPECT_EQ(story.characters[0].photos.back(), (Photo{"smile.png", smile}));
    // The filter only narrows the dialog: any readable picture passes.
    EXPECT_EQ(addPhotoCommand(story, 0, StoryRoot::picture("frown.jpg")).logLine, "New person image added.");
    EXPECT_EQ(addPhotoCommand(story, 0, StoryRoot::write("fake.png", "no")).logLine, "File format not supported.");
    EXPECT_EQ(addPhotoCommand(story, 1, smile).logLine, "No person to add the photo to...T_T");
    EXPECT_EQ(story.characters[0].photoNum, 3);
}

TEST_F(StoryCommands, AddPersonGivesTheDefaultPhotoAndRefusesTakenAndUnfitNames)
{
    EXPECT_EQ(addPersonCommand(story, "ann").logLine, "Person added...:-)");
    EXPECT_EQ(addPersonCommand(story, "").logLine, "Person added...:-)");
    ASSERT_EQ(story.characters.size(), 3u);
    EXPECT_EQ(story.characters[1], (Character{"ann", 1, {Photo{"default", "//defaultPhoto.png"}}}));

    const std::pair<const char*, const char*> cases[] = {
        {"Ann", "Person name already exist...T_T"},
        {"ann", "Person name already exist...T_T"},
        {"", "Person name already exist...T_T"},
        {"Ann Lee", "Person name can not contain white space...T_T"},
        {"Ann\t", "Person name can not contain white space...T_T"},
        {"../x", "Person name can not contain / or \\...T_T"},
        {"a\\b", "Person name can not contain / or \\...T_T"},
        {".", "Person name can not be . or .....T_T"},
        {"..", "Person name can not be . or .....T_T"},
    };
    for (const auto& [name, line] : cases) EXPECT_EQ(addPersonCommand(story, name).logLine, line) << name;
    EXPECT_EQ(story.characterCount, 3);
    // Story text bytes of the GB 2312 family are ordinary name bytes.
    EXPECT_EQ(addPersonCommand(story, "\xd5\xc5\xc8\xfd").logLine, "Person added...:-)");
}

} // namespace

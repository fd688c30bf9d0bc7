// Mod creation from the templates and Export into the mod's asset folders.
#include "editor/mod_export.h"
#include "fake_controls.h"

namespace fs = std::filesystem;
using namespace quillforge;
using qtest::StoryRoot;

namespace {

// The mod "demo" with its folder, and the templates, below a new story root.
class ModFolders : public ::testing::Test {
protected:
    ModFolders()
    {
        setenv("HOME", fs::current_path().c_str(), 1);  // the outside files are the author's own
        fs::create_directories("story/demo");
        for (const std::string& t : modTemplateFiles()) StoryRoot::write("story/" + t, "template " + t);
    }
    static std::string mod(const std::string& rel) { return "story/demo/" + rel; }
    static std::string outside(const std::string& rel, const std::string& content)
    {
        return StoryRoot::write("outside/" + rel, content);
    }
    CommandOutcome exportDemo() { return exportModCommand(story, storyRoot); }

    StoryRoot root;
    const std::string storyRoot = fs::absolute("story").string() + "/";
    StoryScript story{kEditorStoryRoot, "demo"};
};

TEST_F(ModFolders, AddModRefusesTakenNamesAndNamesThatLeaveTheStoryRootOrAreNoSingleWord)
{
    std::vector<std::string> mods = {"demo"};
    fs::create_directory("story/late");  // made by hand, not listed yet
    const std::pair<const char*, const char*> cases[] = {
        {"demo", "Mod name already exist...T_T"},
        {"", "Create directory failed...T_T"},  // the story root itself, which exists
        {"late", "Create directory failed...T_T"},
        {"../escape", "Mod name can not contain / or \\...T_T"},
        {"..\\escape", "Mod name can not contain / or \\...T_T"},
        {".", "Mod name can not be . or .....T_T"},
        {"..", "Mod name can not be . or .....T_T"},
        {"My Story", "Mod name can not contain white space...T_T"},
    };
    for (const auto& [name, line] : cases) EXPECT_EQ(addModCommand(name, mods, storyRoot).logLine, line) << name;
    EXPECT_EQ(mods.size(), 1u);
    EXPECT_FALSE(fs::exists("escape"));
    EXPECT_FALSE(fs::exists("story/My Story"));
    // This file system tells letter case apart, so a case-only difference is a new folder.
    EXPECT_EQ(addModCommand("Demo", mods, storyRoot).logLine, "Mod created success...:-)");
}

TEST_F(ModFolders, AddModSkipsMissingTemplatesButReportsOnesThatCannotBeCopied)
{
    std::vector<std::string> mods;
    fs::remove("story/contentN.png");
    EXPECT_EQ(addModCommand("one", mods, storyRoot).logLine, "Mod created success...:-)");
    for (const std::string& t : modTemplateFiles())
        EXPECT_EQ(fs::exists("story/one/" + t), t != "contentN.png") << t;

    // A template that is there but is no file cannot be copied.
    fs::remove("story/defaultBg.jpg");
    fs::create_directory("story/defaultBg.jpg");
    EXPECT_EQ(addModCommand("two", mods, storyRoot).logLine, "Mod created, but defaultBg.jpg could not be copied...T_T");
    EXPECT_EQ(mods, (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(fs::exists("story/two/script.xml"));
}

// The end-to-end test exports a person's photo, music and sounds; these are
// the reference forms it does not meet.
TEST_F(ModFolders, ExportGivesCopiesSingleWordNamesAndLeavesModReferencesAlone)
{
    story.characters = {Character{"Bob", 1, {Photo{"default", "//defaultPhoto.png"}}}};
    story.characterCount = 1;
    story.backgrounds = {"//bg/old.jpg", outside("with space/a b.jpg", "ab")};
    story.sounds = {"\\sound\\kept.wav"};

    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.backgrounds, (std::vector<std::string>{"//bg/old.jpg", "//bg/a_b.jpg"}));
    EXPECT_EQ(StoryRoot::read(mod("bg/a_b.jpg")), "ab");
    EXPECT_EQ(story.sounds[0], "\\sound\\kept.wav");
    EXPECT_EQ(story.characters[0].photos[0].dir, "//defaultPhoto.png");
    EXPECT_TRUE(fs::is_directory(mod("character/Bob"))) << "a person with only the default photo gets a folder";
}

TEST_F(ModFolders, SameFileNamesFromDifferentFoldersKeepBothPictures)
{
    StoryRoot::write(mod("bg/hill.jpg"), "old hill");
    story.backgrounds = {outside("a/sky.jpg", "day"), outside("b/sky.jpg", "night"), outside("c/sky.jpg", "day"),
                         outside("d/hill.jpg", "new hill")};

    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.backgrounds,
              (std::vector<std::string>{"//bg/sky.jpg", "//bg/sky_2.jpg", "//bg/sky.jpg", "//bg/hill_2.jpg"}));
    EXPECT_EQ(StoryRoot::read(mod("bg/sky.jpg")), "day");
    EXPECT_EQ(StoryRoot::read(mod("bg/hill.jpg")), "old hill");  // never overwritten
    EXPECT_EQ(StoryRoot::read(mod("bg/hill_2.jpg")), "new hill");
}

TEST_F(ModFolders, MissingOutsideFilesAreRewrittenAndUncopyableOnesKept)
{
    outside("pics/dir.jpg/x", "x");  // "dir.jpg" is a folder
    const std::string dirJpg = fs::absolute("outside/pics/dir.jpg").string();
    const std::string tune = outside("tune.mp3", "tune");
    story.sounds = {fs::absolute("outside/gone.wav").string()};
    story.backgrounds = {dirJpg};
    story.musics = {tune};
    StoryRoot::write(mod("bgm"), "in the way");  // the mod's bgm folder cannot be made

    EXPECT_EQ(exportDemo().logLine, "Export incomplete, dir.jpg and 1 more could not be copied...T_T");
    EXPECT_EQ(story.sounds[0], "//sound/gone.wav");
    EXPECT_EQ(story.backgrounds[0], dirJpg);
    EXPECT_EQ(story.musics[0], tune);

    // Once the cause is mended, exporting again finishes the job.
    fs::remove(mod("bgm"));
    story.backgrounds = {"//bg/old.jpg"};
    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.musics[0], "//bgm/tune.mp3");
    EXPECT_EQ(StoryRoot::read(mod("bgm/tune.mp3")), "tune");
}

TEST_F(ModFolders, PersonNamesThatLeaveTheModKeepTheirPhotos)
{
    const std::string smile = outside("smile.png", "smile");
    story.characters = {Character{"../../evil", 1, {Photo{"smile.png", smile}}},
                        Character{"Ann", 1, {Photo{"smile.png", smile}}}};
    story.characterCount = 2;
    EXPECT_EQ(exportDemo().logLine, "Export incomplete, a person name is no folder name, its photos stay...T_T");
    EXPECT_EQ(story.characters[0].photos[0].dir, smile);
    EXPECT_EQ(story.characters[1].photos[0].dir, "//character/Ann/smile.png");
    EXPECT_FALSE(fs::exists("story/evil"));
}

} // namespace

// Mod creation from the templates and Export into the mod's asset folders,
// on a story root in a temp dir.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

#include <gtest/gtest.h>

#include "editor/mod_export.h"

namespace fs = std::filesystem;
using namespace quillforge;

namespace {

std::string contentOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write(const fs::path& file, const std::string& content)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

class ModFolders : public ::testing::Test {
protected:
    void SetUp() override
    {
        base_ = fs::temp_directory_path() / ("qf_export_" + std::to_string(::getpid()) + "_" +
                                             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(base_);
        fs::create_directories(base_ / "story" / "demo");
        root_ = (base_ / "story").string() + "/";
        for (const std::string& t : modTemplateFiles()) write(base_ / "story" / t, "template " + t);
        outside_ = base_ / "outside";
    }
    void TearDown() override { fs::remove_all(base_); }

    fs::path mod(const std::string& rel = "") const { return base_ / "story" / "demo" / rel; }
    // An outside file with content; returns its full path as a file dialog gives it.
    std::string outsideFile(const std::string& rel, const std::string& content)
    {
        write(outside_ / rel, content);
        return (outside_ / rel).string();
    }
    CommandOutcome exportDemo() { return exportModCommand(story, root_, &report); }

    fs::path base_, outside_;
    std::string root_;
    StoryScript story{"demo"};
    ExportReport report;
};

TEST_F(ModFolders, AddModCopiesEveryTemplateAndListsTheNewMod)
{
    std::vector<std::string> mods = {"demo"};
    CommandOutcome out = addModCommand("tale", mods, root_);
    EXPECT_EQ(out.logLine, "Mod created success...:-)");
    EXPECT_EQ(out.refresh, kRefreshModBox);
    EXPECT_EQ(mods, (std::vector<std::string>{"demo", "tale"}));
    for (const std::string& t : modTemplateFiles())
        EXPECT_EQ(contentOf(base_ / "story" / "tale" / t), "template " + t) << t;
}

TEST_F(ModFolders, AddModRefusesListedNamesAndFailsWhereNoFolderCanBeMade)
{
    std::vector<std::string> mods = {"demo"};
    EXPECT_EQ(addModCommand("demo", mods, root_).logLine, "Mod name already exist...T_T");
    // Empty: the story root itself, which exists.
    EXPECT_EQ(addModCommand("", mods, root_).logLine, "Create directory failed...T_T");
    // A folder made by hand but not listed yet.
    fs::create_directory(base_ / "story" / "late");
    EXPECT_EQ(addModCommand("late", mods, root_).logLine, "Create directory failed...T_T");
    EXPECT_EQ(mods.size(), 1u);
    // This file system tells letter case apart, so a case-only difference is a new folder.
    EXPECT_EQ(addModCommand("Demo", mods, root_).logLine, "Mod created success...:-)");
}

TEST_F(ModFolders, AddModRefusesNamesThatLeaveTheStoryRootOrAreNoSingleWord)
{
    std::vector<std::string> mods = {"demo"};
    const std::pair<const char*, const char*> cases[] = {
        {"../escape", "Mod name can not contain / or \\...T_T"},
        {"demo/inner", "Mod name can not contain / or \\...T_T"},
        {"..\\escape", "Mod name can not contain / or \\...T_T"},
        {".", "Mod name can not be . or .....T_T"},
        {"..", "Mod name can not be . or .....T_T"},
        {"My Story", "Mod name can not contain white space...T_T"},
    };
    for (const auto& [name, line] : cases) EXPECT_EQ(addModCommand(name, mods, root_).logLine, line) << name;
    EXPECT_EQ(mods.size(), 1u);
    EXPECT_FALSE(fs::exists(base_ / "escape"));
    EXPECT_FALSE(fs::exists(mod("inner")));
    EXPECT_FALSE(fs::exists(base_ / "story" / "My Story"));
}

TEST_F(ModFolders, AddModSkipsMissingTemplatesButReportsOnesThatCannotBeCopied)
{
    std::vector<std::string> mods;
    fs::remove(base_ / "story" / "contentN.png");
    EXPECT_EQ(addModCommand("one", mods, root_).logLine, "Mod created success...:-)");
    EXPECT_FALSE(fs::exists(base_ / "story" / "one" / "contentN.png"));

    // A template that is there but is no file cannot be copied.
    fs::remove(base_ / "story" / "defaultBg.jpg");
    fs::create_directory(base_ / "story" / "defaultBg.jpg");
    CommandOutcome out = addModCommand("two", mods, root_);
    EXPECT_EQ(out.logLine, "Mod created, but defaultBg.jpg could not be copied...T_T");
    EXPECT_EQ(mods, (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(fs::exists(base_ / "story" / "two" / "script.xml"));
}

TEST_F(ModFolders, ExportCopiesOutsideFilesAndMakesEveryReferenceModRelative)
{
    story.characters = {Character{"Ann", 2, {Photo{"default", "//defaultPhoto.png"}, Photo{"smile.png", ""}}},
                        Character{"Bob", 1, {Photo{"default", "//defaultPhoto.png"}}}};
    story.characters[0].photos[1].dir = outsideFile("pics/smile.png", "smile");
    story.characterCount = 2;
    story.backgrounds = {"//bg/old.jpg", outsideFile("pics/sky.jpg", "sky")};
    story.musics = {outsideFile("music/tune.mp3", "tune")};
    story.sounds = {outsideFile("sfx/ding.wav", "ding"), "\\sound\\kept.wav"};

    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.characters[0].photos[0].dir, "//defaultPhoto.png");
    EXPECT_EQ(story.characters[0].photos[1], (Photo{"smile.png", "//character/Ann/smile.png"}));
    EXPECT_EQ(story.backgrounds, (std::vector<std::string>{"//bg/old.jpg", "//bg/sky.jpg"}));
    EXPECT_EQ(story.musics, (std::vector<std::string>{"//bgm/tune.mp3"}));
    EXPECT_EQ(story.sounds, (std::vector<std::string>{"//sound/ding.wav", "\\sound\\kept.wav"}));
    EXPECT_EQ(contentOf(mod("character/Ann/smile.png")), "smile");
    EXPECT_EQ(contentOf(mod("bg/sky.jpg")), "sky");
    EXPECT_EQ(contentOf(mod("bgm/tune.mp3")), "tune");
    EXPECT_EQ(contentOf(mod("sound/ding.wav")), "ding");
    // A person with only the default photo still gets a folder.
    EXPECT_TRUE(fs::is_directory(mod("character/Bob")));
    EXPECT_EQ(report.copied, 4);

    // Everything is in the mod now: a second export copies nothing.
    const StoryRecords before = story;
    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(report.copied + report.reused + report.missing, 0);
    EXPECT_EQ(story.backgrounds, before.backgrounds);
    EXPECT_EQ(story.characters, before.characters);
}

TEST_F(ModFolders, SameFileNamesFromDifferentFoldersKeepBothPictures)
{
    story.backgrounds = {outsideFile("a/sky.jpg", "day"), outsideFile("b/sky.jpg", "night"),
                         outsideFile("c/sky.jpg", "day")};
    write(mod("bg/hill.jpg"), "old hill");
    story.backgrounds.push_back(outsideFile("d/hill.jpg", "new hill"));

    CommandOutcome out = exportDemo();
    EXPECT_EQ(out.logLine, "Export success..:-)");
    EXPECT_TRUE(out.refresh & kRefreshBackgroundBox);
    EXPECT_EQ(story.backgrounds,
              (std::vector<std::string>{"//bg/sky.jpg", "//bg/sky_2.jpg", "//bg/sky.jpg", "//bg/hill_2.jpg"}));
    EXPECT_EQ(contentOf(mod("bg/sky.jpg")), "day");
    EXPECT_EQ(contentOf(mod("bg/sky_2.jpg")), "night");
    EXPECT_EQ(contentOf(mod("bg/hill.jpg")), "old hill");  // never overwritten
    EXPECT_EQ(contentOf(mod("bg/hill_2.jpg")), "new hill");
    EXPECT_EQ(report.copied, 3);
    EXPECT_EQ(report.reused, 1);
    EXPECT_FALSE(fs::exists(mod("bg/sky_3.jpg")));
}

TEST_F(ModFolders, MissingOutsideFilesAreRewrittenAndUncopyableOnesKept)
{
    const std::string gone = (outside_ / "gone.wav").string();
    outsideFile("pics/dir.jpg/x", "x");  // "dir.jpg" is a folder
    const std::string dirJpg = (outside_ / "pics" / "dir.jpg").string();
    story.sounds = {gone};
    story.backgrounds = {dirJpg};
    // The mod's bgm folder cannot be made: a file is in its way.
    write(mod("bgm"), "in the way");
    const std::string tune = outsideFile("tune.mp3", "tune");
    story.musics = {tune};

    CommandOutcome out = exportDemo();
    EXPECT_EQ(out.logLine, "Export incomplete, dir.jpg and 1 more could not be copied...T_T");
    EXPECT_EQ(story.sounds[0], "//sound/gone.wav");
    EXPECT_EQ(story.backgrounds[0], dirJpg);
    EXPECT_EQ(story.musics[0], tune);

    // Once the cause is mended, exporting again finishes the job.
    fs::remove(mod("bgm"));
    story.backgrounds = {"//bg/old.jpg"};
    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.musics[0], "//bgm/tune.mp3");
    EXPECT_EQ(contentOf(mod("bgm/tune.mp3")), "tune");
}

TEST_F(ModFolders, PersonNamesThatLeaveTheModKeepTheirPhotos)
{
    const std::string smile = outsideFile("smile.png", "smile");
    story.characters = {Character{"../../evil", 1, {Photo{"smile.png", smile}}},
                        Character{"Ann", 1, {Photo{"smile.png", smile}}}};
    story.characterCount = 2;
    EXPECT_EQ(exportDemo().logLine, "Export incomplete, a person name is no folder name, its photos stay...T_T");
    EXPECT_EQ(story.characters[0].photos[0].dir, smile);
    EXPECT_EQ(story.characters[1].photos[0].dir, "//character/Ann/smile.png");
    EXPECT_FALSE(fs::exists(base_ / "evil"));
    EXPECT_EQ(report.refusedPersons, (std::vector<std::string>{"../../evil"}));
}

TEST_F(ModFolders, CopiedFilesGetSingleWordNames)
{
    story.backgrounds = {outsideFile("with space/a b.jpg", "ab")};
    EXPECT_EQ(exportDemo().logLine, "Export success..:-)");
    EXPECT_EQ(story.backgrounds[0], "//bg/a_b.jpg");
    EXPECT_EQ(contentOf(mod("bg/a_b.jpg")), "ab");
}

} // namespace

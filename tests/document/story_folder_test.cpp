#include "document/story_folder.h"
#include "tests/document/scratch_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

// Runs each test inside a fresh working directory, as the programs do.
class StoryFolder : public testing::Test, protected ScratchDir {
protected:
    StoryFolder() : home(fs::current_path())
    {
        fs::create_directories(dir / "story");
        fs::current_path(dir);
    }
    ~StoryFolder() override { fs::current_path(home); }
    fs::path home;
};

TEST_F(StoryFolder, StartupFileNamesItsFirstWord)
{
    std::string mod = "unchanged";
    EXPECT_FALSE(readEditorStartupMod(mod));
    EXPECT_FALSE(readPlayerStartupMod(mod));
    EXPECT_EQ(mod, "unchanged");

    for (const char* content : {"demo", "demo\n", "demo\r\n", "  \t\ndemo\n", "demo other"}) {
        write("story/startup.txt", content);
        ASSERT_TRUE(readEditorStartupMod(mod));
        EXPECT_EQ(mod, "demo") << '"' << content << '"';
        ASSERT_TRUE(readPlayerStartupMod(mod));
        EXPECT_EQ(mod, "demo");
    }
    write("story/startup.txt", "");
    ASSERT_TRUE(readPlayerStartupMod(mod));
    EXPECT_EQ(mod, "");

    ASSERT_TRUE(writeStartupMod("\xE6\x95\x85\xE4\xBA\x8B"));
    EXPECT_EQ(read("story/startup.txt"), "\xE6\x95\x85\xE4\xBA\x8B");  // bare name, no line end
    EXPECT_FALSE(writeStartupMod("x", ".\\missing\\startup.txt"));
}

TEST_F(StoryFolder, ListsFoldersOnlyInTheFileSystemsOrder)
{
    EXPECT_TRUE(listMods().empty());
    for (const char* mod : {"b", "a", "c d"})
        fs::create_directory(dir / "story" / mod);
    write("story/startup.txt", "a");
    write("story/script.xml", "");
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator("story"))
        if (entry.is_directory())
            expected.push_back(entry.path().filename().string());
    EXPECT_EQ(expected.size(), 3u);
    EXPECT_EQ(listMods(), expected);
    EXPECT_TRUE(listMods(".\\nothing\\").empty());
}

TEST_F(StoryFolder, CreatingAModCopiesTemplatesWithoutOverwriting)
{
    for (const std::string& file : modTemplateFiles())
        if (file != "contentN.png")  // a missing template is skipped
            write("story/" + file, "template " + file);
    fs::create_directory(dir / "story" / "old");
    write("story/old/script.xml", "mine");

    EXPECT_EQ(createMod("old"), CreateModResult::NameExists);
    EXPECT_EQ(read("story/old/script.xml"), "mine");
    EXPECT_STREQ(createModLogLine(CreateModResult::NameExists), "Mod name already exist...T_T");

    ASSERT_EQ(createMod("new"), CreateModResult::Created);
    EXPECT_STREQ(createModLogLine(CreateModResult::Created), "Mod created success...:-)");
    EXPECT_EQ(read("story/new/defaultBgm.mp3"), "template defaultBgm.mp3");
    EXPECT_EQ(read("story/new/script.xml"), "template script.xml");
    EXPECT_FALSE(fs::exists("story/new/contentN.png"));

    // Names that would leave the story root, or a file in the way.
    write("story/plain", "a file");
    for (const char* bad : {"", ".", "..", "../escape", "a/b", "a\\b", "plain"})
        EXPECT_EQ(createMod(bad), CreateModResult::CreateFolderFailed) << bad;
    EXPECT_FALSE(fs::exists(dir / "escape"));
    EXPECT_STREQ(createModLogLine(CreateModResult::CreateFolderFailed), "Create directory failed...T_T");

    EXPECT_FALSE(copyFileNoOverwrite(".\\story\\script.xml", ".\\story\\old\\script.xml"));
    EXPECT_EQ(read("story/old/script.xml"), "mine");
    EXPECT_TRUE(copyFileNoOverwrite(".\\story\\script.xml", ".\\story\\old\\copy.xml"));
    EXPECT_FALSE(createFolder(".\\story\\old"));
}

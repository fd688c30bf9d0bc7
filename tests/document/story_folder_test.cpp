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
    EXPECT_FALSE(readEditorStartupMod(mod) || readPlayerStartupMod(mod));
    EXPECT_EQ(mod, "unchanged");
    for (const char* content : {"demo", "demo\r\n", "  \t\ndemo\n", "demo other", ""}) {
        write("story/startup.txt", content);
        ASSERT_TRUE(readEditorStartupMod(mod));
        EXPECT_EQ(mod, *content ? "demo" : "") << '"' << content << '"';
        mod.clear();
        ASSERT_TRUE(readPlayerStartupMod(mod));
        EXPECT_EQ(mod, *content ? "demo" : "");
    }
    ASSERT_TRUE(writeStartupMod("\xE6\x95\x85\xE4\xBA\x8B"));
    EXPECT_EQ(read("story/startup.txt"), "\xE6\x95\x85\xE4\xBA\x8B"); // bare name, no line end
    EXPECT_FALSE(writeStartupMod("x", ".\\missing\\startup.txt"));
}

TEST_F(StoryFolder, ListsFoldersOnlyInTheFileSystemsOrder)
{
    EXPECT_TRUE(listMods().empty());
    for (const char* mod : {"b", "a", "c d"}) fs::create_directory(dir / "story" / mod);
    write("story/startup.txt", "a");
    std::vector<std::string> expected;
    for (const auto& entry : fs::directory_iterator("story"))
        if (entry.is_directory()) expected.push_back(entry.path().filename().string());
    EXPECT_EQ(expected.size(), 3u);
    EXPECT_EQ(listMods(), expected);
    EXPECT_TRUE(listMods(".\\nothing\\").empty());
}

// The editor makes mods and exports files through these two; neither overwrites.
TEST_F(StoryFolder, FoldersAndCopiesNeverReplaceWhatIsThere)
{
    write("story/script.xml", "template");
    EXPECT_TRUE(createFolder(".\\story\\old"));
    EXPECT_FALSE(createFolder(".\\story\\old"));
    EXPECT_FALSE(createFolder(".\\story\\no\\such"));
    write("story/old/script.xml", "mine");
    EXPECT_FALSE(copyFileNoOverwrite(".\\story\\script.xml", ".\\story\\old\\script.xml"));
    EXPECT_EQ(read("story/old/script.xml"), "mine");
    EXPECT_FALSE(copyFileNoOverwrite(".\\story\\missing.xml", ".\\story\\old\\copy.xml"));
    EXPECT_TRUE(copyFileNoOverwrite(".\\story\\script.xml", ".\\story\\old\\copy.xml"));
    EXPECT_EQ(read("story/old/copy.xml"), "template");
}

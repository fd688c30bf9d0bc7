#include "launcher/launch.h"
#include "launcher/user_folder.h"
#include "tests/document/scratch_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;
using launcher::prepareUserFolder;

// An installed data folder (share/quillforge) beside an empty user folder.
class UserFolder : public testing::Test, protected ScratchDir {
protected:
    UserFolder()
    {
        for (const char* folder : {"data/story/Demo/bg", "data/raw", "data/shader"})
            fs::create_directories(dir / folder);
        for (const char* file : {"content.png", "contentN.png", "script.xml", "next.png"})
            write(std::string("data/story/") + file, file);
        write("data/story/startup.txt", "Demo");
        write("data/story/Demo/script.xml", "demo script");
        write("data/story/Demo/bg/a.jpg", "picture");
        write("data/raw/1.bin", "glyphs");
        setup = {dir / "data", dir / "user"};
    }
    launcher::FolderSetup setup;
};

TEST_F(UserFolder, FirstRunCopiesTheStoryAndLinksTheReadOnlyData)
{
    ASSERT_EQ(prepareUserFolder(setup), "");
    EXPECT_EQ(read("user/story/startup.txt"), "Demo");
    EXPECT_EQ(read("user/story/next.png"), "next.png");
    EXPECT_EQ(read("user/story/Demo/bg/a.jpg"), "picture");
    EXPECT_TRUE(fs::is_symlink(dir / "user/raw"));
    EXPECT_EQ(read("user/raw/1.bin"), "glyphs");
    EXPECT_EQ(fs::read_symlink(dir / "user/shader"), dir / "data/shader");
}

TEST_F(UserFolder, LaterRunsKeepTheUsersFilesAndRestoreMissingTemplates)
{
    ASSERT_EQ(prepareUserFolder(setup), "");
    write("user/story/startup.txt", "Mine");
    fs::create_directories(dir / "user/story/Mine");
    write("user/story/Mine/script.xml", "my script");
    write("user/story/content.png", "my box");
    fs::remove(dir / "user/story/contentN.png");
    fs::remove_all(dir / "user/story/Demo"); // the user deleted the demo: it stays deleted
    ASSERT_EQ(prepareUserFolder(setup), "");
    EXPECT_EQ(read("user/story/startup.txt"), "Mine");
    EXPECT_EQ(read("user/story/Mine/script.xml"), "my script");
    EXPECT_EQ(read("user/story/content.png"), "my box");
    EXPECT_EQ(read("user/story/contentN.png"), "contentN.png");
    EXPECT_FALSE(fs::exists(dir / "user/story/Demo"));

    // Without a start-up file the demo's missing files and the file come back,
    // and an edited demo file is kept.
    fs::remove(dir / "user/story/startup.txt");
    fs::create_directories(dir / "user/story/Demo");
    write("user/story/Demo/script.xml", "edited demo");
    ASSERT_EQ(prepareUserFolder(setup), "");
    EXPECT_EQ(read("user/story/startup.txt"), "Demo");
    EXPECT_EQ(read("user/story/Demo/script.xml"), "edited demo");
    EXPECT_EQ(read("user/story/Demo/bg/a.jpg"), "picture");
}

TEST_F(UserFolder, ReplacesOnlyDanglingLinks)
{
    fs::create_directories(dir / "user/raw"); // the user's own glyph folder
    write("user/raw/1.bin", "own glyphs");
    fs::create_directory_symlink(dir / "gone", dir / "user/shader");
    ASSERT_EQ(prepareUserFolder(setup), "");
    EXPECT_EQ(read("user/raw/1.bin"), "own glyphs");
    EXPECT_EQ(fs::read_symlink(dir / "user/shader"), dir / "data/shader");
}

TEST_F(UserFolder, SaysWhatCannotBeCreated)
{
    write("blocker", "a file where the folder should go");
    setup.userDir = dir / "blocker/quillforge";
    const auto error = prepareUserFolder(setup);
    EXPECT_NE(error.find("cannot create the folder " + (dir / "blocker/quillforge/story").string()), std::string::npos)
        << error;
    EXPECT_NE(error.find("Not a directory"), std::string::npos) << error;

    // A file named story inside the user folder is not taken for the folder.
    setup.userDir = dir / "user";
    fs::create_directories(dir / "user");
    write("user/story", "");
    EXPECT_NE(prepareUserFolder(setup), "");
}

TEST(UserDir, FollowsXdgDataHomeOnlyWhenAbsolute)
{
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdg = savedXdg ? savedXdg : "", home = savedHome ? savedHome : "";
    setenv("HOME", "/home/reader", 1);
    setenv("XDG_DATA_HOME", "/data/reader", 1);
    EXPECT_EQ(launcher::defaultUserDir(), "/data/reader/quillforge");
    setenv("XDG_DATA_HOME", "relative", 1);
    EXPECT_EQ(launcher::defaultUserDir(), "/home/reader/.local/share/quillforge");
    unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(launcher::defaultUserDir(), "/home/reader/.local/share/quillforge");
    if (savedXdg) setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    if (savedHome) setenv("HOME", home.c_str(), 1);
}

TEST(InstallDirs, AreFoundBesideTheCommandUnderAnyPrefix)
{
    for (const char* prefix : {"/usr", "/opt/qf", "/tmp/stage/usr/local"}) {
        const auto dirs = launcher::installDirsOf(fs::path(prefix) / "bin/scenewalk");
        EXPECT_EQ(dirs.programDir, fs::path(prefix) / "libexec/quillforge");
        EXPECT_EQ(dirs.dataDir, fs::path(prefix) / "share/quillforge");
    }
}

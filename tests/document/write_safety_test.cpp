// The story files when their folders come from a stranger: planted links,
// FIFOs, folders, devices and huge files where script.xml, its temporary
// file and startup.txt should be, and two saves at once.
#include "document/safe_file.h"
#include "document/story_folder.h"
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "tests/sandbox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

class WriteSafety : public testing::Test {
protected:
    WriteSafety() { fs::create_directories(box.path("story/demo")); }

    // A story of frameCount frames, each with a sentence, as records.
    static StoryRecords framesStory(int frameCount)
    {
        StoryRecords r;
        r.title = "t" + std::to_string(frameCount);
        r.backgrounds = {"//bg/a.jpg"};
        r.musics = {"//bgm/a.mp3"};
        r.frames.assign(frameCount, Frame{-1, -1, -1, -1, 0, "sentence", 0, 0, -1});
        r.frameCount = frameCount;
        return r;
    }
    std::string script() const { return box.path("story/demo/script.xml"); }

    Sandbox box;
};

TEST_F(WriteSafety, SaveReplacesPlantedLinksAndKeepsTheModeAndRemovesOnlyDeadTemporaries)
{
    box.write("outside/victim.txt", "precious");
    box.link("story/demo/script.xml.saving", box.path("outside/victim.txt"));
    box.link("story/demo/script.xml.saving-Planted", box.path("outside/victim.txt"));
    box.write("story/demo/script.xml.saving-Crash1", "half a story from a save that died");
    // A save in progress in another process holds its temporary file locked.
    const std::string live = box.write("story/demo/script.xml.saving-Live22", "being written");
    const int liveFd = ::open(live.c_str(), O_RDONLY);
    ASSERT_EQ(::flock(liveFd, LOCK_EX), 0);
    box.write("story/demo/script.xml", "<story/>");
    fs::permissions(script(), fs::perms::owner_read);
    const auto before = box.outsideSnapshot();

    StoryScript story(box.storyRoot(), "demo");
    static_cast<StoryRecords&>(story) = framesStory(2);
    ASSERT_TRUE(story.save());

    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(script())));
    EXPECT_EQ(fs::status(script()).permissions() & fs::perms::all, fs::perms::owner_read);
    StoryScript back(box.storyRoot(), "demo");
    ASSERT_TRUE(back.load());
    EXPECT_EQ(back.frameCount, 2);
    EXPECT_FALSE(fs::exists(box.path("story/demo/script.xml.saving-Crash1")));
    EXPECT_TRUE(fs::exists(live)) << "a live save's file stays";
    ::close(liveFd);
    // Planted links are not followed, not used and not removed.
    EXPECT_TRUE(fs::is_symlink(box.path("story/demo/script.xml.saving")));
    EXPECT_TRUE(fs::is_symlink(box.path("story/demo/script.xml.saving-Planted")));
}

TEST_F(WriteSafety, StartUpReplacesALinkedStartupFileInsteadOfWritingThroughIt)
{
    box.write("outside/victim.txt", "precious");
    box.link("story/startup.txt", box.path("outside/victim.txt"));
    const auto before = box.outsideSnapshot();
    ASSERT_TRUE(writeStartupMod("demo", box.storyRoot() + kStartupFileName));
    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(box.path("story/startup.txt"))));
    EXPECT_EQ(box.read("story/startup.txt"), "demo");
}

// Whatever stands where a file is read, reading ends at once with a reason
// and both programs take their missing-file or load-failure path.
TEST_F(WriteSafety, OnlyBoundedRegularFilesAreRead)
{
    const std::string startup = box.storyRoot() + kStartupFileName;
    const auto sparse = [&](const std::string& rel, std::uintmax_t size) {
        box.write(rel, "demo");
        fs::resize_file(box.path(rel), size);
    };
    struct Case {
        const char* what;
        std::function<void(const std::string&)> plant;
        const char* why;
    };
    const Case cases[] = {
        {"folder", [&](const std::string& rel) { fs::create_directories(box.path(rel)); }, "not a regular file"},
        {"FIFO", [&](const std::string& rel) { ASSERT_EQ(::mkfifo(box.path(rel).c_str(), 0600), 0); }, "not a regular file"},
        {"/dev/zero", [&](const std::string& rel) { box.link(rel, "/dev/zero"); }, "not a regular file"},
        {"sparse 1 GB", [&](const std::string& rel) { sparse(rel, 1ull << 30); }, nullptr},
        {"missing", [](const std::string&) {}, "no such file"},
    };
    for (const Case& c : cases) {
        fs::remove_all(box.path("story/startup.txt"));
        fs::remove_all(script());
        c.plant("story/startup.txt");
        c.plant("story/demo/script.xml");
        const auto start = std::chrono::steady_clock::now();

        std::string name = "unchanged", why;
        EXPECT_FALSE(readStartupMod(startup, name, &why)) << c.what;
        EXPECT_EQ(name, "unchanged");
        EXPECT_EQ(why, c.why ? c.why : "larger than 4096 bytes") << c.what;
        std::unique_ptr<PropertyTree> tree;
        EXPECT_FALSE(loadTree(tree, script())) << c.what;
        StoryScript story(box.storyRoot(), "demo");
        testing::internal::CaptureStdout();
        EXPECT_FALSE(story.load());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n") << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << c.what;
    }
    // Just above the limits is refused as well; at them a file still reads.
    sparse("story/demo/big.txt", kMaxStartupBytes + 1);
    std::string text, why;
    EXPECT_FALSE(readRegularFile(box.path("story/demo/big.txt"), kMaxStartupBytes, text, &why));
    EXPECT_EQ(why, "larger than 4096 bytes");
    fs::resize_file(box.path("story/demo/big.txt"), kMaxStartupBytes);
    EXPECT_TRUE(readRegularFile(box.path("story/demo/big.txt"), kMaxStartupBytes, text));
    EXPECT_EQ(text.size(), kMaxStartupBytes);
}

TEST_F(WriteSafety, ModFoldersNamedWithSeparatorsAreNotOfferedNorSavedToOutsideTheStoryRoot)
{
    fs::create_directories(box.path("story/..\\..\\victim_proj"));
    box.write("victim_proj/script.xml", "<victim/>");
    const auto before = box.outsideSnapshot();
    std::vector<std::string> refused;
    EXPECT_EQ(listMods(box.storyRoot(), &refused), std::vector<std::string>{"demo"});
    EXPECT_EQ(refused, std::vector<std::string>{"..\\..\\victim_proj"});

    // Even a name that reaches the model some other way never leaves the root.
    for (const char* name : {"..\\..\\victim_proj", "../../victim_proj", "..", "."}) {
        StoryScript story(box.storyRoot() + "x/", name);
        static_cast<StoryRecords&>(story) = framesStory(1);
        EXPECT_FALSE(story.save()) << name;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(story.load()) << name;
        testing::internal::GetCapturedStdout();
    }
    EXPECT_EQ(box.outsideSnapshot(), before);
}

// Two processes saving one script.xml over and over while a third reads it:
// every read finds one whole story, never a mix.
TEST_F(WriteSafety, TwoSavesAtOnceNeverTearTheFile)
{
    const std::unique_ptr<PropertyTree> small = storyTree(framesStory(300));
    const std::unique_ptr<PropertyTree> large = storyTree(framesStory(2000));
    ASSERT_TRUE(saveTree(*small, script()));
    pid_t savers[2];
    for (int i = 0; i < 2; ++i) {
        savers[i] = ::fork();
        if (savers[i] == 0) {
            bool ok = true;
            for (int n = 0; n < 40; ++n) ok = saveTree(i == 0 ? *small : *large, script()) && ok;
            ::_exit(ok ? 0 : 1);
        }
    }
    int reads = 0, whole = 0;
    for (;;) {
        int status = 0;
        const bool done = ::waitpid(savers[0], &status, WNOHANG) != 0 && ::waitpid(savers[1], &status, WNOHANG) != 0;
        std::unique_ptr<PropertyTree> tree;
        StoryRecords records;
        ++reads;
        if (loadTree(tree, script()) && readStory(*tree, records) &&
            (records.frames.size() == 300 || records.frames.size() == 2000))
            ++whole;
        if (done) break;
    }
    EXPECT_EQ(whole, reads);
    EXPECT_GT(reads, 1);
    for (pid_t saver : savers) {
        int status = 0;
        ::waitpid(saver, &status, 0);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(box.path("story/demo")), fs::directory_iterator()), 1)
        << "no temporary file is left";
}

} // namespace

// What authors met with real material: Chinese file and person names, a full
// disk, a mod folder gone behind the editor's back, and undo.
#include <csignal>
#include <cstring>
#include <functional>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "check/story_check.h"
#include "editor/mod_export.h"
#include "editor/text_codec.h"
#include "fake_controls.h"

namespace fs = std::filesystem;
using namespace quillforge;
using qtest::StoryRoot;

namespace {

const std::string kXiaoMing = "\xD0\xA1\xC3\xF7"; // 小明 in GB 2312

std::vector<std::string> entriesOf(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

TEST(ChineseNames, DescriptionsAreStoryTextAndPersonFoldersFileSystemNames)
{
    StoryRoot root;
    setenv("HOME", root.path("").c_str(), 1);
    fs::create_directories(root.path("story/demo"));
    StoryScript story(root.storyRoot(), "demo");
    story.characters = {Character{kXiaoMing, 1, {Photo{"default", "//defaultPhoto.png"}}}};
    story.characterCount = 1;
    ASSERT_EQ(addPhotoCommand(story, 0, root.picture("outside/企鹅.png")).logLine, "New person image added.");
    EXPECT_EQ(story.characters[0].photos[1].desp, "\xC6\xF3\xB6\xEC.png");
    EXPECT_EQ(fileNameToGb("caf\xE9.png"), "caf?.png") << "a byte that starts no character";

    root.picture("story/demo/defaultPhoto.png");
    // A mod exported before named the folder with the name's GB bytes.
    root.picture("story/demo/character/" + kXiaoMing + "/old.png");
    story.characters[0].photos.push_back(Photo{"old", "//character/" + kXiaoMing + "/old.png"});
    EXPECT_EQ(exportModCommand(story, root.storyRoot()).logLine, "Export success..:-)");
    EXPECT_EQ(story.characters[0].photos[1].dir, "//character/小明/企鹅.png");
    EXPECT_TRUE(fs::is_regular_file(root.path("story/demo/character/小明/企鹅.png")));
    EXPECT_EQ(story.characters[0].photos[2].dir, "//character/" + kXiaoMing + "/old.png");
    // The player finds every photo, the new one and the old one.
    for (const storycheck::Finding& f : storycheck::checkStory(story, root.path("story/demo"), {}))
        EXPECT_NE(f.rule, "missing-file") << f.message;
}

// Runs command in a child process whose files may grow to 64 KiB; at the
// limit it dies (dieAtLimit) or its writes fail. Its log line and standard
// error go to log and err; the child's wait status is returned.
int withFileSizeLimit(bool dieAtLimit, const std::function<std::string()>& command, const std::string& log,
                      const std::string& err)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
        if (!dieAtLimit) std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{64 << 10, 64 << 10};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const std::string line = command();
        std::ofstream(log) << line;
        std::_Exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

TEST(FullDisk, ExportAndAddModLeaveNothingHalfWrittenAndSayWhich)
{
    StoryRoot root;
    setenv("HOME", root.path("").c_str(), 1);
    fs::create_directories(root.path("story/demo"));
    for (const std::string& t : modTemplateFiles()) root.write("story/" + t, "template " + t);
    root.write("story/defaultBg.jpg", std::string(200000, 'b'));
    const std::string big = root.write("outside/big8k.jpg", std::string(300000, 'x'));
    StoryScript story(root.storyRoot(), "demo");
    story.backgrounds = {big};
    const std::string log = root.path("log.txt"), err = root.path("err.txt");
    auto exportDemo = [&] { return exportModCommand(story, root.storyRoot()).logLine; };

    // Killed in the middle of the copy: the file never had its name.
    const int status = withFileSizeLimit(true, exportDemo, log, err);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
    EXPECT_FALSE(fs::exists(root.path("story/demo/bg/big8k.jpg")));

    withFileSizeLimit(false, exportDemo, log, err);
    EXPECT_EQ(root.read("log.txt"), "Export incomplete, big8k.jpg could not be copied...T_T");
    EXPECT_NE(root.read("err.txt").find(std::strerror(EFBIG)), std::string::npos) << root.read("err.txt");
    EXPECT_EQ(entriesOf(root.path("story/demo/bg")), std::vector<std::string>{}) << "the dead copy's part went too";

    withFileSizeLimit(
        false,
        [&] {
            std::vector<std::string> mods{"demo"};
            return addModCommand("tale", mods, root.storyRoot()).logLine;
        },
        log, err);
    EXPECT_EQ(root.read("log.txt"), "Mod create failed, defaultBg.jpg could not be copied...T_T");
    EXPECT_FALSE(fs::exists(root.path("story/tale")));

    // With room again both work, and the name is still free.
    std::vector<std::string> mods{"demo"};
    EXPECT_EQ(addModCommand("tale", mods, root.storyRoot()).logLine, "Mod created success...:-)");
    EXPECT_EQ(exportDemo(), "Export success..:-)");
    EXPECT_EQ(fs::file_size(root.path("story/demo/bg/big8k.jpg")), 300000u);
    EXPECT_EQ(entriesOf(root.path("story/demo/bg")), std::vector<std::string>{"big8k.jpg"});

    // The mod folder deleted behind the editor's back.
    fs::remove_all(root.path("story/demo"));
    testing::internal::CaptureStderr();
    EXPECT_EQ(exportDemo(), "Export failed, the mod folder can not be opened...T_T");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(std::strerror(ENOENT)), std::string::npos);
}

// The signal, and work restored and saved, are the real program's test
// (quillforge_signal_e2e.sh).
TEST(Recovery, NothingUnsavedKeepsNothingAndDeclinedWorkGoes)
{
    StoryRoot root;
    root.startup("demo");
    root.addMod("demo", qtest::sampleStory());
    const std::string recovery = root.path("story/demo/script.recovery.xml");
    const std::string saved = root.read("story/demo/script.xml");
    auto keepTyped = [&](const std::string& text) {
        qtest::FakeWindow w(root.storyRoot(), nullptr);
        ASSERT_TRUE(w.dlg.initDialog());
        ASSERT_TRUE(w.dlg.writeRecovery());
        EXPECT_FALSE(fs::exists(recovery)) << "nothing unsaved, nothing kept";
        w.sentence.type(text);
        ASSERT_TRUE(w.dlg.writeRecovery());
        EXPECT_EQ(root.read("story/demo/script.xml"), saved);
    };
    keepTyped("declined");
    {
        qtest::FakeWindow w(root.storyRoot(), nullptr);
        w.question.restore = false;
        ASSERT_TRUE(w.dlg.initDialog());
        EXPECT_EQ(w.question.restoreAsked, 1);
        EXPECT_EQ(w.sentence.value, "你好");
        EXPECT_FALSE(fs::exists(recovery)) << "declined work goes";
    }
}

class Undo : public qtest::DemoWindow {
protected:
    void SetUp() override
    {
        DemoWindow::SetUp();
        root.addMod("other", qtest::sampleStory());
        open();
    }
    const StoryRecords& records() { return story(); }
};

TEST_F(Undo, EveryKindOfChangeGoesBackAndForthWithTheBoxes)
{
    w.addPhoto.sel = 0;
    w.files.answers = {root.picture("pics/a.png"), root.picture("pics/b.jpg"), root.write("pics/m.mp3", "m"),
                       root.write("pics/s.wav", "s")};
    std::vector<StoryRecords> states{records()};
    std::vector<std::string> pages{w.page.value};
    const std::vector<std::function<void()>> changes = {
        [&] { w.leftPhoto.choose(0); },
        [&] { w.back.choose(1); },
        [&] { w.left.choose(1); },
        [&] { w.speaker.choose(0); },
        [&] { w.bgm.choose(1); },
        [&] { w.sound.choose(0); },
        [&] {
            for (const char* typed : {"a", "ab", "abc"}) w.sentence.type(typed);
        }, // one step
        [&] { w.click(ControlId::AddFrame); },
        [&] { w.click(ControlId::DeleteFrame); },
        [&] {
            w.personName.type("Cy");
            w.click(ControlId::AddPerson);
        },
        [&] { w.click(ControlId::AddPhoto); },
        [&] { w.click(ControlId::AddBackground); },
        [&] { w.click(ControlId::AddMusic); },
        [&] { w.click(ControlId::AddSound); },
        [&] { w.click(ControlId::Export); },
    };
    for (const auto& change : changes) {
        change();
        ASSERT_NE(records(), states.back()) << states.size();
        states.push_back(records());
        pages.push_back(w.page.value);
    }
    EXPECT_EQ(w.dlg.history().undoCount(), changes.size());
    for (size_t i = states.size() - 1; i-- > 0;) {
        w.dlg.undo();
        EXPECT_EQ(records(), states[i]) << i;
        EXPECT_EQ(w.page.value, pages[i]) << i;
    }
    EXPECT_EQ(w.left.items, (std::vector<std::string>{"Ann", "Bo", "None"}));
    EXPECT_EQ(w.back.items, (std::vector<std::string>{"one.jpg", "two.jpg"}));
    EXPECT_EQ(w.sentence.value, "你好");
    w.dlg.undo();
    EXPECT_EQ(w.lastLog(), "Nothing to undo...");
    for (size_t i = 1; i < states.size(); ++i) {
        w.dlg.redo();
        EXPECT_EQ(records(), states[i]) << i;
    }
    EXPECT_EQ(w.left.items, (std::vector<std::string>{"Ann", "Bo", "Cy", "None"}));
    w.dlg.redo();
    EXPECT_EQ(w.lastLog(), "Nothing to redo...");

    // Typing on another visit of the frame is a step of its own.
    const size_t steps = w.dlg.history().undoCount();
    w.click(ControlId::Next);
    w.click(ControlId::Prev);
    w.sentence.type("abcd");
    EXPECT_EQ(w.dlg.history().undoCount(), steps + 1);
}

TEST_F(Undo, KeepsHundredsOfStepsPerModAndForgetsThemAtAChangeOfMod)
{
    for (int i = 1; i <= 250; ++i) w.speaker.choose((i + 1) % 3);
    for (int i = 0; i < 250; ++i) w.dlg.undo();
    EXPECT_EQ(frame(0).textCharacter, 1);
    EXPECT_NE(w.lastLog(), "Nothing to undo...");
    w.mod.choose(w.dlg.mods()[0] == "demo" ? 1 : 0);
    w.dlg.redo();
    EXPECT_EQ(w.lastLog(), "Nothing to redo...");
    EXPECT_EQ(w.dlg.history().undoCount(), 0u);
}

} // namespace

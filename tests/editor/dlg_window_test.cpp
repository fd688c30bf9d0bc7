// The editor window's behaviour driven through recording controls: start-up,
// frame display, navigation, the log, the per-frame boxes and closing.
#include <cstring>

#include "document/story_folder.h"
#include "fake_controls.h"

using namespace qtest;
using Answer = quillforge::CloseQuestion::Answer;

namespace {

class EditorWindow : public DemoWindow {};

TEST(EditorStartup, EndsQuietlyButSaysWhyWithoutStartupFileOrMod)
{
    StoryRoot root;
    auto failedStartMessage = [&] {
        FakeWindow w(root.storyRoot());
        testing::internal::CaptureStderr();
        EXPECT_FALSE(w.dlg.initDialog());
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_NE(failedStartMessage().find("start-up file"), std::string::npos);
    root.startup("demo");
    root.write("story/loose.txt", "not a mod");
    EXPECT_NE(failedStartMessage().find("no mod folder"), std::string::npos);
}

TEST(EditorStartup, OpensTheNamedModOrTheFirstListed)
{
    StoryRoot root;
    root.addMod("alpha", sampleStory());
    root.addMod("beta", sampleStory());
    for (const std::string startup : {"  beta\r\n", "gamma"}) {
        root.startup(startup);
        FakeWindow w(root.storyRoot());
        ASSERT_TRUE(w.dlg.initDialog());
        const std::string want = startup == "gamma" ? w.dlg.mods()[0] : "beta";
        EXPECT_EQ(w.dlg.story()->modName, want);
        EXPECT_EQ(w.mod.chosen(), want);
        EXPECT_EQ(w.lastLog(), "Mod " + want + " successfully loaded...:-)");
    }
}

TEST_F(EditorWindow, ShowsEveryFieldOfTheFrame)
{
    open();
    EXPECT_EQ(w.page.value, "1/3");
    EXPECT_EQ(w.sentence.value, "你好");
    EXPECT_EQ(w.back.items, (std::vector<std::string>{"one.jpg", "two.jpg"}));
    EXPECT_EQ(w.left.items, (std::vector<std::string>{"Ann", "Bo", "None"}));
    EXPECT_EQ(w.leftPhoto.items, (std::vector<std::string>{"smile", "calm"}));
    EXPECT_EQ(std::vector<int>({w.back.sel, w.left.sel, w.leftPhoto.sel, w.right.sel, w.speaker.sel, w.bgm.sel,
                                w.sound.sel, w.addPhoto.sel}),
              std::vector<int>({0, 0, 1, 1, 1, 0, 1, 0}));

    w.click(ControlId::Next); // frame 1: nobody on the left, sound 0
    EXPECT_EQ(w.page.value, "2/3");
    EXPECT_EQ(w.sound.sel, 0);
    EXPECT_TRUE(w.dlg.previewAudio().soundOpen) << "arriving on a frame with a sound plays it";
}

TEST_F(EditorWindow, NavigationStopsAtTheEndsWithItsMessages)
{
    open();
    const std::tuple<ControlId, const char*, const char*> steps[] = {{ControlId::Prev, "1/3", "No prev frames..."},
                                                                     {ControlId::End, "3/3", ""},
                                                                     {ControlId::Next, "3/3", "No next frames..."},
                                                                     {ControlId::Prev, "2/3", ""},
                                                                     {ControlId::Begin, "1/3", ""}};
    for (const auto& [button, page, message] : steps) {
        const std::string log = *message ? w.log.value + message + "\r\n" : w.log.value;
        w.click(button);
        EXPECT_EQ(w.page.value, page) << static_cast<int>(button);
        EXPECT_EQ(w.log.value, log);
    }
}

TEST_F(EditorWindow, LogStartsAfreshAfterFifteenLines)
{
    open(); // one line: the load
    for (int i = 2; i <= 15; ++i) w.dlg.appendLog("line " + std::to_string(i));
    EXPECT_EQ(w.logLines().size(), 15u);
    w.sentence.type("a pull between the messages"); // once made the log grow past fifteen
    w.dlg.appendLog("line 16");
    EXPECT_EQ(w.logLines(), std::vector<std::string>{"line 16"});
}

TEST_F(EditorWindow, FrameBoxesWriteTheFrame)
{
    open();
    w.left.choose(2); // None
    EXPECT_EQ(frame(0).leftCharacter, -1);
    EXPECT_EQ(w.leftPhoto.items, std::vector<std::string>{"None"});
    w.leftPhoto.choose(0);
    EXPECT_EQ(frame(0).leftPhoto, -1) << "a photo choice without a person changes nothing";

    w.right.choose(0); // Ann
    EXPECT_EQ(frame(0).rightCharacter, 0);
    EXPECT_EQ(frame(0).rightPhoto, 0);
    EXPECT_EQ(w.rightPhoto.items, (std::vector<std::string>{"smile", "calm"}));
    w.rightPhoto.choose(1);
    EXPECT_EQ(frame(0).rightPhoto, 1);
    w.speaker.choose(2);
    EXPECT_EQ(frame(0).textCharacter, 2);
    w.back.choose(1);
    EXPECT_EQ(frame(0).background, 1);
    EXPECT_GE(w.preview.invalidated, 4);

    w.sound.choose(1); // None
    EXPECT_EQ(frame(0).sound, -1);
    EXPECT_FALSE(w.dlg.previewAudio().soundOpen);
    w.sound.choose(0);
    EXPECT_TRUE(w.dlg.previewAudio().soundOpen);
    w.bgmCheck.click();
    EXPECT_TRUE(w.dlg.story()->musicPlaying);
    w.bgmCheck.click();
    EXPECT_FALSE(w.dlg.story()->musicPlaying) << "unticking stops the music at once";
}

TEST_F(EditorWindow, MusicChoiceReplacesTheRunFromTheCurrentFrame)
{
    open();
    w.dlg.story()->musics.push_back("//bgm/m2.mp3");
    w.dlg.fillMusicBox();
    const int before[5] = {0, 0, 0, 1, 0};
    w.dlg.story()->frames.resize(5);
    w.dlg.story()->frameCount = 5;
    for (int i = 0; i < 5; ++i) frame(i).music = before[i];
    w.click(ControlId::Next);
    w.bgm.choose(2);
    std::vector<int> after;
    for (int i = 0; i < 5; ++i) after.push_back(frame(i).music);
    EXPECT_EQ(after, (std::vector<int>{0, 2, 2, 1, 0}));
}

TEST_F(EditorWindow, PushAndPullKeepTheirRules)
{
    open();
    w.personName.value = "typed, not pulled";
    w.dlg.push();
    EXPECT_EQ(w.personName.value, "");

    // A toolkit that reports the program's own changes must not reach the
    // handlers: showing a sentence that is not valid GB text would rewrite it.
    frame(1).sentence = "t\xFF";
    w.sentence.raiseOnSet = true;
    w.click(ControlId::Next);
    EXPECT_EQ(w.sentence.value, "t\xEF\xBF\xBD");
    EXPECT_EQ(frame(1).sentence, "t\xFF");
}

// Stay, and a save that succeeds, are the Qt window's closing test.
TEST_F(EditorWindow, ClosingAsksOnlyWithUnsavedChangesAndStaysWhenTheSaveFails)
{
    open();
    EXPECT_TRUE(w.dlg.requestClose());
    EXPECT_EQ(w.question.asked, 0);

    const std::string saved = root.read("story/demo/script.xml");
    w.sentence.type("changed");
    w.question.answer = Answer::Discard;
    EXPECT_TRUE(w.dlg.requestClose());
    EXPECT_EQ(root.read("story/demo/script.xml"), saved);

    std::filesystem::remove_all(root.path("story/demo")); // the save cannot succeed now
    w.question.answer = Answer::Save;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.dlg.requestClose()) << "a failed save keeps the window open";
    EXPECT_EQ(w.lastLog(), "Story save failed...T_T");
    EXPECT_NE(testing::internal::GetCapturedStderr().find(std::strerror(ENOENT)), std::string::npos);
}

TEST_F(EditorWindow, StartUpWritesTheFileOrLogsWhyNot)
{
    open();
    w.click(ControlId::StartUp);
    EXPECT_EQ(w.lastLog(), "Set demo as start up success.");
    EXPECT_EQ(root.read("story/startup.txt"), "demo");

    std::filesystem::remove(root.path("story/startup.txt"));
    std::filesystem::create_directory(root.path("story/startup.txt")); // cannot be opened for writing
    w.click(ControlId::StartUp);
    EXPECT_EQ(w.lastLog(), "Set demo as start up failed...T_T");
}

TEST_F(EditorWindow, SwitchingModSavesTheOldAndNeverOverwritesABrokenOne)
{
    root.write("story/broken/script.xml", "<story><name>x");
    open();
    const int broken = w.dlg.mods()[0] == "broken" ? 0 : 1;
    w.sentence.type("kept");
    w.bgmCheck.click();
    w.mod.choose(broken);
    EXPECT_EQ(w.lastLog(), "Mod load failed, script.xml may be broken...T_T");
    EXPECT_FALSE(w.bgmCheck.on);
    EXPECT_NE(root.read("story/demo/script.xml").find(encodeSentence("kept")), std::string::npos);
    EXPECT_EQ(w.back.count(), 0) << "no entry of the previous story is left";
    EXPECT_FALSE(w.sentence.enabled);
    // What is added to the broken mod could never be saved.
    w.personName.type("Ann");
    for (ControlId id : {ControlId::AddPerson, ControlId::AddFrame, ControlId::AddBackground}) {
        w.click(id);
        EXPECT_EQ(w.lastLog(), "No story loaded, nothing to change...T_T");
    }
    EXPECT_TRUE(w.dlg.story()->characters.empty());
    EXPECT_TRUE(w.files.filters.empty());

    w.mod.choose(1 - broken);
    EXPECT_EQ(root.read("story/broken/script.xml"), "<story><name>x");
    EXPECT_EQ(frame(0).sentence, "kept");

    std::filesystem::remove_all(root.path("story/demo")); // now the switch's save fails
    w.mod.choose(broken);
    EXPECT_EQ(w.lastLog(), "Story save failed...T_T");
    EXPECT_EQ(w.dlg.story()->modName, "demo") << "stays on the unsaved story";
    EXPECT_EQ(w.mod.chosen(), "demo");
}

TEST_F(EditorWindow, BrokenIndexesAndEmptyListsNeverReadOutOfRange)
{
    StoryRecords r = sampleStory();
    r.frames[0] = Frame{5, 9, 0, 7, 9, "", 7, 4, 12};
    root.addMod("demo", r);
    open();
    EXPECT_EQ(std::vector<int>({w.back.sel, w.left.sel, w.rightPhoto.sel, w.sound.sel, w.speaker.sel}),
              std::vector<int>(5, -1));
    EXPECT_EQ(w.leftPhoto.count(), 0);
    w.left.choose(1);
    EXPECT_EQ(frame(0).leftCharacter, 1);

    StoryRecords none;
    none.backgrounds = {"//bg/one.jpg"};
    none.musics = {"//bgm/m0.mp3"};
    root.addMod("demo", none);
    FakeWindow empty(root.storyRoot());
    ASSERT_TRUE(empty.dlg.initDialog());
    EXPECT_EQ(empty.page.value, "0/0");
    EXPECT_EQ(empty.left.items, std::vector<std::string>{"None"});
    EXPECT_FALSE(empty.back.enabled);
    for (ControlId id : {ControlId::Prev, ControlId::Next, ControlId::Begin, ControlId::End, ControlId::Back,
                         ControlId::Left, ControlId::Bgm, ControlId::Sound, ControlId::Sentence, ControlId::BgmCheck})
        empty.click(id);
    EXPECT_EQ(empty.lastLog(), "Go to end fail...");
    EXPECT_TRUE(empty.dlg.requestClose());
    empty.click(ControlId::AddFrame);
    EXPECT_EQ(empty.page.value, "1/1");
    EXPECT_EQ(empty.dlg.story()->frames, std::vector<Frame>{Frame{}}) << "the first frame copies nothing";
}

TEST_F(EditorWindow, PreviewReadsModRelativeReferencesBelowTheMod)
{
    open();
    EXPECT_EQ(w.dlg.previewPathOf("//bg/x.jpg"), root.path("story/demo//bg/x.jpg"));
    EXPECT_EQ(w.dlg.previewPathOf("C:\\pics\\x.jpg"), "C:/pics/x.jpg");
    // An absolute path as the file dialog gives it stays itself until exported;
    // a single-slash reference naming a file of the mod is the mod's.
    const std::string outside = root.path("pics/y.jpg");
    EXPECT_EQ(w.dlg.previewPathOf(outside), outside);
    root.write("story/demo/z.jpg", "z");
    EXPECT_EQ(w.dlg.previewPathOf("/z.jpg"), root.path("story/demo/z.jpg"));
}

} // namespace

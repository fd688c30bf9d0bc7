// The window's story-changing buttons through recording controls: file
// dialogs, the boxes they keep, the log, and a mod made from scratch.
#include <algorithm>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "document/story_folder.h"
#include "editor/command_panel.h"
#include "fake_controls.h"

using namespace qtest;
namespace fs = std::filesystem;

namespace {

// A picture file of one colour, so copies can be told apart by content.
std::string picture(const std::string& path, int shade)
{
    fs::create_directories(fs::path(path).parent_path());
    cv::imwrite(path, cv::Mat(30, 40, CV_8UC3, cv::Scalar(shade, 255 - shade, 90)));
    return fs::absolute(path).string();
}

std::string anyFile(const std::string& path, const std::string& content)
{
    StoryRoot::write(path, content);
    return fs::absolute(path).string();
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.startup("demo");
        StoryRoot::addMod("demo", sampleStory());
        soundOpen = false;
        w.dlg.setCommands(&panel);
        ASSERT_TRUE(w.dlg.initDialog());
    }
    StoryScript& story() { return *w.dlg.story; }

    StoryRoot root;
    FakeWindow w;
    quillforge::CommandPanel panel;
};

TEST_F(Commands, FileButtonsAskWithTheirFiltersAndSayNothingOnCancel)
{
    const StoryRecords before = story();
    const std::string logBefore = w.log.value;
    for (ControlId id : {ControlId::AddBackground, ControlId::AddMusic, ControlId::AddSound, ControlId::AddPhoto})
        w.click(id);
    EXPECT_EQ(w.files.filters, (std::vector<std::string>{"All Files (*.*)|*.*||", "All Files (*.*)|*.*||",
                                                         "All Files (*.*)|*.*||", "PNG file (*.png)|*.png||"}));
    EXPECT_EQ(w.log.value, logBefore);
    EXPECT_EQ(story().backgrounds, before.backgrounds);
    EXPECT_EQ(story().characters, before.characters);
}

TEST_F(Commands, AddedFilesAreOfferedLastWhileEachBoxKeepsItsEntry)
{
    w.files.answers = {picture("pics/sky.png", 10), anyFile("music/tune.mp3", "t"), anyFile("sfx/ding.wav", "d")};
    w.click(ControlId::AddBackground);
    w.click(ControlId::AddMusic);
    EXPECT_EQ(w.back.items.back(), "sky.png");
    EXPECT_EQ(w.back.sel, 0);
    EXPECT_EQ(w.bgm.items.back(), "tune.mp3");
    EXPECT_EQ(w.bgm.sel, 0);
    EXPECT_EQ(w.lastLog(), "New bgm added.");

    // Frame 0 has no sound: the box stays on "None", not on the new file.
    w.click(ControlId::AddSound);
    EXPECT_EQ(w.sound.items, (std::vector<std::string>{"s.wav", "ding.wav", "None"}));
    EXPECT_EQ(w.sound.entry(w.sound.sel), "None");
    EXPECT_EQ(w.lastLog(), "New sound added.");
    // A frame showing a sound keeps it.
    w.click(ControlId::Next);
    w.files.answers = {anyFile("sfx/pop.wav", "p")};
    w.click(ControlId::AddSound);
    EXPECT_EQ(w.sound.entry(w.sound.sel), "s.wav");
    EXPECT_EQ(story().frames[1].sound, 0);
}

TEST_F(Commands, AddPersonKeepsEveryPersonBoxOnItsEntry)
{
    w.click(ControlId::Next);  // frame 1: nobody left, Ann right
    w.addPhoto.sel = 1;
    w.personName.type("Cy");
    w.dlg.onEnter(ControlId::PersonName);
    EXPECT_EQ(w.lastLog(), "Person added...:-)");
    EXPECT_EQ(w.left.items, (std::vector<std::string>{"Ann", "Bo", "Cy", "None"}));
    EXPECT_EQ(w.left.entry(w.left.sel), "None");
    EXPECT_EQ(w.right.entry(w.right.sel), "Ann");
    EXPECT_EQ(w.addPhoto.items, (std::vector<std::string>{"Ann", "Bo", "Cy"}));
    EXPECT_EQ(w.addPhoto.sel, 1);
    EXPECT_EQ(w.personName.value, "Cy") << "the box keeps its text";
    EXPECT_EQ(story().characterCount, 3);
}

TEST_F(Commands, AddPhotoRefreshesOnlyTheSideShowingThePerson)
{
    // Frame 0: Ann (photo "calm") on the left, Bo on the right.
    w.addPhoto.sel = 0;
    w.files.answers = {picture("pics/wink.png", 40)};
    w.click(ControlId::AddPhoto);
    EXPECT_EQ(w.lastLog(), "New person image added.");
    EXPECT_EQ(w.leftPhoto.items, (std::vector<std::string>{"smile", "calm", "wink.png"}));
    EXPECT_EQ(w.leftPhoto.entry(w.leftPhoto.sel), "calm");
    EXPECT_EQ(w.rightPhoto.items, (std::vector<std::string>{"grin"}));

    w.click(ControlId::Next);  // frame 1: only Ann, on the right
    w.addPhoto.sel = 1;
    const int leftBefore = static_cast<int>(w.leftPhoto.items.size());
    w.files.answers = {picture("pics/nod.png", 80)};
    w.click(ControlId::AddPhoto);
    EXPECT_EQ(story().characters[1].photoNum, 2);
    EXPECT_EQ(static_cast<int>(w.leftPhoto.items.size()), leftBefore);
    EXPECT_EQ(w.rightPhoto.items.size(), 3u) << "Ann's box is untouched";
}

TEST_F(Commands, FramesAndSaveReportThroughTheLogAndPage)
{
    w.click(ControlId::AddFrame);
    EXPECT_EQ(w.page.value, "2/4");
    EXPECT_EQ(w.lastLog(), "Frame added...:-)");
    w.click(ControlId::Save);
    EXPECT_EQ(w.lastLog(), "Story save success...:-)");
    StoryScript reread("demo");
    ASSERT_TRUE(reread.load());
    EXPECT_EQ(reread.frameCount, 4);

    for (int i = 0; i < 3; ++i) w.click(ControlId::DeleteFrame);
    EXPECT_EQ(w.lastLog(), "Frame deleted...:-)");
    EXPECT_EQ(w.page.value, "1/1");
    w.click(ControlId::DeleteFrame);
    EXPECT_EQ(w.lastLog(), "No more frames, can not delete...T_T");

    fs::remove_all("story/demo");
    w.click(ControlId::Save);
    EXPECT_EQ(w.lastLog(), "Story save failed...T_T");
}

TEST(CommandsOnMods, AddModListsTheNewModLastAndStaysOnTheEditedOne)
{
    StoryRoot root;
    root.startup("zeta");
    StoryRoot::addMod("demo", sampleStory());
    StoryRoot::addMod("zeta", sampleStory());
    StoryRoot::write("story/script.xml", StoryRoot::read("story/demo/script.xml"));
    FakeWindow w;
    quillforge::CommandPanel panel;
    w.dlg.setCommands(&panel);
    ASSERT_TRUE(w.dlg.initDialog());
    auto story = [&]() -> StoryScript& { return *w.dlg.story; };
    ASSERT_EQ(story().modName, "zeta");
    w.modName.type("tale");
    w.dlg.onEnter(ControlId::ModName);
    EXPECT_EQ(w.lastLog(), "Mod created success...:-)");
    EXPECT_EQ(w.mod.items.back(), "tale");
    EXPECT_EQ(w.mod.entry(w.mod.sel), "zeta");
    EXPECT_EQ(story().modName, "zeta");
    EXPECT_TRUE(fs::exists("story/tale/script.xml"));
}

TEST(CommandsWithoutStory, ABrokenModTakesNoChangesItCouldNeverSave)
{
    StoryRoot root;
    root.startup("broken");
    StoryRoot::write("story/broken/script.xml", "<story><name>x");
    FakeWindow w;
    quillforge::CommandPanel panel;
    w.dlg.setCommands(&panel);
    ASSERT_TRUE(w.dlg.initDialog());
    w.personName.type("Ann");
    w.click(ControlId::AddPerson);
    EXPECT_EQ(w.lastLog(), "No story loaded, nothing to change...T_T");
    w.click(ControlId::AddFrame);
    EXPECT_EQ(w.lastLog(), "No story loaded, nothing to change...T_T");
    EXPECT_TRUE(w.dlg.story->characters.empty());
    EXPECT_TRUE(w.files.filters.empty());
}

// A new mod from the templates, filled with outside files, exported and saved:
// the saved script.xml names only files inside the mod.
TEST(CommandsEndToEnd, AModMadeFromScratchIsSelfContainedAfterExportAndSave)
{
    StoryRoot root;
    root.startup("demo");
    StoryRoot::addMod("demo", sampleStory());
    picture("story/defaultBg.jpg", 0);
    picture("story/defaultPhoto.png", 200);
    StoryRoot::write("story/defaultBgm.mp3", "bgm");
    StoryRoot::write("story/defaultSound.wav", "snd");
    {
        StoryRecords t;
        t.title = "Template";
        t.backgrounds = {"//defaultBg.jpg"};
        t.musics = {"//defaultBgm.mp3"};
        t.sounds = {"//defaultSound.wav"};
        t.frames = {Frame{}};
        t.frameCount = 1;
        StoryRoot::addMod("", t);  // the story root's own script.xml
    }

    FakeWindow w;
    quillforge::CommandPanel panel;
    w.dlg.setCommands(&panel);
    ASSERT_TRUE(w.dlg.initDialog());
    w.modName.type("tale");
    w.click(ControlId::AddMod);
    ASSERT_EQ(w.lastLog(), "Mod created success...:-)");
    w.mod.choose(w.mod.count() - 1);
    ASSERT_EQ(w.lastLog(), "Mod tale successfully loaded...:-)");

    w.personName.type("Ann");
    w.click(ControlId::AddPerson);
    w.addPhoto.sel = 0;
    w.files.answers = {picture("out/a/face.png", 30),  picture("out/a/sky.jpg", 60), picture("out/b/sky.jpg", 120),
                       anyFile("out/tune.mp3", "tune"), anyFile("out/ding.wav", "ding")};
    for (ControlId id : {ControlId::AddPhoto, ControlId::AddBackground, ControlId::AddBackground,
                         ControlId::AddMusic, ControlId::AddSound})
        w.click(id);
    w.left.choose(0);
    w.leftPhoto.choose(1);
    w.back.choose(1);
    w.click(ControlId::AddFrame);
    w.back.choose(2);
    w.bgm.choose(1);
    w.sound.choose(1);
    w.click(ControlId::Export);
    EXPECT_EQ(w.lastLog(), "Export success..:-)");
    EXPECT_EQ(w.back.items, (std::vector<std::string>{"defaultBg.jpg", "sky.jpg", "sky_2.jpg"}));
    w.click(ControlId::Save);
    ASSERT_EQ(w.lastLog(), "Story save success...:-)");

    StoryScript saved("tale");
    ASSERT_TRUE(saved.load());
    ASSERT_EQ(saved.frameCount, 2);
    EXPECT_EQ(saved.frames[0].background, 1);
    EXPECT_EQ(saved.frames[1].background, 2);
    EXPECT_EQ(saved.frames[1].sound, 1);
    std::vector<std::string> references = saved.backgrounds;
    references.insert(references.end(), saved.musics.begin(), saved.musics.end());
    references.insert(references.end(), saved.sounds.begin(), saved.sounds.end());
    for (const Character& person : saved.characters)
        for (const Photo& photo : person.photos) references.push_back(photo.dir);
    ASSERT_EQ(references.size(), 9u);
    for (const std::string& ref : references) {
        EXPECT_EQ(ref.rfind("//", 0), 0u) << ref;
        EXPECT_TRUE(fs::is_regular_file(toFsPath(".\\story\\tale" + ref))) << ref;
    }
    EXPECT_EQ(saved.characters[0].photos[1].dir, "//character/Ann/face.png");
    // Both skies survive as different pictures.
    EXPECT_NE(StoryRoot::read("story/tale/bg/sky.jpg"), StoryRoot::read("story/tale/bg/sky_2.jpg"));
}

} // namespace

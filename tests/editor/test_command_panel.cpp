// The window's story-changing buttons through recording controls: file
// dialogs, the boxes they keep, the log, and a mod made from scratch.
#include "document/story_folder.h"
#include "fake_controls.h"

#include <sys/stat.h>

using namespace qtest;
namespace fs = std::filesystem;

namespace {

using Commands = DemoWindow;

// The end-to-end test adds files to a frame without a sound.
TEST_F(Commands, AddedPersonsPhotosAndSoundsKeepEveryBoxOnItsEntry)
{
    open();
    // Frame 0: Ann (photo "calm") on the left, Bo on the right. Only the side
    // showing the person gets the new photo; the PNG filter only narrows the
    // dialog, any readable picture passes.
    w.addPhoto.sel = 0;
    w.files.answers = {StoryRoot::picture("pics/wink.jpg", 40)};
    w.click(ControlId::AddPhoto);
    EXPECT_EQ(w.leftPhoto.items, (std::vector<std::string>{"smile", "calm", "wink.jpg"}));
    EXPECT_EQ(w.leftPhoto.chosen(), "calm");
    EXPECT_EQ(w.rightPhoto.items, (std::vector<std::string>{"grin"}));

    w.click(ControlId::Next);  // frame 1: nobody left, Ann right, sound 0
    w.files.answers = {StoryRoot::write("sfx/pop.wav", "p")};
    w.click(ControlId::AddSound);
    EXPECT_EQ(w.sound.chosen(), "s.wav");
    w.addPhoto.sel = 1;
    w.personName.type("Cy");
    w.dlg.onEnter(ControlId::PersonName);
    EXPECT_EQ(w.lastLog(), "Person added...:-)");
    EXPECT_EQ(w.left.items, (std::vector<std::string>{"Ann", "Bo", "Cy", "None"}));
    EXPECT_EQ(w.left.chosen(), "None");
    EXPECT_EQ(w.right.chosen(), "Ann");
    EXPECT_EQ(w.addPhoto.items, (std::vector<std::string>{"Ann", "Bo", "Cy"}));
    EXPECT_EQ(w.addPhoto.sel, 1);
    EXPECT_EQ(w.personName.value, "Cy") << "the box keeps its text";

    w.files.answers = {StoryRoot::picture("pics/nod.png", 80)};
    w.click(ControlId::AddPhoto);  // for Bo, whom this frame does not show
    EXPECT_EQ(story().characters[1].photoNum, 2);
    EXPECT_EQ(w.leftPhoto.items, std::vector<std::string>{"None"});
    EXPECT_EQ(w.rightPhoto.items, (std::vector<std::string>{"smile", "calm", "wink.jpg"}));
}

TEST_F(Commands, FramesAndSaveReportThroughTheLogAndPage)
{
    open();
    w.click(ControlId::Next);
    w.click(ControlId::AddFrame);
    EXPECT_EQ(w.page.value, "3/4");
    EXPECT_EQ(w.lastLog(), "Frame added...:-)");
    EXPECT_EQ(frame(2), (Frame{-1, -1, 0, 0, 0, "", 1, 0, -1})) << "frame 1 copied, less sentence and sound";
    for (int i = 0; i < 3; ++i) w.click(ControlId::DeleteFrame);
    EXPECT_EQ(w.lastLog(), "Frame deleted...:-)");
    EXPECT_EQ(w.page.value, "1/1");
    w.click(ControlId::DeleteFrame);
    EXPECT_EQ(w.lastLog(), "No more frames, can not delete...T_T");

    fs::remove_all("story/demo");
    w.click(ControlId::Save);
    EXPECT_EQ(w.lastLog(), "Story save failed...T_T");
}

TEST_F(Commands, FileButtonsRefuseUnreadablePicturesAndPathsWithWhiteSpaceAndSayNothingOnCancel)
{
    open();
    const std::string notAPicture = StoryRoot::write("notes.png", "not a picture");
    const std::string spaced = StoryRoot::picture("My Pictures/a.png");
    const std::string tabbed = StoryRoot::picture("a\tb.png");
    // What the player refuses, the editor does too: devices, and formats
    // whose decoders no story needs (GDAL would fetch the URL named inside).
    const std::string fifo = fs::absolute("fifo.png").string(), zero = fs::absolute("zero.jpg").string();
    ::mkfifo(fifo.c_str(), 0600);
    fs::create_symlink("/dev/zero", zero);
    const std::string gdal = StoryRoot::write("gdal.jpg", "NITF<VRTDataset><VRTRasterBand><SourceFilename>"
                                                          "/vsicurl/http://127.0.0.1:9/x</SourceFilename>");
    const std::string jpegAsPng = StoryRoot::write("photo.png", "\xFF\xD8\xFF\xE0 a JPEG by its name");
    const std::tuple<ControlId, std::string, const char*> cases[] = {
        {ControlId::AddBackground, fifo, "File format not supported."},
        {ControlId::AddPhoto, zero, "File format not supported."},
        {ControlId::AddBackground, gdal, "File format not supported."},
        {ControlId::AddPhoto, jpegAsPng, "File format not supported."},
        {ControlId::AddBackground, notAPicture, "File format not supported."},
        {ControlId::AddBackground, fs::absolute("gone.png").string(), "File format not supported."},
        {ControlId::AddBackground, fs::current_path().string(), "File format not supported."},
        {ControlId::AddPhoto, notAPicture, "File format not supported."},
        {ControlId::AddBackground, spaced, "File path can not contain white space...T_T"},
        {ControlId::AddMusic, spaced, "File path can not contain white space...T_T"},
        {ControlId::AddSound, tabbed, "File path can not contain white space...T_T"},
        {ControlId::AddPhoto, tabbed, "File path can not contain white space...T_T"},
    };
    const StoryRecords before = story();
    w.addPhoto.sel = 0;
    for (const auto& [button, path, line] : cases) {
        w.files.answers = {path};
        w.click(button);
        EXPECT_EQ(w.lastLog(), line) << path;
    }
    const std::string logBefore = w.log.value;
    w.click(ControlId::AddSound);  // no answer left: cancelled
    w.click(ControlId::AddPhoto);
    EXPECT_EQ(w.log.value, logBefore);
    // Said before the dialog, so nobody picks a file for no one.
    w.addPhoto.sel = -1;
    w.click(ControlId::AddPhoto);
    EXPECT_EQ(w.lastLog(), "No person to add the photo to...T_T");

    const std::string all = "All Files (*.*)|*.*||", png = "PNG file (*.png)|*.png||";
    EXPECT_EQ(w.files.filters,
              (std::vector<std::string>{all, png, all, png, all, all, all, png, all, all, all, png, all, png}));
    EXPECT_EQ(static_cast<StoryRecords&>(story()), before);
}

TEST_F(Commands, AddPersonGivesTheDefaultPhotoAndRefusesTakenAndUnfitNames)
{
    open();
    const std::pair<const char*, const char*> cases[] = {
        {"ann", "Person added...:-)"},  // names differ by letter case too
        {"", "Person added...:-)"},
        {"张三", "Person added...:-)"},  // stored as GB 2312 bytes, ordinary name bytes
        {"Ann", "Person name already exist...T_T"},
        {"ann", "Person name already exist...T_T"},
        {"", "Person name already exist...T_T"},
        {"Ann Lee", "Person name can not contain white space...T_T"},
        {"../x", "Person name can not contain / or \\...T_T"},
        {"a\\b", "Person name can not contain / or \\...T_T"},
        {".", "Person name can not be . or .....T_T"},
        {"..", "Person name can not be . or .....T_T"},
    };
    for (const auto& [name, line] : cases) {
        w.personName.type(name);
        w.click(ControlId::AddPerson);
        EXPECT_EQ(w.lastLog(), line) << name;
    }
    ASSERT_EQ(story().characterCount, 5);
    EXPECT_EQ(story().characters[4], (Character{"\xD5\xC5\xC8\xFD", 1, {Photo{"default", "//defaultPhoto.png"}}}));
}

// A new mod from the templates, filled with outside files, exported and saved:
// the saved script.xml names only files inside the mod.
TEST(CommandsEndToEnd, AModMadeFromScratchIsSelfContainedAfterExportAndSave)
{
    StoryRoot root;
    setenv("HOME", std::filesystem::current_path().c_str(), 1);  // the files come from the author's own
    root.startup("demo");
    StoryRoot::addMod("demo", sampleStory());
    StoryRoot::addMod("zeta", sampleStory());
    StoryRoot::picture("story/defaultBg.jpg", 0);
    StoryRoot::picture("story/defaultPhoto.png", 200);
    StoryRoot::write("story/defaultBgm.mp3", "bgm");
    StoryRoot::write("story/defaultSound.wav", "snd");
    StoryRecords templateStory;
    templateStory.title = "Template";
    templateStory.backgrounds = {"//defaultBg.jpg"};
    templateStory.musics = {"//defaultBgm.mp3"};
    templateStory.sounds = {"//defaultSound.wav"};
    templateStory.frames = {Frame{}};
    templateStory.frameCount = 1;
    StoryRoot::addMod("", templateStory);  // the story root's own script.xml

    FakeWindow w;
    ASSERT_TRUE(w.dlg.initDialog());
    w.mod.choose(1);  // not the first listed, so staying on it is no accident
    const std::string edited = w.mod.chosen();
    w.modName.type("tale");
    w.click(ControlId::AddMod);
    ASSERT_EQ(w.lastLog(), "Mod created success...:-)");
    EXPECT_EQ(w.mod.chosen(), edited) << "stays on the edited mod";
    EXPECT_EQ(w.dlg.story->modName, edited);
    w.mod.choose(w.mod.count() - 1);
    ASSERT_EQ(w.lastLog(), "Mod tale successfully loaded...:-)");

    w.personName.type("Ann");
    w.click(ControlId::AddPerson);
    w.addPhoto.sel = 0;
    w.files.answers = {StoryRoot::picture("out/a/face.png", 30), StoryRoot::picture("out/a/sky.jpg", 60),
                       StoryRoot::picture("out/b/sky.jpg", 120), StoryRoot::write("out/tune.mp3", "tune"),
                       StoryRoot::write("out/ding.wav", "ding")};
    for (ControlId id : {ControlId::AddPhoto, ControlId::AddBackground, ControlId::AddBackground,
                         ControlId::AddMusic, ControlId::AddSound})
        w.click(id);
    EXPECT_TRUE(w.log.value.ends_with("New person image added.\r\nNew bg added.\r\nNew bg added.\r\n"
                                      "New bgm added.\r\nNew sound added.\r\n")) << w.log.value;
    // New files are offered last; each box stays on what the frame shows, "None" too.
    EXPECT_EQ(w.sound.items, (std::vector<std::string>{"defaultSound.wav", "ding.wav", "None"}));
    EXPECT_EQ(w.sound.chosen(), "None");
    EXPECT_EQ(w.back.sel, 0);
    EXPECT_EQ(w.bgm.sel, 0);
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
    // Everything is in the mod now: exporting again changes nothing.
    const StoryRecords exported = *w.dlg.story;
    w.click(ControlId::Export);
    EXPECT_EQ(static_cast<StoryRecords&>(*w.dlg.story), exported);
    w.click(ControlId::Save);
    ASSERT_EQ(w.lastLog(), "Story save success...:-)");

    StoryScript saved(kEditorStoryRoot, "tale");
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

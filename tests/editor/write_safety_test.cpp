// The editor on a mod downloaded from a stranger: Export and StartUp never
// write outside the story root, two editors on one mod, and text typed into
// the sentence box that the story's GB18030 bytes must hold.
#include "editor/mod_export.h"
#include "editor/text_codec.h"
#include "fake_controls.h"
#include "tests/sandbox.h"

namespace fs = std::filesystem;
using namespace quillforge;
using qtest::FakeCheck;
using qtest::FakeEdit;
using qtest::FakeFiles;
using qtest::FakeList;
using qtest::FakePreview;
using qtest::FakeQuestion;

namespace {

// The window with its commands on a story root given by path.
struct RootedWindow {
    explicit RootedWindow(const std::string& root) : commands(root), dlg(controls(), root, nullptr)
    {
        speaker.items = {"None", "Left", "Right"};
        dlg.setCommands(&commands);
    }
    std::string lastLog() const
    {
        const std::string& text = log.value;
        if (text.size() < 2) return "";
        const size_t start = text.rfind("\r\n", text.size() - 3);
        return text.substr(start == std::string::npos ? 0 : start + 2, text.size() - 2 - (start == std::string::npos ? 0 : start + 2));
    }

    FakeList mod, back, left, right, leftPhoto, rightPhoto, addPhoto, speaker, bgm, sound;
    FakeEdit personName, sentence, log, modName, page;
    FakeCheck bgmCheck;
    FakeFiles files;
    FakeQuestion question;
    FakePreview preview;
    CommandPanel commands;
    CQuillforgeDlg dlg;

private:
    template <class Control> Control* wire(Control& c, ControlId id) { c.sink = &dlg; c.id = id; return &c; }
    EditorControls controls()
    {
        using C = ControlId;
        EditorControls c;
        c.mod = wire(mod, C::Mod); c.back = wire(back, C::Back); c.left = wire(left, C::Left);
        c.right = wire(right, C::Right); c.leftPhoto = wire(leftPhoto, C::LeftPhoto);
        c.rightPhoto = wire(rightPhoto, C::RightPhoto); c.addPhotoPerson = wire(addPhoto, C::AddPhotoPerson);
        c.speaker = wire(speaker, C::Speaker); c.bgm = wire(bgm, C::Bgm); c.sound = wire(sound, C::Sound);
        c.personName = wire(personName, C::PersonName); c.sentence = wire(sentence, C::Sentence);
        c.log = wire(log, C::Log); c.modName = wire(modName, C::ModName); c.page = wire(page, C::Page);
        c.bgmCheck = wire(bgmCheck, C::BgmCheck);
        c.fileDialog = &files; c.closeQuestion = &question; c.preview = &preview;
        return c;
    }
};

class StrangersMod : public testing::Test {
protected:
    StrangersMod()
    {
        setenv("HOME", box.path("home").c_str(), 1);
        fs::create_directories(box.path("home"));
        StoryScript s(box.storyRoot(), "demo");
        static_cast<StoryRecords&>(s) = qtest::sampleStory();
        fs::create_directories(box.path("story/demo"));
        s.save();
        box.write("story/startup.txt", "demo");
    }
    CommandOutcome exportDemo() { return exportModCommand(story, box.storyRoot()); }

    Sandbox box;
    StoryScript story{box.storyRoot(), "demo"};
};

TEST_F(StrangersMod, ExportWritesOnlyIntoRealFoldersOfTheMod)
{
    for (const char* folder : {"outside/bg", "outside/people"}) fs::create_directories(box.path(folder));
    box.link("story/demo/bg", box.path("outside/bg"));
    box.link("story/demo/character", box.path("outside/people"));
    const std::string sky = box.write("home/sky.jpg", "sky"), face = box.write("home/face.png", "face");
    const std::string tune = box.write("home/tune.mp3", "tune");
    story.backgrounds = {sky};
    story.characters = {Character{"Ann", 1, {Photo{"face", face}}}};
    story.musics = {tune};
    const auto before = box.outsideSnapshot();

    EXPECT_EQ(exportDemo().logLine, "Export incomplete, character and 1 more in the mod are links, not folders...T_T");
    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_EQ(story.backgrounds[0], sky);
    EXPECT_EQ(story.characters[0].photos[0].dir, face);
    EXPECT_EQ(story.musics[0], "//bgm/tune.mp3") << "the real folders are still filled";

    // A person's folder that is a link is the same failure.
    fs::remove(box.path("story/demo/character"));
    fs::remove(box.path("story/demo/bg"));
    box.link("story/demo/character/Ann", box.path("outside/people"));
    EXPECT_EQ(exportDemo().logLine, "Export incomplete, character/Ann in the mod is a link, not a folder...T_T");
    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_EQ(story.backgrounds[0], "//bg/sky.jpg");
}

TEST_F(StrangersMod, ExportCopiesOnlyRegularFilesAndCountsThoseFromOutsideTheHomeFolder)
{
    ASSERT_EQ(::mkfifo(box.path("outside/pipe.wav").c_str(), 0600), 0);
    const std::string passwd = box.write("outside/passwd", "root:x:0:0");
    box.write("story/demo/own.jpg", "own");
    story.sounds = {box.path("outside/pipe.wav"), "/dev/zero", box.path("nowhere/..")};
    story.backgrounds = {passwd, box.write("home/a.jpg", "a"), box.path("story/demo/own.jpg"), box.path("nowhere/.")};
    const auto before = box.outsideSnapshot();

    EXPECT_EQ(exportDemo().logLine,
              "Export incomplete, pipe.wav and 3 more could not be copied...T_T 1 file came from outside your home folder.");
    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_EQ(story.sounds, (std::vector<std::string>{box.path("outside/pipe.wav"), "/dev/zero", box.path("nowhere/..")}));
    EXPECT_EQ(story.backgrounds, (std::vector<std::string>{"//bg/passwd", "//bg/a.jpg", "//bg/own.jpg", box.path("nowhere/.")}));

    story.sounds.clear();
    story.backgrounds = {box.write("outside/b.jpg", "b"), box.write("outside/c.jpg", "c")};
    EXPECT_EQ(exportDemo().logLine, "Export success..:-) 2 files came from outside your home folder.");
}

TEST_F(StrangersMod, ASecondEditorOnTheModOpensItReadOnly)
{
    fs::create_directories(box.path("story/..\\..\\victim_proj"));
    RootedWindow first(box.storyRoot()), second(box.storyRoot());
    ASSERT_TRUE(first.dlg.initDialog());
    EXPECT_EQ(first.mod.items, std::vector<std::string>{"demo"}) << "a name that leads out is not offered";
    ASSERT_TRUE(second.dlg.initDialog());
    EXPECT_EQ(first.lastLog(), "Mod demo successfully loaded...:-)");
    EXPECT_EQ(second.lastLog(), "Mod demo opened read-only, another editor has it...T_T");

    const std::string saved = box.read("story/demo/script.xml");
    second.sentence.type("lost");
    second.dlg.onControlEvent(ControlId::Save);
    EXPECT_EQ(second.lastLog(), "Story save failed, another editor has this mod...T_T");
    EXPECT_EQ(box.read("story/demo/script.xml"), saved);
    first.sentence.type("kept");
    first.dlg.onControlEvent(ControlId::Save);
    EXPECT_EQ(first.lastLog(), "Story save success...:-)");

    // The start-up file is replaced, not written through a link.
    box.write("outside/victim.txt", "precious");
    fs::remove(box.path("story/startup.txt"));
    box.link("story/startup.txt", box.path("outside/victim.txt"));
    const auto before = box.outsideSnapshot();
    first.dlg.onControlEvent(ControlId::StartUp);
    EXPECT_EQ(first.lastLog(), "Set demo as start up success.");
    EXPECT_EQ(box.outsideSnapshot(), before);
    EXPECT_EQ(box.read("story/startup.txt"), "demo");
}

TEST_F(StrangersMod, TheEditorEndsQuietlyOnAStartupFileThatIsNoFile)
{
    fs::remove(box.path("story/startup.txt"));
    ASSERT_EQ(::mkfifo(box.path("story/startup.txt").c_str(), 0600), 0);
    RootedWindow w(box.storyRoot());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(w.dlg.initDialog());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("(not a regular file)"), std::string::npos);
}

TEST_F(StrangersMod, EveryCharacterTypedIsStoredAndStoredBytesSurviveAnEdit)
{
    RootedWindow w(box.storyRoot());
    ASSERT_TRUE(w.dlg.initDialog());
    Frame& f = w.dlg.story->frames[0];
    w.sentence.type("\xEE\x9E\x92");  // U+E792, a private-use character
    EXPECT_EQ(f.sentence, "\x84\x31\x83\x31");

    // Bytes that start no character, and a four-byte code the system's
    // converter reads as a character that has a two-byte code.
    f.sentence = "\xC4\xE3\x80\x95\x32\x90\x31z";
    w.dlg.showFrame();
    w.sentence.type(w.sentence.value + "!");
    EXPECT_EQ(f.sentence, "\xC4\xE3\x80\x95\x32\x90\x31z!");
    w.sentence.type("\xE4\xBD\xA0" + w.sentence.value.substr(3));  // the first character replaced
    EXPECT_EQ(f.sentence, "\xC4\xE3\x80\x95\x32\x90\x31z!");

    const std::string before = w.sentence.value;
    w.sentence.type(before + "\xFF");  // no character at all
    EXPECT_EQ(w.lastLog(), "Character can not be stored in a sentence...T_T");
    EXPECT_EQ(w.sentence.value, before);
    EXPECT_EQ(f.sentence, "\xC4\xE3\x80\x95\x32\x90\x31z!");
}

std::string utf8Of(char32_t c)
{
    std::string s;
    if (c < 0x80) return s += static_cast<char>(c), s;
    if (c < 0x800) return s = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))}, s;
    if (c < 0x10000)
        return s = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))}, s;
    return s = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))}, s;
}

// Every character and every assigned GB18030 code, one by one both ways.
TEST(TextCodec, EveryCharacterAndEveryCodeComeBackUnchanged)
{
    int characters = 0, codes = 0;
    for (char32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string gb;
        if (utf8ToGb(utf8Of(c), gb) && gbToUtf8(gb) == utf8Of(c)) ++characters;
        else ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned>(c);
    }
    EXPECT_EQ(characters, 0x110000 - 0x800);
    auto check = [&](const std::string& code) {
        std::string back;
        if (utf8ToGb(gbToUtf8(code), back) && back == code) ++codes;
        else ADD_FAILURE() << testing::PrintToString(code);
    };
    for (int a = 0x81; a <= 0xFE; ++a)
        for (int b = 0x40; b <= 0xFE; ++b)
            if (b != 0x7F) check({static_cast<char>(a), static_cast<char>(b)});
    // Four-byte codes: the BMP's from 81308130, the other planes' from 90308130.
    auto fourByte = [](long n) {
        return std::string{static_cast<char>(0x81 + n / 12600), static_cast<char>(0x30 + n / 1260 % 10),
                           static_cast<char>(0x81 + n / 10 % 126), static_cast<char>(0x30 + n % 10)};
    };
    for (long n = 0; n < 39420; ++n) check(fourByte(n));
    for (long n = 0; n < 0x100000; ++n) check(fourByte(n + 15 * 12600));
    EXPECT_EQ(codes, 126 * 190 + 39420 + 0x100000);
}

} // namespace

#include "document/story_script.h"
#include "document/xml_binding.h"
#include "tests/document/scratch_dir.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A story folder in a temporary directory, with storyRoot pointing at it.
class StoryFile : public testing::Test, protected ScratchDir {
protected:
    StoryFile() : storyRoot(dir.string() + "/") { fs::create_directories(dir / "mod"); }
    const std::string storyRoot;
    void writeScript(const std::string& xml) const { write("mod/script.xml", xml); }
};

const char* kOneFrame =
    "<story><name>T</name>"
    "<characterList number=\"1\"><character name=\"amy\" photoNum=\"1\">"
    "<photo desp=\"d\" dir=\"//p.png\"/></character></characterList>"
    "<bgList number=\"1\"><bg>//bg/a.jpg</bg></bgList>"
    "<soundList number=\"1\"><sd>//sound/s.wav</sd></soundList>"
    "<bgmList number=\"1\"><bgm>//bgm/m.mp3</bgm></bgmList>"
    "<scriptList number=\"1\"><st><left character=\"0\" photo=\"0\"/>"
    "<right character=\"-1\" photo=\"-1\"/><text character=\"1\" sentence=\"097_098_099_\"/>"
    "<background index=\"0\"/><musicDir index=\"0\"/><sound index=\"-1\"/></st></scriptList></story>";

std::string replaced(std::string text, const std::string& from, const std::string& to)
{
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

StoryRecords records(const StoryScript& s)
{
    return s;
}

} // namespace

TEST(Sentence, IsStoredAsThreeDigitsPerByte)
{
    for (auto [text, stored] : {std::pair{"abc", "097_098_099_"}, {"", ""}, {"\xFF\x01 ", "255_001_032_"}})
        EXPECT_TRUE(encodeSentence(text) == stored && decodeSentence(stored) == text) << stored;
    EXPECT_EQ(decodeSentence("097_9"), std::string("a\x09")); // a short last group still counts
    EXPECT_EQ(decodeSentence("321_"), "A");                   // low 8 bits of 321
}

TEST_F(StoryFile, SaveThenLoadGivesTheSameRecords)
{
    StoryScript model(storyRoot, "mod");
    model.title = "\xB9\xCA\xCA\xC2"; // GB 2312 bytes, as in a person's name below
    model.characters = {{"amy", 2, {{"a0", "//defaultPhoto.png"}, {"a1", "C:\\pics\\a.png"}}},
                        {"\xC0\xEE", 3, {{"b0", "/b0.png"}, {"b1", "\\b1.png"}, {"b2", "//b2.png"}}}};
    model.characterCount = 2;
    model.backgrounds = {"//bg/a.jpg", "/tmp/b.jpg"};
    model.musics = {"//bgm/m.mp3"};
    model.sounds = {"//sound/s.wav", "//sound/t.wav"};
    model.frames = {{0, 1, 1, 2, 1, everyByte(), 1, 0, 1},
                    {-1, -1, -1, -1, 0, "", 0, 0, -5},
                    {1, 0, 0, 1, 2, "two words\r\n<&>", 0, 0, 0}};
    model.frameCount = 3;
    ASSERT_TRUE(model.save());
    EXPECT_EQ(model.frames[1].sound, -1); // normalised in the model too

    StoryScript loaded(storyRoot, "mod");
    ASSERT_TRUE(loaded.load());
    EXPECT_TRUE(records(loaded) == records(model));
    // Photos are numbered across persons: the second person's are entries 2 to 4.
    std::unique_ptr<PropertyTree> tree;
    ASSERT_TRUE(loadTree(tree, storyRoot + "mod//script.xml"));
    EXPECT_EQ(getValues(*tree, "characterList.character.photo.@dir"),
              (std::vector<std::string>{"//defaultPhoto.png", "C:\\pics\\a.png", "/b0.png", "\\b1.png", "//b2.png"}));
}

TEST_F(StoryFile, ReaderFollowsCountsAndPositionsAcrossTheDocument)
{
    // A root of another name, a comment before a text, two character lists
    // read as one, stray entries beyond the counts, lists in another order.
    writeScript("<?xml version=\"1.0\"?><script><!-- c --><name>T</name>"
                "<bgList number=\"0\"><bg>//stray.jpg</bg></bgList>"
                "<characterList number=\"2\"><character name=\"amy\" photoNum=\"1\">"
                "<photo desp=\"d0\" dir=\"//a.png\"/></character></characterList>"
                "<characterList number=\"9\"><character name=\"bob junior\" photoNum=\"1\">"
                "<photo desp=\"d1\" dir=\"//b.png\"/><photo desp=\"stray\" dir=\"//s.png\"/></character>"
                "<character name=\"stray\" photoNum=\"x\"/></characterList>"
                "<bgmList number=\"1\"><bgm><!-- x -->//bgm/m.mp3</bgm></bgmList>"
                "<soundList number=\"1\"><sd>//sound/s.wav</sd><sd>//stray.wav</sd></soundList>"
                "<scriptList number=\"1\"><st><left character=\"0\" photo=\"0\"/>"
                "<right character=\"1\" photo=\"0\"/><text character=\"2\" sentence=\"\"/>"
                "<background index=\" 3 \"/><musicDir index=\"0\"/><sound index=\"0\"/></st>"
                "<st><left/></st></scriptList></script>");
    StoryScript model(storyRoot, "mod");
    ASSERT_TRUE(model.load());
    EXPECT_TRUE(model.backgrounds.empty());
    EXPECT_EQ(model.characterCount, 2);
    EXPECT_EQ(model.characters,
              (std::vector<Character>{{"amy", 1, {{"d0", "//a.png"}}}, {"bob", 1, {{"d1", "//b.png"}}}}));
    EXPECT_EQ(model.musics, (std::vector<std::string>{""})); // text after a comment is lost
    EXPECT_EQ(model.sounds, (std::vector<std::string>{"//sound/s.wav"}));
    EXPECT_EQ(model.frames, (std::vector<Frame>{{0, 0, 1, 0, 2, "", 3, 0, 0}}));
}

TEST_F(StoryFile, SavesInTheFilesOrderAndDamagedCopiesFailWhole)
{
    writeScript(kOneFrame);
    StoryScript model(storyRoot, "mod");
    ASSERT_TRUE(model.load());
    ASSERT_TRUE(model.save());
    // Apart from TinyXML's layout (declaration, one element a line, indents,
    // " />"), the saved file is kOneFrame, which is written in the file's order.
    std::istringstream lines(read("mod/script.xml"));
    std::string saved, expected = kOneFrame;
    for (std::string line; std::getline(lines, line);) saved += line.substr(line.find_first_not_of(' '));
    for (std::size_t at = 0; (at = expected.find("/>", at)) != std::string::npos; at += 3) expected.insert(at, " ");
    EXPECT_EQ(saved, "<?xml version=\"1.0\" ?>" + expected);

    const StoryRecords good = model;

    const std::vector<std::pair<std::string, std::string>> faults = {
        {"<bgList number=\"1\">", "<bgList>"},                     // missing count
        {"<bgList number=\"1\">", "<bgList number=\"one\">"},      // not a number
        {"<soundList number=\"1\">", "<soundList number=\"-1\">"}, // negative
        {"<bgmList number=\"1\">", "<bgmList number=\"2\">"},      // more than present
        {"<scriptList number=\"1\">", "<scriptList number=\"2000000000\">"},
        {"<characterList number=\"1\">", "<characterList number=\"4294967296\">"},
        {"photoNum=\"1\"", "photoNum=\"3\""}, // photos missing
        {"photoNum=\"1\"", "photoNum=\"-1\""},
        {" dir=\"//p.png\"", ""},      // attribute missing
        {"<sound index=\"-1\"/>", ""}, // child missing
        {"<musicDir index=\"0\"/>", "<musicDir index=\"zero\"/>"},
        {"<name>T</name>", ""},
        {"</story>", ""}, // not well-formed
    };
    for (const auto& [from, to] : faults) {
        writeScript(replaced(kOneFrame, from, to));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(model.load()) << from << " -> " << to;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n");
    }
    EXPECT_TRUE(records(model) == good);
}

TEST_F(StoryFile, DeletingFramesKeepsCountAndCurrentInStep)
{
    StoryScript model(storyRoot, "mod");
    EXPECT_FALSE(model.addFrame()); // nothing current yet
    for (int i = 0; i < 3; ++i) model.frames.push_back({i, 0, -1, -1, 1, "s" + std::to_string(i), i, i, i});
    model.frameCount = 3;
    ASSERT_TRUE(model.goToFrame(2, false));
    EXPECT_TRUE(model.deleteFrame()); // the last: current moves back
    EXPECT_EQ(model.currentFrame, 1);
    ASSERT_TRUE(model.goToFrame(0, false));
    EXPECT_TRUE(model.deleteFrame()); // the first: current names its follower
    EXPECT_EQ(model.frames[0].sentence, "s1");
    EXPECT_EQ(model.frameCount, 1);
    const StoryRecords before = model;
    EXPECT_FALSE(model.goToFrame(1, true));
    EXPECT_FALSE(model.goToFrame(-1, false));
    EXPECT_EQ(model.currentFrame, 0);
    EXPECT_FALSE(model.deleteFrame()); // the only frame stays
    EXPECT_TRUE(records(model) == before);
}

TEST_F(StoryFile, ReferencesResolveAgainstTheModOrStandAlone)
{
    StoryScript model(storyRoot, "mod");
    const std::string mod = storyRoot + "mod", outside = (dir / "outside.png").string();
    write("mod/here.png", "x"); // one leading "/" is also an absolute path: the mod's own file wins
    for (auto [ref, resolved] : {std::pair<std::string, std::string>{"//bg/a.jpg", mod + "//bg/a.jpg"},
                                 {"\\bg\\a.jpg", mod + "\\bg\\a.jpg"},
                                 {"/here.png", mod + "/here.png"},
                                 {"C:\\music\\x.mp3", "C:\\music\\x.mp3"},
                                 {"", ""},
                                 {outside, outside}})
        EXPECT_EQ(model.resolveAssetPath(ref), resolved) << ref;
}

namespace {

// Records what a model asks of its audio devices; files named "missing" fail.
struct RecordingOutput : AudioOutput {
    std::uint32_t open(const std::string& path) override
    {
        calls.push_back("open " + path);
        return path.find("missing") == std::string::npos ? ++opened : 0;
    }
    void playFrom(std::uint32_t device, std::uint32_t at) override
    {
        calls.push_back("play " + std::to_string(device) + " at " + std::to_string(at));
    }
    bool stopped(std::uint32_t) override { return ranOut; }
    void close(std::uint32_t device) override { calls.push_back("close " + std::to_string(device)); }
    std::vector<std::string> take() { return std::exchange(calls, {}); }

    std::vector<std::string> calls;
    std::uint32_t opened = 0;
    bool ranOut = false;
};

} // namespace

TEST_F(StoryFile, PreviewPlaysMusicAndSoundsByTheEditorsRules)
{
    RecordingOutput out;
    PreviewAudio preview{&out};
    StoryScript model(storyRoot, "mod", &preview);
    const std::string mod = storyRoot + "mod";
    model.musics = {"//a.mp3", "/elsewhere/b.mp3"};
    model.sounds = {"\\missing.wav"};
    for (int music : {0, 0, 1, 7}) model.frames.push_back({-1, -1, -1, -1, 0, "", 0, music, -1});
    model.frames[0].sound = 0;
    model.frames[3].sound = 5;
    model.bgmEnabled = true;

    ASSERT_TRUE(model.goToFrame(0, false));
    EXPECT_EQ(out.take(),
              (std::vector<std::string>{"open " + mod + "/missing.wav", "open " + mod + "//a.mp3", "play 1 at 0"}));
    EXPECT_TRUE(preview.soundOpen && preview.soundDevice == 0); // an attempt counts

    ASSERT_TRUE(model.goToFrame(1, false)); // the same music plays on
    EXPECT_TRUE(out.take().empty());
    out.ranOut = true;
    ASSERT_TRUE(model.goToFrame(0, false)); // ...and starts again once it ran out
    EXPECT_EQ(out.take(), (std::vector<std::string>{"open " + mod + "/missing.wav", "play 1 at 0"}));
    out.ranOut = false;
    ASSERT_TRUE(model.goToFrame(1, true));
    EXPECT_EQ(out.take(), (std::vector<std::string>{"close 1", "open " + mod + "//a.mp3", "play 2 at 0"}));
    ASSERT_TRUE(model.goToFrame(2, false)); // a full path is played as it is
    EXPECT_EQ(out.take(), (std::vector<std::string>{"close 2", "open /elsewhere/b.mp3", "play 3 at 0"}));
    ASSERT_TRUE(model.goToFrame(3, false)); // music 7 and sound 5 do not exist
    EXPECT_EQ(out.take(), (std::vector<std::string>{"close 3"}));
    EXPECT_TRUE(model.musicPlaying);

    model.bgmEnabled = false;
    ASSERT_TRUE(model.goToFrame(2, false)); // off: a change only closes the music
    model.playSound(-1);
    EXPECT_TRUE(out.take().empty());
    EXPECT_FALSE(model.musicPlaying);
}

// The editor reads script.xml piece by piece; whatever the file holds, it
// must come to the same verdict and the same records as the whole-file
// reading.
TEST_F(StoryFile, PiecewiseReadingAgreesWithTheWholeFile)
{
    const std::string st = "<st><left character=\"0\" photo=\"0\"/><right character=\"-1\" photo=\"-1\"/>"
                           "<text character=\"1\" sentence=\"100_101_102_\"/><background index=\"0\"/>"
                           "<musicDir index=\"0\"/><sound index=\"0\"/></st>";
    const std::string two = replaced(replaced(kOneFrame, "</st>", "</st>\r\n  " + st + "\r"),
                                     "<scriptList number=\"1\">", "<scriptList number=\"2\">");
    std::string deep = "<y/>";
    for (int i = 0; i < 70; ++i) deep = "<x>" + deep + "</x>";
    std::string longSentence;
    for (int i = 0; i < 12000; ++i) longSentence += "065_";
    const std::vector<std::pair<const char*, std::string>> documents = {
        {"as written, blanks and CR LF between", two},
        {"declaration first", "<?xml version=\"1.0\" ?>\n" + two},
        {"single quotes, blanks in tags", replaced(two, "<scriptList number=\"2\">", "<scriptList  number = '2' >")},
        {"root attributes, other name", replaced(replaced(two, "<story>", "<tale a=\"1\">"), "</story>", "</tale >")},
        {"lists in another order",
         replaced(replaced(two, "<name>T</name>", ""), "</scriptList>", "</scriptList><name>U</name>")},
        {"two script lists",
         replaced(two, "</scriptList>", "</scriptList><scriptList number=\"9\">" + st + "</scriptList>")},
        {"other elements among the frames", replaced(two, "</st>", "</st><note/>")},
        {"a comment among the frames", replaced(two, "</st>", "</st><!-- <st> -->")},
        {"text among the frames", replaced(two, "</st>", "</st>words")},
        {"byte-order mark", "\xEF\xBB\xBF" + two},
        {"a zero byte after the root", two + std::string(1, '\0') + "<junk"},
        {"text after the root", two + "trailing"},
        {"unquoted attribute", replaced(two, "<scriptList number=\"2\">", "<scriptList number=2>")},
        {"a frame larger than a piece", replaced(two, "100_101_102_", longSentence)},
        {"mismatched end of the list", replaced(two, "</scriptList>", "</scriptLis>")},
        {"duplicate attribute on the list",
         replaced(two, "<scriptList number=\"2\">", "<scriptList number=\"2\" number=\"2\">")},
        {"cut inside a frame", two.substr(0, two.find("</st>") + 3)},
        {"nested too deep inside a frame", replaced(two, "<sound index=\"0\"/>", "<sound index=\"0\"/>" + deep)},
        {"frame missing a child", replaced(two, "<sound index=\"0\"/>", "")},
        {"empty file", ""},
    };
    for (const auto& [what, text] : documents) {
        writeScript(text);
        const std::string path = storyRoot + "mod/script.xml";
        std::unique_ptr<PropertyTree> tree;
        StoryRecords whole, piecewise;
        const bool wholeRead = loadTree(tree, path) && readStory(*tree, whole);
        EXPECT_EQ(loadStoryFile(path, piecewise), wholeRead) << what;
        EXPECT_TRUE(piecewise == whole) << what;
    }
    // The cases above reach both verdicts and both kinds of frames.
    writeScript(replaced(two, "100_101_102_", longSentence));
    StoryRecords big;
    ASSERT_TRUE(loadStoryFile(storyRoot + "mod/script.xml", big));
    EXPECT_EQ(big.frames.at(1).sentence, std::string(12000, 'A'));
    EXPECT_EQ(big.frames.at(0).sentence, "abc");
}

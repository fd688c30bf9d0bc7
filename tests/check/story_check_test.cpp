// The story checker: one small mod per planted problem, each found exactly
// (rule, frame, line); the bundled stories check clean; text and JSON agree.
#include "check/story_check.h"
#include "document/story_folder.h"
#include "document/xml_binding.h"
#include "tests/media/audio/tone_fixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using storycheck::Finding;
using storycheck::Severity;

namespace {

const std::string kGlyphs = std::string(QS_RUN_DIR) + "/raw/1.bin";

void writeFile(const fs::path& file, const std::string& bytes)
{
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

void writePicture(const fs::path& file, int width, int height)
{
    fs::create_directories(file.parent_path());
    cv::Mat picture(height, width, CV_8UC3, cv::Scalar(40, 120, 200));
    ASSERT_TRUE(cv::imwrite(file.string(), picture)) << file;
}

// A story root under the temp folder with one sound mod "m": one person with
// one photo, one background, music and sound, two frames, every file good.
struct Mod {
    Mod()
    {
        static int count = 0;
        root = fs::temp_directory_path() / ("qs-check-" + std::to_string(::getpid()) + "-" + std::to_string(count++));
        mod = root / "story" / "m";
        story.title = "T";
        story.characters = {{"Ann", 1, {{"smile", "//character/Ann/smile.png"}}}};
        story.backgrounds = {"//bg/sky.jpg"};
        story.musics = {"//bgm/tune.wav"};
        story.sounds = {"//sound/ding.wav"};
        story.frames = {{0, 0, -1, -1, 1, "Hello.", 0, 0, 0}, {-1, -1, -1, -1, 0, "Bye.", 0, 0, -1}};
        writePicture(mod / "character/Ann/smile.png", 30, 40);
        writePicture(mod / "bg/sky.jpg", 80, 60);
        fs::create_directories(mod / "bgm");
        fs::create_directories(mod / "sound");
        tone::writeWav((mod / "bgm/tune.wav").string(), {{440, 50}});
        tone::writeWav((mod / "sound/ding.wav").string(), {{880, 30}});
        writePicture(mod / "content.png", 80, 15);
        writePicture(mod / "contentN.png", 80, 15);
        writePicture(root / "story/next.png", 20, 20);
        writeFile(root / "story/startup.txt", "m");
    }
    ~Mod()
    {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    void save()
    {
        story.characterCount = static_cast<int>(story.characters.size());
        story.frameCount = static_cast<int>(story.frames.size());
        ASSERT_TRUE(saveTree(*storyTree(story), (mod / "script.xml").string()));
    }
    // The line of script.xml that holds text (the first one from `after` on).
    int lineOf(const std::string& text, int after = 1) const
    {
        std::ifstream in(mod / "script.xml");
        std::string line;
        for (int n = 1; std::getline(in, line); ++n)
            if (n >= after && line.find(text) != std::string::npos) return n;
        return -1;
    }
    std::vector<Finding> check(const std::string& path = {}) const
    {
        storycheck::Options options;
        options.glyphFile = kGlyphs;
        options.useCache = false;
        std::vector<Finding> findings;
        std::string reason;
        EXPECT_TRUE(storycheck::checkPath(path.empty() ? mod.string() : path, options, findings, reason)) << reason;
        return findings;
    }
    fs::path root, mod;
    StoryRecords story;
};

std::string describe(const std::vector<Finding>& findings)
{
    return storycheck::formatText(findings);
}

struct Expected {
    std::string rule;
    int frame;
    int line; // -1: any
};

struct Case {
    const char* name;
    std::function<void(Mod&)> plant; // changes records and files; the mod is saved after it
    std::function<std::vector<Expected>(const Mod&)> expected;
};

TEST(StoryCheck, FindsEachPlantedProblemExactly)
{
    const std::vector<Case> cases = {
        {"clean", [](Mod&) {}, [](const Mod&) { return std::vector<Expected>{}; }},
        {"background out of range", [](Mod& m) { m.story.frames[1].background = 7; },
         [](const Mod& m) {
             return std::vector<Expected>{{"bad-index", 2, m.lineOf("<background index=\"7\"")}};
         }},
        {"speaker on an empty side", [](Mod& m) { m.story.frames[1].textCharacter = 2; },
         [](const Mod& m) {
             return std::vector<Expected>{{"bad-index", 2, m.lineOf("<text character=\"2\"")}};
         }},
        {"photo out of range", [](Mod& m) { m.story.frames[0].leftPhoto = 3; },
         [](const Mod& m) {
             return std::vector<Expected>{{"bad-index", 1, m.lineOf("<left character=\"0\" photo=\"3\"")}};
         }},
        {"full path",
         [](Mod& m) {
             m.story.backgrounds[0] = "C:\\pics\\sky.jpg";
             fs::remove(m.mod / "bg/sky.jpg");
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"not-exported", 1, m.lineOf("<bg>C:")}};
         }},
        {"case mismatch", [](Mod& m) { m.story.backgrounds[0] = "//bg/Sky.jpg"; },
         [](const Mod& m) {
             return std::vector<Expected>{{"missing-file", 1, m.lineOf("<bg>//bg/Sky.jpg")}, {"unused-file", 0, 0}};
         }},
        {"damaged picture and sound, each decoded once",
         [](Mod& m) {
             writeFile(m.mod / "bg/sky.jpg", "not a picture");
             m.story.backgrounds.push_back("//bg/sky.jpg");
             writeFile(m.mod / "sound/ding.wav", "RIFF");
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"undecodable", 1, m.lineOf("<bg>")}, {"undecodable", 1, m.lineOf("<sd>")}};
         }},
        {"folder where a file should be",
         [](Mod& m) {
             fs::remove(m.mod / "bgm/tune.wav");
             fs::create_directories(m.mod / "bgm/tune.wav");
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"missing-file", 1, m.lineOf("<bgm>")}};
         }},
        {"FIFO where a file should be",
         [](Mod& m) {
             fs::remove(m.mod / "sound/ding.wav");
             ASSERT_EQ(::mkfifo((m.mod / "sound/ding.wav").c_str(), 0600), 0);
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"missing-file", 1, m.lineOf("<sd>")}};
         }},
        {"reference leaving the mod",
         [](Mod& m) {
             m.story.characters[0].photos[0].dir = "//../../secret.png";
             fs::remove_all(m.mod / "character");
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"path-escape", 1, m.lineOf("<photo")}};
         }},
        {"characters without glyphs",
         // 啊 is drawn; 0xAAA1 is an empty row of GB 2312; 0xB0 0x41 is no pair.
         [](Mod& m) { m.story.frames[1].sentence = "\xB0\xA1 \xAA\xA1 \xB0\x41"; },
         [](const Mod& m) {
             return std::vector<Expected>{{"missing-glyph", 2, m.lineOf("sentence=\"176_161_")}};
         }},
        {"sentence longer than the text box",
         [](Mod& m) { m.story.frames[0].sentence = std::string(446, 'a'); }, // "Ann: " + 446 = 451 bytes
         [](const Mod& m) {
             return std::vector<Expected>{{"overflow", 1, m.lineOf("<text character=\"1\"")}};
         }},
        {"text box missing", [](Mod& m) { fs::remove(m.mod / "content.png"); },
         [](const Mod&) {
             return std::vector<Expected>{{"template", 0, 0}};
         }},
        {"file nothing refers to", [](Mod& m) { writePicture(m.mod / "bg/extra.jpg", 8, 8); },
         [](const Mod&) {
             return std::vector<Expected>{{"unused-file", 0, 0}};
         }},
        {"picture far larger than its sprite", [](Mod& m) { writePicture(m.mod / "bg/sky.jpg", 1700, 1300); },
         [](const Mod& m) {
             return std::vector<Expected>{{"large-picture", 1, m.lineOf("<bg>")}};
         }},
        {"count beyond the entries",
         [](Mod& m) {
             m.save();
             std::string t;
             {
                 std::ifstream in(m.mod / "script.xml");
                 std::stringstream s;
                 s << in.rdbuf();
                 t = s.str();
             }
             t.replace(t.find("<bgList number=\"1\""), 18, "<bgList number=\"5\"");
             writeFile(m.mod / "script.xml", t);
         },
         [](const Mod& m) {
             return std::vector<Expected>{{"load", 0, m.lineOf("<bgList")}};
         }},
    };
    for (const Case& c : cases) {
        Mod m;
        c.plant(m);
        if (std::string(c.name) != "count beyond the entries") m.save();
        const std::vector<Finding> found = m.check();
        const std::vector<Expected> want = c.expected(m);
        ASSERT_EQ(found.size(), want.size()) << c.name << "\n" << describe(found);
        for (std::size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(found[i].rule, want[i].rule) << c.name << "\n" << describe(found);
            EXPECT_EQ(found[i].frame, want[i].frame) << c.name << "\n" << describe(found);
            EXPECT_EQ(found[i].line, want[i].line) << c.name << "\n" << describe(found);
        }
    }
}

TEST(StoryCheck, BrokenFilesGiveLoadFindingsWithoutHanging)
{
    Mod m;
    m.save();
    writeFile(m.mod / "script.xml", "<story>\n  <name>x</name>\n  <bgList number=\"1\">\n</story>\n");
    std::vector<Finding> found = m.check();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].rule, "load");
    EXPECT_GT(found[0].line, 0) << "TinyXML's own row: " << describe(found);

    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    writeFile(m.mod / "script.xml", deep);
    found = m.check();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].rule, "load") << describe(found);

    fs::remove(m.mod / "script.xml");
    ASSERT_EQ(::mkfifo((m.mod / "script.xml").c_str(), 0600), 0);
    found = m.check();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found[0].rule, "load");
    EXPECT_NE(found[0].message.find("FIFO"), std::string::npos) << describe(found);
}

TEST(StoryCheck, StoryRootChecksStartupModNamesAndTheNextMarker)
{
    Mod m;
    m.save();
    writeFile(m.root / "story/startup.txt", "  nosuch\n");
    fs::create_directories(m.root / "story/two words");
    fs::remove(m.root / "story/next.png");
    writePicture(m.root / "story/content.png", 8, 8);
    writePicture(m.root / "story/contentN.png", 8, 8);
    std::vector<std::string> rules;
    for (const Finding& f : m.check((m.root / "story").string()))
        if (f.severity != Severity::Note) rules.push_back(f.rule + " " + fs::path(f.file).filename().string());
    EXPECT_EQ(rules, (std::vector<std::string>{"startup startup.txt", "startup two words", "load script.xml",
                                               "template next.png"}));
}

TEST(StoryCheck, CachedResultsFollowChangedFiles)
{
    Mod m;
    m.save();
    storycheck::Options options;
    options.glyphFile = kGlyphs;
    options.cacheFolder = (m.root / "cache").string();
    EXPECT_TRUE(storycheck::checkModFolder(m.mod.string(), options).empty());
    EXPECT_TRUE(storycheck::checkModFolder(m.mod.string(), options).empty());
    writeFile(m.mod / "bg/sky.jpg", "now damaged"); // another size: a changed file
    std::vector<Finding> found = storycheck::checkModFolder(m.mod.string(), options);
    ASSERT_EQ(found.size(), 1u) << describe(found);
    EXPECT_EQ(found[0].rule, "undecodable");
    writePicture(m.mod / "bg/new.jpg", 8, 8); // a new file changes the listing
    found = storycheck::checkModFolder(m.mod.string(), options);
    ASSERT_EQ(found.size(), 2u) << describe(found);
    EXPECT_EQ(found[1].rule, "unused-file");
}

TEST(StoryCheck, InMemoryRecordsAreCheckedWithoutTheSavedFile)
{
    Mod m;
    m.save();
    m.story.frames[0].sound = 4; // not saved
    storycheck::Options options;
    options.glyphFile = kGlyphs;
    options.useCache = false;
    const std::vector<Finding> found = storycheck::checkStory(m.story, m.mod.string(), options);
    ASSERT_EQ(found.size(), 1u) << describe(found);
    EXPECT_EQ(found[0].rule, "bad-index");
    EXPECT_EQ(found[0].frame, 1);
    EXPECT_EQ(found[0].line, 0);
}

TEST(StoryCheck, BundledDemoAndTemplateStoryCheckClean)
{
    storycheck::Options options;
    options.useCache = false;
    std::vector<Finding> found;
    std::string reason;
    ASSERT_TRUE(storycheck::checkPath(std::string(QS_RUN_DIR) + "/story", options, found, reason)) << reason;
    // Mods the other tests' runs leave in the run folder are not ours to judge.
    std::erase_if(found, [](const Finding& f) {
        return f.file.find("/story/Lantern") == std::string::npos &&
               fs::path(f.file).parent_path().filename() != "story";
    });
    EXPECT_TRUE(found.empty()) << describe(found);
}

TEST(StoryCheck, TextAndJsonSayTheSame)
{
    Mod m;
    m.story.frames[1].background = 7;
    m.story.characters[0].name = "\xB0\xA1\xAA\xA1"; // a name with a blank, shown as UTF-8
    m.story.backgrounds.push_back("C:\\a\"b\\c.jpg");
    writePicture(m.mod / "bg/extra.jpg", 8, 8);
    m.save();
    const std::vector<Finding> found = m.check();
    ASSERT_GE(found.size(), 4u);
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(storycheck::formatJson(found)));
    ASSERT_TRUE(doc.isObject());
    std::vector<Finding> back;
    for (const QJsonValue& v : doc.object()["findings"].toArray()) {
        const QJsonObject o = v.toObject();
        const std::string severity = o["severity"].toString().toStdString();
        back.push_back({o["file"].toString().toStdString(), o["line"].toInt(), o["column"].toInt(),
                        severity == "error"     ? Severity::Error
                        : severity == "warning" ? Severity::Warning
                                                : Severity::Note,
                        o["rule"].toString().toStdString(), o["frame"].toInt(), o["message"].toString().toStdString()});
    }
    EXPECT_EQ(storycheck::formatText(back), storycheck::formatText(found));
    const storycheck::Counts counts = storycheck::countFindings(found);
    EXPECT_EQ(doc.object()["errors"].toInt(), counts.errors);
    EXPECT_EQ(doc.object()["notes"].toInt(), counts.notes);
}

int run(const std::string& arguments, std::string* out = nullptr)
{
    const std::string file = (fs::temp_directory_path() / ("qs-check-out-" + std::to_string(::getpid()))).string();
    const int status = std::system((std::string(QS_CHECK_COMMAND) + " " + arguments + " >" + file + " 2>&1").c_str());
    if (out) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        *out = s.str();
    }
    fs::remove(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CheckCommand, ExitStatusSaysErrorsWarningsOrUsage)
{
    Mod m;
    m.story.frames[0].sentence = std::string(446, 'a'); // an overflow warning
    m.save();
    const std::string mod = "--no-cache --glyphs " + kGlyphs + " " + m.mod.string();
    std::string out;
    EXPECT_EQ(run(mod, &out), 0) << out;
    EXPECT_NE(out.find(": warning: frame 1: "), std::string::npos) << out;
    EXPECT_NE(out.find("1 warning in "), std::string::npos) << out;
    EXPECT_EQ(run("--werror " + mod), 1);
    m.story.frames[0].background = 3;
    m.save();
    EXPECT_EQ(run(mod), 1);
    EXPECT_EQ(run("--format=xml " + mod, &out), 2);
    EXPECT_NE(out.find("unknown format"), std::string::npos);
    EXPECT_EQ(run(m.mod.string() + "/nothing"), 2);
    EXPECT_EQ(run("--help", &out), 0);
    EXPECT_NE(out.find("Usage: quillforge-check"), std::string::npos);
    EXPECT_EQ(run("--version", &out), 0);
}

} // namespace

#include "bundle/bundle.h"
#include "bundle/pack.h"
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "tests/bundle/zip_craft.h"
#include "tests/document/scratch_dir.h"

#include <opencv2/imgcodecs.hpp>

#include <gtest/gtest.h>

#include <functional>

namespace fs = std::filesystem;

namespace {

// A one-frame story with one background.
std::string scriptXml(int frames = 1)
{
    StoryRecords r;
    r.title = "Tiny";
    r.backgrounds = {"//bg/a.png"};
    r.musics = {"//bgm/none.mp3"};
    r.frames.resize(static_cast<std::size_t>(frames));
    r.frameCount = frames;
    const std::string file = (fs::temp_directory_path() / ("qs-bundle-script-" + std::to_string(::getpid()))).string();
    saveTree(*storyTree(r), file);
    std::ifstream in(file, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    fs::remove(file);
    return text;
}

// Entries plus a manifest.json that lists them truthfully.
std::vector<CraftEntry> withManifest(std::vector<CraftEntry> entries, const std::string& mod = "Tiny", int frames = 1)
{
    bundle::Manifest m;
    m.mod = mod;
    m.frames = frames;
    m.tool = "test";
    for (const CraftEntry& e : entries)
        if ((e.mode & 0170000) == 0100000) m.files.push_back({e.name, e.data.size(), bundle::sha256Of(e.data)});
    entries.push_back({bundle::kManifestName, bundle::manifestJson(m)});
    return entries;
}

std::vector<CraftEntry> goodEntries()
{
    return {{"script.xml", scriptXml(), 0100644, true}, {"bg/a.png", "picture"}};
}

class Bundles : public testing::Test, protected ScratchDir {
protected:
    Bundles() { fs::create_directories(dir / "home"); }
    std::string library() const { return path("home/library"); }
    // Everything below the scratch folder but the bundles themselves.
    std::vector<std::string> tree() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            if (e.path().extension() != ".swstory") names.push_back(e.path().lexically_relative(dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct Hostile {
    const char* what;
    std::function<std::vector<CraftEntry>()> entries;
    const char* reason; // a part of the one-line reason
};

} // namespace

TEST_F(Bundles, HostileBundlesAreRefusedWithOneLineAndNothingWritten)
{
    const std::string big(8 << 20, '\0');
    const std::vector<Hostile> cases = {
        {"absolute path",
         [] {
             return withManifest({{"/tmp/evil", "x"}});
         },
         "absolute path"},
        {"dot dot",
         [] {
             return withManifest({{"../evil", "x"}});
         },
         "leads out"},
        {"dot dot inside",
         [] {
             return withManifest({{"bg/../../evil", "x"}});
         },
         "leads out"},
        {"symbolic link",
         [] {
             return withManifest({{"link", "/etc/passwd", 0120777}});
         },
         "symbolic link"},
        {"character device",
         [] {
             return withManifest({{"tty", "", 0020644}});
         },
         "device"},
        {"block device",
         [] {
             return withManifest({{"sda", "", 0060644}});
         },
         "device"},
        {"FIFO",
         [] {
             return withManifest({{"pipe", "", 0010644}});
         },
         "FIFO"},
        {"not UTF-8, flagged",
         [] {
             return withManifest({{"bg/\xff\xfe.png", "x"}});
         },
         "UTF-8"},
        {"not UTF-8, unflagged",
         [] {
             return withManifest({{"bg/\xc0\xaf.png", "x", 0100644, false, false}});
         },
         "UTF-8"},
        {"case",
         [] {
             return withManifest({{"bg/A.png", "x"}, {"bg/a.png", "y"}});
         },
         "differ only by case"},
        {"case of a folder",
         [] {
             return withManifest({{"BG/x.png", "x"}, {"bg/y.png", "y"}});
         },
         "differ only by case"},
        {"case, non-ASCII",
         [] {
             return withManifest({{"\xc3\x89t\xc3\xa9.png", "x"}, {"\xc3\xa9t\xc3\xa9.png", "y"}});
         },
         "differ only by case"},
        {"twice",
         [] {
             return withManifest({{"a.png", "x"}, {"a.png", "x"}});
         },
         "twice"},
        {"file and folder",
         [] {
             return withManifest({{"bg", "x"}, {"bg/a.png", "y"}});
         },
         "both a file and a folder"},
        {"too many entries",
         [] {
             std::vector<CraftEntry> many;
             for (int i = 0; i <= 10000; ++i) many.push_back({"f" + std::to_string(i), ""});
             return withManifest(many);
         },
         "more than 10000 entries"},
        {"more than 2 GiB",
         [] {
             return withManifest({{"huge.wav", "x", 0100644, false, true, 3ll << 30}});
         },
         "more than 2 GiB"},
        {"zip bomb",
         [&] {
             return withManifest({{"bomb.wav", big, 0100644, true}});
         },
         "zip bomb"},
        {"size larger than claimed",
         [] {
             auto e = withManifest({{"a.wav", "0123456789"}});
             e[0].claimedSize = 4; // the manifest agrees with the claim, the data does not
             e[1] = withManifest({{"a.wav", "0123"}})[1];
             return e;
         },
         "more than the 4 bytes"},
        {"no manifest", [] { return goodEntries(); }, "no manifest.json"},
        {"malformed manifest",
         [] {
             return std::vector<CraftEntry>{{"manifest.json", "{\"format\": 1,"}};
         },
         "not valid JSON"},
        {"newer format",
         [] {
             return std::vector<CraftEntry>{{"manifest.json", "{\"format\": 2}"}};
         },
         "format 2"},
        {"unsafe mod name", [] { return withManifest(goodEntries(), "../up"); }, "cannot be a folder name"},
        {"wrong hash",
         [] {
             auto e = withManifest(goodEntries());
             e[1].data = "pictur!";
             return e;
         },
         "SHA-256"},
        {"wrong size",
         [] {
             auto e = withManifest(goodEntries());
             e[1].data = "pic";
             return e;
         },
         "in its manifest"},
        {"listed but absent",
         [] {
             auto e = withManifest(goodEntries());
             e.erase(e.begin() + 1);
             return e;
         },
         "which the bundle lacks"},
        {"unlisted file",
         [] {
             auto e = withManifest(goodEntries());
             e.insert(e.begin(), {"extra.png", "x"});
             return e;
         },
         "not in its manifest"},
        {"frames disagree", [] { return withManifest(goodEntries(), "Tiny", 3); }, "says 3 frames"},
        {"script.xml refused by the reader",
         [] {
             return withManifest({{"script.xml", "<story><name>x</name></story>"}});
         },
         "script.xml: "},
        {"no script.xml",
         [] {
             return withManifest({{"bg/a.png", "x"}});
         },
         "script.xml is missing"},
    };
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string file = path("hostile.swstory");
        writeZip(file, c.entries());
        const auto before = tree();
        bundle::Installed installed;
        std::string reason;
        EXPECT_FALSE(bundle::installBundle(file, library(), installed, reason));
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << reason;
        auto after = tree(); // the library itself may have been made, holding nothing
        after.erase(std::remove(after.begin(), after.end(), "home/library"), after.end());
        EXPECT_EQ(after, before);
        fs::remove_all(library());
    }
}

TEST_F(Bundles, TruncatedAndCorruptArchivesAreRefused)
{
    const std::string good = path("good.swstory");
    writeZip(good, withManifest(goodEntries()));
    const std::string bytes = read("good.swstory");
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"truncated", bytes.substr(0, bytes.size() / 2)},
        {"no directory", bytes.substr(0, bytes.size() - 22)},
        {"empty", ""},
        {"not a ZIP", "PK\x03\x04 but nothing more of a ZIP archive, nothing at all"},
        {"flipped data byte",
         [&] {
             std::string b = bytes;
             b[b.find("picture") + 2] ^= 0x20;
             return b;
         }()},
    };
    for (const auto& [what, content] : damaged) {
        SCOPED_TRACE(what);
        write("bad.swstory", content);
        bundle::Installed installed;
        std::string reason;
        EXPECT_FALSE(bundle::installBundle(path("bad.swstory"), library(), installed, reason));
        EXPECT_FALSE(reason.empty());
        EXPECT_FALSE(fs::exists(library() + "/Tiny"));
    }
}

TEST_F(Bundles, InstallExtractsOnceAndReplacesAChangedExtraction)
{
    const std::string file = path("tiny.swstory");
    writeZip(file, withManifest(goodEntries()));
    bundle::Installed installed;
    std::string reason;
    ASSERT_TRUE(bundle::installBundle(file, library(), installed, reason)) << reason;
    EXPECT_TRUE(installed.extracted);
    EXPECT_EQ(installed.modFolder, library() + "/Tiny");
    EXPECT_EQ(read("home/library/Tiny/bg/a.png"), "picture");

    ASSERT_TRUE(bundle::installBundle(file, library(), installed, reason)) << reason;
    EXPECT_FALSE(installed.extracted);

    // Damage the extraction: the next run puts the bundle's file back.
    write("home/library/Tiny/bg/a.png", "tampered");
    ASSERT_TRUE(bundle::installBundle(file, library(), installed, reason)) << reason;
    EXPECT_TRUE(installed.extracted);
    EXPECT_EQ(read("home/library/Tiny/bg/a.png"), "picture");
    EXPECT_EQ(tree(), (std::vector<std::string>{"home", "home/library", "home/library/Tiny", "home/library/Tiny/bg",
                                                "home/library/Tiny/bg/a.png", "home/library/Tiny/manifest.json",
                                                "home/library/Tiny/script.xml"}));

    // An unsound bundle is refused even where its extraction would be reused.
    std::string bytes = read("tiny.swstory");
    bytes[bytes.find("picture")] ^= 0x20;
    write("tiny.swstory", bytes);
    EXPECT_FALSE(bundle::installBundle(file, library(), installed, reason));
}

TEST_F(Bundles, PackedModsRoundTripAndRefusalsSayWhy)
{
    fs::create_directories(dir / "story/Tiny/bg");
    cv::Mat pixels(12, 16, CV_8UC3, cv::Scalar(10, 200, 30));
    for (const char* picture : {"story/Tiny/bg/a.png", "story/Tiny/content.png", "story/Tiny/contentN.png"})
        cv::imwrite(path(picture), pixels);
    write("story/Tiny/unused.txt", "not named by the story");
    write("story/Tiny/script.xml", scriptXml());
    bundle::PackOptions options;
    options.tool = "test 1";
    options.check.useCache = false;
    bundle::PackReport report;
    std::string reason;
    // The music file is missing: an error unless forced.
    EXPECT_EQ(bundle::packMod(path("story/Tiny"), path("out.swstory"), options, report, reason),
              bundle::PackResult::Refused);
    EXPECT_NE(reason.find("1 error"), std::string::npos) << reason;
    EXPECT_FALSE(fs::exists(path("out.swstory")));

    options.force = true;
    ASSERT_EQ(bundle::packMod(path("story/Tiny"), path("out.swstory"), options, report, reason),
              bundle::PackResult::Packed)
        << reason;
    ASSERT_EQ(report.manifest.errors.size(), 1u);
    EXPECT_NE(report.manifest.errors[0].find("missing-file"), std::string::npos);
    std::vector<std::string> packed;
    for (const auto& f : report.manifest.files) packed.push_back(f.path);
    EXPECT_EQ(packed, (std::vector<std::string>{"script.xml", "content.png", "contentN.png", "bg/a.png"}));

    bundle::Inspection inspection;
    ASSERT_TRUE(bundle::inspectBundle(path("out.swstory"), inspection, reason)) << reason;
    EXPECT_EQ(inspection.manifest, report.manifest);
    bundle::Manifest parsed;
    ASSERT_TRUE(bundle::parseManifest(bundle::manifestJson(report.manifest), parsed, reason));
    EXPECT_EQ(parsed, report.manifest);
    bundle::Installed installed;
    ASSERT_TRUE(bundle::installBundle(path("out.swstory"), library(), installed, reason)) << reason;
    EXPECT_EQ(read("home/library/Tiny/bg/a.png"), read("story/Tiny/bg/a.png"));

    // A reference outside the mod: refused even when forced, with the reason.
    StoryRecords outside;
    outside.backgrounds = {path("story/Tiny/bg/a.png").substr(1)}; // a full path without its leading "/"
    outside.musics = {"C:\\music\\theme.mp3"};
    outside.frames.resize(1);
    outside.frameCount = 1;
    saveTree(*storyTree(outside), path("story/Tiny/script.xml"));
    EXPECT_EQ(bundle::packMod(path("story/Tiny"), path("out2.swstory"), options, report, reason),
              bundle::PackResult::Refused);
    EXPECT_NE(reason.find("2 references are not exported"), std::string::npos) << reason;

    fs::rename(dir / "story/Tiny", dir / "story/Two words");
    EXPECT_EQ(bundle::packMod(path("story/Two words"), path("out3.swstory"), options, report, reason),
              bundle::PackResult::Refused);
    EXPECT_NE(reason.find("white space"), std::string::npos) << reason;
}

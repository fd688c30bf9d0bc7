// The property tree and its XML file.
#include "document/xml_binding.h"
#include "tests/document/scratch_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>

namespace fs = std::filesystem;
using Values = std::vector<std::string>;

TEST(PropertyTree, PathsSelectAcrossParentsInDocumentOrder)
{
    PropertyTree root("story", "");
    auto add = [](PropertyTree& parent, const char* name, const char* value = "") {
        return parent.addChild(std::make_unique<PropertyTree>(name, value));
    };
    add(*add(root, "characterList"), "character")->setAttribute("name", "amy");
    add(*add(root, "characterList"), "character")->setAttribute("name", "bob");
    PropertyTree* bgs = add(root, "bgList");
    for (const char* bg : {"first.jpg", "two words.jpg", " 7 "})
        add(*bgs, "bg", bg);
    EXPECT_EQ(getValues(root, "characterList.character.@name"), (Values{"amy", "bob"}));
    EXPECT_EQ(getValues(root, "  bgList.bg \t"), (Values{"first.jpg", "two", "7"}));
    EXPECT_EQ(getValue(root, "characterList.character.@name", 2), "");  // past the list
    // The root itself is never matched, and empty components match nothing.
    for (const char* none : {"story.bgList.bg", "bgList..bg", "nothing.here.@x"})
        EXPECT_TRUE(getValues(root, none).empty()) << none;
}

TEST(TextConversions, BehaveLikeStreamExtraction)
{
    EXPECT_EQ(wordOf(" \t\r\n\v\fword rest"), "word");
    EXPECT_EQ(wordOf("\xB0\xA1\xA0x y"), "\xB0\xA1\xA0x");  // high bytes are not blanks
    for (auto [text, value] : {std::pair{"12abc", 12}, {" -1", -1}, {"abc", 0}, {"99999999999999999999999", 2147483647}})
        EXPECT_EQ(intOf(text), value) << text;
    int n = 42;
    for (const char* bad : {"x1", "-", "", "2147483648"})
        EXPECT_FALSE(parseInt(bad, n)) << bad;
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(parseInt(" -2147483648", n));
    EXPECT_EQ(n, -2147483647 - 1);
}

class XmlBinding : public testing::Test, protected ScratchDir {};

TEST_F(XmlBinding, SavesAttributesSortedThenFirstWordThenChildren)
{
    PropertyTree root("story", "");
    root.addChild(std::make_unique<PropertyTree>("name", "  two words "));
    root.addChild(std::make_unique<PropertyTree>("blank", " \t "));
    PropertyTree* c = root.addChild(std::make_unique<PropertyTree>("character", "x"));
    c->setAttribute("photoNum", 2);
    c->setAttribute("photoNum", 1);  // overwrites
    c->setAttribute("name", "a <b> & \"c\"");
    c->addChild(std::make_unique<PropertyTree>("photo", ""));
    ASSERT_TRUE(saveTree(root, dir.string() + "\\out.xml"));  // stored form, mapped for the disk
    EXPECT_EQ(read("out.xml"), "<?xml version=\"1.0\" ?>\n<story>\n    <name>two</name>\n    <blank />\n"
                               "    <character name='a &lt;b&gt; &amp; &quot;c&quot;' photoNum=\"1\">x\n"
                               "        <photo />\n    </character>\n</story>\n");
    EXPECT_FALSE(fs::exists(path("out.xml.saving")));
}

TEST_F(XmlBinding, LoadKeepsElementsAndTheirLeadingTextOnly)
{
    write("in.xml", "<?xml version=\"1.0\" ?><!-- c --><script a=\"1\" b=\"2\">"
                    "<name><!-- why -->late</name><bg>first<x/>second</bg><?pi?><bg/></script>");
    std::unique_ptr<PropertyTree> root;
    ASSERT_TRUE(loadTree(root, dir.string() + "\\in.xml"));  // stored form, mapped for the disk
    EXPECT_EQ(root->name, "script");  // any root name; paths start below it
    EXPECT_EQ(root->attributes.size(), 2u);
    ASSERT_EQ(root->children.size(), 3u);
    EXPECT_EQ(root->children[0]->value, "");  // text after a comment is not the element's
    EXPECT_EQ(getValues(*root, "bg"), (std::vector<std::string>{"first", ""}));
    EXPECT_EQ(root->children[1]->children.size(), 1u);
    write("bom.xml", "\xEF\xBB\xBF<story><name>\xE6\x95\x85</name></story>");
    ASSERT_TRUE(loadTree(root, path("bom.xml")));
    EXPECT_EQ(getValue(*root, "name", 0), "\xE6\x95\x85");

    // A failed load leaves the slot as it was.
    const PropertyTree* kept = root.get();
    for (const char* text : {"", "<story><name>t</story>", "plain text", "<a x=\"1\" x=\"2\"/>"}) {
        write("bad.xml", text);
        EXPECT_FALSE(loadTree(root, path("bad.xml"))) << text;
    }
    EXPECT_FALSE(loadTree(root, path("missing.xml")));
    EXPECT_EQ(root.get(), kept);
    // A document with no element at all is an empty tree, not a failure.
    write("none.xml", "<?xml version=\"1.0\" ?><!-- only a comment -->");
    ASSERT_TRUE(loadTree(root, path("none.xml")));
    EXPECT_TRUE(root->name.empty() && root->children.empty());
}

// A GB 2312 lead byte such as 0xEE before the closing quote once failed the
// whole file, read as UTF-8.
TEST_F(XmlBinding, NarrowCodePageBytesSurviveARoundTrip)
{
    PropertyTree root("story", "");
    PropertyTree* c = root.addChild(std::make_unique<PropertyTree>("character", "\xC0\xEE\xCA\xAB"));
    c->setAttribute("name", "\xC0\xEE");
    c->setAttribute("desp", everyByte());
    std::unique_ptr<PropertyTree> loaded;
    ASSERT_TRUE(saveTree(root, path("gb.xml")) && loadTree(loaded, path("gb.xml")));
    EXPECT_EQ(loaded->children[0]->attributes, c->attributes);
    EXPECT_EQ(loaded->children[0]->value, c->value);
}

TEST_F(XmlBinding, AFailedSaveKeepsThePreviousFile)
{
    write("script.xml", "<story><name>old</name></story>");
    PropertyTree big("story", "");
    for (int i = 0; i < 5000; ++i)
        big.addChild(std::make_unique<PropertyTree>("bg", "//bg/picture" + std::to_string(i)));
    // The disk fills up half-way through the new file.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool savedOk = saveTree(big, path("script.xml"));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(savedOk);
    EXPECT_EQ(read("script.xml"), "<story><name>old</name></story>");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file stays";
    EXPECT_FALSE(saveTree(big, path("no-such-folder/script.xml")));
}

// Deeply nested documents are refused before TinyXML's recursive parser sees
// them, and the nesting scan reads markup the way TinyXML does.
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "document/xml_nesting.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string nested(int levels, const std::string& inner = "")
{
    std::string text;
    for (int i = 0; i < levels; ++i)
        text += "<a>";
    text += inner;
    for (int i = 0; i < levels; ++i)
        text += "</a>";
    return text;
}

int tinyXmlDepth(const TiXmlNode& node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, tinyXmlDepth(*child));
    return deepest + (node.ToElement() ? 1 : 0);
}

// Depth as TinyXML builds it (it keeps what it parsed before an error).
int parsedDepth(const std::string& text, bool utf8)
{
    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, utf8 ? TIXML_DEFAULT_ENCODING : TIXML_ENCODING_LEGACY);
    return tinyXmlDepth(document);
}

class XmlNesting : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = fs::temp_directory_path() / ("qs-nesting-" + std::to_string(::getpid()));
        fs::create_directories(dir / "mod");
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& text) const
    {
        const std::string file = (dir / "mod" / "script.xml").string();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    fs::path dir;
};

}  // namespace

TEST_F(XmlNesting, AHundredThousandLevelsFailCleanlyAndKeepTheLoadedTree)
{
    std::unique_ptr<PropertyTree> slot;
    ASSERT_TRUE(loadTree(slot, write("<story><name>kept</name></story>")));
    const PropertyTree* before = slot.get();

    EXPECT_FALSE(loadTree(slot, write(nested(100000))));
    EXPECT_EQ(slot.get(), before);
    EXPECT_FALSE(loadTree(slot, write("\xEF\xBB\xBF<?xml version=\"1.0\"?>" + nested(100000))));
    // Unclosed levels recurse just the same.
    EXPECT_FALSE(loadTree(slot, write(nested(100000).substr(0, 3 * 100000))));
    EXPECT_EQ(slot.get(), before);

    scriptRoot = dir.string() + "/";
    StoryScript script("mod");
    write(nested(100000));
    testing::internal::CaptureStdout();
    EXPECT_FALSE(script.load());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n");
    EXPECT_EQ(script.tree, nullptr);
}

TEST_F(XmlNesting, TheLimitIsInclusiveAndStoriesAreFarBelowIt)
{
    std::unique_ptr<PropertyTree> slot;
    EXPECT_TRUE(loadTree(slot, write(nested(kMaxXmlDepth))));
    EXPECT_FALSE(loadTree(slot, write(nested(kMaxXmlDepth + 1))));
    EXPECT_FALSE(loadTree(slot, write(nested(kMaxXmlDepth + 1).substr(0, 3 * (kMaxXmlDepth + 1)))));

    // Thousands of frames of empty-element tags stay four levels deep.
    std::string frames;
    for (int i = 0; i < 5000; ++i)
        frames += "<st><left character=\"0\" photo=\"0\"/><sound index='-1' /></st>\n";
    EXPECT_EQ(xmlNestingDepth("<story><scriptList>" + frames + "</scriptList></story>", false), 4);
}

TEST(XmlNestingScan, MarkupInsideTextCommentsAndValuesDoesNotCount)
{
    const std::string deep = nested(1000);
    EXPECT_EQ(xmlNestingDepth("<s><!--" + deep + "--></s>", false), 1);
    EXPECT_EQ(xmlNestingDepth("<s><![CDATA[" + deep + "]]></s>", false), 1);
    EXPECT_EQ(xmlNestingDepth("<s v=\"" + deep + "\" w='<b>'/>", false), 1);
    EXPECT_EQ(xmlNestingDepth("<?xml version=\"<a><a>\"?><!DOCTYPE s><s/>", false), 1);
    // Unknown markup ends at its first '>', where TinyXML stops reading.
    EXPECT_EQ(xmlNestingDepth("<!DOCTYPE <a>><s/>", false), parsedDepth("<!DOCTYPE <a>><s/>", false));
    EXPECT_EQ(xmlNestingDepth("<s>&lt;a&gt;&#60;a>;</s>", false), 1);
    // Text after the root element is not parsed.
    EXPECT_EQ(xmlNestingDepth("<s/>junk" + deep, false), 1);
}

TEST(XmlNestingScan, ClosingLookalikesDoNotHideLevels)
{
    // "/>" and "</a>" in values, comments and unknown markup close nothing.
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "<a v=\"/>\" w='</a>'><!-- </a> --><? </a> ?>";
    EXPECT_GE(xmlNestingDepth(text, false), 200);

    // In UTF-8 mode a lead byte takes the quote after it into the value, so
    // the tag goes on; read bytewise the quote would end the value early.
    const std::string bom = "\xEF\xBB\xBF";
    std::string utf8;
    for (int i = 0; i < 100; ++i)
        utf8 += "<a v=\"\xE4\"/>\"><b x=\"\xE4\">\">";
    EXPECT_GE(xmlNestingDepth(bom + utf8, true), parsedDepth(bom + utf8, true));
    EXPECT_GE(parsedDepth(bom + utf8, true), 100);
}

TEST(XmlNestingScan, NeverReportsLessThanTinyXmlReaches)
{
    const std::string bom = "\xEF\xBB\xBF";
    const std::string cases[] = {
        "<a><b><c/></b><d><e><f></f></e></d></a>",
        "<a x=1 y = '2'><b/>text<c>more</c></a>",
        "< a><b></a>",
        "<a><b v=\"&#34;\"><c v='&#x27;'><d/></c></b></a>",
        "<a><b>&#x3c;c<d/></b></a>",
        "<a><![CDATA[<x>]]><b><!--x--><c/></b></a>",
        "<a><b></b ><c></c\n><d><e/></d></a>",
        "<_a><\x80" "b><\xFF/></\x80" "b></_a>",
        "<a><b/ ><c x=\"1\"/></a>",
        "<a>\xE4<b><c/></b></a>",
    };
    for (const std::string& text : cases) {
        for (bool utf8 : {false, true}) {
            const std::string input = utf8 ? bom + text : text;
            EXPECT_GE(xmlNestingDepth(input, utf8), parsedDepth(input, utf8)) << input;
        }
    }
}

// Deeply nested documents are refused before TinyXML's recursive parser sees
// them, and the nesting scan reads markup the way TinyXML does.
#include "document/story_script.h"
#include "document/xml_binding.h"
#include "document/xml_nesting.h"
#include "tests/document/scratch_dir.h"

#include <gtest/gtest.h>

#include <tinyxml.h>

namespace {

std::string nested(int levels)
{
    std::string open, close;
    for (int i = 0; i < levels; ++i) open += "<a>", close += "</a>";
    return open + close;
}

int tinyXmlDepth(const TiXmlNode& node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling())
        deepest = std::max(deepest, tinyXmlDepth(*child));
    return deepest + (node.ToElement() ? 1 : 0);
}

} // namespace

TEST(XmlNesting, DeepFilesFailCleanlyAndKeepTheLoadedTree)
{
    ScratchDir dir;
    std::filesystem::create_directories(dir.dir / "mod");
    const std::string file = dir.path("mod/script.xml");
    std::unique_ptr<PropertyTree> slot;
    dir.write("mod/script.xml", nested(kMaxXmlDepth));
    ASSERT_TRUE(loadTree(slot, file));
    const PropertyTree* before = slot.get();
    for (const std::string& deep :
         {nested(kMaxXmlDepth + 1), nested(100000), "\xEF\xBB\xBF<?xml version=\"1.0\"?>" + nested(100000),
          nested(100000).substr(0, 3 * 100000)}) { // unclosed
        dir.write("mod/script.xml", deep);
        EXPECT_FALSE(loadTree(slot, file));
        EXPECT_EQ(slot.get(), before);
    }
    StoryScript script(dir.dir.string() + "/", "mod");
    testing::internal::CaptureStdout();
    EXPECT_FALSE(script.load());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Script.xml load failed...\n");
}

TEST(XmlNesting, OnlyElementsTinyXmlEntersCount)
{
    const std::string deep = nested(1000);
    EXPECT_EQ(xmlNestingDepth("<s><!--" + deep + "--><![CDATA[" + deep + "]]></s>", false), 1);
    EXPECT_EQ(xmlNestingDepth("<s v=\"" + deep + "\" w='<b>'/>", false), 1);
    EXPECT_EQ(xmlNestingDepth("<s/>junk" + deep, false), 1); // not parsed after the root

    // "/>" and "</a>" in values, comments and unknown markup close nothing.
    std::string text;
    for (int i = 0; i < 200; ++i) text += "<a v=\"/>\" w='</a>'><!-- </a> --><? </a> ?>";
    EXPECT_GE(xmlNestingDepth(text, false), 200);

    // In UTF-8 mode a lead byte takes the quote after it into the value, so
    // the tag goes on; read bytewise the quote would end the value early.
    std::string utf8 = "\xEF\xBB\xBF";
    for (int i = 0; i < 100; ++i) utf8 += "<a v=\"\xE4\"/>\"><b x=\"\xE4\">\">";
    TiXmlDocument document;
    document.Parse(utf8.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    EXPECT_GE(tinyXmlDepth(document), 100);
    EXPECT_GE(xmlNestingDepth(utf8, true), tinyXmlDepth(document));
}

#include "document/property_tree.h"

#include <gtest/gtest.h>

namespace {

PropertyTree* add(PropertyTree& parent, const char* name, const char* value = "")
{
    return parent.addChild(std::make_unique<PropertyTree>(name, value));
}

// root(story) with two characterLists and a bgList of three entries.
std::unique_ptr<PropertyTree> sample()
{
    auto root = std::make_unique<PropertyTree>("story", "");
    PropertyTree* first = add(*root, "characterList");
    add(*first, "character")->setAttribute("name", "amy");
    add(*first, "character")->setAttribute("name", "bob");
    add(*add(*root, "characterList"), "character")->setAttribute("name", "cat");
    PropertyTree* bgs = add(*root, "bgList");
    for (const char* bg : {"first.jpg", "two words.jpg", " 7 "})
        add(*bgs, "bg", bg);
    return root;
}

}  // namespace

TEST(PropertyTree, PathsSelectAcrossParentsInDocumentOrder)
{
    auto root = sample();
    EXPECT_EQ(getValues(*root, "characterList.character.@name"),
              (std::vector<std::string>{"amy", "bob", "cat"}));
    EXPECT_EQ(getValues(*root, "  bgList.bg \t"), getValues(*root, "bgList.bg"));
    EXPECT_EQ(getValues(*root, "bgList.bg"), (std::vector<std::string>{"first.jpg", "two", "7"}));
    EXPECT_EQ(getIntValues(*root, "bgList.bg")[2], 7);
    EXPECT_EQ(getValue(*root, "characterList.character.@name", 2), "cat");
    EXPECT_EQ(getValue(*root, "characterList.character.@name", 3), "");  // past the list

    // The root itself is never matched, and empty components match nothing.
    EXPECT_TRUE(getValues(*root, "story.bgList.bg").empty());
    EXPECT_TRUE(getValues(*root, "bgList..bg").empty());
    EXPECT_TRUE(getValues(*root, "nothing.here.@x").empty());
    EXPECT_EQ(selectNodes("bgList.bg", {root.get()}).size(), 3u);
}

TEST(TextConversions, BehaveLikeStreamInsertionAndExtraction)
{
    EXPECT_EQ(textOf(-1), "-1");
    EXPECT_EQ(textOf(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(wordOf(" \t\r\n\v\fword rest"), "word");
    EXPECT_EQ(wordOf("\xB0\xA1\xA0x y"), "\xB0\xA1\xA0x");  // high bytes are not blanks
    EXPECT_EQ(intOf("12abc"), 12);
    EXPECT_EQ(intOf(" -1"), -1);
    EXPECT_EQ(intOf("abc"), 0);
    EXPECT_EQ(intOf("99999999999999999999999"), 2147483647);

    int n = 42;
    for (const char* bad : {"x1", "-", "", "2147483648"})
        EXPECT_FALSE(parseInt(bad, n)) << bad;
    EXPECT_EQ(n, 42);
    EXPECT_TRUE(parseInt(" -2147483648", n));
    EXPECT_EQ(n, -2147483647 - 1);
}

// In-memory form of a story document: a tree of named nodes read through
// dotted paths such as "characterList.character.photo.@dir".
//
// Every value is text. Numbers pass through textOf / intOf, which behave like
// stream insertion and extraction; string values read back as their first
// white-space-delimited word (wordOf).
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct PropertyTree {
    std::vector<std::unique_ptr<PropertyTree>> children; // document order
    std::string name;
    std::string value;                             // element text, empty when none
    std::map<std::string, std::string> attributes; // sorted by name, byte-wise
    int line = 0;                                  // where the element starts in its file,
    int column = 0;                                // 1-based; 0 for nodes built in memory

    PropertyTree() = default;
    PropertyTree(std::string name, std::string value);
    PropertyTree(std::string name, std::string value, std::map<std::string, std::string> attributes);

    // Appends child (ignored when null) and returns it, so a writer can keep
    // building below it.
    PropertyTree* addChild(std::unique_ptr<PropertyTree> child);
    void setAttribute(const std::string& key, int value);
    void setAttribute(const std::string& key, const std::string& value);
};

using NodeList = std::vector<const PropertyTree*>;

// The nodes the path reaches from the start list: each "."-separated component
// selects the children of that name of every current node. The start nodes
// themselves are never matched. Blanks around the path are ignored; an empty
// component matches nothing. The result is borrowed: it dies with the tree.
NodeList selectNodes(const std::string& path, const NodeList& start);

// Texts at the path, one per selected node, each through wordOf. A path whose
// last component is "@name" addresses that attribute of the nodes before it.
// A node lacking the attribute contributes an empty text.
std::vector<std::string> getValues(const PropertyTree& root, const std::string& path);

// As getValues, but a node lacking the attribute contributes no value
// (std::nullopt), so a reader can tell "missing" from "empty".
std::vector<std::optional<std::string>> getOptionalValues(const PropertyTree& root, const std::string& path);

// Entry index of getValues; empty text when index is past the list.
std::string getValue(const PropertyTree& root, const std::string& path, std::size_t index);

// As getValues, each text through intOf.
std::vector<int> getIntValues(const PropertyTree& root, const std::string& path);

std::string textOf(int number);
std::string textOf(const std::string& text);

// First white-space-delimited word (space, \t, \n, \v, \f, \r; bytes >= 0x80
// are never white space). Empty for an empty or all-blank text.
std::string wordOf(const std::string& text);

// Leading blanks, optional sign, decimal digits up to the first other byte.
// 0 when no digit follows; clamped to the int range when too large.
int intOf(const std::string& text);

// As intOf, but false (out untouched) when no digit follows the sign or the
// number does not fit a 32-bit int.
bool parseInt(const std::string& text, int& out);

bool isBlank(char c);

#include "document/property_tree.h"

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/algorithm/string/trim.hpp>

#include <climits>
#include <cstdint>

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

PropertyTree::PropertyTree(std::string name_, std::string value_) : name(std::move(name_)), value(std::move(value_)) {}

PropertyTree::PropertyTree(std::string name_, std::string value_, std::map<std::string, std::string> attributes_)
    : name(std::move(name_)), value(std::move(value_)), attributes(std::move(attributes_))
{
}

PropertyTree* PropertyTree::addChild(std::unique_ptr<PropertyTree> child)
{
    if (!child) return nullptr;
    children.push_back(std::move(child));
    return children.back().get();
}

void PropertyTree::setAttribute(const std::string& key, int number)
{
    attributes[key] = textOf(number);
}

void PropertyTree::setAttribute(const std::string& key, const std::string& text)
{
    attributes[key] = textOf(text);
}

static std::string trimmed(const std::string& text)
{
    return boost::algorithm::trim_copy_if(text, isBlank);
}

NodeList selectNodes(const std::string& path, const NodeList& start)
{
    std::vector<std::string> components;
    boost::algorithm::split(components, trimmed(path), boost::algorithm::is_any_of("."));

    NodeList current = start;
    NodeList next;
    for (const std::string& component : components) {
        next.clear();
        if (!component.empty()) {
            for (const PropertyTree* node : current)
                for (const auto& child : node->children)
                    if (child->name == component) next.push_back(child.get());
        }
        current.swap(next);
    }
    return current;
}

// Splits "a.b.@key" into element path "a.b" and attribute "key"; false when
// the path names element texts.
static bool splitAttribute(const std::string& path, std::string& elementPath, std::string& key)
{
    const std::size_t at = path.rfind('@');
    if (at == std::string::npos) return false;
    // The byte before "@" is the "." that separates it from the element path.
    elementPath = at > 0 ? path.substr(0, at - 1) : std::string();
    key = path.substr(at + 1);
    return true;
}

std::vector<std::optional<std::string>> getOptionalValues(const PropertyTree& root, const std::string& path)
{
    const std::string clean = trimmed(path);
    std::vector<std::optional<std::string>> out;
    std::string elementPath, key;
    if (!splitAttribute(clean, elementPath, key)) {
        const NodeList nodes = selectNodes(clean, {&root});
        out.reserve(nodes.size());
        for (const PropertyTree* node : nodes) out.emplace_back(wordOf(node->value));
        return out;
    }
    const NodeList nodes = selectNodes(elementPath, {&root});
    out.reserve(nodes.size());
    for (const PropertyTree* node : nodes) {
        auto it = node->attributes.find(key);
        if (it == node->attributes.end())
            out.emplace_back(std::nullopt);
        else
            out.emplace_back(wordOf(it->second));
    }
    return out;
}

std::vector<std::string> getValues(const PropertyTree& root, const std::string& path)
{
    std::vector<std::string> out;
    auto values = getOptionalValues(root, path);
    out.reserve(values.size());
    for (auto& value : values) out.push_back(value ? std::move(*value) : std::string());
    return out;
}

std::string getValue(const PropertyTree& root, const std::string& path, std::size_t index)
{
    std::vector<std::string> values = getValues(root, path);
    return index < values.size() ? values[index] : std::string();
}

std::vector<int> getIntValues(const PropertyTree& root, const std::string& path)
{
    std::vector<int> out;
    for (const std::string& text : getValues(root, path)) out.push_back(intOf(text));
    return out;
}

std::string textOf(int number)
{
    return std::to_string(number);
}

std::string textOf(const std::string& text)
{
    return text;
}

std::string wordOf(const std::string& text)
{
    std::size_t begin = 0;
    while (begin < text.size() && isBlank(text[begin])) ++begin;
    std::size_t end = begin;
    while (end < text.size() && !isBlank(text[end])) ++end;
    return text.substr(begin, end - begin);
}

// Reads blanks, sign and digits; returns false when no digit follows.
// Saturates the magnitude so that huge digit runs cannot overflow.
static bool scanInt(const std::string& text, std::int64_t& value)
{
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (magnitude <= INT64_C(1) << 40) magnitude = magnitude * 10 + (text[i] - '0');
    }
    if (i == firstDigit) return false;
    value = negative ? -magnitude : magnitude;
    return true;
}

int intOf(const std::string& text)
{
    std::int64_t value = 0;
    if (!scanInt(text, value)) return 0;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

bool parseInt(const std::string& text, int& out)
{
    std::int64_t value = 0;
    if (!scanInt(text, value) || value > INT_MAX || value < INT_MIN) return false;
    out = static_cast<int>(value);
    return true;
}

#include "document/xml_binding.h"

#include "document/safe_file.h"
#include "document/story_folder.h"
#include "document/xml_nesting.h"

#include <tinyxml.h>


namespace {

void treeFromElement(PropertyTree& node, const TiXmlElement& element)
{
    node.name = element.ValueStr();
    node.line = element.Row();
    node.column = element.Column();
    const TiXmlNode* first = element.FirstChild();
    if (first && first->ToText())
        node.value = first->ValueStr();
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
        node.attributes[a->NameTStr()] = a->ValueStr();
    for (const TiXmlElement* child = element.FirstChildElement(); child;
         child = child->NextSiblingElement()) {
        auto childNode = std::make_unique<PropertyTree>();
        treeFromElement(*childNode, *child);
        node.addChild(std::move(childNode));
    }
}

void elementFromTree(const PropertyTree& node, TiXmlElement& element)
{
    element.SetValue(node.name);
    for (const auto& [key, text] : node.attributes)
        element.SetAttribute(key, text);
    // Element texts are single words once saved; blanks alone vanish.
    const std::string word = wordOf(node.value);
    if (!word.empty())
        element.LinkEndChild(new TiXmlText(word));
    for (const auto& child : node.children) {
        auto* childElement = new TiXmlElement("");
        elementFromTree(*child, *childElement);
        element.LinkEndChild(childElement);
    }
}

// Story text is bytes of the narrow code page (GB 2312 names and
// descriptions). Read as UTF-8, a lead byte such as 0xEE swallows the quote
// after it and the file no longer parses, so only a file that marks itself
// with a UTF-8 byte-order mark is read as UTF-8.
TiXmlEncoding encodingOf(const std::string& text)
{
    const bool bom = text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
                     static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF;
    return bom ? TIXML_DEFAULT_ENCODING : TIXML_ENCODING_LEGACY;
}

bool parseTree(std::unique_ptr<PropertyTree>& slot, const std::string& text, XmlLoadError* error)
{
    TiXmlDocument document;
    document.SetTabSize(1);  // columns count bytes, as editors and compilers do
    document.Parse(text.c_str(), nullptr, encodingOf(text));
    if (document.Error()) {
        if (error)
            *error = {document.ErrorDesc() ? document.ErrorDesc() : "not XML", document.ErrorRow(),
                      document.ErrorCol()};
        return false;
    }
    auto root = std::make_unique<PropertyTree>();
    if (const TiXmlElement* element = document.RootElement())
        treeFromElement(*root, *element);
    slot = std::move(root);
    return true;
}

}  // namespace

bool loadTree(std::unique_ptr<PropertyTree>& slot, const std::string& file)
{
    // Read and measured before parsing: TinyXML recurses once per level.
    std::string text;
    if (!readXmlText(toFsPath(file), text))
        return false;
    return parseTree(slot, text, nullptr);
}

bool loadTreeFromBytes(std::unique_ptr<PropertyTree>& slot, const std::string& bytes, XmlLoadError* error)
{
    std::string text;
    if (!xmlTextOf(bytes, text)) {
        if (error)
            *error = {"elements nested more than " + std::to_string(kMaxXmlDepth) + " deep", 0, 0};
        return false;
    }
    return parseTree(slot, text, error);
}

bool saveTree(const PropertyTree& root, const std::string& file)
{
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    auto* element = new TiXmlElement("");
    elementFromTree(root, *element);
    document.LinkEndChild(element);

    return replaceFile(toFsPath(file), [&](std::FILE* out) { return document.SaveFile(out); });
}

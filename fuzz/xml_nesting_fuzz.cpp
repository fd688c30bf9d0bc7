// The nesting scan that guards the XML parser must never report less depth
// than TinyXML really reaches. TinyXML keeps the elements it parsed even when
// it stops at an error, so its tree shows the deepest level it entered.
#include "fuzz/fuzz_file.h"

#include "document/xml_nesting.h"

#include <tinyxml.h>

#include <string>

namespace {

int depthOf(const TiXmlNode& node)
{
    int deepest = 0;
    for (const TiXmlNode* child = node.FirstChild(); child; child = child->NextSibling()) {
        const int d = depthOf(*child);
        if (d > deepest) deepest = d;
    }
    return deepest + (node.ToElement() ? 1 : 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    const std::string file = folder.write("scan.xml", data, size);
    std::string text;
    if (!readXmlText(file, text)) return 0; // refused or unreadable: TinyXML never sees it
    const bool utf8 = text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    const int scanned = xmlNestingDepth(text, utf8);

    TiXmlDocument document;
    document.Parse(text.c_str(), nullptr, utf8 ? TIXML_DEFAULT_ENCODING : TIXML_ENCODING_LEGACY);
    if (depthOf(document) > scanned) {
        std::fprintf(stderr, "scan %d, TinyXML %d\n", scanned, depthOf(document));
        fuzzFailure("the nesting scan reported less depth than TinyXML reached");
    }
    return 0;
}

#include "document/xml_binding.h"

#include "document/safe_file.h"
#include "document/story_folder.h"
#include "document/xml_nesting.h"

#include <tinyxml.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string_view>

#include <unistd.h>

namespace {

void treeFromElement(PropertyTree& node, const TiXmlElement& element)
{
    node.name = element.ValueStr();
    node.line = element.Row();
    node.column = element.Column();
    const TiXmlNode* first = element.FirstChild();
    if (first && first->ToText()) node.value = first->ValueStr();
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
        node.attributes[a->NameTStr()] = a->ValueStr();
    for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement()) {
        auto childNode = std::make_unique<PropertyTree>();
        treeFromElement(*childNode, *child);
        node.addChild(std::move(childNode));
    }
}

void elementFromTree(const PropertyTree& node, TiXmlElement& element)
{
    element.SetValue(node.name);
    for (const auto& [key, text] : node.attributes) element.SetAttribute(key, text);
    // Element texts are single words once saved; blanks alone vanish.
    const std::string word = wordOf(node.value);
    if (!word.empty()) element.LinkEndChild(new TiXmlText(word));
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
    document.SetTabSize(1); // columns count bytes, as editors and compilers do
    document.Parse(text.c_str(), nullptr, encodingOf(text));
    if (document.Error()) {
        if (error)
            *error = {document.ErrorDesc() ? document.ErrorDesc() : "not XML", document.ErrorRow(),
                      document.ErrorCol()};
        return false;
    }
    auto root = std::make_unique<PropertyTree>();
    if (const TiXmlElement* element = document.RootElement()) treeFromElement(*root, *element);
    slot = std::move(root);
    return true;
}

// The text of a file as TinyXML's file loader would hand it over (see
// xmlTextOf: it ends at the first zero byte, line ends become LF), read a
// piece at a time.
class TextWindow {
public:
    explicit TextWindow(int fd) : fd_(fd) {}
    ~TextWindow() { ::close(fd_); }
    TextWindow(const TextWindow&) = delete;
    TextWindow& operator=(const TextWindow&) = delete;

    // Makes at least n bytes visible after the cursor, or all that is left.
    // Moves the text: pointers taken before are stale.
    void need(std::size_t n)
    {
        if (available() >= n || ended_) return;
        text_.erase(0, pos_);
        pos_ = 0;
        char chunk[65536];
        while (available() < n && !ended_) {
            const ssize_t got = ::read(fd_, chunk, sizeof chunk);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0 || (rawBytes_ += static_cast<std::size_t>(got)) > kMaxScriptBytes) {
                failed_ = got != 0;
                ended_ = true;
                break;
            }
            for (ssize_t i = 0; i < got; ++i) {
                const char c = chunk[i];
                if (c == '\0') {
                    ended_ = true;
                    break;
                }
                if (c == '\n' && lastWasCr_) {
                    lastWasCr_ = false;
                    continue;
                }
                lastWasCr_ = c == '\r';
                text_ += lastWasCr_ ? '\n' : c;
            }
        }
    }
    std::size_t available() const { return text_.size() - pos_; }
    bool atEnd()
    {
        need(1);
        return available() == 0;
    }
    char peek(std::size_t i = 0)
    {
        need(i + 1);
        return i < available() ? text_[pos_ + i] : '\0';
    }
    char* cursor() { return text_.data() + pos_; } // zero-terminated
    void advance(std::size_t n) { pos_ += n; }
    bool failed() const { return failed_; }

private:
    int fd_;
    std::string text_;
    std::size_t pos_ = 0;
    std::size_t rawBytes_ = 0;
    bool ended_ = false;
    bool failed_ = false;
    bool lastWasCr_ = false;
};

// The largest piece TinyXML parses at once. It recurses once per element
// level, so the piece also bounds how deep it can go before the nesting is
// measured: about 11,000 levels at most, well within a thread's stack.
constexpr std::size_t kPieceBytes = 32 * 1024;

// Reads the usual shape of a document piecewise: an optional declaration,
// one root element whose start tag has only quoted attributes, and between
// the elements of the root and of the streamed lists nothing but blanks.
// Each element below them is parsed by TinyXML on its own, and the glue
// between follows TinyXML's reading of it. Anything else makes run() false,
// and the whole-file reading decides.
class PiecewiseLoad {
public:
    PiecewiseLoad(TextWindow& window, const std::string& listName, TreeSink& sink)
        : w_(window), listName_(listName), sink_(sink)
    {
    }

    bool run(PropertyTree& root)
    {
        if (w_.peek(0) == '\xEF' && w_.peek(1) == '\xBB' && w_.peek(2) == '\xBF') return false; // UTF-8 mode
        skipBlanks();
        if (startsWith("<?xml", true)) {
            TiXmlDeclaration declaration;
            if (!parsePiece(declaration, 0)) return false;
            skipBlanks();
        }
        std::string rootName;
        if (!startTag(root, rootName)) return false;
        for (;;) {
            if (!nextChild()) return false;
            if (w_.peek(1) == '/') break;
            if (peekName() == listName_) {
                if (!list(root)) return false;
            } else {
                auto child = std::make_unique<PropertyTree>();
                if (!element(*child, 1)) return false;
                root.addChild(std::move(child));
            }
        }
        if (!endTag(rootName)) return false;
        skipBlanks();
        return w_.atEnd() && !w_.failed();
    }

private:
    static bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '\n' || c == '\r'; }
    // TinyXML's letters: every byte from 127 up is one.
    static bool nameStart(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return b >= 127 || std::isalpha(b) || c == '_';
    }
    static bool nameChar(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return b >= 127 || std::isalnum(b) || c == '_' || c == '-' || c == '.' || c == ':';
    }

    void skipBlanks()
    {
        while (!w_.atEnd() && isBlank(w_.peek())) w_.advance(1);
    }

    bool startsWith(const char* tag, bool ignoreCase)
    {
        for (std::size_t i = 0; tag[i]; ++i) {
            const char c = w_.peek(i);
            if (ignoreCase ? std::tolower(static_cast<unsigned char>(c)) != tag[i] : c != tag[i]) return false;
        }
        return true;
    }

    // After blanks: true at an element's start or an end tag ("</").
    bool nextChild()
    {
        skipBlanks();
        return w_.peek() == '<' && (w_.peek(1) == '/' || nameStart(w_.peek(1)));
    }

    std::string peekName()
    {
        std::string name;
        for (std::size_t i = 1; nameChar(w_.peek(i)); ++i) name += w_.peek(i);
        return name;
    }

    // TinyXML's parse of node on the piece at the cursor; on success the
    // cursor moves past it. depthAbove: elements around the piece.
    bool parsePiece(TiXmlNode& node, int depthAbove)
    {
        w_.need(kPieceBytes);
        const std::size_t span = std::min(w_.available(), kPieceBytes);
        char* text = w_.cursor();
        const char kept = text[span];
        text[span] = '\0';
        const char* end = node.Parse(text, nullptr, TIXML_ENCODING_LEGACY);
        text[span] = kept;
        if (!end) return false;
        const auto length = static_cast<std::size_t>(end - text);
        if (depthAbove + xmlNestingDepth(std::string_view(text, length), false) > kMaxXmlDepth) return false;
        w_.advance(length);
        return true;
    }

    bool element(PropertyTree& node, int depthAbove)
    {
        TiXmlElement element("");
        if (!parsePiece(element, depthAbove)) return false;
        treeFromElement(node, element);
        return true;
    }

    // A start tag <name a="v" b='w'> at the cursor into node (name and
    // attributes); the cursor moves past it.
    bool startTag(PropertyTree& node, std::string& name)
    {
        w_.need(kPieceBytes);
        const char* p = w_.cursor();
        const char* end = p + std::min(w_.available(), kPieceBytes);
        auto at = [&](const char* q) { return q < end ? *q : '\0'; };
        if (at(p) != '<' || !nameStart(at(p + 1))) return false;
        const char* q = p + 1;
        while (nameChar(at(q))) ++q;
        name.assign(p + 1, q);
        for (;;) {
            const char* blanks = q;
            while (isBlank(at(q))) ++q;
            if (at(q) == '>') break;
            if (q == blanks || !nameStart(at(q))) return false;
            while (nameChar(at(q))) ++q;
            while (isBlank(at(q))) ++q;
            if (at(q) != '=') return false;
            ++q;
            while (isBlank(at(q))) ++q;
            const char quote = at(q);
            if (quote != '"' && quote != '\'') return false;
            const void* close = std::memchr(q + 1, quote, static_cast<std::size_t>(end - q - 1));
            if (!close) return false;
            q = static_cast<const char*>(close) + 1;
        }
        // TinyXML reads the tag, closed at once, exactly as it would in place.
        const std::size_t length = static_cast<std::size_t>(q + 1 - p);
        const std::string probe = std::string(p, length) + "</" + name + ">";
        TiXmlElement element("");
        const char* stop = element.Parse(probe.c_str(), nullptr, TIXML_ENCODING_LEGACY);
        if (!stop || *stop != '\0' || element.ValueStr() != name) return false;
        node.name = name;
        for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
            node.attributes[a->NameTStr()] = a->ValueStr();
        w_.advance(length);
        return true;
    }

    // "</name", blanks, ">", as TinyXML ends an element.
    bool endTag(const std::string& name)
    {
        if (!startsWith(("</" + name).c_str(), false)) return false;
        w_.advance(name.size() + 2);
        skipBlanks();
        if (w_.peek() != '>') return false;
        w_.advance(1);
        return true;
    }

    bool list(PropertyTree& root)
    {
        auto node = std::make_unique<PropertyTree>();
        std::string name;
        if (!startTag(*node, name)) return false;
        root.addChild(std::move(node));
        for (;;) {
            if (!nextChild()) return false;
            if (w_.peek(1) == '/') break;
            PropertyTree child;
            if (!element(child, 2)) return false;
            sink_.child(child);
        }
        return endTag(name);
    }

    TextWindow& w_;
    const std::string& listName_;
    TreeSink& sink_;
};

} // namespace

bool loadTreeStreaming(std::unique_ptr<PropertyTree>& slot, const std::string& file, const std::string& listName,
                       TreeSink& sink)
{
    if (const int fd = openRegularFile(toFsPath(file)); fd >= 0) {
        TextWindow window(fd);
        auto root = std::make_unique<PropertyTree>();
        if (PiecewiseLoad(window, listName, sink).run(*root)) {
            slot = std::move(root);
            return true;
        }
    }
    // Whatever the pieces do not cover (a byte-order mark, comments, text,
    // other markup, a piece too large, a fault) the whole file decides.
    sink.restart();
    std::unique_ptr<PropertyTree> whole;
    if (!loadTree(whole, file)) return false;
    for (const auto& list : whole->children) {
        if (list->name != listName) continue;
        for (const auto& child : list->children) sink.child(*child);
        list->children.clear();
    }
    slot = std::move(whole);
    return true;
}

bool loadTree(std::unique_ptr<PropertyTree>& slot, const std::string& file)
{
    // Read and measured before parsing: TinyXML recurses once per level.
    std::string text;
    if (!readXmlText(toFsPath(file), text)) return false;
    return parseTree(slot, text, nullptr);
}

bool loadTreeFromBytes(std::unique_ptr<PropertyTree>& slot, const std::string& bytes, XmlLoadError* error)
{
    std::string text;
    if (!xmlTextOf(bytes, text)) {
        if (error) *error = {"elements nested more than " + std::to_string(kMaxXmlDepth) + " deep", 0, 0};
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

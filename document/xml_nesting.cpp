#include "document/xml_nesting.h"

#include "document/safe_file.h"

#include <tinyxml.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

// A non-recursive reading of the text along TinyXML's own grammar. Wherever
// TinyXML would stop with an error the scan may stop too, since nothing after
// that point is parsed; where the scan is unsure it reads on, which can only
// raise the depth it reports.
class NestingScan {
public:
    NestingScan(std::string_view text, bool utf8)
        : p_(text.data()), end_(text.data() + text.size()), utf8_(utf8)
    {
        // The parser sees a C string: the first zero byte ends it.
        const void* zero = std::memchr(p_, 0, text.size());
        if (zero)
            end_ = static_cast<const char*>(zero);
    }

    int run()
    {
        skipBlanks();
        while (more() && *p_ == '<') {
            if (!node())
                break;
            skipBlanks();
        }
        return maxDepth_;
    }

private:
    bool more() const { return p_ < end_; }
    char at(std::ptrdiff_t i) const { return p_ + i < end_ ? p_[i] : '\0'; }

    static bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
    // Every byte from 127 up is a letter to TinyXML.
    static bool isAlpha(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return b >= 127 || std::isalpha(b);
    }
    static bool isAlphaNum(char c)
    {
        const auto b = static_cast<unsigned char>(c);
        return b >= 127 || std::isalnum(b);
    }
    static bool isDigit(char c, bool hex)
    {
        return (c >= '0' && c <= '9') || (hex && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')));
    }
    int lower(char c) const
    {
        const int v = c;
        return (utf8_ && v >= 128) ? v : std::tolower(v);
    }

    bool startsWith(const char* tag, bool ignoreCase = false) const
    {
        const char* q = p_;
        for (; *tag; ++tag, ++q) {
            if (q >= end_)
                return false;
            if (ignoreCase ? lower(*q) != lower(*tag) : *q != *tag)
                return false;
        }
        return true;
    }

    void skipBlanks()
    {
        while (more()) {
            if (utf8_ && static_cast<unsigned char>(at(0)) == 0xEF) {
                const auto b1 = static_cast<unsigned char>(at(1));
                const auto b2 = static_cast<unsigned char>(at(2));
                if ((b1 == 0xBB && b2 == 0xBF) || (b1 == 0xBF && (b2 == 0xBE || b2 == 0xBF))) {
                    p_ += 3;
                    continue;
                }
            }
            if (!isBlank(*p_))
                return;
            ++p_;
        }
    }

    bool readName()
    {
        if (!more() || !(isAlpha(*p_) || *p_ == '_'))
            return false;
        while (more() && (isAlphaNum(*p_) || *p_ == '_' || *p_ == '-' || *p_ == '.' || *p_ == ':'))
            ++p_;
        return true;
    }

    // One character of text: an entity or, in UTF-8 mode, a whole sequence.
    bool stepChar()
    {
        const int length = utf8_ ? TiXmlBase::utf8ByteTable[static_cast<unsigned char>(*p_)] : 1;
        if (length == 0)
            return false;
        if (length > 1) {
            // TinyXML steps the whole length even past the end; the padding
            // of readXmlText keeps that inside the buffer.
            p_ = end_ - p_ > length ? p_ + length : end_;
            return true;
        }
        if (*p_ == '&' && at(1) == '#' && at(2) != '\0') {
            const bool hex = at(2) == 'x';
            if (hex && at(3) == '\0')
                return false;
            const char* q = p_ + (hex ? 3 : 2);
            while (q < end_ && *q != ';')
                ++q;
            if (q >= end_)
                return false;
            for (const char* d = q - 1; *d != (hex ? 'x' : '#'); --d)
                if (!isDigit(*d, hex))
                    return false;
            p_ = q + 1;
            return true;
        }
        ++p_;  // named entities hold no markup; stepping bytewise is the same
        return true;
    }

    // Text up to endTag, which is skipped; false at the end of the text.
    bool readText(const char* endTag)
    {
        while (more() && !startsWith(endTag))
            if (!stepChar())
                return false;
        if (!more())
            return false;
        p_ += std::strlen(endTag);
        return more();
    }

    // From the byte after '='.
    bool attributeValue()
    {
        skipBlanks();
        if (!more())
            return false;
        if (*p_ == '\'' || *p_ == '"') {
            const char quote[2] = {*p_, '\0'};
            ++p_;
            return readText(quote);
        }
        while (more() && !isBlank(*p_) && *p_ != '/' && *p_ != '>') {
            if (*p_ == '\'' || *p_ == '"')
                return false;
            ++p_;
        }
        return true;
    }

    bool attribute()
    {
        skipBlanks();
        if (!readName() || !more())
            return false;
        skipBlanks();
        if (!more() || *p_ != '=')
            return false;
        ++p_;
        return attributeValue();
    }

    bool declaration()
    {
        p_ += 5;
        while (more()) {
            if (*p_ == '>') {
                ++p_;
                return true;
            }
            skipBlanks();
            if (!more())
                return false;
            if (startsWith("version", true) || startsWith("encoding", true) || startsWith("standalone", true)) {
                if (!attribute())
                    return false;
            } else {
                while (more() && *p_ != '>' && !isBlank(*p_))
                    ++p_;
            }
        }
        return false;
    }

    void skipPast(const char* endTag)
    {
        while (more() && !startsWith(endTag))
            ++p_;
        if (more())
            p_ += std::strlen(endTag);
    }

    // One node that is not an element, starting at its '<'.
    bool otherNode()
    {
        if (startsWith("<?xml", true))
            return declaration();
        if (startsWith("<!--")) {
            p_ += 4;
            skipPast("-->");
            return true;
        }
        if (startsWith("<![CDATA[")) {
            p_ += 9;
            while (more() && !startsWith("]]>"))
                ++p_;
            return readText("]]>");
        }
        ++p_;  // declarations of other kinds and unknown markup end at '>'
        while (more() && *p_ != '>')
            ++p_;
        if (more())
            ++p_;
        return true;
    }

    // TinyXML's node identification at a '<'.
    bool isElementStart() const
    {
        return !startsWith("<?xml", true) && !startsWith("<!") && (isAlpha(at(1)) || at(1) == '_');
    }

    bool node()
    {
        return isElementStart() ? element() : otherNode();
    }

    // A start tag at its '<'; open tells whether content follows.
    bool startTag(bool& open)
    {
        ++depth_;
        if (depth_ > maxDepth_)
            maxDepth_ = depth_;
        ++p_;
        skipBlanks();
        if (!readName() || !more())
            return false;
        for (;;) {
            skipBlanks();
            if (!more())
                return false;
            if (*p_ == '/') {
                ++p_;
                if (!more() || *p_ != '>')
                    return false;
                ++p_;
                --depth_;
                open = false;
                return true;
            }
            if (*p_ == '>') {
                ++p_;
                open = true;
                return true;
            }
            if (!attribute() || !more())
                return false;
        }
    }

    enum class Stop { Child, EndTag, Fail };

    // Content of the innermost open element up to its end tag or a child element.
    Stop content()
    {
        skipBlanks();
        while (more()) {
            if (*p_ != '<') {
                if (!readText("<"))
                    return Stop::Fail;
                --p_;  // the '<' belongs to what follows
            } else if (startsWith("</")) {
                return Stop::EndTag;
            } else if (isElementStart()) {
                return Stop::Child;
            } else if (!otherNode()) {
                return Stop::Fail;
            }
            skipBlanks();
        }
        return Stop::Fail;
    }

    // "</" name blanks ">"; a name other than the element's fails in TinyXML,
    // after which nothing is parsed, so the name itself need not be compared.
    bool endTag()
    {
        p_ += 2;
        if (!readName())
            return false;
        skipBlanks();
        if (!more() || *p_ != '>')
            return false;
        ++p_;
        --depth_;
        return true;
    }

    // An element and everything inside it, without recursion: depth_ counts
    // the open elements.
    bool element()
    {
        const int base = depth_;
        do {
            bool open = false;
            if (!startTag(open))
                return false;
            while (depth_ > base) {
                const Stop stop = content();
                if (stop == Stop::Fail)
                    return false;
                if (stop == Stop::Child)
                    break;
                if (!endTag())
                    return false;
            }
        } while (depth_ > base);
        return true;
    }

    const char* p_;
    const char* end_;
    bool utf8_;
    int depth_ = 0;
    int maxDepth_ = 0;
};

}  // namespace

int xmlNestingDepth(std::string_view text, bool utf8)
{
    return NestingScan(text, utf8).run();
}

bool readXmlText(const std::string& file, std::string& text)
{
    // Only a regular file of bounded size: a FIFO would block for good, a
    // device or a huge sparse file would fill the memory.
    std::string raw;
    if (!readRegularFile(file, kMaxScriptBytes, raw))
        return false;
    return xmlTextOf(raw, text);
}

bool xmlTextOf(const std::string& raw, std::string& text)
{
    std::string out;
    out.reserve(raw.size() + 3);
    for (std::size_t i = 0; i < raw.size() && raw[i] != '\0'; ++i) {
        if (raw[i] == '\r') {
            out += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n')
                ++i;
        } else {
            out += raw[i];
        }
    }
    const bool utf8 = out.size() >= 3 && static_cast<unsigned char>(out[0]) == 0xEF &&
                      static_cast<unsigned char>(out[1]) == 0xBB &&
                      static_cast<unsigned char>(out[2]) == 0xBF;
    if (xmlNestingDepth(out, utf8) > kMaxXmlDepth)
        return false;
    out.append(3, '\0');
    text = std::move(out);
    return true;
}

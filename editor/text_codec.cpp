#include "editor/text_codec.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

#include <iconv.h>

namespace quillforge {
namespace {

constexpr const char* kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The 24 private-use characters whose two-byte codes now name standard
// characters, with the four-byte codes GB18030-2022 gives them (the former
// codes of those standard characters).
struct PrivateUseCode {
    char32_t character;
    const char* code;
};
constexpr std::array<PrivateUseCode, 24> kPrivateUse = {{
    {0xE78D, "\x84\x31\x82\x36"}, {0xE78E, "\x84\x31\x82\x38"}, {0xE78F, "\x84\x31\x82\x37"},
    {0xE790, "\x84\x31\x82\x39"}, {0xE791, "\x84\x31\x83\x30"}, {0xE792, "\x84\x31\x83\x31"},
    {0xE793, "\x84\x31\x83\x32"}, {0xE794, "\x84\x31\x83\x33"}, {0xE795, "\x84\x31\x83\x34"},
    {0xE796, "\x84\x31\x83\x35"}, {0xE816, "\x95\x32\x90\x31"}, {0xE817, "\x95\x32\x90\x33"},
    {0xE818, "\x95\x32\x97\x30"}, {0xE81E, "\x82\x35\x90\x37"}, {0xE826, "\x82\x35\x90\x38"},
    {0xE82B, "\x82\x35\x90\x39"}, {0xE82C, "\x82\x35\x91\x30"}, {0xE831, "\x95\x36\xB9\x37"},
    {0xE832, "\x82\x35\x91\x31"}, {0xE83B, "\x96\x30\xBA\x35"}, {0xE843, "\x82\x35\x91\x32"},
    {0xE854, "\x82\x35\x91\x33"}, {0xE855, "\x96\x35\xB6\x30"}, {0xE864, "\x82\x35\x91\x34"},
}};

std::string utf8Of(char32_t c)
{
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | (c >> 6));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | (c >> 12));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | (c >> 18));
        s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

bool between(unsigned char b, int low, int high)
{
    return b >= low && b <= high;
}

// Length of the GB18030 character at text[at]: 1, 2 or 4 when the bytes have
// a character's shape, 0 when they start none.
std::size_t gbLength(const std::string& text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const std::size_t left = text.size() - at;
    if (byte(0) < 0x80) return 1;
    if (!between(byte(0), 0x81, 0xFE) || left < 2) return 0;
    if (between(byte(1), 0x40, 0x7E) || between(byte(1), 0x80, 0xFE)) return 2;
    if (between(byte(1), 0x30, 0x39) && left >= 4 && between(byte(2), 0x81, 0xFE) && between(byte(3), 0x30, 0x39))
        return 4;
    return 0;
}

// Length of the UTF-8 sequence at text[at] and its character; 0 when invalid.
std::size_t utf8Length(const std::string& text, std::size_t at, char32_t& c)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const std::size_t left = text.size() - at;
    const unsigned char b0 = byte(0);
    std::size_t n = b0 < 0x80 ? 1 : b0 >= 0xC2 && b0 <= 0xDF ? 2 : b0 >= 0xE0 && b0 <= 0xEF ? 3
                              : b0 >= 0xF0 && b0 <= 0xF4 ? 4 : 0;
    if (n == 0 || left < n) return 0;
    c = n == 1 ? b0 : b0 & (0x7F >> n);
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[n] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

// One iconv conversion, opened once per text.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts one whole character; false when iconv has no mapping for it.
    bool one(const char* in, std::size_t size, std::string& out)
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char buffer[16];
        char* inPtr = const_cast<char*>(in);
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        if (iconv(cd_, &inPtr, &size, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || size != 0) return false;
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        return true;
    }

private:
    iconv_t cd_;
};

// The stored text as characters: each one's bytes and what it shows as.
struct Piece {
    std::size_t at, size;
    std::string shown;
};

std::vector<Piece> piecesOf(const std::string& gb)
{
    std::vector<Piece> pieces;
    Converter toUtf8("UTF-8", "GB18030");
    for (std::size_t at = 0; at < gb.size();) {
        std::size_t n = gbLength(gb, at);
        std::string shown;
        if (n == 4) {
            for (const PrivateUseCode& p : kPrivateUse)
                if (std::memcmp(gb.data() + at, p.code, 4) == 0) shown = utf8Of(p.character);
        }
        if (n == 0) {
            n = 1;
            shown = kReplacement;
        } else if (shown.empty() && !(toUtf8.ok() && toUtf8.one(gb.data() + at, n, shown))) {
            shown = kReplacement;
        }
        pieces.push_back(Piece{at, n, std::move(shown)});
        at += n;
    }
    return pieces;
}

// Converts utf8 to GB18030 into out; skipUnstorable leaves out what has no
// code instead of failing.
bool toGb(const std::string& utf8, std::string& out, bool skipUnstorable)
{
    Converter toGb18030("GB18030", "UTF-8");
    for (std::size_t at = 0; at < utf8.size();) {
        char32_t c = 0;
        const std::size_t n = utf8Length(utf8, at, c);
        if (n == 0) {
            if (!skipUnstorable) return false;
            ++at;
            continue;
        }
        bool stored = false;
        for (const PrivateUseCode& p : kPrivateUse) {
            if (p.character == c) {
                out.append(p.code, 4);
                stored = true;
            }
        }
        if (!stored) stored = toGb18030.ok() && toGb18030.one(utf8.data() + at, n, out);
        if (!stored && !skipUnstorable) return false;
        at += n;
    }
    return true;
}

} // namespace

std::string gbToUtf8(const std::string& gb)
{
    std::string out;
    for (const Piece& piece : piecesOf(gb)) out += piece.shown;
    return out;
}

bool utf8ToGb(const std::string& utf8, std::string& gb)
{
    std::string out;
    if (!toGb(utf8, out, false)) return false;
    gb = std::move(out);
    return true;
}

std::string utf8ToGb(const std::string& utf8)
{
    std::string out;
    toGb(utf8, out, true);
    return out;
}

bool gbAfterEdit(const std::string& stored, const std::string& shown, std::string& out)
{
    const std::vector<Piece> pieces = piecesOf(stored);
    // Characters kept at the start, then at the end (never overlapping).
    std::size_t first = 0, from = 0;
    while (first < pieces.size() && shown.compare(from, pieces[first].shown.size(), pieces[first].shown) == 0) {
        from += pieces[first].shown.size();
        ++first;
    }
    std::size_t last = pieces.size(), to = shown.size();
    while (last > first && to - from >= pieces[last - 1].shown.size() &&
           shown.compare(to - pieces[last - 1].shown.size(), pieces[last - 1].shown.size(), pieces[last - 1].shown) ==
               0) {
        to -= pieces[last - 1].shown.size();
        --last;
    }
    // A kept byte that starts no character could join the new text next to
    // it into one; then that piece is converted with the rest.
    for (;;) {
        std::string middle;
        if (!toGb(shown.substr(from, to - from), middle, false)) return false;
        const std::size_t headEnd = first == 0 ? 0 : pieces[first - 1].at + pieces[first - 1].size;
        const std::size_t tailStart = last == pieces.size() ? stored.size() : pieces[last].at;
        std::string result = stored.substr(0, headEnd) + middle + stored.substr(tailStart);
        if (gbToUtf8(result) == shown || (first == 0 && last == pieces.size())) {
            out = std::move(result);
            return true;
        }
        if (first > 0) from -= pieces[--first].shown.size();
        if (last < pieces.size()) to += pieces[last++].shown.size();
    }
}

} // namespace quillforge

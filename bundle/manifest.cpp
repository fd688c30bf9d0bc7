// manifest.json: written by the packer, read from a stranger's bundle. The
// parser knows only the JSON a manifest needs and refuses everything else.
#include "bundle/bundle.h"

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <variant>

namespace bundle {

namespace {

std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

// ---- a small strict JSON reader

struct Value;
using Object = std::map<std::string, Value>;
using Array = std::vector<Value>;
struct Value {
    std::variant<std::nullptr_t, bool, std::uint64_t, std::string, std::unique_ptr<Array>, std::unique_ptr<Object>> v;
};

class Parser {
public:
    explicit Parser(std::string_view text) : s_(text) {}

    bool document(Value& out)
    {
        if (!value(out, 0)) return false;
        space();
        return pos_ == s_.size() || fail("text after the end");
    }
    std::string error;

private:
    bool fail(const std::string& why)
    {
        if (error.empty()) error = why + " at byte " + std::to_string(pos_ + 1);
        return false;
    }
    void space()
    {
        while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\r' || s_[pos_] == '\t'))
            ++pos_;
    }
    bool literal(std::string_view word)
    {
        if (s_.substr(pos_, word.size()) != word) return fail("unexpected character");
        pos_ += word.size();
        return true;
    }
    bool value(Value& out, int depth)
    {
        if (depth > 8) return fail("nesting too deep");
        space();
        if (pos_ >= s_.size()) return fail("unexpected end");
        const char c = s_[pos_];
        if (c == '{') return object(out, depth);
        if (c == '[') return array(out, depth);
        if (c == '"') {
            std::string text;
            if (!string(text)) return false;
            out.v = std::move(text);
            return true;
        }
        if (c >= '0' && c <= '9') return number(out);
        if (c == 't') return literal("true") && (out.v = true, true);
        if (c == 'f') return literal("false") && (out.v = false, true);
        if (c == 'n') return literal("null") && (out.v = nullptr, true);
        return fail(c == '-' ? "negative number" : "unexpected character");
    }
    bool number(Value& out)
    {
        std::uint64_t n = 0;
        const std::size_t start = pos_;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            if (n > (1ull << 53)) return fail("number too large");
            n = n * 10 + static_cast<std::uint64_t>(s_[pos_++] - '0');
        }
        if (pos_ - start > 1 && s_[start] == '0') return fail("leading zero");
        if (pos_ < s_.size() && (s_[pos_] == '.' || s_[pos_] == 'e' || s_[pos_] == 'E'))
            return fail("only whole numbers are expected");
        out.v = n;
        return true;
    }
    bool hex4(unsigned& out)
    {
        if (pos_ + 4 > s_.size()) return fail("short \\u escape");
        out = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = s_[pos_++];
            out <<= 4;
            if (h >= '0' && h <= '9')
                out |= static_cast<unsigned>(h - '0');
            else if (h >= 'a' && h <= 'f')
                out |= static_cast<unsigned>(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                out |= static_cast<unsigned>(h - 'A' + 10);
            else
                return fail("bad \\u escape");
        }
        return true;
    }
    static void utf8(std::string& out, unsigned cp)
    {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    bool string(std::string& out)
    {
        ++pos_; // the opening quote
        while (true) {
            if (pos_ >= s_.size()) return fail("unterminated string");
            const unsigned char c = static_cast<unsigned char>(s_[pos_++]);
            if (c == '"') break;
            if (c < 0x20) return fail("control character in a string");
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (pos_ >= s_.size()) return fail("unterminated string");
            const char e = s_[pos_++];
            switch (e) {
            case '"':
            case '\\':
            case '/': out += e; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                unsigned cp = 0;
                if (!hex4(cp)) return false;
                if (cp >= 0xDC00 && cp < 0xE000) return fail("lone low surrogate");
                if (cp >= 0xD800 && cp < 0xDC00) {
                    unsigned low = 0;
                    if (s_.substr(pos_, 2) != "\\u") return fail("lone high surrogate");
                    pos_ += 2;
                    if (!hex4(low)) return false;
                    if (low < 0xDC00 || low >= 0xE000) return fail("lone high surrogate");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                }
                if (cp == 0) return fail("NUL in a string");
                utf8(out, cp);
                break;
            }
            default: return fail("bad escape");
            }
        }
        return isValidUtf8(out) || fail("string is not UTF-8");
    }
    bool array(Value& out, int depth)
    {
        auto items = std::make_unique<Array>();
        ++pos_;
        space();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
        } else {
            while (true) {
                if (items->size() >= 100000) return fail("array too long");
                items->emplace_back();
                if (!value(items->back(), depth + 1)) return false;
                space();
                if (pos_ < s_.size() && s_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < s_.size() && s_[pos_] == ']') {
                    ++pos_;
                    break;
                }
                return fail("expected , or ]");
            }
        }
        out.v = std::move(items);
        return true;
    }
    bool object(Value& out, int depth)
    {
        auto members = std::make_unique<Object>();
        ++pos_;
        space();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
        } else {
            while (true) {
                space();
                if (pos_ >= s_.size() || s_[pos_] != '"') return fail("expected a member name");
                std::string key;
                if (!string(key)) return false;
                space();
                if (pos_ >= s_.size() || s_[pos_] != ':') return fail("expected :");
                ++pos_;
                Value v;
                if (!value(v, depth + 1)) return false;
                if (!members->emplace(key, std::move(v)).second) return fail("member \"" + key + "\" given twice");
                space();
                if (pos_ < s_.size() && s_[pos_] == ',') {
                    ++pos_;
                    continue;
                }
                if (pos_ < s_.size() && s_[pos_] == '}') {
                    ++pos_;
                    break;
                }
                return fail("expected , or }");
            }
        }
        out.v = std::move(members);
        return true;
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

// Typed member access; reason names the member that is wrong.
struct Fields {
    const Object& object;
    std::string where;
    std::string& reason;

    const Value* get(const char* key)
    {
        auto it = object.find(key);
        if (it == object.end()) {
            reason = where + "has no \"" + key + "\"";
            return nullptr;
        }
        return &it->second;
    }
    bool number(const char* key, std::uint64_t& out)
    {
        const Value* v = get(key);
        if (!v) return false;
        if (auto* n = std::get_if<std::uint64_t>(&v->v)) {
            out = *n;
            return true;
        }
        reason = where + "\"" + key + "\" is not a whole number";
        return false;
    }
    bool text(const char* key, std::string& out)
    {
        const Value* v = get(key);
        if (!v) return false;
        if (auto* s = std::get_if<std::string>(&v->v)) {
            out = *s;
            return true;
        }
        reason = where + "\"" + key + "\" is not a string";
        return false;
    }
    const Array* array(const char* key)
    {
        const Value* v = get(key);
        if (!v) return nullptr;
        if (auto* a = std::get_if<std::unique_ptr<Array>>(&v->v)) return a->get();
        reason = where + "\"" + key + "\" is not a list";
        return nullptr;
    }
};

bool isHex64(const std::string& text)
{
    if (text.size() != 64) return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

} // namespace

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        std::size_t n = 0;
        unsigned cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            n = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            n = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            n = 3;
            cp = c & 0x07;
        } else
            return false;
        if (i + n >= text.size()) return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((n == 2 && cp < 0x800) || (n == 3 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000))
            return false;
        i += n + 1;
    }
    return true;
}

bool isSafePath(std::string_view path)
{
    if (path.empty() || path.size() > 1024 || !isValidUtf8(path)) return false;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view part = path.substr(start, end - start);
        if (part.empty() || part == "." || part == ".." || part.size() > 255) return false;
        for (unsigned char c : part)
            if (c < 0x20 || c == 0x7F || c == '\\') return false;
        start = end + 1;
    }
    return true;
}

bool isSafeModName(std::string_view name)
{
    if (!isSafePath(name) || name.find('/') != std::string_view::npos || name[0] == '.') return false;
    for (char c : name)
        if (c == ' ') return false;
    return true;
}

std::string manifestJson(const Manifest& m)
{
    std::string out = "{\n";
    out += "  \"format\": " + std::to_string(m.format) + ",\n";
    out += "  \"mod\": " + quoted(m.mod) + ",\n";
    out += "  \"frames\": " + std::to_string(m.frames) + ",\n";
    out += "  \"tool\": " + quoted(m.tool) + ",\n";
    out += "  \"errors\": [";
    for (std::size_t i = 0; i < m.errors.size(); ++i) out += (i ? ",\n    " : "\n    ") + quoted(m.errors[i]);
    out += m.errors.empty() ? "],\n" : "\n  ],\n";
    out += "  \"files\": [";
    for (std::size_t i = 0; i < m.files.size(); ++i) {
        const FileEntry& f = m.files[i];
        out += (i ? ",\n    " : "\n    ");
        out += "{\"path\": " + quoted(f.path) + ", \"size\": " + std::to_string(f.size) +
               ", \"sha256\": " + quoted(f.sha256) + "}";
    }
    out += m.files.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return out;
}

bool parseManifest(std::string_view json, Manifest& manifest, std::string& reason)
{
    Parser parser(json);
    Value root;
    if (!parser.document(root)) {
        reason = "manifest.json is not valid JSON: " + parser.error;
        return false;
    }
    auto* top = std::get_if<std::unique_ptr<Object>>(&root.v);
    if (!top) {
        reason = "manifest.json is not a JSON object";
        return false;
    }
    std::string why;
    Fields fields{**top, "manifest.json ", why};
    Manifest m;
    std::uint64_t format = 0, frames = 0;
    const Array* errors = nullptr;
    const Array* files = nullptr;
    bool ok = fields.number("format", format);
    if (ok && format != static_cast<std::uint64_t>(kFormatVersion)) {
        reason = "the bundle has format " + std::to_string(format) + "; this player reads format " +
                 std::to_string(kFormatVersion);
        return false;
    }
    ok = ok && fields.text("mod", m.mod) && fields.number("frames", frames) && fields.text("tool", m.tool) &&
         (errors = fields.array("errors")) && (files = fields.array("files"));
    if (!ok) {
        reason = why;
        return false;
    }
    if (!isSafeModName(m.mod)) {
        reason = "manifest.json names the mod \"" + (isValidUtf8(m.mod) ? m.mod : std::string("?")) +
                 "\", which cannot be a folder name";
        return false;
    }
    if (frames > 1000000000) {
        reason = "manifest.json gives an impossible frame count";
        return false;
    }
    m.format = static_cast<int>(format);
    m.frames = static_cast<int>(frames);
    for (const Value& e : *errors) {
        auto* s = std::get_if<std::string>(&e.v);
        if (!s) {
            reason = "manifest.json \"errors\" holds something other than text";
            return false;
        }
        m.errors.push_back(*s);
    }
    std::set<std::string> seen;
    for (const Value& f : *files) {
        auto* entry = std::get_if<std::unique_ptr<Object>>(&f.v);
        if (!entry) {
            reason = "manifest.json \"files\" holds something other than objects";
            return false;
        }
        Fields ff{**entry, "a file of manifest.json ", why};
        FileEntry fe;
        if (!ff.text("path", fe.path) || !ff.number("size", fe.size) || !ff.text("sha256", fe.sha256)) {
            reason = why;
            return false;
        }
        if (!isSafePath(fe.path) || fe.path == kManifestName) {
            reason = "manifest.json lists an unsafe path";
            return false;
        }
        if (!isHex64(fe.sha256)) {
            reason = "manifest.json gives " + fe.path + " no proper SHA-256";
            return false;
        }
        if (!seen.insert(fe.path).second) {
            reason = "manifest.json lists " + fe.path + " twice";
            return false;
        }
        m.files.push_back(std::move(fe));
    }
    manifest = std::move(m);
    return true;
}

} // namespace bundle

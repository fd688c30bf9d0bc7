// Findings as text in the compiler convention and as JSON.
#include "check/story_check.h"

#include <cstdio>

namespace storycheck {

Counts countFindings(const std::vector<Finding>& findings)
{
    Counts c;
    for (const Finding& f : findings) {
        if (f.severity == Severity::Error)
            ++c.errors;
        else if (f.severity == Severity::Warning)
            ++c.warnings;
        else
            ++c.notes;
    }
    return c;
}

std::string countsText(const Counts& c)
{
    std::string text;
    auto part = [&](int n, const char* one, const char* many) {
        if (n == 0) return;
        text += (text.empty() ? "" : ", ") + std::to_string(n) + " " + (n == 1 ? one : many);
    };
    part(c.errors, "error", "errors");
    part(c.warnings, "warning", "warnings");
    part(c.notes, "note", "notes");
    return text.empty() ? "no problems" : text;
}

std::string formatText(const std::vector<Finding>& findings)
{
    std::string out;
    for (const Finding& f : findings) {
        out += f.file;
        if (f.line > 0) {
            out += ":" + std::to_string(f.line);
            if (f.column > 0) out += ":" + std::to_string(f.column);
        }
        out += std::string(": ") + severityName(f.severity) + ": ";
        if (f.frame > 0) out += "frame " + std::to_string(f.frame) + ": ";
        out += f.message + " [" + f.rule + "]\n";
    }
    return out;
}

namespace {

// Length of the valid UTF-8 sequence at s[i], 0 when there is none.
std::size_t utf8Length(const std::string& s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) >> 6) != 2) return 0;
    if (n == 2 && c < 0xC2) return 0; // overlong
    return n;
}

std::string jsonString(const std::string& s)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = utf8Length(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", c);
            out += hex;
        } else {
            out.append(s, i, n);
        }
        i += n;
    }
    return out + "\"";
}

} // namespace

std::string formatJson(const std::vector<Finding>& findings)
{
    std::string out = "{\"findings\": [";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const Finding& f = findings[i];
        out += i == 0 ? "\n  " : ",\n  ";
        out += "{\"file\": " + jsonString(f.file) + ", \"line\": " + std::to_string(f.line) +
               ", \"column\": " + std::to_string(f.column) + ", \"severity\": \"" + severityName(f.severity) +
               "\", \"rule\": " + jsonString(f.rule) + ", \"frame\": " + std::to_string(f.frame) +
               ", \"message\": " + jsonString(f.message) + "}";
    }
    const Counts c = countFindings(findings);
    out += findings.empty() ? "]" : "\n]";
    out += ", \"errors\": " + std::to_string(c.errors) + ", \"warnings\": " + std::to_string(c.warnings) +
           ", \"notes\": " + std::to_string(c.notes) + "}\n";
    return out;
}

} // namespace storycheck

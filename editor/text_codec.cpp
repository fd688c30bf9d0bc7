#include "editor/text_codec.h"

#include <cerrno>
#include <iconv.h>

namespace quillforge {
namespace {

// Converts with iconv, replacing each undecodable input byte by `replacement`
// (already in the target encoding) and carrying on after it.
std::string convert(const char* to, const char* from, const std::string& in,
                    const std::string& replacement)
{
    if (in.empty()) return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};

    std::string out;
    out.reserve(in.size() * 2);
    char* inPtr = const_cast<char*>(in.data());
    size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1)) continue;
        if (errno == E2BIG) continue;
        // EILSEQ: a bad byte; EINVAL: the text ends inside a character.
        out += replacement;
        ++inPtr;
        --inLeft;
    }
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    iconv_close(cd);
    return out;
}

} // namespace

std::string gbToUtf8(const std::string& gb)
{
    return convert("UTF-8", "GB18030", gb, "\xEF\xBF\xBD");
}

std::string utf8ToGb(const std::string& utf8)
{
    return convert("GB18030", "UTF-8", utf8, "");
}

} // namespace quillforge

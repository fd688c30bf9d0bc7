// The sentence box's conversion: any stored bytes show and come back byte
// for byte, any text that converts comes back unchanged, and an edit keeps
// the stored bytes of what it leaves alone. The first four bytes also pick
// one character and one GB18030 code, so the fuzzer walks both spaces.
#include "fuzz/fuzz_file.h"

#include "editor/text_codec.h"

#include <string>

using namespace quillforge;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    std::string back;
    if (!gbAfterEdit(bytes, gbToUtf8(bytes), back) || back != bytes)
        fuzzFailure("stored bytes do not survive being shown and saved back");

    std::string gb;
    if (utf8ToGb(bytes, gb) && gbToUtf8(gb) != bytes) fuzzFailure("converted text does not show as it was typed");

    // An edit: the middle third replaced by text typed anew.
    const std::string shown = gbToUtf8(bytes);
    const std::string typed = "\xE4\xBD\xA0\xEE\x9E\x92";  // a GB 2312 and a private-use character
    std::size_t cut = shown.size() / 3;
    while (cut > 0 && (static_cast<unsigned char>(shown[cut]) & 0xC0) == 0x80) --cut;  // at a character
    const std::string edited = shown.substr(0, cut) + typed;
    std::string after;
    if (!gbAfterEdit(bytes, edited, after) || gbToUtf8(after) != edited)
        fuzzFailure("an edit does not store what the box shows");

    if (size >= 4) {
        const std::uint32_t n = (std::uint32_t(data[0]) << 24 | std::uint32_t(data[1]) << 16 |
                                 std::uint32_t(data[2]) << 8 | data[3]);
        const char32_t c = n % 0x110000;
        if (c < 0xD800 || c > 0xDFFF) {
            std::string utf8;
            if (c < 0x80) utf8 = {static_cast<char>(c)};
            else if (c < 0x800) utf8 = {static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
            else if (c < 0x10000)
                utf8 = {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                        static_cast<char>(0x80 | (c & 0x3F))};
            else
                utf8 = {static_cast<char>(0xF0 | (c >> 18)), static_cast<char>(0x80 | ((c >> 12) & 0x3F)),
                        static_cast<char>(0x80 | ((c >> 6) & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
            if (!utf8ToGb(utf8, gb) || gbToUtf8(gb) != utf8) fuzzFailure("a character has no code that shows it again");
        }
        // A four-byte code of the BMP or the other planes.
        const long k = n % (39420 + 0x100000);
        const long m = k < 39420 ? k : k - 39420 + 15 * 12600;
        const std::string code{static_cast<char>(0x81 + m / 12600), static_cast<char>(0x30 + m / 1260 % 10),
                               static_cast<char>(0x81 + m / 10 % 126), static_cast<char>(0x30 + m % 10)};
        if (!utf8ToGb(gbToUtf8(code), gb) || gb != code) fuzzFailure("a four-byte code does not come back");
    }
    return 0;
}

// Stored sentences are text anyone can edit: decoding any text gives one byte
// per four characters, and the stored form of any bytes decodes back to them.
#include "fuzz/fuzz_file.h"

#include "document/story_script.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string decoded = decodeSentence(bytes);
    if (decoded.size() != (size + 3) / 4) fuzzFailure("decoding does not give one byte per group of four");
    const std::string canonical = encodeSentence(decoded);
    if (canonical.size() != 4 * decoded.size() || decodeSentence(canonical) != decoded)
        fuzzFailure("a decoded sentence does not survive being stored again");

    const std::string stored = encodeSentence(bytes);
    if (stored.find_first_not_of("0123456789_") != std::string::npos)
        fuzzFailure("the stored form holds more than digits and underscores");
    if (decodeSentence(stored) != bytes) fuzzFailure("bytes do not survive their stored form");
    return 0;
}

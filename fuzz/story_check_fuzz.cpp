// Any bytes as a mod's script.xml, checked: the checker must not crash or
// hang, every finding names a known rule, and frames stay within the story.
#include "fuzz/fuzz_file.h"

#include "check/story_check.h"

#include <cstdlib>
#include <set>
#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    static const std::set<std::string> rules = {"load",        "not-exported", "missing-file",  "undecodable",
                                                "path-escape", "bad-index",    "missing-glyph", "overflow",
                                                "template",    "startup",      "unused-file",   "large-picture"};
    folder.write("story/mod/script.xml", data, size);
    storycheck::Options options;
    options.useCache = false;
    options.glyphFile = (folder.path() / "missing-glyphs.bin").string();
    const std::vector<storycheck::Finding> findings =
        storycheck::checkModFolder((folder.path() / "story/mod").string(), options);
    for (const storycheck::Finding& f : findings) {
        if (!rules.count(f.rule)) fuzzFailure("finding with an unknown rule");
        if (f.frame < 0 || f.line < 0 || f.column < 0) fuzzFailure("negative frame or place");
        if (f.message.empty()) fuzzFailure("finding without a message");
    }
    const std::string json = storycheck::formatJson(findings);
    if (json.empty() || json.front() != '{') fuzzFailure("JSON report is no object");
    return 0;
}

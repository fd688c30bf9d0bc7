// Any bytes as a mod's script.xml: loading must fail cleanly or give records
// that survive a save and a second load unchanged; the piecewise reading
// agrees with the whole-file one, and a loaded tree never nests deeper than
// the reader allows.
#include "fuzz/fuzz_file.h"

#include "document/story_script.h"
#include "document/xml_binding.h"
#include "document/xml_nesting.h"

#include <cstdio>

namespace {

int depthOf(const PropertyTree& node)
{
    int deepest = 0;
    for (const auto& child : node.children) {
        const int d = depthOf(*child);
        if (d > deepest) deepest = d;
    }
    return deepest + 1;
}

void expectSameRecords(const StoryRecords& a, const StoryRecords& b)
{
    if (a.title != b.title) fuzzFailure("title changed by save and load");
    if (a.characterCount != b.characterCount || a.characters != b.characters)
        fuzzFailure("persons changed by save and load");
    if (a.frameCount != b.frameCount || a.frames != b.frames) fuzzFailure("frames changed by save and load");
    if (a.backgrounds != b.backgrounds || a.musics != b.musics || a.sounds != b.sounds)
        fuzzFailure("file lists changed by save and load");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every refused file prints the reader's one-line message; keep the
    // fuzzer's own output readable.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const FuzzFolder folder;
    folder.write("mod/script.xml", data, size);
    const std::string storyRoot = folder.path().string() + "/";

    StoryScript first(storyRoot, "mod");
    std::unique_ptr<PropertyTree> tree;
    StoryRecords whole;
    const bool wholeRead = loadTree(tree, storyRoot + "mod/script.xml") && readStory(*tree, whole);
    if (tree && depthOf(*tree) > kMaxXmlDepth) fuzzFailure("a loaded tree nests deeper than the limit");
    if (first.load() != wholeRead) fuzzFailure("the piecewise and the whole-file reading disagree on success");
    if (!wholeRead) return 0;
    expectSameRecords(first, whole);
    if (!first.save()) fuzzFailure("a loaded story could not be saved");
    StoryScript second(storyRoot, "mod");
    if (!second.load()) fuzzFailure("a saved story does not load again");
    expectSameRecords(first, second);
    return 0;
}

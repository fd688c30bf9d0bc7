// Loading and saving generated stories, against the reader that re-selects
// the whole list for every index it reads.
#include "document/story_folder.h"
#include "document/story_script.h"
#include "document/xml_binding.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Where the generated mods live, set by the first one made.
std::string storyRoot;

StoryRecords generated(int frames, int persons)
{
    StoryRecords r;
    r.title = "Generated";
    for (int p = 0; p < persons; ++p) {
        Character c{"person" + std::to_string(p), 3, {}};
        for (int k = 0; k < 3; ++k)
            c.photos.push_back({"photo" + std::to_string(k), "//character/p/" + std::to_string(k) + ".png"});
        r.characters.push_back(c);
    }
    for (int i = 0; i < 20; ++i) {
        r.backgrounds.push_back("//bg/" + std::to_string(i) + ".jpg");
        r.musics.push_back("//bgm/" + std::to_string(i) + ".mp3");
        r.sounds.push_back("//sound/" + std::to_string(i) + ".wav");
    }
    for (int f = 0; f < frames; ++f)
        r.frames.push_back({f % persons, f % 3, (f + 1) % persons, (f + 2) % 3, f % 3,
                            "\xC4\xE3\xBA\xC3, frame " + std::to_string(f), f % 20, f / 50 % 20,
                            f % 7 == 0 ? f % 20 : -1});
    r.characterCount = persons;
    r.frameCount = frames;
    return r;
}

// A mod folder holding a saved story of the given size, made once per size.
const std::string& modWith(int frames)
{
    static std::map<int, std::string> made;
    auto it = made.find(frames);
    if (it != made.end()) return it->second;
    const fs::path root = fs::temp_directory_path() / ("qs-bench-" + std::to_string(::getpid()));
    const std::string mod = "mod" + std::to_string(frames);
    fs::create_directories(root / mod);
    storyRoot = root.string() + "/";
    StoryScript script(storyRoot, mod);
    static_cast<StoryRecords&>(script) = generated(frames, 100);
    if (!script.save()) std::abort();
    return made.emplace(frames, mod).first->second;
}

// The reader as a plain reading of the format would have it: every entry by
// getValue, so each index re-selects its whole path.
bool naiveRead(const PropertyTree& t, StoryRecords& r)
{
    r.title = getValue(t, "name", 0);
    r.characterCount = intOf(getValue(t, "characterList.@number", 0));
    r.frameCount = intOf(getValue(t, "scriptList.@number", 0));
    r.characters.resize(r.characterCount);
    r.frames.resize(r.frameCount);
    auto list = [&](const char* number, const char* entry, std::vector<std::string>& out) {
        out.resize(intOf(getValue(t, number, 0)));
        for (std::size_t i = 0; i < out.size(); ++i) out[i] = getValue(t, entry, i);
    };
    list("bgList.@number", "bgList.bg", r.backgrounds);
    list("soundList.@number", "soundList.sd", r.sounds);
    list("bgmList.@number", "bgmList.bgm", r.musics);
    std::size_t base = 0;
    for (int i = 0; i < r.characterCount; ++i) {
        Character& c = r.characters[i];
        c.name = getValue(t, "characterList.character.@name", i);
        c.photoNum = getIntValues(t, "characterList.character.@photoNum")[i];
        c.photos.resize(c.photoNum);
        for (int k = 0; k < c.photoNum; ++k) {
            c.photos[k].desp = getValue(t, "characterList.character.photo.@desp", base + k);
            c.photos[k].dir = getValue(t, "characterList.character.photo.@dir", base + k);
        }
        base += c.photoNum;
    }
    for (int f = 0; f < r.frameCount; ++f) {
        Frame& fr = r.frames[f];
        fr.leftCharacter = getIntValues(t, "scriptList.st.left.@character")[f];
        fr.leftPhoto = getIntValues(t, "scriptList.st.left.@photo")[f];
        fr.rightCharacter = getIntValues(t, "scriptList.st.right.@character")[f];
        fr.rightPhoto = getIntValues(t, "scriptList.st.right.@photo")[f];
        fr.textCharacter = getIntValues(t, "scriptList.st.text.@character")[f];
        fr.background = getIntValues(t, "scriptList.st.background.@index")[f];
        fr.music = getIntValues(t, "scriptList.st.musicDir.@index")[f];
        fr.sound = getIntValues(t, "scriptList.st.sound.@index")[f];
        fr.sentence = decodeSentence(getValue(t, "scriptList.st.text.@sentence", f));
    }
    return true;
}

void BM_Load(benchmark::State& state)
{
    const std::string& mod = modWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        StoryScript script(storyRoot, mod);
        if (!script.load() || script.frameCount != state.range(0)) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(script.frames.data());
    }
}

void BM_LoadNaive(benchmark::State& state)
{
    const std::string& mod = modWith(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<PropertyTree> tree;
        StoryRecords records;
        if (!loadTree(tree, scriptPathOf(storyRoot, mod)) || !naiveRead(*tree, records))
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(records.frames.data());
    }
}

void BM_Save(benchmark::State& state)
{
    const std::string& mod = modWith(static_cast<int>(state.range(0)));
    StoryScript script(storyRoot, mod);
    if (!script.load()) state.SkipWithError("load failed");
    for (auto _ : state)
        if (!script.save()) state.SkipWithError("save failed");
}

} // namespace

// Medians of five runs; the quadratic baseline runs once per size (about two
// minutes at 10,000 frames).
BENCHMARK(BM_Load)
    ->Arg(1000)
    ->Arg(3000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Save)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_LoadNaive)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!storyRoot.empty()) fs::remove_all(storyRoot);
    return 0;
}

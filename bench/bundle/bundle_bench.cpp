// Wall times of story bundles, medians of several runs:
//   pack: quillforge-pack on the demo story, run as an author runs it;
//   play: what scenewalk-play does before the player starts, for the demo's
//         bundle: verify and extract into an empty library, and again with
//         the extraction reused;
//   200 MB: a bundle of 70 stored pictures and 30 deflated sounds of 2 MiB
//         each, verified and extracted into an empty library, against
//         `unzip -q` of the same file into an empty folder, alternately in
//         one run so both meet the same machine.
// Usage: build/bench/bundle/bundle_bench [runs]   (default 5)
#include "bundle/bundle.h"
#include "scenewalk_play/play.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

template <typename F>
double milliseconds(F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void require(bool ok, const std::string& what)
{
    if (!ok) {
        std::fprintf(stderr, "bundle_bench: %s\n", what.c_str());
        std::exit(1);
    }
}

// 70 pictures of noise (stored, as pictures are) and 30 tones (deflated).
fs::path makeBigBundle(const fs::path& scratch)
{
    const fs::path mod = scratch / "Big";
    fs::create_directories(mod / "bg");
    fs::create_directories(mod / "sound");
    std::mt19937_64 random(7);
    std::vector<std::string> files;
    std::string bytes(2 << 20, '\0');
    for (int i = 0; i < 100; ++i) {
        const bool picture = i < 70;
        if (picture) {
            for (std::size_t k = 0; k + 8 <= bytes.size(); k += 8) {
                const auto r = random();
                std::memcpy(&bytes[k], &r, 8);
            }
        } else {
            for (std::size_t k = 0; k < bytes.size(); k += 2) {
                const auto s = static_cast<std::int16_t>(8000 * std::sin(static_cast<double>(k) * (0.01 + i * 0.001)) +
                                                         static_cast<int>(random() % 64));
                std::memcpy(&bytes[k], &s, 2);
            }
        }
        const std::string name = picture ? "bg/p" + std::to_string(i) + ".jpg" : "sound/s" + std::to_string(i) + ".wav";
        std::ofstream(mod / name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        files.push_back(name);
    }
    std::ofstream(mod / "script.xml")
        << "<?xml version=\"1.0\" ?>\n<story><name>Big</name><characterList number=\"0\"/><bgList number=\"0\"/>"
           "<soundList number=\"0\"/><bgmList number=\"0\"/><scriptList number=\"0\"/></story>\n";
    files.insert(files.begin(), "script.xml");
    bundle::Manifest manifest;
    manifest.mod = "Big";
    manifest.tool = "bundle_bench";
    std::string reason;
    const fs::path file = scratch / "Big.swstory";
    require(bundle::writeBundle(mod.string(), files, manifest, file.string(), reason), reason);
    fs::remove_all(mod);
    return file;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path scratch = fs::temp_directory_path() / ("qs-bundle-bench-" + std::to_string(::getpid()));
    fs::create_directories(scratch);

    // The demo, packed as an author packs it, then played into empty and reused libraries.
    const fs::path demo = scratch / "Lantern.swstory";
    const std::string pack =
        std::string(QS_PACK_COMMAND) + " -o " + demo.string() + " " + QS_RUN_DIR + "/story/Lantern >/dev/null";
    std::vector<double> packTimes, fresh, reused;
    for (int i = 0; i < runs; ++i)
        packTimes.push_back(milliseconds([&] { require(std::system(pack.c_str()) == 0, "pack failed"); }));
    for (int i = 0; i < runs; ++i) {
        const fs::path base = scratch / "home";
        fs::remove_all(base);
        for (auto* times : {&fresh, &reused})
            times->push_back(milliseconds([&] {
                play::Story story;
                std::string reason;
                require(play::prepareStory(demo.string(), base, story, reason), reason);
                require(!play::layOutWorkFolder(base, QS_RUN_DIR, story, reason).empty(), reason);
                require(story.extracted == (times == &fresh), "extraction was not reused");
            }));
    }
    std::printf("demo: pack median %.0f ms; play set-up median %.0f ms (extracting), %.0f ms (reused) over %d runs\n",
                median(packTimes), median(fresh), median(reused), runs);

    const fs::path big = makeBigBundle(scratch);
    std::uint64_t bytes = 0;
    {
        bundle::Inspection inspection;
        std::string reason;
        require(bundle::inspectBundle(big.string(), inspection, reason), reason);
        for (const auto& f : inspection.manifest.files) bytes += f.size;
    }
    std::vector<double> ours, unzip;
    for (int i = 0; i < runs; ++i) {
        const fs::path library = scratch / "library", folder = scratch / "unzipped";
        const std::string command = "unzip -q -o " + big.string() + " -d " + folder.string();
        unzip.push_back(milliseconds([&] { require(std::system(command.c_str()) == 0, "unzip failed"); }));
        fs::remove_all(folder);
        ours.push_back(milliseconds([&] {
            bundle::Installed installed;
            std::string reason;
            require(bundle::installBundle(big.string(), library.string(), installed, reason), reason);
        }));
        fs::remove_all(library);
    }
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("%.0f MB bundle (%.0f MB file): verify+extract median %.0f ms (%.0f MB/s), unzip median %.0f ms "
                "(%.0f MB/s): %.2f of unzip's speed over %d runs\n",
                mb, static_cast<double>(fs::file_size(big)) / 1e6, median(ours), mb / median(ours) * 1000,
                median(unzip), mb / median(unzip) * 1000, median(unzip) / median(ours), runs);
    fs::remove_all(scratch);
    return 0;
}

// Wall time of quillforge-check on a generated story of 10,000 frames, 100
// persons and 1,000 distinct small files (500 photos, 300 backgrounds, 100
// music and 100 sound files), run as a user runs it; prints the median of
// each kind of run:
//   cold: an empty cache folder, so every file is decoded;
//   warm: every file's result comes from the previous run's cache.
// Usage: build/bench/check/check_bench [runs]   (default 7)
#include "document/story_script.h"
#include "document/xml_binding.h"

#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void writeWav(const fs::path& file, int ms, double hz)
{
    const int rate = 22050;
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(rate * ms / 1000));
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(6000 * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate));
    const auto bytes = static_cast<std::uint32_t>(pcm.size() * 2);
    const std::uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66, 16,   0x00010001,
                                    rate,       rate * 2,   0x00100002, 0x61746164, bytes};
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    out.write(reinterpret_cast<const char*>(pcm.data()), bytes);
}

void picture(const fs::path& file, int i)
{
    cv::Mat m(48, 64, CV_8UC3, cv::Scalar(i % 256, (i * 7) % 256, (i * 13) % 256));
    cv::imwrite(file.string(), m);
}

fs::path makeStory()
{
    const fs::path root = fs::temp_directory_path() / ("qs-check-bench-" + std::to_string(::getpid()));
    const fs::path mod = root / "story" / "big";
    for (const char* sub : {"bg", "bgm", "sound", "character"}) fs::create_directories(mod / sub);
    StoryRecords r;
    r.title = "Big";
    for (int p = 0; p < 100; ++p) {
        Character c{"P" + std::to_string(p), 5, {}};
        fs::create_directories(mod / "character" / c.name);
        for (int k = 0; k < 5; ++k) {
            const std::string name = std::to_string(k) + ".png";
            picture(mod / "character" / c.name / name, p * 5 + k);
            c.photos.push_back({"look" + std::to_string(k), "//character/" + c.name + "/" + name});
        }
        r.characters.push_back(c);
    }
    for (int i = 0; i < 300; ++i) {
        const std::string name = std::to_string(i) + (i % 2 ? ".jpg" : ".png");
        picture(mod / "bg" / name, i);
        r.backgrounds.push_back("//bg/" + name);
    }
    for (int i = 0; i < 100; ++i) {
        writeWav(mod / "bgm" / (std::to_string(i) + ".wav"), 120, 220 + i);
        writeWav(mod / "sound" / (std::to_string(i) + ".wav"), 60, 660 + i);
        r.musics.push_back("//bgm/" + std::to_string(i) + ".wav");
        r.sounds.push_back("//sound/" + std::to_string(i) + ".wav");
    }
    for (int f = 0; f < 10000; ++f)
        r.frames.push_back({f % 100, f % 5, (f + 37) % 100, (f + 2) % 5, f % 3,
                            "\xC4\xE3\xBA\xC3\xA3\xAC frame " + std::to_string(f) + ", a sentence of ordinary length.",
                            f % 300, f / 100 % 100, f % 3 == 0 ? f % 100 : -1});
    r.characterCount = 100;
    r.frameCount = 10000;
    if (!saveTree(*storyTree(r), (mod / "script.xml").string())) std::abort();
    picture(mod / "content.png", 1);
    picture(mod / "contentN.png", 2);
    picture(root / "story" / "next.png", 3);
    return mod;
}

double runMs(const std::string& command)
{
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system(command.c_str());
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (status == -1) std::abort();
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    const fs::path mod = makeStory();
    const fs::path cache = mod.parent_path().parent_path() / "cache";
    const std::string command = "XDG_CACHE_HOME=" + cache.string() +
                                " " QS_CHECK_COMMAND " --glyphs " QS_GLYPH_FILE " " + mod.string() + " >/dev/null";
    std::vector<double> cold, warm;
    for (int i = 0; i < runs; ++i) {
        fs::remove_all(cache);
        cold.push_back(runMs(command));
        warm.push_back(runMs(command));
    }
    // One report, to show the generated story checks clean.
    std::system((std::string("XDG_CACHE_HOME=") + cache.string() + " " QS_CHECK_COMMAND " --glyphs " QS_GLYPH_FILE " " +
                 mod.string() + " | tail -n 1")
                    .c_str());
    std::printf(
        "check of 10,000 frames, 100 persons, 1,000 files: cold cache median %.0f ms, warm cache median %.0f ms "
        "(%d runs each; targets 1000 ms and 200 ms)\n",
        median(cold), median(warm), runs);
    if (!std::getenv("QS_KEEP_BENCH_STORY")) fs::remove_all(mod.parent_path().parent_path());
    return 0;
}

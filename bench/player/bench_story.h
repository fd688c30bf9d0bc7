#pragma once
// The heaviest screen the player shows, written to a temporary working
// directory: a 1920 x 1080 background, two 600 x 900 portraits, the text box
// and five full lines of mixed ASCII and GB 2312 text.

#include "document/story_script.h"
#include "document/xml_binding.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace bench_story {

namespace fs = std::filesystem;

// Non-uniform pictures, so nothing is cheaper than a real photo would be.
inline cv::Mat noisy(int width, int height, int channels, bool transparentEdge)
{
    cv::Mat m(height, width, CV_8UC(channels));
    cv::randu(m, cv::Scalar::all(0), cv::Scalar::all(255));
    if (channels == 4) {
        std::vector<cv::Mat> planes;
        cv::split(m, planes);
        planes[3].setTo(255);
        if (transparentEdge) planes[3](cv::Rect(0, 0, width / 5, height)).setTo(0);
        cv::merge(planes, m);
    }
    return m;
}

// Five lines of 90 bytes: ASCII words and two-byte characters mixed.
inline std::string fiveLines()
{
    const std::string chunk = "Scene text \xC4\xE3\xBA\xC3\xA3\xAC\xCA\xC0\xBD\xE7\xA3\xA1 ok "; // 30 bytes
    std::string text;
    while (text.size() < 450) text += chunk;
    return text.substr(0, 450);
}

// Makes <dir>/story/bench with its script and pictures, copies the glyph
// file to <dir>/raw/1.bin and changes into dir.
inline bool prepare(const fs::path& dir, const std::string& glyphFile)
{
    std::error_code ec;
    fs::create_directories(dir / "story" / "bench", ec);
    fs::create_directories(dir / "raw", ec);
    fs::copy_file(glyphFile, dir / "raw" / "1.bin", fs::copy_options::overwrite_existing, ec);
    if (ec) return false;
    const fs::path mod = dir / "story" / "bench";
    bool ok = cv::imwrite((mod / "bg.png").string(), noisy(1920, 1080, 3, false)) &&
              cv::imwrite((mod / "left.png").string(), noisy(600, 900, 4, true)) &&
              cv::imwrite((mod / "right.png").string(), noisy(600, 900, 4, true)) &&
              cv::imwrite((mod / "contentN.png").string(), noisy(800, 150, 4, false)) &&
              cv::imwrite((dir / "story" / "next.png").string(), noisy(20, 20, 4, false));
    if (!ok) return false;

    StoryRecords r;
    r.title = "bench";
    r.backgrounds = {"//bg.png"};
    r.musics = {"//none.wav"};
    r.characters = {Character{"L", 1, {{"l", "//left.png"}}}, Character{"R", 1, {{"r", "//right.png"}}}};
    r.characterCount = 2;
    Frame f;
    f.leftCharacter = 0;
    f.leftPhoto = 0;
    f.rightCharacter = 1;
    f.rightPhoto = 0;
    f.textCharacter = 0;
    f.sentence = fiveLines();
    f.background = 0;
    f.music = 0;
    r.frames = {f};
    r.frameCount = 1;
    if (!saveTree(*storyTree(r), (mod / "script.xml").string())) return false;
    std::ofstream(dir / "story" / "startup.txt") << "bench";
    fs::current_path(dir, ec);
    return !ec;
}

} // namespace bench_story

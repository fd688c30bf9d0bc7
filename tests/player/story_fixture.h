#pragma once
// A throw-away working directory with a story root, built in code. The
// process works inside it while the fixture lives: the player's paths are
// relative (".//story//...").

#include "document/story_script.h"
#include "document/xml_binding.h"
#include "tests/media/audio/tone_fixture.h"
#include "tests/player/temp_dir.h"

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <filesystem>

namespace fixture {

// Mouse presses as the window layer delivers them: the Win32 numbers.
inline constexpr int kLeftPress = 0x0201, kRightPress = 0x0204;

namespace fs = std::filesystem;

class StoryDir {
public:
    StoryDir() : saved_(fs::current_path())
    {
        fs::create_directories(modDir());
        fs::current_path(root_.path());
    }
    ~StoryDir()
    {
        std::error_code ec;
        fs::current_path(saved_, ec);
    }
    fs::path modDir() const { return root_.path() / "story" / "demo"; }

    // rgba is top row first, red first; inRoot puts it in the story root.
    void writePicture(const std::string& name, const cv::Mat& rgba, bool inRoot = false) const
    {
        cv::Mat bgra;
        cv::cvtColor(rgba, bgra, cv::COLOR_RGBA2BGRA);
        const fs::path file = (inRoot ? root_.path() / "story" : modDir()) / name;
        fs::create_directories(file.parent_path());
        cv::imwrite(file.string(), bgra);
    }
    void writeTone(const std::string& name, double seconds, double hz = 440.0) const
    {
        tone::writeWav((modDir() / name).string(), {{hz, static_cast<int>(seconds * 1000)}});
    }
    bool writeScript(const StoryRecords& records) const
    {
        return saveTree(*storyTree(records), (modDir() / "script.xml").string());
    }
    // Two backgrounds, three pieces of music, a sound, Ann and Bob (whose
    // second photo is missing) and the given frames. The text box is red |
    // blue, the narrator's box grey, every face green | yellow.
    void writeStory(std::vector<Frame> frames) const;

private:
    TempDir root_; // left after the working directory is given back
    fs::path saved_;
};

inline cv::Mat solid(int width, int height, cv::Scalar rgba)
{
    return cv::Mat(height, width, CV_8UC4, rgba);
}

inline cv::Mat halves(int width, int height, cv::Scalar left, cv::Scalar right)
{
    cv::Mat m = solid(width, height, left);
    m(cv::Rect(width / 2, 0, width - width / 2, height)).setTo(right);
    return m;
}

inline void StoryDir::writeStory(std::vector<Frame> frames) const
{
    writePicture("content.png", halves(8, 2, {255, 0, 0, 255}, {0, 0, 255, 255}));
    writePicture("contentN.png", solid(8, 2, {200, 200, 200, 255}));
    writePicture("next.png", solid(4, 4, {255, 255, 255, 255}), true);
    writePicture("bg/red.png", solid(8, 6, {255, 0, 0, 255}));
    writePicture("bg/blue.png", solid(8, 6, {0, 0, 255, 255}));
    writePicture("face.png", halves(10, 10, {0, 255, 0, 255}, {255, 255, 0, 255}));
    writeTone("long.wav", 5.0);
    writeTone("other.wav", 5.0, 660.0);
    writeTone("short.wav", 0.2);
    writeTone("ding.wav", 3.0, 880.0);
    StoryRecords r;
    r.backgrounds = {"//bg/red.png", "//bg/blue.png"};
    r.musics = {"//long.wav", "//other.wav", "//short.wav"};
    r.sounds = {"//ding.wav"};
    r.characters = {{"Ann", 1, {{"a", "//face.png"}}}, {"Bob", 2, {{"b", "//face.png"}, {"c", "//x.png"}}}};
    r.characterCount = 2;
    r.frames = std::move(frames);
    r.frameCount = static_cast<int>(r.frames.size());
    EXPECT_TRUE(writeScript(r));
}

inline Frame frame(int background, int music, int sound = -1, std::string sentence = "")
{
    Frame f;
    f.background = background;
    f.music = music;
    f.sound = sound;
    f.sentence = std::move(sentence);
    return f;
}

} // namespace fixture

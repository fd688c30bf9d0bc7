#pragma once
// A throw-away working directory with a story root, built in code. The
// process works inside it while the fixture lives: the player's paths are
// relative (".//story//...").

#include "document/story_script.h"
#include "document/xml_binding.h"
#include "tests/player/audio/tone_fixture.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <filesystem>

namespace fixture {

namespace fs = std::filesystem;

class StoryDir {
public:
    StoryDir()
    {
        static int counter = 0;
        root_ = fs::temp_directory_path() /
                ("scenewalk_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(modDir());
        saved_ = fs::current_path();
        fs::current_path(root_);
    }
    ~StoryDir()
    {
        std::error_code ec;
        fs::current_path(saved_, ec);
        fs::remove_all(root_, ec);
    }
    const fs::path& root() const { return root_; }
    fs::path modDir() const { return root_ / "story" / "demo"; }

    // rgba is top row first, red first; inRoot puts it in the story root.
    void writePicture(const std::string& name, const cv::Mat& rgba, bool inRoot = false) const
    {
        cv::Mat bgra;
        cv::cvtColor(rgba, bgra, cv::COLOR_RGBA2BGRA);
        const fs::path file = (inRoot ? root_ / "story" : modDir()) / name;
        fs::create_directories(file.parent_path());
        cv::imwrite(file.string(), bgra);
    }
    void writeTone(const std::string& name, double seconds, double hz = 440.0) const
    {
        fs::create_directories((modDir() / name).parent_path());
        tone::writeWav((modDir() / name).string(), {{hz, static_cast<int>(seconds * 1000)}});
    }
    bool writeScript(const StoryRecords& records) const
    {
        return saveTree(*storyTree(records), (modDir() / "script.xml").string());
    }

private:
    fs::path root_, saved_;
};

inline cv::Mat solid(int width, int height, cv::Scalar rgba)
{
    return cv::Mat(height, width, CV_8UC4, rgba);
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

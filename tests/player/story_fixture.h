#pragma once
// A throw-away working directory with a story root, built in code: pictures
// from cv::imwrite, tones as WAV files, script.xml through the document
// library's writer. The process works inside it while the fixture lives,
// since the player's paths are relative (".//story//...").

#include "document/story_script.h"
#include "document/xml_binding.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace fixture {

namespace fs = std::filesystem;

class StoryDir {
public:
    explicit StoryDir(const std::string& mod = "demo") : mod_(mod)
    {
        static int counter = 0;
        root_ = fs::temp_directory_path() /
                ("scenewalk_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
        fs::create_directories(root_ / "story" / mod_);
        saved_ = fs::current_path();
        fs::current_path(root_);
    }
    ~StoryDir()
    {
        std::error_code ec;
        fs::current_path(saved_, ec);
        fs::remove_all(root_, ec);
    }
    StoryDir(const StoryDir&) = delete;
    StoryDir& operator=(const StoryDir&) = delete;

    const fs::path& root() const { return root_; }
    fs::path modDir() const { return root_ / "story" / mod_; }
    const std::string& mod() const { return mod_; }

    // A picture in the mod folder (or the story root when inRoot), given in
    // the usual top-row-first RGB(A) order.
    void writePicture(const std::string& name, const cv::Mat& rgbOrRgba, bool inRoot = false) const
    {
        cv::Mat bgr;
        if (rgbOrRgba.channels() == 4)
            cv::cvtColor(rgbOrRgba, bgr, cv::COLOR_RGBA2BGRA);
        else
            cv::cvtColor(rgbOrRgba, bgr, cv::COLOR_RGB2BGR);
        const fs::path file = (inRoot ? root_ / "story" : modDir()) / name;
        fs::create_directories(file.parent_path());
        cv::imwrite(file.string(), bgr);
    }

    // A mono 16-bit sine tone.
    void writeTone(const std::string& name, double seconds, double hz = 440.0,
                   double amplitude = 0.5) const
    {
        const int rate = 22050;
        const auto samples = static_cast<std::uint32_t>(seconds * rate);
        const fs::path file = modDir() / name;
        fs::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
        auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
        out.write("RIFF", 4);
        u32(36 + samples * 2);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(1);
        u16(1);
        u32(rate);
        u32(rate * 2);
        u16(2);
        u16(16);
        out.write("data", 4);
        u32(samples * 2);
        for (std::uint32_t i = 0; i < samples; ++i) {
            const double v = amplitude * std::sin(2 * 3.14159265358979 * hz * i / rate);
            u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767)));
        }
    }

    bool writeScript(const StoryRecords& records) const
    {
        return saveTree(*storyTree(records), (modDir() / "script.xml").string());
    }

    void writeStartup(const std::string& text) const
    {
        std::ofstream(root_ / "story" / "startup.txt") << text;
    }

private:
    std::string mod_;
    fs::path root_;
    fs::path saved_;
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

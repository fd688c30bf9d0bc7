// Frames of a story exactly as the player shows them: the player's own
// StoryPlayer walks the story forward as a reader does, and the demo window's
// scene and sprite overlay passes draw into a real GL window, read back
// instead of shown. Music and sound are never opened.
#pragma once

#include <opencv2/core.hpp>

#include <filesystem>
#include <memory>
#include <string>

class StoryPlayer;

namespace render {

inline constexpr int kFrameWidth = 800;
inline constexpr int kFrameHeight = 600;
inline constexpr int kLastStep = 20; // a transition's final step

class FrameRenderer {
public:
    // Needs DISPLAY to name a running X server. modDir is the mod folder; its
    // parent is the story root (next.png is read there). glyphFolder holds
    // 1.bin. Changes the working directory to a scratch folder for the
    // player's relative paths; give every other path absolute.
    // Null on failure, with the reason in `error`.
    static std::unique_ptr<FrameRenderer> open(const std::filesystem::path& modDir,
                                               const std::filesystem::path& glyphFolder, std::string& error);
    ~FrameRenderer();
    FrameRenderer(const FrameRenderer&) = delete;
    FrameRenderer& operator=(const FrameRenderer&) = delete;

    // Empty when script.xml loaded as a story; else why it did not.
    const std::string& loadProblem() const { return loadProblem_; }
    int frameCount() const;
    // The speaker's name for 0-based frame `index` (bytes as stored), or
    // empty for narration or an unknown character.
    std::string speakerOf(int index) const;

    // Walks forward to step `step` (0..20) of the transition into 0-based
    // frame `index`; step 20 is the frame at rest. False when that lies
    // behind the walk (this renderer only goes forward).
    bool walkTo(int index, int step = kLastStep);
    // The screen as the player's window holds it now: 800 x 600, BGR, top
    // row first. The next marker rests at its start position.
    cv::Mat screen();
    // Text drawn by the player's bitmap font (black on white, 8 x 13 and
    // 16 x 16 GB 2312 glyphs), width x height, BGR, top row first; the
    // baseline lies 5 pixels above the bottom, 4 from the left.
    cv::Mat caption(const std::string& text, int width, int height);

private:
    FrameRenderer() = default;
    cv::Mat readBack(int width, int height);

    std::filesystem::path scratch_;
    std::unique_ptr<StoryPlayer> player_;
    std::string loadProblem_;
};

// Why a mod folder's script.xml is not a story the player can play, or empty
// when it is.
std::string storyLoadProblem(const std::filesystem::path& modDir);

} // namespace render

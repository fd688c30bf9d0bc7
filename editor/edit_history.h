#pragma once
// Undo and redo for the story model. Each step is the difference between the
// records before and after one change: the run of frames it replaced (a box
// choice changes one frame, Add and Del insert or remove one, a music choice
// a run) and, when the lists changed (persons, photos, files, Export's
// references), those lists before and after. Typing in the sentence box of
// one frame is one step per visit of that frame.

#include <cstddef>
#include <deque>
#include <optional>
#include <vector>

#include "document/story_script.h"

namespace quillforge {

class EditHistory {
public:
    // limit: the steps kept; the oldest go first.
    explicit EditHistory(std::size_t limit = 500) : limit_(limit) {}

    // Forgets every step: state is the story as it is now.
    void reset(const StoryRecords& state);
    // Records what changed since the last recorded state as one step, made
    // while frameBefore was current and leaving frameAfter current. Nothing
    // when nothing changed. A step that only changes the sentence of the
    // frame the previous one typed into joins it while the typing lasts.
    void record(const StoryRecords& now, int frameBefore, int frameAfter);
    // The next sentence change starts a step of its own (a new frame visit).
    void endTyping() { typing_ = false; }

    // Takes story back before the last step (or forward again); frame is the
    // frame to show then. False when there is no such step.
    bool undo(StoryRecords& story, int& frame);
    bool redo(StoryRecords& story, int& frame);
    std::size_t undoCount() const { return done_.size(); }
    std::size_t redoCount() const { return undone_.size(); }

private:
    struct Step {
        std::size_t at = 0;                                  // first frame replaced
        std::vector<Frame> before, after;                    // frames [at, at + size) before and after
        std::optional<StoryRecords> listsBefore, listsAfter; // all but the frames, when they changed
        int frameBefore = -1, frameAfter = -1;
        bool typing = false;
    };
    static void apply(StoryRecords& story, const Step& step, bool forward);

    std::size_t limit_;
    StoryRecords state_; // the story as of the last step
    std::deque<Step> done_;
    std::vector<Step> undone_;
    bool typing_ = false;
};

} // namespace quillforge

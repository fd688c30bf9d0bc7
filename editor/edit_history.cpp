#include "editor/edit_history.h"

#include <algorithm>

namespace quillforge {

namespace {

StoryRecords listsOf(const StoryRecords& records)
{
    StoryRecords lists;
    lists.title = records.title;
    lists.characterCount = records.characterCount;
    lists.characters = records.characters;
    lists.backgrounds = records.backgrounds;
    lists.musics = records.musics;
    lists.sounds = records.sounds;
    return lists;
}

bool sameLists(const StoryRecords& a, const StoryRecords& b)
{
    return a.title == b.title && a.characterCount == b.characterCount && a.characters == b.characters &&
           a.backgrounds == b.backgrounds && a.musics == b.musics && a.sounds == b.sounds;
}

bool onlySentenceDiffers(Frame a, const Frame& b)
{
    a.sentence = b.sentence;
    return a == b;
}

void splice(std::vector<Frame>& frames, std::size_t at, std::size_t removed, const std::vector<Frame>& inserted)
{
    const auto first = frames.begin() + static_cast<std::ptrdiff_t>(at);
    const std::size_t common = std::min(removed, inserted.size());
    std::copy(inserted.begin(), inserted.begin() + static_cast<std::ptrdiff_t>(common), first);
    if (removed > common) {
        frames.erase(first + static_cast<std::ptrdiff_t>(common), first + static_cast<std::ptrdiff_t>(removed));
    } else {
        frames.insert(first + static_cast<std::ptrdiff_t>(common),
                      inserted.begin() + static_cast<std::ptrdiff_t>(common), inserted.end());
    }
}

void setLists(StoryRecords& story, const StoryRecords& lists)
{
    story.title = lists.title;
    story.characterCount = lists.characterCount;
    story.characters = lists.characters;
    story.backgrounds = lists.backgrounds;
    story.musics = lists.musics;
    story.sounds = lists.sounds;
}

} // namespace

void EditHistory::reset(const StoryRecords& state)
{
    state_ = state;
    done_.clear();
    undone_.clear();
    typing_ = false;
}

void EditHistory::record(const StoryRecords& now, int frameBefore, int frameAfter)
{
    const std::vector<Frame>& was = state_.frames;
    const std::vector<Frame>& is = now.frames;
    std::size_t head = 0;
    while (head < was.size() && head < is.size() && was[head] == is[head]) ++head;
    std::size_t tail = 0;
    while (tail < was.size() - head && tail < is.size() - head &&
           was[was.size() - 1 - tail] == is[is.size() - 1 - tail])
        ++tail;
    const bool framesChanged = head != was.size() || head != is.size() || state_.frameCount != now.frameCount;
    const bool listsChanged = !sameLists(state_, now);
    if (!framesChanged && !listsChanged) return;

    Step step;
    step.at = head;
    step.before.assign(was.begin() + static_cast<std::ptrdiff_t>(head), was.end() - static_cast<std::ptrdiff_t>(tail));
    step.after.assign(is.begin() + static_cast<std::ptrdiff_t>(head), is.end() - static_cast<std::ptrdiff_t>(tail));
    if (listsChanged) {
        step.listsBefore = listsOf(state_);
        step.listsAfter = listsOf(now);
    }
    step.frameBefore = frameBefore;
    step.frameAfter = frameAfter;
    step.typing = !listsChanged && step.before.size() == 1 && step.after.size() == 1 &&
                  onlySentenceDiffers(step.before[0], step.after[0]);

    splice(state_.frames, step.at, step.before.size(), step.after);
    state_.frameCount = now.frameCount;
    if (listsChanged) setLists(state_, now);
    undone_.clear();

    if (step.typing && typing_ && !done_.empty() && done_.back().typing && done_.back().at == step.at) {
        done_.back().after = std::move(step.after);
        done_.back().frameAfter = frameAfter;
        return;
    }
    typing_ = step.typing;
    done_.push_back(std::move(step));
    if (done_.size() > limit_) done_.pop_front();
}

void EditHistory::apply(StoryRecords& story, const Step& step, bool forward)
{
    const std::vector<Frame>& removed = forward ? step.before : step.after;
    const std::vector<Frame>& inserted = forward ? step.after : step.before;
    splice(story.frames, step.at, removed.size(), inserted);
    story.frameCount = static_cast<int>(story.frames.size());
    if (step.listsBefore) setLists(story, forward ? *step.listsAfter : *step.listsBefore);
}

bool EditHistory::undo(StoryRecords& story, int& frame)
{
    if (done_.empty()) return false;
    Step step = std::move(done_.back());
    done_.pop_back();
    apply(story, step, false);
    apply(state_, step, false);
    frame = step.frameBefore;
    undone_.push_back(std::move(step));
    typing_ = false;
    return true;
}

bool EditHistory::redo(StoryRecords& story, int& frame)
{
    if (undone_.empty()) return false;
    Step step = std::move(undone_.back());
    undone_.pop_back();
    apply(story, step, true);
    apply(state_, step, true);
    frame = step.frameAfter;
    done_.push_back(std::move(step));
    typing_ = false;
    return true;
}

} // namespace quillforge

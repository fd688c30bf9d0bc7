#pragma once
// Recording stand-ins for the editor's controls, a story root in a temporary
// folder, and the fixtures the editor tests share.

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <opencv2/imgcodecs.hpp>

#include "document/story_script.h"
#include "editor/command_panel.h"
#include "editor/controls.h"
#include "editor/quillforge_dlg.h"
#include "tests/sandbox.h"

namespace qtest {

using quillforge::ControlEvents;
using quillforge::ControlId;

struct Wired {
    ControlEvents* sink = nullptr;
    ControlId id{};
    void raise() { sink->onControlEvent(id); }
};

struct FakeList : quillforge::ListBox, Wired {
    std::vector<std::string> items;
    int sel = -1;
    bool enabled = true;
    void reset() override
    {
        items.clear();
        sel = -1;
    }
    void addString(const std::string& t) override { items.push_back(t); }
    int count() const override { return static_cast<int>(items.size()); }
    int selection() const override { return sel; }
    void setSelection(int i) override { sel = i >= 0 && i < count() ? i : -1; }
    std::string entry(int i) const override { return i >= 0 && i < count() ? items[i] : ""; }
    void setEnabled(bool e) override { enabled = e; }
    void choose(int i)
    {
        sel = i;
        raise();
    } // the user's pick
    std::string chosen() const { return entry(sel); }
};

struct FakeEdit : quillforge::EditBox, Wired {
    std::string value;
    bool raiseOnSet = false; // a toolkit that reports the program's own changes
    bool enabled = true;
    std::string text() const override { return value; }
    void setText(const std::string& t) override
    {
        value = t;
        if (raiseOnSet) raise();
    }
    void setEnabled(bool e) override { enabled = e; }
    void type(const std::string& t)
    {
        value = t;
        raise();
    }
};

struct FakeCheck : quillforge::CheckBox, Wired {
    bool on = false;
    bool checked() const override { return on; }
    void setChecked(bool c) override { on = c; }
    void click()
    {
        on = !on;
        raise();
    }
};

// Answers the open-file dialogs in turn; with no answer left it cancels.
struct FakeFiles : quillforge::FileDialog {
    std::deque<std::string> answers;
    std::vector<std::string> filters; // the filter of every dialog shown
    bool openFile(const std::string& filter, std::string& path) override
    {
        filters.push_back(filter);
        if (answers.empty()) return false;
        path = answers.front();
        answers.pop_front();
        return true;
    }
};

struct FakeQuestion : quillforge::CloseQuestion {
    Answer answer = Answer::Stay;
    int asked = 0;
    bool restore = true;
    int restoreAsked = 0;
    Answer askSaveChanges(const std::string&) override
    {
        ++asked;
        return answer;
    }
    bool askRestore(const std::string&) override
    {
        ++restoreAsked;
        return restore;
    }
};

struct FakePreview : quillforge::PreviewSurface {
    int invalidated = 0;
    void invalidate() override { ++invalidated; }
};

// Every control of the window, wired to one CQuillforgeDlg with the commands,
// on the story root storyRoot (a stored path prefix, ending in "/").
struct FakeWindow {
    explicit FakeWindow(const std::string& storyRoot, AudioOutput* audio = &quillforge::mixerAudio())
        : commands(storyRoot), dlg(controls(), storyRoot, audio)
    {
        speaker.items = {"None", "Left", "Right"};
        dlg.setCommands(&commands);
    }

    FakeList mod, back, left, right, leftPhoto, rightPhoto, addPhoto, speaker, bgm, sound;
    FakeEdit personName, sentence, log, modName, page;
    FakeCheck bgmCheck;
    FakeFiles files;
    FakeQuestion question;
    FakePreview preview;
    quillforge::CommandPanel commands;
    CQuillforgeDlg dlg;

    void click(ControlId id) { dlg.onControlEvent(id); }
    std::vector<std::string> logLines() const
    {
        std::vector<std::string> lines;
        size_t pos = 0;
        for (size_t end; (end = log.value.find("\r\n", pos)) != std::string::npos; pos = end + 2)
            lines.push_back(log.value.substr(pos, end - pos));
        return lines;
    }
    std::string lastLog() const
    {
        auto l = logLines();
        return l.empty() ? "" : l.back();
    }

private:
    // Runs before dlg is built: only its address is taken.
    template <class Control>
    Control* wire(Control& c, ControlId id)
    {
        c.sink = &dlg;
        c.id = id;
        return &c;
    }
    quillforge::EditorControls controls()
    {
        using C = ControlId;
        quillforge::EditorControls c;
        c.mod = wire(mod, C::Mod);
        c.back = wire(back, C::Back);
        c.left = wire(left, C::Left);
        c.right = wire(right, C::Right);
        c.leftPhoto = wire(leftPhoto, C::LeftPhoto);
        c.rightPhoto = wire(rightPhoto, C::RightPhoto);
        c.addPhotoPerson = wire(addPhoto, C::AddPhotoPerson);
        c.speaker = wire(speaker, C::Speaker);
        c.bgm = wire(bgm, C::Bgm);
        c.sound = wire(sound, C::Sound);
        c.personName = wire(personName, C::PersonName);
        c.sentence = wire(sentence, C::Sentence);
        c.log = wire(log, C::Log);
        c.modName = wire(modName, C::ModName);
        c.page = wire(page, C::Page);
        c.bgmCheck = wire(bgmCheck, C::BgmCheck);
        c.fileDialog = &files;
        c.closeQuestion = &question;
        c.preview = &preview;
        return c;
    }
};

// A temporary folder holding story/ (and outside/); every path it hands out
// is absolute, below that folder.
class StoryRoot : public Sandbox {
public:
    StoryRoot() { setenv("SDL_AUDIODRIVER", "dummy", 0); }
    void startup(const std::string& text) const { write("story/startup.txt", text); }
    // A picture of one colour, so copies can be told apart by content.
    std::string picture(const std::string& rel, int shade = 0) const
    {
        const std::string file = path(rel);
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        cv::imwrite(file, cv::Mat(30, 40, CV_8UC3, cv::Scalar(shade, 255 - shade, 90)));
        return file;
    }
    // Writes records as story/<mod>/script.xml through the story model.
    void addMod(const std::string& mod, const StoryRecords& records) const
    {
        std::filesystem::create_directories(path("story/" + mod));
        StoryScript s(storyRoot(), mod);
        static_cast<StoryRecords&>(s) = records;
        s.save();
    }
};

// Three frames, two persons (Ann with photos "smile" and "calm", Bo with
// "grin"), two backgrounds, two musics, one sound.
inline StoryRecords sampleStory()
{
    StoryRecords r;
    r.title = "Sample";
    r.characters = {{"Ann", 2, {{"smile", "//a1.png"}, {"calm", "//a2.png"}}}, {"Bo", 1, {{"grin", "//b.png"}}}};
    r.backgrounds = {"//bg/one.jpg", "C:\\pics\\two.jpg"};
    r.musics = {"//bgm/m0.mp3", "//bgm/m1.mp3"};
    r.sounds = {"//sound/s.wav"};
    r.frames = {Frame{0, 1, 1, 0, 1, "\xC4\xE3\xBA\xC3", 0, 0, -1}, // GB 2312 for 你好
                Frame{-1, -1, 0, 0, 0, "two", 1, 0, 0}, Frame{1, 0, -1, -1, 2, "three", 0, 1, -1}};
    r.characterCount = 2;
    r.frameCount = 3;
    return r;
}

// The window, not yet opened, on story/demo holding sampleStory(), the mod
// the start-up file names.
class DemoWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.startup("demo");
        root.addMod("demo", sampleStory());
    }
    void open() { ASSERT_TRUE(w.dlg.initDialog()); }
    Frame& frame(int i) { return w.dlg.story()->frames.at(i); }
    StoryScript& story() { return *w.dlg.story(); }

    StoryRoot root;
    FakeWindow w{root.storyRoot()};
};

} // namespace qtest

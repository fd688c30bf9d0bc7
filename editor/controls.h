#pragma once
// The editor window's controls as its behaviour sees them. CQuillforgeDlg
// drives only these interfaces; editor/qt binds them to Qt widgets and the
// tests bind them to plain recording objects.
//
// Every text crossing these interfaces is UTF-8 (what the user sees); the
// behaviour converts story text to and from its stored GB 2312 form. Line ends
// inside multi-line texts are "\r\n".
//
// Rules every binding keeps:
// - A user's choice or keystroke raises an event; the program's own calls
//   (reset, addString, setSelection, setText, setChecked) never do.
// - setText replaces a box's text only when it differs from what it shows.

#include <string>

namespace quillforge {

// Control identifiers of the dialog template.
enum class ControlId : int {
    Mod = 1000,
    Back = 1001,
    Left = 1002,
    Right = 1003,
    AddBackground = 1004,
    LeftPhoto = 1005,
    RightPhoto = 1006,
    PersonName = 1007,
    AddPhotoPerson = 1008,
    AddPhoto = 1009,
    Speaker = 1010,
    Sentence = 1011,
    AddPerson = 1012,
    Log = 1013,
    Save = 1014,
    Export = 1015,
    ModName = 1016,
    AddMod = 1017,
    Prev = 1018,
    Next = 1019,
    Begin = 1020,
    End = 1021,
    Page = 1022,
    AddFrame = 1023,
    DeleteFrame = 1024,
    Bgm = 1025,
    AddMusic = 1026,
    BgmCheck = 1027,
    StartUp = 1028,
    Sound = 1029,
    AddSound = 1030,
};

// Receives the events of the controls: a selection change, a text change or a
// click, named by the control that raised it.
class ControlEvents {
public:
    virtual ~ControlEvents() = default;
    virtual void onControlEvent(ControlId id) = 0;
};

// A drop-down list: no typing, not sorted.
class ListBox {
public:
    virtual ~ListBox() = default;
    virtual void reset() = 0; // removes every entry
    virtual void addString(const std::string& text) = 0;
    virtual int count() const = 0;
    virtual int selection() const = 0; // -1 when nothing is selected
    // An index outside 0 .. count() - 1 leaves nothing selected.
    virtual void setSelection(int index) = 0;
    virtual std::string entry(int index) const = 0; // empty outside the range
    virtual void setEnabled(bool enabled) = 0;
};

class EditBox {
public:
    virtual ~EditBox() = default;
    virtual std::string text() const = 0;
    virtual void setText(const std::string& text) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

class CheckBox {
public:
    virtual ~CheckBox() = default;
    virtual bool checked() const = 0;
    virtual void setChecked(bool checked) = 0;
};

// Open-file dialog. filter uses the "Name (*.ext)|*.ext||" form.
class FileDialog {
public:
    virtual ~FileDialog() = default;
    // False when the user cancels; otherwise path is the chosen file's full path.
    virtual bool openFile(const std::string& filter, std::string& path) = 0;
};

// The question asked when the window is closed with unsaved changes.
class CloseQuestion {
public:
    enum class Answer { Save, Discard, Stay };
    virtual ~CloseQuestion() = default;
    virtual Answer askSaveChanges(const std::string& modName) = 0;
    // Asked on opening a mod whose recovery file (unsaved work kept at a
    // signal) is newer than its script.xml: true restores that work.
    virtual bool askRestore(const std::string& modName) = 0;
};

// The preview area. The behaviour composes the picture; the surface shows it
// by calling CQuillforgeDlg::paintPreview from its own paint handling.
class PreviewSurface {
public:
    virtual ~PreviewSurface() = default;
    virtual void invalidate() = 0; // asks for a repaint soon
};

// All controls of the window. Every pointer must be set; none is owned.
struct EditorControls {
    ListBox* mod = nullptr;
    ListBox* back = nullptr;
    ListBox* left = nullptr;
    ListBox* right = nullptr;
    ListBox* leftPhoto = nullptr;
    ListBox* rightPhoto = nullptr;
    ListBox* addPhotoPerson = nullptr;
    ListBox* speaker = nullptr; // holds "None", "Left", "Right" from the start
    ListBox* bgm = nullptr;
    ListBox* sound = nullptr;
    EditBox* personName = nullptr;
    EditBox* sentence = nullptr;
    EditBox* log = nullptr;
    EditBox* modName = nullptr;
    EditBox* page = nullptr;
    CheckBox* bgmCheck = nullptr;
    FileDialog* fileDialog = nullptr;
    CloseQuestion* closeQuestion = nullptr;
    PreviewSurface* preview = nullptr;

    bool complete() const;
};

} // namespace quillforge

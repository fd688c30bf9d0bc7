#pragma once
// The Qt face of the editor: the dialog of template 102 with every control at
// its place, bound to CQuillforgeDlg through editor/qt/qt_controls.h, and the
// About box. Keys: Enter and Escape never close the window (Enter in the Add
// Person or Add Mod box runs that box's Add); F1 and the context menu offer
// "&About Quillforge...", F7 and the context menu "&Check Story..." (the
// Problems window, editor/qt/problems_window.h). Ctrl+S, Page Down, Page Up,
// Ctrl+Home and Ctrl+End run Save, Next, Prev, Begin and End; Ctrl+G goes to
// a frame by number; Ctrl+Z undoes, Ctrl+Shift+Z and Ctrl+Y redo.

#include <memory>
#include <vector>

#include <QDialog>
#include <QIcon>

#include "editor/controls.h"
#include "editor/quillforge_dlg.h"

namespace quillforge::qt {

class QtPreview;

// Dialog units of the 8-pt dialog font to pixels: 1 unit = 1.5 px across and
// 1.625 px down.
int duToPxX(int units);
int duToPxY(int units);

QIcon quillforgeIcon();

// "About Quillforge": icon, "Quillforge, Version 1.0" and a default OK button.
class AboutBox final : public QDialog {
public:
    explicit AboutBox(QWidget* parent);
};

class QuillforgeWindow final : public QDialog, private ControlEvents {
public:
    // storyRoot: the folder of the mods and the start-up file, as a stored
    // path prefix.
    explicit QuillforgeWindow(const std::string& storyRoot = kEditorStoryRoot, QWidget* parent = nullptr);
    ~QuillforgeWindow() override;

    CQuillforgeDlg& dlg() { return *dlg_; }
    // The widget of a control of the template; null for an unknown id.
    QWidget* controlWidget(ControlId id) const;
    QtPreview* previewWidget() const { return preview_; }
    // Replaces the close question (tests answer it themselves).
    void setCloseQuestion(CloseQuestion* question);
    void showAbout();
    // Ctrl+G: asks for a frame number and shows that frame.
    void askFrameNumber();
    void undo();
    void redo();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void onControlEvent(ControlId id) override;

    struct Parts;
    std::unique_ptr<Parts> parts_;
    QtPreview* preview_ = nullptr;
    std::unique_ptr<CQuillforgeDlg> dlg_;
};

} // namespace quillforge::qt

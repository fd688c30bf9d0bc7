#pragma once
// Qt widgets behind the editor's control interfaces (editor/controls.h).
//
// Events reach the sink only from the user: list boxes report QComboBox::
// activated, which programmatic selection never raises; edit boxes drop the
// change signals their own setText causes; the check box reports clicked.
// setText leaves a box alone when it already shows the text, so an unchanged
// push neither repaints it nor moves its cursor.

#include <functional>
#include <string>

#include <QFrame>

#include "editor/controls.h"
#include "editor/draw_target.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPainter;
class QPlainTextEdit;
class QWidget;

namespace quillforge::qt {

class QtListBox final : public ListBox {
public:
    QtListBox(QComboBox* box, ControlId id, ControlEvents* sink);
    void reset() override;
    void addString(const std::string& text) override;
    int count() const override;
    int selection() const override;
    void setSelection(int index) override;
    std::string entry(int index) const override;
    void setEnabled(bool enabled) override;
    QComboBox* widget() const { return box_; }

private:
    QComboBox* box_;
};

// A one-line box.
class QtLineEdit final : public EditBox {
public:
    QtLineEdit(QLineEdit* edit, ControlId id, ControlEvents* sink);
    std::string text() const override;
    void setText(const std::string& text) override;
    void setEnabled(bool enabled) override;
    QLineEdit* widget() const { return edit_; }

private:
    QLineEdit* edit_;
};

// A multi-line box. keepEndVisible scrolls to the last line after each
// replacement (the log).
class QtTextEdit final : public EditBox {
public:
    QtTextEdit(QPlainTextEdit* edit, ControlId id, ControlEvents* sink, bool keepEndVisible = false);
    std::string text() const override;
    void setText(const std::string& text) override;
    void setEnabled(bool enabled) override;
    QPlainTextEdit* widget() const { return edit_; }

private:
    QPlainTextEdit* edit_;
    bool keepEndVisible_;
    bool settingText_ = false;
};

class QtCheckBox final : public CheckBox {
public:
    QtCheckBox(QCheckBox* box, ControlId id, ControlEvents* sink);
    bool checked() const override;
    void setChecked(bool checked) override;

private:
    QCheckBox* box_;
};

class QtFileDialog final : public FileDialog {
public:
    explicit QtFileDialog(QWidget* parent) : parent_(parent) {}
    bool openFile(const std::string& filter, std::string& path) override;
    // "All Files (*.*)|*.*||" as a Qt name filter list.
    static std::string qtFilterOf(const std::string& filter);

private:
    QWidget* parent_;
};

class QtCloseQuestion final : public CloseQuestion {
public:
    explicit QtCloseQuestion(QWidget* parent) : parent_(parent) {}
    Answer askSaveChanges(const std::string& modName) override;
    bool askRestore(const std::string& modName) override;

private:
    QWidget* parent_;
};

// Draws onto a QPainter: smooth scaling when shrinking, fast when enlarging.
class QtPainterTarget final : public DrawTarget {
public:
    explicit QtPainterTarget(QPainter& painter) : painter_(painter) {}
    void drawImage(const cv::Mat& image, bool bottomUp, const PixelRect& source, const PixelRect& dest,
                   ScaleMode mode) override;

private:
    QPainter& painter_;
};

// The preview area: a black frame whose inside is painted by a callback.
class QtPreview final : public QFrame, public PreviewSurface {
public:
    using Painter = std::function<void(DrawTarget&, const PixelRect& client)>;
    explicit QtPreview(QWidget* parent);
    void setPainter(Painter painter) { painter_ = std::move(painter); }
    void invalidate() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Painter painter_;
};

} // namespace quillforge::qt

#include "editor/qt/qt_controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>

namespace quillforge::qt {
namespace {

QString fromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toUtf8(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

} // namespace

// ---- list box

QtListBox::QtListBox(QComboBox* box, ControlId id, ControlEvents* sink) : box_(box)
{
    QObject::connect(box_, &QComboBox::activated, box_, [sink, id](int) {
        if (sink) sink->onControlEvent(id);
    });
}

void QtListBox::reset()
{
    box_->clear();
}
void QtListBox::addString(const std::string& text)
{
    box_->addItem(fromUtf8(text));
}
int QtListBox::count() const
{
    return box_->count();
}
int QtListBox::selection() const
{
    return box_->currentIndex();
}

void QtListBox::setSelection(int index)
{
    box_->setCurrentIndex(index >= 0 && index < box_->count() ? index : -1);
}

std::string QtListBox::entry(int index) const
{
    if (index < 0 || index >= box_->count()) return {};
    return toUtf8(box_->itemText(index));
}

void QtListBox::setEnabled(bool enabled)
{
    box_->setEnabled(enabled);
}

// ---- one-line edit

QtLineEdit::QtLineEdit(QLineEdit* edit, ControlId id, ControlEvents* sink) : edit_(edit)
{
    // textEdited is raised by typing only, never by setText.
    QObject::connect(edit_, &QLineEdit::textEdited, edit_, [sink, id](const QString&) {
        if (sink) sink->onControlEvent(id);
    });
}

std::string QtLineEdit::text() const
{
    return toUtf8(edit_->text());
}

void QtLineEdit::setText(const std::string& text)
{
    QString value = fromUtf8(text);
    if (edit_->text() != value) edit_->setText(value);
}

void QtLineEdit::setEnabled(bool enabled)
{
    edit_->setEnabled(enabled);
}

// ---- multi-line edit

QtTextEdit::QtTextEdit(QPlainTextEdit* edit, ControlId id, ControlEvents* sink, bool keepEndVisible)
    : edit_(edit), keepEndVisible_(keepEndVisible)
{
    // textChanged also fires for setPlainText; those are the program's own.
    QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this, sink, id] {
        if (!settingText_ && sink) sink->onControlEvent(id);
    });
}

std::string QtTextEdit::text() const
{
    QString value = edit_->toPlainText();
    value.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return toUtf8(value);
}

void QtTextEdit::setText(const std::string& text)
{
    QString value = fromUtf8(text);
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (edit_->toPlainText() == value) return;
    settingText_ = true;
    edit_->setPlainText(value);
    settingText_ = false;
    if (keepEndVisible_) {
        QScrollBar* bar = edit_->verticalScrollBar();
        bar->setValue(bar->maximum());
    }
}

void QtTextEdit::setEnabled(bool enabled)
{
    edit_->setEnabled(enabled);
}

// ---- check box

QtCheckBox::QtCheckBox(QCheckBox* box, ControlId id, ControlEvents* sink) : box_(box)
{
    QObject::connect(box_, &QCheckBox::clicked, box_, [sink, id](bool) {
        if (sink) sink->onControlEvent(id);
    });
}

bool QtCheckBox::checked() const
{
    return box_->isChecked();
}
void QtCheckBox::setChecked(bool checked)
{
    box_->setChecked(checked);
}

// ---- file dialog

std::string QtFileDialog::qtFilterOf(const std::string& filter)
{
    // Pairs of name and pattern separated by "|"; an empty name ends the list.
    std::string result;
    size_t pos = 0;
    while (pos < filter.size()) {
        size_t bar = filter.find('|', pos);
        std::string name = filter.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos);
        if (name.empty()) break;
        std::string pattern;
        if (bar != std::string::npos) {
            size_t next = filter.find('|', bar + 1);
            pattern = filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
            pos = next == std::string::npos ? filter.size() : next + 1;
        } else {
            pos = filter.size();
        }
        // "*.*" means every file; here it would skip names without a dot.
        if (name.find('(') == std::string::npos && !pattern.empty()) name += " (" + pattern + ")";
        for (size_t at = name.find("*.*"); at != std::string::npos; at = name.find("*.*", at + 1))
            name.erase(at + 1, 2);
        if (!result.empty()) result += ";;";
        result += name;
    }
    return result;
}

bool QtFileDialog::openFile(const std::string& filter, std::string& path)
{
    QString chosen = QFileDialog::getOpenFileName(parent_, QString(), QString(), fromUtf8(qtFilterOf(filter)));
    if (chosen.isEmpty()) return false;
    path = toUtf8(chosen);
    return true;
}

// ---- close question

CloseQuestion::Answer QtCloseQuestion::askSaveChanges(const std::string& modName)
{
    QMessageBox box(
        QMessageBox::Question, QStringLiteral("Quillforge"),
        QStringLiteral("The story \"%1\" has unsaved changes.\nSave them before closing?").arg(fromUtf8(modName)),
        QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent_);
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return Answer::Save;
    case QMessageBox::Discard: return Answer::Discard;
    default: return Answer::Stay;
    }
}

bool QtCloseQuestion::askRestore(const std::string& modName)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Restore Unsaved Work"),
                    QStringLiteral("The story \"%1\" has unsaved work from an editor that was stopped.\n"
                                   "Restore it? (It stays unsaved until you save.)")
                        .arg(fromUtf8(modName)),
                    QMessageBox::Yes | QMessageBox::No, parent_);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

// ---- drawing

void QtPainterTarget::drawImage(const cv::Mat& image, bool bottomUp, const PixelRect& source, const PixelRect& dest,
                                ScaleMode mode)
{
    if (image.empty() || image.depth() != CV_8U) return;
    QImage::Format format;
    switch (image.channels()) {
    case 1: format = QImage::Format_Grayscale8; break;
    case 3: format = QImage::Format_BGR888; break;
    case 4: format = QImage::Format_ARGB32; break; // blue, green, red, alpha in memory
    default: return;
    }
    QImage view(image.data, image.cols, image.rows, static_cast<qsizetype>(image.step), format);
    if (bottomUp) view = view.mirrored(false, true);
    painter_.save();
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, mode == ScaleMode::Smooth);
    painter_.drawImage(QRect(dest.left, dest.top, dest.width(), dest.height()), view,
                       QRect(source.left, source.top, source.width(), source.height()));
    painter_.restore();
}

QtPreview::QtPreview(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette pal = palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    setPalette(pal);
    setFocusPolicy(Qt::NoFocus);
}

void QtPreview::invalidate()
{
    update();
}

void QtPreview::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    if (!painter_) return;
    QPainter painter(this);
    QtPainterTarget target(painter);
    QRect inside = contentsRect();
    painter_(target,
             PixelRect{inside.left(), inside.top(), inside.left() + inside.width(), inside.top() + inside.height()});
}

} // namespace quillforge::qt

#include "editor/qt/quillforge_window.h"

#include <cmath>
#include <map>

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionFrame>

#include "editor/command_panel.h"
#include "editor/qt/problems_window.h"
#include "editor/qt/qt_controls.h"

namespace quillforge::qt {

int duToPxX(int units)
{
    return static_cast<int>(std::lround(units * 1.5));
}
int duToPxY(int units)
{
    return static_cast<int>(std::lround(units * 1.625));
}

namespace {

QRect duRect(int x, int y, int w, int h)
{
    return QRect(duToPxX(x), duToPxY(y), duToPxX(w), duToPxY(h));
}

// Gives edit's text the largest font, down from the dialog's, narrowed
// before it is made smaller, at which all of it fits; shows it from its start.
void fitLineText(QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    // QLineEdit keeps 2 px on each side of the text inside its contents.
    const int room = edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
    const QString text = edit->text();
    QFont font = edit->parentWidget()->font();
    auto fits = [&] { return QFontMetrics(font).horizontalAdvance(text) <= room; };
    for (int stretch = 100; stretch >= 60 && !fits(); stretch -= 10) font.setStretch(stretch);
    for (int size = font.pixelSize() - 1; size >= 6 && !fits(); --size) font.setPixelSize(size);
    edit->setFont(font);
    edit->setCursorPosition(0);
}

// The 8-pt dialog font: 13 px high cells.
QFont dialogFont()
{
    QFont font;
    font.setPixelSize(11);
    return font;
}

} // namespace

QIcon quillforgeIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 70, 130));
        p.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
        // A quill: a slanted white vane with a dark shaft.
        QPolygonF vane;
        vane << QPointF(size * 0.80, size * 0.12) << QPointF(size * 0.55, size * 0.62)
             << QPointF(size * 0.32, size * 0.70) << QPointF(size * 0.48, size * 0.40);
        p.setBrush(QColor(245, 240, 225));
        p.drawPolygon(vane);
        p.setPen(QPen(QColor(245, 240, 225), std::max(1.0, size / 16.0)));
        p.drawLine(QPointF(size * 0.32, size * 0.70), QPointF(size * 0.18, size * 0.88));
        icon.addPixmap(pixmap);
    }
    return icon;
}

// The keys of the window, for the About box.
constexpr const char* kKeyList = "Ctrl+S\tSave\n"
                                 "Page Down / Page Up\tNext / previous frame\n"
                                 "Ctrl+Home / Ctrl+End\tFirst / last frame\n"
                                 "Ctrl+G\tGo to frame...\n"
                                 "Ctrl+Z\tUndo\n"
                                 "Ctrl+Shift+Z, Ctrl+Y\tRedo\n"
                                 "F7\tCheck story\n"
                                 "F1\tThis box";

AboutBox::AboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Quillforge"));
    setFont(dialogFont());
    // The template's box, with the keys listed below its OK button.
    setFixedSize(duToPxX(170), duToPxY(62 + 66));
    auto* keys = new QLabel(QString::fromLatin1(kKeyList).replace('\t', QStringLiteral(": ")), this);
    keys->setObjectName(QStringLiteral("keys"));
    keys->setGeometry(duRect(14, 62, 150, 62));
    keys->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* icon = new QLabel(this);
    icon->setPixmap(quillforgeIcon().pixmap(32, 32));
    icon->setGeometry(duToPxX(14), duToPxY(14), 32, 32);
    auto* text = new QLabel(QStringLiteral("Quillforge, Version 1.0"), this);
    text->setGeometry(duRect(42, 14, 114, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(duRect(113, 41, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

// The wheel turns a list box only while it has the focus: rolling over the
// window must not pick another mod or background by accident.
class WheelOnlyWhenFocused final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Wheel) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget && !widget->hasFocus()) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// The window's keys reach its shortcuts even where the focused box would
// take them as its own.
class WindowKeysFirst final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ShortcutOverride) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const QKeyCombination pressed = key->keyCombination();
            for (QKeyCombination k :
                 {QKeyCombination(Qt::CTRL, Qt::Key_S), QKeyCombination(Qt::Key_PageDown),
                  QKeyCombination(Qt::Key_PageUp), QKeyCombination(Qt::CTRL, Qt::Key_Home),
                  QKeyCombination(Qt::CTRL, Qt::Key_End), QKeyCombination(Qt::CTRL, Qt::Key_G),
                  QKeyCombination(Qt::CTRL, Qt::Key_Z), QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z),
                  QKeyCombination(Qt::CTRL, Qt::Key_Y)}) {
                if (pressed == k) {
                    event->ignore(); // not the box's: the shortcut may have it
                    return true;
                }
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

struct QuillforgeWindow::Parts {
    explicit Parts(const std::string& storyRoot) : commands(storyRoot) {}
    std::map<ControlId, QWidget*> widgets;
    std::vector<std::unique_ptr<ListBox>> lists;
    std::vector<std::unique_ptr<EditBox>> edits;
    std::unique_ptr<QtCheckBox> check;
    std::unique_ptr<QtFileDialog> fileDialog;
    std::unique_ptr<QtCloseQuestion> question;
    CommandPanel commands;
    EditorControls controls;
    QLineEdit* personName = nullptr;
    QLineEdit* modName = nullptr;
};

QuillforgeWindow::QuillforgeWindow(const std::string& storyRoot, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      parts_(std::make_unique<Parts>(storyRoot))
{
    setWindowTitle(QStringLiteral("Quillforge"));
    setWindowIcon(quillforgeIcon());
    setFont(dialogFont());
    setFixedSize(duToPxX(604), duToPxY(351));

    // The bindings report to this window, which hands the events on to the
    // behaviour once it exists.
    ControlEvents* sink = this;
    EditorControls& c = parts_->controls;
    Parts& p = *parts_;

    std::vector<QLabel*> labels;
    auto label = [&](const char* text, int x, int y, int w, int h) {
        auto* l = new QLabel(QString::fromLatin1(text), this);
        l->setGeometry(duRect(x, y, w, h));
        l->setAlignment(Qt::AlignRight | Qt::AlignTop);
        labels.push_back(l);
    };
    auto* wheelFilter = new WheelOnlyWhenFocused(this);
    auto list = [&](ControlId id, int x, int y, int w, int h) -> ListBox* {
        auto* box = new QComboBox(this);
        box->installEventFilter(wheelFilter);
        box->setEditable(false);
        box->setFocusPolicy(Qt::StrongFocus);
        int closed = box->sizeHint().height();
        box->setGeometry(duToPxX(x), duToPxY(y), duToPxX(w), closed);
        int itemHeight = box->fontMetrics().height() + 4;
        box->setMaxVisibleItems(std::max(1, (duToPxY(h) - closed) / itemHeight));
        p.widgets[id] = box;
        p.lists.push_back(std::make_unique<QtListBox>(box, id, sink));
        return p.lists.back().get();
    };
    auto button = [&](ControlId id, const char* caption, int x, int y, int w, int h) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setGeometry(duRect(x, y, w, h));
        b->setFocusPolicy(Qt::StrongFocus);
        // No default button: Enter must never press a button the user did not pick.
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [sink, id] { sink->onControlEvent(id); });
        p.widgets[id] = b;
    };
    auto lineEdit = [&](ControlId id, int x, int y, int w, int h, bool readOnly) -> QtLineEdit* {
        auto* e = new QLineEdit(this);
        e->setGeometry(duRect(x, y, w, h));
        e->setReadOnly(readOnly);
        e->setFocusPolicy(Qt::StrongFocus);
        p.widgets[id] = e;
        auto binding = std::make_unique<QtLineEdit>(e, id, sink);
        QtLineEdit* raw = binding.get();
        p.edits.push_back(std::move(binding));
        return raw;
    };
    auto textEdit = [&](ControlId id, int x, int y, int w, int h, bool readOnly) -> QtTextEdit* {
        auto* e = new QPlainTextEdit(this);
        e->setGeometry(duRect(x, y, w, h));
        e->setReadOnly(readOnly);
        e->setTabChangesFocus(true);
        // The log scrolls sideways like a one-line box; the sentence wraps.
        if (readOnly) e->setLineWrapMode(QPlainTextEdit::NoWrap);
        e->setFocusPolicy(Qt::StrongFocus);
        p.widgets[id] = e;
        auto binding = std::make_unique<QtTextEdit>(e, id, sink, readOnly);
        QtTextEdit* raw = binding.get();
        p.edits.push_back(std::move(binding));
        return raw;
    };

    // Template order, which is also the tab order.
    preview_ = new QtPreview(this);
    preview_->setGeometry(duRect(157, 15, 431, 300));
    c.preview = preview_;
    c.mod = list(ControlId::Mod, 46, 15, 71, 192);
    c.back = list(ControlId::Back, 46, 34, 72, 271);
    c.left = list(ControlId::Left, 46, 53, 59, 225);
    c.right = list(ControlId::Right, 46, 72, 59, 221);
    label("Mod:", 24, 18, 17, 10);
    label("Back:", 23, 35, 21, 11);
    button(ControlId::AddBackground, "Add", 121, 33, 29, 14);
    label("Left:", 25, 54, 18, 9);
    label("Right:", 21, 73, 22, 14);
    c.leftPhoto = list(ControlId::LeftPhoto, 110, 52, 40, 219);
    c.rightPhoto = list(ControlId::RightPhoto, 110, 72, 40, 215);
    c.personName = lineEdit(ControlId::PersonName, 52, 165, 66, 13, false);
    label("Add Person:", 10, 167, 40, 14);
    label("Add Photo:", 13, 185, 40, 14);
    c.addPhotoPerson = list(ControlId::AddPhotoPerson, 51, 184, 67, 58);
    button(ControlId::AddPhoto, "Add", 121, 183, 29, 13);
    label("Speaker:", 12, 93, 29, 13);
    c.speaker = list(ControlId::Speaker, 46, 91, 104, 54);
    for (const char* item : {"None", "Left", "Right"}) c.speaker->addString(item);
    c.sentence = textEdit(ControlId::Sentence, 184, 255, 375, 40, false);
    button(ControlId::AddPerson, "Add", 121, 165, 29, 13);
    c.log = textEdit(ControlId::Log, 13, 199, 138, 112, true);
    button(ControlId::Save, "Save", 14, 317, 65, 20);
    button(ControlId::Export, "Export", 87, 317, 63, 20);
    c.modName = lineEdit(ControlId::ModName, 51, 147, 66, 13, false);
    label("Add Mod:", 18, 149, 31, 14);
    button(ControlId::AddMod, "Add", 121, 147, 29, 13);
    button(ControlId::Prev, "Prev", 316, 319, 40, 18);
    button(ControlId::Next, "Next", 394, 319, 40, 18);
    button(ControlId::Begin, "Begin", 157, 319, 49, 18);
    button(ControlId::End, "End", 540, 319, 49, 18);
    c.page = lineEdit(ControlId::Page, 362, 322, 28, 12, true);
    button(ControlId::AddFrame, "Add", 463, 319, 25, 18);
    button(ControlId::DeleteFrame, "Del", 491, 319, 25, 18);
    label("BGM:", 24, 111, 21, 13);
    c.bgm = list(ControlId::Bgm, 46, 109, 72, 185);
    button(ControlId::AddMusic, "Add", 120, 108, 29, 15);
    {
        auto* check = new QCheckBox(QStringLiteral("BGM"), this);
        check->setGeometry(duRect(252, 321, 30, 16));
        check->setFocusPolicy(Qt::StrongFocus);
        p.widgets[ControlId::BgmCheck] = check;
        p.check = std::make_unique<QtCheckBox>(check, ControlId::BgmCheck, sink);
        c.bgmCheck = p.check.get();
    }
    button(ControlId::StartUp, "StartUp", 122, 15, 29, 14);
    label("Sound:", 24, 129, 21, 13);
    c.sound = list(ControlId::Sound, 46, 127, 72, 217);
    button(ControlId::AddSound, "Add", 120, 127, 29, 15);

    // The page box is centred like the dialog's number fields.
    static_cast<QLineEdit*>(p.widgets[ControlId::Page])->setAlignment(Qt::AlignCenter);
    p.personName = static_cast<QLineEdit*>(p.widgets[ControlId::PersonName]);
    p.modName = static_cast<QLineEdit*>(p.widgets[ControlId::ModName]);

    // A caption wider in this font than in the template's ends just before
    // the box it names and grows to the left instead.
    for (QLabel* l : labels) {
        QRect r = l->geometry();
        for (QObject* child : children()) {
            auto* widget = qobject_cast<QWidget*>(child);
            if (!widget || widget == l || qobject_cast<QLabel*>(widget)) continue;
            QRect other = widget->geometry();
            if (other.intersects(r) && other.left() > r.left()) r.setRight(other.left() - 3);
        }
        int needed = l->fontMetrics().horizontalAdvance(l->text()) + 1;
        if (needed > r.width()) r.setLeft(std::max(2, r.right() + 1 - needed));
        l->setGeometry(r);
    }

    // Tab order follows the template; the preview and the labels take no focus.
    QWidget* previous = nullptr;
    for (QObject* child : children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->focusPolicy() == Qt::NoFocus) continue;
        if (previous) QWidget::setTabOrder(previous, widget);
        previous = widget;
    }

    p.fileDialog = std::make_unique<QtFileDialog>(this);
    p.question = std::make_unique<QtCloseQuestion>(this);
    c.fileDialog = p.fileDialog.get();
    c.closeQuestion = p.question.get();

    // The page box takes the gap between Prev and Next, and its text the
    // size that shows all of it, up to "100000/100000".
    auto* page = static_cast<QLineEdit*>(p.widgets[ControlId::Page]);
    page->setGeometry(duRect(357, 322, 36, 12));
    page->setTextMargins(0, 0, 0, 0);
    connect(page, &QLineEdit::textChanged, page, [page] { fitLineText(page); });

    dlg_ = std::make_unique<CQuillforgeDlg>(c, storyRoot);
    dlg_->setCommands(&p.commands);
    preview_->setPainter([this](DrawTarget& target, const PixelRect& client) { dlg_->paintPreview(target, client); });

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { showAbout(); });
    auto* check = new QShortcut(QKeySequence(Qt::Key_F7), this);
    connect(check, &QShortcut::activated, this, [this] { runStoryCheck(this, *dlg_); });

    // Each key runs its button's command, with the button's log lines.
    const std::pair<ControlId, QKeySequence> buttonKeys[] = {
        {ControlId::Save, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {ControlId::Next, QKeySequence(Qt::Key_PageDown)},
        {ControlId::Prev, QKeySequence(Qt::Key_PageUp)},
        {ControlId::Begin, QKeySequence(Qt::CTRL | Qt::Key_Home)},
        {ControlId::End, QKeySequence(Qt::CTRL | Qt::Key_End)},
    };
    const std::pair<ControlId, const char*> tips[] = {
        {ControlId::Save, "Save the story (Ctrl+S)"},
        {ControlId::Next, "Next frame (Page Down)"},
        {ControlId::Prev, "Previous frame (Page Up)"},
        {ControlId::Begin, "First frame (Ctrl+Home)"},
        {ControlId::End, "Last frame (Ctrl+End)"},
        {ControlId::Page, "Frame number; Ctrl+G goes to a frame"},
        {ControlId::DeleteFrame, "Delete the frame (Ctrl+Z brings it back)"}};
    for (const auto& [id, tip] : tips) p.widgets[id]->setToolTip(QString::fromLatin1(tip));
    for (const auto& [id, keys] : buttonKeys) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { onControlEvent(id); });
    }
    const std::pair<QKeySequence, void (QuillforgeWindow::*)()> actionKeys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_G), &QuillforgeWindow::askFrameNumber},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), &QuillforgeWindow::undo},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), &QuillforgeWindow::redo},
        {QKeySequence(Qt::CTRL | Qt::Key_Y), &QuillforgeWindow::redo},
    };
    for (const auto& [keys, action] : actionKeys) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, action);
    }
    // The boxes would take these keys for themselves (the sentence box its
    // own undo, the lists Page Down): the window's keys come first.
    auto* keyFilter = new WindowKeysFirst(this);
    for (const auto& [id, widget] : p.widgets) widget->installEventFilter(keyFilter);
}

QuillforgeWindow::~QuillforgeWindow()
{
    // The behaviour goes first: it may still talk to the bindings on its way out.
    preview_->setPainter(nullptr);
    dlg_.reset();
}

QWidget* QuillforgeWindow::controlWidget(ControlId id) const
{
    auto it = parts_->widgets.find(id);
    return it == parts_->widgets.end() ? nullptr : it->second;
}

void QuillforgeWindow::setCloseQuestion(CloseQuestion* question)
{
    dlg_->setCloseQuestion(question ? question : parts_->question.get());
}

void QuillforgeWindow::onControlEvent(ControlId id)
{
    if (dlg_) dlg_->onControlEvent(id);
}

void QuillforgeWindow::askFrameNumber()
{
    const StoryScript* story = dlg_->story();
    const int count = story ? std::max(1, story->frameCount) : 1;
    bool ok = false;
    const int number =
        QInputDialog::getInt(this, QStringLiteral("Go to Frame"), QStringLiteral("Frame number (1 to %1):").arg(count),
                             story ? story->currentFrame + 1 : 1, 1, count, 1, &ok);
    if (ok) dlg_->goToFrameNumber(number);
}

void QuillforgeWindow::undo()
{
    dlg_->undo();
}
void QuillforgeWindow::redo()
{
    dlg_->redo();
}

void QuillforgeWindow::showAbout()
{
    AboutBox box(this);
    box.exec();
}

void QuillforgeWindow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
        event->accept(); // never ends the dialog
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        QWidget* focus = focusWidget();
        if (focus == parts_->personName)
            dlg_->onEnter(ControlId::PersonName);
        else if (focus == parts_->modName)
            dlg_->onEnter(ControlId::ModName);
        else if (auto* pressed = qobject_cast<QPushButton*>(focus))
            pressed->click();
        event->accept();
        return;
    }
    default: QDialog::keyPressEvent(event);
    }
}

void QuillforgeWindow::closeEvent(QCloseEvent* event)
{
    if (!dlg_->requestClose()) {
        event->ignore();
        return;
    }
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void QuillforgeWindow::reject()
{
    // Every way out of the dialog passes the unsaved-changes question.
    close();
}

void QuillforgeWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    QAction* about = menu.addAction(QStringLiteral("&About Quillforge..."));
    about->setShortcut(QKeySequence(Qt::Key_F1));
    QAction* check = menu.addAction(QStringLiteral("&Check Story..."));
    check->setShortcut(QKeySequence(Qt::Key_F7));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == about)
        showAbout();
    else if (chosen == check)
        runStoryCheck(this, *dlg_);
}

} // namespace quillforge::qt

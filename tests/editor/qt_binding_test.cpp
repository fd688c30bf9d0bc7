// The Qt binding keeps the controls' rules, and the window keeps its layout,
// keys and close question. Runs on the offscreen platform.
#include <QtTest>
#include <QtWidgets>

#include "editor/qt/problems_window.h"
#include "editor/qt/qt_controls.h"
#include "editor/qt/quillforge_window.h"
#include "fake_controls.h"

using namespace quillforge;
using namespace quillforge::qt;

namespace {

// Text arrives the way an input method delivers Chinese: as a commit string.
void typeUnicode(QWidget* widget, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(widget, &event);
}

struct Counter : ControlEvents {
    std::vector<ControlId> events;
    void onControlEvent(ControlId id) override { events.push_back(id); }
};

TEST(QtBinding, OnlyTheUsersSelectionAndTypingRaiseEventsAndPushesReplaceOnlyDifferingText)
{
    QComboBox combo;
    QPlainTextEdit plain;
    QLineEdit line;
    Counter counter;
    QtListBox box(&combo, ControlId::Back, &counter);
    QtTextEdit sentence(&plain, ControlId::Sentence, &counter);
    QtLineEdit name(&line, ControlId::PersonName, &counter);
    box.addString("gone");
    box.reset();
    for (const char* item : {"one", "two", "三"}) box.addString(item);
    box.setSelection(7);
    EXPECT_EQ(box.selection(), -1);
    box.setSelection(0);
    EXPECT_EQ(box.entry(2), "三");

    QSignalSpy plainChanges(&plain, &QPlainTextEdit::textChanged);
    QSignalSpy lineChanges(&line, &QLineEdit::textChanged);
    sentence.setText("first\r\nsecond");
    name.setText("Ann");
    EXPECT_TRUE(counter.events.empty()) << "the program's own selections and texts raise nothing";
    EXPECT_EQ(plain.toPlainText(), "first\nsecond");
    EXPECT_EQ(sentence.text(), "first\r\nsecond");

    const int before = plainChanges.count() + lineChanges.count();
    sentence.setText("first\r\nsecond");
    name.setText("Ann");
    EXPECT_EQ(plainChanges.count() + lineChanges.count(), before) << "an unchanged push leaves the box alone";

    combo.show();
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Down);
    EXPECT_EQ(box.selection(), 1);
    plain.show();
    typeUnicode(&plain, QString::fromUtf8("中"));
    line.show();
    QTest::keyClicks(&line, "x");
    EXPECT_EQ(counter.events, (std::vector<ControlId>{ControlId::Back, ControlId::Sentence, ControlId::PersonName}));
}

TEST(QtBinding, PainterTargetKeepsColoursAndOrientation)
{
    cv::Mat picture(2, 1, CV_8UC3);
    picture.at<cv::Vec3b>(0, 0) = {0, 0, 255}; // red on top
    picture.at<cv::Vec3b>(1, 0) = {255, 0, 0};
    QImage out(1, 2, QImage::Format_RGB32);
    QPainter painter(&out);
    QtPainterTarget target(painter);
    target.drawImage(picture, false, {0, 0, 1, 2}, {0, 0, 1, 2}, ScaleMode::Exact);
    painter.end();
    EXPECT_EQ(out.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(QtFileDialog::qtFilterOf("All Files (*.*)|*.*||"), "All Files (*)");
    EXPECT_EQ(QtFileDialog::qtFilterOf("PNG file (*.png)|*.png||"), "PNG file (*.png)");
}

class QtWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        root.startup("demo");
        root.addMod("demo", qtest::sampleStory());
        window.setCloseQuestion(&question);
        ASSERT_TRUE(window.dlg().initDialog());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QWidget* widget(ControlId id) { return window.controlWidget(id); }

    qtest::StoryRoot root;
    qtest::FakeQuestion question;
    QuillforgeWindow window{root.storyRoot()};
};

TEST_F(QtWindow, LayoutFollowsTheTemplateAndThePreviewIsFittedIntoItsFrame)
{
    EXPECT_EQ(window.previewWidget()->geometry(), QRect(236, 24, 647, 488));
    EXPECT_EQ(widget(ControlId::Sentence)->geometry(), QRect(276, 414, 563, 65));
    EXPECT_EQ(static_cast<QComboBox*>(widget(ControlId::Speaker))->itemText(2), "Right");
    // The sentence box lies over the preview, so it is drawn above it.
    EXPECT_GT(window.children().indexOf(widget(ControlId::Sentence)),
              window.children().indexOf(window.previewWidget()));
    // Tab order is template order: Mod, Back, Left, Right, Add (background) ...
    QWidget* w = widget(ControlId::Mod);
    for (ControlId next :
         {ControlId::Back, ControlId::Left, ControlId::Right, ControlId::AddBackground, ControlId::LeftPhoto}) {
        do w = w->nextInFocusChain();
        while (!(w->focusPolicy() & Qt::TabFocus));
        EXPECT_EQ(w, widget(next));
    }
    QImage shot = window.previewWidget()->grab().toImage();
    // The sample's background files do not exist: the grey stand-in shows.
    EXPECT_EQ(shot.pixelColor(160, 405), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(Qt::black)) << "the frame's border";
}

TEST_F(QtWindow, KeysNeverCloseWhileEnterOrTheButtonsRunTheCommandsAndF1ShowsTheAboutBox)
{
    auto key = [&](ControlId id, Qt::Key k) {
        widget(id)->setFocus();
        QTest::keyClick(widget(id), k);
    };
    key(ControlId::Mod, Qt::Key_Return);
    QTest::keyClick(&window, Qt::Key_Escape);
    QString seenTitle, seenText;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        seenTitle = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty()) seenText = label->text();
        static_cast<QDialog*>(box)->accept();
    });
    key(ControlId::Mod, Qt::Key_F1);
    EXPECT_EQ(seenTitle, "About Quillforge");
    EXPECT_EQ(seenText, "Quillforge, Version 1.0");
    // Rolling the wheel over a list box that has no focus changes nothing.
    auto* back = static_cast<QComboBox*>(widget(ControlId::Back));
    QWheelEvent wheel(QPointF(5, 5), back->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(back, &wheel);
    EXPECT_EQ(back->currentIndex(), 0);

    QTest::keyClicks(widget(ControlId::ModName), "tale");
    key(ControlId::ModName, Qt::Key_Return);
    QTest::keyClicks(widget(ControlId::PersonName), "Cy");
    key(ControlId::PersonName, Qt::Key_Return);
    QTest::mouseClick(widget(ControlId::AddPerson), Qt::LeftButton);
    const QString log = static_cast<QPlainTextEdit*>(widget(ControlId::Log))->toPlainText();
    EXPECT_TRUE(log.endsWith("successfully loaded...:-)\nMod created success...:-)\nPerson added...:-)\n"
                             "Person name already exist...T_T\n"))
        << log.toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(question.asked, 0);
}

TEST_F(QtWindow, F7ChecksTheStoryInMemoryAndADoubleClickGoesToTheFrame)
{
    window.dlg().story()->frames[2].background = 9; // edited, not saved
    QTest::keyClick(&window, Qt::Key_F7);
    auto* problems = window.findChild<ProblemsWindow*>();
    ASSERT_NE(problems, nullptr);
    EXPECT_TRUE(problems->isVisible());
    EXPECT_FALSE(problems->isModal());
    const QString log = static_cast<QPlainTextEdit*>(widget(ControlId::Log))->toPlainText();
    EXPECT_TRUE(log.contains(QRegularExpression("\nCheck: \\d+ errors?(, \\d+ warnings?)?\\.\\.\\.T_T\n$")))
        << log.toStdString();
    QTreeWidgetItem* bad = nullptr;
    for (int i = 0; i < problems->list()->topLevelItemCount(); ++i)
        if (problems->list()->topLevelItem(i)->text(2).startsWith("background 9 does not exist"))
            bad = problems->list()->topLevelItem(i);
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->text(0), "error");
    EXPECT_EQ(bad->text(1), "3");
    emit problems->list()->itemDoubleClicked(bad, 2);
    EXPECT_EQ(static_cast<QLineEdit*>(widget(ControlId::Page))->text(), "3/3");
}

TEST_F(QtWindow, TheFrameCounterShowsAllOfItsText)
{
    auto* page = static_cast<QLineEdit*>(widget(ControlId::Page));
    StoryScript& story = *window.dlg().story();
    for (const auto& [frames, shown, want] :
         {std::tuple{2000, 21, "21/2000"}, std::tuple{100000, 100000, "100000/100000"}}) {
        story.frames.resize(frames);
        story.frameCount = frames;
        window.dlg().goToFrameNumber(shown);
        ASSERT_EQ(page->text(), want);
        // Cut text ends at the box's inner edge; whole text keeps clear of it.
        const QImage shot = page->grab().toImage();
        int first = shot.width(), last = -1;
        for (int y = 3; y < shot.height() - 3; ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (qGray(shot.pixel(x, y)) < 100 && x > 1 && x < shot.width() - 2)
                    first = std::min(first, x), last = std::max(last, x);
        EXPECT_GT(first, 3) << want;
        EXPECT_LT(last, shot.width() - 4) << want;
        EXPECT_GE(last - first + 3, QFontMetrics(page->font()).horizontalAdvance(want)) << want;
    }
}

TEST_F(QtWindow, KeysRunTheButtonsCommandsUndoAndGoToAFrame)
{
    auto* page = static_cast<QLineEdit*>(widget(ControlId::Page));
    auto* sentence = static_cast<QPlainTextEdit*>(widget(ControlId::Sentence));
    auto log = [&] { return static_cast<QPlainTextEdit*>(widget(ControlId::Log))->toPlainText(); };
    sentence->setFocus(); // a box that would take these keys as its own
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, const char*> moves[] = {
        {Qt::Key_PageDown, Qt::NoModifier, "2/3"},
        {Qt::Key_End, Qt::ControlModifier, "3/3"},
        {Qt::Key_PageDown, Qt::NoModifier, "3/3"},
        {Qt::Key_PageUp, Qt::NoModifier, "2/3"},
        {Qt::Key_Home, Qt::ControlModifier, "1/3"}};
    for (const auto& [key, modifiers, want] : moves) {
        QTest::keyClick(sentence, key, modifiers);
        EXPECT_EQ(page->text(), want);
    }
    EXPECT_TRUE(log().endsWith("No next frames...\n")) << log().toStdString();

    typeUnicode(sentence, QString::fromUtf8("新"));
    const std::string typed = window.dlg().story()->frames[0].sentence;
    QTest::keyClick(sentence, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window.dlg().story()->frames[0].sentence, "\xC4\xE3\xBA\xC3");
    EXPECT_EQ(sentence->toPlainText(), QString::fromUtf8("你好"));
    QTest::keyClick(sentence, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(window.dlg().story()->frames[0].sentence, typed);
    QTest::keyClick(sentence, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(sentence, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(window.dlg().story()->frames[0].sentence, typed);

    QTest::keyClick(sentence, Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(log().endsWith("Story save success...:-)\n")) << log().toStdString();
    QTimer::singleShot(0, [] {
        if (auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            ask->setIntValue(3);
            ask->accept();
        }
    });
    QTest::keyClick(sentence, Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(page->text(), "3/3");

    for (const auto& [id, key] : {std::pair{ControlId::Save, "Ctrl+S"}, std::pair{ControlId::Next, "Page Down"},
                                  std::pair{ControlId::Prev, "Page Up"}, std::pair{ControlId::Begin, "Ctrl+Home"},
                                  std::pair{ControlId::End, "Ctrl+End"}, std::pair{ControlId::Page, "Ctrl+G"}})
        EXPECT_TRUE(widget(id)->toolTip().contains(key)) << key;
    AboutBox about(&window);
    const QString keys = about.findChild<QLabel*>("keys")->text();
    for (const char* key : {"Ctrl+S", "Page Down", "Ctrl+Home", "Ctrl+G", "Ctrl+Z", "Ctrl+Y", "F7"})
        EXPECT_TRUE(keys.contains(key)) << key;
}

TEST_F(QtWindow, ClosingAsksAndSavesTypedChineseAsGb)
{
    auto* sentence = static_cast<QPlainTextEdit*>(widget(ControlId::Sentence));
    sentence->setFocus();
    sentence->selectAll();
    typeUnicode(sentence, QString::fromUtf8("汉字"));
    question.answer = CloseQuestion::Answer::Stay;
    window.close();
    EXPECT_TRUE(window.isVisible());
    question.answer = CloseQuestion::Answer::Save;
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(question.asked, 2);
    std::string xml = root.read("story/demo/script.xml");
    EXPECT_NE(xml.find(encodeSentence("\xBA\xBA\xD7\xD6")), std::string::npos) << xml;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

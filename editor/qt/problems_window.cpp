#include "editor/qt/problems_window.h"

#include "editor/quillforge_dlg.h"
#include "editor/story_check_command.h"

#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace quillforge::qt {

ProblemsWindow::ProblemsWindow(QWidget* parent) : QDialog(parent), list_(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("problems"));
    setWindowTitle(QStringLiteral("Problems"));
    setModal(false);
    resize(760, 320);
    list_->setColumnCount(3);
    list_->setHeaderLabels({QStringLiteral("Severity"), QStringLiteral("Frame"), QStringLiteral("Message")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setWordWrap(false);
    list_->header()->setStretchLastSection(true);
    list_->setColumnWidth(0, 90);
    list_->setColumnWidth(1, 55);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(list_);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        const int frame = item->data(1, Qt::UserRole).toInt();
        if (frame > 0 && goTo_) goTo_(frame);
    });
}

void ProblemsWindow::setFindings(const std::vector<storycheck::Finding>& findings)
{
    list_->clear();
    const QIcon icons[] = {style()->standardIcon(QStyle::SP_MessageBoxCritical),
                           style()->standardIcon(QStyle::SP_MessageBoxWarning),
                           style()->standardIcon(QStyle::SP_MessageBoxInformation)};
    for (const storycheck::Finding& f : findings) {
        auto* item = new QTreeWidgetItem(list_);
        item->setIcon(0, icons[static_cast<int>(f.severity)]);
        item->setText(0, QString::fromLatin1(storycheck::severityName(f.severity)));
        item->setText(1, f.frame > 0 ? QString::number(f.frame) : QString());
        item->setData(1, Qt::UserRole, f.frame);
        const QString message =
            QString::fromUtf8(f.message) + QStringLiteral(" [") + QString::fromUtf8(f.rule) + QStringLiteral("]");
        item->setText(2, message);
        item->setToolTip(2, QString::fromUtf8(f.file) + QStringLiteral("\n") + message);
    }
    if (findings.empty()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(2, QStringLiteral("No problems found."));
    }
}

ProblemsWindow* runStoryCheck(QWidget* owner, CQuillforgeDlg& window)
{
    auto* problems = owner->findChild<ProblemsWindow*>(QStringLiteral("problems"), Qt::FindDirectChildrenOnly);
    if (!problems) {
        problems = new ProblemsWindow(owner);
        problems->setGoToFrame([&window](int frame) { goToCheckedFrame(window, frame); });
    }
    problems->setFindings(checkOpenMod(window));
    problems->show();
    problems->raise();
    return problems;
}

} // namespace quillforge::qt

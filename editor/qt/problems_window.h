#pragma once
// The Problems window: the findings of the last F7 check, one row each
// (severity, frame, message). Not modal; double-clicking a row with a frame
// shows that frame in the editor.

#include "check/story_check.h"

#include <functional>
#include <vector>

#include <QDialog>

class CQuillforgeDlg;
class QTreeWidget;

namespace quillforge::qt {

class ProblemsWindow final : public QDialog {
public:
    explicit ProblemsWindow(QWidget* parent);

    void setFindings(const std::vector<storycheck::Finding>& findings);
    // Called with the 1-based frame of a double-clicked row.
    void setGoToFrame(std::function<void(int)> goTo) { goTo_ = std::move(goTo); }
    QTreeWidget* list() const { return list_; }

private:
    QTreeWidget* list_;
    std::function<void(int)> goTo_;
};

// F7: checks the open mod of window, logs the result and shows the Problems
// window (one per owner, raised again on later checks).
ProblemsWindow* runStoryCheck(QWidget* owner, CQuillforgeDlg& window);

} // namespace quillforge::qt

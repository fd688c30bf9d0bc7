#include "editor/qt/quillforge_app.h"

#include <QApplication>

#include "editor/qt/quillforge_window.h"

int CQuillforgeApp::run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillforge"));
    QApplication::setWindowIcon(quillforge::qt::quillforgeIcon());

    quillforge::qt::QuillforgeWindow window;
    // Without a start-up file or a mod there is nothing to edit: end quietly.
    if (!window.dlg().initDialog()) return 0;
    window.exec();
    return 0;
}

#include "editor/qt/quillforge_app.h"

#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include "editor/qt/quillforge_window.h"
#include "media/audio/audio_player.h"

namespace {

// SIGTERM, SIGINT and SIGHUP reach the event loop through this pipe: the
// handler only writes the signal's number, which is safe in a handler.
int signalPipe[2] = {-1, -1};

void onStopSignal(int signal)
{
    const int saved = errno;
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &number, 1);
    errno = saved;
}

bool catchStopSignals()
{
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
    return true;
}

} // namespace

int CQuillforgeApp::run(int argc, char** argv)
{
    // The editor's own handlers keep the unsaved story; SDL's would only
    // queue a quit event nobody reads.
    AudioPlayer::leaveSignalsToProgram();
    const bool catching = catchStopSignals();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillforge"));
    QApplication::setWindowIcon(quillforge::qt::quillforgeIcon());

    quillforge::qt::QuillforgeWindow window;
    int exitCode = 0;
    QSocketNotifier stop(catching ? signalPipe[0] : -1, QSocketNotifier::Read);
    stop.setEnabled(catching);
    QObject::connect(&stop, &QSocketNotifier::activated, &window, [&] {
        unsigned char number = 0;
        if (::read(signalPipe[0], &number, 1) != 1 || exitCode != 0) return;
        // Unsaved work goes beside script.xml, never over it; the next
        // opening of the mod offers it back.
        window.dlg().writeRecovery();
        exitCode = 128 + number;
        QCoreApplication::exit(exitCode); // every event loop, a question box's too
    });

    // Without a start-up file or a mod there is nothing to edit: end quietly.
    if (!window.dlg().initDialog()) return exitCode;
    if (exitCode == 0) window.exec();
    return exitCode;
}

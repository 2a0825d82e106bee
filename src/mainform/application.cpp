#include "application.h"

#include "dlgseam.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int ToolkitErrors = 0;
bool EndWasRequested = false;

// The signal handler only writes a byte; the event loop reads it and does the closing.
int TerminationPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const int saved = errno;
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(TerminationPipe[0], &c, 1);
    errno = saved;
}

} // namespace

TQuorvelApplication::TQuorvelApplication(int& AArgc, char** AArgv) : QApplication(AArgc, AArgv)
{
    // The application title: message boxes carry it as their caption. It is the name and not
    // the display name, which the toolkit would append to every window's caption.
    setApplicationName(QStringLiteral("Quorvel"));
}

bool TQuorvelApplication::notify(QObject* AReceiver, QEvent* AEvent)
{
    try {
        return QApplication::notify(AReceiver, AEvent);
    } catch (...) {
        ++ToolkitErrors;
        ReportCurrentError();
    }
    return false;
}

int TQuorvelApplication::ErrorsThroughToolkit()
{
    return ToolkitErrors;
}

bool TQuorvelApplication::EndRequested()
{
    return EndWasRequested;
}

void TQuorvelApplication::CloseWindowsOnTermination()
{
    if (TerminationPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, TerminationPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(TerminationPipe[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, Guarded([] {
                char buffer[16];
                while (::read(TerminationPipe[1], buffer, sizeof buffer) > 0) {
                }
                EndWasRequested = true;
                // No one may be there to answer: a question on screen is answered as cancelled,
                // and none is asked from now on.
                dlgseam::RefuseModalWindows();
                // A window that must first save closes itself once it has; a second request
                // while it waits changes nothing.
                closeAllWindows();
            }));
    struct sigaction action = {};
    action.sa_handler = OnTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(signal, &action, nullptr);
}

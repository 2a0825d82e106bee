#include "application.h"

namespace {

int ToolkitErrors = 0;

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

#include "application.h"

namespace {

int ToolkitErrors = 0;

} // namespace

TQuorvelApplication::TQuorvelApplication(int& AArgc, char** AArgv) : QApplication(AArgc, AArgv) {}

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

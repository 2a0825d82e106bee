// The application object. The window's handlers catch their own errors (guarded.h); its
// top-level handler is the last resort for an error that other code lets through: it shows the
// error in the same box, and the program keeps running.
#pragma once

#include "guarded.h"

#include <QApplication>

class TQuorvelApplication : public QApplication
{
public:
    TQuorvelApplication(int& AArgc, char** AArgv);
    bool notify(QObject* AReceiver, QEvent* AEvent) override;

    // How many errors reached the top-level handler through the toolkit's event delivery.
    static int ErrorsThroughToolkit();

    // From now on a request to end the process (SIGTERM, SIGHUP at the end of a session, SIGINT
    // from a terminal) closes the windows as the user would, so the open note is saved and the
    // layout written before the program ends. A question on screen is answered as cancelled and
    // none is asked after it (see dlgseam::RefuseModalWindows).
    void CloseWindowsOnTermination();
    // True once such a request has come.
    static bool EndRequested();
};

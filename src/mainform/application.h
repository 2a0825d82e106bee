// The application object: its top-level handler shows the message of an error that an event
// handler or menu command let through, and the program keeps running.
#pragma once

#include <QApplication>

class TQuorvelApplication : public QApplication
{
public:
    TQuorvelApplication(int& AArgc, char** AArgv);
    bool notify(QObject* AReceiver, QEvent* AEvent) override;
};

// The box in which the top-level handler shows an error.
void ShowErrorBox(const QString& AMessage);

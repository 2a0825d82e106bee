#include "application.h"

#include "dlgseam.h"

#include <QMessageBox>
#include <exception>

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
    } catch (const std::exception& e) {
        ShowErrorBox(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("An unknown error occurred."));
    }
    return false;
}

void ShowErrorBox(const QString& AMessage)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), AMessage,
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    dlgseam::ExecModal(box);
}

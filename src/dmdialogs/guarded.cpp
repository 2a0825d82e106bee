#include "guarded.h"

#include "dlgseam.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <exception>

void ShowErrorBox(const QString& AMessage)
{
    QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), AMessage,
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    dlgseam::ExecModal(box);
}

void ReportCurrentError() noexcept
{
    try {
        try {
            throw;
        } catch (const std::exception& e) {
            ShowErrorBox(QString::fromUtf8(e.what()));
        } catch (...) {
            ShowErrorBox(QStringLiteral("An unknown error occurred."));
        }
    } catch (...) {
        // The box itself failed: nothing is left that could show it.
    }
}

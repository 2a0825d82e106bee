#include "dlgseam.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <deque>
#include <vector>

namespace {

int GPPI = 0;
std::deque<dlgseam::TAnswer> GAnswers;
bool GScripted = false;
QStringList GShown;
QStringList GUnanswered;
std::function<bool(const QUrl&)> GOpenUrlHook;
bool GRefused = false;
// The windows in ExecModal's loop, the innermost last.
std::vector<QPointer<QDialog>> GOpen;

const char* const AnswerProperty = "quorvelAnswer";

void RunNextAnswer(QPointer<QDialog> ADialog)
{
    if (!ADialog || !ADialog->isVisible())
        return;
    if (GAnswers.empty()) {
        if (GScripted) {
            GUnanswered << ADialog->windowTitle();
            ADialog->reject();
        }
        return;
    }
    dlgseam::TAnswer answer = std::move(GAnswers.front());
    GAnswers.pop_front();
    answer(*ADialog);
    if (ADialog && ADialog->isVisible())
        QTimer::singleShot(0, ADialog, [ADialog] { RunNextAnswer(ADialog); });
}

// Turns "desc|*.a;*.b|desc2|*.c" into Qt's "desc (*.a *.b);;desc2 (*.c)". "*.*" means every
// file, as it does in such lists; here it would leave out the names without a dot, so it
// becomes "*".
QString QtFilter(const QString& AFilter)
{
    const QStringList parts = AFilter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(u';');
        for (QString& pattern : patterns)
            if (pattern == QLatin1String("*.*"))
                pattern = QStringLiteral("*");
        out << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out.join(QStringLiteral(";;"));
}

QString RunFileDialog(QFileDialog& ADialog)
{
    ADialog.setOption(QFileDialog::DontUseNativeDialog, true);
    if (dlgseam::ExecModal(ADialog) != QDialog::Accepted)
        return QString();
    const QVariant scripted = ADialog.property(AnswerProperty);
    if (scripted.isValid())
        return scripted.toString();
    return ADialog.selectedFiles().value(0);
}

} // namespace

int ScreenPPI()
{
    if (GPPI > 0)
        return GPPI;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return static_cast<int>(std::lround(screen->logicalDotsPerInch()));
    return 96;
}

void SetScreenPPI(int APPI)
{
    GPPI = APPI;
}

int ScaleBy(int AValue, int APPI)
{
    return AValue * APPI / 96;
}

QString TrimText(const QString& AText)
{
    qsizetype b = 0, e = AText.size();
    while (b < e && AText.at(b).unicode() <= 0x20)
        ++b;
    while (e > b && AText.at(e - 1).unicode() <= 0x20)
        --e;
    return AText.mid(b, e - b);
}

namespace dlgseam {

int ExecModal(QDialog& ADialog)
{
    QString entry = ADialog.windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(&ADialog))
        entry += u'|' + box->text();
    GShown << entry;
    if (GRefused) {
        if (auto* box = qobject_cast<QMessageBox*>(&ADialog)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(QGuiApplication::applicationDisplayName()),
                         qPrintable(box->text()));
            std::fflush(stderr);
        }
        return QDialog::Rejected;
    }
    if (!GAnswers.empty() || GScripted) {
        QPointer<QDialog> dialog(&ADialog);
        QTimer::singleShot(0, &ADialog, [dialog] { RunNextAnswer(dialog); });
    }
    GOpen.emplace_back(&ADialog);
    auto leave = qScopeGuard([&ADialog] {
        std::erase_if(GOpen,
                      [&](const QPointer<QDialog>& AOpen) { return !AOpen || AOpen == &ADialog; });
    });
    return ADialog.exec();
}

int OpenModalCount()
{
    return static_cast<int>(GOpen.size());
}

void RejectModalFrom(int ACount)
{
    // Innermost first: each returns to the one that opened it.
    const std::vector<QPointer<QDialog>> open = GOpen;
    for (auto i = static_cast<qsizetype>(open.size()) - 1; i >= ACount && i >= 0; --i)
        if (open[i])
            open[i]->reject();
}

void RefuseModalWindows()
{
    GRefused = true;
    RejectModalFrom(0);
}

void PushAnswer(TAnswer AAnswer)
{
    GAnswers.push_back(std::move(AAnswer));
}

void SetScripted(bool AOn)
{
    GScripted = AOn;
}

int PendingAnswers()
{
    return static_cast<int>(GAnswers.size());
}

QStringList Shown()
{
    return GShown;
}

QStringList Unanswered()
{
    return GUnanswered;
}

void Reset()
{
    GRefused = false;
    GAnswers.clear();
    GShown.clear();
    GUnanswered.clear();
}

TAnswer PressButton(int AStandardButton)
{
    return [AStandardButton](QDialog& ADialog) {
        auto* box = qobject_cast<QMessageBox*>(&ADialog);
        QAbstractButton* button =
            box ? box->button(static_cast<QMessageBox::StandardButton>(AStandardButton)) : nullptr;
        if (button)
            button->click();
        else
            ADialog.reject();
    };
}

TAnswer ChooseFile(const QString& APath)
{
    return [APath](QDialog& ADialog) {
        ADialog.setProperty(AnswerProperty, APath);
        // QFileDialog::accept() checks its own selection and stays open without one.
        ADialog.done(QDialog::Accepted);
    };
}

TAnswer Accept()
{
    return [](QDialog& ADialog) { ADialog.accept(); };
}

TAnswer Reject()
{
    return [](QDialog& ADialog) { ADialog.reject(); };
}

void SetOpenUrlHook(std::function<bool(const QUrl&)> AHook)
{
    GOpenUrlHook = std::move(AHook);
}

} // namespace dlgseam

void ShowMessage(const QString& AText)
{
    QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), AText,
                    QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);
    dlgseam::ExecModal(box);
}

bool AskYesNo(const QString& ACaption, const QString& AText)
{
    QMessageBox box(QMessageBox::Question, ACaption, AText, QMessageBox::Yes | QMessageBox::No);
    box.setTextFormat(Qt::PlainText);
    dlgseam::ExecModal(box);
    return box.clickedButton() == box.button(QMessageBox::Yes);
}

QString OpenFileDlg(const QString& ATitle, const QString& AFilter)
{
    QFileDialog dialog(nullptr, ATitle);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(QtFilter(AFilter).split(QStringLiteral(";;")));
    return RunFileDialog(dialog);
}

QString SelectFolderDlg(const QString& ATitle)
{
    QFileDialog dialog(nullptr, ATitle);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    return RunFileDialog(dialog);
}

QUrl OpenableLinkUrl(const QString& AText)
{
    QString text = TrimText(AText);
    if (text.isEmpty())
        return QUrl();
    // "name:" at the start is a scheme, unless it is a host name (dotted, or "localhost")
    // with a port number up to the path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]*:"));
    static const QRegularExpression hostAndPort(
        QStringLiteral("^(localhost|[A-Za-z0-9\\-]+(\\.[A-Za-z0-9\\-]+)+):[0-9]+([/?#]|$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (!scheme.match(text).hasMatch() || hostAndPort.match(text).hasMatch())
        text = QStringLiteral("https://") + text;
    const QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid())
        return QUrl();
    const QString s = url.scheme().toLower();
    if ((s == QLatin1String("http") || s == QLatin1String("https")) && !url.host().isEmpty())
        return url;
    if (s == QLatin1String("mailto") && !url.path().isEmpty())
        return url;
    return QUrl();
}

bool OpenUrlExternally(const QUrl& AUrl)
{
    if (GOpenUrlHook)
        return GOpenUrlHook(AUrl);
    return QDesktopServices::openUrl(AUrl);
}

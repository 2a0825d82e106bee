// The main window and the dialogs on a real X display with a window manager: the layout is
// measured on the maximised window, and the frames and captions are what the manager shows.
#include "../dmdialogs/testsupport.h"
#include "aboutbox.h"
#include "application.h"
#include "controls.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "embeddedtagpane.h"
#include "mainform.h"
#include "notebookpane.h"
#include "xdesktop.h"

#include <QDialog>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const int ScreenW = 1600, ScreenH = 1000;

// One property of a window as the X server holds it, read by xprop.
QString XProperty(WId AWindow, const char* AName)
{
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(AWindow), AName});
    if (!xprop.waitForFinished(5000))
        return QString();
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

QString RootProperty(const char* AName)
{
    QProcess xprop;
    xprop.start("xprop", {"-root", AName});
    if (!xprop.waitForFinished(5000))
        return QString();
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

// The frame the window manager gives a dialog: its caption and the actions it allows.
struct TFrame
{
    QString Name, Actions, Motif;
};

// The functions and decorations words of a frame's Motif hints ("flags, functions, decorations,
// ..."), or -1 when the window carries none.
std::pair<long, long> MotifWords(const QString& AProperty)
{
    const qsizetype eq = AProperty.indexOf(u'=');
    if (eq < 0)
        return {-1, -1};
    const QStringList words = AProperty.mid(eq + 1).split(u',');
    if (words.size() < 3)
        return {-1, -1};
    bool ok1 = false, ok2 = false;
    const long functions = words[1].trimmed().toLong(&ok1, 16);
    const long decorations = words[2].trimmed().toLong(&ok2, 16);
    return {ok1 ? functions : -1, ok2 ? decorations : -1};
}

// Reads the frame of the next dialog once the manager has taken it on, then closes it.
dlgseam::TAnswer ReadFrame(TFrame& AFrame)
{
    return [&AFrame](QDialog& ADialog) {
        if (!QTest::qWaitForWindowExposed(&ADialog, 5000)) {
            ADialog.reject();
            return;
        }
        const WId id = ADialog.winId();
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired() &&
               !XProperty(id, "_NET_WM_ALLOWED_ACTIONS").contains("_NET_WM_ACTION_CLOSE"))
            QTest::qWait(20);
        AFrame.Name = XProperty(id, "_NET_WM_NAME");
        AFrame.Actions = XProperty(id, "_NET_WM_ALLOWED_ACTIONS");
        AFrame.Motif = XProperty(id, "_MOTIF_WM_HINTS");
        ADialog.reject();
    };
}

} // namespace

class TestDesktop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(QGuiApplication::platformName(), QString("xcb"));
        QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(ScreenW, ScreenH));
        // The manager announces itself on the root window once it runs.
        QTRY_VERIFY_WITH_TIMEOUT(RootProperty("_NET_SUPPORTING_WM_CHECK").contains("window id"),
                                 10000);
    }
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
    }
    void cleanup() { VerifyAllDialogsAnswered(); }

    // The stored pane sizes are measured against the maximised window, not against the size
    // the window had before the manager maximised it, and only once.
    void layoutOnTheMaximisedWindow()
    {
        TTestStore store(false);
        store.Open();
        AppDB->SetSettingInt("pane1_width", 450);
        AppDB->SetSettingInt("pane2_width", 300);
        AppDB->SetSettingInt("pane4_width", 250);
        AppDB->SetSettingInt("pane4_etag_height", 400);
        store.Close();
        {
            TMainForm form;
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QTRY_VERIFY_WITH_TIMEOUT(
                XProperty(form.winId(), "_NET_WM_STATE").contains("_NET_WM_STATE_MAXIMIZED_HORZ"),
                5000);
            QTRY_COMPARE_WITH_TIMEOUT(form.PaneWidth(form.Pane1()), 450, 3000);
            QVERIFY2(form.ClientPanel()->width() > ScreenW * 9 / 10,
                     qPrintable(QString::number(form.ClientPanel()->width())));
            QCOMPARE(form.PaneWidth(form.Pane2()), 300);
            QCOMPARE(form.PaneWidth(form.Pane4()), 250);
            QCOMPARE(form.Pane4()->Extent(form.EmbeddedTagPane()), 400);
            // The user's own sizes then stay, through restoring and maximising again.
            form.ClientPanel()->SetExtent(form.Pane1(), 320);
            form.showNormal();
            QTRY_VERIFY_WITH_TIMEOUT(form.width() < ScreenW * 9 / 10, 5000);
            form.showMaximized();
            QTRY_VERIFY_WITH_TIMEOUT(form.width() > ScreenW * 9 / 10, 5000);
            QTest::qWait(200);
            QCOMPARE(form.PaneWidth(form.Pane1()), 320);
            QCOMPARE(form.PaneWidth(form.Pane2()), 300);
            form.close();
        }
        store.Open();
        QCOMPARE(AppDB->GetSettingInt("pane1_width", 0), 320);
        QCOMPARE(AppDB->GetSettingInt("pane2_width", 0), 300);
        QCOMPARE(AppDB->GetSettingInt("pane4_width", 0), 250);
    }

    // Captions exactly as given, and no minimise or maximise on the dialogs' frames.
    void dialogFrames()
    {
        TFrame input, link, about;
        QString text, url, label;
        dlgseam::PushAnswer(ReadFrame(input));
        InputDlg("New Notebook", "Notebook name:", "", text);
        dlgseam::PushAnswer(ReadFrame(link));
        LinkEditDlg("Add Link", url, label);
        dlgseam::PushAnswer(ReadFrame(about));
        ShowAboutBox(nullptr);
        // Message boxes carry the application title.
        TFrame message;
        dlgseam::PushAnswer(ReadFrame(message));
        ShowMessage("Please open a note first.");
        const std::pair<const char*, TFrame*> frames[] = {{"New Notebook", &input},
                                                          {"Add Link", &link},
                                                          {"About Quorvel", &about},
                                                          {"Quorvel", &message}};
        for (const auto& [caption, frame] : frames) {
            QCOMPARE(frame->Name, QString("_NET_WM_NAME(UTF8_STRING) = \"%1\"").arg(caption));
            QVERIFY2(frame->Actions.contains("_NET_WM_ACTION_CLOSE"), qPrintable(frame->Actions));
        }
        // Only the close button: the frame asks for neither minimise nor maximise (the Motif
        // function bits 0x08 and 0x10, decoration bits 0x20 and 0x40), and the manager offers no
        // maximise. Openbox keeps its own minimise action whatever a window asks for.
        for (const auto& [caption, frame] : frames) {
            const QString where = QString("%1: %2 / %3").arg(caption, frame->Actions, frame->Motif);
            const auto [functions, decorations] = MotifWords(frame->Motif);
            QVERIFY2(functions > 0 && decorations > 0, qPrintable(where));
            QVERIFY2((functions & 0x20) != 0, qPrintable(where));
            QVERIFY2((functions & 0x18) == 0, qPrintable(where));
            QVERIFY2((decorations & 0x60) == 0, qPrintable(where));
            QVERIFY2(!frame->Actions.contains("_NET_WM_ACTION_MAXIMIZE"), qPrintable(where));
        }
    }

    void mainWindowCaption()
    {
        TTestStore store(false);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(XProperty(form.winId(), "_NET_WM_NAME"),
                 QString("_NET_WM_NAME(UTF8_STRING) = \"Quorvel\""));
        form.close();
    }
};

int main(int argc, char** argv)
{
    TXDesktop desktop;
    const QString error = desktop.Start(ScreenW, ScreenH);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "FAIL: %s\n", qPrintable(error));
        return 1;
    }
    ::setenv("DISPLAY", qPrintable(desktop.Display()), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    TQuorvelApplication app(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_desktop.moc"

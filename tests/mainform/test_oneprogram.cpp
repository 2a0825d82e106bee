// One program per database, with real processes: a second start on the same folder shows one
// message and leaves the database alone; a killed program does not keep the next one out.
#include "../dmdialogs/testsupport.h"
#include "application.h"
#include "database.h"
#include "mainform.h"
#include "notebookpane.h"
#include "noteeditor.h"
#include "notelistpane.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <unistd.h>

// Stands in for the editor page: it becomes ready and never answers.
class TNoteEditorTestAccess
{
public:
    static void SilentPage(TNoteEditor* AEditor)
    {
        AEditor->FPostHook = [](const QString&) {};
        AEditor->HandleJSMessage(QStringLiteral("{\"type\":\"ready\"}"));
    }
};

namespace {

// The child: opens the main window on the folder as the program does. With "hold" it reports
// "OPEN" and stays until its input closes; every message box is answered and written out.
// "edit" types into a note's title; the "ask" modes then show a question that no one answers
// ("ASKED" for each window shown), with a page that does not answer: "ask close" closes the
// window, "ask rename" renames the note.
int RunChild(const QString& AMode, const QString& AFolder)
{
    static_cast<TQuorvelApplication*>(qApp)->CloseWindowsOnTermination();
    SetProgramFolder(AFolder);
    StartScriptedDialogs();
    for (int i = 0; i < 3; ++i)
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
    int result = 0;
    {
        TMainForm form;
        for (const QString& shown : dlgseam::Shown())
            std::printf("SHOWN %s\n", qPrintable(QString(shown).replace("\r\n", "|")));
        if (form.StoreFailed()) {
            std::printf("FAILED\n");
            result = 1;
        } else {
            std::printf("OPEN\n");
        }
        std::fflush(stdout);
        const bool ask = AMode.startsWith(QLatin1String("ask"));
        const bool edit = AMode == QLatin1String("edit") || ask;
        if (!form.StoreFailed() && (AMode == QLatin1String("hold") || edit)) {
            form.show();
            if (ask) {
                TNoteEditorTestAccess::SilentPage(form.NoteEditor());
                form.NoteEditor()->SetPageAnswerTimeout(300);
            }
            if (edit) {
                // A note whose title is typed and not yet saved when the end is asked for.
                const int64_t book = AppDB->CreateNotebook("Case", 0);
                const int64_t note = AppDB->CreateNote(book, "Draft");
                form.NotebookPane()->RefreshNotebooks();
                form.NotebookPane()->SelectNotebook(book);
                form.NoteListPane()->SelectNote(note);
                QTest::keyClick(form.NoteEditor()->TitleEdit(), Qt::Key_End);
                QTest::keyClicks(form.NoteEditor()->TitleEdit(), " typed last");
                std::printf("NOTE %lld %d\n", static_cast<long long>(note),
                            form.NoteEditor()->Dirty() ? 1 : 0);
                std::fflush(stdout);
            }
            QTimer asked;
            if (ask) {
                // Nothing answers from here on.
                dlgseam::Reset();
                dlgseam::SetScripted(false);
                QObject::connect(
                    &asked, &QTimer::timeout, &asked, [shown = dlgseam::Shown().size()]() mutable {
                        const QStringList now = dlgseam::Shown();
                        for (; shown < now.size(); ++shown)
                            std::printf("ASKED %s\n",
                                        qPrintable(QString(now[shown]).replace("\r\n", "|")));
                        std::fflush(stdout);
                    });
                asked.start(10);
                if (AMode == QLatin1String("ask close"))
                    form.close();
                else
                    form.NoteListPane()->MenuRenameNote();
            }
            QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
            QObject::connect(&input, &QSocketNotifier::activated, qApp, [&] {
                char c;
                if (::read(STDIN_FILENO, &c, 1) <= 0)
                    qApp->quit();
            });
            result = qApp->exec();
            form.close();
        }
    }
    return result;
}

struct TChild
{
    QProcess Process;
    QString Output;

    void Start(const QString& AMode, const QString& AFolder)
    {
        Process.setProcessChannelMode(QProcess::SeparateChannels);
        Process.start(QCoreApplication::applicationFilePath(), {"--child", AMode, AFolder});
    }
    // Waits for a line starting with APrefix in the child's output.
    bool WaitFor(const QString& APrefix, int ATimeoutMs = 20000)
    {
        QDeadlineTimer deadline(ATimeoutMs);
        while (!deadline.hasExpired()) {
            Output += QString::fromUtf8(Process.readAllStandardOutput());
            for (const QString& line : Output.split('\n'))
                if (line.startsWith(APrefix))
                    return true;
            if (Process.state() == QProcess::NotRunning)
                return false;
            Process.waitForReadyRead(100);
        }
        return false;
    }
    QStringList Lines(const QString& APrefix)
    {
        Output += QString::fromUtf8(Process.readAllStandardOutput());
        QStringList out;
        for (const QString& line : Output.split('\n'))
            if (line.startsWith(APrefix))
                out << line;
        return out;
    }
};

QByteArray FolderDigest(const QString& AFolder)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const QDir dir(AFolder);
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name)) {
        if (name.endsWith(".lock"))
            continue;
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        hash.addData(name.toUtf8());
        hash.addData(f.readAll());
    }
    return hash.result();
}

} // namespace

class TestOneProgram : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void secondStartAndKilledHolder()
    {
        QTemporaryDir dir;
        TChild first;
        first.Start("hold", dir.path());
        QVERIFY2(first.WaitFor("OPEN"), qPrintable(first.Output));

        // The second program finds the first, says so once and leaves every file as it was.
        const QByteArray before = FolderDigest(dir.path());
        QVERIFY(!before.isEmpty());
        TChild second;
        second.Start("once", dir.path());
        QVERIFY(second.Process.waitForFinished(20000));
        QCOMPARE(second.Process.exitCode(), 1);
        const QString message = "SHOWN Quorvel|The database is already open in another Quorvel "
                                "window:|" +
                                dir.path() + "/quorvel.db";
        QCOMPARE(second.Lines("SHOWN"), QStringList{message});
        QCOMPARE(second.Lines("FAILED").size(), 1);
        QCOMPARE(FolderDigest(dir.path()), before);

        // Killed outright, the first leaves its lock file behind, which keeps no one out.
        ::kill(first.Process.processId(), SIGKILL);
        QVERIFY(first.Process.waitForFinished(10000));
        QVERIFY(QFile::exists(dir.filePath("quorvel.db.lock")));
        TChild third;
        third.Start("hold", dir.path());
        QVERIFY2(third.WaitFor("OPEN"), qPrintable(third.Output));
        QVERIFY(third.Lines("SHOWN").isEmpty());

        // A program that ends normally gives the database free again.
        third.Process.closeWriteChannel();
        QVERIFY(third.Process.waitForFinished(20000));
        QVERIFY(!QFile::exists(dir.filePath("quorvel.db.lock")));
        TChild fourth;
        fourth.Start("once", dir.path());
        QVERIFY(fourth.Process.waitForFinished(20000));
        QVERIFY2(fourth.Lines("OPEN").size() == 1, qPrintable(fourth.Output));
    }

    // Asked to end (by the session, a terminal or a process manager), the program closes as the
    // user would close it: the typing is saved, the layout written and the database given free.
    void endRequestSavesAndCloses_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGHUP") << int(SIGHUP);
        QTest::newRow("SIGINT") << int(SIGINT);
    }
    void endRequestSavesAndCloses()
    {
        QFETCH(int, signal);
        QTemporaryDir dir;
        TChild child;
        child.Start("edit", dir.path());
        QVERIFY2(child.WaitFor("NOTE"), qPrintable(child.Output));
        const QStringList note = child.Lines("NOTE").first().split(' ');
        QCOMPARE(note.value(2), QString("1")); // typed and not yet saved
        ::kill(child.Process.processId(), signal);
        QVERIFY(child.Process.waitForFinished(20000));
        QCOMPARE(child.Process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.Process.exitCode(), 0);
        QVERIFY(!QFile::exists(dir.filePath("quorvel.db.lock")));

        TDatabase db(dir.filePath("quorvel.db"));
        QCOMPARE(db.GetNote(note.value(1).toLongLong()).Title, QString("Draft typed last"));
        QVERIFY(db.GetSettingInt("pane1_width", 0) > 0);
    }

    // Asked to end while a question is on screen (whether to close although the page has not
    // answered, or the warning before a note command), the program ends as it does when none
    // is: the question goes, no other is asked, what the window holds is saved, and the loss
    // is told on stderr with exit status 2.
    void endRequestWhileAQuestionIsShown_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("signal");
        QTest::addColumn<QString>("asked");
        const QString loss = "ASKED Quorvel|The editor has not answered for 0.3 seconds, so the "
                             "last typing in \"Draft typed last\" may not have been saved.";
        QTest::newRow("close question, SIGTERM")
            << "ask close" << int(SIGTERM) << loss + "||Close anyway?";
        QTest::newRow("close question, SIGHUP")
            << "ask close" << int(SIGHUP) << loss + "||Close anyway?";
        QTest::newRow("close question, SIGINT")
            << "ask close" << int(SIGINT) << loss + "||Close anyway?";
        QTest::newRow("warning before a rename, SIGTERM") << "ask rename" << int(SIGTERM) << loss;
    }
    void endRequestWhileAQuestionIsShown()
    {
        QFETCH(QString, mode);
        QFETCH(int, signal);
        QFETCH(QString, asked);
        QTemporaryDir dir;
        TChild child;
        child.Start(mode, dir.path());
        QVERIFY2(child.WaitFor("ASKED"), qPrintable(child.Output));
        QCOMPARE(child.Lines("ASKED"), QStringList{asked});
        const QStringList note = child.Lines("NOTE").first().split(' ');
        ::kill(child.Process.processId(), signal);
        const bool ended = child.Process.waitForFinished(20000);
        child.Lines("ASKED");
        QVERIFY2(ended, qPrintable(child.Output));
        QCOMPARE(child.Process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.Process.exitCode(), 2);
        const QString errors = QString::fromLocal8Bit(child.Process.readAllStandardError());
        QVERIFY2(errors.contains("Quorvel: The editor has not answered for 0.3 seconds, so the "
                                 "last typing in \"Draft typed last\" may not have been saved.\n"),
                 qPrintable(errors));
        QVERIFY(!QFile::exists(dir.filePath("quorvel.db.lock")));
        TDatabase db(dir.filePath("quorvel.db"));
        QCOMPARE(db.GetNote(note.value(1).toLongLong()).Title, QString("Draft typed last"));
    }
};

int main(int argc, char** argv)
{
    TQuorvelApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--child")
        return RunChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    TestOneProgram test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_oneprogram.moc"

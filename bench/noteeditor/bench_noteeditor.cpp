// Times the program with its editor page: process start to the page's "ready" with the main
// window shown (median of 10 runs), selecting a note with a 100 KB body until the page's
// "loadAck" and until its body is laid out, the database work of one save, and the memory of the
// whole process tree after 20 notes were opened.
#include "../benchutil.h"
#include "database.h"
#include "mainform.h"
#include "notebookpane.h"
#include "noteeditor.h"
#include "notelistpane.h"
#include "programfolder.h"
#include "testcom.h"
#include "wvbrowser.h"
#include "wvcorewebview2.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

using benchutil::Median;

bool WaitFor(const std::function<bool()>& ACond, int ATimeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!ACond()) {
        if (t.elapsed() > ATimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

QString Body(int ABytes, int ASeed)
{
    QString body;
    for (int i = 0; body.size() < ABytes; ++i)
        body += QStringLiteral("<p>Paragraph %1 of note %2: the witness statement and the "
                               "hearing bundle, <b>page %1</b>.</p>")
                    .arg(i)
                    .arg(ASeed);
    return body;
}

// Child: the program's start, then the window shown; answers "ready" once the page is.
int RunChild(const QString& AFolder, bool AOpenNotes)
{
    StartEditorBrowserLoader();
    SetProgramFolder(AFolder);
    auto form = std::make_unique<TMainForm>();
    form->show();
    if (!WaitFor([&] { return form->NoteEditor()->Ready(); }, 30000))
        return 2;
    std::printf("ready\n");
    std::fflush(stdout);
    if (!AOpenNotes)
        return 0;
    const int64_t book = AppDB->GetNotebooks().front().Id;
    form->NotebookPane()->SelectNotebook(book);
    for (const TNote& note : AppDB->GetNotesByNotebook(book, nsByTitle, nsdAsc)) {
        form->NoteListPane()->SelectNote(note.Id);
        QTest::qWait(150);
    }
    std::printf("opened\n");
    std::fflush(stdout);
    QTest::qWait(60000);
    return 0;
}

// Proportional set size of a process and all its descendants, in KiB.
long TreePssKiB(qint64 ARoot)
{
    std::vector<qint64> tree{ARoot};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool ok = false;
            const qint64 pid = entry.toLongLong(&ok);
            if (!ok)
                continue;
            QFile stat("/proc/" + entry + "/stat");
            if (!stat.open(QIODevice::ReadOnly))
                continue;
            const QByteArray s = stat.readAll();
            const QList<QByteArray> f = s.mid(s.lastIndexOf(')') + 2).split(' ');
            if (f.size() > 1 && f[1].toLongLong() == tree[i])
                tree.push_back(pid);
        }
    }
    long total = 0;
    for (qint64 pid : tree) {
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!rollup.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : rollup.readAll().split('\n'))
            if (line.startsWith("Pss:"))
                total += line.mid(4).trimmed().split(' ').front().toLong();
    }
    return total;
}

void MakeStore(const QString& AFolder, int ANotes, int ABodyBytes)
{
    TDatabase db(AFolder + QStringLiteral("/quorvel.db"));
    const int64_t book = db.CreateNotebook(QStringLiteral("Bench"), 0);
    for (int i = 0; i < ANotes; ++i) {
        const int64_t id = db.CreateNote(book, QStringLiteral("Note %1").arg(i, 2, 10, QChar('0')));
        db.SaveNote(id, QStringLiteral("Note %1").arg(i), QString(), Body(ABodyBytes, i));
    }
    db.SetSettingInt(QStringLiteral("last_notebook_id"), static_cast<int32_t>(book));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && (QByteArray(argv[1]) == "--child" || QByteArray(argv[1]) == "--notes")) {
        QApplication app(argc, argv);
        return RunChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[1]) == "--notes");
    }
    QApplication app(argc, argv);
    qputenv("QUORVEL_PLATFORM_ROOT", QByteArray(QUORVEL_BUILD_ROOT));

    // 1. Process start to the page's "ready" with the window shown.
    QTemporaryDir startDir;
    MakeStore(startDir.path(), 3, 2000);
    std::vector<double> starts;
    for (int i = 0; i < 10; ++i) {
        QProcess child;
        QElapsedTimer t;
        t.start();
        child.start(QCoreApplication::applicationFilePath(), {"--child", startDir.path()});
        QByteArray out;
        WaitFor(
            [&] {
                child.waitForReadyRead(5);
                out += child.readAllStandardOutput();
                return out.contains("ready") || child.state() == QProcess::NotRunning;
            },
            30000);
        starts.push_back(t.nsecsElapsed() / 1e6);
        child.waitForFinished(10000);
    }
    std::printf("process start to editor page ready, window shown: %.0f ms (median of 10)\n",
                Median(starts));

    // 2. Selecting a note with a 100 KB body until the page's "loadAck"; 3. one save.
    {
        QTemporaryDir dir;
        MakeStore(dir.path(), 6, 100 * 1024);
        StartEditorBrowserLoader();
        SetProgramFolder(dir.path());
        auto form = std::make_unique<TMainForm>();
        form->show();
        WaitFor([&] { return form->NoteEditor()->Ready(); }, 30000);
        TNoteEditor* editor = form->NoteEditor();
        TWVBrowser* browser = editor->Browser();
        auto original = browser->OnWebMessageReceived;
        int messages = 0;
        browser->OnWebMessageReceived = [&](QObject* ASender, ICoreWebView2* AWebView,
                                            ICoreWebView2WebMessageReceivedEventArgs* AArgs) {
            original(ASender, AWebView, AArgs);
            ++messages; // after a load: its "tagsUpdated", then "loadAck"
        };
        const int64_t book = AppDB->GetNotebooks().front().Id;
        form->NotebookPane()->SelectNotebook(book);
        const TNoteArray notes = AppDB->GetNotesByNotebook(book, nsByTitle, nsdAsc);
        // Each switch starts with the page idle, as after a user's click. "Laid out" adds a
        // script that asks for the editor's height, so the engine must first lay out the
        // whole new body: what the user waits for before the note shows.
        ICoreWebView2* webview = browser->CoreWebView2()->BaseIntf();
        std::vector<double> switches, laidOut, hostWork;
        for (int round = 0; round < 3; ++round) {
            for (const TNote& note : notes) {
                WaitFor([] { return false; }, 300);
                messages = 0;
                QElapsedTimer t;
                t.start();
                form->NoteListPane()->SelectNote(note.Id);
                hostWork.push_back(t.nsecsElapsed() / 1e6);
                WaitFor([&] { return messages >= 2; }, 10000);
                switches.push_back(t.nsecsElapsed() / 1e6);
                bool answered = false;
                webview->ExecuteScript(
                    u"document.getElementById('editor').offsetHeight",
                    MakeHandler<ICoreWebView2ExecuteScriptCompletedHandler>([&](HRESULT, LPCWSTR) {
                        answered = true;
                        return S_OK;
                    }).Get());
                WaitFor([&] { return answered; }, 10000);
                laidOut.push_back(t.nsecsElapsed() / 1e6);
            }
        }
        std::printf("note switch, 100 KB body, to the page's loadAck: %.1f ms (median of %zu)\n",
                    Median(switches), switches.size());
        std::printf("  of which the window's own work until the message is posted: %.1f ms\n",
                    Median(hostWork));
        std::printf("note switch, 100 KB body, to the new body laid out: %.1f ms\n",
                    Median(laidOut));

        std::vector<double> saves;
        for (int i = 0; i < 20; ++i) {
            editor->TitleEdit()->setText(QStringLiteral("Renamed %1").arg(i));
            QElapsedTimer t;
            t.start();
            editor->SaveIfDirty();
            saves.push_back(t.nsecsElapsed() / 1e6);
        }
        std::printf("save of a 100 KB note (store, annotations, list refresh): %.2f ms (median of "
                    "20)\n",
                    Median(saves));
        form.reset();
        FinishEditorBrowserLoader();
    }

    // 4. Memory of the process tree after opening 20 notes.
    {
        QTemporaryDir dir;
        MakeStore(dir.path(), 20, 20 * 1024);
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"--notes", dir.path()});
        QByteArray out;
        WaitFor(
            [&] {
                child.waitForReadyRead(5);
                out += child.readAllStandardOutput();
                return out.contains("opened") || child.state() == QProcess::NotRunning;
            },
            60000);
        std::printf("memory of the process tree after opening 20 notes: %.0f MiB (PSS)\n",
                    TreePssKiB(child.processId()) / 1024.0);
        child.kill();
        child.waitForFinished(10000);
    }
    return 0;
}

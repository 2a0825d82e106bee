// The program killed at random moments during a typing session: each time, the database passes
// SQLite's integrity check and holds every save the window reported as "Saved".
#include "e2efixture.h"

#include "notebookpane.h"
#include "notelistpane.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProcess>
#include <QRandomGenerator>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

const int Trials = 50;
const int AtOnce = 4;

// The child: opens the window on the folder and types until it is killed, writing each body the
// window reported as saved to stdout.
int RunChild(const QString& AFolder)
{
    QGuiApplication::setApplicationDisplayName("Quorvel");
    StartScriptedDialogs();
    StartEditorBrowserLoader();
    TProgramFixture f;
    if (!f.Start(AFolder))
        return 2;
    int64_t book = 0, note = 0;
    for (const TNotebook& nb : AppDB->GetNotebooks())
        book = nb.Id;
    if (book == 0) {
        book = AppDB->CreateNotebook("Session", 0);
        note = AppDB->CreateNote(book, "Typed");
        AppDB->SaveNote(note, "Typed", "", "<p>start</p>");
    } else {
        note = AppDB->GetNotesByNotebook(book, nsByTitle, nsdAsc).front().Id;
    }
    if (!f.OpenNote(book, note))
        return 3;
    QString lastStatus;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &watch, [&] {
        const QString status = f.Editor()->SaveStatus();
        if (status == "Saved" && lastStatus != "Saved") {
            std::printf("SAVED %s\n", qPrintable(AppDB->GetNote(note).Body));
            std::fflush(stdout);
        }
        lastStatus = status;
    });
    watch.start(5);
    f.ClickIntoEditor();
    std::printf("TYPING\n");
    std::fflush(stdout);
    QRandomGenerator* random = QRandomGenerator::global();
    for (int i = 0;; ++i) {
        f.Type(QStringLiteral(" w%1").arg(i));
        const int pick = random->bounded(10);
        if (pick == 0)
            QTest::keyClick(f.Input(), Qt::Key_S, Qt::ControlModifier); // Ctrl+S
        else if (pick == 1)
            QTest::qWait(2100); // long enough for the autosave
    }
}

QString TextOf(const QString& ABody)
{
    QString t = ABody;
    t.remove(QStringLiteral("<p>"));
    t.remove(QStringLiteral("</p>"));
    return t;
}

} // namespace

class TestKillSession : public QObject
{
    Q_OBJECT

    struct TTrial
    {
        std::unique_ptr<QTemporaryDir> Dir;
        std::unique_ptr<QProcess> Child;
        QString LastSaved;
        int Saves = 0;
    };

    void Check(TTrial& ATrial)
    {
        const QString path = ATrial.Dir->path() + "/quorvel.db";
        QCOMPARE(QueryStoreFile(path, "PRAGMA integrity_check", 1).value(0).value(0),
                 QString("ok"));
        TDatabase db(path);
        const TNoteArray notes =
            db.GetNotesByNotebook(db.GetNotebooks().front().Id, nsByTitle, nsdAsc);
        QCOMPARE(notes.size(), size_t(1));
        // Typing only adds at the end: what was reported saved starts what is stored.
        const QString stored = TextOf(db.GetNote(notes.front().Id).Body);
        QVERIFY2(stored.startsWith(TextOf(ATrial.LastSaved)),
                 qPrintable(stored + " / " + ATrial.LastSaved));
    }

private Q_SLOTS:
    void killedAtRandomMoments()
    {
        QRandomGenerator random(20261210);
        int done = 0, withSaves = 0;
        while (done < Trials) {
            std::vector<TTrial> batch(std::min(AtOnce, Trials - done));
            for (TTrial& t : batch) {
                t.Dir = std::make_unique<QTemporaryDir>();
                t.Child = std::make_unique<QProcess>();
                t.Child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
                t.Child->start(QCoreApplication::applicationFilePath(), {"--child", t.Dir->path()});
            }
            for (TTrial& t : batch) {
                QVERIFY(t.Child->waitForStarted());
                QByteArray out;
                QVERIFY(WaitFor(
                    [&] {
                        t.Child->waitForReadyRead(10);
                        out += t.Child->readAllStandardOutput();
                        return out.contains("TYPING\n") || t.Child->state() == QProcess::NotRunning;
                    },
                    30000));
                QVERIFY2(out.contains("TYPING\n"), out.constData());
                t.Child->setProperty("out", out);
            }
            const int killAt = 200 + random.bounded(2800);
            QTest::qWait(killAt);
            for (TTrial& t : batch) {
                t.Child->kill();
                QVERIFY(t.Child->waitForFinished(10000));
                QByteArray out =
                    t.Child->property("out").toByteArray() + t.Child->readAllStandardOutput();
                for (const QByteArray& line : out.split('\n')) {
                    if (line.startsWith("SAVED ")) {
                        t.LastSaved = QString::fromUtf8(line.mid(6));
                        ++t.Saves;
                    }
                }
                if (t.Saves > 0)
                    ++withSaves;
                Check(t);
                if (QTest::currentTestFailed())
                    return;
                ++done;
            }
        }
        qInfo("%d trials, %d with saves reported before the kill", done, withSaves);
        QVERIFY(withSaves >= Trials / 4);
    }
};

int main(int argc, char** argv)
{
    for (int i = 1; i + 1 < argc; ++i) {
        if (QByteArray(argv[i]) == "--child") {
            QApplication app(argc, argv);
            return RunChild(QString::fromLocal8Bit(argv[i + 1]));
        }
    }
    QApplication app(argc, argv);
    TestKillSession test;
    return QTest::qExec(&test, 1, argv);
}

#include "test_killsession.moc"

// Times the main window on the 100,000-note benchmark database: a click on a notebook of
// 5,000 notes until the note list is filled and painted, a search from Enter until the list is
// painted, and the first paint of the window from the start of the process.
#include "../benchutil.h"
#include "application.h"
#include "benchdb.h"
#include "database.h"
#include "mainform.h"
#include "notebookpane.h"
#include "notelistpane.h"
#include "programfolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using benchutil::Median;

// Child mode: open the window and report its first paint.
class TPaintWatch : public QObject
{
public:
    bool eventFilter(QObject*, QEvent* AEvent) override
    {
        if (AEvent->type() == QEvent::Paint && !FDone) {
            FDone = true;
            QTimer::singleShot(0, [] {
                std::printf("painted\n");
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool FDone = false;
};

int RunFirstPaintChild(const QString& AFolder)
{
    SetProgramFolder(AFolder);
    TMainForm form;
    TPaintWatch watch;
    form.installEventFilter(&watch);
    form.show();
    return QCoreApplication::exec();
}

void ClickRow(QListWidget* AList, int ARow)
{
    const QRect r = AList->visualItemRect(AList->item(ARow));
    QTest::mouseClick(AList->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
}

} // namespace

int main(int argc, char** argv)
{
    TQuorvelApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--first-paint-child"))
        return RunFirstPaintChild(args[2]);
    int runs = 7;
    int notes = 100000;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--notes"))
            notes = args[i + 1].toInt();
    }

    QElapsedTimer gen;
    gen.start();
    const QString cached =
        CachedBenchDatabase(QCoreApplication::applicationDirPath() + "/benchdata", notes);
    QTemporaryDir dir;
    QFile::link(QFileInfo(cached).absoluteFilePath(), dir.path() + "/quorvel.db");
    std::printf("database: %s (%d notes, ready in %.1f s), median of %d runs\n", qPrintable(cached),
                notes, gen.elapsed() / 1000.0, runs);

    // First paint from process start, in a fresh process each time: once without a remembered
    // selection, and once restoring a notebook of 5,000 notes and one of its notes.
    int64_t bigBook = 0, bigNote = 0;
    {
        TDatabase db(dir.path() + "/quorvel.db");
        for (const TNotebook& nb : db.GetNotebooks())
            if (nb.NoteCount == 5000) {
                bigBook = nb.Id;
                break;
            }
        if (bigBook != 0) {
            const TNoteArray inBook = db.GetNotesByNotebook(bigBook, nsByModified, nsdDesc);
            if (!inBook.empty())
                bigNote = inBook.front().Id;
        }
    }
    auto remember = [&](int64_t ANotebook, int64_t ANote) {
        TDatabase db(dir.path() + "/quorvel.db");
        db.SetSettingInt(QStringLiteral("last_notebook_id"), int32_t(ANotebook));
        db.SetSettingInt(QStringLiteral("last_note_id"), int32_t(ANote));
    };
    auto firstPaint = [&](int64_t ANotebook, int64_t ANote) {
        remember(ANotebook, ANote);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            QProcess child;
            QElapsedTimer t;
            t.start();
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--first-paint-child"), dir.path()});
            while (child.state() != QProcess::NotRunning || child.bytesAvailable()) {
                if (child.waitForReadyRead(10000) && child.readAll().contains("painted"))
                    break;
                if (child.state() == QProcess::NotRunning)
                    break;
            }
            times.push_back(t.nsecsElapsed() / 1e6);
            child.waitForFinished(10000);
        }
        return Median(times);
    };
    const double paintBare = firstPaint(0, 0);
    const double paintRestoring = bigBook != 0 ? firstPaint(bigBook, bigNote) : -1;
    // The window below starts without a selection, as the clicks and searches expect.
    remember(0, 0);

    SetProgramFolder(dir.path());
    TMainForm form;
    form.setWindowState(Qt::WindowNoState);
    form.resize(1600, 900);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    QListWidget* notebooks = form.NotebookPane()->NotebookList();
    QListWidget* list = form.NoteListPane()->List();
    std::vector<int> big;
    for (int i = 0; i < notebooks->count() && big.size() < 2; ++i)
        if (notebooks->item(i)->text().endsWith(QStringLiteral("(5000)")))
            big.push_back(i);
    if (big.size() < 2) {
        std::printf("no two notebooks of 5,000 notes found\n");
        return 1;
    }
    std::vector<double> click;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        ClickRow(notebooks, big[i % 2]);
        list->viewport()->repaint();
        click.push_back(t.nsecsElapsed() / 1e6);
        if (list->count() != 5000)
            std::printf("unexpected list of %d notes\n", int(list->count()));
    }

    std::vector<double> search;
    const char* terms[] = {kBenchCommonTerm, kBenchRareTerm};
    int hits[2] = {0, 0};
    for (int i = 0; i < runs * 2; ++i) {
        form.SearchEdit()->setText(QString::fromLatin1(terms[i % 2]));
        QElapsedTimer t;
        t.start();
        QTest::keyClick(form.SearchEdit(), Qt::Key_Return);
        list->viewport()->repaint();
        if (i % 2 == 0)
            search.push_back(t.nsecsElapsed() / 1e6);
        hits[i % 2] = list->count();
    }
    std::vector<double> rare;
    for (int i = 0; i < runs; ++i) {
        form.SearchEdit()->setText(QString::fromLatin1(kBenchRareTerm));
        QElapsedTimer t;
        t.start();
        QTest::keyClick(form.SearchEdit(), Qt::Key_Return);
        list->viewport()->repaint();
        rare.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("first paint of the main window from process start: %8.1f ms\n", paintBare);
    std::printf("  restoring a notebook of 5,000 notes and a note:   %8.1f ms\n", paintRestoring);
    std::printf("click on a notebook of 5,000 notes to painted list: %8.1f ms\n", Median(click));
    std::printf("search \"%s\" (%d hits), Enter to painted list: %8.1f ms\n", kBenchCommonTerm,
                hits[0], Median(search));
    std::printf("search \"%s\" (%d hits), Enter to painted list: %8.1f ms\n", kBenchRareTerm,
                hits[1], Median(rare));
    return 0;
}

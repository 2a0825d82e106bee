// Large notes and a slow page, each case one run of the program as a process of its own on an X
// display and window manager of its own: typed words must be stored in the note whose title was
// shown when they were typed, whether the window is closed by Alt+F4 or SIGTERM soon after the
// typing, the user switches notes while typing, or the page's process is stopped for a while.
// The test reads the database file itself after the program has exited.
#include "e2efixture.h"

#include "application.h"
#include "notebookpane.h"
#include "notelistpane.h"
#include "xdesktop.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>
#include <QWebEnginePage>
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <deque>
#include <dlfcn.h>
#include <map>
#include <memory>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// The cases

enum class TKind
{
    Close,
    Switch,
    LongTyping
};

struct TCase
{
    QString Tag;
    TKind Kind = TKind::Close;
    int Size = 0;       // bytes of each note's body
    int IntervalMs = 0; // from the end of the typing to the close; or how long the typing goes on
    bool AltF4 = true;  // otherwise SIGTERM
    bool HumanPace = false;
    int StallMs = 0; // the page's process stopped for this long (0: not at all)
};

const int SmallNote = 10 * 1024, MidNote = 250 * 1024, LargeNote = 1024 * 1024;
// Typing goes on at least one of these long before the kill (one case each, so that the kill
// falls at different moments of the page's and the window's timers); what was typed more than
// 5 s before it must be stored.
const int LongTypingMs[] = {6500, 9000, 11500};
const int ReportedWithinMs = 5000;
// Long enough for the page to miss every wait of a second or so.
const int StallMs = 2500;
const int AtOnce = 4;
// Whether the runs of the rows still to come start ahead of them (not when rows are picked).
bool RunAhead = true;

QString SizeName(int ASize)
{
    return ASize >= LargeNote ? QStringLiteral("1MB") : QStringLiteral("%1KB").arg(ASize / 1024);
}

std::vector<TCase> AllCases()
{
    std::vector<TCase> cases;
    for (const int size : {SmallNote, MidNote, LargeNote}) {
        for (const bool altF4 : {true, false}) {
            const QString way = altF4 ? QStringLiteral("Alt+F4") : QStringLiteral("SIGTERM");
            for (const int interval : {0, 500, 1000, 2000, 4000}) {
                TCase c;
                c.Tag = QStringLiteral("%1 %2 after %3 ms").arg(SizeName(size), way).arg(interval);
                c.Size = size;
                c.IntervalMs = interval;
                c.AltF4 = altF4;
                cases.push_back(c);
            }
            TCase c;
            c.Tag = QStringLiteral("%1 %2 at once, page stopped %3 ms")
                        .arg(SizeName(size), way)
                        .arg(StallMs);
            c.Size = size;
            c.AltF4 = altF4;
            c.StallMs = StallMs;
            cases.push_back(c);
        }
        for (const bool human : {false, true}) {
            for (const int stall : {0, StallMs}) {
                TCase c;
                c.Tag =
                    QStringLiteral("%1 switch and type %2%3")
                        .arg(SizeName(size), human ? "at a human pace" : "at once",
                             stall ? QStringLiteral(", page stopped %1 ms").arg(stall) : QString());
                c.Kind = TKind::Switch;
                c.Size = size;
                c.HumanPace = human;
                c.StallMs = stall;
                cases.push_back(c);
            }
        }
        for (const int typing : LongTypingMs) {
            TCase c;
            c.Tag = QStringLiteral("%1 typing %2 ms then kill -9").arg(SizeName(size)).arg(typing);
            c.Kind = TKind::LongTyping;
            c.Size = size;
            c.IntervalMs = typing;
            cases.push_back(c);
        }
    }
    return cases;
}

// A body of about ASize bytes: short paragraphs, each on one line of the editor.
QString LargeBody(const QString& AWord, int ASize)
{
    QString body;
    body.reserve(ASize + 100);
    for (int i = 1; body.size() < ASize; ++i)
        body += QStringLiteral("<p>%1 %2 lorem ipsum dolor sit amet</p>")
                    .arg(AWord)
                    .arg(i, 6, 10, QChar(u'0'));
    return body;
}

// The text of a stored body: one line per paragraph, the typed spaces as spaces.
QString TextOf(QString AHtml)
{
    AHtml.replace(QStringLiteral("</p>"), QStringLiteral("\n"));
    AHtml.remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    AHtml.replace(QStringLiteral("&nbsp;"), QStringLiteral(" "));
    AHtml.replace(QChar(0xa0), QChar(u' '));
    return AHtml;
}

// ---------------------------------------------------------------------------------------------
// The program's side: one run, driven by the case's arguments, telling the test on stdout what
// it does ("WORD <title>\t<word>\t<ms>" for every word typed, with the title shown meanwhile).

void Say(const QString& ALine)
{
    std::printf("%s\n", qPrintable(ALine));
    std::fflush(stdout);
}

char ProcessState(qint64 APid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(APid));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray line = stat.readAll();
    const qsizetype close = line.lastIndexOf(')');
    return close > 0 && close + 2 < line.size() ? line[close + 2] : 0;
}

class TChild
{
public:
    TChild(TProgramFixture& AF) : F(AF) { FClock.start(); }

    // Types the words one key at a time at typing speed, each noted with the title shown.
    void TypeWords(const QString& APrefix, int ACount)
    {
        for (int i = 1; i <= ACount; ++i)
            TypeWord(QStringLiteral("%1%2").arg(APrefix).arg(i));
    }
    void TypeWord(const QString& AWord)
    {
        const QString title = F.Editor()->TitleEdit()->text();
        QTest::keyClicks(F.Input(), QStringLiteral(" ") + AWord, Qt::NoModifier, 25);
        Say(QStringLiteral("WORD %1\t%2\t%3").arg(title, AWord).arg(FClock.elapsed()));
    }
    void RestartClock() { FClock.restart(); }

private:
    TProgramFixture& F;
    QElapsedTimer FClock;
};

int64_t NoteTitled(const QString& ATitle)
{
    for (const TNotebook& nb : AppDB->GetNotebooks())
        for (const TNote& n : AppDB->GetNotesByNotebook(nb.Id, nsByTitle, nsdAsc))
            if (n.Title == ATitle)
                return n.Id;
    return 0;
}

QPoint RowCentre(QListWidget* AList, int64_t ANoteId)
{
    for (int i = 0; i < AList->count(); ++i)
        if (AList->item(i)->data(NoteIdRole).toLongLong() == ANoteId)
            return AList->visualItemRect(AList->item(i)).center();
    return QPoint(-1, -1);
}

int RunChild(const QStringList& AArgs)
{
    const QString kind = AArgs.value(0), folder = AArgs.value(1);
    const bool human = AArgs.value(2) == "human";
    QGuiApplication::setApplicationDisplayName("Quorvel");
    StartScriptedDialogs();
    StartEditorBrowserLoader();
    int result = 0;
    {
        TProgramFixture f;
        if (!f.Start(folder, 60000))
            return 2;
        const int64_t book = AppDB->GetNotebooks().front().Id;
        const int64_t alpha = NoteTitled("Alpha"), beta = NoteTitled("Beta");
        const QString body = AppDB->GetNote(alpha).Body;
        f.Form()->NotebookPane()->SelectNotebook(book);
        f.Form()->NoteListPane()->SelectNote(alpha);
        if (!f.WaitJs(QStringLiteral("getCleanHTML().length === %1").arg(body.size()), 60000)) {
            Say(QStringLiteral("SHOWN %1 of %2")
                    .arg(f.Js("getCleanHTML().length").toInt())
                    .arg(body.size()));
            return 3;
        }
        Say(QStringLiteral("RENDER %1").arg(f.View()->page()->renderProcessPid()));
        // Into the first line, then to the end of the note.
        const QVariantList xy =
            f.Js("(function(){ const r = editor.firstElementChild.getBoundingClientRect();"
                 " return [r.left + 40, r.top + Math.min(r.height, 24) / 2]; })()")
                .toList();
        const QPoint firstLine(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble()));
        f.Form()->activateWindow();
        f.View()->setFocus();
        f.ClickAt(firstLine);
        f.Key(Qt::Key_End, Qt::ControlModifier);
        QTest::qWait(300);
        TChild typist(f);
        if (kind == "close") {
            typist.TypeWords("ax", 5);
            Say("TYPED");
        } else if (kind == "switch") {
            typist.TypeWords("ax", 4);
            if (human)
                QTest::qWait(400);
            if (AArgs.value(3) == "stall") {
                // The test stops the page's process; go on once it has.
                Say("STOPME");
                const qint64 pid = f.View()->page()->renderProcessPid();
                WaitFor([&] { return ProcessState(pid) == 'T'; }, 5000);
            }
            QListWidget* list = f.Form()->NoteListPane()->List();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, RowCentre(list, beta));
            if (human)
                QTest::qWait(1500);
            f.ClickAt(firstLine);
            typist.TypeWords("by", 4);
            // Once the page has reported after its quiet time (the close itself is another case).
            QTest::qWait(2000);
            WaitFor([&] { return f.Editor()->SaveStatus() == "Saved"; }, 15000);
            Say("TYPED");
        } else if (kind == "long") {
            typist.RestartClock();
            Say("TYPING");
            for (int i = 1; i < 2000; ++i)
                typist.TypeWord(QStringLiteral("cz%1").arg(i));
            return 4;
        }
        // The program's own loop from here: it ends when the window has closed. No question is
        // expected; the test is told of each one (which is rejected, as no answer is scripted).
        qsizetype asked = 0;
        QTimer questions;
        QObject::connect(&questions, &QTimer::timeout, &questions, [&] {
            const QStringList shown = dlgseam::Shown();
            for (; asked < shown.size(); ++asked)
                Say(QStringLiteral("DIALOG %1").arg(shown[asked]));
        });
        questions.start(100);
        result = QApplication::exec();
    }
    FinishEditorBrowserLoader();
    return result;
}

// ---------------------------------------------------------------------------------------------
// The test's side

// Alt+F4 pressed on the display's keyboard through the X test extension, loaded when needed.
QString PressAltF4(const QString& ADisplay)
{
    struct XDisplay;
    using TOpen = XDisplay* (*)(const char*);
    using TClose = int (*)(XDisplay*);
    using TKeycode = unsigned char (*)(XDisplay*, unsigned long);
    using TFakeKey = int (*)(XDisplay*, unsigned int, int, unsigned long);
    static void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    static void* xtst = ::dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!x11 || !xtst)
        return "libX11 or libXtst is missing";
    auto open = reinterpret_cast<TOpen>(::dlsym(x11, "XOpenDisplay"));
    auto close = reinterpret_cast<TClose>(::dlsym(x11, "XCloseDisplay"));
    auto keycode = reinterpret_cast<TKeycode>(::dlsym(x11, "XKeysymToKeycode"));
    auto fake = reinterpret_cast<TFakeKey>(::dlsym(xtst, "XTestFakeKeyEvent"));
    if (!open || !close || !keycode || !fake)
        return "the X test extension's functions are missing";
    XDisplay* display = open(ADisplay.toLocal8Bit().constData());
    if (!display)
        return "cannot open " + ADisplay;
    const unsigned int alt = keycode(display, 0xffe9), f4 = keycode(display, 0xffc1);
    fake(display, alt, 1, 0);
    fake(display, f4, 1, 0);
    fake(display, f4, 0, 0);
    fake(display, alt, 0, 0);
    close(display); // flushes
    return QString();
}

struct TStoredNote
{
    QString Title, Body;
};

// Reads the notes straight from the file, after checking its integrity.
QString ReadStore(const QString& APath, std::vector<TStoredNote>& ANotes)
{
    const QString integrity = QueryStoreFile(APath, "PRAGMA integrity_check", 1).value(0).value(0);
    for (const QStringList& row :
         QueryStoreFile(APath, "SELECT title, body FROM notes ORDER BY id", 2))
        ANotes.push_back({row[0], row[1]});
    return integrity == "ok" ? QString() : "integrity check: " + integrity;
}

// One run of the program for a case: started, driven, ended.
class TRun : public QObject
{
public:
    TRun(const TCase& ACase) : Case(ACase) {}
    ~TRun() override
    {
        if (Child && Child->state() != QProcess::NotRunning) {
            Child->kill();
            Child->waitForFinished(5000);
        }
        ResumePage();
    }

    void Start()
    {
        Dir = std::make_unique<QTemporaryDir>();
        {
            TDatabase db(Dir->path() + "/quorvel.db");
            const int64_t book = db.CreateNotebook("Large", 0);
            for (const QString& title : {QStringLiteral("Alpha"), QStringLiteral("Beta")}) {
                const int64_t id = db.CreateNote(book, title);
                db.SaveNote(id, title, "", LargeBody(title.toLower(), Case.Size));
            }
        }
        if (const QString error = Desktop.Start(1600, 1000); !error.isEmpty())
            return Finish(error);
        Child = std::make_unique<QProcess>();
        Child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", Desktop.Display());
        env.insert("QT_QPA_PLATFORM", "xcb");
        Child->setProcessEnvironment(env);
        QObject::connect(Child.get(), &QProcess::readyReadStandardOutput, this, [this] { Read(); });
        QObject::connect(Child.get(), &QProcess::stateChanged, this,
                         [this, pid = qint64(0)](QProcess::ProcessState AState) mutable {
                             if (AState == QProcess::Running)
                                 pid = Child->processId();
                             else if (AState == QProcess::NotRunning && pid > 0)
                                 ForgetProcess(pid_t(pid));
                         });
        QObject::connect(Child.get(), &QProcess::finished, this, [this] {
            Read();
            ExitCode = Child->exitStatus() == QProcess::NormalExit ? Child->exitCode() : -1;
            Finish(QString());
        });
        const QString kind = Case.Kind == TKind::Close    ? "close"
                             : Case.Kind == TKind::Switch ? "switch"
                                                          : "long";
        Child->start(QCoreApplication::applicationFilePath(),
                     {"--child", kind, Dir->path(), Case.HumanPace ? "human" : "once",
                      Case.StallMs ? "stall" : "run"});
        if (Child->waitForStarted(10000))
            NoteProcess(pid_t(Child->processId()));
        Clock.start();
        Deadline.setSingleShot(true);
        QObject::connect(&Deadline, &QTimer::timeout, this, [this] {
            Problem = "the program did not end within 90 s";
            Child->kill();
        });
        Deadline.start(90000);
    }

    bool Done() const { return IsDone; }

    TCase Case;
    QString Problem;
    int ExitCode = -2;
    std::vector<std::pair<QString, QString>> Words; // title shown, word
    qint64 KilledAtMs = -1;                         // of the typing clock
    std::vector<qint64> WordAtMs;
    QStringList Dialogs;
    std::unique_ptr<QTemporaryDir> Dir;

private:
    void Read()
    {
        Out += Child->readAllStandardOutput();
        qsizetype nl;
        while ((nl = Out.indexOf('\n')) >= 0) {
            const QString line = QString::fromUtf8(Out.left(nl));
            Out.remove(0, nl + 1);
            Line(line);
        }
    }

    void Line(const QString& ALine)
    {
        if (ALine.startsWith("RENDER ")) {
            RenderPid = ALine.mid(7).toLongLong();
        } else if (ALine.startsWith("WORD ")) {
            const QStringList parts = ALine.mid(5).split(u'\t');
            Words.emplace_back(parts.value(0), parts.value(1));
            WordAtMs.push_back(parts.value(2).toLongLong());
            if (Case.Kind == TKind::LongTyping && KilledAtMs < 0 &&
                WordAtMs.back() >= Case.IntervalMs) {
                KilledAtMs = WordAtMs.back();
                Child->kill();
            }
        } else if (ALine == "STOPME") {
            StopPage();
        } else if (ALine == "TYPED") {
            if (Case.Kind == TKind::Close && Case.StallMs)
                StopPage();
            QTimer::singleShot(Case.IntervalMs, this, [this] { Close(); });
        } else if (ALine.startsWith("DIALOG ")) {
            Dialogs << ALine.mid(7);
            Problem = "the program asked: " + Dialogs.join(", ");
            Child->kill();
        } else {
            qInfo("%s: %s", qPrintable(Case.Tag), qPrintable(ALine));
        }
    }

    void StopPage()
    {
        if (RenderPid <= 0) {
            Problem = "the page's process is not known";
            return;
        }
        NoteProcess(pid_t(RenderPid));
        ::kill(pid_t(RenderPid), SIGSTOP);
        Stopped = true;
        QTimer::singleShot(Case.StallMs, this, [this] { ResumePage(); });
    }
    void ResumePage()
    {
        if (Stopped && RenderPid > 0) {
            ::kill(pid_t(RenderPid), SIGCONT);
            ForgetProcess(pid_t(RenderPid));
        }
        Stopped = false;
    }

    void Close()
    {
        if (!Child || Child->state() == QProcess::NotRunning)
            return;
        if (Case.Kind == TKind::Switch || Case.AltF4) {
            if (const QString error = PressAltF4(Desktop.Display()); !error.isEmpty())
                Problem = error;
        } else {
            ::kill(pid_t(Child->processId()), SIGTERM);
        }
    }

    void Finish(const QString& AProblem)
    {
        if (Problem.isEmpty())
            Problem = AProblem;
        Deadline.stop();
        ResumePage();
        IsDone = true;
    }

    TXDesktop Desktop;
    std::unique_ptr<QProcess> Child;
    QByteArray Out;
    qint64 RenderPid = -1;
    bool Stopped = false;
    bool IsDone = false;
    QElapsedTimer Clock;
    QTimer Deadline;
};

// Runs the cases' programs a few at a time, in the order of the table, so that each row's run
// has usually finished by the time its row is checked.
class TRunner
{
public:
    TRun& Result(const QString& ATag)
    {
        if (Cases.empty())
            Cases = AllCases();
        TRun* wanted = nullptr;
        while (!wanted || !wanted->Done()) {
            if (!wanted) {
                auto it = Runs.find(ATag);
                if (it != Runs.end())
                    wanted = it->second.get();
                else if (!RunAhead || Running() < AtOnce || NextToStart() == ATag)
                    StartNext(ATag);
                else
                    QTest::qWait(20);
                continue;
            }
            if (RunAhead && Running() < AtOnce && !NextToStart().isEmpty())
                StartNext(NextToStart());
            QTest::qWait(20);
        }
        // Keep the others going while this row is checked.
        while (RunAhead && Running() < AtOnce && !NextToStart().isEmpty())
            StartNext(NextToStart());
        return *wanted;
    }

private:
    int Running() const
    {
        int n = 0;
        for (const auto& [tag, run] : Runs)
            n += run->Done() ? 0 : 1;
        return n;
    }
    QString NextToStart() const
    {
        for (const TCase& c : Cases)
            if (!Runs.count(c.Tag))
                return c.Tag;
        return QString();
    }
    void StartNext(const QString& ATag)
    {
        for (const TCase& c : Cases) {
            if (c.Tag == ATag) {
                auto run = std::make_unique<TRun>(c);
                TRun* r = run.get();
                Runs[ATag] = std::move(run);
                r->Start();
                return;
            }
        }
    }

    std::vector<TCase> Cases;
    std::map<QString, std::unique_ptr<TRun>> Runs;
};

// The words typed while the note's title was shown, each after a space.
QString TypedInto(const TRun& ARun, const QString& ATitle)
{
    QString typed;
    for (const auto& [title, word] : ARun.Words)
        if (title == ATitle)
            typed += QStringLiteral(" ") + word;
    return typed;
}

// What a stored note lacks or holds beyond its own body and the words typed into it (which go
// in one piece at the place of the caret), or "" when it is exactly that. AOthers are the words
// typed while another note's title was shown.
QString Mismatch(const QString& AOriginal, const QString& AStored, const QString& ATyped,
                 const QString& AOthers)
{
    const QString original = TextOf(AOriginal), stored = TextOf(AStored);
    if (ATyped.isEmpty() && stored == original)
        return QString();
    const qsizetype at = ATyped.isEmpty() ? -1 : stored.indexOf(ATyped);
    if (at >= 0 && QString(stored).remove(at, ATyped.size()) == original)
        return QString();
    QStringList lost, foreign;
    for (const QString& w : ATyped.split(u' ', Qt::SkipEmptyParts))
        if (!stored.contains(QStringLiteral(" ") + w))
            lost << w;
    for (const QString& w : AOthers.split(u' ', Qt::SkipEmptyParts))
        if (stored.contains(QStringLiteral(" ") + w))
            foreign << w;
    QStringList faults;
    if (!lost.isEmpty())
        faults << "lost \"" + lost.join(' ') + "\" of \"" + ATyped.trimmed() + "\"";
    if (!foreign.isEmpty())
        faults << "holds \"" + foreign.join(' ') + "\" typed into another note";
    if (faults.isEmpty())
        faults << "holds its words, but not as typed: ..." + stored.right(200);
    return faults.join(", ");
}

} // namespace

class TestLargeNotes : public QObject
{
    Q_OBJECT

    TRunner Runner;

    void AddRows(TKind AKind)
    {
        QTest::addColumn<int>("unused");
        for (const TCase& c : AllCases())
            if (c.Kind == AKind)
                QTest::newRow(qPrintable(c.Tag)) << 0;
    }

    // Ran to its end with exit code 0 and no question, the file intact, and each note holding
    // its own body and exactly the words typed while its title was shown.
    void CheckClosedRun(TRun& ARun)
    {
        QVERIFY2(ARun.Problem.isEmpty(), qPrintable(ARun.Problem));
        QVERIFY2(ARun.Dialogs.isEmpty(), qPrintable(ARun.Dialogs.join(", ")));
        QVERIFY2(
            !ARun.Words.empty(),
            qPrintable(
                QStringLiteral("the program ended with %1 before any typing").arg(ARun.ExitCode)));
        std::vector<TStoredNote> notes;
        const QString integrity = ReadStore(ARun.Dir->path() + "/quorvel.db", notes);
        QVERIFY2(integrity.isEmpty(), qPrintable(integrity));
        QCOMPARE(notes.size(), size_t(2));
        QStringList faults;
        if (ARun.ExitCode != 0)
            faults << QStringLiteral("the program ended with %1").arg(ARun.ExitCode);
        for (const TStoredNote& n : notes) {
            QString others;
            for (const TStoredNote& o : notes)
                if (o.Title != n.Title)
                    others += TypedInto(ARun, o.Title);
            const QString fault = Mismatch(LargeBody(n.Title.toLower(), ARun.Case.Size), n.Body,
                                           TypedInto(ARun, n.Title), others);
            if (!fault.isEmpty())
                faults << n.Title + ": " + fault;
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }

private Q_SLOTS:
    void closeSoonAfterTyping_data() { AddRows(TKind::Close); }
    void closeSoonAfterTyping() { CheckClosedRun(Runner.Result(QTest::currentDataTag())); }

    void switchNotesWhileTyping_data() { AddRows(TKind::Switch); }
    void switchNotesWhileTyping()
    {
        TRun& run = Runner.Result(QTest::currentDataTag());
        // Both notes were typed into, as far as the titles shown go.
        QVERIFY(!TypedInto(run, "Alpha").isEmpty());
        QVERIFY(!TypedInto(run, "Beta").isEmpty());
        CheckClosedRun(run);
    }

    // Typing that goes on without a pause is stored while it goes on: a kill loses at most the
    // last few seconds.
    void killedDuringLongTyping_data() { AddRows(TKind::LongTyping); }
    void killedDuringLongTyping()
    {
        TRun& run = Runner.Result(QTest::currentDataTag());
        QVERIFY2(run.Problem.isEmpty(), qPrintable(run.Problem));
        QVERIFY(run.KilledAtMs >= run.Case.IntervalMs);
        qint64 longestGap = 0;
        for (size_t i = 1; i < run.WordAtMs.size(); ++i)
            longestGap = std::max(longestGap, run.WordAtMs[i] - run.WordAtMs[i - 1]);
        qInfo("longest time between two words: %lld ms", longestGap);
        std::vector<TStoredNote> notes;
        const QString integrity = ReadStore(run.Dir->path() + "/quorvel.db", notes);
        QVERIFY2(integrity.isEmpty(), qPrintable(integrity));
        QCOMPARE(notes.size(), size_t(2));
        const QString original = TextOf(LargeBody("alpha", run.Case.Size));
        const QString stored = TextOf(notes[0].Body);
        // The stored note is its body with the start of what was typed at its end.
        QVERIFY(original.endsWith(u'\n'));
        const QString head = original.chopped(1);
        QVERIFY2(stored.startsWith(head) && stored.endsWith(u'\n'),
                 qPrintable("not the note's body with typing at its end: ..." + stored.right(200)));
        const QString kept = stored.mid(head.size()).chopped(1);
        QString typed;
        QString due;
        qint64 keptUpTo = 0;
        for (size_t i = 0; i < run.Words.size(); ++i) {
            typed += QStringLiteral(" ") + run.Words[i].second;
            if (run.WordAtMs[i] <= run.KilledAtMs - ReportedWithinMs)
                due = typed;
            if (typed.size() <= kept.size())
                keptUpTo = run.WordAtMs[i];
        }
        qInfo("stored what was typed up to %lld ms before the kill", run.KilledAtMs - keptUpTo);
        QVERIFY2(typed.startsWith(kept), qPrintable("stored \"" + kept.right(100) + "\""));
        QVERIFY2(kept.size() >= due.size(),
                 qPrintable(QStringLiteral("killed after %1 ms of typing; kept %2 of the %3 "
                                           "characters typed up to %4 ms before")
                                .arg(run.KilledAtMs)
                                .arg(kept.size())
                                .arg(due.size())
                                .arg(ReportedWithinMs)));
        QCOMPARE(TextOf(notes[1].Body), TextOf(LargeBody("beta", run.Case.Size)));
    }
};

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--child") {
            // Ends with the test, however the test ends.
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            TQuorvelApplication app(argc, argv);
            app.CloseWindowsOnTermination();
            QStringList args;
            for (int j = i + 1; j < argc; ++j)
                args << QString::fromLocal8Bit(argv[j]);
            return RunChild(args);
        }
    }
    // Ended early (a time limit), the test first ends the programs and displays it started.
    struct sigaction action = {};
    action.sa_handler = [](int ASignal) {
        EndNotedProcesses();
        ::signal(ASignal, SIG_DFL);
        ::raise(ASignal);
    };
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    QApplication app(argc, argv);
    RunAhead = std::none_of(argv + 1, argv + argc, [](const char* AArg) { return AArg[0] != '-'; });
    TestLargeNotes test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_largenotes.moc"

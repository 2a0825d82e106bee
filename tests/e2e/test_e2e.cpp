// The program as a user meets it: the main window with the editor page in the real browser
// runtime, typed into with real keys.
#include "e2efixture.h"

#include "annotationpane.h"
#include "attachmentpane.h"
#include "attachstore.h"
#include "embeddedtagpane.h"
#include "notebookpane.h"
#include "notelistpane.h"
#include "platformqt.h"
#include "wvloader.h"
#include "wvwindowparent.h"

#include "application.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEnginePage>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// The editor page's process stopped (as on a machine too loaded to run it) until this ends.
class TStoppedPage
{
public:
    explicit TStoppedPage(qint64 APid) : FPid(APid)
    {
        if (FPid > 0)
            ::kill(pid_t(FPid), SIGSTOP);
    }
    ~TStoppedPage() { Resume(); }
    void Resume()
    {
        if (FPid > 0)
            ::kill(pid_t(FPid), SIGCONT);
        FPid = 0;
    }

private:
    qint64 FPid;
};

QListWidgetItem* NoteRow(QListWidget* AList, int64_t AId)
{
    for (int i = 0; i < AList->count(); ++i)
        if (AList->item(i)->data(NoteIdRole).toLongLong() == AId)
            return AList->item(i);
    return nullptr;
}

// The child for the end requests: the program with the real page on the folder, asked to end
// by a signal once it has typed into a note. Reports the page's process and the note.
int RunEndChild(const QString& AFolder, int AAnswerTimeoutMs)
{
    static_cast<TQuorvelApplication*>(qApp)->CloseWindowsOnTermination();
    QGuiApplication::setApplicationDisplayName("Quorvel");
    StartScriptedDialogs();
    StartEditorBrowserLoader();
    int result = 0;
    {
        TProgramFixture f;
        if (!f.Start(AFolder))
            return 3;
        f.Editor()->SetPageAnswerTimeout(AAnswerTimeoutMs);
        const int64_t book = AppDB->CreateNotebook("Case", 0);
        const int64_t note = AppDB->CreateNote(book, "Draft");
        AppDB->SaveNote(note, "Draft", "", "<p>start</p>");
        if (!f.OpenNote(book, note))
            return 4;
        f.ClickIntoEditor();
        f.Type(" typed");
        if (!f.WaitJs("editor.innerText.includes('typed')"))
            return 5;
        std::printf("PAGE %lld NOTE %lld\n",
                    static_cast<long long>(f.View()->page()->renderProcessPid()),
                    static_cast<long long>(note));
        std::fflush(stdout);
        result = qApp->exec();
    }
    FinishEditorBrowserLoader();
    return result;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

    TProgramFixture* F = nullptr;

    struct TNotes
    {
        int64_t Book = 0, Other = 0, A = 0, B = 0;
    };
    // Two notebooks, two notes in the first; the store is the window's.
    TNotes MakeNotes()
    {
        TNotes n;
        n.Book = AppDB->CreateNotebook("Case", 0);
        n.Other = AppDB->CreateNotebook("Other", 0);
        n.A = AppDB->CreateNote(n.Book, "Alpha");
        AppDB->SaveNote(n.A, "Alpha", "", "<p>alpha</p>");
        n.B = AppDB->CreateNote(n.Book, "Beta");
        AppDB->SaveNote(n.B, "Beta", "", "<p>beta</p>");
        AppDB->AddTagToNote(n.B, "evidence");
        F->Form()->NotebookPane()->RefreshNotebooks();
        F->Form()->NotebookPane()->RefreshTags();
        return n;
    }
    QString Saved(int64_t AId) { return AppDB->GetNote(AId).Body; }
    // The notes, with AText typed at the end of the first one and read by the page.
    TNotes TypedIntoFirst(const QString& AText)
    {
        const TNotes n = MakeNotes();
        if (!F->OpenNote(n.Book, n.A))
            return {};
        F->ClickIntoEditor();
        F->Type(AText);
        if (!F->WaitJs(QString("editor.innerText.includes('%1')").arg(AText.trimmed())))
            return {};
        return n;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QGuiApplication::setApplicationDisplayName("Quorvel");
        StartScriptedDialogs();
        SetScreenPPI(96);
        StartEditorBrowserLoader();
    }

    void init()
    {
        F = new TProgramFixture;
        QVERIFY(F->Start());
    }
    void cleanup()
    {
        delete F;
        F = nullptr;
        QVERIFY2(dlgseam::Unanswered().isEmpty(), qPrintable(dlgseam::Unanswered().join(", ")));
        dlgseam::Reset();
    }
    void cleanupTestCase() { FinishEditorBrowserLoader(); }

    void typedNoteIsSavedFoundAndKept()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->Type(" zebracrossing");
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Unsaved"), 2500);
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 3500);
        QCOMPARE(Saved(n.A), QString("<p>alpha zebracrossing</p>"));
        // Found by search.
        F->Form()->SearchEdit()->setText("zebracrossing");
        F->Form()->RunSearch();
        QListWidget* list = F->Form()->NoteListPane()->List();
        QCOMPARE(list->count(), 1);
        QCOMPARE(list->item(0)->data(NoteIdRole).toLongLong(), n.A);
        // After a restart the window shows the notebook and the note as they were.
        QVERIFY(F->OpenNote(n.Book, n.A));
        QVERIFY(F->Restart());
        QCOMPARE(F->Editor()->NoteId(), n.A);
        QVERIFY(F->WaitJs("editor.innerText.includes('zebracrossing')"));
        QCOMPARE(F->Editor()->TitleEdit()->text(), QString("Alpha"));
    }

    // Typing that the page has not reported yet (less than 1500 ms old), then another action.
    void noKeystrokeIsLost_data()
    {
        QTest::addColumn<QString>("road");
        QTest::addColumn<bool>("source");
        for (const char* road : {"other note", "notebook", "tag", "search", "ctrl+s", "close"}) {
            QTest::newRow(road) << road << false;
            QTest::newRow((QByteArray("source view, ") + road).constData()) << road << true;
        }
    }
    void noKeystrokeIsLost()
    {
        QFETCH(QString, road);
        QFETCH(bool, source);
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        QString expected = "<p>alpha quick</p>";
        if (source) {
            F->ClickAt(F->CentreOf("#btn-source"));
            QVERIFY(F->WaitJs("document.body.classList.contains('source-mode')"));
            F->Key(Qt::Key_End, Qt::ControlModifier);
            F->Type("<p>typed in source</p>");
            expected = "<p>alpha</p><p>typed in source</p>";
        } else {
            F->Type(" quick");
        }
        QCOMPARE(F->Editor()->Dirty(), false); // nothing reported yet
        if (road == "other note") {
            F->Form()->NoteListPane()->SelectNote(n.B);
        } else if (road == "notebook") {
            F->Form()->NotebookPane()->SelectNotebook(n.Other);
        } else if (road == "tag") {
            const TNoteTagArray tags = AppDB->GetAllNoteTags();
            F->Form()->OnTagSelected(nullptr, tags.front().Id);
        } else if (road == "search") {
            F->Form()->SearchEdit()->setText("beta");
            F->Form()->RunSearch();
        } else if (road == "ctrl+s") {
            QTest::keyClick(F->Input(), Qt::Key_S, Qt::ControlModifier);
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 1000);
            QCOMPARE(F->Editor()->SaveStatus(), QString("Saved"));
            QCOMPARE(Saved(n.A), expected);
        } else if (road == "close") {
            F->Close();
            TDatabase db(F->Folder() + "/quorvel.db");
            QCOMPARE(db.GetNote(n.A).Body, expected);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), expected, 1000);
        // No late report reaches the note shown now, and nothing is saved into it.
        QTest::qWait(3800);
        QCOMPARE(Saved(n.A), expected);
        QCOMPARE(Saved(n.B), QString("<p>beta</p>"));
        if (road == "other note") {
            QCOMPARE(F->Editor()->NoteId(), n.B);
            QVERIFY(!F->Editor()->Dirty());
            QCOMPARE(F->Editor()->SaveStatus(), QString());
        }
    }

    // Note-list commands on the open note keep its unsaved edits.
    void noteCommandsKeepEdits_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("rename") << "rename";
        QTest::newRow("move") << "move";
        QTest::newRow("duplicate") << "duplicate";
    }
    void noteCommandsKeepEdits()
    {
        QFETCH(QString, command);
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->Type(" edited");
        TNoteListPane* list = F->Form()->NoteListPane();
        if (command == "rename") {
            dlgseam::PushAnswer(TypeAndAccept("Alpha renamed"));
            list->MenuRenameNote();
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 1000);
            QCOMPARE(AppDB->GetNote(n.A).Title, QString("Alpha renamed"));
            QCOMPARE(F->Editor()->TitleEdit()->text(), QString("Alpha renamed"));
            // Later edits keep the new title.
            F->ClickIntoEditor();
            F->Type("!");
            QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 5000);
            QCOMPARE(AppDB->GetNote(n.A).Title, QString("Alpha renamed"));
            QCOMPARE(Saved(n.A), QString("<p>alpha edited!</p>"));
        } else if (command == "move") {
            dlgseam::PushAnswer([&](QDialog& ADialog) {
                auto* picker = ADialog.findChild<QListWidget*>();
                for (QListWidgetItem* item : picker->findItems("Other", Qt::MatchExactly))
                    picker->setCurrentItem(item);
                ADialog.accept();
            });
            list->MenuMoveNote();
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 1000);
            QCOMPARE(AppDB->GetNote(n.A).NotebookId, n.Other);
            QCOMPARE(Saved(n.A), QString("<p>alpha edited</p>"));
        } else {
            list->MenuDuplicateNote();
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 1000);
            const TNoteArray notes = AppDB->GetNotesByNotebook(n.Book, nsByTitle, nsdAsc);
            QCOMPARE(notes.size(), size_t(3));
            for (const TNote& note : notes)
                if (note.Id != n.B)
                    QCOMPARE(AppDB->GetNote(note.Id).Body, QString("<p>alpha edited</p>"));
        }
    }

    void embeddedTagOverTwoParagraphs()
    {
        const TNotes n = MakeNotes();
        AppDB->SaveNote(n.A, "Alpha", "", "<p>first para</p><p>second para</p>");
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->SelectAll();
        // Ctrl+Shift+E opens the page's tag dialog; the page gets the keys 150 ms later.
        QTest::keyClick(F->Input(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(F->WaitJs("document.getElementById('modal-tag').classList.contains('open')"));
        QTest::qWait(300);
        F->Type("Delay");
        F->Key(Qt::Key_Return);
        TEmbeddedTagPane* pane = F->Form()->EmbeddedTagPane();
        QTRY_COMPARE_WITH_TIMEOUT(pane->RowCount(), 1, 3000);
        QCOMPARE(pane->RowNames(), std::vector<QString>{"Delay"});
        QCOMPARE(F->Js("editor.querySelectorAll('[data-hash]').length").toInt(), 2);

        // Renamed and recoloured from the pane.
        dlgseam::PushAnswer([](QDialog& ADialog) {
            ADialog.findChild<QLineEdit*>()->setText("Late filing");
            for (QWidget* w : ADialog.findChildren<QWidget*>())
                if (w->toolTip() == "teal")
                    QTest::mouseClick(w, Qt::LeftButton);
            ADialog.accept();
        });
        QPushButton* edit = nullptr;
        for (QPushButton* b : pane->ScrollBox()->Rows().at(0)->findChildren<QPushButton*>())
            if (b->text() == QString::fromUtf8("\u270E"))
                edit = b;
        QVERIFY(edit);
        edit->click();
        const std::vector<QString> renamed{"Late filing"};
        QTRY_COMPARE_WITH_TIMEOUT(pane->RowNames(), renamed, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 5000);
        const QString body = Saved(n.A);
        QVERIFY2(body.contains("data-tag=\"Late filing\"") && body.contains("data-colour=\"teal\""),
                 qPrintable(body));
        QVERIFY(body.contains("first para") && body.contains("second para"));
    }

    void annotationsMadeListedRemovedAndOrphaned()
    {
        const TNotes n = MakeNotes();
        AppDB->SaveNote(n.A, "Alpha", "", "<p>the witness was late</p>");
        AppDB->CreateAnnotation(n.A, "ann_orphan", "x", "no span for this one");
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->SelectAll();
        F->Form()->AnnotationPane()->InsertAnnotButton()->click();
        QVERIFY(F->WaitJs("document.getElementById('modal-annot').classList.contains('open')"));
        QTest::qWait(300);
        F->Type("Check the log");
        F->ClickAt(F->CentreOf("#btn-annot-ok"));
        TAnnotationPane* pane = F->Form()->AnnotationPane();
        QTRY_COMPARE_WITH_TIMEOUT(pane->RowCount(), 2, 3000);
        TAnnotationArray stored = AppDB->GetAnnotationsByNote(n.A);
        QCOMPARE(stored.size(), size_t(2));
        // The save drops the record whose span is not in the body.
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 5000);
        stored = AppDB->GetAnnotationsByNote(n.A);
        QCOMPARE(stored.size(), size_t(1));
        QCOMPARE(stored[0].Body, QString("Check the log"));
        QCOMPARE(stored[0].Snippet, QString("the witness was late"));
        QVERIFY(Saved(n.A).contains("id=\"" + stored[0].SpanId + "\""));
        QTRY_COMPARE_WITH_TIMEOUT(pane->RowCount(), 1, 2000);

        // Removed from the pane: the span is unwrapped and every character stays.
        dlgseam::PushAnswer(Yes());
        QPushButton* remove = nullptr;
        for (QPushButton* b : pane->RowPanel(0)->findChildren<QPushButton*>())
            if (b->text() == QString::fromUtf8("\u2715"))
                remove = b;
        QVERIFY(remove);
        remove->click();
        QTRY_VERIFY_WITH_TIMEOUT(!F->EditorHtml().contains("ann_"), 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>the witness was late</p>"), 5000);
        QVERIFY(AppDB->GetAnnotationsByNote(n.A).empty());
        QCOMPARE(pane->RowCount(), 0);
    }

    // Deleted with its text and saved, an annotation's record goes; undone while the note is
    // still shown, the span comes back with the record it had.
    void annotationUndoneAfterASaveGetsItsRecordBack()
    {
        const TNotes n = MakeNotes();
        AppDB->SaveNote(n.A, "Alpha", "",
                        "<p>he said <span class=\"dm-annot\" id=\"ann_1\">it</span> today</p>");
        AppDB->CreateAnnotation(n.A, "ann_1", "it", "the user's note");
        QVERIFY(F->OpenNote(n.Book, n.A));
        QCOMPARE(F->Form()->AnnotationPane()->RowCount(), 1);
        F->ClickIntoEditor();
        F->SelectAll();
        F->Key(Qt::Key_Backspace);
        QTRY_VERIFY_WITH_TIMEOUT(!Saved(n.A).contains("ann_1"), 6000);
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 3000);
        QVERIFY(AppDB->GetAnnotationsByNote(n.A).empty());
        QCOMPARE(F->Form()->AnnotationPane()->RowCount(), 0);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(F->WaitJs("!!document.getElementById('ann_1')"));
        QTRY_COMPARE_WITH_TIMEOUT(AppDB->GetAnnotationsByNote(n.A).size(), size_t(1), 6000);
        const TAnnotation back = AppDB->GetAnnotationsByNote(n.A).front();
        QCOMPARE(back.SpanId, QString("ann_1"));
        QCOMPARE(back.Snippet, QString("it"));
        QCOMPARE(back.Body, QString("the user's note"));
        QCOMPARE(F->Form()->AnnotationPane()->RowCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(Saved(n.A).contains("id=\"ann_1\""), 6000);
        QCOMPARE(AppDB->GetAnnotationsByNote(n.A).size(), size_t(1));
    }

    void attachmentsPreviewedExportedDeleted()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        QTemporaryDir sources;
        // A folder name that needs escaping in the preview's address.
        QDir(sources.path()).mkpath("case #1 100%");
        const QString dir = sources.path() + "/case #1 100%/";
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::red);
        QVERIFY(image.save(dir + "photo.png"));
        QFile::copy(QFINDTESTDATA("../data/importer/pdf/report-uncompressed.pdf"),
                    dir + "Report.PDF");
        {
            QFile text(dir + "notes.txt");
            QVERIFY(text.open(QIODevice::WriteOnly));
            text.write("plain words in a file");
        }
        TAttachmentPane* pane = F->Editor()->AttachPane();
        for (const char* name : {"photo.png", "Report.PDF", "notes.txt"}) {
            dlgseam::PushAnswer(dlgseam::ChooseFile(dir + QLatin1String(name)));
            pane->AttachButton()->click();
        }
        const TNoteAttachmentArray list = AppDB->GetAttachments(n.A);
        QCOMPARE(list.size(), size_t(3));
        QVERIFY(pane->Expanded());

        auto previewView = [&] { return pane->ViewerOuter()->findChild<QWebEngineView*>(); };
        for (int i = 0; i < 3; ++i) {
            pane->OpenClick(i);
            QVERIFY(pane->ViewerOuter()->isVisible());
            QCOMPARE(pane->ViewerLabel()->text(), list[i].FileName);
            const QString url = FileUrl(FullPath(list[i].FilePath));
            QTRY_VERIFY_WITH_TIMEOUT(
                previewView() && previewView()->url().toString(QUrl::FullyEncoded) == url, 10000);
            QTRY_VERIFY_WITH_TIMEOUT(!previewView()->page()->isLoading(), 10000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(
            F->Js("document.body.innerText", previewView()).toString().contains("plain words"),
            10000);
        // A file the preview cannot show.
        dlgseam::PushAnswer(dlgseam::ChooseFile(QFINDTESTDATA("test_e2e.cpp")));
        pane->AttachButton()->click();
        pane->OpenClick(3);
        QTRY_VERIFY_WITH_TIMEOUT(
            F->Js("document.body.innerText", previewView()).toString().contains("Cannot preview"),
            5000);

        // Exported, then deleted with its file; deleting closes the preview.
        const QString target = sources.path() + "/exported.pdf";
        dlgseam::PushAnswer(dlgseam::ChooseFile(target));
        pane->ExportClick(1);
        QFile a(target), b(FullPath(list[1].FilePath));
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        QCOMPARE(a.readAll(), b.readAll());
        pane->OpenClick(0);
        dlgseam::PushAnswer(Yes());
        pane->DeleteAttachClick(0);
        QVERIFY(!pane->ViewerOuter()->isVisible());
        QVERIFY(!QFile::exists(FullPath(list[0].FilePath)));
        QCOMPARE(AppDB->GetAttachments(n.A).size(), size_t(3));
    }

    // A previewed page that goes elsewhere by itself is taken back, then emptied.
    void previewShowsOnlyItsAttachment()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        QTemporaryDir sources;
        const QString page = sources.path() + "/away.html";
        {
            QFile f(page);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<html><head><meta http-equiv=\"refresh\" content=\"0;url=elsewhere.html\">"
                    "</head><body>page</body></html>");
        }
        TAttachmentPane* pane = F->Editor()->AttachPane();
        dlgseam::PushAnswer(dlgseam::ChooseFile(page));
        pane->AttachButton()->click();
        pane->OpenClick(0);
        QTest::qWait(2500);
        QWebEngineView* view = pane->ViewerOuter()->findChild<QWebEngineView*>();
        QVERIFY(view);
        const QString shown = view->url().toString();
        QVERIFY2(!shown.contains("elsewhere"), qPrintable(shown));
    }

    // A reload of the page (the browser's own command) reports the pending edit first, and the
    // page comes back with it.
    void reloadKeepsTyping()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->Type(" before reload");
        F->View()->page()->triggerAction(QWebEnginePage::Reload);
        QVERIFY(F->WaitJs("typeof editor !== 'undefined' && "
                          "editor.innerText.includes('before reload')",
                          8000));
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha before reload</p>"), 5000);
    }

    // A command that needs the page's pending edit waits for it in the event loop: the
    // autosave and the page's messages that come meanwhile never run inside another handler,
    // and keys typed meanwhile are held back and reach the page afterwards.
    void timerAndPageMessageDuringTheWait()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->Type(" quick");
        QVERIFY(!F->Editor()->Dirty());
        // The page is busy for a while, and then posts a message of its own before it reads
        // the host's request.
        F->View()->page()->runJavaScript(
            "(function(){ const t = Date.now(); while (Date.now() - t < 800) {}"
            " postToHost({ type: 'tagsUpdated', tags: [] }); })()");
        QTest::qWait(100);
        // A title edit whose autosave falls due during the wait.
        F->Editor()->SaveTimer()->setInterval(100);
        QTest::keyClick(F->Editor()->TitleEdit(), Qt::Key_End);
        QTest::keyClicks(F->Editor()->TitleEdit(), "!");
        QVERIFY(F->Editor()->SaveTimer()->isActive());

        QTest::keyClick(F->Input(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(F->Form()->WaitingForPage());
        F->Type(" more");
        QTest::qWait(300);
        QVERIFY(F->Form()->WaitingForPage());
        QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 2000);
        QCOMPARE(F->Form()->ReentrantHandlers(), 0);
        QCOMPARE(AppDB->GetNote(n.A).Title, QString("Alpha!"));
        // Saved with what was typed before Ctrl+S; the keys typed during the wait were held
        // back, and then not lost.
        QCOMPARE(Saved(n.A), QString("<p>alpha quick</p>"));
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha quick more</p>"), 3000);
        QCOMPARE(F->Form()->ReentrantHandlers(), 0);
    }
    // Ctrl+S, a close and a note-list command wait for a page that is slow to answer (its
    // process stopped for a while), showing "Saving…", and then store what was typed.
    void slowPageIsWaitedFor_data()
    {
        QTest::addColumn<QString>("road");
        QTest::newRow("ctrl+s") << "ctrl+s";
        QTest::newRow("close") << "close";
        QTest::newRow("rename") << "rename";
    }
    void slowPageIsWaitedFor()
    {
        QFETCH(QString, road);
        const TNotes n = TypedIntoFirst(" quick");
        QVERIFY(n.A != 0);
        QVERIFY(!F->Editor()->Dirty());
        {
            TStoppedPage stopped(F->View()->page()->renderProcessPid());
            if (road == "ctrl+s") {
                QTest::keyClick(F->Input(), Qt::Key_S, Qt::ControlModifier);
            } else if (road == "close") {
                F->Form()->close();
            } else {
                dlgseam::PushAnswer(TypeAndAccept("Alpha renamed"));
                F->Form()->NoteListPane()->MenuRenameNote();
            }
            QTest::qWait(2500);
            QVERIFY(F->Form()->WaitingForPage());
            QVERIFY(F->Form()->isVisible());
            QCOMPARE(F->Editor()->SaveStatus(), QString::fromUtf8("Saving\u2026"));
            QCOMPARE(Saved(n.A), QString("<p>alpha</p>"));
        }
        QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->WaitingForPage(), 5000);
        if (road == "close") {
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->isVisible(), 2000);
            F->Close();
            TDatabase db(F->Folder() + "/quorvel.db");
            QCOMPARE(db.GetNote(n.A).Body, QString("<p>alpha quick</p>"));
            return;
        }
        QCOMPARE(Saved(n.A), QString("<p>alpha quick</p>"));
        if (road == "ctrl+s")
            QCOMPARE(F->Editor()->SaveStatus(), QString("Saved"));
        if (road == "rename")
            QTRY_COMPARE_WITH_TIMEOUT(AppDB->GetNote(n.A).Title, QString("Alpha renamed"), 2000);
        QCOMPARE(dlgseam::Shown().size(), road == "rename" ? 1 : 0);
    }

    // A close when the page's process has gone (killed, with typing it had not reported) or
    // has not answered for the answer time-out (stopped): the user is asked whether to close
    // anyway. Kept open, the window stores the typing once a stopped page runs again.
    void closeAsksWhenThePageDoesNotAnswer_data()
    {
        QTest::addColumn<bool>("killed");
        QTest::newRow("page process killed") << true;
        QTest::newRow("page process stopped") << false;
    }
    void closeAsksWhenThePageDoesNotAnswer()
    {
        QFETCH(bool, killed);
        const TNotes n = TypedIntoFirst(" quick");
        QVERIFY(n.A != 0);
        const qint64 pid = F->View()->page()->renderProcessPid();
        QVERIFY(pid > 0);
        std::unique_ptr<TStoppedPage> stopped;
        const QString told = "Quorvel|The editor stopped working, so the last typing in "
                             "\"Alpha\" may not have been saved.";
        if (killed) {
            // Told at once.
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            ::kill(pid_t(pid), SIGKILL);
            QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown(), QStringList{told}, 5000);
        } else {
            F->Editor()->SetPageAnswerTimeout(1500);
            stopped = std::make_unique<TStoppedPage>(pid);
        }
        const QString asked =
            (killed ? told
                    : QString("Quorvel|The editor has not answered for 1.5 seconds, so the last "
                              "typing in \"Alpha\" may not have been saved.")) +
            "\r\n\r\nClose anyway?";
        dlgseam::PushAnswer(No());
        F->Form()->close();
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), killed ? 2 : 1, 3000);
        QCOMPARE(dlgseam::Shown().last(), asked);
        QVERIFY(!F->Form()->WaitingForPage());
        QVERIFY(F->Form()->isVisible());
        QCOMPARE(Saved(n.A), QString("<p>alpha</p>"));
        if (killed) {
            dlgseam::PushAnswer(Yes());
            F->Form()->close();
            QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->isVisible(), 2000);
            QCOMPARE(dlgseam::Shown().size(), 3);
            return;
        }
        // Running again, the page reports what it holds; the next close needs no question.
        stopped->Resume();
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha quick</p>"), 5000);
        F->Form()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->isVisible(), 3000);
        QCOMPARE(dlgseam::Shown().size(), 1);
    }

    // The page's process killed while typing waits to be reported, or once all is reported:
    // the status stops saying "Saved" at once, the user is told which note's typing may be
    // lost (only when some was), and the page starts again with the note, the focus and the
    // caret where the user was typing. What is typed there, or while it starts, goes into the
    // note; a close asks only after a loss, naming the note.
    void pageStartsAgainAfterItsProcessIsKilled_data()
    {
        QTest::addColumn<bool>("unreported");
        QTest::addColumn<bool>("typedWhileStarting");
        QTest::newRow("typing unreported") << true << false;
        QTest::newRow("all reported") << false << false;
        QTest::newRow("all reported, typed while the page starts") << false << true;
    }
    void pageStartsAgainAfterItsProcessIsKilled()
    {
        QFETCH(bool, unreported);
        QFETCH(bool, typedWhileStarting);
        // Typed, saved, and (in the first row) typed on.
        const TNotes n = TypedIntoFirst(" quick");
        QVERIFY(n.A != 0);
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha quick</p>"), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->SaveStatus(), QString("Saved"), 2000);
        if (unreported) {
            F->Type(" more");
            QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->UnreportedNote(), n.A, 2000);
        }
        QCOMPARE(F->Editor()->SaveStatus(), QString("Saved"));
        const QString before = "<p>alpha quick</p>";
        QCOMPARE(Saved(n.A), before);
        const qint64 pid = F->View()->page()->renderProcessPid();
        QVERIFY(pid > 0);
        QString statusWhenTold;
        if (unreported)
            dlgseam::PushAnswer([&](QDialog& ADialog) {
                statusWhenTold = F->Editor()->SaveStatus();
                dlgseam::PressButton(QMessageBox::Ok)(ADialog);
            });
        ::kill(pid_t(pid), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(F->Editor()->Restarting(), 5000);
        const QString told = "Quorvel|The editor stopped working, so the last typing in "
                             "\"Alpha\" may not have been saved.";
        if (unreported) {
            QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown(), QStringList{told}, 5000);
            QCOMPARE(statusWhenTold, QString("Not saved"));
        } else {
            QVERIFY(F->Editor()->SaveStatus() != "Saved");
        }
        if (typedWhileStarting) {
            QVERIFY(F->Form()->focusWidget());
            QTest::keyClicks(F->Form()->focusWidget(), " again");
        }
        // A new page, showing the note as stored, with the focus and the caret where the user
        // was typing (the window's focus: offscreen, the window need not be active).
        QTRY_VERIFY_WITH_TIMEOUT(F->Editor()->Ready() && !F->Editor()->AwaitingLoad(), 20000);
        const qint64 again = F->View()->page()->renderProcessPid();
        QVERIFY(again > 0 && again != pid);
        QVERIFY(F->Form()->focusWidget());
        QVERIFY(F->Editor()->BrowserHost()->isAncestorOf(F->Form()->focusWidget()));
        if (!typedWhileStarting) {
            QVERIFY(F->WaitJs(QString("getCleanHTML() === '%1'").arg(before)));
            QCOMPARE(Saved(n.A), before);
            QVERIFY(F->WaitJs("document.activeElement === editor && getSelection().isCollapsed &&"
                              " getSelection().focusNode.textContent === 'alpha quick' &&"
                              " getSelection().focusOffset === 11"));
            QCOMPARE(F->Editor()->SaveStatus(), QString(unreported ? "Not saved" : "Saved"));
            F->Type(" again");
        }
        const QString typed = "<p>alpha quick again</p>";
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), typed, 8000);
        QCOMPARE(F->Editor()->SaveStatus(), QString("Saved"));
        QCOMPARE(dlgseam::Shown().size(), unreported ? 1 : 0);
        // The user types on, then closes: the question (after a loss) names the note.
        F->Type(" end");
        QVERIFY(F->WaitJs("editor.textContent.endsWith('again end')"));
        if (unreported)
            dlgseam::PushAnswer(Yes());
        F->Form()->close();
        QTRY_VERIFY_WITH_TIMEOUT(!F->Form()->isVisible(), 5000);
        QCOMPARE(dlgseam::Shown(),
                 (unreported ? QStringList{told, told + "\r\n\r\nClose anyway?"} : QStringList{}));
        const QString stored =
            QueryStoreFile(F->Folder() + "/quorvel.db",
                           QString("SELECT body FROM notes WHERE id = %1").arg(n.A), 1)
                .value(0)
                .value(0);
        QCOMPARE(stored, QString("<p>alpha quick again end</p>"));
    }

    // From a click on another note until the page shows it, what the user types into the
    // editor waits, and then goes into the note whose title was shown, never the one before.
    void typingAfterASwitchGoesToTheShownNote()
    {
        const TNotes n = TypedIntoFirst(" one");
        QVERIFY(n.A != 0);
        const QPoint inText = F->CentreOf("#editor p");
        QListWidget* list = F->Form()->NoteListPane()->List();
        const qint64 pagePid = F->View()->page()->renderProcessPid();
        QVERIFY(pagePid > 0);
        {
            TStoppedPage stopped(pagePid);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(NoteRow(list, n.B)).center());
            QCOMPARE(F->Editor()->TitleEdit()->text(), QString("Beta"));
            F->ClickAt(inText);
            F->Key(Qt::Key_End);
            F->Type(" two");
            QTest::qWait(800);
        }
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.B), QString("<p>beta two</p>"), 8000);
        QCOMPARE(Saved(n.A), QString("<p>alpha one</p>"));
        QVERIFY(F->WaitJs("getCleanHTML() === '<p>beta two</p>'"));
    }

    // Typing that goes on without a pause is reported while it goes on, not only after it.
    void typingWithoutAPauseIsReported()
    {
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        QElapsedTimer typing;
        typing.start();
        bool reported = false;
        while (typing.elapsed() < 7000 && !reported) {
            F->Type("x");
            QTest::qWait(250);
            reported = F->Editor()->CurrentHTML().contains("xxx");
        }
        QVERIFY(reported);
    }

    // Asked to end while the page is slow, the program waits for it and stores the typing;
    // when the page does not answer in time it stores what it has, says so and ends with an
    // error status.
    void endRequestWaitsForThePage_data()
    {
        QTest::addColumn<bool>("answers");
        QTest::newRow("page answers after 2 s") << true;
        QTest::newRow("page never answers") << false;
    }
    void endRequestWaitsForThePage()
    {
        QFETCH(bool, answers);
        QTemporaryDir dir;
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {"--end-child", dir.path(), answers ? "10000" : "1500"});
        QVERIFY(child.waitForStarted());
        QByteArray out;
        QVERIFY(WaitFor(
            [&] {
                child.waitForReadyRead(10);
                out += child.readAllStandardOutput();
                return out.contains("\n") || child.state() == QProcess::NotRunning;
            },
            60000));
        const QList<QByteArray> words = out.trimmed().split(' ');
        QVERIFY2(words.size() == 4 && words[0] == "PAGE", out.constData());
        const qint64 page = words[1].toLongLong();
        QVERIFY(page > 0);
        {
            TStoppedPage stopped(page);
            ::kill(pid_t(child.processId()), SIGTERM);
            QTest::qWait(2000);
            if (answers)
                QCOMPARE(child.state(), QProcess::Running);
            else
                QVERIFY(child.waitForFinished(10000));
        }
        QVERIFY(child.state() == QProcess::NotRunning || child.waitForFinished(20000));
        ::kill(pid_t(page), SIGKILL);
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(child.readAllStandardError());
        const QString told = "Quorvel: The editor has not answered for 1.5 seconds, so the last "
                             "typing in \"Draft\" may not have been saved.";
        QVERIFY(!QFile::exists(dir.filePath("quorvel.db.lock")));
        TDatabase db(dir.filePath("quorvel.db"));
        if (answers) {
            QCOMPARE(child.exitCode(), 0);
            QVERIFY2(!errors.contains(told), qPrintable(errors));
            QCOMPARE(db.GetNote(words[3].toLongLong()).Body, QString("<p>start typed</p>"));
        } else {
            QCOMPARE(child.exitCode(), 2);
            QVERIFY2(errors.contains(told), qPrintable(errors));
            QCOMPARE(db.GetNote(words[3].toLongLong()).Body, QString("<p>start</p>"));
        }
    }

    // Typing held back during a wait is kept when the user then closes the window (also while
    // the held input is being delivered) or clicks another note: each waits until the page has
    // read the keys typed before it.
    void typingHeldDuringTheWaitIsKept_data()
    {
        QTest::addColumn<QString>("road");
        QTest::newRow("close") << "close";
        QTest::newRow("close as the wait ends") << "close as the wait ends";
        QTest::newRow("other note") << "other note";
        QTest::newRow("other note and back") << "other note and back";
    }
    void typingHeldDuringTheWaitIsKept()
    {
        QFETCH(QString, road);
        const TNotes n = MakeNotes();
        QVERIFY(F->OpenNote(n.Book, n.A));
        F->ClickIntoEditor();
        F->Type(" quick");
        const QPoint inText = F->CentreOf("#editor p");
        F->View()->page()->runJavaScript(
            "(function(){ const t = Date.now(); while (Date.now() - t < 600) {} })()");
        QTest::qWait(50);
        QTest::keyClick(F->Input(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(F->Form()->WaitingForPage());
        F->Type(" more");
        QVERIFY(F->Form()->WaitingForPage());
        if (road == "close as the wait ends") {
            // Checked on every pass of the event loop: the close comes while the held keys are
            // still being delivered, one at a time.
            QTimer poll;
            poll.setInterval(0);
            connect(&poll, &QTimer::timeout, &poll, [&] {
                if (F->Form()->WaitingForPage())
                    return;
                poll.stop();
                F->Form()->close();
            });
            poll.start();
            QTRY_VERIFY_WITH_TIMEOUT(!poll.isActive(), 2000);
        }
        if (road.startsWith("close")) {
            F->Close();
            TDatabase db(F->Folder() + "/quorvel.db");
            QCOMPARE(db.GetNote(n.A).Body, QString("<p>alpha quick more</p>"));
            return;
        }
        QListWidget* list = F->Form()->NoteListPane()->List();
        QListWidgetItem* row = nullptr;
        for (int i = 0; i < list->count(); ++i)
            if (list->item(i)->data(NoteIdRole).toLongLong() == n.B)
                row = list->item(i);
        QVERIFY(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(row).center());
        if (road == "other note and back") {
            // Back to the first note before its late report can have come, and on typing there.
            QListWidgetItem* first = nullptr;
            for (int i = 0; i < list->count(); ++i)
                if (list->item(i)->data(NoteIdRole).toLongLong() == n.A)
                    first = list->item(i);
            QVERIFY(first);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(first).center());
            F->ClickAt(inText);
            F->Key(Qt::Key_End);
            F->Type(" again");
            QVERIFY(F->Form()->WaitingForPage());
            QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->NoteId(), n.A, 3000);
            QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha quick more again</p>"), 6000);
            QCOMPARE(Saved(n.B), QString("<p>beta</p>"));
            return;
        }
        QVERIFY(F->Form()->WaitingForPage());
        QTRY_COMPARE_WITH_TIMEOUT(F->Editor()->NoteId(), n.B, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(Saved(n.A), QString("<p>alpha quick more</p>"), 3000);
        QVERIFY(F->WaitJs("getCleanHTML() === '<p>beta</p>'"));
        QCOMPARE(Saved(n.B), QString("<p>beta</p>"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "--end-child") {
        TQuorvelApplication app(argc, argv);
        return RunEndChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestEndToEnd test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_e2e.moc"

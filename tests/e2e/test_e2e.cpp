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

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

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
            QCOMPARE(AppDB->GetNote(n.A).NotebookId, n.Other);
            QCOMPARE(Saved(n.A), QString("<p>alpha edited</p>"));
        } else {
            list->MenuDuplicateNote();
            const TNoteArray notes = AppDB->GetNotesByNotebook(n.Book, nsByTitle, nsdAsc);
            QCOMPARE(notes.size(), size_t(3));
            for (const TNote& note : notes)
                if (note.Id != n.B)
                    QCOMPARE(AppDB->GetNote(note.Id).Body, QString("<p>alpha edited</p>"));
        }
    }
};

QTEST_MAIN(TestEndToEnd)
#include "test_e2e.moc"

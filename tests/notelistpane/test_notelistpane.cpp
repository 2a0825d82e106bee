#include "../dmdialogs/testsupport.h"
#include "clock.h"
#include "notelistpane.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>

#include <sys/stat.h>

namespace {

QStringList Captions(QListWidget* AList)
{
    QStringList rows;
    for (int i = 0; i < AList->count(); ++i)
        rows << AList->item(i)->text();
    return rows;
}

void ClickRow(QListWidget* AList, int ARow)
{
    QTest::mouseClick(AList->viewport(), Qt::LeftButton, {},
                      AList->visualItemRect(AList->item(ARow)).center());
}

void WriteFile(const QString& APath)
{
    QDir().mkpath(QFileInfo(APath).path());
    QFile f(APath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("data");
}

} // namespace

class TestNoteListPane : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FWork = 0, FHome = 0, FA = 0, FB = 0, FC = 0, FTag = 0;
    QList<int64_t> FSelected;
    QStringList FEvents;

    TNoteListPane* NewPane()
    {
        auto* pane = new TNoteListPane;
        pane->resize(300, 500);
        pane->show();
        pane->OnNoteSelected = [this](QObject*, int64_t AId) { FSelected << AId; };
        pane->OnNoteCreated = [this](QObject*) { FEvents << "created"; };
        pane->OnNoteDeleted = [this](QObject*) { FEvents << "deleted"; };
        pane->OnNoteMoved = [this](QObject*) { FEvents << "moved"; };
        return pane;
    }

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        int clock = 0;
        SetClock([&clock] { return QDateTime(QDate(2025, 3, 7), QTime(9, 0, clock++)); });
        FWork = AppDB->CreateNotebook("Work", 0);
        FHome = AppDB->CreateNotebook("Home", 0);
        FA = AppDB->CreateNote(FWork, "beta");
        FB = AppDB->CreateNote(FWork, "Alpha");
        FC = AppDB->CreateNote(FHome, "gamma");
        SetClock({});
        AppDB->AddTagToNote(FA, "urgent");
        AppDB->AddTagToNote(FC, "urgent");
        FTag = AppDB->GetAllNoteTags().front().Id;
        FSelected.clear();
        FEvents.clear();
    }
    void cleanup()
    {
        delete FStore;
        VerifyAllDialogsAnswered();
    }

    void modesAndCaptions()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        QCOMPARE(Captions(pane->List()), (QStringList{"Alpha", "beta"}));
        QVERIFY(pane->FilterBar()->isHidden());
        pane->ShowTag(FTag, "urgent");
        QCOMPARE(pane->FilterLabel()->text(), QString("Tag: urgent (2)"));
        QVERIFY(!pane->FilterBar()->isHidden());
        QVERIFY(Captions(pane->List()).contains("[Work]\nbeta"));
        pane->ShowSearch("nothing-like-this");
        QCOMPARE(pane->FilterLabel()->text(), QString("Search: nothing-like-this (0)"));
        QCOMPARE(Captions(pane->List()), QStringList{"No notes match \"nothing-like-this\""});
        // The placeholder raises nothing and the row commands ignore it.
        ClickRow(pane->List(), 0);
        QVERIFY(FSelected.isEmpty());
        pane->MenuRenameNote();
        pane->MenuMoveNote();
        pane->MenuDuplicateNote();
        pane->MenuDeleteNote();
        QCOMPARE(dlgseam::Shown().size(), 0);
        pane->ShowSearch("gamma");
        QCOMPARE(Captions(pane->List()), QStringList{"[Home]\ngamma"});
        ClickRow(pane->List(), 0);
        QCOMPARE(FSelected, QList<int64_t>{FC});
    }

    void sortSettings_data()
    {
        QTest::addColumn<int>("storedSort");
        QTest::addColumn<int>("storedDir");
        QTest::addColumn<int>("sort");
        QTest::addColumn<QString>("caption");
        QTest::newRow("valid") << 1 << 1 << 1 << "\u2191";
        QTest::newRow("sort 7, dir 2") << 7 << 2 << 0 << "\u2193";
        QTest::newRow("sort -1") << -1 << 0 << 0 << "\u2193";
    }
    void sortSettings()
    {
        QFETCH(int, storedSort);
        QFETCH(int, storedDir);
        QFETCH(int, sort);
        QFETCH(QString, caption);
        AppDB->SetSettingInt("note_sort", storedSort);
        AppDB->SetSettingInt("note_sort_dir", storedDir);
        std::unique_ptr<TNoteListPane> pane(NewPane());
        QCOMPARE(int(pane->SortPref()), sort);
        QCOMPARE(pane->SortCombo()->currentIndex(), sort);
        QCOMPARE(pane->SortDirBtn()->text(), caption);
    }

    void sortChangesPersistAndRelist()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowTag(FTag, "urgent");
        pane->SortCombo()->setCurrentIndex(1); // Title, descending
        QCOMPARE(AppDB->GetSettingInt("note_sort", -1), 1);
        QCOMPARE(Captions(pane->List()), (QStringList{"[Home]\ngamma", "[Work]\nbeta"}));
        QTest::mouseClick(pane->SortDirBtn(), Qt::LeftButton);
        QCOMPARE(AppDB->GetSettingInt("note_sort_dir", -1), 1);
        QCOMPARE(pane->SortDirBtn()->text(), QString("\u2191"));
        QCOMPARE(Captions(pane->List()), (QStringList{"[Work]\nbeta", "[Home]\ngamma"}));
        QCOMPARE(pane->Mode(), pmTag);
        std::unique_ptr<TNoteListPane> again(NewPane());
        QCOMPARE(again->SortPref(), nsByTitle);
        QCOMPARE(again->SortDir(), nsdAsc);
    }

    void newNoteOnlyInNotebookMode()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(0);
        pane->NewNote();
        pane->ImportNote("x", "<p>x</p>");
        pane->ShowTag(FTag, "urgent");
        pane->NewNote();
        pane->ShowSearch("beta");
        pane->NewNote();
        pane->ShowNotebook(FWork);
        QTest::mouseClick(pane->FilterClear(), Qt::LeftButton); // hidden already; still closes
        pane->NewNote();
        QCOMPARE(dlgseam::Shown().size(), 0);
        QCOMPARE(FEvents.size(), 0);

        pane->ShowNotebook(FWork);
        QString offered;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            offered = ADialog.findChild<QLineEdit*>()->text();
            ADialog.findChild<QLineEdit*>()->setText("Fresh");
            ADialog.accept();
        });
        pane->NewNote();
        QCOMPARE(offered, QString("Untitled"));
        QCOMPARE(FEvents, QStringList{"created"});
        QCOMPARE(pane->List()->selectedItems().value(0)->text(), QString("Fresh"));
        QCOMPARE(FSelected.size(), 1);
        pane->ImportNote("", "<p>Imported body</p>");
        QCOMPARE(pane->List()->selectedItems().value(0)->text(), QString("Untitled"));
        QCOMPARE(AppDB->GetNote(FSelected.last()).Body, QString("<p>Imported body</p>"));
    }

    void filterCloseLeavesNothingListed()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowSearch("beta");
        QTest::mouseClick(pane->FilterClear(), Qt::LeftButton);
        QVERIFY(pane->FilterBar()->isHidden());
        QCOMPARE(pane->List()->count(), 0);
        pane->RefreshCurrent();
        QCOMPARE(pane->List()->count(), 0);
        QCOMPARE(pane->Mode(), pmNotebook);
    }

    void renameSelectsAgain()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        pane->SelectNote(FA);
        dlgseam::PushAnswer(TypeAndAccept("Renamed"));
        pane->MenuRenameNote();
        QCOMPARE(AppDB->GetNote(FA).Title, QString("Renamed"));
        QCOMPARE(FSelected, (QList<int64_t>{FA, FA}));
        QCOMPARE(pane->List()->selectedItems().value(0)->text(), QString("Renamed"));
    }

    // A save of the open note refills the list while the popup menu is open; the command then
    // still acts on the row it was opened on.
    void menuCommandActsOnItsRowAfterARefill_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::newRow("rename") << "Rename";
        QTest::newRow("move") << "Move to Notebook\u2026";
        QTest::newRow("duplicate") << "Duplicate";
        QTest::newRow("delete") << "Delete";
    }
    void menuCommandActsOnItsRowAfterARefill()
    {
        QFETCH(QString, caption);
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        QCOMPARE(Captions(pane->List()), (QStringList{"Alpha", "beta"}));
        ClickRow(pane->List(), 0);
        RightClickRow(pane->List(), pane->List()->item(1));
        QCOMPARE(FSelected, (QList<int64_t>{FB, FA}));
        QVERIFY(pane->NoteMenu()->isVisible());
        pane->RefreshCurrent();
        if (caption == "Rename")
            dlgseam::PushAnswer(TypeAndAccept("Renamed"));
        else if (caption == "Delete")
            dlgseam::PushAnswer(Yes());
        else if (caption != "Duplicate")
            dlgseam::PushAnswer([](QDialog& ADialog) {
                auto* list = ADialog.findChild<QListWidget*>();
                list->setCurrentItem(list->findItems("Home", Qt::MatchExactly).first());
                ADialog.accept();
            });
        pane->NoteMenu()->hide();
        QAction* action = MenuAction(pane->NoteMenu(), caption);
        QVERIFY(action);
        action->trigger();
        const TNote note = AppDB->GetNote(FA);
        if (caption == "Rename")
            QCOMPARE(note.Title, QString("Renamed"));
        else if (caption == "Move to Notebook\u2026")
            QCOMPARE(note.NotebookId, FHome);
        else if (caption == "Duplicate")
            QCOMPARE(Captions(pane->List()), (QStringList{"beta (copy)", "Alpha", "beta"}));
        else
            QCOMPARE(note.Id, int64_t(0));
        QCOMPARE(AppDB->GetNote(FB).Title, QString("Alpha"));
        QCOMPARE(AppDB->GetNote(FB).NotebookId, FWork);
    }

    // The menu's row commands act only on a row the user pointed at: the one under the mouse
    // when the mouse opened it (none below the last row or on the placeholder), the highlighted
    // one when the keyboard opened it, wherever the mouse pointer is.
    void menuActsOnThePointedRow_data()
    {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<bool>("highlightFirst");
        QTest::addColumn<QString>("deleted");
        QTest::newRow("mouse below the last row") << "below" << true << "";
        QTest::newRow("mouse on the placeholder") << "placeholder" << false << "";
        QTest::newRow("Shift+F10, pointer on another row") << "Shift+F10" << true << "Alpha";
        QTest::newRow("Menu key, no row highlighted") << "Menu" << false << "";
    }
    void menuActsOnThePointedRow()
    {
        QFETCH(QString, opened);
        QFETCH(bool, highlightFirst);
        QFETCH(QString, deleted);
        std::unique_ptr<TNoteListPane> pane(NewPane());
        QListWidget* list = pane->List();
        if (opened == "placeholder")
            pane->ShowSearch("nothing-like-this");
        else
            pane->ShowNotebook(FWork);
        if (highlightFirst) {
            ClickRow(list, 0);
            QCOMPARE(list->selectedItems().value(0)->text(), QString("Alpha"));
        } else if (opened == "Menu") {
            // Current, but not highlighted.
            list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
            QVERIFY(list->selectedItems().isEmpty());
        }
        const QPoint second = list->visualItemRect(list->item(list->count() - 1)).center();
        if (opened == "below") {
            const QPoint below(second.x(), list->visualItemRect(list->item(1)).bottom() + 20);
            QVERIFY(!list->itemAt(below));
            QTest::mouseClick(list->viewport(), Qt::RightButton, {}, below);
            QContextMenuEvent event(QContextMenuEvent::Mouse, below,
                                    list->viewport()->mapToGlobal(below));
            QApplication::sendEvent(list->viewport(), &event);
        } else if (opened == "placeholder") {
            RightClickRow(list, list->item(0));
        } else {
            QTest::mouseMove(list->viewport(), second);
            list->setFocus();
            if (opened == "Shift+F10") {
                QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
            } else {
                // As the platform gives the Menu key: to the focused list, with the pointer's
                // position.
                QContextMenuEvent event(QContextMenuEvent::Keyboard, second,
                                        list->mapToGlobal(second));
                QApplication::sendEvent(list, &event);
            }
        }
        QMenu* menu = pane->NoteMenu();
        QVERIFY(menu->isVisible());
        menu->hide();
        QVERIFY(MenuAction(menu, "New Note")->isEnabled());
        for (const char* caption : {"Rename", "Move to Notebook…", "Duplicate", "Delete"})
            QCOMPARE(MenuAction(menu, QString::fromUtf8(caption))->isEnabled(), !deleted.isEmpty());
        if (!deleted.isEmpty())
            dlgseam::PushAnswer(Yes());
        MenuAction(menu, "Delete")->trigger();
        QCOMPARE(dlgseam::Shown().size(), deleted.isEmpty() ? 0 : 1);
        QCOMPARE(AppDB->GetNote(FB).Id, deleted == "Alpha" ? int64_t(0) : FB);
        QCOMPARE(AppDB->GetNote(FA).Id, FA);
    }

    // A refill keeps the current row, so the keys go on from the row last clicked.
    void refillKeepsTheCurrentRow()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        ClickRow(pane->List(), 0);
        pane->RefreshCurrent();
        QCOMPARE(pane->List()->currentRow(), 0);
        QCOMPARE(pane->List()->selectedItems().value(0)->text(), QString("Alpha"));
        QCOMPARE(FSelected, QList<int64_t>{FB});
        QTest::keyClick(pane->List(), Qt::Key_Down);
        QCOMPARE(FSelected, (QList<int64_t>{FB, FA}));
    }

    void moveAndDuplicate()
    {
        std::unique_ptr<TNoteListPane> pane(NewPane());
        auto pickHome = [](QDialog& ADialog) {
            auto* list = ADialog.findChild<QListWidget*>();
            list->setCurrentItem(list->findItems("Home", Qt::MatchExactly).first());
            ADialog.accept();
        };
        pane->ShowTag(FTag, "urgent");
        pane->SelectNote(FA);
        dlgseam::PushAnswer(pickHome);
        pane->MenuMoveNote();
        QVERIFY(Captions(pane->List()).contains("[Home]\nbeta"));
        QVERIFY(FEvents.isEmpty());
        pane->ShowNotebook(FWork);
        pane->SelectNote(FB);
        dlgseam::PushAnswer(pickHome);
        pane->MenuMoveNote();
        QCOMPARE(FEvents, QStringList{"moved"});
        QCOMPARE(pane->List()->count(), 0);
        pane->ShowNotebook(FHome);
        pane->SelectNote(FC);
        pane->MenuDuplicateNote();
        QCOMPARE(FEvents.last(), QString("created"));
        QCOMPARE(pane->List()->selectedItems().value(0)->text(), QString("gamma (copy)"));
    }

    // A stored attachment file that is not a regular file (a pipe, or a link to the null
    // device) is refused at once when the note is duplicated, and leaves no file behind; the
    // regular one is copied.
    void duplicateCopiesOnlyRegularFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("pipe") << "pipe";
        QTest::newRow("null device") << "null device";
    }
    void duplicateCopiesOnlyRegularFiles()
    {
        QFETCH(QString, kind);
        const QString odd = FStore->Path("attachments/odd.bin");
        WriteFile(FStore->Path("attachments/plain.bin"));
        if (kind == "pipe")
            QCOMPARE(::mkfifo(QFile::encodeName(odd).constData(), 0600), 0);
        else
            QVERIFY(QFile::link("/dev/null", odd));
        AppDB->AddAttachment(FC, "odd.bin", "x", "attachments/odd.bin", 4);
        AppDB->AddAttachment(FC, "plain.bin", "x", "attachments/plain.bin", 4);
        const QDir folder(FStore->Path("attachments"));
        const QStringList before =
            folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        QCOMPARE(before.size(), 2);
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FHome);
        pane->SelectNote(FC);
        pane->MenuDuplicateNote();
        QCOMPARE(FEvents, QStringList{"created"});
        const int64_t copy = FSelected.last();
        QVERIFY(copy != FC);
        const TNoteAttachmentArray copied = AppDB->GetAttachments(copy);
        QCOMPARE(copied.size(), size_t(1));
        QCOMPARE(copied[0].FileName, QString("plain.bin"));
        QFile target(FStore->Path(copied[0].FilePath));
        QVERIFY(target.open(QIODevice::ReadOnly));
        QCOMPARE(target.readAll(), QByteArray("data"));
        const QStringList after =
            folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        QCOMPARE(after.size(), 3);
        QVERIFY(after.contains(QFileInfo(copied[0].FilePath).fileName()));
    }

    void deleteRemovesNoteThenFiles()
    {
        const QString kept = FStore->Path("attachments/kept.bin");
        WriteFile(FStore->Path("attachments/a.bin"));
        WriteFile(kept);
        WriteFile(FStore->Path("outside.bin"));
        AppDB->AddAttachment(FA, "a.bin", "x", "attachments/a.bin", 4);
        AppDB->AddAttachment(FA, "gone.bin", "x", "attachments/gone.bin", 4);
        AppDB->AddAttachment(FA, "bad", "x", "attachments/../outside.bin", 4);
        AppDB->AddAttachment(FB, "kept.bin", "x", "attachments/kept.bin", 4);
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        pane->SelectNote(FA);
        dlgseam::PushAnswer(No());
        pane->MenuDeleteNote();
        QVERIFY(QFile::exists(FStore->Path("attachments/a.bin")));
        dlgseam::PushAnswer(Yes());
        pane->MenuDeleteNote();
        QCOMPARE(dlgseam::Shown().last(),
                 QString("Delete Note|Permanently delete this note and all its attachments?"));
        QCOMPARE(AppDB->GetNote(FA).Id, int64_t(0));
        QVERIFY(!QFile::exists(FStore->Path("attachments/a.bin")));
        QVERIFY(QFile::exists(kept));
        QVERIFY(QFile::exists(FStore->Path("outside.bin"))); // never outside the folder
        QCOMPARE(FEvents, QStringList{"deleted"});
        QCOMPARE(Captions(pane->List()), QStringList{"Alpha"});
    }

    void failingDeleteKeepsFiles()
    {
        WriteFile(FStore->Path("attachments/a.bin"));
        AppDB->AddAttachment(FA, "a.bin", "x", "attachments/a.bin", 4);
        FStore->Close();
        {
            TSQLConnection conn(FStore->Path("quorvel.db"));
            TSQLTransaction trans;
            conn.SetTransaction(&trans);
            trans.SetConnection(&conn);
            conn.Open();
            conn.ExecuteDirect("CREATE TRIGGER refuse BEFORE DELETE ON notes BEGIN "
                               "SELECT RAISE(ABORT, 'refused'); END");
            trans.Commit();
        }
        FStore->Open();
        std::unique_ptr<TNoteListPane> pane(NewPane());
        pane->ShowNotebook(FWork);
        pane->SelectNote(FA);
        dlgseam::PushAnswer(Yes());
        bool raised = false;
        try {
            pane->MenuDeleteNote();
        } catch (const ESQLiteError&) {
            raised = true;
        }
        QVERIFY(raised);
        QVERIFY(QFile::exists(FStore->Path("attachments/a.bin")));
        QVERIFY(FEvents.isEmpty());
    }
};

QTEST_MAIN(TestNoteListPane)
#include "test_notelistpane.moc"

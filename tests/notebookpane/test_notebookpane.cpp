#include "../dmdialogs/testsupport.h"
#include "notebookpane.h"

#include <QAction>
#include <QListWidget>

namespace {

QStringList Rows(QListWidget* AList)
{
    QStringList rows;
    for (int i = 0; i < AList->count(); ++i)
        rows << QString::number(AList->item(i)->data(NbRowKindRole).toInt()) + u' ' +
                    AList->item(i)->text();
    return rows;
}

QListWidgetItem* Row(QListWidget* AList, const QString& APrefix)
{
    for (int i = 0; i < AList->count(); ++i)
        if (AList->item(i)->text().startsWith(APrefix))
            return AList->item(i);
    return nullptr;
}

} // namespace

class TestNotebookPane : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    TNotebookPane* FPane = nullptr;
    QList<int64_t> FEvents;
    int64_t FTop = 0, FKid1 = 0, FKid2 = 0, FGrand = 0, FOther = 0;

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        FTop = AppDB->CreateNotebook("Top", 0);
        FKid1 = AppDB->CreateNotebook("Kid1", FTop);
        FKid2 = AppDB->CreateNotebook("Kid2", FTop);
        FGrand = AppDB->CreateNotebook("Grand", FKid1);
        FOther = AppDB->CreateNotebook("Case (2019)", 0);
        AppDB->CreateNote(FKid1, "n");
        FPane = new TNotebookPane;
        FPane->resize(250, 600);
        FPane->show();
        FEvents.clear();
        FPane->OnNotebookSelected = [this](QObject*, int64_t AId) { FEvents << AId; };
        FPane->RefreshNotebooks();
    }
    void cleanup()
    {
        delete FPane;
        delete FStore;
        VerifyAllDialogsAnswered();
    }

    void treeWithGrandchildAndCollapse()
    {
        QListWidget* list = FPane->NotebookList();
        // The store lists notebooks by name; each parent is followed by its children.
        QCOMPARE(Rows(list),
                 (QStringList{"0 Case (2019) (0)", "1 Top (0)", "2 Kid1 (1)", "2 Kid2 (0)"}));
        FPane->ToggleCollapsed(FTop);
        FPane->RefreshNotebooks();
        QCOMPARE(Rows(list), (QStringList{"0 Case (2019) (0)", "1 Top (0)"}));
        FPane->ToggleCollapsed(FTop);
        FPane->RefreshNotebooks();
        QCOMPARE(list->count(), 4);
    }

    void expanderZone_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<int>("x");
        QTest::addColumn<bool>("toggles");
        QTest::newRow("parent, in zone") << "Top" << 16 << true;
        QTest::newRow("parent, right of zone") << "Top" << 17 << false;
        QTest::newRow("child") << "Kid1" << 5 << false;
        QTest::newRow("plain notebook") << "Case" << 5 << false;
    }
    void expanderZone()
    {
        QFETCH(QString, row);
        QFETCH(int, x);
        QFETCH(bool, toggles);
        QListWidget* list = FPane->NotebookList();
        const QRect r = list->visualItemRect(Row(list, row));
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, QPoint(x, r.center().y()));
        QCOMPARE(list->count() == 2, toggles);
        QCOMPARE(FPane->IsCollapsed(FTop), toggles);
    }

    void refreshKeepsSelectionSilently()
    {
        QListWidget* list = FPane->NotebookList();
        FPane->SelectNotebook(FKid2);
        QCOMPARE(FEvents, QList<int64_t>{FKid2});
        QVERIFY(!FPane->NewSubNotebookItem()->isEnabled());
        FPane->RefreshNotebooks();
        QCOMPARE(FEvents.size(), 1);
        QCOMPARE(list->selectedItems().value(0)->text(), QString("Kid2 (0)"));
        FPane->SelectNotebook(FKid2); // already selected
        FPane->SelectNotebook(99999); // not listed
        QCOMPARE(FEvents.size(), 1);
        // Collapsing the parent of the selected sub-notebook leaves nothing highlighted.
        FPane->ToggleCollapsed(FTop);
        FPane->RefreshNotebooks();
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(FPane->SelectedNotebookId(), FKid2);
        QCOMPARE(FEvents.size(), 1);
    }

    void tagAndNotebookSelectionExclude()
    {
        AppDB->AddTagToNote(AppDB->CreateNote(FTop, "t"), "alpha");
        FPane->RefreshTags();
        QList<int64_t> tagEvents;
        FPane->OnTagSelected = [&](QObject*, int64_t AId) { tagEvents << AId; };
        FPane->SelectNotebook(FTop);
        QVERIFY(FPane->NewSubNotebookItem()->isEnabled());
        QTest::mouseClick(FPane->TagList()->viewport(), Qt::LeftButton, {},
                          FPane->TagList()->visualItemRect(FPane->TagList()->item(0)).center());
        QCOMPARE(tagEvents.size(), 1);
        QCOMPARE(FPane->SelectedNotebookId(), int64_t(0));
        QVERIFY(FPane->NotebookList()->selectedItems().isEmpty());
        FPane->SelectNotebook(FTop);
        QCOMPARE(FPane->SelectedTagId(), int64_t(0));
        QVERIFY(FPane->TagList()->selectedItems().isEmpty());
        QCOMPARE(FEvents, (QList<int64_t>{FTop, FTop}));
    }

    void renameDefault_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("offered");
        QTest::newRow("count") << "Work (12)"
                               << "Work";
        QTest::newRow("year kept") << "Case (2019) (0)"
                                   << "Case (2019)";
        QTest::newRow("paren at start") << "(5)"
                                        << "(5)";
        QTest::newRow("no count") << "Plain"
                                  << "Plain";
    }
    void renameDefault()
    {
        QFETCH(QString, caption);
        QFETCH(QString, offered);
        QCOMPARE(RenameDefault(caption), offered);
    }

    void renameOffersNameWithoutCount()
    {
        FPane->SelectNotebook(FOther);
        QString offered;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            offered = ADialog.findChild<QLineEdit*>()->text();
            ADialog.findChild<QLineEdit*>()->setText("Renamed");
            ADialog.accept();
        });
        QListWidget* list = FPane->NotebookList();
        const QPoint at = list->visualItemRect(Row(list, "Case")).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(offered, QString("Case (2019)"));
        QVERIFY(Row(list, "Renamed (0)"));
        QCOMPARE(FEvents.size(), 1);
    }

    void newNotebookAndSubNotebook()
    {
        dlgseam::PushAnswer(TypeAndAccept(" Fresh "));
        FPane->NewNotebook();
        QVERIFY(Row(FPane->NotebookList(), "Fresh (0)"));
        QCOMPARE(FPane->SelectedNotebookId(), FEvents.last());
        dlgseam::PushAnswer(TypeAndAccept("Child"));
        FPane->NewSubNotebookItem()->trigger();
        QCOMPARE(Rows(FPane->NotebookList()).mid(1, 2),
                 (QStringList{"1 Fresh (0)", "2 Child (0)"}));
        QCOMPARE(FEvents.size(), 2);
        // Cancel changes nothing.
        dlgseam::PushAnswer(dlgseam::Reject());
        FPane->NewNotebook();
        QCOMPARE(FEvents.size(), 2);
    }

    void deleteAsksWithSubNotebookCount()
    {
        FPane->SelectNotebook(FTop);
        dlgseam::PushAnswer(No());
        FPane->MenuDeleteNotebook();
        QCOMPARE(AppDB->GetNotebooks().size(), size_t(5));
        dlgseam::PushAnswer(Yes());
        FPane->MenuDeleteNotebook();
        QCOMPARE(dlgseam::Shown().last(),
                 QString("Delete Notebook|Delete this notebook, its 2 sub-notebook(s), and all "
                         "their notes? This cannot be undone."));
        QCOMPARE(Rows(FPane->NotebookList()), QStringList{"0 Case (2019) (0)"});
        QCOMPARE(FEvents.last(), int64_t(0));
        QCOMPARE(FPane->SelectedNotebookId(), int64_t(0));
        QVERIFY(!FPane->NewSubNotebookItem()->isEnabled());
        FPane->SelectNotebook(FOther);
        dlgseam::PushAnswer(Yes());
        FPane->MenuDeleteNotebook();
        QVERIFY(dlgseam::Shown().last().endsWith(
            "|Delete this notebook and all its notes? This cannot be undone."));
    }

    void rowHeightFollowsScreen()
    {
        SetScreenPPI(144);
        TNotebookPane pane;
        pane.RefreshNotebooks();
        QCOMPARE(pane.NotebookList()->sizeHintForRow(0), 48);
    }
};

QTEST_MAIN(TestNotebookPane)
#include "test_notebookpane.moc"

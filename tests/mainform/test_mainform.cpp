#include "../dmdialogs/testsupport.h"
#include "annotationpane.h"
#include "application.h"
#include "controls.h"
#include "embeddedtagpane.h"
#include "linkspane.h"
#include "mainform.h"
#include "notebookpane.h"
#include "noteeditor.h"
#include "notelistpane.h"
#include "sqlitelib.h"
#include "wvwindowparent.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>

#include <ctime>
#include <memory>

// Stands in for the editor page: becomes ready and records what the editor posts, and never
// answers.
class TNoteEditorTestAccess
{
public:
    explicit TNoteEditorTestAccess(TNoteEditor* AEditor) : FEditor(AEditor)
    {
        FEditor->FPostHook = [this](const QString& AJson) { Sent << AJson; };
        FEditor->FStartHook = [this] { ++Starts; };
        Ready();
    }
    QStringList Sent;
    // How often the page was started again.
    int Starts = 0;
    void Ready() { FEditor->HandleJSMessage(QStringLiteral("{\"type\":\"ready\"}")); }
    // A message from the page.
    void Receive(const QString& AJson) { FEditor->HandleJSMessage(AJson); }
    // The page's process ended.
    void ProcessGone() { FEditor->PageProcessFailed(); }
    // The page tells of a change it has not reported yet.
    void Pending()
    {
        Receive(
            QString(R"({"type":"editState","pending":true,"seq":"%1"})").arg(Last("load", "seq")));
    }
    void LoadAck()
    {
        Receive(QString(R"({"type":"loadAck","seq":"%1"})").arg(Last("load", "seq")));
    }
    // The number of the last "load" and the token of the last "flush" sent.
    QString Last(const char* AType, const char* AMember) const
    {
        for (qsizetype i = Sent.size() - 1; i >= 0; --i) {
            const QJsonObject o = QJsonDocument::fromJson(Sent[i].toUtf8()).object();
            if (o.value("type").toString() == QLatin1String(AType))
                return o.value(QLatin1String(AMember)).toString();
        }
        return QString();
    }
    // The page reports its pending edit and answers the last request.
    void Answer(const QString& AHtml)
    {
        Receive(QString("{\"type\":\"contentChanged\",\"html\":\"%1\",\"seq\":\"%2\"}")
                    .arg(AHtml, Last("load", "seq")));
        Receive(QString("{\"type\":\"flushAck\",\"token\":\"%1\"}").arg(Last("flush", "token")));
    }

private:
    TNoteEditor* FEditor;
};

namespace {

// Counts the key presses that reach a widget's own handling.
class TKeyCounter : public QObject
{
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* AEvent) override
    {
        if (AEvent->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent*>(AEvent)->key();
        if (key != Qt::Key_Control && key != Qt::Key_Shift && key != Qt::Key_Alt)
            ++Count;
        return false;
    }
};

void RunSQL(const QString& ADbPath, const QString& ASQL)
{
    TSQLConnection conn(ADbPath);
    TSQLTransaction trans;
    conn.SetTransaction(&trans);
    trans.SetConnection(&conn);
    conn.Open();
    conn.ExecuteDirect(ASQL);
    trans.Commit();
    conn.Close();
}

QListWidgetItem* RowWithId(QListWidget* AList, int64_t AId)
{
    for (int i = 0; i < AList->count(); ++i)
        if (AList->item(i)->data(Qt::UserRole).toLongLong() == AId)
            return AList->item(i);
    return nullptr;
}

void ClickRow(QListWidget* AList, QListWidgetItem* AItem)
{
    QVERIFY(AItem);
    const QRect r = AList->visualItemRect(AItem);
    QTest::mouseClick(AList->viewport(), Qt::LeftButton, {}, QPoint(r.right() - 4, r.center().y()));
}

struct TSample
{
    int64_t Work = 0, Home = 0, Sub = 0, Note1 = 0, Note2 = 0, HomeNote = 0, TagId = 0;
};

TSample FillSample(TTestStore& AStore)
{
    AStore.Open();
    TSample s;
    s.Work = AppDB->CreateNotebook("Work", 0);
    s.Sub = AppDB->CreateNotebook("Smith v Jones (2023)", s.Work);
    s.Home = AppDB->CreateNotebook("Home", 0);
    s.Note1 = AppDB->CreateNote(s.Work, "Hearing bundle <draft>");
    AppDB->SaveNote(s.Note1, "Hearing bundle <draft>", "Summary", "<p>Witness statement</p>");
    s.Note2 = AppDB->CreateNote(s.Work, "Costs schedule");
    s.HomeNote = AppDB->CreateNote(s.Home, "Garden");
    AppDB->AddTagToNote(s.Note1, "urgent");
    AppDB->AddTagToNote(s.Note2, "urgent");
    s.TagId = AppDB->GetAllNoteTags().front().Id;
    AppDB->CreateAnnotation(s.Note1, "ann_1", "first passage", "older note");
    AppDB->CreateAnnotation(s.Note1, "ann_2", "second passage", "newer note");
    AppDB->AddLink(s.Note1, "https://www.bailii.org/x", "BAILII judgment");
    AppDB->AddLink(s.Note1, "example.org/case", "");
    AStore.Close();
    return s;
}

// Drags a splitter bar by ADelta pixels of its panel; the pointer stays where a real one would
// while the bar moves under it.
void DragSplitter(QWidget* ASplitter, const QPoint& ADelta)
{
    const QPoint start = ASplitter->mapToParent(QPoint(2, 2));
    QTest::mousePress(ASplitter, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(ASplitter, ASplitter->mapFromParent(start + ADelta));
    QTest::mouseRelease(ASplitter, Qt::LeftButton, {}, ASplitter->mapFromParent(start + ADelta));
}

// The window over the sample store, showing the first note of "Work".
struct TSampleWindow
{
    TTestStore Store{false};
    TSample S = FillSample(Store);
    TMainForm Form;
    TSampleWindow()
    {
        Form.show();
        Form.NotebookPane()->SelectNotebook(S.Work);
        Form.NoteListPane()->SelectNote(S.Note1);
    }
};

// Counts the refills of a list from the store.
struct TRefillCount
{
    int Count = 0;
    QObject Context;
    explicit TRefillCount(QListWidget* AList)
    {
        QObject::connect(AList->model(), &QAbstractItemModel::modelAboutToBeReset, &Context,
                         [this] { ++Count; });
    }
};

int Setting(const QString& AKey)
{
    return AppDB->GetSettingInt(AKey, -999);
}

using TStoredSettings = QList<QPair<QString, int>>;

} // namespace

class TestMainForm : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void cleanup() { VerifyAllDialogsAnswered(); }

    void restoreLayout_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<TStoredSettings>("stored");
        QTest::addColumn<QList<int>>("expected"); // pane 1, 2, 4 widths; list, etag, annot heights
        using L = TStoredSettings;
        QTest::newRow("new file 1920x1000")
            << QSize(1920, 1000) << L{} << QList<int>{240, 240, 240, 333, 250, 250};
        QTest::newRow("MinW rejected, MaxW accepted")
            << QSize(1920, 1000)
            << L{{"pane1_width", 120}, {"pane2_width", 640}, {"pane4_width", 641}}
            << QList<int>{240, 640, 240, 333, 250, 250};
        QTest::newRow("width 600")
            << QSize(600, 1000)
            << L{{"pane1_width", 200}, {"pane2_width", 201}, {"pane4_width", 91}}
            << QList<int>{200, 180, 91, 333, 250, 250};
        QTest::newRow("width 500") << QSize(500, 1000) << L{{"pane1_width", 720}}
                                   << QList<int>{720, 180, 180, 333, 250, 250};
        QTest::newRow("height 200 accepts")
            << QSize(1920, 200)
            << L{{"pane1_nb_height", 120}, {"pane4_etag_height", 50}, {"pane4_annot_height", 40}}
            << QList<int>{240, 240, 240, 120, 50, 40};
        QTest::newRow("height 200 rejects")
            << QSize(1920, 200)
            << L{{"pane1_nb_height", 121}, {"pane4_etag_height", 51}, {"pane4_annot_height", 39}}
            << QList<int>{240, 240, 240, 200, 150, 150};
    }
    void restoreLayout()
    {
        QFETCH(QSize, client);
        QFETCH(TStoredSettings, stored);
        QFETCH(QList<int>, expected);
        TTestStore store(false);
        store.Open();
        for (const auto& [key, value] : stored)
            AppDB->SetSettingInt(key, value);
        AppDB->SetSetting("pane2_nb_bogus", "x");
        store.Close();
        TMainForm form;
        form.ClientPanel()->resize(client);
        form.RestoreLayout();
        const QList<int> got = {form.PaneWidth(form.Pane1()),
                                form.PaneWidth(form.Pane2()),
                                form.PaneWidth(form.Pane4()),
                                form.NotebookPane()->NotebookListHeight(),
                                form.Pane4()->Extent(form.EmbeddedTagPane()),
                                form.Pane4()->Extent(form.AnnotationPane())};
        QCOMPARE(got, expected);
        // Nothing is written back until the layout is saved.
        if (!stored.isEmpty())
            QCOMPARE(Setting(stored.first().first), stored.first().second);
    }

    // However small the window is made, the panes and splitters keep their 30 pixels (the
    // splitters their 5) and none covers another; the panes' own widths are kept for later.
    void smallWindowKeepsPanesApart_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("600 x 400") << QSize(600, 400);
        QTest::newRow("smallest") << QSize(1, 1);
    }
    void smallWindowKeepsPanesApart()
    {
        QFETCH(QSize, size);
        TTestStore store(false);
        store.Open();
        for (const char* key : {"pane1_width", "pane2_width", "pane4_width"})
            AppDB->SetSettingInt(key, 200);
        store.Close();
        TMainForm form;
        form.show();
        const int pane1 = form.PaneWidth(form.Pane1());
        QCOMPARE(pane1, 200);
        form.showNormal();
        form.resize(size);
        QCoreApplication::processEvents();
        QVERIFY(form.width() < 700);
        const QRect client = form.ClientPanel()->rect();
        QVERIFY(client.width() >= 135 && client.height() >= 122);
        auto checkRow = [](const QList<QWidget*>& AWidgets, bool AAcross, const QRect& AArea) {
            int edge = AAcross ? AArea.top() : AArea.left();
            for (QWidget* w : AWidgets) {
                const QRect g = w->geometry();
                const int extent = AAcross ? g.height() : g.width();
                QVERIFY2(extent >= (dynamic_cast<TSplitter*>(w) ? 5 : 30),
                         qPrintable(QString::number(extent)));
                QCOMPARE(AAcross ? g.top() : g.left(), edge); // no gap, no overlap
                edge += extent;
                QVERIFY(AArea.contains(g));
            }
            QCOMPARE(edge, AAcross ? AArea.bottom() + 1 : AArea.right() + 1);
        };
        checkRow({form.Pane1(), form.Splitter12(), form.Pane2(), form.Splitter23(), form.Pane3(),
                  form.Splitter34(), form.Pane4()},
                 false, client);
        checkRow({form.EmbeddedTagPane(), form.Splitter4A(), form.AnnotationPane(),
                  form.Splitter4B(), form.LinksPane()},
                 true, form.Pane4()->rect().adjusted(0, 0, 0, -22));
        QCOMPARE(form.PaneWidth(form.Pane1()), pane1);
        form.close();
    }

    void startupWithoutSqliteLibrary()
    {
        TTestStore store(false);
        sqlitelib::SetLibraryPath(store.Path("missing/libsqlite3.so.0"));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        {
            TMainForm form;
            QVERIFY(form.StoreFailed());
            QVERIFY(!form.isVisible());
            QVERIFY(!form.NotebookPane());
        }
        sqlitelib::SetLibraryPath(QString());
        QCOMPARE(dlgseam::Shown().size(), 1);
        const QStringList lines = dlgseam::Shown().first().section(u'|', 1).split("\r\n");
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith("Cannot open database: "));
        QCOMPARE(lines[1],
                 QString("Make sure libsqlite3.so.0 (64-bit) is in the same folder as quorvel."));
        QCOMPARE(lines[2], QString("Download from: https://www.sqlite.org/download.html  (or "
                                   "install the system's SQLite package, libsqlite3-0)"));
        QVERIFY(!QFile::exists(store.Path("quorvel.db")));
    }

    void restartRestoresNotebookAndNote()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        {
            TMainForm form;
            form.show();
            ClickRow(form.NotebookPane()->NotebookList(),
                     RowWithId(form.NotebookPane()->NotebookList(), s.Work));
            ClickRow(form.NoteListPane()->List(), RowWithId(form.NoteListPane()->List(), s.Note1));
            QCOMPARE(Setting("last_notebook_id"), int(s.Work));
            QCOMPARE(Setting("last_note_id"), int(s.Note1));
            form.close();
        }
        TMainForm form;
        form.show();
        QCOMPARE(form.NotebookPane()->SelectedNotebookId(), s.Work);
        QListWidget* list = form.NoteListPane()->List();
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().first()->data(Qt::UserRole).toLongLong(), s.Note1);
        QCOMPARE(form.AnnotationPane()->NoteId(), s.Note1);
        QVERIFY(form.DateLabel()->text().startsWith("Created: "));
        QCOMPARE(Setting("last_notebook_id"), int(s.Work));
        QCOMPARE(Setting("last_note_id"), int(s.Note1));
    }

    void restartWithStaleSelection_data()
    {
        QTest::addColumn<bool>("deleteNotebook");
        QTest::newRow("note of another notebook") << false;
        QTest::newRow("notebook deleted") << true;
    }
    void restartWithStaleSelection()
    {
        QFETCH(bool, deleteNotebook);
        TTestStore store(false);
        const TSample s = FillSample(store);
        store.Open();
        AppDB->SetSettingInt("last_notebook_id", int(s.Work));
        AppDB->SetSettingInt("last_note_id", int(s.HomeNote));
        if (deleteNotebook)
            AppDB->DeleteNotebook(s.Work, true);
        store.Close();
        TMainForm form;
        form.show();
        QCOMPARE(form.NoteListPane()->List()->selectedItems().size(), 0);
        QCOMPARE(form.AnnotationPane()->NoteId(), int64_t(0));
        if (deleteNotebook) {
            QCOMPARE(form.NoteListPane()->List()->count(), 0);
            QCOMPARE(Setting("last_note_id"), int(s.HomeNote));
        } else {
            QCOMPARE(form.NoteListPane()->List()->count(), 2);
            QCOMPARE(Setting("last_note_id"), 0);
        }
    }

    void windowKeys()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TKeyCounter counter;
        form.SearchEdit()->installEventFilter(&counter);
        form.SearchEdit()->setFocus();

        // Ctrl+N without a notebook: nothing, and the key is used up.
        QTest::keyClick(form.SearchEdit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dlgseam::Shown().size(), 0);
        QCOMPARE(counter.Count, 0);

        // Ctrl+Alt+S passes on to the focused control.
        QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(counter.Count, 1);

        // Ctrl+N with a notebook: the new-note prompt.
        form.NotebookPane()->SelectNotebook(s.Home);
        form.SearchEdit()->setFocus();
        dlgseam::PushAnswer(TypeAndAccept("Shopping"));
        QTest::keyClick(form.SearchEdit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dlgseam::Shown().value(0), QString("New Note"));
        QCOMPARE(form.NoteListPane()->List()->count(), 2);
        QCOMPARE(Setting("last_note_id"), int(form.NoteListPane()
                                                  ->List()
                                                  ->selectedItems()
                                                  .first()
                                                  ->data(Qt::UserRole)
                                                  .toLongLong()));

        // Ctrl+Shift+N reaches the menu's shortcut.
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        dlgseam::PushAnswer(dlgseam::Reject());
        QTest::keyClick(form.SearchEdit(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(dlgseam::Shown().value(1), QString("New Notebook"));

        // Ctrl+F gives the search box the focus.
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.NoteListPane()->List()->setFocus();
        QTest::keyClick(form.NoteListPane()->List(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(form.SearchEdit()->hasFocus());

        // Enter searches, Escape only empties the box.
        const int before = counter.Count;
        QTest::keyClicks(form.SearchEdit(), "Witness");
        QTest::keyClick(form.SearchEdit(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(form.NoteListPane()->Mode(), pmSearch);
        QCOMPARE(form.NotebookPane()->SelectedNotebookId(), int64_t(0));
        QCOMPARE(form.NoteListPane()->List()->count(), 1);
        QTest::keyClick(form.SearchEdit(), Qt::Key_Escape);
        QCOMPARE(form.SearchEdit()->text(), QString());
        QCOMPARE(form.NoteListPane()->List()->count(), 1);
        QCOMPARE(counter.Count - before, 7); // the typed letters only
        QCOMPARE(Setting("last_notebook_id"), int(s.Home));

        // After a search no notebook is selected, so Ctrl+N does nothing.
        QTest::keyClick(form.SearchEdit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dlgseam::Shown().size(), 2);

        // A term of blanks does nothing.
        form.NotebookPane()->SelectNotebook(s.Work);
        QTest::keyClicks(form.SearchEdit(), "   ");
        QTest::keyClick(form.SearchEdit(), Qt::Key_Enter);
        QCOMPARE(form.NoteListPane()->Mode(), pmNotebook);
        QCOMPARE(form.NotebookPane()->SelectedNotebookId(), s.Work);
    }

    void selectionMediation()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        QCOMPARE(form.AnnotationPane()->RowCount(), 2);
        QCOMPARE(form.LinksPane()->RowCount(), 2);
        const QString dates = form.DateLabel()->text();
        QVERIFY(dates.contains(QString::fromUtf8("   \u00B7   Modified: ")));
        QCOMPARE(Setting("last_note_id"), int(s.Note1));

        // A tag: the note is closed, the list shows the tag, the remembered ids stay.
        ClickRow(form.NotebookPane()->TagList(),
                 RowWithId(form.NotebookPane()->TagList(), s.TagId));
        QCOMPARE(form.CurrentTagName(), QString("urgent"));
        QCOMPARE(form.NoteListPane()->Mode(), pmTag);
        QCOMPARE(form.AnnotationPane()->NoteId(), int64_t(0));
        QCOMPARE(form.LinksPane()->NoteId(), int64_t(0));
        QCOMPARE(form.DateLabel()->text(), QString());
        QCOMPARE(Setting("last_notebook_id"), int(s.Work));
        QCOMPARE(Setting("last_note_id"), int(s.Note1));

        // A search keeps the open note and its panes.
        form.NoteListPane()->SelectNote(s.Note1);
        form.SearchEdit()->setText("  Witness ");
        QTest::mouseClick(form.SearchBtn(), Qt::LeftButton);
        QCOMPARE(form.NoteListPane()->Mode(), pmSearch);
        QCOMPARE(form.AnnotationPane()->NoteId(), s.Note1);
        QCOMPARE(form.NotebookPane()->SelectedTagId(), s.TagId);

        // A notebook: the note is closed, the notebook remembered and the note reset.
        ClickRow(form.NotebookPane()->NotebookList(),
                 RowWithId(form.NotebookPane()->NotebookList(), s.Home));
        QCOMPARE(form.AnnotationPane()->NoteId(), int64_t(0));
        QCOMPARE(form.DateLabel()->text(), QString());
        QCOMPARE(Setting("last_notebook_id"), int(s.Home));
        QCOMPARE(Setting("last_note_id"), 0);

        // Moving a note: panes closed, dates kept, counts updated.
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note2);
        const QString movedDates = form.DateLabel()->text();
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto* list = ADialog.findChild<QListWidget*>();
            list->setCurrentItem(list->findItems("Home", Qt::MatchExactly).first());
            ADialog.accept();
        });
        form.NoteListPane()->MenuMoveNote();
        QCOMPARE(form.DateLabel()->text(), movedDates);
        QCOMPARE(form.LinksPane()->NoteId(), int64_t(0));
        QVERIFY(RowWithId(form.NotebookPane()->NotebookList(), s.Home)->text() == "Home (2)");

        // A note deleted meanwhile shows dashes.
        form.OnNoteSelected(nullptr, 999999);
        QCOMPARE(form.DateLabel()->text(),
                 QString::fromUtf8("Created: \u2014   \u00B7   Modified: \u2014"));
    }

    // Selecting a note or a tag saves the open note's edits first, but the list whose row was
    // clicked is read again only after its selection change has ended.
    void listNotRebuiltInsideItsSelectionChange_data()
    {
        QTest::addColumn<bool>("tagList");
        QTest::newRow("note list") << false;
        QTest::newRow("tag list") << true;
    }
    void listNotRebuiltInsideItsSelectionChange()
    {
        QFETCH(bool, tagList);
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        QTest::keyClick(form.NoteEditor()->TitleEdit(), Qt::Key_End);
        QTest::keyClicks(form.NoteEditor()->TitleEdit(), " v2");
        QVERIFY(form.NoteEditor()->Dirty());

        QListWidget* list = tagList ? form.NotebookPane()->TagList() : form.NoteListPane()->List();
        bool selectionDone = false, rebuiltInside = false, rebuilt = false;
        QObject watch;
        // Connected after the pane's own handler, so it runs once that has returned; a list
        // that is cleared meanwhile only deselects.
        connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, &watch,
                [&](const QItemSelection& ASelected) {
                    selectionDone = selectionDone || !ASelected.isEmpty();
                });
        connect(list->model(), &QAbstractItemModel::modelAboutToBeReset, &watch, [&] {
            rebuilt = true;
            rebuiltInside = rebuiltInside || !selectionDone;
        });
        ClickRow(list, RowWithId(list, tagList ? s.TagId : s.Note2));
        QVERIFY(selectionDone);
        QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Hearing bundle <draft> v2"));
        QVERIFY(!rebuiltInside);
        QTRY_VERIFY(rebuilt);
        QCOMPARE(form.ReentrantHandlers(), 0);
        if (!tagList) {
            QCOMPARE(form.NoteEditor()->NoteId(), s.Note2);
            QCOMPARE(RowWithId(list, s.Note1)->text(), QString("Hearing bundle <draft> v2"));
        }
    }

    // A command's wait for the page lasts as long as the page answers in the end; it ends
    // when the page stops answering or the save fails: the keys held back meanwhile come
    // through, the next command runs, and the user is told when typing may not have been saved.
    void waitEndsWithoutAnswerOrSave_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("saveFails");
        QTest::newRow("answers late") << "answers late" << false;
        QTest::newRow("no answer") << "silent" << false;
        QTest::newRow("no answer, save fails") << "silent" << true;
        QTest::newRow("no page, save fails") << "none" << true;
    }
    void waitEndsWithoutAnswerOrSave()
    {
        QFETCH(QString, page);
        QFETCH(bool, saveFails);
        TTestStore store(false);
        const TSample s = FillSample(store);
        if (saveFails)
            RunSQL(store.Path("quorvel.db"), "CREATE TRIGGER refuse BEFORE UPDATE ON notes BEGIN "
                                             "SELECT RAISE(ABORT, 'refused by test'); END");
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        std::unique_ptr<TNoteEditorTestAccess> fake;
        if (page != "none")
            fake = std::make_unique<TNoteEditorTestAccess>(form.NoteEditor());
        if (page == "silent")
            form.NoteEditor()->SetPageAnswerTimeout(1000);
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        form.NoteEditor()->TitleEdit()->setText("Changed title");
        if (saveFails)
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        if (page == "silent")
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier);
        if (fake) {
            QVERIFY(fake->Sent.last().contains("\"flush\""));
            const QString token = QJsonDocument::fromJson(fake->Sent.last().toUtf8())
                                      .object()
                                      .value("token")
                                      .toString();
            QVERIFY(form.WaitingForPage());
            QCOMPARE(form.NoteEditor()->SaveStatus(), QString::fromUtf8("Saving\u2026"));
            // Typing and a menu shortcut wait too, and then act (the shortcut only while the
            // window stays active, which a message box in between does not let it).
            QTest::keyClicks(form.SearchEdit(), "abc");
            QTest::keyClick(form.SearchEdit(), Qt::Key_1, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(form.SearchEdit()->text(), QString());
            QVERIFY(form.Pane1()->isVisible());
            if (page == "answers late") {
                QTest::qWait(1500);
                QVERIFY(form.WaitingForPage());
                fake->Receive(QString("{\"type\":\"flushAck\",\"token\":\"%1\"}").arg(token));
            }
            QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 1500);
            QTRY_COMPARE_WITH_TIMEOUT(form.SearchEdit()->text(), QString("abc"), 500);
            if (page == "answers late")
                QTRY_VERIFY_WITH_TIMEOUT(!form.Pane1()->isVisible(), 500);
        }
        QVERIFY(!form.WaitingForPage());
        const QString loss = "Quorvel|The editor has not answered for 1 seconds, so the last "
                             "typing in \"Changed title\" may not have been saved.";
        if (!saveFails) {
            QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Changed title"));
            QCOMPARE(dlgseam::Shown(), page == "silent" ? QStringList{loss} : QStringList{});
            return;
        }
        QCOMPARE(dlgseam::Shown().size(), page == "silent" ? 2 : 1);
        QVERIFY(dlgseam::Shown()[0].contains("refused by test"));
        if (page == "silent")
            QCOMPARE(dlgseam::Shown()[1], loss);
        // The next Ctrl+S tries the save again (not waiting for a page that has not answered
        // since); the loss was told already.
        const qsizetype shown = dlgseam::Shown().size();
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), shown + 1, 500);
        QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 500);
        QTest::qWait(50);
        QCOMPARE(dlgseam::Shown().size(), shown + 1);
        QVERIFY(dlgseam::Shown().last().contains("refused by test"));
    }

    // A close and a note-list command wait for the page as long as it lives and answers in the
    // end, and then go on with what it reported. When its process has gone or it has sent
    // nothing for the answer time-out, the note is saved with what the editor has, and when
    // typing may have been lost the user is told: a close asks whether to close anyway. A page
    // whose process ends with nothing unreported has lost nothing.
    void closeAndNoteCommandWaitForThePage_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("page");
        for (const char* command : {"close", "rename"})
            for (const char* page :
                 {"answers late", "silent", "process gone", "process gone after typing"})
                QTest::newRow((QByteArray(command) + ", " + page).constData()) << command << page;
    }
    void closeAndNoteCommandWaitForThePage()
    {
        QFETCH(QString, command);
        QFETCH(QString, page);
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        TNoteEditorTestAccess fake(form.NoteEditor());
        const bool answers = page == "answers late";
        const bool lost = page == "silent" || page == "process gone after typing";
        if (!answers)
            form.NoteEditor()->SetPageAnswerTimeout(800);
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        if (page == "process gone after typing")
            fake.Pending();
        const QString loss =
            QString("Quorvel|The editor %1, so the last typing in \"Hearing bundle <draft>\" may "
                    "not have been saved.")
                .arg(page == "silent" ? "has not answered for 0.8 seconds" : "stopped working");
        if (command == "close") {
            if (lost)
                dlgseam::PushAnswer(No());
            form.close();
        } else {
            if (lost)
                dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            dlgseam::PushAnswer(TypeAndAccept("Renamed"));
            form.NoteListPane()->MenuRenameNote();
        }
        QVERIFY(form.WaitingForPage());
        if (page.startsWith("process gone"))
            fake.ProcessGone();
        if (answers) {
            QTest::qWait(1500);
            QVERIFY(form.WaitingForPage());
            QVERIFY(dlgseam::Shown().isEmpty());
            fake.Answer("<p>typed late</p>");
        }
        QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 1500);
        if (command == "close") {
            QCOMPARE(dlgseam::Shown(),
                     lost ? QStringList{loss + "\r\n\r\nClose anyway?"} : QStringList{});
            QTRY_COMPARE(form.isVisible(), lost);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), lost ? 2 : 1, 500);
            if (lost)
                QCOMPARE(dlgseam::Shown()[0], loss);
            QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Renamed"));
            // Told once.
            QTest::qWait(50);
            QCOMPARE(dlgseam::Shown().size(), lost ? 2 : 1);
        }
        QCOMPARE(AppDB->GetNote(s.Note1).Body,
                 QString(answers ? "<p>typed late</p>" : "<p>Witness statement</p>"));
        if (command != "close" || !lost)
            return;
        // Kept open; asked again, the user closes it.
        dlgseam::PushAnswer(Yes());
        form.close();
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 1500);
        QCOMPARE(dlgseam::Shown().size(), 2);
    }

    // The page's process ends while the page has typing it has not reported (it has told of a
    // change), or with nothing unreported: the note is saved with what the page reported, the
    // user is told at once which note's typing may be lost, and the page is started again with
    // the note shown. Typing in it is saved as before and Ctrl+S warns no more; a close asks
    // only when typing was lost, naming the note it was typed in.
    void pageStartedAgainAfterItsProcessEnds_data()
    {
        QTest::addColumn<QString>("before");
        QTest::newRow("nothing unreported") << "nothing";
        QTest::newRow("typing unreported") << "typing";
        QTest::newRow("typing unreported, another note shown since") << "typing, other note";
        QTest::newRow("typing unreported, close while the page starts") << "typing, close";
        QTest::newRow("typing unreported, the new page ends too") << "typing, ends again";
        QTest::newRow("typing unreported, and again in the other note") << "typing, twice";
    }
    void pageStartedAgainAfterItsProcessEnds()
    {
        QFETCH(QString, before);
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TNoteEditorTestAccess fake(form.NoteEditor());
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        fake.LoadAck();
        fake.Receive(QString(R"({"type":"contentChanged","html":"<p>reported</p>","seq":"%1"})")
                         .arg(fake.Last("load", "seq")));
        const bool lost = before != "nothing";
        if (lost)
            fake.Pending();
        if (before == "typing, other note")
            form.NoteListPane()->SelectNote(s.Note2);
        const int64_t shown = form.NoteEditor()->NoteId();
        const QString told = "Quorvel|The editor stopped working, so the last typing in "
                             "\"Hearing bundle <draft>\" may not have been saved.";
        if (lost)
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        fake.ProcessGone();
        QVERIFY(form.NoteEditor()->SaveStatus() != "Saved");
        QCOMPARE(AppDB->GetNote(s.Note1).Body, QString("<p>reported</p>"));
        QTRY_COMPARE(dlgseam::Shown(), lost ? QStringList{told} : QStringList{});
        QCOMPARE(fake.Starts, 1);
        const QString asked = told + "\r\n\r\nClose anyway?";
        if (before == "typing, ends again") {
            // Not started over and over; a close has no page to wait for, and still asks.
            fake.ProcessGone();
            QCOMPARE(fake.Starts, 1);
            QVERIFY(!form.NoteEditor()->Restarting());
            dlgseam::PushAnswer(No());
            form.close();
            QTRY_COMPARE(dlgseam::Shown(), (QStringList{told, asked}));
            QVERIFY(form.isVisible());
            dlgseam::PushAnswer(Yes());
            form.close();
            QTRY_VERIFY(!form.isVisible());
            QCOMPARE(dlgseam::Shown(), (QStringList{told, asked, asked}));
            return;
        }
        if (before == "typing, close") {
            // The close waits for the page being started, and then asks.
            dlgseam::PushAnswer(Yes());
            form.close();
            QVERIFY(form.WaitingForPage());
            QTest::qWait(100);
            QVERIFY(form.isVisible());
            fake.Ready();
            QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 1500);
            QCOMPARE(dlgseam::Shown(), (QStringList{told, asked}));
            return;
        }
        // The page started again shows the note; what is typed there is saved as before.
        fake.Sent.clear();
        fake.Ready();
        QCOMPARE(fake.Last("load", "html"), AppDB->GetNote(shown).Body);
        fake.LoadAck();
        QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(form.WaitingForPage());
        fake.Answer("<p>typed again</p>");
        QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 1500);
        QCOMPARE(AppDB->GetNote(shown).Body, QString("<p>typed again</p>"));
        QTest::qWait(50);
        QCOMPARE(dlgseam::Shown().size(), lost ? 1 : 0);
        // The user goes on to the other note and closes the window.
        form.NoteListPane()->SelectNote(shown == s.Note1 ? s.Note2 : s.Note1);
        QStringList shownBefore = dlgseam::Shown();
        QString closeAsked = asked;
        if (before == "typing, twice") {
            // Typing lost in the other note too: told of that one, asked of both.
            fake.LoadAck();
            fake.Pending();
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            fake.ProcessGone();
            const QString second = "Quorvel|The editor stopped working, so the last typing in "
                                   "\"Costs schedule\" may not have been saved.";
            QTRY_COMPARE(dlgseam::Shown(), (QStringList{told, second}));
            QCOMPARE(fake.Starts, 2);
            fake.Ready();
            fake.LoadAck();
            shownBefore = dlgseam::Shown();
            closeAsked = "Quorvel|The editor stopped working, so the last typing in \"Hearing "
                         "bundle <draft>\" and \"Costs schedule\" may not have been saved."
                         "\r\n\r\nClose anyway?";
        }
        if (lost)
            dlgseam::PushAnswer(No());
        form.close();
        QVERIFY(form.WaitingForPage());
        fake.Answer("<p>unchanged</p>");
        if (!lost) {
            QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 1500);
            QVERIFY(dlgseam::Shown().isEmpty());
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown(), (shownBefore + QStringList{closeAsked}), 1500);
        QVERIFY(form.isVisible());
        dlgseam::PushAnswer(Yes());
        form.close();
        fake.Answer("<p>unchanged</p>");
        QTRY_VERIFY_WITH_TIMEOUT(!form.isVisible(), 1500);
        QCOMPARE(dlgseam::Shown(), (shownBefore + QStringList{closeAsked, closeAsked}));
    }

    // After a wait the page left unanswered the user is told once, however many commands met
    // the same silence (a command held back behind the first meets it again at once); a close
    // asked for during the wait of a command that deleted the note shown asks nothing, as
    // nothing typed is left to lose.
    void lossToldOnce_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QStringList>("shown");
        const QString loss = "Quorvel|The editor %1, so the last typing in \"Hearing bundle "
                             "<draft>\" may not have been saved.";
        // The page's process ends with typing it has not reported.
        for (const char* page : {"silent", "process gone"}) {
            const QString told = loss.arg(
                QString(page) == "silent" ? "has not answered for 0.8 seconds" : "stopped working");
            const QByteArray tag = QByteArray(page) + ": ";
            QTest::newRow(tag + "save, save") << "save save" << page << QStringList{told};
            QTest::newRow(tag + "save, rename")
                << "save rename" << page << QStringList{told, "Rename Note"};
            QTest::newRow(tag + "delete, close")
                << "delete close" << page
                << QStringList{told,
                               "Delete Note|Permanently delete this note and all its attachments?"};
        }
    }
    void lossToldOnce()
    {
        QFETCH(QString, steps);
        QFETCH(QString, page);
        QFETCH(QStringList, shown);
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TNoteEditorTestAccess fake(form.NoteEditor());
        form.NoteEditor()->SetPageAnswerTimeout(800);
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note1);
        if (page == "process gone")
            fake.Pending();
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        for (const QString& step : steps.split(' ')) {
            if (step == "save") {
                QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier);
            } else if (step == "rename") {
                dlgseam::PushAnswer(TypeAndAccept("Renamed"));
                form.NoteListPane()->MenuRenameNote();
            } else if (step == "delete") {
                dlgseam::PushAnswer(Yes());
                form.NoteListPane()->MenuDeleteNote();
            } else {
                form.close();
            }
            QVERIFY(form.WaitingForPage());
        }
        if (page == "process gone")
            fake.ProcessGone();
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), shown.size(), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 1500);
        QTest::qWait(50);
        QCOMPARE(dlgseam::Shown(), shown);
        if (steps.contains("rename"))
            QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Renamed"));
        if (steps.contains("close"))
            QTRY_VERIFY(!form.isVisible());
    }

    // From a "load" until the page confirms it, the input to the page waits, and so does all
    // input after it; then it is delivered in its order: the keys reach the page that shows the
    // new note, and a click on another row only once the page has read them.
    void pageInputWaitsUntilThePageShowsTheNote()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TNoteEditorTestAccess fake(form.NoteEditor());
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        fake.Receive(
            QString("{\"type\":\"loadAck\",\"seq\":\"%1\"}").arg(fake.Last("load", "seq")));
        QWidget* page = form.NoteEditor()->BrowserHost();
        TKeyCounter keys;
        page->installEventFilter(&keys);
        QTest::keyClicks(page, "ab");
        QCOMPARE(keys.Count, 2);

        QListWidget* list = form.NoteListPane()->List();
        ClickRow(list, RowWithId(list, s.Note2));
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note2);
        QCOMPARE(form.NoteEditor()->TitleEdit()->text(), QString("Costs schedule"));
        QTest::keyClicks(page, "cd");
        ClickRow(list, RowWithId(list, s.Note1));
        QTest::qWait(50);
        QCOMPARE(keys.Count, 2);
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note2);

        fake.Receive(
            QString("{\"type\":\"loadAck\",\"seq\":\"%1\"}").arg(fake.Last("load", "seq")));
        QTRY_VERIFY(keys.Count >= 4);
        QTest::qWait(50);
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note2);
        fake.Receive("{\"type\":\"inputRead\"}");
        QTRY_COMPARE(form.NoteEditor()->NoteId(), s.Note1);
    }

    // Mouse input held back during a wait acts on the rows the user saw: the note list is not
    // rebuilt before it is replayed, and a drag across it does not change the selection meanwhile.
    void heldMouseInputActsOnTheListAsShown_data()
    {
        QTest::addColumn<bool>("drag");
        QTest::newRow("click") << false;
        QTest::newRow("drag") << true;
    }
    void heldMouseInputActsOnTheListAsShown()
    {
        QFETCH(bool, drag);
        TTestStore store(false);
        const TSample s = FillSample(store);
        // Newest first: the second note above the first until the first is saved.
        RunSQL(store.Path("quorvel.db"),
               QString("UPDATE notes SET updated_at = 1000 WHERE id = %1; UPDATE notes SET "
                       "updated_at = 2000 WHERE id = %2")
                   .arg(s.Note1)
                   .arg(s.Note2));
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        TNoteEditorTestAccess fake(form.NoteEditor());
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        QListWidget* list = form.NoteListPane()->List();
        QCOMPARE(list->row(RowWithId(list, s.Note2)), 0);
        form.NoteEditor()->TitleEdit()->setText("Changed title");

        QTest::keyClick(form.SearchEdit(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(form.WaitingForPage());
        const QPoint first = list->visualItemRect(RowWithId(list, s.Note1)).center();
        const QPoint second = list->visualItemRect(RowWithId(list, s.Note2)).center();
        if (drag) {
            QTest::mousePress(list->viewport(), Qt::LeftButton, {}, first);
            QTest::mouseMove(list->viewport(), second);
            QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, second);
        } else {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, second);
        }
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note1);
        fake.Receive(
            QString("{\"type\":\"flushAck\",\"token\":\"%1\"}").arg(fake.Last("flush", "token")));
        QTRY_VERIFY_WITH_TIMEOUT(!form.WaitingForPage(), 1500);
        QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Changed title"));
        QTRY_COMPARE_WITH_TIMEOUT(form.NoteEditor()->NoteId(), s.Note2, 500);
        QTest::qWait(50);
        QCOMPARE(form.NoteEditor()->NoteId(), s.Note2);
    }

    // A right click on another row while the open note has unsaved edits: the selection change
    // saves them, which refills the list, and the command chosen afterwards from the menu acts
    // on the row that was clicked.
    void noteMenuActsOnItsRowAfterTheSave()
    {
        TSampleWindow w;
        w.Form.NoteEditor()->TitleEdit()->setText("Changed title");
        QListWidget* list = w.Form.NoteListPane()->List();
        const TRefillCount refills(list);
        RightClickRow(list, RowWithId(list, w.S.Note2));
        QTRY_VERIFY(refills.Count > 0);
        QCOMPARE(AppDB->GetNote(w.S.Note1).Title, QString("Changed title"));
        QMenu* menu = w.Form.NoteListPane()->NoteMenu();
        menu->hide();
        QAction* remove = MenuAction(menu, "Delete");
        QVERIFY(remove);
        dlgseam::PushAnswer(Yes());
        remove->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), 1, 1500);
        QTRY_COMPARE(AppDB->GetNote(w.S.Note2).Id, int64_t(0));
        QCOMPARE(AppDB->GetNote(w.S.Note1).Id, w.S.Note1);
    }

    // After the save that a click on another row makes, the list keeps that row current: Down
    // goes on from it.
    void listKeepsItsRowAfterTheSave()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        store.Open();
        const int64_t third = AppDB->CreateNote(s.Work, "Third");
        store.Close();
        // Newest first: the third note, the second, the first.
        const std::pair<int64_t, int> stamps[] = {{s.Note1, 1000}, {s.Note2, 2000}, {third, 3000}};
        for (const auto& [id, stamp] : stamps)
            RunSQL(store.Path("quorvel.db"),
                   QString("UPDATE notes SET updated_at = %1 WHERE id = %2").arg(stamp).arg(id));
        TMainForm form;
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.NotebookPane()->SelectNotebook(s.Work);
        QListWidget* list = form.NoteListPane()->List();
        QCOMPARE(list->row(RowWithId(list, third)), 0);
        QCOMPARE(list->row(RowWithId(list, s.Note1)), 2);
        form.NoteListPane()->SelectNote(s.Note1);
        form.NoteEditor()->TitleEdit()->setText("Changed title");
        const TRefillCount refills(list);
        ClickRow(list, RowWithId(list, third));
        QCOMPARE(form.NoteEditor()->NoteId(), third);
        QTRY_VERIFY(refills.Count > 0);
        QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Changed title"));
        // The saved first note now stands on top, the clicked row below it stays current.
        QCOMPARE(list->row(RowWithId(list, s.Note1)), 0);
        QCOMPARE(list->currentItem(), RowWithId(list, third));
        QVERIFY(list->currentItem()->isSelected());
        QTest::keyClick(list, Qt::Key_Down);
        QTRY_COMPARE(form.NoteEditor()->NoteId(), s.Note2);
    }

    // A duplicate carries the note's tags: the tag counts include it at once.
    void duplicateCountsItsTags()
    {
        TSampleWindow w;
        QListWidget* tags = w.Form.NotebookPane()->TagList();
        QCOMPARE(RowWithId(tags, w.S.TagId)->text(), QString("urgent (2)"));
        w.Form.NoteListPane()->MenuDuplicateNote();
        QTRY_COMPARE_WITH_TIMEOUT(w.Form.NoteListPane()->List()->count(), 3, 1500);
        QTRY_COMPARE(RowWithId(tags, w.S.TagId)->text(), QString("urgent (3)"));
        QTest::qWait(20);
        QCOMPARE(RowWithId(tags, w.S.TagId)->text(), QString("urgent (3)"));
    }

    // A page that answers only after the wait has given up: its report, saved by the autosave
    // while the rename prompt is open, is kept by the rename.
    void renameKeepsABodySavedDuringItsPrompt()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.show();
        TNoteEditorTestAccess fake(form.NoteEditor());
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        form.NoteEditor()->SaveTimer()->setInterval(50);
        form.NoteEditor()->SetPageAnswerTimeout(1000);
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            fake.Receive(R"({"type":"contentChanged","html":"<p>typed late</p>"})");
            QTRY_COMPARE(form.NoteEditor()->SaveStatus(), QString("Saved"));
            ADialog.findChild<QLineEdit*>()->setText("Renamed");
            ADialog.accept();
        });
        form.NoteListPane()->MenuRenameNote();
        QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), 2, 1500);
        QCOMPARE(AppDB->GetNote(s.Note1).Title, QString("Renamed"));
        QCOMPARE(AppDB->GetNote(s.Note1).Body, QString("<p>typed late</p>"));
        QCOMPARE(form.NoteEditor()->TitleEdit()->text(), QString("Renamed"));
    }

    void formatStripDate_data()
    {
        // The time stamps count the local wall clock, so the date is the same in every zone;
        // zones far from UTC on both sides would move an hour near midnight to another day.
        QTest::addColumn<QByteArray>("zone");
        QTest::newRow("UTC") << QByteArray("UTC0");
        QTest::newRow("ten hours behind UTC") << QByteArray("QTZ+10");
        QTest::newRow("fourteen hours ahead of UTC") << QByteArray("QTZ-14");
    }

    void formatStripDate()
    {
        QFETCH(QByteArray, zone);
        const QByteArray saved = qgetenv("TZ");
        const bool wasSet = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", zone);
        tzset();
        const auto restore = qScopeGuard([&] {
            if (wasSet)
                qputenv("TZ", saved);
            else
                qunsetenv("TZ");
            tzset();
        });
        QCOMPARE(FormatStripDate(0), QString::fromUtf8("\u2014"));
        QCOMPARE(FormatStripDate(86400), QString("2 Jan 1970"));
        QCOMPARE(FormatStripDate(1741305600 + 23 * 3600), QString("7 Mar 2025"));
        QCOMPARE(FormatStripDate(1741305600 + 30 * 60), QString("7 Mar 2025"));
    }

    void paneTogglesAndLayoutMemory()
    {
        TTestStore store(false);
        TMainForm form;
        form.setWindowState(Qt::WindowNoState);
        form.resize(1600, 900);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const int w4 = form.PaneWidth(form.Pane4());
        form.MenuTogglePane4();
        QVERIFY(!form.Pane4()->isVisible());
        QVERIFY(!form.Splitter34()->isVisible());
        form.MenuTogglePane4();
        QVERIFY(form.Pane4()->isVisible());
        QCOMPARE(form.Pane4()->width(), w4);
        QCOMPARE(form.Splitter34()->geometry().right() + 1, form.Pane4()->x());

        // Dragging splitter 1-2; a change of screen scale puts the stored width back.
        const int w1 = form.Pane1()->width();
        DragSplitter(form.Splitter12(), QPoint(60, 0));
        QCOMPARE(form.Pane1()->width(), w1 + 60);
        QCOMPARE(Setting("pane1_width"), -999); // written only at close
        form.WMDpiChanged();
        QCOMPARE(form.Pane1()->width(), w1);

        // A drag stops at 30 pixels.
        DragSplitter(form.Splitter12(), QPoint(-1000, 0));
        QCOMPARE(form.Pane1()->width(), 30);

        // Splitter 4A writes the embedded tags pane's height at once.
        DragSplitter(form.Splitter4A(), QPoint(0, 20));
        QCOMPARE(Setting("pane4_etag_height"), form.EmbeddedTagPane()->height());

        // A hidden pane 1 still writes its last width at close.
        form.MenuTogglePane1();
        QVERIFY(!form.Splitter12()->isVisible());
        form.close();
        QCOMPARE(Setting("pane1_width"), 30);
    }

    void aboutBoxSizes_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("buttonRow");
        QTest::newRow("96") << 96 << QSize(460, 385) << 44;
        QTest::newRow("120") << 120 << QSize(575, 479) << 55;
    }
    void aboutBoxSizes()
    {
        QFETCH(int, ppi);
        QFETCH(QSize, size);
        QFETCH(int, buttonRow);
        SetScreenPPI(ppi);
        TTestStore store(false);
        TMainForm form;
        QSize got;
        int row = 0, pictureH = 0;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            got = ADialog.size();
            row = ADialog.findChild<QWidget*>("buttonRow")->height();
            pictureH = ADialog.findChild<QWidget*>("picture")->height();
            ADialog.findChild<QPushButton*>()->click();
        });
        form.MenuAbout();
        QCOMPARE(got, size);
        QCOMPARE(row, buttonRow);
        QCOMPARE(pictureH, ppi == 96 ? 155 : 194);
        QCOMPARE(dlgseam::Shown().value(0), QString("About Quorvel"));
    }

    // An error that a handler lets through is shown, and the program goes on.
    void topLevelHandlerShowsError()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        RunSQL(store.Path("quorvel.db"), "CREATE TRIGGER refuse BEFORE INSERT ON notes BEGIN "
                                         "SELECT RAISE(ABORT, 'refused by test'); END");
        TMainForm form;
        form.show();
        form.NotebookPane()->SelectNotebook(s.Home);
        dlgseam::PushAnswer(TypeAndAccept("Will fail"));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        QTest::keyClick(form.SearchEdit(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dlgseam::Shown().size(), 2);
        QVERIFY(dlgseam::Shown()[1].startsWith("Quorvel|"));
        QVERIFY(dlgseam::Shown()[1].contains("refused by test"));
        QCOMPARE(form.NoteListPane()->List()->count(), 1);
        // Still running: the next command works.
        form.NotebookPane()->SelectNotebook(s.Work);
        QCOMPARE(form.NoteListPane()->List()->count(), 2);
    }

    // A store error in a handler that the toolkit calls stops at that handler: it is shown in
    // the error box and never travels on through the toolkit's own frames to the application.
    void handlerErrorsStopAtTheirBoundary_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::newRow("row selection") << "row selection";
        QTest::newRow("save timer") << "save timer";
        QTest::newRow("menu action") << "menu action";
    }
    void handlerErrorsStopAtTheirBoundary()
    {
        QFETCH(QString, entry);
        TTestStore store(false);
        const TSample s = FillSample(store);
        const QString refuse = " BEGIN SELECT RAISE(ABORT, 'refused by test'); END";
        const QString db = store.Path("quorvel.db");
        if (entry == "row selection") {
            for (const char* op : {"INSERT", "UPDATE"})
                RunSQL(db, QString("CREATE TRIGGER refuse_%1 BEFORE %1 ON settings WHEN NEW.key = "
                                   "'last_notebook_id'")
                                   .arg(op) +
                               refuse);
        } else {
            RunSQL(db, QString("CREATE TRIGGER refuse BEFORE %1 ON notes")
                               .arg(entry == "save timer" ? "UPDATE" : "INSERT") +
                           refuse);
        }
        TMainForm form;
        form.show();
        const int before = TQuorvelApplication::ErrorsThroughToolkit();
        if (entry == "row selection") {
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            ClickRow(form.NotebookPane()->NotebookList(),
                     RowWithId(form.NotebookPane()->NotebookList(), s.Home));
            // The handler ended at the failing write, after the list was shown.
            QCOMPARE(form.NoteListPane()->List()->count(), 1);
        } else if (entry == "save timer") {
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            form.NotebookPane()->SelectNotebook(s.Work);
            form.NoteListPane()->SelectNote(s.Note1);
            form.NoteEditor()->TitleEdit()->setText("Changed title");
            QTRY_COMPARE_WITH_TIMEOUT(dlgseam::Shown().size(), 1, 4000);
            QCOMPARE(form.NoteEditor()->SaveStatus(), QString("Unsaved"));
        } else {
            form.NotebookPane()->SelectNotebook(s.Home);
            dlgseam::PushAnswer(TypeAndAccept("Will fail"));
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
            QAction* newNote = nullptr;
            for (QAction* a : form.findChildren<QAction*>())
                if (a->text() == "New &Note")
                    newNote = a;
            QVERIFY(newNote);
            newNote->trigger();
        }
        const QStringList shown = dlgseam::Shown();
        QVERIFY2(!shown.isEmpty(), "no error box");
        QVERIFY2(shown.last().startsWith("Quorvel|") && shown.last().contains("refused by test"),
                 qPrintable(shown.join(" / ")));
        QCOMPARE(TQuorvelApplication::ErrorsThroughToolkit(), before);
        // Still running: the next selection works (the note still unsaved is tried again).
        if (entry == "save timer")
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        ClickRow(form.NotebookPane()->TagList(),
                 RowWithId(form.NotebookPane()->TagList(), s.TagId));
        QCOMPARE(form.NoteListPane()->List()->count(), 2);
    }

    // At the default sizes (a right pane of 200 pixels) every control lies inside its parent and
    // every caption fits, on this platform's fonts.
    void defaultLayoutKeepsControlsInside()
    {
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.setWindowState(Qt::WindowNoState);
        form.resize(1600, 900);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Pane4()->width(), 200);
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        form.EmbeddedTagPane()->Populate({{"t1", "Key fact", "green"}});
        AppDB->CreateAnnotation(s.Note1, "ann_3", "a passage quoted at some length in the note",
                                "A research note that runs on for more than three lines in the "
                                "pane, so that only its first lines are shown there.");
        form.AnnotationPane()->Refresh(s.Note1);
        QTest::qWait(20);
        QStringList faults;
        for (QWidget* w : form.findChildren<QWidget*>()) {
            if (!w->isVisible())
                continue;
            const QWidget* parent = w->parentWidget();
            // A scroll area's content may be larger than the part of it on view.
            const bool scrolled = parent && parent->parentWidget() &&
                                  qobject_cast<QAbstractScrollArea*>(parent->parentWidget());
            if (parent && !scrolled && !parent->rect().contains(w->geometry()))
                faults << QString("%1 \"%2\" outside its parent")
                              .arg(w->metaObject()->className(), w->objectName());
            if (auto* button = qobject_cast<QPushButton*>(w)) {
                QStyleOptionButton option;
                option.initFrom(button);
                option.text = button->text();
                const QRect room =
                    button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
                if (QFontMetrics(button->font()).horizontalAdvance(button->text()) > room.width())
                    faults << "button \"" + button->text() + "\" cut";
            }
            auto* label = qobject_cast<QLabel*>(w);
            if (!label)
                continue;
            // What is drawn: the fitting labels say it, another label draws its text.
            QString shown = label->text();
            if (auto* fit = dynamic_cast<TFitLabel*>(label))
                shown = fit->ShownText();
            else if (auto* click = dynamic_cast<TClickLabel*>(label))
                shown = click->ShownText();
            else if (label->wordWrap())
                continue;
            const QFontMetrics fm(label->font());
            const QStringList lines = shown.split(u'\n');
            const bool fits =
                std::all_of(lines.begin(), lines.end(),
                            [&](const QString& ALine) {
                                return fm.horizontalAdvance(ALine) <= label->contentsRect().width();
                            }) &&
                (lines.size() - 1) * fm.lineSpacing() + fm.height() <=
                    label->contentsRect().height();
            if (!fits)
                faults << "label \"" + shown + "\" cut";
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
        // The two dates stand one above the other, both whole.
        auto* dates = dynamic_cast<TFitLabel*>(form.DateLabel());
        QVERIFY(dates);
        QCOMPARE(dates->ShownText().count(u'\n'), 1);
        QCOMPARE(dates->ShownText(),
                 dates->text().replace(QString::fromUtf8("   \u00B7   "), "\n"));
        QVERIFY(dates->ShownText().startsWith("Created: "));
    }

    void screenshot()
    {
        const QByteArray out = qgetenv("QUORVEL_SCREENSHOT");
        if (out.isEmpty())
            QSKIP("set QUORVEL_SCREENSHOT to a PNG path to write the window's picture");
        TTestStore store(false);
        const TSample s = FillSample(store);
        TMainForm form;
        form.setWindowState(Qt::WindowNoState);
        form.resize(1400, 800);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.NotebookPane()->SelectNotebook(s.Work);
        form.NoteListPane()->SelectNote(s.Note1);
        TEditorTagArray tags = {
            {"t1", "Key fact", "green"}, {"t2", "Disputed", "red"}, {"t3", "Admitted", "bogus"}};
        form.EmbeddedTagPane()->Populate(tags);
        QTest::qWait(50);
        QVERIFY(form.grab().save(QString::fromLocal8Bit(out)));
    }
};

int main(int argc, char** argv)
{
    TQuorvelApplication app(argc, argv);
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    TestMainForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_mainform.moc"

// The program started where no browser runtime is registered: the loader shows its error box
// and the editor says once that the runtime is missing; the window still opens.
#include "e2efixture.h"
#include "notebookpane.h"
#include "notelistpane.h"

#include "platformqt.h"
#include "wvloader.h"

#include <QMessageBox>

class TestNoRuntime : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editorSaysSoOnce()
    {
        QGuiApplication::setApplicationDisplayName("Quorvel");
        StartScriptedDialogs();
        QStringList boxes;
        SetMessageBoxHook([&](HWND, const QString& AText, const QString& ACaption, UINT) {
            boxes << ACaption + "|" + AText;
            return 1;
        });
        StartEditorBrowserLoader();
        QVERIFY(GlobalWebView2Loader->InitializationError());
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].startsWith("Error|"));
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        {
            TProgramFixture f;
            QVERIFY(!f.Start(QString(), 1500));
            QVERIFY(f.Form());
            const QStringList shown = dlgseam::Shown();
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].startsWith("Quorvel|WebView2 could not initialise.\r\nMake sure the "
                                         "WebView2 runtime is installed.\r\n"),
                     qPrintable(shown[0]));
            QVERIFY(shown[0].size() > 80); // the loader's error text follows
            QVERIFY(!f.Editor()->Ready());
            // Title and summary still work and are saved; the body stays as stored.
            const int64_t book = AppDB->CreateNotebook("nb", 0);
            const int64_t id = AppDB->CreateNote(book, "t");
            AppDB->SaveNote(id, "t", "", "<p>kept</p>");
            f.Form()->NotebookPane()->RefreshNotebooks();
            f.Form()->NotebookPane()->SelectNotebook(book);
            f.Form()->NoteListPane()->SelectNote(id);
            QCOMPARE(f.Editor()->NoteId(), id);
            f.Editor()->TitleEdit()->setText("renamed");
            f.Form()->MenuSaveNote();
            QCOMPARE(AppDB->GetNote(id).Title, QString("renamed"));
            QCOMPARE(AppDB->GetNote(id).Body, QString("<p>kept</p>"));
        }
        QCOMPARE(dlgseam::Shown().size(), 1);
        QVERIFY(dlgseam::Unanswered().isEmpty());
        FinishEditorBrowserLoader();
    }
};

QTEST_MAIN(TestNoRuntime)
#include "test_noruntime.moc"

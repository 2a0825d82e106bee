#include "../dmdialogs/testsupport.h"
#include "annotationpane.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QTimer>

class TestAnnotationPane : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FNote = 0;
    QStringList FActions;

    TAnnotationPane* NewPane()
    {
        auto* pane = new TAnnotationPane;
        pane->resize(220, 200);
        pane->show();
        pane->OnAnnotAction = [this](QObject*, int64_t AId, const QString& ASpan,
                                     const QString& AAction) {
            FActions << QString::number(AId) + u'|' + ASpan + u'|' + AAction;
        };
        return pane;
    }

    static QPushButton* Button(QWidget* ARow, const char* ACaption)
    {
        return FindButton(ARow, QString::fromUtf8(ACaption));
    }

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        FNote = AppDB->CreateNote(AppDB->CreateNotebook("nb", 0), "n");
        for (int i = 1; i <= 5; ++i)
            AppDB->CreateAnnotation(FNote, QString("ann_%1").arg(i), QString("passage %1").arg(i),
                                    QString("note %1").arg(i));
        FActions.clear();
    }
    void cleanup()
    {
        delete FStore;
        VerifyAllDialogsAnswered();
    }

    void newestOnTop()
    {
        std::unique_ptr<TAnnotationPane> pane(NewPane());
        pane->Refresh(FNote);
        QCOMPARE(pane->RowCount(), 5);
        // Index 0 is the oldest record; its row stands lowest.
        QVERIFY(pane->RowPanel(4)->y() < pane->RowPanel(3)->y());
        QVERIFY(pane->RowPanel(1)->y() < pane->RowPanel(0)->y());
        QCOMPARE(pane->RowPanel(4)->y(), 0);
        QTest::mouseClick(pane->RowPanel(2), Qt::LeftButton, {}, QPoint(5, 40));
        QCOMPARE(FActions.size(), 1);
        QVERIFY(FActions[0].endsWith("|ann_3|scroll"));
        pane->Refresh(0);
        QCOMPARE(pane->RowCount(), 0);
    }

    void flash()
    {
        std::unique_ptr<TAnnotationPane> pane(NewPane());
        pane->Refresh(FNote);
        pane->ScrollToRow("ann_1");
        QWidget* first = pane->RowPanel(0);
        QCOMPARE(pane->FlashPanel(), first);
        QCOMPARE(first->palette().color(QPalette::Window), TAnnotationPane::FlashColour());
        QVERIFY(pane->ScrollBox()->verticalScrollBar()->value() > 0);
        QTest::qWait(300);
        pane->ScrollToRow("ann_5");
        QCOMPARE(first->palette().color(QPalette::Window), TAnnotationPane::RowColour());
        QCOMPARE(pane->FlashPanel(), pane->RowPanel(4));
        QVERIFY(pane->FlashTimer()->isActive());
        QCOMPARE(pane->FlashTimer()->interval(), 600);
        pane->ScrollToRow("no_such_span");
        QCOMPARE(pane->FlashPanel(), pane->RowPanel(4));
        QTRY_COMPARE_WITH_TIMEOUT(pane->FlashPanel(), static_cast<QWidget*>(nullptr), 1000);
        QCOMPARE(pane->RowPanel(4)->palette().color(QPalette::Window),
                 TAnnotationPane::RowColour());
    }

    void editWritesEvenUnchanged()
    {
        std::unique_ptr<TAnnotationPane> pane(NewPane());
        pane->Refresh(FNote);
        QString shown;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            shown = ADialog.findChild<QPlainTextEdit*>()->toPlainText();
            // A rebuild while the dialog is open must not change which record is edited.
            pane->Refresh(FNote);
            QTest::qWait(5);
            ADialog.findChild<QPlainTextEdit*>()->setPlainText("  changed \n text ");
            ADialog.accept();
        });
        QTest::mouseClick(Button(pane->RowPanel(1), "\u270E"), Qt::LeftButton);
        QCOMPARE(shown, QString("note 2"));
        QCOMPARE(AppDB->GetAnnotationsByNote(FNote)[1].Body, QString("changed \n text"));
        QTRY_COMPARE(pane->RowCount(), 5);
    }

    // The row shows about three lines of the note; a longer one is read whole in the tool tip,
    // as plain text.
    void longNoteReadInFull()
    {
        QString body = "<b>not bold</b> & \"quoted\"";
        for (int i = 1; i <= 8; ++i)
            body += QString("\nline %1 of a research note that goes on").arg(i);
        AppDB->CreateAnnotation(FNote, "ann_long", "passage", body);
        std::unique_ptr<TAnnotationPane> pane(NewPane());
        pane->Refresh(FNote);
        QLabel* text = nullptr;
        for (QLabel* label : pane->RowPanel(5)->findChildren<QLabel*>())
            if (label->wordWrap())
                text = label;
        QVERIFY(text);
        QVERIFY(text->heightForWidth(text->width()) > text->height()); // cut on screen
        QTextDocument tip;
        tip.setHtml(text->toolTip());
        QCOMPARE(tip.toPlainText(), body);
        // On screen: the whole lines that fit, the last cut with an ellipsis.
        auto* click = dynamic_cast<TClickLabel*>(text);
        QVERIFY(click);
        const QStringList lines = click->ShownText().split(u'\n');
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines.last().endsWith(u'\u2026'));
        QVERIFY(lines.first().contains("not bold"));
        const QFontMetrics fm(text->font());
        for (const QString& line : lines)
            QVERIFY2(fm.horizontalAdvance(line) <= text->contentsRect().width(), qPrintable(line));
        QVERIFY((lines.size() - 1) * fm.lineSpacing() + fm.height() <=
                text->contentsRect().height());
    }

    void deleteAsksThenRemovesSpanAndRecord()
    {
        std::unique_ptr<TAnnotationPane> pane(NewPane());
        pane->Refresh(FNote);
        const int64_t id = AppDB->GetAnnotationsByNote(FNote)[0].Id;
        dlgseam::PushAnswer(No());
        QTest::mouseClick(Button(pane->RowPanel(0), "\u2715"), Qt::LeftButton);
        QVERIFY(FActions.isEmpty());
        dlgseam::PushAnswer(Yes());
        QTest::mouseClick(Button(pane->RowPanel(0), "\u2715"), Qt::LeftButton);
        QCOMPARE(FActions, QStringList{QString::number(id) + "|ann_1|remove"});
        QCOMPARE(AppDB->GetAnnotationsByNote(FNote).size(), size_t(4));
        QTRY_COMPARE(pane->RowCount(), 4);
    }
};

QTEST_MAIN(TestAnnotationPane)
#include "test_annotationpane.moc"

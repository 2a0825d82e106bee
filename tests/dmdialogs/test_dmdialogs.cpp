#include "dmdialogs.h"
#include "highlightcolours.h"
#include "testsupport.h"

#include <QFrame>
#include <QListWidget>
#include <QPlainTextEdit>

class TestDmDialogs : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
    }
    void cleanup()
    {
        QVERIFY2(dlgseam::Unanswered().isEmpty(), qPrintable(dlgseam::Unanswered().join(", ")));
        SetScreenPPI(0);
    }

    void inputDlgResults_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("answer");
        QTest::newRow("trimmed") << "  Case A \t" << true << true << "Case A";
        QTest::newRow("blanks only") << "   " << true << false << "";
        QTest::newRow("cancel after editing") << "other" << false << false << "Default";
    }
    void inputDlgResults()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accept);
        QFETCH(bool, result);
        QFETCH(QString, answer);
        QString seenDefault;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto* edit = ADialog.findChild<QLineEdit*>();
            seenDefault = edit->selectedText();
            edit->setText(typed);
            if (accept)
                ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
            else
                ADialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
        });
        QString out;
        QCOMPARE(InputDlg("Caption", "Prompt:", "Default", out), result);
        QCOMPARE(out, answer);
        QCOMPARE(seenDefault, QString("Default"));
    }

    // Every dialog is built at 96 pixels per inch and scaled by whole-number division.
    void dialogSizesFollowScreenScale_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::newRow("96") << 96;
        QTest::newRow("144") << 144;
        QTest::newRow("192") << 192;
    }
    void dialogSizesFollowScreenScale()
    {
        QFETCH(int, ppi);
        SetScreenPPI(ppi);
        auto S = [ppi](int v) { return v * ppi / 96; };
        struct TCase
        {
            int W, H;
            std::function<void()> Call;
        };
        QString s1, s2;
        QColor colourUnused;
        int64_t id = 0;
        const TCase cases[] = {
            {380, 140, [&] { InputDlg("c", "p", "", s1); }},
            {380, 190, [&] { TagEditDlg("c", s1, s2); }},
            {420, 240, [&] { MemoInputDlg("c", "p", "", s1); }},
            {320, 270,
             [&] {
                 NotebookPickerDlg("c", {{1, 0, "A", 0, 0}}, 1, id);
             }},
            {400, 178, [&] { LinkEditDlg("c", s1, s2); }},
        };
        for (const TCase& c : cases) {
            QSize size, barSize;
            QRect accept, cancel;
            dlgseam::PushAnswer([&](QDialog& ADialog) {
                size = ADialog.size();
                auto* bar = ADialog.findChild<QWidget*>(QStringLiteral("buttonBar"));
                barSize = bar->size();
                accept =
                    ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton"))->geometry();
                cancel =
                    ADialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->geometry();
                ADialog.reject();
            });
            c.Call();
            QCOMPARE(size, QSize(S(c.W), S(c.H)));
            QCOMPARE(barSize, QSize(S(c.W), S(44)));
            QCOMPARE(accept, QRect(S(c.W) - S(180), S(8), S(80), S(25)));
            QCOMPARE(cancel, QRect(S(c.W) - S(90), S(8), S(80), S(25)));
        }
    }

    void confirmDlgIsYesNo()
    {
        dlgseam::PushAnswer(Yes());
        QVERIFY(ConfirmDlg("Delete", "Sure?"));
        dlgseam::PushAnswer(No());
        QVERIFY(!ConfirmDlg("Delete", "Sure?"));
        QCOMPARE(dlgseam::Shown().last(), QString("Delete|Sure?"));
    }

    void tagEditDlgFallsBackToYellow()
    {
        QString name = "Issue", colour = "Blue";
        QString chosenShown;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            for (QFrame* f : ADialog.findChildren<QFrame*>())
                if (f->frameShadow() == QFrame::Sunken && !f->toolTip().isEmpty())
                    chosenShown += f->toolTip();
            ADialog.accept();
        });
        QVERIFY(TagEditDlg("Edit", name, colour));
        QCOMPARE(chosenShown, QString("yellow"));
        QCOMPARE(colour, QString("yellow"));
    }

    void tagEditDlgSwatchClick()
    {
        QString name = "Issue", colour = "green";
        QStringList sunken;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            QList<QFrame*> swatches;
            for (QFrame* f : ADialog.findChildren<QFrame*>())
                if (!f->toolTip().isEmpty())
                    swatches << f;
            QCOMPARE(swatches.size(), 8);
            for (QFrame* f : swatches)
                if (f->toolTip() == "red")
                    QTest::mouseClick(f, Qt::LeftButton);
            for (QFrame* f : swatches)
                if (f->frameShadow() == QFrame::Sunken)
                    sunken << f->toolTip();
            ADialog.findChild<QLineEdit*>()->setText("  Renamed  ");
            ADialog.accept();
        });
        QVERIFY(TagEditDlg("Edit", name, colour));
        QCOMPARE(sunken, QStringList{"red"});
        QCOMPARE(colour, QString("red"));
        QCOMPARE(name, QString("Renamed"));
    }

    void tagEditDlgEmptyNameStillReturnsColour()
    {
        QString name = "Issue", colour = "pink";
        dlgseam::PushAnswer(TypeAndAccept("   "));
        QVERIFY(!TagEditDlg("Edit", name, colour));
        QCOMPARE(name, QString(""));
        QCOMPARE(colour, QString("pink"));
    }

    void swatchesUseHighlightColours()
    {
        QCOMPARE(HighlightColour("teal"), QColor(160, 240, 232));
        QCOMPARE(HighlightColour("Teal"), QColor(245, 255, 162));
    }

    void memoInputDlgAcceptsEmptyText()
    {
        QString out = "x";
        bool focused = false;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto* memo = ADialog.findChild<QPlainTextEdit*>();
            focused = memo->hasFocus() || ADialog.focusWidget() == memo;
            QTest::keyClick(memo, Qt::Key_Return);
            QVERIFY(ADialog.isVisible()); // Enter makes a line break, it does not press OK
            memo->setPlainText("  \n ");
            ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
        });
        QVERIFY(MemoInputDlg("Edit", "Note:", "old text", out));
        QVERIFY(focused);
        QCOMPARE(out, QString(""));
    }

    void notebookPicker()
    {
        const TNotebookArray nbs = {
            {1, 0, "Top", 0, 0}, {2, 1, "Kid", 0, 0}, {3, 2, "Grand", 0, 0}, {4, 0, "Other", 0, 0}};
        QStringList rows;
        QString selected;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto* list = ADialog.findChild<QListWidget*>();
            for (int i = 0; i < list->count(); ++i)
                rows << list->item(i)->text();
            selected = list->currentItem()->text();
            ADialog.accept();
        });
        int64_t target = -1;
        QVERIFY(!NotebookPickerDlg("Move", nbs, 2, target));
        QCOMPARE(rows, (QStringList{"Top", "   Kid", "Other"}));
        QCOMPARE(selected, QString("   Kid"));
        QCOMPARE(target, int64_t(2));

        dlgseam::PushAnswer([&](QDialog& ADialog) {
            ADialog.findChild<QListWidget*>()->setCurrentRow(2);
            ADialog.accept();
        });
        QVERIFY(NotebookPickerDlg("Move", nbs, 2, target));
        QCOMPARE(target, int64_t(4));

        dlgseam::PushAnswer([&](QDialog& ADialog) {
            ADialog.findChild<QListWidget*>()->setCurrentRow(0);
            ADialog.reject();
        });
        QVERIFY(!NotebookPickerDlg("Move", nbs, 2, target));
        QCOMPARE(target, int64_t(2));
    }

    void linkEditDlgNeedsAnAddress()
    {
        QString url = "old", label = "lbl";
        bool stayedOpen = false, urlFocused = false;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto edits = ADialog.findChildren<QLineEdit*>();
            edits[0]->setText("   ");
            ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
            stayedOpen = ADialog.isVisible();
            urlFocused = ADialog.focusWidget() == edits[0];
        });
        dlgseam::PushAnswer(dlgseam::Reject());
        QVERIFY(!LinkEditDlg("Add Link", url, label));
        QVERIFY(stayedOpen);
        QVERIFY(urlFocused);
        QCOMPARE(url, QString("old"));
        QCOMPARE(label, QString("lbl"));

        dlgseam::PushAnswer([&](QDialog& ADialog) {
            auto edits = ADialog.findChildren<QLineEdit*>();
            edits[0]->setText(" bailii.org/x ");
            edits[1]->setText(" BAILII ");
            ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
        });
        QVERIFY(LinkEditDlg("Add Link", url, label));
        QCOMPARE(url, QString("bailii.org/x"));
        QCOMPARE(label, QString("BAILII"));
    }
};

QTEST_MAIN(TestDmDialogs)
#include "test_dmdialogs.moc"

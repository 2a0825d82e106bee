#include "../dmdialogs/testsupport.h"
#include "embeddedtagpane.h"

#include <QFrame>

class TestEmbeddedTagPane : public QObject
{
    Q_OBJECT

    QStringList FActions;

    TEmbeddedTagPane* NewPane()
    {
        auto* pane = new TEmbeddedTagPane;
        pane->resize(220, 300);
        pane->show();
        pane->OnTagAction = [this](const QString& AId, const QString& AColour,
                                   const QString& AAction) {
            FActions << AId + u'|' + AColour + u'|' + AAction;
        };
        return pane;
    }

    static QPushButton* RowButton(TEmbeddedTagPane* APane, int ARow, const QString& ACaption)
    {
        return FindButton(APane->ScrollBox()->Rows().at(ARow), ACaption);
    }

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FActions.clear();
    }
    void cleanup() { VerifyAllDialogsAnswered(); }

    void populateSortsByNameKeepingTies()
    {
        std::unique_ptr<TEmbeddedTagPane> pane(NewPane());
        pane->Populate({{"1", "beta", "red"},
                        {"2", "Alpha", "blue"},
                        {"3", "alpha2", "bogus"},
                        {"4", "beta", "green"}});
        QCOMPARE(pane->RowNames(), (std::vector<QString>{"Alpha", "alpha2", "beta", "beta"}));
        QVERIFY(pane->ShowAllButton()->isEnabled());
        QCOMPARE(pane->ScrollBox()->RowCount(), 4);
        // Rows stand top to bottom in that order, each in its colour; an unknown one is yellow.
        const std::vector<QWidget*> rows = pane->ScrollBox()->Rows();
        QVERIFY(rows[0]->y() < rows[1]->y());
        QCOMPARE(rows[1]->palette().color(QPalette::Window), QColor(245, 255, 162));
        QTest::mouseClick(RowButton(pane.get(), 3, "Fade"), Qt::LeftButton);
        QCOMPARE(FActions, QStringList{"4|green|fade"});
        pane->Clear();
        QCOMPARE(pane->RowCount(), 0);
        QVERIFY(!pane->ShowAllButton()->isEnabled());
        QVERIFY(!pane->HideAllButton()->isEnabled());
        QVERIFY(pane->InsertTagButton()->isEnabled());
    }

    void colourToTColor_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red") << "red" << QColor(255, 139, 139);
        QTest::newRow("pink") << "pink" << QColor(255, 176, 208);
        QTest::newRow("Yellow") << "Yellow" << QColor(245, 255, 162);
        QTest::newRow("empty") << "" << QColor(245, 255, 162);
        QTest::newRow("other") << "Blue" << QColor(245, 255, 162);
    }
    void colourToTColor()
    {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QCOMPARE(TEmbeddedTagPane::ColourToTColor(name), colour);
    }

    void editRaisesRenameThenRecolour_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<QStringList>("actions");
        QTest::newRow("colour only") << "Fact"
                                     << "red" << QStringList{"t1|red|recolour"};
        QTest::newRow("name only") << " Key "
                                   << "green" << QStringList{"t1|Key|rename"};
        QTest::newRow("both") << "Key"
                              << "blue" << QStringList{"t1|Key|rename", "t1|blue|recolour"};
        QTest::newRow("blank name") << "  "
                                    << "green" << QStringList{};
    }
    void editRaisesRenameThenRecolour()
    {
        QFETCH(QString, name);
        QFETCH(QString, swatch);
        QFETCH(QStringList, actions);
        std::unique_ptr<TEmbeddedTagPane> pane(NewPane());
        pane->Populate({{"t1", "Fact", "green"}});
        QString caption;
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            caption = ADialog.windowTitle();
            ADialog.findChild<QLineEdit*>()->setText(name);
            for (QFrame* f : ADialog.findChildren<QFrame*>())
                if (f->toolTip() == swatch)
                    QTest::mouseClick(f, Qt::LeftButton);
            ADialog.accept();
        });
        QTest::mouseClick(RowButton(pane.get(), 0, QString::fromUtf8("\u270E")), Qt::LeftButton);
        QCOMPARE(caption, QString("Edit Embedded Tag"));
        QCOMPARE(FActions, actions);
    }

    // The page answers a command with a new list, which may arrive while a dialog is open:
    // the command acts on the row it was started from.
    void rebuildDuringDialogIsSafe()
    {
        std::unique_ptr<TEmbeddedTagPane> pane(NewPane());
        pane->Populate({{"t1", "Fact", "green"}, {"t2", "Other", "red"}});
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            pane->Populate({{"t9", "Zulu", "pink"}});
            QTest::qWait(5);
            ADialog.findChild<QLineEdit*>()->setText("New");
            ADialog.accept();
        });
        QTest::mouseClick(RowButton(pane.get(), 0, QString::fromUtf8("\u270E")), Qt::LeftButton);
        QCOMPARE(FActions, QStringList{"t1|New|rename"});
        QTest::qWait(5);
        QCOMPARE(pane->RowNames(), std::vector<QString>{"Zulu"});

        FActions.clear();
        pane->Populate({{"t1", "Fact", "green"}});
        dlgseam::PushAnswer(No());
        QTest::mouseClick(RowButton(pane.get(), 0, QString::fromUtf8("\u2715")), Qt::LeftButton);
        QCOMPARE(FActions, QStringList{});
        dlgseam::PushAnswer([&](QDialog& ADialog) {
            pane->Populate({});
            QTest::qWait(5);
            static_cast<QMessageBox&>(ADialog).button(QMessageBox::Yes)->click();
        });
        QTest::mouseClick(RowButton(pane.get(), 0, QString::fromUtf8("\u2715")), Qt::LeftButton);
        QCOMPARE(dlgseam::Shown().last(),
                 QString("Remove Embedded Tag|Remove the embedded tag from this passage?\r\nThe "
                         "highlighted text will be kept; only the tag marker is removed."));
        QCOMPARE(FActions, QStringList{"t1|green|remove"});
        QTest::qWait(5);
        QCOMPARE(pane->RowCount(), 0);
    }
};

QTEST_MAIN(TestEmbeddedTagPane)
#include "test_embeddedtagpane.moc"

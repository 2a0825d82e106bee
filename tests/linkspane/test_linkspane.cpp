#include "../dmdialogs/testsupport.h"
#include "linkspane.h"

class TestLinksPane : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FNote = 0;
    QList<QUrl> FOpened;

    TLinksPane* NewPane()
    {
        auto* pane = new TLinksPane;
        pane->resize(220, 200);
        pane->show();
        return pane;
    }

    static TClickLabel* Text(TLinksPane* APane, int ARow)
    {
        return APane->ScrollBox()->Rows().at(ARow)->findChild<TClickLabel*>();
    }

private Q_SLOTS:
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        FNote = AppDB->CreateNote(AppDB->CreateNotebook("nb", 0), "n");
        FOpened.clear();
        dlgseam::SetOpenUrlHook([this](const QUrl& AUrl) {
            FOpened << AUrl;
            return true;
        });
    }
    void cleanup()
    {
        dlgseam::SetOpenUrlHook({});
        delete FStore;
        VerifyAllDialogsAnswered();
    }

    void rowsAndHeader()
    {
        AppDB->AddLink(FNote, "https://a.example/1", "<b>Judgment</b>");
        AppDB->AddLink(FNote, "b.example/2", "");
        AppDB->AddLink(FNote, "https://c.example/3", "Third");
        std::unique_ptr<TLinksPane> pane(NewPane());
        QVERIFY(!pane->AddButton()->isEnabled());
        pane->LoadForNote(FNote);
        QVERIFY(pane->AddButton()->isEnabled());
        QCOMPARE(pane->HeaderLabel()->text(), QString(" Links (3)"));
        QCOMPARE(Text(pane.get(), 0)->text(), QString(" <b>Judgment</b>"));
        QCOMPARE(Text(pane.get(), 0)->textFormat(), Qt::PlainText);
        QCOMPARE(Text(pane.get(), 1)->text(), QString(" b.example/2"));
        QVERIFY(Text(pane.get(), 1)->toolTip().contains("b.example/2"));
        for (int i = 0; i < 3; ++i) {
            dlgseam::PushAnswer(Yes());
            QTest::mouseClick(pane->ScrollBox()->Rows().at(0)->findChild<QPushButton*>(),
                              Qt::LeftButton);
            QTest::qWait(5);
        }
        QCOMPARE(pane->HeaderLabel()->text(), QString(" Links"));
        QCOMPARE(AppDB->GetLinks(FNote).size(), size_t(0));
        pane->LoadForNote(0);
        QCOMPARE(pane->RowCount(), 0);
        QVERIFY(!pane->AddButton()->isEnabled());
    }

    void removeNoKeepsLink()
    {
        AppDB->AddLink(FNote, "https://a.example/1", "");
        std::unique_ptr<TLinksPane> pane(NewPane());
        pane->LoadForNote(FNote);
        dlgseam::PushAnswer(No());
        QTest::mouseClick(pane->ScrollBox()->Rows().at(0)->findChild<QPushButton*>(),
                          Qt::LeftButton);
        QCOMPARE(dlgseam::Shown().last(), QString("Remove Link|Remove this link from the note?"));
        QCOMPARE(AppDB->GetLinks(FNote).size(), size_t(1));
    }

    void addStoresAsTyped()
    {
        std::unique_ptr<TLinksPane> pane(NewPane());
        pane->LoadForNote(FNote);
        dlgseam::PushAnswer([](QDialog& ADialog) {
            auto edits = ADialog.findChildren<QLineEdit*>();
            edits[0]->setText("www.bailii.org/case");
            ADialog.accept();
        });
        QTest::mouseClick(pane->AddButton(), Qt::LeftButton);
        QCOMPARE(AppDB->GetLinks(FNote).at(0).Url, QString("www.bailii.org/case"));
        QCOMPARE(pane->RowCount(), 1);
        QTest::mouseClick(Text(pane.get(), 0), Qt::LeftButton);
        QCOMPARE(FOpened, QList<QUrl>{QUrl("https://www.bailii.org/case")});
    }

    void openableLinkUrl_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("opened");
        QTest::newRow("https") << "https://x.example/a?b=1"
                               << "https://x.example/a?b=1";
        QTest::newRow("no scheme") << " x.example/a "
                                   << "https://x.example/a";
        QTest::newRow("host and port") << "x.example:8080/a"
                                       << "https://x.example:8080/a";
        QTest::newRow("mailto") << "mailto:clerk@x.example"
                                << "mailto:clerk@x.example";
        QTest::newRow("file") << "file:///etc/passwd"
                              << "";
        QTest::newRow("local path") << "/home/user/doc.pdf"
                                    << "";
        QTest::newRow("drive path") << "C:\\cases\\a.docx"
                                    << "";
        QTest::newRow("script") << "javascript:alert(1)"
                                << "";
        QTest::newRow("empty") << "   "
                               << "";
    }
    void openableLinkUrl()
    {
        QFETCH(QString, stored);
        QFETCH(QString, opened);
        QCOMPARE(OpenableLinkUrl(stored).toString(), opened);
    }

    void unopenableAddressIsReported()
    {
        AppDB->AddLink(FNote, "file:///etc/passwd", "");
        std::unique_ptr<TLinksPane> pane(NewPane());
        pane->LoadForNote(FNote);
        dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        QTest::mouseClick(Text(pane.get(), 0), Qt::LeftButton);
        QVERIFY(FOpened.isEmpty());
        QVERIFY(dlgseam::Shown().last().contains("file:///etc/passwd"));
    }
};

QTEST_MAIN(TestLinksPane)
#include "test_linkspane.moc"

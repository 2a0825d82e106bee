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
        // Read as an address bar reads them: what the grammar does not allow is encoded.
        QTest::newRow("quotes in the query") << "https://www.example.com/case?id=1&x=\"q\""
                                             << "https://www.example.com/case?id=1&x=%22q%22";
        QTest::newRow("blank in the path") << "https://www.example.com/a b"
                                           << "https://www.example.com/a%20b";
        QTest::newRow("mailto with subject") << "mailto:a@b.c?subject=hi there"
                                             << "mailto:a@b.c?subject=hi%20there";
        QTest::newRow("localhost and port") << "localhost:8080/x"
                                            << "https://localhost:8080/x";
        QTest::newRow("scheme with digits") << "tel:123"
                                            << "";
        // A host does not make another scheme openable.
        QTest::newRow("file with a host") << "file://server/share/x"
                                          << "";
        QTest::newRow("smb with a host") << "smb://host/share"
                                         << "";
        QTest::newRow("ftp with a host") << "ftp://x.example/a"
                                         << "";
    }
    void openableLinkUrl()
    {
        QFETCH(QString, stored);
        QFETCH(QString, opened);
        QCOMPARE(QString::fromLatin1(OpenableLinkUrl(stored).toEncoded()), opened);
    }

    // A refused address and a browser that could not be started are told apart.
    void openFailuresAreReported_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("browserStarts");
        QTest::addColumn<QString>("message");
        QTest::newRow("refused") << "file:///etc/passwd" << true
                                 << "This link cannot be opened in the browser:\n"
                                    "file:///etc/passwd\n\nOnly web (http, https) and mail "
                                    "(mailto) addresses are opened.";
        QTest::newRow("no browser") << "https://www.example.com/a b" << false
                                    << "The system's browser or mail program could not "
                                       "be started for this link:\nhttps://www.example.com/a b";
        QTest::newRow("opened") << "https://www.example.com/a b" << true << "";
    }
    void openFailuresAreReported()
    {
        QFETCH(QString, stored);
        QFETCH(bool, browserStarts);
        QFETCH(QString, message);
        dlgseam::SetOpenUrlHook([&](const QUrl& AUrl) {
            FOpened << AUrl;
            return browserStarts;
        });
        AppDB->AddLink(FNote, stored, "");
        std::unique_ptr<TLinksPane> pane(NewPane());
        pane->LoadForNote(FNote);
        if (!message.isEmpty())
            dlgseam::PushAnswer(dlgseam::PressButton(QMessageBox::Ok));
        QTest::mouseClick(Text(pane.get(), 0), Qt::LeftButton);
        QStringList texts;
        for (const QString& shown : dlgseam::Shown())
            texts << shown.section(u'|', 1);
        QCOMPARE(texts, message.isEmpty() ? QStringList() : QStringList{message});
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

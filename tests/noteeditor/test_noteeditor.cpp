// The editor without a page: the page's messages are handed to the editor as the browser would
// deliver them, and what the editor posts is recorded.
#include "../dmdialogs/testsupport.h"
#include "attachmentpane.h"
#include "clock.h"
#include "noteeditor.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <memory>

class TNoteEditorTestAccess
{
public:
    explicit TNoteEditorTestAccess(TNoteEditor* AEditor) : FEditor(AEditor)
    {
        FEditor->FPostHook = [this](const QString& AJson) { Sent << AJson; };
        FEditor->FStartHook = [this] { ++Starts; };
    }
    void Page(const QString& AJson) { FEditor->HandleJSMessage(AJson); }
    void Page(const QJsonObject& AMsg)
    {
        Page(QString::fromUtf8(QJsonDocument(AMsg).toJson(QJsonDocument::Compact)));
    }
    void Ready() { Page(QStringLiteral("{\"type\":\"ready\"}")); }
    // The page's process ended (the browser's ProcessFailed).
    void ProcessGone() { FEditor->PageProcessFailed(); }
    QJsonObject LastSent() const
    {
        return Sent.isEmpty() ? QJsonObject()
                              : QJsonDocument::fromJson(Sent.last().toUtf8()).object();
    }
    QString LastSeq() const { return LastSent().value("seq").toString(); }
    QStringList Sent;
    // How often the page was started again.
    int Starts = 0;

private:
    TNoteEditor* FEditor;
};

namespace {

QJsonObject Changed(const QString& AHtml, const QString& ASeq)
{
    QJsonObject o{{"type", "contentChanged"}, {"html", AHtml}};
    if (!ASeq.isNull())
        o.insert("seq", ASeq);
    return o;
}

} // namespace

class TestNoteEditor : public QObject
{
    Q_OBJECT

    TTestStore* FStore = nullptr;
    int64_t FBook = 0;
    std::unique_ptr<TNoteEditor> FEditor;
    std::unique_ptr<TNoteEditorTestAccess> FPage;
    QStringList FEvents;

    int64_t Note(const QString& ATitle, const QString& ABody, const QString& ASummary = QString())
    {
        const int64_t id = AppDB->CreateNote(FBook, ATitle);
        AppDB->SaveNote(id, ATitle, ASummary, ABody);
        return id;
    }

private Q_SLOTS:
    void initTestCase() { QGuiApplication::setApplicationDisplayName("Quorvel"); }
    void init()
    {
        StartScriptedDialogs();
        SetScreenPPI(96);
        FStore = new TTestStore;
        FBook = AppDB->CreateNotebook("nb", 0);
        FEditor = std::make_unique<TNoteEditor>();
        FEditor->resize(700, 600);
        FEditor->show();
        FPage = std::make_unique<TNoteEditorTestAccess>(FEditor.get());
        FEvents.clear();
        FEditor->OnNoteSaved = [this](QObject*, int64_t AId) {
            FEvents << "saved " + QString::number(AId);
        };
        FEditor->OnAnnotationsOrphaned = [this](QObject*, int64_t AId) {
            FEvents << "orphaned " + QString::number(AId);
        };
    }
    void cleanup()
    {
        FPage.reset();
        FEditor.reset();
        delete FStore;
        QVERIFY2(dlgseam::Unanswered().isEmpty(), qPrintable(dlgseam::Unanswered().join(", ")));
    }

    void escaping_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("quote backslash") << QByteArray("a\"b\\c") << QByteArray("a\\\"b\\\\c");
        QTest::newRow("named controls")
            << QByteArray("\b\t\n\f\r") << QByteArray("\\b\\t\\n\\f\\r");
        QTest::newRow("other controls")
            << QByteArray("\x01\x1f\x0b", 3) << QByteArray("\\u0001\\u001F\\u000B");
        QTest::newRow("nul") << QByteArray("a\0b", 3) << QByteArray("a\\u0000b");
        QTest::newRow("slash and del") << QByteArray("</p>\x7f") << QByteArray("</p>\x7f");
        QTest::newRow("utf-8") << QByteArray("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac")
                               << QByteArray("Gr\xc3\xbc\xc3\x9f \xe2\x82\xac");
    }
    void escaping()
    {
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, out);
        QCOMPARE(JSONEscapeStr(in), out);
        // Whatever the text, the message parses back to it.
        const QString text = QString::fromUtf8(in);
        const QJsonDocument doc = QJsonDocument::fromJson(
            QStringLiteral("{\"html\":\"%1\"}").arg(JSONEscapeStr(text)).toUtf8());
        QCOMPARE(doc.object().value("html").toString(), text);
    }

    void annotationSpanIds_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("two and a repeat")
            << "<span class=\"dm-annot\" id=\"ann_1\">a</span><b id=\"ann_x2\">b</b> id=\"ann_1\""
            << QStringList{"ann_1", "ann_x2", "ann_1"};
        QTest::newRow("other ids") << "<p id=\"tag_1\" data-id=\"ann_2\">" << QStringList{"ann_2"};
        QTest::newRow("single quotes") << "<span id='ann_3'>" << QStringList{};
        QTest::newRow("upper case") << "<span ID=\"ann_3\">" << QStringList{};
        QTest::newRow("unterminated") << "<span id=\"ann_4" << QStringList{};
        QTest::newRow("bare prefix") << "id=\"ann_\"x id=\"ann_5\"" << QStringList{"ann_", "ann_5"};
    }
    void annotationSpanIds()
    {
        QFETCH(QString, html);
        QFETCH(QStringList, ids);
        TStringArray list;
        ExtractAnnotSpanIds(html, list);
        QCOMPARE(QStringList(list.begin(), list.end()), ids);
    }

    void ignoredMessages_data()
    {
        QTest::addColumn<QString>("json");
        QTest::newRow("empty") << "";
        QTest::newRow("not json") << "{type:ready";
        QTest::newRow("array") << "[{\"type\":\"ready\"}]";
        QTest::newRow("string") << "\"ready\"";
        QTest::newRow("no type") << "{\"html\":\"x\"}";
        QTest::newRow("unknown") << "{\"type\":\"Ready\"}";
        QTest::newRow("loadAck") << "{\"type\":\"loadAck\",\"length\":3}";
    }
    void ignoredMessages()
    {
        QFETCH(QString, json);
        FEditor->LoadNote(Note("t", "<p>b</p>"));
        FPage->Page(json);
        QVERIFY(!FEditor->Ready());
        QVERIFY(!FEditor->Dirty());
        QVERIFY(FPage->Sent.isEmpty());
    }

    void readyShowsWaitingNote()
    {
        // Clear before the page is ready sends nothing; "ready" then asks for view mode.
        FEditor->Clear();
        QVERIFY(FPage->Sent.isEmpty());
        FPage->Ready();
        QCOMPARE(FPage->Sent, QStringList{"{\"type\":\"setViewMode\",\"readOnly\":true}"});

        auto other = std::make_unique<TNoteEditor>();
        TNoteEditorTestAccess page(other.get());
        const QString body = "<p>\"q\" \\ \t\x01 \u00e9</p>";
        const int64_t id = Note("Title", body);
        AppDB->AddTagToNote(id, "evidence");
        other->LoadNote(id);
        QVERIFY(page.Sent.isEmpty());
        QCOMPARE(other->TagStrip()->Chips().size(), 0);
        page.Ready();
        QCOMPARE(page.Sent.size(), 1);
        QCOMPARE(page.LastSent().value("type").toString(), QString("load"));
        QCOMPARE(page.LastSent().value("html").toString(), body);
        QVERIFY(page.Sent.first().startsWith("{\"type\":\"load\",\"html\":\""));
        QCOMPARE(other->TagStrip()->Chips().size(), 1);
        QCOMPARE(other->AttachPane()->NoteId(), id);
        // A second "ready" (the page loaded again) shows the open note again.
        page.Ready();
        QCOMPARE(page.Sent.size(), 2);
        QVERIFY(
            page.LastSeq() !=
            QJsonDocument::fromJson(page.Sent.first().toUtf8()).object().value("seq").toString());
    }

    void reportsAndAutosave()
    {
        const int64_t id = Note("  Padded title \t", "<p>old</p>", "  keep blanks  ");
        FPage->Ready();
        FEditor->LoadNote(id);
        const QString seq = FPage->LastSeq();
        QCOMPARE(FEditor->SaveStatus(), QString());
        FPage->Page(Changed("<p>new <span class=\"dm-annot\" id=\"ann_1\">x</span></p>", seq));
        QVERIFY(FEditor->Dirty());
        QCOMPARE(FEditor->SaveStatus(), QString("Unsaved"));
        QVERIFY(FEditor->SaveTimer()->isActive());
        QCOMPARE(FEditor->SaveTimer()->interval(), 2000);
        // A report without "html" marks the note changed and keeps the body.
        FPage->Page(QJsonObject{{"type", "contentChanged"}, {"seq", seq}});
        QVERIFY(FEditor->CurrentHTML().contains("ann_1"));
        QTRY_COMPARE_WITH_TIMEOUT(FEditor->SaveStatus(), QString("Saved"), 3000);
        const TNote stored = AppDB->GetNote(id);
        QCOMPARE(stored.Title, QString("Padded title"));
        QCOMPARE(stored.Summary, QString("  keep blanks  "));
        QVERIFY(stored.Body.contains("ann_1"));
        QCOMPARE(FEvents, QStringList{"saved " + QString::number(id)});

        // A save that lost two annotation spans deletes their records and says so once.
        AppDB->CreateAnnotation(id, "ann_1", "x", "one");
        AppDB->CreateAnnotation(id, "ann_2", "y", "two");
        AppDB->CreateAnnotation(id, "ann_3", "z", "three");
        FEvents.clear();
        FPage->Page(Changed("<p>ann_2 <span id=\"ann_1\">x</span></p>", seq));
        FEditor->SaveIfDirty();
        QCOMPARE(FEvents,
                 (QStringList{"saved " + QString::number(id), "orphaned " + QString::number(id)}));
        QCOMPARE(AppDB->GetAnnotationsByNote(id).size(), size_t(1));
        QVERIFY(!FEditor->SaveTimer()->isActive());
    }

    // A request for the page's pending edit returns at once; its continuation runs from the
    // event loop once the page has answered, however late, after the note was saved with what
    // the page reported. The editor stops waiting only when the page's process has gone or the
    // page has sent nothing for the answer time-out; a message from it meanwhile shows that it
    // still lives. The autosave waits meanwhile, and the status reads "Saving…".
    void pendingEditRequest_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<bool>("answered");
        QTest::newRow("answers") << "answers" << true;
        QTest::newRow("answers late") << "answers late" << true;
        QTest::newRow("talks, then answers") << "talks, then answers" << true;
        QTest::newRow("silent") << "silent" << false;
        QTest::newRow("process gone with typing") << "process gone" << false;
    }
    void pendingEditRequest()
    {
        QFETCH(QString, page);
        QFETCH(bool, answered);
        const int64_t id = Note("T", "<p>old</p>");
        FPage->Ready();
        FEditor->LoadNote(id);
        const QString seq = FPage->LastSeq();
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"seq", seq}});
        FPage->Page(Changed("<p>reported</p>", seq));
        FEditor->SaveTimer()->setInterval(20);
        if (page == "silent" || page == "talks, then answers")
            FEditor->SetPageAnswerTimeout(600);
        QStringList steps;
        FEditor->RequestPendingEdit([&](bool AAnswered) {
            steps << "then " + AppDB->GetNote(id).Body + (AAnswered ? "" : " unanswered");
        });
        QCOMPARE(FPage->LastSent().value("type").toString(), QString("flush"));
        const QString token = FPage->LastSent().value("token").toString();
        QVERIFY(FEditor->AwaitingPage());
        QCOMPARE(FEditor->SaveStatus(), QString::fromUtf8("Saving\u2026"));
        const QString expected =
            answered ? "then <p>pending</p>" : "then <p>reported</p> unanswered";
        auto answer = [&] {
            FPage->Page(Changed("<p>pending</p>", seq));
            FPage->Page(QJsonObject{{"type", "flushAck"}, {"token", token}});
        };
        if (page == "answers") {
            QTest::qWait(150);
            QVERIFY(steps.isEmpty());
            QCOMPARE(AppDB->GetNote(id).Body, QString("<p>old</p>"));
            answer();
            QVERIFY(!FEditor->AwaitingPage());
            QVERIFY(steps.isEmpty());
        } else if (page == "answers late") {
            QTest::qWait(2500);
            QVERIFY(steps.isEmpty());
            QVERIFY(FEditor->AwaitingPage());
            answer();
        } else if (page == "talks, then answers") {
            for (int i = 0; i < 3; ++i) {
                QTest::qWait(400);
                FPage->Page(QJsonObject{{"type", "tagsUpdated"}, {"tags", QJsonArray()}});
            }
            QVERIFY(steps.isEmpty());
            answer();
        } else if (page == "process gone") {
            QTest::qWait(150);
            FPage->Page(QJsonObject{{"type", "editState"}, {"pending", true}, {"seq", seq}});
            FPage->ProcessGone();
        }
        QTRY_COMPARE_WITH_TIMEOUT(steps, QStringList{expected}, 2000);
        QVERIFY(!FEditor->AwaitingPage());
        QCOMPARE(FEvents, QStringList{"saved " + QString::number(id)});
        if (page == "process gone") {
            // What follows is the page started again (pageProcessEnds).
            QCOMPARE(FEditor->SaveStatus(), QString("Not saved"));
            return;
        }
        QCOMPARE(FEditor->SaveStatus(), QString("Saved"));
        auto next = [&] {
            steps.clear();
            FEditor->RequestPendingEdit(
                [&](bool AAnswered) { steps << (AAnswered ? "answered" : "unanswered"); });
        };
        if (!answered) {
            // Until the page is heard from again the next request is not waited for.
            next();
            QVERIFY(steps.isEmpty());
            QTRY_COMPARE_WITH_TIMEOUT(steps, QStringList{"unanswered"}, 100);
        }
        // A late answer ends nothing further, and shows that the page lives.
        FPage->Page(QJsonObject{{"type", "flushAck"}, {"token", token}});
        QTest::qWait(50);
        QCOMPARE(steps.size(), 1);
        next();
        QTest::qWait(100);
        QVERIFY(steps.isEmpty());
        FPage->Page(QJsonObject{{"type", "flushAck"}, {"token", FPage->LastSent().value("token")}});
        QTRY_COMPARE_WITH_TIMEOUT(steps, QStringList{"answered"}, 100);
    }

    // The page's process ends: what it reported is saved, the status stops saying "Saved", the
    // editor says which note's change the page had announced and not reported (that went with
    // it), and a new page is started. Meanwhile requests, loads and input wait for it; once it
    // is ready it shows the open note where the page last said the user was.
    void pageProcessEnds_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("lost");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("place"); // scroll, block and caret of the new page's load
        QTest::newRow("all reported") << "reported"
                                      << ""
                                      << "Restarting\u2026"
                                      << "";
        QTest::newRow("change announced") << "announced"
                                          << "A"
                                          << "Not saved"
                                          << "120 2 7";
        QTest::newRow("change announced, then reported") << "announced, reported"
                                                         << ""
                                                         << "Restarting\u2026"
                                                         << "300 0 12";
        QTest::newRow("change announced, another note shown") << "announced, B shown"
                                                              << "A"
                                                              << "Not saved"
                                                              << "";
    }
    void pageProcessEnds()
    {
        QFETCH(QString, before);
        QFETCH(QString, lost);
        QFETCH(QString, status);
        QFETCH(QString, place);
        const int64_t a = Note("A", "<p>a</p>");
        const int64_t b = Note("B", "<p>b</p>");
        FPage->Ready();
        FEditor->LoadNote(a);
        const QString seqA = FPage->LastSeq();
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"seq", seqA}});
        FPage->Page(Changed("<p>a reported</p>", seqA));
        FEditor->SaveIfDirty();
        QCOMPARE(FEditor->SaveStatus(), QString("Saved"));
        if (before != "reported")
            FPage->Page(QJsonObject{{"type", "editState"},
                                    {"pending", true},
                                    {"seq", seqA},
                                    {"scroll", 120},
                                    {"block", 2},
                                    {"caret", 7}});
        if (before == "announced, reported") {
            FPage->Page(Changed("<p>a reported again</p>", seqA));
            FPage->Page(QJsonObject{{"type", "editState"},
                                    {"pending", false},
                                    {"seq", seqA},
                                    {"scroll", 300},
                                    {"block", 0},
                                    {"caret", 12}});
        }
        if (before == "announced, B shown")
            FEditor->LoadNote(b);
        FEditor->TitleEdit()->setText(FEditor->TitleEdit()->text() + " retitled");
        QVERIFY(FEditor->Dirty());
        QStringList failed;
        FEditor->OnPageFailed = [&](QObject*, int64_t ANote) {
            failed << (ANote == a ? "A" : ANote == b ? "B" : ANote == 0 ? "" : "?");
        };
        FPage->ProcessGone();
        QCOMPARE(failed, QStringList{lost});
        QCOMPARE(FEditor->SaveStatus(), status);
        QVERIFY(!FEditor->Dirty());
        const int64_t shown = before == "announced, B shown" ? b : a;
        QCOMPARE(AppDB->GetNote(shown).Title, QString(shown == a ? "A retitled" : "B retitled"));
        QCOMPARE(AppDB->GetNote(a).Body,
                 QString(before == "announced, reported" ? "<p>a reported again</p>"
                                                         : "<p>a reported</p>"));
        QCOMPARE(FPage->Starts, 1);
        QVERIFY(FEditor->Restarting());
        QVERIFY(!FEditor->Ready());
        QVERIFY(!FEditor->PageUnresponsive());
        QVERIFY(FEditor->AwaitingLoad());

        // A request waits for the new page, which has nothing unreported once it is ready.
        QStringList steps;
        FEditor->RequestPendingEdit([&](bool AAnswered) { steps << (AAnswered ? "yes" : "no"); });
        QTest::qWait(50);
        QVERIFY(steps.isEmpty());
        QVERIFY(FEditor->AwaitingPage());
        FPage->Sent.clear();
        FPage->Ready();
        QVERIFY(!FEditor->Restarting());
        QTRY_COMPARE(steps, QStringList{"yes"});
        const QJsonObject load = FPage->LastSent();
        QCOMPARE(load.value("type").toString(), QString("load"));
        QCOMPARE(load.value("html").toString(), AppDB->GetNote(shown).Body);
        QVERIFY(FEditor->AwaitingLoad());
        // Where the user was in the note that was shown.
        if (place.isEmpty()) {
            QVERIFY(!load.contains("scroll"));
            QVERIFY(!load.contains("caret"));
            QVERIFY(!load.contains("block"));
        } else {
            QCOMPARE(QStringList({load.value("scroll").toString(), load.value("block").toString(),
                                  load.value("caret").toString()})
                         .join(' '),
                     place);
        }
        QVERIFY(!load.contains("focus"));
        QCOMPARE(FEditor->SaveStatus(), lost.isEmpty() ? QString("Saved") : QString("Not saved"));
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"seq", load.value("seq")}});
        QVERIFY(!FEditor->AwaitingLoad());

        // Typing in the new page is saved into the note as before.
        FPage->Page(Changed("<p>typed again</p>", load.value("seq").toString()));
        FEditor->SaveIfDirty();
        QCOMPARE(AppDB->GetNote(shown).Body, QString("<p>typed again</p>"));
        QCOMPARE(FEditor->SaveStatus(), QString("Saved"));
    }

    // A page started again that is not ready within the answer time-out is not waited for any
    // more; once it is, it still shows the note where the user was.
    void pageStartedAgainLateStillShowsTheNote()
    {
        const int64_t a = Note("A", "<p>a</p>");
        FPage->Ready();
        FEditor->LoadNote(a);
        const QString seq = FPage->LastSeq();
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"seq", seq}});
        FPage->Page(QJsonObject{{"type", "editState"},
                                {"pending", false},
                                {"seq", seq},
                                {"scroll", 40},
                                {"block", 1},
                                {"caret", 3}});
        FEditor->SetPageAnswerTimeout(300);
        FPage->ProcessGone();
        QVERIFY(FEditor->AwaitingLoad());
        QTRY_VERIFY_WITH_TIMEOUT(!FEditor->AwaitingLoad(), 1000);
        QVERIFY(!FEditor->Restarting());
        QVERIFY(FEditor->PageUnresponsive());
        QCOMPARE(FEditor->SaveStatus(), QString::fromUtf8("Restarting\u2026"));
        FPage->Sent.clear();
        FPage->Ready();
        QCOMPARE(FPage->LastSent().value("type").toString(), QString("load"));
        QCOMPARE(FPage->LastSent().value("scroll").toString(), QString("40"));
        QCOMPARE(FPage->LastSent().value("block").toString(), QString("1"));
        QCOMPARE(FPage->LastSent().value("caret").toString(), QString("3"));
        QCOMPARE(FEditor->SaveStatus(), QString());
        QVERIFY(!FEditor->PageUnresponsive());
    }

    // A page that ends before it is up is not started over and over; nothing waits for it.
    void pageEndingBeforeItIsUpIsNotStartedAgain()
    {
        const int64_t a = Note("A", "<p>a</p>");
        FPage->Ready();
        FEditor->LoadNote(a);
        FPage->ProcessGone();
        QCOMPARE(FPage->Starts, 1);
        QVERIFY(FEditor->Restarting());
        int failed = 0;
        FEditor->OnPageFailed = [&](QObject*, int64_t ANote) {
            QCOMPARE(ANote, int64_t(0));
            ++failed;
        };
        FPage->ProcessGone();
        QCOMPARE(failed, 1);
        QCOMPARE(FPage->Starts, 1);
        QVERIFY(!FEditor->Restarting());
        QVERIFY(!FEditor->AwaitingLoad());
        QVERIFY(FEditor->PageUnresponsive());
        bool answered = false;
        FEditor->RequestPendingEdit([&](bool AAnswered) { answered = AAnswered; });
        QVERIFY(answered);
        QVERIFY(!FEditor->AwaitingPage());
    }

    // Once the page has stayed silent, a request for its pending edit is not waited for, yet
    // the save of what the editor has happens from the event loop, never inside the call.
    void requestOnASilentPageSavesLater()
    {
        const int64_t id = Note("T", "<p>old</p>");
        FPage->Ready();
        FEditor->LoadNote(id);
        const QString seq = FPage->LastSeq();
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"seq", seq}});
        FEditor->SetPageAnswerTimeout(300);
        bool first = false;
        FEditor->RequestPendingEdit([&](bool) { first = true; });
        QTRY_VERIFY_WITH_TIMEOUT(first, 2000);
        QVERIFY(FEditor->PageUnresponsive());
        FEditor->TitleEdit()->setText("Typed title");
        QVERIFY(FEditor->Dirty());
        FEvents.clear();
        QStringList steps;
        FEditor->RequestPendingEdit([&](bool AAnswered) {
            steps << AppDB->GetNote(id).Title + (AAnswered ? "" : " unanswered");
        });
        QVERIFY(steps.isEmpty());
        QVERIFY(FEvents.isEmpty());
        QCOMPARE(AppDB->GetNote(id).Title, QString("T"));
        QVERIFY(FEditor->Dirty());
        QTRY_COMPARE_WITH_TIMEOUT(steps, QStringList{"Typed title unanswered"}, 500);
        QCOMPARE(FEvents, QStringList{"saved " + QString::number(id)});
    }

    // From a "load" until the page confirms that load, input to the page would reach what it
    // showed before; the editor says so, and says when the page shows the latest load.
    void loadAwaitsItsAck()
    {
        const int64_t a = Note("A", "<p>a</p>");
        const int64_t b = Note("B", "<p>b</p>");
        int shown = 0;
        FEditor->OnLoadShown = [&](QObject*) { ++shown; };
        FEditor->LoadNote(a);
        QVERIFY(!FEditor->AwaitingLoad()); // nothing sent before the page is ready
        FPage->Ready();
        QVERIFY(FEditor->AwaitingLoad());
        const QString seqA = FPage->LastSeq();
        FEditor->LoadNote(b);
        const QString seqB = FPage->LastSeq();
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"length", 8}, {"seq", seqA}});
        QVERIFY(FEditor->AwaitingLoad());
        QTest::qWait(20);
        QCOMPARE(shown, 0);
        FPage->Page(QJsonObject{{"type", "loadAck"}, {"length", 8}, {"seq", seqB}});
        QVERIFY(!FEditor->AwaitingLoad());
        QTRY_COMPARE(shown, 1);
        // Emptied, and the page never answers: the editor stops waiting after the time-out.
        FEditor->SetPageAnswerTimeout(300);
        FEditor->Clear();
        QVERIFY(FEditor->AwaitingLoad());
        QTRY_VERIFY_WITH_TIMEOUT(!FEditor->AwaitingLoad(), 1000);
        QTRY_COMPARE(shown, 2);
        QVERIFY(FEditor->PageUnresponsive());
        // Until the page is heard from again, its loads are not waited for.
        FEditor->LoadNote(a);
        QVERIFY(!FEditor->AwaitingLoad());
        QTRY_COMPARE(shown, 3);
        // The page loaded again: it shows the open note anew, and that load is awaited.
        FPage->Ready();
        QVERIFY(!FEditor->PageUnresponsive());
        QCOMPARE(FPage->LastSent().value("type").toString(), QString("load"));
        QVERIFY(FEditor->AwaitingLoad());
    }

    void switchingSavesFirst()
    {
        const int64_t a = Note("A", "<p>a</p>");
        const int64_t b = Note("B", "<p>b</p>");
        FPage->Ready();
        FEditor->LoadNote(a);
        FEditor->TitleEdit()->setText("A renamed");
        QVERIFY(FEditor->Dirty());
        FEditor->LoadNote(b);
        QCOMPARE(AppDB->GetNote(a).Title, QString("A renamed"));
        QCOMPARE(FEditor->TitleEdit()->text(), QString("B"));
        QVERIFY(!FEditor->Dirty());
        QCOMPARE(FEditor->SaveStatus(), QString());
    }

    void lateReportsGoToTheirNote()
    {
        const int64_t a = Note("A", "<p>a</p>");
        const int64_t b = Note("B", "<p>b</p>");
        AppDB->CreateAnnotation(a, "ann_gone", "s", "body");
        FPage->Ready();
        FEditor->LoadNote(a);
        const QString seqA = FPage->LastSeq();
        FEditor->LoadNote(b);
        const QString seqB = FPage->LastSeq();
        QVERIFY(seqA != seqB);
        FEvents.clear();
        // The page reported A's last typing after B was shown.
        FPage->Page(Changed("<p>a typed late</p>", seqA));
        QCOMPARE(AppDB->GetNote(a).Body, QString("<p>a typed late</p>"));
        QCOMPARE(AppDB->GetNote(a).Title, QString("A"));
        QVERIFY(AppDB->GetAnnotationsByNote(a).empty());
        QCOMPARE(FEvents, QStringList{"saved " + QString::number(a)});
        QVERIFY(!FEditor->Dirty());
        QCOMPARE(FEditor->CurrentHTML(), QString("<p>b</p>"));
        QCOMPARE(AppDB->GetNote(b).Body, QString("<p>b</p>"));

        // After the note was closed, too; a report of no known load is dropped.
        FEditor->Clear();
        FPage->Page(Changed("<p>b late</p>", seqB));
        QCOMPARE(AppDB->GetNote(b).Body, QString("<p>b late</p>"));
        FPage->Page(Changed("<p>stray</p>", "99"));
        FPage->Page(Changed("<p>stray</p>", "x"));
        QCOMPARE(AppDB->GetNote(a).Body, QString("<p>a typed late</p>"));
        QCOMPARE(AppDB->GetNote(b).Body, QString("<p>b late</p>"));
        QVERIFY(!FEditor->Dirty());

        // A late annotation is stored for the note it was made in, not the open one.
        FEditor->LoadNote(b);
        bool raised = false;
        FEditor->OnAnnotationCreated = [&](QObject*, const QString&, const QString&,
                                           const QString&) { raised = true; };
        FPage->Page(QJsonObject{{"type", "annotationCreated"},
                                {"spanId", "ann_9"},
                                {"snippet", "s"},
                                {"body", "late"},
                                {"seq", seqA}});
        QVERIFY(!raised);
        QCOMPARE(AppDB->GetAnnotationsByNote(a).size(), size_t(1));
        QVERIFY(AppDB->GetAnnotationsByNote(b).empty());
        FPage->Page(QJsonObject{
            {"type", "annotationCreated"}, {"spanId", "ann_8"}, {"seq", FPage->LastSeq()}});
        QVERIFY(raised);
    }

    // An annotation undone and redone before a save comes back to the host as a second
    // "annotationCreated" for a span that still has its record: the record stays the only one,
    // with the body the user gave it, for the open note and for a note no longer shown.
    void annotationRedoneKeepsItsOneRecord()
    {
        const int64_t a = Note("A", "<p>a</p>");
        const int64_t b = Note("B", "<p>b</p>");
        FPage->Ready();
        int raised = 0;
        FEditor->OnAnnotationCreated = [&](QObject*, const QString& ASpanId,
                                           const QString& ASnippet, const QString& ABody) {
            ++raised;
            AppDB->CreateAnnotation(FEditor->NoteId(), ASpanId, ASnippet, ABody);
        };
        FEditor->LoadNote(a);
        const QString seqA = FPage->LastSeq();
        auto created = [](const char* ASpan, const QString& ASeq) {
            return QJsonObject{{"type", "annotationCreated"},
                               {"spanId", ASpan},
                               {"snippet", "quick"},
                               {"body", ""},
                               {"seq", ASeq}};
        };
        FPage->Page(created("ann_1", seqA));
        QCOMPARE(raised, 1);
        const TAnnotationArray first = AppDB->GetAnnotationsByNote(a);
        QCOMPARE(first.size(), size_t(1));
        AppDB->UpdateAnnotation(first[0].Id, "said by the user");
        FPage->Page(created("ann_1", seqA));
        QCOMPARE(raised, 1);
        // A span of another id is a new annotation.
        FPage->Page(created("ann_2", seqA));
        QCOMPARE(raised, 2);

        // The same for a note that is no longer shown.
        FEditor->LoadNote(b);
        FPage->Page(created("ann_1", seqA));
        const TAnnotationArray after = AppDB->GetAnnotationsByNote(a);
        QCOMPARE(after.size(), size_t(2));
        QCOMPARE(after[0].SpanId, QString("ann_1"));
        QCOMPARE(after[0].Body, QString("said by the user"));
        QCOMPARE(after[1].SpanId, QString("ann_2"));
        QVERIFY(AppDB->GetAnnotationsByNote(b).empty());
    }

    // A save deletes the records of annotation spans that left the body; while the note stays
    // shown, a report that brings a span back (an undo) stores its record again as it was, and
    // the page's "annotationCreated" for that span adds nothing. Once another note is shown the
    // deleted records are gone.
    void annotationBroughtBackByUndoGetsItsRecord()
    {
        const QString span = "<span class=\"dm-annot\" id=\"ann_1\">said today</span>";
        const int64_t a = Note("A", "<p>he " + span + "</p>");
        const int64_t b = Note("B", "<p>b</p>");
        // The records are a day older than the undo, which keeps their stamps.
        const QDateTime made(QDate(2024, 3, 1), QTime(9, 30));
        SetClock([made] { return made; });
        auto clock = qScopeGuard([] { SetClock({}); });
        AppDB->CreateAnnotation(a, "ann_1", "said today", "the user's words");
        const int64_t madeAt = AppDB->GetAnnotationsByNote(a).front().CreatedAt;
        QVERIFY(madeAt != 0);
        AppDB->CreateAnnotation(a, "ann_2", "kept", "stays");
        SetClock([made] { return made.addDays(1); });
        FPage->Ready();
        QStringList created;
        FEditor->OnAnnotationCreated = [&](QObject*, const QString& ASpanId, const QString&,
                                           const QString&) { created << ASpanId; };
        FEditor->OnAnnotationsRestored = [this](QObject*, int64_t AId) {
            FEvents << "restored " + QString::number(AId);
        };
        auto records = [](int64_t ANote) {
            QStringList out;
            for (const TAnnotation& r : AppDB->GetAnnotationsByNote(ANote))
                out << r.SpanId + "|" + r.Snippet + "|" + r.Body;
            std::sort(out.begin(), out.end());
            return out;
        };
        FEditor->LoadNote(a);
        const QString seqA = FPage->LastSeq();
        const QString kept = "<p>x <span id=\"ann_2\">kept</span></p>";
        auto cutAndSave = [&] {
            FPage->Page(Changed("<p>he </p>" + kept, seqA));
            FEditor->SaveIfDirty();
            QCOMPARE(records(a), QStringList{"ann_2|kept|stays"});
        };
        cutAndSave();
        FEvents.clear();
        // The undo: the page says the span was made, then reports the body with it.
        FPage->Page(QJsonObject{{"type", "annotationCreated"},
                                {"spanId", "ann_1"},
                                {"snippet", "said"},
                                {"body", ""},
                                {"seq", seqA}});
        QVERIFY(created.isEmpty());
        QCOMPARE(records(a), QStringList{"ann_2|kept|stays"});
        FPage->Page(Changed("<p>he " + span + "</p>" + kept, seqA));
        QCOMPARE(records(a),
                 (QStringList{"ann_1|said today|the user's words", "ann_2|kept|stays"}));
        QCOMPARE(FEvents, QStringList{"restored " + QString::number(a)});
        for (const TAnnotation& r : AppDB->GetAnnotationsByNote(a))
            QCOMPARE(r.CreatedAt, madeAt);
        FEditor->SaveIfDirty();
        QCOMPARE(records(a).size(), 2);
        // Again: removed, saved, and back.
        cutAndSave();
        FPage->Page(Changed("<p>he " + span + "</p>" + kept, seqA));
        QCOMPARE(records(a).size(), 2);

        // Removed and saved once more; then another note is shown, and the span coming back (a
        // late report, or the same note shown again) brings no record.
        cutAndSave();
        FEditor->LoadNote(b);
        FPage->Page(Changed("<p>he " + span + "</p>" + kept, seqA));
        QCOMPARE(records(a), QStringList{"ann_2|kept|stays"});
        FEditor->LoadNote(a);
        FPage->Page(Changed("<p>he " + span + "</p>" + kept, FPage->LastSeq()));
        FEditor->SaveIfDirty();
        QCOMPARE(records(a), QStringList{"ann_2|kept|stays"});
        // A new annotation of that id is made as any other.
        FPage->Page(QJsonObject{{"type", "annotationCreated"},
                                {"spanId", "ann_1"},
                                {"snippet", "said"},
                                {"body", "new"},
                                {"seq", FPage->LastSeq()}});
        QCOMPARE(created, QStringList{"ann_1"});
    }

    void tagReports_data()
    {
        QTest::addColumn<QString>("tags");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("missing") << "" << QStringList{};
        QTest::newRow("number") << ",\"tags\":3" << QStringList{};
        QTest::newRow("string element") << ",\"tags\":[\"x\"]" << QStringList{"||yellow"};
        QTest::newRow("objects")
            << ",\"tags\":[{\"id\":\"h1\",\"tag\":\"Delay\",\"colour\":\"teal\"},{\"tag\":\"T\"}]"
            << QStringList{"h1|Delay|teal", "|T|yellow"};
    }
    void tagReports()
    {
        QFETCH(QString, tags);
        QFETCH(QStringList, expected);
        QStringList got;
        bool raised = false;
        FEditor->OnTagsUpdated = [&](QObject*, const TEditorTagArray& ATags) {
            raised = true;
            for (const TEditorTag& t : ATags)
                got << t.Id + "|" + t.Tag + "|" + t.Colour;
        };
        FPage->Page("{\"type\":\"tagsUpdated\"" + tags + "}");
        QVERIFY(raised);
        QCOMPARE(got, expected);
        // A list of an earlier load is not the open note's.
        FPage->Ready();
        FEditor->LoadNote(Note("n", ""));
        raised = false;
        FPage->Page("{\"type\":\"tagsUpdated\"" + tags + ",\"seq\":\"0\"}");
        QVERIFY(!raised);
    }

    void actionsBecomeMessages_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("json");
        QTest::newRow("showAll") << "showAll"
                                 << "{\"type\":\"showAll\"}";
        QTest::newRow("hideAll") << "hideAll"
                                 << "{\"type\":\"hideAll\"}";
        QTest::newRow("show") << "show"
                              << "{\"type\":\"showTag\",\"id\":\"h\\\"1\",\"colour\":\"red\"}";
        QTest::newRow("fade") << "fade"
                              << "{\"type\":\"fadeTag\",\"id\":\"h\\\"1\",\"colour\":\"red\"}";
        QTest::newRow("hide") << "hide"
                              << "{\"type\":\"hideTag\",\"id\":\"h\\\"1\"}";
        QTest::newRow("showColour") << "showColour"
                                    << "{\"type\":\"showColour\",\"colour\":\"red\"}";
        QTest::newRow("hideColour") << "hideColour"
                                    << "{\"type\":\"hideColour\",\"colour\":\"red\"}";
        QTest::newRow("remove") << "remove"
                                << "{\"type\":\"removeTag\",\"id\":\"h\\\"1\"}";
        QTest::newRow("rename") << "rename"
                                << "{\"type\":\"renameTag\",\"id\":\"h\\\"1\",\"name\":\"red\"}";
        QTest::newRow("recolour")
            << "recolour"
            << "{\"type\":\"recolourTag\",\"id\":\"h\\\"1\",\"colour\":\"red\"}";
        QTest::newRow("unknown") << "Show"
                                 << "";
    }
    void actionsBecomeMessages()
    {
        QFETCH(QString, action);
        QFETCH(QString, json);
        FEditor->HandleTagAction("h\"1", "red", action);
        QVERIFY(FPage->Sent.isEmpty()); // not ready yet
        FPage->Ready();
        FPage->Sent.clear();
        FEditor->HandleTagAction("h\"1", "red", action);
        QCOMPARE(FPage->Sent, json.isEmpty() ? QStringList{} : QStringList{json});
    }

    void annotationActionsAndModals()
    {
        FPage->Ready();
        FPage->Sent.clear();
        FEditor->HandleAnnotationAction("ann_1", "scroll");
        FEditor->HandleAnnotationAction("ann_1", "remove");
        FEditor->HandleAnnotationAction("ann_1", "edit");
        FEditor->OpenTagModal();
        FEditor->OpenAnnotModal();
        QCOMPARE(FPage->Sent,
                 (QStringList{"{\"type\":\"scrollAnnotation\",\"spanId\":\"ann_1\"}",
                              "{\"type\":\"removeAnnotSpan\",\"spanId\":\"ann_1\"}",
                              "{\"type\":\"openTagModal\"}", "{\"type\":\"openAnnotModal\"}"}));
    }

    void viewToggleAndSummary()
    {
        FPage->Ready();
        FPage->Sent.clear();
        FEditor->ToggleEditView();
        QVERIFY(FPage->Sent.isEmpty()); // no note open
        QVERIFY(FEditor->TitleEdit()->isReadOnly());
        QVERIFY(!FEditor->SummaryToggle()->isEnabled());
        FEditor->LoadNote(Note("n", "", "   "));
        QVERIFY(!FEditor->TitleEdit()->isReadOnly());
        QVERIFY(FEditor->SummaryToggle()->isEnabled());
        QCOMPARE(FEditor->SummaryToggle()->text(), QString("\u25B6 Summary"));
        FPage->Sent.clear();
        FEditor->ToggleEditView();
        FEditor->ToggleEditView();
        QCOMPARE(FPage->Sent, (QStringList{"{\"type\":\"setViewMode\",\"readOnly\":true}",
                                           "{\"type\":\"setViewMode\",\"readOnly\":false}"}));
        FEditor->SummaryToggle()->click();
        QCOMPARE(FEditor->SummaryToggle()->text(), QString("\u25BC Summary"));
        QCOMPARE(FEditor->SummaryPanel()->height(), 130);
        FEditor->SummaryMemo()->setPlainText("facts");
        QCOMPARE(FEditor->SummaryToggle()->text(), QString("\u25BC Summary *"));
        QCOMPARE(FEditor->SaveStatus(), QString("Unsaved"));
        // Loading collapses the summary; its marker follows the text.
        FEditor->LoadNote(Note("m", "", "facts"));
        QCOMPARE(FEditor->SummaryToggle()->text(), QString("\u25B6 Summary *"));
        QCOMPARE(FEditor->SummaryPanel()->height(), 22);
        FEditor->Clear();
        QVERIFY(FEditor->TitleEdit()->isReadOnly());
        QVERIFY(FEditor->TitleEdit()->text().isEmpty());
        QCOMPARE(FEditor->NoteId(), int64_t(0));
    }

    void dragLimits_data()
    {
        QTest::addColumn<int>("ppi");
        QTest::newRow("96") << 96;
        QTest::newRow("144") << 144;
    }
    void dragLimits()
    {
        QFETCH(int, ppi);
        SetScreenPPI(ppi);
        FEditor->resize(700, 2000);
        FEditor->LoadNote(Note("n", ""));
        FEditor->SummaryToggle()->click();
        auto drag = [](QWidget* AGrip, int ADy) {
            QTest::mousePress(AGrip, Qt::LeftButton, {}, QPoint(2, 2));
            QMouseEvent move(QEvent::MouseMove, QPointF(2, 2 + ADy),
                             AGrip->mapToGlobal(QPointF(2, 2 + ADy)), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(AGrip, &move);
            QTest::mouseRelease(AGrip, Qt::LeftButton, {}, QPoint(2, 2 + ADy));
        };
        drag(FEditor->SummaryGrip(), -1000);
        QCOMPARE(FEditor->SummaryPanel()->height(), 22 + 5 + qRound(40 * ppi / 96.0));
        drag(FEditor->SummaryGrip(), 3000);
        QCOMPARE(FEditor->SummaryPanel()->height(), qRound(400 * ppi / 96.0));
        drag(FEditor->GripPanel(), 1000);
        QCOMPARE(FEditor->BottomBar()->height(), 5 + 30 + 48);
        QVERIFY(!FEditor->AttachPane()->Expanded());
        drag(FEditor->GripPanel(), -3000);
        QCOMPARE(FEditor->BottomBar()->height(), ppi * 800 / 96);
        QVERIFY(FEditor->AttachPane()->Expanded());
    }
};

QTEST_MAIN(TestNoteEditor)
#include "test_noteeditor.moc"

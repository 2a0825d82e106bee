// Messages between host and page: start-up, loading, view mode, bad messages, the page
// resource itself.
#include "editortests.h"
#include "pagefixture.h"

#include "editorresource.h"

#include <QRegularExpression>
#include <QTest>

class TProtocolTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    void resourceLetsOnlyItsOwnScriptRun()
    {
        const QString html = EditorHtml();
        QVERIFY(html.startsWith(QStringLiteral("<!DOCTYPE html>")));
        const QRegularExpression csp(
            QStringLiteral("http-equiv=\"Content-Security-Policy\" content=\"([^\"]*)\""));
        const QRegularExpressionMatch m = csp.match(html);
        QVERIFY(m.hasMatch());
        const QString scriptSrc = QRegularExpression(QStringLiteral("script-src ([^;]*)"))
                                      .match(m.captured(1))
                                      .captured(1);
        QVERIFY2(QRegularExpression(QStringLiteral("^'sha256-[A-Za-z0-9+/]{43}='$"))
                     .match(scriptSrc)
                     .hasMatch(),
                 qPrintable(scriptSrc));
        QCOMPARE(html.count(QStringLiteral("<script")), 1);
        // The page's own script does run under that policy: it announced itself, and only that.
        QCOMPARE(F->FStartupPosts.size(), 1);
        QCOMPARE(F->FStartupPosts[0].Json, QStringLiteral("{\"type\":\"ready\"}"));
        QCOMPARE(F->JsText(QStringLiteral("document.title")), QStringLiteral("Quorvel Editor"));
    }

    void loadAnswersTagListThenLength()
    {
        // Display state on a tag span is dropped (its own style stays); the list is sorted by name
        // ignoring case and keeps document order between equal names; a missing or empty colour is
        // yellow.
        const QString body = QStringLiteral(
            "<p>\"q\" \\ \t é 😀 <span data-hash=\"b1\" data-colour=\"blue\" id=\"b1\" "
            "data-tag=\"beta\" "
            "class=\"blue\" style=\"background: red;\">x</span> "
            "<span data-hash=\"a1\" data-colour=\"\" id=\"a1\" data-tag=\"Alpha\">y</span> "
            "<span data-hash=\"z1\" id=\"z1\" data-tag=\"alpha\">z</span></p>");
        F->Send(Msg(QStringLiteral("load"), {{QStringLiteral("html"), body}}));
        QVERIFY(F->WaitForPosts(2, 3000));
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[0].Json,
                 QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":["
                                "{\"id\":\"a1\",\"tag\":\"Alpha\",\"colour\":\"yellow\"},"
                                "{\"id\":\"z1\",\"tag\":\"alpha\",\"colour\":\"yellow\"},"
                                "{\"id\":\"b1\",\"tag\":\"beta\",\"colour\":\"blue\"}]}"));
        QCOMPARE(posts[1].Json,
                 QStringLiteral("{\"type\":\"loadAck\",\"length\":%1}").arg(body.size()));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('b1').outerHTML")),
                 QStringLiteral("<span data-hash=\"b1\" data-colour=\"blue\" id=\"b1\" "
                                "data-tag=\"beta\" style=\"background: red;\">x</span>"));
        QString expected = body;
        expected.replace(QStringLiteral(" class=\"blue\""), QString());
        QCOMPARE(F->CleanHtml(), expected);
    }

    void loadWithoutBody_data()
    {
        QTest::addColumn<QString>("message");
        QTest::newRow("missing") << QStringLiteral("{\"type\":\"load\"}");
        QTest::newRow("empty") << QStringLiteral("{\"type\":\"load\",\"html\":\"\"}");
        QTest::newRow("null") << QStringLiteral("{\"type\":\"load\",\"html\":null}");
    }
    void loadWithoutBody()
    {
        QFETCH(QString, message);
        QVERIFY(F->LoadBody(QStringLiteral("<p>old</p>")));
        F->SendText(message);
        QVERIFY(F->WaitForPosts(2, 3000));
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts[0].Json, QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":[]}"));
        QCOMPARE(posts[1].Json, QStringLiteral("{\"type\":\"loadAck\",\"length\":0}"));
        QCOMPARE(F->InnerHtml(), QString());
    }

    // Each "loadAck" and the tag list before it carry the number of the load they answer, also
    // right after another load and for an empty body, so the host never takes them for the
    // load before.
    void loadAnswersNameTheirLoad_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("seq");
        QTest::newRow("another body") << "<p>next</p>"
                                      << "8";
        QTest::newRow("the same body again") << "<p>first</p>"
                                             << "9";
        QTest::newRow("an empty body") << ""
                                       << "10";
    }
    void loadAnswersNameTheirLoad()
    {
        QFETCH(QString, html);
        QFETCH(QString, seq);
        F->Send(
            Msg(QStringLiteral("load"), {{QStringLiteral("html"), QStringLiteral("<p>first</p>")},
                                         {QStringLiteral("seq"), QStringLiteral("7")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.isEmpty());
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("load"),
                    {{QStringLiteral("html"), html}, {QStringLiteral("seq"), seq}}));
        QVERIFY(F->WaitForPosts(2, 3000));
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[0].Json,
                 QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":[],\"seq\":\"%1\"}").arg(seq));
        QCOMPARE(posts[1].Json,
                 QStringLiteral("{\"type\":\"loadAck\",\"length\":%1,\"seq\":\"%2\"}")
                     .arg(html.size())
                     .arg(seq));
    }

    void viewModeAndLoadMakeEditable()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>text</p>")));
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QStringLiteral("view-mode"));
        QCOMPARE(F->JsText(QStringLiteral("editor.contentEditable")), QStringLiteral("false"));
        QCOMPARE(F->Js(QStringLiteral("document.getElementById('toolbar').offsetHeight")).toInt(),
                 0);
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":false}"));
        QCOMPARE(F->JsText(QStringLiteral("editor.contentEditable")), QStringLiteral("true"));
        QVERIFY(F->Js(QStringLiteral("document.getElementById('toolbar').offsetHeight")).toInt() >
                0);
        // A load always ends in edit mode.
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
        QVERIFY(F->LoadBody(QStringLiteral("<p>next</p>")));
        QCOMPARE(F->JsText(QStringLiteral("editor.contentEditable")), QStringLiteral("true"));
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->Posts().size(), 0);
    }

    void badMessagesOnlyWriteToConsole_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("console");
        QTest::newRow("unknown type") << QStringLiteral("{\"type\":\"bogus\"}")
                                      << QStringLiteral("Unknown message type: bogus");
        QTest::newRow("type in other case")
            << QStringLiteral("{\"type\":\"Load\",\"html\":\"<p>x</p>\"}")
            << QStringLiteral("Unknown message type: Load");
        QTest::newRow("not json") << QStringLiteral("{type: load}")
                                  << QStringLiteral("WebView2 message parse error:");
        QTest::newRow("null") << QStringLiteral("null")
                              << QStringLiteral("WebView2 message parse error:");
    }
    void badMessagesOnlyWriteToConsole()
    {
        QFETCH(QString, text);
        QFETCH(QString, console);
        QVERIFY(F->LoadBody(QStringLiteral("<p>kept</p>")));
        F->Page()->FConsole.clear();
        F->SendText(text);
        QTRY_VERIFY_WITH_TIMEOUT(!F->Page()->FConsole.isEmpty(), 2000);
        QVERIFY2(F->Page()->FConsole.last().startsWith(console),
                 qPrintable(F->Page()->FConsole.last()));
        QTest::qWait(150);
        QCOMPARE(F->Posts().size(), 0);
        QCOMPARE(F->CleanHtml(), QStringLiteral("<p>kept</p>"));
    }

    void pendingReportsGoOutBeforeALoad_data()
    {
        QTest::addColumn<bool>("structural");
        QTest::newRow("typing") << false;
        QTest::newRow("structural change") << true;
    }
    void pendingReportsGoOutBeforeALoad()
    {
        QFETCH(bool, structural);
        F->Send(
            Msg(QStringLiteral("load"), {{QStringLiteral("html"), QStringLiteral("<p>first</p>")},
                                         {QStringLiteral("seq"), QStringLiteral("7")}}));
        QVERIFY(F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.size() > 0);
        F->ClickIntoEditor();
        F->ClearPosts();
        F->Type(QStringLiteral("x"));
        if (structural)
            F->Send(
                Msg(QStringLiteral("removeTag"), {{QStringLiteral("id"), QStringLiteral("none")}}));
        F->Send(
            Msg(QStringLiteral("load"), {{QStringLiteral("html"), QStringLiteral("<p>second</p>")},
                                         {QStringLiteral("seq"), QStringLiteral("8")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.isEmpty());
        // The report names the load it was typed in and goes out before the new content; no
        // later report marks the new note as changed.
        QTest::qWait(1700);
        const QList<TPosted> posts = F->Posts();
        int changed = -1, newTags = -1, reports = 0;
        for (int i = 0; i < posts.size(); ++i) {
            const QString seq = posts[i].Msg.value(QStringLiteral("seq")).toString();
            if (posts[i].Type() == QLatin1String("contentChanged")) {
                ++reports;
                changed = i;
                QCOMPARE(posts[i].Json, QStringLiteral("{\"type\":\"contentChanged\",\"html\":"
                                                       "\"<p>firstx</p>\",\"seq\":\"7\"}"));
            } else if (posts[i].Type() == QLatin1String("tagsUpdated") &&
                       seq == QLatin1String("8")) {
                newTags = i;
            }
        }
        QCOMPARE(reports, 1);
        QVERIFY(changed >= 0 && changed < newTags);
        QCOMPARE(posts.last().Type(), QStringLiteral("loadAck"));
    }

    // The page says at once when the editor holds a change that no report has carried, once
    // until the next report, and again after each report that it holds none; each time with
    // how far the editor is scrolled, the block that holds the caret and its offset there.
    void editStateTellsOfUnreportedChanges()
    {
        F->Send(Msg(QStringLiteral("load"),
                    {{QStringLiteral("html"), QStringLiteral("<p>x</p><p>alpha</p>")},
                     {QStringLiteral("seq"), QStringLiteral("5")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.isEmpty());
        F->ClickIntoEditor();
        F->ClearPosts();
        QVERIFY(F->EditStates().isEmpty());
        F->Type(QStringLiteral("bc"));
        QVERIFY(F->WaitJs(QStringLiteral("editor.textContent === 'xalphabc'")));
        auto states = [&] {
            QStringList out;
            for (const TPosted& p : F->EditStates())
                out << p.Json;
            return out;
        };
        const QString pending =
            QStringLiteral("{\"type\":\"editState\",\"pending\":true,\"scroll\":0,\"block\":1,"
                           "\"caret\":%1,\"seq\":\"5\"}");
        const QString none =
            QString(pending).replace(QStringLiteral("true"), QStringLiteral("false"));
        QCOMPARE(states(), QStringList{pending.arg(6)});
        QVERIFY(F->PostedTypes().isEmpty());
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 2500).Msg.isEmpty());
        QTRY_COMPARE(states(), (QStringList{pending.arg(6), none.arg(7)}));
        F->Type(QStringLiteral("d"));
        QTRY_COMPARE(states().size(), 3);
        QCOMPARE(states()[2], pending.arg(8));
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("1")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        QCOMPARE(states().size(), 4);
        QCOMPARE(states()[3], none.arg(8));
        // A flush with nothing unreported says nothing of it.
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("2")}}));
        QVERIFY(F->WaitUntil([&] { return F->PostedTypes().count("flushAck") == 2; }, 2000));
        QCOMPARE(states().size(), 4);
    }

    // A "load" may ask for a place (a page started again after its process ended): the editor
    // is scrolled there and the caret put at that offset in that block's text (at the end of
    // the block, or of the last one, when beyond), and the editor takes the focus when asked.
    // Without one, neither moves.
    void loadPutsTheCaretAndScrollBack_data()
    {
        QTest::addColumn<QVariantMap>("place");
        QTest::addColumn<QString>("before"); // the block's text before the caret; null: none
        QTest::addColumn<bool>("focus");
        QTest::newRow("none") << QVariantMap{} << QString() << false;
        QTest::newRow("caret and scroll")
            << QVariantMap{{"scroll", "400"}, {"block", "30"}, {"caret", "6"}} << "line 1" << false;
        QTest::newRow("with the focus")
            << QVariantMap{{"scroll", "400"}, {"block", "30"}, {"caret", "6"}, {"focus", "true"}}
            << "line 1" << true;
        QTest::newRow("caret in an element of the block")
            << QVariantMap{{"scroll", "400"}, {"block", "200"}, {"caret", "9"}} << "list item"
            << false;
        QTest::newRow("caret beyond the block")
            << QVariantMap{{"scroll", "400"}, {"block", "30"}, {"caret", "99"}} << "line 130"
            << false;
        QTest::newRow("block beyond the last")
            << QVariantMap{{"scroll", "400"}, {"block", "999"}, {"caret", "1"}}
            << "list item onelist item two" << false;
        QTest::newRow("no caret") << QVariantMap{{"scroll", "400"}, {"block", ""}, {"caret", ""}}
                                  << QString() << false;
    }
    void loadPutsTheCaretAndScrollBack()
    {
        QFETCH(QVariantMap, place);
        QFETCH(QString, before);
        QFETCH(bool, focus);
        QString body;
        for (int i = 100; i < 300; ++i)
            body += QStringLiteral("<p>line %1</p>").arg(i);
        body += QStringLiteral("<ul><li>list <b>item</b> one</li><li>list item two</li></ul>");
        F->FocusOutside();
        QVariantMap load = place;
        load.insert(QStringLiteral("html"), body);
        load.insert(QStringLiteral("seq"), QStringLiteral("9"));
        F->Send(Msg(QStringLiteral("load"), load));
        QVERIFY(!F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.isEmpty());
        QCOMPARE(F->CleanHtml(), body);
        QCOMPARE(F->Js(QStringLiteral("editor.scrollTop")).toInt(), place.isEmpty() ? 0 : 400);
        const QVariant caret = F->Js(QStringLiteral(
            "(function(){ const s = getSelection();"
            " if (!s.rangeCount || !s.isCollapsed || !editor.contains(s.focusNode)) return null;"
            " let b = s.focusNode; while (b.parentNode !== editor) b = b.parentNode;"
            " const r = document.createRange(); r.setStart(b, 0);"
            " r.setEnd(s.focusNode, s.focusOffset); return r.toString(); })()"));
        QCOMPARE(caret.isNull() ? QString() : caret.toString(), before);
        QCOMPARE(F->Js(QStringLiteral("document.activeElement === editor")).toBool(), focus);
    }

    void flushAnswersAfterThePendingReport()
    {
        F->Send(Msg(QStringLiteral("load"), {{QStringLiteral("html"), QStringLiteral("<p>a</p>")},
                                             {QStringLiteral("seq"), QStringLiteral("3")}}));
        QVERIFY(F->WaitForPost(QStringLiteral("loadAck"), 2000).Msg.size() > 0);
        // Nothing pending: only the answer.
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("1")}}));
        QVERIFY(F->WaitForPosts(1, 2000));
        QCOMPARE(F->Posts()[0].Json, QStringLiteral("{\"type\":\"flushAck\",\"token\":\"1\"}"));
        // Typing not yet reported goes out at once, before the answer, and only once.
        F->ClickIntoEditor();
        F->Type(QStringLiteral("b"));
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("2")}}));
        QVERIFY(F->WaitForPosts(2, 2000));
        QTest::qWait(1700);
        QCOMPARE(F->PostedTypes(),
                 (QStringList{QStringLiteral("contentChanged"), QStringLiteral("flushAck")}));
        QCOMPARE(F->Posts()[0].Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>ab</p>"));
        QCOMPARE(F->Posts()[0].Msg.value(QStringLiteral("seq")).toString(), QStringLiteral("3"));
    }
};

std::unique_ptr<QObject> NewProtocolTest()
{
    return std::make_unique<TProtocolTest>();
}

#include "test_protocol.moc"

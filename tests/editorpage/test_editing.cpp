// Typing and its reports, the toolbar, shortcuts, font sizes, colour pickers and the link
// dialog, driven by real key and mouse input.
#include "editortests.h"
#include "pagefixture.h"

#include <QJsonArray>
#include <QTest>

namespace {

int CountType(const QList<TPosted>& APosts, const QString& AType)
{
    int n = 0;
    for (const TPosted& p : APosts) {
        n += p.Type() == AType ? 1 : 0;
    }
    return n;
}

} // namespace

class TEditingTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    void ChooseFontSize(const QString& ASize)
    {
        F->Js(QStringLiteral(
                  "sizeSelect.value = %1; sizeSelect.dispatchEvent(new Event('change')); true")
                  .arg(JsString(ASize)));
    }

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    // Typing without a 1.5 s pause is reported at least every 5 s while it goes on, and the
    // last report holds all of it.
    void steadyTypingIsReportedWhileItGoesOn()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>Start</p>")));
        F->ClickIntoEditor();
        const QString typed = QStringLiteral("abcdefghijklmnopqrstuvwxyzabcdefghijklmn");
        for (const QChar c : typed) {
            F->Type(QString(c));
            QTest::qWait(230);
        }
        const QList<double> keys = F->KeyTimes();
        QCOMPARE(keys.size(), typed.size());
        QVERIFY(keys.last() - keys.first() > 9000);
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 2500).Msg.isEmpty());
        QTest::qWait(1800);
        QList<TPosted> reports;
        for (const TPosted& post : F->Posts())
            if (post.Type() == QLatin1String("contentChanged"))
                reports << post;
        QVERIFY2(reports.size() >= 2, qPrintable(QString::number(reports.size())));
        // No report before the 5 s: the keys never paused for 1.5 s.
        QVERIFY2(reports.first().At - keys.first() >= 4500,
                 qPrintable(QString::number(reports.first().At - keys.first())));
        // A busy machine fires the page's timers a little late: allow some of that, far less
        // than the 1.5 s quiet period a report would otherwise wait for.
        double since = keys.first();
        for (const TPosted& report : reports) {
            QVERIFY2(report.At - since <= 5600, qPrintable(QString::number(report.At - since)));
            since = report.At;
        }
        // The last comes after the 1.5 s pause, or earlier when the 5 s fell after the last key.
        const double delay = reports.last().At - keys.last();
        QVERIFY2(delay >= 0 && delay < 2000, qPrintable(QString::number(delay)));
        QCOMPARE(reports.last().Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>Start%1</p>").arg(typed));
        QVERIFY(
            reports.first().Msg.value(QStringLiteral("html")).toString().startsWith("<p>Startab"));
    }

    void toolbarButtonsActOnTheSelection_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("showsState");
        QTest::newRow("bold") << "#btn-bold"
                              << "<p>one <b>two</b> three</p>" << true;
        QTest::newRow("italic") << "#btn-italic"
                                << "<p>one <i>two</i> three</p>" << true;
        QTest::newRow("underline") << "#btn-underline"
                                   << "<p>one <u>two</u> three</p>" << true;
        QTest::newRow("centre") << "#btn-center"
                                << "<p style=\"text-align: center;\">one two three</p>" << true;
        // A list stands in no paragraph.
        QTest::newRow("bullets") << "#btn-ul"
                                 << "<ul><li>one two three</li></ul>" << false;
        QTest::newRow("numbers") << "#btn-ol"
                                 << "<ol><li>one two three</li></ol>" << false;
    }
    void toolbarButtonsActOnTheSelection()
    {
        QFETCH(QString, button);
        QFETCH(QString, expected);
        QFETCH(bool, showsState);
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->Click(button);
        QCOMPARE(F->InnerHtml(), expected);
        // The press left the editor its selection, and the button shows the state.
        QCOMPARE(F->JsText(QStringLiteral("getSelection().toString()")), QStringLiteral("two"));
        QCOMPARE(F->Js(QStringLiteral("document.querySelector('%1').classList.contains('active')")
                           .arg(button))
                     .toBool(),
                 showsState);
        if (QLatin1String(QTest::currentDataTag()) == QLatin1String("bold")) {
            // The browser's own command raises an input event, which is reported like typing.
            QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 2500).Msg.isEmpty());
        }
    }

    // Text typed at a caret on a line loose in the editor's root (an edit of the browser's may
    // leave one) puts the line into a paragraph of its own, every other loose line too; the
    // caret stays where it was in the line.
    void typingOnALooseLinePutsItInAParagraph_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // the caret goes before this text
        QTest::addColumn<QString>("after");
        QTest::newRow("between paragraphs") << "<p>a</p>loose line<p>b</p>"
                                            << "ose"
                                            << "<p>a</p><p>loxyose line</p><p>b</p>";
        QTest::newRow("before a line break") << "loose<br>next"
                                             << "ose"
                                             << "<p>loxyose</p><p>next</p>";
        QTest::newRow("in bold on the line") << "<b>bold</b> loose<p>b</p>"
                                             << "old"
                                             << "<p><b>bxyold</b> loose</p><p>b</p>";
    }
    void typingOnALooseLinePutsItInAParagraph()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(caret));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        QVERIFY(F->Js(QStringLiteral("getSelection().isCollapsed")).toBool());
        F->Type(QStringLiteral("xy"));
        QCOMPARE(F->InnerHtml(), after);
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("t")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 100);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), after);
    }

    void shortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("mods");
        QTest::addColumn<QString>("expected");
        const int ctrl = int(Qt::ControlModifier);
        QTest::newRow("ctrl+b") << int(Qt::Key_B) << ctrl << "<p>one <b>two</b> three</p>";
        QTest::newRow("ctrl+i") << int(Qt::Key_I) << ctrl << "<p>one <i>two</i> three</p>";
        QTest::newRow("ctrl+u") << int(Qt::Key_U) << ctrl << "<p>one <u>two</u> three</p>";
        QTest::newRow("ctrl+e") << int(Qt::Key_E) << ctrl
                                << "<p style=\"text-align: center;\">one two three</p>";
        QTest::newRow("ctrl+r") << int(Qt::Key_R) << ctrl
                                << "<p style=\"text-align: right;\">one two three</p>";
        QTest::newRow("ctrl+alt+b")
            << int(Qt::Key_B) << (ctrl | int(Qt::AltModifier)) << "<p>one two three</p>";
    }
    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, mods);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->Key(Qt::Key(key), Qt::KeyboardModifiers(mods));
        QCOMPARE(F->InnerHtml(), expected);
    }

    void ctrlKInsideLinkEditsItKeepingItsAddress()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>see <a href=\"#sec\">section</a> now</p>")));
        QVERIFY(F->SelectText(QStringLiteral("ctio")));
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('btn-link-ok').textContent")),
                 QStringLiteral("Update Link"));
        QVERIFY(F->Js(QStringLiteral("document.getElementById('btn-link-remove').offsetWidth > 0"))
                    .toBool());
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('inp-link-url').value")),
                 QStringLiteral("#sec"));
        // Only the text changes: Enter moves to the text field, which is replaced, Enter confirms.
        F->Key(Qt::Key_Return);
        F->Key(Qt::Key_A, Qt::ControlModifier);
        F->Type(QStringLiteral("part"));
        F->Key(Qt::Key_Return);
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>see <a href=\"#sec\">part</a> now</p>"));
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 1000).Msg.isEmpty());
    }

    void removeLinkKeepsItsText()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>see <a href=\"mailto:a@b.org\">mail</a> now</p>")));
        QVERIFY(F->SelectText(QStringLiteral("ai")));
        F->Click(QStringLiteral("#btn-link"));
        QVERIFY(F->WaitJs(
            QStringLiteral("document.getElementById('modal-link').classList.contains('open')")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('inp-link-url').value")),
                 QStringLiteral("mailto:a@b.org"));
        F->Click(QStringLiteral("#btn-link-remove"));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>see mail now</p>"));
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 1000).Msg.isEmpty());
    }

    void editingALinkKeepsItsContent_data()
    {
        QTest::addColumn<QString>("action"); // "address" or "remove"
        QTest::addColumn<QString>("expected");
        const QString content = QStringLiteral(
            "<b>bold</b> <span id=\"ann_k1\" class=\"dm-annot\">anchored</span> "
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">tagged</span>");
        QTest::newRow("new address")
            << "address"
            << "<p>see <a href=\"https://new.example/\">" + content + "</a> end</p>";
        QTest::newRow("remove link") << "remove"
                                     << "<p>see " + content + " end</p>";
    }
    void editingALinkKeepsItsContent()
    {
        QFETCH(QString, action);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>see <a href=\"https://old.example/\"><b>bold</b> <span id=\"ann_k1\" "
            "class=\"dm-annot\">anchored</span> <span data-hash=\"tg\" data-colour=\"red\" "
            "id=\"tg\" data-tag=\"T\">tagged</span></a> end</p>")));
        QVERIFY(F->SelectText(QStringLiteral("ncho")));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('inp-link-text').value")),
                 QStringLiteral("bold anchored tagged"));
        if (action == QLatin1String("remove")) {
            F->Click(QStringLiteral("#btn-link-remove"));
        } else {
            F->Key(Qt::Key_A, Qt::ControlModifier);
            F->Type(QStringLiteral("https://new.example/"));
            F->Key(Qt::Key_Return);
            F->Key(Qt::Key_Return);
        }
        QVERIFY(!F->Js(QStringLiteral(
                           "document.getElementById('modal-link').classList.contains('open')"))
                     .toBool());
        QCOMPARE(F->InnerHtml(), expected);
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), expected);
    }

    // New text for a link that holds a tag's first span leaves the tag its first span, on its
    // passage left, and the tag listed once.
    void newLinkTextOverATagsFirstSpanKeepsTheTag()
    {
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>see <a href=\"https://old.example/\"><span data-hash=\"tg\" data-colour=\"red\" "
            "id=\"tg\" data-tag=\"T\">tagged</span></a> and <span data-hash=\"tg\" "
            "data-colour=\"red\">more</span></p>")));
        QVERIFY(F->SelectText(QStringLiteral("agge")));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        F->Key(Qt::Key_Return);
        F->Key(Qt::Key_A, Qt::ControlModifier);
        F->Type(QStringLiteral("New"));
        F->Key(Qt::Key_Return);
        const QString expected = QStringLiteral(
            "<p>see <a href=\"https://old.example/\">New</a> and <span data-hash=\"tg\" "
            "data-colour=\"red\" id=\"tg\" data-tag=\"T\">more</span></p>");
        QCOMPARE(F->InnerHtml(), expected);
        const TPosted listed = F->WaitForPost(QStringLiteral("tagsUpdated"), 1000);
        QCOMPARE(listed.Msg.value(QStringLiteral("tags")).toArray().size(), 1);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(F->InnerHtml().contains(QStringLiteral("tagged")));
    }

    void newLinkAddressGetsSchemeByRule_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("href");
        QTest::newRow("no scheme") << "example.com/a"
                                   << "https://example.com/a";
        QTest::newRow("ftp") << "ftp://files.example.com/x"
                             << "ftp://files.example.com/x";
        QTest::newRow("mail") << "mailto:a@b.org"
                              << "mailto:a@b.org";
        QTest::newRow("mail upper case") << "MAILTO:a@b.org"
                                         << "MAILTO:a@b.org";
        QTest::newRow("phone") << "tel:+4912345"
                               << "tel:+4912345";
        QTest::newRow("other scheme without slashes") << "news:comp.lang"
                                                      << "https://news:comp.lang";
    }
    void newLinkAddressGetsSchemeByRule()
    {
        QFETCH(QString, typed);
        QFETCH(QString, href);
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->Click(QStringLiteral("#btn-link"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('btn-link-ok').textContent")),
                 QStringLiteral("Insert Link"));
        F->Type(typed);
        F->Key(Qt::Key_Return);
        F->Key(Qt::Key_Return);
        QCOMPARE(F->InnerHtml(),
                 QStringLiteral("<p>one <a href=\"%1\">two</a> three</p>").arg(href));
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), F->InnerHtml());
    }

    void linkNeedsAnAddressAndTakesDisplayText()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->Click(QStringLiteral("#btn-link"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        F->Click(QStringLiteral("#btn-link-ok"));
        QCOMPARE(
            F->JsText(QStringLiteral("document.getElementById('inp-link-url').style.borderColor")),
            QStringLiteral("rgb(204, 0, 0)"));
        QVERIFY(F->Js(QStringLiteral(
                          "document.getElementById('modal-link').classList.contains('open')"))
                    .toBool());
        F->Type(QStringLiteral("example.org"));
        F->Key(Qt::Key_Return);
        F->Type(QStringLiteral("Site"));
        F->Click(QStringLiteral("#btn-link-ok"));
        QCOMPARE(F->InnerHtml(),
                 QStringLiteral("<p>one <a href=\"https://example.org\">Site</a> three</p>"));
    }

    // A link with its text put into an empty note stands in a paragraph, the caret after it.
    void linkIntoAnEmptyNoteStandsInAParagraph()
    {
        QVERIFY(F->LoadBody(QString()));
        F->ClickIntoEditor();
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        F->Type(QStringLiteral("example.org"));
        F->Key(Qt::Key_Return);
        F->Type(QStringLiteral("Site"));
        F->Key(Qt::Key_Return);
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p><a href=\"https://example.org\">Site</a></p>"));
        F->Type(QStringLiteral("x"));
        QCOMPARE(F->JsText(QStringLiteral("editor.innerText")), QStringLiteral("Sitex"));
        QCOMPARE(F->Js(QStringLiteral("editor.querySelectorAll('p').length")).toInt(), 1);
    }

    // A link with its own text over a selection across blocks stands where that text typed
    // over the selection would, inside a block; across table cells in the first cell. One undo
    // takes it back, one redo brings it again.
    void linkWithTextAcrossBlocks_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected");
        const QString link = QStringLiteral("<a href=\"https://x.example/\">Label</a>");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        QTest::newRow("two paragraphs") << "<p>one two</p><p>three four</p>"
                                        << "two"
                                        << "three"
                                        << "<p>one " + link + " four</p>";
        QTest::newRow("two list items") << "<ul><li>one two</li><li>three four</li></ul>"
                                        << "two"
                                        << "three"
                                        << "<ul><li>one " + link + " four</li></ul>";
        QTest::newRow("two table cells")
            << "<table><tbody><tr><td>one two</td><td>three four</td></tr></tbody></table>"
            << "two"
            << "three"
            << "<table><tbody><tr><td>one " + link +
                   "</td><td>&nbsp;four</td></tr></tbody></table>";
        QTest::newRow("paragraphs with a mark")
            << "<p>one two</p><p>" + ann.arg("three") + " four</p>"
            << "two"
            << "thr"
            << "<p>one " + link + ann.arg("ee") + " four</p>";
        // The tag's first span goes with the selection: the passage left takes its id and name.
        QTest::newRow("paragraphs with a tag's first span")
            << "<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
               "data-tag=\"T\">two</span>"
               "</p><p><span data-hash=\"tg\" data-colour=\"red\">three</span> four</p>"
            << "two"
            << "thr"
            << "<p>one " + link +
                   "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">ee</span> "
                   "four</p>";
    }
    void linkWithTextAcrossBlocks()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expected);
        // What typing the text over the same selection gives.
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        F->Type(QStringLiteral("Label"));
        const QString typed = F->InnerHtml();

        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
        F->Type(QStringLiteral("x.example/"));
        F->Key(Qt::Key_Return);
        F->Type(QStringLiteral("Label"));
        F->Key(Qt::Key_Return);
        QCOMPARE(F->InnerHtml(), expected);
        QString unlinked = expected;
        unlinked.replace(QStringLiteral("<a href=\"https://x.example/\">Label</a>"),
                         QStringLiteral("Label"));
        QCOMPARE(unlinked, typed);
        QCOMPARE(F->WaitForPost(QStringLiteral("contentChanged"), 1000)
                     .Msg.value(QStringLiteral("html"))
                     .toString(),
                 expected);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), expected);
    }

    void fontSize_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("select");   // script that sets the selection
        QTest::addColumn<QString>("expected"); // empty: unchanged
        QTest::addColumn<QString>("alert");
        const QString one = QStringLiteral("<p>one two</p><p>three four</p>");
        const QString list = QStringLiteral("<ul><li>first</li><li>second</li></ul>");
        QTest::newRow("caret only")
            << one
            << "const r = document.createRange(); r.setStart(editor.firstChild.firstChild, 2);"
               " getSelection().removeAllRanges(); getSelection().addRange(r);"
            << QString() << QString();
        QTest::newRow("inside one paragraph")
            << one << "__select('two')"
            << "<p>one <span style=\"font-size: 14pt;\">two</span></p><p>three four</p>"
            << QString();
        QTest::newRow("across inline markup")
            << "<p>a<b>bc</b>d</p>"
            << "__select('ab')"
            << "<p><span style=\"font-size: 14pt;\">a<b>b</b></span><b>c</b>d</p>" << QString();
        // Across blocks each selected run is sized in place; no span holds a block.
        QTest::newRow("across two paragraphs")
            << one << "__select('two', 'three')"
            << "<p>one <span style=\"font-size: 14pt;\">two</span></p><p><span "
               "style=\"font-size: 14pt;\">three</span> four</p>"
            << QString();
        QTest::newRow("across two list items")
            << list << "__select('rst', 'sec')"
            << "<ul><li>fi<span style=\"font-size: 14pt;\">rst</span></li><li><span "
               "style=\"font-size: 14pt;\">sec</span>ond</li></ul>"
            << QString();
        QTest::newRow("over a whole paragraph between text")
            << "x<p>y</p>z"
            << "__select('x', 'z')"
            << "<span style=\"font-size: 14pt;\">x</span><p><span style=\"font-size: "
               "14pt;\">y</span></p><span style=\"font-size: 14pt;\">z</span>"
            << QString();
        // The line breaks the source view leaves between blocks are not sized.
        QTest::newRow("across blocks with line breaks between")
            << "<p>one two</p>\n<p>three</p>\n<blockquote>\n<p>four</p>\n</blockquote>"
            << "__select('two', 'four')"
            << "<p>one <span style=\"font-size: 14pt;\">two</span></p>\n<p><span "
               "style=\"font-size: 14pt;\">three</span></p>\n<blockquote>\n<p><span "
               "style=\"font-size: 14pt;\">four</span></p>\n</blockquote>"
            << QString();
        QTest::newRow("whole item by triple click")
            << list
            << "const li = editor.querySelectorAll('li'); const r = document.createRange();"
               " r.setStart(li[0].firstChild, 0); r.setEnd(li[1], 0);"
               " getSelection().removeAllRanges(); getSelection().addRange(r);"
            << "<ul><li><span style=\"font-size: 14pt;\">first</span></li><li>second</li></ul>"
            << QString();
    }
    void fontSize()
    {
        QFETCH(QString, body);
        QFETCH(QString, select);
        QFETCH(QString, expected);
        QFETCH(QString, alert);
        QVERIFY(F->LoadBody(body));
        F->FocusPage();
        F->Js(QStringLiteral("editor.focus();") + select);
        F->Page()->FAlerts.clear();
        ChooseFontSize(QStringLiteral("14pt"));
        QCOMPARE(F->JsText(QStringLiteral("sizeSelect.value")), QString());
        QCOMPARE(F->InnerHtml(), expected.isEmpty() ? body : expected);
        QCOMPARE(F->Page()->FAlerts, alert.isEmpty() ? QStringList() : QStringList{alert});
        // A change is reported at once, and nothing is reported without one.
        const QList<TPosted> posts = F->Posts();
        if (expected.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(F->Posts().size(), 0);
        } else {
            QCOMPARE(posts.size(), 1);
            QCOMPARE(posts[0].Msg.value(QStringLiteral("html")).toString(), expected);
        }
    }

    void colourPickersOpenCloseAndSwitch()
    {
        const QString foreOpen =
            QStringLiteral("document.getElementById('fc-picker').classList.contains('open')");
        const QString backOpen =
            QStringLiteral("document.getElementById('bc-picker').classList.contains('open')");
        F->Click(QStringLiteral("#btn-forecolor"));
        QVERIFY(F->Js(foreOpen).toBool());
        F->Click(QStringLiteral("#btn-forecolor"));
        QVERIFY(!F->Js(foreOpen).toBool());
        F->Click(QStringLiteral("#btn-forecolor"));
        F->Click(QStringLiteral("#btn-backcolor"));
        QVERIFY(!F->Js(foreOpen).toBool());
        QVERIFY(F->Js(backOpen).toBool());
        F->Key(Qt::Key_Escape);
        QVERIFY(!F->Js(backOpen).toBool());
        F->Click(QStringLiteral("#btn-backcolor"));
        F->ClickAt(QPoint(500, 400));
        QVERIFY(!F->Js(backOpen).toBool());
    }

    void colourSwatchAppliesAndReportsOnce()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->Click(QStringLiteral("#btn-forecolor"));
        const double pressed = F->PageNow();
        F->Click(QStringLiteral("#fc-picker [data-color='#cc0000']"));
        QCOMPARE(F->InnerHtml(),
                 QStringLiteral("<p>one <font color=\"#cc0000\">two</font> three</p>"));
        QCOMPARE(
            F->JsText(QStringLiteral("document.getElementById('fc-bar').style.backgroundColor")),
            QStringLiteral("rgb(204, 0, 0)"));
        F->Click(QStringLiteral("#btn-backcolor"));
        F->Click(QStringLiteral("#bc-picker [data-color='#ffff99']"));
        QCOMPARE(F->InnerHtml(),
                 QStringLiteral("<p>one <font color=\"#cc0000\" style=\"background-color: "
                                "rgb(255, 255, 153);\">two</font> three</p>"));
        // Each colour gives its report 100 ms later; the input it raised gives no later one.
        QTest::qWait(1800);
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(CountType(posts, QStringLiteral("contentChanged")), 2);
        QVERIFY2(posts[0].At - pressed < 600, qPrintable(QString::number(posts[0].At - pressed)));
    }
};

std::unique_ptr<QObject> NewEditingTest()
{
    return std::make_unique<TEditingTest>();
}

#include "test_editing.moc"

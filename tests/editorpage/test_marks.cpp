// Embedded tags and annotations: their dialogs, the markup they leave, the host's operations
// on them, and what loading another note forgets.
#include "editortests.h"
#include "pagefixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>

namespace {

const QString BlockNotice =
    QStringLiteral("Please select text within one block (a paragraph, list item or table cell).");
const QString TagAlert =
    QStringLiteral("Please select some text in the note before inserting a tag.");
const QString OverlapNotice =
    QStringLiteral("Please select text within one annotation or around the whole of it.");
const QString AnnotAlert =
    QStringLiteral("Please select some text in the note before adding an annotation.");

// Three tags: t1 over two passages, t2 red, t3 without a colour.
const QString ThreeTags = QStringLiteral(
    "<p><span data-hash=\"t1\" data-colour=\"blue\" id=\"t1\" data-tag=\"one\">a</span> "
    "<span data-hash=\"t1\" data-colour=\"blue\">b</span> "
    "<span data-hash=\"t2\" data-colour=\"red\" id=\"t2\" data-tag=\"two\">c</span> "
    "<span data-hash=\"t3\" id=\"t3\" data-tag=\"three\">d</span></p>");

QString Tag(const QString& AText, bool ACanonical,
            const QString& AColour = QStringLiteral("yellow"))
{
    return ACanonical
               ? QStringLiteral(
                     "<span data-hash=\"ID\" data-colour=\"%1\" id=\"ID\" data-tag=\"T\">%2</span>")
                     .arg(AColour, AText)
               : QStringLiteral("<span data-hash=\"ID\" data-colour=\"%1\">%2</span>")
                     .arg(AColour, AText);
}

QString Annot(const QString& AInner)
{
    return QStringLiteral("<span id=\"ANN\" class=\"dm-annot\">%1</span>").arg(AInner);
}

} // namespace

class TMarksTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    void InsertTag(const QString& AName, const QString& AColour = QString(), bool AApplyNow = false)
    {
        F->PressPaneButton(QStringLiteral("openTagModal"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-tagname'")));
        F->Type(AName);
        if (!AColour.isEmpty()) {
            F->Click(QStringLiteral("#tag-swatches [data-colour='%1']").arg(AColour));
        }
        if (AApplyNow) {
            F->Click(QStringLiteral("#chk-apply"));
        }
        F->Click(QStringLiteral("#btn-tag-ok"));
    }

    void AddAnnotation(const QString& ANote)
    {
        F->PressPaneButton(QStringLiteral("openAnnotModal"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-annot-body'")));
        F->Type(ANote);
        F->Click(QStringLiteral("#btn-annot-ok"));
    }

    // Puts the text (and the markup, if any) on the clipboard, loads the body, puts a collapsed
    // caret at the place the script gives and pastes with Ctrl+V; waits until the script holds.
    void PasteAtCaret(const QString& ABody, const QString& ACaret, const QString& AText,
                      const QString& AHtml, const QString& AShown)
    {
        auto* clip = new QMimeData;
        clip->setText(AText);
        if (!AHtml.isEmpty()) {
            clip->setHtml(AHtml);
        }
        QGuiApplication::clipboard()->setMimeData(clip);
        QVERIFY(F->LoadBody(ABody));
        F->FocusPage();
        F->Js(QStringLiteral("editor.focus(); getSelection().collapse(%1)").arg(ACaret));
        QVERIFY(F->JsText(QStringLiteral("String(getSelection().isCollapsed)")) == "true");
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(AShown));
    }

    // Asks for an annotation over the selection, which is refused with the notice: the dialog
    // stays closed and the body as it was.
    void ExpectAnnotationRefused(const QString& ANotice, const QString& ABody)
    {
        F->Page()->FAlerts.clear();
        F->PressPaneButton(QStringLiteral("openAnnotModal"));
        QTRY_COMPARE_WITH_TIMEOUT(F->Page()->FAlerts, QStringList{ANotice}, 2000);
        QVERIFY(!Open(QStringLiteral("modal-annot")));
        QCOMPARE(F->InnerHtml(), ABody);
    }

    // The editor's markup with generated ids replaced by ID (tags) and ANN (annotations).
    QString Masked()
    {
        QString html = F->InnerHtml();
        html.replace(QRegularExpression(QStringLiteral("\"ann_[0-9a-z]+\"")),
                     QStringLiteral("\"ANN\""));
        const QString id = F->JsText(
            QStringLiteral("(editor.querySelector('[data-hash]') || {}).dataset?.hash || ''"));
        if (!id.isEmpty()) {
            html.replace(QStringLiteral("\"") + id + QStringLiteral("\""),
                         QStringLiteral("\"ID\""));
        }
        return html;
    }

    QString Classes()
    {
        return F->JsText(QStringLiteral("Array.from(editor.querySelectorAll('[data-hash]')).map(e "
                                        "=> e.getAttribute('class') || '').join(',')"));
    }

    bool Open(const QString& AId)
    {
        return F
            ->Js(
                QStringLiteral("document.getElementById('%1').classList.contains('open')").arg(AId))
            .toBool();
    }

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    void tagInsideOneParagraph()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>The quick brown fox</p>")));
        QVERIFY(F->SelectText(QStringLiteral("quick brown")));
        F->FocusOutside();
        // Losing the focus kept the selection for the pane buttons.
        QCOMPARE(F->JsText(QStringLiteral("savedRange && savedRange.toString()")),
                 QStringLiteral("quick brown"));
        InsertTag(QStringLiteral("  Fox  "), QStringLiteral("green"));
        QVERIFY(!Open(QStringLiteral("modal-tag")));
        const QString id = F->JsText(QStringLiteral("editor.querySelector('[data-tag]').id"));
        QVERIFY2(QRegularExpression(QStringLiteral("^[0-9a-z]{9,}$")).match(id).hasMatch(),
                 qPrintable(id));
        const QString html =
            QStringLiteral(
                "<p>The <span data-hash=\"%1\" data-colour=\"green\" id=\"%1\" data-tag=\"Fox\">"
                "quick brown</span> fox</p>")
                .arg(id);
        QCOMPARE(F->InnerHtml(), html);
        const TPosted changed = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(
            posts[0].Json,
            QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":[{\"id\":\"%1\",\"tag\":\"Fox\","
                           "\"colour\":\"green\"}]}")
                .arg(id));
        QCOMPARE(changed.Msg.value(QStringLiteral("html")).toString(), html);
        QVERIFY(changed.At - posts[0].At >= 90);
    }

    void tagOverSeveralBlocksWrapsRunsInPlace_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("two paragraphs")
            << "<p>one two</p><p>three four</p>"
            << "two"
            << "three"
            << "<p>one " + Tag("two", true) + "</p><p>" + Tag("three", false) + " four</p>";
        QTest::newRow("list with an empty item")
            << "<ul><li>alpha</li><li><br></li><li>gamma</li></ul>"
            << "alpha"
            << "gamma"
            << "<ul><li>" + Tag("alpha", true) + "</li><li><br></li><li>" + Tag("gamma", false) +
                   "</li></ul>";
        QTest::newRow("list with line breaks")
            << "<ul>\n<li>alpha</li>\n<li>beta</li>\n</ul>"
            << "alpha"
            << "beta"
            << "<ul>\n<li>" + Tag("alpha", true) + "</li>\n<li>" + Tag("beta", false) +
                   "</li>\n</ul>";
        QTest::newRow("table cells")
            << "<table><tbody><tr><td>c1</td><td>c2</td></tr>\n<tr><td>c3</td></tr></tbody></table>"
            << "1"
            << "c3"
            << "<table><tbody><tr><td>c" + Tag("1", true) + "</td><td>" + Tag("c2", false) +
                   "</td></tr>\n<tr><td>" + Tag("c3", false) + "</td></tr></tbody></table>";
        QTest::newRow("partly selected bold")
            << "<p>ab<b>cd</b>ef</p>"
            << "b"
            << "c"
            << "<p>a" + Tag("b", true) + "<b>" + Tag("c", false) + "d</b>ef</p>";
        QTest::newRow("line break between paragraphs")
            << "<p>one</p>\n<p>two</p>"
            << "ne"
            << "tw"
            << "<p>o" + Tag("ne", true) + "</p>" + Tag("\n", false) + "<p>" + Tag("tw", false) +
                   "o</p>";
    }
    void tagOverSeveralBlocksWrapsRunsInPlace()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        InsertTag(QStringLiteral("T"));
        QCOMPARE(Masked(), expected);
        // No span stands where the parser would move it: loading the cleaned body keeps it.
        const QString clean = F->CleanHtml();
        QVERIFY(F->LoadBody(clean));
        QCOMPARE(F->CleanHtml(), clean);
        QCOMPARE(F->Js(QStringLiteral("getEmbeddedTags().length")).toInt(), 1);
    }

    void selectionWithoutTextMakesNoTag()
    {
        QVERIFY(F->LoadBody(
            QStringLiteral("<p><img src=\"data:image/gif;base64,R0lGODlhAQABAAAAACw=\"></p>")));
        F->FocusPage();
        F->Js(
            QStringLiteral("editor.focus(); const r = document.createRange(); "
                           "r.selectNodeContents(editor.firstChild);"
                           " getSelection().removeAllRanges(); getSelection().addRange(r); true"));
        InsertTag(QStringLiteral("picture"));
        QCOMPARE(F->Js(QStringLiteral("editor.querySelectorAll('span').length")).toInt(), 0);
        QCOMPARE(F->Posts().value(0).Json,
                 QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":[]}"));
    }

    void blankTagNameIsRefused()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        F->PressPaneButton(QStringLiteral("openTagModal"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-tagname'")));
        F->Type(QStringLiteral("   "));
        F->Key(Qt::Key_Return);
        QVERIFY(Open(QStringLiteral("modal-tag")));
        QCOMPARE(
            F->JsText(QStringLiteral("document.getElementById('inp-tagname').style.borderColor")),
            QStringLiteral("rgb(204, 0, 0)"));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>one two</p>"));
        QCOMPARE(F->Posts().size(), 0);
        F->Key(Qt::Key_Escape);
        QVERIFY(!Open(QStringLiteral("modal-tag")));
    }

    void dialogsNeedASelection_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("modal");
        QTest::newRow("tag") << "openTagModal" << TagAlert << "modal-tag";
        QTest::newRow("annotation") << "openAnnotModal" << AnnotAlert << "modal-annot";
    }
    void dialogsNeedASelection()
    {
        QFETCH(QString, type);
        QFETCH(QString, alert);
        QFETCH(QString, modal);
        QVERIFY(F->LoadBody(QStringLiteral("<p>abc</p>")));
        F->ClickIntoEditor();
        F->Page()->FAlerts.clear();
        F->PressPaneButton(type);
        QTRY_COMPARE_WITH_TIMEOUT(F->Page()->FAlerts, QStringList{alert}, 2000);
        QVERIFY(!Open(modal));
    }

    void tagShownAtOnceWhenAsked()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        InsertTag(QStringLiteral("T"), QStringLiteral("pink"), true);
        QCOMPARE(Classes(), QStringLiteral("pink"));
        QCOMPARE(F->JsText(QStringLiteral(
                     "getComputedStyle(editor.querySelector('[data-hash]')).backgroundColor")),
                 QStringLiteral("rgb(255, 176, 208)"));
        QVERIFY(!F->CleanHtml().contains(QStringLiteral("class")));
    }

    void displayOperations_data()
    {
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("classes");
        QTest::newRow("show all") << QStringList{"{\"type\":\"showAll\"}"}
                                  << "blue,blue,red,yellow";
        QTest::newRow("hide all") << QStringList{"{\"type\":\"showAll\"}", "{\"type\":\"hideAll\"}"}
                                  << ",,,";
        QTest::newRow("show tag")
            << QStringList{"{\"type\":\"showTag\",\"id\":\"t1\",\"colour\":\"green\"}"}
            << "green,green,,";
        QTest::newRow("fade tag")
            << QStringList{"{\"type\":\"fadeTag\",\"id\":\"t2\",\"colour\":\"red\"}"}
            << ",,red-fade,";
        QTest::newRow("hide tag") << QStringList{"{\"type\":\"showAll\"}",
                                                 "{\"type\":\"hideTag\",\"id\":\"t1\"}"}
                                  << ",,red,yellow";
        QTest::newRow("show colour")
            << QStringList{"{\"type\":\"showColour\",\"colour\":\"red\"}"} << ",,red,";
        QTest::newRow("hide colour") << QStringList{"{\"type\":\"showAll\"}",
                                                    "{\"type\":\"hideColour\",\"colour\":\"blue\"}"}
                                     << ",,red,yellow";
        QTest::newRow("unknown id")
            << QStringList{"{\"type\":\"showTag\",\"id\":\"zz\",\"colour\":\"red\"}"} << ",,,";
    }
    void displayOperations()
    {
        QFETCH(QStringList, messages);
        QFETCH(QString, classes);
        QVERIFY(F->LoadBody(ThreeTags));
        for (const QString& text : messages) {
            F->SendText(text);
        }
        QCOMPARE(Classes(), classes);
        // Display state never reaches the stored body, stays on screen, and showing reports
        // nothing.
        QCOMPARE(F->CleanHtml(), ThreeTags);
        QCOMPARE(Classes(), classes);
        QTest::qWait(150);
        QCOMPARE(F->Posts().size(), 0);
    }

    void userColourOnAMarkIsKept_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("mark");    // selector of the mark
        QTest::addColumn<QString>("display"); // host message that adds display state
        QTest::newRow("tag") << "<p>a <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
                                "data-tag=\"T\">marked</span> b</p>"
                             << "#tg"
                             << "{\"type\":\"showTag\",\"id\":\"tg\",\"colour\":\"red\"}";
        QTest::newRow("annotation")
            << "<p>a <span id=\"ann_k1\" class=\"dm-annot\">marked</span> b</p>"
            << "#ann_k1"
            << "{\"type\":\"scrollAnnotation\",\"spanId\":\"ann_k1\"}";
    }
    void userColourOnAMarkIsKept()
    {
        QFETCH(QString, body);
        QFETCH(QString, mark);
        QFETCH(QString, display);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(QStringLiteral("marked")));
        F->Click(QStringLiteral("#btn-backcolor"));
        F->Click(QStringLiteral("#bc-picker [data-color='#ffff99']"));
        const QString coloured = F->InnerHtml();
        // The engine put the colour on the mark itself.
        QVERIFY2(F->JsText(QStringLiteral("document.querySelector('%1').style.backgroundColor")
                               .arg(mark)) == QStringLiteral("rgb(255, 255, 153)"),
                 qPrintable(coloured));
        F->SendText(display);
        QVERIFY(F->InnerHtml() != coloured);
        QCOMPARE(F->CleanHtml(), coloured);
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 2500);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), coloured);
        // Shown again, the note keeps its colour.
        QVERIFY(F->LoadBody(coloured));
        QCOMPARE(F->CleanHtml(), coloured);
    }

    void removeTagKeepsTextAndAlwaysAnswers_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("tagsLeft");
        QTest::newRow("two spans")
            << "t1"
            << "<p>a b <span data-hash=\"t2\" data-colour=\"red\" id=\"t2\" "
               "data-tag=\"two\">c</span> "
               "<span data-hash=\"t3\" id=\"t3\" data-tag=\"three\">d</span></p>"
            << 2;
        QTest::newRow("unknown id") << "zz" << ThreeTags << 3;
    }
    void removeTagKeepsTextAndAlwaysAnswers()
    {
        QFETCH(QString, id);
        QFETCH(QString, expected);
        QFETCH(int, tagsLeft);
        QVERIFY(F->LoadBody(ThreeTags));
        F->Send(Msg(QStringLiteral("removeTag"), {{QStringLiteral("id"), id}}));
        QCOMPARE(F->InnerHtml(), expected);
        QCOMPARE(F->JsText(QStringLiteral("editor.textContent")), QStringLiteral("a b c d"));
        const TPosted changed = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[0].Type(), QStringLiteral("tagsUpdated"));
        QCOMPARE(posts[0].Msg.value(QStringLiteral("tags")).toArray().size(), tagsLeft);
        QCOMPARE(changed.Msg.value(QStringLiteral("html")).toString(), expected);
    }

    void renameTag_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("answers");
        QTest::newRow("renamed") << "t2"
                                 << "deux" << true;
        QTest::newRow("empty name") << "t2"
                                    << "" << false;
        QTest::newRow("unknown id") << "zz"
                                    << "x" << false;
        QTest::newRow("page element id") << "toolbar"
                                         << "x" << false;
    }
    void renameTag()
    {
        QFETCH(QString, id);
        QFETCH(QString, name);
        QFETCH(bool, answers);
        QVERIFY(F->LoadBody(ThreeTags));
        F->Send(Msg(QStringLiteral("renameTag"),
                    {{QStringLiteral("id"), id}, {QStringLiteral("name"), name}}));
        if (!answers) {
            QTest::qWait(250);
            QCOMPARE(F->Posts().size(), 0);
            QCOMPARE(F->CleanHtml(), ThreeTags);
            return;
        }
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 1000).Msg.isEmpty());
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts[0].Json,
                 QStringLiteral("{\"type\":\"tagsUpdated\",\"tags\":["
                                "{\"id\":\"t2\",\"tag\":\"deux\",\"colour\":\"red\"},"
                                "{\"id\":\"t1\",\"tag\":\"one\",\"colour\":\"blue\"},"
                                "{\"id\":\"t3\",\"tag\":\"three\",\"colour\":\"yellow\"}]}"));
    }

    void recolourTag_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("classes");
        QTest::newRow("hidden") << ""
                                << ",,,";
        QTest::newRow("shown") << "{\"type\":\"showAll\"}"
                               << "green,green,red,yellow";
        QTest::newRow("fading") << "{\"type\":\"fadeTag\",\"id\":\"t1\",\"colour\":\"blue\"}"
                                << "green-fade,green-fade,,";
    }
    void recolourTag()
    {
        QFETCH(QString, before);
        QFETCH(QString, classes);
        QVERIFY(F->LoadBody(ThreeTags));
        if (!before.isEmpty()) {
            F->SendText(before);
        }
        F->Send(Msg(QStringLiteral("recolourTag"),
                    {{QStringLiteral("id"), QStringLiteral("t1")},
                     {QStringLiteral("colour"), QStringLiteral("green")}}));
        QCOMPARE(Classes(), classes);
        QCOMPARE(
            F->JsText(QStringLiteral("Array.from(editor.querySelectorAll('[data-hash=\"t1\"]'))"
                                     ".map(e => e.dataset.colour).join()")),
            QStringLiteral("green,green"));
        QVERIFY(!F->WaitForPost(QStringLiteral("contentChanged"), 1000).Msg.isEmpty());
        QCOMPARE(F->PostedTypes(),
                 (QStringList{QStringLiteral("tagsUpdated"), QStringLiteral("contentChanged")}));
        // An id without spans changes and answers nothing.
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("recolourTag"),
                    {{QStringLiteral("id"), QStringLiteral("zz")},
                     {QStringLiteral("colour"), QStringLiteral("red")}}));
        QTest::qWait(200);
        QCOMPARE(F->Posts().size(), 0);
    }

    void annotationPostsBodyBeforeRecord()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>The quick brown fox</p>")));
        QVERIFY(F->SelectText(QStringLiteral("quick")));
        F->PressPaneButton(QStringLiteral("openAnnotModal"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-annot-body'")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('annot-snippet').textContent")),
                 QStringLiteral("“quick”"));
        F->Type(QStringLiteral("  my note  "));
        F->Click(QStringLiteral("#btn-annot-ok"));
        QVERIFY(!Open(QStringLiteral("modal-annot")));
        QCOMPARE(Masked(), QStringLiteral("<p>The ") + Annot(QStringLiteral("quick")) +
                               QStringLiteral(" brown fox</p>"));
        const QString spanId = F->JsText(QStringLiteral("editor.querySelector('.dm-annot').id"));
        QVERIFY(QRegularExpression(QStringLiteral("^ann_[0-9a-z]{9,}$")).match(spanId).hasMatch());
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 2);
        QCOMPARE(posts[0].Type(), QStringLiteral("contentChanged"));
        QVERIFY(posts[0].Msg.value(QStringLiteral("html")).toString().contains(spanId));
        QCOMPARE(posts[1].Json,
                 QStringLiteral(
                     "{\"type\":\"annotationCreated\",\"spanId\":\"%1\",\"snippet\":\"quick\","
                     "\"body\":\"my note\"}")
                     .arg(spanId));
        QTest::qWait(200);
        QCOMPARE(F->Posts().size(), 2);
    }

    void longPassageIsCutInSnippets()
    {
        const QString text = QStringLiteral("abcdefghij").repeated(30);
        QVERIFY(F->LoadBody(QStringLiteral("<p>%1</p>").arg(text)));
        QVERIFY(F->SelectText(text));
        F->PressPaneButton(QStringLiteral("openAnnotModal"));
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-annot-body'")));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('annot-snippet').textContent")),
                 QStringLiteral("“") + text.left(80) + QStringLiteral("…”"));
        F->Click(QStringLiteral("#btn-annot-ok"));
        const TPosted created = F->WaitForPost(QStringLiteral("annotationCreated"), 1000);
        QCOMPARE(created.Msg.value(QStringLiteral("snippet")).toString(), text.left(200));
        QCOMPARE(created.Msg.value(QStringLiteral("body")).toString(), QString());
    }

    void annotationAcrossBlocks_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("two paragraphs") << "<p>one two</p><p>three four</p>"
                                        << "two"
                                        << "three" << QString();
        QTest::newRow("paragraph into list") << "<p>one two</p><ul><li>three</li></ul><p>x</p>"
                                             << "two"
                                             << "thr" << QString();
        QTest::newRow("over a whole paragraph") << "x<p>y</p>z"
                                                << "x"
                                                << "z" << QString();
        QTest::newRow("inline markup") << "<p>a<b>bc</b>d</p>"
                                       << "a"
                                       << "b"
                                       << "<p>" + Annot("a<b>b</b>") + "<b>c</b>d</p>";
        QTest::newRow("two list items") << "<ul><li>alpha</li><li>beta</li></ul>"
                                        << "ph"
                                        << "be" << QString();
        QTest::newRow("two table cells")
            << "<table><tbody><tr><td>c1</td><td>c2</td></tr></tbody></table>"
            << "1"
            << "c2" << QString();
    }
    void annotationAcrossBlocks()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        if (expected.isEmpty()) {
            ExpectAnnotationRefused(BlockNotice, body);
            QCOMPARE(F->Posts().size(), 0);
            return;
        }
        AddAnnotation(QStringLiteral("n"));
        QCOMPARE(Masked(), expected);
        const QString clean = F->CleanHtml();
        QVERIFY(F->LoadBody(clean));
        QCOMPARE(F->CleanHtml(), clean);
    }

    // Font size, an annotation or a tag over part of a mark never copies the mark's identity: a
    // piece split off a tag is a further span of it, and an annotation keeps its one span (a new
    // annotation over part of another is refused). Undo and redo give back exactly each state.
    void partlyCoveredMarkKeepsItsIdentity_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("op");       // "size", "annotation" or "tag"
        QTest::addColumn<QString>("expected"); // new ids masked; empty: refused
        const QString tagged = QStringLiteral("<p>see <span data-hash=\"tg\" data-colour=\"red\" "
                                              "id=\"tg\" data-tag=\"T\">%1</span>%2 "
                                              "more</p>");
        const QString noted =
            QStringLiteral("<p>see <span id=\"ann_k1\" class=\"dm-annot\">%1</span>%2 more</p>");
        const QString tg = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString piece =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        const QString size = QStringLiteral("<span style=\"font-size: 14pt;\">%1</span>");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tagBody = tagged.arg("tagged words", " and");
        const QString annBody = noted.arg("noted words", " and");

        QTest::newRow("size over the end of a tag")
            << tagBody << "words"
            << "and"
            << "size"
            << "<p>see " + tg.arg("tagged ") + size.arg(piece.arg("words") + " and") + " more</p>";
        QTest::newRow("annotation over the end of a tag")
            << tagBody << "words"
            << "and"
            << "annotation"
            << "<p>see " + tg.arg("tagged ") + Annot(piece.arg("words") + " and") + " more</p>";
        // The user's own colour on the tag stays on both pieces.
        const QString coloured =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\"%1 style=\"background-color: "
                           "rgb(255, 255, 153);\">%2</span>");
        const QString canonical = QStringLiteral(" id=\"tg\" data-tag=\"T\"");
        QTest::newRow("size over the end of a tag the user coloured")
            << "<p>see " + coloured.arg(canonical, "tagged words") + " and more</p>"
            << "words"
            << "and"
            << "size"
            << "<p>see " + coloured.arg(canonical, "tagged ") +
                   size.arg(coloured.arg(QString(), "words") + " and") + " more</p>";
        QTest::newRow("size over the start of a tag")
            << tagBody << "see"
            << "tagged"
            << "size"
            << "<p>" + size.arg("see " + tg.arg("tagged")) + piece.arg(" words") + " and more</p>";
        QTest::newRow("size from the start of a tag")
            << tagBody << "tagged"
            << "and"
            << "size"
            << "<p>see " + size.arg(tg.arg("tagged words") + " and") + " more</p>";
        QTest::newRow("tag over the end of a tag")
            << tagBody << "words"
            << "and"
            << "tag"
            << "<p>see " + tg.arg("tagged " + Tag("words", true)) + Tag(" and", false) +
                   " more</p>";
        QTest::newRow("size over the end of an annotation")
            << annBody << "words"
            << "and"
            << "size"
            << "<p>see " + ann.arg("noted " + size.arg("words")) + size.arg(" and") + " more</p>";
        QTest::newRow("annotation over the end of an annotation") << annBody << "words"
                                                                  << "and"
                                                                  << "annotation" << QString();
        QTest::newRow("annotation from the start of an annotation")
            << annBody << "noted"
            << "and"
            << "annotation"
            << "<p>see " + Annot(ann.arg("noted words") + " and") + " more</p>";
        QTest::newRow("tag over the end of an annotation")
            << annBody << "words"
            << "and"
            << "tag"
            << "<p>see " + ann.arg("noted " + Tag("words", true)) + Tag(" and", false) +
                   " more</p>";
    }
    void partlyCoveredMarkKeepsItsIdentity()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, op);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        if (expected.isEmpty()) {
            ExpectAnnotationRefused(OverlapNotice, body);
            return;
        }
        if (op == QLatin1String("size")) {
            F->Js(QStringLiteral("sizeSelect.value = '14pt'; sizeSelect.dispatchEvent(new "
                                 "Event('change')); true"));
        } else if (op == QLatin1String("annotation")) {
            AddAnnotation(QStringLiteral("n"));
        } else {
            InsertTag(QStringLiteral("T"));
        }
        const QString done = F->InnerHtml();
        // The generated ids: the new annotation's, the new tag's.
        QString masked = done;
        const QString newIds = F->JsText(QStringLiteral(
            "Array.from(editor.querySelectorAll('[id]'), (e) => e.id).filter((id) => id !== 'tg'"
            " && id !== 'ann_k1').join(' ')"));
        for (const QString& id : newIds.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            masked.replace(QLatin1Char('"') + id + QLatin1Char('"'),
                           id.startsWith(QLatin1String("ann_")) ? QStringLiteral("\"ANN\"")
                                                                : QStringLiteral("\"ID\""));
        }
        QCOMPARE(masked, expected);
        QCOMPARE(F->JsText(QStringLiteral(
                     "(function(){ const ids = Array.from(editor.querySelectorAll('[id]'),"
                     " (e) => e.id); return ids.filter((id, i) => ids.indexOf(id) !== i)"
                     ".join(); })()")),
                 QString());
        QCOMPARE(F->Js(QStringLiteral("getEmbeddedTags().length")).toInt(),
                 int(expected.count(QStringLiteral("data-tag="))));
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), done);
        const QString clean = F->CleanHtml();
        QVERIFY(F->LoadBody(clean));
        QCOMPARE(F->CleanHtml(), clean);
    }

    // A clipboard that holds two copies of one tag's first span gives each pasted copy a tag of
    // its own; a further span of the tag pasted after a copy belongs to that copy.
    void clipboardCopiesOfOneTagGetOwnIds_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<int>("tags");         // tags listed after the paste
        QTest::addColumn<QString>("original"); // the id of the note's own tag ("-": none)
        const QString tg = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">tagged</span>");
        QTest::newRow("into the note holding the tag")
            << "<p>one " + tg + "</p><p>here</p>" << 3 << "tg";
        QTest::newRow("into another note") << "<p>here</p>" << 2 << "-";
    }
    void clipboardCopiesOfOneTagGetOwnIds()
    {
        QFETCH(QString, body);
        QFETCH(int, tags);
        QFETCH(QString, original);
        auto* clip = new QMimeData;
        clip->setText(QStringLiteral("first piece second"));
        clip->setHtml(QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">first</span> "
            "<span data-hash=\"tg\" data-colour=\"red\">piece</span> "
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">second</span>"));
        QGuiApplication::clipboard()->setMimeData(clip);
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("editor.textContent.includes('second')")));
        const auto hashOf = [this](const QString& AText, const QString& AAttr) {
            return F->JsText(
                QStringLiteral("(function(){ const e = Array.from(editor.querySelectorAll("
                               "'[data-hash]')).find((s) => s.textContent === %1);"
                               " return e ? e.getAttribute('%2') || '' : '-'; })()")
                    .arg(JsString(AText), AAttr));
        };
        const QString first = hashOf(QStringLiteral("first"), QStringLiteral("data-hash"));
        const QString second = hashOf(QStringLiteral("second"), QStringLiteral("data-hash"));
        QVERIFY2(first != second, qPrintable(F->InnerHtml()));
        QCOMPARE(hashOf(QStringLiteral("first"), QStringLiteral("id")), first);
        QCOMPARE(hashOf(QStringLiteral("second"), QStringLiteral("id")), second);
        QCOMPARE(hashOf(QStringLiteral("piece"), QStringLiteral("data-hash")), first);
        QCOMPARE(hashOf(QStringLiteral("piece"), QStringLiteral("id")), QString());
        QCOMPARE(hashOf(QStringLiteral("tagged"), QStringLiteral("id")), original);
        QCOMPARE(F->Js(QStringLiteral("getEmbeddedTags().length")).toInt(), tags);
        const TPosted listed = F->WaitForPost(QStringLiteral("tagsUpdated"), 500);
        QCOMPARE(listed.Msg.value(QStringLiteral("tags")).toArray().size(), tags);
    }

    // Deleting across the boundary of two blocks joins them; a mark whose text is not deleted
    // stays a span with its id and attributes, is in the body the host is given, and the join
    // is one step of the editing history. The caret stays at the join. Text joined to a block
    // of another look takes that block's look: no style of the block it left is written into
    // the body.
    void joiningBlocksKeepsMarks_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // "^x": before x, "x$": after x, "x|y": x to y
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("typed"); // the text shown after typing "Z" at the caret
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString further =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        const QString p2 = QStringLiteral("<p>a</p><p>%1</p>");

        QTest::newRow("plain paragraphs") << p2.arg("b") << "^b"
                                          << "Backspace"
                                          << "<p>ab</p>"
                                          << "aZb";
        QTest::newRow("annotation first, backspace") << p2.arg(ann.arg("b")) << "^b"
                                                     << "Backspace"
                                                     << "<p>a" + ann.arg("b") + "</p>"
                                                     << "aZb";
        QTest::newRow("annotation first, delete") << p2.arg(ann.arg("b")) << "a$"
                                                  << "Delete"
                                                  << "<p>a" + ann.arg("b") + "</p>"
                                                  << "aZb";
        QTest::newRow("annotation first, word backspace") << p2.arg(ann.arg("b")) << "^b"
                                                          << "Ctrl+Backspace"
                                                          << "<p>a" + ann.arg("b") + "</p>"
                                                          << "aZb";
        QTest::newRow("annotation with bold inside") << p2.arg(ann.arg("<b>b</b>")) << "^b"
                                                     << "Backspace"
                                                     << "<p>a" + ann.arg("<b>b</b>") + "</p>"
                                                     << "aZb";
        QTest::newRow("annotation in the middle") << p2.arg("x " + ann.arg("b") + " c") << "^x"
                                                  << "Backspace"
                                                  << "<p>ax " + ann.arg("b") + " c</p>"
                                                  << "aZx b c";
        QTest::newRow("tag first, backspace") << p2.arg(tag.arg("b")) << "^b"
                                              << "Backspace"
                                              << "<p>a" + tag.arg("b") + "</p>"
                                              << "aZb";
        QTest::newRow("tag first, delete") << p2.arg(tag.arg("b")) << "a$"
                                           << "Delete"
                                           << "<p>a" + tag.arg("b") + "</p>"
                                           << "aZb";
        QTest::newRow("tag passage joined to its first")
            << "<p>" + tag.arg("a") + "</p><p>" + further.arg("b") + "</p>"
            << "^b"
            << "Backspace"
            << "<p>" + tag.arg("a") + further.arg("b") + "</p>"
            << "aZb";
        QTest::newRow("heading and paragraph") << "<h2>a</h2><p>" + ann.arg("b") + "</p>"
                                               << "^b"
                                               << "Backspace"
                                               << "<h2>a" + ann.arg("b") + "</h2>"
                                               << "aZb";
        QTest::newRow("empty paragraph before") << "<p><br></p><p>" + ann.arg("b") + "</p>"
                                                << "^b"
                                                << "Backspace"
                                                << "<p>" + ann.arg("b") + "</p>"
                                                << "Zb";
        QTest::newRow("list items, backspace") << "<ul><li>a</li><li>" + ann.arg("b") + "</li></ul>"
                                               << "^b"
                                               << "Backspace"
                                               << "<ul><li>a" + ann.arg("b") + "</li></ul>"
                                               << "aZb";
        QTest::newRow("list items, delete") << "<ul><li>a</li><li>" + ann.arg("b") + "</li></ul>"
                                            << "a$"
                                            << "Delete"
                                            << "<ul><li>a" + ann.arg("b") + "</li></ul>"
                                            << "aZb";
        // The selected part of the span's text goes; the span keeps the rest.
        QTest::newRow("selection into an annotation deleted")
            << "<p>ab</p><p>" + ann.arg("cd") + "</p>"
            << "b|c"
            << "Delete"
            << "<p>a" + ann.arg("d") + "</p>"
            << "aZd";
        QTest::newRow("selection over three blocks deleted")
            << "<p>ab</p><p>x</p><p>" + ann.arg("cd") + "</p>"
            << "b|c"
            << "Backspace"
            << "<p>a" + ann.arg("d") + "</p>"
            << "aZd";
        QTest::newRow("selection into a tag typed over") << "<p>ab</p><p>" + tag.arg("cd") + "</p>"
                                                         << "b|c"
                                                         << "X"
                                                         << "<p>aX" + tag.arg("d") + "</p>"
                                                         << "aXZd";
        QTest::newRow("selection into an annotation cut") << "<p>ab</p><p>" + ann.arg("cd") + "</p>"
                                                          << "b|c"
                                                          << "Ctrl+X"
                                                          << "<p>a" + ann.arg("d") + "</p>"
                                                          << "aZd";
        QTest::newRow("selection into an annotation, new paragraph")
            << "<p>ab</p><p>" + ann.arg("cd") + "</p>"
            << "b|c"
            << "Enter"
            << "<p>a</p><p>" + ann.arg("d") + "</p>"
            << "a\n\nZd";
        QTest::newRow("whole first block, new paragraph")
            << "<p>ab</p><p>" + ann.arg("cd") + "</p>"
            << "ab|c"
            << "Enter"
            << "<p><br></p><p>" + ann.arg("d") + "</p>"
            << "\n\n\nZd";
        QTest::newRow("selection into an annotation, new line")
            << "<p>ab</p><p>" + ann.arg("cd") + "</p>"
            << "b|c"
            << "Shift+Enter"
            << "<p>a<br>" + ann.arg("d") + "</p>"
            << "a\nZd";
        QTest::newRow("selection over a whole annotation")
            << "<p>ab</p><p>" + ann.arg("cd") + " e</p>"
            << "b|cd"
            << "Delete"
            << "<p>a e</p>"
            << "aZ e";
        QTest::newRow("selection out of an annotation") << "<p>" + ann.arg("ab") + "</p><p>cd</p>"
                                                        << "b|c"
                                                        << "Delete"
                                                        << "<p>" + ann.arg("a") + "d</p>"
                                                        << "aZd";
        // Text loose in the editor's root (as a list item turned off leaves it) joins the same.
        QTest::newRow("loose annotation after a list, backspace")
            << "<ul><li>a</li></ul>" + ann.arg("b") + " c"
            << "^b"
            << "Backspace"
            << "<ul><li>a" + ann.arg("b") + " c</li></ul>"
            << "aZb c";
        QTest::newRow("loose annotation before a line break, backspace")
            << "<p>a</p>" + ann.arg("b") + "<br>d"
            << "^b"
            << "Backspace"
            << "<p>a" + ann.arg("b") + "</p>d"
            << "aZb\n\nd";
        QTest::newRow("loose text before an annotated paragraph, delete")
            << "a<p>" + ann.arg("b") + "</p>"
            << "a$"
            << "Delete"
            << "a" + ann.arg("b") << "aZb";
        QTest::newRow("paragraph after a quote, backspace")
            << "<blockquote>quoted</blockquote><p>body text</p>"
            << "^body"
            << "Backspace"
            << "<blockquote>quotedbody text</blockquote>"
            << "quotedZbody text";
        QTest::newRow("paragraph into a quote typed over")
            << "<p>some words</p><blockquote>quoted rest</blockquote>"
            << "words|quoted"
            << "X"
            << "<p>some X rest</p>"
            << "some XZ rest";
        QTest::newRow("paragraph after a quote's paragraph, delete")
            << "<blockquote><p>a</p></blockquote><p><b>b</b></p>"
            << "a$"
            << "Delete"
            << "<blockquote><p>a<b>b</b></p></blockquote>"
            << "aZb";
        // An empty block joined leaves nothing of itself, not even its line break.
        QTest::newRow("empty paragraph after a quote, delete")
            << "<blockquote>quoted</blockquote><p><br></p><p>next</p>"
            << "quoted$"
            << "Delete"
            << "<blockquote>quoted</blockquote><p>next</p>"
            << "quotedZ\n\nnext";
        QTest::newRow("empty paragraph after an annotation, delete")
            << "<p>" + ann.arg("noted") + "</p><p><br></p><p>next</p>"
            << "noted$"
            << "Delete"
            << "<p>" + ann.arg("noted") + "</p><p>next</p>"
            << "notedZ\n\nnext";
    }
    void joiningBlocksKeepsMarks()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, keys);
        QFETCH(QString, after);
        QFETCH(QString, typed);
        QVERIFY(F->LoadBody(body));
        if (caret.startsWith(QLatin1Char('^'))) {
            QVERIFY(F->SelectText(caret.mid(1)));
            F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        } else if (caret.endsWith(QLatin1Char('$'))) {
            QVERIFY(F->SelectText(caret.chopped(1)));
            F->Js(QStringLiteral("getSelection().collapseToEnd(); true"));
        } else {
            const QStringList ends = caret.split(QLatin1Char('|'));
            QVERIFY(F->SelectText(ends[0], ends.value(1)));
        }
        if (keys == QLatin1String("Backspace")) {
            F->Key(Qt::Key_Backspace);
        } else if (keys == QLatin1String("Ctrl+Backspace")) {
            F->Key(Qt::Key_Backspace, Qt::ControlModifier);
        } else if (keys == QLatin1String("Delete")) {
            F->Key(Qt::Key_Delete);
        } else if (keys == QLatin1String("Ctrl+X")) {
            F->Key(Qt::Key_X, Qt::ControlModifier);
        } else if (keys == QLatin1String("Enter")) {
            F->Key(Qt::Key_Return);
        } else if (keys == QLatin1String("Shift+Enter")) {
            F->Key(Qt::Key_Return, Qt::ShiftModifier);
        } else {
            F->Type(keys);
        }
        QCOMPARE(F->InnerHtml(), after);
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("j")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 100);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), after);

        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        F->Type(QStringLiteral("Z"));
        QCOMPARE(F->JsText(QStringLiteral("editor.innerText")), typed);
    }

    // Backspace at the start of a block right after a table joins nothing: the block stays as
    // it is with its marks (the browser's step would leave out a mark's span that ends the
    // block), and nothing is reported.
    void backspaceAfterATableKeepsTheBlock_data()
    {
        QTest::addColumn<QString>("block");
        QTest::newRow("annotation") << "<p>" + Annot(QStringLiteral("b")) + "</p>";
        QTest::newRow("tag") << "<p>" + Tag(QStringLiteral("b"), true) + "</p>";
        QTest::newRow("tag after text") << "<p>a " + Tag(QStringLiteral("b"), true) + "</p>";
    }
    void backspaceAfterATableKeepsTheBlock()
    {
        QFETCH(QString, block);
        const QString body = "<table><tbody><tr><td>x</td></tr></tbody></table>" + block;
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(QStringLiteral("b")));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        F->Key(Qt::Key_Home);
        F->Key(Qt::Key_Backspace);
        QCOMPARE(F->InnerHtml(), body);
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("t")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        QVERIFY(F->WaitForPost(QStringLiteral("contentChanged"), 100).Msg.isEmpty());
        F->Type(QStringLiteral("Z"));
        QVERIFY(F->JsText(QStringLiteral("editor.querySelector('p').textContent")).startsWith('Z'));
    }

    // A new paragraph inside a mark splits it: a tag's second half is a further span of the
    // tag, an annotation keeps its one span in the first block. One undo takes the new paragraph
    // back and one redo brings it again.
    void newParagraphInsideAMark_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("typed");
        // The undo gives the body back to the byte, the marks' attributes in their order.
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString further =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        QTest::newRow("tag in a paragraph")
            << "<p>see " + tag.arg("tagged words") + " and more</p>"
            << "^ged"
            << "Enter"
            << "<p>see " + tag.arg("tag") + "</p><p>" + further.arg("ged words") + " and more</p>"
            << "see tag\n\nZged words and more";
        QTest::newRow("tag in a list item")
            << "<ul><li>see " + tag.arg("tagged words") + " and more</li></ul>"
            << "^ged"
            << "Enter"
            << "<ul><li>see " + tag.arg("tag") + "</li><li>" + further.arg("ged words") +
                   " and more</li></ul>"
            << "see tag\nZged words and more";
        QTest::newRow("annotation in a paragraph")
            << "<p>said " + ann.arg("annotated text") + " today</p>"
            << "^ated"
            << "Enter"
            << "<p>said " + ann.arg("annot") + "</p><p>ated text today</p>"
            << "said annot\n\nZated text today";
        QTest::newRow("annotation in a list item")
            << "<ul><li>said " + ann.arg("annotated text") + " today</li></ul>"
            << "^ated"
            << "Enter"
            << "<ul><li>said " + ann.arg("annot") + "</li><li>ated text today</li></ul>"
            << "said annot\nZated text today";
        QTest::newRow("tag within an annotation")
            << "<p>said " + ann.arg("an " + tag.arg("tagged") + " text") + "</p>"
            << "^ged"
            << "Enter"
            << "<p>said " + ann.arg("an " + tag.arg("tag")) + "</p><p>" + further.arg("ged") +
                   " text</p>"
            << "said an tag\n\nZged text";
    }
    void newParagraphInsideAMark()
    {
        joiningBlocksKeepsMarks();
        // The note lists its tag once, also after the body is loaded again.
        QCOMPARE(F->Js(QStringLiteral("getEmbeddedTags().length")).toInt(),
                 F->Js(QStringLiteral("editor.querySelectorAll('[id=tg]').length")).toInt());
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    // Deleting or typing over the first span of a tag whose other passages stay: the first of
    // those becomes the tag's first span, so the tag is still listed once. One undo takes the
    // edit back and one redo brings it again.
    void editOverATagsFirstSpanKeepsTheTag_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("typed");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString further =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        const QString twice = "<p>see " + tag.arg("first") + ", then " + further.arg("second") +
                              " and " + further.arg("third") + "</p>";
        const QString left =
            "<p>%1, then " + tag.arg("second") + " and " + further.arg("third") + "</p>";
        QTest::newRow("deleted") << twice << "first"
                                 << "Delete" << left.arg("see ") << "see Z, then second and third";
        QTest::newRow("typed over with the text before")
            << twice << "ee|first"
            << "Q" << left.arg("sQ") << "sQZ, then second and third";
        QTest::newRow("cut") << twice << "first"
                             << "Ctrl+X" << left.arg("see ") << "see Z, then second and third";
        // The page joins the blocks itself.
        QTest::newRow("joined away")
            << "<p>one</p><p>" + tag.arg("first") + "</p><p>" + further.arg("second") + "</p>"
            << "ne|first"
            << "Delete"
            << "<p>o</p><p>" + tag.arg("second") + "</p>"
            << "oZ\n\nsecond";
    }
    void editOverATagsFirstSpanKeepsTheTag()
    {
        joiningBlocksKeepsMarks();
        const QJsonArray tags = F->WaitForPost(QStringLiteral("tagsUpdated"), 500)
                                    .Msg.value(QStringLiteral("tags"))
                                    .toArray();
        QCOMPARE(tags.size(), 1);
        QCOMPARE(tags[0].toObject().value(QStringLiteral("id")).toString(), QStringLiteral("tg"));
        QCOMPARE(tags[0].toObject().value(QStringLiteral("tag")).toString(), QStringLiteral("T"));
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    // A list item turned off by the list button leaves its text in a paragraph of its own after
    // the list; Backspace at its start joins it to the item before, the mark kept.
    void listItemTurnedOffJoinsKeepingMarks()
    {
        const QString body = QStringLiteral(
            "<ul><li>first item</li><li><span id=\"ann_b\" class=\"dm-annot\">annotated</span> "
            "item</li></ul>");
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(QStringLiteral("annotated")));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        F->Click(QStringLiteral("#btn-ul"));
        const QString loose = F->InnerHtml();
        QCOMPARE(loose, QStringLiteral("<ul><li>first item</li></ul><p><span id=\"ann_b\" "
                                       "class=\"dm-annot\">annotated</span> item</p>"));
        F->Key(Qt::Key_Backspace);
        const QString joined = QStringLiteral(
            "<ul><li>first item<span id=\"ann_b\" class=\"dm-annot\">annotated</span> "
            "item</li></ul>");
        QCOMPARE(F->InnerHtml(), joined);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), loose);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), joined);
    }

    // A paste over a selection that reaches from one block into another joins them as a
    // deletion does, so a mark whose text is not replaced stays a span with its id; the pasted
    // content stands at the join. One undo takes back the paste and the join together, and one
    // redo brings both back.
    void pastingOverBlocksKeepsMarks_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text"); // the clipboard's plain text
        QTest::addColumn<QString>("html"); // the clipboard's markup, if any
        QTest::addColumn<QString>("after");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString into = QStringLiteral("<p>ab</p><p>%1</p>");

        QTest::newRow("plain text into an annotation") << into.arg(ann.arg("cd")) << "zz"
                                                       << ""
                                                       << "<p>azz" + ann.arg("d") + "</p>";
        QTest::newRow("markup into an annotation") << into.arg(ann.arg("cd")) << "zz"
                                                   << "<b>zz</b>"
                                                   << "<p>a<b>zz</b>" + ann.arg("d") + "</p>";
        QTest::newRow("plain text into a tag") << into.arg(tag.arg("cd")) << "zz"
                                               << ""
                                               << "<p>azz" + tag.arg("d") + "</p>";
        QTest::newRow("markup into a tag") << into.arg(tag.arg("cd")) << "zz"
                                           << "<b>zz</b>"
                                           << "<p>a<b>zz</b>" + tag.arg("d") + "</p>";
        QTest::newRow("plain text over three blocks")
            << "<p>ab</p><p>x</p><p>" + ann.arg("cd") + "</p>"
            << "zz"
            << ""
            << "<p>azz" + ann.arg("d") + "</p>";
        QTest::newRow("markup over three blocks") << "<p>ab</p><p>x</p><p>" + tag.arg("cd") + "</p>"
                                                  << "zz"
                                                  << "<b>zz</b>"
                                                  << "<p>a<b>zz</b>" + tag.arg("d") + "</p>";
        // The pasted copy of the annotation gives its span up, in the same undo step.
        QTest::newRow("markup with a copy of the annotation")
            << into.arg(ann.arg("cd")) << "zz" << ann.arg("zz") << "<p>azz" + ann.arg("d") + "</p>";
        // The rest of the second block joins the last pasted paragraph.
        QTest::newRow("markup of two paragraphs") << into.arg(ann.arg("cd")) << "y\nzz"
                                                  << "<p>y</p><p>zz</p>"
                                                  << "<p>ay</p><p>zz" + ann.arg("d") + "</p>";
        // Pasted where the deletion began, as typed text would be.
        QTest::newRow("plain text out of an annotation into a tag")
            << "<p>" + ann.arg("ab") + "</p><p>" + tag.arg("cd") + "</p>"
            << "zz"
            << ""
            << "<p>" + ann.arg("azz") + tag.arg("d") + "</p>";
        // The tag's first passage goes with the selection: its other passage takes its place.
        QTest::newRow("plain text over a tag's first passage")
            << "<p>a" + tag.arg("b") +
                   "</p><p><span data-hash=\"tg\" data-colour=\"red\">cd</span></p>"
            << "zz"
            << ""
            << "<p>azz" + tag.arg("d") + "</p>";
        QTest::newRow("no marks") << "<p>ab</p><p>cd</p>"
                                  << "zz"
                                  << "<b>zz</b>"
                                  << "<p>a<b>zz</b>d</p>";
        // The selection begins after a mark, past a space: the space stays and the pasted text
        // stands after it, outside the mark, as typed text would.
        const QString afterAnn = "<p>one " + ann.arg("anno") + " b</p><p>c tagged</p>";
        QTest::newRow("plain text after an annotation")
            << afterAnn << "zz"
            << ""
            << "<p>one " + ann.arg("anno") + " zz tagged</p>";
        QTest::newRow("markup after an annotation")
            << afterAnn << "zz"
            << "<b>zz</b>"
            << "<p>one " + ann.arg("anno") + " <b>zz</b> tagged</p>";
        QTest::newRow("lines of plain text after an annotation")
            << afterAnn << "x\ny\nzz"
            << ""
            << "<p>one " + ann.arg("anno") + " x</p><p>y</p><p>zz tagged</p>";
        QTest::newRow("plain text into a quote") << "<p>ab</p><blockquote>cd</blockquote>"
                                                 << "zz"
                                                 << ""
                                                 << "<p>azzd</p>";
        QTest::newRow("plain text out of a quote") << "<blockquote>ab</blockquote><p>cd</p>"
                                                   << "zz"
                                                   << ""
                                                   << "<blockquote>azzd</blockquote>";
        QTest::newRow("markup into a quote") << "<p>ab</p><blockquote>cd</blockquote>"
                                             << "zz"
                                             << "<b>zz</b>"
                                             << "<p>a<b>zz</b>d</p>";
        // The text pasted over a block and the start of a table stands in that block.
        QTest::newRow("plain text from an annotation into a table")
            << "<p>" + ann.arg("b") + "</p><table><tbody><tr><td>cd</td></tr></tbody></table>"
            << "zz"
            << ""
            << "<p>zz</p><table><tbody><tr><td>d</td></tr></tbody></table>";
        QTest::newRow("plain text after a tag")
            << "<p>one " + tag.arg("tagged") + " b</p><p>c " + ann.arg("d") + "</p>"
            << "zz"
            << ""
            << "<p>one " + tag.arg("tagged") + " zz " + ann.arg("d") + "</p>";
    }
    void pastingOverBlocksKeepsMarks()
    {
        QFETCH(QString, body);
        QFETCH(QString, text);
        QFETCH(QString, html);
        QFETCH(QString, after);
        auto* clip = new QMimeData;
        clip->setText(text);
        if (!html.isEmpty()) {
            clip->setHtml(html);
        }
        QGuiApplication::clipboard()->setMimeData(clip);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(QStringLiteral("b"), QStringLiteral("c")));
        const QString selected = F->JsText(QStringLiteral("getSelection().toString()"));
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("editor.textContent.includes('zz')")));
        QCOMPARE(F->InnerHtml(), after);
        // The caret stands at the end of the pasted text.
        QCOMPARE(F->JsText(QStringLiteral(
                     "(function(){ const r = document.createRange(); r.setStart(editor, 0);"
                     " const s = getSelection(); r.setEnd(s.focusNode, s.focusOffset);"
                     " return r.toString(); })()")),
                 F->JsText(QStringLiteral("editor.textContent.slice(0,"
                                          " editor.textContent.indexOf('zz') + 2)")));
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("p")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 100);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), after);

        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        QCOMPARE(F->JsText(QStringLiteral("getSelection().toString()")), selected);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
    }

    // A paste inside an annotation may cut its span in two: the piece that keeps the id stays
    // the annotation, the other is no annotation at all.
    void pastingInsideAMarkLeavesOneMark_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("after");
        // The undo gives the body back to the byte, the annotation's attributes in their order.
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        QTest::newRow("paragraph into an annotation") << "<p>x" + ann.arg("abcd") + " e</p>"
                                                      << "zz"
                                                      << "<p>zz</p>"
                                                      << "<p>x" + ann.arg("a") + "zzd e</p>";
    }
    void pastingInsideAMarkLeavesOneMark() { pastingOverBlocksKeepsMarks(); }

    // The list buttons over a line break inside a mark: a tag's passage after the break is a
    // further passage of the tag in the next item, and an annotation keeps its whole text in one
    // item, so the mark keeps one element with its id. One undo takes the list back and one redo
    // brings it again.
    void listOverAMarkKeepsOneMark_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("mark");
        QTest::addColumn<int>("items");
        QTest::addColumn<QString>("marked"); // the text of the element with the mark's id
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        QTest::newRow("annotation, bullets") << "<p>a " + ann.arg("bb<br>cc") + " d</p>"
                                             << "#btn-ul"
                                             << "ann_k1" << 1 << "bbcc";
        QTest::newRow("annotation, numbers") << "<p>a " + ann.arg("bb<br>cc") + " d</p>"
                                             << "#btn-ol"
                                             << "ann_k1" << 1 << "bbcc";
        QTest::newRow("tag") << "<p>a " + tag.arg("bb<br>cc") + " d</p>"
                             << "#btn-ul"
                             << "tg" << 2 << "bb";
    }
    void listOverAMarkKeepsOneMark()
    {
        QFETCH(QString, body);
        QFETCH(QString, button);
        QFETCH(QString, mark);
        QFETCH(int, items);
        QFETCH(QString, marked);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(QStringLiteral("b"), QStringLiteral("c")));
        F->Click(button);
        QVERIFY(F->WaitJs(QStringLiteral("!!editor.querySelector('li')")));
        const QString after = F->InnerHtml();
        const auto count = [this](const QString& ASelector) {
            return F->Js(QStringLiteral("editor.querySelectorAll('%1').length").arg(ASelector))
                .toInt();
        };
        QVERIFY2(count(QStringLiteral("li")) == items, qPrintable(after));
        QVERIFY2(count(QStringLiteral("[id=%1]").arg(mark)) == 1, qPrintable(after));
        QCOMPARE(F->JsText(QStringLiteral("editor.querySelector('[id=%1]').textContent").arg(mark)),
                 marked);
        QVERIFY2(count(QStringLiteral(".dm-annot:not([id])")) == 0, qPrintable(after));
        QVERIFY2(count(QStringLiteral("[data-tag]")) == (mark == QLatin1String("tg") ? 1 : 0),
                 qPrintable(after));
        QCOMPARE(F->JsText(QStringLiteral("editor.textContent")), QStringLiteral("a bbcc d"));
        // Every item still shows the tag's text marked.
        QCOMPARE(count(QStringLiteral("li [data-hash=tg]")),
                 mark == QLatin1String("tg") ? items : 0);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    // The list buttons change only the lines the selection reaches: a mark over a line break on
    // another line, in the block around the selected one or in the next paragraph that a
    // selection ends at the start of, stays one span. One undo gives back the body.
    void listButtonChangesOnlyTheSelectedLines_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("select"); // script placing the selection
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString caretInOne =
            QStringLiteral("__select('one'); getSelection().collapseToStart()");
        QTest::newRow("annotation on the next line")
            << "<p>one<br>a " + ann.arg("two<br>three") + "</p>" << caretInOne << "#btn-ul"
            << "<ul><li>one</li></ul><p>a " + ann.arg("two<br>three") + "</p>";
        QTest::newRow("tag on the next line")
            << "<p>one<br>a " + tag.arg("two<br>three") + "</p>" << caretInOne << "#btn-ol"
            << "<ol><li>one</li></ol><p>a " + tag.arg("two<br>three") + "</p>";
        QTest::newRow("annotation in the item around a nested list")
            << "<ul><li>x " + ann.arg("b<br>c") + "<ul><li>one</li></ul></li></ul>" << caretInOne
            << "#btn-ol"
            << "<ul><li>x " + ann.arg("b<br>c") + "<ol><li>one</li></ol></li></ul>";
        QTest::newRow("annotation in the quote around a paragraph")
            << "<blockquote>x " + ann.arg("b<br>c") + "<p>one</p></blockquote>" << caretInOne
            << "#btn-ul"
            << "<blockquote>x " + ann.arg("b<br>c") + "<ul><li>one</li></ul></blockquote>";
        QTest::newRow("selection ending at the start of the next paragraph")
            << "<p>one</p><p>a " + ann.arg("two<br>three") + "</p>"
            << "__select('one'); getSelection().getRangeAt(0).setEnd(editor.lastChild, 0)"
            << "#btn-ul"
            << "<ul><li>one</li></ul><p>a " + ann.arg("two<br>three") + "</p>";
    }
    void listButtonChangesOnlyTheSelectedLines()
    {
        QFETCH(QString, body);
        QFETCH(QString, select);
        QFETCH(QString, button);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        F->FocusPage();
        F->Js(select + QStringLiteral("; true"));
        QVERIFY(F->Js(QStringLiteral("editor.contains(getSelection().anchorNode)")).toBool());
        F->Click(button);
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
    }

    // The paragraph-style menu over a line break inside a mark restyles the line: the text and
    // each mark's id stand once, a tag's piece on the other line is a further passage of it, and
    // an annotation keeps its span on the first line (its piece on the second is no mark). One
    // undo gives back the body, one redo the change, and the body loads back as it was saved.
    void paragraphStyleOverABreakInAMark_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // the text at whose start the caret stands
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("after");
        const QString ann = QStringLiteral("<span id=\"ann_a\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString further =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        const QString annBody = "<p>See " + ann.arg("an annotated<br>phrase") + " here</p>";
        const QString tagBody = "<p>See " + tag.arg("an annotated<br>phrase") + " here</p>";
        QTest::newRow("annotation, the first line quoted")
            << annBody << "See"
            << "blockquote"
            << "<blockquote>See " + ann.arg("an annotated") + "</blockquote><p>phrase here</p>";
        QTest::newRow("annotation, the first line made a heading")
            << annBody << "See"
            << "h1"
            << "<h1>See " + ann.arg("an annotated") + "</h1><p>phrase here</p>";
        QTest::newRow("annotation, the first line made Normal") << annBody << "See"
                                                                << "p" << annBody;
        QTest::newRow("annotation, the second line quoted")
            << annBody << "phrase"
            << "blockquote"
            << "<p>See " + ann.arg("an annotated") + "</p><blockquote>phrase here</blockquote>";
        QTest::newRow("tag, the first line made a heading")
            << tagBody << "See"
            << "h1"
            << "<h1>See " + tag.arg("an annotated") + "</h1><p>" + further.arg("phrase") +
                   " here</p>";
        QTest::newRow("tag, the second line quoted")
            << tagBody << "phrase"
            << "blockquote"
            << "<p>See " + tag.arg("an annotated") + "</p><blockquote>" + further.arg("phrase") +
                   " here</blockquote>";
        QTest::newRow("annotation in a list item, the first line quoted")
            << "<ul><li>See " + ann.arg("an annotated<br>phrase") + " here</li></ul>"
            << "See"
            << "blockquote"
            << "<blockquote>See " + ann.arg("an annotated") +
                   "</blockquote><ul><li>phrase here</li></ul>";
        QTest::newRow("annotation inside bold, the second line made a heading")
            << "<p>see <b>bold " + ann.arg("an<br>note") + "</b> end</p>"
            << "note"
            << "h3"
            << "<p>see <b>bold " + ann.arg("an") + "</b></p><h3><b>note</b> end</h3>";
    }
    void paragraphStyleOverABreakInAMark()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, style);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(caret));
        F->Js(QStringLiteral("getSelection().collapseToStart(); blockSelect.focus();"
                             " blockSelect.value = %1; blockSelect.dispatchEvent(new "
                             "Event('change')); true")
                  .arg(JsString(style)));
        QCOMPARE(F->InnerHtml(), after);
        QCOMPARE(F->Js(QStringLiteral("getEmbeddedTags().length")).toInt(),
                 int(body.count(QStringLiteral("data-tag="))));
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    // A paste of markup at a collapsed caret before a mark that ends the block leaves the mark a
    // span with its id (the browser re-creates the text after the caret). One undo takes the
    // paste back and one redo brings it again.
    void pastingBeforeMarksKeepsThem_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // the caret's node and offset, as script
        QTest::addColumn<QString>("text");  // the clipboard's plain text
        QTest::addColumn<QString>("html");  // the clipboard's markup, if any
        QTest::addColumn<QString>("after");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString afterA = QStringLiteral("editor.firstChild.firstChild, 1");
        const QString bold = QStringLiteral("<b>zz</b>");

        QTest::newRow("markup before an annotation ending the block")
            << "<p>a" + ann.arg("d") + "</p>" << afterA << "zz" << bold
            << "<p>a" + bold + ann.arg("d") + "</p>";
        QTest::newRow("markup before a tag ending the block")
            << "<p>a" + tag.arg("d") + "</p>" << afterA << "zz" << bold
            << "<p>a" + bold + tag.arg("d") + "</p>";
        QTest::newRow("markup between a tag and an annotation ending the block")
            << "<p>" + tag.arg("a") + ann.arg("d") + "</p>"
            << "editor.firstChild, 1"
            << "zz" << bold << "<p>" + tag.arg("a") + bold + ann.arg("d") + "</p>";
        QTest::newRow("plain text before an annotation ending the block")
            << "<p>a" + ann.arg("d") + "</p>" << afterA << "zz"
            << ""
            << "<p>azz" + ann.arg("d") + "</p>";
        QTest::newRow("markup without marks")
            << "<p>ad</p>" << afterA << "zz" << bold << "<p>a" + bold + "d</p>";
    }
    void pastingBeforeMarksKeepsThem()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, text);
        QFETCH(QString, html);
        QFETCH(QString, after);
        PasteAtCaret(body, caret, text, html, QStringLiteral("editor.textContent.includes('zz')"));
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(F->InnerHtml(), after);
        // The caret stands at the end of the pasted text.
        QCOMPARE(F->JsText(QStringLiteral(
                     "(function(){ const r = document.createRange(); r.setStart(editor, 0);"
                     " const s = getSelection(); r.setEnd(s.focusNode, s.focusOffset);"
                     " return r.toString(); })()")),
                 F->JsText(QStringLiteral("editor.textContent.slice(0,"
                                          " editor.textContent.indexOf('zz') + 2)")));
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("p")}}));
        QVERIFY(!F->WaitForPost(QStringLiteral("flushAck"), 2000).Msg.isEmpty());
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 100);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), after);

        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
    }

    // A paste of two paragraphs or two lines at a caret inside a mark never puts blocks inside
    // the mark's span (or any inline element): the blocks stand at the level of blocks, the block
    // holding the mark is split there, and the mark keeps its one span with the id (a tag's
    // piece after the blocks is a further passage of the tag, an annotation's text there is
    // plain). Lines pasted into a table cell stay lines of that cell. One undo takes the paste
    // back and one redo brings it again.
    void pastedBlocksStayInPlace_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // the caret's node and offset, as script
        QTest::addColumn<QString>("text");  // the clipboard's plain text
        QTest::addColumn<QString>("html");  // the clipboard's markup, if any
        QTest::addColumn<QString>("after");
        // The undo gives the body back to the byte, the marks' attributes in their order.
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString part = QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        const QString inAnn = QStringLiteral("editor.querySelector('.dm-annot').firstChild, 2");
        const QString inTag = QStringLiteral("editor.querySelector('[data-tag]').firstChild, 2");
        const QString lines = QStringLiteral("line one\nline two");
        const QString paras = QStringLiteral("<p>first pasted</p><p>second pasted</p>");

        QTest::newRow("two paragraphs in an annotation")
            << "<p>a" + ann.arg("note") + "b</p>" << inAnn << "first pasted\nsecond pasted" << paras
            << "<p>a" + ann.arg("no") + "first pasted</p><p>second pastedteb</p>";
        QTest::newRow("two lines in a tag")
            << "<p>a" + tag.arg("word") + "b</p>" << inTag << lines << QString()
            << "<p>a" + tag.arg("wo") + "line one</p><p>" + part.arg("line tword") + "b</p>";
        QTest::newRow("two lines in a tag passage in a list item")
            << "<ul><li>x " + part.arg("tags") + "</li></ul><p>" + tag.arg("first") + "</p>"
            << "editor.querySelector('li span').firstChild, 2" << lines << QString()
            << "<ul><li>x " + part.arg("ta") + "</li><li>line one</li><li>line two</li><li>" +
                   part.arg("gs") + "</li></ul><p>" + tag.arg("first") + "</p>";
        QTest::newRow("two lines in a font size in a list item")
            << "<ul><li>a <span style=\"font-size: 9pt;\">bc</span>d</li></ul>"
            << "editor.querySelector('li span').firstChild, 1" << lines << QString()
            << "<ul><li>a <span style=\"font-size: 9pt;\">b</span></li><li style=\"\"><span "
               "style=\"font-size: 12px;\">line one</span></li><li style=\"\"><span "
               "style=\"font-size: 12px;\">line two</span></li><li><span style=\"font-size: "
               "9pt;\">c</span>d</li></ul>";
        const QString cells = QStringLiteral("<h2>F</h2><table><thead><tr><th>%1</th><th>Value</th>"
                                             "</tr></thead><tbody><tr><td>%2</td><td>v</td></tr>"
                                             "</tbody></table>");
        QTest::newRow("two lines in a header cell")
            << cells.arg("Name", "n") << "editor.querySelector('th').firstChild, 4" << lines
            << QString()
            << cells.arg("Name<span style=\"font-size: 14.25px;\">line one</span><br><span "
                         "style=\"font-size: 14.25px;\">line two</span>",
                         "n");
        QTest::newRow("two lines in a cell")
            << cells.arg("Name", "nn") << "editor.querySelector('td').firstChild, 1" << lines
            << QString() << cells.arg("Name", "nline one<br>line twon");
        QTest::newRow("two lines in a tag in a cell")
            << cells.arg("Name", tag.arg("word")) << inTag << lines << QString()
            << cells.arg("Name", tag.arg("wo") + "line one<br>line two" + part.arg("rd"));
    }
    void pastedBlocksStayInPlace()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, text);
        QFETCH(QString, html);
        QFETCH(QString, after);
        PasteAtCaret(body, caret, text, html,
                     QStringLiteral("editor.textContent.includes('pasted') ||"
                                    " editor.textContent.includes('line two')"));
        if (QTest::currentTestFailed()) {
            return;
        }
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
    }

    void clickInAnnotationNamesInnermostSpan_data()
    {
        QTest::addColumn<QString>("target"); // script giving [x, y]
        QTest::addColumn<QString>("spanId"); // empty: nothing posted
        const QString at = QStringLiteral(
            "(function(){ const r = %1.getBoundingClientRect(); return [r.left + %2, "
            "r.top + r.height / 2]; })()");
        QTest::newRow("inner") << at.arg("document.getElementById('ann_inner')", "4")
                               << "ann_inner";
        QTest::newRow("outer") << at.arg("document.getElementById('ann_outer')", "3")
                               << "ann_outer";
        QTest::newRow("without id") << at.arg("editor.querySelector('.noid')", "3") << QString();
        QTest::newRow("plain text") << at.arg("editor.firstChild", "2") << QString();
    }
    void clickInAnnotationNamesInnermostSpan()
    {
        QFETCH(QString, target);
        QFETCH(QString, spanId);
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>xxx <span id=\"ann_outer\" class=\"dm-annot\">out <span id=\"ann_inner\" "
            "class=\"dm-annot\">in</span></span> <span class=\"dm-annot noid\">noid</span></p>")));
        const QVariantList xy = F->Js(target).toList();
        F->ClickAt(QPoint(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble())));
        QTest::qWait(100);
        if (spanId.isEmpty()) {
            QCOMPARE(F->Posts().size(), 0);
        } else {
            QCOMPARE(F->Posts().value(0).Json,
                     QStringLiteral("{\"type\":\"annotationSpanClicked\",\"spanId\":\"%1\"}")
                         .arg(spanId));
        }
    }

    void annotationOperationsFromHost()
    {
        const QString body =
            QStringLiteral("<p>a <span id=\"ann_1\" class=\"dm-annot\">b <i>c</i></span> d</p>");
        QVERIFY(F->LoadBody(body));
        F->Send(Msg(QStringLiteral("scrollAnnotation"),
                    {{QStringLiteral("spanId"), QStringLiteral("ann_1")}}));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('ann_1').className")),
                 QStringLiteral("dm-annot dm-annot-flash"));
        QCOMPARE(F->CleanHtml(), body);
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('ann_1').className")),
                 QStringLiteral("dm-annot dm-annot-flash"));
        // Unknown span ids do nothing at all.
        F->Send(Msg(QStringLiteral("scrollAnnotation"),
                    {{QStringLiteral("spanId"), QStringLiteral("ann_x")}}));
        F->Send(Msg(QStringLiteral("removeAnnotSpan"),
                    {{QStringLiteral("spanId"), QStringLiteral("ann_x")}}));
        QTest::qWait(200);
        QCOMPARE(F->Posts().size(), 0);
        F->Send(Msg(QStringLiteral("removeAnnotSpan"),
                    {{QStringLiteral("spanId"), QStringLiteral("ann_1")}}));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>a b <i>c</i> d</p>"));
        const TPosted changed = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        QCOMPARE(changed.Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>a b <i>c</i> d</p>"));
        QCOMPARE(F->Posts().size(), 1);
    }

    // A copy of marked text pasted into the same note never gives two elements one id: the
    // annotation's copy is plain text, the tag's copy a tag of its own; text cut and pasted back
    // keeps its marks as they were.
    void pastedMarksKeepIdsUnique_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<int>("texts");    // times the marked words stand in the body
        QTest::addColumn<int>("tagCount"); // tags the page lists after the paste
        QTest::newRow("copy") << false << 2 << 2;
        QTest::newRow("cut") << true << 1 << 1;
    }
    void pastedMarksKeepIdsUnique()
    {
        QFETCH(bool, cut);
        QFETCH(int, texts);
        QFETCH(int, tagCount);
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>start <span id=\"ann_k1\" class=\"dm-annot\">anchored</span> and "
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">tagged</span> "
            "end</p><p>paste here</p>")));
        QVERIFY(F->SelectText(QStringLiteral("anchored"), QStringLiteral("tagged")));
        F->Key(cut ? Qt::Key_X : Qt::Key_C, Qt::ControlModifier);
        F->ClickIntoEditor();
        F->ClearPosts();
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("editor.textContent.endsWith('tagged')")));
        const auto count = [this](const QString& AExpr) { return F->Js(AExpr).toInt(); };
        QCOMPARE(count(QStringLiteral("editor.textContent.split('anchored').length - 1")), texts);
        QCOMPARE(count(QStringLiteral("editor.textContent.split('tagged').length - 1")), texts);
        QCOMPARE(F->JsText(QStringLiteral(
                     "(function(){ const ids = Array.from(editor.querySelectorAll('[id]'),"
                     " (e) => e.id); return ids.filter((id, i) => ids.indexOf(id) !== i)"
                     ".join(); })()")),
                 QString());
        // The annotation keeps its one span, around the text that was marked first.
        QCOMPARE(F->JsText(QStringLiteral(
                     "Array.from(editor.querySelectorAll('.dm-annot'), (e) => e.id + ':' +"
                     " e.textContent).join()")),
                 QStringLiteral("ann_k1:anchored"));
        QCOMPARE(count(QStringLiteral(
                     "Array.from(editor.querySelectorAll('[data-tag]')).filter((e) =>"
                     " e.id === e.getAttribute('data-hash') && e.textContent === 'tagged'"
                     " && e.getAttribute('data-tag') === 'T').length")),
                 tagCount);
        QVERIFY(F->Js(QStringLiteral("!!document.querySelector('#editor #tg')")).toBool());
        if (cut) {
            QCOMPARE(F->PostedTypes().count(QStringLiteral("tagsUpdated")), 0);
        } else {
            const TPosted tags = F->WaitForPost(QStringLiteral("tagsUpdated"), 500);
            QCOMPARE(tags.Msg.value(QStringLiteral("tags")).toArray().size(), 2);
        }
    }

    void loadClosesDialogsAndForgetsSelections_data()
    {
        QTest::addColumn<QString>("opener"); // "tag", "annot", "link", "table", "menu"
        QTest::addColumn<QString>("overlay");
        QTest::newRow("tag dialog") << "tag"
                                    << "modal-tag";
        QTest::newRow("annotation dialog") << "annot"
                                           << "modal-annot";
        QTest::newRow("link dialog") << "link"
                                     << "modal-link";
        QTest::newRow("table dialog") << "table"
                                      << "modal-table";
        QTest::newRow("table menu") << "menu"
                                    << "table-ctx-menu";
    }
    void loadClosesDialogsAndForgetsSelections()
    {
        QFETCH(QString, opener);
        QFETCH(QString, overlay);
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>first note</p><table><tbody><tr><td>cell</td></tr></tbody></table>")));
        QVERIFY(F->SelectText(QStringLiteral("first")));
        if (opener == QLatin1String("tag")) {
            F->PressPaneButton(QStringLiteral("openTagModal"));
        } else if (opener == QLatin1String("annot")) {
            F->PressPaneButton(QStringLiteral("openAnnotModal"));
        } else if (opener == QLatin1String("link")) {
            F->Click(QStringLiteral("#btn-link"));
        } else if (opener == QLatin1String("table")) {
            F->Click(QStringLiteral("#btn-table"));
        } else {
            F->Click(QStringLiteral("#editor td"), Qt::RightButton);
        }
        QVERIFY(F->WaitJs(QStringLiteral("document.getElementById('%1').classList.contains('open')")
                              .arg(overlay)));
        QVERIFY(F->LoadBody(QStringLiteral("<p>second note</p>")));
        QVERIFY(!Open(overlay));
        // No selection survives into the new note: both pane buttons ask for one.
        F->Page()->FAlerts.clear();
        F->PressPaneButton(QStringLiteral("openAnnotModal"));
        F->PressPaneButton(QStringLiteral("openTagModal"));
        QTRY_COMPARE_WITH_TIMEOUT(F->Page()->FAlerts, (QStringList{AnnotAlert, TagAlert}), 2000);
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>second note</p>"));
    }
};

std::unique_ptr<QObject> NewMarksTest()
{
    return std::make_unique<TMarksTest>();
}

#include "test_marks.moc"

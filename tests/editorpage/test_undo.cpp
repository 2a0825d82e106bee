// Undo and redo by real keys after every kind of operation, and what the host is given after
// them: one undo takes back exactly the last operation, never anything made before it.
#include "editortests.h"
#include "pagefixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QMimeData>
#include <QRegularExpression>
#include <QTest>

class TUndoTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    void Undo() { F->Key(Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { F->Key(Qt::Key_Y, Qt::ControlModifier); }
    void RedoShift() { F->Key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }

    // The editor's markup with generated ids replaced by ID (tags) and ANN (annotations).
    QString Masked()
    {
        QString html = F->InnerHtml();
        html.replace(QRegularExpression(QStringLiteral("\"ann_[0-9a-z]+\"")),
                     QStringLiteral("\"ANN\""));
        const QString id =
            F->JsText(QStringLiteral("(function(){ const t = editor.querySelector('[data-tag]');"
                                     " return t && t.id !== 'tg' ? t.id : ''; })()"));
        if (!id.isEmpty()) {
            html.replace(QStringLiteral("\"") + id + QStringLiteral("\""),
                         QStringLiteral("\"ID\""));
        }
        return html;
    }

    // Asks the page for what it has not reported yet and returns the last body the host was
    // given since the posts were cleared (empty when none).
    QString LastReport()
    {
        F->Send(Msg(QStringLiteral("flush"), {{QStringLiteral("token"), QStringLiteral("u")}}));
        F->WaitForPost(QStringLiteral("flushAck"), 2000);
        QString html;
        for (const TPosted& p : F->Posts()) {
            if (p.Type() == QStringLiteral("contentChanged")) {
                html = p.Msg.value(QStringLiteral("html")).toString();
            }
        }
        return html;
    }

    // The number of tags in the last tag list the host was given (-1: none given).
    int LastTagCount()
    {
        int n = -1;
        for (const TPosted& p : F->Posts()) {
            if (p.Type() == QStringLiteral("tagsUpdated")) {
                n = p.Msg.value(QStringLiteral("tags")).toArray().size();
            }
        }
        return n;
    }

    int TagsInBody()
    {
        return F->Js(QStringLiteral("editor.querySelectorAll('[data-tag]').length")).toInt();
    }

    void InsertTableByDialog()
    {
        F->ClickIntoEditor();
        F->Click(QStringLiteral("#btn-table"));
        F->Click(QStringLiteral("#table-grid .grid-cell[data-row='1'][data-col='1']"));
        QVERIFY(F->Js(QStringLiteral("!!editor.querySelector('table')")).toBool());
    }

    void TableMenu(const QString& ACell, const QString& AOp)
    {
        F->Click(QStringLiteral("#editor ") + ACell, Qt::RightButton);
        QVERIFY(F->WaitJs(QStringLiteral(
            "document.getElementById('table-ctx-menu').classList.contains('open')")));
        F->Click(QStringLiteral("#table-ctx-menu [data-op='%1']").arg(AOp));
    }

    void OpenLinkDialog()
    {
        F->Key(Qt::Key_K, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-link-url'")));
    }

    void CaretInto(const QString& AText)
    {
        QVERIFY(F->SelectText(AText));
        F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
    }

    // "x|y": selects x to y (or only x); "^x": the caret before x; empty: leaves the selection.
    void Select(const QString& ASelect)
    {
        if (ASelect.startsWith(QLatin1Char('^'))) {
            CaretInto(ASelect.mid(1));
        } else if (!ASelect.isEmpty()) {
            const QStringList ends = ASelect.split(QLatin1Char('|'));
            QVERIFY(F->SelectText(ends[0], ends.value(1)));
        }
    }

    // Carries out one operation the way the user does it.
    void Perform(const QString& AOp)
    {
        if (AOp == QStringLiteral("type")) {
            F->ClickIntoEditor();
            F->Type(QStringLiteral(" more"));
        } else if (AOp.startsWith(QStringLiteral("table:"))) {
            const QStringList parts = AOp.split(QLatin1Char(':'));
            TableMenu(parts[1], parts[2]);
        } else if (AOp == QStringLiteral("tag")) {
            F->PressPaneButton(QStringLiteral("openTagModal"));
            QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-tagname'")));
            F->Type(QStringLiteral("T"));
            F->Key(Qt::Key_Return);
        } else if (AOp == QStringLiteral("annotation")) {
            F->PressPaneButton(QStringLiteral("openAnnotModal"));
            QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-annot-body'")));
            F->Type(QStringLiteral("note"));
            F->Click(QStringLiteral("#btn-annot-ok"));
        } else if (AOp == QStringLiteral("link")) {
            OpenLinkDialog();
            F->Type(QStringLiteral("example.org"));
            F->Key(Qt::Key_Return);
            F->Type(QStringLiteral("Site"));
            F->Key(Qt::Key_Return);
        } else if (AOp == QStringLiteral("link address")) {
            OpenLinkDialog();
            F->Key(Qt::Key_A, Qt::ControlModifier);
            F->Type(QStringLiteral("https://new.example/"));
            F->Key(Qt::Key_Return);
            F->Key(Qt::Key_Return);
        } else if (AOp == QStringLiteral("link removed")) {
            OpenLinkDialog();
            F->Click(QStringLiteral("#btn-link-remove"));
        } else if (AOp == QStringLiteral("font size")) {
            F->Js(QStringLiteral("sizeSelect.value = '14pt'; sizeSelect.dispatchEvent(new "
                                 "Event('change')); true"));
        } else if (AOp == QStringLiteral("enter")) {
            F->Key(Qt::Key_Return);
        } else if (AOp == QStringLiteral("bold key")) {
            F->Key(Qt::Key_B, Qt::ControlModifier);
        } else if (AOp == QStringLiteral("text colour")) {
            F->Click(QStringLiteral("#btn-forecolor"));
            F->Click(QStringLiteral("#fc-picker .color-swatch[data-color='#cc0000']"));
        } else if (AOp.startsWith(QStringLiteral("host:"))) {
            const QStringList parts = AOp.split(QLatin1Char(':'));
            F->FocusOutside();
            F->Send(Msg(parts[1], {{QStringLiteral("id"), QStringLiteral("tg")},
                                   {QStringLiteral("name"), QStringLiteral("Renamed")},
                                   {QStringLiteral("colour"), QStringLiteral("blue")}}));
            F->FocusPage();
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown operation ") + AOp));
        }
    }

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    // After each operation Ctrl+Z gives exactly the document from before it and the host is
    // given that document; the next Ctrl+Z goes one step further back (to before the table's
    // insertion) or, where nothing was done since the note was loaded, changes nothing. Redo by
    // either key gives the operation's result again.
    void undoTakesBackExactlyTheLastOperation_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("withTable"); // a table is inserted by the dialog first
        QTest::addColumn<QString>("select"); // text selected before the operation
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("after"); // the document after the operation, ids masked
        const QString p3 = QStringLiteral("<p>one two three</p>");
        const QString table = QStringLiteral(
            "<p>x</p><table class=\"dm-striped\"><thead><tr><th>Column 1</th><th>Column "
            "2</th></tr></thead><tbody>%1</tbody></table><p><br></p>");
        const QString row = QStringLiteral("<tr><td><br></td><td><br></td></tr>");
        const QString link =
            QStringLiteral("<p>see <a href=\"https://old.example/\"><b>bold</b> text</a> end</p>");
        const QString tagged = QStringLiteral(
            "<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">two</span> "
            "three</p>");

        QTest::newRow("typing") << QStringLiteral("<p>one</p>") << false << QString() << "type"
                                << "<p>one more</p>";
        QTest::newRow("table row below") << QStringLiteral("<p>x</p>") << true << QString()
                                         << "table:td:rowBelow" << table.arg(row + row);
        QTest::newRow("table column left")
            << QStringLiteral("<p>x</p>") << true << QString() << "table:td:colLeft"
            << QStringLiteral(
                   "<p>x</p><table class=\"dm-striped\"><thead><tr><th>Column</th><th>Column "
                   "1</th><th>Column 2</th></tr></thead><tbody><tr><td><br></td><td><br></td><td>"
                   "<br></td></tr></tbody></table><p><br></p>");
        QTest::newRow("table stripes")
            << QStringLiteral("<p>x</p>") << true << QString() << "table:th:stripe"
            << QStringLiteral("<p>x</p><table><thead><tr><th>Column 1</th><th>Column "
                              "2</th></tr></thead><tbody>%1</tbody></table><p><br></p>")
                   .arg(row);
        QTest::newRow("table row deleted") << QStringLiteral("<p>x</p>") << true << QString()
                                           << "table:td:delRow" << table.arg(QString());
        QTest::newRow("table deleted")
            << QStringLiteral("<p>x</p>") << true << QString() << "table:td:delTable"
            << "<p>x</p><p><br></p><p><br></p>";
        QTest::newRow("tag") << p3 << false << "two"
                             << "tag"
                             << "<p>one <span data-hash=\"ID\" data-colour=\"yellow\" id=\"ID\" "
                                "data-tag=\"T\">two</span> three</p>";
        QTest::newRow("tag across paragraphs")
            << QStringLiteral("<p>one two</p><p>three four</p>") << false << "two|three"
            << "tag"
            << "<p>one <span data-hash=\"ID\" data-colour=\"yellow\" id=\"ID\" "
               "data-tag=\"T\">two</span></p><p><span data-hash=\"ID\" "
               "data-colour=\"yellow\">three</span> four</p>";
        QTest::newRow("annotation") << p3 << false << "two"
                                    << "annotation"
                                    << "<p>one <span id=\"ANN\" class=\"dm-annot\">two</span> "
                                       "three</p>";
        QTest::newRow("text link") << p3 << false << "two"
                                   << "link"
                                   << "<p>one <a href=\"https://example.org\">Site</a> three</p>";
        QTest::newRow("link address") << link << false << "^bold"
                                      << "link address"
                                      << "<p>see <a href=\"https://new.example/\"><b>bold</b> "
                                         "text</a> end</p>";
        QTest::newRow("link removed") << link << false << "^bold"
                                      << "link removed"
                                      << "<p>see <b>bold</b> text end</p>";
        QTest::newRow("font size") << p3 << false << "two"
                                   << "font size"
                                   << "<p>one <span style=\"font-size: 14pt;\">two</span> "
                                      "three</p>";
        QTest::newRow("font size across paragraphs")
            << QStringLiteral("<p>one two</p><p>three four</p>") << false << "two|three"
            << "font size"
            << "<p>one <span style=\"font-size: 14pt;\">two</span></p><p><span "
               "style=\"font-size: 14pt;\">three</span> four</p>";
        // Over nested inline formatting: the partly selected elements are split, and redo gives
        // back every piece with its text.
        const QString linked =
            QStringLiteral("<p>one <a href=\"https://x/\">two <i>three</i> five</a> four</p>");
        const QString nested = QStringLiteral("<p><b>bold <i>deep</i> text</b> end</p>");
        QTest::newRow("font size over a link's italics")
            << linked << false << "three|four"
            << "font size"
            << "<p>one <a href=\"https://x/\">two </a><span style=\"font-size: 14pt;\"><a "
               "href=\"https://x/\"><i>three</i> five</a> four</span></p>";
        QTest::newRow("annotation over a link's italics")
            << linked << false << "three|four"
            << "annotation"
            << "<p>one <a href=\"https://x/\">two </a><span id=\"ANN\" class=\"dm-annot\"><a "
               "href=\"https://x/\"><i>three</i> five</a> four</span></p>";
        QTest::newRow("font size over nested bold")
            << nested << false << "deep|end"
            << "font size"
            << "<p><b>bold </b><span style=\"font-size: 14pt;\"><b><i>deep</i> text</b> "
               "end</span></p>";
        QTest::newRow("annotation over nested bold")
            << nested << false << "eep|tex"
            << "annotation"
            << "<p><b>bold <i>d</i><span id=\"ANN\" class=\"dm-annot\"><i>eep</i> "
               "tex</span>t</b> end</p>";
        QTest::newRow("tag over a link's italics")
            << linked << false << "three|four"
            << "tag"
            << "<p>one <a href=\"https://x/\">two <i><span data-hash=\"ID\" "
               "data-colour=\"yellow\" id=\"ID\" data-tag=\"T\">three</span></i><span "
               "data-hash=\"ID\" data-colour=\"yellow\"> five</span></a><span data-hash=\"ID\" "
               "data-colour=\"yellow\"> four</span></p>";
        QTest::newRow("tag removed from the pane")
            << tagged << false << QString() << "host:removeTag"
            << "<p>one two three</p>";
        QTest::newRow("tag renamed from the pane")
            << tagged << false << QString() << "host:renameTag"
            << "<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
               "data-tag=\"Renamed\">two</span> three</p>";
        QTest::newRow("tag recoloured from the pane")
            << tagged << false << QString() << "host:recolourTag"
            << "<p>one <span data-hash=\"tg\" data-colour=\"blue\" id=\"tg\" "
               "data-tag=\"T\">two</span> three</p>";
        // The browser's split of a mark, and the page's settling of it, take attributes away;
        // the undo gives them back in their places, so the body is the loaded one to the byte.
        QTest::newRow("new paragraph inside a tag")
            << tagged << false << "^wo"
            << "enter"
            << "<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
               "data-tag=\"T\">t</span></p><p><span data-hash=\"tg\" "
               "data-colour=\"red\">wo</span> three</p>";
        QTest::newRow("new paragraph inside an annotation")
            << QStringLiteral("<p>one <span id=\"ann_k1\" class=\"dm-annot\">two</span> three</p>")
            << false << "^wo"
            << "enter"
            << "<p>one <span id=\"ANN\" class=\"dm-annot\">t</span></p><p>wo three</p>";
        QTest::newRow("text colour over part of a coloured tag")
            << QStringLiteral("<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
                              "data-tag=\"T\" style=\"color: rgb(204, 0, 0);\">two</span> "
                              "three</p>")
            << false << "wo|three"
            << "text colour"
            << "<p>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\" "
               "style=\"color: rgb(204, 0, 0);\">t</span><font color=\"#cc0000\"><span "
               "data-hash=\"tg\" data-colour=\"red\">wo</span> three</font></p>";
        // Taking bold off a tag inside bold leaves no empty style on the tag.
        QTest::newRow("bold key over a tag in bold")
            << QStringLiteral("<p><b>one <span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
                              "data-tag=\"T\">two</span> three</b></p>")
            << false << "two"
            << "bold key"
            << "<p><b>one </b><span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" "
               "data-tag=\"T\">two</span><b> three</b></p>";
    }
    void undoTakesBackExactlyTheLastOperation()
    {
        QFETCH(QString, body);
        QFETCH(bool, withTable);
        QFETCH(QString, select);
        QFETCH(QString, op);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        if (withTable) {
            InsertTableByDialog();
        }
        const QString before = F->InnerHtml();
        const int tagsBefore = TagsInBody();
        Select(select);
        Perform(op);
        QCOMPARE(Masked(), after);
        const QString done = F->InnerHtml();

        F->ClearPosts();
        Undo();
        QCOMPARE(F->InnerHtml(), before);
        QCOMPARE(LastReport(), before);
        // The tag list is given again exactly when the operation changed it, or when the page
        // settled the marks after the browser's edit (these rows' Enter and formatting).
        const bool tagOp = op == QStringLiteral("tag") || op.startsWith(QStringLiteral("host:"));
        const bool settled = op == QStringLiteral("enter") || op == QStringLiteral("bold key") ||
                             op == QStringLiteral("text colour");
        QCOMPARE(LastTagCount(), tagOp || settled ? tagsBefore : -1);

        F->ClearPosts();
        Redo();
        QCOMPARE(F->InnerHtml(), done);
        QCOMPARE(LastReport(), done);
        Undo();
        QCOMPARE(F->InnerHtml(), before);
        RedoShift();
        QCOMPARE(F->InnerHtml(), done);
        F->ClearPosts();
        Undo();
        QCOMPARE(LastReport(), before);

        // One step further back: the table's insertion, or nothing at all.
        Undo();
        QCOMPARE(F->InnerHtml(), withTable ? body : before);
        // Nothing comes back that was not undone.
        Redo();
        Redo();
        RedoShift();
        QCOMPARE(F->InnerHtml(), done);
    }

    // What was typed into a dialog is out of sight once the dialog is closed: undo after the
    // dialog's operation goes on to the step before it, and redo brings both back.
    void undoPassesOverClosedDialogs_data()
    {
        QTest::addColumn<QString>("select"); // "x|y": selected; "^x": caret before x; empty: end
        QTest::addColumn<QString>("op");
        QTest::newRow("link with its text") << QString() << "link";
        QTest::newRow("link address edited") << "^wo"
                                             << "link address";
        QTest::newRow("tag") << "one"
                             << "tag";
        QTest::newRow("annotation") << "three"
                                    << "annotation";
    }
    void undoPassesOverClosedDialogs()
    {
        QFETCH(QString, select);
        QFETCH(QString, op);
        const QString body =
            QStringLiteral("<p>one <a href=\"https://old.example/\">two</a> three</p>");
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Type(QStringLiteral(" more"));
        const QString typed = F->InnerHtml();
        QVERIFY(typed != body);
        Select(select);
        Perform(op);
        const QString done = F->InnerHtml();
        QVERIFY(done != typed);

        Undo();
        QCOMPARE(F->InnerHtml(), typed);
        Undo();
        QCOMPARE(F->InnerHtml(), body);
        Redo();
        QCOMPARE(F->InnerHtml(), typed);
        Redo();
        QCOMPARE(F->InnerHtml(), done);
    }

    // What cannot be undone stands in the history as a barrier: Ctrl+Z after it changes nothing,
    // whatever was done before, and redo brings back nothing from before it.
    void undoNeverReachesPastABarrier_data()
    {
        QTest::addColumn<QString>("barrier");
        QTest::addColumn<QString>("after"); // the document after the barrier
        QTest::newRow("another note loaded") << "load"
                                             << "<p>other note</p>";
        QTest::newRow("source text applied")
            << "source"
            << "<p>\n<span id=\"ANN\" class=\"dm-annot\">a</span>b more</p>\n<p>added</p>";
        QTest::newRow("annotation removed from the pane") << "removeAnnot"
                                                          << "<p>ab more</p>";
        // The browser refuses to record the change: undo must not reach the typing before it.
        QTest::newRow("change not recorded")
            << "unrecorded"
            << "<p><span id=\"ANN\" class=\"dm-annot\">a</span>b <span style=\"font-size: "
               "14pt;\">more</span></p>";
        QTest::newRow("view mode") << "view"
                                   << "<p><span id=\"ANN\" class=\"dm-annot\">a</span>b <span "
                                      "data-hash=\"ID\" data-colour=\"yellow\" id=\"ID\" "
                                      "data-tag=\"T\">more</span></p>";
    }
    void undoNeverReachesPastABarrier()
    {
        QFETCH(QString, barrier);
        QFETCH(QString, after);
        // Steps of the browser's own: two paragraphs joined (which moves text and removes the last
        // block), then typing.
        QVERIFY(F->LoadBody(
            QStringLiteral("<p><span id=\"ann_k1\" class=\"dm-annot\">a</span></p><p>b</p>")));
        CaretInto(QStringLiteral("b"));
        F->Key(Qt::Key_Backspace);
        F->ClickIntoEditor();
        F->Type(QStringLiteral(" more"));
        QCOMPARE(F->InnerHtml(),
                 QStringLiteral("<p><span id=\"ann_k1\" class=\"dm-annot\">a</span>b more</p>"));
        if (barrier == QStringLiteral("load")) {
            QVERIFY(F->LoadBody(QStringLiteral("<p>other note</p>")));
            F->FocusPage();
        } else if (barrier == QStringLiteral("source")) {
            F->Click(QStringLiteral("#btn-source"));
            F->Js(QStringLiteral("sourceView.value += '\\n<p>added</p>'; true"));
            F->Key(Qt::Key_Return, Qt::ControlModifier);
        } else if (barrier == QStringLiteral("removeAnnot")) {
            F->FocusOutside();
            F->Send(Msg(QStringLiteral("removeAnnotSpan"),
                        {{QStringLiteral("spanId"), QStringLiteral("ann_k1")}}));
            F->FocusPage();
        } else if (barrier == QStringLiteral("unrecorded")) {
            F->Js(QStringLiteral("document.getElementById('undo-mark').contentEditable = 'false'; "
                                 "true"));
            QVERIFY(F->SelectText(QStringLiteral("more")));
            Perform(QStringLiteral("font size"));
        } else {
            QVERIFY(F->SelectText(QStringLiteral("more")));
            F->PressPaneButton(QStringLiteral("openTagModal"));
            QVERIFY(F->WaitJs(QStringLiteral("document.activeElement.id === 'inp-tagname'")));
            F->Type(QStringLiteral("T"));
            F->Key(Qt::Key_Return);
            F->Send(Msg(QStringLiteral("setViewMode"), {{QStringLiteral("readOnly"), true}}));
            F->FocusPage();
        }
        QCOMPARE(Masked(), after);
        const QString shown = F->InnerHtml();
        // What the barrier's operation reports goes out first.
        LastReport();
        F->ClearPosts();
        for (int i = 0; i < 3; ++i) {
            Undo();
            QCOMPARE(F->InnerHtml(), shown);
        }
        Redo();
        RedoShift();
        QCOMPARE(F->InnerHtml(), shown);
        // Nothing was given to the host for the refused keys.
        QCOMPARE(LastReport(), QString());
    }

    // The page's own join of two blocks that hold a mark stands in the history between the
    // browser's typing before and after it: each undo takes back one of them, in order, and redo
    // brings them back in order.
    void joinOfMarkedBlocksBetweenTyping()
    {
        const QString body =
            QStringLiteral("<p>a</p><p><span id=\"ann_k1\" class=\"dm-annot\">b</span></p>");
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Type(QStringLiteral("c"));
        const QString typed = F->InnerHtml();
        QVERIFY(typed != body);
        CaretInto(QStringLiteral("b"));
        F->Key(Qt::Key_Backspace);
        const QString joined = F->InnerHtml();
        QVERIFY(joined.startsWith(QStringLiteral("<p>a<span id=\"ann_k1\" class=\"dm-annot\">b")));
        F->Type(QStringLiteral("x"));
        const QString last = F->InnerHtml();
        QCOMPARE(F->JsText(QStringLiteral("editor.textContent")), QStringLiteral("axbc"));

        const QStringList back{joined, typed, body};
        for (const QString& expected : back) {
            Undo();
            QCOMPARE(F->InnerHtml(), expected);
        }
        const QStringList forward{typed, joined, last};
        for (const QString& expected : forward) {
            Redo();
            QCOMPARE(F->InnerHtml(), expected);
        }
        F->ClearPosts();
        QCOMPARE(LastReport(), last);
    }

    // A paste over a selection that joins two blocks holding a mark stands in the history as one
    // step between the browser's typing before and after it.
    void pasteOverMarkedBlocksBetweenTyping()
    {
        auto* clip = new QMimeData;
        clip->setText(QStringLiteral("zz"));
        QGuiApplication::clipboard()->setMimeData(clip);
        const QString body =
            QStringLiteral("<p>ab</p><p><span id=\"ann_k1\" class=\"dm-annot\">cd</span></p>");
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Type(QStringLiteral("e"));
        const QString typed = F->InnerHtml();
        QVERIFY(typed != body);
        QVERIFY(F->SelectText(QStringLiteral("b"), QStringLiteral("c")));
        F->Key(Qt::Key_V, Qt::ControlModifier);
        const QString pasted = F->InnerHtml();
        QCOMPARE(pasted,
                 QStringLiteral("<p>azz<span id=\"ann_k1\" class=\"dm-annot\">de</span></p>"));
        F->Type(QStringLiteral("x"));
        const QString last = F->InnerHtml();
        QCOMPARE(F->JsText(QStringLiteral("editor.textContent")), QStringLiteral("azzxde"));

        const QStringList back{pasted, typed, body};
        for (const QString& expected : back) {
            Undo();
            QCOMPARE(F->InnerHtml(), expected);
        }
        const QStringList forward{typed, pasted, last};
        for (const QString& expected : forward) {
            Redo();
            QCOMPARE(F->InnerHtml(), expected);
        }
        F->ClearPosts();
        QCOMPARE(LastReport(), last);
    }

    // A paste that brought copies of marks (whose ids were then made unique) is undone and
    // redone as one step, ids included.
    void pasteWithMarksIsOneStep()
    {
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>start <span id=\"ann_k1\" class=\"dm-annot\">anchored</span> and "
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">tagged</span> "
            "end</p><p>paste here</p>")));
        const QString before = F->InnerHtml();
        QVERIFY(F->SelectText(QStringLiteral("anchored"), QStringLiteral("tagged")));
        F->Key(Qt::Key_C, Qt::ControlModifier);
        F->ClickIntoEditor();
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("editor.textContent.endsWith('tagged')")));
        const QString pasted = F->InnerHtml();
        QCOMPARE(F->Js(QStringLiteral("editor.querySelectorAll('[data-tag]').length")).toInt(), 2);
        F->ClearPosts();
        Undo();
        QCOMPARE(F->InnerHtml(), before);
        QCOMPARE(LastReport(), before);
        QCOMPARE(LastTagCount(), 1);
        Redo();
        QCOMPARE(F->InnerHtml(), pasted);
        Undo();
        QCOMPARE(F->InnerHtml(), before);
    }

    // A change of the page's that moves nodes through places outside the document (a range's
    // content extracted into a fragment, an element filled before it is inserted) is redone
    // exactly: every node comes back where the change put it.
    void changesOutsideTheDocumentAreRedone_data()
    {
        QTest::addColumn<QString>("change"); // script run as one change of the page's
        QTest::addColumn<QString>("after");
        QTest::newRow("range content extracted into a fragment")
            << "const r = document.createRange(); const t = editor.querySelector('i').firstChild;"
               " r.setStart(t, 0); r.setEnd(editor.firstChild.lastChild, 5);"
               " const s = document.createElement('span'); s.appendChild(r.extractContents());"
               " r.insertNode(s);"
            << "<p>one <a href=\"https://x/\">two <i></i></a><span><a "
               "href=\"https://x/\"><i>three</i>"
               " five</a> four</span></p>";
        QTest::newRow("nodes moved into an element before it is inserted")
            << "const a = editor.querySelector('a'); const s = document.createElement('b');"
               " while (a.firstChild) s.appendChild(a.firstChild); a.replaceWith(s);"
            << "<p>one <b>two <i>three</i> five</b> four</p>";
    }
    void changesOutsideTheDocumentAreRedone()
    {
        QFETCH(QString, change);
        QFETCH(QString, after);
        const QString body =
            QStringLiteral("<p>one <a href=\"https://x/\">two <i>three</i> five</a> four</p>");
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Js(QStringLiteral("_pageEdit(() => { %1 }); true").arg(change));
        QCOMPARE(F->InnerHtml(), after);
        Undo();
        QCOMPARE(F->InnerHtml(), body);
        Redo();
        QCOMPARE(F->InnerHtml(), after);
        Undo();
        QCOMPARE(F->InnerHtml(), body);
    }

    // Tags shown or faded between a paste and its undo change nothing of what undo and redo
    // give: the paste's own steps are still undone and redone together with it.
    void displayStateNeverChangesUndo_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("copy");   // "x|y": copied from the note; empty: "zz" given
        QTest::addColumn<QString>("select"); // "x|y": pasted over x to y; empty: at the end
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("after"); // the clean body after the paste
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString marked =
            "<p>start " + ann.arg("anchored") + " and " + tag.arg("tagged") + "</p>";
        const QString blocks = "<p>ab</p><p>" + ann.arg("cd") + " " + tag.arg("t") + "</p>";
        const QString showAll = QStringLiteral("{\"type\":\"showAll\"}");
        const QString fade =
            QStringLiteral("{\"type\":\"fadeTag\",\"id\":\"tg\",\"colour\":\"red\"}");
        // The pasted copy of the annotation gives its span up.
        QTest::newRow("copy of an annotation, all shown")
            << marked + "<p>here</p>"
            << "start|and" << QString() << showAll
            << marked + "<p>herestart&nbsp;anchored&nbsp;and</p>";
        QTest::newRow("copy of an annotation, tag faded")
            << marked + "<p>here</p>"
            << "start|and" << QString() << fade
            << marked + "<p>herestart&nbsp;anchored&nbsp;and</p>";
        QTest::newRow("over marked blocks, all shown")
            << blocks << QString() << "b|c" << showAll
            << "<p>azz" + ann.arg("d") + " " + tag.arg("t") + "</p>";
        QTest::newRow("over marked blocks, tag faded")
            << blocks << QString() << "b|c" << fade
            << "<p>azz" + ann.arg("d") + " " + tag.arg("t") + "</p>";
    }
    void displayStateNeverChangesUndo()
    {
        QFETCH(QString, body);
        QFETCH(QString, copy);
        QFETCH(QString, select);
        QFETCH(QString, display);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        if (copy.isEmpty()) {
            auto* clip = new QMimeData;
            clip->setText(QStringLiteral("zz"));
            QGuiApplication::clipboard()->setMimeData(clip);
        } else {
            const QStringList ends = copy.split(QLatin1Char('|'));
            QVERIFY(F->SelectText(ends[0], ends[1]));
            F->Key(Qt::Key_C, Qt::ControlModifier);
        }
        if (select.isEmpty()) {
            F->ClickIntoEditor();
        } else {
            const QStringList ends = select.split(QLatin1Char('|'));
            QVERIFY(F->SelectText(ends[0], ends[1]));
        }
        const QString shown = F->InnerHtml();
        F->Key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(F->WaitJs(QStringLiteral("editor.innerHTML !== %1").arg(JsString(shown))));
        QCOMPARE(F->CleanHtml(), after);
        F->SendText(display);
        QVERIFY(F->InnerHtml() != F->CleanHtml());
        Undo();
        QCOMPARE(F->CleanHtml(), shown);
        Redo();
        QCOMPARE(F->CleanHtml(), after);
        Undo();
        QCOMPARE(F->CleanHtml(), shown);
    }

    // An annotation undone leaves the body the host is given at once (so its record goes with
    // the span); redone, the body with the span goes first and the record is made again.
    void annotationUndoneAndRedone()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one two three</p>")));
        QVERIFY(F->SelectText(QStringLiteral("two")));
        Perform(QStringLiteral("annotation"));
        const TPosted created = F->WaitForPost(QStringLiteral("annotationCreated"), 1000);
        const QString spanId = created.Msg.value(QStringLiteral("spanId")).toString();
        QVERIFY(spanId.startsWith(QStringLiteral("ann_")));
        QTest::qWait(200);
        F->ClearPosts();
        Undo();
        const TPosted undone = F->WaitForPost(QStringLiteral("contentChanged"), 500);
        QCOMPARE(undone.Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>one two three</p>"));
        F->ClearPosts();
        Redo();
        QVERIFY(F->WaitForPosts(2, 500));
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts[0].Type(), QStringLiteral("contentChanged"));
        QCOMPARE(posts[0].Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>one <span id=\"%1\" class=\"dm-annot\">two</span> three</p>")
                     .arg(spanId));
        QCOMPARE(posts[1].Json, created.Json);
    }
};

std::unique_ptr<QObject> NewUndoTest()
{
    return std::make_unique<TUndoTest>();
}

#include "test_undo.moc"

// Tables (size grid, dialog, context menu) and the source view.
#include "editortests.h"
#include "pagefixture.h"

#include <QTest>

namespace {

const QString TwoByTwo = QStringLiteral("<table><thead><tr><th>A</th><th>B</th></tr></"
                                        "thead><tbody><tr><td>c</td><td>d</td></tr></tbody></table>"
                                        "<p>after</p>");

} // namespace

class TStructureTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    bool ModalOpen(const QString& AId)
    {
        return F
            ->Js(
                QStringLiteral("document.getElementById('%1').classList.contains('open')").arg(AId))
            .toBool();
    }

    void SetField(const QString& ASelector, const QString& AText)
    {
        F->Click(ASelector);
        F->Key(Qt::Key_A, Qt::ControlModifier);
        if (AText.isEmpty()) {
            F->Key(Qt::Key_Delete);
        } else {
            F->Type(AText);
        }
    }

    QString GridCell(int ARow, int ACol)
    {
        return QStringLiteral("#table-grid .grid-cell[data-row='%1'][data-col='%2']")
            .arg(ARow)
            .arg(ACol);
    }

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    // The editor takes the window's height below the toolbar (all of it in view mode), whether
    // the note is empty, short or far longer than the window, and a long note scrolls in it.
    void editorFillsTheWindowBelowTheToolbar_data()
    {
        QTest::addColumn<int>("paragraphs");
        QTest::addColumn<bool>("viewMode");
        QTest::newRow("empty") << 0 << false;
        QTest::newRow("short") << 3 << false;
        QTest::newRow("long") << 400 << false;
        QTest::newRow("long, view mode") << 400 << true;
    }
    void editorFillsTheWindowBelowTheToolbar()
    {
        QFETCH(int, paragraphs);
        QFETCH(bool, viewMode);
        QString body;
        for (int i = 0; i < paragraphs; ++i) {
            body += QStringLiteral("<p>line %1</p>").arg(i);
        }
        QVERIFY(F->LoadBody(body));
        if (viewMode) {
            F->Send(Msg(QStringLiteral("setViewMode"), {{QStringLiteral("readOnly"), true}}));
        }
        const QVariantList box =
            F->Js(QStringLiteral("(function(){ const e = editor.getBoundingClientRect();"
                                 " const t = pageEl['toolbar'].getBoundingClientRect();"
                                 " return [e.top, e.bottom, t.bottom, innerHeight,"
                                 " editor.scrollHeight > editor.clientHeight]; })()"))
                .toList();
        QCOMPARE(box.size(), 5);
        QCOMPARE(box[0].toDouble(), viewMode ? 0.0 : box[2].toDouble());
        QVERIFY(box[0].toDouble() < 60);
        QCOMPARE(box[1].toDouble(), box[3].toDouble());
        QCOMPARE(box[4].toBool(), paragraphs > 100);
    }

    void sizeGridPicksOneByOne()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>x</p>")));
        F->ClickIntoEditor();
        F->Click(QStringLiteral("#btn-table"));
        QVERIFY(ModalOpen(QStringLiteral("modal-table")));
        const QString label = QStringLiteral("document.getElementById('grid-label').textContent");
        QCOMPARE(F->JsText(label), QStringLiteral("Hover to select size"));
        F->MoveTo(F->CentreOf(GridCell(2, 3)));
        QCOMPARE(F->JsText(label), QStringLiteral("3 × 4"));
        QCOMPARE(F->Js(QStringLiteral("document.querySelectorAll('#table-grid .marked').length"))
                     .toInt(),
                 12);
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('inp-cols').value")),
                 QStringLiteral("4"));
        F->Click(GridCell(0, 0));
        QVERIFY(!ModalOpen(QStringLiteral("modal-table")));
        const QString table =
            QStringLiteral("<table class=\"dm-striped\"><thead><tr><th>Column "
                           "1</th></tr></thead><tbody></tbody></table><p><br></p>");
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>x</p>") + table);
        // Reported at once, and only once.
        QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts[0].Type(), QStringLiteral("contentChanged"));
        QTest::qWait(1700);
        QCOMPARE(F->Posts().size(), 1);
    }

    void typedSizeIsLimited_data()
    {
        QTest::addColumn<QString>("rows");
        QTest::addColumn<QString>("cols");
        QTest::addColumn<int>("wantRows");
        QTest::addColumn<int>("wantCols");
        QTest::newRow("zero rows") << "0"
                                   << "3" << 3 << 3;
        QTest::newRow("fifty rows") << "50"
                                    << "3" << 20 << 3;
        QTest::newRow("fifteen columns") << "3"
                                         << "15" << 3 << 10;
        QTest::newRow("empty rows") << ""
                                    << "2" << 3 << 2;
        QTest::newRow("negative") << "-4"
                                  << "1" << 1 << 1;
    }
    void typedSizeIsLimited()
    {
        QFETCH(QString, rows);
        QFETCH(QString, cols);
        QFETCH(int, wantRows);
        QFETCH(int, wantCols);
        QVERIFY(F->LoadBody(QStringLiteral("<p>x</p>")));
        F->ClickIntoEditor();
        F->Click(QStringLiteral("#btn-table"));
        SetField(QStringLiteral("#inp-rows"), rows);
        SetField(QStringLiteral("#inp-cols"), cols);
        F->Click(QStringLiteral("#btn-table-insert"));
        QCOMPARE(F->Js(QStringLiteral("editor.querySelector('table').rows.length")).toInt(),
                 wantRows);
        QCOMPARE(F->Js(QStringLiteral("editor.querySelectorAll('th').length")).toInt(), wantCols);
        QCOMPARE(F->Js(QStringLiteral("editor.querySelectorAll('td').length")).toInt(),
                 (wantRows - 1) * wantCols);
    }

    void stripeChoiceIsKept()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>x</p>")));
        F->ClickIntoEditor();
        F->Click(QStringLiteral("#btn-table"));
        F->Click(QStringLiteral("#chk-stripe"));
        F->Click(QStringLiteral("#btn-table-insert"));
        QCOMPARE(
            F->Js(QStringLiteral("editor.querySelector('table').hasAttribute('class')")).toBool(),
            false);
        F->Click(QStringLiteral("#btn-table"));
        QCOMPARE(F->Js(QStringLiteral("document.getElementById('chk-stripe').checked")).toBool(),
                 false);
        F->Click(QStringLiteral("#btn-table-cancel"));
        QVERIFY(!ModalOpen(QStringLiteral("modal-table")));
    }

    // A table inserted with the caret inside a mark or another inline element goes after the
    // element, at the level of blocks (a paragraph is split there), and the element stays whole.
    // One undo takes the table back and one redo brings it again.
    void tableInsertedInInlineElementGoesAfterIt_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("caret"); // the caret's node and offset, as script
        QTest::addColumn<QString>("after");
        const QString table = QStringLiteral(
            "<table class=\"dm-striped\"><thead><tr><th>Column 1</th></tr></thead><tbody></tbody>"
            "</table>");
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">bc</span>");
        const QString part =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">tag</span>");
        const QString big = QStringLiteral("<span style=\"font-size: 14pt;\">big</span>");
        QTest::newRow("annotation inside a paragraph")
            << "<p>a" + ann + "d</p>"
            << "editor.querySelector('.dm-annot').firstChild, 1"
            << "<p>a" + ann + "</p>" + table + "<p>d</p>";
        QTest::newRow("tag passage ending a list item")
            << "<ul><li>x " + part + "</li></ul>"
            << "editor.querySelector('[data-hash]').firstChild, 2"
            << "<ul><li>x " + part + table + "<p><br></p></li></ul>";
        QTest::newRow("font size inside bold ending a paragraph")
            << "<p>a<b>" + big + "</b></p>"
            << "editor.querySelector('b span').firstChild, 1"
            << "<p>a<b>" + big + "</b></p>" + table + "<p><br></p>";
        const QString cell = QStringLiteral("<table><tbody><tr><td>%1</td></tr></tbody></table>");
        QTest::newRow("annotation in a table cell")
            << cell.arg("c" + ann) << "editor.querySelector('.dm-annot').firstChild, 1"
            << cell.arg("c" + ann + table + "<p><br></p>");
    }
    void tableInsertedInInlineElementGoesAfterIt()
    {
        QFETCH(QString, body);
        QFETCH(QString, caret);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        F->FocusPage();
        F->Js(QStringLiteral("editor.focus(); getSelection().collapse(%1)").arg(caret));
        QVERIFY(F->JsText(QStringLiteral("String(getSelection().isCollapsed)")) == "true");
        F->Click(QStringLiteral("#btn-table"));
        F->Click(GridCell(0, 0));
        QVERIFY(!ModalOpen(QStringLiteral("modal-table")));
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
    }

    void contextMenuOperations_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("expected");
        const QString head = QStringLiteral("<thead><tr><th>A</th><th>B</th></tr></thead>");
        const QString body = QStringLiteral("<tbody><tr><td>c</td><td>d</td></tr></tbody>");
        const QString blank = QStringLiteral("<tr><td><br></td><td><br></td></tr>");
        const QString after = QStringLiteral("<p>after</p>");
        QTest::newRow("row above header")
            << "th"
            << "rowAbove"
            << "<table><thead>" + blank + "<tr><th>A</th><th>B</th></tr></thead>" + body +
                   "</table>" + after;
        QTest::newRow("row below") << "td"
                                   << "rowBelow"
                                   << "<table>" + head + "<tbody><tr><td>c</td><td>d</td></tr>" +
                                          blank + "</tbody></table>" + after;
        QTest::newRow("column left of body cell")
            << "td:nth-child(2)"
            << "colLeft"
            << "<table><thead><tr><th>A</th><th>Column</th><th>B</th></tr></thead>"
               "<tbody><tr><td>c</td><td><br></td><td>d</td></tr></tbody></table>" +
                   after;
        QTest::newRow("column right of header cell")
            << "th"
            << "colRight"
            << "<table><thead><tr><th>A</th><th>Column</th><th>B</th></tr></thead>"
               "<tbody><tr><td>c</td><td><br></td><td>d</td></tr></tbody></table>" +
                   after;
        QTest::newRow("stripes") << "td"
                                 << "stripe"
                                 << "<table class=\"dm-striped\">" + head + body + "</table>" +
                                        after;
        QTest::newRow("delete row") << "td"
                                    << "delRow"
                                    << "<table>" + head + "<tbody></tbody></table>" + after;
        QTest::newRow("delete column") << "th"
                                       << "delCol"
                                       << "<table><thead><tr><th>B</th></tr></"
                                          "thead><tbody><tr><td>d</td></tr></tbody></table>" +
                                              after;
        QTest::newRow("delete table") << "td"
                                      << "delTable"
                                      << "<p><br></p>" + after;
    }
    void contextMenuOperations()
    {
        QFETCH(QString, cell);
        QFETCH(QString, op);
        QFETCH(QString, expected);
        QVERIFY(F->LoadBody(TwoByTwo));
        F->Click(QStringLiteral("#editor ") + cell, Qt::RightButton);
        QVERIFY(F->WaitJs(QStringLiteral(
            "document.getElementById('table-ctx-menu').classList.contains('open')")));
        F->Click(QStringLiteral("#table-ctx-menu [data-op='%1']").arg(op));
        QCOMPARE(F->InnerHtml(), expected);
        QVERIFY(!ModalOpen(QStringLiteral("table-ctx-menu")));
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 1000);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(), expected);
    }

    void deletingTheLastRowOrColumnDeletesTheTable_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("op");
        QTest::newRow("only row")
            << "<table><thead><tr><th>Column 1</th><th>Column 2</th></tr></thead>"
               "<tbody></tbody></table>"
            << "delRow";
        QTest::newRow("only column") << "<table><thead><tr><th>Column 1</th></tr></thead>"
                                        "<tbody><tr><td><br></td></tr></tbody></table>"
                                     << "delCol";
    }
    void deletingTheLastRowOrColumnDeletesTheTable()
    {
        QFETCH(QString, body);
        QFETCH(QString, op);
        QVERIFY(F->LoadBody(body));
        F->Click(QStringLiteral("#editor th"), Qt::RightButton);
        F->Click(QStringLiteral("#table-ctx-menu [data-op='%1']").arg(op));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p><br></p>"));
        QVERIFY(F->Js(QStringLiteral("getSelection().anchorNode === editor.firstChild")).toBool());
    }

    // A table deleted by Backspace from the empty paragraph after it (the presses take the
    // paragraph, select the table, delete it) leaves an empty paragraph with the caret in it,
    // never a line break loose in the editor's root.
    void backspaceDeletesATableIntoAnEmptyParagraph()
    {
        QVERIFY(F->LoadBody(QStringLiteral(
            "<p>x</p><table><tbody><tr><td>cell</td></tr></tbody></table><p><br></p><p>end</p>")));
        F->FocusPage();
        F->Js(QStringLiteral("editor.focus(); getSelection().collapse(editor.childNodes[2], 0); "
                             "true"));
        F->Key(Qt::Key_Backspace);
        F->Key(Qt::Key_Backspace);
        F->Key(Qt::Key_Backspace);
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>x</p><p><br></p><p>end</p>"));
        F->Type(QStringLiteral("Z"));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>x</p><p>Z</p><p>end</p>"));
    }

    void menuOpensOnlyOnCellsAndClosesOnPressOutside()
    {
        QVERIFY(F->LoadBody(TwoByTwo));
        const QString open =
            QStringLiteral("document.getElementById('table-ctx-menu').classList.contains('open')");
        F->Click(QStringLiteral("#editor p"), Qt::RightButton);
        QVERIFY(!F->Js(open).toBool());
        F->Click(QStringLiteral("#editor td"), Qt::RightButton);
        QVERIFY(F->WaitJs(open));
        F->Click(QStringLiteral("#editor p"));
        QVERIFY(!F->Js(open).toBool());
        // The forgotten cell makes every operation a no-op.
        F->Js(QStringLiteral("tableDeleteTable(); tableInsertRow(true); true"));
        QCOMPARE(F->InnerHtml(), TwoByTwo);
    }

    // The list buttons never leave a list inside a paragraph, a heading or an inline element, so
    // the body loads back as it is (no empty paragraph before the list); what the paragraph held
    // after the list stays in a paragraph of its own. One undo takes the list back and one redo
    // brings it again.
    void listButtonsBuildNoListInAParagraph_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("after");
        QTest::newRow("a link in the line")
            << "<p>one <a href=\"https://x/\">two <i>three</i> five</a> four</p>"
            << "one"
            << ""
            << "#btn-ul"
            << "<ul><li>one <a href=\"https://x/\">two <i>three</i> five</a> four</li></ul>";
        QTest::newRow("two paragraphs") << "<p><b>one</b> two</p><p>x</p>"
                                        << "one"
                                        << "x"
                                        << "#btn-ol"
                                        << "<ol><li><b>one</b> two</li><li>x</li></ol>";
        QTest::newRow("the first of two lines") << "<p>one<br>two</p>"
                                                << "one"
                                                << ""
                                                << "#btn-ul"
                                                << "<ul><li>one</li></ul><p>two</p>";
        // Over a line break inside an inline element each line gets its item once (the text
        // after the break is not also left in the item before it) and no list stands inside the
        // element; a mark's piece after the break is a further passage of a tag, no annotation.
        const QString ann = QStringLiteral("<span id=\"ann_k1\" class=\"dm-annot\">%1</span>");
        const QString tag = QStringLiteral(
            "<span data-hash=\"tg\" data-colour=\"red\" id=\"tg\" data-tag=\"T\">%1</span>");
        const QString tagMore =
            QStringLiteral("<span data-hash=\"tg\" data-colour=\"red\">%1</span>");
        QTest::newRow("bold, both lines") << "<p>a <b>bb<br>cc</b> d</p>"
                                          << "a"
                                          << "d"
                                          << "#btn-ul"
                                          << "<ul><li>a <b>bb</b></li><li><b>cc</b> d</li></ul>";
        // A line break inside an annotation between two selected lines stays in one item, so the
        // annotation keeps all of its text; where only one of its lines is selected it keeps the
        // part before the break.
        QTest::newRow("annotation, both lines")
            << "<p>a " + ann.arg("bb<br>cc") + " d</p>"
            << "a"
            << "d"
            << "#btn-ul"
            << "<ul><li>a " + ann.arg("bb<br>cc") + " d</li></ul>";
        QTest::newRow("annotation among three lines")
            << "<p>x<br>a <b>" + ann.arg("bb<br>cc") + "</b> d<br>y</p>"
            << "x"
            << "y"
            << "#btn-ol"
            << "<ol><li>x</li><li>a <b>" + ann.arg("bb<br>cc") + "</b> d</li><li>y</li></ol>";
        QTest::newRow("annotation in a list item taken away")
            << "<ul><li>a " + ann.arg("bb<br>cc") + " d</li></ul>"
            << "a"
            << "d"
            << "#btn-ul"
            << "<p>a " + ann.arg("bb<br>cc") + " d</p>";
        QTest::newRow("annotation, the second line")
            << "<p>a " + ann.arg("bb<br>cc") + " d</p>"
            << "c"
            << "d"
            << "#btn-ul"
            << "<p>a " + ann.arg("bb") + "<br></p><ul><li>cc d</li></ul>";
        QTest::newRow("tag, three lines")
            << "<p>" + tag.arg("bb<br>cc<br>ee") + "</p>"
            << "bb"
            << "ee"
            << "#btn-ul"
            << "<ul><li>" + tag.arg("bb") + "</li><li>" + tagMore.arg("cc") + "</li><li>" +
                   tagMore.arg("ee") + "</li></ul>";
        QTest::newRow("a heading") << "<h2>one two</h2>"
                                   << "one"
                                   << ""
                                   << "#btn-ul"
                                   << "<ul><li>one two</li></ul>";
        QTest::newRow("a heading with two lines") << "<h2>one<br>two</h2><p>x</p>"
                                                  << "one"
                                                  << "x"
                                                  << "#btn-ol"
                                                  << "<ol><li>one</li><li>two</li><li>x</li></ol>";
        // Taking the list away leaves its lines in paragraphs, none loose in the root.
        QTest::newRow("a list item taken away")
            << "<ul><li>one <b>two <i>three</i></b></li></ul><p>x</p>"
            << "two"
            << ""
            << "#btn-ul"
            << "<p>one <b>two <i>three</i></b></p><p>x</p>";
        QTest::newRow("two list items taken away") << "<ol><li>one</li><li><i>two</i></li></ol>"
                                                   << "one"
                                                   << "two"
                                                   << "#btn-ol"
                                                   << "<p>one</p><p><i>two</i></p>";
        // A list item that is all one highlighted bold run: the browser wraps the new list in
        // the run, which the page takes apart.
        QTest::newRow("an item of one bold run made numbered")
            << "<ul><li>one</li><li><b style=\"background-color: rgb(255, 255, "
               "0);\">wa</b></li></ul>"
            << "wa"
            << ""
            << "#btn-ol"
            << "<ul><li>one</li></ul><ol><li><b style=\"background-color: rgb(255, 255, "
               "0);\">wa</b></li></ol>";
        QTest::newRow("an item of one tagged bold run made numbered")
            << "<ul><li>one</li><li><b>" + tag.arg("wa") + "</b></li></ul>"
            << "wa"
            << ""
            << "#btn-ol"
            << "<ul><li>one</li></ul><ol><li><b>" + tag.arg("wa") + "</b></li></ol>";
        QTest::newRow("an item of one annotated bold run made numbered")
            << "<ul><li>one</li><li><b>" + ann.arg("wa") + "</b></li></ul>"
            << "wa"
            << ""
            << "#btn-ol"
            << "<ul><li>one</li></ul><ol><li><b>" + ann.arg("wa") + "</b></li></ol>";
        QTest::newRow("a tagged bold run over two lines")
            << "<p><b>aa " + tag.arg("bb<br>cc") + " dd</b></p>"
            << "aa"
            << "dd"
            << "#btn-ul"
            << "<ul><li><b>aa " + tag.arg("bb") + "</b></li><li><b>" + tagMore.arg("cc") +
                   " dd</b></li></ul>";
        // An annotation over the line break stays whole, in one item.
        QTest::newRow("an annotated bold run over two lines")
            << "<p>" + ann.arg("<b>bb<br>cc</b>") + "</p>"
            << "bb"
            << "cc"
            << "#btn-ul"
            << "<ul><li>" + ann.arg("<b>bb<br>cc</b>") + "</li></ul>";
        QTest::newRow("a bold run holding a tag made a list")
            << "<p><b>one " + tag.arg("two") + " three</b></p>"
            << "two"
            << ""
            << "#btn-ul"
            << "<ul><li><b>one " + tag.arg("two") + " three</b></li></ul>";
    }
    void listButtonsBuildNoListInAParagraph()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, button);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        F->Click(button);
        QCOMPARE(F->InnerHtml(), after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    // The paragraph-style menu restyles the line or the list item the selection reaches, each
    // run of selected lines in one block becoming one block of the style: no block ends up inside
    // a paragraph, a heading or a list, a list item leaves its list, a line already in a block of
    // the style stays as it is, and the body loads back as it was saved. The change is reported,
    // the selection stays on its text, one undo gives back the body and one redo the change.
    void paragraphStyleAppliesToTheLineOrItem_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to"); // empty: a caret at the start of from
        QTest::addColumn<QString>("style");
        QTest::addColumn<QString>("after");
        QTest::newRow("a list item made Normal") << "<ul><li>one</li><li>two</li></ul>"
                                                 << "two" << QString() << "p"
                                                 << "<ul><li>one</li></ul><p>two</p>";
        QTest::newRow("the middle item made a heading")
            << "<ol><li>one</li><li>two</li><li>three</li></ol>"
            << "two" << QString() << "h2"
            << "<ol><li>one</li></ol><h2>two</h2><ol><li>three</li></ol>";
        QTest::newRow("two items quoted")
            << "<ul><li>one</li><li>two</li><li>three</li></ul>"
            << "t"
            << "three"
            << "blockquote"
            << "<ul><li>one</li></ul><blockquote>two</blockquote><blockquote>three</blockquote>";
        QTest::newRow("an item with a nested list made Normal")
            << "<ul><li>one</li><li>two<ul><li>sub</li></ul></li></ul>"
            << "two" << QString() << "p"
            << "<ul><li>one</li></ul><p>two</p><ul><li><ul><li>sub</li></ul></li></ul>";
        QTest::newRow("the second line quoted") << "<p>first<br>second</p>"
                                                << "second" << QString() << "blockquote"
                                                << "<p>first</p><blockquote>second</blockquote>";
        QTest::newRow("the first line of an italic run made a heading")
            << "<p><i>one<br>two</i></p>"
            << "one" << QString() << "h1"
            << "<h1><i>one</i></h1><p><i>two</i></p>";
        QTest::newRow("a line of a paragraph made Normal") << "<p><i>one<br>two</i></p>"
                                                           << "one" << QString() << "p"
                                                           << "<p><i>one<br>two</i></p>";
        QTest::newRow("two lines of three made a heading") << "<p>a<br>b<br>c</p>"
                                                           << "a"
                                                           << "b"
                                                           << "h3"
                                                           << "<h3>a<br>b</h3><p>c</p>";
        QTest::newRow("a line after an empty line") << "<p>a<br><br>b</p>"
                                                    << "b" << QString() << "h1"
                                                    << "<p>a<br><br></p><h1>b</h1>";
        QTest::newRow("the second line of a quote made Normal")
            << "<blockquote>one<br>two</blockquote>"
            << "two" << QString() << "p"
            << "<blockquote>one</blockquote><p>two</p>";
        QTest::newRow("two paragraphs made headings, attributes kept")
            << "<p style=\"text-align: center;\">one</p><p>two</p>"
            << "one"
            << "two"
            << "h2"
            << "<h2 style=\"text-align: center;\">one</h2><h2>two</h2>";
        QTest::newRow("a line in a table cell")
            << "<table><tbody><tr><td>one<br>two</td></tr></tbody></table>"
            << "two" << QString() << "h1"
            << "<table><tbody><tr><td>one<h1>two</h1></td></tr></tbody></table>";
    }
    void paragraphStyleAppliesToTheLineOrItem()
    {
        QFETCH(QString, body);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, style);
        QFETCH(QString, after);
        QVERIFY(F->LoadBody(body));
        QVERIFY(F->SelectText(from, to));
        if (to.isEmpty()) {
            F->Js(QStringLiteral("getSelection().collapseToStart(); true"));
        }
        const QString selected =
            QStringLiteral("(function(){ const s = getSelection(); return "
                           "JSON.stringify([s.anchorNode.textContent,"
                           " s.anchorOffset, s.focusNode.textContent, s.focusOffset]); })()");
        const QString place = F->JsText(selected);
        // The menu takes the focus, as a click on it does.
        F->Js(QStringLiteral("blockSelect.focus(); blockSelect.value = %1;"
                             " blockSelect.dispatchEvent(new Event('change')); true")
                  .arg(JsString(style)));
        QCOMPARE(F->InnerHtml(), after);
        // The selection stays on the same text, in the editor.
        QCOMPARE(F->JsText(selected), place);
        QCOMPARE(F->JsText(QStringLiteral("document.activeElement.id")), QStringLiteral("editor"));
        const TPosted report = F->WaitForPost(QStringLiteral("contentChanged"), 2500);
        QCOMPARE(report.Msg.value(QStringLiteral("html")).toString(),
                 after == body ? QString() : after);
        F->Key(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), body);
        F->Key(Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(F->InnerHtml(), after);
        QVERIFY(F->LoadBody(after));
        QCOMPARE(F->CleanHtml(), after);
    }

    void prettyPrintBreaksOnlyAtBlocks_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("pretty");
        QTest::newRow("inline neighbours") << "<p><b>Smith</b><i>'s</i></p>"
                                           << "<p>\n<b>Smith</b><i>'s</i>\n</p>";
        QTest::newRow("blocks") << "<p>a</p>  <p>b</p><ul><li>c</li></ul>"
                                << "<p>a</p>\n<p>b</p>\n<ul>\n<li>c</li>\n</ul>";
        QTest::newRow("preformatted") << "<pre>a\n<b>b</b> <i>c</i><div>d</div></pre><p>e</p>"
                                      << "<pre>a\n<b>b</b> <i>c</i><div>d</div></pre>\n<p>e</p>";
        QTest::newRow("raw text") << "<style>p>i{}</style><p>x</p>"
                                  << "<style>p>i{}</style>\n<p>x</p>";
        QTest::newRow("attribute with bracket") << "<p title=\"a>b\"><b>x</b></p>"
                                                << "<p title=\"a>b\">\n<b>x</b>\n</p>";
    }
    void prettyPrintBreaksOnlyAtBlocks()
    {
        QFETCH(QString, html);
        QFETCH(QString, pretty);
        QCOMPARE(F->JsText(QStringLiteral("prettyHTML(%1)").arg(JsString(html))), pretty);
    }

    // A body may hold elements with the ids of the page's own; the page's dialogs never touch
    // them.
    void pageElementsAreFoundOnlyInThePage()
    {
        const QString body = QStringLiteral(
            "<div id=\"table-grid\"><div class=\"grid-cell\" data-row=\"0\" "
            "data-col=\"0\">g</div></div><div id=\"tag-swatches\"><span class=\"tag-swatch\" "
            "data-colour=\"yellow\">s</span></div><p>text</p>");
        QVERIFY(F->LoadBody(body));
        F->ClickIntoEditor();
        F->Click(QStringLiteral("#btn-table"));
        QVERIFY(ModalOpen(QStringLiteral("modal-table")));
        // The pointer over the dialog's cell in the second row and column.
        F->Js(QStringLiteral("document.querySelector(\"#modal-table .grid-cell[data-row='1']"
                             "[data-col='1']\").dispatchEvent(new MouseEvent('mousemove',"
                             " {bubbles: true})); true"));
        QCOMPARE(F->JsText(QStringLiteral("document.getElementById('grid-label').textContent")),
                 QStringLiteral("2 \u00d7 2"));
        QCOMPARE(F->InnerHtml(), body);
        F->Click(QStringLiteral("#btn-table-cancel"));
        QVERIFY(F->SelectText(QStringLiteral("text")));
        F->Send(Msg(QStringLiteral("openTagModal")));
        QVERIFY(ModalOpen(QStringLiteral("modal-tag")));
        F->Click(QStringLiteral("#modal-tag .tag-swatch[data-colour='yellow']"));
        QCOMPARE(F->JsText(QStringLiteral(
                     "pageEl['tag-swatches'].querySelector('.selected').dataset.colour")),
                 QStringLiteral("yellow"));
        F->Click(QStringLiteral("#btn-tag-cancel"));
        QCOMPARE(F->InnerHtml(), body);
        QCOMPARE(F->CleanHtml(), body);
    }

    // The page's style rules for its own elements never match an element of the body that
    // carries one of their ids or classes: it looks as the same element without them.
    void pageRulesLeaveBodyElementsAlone_data()
    {
        QTest::addColumn<QString>("element"); // opening tag, with what the page's rules name
        QTest::addColumn<QString>("plain");   // the same element without it
        QTest::addColumn<QString>("property");
        QTest::newRow("dialog overlay") << "<div class=\"modal-overlay\">"
                                        << "<div>"
                                        << "display";
        QTest::newRow("toolbar") << "<div id=\"toolbar\">"
                                 << "<div>"
                                 << "display";
        QTest::newRow("colour picker") << "<div class=\"color-picker\">"
                                       << "<div>"
                                       << "display";
        QTest::newRow("table menu") << "<div id=\"table-ctx-menu\">"
                                    << "<div>"
                                    << "display";
        QTest::newRow("source view") << "<div id=\"source-view\">"
                                     << "<div>"
                                     << "display";
        QTest::newRow("history mark") << "<p id=\"undo-mark\">"
                                      << "<p>"
                                      << "position";
        QTest::newRow("editor") << "<div id=\"editor\">"
                                << "<div>"
                                << "padding-left";
        QTest::newRow("menu item") << "<p class=\"ctx-item\">"
                                   << "<p>"
                                   << "padding-left";
        QTest::newRow("highlight colour without a tag") << "<p class=\"red\">"
                                                        << "<p>"
                                                        << "background-color";
    }
    void pageRulesLeaveBodyElementsAlone()
    {
        QFETCH(QString, element);
        QFETCH(QString, plain);
        QFETCH(QString, property);
        const QString close = QStringLiteral("</%1>").arg(plain.mid(1, plain.size() - 2));
        const QString body =
            element + QStringLiteral("probe") + close + plain + QStringLiteral("plain") + close;
        QVERIFY(F->LoadBody(body));
        const QString style = QStringLiteral("getComputedStyle(editor.children[%1])"
                                             ".getPropertyValue(%2)");
        QCOMPARE(F->Js(QStringLiteral("editor.children.length")).toInt(), 2);
        QCOMPARE(F->JsText(style.arg(QStringLiteral("0"), JsString(property))),
                 F->JsText(style.arg(QStringLiteral("1"), JsString(property))));
        QCOMPARE(F->CleanHtml(), body);
    }

    void sourceViewWithoutEditsChangesNothing()
    {
        const QString body = QStringLiteral(
            "<p><b>Smith</b><i>'s</i></p><pre>line one\n<b>bold</b>  two</pre><ul><li>a</li></ul>");
        QVERIFY(F->LoadBody(body));
        F->Click(QStringLiteral("#btn-source"));
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")),
                 QStringLiteral("source-mode"));
        QCOMPARE(F->JsText(QStringLiteral("document.activeElement.id")),
                 QStringLiteral("source-view"));
        QCOMPARE(F->JsText(QStringLiteral("sourceView.value")),
                 QStringLiteral(
                     "<p>\n<b>Smith</b><i>'s</i>\n</p>\n<pre>line one\n<b>bold</b>  two</pre>\n"
                     "<ul>\n<li>a</li>\n</ul>"));
        // Other buttons are dimmed and dead; the selects are dimmed but usable.
        QCOMPARE(F->JsText(QStringLiteral(
                     "getComputedStyle(document.getElementById('btn-bold')).opacity")),
                 QStringLiteral("0.4"));
        QCOMPARE(F->JsText(QStringLiteral(
                     "getComputedStyle(document.getElementById('btn-bold')).pointerEvents")),
                 QStringLiteral("none"));
        QCOMPARE(F->JsText(QStringLiteral("getComputedStyle(sizeSelect).pointerEvents")),
                 QStringLiteral("auto"));
        F->Click(QStringLiteral("#btn-source"));
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->InnerHtml(), body);
        QTest::qWait(200);
        QCOMPARE(F->Posts().size(), 0);
    }

    void sourceEditsApplyAndReportAtOnce()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one</p>")));
        F->Click(QStringLiteral("#btn-source"));
        F->Key(Qt::Key_End, Qt::ControlModifier);
        F->Type(QStringLiteral("<p>two</p>"));
        F->Key(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>one</p><p>two</p>"));
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), 1);
        QCOMPARE(posts[0].Json,
                 QStringLiteral("{\"type\":\"contentChanged\",\"html\":\"<p>one</p><p>two</p>\"}"));
    }

    void escapeDropsSourceEditsLoadAppliesThem()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>one</p>")));
        F->Click(QStringLiteral("#btn-source"));
        F->Type(QStringLiteral("zzz"));
        QCOMPARE(F->EditStates().size(), 1);
        F->Key(Qt::Key_Escape);
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>one</p>"));
        QTest::qWait(1700);
        QCOMPARE(F->Posts().size(), 0);
        // The host, told of the edits, is told that none is left.
        QCOMPARE(F->EditStates().size(), 2);
        QCOMPARE(F->EditStates()[1].Msg.value(QStringLiteral("pending")).toBool(), false);
        // Source edits are reported before other content is loaded.
        F->Click(QStringLiteral("#btn-source"));
        F->Key(Qt::Key_End, Qt::ControlModifier);
        F->Type(QStringLiteral("<p>two</p>"));
        F->Send(Msg(QStringLiteral("load"),
                    {{QStringLiteral("html"), QStringLiteral("<p>other</p>")}}));
        QVERIFY(F->WaitForPosts(3, 2000));
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>other</p>"));
        QTest::qWait(200);
        QCOMPARE(F->PostedTypes(),
                 (QStringList{QStringLiteral("contentChanged"), QStringLiteral("tagsUpdated"),
                              QStringLiteral("loadAck")}));
        QCOMPARE(F->Posts()[0].Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>one</p><p>two</p>"));
    }

    // The view's text is reported while the view stays open, but the editor takes it only when
    // the view is left applying it; leaving with Escape brings back the body from before, and
    // the host, which was given the text, is given that body again at once.
    void sourceEditsAreReportedWhileTheViewStaysOpen_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("reports"); // the bodies posted on leaving
        QTest::newRow("applied") << true << "<p>one</p><p>two</p>" << QStringList();
        QTest::newRow("escape") << false << "<p>one</p>" << QStringList{"<p>one</p>"};
    }
    void sourceEditsAreReportedWhileTheViewStaysOpen()
    {
        QFETCH(bool, apply);
        QFETCH(QString, after);
        QFETCH(QStringList, reports);
        QVERIFY(F->LoadBody(QStringLiteral("<p>one</p>")));
        F->Click(QStringLiteral("#btn-source"));
        F->Key(Qt::Key_End, Qt::ControlModifier);
        F->Type(QStringLiteral("<p>two</p>"));
        const TPosted changed = F->WaitForPost(QStringLiteral("contentChanged"), 2500);
        QCOMPARE(changed.Msg.value(QStringLiteral("html")).toString(),
                 QStringLiteral("<p>one</p><p>two</p>"));
        QVERIFY(F->JsText(QStringLiteral("document.body.className"))
                    .contains(QLatin1String("source-mode")));
        QCOMPARE(F->InnerHtml(), QStringLiteral("<p>one</p>"));
        F->ClearPosts();
        F->Key(apply ? Qt::Key_Return : Qt::Key_Escape,
               apply ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QCOMPARE(F->InnerHtml(), after);
        // Posted with the key, before any timer could.
        QStringList posted;
        for (const TPosted& p : F->Posts()) {
            QCOMPARE(p.Type(), QStringLiteral("contentChanged"));
            posted << p.Msg.value(QStringLiteral("html")).toString();
        }
        QCOMPARE(posted, reports);
        QTest::qWait(1700);
        QCOMPARE(F->Posts().size(), reports.size());
        QCOMPARE(F->InnerHtml(), after);
    }
};

std::unique_ptr<QObject> NewStructureTest()
{
    return std::make_unique<TStructureTest>();
}

#include "test_structure.moc"

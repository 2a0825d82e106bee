// Markdown and plain-text import. The expected results are what the cmark-gfm program (Debian
// package cmark-gfm, run with "-e table -e footnotes") gives for the same text, with every line
// ended by CR + LF, except where the importer's own rules say otherwise: raw HTML is shown as
// text and HTML comments are dropped, a link or image whose address would run script keeps only
// its text, a leading front matter block is preformatted text, and the title is the first
// level-1 heading as written.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QRegularExpression>
#include <QTest>

namespace {

QString Lines(std::initializer_list<const char*> ALines)
{
    QString s;
    for (const char* line : ALines)
        s += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return s;
}

// The text with every line feed made CR + LF.
QString CRLF(const QByteArray& AText)
{
    QString s = QString::fromUtf8(AText);
    s.replace(u'\n', QStringLiteral("\r\n"));
    return s;
}

QString Convert(const QString& ASource, QString& ATitle)
{
    ATitle = QStringLiteral("notes");
    return importer::ConvertMarkdown(importer::SplitLines(ASource), ATitle);
}

class TMarkdownTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void blocks_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("html");
        QTest::newRow("first heading is the title, markers and all")
            << "# A *big* day\n# Later"
            << "A *big* day" << Lines({"<h1>A <em>big</em> day</h1>", "<h1>Later</h1>"});
        QTest::newRow("heading equal to the file name lets the next one in")
            << "# notes\n# Real title"
            << "Real title" << Lines({"<h1>notes</h1>", "<h1>Real title</h1>"});
        QTest::newRow("empty heading keeps the file name")
            << "# \n# Next"
            << "Next" << Lines({"<h1></h1>", "<h1>Next</h1>"});
        QTest::newRow("levels up to six")
            << "###### six\n####### seven\n#x"
            << "notes" << Lines({"<h6>six</h6>", "<p>####### seven", "#x</p>"});
        QTest::newRow("lines of a paragraph")
            << "one\n  two\n\nthree"
            << "notes" << Lines({"<p>one", "two</p>", "<p>three</p>"});
        QTest::newRow("blank line closes list and quote")
            << "- a\n\n> q\n\nz"
            << "notes"
            << Lines({"<ul>", "<li>a</li>", "</ul>", "<blockquote>", "<p>q</p>", "</blockquote>",
                      "<p>z</p>"});
        QTest::newRow("bullet items apart make one loose list")
            << "- a\n\n- b"
            << "notes"
            << Lines({"<ul>", "<li>", "<p>a</p>", "</li>", "<li>", "<p>b</p>", "</li>", "</ul>"});
        QTest::newRow("numbered items apart make one loose list")
            << "1. a\n\n2. b"
            << "notes"
            << Lines({"<ol>", "<li>", "<p>a</p>", "</li>", "<li>", "<p>b</p>", "</li>", "</ol>"});
        QTest::newRow("quotes apart are two quotes")
            << "> a\n\n> b"
            << "notes"
            << Lines({"<blockquote>", "<p>a</p>", "</blockquote>", "<blockquote>", "<p>b</p>",
                      "</blockquote>"});
        QTest::newRow("another bullet or numbers start another list")
            << "- a\n* b\n1. c\n2024. d"
            << "notes"
            << Lines({"<ul>", "<li>a</li>", "</ul>", "<ul>", "<li>b</li>", "</ul>", "<ol>",
                      "<li>c</li>", "<li>d</li>", "</ol>"});
        QTest::newRow("a decimal number is text") << "3.14 is pi"
                                                  << "notes" << Lines({"<p>3.14 is pi</p>"});
        QTest::newRow("paragraph closed before a list")
            << "text\n- item"
            << "notes" << Lines({"<p>text</p>", "<ul>", "<li>item</li>", "</ul>"});
        QTest::newRow("rules, and dashes under text make a heading")
            << "a\n---\n ***\n___"
            << "notes" << Lines({"<h2>a</h2>", "<hr />", "<hr />"});
        QTest::newRow("fence with a language keeps indentation and escapes")
            << "```cpp\n  if (a<b && c)\n\n```\nafter"
            << "notes"
            << Lines({"<pre><code class=\"language-cpp\">  if (a&lt;b &amp;&amp; c)", "",
                      "</code></pre>", "<p>after</p>"});
        QTest::newRow("unclosed fence runs to the end")
            << "- item\n```\n# not a heading"
            << "notes"
            << Lines({"<ul>", "<li>item</li>", "</ul>", "<pre><code># not a heading",
                      "</code></pre>"});
        QTest::newRow("markup is escaped")
            << "<script>alert(1)</script>"
            << "notes" << Lines({"<p>&lt;script&gt;alert(1)&lt;/script&gt;</p>"});
        QTest::newRow("empty") << ""
                               << "notes"
                               << "";
        QTest::newRow("blank lines only") << "\n  \n\t\n"
                                          << "notes"
                                          << "";
    }
    void blocks()
    {
        QFETCH(QString, source);
        QFETCH(QString, title);
        QFETCH(QString, html);
        QString gotTitle;
        QCOMPARE(Convert(source, gotTitle), html);
        QCOMPARE(gotTitle, title);
    }

    // Snippets in the style of real README files, each read as CommonMark reads it.
    void commonMark_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("html");
        QTest::newRow("indented code block")
            << "Use it for a shell:\n\n    $ export PYENV_VERSION=pypy-2.2.1\n    $ pyenv "
               "shell\n\nDone."
            << Lines({"<p>Use it for a shell:</p>", "<pre><code>$ export PYENV_VERSION=pypy-2.2.1",
                      "$ pyenv shell", "</code></pre>", "<p>Done.</p>"});
        QTest::newRow("underscores inside words")
            << "Set $PYENV_BUILD_ROOT or pass -DGTEST_HAS_PTHREAD=1 to the build."
            << Lines({"<p>Set $PYENV_BUILD_ROOT or pass -DGTEST_HAS_PTHREAD=1 to the build.</p>"});
        QTest::newRow("unmatched asterisks")
            << "Import with `use` as in use foo::*; and match *-patterns here."
            << Lines({"<p>Import with <code>use</code> as in use foo::*; and match *-patterns "
                      "here.</p>"});
        QTest::newRow("backslash escapes")
            << "> \\[!TIP]\n> Builds for x86\\_64 and \\*nix."
            << Lines({"<blockquote>", "<p>[!TIP]", "Builds for x86_64 and *nix.</p>",
                      "</blockquote>"});
        QTest::newRow("autolinks")
            << "Read <https://example.com/a_b?x=1&y=2> or write to <dev@example.org>."
            << Lines({"<p>Read <a href=\"https://example.com/a_b?x=1&amp;y=2\">"
                      "https://example.com/a_b?x=1&amp;y=2</a> or write to <a "
                      "href=\"mailto:dev@example.org\">dev@example.org</a>.</p>"});
        QTest::newRow("setext headings")
            << "Setup\n=====\n\nNotes\n-----\ntext"
            << Lines({"<h1>Setup</h1>", "<h2>Notes</h2>", "<p>text</p>"});
        QTest::newRow("list item with continued lines")
            << "* first item\n  goes on here\nand lazily here\n* second item"
            << Lines({"<ul>", "<li>first item", "goes on here", "and lazily here</li>",
                      "<li>second item</li>", "</ul>"});
        QTest::newRow("reference links and their definitions")
            << "See [the guide][guide], [INSTALL][] and [Guide].\n\n[guide]: "
               "https://example.com/guide \"The guide\"\n[INSTALL]: INSTALL"
            << Lines({"<p>See <a href=\"https://example.com/guide\" title=\"The guide\">the "
                      "guide</a>, <a href=\"INSTALL\">INSTALL</a> and <a "
                      "href=\"https://example.com/guide\" title=\"The guide\">Guide</a>.</p>"});
        QTest::newRow("footnote reference")
            << "Older kernels may work[^1].\n\n[^1]: Binaries are built on RHEL 8."
            << Lines({"<p>Older kernels may work<sup class=\"footnote-ref\"><a href=\"#fn-1\" "
                      "id=\"fnref-1\" data-footnote-ref>1</a></sup>.</p>",
                      "<section class=\"footnotes\" data-footnotes>", "<ol>", "<li id=\"fn-1\">",
                      "<p>Binaries are built on RHEL 8. <a href=\"#fnref-1\" "
                      "class=\"footnote-backref\" data-footnote-backref aria-label=\"Back to "
                      "content\">\xe2\x86\xa9</a></p>",
                      "</li>", "</ol>", "</section>"});
        QTest::newRow("footnotes numbered in the order of the text, around a table")
            << "First[^a].\n\nThen[^b] before a table\n| x |\n|---|\n| y[^a] |\n\n[^b]: "
               "Bee.\n[^a]: Ay."
            << Lines(
                   {"<p>First<sup class=\"footnote-ref\"><a href=\"#fn-a\" id=\"fnref-a\" "
                    "data-footnote-ref>1</a></sup>.</p>",
                    "<p>Then<sup class=\"footnote-ref\"><a href=\"#fn-b\" id=\"fnref-b\" "
                    "data-footnote-ref>2</a></sup> before a table</p>",
                    "<table>",
                    "<thead>",
                    "<tr>",
                    "<th>x</th>",
                    "</tr>",
                    "</thead>",
                    "<tbody>",
                    "<tr>",
                    "<td>y<sup class=\"footnote-ref\"><a href=\"#fn-a\" id=\"fnref-a-2\" "
                    "data-footnote-ref>1</a></sup></td>",
                    "</tr>",
                    "</tbody>",
                    "</table>",
                    "<section class=\"footnotes\" data-footnotes>",
                    "<ol>",
                    "<li id=\"fn-a\">",
                    "<p>Ay. <a href=\"#fnref-a\" class=\"footnote-backref\" data-footnote-backref "
                    "aria-label=\"Back to content\">\xe2\x86\xa9</a> <a href=\"#fnref-a-2\" "
                    "class=\"footnote-backref\" data-footnote-backref aria-label=\"Back to "
                    "content\">\xe2\x86\xa9<sup class=\"footnote-ref\">2</sup></a></p>",
                    "</li>",
                    "<li id=\"fn-b\">",
                    "<p>Bee. <a href=\"#fnref-b\" class=\"footnote-backref\" data-footnote-backref "
                    "aria-label=\"Back to content\">\xe2\x86\xa9</a></p>",
                    "</li>",
                    "</ol>",
                    "</section>"});
        QTest::newRow("pipe table")
            << "| Platform | Tier |\n| -------- | ---: |\n| Linux    | 1    |\n| AIX      | 2    |"
            << Lines({"<table>", "<thead>", "<tr>", "<th>Platform</th>",
                      "<th align=\"right\">Tier</th>", "</tr>", "</thead>", "<tbody>", "<tr>",
                      "<td>Linux</td>", "<td align=\"right\">1</td>", "</tr>", "<tr>",
                      "<td>AIX</td>", "<td align=\"right\">2</td>", "</tr>", "</tbody>",
                      "</table>"});
    }
    void commonMark()
    {
        QFETCH(QString, source);
        QFETCH(QString, html);
        QString title;
        const QString got = Convert(source, title);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

    // Read in pieces of a few bytes, so that every block is a stretch of its own: what is used
    // before it is defined further on still gives what the whole text gives.
    void acrossStretches_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("html");
        QTest::newRow("a link defined later, its title over two lines")
            << "See [the guide] first.\n\nMore text.\n\n[the guide]: /guide \"A title\nover two "
               "lines\"\n"
            << Lines({"<p>See <a href=\"/guide\" title=\"A title",
                      "over two lines\">the guide</a> "
                      "first.</p>",
                      "<p>More text.</p>"});
        QTest::newRow("footnotes and a link defined later, one inside a note")
            << "Claim[^late] and [x][] here.\n\nMiddle.\n\n[^late]: Note with [x][] and a "
               "ref[^two].\n\n[^two]: Second.\n\n[x]: <https://example.com/x y> (paren title)\n"
            << Lines({"<p>Claim<sup class=\"footnote-ref\"><a href=\"#fn-late\" id=\"fnref-late\" "
                      "data-footnote-ref>1</a></sup> and <a href=\"https://example.com/x%20y\" "
                      "title=\"paren title\">x</a> here.</p>",
                      "<p>Middle.</p>", "<section class=\"footnotes\" data-footnotes>", "<ol>",
                      "<li id=\"fn-late\">",
                      "<p>Note with <a href=\"https://example.com/x%20y\" title=\"paren "
                      "title\">x</a> and a ref<sup class=\"footnote-ref\"><a href=\"#fn-two\" "
                      "id=\"fnref-two\" data-footnote-ref>2</a></sup>. <a href=\"#fnref-late\" "
                      "class=\"footnote-backref\" data-footnote-backref aria-label=\"Back to "
                      "content\">\xe2\x86\xa9</a></p>",
                      "</li>", "<li id=\"fn-two\">",
                      "<p>Second. <a href=\"#fnref-two\" class=\"footnote-backref\" "
                      "data-footnote-backref aria-label=\"Back to content\">\xe2\x86\xa9</a></p>",
                      "</li>", "</ol>", "</section>"});
        QTest::newRow("labels starting with ^ that name links, not footnotes")
            << "Use [^] and [^a b] and [^ok].\n\n[^ok]: Note.\n\n[^]: /caret\n[^a b]: /spaced\n"
            << Lines({"<p>Use <a href=\"/caret\">^</a> and <a href=\"/spaced\">^a b</a> and <sup "
                      "class=\"footnote-ref\"><a href=\"#fn-ok\" id=\"fnref-ok\" "
                      "data-footnote-ref>1</a></sup>.</p>",
                      "<section class=\"footnotes\" data-footnotes>", "<ol>", "<li id=\"fn-ok\">",
                      "<p>Note. <a href=\"#fnref-ok\" class=\"footnote-backref\" "
                      "data-footnote-backref aria-label=\"Back to content\">\xe2\x86\xa9</a></p>",
                      "</li>", "</ol>", "</section>"});
    }
    void acrossStretches()
    {
        QFETCH(QString, source);
        QFETCH(QString, html);
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("t.md"), source.toUtf8());
        QString title;
        for (const qsizetype pieceBytes :
             {qsizetype(1), qsizetype(7), qsizetype(64), importer::PieceBytes})
            QCOMPARE(importer::ImportMarkdownFile(path, title, pieceBytes), html);
    }

    // Where the importer's own rules decide rather than CommonMark.
    void ownRules_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("html");
        QTest::newRow("HTML comments are dropped")
            << "<!--lint disable final-definition-->\n\nText <!-- no lint --> goes on.\n\n<!-- a "
               "note\n\nover lines -->\nafter"
            << "notes" << Lines({"<p>Text  goes on.</p>", "<p>after</p>"});
        QTest::newRow("an HTML block is text, line by line")
            << "<div align=\"center\">\n  <img src=\"logo.png\" onerror=\"alert(1)\">\n</div>"
            << "notes"
            << Lines({"<p>&lt;div align=&quot;center&quot;&gt;<br />",
                      "  &lt;img src=&quot;logo.png&quot; onerror=&quot;alert(1)&quot;&gt;<br />",
                      "&lt;/div&gt;</p>"});
        QTest::newRow("inline HTML is text") << "Press <kbd>Ctrl</kbd> now"
                                             << "notes"
                                             << Lines({"<p>Press &lt;kbd&gt;Ctrl&lt;/kbd&gt; "
                                                       "now</p>"});
        QTest::newRow("script addresses keep only the text")
            << "[click](javascript:alert(1)), ![x](JavaScript:alert(2)), [v](<vbscript:msgbox>), "
               "![dot](data:image/png;base64,iVBORw0KGgo=)"
            << "notes"
            << Lines({"<p>click, x, v, <img src=\"data:image/png;base64,iVBORw0KGgo=\" "
                      "alt=\"dot\" /></p>"});
        QTest::newRow("front matter is preformatted text")
            << "---\ntitle: \"Notes\"\ntags: [a, b]\n---\n\n# Heading"
            << "Heading"
            << Lines({"<pre><code>---", "title: &quot;Notes&quot;", "tags: [a, b]", "---",
                      "</code></pre>", "<h1>Heading</h1>"});
        QTest::newRow("front matter may end with three dots")
            << "---\ndate: 2024-01-02\n...\ntext"
            << "notes"
            << Lines({"<pre><code>---", "date: 2024-01-02", "...", "</code></pre>", "<p>text</p>"});
        QTest::newRow("no front matter without its closing line")
            << "---\ntitle: x"
            << "notes" << Lines({"<hr />", "<p>title: x</p>"});
        QTest::newRow("no front matter after the first line")
            << "Text\n\n---\na: b\n---"
            << "notes" << Lines({"<p>Text</p>", "<hr />", "<h2>a: b</h2>"});
        QTest::newRow("a heading over two lines is a title of one")
            << "A *long*\ntitle\n===\n# Later"
            << "A *long* title" << Lines({"<h1>A <em>long</em>", "title</h1>", "<h1>Later</h1>"});
        QTest::newRow("a heading inside a quote is no title")
            << "> # Quoted\n\n# Real"
            << "Real"
            << Lines({"<blockquote>", "<h1>Quoted</h1>", "</blockquote>", "<h1>Real</h1>"});
    }
    void ownRules()
    {
        QFETCH(QString, source);
        QFETCH(QString, title);
        QFETCH(QString, html);
        QString gotTitle;
        QCOMPARE(Convert(source, gotTitle), html);
        QCOMPARE(gotTitle, title);
    }

    void inlineMarkup_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("html");
        QTest::newRow("product") << "2*3*4"
                                 << "2<em>3</em>4";
        QTest::newRow("underscores inside a name") << "snake_case_name"
                                                   << "snake_case_name";
        QTest::newRow("strong without closer") << "**word"
                                               << "**word";
        QTest::newRow("strong emphasis") << "***a*** b"
                                         << "<em><strong>a</strong></em> b";
        QTest::newRow("both strong forms") << "**b** and __u__"
                                           << "<strong>b</strong> and <strong>u</strong>";
        QTest::newRow("emphasis inside strong") << "**a *b* c**"
                                                << "<strong>a <em>b</em> c</strong>";
        QTest::newRow("code span is not converted") << "`a<b *c*` *d*"
                                                    << "<code>a&lt;b *c*</code> <em>d</em>";
        QTest::newRow("unclosed code span") << "`x & y"
                                            << "`x &amp; y";
        QTest::newRow("link with escaped address")
            << "[the *site*](https://x.example/?a=1&b=\"2\")"
            << "<a href=\"https://x.example/?a=1&amp;b=%222%22\">the <em>site</em></a>";
        QTest::newRow("link without closing parenthesis") << "[text](unclosed"
                                                          << "[text](unclosed";
        QTest::newRow("bracket not followed by parenthesis") << "[a] (b)"
                                                             << "[a] (b)";
        QTest::newRow("script address keeps only the text") << "[click](javascript:alert(1))"
                                                            << "click";
        QTest::newRow("no closer before a character outside the BMP") << "**ab😀"
                                                                      << "**ab😀";
        QTest::newRow("characters") << "a & b < c > d \"q\" 'r'"
                                    << "a &amp; b &lt; c &gt; d &quot;q&quot; 'r'";
        QTest::newRow("link text after the last [") << "[[[[x](y)"
                                                    << "[[[<a href=\"y\">x</a>";
    }
    void inlineMarkup()
    {
        QFETCH(QString, source);
        QFETCH(QString, html);
        const QString got = MDInline(source);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

    // Excerpts of README files of Debian packages; the expected HTML files beside them are
    // cmark-gfm's result with the lines it writes for HTML comments removed. Read in small
    // pieces, so that they are read in many stretches (definitions and footnotes used before
    // they are defined included), they give the same.
    void readmes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("title");
        QTest::newRow("setext headings, reference links, autolinks, list items going on")
            << "git-readme"
            << "Git - fast, scalable, distributed revision control system";
        QTest::newRow("setext headings, indented code, blank lines of blanks") << "httplib2-readme"
                                                                               << "Introduction";
        QTest::newRow("pipe tables, footnotes, HTML comments") << "nodejs-platforms"
                                                               << "nodejs-platforms";
        QTest::newRow("underscores inside words, nested lists, mail autolinks")
            << "iso-codes-changes"
            << "iso-codes-changes";
    }
    void readmes()
    {
        QFETCH(QString, name);
        QFETCH(QString, title);
        const QString path = SamplePath(QStringLiteral("markdown/%1.md").arg(name));
        const QString html =
            CRLF(SampleBytes(QStringLiteral("markdown/%1.expected.html").arg(name)));
        QVERIFY(html.size() > 1000);
        QString gotTitle;
        QCOMPARE(ImportMarkdown(path, gotTitle), html);
        QCOMPARE(gotTitle, title);
        for (const qsizetype pieceBytes : {1, 64, 4096}) {
            QCOMPARE(importer::ImportMarkdownFile(path, gotTitle, pieceBytes), html);
            QCOMPARE(gotTitle, title);
        }
    }

    // A paragraph far longer than the stretches a file is read in is read in pieces, joined
    // again into one paragraph; the expected paragraph is made of cmark-gfm's result for one
    // unit of it.
    void longParagraphs_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("unitHtml");
        QTest::addColumn<QString>("sep");
        QTest::newRow("lines ended by carriage returns alone")
            << "A line of text, ended the old way.\r"
            << "A line of text, ended the old way."
            << "\r\n";
        QTest::newRow("one line of words") << "Some *emphasis* and `code` in a line "
                                           << "Some <em>emphasis</em> and <code>code</code> in "
                                              "a line"
                                           << " ";
        QTest::newRow("one line without a blank") << "\u00e9\u00f1"
                                                  << "\u00e9\u00f1"
                                                  << "";
        QTest::newRow("markup running over line ends")
            << "**bold\nover lines** and `code\nspan` too\n"
            << "<strong>bold\r\nover lines</strong> and <code>code span</code> too"
            << "\r\n";
    }
    void longParagraphs()
    {
        QFETCH(QString, unit);
        QFETCH(QString, unitHtml);
        QFETCH(QString, sep);
        const int count = int(600000 / unit.size());
        QStringList parts;
        for (int k = 0; k < count; ++k)
            parts << unitHtml;
        QTemporaryDir dir;
        const QString path =
            WriteFile(dir, QStringLiteral("long.md"), unit.repeated(count).toUtf8());
        QString title;
        QCOMPARE(ImportMarkdown(path, title), "<p>" + parts.join(sep) + "</p>\r\n");
    }

    // A numbered list of more than a megabyte without a blank line is read in stretches all the
    // same, each a list of its own that goes on with the numbers of the last.
    void longList()
    {
        const int count = 100000;
        QByteArray text;
        QString oneList = QStringLiteral("<ol>\r\n");
        for (int k = 1; k <= count; ++k) {
            text += QByteArray::number(k) + ". item " + QByteArray::number(k) + "\n";
            oneList += QStringLiteral("<li>item %1</li>\r\n").arg(k);
        }
        oneList += QStringLiteral("</ol>\r\n");
        QTemporaryDir dir;
        QString title;
        QString body = ImportMarkdown(WriteFile(dir, QStringLiteral("list.md"), text), title);
        const QRegularExpression join(
            QStringLiteral("</ol>\r\n<ol start=\"(\\d+)\">\r\n<li>item (\\d+)<"));
        int joins = 0;
        for (auto m = join.globalMatch(body); m.hasNext(); ++joins) {
            const QRegularExpressionMatch match = m.next();
            QCOMPARE(match.captured(1), match.captured(2));
        }
        QVERIFY(joins >= 1);
        body.replace(QRegularExpression(QStringLiteral("</ol>\r\n<ol start=\"\\d+\">\r\n")),
                     QString());
        QCOMPARE(body, oneList);
    }

    // A table of more than a megabyte without a blank line is read in stretches all the same,
    // whose rows make one table again.
    void longTable()
    {
        const int count = 80000;
        QByteArray text = "| Platform | Tier |\n| :-- | --: |\n";
        QString table =
            QStringLiteral("<table>\r\n<thead>\r\n<tr>\r\n<th align=\"left\">Platform</th>"
                           "\r\n<th align=\"right\">Tier</th>\r\n</tr>\r\n</thead>\r\n<tbody>\r\n");
        for (int k = 1; k <= count; ++k) {
            text +=
                "| linux *" + QByteArray::number(k) + "* | " + QByteArray::number(k % 3) + " |\n";
            table += QStringLiteral("<tr>\r\n<td align=\"left\">linux <em>%1</em></td>\r\n<td "
                                    "align=\"right\">%2</td>\r\n</tr>\r\n")
                         .arg(k)
                         .arg(k % 3);
        }
        table += QStringLiteral("</tbody>\r\n</table>\r\n");
        QVERIFY(text.size() > 1500000);
        QTemporaryDir dir;
        QString title;
        QCOMPARE(ImportMarkdown(WriteFile(dir, QStringLiteral("table.md"), text), title), table);
    }

    void importCaseNotes()
    {
        QString title;
        const QString body =
            ImportMarkdown(SamplePath(QStringLiteral("markdown/case-notes.md")), title);
        QCOMPARE(title, QStringLiteral("Case *4711*: tenancy dispute"));
        QCOMPARE(body, Lines({"<h1>Case <em>4711</em>: tenancy dispute</h1>",
                              "<p>Client called on <strong>Monday</strong>; the landlord's letter",
                              "arrived a day later.</p>",
                              "<h2>Open points</h2>",
                              "<ul>",
                              "<li>Deposit of 1,200 € not returned</li>",
                              "</ul>",
                              "<ul>",
                              "<li>Heating broken since <code>2023-11-02</code></li>",
                              "</ul>",
                              "<ul>",
                              "<li>See <a href=\"https://example.com/docs?id=7&amp;v=2\">the "
                              "contract</a></li>",
                              "</ul>",
                              "<ol>",
                              "<li>Ask for the meter readings</li>",
                              "<li>Write to the landlord",
                              "3.14 is not an item.</li>",
                              "</ol>",
                              "<blockquote>",
                              "<p>The tenant shall keep the premises clean.",
                              "Clause 7, <em>verbatim</em></p>",
                              "</blockquote>",
                              "<pre><code class=\"language-text\">  Date       Amount",
                              "  &lt;2024-01&gt;  120.00 &amp; more",
                              "</code></pre>",
                              "<hr />",
                              "<p>Second # heading",
                              "#NoSpace stays text",
                              "####### seven hashes</p>",
                              "<h1>Not the title</h1>"}));
    }

    void importPlainText()
    {
        QString title;
        const QString body =
            ImportFileToHTML(SamplePath(QStringLiteral("markdown/plain.txt")), title);
        QCOMPARE(title, QStringLiteral("plain"));
        QCOMPARE(body,
                 Lines({"<p>First sentence of a plain note.", "Second line of the same block.</p>",
                        "<p>A new block with &lt;angle&gt; &amp; &quot;quotes&quot;.</p>"}));
    }
};

} // namespace

std::unique_ptr<QObject> NewMarkdownTest()
{
    return std::make_unique<TMarkdownTest>();
}

#include "test_markdown.moc"

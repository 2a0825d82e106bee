// Markdown and plain-text import.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QTest>

namespace {

QString Lines(std::initializer_list<const char*> ALines)
{
    QString s;
    for (const char* line : ALines)
        s += QString::fromUtf8(line) + QStringLiteral("\r\n");
    return s;
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
            << "notes" << Lines({"<h6>six</h6>", "<p>", "####### seven", "<br>", "#x", "</p>"});
        QTest::newRow("lines of a paragraph")
            << "one\n  two\n\nthree"
            << "notes" << Lines({"<p>", "one", "<br>", "  two", "</p>", "<p>", "three", "</p>"});
        QTest::newRow("blank line closes list and quote")
            << "- a\n\n> q\n\nz"
            << "notes"
            << Lines({"<ul>", "<li>a</li>", "</ul>", "<blockquote>", "<p>q</p>", "</blockquote>",
                      "<p>", "z", "</p>"});
        QTest::newRow("bullet lists apart are two lists")
            << "- a\n\n- b"
            << "notes" << Lines({"<ul>", "<li>a</li>", "</ul>", "<ul>", "<li>b</li>", "</ul>"});
        QTest::newRow("numbered lists apart are two lists")
            << "1. a\n\n2. b"
            << "notes" << Lines({"<ol>", "<li>a</li>", "</ol>", "<ol>", "<li>b</li>", "</ol>"});
        QTest::newRow("quotes apart are two quotes")
            << "> a\n\n> b"
            << "notes"
            << Lines({"<blockquote>", "<p>a</p>", "</blockquote>", "<blockquote>", "<p>b</p>",
                      "</blockquote>"});
        QTest::newRow("bullets then numbers")
            << "- a\n* b\n1. c\n2024. d"
            << "notes"
            << Lines({"<ul>", "<li>a</li>", "<li>b</li>", "</ul>", "<ol>", "<li>c</li>",
                      "<li>d</li>", "</ol>"});
        QTest::newRow("a decimal number is text")
            << "3.14 is pi"
            << "notes" << Lines({"<p>", "3.14 is pi", "</p>"});
        QTest::newRow("paragraph closed before a list")
            << "text\n- item"
            << "notes" << Lines({"<p>", "text", "</p>", "<ul>", "<li>item</li>", "</ul>"});
        QTest::newRow("rules") << "a\n---\n ***\n___"
                               << "notes" << Lines({"<p>", "a", "</p>", "<hr>", "<hr>", "<hr>"});
        QTest::newRow("fence with a language keeps indentation and escapes")
            << "```cpp\n  if (a<b && c)\n\n```\nafter"
            << "notes"
            << Lines({"<pre><code>", "  if (a&lt;b &amp;&amp; c)", "", "</code></pre>", "<p>",
                      "after", "</p>"});
        QTest::newRow("unclosed fence is closed at the end")
            << "- item\n```\n# not a heading"
            << "notes"
            << Lines({"<ul>", "<li>item</li>", "<pre><code>", "# not a heading", "</ul>",
                      "</code></pre>"});
        QTest::newRow("markup is escaped")
            << "<script>alert(1)</script>"
            << "notes" << Lines({"<p>", "&lt;script&gt;alert(1)&lt;/script&gt;", "</p>"});
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
        QString gotTitle = QStringLiteral("notes");
        QCOMPARE(importer::ConvertMarkdown(importer::SplitLines(source), gotTitle), html);
        QCOMPARE(gotTitle, title);
    }

    void inlineMarkup_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("html");
        QTest::newRow("product") << "2*3*4"
                                 << "2<em>3</em>4";
        QTest::newRow("underscores inside a name") << "snake_case_name"
                                                   << "snake<em>case</em>name";
        QTest::newRow("strong without closer") << "**word"
                                               << "<strong>wor</strong>d";
        QTest::newRow("strong emphasis") << "***a*** b"
                                         << "<strong><em>a</em></strong> b";
        QTest::newRow("both strong forms") << "**b** and __u__"
                                           << "<strong>b</strong> and <strong>u</strong>";
        QTest::newRow("emphasis inside strong") << "**a *b* c**"
                                                << "<strong>a <em>b</em> c</strong>";
        QTest::newRow("code span is not converted") << "`a<b *c*` *d*"
                                                    << "<code>a&lt;b *c*</code> <em>d</em>";
        QTest::newRow("unclosed code span") << "`x & y"
                                            << "<code>x &amp; y</code>";
        QTest::newRow("link with escaped address")
            << "[the *site*](https://x.example/?a=1&b=\"2\")"
            << "<a href=\"https://x.example/?a=1&amp;b=&quot;2&quot;\">the <em>site</em></a>";
        QTest::newRow("link without closing parenthesis") << "[text](unclosed"
                                                          << "[text](unclosed";
        QTest::newRow("bracket not followed by parenthesis") << "[a] (b)"
                                                             << "[a] (b)";
        QTest::newRow("script address keeps only the text") << "[click](javascript:alert(1))"
                                                            << "click)";
        QTest::newRow("no closer before a character outside the BMP") << "**ab😀"
                                                                      << "<strong>ab</strong>😀";
        QTest::newRow("characters") << "a & b < c > d \"q\" 'r'"
                                    << "a &amp; b &lt; c &gt; d \"q\" 'r'";
        QTest::newRow("link text up to the first ]") << "[[[[x](y)"
                                                     << "<a href=\"y\">[[[x</a>";
    }
    void inlineMarkup()
    {
        QFETCH(QString, source);
        QFETCH(QString, html);
        const QString got = MDInline(source);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

    void importCaseNotes()
    {
        QString title;
        const QString body =
            ImportMarkdown(SamplePath(QStringLiteral("markdown/case-notes.md")), title);
        QCOMPARE(title, QStringLiteral("Case *4711*: tenancy dispute"));
        QCOMPARE(body, Lines({"<h1>Case <em>4711</em>: tenancy dispute</h1>",
                              "<p>",
                              "Client called on <strong>Monday</strong>; the landlord's letter",
                              "<br>",
                              "arrived a day later.",
                              "</p>",
                              "<h2>Open points</h2>",
                              "<ul>",
                              "<li>Deposit of 1,200 € not returned</li>",
                              "<li>Heating broken since <code>2023-11-02</code></li>",
                              "<li>See <a href=\"https://example.com/docs?id=7&amp;v=2\">the "
                              "contract</a></li>",
                              "</ul>",
                              "<ol>",
                              "<li>Ask for the meter readings</li>",
                              "<li>Write to the landlord</li>",
                              "<p>",
                              "3.14 is not an item.",
                              "</ol>",
                              "</p>",
                              "<blockquote>",
                              "<p>The tenant shall keep the premises clean.</p>",
                              "<p>Clause 7, <em>verbatim</em></p>",
                              "</blockquote>",
                              "<pre><code>",
                              "  Date       Amount",
                              "  &lt;2024-01&gt;  120.00 &amp; more",
                              "</code></pre>",
                              "<hr>",
                              "<p>",
                              "Second # heading",
                              "<br>",
                              "#NoSpace stays text",
                              "<br>",
                              "####### seven hashes",
                              "</p>",
                              "<h1>Not the title</h1>"}));
    }

    void importPlainText()
    {
        QString title;
        const QString body =
            ImportFileToHTML(SamplePath(QStringLiteral("markdown/plain.txt")), title);
        QCOMPARE(title, QStringLiteral("plain"));
        QCOMPARE(body, Lines({"<p>", "First sentence of a plain note.", "<br>",
                              "Second line of the same block.", "</p>", "<p>",
                              "A new block with &lt;angle&gt; &amp; \"quotes\".", "</p>"}));
    }
};

} // namespace

std::unique_ptr<QObject> NewMarkdownTest()
{
    return std::make_unique<TMarkdownTest>();
}

#include "test_markdown.moc"

// HTML import and the markup routines.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

namespace {

// Removing one block at a time and searching again from the start: the plain reading of
// what RemoveTagBlocks does, slow but obviously right, to compare the one-pass version with.
QString RemoveTagBlocksSlowly(QString S, const QString& ATag)
{
    // An opening tag is "<" + the name, then a blank, "/", ">" or the end of the text; an end
    // tag "</" + the name, then a blank, "/" or ">", up to its ">".
    const QRegularExpression open(QStringLiteral("<") + ATag +
                                      QStringLiteral("([\\t\\n\\f\\r />]|$)"),
                                  QRegularExpression::CaseInsensitiveOption);
    const QRegularExpression close(QStringLiteral("</") + ATag +
                                       QStringLiteral("(?:[\\t\\n\\f\\r /][^>]*>?|>)"),
                                   QRegularExpression::CaseInsensitiveOption);
    for (;;) {
        const qsizetype p = S.indexOf(open);
        if (p < 0)
            return S;
        const QRegularExpressionMatch c = close.match(S, p);
        S.remove(p, c.hasMatch() ? c.capturedEnd() - p : S.size() - p);
    }
}

// What a browser would run or load in a note body, found by reading the tags with regular
// expressions (a second reading, independent of the importer's own): forbidden elements,
// event attributes and script addresses. Returns one line per finding.
QStringList ActiveContentIn(const QString& AHtml)
{
    static const QRegularExpression tagRe(
        QStringLiteral("<(/?)([A-Za-z][^\\t\\n\\f\\r />]*)((?:[^>\"']|\"[^\"]*\"|'[^']*')*)"));
    static const QRegularExpression attrRe(
        QStringLiteral("([^\\s\"'>/=]+)(?:\\s*=\\s*(\"[^\"]*\"|'[^']*'|[^\\s>]+))?"));
    static const QStringList elements = {
        QStringLiteral("script"), QStringLiteral("style"),    QStringLiteral("iframe"),
        QStringLiteral("frame"),  QStringLiteral("frameset"), QStringLiteral("object"),
        QStringLiteral("embed"),  QStringLiteral("applet"),   QStringLiteral("base"),
        QStringLiteral("meta"),   QStringLiteral("link"),     QStringLiteral("form")};
    static const QStringList addresses = {
        QStringLiteral("href"),       QStringLiteral("src"),        QStringLiteral("action"),
        QStringLiteral("formaction"), QStringLiteral("xlink:href"), QStringLiteral("values"),
        QStringLiteral("to"),         QStringLiteral("from"),       QStringLiteral("srcset")};
    // An image may show embedded raster images; nothing else may hold data.
    static const QRegularExpression rasterData(
        QStringLiteral("^data:image/(?!svg\\+xml[;,])[a-z0-9.+-]+[;,]"));
    QStringList found;
    for (const QRegularExpressionMatch& tag : tagRe.globalMatch(AHtml)) {
        const QString name = tag.captured(2).toLower();
        if (elements.contains(name))
            found << QStringLiteral("element ") + name;
        for (const QRegularExpressionMatch& attr : attrRe.globalMatch(tag.captured(3))) {
            const QString attrName = attr.captured(1).toLower();
            if (attrName.startsWith(QStringLiteral("on")))
                found << QStringLiteral("attribute ") + attrName;
            if (!addresses.contains(attrName))
                continue;
            QString value = attr.captured(2);
            static const QRegularExpression ref(QStringLiteral("&#(x?)([0-9a-f]+);?"),
                                                QRegularExpression::CaseInsensitiveOption);
            QString decoded;
            qsizetype last = 0;
            for (const QRegularExpressionMatch& r : ref.globalMatch(value)) {
                decoded += value.mid(last, r.capturedStart() - last);
                decoded += QChar(
                    char16_t(r.captured(2).toUInt(nullptr, r.captured(1).isEmpty() ? 10 : 16)));
                last = r.capturedEnd();
            }
            decoded += value.mid(last);
            decoded.replace(QStringLiteral("&colon;"), QStringLiteral(":"));
            decoded.remove(QRegularExpression(QStringLiteral("[\\x00-\\x20\"']|&Tab;|&NewLine;")));
            decoded = decoded.toLower();
            const bool image = attrName == u"srcset" || (attrName == u"src" && name == u"img");
            for (const char* scheme : {"javascript:", "vbscript:", "data:"}) {
                for (qsizetype k = decoded.indexOf(QLatin1String(scheme)); k >= 0;
                     k = decoded.indexOf(QLatin1String(scheme), k + 1)) {
                    if (!image || !rasterData.match(QStringView(decoded).mid(k)).hasMatch())
                        found << QStringLiteral("address in ") + attrName;
                }
            }
        }
    }
    return found;
}

// The columns of the tables that CheckImport reads.
void ImportColumns()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("body");
}

// Imports the row's html from a file and compares title and body.
void CheckImport()
{
    QFETCH(QString, html);
    QFETCH(QString, title);
    QFETCH(QString, body);
    QTemporaryDir dir;
    QString gotTitle;
    QCOMPARE(ImportHTML(WriteFile(dir, QStringLiteral("page.html"), html.toUtf8()), gotTitle),
             body);
    QCOMPARE(gotTitle, title);
}

class THTMLTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractTagContent_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("content");
        QTest::newRow("capitals, attributes, mixed-case end")
            << "<html><BODY class=\"x\" id=b>Hi <b>there</b></BoDy></html>"
            << "body"
            << "Hi <b>there</b>";
        QTest::newRow("prefix match") << "<bodyx>a</body>"
                                      << "body"
                                      << "a";
        QTest::newRow("no end tag runs to the end") << "<title> T &amp; U "
                                                    << "title"
                                                    << " T &amp; U ";
        QTest::newRow("no element") << "<p>x</p>"
                                    << "body"
                                    << "";
        QTest::newRow("unterminated tag") << "<title"
                                          << "title"
                                          << "";
        QTest::newRow("first element only") << "<b>1</b><b>2</b>"
                                            << "b"
                                            << "1";
        QTest::newRow("tags broken across lines") << "<TITLE\n>Short title</TITLE\n>rest"
                                                  << "title"
                                                  << "Short title";
        QTest::newRow("an end tag needs its name to end") << "<title>a</titles>b</title >"
                                                          << "title"
                                                          << "a</titles>b";
    }
    void extractTagContent()
    {
        QFETCH(QString, html);
        QFETCH(QString, tag);
        QFETCH(QString, content);
        QCOMPARE(ExtractTagContent(html, tag), content);
    }

    void removeTagBlocks_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("result");
        QTest::newRow("one block") << "a<script>x</script>b"
                                   << "script"
                                   << "ab";
        QTest::newRow("unclosed removes the rest") << "a<script>x<p>y</p>"
                                                   << "script"
                                                   << "a";
        QTest::newRow("case and attributes") << "a<SCRIPT type=x>1</Script>b"
                                             << "script"
                                             << "ab";
        QTest::newRow("a longer name is another element") << "a<scripts>1</script>b"
                                                          << "script"
                                                          << "a<scripts>1</script>b";
        QTest::newRow("custom elements keep their content")
            << "<p>a</p><styled-box>b</styled-box><p>c</p><style>x</style>"
            << "style"
            << "<p>a</p><styled-box>b</styled-box><p>c</p>";
        QTest::newRow("name ended by a slash, a blank or the end")
            << "1<script/src=x></script>2<script\n></script>3<script"
            << "script"
            << "123";
        QTest::newRow("a name completed by a removal") << "<script<script></script> >x</script>y"
                                                       << "script"
                                                       << "y";
        QTest::newRow("a name completed by the end of the text") << "a<script<SCRIPT<script >b"
                                                                 << "script"
                                                                 << "a";
        QTest::newRow("several") << "1<style>a</style>2<style>b</style>3"
                                 << "style"
                                 << "123";
        QTest::newRow("a tag formed by a removal") << "<scr<script></script>ipt>alert(1)</script>z"
                                                   << "script"
                                                   << "z";
        QTest::newRow("formed twice") << "<sc<scr<script></script>ipt></script>ript>1</script>."
                                      << "script"
                                      << ".";
        QTest::newRow("only the one tag name") << "<script>1</script><style>2</style>"
                                               << "style"
                                               << "<script>1</script>";
        QTest::newRow("end tags with a blank, a line break or a slash")
            << "a<script>1</script >b<SCRIPT>2</Script\n>c<script>3</script/>d<script>4</script\t"
            << "script"
            << "abcd";
    }
    void removeTagBlocks()
    {
        QFETCH(QString, html);
        QFETCH(QString, tag);
        QFETCH(QString, result);
        QCOMPARE(RemoveTagBlocks(html, tag), result);
        QCOMPARE(RemoveTagBlocksSlowly(html, tag), result);
    }

    void removeTagBlocksMatchesRepeatedSearch()
    {
        // Random texts over the letters that matter, where removals keep forming new tags.
        const QString pieces[] = {
            QStringLiteral("<"),         QStringLiteral("</"),         QStringLiteral("s"),
            QStringLiteral("sc"),        QStringLiteral("r"),          QStringLiteral("ipt"),
            QStringLiteral(">"),         QStringLiteral("x"),          QStringLiteral("<script>"),
            QStringLiteral("</script>"), QStringLiteral("S"),          QStringLiteral(" "),
            QStringLiteral("/"),         QStringLiteral("t"),          QStringLiteral("\n"),
            QStringLiteral("</script "), QStringLiteral("</SCRIPT\n>")};
        QRandomGenerator rng(4711);
        for (int round = 0; round < 3000; ++round) {
            QString s;
            const int count = rng.bounded(1, 24);
            for (int k = 0; k < count; ++k)
                s += pieces[rng.bounded(int(std::size(pieces)))];
            QCOMPARE(RemoveTagBlocks(s, QStringLiteral("script")),
                     RemoveTagBlocksSlowly(s, QStringLiteral("script")));
        }
    }

    void stripEventAttrs_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("result");
        QTest::newRow("handler between two attributes")
            << "<img src=\"a.png\" onerror=\"alert(1)\" alt=x>"
            << "<img src=\"a.png\"  alt=x>\r\n";
        QTest::newRow("text is never touched") << "<p>Turn on lights</p>"
                                               << "<p>Turn on lights</p>\r\n";
        QTest::newRow("after a slash") << "<svg/onload=alert(1)>"
                                       << "<svg/>\r\n";
        QTest::newRow("across a line break") << "<img src=x\nonerror=alert(1)>"
                                             << "<img src=x\r\n>\r\n";
        QTest::newRow("value on the next line") << "<a onclick=\n\"go()\" href=y>"
                                                << "<a  href=y>\r\n";
        QTest::newRow("a quoted > before the handler") << "<img title=\">\" onerror=alert(1) src=x>"
                                                       << "<img title=\">\"  src=x>\r\n";
        QTest::newRow("several tags on one line") << "<b onclick>x</b><img onerror=y>"
                                                  << "<b >x</b><img >\r\n";
        QTest::newRow("on inside names and values")
            << "<a href=\"?on=1\" data-ontology=x button=\"onclick=1\">"
            << "<a href=\"?on=1\" data-ontology=x button=\"onclick=1\">\r\n";
        QTest::newRow("capitals") << "<IMG SRC=x ONERROR=alert(1)>"
                                  << "<IMG SRC=x >\r\n";
        QTest::newRow("blanks around =") << "<a onclick = \"x\" href=y>"
                                         << "<a  href=y>\r\n";
        QTest::newRow("single quotes") << "<a onmouseover='a\"b' x>"
                                       << "<a  x>\r\n";
        QTest::newRow("handler right after a value") << "<a b=\"1\"onclick=\"x\">"
                                                     << "<a b=\"1\">\r\n";
        QTest::newRow("end of text inside the tag") << "<img onerror=\"x"
                                                    << "<img \r\n";
        QTest::newRow("stray < in text") << "a < b <3"
                                         << "a &lt; b &lt;3\r\n";
        QTest::newRow("tag text inside a value is not a tag")
            << "<a title=\"<img src=x onerror=alert(1)>\">t</a>"
            << "<a title=\"&lt;img src=x onerror=alert(1)>\">t</a>\r\n";
        QTest::newRow("comment content") << "<!-- <img onerror=x> -->ok"
                                         << "<!-- &lt;img onerror=x> -->ok\r\n";
        QTest::newRow("comment closed at once") << "<!--><img src=x onerror=alert(1)>-->"
                                                << "<!--><img src=x >-->\r\n";
        QTest::newRow("comment closed by --!>") << "<!-- a --!><b onclick=x>"
                                                << "<!-- a --!><b >\r\n";
        QTest::newRow("declaration ends at the first >")
            << "<!DOCTYPE x \"><img src=x onerror=alert(1)>\">"
            << "<!DOCTYPE x \"><img src=x >\">\r\n";
        QTest::newRow("raw text ends where the browser ends it")
            << "<textarea><a title=\"</textarea><img src=x onerror=alert(1)>\">"
            << "<textarea>&lt;a title=\"</textarea><img src=x >\">\r\n";
        QTest::newRow("a < inside an attribute name") << "<a x<img src=x onerror=alert(1)>"
                                                      << "<a  src=x >\r\n";
        QTest::newRow("a < inside a tag name") << "x<a<meta http-equiv=refresh>y"
                                               << "xy\r\n";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("lines joined with CR LF") << "a\rb\nc"
                                                 << "a\r\nb\r\nc\r\n";
    }
    void stripEventAttrs()
    {
        QFETCH(QString, html);
        QFETCH(QString, result);
        QCOMPARE(StripEventAttrs(html), result);
    }

    void stripActiveContent_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("result");
        QTest::newRow("iframe with its content") << "a<iframe src=\"https://x\">fallback</iframe>b"
                                                 << "ab";
        QTest::newRow("unclosed iframe keeps the text") << "<iframe src=x>text"
                                                        << "text";
        QTest::newRow("script and style as well")
            << "<script>a()</script>1<STYLE>p{}</style >2<script>b"
            << "12b";
        QTest::newRow("object keeps its fallback")
            << "<object data=x.swf><param name=a value=b>Fallback</object>"
            << "<param name=a value=b>Fallback";
        QTest::newRow("applet keeps its fallback") << "<applet code=A>Alt</applet>"
                                                   << "Alt";
        QTest::newRow("form keeps its fields") << "<form action=\"/s\"><input name=q></form>"
                                               << "<input name=q>";
        QTest::newRow("frames") << "<frameset rows=\"*\"><frame src=a></frameset>"
                                << "";
        QTest::newRow("head elements")
            << "<meta http-equiv=refresh content=\"0;url=x\"><base href=x><link rel=stylesheet "
               "href=x>1<embed src=x>"
            << "1";
        QTest::newRow("similar names stay") << "<metadata>m</metadata><formula>f</formula>"
                                            << "<metadata>m</metadata><formula>f</formula>";
        QTest::newRow("plain link stays") << "<a href=\"https://ok.example/?a=1\">x</a>"
                                          << "<a href=\"https://ok.example/?a=1\">x</a>";
        QTest::newRow("relative address stays") << "<a href=\"/docs/javascript:x\">x</a>"
                                                << "<a href=\"/docs/javascript:x\">x</a>";
        QTest::newRow("handler and address together")
            << "<a href=\"javascript:alert(1)\" onclick=x>y</a>"
            << "<a  >y</a>";
        QTest::newRow("button formaction") << "<button formaction=\"javascript:x\">b</button>"
                                           << "<button >b</button>";
        QTest::newRow("embedded image stays") << "<img src=\"data:image/png;base64,AAAA\" alt=i>"
                                              << "<img src=\"data:image/png;base64,AAAA\" alt=i>";
        QTest::newRow("embedded images in a candidate list stay")
            << "<img srcset=\"a.png 1x, DATA:image/jpeg;base64,AAAA 2x\" src=data:image/gif,x>"
            << "<img srcset=\"a.png 1x, DATA:image/jpeg;base64,AAAA 2x\" src=data:image/gif,x>";
        QTest::newRow("embedded SVG image goes") << "<img src=\"data:image/svg+xml,<svg/>\" alt=i>"
                                                 << "<img  alt=i>";
        QTest::newRow("SVG written with references goes")
            << "<img src=\"data&colon;image/SVG&#43;xml;base64,AAAA\">"
            << "<img >";
        QTest::newRow("other data in an image goes") << "<img src=\"data:text/html,x\">"
                                                     << "<img >";
        QTest::newRow("image type without a body goes") << "<img src=\"data:image/png\">"
                                                        << "<img >";
        QTest::newRow("non-image data in a candidate list goes")
            << "<img srcset=\"a.png 1x, data:image/svg+xml,x 2x\"><source "
               "srcset=\"javascript:x\"><img srcset=\"a.png, data:text/html,x\">"
            << "<img ><source ><img >";
        QTest::newRow("image data outside an image goes")
            << "<a href=\"data:image/png;base64,AAAA\">a</a><input type=image "
               "src=\"data:image/png,x\"><video poster=x src=\"data:image/png,x\"></video>"
            << "<a >a</a><input type=image ><video poster=x ></video>";
        QTest::newRow("svg link") << "<svg><a xlink:href=\"javascript:x\"><text>t</text></a></svg>"
                                  << "<svg><a ><text>t</text></a></svg>";
        QTest::newRow("svg animation of an address")
            << "<svg><a><animate attributeName=href values=\"javascript:alert(1)\"/>t</a></svg>"
            << "<svg><a><animate attributeName=href />t</a></svg>";
    }
    void stripActiveContent()
    {
        QFETCH(QString, html);
        QFETCH(QString, result);
        QCOMPARE(StripActiveContent(html),
                 result.isEmpty() ? result : result + QStringLiteral("\r\n"));
    }

    void scriptAddressesAsBrowsersReadThem_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("script");
        QTest::newRow("plain") << "javascript:alert(1)" << true;
        QTest::newRow("mixed case") << "JaVaScRiPt:x" << true;
        QTest::newRow("leading blanks and controls") << " \x01\tjavascript:x" << true;
        QTest::newRow("tab inside") << "jav\tascript:x" << true;
        QTest::newRow("numeric reference") << "&#106;avascript:x" << true;
        QTest::newRow("reference without semicolon") << "&#0000106avascript:x" << true;
        QTest::newRow("hex reference of a tab") << "jav&#x09;ascript:x" << true;
        QTest::newRow("named colon") << "javascript&colon;x" << true;
        QTest::newRow("named tab") << "java&Tab;script:x" << true;
        QTest::newRow("vbscript") << "vbscript:msgbox" << true;
        QTest::newRow("data") << "DATA:text/html,x" << true;
        QTest::newRow("https") << "https://example.com/javascript:x" << false;
        QTest::newRow("relative") << "javascript.html" << false;
        QTest::newRow("mailto") << "mailto:a@example.com" << false;
    }
    void scriptAddressesAsBrowsersReadThem()
    {
        QFETCH(QString, value);
        QFETCH(bool, script);
        const QString html = QStringLiteral("<a href=\"") + value + QStringLiteral("\">x</a>");
        const QString out = StripActiveContent(html);
        QCOMPARE(out.contains(QStringLiteral("href")), !script);
    }

    void corpusOfActiveContent()
    {
        const QString corpus =
            QString::fromUtf8(SampleBytes(QStringLiteral("html/active-vectors.txt")));
        QVERIFY(!ActiveContentIn(corpus).isEmpty()); // the checker sees the vectors
        QString title;
        for (const QString& vector : importer::SplitLines(corpus)) {
            title = QStringLiteral("t");
            const QString body = importer::ConvertHTML(vector, title);
            QVERIFY2(ActiveContentIn(body).isEmpty(),
                     qPrintable(vector + QStringLiteral(" -> ") + body + QStringLiteral(": ") +
                                ActiveContentIn(body).join(u',')));
            QVERIFY(IsValidUTF8(body));
        }
        const QString whole = importer::ConvertHTML(corpus, title);
        QCOMPARE(ActiveContentIn(whole), QStringList());
        const QString fine = QStringLiteral(
            "<a href=\"https://example.com/\" target=\"_blank\" rel=\"noopener\">fine</a>");
        QCOMPARE(importer::ConvertHTML(fine, title), fine);
    }

    void importSavedPage()
    {
        QString title;
        const QString body = ImportHTML(SamplePath(QStringLiteral("html/saved-page.html")), title);
        QCOMPARE(title, QStringLiteral("Meeting in Zürich & what follows – Example News"));
        QCOMPARE(body,
                 QString::fromUtf8(SampleBytes(QStringLiteral("html/saved-page.expected.html"))));
        QVERIFY(IsValidUTF8(body));
    }

    // Pages written by a document converter and by a documentation stylesheet (which breaks
    // every tag before its ">"): their titles' references are decoded, their bodies end
    // without the end tags of body and page.
    void importProducedPages_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::newRow("document converter")
            << "html/pandoc.html"
            << "Costs & Benefits – 2024"
            << "<header id=\"title-block-header\">"
            << "role=\"doc-backlink\">↩︎</a></p></li>\r\n</ol>\r\n</section>";
        QTest::newRow("documentation stylesheet") << "html/docbook.htm"
                                                  << "Short title & more"
                                                  << "<DIV\r\nCLASS=\"ARTICLE\"\r\n>"
                                                  << "Text of the page.</P\r\n></DIV\r\n>";
    }
    void importProducedPages()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QFETCH(QString, start);
        QFETCH(QString, end);
        QString gotTitle;
        const QString body = ImportHTML(SamplePath(file), gotTitle);
        QCOMPARE(gotTitle, title);
        QVERIFY2(body.startsWith(start), qPrintable(body.left(200)));
        QVERIFY2(body.endsWith(end), qPrintable(body.right(200)));
    }

    void importFragmentWithoutBody()
    {
        QString title;
        const QString body = ImportHTML(SamplePath(QStringLiteral("html/fragment.htm")), title);
        QCOMPARE(title, QStringLiteral("Fragment title"));
        QCOMPARE(body, QStringLiteral("<title>Fragment title</title>\r\n<h2>Notes</h2>\r\n"
                                      "<p style=\"color:#c00\">Kept <b>inline</b> style &amp; "
                                      "entities &copy;.</p>\r\n<!-- a comment stays -->\r\n\r\n"
                                      "<p>End</p>"));
    }

    void importEdgeCases_data()
    {
        ImportColumns();
        QTest::newRow("blank title keeps the file name") << "<title>  </title><body>x</body>"
                                                         << "page"
                                                         << "x";
        QTest::newRow("unclosed script") << "<body><p>a</p><script>x<p>b</p></body>"
                                         << "page"
                                         << "<p>a</p>";
        QTest::newRow("custom elements named like script and style")
            << "<p>a</p><styled-box>b</styled-box><p>c</p><scripture-ref>Jn 3:16</scripture-ref>"
            << "page"
            << "<p>a</p><styled-box>b</styled-box><p>c</p><scripture-ref>Jn 3:16</scripture-ref>";
        QTest::newRow("only scripts: nothing to import")
            << "<html><body> <script>a()</script>\n<style>p{}</style> </body></html>"
            << "page"
            << "";
        QTest::newRow("empty body is not the whole page")
            << "<html><head><title>T</title></head><body></body></html>"
            << "T"
            << "";
        QTest::newRow("body handlers go with the body tag")
            << "<body onload=\"x()\"><p onclick=y>t</p></body>"
            << "page"
            << "<p >t</p>";
        QTest::newRow("a script formed by removing a style")
            << "<scr<style>p{}</style>ipt>alert(1)</script>ok"
            << "page"
            << "ok";
        QTest::newRow("a tag the file ends in, trimmed, forms no element")
            << QString::fromUtf8("<p>x</p><embed\x01\x01 src=\"data:text/html,<script>a()</i", 51)
            << "page"
            << "<p>x</p>";
        QTest::newRow("empty file") << ""
                                    << "page"
                                    << "";
    }
    void importEdgeCases() { CheckImport(); }

    // End tags with a blank, a line break or a slash end the title, the scripts and the
    // styles; the title shows its character references decoded, on one line.
    void endTagsAndTitles_data()
    {
        ImportColumns();
        QTest::newRow("tags broken across lines, as a documentation stylesheet writes them")
            << "<HTML\n><HEAD\n><TITLE\n>Short title</TITLE\n></HEAD\n><BODY\n><P\n>Text</P\n>"
               "</BODY\n></HTML\n>"
            << "Short title"
            << "<P\r\n>Text</P\r\n>";
        QTest::newRow("a script end tag with a blank")
            << "<body><p>a</p><script>x()</script ><p>b</p></body>"
            << "page"
            << "<p>a</p><p>b</p>";
        QTest::newRow("a style end tag with a tab") << "<body><style>p{}</style\t><p>b</p></body>"
                                                    << "page"
                                                    << "<p>b</p>";
        QTest::newRow("end tags in capitals with a slash")
            << "<body><SCRIPT>x</SCRIPT/><STYLE>y</Style\r\n><p>c</p></body>"
            << "page"
            << "<p>c</p>";
        QTest::newRow("character references in the title")
            << "<title>Costs &amp; Benefits &mdash; &#8220;2024&#x201D; &copy 5 &notit; &bogus; "
               "&#x80;&#0;</title><body>x</body>"
            << "Costs & Benefits — “2024” © 5 ¬it; &bogus; €\uFFFD"
            << "x";
        QTest::newRow("a title over several lines")
            << "<title>\n  Chapter 1.\r\n\tIntroduction &nbsp;\n</title><p>x</p>"
            << "Chapter 1. Introduction \u00A0"
            << "<title>\r\n  Chapter 1.\r\n\tIntroduction &nbsp;\r\n</title><p>x</p>";
        QTest::newRow("references without their semicolon")
            << "<title>1 &lt 2 &gt 0, it&apos;s &apos as written</title><body>x</body>"
            << "1 < 2 > 0, it's &apos as written"
            << "x";
        QTest::newRow("a title's end tag needs its name to end")
            << "<title>a</titles>b</title><body>c</body>"
            << "a</titles>b"
            << "c";
    }
    void endTagsAndTitles() { CheckImport(); }

    // The body is all that follows its start tag, without the end tags of the body and the
    // page, as a browser shows it.
    void contentAfterBody_data()
    {
        ImportColumns();
        QTest::newRow("a typesetter's page")
            << "<html><head><title>Paper</title></head><body>\n<h1>Paper</h1>\n</body>\n</html>\n"
               "<p><i>Ann Author</i></p>\n<p>The abstract.</p>\n"
            << "Paper"
            << "<h1>Paper</h1>\r\n\r\n\r\n<p><i>Ann Author</i></p>\r\n<p>The abstract.</p>";
        QTest::newRow("all content after an empty body") << "<body></body><p>Shown</p>"
                                                         << "page"
                                                         << "<p>Shown</p>";
        QTest::newRow("end tags in any case and form") << "<body>a</BODY >b</html\n>c</body/>d"
                                                       << "page"
                                                       << "abcd";
        QTest::newRow("a page without a body element") << "<p>x</p></body></html>"
                                                       << "page"
                                                       << "<p>x</p>";
        QTest::newRow("similar names stay") << "<body><bodyguard>a</bodyguard></htmlx></body>"
                                            << "page"
                                            << "<bodyguard>a</bodyguard></htmlx>";
        QTest::newRow("a script after the body is removed")
            << "<body>a</body><script>x()</script><style>p{}</style>b"
            << "page"
            << "ab";
    }
    void contentAfterBody() { CheckImport(); }

    // The body's and the title's tags are found as a browser finds them: not inside comments,
    // scripts or other raw text; the title is the element named exactly "title" in the head.
    void tagsAsTheBrowserFindsThem_data()
    {
        ImportColumns();
        QTest::newRow("a comment in the head holding a body tag")
            << "<html><head><title>T</title><!-- <body> FAKE --></head><body class=\"b\">"
               "<p>Real</p></body></html>"
            << "T"
            << "<p>Real</p>";
        QTest::newRow("a comment holding a title")
            << "<head><!-- <title>Old</title> --><title>New</title></head><body>x</body>"
            << "New"
            << "x";
        QTest::newRow("comments end as the browser ends them")
            << "<!-- <title>A</title> --!><!--><title>B</title><!---><body>x<!-- <body>y -->"
            << "B"
            << "x<!-- &lt;body>y -->";
        QTest::newRow("a comment never closed hides the rest") << "<!-- <body>x"
                                                               << "page"
                                                               << "";
        QTest::newRow("a script in the head writing a body tag")
            << "<head><script>document.write('<body><title>S</title>')</script><title>T</title>"
               "</head><body>x</body>"
            << "T"
            << "x";
        QTest::newRow("a title's text holding a body tag")
            << "<title>a <body> b</title><p>x</p>"
            << "a <body> b"
            << "<title>a &lt;body> b</title><p>x</p>";
        QTest::newRow("a custom element whose name starts with title")
            << "<titlebar>TB</titlebar><p>x</p>"
            << "page"
            << "<titlebar>TB</titlebar><p>x</p>";
        QTest::newRow("a drawing's title in the body")
            << "<html><head></head><body><svg><title>Chart</title><rect/></svg></body></html>"
            << "page"
            << "<svg><title>Chart</title><rect/></svg>";
        QTest::newRow("a drawing's title in a page without head and body")
            << "<p>Intro</p><svg><title>Chart</title></svg>"
            << "page"
            << "<p>Intro</p><svg><title>Chart</title></svg>";
        QTest::newRow("after the head's elements")
            << "<!DOCTYPE html><html lang=en><head><meta charset=utf-8><link rel=icon href=i>"
               "<style>p{}</style><base href=x><noscript></noscript><title>T</title><body>x"
            << "T"
            << "x";
    }
    void tagsAsTheBrowserFindsThem() { CheckImport(); }
};

} // namespace

std::unique_ptr<QObject> NewHTMLTest()
{
    return std::make_unique<THTMLTest>();
}

#include "test_html.moc"

// RTF import.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QTest>

namespace {

QByteArray Nested(int ADepth, const QByteArray& AInner)
{
    return QByteArray(ADepth, '{') + AInner + QByteArray(ADepth, '}');
}

// The columns of the conversion tables: the RTF and the paragraphs it gives.
void ConversionColumns()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("html");
}

void CheckConversion()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, html);
    const QString got = importer::ConvertRTF(rtf);
    QCOMPARE(got, html);
    QVERIFY(IsValidUTF8(got));
}

class TRTFTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convert_data()
    {
        ConversionColumns();
        QTest::newRow("paragraphs") << QByteArray("{\\rtf1 One.\\par Two.\\line Three.}")
                                    << Paras({"One.", "Two.", "Three."});
        QTest::newRow("tables and info produce nothing")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0\\green0\\blue0;}"
                          "{\\stylesheet{Normal;}}{\\info{\\title T}{\\author A}}Body"
                          "{\\pict\\pngblip 89504e47}{\\object x}}")
            << Paras({"Body"});
        QTest::newRow("field result without instruction")
            << QByteArray("{\\rtf1 See {\\field{\\*\\fldinst HYPERLINK \"http://x\"}"
                          "{\\fldrslt the link}} now}")
            << Paras({"See the link now"});
        QTest::newRow("a starred group is skipped whole")
            << QByteArray("{\\rtf1 a{\\*\\generator Riched20 10.0;}b{\\*\\unknown x{y}z}c"
                          "{\\*\\bkmkstart mark}d{\\*\\bkmkend mark}}")
            << Paras({"abcd"});
        for (const char* word : {"header", "headerl", "headerr", "headerf", "footer", "footerl",
                                 "footerr", "footerf", "listtable", "listoverridetable", "rsidtbl",
                                 "xmlnstbl", "themedata", "colorschememapping", "datastore",
                                 "latentstyles", "generator", "bkmkstart", "bkmkend"})
            QTest::addRow("no body text in %s", word)
                << QByteArray("{\\rtf1 a{\\") + word + " hidden{x}\\par}b}" << Paras({"ab"});
        QTest::newRow("a field instruction without a star shows nothing")
            << QByteArray("{\\field{\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link}}")
            << Paras({"link"});
        QTest::newRow("a field result in a starred group is read")
            << QByteArray("{\\rtf1 a{\\field{\\*\\fldinst PAGE}{\\*\\fldrslt 1}}b}")
            << Paras({"a1b"});
        QTest::newRow("a field in a header shows nothing")
            << QByteArray("{\\rtf1{\\footer Page {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} of "
                          "9\\par}Body}")
            << Paras({"Body"});
        QTest::newRow("binary data is skipped, braces in it too")
            << QByteArray("{\\rtf1 a{\\pict\\bin5 }}{\\{}b\\bin3 x\\yc}") << Paras({"abc"});
        QTest::newRow("binary data cut short at the end")
            << QByteArray("{\\rtf1 a\\bin99 xyz") << Paras({"a"});
        QTest::newRow("hex escapes in code page 1252")
            << QByteArray("{\\rtf1 caf\\'e9 \\'41 \\'93q\\'94 \\'zzx \\'0a}")
            << Paras({"café A “q” x"});
        QTest::newRow("hex escapes in another code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
            << Paras({"Привет"});
        QTest::newRow("double-byte code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'83e}") << Paras({"あテ"});
        QTest::newRow("raw bytes in the code page")
            << QByteArray("{\\rtf1 na\xefve \x80 5}") << Paras({"naïve € 5"});
        QTest::newRow("unicode with replacement")
            << QByteArray("{\\rtf1 don\\u8217?t}") << Paras({"don’t"});
        QTest::newRow("unicode, negative") << QByteArray("{\\rtf1 \\u-255?!}") << Paras({"！!"});
        QTest::newRow("unicode skips by the uc count")
            << QByteArray("{\\rtf1\\uc2 \\u8364\\'80\\'80x{\\uc0\\u8364 y}\\u8364\\'80\\'80z}")
            << Paras({"€x€y€z"});
        QTest::newRow("skipping stops at a group")
            << QByteArray("{\\rtf1 {\\u8364}kept}") << Paras({"€kept"});
        QTest::newRow("surrogate pair")
            << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << Paras({"😀"});
        QTest::newRow("unpaired surrogate")
            << QByteArray("{\\rtf1 a\\u-10179?b}") << Paras({"a\uFFFDb"});
        QTest::newRow("character words")
            << QByteArray("{\\rtf1 \\lquote a\\rquote  \\ldblquote b\\rdblquote  "
                          "1\\endash 2\\emdash 3\\bullet\\~x}")
            << Paras({"‘a’ “b” 1–2—3•\u00A0x"});
        QTest::newRow("tab word keeps words apart; a raw tab is dropped")
            << QByteArray("{\\rtf1 Name\\tab Sum\tX}") << Paras({"Name\tSumX"});
        QTest::newRow("escaped symbols")
            << QByteArray("{\\rtf1 \\{a\\} \\\\ \\-b\\_c\\:}") << Paras({"{a} \\ b‑c"});
        QTest::newRow("source line breaks are not text")
            << QByteArray("{\\rtf1 a long line\r\n that goes on\\par\r\nnext\n}")
            << Paras({"a long line that goes on", "next"});
        QTest::newRow("a lone carriage return or line feed is not text either")
            << QByteArray("{\\rtf1 one\rtwo\\\rthree\nfour}") << Paras({"onetwo", "threefour"});
        QTest::newRow("backslash before a line break ends a paragraph")
            << QByteArray("{\\rtf1 one\\\r\ntwo\\\ntwo}") << Paras({"one", "two", "two"});
        QTest::newRow("a font's character set selects the code page")
            << QByteArray(
                   "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
                   "{\\f1\\froman\\fcharset204 Times Cyr;}{\\f2\\fcharset161{\\*\\panose 0}Greek;}"
                   "{\\f3\\fcharset238 CE;}{\\f4\\fcharset162 TR;}{\\f5\\fcharset177 HE;}"
                   "{\\f6\\fcharset178 AR;}{\\f7\\fcharset186 BA;}{\\f8\\fcharset222 TH;}}"
                   "\\f1 \\'cf\\'f0\\'e8 {\\f2 \\'e1}{\\f3 \\'b9}{\\f4 \\'fe}{\\f5 \\'f9}"
                   "{\\f6 \\'c7}{\\f7 \\'e0}{\\f8 \\'a1}\\'e9\\plain\\'e9\\f9\\'e9}")
            << Paras({"При αąşשاąกйéé"});
        QTest::newRow("double-byte pages of a font")
            << QByteArray(
                   "{\\rtf1{\\fonttbl{\\f1\\fcharset128 J;}{\\f2\\fcharset134 S;}"
                   "{\\f3\\fcharset136 T;}{\\f4\\fcharset129 K;}}{\\f1 \\'82\\'a0}{\\f2 \\'d6\\'d0}"
                   "{\\f3 \\'a4\\'a4}{\\f4 \\'c7\\'d1}}")
            << Paras({"あ中中한"});
        QTest::newRow("a font of the document's character set uses its code page")
            << QByteArray(
                   "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset0 Arial;}}\\f0 \\'e4\\'e0}")
            << Paras({"да"});
        QTest::newRow("Macintosh and PC code pages")
            << QByteArray("{\\rtf1\\mac caf\\'8e}{\\rtf1\\pc \\'82t\\'82}{\\rtf1\\pca \\'d5}")
            << Paras({"caféétéı"});
        QTest::newRow("parameter and one blank belong to the word")
            << QByteArray("{\\rtf1\\fs24  x\\b-1 y\\i0z}") << Paras({"xyz"});
        QTest::newRow("escape cut short at the end")
            << QByteArray("{\\rtf1 a\\'4") << Paras({"a4"});
        QTest::newRow("control words only")
            << QByteArray("{\\rtf1\\ansi\\deff0\\pard\\par}") << QString();
        QTest::newRow("unbalanced braces") << QByteArray("}}a{{b") << Paras({"ab"});
        QTest::newRow("deep nesting is text") << Nested(100, "{\\rtf1 deep}") << Paras({"deep"});
        // From the 64th level on an opening brace saves nothing, and a closing one restores
        // the most recently saved flag: here the one saved before the info group opened.
        QTest::newRow("beyond 63 levels")
            << QByteArray("{") + Nested(61, "{\\info hidden{x}shown}") + QByteArray("}")
            << Paras({"shown"});
    }
    void convert() { CheckConversion(); }

    // Footnotes follow the paragraph of their mark; the text of a shape or frame stands where
    // the shape does, its properties never show.
    void footnotesAndShapes_data()
    {
        ConversionColumns();
        QTest::newRow("a footnote as one word processor writes it")
            << QByteArray("{\\rtf1\\pard Text with a mark{\\cs15\\super\\chftn}{\\footnote "
                          "\\pard\\plain{\\cs15\\super\\chftn} The footnote text explains the "
                          "reference.\\par} goes on.\\par Next.}")
            << Paras({"Text with a mark1 goes on.", "1 The footnote text explains the reference.",
                      "Next."});
        QTest::newRow("a starred footnote without a closing paragraph")
            << QByteArray("{\\rtf1 A{{\\super \\chftn{\\*\\footnote \\chftn\\pard\\plain{\\tab "
                          "Note one.}\r\n}}\r\n} b\\par}")
            << Paras({"A1 b", "1\tNote one."});
        QTest::newRow("two footnotes, one of two paragraphs")
            << QByteArray("{\\rtf1 x{\\footnote One.\\par Two.}y{\\footnote Three.}z}")
            << Paras({"xyz", "One.", "Two.", "Three."});
        QTest::newRow("a footnote in a header shows nothing")
            << QByteArray("{\\rtf1{\\header H{\\footnote N\\par}\\par}Body}") << Paras({"Body"});
        QTest::newRow("a file that ends inside a footnote")
            << QByteArray("{\\rtf1 x{\\footnote cut") << Paras({"x", "cut"});
        QTest::newRow("a text box: its text, no property values, no drawn copy")
            << QByteArray("{\\rtf1 Before\\par{\\shp{\\*\\shpinst\\shpleft0\\shptop0{\\sp{\\sn "
                          "shapeType}{\\sv 202}}{\\sp{\\sn wzName}{\\sv Text Box 1}}{\\shptxt "
                          "\\pard TEXT INSIDE A SHAPE\\par}}{\\shprslt{\\*\\do\\dobxcolumn"
                          "{\\dptxbxtext TEXT INSIDE A SHAPE\\par}}}}After}")
            << Paras({"Before", "TEXT INSIDE A SHAPE", "After"});
        QTest::newRow("the copy for readers without shapes is not read as well")
            << QByteArray("{\\rtf1{\\shp{\\*\\shpinst{\\shptxt boxed\\par}}{\\shprslt\\pard "
                          "boxed\\par}}After}")
            << Paras({"boxed", "After"});
        QTest::newRow("a frame inside a paragraph stands apart")
            << QByteArray("{\\rtf1 left {\\shp{\\*\\shpinst{\\shptxt boxed}}} right}")
            << Paras({"left", "boxed", "right"});
        QTest::newRow("a WordArt shape's text stands where the shape does")
            << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 136}}{\\sp{\\sn "
                          "gtextUNICODE}{\\sv Word\\u8217\\'92s {\\b Art}\\'e9}}{\\sp{\\sn "
                          "gtextFont}{\\sv Arial Black}}{\\sp{\\sn posh}{\\sv 2}}}{\\shprslt{\\pict"
                          "\\wmetafile8 0100}}}b}")
            << Paras({"a", "Word’s Arté", "b"});
        QTest::newRow("a shape without text")
            << QByteArray("{\\rtf1 a{\\shp{\\*\\shpinst{\\sp{\\sn shapeType}{\\sv 1}}{\\sp{\\sn "
                          "gtextUNICODE}{\\sv }}{\\sp{\\sn wzName}{\\sv Shape 1}}}}b}")
            << Paras({"ab"});
        QTest::newRow("a text property outside a shape is not text")
            << QByteArray("{\\rtf1 a{\\*\\shppict{\\pict{\\*\\picprop{\\sp{\\sn gtextUNICODE}"
                          "{\\sv hidden}}}89504e47}}{\\sp{\\sn gtextUNICODE}{\\sv loose}}b}")
            << Paras({"ab"});
        QTest::newRow("only the text property's value is read")
            << QByteArray("{\\rtf1{\\shp{\\*\\shpinst{\\sp{\\sn wzDescription}{\\sv gtextUNICODE}}"
                          "{\\sp{\\sn gtextUNICODEx}{\\sv no}}{\\sp{\\sn gtextUNICODE}{\\sv Shown}}"
                          "{\\sp{\\sv before its name}{\\sn gtextUNICODE}}}}}")
            << Paras({"Shown"});
        QTest::newRow("a shape in a footer shows nothing")
            << QByteArray("{\\rtf1{\\footer{\\shp{\\*\\shpinst{\\shptxt boxed\\par}}}}Body}")
            << Paras({"Body"});
        QTest::newRow("other starred groups stay skipped")
            << QByteArray("{\\rtf1 a{\\*\\atnid X}{\\*\\annotation comment}{\\*\\ftnsep"
                          "\\chftnsep}b}")
            << Paras({"ab"});
    }
    void footnotesAndShapes() { CheckConversion(); }

    // An automatic footnote mark (\chftn) shows its note's number in the text and at the start
    // of the note; the numbers count the marks in order, endnotes apart from footnotes, each in
    // the style and from the number the document sets. A mark of the author's own choosing is
    // text.
    void footnoteMarks_data()
    {
        ConversionColumns();
        const QByteArray note = "{\\super\\chftn}{\\footnote\\pard{\\super\\chftn} Note %1.}";
        auto notes = [&](const char* AHeader, std::initializer_list<const char*> ANotes) {
            QByteArray rtf = QByteArray("{\\rtf1") + AHeader + " ";
            for (const char* n : ANotes)
                rtf += QByteArray("w") + (n[0] == 'E' ? "{\\super\\chftn}{\\footnote\\ftnalt"
                                                        "\\pard{\\super\\chftn} Note E.}"
                                                      : QByteArray(note).replace("%1", n));
            return rtf + "\\par}";
        };
        QTest::newRow("counted in order")
            << notes("", {"a", "b", "c"})
            << Paras({"w1w2w3", "1 Note a.", "2 Note b.", "3 Note c."});
        QTest::newRow("endnotes apart, in their own style")
            << notes("\\ftnnar\\aftnnrlc", {"a", "E", "b", "E"})
            << Paras({"w1wiw2wii", "1 Note a.", "i Note E.", "2 Note b.", "ii Note E."});
        QTest::newRow("an endnote's style set for the section")
            << notes("\\sectd\\sftnnalc\\saftnnauc", {"a", "E"})
            << Paras({"wawA", "a Note a.", "A Note E."});
        QTest::newRow("letters") << notes("\\ftnnalc\\ftnstart26", {"z", "aa"})
                                 << Paras({"wzwaa", "z Note z.", "aa Note aa."});
        QTest::newRow("capital Roman numerals from a start")
            << notes("\\ftnnruc\\ftnstart3", {"a", "b"})
            << Paras({"wIIIwIV", "III Note a.", "IV Note b."});
        QTest::newRow("symbols") << notes("\\ftnnchi", {"a", "b", "c", "d", "e"})
                                 << Paras({"w*w†w‡w§w**", "* Note a.", "† Note b.", "‡ Note c.",
                                           "§ Note d.", "** Note e."});
        QTest::newRow("the producers' other styles are counted in figures")
            << notes("\\ftnnzodiac", {"a"}) << Paras({"w1", "1 Note a."});
        QTest::newRow("a mark of the author's own and an automatic one")
            << QByteArray("{\\rtf1 x{\\super *}{\\footnote {\\super *} Starred.}y{\\super\\chftn}"
                          "{\\footnote {\\super\\chftn} Counted.}z\\par}")
            << Paras({"x*y1z", "* Starred.", "1 Counted."});
        QTest::newRow("a note without a mark in the text still counts")
            << QByteArray("{\\rtf1 x\\chftn{\\footnote\\chftn One.}y{\\footnote\\chftn Two.}z"
                          "{\\footnote Three.}\\par}")
            << Paras({"x1yz", "1One.", "2Two.", "Three."});
        QTest::newRow("a hidden mark or one in a header is not counted")
            << QByteArray("{\\rtf1{\\header{\\chftn}\\par}a{\\v\\chftn}b{\\super\\chftn}"
                          "{\\footnote\\chftn\\~N}\\par}")
            << Paras({"ab1", "1\u00A0N"});
    }
    void footnoteMarks() { CheckConversion(); }

    // A tracked deletion and hidden text give no text, up to their \deleted0 or \v0, a \plain
    // or the end of their group; an insertion is text.
    void deletedAndHiddenRuns_data()
    {
        ConversionColumns();
        QTest::newRow("a tracked deletion and insertion")
            << QByteArray("{\\rtf1 Start of sentence {\\deleted\\revauthdel1\\revdttmdel66696 "
                          "DELETEDWORDS }{\\revised\\revauth1\\revdttm66696 INSERTEDWORDS} end.}")
            << Paras({"Start of sentence INSERTEDWORDS end."});
        QTest::newRow("hidden text")
            << QByteArray("{\\rtf1 Visible {\\v HIDDEN}text.}") << Paras({"Visible text."});
        QTest::newRow("an index entry")
            << QByteArray("{\\rtf1 Apples{\\v {\\xe {\\v Apples}}} are red.}")
            << Paras({"Apples are red."});
        QTest::newRow("turned off by a zero")
            << QByteArray("{\\rtf1 a\\deleted b\\deleted0 c\\v d\\v0 e}") << Paras({"ace"});
        QTest::newRow("turned off by plain")
            << QByteArray("{\\rtf1 a\\v\\deleted b\\plain c}") << Paras({"ac"});
        QTest::newRow("deleted and hidden until both end")
            << QByteArray("{\\rtf1 a\\v\\deleted b\\v0 c\\deleted0 d}") << Paras({"ad"});
        QTest::newRow("no character of any kind")
            << QByteArray("{\\rtf1 a{\\v \\'e9\\u8364?\\~\\_\\{\\\\\\tab\\bullet\\cell x}b}")
            << Paras({"ab"});
        QTest::newRow("a hidden break still ends the line")
            << QByteArray("{\\rtf1 one{\\v gone\\par}two}") << Paras({"one", "two"});
        QTest::newRow("hidden text in a footnote")
            << QByteArray("{\\rtf1 x{\\footnote shown{\\v  hidden}}}") << Paras({"x", "shown"});
    }
    void deletedAndHiddenRuns() { CheckConversion(); }

    // Tables, page and section breaks as word processors write them: the row properties
    // before the cells and again in the group that ends the row, each cell's text ended by
    // \cell.
    void tablesAndBreaks_data()
    {
        ConversionColumns();
        const QByteArray rowProps =
            "\\trowd \\irow0\\irowband0\\ts11\\trgaph108\\trleft-108\\trbrdrt\\brdrs\\brdrw10 "
            "\\clvertalt\\clbrdrt\\brdrs\\brdrw10 \\cltxlrtb\\clftsWidth3\\clwWidth4788 "
            "\\cellx4680\\clvertalt\\clbrdrt\\brdrs\\brdrw10 \\cltxlrtb\\clftsWidth3"
            "\\clwWidth4788 \\cellx9468";
        const QByteArray cellPara = "\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\widctlpar\\intbl"
                                    "\\wrapdefault\\aspalpha\\aspnum\\faauto\\adjustright\\rin0"
                                    "\\lin0 \\rtlch\\fcs1 \\af0\\afs22 \\ltrch\\fcs0 \\fs22 ";
        auto row = [&](const char* AFirst, const char* ASecond) {
            return rowProps + cellPara + "{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid2\r\n" +
                   AFirst + "\\cell }{\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 \\insrsid2 " + ASecond +
                   "\\cell }\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\sa160\\sl259\\slmult1"
                   "\\widctlpar\\intbl\\wrapdefault {\\rtlch\\fcs1 \\af0 \\ltrch\\fcs0 "
                   "\\insrsid2 " +
                   rowProps + "\\row }";
        };
        QTest::newRow("a table from a word processor")
            << "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman Times;}}Before the "
               "table\\par\r\n" +
                   row("Name", "Amount") + row("Rent", "1,200 \\'80") +
                   "\\pard\\plain \\ltrpar\\ql After the table\\par }"
            << Paras({"Before the table", "Name\tAmount", "Rent\t1,200 €", "After the table"});
        QTest::newRow("rows with an empty cell")
            << "{\\rtf1 " + row("", "only second") + row("only first", "") + "}"
            << Paras({"only second", "only first"});
        QTest::newRow("a table as another word processor writes it")
            << QByteArray("{\\rtf1\\ansi\\trowd\\trql\\trleft0\\ltrrow\\cellx2000\\cellx4000"
                          "\\pard\\plain\\intbl\\ltrpar{\\loch Apples}\\cell\\pard\\plain"
                          "\\intbl\\ltrpar{\\loch Pears}\\cell\\row\\pard\\plain\\intbl"
                          "{\\loch Figs}\\cell\\pard\\plain\\intbl{\\loch Plums}\\cell\\row"
                          "\\pard\\plain\\ltrpar Below}")
            << Paras({"Apples\tPears", "Figs\tPlums", "Below"});
        QTest::newRow("a nested table")
            << QByteArray("{\\rtf1\\pard\\intbl\\itap1 Outer A\\par\\pard\\intbl\\itap2 in1"
                          "\\nestcell in2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000"
                          "\\cellx2000\\nestrow}{\\nonesttables\\par}\\pard\\intbl\\itap1 \\cell "
                          "Outer B\\cell\\trowd\\cellx3000\\cellx6000\\row}")
            << Paras({"Outer A", "in1\tin2", "Outer B"});
        QTest::newRow("page and section breaks")
            << QByteArray("{\\rtf1\\sectd One\\page Two\\sect\\sectd\\sbknone Three \\pagebb "
                          "four{\\header\\page hidden} \\sectdefaultcl five}")
            << Paras({"One", "Two", "Three four five"});
    }
    void tablesAndBreaks() { CheckConversion(); }

    void textWithByteOrderMark()
    {
        QTemporaryDir dir;
        QString title;
        const QString path =
            WriteFile(dir, QStringLiteral("m.rtf"), "\xef\xbb\xbf{\\rtf1 caf\xc3\xa9 \\'e9}");
        QCOMPARE(ImportRTF(path, title), Paras({"café é"}));
        QCOMPARE(title, QStringLiteral("m"));
    }

    void wordPadDocument()
    {
        QString title;
        const QString body = ImportRTF(SamplePath(QStringLiteral("rtf/wordpad.rtf")), title);
        QCOMPARE(title, QStringLiteral("wordpad"));
        QCOMPARE(body, Paras({"Café crème brûlée – naïve résumé.",
                              "Second paragraph with bold and italic text, red too.",
                              "Name\tAmount\t€ 12,50", "Unicode: 日本 and € ‘quoted’"}));
    }

    // A document with a footnote, a tracked deletion and insertion, hidden text, a text frame
    // and a drawn shape, saved as RTF by a word processor.
    void writerDocument()
    {
        QString title;
        const QString body = ImportRTF(SamplePath(QStringLiteral("rtf/writer-notes.rtf")), title);
        QCOMPARE(body,
                 Paras({"First paragraph with a reference1 in it.",
                        "1\tThe footnote text explains the reference.",
                        "Start of sentence INSERTEDWORDS end.", "Visible text.",
                        "TEXT INSIDE A FRAME", "Paragraph holding a frame.", "TEXT INSIDE A SHAPE",
                        "Paragraph holding a shape.", "Last paragraph."}));
    }

    // Footnotes and endnotes saved as RTF by a word processor (from writer-footnotes.fodt, with
    // a Fontwork shape) and by a document converter (from pandoc-footnotes.md).
    void producedFootnotes_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("html");
        QTest::newRow("word processor")
            << "rtf/writer-footnotes.rtf"
            << Paras({"This sentence has a footnote1 then goes on.", "1\tFirst footnote.",
                      "A second one2 and a marked one* here.", "2\tSecond footnote.",
                      "*\tStarred footnote.", "An endnotei and a third footnote3.",
                      "i\tThe endnote.", "3\tThird footnote.", "Before the shape.",
                      "FONTWORK &amp; “WORDS”", "after the shape."});
        QTest::newRow("document converter")
            << "rtf/pandoc-footnotes.rtf"
            << Paras({"A paragraph with a note1 and another2.", "1\u00A0The first note.",
                      "2\u00A0A longer note.", "With a second paragraph.",
                      "Second paragraph with text."});
    }
    void producedFootnotes()
    {
        QFETCH(QString, file);
        QFETCH(QString, html);
        QString title;
        QCOMPARE(ImportRTF(SamplePath(file), title), html);
    }

    void wordDocument()
    {
        QString title;
        const QString body = ImportRTF(SamplePath(QStringLiteral("rtf/word.rtf")), title);
        QCOMPARE(title, QStringLiteral("word"));
        QCOMPARE(body,
                 Paras({"Meeting in Zürich",
                        "The client’s representative, François Müller, confirmed the déjà vu "
                        "clause. We agreed that the naïve estimate in the first draft was too low "
                        "and that the revised figure of €12,400 stands; the next review is "
                        "scheduled for the second week of April.",
                        "See the terms for details – they are binding.", "·\tFirst point",
                        "·\tSecond point with “quotes” and あ—emoji 😀", "Привет, мир"}));
    }
};

} // namespace

std::unique_ptr<QObject> NewRTFTest()
{
    return std::make_unique<TRTFTest>();
}

#include "test_rtf.moc"

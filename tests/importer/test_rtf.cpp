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

class TRTFTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convert_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("html");
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
        QTest::newRow("an optional destination's text is kept")
            << QByteArray("{\\rtf1{\\*\\generator Riched20 10.0;}{\\*\\themedata 504b03}Text}")
            << Paras({"Riched20 10.0;504b03Text"});
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
            << QByteArray("{\\rtf1 \\{a\\} \\\\ \\-b\\_c\\:}") << Paras({"{a} \\ bc"});
        QTest::newRow("source line breaks end paragraphs")
            << QByteArray("{\\rtf1 a long line\r\n that goes on\\par\r\nnext\n}")
            << Paras({"a long line", "that goes on", "next"});
        QTest::newRow("line breaks of a lone carriage return end paragraphs too")
            << QByteArray("{\\rtf1 one\rtwo\\\rthree\r\nfour}")
            << Paras({"one", "two", "three", "four"});
        QTest::newRow("backslash before a line break ends a paragraph")
            << QByteArray("{\\rtf1 one\\\r\ntwo\\\ntwo}") << Paras({"one", "two", "two"});
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
    void convert()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, html);
        const QString got = importer::ConvertRTF(rtf);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

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
        QCOMPARE(body, Paras({"Riched20 10.0.19041", "Café crème brûlée – naïve résumé.",
                              "Second paragraph with bold and italic text, red too.",
                              "Name\tAmount\t€ 12,50", "Unicode: 日本 and € ‘quoted’"}));
    }

    void wordDocument()
    {
        QString title;
        const QString body = ImportRTF(SamplePath(QStringLiteral("rtf/word.rtf")), title);
        // Word wraps its source lines inside paragraphs, and each source line break ends a
        // paragraph; what matters here is that every character arrives decoded.
        for (const char* text :
             {"<p>Meeting in Zürich</p>", "The client’s representative, François Müller", "déjà vu",
              "naïve estimate", "€12,400", "details – they are binding.", "<p>·\tFirst point</p>",
              "“quotes” and あ—emoji 😀"})
            QVERIFY2(body.contains(QString::fromUtf8(text)), text);
    }
};

} // namespace

std::unique_ptr<QObject> NewRTFTest()
{
    return std::make_unique<TRTFTest>();
}

#include "test_rtf.moc"

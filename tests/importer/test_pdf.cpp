// PDF import.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

const QString Notice = QStringLiteral("<p><em>(No extractable text found in this PDF.)</em></p>");

// A stream object: its dictionary entries and its data.
QByteArray Stream(const QByteArray& AEntries, const QByteArray& AData)
{
    return "<< " + AEntries + " /Length " + QByteArray::number(AData.size()) + " >>\nstream\n" +
           AData + "\nendstream";
}

// Data compressed as the Flate filter writes it (a zlib stream).
QByteArray Deflate(const QByteArray& AData)
{
    return qCompress(AData).mid(4);
}

// A PDF file of the given objects, numbered from 1, with its cross-reference table and a
// trailer naming object 1 as the catalog.
QByteArray PDFFile(const QList<QByteArray>& AObjects, const QByteArray& ATrailer = "")
{
    QByteArray out = "%PDF-1.4\n%\xc7\xec\x8f\xa2\n";
    QList<qsizetype> offsets;
    for (qsizetype k = 0; k < AObjects.size(); ++k) {
        offsets << out.size();
        out += QByteArray::number(k + 1) + " 0 obj\n" + AObjects[k] + "\nendobj\n";
    }
    const qsizetype xref = out.size();
    out += "xref\n0 " + QByteArray::number(AObjects.size() + 1) + "\n0000000000 65535 f \n";
    for (qsizetype offset : offsets)
        out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    out += "trailer\n<< /Size " + QByteArray::number(AObjects.size() + 1) + " /Root 1 0 R " +
           ATrailer + " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return out;
}

// One page (object 3) showing AContent (object 4, or the streams 4, 5... of AContents) with
// the font F1 (object 5 unless given otherwise); AMore are objects 6 and on.
QByteArray OnePage(const QByteArray& AContentObject, const QByteArray& AFont,
                   const QList<QByteArray>& AMore = {})
{
    QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R"
        " /Resources << /Font << /F1 5 0 R >> >> >>",
        AContentObject, AFont};
    return PDFFile(objects + AMore);
}

const QByteArray Helvetica =
    "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>";

class TPDFTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // One content stream read without fonts (every glyph half an em wide).
    void content_data()
    {
        QTest::addColumn<QByteArray>("pdf");
        QTest::addColumn<QString>("html");
        QTest::newRow("one string")
            << QByteArray("BT /F1 12 Tf 72 712 Td (Hello World) Tj ET") << Paras({"Hello World"});
        QTest::newRow("TJ array with kerning")
            << QByteArray("BT /F1 12 Tf [(A) -120 (B) 30.5 (C)] TJ ET") << Paras({"ABC"});
        QTest::newRow("strings shown one after the other")
            << QByteArray("BT /F1 12 Tf (a) Tj (b) Tj ET") << Paras({"ab"});
        QTest::newRow("lines with the usual step, then a larger one")
            << QByteArray("BT /F1 12 Tf 14 TL (a) Tj 0 -14 Td (b) Tj T* (c) Tj 0 -30 Td (d) Tj "
                          "1 0 0 1 5 5 Tm (e) Tj ET")
            << Paras({"a<br>b<br>c", "d", "e"});
        QTest::newRow("lines one and a half apart")
            << QByteArray("BT /F1 12 Tf 18 TL 72 700 Td (one) Tj T* (two) Tj T* (three) Tj "
                          "0 -30 Td (four) Tj ET")
            << Paras({"one<br>two<br>three", "four"});
        QTest::newRow("a heading over its text")
            << QByteArray("BT /F1 18 Tf 72 700 Td (Title) Tj /F1 12 Tf 0 -21 Td (Body one) Tj "
                          "0 -14 Td (body two) Tj ET")
            << Paras({"Title", "Body one<br>body two"});
        QTest::newRow("a move along the line that leaves a gap")
            << QByteArray("BT /F1 10 Tf 72 700 Td (User) Tj 25 0 Td (Commands) Tj ET")
            << Paras({"User Commands"});
        QTest::newRow("a move along the line that continues the word")
            << QByteArray("BT /F1 10.95 Tf 72 700 Td (NA) Tj 10.95 0 Td (ME) Tj ET")
            << Paras({"NAME"});
        QTest::newRow("a word space as a TJ offset")
            << QByteArray("BT /F1 10 Tf [(User)-249.985(Commands)] TJ ET")
            << Paras({"User Commands"});
        QTest::newRow("character spacing as wide as a blank")
            << QByteArray("BT /F1 10 Tf 2.5 Tc [(wo)250(ft)250] TJ 0 Tc (he) Tj ET")
            << Paras({"w of the"});
        QTest::newRow("a blank that spacing makes narrow")
            << QByteArray("BT /F1 10 Tf -0.9 Tc -3 Tw (PA T) Tj 0 Tc 0 Tw (TERN) Tj ET")
            << Paras({"PATTERN"});
        QTest::newRow("text objects on one baseline")
            << QByteArray("BT /R7 10 Tf 1 0 0 1 23 794.3 Tm (news.txt) Tj ET "
                          "BT /R7 10 Tf 1 0 0 1 200 794.3 Tm (Fri Dec 11 10:41:09 2026) Tj ET "
                          "BT /R7 10 Tf 1 0 0 1 560 794.3 Tm (1) Tj ET")
            << Paras({"news.txt Fri Dec 11 10:41:09 2026 1"});
        QTest::newRow("a raised mark stays on its line")
            << QByteArray("BT /F1 12 Tf (note) Tj /F1 7 Tf 4 Ts (1) Tj 0 Ts /F1 12 Tf ( then) Tj "
                          "ET")
            << Paras({"note1 then"});
        QTest::newRow("placed by the current matrix")
            << QByteArray("q 0.1 0 0 0.1 0 0 cm BT /F1 100 Tf 720 7000 Td (a) Tj 50 0 Td (b) Tj "
                          "ET Q")
            << Paras({"ab"});
        QTest::newRow("blanks that place text are one")
            << QByteArray("BT /F1 10 Tf (LS\\(1\\)      User Commands      LS\\(1\\)) Tj ET")
            << Paras({"LS(1) User Commands LS(1)"});
        QTest::newRow("escapes") << QByteArray(
                                        "BT /F1 12 Tf (x\\ny\\tz) Tj ( p\\)q\\\\r\\(s) Tj ET")
                                 << Paras({"x y z p)q\\r(s"});
        QTest::newRow("octal escapes")
            << QByteArray("BT (caf\\351 \\101\\102 \\0053 \\2231\\224) Tj ET")
            << Paras({"café AB 3 “1”"});
        QTest::newRow("balanced parentheses")
            << QByteArray("BT /F1 12 Tf [(f(b)c) -300 (a(b(c))d)] TJ ET")
            << Paras({"f(b)c a(b(c))d"});
        QTest::newRow("line continuation")
            << QByteArray("BT (ab\\\ncd\\\r\nef) Tj ET") << Paras({"abcdef"});
        QTest::newRow("hex string")
            << QByteArray("BT <48656C6C6F> Tj <20 48 65 6c6c 6F7> Tj ET") << Paras({"Hello Hello"});
        QTest::newRow("hex string bytes above 127, blanks between digits")
            << QByteArray("BT <43 61 6 6\nE9> Tj <93 41 94> Tj ET") << Paras({"Café“A”"});
        QTest::newRow("the soft hyphen code shows a hyphen")
            << QByteArray("BT (\\255\\255all) Tj ET") << Paras({"--all"});
        QTest::newRow("quote operators")
            << QByteArray("BT /F1 12 Tf 14 TL (one) Tj (two) ' 0 0 (three) \" (four)' ET")
            << Paras({"one<br>two<br>three<br>four"});
        QTest::newRow("strings outside text objects") << QByteArray("(Info) Tj [(x)] TJ") << Notice;
        QTest::newRow("dictionary strings")
            << QByteArray("<< /Title (X) >> BT (Y) Tj ET") << Paras({"Y"});
        QTest::newRow("comment") << QByteArray("BT % (hidden) Tj\n(shown) Tj ET")
                                 << Paras({"shown"});
        QTest::newRow("other operators drop their operands")
            << QByteArray("BT (lost) /F1 12 Tf (kept) Tj ET") << Paras({"kept"});
        QTest::newRow("inline image data")
            << QByteArray("BT /F1 12 Tf (a) Tj ET BI /W 2 /H 1 /BPC 8 /CS /G ID (\xff EI "
                          "BT /F1 12 Tf 0 -14 Td (b) Tj ET")
            << Paras({"a<br>b"});
        QTest::newRow("unterminated string") << QByteArray("BT (never closed") << Notice;
        QTest::newRow("empty") << QByteArray() << Notice;
        QTest::newRow("blank strings") << QByteArray("BT ( ) Tj <0102> Tj ET") << Notice;
        QByteArray many = "BT [";
        for (int k = 1; k <= 40; ++k)
            many += "(" + QByteArray::number(k % 10) + ")";
        QTest::newRow("every string of a long TJ array")
            << many + "] TJ ET" << Paras({"1234567890123456789012345678901234567890"});
    }
    void content()
    {
        QFETCH(QByteArray, pdf);
        QFETCH(QString, html);
        const QString got = importer::ConvertPDFContent(pdf);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

    // Characters from the font: its encoding, /Differences and ToUnicode map.
    void fonts_data()
    {
        QTest::addColumn<QByteArray>("font");
        QTest::addColumn<QList<QByteArray>>("more");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("html");
        const QByteArray differences =
            "<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman /Encoding 6 0 R >>";
        QTest::newRow("differences: ligature and minus, as from a typesetter")
            << differences
            << QList<QByteArray>{"<< /Type /Encoding /BaseEncoding /WinAnsiEncoding"
                                 " /Differences [140 /fi /fl 173 /minus] >>"}
            << QByteArray("(speci\\214ed \\255\\255all \\215ow \\255) Tj")
            << Paras({"specified --all flow -"});
        QTest::newRow("differences: other ligatures and glyph names")
            << differences
            << QList<QByteArray>{"<< /Type /Encoding /Differences [1 /ff /ffi /ffl /f_f_i"
                                 " /uni20AC /u1F600 /a.sc /hyphen /quoteright /Euro /g123"
                                 " /uni00660069] >>"}
            << QByteArray("(\\001 \\002 \\003 \\004 \\005\\006 \\007\\010\\011\\012\\013\\014) Tj")
            << Paras({"ff ffi ffl ffi €\U0001F600 a-’€fi"});
        QTest::newRow("standard encoding")
            << QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman"
                          " /Encoding /StandardEncoding >>")
            << QList<QByteArray>{} << QByteArray("(it\\047s \\256ne \\140quoted\\047) Tj")
            << Paras({"it’s fine ‘quoted’"});
        QTest::newRow("Mac Roman encoding")
            << QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Roman"
                          " /Encoding << /BaseEncoding /MacRomanEncoding >> >>")
            << QList<QByteArray>{} << QByteArray("(K\\212se \\216t\\216 \\336x) Tj")
            << Paras({"Käse été fix"});
        const QByteArray cmap = "/CIDInit /ProcSet findresource begin 12 dict begin begincmap\n"
                                "1 begincodespacerange <00> <FF> endcodespacerange\n"
                                "3 beginbfchar <01> <0048> <02> <00E9> <03> <0020> endbfchar\n"
                                "2 beginbfrange <10> <12> <0061> <20> <21> [<FB01> <00660066>]\n"
                                "endbfrange endcmap end end";
        QTest::newRow("ToUnicode map, as from a word processor")
            << QByteArray("<< /Type /Font /Subtype /TrueType /BaseFont /BAAAAA+Serif"
                          " /FirstChar 0 /LastChar 3 /Widths [0 722 444 250] /ToUnicode 6 0 R >>")
            << QList<QByteArray>{Stream("/Filter /FlateDecode", Deflate(cmap))}
            << QByteArray("[<0102>-3<03101112>2<2021>] TJ") << Paras({"Hé abcfiff"});
        const QByteArray cmap2 = "begincmap 1 begincodespacerange <0000> <FFFF> "
                                 "endcodespacerange 2 beginbfchar <0001> <0055> <0102> <D83DDE00>"
                                 " endbfchar 1 beginbfrange <0010> <0012> <0073> endbfrange";
        QTest::newRow("composite font: two-byte codes and their widths")
            << QByteArray("<< /Type /Font /Subtype /Type0 /BaseFont /CAAAAA+Sans /Encoding "
                          "/Identity-H /DescendantFonts [6 0 R] /ToUnicode 7 0 R >>")
            << QList<QByteArray>{"<< /Type /Font /Subtype /CIDFontType2 /DW 1000"
                                 " /W [1 [600] 16 18 500 258 [700]] >>",
                                 Stream("", cmap2)}
            << QByteArray("<00010010> Tj 15.6 0 Td <0011> Tj 12 0 Td <00120102> Tj")
            << Paras({"Us t u\U0001F600"});
        QTest::newRow("widths of the font place the words")
            << QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /Times-Bold /FirstChar 65"
                          " /LastChar 78 /Widths [722 0 0 0 667 0 0 0 0 0 0 0 944 722] >>")
            << QList<QByteArray>{}
            << QByteArray("-0.219 Tc (NA) Tj 0 Tc 15.593 0 Td (ME) Tj 20 0 Td (NA) Tj")
            << Paras({"NAME NA"});
    }
    void fonts()
    {
        QFETCH(QByteArray, font);
        QFETCH(QList<QByteArray>, more);
        QFETCH(QByteArray, content);
        QFETCH(QString, html);
        const QByteArray page =
            OnePage(Stream("", "BT /F1 10.95 Tf 72 700 Td " + content + " ET"), font, more);
        const QString got = importer::ConvertPDF(page);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
    }

    // How the streams of a file are read: compressed, in several parts, or not at all.
    void streams_data()
    {
        QTest::addColumn<QByteArray>("pdf");
        QTest::addColumn<QString>("html");
        const QByteArray text = "BT /F1 12 Tf 72 700 Td (Compressed text) Tj ET";
        QTest::newRow("compressed content")
            << OnePage(Stream("/Filter /FlateDecode", Deflate(text)), Helvetica)
            << Paras({"Compressed text"});
        QTest::newRow("the filter in an array, the length elsewhere")
            << OnePage("<< /Length 6 0 R /Filter [/FlateDecode] >>\nstream\n" + Deflate(text) +
                           "\nendstream",
                       Helvetica, {QByteArray::number(Deflate(text).size())})
            << Paras({"Compressed text"});
        QTest::newRow("a wrong length")
            << OnePage("<< /Length 3 /Filter /Fl >>\nstream\r\n" + Deflate(text) + "\r\nendstream",
                       Helvetica)
            << Paras({"Compressed text"});
        QTest::newRow("content in two streams")
            << PDFFile({"<< /Type /Catalog /Pages 2 0 R >>",
                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                        "<< /Type /Page /Parent 2 0 R /Contents [4 0 R 5 0 R]"
                        " /Resources << /Font << /F1 6 0 R >> >> >>",
                        Stream("/Filter /FlateDecode", Deflate("BT /F1 12 Tf 72 700 Td (Part) Tj")),
                        Stream("", "( one) Tj ET"), Helvetica})
            << Paras({"Part one"});
        QTest::newRow("data that is not compressed at all")
            << OnePage(Stream("/Filter /FlateDecode", text), Helvetica) << Notice;
        QTest::newRow("another filter")
            << OnePage(Stream("/Filter /LZWDecode", text), Helvetica) << Notice;
        QTest::newRow("encrypted")
            << PDFFile({"<< /Type /Catalog /Pages 2 0 R >>",
                        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                        "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>",
                        Stream("", "BT /F1 12 Tf (\x8a\x13q\xe2z) Tj ET"),
                        "<< /Filter /Standard /V 1 /R 2 /O (x) /U (y) /P -4 >>"},
                       "/Encrypt 5 0 R")
            << Notice;
        // Image data is never read as text, whatever its bytes are.
        QTest::newRow("a page with an image only")
            << PDFFile(
                   {"<< /Type /Catalog /Pages 2 0 R >>",
                    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /Contents 4 0 R"
                    " /Resources << /XObject << /Im0 5 0 R >> >> >>",
                    Stream("", "q 612 0 0 792 0 0 cm /Im0 Do Q"),
                    Stream("/Type /XObject /Subtype /Image /Width 8 /Height 2 /BitsPerComponent 8"
                           " /ColorSpace /DeviceGray",
                           "BT (pixels) Tj ET")})
            << Notice;
        // Pages, fonts and the catalog in an object stream, as newer producers write them.
        const QByteArray held = "<< /Type /Catalog /Pages 2 0 R >> "
                                "<< /Type /Pages /Kids [3 0 R] /Count 1 >> "
                                "<< /Type /Page /Parent 2 0 R /Contents 4 0 R "
                                "/Resources << /Font << /F1 5 0 R >> >> >> ";
        QByteArray header;
        qsizetype at = 0;
        for (int k = 0; k < 3; ++k) {
            header += QByteArray::number(k + 1) + " " + QByteArray::number(at) + " ";
            at = held.indexOf("<< /Type", at + 1);
        }
        const QByteArray objStm = header + held;
        QTest::newRow("objects in an object stream")
            << PDFFile({"null", "null", "null", Stream("/Filter /FlateDecode", Deflate(text)),
                        Helvetica,
                        Stream("/Type /ObjStm /N 3 /First " + QByteArray::number(header.size()) +
                                   " /Filter /FlateDecode",
                               Deflate(objStm))})
            << Paras({"Compressed text"});
        // Written by a producer in two parts: a later object replaces the earlier one.
        QByteArray updated = OnePage(Stream("", "BT /F1 12 Tf (Old) Tj ET"), Helvetica);
        updated += "4 0 obj\n" + Stream("", "BT /F1 12 Tf (New) Tj ET") + "\nendobj\n";
        QTest::newRow("an object updated later in the file") << updated << Paras({"New"});
        // No catalog (the end of the file lost): the page objects, or else the streams.
        QByteArray pagesOnly = OnePage(Stream("/Filter /FlateDecode", Deflate(text)), Helvetica);
        pagesOnly.replace("/Type /Catalog", "/Type /Other");
        pagesOnly.replace("/Root 1 0 R", "");
        QTest::newRow("pages without a catalog") << pagesOnly << Paras({"Compressed text"});
        QByteArray streamsOnly = PDFFile({Stream("/Filter /FlateDecode", Deflate(text)),
                                          Stream("/Subtype /Image", "BT (image) Tj ET")});
        streamsOnly.truncate(streamsOnly.indexOf("xref"));
        QTest::newRow("streams without pages") << streamsOnly << Paras({"Compressed text"});
        // A file cut inside a compressed stream: the text of what is there.
        QByteArray letters;
        QRandomGenerator random(5);
        for (int k = 0; k < 4000; ++k)
            letters += k % 7 == 6 ? ' ' : char('a' + random.bounded(26));
        const QByteArray compressed =
            Deflate("BT /F1 12 Tf 72 700 Td (first) Tj ET " + letters + " BT (last) Tj ET");
        QByteArray cut = PDFFile({"<< /Type /Catalog /Pages 2 0 R >>",
                                  "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                                  "<< /Type /Page /Parent 2 0 R /Contents 4 0 R >>"});
        cut.truncate(cut.indexOf("xref"));
        cut += "4 0 obj\n<< /Length 9999 /Filter /FlateDecode >>\nstream\n" +
               compressed.left(compressed.size() / 2);
        QTest::newRow("compressed data cut off") << cut << Paras({"first"});
    }
    void streams()
    {
        QFETCH(QByteArray, pdf);
        QFETCH(QString, html);
        const QString got = importer::ConvertPDF(pdf);
        QCOMPARE(got, html);
    }

    // A stream may inflate to 32 MiB at most, and all the streams of a file to 128 MiB.
    void inflatedSizeIsLimited()
    {
        const QByteArray filler(30 << 20, ' ');
        QList<QByteArray> objects = {"<< /Type /Catalog /Pages 2 0 R >>", ""};
        QByteArray kids;
        for (int page = 1; page <= 5; ++page) {
            const int pageObj = int(objects.size()) + 1;
            kids += QByteArray::number(pageObj) + " 0 R ";
            objects << "<< /Type /Page /Parent 2 0 R /Contents " + QByteArray::number(pageObj + 1) +
                           " 0 R >>";
            // Each page's text stands before and after 30 MiB of blanks.
            const QByteArray content = "BT /F1 12 Tf 72 700 Td (start " + QByteArray::number(page) +
                                       ") Tj ET" + filler + "BT 72 600 Td (end " +
                                       QByteArray::number(page) + ") Tj ET";
            objects << Stream("/Filter /FlateDecode", Deflate(content));
        }
        objects[1] = "<< /Type /Pages /Kids [" + kids + "] /Count 5 >>";
        const QString got = importer::ConvertPDF(PDFFile(objects));
        // Four pages come to 120 MiB; the fifth is cut where the 128 MiB are reached.
        QCOMPARE(got, Paras({"start 1", "end 1", "start 2", "end 2", "start 3", "end 3", "start 4",
                             "end 4", "start 5"}));

        QByteArray one = "BT /F1 12 Tf 72 700 Td (seen) Tj ET";
        one += QByteArray(33 << 20, ' ') + "BT 72 600 Td (past the limit) Tj ET";
        QCOMPARE(
            importer::ConvertPDF(OnePage(Stream("/Filter /FlateDecode", Deflate(one)), Helvetica)),
            Paras({"seen"}));
    }

    // Files named .pdf that are not PDFs have no readable content, as files of other kinds.
    void notAPDF_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("a program")
            << QByteArray::fromHex("7f454c4602010100000000000000000003003e0001000000") +
                   QByteArray(4000, '\0') + "BT (text) Tj ET";
        QByteArray noise(20000, '\0');
        QRandomGenerator random(27);
        for (char& c : noise)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QTest::newRow("random bytes after a header") << "%PDF-1.7\n" + noise;
        QTest::newRow("a header and text, no objects")
            << QByteArray("%PDF-1.4\nno text here\nBT (text) Tj ET\n%%EOF\n");
    }
    void notAPDF()
    {
        QFETCH(QByteArray, data);
        QTemporaryDir dir;
        QString title;
        QCOMPARE(ImportFileToHTML(WriteFile(dir, QStringLiteral("junk.pdf"), data), title),
                 QString());
        QCOMPARE(title, QStringLiteral("junk"));
    }

    void readers()
    {
        const QByteArray raw = "x(a(b)\\)c)y<41 42>z";
        qsizetype pos = 1;
        QCOMPARE(importer::ReadQuoted(raw, pos), QStringLiteral("a(b))c"));
        QCOMPARE(raw[pos], 'y');
        pos = 11;
        QCOMPARE(importer::ReadHex(raw, pos), QStringLiteral("AB"));
        QCOMPARE(raw[pos], 'z');
    }

    // Files of real producers: the text as an independent reader shows it, its lines kept.
    void producers_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("html");
        const QString manual = Paras(
            {"TALLY(1) User Commands TALLY(1)",
             "NAME<br>tally - count the lines, words and files of a tree",
             "SYNOPSIS<br>tally [OPTION]... [FILE]...<br>tally --files0-from=F",
             "DESCRIPTION<br>Count the lines of each FILE, or of standard input when no FILE is "
             "specified. The totals are written in the<br>order the files were given (the "
             "default). Sort them with --sort.",
             "Mandatory arguments to long options are mandatory for short options too.",
             "-a, --all<br>count all files, the hidden ones too; an efficient way to find the "
             "offending file in a baffling tree",
             "-s, --sort=WORD<br>sort by WORD: lines, words or files; the flow of the effect is "
             "kept",
             "AUTHOR<br>Written by A. Writer.", "tally 1.2 March 2024 1"});
        QTest::newRow("manual page, compressed") << "tally-ps2pdf.pdf" << manual;
        QTest::newRow("manual page, uncompressed") << "tally-uncompressed.pdf" << manual;
        QTest::newRow("word processor")
            << "minutes-writer.pdf"
            << Paras({"Minutes of the café meeting",
                      "Present: Zoë Müller, François Lévêque and the staff of the Zürich office.",
                      "The budget of €12,400 was agreed. The first floor will be refitted in "
                      "spring, and the fitters from the<br>firm that did the offices last year "
                      "have been asked for an offer; their figures are expected “within "
                      "a<br>fortnight”.",
                      "Next meeting: 14 May – in room 2."});
        QTest::newRow("page header of a text file")
            << "news-enscript.pdf"
            << Paras({"news.txt Fri Dec 11 10:41:09 2026 1", "Quarterly news",
                      "The office moved to the new building in March.<br>Coffee is free; the "
                      "staff canteen opens at 8."});
        const QString report =
            Paras({"Quarterly report (draft)",
                   "Revenue rose in Zürich and Genève; see note (a) below.<br>The café budget — "
                   "€12,400 — was naïve.Kerning and spacing<br>Hex text<br>Set with the double "
                   "quote operator",
                   "Page 1 of 1"});
        QTest::newRow("report, uncompressed") << "report-uncompressed.pdf" << report;
        QTest::newRow("report, compressed") << "report-compressed.pdf" << report;
    }
    void producers()
    {
        QFETCH(QString, file);
        QFETCH(QString, html);
        QString title;
        const QString body = ImportFileToHTML(SamplePath(QStringLiteral("pdf/") + file), title);
        QCOMPARE(body, html);
        QCOMPARE(title, file.chopped(4));
    }

    void textAfterTenMebibytesIsNotRead()
    {
        QTemporaryDir dir;
        const qsizetype limit = 10485760;
        QByteArray data = "%PDF-1.4\n1 0 obj\n<< /Length 20000000 >>\nstream\n"
                          "BT /F1 12 Tf 72 700 Td (before) Tj ET\n";
        const QByteArray tail = "BT /F1 12 Tf 72 600 Td (in) Tj (out) Tj ET";
        data += QByteArray(limit - data.size() - 31, ' ') + tail; // cut after "(in) Tj "
        QString title;
        QCOMPARE(ImportPDF(WriteFile(dir, QStringLiteral("big.pdf"), data), title),
                 Paras({"before", "in"}));
    }
};

} // namespace

std::unique_ptr<QObject> NewPDFTest()
{
    return std::make_unique<TPDFTest>();
}

#include "test_pdf.moc"

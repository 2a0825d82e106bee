// PDF import.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QTest>

namespace {

const QString Notice = QStringLiteral("<p><em>(No extractable text found in this PDF.)</em></p>");

class TPDFTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convert_data()
    {
        QTest::addColumn<QByteArray>("pdf");
        QTest::addColumn<QString>("html");
        QTest::newRow("one string")
            << QByteArray("BT /F1 12 Tf 72 712 Td (Hello World) Tj ET") << Paras({"Hello World"});
        QTest::newRow("TJ array with kerning")
            << QByteArray("BT [(A) -120 (B) 30.5 (C)] TJ ET") << Paras({"ABC"});
        QTest::newRow("two strings on one line")
            << QByteArray("BT (a) Tj (b) Tj ET") << Paras({"a b"});
        QTest::newRow("positioning starts a line")
            << QByteArray("BT (a) Tj 0 -14 Td (b) Tj T* (c) Tj 1 0 0 1 5 5 Tm (d) Tj ET")
            << Paras({"a", "b", "c", "d"});
        QTest::newRow("escapes") << QByteArray("BT (x\\ny\\tz) Tj (p\\)q\\\\r\\(s) Tj ET")
                                 << Paras({"x y z p)q\\r(s"});
        QTest::newRow("octal escapes")
            << QByteArray("BT (caf\\351 \\101\\102 \\0053 \\2231\\224) Tj ET")
            << Paras({"café AB 3 “1”"});
        QTest::newRow("balanced parentheses")
            << QByteArray("BT (f(b)c) Tj (a(b(c))d) Tj ET") << Paras({"f(b)c a(b(c))d"});
        QTest::newRow("line continuation")
            << QByteArray("BT (ab\\\ncd\\\r\nef) Tj ET") << Paras({"abcdef"});
        QTest::newRow("hex string")
            << QByteArray("BT <48656C6C6F> Tj <48 65 6c6c 6F7> Tj ET") << Paras({"Hello Hello"});
        QTest::newRow("hex string bytes above 127, blanks between digits")
            << QByteArray("BT <43 61 6 6\nE9> Tj <93 41 94> Tj ET") << Paras({"Café “A”"});
        QTest::newRow("quote operators")
            << QByteArray("BT (one) Tj (two) ' 1 2 (three) \" (four)' ET")
            << Paras({"one", "two", "three", "four"});
        QTest::newRow("strings outside text objects") << QByteArray("(Info) Tj [(x)] TJ") << Notice;
        QTest::newRow("dictionary strings")
            << QByteArray("<< /Title (X) >> BT (Y) Tj ET") << Paras({"Y"});
        QTest::newRow("comment") << QByteArray("BT % (hidden) Tj\n(shown) Tj ET")
                                 << Paras({"shown"});
        QTest::newRow("other operators drop collected strings")
            << QByteArray("BT (lost) /F1 12 Tf (kept) Tj ET") << Paras({"kept"});
        QTest::newRow("unterminated string") << QByteArray("BT (never closed") << Notice;
        QTest::newRow("empty") << QByteArray() << Notice;
        QTest::newRow("blank strings") << QByteArray("BT ( ) Tj <0102> Tj ET") << Notice;
        QByteArray many = "BT [";
        for (int k = 1; k <= 16; ++k)
            many += "(" + QByteArray::number(k % 10) + ")";
        QTest::newRow("at most fifteen strings") << many + "] TJ ET" << Paras({"123456789012345"});
    }
    void convert()
    {
        QFETCH(QByteArray, pdf);
        QFETCH(QString, html);
        const QString got = importer::ConvertPDF(pdf);
        QCOMPARE(got, html);
        QVERIFY(IsValidUTF8(got));
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

    void uncompressedReport()
    {
        QString title;
        const QString body =
            ImportPDF(SamplePath(QStringLiteral("pdf/report-uncompressed.pdf")), title);
        QCOMPARE(title, QStringLiteral("report-uncompressed"));
        QCOMPARE(body, Paras({"Quarterly report (draft)",
                              "Revenue rose in Zürich and Genève; see note (a) below.",
                              "The café budget — €12,400 — was naïve. Kerning and spacing",
                              "Hex text", "Set with the double quote operator", "Page 1 of 1"}));
    }

    void compressedReportGivesTheNotice()
    {
        QString title;
        QCOMPARE(ImportFileToHTML(SamplePath(QStringLiteral("pdf/report-compressed.pdf")), title),
                 Notice);
        QCOMPARE(title, QStringLiteral("report-compressed"));
    }

    void textAfterTenMebibytesIsNotRead()
    {
        QTemporaryDir dir;
        const qsizetype limit = 10485760;
        QByteArray data = "BT (before) Tj ET\n";
        const QByteArray tail = "BT (in) Tj (out) Tj ET";
        data += QByteArray(limit - data.size() - 11, ' ') + tail; // cut after "BT (in) Tj "
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

// Large files: the sample documents grown to a few megabytes, in the encodings and line
// endings real files come in. The large-file paths decode, clean and convert a piece at a time
// or in place; their results must stay exactly those of converting the whole text at once,
// recorded here as digests of title and body.
#include "importer.h"
#include "importertests.h"

#include <QCryptographicHash>
#include <QTest>

namespace {

// Whole copies of AUnit up to at least ASize bytes (a text file larger than one piece).
QByteArray Grown(const QByteArray& AUnit, qsizetype ASize = 2500000)
{
    QByteArray out;
    while (out.size() < ASize)
        out += AUnit;
    return out;
}

QByteArray WithLineEnds(QByteArray AText, const char* AEnd)
{
    AText.replace("\r\n", "\n");
    return AText.replace("\n", AEnd);
}

QByteArray Utf16LE(const QByteArray& AUtf8)
{
    const QString s = QString::fromUtf8(AUtf8);
    return QByteArray("\xff\xfe") +
           QByteArray(reinterpret_cast<const char*>(s.utf16()), s.size() * 2);
}

// saved-page.html with the content of its body element repeated.
QByteArray GrownPage()
{
    const QByteArray page = SampleBytes(QStringLiteral("html/saved-page.html"));
    const qsizetype open = page.indexOf('>', page.indexOf("<body")) + 1;
    const qsizetype close = page.indexOf("</body>");
    return page.left(open) + Grown(page.mid(open, close - open)) + page.mid(close);
}

QByteArray Digest(const QString& ATitle, const QString& ABody)
{
    return QCryptographicHash::hash((ATitle + u'\n' + ABody).toUtf8(), QCryptographicHash::Sha256)
        .toHex()
        .left(32);
}

class TLargeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void convertsAsWhole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("digest");
        const QByteArray notes = SampleBytes(QStringLiteral("markdown/case-notes.md"));
        const QByteArray plain = SampleBytes(QStringLiteral("markdown/plain.txt"));
        const QByteArray fragment = SampleBytes(QStringLiteral("html/fragment.htm"));
        const QByteArray word = SampleBytes(QStringLiteral("rtf/word.rtf"));
        QTest::newRow("Markdown, line feeds")
            << "notes.md" << Grown(notes) << QByteArray("9adf26abd577299d28edbeda0cd07311");
        QTest::newRow("Markdown, CR + LF after a byte-order mark")
            << "notes.md"
            << "\xef\xbb\xbf" + Grown(WithLineEnds(notes, "\r\n"))
            << QByteArray("e04d3b8b174140d46a8c9b1ec73f6f58");
        QTest::newRow("Markdown in UTF-16, carriage returns")
            << "notes.md" << Utf16LE(Grown(WithLineEnds(notes, "\r")))
            << QByteArray("9adf26abd577299d28edbeda0cd07311");
        QTest::newRow("text in code page 1252, controls in it")
            << "plain.txt" << Grown("Caf\xe9 cr\xe8me \x80 5\x01\x1b\r\n" + plain)
            << QByteArray("c51a5275dddb1ac038ff2714f9c30ce4");
        QTest::newRow("a text of one long line") << "line.txt" << Grown("a *b* **c** `d` [e](f) & ")
                                                 << QByteArray("0799ca106b04030f7659ba5a67951506");
        QTest::newRow("saved page, line feeds")
            << "page.html" << GrownPage() << QByteArray("5a7b9e50ae0033860ab3d1720ac92646");
        QTest::newRow("saved page, CR + LF") << "page.html" << WithLineEnds(GrownPage(), "\r\n")
                                             << QByteArray("5a7b9e50ae0033860ab3d1720ac92646");
        QTest::newRow("fragment in code page 1252 named by its meta element")
            << "fragment.htm"
            << "<meta charset=\"windows-1252\"><title>Caf\xe9</title>\r" +
                   Grown(WithLineEnds(fragment, "\r") + "<p>na\xefve \x93q\x94</p>\n")
            << QByteArray("8c83fe8a7d38056a738bda685d728c7f");
        QTest::newRow("word processor document")
            << "word.rtf" << Grown(word) << QByteArray("e7d068c5bfc10c3a65348842d9ce7d78");
    }
    void convertsAsWhole()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, digest);
        QTemporaryDir dir;
        QString title;
        const QString body = ImportFileToHTML(WriteFile(dir, name, content), title);
        QVERIFY(body.size() > 100000);
        QCOMPARE(Digest(title, body), digest);
    }
};

} // namespace

std::unique_ptr<QObject> NewLargeTest()
{
    return std::make_unique<TLargeTest>();
}

#include "test_large.moc"

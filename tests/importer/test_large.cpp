// Large files: the sample documents grown to a few megabytes, in the encodings and line
// endings real files come in. The large-file paths decode, clean and convert a piece at a time
// or in place; their results must stay exactly those of converting the whole text at once,
// recorded here as digests of title and body.
#include "importer.h"
#include "importer_p.h"
#include "importertests.h"

#include <QCryptographicHash>
#include <QFile>
#include <QRandomGenerator>
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

QByteArray Utf16BE(const QByteArray& AUtf8)
{
    QByteArray le = Utf16LE(AUtf8);
    for (qsizetype k = 0; k + 1 < le.size(); k += 2)
        std::swap(le[k], le[k + 1]);
    return le;
}

// Small texts whose lines, characters and blocks end everywhere a piece may end.
QList<QPair<const char*, QByteArray>> PieceFixtures()
{
    // U+0A05 then U+0100 holds the bytes of a UTF-16 line feed across its two characters.
    const QByteArray blocks =
        "# T\xc3\xa9tle \xe0\xa8\x85\xc4\x80\r\n```\ncode \xe2\x82\xac\n  <kept>\n```\n- a\n* "
        "\xf0\x9f\x98\x80"
        "b\n1. c\n2. d\n> q\n> r\n| x | y |\n|---|---|\ntext\nmore "
        "*em* **st** `co` [l](u)\n\n---\nend";
    return {
        {"Markdown blocks, line feeds", blocks},
        {"Markdown blocks, CR + LF", WithLineEnds(blocks, "\r\n")},
        {"Markdown blocks, carriage returns", WithLineEnds(blocks, "\r")},
        {"Markdown blocks after a byte-order mark", "\xef\xbb\xbf" + blocks},
        {"Markdown blocks in UTF-16LE, CR + LF", Utf16LE(WithLineEnds(blocks, "\r\n"))},
        {"Markdown blocks in UTF-16BE", Utf16BE(blocks)},
        {"UTF-16 with an odd last byte", Utf16LE("a\n\xf0\x9f\x98\x80\nb") + "c"},
        {"UTF-8 up to a byte that is not, near the end",
         "caf\xc3\xa9\n\xe2\x82\xac\n\xf0\x9f\x98\x80\n- na\xefve\n"},
        {"only carriage returns", QByteArray(40, '\r')},
        {"NULs and controls around the line ends",
         QByteArray("\0\n\x01\r\n\x7f\0a\n\x1b\n\0", 14) + "```\n\0\n```"},
        {"a line longer than a piece", "- " + QByteArray(300, 'x') + "\n" + QByteArray(200, 'y')},
    };
}

// Random texts of the bytes that matter to the piece ends and the block pass, some of them
// UTF-16 or after a byte-order mark.
QList<QByteArray> RandomTexts()
{
    static const char* const atoms[] = {
        "\n",   "\r",   "\r\n",     "```",          "- ",
        "* ",   "> ",   "# ",       "1. ",          "|",
        " ",    "a",    "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
        "\x01", "\x7f", "\xe9",     "\xc3"};
    QRandomGenerator random(13);
    QList<QByteArray> texts;
    for (int k = 0; k < 120; ++k) {
        QByteArray text;
        const int count = random.bounded(1, 120);
        for (int a = 0; a < count; ++a)
            text += atoms[random.bounded(int(std::size(atoms)))];
        if (random.bounded(8) == 0)
            text.insert(random.bounded(text.size() + 1), '\0');
        switch (k % 4) {
        case 1:
            text = Utf16LE(text);
            break;
        case 2:
            text.prepend("\xef\xbb\xbf");
            break;
        default:
            break;
        }
        texts.append(text);
    }
    return texts;
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
        // The Markdown digests are those of cmark-gfm's result for the whole grown text (for the
        // long line, of the paragraph made of its result for one unit).
        QTest::newRow("Markdown, line feeds")
            << "notes.md" << Grown(notes) << QByteArray("8a8f3c8d09a11f90c8efd7738cf106a7");
        QTest::newRow("Markdown, CR + LF after a byte-order mark")
            << "notes.md"
            << "\xef\xbb\xbf" + Grown(WithLineEnds(notes, "\r\n"))
            << QByteArray("fb036a949373725a76f5d2e83e165404");
        QTest::newRow("Markdown in UTF-16, carriage returns")
            << "notes.md" << Utf16LE(Grown(WithLineEnds(notes, "\r")))
            << QByteArray("8a8f3c8d09a11f90c8efd7738cf106a7");
        QTest::newRow("text in code page 1252, controls in it")
            << "plain.txt" << Grown("Caf\xe9 cr\xe8me \x80 5\x01\x1b\r\n" + plain)
            << QByteArray("8d34d979f5be93cb761fa62bb07b42cf");
        QTest::newRow("a text of one long line") << "line.txt" << Grown("a *b* **c** `d` [e](f) & ")
                                                 << QByteArray("ba79265469ff0b3a73add3a8aea09994");
        QTest::newRow("saved page, line feeds")
            << "page.html" << GrownPage() << QByteArray("0c4365079ef20066184b750de68a8c5f");
        QTest::newRow("saved page, CR + LF") << "page.html" << WithLineEnds(GrownPage(), "\r\n")
                                             << QByteArray("0c4365079ef20066184b750de68a8c5f");
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

    // A file read in blocks that holds one byte which is not UTF-8, before or after its
    // multi-byte sequences: each sequence is read as UTF-8 and that byte in code page 1252.
    void strayByteInBlocks_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("near the end")
            << Grown("caf\xc3\xa9\n", 60) + "na\xefve\n"
            << QStringLiteral("caf\u00e9\n").repeated(10) + QStringLiteral("na\u00efve\n");
        QTest::newRow("at the start")
            << "na\xefve\n" + Grown("\xd0\x9c\xd0\xb8\xd1\x80\n", 60)
            << QStringLiteral("na\u00efve\n") + QStringLiteral("\u041c\u0438\u0440\n").repeated(9);
        QTest::newRow("the only sequences start with C2")
            << Grown("\xc2\xa9 caf\xe9\n", 60) << QStringLiteral("\u00a9 caf\u00e9\n").repeated(8);
        QTest::newRow("no sequence at all")
            << Grown("caf\xe9\n", 60) << QStringLiteral("caf\u00e9\n").repeated(12);
    }
    void strayByteInBlocks()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("t.md"), bytes);
        importer::TFilePieces pieces(path, 7);
        QString joined, piece;
        while (pieces.Next(piece))
            joined += piece;
        QCOMPARE(joined, text);
        QCOMPARE(importer::DecodeBytes(bytes), text);
    }

    // A file read twice (checked as UTF-8, then decoded) that changes in between raises an
    // error instead of giving a shorter text or replacement characters.
    void fileChangedBetweenReadings_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<bool>("raises");
        const QByteArray text = Grown("a line of caf\xc3\xa9\n", 2000);
        QByteArray invalid = text, cut = text;
        invalid[1000] = '\xe9';
        cut[cut.size() - 1] = '\xc3';
        QTest::newRow("written again alike") << text << text << false;
        QTest::newRow("truncated") << text << text.left(1000) << true;
        QTest::newRow("grown") << text << text + "more\n" << true;
        QTest::newRow("no longer UTF-8") << text << invalid << true;
        QTest::newRow("ending inside a sequence") << text << cut << true;
    }
    void fileChangedBetweenReadings()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(bool, raises);
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("t.md"), before);
        importer::TFilePieces pieces(path, 64);
        WriteFile(dir, QStringLiteral("t.md"), after);
        QString joined, piece;
        auto readAll = [&] {
            while (pieces.Next(piece))
                joined += piece;
        };
        if (raises) {
            QVERIFY_THROWS_EXCEPTION(EImportFileError, readAll());
        } else {
            readAll();
            QCOMPARE(joined, QString::fromUtf8(after));
        }
    }

    // The same texts read in pieces of a few bytes, so that pieces end at every place in them:
    // the decoded text and the Markdown result are those of the whole text at once.
    void smallPiecesAsWhole()
    {
        QList<QPair<QByteArray, QByteArray>> cases;
        for (const auto& [name, text] : PieceFixtures())
            cases.append({name, text});
        int n = 0;
        for (const QByteArray& text : RandomTexts())
            cases.append({"random text " + QByteArray::number(n++), text});
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("notes.md"));
        for (const auto& [name, text] : cases) {
            const QString whole = importer::DecodeBytes(text);
            QString wholeTitle = QStringLiteral("notes");
            const QString wholeBody = importer::ConvertMarkdown(
                importer::SplitLines(importer::DecodeText(text)), wholeTitle);
            WriteFile(dir, QStringLiteral("notes.md"), text);
            for (const qsizetype pieceBytes : {1, 2, 3, 7, 64}) {
                const QByteArray where = name + ", pieces of " + QByteArray::number(pieceBytes);
                importer::TDecodedPieces pieces(text, pieceBytes);
                QString joined, piece;
                while (pieces.Next(piece))
                    joined += piece;
                QVERIFY2(joined == whole, where.constData());
                QString title;
                const QString body = importer::ImportMarkdownFile(path, title, pieceBytes);
                QVERIFY2(body == wholeBody, where.constData());
                QVERIFY2(title == wholeTitle, where.constData());
            }
        }
    }
};

} // namespace

std::unique_ptr<QObject> NewLargeTest()
{
    return std::make_unique<TLargeTest>();
}

#include "test_large.moc"

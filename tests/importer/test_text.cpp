// Dispatch by extension, titles, reading text files and the shared escaping.
#include "importer.h"
#include "importertests.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <unistd.h>

namespace {

// The bytes of a string literal, NUL bytes in it included.
template <size_t N> QByteArray Bytes(const char (&ALiteral)[N])
{
    return QByteArray(ALiteral, N - 1);
}

class TTextTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dispatchByExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        const QByteArray html = "<p>Hi</p>";
        QTest::newRow("upper-case HTML") << "Report.HTML" << html << "Report"
                                         << "<p>Hi</p>";
        QTest::newRow("htm") << "a.htm" << html << "a"
                             << "<p>Hi</p>";
        QTest::newRow("last extension only") << "Minutes.2024.html" << html << "Minutes.2024"
                                             << "<p>Hi</p>";
        QTest::newRow("xhtml is not imported") << "page.xhtml" << html << "page"
                                               << "";
        QTest::newRow("no extension") << "README" << html << "README"
                                      << "";
        QTest::newRow("md") << "n.md" << QByteArray("*x*") << "n"
                            << "<p><em>x</em></p>\r\n";
        QTest::newRow("txt read as Markdown") << "n.TXT" << QByteArray("a & b") << "n"
                                              << "<p>a &amp; b</p>\r\n";
        QTest::newRow("name is only the extension") << ".md" << QByteArray("text") << ""
                                                    << "<p>text</p>\r\n";
        QTest::newRow("Markdown in code page 1252")
            << "w.md" << QByteArray("# Caf\xe9\n\nna\xefve") << "Café"
            << "<h1>Café</h1>\r\n<p>naïve</p>\r\n";
        QTest::newRow("UTF-8 Markdown with one byte of code page 1252")
            << "u.md" << QByteArray("# Caf\xc3\xa9\n\nna\xefve \xd0\x9c\xd0\xb8\xd1\x80") << "Café"
            << "<h1>Café</h1>\r\n<p>naïve Мир</p>\r\n";
        // Control characters other than tab, CR and LF are dropped; a file with nothing
        // visible left gives nothing.
        QTest::newRow("a binary file named .md") << "bin.md"
                                                 << QByteArray("\x00\x01\x02\x1b\x7f\x00\n"
                                                               "\x0c\x00\xc2\x85\x00",
                                                               12)
                                                 << "bin"
                                                 << "";
        QTest::newRow("controls inside a text line") << "c.txt"
                                                     << QByteArray("a\x01"
                                                                   "b\x1b[0mc\td\x7f\xc2\x80!",
                                                                   14)
                                                     << "c"
                                                     << "<p>ab[0mc\td!</p>\r\n";
        QTest::newRow("a page of controls and empty elements")
            << "bin.html" << QByteArray("<p>\x01\x02</p>\x03<div> \x7f<!-- x --></div>", 33)
            << "bin"
            << "";
        QTest::newRow("controls inside a page's text") << "c.html"
                                                       << QByteArray("<p title=\"t\x01\">a\x02"
                                                                     "b</p>",
                                                                     21)
                                                       << "c"
                                                       << "<p title=\"t\">ab</p>";
        QTest::newRow("a page of an image only is kept")
            << "i.html" << QByteArray("<body><p><img src=\"a.png\"></p></body>") << "i"
            << "<p><img src=\"a.png\"></p>";
        QTest::newRow("rtf") << "r.Rtf" << QByteArray("{\\rtf1 Hello}") << "r"
                             << "<p>Hello</p>\r\n";
        QTest::newRow("pdf") << "d.pdf"
                             << QByteArray("%PDF-1.4\n1 0 obj\n<< /Length 13 >>\nstream\n"
                                           "BT (Hi) Tj ET\nendstream\nendobj\n")
                             << "d"
                             << "<p>Hi</p>\r\n";
        QTest::newRow("empty text file") << "e.txt" << QByteArray() << "e"
                                         << "";
    }

    // Files of other kinds named as text, pages or RTF: nothing is imported from them, while
    // text in UTF-16 (which holds NUL bytes) and a NUL byte beyond the first 8 KB still are.
    void binaryFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("body");
        const QByteArray png = Bytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\0\0\0\x10\x08\x06\0\0"
                                     "\0\x1f\xf3\xff"
                                     "a\0\0\0\x04sBIT|\x08"
                                     "d\x88 text after it");
        const QByteArray zip =
            Bytes("PK\x03\x04\x14\0\x06\0\x08\0\0\0!\0\xdf\xa4\xd2lZ\x01\0\0 \x05"
                  "\0\0\x13\0\x08\x02[Content_Types].xml word/document.xml");
        const QByteArray gzip = Bytes("\x1f\x8b\x08\x08\xa3\x1c\x8e"
                                      "e\0\x03notes.md\0\xcbH\xcd\xc9\xc9W("
                                      "\xcf/\xcaI\xe1\x02\0-;\x08\xaf\x0c\0\0\0");
        const QByteArray elf =
            Bytes("\x7f"
                  "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0\x01\0\0\0 GLIBC_2.34 main");
        const QByteArray exe = Bytes("MZ\x90\0\x03\0\0\0\x04\0\0\0\xff\xff\0\0\xb8\0\0\0\0\0\0\0@"
                                     "\0This program cannot be run in DOS mode.");
        QTest::newRow("an image named .txt") << "photo.txt" << png << "";
        QTest::newRow("a zip-based document named .md") << "report.md" << zip << "";
        QTest::newRow("a gzip file named .html") << "notes.html" << gzip << "";
        QTest::newRow("a program named .md") << "tool.md" << elf << "";
        QTest::newRow("a Windows program named .htm") << "setup.htm" << exe << "";
        QTest::newRow("a zip-based document named .rtf") << "letter.rtf" << zip << "";
        QTest::newRow("a gzip file named .rtf") << "letter.rtf" << gzip << "";
        QTest::newRow("text named .rtf") << "plain.rtf" << QByteArray("Dear reader,\n") << "";
        QTest::newRow("RTF after a blank") << "late.rtf" << QByteArray(" {\\rtf1 x}") << "";
        QTest::newRow("RTF in UTF-16")
            << "u.rtf" << QByteArray("\xff\xfe{\0\\\0r\0t\0f\0 \0x\0}\0", 16) << "<p>x</p>\r\n";
        QTest::newRow("text in UTF-16") << "u.txt" << Bytes("\xfe\xff\0a\0b") << "<p>ab</p>\r\n";
        QTest::newRow("a NUL byte beyond the first 8 KB")
            << "late.md" << QByteArray(8192, 'a') + QByteArray("\0b", 2)
            << "<p>" + QString(8192, u'a') + "b</p>\r\n";
        QTest::newRow("a NUL byte at the end of the first 8 KB")
            << "late.md" << QByteArray(8191, 'a') + QByteArray("\0b", 2) << "";
    }
    void binaryFiles()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, body);
        QTemporaryDir dir;
        QString title;
        QCOMPARE(ImportFileToHTML(WriteFile(dir, name, content), title), body);
        QCOMPARE(title, name.section(u'.', 0, 0));
    }
    void dispatchByExtension()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QTemporaryDir dir;
        const QString path = WriteFile(dir, name, content);
        QString gotTitle = QStringLiteral("unset");
        QCOMPARE(ImportFileToHTML(path, gotTitle), body);
        QCOMPARE(gotTitle, title);
    }

    void missingFileOrFolderGivesNothing()
    {
        QTemporaryDir dir;
        QString title;
        QCOMPARE(ImportFileToHTML(dir.filePath(QStringLiteral("gone.md")), title), QString());
        QCOMPARE(title, QStringLiteral("gone"));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.md")));
        QCOMPARE(ImportFileToHTML(dir.filePath(QStringLiteral("folder.md")), title), QString());
        QCOMPARE(title, QStringLiteral("folder"));
    }

    void unreadableFileRaises()
    {
        if (geteuid() == 0)
            QSKIP("file permissions do not bind the super-user");
        QTemporaryDir dir;
        const QString path = WriteFile(dir, QStringLiteral("locked.rtf"), "{\\rtf1 x}");
        QVERIFY(QFile::setPermissions(path, QFileDevice::Permissions()));
        QString title;
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ImportFileToHTML(path, title));
        QCOMPARE(title, QStringLiteral("locked"));
    }

    void importersRaiseForMissingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("none"));
        QString title;
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ImportHTML(path, title));
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ImportMarkdown(path, title));
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ImportRTF(path, title));
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ImportPDF(path, title));
        QVERIFY_THROWS_EXCEPTION(EImportFileError, ReadFileAsText(path));
    }

    void readFileAsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QByteArray() << QString();
        QTest::newRow("last line gets its break") << QByteArray("a") << QStringLiteral("a\r\n");
        QTest::newRow("mixed breaks")
            << QByteArray("a\nb\rc\r\nd\r\n") << QStringLiteral("a\r\nb\r\nc\r\nd\r\n");
        QTest::newRow("blank lines kept")
            << QByteArray("a\n\n\nb") << QStringLiteral("a\r\n\r\n\r\nb\r\n");
        QTest::newRow("LF CR is two breaks")
            << QByteArray("a\n\rb") << QStringLiteral("a\r\n\r\nb\r\n");
        QTest::newRow("UTF-8 without mark")
            << QByteArray("caf\xc3\xa9") << QStringLiteral("café\r\n");
        QTest::newRow("UTF-8 mark dropped")
            << QByteArray("\xef\xbb\xbf\xc3\xa9") << QStringLiteral("é\r\n");
        QTest::newRow("UTF-16 LE") << QByteArray("\xff\xfe"
                                                 "a\0\xe9\0\n\0",
                                                 8)
                                   << QStringLiteral("aé\r\n");
        QTest::newRow("UTF-16 BE")
            << QByteArray("\xfe\xff\0a\0\xe9", 6) << QStringLiteral("aé\r\n");
        QTest::newRow("not UTF-8: code page 1252") << QByteArray("Caf\xe9 \x80\x93q\x94 a\xff"
                                                                 "b")
                                                   << QStringLiteral("Café €“q” aÿb\r\n");
        // UTF-8 with bytes that are not: each well-formed sequence is UTF-8, each other byte
        // code page 1252.
        QTest::newRow("UTF-8 with one byte of code page 1252")
            << QByteArray("na\xefve caf\xc3\xa9 \xd0\x9f\xd1\x80 \xe6\x97\xa5 \xf0\x9f\x98\x80\x93")
            << QStringLiteral("na\u00efve caf\u00e9 \u041f\u0440 \u65e5 \U0001F600\u201c\r\n");
        QTest::newRow("the only sequence starts with C2")
            << QByteArray("\xc2\xa9 caf\xe9") << QStringLiteral("\u00a9 caf\u00e9\r\n");
        QTest::newRow("a sequence cut short is read byte by byte")
            << QByteArray("\xe2\x82 \xe2\x82\xac \xc3")
            << QStringLiteral("\u00e2\u201a \u20ac \u00c3\r\n");
        QTest::newRow("overlong and surrogate forms are not UTF-8")
            << QByteArray("\xc0\xaf \xed\xa0\x80 \xf4\x90\x80\x80 \xc3\xa9")
            << QStringLiteral("\u00c0\u00af \u00ed\u00a0\u20ac \u00f4\u20ac\u20ac \u00e9\r\n");
        QTest::newRow("unpaired surrogate in UTF-16") << QByteArray("\xff\xfe\x3d\xd8"
                                                                    "a\0",
                                                                    6)
                                                      << QStringLiteral("\uFFFDa\r\n");
        QTest::newRow("odd last byte of UTF-16") << QByteArray("\xff\xfe"
                                                               "a\0b",
                                                               5)
                                                 << QStringLiteral("a\uFFFD\r\n");
    }
    void readFileAsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString got = ReadFileAsText(WriteFile(dir, QStringLiteral("t.txt"), bytes));
        QCOMPARE(got, text);
        QVERIFY(IsValidUTF8(got));
    }

    // A page that is not UTF-8 is read in the character set its meta element names, else in
    // code page 1252; its title as well as its body.
    void pageEncodings_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("no charset named: code page 1252")
            << QByteArray("<html><head><title>Caf\xe9</title></head><body><p>cr\xe8me \x80 "
                          "\x93q\x94</p></body></html>")
            << "Café"
            << "<p>crème € “q”</p>";
        QTest::newRow("meta charset")
            << QByteArray("<head><meta charset=\"windows-1251\"><title>\xcf\xf0\xe8</title>"
                          "</head><body>\xe4\xe0</body>")
            << "При"
            << "да";
        QTest::newRow("http-equiv content type")
            << QByteArray(
                   "<head><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; "
                   "charset=KOI8-R\"><title>\xed\xc9\xd2</title></head><body>\xc4\xc1</body>")
            << "Мир"
            << "да";
        QTest::newRow("Latin 1 is read as code page 1252")
            << QByteArray("<meta charset='iso-8859-1'><body>\x93q\x94</body>") << "p"
            << "“q”";
        QTest::newRow("an unknown charset gives code page 1252")
            << QByteArray("<meta charset=x-nonsense><body>\xe9</body>") << "p"
            << "é";
        QTest::newRow("well-formed UTF-8 is UTF-8 whatever the page says")
            << QByteArray("<meta charset=windows-1251><body>caf\xc3\xa9</body>") << "p"
            << "café";
        QTest::newRow("a meta element after the first 4 KB is not read")
            << QByteArray("<!--") + QByteArray(4100, 'x') +
                   QByteArray("--><meta charset=windows-1251><body>\xe4</body>")
            << "p"
            << "ä";
        QTest::newRow("UTF-8 with one byte that is not, no charset named")
            << QByteArray("<title>Caf\xc3\xa9</title><body>na\xefve \xe2\x80\x94</body>") << "Café"
            << "naïve —";
        QTest::newRow("a charset named comes before mixed UTF-8")
            << QByteArray("<meta charset=windows-1251><body>\xd0\x9f \xe4</body>") << "p"
            << "Рџ д";
        // An element of the body (as metadata is) starts the body: the body tag after it is
        // none of its own.
        QTest::newRow("metadata is not a meta element")
            << QByteArray("<metadata charset=windows-1251><body>\xe4</body>") << "p"
            << "<metadata charset=windows-1251>ä";
    }
    void pageEncodings()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, title);
        QFETCH(QString, body);
        QTemporaryDir dir;
        QString gotTitle;
        QCOMPARE(ImportHTML(WriteFile(dir, QStringLiteral("p.html"), page), gotTitle), body);
        QCOMPARE(gotTitle, title);
    }

    void escapeHTML()
    {
        QCOMPARE(EscapeHTML(QStringLiteral("&amp; <a href=\"x\">it's</a>")),
                 QStringLiteral("&amp;amp; &lt;a href=&quot;x&quot;&gt;it's&lt;/a&gt;"));
        QCOMPARE(EscapeHTML(QString()), QString());
    }
};

} // namespace

std::unique_ptr<QObject> NewTextTest()
{
    return std::make_unique<TTextTest>();
}

#include "test_text.moc"

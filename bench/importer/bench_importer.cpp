// Times the importer: a folder of 1,000 Markdown files imported as a notebook into a real
// store, a 10 MiB PDF scan (pages written plainly and compressed) and a 5 MB RTF conversion against
// their targets, 50 MB of Markdown, HTML and RTF (and of texts whose lines are longer than the
// importer's pieces) each imported in a fresh process of its own (time and peak memory against
// their targets), and every format at 1 MB and 10 MB to show that the time grows linearly with the
// size.
#include "../benchutil.h"
#include "database.h"
#include "importer.h"

#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

void Write(const QString& APath, const QByteArray& AData)
{
    QFile f(APath);
    if (!f.open(QIODevice::WriteOnly) || f.write(AData) != AData.size())
        qFatal("cannot write %s", qPrintable(APath));
}

using benchutil::MedianMs;

void Row(const char* AWhat, double AMs, double ATargetMs)
{
    if (ATargetMs > 0)
        std::printf("%-44s %10.1f ms   target %6.0f ms   %s\n", AWhat, AMs, ATargetMs,
                    AMs <= ATargetMs ? "ok" : "SLOW");
    else
        std::printf("%-44s %10.1f ms\n", AWhat, AMs);
    std::fflush(stdout);
}

// Repeats ABlock up to ASize bytes.
QByteArray Fill(const QByteArray& ABlock, qsizetype ASize)
{
    QByteArray out;
    out.reserve(ASize + ABlock.size());
    while (out.size() < ASize)
        out += ABlock;
    out.truncate(ASize);
    return out;
}

QByteArray MarkdownNote(int ANumber)
{
    QByteArray s = "# Note " + QByteArray::number(ANumber) + "\n\n";
    while (s.size() < 5000)
        s += "Some *emphasis*, a **strong** word, `code` and a [link](https://example.com/x) "
             "in a line of text.\n- a list item with __underscores__\n1. a numbered item\n\n";
    return s.left(5120);
}

QByteArray PDFSample()
{
    // Text objects between stretches of binary stream data, as in a real file.
    QByteArray text = "BT /F1 11 Tf 72 700 Td (A line of text with \\(parens\\) and caf\\351) Tj "
                      "0 -14 Td [(Ker) 20 (ning) -250 (array)] TJ (next line) ' ET\n";
    QByteArray binary;
    for (int k = 0; k < 4000; ++k)
        binary += char((k * 7919 + 13) % 251);
    return text + "stream\n" + binary + "\nendstream\n";
}

// A PDF file of about ASize bytes: pages whose content streams (compressed with AFlate) show the
// text of PDFSample, each with an image of the sample's binary data.
QByteArray PDFFileOf(qsizetype ASize, bool AFlate)
{
    const QByteArray sample = PDFSample();
    const QByteArray content = sample.left(sample.indexOf("stream\n"));
    const QByteArray image = sample.mid(sample.indexOf("stream\n") + 7).chopped(11);
    const QByteArray data = AFlate ? qCompress(content).mid(4) : content;
    const QByteArray filter = AFlate ? " /Filter /FlateDecode" : "";
    QByteArray out =
        "%PDF-1.4\n%\xc7\xec\x8f\xa2\n1 0 obj\n<< /Type /Catalog /Pages 2 0 R >>\nendobj\n";
    QByteArray kids;
    int num = 3, pages = 0;
    const QByteArray font = "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding "
                            "/WinAnsiEncoding >>";
    out += "3 0 obj\n" + font + "\nendobj\n";
    ++num;
    while (out.size() < ASize - 200) {
        const QByteArray page = QByteArray::number(num);
        const QByteArray stream = QByteArray::number(num + 1);
        const QByteArray picture = QByteArray::number(num + 2);
        kids += page + " 0 R ";
        out += page + " 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents " +
               stream + " 0 R /Resources << /Font << /F1 3 0 R >> /XObject << /Im0 " + picture +
               " 0 R >> >> >>\nendobj\n";
        out += stream + " 0 obj\n<< /Length " + QByteArray::number(data.size()) + filter +
               " >>\nstream\n" + data + "\nendstream\nendobj\n";
        out += picture +
               " 0 obj\n<< /Type /XObject /Subtype /Image /Width 40 /Height 100 "
               "/BitsPerComponent 8 /ColorSpace /DeviceGray /Length " +
               QByteArray::number(image.size()) + " >>\nstream\n" + image + "\nendstream\nendobj\n";
        num += 3;
        ++pages;
    }
    out += "2 0 obj\n<< /Type /Pages /Count " + QByteArray::number(pages) + " /Kids [" + kids +
           "] >>\nendobj\ntrailer\n<< /Root 1 0 R >>\n%%EOF\n";
    return out;
}

// ASample repeated up to ASize bytes as a file of extension AExt: an RTF file begins with the
// header that every RTF file has.
QByteArray FileOf(const char* AExt, const QByteArray& ASample, qsizetype ASize)
{
    if (qstrcmp(AExt, "pdf") == 0)
        return PDFFileOf(ASize, false);
    const QByteArray head = qstrcmp(AExt, "rtf") == 0 ? "{\\rtf1\\ansi\\ansicpg1252\\uc1 " : "";
    return head + Fill(ASample, ASize - head.size());
}

QByteArray RTFSample()
{
    return "{\\pard\\plain \\ltrpar\\ql \\li0\\ri0\\sa160\\sl259\\slmult1 {\\rtlch\\fcs1 \\af31507 "
           "\\ltrch\\fcs0 \\insrsid6059263 The client\\rquote s representative, Fran\\'e7ois "
           "M\\'fcller, confirmed the d\\'e9j\\'e0 vu clause \\u8220\\'93quoted\\u8221\\'94.}"
           "{\\field{\\*\\fldinst HYPERLINK \"https://example.com\"}{\\fldrslt link}}\\par }\r\n";
}

QByteArray HTMLSample()
{
    return "<div class=\"c\" onclick=\"go()\"><p style=\"color:red\">Text &amp; more <a "
           "href=\"javascript:x\">link</a> <img src=\"a.png\" onerror=\"x()\" alt=i></p>"
           "<script>var a = 1 < 2;</script><!-- comment --><iframe src=x></iframe></div>\n";
}

QByteArray MarkdownSample()
{
    return "## Heading\nA line with *emphasis* and **strong** and `code` and [a](b) [[[ ]\n"
           "- item with 2*3*4\n1. numbered\n> quote\n\n```\ncode <line>\n```\n\n";
}

// A figure of /proc/self/status in kB (VmHWM: the peak resident size so far), -1 if unknown.
long long StatusKB(const char* AField)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(AField) + ':';
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// The child's part of the large-file figures: imports APath once and prints the time in ms
// and the growth of the peak resident size in kB.
int ImportOnce(const QString& APath)
{
    const long long before = StatusKB("VmHWM");
    QElapsedTimer t;
    t.start();
    QString title;
    const QString body = ImportFileToHTML(APath, title);
    const double ms = double(t.nsecsElapsed()) / 1e6;
    const long long after = StatusKB("VmHWM");
    if (body.isEmpty())
        qFatal("nothing imported from %s", qPrintable(APath));
    std::printf("%.1f %lld\n", ms, before < 0 || after < 0 ? -1 : after - before);
    return 0;
}

// Imports each 50 MB file in fresh processes (so that the peak resident size is this import's
// alone) and prints the median time and the largest peak growth as a multiple of the size.
struct TLargeFile
{
    const char* Name;
    const char* Ext;
    QByteArray Sample;
};

void LargeFiles(const QTemporaryDir& ADir, const std::vector<TLargeFile>& AFiles)
{
    const qsizetype size = 50000000;
    const int runs = 3;
    for (const auto& [name, ext, sample] : AFiles) {
        const QString path = ADir.filePath(QStringLiteral("large.%1").arg(QLatin1String(ext)));
        Write(path, FileOf(ext, sample, size));
        std::vector<double> times;
        long long peakKB = 0;
        for (int k = 0; k < runs; ++k) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--import-once"), path});
            if (!child.waitForFinished(120000) || child.exitCode() != 0)
                qFatal("the import of %s failed", qPrintable(path));
            const QList<QByteArray> figures = child.readAllStandardOutput().trimmed().split(' ');
            times.push_back(figures.value(0).toDouble());
            peakKB = std::max(peakKB, figures.value(1).toLongLong());
        }
        const double factor = double(peakKB) * 1024 / double(size);
        char what[64];
        std::snprintf(what, sizeof what, "%s, 50 MB (fresh process)", name);
        Row(what, benchutil::Median(times), 1500);
        std::printf("  peak memory growth %8.1f MB = %4.1f x size   target   6.0 x   %s\n",
                    double(peakKB) / 1024, factor, peakKB >= 0 && factor <= 6 ? "ok" : "HIGH");
        std::fflush(stdout);
        QFile::remove(path);
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--import-once")
        return ImportOnce(QString::fromLocal8Bit(argv[2]));
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    // Folder import: notebook, then every supported file in order, stored with its index.
    const QString folder = dir.filePath(QStringLiteral("Case files"));
    QDir().mkpath(folder);
    for (int k = 0; k < 1000; ++k)
        Write(folder + QStringLiteral("/note-%1.md").arg(k, 4, 10, QChar(u'0')), MarkdownNote(k));
    {
        TDatabase db(dir.filePath(QStringLiteral("quorvel.db")));
        QElapsedTimer t;
        t.start();
        QStringList paths;
        const QStringList exts = {QStringLiteral(".html"), QStringLiteral(".htm"),
                                  QStringLiteral(".md"),   QStringLiteral(".txt"),
                                  QStringLiteral(".rtf"),  QStringLiteral(".pdf")};
        for (const QString& name :
             QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            const qsizetype dot = name.lastIndexOf(u'.');
            if (dot >= 0 && exts.contains(name.mid(dot).toLower()))
                paths << folder + u'/' + name;
        }
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(paths.begin(), paths.end(), collator);
        const int64_t nb = db.CreateNotebook(QStringLiteral("Case files"), 0);
        int imported = 0;
        qint64 convertNs = 0;
        for (const QString& path : paths) {
            QString title;
            QElapsedTimer c;
            c.start();
            const QString body = ImportFileToHTML(path, title);
            convertNs += c.nsecsElapsed();
            if (body.isEmpty())
                continue;
            db.CreateNoteWithBody(nb, title, QString(), body);
            ++imported;
        }
        const double ms = double(t.nsecsElapsed()) / 1e6;
        if (imported != 1000)
            qFatal("imported %d notes", imported);
        Row("folder of 1,000 Markdown files (5 KB)", ms, 1500);
        Row("  of which reading and converting", double(convertNs) / 1e6, 0);
        Row("  of which storing (1,000 committed writes)", ms - double(convertNs) / 1e6, 0);
    }

    const QString pdf = dir.filePath(QStringLiteral("big.pdf"));
    Write(pdf, PDFFileOf(10485760, false));
    Row("PDF scan, 10 MiB",
        MedianMs(5,
                 [&] {
                     QString title;
                     (void)ImportPDF(pdf, title);
                 }),
        100);
    Write(pdf, PDFFileOf(10485760, true));
    Row("PDF scan, 10 MiB, compressed pages",
        MedianMs(5,
                 [&] {
                     QString title;
                     (void)ImportPDF(pdf, title);
                 }),
        100);

    const QString rtf = dir.filePath(QStringLiteral("big.rtf"));
    Write(rtf, "{\\rtf1\\ansi\\ansicpg1252\\uc1 " + Fill(RTFSample(), 5000000) + "}");
    Row("RTF conversion, 5 MB",
        MedianMs(5,
                 [&] {
                     QString title;
                     (void)ImportRTF(rtf, title);
                 }),
        200);

    // Also texts whose lines are longer than a piece: one line, lines ended by carriage
    // returns alone (no line feed at all), and a line without an ASCII byte; and a list that
    // never has a blank line.
    LargeFiles(dir,
               {{"md import", "md", MarkdownSample()},
                {"html import", "html", HTMLSample()},
                {"rtf import", "rtf", RTFSample()},
                {"md in one line", "md", "Some *emphasis* and `code` in a line "},
                {"txt with CR line ends", "txt", "A line of text, ended the old way.\r"},
                {"txt without ASCII", "txt", "\xc3\xa9\xc3\xb1"},
                {"md list without blank lines", "md", "- an item with *emphasis* and text\n"}});

    // Linear growth: ten times the input should take about ten times as long.
    struct TFormat
    {
        const char* Name;
        const char* Ext;
        QByteArray Sample;
    };
    const TFormat formats[] = {{"HTML", "html", HTMLSample()},
                               {"Markdown", "md", MarkdownSample()},
                               {"RTF", "rtf", RTFSample()},
                               {"PDF", "pdf", PDFSample()}};
    for (const TFormat& f : formats) {
        double ms[2];
        const qsizetype sizes[2] = {1000000, 10000000};
        for (int k = 0; k < 2; ++k) {
            const QString path = dir.filePath(QStringLiteral("linear-%1.%2").arg(k).arg(f.Ext));
            Write(path, FileOf(f.Ext, f.Sample, sizes[k]));
            ms[k] = MedianMs(3, [&] {
                QString title;
                (void)ImportFileToHTML(path, title);
            });
        }
        std::printf("%-10s 1 MB %8.1f ms   10 MB %8.1f ms   ratio %5.1f\n", f.Name, ms[0], ms[1],
                    ms[1] / ms[0]);
    }
    return 0;
}

// Markdown import: no crash, valid UTF-8; and a text read in pieces of a few bytes (from memory
// and from a file) gives what the whole text gives at once.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {

// One file per fuzzing process, written again for every input.
const QString& FuzzFile()
{
    static const QString path = [] {
        const QString p =
            QDir::tempPath() +
            QStringLiteral("/fuzz_markdown_%1.md").arg(QCoreApplication::applicationPid());
        std::atexit([] { QFile::remove(FuzzFile()); });
        return p;
    }();
    return path;
}

void Require(bool ATrue, const char* AWhat)
{
    if (!ATrue) {
        std::fprintf(stderr, "%s\n", AWhat);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const QByteArray bytes = FuzzBytes(AData, ASize);
    const QString text = importer::DecodeText(bytes);
    QString title = QStringLiteral("fuzz");
    const QString body = importer::ConvertMarkdown(importer::SplitLines(text), title);
    RequireUTF8(body, "body");
    RequireUTF8(title, "title");

    const qsizetype pieceBytes = 1 + qsizetype(ASize % 7);
    importer::TDecodedPieces pieces(bytes, pieceBytes);
    QString joined, piece;
    while (pieces.Next(piece))
        joined += piece;
    Require(joined == importer::DecodeBytes(bytes), "pieces decode otherwise than the whole text");

    QFile f(FuzzFile());
    Require(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size(),
            "cannot write the input file");
    f.close();
    // The file's title is its name until a heading gives one.
    QString fileTitle;
    const QString fileBody = importer::ImportMarkdownFile(FuzzFile(), fileTitle, pieceBytes);
    QString wholeTitle = importer::FileTitle(FuzzFile());
    Require(fileBody == importer::ConvertMarkdown(importer::SplitLines(text), wholeTitle) &&
                fileTitle == wholeTitle,
            "the file read in pieces converts otherwise than its whole text");
    return 0;
}

// Inside the importer: the converters on text already read, and the small helpers they
// share. Tests and fuzz targets use these to work without files.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QStringView>

namespace importer {

// True for the characters that trimming removes: blanks and controls (code <= 32).
inline bool IsBlankOrCtl(QChar c)
{
    return c.unicode() <= 32;
}
QString TrimCtl(QStringView S);
QStringView TrimCtlView(QStringView S);
QStringView TrimLeftCtl(QStringView S);

inline char16_t LowerASCII(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
}
// The value of a hexadecimal digit, or -1 when c is not one.
inline int HexValue(char32_t c)
{
    if (c >= U'0' && c <= U'9')
        return int(c - U'0');
    if (c >= U'a' && c <= U'f')
        return int(c - U'a' + 10);
    if (c >= U'A' && c <= U'F')
        return int(c - U'A' + 10);
    return -1;
}
// Position of ANeedle in AHay from AFrom, ASCII letters compared without case; -1 if none.
qsizetype IndexOfCI(QStringView AHay, QStringView ANeedle, qsizetype AFrom);
bool StartsWithCI(QStringView AHay, qsizetype APos, QStringView ANeedle);

// File name without folder and without its last extension; and that extension, lower-cased.
QString FileTitle(const QString& APath);
QString FileExtension(const QString& APath);

// Reads at most AMaxBytes (all when negative); raises EImportFileError on failure.
QByteArray ReadFileBytes(const QString& APath, qint64 AMaxBytes = -1);
// The text of a file's bytes: a byte-order mark selects UTF-8 or UTF-16; otherwise bytes that
// are well-formed UTF-8 are read as UTF-8, and any others in the character set that a page's
// meta element names in its first 4 KB (with AHtml), or else as mixed text: each well-formed
// UTF-8 sequence as UTF-8 and every other byte in code page 1252 (which reads a file without
// any such sequence wholly in code page 1252).
QString DecodeBytes(const QByteArray& ABytes, bool AHtml = false);
// How the bytes of a text file are read.
enum class ETextEncoding
{
    teUtf8,
    teUtf16LE,
    teUtf16BE,
    teCp1252,
    teMixed // well-formed UTF-8 sequences as UTF-8, the other bytes in code page 1252
};
// The length of the well-formed UTF-8 sequence of two to four bytes at AData (of ASize bytes
// at most), 0 when there is none there.
qsizetype Utf8SequenceAt(const unsigned char* AData, qsizetype ASize);
// The encoding of bytes without a byte-order mark: UTF-8 when they are well-formed UTF-8,
// mixed when they hold at least one multi-byte UTF-8 sequence, else code page 1252.
ETextEncoding EncodingOfBytes(QByteArrayView ABytes);

// Pieces of a text hold about this many bytes; they end after a line feed, which is never part
// of another character in these encodings, so that no character and no line is split.
constexpr qsizetype PieceBytes = 1 << 20;

// DecodeBytes without a meta element, a piece at a time, so that a large file's text need not
// be held whole: each piece ends after a line feed or at the end, and the pieces together are
// DecodeBytes(ABytes). ABytes must outlive the reader. APieceBytes is only ever changed by
// tests, to put many piece ends into a small text.
class TDecodedPieces
{
public:
    explicit TDecodedPieces(const QByteArray& ABytes, qsizetype APieceBytes = PieceBytes);
    // The next piece; false at the end.
    bool Next(QString& APiece);
    bool AtEnd() const { return FPos >= FBytes.size(); }
    // Whether the bytes are read wholly as UTF-8 or UTF-16 (else in code page 1252, or mixed).
    bool IsUnicode() const
    {
        return FEncoding != ETextEncoding::teCp1252 && FEncoding != ETextEncoding::teMixed;
    }

private:
    const QByteArray& FBytes;
    const qsizetype FPieceBytes;
    ETextEncoding FEncoding;
    qsizetype FPos = 0;
    QStringDecoder FUtf8{QStringDecoder::Utf8};
};

// The same pieces read from a file a block at a time, so that not even the file's bytes are
// held whole (a file without a byte-order mark is read twice: once to tell UTF-8 from mixed
// text and code page 1252). Raises EImportFileError as ReadFileBytes does, and also when the file
// changes between the two readings (another length, or no longer UTF-8), so that it is never read
// half one way and half another.
class TFilePieces
{
public:
    explicit TFilePieces(const QString& APath, qsizetype APieceBytes = PieceBytes);
    bool Next(QString& APiece);
    qint64 FileSize() const { return FSize; }

private:
    // Appends up to one block of the file to ABuffer; sets FEof at the end of the file.
    void ReadBlock(QByteArray& ABuffer);
    // Where the last line feed of FPending ends, looking only at what was not looked at
    // before; 0 when there is none.
    qsizetype LastLineEnd();
    [[noreturn]] void ReadError();
    [[noreturn]] void ChangedError();

    QFile FFile;
    QString FPath;
    const qsizetype FPieceBytes;
    qint64 FSize = 0;
    qint64 FRead = 0;        // bytes read so far in this reading of the file
    qint64 FChecked = -1;    // bytes the first reading found, which the second must find again
    QByteArray FPending;     // read and not yet decoded
    qsizetype FSearched = 0; // FPending[0, FSearched) holds no line feed
    bool FEof = false;
    ETextEncoding FEncoding = ETextEncoding::teUtf8;
    QStringDecoder FUtf8{QStringDecoder::Utf8};
};

// How many of a file's first bytes HoldsBinary looks at.
constexpr qsizetype BinaryProbeBytes = 8192;
// Whether a file whose first bytes are AHead is not text: they hold a NUL byte and do not
// start with a UTF-16 byte-order mark.
bool HoldsBinary(QByteArrayView AHead);
// Whether the bytes of an RTF file begin with "{\rtf" (after a byte-order mark, if any).
bool IsRTFHeader(const QByteArray& ABytes);

// DecodeBytes with every line ending in CR + LF, as ReadFileAsText reads a file.
QString DecodeText(const QByteArray& ABytes, bool AHtml = false);
// Ends every line of AText with CR + LF (a lone CR or LF becomes CR + LF, and an unended last
// line gets one), in place.
void EndLinesWithCRLF(QString& AText);
// The lines of a text (split at CR, LF or CR + LF; a final break adds no empty line).
QStringList SplitLines(QStringView AText);
// The line of AText that starts at APos, as SplitLines reads it; moves APos past its break.
// Returns where the line starts, or -1 (ALine untouched) when APos is at the end.
qsizetype NextLine(QStringView AText, qsizetype& APos, QStringView& ALine);

// One "<p>" + escaped line + "</p>" for each line of APlain that is not empty once trimmed,
// each followed by CR + LF; "" when there is none.
QString TextParagraphs(QStringView APlain);
// Appends the paragraph of one such line to AOut (nothing when it is empty once trimmed).
void AppendParagraph(QStringView ALine, QString& AOut);
// Appends S with & < > and the double quote replaced by their entities, as EscapeHTML.
void AppendEscaped(QStringView S, QString& AOut);

// The character of byte AByte in code page 1252 (Windows Latin 1), 0 where it has none.
char16_t Cp1252Char(unsigned char AByte);

// Whether an attribute value is a javascript:, vbscript: or data: address as a browser reads
// it (character references decoded, blanks and controls ignored); with AAnywhere, whether
// such an address appears anywhere in it.
bool IsScriptAddress(QStringView AValue, bool AAnywhere);

QString ConvertHTML(const QString& ARaw, QString& ATitle);
// ConvertHTML working on AText itself, so that a large page is not copied.
QString ConvertHTMLText(QString&& AText, QString& ATitle);
QString ConvertMarkdown(const QStringList& ALines, QString& ATitle);
// ImportMarkdown reading the file in pieces of about APieceBytes.
QString ImportMarkdownFile(const QString& APath, QString& ATitle, qsizetype APieceBytes);
QString ConvertRTF(const QByteArray& ARaw);
// The text of a PDF file's bytes: "" when they are not a PDF file (no "%PDF-" header in the
// first 1,024 bytes, or no object that can be read), the notice paragraph when it is one without
// text that can be read.
QString ConvertPDF(const QByteArray& ARaw);
// The text that one content stream shows, read without the file's fonts; the notice paragraph
// when it shows none.
QString ConvertPDFContent(const QByteArray& AContent);

// Readers of one PDF string at APos (on its "(" or "<"); leave APos after it.
QString ReadQuoted(const QByteArray& ARaw, qsizetype& APos);
QString ReadHex(const QByteArray& ARaw, qsizetype& APos);

} // namespace importer

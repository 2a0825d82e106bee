// Dispatch by extension and the text routines the importers share.
#include "importer.h"
#include "importer_p.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>

EImportFileError::EImportFileError(const QString& AMessage)
    : std::runtime_error(AMessage.toStdString())
{}

namespace importer {

QStringView TrimCtlView(QStringView S)
{
    qsizetype b = 0, e = S.size();
    while (b < e && IsBlankOrCtl(S[b]))
        ++b;
    while (e > b && IsBlankOrCtl(S[e - 1]))
        --e;
    return S.mid(b, e - b);
}

QString TrimCtl(QStringView S)
{
    return TrimCtlView(S).toString();
}

QStringView TrimLeftCtl(QStringView S)
{
    qsizetype b = 0;
    while (b < S.size() && IsBlankOrCtl(S[b]))
        ++b;
    return S.mid(b);
}

bool StartsWithCI(QStringView AHay, qsizetype APos, QStringView ANeedle)
{
    if (APos < 0 || AHay.size() - APos < ANeedle.size())
        return false;
    for (qsizetype k = 0; k < ANeedle.size(); ++k) {
        if (LowerASCII(AHay[APos + k].unicode()) != LowerASCII(ANeedle[k].unicode()))
            return false;
    }
    return true;
}

qsizetype IndexOfCI(QStringView AHay, QStringView ANeedle, qsizetype AFrom)
{
    if (ANeedle.isEmpty())
        return AFrom <= AHay.size() ? AFrom : -1;
    const char16_t first = LowerASCII(ANeedle[0].unicode());
    const qsizetype last = AHay.size() - ANeedle.size();
    const QChar* h = AHay.data();
    if (first < u'a' || first > u'z') {
        // A first character without case (such as "<") is found by the fast search.
        for (qsizetype i = qMax<qsizetype>(AFrom, 0); i <= last; ++i) {
            i = AHay.indexOf(QChar(first), i);
            if (i < 0 || i > last)
                return -1;
            if (StartsWithCI(AHay, i, ANeedle))
                return i;
        }
        return -1;
    }
    for (qsizetype i = qMax<qsizetype>(AFrom, 0); i <= last; ++i) {
        if (LowerASCII(h[i].unicode()) == first && StartsWithCI(AHay, i, ANeedle))
            return i;
    }
    return -1;
}

static QString FileName(const QString& APath)
{
    return APath.mid(APath.lastIndexOf(u'/') + 1);
}

QString FileTitle(const QString& APath)
{
    const QString name = FileName(APath);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot >= 0 ? name.left(dot) : name;
}

QString FileExtension(const QString& APath)
{
    const QString name = FileName(APath);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    QString ext = name.mid(dot);
    for (QChar& c : ext)
        c = QChar(LowerASCII(c.unicode()));
    return ext;
}

QByteArray ReadFileBytes(const QString& APath, qint64 AMaxBytes)
{
    QFile f(APath);
    if (!f.open(QIODevice::ReadOnly))
        throw EImportFileError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(APath, f.errorString()));
    QByteArray data = AMaxBytes < 0 ? f.readAll() : f.read(AMaxBytes);
    if (f.error() != QFileDevice::NoError)
        throw EImportFileError(
            QStringLiteral("Cannot read file \"%1\": %2").arg(APath, f.errorString()));
    return data;
}

// Replaces unpaired surrogates, which have no UTF-8 form, by U+FFFD.
static void MendSurrogates(QString& S)
{
    const qsizetype n = S.size();
    const QChar* p = S.constData();
    qsizetype i = 0;
    while (i < n && !p[i].isSurrogate())
        ++i;
    if (i == n)
        return;
    QChar* w = S.data();
    for (; i < n; ++i) {
        if (w[i].isHighSurrogate() && i + 1 < n && w[i + 1].isLowSurrogate())
            ++i;
        else if (w[i].isSurrogate())
            w[i] = QChar(QChar::ReplacementCharacter);
    }
}

// Removes the control characters other than tab, carriage return and line feed (C0, DEL and
// C1), in place: they show nothing, and a binary file would bring millions of them.
static void DropControls(QString& S)
{
    auto isControl = [](char16_t c) {
        return (c < 0x20 && c != u'\t' && c != u'\r' && c != u'\n') || (c >= 0x7F && c < 0xA0);
    };
    const qsizetype n = S.size();
    const QChar* p = S.constData();
    qsizetype i = 0;
    while (i < n && !isControl(p[i].unicode()))
        ++i;
    if (i == n)
        return;
    QChar* w = S.data();
    qsizetype k = i;
    for (; i < n; ++i) {
        if (!isControl(w[i].unicode()))
            w[k++] = w[i];
    }
    S.truncate(k);
}

// The UTF-16 units of AData[0, ASize); an odd last byte stands for U+FFFD.
static QString DecodeUtf16(const char* AData, qsizetype ASize, bool ABigEndian)
{
    const auto* b = reinterpret_cast<const unsigned char*>(AData);
    QString s((ASize + 1) / 2, Qt::Uninitialized);
    QChar* w = s.data();
    qsizetype i = 0;
    for (; i + 1 < ASize; i += 2)
        *w++ = QChar(ABigEndian ? char16_t(b[i] << 8 | b[i + 1]) : char16_t(b[i + 1] << 8 | b[i]));
    if (i < ASize)
        *w = QChar(QChar::ReplacementCharacter);
    return s;
}

namespace {

QString DecodeCp1252(const char* AData, qsizetype ASize)
{
    QString s(ASize, Qt::Uninitialized);
    QChar* w = s.data();
    for (qsizetype k = 0; k < ASize; ++k) {
        const auto b = static_cast<unsigned char>(AData[k]);
        const char16_t c = Cp1252Char(b);
        // The five bytes the code page leaves undefined stand for the controls of their value.
        w[k] = QChar(c != 0 || b == 0 ? c : char16_t(b));
    }
    return s;
}

// Each well-formed UTF-8 sequence of AData[0, ASize) as UTF-8, every other byte as
// DecodeCp1252 reads it.
QString DecodeMixed(const char* AData, qsizetype ASize)
{
    const auto* b = reinterpret_cast<const unsigned char*>(AData);
    QString s(ASize, Qt::Uninitialized);
    QChar* w = s.data();
    qsizetype k = 0;
    while (k < ASize) {
        const unsigned char c = b[k];
        if (c < 0x80) {
            *w++ = QChar(char16_t(c));
            ++k;
            continue;
        }
        const qsizetype len = Utf8SequenceAt(b + k, ASize - k);
        if (len == 0) {
            const char16_t x = Cp1252Char(c);
            *w++ = QChar(x != 0 ? x : char16_t(c));
            ++k;
            continue;
        }
        char32_t u = c & (0x7F >> len);
        for (qsizetype j = 1; j < len; ++j)
            u = u << 6 | (b[k + j] & 0x3F);
        if (u >= 0x10000) {
            *w++ = QChar(QChar::highSurrogate(u));
            *w++ = QChar(QChar::lowSurrogate(u));
        } else {
            *w++ = QChar(char16_t(u));
        }
        k += len;
    }
    s.truncate(w - s.constData());
    return s;
}

bool IsLabelChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' ||
           c == ':';
}

// The character set a meta element names in the first 4 KB of a page (its charset attribute,
// or the charset of an http-equiv content type), lower-cased; "" when there is none.
QByteArray MetaCharset(const QByteArray& ABytes)
{
    const QByteArray head = ABytes.left(4096).toLower();
    qsizetype p = 0;
    while ((p = head.indexOf("<meta", p)) >= 0) {
        p += 5;
        if (p < head.size() && head[p] != ' ' && head[p] != '\t' && head[p] != '\n' &&
            head[p] != '\r' && head[p] != '\f' && head[p] != '/')
            continue; // another element whose name starts so
        const qsizetype end = head.indexOf('>', p);
        const QByteArray tag = head.mid(p, end < 0 ? -1 : end - p);
        qsizetype c = 0;
        while ((c = tag.indexOf("charset", c)) >= 0) {
            c += 7;
            qsizetype k = c;
            while (k < tag.size() && (tag[k] == ' ' || tag[k] == '\t' || tag[k] == '\n' ||
                                      tag[k] == '\r' || tag[k] == '\f'))
                ++k;
            if (k >= tag.size() || tag[k] != '=')
                continue;
            ++k;
            while (k < tag.size() && (tag[k] == ' ' || tag[k] == '"' || tag[k] == '\'' ||
                                      tag[k] == '\t' || tag[k] == '\n' || tag[k] == '\r'))
                ++k;
            qsizetype e = k;
            while (e < tag.size() && IsLabelChar(tag[e]))
                ++e;
            if (e > k)
                return tag.mid(k, e - k);
        }
        if (end < 0)
            break;
        p = end;
    }
    return QByteArray();
}

// A page's bytes in the character set that ALabel names, as browsers read the common labels:
// Latin 1 and ASCII are code page 1252, UTF-16 named inside the bytes themselves is UTF-8,
// and the older national standards are read as the Windows code pages that extend them.
// An unknown name gives code page 1252.
QString DecodeLabelled(const QByteArray& ABytes, QByteArray ALabel)
{
    static const std::pair<const char*, const char*> aliases[] = {{"iso-8859-1", "windows-1252"},
                                                                  {"iso8859-1", "windows-1252"},
                                                                  {"latin1", "windows-1252"},
                                                                  {"l1", "windows-1252"},
                                                                  {"us-ascii", "windows-1252"},
                                                                  {"ascii", "windows-1252"},
                                                                  {"cp1252", "windows-1252"},
                                                                  {"x-cp1252", "windows-1252"},
                                                                  {"utf-16", "utf-8"},
                                                                  {"utf-16le", "utf-8"},
                                                                  {"utf-16be", "utf-8"},
                                                                  {"utf8", "utf-8"},
                                                                  {"iso-8859-9", "windows-1254"},
                                                                  {"iso-8859-11", "windows-874"},
                                                                  {"tis-620", "windows-874"},
                                                                  {"gb2312", "windows-936"},
                                                                  {"gbk", "windows-936"},
                                                                  {"euc-kr", "windows-949"},
                                                                  {"ks_c_5601-1987", "windows-949"},
                                                                  {"shift_jis", "windows-932"},
                                                                  {"sjis", "windows-932"},
                                                                  {"x-sjis", "windows-932"},
                                                                  {"big5", "windows-950"}};
    for (const auto& [from, to] : aliases) {
        if (ALabel == from) {
            ALabel = to;
            break;
        }
    }
    if (ALabel == "utf-8")
        return QString::fromUtf8(ABytes);
    if (ALabel != "windows-1252") {
        QStringDecoder decoder(ALabel.constData(), QStringConverter::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(ABytes);
    }
    return DecodeCp1252(ABytes.constData(), ABytes.size());
}

} // namespace

qsizetype Utf8SequenceAt(const unsigned char* AData, qsizetype ASize)
{
    const unsigned char c = AData[0];
    // The lead byte gives the length and the range of the second byte (which excludes
    // overlong forms, surrogates and code points beyond U+10FFFF); the others are 80..BF.
    qsizetype len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        else if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        else if (c == 0xF4)
            hi = 0x8F;
    } else {
        return 0;
    }
    if (ASize < len || AData[1] < lo || AData[1] > hi)
        return 0;
    for (qsizetype j = 2; j < len; ++j) {
        if ((AData[j] & 0xC0) != 0x80)
            return 0;
    }
    return len;
}

namespace {

// Whether ABytes hold a well-formed UTF-8 sequence of more than one byte.
bool HasUtf8Sequence(QByteArrayView ABytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(ABytes.data());
    const qsizetype n = ABytes.size();
    for (qsizetype k = 0; k < n; ++k) {
        if (b[k] >= 0xC2 && Utf8SequenceAt(b + k, n - k) > 0)
            return true;
    }
    return false;
}

} // namespace

ETextEncoding EncodingOfBytes(QByteArrayView ABytes)
{
    if (ABytes.isValidUtf8())
        return ETextEncoding::teUtf8;
    return HasUtf8Sequence(ABytes) ? ETextEncoding::teMixed : ETextEncoding::teCp1252;
}

namespace {

// The encoding a byte-order mark selects, with the mark's length; false without one.
bool ByteOrderMark(const QByteArray& ABytes, ETextEncoding& AEncoding, qsizetype& ALength)
{
    const auto* b = reinterpret_cast<const unsigned char*>(ABytes.constData());
    const qsizetype n = ABytes.size();
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        AEncoding = ETextEncoding::teUtf8;
        ALength = 3;
    } else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) {
        AEncoding = ETextEncoding::teUtf16LE;
        ALength = 2;
    } else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) {
        AEncoding = ETextEncoding::teUtf16BE;
        ALength = 2;
    } else {
        return false;
    }
    return true;
}

bool IsUtf16(ETextEncoding AEncoding)
{
    return AEncoding == ETextEncoding::teUtf16LE || AEncoding == ETextEncoding::teUtf16BE;
}

// Whether the two bytes at AData are a UTF-16 line feed.
bool IsUtf16LF(const char* AData, ETextEncoding AEncoding)
{
    return AEncoding == ETextEncoding::teUtf16LE ? AData[0] == '\n' && AData[1] == '\0'
                                                 : AData[0] == '\0' && AData[1] == '\n';
}

// Decodes AData[0, ASize) into APiece as DecodeBytes decodes it; AUtf8 is one decoder for all
// pieces of a text, so that only a byte-order mark at its very start is dropped.
void DecodePiece(ETextEncoding AEncoding, QStringDecoder& AUtf8, const char* AData, qsizetype ASize,
                 QString& APiece)
{
    switch (AEncoding) {
    case ETextEncoding::teUtf8:
        APiece = AUtf8.decode(QByteArrayView(AData, ASize));
        break;
    case ETextEncoding::teUtf16LE:
    case ETextEncoding::teUtf16BE:
        APiece = DecodeUtf16(AData, ASize, AEncoding == ETextEncoding::teUtf16BE);
        break;
    case ETextEncoding::teCp1252:
        APiece = DecodeCp1252(AData, ASize);
        break;
    case ETextEncoding::teMixed:
        APiece = DecodeMixed(AData, ASize);
        break;
    }
    MendSurrogates(APiece);
    DropControls(APiece);
}

} // namespace

TDecodedPieces::TDecodedPieces(const QByteArray& ABytes, qsizetype APieceBytes)
    : FBytes(ABytes), FPieceBytes(qMax<qsizetype>(APieceBytes, 1))
{
    if (!ByteOrderMark(ABytes, FEncoding, FPos))
        FEncoding = EncodingOfBytes(ABytes);
}

bool TDecodedPieces::Next(QString& APiece)
{
    const qsizetype n = FBytes.size();
    if (FPos >= n)
        return false;
    const char* b = FBytes.constData();
    // The piece ends after the first line feed from FPieceBytes on (a whole UTF-16 unit on).
    qsizetype end = n;
    if (n - FPos > FPieceBytes) {
        if (IsUtf16(FEncoding)) {
            for (qsizetype k = FPos + (FPieceBytes + 1) / 2 * 2; k + 1 < n; k += 2) {
                if (IsUtf16LF(b + k, FEncoding)) {
                    end = k + 2;
                    break;
                }
            }
        } else {
            const void* lf =
                std::memchr(b + FPos + FPieceBytes, '\n', size_t(n - FPos - FPieceBytes));
            if (lf)
                end = static_cast<const char*>(lf) - b + 1;
        }
    }
    DecodePiece(FEncoding, FUtf8, b + FPos, end - FPos, APiece);
    FPos = end;
    return true;
}

TFilePieces::TFilePieces(const QString& APath, qsizetype APieceBytes)
    : FFile(APath), FPath(APath), FPieceBytes(qMax<qsizetype>(APieceBytes, 1))
{
    if (!FFile.open(QIODevice::ReadOnly))
        throw EImportFileError(
            QStringLiteral("Cannot open file \"%1\": %2").arg(APath, FFile.errorString()));
    FSize = FFile.size();
    while (!FEof && FPending.size() < 3)
        ReadBlock(FPending);
    qsizetype bom = 0;
    if (ByteOrderMark(FPending, FEncoding, bom)) {
        FPending.remove(0, bom);
        return;
    }
    // Well-formed UTF-8, mixed or code page 1252: checked a block at a time, each cut before a
    // sequence that its end may have split (at most four bytes), which is carried into the
    // next block. The check ends as soon as the bytes are known to be mixed.
    QByteArray check = FPending;
    bool valid = true, multi = false;
    for (;;) {
        qsizetype cut = check.size();
        if (!FEof) {
            const auto* c = reinterpret_cast<const unsigned char*>(check.constData());
            qsizetype k = cut;
            while (k > 0 && cut - k < 3 && (c[k - 1] & 0xC0) == 0x80)
                --k;
            if (k > 0 && c[k - 1] >= 0xC0)
                cut = k - 1;
        }
        const QByteArrayView block(check.constData(), cut);
        if (valid && !block.isValidUtf8())
            valid = false;
        if (!multi) {
            // In well-formed UTF-8 every byte above 127 belongs to such a sequence.
            multi = valid
                        ? std::any_of(block.begin(), block.end(),
                                      [](char b) { return static_cast<unsigned char>(b) >= 0x80; })
                        : HasUtf8Sequence(block);
        }
        if (FEof || (!valid && multi))
            break;
        check.remove(0, cut);
        ReadBlock(check);
    }
    FEncoding = valid   ? ETextEncoding::teUtf8
                : multi ? ETextEncoding::teMixed
                        : ETextEncoding::teCp1252;
    if (FEof && FPending.size() == FRead)
        return; // the whole file is at hand already
    if (!FFile.seek(0))
        ReadError();
    // A check that ended early (at mixed bytes) has not seen the whole length; the mixed
    // reading takes whatever the bytes are then.
    FChecked = FEof ? FRead : -1;
    FRead = 0;
    FPending.clear();
    FEof = false;
}

void TFilePieces::ReadError()
{
    throw EImportFileError(
        QStringLiteral("Cannot read file \"%1\": %2").arg(FPath, FFile.errorString()));
}

void TFilePieces::ChangedError()
{
    throw EImportFileError(
        QStringLiteral("Cannot read file \"%1\": it changed while it was being read").arg(FPath));
}

void TFilePieces::ReadBlock(QByteArray& ABuffer)
{
    // No more than the rest of the file and one byte (to see its end), so that a small file
    // needs no block-sized buffer; a file that has grown since it was opened is read a block
    // at a time.
    const qint64 rest = (FChecked >= 0 ? FChecked : FSize) - FRead;
    const qint64 want = rest >= 0 ? qMin<qint64>(FPieceBytes, rest + 1) : FPieceBytes;
    const qsizetype old = ABuffer.size();
    ABuffer.resize(old + qsizetype(want));
    const qint64 got = FFile.read(ABuffer.data() + old, want);
    if (got < 0)
        ReadError();
    ABuffer.resize(old + qsizetype(got));
    FRead += got;
    if (got == 0)
        FEof = true;
    // The second reading must find the bytes the first one judged: not one more or less.
    if (FChecked >= 0 && (FRead > FChecked || (FEof && FRead != FChecked)))
        ChangedError();
}

qsizetype TFilePieces::LastLineEnd()
{
    const char* b = FPending.constData();
    const qsizetype n = FPending.size();
    if (IsUtf16(FEncoding)) {
        for (qsizetype k = (n & ~qsizetype(1)) - 2; k >= FSearched; k -= 2) {
            if (IsUtf16LF(b + k, FEncoding))
                return k + 2;
        }
        FSearched = n & ~qsizetype(1);
        return 0;
    }
    const qsizetype lf = QByteArrayView(b + FSearched, n - FSearched).lastIndexOf('\n');
    if (lf >= 0)
        return FSearched + lf + 1;
    FSearched = n;
    return 0;
}

bool TFilePieces::Next(QString& APiece)
{
    // A piece is what has been read up to its last line feed, once at least a block is there.
    qsizetype cut;
    for (;;) {
        if (FEof) {
            cut = FPending.size();
            break;
        }
        if (FPending.size() >= FPieceBytes && (cut = LastLineEnd()) > 0)
            break;
        ReadBlock(FPending);
    }
    if (cut == 0)
        return false;
    // What the first reading found to be UTF-8 must still be UTF-8.
    if (FChecked >= 0 && FEncoding == ETextEncoding::teUtf8 &&
        !QByteArrayView(FPending.constData(), cut).isValidUtf8())
        ChangedError();
    DecodePiece(FEncoding, FUtf8, FPending.constData(), cut, APiece);
    FPending.remove(0, cut);
    // The bytes of a line far longer than a block are not kept beside its text.
    if (FPending.capacity() > 4 * FPieceBytes)
        FPending.squeeze();
    // What is left holds no line feed (or no whole UTF-16 one).
    FSearched = IsUtf16(FEncoding) ? FPending.size() & ~qsizetype(1) : FPending.size();
    return true;
}

QString DecodeBytes(const QByteArray& ABytes, bool AHtml)
{
    TDecodedPieces pieces(ABytes);
    if (AHtml && !pieces.IsUnicode()) {
        const QByteArray label = MetaCharset(ABytes);
        if (!label.isEmpty()) {
            QString text = DecodeLabelled(ABytes, label);
            MendSurrogates(text);
            DropControls(text);
            return text;
        }
    }
    QString text, piece;
    if (!pieces.Next(text))
        return text;
    if (pieces.AtEnd())
        return text;
    text.reserve(ABytes.size());
    while (pieces.Next(piece))
        text.append(piece);
    text.squeeze();
    return text;
}

bool HoldsBinary(QByteArrayView AHead)
{
    const QByteArrayView head = AHead.first(qMin(AHead.size(), BinaryProbeBytes));
    if (head.startsWith("\xff\xfe") || head.startsWith("\xfe\xff"))
        return false;
    return head.contains('\0');
}

void EndLinesWithCRLF(QString& AText)
{
    // Counts the characters to add first, then widens the text once and moves it from the
    // back a line at a time, so that a large text is neither copied nor split.
    const qsizetype n = AText.size();
    const QChar* p = AText.constData();
    qsizetype extra = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        if (c > u'\r')
            continue;
        if (c == u'\r') {
            if (i + 1 < n && p[i + 1] == u'\n')
                ++i;
            else
                ++extra;
        } else if (c == u'\n') {
            ++extra;
        }
    }
    const bool openEnd = n > 0 && p[n - 1] != u'\r' && p[n - 1] != u'\n';
    if (openEnd)
        extra += 2;
    if (extra == 0)
        return;
    AText.resize(n + extra);
    QChar* w = AText.data();
    qsizetype to = n + extra;
    if (openEnd) {
        w[--to] = u'\n';
        w[--to] = u'\r';
    }
    qsizetype from = n;
    while (to > from) {
        // w[k, from) holds no line break; it moves as a whole.
        qsizetype k = from;
        while (k > 0 && (w[k - 1].unicode() > u'\r' || (w[k - 1] != u'\r' && w[k - 1] != u'\n')))
            --k;
        to -= from - k;
        std::memmove(w + to, w + k, size_t(from - k) * sizeof(QChar));
        from = k;
        if (from == 0)
            break;
        const char16_t c = w[--from].unicode();
        if (c == u'\n' && from > 0 && w[from - 1] == u'\r')
            --from;
        w[--to] = u'\n';
        w[--to] = u'\r';
    }
}

QString DecodeText(const QByteArray& ABytes, bool AHtml)
{
    QString text = DecodeBytes(ABytes, AHtml);
    EndLinesWithCRLF(text);
    return text;
}

QStringList SplitLines(QStringView AText)
{
    QStringList lines;
    const qsizetype n = AText.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = AText[i];
        if (c == u'\r' || c == u'\n') {
            lines.append(AText.mid(start, i - start).toString());
            if (c == u'\r' && i + 1 < n && AText[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(AText.mid(start).toString());
    return lines;
}

qsizetype NextLine(QStringView AText, qsizetype& APos, QStringView& ALine)
{
    const qsizetype n = AText.size();
    if (APos >= n)
        return -1;
    const QChar* p = AText.data();
    qsizetype i = APos;
    while (i < n && p[i] != u'\r' && p[i] != u'\n')
        ++i;
    ALine = AText.mid(APos, i - APos);
    const qsizetype start = APos;
    if (i < n)
        i += (p[i] == u'\r' && i + 1 < n && p[i + 1] == u'\n') ? 2 : 1;
    APos = i;
    return start;
}

void AppendParagraph(QStringView ALine, QString& AOut)
{
    const QStringView t = TrimCtlView(ALine);
    if (t.isEmpty())
        return;
    AOut.append(u"<p>");
    AppendEscaped(t, AOut);
    AOut.append(u"</p>\r\n");
}

QString TextParagraphs(QStringView APlain)
{
    QString out;
    QStringView line;
    for (qsizetype pos = 0; NextLine(APlain, pos, line) >= 0;)
        AppendParagraph(line, out);
    return out;
}

void AppendEscaped(QStringView S, QString& AOut)
{
    const QChar* p = S.data();
    const qsizetype n = S.size();
    qsizetype run = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i].unicode();
        const char16_t* entity = c == u'&'   ? u"&amp;"
                                 : c == u'<' ? u"&lt;"
                                 : c == u'>' ? u"&gt;"
                                 : c == u'"' ? u"&quot;"
                                             : nullptr;
        if (!entity)
            continue;
        AOut.append(p + run, i - run);
        AOut.append(QStringView(entity));
        run = i + 1;
    }
    AOut.append(p + run, n - run);
}

char16_t Cp1252Char(unsigned char AByte)
{
    static const char16_t high[32] = {
        0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
    if (AByte >= 0x80 && AByte < 0xA0)
        return high[AByte - 0x80];
    return AByte;
}

} // namespace importer

using namespace importer;

QString ReadFileAsText(const QString& APath)
{
    return DecodeText(ReadFileBytes(APath));
}

QString EscapeHTML(const QString& S)
{
    QString r;
    r.reserve(S.size() + S.size() / 8);
    AppendEscaped(S, r);
    return r;
}

QString ImportFileToHTML(const QString& AFilePath, QString& ATitle)
{
    ATitle = FileTitle(AFilePath);
    if (!QFileInfo(AFilePath).isFile())
        return QString();
    const QString ext = FileExtension(AFilePath);
    if (ext == u".html" || ext == u".htm")
        return ImportHTML(AFilePath, ATitle);
    if (ext == u".md" || ext == u".txt")
        return ImportMarkdown(AFilePath, ATitle);
    if (ext == u".rtf")
        return ImportRTF(AFilePath, ATitle);
    if (ext == u".pdf")
        return ImportPDF(AFilePath, ATitle);
    return QString();
}

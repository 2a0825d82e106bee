// Dispatch by extension and the text routines the importers share.
#include "importer.h"
#include "importer_p.h"

#include <QFile>
#include <QFileInfo>

EImportFileError::EImportFileError(const QString& AMessage)
    : std::runtime_error(AMessage.toStdString())
{}

namespace importer {

QString TrimCtl(QStringView S)
{
    qsizetype b = 0, e = S.size();
    while (b < e && IsBlankOrCtl(S[b]))
        ++b;
    while (e > b && IsBlankOrCtl(S[e - 1]))
        --e;
    return S.mid(b, e - b).toString();
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

static QString DecodeUtf16(const QByteArray& ABytes, qsizetype AFrom, bool ABigEndian)
{
    const auto* b = reinterpret_cast<const unsigned char*>(ABytes.constData());
    const qsizetype n = ABytes.size();
    QString s;
    s.reserve((n - AFrom) / 2 + 1);
    qsizetype i = AFrom;
    for (; i + 1 < n; i += 2)
        s.append(
            QChar(ABigEndian ? char16_t(b[i] << 8 | b[i + 1]) : char16_t(b[i + 1] << 8 | b[i])));
    if (i < n)
        s.append(QChar(QChar::ReplacementCharacter));
    return s;
}

QString DecodeText(const QByteArray& ABytes)
{
    QString text;
    const auto* b = reinterpret_cast<const unsigned char*>(ABytes.constData());
    const qsizetype n = ABytes.size();
    if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF)
        text = QString::fromUtf8(ABytes.constData() + 3, n - 3);
    else if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE)
        text = DecodeUtf16(ABytes, 2, false);
    else if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF)
        text = DecodeUtf16(ABytes, 2, true);
    else
        text = QString::fromUtf8(ABytes);
    MendSurrogates(text);

    QString out;
    out.reserve(text.size() + text.size() / 16 + 2);
    const QChar* p = text.constData();
    const qsizetype m = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < m; ++i) {
        const char16_t c = p[i].unicode();
        if (c == u'\r' || c == u'\n') {
            out.append(p + start, i - start);
            out.append(u"\r\n");
            if (c == u'\r' && i + 1 < m && p[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < m) {
        out.append(p + start, m - start);
        out.append(u"\r\n");
    }
    return out;
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

QString TextParagraphs(QStringView APlain)
{
    QString out;
    for (const QString& line : SplitLines(APlain)) {
        const QString t = TrimCtl(line);
        if (t.isEmpty())
            continue;
        out.append(u"<p>");
        out.append(EscapeHTML(t));
        out.append(u"</p>\r\n");
    }
    return out;
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
    for (const QChar c : S) {
        switch (c.unicode()) {
        case u'&':
            r.append(u"&amp;");
            break;
        case u'<':
            r.append(u"&lt;");
            break;
        case u'>':
            r.append(u"&gt;");
            break;
        case u'"':
            r.append(u"&quot;");
            break;
        default:
            r.append(c);
        }
    }
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

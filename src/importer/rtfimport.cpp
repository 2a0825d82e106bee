// RTF import: one character scan with a skip flag saved and restored with the groups;
// characters written as code-page bytes or Unicode escapes are decoded.
#include "importer.h"
#include "importer_p.h"

#include <QStringDecoder>
#include <memory>

using namespace importer;

namespace {

// The bytes above 127 of one code page. Single-byte pages are read through a table, the
// double-byte ones (and UTF-8) through a decoder that keeps a lead byte for its trail.
class TCodePage
{
public:
    explicit TCodePage(int ACodePage)
    {
        if (ACodePage == 1252 || ACodePage <= 0)
            return;
        const bool multi = ACodePage == 932 || ACodePage == 936 || ACodePage == 949 ||
                           ACodePage == 950 || ACodePage == 1361 || ACodePage == 54936 ||
                           ACodePage == 65001;
        for (const QString& name : Names(ACodePage)) {
            QStringDecoder probe(name.toLatin1().constData());
            if (!probe.isValid())
                continue;
            if (multi) {
                FDecoder = std::make_unique<QStringDecoder>(name.toLatin1().constData());
            } else {
                FTable.resize(128);
                for (int b = 0x80; b <= 0xFF; ++b) {
                    QStringDecoder one(name.toLatin1().constData());
                    const char byte = char(b);
                    const QString s = one.decode(QByteArrayView(&byte, 1));
                    const bool usable = s.size() == 1 && s[0].unicode() >= 0x20 &&
                                        s[0] != QChar(QChar::ReplacementCharacter);
                    FTable[b - 0x80] = usable ? s[0].unicode() : 0;
                }
                FHasTable = true;
            }
            return;
        }
    }

    bool IsMultiByte() const { return FDecoder != nullptr; }

    // Appends the character(s) of AByte (single-byte pages: bytes above 127 only).
    void Put(unsigned char AByte, QString& AOut)
    {
        if (FDecoder) {
            const char byte = char(AByte);
            const QString s = FDecoder->decode(QByteArrayView(&byte, 1));
            for (const QChar c : s) {
                if (c.unicode() >= 0x20)
                    AOut.append(c);
            }
            return;
        }
        const char16_t c = FHasTable ? FTable[AByte - 0x80] : Cp1252Char(AByte);
        if (c != 0)
            AOut.append(QChar(c));
    }

private:
    static QStringList Names(int ACodePage)
    {
        const QString n = QString::number(ACodePage);
        switch (ACodePage) {
        case 932:
            return {QStringLiteral("cp932"), QStringLiteral("Shift_JIS")};
        case 936:
            return {QStringLiteral("GBK"), QStringLiteral("cp936")};
        case 949:
            return {QStringLiteral("cp949"), QStringLiteral("windows-949"),
                    QStringLiteral("EUC-KR")};
        case 950:
            return {QStringLiteral("Big5"), QStringLiteral("cp950")};
        case 1361:
            return {QStringLiteral("johab")};
        case 54936:
            return {QStringLiteral("GB18030")};
        case 65001:
            return {QStringLiteral("UTF-8")};
        case 10000:
            return {QStringLiteral("macintosh")};
        default:
            return {QStringLiteral("windows-") + n, QStringLiteral("cp") + n,
                    QStringLiteral("IBM") + n};
        }
    }

    std::unique_ptr<QStringDecoder> FDecoder;
    std::vector<char16_t> FTable;
    bool FHasTable = false;
};

struct TGroupState
{
    bool Dest = false;
    int UC = 1;
};

class TRTFReader
{
public:
    // AText: one character per source byte (ABytes) or, for a file with a byte-order mark,
    // the decoded text.
    TRTFReader(const QString& AText, bool ABytes) : FSrc(AText), FBytes(ABytes) {}

    QString Run()
    {
        const qsizetype n = FSrc.size();
        FPlain.reserve(n / 2);
        qsizetype i = 0;
        while (i < n) {
            const char16_t c = FSrc[i].unicode();
            if (c == u'{') {
                FSkip = 0;
                if (STop < 63)
                    DStack[STop++] = FState;
                ++i;
            } else if (c == u'}') {
                FSkip = 0;
                if (STop > 0)
                    FState = DStack[--STop];
                ++i;
            } else if (c == u'\\') {
                if (i + 1 >= n)
                    break;
                i = Escape(i + 1);
            } else {
                ++i;
                // CR + LF, a lone LF and a lone CR are each one line break of the source.
                if (c == u'\r' && i < n && FSrc[i] == u'\n')
                    continue;
                if (c == u'\n' || c == u'\r') {
                    // A line break of the source ends a paragraph as well.
                    if (!FState.Dest)
                        FPlain.append(u'\n');
                    continue;
                }
                if (FSkip > 0) {
                    --FSkip;
                    continue;
                }
                if (FState.Dest || c < 0x20)
                    continue;
                if (FBytes && (c >= 0x80 || FCodePage->IsMultiByte()))
                    AddByte(static_cast<unsigned char>(c));
                else
                    AddChar(c);
            }
        }
        FlushSurrogate();
        return FPlain;
    }

private:
    void FlushSurrogate()
    {
        if (FHigh != 0)
            FPlain.append(QChar(QChar::ReplacementCharacter));
        FHigh = 0;
    }

    void AddChar(char32_t AChar)
    {
        if (AChar >= 0xD800 && AChar <= 0xDBFF) {
            FlushSurrogate();
            FHigh = char16_t(AChar);
            return;
        }
        if (AChar >= 0xDC00 && AChar <= 0xDFFF) {
            if (FHigh != 0) {
                FPlain.append(QChar(FHigh));
                FPlain.append(QChar(char16_t(AChar)));
                FHigh = 0;
            } else {
                FPlain.append(QChar(QChar::ReplacementCharacter));
            }
            return;
        }
        FlushSurrogate();
        FPlain.append(QChar::fromUcs4(AChar));
    }

    void AddByte(unsigned char AByte)
    {
        FlushSurrogate();
        if (AByte < 0x80 && !FCodePage->IsMultiByte()) {
            if (AByte >= 0x20)
                FPlain.append(QChar(AByte));
            return;
        }
        FCodePage->Put(AByte, FPlain);
    }

    void LineBreak()
    {
        if (!FState.Dest) {
            FlushSurrogate();
            FPlain.append(u"\r\n");
        }
    }

    static int HexValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    static bool IsLetter(char16_t c)
    {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    }

    // At the character after a backslash; returns the position after the escape.
    qsizetype Escape(qsizetype i)
    {
        const qsizetype n = FSrc.size();
        const char16_t c = FSrc[i].unicode();
        if (c == u'\'') {
            if (n - (i + 1) < 2)
                return i + 1;
            const int hi = HexValue(FSrc[i + 1].unicode());
            const int lo = HexValue(FSrc[i + 2].unicode());
            if (hi >= 0 && lo >= 0) {
                if (FSkip > 0)
                    --FSkip;
                else if (!FState.Dest && hi * 16 + lo >= 0x20)
                    AddByte(static_cast<unsigned char>(hi * 16 + lo));
            }
            return i + 3;
        }
        FSkip = 0;
        if (c == u'\\' || c == u'{' || c == u'}') {
            if (!FState.Dest)
                AddChar(c);
            return i + 1;
        }
        if (c == u'\r' || c == u'\n') {
            LineBreak();
            return i + 1;
        }
        if (!IsLetter(c)) {
            if (c == u'~' && !FState.Dest)
                AddChar(0x00A0);
            return i + 1;
        }
        const qsizetype wordStart = i;
        while (i < n && IsLetter(FSrc[i].unicode()))
            ++i;
        const QString word = QStringView(FSrc).mid(wordStart, i - wordStart).toString().toLower();
        bool hasParam = false, negative = false;
        qint64 param = 0;
        if (i < n && FSrc[i] == u'-') {
            negative = hasParam = true;
            ++i;
        }
        while (i < n && FSrc[i] >= u'0' && FSrc[i] <= u'9') {
            hasParam = true;
            if (param < 100000000)
                param = param * 10 + (FSrc[i].unicode() - u'0');
            ++i;
        }
        if (negative)
            param = -param;
        if (i < n && FSrc[i] == u' ')
            ++i;
        Word(word, hasParam, param);
        return i;
    }

    void Word(const QString& AWord, bool AHasParam, qint64 AParam)
    {
        static const QStringList destinations = {
            QStringLiteral("fonttbl"), QStringLiteral("colortbl"), QStringLiteral("stylesheet"),
            QStringLiteral("info"),    QStringLiteral("pict"),     QStringLiteral("object"),
            QStringLiteral("fldinst")};
        if (AWord == u"par" || AWord == u"line") {
            LineBreak();
        } else if (destinations.contains(AWord)) {
            FState.Dest = true;
        } else if (AWord == u"fldrslt") {
            FState.Dest = false;
        } else if (AWord == u"u" && AHasParam) {
            const qint64 value = AParam < 0 ? AParam + 65536 : AParam;
            if (!FState.Dest && value >= 0x20 && value <= 0xFFFF)
                AddChar(char32_t(value));
            FSkip = FState.UC;
        } else if (AWord == u"uc" && AHasParam) {
            FState.UC = int(qBound(qint64(0), AParam, qint64(16)));
        } else if (AWord == u"ansicpg" && AHasParam) {
            FCodePage = std::make_unique<TCodePage>(int(qBound(qint64(0), AParam, qint64(65535))));
        } else if (!FState.Dest) {
            static const struct
            {
                const char16_t* Word;
                char16_t Char;
            } chars[] = {{u"lquote", 0x2018},    {u"rquote", 0x2019}, {u"ldblquote", 0x201C},
                         {u"rdblquote", 0x201D}, {u"endash", 0x2013}, {u"emdash", 0x2014},
                         {u"bullet", 0x2022},    {u"tab", u'\t'}};
            for (const auto& e : chars) {
                if (AWord == QStringView(e.Word)) {
                    AddChar(e.Char);
                    break;
                }
            }
        }
    }

    const QString& FSrc;
    const bool FBytes;
    QString FPlain;
    TGroupState FState;
    TGroupState DStack[64];
    int STop = 0;
    int FSkip = 0;
    char16_t FHigh = 0;
    std::unique_ptr<TCodePage> FCodePage = std::make_unique<TCodePage>(1252);
};

} // namespace

namespace importer {

QString ConvertRTF(const QByteArray& ARaw)
{
    const auto* b = reinterpret_cast<const unsigned char*>(ARaw.constData());
    const qsizetype n = ARaw.size();
    const bool bom = (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) ||
                     (n >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF)));
    const QString text = bom ? DecodeText(ARaw) : QString::fromLatin1(ARaw);
    return TextParagraphs(TRTFReader(text, !bom).Run());
}

} // namespace importer

QString ImportRTF(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    return ConvertRTF(ReadFileBytes(APath));
}

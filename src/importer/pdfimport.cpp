// PDF import: the text that a PDF file's pages show, without a PDF library. The file's objects
// are found by scanning its bytes for them (so that a damaged cross-reference table does no
// harm), the page tree gives the pages in order, and each page's content streams, written
// plainly or compressed with the Flate filter, run through a small interpreter of the text
// operators that follows where every string is placed. Strings on one baseline make one line, a
// gap between them a blank, and a step between lines that is larger than the page's usual line
// spacing a new paragraph. Characters come from the font's ToUnicode map, or else from its
// encoding and /Differences.
#include "importer.h"
#include "importer_p.h"

#include <QHash>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>
#include <zlib.h>

using namespace importer;

namespace {

constexpr qint64 MaxPDFBytes = 10485760;
// What one stream may inflate to (the rest of it is not seen), and what all the streams of a
// file may come to together (streams past that are not read), so that a small file cannot
// make the import take the memory or the time of a huge one.
constexpr qsizetype MaxStreamBytes = qsizetype(32) << 20;
constexpr qsizetype MaxDecodedBytes = qsizetype(128) << 20;
constexpr int MaxNesting = 32;     // arrays and dictionaries inside one another
constexpr int MaxFormDepth = 8;    // forms drawn by forms
constexpr int MaxStateDepth = 256; // graphics states saved by q
constexpr int MaxOperands = 1024;
constexpr int MaxMapEntries = 65536; // per ToUnicode map: single codes, and ranges
// The text kept at most: lines and characters (what follows is not seen), so that streams
// written to make a great many short lines cannot take much more memory than the text itself.
constexpr size_t MaxTextLines = size_t(1) << 20;
constexpr qsizetype MaxTextChars = qsizetype(64) << 20;
const QString Notice = QStringLiteral("<p><em>(No extractable text found in this PDF.)</em></p>");

// ---- Characters -------------------------------------------------------------------------

// A character as it goes into the text: ligatures as their letters, the soft hyphen (which a
// page shows as a hyphen) as "-", tab and line breaks as blanks; other controls, noncharacters
// and unpaired surrogates give nothing.
void AppendNormal(QStringView S, QString& AOut)
{
    for (qsizetype k = 0; k < S.size(); ++k) {
        const char16_t c = S[k].unicode();
        if (c == u'\t' || c == u'\n' || c == u'\r') {
            AOut.append(u' ');
        } else if (c < 32 || (c >= 0x7F && c < 0xA0) || c == 0xFFFE || c == 0xFFFF) {
            // nothing shown
        } else if (c == 0xAD) {
            AOut.append(u'-');
        } else if (c >= 0xFB00 && c <= 0xFB06) {
            static const char16_t* const lig[] = {u"ff",  u"fi", u"fl", u"ffi",
                                                  u"ffl", u"st", u"st"};
            AOut.append(QStringView(lig[c - 0xFB00]));
        } else if (QChar::isHighSurrogate(c)) {
            if (k + 1 < S.size() && S[k + 1].isLowSurrogate()) {
                AOut.append(S[k]);
                AOut.append(S[k + 1]);
                ++k;
            }
        } else if (!QChar::isLowSurrogate(c)) {
            AOut.append(QChar(c));
        }
    }
}

QString Normal(QStringView S)
{
    QString out;
    AppendNormal(S, out);
    return out;
}

// Glyph names of the standard Latin encodings and a few more, each with the hexadecimal code of
// its character. The letters a-z and A-Z are their own names and are not listed.
const char GlyphNames[] =
    "space 20 exclam 21 quotedbl 22 numbersign 23 dollar 24 percent 25 ampersand 26 "
    "quotesingle 27 parenleft 28 parenright 29 asterisk 2A plus 2B comma 2C hyphen 2D "
    "minus 2D sfthyphen 2D period 2E slash 2F zero 30 one 31 two 32 three 33 four 34 five 35 "
    "six 36 seven 37 eight 38 nine 39 colon 3A semicolon 3B less 3C equal 3D greater 3E "
    "question 3F at 40 bracketleft 5B backslash 5C bracketright 5D asciicircum 5E "
    "underscore 5F grave 60 braceleft 7B bar 7C braceright 7D asciitilde 7E nbspace A0 "
    "nonbreakingspace A0 exclamdown A1 cent A2 sterling A3 currency A4 yen A5 brokenbar A6 "
    "section A7 dieresis A8 copyright A9 ordfeminine AA guillemotleft AB logicalnot AC "
    "registered AE macron AF degree B0 plusminus B1 twosuperior B2 threesuperior B3 acute B4 "
    "mu B5 paragraph B6 periodcentered B7 cedilla B8 onesuperior B9 ordmasculine BA "
    "guillemotright BB onequarter BC onehalf BD threequarters BE questiondown BF Agrave C0 "
    "Aacute C1 Acircumflex C2 Atilde C3 Adieresis C4 Aring C5 AE C6 Ccedilla C7 Egrave C8 "
    "Eacute C9 Ecircumflex CA Edieresis CB Igrave CC Iacute CD Icircumflex CE Idieresis CF "
    "Eth D0 Ntilde D1 Ograve D2 Oacute D3 Ocircumflex D4 Otilde D5 Odieresis D6 multiply D7 "
    "Oslash D8 Ugrave D9 Uacute DA Ucircumflex DB Udieresis DC Yacute DD Thorn DE "
    "germandbls DF agrave E0 aacute E1 acircumflex E2 atilde E3 adieresis E4 aring E5 ae E6 "
    "ccedilla E7 egrave E8 eacute E9 ecircumflex EA edieresis EB igrave EC iacute ED "
    "icircumflex EE idieresis EF eth F0 ntilde F1 ograve F2 oacute F3 ocircumflex F4 "
    "otilde F5 odieresis F6 divide F7 oslash F8 ugrave F9 uacute FA ucircumflex FB "
    "udieresis FC yacute FD thorn FE ydieresis FF dotlessi 131 Lslash 141 lslash 142 OE 152 "
    "oe 153 Scaron 160 scaron 161 Ydieresis 178 Zcaron 17D zcaron 17E florin 192 "
    "circumflex 2C6 caron 2C7 breve 2D8 dotaccent 2D9 ring 2DA ogonek 2DB tilde 2DC "
    "hungarumlaut 2DD pi 3C0 endash 2013 emdash 2014 quoteleft 2018 quoteright 2019 "
    "quotesinglbase 201A quotedblleft 201C quotedblright 201D quotedblbase 201E dagger 2020 "
    "daggerdbl 2021 bullet 2022 ellipsis 2026 perthousand 2030 guilsinglleft 2039 "
    "guilsinglright 203A fraction 2044 Euro 20AC trademark 2122 Omega 2126 partialdiff 2202 "
    "Delta 2206 product 220F summation 2211 radical 221A infinity 221E integral 222B "
    "approxequal 2248 notequal 2260 lessequal 2264 greaterequal 2265 lozenge 25CA ff FB00 "
    "fi FB01 fl FB02 ffi FB03 ffl FB04 ";

// The hexadecimal number of AText, or -1 when it is not one.
qint64 HexNumber(QByteArrayView AText)
{
    qint64 v = 0;
    for (char c : AText) {
        const int d = HexValue(c);
        if (d < 0)
            return -1;
        v = v * 16 + d;
    }
    return v;
}

// The text of a glyph name: a known name, "uniXXXX" (one or more groups of four hexadecimal
// digits), "uXXXX" to "uXXXXXX", names joined by "_" (a ligature), each without what follows
// a "." (a variant such as "a.sc"). An unknown name gives nothing.
QString GlyphText(QByteArrayView AName)
{
    const qsizetype dot = AName.indexOf('.');
    if (dot >= 0)
        AName = AName.first(dot);
    if (AName.isEmpty())
        return QString();
    if (AName.contains('_')) {
        QString out;
        qsizetype from = 0;
        for (qsizetype k = 0; k <= AName.size(); ++k) {
            if (k == AName.size() || AName[k] == '_') {
                out += GlyphText(AName.sliced(from, k - from));
                from = k + 1;
            }
        }
        return out;
    }
    if (AName.size() == 1 &&
        ((AName[0] >= 'a' && AName[0] <= 'z') || (AName[0] >= 'A' && AName[0] <= 'Z')))
        return QString(QChar(char16_t(AName[0])));
    static const QHash<QByteArray, char16_t> names = [] {
        QHash<QByteArray, char16_t> h;
        const QList<QByteArray> words = QByteArray(GlyphNames).simplified().split(' ');
        for (qsizetype k = 0; k + 1 < words.size(); k += 2)
            h.insert(words[k], char16_t(words[k + 1].toUInt(nullptr, 16)));
        return h;
    }();
    const auto it = names.constFind(AName.toByteArray());
    if (it != names.constEnd())
        return Normal(QStringView(&*it, 1));
    if (AName.startsWith("uni") && AName.size() > 3 && (AName.size() - 3) % 4 == 0) {
        QString s;
        for (qsizetype k = 3; k < AName.size(); k += 4) {
            const qint64 v = HexNumber(AName.sliced(k, 4));
            if (v < 0)
                return QString();
            s.append(QChar(char16_t(v)));
        }
        return Normal(s);
    }
    if (AName.startsWith('u') && AName.size() >= 5 && AName.size() <= 7) {
        const qint64 v = HexNumber(AName.sliced(1));
        if (v >= 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) {
            const char32_t cp = char32_t(v);
            return Normal(QString::fromUcs4(&cp, 1));
        }
    }
    return QString();
}

enum class EEncoding
{
    WinAnsi,
    Standard,
    MacRoman
};

// The character of a one-byte code in a standard encoding (0 for none; 0xFB01 and 0xFB02 for
// the fi and fl ligatures, made letters by AppendNormal).
char16_t EncodedChar(EEncoding AEncoding, unsigned char ACode)
{
    static const char16_t standard[95] = {
        // 0xA1 - 0xFF
        0x00A1, 0x00A2, 0x00A3, 0x2044, 0x00A5, 0x0192, 0x00A7, 0x00A4, 0x0027, 0x201C, 0x00AB,
        0x2039, 0x203A, 0xFB01, 0xFB02, 0,      0x2013, 0x2020, 0x2021, 0x00B7, 0,      0x00B6,
        0x2022, 0x201A, 0x201E, 0x201D, 0x00BB, 0x2026, 0x2030, 0,      0x00BF, 0,      0x0060,
        0x00B4, 0x02C6, 0x02DC, 0x00AF, 0x02D8, 0x02D9, 0x00A8, 0,      0x02DA, 0x00B8, 0,
        0x02DD, 0x02DB, 0x02C7, 0x2014, 0,      0,      0,      0,      0,      0,      0,
        0,      0,      0,      0,      0,      0,      0,      0,      0,      0x00C6, 0,
        0x00AA, 0,      0,      0,      0,      0x0141, 0x00D8, 0x0152, 0x00BA, 0,      0,
        0,      0,      0,      0x00E6, 0,      0,      0,      0x0131, 0,      0,      0x0142,
        0x00F8, 0x0153, 0x00DF, 0,      0,      0,      0};
    static const char16_t macRoman[128] = {
        0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1, 0x00E0, 0x00E2, 0x00E4,
        0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8, 0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF,
        0x00F1, 0x00F3, 0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC, 0x2020,
        0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF, 0x00AE, 0x00A9, 0x2122, 0x00B4,
        0x00A8, 0x2260, 0x00C6, 0x00D8, 0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202,
        0x2211, 0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8, 0x00BF, 0x00A1,
        0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB, 0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3,
        0x00D5, 0x0152, 0x0153, 0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
        0x00FF, 0x0178, 0x2044, 0x00A4, 0x2039, 0x203A, 0xFB01, 0xFB02, 0x2021, 0x00B7, 0x201A,
        0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1, 0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC,
        0x00D3, 0x00D4, 0,      0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC, 0x00AF,
        0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7};
    if (ACode < 0x80) {
        if (AEncoding == EEncoding::Standard && ACode == 0x27)
            return 0x2019;
        if (AEncoding == EEncoding::Standard && ACode == 0x60)
            return 0x2018;
        return ACode == 0x7F ? 0 : ACode;
    }
    switch (AEncoding) {
    case EEncoding::WinAnsi:
        return ACode == 0xAD ? u'-' : Cp1252Char(ACode);
    case EEncoding::Standard:
        return ACode >= 0xA1 ? standard[ACode - 0xA1] : 0;
    case EEncoding::MacRoman:
        return macRoman[ACode - 0x80];
    }
    return 0;
}

// ---- Tokens and objects -----------------------------------------------------------------

bool IsWhite(unsigned char c)
{
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

bool IsDelimiter(unsigned char c)
{
    return c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' ||
           c == '}' || c == '/' || c == '%';
}

bool IsRegular(unsigned char c)
{
    return !IsWhite(c) && !IsDelimiter(c);
}

// Where ANeedle next stands in AHay from AFrom, or -1 (the C library's search, which is much
// faster than a general one over megabytes of binary stream data).
qsizetype Find(QByteArrayView AHay, const char* ANeedle, qsizetype AFrom = 0)
{
    if (AFrom < 0 || AFrom > AHay.size())
        return -1;
    const void* at =
        memmem(AHay.data() + AFrom, size_t(AHay.size() - AFrom), ANeedle, std::strlen(ANeedle));
    return at ? static_cast<const char*>(at) - AHay.data() : -1;
}

// Where "obj" next stands in AHay from AFrom, or -1.
qsizetype FindObj(QByteArrayView AHay, qsizetype AFrom)
{
    const char* d = AHay.data();
    const qsizetype n = AHay.size();
    for (qsizetype k = AFrom + 2; k < n;) {
        const void* j = std::memchr(d + k, 'j', size_t(n - k));
        if (!j)
            return -1;
        k = static_cast<const char*>(j) - d;
        if (d[k - 1] == 'b' && d[k - 2] == 'o')
            return k - 2;
        ++k;
    }
    return -1;
}

// PDF numeric syntax: an optional sign, digits and at most one point.
bool ParseNumber(QByteArrayView T, double& AValue, bool& AInteger)
{
    qsizetype k = 0;
    bool negative = false;
    if (k < T.size() && (T[k] == '+' || T[k] == '-'))
        negative = T[k++] == '-';
    bool digits = false, dot = false;
    double v = 0, scale = 1;
    for (; k < T.size(); ++k) {
        const char c = T[k];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (dot) {
                scale /= 10;
                v += (c - '0') * scale;
            } else {
                v = v * 10 + (c - '0');
            }
        } else if (c == '.' && !dot) {
            dot = true;
        } else {
            return false;
        }
    }
    if (!digits)
        return false;
    AValue = negative ? -v : v;
    AInteger = !dot;
    return true;
}

enum class ETok
{
    End,
    Number,
    Name,
    String,
    ArrayOpen,
    ArrayClose,
    DictOpen,
    DictClose,
    Keyword,
    Other
};

// The tokens of PDF syntax, in a file or a content stream.
class TLexer
{
public:
    TLexer(const char* AData, qsizetype ASize, qsizetype APos = 0)
        : FData(reinterpret_cast<const unsigned char*>(AData)), FSize(ASize), FPos(APos)
    {}
    explicit TLexer(const QByteArray& AData, qsizetype APos = 0)
        : TLexer(AData.constData(), AData.size(), APos)
    {}

    ETok Next();
    qsizetype Pos() const { return FPos; }
    void SetPos(qsizetype APos) { FPos = APos; }
    qsizetype Size() const { return FSize; }
    const char* Data() const { return reinterpret_cast<const char*>(FData); }
    // The bytes of the last name (without its "/"), string or keyword.
    const QByteArray& Text() const { return FText; }
    double Number() const { return FNumber; }
    bool Integer() const { return FInteger; }
    // Moves past the data of an inline image, from just after its "ID" to after its "EI".
    void SkipInlineImage();

    // Readers of one string, on its "(" or "<"; they leave the position after it.
    void ReadLiteral();
    void ReadHex();

private:
    void ReadName();

    const unsigned char* FData;
    qsizetype FSize;
    qsizetype FPos;
    QByteArray FText;
    double FNumber = 0;
    bool FInteger = false;
};

ETok TLexer::Next()
{
    const unsigned char* d = FData;
    for (;;) {
        while (FPos < FSize && IsWhite(d[FPos]))
            ++FPos;
        if (FPos >= FSize)
            return ETok::End;
        if (d[FPos] != '%')
            break;
        while (FPos < FSize && d[FPos] != '\n' && d[FPos] != '\r')
            ++FPos;
    }
    const unsigned char c = d[FPos];
    switch (c) {
    case '(':
        ReadLiteral();
        return ETok::String;
    case '<':
        if (FPos + 1 < FSize && d[FPos + 1] == '<') {
            FPos += 2;
            return ETok::DictOpen;
        }
        ReadHex();
        return ETok::String;
    case '>':
        if (FPos + 1 < FSize && d[FPos + 1] == '>') {
            FPos += 2;
            return ETok::DictClose;
        }
        ++FPos;
        return ETok::Other;
    case '[':
        ++FPos;
        return ETok::ArrayOpen;
    case ']':
        ++FPos;
        return ETok::ArrayClose;
    case '/':
        ReadName();
        return ETok::Name;
    case ')':
    case '{':
    case '}':
        ++FPos;
        return ETok::Other;
    default:
        break;
    }
    const qsizetype start = FPos;
    while (FPos < FSize && IsRegular(d[FPos]))
        ++FPos;
    const QByteArrayView t(reinterpret_cast<const char*>(d) + start, FPos - start);
    if (ParseNumber(t, FNumber, FInteger))
        return ETok::Number;
    FText.resize(0);
    FText.append(t);
    return ETok::Keyword;
}

void TLexer::ReadName()
{
    ++FPos;
    FText.resize(0);
    while (FPos < FSize && IsRegular(FData[FPos])) {
        const unsigned char c = FData[FPos];
        if (c == '#' && FPos + 2 < FSize && HexValue(char(FData[FPos + 1])) >= 0 &&
            HexValue(char(FData[FPos + 2])) >= 0) {
            FText.append(
                char(HexValue(char(FData[FPos + 1])) * 16 + HexValue(char(FData[FPos + 2]))));
            FPos += 3;
        } else {
            FText.append(char(c));
            ++FPos;
        }
    }
}

// A literal string from its "(" to the ")" that balances it, escapes decoded; a line break
// written in it is a line feed, one after a backslash continues the string.
void TLexer::ReadLiteral()
{
    const unsigned char* r = FData;
    const qsizetype n = FSize;
    qsizetype i = FPos + 1;
    int depth = 0;
    FText.resize(0);
    while (i < n) {
        const unsigned char c = r[i];
        if (c == '\\') {
            if (i + 1 >= n) {
                i = n;
                break;
            }
            const unsigned char e = r[i + 1];
            i += 2;
            switch (e) {
            case 'n':
                FText.append('\n');
                break;
            case 'r':
                FText.append('\r');
                break;
            case 't':
                FText.append('\t');
                break;
            case 'b':
                FText.append('\b');
                break;
            case 'f':
                FText.append('\f');
                break;
            case '\r':
                if (i < n && r[i] == '\n')
                    ++i;
                break;
            case '\n':
                break;
            default:
                if (e >= '0' && e <= '7') {
                    int value = e - '0';
                    for (int k = 0; k < 2 && i < n && r[i] >= '0' && r[i] <= '7'; ++k, ++i)
                        value = value * 8 + (r[i] - '0');
                    FText.append(char(value & 0xFF));
                } else {
                    FText.append(char(e));
                }
            }
        } else if (c == '(') {
            ++depth;
            FText.append('(');
            ++i;
        } else if (c == ')') {
            ++i;
            if (depth == 0)
                break;
            --depth;
            FText.append(')');
        } else if (c == '\r') {
            FText.append('\n');
            ++i;
            if (i < n && r[i] == '\n')
                ++i;
        } else {
            FText.append(char(c));
            ++i;
        }
    }
    FPos = i;
}

// A hexadecimal string: its digits in pairs, anything else between them ignored. A last digit
// without its pair adds nothing.
void TLexer::ReadHex()
{
    qsizetype i = FPos + 1;
    int high = -1;
    FText.resize(0);
    while (i < FSize) {
        const unsigned char c = FData[i++];
        if (c == '>')
            break;
        const int digit = HexValue(char(c));
        if (digit < 0)
            continue;
        if (high < 0) {
            high = digit;
        } else {
            FText.append(char(high * 16 + digit));
            high = -1;
        }
    }
    FPos = i;
}

void TLexer::SkipInlineImage()
{
    // The data starts after one white-space byte and ends before "EI" standing alone.
    qsizetype i = FPos + 1;
    while (i + 1 < FSize) {
        if (FData[i] == 'E' && FData[i + 1] == 'I' && IsWhite(FData[i - 1]) &&
            (i + 2 >= FSize || IsWhite(FData[i + 2]) || IsDelimiter(FData[i + 2]))) {
            FPos = i + 2;
            return;
        }
        ++i;
    }
    FPos = FSize;
}

struct TObj
{
    enum EKind : unsigned char
    {
        Null,
        Bool,
        Number,
        Name,
        String,
        Array,
        Dict,
        Ref,
        Keyword
    };
    EKind Kind = Null;
    bool Integer = false;
    double Num = 0;          // a number, a boolean as 0 or 1, a reference's object number
    QByteArray Bytes;        // a name (without its "/"), a string, a keyword
    std::vector<TObj> Items; // an array; a dictionary's keys and values in turn
    // A dictionary followed by stream data: where the data lies in the file.
    qsizetype StreamBegin = -1, StreamEnd = -1;

    const TObj* Get(QByteArrayView AKey) const
    {
        if (Kind != Dict)
            return nullptr;
        for (size_t k = 0; k + 1 < Items.size(); k += 2) {
            if (Items[k].Bytes == AKey)
                return &Items[k + 1];
        }
        return nullptr;
    }
    bool IsName(QByteArrayView AName) const { return Kind == Name && Bytes == AName; }
    bool IsNumber() const { return Kind == Number; }
    bool IsStream() const { return Kind == Dict && StreamBegin >= 0; }
};

const TObj NullObj;

int ObjectNumber(double AValue)
{
    return AValue >= 0 && AValue <= INT_MAX ? int(AValue) : -1;
}

// One value whose first token ATok has just been read. With ARefs, "N G R" is a reference.
void ParseValue(TLexer& L, ETok ATok, TObj& AOut, int ADepth, bool ARefs)
{
    switch (ATok) {
    case ETok::Number:
        AOut.Kind = TObj::Number;
        AOut.Num = L.Number();
        AOut.Integer = L.Integer();
        if (ARefs && AOut.Integer && AOut.Num >= 0) {
            const qsizetype save = L.Pos();
            if (L.Next() == ETok::Number && L.Integer() && L.Next() == ETok::Keyword &&
                L.Text() == "R") {
                AOut.Kind = TObj::Ref;
                return;
            }
            L.SetPos(save);
        }
        return;
    case ETok::Name:
        AOut.Kind = TObj::Name;
        AOut.Bytes = L.Text();
        return;
    case ETok::String:
        AOut.Kind = TObj::String;
        AOut.Bytes = L.Text();
        return;
    case ETok::Keyword:
        if (L.Text() == "true" || L.Text() == "false") {
            AOut.Kind = TObj::Bool;
            AOut.Num = L.Text() == "true";
        } else if (L.Text() != "null") {
            AOut.Kind = TObj::Keyword;
            AOut.Bytes = L.Text();
        }
        return;
    case ETok::ArrayOpen:
        // Too deep: the items are read by the arrays around this one.
        if (ADepth >= MaxNesting)
            return;
        AOut.Kind = TObj::Array;
        for (;;) {
            const ETok t = L.Next();
            if (t == ETok::End || t == ETok::ArrayClose)
                break;
            if (t == ETok::DictClose || t == ETok::Other)
                continue;
            AOut.Items.emplace_back();
            ParseValue(L, t, AOut.Items.back(), ADepth + 1, ARefs);
        }
        return;
    case ETok::DictOpen:
        if (ADepth >= MaxNesting)
            return;
        AOut.Kind = TObj::Dict;
        for (;;) {
            ETok t = L.Next();
            if (t == ETok::End || t == ETok::DictClose)
                break;
            if (t != ETok::Name)
                continue; // not a key: skipped
            TObj key;
            key.Kind = TObj::Name;
            key.Bytes = L.Text();
            t = L.Next();
            if (t == ETok::End || t == ETok::DictClose)
                break;
            TObj value;
            ParseValue(L, t, value, ADepth + 1, ARefs);
            AOut.Items.push_back(std::move(key));
            AOut.Items.push_back(std::move(value));
        }
        return;
    default:
        return;
    }
}

// Inflates zlib data into at most ALimit bytes (what lies beyond is cut off). Data that ends
// before the stream does gives what it holds; false when the data is not a zlib stream or is
// damaged.
bool Inflate(const char* AData, qsizetype ASize, qsizetype ALimit, QByteArray& AOut)
{
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(AData));
    zs.avail_in = uInt(ASize);
    qsizetype have = 0;
    AOut.resize(std::min<qsizetype>(ALimit, std::max<qsizetype>(ASize * 4, 4096)));
    bool ok = true;
    for (;;) {
        if (have == AOut.size()) {
            if (have >= ALimit)
                break;
            AOut.resize(std::min<qsizetype>(ALimit, AOut.size() * 2));
        }
        zs.next_out = reinterpret_cast<Bytef*>(AOut.data() + have);
        zs.avail_out = uInt(AOut.size() - have);
        const int ret = inflate(&zs, Z_NO_FLUSH);
        have = AOut.size() - zs.avail_out;
        if (ret == Z_STREAM_END)
            break;
        if (ret == Z_OK)
            continue;
        if (ret == Z_BUF_ERROR && zs.avail_in == 0)
            break; // the data ends early: what it held is kept
        if (ret == Z_BUF_ERROR && zs.avail_out == 0)
            continue;
        ok = false;
        break;
    }
    inflateEnd(&zs);
    AOut.resize(ok ? have : 0);
    return ok;
}

// ---- The file ---------------------------------------------------------------------------

// The objects of a PDF file, found by scanning its bytes, and the data of its streams.
class TPDFFile
{
public:
    explicit TPDFFile(const QByteArray& ARaw);

    // A header and at least one object that can be read.
    bool IsPDF() const { return FIsPDF; }
    bool Encrypted() const { return FEncrypted; }
    const TObj* Root() const { return FRoot; }

    const TObj* Object(int ANum);
    // AObj, or the object it refers to; a missing object is the null object.
    const TObj& Resolve(const TObj* AObj);
    // The stream's data, decoded; false when it cannot be read (a filter other than Flate,
    // damaged data, or the file's budget of decoded bytes spent).
    bool StreamData(const TObj& AStream, QByteArray& AOut);
    // Calls AVisit for every object, in the order they stand in the file. The objects are read
    // for the call only: they are not kept.
    template <typename F> void ForEachObject(F AVisit);
    // The objects of type /Page or /Catalog, in the order they stand in the file.
    std::vector<int> ObjectsOfType(QByteArrayView AType);

private:
    struct TLoc
    {
        qsizetype Order;  // where the object (or its object stream) stands in the file
        int Stream;       // the object stream that holds it, or -1
        qsizetype Offset; // just after "obj" in the file, or in the stream's data
    };
    void ScanObjects();
    // Where the names /ObjStm, /XRef, /Page and /Catalog stand in the file (types of objects
    // that are looked for).
    void ScanNames();
    void IndexObjectStreams();
    void FindTrailer();
    bool ParseObject(const TLoc& ALoc, TObj& AOut);
    // The direct object that holds the byte at AOffset, or -1.
    int ObjectAt(qsizetype AOffset) const;

    const QByteArray& FRaw;
    std::unordered_map<int, TLoc> FLocs;
    std::vector<std::pair<qsizetype, int>> FDirect; // offsets of direct objects, in order
    std::vector<qsizetype> FObjStmNames, FXRefNames, FPageNames, FCatalogNames;
    std::unordered_map<int, std::unique_ptr<TObj>> FCache;
    std::unordered_map<int, QByteArray> FStreams; // decoded object streams
    std::unordered_set<int> FBusy;                // objects being read (a /Length loop)
    qsizetype FBudget = MaxDecodedBytes;
    bool FIsPDF = false;
    bool FEncrypted = false;
    const TObj* FRoot = nullptr;
    TObj FTrailer;
};

TPDFFile::TPDFFile(const QByteArray& ARaw) : FRaw(ARaw)
{
    if (Find(QByteArrayView(ARaw).first(std::min<qsizetype>(ARaw.size(), 1024)), "%PDF-") < 0)
        return;
    ScanObjects();
    ScanNames();
    if (!FObjStmNames.empty())
        IndexObjectStreams();
    for (const auto& [offset, num] : FDirect) {
        const TObj* o = Object(num);
        if (o && o->Kind != TObj::Null) {
            FIsPDF = true;
            break;
        }
    }
    if (FIsPDF)
        FindTrailer();
}

void TPDFFile::ScanObjects()
{
    // Every "N G obj" of the file; an object written again later (an update) replaces it.
    const char* d = FRaw.constData();
    const qsizetype n = FRaw.size();
    const QByteArrayView raw(FRaw);
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // Found by their "j", which binary data holds far less often than the letters are in text.
    for (qsizetype k = FindObj(raw, 0); k >= 0; k = FindObj(raw, k + 3)) {
        const qsizetype after = k + 3;
        if (after < n && IsRegular(uchar(d[after])))
            continue;
        qsizetype j = k;
        if (j == 0 || !IsWhite(uchar(d[j - 1])))
            continue;
        while (j > 0 && IsWhite(uchar(d[j - 1])))
            --j;
        const qsizetype genEnd = j;
        while (j > 0 && digit(d[j - 1]))
            --j;
        if (j == genEnd || genEnd - j > 5 || j == 0 || !IsWhite(uchar(d[j - 1])))
            continue;
        while (j > 0 && IsWhite(uchar(d[j - 1])))
            --j;
        const qsizetype numEnd = j;
        while (j > 0 && digit(d[j - 1]))
            --j;
        if (j == numEnd || numEnd - j > 9 || (j > 0 && IsRegular(uchar(d[j - 1]))))
            continue;
        int num = 0;
        for (qsizetype p = j; p < numEnd; ++p)
            num = num * 10 + (d[p] - '0');
        FLocs[num] = TLoc{j, -1, after};
        FDirect.emplace_back(j, num);
    }
}

void TPDFFile::ScanNames()
{
    const char* d = FRaw.constData();
    const qsizetype n = FRaw.size();
    for (const char* p = d; (p = static_cast<const char*>(std::memchr(p, '/', size_t(d + n - p))));
         ++p) {
        const QByteArrayView rest(p + 1, d + n - p - 1);
        auto is = [&](QByteArrayView AName) {
            return rest.startsWith(AName) &&
                   (rest.size() == AName.size() || !IsRegular(uchar(rest[AName.size()])));
        };
        if (is("ObjStm"))
            FObjStmNames.push_back(p - d);
        else if (is("XRef"))
            FXRefNames.push_back(p - d);
        else if (is("Page"))
            FPageNames.push_back(p - d);
        else if (is("Catalog"))
            FCatalogNames.push_back(p - d);
    }
}

std::vector<int> TPDFFile::ObjectsOfType(QByteArrayView AType)
{
    // The direct objects that hold the name, and the objects of object streams.
    const std::vector<qsizetype>& names = AType == "Page" ? FPageNames : FCatalogNames;
    std::vector<std::pair<qsizetype, int>> found;
    for (qsizetype k : names) {
        const int num = ObjectAt(k);
        const auto loc = FLocs.find(num);
        if (loc != FLocs.end() && loc->second.Stream < 0 &&
            (found.empty() || found.back().second != num))
            found.emplace_back(loc->second.Order, num);
    }
    for (const auto& [num, loc] : FLocs) {
        if (loc.Stream >= 0)
            found.emplace_back(loc.Order, num);
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<int> out;
    for (const auto& [order, num] : found) {
        const TObj* o = Object(num);
        if (o && Resolve(o->Get("Type")).IsName(AType))
            out.push_back(num);
    }
    return out;
}

int TPDFFile::ObjectAt(qsizetype AOffset) const
{
    auto it = std::upper_bound(FDirect.begin(), FDirect.end(), std::make_pair(AOffset, INT_MAX));
    if (it == FDirect.begin())
        return -1;
    return std::prev(it)->second;
}

void TPDFFile::IndexObjectStreams()
{
    // The objects held in object streams, each where its stream stands in the file.
    const QByteArrayView raw(FRaw);
    std::unordered_set<int> seen;
    for (qsizetype k : FObjStmNames) {
        const int num = ObjectAt(k);
        if (num < 0 || !seen.insert(num).second)
            continue;
        const auto loc = FLocs.find(num);
        if (loc == FLocs.end() || loc->second.Stream >= 0)
            continue;
        const TObj* stm = Object(num);
        if (!stm || !stm->IsStream() || !Resolve(stm->Get("Type")).IsName("ObjStm"))
            continue;
        QByteArray data;
        if (!StreamData(*stm, data))
            continue;
        const TObj& count = Resolve(stm->Get("N"));
        const TObj& first = Resolve(stm->Get("First"));
        if (!count.IsNumber() || !first.IsNumber() || first.Num < 0 || first.Num > data.size())
            continue;
        const qsizetype order = loc->second.Order;
        TLexer L(data);
        for (double m = 0; m < count.Num; ++m) {
            if (L.Next() != ETok::Number)
                break;
            const int member = ObjectNumber(L.Number());
            if (L.Next() != ETok::Number)
                break;
            const qsizetype offset = qsizetype(first.Num) + qsizetype(std::max(0.0, L.Number()));
            if (member < 0 || offset >= data.size())
                continue;
            const auto old = FLocs.find(member);
            if (old == FLocs.end() || old->second.Order < order)
                FLocs[member] = TLoc{order, num, offset};
        }
        FStreams.emplace(num, std::move(data));
    }
}

bool TPDFFile::ParseObject(const TLoc& ALoc, TObj& AOut)
{
    const bool inStream = ALoc.Stream >= 0;
    const QByteArray& data = inStream ? FStreams[ALoc.Stream] : FRaw;
    TLexer L(data, ALoc.Offset);
    const ETok t = L.Next();
    if (t == ETok::End)
        return false;
    ParseValue(L, t, AOut, 0, true);
    if (inStream || AOut.Kind != TObj::Dict)
        return true;
    const qsizetype save = L.Pos();
    if (L.Next() != ETok::Keyword || L.Text() != "stream") {
        L.SetPos(save);
        return true;
    }
    // The data starts after the end of the "stream" line.
    const char* d = FRaw.constData();
    const qsizetype n = FRaw.size();
    qsizetype begin = L.Pos();
    if (begin < n && d[begin] == '\r')
        ++begin;
    if (begin < n && d[begin] == '\n')
        ++begin;
    AOut.StreamBegin = begin;
    // Its length, if that is right (followed by "endstream"); otherwise up to "endstream".
    const TObj& length = Resolve(AOut.Get("Length"));
    if (length.IsNumber() && length.Num >= 0 && length.Num <= n - begin) {
        const qsizetype end = begin + qsizetype(length.Num);
        qsizetype p = end;
        while (p < n && IsWhite(uchar(d[p])))
            ++p;
        if (QByteArrayView(d + p, n - p).startsWith("endstream")) {
            AOut.StreamEnd = end;
            return true;
        }
    }
    qsizetype end = Find(FRaw, "endstream", begin);
    if (end < 0) {
        end = n; // cut off: the data goes to the end of what was read
    } else {
        if (end > begin && d[end - 1] == '\n')
            --end;
        if (end > begin && d[end - 1] == '\r')
            --end;
    }
    AOut.StreamEnd = end;
    return true;
}

const TObj* TPDFFile::Object(int ANum)
{
    const auto cached = FCache.find(ANum);
    if (cached != FCache.end())
        return cached->second.get();
    const auto loc = FLocs.find(ANum);
    if (loc == FLocs.end() || !FBusy.insert(ANum).second)
        return nullptr;
    auto obj = std::make_unique<TObj>();
    if (!ParseObject(loc->second, *obj))
        obj->Kind = TObj::Null;
    FBusy.erase(ANum);
    return FCache.emplace(ANum, std::move(obj)).first->second.get();
}

const TObj& TPDFFile::Resolve(const TObj* AObj)
{
    // References to references are followed a few steps at most.
    for (int k = 0; AObj && AObj->Kind == TObj::Ref && k < 8; ++k)
        AObj = Object(ObjectNumber(AObj->Num));
    return AObj && AObj->Kind != TObj::Ref ? *AObj : NullObj;
}

template <typename F> void TPDFFile::ForEachObject(F AVisit)
{
    std::vector<std::pair<qsizetype, int>> order;
    order.reserve(FLocs.size());
    for (const auto& [num, loc] : FLocs)
        order.emplace_back(loc.Order, num);
    std::sort(order.begin(), order.end());
    for (const auto& [at, num] : order) {
        const auto cached = FCache.find(num);
        if (cached != FCache.end()) {
            AVisit(num, *cached->second);
            continue;
        }
        TObj obj;
        if (FBusy.insert(num).second) {
            if (ParseObject(FLocs[num], obj))
                AVisit(num, obj);
            FBusy.erase(num);
        }
    }
}

void TPDFFile::FindTrailer()
{
    // The last trailer that names the catalog; files with cross-reference streams carry the
    // same entries in those streams' dictionaries. Any of them naming an encryption means the
    // strings and streams cannot be read.
    const QByteArrayView raw(FRaw);
    for (qsizetype k = Find(raw, "trailer"); k >= 0; k = Find(raw, "trailer", k + 7)) {
        TLexer L(FRaw, k + 7);
        const ETok t = L.Next();
        if (t != ETok::DictOpen)
            continue;
        TObj dict;
        ParseValue(L, t, dict, 0, true);
        if (dict.Get("Encrypt"))
            FEncrypted = true;
        if (dict.Get("Root"))
            FTrailer = std::move(dict);
    }
    // Cross-reference streams: the direct objects that hold "/XRef", in file order.
    std::vector<int> xrefs;
    for (qsizetype k : FXRefNames) {
        const int num = ObjectAt(k);
        if (num >= 0 && (xrefs.empty() || xrefs.back() != num))
            xrefs.push_back(num);
    }
    const bool haveRoot = FTrailer.Get("Root") != nullptr;
    for (int num : xrefs) {
        const TObj* x = Object(num);
        if (!x || !Resolve(x->Get("Type")).IsName("XRef"))
            continue;
        if (x->Get("Encrypt"))
            FEncrypted = true;
        if (!haveRoot && x->Get("Root")) {
            FTrailer = *x;
            FTrailer.StreamBegin = FTrailer.StreamEnd = -1;
        }
    }
    const TObj& root = Resolve(FTrailer.Get("Root"));
    if (root.Kind == TObj::Dict) {
        FRoot = &root;
        return;
    }
    // No trailer names it (the end of the file is lost): the last catalog in the file.
    const std::vector<int> catalogs = ObjectsOfType("Catalog");
    if (!catalogs.empty())
        FRoot = Object(catalogs.back());
}

bool TPDFFile::StreamData(const TObj& AStream, QByteArray& AOut)
{
    AOut.clear();
    if (!AStream.IsStream() || FBudget <= 0)
        return false;
    const TObj& filter = Resolve(AStream.Get("Filter"));
    std::vector<const TObj*> filters;
    if (filter.Kind == TObj::Name)
        filters.push_back(&filter);
    else if (filter.Kind == TObj::Array)
        for (const TObj& f : filter.Items)
            filters.push_back(&Resolve(&f));
    else if (filter.Kind != TObj::Null)
        return false;
    for (const TObj* f : filters) {
        if (!f->IsName("FlateDecode") && !f->IsName("Fl"))
            return false;
    }
    // Predictors serve image and cross-reference data, not text; such a stream is not read.
    auto predicted = [&](const TObj& AParms) {
        const TObj& p = Resolve(AParms.Get("Predictor"));
        return p.IsNumber() && p.Num > 1;
    };
    const TObj& parms = Resolve(AStream.Get("DecodeParms"));
    if (predicted(parms))
        return false;
    for (const TObj& p : parms.Items) {
        if (parms.Kind == TObj::Array && predicted(Resolve(&p)))
            return false;
    }
    const qsizetype size = AStream.StreamEnd - AStream.StreamBegin;
    QByteArray data =
        QByteArray::fromRawData(FRaw.constData() + AStream.StreamBegin, std::min(size, FBudget));
    for (size_t k = 0; k < filters.size(); ++k) {
        QByteArray out;
        if (!Inflate(data.constData(), data.size(), std::min(MaxStreamBytes, FBudget), out)) {
            FBudget -= out.size();
            return false;
        }
        data = std::move(out);
    }
    FBudget -= data.size();
    AOut = std::move(data);
    return true;
}

// ---- Fonts ------------------------------------------------------------------------------

// The text of the codes of a ToUnicode map.
class TUnicodeMap
{
public:
    void Parse(const QByteArray& AData);
    bool Find(uint32_t ACode, QString& AOut) const;

private:
    struct TRange
    {
        uint32_t Lo, Hi;
        QString Base;              // for Lo; each next code adds one to its last unit
        std::vector<QString> Each; // or a text for each code
    };
    static uint32_t Code(const QByteArray& ABytes);
    static QString Utf16(const QByteArray& ABytes);

    std::unordered_map<uint32_t, QString> FChars;
    std::vector<TRange> FRanges; // by Lo
};

uint32_t TUnicodeMap::Code(const QByteArray& ABytes)
{
    uint32_t v = 0;
    for (char b : ABytes)
        v = (v << 8) | uchar(b);
    return v;
}

QString TUnicodeMap::Utf16(const QByteArray& ABytes)
{
    if (ABytes.size() == 1)
        return QString(QChar(char16_t(uchar(ABytes[0]))));
    QString s;
    for (qsizetype k = 0; k + 1 < ABytes.size(); k += 2)
        s.append(QChar(char16_t((uchar(ABytes[k]) << 8) | uchar(ABytes[k + 1]))));
    return s;
}

void TUnicodeMap::Parse(const QByteArray& AData)
{
    TLexer L(AData);
    for (ETok t = L.Next(); t != ETok::End; t = L.Next()) {
        if (t != ETok::Keyword)
            continue;
        if (L.Text() == "beginbfchar") {
            for (t = L.Next(); t != ETok::End; t = L.Next()) {
                if (t == ETok::Keyword)
                    break;
                if (t != ETok::String)
                    continue;
                const uint32_t code = Code(L.Text());
                if (L.Next() != ETok::String)
                    continue;
                if (FChars.size() < MaxMapEntries)
                    FChars[code] = Normal(Utf16(L.Text()));
            }
        } else if (L.Text() == "beginbfrange") {
            for (t = L.Next(); t != ETok::End; t = L.Next()) {
                if (t == ETok::Keyword)
                    break;
                if (t != ETok::String)
                    continue;
                TRange r;
                r.Lo = Code(L.Text());
                if (L.Next() != ETok::String)
                    continue;
                r.Hi = Code(L.Text());
                t = L.Next();
                if (t == ETok::String) {
                    r.Base = Utf16(L.Text());
                } else if (t == ETok::ArrayOpen) {
                    for (t = L.Next(); t == ETok::String; t = L.Next()) {
                        if (r.Each.size() < MaxMapEntries)
                            r.Each.push_back(Normal(Utf16(L.Text())));
                    }
                } else {
                    continue;
                }
                if (r.Lo <= r.Hi && FRanges.size() < MaxMapEntries)
                    FRanges.push_back(std::move(r));
            }
        }
    }
    std::stable_sort(FRanges.begin(), FRanges.end(),
                     [](const TRange& A, const TRange& B) { return A.Lo < B.Lo; });
}

bool TUnicodeMap::Find(uint32_t ACode, QString& AOut) const
{
    const auto c = FChars.find(ACode);
    if (c != FChars.end()) {
        AOut += c->second;
        return true;
    }
    auto it = std::upper_bound(FRanges.begin(), FRanges.end(), ACode,
                               [](uint32_t A, const TRange& R) { return A < R.Lo; });
    if (it == FRanges.begin())
        return false;
    const TRange& r = *std::prev(it);
    if (ACode > r.Hi)
        return false;
    const uint32_t k = ACode - r.Lo;
    if (!r.Each.empty()) {
        if (k >= r.Each.size())
            return false;
        AOut += r.Each[k];
        return true;
    }
    if (r.Base.isEmpty())
        return false;
    QString s = r.Base;
    s[s.size() - 1] = QChar(char16_t(s.back().unicode() + k));
    AppendNormal(s, AOut);
    return true;
}

struct TFont
{
    bool TwoByte = false;            // a composite font: codes of two bytes
    std::array<QString, 256> Simple; // the text of each one-byte code
    std::array<float, 256> Widths;   // in glyph units; negative where the font gives none
    double Scale = 0.001;            // glyph units to text space
    double Missing = 500;
    std::shared_ptr<TUnicodeMap> ToUnicode;
    struct TWidthRange
    {
        uint32_t Lo, Hi;
        double Width;
    };
    std::vector<TWidthRange> CIDWidths; // by Lo
    double DefaultCIDWidth = 1000;

    TFont() { Widths.fill(-1); }
    void Text(uint32_t ACode, QString& AOut) const
    {
        if (ToUnicode && ToUnicode->Find(ACode, AOut))
            return;
        if (!TwoByte && ACode < 256)
            AOut += Simple[ACode];
    }
    double Width(uint32_t ACode) const
    {
        if (!TwoByte)
            return ACode < 256 && Widths[ACode] >= 0 ? Widths[ACode] : Missing;
        auto it = std::upper_bound(CIDWidths.begin(), CIDWidths.end(), ACode,
                                   [](uint32_t A, const TWidthRange& R) { return A < R.Lo; });
        if (it != CIDWidths.begin() && ACode <= std::prev(it)->Hi)
            return std::prev(it)->Width;
        return DefaultCIDWidth;
    }
    void SetEncoding(EEncoding AEncoding)
    {
        for (int c = 0; c < 256; ++c) {
            const char16_t ch = EncodedChar(AEncoding, uchar(c));
            Simple[c] = ch ? Normal(QStringView(&ch, 1)) : QString();
        }
    }
};

// The font used where none is known: codes read in the standard Latin text encoding (code page
// 1252), every glyph half an em wide.
const TFont& DefaultFont()
{
    static const TFont font = [] {
        TFont f;
        f.SetEncoding(EEncoding::WinAnsi);
        return f;
    }();
    return font;
}

bool EncodingByName(const TObj& AName, EEncoding& AOut)
{
    if (AName.IsName("WinAnsiEncoding"))
        AOut = EEncoding::WinAnsi;
    else if (AName.IsName("MacRomanEncoding"))
        AOut = EEncoding::MacRoman;
    else if (AName.IsName("StandardEncoding"))
        AOut = EEncoding::Standard;
    else
        return false;
    return true;
}

std::unique_ptr<TFont> LoadFont(TPDFFile& AFile, const TObj& ADict)
{
    auto font = std::make_unique<TFont>();
    const TObj& subtype = AFile.Resolve(ADict.Get("Subtype"));
    const TObj& toUnicode = AFile.Resolve(ADict.Get("ToUnicode"));
    QByteArray data;
    if (toUnicode.IsStream() && AFile.StreamData(toUnicode, data)) {
        font->ToUnicode = std::make_shared<TUnicodeMap>();
        font->ToUnicode->Parse(data);
    }
    if (subtype.IsName("Type0")) {
        font->TwoByte = true;
        const TObj& descendants = AFile.Resolve(ADict.Get("DescendantFonts"));
        const TObj& cid = descendants.Kind == TObj::Array && !descendants.Items.empty()
                              ? AFile.Resolve(&descendants.Items[0])
                              : NullObj;
        const TObj& dw = AFile.Resolve(cid.Get("DW"));
        if (dw.IsNumber())
            font->DefaultCIDWidth = dw.Num;
        const TObj& w = AFile.Resolve(cid.Get("W"));
        for (size_t k = 0; k < w.Items.size();) {
            const TObj& first = AFile.Resolve(&w.Items[k]);
            if (!first.IsNumber() || first.Num < 0 || k + 1 >= w.Items.size())
                break;
            const uint32_t lo = uint32_t(std::min(first.Num, 4294967295.0));
            const TObj& next = AFile.Resolve(&w.Items[k + 1]);
            if (next.Kind == TObj::Array) {
                for (size_t i = 0; i < next.Items.size(); ++i) {
                    const TObj& width = AFile.Resolve(&next.Items[i]);
                    if (width.IsNumber())
                        font->CIDWidths.push_back({lo + uint32_t(i), lo + uint32_t(i), width.Num});
                }
                k += 2;
            } else if (k + 2 < w.Items.size()) {
                const TObj& width = AFile.Resolve(&w.Items[k + 2]);
                if (next.IsNumber() && width.IsNumber() && next.Num >= first.Num)
                    font->CIDWidths.push_back(
                        {lo, uint32_t(std::min(next.Num, 4294967295.0)), width.Num});
                k += 3;
            } else {
                break;
            }
        }
        std::stable_sort(
            font->CIDWidths.begin(), font->CIDWidths.end(),
            [](const TFont::TWidthRange& A, const TFont::TWidthRange& B) { return A.Lo < B.Lo; });
        return font;
    }

    // A simple font: a standard encoding, changed by /Differences.
    EEncoding base = EEncoding::WinAnsi;
    const TObj& encoding = AFile.Resolve(ADict.Get("Encoding"));
    if (!EncodingByName(encoding, base))
        EncodingByName(AFile.Resolve(encoding.Get("BaseEncoding")), base);
    font->SetEncoding(base);
    const TObj& differences = AFile.Resolve(encoding.Get("Differences"));
    int code = -1;
    for (const TObj& item : differences.Items) {
        const TObj& d = AFile.Resolve(&item);
        if (d.IsNumber()) {
            code = d.Num >= 0 && d.Num < 256 ? int(d.Num) : -1;
        } else if (d.Kind == TObj::Name && code >= 0 && code < 256) {
            font->Simple[code] = GlyphText(d.Bytes);
            ++code;
        }
    }

    if (subtype.IsName("Type3")) {
        const TObj& matrix = AFile.Resolve(ADict.Get("FontMatrix"));
        if (!matrix.Items.empty() && AFile.Resolve(&matrix.Items[0]).IsNumber())
            font->Scale = AFile.Resolve(&matrix.Items[0]).Num;
    }
    const TObj& firstChar = AFile.Resolve(ADict.Get("FirstChar"));
    const TObj& widths = AFile.Resolve(ADict.Get("Widths"));
    const TObj& descriptor = AFile.Resolve(ADict.Get("FontDescriptor"));
    const TObj& missing = AFile.Resolve(descriptor.Get("MissingWidth"));
    if (widths.Kind == TObj::Array) {
        // Codes the widths do not cover have the descriptor's missing width, else none.
        font->Missing = missing.IsNumber() ? missing.Num : 0;
        const int first = firstChar.IsNumber() && firstChar.Num >= 0 && firstChar.Num < 256
                              ? int(firstChar.Num)
                              : 0;
        for (size_t k = 0; k < widths.Items.size() && first + k < 256; ++k) {
            const TObj& w = AFile.Resolve(&widths.Items[k]);
            if (w.IsNumber())
                font->Widths[first + k] = float(std::max(0.0, w.Num));
        }
    } else if (subtype.IsName("Type3")) {
        font->Missing = font->Scale > 0 ? 0.5 / font->Scale : 0; // half an em
    } else {
        // A standard font without widths: about as wide as its letters are on average.
        const TObj& baseFont = AFile.Resolve(ADict.Get("BaseFont"));
        font->Missing = missing.IsNumber() && missing.Num > 0 ? missing.Num
                        : baseFont.Bytes.contains("Courier")  ? 600
                                                              : 500;
    }
    return font;
}

// ---- Layout -----------------------------------------------------------------------------

// Gathers the strings of the pages into lines, and the lines into paragraphs.
class TLayout
{
public:
    // A string shown from AStart to AEnd (user space) in the direction (AUx, AUy), with the
    // font size ASize in user space.
    void Add(const QString& AText, double AStartX, double AStartY, double AEndX, double AEndY,
             double AUx, double AUy, double ASize);
    // The page ends: the next string starts a line of its own.
    void EndPage() { ++FPage; }
    // No more text is kept.
    bool Full() const { return FFull; }
    // The paragraphs of all the lines; "" when there is no text.
    QString Html() const;

private:
    struct TLine
    {
        QString Text;
        double Cross; // the baseline: across the direction of the text
        double End;   // where the text ends, along it
        double Size;  // the largest font size on the line
        double Ux, Uy;
        int Page;
    };
    // Whether AB follows AA on its page in the same direction, and the step down between them.
    static bool Follows(const TLine& AA, const TLine& AB, double& AStep)
    {
        AStep = AA.Cross - AB.Cross;
        return AA.Page == AB.Page && AA.Ux * AB.Ux + AA.Uy * AB.Uy > 0.99;
    }
    std::vector<TLine> FLines;
    qsizetype FChars = 0;
    int FPage = 0;
    bool FFull = false;
};

bool IsBlankText(const QString& S)
{
    return std::all_of(S.begin(), S.end(), [](QChar c) { return c == u' '; });
}

void TLayout::Add(const QString& AText, double AStartX, double AStartY, double AEndX, double AEndY,
                  double AUx, double AUy, double ASize)
{
    if (AText.isEmpty() || FFull)
        return;
    FChars += AText.size();
    if (FChars >= MaxTextChars) {
        FFull = true;
        return;
    }
    const double along = AStartX * AUx + AStartY * AUy;
    const double cross = AStartY * AUx - AStartX * AUy;
    const double end = AEndX * AUx + AEndY * AUy;
    const bool blank = IsBlankText(AText);
    if (!FLines.empty() && FLines.back().Page == FPage) {
        TLine& l = FLines.back();
        const double size = std::max(ASize, l.Size);
        if (l.Ux * AUx + l.Uy * AUy > 0.99 && std::fabs(cross - l.Cross) <= 0.5 * size) {
            // The same line: a blank where the page leaves a gap, or where the text jumps back.
            const double gap = along - l.End;
            const bool apart = gap > 0.15 * size || gap < -size;
            if ((blank || (apart && !AText.startsWith(u' '))) && !l.Text.endsWith(u' '))
                l.Text.append(u' ');
            if (!blank)
                l.Text.append(AText);
            l.End = end;
            l.Size = size;
            return;
        }
    }
    if (blank)
        return;
    if (FLines.size() >= MaxTextLines) {
        FFull = true;
        return;
    }
    FLines.push_back(TLine{AText, cross, end, ASize, AUx, AUy, FPage});
}

QString TLayout::Html() const
{
    // The usual step from one line to the next for each font size: the smallest seen between
    // lines of that size, from 0.9 em (which lines of text are seldom closer) to 3 em (which
    // lines of one paragraph are seldom further apart).
    auto key = [](double ASize) { return std::lround(ASize * 2); };
    std::map<long, double> usual;
    for (size_t k = 1; k < FLines.size(); ++k) {
        const TLine& a = FLines[k - 1];
        const TLine& b = FLines[k];
        double step;
        if (Follows(a, b, step) && key(a.Size) == key(b.Size) && step >= 0.9 * a.Size &&
            step <= 3 * a.Size && step > 0) {
            const auto it = usual.find(key(a.Size));
            if (it == usual.end() || step < it->second)
                usual[key(a.Size)] = step;
        }
    }
    auto ratio = [&](double ASize) {
        const auto it = usual.find(key(ASize));
        return it != usual.end() && ASize > 0 ? it->second / ASize : 1.2;
    };

    QString html;
    bool open = false;
    for (size_t k = 0; k < FLines.size(); ++k) {
        const TLine& b = FLines[k];
        const QStringView text = TrimCtlView(b.Text);
        if (text.isEmpty())
            continue;
        bool paragraph = true;
        double step;
        if (open && Follows(FLines[k - 1], b, step)) {
            // A new paragraph where the step down is larger than the usual spacing of such
            // lines (from the descent of the line above to the ascent of this one), by more
            // than a fifth of an em; and where the text goes up or turns.
            const TLine& a = FLines[k - 1];
            const double small = std::min(a.Size, b.Size);
            const double spacing = ratio(small) * (0.2 * a.Size + 0.8 * b.Size);
            paragraph = step <= 0 || step > spacing + 0.2 * small;
        }
        if (paragraph) {
            if (open)
                html.append(u"</p>\r\n");
            html.append(u"<p>");
            open = true;
        } else {
            html.append(u"<br>");
        }
        // Runs of blanks that place text on the line are one blank in the text.
        QString line;
        line.reserve(text.size());
        for (QChar c : text) {
            if (c != u' ' || !line.endsWith(u' '))
                line.append(c);
        }
        AppendEscaped(line, html);
    }
    if (open)
        html.append(u"</p>\r\n");
    return html;
}

// ---- Content streams --------------------------------------------------------------------

struct TMatrix
{
    double A = 1, B = 0, C = 0, D = 1, E = 0, F = 0;
    // This matrix, then AM.
    TMatrix operator*(const TMatrix& AM) const
    {
        return {A * AM.A + B * AM.C, A * AM.B + B * AM.D,        C * AM.A + D * AM.C,
                C * AM.B + D * AM.D, E * AM.A + F * AM.C + AM.E, E * AM.B + F * AM.D + AM.F};
    }
    void Map(double AX, double AY, double& AOutX, double& AOutY) const
    {
        AOutX = A * AX + C * AY + E;
        AOutY = B * AX + D * AY + F;
    }
};

TMatrix Translation(double AX, double AY)
{
    return {1, 0, 0, 1, AX, AY};
}

struct TGState
{
    TMatrix Ctm;
    const TFont* Font = nullptr;
    double Size = 0, CharSpace = 0, WordSpace = 0, HScale = 1, Leading = 0, Rise = 0;
};

// Runs content streams, passing what their text operators show to a layout.
class TInterpreter
{
public:
    TInterpreter(TPDFFile* AFile, TLayout& ALayout) : FFile(AFile), FLayout(ALayout) {}
    // A page starts: the graphics state as at the start of a page.
    void BeginPage();
    // Runs one content stream of the page; the streams of a page are one content stream
    // divided between tokens, so operands may stand in one and their operator in the next.
    void Run(const QByteArray& AContent, const TObj* AResources)
    {
        Run(AContent, AResources, FOps, 0);
    }
    // The layout keeps no more text: nothing more need be read.
    bool Full() const { return FLayout.Full(); }

private:
    const TFont* FontNamed(const TObj* AResources, const QByteArray& AName);
    void Show(const QByteArray& ABytes);
    void MoveText(double AX, double AY)
    {
        FLineMatrix = Translation(AX, AY) * FLineMatrix;
        FTextMatrix = FLineMatrix;
    }
    void Run(const QByteArray& AContent, const TObj* AResources, std::vector<TObj>& AOps,
             int ADepth);
    void DrawForm(const TObj* AResources, const QByteArray& AName, int ADepth);
    const TObj& Resolve(const TObj* AObj) { return FFile ? FFile->Resolve(AObj) : NullObj; }

    TPDFFile* FFile;
    TLayout& FLayout;
    TGState FState;
    std::vector<TGState> FSaved;
    TMatrix FTextMatrix, FLineMatrix;
    bool FInText = false;
    std::vector<TObj> FOps; // the operands of the page's streams
    std::unordered_map<const TObj*, std::unique_ptr<TFont>> FFonts;
};

void TInterpreter::BeginPage()
{
    FState = TGState();
    FSaved.clear();
    FTextMatrix = FLineMatrix = TMatrix();
    FInText = false;
    FOps.clear();
}

const TFont* TInterpreter::FontNamed(const TObj* AResources, const QByteArray& AName)
{
    if (!FFile || !AResources)
        return nullptr;
    const TObj& fonts = Resolve(AResources->Get("Font"));
    const TObj& dict = Resolve(fonts.Get(AName));
    if (dict.Kind != TObj::Dict)
        return nullptr;
    auto& font = FFonts[&dict];
    if (!font)
        font = LoadFont(*FFile, dict);
    return font.get();
}

void TInterpreter::Show(const QByteArray& ABytes)
{
    if (!FInText)
        return;
    const TFont& font = FState.Font ? *FState.Font : DefaultFont();
    const TMatrix m = FTextMatrix * FState.Ctm;
    double sx, sy;
    m.Map(0, FState.Rise, sx, sy);
    const double len = std::hypot(m.A, m.B);
    const double ux = len > 0 ? m.A / len : 1, uy = len > 0 ? m.B / len : 0;
    const double size = std::fabs(FState.Size) * std::hypot(m.C, m.D);
    // The string goes to the layout in pieces where the spacing after a glyph (character and
    // word spacing) leaves a gap as wide as a blank, as a page may put the blanks between
    // words; each piece ends where its last glyph does.
    const double apart = 0.15 * std::fabs(FState.Size);
    QString text;
    double tx = 0, from = 0, visibleEnd = 0;
    auto flush = [&] {
        double px, py, ex, ey;
        m.Map(from, FState.Rise, px, py);
        m.Map(visibleEnd, FState.Rise, ex, ey);
        FLayout.Add(text, px, py, ex, ey, ux, uy, size);
        text.clear();
    };
    const unsigned char* b = reinterpret_cast<const unsigned char*>(ABytes.constData());
    const qsizetype n = ABytes.size();
    const qsizetype step = font.TwoByte ? 2 : 1;
    for (qsizetype k = 0; k + step <= n; k += step) {
        const uint32_t code = font.TwoByte ? (uint32_t(b[k]) << 8) | b[k + 1] : b[k];
        const qsizetype before = text.size();
        font.Text(code, text);
        const double glyph = font.Width(code) * font.Scale * FState.Size * FState.HScale;
        double spacing = FState.CharSpace;
        if (!font.TwoByte && code == 32)
            spacing += FState.WordSpace;
        spacing *= FState.HScale;
        // A blank that the spacing makes narrower than a blank's gap separates nothing.
        if (text.size() == before + 1 && text.back() == u' ' && glyph + spacing < apart)
            text.chop(1);
        visibleEnd = tx + glyph;
        tx = visibleEnd + spacing;
        if (spacing > apart && k + step < n) {
            flush();
            from = tx;
        }
    }
    flush();
    FTextMatrix = Translation(tx, 0) * FTextMatrix;
}

void TInterpreter::DrawForm(const TObj* AResources, const QByteArray& AName, int ADepth)
{
    if (!FFile || !AResources || ADepth >= MaxFormDepth)
        return;
    const TObj& forms = Resolve(AResources->Get("XObject"));
    const TObj& form = Resolve(forms.Get(AName));
    if (!form.IsStream() || !Resolve(form.Get("Subtype")).IsName("Form"))
        return;
    QByteArray data;
    if (!FFile->StreamData(form, data))
        return;
    TMatrix m;
    const TObj& matrix = Resolve(form.Get("Matrix"));
    if (matrix.Items.size() == 6) {
        double v[6];
        for (int k = 0; k < 6; ++k) {
            const TObj& x = Resolve(&matrix.Items[k]);
            v[k] = x.IsNumber() ? x.Num : 0;
        }
        m = {v[0], v[1], v[2], v[3], v[4], v[5]};
    }
    const TObj& own = Resolve(form.Get("Resources"));
    const TGState saved = FState;
    const TMatrix textMatrix = FTextMatrix, lineMatrix = FLineMatrix;
    const bool inText = FInText;
    const size_t depth = FSaved.size();
    FState.Ctm = m * FState.Ctm;
    std::vector<TObj> ops;
    Run(data, own.Kind == TObj::Dict ? &own : AResources, ops, ADepth + 1);
    FSaved.resize(std::min(FSaved.size(), depth));
    FState = saved;
    FTextMatrix = textMatrix;
    FLineMatrix = lineMatrix;
    FInText = inText;
}

void TInterpreter::Run(const QByteArray& AContent, const TObj* AResources, std::vector<TObj>& ops,
                       int ADepth)
{
    TLexer L(AContent);
    auto num = [&](size_t AFromEnd) {
        const TObj& o = ops[ops.size() - AFromEnd];
        return o.IsNumber() ? o.Num : 0.0;
    };
    while (!FLayout.Full()) {
        const ETok t = L.Next();
        if (t == ETok::End)
            break;
        if (t != ETok::Keyword) {
            if (t == ETok::ArrayClose || t == ETok::DictClose || t == ETok::Other)
                continue;
            if (ops.size() < MaxOperands) {
                ops.emplace_back();
                ParseValue(L, t, ops.back(), 0, false);
            } else {
                TObj skipped;
                ParseValue(L, t, skipped, 0, false);
            }
            continue;
        }
        const QByteArray& op = L.Text();
        const size_t have = ops.size();
        if (op == "BT") {
            FInText = true;
            FTextMatrix = FLineMatrix = TMatrix();
        } else if (op == "ET") {
            FInText = false;
        } else if (op == "Tj" && have >= 1) {
            if (ops.back().Kind == TObj::String)
                Show(ops.back().Bytes);
        } else if (op == "TJ" && have >= 1) {
            for (const TObj& item : ops.back().Items) {
                if (item.Kind == TObj::String)
                    Show(item.Bytes);
                else if (item.IsNumber() && FInText)
                    FTextMatrix = Translation(-item.Num / 1000 * FState.Size * FState.HScale, 0) *
                                  FTextMatrix;
            }
        } else if (op == "Td" && have >= 2) {
            MoveText(num(2), num(1));
        } else if (op == "TD" && have >= 2) {
            FState.Leading = -num(1);
            MoveText(num(2), num(1));
        } else if (op == "Tm" && have >= 6) {
            FLineMatrix = FTextMatrix = {num(6), num(5), num(4), num(3), num(2), num(1)};
        } else if (op == "T*") {
            MoveText(0, -FState.Leading);
        } else if (op == "'" && have >= 1) {
            MoveText(0, -FState.Leading);
            if (ops.back().Kind == TObj::String)
                Show(ops.back().Bytes);
        } else if (op == "\"" && have >= 3) {
            FState.WordSpace = num(3);
            FState.CharSpace = num(2);
            MoveText(0, -FState.Leading);
            if (ops.back().Kind == TObj::String)
                Show(ops.back().Bytes);
        } else if (op == "Tf" && have >= 2) {
            FState.Size = num(1);
            const TObj& name = ops[have - 2];
            FState.Font = name.Kind == TObj::Name ? FontNamed(AResources, name.Bytes) : nullptr;
        } else if (op == "Tc" && have >= 1) {
            FState.CharSpace = num(1);
        } else if (op == "Tw" && have >= 1) {
            FState.WordSpace = num(1);
        } else if (op == "Tz" && have >= 1) {
            FState.HScale = num(1) / 100;
        } else if (op == "TL" && have >= 1) {
            FState.Leading = num(1);
        } else if (op == "Ts" && have >= 1) {
            FState.Rise = num(1);
        } else if (op == "q") {
            if (FSaved.size() < MaxStateDepth)
                FSaved.push_back(FState);
        } else if (op == "Q") {
            if (!FSaved.empty()) {
                FState = FSaved.back();
                FSaved.pop_back();
            }
        } else if (op == "cm" && have >= 6) {
            FState.Ctm = TMatrix{num(6), num(5), num(4), num(3), num(2), num(1)} * FState.Ctm;
        } else if (op == "Do" && have >= 1) {
            if (ops.back().Kind == TObj::Name)
                DrawForm(AResources, ops.back().Bytes, ADepth);
        } else if (op == "ID") {
            L.SkipInlineImage();
        }
        ops.clear();
    }
}

// The resources of a page, which it may take from the nodes of the page tree above it.
const TObj* PageResources(TPDFFile& AFile, const TObj& APage)
{
    const TObj* node = &APage;
    for (int k = 0; node && node->Kind == TObj::Dict && k < MaxNesting; ++k) {
        const TObj& res = AFile.Resolve(node->Get("Resources"));
        if (res.Kind == TObj::Dict)
            return &res;
        node = &AFile.Resolve(node->Get("Parent"));
    }
    return nullptr;
}

// The pages under ANode in order, each with the resources it has or inherits.
void CollectPages(TPDFFile& AFile, const TObj& ANode, const TObj* AResources, int ADepth,
                  std::unordered_set<const TObj*>& ASeen,
                  std::vector<std::pair<const TObj*, const TObj*>>& APages)
{
    if (ANode.Kind != TObj::Dict || ADepth > MaxNesting || !ASeen.insert(&ANode).second)
        return;
    const TObj& res = AFile.Resolve(ANode.Get("Resources"));
    const TObj* resources = res.Kind == TObj::Dict ? &res : AResources;
    const TObj& kids = AFile.Resolve(ANode.Get("Kids"));
    if (kids.Kind == TObj::Array && !AFile.Resolve(ANode.Get("Type")).IsName("Page")) {
        for (const TObj& kid : kids.Items)
            CollectPages(AFile, AFile.Resolve(&kid), resources, ADepth + 1, ASeen, APages);
        return;
    }
    APages.emplace_back(&ANode, resources);
}

void RunPage(TPDFFile& AFile, TInterpreter& AInterpreter, const TObj& APage, const TObj* AResources)
{
    const TObj& contents = AFile.Resolve(APage.Get("Contents"));
    std::vector<const TObj*> streams;
    if (contents.IsStream())
        streams.push_back(&contents);
    for (const TObj& c : contents.Items) {
        if (contents.Kind == TObj::Array)
            streams.push_back(&AFile.Resolve(&c));
    }
    AInterpreter.BeginPage();
    QByteArray data;
    for (const TObj* s : streams) {
        if (!AInterpreter.Full() && AFile.StreamData(*s, data))
            AInterpreter.Run(data, AResources);
    }
}

} // namespace

namespace importer {

QString ReadQuoted(const QByteArray& ARaw, qsizetype& APos)
{
    TLexer L(ARaw, APos);
    L.ReadLiteral();
    APos = L.Pos();
    QString s;
    for (char b : L.Text())
        DefaultFont().Text(uchar(b), s);
    return s;
}

QString ReadHex(const QByteArray& ARaw, qsizetype& APos)
{
    TLexer L(ARaw, APos);
    L.ReadHex();
    APos = L.Pos();
    QString s;
    for (char b : L.Text())
        DefaultFont().Text(uchar(b), s);
    return s;
}

QString ConvertPDFContent(const QByteArray& AContent)
{
    TLayout layout;
    TInterpreter interpreter(nullptr, layout);
    interpreter.BeginPage();
    interpreter.Run(AContent, nullptr);
    const QString html = layout.Html();
    return html.isEmpty() ? Notice : html;
}

QString ConvertPDF(const QByteArray& ARaw)
{
    TPDFFile file(ARaw);
    if (!file.IsPDF())
        return QString();
    if (file.Encrypted())
        return Notice;
    TLayout layout;
    TInterpreter interpreter(&file, layout);
    std::vector<std::pair<const TObj*, const TObj*>> pages;
    std::unordered_set<const TObj*> seen;
    if (file.Root())
        CollectPages(file, file.Resolve(file.Root()->Get("Pages")), nullptr, 0, seen, pages);
    if (pages.empty()) {
        // No page tree (a damaged or cut file): its page objects in file order, or else every
        // stream that may be page content.
        for (int num : file.ObjectsOfType("Page")) {
            const TObj* page = file.Object(num);
            if (page)
                pages.emplace_back(page, PageResources(file, *page));
        }
    }
    for (const auto& [page, resources] : pages) {
        if (interpreter.Full())
            break;
        RunPage(file, interpreter, *page, resources);
        layout.EndPage();
    }
    if (pages.empty()) {
        std::vector<int> streams;
        file.ForEachObject([&](int ANum, const TObj& AObj) {
            if (AObj.IsStream() && !AObj.Get("Type") && !AObj.Get("Subtype") &&
                !AObj.Get("Length1") && !AObj.Get("Length2") && !AObj.Get("Length3"))
                streams.push_back(ANum);
        });
        QByteArray data;
        for (int num : streams) {
            const TObj* s = file.Object(num);
            if (s && !interpreter.Full() && file.StreamData(*s, data)) {
                interpreter.BeginPage();
                interpreter.Run(data, nullptr);
                layout.EndPage();
            }
        }
    }
    const QString html = layout.Html();
    return html.isEmpty() ? Notice : html;
}

} // namespace importer

QString ImportPDF(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    return ConvertPDF(ReadFileBytes(APath, MaxPDFBytes));
}

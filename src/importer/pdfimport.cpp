// PDF import: one scan over the file's bytes as content-stream tokens, collecting the strings
// that the text operators show inside text objects.
#include "importer.h"
#include "importer_p.h"

#include <vector>

using namespace importer;

namespace {

constexpr qint64 MaxPDFBytes = 10485760;
constexpr int MaxCollected = 15;

// A string byte as text: printable ASCII as it is, bytes above 127 in the standard Latin
// text encoding of PDF fonts (WinAnsi, code page 1252); control bytes give nothing.
void PutByte(QString* AOut, unsigned char AByte)
{
    if (!AOut || AByte < 32)
        return;
    const char16_t c = AByte < 128 ? char16_t(AByte) : Cp1252Char(AByte);
    if (c != 0)
        AOut->append(QChar(c));
}

// A literal string from its "(" to the ")" that balances it; AOut may be null to skip it.
void ReadQuotedInto(const QByteArray& ARaw, qsizetype& APos, QString* AOut)
{
    const auto* r = reinterpret_cast<const unsigned char*>(ARaw.constData());
    const qsizetype n = ARaw.size();
    qsizetype i = APos + 1;
    int depth = 0;
    while (i < n) {
        const unsigned char c = r[i];
        if (c == '\\') {
            if (i + 1 >= n) {
                i = n;
                break;
            }
            const unsigned char d = r[i + 1];
            i += 2;
            if (d == 'n' || d == 'r' || d == 't') {
                if (AOut)
                    AOut->append(u' ');
            } else if (d == 'b' || d == 'f') {
                // backspace and form feed show nothing
            } else if (d >= '0' && d <= '7') {
                int value = d - '0';
                for (int k = 0; k < 2 && i < n && r[i] >= '0' && r[i] <= '7'; ++k, ++i)
                    value = value * 8 + (r[i] - '0');
                PutByte(AOut, static_cast<unsigned char>(value & 0xFF));
            } else if (d == '\r') {
                if (i < n && r[i] == '\n')
                    ++i; // a backslash before a line break continues the string
            } else if (d != '\n') {
                PutByte(AOut, d);
            }
        } else if (c == '(') {
            ++depth;
            PutByte(AOut, c);
            ++i;
        } else if (c == ')') {
            ++i;
            if (depth == 0)
                break;
            --depth;
            PutByte(AOut, c);
        } else {
            PutByte(AOut, c);
            ++i;
        }
    }
    APos = i;
}

int HexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A hexadecimal string: its digits in pairs, white space between them ignored, each byte read
// as a literal string's byte is. A last digit without its pair adds nothing.
void ReadHexInto(const QByteArray& ARaw, qsizetype& APos, QString* AOut)
{
    const auto* r = reinterpret_cast<const unsigned char*>(ARaw.constData());
    const qsizetype n = ARaw.size();
    qsizetype i = APos + 1;
    int high = -1;
    while (i < n) {
        const unsigned char c = r[i++];
        if (c == '>')
            break;
        const int digit = HexDigit(c);
        if (digit < 0)
            continue;
        if (high < 0) {
            high = digit;
        } else {
            PutByte(AOut, static_cast<unsigned char>(high * 16 + digit));
            high = -1;
        }
    }
    APos = i;
}

bool IsSpace(unsigned char c)
{
    return c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

bool EndsToken(unsigned char c)
{
    return IsSpace(c) || c == '%' || c == '(' || c == '/' || c == '<' || c == '>' || c == '[' ||
           c == ']';
}

bool IsNumber(QByteArrayView T)
{
    qsizetype k = 0;
    if (k < T.size() && (T[k] == '+' || T[k] == '-'))
        ++k;
    bool digits = false, dot = false;
    for (; k < T.size(); ++k) {
        if (T[k] >= '0' && T[k] <= '9')
            digits = true;
        else if (T[k] == '.' && !dot)
            dot = true;
        else
            return false;
    }
    return digits;
}

} // namespace

namespace importer {

QString ReadQuoted(const QByteArray& ARaw, qsizetype& APos)
{
    QString s;
    ReadQuotedInto(ARaw, APos, &s);
    return s;
}

QString ReadHex(const QByteArray& ARaw, qsizetype& APos)
{
    QString s;
    ReadHexInto(ARaw, APos, &s);
    return s;
}

QString ConvertPDF(const QByteArray& ARaw)
{
    const auto* r = reinterpret_cast<const unsigned char*>(ARaw.constData());
    const qsizetype n = ARaw.size();
    QString Plain;
    bool InBT = false;
    std::vector<QString> collected(MaxCollected);
    int count = 0;
    auto newLine = [&] {
        if (!Plain.isEmpty() && !Plain.endsWith(u'\n'))
            Plain.append(u'\n');
    };
    auto show = [&] {
        for (int k = 0; k < count; ++k)
            Plain.append(collected[k]);
        Plain.append(u' ');
        count = 0;
    };
    auto slot = [&]() -> QString* {
        if (!InBT || count >= MaxCollected)
            return nullptr;
        collected[count].clear();
        return &collected[count];
    };

    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = r[i];
        if (IsSpace(c)) {
            ++i;
        } else if (c == '%') {
            while (i < n && r[i] != '\n' && r[i] != '\r')
                ++i;
        } else if (c == '(') {
            QString* s = slot();
            ReadQuotedInto(ARaw, i, s);
            if (s)
                ++count;
        } else if (c == '<') {
            if (i + 1 < n && r[i + 1] == '<') {
                i += 2;
                continue;
            }
            QString* s = slot();
            ReadHexInto(ARaw, i, s);
            if (s)
                ++count;
        } else if (c == '[' || c == ']') {
            ++i;
        } else {
            qsizetype j = i;
            while (j < n && !EndsToken(r[j]))
                ++j;
            if (j == i) {
                ++i;
                continue;
            }
            const QByteArrayView tok(ARaw.constData() + i, j - i);
            i = j;
            if (tok == "BT") {
                InBT = true;
            } else if (tok == "ET") {
                InBT = false;
                newLine();
                count = 0;
            } else if (InBT && (tok == "Tj" || tok == "TJ")) {
                show();
            } else if (InBT && (tok == "'" || tok == "\"")) {
                newLine(); // move to the next line, then show
                show();
            } else if (InBT && (tok == "Td" || tok == "TD" || tok == "T*" || tok == "Tm")) {
                count = 0;
                newLine();
            } else if (!IsNumber(tok)) {
                count = 0;
            }
        }
    }

    const QString out = TextParagraphs(Plain);
    if (out.isEmpty())
        return QStringLiteral("<p><em>(No extractable text found in this PDF.)</em></p>");
    return out;
}

} // namespace importer

QString ImportPDF(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    return ConvertPDF(ReadFileBytes(APath, MaxPDFBytes));
}

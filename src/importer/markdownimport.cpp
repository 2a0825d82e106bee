// Markdown (and plain-text) import: one pass over the lines with a few flags, and the inline
// conversion of each line.
#include "importer.h"
#include "importer_p.h"

using namespace importer;

namespace {

bool IsDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool IsInlineSpecial(char16_t c)
{
    return c == u'`' || c == u'*' || c == u'_' || c == u'[' || c == u'&' || c == u'<' || c == u'>';
}

// Appends the inline conversion of S to R.
void AppendInline(QStringView S, QString& R)
{
    const qsizetype n = S.size();
    // Where the next "]" and ")" are, remembered so that a line full of brackets is still
    // read once: -2 not looked for yet, -1 none.
    qsizetype closeAt = -2, closeFrom = 0;
    qsizetype parenAt = -2, parenFrom = 0;
    auto findFrom = [&S](char16_t AChar, qsizetype AFrom, qsizetype& AAt, qsizetype& AAtFrom) {
        if (AAt == -2 || AFrom < AAtFrom || (AAt >= 0 && AAt < AFrom)) {
            AAt = S.indexOf(QChar(AChar), AFrom);
            AAtFrom = AFrom;
        }
        return AAt;
    };
    qsizetype i = 0;
    while (i < n) {
        const QChar c = S[i];
        if (c == u'`') {
            const qsizetype j = S.indexOf(u'`', i + 1);
            const qsizetype end = j < 0 ? n : j;
            R.append(u"<code>");
            AppendEscaped(S.mid(i + 1, end - i - 1), R);
            R.append(u"</code>");
            i = j < 0 ? n : j + 1;
            continue;
        }
        if (c == u'*' || c == u'_') {
            const qsizetype rem = n - i;
            const bool triple = c == u'*' && rem >= 3 && S[i + 1] == c && S[i + 2] == c;
            const bool twice = !triple && rem >= 2 && S[i + 1] == c;
            const qsizetype ml = triple ? 3 : twice ? 2 : 1;
            const qsizetype start = i + ml;
            QStringView inner;
            if (ml == 1) {
                const qsizetype k = S.indexOf(c, start);
                inner = S.mid(start, (k < 0 ? n : k) - start);
                i = k < 0 ? n : k + 1;
            } else {
                qsizetype j = start;
                bool found = false;
                for (; n - j >= ml; ++j) {
                    if (S[j] == c && S[j + 1] == c && (ml == 2 || S[j + 2] == c)) {
                        found = true;
                        break;
                    }
                }
                // Without a closer the last characters are left to the scan; never half of
                // a surrogate pair.
                if (!found && j > start && S[j].isLowSurrogate() && S[j - 1].isHighSurrogate())
                    --j;
                inner = S.mid(start, j - start);
                i = found ? j + ml : j;
            }
            const char16_t* open = triple ? u"<strong><em>" : twice ? u"<strong>" : u"<em>";
            const char16_t* close = triple ? u"</em></strong>" : twice ? u"</strong>" : u"</em>";
            R.append(QStringView(open));
            AppendInline(inner, R);
            R.append(QStringView(close));
            continue;
        }
        if (c == u'[') {
            const qsizetype rb = findFrom(u']', i + 1, closeAt, closeFrom);
            if (rb >= 0 && rb + 1 < n && S[rb + 1] == u'(') {
                const qsizetype rp = findFrom(u')', rb + 2, parenAt, parenFrom);
                if (rp >= 0) {
                    const QStringView text = S.mid(i + 1, rb - i - 1);
                    const QStringView address = S.mid(rb + 2, rp - rb - 2);
                    if (IsScriptAddress(address, false)) {
                        // A link that would run code when followed keeps only its text.
                        AppendInline(text, R);
                    } else {
                        R.append(u"<a href=\"");
                        AppendEscaped(address, R);
                        R.append(u"\">");
                        AppendInline(text, R);
                        R.append(u"</a>");
                    }
                    i = rp + 1;
                    continue;
                }
            }
            R.append(c);
            ++i;
            continue;
        }
        if (c == u'&') {
            R.append(u"&amp;");
        } else if (c == u'<') {
            R.append(u"&lt;");
        } else if (c == u'>') {
            R.append(u"&gt;");
        } else {
            // A run of characters without meaning here is copied at once.
            qsizetype j = i + 1;
            while (j < n && !IsInlineSpecial(S[j].unicode()))
                ++j;
            R.append(S.data() + i, j - i);
            i = j;
            continue;
        }
        ++i;
    }
}

} // namespace

QString MDInline(const QString& S)
{
    QString R;
    R.reserve(S.size() + S.size() / 4);
    AppendInline(S, R);
    return R;
}

namespace {

// The block pass over the lines that ANextLine gives one after the other (false at the end),
// writing the HTML lines, each ended with CR + LF, to the result.
template <typename ALineSource>
QString ConvertLines(ALineSource ANextLine, qsizetype ASizeHint, QString& ATitle)
{
    const QString fileTitle = ATitle;
    QString out;
    out.reserve(ASizeHint + ASizeHint / 2 + 16);
    bool InPara = false, InUL = false, InOL = false, InBQ = false, InCode = false;
    auto line = [&out](QStringView AText) {
        out.append(AText);
        out.append(u"\r\n");
    };
    auto closePara = [&] {
        if (InPara)
            line(u"</p>");
        InPara = false;
    };
    // An item or quote line: AOpen, the inline conversion of AText, AClose.
    auto wrapped = [&out](QStringView AOpen, QStringView AText, QStringView AClose) {
        out.append(AOpen);
        AppendInline(AText, out);
        out.append(AClose);
        out.append(u"\r\n");
    };
    QStringView L;
    while (ANextLine(L)) {
        const QStringView T = TrimLeftCtl(L);
        const QStringView P = T.left(2);
        if (T.startsWith(u"```")) {
            if (InCode) {
                line(u"</code></pre>");
                InCode = false;
            } else {
                closePara();
                line(u"<pre><code>");
                InCode = true;
            }
            continue;
        }
        if (InCode) {
            AppendEscaped(L, out);
            out.append(u"\r\n");
            continue;
        }
        const bool bullet = P == u"- " || P == u"* ";
        if (InUL && !bullet) {
            line(u"</ul>");
            InUL = false;
        }
        if (InBQ && P != u"> ") {
            line(u"</blockquote>");
            InBQ = false;
        }
        if (InOL) {
            const qsizetype D = T.size() > 2 ? T.indexOf(u'.') : -1;
            if (D < 1 || !IsDigit(T[0])) {
                line(u"</ol>");
                InOL = false;
            }
        }
        const QStringView trimmed = TrimCtlView(L);
        if (trimmed.isEmpty()) {
            closePara();
            continue;
        }
        int hashes = 0;
        while (hashes < 6 && hashes < L.size() && L[hashes] == u'#')
            ++hashes;
        if (hashes >= 1 && L.size() > hashes && L[hashes] == u' ') {
            closePara();
            const QStringView H = TrimCtlView(L.mid(hashes + 1));
            // An empty first heading leaves the file name as the title.
            if (hashes == 1 && ATitle == fileTitle && !H.isEmpty())
                ATitle = H.toString();
            const char16_t level = char16_t(u'0' + hashes);
            out.append(u"<h");
            out.append(QChar(level));
            out.append(u'>');
            AppendInline(H, out);
            out.append(u"</h");
            out.append(QChar(level));
            out.append(u">\r\n");
            continue;
        }
        if (trimmed == u"---" || trimmed == u"***" || trimmed == u"___") {
            closePara();
            line(u"<hr>");
            continue;
        }
        if (P == u"> ") {
            closePara();
            if (!InBQ) {
                line(u"<blockquote>");
                InBQ = true;
            }
            wrapped(u"<p>", T.mid(2), u"</p>");
            continue;
        }
        if (bullet) {
            closePara();
            if (!InUL) {
                line(u"<ul>");
                InUL = true;
            }
            wrapped(u"<li>", T.mid(2), u"</li>");
            continue;
        }
        if (T.size() > 2 && IsDigit(T[0])) {
            const qsizetype D = T.indexOf(u'.');
            if (D >= 0 && D + 1 < T.size() && T[D + 1] == u' ') {
                closePara();
                if (!InOL) {
                    line(u"<ol>");
                    InOL = true;
                }
                wrapped(u"<li>", T.mid(D + 2), u"</li>");
                continue;
            }
        }
        if (!InPara) {
            line(u"<p>");
            InPara = true;
        } else {
            line(u"<br>");
        }
        AppendInline(L, out);
        out.append(u"\r\n");
    }
    if (InPara)
        line(u"</p>");
    if (InUL)
        line(u"</ul>");
    if (InOL)
        line(u"</ol>");
    if (InBQ)
        line(u"</blockquote>");
    if (InCode)
        line(u"</code></pre>");
    out.squeeze();
    return out;
}

} // namespace

namespace importer {

QString ConvertMarkdown(const QStringList& ALines, QString& ATitle)
{
    qsizetype k = 0, total = 0;
    for (const QString& l : ALines)
        total += l.size();
    return ConvertLines(
        [&](QStringView& ALine) {
            if (k >= ALines.size())
                return false;
            ALine = ALines[k++];
            return true;
        },
        total, ATitle);
}

QString ImportMarkdownFile(const QString& APath, QString& ATitle, qsizetype APieceBytes)
{
    ATitle = FileTitle(APath);
    // The file is read and decoded a piece at a time (no line crosses two pieces), so that
    // neither its bytes nor its text are ever held whole beside the result.
    TFilePieces pieces(APath, APieceBytes);
    QString piece;
    qsizetype pos = 0;
    return ConvertLines(
        [&](QStringView& ALine) {
            while (NextLine(piece, pos, ALine) < 0) {
                if (!pieces.Next(piece))
                    return false;
                pos = 0;
            }
            return true;
        },
        qsizetype(pieces.FileSize()), ATitle);
}

} // namespace importer

QString ImportMarkdown(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    if (HoldsBinary(ReadFileBytes(APath, BinaryProbeBytes)))
        return QString(); // a binary file named .md or .txt
    return ImportMarkdownFile(APath, ATitle, PieceBytes);
}

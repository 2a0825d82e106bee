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

} // namespace

QString MDInline(const QString& S)
{
    const qsizetype n = S.size();
    QString R;
    R.reserve(n + n / 4);
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
            R.append(EscapeHTML(S.mid(i + 1, end - i - 1)));
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
            QString inner;
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
            R.append(MDInline(inner));
            R.append(QStringView(close));
            continue;
        }
        if (c == u'[') {
            const qsizetype rb = findFrom(u']', i + 1, closeAt, closeFrom);
            if (rb >= 0 && rb + 1 < n && S[rb + 1] == u'(') {
                const qsizetype rp = findFrom(u')', rb + 2, parenAt, parenFrom);
                if (rp >= 0) {
                    const QString text = S.mid(i + 1, rb - i - 1);
                    const QString address = S.mid(rb + 2, rp - rb - 2);
                    if (IsScriptAddress(address, false)) {
                        // A link that would run code when followed keeps only its text.
                        R.append(MDInline(text));
                    } else {
                        R.append(u"<a href=\"");
                        R.append(EscapeHTML(address));
                        R.append(u"\">");
                        R.append(MDInline(text));
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
        if (c == u'&')
            R.append(u"&amp;");
        else if (c == u'<')
            R.append(u"&lt;");
        else if (c == u'>')
            R.append(u"&gt;");
        else
            R.append(c);
        ++i;
    }
    return R;
}

namespace importer {

QString ConvertMarkdown(const QStringList& ALines, QString& ATitle)
{
    const QString fileTitle = ATitle;
    QStringList out;
    bool InPara = false, InUL = false, InOL = false, InBQ = false, InCode = false;
    auto closePara = [&] {
        if (InPara)
            out.append(QStringLiteral("</p>"));
        InPara = false;
    };
    for (const QString& L : ALines) {
        const QStringView T = TrimLeftCtl(L);
        const QStringView P = T.left(2);
        if (T.startsWith(u"```")) {
            if (InCode) {
                out.append(QStringLiteral("</code></pre>"));
                InCode = false;
            } else {
                closePara();
                out.append(QStringLiteral("<pre><code>"));
                InCode = true;
            }
            continue;
        }
        if (InCode) {
            out.append(EscapeHTML(L));
            continue;
        }
        const bool bullet = P == u"- " || P == u"* ";
        if (InUL && !bullet) {
            out.append(QStringLiteral("</ul>"));
            InUL = false;
        }
        if (InBQ && P != u"> ") {
            out.append(QStringLiteral("</blockquote>"));
            InBQ = false;
        }
        if (InOL) {
            const qsizetype D = T.size() > 2 ? T.indexOf(u'.') : -1;
            if (D < 1 || !IsDigit(T[0])) {
                out.append(QStringLiteral("</ol>"));
                InOL = false;
            }
        }
        if (TrimCtl(L).isEmpty()) {
            closePara();
            continue;
        }
        int hashes = 0;
        while (hashes < 6 && hashes < L.size() && L[hashes] == u'#')
            ++hashes;
        if (hashes >= 1 && L.size() > hashes && L[hashes] == u' ') {
            closePara();
            const QString H = TrimCtl(QStringView(L).mid(hashes + 1));
            // An empty first heading leaves the file name as the title.
            if (hashes == 1 && ATitle == fileTitle && !H.isEmpty())
                ATitle = H;
            const QString level = QString::number(hashes);
            out.append(QStringLiteral("<h") + level + u'>' + MDInline(H) + QStringLiteral("</h") +
                       level + u'>');
            continue;
        }
        const QString trimmed = TrimCtl(L);
        if (trimmed == u"---" || trimmed == u"***" || trimmed == u"___") {
            closePara();
            out.append(QStringLiteral("<hr>"));
            continue;
        }
        if (P == u"> ") {
            closePara();
            if (!InBQ) {
                out.append(QStringLiteral("<blockquote>"));
                InBQ = true;
            }
            out.append(QStringLiteral("<p>") + MDInline(T.mid(2).toString()) +
                       QStringLiteral("</p>"));
            continue;
        }
        if (bullet) {
            closePara();
            if (!InUL) {
                out.append(QStringLiteral("<ul>"));
                InUL = true;
            }
            out.append(QStringLiteral("<li>") + MDInline(T.mid(2).toString()) +
                       QStringLiteral("</li>"));
            continue;
        }
        if (T.size() > 2 && IsDigit(T[0])) {
            const qsizetype D = T.indexOf(u'.');
            if (D >= 0 && D + 1 < T.size() && T[D + 1] == u' ') {
                closePara();
                if (!InOL) {
                    out.append(QStringLiteral("<ol>"));
                    InOL = true;
                }
                out.append(QStringLiteral("<li>") + MDInline(T.mid(D + 2).toString()) +
                           QStringLiteral("</li>"));
                continue;
            }
        }
        if (!InPara) {
            out.append(QStringLiteral("<p>"));
            InPara = true;
        } else {
            out.append(QStringLiteral("<br>"));
        }
        out.append(MDInline(L));
    }
    if (InPara)
        out.append(QStringLiteral("</p>"));
    if (InUL)
        out.append(QStringLiteral("</ul>"));
    if (InOL)
        out.append(QStringLiteral("</ol>"));
    if (InBQ)
        out.append(QStringLiteral("</blockquote>"));
    if (InCode)
        out.append(QStringLiteral("</code></pre>"));

    QString result;
    qsizetype total = 0;
    for (const QString& line : out)
        total += line.size() + 2;
    result.reserve(total);
    for (const QString& line : out) {
        result.append(line);
        result.append(u"\r\n");
    }
    return result;
}

} // namespace importer

QString ImportMarkdown(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    return ConvertMarkdown(SplitLines(ReadFileAsText(APath)), ATitle);
}

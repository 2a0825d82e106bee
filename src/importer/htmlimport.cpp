// HTML import and the markup routines: tag content, tag blocks, and the clean-up of event
// attributes and other active content.
#include "importer.h"
#include "importer_p.h"

#include <cstring>
#include <map>
#include <vector>

using namespace importer;

namespace {

bool IsTagSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

bool IsAsciiAlpha(char16_t c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

template <size_t N> bool IsOneOf(QStringView AName, const QStringView (&ANames)[N])
{
    for (const QStringView name : ANames) {
        if (AName == name)
            return true;
    }
    return false;
}

QString LowerASCIIString(QStringView S)
{
    QString r(S.size(), Qt::Uninitialized);
    for (qsizetype k = 0; k < S.size(); ++k)
        r[k] = QChar(LowerASCII(S[k].unicode()));
    return r;
}

// The text of an attribute value as the browser reads it, for the address checks: character
// references decoded (numeric ones, and the named ones that spell a colon, tab or new line),
// then every blank and control character dropped and ASCII letters lower-cased, as an address
// parser ignores them.
QString AddressKey(QStringView V)
{
    QString r;
    r.reserve(V.size());
    auto put = [&r](char32_t u) {
        if (u > 0x20)
            r.append(QChar::fromUcs4(u));
    };
    const qsizetype n = V.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t c = V[i].unicode();
        if (c == u'&' && i + 1 < n && V[i + 1] == u'#') {
            qsizetype j = i + 2;
            const bool hex = j < n && (V[j] == u'x' || V[j] == u'X');
            if (hex)
                ++j;
            const qsizetype digits = j;
            char32_t value = 0;
            for (; j < n; ++j) {
                const char16_t d = V[j].unicode();
                int dv;
                if (d >= u'0' && d <= u'9')
                    dv = d - u'0';
                else if (hex && d >= u'a' && d <= u'f')
                    dv = d - u'a' + 10;
                else if (hex && d >= u'A' && d <= u'F')
                    dv = d - u'A' + 10;
                else
                    break;
                value = value > 0x10FFFF ? value : value * (hex ? 16 : 10) + dv;
            }
            if (j == digits) {
                r.append(u'&');
                ++i;
                continue;
            }
            if (j < n && V[j] == u';')
                ++j;
            if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
                value = 0xFFFD;
            put(value < 0x80 ? LowerASCII(char16_t(value)) : value);
            i = j;
            continue;
        }
        if (c == u'&') {
            static const struct
            {
                const char16_t* Name;
                char16_t Char;
            } named[] = {{u"&colon;", u':'}, {u"&Tab;", u'\t'}, {u"&NewLine;", u'\n'}};
            bool done = false;
            for (const auto& e : named) {
                const QStringView name(e.Name);
                if (V.mid(i, name.size()) == name) {
                    put(e.Char);
                    i += name.size();
                    done = true;
                    break;
                }
            }
            if (done)
                continue;
        }
        put(LowerASCII(c));
        ++i;
    }
    return r;
}

} // namespace

bool importer::IsScriptAddress(QStringView AValue, bool AAnywhere)
{
    const QString key = AddressKey(AValue);
    for (const char16_t* scheme : {u"javascript:", u"vbscript:", u"data:"}) {
        if (AAnywhere ? key.contains(QStringView(scheme)) : key.startsWith(QStringView(scheme)))
            return true;
    }
    return false;
}

namespace {

// Whether AKey, an address as AddressKey reads it, is an embedded raster image: "data:image/"
// and a type of letters, digits, ".", "+" or "-" ended by ";" or ",", other than SVG (an
// image cannot run script, but SVG is a document of its own). Such an address is kept in an
// image's source.
bool IsDataImageKey(QStringView AKey)
{
    const QStringView prefix(u"data:image/");
    if (!AKey.startsWith(prefix))
        return false;
    qsizetype e = prefix.size();
    while (e < AKey.size()) {
        const char16_t c = AKey[e].unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'+' ||
              c == u'-'))
            break;
        ++e;
    }
    if (e == prefix.size() || e >= AKey.size() || (AKey[e] != u';' && AKey[e] != u','))
        return false;
    return AKey.mid(prefix.size(), e - prefix.size()) != u"svg+xml";
}

// Whether an image's candidate list (srcset) holds an address other than an image's: a
// script address, or a data: address that is not an embedded raster image.
bool HasNonImageAddress(QStringView AValue)
{
    const QString key = AddressKey(AValue);
    if (key.contains(u"javascript:") || key.contains(u"vbscript:"))
        return true;
    for (qsizetype k = key.indexOf(u"data:"); k >= 0; k = key.indexOf(u"data:", k + 1)) {
        if (!IsDataImageKey(QStringView(key).mid(k)))
            return true;
    }
    return false;
}

struct TAttr
{
    qsizetype NameStart = 0, NameEnd = 0;
    qsizetype ValueStart = -1, ValueEnd = -1; // the value's characters, quotes excluded
    qsizetype End = 0;                        // past the value (closing quote included)
};

struct TTag
{
    qsizetype Start = 0, End = 0; // End is past the ">" (or the end of the text)
    bool IsEnd = false;
    bool Closed = false; // ended by its ">", not by the end of the text
    QString Name;        // lower-cased
    std::vector<TAttr> Attrs;
};

// One pass over the markup in the states a browser's tokenizer goes through (text, tags with
// their attributes, comments, bogus comments, raw-text elements). Text is copied as it is,
// except that every "<" which does not open markup becomes "&lt;", also inside attribute
// values, comments and raw text: so another reading of the result (inside SVG or MathML, for
// example, where raw-text elements hold markup) cannot find a tag that this pass has not seen.
class TMarkupCleaner
{
public:
    TMarkupCleaner(QStringView AText, bool AActive) : FS(AText), FActive(AActive) {}

    QString Run()
    {
        const qsizetype n = FS.size();
        FOut.reserve(n + n / 32);
        qsizetype i = 0;
        while (i < n) {
            if (FS[i] != u'<') {
                qsizetype j = i;
                while (j < n && FS[j] != u'<')
                    ++j;
                FOut.append(FS.mid(i, j - i));
                i = j;
                continue;
            }
            const char16_t d = i + 1 < n ? FS[i + 1].unicode() : 0;
            if (d == u'!') {
                i = FS.mid(i + 2, 2) == u"--" ? Comment(i) : Bogus(i, 2);
            } else if (d == u'?') {
                i = Bogus(i, 1);
            } else if (d == u'/') {
                const char16_t e = i + 2 < n ? FS[i + 2].unicode() : 0;
                if (IsAsciiAlpha(e)) {
                    i = Tag(i, true);
                } else if (e == u'>') {
                    FOut.append(u"</>");
                    i += 3;
                } else if (i + 2 >= n) {
                    FOut.append(u"&lt;/");
                    i = n;
                } else {
                    i = Bogus(i, 2);
                }
            } else if (IsAsciiAlpha(d)) {
                i = Tag(i, false);
            } else {
                FOut.append(u"&lt;");
                ++i;
            }
        }
        return FOut;
    }

private:
    // Copies FS[AFrom, ATo) with every "<" written as "&lt;".
    void AppendEscapingLT(qsizetype AFrom, qsizetype ATo)
    {
        for (qsizetype k = AFrom; k < ATo; ++k) {
            if (FS[k] == u'<')
                FOut.append(u"&lt;");
            else
                FOut.append(FS[k]);
        }
    }

    // "<!--" up to the browser's end of a comment: "-->" or "--!>", and "<!-->" or "<!--->"
    // at once. Returns the position after it.
    qsizetype Comment(qsizetype AStart)
    {
        const qsizetype n = FS.size();
        qsizetype j = AStart + 4;
        qsizetype end = n;
        if (j < n && FS[j] == u'>') {
            end = j + 1;
        } else if (FS.mid(j, 2) == u"->") {
            end = j + 2;
        } else {
            for (; j + 2 < n; ++j) {
                if (FS[j] != u'-' || FS[j + 1] != u'-')
                    continue;
                if (FS[j + 2] == u'>') {
                    end = j + 3;
                    break;
                }
                if (j + 3 < n && FS[j + 2] == u'!' && FS[j + 3] == u'>') {
                    end = j + 4;
                    break;
                }
            }
        }
        FOut.append(u"<!--");
        AppendEscapingLT(AStart + 4, end);
        return end;
    }

    // A declaration, processing instruction or malformed end tag: up to the first ">".
    qsizetype Bogus(qsizetype AStart, qsizetype AOpenLen)
    {
        const qsizetype g = FS.indexOf(u'>', AStart + AOpenLen);
        const qsizetype end = g < 0 ? FS.size() : g + 1;
        FOut.append(FS.mid(AStart, AOpenLen));
        AppendEscapingLT(AStart + AOpenLen, end);
        return end;
    }

    // Reads the tag at AStart into t, reusing its storage.
    void ReadTag(qsizetype AStart, bool AIsEnd, TTag& t) const
    {
        const qsizetype n = FS.size();
        t.Start = AStart;
        t.IsEnd = AIsEnd;
        t.Closed = false;
        t.Attrs.clear();
        qsizetype p = AStart + (AIsEnd ? 2 : 1);
        const qsizetype nameStart = p;
        while (p < n && !IsTagSpace(FS[p].unicode()) && FS[p] != u'/' && FS[p] != u'>')
            ++p;
        t.Name.resize(p - nameStart);
        QChar* name = t.Name.data();
        for (qsizetype k = nameStart; k < p; ++k)
            *name++ = QChar(LowerASCII(FS[k].unicode()));
        for (;;) {
            while (p < n && (IsTagSpace(FS[p].unicode()) || FS[p] == u'/'))
                ++p;
            if (p >= n) {
                t.End = n;
                return;
            }
            if (FS[p] == u'>') {
                t.End = p + 1;
                t.Closed = true;
                return;
            }
            TAttr a;
            a.NameStart = p++;
            while (p < n && !IsTagSpace(FS[p].unicode()) && FS[p] != u'/' && FS[p] != u'>' &&
                   FS[p] != u'=')
                ++p;
            a.NameEnd = a.End = p;
            qsizetype q = p;
            while (q < n && IsTagSpace(FS[q].unicode()))
                ++q;
            if (q < n && FS[q] == u'=') {
                ++q;
                while (q < n && IsTagSpace(FS[q].unicode()))
                    ++q;
                if (q < n && (FS[q] == u'"' || FS[q] == u'\'')) {
                    const qsizetype close = FS.indexOf(FS[q], q + 1);
                    a.ValueStart = q + 1;
                    a.ValueEnd = close < 0 ? n : close;
                    a.End = close < 0 ? n : close + 1;
                } else {
                    a.ValueStart = q;
                    while (q < n && !IsTagSpace(FS[q].unicode()) && FS[q] != u'>')
                        ++q;
                    a.ValueEnd = a.End = q;
                }
                p = a.End;
            }
            t.Attrs.push_back(a);
        }
    }

    bool DropAttr(const TTag& ATag, const TAttr& A) const
    {
        const QStringView name = FS.mid(A.NameStart, A.NameEnd - A.NameStart);
        if (name.contains(u'<'))
            return true; // not a real attribute; would read as a tag elsewhere
        if (name.size() >= 3 && LowerASCII(name[0].unicode()) == u'o' &&
            LowerASCII(name[1].unicode()) == u'n' && IsAsciiAlpha(name[2].unicode()))
            return true;
        if (!FActive || A.ValueStart < 0 || ATag.IsEnd)
            return false;
        auto is = [name](QStringView ALower) {
            return name.size() == ALower.size() && StartsWithCI(name, 0, ALower);
        };
        const QStringView value = FS.mid(A.ValueStart, A.ValueEnd - A.ValueStart);
        if (is(u"srcset"))
            return HasNonImageAddress(value);
        if (is(u"src") && ATag.Name == u"img")
            return IsScriptAddress(value, false) && !IsDataImageKey(AddressKey(value));
        if (is(u"href") || is(u"src") || is(u"action") || is(u"formaction") || is(u"xlink:href"))
            return IsScriptAddress(value, false);
        if (is(u"values") || is(u"to") || is(u"from") || is(u"by"))
            return IsScriptAddress(value, true);
        return false;
    }

    void EmitTag(const TTag& ATag)
    {
        qsizetype p = ATag.Start;
        for (const TAttr& a : ATag.Attrs) {
            if (DropAttr(ATag, a)) {
                FOut.append(FS.mid(p, a.NameStart - p));
                p = a.End;
            } else if (a.ValueStart >= 0) {
                FOut.append(FS.mid(p, a.ValueStart - p));
                AppendEscapingLT(a.ValueStart, a.ValueEnd);
                p = a.ValueEnd;
            }
        }
        FOut.append(FS.mid(p, ATag.End - p));
    }

    // First end tag of raw-text element AName at or after AFrom that the browser takes as
    // its end ("</name" and then a blank, "/" or ">"); -1 if none. Remembers the last answer
    // per name, so that many unclosed elements still take one pass.
    qsizetype FindRawEnd(const QString& AName, qsizetype AFrom)
    {
        auto it = FRawEnds.find(AName);
        if (it != FRawEnds.end() && it->second.first <= AFrom &&
            (it->second.second < 0 || it->second.second >= AFrom))
            return it->second.second;
        const QString pattern = QStringLiteral("</") + AName;
        qsizetype k = AFrom;
        qsizetype found = -1;
        while ((k = IndexOfCI(FS, pattern, k)) >= 0) {
            const qsizetype after = k + pattern.size();
            if (after < FS.size() &&
                (IsTagSpace(FS[after].unicode()) || FS[after] == u'/' || FS[after] == u'>')) {
                found = k;
                break;
            }
            ++k;
        }
        FRawEnds[AName] = {AFrom, found};
        return found;
    }

    static bool IsRemovedElement(const QString& AName)
    {
        static constexpr QStringView names[] = {u"iframe", u"frame",  u"frameset", u"object",
                                                u"embed",  u"applet", u"base",     u"meta",
                                                u"link",   u"form",   u"script",   u"style"};
        return IsOneOf(AName, names);
    }

    static bool IsRawTextElement(const QString& AName)
    {
        static constexpr QStringView names[] = {u"title",  u"textarea", u"style",    u"xmp",
                                                u"iframe", u"noembed",  u"noframes", u"noscript",
                                                u"script", u"plaintext"};
        return IsOneOf(AName, names);
    }

    qsizetype Tag(qsizetype AStart, bool AIsEnd)
    {
        TTag& tag = FTag; // one tag at a time: its storage serves every tag
        ReadTag(AStart, AIsEnd, tag);
        if (tag.Name.contains(u'<'))
            return tag.End; // no element has such a name; read elsewhere, it would be a tag
        if (FActive && !tag.Closed)
            return tag.End; // a browser drops a tag the text ends in; trimmed, it could form one
        if (FActive && IsRemovedElement(tag.Name)) {
            if (!AIsEnd &&
                (tag.Name == u"iframe" || tag.Name == u"script" || tag.Name == u"style")) {
                // Raw content that is never shown: with its end tag it goes as a whole.
                const qsizetype close = FindRawEnd(tag.Name, tag.End);
                if (close >= 0) {
                    TTag end;
                    ReadTag(close, true, end);
                    return end.End;
                }
            }
            return tag.End;
        }
        EmitTag(tag);
        if (AIsEnd || !IsRawTextElement(tag.Name))
            return tag.End;
        qsizetype close = tag.Name == u"plaintext" ? -1 : FindRawEnd(tag.Name, tag.End);
        if (close < 0)
            close = FS.size();
        AppendEscapingLT(tag.End, close);
        return close;
    }

    QStringView FS;
    bool FActive;
    QString FOut;
    TTag FTag;
    std::map<QString, std::pair<qsizetype, qsizetype>> FRawEnds;
};

QString JoinedLines(const QString& AText)
{
    // Every line ends with CR + LF, as a text read by ReadFileAsText.
    QString out = AText;
    EndLinesWithCRLF(out);
    return out;
}

// Where the content of the first element whose tag starts with ATag begins and ends (up to its
// end tag or the end of the text); false when there is no such element.
bool FindTagContent(QStringView AHtml, QStringView ATag, qsizetype& AStart, qsizetype& AEnd)
{
    const QString open = u'<' + ATag.toString();
    const qsizetype p = IndexOfCI(AHtml, open, 0);
    if (p < 0)
        return false;
    const qsizetype g = AHtml.indexOf(u'>', p);
    if (g < 0)
        return false;
    AStart = g + 1;
    AEnd = IndexOfCI(AHtml, QStringLiteral("</") + ATag.toString() + u'>', AStart);
    if (AEnd < 0)
        AEnd = AHtml.size();
    return true;
}

// Removes the blanks and controls at both ends of S, in place.
void TrimInPlace(QString& S)
{
    const QStringView t = TrimCtlView(S);
    const qsizetype from = t.data() - S.constData();
    S.truncate(from + t.size());
    S.remove(0, from);
}

} // namespace

QString ExtractTagContent(const QString& AHtml, const QString& ATag)
{
    qsizetype start, end;
    return FindTagContent(AHtml, ATag, start, end) ? AHtml.mid(start, end - start) : QString();
}

namespace {

// RemoveTagBlocks on S itself: the kept text is written over the front of S, which it never
// overtakes, so the text is read and written in one pass without a copy.
void RemoveTagBlocksInPlace(QString& S, QStringView ATag)
{
    // One pass with the result of deleting the first block and searching again from the
    // start: a new opening tag can only form across the place of the last deletion, so only
    // the kept text's last characters are looked at again. An opening tag is "<" + ATag with
    // the name ending there (a blank, "/", ">" or the end of the text follows), so that a
    // longer name such as "styled-box" is another element.
    const QString open = u'<' + ATag.toString();
    const QString close = QStringLiteral("</") + ATag.toString() + u'>';
    const qsizetype n = S.size();
    const qsizetype m = open.size();
    auto nameEndsAt = [](QStringView AText, qsizetype APos) {
        return APos >= AText.size() || IsTagSpace(AText[APos].unicode()) || AText[APos] == u'/' ||
               AText[APos] == u'>';
    };
    auto findOpen = [&](QStringView AText, qsizetype AFrom) {
        qsizetype p = IndexOfCI(AText, open, AFrom);
        while (p >= 0 && !nameEndsAt(AText, p + m))
            p = IndexOfCI(AText, open, p + 1);
        return p;
    };
    if (findOpen(S, 0) < 0)
        return; // nothing to remove: the text stays shared
    QChar* d = S.data();
    const QStringView src(d, n); // read only from pos on, where nothing is written
    qsizetype kept = 0;          // d[0, kept) is the result so far
    qsizetype pos = 0;
    auto keep = [&](qsizetype AFrom, qsizetype ATo) {
        if (kept != AFrom)
            std::memmove(d + kept, d + AFrom, size_t(ATo - AFrom) * sizeof(QChar));
        kept += ATo - AFrom;
    };
    for (;;) {
        const QStringView out(d, kept);
        qsizetype joined = -1;
        for (qsizetype k = qMax<qsizetype>(0, kept - m); k < kept; ++k) {
            const qsizetype inOut = kept - k;
            if (StartsWithCI(out, k, QStringView(open).left(inOut)) &&
                StartsWithCI(src, pos, QStringView(open).mid(inOut)) &&
                nameEndsAt(src, pos + m - inOut)) {
                joined = k;
                break;
            }
        }
        qsizetype from;
        if (joined >= 0) {
            kept = joined;
            from = pos;
        } else {
            const qsizetype p = findOpen(src, pos);
            if (p < 0) {
                keep(pos, n);
                break;
            }
            keep(pos, p);
            from = p;
        }
        const qsizetype c = IndexOfCI(src, close, from);
        if (c < 0) {
            // Deleted up to the end of the text, which now ends a name the kept text ends in.
            while (kept >= m && StartsWithCI(QStringView(d, kept), kept - m, open))
                kept -= m;
            break;
        }
        pos = c + close.size();
    }
    S.truncate(kept);
}

} // namespace

QString RemoveTagBlocks(const QString& AHtml, const QString& ATag)
{
    QString out = AHtml;
    RemoveTagBlocksInPlace(out, ATag);
    return out;
}

QString StripEventAttrs(const QString& AHtml)
{
    return JoinedLines(TMarkupCleaner(AHtml, false).Run());
}

QString StripActiveContent(const QString& AHtml)
{
    return JoinedLines(TMarkupCleaner(AHtml, true).Run());
}

namespace importer {

QString ConvertHTMLText(QString&& AText, QString& ATitle)
{
    QString text = std::move(AText);
    qsizetype start = 0, end = 0;
    if (FindTagContent(text, u"title", start, end)) {
        const QString title = TrimCtl(QStringView(text).mid(start, end - start));
        if (!title.isEmpty())
            ATitle = title;
    }
    if (FindTagContent(text, u"body", start, end)) {
        text.truncate(end);
        text.remove(0, start);
    }
    RemoveTagBlocksInPlace(text, u"script");
    RemoveTagBlocksInPlace(text, u"style");
    QString body = TMarkupCleaner(text, true).Run();
    text = QString();
    EndLinesWithCRLF(body);
    TrimInPlace(body);
    body.squeeze();
    return body;
}

QString ConvertHTML(const QString& ARaw, QString& ATitle)
{
    return ConvertHTMLText(QString(ARaw), ATitle);
}

} // namespace importer

namespace {

// Whether a cleaned body shows anything: a character that is not blank outside the markup, or
// an element that shows content without text (an image, a drawing, a media element, a rule,
// a table, a form control).
bool HasVisibleContent(QStringView AHtml)
{
    static constexpr QStringView shown[] = {u"img",     u"svg",    u"video",    u"audio",
                                            u"picture", u"canvas", u"math",     u"hr",
                                            u"table",   u"input",  u"textarea", u"select"};
    const qsizetype n = AHtml.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t c = AHtml[i].unicode();
        if (c == u'<' && i + 1 < n &&
            (IsAsciiAlpha(AHtml[i + 1].unicode()) || AHtml[i + 1] == u'/' || AHtml[i + 1] == u'!' ||
             AHtml[i + 1] == u'?')) {
            const bool comment = AHtml.mid(i, 4) == u"<!--";
            const qsizetype end = comment ? AHtml.indexOf(u"-->", i + 4) : AHtml.indexOf(u'>', i);
            if (IsAsciiAlpha(AHtml[i + 1].unicode())) {
                qsizetype e = i + 1;
                while (e < n && IsAsciiAlpha(AHtml[e].unicode()))
                    ++e;
                if (IsOneOf(LowerASCIIString(AHtml.mid(i + 1, e - i - 1)), shown))
                    return true;
            }
            if (end < 0)
                return false;
            i = end + (comment ? 3 : 1);
            continue;
        }
        if (!IsBlankOrCtl(QChar(c)) && c != 0xA0)
            return true;
        ++i;
    }
    return false;
}

} // namespace

QString ImportHTML(const QString& APath, QString& ATitle)
{
    ATitle = FileTitle(APath);
    QString text = DecodeText(ReadFileBytes(APath), true);
    const QString body = ConvertHTMLText(std::move(text), ATitle);
    return HasVisibleContent(body) ? body : QString();
}

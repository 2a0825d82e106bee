// HTML import and the markup routines: tag content, tag blocks, and the clean-up of event
// attributes and other active content.
#include "importer.h"
#include "importer_p.h"

#include <algorithm>
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

// Where the first end tag of element AName at or after AFrom starts, as a browser finds it:
// "</" and the name in any case, then a blank, a line break, "/" or ">"; -1 if none. AEnd, when
// given, receives the position after the tag's ">" (or the end of the text).
qsizetype FindEndTag(QStringView AText, QStringView AName, qsizetype AFrom,
                     qsizetype* AEnd = nullptr)
{
    QString pattern = QStringLiteral("</");
    pattern += AName;
    const qsizetype n = AText.size();
    for (qsizetype k = AFrom; (k = IndexOfCI(AText, pattern, k)) >= 0; ++k) {
        const qsizetype after = k + pattern.size();
        if (after < n &&
            (IsTagSpace(AText[after].unicode()) || AText[after] == u'/' || AText[after] == u'>')) {
            if (AEnd) {
                const qsizetype g = AText.indexOf(u'>', after);
                *AEnd = g < 0 ? n : g + 1;
            }
            return k;
        }
    }
    return -1;
}

struct TEntity
{
    const char16_t* Name;
    char16_t Char;
};

// The named character references of HTML 4 and their capitalised forms, ordered by name.
const TEntity Entities[] = {
    {u"AElig", 0x00C6},    {u"AMP", 0x0026},     {u"Aacute", 0x00C1},  {u"Acirc", 0x00C2},
    {u"Agrave", 0x00C0},   {u"Alpha", 0x0391},   {u"Aring", 0x00C5},   {u"Atilde", 0x00C3},
    {u"Auml", 0x00C4},     {u"Beta", 0x0392},    {u"COPY", 0x00A9},    {u"Ccedil", 0x00C7},
    {u"Chi", 0x03A7},      {u"Dagger", 0x2021},  {u"Delta", 0x0394},   {u"ETH", 0x00D0},
    {u"Eacute", 0x00C9},   {u"Ecirc", 0x00CA},   {u"Egrave", 0x00C8},  {u"Epsilon", 0x0395},
    {u"Eta", 0x0397},      {u"Euml", 0x00CB},    {u"GT", 0x003E},      {u"Gamma", 0x0393},
    {u"Iacute", 0x00CD},   {u"Icirc", 0x00CE},   {u"Igrave", 0x00CC},  {u"Iota", 0x0399},
    {u"Iuml", 0x00CF},     {u"Kappa", 0x039A},   {u"LT", 0x003C},      {u"Lambda", 0x039B},
    {u"Mu", 0x039C},       {u"Ntilde", 0x00D1},  {u"Nu", 0x039D},      {u"OElig", 0x0152},
    {u"Oacute", 0x00D3},   {u"Ocirc", 0x00D4},   {u"Ograve", 0x00D2},  {u"Omega", 0x03A9},
    {u"Omicron", 0x039F},  {u"Oslash", 0x00D8},  {u"Otilde", 0x00D5},  {u"Ouml", 0x00D6},
    {u"Phi", 0x03A6},      {u"Pi", 0x03A0},      {u"Prime", 0x2033},   {u"Psi", 0x03A8},
    {u"QUOT", 0x0022},     {u"REG", 0x00AE},     {u"Rho", 0x03A1},     {u"Scaron", 0x0160},
    {u"Sigma", 0x03A3},    {u"THORN", 0x00DE},   {u"Tau", 0x03A4},     {u"Theta", 0x0398},
    {u"Uacute", 0x00DA},   {u"Ucirc", 0x00DB},   {u"Ugrave", 0x00D9},  {u"Upsilon", 0x03A5},
    {u"Uuml", 0x00DC},     {u"Xi", 0x039E},      {u"Yacute", 0x00DD},  {u"Yuml", 0x0178},
    {u"Zeta", 0x0396},     {u"aacute", 0x00E1},  {u"acirc", 0x00E2},   {u"acute", 0x00B4},
    {u"aelig", 0x00E6},    {u"agrave", 0x00E0},  {u"alefsym", 0x2135}, {u"alpha", 0x03B1},
    {u"amp", 0x0026},      {u"and", 0x2227},     {u"ang", 0x2220},     {u"apos", 0x0027},
    {u"aring", 0x00E5},    {u"asymp", 0x2248},   {u"atilde", 0x00E3},  {u"auml", 0x00E4},
    {u"bdquo", 0x201E},    {u"beta", 0x03B2},    {u"brvbar", 0x00A6},  {u"bull", 0x2022},
    {u"cap", 0x2229},      {u"ccedil", 0x00E7},  {u"cedil", 0x00B8},   {u"cent", 0x00A2},
    {u"chi", 0x03C7},      {u"circ", 0x02C6},    {u"clubs", 0x2663},   {u"cong", 0x2245},
    {u"copy", 0x00A9},     {u"crarr", 0x21B5},   {u"cup", 0x222A},     {u"curren", 0x00A4},
    {u"dArr", 0x21D3},     {u"dagger", 0x2020},  {u"darr", 0x2193},    {u"deg", 0x00B0},
    {u"delta", 0x03B4},    {u"diams", 0x2666},   {u"divide", 0x00F7},  {u"eacute", 0x00E9},
    {u"ecirc", 0x00EA},    {u"egrave", 0x00E8},  {u"empty", 0x2205},   {u"emsp", 0x2003},
    {u"ensp", 0x2002},     {u"epsilon", 0x03B5}, {u"equiv", 0x2261},   {u"eta", 0x03B7},
    {u"eth", 0x00F0},      {u"euml", 0x00EB},    {u"euro", 0x20AC},    {u"exist", 0x2203},
    {u"fnof", 0x0192},     {u"forall", 0x2200},  {u"frac12", 0x00BD},  {u"frac14", 0x00BC},
    {u"frac34", 0x00BE},   {u"frasl", 0x2044},   {u"gamma", 0x03B3},   {u"ge", 0x2265},
    {u"gt", 0x003E},       {u"hArr", 0x21D4},    {u"harr", 0x2194},    {u"hearts", 0x2665},
    {u"hellip", 0x2026},   {u"iacute", 0x00ED},  {u"icirc", 0x00EE},   {u"iexcl", 0x00A1},
    {u"igrave", 0x00EC},   {u"image", 0x2111},   {u"infin", 0x221E},   {u"int", 0x222B},
    {u"iota", 0x03B9},     {u"iquest", 0x00BF},  {u"isin", 0x2208},    {u"iuml", 0x00EF},
    {u"kappa", 0x03BA},    {u"lArr", 0x21D0},    {u"lambda", 0x03BB},  {u"lang", 0x2329},
    {u"laquo", 0x00AB},    {u"larr", 0x2190},    {u"lceil", 0x2308},   {u"ldquo", 0x201C},
    {u"le", 0x2264},       {u"lfloor", 0x230A},  {u"lowast", 0x2217},  {u"loz", 0x25CA},
    {u"lrm", 0x200E},      {u"lsaquo", 0x2039},  {u"lsquo", 0x2018},   {u"lt", 0x003C},
    {u"macr", 0x00AF},     {u"mdash", 0x2014},   {u"micro", 0x00B5},   {u"middot", 0x00B7},
    {u"minus", 0x2212},    {u"mu", 0x03BC},      {u"nabla", 0x2207},   {u"nbsp", 0x00A0},
    {u"ndash", 0x2013},    {u"ne", 0x2260},      {u"ni", 0x220B},      {u"not", 0x00AC},
    {u"notin", 0x2209},    {u"nsub", 0x2284},    {u"ntilde", 0x00F1},  {u"nu", 0x03BD},
    {u"oacute", 0x00F3},   {u"ocirc", 0x00F4},   {u"oelig", 0x0153},   {u"ograve", 0x00F2},
    {u"oline", 0x203E},    {u"omega", 0x03C9},   {u"omicron", 0x03BF}, {u"oplus", 0x2295},
    {u"or", 0x2228},       {u"ordf", 0x00AA},    {u"ordm", 0x00BA},    {u"oslash", 0x00F8},
    {u"otilde", 0x00F5},   {u"otimes", 0x2297},  {u"ouml", 0x00F6},    {u"para", 0x00B6},
    {u"part", 0x2202},     {u"permil", 0x2030},  {u"perp", 0x22A5},    {u"phi", 0x03C6},
    {u"pi", 0x03C0},       {u"piv", 0x03D6},     {u"plusmn", 0x00B1},  {u"pound", 0x00A3},
    {u"prime", 0x2032},    {u"prod", 0x220F},    {u"prop", 0x221D},    {u"psi", 0x03C8},
    {u"quot", 0x0022},     {u"rArr", 0x21D2},    {u"radic", 0x221A},   {u"rang", 0x232A},
    {u"raquo", 0x00BB},    {u"rarr", 0x2192},    {u"rceil", 0x2309},   {u"rdquo", 0x201D},
    {u"real", 0x211C},     {u"reg", 0x00AE},     {u"rfloor", 0x230B},  {u"rho", 0x03C1},
    {u"rlm", 0x200F},      {u"rsaquo", 0x203A},  {u"rsquo", 0x2019},   {u"sbquo", 0x201A},
    {u"scaron", 0x0161},   {u"sdot", 0x22C5},    {u"sect", 0x00A7},    {u"shy", 0x00AD},
    {u"sigma", 0x03C3},    {u"sigmaf", 0x03C2},  {u"sim", 0x223C},     {u"spades", 0x2660},
    {u"sub", 0x2282},      {u"sube", 0x2286},    {u"sum", 0x2211},     {u"sup", 0x2283},
    {u"sup1", 0x00B9},     {u"sup2", 0x00B2},    {u"sup3", 0x00B3},    {u"supe", 0x2287},
    {u"szlig", 0x00DF},    {u"tau", 0x03C4},     {u"there4", 0x2234},  {u"theta", 0x03B8},
    {u"thetasym", 0x03D1}, {u"thinsp", 0x2009},  {u"thorn", 0x00FE},   {u"tilde", 0x02DC},
    {u"times", 0x00D7},    {u"trade", 0x2122},   {u"uArr", 0x21D1},    {u"uacute", 0x00FA},
    {u"uarr", 0x2191},     {u"ucirc", 0x00FB},   {u"ugrave", 0x00F9},  {u"uml", 0x00A8},
    {u"upsih", 0x03D2},    {u"upsilon", 0x03C5}, {u"uuml", 0x00FC},    {u"weierp", 0x2118},
    {u"xi", 0x03BE},       {u"yacute", 0x00FD},  {u"yen", 0x00A5},     {u"yuml", 0x00FF},
    {u"zeta", 0x03B6},     {u"zwj", 0x200D},     {u"zwnj", 0x200C},
};

// The character of the named reference whose name is AName; 0 when there is none. With
// ALegacy, only the names a browser also reads without a closing semicolon.
char16_t EntityChar(QStringView AName, bool ALegacy)
{
    const auto it = std::lower_bound(
        std::begin(Entities), std::end(Entities), AName,
        [](const TEntity& AEntity, QStringView AKey) { return QStringView(AEntity.Name) < AKey; });
    if (it == std::end(Entities) || QStringView(it->Name) != AName)
        return 0;
    if (ALegacy && (it->Char > 0xFF || AName == u"apos"))
        return 0;
    return it->Char;
}

bool IsAsciiAlnum(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The numeric character reference at APos ("&#" and decimal digits, or "&#x" and hexadecimal
// ones, then an optional ";"): its code point in AValue (U+FFFD for zero, a surrogate or beyond
// U+10FFFF) and the position after it in ANext; false when no digit follows.
bool ReadNumericRef(QStringView S, qsizetype APos, char32_t& AValue, qsizetype& ANext)
{
    const qsizetype n = S.size();
    qsizetype j = APos + 2;
    const bool hex = j < n && (S[j] == u'x' || S[j] == u'X');
    if (hex)
        ++j;
    const qsizetype digits = j;
    char32_t value = 0;
    for (; j < n; ++j) {
        const char16_t d = S[j].unicode();
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
    if (j == digits)
        return false;
    if (j < n && S[j] == u';')
        ++j;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = 0xFFFD;
    AValue = value;
    ANext = j;
    return true;
}

// Text as a browser shows it: character references decoded (numeric ones with or without
// their semicolon, the named ones above), then runs of blanks and line breaks made one blank
// and those at the ends removed, as in a page's title.
QString ShownText(QStringView S)
{
    QString r;
    r.reserve(S.size());
    auto put = [&r](char32_t u) {
        const bool blank = u == u' ' || u == u'\t' || u == u'\n' || u == u'\r' || u == u'\f';
        if (blank) {
            if (!r.isEmpty() && r.back() != u' ')
                r.append(u' ');
        } else if (u >= 0x20 && (u < 0x7F || u >= 0xA0)) {
            r.append(QChar::fromUcs4(u));
        }
    };
    const qsizetype n = S.size();
    for (qsizetype i = 0; i < n;) {
        const char16_t c = S[i].unicode();
        if (c != u'&') {
            if (QChar::isHighSurrogate(c) && i + 1 < n && S[i + 1].isLowSurrogate()) {
                r.append(S.mid(i, 2));
                i += 2;
                continue;
            }
            put(c);
            ++i;
            continue;
        }
        if (i + 1 < n && S[i + 1] == u'#') {
            char32_t value;
            qsizetype next;
            if (ReadNumericRef(S, i, value, next)) {
                // The references of C1 controls stand for the characters of code page 1252.
                if (value >= 0x80 && value < 0xA0 && Cp1252Char(uchar(value)) != 0)
                    value = Cp1252Char(uchar(value));
                put(value);
                i = next;
                continue;
            }
        } else {
            // The longest name, as a browser reads it: with its semicolon, else the longest
            // name that is read without one.
            qsizetype j = i + 1;
            while (j < n && j - i <= 8 && IsAsciiAlnum(S[j].unicode()))
                ++j;
            const QStringView name = S.mid(i + 1, j - i - 1);
            const char16_t named = j < n && S[j] == u';' ? EntityChar(name, false) : 0;
            if (named != 0) {
                put(named);
                i = j + 1;
                continue;
            }
            bool found = false;
            for (qsizetype len = name.size(); len >= 2 && !found; --len) {
                if (const char16_t legacy = EntityChar(name.left(len), true)) {
                    put(legacy);
                    i += 1 + len;
                    found = true;
                }
            }
            if (found)
                continue;
        }
        put(u'&');
        ++i;
    }
    if (!r.isEmpty() && r.back() == u' ')
        r.chop(1);
    return r;
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
            char32_t value;
            if (!ReadNumericRef(V, i, value, i)) {
                r.append(u'&');
                ++i;
                continue;
            }
            put(value < 0x80 ? LowerASCII(char16_t(value)) : value);
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

// The position after the comment at AStart ("<!--"), where a browser ends it: after "-->" or
// "--!>", and "<!-->" or "<!--->" at once; the end of the text when it is never closed.
qsizetype CommentEnd(QStringView S, qsizetype AStart)
{
    const qsizetype n = S.size();
    qsizetype j = AStart + 4;
    if (j < n && S[j] == u'>')
        return j + 1;
    if (S.mid(j, 2) == u"->")
        return j + 2;
    for (; j + 2 < n; ++j) {
        if (S[j] != u'-' || S[j + 1] != u'-')
            continue;
        if (S[j + 2] == u'>')
            return j + 3;
        if (j + 3 < n && S[j + 2] == u'!' && S[j + 3] == u'>')
            return j + 4;
    }
    return n;
}

// The position after a declaration, processing instruction or malformed end tag at AStart
// (its opening AOpenLen characters long): after the first ">", or the end of the text.
qsizetype BogusEnd(QStringView S, qsizetype AStart, qsizetype AOpenLen)
{
    const qsizetype g = S.indexOf(u'>', AStart + AOpenLen);
    return g < 0 ? S.size() : g + 1;
}

// Elements whose content is text up to their end tag, never markup.
bool IsRawTextElement(QStringView AName)
{
    static constexpr QStringView names[] = {u"title",  u"textarea", u"style",    u"xmp",
                                            u"iframe", u"noembed",  u"noframes", u"noscript",
                                            u"script", u"plaintext"};
    return IsOneOf(AName, names);
}

// Reads the tag at AStart of S into t as a browser reads it, reusing t's storage.
void ReadTagAt(QStringView S, qsizetype AStart, bool AIsEnd, TTag& t)
{
    const qsizetype n = S.size();
    t.Start = AStart;
    t.IsEnd = AIsEnd;
    t.Closed = false;
    t.Attrs.clear();
    qsizetype p = AStart + (AIsEnd ? 2 : 1);
    const qsizetype nameStart = p;
    while (p < n && !IsTagSpace(S[p].unicode()) && S[p] != u'/' && S[p] != u'>')
        ++p;
    t.Name.resize(p - nameStart);
    QChar* name = t.Name.data();
    for (qsizetype k = nameStart; k < p; ++k)
        *name++ = QChar(LowerASCII(S[k].unicode()));
    for (;;) {
        while (p < n && (IsTagSpace(S[p].unicode()) || S[p] == u'/'))
            ++p;
        if (p >= n) {
            t.End = n;
            return;
        }
        if (S[p] == u'>') {
            t.End = p + 1;
            t.Closed = true;
            return;
        }
        TAttr a;
        a.NameStart = p++;
        while (p < n && !IsTagSpace(S[p].unicode()) && S[p] != u'/' && S[p] != u'>' && S[p] != u'=')
            ++p;
        a.NameEnd = a.End = p;
        qsizetype q = p;
        while (q < n && IsTagSpace(S[q].unicode()))
            ++q;
        if (q < n && S[q] == u'=') {
            ++q;
            while (q < n && IsTagSpace(S[q].unicode()))
                ++q;
            if (q < n && (S[q] == u'"' || S[q] == u'\'')) {
                const qsizetype close = S.indexOf(S[q], q + 1);
                a.ValueStart = q + 1;
                a.ValueEnd = close < 0 ? n : close;
                a.End = close < 0 ? n : close + 1;
            } else {
                a.ValueStart = q;
                while (q < n && !IsTagSpace(S[q].unicode()) && S[q] != u'>')
                    ++q;
                a.ValueEnd = a.End = q;
            }
            p = a.End;
        }
        t.Attrs.push_back(a);
    }
}

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

    // "<!--" up to the browser's end of a comment. Returns the position after it.
    qsizetype Comment(qsizetype AStart)
    {
        const qsizetype end = CommentEnd(FS, AStart);
        FOut.append(u"<!--");
        AppendEscapingLT(AStart + 4, end);
        return end;
    }

    // A declaration, processing instruction or malformed end tag: up to the first ">".
    qsizetype Bogus(qsizetype AStart, qsizetype AOpenLen)
    {
        const qsizetype end = BogusEnd(FS, AStart, AOpenLen);
        FOut.append(FS.mid(AStart, AOpenLen));
        AppendEscapingLT(AStart + AOpenLen, end);
        return end;
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
        const qsizetype found = FindEndTag(FS, AName, AFrom);
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

    qsizetype Tag(qsizetype AStart, bool AIsEnd)
    {
        TTag& tag = FTag; // one tag at a time: its storage serves every tag
        ReadTagAt(FS, AStart, AIsEnd, tag);
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
                    ReadTagAt(FS, close, true, end);
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

// Where the content of the first element whose tag starts with ATag begins (after the ">" of
// its start tag); false when there is no such element.
bool FindContentStart(QStringView AHtml, QStringView ATag, qsizetype& AStart)
{
    const QString open = u'<' + ATag.toString();
    const qsizetype p = IndexOfCI(AHtml, open, 0);
    if (p < 0)
        return false;
    const qsizetype g = AHtml.indexOf(u'>', p);
    if (g < 0)
        return false;
    AStart = g + 1;
    return true;
}

// Where the content of that element begins and ends (up to its end tag or the end of the
// text); false when there is no such element.
bool FindTagContent(QStringView AHtml, QStringView ATag, qsizetype& AStart, qsizetype& AEnd)
{
    if (!FindContentStart(AHtml, ATag, AStart))
        return false;
    AEnd = FindEndTag(AHtml, ATag, AStart);
    if (AEnd < 0)
        AEnd = AHtml.size();
    return true;
}

// Removes every end tag of element AName from S, in place.
void DropEndTagsInPlace(QString& S, QStringView AName)
{
    qsizetype end = 0;
    qsizetype p = FindEndTag(S, AName, 0, &end);
    if (p < 0)
        return;
    const qsizetype n = S.size();
    QChar* d = S.data();
    const QStringView src(d, n); // read only from end on, where nothing is written
    qsizetype kept = p;
    for (;;) {
        const qsizetype from = end;
        p = FindEndTag(src, AName, from, &end);
        const qsizetype to = p < 0 ? n : p;
        std::memmove(d + kept, d + from, size_t(to - from) * sizeof(QChar));
        kept += to - from;
        if (p < 0)
            break;
    }
    S.truncate(kept);
}

// Removes the blanks and controls at both ends of S, in place.
void TrimInPlace(QString& S)
{
    const QStringView t = TrimCtlView(S);
    const qsizetype from = t.data() - S.constData();
    S.truncate(from + t.size());
    S.remove(0, from);
}

// Where a page's title and body are, their tags found as a browser finds them: comments,
// declarations and the text of raw-text elements (a script, a style, the title itself) hold
// no tags. The title is the first element named exactly "title" in the head, which ends at the
// body's start tag, at the first element that has no place in a head, or at the first text
// that is not blank; a drawing's title in the body is not the page's.
struct TPageParts
{
    qsizetype TitleStart = -1, TitleEnd = -1; // the title element's content
    qsizetype BodyStart = -1;                 // after the body's start tag
};

bool IsHeadElement(QStringView AName)
{
    static constexpr QStringView names[] = {u"html",    u"head",   u"base",     u"basefont",
                                            u"bgsound", u"link",   u"meta",     u"title",
                                            u"style",   u"script", u"noscript", u"template"};
    return IsOneOf(AName, names);
}

TPageParts FindPageParts(QStringView S)
{
    TPageParts parts;
    TTag tag;
    bool inHead = true;
    const qsizetype n = S.size();
    qsizetype i = 0;
    while (i < n) {
        const qsizetype lt = S.indexOf(u'<', i);
        const qsizetype textEnd = lt < 0 ? n : lt;
        for (qsizetype k = i; inHead && k < textEnd; ++k) {
            if (!IsTagSpace(S[k].unicode()))
                inHead = false;
        }
        if (lt < 0)
            break;
        i = lt;
        const char16_t d = i + 1 < n ? S[i + 1].unicode() : 0;
        const char16_t e = i + 2 < n ? S[i + 2].unicode() : 0;
        if (d == u'!') {
            i = S.mid(i + 2, 2) == u"--" ? CommentEnd(S, i) : BogusEnd(S, i, 2);
        } else if (d == u'?') {
            i = BogusEnd(S, i, 1);
        } else if (d == u'/' && IsAsciiAlpha(e)) {
            ReadTagAt(S, i, true, tag);
            i = tag.End;
        } else if (d == u'/') {
            i = e == u'>' ? i + 3 : BogusEnd(S, i, 2);
        } else if (!IsAsciiAlpha(d)) {
            inHead = false; // a "<" that is text
            ++i;
        } else {
            ReadTagAt(S, i, false, tag);
            if (!tag.Closed)
                break; // the text ends inside the tag
            if (tag.Name == u"body") {
                parts.BodyStart = tag.End;
                break;
            }
            i = tag.End;
            if (IsRawTextElement(tag.Name)) {
                const qsizetype close =
                    tag.Name == u"plaintext" ? -1 : FindEndTag(S, tag.Name, tag.End);
                if (inHead && tag.Name == u"title" && parts.TitleStart < 0) {
                    parts.TitleStart = tag.End;
                    parts.TitleEnd = close < 0 ? n : close;
                }
                if (close < 0)
                    break; // the rest of the text is the element's
                i = close;
            }
            if (!IsHeadElement(tag.Name))
                inHead = false;
        }
    }
    return parts;
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
        qsizetype closeEnd = 0;
        const qsizetype c = FindEndTag(src, ATag, from, &closeEnd);
        if (c < 0) {
            // Deleted up to the end of the text, which now ends a name the kept text ends in.
            while (kept >= m && StartsWithCI(QStringView(d, kept), kept - m, open))
                kept -= m;
            break;
        }
        pos = closeEnd;
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
    const TPageParts parts = FindPageParts(text);
    if (parts.TitleStart >= 0) {
        const QString title = TrimCtl(
            ShownText(QStringView(text).mid(parts.TitleStart, parts.TitleEnd - parts.TitleStart)));
        if (!title.isEmpty())
            ATitle = title;
    }
    // The body is what a browser shows: all that follows the body's start tag (content
    // after its end tag too), without the end tags of the body and the page.
    if (parts.BodyStart >= 0)
        text.remove(0, parts.BodyStart);
    DropEndTagsInPlace(text, u"body");
    DropEndTagsInPlace(text, u"html");
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
    QString text;
    {
        // The bytes go as soon as they are decoded, so that a large page's bytes and its
        // converted text are never held together.
        const QByteArray bytes = ReadFileBytes(APath);
        if (HoldsBinary(bytes))
            return QString(); // a binary file named .html
        text = DecodeText(bytes, true);
    }
    const QString body = ConvertHTMLText(std::move(text), ATitle);
    return HasVisibleContent(body) ? body : QString();
}

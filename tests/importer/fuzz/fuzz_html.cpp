// HTML import: no crash, valid UTF-8, no element, event attribute or address left that runs
// or loads content, and the one-pass block removal agrees with removing one block at a time.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

#include <QRegularExpression>

static QString RemoveTagBlocksSlowly(QString S, const QString& ATag)
{
    // An opening tag is "<" + the name, then a blank, "/", ">" or the end of the text; an end
    // tag is "</" + the name, then a blank, "/" or ">", up to its ">" or the end of the text.
    const QString open = QChar(u'<') + ATag, close = QStringLiteral("</") + ATag;
    auto nameEnds = [&](qsizetype AAt) {
        return AAt >= S.size() || S[AAt] == u' ' || S[AAt] == u'\t' || S[AAt] == u'\n' ||
               S[AAt] == u'\f' || S[AAt] == u'\r' || S[AAt] == u'/' || S[AAt] == u'>';
    };
    for (;;) {
        qsizetype p = importer::IndexOfCI(S, open, 0);
        while (p >= 0 && !nameEnds(p + open.size()))
            p = importer::IndexOfCI(S, open, p + 1);
        if (p < 0)
            return S;
        qsizetype c = importer::IndexOfCI(S, close, p);
        while (c >= 0 && (c + close.size() >= S.size() || !nameEnds(c + close.size())))
            c = importer::IndexOfCI(S, close, c + 1);
        const qsizetype g = c < 0 ? -1 : S.indexOf(u'>', c + close.size());
        S.remove(p, (c < 0 || g < 0 ? S.size() : g + 1) - p);
    }
}

// An attribute value as a browser reads an address in it: numeric character references and
// the named ones for a colon, tab and new line decoded, blanks and controls dropped, ASCII
// letters lower-cased.
static QString AddressText(const QString& AValue)
{
    QString v = AValue;
    static const QRegularExpression ref(QStringLiteral("&#(?:[xX]([0-9a-fA-F]+)|([0-9]+));?"));
    QString decoded;
    qsizetype last = 0;
    for (const QRegularExpressionMatch& m : ref.globalMatch(v)) {
        decoded += v.mid(last, m.capturedStart() - last);
        bool ok = false;
        const qulonglong code = m.captured(1).isEmpty() ? m.captured(2).toULongLong(&ok, 10)
                                                        : m.captured(1).toULongLong(&ok, 16);
        if (ok && code > 0 && code < 0x80)
            decoded += QChar(char16_t(code));
        else
            decoded += QChar(QChar::ReplacementCharacter);
        last = m.capturedEnd();
    }
    decoded += v.mid(last);
    decoded.replace(QStringLiteral("&colon;"), QStringLiteral(":"));
    decoded.replace(QStringLiteral("&Tab;"), QStringLiteral("\t"));
    decoded.replace(QStringLiteral("&NewLine;"), QStringLiteral("\n"));
    QString out;
    for (QChar c : decoded) {
        if (c.unicode() > 0x20)
            out += (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + 32) : c;
    }
    return out;
}

static bool IsSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f' || c == u'\r';
}

// What a browser reading the body would find to run: an event attribute, or an address that
// runs script or holds a document (javascript:, vbscript:, data: other than a raster image in
// an image's source). The start tags are read here as a browser's tokenizer reads them, not
// with the importer's routines.
static const char* ActiveAttribute(const QString& ABody)
{
    static const QRegularExpression rasterData(
        QStringLiteral("^data:image/(?!svg\\+xml[;,])[a-z0-9.+-]+[;,]"));
    const qsizetype n = ABody.size();
    auto letter = [](QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
    for (qsizetype i = ABody.indexOf(u'<'); i >= 0 && i + 1 < n; i = ABody.indexOf(u'<', i + 1)) {
        if (!letter(ABody[i + 1]))
            continue;
        qsizetype p = i + 1;
        while (p < n && !IsSpace(ABody[p]) && ABody[p] != u'/' && ABody[p] != u'>')
            ++p;
        const QString element = ABody.mid(i + 1, p - i - 1).toLower();
        while (p < n && ABody[p] != u'>') {
            if (IsSpace(ABody[p]) || ABody[p] == u'/') {
                ++p;
                continue;
            }
            const qsizetype nameStart = p++;
            while (p < n && !IsSpace(ABody[p]) && ABody[p] != u'/' && ABody[p] != u'>' &&
                   ABody[p] != u'=')
                ++p;
            const QString name = ABody.mid(nameStart, p - nameStart).toLower();
            QString value;
            qsizetype q = p;
            while (q < n && IsSpace(ABody[q]))
                ++q;
            if (q < n && ABody[q] == u'=') {
                ++q;
                while (q < n && IsSpace(ABody[q]))
                    ++q;
                if (q < n && (ABody[q] == u'"' || ABody[q] == u'\'')) {
                    qsizetype e = ABody.indexOf(ABody[q], q + 1);
                    if (e < 0)
                        e = n;
                    value = ABody.mid(q + 1, e - q - 1);
                    p = e + 1;
                } else {
                    qsizetype e = q;
                    while (e < n && !IsSpace(ABody[e]) && ABody[e] != u'>')
                        ++e;
                    value = ABody.mid(q, e - q);
                    p = e;
                }
            }
            if (name.size() >= 3 && name.startsWith(QStringLiteral("on")) && name[2] >= u'a' &&
                name[2] <= u'z')
                return "event attribute left in the body";
            const bool anywhere = name == u"values" || name == u"to" || name == u"from" ||
                                  name == u"by" || name == u"srcset";
            if (!anywhere && name != u"href" && name != u"src" && name != u"action" &&
                name != u"formaction" && name != u"xlink:href")
                continue;
            const QString address = AddressText(value);
            const bool image = name == u"srcset" || (name == u"src" && element == u"img");
            for (const char* scheme : {"javascript:", "vbscript:", "data:"}) {
                const QLatin1String sc(scheme);
                for (qsizetype k = address.indexOf(sc); k >= 0; k = address.indexOf(sc, k + 1)) {
                    if ((anywhere || k == 0) &&
                        !(image && rasterData.match(QStringView(address).mid(k)).hasMatch()))
                        return "script or data address left in the body";
                }
            }
        }
    }
    return nullptr;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const QString raw = importer::DecodeText(FuzzBytes(AData, ASize));
    QString title = QStringLiteral("fuzz");
    const QString body = importer::ConvertHTML(raw, title);
    RequireUTF8(body, "body");
    RequireUTF8(title, "title");
    static const QRegularExpression active(
        QStringLiteral("<(script|style|iframe|frame|frameset|object|embed|applet|base|meta|link|"
                       "form)([\\t\\n\\f\\r />]|$)"),
        QRegularExpression::CaseInsensitiveOption);
    if (body.contains(active)) {
        std::fprintf(stderr, "active element left in the body\n");
        std::abort();
    }
    if (const char* finding = ActiveAttribute(body)) {
        std::fprintf(stderr, "%s\n", finding);
        std::abort();
    }
    RequireUTF8(StripEventAttrs(raw), "StripEventAttrs");
    if (raw.size() < 400 && RemoveTagBlocks(raw, QStringLiteral("script")) !=
                                RemoveTagBlocksSlowly(raw, QStringLiteral("script"))) {
        std::fprintf(stderr, "RemoveTagBlocks differs from the block-by-block removal\n");
        std::abort();
    }
    return 0;
}

// HTML import: no crash, valid UTF-8, no element left that runs or loads content, and the
// one-pass block removal agrees with removing one block at a time.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

#include <QRegularExpression>

static QString RemoveTagBlocksSlowly(QString S, const QString& ATag)
{
    // An opening tag is "<" + the name, then a blank, "/", ">" or the end of the text.
    const QString open = QChar(u'<') + ATag, close = QStringLiteral("</") + ATag + u'>';
    auto opensAt = [&](qsizetype AAt) {
        const qsizetype e = AAt + open.size();
        return e >= S.size() || S[e] == u' ' || S[e] == u'\t' || S[e] == u'\n' || S[e] == u'\f' ||
               S[e] == u'\r' || S[e] == u'/' || S[e] == u'>';
    };
    for (;;) {
        qsizetype p = importer::IndexOfCI(S, open, 0);
        while (p >= 0 && !opensAt(p))
            p = importer::IndexOfCI(S, open, p + 1);
        if (p < 0)
            return S;
        const qsizetype c = importer::IndexOfCI(S, close, p);
        S.remove(p, c < 0 ? S.size() - p : c + close.size() - p);
    }
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
    RequireUTF8(StripEventAttrs(raw), "StripEventAttrs");
    if (raw.size() < 400 && RemoveTagBlocks(raw, QStringLiteral("script")) !=
                                RemoveTagBlocksSlowly(raw, QStringLiteral("script"))) {
        std::fprintf(stderr, "RemoveTagBlocks differs from the block-by-block removal\n");
        std::abort();
    }
    return 0;
}

// Markdown import: no crash, valid UTF-8.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const QString text = importer::DecodeText(FuzzBytes(AData, ASize));
    QString title = QStringLiteral("fuzz");
    RequireUTF8(importer::ConvertMarkdown(importer::SplitLines(text), title), "body");
    RequireUTF8(title, "title");
    return 0;
}

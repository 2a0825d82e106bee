// PDF import: no crash, valid UTF-8; bytes without a PDF header give no body, a content stream
// never an empty one.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const QByteArray bytes = FuzzBytes(AData, ASize);
    const QString body = importer::ConvertPDF(bytes);
    RequireUTF8(body, "body");
    if (!body.isEmpty() && !bytes.left(1024).contains("%PDF-"))
        std::abort();
    const QString content = importer::ConvertPDFContent(bytes);
    RequireUTF8(content, "content");
    if (content.isEmpty())
        std::abort();
    return 0;
}

// PDF import: no crash, valid UTF-8, never an empty body.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const QString body = importer::ConvertPDF(FuzzBytes(AData, ASize));
    RequireUTF8(body, "body");
    if (body.isEmpty())
        std::abort();
    return 0;
}

// RTF import: no crash, valid UTF-8.
#include "fuzzcheck.h"
#include "importer.h"
#include "importer_p.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    RequireUTF8(importer::ConvertRTF(FuzzBytes(AData, ASize)), "body");
    return 0;
}

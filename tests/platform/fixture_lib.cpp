// A library the tests load by name: one export.
extern "C" __attribute__((visibility("default"))) int FixtureExport()
{
    return 42;
}

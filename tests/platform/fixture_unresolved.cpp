// A library that needs a function nothing provides, so loading it fails.
extern "C" int QuorvelFixtureMissingFunction();
extern "C" __attribute__((visibility("default"))) int FixtureUse()
{
    return QuorvelFixtureMissingFunction();
}

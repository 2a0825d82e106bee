// A loader library that lacks one of the five exports (CompareBrowserVersions).
#include "wvinterfaces.h"

#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT STDMETHODCALLTYPE

FIXTURE_EXPORT CreateCoreWebView2EnvironmentWithOptions(
    LPCWSTR, LPCWSTR, ICoreWebView2EnvironmentOptions*,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*)
{
    return E_NOTIMPL;
}
FIXTURE_EXPORT
CreateCoreWebView2Environment(ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler*)
{
    return E_NOTIMPL;
}
FIXTURE_EXPORT GetAvailableCoreWebView2BrowserVersionString(LPCWSTR, LPWSTR*)
{
    return E_NOTIMPL;
}
FIXTURE_EXPORT
GetAvailableCoreWebView2BrowserVersionStringWithOptions(LPCWSTR, ICoreWebView2EnvironmentOptions*,
                                                        LPWSTR*)
{
    return E_NOTIMPL;
}

#include "wvlibfunctions.h"

namespace uWVLibFunctions {

TCreateCoreWebView2EnvironmentWithOptions CreateCoreWebView2EnvironmentWithOptions = nullptr;
TCreateCoreWebView2Environment CreateCoreWebView2Environment = nullptr;
TGetAvailableCoreWebView2BrowserVersionString GetAvailableCoreWebView2BrowserVersionString =
    nullptr;
TGetAvailableCoreWebView2BrowserVersionStringWithOptions
    GetAvailableCoreWebView2BrowserVersionStringWithOptions = nullptr;
TCompareBrowserVersions CompareBrowserVersions = nullptr;

} // namespace uWVLibFunctions

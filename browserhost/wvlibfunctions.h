// The five loader functions of the process: the loader library's exports, or
// the built-in loader's stand-ins when the loader uses those. Null until the
// loader has set them.
#pragma once

#include "wvinterfaces.h"

namespace uWVLibFunctions {

extern TCreateCoreWebView2EnvironmentWithOptions CreateCoreWebView2EnvironmentWithOptions;
extern TCreateCoreWebView2Environment CreateCoreWebView2Environment;
extern TGetAvailableCoreWebView2BrowserVersionString GetAvailableCoreWebView2BrowserVersionString;
extern TGetAvailableCoreWebView2BrowserVersionStringWithOptions
    GetAvailableCoreWebView2BrowserVersionStringWithOptions;
extern TCompareBrowserVersions CompareBrowserVersions;

} // namespace uWVLibFunctions

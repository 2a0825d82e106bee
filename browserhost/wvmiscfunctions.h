// Small free routines shared by the browser host: strings across the COM
// boundary, minimum version texts, the messages for creation failures, colours
// and screen scale, the exception policy, JSON string escaping, an interface
// query that logs its failures, and the executable's folder.
#pragma once

#include "wvtypes.h"

#include <exception>
#include <string>

constexpr int CHROMIUM_VERSION_MAJOR = 148;
constexpr int CHROMIUM_VERSION_MINOR = 0;
constexpr int CHROMIUM_VERSION_RELEASE = 3967;
constexpr int CHROMIUM_VERSION_BUILD = 48;

constexpr int WEBVIEW2LOADERLIB_VERSION_MAJOR = 1;
constexpr int WEBVIEW2LOADERLIB_VERSION_MINOR = 0;
constexpr int WEBVIEW2LOADERLIB_VERSION_RELEASE = 3967;
constexpr int WEBVIEW2LOADERLIB_VERSION_BUILD = 48;

// A NUL-terminated CoTaskMemAlloc copy of s, or null for an empty string (and
// then nothing is allocated). The receiver frees it with CoTaskMemFree.
LPWSTR AllocCoTaskMemStr(const wvstring& s);

// The oldest runtime ("148.0.3967.48") and loader library ("1.0.3967.48")
// versions accepted.
wvstring LowestChromiumVersion();
wvstring LowestLoaderDllVersion();

// Message texts for the HRESULTs that creating an environment, a controller,
// controller options or a composition controller reports; "Unexpected error
// result." for any other code.
wvstring EnvironmentCreationErrorToString(HRESULT aErrorCode);
wvstring ControllerCreationErrorToString(HRESULT aErrorCode);
wvstring ControllerOptionsCreationErrorToString(HRESULT aErrorCode);
wvstring CompositionControllerCreationErrorToString(HRESULT aErrorCode);

COREWEBVIEW2_COLOR ColorToCoreWebViewColor(TColor aColor);

// The screen's horizontal pixels per inch, and that divided by 96.
int GetScreenDPI();
float GetDeviceScaleFactor();

// The host's debug-output hook; it writes nowhere.
void OutputDebugMessage(const std::string& aMessage);

// The exception policy: True when the caller is to raise the exception again,
// which is only so while GlobalWebView2Loader exists with ReRaiseExceptions
// set.
bool CustomExceptionHandler(const std::string& aFunctionName, const std::exception& aException);
bool CustomExceptionHandler(const std::string& aFunctionName, std::exception_ptr aException);

// The string escaped for use inside a JSON string literal.
wvstring JSONEscape(const wvstring& aValue);

// QueryInterface on aBaseIntf (which must not be null). A failure is logged in
// the global loader's error log once per interface id and process, so repeated
// queries of an interface the runtime lacks do not grow the log without end.
bool LoggedQueryInterface(IUnknown* aBaseIntf, REFIID aGUID, void** Obj);
template <typename T> bool LoggedQueryInterface(IUnknown* aBaseIntf, TComPtr<T>& Obj)
{
    return LoggedQueryInterface(aBaseIntf, IIDOf<T>(), reinterpret_cast<void**>(Obj.Put()));
}
// For tests: forgets which interface ids have been logged, as in a fresh process.
void ResetLoggedQueryFailures();

// The executable's folder, ending in a path delimiter.
wvstring GetModulePath();

// While active, makes the executable's folder the current directory and restores the previous
// one when the scope ends, also when it ends by an exception.
class TCurrentDirScope
{
public:
    explicit TCurrentDirScope(bool aActive);
    ~TCurrentDirScope();
    TCurrentDirScope(const TCurrentDirScope&) = delete;
    TCurrentDirScope& operator=(const TCurrentDirScope&) = delete;

private:
    bool FActive = false;
    wvstring FPrevious;
};

// "Error code : 0x" + the code as 8 upper-case hexadecimal digits.
wvstring ErrorCodeText(HRESULT aErrorCode);

// Text conversions between the host's string type and UTF-8.
std::string WVToUtf8(const wvstring& s);
wvstring Utf8ToWV(const std::string& s);

#include "wvmiscfunctions.h"

#include "winapi.h"
#include "wvloader.h"

#include <QString>

#include <cstdio>
#include <cstring>
#include <set>

namespace {

wvstring VersionText(int a, int b, int c, int d)
{
    return QStringLiteral("%1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d).toStdU16String();
}

struct TCodeText
{
    HRESULT Code;
    const char16_t* Text;
};

template <std::size_t N> wvstring LookUp(const TCodeText (&table)[N], HRESULT aErrorCode)
{
    for (const TCodeText& entry : table)
        if (entry.Code == aErrorCode)
            return entry.Text;
    return u"Unexpected error result.";
}

// Interface ids whose failed query has been logged in this process.
std::set<std::u16string>& LoggedFailures()
{
    static std::set<std::u16string> failures;
    return failures;
}

} // namespace

LPWSTR AllocCoTaskMemStr(const wvstring& s)
{
    if (s.empty())
        return nullptr;
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(char16_t)));
    if (!p)
        return nullptr;
    std::memcpy(p, s.data(), s.size() * sizeof(char16_t));
    p[s.size()] = 0;
    return p;
}

wvstring LowestChromiumVersion()
{
    return VersionText(CHROMIUM_VERSION_MAJOR, CHROMIUM_VERSION_MINOR, CHROMIUM_VERSION_RELEASE,
                       CHROMIUM_VERSION_BUILD);
}

wvstring LowestLoaderDllVersion()
{
    return VersionText(WEBVIEW2LOADERLIB_VERSION_MAJOR, WEBVIEW2LOADERLIB_VERSION_MINOR,
                       WEBVIEW2LOADERLIB_VERSION_RELEASE, WEBVIEW2LOADERLIB_VERSION_BUILD);
}

wvstring EnvironmentCreationErrorToString(HRESULT aErrorCode)
{
    static const TCodeText table[] = {
        {E_FAIL, u"Edge runtime unable to start."},
        {RPC_E_CHANGED_MODE, u"CoInitializeEx was previously called with COINIT_MULTITHREADED."},
        {CO_E_NOTINITIALIZED, u"CoInitializeEx was not called."},
        {E_ACCESSDENIED, u"Unable to create user data folder, Access Denied."},
        {HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED),
         u"\\Edge\\Application path used in browserExecutableFolder."},
        {HRESULT_FROM_WIN32(ERROR_INVALID_STATE),
         u"Specified options do not match the options of the WebViews that are currently running "
         u"in the shared browser process."},
        {HRESULT_FROM_WIN32(ERROR_DISK_FULL),
         u"There are too many previous WebView2 Runtime versions."},
        {HRESULT_FROM_WIN32(ERROR_PRODUCT_UNINSTALLED),
         u"Webview depends upon an installed WebView2 Runtime version and it is uninstalled."},
        {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), u"Could not find Edge installation."},
        {HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
         u"User data folder cannot be created because a file with the same name already "
         u"exists."},
    };
    return LookUp(table, aErrorCode);
}

wvstring ControllerCreationErrorToString(HRESULT aErrorCode)
{
    static const TCodeText table[] = {
        {E_ABORT, u"The parent window was destroyed before the controller creation was finished."},
        {E_UNEXPECTED, u"The runtime does not have permissions to the user data folder."},
        {HRESULT_FROM_WIN32(ERROR_INVALID_STATE),
         u"Another browser is using the same user data folder."},
        {HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED), u"The request is not supported."},
        {HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), u"The system cannot find the file specified."},
        {HRESULT_FROM_WIN32(ERROR_NOT_FOUND),
         u"Not found. A corrupted Component-Based Servicing (CBS) manifest or corrupted system "
         u"files that prevent Windows from locating necessary update components."},
    };
    return LookUp(table, aErrorCode);
}

wvstring ControllerOptionsCreationErrorToString(HRESULT aErrorCode)
{
    static const TCodeText table[] = {
        {E_NOTIMPL, u"Not implemented."},
        {E_INVALIDARG, u"Invalid profile name."},
        {UI_E_WRONG_THREAD,
         u"This method can only be called from the thread that created the object."},
    };
    return LookUp(table, aErrorCode);
}

wvstring CompositionControllerCreationErrorToString(HRESULT aErrorCode)
{
    static const TCodeText table[] = {
        {E_ABORT, u"The parent window was destroyed before the composition controller creation "
                  u"was finished."},
        {E_UNEXPECTED, u"The runtime does not have permissions to the user data folder."},
        {HRESULT_FROM_WIN32(ERROR_INVALID_STATE),
         u"Another browser is using the same user data folder."},
    };
    return LookUp(table, aErrorCode);
}

COREWEBVIEW2_COLOR ColorToCoreWebViewColor(TColor aColor)
{
    COREWEBVIEW2_COLOR c;
    c.A = static_cast<BYTE>(aColor >> 24);
    c.R = static_cast<BYTE>(aColor);
    c.G = static_cast<BYTE>(aColor >> 8);
    c.B = static_cast<BYTE>(aColor >> 16);
    return c;
}

int GetScreenDPI()
{
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi;
}

float GetDeviceScaleFactor()
{
    return static_cast<float>(GetScreenDPI() / 96.0);
}

void OutputDebugMessage(const std::string&) {}

bool CustomExceptionHandler(const std::string& aFunctionName, const std::exception& aException)
{
    OutputDebugMessage(aFunctionName + " error : " + aException.what());
    return GlobalWebView2Loader && GlobalWebView2Loader->ReRaiseExceptions();
}

bool CustomExceptionHandler(const std::string& aFunctionName, std::exception_ptr aException)
{
    try {
        if (aException)
            std::rethrow_exception(aException);
    } catch (const std::exception& e) {
        return CustomExceptionHandler(aFunctionName, e);
    } catch (...) {
        OutputDebugMessage(aFunctionName + " error : unknown exception");
    }
    return GlobalWebView2Loader && GlobalWebView2Loader->ReRaiseExceptions();
}

wvstring JSONEscape(const wvstring& aValue)
{
    wvstring out;
    out.reserve(aValue.size());
    for (const char16_t c : aValue) {
        switch (c) {
        case 8:
            out += u"\\b";
            break;
        case 9:
            out += u"\\t";
            break;
        case 10:
            out += u"\\n";
            break;
        case 12:
            out += u"\\f";
            break;
        case 13:
            out += u"\\r";
            break;
        case u'"':
        case u'/':
        case u'\\':
            out += u'\\';
            out += c;
            break;
        default:
            if (c < 32 || c > 126) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
                out.append(buf, buf + 6);
            } else {
                out += c;
            }
        }
    }
    return out;
}

void ResetLoggedQueryFailures()
{
    LoggedFailures().clear();
}

bool LoggedQueryInterface(IUnknown* aBaseIntf, REFIID aGUID, void** Obj)
{
    if (!aBaseIntf) {
        if (Obj)
            *Obj = nullptr;
        return false;
    }
    const HRESULT hr = aBaseIntf->QueryInterface(aGUID, Obj);
    if (SUCCEEDED(hr))
        return true;
    if (GlobalWebView2Loader) {
        const std::u16string id = GuidToString(aGUID);
        if (LoggedFailures().insert(id).second)
            GlobalWebView2Loader->AppendErrorLog(u"The QueryInterface call for " + id +
                                                 u" failed. " + ErrorCodeText(hr));
    }
    return false;
}

wvstring GetModulePath()
{
    char16_t buffer[4096];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, 4096);
    wvstring path(buffer, n < 4096 ? n : 0);
    const auto slash = path.find_last_of(u"/\\");
    path = slash == wvstring::npos ? wvstring() : path.substr(0, slash + 1);
    return path;
}

TCurrentDirScope::TCurrentDirScope(bool aActive)
{
    if (!aActive)
        return;
    char16_t buffer[4096];
    const DWORD n = GetCurrentDirectoryW(4096, buffer);
    if (n == 0 || n >= 4096)
        return;
    FPrevious.assign(buffer, n);
    FActive = true;
    SetCurrentDirectoryW(GetModulePath().c_str());
}

TCurrentDirScope::~TCurrentDirScope()
{
    if (FActive)
        SetCurrentDirectoryW(FPrevious.c_str());
}

wvstring ErrorCodeText(HRESULT aErrorCode)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(aErrorCode));
    return u"Error code : " + wvstring(buf, buf + 10);
}

std::string WVToUtf8(const wvstring& s)
{
    return QString::fromStdU16String(s).toStdString();
}

wvstring Utf8ToWV(const std::string& s)
{
    return QString::fromStdString(s).toStdU16String();
}

// The loader library: finds the runtime the registry names (or a fixed-version folder), loads
// its client library and asks it for an environment.
#include "platformqt.h"
#include "versiontext.h"
#include "wvinterfaces.h"

#include <QDir>
#include <QFileInfo>

#define WV_EXPORT extern "C" __attribute__((visibility("default"))) HRESULT STDMETHODCALLTYPE

namespace {

const char16_t* const StableClientStateKeys[] = {
    u"Software\\Microsoft\\EdgeUpdate\\ClientState\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}",
    u"Software\\WOW6432Node\\Microsoft\\EdgeUpdate\\ClientState\\"
    u"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}"};

const QString ClientBelowFolder = QStringLiteral("/EBWebView/x64/EmbeddedBrowserWebView.dll");

QString ReadString(HKEY root, const char16_t* path, const char16_t* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != LONG(ERROR_SUCCESS))
        return QString();
    DWORD type = 0, size = 0;
    QString result;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == LONG(ERROR_SUCCESS) &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size >= 2) {
        std::u16string buffer(size / 2, u'\0');
        if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                             &size) == LONG(ERROR_SUCCESS))
            result = QString::fromUtf16(buffer.c_str());
    }
    RegCloseKey(key);
    return result;
}

// The client library of a fixed-version folder or of the installed runtime; its type
// (0 installed, 1 fixed-version folder) in runtimeType.
HRESULT FindClient(LPCWSTR browserExecutableFolder, QString& client, INT32& runtimeType)
{
    const QString folder = NativePath(FromWide(browserExecutableFolder));
    if (!folder.isEmpty()) {
        runtimeType = 1;
        const QString base =
            QDir::isAbsolutePath(folder) ? folder : ExecutableFolder() + QLatin1Char('/') + folder;
        client = QDir::cleanPath(base + ClientBelowFolder);
        return QFileInfo(client).isFile() ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    }
    runtimeType = 0;
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const char16_t* key : StableClientStateKeys) {
            const QString installed = NativePath(ReadString(root, key, u"EBWebView"));
            if (installed.isEmpty())
                continue;
            const QString candidate = QDir::cleanPath(installed + ClientBelowFolder);
            if (QFileInfo(candidate).isFile()) {
                client = candidate;
                return S_OK;
            }
        }
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT ProductVersion(const QString& file, QString& version)
{
    const std::u16string name = ToWide(file);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (size == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    std::string block(size, '\0');
    if (!GetFileVersionInfoW(name.c_str(), handle, size, block.data()))
        return HRESULT_FROM_WIN32(GetLastError());
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\ProductVersion", &text,
                        &length) ||
        length == 0)
        return HRESULT_FROM_WIN32(ERROR_RESOURCE_TYPE_NOT_FOUND);
    version = QString::fromUtf16(static_cast<const char16_t*>(text));
    return S_OK;
}

HRESULT AvailableVersion(LPCWSTR browserExecutableFolder, LPWSTR* versionInfo)
{
    if (!versionInfo)
        return E_POINTER;
    *versionInfo = nullptr;
    QString client, version;
    INT32 type = 0;
    if (const HRESULT hr = FindClient(browserExecutableFolder, client, type); FAILED(hr))
        return hr;
    if (const HRESULT hr = ProductVersion(client, version); FAILED(hr))
        return hr;
    const std::u16string s = ToWide(version);
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(char16_t)));
    if (!p)
        return E_OUTOFMEMORY;
    s.copy(p, s.size());
    p[s.size()] = 0;
    *versionInfo = p;
    return S_OK;
}

} // namespace

WV_EXPORT CreateCoreWebView2EnvironmentWithOptions(
    LPCWSTR browserExecutableFolder, LPCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler)
{
    if (!environmentCreatedHandler)
        return E_POINTER;
    QString client;
    INT32 runtimeType = 0;
    if (const HRESULT hr = FindClient(browserExecutableFolder, client, runtimeType); FAILED(hr))
        return hr;
    const std::u16string name = ToWide(client);
    HMODULE library = LoadLibraryW(name.c_str());
    if (!library)
        return HRESULT_FROM_WIN32(GetLastError());
    auto create = ProcAs<TCreateWebViewEnvironmentWithOptionsInternal>(
        GetProcAddress(library, "CreateWebViewEnvironmentWithOptionsInternal"));
    auto canUnload = ProcAs<TDllCanUnloadNow>(GetProcAddress(library, "DllCanUnloadNow"));
    if (!create) {
        const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
        FreeLibrary(library);
        return hr;
    }
    const HRESULT hr = create(TRUE, runtimeType, userDataFolder ? userDataFolder : u"",
                              environmentOptions, environmentCreatedHandler);
    if (canUnload && canUnload() == S_OK)
        FreeLibrary(library);
    return hr;
}

WV_EXPORT CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environmentCreatedHandler)
{
    return CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr,
                                                    environmentCreatedHandler);
}

WV_EXPORT GetAvailableCoreWebView2BrowserVersionString(LPCWSTR browserExecutableFolder,
                                                       LPWSTR* versionInfo)
{
    return AvailableVersion(browserExecutableFolder, versionInfo);
}

WV_EXPORT GetAvailableCoreWebView2BrowserVersionStringWithOptions(LPCWSTR browserExecutableFolder,
                                                                  ICoreWebView2EnvironmentOptions*,
                                                                  LPWSTR* versionInfo)
{
    // There is one channel here, so the channel options choose nothing.
    return AvailableVersion(browserExecutableFolder, versionInfo);
}

WV_EXPORT CompareBrowserVersions(LPCWSTR version1, LPCWSTR version2, int* result)
{
    if (!result)
        return E_POINTER;
    std::array<std::uint32_t, 4> a{}, b{};
    if (!version1 || !version2 || !ReadVersionNumbers(version1, a) ||
        !ReadVersionNumbers(version2, b))
        return E_INVALIDARG;
    *result = 0;
    for (int i = 0; i < 4 && *result == 0; ++i)
        *result = a[i] < b[i] ? -1 : a[i] > b[i] ? 1 : 0;
    return S_OK;
}

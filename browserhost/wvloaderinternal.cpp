#include "wvloaderinternal.h"

#include "platformqt.h"
#include "versiontext.h"
#include "wvmiscfunctions.h"
#include "wvregistry.h"

#include <QFileInfo>

#include <cstring>

namespace uWVLoaderInternal {

bool gShouldCheckPolicyOverride = true;
bool gShouldCheckRegistryOverride = true;

namespace {

const char16_t* const kChannelUUID[5] = {
    u"{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}", u"{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}",
    u"{0D50BFEC-CD6A-4F9A-964C-C7416E3ACB10}", u"{65C35B14-6C1D-4122-AC46-7148CC9D6497}",
    u"{BE59E8FD-089A-411B-A3B0-051D9E417818}"};
const char16_t* const kChannelName[5] = {u"", u"beta", u"dev", u"canary", u"internal"};

constexpr TVersionRec kMinimumCompatibleVersion = {86, 0, 616, 0};

const wvstring kPolicyKey = u"Software\\Policies\\Microsoft\\Edge\\WebView2\\";
const wvstring kLoaderOverrideKey =
    u"Software\\Policies\\Microsoft\\EmbeddedBrowserWebView\\LoaderOverride\\";
const wvstring kClientBelowFolder = u"EBWebView\\x64\\EmbeddedBrowserWebView.dll";

bool EndsWithDelimiter(const wvstring& s)
{
    return !s.empty() && (s.back() == u'\\' || s.back() == u'/');
}

// The failure HRESULT of the last Win32 error, never a success code.
HRESULT LastErrorResult()
{
    const HRESULT hr = HRESULT_FROM_WIN32(GetLastError());
    return FAILED(hr) ? hr : E_FAIL;
}

bool FileExists(const wvstring& aPath)
{
    return QFileInfo(NativePath(QString::fromStdU16String(aPath))).isFile();
}

bool WindowsVersionAtLeast(DWORD aMajor, DWORD aMinor)
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExW(&info))
        return false;
    return info.dwMajorVersion > aMajor ||
           (info.dwMajorVersion == aMajor && info.dwMinorVersion >= aMinor);
}

// A procedure of a system library looked up by name; the library is freed again at once when
// the procedure is missing.
FARPROC SystemProcedure(const char16_t* aLibrary, const char* aName, HMODULE& aModule)
{
    aModule = LoadLibraryW(aLibrary);
    if (!aModule)
        return nullptr;
    FARPROC proc = GetProcAddress(aModule, aName);
    if (!proc) {
        FreeLibrary(aModule);
        aModule = nullptr;
    }
    return proc;
}

} // namespace

TEnvironmentCreatedRetryHandler::TEnvironmentCreatedRetryHandler(
    const TWebView2EnvironmentParams& aParams,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aOriginalHandler, INT32 aRetries)
    : mEnvironmentParams(aParams), mOriginalHandler(aOriginalHandler), mRetries(aRetries)
{}

HRESULT TEnvironmentCreatedRetryHandler::Invoke(HRESULT ret,
                                                ICoreWebView2Environment* created_environment)
{
    if (FAILED(ret) && mRetries > 0) {
        --mRetries;
        const HRESULT hr = TryCreateWebViewEnvironment(mEnvironmentParams, this);
        if (FAILED(hr) && mOriginalHandler)
            mOriginalHandler->Invoke(hr, nullptr);
    } else if (created_environment && mOriginalHandler) {
        mOriginalHandler->Invoke(S_OK, created_environment);
    } else if (mOriginalHandler) {
        // A failure with no retry left, or a success that came without an environment: the
        // caller must hear of the outcome either way.
        mOriginalHandler->Invoke(FAILED(ret) ? ret : E_FAIL, nullptr);
    }
    return S_OK;
}

bool ReadEnvironmentVariable(const wvstring& aName, wvstring& aValue)
{
    aValue.clear();
    const DWORD size = GetEnvironmentVariableW(aName.c_str(), nullptr, 0);
    if (size == 0)
        return false;
    std::u16string buffer(size, u'\0');
    const DWORD n = GetEnvironmentVariableW(aName.c_str(), buffer.data(), size);
    if (n == 0 || n >= size)
        return false;
    buffer.resize(n);
    aValue = buffer;
    return !aValue.empty();
}

bool DoesPolicyExistInRoot(HKEY aRootKey)
{
    try {
        TWVRegistryKey key;
        return key.Open(aRootKey, kPolicyKey);
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("DoesPolicyExistInRoot", e))
            throw;
    }
    return false;
}

HRESULT GetAppUserModelIdForCurrentProcess(wvstring& IdOut)
{
    HRESULT hr = E_NOTIMPL;
    IdOut.clear();
    if (WindowsVersionAtLeast(6, 2)) {
        using TGetCurrentApplicationUserModelId = LONG(WINAPI*)(UINT32*, LPWSTR);
        HMODULE module = nullptr;
        if (auto get = ProcAs<TGetCurrentApplicationUserModelId>(
                SystemProcedure(u"Kernel32.dll", "GetCurrentApplicationUserModelId", module))) {
            UINT32 length = 0;
            if (get(&length, nullptr) == LONG(ERROR_INSUFFICIENT_BUFFER) && length > 0) {
                std::u16string buffer(length, u'\0');
                if (get(&length, buffer.data()) == LONG(ERROR_SUCCESS)) {
                    IdOut = buffer.c_str();
                    hr = S_OK;
                }
            }
            FreeLibrary(module);
        }
    }
    if (FAILED(hr) && WindowsVersionAtLeast(6, 1)) {
        using TGetExplicitAppUserModelID = HRESULT(WINAPI*)(LPWSTR*);
        HMODULE module = nullptr;
        if (auto get = ProcAs<TGetExplicitAppUserModelID>(SystemProcedure(
                u"shell32.dll", "GetCurrentProcessExplicitAppUserModelID", module))) {
            LPWSTR id = nullptr;
            hr = get(&id);
            if (SUCCEEDED(hr) && id)
                IdOut = id;
            CoTaskMemFree(id);
            FreeLibrary(module);
        }
    }
    return hr;
}

HRESULT GetModulePath(HMODULE H, wvstring& OutPath)
{
    OutPath.clear();
    std::u16string buffer(260, u'\0');
    DWORD n = GetModuleFileNameW(H, buffer.data(), 260);
    if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        buffer.assign(4096, u'\0');
        n = GetModuleFileNameW(H, buffer.data(), 4096);
    }
    if (n >= 1 && n <= 4096 && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        buffer.resize(n);
        OutPath = buffer;
        return S_OK;
    }
    return LastErrorResult();
}

bool ReadOverrideFromRegistry(const wvstring& aKey, HKEY aRootKey, const wvstring& aValue,
                              wvstring& aResult, bool aRedist)
{
    if (aKey.empty())
        return false;
    try {
        TWVRegistryKey key;
        if (!key.Open(aRootKey, (aRedist ? kPolicyKey : kLoaderOverrideKey) + aKey))
            return false;
        gShouldCheckRegistryOverride = true;
        wvstring text;
        // Only a value that names something replaces what the caller holds.
        if (key.ReadString(aValue, text) && !text.empty()) {
            aResult = text;
            return true;
        }
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("ReadOverrideFromRegistry", e))
            throw;
    }
    return false;
}

bool UpdateParamsWithRegOverrides(const wvstring& aKey, HKEY aRootKey, wvstring& aResult,
                                  bool aRedist)
{
    wvstring aumid, exe;
    GetAppUserModelIdForCurrentProcess(aumid);
    if (SUCCEEDED(GetModulePath(nullptr, exe))) {
        const auto slash = exe.find_last_of(u"\\/");
        if (slash != wvstring::npos)
            exe.erase(0, slash + 1);
    }
    for (const wvstring& name : {aumid, exe, wvstring(u"*")}) {
        const bool found = gShouldCheckPolicyOverride && aRedist
                               ? ReadOverrideFromRegistry(aKey, aRootKey, name, aResult, aRedist)
                               : ReadOverrideFromRegistry(name, aRootKey, aKey, aResult, aRedist);
        if (found)
            return true;
    }
    return false;
}

bool UpdateParamsWithOverrides(const wvstring& aEnv, const wvstring& aKey, wvstring& outStr,
                               bool checkOverride)
{
    if (checkOverride) {
        gShouldCheckPolicyOverride = true;
        gShouldCheckRegistryOverride = true;
    }
    wvstring value;
    if (ReadEnvironmentVariable(aEnv, value)) {
        outStr = value;
        return true;
    }
    if (!(gShouldCheckPolicyOverride || gShouldCheckRegistryOverride || checkOverride))
        return false;
    gShouldCheckRegistryOverride = false;
    gShouldCheckPolicyOverride =
        DoesPolicyExistInRoot(HKEY_CURRENT_USER) || DoesPolicyExistInRoot(HKEY_LOCAL_MACHINE);
    return UpdateParamsWithRegOverrides(aKey, HKEY_LOCAL_MACHINE, outStr, true) ||
           UpdateParamsWithRegOverrides(aKey, HKEY_CURRENT_USER, outStr, true) ||
           UpdateParamsWithRegOverrides(aKey, HKEY_LOCAL_MACHINE, outStr, false) ||
           UpdateParamsWithRegOverrides(aKey, HKEY_CURRENT_USER, outStr, false);
}

void UpdateWebViewEnvironmentParamsWithOverrideValues(TWebView2EnvironmentParams& aParams)
{
    UpdateParamsWithOverrides(u"WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", u"browserExecutableFolder",
                              aParams.EmbeddedEdgeSubFolder, true);
    UpdateParamsWithOverrides(u"WEBVIEW2_USER_DATA_FOLDER", u"userDataFolder", aParams.UserDataDir,
                              true);
    // Looked up like the others; what a found value should select is not settled, so the
    // channel order stays the most stable first.
    wvstring channelPreference;
    UpdateParamsWithOverrides(u"WEBVIEW2_RELEASE_CHANNEL_PREFERENCE", u"releaseChannelPreference",
                              channelPreference, true);
}

wvstring GetInstallKeyPathForChannel(int aChannel)
{
    return wvstring(u"Software\\Microsoft\\EdgeUpdate\\ClientState\\") + kChannelUUID[aChannel];
}

wvstring GetInstallKeyPathForChannel2(int aChannel)
{
    return wvstring(u"Software\\WOW6432Node\\Microsoft\\EdgeUpdate\\ClientState\\") +
           kChannelUUID[aChannel];
}

bool ParseVersionNumbers(const wvstring& S, TVersionRec& O)
{
    return ReadVersionNumbers(S, O);
}

bool FindClientDllInFolder(wvstring& Path)
{
    if (!EndsWithDelimiter(Path))
        Path += u'\\';
    Path += kClientBelowFolder;
    return FileExists(Path);
}

bool CheckVersionAndFindClientDllInFolder(const TVersionRec& Version, wvstring& Path)
{
    for (int i = 0; i < 4; ++i) {
        if (Version[i] < kMinimumCompatibleVersion[i])
            return false;
        if (Version[i] > kMinimumCompatibleVersion[i])
            break;
    }
    return FindClientDllInFolder(Path);
}

bool FindInstalledClientDllForChannel(const wvstring& aSubKey, bool aSystem, wvstring& aVersion,
                                      wvstring& aClientPath)
{
    try {
        TWVRegistryKey key;
        if (!key.Open(aSystem ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, aSubKey))
            return false;
        aClientPath.clear();
        if (!key.ReadString(u"EBWebView", aClientPath) || aClientPath.empty())
            return false;
        wvstring folder = aClientPath;
        while (EndsWithDelimiter(folder))
            folder.pop_back();
        const auto slash = folder.find_last_of(u"\\/");
        aVersion = slash == wvstring::npos ? folder : folder.substr(slash + 1);
        TVersionRec version{};
        return ParseVersionNumbers(aVersion, version) &&
               CheckVersionAndFindClientDllInFolder(version, aClientPath);
    } catch (const std::exception& e) {
        if (CustomExceptionHandler("FindInstalledClientDllForChannel", e))
            throw;
    }
    return false;
}

HRESULT FindInstalledClientDll(wvstring& ClientPath, TWebView2ReleaseChannelPreference Preference,
                               wvstring& VersionStr, wvstring& ChannelStr)
{
    // The package query is looked up by name; this platform does not offer it (no process
    // here has a package identity), so only the channels' registry keys are searched.
    HMODULE kernelbase = nullptr;
    if (WindowsVersionAtLeast(6, 2) &&
        SystemProcedure(u"kernelbase.dll", "GetCurrentPackageInfo", kernelbase))
        FreeLibrary(kernelbase);

    for (int i = 0; i < 5; ++i) {
        const int channel = Preference == kCanary ? 4 - i : i;
        wvstring version, client;
        const bool found = FindInstalledClientDllForChannel(GetInstallKeyPathForChannel(channel),
                                                            false, version, client) ||
                           FindInstalledClientDllForChannel(GetInstallKeyPathForChannel(channel),
                                                            true, version, client) ||
                           FindInstalledClientDllForChannel(GetInstallKeyPathForChannel2(channel),
                                                            false, version, client) ||
                           FindInstalledClientDllForChannel(GetInstallKeyPathForChannel2(channel),
                                                            true, version, client);
        if (found) {
            ClientPath = client;
            VersionStr = version;
            ChannelStr = kChannelName[channel];
            return S_OK;
        }
    }
    // No channel yields a client library: say so, and leave nothing behind in the outputs.
    ClientPath.clear();
    VersionStr.clear();
    ChannelStr.clear();
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT FindEmbeddedClientDll(const wvstring& EmbeddedEdgeSubFolder, wvstring& OutClientPath)
{
    OutClientPath = EmbeddedEdgeSubFolder;
    const wvstring& f = EmbeddedEdgeSubFolder;
    const bool drive = f.size() >= 3 &&
                       ((f[0] >= u'A' && f[0] <= u'Z') || (f[0] >= u'a' && f[0] <= u'z')) &&
                       f[1] == u':' && (f[2] == u'\\' || f[2] == u'/');
    const bool unc = f.size() >= 3 && f[0] == u'\\' && f[1] == u'\\';
    const bool rooted = !f.empty() && f[0] == u'/';
    if (!drive && !unc && !rooted) {
        wvstring exe;
        if (const HRESULT hr = GetModulePath(nullptr, exe); FAILED(hr))
            return hr;
        const auto slash = exe.find_last_of(u"\\/");
        const wvstring folder = slash == wvstring::npos ? wvstring() : exe.substr(0, slash);
        OutClientPath = folder + u'\\' + f;
    }
    return FindClientDllInFolder(OutClientPath) ? S_OK : HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
}

HRESULT CreateWebViewEnvironmentWithClientDll(
    const wvstring& aLibFileName, bool aUnknown, TWebView2RuntimeType aRuntimeType,
    const wvstring& aUserDataDir, IUnknown* aEnvironmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aHandler)
{
    HMODULE library = LoadLibraryW(aLibFileName.c_str());
    if (!library)
        return LastErrorResult();
    auto create = ProcAs<TCreateWebViewEnvironmentWithOptionsInternal>(
        GetProcAddress(library, "CreateWebViewEnvironmentWithOptionsInternal"));
    if (!create)
        return LastErrorResult();
    auto canUnload = ProcAs<TDllCanUnloadNow>(GetProcAddress(library, "DllCanUnloadNow"));
    const HRESULT hr = create(aUnknown ? TRUE : FALSE, aRuntimeType, aUserDataDir.c_str(),
                              aEnvironmentOptions, aHandler);
    if (canUnload && canUnload() == S_OK)
        FreeLibrary(library);
    return hr;
}

HRESULT TryCreateWebViewEnvironment(
    const TWebView2EnvironmentParams& aParams,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aEnvironmentCreatedHandler)
{
    wvstring client;
    TWebView2RuntimeType type = kInstalled;
    HRESULT hr;
    if (!aParams.EmbeddedEdgeSubFolder.empty()) {
        type = kRedistributable;
        hr = FindEmbeddedClientDll(aParams.EmbeddedEdgeSubFolder, client);
    } else {
        wvstring version, channel;
        hr = FindInstalledClientDll(client, aParams.ReleaseChannelPreference, version, channel);
    }
    if (FAILED(hr))
        return hr;
    return CreateWebViewEnvironmentWithClientDll(client, true, type, aParams.UserDataDir,
                                                 aParams.EnvironmentOptions.Get(),
                                                 aEnvironmentCreatedHandler);
}

HRESULT FindEmbeddedBrowserVersion(const wvstring& aFileName, wvstring& aVersion)
{
    aVersion.clear();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(aFileName.c_str(), &handle);
    if (size == 0)
        return LastErrorResult();
    std::string block(size, '\0');
    if (!GetFileVersionInfoW(aFileName.c_str(), handle, size, block.data()))
        return LastErrorResult();
    void* text = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), u"\\StringFileInfo\\040904B0\\ProductVersion", &text,
                        &length) ||
        !text)
        return LastErrorResult();
    aVersion = static_cast<const char16_t*>(text);
    return S_OK;
}

} // namespace uWVLoaderInternal

using namespace uWVLoaderInternal;

HRESULT STDMETHODCALLTYPE Internal_CreateCoreWebView2EnvironmentWithOptions(
    LPCWSTR browserExecutableFolder, LPCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environment_created_handler)
{
    if (!environment_created_handler)
        return E_POINTER;
    TWebView2EnvironmentParams params;
    params.EmbeddedEdgeSubFolder = browserExecutableFolder ? browserExecutableFolder : u"";
    params.UserDataDir = userDataFolder ? userDataFolder : u"";
    params.EnvironmentOptions = TComPtr<ICoreWebView2EnvironmentOptions>(environmentOptions);
    params.ReleaseChannelPreference = kStable;
    UpdateWebViewEnvironmentParamsWithOverrideValues(params);
    const TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> retry(
        new TEnvironmentCreatedRetryHandler(params, environment_created_handler, 1));
    return TryCreateWebViewEnvironment(params, retry.Get());
}

HRESULT STDMETHODCALLTYPE Internal_CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environment_created_handler)
{
    return Internal_CreateCoreWebView2EnvironmentWithOptions(nullptr, nullptr, nullptr,
                                                             environment_created_handler);
}

HRESULT STDMETHODCALLTYPE Internal_GetAvailableCoreWebView2BrowserVersionString(
    LPCWSTR browserExecutableFolder, LPWSTR* versionInfo)
{
    if (!versionInfo)
        return E_POINTER;
    TWebView2EnvironmentParams params;
    params.EmbeddedEdgeSubFolder = browserExecutableFolder ? browserExecutableFolder : u"";
    UpdateWebViewEnvironmentParamsWithOverrideValues(params);
    wvstring version, channel;
    HRESULT hr;
    if (!params.EmbeddedEdgeSubFolder.empty()) {
        wvstring client;
        hr = FindEmbeddedClientDll(params.EmbeddedEdgeSubFolder, client);
        if (SUCCEEDED(hr))
            hr = FindEmbeddedBrowserVersion(client, version);
    } else {
        wvstring client;
        hr = FindInstalledClientDll(client, params.ReleaseChannelPreference, version, channel);
    }
    if (FAILED(hr)) {
        *versionInfo = nullptr;
        return hr;
    }
    if (version.empty()) {
        *versionInfo = nullptr;
        return E_FAIL;
    }
    if (!channel.empty())
        version += u' ' + channel;
    *versionInfo = AllocCoTaskMemStr(version);
    return *versionInfo ? S_OK : E_OUTOFMEMORY;
}

HRESULT STDMETHODCALLTYPE Internal_GetAvailableCoreWebView2BrowserVersionStringWithOptions(
    LPCWSTR, ICoreWebView2EnvironmentOptions*, LPWSTR*)
{
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE Internal_CompareBrowserVersions(LPCWSTR version1, LPCWSTR version2,
                                                          int* ret)
{
    if (!ret)
        return E_POINTER;
    TVersionRec a{}, b{};
    if (!version1 || !version2 || !ParseVersionNumbers(version1, a) ||
        !ParseVersionNumbers(version2, b))
        return E_INVALIDARG;
    *ret = 0;
    for (int i = 0; i < 4; ++i) {
        if (a[i] > b[i]) {
            *ret = 1;
            break;
        }
        if (a[i] < b[i]) {
            *ret = -1;
            break;
        }
    }
    return S_OK;
}

// The built-in loader: what the loader library does for environment creation, done without
// it. It applies the overrides from environment variables and policy keys, finds the runtime's
// client library (a fixed-version folder or an installed channel), loads it and asks it for
// the environment, retrying once when creation fails.
#pragma once

#include "wvrefcounted.h"
#include "wvtypes.h"

#include <array>

// Stand-ins for the loader library's five exports, with its signatures and result codes.
HRESULT STDMETHODCALLTYPE Internal_CreateCoreWebView2EnvironmentWithOptions(
    LPCWSTR browserExecutableFolder, LPCWSTR userDataFolder,
    ICoreWebView2EnvironmentOptions* environmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environment_created_handler);
HRESULT STDMETHODCALLTYPE Internal_CreateCoreWebView2Environment(
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* environment_created_handler);
HRESULT STDMETHODCALLTYPE Internal_GetAvailableCoreWebView2BrowserVersionString(
    LPCWSTR browserExecutableFolder, LPWSTR* versionInfo);
HRESULT STDMETHODCALLTYPE Internal_GetAvailableCoreWebView2BrowserVersionStringWithOptions(
    LPCWSTR browserExecutableFolder, ICoreWebView2EnvironmentOptions* environmentOptions,
    LPWSTR* versionInfo);
HRESULT STDMETHODCALLTYPE Internal_CompareBrowserVersions(LPCWSTR version1, LPCWSTR version2,
                                                          int* ret);

namespace uWVLoaderInternal {

enum TWebView2ReleaseChannelPreference : std::int32_t
{
    kStable = 0,
    kCanary = 1
};
enum TWebView2RuntimeType : std::int32_t
{
    kInstalled = 0,
    kRedistributable = 1
};

struct TWebView2EnvironmentParams
{
    wvstring EmbeddedEdgeSubFolder;
    wvstring UserDataDir;
    TComPtr<ICoreWebView2EnvironmentOptions> EnvironmentOptions;
    TWebView2ReleaseChannelPreference ReleaseChannelPreference = kStable;
};

using TVersionRec = std::array<std::uint32_t, 4>;

extern bool gShouldCheckPolicyOverride;
extern bool gShouldCheckRegistryOverride;

// Wraps the caller's completion handler: a failed creation is tried again once, and the caller
// hears of the outcome exactly once.
class TEnvironmentCreatedRetryHandler final
    : public TWVRefCounted<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>
{
public:
    TEnvironmentCreatedRetryHandler(
        const TWebView2EnvironmentParams& aParams,
        ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aOriginalHandler,
        INT32 aRetries);
    HRESULT STDMETHODCALLTYPE Invoke(HRESULT ret,
                                     ICoreWebView2Environment* created_environment) override;

private:
    TWebView2EnvironmentParams mEnvironmentParams;
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> mOriginalHandler;
    INT32 mRetries;
};

bool ReadEnvironmentVariable(const wvstring& aName, wvstring& aValue);
bool DoesPolicyExistInRoot(HKEY aRootKey);
HRESULT GetAppUserModelIdForCurrentProcess(wvstring& IdOut);
HRESULT GetModulePath(HMODULE H, wvstring& OutPath);
bool ReadOverrideFromRegistry(const wvstring& aKey, HKEY aRootKey, const wvstring& aValue,
                              wvstring& aResult, bool aRedist);
bool UpdateParamsWithRegOverrides(const wvstring& aKey, HKEY aRootKey, wvstring& aResult,
                                  bool aRedist);
bool UpdateParamsWithOverrides(const wvstring& aEnv, const wvstring& aKey, wvstring& outStr,
                               bool checkOverride);
void UpdateWebViewEnvironmentParamsWithOverrideValues(TWebView2EnvironmentParams& aParams);
wvstring GetInstallKeyPathForChannel(int aChannel);
wvstring GetInstallKeyPathForChannel2(int aChannel);
bool ParseVersionNumbers(const wvstring& S, TVersionRec& O);
bool FindClientDllInFolder(wvstring& Path);
bool CheckVersionAndFindClientDllInFolder(const TVersionRec& Version, wvstring& Path);
bool FindInstalledClientDllForChannel(const wvstring& aSubKey, bool aSystem, wvstring& aVersion,
                                      wvstring& aClientPath);
HRESULT FindInstalledClientDll(wvstring& ClientPath, TWebView2ReleaseChannelPreference Preference,
                               wvstring& VersionStr, wvstring& ChannelStr);
HRESULT FindEmbeddedClientDll(const wvstring& EmbeddedEdgeSubFolder, wvstring& OutClientPath);
HRESULT CreateWebViewEnvironmentWithClientDll(
    const wvstring& aLibFileName, bool aUnknown, TWebView2RuntimeType aRuntimeType,
    const wvstring& aUserDataDir, IUnknown* aEnvironmentOptions,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aHandler);
HRESULT TryCreateWebViewEnvironment(
    const TWebView2EnvironmentParams& aParams,
    ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler* aEnvironmentCreatedHandler);
HRESULT FindEmbeddedBrowserVersion(const wvstring& aFileName, wvstring& aVersion);

} // namespace uWVLoaderInternal

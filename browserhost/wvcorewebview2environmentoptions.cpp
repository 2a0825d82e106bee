#include "wvcorewebview2environmentoptions.h"

#include "wvproperties.h"

using namespace wvproperty;

TCoreWebView2EnvironmentOptions::TCoreWebView2EnvironmentOptions(
    const wvstring& AAdditionalBrowserArguments, const wvstring& ALanguage,
    const wvstring& ATargetCompatibleBrowserVersion, bool AAllowSingleSignOnUsingOSPrimaryAccount,
    bool AExclusiveUserDataFolderAccess, bool ACustomCrashReportingEnabled,
    const TWVCustomSchemeRegistrationArray& ASchemeRegistrations, bool AEnableTrackingPrevention,
    bool AAreBrowserExtensionsEnabled, TWVChannelSearchKind AChannelSearchKind,
    TWVReleaseChannels AReleaseChannels, TWVScrollBarStyle AScrollBarStyle)
    : FAdditionalBrowserArguments(AAdditionalBrowserArguments), FLanguage(ALanguage),
      FTargetCompatibleBrowserVersion(ATargetCompatibleBrowserVersion),
      FAllowSingleSignOnUsingOSPrimaryAccount(AAllowSingleSignOnUsingOSPrimaryAccount),
      FExclusiveUserDataFolderAccess(AExclusiveUserDataFolderAccess),
      FCustomCrashReportingEnabled(ACustomCrashReportingEnabled),
      FSchemeRegistrations(ASchemeRegistrations),
      FEnableTrackingPrevention(AEnableTrackingPrevention),
      FAreBrowserExtensionsEnabled(AAreBrowserExtensionsEnabled),
      FChannelSearchKind(AChannelSearchKind), FReleaseChannels(AReleaseChannels),
      FScrollBarStyle(AScrollBarStyle)
{}

TCoreWebView2EnvironmentOptions::~TCoreWebView2EnvironmentOptions()
{
    ReleaseSchemeRegistrations();
}

void TCoreWebView2EnvironmentOptions::ReleaseSchemeRegistrations()
{
    while (!FSchemeRegistrations.empty())
        FSchemeRegistrations.pop_back();
}

HRESULT TCoreWebView2EnvironmentOptions::Get_AdditionalBrowserArguments(LPWSTR* value)
{
    return GetString(FAdditionalBrowserArguments, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_AdditionalBrowserArguments(LPCWSTR value)
{
    return SetString(FAdditionalBrowserArguments, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_Language(LPWSTR* value)
{
    return GetString(FLanguage, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_Language(LPCWSTR value)
{
    return SetString(FLanguage, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_TargetCompatibleBrowserVersion(LPWSTR* value)
{
    return GetString(FTargetCompatibleBrowserVersion, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_TargetCompatibleBrowserVersion(LPCWSTR value)
{
    return SetString(FTargetCompatibleBrowserVersion, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow)
{
    return GetBool(FAllowSingleSignOnUsingOSPrimaryAccount, allow);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow)
{
    return SetBool(FAllowSingleSignOnUsingOSPrimaryAccount, allow);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_ExclusiveUserDataFolderAccess(BOOL* value)
{
    return GetBool(FExclusiveUserDataFolderAccess, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_ExclusiveUserDataFolderAccess(BOOL value)
{
    return SetBool(FExclusiveUserDataFolderAccess, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_IsCustomCrashReportingEnabled(BOOL* value)
{
    return GetBool(FCustomCrashReportingEnabled, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_IsCustomCrashReportingEnabled(BOOL value)
{
    return SetBool(FCustomCrashReportingEnabled, value);
}

HRESULT TCoreWebView2EnvironmentOptions::GetCustomSchemeRegistrations(
    UINT32* count, ICoreWebView2CustomSchemeRegistration*** schemeRegistrations)
{
    if (!count || !schemeRegistrations)
        return E_POINTER;
    *count = 0;
    *schemeRegistrations = nullptr;
    if (FSchemeRegistrations.empty())
        return S_OK;
    const std::size_t n = FSchemeRegistrations.size();
    auto* array = static_cast<ICoreWebView2CustomSchemeRegistration**>(
        CoTaskMemAlloc(n * sizeof(ICoreWebView2CustomSchemeRegistration*)));
    if (!array)
        return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < n; ++i) {
        array[i] = FSchemeRegistrations[i].Get();
        if (array[i])
            array[i]->AddRef();
    }
    *count = static_cast<UINT32>(n);
    *schemeRegistrations = array;
    return S_OK;
}

HRESULT TCoreWebView2EnvironmentOptions::SetCustomSchemeRegistrations(
    UINT32 count, ICoreWebView2CustomSchemeRegistration** schemeRegistrations)
{
    ReleaseSchemeRegistrations();
    for (UINT32 i = 0; schemeRegistrations && i < count; ++i)
        FSchemeRegistrations.emplace_back(schemeRegistrations[i]);
    return S_OK;
}

HRESULT TCoreWebView2EnvironmentOptions::Get_EnableTrackingPrevention(BOOL* value)
{
    return GetBool(FEnableTrackingPrevention, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_EnableTrackingPrevention(BOOL value)
{
    return SetBool(FEnableTrackingPrevention, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_AreBrowserExtensionsEnabled(BOOL* value)
{
    return GetBool(FAreBrowserExtensionsEnabled, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_AreBrowserExtensionsEnabled(BOOL value)
{
    return SetBool(FAreBrowserExtensionsEnabled, value);
}
HRESULT
TCoreWebView2EnvironmentOptions::Get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value)
{
    return GetValue(FChannelSearchKind, value);
}
HRESULT
TCoreWebView2EnvironmentOptions::Set_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value)
{
    return SetValue(FChannelSearchKind, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value)
{
    return GetValue(FReleaseChannels, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value)
{
    return SetValue(FReleaseChannels, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Get_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE* value)
{
    return GetValue(FScrollBarStyle, value);
}
HRESULT TCoreWebView2EnvironmentOptions::Set_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE value)
{
    return SetValue(FScrollBarStyle, value);
}

// The environment options the host hands to environment creation: one value per
// option, read by the runtime through the getters of versions 1 to 8.
#pragma once

#include "wvrefcounted.h"
#include "wvtypes.h"

class TCoreWebView2EnvironmentOptions final
    : public TWVRefCounted<ICoreWebView2EnvironmentOptions, ICoreWebView2EnvironmentOptions2,
                           ICoreWebView2EnvironmentOptions3, ICoreWebView2EnvironmentOptions4,
                           ICoreWebView2EnvironmentOptions5, ICoreWebView2EnvironmentOptions6,
                           ICoreWebView2EnvironmentOptions7, ICoreWebView2EnvironmentOptions8>
{
public:
    TCoreWebView2EnvironmentOptions(
        const wvstring& AAdditionalBrowserArguments, const wvstring& ALanguage,
        const wvstring& ATargetCompatibleBrowserVersion,
        bool AAllowSingleSignOnUsingOSPrimaryAccount, bool AExclusiveUserDataFolderAccess,
        bool ACustomCrashReportingEnabled,
        const TWVCustomSchemeRegistrationArray& ASchemeRegistrations,
        bool AEnableTrackingPrevention, bool AAreBrowserExtensionsEnabled,
        TWVChannelSearchKind AChannelSearchKind, TWVReleaseChannels AReleaseChannels,
        TWVScrollBarStyle AScrollBarStyle);

    HRESULT STDMETHODCALLTYPE Get_AdditionalBrowserArguments(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE Set_AdditionalBrowserArguments(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE Get_Language(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE Set_Language(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE Get_TargetCompatibleBrowserVersion(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE Set_TargetCompatibleBrowserVersion(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE Get_AllowSingleSignOnUsingOSPrimaryAccount(BOOL* allow) override;
    HRESULT STDMETHODCALLTYPE Set_AllowSingleSignOnUsingOSPrimaryAccount(BOOL allow) override;
    HRESULT STDMETHODCALLTYPE Get_ExclusiveUserDataFolderAccess(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE Set_ExclusiveUserDataFolderAccess(BOOL value) override;
    HRESULT STDMETHODCALLTYPE Get_IsCustomCrashReportingEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE Set_IsCustomCrashReportingEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE GetCustomSchemeRegistrations(
        UINT32* count, ICoreWebView2CustomSchemeRegistration*** schemeRegistrations) override;
    HRESULT STDMETHODCALLTYPE SetCustomSchemeRegistrations(
        UINT32 count, ICoreWebView2CustomSchemeRegistration** schemeRegistrations) override;
    HRESULT STDMETHODCALLTYPE Get_EnableTrackingPrevention(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE Set_EnableTrackingPrevention(BOOL value) override;
    HRESULT STDMETHODCALLTYPE Get_AreBrowserExtensionsEnabled(BOOL* value) override;
    HRESULT STDMETHODCALLTYPE Set_AreBrowserExtensionsEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE
    Get_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND* value) override;
    HRESULT STDMETHODCALLTYPE
    Set_ChannelSearchKind(COREWEBVIEW2_CHANNEL_SEARCH_KIND value) override;
    HRESULT STDMETHODCALLTYPE Get_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS* value) override;
    HRESULT STDMETHODCALLTYPE Set_ReleaseChannels(COREWEBVIEW2_RELEASE_CHANNELS value) override;
    HRESULT STDMETHODCALLTYPE Get_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE* value) override;
    HRESULT STDMETHODCALLTYPE Set_ScrollBarStyle(COREWEBVIEW2_SCROLLBAR_STYLE value) override;

protected:
    ~TCoreWebView2EnvironmentOptions() override;

private:
    void ReleaseSchemeRegistrations();

    wvstring FAdditionalBrowserArguments;
    wvstring FLanguage;
    wvstring FTargetCompatibleBrowserVersion;
    bool FAllowSingleSignOnUsingOSPrimaryAccount;
    bool FExclusiveUserDataFolderAccess;
    bool FCustomCrashReportingEnabled;
    TWVCustomSchemeRegistrationArray FSchemeRegistrations;
    bool FEnableTrackingPrevention;
    bool FAreBrowserExtensionsEnabled;
    TWVChannelSearchKind FChannelSearchKind;
    TWVReleaseChannels FReleaseChannels;
    TWVScrollBarStyle FScrollBarStyle;
};

// The owners of the webview's companion objects: its settings, a print-settings object, its profile
// (with the profile's one event) and a find-options object.
#pragma once

#include "wvwrapper.h"

class TCoreWebView2Settings
{
public:
    explicit TCoreWebView2Settings(ICoreWebView2Settings* aBaseIntf);
    virtual ~TCoreWebView2Settings();
    TCoreWebView2Settings(const TCoreWebView2Settings&) = delete;
    TCoreWebView2Settings& operator=(const TCoreWebView2Settings&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2Settings* BaseIntf() const { return FBaseIntf.Get(); }
    void InitializeFields();

private:
    TComPtr<ICoreWebView2Settings> FBaseIntf;
    TComPtr<ICoreWebView2Settings2> FBaseIntf2;
    TComPtr<ICoreWebView2Settings3> FBaseIntf3;
    TComPtr<ICoreWebView2Settings4> FBaseIntf4;
    TComPtr<ICoreWebView2Settings5> FBaseIntf5;
    TComPtr<ICoreWebView2Settings6> FBaseIntf6;
    TComPtr<ICoreWebView2Settings7> FBaseIntf7;
    TComPtr<ICoreWebView2Settings8> FBaseIntf8;
    TComPtr<ICoreWebView2Settings9> FBaseIntf9;
};

class TCoreWebView2PrintSettings
{
public:
    explicit TCoreWebView2PrintSettings(ICoreWebView2PrintSettings* aBaseIntf);
    virtual ~TCoreWebView2PrintSettings();
    TCoreWebView2PrintSettings(const TCoreWebView2PrintSettings&) = delete;
    TCoreWebView2PrintSettings& operator=(const TCoreWebView2PrintSettings&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2PrintSettings* BaseIntf() const { return FBaseIntf.Get(); }

private:
    TComPtr<ICoreWebView2PrintSettings> FBaseIntf;
    TComPtr<ICoreWebView2PrintSettings2> FBaseIntf2;
};

class TCoreWebView2Profile
{
public:
    explicit TCoreWebView2Profile(ICoreWebView2Profile* aBaseIntf);
    virtual ~TCoreWebView2Profile();
    TCoreWebView2Profile(const TCoreWebView2Profile&) = delete;
    TCoreWebView2Profile& operator=(const TCoreWebView2Profile&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    bool Initialized() const { return GetInitialized(); }
    ICoreWebView2Profile* BaseIntf() const { return FBaseIntf.Get(); }
    void InitializeFields();
    void InitializeTokens();
    bool AddProfileDeletedEvent(TComponent* aBrowserComponent);
    bool AddAllBrowserEvents(TComponent* aBrowserComponent);
    void RemoveAllEvents();
    bool ProfileDeletedSubscribed() const { return FProfileDeletedToken.value != 0; }

private:
    TComPtr<ICoreWebView2Profile> FBaseIntf;
    TComPtr<ICoreWebView2Profile2> FBaseIntf2;
    TComPtr<ICoreWebView2Profile3> FBaseIntf3;
    TComPtr<ICoreWebView2Profile4> FBaseIntf4;
    TComPtr<ICoreWebView2Profile5> FBaseIntf5;
    TComPtr<ICoreWebView2Profile6> FBaseIntf6;
    TComPtr<ICoreWebView2Profile7> FBaseIntf7;
    TComPtr<ICoreWebView2Profile8> FBaseIntf8;
    EventRegistrationToken FProfileDeletedToken{0};
};

class TCoreWebView2FindOptions
{
public:
    explicit TCoreWebView2FindOptions(ICoreWebView2FindOptions* aBaseIntf);
    virtual ~TCoreWebView2FindOptions();
    TCoreWebView2FindOptions(const TCoreWebView2FindOptions&) = delete;
    TCoreWebView2FindOptions& operator=(const TCoreWebView2FindOptions&) = delete;

    bool GetInitialized() const { return static_cast<bool>(FBaseIntf); }
    ICoreWebView2FindOptions* BaseIntf() const { return FBaseIntf.Get(); }

private:
    TComPtr<ICoreWebView2FindOptions> FBaseIntf;
};

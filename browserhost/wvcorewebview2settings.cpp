#include "wvcorewebview2settings.h"

#include "wvcorewebview2delegates.h"

// ---- Settings -------------------------------------------------------------------------------

TCoreWebView2Settings::TCoreWebView2Settings(ICoreWebView2Settings* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2Settings>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                      FBaseIntf7, FBaseIntf8, FBaseIntf9);
}

TCoreWebView2Settings::~TCoreWebView2Settings()
{
    InitializeFields();
}

void TCoreWebView2Settings::InitializeFields()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                        FBaseIntf7, FBaseIntf8, FBaseIntf9);
}

// ---- Print settings -------------------------------------------------------------------------

TCoreWebView2PrintSettings::TCoreWebView2PrintSettings(ICoreWebView2PrintSettings* aBaseIntf)
    : FBaseIntf(aBaseIntf)
{
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2);
}

TCoreWebView2PrintSettings::~TCoreWebView2PrintSettings()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2);
}

// ---- Profile --------------------------------------------------------------------------------

TCoreWebView2Profile::TCoreWebView2Profile(ICoreWebView2Profile* aBaseIntf)
{
    InitializeFields();
    FBaseIntf = TComPtr<ICoreWebView2Profile>(aBaseIntf);
    QueryVersionChain(FBaseIntf.Get(), FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                      FBaseIntf7, FBaseIntf8);
}

TCoreWebView2Profile::~TCoreWebView2Profile()
{
    RemoveAllEvents();
    InitializeFields();
}

void TCoreWebView2Profile::InitializeFields()
{
    ReleaseVersionChain(FBaseIntf, FBaseIntf2, FBaseIntf3, FBaseIntf4, FBaseIntf5, FBaseIntf6,
                        FBaseIntf7, FBaseIntf8);
}

void TCoreWebView2Profile::InitializeTokens()
{
    FProfileDeletedToken.value = 0;
}

bool TCoreWebView2Profile::AddProfileDeletedEvent(TComponent* aBrowserComponent)
{
    return GetInitialized() &&
           SubscribeEvent<TCoreWebView2ProfileDeletedEventHandler>(
               FBaseIntf8.Get(), FProfileDeletedToken, BrowserEventsOf(aBrowserComponent),
               &ICoreWebView2Profile8::add_Deleted);
}

bool TCoreWebView2Profile::AddAllBrowserEvents(TComponent* aBrowserComponent)
{
    return AddProfileDeletedEvent(aBrowserComponent);
}

void TCoreWebView2Profile::RemoveAllEvents()
{
    if (!GetInitialized())
        return;
    if (FBaseIntf8 && FProfileDeletedToken.value != 0)
        FBaseIntf8->remove_Deleted(FProfileDeletedToken);
    InitializeTokens();
}

// ---- Find options ---------------------------------------------------------------------------

TCoreWebView2FindOptions::TCoreWebView2FindOptions(ICoreWebView2FindOptions* aBaseIntf)
    : FBaseIntf(aBaseIntf)
{}

TCoreWebView2FindOptions::~TCoreWebView2FindOptions()
{
    FBaseIntf.Reset();
}

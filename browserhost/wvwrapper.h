// What the runtime object wrappers share: the upward query of an interface's later versions and the
// way a subscription routine reaches the component it subscribes for.
#pragma once

#include "wvbrowserevents.h"
#include "wvmiscfunctions.h"

#include <QObject>

// Queries aBaseIntf for each later version in the order given, through LoggedQueryInterface, and
// stops at the first that the object does not offer: the versions held are always an unbroken run
// from the base up. A null base queries nothing.
template <typename... Is> void QueryVersionChain(IUnknown* aBaseIntf, TComPtr<Is>&... aFields)
{
    bool go = aBaseIntf != nullptr;
    ((go = go &&
           LoggedQueryInterface(aBaseIntf, IIDOf<Is>(), reinterpret_cast<void**>(aFields.Put()))),
     ...);
}

// The browser events interface of the component a subscription is made for (null for none).
inline IWVBrowserEvents* BrowserEventsOf(TComponent* aBrowserComponent)
{
    return dynamic_cast<IWVBrowserEvents*>(aBrowserComponent);
}

// A call's result as the wrappers report it: success when bit 31 is clear.
inline bool Succeeded(HRESULT aResult)
{
    return SUCCEEDED(aResult);
}

// The text of a runtime string handed out through an out parameter, which is then freed.
inline wvstring TakeCoTaskMemString(LPWSTR aText)
{
    wvstring result = aText ? wvstring(aText) : wvstring();
    if (aText)
        CoTaskMemFree(aText);
    return result;
}

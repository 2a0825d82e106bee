// What the runtime object wrappers share: the query and release of an interface's version chain,
// the way a subscription routine reaches the component it subscribes for, and the subscription.
#pragma once

#include "wvbrowserevents.h"
#include "wvloaderevents.h"
#include "wvmiscfunctions.h"

#include <QObject>

#include <functional>

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

// Releases every interface field given (a whole version chain, the base included).
template <typename... Is> void ReleaseVersionChain(TComPtr<Is>&... aFields)
{
    (aFields.Reset(), ...);
}

// The browser events interface of the component a subscription is made for (null for none).
inline IWVBrowserEvents* BrowserEventsOf(TComponent* aBrowserComponent)
{
    return dynamic_cast<IWVBrowserEvents*>(aBrowserComponent);
}

// The loader events interface of the component a subscription is made for (null for none).
inline IWVLoaderEvents* LoaderEventsOf(TComponent* aLoaderComponent)
{
    return dynamic_cast<IWVLoaderEvents*>(aLoaderComponent);
}

// A call's result as the wrappers report it: success when bit 31 is clear.
inline bool Succeeded(HRESULT aResult)
{
    return SUCCEEDED(aResult);
}

// Subscribes one event through aAdd (an interface's add_ routine) with a new TDelegate that
// reports to aEvents. Refused (False) without the interface or while aToken already holds a
// subscription; a refused subscription leaves aToken at 0. The handler is held only for the
// call: the runtime keeps its own reference.
template <typename TDelegate, typename I, typename TEvents, typename TAdd>
bool SubscribeEvent(I* aIntf, EventRegistrationToken& aToken, TEvents* aEvents, TAdd aAdd)
{
    if (!aIntf || aToken.value != 0)
        return false;
    TComPtr<TDelegate> handler(new TDelegate(aEvents));
    const bool result = Succeeded(std::invoke(aAdd, aIntf, handler.Get(), &aToken));
    if (!result)
        aToken.value = 0;
    return result;
}

// The text of a runtime string handed out through an out parameter, which is then freed.
inline wvstring TakeCoTaskMemString(LPWSTR aText)
{
    wvstring result = aText ? wvstring(aText) : wvstring();
    if (aText)
        CoTaskMemFree(aText);
    return result;
}

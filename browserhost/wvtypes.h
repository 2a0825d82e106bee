// Types shared by the whole embedded browser host: its string type, the
// component and object roots of the class library, the enumerations of the
// loader's settings and the custom scheme records.
#pragma once

#include "wvinterfaces.h"

#include <QObject>

#include <cstdint>
#include <string>
#include <vector>

// The host's string type: UTF-16, as the runtime's strings are.
using wvstring = std::u16string;

// The class library's roots: a component is owned by its owner (a Qt parent)
// and freed by it.
using TObject = QObject;
using TComponent = QObject;

// A colour of the class library: red in the lowest byte, then green, then blue,
// then alpha.
using TColor = std::uint32_t;
using TGraphicsColor = std::uint32_t;

enum TWVState : std::uint8_t
{
    STATE_DEFAULT = 0,
    STATE_ENABLED = 1,
    STATE_DISABLED = 2
};

enum TWVAutoplayPolicy : std::uint8_t
{
    appDefault = 0,
    appDocumentUserActivationRequired = 1,
    appNoUserGestureRequired = 2,
    appUserGestureRequired = 3
};

enum TWV2DebugLog : std::uint8_t
{
    dlDisabled = 0,
    dlEnabled = 1,
    dlEnabledStdOut = 2,
    dlEnabledStdErr = 3
};

enum TWV2DebugLogLevel : std::uint8_t
{
    dllDefault = 0,
    dllInfo = 1,
    dllWarning = 2,
    dllError = 3,
    dllFatal = 4
};

// The platform's own 32-bit enumerations, values as the runtime defines them.
using TWVChannelSearchKind = COREWEBVIEW2_CHANNEL_SEARCH_KIND;
using TWVReleaseChannels = COREWEBVIEW2_RELEASE_CHANNELS;
using TWVScrollbarStyle = COREWEBVIEW2_SCROLLBAR_STYLE;
using TWVScrollBarStyle = COREWEBVIEW2_SCROLLBAR_STYLE;

// One custom URI scheme as the custom-scheme events describe it.
struct TWVCustomSchemeInfo
{
    wvstring SchemeName;
    bool TreatAsSecure = false;
    wvstring AllowedDomains; // origins joined by ","
    bool HasAuthorityComponent = false;
};
using TWVCustomSchemeInfoArray = std::vector<TWVCustomSchemeInfo>;

// Counted references to scheme registrations, in the order they were made.
using TWVCustomSchemeRegistrationArray =
    std::vector<TComPtr<ICoreWebView2CustomSchemeRegistration>>;

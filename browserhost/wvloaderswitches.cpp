// The browser command line built from the loader's settings.
#include "wvloader.h"

#include <QString>

namespace {

void AddFeature(wvstring& aList, const wvstring& aName)
{
    if (!aList.empty())
        aList += u',';
    aList += aName;
}

// General floating-point format with "." whatever the locale: 1.25 gives 1.25, 2.0 gives 2.
wvstring FloatText(float aValue)
{
    return QString::number(static_cast<double>(aValue), 'g', 7).toStdU16String();
}

wvstring Trimmed(const wvstring& s)
{
    std::size_t a = 0, b = s.size();
    while (a < b && s[a] <= 32)
        ++a;
    while (b > a && s[b - 1] <= 32)
        --b;
    return s.substr(a, b - a);
}

} // namespace

wvstring TWVLoader::GetCustomCommandLineSwitches() const
{
    wvstring enabled = FEnableFeatures;
    if (FOpenOfficeDocumentsInWebViewer)
        AddFeature(enabled, u"msOpenOfficeDocumentsInWebViewer");
    if (FMicrosoftSignIn)
        AddFeature(enabled, u"msSingleSignOnOSForPrimaryAccountIsShared");
    if (FPostQuantumKyber == STATE_ENABLED)
        AddFeature(enabled, u"PostQuantumKyber");

    wvstring disabled = FDisableFeatures;
    if (!FSmartScreenProtectionEnabled)
        AddFeature(disabled, u"msSmartScreenProtection");
    if (FDisableEdgePitchNotification)
        AddFeature(disabled, u"msEdgeRose");
    if (FPostQuantumKyber == STATE_DISABLED)
        AddFeature(disabled, u"PostQuantumKyber");

    wvstring s;
    const auto add = [&s](const wvstring& aSwitch) { s += aSwitch + u' '; };
    const auto addValue = [&add](const char16_t* aLiteral, const wvstring& aValue) {
        if (!aValue.empty())
            add(aLiteral + aValue);
    };

    if (!FEnableGPU)
        add(u"--disable-gpu --disable-gpu-compositing");
    addValue(u"--enable-features=", enabled);
    addValue(u"--disable-features=", disabled);
    addValue(u"--enable-blink-features=", FEnableBlinkFeatures);
    addValue(u"--disable-blink-features=", FDisableBlinkFeatures);
    addValue(u"--blink-settings=", FBlinkSettings);
    addValue(u"--force-fieldtrials=", FForceFieldTrials);
    addValue(u"--force-fieldtrial-params=", FForceFieldTrialParams);
    if (FAllowInsecureLocalhost)
        add(u"--allow-insecure-localhost");
    if (FDisableWebSecurity)
        add(u"--disable-web-security");
    if (FTouchEvents == STATE_ENABLED)
        add(u"--touch-events=enabled");
    else if (FTouchEvents == STATE_DISABLED)
        add(u"--touch-events=disabled");
    if (!FHyperlinkAuditing)
        add(u"--no-pings");
    switch (FAutoplayPolicy) {
    case appDocumentUserActivationRequired:
        add(u"--autoplay-policy=document-user-activation-required");
        break;
    case appNoUserGestureRequired:
        add(u"--autoplay-policy=no-user-gesture-required");
        break;
    case appUserGestureRequired:
        add(u"--autoplay-policy=user-gesture-required");
        break;
    default:
        break;
    }
    if (FMuteAudio)
        add(u"--mute-audio");
    addValue(u"--default-encoding=", FDefaultEncoding);
    if (FKioskPrinting)
        add(u"--kiosk-printing");
    const TWVProxySettings& proxy = *FProxySettings;
    if (proxy.NoProxyServer) {
        add(u"--no-proxy-server");
    } else {
        if (proxy.AutoDetect)
            add(u"--proxy-auto-detect");
        addValue(u"--proxy-bypass-list=", proxy.ByPassList);
        addValue(u"--proxy-pac-url=", proxy.PacURL);
        addValue(u"--proxy-server=", proxy.Server);
    }
    if (FAllowFileAccessFromFiles)
        add(u"--allow-file-access-from-files");
    if (FAllowRunningInsecureContent)
        add(u"--allow-running-insecure-content");
    if (FDisableBackgroundNetworking)
        add(u"--disable-background-networking");
    if (FForcedDeviceScaleFactor != 0.0f)
        add(u"--force-device-scale-factor=" + FloatText(FForcedDeviceScaleFactor));
    if (FRemoteDebuggingPort > 0)
        add(u"--remote-debugging-port=" + QString::number(FRemoteDebuggingPort).toStdU16String());
    addValue(u"--remote-allow-origins=", FRemoteAllowOrigins);
    switch (FDebugLog) {
    case dlEnabled:
        add(u"--enable-logging");
        break;
    case dlEnabledStdOut:
        add(u"--enable-logging=stdout");
        break;
    case dlEnabledStdErr:
        add(u"--enable-logging=stderr");
        break;
    default:
        break;
    }
    switch (FDebugLogLevel) {
    case dllInfo:
        add(u"--log-level=0");
        break;
    case dllWarning:
        add(u"--log-level=1");
        break;
    case dllError:
        add(u"--log-level=2");
        break;
    case dllFatal:
        add(u"--log-level=3");
        break;
    default:
        break;
    }
    addValue(u"--unsafely-treat-insecure-origin-as-secure=", FTreatInsecureOriginAsSecure);
    if (FAutoAcceptCamAndMicCapture)
        add(u"--auto-accept-camera-and-microphone-capture");
    if (!FJavaScriptFlags.empty())
        add(u"--js-flags=\"" + FJavaScriptFlags + u"\"");
    if (!FUserAgent.empty())
        add(u"--user-agent=\"" + FUserAgent + u"\"");

    if (!FAdditionalBrowserArguments.empty())
        return s + FAdditionalBrowserArguments;
    return Trimmed(s);
}

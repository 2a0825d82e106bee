#include "wvbrowserbase.h"

#include "wvbrowserbaseinternal.h"
#include "wvcorewebview2.h"
#include "wvcorewebview2controller.h"
#include "wvloader.h"
#include "wvmiscfunctions.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cmath>

namespace {

// Execution ids of the component's own script and DevTools jobs.
constexpr INT32 kRetrieveHTMLID = 10000;
constexpr INT32 kRetrieveTextID = 10001;
constexpr INT32 kRetrieveMHTMLID = 10000;
constexpr INT32 kClearCacheID = 10001;
constexpr INT32 kClearDataForOriginID = 10002;
constexpr INT32 kOfflineID = 10003;
constexpr INT32 kIgnoreCertificateErrorsID = 10004;
constexpr INT32 kSimulateKeyEventID = 10005;
constexpr INT32 kRefreshIgnoreCacheID = 10006;

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

wvstring ExtractEncodedJson(const wvstring& aJson)
{
    const QByteArray text = QString::fromStdU16String(aJson).toUtf8();
    QByteArray bytes;
    bytes.reserve(text.size());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char c = text[i];
        if (c == '+') {
            bytes.append(' ');
            ++i;
        } else if (c != '%') {
            bytes.append(c);
            ++i;
        } else if (i + 1 < n && text[i + 1] == '%') {
            bytes.append('%');
            i += 2;
        } else if (i + 2 < n && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            bytes.append(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 3;
        } else if (i + 1 < n) {
            // "%" followed by anything else.
            bytes.append(' ');
            i += 2;
        } else {
            // A "%" that ends the text has nothing to decode and stays.
            bytes.append('%');
            ++i;
        }
    }
    wvstring result = QString::fromUtf8(bytes).toStdU16String();
    if (result.size() >= 2 && result.front() == u'"' && result.back() == u'"')
        result = result.substr(1, result.size() - 2);
    return result;
}

// ---- Operations -----------------------------------------------------------------------------

bool TWVBrowserBase::Navigate(const wvstring& aURI)
{
    return Initialized() && FCoreWebView2->Navigate(aURI);
}

bool TWVBrowserBase::NavigateToString(const wvstring& aHTMLContent)
{
    if (!Initialized())
        return false;
    return FCoreWebView2->NavigateToString(aHTMLContent.substr(0, aHTMLContent.find(u'\0')));
}

bool TWVBrowserBase::PostWebMessageAsString(const wvstring& aWebMessageAsString)
{
    return Initialized() && FCoreWebView2->PostWebMessageAsString(aWebMessageAsString);
}

void TWVBrowserBase::SetBounds(const RECT& aValue)
{
    if (Initialized())
        FCoreWebView2Controller->SetBounds(aValue);
}

bool TWVBrowserBase::SetFocus()
{
    return Initialized() &&
           FCoreWebView2Controller->MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC);
}

bool TWVBrowserBase::CallDevToolsProtocolMethod(const wvstring& aMethodName,
                                                const wvstring& aParametersAsJson,
                                                INT32 aExecutionID)
{
    return Initialized() && FCoreWebView2->CallDevToolsProtocolMethod(
                                aMethodName, aParametersAsJson, aExecutionID, this);
}

double TWVBrowserBase::GetZoomFactor()
{
    return Initialized() ? FCoreWebView2Controller->GetZoomFactor() : 0;
}

double TWVBrowserBase::GetZoomPct()
{
    return GetZoomFactor() * 100;
}

float TWVBrowserBase::GetScreenScale()
{
    return GlobalWebView2Loader ? GlobalWebView2Loader->DeviceScaleFactor() : 1.0f;
}

std::uint8_t ZoomStepForPct(double aPct)
{
    int best = 6;
    double bestDistance = 10000.0;
    for (int i = 0; i < 16; ++i) {
        const double distance = std::fabs(ZoomStepValues[i] - aPct);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = i;
        } else if (distance > bestDistance) {
            break;
        }
    }
    return static_cast<std::uint8_t>(best);
}

void TWVBrowserBase::CalculateZoomStep()
{
    FZoomStep = ZoomStepForPct(GetZoomPct());
}

wvstring KeyEventJson(TWV2KeyEventType type_, INT32 modifiers, INT32 windowsVirtualKeyCode,
                      INT32 nativeVirtualKeyCode, INT32 timestamp, INT32 location, bool autoRepeat,
                      bool isKeypad, bool isSystemKey, const wvstring& text,
                      const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                      const wvstring& code, const wvstring& key)
{
    static const char16_t* const kTypes[] = {u"keyDown", u"keyUp", u"rawKeyDown", u"char"};
    wvstring json = u"{\"type\": \"";
    json += kTypes[static_cast<int>(type_) & 3];
    json += u"\"";
    auto number = [&json](const char16_t* aName, INT32 aValue) {
        if (aValue == 0)
            return;
        json += u", \"";
        json += aName;
        json += u"\": ";
        json += QString::number(aValue).toStdU16String();
    };
    auto string = [&json](const char16_t* aName, const wvstring& aValue) {
        if (aValue.empty())
            return;
        json += u", \"";
        json += aName;
        json += u"\": \"";
        json += JSONEscape(aValue);
        json += u"\"";
    };
    auto flag = [&json](const char16_t* aName, bool aValue) {
        if (!aValue)
            return;
        json += u", \"";
        json += aName;
        json += u"\": true";
    };
    number(u"modifiers", modifiers);
    number(u"timestamp", timestamp);
    string(u"text", text);
    string(u"unmodifiedText", unmodifiedText);
    string(u"keyIdentifier", keyIdentifier);
    string(u"code", code);
    string(u"key", key);
    number(u"windowsVirtualKeyCode", windowsVirtualKeyCode);
    number(u"nativeVirtualKeyCode", nativeVirtualKeyCode);
    flag(u"autoRepeat", autoRepeat);
    flag(u"isKeypad", isKeypad);
    flag(u"isSystemKey", isSystemKey);
    number(u"location", location);
    json += u"}";
    return json;
}

bool TWVBrowserBase::SimulateKeyEvent(TWV2KeyEventType type_, INT32 modifiers,
                                      INT32 windowsVirtualKeyCode, INT32 nativeVirtualKeyCode,
                                      INT32 timestamp, INT32 location, bool autoRepeat,
                                      bool isKeypad, bool isSystemKey, const wvstring& text,
                                      const wvstring& unmodifiedText, const wvstring& keyIdentifier,
                                      const wvstring& code, const wvstring& key)
{
    return CallDevToolsProtocolMethod(u"Input.dispatchKeyEvent",
                                      KeyEventJson(type_, modifiers, windowsVirtualKeyCode,
                                                   nativeVirtualKeyCode, timestamp, location,
                                                   autoRepeat, isKeypad, isSystemKey, text,
                                                   unmodifiedText, keyIdentifier, code, key),
                                      kSimulateKeyEventID);
}

namespace {

struct TKeyCall
{
    TWV2KeyEventType Type;
    INT32 Modifiers;
    INT32 WindowsVirtualKeyCode;
    std::uint32_t NativeVirtualKeyCode;
};

} // namespace

bool TWVBrowserBase::KeyboardShortcutSearch()
{
    static const TKeyCall kCalls[] = {{ketRawKeyDown, 256, 114, 0x003D0001u},
                                      {ketKeyUp, 256, 114, 0xC03D0001u}};
    for (const TKeyCall& c : kCalls)
        if (!SimulateKeyEvent(c.Type, c.Modifiers, c.WindowsVirtualKeyCode,
                              static_cast<INT32>(c.NativeVirtualKeyCode), 0, 0, false, false, false,
                              {}, {}, {}, {}, {}))
            return false;
    return true;
}

bool TWVBrowserBase::KeyboardShortcutRefreshIgnoreCache()
{
    static const TKeyCall kCalls[] = {{ketRawKeyDown, 0x502, 16, 0x002A0001u},
                                      {ketRawKeyDown, 0x102, 116, 0x003F0001u},
                                      {ketKeyUp, 0x102, 116, 0xC03F0001u},
                                      {ketKeyUp, 256, 16, 0xC02A0001u}};
    for (const TKeyCall& c : kCalls)
        if (!SimulateKeyEvent(c.Type, c.Modifiers, c.WindowsVirtualKeyCode,
                              static_cast<INT32>(c.NativeVirtualKeyCode), 0, 0, false, false, false,
                              {}, {}, {}, {}, {}))
            return false;
    return true;
}

// ---- Completions routed by execution id -----------------------------------------------------

HRESULT STDMETHODCALLTYPE TWVBrowserBase::ExecuteScriptCompletedHandler_Invoke(
    HRESULT errorCode, LPCWSTR resultObjectAsJson, INT32 aExecutionID)
{
    const wvstring result = TextOf(resultObjectAsJson);
    switch (aExecutionID) {
    case kRetrieveHTMLID:
        DoOnRetrieveHTMLCompleted(errorCode, result);
        break;
    case kRetrieveTextID:
        DoOnRetrieveTextCompleted(errorCode, result);
        break;
    default:
        DoOnExecuteScriptCompleted(errorCode, result, aExecutionID);
        break;
    }
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TWVBrowserBase::CallDevToolsProtocolMethodCompletedHandler_Invoke(
    HRESULT errorCode, LPCWSTR returnObjectAsJson, INT32 aExecutionID)
{
    const wvstring result = TextOf(returnObjectAsJson);
    switch (aExecutionID) {
    case kRetrieveMHTMLID:
        DoOnRetrieveMHTMLCompleted(errorCode, result);
        break;
    case kClearCacheID:
        DoOnClearCacheCompleted(errorCode);
        break;
    case kClearDataForOriginID:
        DoOnClearDataForOriginCompleted(errorCode);
        break;
    case kOfflineID:
        DoOnOfflineCompleted(errorCode);
        break;
    case kIgnoreCertificateErrorsID:
        DoOnIgnoreCertificateErrorsCompleted(errorCode);
        break;
    case kSimulateKeyEventID:
        DoOnSimulateKeyEventCompleted(errorCode);
        break;
    case kRefreshIgnoreCacheID:
        DoOnRefreshIgnoreCacheCompleted(errorCode, result);
        break;
    default:
        DoOnCallDevToolsProtocolMethodCompletedEvent(errorCode, result, aExecutionID);
        break;
    }
    return S_OK;
}

bool TWVBrowserBase::ExtractJsonData(const wvstring& aJson, wvstring& aData)
{
    if (aJson.empty())
        return false;
    const QJsonDocument doc = QJsonDocument::fromJson(QString::fromStdU16String(aJson).toUtf8());
    if (!doc.isObject() || !doc.object().contains(QStringLiteral("data")))
        return false;
    const QJsonValue data = doc.object().value(QStringLiteral("data"));
    QString text;
    if (data.isString())
        text = data.toString();
    else if (data.isDouble())
        text = QString::number(data.toDouble(), 'g', 17);
    else if (data.isBool())
        text = data.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    else if (data.isObject())
        text = QString::fromUtf8(QJsonDocument(data.toObject()).toJson(QJsonDocument::Compact));
    else if (data.isArray())
        text = QString::fromUtf8(QJsonDocument(data.toArray()).toJson(QJsonDocument::Compact));
    else
        text = QStringLiteral("null");
    aData = text.toStdU16String();
    return true;
}

void TWVBrowserBase::DoOnRetrieveHTMLCompleted(HRESULT aErrorCode,
                                               const wvstring& aResultObjectAsJson)
{
    if (SUCCEEDED(aErrorCode) && OnRetrieveHTMLCompleted) {
        const wvstring text = ExtractEncodedJson(aResultObjectAsJson);
        OnRetrieveHTMLCompleted(this, !text.empty(), text);
    }
}

void TWVBrowserBase::DoOnRetrieveTextCompleted(HRESULT aErrorCode,
                                               const wvstring& aResultObjectAsJson)
{
    if (SUCCEEDED(aErrorCode) && OnRetrieveTextCompleted) {
        const wvstring text = ExtractEncodedJson(aResultObjectAsJson);
        OnRetrieveTextCompleted(this, !text.empty(), text);
    }
}

void TWVBrowserBase::DoOnRetrieveMHTMLCompleted(HRESULT aErrorCode,
                                                const wvstring& aReturnObjectAsJson)
{
    if (!OnRetrieveMHTMLCompleted)
        return;
    wvstring text;
    const bool result = SUCCEEDED(aErrorCode) && ExtractJsonData(aReturnObjectAsJson, text);
    OnRetrieveMHTMLCompleted(this, result, text);
}

#define WV_BOOL_COMPLETION(NAME)                                                                   \
    void TWVBrowserBase::DoOn##NAME(HRESULT aErrorCode)                                            \
    {                                                                                              \
        if (On##NAME)                                                                              \
            On##NAME(this, SUCCEEDED(aErrorCode));                                                 \
    }
WV_BOOL_COMPLETION(ClearCacheCompleted)
WV_BOOL_COMPLETION(ClearDataForOriginCompleted)
WV_BOOL_COMPLETION(OfflineCompleted)
WV_BOOL_COMPLETION(IgnoreCertificateErrorsCompleted)
WV_BOOL_COMPLETION(SimulateKeyEventCompleted)
#undef WV_BOOL_COMPLETION

void TWVBrowserBase::DoOnRefreshIgnoreCacheCompleted(HRESULT aErrorCode,
                                                     const wvstring& aResultObjectAsJson)
{
    if (OnRefreshIgnoreCacheCompleted)
        OnRefreshIgnoreCacheCompleted(this, aErrorCode, aResultObjectAsJson);
}

void TWVBrowserBase::DoOnExecuteScriptCompleted(HRESULT aErrorCode,
                                                const wvstring& aResultObjectAsJson,
                                                INT32 aExecutionID)
{
    if (OnExecuteScriptCompleted)
        OnExecuteScriptCompleted(this, aErrorCode, aResultObjectAsJson, aExecutionID);
}

void TWVBrowserBase::DoOnCallDevToolsProtocolMethodCompletedEvent(HRESULT aErrorCode,
                                                                  const wvstring& aResult,
                                                                  INT32 aExecutionID)
{
    if (OnCallDevToolsProtocolMethodCompleted)
        OnCallDevToolsProtocolMethodCompleted(this, aErrorCode, aResult, aExecutionID);
}

// The browser runtime on Qt WebEngine: environment, controller, webview and their companions.
#pragma once

#include "comobject.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <vector>

class QWebEngineProfile;
class QWebEngineView;
class QWebChannel;
class QWidget;

namespace wvruntime {

// A token never handed out before; never 0.
INT64 NextEventToken();

// The subscriptions of one event.
template <typename H> class TEventList
{
public:
    HRESULT Add(H* handler, EventRegistrationToken* token)
    {
        if (!token)
            return E_POINTER;
        if (!handler)
            return E_INVALIDARG;
        token->value = NextEventToken();
        FItems.emplace_back(token->value, TComPtr<H>(handler));
        return S_OK;
    }
    HRESULT Remove(EventRegistrationToken token)
    {
        for (auto it = FItems.begin(); it != FItems.end(); ++it)
            if (it->first == token.value) {
                FItems.erase(it);
                break;
            }
        return S_OK;
    }
    // Calls every subscriber in subscription order; a handler may unsubscribe while called.
    template <typename... A> void Raise(const char* what, A... args)
    {
        const auto copy = FItems;
        for (const auto& item : copy)
            CallHost(what, [&] { item.second->Invoke(args...); });
    }
    std::size_t Count() const { return FItems.size(); }
    void Clear() { FItems.clear(); }

private:
    std::vector<std::pair<INT64, TComPtr<H>>> FItems;
};

// Runs a call later on the event loop; calls still pending when the application goes are
// dropped.
void Post(std::function<void()> call);

// The process's one engine: the first environment's browser arguments are applied to it.
struct TEngineOptions
{
    QString Arguments;
    QString Language;
    bool FileAccessFromFiles = false;
};

// Pages given as strings, served through the runtime's scheme.
QUrl RegisterStringDocument(const QByteArray& html);
void ReleaseStringDocument(const QUrl& url);
bool StringSchemeAvailable();
// The address events report: "about:blank" for pages shown from strings.
QString ReportedUrl(const QUrl& url);

// A profile shared by every environment and controller that names the same folder and mode.
QWebEngineProfile* AcquireProfile(const QString& userDataFolder, const QString& profileName,
                                  bool inPrivate, const TEngineOptions& options);
void ReleaseProfile(QWebEngineProfile* profile);

class TEnvironment;
class TWebView;

class TSettings final : public TComObject<ICoreWebView2Settings9>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
};

class TPrintSettings final : public TComObject<ICoreWebView2PrintSettings2>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
};

class TFindOptions final : public TComObject<ICoreWebView2FindOptions>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
};

class TProfile final : public TComObject<ICoreWebView2Profile8>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE add_Deleted(ICoreWebView2ProfileDeletedEventHandler* h,
                                          EventRegistrationToken* t) override;
    HRESULT STDMETHODCALLTYPE remove_Deleted(EventRegistrationToken t) override;

private:
    TEventList<ICoreWebView2ProfileDeletedEventHandler> FDeleted; // the profile is never deleted
};

// What controller options carry to a new controller.
struct TControllerSettings
{
    QString ProfileName;
    bool InPrivate = false;
    QString ScriptLocale; // accepted; Qt WebEngine takes the locale from the process
    COREWEBVIEW2_COLOR Background{255, 255, 255, 255};
    bool AllowHostInputProcessing = false; // accepted; input always goes to the page
};

class TControllerOptions final : public TComObject<ICoreWebView2ControllerOptions4>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE put_ProfileName(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE put_IsInPrivateModeEnabled(BOOL value) override;
    HRESULT STDMETHODCALLTYPE put_ScriptLocale(LPCWSTR value) override;
    HRESULT STDMETHODCALLTYPE put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value) override;
    HRESULT STDMETHODCALLTYPE put_AllowHostInputProcessing(BOOL value) override;

    TControllerSettings Settings;
};

// The environment: a user data folder and the engine's options.
class TEnvironment final : public TComObject<ICoreWebView2Environment15>
{
public:
    TEnvironment(const QString& userDataFolder, const TEngineOptions& options);
    ~TEnvironment() override;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2Controller(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE add_NewBrowserVersionAvailable(
        ICoreWebView2NewBrowserVersionAvailableEventHandler* h, EventRegistrationToken* t) override;
    HRESULT STDMETHODCALLTYPE remove_NewBrowserVersionAvailable(EventRegistrationToken t) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionController(
        HWND parentWindow,
        ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE add_BrowserProcessExited(
        ICoreWebView2BrowserProcessExitedEventHandler* h, EventRegistrationToken* t) override;
    HRESULT STDMETHODCALLTYPE remove_BrowserProcessExited(EventRegistrationToken t) override;
    HRESULT STDMETHODCALLTYPE CreatePrintSettings(ICoreWebView2PrintSettings** out) override;
    HRESULT STDMETHODCALLTYPE get_UserDataFolder(LPWSTR* value) override;
    HRESULT STDMETHODCALLTYPE add_ProcessInfosChanged(
        ICoreWebView2ProcessInfosChangedEventHandler* h, EventRegistrationToken* t) override;
    HRESULT STDMETHODCALLTYPE remove_ProcessInfosChanged(EventRegistrationToken t) override;
    HRESULT STDMETHODCALLTYPE
    CreateCoreWebView2ControllerOptions(ICoreWebView2ControllerOptions** options) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2ControllerWithOptions(
        HWND parentWindow, ICoreWebView2ControllerOptions* options,
        ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateCoreWebView2CompositionControllerWithOptions(
        HWND parentWindow, ICoreWebView2ControllerOptions* options,
        ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler* handler) override;
    HRESULT STDMETHODCALLTYPE CreateFindOptions(ICoreWebView2FindOptions** value) override;

    const TEngineOptions& Options() const { return FOptions; }
    const QString& UserDataFolder() const { return FUserDataFolder; }

private:
    HRESULT CreateController(HWND parentWindow, ICoreWebView2ControllerOptions* options,
                             ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler);

    QString FUserDataFolder;
    TEngineOptions FOptions;
    QWebEngineProfile* FWarmProfile = nullptr; // keeps the engine started while we live
    TEventList<ICoreWebView2NewBrowserVersionAvailableEventHandler> FNewBrowserVersion;
    TEventList<ICoreWebView2BrowserProcessExitedEventHandler> FBrowserProcessExited;
    TEventList<ICoreWebView2ProcessInfosChangedEventHandler> FProcessInfosChanged;
};

} // namespace wvruntime

// The runtime's shared parts, its small objects and the environment.
#include "webview.h"

#include "platformqt.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMetaObject>
#include <QRegularExpression>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>

namespace wvruntime {

std::atomic<long> GLiveObjects{0};

INT64 NextEventToken()
{
    static std::atomic<INT64> next{0};
    return ++next;
}

void Post(std::function<void()> call)
{
    static QPointer<QObject> context;
    if (!context)
        context = new QObject(qApp);
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

HRESULT HandOutString(const QString& text, LPWSTR* out)
{
    if (!out)
        return E_POINTER;
    const std::u16string s = text.toStdU16String();
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(char16_t)));
    if (!p) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    s.copy(p, s.size());
    p[s.size()] = 0;
    *out = p;
    return S_OK;
}

QString JsonOf(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("null");
    const QByteArray a =
        QJsonDocument(QJsonArray{QJsonValue::fromVariant(value)}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

QString JsonString(const QString& text)
{
    const QByteArray a = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(a.mid(1, a.size() - 2));
}

// ---- Pages from strings ---------------------------------------------------------------------

namespace {

QHash<QString, QByteArray> GStringDocuments;
int GNextStringDocument = 0;

class TStringSchemeHandler : public QWebEngineUrlSchemeHandler
{
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const auto it = GStringDocuments.constFind(job->requestUrl().path());
        if (it == GStringDocuments.constEnd()) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        auto* buffer = new QBuffer(job);
        buffer->setData(*it);
        buffer->open(QIODevice::ReadOnly);
        job->reply("text/html;charset=utf-8", buffer);
    }
};

TStringSchemeHandler* StringSchemeHandler()
{
    static TStringSchemeHandler* handler = new TStringSchemeHandler(qApp);
    return handler;
}

struct TSharedProfile
{
    QWebEngineProfile* Profile = nullptr;
    int Refs = 0;
};
QHash<QString, TSharedProfile> GProfiles;

} // namespace

bool StringSchemeAvailable()
{
    return !QWebEngineUrlScheme::schemeByName(RuntimeStringScheme).name().isEmpty();
}

QUrl RegisterStringDocument(const QByteArray& html)
{
    const QString id = QStringLiteral("doc-%1").arg(++GNextStringDocument);
    GStringDocuments.insert(id, html);
    return QUrl(QStringLiteral("%1:%2").arg(QLatin1String(RuntimeStringScheme), id));
}

void ReleaseStringDocument(const QUrl& url)
{
    if (url.scheme() == QLatin1String(RuntimeStringScheme))
        GStringDocuments.remove(url.path());
}

QString ReportedUrl(const QUrl& url)
{
    if (url.scheme() == QLatin1String(RuntimeStringScheme) || url.scheme() == u"data" ||
        url.isEmpty())
        return QStringLiteral("about:blank");
    return url.toString(QUrl::FullyEncoded);
}

QWebEngineProfile* AcquireProfile(const QString& userDataFolder, const QString& profileName,
                                  bool inPrivate, const TEngineOptions& options)
{
    const QString name = profileName.isEmpty() ? QStringLiteral("Default") : profileName;
    const QString storage = userDataFolder + QStringLiteral("/EBWebView/") + name;
    const QString key = storage.toLower() + (inPrivate ? QStringLiteral("|private") : QString());
    TSharedProfile& shared = GProfiles[key];
    if (!shared.Profile) {
        QWebEngineProfile* p = nullptr;
        if (inPrivate) {
            p = new QWebEngineProfile();
        } else {
            // The storage name only has to be unique in the process; the path is what counts.
            p = new QWebEngineProfile(QStringLiteral("wv-%1").arg(qHash(key), 0, 16));
            p->setPersistentStoragePath(storage);
            p->setCachePath(storage + QStringLiteral("/Cache"));
        }
        if (!options.Language.isEmpty())
            p->setHttpAcceptLanguage(options.Language);
        QWebEngineSettings* s = p->settings();
        // The platform's defaults: a page from a file cannot read other local files, PDF
        // files open in the browser's viewer.
        s->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls,
                        options.FileAccessFromFiles);
        s->setAttribute(QWebEngineSettings::PluginsEnabled, true);
        s->setAttribute(QWebEngineSettings::PdfViewerEnabled, true);
        s->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
        if (StringSchemeAvailable())
            p->installUrlSchemeHandler(RuntimeStringScheme, StringSchemeHandler());
        shared.Profile = p;
    }
    ++shared.Refs;
    return shared.Profile;
}

void ReleaseProfile(QWebEngineProfile* profile)
{
    for (auto it = GProfiles.begin(); it != GProfiles.end(); ++it) {
        if (it->Profile != profile)
            continue;
        if (--it->Refs == 0) {
            // Pages of the profile are deleted before this; the profile follows on the loop.
            profile->deleteLater();
            GProfiles.erase(it);
        }
        return;
    }
}

// ---- Small objects --------------------------------------------------------------------------

HRESULT TSettings::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2Settings, ICoreWebView2Settings2, ICoreWebView2Settings3,
                           ICoreWebView2Settings4, ICoreWebView2Settings5, ICoreWebView2Settings6,
                           ICoreWebView2Settings7, ICoreWebView2Settings8, ICoreWebView2Settings9>(
        riid, ppv);
}

HRESULT TPrintSettings::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2PrintSettings, ICoreWebView2PrintSettings2>(riid, ppv);
}

HRESULT TFindOptions::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2FindOptions>(riid, ppv);
}

HRESULT TProfile::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2Profile, ICoreWebView2Profile2, ICoreWebView2Profile3,
                           ICoreWebView2Profile4, ICoreWebView2Profile5, ICoreWebView2Profile6,
                           ICoreWebView2Profile7, ICoreWebView2Profile8>(riid, ppv);
}

HRESULT TProfile::add_Deleted(ICoreWebView2ProfileDeletedEventHandler* h, EventRegistrationToken* t)
{
    WV_CHECK_THREAD();
    return FDeleted.Add(h, t);
}

HRESULT TProfile::remove_Deleted(EventRegistrationToken t)
{
    WV_CHECK_THREAD();
    return FDeleted.Remove(t);
}

HRESULT TControllerOptions::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2ControllerOptions, ICoreWebView2ControllerOptions2,
                           ICoreWebView2ControllerOptions3, ICoreWebView2ControllerOptions4>(riid,
                                                                                             ppv);
}

HRESULT TControllerOptions::put_ProfileName(LPCWSTR value)
{
    if (!OnOwnThread())
        return UI_E_WRONG_THREAD;
    const QString name = FromWide(value);
    // Letters, digits and #@$()+-_~. and blanks, at most 64, not ending in a blank or a dot.
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9#@$()+\\-_~. ]{0,64}$"));
    if (!valid.match(name).hasMatch() || name.endsWith(u' ') || name.endsWith(u'.'))
        return E_INVALIDARG;
    Settings.ProfileName = name;
    return S_OK;
}

HRESULT TControllerOptions::put_IsInPrivateModeEnabled(BOOL value)
{
    if (!OnOwnThread())
        return UI_E_WRONG_THREAD;
    Settings.InPrivate = value != 0;
    return S_OK;
}

HRESULT TControllerOptions::put_ScriptLocale(LPCWSTR value)
{
    if (!OnOwnThread())
        return UI_E_WRONG_THREAD;
    Settings.ScriptLocale = FromWide(value);
    return S_OK;
}

HRESULT TControllerOptions::put_DefaultBackgroundColor(COREWEBVIEW2_COLOR value)
{
    if (!OnOwnThread())
        return UI_E_WRONG_THREAD;
    if (value.A != 0 && value.A != 255)
        return E_INVALIDARG; // partly transparent backgrounds are not supported
    Settings.Background = value;
    return S_OK;
}

HRESULT TControllerOptions::put_AllowHostInputProcessing(BOOL value)
{
    if (!OnOwnThread())
        return UI_E_WRONG_THREAD;
    Settings.AllowHostInputProcessing = value != 0;
    return S_OK;
}

// ---- The environment ------------------------------------------------------------------------

TEnvironment::TEnvironment(const QString& userDataFolder, const TEngineOptions& options)
    : FUserDataFolder(userDataFolder), FOptions(options)
{
    FWarmProfile = AcquireProfile(FUserDataFolder, QString(), false, FOptions);
}

TEnvironment::~TEnvironment()
{
    ReleaseProfile(FWarmProfile);
}

HRESULT TEnvironment::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<
        ICoreWebView2Environment, ICoreWebView2Environment2, ICoreWebView2Environment3,
        ICoreWebView2Environment4, ICoreWebView2Environment5, ICoreWebView2Environment6,
        ICoreWebView2Environment7, ICoreWebView2Environment8, ICoreWebView2Environment9,
        ICoreWebView2Environment10, ICoreWebView2Environment11, ICoreWebView2Environment12,
        ICoreWebView2Environment13, ICoreWebView2Environment14, ICoreWebView2Environment15>(riid,
                                                                                            ppv);
}

HRESULT TEnvironment::CreateCoreWebView2Controller(
    HWND parentWindow, ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)
{
    WV_CHECK_THREAD();
    return CreateController(parentWindow, nullptr, handler);
}

HRESULT TEnvironment::CreateCoreWebView2ControllerWithOptions(
    HWND parentWindow, ICoreWebView2ControllerOptions* options,
    ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)
{
    WV_CHECK_THREAD();
    return CreateController(parentWindow, options, handler);
}

HRESULT
TEnvironment::CreateController(HWND parentWindow, ICoreWebView2ControllerOptions* options,
                               ICoreWebView2CreateCoreWebView2ControllerCompletedHandler* handler)
{
    if (!handler)
        return E_POINTER;
    QWidget* parent = WindowFromHandle(parentWindow);
    if (!parent)
        return HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE);
    TControllerSettings settings;
    if (options) {
        auto* ours = dynamic_cast<TControllerOptions*>(options);
        if (!ours)
            return E_INVALIDARG;
        settings = ours->Settings;
    }
    TComPtr<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler> done(handler);
    TComPtr<TEnvironment> self(this);
    QPointer<QWidget> host(parent);
    Post([self, done, host, settings] {
        if (!host) {
            CallHost("controller completed", [&] { done->Invoke(E_ABORT, nullptr); });
            return;
        }
        auto controller = TComPtr<TController>::Attach(new TController(self.Get(), host, settings));
        CallHost("controller completed", [&] { done->Invoke(S_OK, controller.Get()); });
    });
    return S_OK;
}

HRESULT
TEnvironment::add_NewBrowserVersionAvailable(ICoreWebView2NewBrowserVersionAvailableEventHandler* h,
                                             EventRegistrationToken* t)
{
    WV_CHECK_THREAD();
    return FNewBrowserVersion.Add(h, t);
}

HRESULT TEnvironment::remove_NewBrowserVersionAvailable(EventRegistrationToken t)
{
    WV_CHECK_THREAD();
    return FNewBrowserVersion.Remove(t);
}

HRESULT TEnvironment::CreateCoreWebView2CompositionController(
    HWND, ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler*)
{
    return E_NOTIMPL; // the engine draws only into windows of its own
}

HRESULT TEnvironment::CreateCoreWebView2CompositionControllerWithOptions(
    HWND, ICoreWebView2ControllerOptions*,
    ICoreWebView2CreateCoreWebView2CompositionControllerCompletedHandler*)
{
    return E_NOTIMPL;
}

HRESULT TEnvironment::add_BrowserProcessExited(ICoreWebView2BrowserProcessExitedEventHandler* h,
                                               EventRegistrationToken* t)
{
    WV_CHECK_THREAD();
    return FBrowserProcessExited.Add(h, t); // the browser process is this process
}

HRESULT TEnvironment::remove_BrowserProcessExited(EventRegistrationToken t)
{
    WV_CHECK_THREAD();
    return FBrowserProcessExited.Remove(t);
}

HRESULT TEnvironment::CreatePrintSettings(ICoreWebView2PrintSettings** out)
{
    WV_CHECK_THREAD();
    return HandOutNew<TPrintSettings>(out);
}

HRESULT TEnvironment::get_UserDataFolder(LPWSTR* value)
{
    WV_CHECK_THREAD();
    return HandOutString(QDir::toNativeSeparators(FUserDataFolder), value);
}

HRESULT TEnvironment::add_ProcessInfosChanged(ICoreWebView2ProcessInfosChangedEventHandler* h,
                                              EventRegistrationToken* t)
{
    WV_CHECK_THREAD();
    return FProcessInfosChanged.Add(h, t);
}

HRESULT TEnvironment::remove_ProcessInfosChanged(EventRegistrationToken t)
{
    WV_CHECK_THREAD();
    return FProcessInfosChanged.Remove(t);
}

HRESULT TEnvironment::CreateCoreWebView2ControllerOptions(ICoreWebView2ControllerOptions** options)
{
    WV_CHECK_THREAD();
    return HandOutNew<TControllerOptions>(options);
}

HRESULT TEnvironment::CreateFindOptions(ICoreWebView2FindOptions** value)
{
    WV_CHECK_THREAD();
    return HandOutNew<TFindOptions>(value);
}

} // namespace wvruntime

// The controller and the webview over a QWebEngineView.
#include "webview.h"

#include "platformqt.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>

namespace wvruntime {

namespace {

// ---- Event arguments ------------------------------------------------------------------------

class TNavigationStartingArgs final : public TComObject<ICoreWebView2NavigationStartingEventArgs>
{
public:
    TNavigationStartingArgs(QString uri, UINT64 id) : FUri(std::move(uri)), FId(id) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<ICoreWebView2NavigationStartingEventArgs>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return HandOutString(FUri, uri); }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override
    {
        return HandOutValue(FId, id);
    }

private:
    QString FUri;
    UINT64 FId;
};

class TNavigationCompletedArgs final : public TComObject<ICoreWebView2NavigationCompletedEventArgs>
{
public:
    TNavigationCompletedArgs(bool success, UINT64 id) : FSuccess(success), FId(id) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<ICoreWebView2NavigationCompletedEventArgs>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE get_IsSuccess(BOOL* ok) override
    {
        return HandOutValue(FSuccess ? TRUE : FALSE, ok);
    }
    HRESULT STDMETHODCALLTYPE get_NavigationId(UINT64* id) override
    {
        return HandOutValue(FId, id);
    }

private:
    bool FSuccess;
    UINT64 FId;
};

class TNewWindowArgs final : public TComObject<ICoreWebView2NewWindowRequestedEventArgs>
{
public:
    explicit TNewWindowArgs(QString uri) : FUri(std::move(uri)) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<ICoreWebView2NewWindowRequestedEventArgs>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE get_Uri(LPWSTR* uri) override { return HandOutString(FUri, uri); }

private:
    QString FUri;
};

class TWebMessageArgs final : public TComObject<ICoreWebView2WebMessageReceivedEventArgs2>
{
public:
    TWebMessageArgs(QString json, QString source)
        : FJson(std::move(json)), FSource(std::move(source))
    {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return QueryInterfaces<ICoreWebView2WebMessageReceivedEventArgs,
                               ICoreWebView2WebMessageReceivedEventArgs2>(riid, ppv);
    }
    HRESULT STDMETHODCALLTYPE get_Source(LPWSTR* source) override
    {
        return HandOutString(FSource, source);
    }
    HRESULT STDMETHODCALLTYPE get_WebMessageAsJson(LPWSTR* json) override
    {
        return HandOutString(FJson, json);
    }
    HRESULT STDMETHODCALLTYPE TryGetWebMessageAsString(LPWSTR* text) override
    {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        const QJsonDocument doc =
            QJsonDocument::fromJson(QByteArray("[") + FJson.toUtf8() + QByteArray("]"));
        if (!doc.isArray() || doc.array().size() != 1 || !doc.array().at(0).isString())
            return E_INVALIDARG;
        return HandOutString(doc.array().at(0).toString(), text);
    }

private:
    QString FJson;
    QString FSource;
};

template <typename I> class TEmptyArgs final : public TComObject<I>
{
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        return this->template QueryInterfaces<I>(riid, ppv);
    }
};

template <typename T> TComPtr<T> Make(T* created)
{
    return TComPtr<T>::Attach(created);
}

// ---- The page side of window.chrome.webview -------------------------------------------------

QString ShimScript()
{
    static const QString script = [] {
        QFile f(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        QString channel;
        if (f.open(QIODevice::ReadOnly))
            channel = QString::fromUtf8(f.readAll());
        else
            qCritical("browser runtime: the web channel script is missing");
        return QStringLiteral(R"JS((function () {
  'use strict';
  if (window.chrome && window.chrome.webview) return;
  var target = new EventTarget();
  var bridge = null;
  var queue = [];
  function send(json) {
    if (bridge) bridge.postMessage(json, String(location.href));
    else queue.push(json);
  }
  var webview = {
    postMessage: function (message) {
      var json = JSON.stringify(message);
      send(json === undefined ? 'null' : json);
    },
    addEventListener: function (type, listener, options) {
      target.addEventListener(type, listener, options);
    },
    removeEventListener: function (type, listener, options) {
      target.removeEventListener(type, listener, options);
    }
  };
  if (!window.chrome) window.chrome = {};
  Object.defineProperty(window.chrome, 'webview', { value: webview, enumerable: true });
%1
  var attempts = 0;
  function connect() {
    if (typeof qt === 'undefined' || !qt.webChannelTransport) {
      if (++attempts < 400) setTimeout(connect, 5);
      return;
    }
    new QWebChannel(qt.webChannelTransport, function (channel) {
      var b = channel.objects.webview;
      b.messageToPage.connect(function (json) {
        var data;
        try { data = JSON.parse(json); } catch (e) { return; }
        target.dispatchEvent(new MessageEvent('message', { data: data }));
      });
      bridge = b;
      while (queue.length) bridge.postMessage(queue.shift(), String(location.href));
      bridge.pageReady();
    });
  }
  connect();
})();
)JS")
            .arg(channel);
    }();
    return script;
}

class TPage : public QWebEnginePage
{
public:
    TPage(QWebEngineProfile* profile, QObject* parent) : QWebEnginePage(profile, parent) {}

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int,
                                  const QString&) override
    {}
};

// Gives the engine's render widget the window class and title the runtime's render window has.
class TRenderWidgetTagger : public QObject
{
public:
    using QObject::QObject;
    static void Tag(QWidget* w)
    {
        if (!w || w->isWindow())
            return;
        SetWindowClassName(w, "Chrome_RenderWidgetHostHWND");
        w->setWindowTitle(QStringLiteral("Chrome Legacy Window"));
        WindowHandle(w);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ChildAdded || event->type() == QEvent::ChildPolished) {
            QObject* child = static_cast<QChildEvent*>(event)->child();
            if (child && child->isWidgetType())
                Tag(static_cast<QWidget*>(child));
        }
        return false;
    }
};

// Adds a script that runs in the main world of every new document (and of its frames too when
// subFrames is set).
void InsertDocumentScript(QWebEnginePage* page, const QString& name, const QString& source,
                          bool subFrames)
{
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(subFrames);
    page->scripts().insert(script);
}

} // namespace

// ---- Controller -----------------------------------------------------------------------------

TController::TController(TEnvironment* environment, QWidget* parent,
                         const TControllerSettings& options)
    : FEnvironment(environment),
      FProfile(AcquireProfile(environment->UserDataFolder(), options.ProfileName, options.InPrivate,
                              environment->Options())),
      FContext(new QObject)
{
    FWidget0 = new QWidget(parent);
    SetWindowClassName(FWidget0, "Chrome_WidgetWin_0");
    WindowHandle(FWidget0);
    auto* layout = new QVBoxLayout(FWidget0);
    layout->setContentsMargins(0, 0, 0, 0);
    FView = new QWebEngineView(FWidget0);
    SetWindowClassName(FView, "Chrome_WidgetWin_1");
    WindowHandle(FView);
    FView->installEventFilter(new TRenderWidgetTagger(FView));
    layout->addWidget(FView);
    FWidget0->setGeometry(parent->rect());
    FWidget0->show();
    FWebView = Make(new TWebView(this, FView, FProfile, options));
    for (QObject* child : FView->children())
        if (child->isWidgetType())
            TRenderWidgetTagger::Tag(static_cast<QWidget*>(child));

    QObject::connect(FWidget0, &QObject::destroyed, FContext, [this] {
        // The host window went first: the webview goes with it.
        if (!FClosed) {
            FClosed = true;
            FWebView->Closed();
        }
    });
    QObject::connect(qApp, &QApplication::focusChanged, FContext, [this](QWidget*, QWidget* now) {
        if (FClosed)
            return;
        // Judged against what was last reported, not against the signal's old widget: Qt
        // may report a move into the page again from no widget (old is null) while the
        // focus never left it, and that is no new entry.
        const bool has = Contains(now);
        if (has == FFocusInside)
            return;
        FFocusInside = has;
        TComPtr<TController> self(this);
        Post([self, has] {
            if (self->FClosed)
                return;
            if (has)
                self->FGotFocus.Raise("GotFocus", self.Get(), static_cast<IUnknown*>(nullptr));
            else
                self->FLostFocus.Raise("LostFocus", self.Get(), static_cast<IUnknown*>(nullptr));
        });
    });
}

TController::~TController()
{
    Close();
    delete FContext;
    ReleaseProfile(FProfile);
}

bool TController::Contains(QWidget* w) const
{
    return w && FWidget0 && (w == FWidget0 || FWidget0->isAncestorOf(w));
}

HRESULT TController::CheckUsable() const
{
    if (!OnOwnThread())
        return RPC_E_WRONG_THREAD;
    if (FClosed || !FWidget0)
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    return S_OK;
}

HRESULT TController::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2Controller, ICoreWebView2Controller2,
                           ICoreWebView2Controller3, ICoreWebView2Controller4>(riid, ppv);
}

HRESULT TController::get_IsVisible(BOOL* isVisible)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    return HandOutValue(FWidget0->isHidden() ? FALSE : TRUE, isVisible);
}

HRESULT TController::put_IsVisible(BOOL isVisible)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    FWidget0->setVisible(isVisible != 0);
    return S_OK;
}

HRESULT TController::get_Bounds(RECT* bounds)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!bounds)
        return E_POINTER;
    const QRect g = FWidget0->geometry();
    *bounds = RECT{g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    return S_OK;
}

HRESULT TController::put_Bounds(RECT bounds)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    FWidget0->setGeometry(bounds.left, bounds.top, std::max(0, bounds.right - bounds.left),
                          std::max(0, bounds.bottom - bounds.top));
    return S_OK;
}

HRESULT TController::get_ZoomFactor(double* zoomFactor)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    return HandOutValue(FView ? FView->page()->zoomFactor() : 1.0, zoomFactor);
}

HRESULT TController::MoveFocus(COREWEBVIEW2_MOVE_FOCUS_REASON reason)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (reason < COREWEBVIEW2_MOVE_FOCUS_REASON_PROGRAMMATIC ||
        reason > COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS)
        return E_INVALIDARG;
    QWidget* top = FView->window();
    if (top->isVisible() && QApplication::activeWindow() != top)
        QApplication::setActiveWindow(top);
    FView->setFocus(reason == COREWEBVIEW2_MOVE_FOCUS_REASON_PREVIOUS ? Qt::BacktabFocusReason
                    : reason == COREWEBVIEW2_MOVE_FOCUS_REASON_NEXT   ? Qt::TabFocusReason
                                                                      : Qt::OtherFocusReason);
    return S_OK;
}

HRESULT TController::Close()
{
    if (!OnOwnThread())
        return RPC_E_WRONG_THREAD;
    if (FClosed)
        return S_OK;
    FClosed = true;
    FWebView->Closed();
    delete FWidget0.data();
    return S_OK;
}

HRESULT TController::get_CoreWebView2(ICoreWebView2** coreWebView2)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    return HandOut<ICoreWebView2>(FWebView.Get(), coreWebView2);
}

// ---- Webview --------------------------------------------------------------------------------

TWebView::TWebView(TController* controller, QWebEngineView* view, QWebEngineProfile* profile,
                   const TControllerSettings& options)
    : FController(controller), FView(view), FProfile(profile), FContext(new QObject),
      FSettings(Make(new TSettings)), FProfileObject(Make(new TProfile))
{
    auto* page = new TPage(profile, view);
    FPage = page;
    view->setPage(page);
    page->setBackgroundColor(QColor(options.Background.R, options.Background.G,
                                    options.Background.B, options.Background.A));

    FBridge = new TBridge(page);
    FChannel = new QWebChannel(page);
    FChannel->registerObject(QStringLiteral("webview"), FBridge);
    page->setWebChannel(FChannel, QWebEngineScript::MainWorld);
    InsertDocumentScript(page, QStringLiteral("quorvel-webview"), ShimScript(), false);

    FBridge->OnMessage = [this](const QString& json, const QString& source) {
        if (FClosed)
            return;
        const QString reported = ReportedUrl(QUrl(source));
        TComPtr<TWebView> self(this);
        Post([self, json, reported] {
            if (self->FClosed)
                return;
            auto args = Make(new TWebMessageArgs(json, reported));
            self->FWebMessageReceived.Raise(
                "WebMessageReceived", static_cast<ICoreWebView2*>(self.Get()),
                static_cast<ICoreWebView2WebMessageReceivedEventArgs*>(args.Get()));
        });
    };
    FBridge->OnReady = [this] {
        FPageReady = true;
        const QStringList pending = std::exchange(FPendingToPage, {});
        for (const QString& json : pending)
            Q_EMIT FBridge->messageToPage(json);
    };

    QObject::connect(page, &QWebEnginePage::loadingChanged, FContext,
                     [this](const QWebEngineLoadingInfo& info) { OnLoadingChanged(info); });
    QObject::connect(page, &QWebEnginePage::urlChanged, FContext,
                     [this](const QUrl& url) { OnUrlChanged(url); });
    auto raiseLater = [this](auto member, const char* what) {
        TComPtr<TWebView> self(this);
        Post([self, member, what] {
            if (self->FClosed)
                return;
            (self.Get()->*member)
                .Raise(what, static_cast<ICoreWebView2*>(self.Get()),
                       static_cast<IUnknown*>(nullptr));
        });
    };
    QObject::connect(page, &QWebEnginePage::titleChanged, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FDocumentTitleChanged, "DocumentTitleChanged");
    });
    QObject::connect(page, &QWebEnginePage::windowCloseRequested, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FWindowCloseRequested, "WindowCloseRequested");
    });
    QObject::connect(page, &QWebEnginePage::audioMutedChanged, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FIsMutedChanged, "IsMutedChanged");
    });
    QObject::connect(page, &QWebEnginePage::recentlyAudibleChanged, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FIsDocumentPlayingAudioChanged, "IsDocumentPlayingAudioChanged");
    });
    QObject::connect(page, &QWebEnginePage::linkHovered, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FStatusBarTextChanged, "StatusBarTextChanged");
    });
    QObject::connect(page, &QWebEnginePage::iconUrlChanged, FContext, [this, raiseLater] {
        raiseLater(&TWebView::FFaviconChanged, "FaviconChanged");
    });
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, FContext, [this] {
        TComPtr<TWebView> self(this);
        Post([self] {
            if (self->FClosed)
                return;
            auto args = Make(new TEmptyArgs<ICoreWebView2ProcessFailedEventArgs>);
            self->FProcessFailed.Raise(
                "ProcessFailed", static_cast<ICoreWebView2*>(self.Get()),
                static_cast<ICoreWebView2ProcessFailedEventArgs*>(args.Get()));
            if (self->FNavigating)
                self->Complete(false);
        });
    });
    // New windows open nothing unless the host handles the request; this runtime offers it
    // no way to, so the request is reported and dropped.
    QObject::connect(
        page, &QWebEnginePage::newWindowRequested, FContext,
        [this](QWebEngineNewWindowRequest& request) {
            const QString uri = ReportedUrl(request.requestedUrl());
            TComPtr<TWebView> self(this);
            Post([self, uri] {
                if (self->FClosed)
                    return;
                auto args = Make(new TNewWindowArgs(uri));
                self->FNewWindowRequested.Raise(
                    "NewWindowRequested", static_cast<ICoreWebView2*>(self.Get()),
                    static_cast<ICoreWebView2NewWindowRequestedEventArgs*>(args.Get()));
            });
        });
}

TWebView::~TWebView()
{
    Closed();
}

void TWebView::Closed()
{
    if (FClosed)
        return;
    FClosed = true;
    ReleaseStringDocument(FStringDocument);
    FStringDocument.clear();
    FPendingToPage.clear();
    // Pending completions and events of a closed webview are dropped.
    delete FContext;
    FContext = nullptr;
    if (FPage) {
        FBridge->OnMessage = nullptr;
        FBridge->OnReady = nullptr;
    }
    FController = nullptr;
}

HRESULT TWebView::CheckUsable() const
{
    if (!OnOwnThread())
        return RPC_E_WRONG_THREAD;
    if (FClosed || !FPage)
        return HRESULT_FROM_WIN32(ERROR_INVALID_STATE);
    return S_OK;
}

HRESULT TWebView::QueryInterface(REFIID riid, void** ppv)
{
    return QueryInterfaces<ICoreWebView2, ICoreWebView2_2, ICoreWebView2_3, ICoreWebView2_4,
                           ICoreWebView2_5, ICoreWebView2_6, ICoreWebView2_7, ICoreWebView2_8,
                           ICoreWebView2_9, ICoreWebView2_10, ICoreWebView2_11, ICoreWebView2_12,
                           ICoreWebView2_13, ICoreWebView2_14, ICoreWebView2_15, ICoreWebView2_16,
                           ICoreWebView2_17, ICoreWebView2_18, ICoreWebView2_19, ICoreWebView2_20,
                           ICoreWebView2_21, ICoreWebView2_22, ICoreWebView2_23, ICoreWebView2_24,
                           ICoreWebView2_25, ICoreWebView2_26, ICoreWebView2_27, ICoreWebView2_28>(
        riid, ppv);
}

HRESULT TWebView::get_Settings(ICoreWebView2Settings** settings)
{
    WV_CHECK_THREAD();
    return HandOut<ICoreWebView2Settings>(FSettings.Get(), settings);
}

HRESULT TWebView::get_Profile(ICoreWebView2Profile** value)
{
    WV_CHECK_THREAD();
    return HandOut<ICoreWebView2Profile>(FProfileObject.Get(), value);
}

HRESULT TWebView::get_Source(LPWSTR* uri)
{
    WV_CHECK_THREAD();
    return HandOutString(FSource, uri);
}

void TWebView::Load(const QUrl& url)
{
    FExpectingLoad = true;
    FPage->load(url);
}

HRESULT TWebView::Navigate(LPCWSTR uri)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!uri)
        return E_INVALIDARG;
    const QUrl url(FromWide(uri), QUrl::StrictMode);
    if (!url.isValid() || url.isRelative() || url.scheme().isEmpty())
        return E_INVALIDARG;
    Load(url);
    return S_OK;
}

HRESULT TWebView::NavigateToString(LPCWSTR htmlContent)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!htmlContent)
        return E_INVALIDARG;
    const QString html = FromWide(htmlContent);
    if (!StringSchemeAvailable()) {
        // Without the runtime's scheme the engine takes the text as a data address, which it
        // cannot show above 2 MB.
        if (html.toUtf8().toBase64().size() > 2 * 1024 * 1024 - 64)
            return E_INVALIDARG;
        FExpectingLoad = true;
        FPage->setHtml(html, QUrl(QStringLiteral("about:blank")));
        return S_OK;
    }
    const QUrl previous = FStringDocument;
    FStringDocument = RegisterStringDocument(html.toUtf8());
    Load(FStringDocument);
    ReleaseStringDocument(previous);
    return S_OK;
}

void TWebView::OnLoadingChanged(const QWebEngineLoadingInfo& info)
{
    if (FClosed)
        return;
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus: {
        if (FNavigating)
            Complete(false); // a new navigation cancels the one under way
        FExpectingLoad = false;
        FNavigating = true;
        FCommitted = false;
        FPageReady = false;
        FNavigationId = ++FNextNavigationId;
        const QString uri = ReportedUrl(info.url());
        const UINT64 id = FNavigationId;
        TComPtr<TWebView> self(this);
        Post([self, uri, id] {
            if (self->FClosed)
                return;
            auto args = Make(new TNavigationStartingArgs(uri, id));
            self->FNavigationStarting.Raise(
                "NavigationStarting", static_cast<ICoreWebView2*>(self.Get()),
                static_cast<ICoreWebView2NavigationStartingEventArgs*>(args.Get()));
        });
        break;
    }
    case QWebEngineLoadingInfo::LoadSucceededStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        if (FNavigating) {
            if (!FCommitted)
                Commit(info.url());
            Complete(info.status() == QWebEngineLoadingInfo::LoadSucceededStatus);
        }
        break;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
        if (FNavigating)
            Complete(false);
        break;
    }
}

void TWebView::OnUrlChanged(const QUrl& url)
{
    if (FClosed)
        return;
    if (FNavigating) {
        if (!FCommitted)
            Commit(url);
        return;
    }
    if (FExpectingLoad)
        return; // the address of a load that has not started yet
    // A navigation inside the document (an anchor, the history interface).
    const QString reported = ReportedUrl(url);
    TComPtr<TWebView> self(this);
    const bool changed = reported != FSource;
    FSource = reported;
    Post([self, changed] {
        if (self->FClosed)
            return;
        auto* sender = static_cast<ICoreWebView2*>(self.Get());
        if (changed) {
            auto args = Make(new TEmptyArgs<ICoreWebView2SourceChangedEventArgs>);
            self->FSourceChanged.Raise(
                "SourceChanged", sender,
                static_cast<ICoreWebView2SourceChangedEventArgs*>(args.Get()));
        }
        self->FHistoryChanged.Raise("HistoryChanged", sender, static_cast<IUnknown*>(nullptr));
    });
}

void TWebView::Commit(const QUrl& url)
{
    FCommitted = true;
    const QString reported = ReportedUrl(url);
    const bool changed = reported != FSource;
    FSource = reported;
    TComPtr<TWebView> self(this);
    Post([self, changed] {
        if (self->FClosed)
            return;
        auto* sender = static_cast<ICoreWebView2*>(self.Get());
        if (changed) {
            auto args = Make(new TEmptyArgs<ICoreWebView2SourceChangedEventArgs>);
            self->FSourceChanged.Raise(
                "SourceChanged", sender,
                static_cast<ICoreWebView2SourceChangedEventArgs*>(args.Get()));
        }
        auto loading = Make(new TEmptyArgs<ICoreWebView2ContentLoadingEventArgs>);
        self->FContentLoading.Raise(
            "ContentLoading", sender,
            static_cast<ICoreWebView2ContentLoadingEventArgs*>(loading.Get()));
        self->FHistoryChanged.Raise("HistoryChanged", sender, static_cast<IUnknown*>(nullptr));
    });
}

void TWebView::Complete(bool success)
{
    FNavigating = false;
    const UINT64 id = FNavigationId;
    TComPtr<TWebView> self(this);
    Post([self, success, id] {
        if (self->FClosed)
            return;
        auto args = Make(new TNavigationCompletedArgs(success, id));
        self->FNavigationCompleted.Raise(
            "NavigationCompleted", static_cast<ICoreWebView2*>(self.Get()),
            static_cast<ICoreWebView2NavigationCompletedEventArgs*>(args.Get()));
    });
}

HRESULT TWebView::AddScriptToExecuteOnDocumentCreated(
    LPCWSTR javaScript, ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler* handler)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!javaScript)
        return E_INVALIDARG;
    const QString id = QString::number(++FNextScriptId);
    InsertDocumentScript(FPage, QStringLiteral("quorvel-script-") + id, FromWide(javaScript), true);
    if (handler) {
        TComPtr<ICoreWebView2AddScriptToExecuteOnDocumentCreatedCompletedHandler> done(handler);
        Post([done, id] {
            const std::u16string text = id.toStdU16String();
            CallHost("AddScriptToExecuteOnDocumentCreated",
                     [&] { done->Invoke(S_OK, text.c_str()); });
        });
    }
    return S_OK;
}

HRESULT TWebView::RemoveScriptToExecuteOnDocumentCreated(LPCWSTR id)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    const QString name = QStringLiteral("quorvel-script-") + FromWide(id);
    for (const QWebEngineScript& s : FPage->scripts().find(name))
        FPage->scripts().remove(s);
    return S_OK;
}

HRESULT TWebView::ExecuteScript(LPCWSTR javaScript,
                                ICoreWebView2ExecuteScriptCompletedHandler* handler)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!javaScript)
        return E_INVALIDARG;
    TComPtr<ICoreWebView2ExecuteScriptCompletedHandler> done(handler);
    QPointer<QObject> context(FContext);
    FPage->runJavaScript(
        FromWide(javaScript), QWebEngineScript::MainWorld, [done, context](const QVariant& result) {
            if (!context || !done)
                return;
            const QString json = JsonOf(result);
            Post([done, json] {
                const std::u16string text = json.toStdU16String();
                CallHost("ExecuteScript", [&] { done->Invoke(S_OK, text.c_str()); });
            });
        });
    return S_OK;
}

void TWebView::SendToPage(const QString& json)
{
    if (FPageReady)
        Q_EMIT FBridge->messageToPage(json);
    else
        FPendingToPage << json; // the document's channel is not up yet
}

HRESULT TWebView::PostWebMessageAsJson(LPCWSTR webMessageAsJson)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!webMessageAsJson)
        return E_INVALIDARG;
    const QString json = FromWide(webMessageAsJson);
    QJsonParseError error{};
    const QJsonDocument doc =
        QJsonDocument::fromJson(QByteArray("[") + json.toUtf8() + QByteArray("]"), &error);
    if (error.error != QJsonParseError::NoError || doc.array().size() != 1)
        return E_INVALIDARG;
    SendToPage(json);
    return S_OK;
}

HRESULT TWebView::PostWebMessageAsString(LPCWSTR webMessageAsString)
{
    if (const HRESULT hr = CheckUsable(); FAILED(hr))
        return hr;
    if (!webMessageAsString)
        return E_INVALIDARG;
    SendToPage(JsonString(FromWide(webMessageAsString)));
    return S_OK;
}

HRESULT
TWebView::CallDevToolsProtocolMethod(LPCWSTR, LPCWSTR,
                                     ICoreWebView2CallDevToolsProtocolMethodCompletedHandler*)
{
    return E_NOTIMPL; // Qt WebEngine offers no way to call the protocol from the host
}

HRESULT
TWebView::GetDevToolsProtocolEventReceiver(LPCWSTR,
                                           ICoreWebView2DevToolsProtocolEventReceiver** receiver)
{
    if (receiver)
        *receiver = nullptr;
    return E_NOTIMPL;
}

} // namespace wvruntime

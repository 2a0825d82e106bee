#include "pagefixture.h"

#include "editorresource.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QJsonDocument>
#include <QTest>
#include <QTimer>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <memory>

namespace {

// The host's messaging object as the page sees it: posts are recorded (the page's word on
// whether it holds an unreported change apart from the rest), host messages are delivered to
// the page's "message" listeners with the JSON text as the event's data.
const char* const HostStandIn = R"JS(
(function () {
  const rec = { posts: [], states: [], keys: [], listeners: [] };
  Object.defineProperty(window, '__host', { value: rec });
  rec.deliver = function (text) {
    for (const fn of rec.listeners) fn({ data: text });
  };
  window.chrome = window.chrome || {};
  window.chrome.webview = {
    postMessage: function (obj) {
      const to = obj && obj.type === 'editState' ? rec.states : rec.posts;
      to.push({ t: performance.now(), json: JSON.stringify(obj) });
    },
    addEventListener: function (type, fn) {
      if (type === 'message') rec.listeners.push(fn);
    },
    removeEventListener: function () {},
  };
  window.addEventListener('keydown', function () { rec.keys.push(performance.now()); }, true);
  // A key's release comes after everything its press and its character did.
  rec.released = 0;
  window.addEventListener('keyup', function () { rec.released++; }, true);
  // Likewise a button's release: what its press and the click did is done when it is counted.
  rec.mouseUps = 0;
  window.addEventListener('mouseup', function () { setTimeout(function () { rec.mouseUps++; }); }, true);
})();
)JS";

// Selects text in the editor by content: from the start of the first occurrence of `from` to
// the end of the first occurrence of `to` after it.
const char* const SelectHelper = R"JS(
(function (from, to) {
  const texts = [];
  const walker = document.createTreeWalker(editor, NodeFilter.SHOW_TEXT);
  let all = '';
  for (let n = walker.nextNode(); n; n = walker.nextNode()) {
    texts.push([n, all.length]);
    all += n.data;
  }
  const s = all.indexOf(from);
  if (s < 0) return false;
  const e = to ? all.indexOf(to, s) : s;
  if (e < 0) return false;
  const endAt = e + (to ? to.length : from.length);
  const locate = (pos, isEnd) => {
    for (const [n, off] of texts) {
      if (pos < off + n.length || (isEnd && pos === off + n.length)) return [n, pos - off];
    }
    return null;
  };
  const a = locate(s, false), b = locate(endAt, true);
  if (!a || !b) return false;
  editor.focus();
  const r = document.createRange();
  r.setStart(a[0], a[1]);
  r.setEnd(b[0], b[1]);
  const sel = getSelection();
  sel.removeAllRanges();
  sel.addRange(r);
  return true;
})
)JS";

} // namespace

void TBlockingInterceptor::interceptRequest(QWebEngineUrlRequestInfo& AInfo)
{
    const QUrl url = AInfo.requestUrl();
    if (url.scheme() == QLatin1String("data")) {
        return;
    }
    FRequests << url.toString();
    AInfo.block(true);
}

void TRecordingPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel,
                                              const QString& AMessage, int, const QString&)
{
    FConsole << AMessage;
}

void TRecordingPage::javaScriptAlert(const QUrl&, const QString& AMessage)
{
    FAlerts << AMessage;
}

bool TRecordingPage::acceptNavigationRequest(const QUrl& AUrl, NavigationType, bool AMainFrame)
{
    if (!FLoaded && AMainFrame) {
        return true;
    }
    FNavigations << AUrl.toString();
    return false;
}

TEditorPageFixture::TEditorPageFixture()
    : FInterceptor(std::make_unique<TBlockingInterceptor>()), FWindow(std::make_unique<QWidget>())
{
    // A profile of its own that keeps nothing on disk.
    FProfile = new QWebEngineProfile(FWindow.get());
    FProfile->setUrlRequestInterceptor(FInterceptor.get());
    FView = new QWebEngineView(FWindow.get());
    FOutside = new QLineEdit(FWindow.get());
    auto* layout = new QHBoxLayout(FWindow.get());
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView, 1);
    layout->addWidget(FOutside);
    FWindow->resize(1000, 700);
    FWindow->show();
}

TEditorPageFixture::~TEditorPageFixture()
{
    delete FPage;
    FPage = nullptr;
}

bool TEditorPageFixture::LoadPage(const QString& APageHtml)
{
    auto* page = new TRecordingPage(FProfile, FView);
    QWebEngineScript stub;
    stub.setName(QStringLiteral("host-stand-in"));
    stub.setInjectionPoint(QWebEngineScript::DocumentCreation);
    stub.setWorldId(QWebEngineScript::MainWorld);
    stub.setSourceCode(QString::fromLatin1(HostStandIn));
    page->scripts().insert(stub);
    FView->setPage(page);
    delete FPage;
    FPage = page;
    FInterceptor->FRequests.clear();
    // The page's own state, not this call's: a refused navigation later finishes a load too.
    QObject::connect(page, &QWebEnginePage::loadFinished, page,
                     [page](bool) { page->FLoaded = true; });
    page->setHtml(APageHtml.isEmpty() ? EditorHtml() : APageHtml);
    if (!WaitUntil([page] { return page->FLoaded; }, 10000)) {
        qWarning("the page did not finish loading");
        return false;
    }
    if (!WaitUntil([&] { return PostedTypes().contains(QStringLiteral("ready")); }, 5000)) {
        qWarning("the page did not post \"ready\"; console: %s; page: %s",
                 qPrintable(page->FConsole.join(QStringLiteral(" | "))),
                 qPrintable(JsText(QStringLiteral(
                     "document.documentElement.outerHTML.slice(0, 300) + typeof __host"))));
        return false;
    }
    FStartupPosts = Posts();
    Js(QStringLiteral("window.__select = ") + QString::fromLatin1(SelectHelper) +
       QStringLiteral(";"));
    ClearPosts();
    return true;
}

bool TEditorPageFixture::WaitUntil(const std::function<bool()>& ACond, int ATimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!ACond()) {
        if (timer.elapsed() > ATimeoutMs) {
            return false;
        }
        QTest::qWait(10);
    }
    return true;
}

QVariant TEditorPageFixture::Js(const QString& AScript, int ATimeoutMs)
{
    // An answer that comes after the wait gave up lands here, never in a finished call's frame.
    struct TAnswer
    {
        QVariant Value;
        bool Done = false;
    };
    const auto answer = std::make_shared<TAnswer>();
    FPage->runJavaScript(AScript, [answer](const QVariant& AValue) {
        answer->Value = AValue;
        answer->Done = true;
    });
    QElapsedTimer timer;
    timer.start();
    while (!answer->Done && timer.elapsed() < ATimeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    if (!answer->Done) {
        qWarning("script did not answer: %s", qPrintable(AScript.left(120)));
    }
    return answer->Value;
}

QString JsString(const QString& AText)
{
    const QByteArray json = QJsonDocument(QJsonArray{AText}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.mid(1, json.size() - 2));
}

QJsonObject Msg(const QString& AType, const QVariantMap& AMembers)
{
    QJsonObject obj;
    obj.insert(QStringLiteral("type"), AType);
    for (auto it = AMembers.begin(); it != AMembers.end(); ++it) {
        obj.insert(it.key(), QJsonValue::fromVariant(it.value()));
    }
    return obj;
}

void TEditorPageFixture::SendText(const QString& AJsonText)
{
    Js(QStringLiteral("__host.deliver(%1); true").arg(JsString(AJsonText)));
}

void TEditorPageFixture::Send(const QJsonObject& AMsg)
{
    SendText(QString::fromUtf8(QJsonDocument(AMsg).toJson(QJsonDocument::Compact)));
}

bool TEditorPageFixture::LoadBody(const QString& AHtml)
{
    ClearPosts();
    Send(Msg(QStringLiteral("load"), {{QStringLiteral("html"), AHtml}}));
    const bool acked = !WaitForPost(QStringLiteral("loadAck"), 3000).Msg.isEmpty();
    ClearPosts();
    return acked;
}

QList<TPosted> TEditorPageFixture::Posts()
{
    return Recorded(QStringLiteral("posts"));
}

QList<TPosted> TEditorPageFixture::EditStates()
{
    return Recorded(QStringLiteral("states"));
}

QList<TPosted> TEditorPageFixture::Recorded(const QString& AList)
{
    const QString text = JsText(QStringLiteral("JSON.stringify(__host.%1)").arg(AList));
    const QJsonArray list = QJsonDocument::fromJson(text.toUtf8()).array();
    QList<TPosted> out;
    for (const QJsonValue& v : list) {
        TPosted p;
        p.Json = v.toObject().value(QStringLiteral("json")).toString();
        p.At = v.toObject().value(QStringLiteral("t")).toDouble();
        p.Msg = QJsonDocument::fromJson(p.Json.toUtf8()).object();
        out << p;
    }
    return out;
}

QStringList TEditorPageFixture::PostedTypes()
{
    QStringList types;
    for (const TPosted& p : Posts()) {
        types << p.Type();
    }
    return types;
}

void TEditorPageFixture::ClearPosts()
{
    Js(QStringLiteral(
        "__host.posts.length = 0; __host.states.length = 0; __host.keys.length = 0; true"));
}

bool TEditorPageFixture::WaitForPosts(int ACount, int ATimeoutMs)
{
    return WaitUntil([&] { return Posts().size() >= ACount; }, ATimeoutMs);
}

TPosted TEditorPageFixture::WaitForPost(const QString& AType, int ATimeoutMs)
{
    TPosted found;
    WaitUntil(
        [&] {
            for (const TPosted& p : Posts()) {
                if (p.Type() == AType) {
                    found = p;
                    return true;
                }
            }
            return false;
        },
        ATimeoutMs);
    return found;
}

double TEditorPageFixture::PageNow()
{
    return Js(QStringLiteral("performance.now()")).toDouble();
}

QList<double> TEditorPageFixture::KeyTimes()
{
    QList<double> out;
    const QJsonArray list =
        QJsonDocument::fromJson(JsText(QStringLiteral("JSON.stringify(__host.keys)")).toUtf8())
            .array();
    for (const QJsonValue& v : list) {
        out << v.toDouble();
    }
    return out;
}

QWidget* TEditorPageFixture::Input() const
{
    return FView->focusProxy() ? FView->focusProxy() : FView;
}

QPoint TEditorPageFixture::CentreOf(const QString& ASelector)
{
    const QVariantList xy =
        Js(QStringLiteral(
               "(function(){ const r = document.querySelector(%1).getBoundingClientRect();"
               " return [r.left + r.width / 2, r.top + r.height / 2]; })()")
               .arg(JsString(ASelector)))
            .toList();
    if (xy.size() != 2) {
        return QPoint(-1, -1);
    }
    return QPoint(qRound(xy[0].toDouble()), qRound(xy[1].toDouble()));
}

void TEditorPageFixture::MoveTo(const QPoint& APos)
{
    QTest::mouseMove(Input(), APos);
    QTest::qWait(20);
}

void TEditorPageFixture::ClickAt(const QPoint& APos, Qt::MouseButton AButton)
{
    MoveTo(APos);
    const int released = Js(QStringLiteral("__host.mouseUps")).toInt();
    QTest::mousePress(Input(), AButton, Qt::NoModifier, APos);
    QTest::qWait(10);
    QTest::mouseRelease(Input(), AButton, Qt::NoModifier, APos);
    // On a busy machine the page may take longer than the short wait to see the click.
    WaitUntil([&] { return Js(QStringLiteral("__host.mouseUps")).toInt() > released; }, 2000);
    QTest::qWait(30);
}

void TEditorPageFixture::Click(const QString& ASelector, Qt::MouseButton AButton)
{
    ClickAt(CentreOf(ASelector), AButton);
}

void TEditorPageFixture::Type(const QString& AText)
{
    const int released = Js(QStringLiteral("__host.released")).toInt();
    QTest::keyClicks(Input(), AText);
    WaitForReleases(released + int(AText.size()));
}

void TEditorPageFixture::Key(Qt::Key AKey, Qt::KeyboardModifiers AMods)
{
    const int released = Js(QStringLiteral("__host.released")).toInt();
    QTest::keyClick(Input(), AKey, AMods);
    WaitForReleases(released + 1);
}

void TEditorPageFixture::WaitForReleases(int ACount)
{
    // On a busy machine the page may take longer than the short wait to see the keys.
    WaitUntil([&] { return Js(QStringLiteral("__host.released")).toInt() >= ACount; }, 2000);
    QTest::qWait(20);
}

void TEditorPageFixture::ClickIntoEditor()
{
    FView->setFocus();
    const QVariantList xy =
        Js(QStringLiteral("(function(){ const e = editor.getBoundingClientRect();"
                          " const last = editor.lastElementChild || editor;"
                          " const r = last.getBoundingClientRect();"
                          " return [Math.min(e.right - 30, r.right + 20), r.top + "
                          "Math.min(r.height, 24) / 2]; })()"))
            .toList();
    ClickAt(QPoint(qRound(xy.value(0).toDouble()), qRound(xy.value(1).toDouble())));
}

void TEditorPageFixture::FocusPage()
{
    FView->setFocus();
    QTest::qWait(20);
}

bool TEditorPageFixture::WaitJs(const QString& ACondition, int ATimeoutMs)
{
    return WaitUntil([&] { return Js(ACondition).toBool(); }, ATimeoutMs);
}

void TEditorPageFixture::FocusOutside()
{
    FOutside->setFocus();
    QTest::qWait(50);
}

void TEditorPageFixture::PressPaneButton(const QString& AType)
{
    FocusOutside();
    Send(Msg(AType));
    FocusPage();
}

bool TEditorPageFixture::SelectText(const QString& AFrom, const QString& ATo)
{
    FocusPage();
    return Js(QStringLiteral("__select(%1, %2)").arg(JsString(AFrom), JsString(ATo))).toBool();
}

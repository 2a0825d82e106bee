#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QPoint>
#include <QStringList>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <QWidget>

#include <functional>
#include <memory>

// One message the page posted to its host: the JSON text the host receives and the page's
// clock (ms) when it was posted.
struct TPosted
{
    QString Json;
    QJsonObject Msg;
    double At = 0;
    QString Type() const { return Msg.value(QStringLiteral("type")).toString(); }
};

// Records every request the page makes and lets none reach the network.
class TBlockingInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo& AInfo) override;
    QStringList FRequests;
};

// The page under test: records console lines, alerts and navigations; refuses navigating away.
class TRecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList FConsole;
    QStringList FAlerts;
    QStringList FNavigations;
    bool FLoaded = false;

protected:
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel ALevel, const QString& AMessage,
                                  int ALine, const QString& ASource) override;
    void javaScriptAlert(const QUrl& AOrigin, const QString& AMessage) override;
    bool acceptNavigationRequest(const QUrl& AUrl, NavigationType AType, bool AMainFrame) override;
};

// The editor page in a real browser view, with a stand-in for the host's messaging object
// (window.chrome.webview) that records every post and delivers host messages.
class TEditorPageFixture
{
public:
    TEditorPageFixture();
    ~TEditorPageFixture();

    // Shows a fresh copy of the page (or of the given page text) and waits for its "ready";
    // clears every record.
    bool LoadPage(const QString& APageHtml = QString());

    QVariant Js(const QString& AScript, int ATimeoutMs = 5000);
    QString JsText(const QString& AScript) { return Js(AScript).toString(); }

    // Host to page: the JSON text as the host posts it.
    void SendText(const QString& AJsonText);
    void Send(const QJsonObject& AMsg);
    // "load" with the body, waits for "loadAck" and forgets the posts up to it.
    bool LoadBody(const QString& AHtml);

    // The posts but the page's "editState" messages, which EditStates holds.
    QList<TPosted> Posts();
    QList<TPosted> EditStates();
    QStringList PostedTypes();
    void ClearPosts();
    bool WaitForPosts(int ACount, int ATimeoutMs);
    // Waits for the first post of the type since the last ClearPosts; empty Msg when none came.
    TPosted WaitForPost(const QString& AType, int ATimeoutMs);
    double PageNow();
    QList<double> KeyTimes();

    QString CleanHtml() { return JsText(QStringLiteral("getCleanHTML()")); }
    QString InnerHtml() { return JsText(QStringLiteral("editor.innerHTML")); }

    // Real input, sent to the view's focus proxy.
    QWidget* Input() const;
    QPoint CentreOf(const QString& ASelector);
    void ClickAt(const QPoint& APos, Qt::MouseButton AButton = Qt::LeftButton);
    void Click(const QString& ASelector, Qt::MouseButton AButton = Qt::LeftButton);
    void MoveTo(const QPoint& APos);
    void Type(const QString& AText);
    void Key(Qt::Key AKey, Qt::KeyboardModifiers AMods = Qt::NoModifier);
    // Waits until the page has seen the given number of key releases since it started.
    void WaitForReleases(int ACount);
    // Puts the caret in the editor with a real click at the end of its text.
    void ClickIntoEditor();
    // Gives the keyboard focus to the page's view.
    void FocusPage();
    // Waits until the script expression is true in the page.
    bool WaitJs(const QString& ACondition, int ATimeoutMs = 2000);
    // Gives the keyboard focus to a widget outside the page, as a pane button press does.
    void FocusOutside();
    // The host's "+ Tag" / "+ Note": the pane takes the focus, the message goes out, and the
    // host hands the keyboard back to the page.
    void PressPaneButton(const QString& AType);
    // Selects from the start of AFrom to the end of ATo in the editor's text (ATo empty: to the
    // end of AFrom); false when either is missing.
    bool SelectText(const QString& AFrom, const QString& ATo = QString());
    bool WaitUntil(const std::function<bool()>& ACond, int ATimeoutMs);

    TRecordingPage* Page() const { return FPage; }
    // What the page posted while starting, up to and with its "ready".
    QList<TPosted> FStartupPosts;
    TBlockingInterceptor* Interceptor() const { return FInterceptor.get(); }

private:
    QList<TPosted> Recorded(const QString& AList);
    std::unique_ptr<TBlockingInterceptor> FInterceptor;
    std::unique_ptr<QWidget> FWindow;
    QWebEngineProfile* FProfile = nullptr;
    QWebEngineView* FView = nullptr;
    QLineEdit* FOutside = nullptr;
    TRecordingPage* FPage = nullptr;
};

// Builds a JSON object from name/value pairs, for host messages.
QJsonObject Msg(const QString& AType, const QVariantMap& AMembers = {});
QString JsString(const QString& AText);

// The cleaned HTML vectors shown by the real browser engine in a page without any content
// policy, with a stand-in for the host's messaging object: whatever the importer let through
// would run here. The engine, not a list of the importer's, judges what is active.
#include "importer.h"
#include "importer_p.h"

#include <QApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>

namespace {

// The page's own origin: relative addresses of a note resolve here. Every request is kept
// from the network and noted.
const QUrl kBase(QStringLiteral("https://note.invalid/"));

class TRecordingInterceptor : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo& AInfo) override
    {
        // The page's own content comes as a data: address.
        const QString scheme = AInfo.requestUrl().scheme();
        if (scheme == u"data" || scheme == u"about")
            return;
        FRequests << AInfo.requestUrl().toString();
        AInfo.block(true);
    }
    QStringList FRequests;
};

class TRecordingPage : public QWebEnginePage
{
public:
    using QWebEnginePage::QWebEnginePage;
    QStringList FAlerts, FPosts, FNavigations;
    bool FLoaded = false;

protected:
    void javaScriptAlert(const QUrl&, const QString& AMessage) override { FAlerts << AMessage; }
    bool javaScriptConfirm(const QUrl&, const QString& AMessage) override
    {
        FAlerts << AMessage;
        return false;
    }
    bool javaScriptPrompt(const QUrl&, const QString& AMessage, const QString&, QString*) override
    {
        FAlerts << AMessage;
        return false;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& AMessage, int,
                                  const QString&) override
    {
        static const QString mark = QStringLiteral("host-post ");
        if (AMessage.startsWith(mark))
            FPosts << AMessage.mid(mark.size());
    }
    bool acceptNavigationRequest(const QUrl& AUrl, NavigationType, bool) override
    {
        // The page's own content (set below) is the one load allowed.
        if (!FLoaded)
            return true;
        FNavigations << AUrl.toString();
        return false;
    }
};

QString Corpus()
{
    QFile f(QStringLiteral(QUORVEL_IMPORTER_DATA "/html/active-vectors.txt"));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing the vector corpus");
    return QString::fromUtf8(f.readAll());
}

QVariant RunJs(QWebEnginePage& APage, const QString& AScript)
{
    QVariant result;
    bool done = false;
    APage.runJavaScript(AScript, QWebEngineScript::ApplicationWorld, [&](const QVariant& AValue) {
        result = AValue;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 10000))
        qWarning("script did not answer");
    return result;
}

} // namespace

class TEngineSafetyTest : public QObject
{
    Q_OBJECT

private:
    struct TOutcome
    {
        bool Loaded = false;
        QStringList Alerts, Posts, Navigations, Remote;
        QString Title;
    };

    std::unique_ptr<QWebEngineProfile> FProfile;
    std::unique_ptr<TRecordingInterceptor> FInterceptor;
    std::unique_ptr<TRecordingPage> FPage;

    // Shows ABody as the page's whole content, lets it settle, sets off the events a reader's
    // use would (pointer, focus, clicks on everything but links), and reports what ran or
    // loaded.
    TOutcome Show(const QString& ABody)
    {
        TRecordingPage& page = *FPage;
        TRecordingInterceptor& interceptor = *FInterceptor;
        page.FLoaded = false;
        page.FAlerts.clear();
        page.FPosts.clear();
        page.FNavigations.clear();
        interceptor.FRequests.clear();
        QSignalSpy loaded(&page, &QWebEnginePage::loadFinished);
        page.setHtml(QStringLiteral("<!DOCTYPE html><html><head><title>clean</title></head>"
                                    "<body>") +
                         ABody + QStringLiteral("</body></html>"),
                     kBase);
        TOutcome out;
        out.Loaded = loaded.wait(20000) && loaded.first().first().toBool();
        page.FLoaded = true;
        // Handlers that fire on their own (load, error, focus, toggle, timers, refresh) run
        // in this time.
        QTest::qWait(400);
        RunJs(page,
              QStringLiteral("for (const el of document.body.querySelectorAll('*')) {"
                             "  for (const type of ['mouseover', 'mouseenter', 'pointerover',"
                             "      'pointerdown', 'mousedown', 'mouseup', 'focus', 'focusin',"
                             "      'blur', 'input', 'change', 'load', 'error', 'toggle',"
                             "      'animationstart', 'keydown'])"
                             "    el.dispatchEvent(new Event(type, {bubbles: true}));"
                             "  if (!el.closest('a, area') && typeof el.click === 'function')"
                             "    el.click();"
                             "}"));
        QTest::qWait(200);
        // A link is not followed here (a plain one would navigate); the engine's own reading
        // of its address tells whether following it would run script.
        const QStringList links =
            RunJs(page,
                  QStringLiteral("Array.from(document.querySelectorAll('a[href], area[href]'),"
                                 " e => e.protocol + ' ' + e.getAttribute('href'))"))
                .toStringList();
        for (const QString& link : links) {
            if (!link.startsWith(QLatin1String("https: ")) &&
                !link.startsWith(QLatin1String("http: ")) &&
                !link.startsWith(QLatin1String("mailto: ")))
                out.Navigations << QStringLiteral("link ") + link;
        }
        out.Title = RunJs(page, QStringLiteral("document.title")).toString();
        out.Alerts = page.FAlerts;
        out.Posts = page.FPosts;
        out.Navigations += page.FNavigations;
        for (const QString& url : interceptor.FRequests) {
            const QUrl u(url);
            if (u.host() != kBase.host())
                out.Remote << url;
        }
        return out;
    }

private Q_SLOTS:
    void initTestCase()
    {
        FProfile = std::make_unique<QWebEngineProfile>();
        FInterceptor = std::make_unique<TRecordingInterceptor>();
        FProfile->setUrlRequestInterceptor(FInterceptor.get());
        FPage = std::make_unique<TRecordingPage>(FProfile.get());
        QWebEngineScript host;
        host.setName(QStringLiteral("host"));
        host.setInjectionPoint(QWebEngineScript::DocumentCreation);
        host.setWorldId(QWebEngineScript::MainWorld);
        host.setRunsOnSubFrames(true);
        host.setSourceCode(QStringLiteral(
            "window.chrome = window.chrome || {};"
            "window.chrome.webview = {"
            "  postMessage: function (m) { console.log('host-post ' + JSON.stringify(m)); },"
            "  addEventListener: function () {}, removeEventListener: function () {} };"));
        FPage->scripts().insert(host);
    }
    void cleanupTestCase()
    {
        FPage.reset();
        FProfile.reset();
        FInterceptor.reset();
    }

    // The stand-in and the records work: the raw vectors, shown as they are, do all of it.
    void rawVectorsAreSeenRunning()
    {
        const TOutcome raw = Show(Corpus());
        QVERIFY(raw.Loaded);
        QVERIFY(!raw.Alerts.isEmpty());
        QVERIFY(!raw.Remote.isEmpty());
        QVERIFY(!raw.Navigations.isEmpty());
        const TOutcome post = Show(QStringLiteral(
            "<img src=x onerror=\"chrome.webview.postMessage({type:'x'});document.title='ran'\">"));
        QCOMPARE(post.Posts.value(0), QStringLiteral("{\"type\":\"x\"}"));
        QCOMPARE(post.Title, QStringLiteral("ran"));
        // Only a handler set off by the events this test raises.
        QCOMPARE(Show(QStringLiteral("<b onmouseover=alert(1)>x</b>")).Alerts.size(), 1);
    }

    // The title the importer gives a page is the one the engine reads from it: its title
    // element in the head, found past comments and scripts, with its references decoded; a
    // drawing's title or an element named like it is none.
    void titlesAsTheEngineReadsThem_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("a comment holding a title")
            << "<head><!-- <title>Old</title> --><title>New</title></head><body>x</body>";
        QTest::newRow("comments as the engine ends them")
            << "<!-- <title>A</title> --!><!--><title>B</title><!---><body>x";
        QTest::newRow("a script holding a title")
            << "<head><script>var s = '<title>S</title>';</script><title>T</title></head>x";
        QTest::newRow("an element whose name starts with title")
            << "<titlebar>TB</titlebar><p>x</p>";
        QTest::newRow("a drawing's title in the body")
            << "<html><head></head><body><svg><title>Chart</title></svg></body></html>";
        QTest::newRow("a drawing's title without head and body")
            << "<p>Intro</p><svg><title>Chart</title></svg>";
        QTest::newRow("references without their semicolon")
            << "<title>1 &lt 2 &gt 0, it&apos;s &apos as written</title>";
        QTest::newRow("references and blanks")
            << "<title>\n  Costs &amp; Benefits &mdash;\r\n\t&#8220;2024&#x201D; &copy 5 "
               "&notit; &bogus; &#x80;&#0; &nbsp;\n</title>";
    }
    void titlesAsTheEngineReadsThem()
    {
        QFETCH(QString, page);
        QString title;
        importer::ConvertHTML(page, title);
        QSignalSpy loaded(FPage.get(), &QWebEnginePage::loadFinished);
        FPage->FLoaded = false;
        FPage->setHtml(page, kBase);
        QVERIFY(loaded.wait(20000) && loaded.first().first().toBool());
        FPage->FLoaded = true;
        QCOMPARE(title, RunJs(*FPage, QStringLiteral("document.title")).toString());
    }

    void cleanedVectorsRunNothing_data()
    {
        QTest::addColumn<QString>("html");
        const QString corpus = Corpus();
        QTest::newRow("the whole corpus") << corpus;
        int line = 0;
        for (const QString& vector : importer::SplitLines(corpus))
            QTest::newRow(qPrintable(QStringLiteral("line %1").arg(++line))) << vector;
    }
    void cleanedVectorsRunNothing()
    {
        QFETCH(QString, html);
        QString title = QStringLiteral("t");
        const QString body = importer::ConvertHTML(html, title);
        const TOutcome out = Show(body);
        QVERIFY(out.Loaded);
        const QString context = QStringLiteral("body: ") + body;
        QVERIFY2(out.Alerts.isEmpty(), qPrintable(out.Alerts.join(u',') + u' ' + context));
        QVERIFY2(out.Posts.isEmpty(), qPrintable(out.Posts.join(u',') + u' ' + context));
        QVERIFY2(out.Title == u"clean", qPrintable(out.Title + u' ' + context));
        QVERIFY2(out.Navigations.isEmpty(),
                 qPrintable(out.Navigations.join(u',') + u' ' + context));
        QVERIFY2(out.Remote.isEmpty(), qPrintable(out.Remote.join(u',') + u' ' + context));
    }
};

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TEngineSafetyTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_engine.moc"

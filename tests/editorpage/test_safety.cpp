// Note bodies come from imported files and from the source view: nothing inside one may run
// script, reach the network, move the page away or talk to the host.
#include "editortests.h"
#include "pagefixture.h"

#include <QTest>

namespace {

// What every vector tries: mark the document and talk to the host.
const QString Payload =
    QStringLiteral("document.title='pwned';chrome.webview.postMessage({type:'pwned'})");
const QString ParentPayload = QStringLiteral(
    "parent.document.title='pwned';parent.chrome.webview.postMessage({type:'pwned'})");

QString WithPayload(QString AText)
{
    AText.replace(QStringLiteral("PARENT"), ParentPayload);
    AText.replace(QStringLiteral("PAYLOAD"), Payload);
    return AText;
}

} // namespace

class TSafetyTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    void VerifyNothingRan()
    {
        QCOMPARE(F->JsText(QStringLiteral("document.title")), QStringLiteral("Quorvel Editor"));
        QCOMPARE(F->Page()->FNavigations, QStringList());
        QVERIFY(
            F
                ->Js(QStringLiteral(
                    "typeof handleFromHost === 'function' && !!document.getElementById('editor')"))
                .toBool());
        for (const QString& type : F->PostedTypes()) {
            QVERIFY2(type == QLatin1String("tagsUpdated") || type == QLatin1String("loadAck") ||
                         type == QLatin1String("contentChanged"),
                     qPrintable(type));
        }
        for (const QString& url : F->Interceptor()->FRequests) {
            QVERIFY2(!url.contains(QLatin1String("example.invalid")), qPrintable(url));
        }
    }

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void init() { QVERIFY(F->LoadPage()); }
    void cleanupTestCase() { F.reset(); }

    void pageStartsWithoutNetwork()
    {
        // The only address the page asks for is the web font's style sheet (the engine may
        // ask for it more than once); refused, the page still comes up.
        QCOMPARE(F->FStartupPosts.value(0).Type(), QStringLiteral("ready"));
        const QStringList requests = F->Interceptor()->FRequests;
        QVERIFY(!requests.isEmpty());
        for (const QString& url : requests) {
            QVERIFY2(
                url.startsWith(QLatin1String("https://fonts.googleapis.com/css2?family=Open+Sans")),
                qPrintable(url));
        }
    }

    void bodyContentNeverRuns_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("click"); // element clicked in view mode, if any
        QTest::addColumn<QString>("clean"); // the stored form when the parser changes it
        QTest::newRow("image error handler")
            << "<p><img src=\"nowhere.png\" onerror=\"PAYLOAD\"></p>"
            << ""
            << "";
        QTest::newRow("svg onload") << "<svg onload=\"PAYLOAD\"><circle r=\"5\"></circle></svg>"
                                    << ""
                                    << "";
        QTest::newRow("details ontoggle")
            << "<details open=\"\" ontoggle=\"PAYLOAD\"><summary>s</summary></details>"
            << ""
            << "";
        QTest::newRow("script element") << "<p>a</p><script>PAYLOAD</script>"
                                        << ""
                                        << "";
        QTest::newRow("body onload") << "<body onload=\"PAYLOAD\"><p>a</p></body>"
                                     << ""
                                     << "<p>a</p>";
        QTest::newRow("javascript link")
            << "<p><a id=\"v\" href=\"javascript:PAYLOAD\">click</a></p>"
            << "#v"
            << "";
        QTest::newRow("web link")
            << "<p><a id=\"v\" href=\"https://example.invalid/page\">site</a></p>"
            << "#v"
            << "";
        QTest::newRow("form")
            << "<form action=\"https://example.invalid/\"><button id=\"v\">go</button></form>"
            << "#v"
            << "";
        QTest::newRow("iframe srcdoc") << "<iframe srcdoc=\"<script>PARENT</script>\"></iframe>"
                                       << ""
                                       << "";
        QTest::newRow("iframe javascript") << "<iframe src=\"javascript:PARENT\"></iframe>"
                                           << ""
                                           << "";
        QTest::newRow("object")
            << "<object data=\"data:text/html,<script>PARENT</script>\"></object>"
            << ""
            << "";
        QTest::newRow("meta refresh away")
            << "<meta http-equiv=\"refresh\" content=\"0;url=https://example.invalid/\">"
            << ""
            << "";
        QTest::newRow("meta refresh script")
            << "<meta http-equiv=\"refresh\" content=\"0;url=javascript:PAYLOAD\">"
            << ""
            << "";
        QTest::newRow("style sheet link")
            << "<link rel=\"stylesheet\" href=\"https://example.invalid/x.css\">"
            << ""
            << "";
    }
    void bodyContentNeverRuns()
    {
        QFETCH(QString, body);
        QFETCH(QString, click);
        QFETCH(QString, clean);
        body = WithPayload(body);
        QVERIFY(F->LoadBody(body));
        if (!click.isEmpty()) {
            F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
            F->Click(QStringLiteral("#editor ") + click);
        }
        QTest::qWait(400);
        // A web link clicked in view mode goes to the host for the user's browser; the page
        // itself stays.
        const bool webLink = QLatin1String(QTest::currentDataTag()) == QLatin1String("web link");
        const QList<TPosted> posts = F->Posts();
        QCOMPARE(posts.size(), webLink ? 1 : 0);
        if (webLink) {
            QCOMPARE(posts[0].Json, QStringLiteral("{\"type\":\"openLink\",\"url\":"
                                                   "\"https://example.invalid/page\"}"));
            F->ClearPosts();
        }
        VerifyNothingRan();
        // Nothing of the body is lost on the way to the store.
        QCOMPARE(F->CleanHtml(), clean.isEmpty() ? body : WithPayload(clean));
    }

    // Dropped files never replace the page; the browser's own menu (with its reload) is offered
    // only over text that can be edited.
    void dropsAndBrowserMenu()
    {
        QVERIFY(F->LoadBody(QStringLiteral("<p>text</p>")));
        const auto prevented = [this](const QString& AEvent, const QString& ATarget) {
            return F
                ->Js(QStringLiteral(
                         "(function(){ const t = document.querySelector('%1');"
                         " const dt = new DataTransfer();"
                         " dt.items.add(new File(['x'], 'a.txt'));"
                         " const e = '%2' === 'contextmenu'"
                         "   ? new MouseEvent('contextmenu', {bubbles: true, cancelable: true})"
                         "   : new DragEvent('%2', {bubbles: true, cancelable: true, dataTransfer: "
                         "dt});"
                         " t.dispatchEvent(e); return e.defaultPrevented; })()")
                         .arg(ATarget, AEvent))
                .toBool();
        };
        QVERIFY(prevented(QStringLiteral("drop"), QStringLiteral("#editor p")));
        QVERIFY(prevented(QStringLiteral("dragover"), QStringLiteral("body")));
        QVERIFY(prevented(QStringLiteral("contextmenu"), QStringLiteral("#btn-bold")));
        QVERIFY(!prevented(QStringLiteral("contextmenu"), QStringLiteral("#editor p")));
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
        QVERIFY(prevented(QStringLiteral("contextmenu"), QStringLiteral("#editor p")));
        QCOMPARE(F->Page()->FNavigations, QStringList());
    }

    void sourceViewContentNeverRuns()
    {
        const QString body = WithPayload(
            QStringLiteral("<p>start</p><img src=\"nowhere.png\" onerror=\"PAYLOAD\"><svg "
                           "onload=\"PAYLOAD\"></svg>"
                           "<iframe srcdoc=\"<script>PARENT</script>\"></iframe>"
                           "<meta http-equiv=\"refresh\" "
                           "content=\"0;url=https://example.invalid/\"><script>PAYLOAD</script>"));
        QVERIFY(F->LoadBody(QStringLiteral("<p>start</p>")));
        F->Click(QStringLiteral("#btn-source"));
        F->Js(QStringLiteral("sourceView.value = %1; true").arg(JsString(body)));
        F->Key(Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(F->JsText(QStringLiteral("document.body.className")), QString());
        QTest::qWait(400);
        VerifyNothingRan();
        const TPosted changed = F->WaitForPost(QStringLiteral("contentChanged"), 500);
        QCOMPARE(changed.Msg.value(QStringLiteral("html")).toString(), body);
        // Shown again in the source view, the markup reads as it was written.
        F->Click(QStringLiteral("#btn-source"));
        QVERIFY(F->JsText(QStringLiteral("sourceView.value"))
                    .contains(QStringLiteral("<meta http-equiv=\"refresh\"")));
        QVERIFY(F->JsText(QStringLiteral("sourceView.value"))
                    .contains(QStringLiteral("<iframe srcdoc=")));
    }
};

std::unique_ptr<QObject> NewSafetyTest()
{
    return std::make_unique<TSafetyTest>();
}

#include "test_safety.moc"

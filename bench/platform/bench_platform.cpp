// The browser runtime's start and its message path, through the loader library as the host
// uses them: environment creation to a page's first "ready" message, a message round trip
// host -> page -> host, and the memory of the process tree with one and with two controllers.
#include "platformqt.h"
#include "testcom.h"
#include "wvinterfaces.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const char16_t* const Page = u"<!DOCTYPE html><html><body><script>"
                             u"window.chrome.webview.addEventListener('message', function (e) {"
                             u"  window.chrome.webview.postMessage({ type: 'echo', data: e.data });"
                             u"});"
                             u"window.chrome.webview.postMessage({ type: 'ready' });"
                             u"</script></body></html>";

long PssKiB(long pid)
{
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Pss:"))
            return line.mid(4).trimmed().split(' ').first().toLong();
    return 0;
}

// PSS of this process and every process below it (the engine's helpers).
long TreePssKiB()
{
    QHash<long, long> parent;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const long pid = entry.toLong(&ok);
        if (!ok)
            continue;
        QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray stat = f.readAll();
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1)
            parent.insert(pid, fields[1].toLong());
    }
    const long self = QCoreApplication::applicationPid();
    long total = 0;
    for (auto it = parent.cbegin(); it != parent.cend(); ++it) {
        long p = it.key();
        while (p > 1 && p != self)
            p = parent.value(p, 0);
        if (p == self)
            total += PssKiB(it.key());
    }
    return total;
}

struct TBrowser
{
    QWidget Host;
    TComPtr<ICoreWebView2Controller> Controller;
    TComPtr<ICoreWebView2> WebView;
    QStringList Messages;
};

// Runs the event loop until done() holds (checked after every pass), at most 30 s.
bool Wait(const std::function<bool()>& done)
{
    return RunEventsUntil(done, 30000);
}

bool StartBrowser(ICoreWebView2Environment* env, TBrowser& b)
{
    b.Host.resize(800, 600);
    b.Host.show();
    bool created = false;
    env->CreateCoreWebView2Controller(
        WindowHandle(&b.Host),
        MakeHandler<ICoreWebView2CreateCoreWebView2ControllerCompletedHandler>(
            [&](HRESULT, ICoreWebView2Controller* c) {
                b.Controller = TComPtr<ICoreWebView2Controller>(c);
                created = true;
                return S_OK;
            })
            .Get());
    if (!Wait([&] { return created; }) || !b.Controller)
        return false;
    b.Controller->get_CoreWebView2(b.WebView.Put());
    EventRegistrationToken token{};
    b.WebView->add_WebMessageReceived(
        MakeHandler<ICoreWebView2WebMessageReceivedEventHandler>(
            [&](ICoreWebView2*, ICoreWebView2WebMessageReceivedEventArgs* args) {
                LPWSTR json = nullptr;
                args->get_WebMessageAsJson(&json);
                b.Messages << QString::fromUtf16(json);
                CoTaskMemFree(json);
                return S_OK;
            })
            .Get(),
        &token);
    b.WebView->NavigateToString(Page);
    return Wait([&] { return !b.Messages.isEmpty(); });
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double Percentile(std::vector<double> v, double q)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

} // namespace

int main(int argc, char** argv)
{
    PrepareApplicationStart();
    QApplication app(argc, argv);
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    QTemporaryDir data;
    HMODULE loader = LoadLibraryW(u"WebView2Loader.dll");
    if (!loader) {
        std::fprintf(stderr, "bench_platform: no loader library\n");
        return 1;
    }
    auto create = ProcAs<TCreateCoreWebView2EnvironmentWithOptions>(
        GetProcAddress(loader, "CreateCoreWebView2EnvironmentWithOptions"));

    QElapsedTimer clock;
    clock.start();
    TComPtr<ICoreWebView2Environment> env;
    bool ready = false;
    const std::u16string folder = (data.path() + QStringLiteral("/WV2Cache")).toStdU16String();
    create(u"", folder.c_str(), nullptr,
           MakeHandler<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler>(
               [&](HRESULT, ICoreWebView2Environment* e) {
                   env = TComPtr<ICoreWebView2Environment>(e);
                   ready = true;
                   return S_OK;
               })
               .Get());
    if (!Wait([&] { return ready; }) || !env) {
        std::fprintf(stderr, "bench_platform: no environment\n");
        return 1;
    }
    const double envMs = double(clock.nsecsElapsed()) / 1e6;
    TBrowser first;
    if (!StartBrowser(env.Get(), first)) {
        std::fprintf(stderr, "bench_platform: the page never said ready\n");
        return 1;
    }
    const double readyMs = double(clock.nsecsElapsed()) / 1e6;
    std::printf("environment created:                   %8.1f ms\n", envMs);
    std::printf("environment creation to first ready:   %8.1f ms   (target < 300 ms)\n", readyMs);

    std::vector<double> trips;
    for (int i = 0; i < 200; ++i) {
        const qsizetype before = first.Messages.size();
        QElapsedTimer t;
        t.start();
        first.WebView->PostWebMessageAsString(u"ping");
        if (!Wait([&] { return first.Messages.size() > before; }))
            break;
        trips.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::printf("message round trip host->page->host:   %8.2f ms median, %.2f ms p95 over %zu "
                "(target < 5 ms)\n",
                Median(trips), Percentile(trips, 0.95), trips.size());
    Wait([t = QElapsedTimer()]() mutable {
        if (!t.isValid())
            t.start();
        return t.elapsed() > 500;
    });
    std::printf("process tree PSS, one controller:      %8.1f MiB\n", double(TreePssKiB()) / 1024);

    QElapsedTimer second;
    second.start();
    TBrowser other;
    if (!StartBrowser(env.Get(), other)) {
        std::fprintf(stderr, "bench_platform: the second page never said ready\n");
        return 1;
    }
    std::printf("second controller to ready:            %8.1f ms\n",
                double(second.nsecsElapsed()) / 1e6);
    Wait([t = QElapsedTimer()]() mutable {
        if (!t.isValid())
            t.start();
        return t.elapsed() > 500;
    });
    std::printf("process tree PSS, two controllers:     %8.1f MiB\n", double(TreePssKiB()) / 1024);

    other.Controller->Close();
    first.Controller->Close();
    return 0;
}

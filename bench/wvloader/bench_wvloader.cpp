// Process start to an initialized browser loader, with the program's default settings: the
// benchmark starts itself as a child process several times and times each child from its
// start until it reports the loader ready.
#include "platformqt.h"
#include "wvloader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The program's start-up of the loader: created, pointed at its data folder, started once; the
// child then polls every few milliseconds (the editor polls every 100 ms) until it is ready.
int RunChild(int argc, char** argv, const char* aDataFolder)
{
    PrepareApplicationStart();
    QApplication app(argc, argv);
    GlobalWebView2Loader = new TWVLoader;
    GlobalWebView2Loader->SetUserDataFolder(QString::fromLocal8Bit(aDataFolder).toStdU16String());
    GlobalWebView2Loader->StartWebView2();
    QTimer poll;
    int result = 1;
    QObject::connect(&poll, &QTimer::timeout, &app, [&] {
        if (GlobalWebView2Loader->Initialized()) {
            std::printf("initialized\n");
            std::fflush(stdout);
            result = 0;
            app.quit();
        } else if (GlobalWebView2Loader->InitializationError()) {
            std::fprintf(stderr, "%s",
                         QString::fromStdU16String(GlobalWebView2Loader->ErrorMessage())
                             .toLocal8Bit()
                             .constData());
            app.quit();
        }
    });
    poll.start(1);
    app.exec();
    DestroyGlobalWebView2Loader();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(argc, argv, argv[2]);

    QCoreApplication app(argc, argv);
    QTemporaryDir data;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(PlatformRootVariable), QStringLiteral(QUORVEL_BUILD_ROOT));
    constexpr int runs = 7;
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), data.path() + QStringLiteral("/WV2Cache")});
        bool ready = false;
        while (!ready && child.waitForReadyRead(10000))
            ready = child.readAll().contains("initialized");
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        child.waitForFinished(10000);
        if (!ready) {
            std::fprintf(stderr, "run %d: the loader did not initialize\n%s", i,
                         child.readAllStandardError().constData());
            return 1;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("process start to wvlsInitialized (default settings, %d runs): median %.1f ms, "
                "min %.1f ms, max %.1f ms (target < 250 ms)\n",
                runs, times[runs / 2], times.front(), times.back());
    return 0;
}

// Process start to an initialized browser loader, with the program's default settings: the
// benchmark starts itself as a child process several times and times each child from its
// start until it reports the loader ready. It does so with the build's own registry hive and
// with hives of a size an installed system has, where the runtime is found through its update
// client key or only through its uninstall entry.
#include "platformqt.h"
#include "wvloader.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
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

// A registry file of an installed system's size (about 1.6 MB): three uninstall lists of 400
// programs each, and 6,000 class keys.
QByteArray LargeHive()
{
    static const char* const words[] = {
        "Acrobat", "Visual", "Redistributable", "Update",   "Driver", "Graphics", "Audio", "Python",
        "Tools",   "SDK",    "Framework",       "Launcher", "Office", "Studio"};
    quint64 seed = 1;
    const auto next = [&seed] {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        return quint32(seed >> 33);
    };
    QByteArray out("REGEDIT4\n\n");
    const char* const lists[] = {
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\"
        "Uninstall"};
    for (const char* list : lists) {
        for (int i = 0; i < 400; ++i) {
            const QByteArray id = QByteArray::number(next(), 16).rightJustified(8, '0') + '-' +
                                  QByteArray::number(next(), 16).rightJustified(8, '0');
            QByteArray name;
            for (int w = 0; w < 4; ++w)
                name += QByteArray(w ? " " : "") + words[next() % std::size(words)];
            out += QByteArray("[") + list + "\\{" + id + "}]\n";
            out += "\"DisplayName\"=\"" + name + "\"\n";
            out += "\"Publisher\"=\"" + QByteArray(words[next() % std::size(words)]) +
                   " Corporation\"\n";
            out += "\"DisplayVersion\"=\"" + QByteArray::number(next() % 30) + ".0." +
                   QByteArray::number(next() % 10000) + "\"\n";
            out += "\"InstallLocation\"=\"C:\\\\Program Files\\\\" + name + "\"\n";
            out += "\"UninstallString\"=\"MsiExec.exe /X{" + id + "}\"\n";
            out += "\"EstimatedSize\"=dword:" + QByteArray::number(next() % 99999, 16) + "\n";
            out += "\"URLInfoAbout\"=\"https://example.com/about/" + id + "\"\n";
            out += "\"Comments\"=\"" + name + ", " + name + ", " + name + "\"\n\n";
        }
    }
    for (int i = 0; i < 6000; ++i) {
        const QByteArray n = QByteArray::number(i);
        out += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{" +
               QByteArray::number(next(), 16).rightJustified(8, '0') + "-" + n + "}]\n";
        out += "@=\"Component " + n + "\"\n\"ThreadingModel\"=\"Apartment\"\n";
        out += "\"InprocServer32\"=\"C:\\\\Windows\\\\System32\\\\comp" + n + ".dll\"\n\n";
    }
    return out;
}

// A platform root that is the build's but for its registry folder: the build's hive (without
// the update client keys when withClientKey is false) and a large one beside it.
bool MakeLargeHiveRoot(const QString& root, bool withClientKey)
{
    const QDir build(QStringLiteral(QUORVEL_BUILD_ROOT));
    QDir(root).removeRecursively();
    if (!QDir().mkpath(root + QStringLiteral("/registry")))
        return false;
    for (const QFileInfo& entry :
         build.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System))
        if (entry.fileName() != QLatin1String("registry") &&
            !QFile::link(entry.absoluteFilePath(), root + u'/' + entry.fileName()))
            return false;
    QFile own(build.filePath(QStringLiteral("registry/runtime.reg")));
    if (!own.open(QIODevice::ReadOnly))
        return false;
    QByteArray hive;
    bool inClientKey = false;
    for (const QByteArray& line : own.readAll().split('\n')) {
        if (line.startsWith('['))
            inClientKey = line.contains("\\EdgeUpdate\\Clients\\");
        if (withClientKey || !inClientKey)
            hive += line + '\n';
    }
    QFile runtime(root + QStringLiteral("/registry/runtime.reg"));
    QFile large(root + QStringLiteral("/registry/software.reg"));
    return runtime.open(QIODevice::WriteOnly) && runtime.write(hive) == hive.size() &&
           large.open(QIODevice::WriteOnly) && large.write(LargeHive()) > 0;
}

// Times `runs` children started with the given platform root; false when one fails.
bool Measure(const QString& root, const QString& data, int runs, std::vector<double>& times)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(PlatformRootVariable), root);
    times.clear();
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        child.setProcessEnvironment(env);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--child"), data + QStringLiteral("/WV2Cache")});
        bool ready = false;
        while (!ready && child.waitForReadyRead(10000))
            ready = child.readAll().contains("initialized");
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        child.waitForFinished(10000);
        if (!ready) {
            std::fprintf(stderr, "run %d: the loader did not initialize\n%s", i,
                         child.readAllStandardError().constData());
            return false;
        }
        times.push_back(ms);
    }
    std::sort(times.begin(), times.end());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "--child") == 0)
        return RunChild(argc, argv, argv[2]);

    QCoreApplication app(argc, argv);
    QTemporaryDir data;
    constexpr int runs = 7;
    std::vector<double> times;
    if (!Measure(QStringLiteral(QUORVEL_BUILD_ROOT), data.path(), runs, times))
        return 1;
    std::printf("process start to wvlsInitialized (default settings, %d runs): median %.1f ms, "
                "min %.1f ms, max %.1f ms (target < 250 ms)\n",
                runs, times[runs / 2], times.front(), times.back());

    // An installed system's hive is not rewritten while the program starts: the files are
    // left to age past any file system's time resolution before the runs.
    const QString withKey = data.path() + QStringLiteral("/root-client-key");
    const QString withoutKey = data.path() + QStringLiteral("/root-uninstall-entry");
    if (!MakeLargeHiveRoot(withKey, true) || !MakeLargeHiveRoot(withoutKey, false)) {
        std::fprintf(stderr, "cannot write the large registry hives\n");
        return 1;
    }
    QThread::msleep(2500);
    const struct
    {
        const char* Label;
        QString Root;
    } cases[] = {{"runtime by its update client key", withKey},
                 {"runtime by its uninstall entry only", withoutKey}};
    for (const auto& c : cases) {
        if (!Measure(c.Root, data.path(), runs, times))
            return 1;
        std::printf("  with a 1.6 MB hive, %s: median %.1f ms, min %.1f ms, max %.1f ms "
                    "(target < 250 ms)\n",
                    c.Label, times[runs / 2], times.front(), times.back());
    }
    return 0;
}

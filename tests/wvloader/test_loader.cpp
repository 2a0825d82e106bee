#include "test_wvloader.h"

#include "platformqt.h"
#include "winapi.h"
#include "wvbrowser.h"
#include "wvcorewebview2delegates.h"
#include "wvcorewebview2environment.h"
#include "wvcorewebview2environmentoptions.h"
#include "wvloader.h"
#include "wvloaderinternal.h"
#include "wvmiscfunctions.h"
#include "wvregistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <stdexcept>
#include <thread>

using namespace uWVLoaderInternal;

namespace {

const char kStableClientState[] =
    "Software\\\\Microsoft\\\\EdgeUpdate\\\\ClientState\\\\{F3017226-FE2A-4295-8BDF-00C3A9A7E4C5}";
const char kBetaClientState[] =
    "Software\\\\Microsoft\\\\EdgeUpdate\\\\ClientState\\\\{2CD8A007-E189-409D-A2C8-9AF4EF3C72AA}";

// A runtime folder holding a client library with a version block.
QString MakeClient(const QString& aFolder, const std::array<std::uint16_t, 4>& aVersion)
{
    WriteVersionedFile(aFolder + QStringLiteral("/EBWebView/x64/EmbeddedBrowserWebView.dll"),
                       aVersion);
    return aFolder;
}

QString AvailableVersion(const wvstring& aFolder, HRESULT* aResult = nullptr)
{
    LPWSTR text = reinterpret_cast<LPWSTR>(1);
    const HRESULT hr =
        Internal_GetAvailableCoreWebView2BrowserVersionString(aFolder.c_str(), &text);
    if (aResult)
        *aResult = hr;
    const QString version = text ? QString::fromUtf16(text) : QString();
    CoTaskMemFree(text);
    return FAILED(hr) ? QStringLiteral("<%1>").arg(uint(hr), 8, 16, QLatin1Char('0')) : version;
}

QStringList LogLines(const TWVLoader& aLoader)
{
    QStringList lines = Q(aLoader.ErrorMessage()).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Options with the loader's default command line: the one engine of the process takes the
// arguments of the first environment, and every later one must match them.
TComPtr<ICoreWebView2EnvironmentOptions> DefaultOptions()
{
    TWVLoader loader;
    return TComPtr<ICoreWebView2EnvironmentOptions>(new TCoreWebView2EnvironmentOptions(
        loader.GetCustomCommandLineSwitches(), {}, LowestChromiumVersion(), false, false, false, {},
        true, false, 0, 15, 0));
}

class TComApartment
{
public:
    TComApartment() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~TComApartment() { CoUninitialize(); }
};

} // namespace

// ---- Built-in loader ------------------------------------------------------------------------

void TestBuiltinLoader::cleanup()
{
    qunsetenv("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
    qunsetenv(PlatformRootVariable);
}

void TestBuiltinLoader::compareVersions_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("hr");
    QTest::addColumn<int>("result");
    QTest::newRow("greater major") << "100.0.0.0"
                                   << "99.9.9.9" << int(S_OK) << 1;
    QTest::newRow("smaller build") << "1.2.3.4"
                                   << "1.2.3.5" << int(S_OK) << -1;
    QTest::newRow("equal") << "148.0.3967.48"
                           << "148.0.3967.48" << int(S_OK) << 0;
    QTest::newRow("text after the fourth part") << "1.2.3.4.5"
                                                << "1.2.3.4 beta" << int(S_OK) << 0;
    QTest::newRow("three parts left") << "1.2.3"
                                      << "1.2.3.4" << int(E_INVALIDARG) << 0;
    QTest::newRow("three parts right") << "1.2.3.4"
                                       << "1.2.3" << int(E_INVALIDARG) << 0;
    QTest::newRow("empty") << ""
                           << "1.2.3.4" << int(E_INVALIDARG) << 0;
    QTest::newRow("two parts") << "1.2"
                               << "1.2.0.0" << int(E_INVALIDARG) << 0;
    QTest::newRow("trailing separator") << "1.2.3."
                                        << "1.2.3.0" << int(E_INVALIDARG) << 0;
    QTest::newRow("empty part reads 0") << "1..2.3"
                                        << "1.0.2.3" << int(S_OK) << 0;
    QTest::newRow("leading blank is an empty part") << " 1.2.3.4"
                                                    << "0.1.2.3" << int(S_OK) << 0;
    QTest::newRow("leading zero") << "01.2.3.4"
                                  << "1.2.3.4" << int(S_OK) << 0;
    QTest::newRow("largest part") << "4294967295.0.0.0"
                                  << "4294967294.9.9.9" << int(S_OK) << 1;
    QTest::newRow("part beyond 32 bits") << "4294967296.0.0.0"
                                         << "1.0.0.0" << int(E_INVALIDARG) << 0;
    QTest::newRow("last part beyond 32 bits")
        << "1.0.0.0"
        << "1.0.0.99999999999999999999" << int(E_INVALIDARG) << 0;
}

void TestBuiltinLoader::compareVersions()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, hr);
    QFETCH(int, result);
    int r = 99;
    QCOMPARE(int(Internal_CompareBrowserVersions(W(a).c_str(), W(b).c_str(), &r)), hr);
    if (SUCCEEDED(hr))
        QCOMPARE(r, result);
    QCOMPARE(Internal_CompareBrowserVersions(u"1.0.0.0", nullptr, &r), E_INVALIDARG);
    QCOMPARE(Internal_CompareBrowserVersions(u"1.0.0.0", u"1.0.0.0", nullptr), E_POINTER);

    // The loader library beside the program reads versions the same way.
    const wvstring library = W(BuildRoot() + QStringLiteral("/WebView2Loader.dll"));
    HMODULE module = LoadLibraryW(library.c_str());
    QVERIFY(module);
    const auto compare =
        ProcAs<TCompareBrowserVersions>(GetProcAddress(module, "CompareBrowserVersions"));
    QVERIFY(compare);
    int libraryResult = 99;
    const HRESULT libraryHr = compare(W(a).c_str(), W(b).c_str(), &libraryResult);
    FreeLibrary(module);
    QCOMPARE(int(libraryHr), hr);
    if (SUCCEEDED(hr))
        QCOMPARE(libraryResult, result);
}

void TestBuiltinLoader::variableWins()
{
    QTemporaryDir dir;
    const TPlatformRoot root(false);
    const QString fixed = MakeClient(dir.path() + QStringLiteral("/fixed"), {120, 1, 2, 3});
    MakeClient(dir.path() + QStringLiteral("/given"), {110, 0, 0, 0});
    qputenv("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER", fixed.toLocal8Bit());
    QCOMPARE(AvailableVersion(W(dir.path() + QStringLiteral("/given"))),
             QStringLiteral("120.1.2.3"));
    qunsetenv("WEBVIEW2_BROWSER_EXECUTABLE_FOLDER");
    QCOMPARE(AvailableVersion(W(dir.path() + QStringLiteral("/given"))),
             QStringLiteral("110.0.0.0"));
    QCOMPARE(AvailableVersion(W(dir.path() + QStringLiteral("/none"))),
             QStringLiteral("<80070002>"));
}

void TestBuiltinLoader::relativeFolder()
{
    const TPlatformRoot root(false);
    QTemporaryDir dir(QCoreApplication::applicationDirPath() + QStringLiteral("/fixedXXXXXX"));
    MakeClient(dir.path(), {99, 0, 1, 2});
    const QString relative = QFileInfo(dir.path()).fileName();
    QCOMPARE(AvailableVersion(W(relative)), QStringLiteral("99.0.1.2"));
}

void TestBuiltinLoader::oldClientSkipped_data()
{
    QTest::addColumn<QString>("stable");
    QTest::addColumn<QString>("available");
    QTest::addColumn<QString>("channel");
    // Stable: too old under the current user, no library under the local machine; then beta.
    QTest::newRow("80.0.0.0") << "80.0.0.0"
                              << "90.1.2.3 beta"
                              << "beta";
    QTest::newRow("86.0.615.9, just below the minimum") << "86.0.615.9"
                                                        << "90.1.2.3 beta"
                                                        << "beta";
    QTest::newRow("86.0.616.0, the minimum") << "86.0.616.0"
                                             << "86.0.616.0"
                                             << "";
}

void TestBuiltinLoader::oldClientSkipped()
{
    QFETCH(QString, stable);
    QFETCH(QString, available);
    QFETCH(QString, channel);
    QTemporaryDir dir;
    TPlatformRoot root(false);
    std::array<std::uint16_t, 4> parts{};
    const QStringList numbers = stable.split(QLatin1Char('.'));
    for (int i = 0; i < 4; ++i)
        parts[i] = static_cast<std::uint16_t>(numbers[i].toUInt());
    const QString old = MakeClient(dir.path() + u'/' + stable, parts);
    const QString beta = MakeClient(dir.path() + QStringLiteral("/90.1.2.3"), {90, 1, 2, 3});
    root.AddHive(QStringLiteral("channels.reg"),
                 QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\%1]\n\"EBWebView\"=\"%2\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\%1]\n\"EBWebView\"=\"%3\"\n\n"
                                "[HKEY_CURRENT_USER\\%4]\n\"EBWebView\"=\"%5\"\n")
                     .arg(QString::fromLatin1(kStableClientState).replace("\\\\", "\\"), old,
                          dir.path() + QStringLiteral("/stable/120.0.0.0"),
                          QString::fromLatin1(kBetaClientState).replace("\\\\", "\\"), beta));
    QCOMPARE(AvailableVersion(wvstring()), available);
    wvstring client, version, found;
    QCOMPARE(FindInstalledClientDll(client, kStable, version, found), S_OK);
    QCOMPARE(Q(found), channel);
    QVERIFY(QFile::exists(NativePath(Q(client))));
}

void TestBuiltinLoader::nothingFound()
{
    QTemporaryDir dir;
    TPlatformRoot root(false);
    root.AddHive(QStringLiteral("empty.reg"),
                 QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\%1]\n\"EBWebView\"=\"%2\"\n")
                     .arg(QString::fromLatin1(kStableClientState).replace("\\\\", "\\"),
                          dir.path() + QStringLiteral("/148.0.0.1")));
    wvstring client = u"stale", version = u"1.2.3.4", channel = u"dev";
    QCOMPARE(FindInstalledClientDll(client, kStable, version, channel),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    QVERIFY(client.empty() && version.empty() && channel.empty());
    HRESULT hr = S_OK;
    AvailableVersion(wvstring(), &hr);
    QCOMPARE(hr, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    // Environment creation reports the missing runtime at the call.
    TWVLoader loader;
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(Internal_CreateCoreWebView2EnvironmentWithOptions(u"", u"", nullptr, handler.Get()),
             HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    QCOMPARE(Internal_CreateCoreWebView2Environment(nullptr), E_POINTER);
}

void TestBuiltinLoader::emptyOverrideKeepsFolder()
{
    TPlatformRoot root(false);
    root.AddHive(QStringLiteral("policy.reg"),
                 QStringLiteral("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\"
                                "Edge\\WebView2\\browserExecutableFolder]\n\"*\"=\"\"\n\n"
                                "[HKEY_LOCAL_MACHINE\\Software\\Policies\\Microsoft\\"
                                "Edge\\WebView2\\userDataFolder]\n\"*\"=\"/policy/data\"\n"));
    wvstring folder = u"/mine";
    QVERIFY(!ReadOverrideFromRegistry(u"browserExecutableFolder", HKEY_LOCAL_MACHINE, u"*", folder,
                                      true));
    QCOMPARE(Q(folder), QStringLiteral("/mine"));

    TWebView2EnvironmentParams params;
    params.EmbeddedEdgeSubFolder = u"/mine";
    params.UserDataDir = u"/my/data";
    UpdateWebViewEnvironmentParamsWithOverrideValues(params);
    QCOMPARE(Q(params.EmbeddedEdgeSubFolder), QStringLiteral("/mine"));
    QCOMPARE(Q(params.UserDataDir), QStringLiteral("/policy/data"));
}

void TestBuiltinLoader::retryReachesCallerOnce_data()
{
    QTest::addColumn<bool>("secondSucceeds");
    QTest::newRow("fails twice") << false;
    QTest::newRow("fails once, then succeeds") << true;
}

void TestBuiltinLoader::retryReachesCallerOnce()
{
    QFETCH(bool, secondSucceeds);
    const TComApartment apartment;
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    QTemporaryDir dir;
    // A file where the user data folder should be: creation fails in its completion.
    const QString data = dir.path() + QStringLiteral("/data");
    QFile(data).open(QIODevice::WriteOnly);

    TWVLoader loader;
    int created = 0, failed = 0;
    loader.OnEnvironmentCreated = [&](TObject*) { ++created; };
    loader.OnInitializationError = [&](TObject*) { ++failed; };
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> handler(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVLoaderEvents*>(&loader)));
    QCOMPARE(Internal_CreateCoreWebView2EnvironmentWithOptions(
                 u"", W(data).c_str(), DefaultOptions().Get(), handler.Get()),
             S_OK);
    if (secondSucceeds) // runs after the first completion, before the retry's
        QMetaObject::invokeMethod(
            qApp, [data] { QFile::remove(data); }, Qt::QueuedConnection);
    QVERIFY(WaitFor([&] { return created + failed > 0; }));
    QTest::qWait(200);
    if (secondSucceeds) {
        QCOMPARE(created, 1);
        QCOMPARE(failed, 0);
        QVERIFY(loader.Environment());
    } else {
        QCOMPARE(created, 0);
        QCOMPARE(failed, 1);
        QCOMPARE(loader.ErrorCode(), INT64(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)));
    }
}

void TestBuiltinLoader::successWithoutEnvironment()
{
    TWVLoader loader;
    int failed = 0;
    loader.OnInitializationError = [&](TObject*) { ++failed; };
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> original(
        new TCoreWebView2EnvironmentCompletedHandler(static_cast<IWVLoaderEvents*>(&loader)));
    TComPtr<ICoreWebView2CreateCoreWebView2EnvironmentCompletedHandler> retry(
        new TEnvironmentCreatedRetryHandler(TWebView2EnvironmentParams{}, original.Get(), 0));
    QCOMPARE(retry->Invoke(S_OK, nullptr), S_OK);
    QCOMPARE(failed, 1);
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(loader.ErrorCode(), INT64(E_FAIL));
}

// ---- The loader's start ---------------------------------------------------------------------

void TestLoader::cleanup()
{
    qunsetenv(PlatformRootVariable);
    DestroyGlobalWebView2Loader();
}

void TestLoader::defaults()
{
    SetExceptionMask(exAllArithmeticExceptions & ~exZeroDivide);
    TWVLoader loader;
    QCOMPARE(GetExceptionMask(), unsigned(exAllArithmeticExceptions));
    QCOMPARE(loader.Status(), wvlsCreated);
    QCOMPARE(loader.ErrorCode(), INT64(0));
    QVERIFY(loader.SetCurrentDir() && loader.CheckFiles() && loader.ShowMessageDlg() &&
            loader.InitCOMLibrary() && loader.AllowOldRuntime());
    QVERIFY(!loader.ReRaiseExceptions() && !loader.UseInternalLoader());
    QCOMPARE(loader.ReleaseChannels(), 15);
    QCOMPARE(Q(loader.TargetCompatibleBrowserVersion()), QStringLiteral("148.0.3967.48"));
    QVERIFY(!loader.Initialized() && !loader.InitializationError());
    QCOMPARE(loader.Environment(), nullptr);
    QCOMPARE(Q(loader.ErrorMessage()), QString());
}

void TestLoader::startsWithBuildRuntime()
{
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    const TBoxRecorder boxes;
    GlobalWebView2Loader = new TWVLoader;
    GlobalWebView2Loader->SetUserDataFolder(W(QDir::tempPath() + QStringLiteral("/wvloader-") +
                                              QString::number(QCoreApplication::applicationPid())));
    QVERIFY(GlobalWebView2Loader->StartWebView2());
    QCOMPARE(GlobalWebView2Loader->Status(), wvlsImported);
    QVERIFY(GlobalWebView2Loader->StartWebView2()); // while creation is under way: nothing more
    QVERIFY(WaitFor([] { return GlobalWebView2Loader->Initialized(); }));
    const ICoreWebView2Environment* environment = GlobalWebView2Loader->Environment();
    QVERIFY(GlobalWebView2Loader->StartWebView2()); // once started: nothing changes
    QCOMPARE(GlobalWebView2Loader->Status(), wvlsInitialized);
    QCOMPARE(GlobalWebView2Loader->Environment(), environment);
    QVERIFY(GlobalWebView2Loader->Environment());
    QCOMPARE(LogLines(*GlobalWebView2Loader), QStringList{});
    QCOMPARE(boxes.Texts, QStringList{});
    QDir(Q(GlobalWebView2Loader->UserDataFolder())).removeRecursively();
}

void TestLoader::environmentWrapper()
{
    TCoreWebView2Environment none(nullptr);
    HRESULT hr = S_OK;
    TComPtr<ICoreWebView2ControllerOptions> options;
    QVERIFY(!none.CreateCoreWebView2Controller(nullptr, nullptr, hr));
    QCOMPARE(hr, E_FAIL);
    QVERIFY(!none.CreateCoreWebView2ControllerWithOptions(nullptr, nullptr, nullptr, hr));
    QCOMPARE(hr, E_FAIL);
    QVERIFY(!none.CreateCoreWebView2CompositionController(nullptr, nullptr, hr));
    QCOMPARE(hr, E_FAIL);
    QVERIFY(!none.CreateCoreWebView2ControllerOptions(options, hr));
    QCOMPARE(hr, E_NOTIMPL);
    QVERIFY(none.GetUserDataFolder().empty());
    QVERIFY(!none.AddAllLoaderEvents(nullptr));

    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    QTemporaryDir data;
    TWVLoader loader;
    loader.SetUserDataFolder(W(data.path()));
    QVERIFY(loader.StartWebView2());
    QVERIFY(WaitFor([&] { return loader.Initialized(); }));
    TCoreWebView2Environment* wrapper = loader.CoreWebView2Environment();
    QCOMPARE(QDir(NativePath(Q(wrapper->GetUserDataFolder()))).absolutePath(),
             QDir(data.path()).absolutePath());
    QVERIFY(wrapper->CreateCoreWebView2ControllerOptions(options, hr));
    QCOMPARE(hr, S_OK);
    QVERIFY(options);
    TComPtr<ICoreWebView2PrintSettings> print;
    QVERIFY(wrapper->CreatePrintSettings(print) && print);
    TComPtr<ICoreWebView2FindOptions> find;
    QVERIFY(wrapper->CreateFindOptions(find) && find);

    // The loader subscribed its three events; within one wrapper an event has one owner.
    TWVBrowser browser;
    QVERIFY(!wrapper->AddAllLoaderEvents(&loader));
    QVERIFY(!wrapper->AddAllBrowserEvents(&browser));
    wrapper->RemoveAllEvents();
    QVERIFY(wrapper->AddAllBrowserEvents(&browser));
    QVERIFY(!wrapper->AddBrowserProcessExitedLoaderEvent(&loader)); // the browser holds it

    // A second wrapper of the same environment has subscriptions of its own.
    TCoreWebView2Environment second(loader.Environment());
    QVERIFY(second.AddAllLoaderEvents(&loader));
}

void TestLoader::noRuntime()
{
    const TPlatformRoot root(false);
    const TBoxRecorder boxes;
    TWVLoader loader;
    QVERIFY(!loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(loader.ErrorCode(), INT64(0));
    const QStringList lines = LogLines(loader);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], QStringLiteral("WebView2 Runtime is not installed correctly."));
    QCOMPARE(lines[1], QStringLiteral("Download and run the Evergreen Standalone Installer from "));
    QVERIFY(lines[2].startsWith(QStringLiteral("https://")));
    QCOMPARE(boxes.Texts, QStringList{Q(loader.ErrorMessage())});
    QCOMPARE(boxes.Captions, QStringList{QStringLiteral("Error")});
    QCOMPARE(boxes.Types, QList<UINT>{MB_OK | MB_ICONERROR | MB_TOPMOST});

    // Without the box the outcome is the same.
    TWVLoader quiet;
    quiet.SetShowMessageDlg(false);
    QVERIFY(!quiet.StartWebView2());
    QCOMPARE(LogLines(quiet), lines);
    QCOMPARE(boxes.Texts.size(), 1);
}

void TestLoader::uninstallEntryAfterALongName()
{
    // Only the uninstall list names the runtime, after a subkey name longer than a key name can
    // be on the platform and one of the longest possible length.
    TPlatformRoot root(false);
    const QString uninstall =
        QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\"
                       "Uninstall\\");
    const QString tooLong(300, QLatin1Char('A'));
    const QString longest(255, QLatin1Char('B'));
    root.AddHive(QStringLiteral("uninstall.reg"),
                 QStringLiteral("REGEDIT4\n\n[%1%2]\n\"DisplayName\"=\"Other\"\n\n"
                                "[%1%3]\n\"DisplayName\"=\"Another\"\n\n"
                                "[%1WebView2 Runtime]\n\"DisplayName\"=\"WebView2 Runtime\"\n"
                                "\"Publisher\"=\"Microsoft Corporation\"\n")
                     .arg(uninstall, tooLong, longest));
    TWVRegistryKey key;
    QVERIFY(
        key.Open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
    QCOMPARE(key.SubKeyNames(), (std::vector<wvstring>{W(longest), u"WebView2 Runtime"}));
    TWVLoader loader;
    QVERIFY(loader.SearchInstalledProgram(u"WebView2 Runtime", u"Microsoft Corporation"));
}

void TestLoader::browserFolderWithoutExecutable()
{
    QTemporaryDir dir;
    const TBoxRecorder boxes;
    TWVLoader loader;
    loader.SetBrowserExecPath(W(dir.path()));
    QVERIFY(!loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(LogLines(loader),
             QStringList{QStringLiteral("The Browser Executable Folder doesn't exist.")});
    QCOMPARE(boxes.Texts.size(), 1);
}

void TestLoader::loaderVersions_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("1.0.3967.47") << "1.0.3967.47" << false
                                 << QStringList{"Unsupported WebView2Loader.dll version !",
                                                "Expected WebView2Loader.dll version : "
                                                "1.0.3967.48",
                                                "Found WebView2Loader.dll version : 1.0.3967.47"};
    QTest::newRow("1.0.3967.48") << "1.0.3967.48" << true << QStringList{};
    QTest::newRow("1.1.0.0, minor greater") << "1.1.0.0" << true << QStringList{};
    QTest::newRow("0.9.9999.99") << "0.9.9999.99" << false
                                 << QStringList{"Unsupported WebView2Loader.dll version !",
                                                "Expected WebView2Loader.dll version : "
                                                "1.0.3967.48",
                                                "Found WebView2Loader.dll version : 0.9.9999.99"};
    QTest::newRow("missing") << "" << false << QStringList{"WebView2Loader.dll file not found !"};
    QTest::newRow("without a version block")
        << "none" << false << QStringList{"WebView2Loader.dll file not found !"};
}

void TestLoader::loaderVersions()
{
    QFETCH(QString, version);
    QFETCH(bool, accepted);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/Loader.dll");
    if (version == QStringLiteral("none")) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    } else if (!version.isEmpty()) {
        std::array<std::uint16_t, 4> v{};
        const QStringList parts = version.split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i)
            v[i] = static_cast<std::uint16_t>(parts[i].toUInt());
        WriteVersionedFile(file, v);
    }
    const TBoxRecorder boxes;
    TWVLoader loader;
    loader.SetLoaderDllPath(W(file));
    QCOMPARE(loader.CheckWV2DLL(), accepted);
    QCOMPARE(LogLines(loader), lines);
    QCOMPARE(loader.Status(), accepted ? wvlsCreated : wvlsError);
    QCOMPARE(boxes.Texts.size(), accepted ? 0 : 1);
}

void TestLoader::loaderMachine_data()
{
    QTest::addColumn<int>("machine");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("x64") << 0x8664 << QStringList{};
    QTest::newRow("32-bit") << 0x014C
                            << QStringList{"Wrong WebView2Loader.dll !",
                                           "Use the 32 bit loader DLL with 32 bits applications "
                                           "only."};
    QTest::newRow("another machine") << 0xAA64 << QStringList{"Unknown WebView2Loader.dll !"};
}

void TestLoader::loaderMachine()
{
    QFETCH(int, machine);
    QFETCH(QStringList, lines);
    QTemporaryDir dir;
    const QString file = WriteVersionedFile(dir.path() + QStringLiteral("/Loader.dll"),
                                            {1, 0, 3967, 48}, PeHeader(std::uint16_t(machine)));
    TWVLoader loader;
    loader.SetShowMessageDlg(false);
    loader.SetLoaderDllPath(W(file));
    WORD read = 0;
    QVERIFY(loader.GetDLLHeaderMachine(W(file), read));
    QCOMPARE(int(read), machine);
    QCOMPARE(loader.CheckWV2DLL(), lines.isEmpty());
    QCOMPARE(LogLines(loader), lines);

    // The build's own loader library has no PE header: its version alone decides.
    TWVLoader real;
    const wvstring built = W(BuildRoot() + QStringLiteral("/WebView2Loader.dll"));
    QVERIFY(!real.GetDLLHeaderMachine(built, read));
    real.SetLoaderDllPath(built);
    QVERIFY(real.CheckWV2DLL());
}

void TestLoader::currentFolderKeptWhenACheckRaises()
{
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    QTemporaryDir dir;
    // A versioned library whose PE header offset lies beyond its end: reading the header raises.
    QByteArray head(64, '\0');
    head[0] = 'M';
    head[1] = 'Z';
    head[63] = 0x7F;
    const QString file =
        WriteVersionedFile(dir.path() + QStringLiteral("/Loader.dll"), {1, 0, 3967, 48}, head);
    GlobalWebView2Loader = new TWVLoader;
    TWVLoader& loader = *GlobalWebView2Loader;
    loader.SetShowMessageDlg(false);
    loader.SetLoaderDllPath(W(file));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const QString here = QDir::currentPath();
    QVERIFY(here != QDir(Q(GetModulePath())).absolutePath());

    QVERIFY(loader.CheckWV2Library()); // swallowed: a header that cannot be read counts as none
    QCOMPARE(QDir::currentPath(), here);
    loader.SetReRaiseExceptions(true);
    bool raised = false;
    try {
        loader.CheckWV2Library();
    } catch (const std::runtime_error&) {
        raised = true;
    }
    const QString after = QDir::currentPath();
    QDir::setCurrent(previous);
    QVERIFY(raised);
    QCOMPARE(after, here);
}

void TestLoader::libraryLoadFails()
{
    QTemporaryDir dir;
    const TBoxRecorder boxes;
    TWVLoader loader;
    loader.SetCheckFiles(false); // nothing is examined before loading
    const QString name = dir.path() + QStringLiteral("/absent/WebView2Loader.dll");
    loader.SetLoaderDllPath(W(name));
    QVERIFY(!loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(loader.ErrorCode(), INT64(126));
    QCOMPARE(LogLines(loader),
             (QStringList{QStringLiteral("Error loading ") + name,
                          QStringLiteral("Error code : 0x0000007E"), Q(SysErrorMessage(126))}));
    QCOMPARE(boxes.Texts.size(), 1);
}

void TestLoader::exportMissing()
{
    const TBoxRecorder boxes;
    TWVLoader loader;
    loader.SetCheckFiles(false);
    loader.SetLoaderDllPath(W(QStringLiteral(QUORVEL_PARTIAL_LOADER)));
    QVERIFY(!loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(LogLines(loader),
             QStringList{QStringLiteral("There was a problem loading the library procedures")});
    QCOMPARE(boxes.Texts.size(), 1);
}

void TestLoader::creationRefusedAtCall()
{
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    const TBoxRecorder boxes;
    TWVLoader loader;
    // This runtime refuses custom schemes at the call.
    loader.OnGetCustomSchemes = [](TObject*, TWVCustomSchemeInfoArray& schemes) {
        schemes.push_back(TWVCustomSchemeInfo{u"app", true, u"*", false});
    };
    QVERIFY(!loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(loader.ErrorCode(), INT64(E_INVALIDARG));
    QVERIFY(loader.ErrorCode() < 0);
    QCOMPARE(LogLines(loader),
             (QStringList{"There was an error creating the browser environment. (1)",
                          "Error code : 0x80070057", "Unexpected error result."}));
    QCOMPARE(boxes.Texts.size(), 1);
}

void TestLoader::creationFailsInCompletion()
{
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    QTemporaryDir dir;
    const QString file = dir.path() + QStringLiteral("/WV2Cache");
    QFile(file).open(QIODevice::WriteOnly);
    const TBoxRecorder boxes;
    TWVLoader loader;
    int errors = 0;
    loader.OnInitializationError = [&](TObject*) { ++errors; };
    loader.SetUserDataFolder(W(file));
    QVERIFY(loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsImported);
    QVERIFY(WaitFor([&] { return loader.InitializationError(); }));
    QCOMPARE(errors, 1);
    QCOMPARE(loader.ErrorCode(), INT64(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)));
    QCOMPARE(LogLines(loader),
             (QStringList{"There was a problem initializing the browser environment.",
                          "Error code : 0x80070050",
                          "User data folder cannot be created because a file with the same "
                          "name already exists."}));
    QCOMPARE(boxes.Texts, QStringList{});
}

void TestLoader::oldRuntime_data()
{
    QTest::addColumn<bool>("allowOld");
    QTest::newRow("allowed") << true;
    QTest::newRow("not allowed") << false;
}

void TestLoader::oldRuntime()
{
    QFETCH(bool, allowOld);
    const TPlatformRoot root(true, QStringLiteral("100.0.0.0"));
    const TBoxRecorder boxes;
    TWVLoader loader;
    loader.SetAllowOldRuntime(allowOld);
    QTemporaryDir data;
    loader.SetUserDataFolder(W(data.path()));
    QCOMPARE(loader.StartWebView2(), allowOld);
    QCOMPARE(LogLines(loader),
             QStringList{QStringLiteral("The WebView Runtime version is older than expected! Some "
                                        "Lumivane features won't work.")});
    QCOMPARE(boxes.Texts, QStringList{});
    if (allowOld) {
        QVERIFY(WaitFor([&] { return loader.Initialized(); }));
    } else {
        QCOMPARE(loader.Status(), wvlsError);
        QCOMPARE(loader.ErrorCode(), INT64(0));
    }
}

void TestLoader::comInitFails()
{
    TWVLoader loader;
    loader.SetShowMessageDlg(false);
    bool started = true;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        started = loader.StartWebView2();
        CoUninitialize();
    });
    worker.join();
    QVERIFY(!started);
    QCOMPARE(loader.Status(), wvlsError);
    QCOMPARE(LogLines(loader),
             QStringList{QStringLiteral("A previous call to CoInitializeEx specified an "
                                        "incompatible concurrency model for this thread.")});
}

void TestLoader::internalLoader()
{
    qputenv(PlatformRootVariable, BuildRoot().toLocal8Bit());
    TWVLoader loader;
    loader.SetUseInternalLoader(true);
    QTemporaryDir data;
    loader.SetUserDataFolder(W(data.path()));
    QVERIFY(loader.StartWebView2());
    QCOMPARE(loader.Status(), wvlsImported);
    QVERIFY(WaitFor([&] { return loader.Initialized(); }));
    int r = 0;
    QVERIFY(loader.CompareVersions(u"2.0.0.0", u"1.0.0.0", r));
    QCOMPARE(r, 1);
}

void TestLoader::errorMessageAndGlobal()
{
    TWVLoader loader;
    QCOMPARE(Q(loader.ErrorMessage()), QString());
    loader.AppendErrorLog(std::string("first"));
    loader.AppendErrorLog(wvstring(u"zweite Zeile \u00E4"));
    QCOMPARE(Q(loader.ErrorMessage()), QString::fromUtf16(u"first\r\nzweite Zeile \u00E4\r\n"));
    int r = 5;
    QVERIFY(!loader.CompareVersions(u"1.0.0.0", u"1.0.0.0", r)); // nothing imported yet
    QCOMPARE(r, 0);

    GlobalWebView2Loader = new TWVLoader;
    DestroyGlobalWebView2Loader();
    QCOMPARE(GlobalWebView2Loader, nullptr);
    DestroyGlobalWebView2Loader();
    QCOMPARE(GlobalWebView2Loader, nullptr);
}

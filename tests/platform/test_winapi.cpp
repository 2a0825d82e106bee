// The Windows stand-in against real files, hives and widgets.
#include "test_platform.h"

#include "platformqt.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QVBoxLayout>

#include <cfenv>
#include <cmath>
#include <ctime>
#include <limits>
#include <sys/stat.h>

namespace {

std::u16string W(const QString& s)
{
    return s.toStdU16String();
}

QString RegString(HKEY root, const QString& path, const QString& name, LONG* result = nullptr)
{
    HKEY key = nullptr;
    LONG r = RegOpenKeyExW(root, W(path).c_str(), 0, KEY_READ, &key);
    QString value;
    if (r == LONG(ERROR_SUCCESS)) {
        DWORD type = 0, size = 0;
        r = RegQueryValueExW(key, W(name).c_str(), nullptr, &type, nullptr, &size);
        if (r == LONG(ERROR_SUCCESS)) {
            std::u16string buf(size / 2, u'\0');
            r = RegQueryValueExW(key, W(name).c_str(), nullptr, &type,
                                 reinterpret_cast<BYTE*>(buf.data()), &size);
            value = QString::fromUtf16(buf.c_str());
        }
        RegCloseKey(key);
    }
    if (result)
        *result = r;
    return value;
}

// Version numbers of a file's fixed information, or nothing with the last error.
bool FileVersion(const QString& file, quint16 (&v)[4], DWORD& error)
{
    const std::u16string name = W(file);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(name.c_str(), &handle);
    if (!size) {
        error = GetLastError();
        return false;
    }
    QByteArray block(int(size), '\0');
    if (!GetFileVersionInfoW(name.c_str(), handle, size, block.data())) {
        error = GetLastError();
        return false;
    }
    void* p = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(block.constData(), "\\", &p, &len) || len < sizeof(VS_FIXEDFILEINFO)) {
        error = GetLastError();
        return false;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(p);
    v[0] = quint16(fixed->dwFileVersionMS >> 16);
    v[1] = quint16(fixed->dwFileVersionMS & 0xFFFF);
    v[2] = quint16(fixed->dwFileVersionLS >> 16);
    v[3] = quint16(fixed->dwFileVersionLS & 0xFFFF);
    return fixed->dwSignature == 0xFEEF04BD;
}

struct TMessageLog
{
    QList<UINT> Messages;
    bool HandleChar = false;
    bool WindowAliveAtDestroy = false;
};

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref)
{
    auto* log = reinterpret_cast<TMessageLog*>(ref);
    log->Messages << msg;
    if (msg == WM_CHAR && log->HandleChar)
        return 0; // handled: the widget never sees the key's text
    if (msg == WM_DESTROY)
        log->WindowAliveAtDestroy = WindowFromHandle(hWnd) != nullptr;
    return DefSubclassProc(hWnd, msg, wp, lp);
}

QList<int> GOrder;
LRESULT CALLBACK FirstProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR)
{
    if (m == WM_USER)
        GOrder << 1;
    return DefSubclassProc(h, m, w, l);
}
LRESULT CALLBACK SecondProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR)
{
    if (m == WM_USER) {
        GOrder << 2;
        return DefSubclassProc(h, m, w, l) + 7;
    }
    return DefSubclassProc(h, m, w, l);
}

QList<QString> GDestroyed;
LRESULT CALLBACK DestroyNamingProc(HWND h, UINT m, WPARAM w, LPARAM l, UINT_PTR id, DWORD_PTR)
{
    if (m == WM_DESTROY) {
        GDestroyed << WindowFromHandle(h)->objectName();
        RemoveWindowSubclass(h, DestroyNamingProc, id); // as a handler may on its way out
    }
    return DefSubclassProc(h, m, w, l);
}

} // namespace

void TestWinApi::init()
{
    qunsetenv(PlatformRootVariable);
}

void TestWinApi::apartmentsPerThread()
{
    QCOMPARE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    QCOMPARE(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    QCOMPARE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    HRESULT other = E_FAIL;
    QThread* t = QThread::create([&] {
        other = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CoUninitialize();
    });
    t->start();
    t->wait();
    delete t;
    QCOMPARE(other, S_OK); // another thread has an apartment of its own
    CoUninitialize();
    CoUninitialize();
    QCOMPARE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); // all balanced: a new model
    CoUninitialize();
}

void TestWinApi::guidText()
{
    const GUID g = {0x76ECEACB, 0x0462, 0x4D94, {0xAC, 0x83, 0x42, 0x3A, 0x67, 0x93, 0x77, 0x5E}};
    char16_t buf[39];
    QCOMPARE(StringFromGUID2(g, buf, 38), 0);
    QCOMPARE(StringFromGUID2(g, buf, 39), 39);
    QCOMPARE(QString::fromUtf16(buf), QStringLiteral("{76ECEACB-0462-4D94-AC83-423A6793775E}"));
    QVERIFY(IID_ICoreWebView2_27 != IID_ICoreWebView2_28);
}

void TestWinApi::libraryErrors_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<uint>("error");
    QTest::addColumn<QString>("message");
    const QString fixtures = QStringLiteral(QUORVEL_TEST_FIXTURES);
    QTest::newRow("missing file") << fixtures + "/Nothing.dll" << uint(ERROR_MOD_NOT_FOUND)
                                  << "The specified module could not be found.";
    QTest::newRow("missing bare name") << "NoSuchLibrary.dll" << uint(ERROR_MOD_NOT_FOUND)
                                       << "The specified module could not be found.";
    QTest::newRow("not a library")
        << QStringLiteral(QUORVEL_TEST_DATA "/noversion.txt") << uint(ERROR_BAD_EXE_FORMAT)
        << "The file is not a valid application for this system.";
    QTest::newRow("needs a missing function")
        << fixtures + "/FixtureUnresolved.dll" << uint(ERROR_PROC_NOT_FOUND)
        << "The specified procedure could not be found.";
}

void TestWinApi::libraryErrors()
{
    QFETCH(QString, name);
    QFETCH(uint, error);
    QFETCH(QString, message);
    SetLastError(0);
    QVERIFY(!LoadLibraryW(W(name).c_str()));
    QCOMPARE(uint(GetLastError()), error);
    QCOMPARE(QString::fromStdU16String(SysErrorMessage(GetLastError())), message);
    char16_t buf[256];
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, buf, 256, nullptr);
    QCOMPARE(QString::fromUtf16(buf, n), message + "\r\n");
}

void TestWinApi::librarySearchAndExports()
{
    // A bare name is found in the platform root first; backslashes are path separators.
    qputenv(PlatformRootVariable, QUORVEL_TEST_FIXTURES);
    HMODULE lib = LoadLibraryW(u"FixtureLib.dll");
    QVERIFY(lib);
    QCOMPARE(LoadLibraryW(W(QStringLiteral(QUORVEL_TEST_FIXTURES "\\FixtureLib.dll")).c_str()),
             lib);
    auto fn = ProcAs<int (*)()>(GetProcAddress(lib, "FixtureExport"));
    QVERIFY(fn);
    QCOMPARE(fn(), 42);
    SetLastError(0);
    QVERIFY(!GetProcAddress(lib, "NoSuchExport"));
    QCOMPARE(GetLastError(), ERROR_PROC_NOT_FOUND);

    char16_t path[512];
    const DWORD n = GetModuleFileNameW(lib, path, 512);
    QCOMPARE(QString::fromUtf16(path, n), QStringLiteral(QUORVEL_TEST_FIXTURES "/FixtureLib.dll"));
    char16_t small[8];
    QCOMPARE(GetModuleFileNameW(lib, small, 8), DWORD(8));
    QCOMPARE(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    QCOMPARE(QString::fromUtf16(small), QString::fromUtf16(path, 7));
    QVERIFY(GetModuleFileNameW(nullptr, path, 512) > 0);
    QCOMPARE(QString::fromUtf16(path), QCoreApplication::applicationFilePath());

    QVERIFY(FreeLibrary(lib));
    QVERIFY(FreeLibrary(lib));
    QVERIFY(!FreeLibrary(lib));
    QCOMPARE(GetLastError(), ERROR_INVALID_HANDLE);
    QVERIFY(!GetProcAddress(lib, "FixtureExport"));
    QCOMPARE(GetLastError(), ERROR_INVALID_HANDLE);

    // System libraries name this layer: what it implements is there, later systems' calls not.
    HMODULE kernel = LoadLibraryW(u"Kernel32.dll");
    QVERIFY(kernel);
    QVERIFY(GetProcAddress(kernel, "GetModuleFileNameW"));
    QVERIFY(!GetProcAddress(kernel, "GetCurrentPackageInfo"));
    QCOMPARE(GetLastError(), ERROR_PROC_NOT_FOUND);
    FreeLibrary(kernel);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    QVERIFY(GetVersionExW(&info));
    QVERIFY(info.dwMajorVersion > 6 || (info.dwMajorVersion == 6 && info.dwMinorVersion >= 2));
}

void TestWinApi::registryHive()
{
    qputenv(PlatformRootVariable, QUORVEL_TEST_DATA);
    // A line that is not a value is named, and the rest of the file still counts.
    QTest::ignoreMessage(QtWarningMsg,
                         "registry: " QUORVEL_TEST_DATA "/registry/later.reg:8: not a value");
    const QString key = QStringLiteral("Software\\Quorvel Fixture");
    QCOMPARE(RegString(HKEY_CURRENT_USER, key, ""), QStringLiteral("the default value"));
    QCOMPARE(RegString(HKEY_CURRENT_USER, "SOFTWARE\\quorvel fixture", "NAME"),
             QStringLiteral("replaced by the later file"));
    QCOMPARE(RegString(HKEY_CURRENT_USER, key, "Quoted"), QStringLiteral("say \"hi\" C:\\Temp"));
    QCOMPARE(RegString(HKEY_CURRENT_USER, key, "Empty"), QString());
    QCOMPARE(RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel Fixture", "Root"),
             QStringLiteral("local machine"));
    QCOMPARE(RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Quorvel Fixture", "Root"),
             QStringLiteral("32-bit view"));
    QCOMPARE(RegString(HKEY_CURRENT_USER, key + "\\Gamma\\Deep\\Deeper", "Leaf"),
             QStringLiteral("yes"));

    LONG r = 0;
    RegString(HKEY_CURRENT_USER, "Software\\Quorvel Fixture\\Missing", "x", &r);
    QCOMPARE(r, LONG(ERROR_FILE_NOT_FOUND));
    RegString(HKEY_LOCAL_MACHINE, key, "Name", &r); // the key exists only under the other root
    QCOMPARE(r, LONG(ERROR_FILE_NOT_FOUND));
    RegString(HKEY_CURRENT_USER, key, "Bytes", &r); // removed by the later file
    QCOMPARE(r, LONG(ERROR_FILE_NOT_FOUND));
    RegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Quorvel Gone", "Value", &r);
    QCOMPARE(r, LONG(ERROR_FILE_NOT_FOUND));

    HKEY h = nullptr;
    QCOMPARE(RegOpenKeyExW(HKEY_CURRENT_USER, W(key).c_str(), 0, KEY_WRITE, &h),
             LONG(ERROR_ACCESS_DENIED));
    QCOMPARE(RegOpenKeyExW(HKEY_CURRENT_USER, W(key).c_str(), 0, KEY_READ, &h),
             LONG(ERROR_SUCCESS));
    DWORD type = 0, value = 0, size = sizeof value;
    QCOMPARE(RegQueryValueExW(h, u"Count", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size),
             LONG(ERROR_SUCCESS));
    QCOMPARE(type, REG_DWORD);
    QCOMPARE(value, DWORD(42));
    char16_t tiny[3];
    size = sizeof tiny;
    QCOMPARE(RegQueryValueExW(h, u"Name", nullptr, &type, reinterpret_cast<BYTE*>(tiny), &size),
             LONG(ERROR_MORE_DATA));
    QCOMPARE(size, DWORD((QStringLiteral("replaced by the later file").size() + 1) * 2));

    // Subkeys in name order, whatever their case and the order of the file.
    DWORD count = 0, maxLen = 0;
    QCOMPARE(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &count, &maxLen, nullptr, nullptr,
                              nullptr, nullptr, nullptr, nullptr),
             LONG(ERROR_SUCCESS));
    QStringList names;
    for (DWORD i = 0;; ++i) {
        char16_t name[64];
        DWORD len = 64;
        const LONG e = RegEnumKeyExW(h, i, name, &len, nullptr, nullptr, nullptr, nullptr);
        if (e == LONG(ERROR_NO_MORE_ITEMS))
            break;
        QCOMPARE(e, LONG(ERROR_SUCCESS));
        names << QString::fromUtf16(name, len);
    }
    QCOMPARE(names, QStringList({"Alpha", "beta", "Gamma"}));
    QCOMPARE(count, DWORD(3));
    QCOMPARE(maxLen, DWORD(5));
    QCOMPARE(RegCloseKey(h), LONG(ERROR_SUCCESS));
    QCOMPARE(RegCloseKey(h), LONG(ERROR_INVALID_HANDLE));

    // The hive the build writes registers the built runtime.
    qputenv(PlatformRootVariable, QUORVEL_BUILD_ROOT);
    const QString clients = QStringLiteral(
        "SOFTWARE\\WOW6432Node\\Microsoft\\EdgeUpdate\\Clients\\{F3017226-FE2A-4295-8BDF-"
        "00C3A9A7E4C5}");
    QCOMPARE(RegString(HKEY_LOCAL_MACHINE, clients, "pv"), QStringLiteral("148.0.3967.48"));
    QCOMPARE(RegString(HKEY_CURRENT_USER, clients, "pv", &r), QString());
    QCOMPARE(r, LONG(ERROR_FILE_NOT_FOUND));
}

void TestWinApi::registryRewriteSeen()
{
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/registry")));
    qputenv(PlatformRootVariable, root.path().toLocal8Bit());
    const QString file = root.path() + QStringLiteral("/registry/rewritten.reg");
    // Every write leaves the same time, as a rewrite within the clock's resolution does.
    const QDateTime written = QDateTime::currentDateTimeUtc().addSecs(-60);
    const auto write = [&](const char* aValue) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Rewritten]\n\"V\"=\"") +
                aValue + "\"\n");
        f.flush();
        QVERIFY(f.setFileTime(written, QFileDevice::FileModificationTime));
    };
    write("first");
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Rewritten", "V"), QStringLiteral("first"));
    const qint64 size = QFileInfo(file).size();

    // The same size and the same time.
    write("again");
    QCOMPARE(QFileInfo(file).size(), size);
    QCOMPARE(QFileInfo(file).lastModified(), written);
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Rewritten", "V"), QStringLiteral("again"));

    // Once the file has been left alone for longer than any file system's time resolution,
    // a look at it is no longer a read of it; a rewrite of the same size and time after that is
    // still seen.
    QTest::qWait(2600);
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Rewritten", "V"), QStringLiteral("again"));
    write("third");
    QCOMPARE(QFileInfo(file).size(), size);
    QCOMPARE(QFileInfo(file).lastModified(), written);
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Rewritten", "V"), QStringLiteral("third"));
}

// On a file system whose times do not move with a write (the stamp given by the test), the
// hive is read again while its last change lies within the time resolution before the last
// look, so that a rewrite of the same size is seen; a file left alone longer is not read again.
void TestWinApi::registryStampRule_data()
{
    QTest::addColumn<int>("changedMsBeforeLook");
    QTest::addColumn<bool>("rewriteSeen");
    QTest::newRow("just before the look") << 0 << true;
    QTest::newRow("1.5 s before") << 1500 << true;
    QTest::newRow("3 s before") << 3000 << false;
}

void TestWinApi::registryStampRule()
{
    QFETCH(int, changedMsBeforeLook);
    QFETCH(bool, rewriteSeen);
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.path() + QStringLiteral("/registry")));
    qputenv(PlatformRootVariable, root.path().toLocal8Bit());
    const QString file = root.path() + QStringLiteral("/registry/stamped.reg");
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const qint64 changedNs =
        qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec - qint64(changedMsBeforeLook) * 1'000'000;
    const timespec changed{time_t(changedNs / 1'000'000'000), long(changedNs % 1'000'000'000)};
    const THiveStatHook previous =
        SetHiveStatHook([changed](const char* aPath, struct stat* aStat) {
            const int r = ::stat(aPath, aStat);
            aStat->st_mtim = changed;
            aStat->st_ctim = changed;
            return r;
        });
    const auto restore = qScopeGuard([previous] { SetHiveStatHook(previous); });
    const auto write = [&](const char* aValue) {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Stamped]\n\"V\"=\"") +
                aValue + "\"\n");
    };
    write("first");
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Stamped", "V"), QStringLiteral("first"));
    write("again");
    QCOMPARE(RegString(HKEY_CURRENT_USER, "Software\\Stamped", "V"),
             rewriteSeen ? QStringLiteral("again") : QStringLiteral("first"));
}

void TestWinApi::fileVersions_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("version"); // empty: none
    QTest::addColumn<uint>("error");
    QTest::newRow("loader library")
        << QStringLiteral(QUORVEL_BUILD_ROOT "/WebView2Loader.dll") << "1.0.3967.48" << 0u;
    QTest::newRow("runtime client")
        << QStringLiteral(QUORVEL_BUILD_ROOT
                          "/runtime/148.0.3967.48/EBWebView/x64/EmbeddedBrowserWebView.dll")
        << "148.0.3967.48" << 0u;
    QTest::newRow("browser program")
        << QStringLiteral(QUORVEL_BUILD_ROOT "\\runtime\\148.0.3967.48\\msedgewebview2.exe")
        << "148.0.3967.48" << 0u;
    QTest::newRow("a file without one") << QStringLiteral(QUORVEL_TEST_DATA "/noversion.txt")
                                        << QString() << uint(ERROR_RESOURCE_TYPE_NOT_FOUND);
    QTest::newRow("a library without one")
        << QStringLiteral(QUORVEL_TEST_FIXTURES "/FixtureLib.dll") << QString()
        << uint(ERROR_RESOURCE_TYPE_NOT_FOUND);
    QTest::newRow("missing file") << QStringLiteral(QUORVEL_TEST_DATA "/nothing.dll") << QString()
                                  << uint(ERROR_FILE_NOT_FOUND);
}

void TestWinApi::fileVersions()
{
    QFETCH(QString, file);
    QFETCH(QString, version);
    QFETCH(uint, error);
    quint16 v[4] = {};
    DWORD e = 0;
    const bool ok = FileVersion(file, v, e);
    QCOMPARE(ok, !version.isEmpty());
    if (!ok) {
        QCOMPARE(uint(e), error);
        return;
    }
    QCOMPARE(QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]), version);

    const std::u16string name = W(file);
    DWORD handle = 0;
    QByteArray block(int(GetFileVersionInfoSizeW(name.c_str(), &handle)), '\0');
    QVERIFY(GetFileVersionInfoW(name.c_str(), handle, DWORD(block.size()), block.data()));
    void* p = nullptr;
    UINT len = 0;
    QVERIFY(
        VerQueryValueW(block.constData(), u"\\StringFileInfo\\040904B0\\ProductVersion", &p, &len));
    QCOMPARE(QString::fromUtf16(static_cast<const char16_t*>(p)), version);
    QCOMPARE(len, UINT(version.size() + 1));
    QVERIFY(
        VerQueryValueA(block.constData(), "\\StringFileInfo\\040904b0\\ProductVersion", &p, &len));
    QCOMPARE(QString::fromLatin1(static_cast<const char*>(p)), version);
    QVERIFY(VerQueryValueW(block.constData(), u"\\VarFileInfo\\Translation", &p, &len));
    QCOMPARE(len, UINT(4));
    QVERIFY(!VerQueryValueW(block.constData(), u"\\StringFileInfo\\040904B0\\Nothing", &p, &len));
}

void TestWinApi::windowHandles()
{
    QWidget top;
    top.resize(300, 200);
    auto* a = new QWidget(&top);
    a->setObjectName("a");
    auto* b = new QWidget(&top);
    b->setObjectName("b");
    SetWindowClassName(a, "Fixture_Class");
    b->setWindowTitle("Titled");
    SetWindowClassName(b, "Fixture_Class");
    const HWND ht = WindowHandle(&top), ha = WindowHandle(a), hb = WindowHandle(b);
    QVERIFY(ht && ha && hb && ha != hb);
    QCOMPARE(WindowHandle(a), ha);
    QCOMPARE(WindowFromHandle(hb), b);
    QCOMPARE(GetParent(ha), ht);

    QCOMPARE(GetWindow(ht, GW_CHILD), hb); // the child created last is on top
    QCOMPARE(GetWindow(hb, GW_HWNDNEXT), ha);
    a->raise();
    QCOMPARE(GetWindow(ht, GW_CHILD), ha);

    // Direct children only, by class and title: a null title is any, "" an empty one.
    QCOMPARE(FindWindowExA(ht, nullptr, "fixture_class", nullptr), ha);
    QCOMPARE(FindWindowExA(ht, ha, "Fixture_Class", nullptr), hb);
    QCOMPARE(FindWindowExA(ht, nullptr, "Fixture_Class", "titled"), hb);
    QCOMPARE(FindWindowExA(ht, nullptr, "Fixture_Class", ""), ha);
    QCOMPARE(FindWindowExA(ht, nullptr, "QWidget", nullptr), nullptr);
    char cls[32];
    QCOMPARE(GetClassNameA(ht, cls, 32), 7);
    QCOMPARE(QByteArray(cls), QByteArray("QWidget"));

    QVERIFY(SetWindowPos(hb, HWND_TOP, 10, 20, 30, 40, SWP_NOZORDER));
    QCOMPARE(b->geometry(), QRect(10, 20, 30, 40));
    QVERIFY(SetWindowPos(hb, HWND_TOP, 0, 0, 5, 6, SWP_NOMOVE | SWP_NOZORDER));
    QCOMPARE(b->geometry(), QRect(10, 20, 5, 6));
    RECT rc{};
    QVERIFY(GetClientRect(hb, &rc));
    QCOMPARE(rc.right, LONG(5));

    // A handle whose widget is gone fails cleanly.
    delete a;
    QVERIFY(!IsWindow(ha));
    SetLastError(0);
    QVERIFY(!SetWindowPos(ha, HWND_TOP, 0, 0, 1, 1, 0));
    QCOMPARE(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    QCOMPARE(GetWindow(ha, GW_CHILD), nullptr);
    QCOMPARE(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    QCOMPARE(WindowFromHandle(ha), nullptr);
    QVERIFY(IsWindow(hb));
}

void TestWinApi::subclassMessages()
{
    QWidget top;
    auto* layout = new QVBoxLayout(&top);
    auto* edit = new QLineEdit(&top);
    auto* other = new QLineEdit(&top);
    layout->addWidget(edit);
    layout->addWidget(other);
    top.show();
    QVERIFY(QTest::qWaitForWindowExposed(&top));
    const HWND h = WindowHandle(edit);
    TMessageLog log;
    QVERIFY(SetWindowSubclass(h, RecordingProc, 1, reinterpret_cast<DWORD_PTR>(&log)));

    SetFocus(WindowHandle(other));
    QTRY_VERIFY(other->hasFocus());
    const HWND before = SetFocus(h);
    QCOMPARE(before, WindowHandle(other));
    QTRY_VERIFY(log.Messages.contains(WM_SETFOCUS));
    QVERIFY(edit->hasFocus());

    QTest::keyClicks(edit, "ab");
    QCOMPARE(edit->text(), QStringLiteral("ab"));
    QVERIFY(log.Messages.contains(WM_KEYDOWN) && log.Messages.contains(WM_CHAR));
    log.HandleChar = true; // a handled message keeps the event from the widget
    QTest::keyClicks(edit, "cd");
    QCOMPARE(edit->text(), QStringLiteral("ab"));

    edit->resize(120, 30);
    QVERIFY(log.Messages.contains(WM_SIZE));
    edit->repaint();
    QVERIFY(log.Messages.contains(WM_ERASEBKGND) && log.Messages.contains(WM_PAINT));

    log.Messages.clear();
    delete edit; // WM_DESTROY arrives while the widget still exists
    QVERIFY(log.Messages.contains(WM_DESTROY));
    QVERIFY(log.WindowAliveAtDestroy);
    QVERIFY(!IsWindow(h));
}

void TestWinApi::subclassChain()
{
    QWidget w;
    const HWND h = WindowHandle(&w);
    GOrder.clear();
    QVERIFY(SetWindowSubclass(h, FirstProc, 1, 0));
    QVERIFY(SetWindowSubclass(h, SecondProc, 1, 0));
    QCOMPARE(SendMessageW(h, WM_USER, 0, 0), LRESULT(7)); // newest first, then the older one
    QCOMPARE(GOrder, QList<int>({2, 1}));
    QVERIFY(RemoveWindowSubclass(h, SecondProc, 1));
    QVERIFY(!RemoveWindowSubclass(h, SecondProc, 1));
    GOrder.clear();
    QCOMPARE(SendMessageW(h, WM_USER, 0, 0), LRESULT(0));
    QCOMPARE(GOrder, QList<int>({1}));

    // DestroyWindow: the parent hears WM_DESTROY before its children.
    auto* parent = new QWidget;
    parent->setObjectName("parent");
    auto* child = new QWidget(parent);
    child->setObjectName("child");
    GDestroyed.clear();
    QVERIFY(SetWindowSubclass(WindowHandle(child), DestroyNamingProc, 1, 0));
    QVERIFY(SetWindowSubclass(WindowHandle(parent), DestroyNamingProc, 1, 0));
    QVERIFY(DestroyWindow(WindowHandle(parent)));
    QCOMPARE(GDestroyed, QList<QString>({"parent", "child"}));
}

void TestWinApi::messageBoxSeam()
{
    QString text, caption;
    UINT type = 0;
    SetMessageBoxHook([&](HWND, const QString& t, const QString& c, UINT u) {
        text = t;
        caption = c;
        type = u;
        return IDOK;
    });
    QCOMPARE(MessageBoxW(nullptr, u"line one\r\n<b>two</b>", u"Error",
                         MB_OK | MB_ICONERROR | MB_TOPMOST),
             IDOK);
    SetMessageBoxHook(nullptr);
    QCOMPARE(text, QStringLiteral("line one\r\n<b>two</b>"));
    QCOMPARE(caption, QStringLiteral("Error"));
    QCOMPARE(type, MB_OK | MB_ICONERROR | MB_TOPMOST);
}

void TestWinApi::screenPixelsPerInch()
{
    HDC dc = GetDC(nullptr);
    QVERIFY(dc);
    QCOMPARE(GetDeviceCaps(dc, LOGPIXELSX),
             int(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchX())));
    SetScreenPixelsPerInch(120);
    QCOMPARE(GetDeviceCaps(dc, LOGPIXELSX), 120);
    SetScreenPixelsPerInch(0);
    QCOMPARE(ReleaseDC(nullptr, dc), 1);
    QCOMPARE(ReleaseDC(nullptr, dc), 0);
}

void TestWinApi::environmentAndFolders()
{
    QVERIFY(SetEnvironmentVariableW(u"QUORVEL_TEST_VARIABLE", u"välue"));
    char16_t buf[16];
    QCOMPARE(GetEnvironmentVariableW(u"QUORVEL_TEST_VARIABLE", buf, 16), DWORD(5));
    QCOMPARE(QString::fromUtf16(buf), QStringLiteral("välue"));
    QCOMPARE(GetEnvironmentVariableW(u"QUORVEL_TEST_VARIABLE", buf, 3), DWORD(6));
    QVERIFY(SetEnvironmentVariableW(u"QUORVEL_TEST_VARIABLE", nullptr));
    QCOMPARE(GetEnvironmentVariableW(u"QUORVEL_TEST_VARIABLE", buf, 16), DWORD(0));
    QCOMPARE(GetLastError(), ERROR_ENVVAR_NOT_FOUND);

    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(SetCurrentDirectoryW(W(dir.path()).c_str()));
    char16_t cwd[512];
    QCOMPARE(QString::fromUtf16(cwd, int(GetCurrentDirectoryW(512, cwd))),
             QDir(dir.path()).canonicalPath());
    QVERIFY(!SetCurrentDirectoryW(W(dir.path() + "/missing").c_str()));
    QCOMPARE(GetLastError(), ERROR_FILE_NOT_FOUND);
    QVERIFY(SetCurrentDirectoryW(W(previous).c_str()));
}

void TestWinApi::floatingPointMask()
{
    const unsigned previous = SetExceptionMask(exAllArithmeticExceptions);
    QCOMPARE(GetExceptionMask(), unsigned(exAllArithmeticExceptions));
    volatile double zero = 0.0;
    QVERIFY(std::isinf(1.0 / zero)); // masked: a special value, no trap
    SetExceptionMask(previous);
    QCOMPARE(GetExceptionMask(), previous);
}

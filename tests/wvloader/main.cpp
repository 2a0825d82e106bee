#include "test_wvloader.h"
#include "testmain.h"

#include "platformqt.h"
#include "versionresource.h"
#include "winapi.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <exception>

// The program's application object reports what a handler lets through; this one records it.
class TTestApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* AReceiver, QEvent* AEvent) override
    {
        try {
            return QApplication::notify(AReceiver, AEvent);
        } catch (const std::exception& e) {
            Reported << QString::fromUtf8(e.what());
        }
        return false;
    }
    QStringList Reported;
};

QStringList* GReportedErrors = nullptr;

TBoxRecorder::TBoxRecorder()
{
    SetMessageBoxHook([this](HWND, const QString& text, const QString& caption, UINT type) {
        Texts << text;
        Captions << caption;
        Types << type;
        return IDOK;
    });
}

TBoxRecorder::~TBoxRecorder()
{
    SetMessageBoxHook(nullptr);
}

QString BuildRoot()
{
    return QStringLiteral(QUORVEL_BUILD_ROOT);
}

TPlatformRoot::TPlatformRoot(bool aWithRuntime, const QString& aVersion)
{
    QDir(FDir.path()).mkpath(QStringLiteral("registry"));
    if (aWithRuntime) {
        QFile f(BuildRoot() + QStringLiteral("/registry/runtime.reg"));
        if (f.open(QIODevice::ReadOnly)) {
            QString text = QString::fromUtf8(f.readAll());
            if (!aVersion.isEmpty())
                text.replace(QRegularExpression(QStringLiteral("\"pv\"=\"[^\"]*\"")),
                             QStringLiteral("\"pv\"=\"%1\"").arg(aVersion));
            AddHive(QStringLiteral("runtime.reg"), text);
        }
    }
    qputenv(PlatformRootVariable, FDir.path().toLocal8Bit());
}

TPlatformRoot::~TPlatformRoot()
{
    qunsetenv(PlatformRootVariable);
}

void TPlatformRoot::AddHive(const QString& aName, const QString& aText)
{
    QFile f(FDir.path() + QStringLiteral("/registry/") + aName);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(aText.toUtf8());
}

QString WriteVersionedFile(const QString& aPath, const std::array<std::uint16_t, 4>& aVersion,
                           const QByteArray& aHead)
{
    TVersionResourceInfo info;
    info.FileVersion = aVersion;
    info.ProductVersion = aVersion;
    const QString text = QStringLiteral("%1.%2.%3.%4")
                             .arg(aVersion[0])
                             .arg(aVersion[1])
                             .arg(aVersion[2])
                             .arg(aVersion[3]);
    info.Strings = {{u"ProductVersion", text.toStdU16String()}};
    const std::vector<std::uint8_t> block = BuildVersionResource(info);
    QDir().mkpath(QFileInfo(aPath).absolutePath());
    QFile f(aPath);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        f.write(aHead);
        f.write(QByteArray(16 - aHead.size() % 16, '\0'));
        f.write(reinterpret_cast<const char*>(block.data()), static_cast<qint64>(block.size()));
    }
    return aPath;
}

QByteArray PeHeader(std::uint16_t aMachine)
{
    QByteArray b(64 + 264, '\0');
    b[0] = 'M';
    b[1] = 'Z';
    b[60] = 64;
    b[64] = 'P';
    b[65] = 'E';
    b[68] = static_cast<char>(aMachine & 0xFF);
    b[69] = static_cast<char>(aMachine >> 8);
    return b;
}

bool WaitFor(const std::function<bool()>& aDone, int aMilliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!aDone() && timer.elapsed() < aMilliseconds)
        QTest::qWait(10);
    return aDone();
}

QString Q(const wvstring& s)
{
    return QString::fromStdU16String(s);
}
wvstring W(const QString& s)
{
    return s.toStdU16String();
}

int main(int argc, char** argv)
{
    TTestApplication app(argc, argv);
    GReportedErrors = &app.Reported;
    return ExecTestObjects<TestUtilities, TestOptions, TestDelegates, TestBuiltinLoader,
                           TestLoader>(argc, argv);
}

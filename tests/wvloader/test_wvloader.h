// Tests of the browser runtime loader, the built-in loader, the utility routines, the callback
// delegates and the option objects, against the platform layer's runtime and real files.
#pragma once

#include "wvtypes.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <array>

class TWVLoader;

// Records the message boxes the code under test shows instead of showing them.
class TBoxRecorder
{
public:
    TBoxRecorder();
    ~TBoxRecorder();
    QStringList Texts;
    QStringList Captions;
    QList<UINT> Types;
};

// A folder that stands for the program's folder in the platform layer's lookups: its
// "registry" subfolder holds the hive the code under test reads.
class TPlatformRoot
{
public:
    // With the build's registration of the runtime (pv replaced when given), or empty.
    explicit TPlatformRoot(bool aWithRuntime, const QString& aVersion = QString());
    ~TPlatformRoot();
    void AddHive(const QString& aName, const QString& aText);
    QString Path() const { return FDir.path(); }

private:
    QTemporaryDir FDir;
};

QString BuildRoot();
// A file holding a version block (and, before it, aHead); returns its path.
QString WriteVersionedFile(const QString& aPath, const std::array<std::uint16_t, 4>& aVersion,
                           const QByteArray& aHead = QByteArray());
// A DOS and PE header naming aMachine.
QByteArray PeHeader(std::uint16_t aMachine);
// Runs the event loop until aDone holds or the time is up.
bool WaitFor(const std::function<bool()>& aDone, int aMilliseconds = 15000);
QString Q(const wvstring& s);
wvstring W(const QString& s);

class TestUtilities : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void allocCoTaskMemStr();
    void versionTexts();
    void errorTexts_data();
    void errorTexts();
    void jsonEscape_data();
    void jsonEscape();
    void colorConversion_data();
    void colorConversion();
    void deviceScaleFactor_data();
    void deviceScaleFactor();
    void exceptionPolicy();
    void loggedQueryInterfaceOncePerId();
    void switches_data();
    void switches();
};

class TestOptions : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void environmentOptionStrings();
    void environmentOptionValues();
    void environmentOptionInterfaces();
    void environmentOptionSchemes();
    void allowedOrigins_data();
    void allowedOrigins();
    void setAllowedOrigins();
    void schemeNameAndFlags();
    void controllerOptionsWithoutObject();
    void controllerOptionVersions_data();
    void controllerOptionVersions();
    void controllerOptionValues_data();
    void controllerOptionValues();
};

class TestDelegates : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void withoutTarget();
    void loaderTarget();
    void browserTarget();
    void targetGone();
    void handlerExceptionReported();
    void platformHoldsDelegate();
    void everyForwarder_data();
    void everyForwarder();
    void targetClearedByItsBase();
};

class TestBuiltinLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void compareVersions_data();
    void compareVersions();
    void variableWins();
    void relativeFolder();
    void oldClientSkipped_data();
    void oldClientSkipped();
    void nothingFound();
    void emptyOverrideKeepsFolder();
    void retryReachesCallerOnce_data();
    void retryReachesCallerOnce();
    void successWithoutEnvironment();
};

class TestLoader : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup();
    void defaults();
    void startsWithBuildRuntime();
    void environmentWrapper();
    void noRuntime();
    void uninstallEntryAfterALongName();
    void browserFolderWithoutExecutable();
    void loaderVersions_data();
    void loaderVersions();
    void loaderMachine_data();
    void loaderMachine();
    void currentFolderKeptWhenACheckRaises();
    void libraryLoadFails();
    void exportMissing();
    void creationRefusedAtCall();
    void creationFailsInCompletion();
    void oldRuntime_data();
    void oldRuntime();
    void comInitFails();
    void internalLoader();
    void errorMessageAndGlobal();
};

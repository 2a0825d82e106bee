// The platform layer's tests: the Windows stand-in and the browser runtime.
#pragma once

#include "comhelpers.h"
#include "winapi.h"

#include <QObject>
#include <QTemporaryDir>

class QWidget;

class TestWinApi : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void apartmentsPerThread();
    void guidText();
    void libraryErrors_data();
    void libraryErrors();
    void librarySearchAndExports();
    void registryHive();
    void registryRewriteSeen();
    void registryStampRule_data();
    void registryStampRule();
    void fileVersions_data();
    void fileVersions();
    void windowHandles();
    void subclassMessages();
    void subclassChain();
    void messageBoxSeam();
    void screenPixelsPerInch();
    void environmentAndFolders();
    void floatingPointMask();
};

class TestRuntime : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void loaderExports();
    void environmentRefusedAtTheCall();
    void environmentArrivesLater();
    void oneEngineArguments();
    void controllerWindows();
    void pageMessagesBothWays();
    void scripts();
    void navigationAndDefaults();
    void focusAndVisibility();
    void closedAndGoneHosts();

private:
    HRESULT CreateEnvironment(ICoreWebView2EnvironmentOptions* options,
                              TComPtr<ICoreWebView2Environment>& environment,
                              const QString& folder);
    TComPtr<ICoreWebView2Controller> CreateController(QWidget* host, HRESULT* code = nullptr);

    HMODULE FLoader = nullptr;
    TCreateCoreWebView2EnvironmentWithOptions FCreate = nullptr;
    TComPtr<ICoreWebView2Environment> FEnvironment;
    QTemporaryDir FData;
};

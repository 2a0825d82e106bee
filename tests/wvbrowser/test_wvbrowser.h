// The browser component, its host window and the runtime object owners, against the
// runtime of the platform layer.
#pragma once

#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

// The exceptions the application's top-level handler was given.
QStringList& ReportedErrors();

// Routines that need no runtime: text decoding, zoom steps, key events, routing of the
// component's own execution ids.
class TestRoutines : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void extractEncodedJson_data();
    void extractEncodedJson();
    void zoomSteps_data();
    void zoomSteps();
    void keyEventJson();
    void executionIdsRouted();
    void componentWithoutLoader();
    void removalFaultOfAnyKind_data();
    void removalFaultOfAnyKind();
};

// The component on the real runtime, started through the process-wide loader.
class TestComponent : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void createBeforeLoaderReady();
    void createWithSharedEnvironment();
    void webMessagesBothWays();
    void navigateToStringStopsAtNul();
    void defaultUrlNavigatedAfterCreation();
    void controllerOptionsNotImplemented();
    void parentGoneGivesControllerError();
    void ownEnvironmentWithOtherOptionsFails();
    void everySubscriptionGoneAfterDestruction();
    void browserFreedBeforeCompletion();
    void webViewWrapperSubscriptions();
    void hostSizesBrowser();
    void focusReachesBrowser();
    void compositorWindowsWatched();
    void handlerExceptionReported();
    void shortcutsStopAtFirstRefusal();
    void formMoving();

private:
    QTemporaryDir FData;
};

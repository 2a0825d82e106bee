// What must happen before the QApplication exists.
#include "platformqt.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QWebEngineUrlScheme>

#include <unistd.h>

void PrepareApplicationStart()
{
    static bool done = false;
    if (done || QCoreApplication::instance())
        return;
    done = true;
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QWebEngineUrlScheme scheme(RuntimeStringScheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::NoAccessAllowed);
    QWebEngineUrlScheme::registerScheme(scheme);
    // The engine's start-up report is information for its own developers, not for our users.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.webenginecontext.info=false"));
    // Chromium refuses to run as root with its sandbox on.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

namespace {
// Programs that link the platform layer get the preparation even when their main() does not
// call it (test programs whose QApplication QTest makes).
void PrepareOnLoad()
{
    PrepareApplicationStart();
}
} // namespace
Q_CONSTRUCTOR_FUNCTION(PrepareOnLoad)

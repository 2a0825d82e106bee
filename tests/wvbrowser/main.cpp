#include "test_wvbrowser.h"
#include "testmain.h"

#include <QApplication>

#include <exception>

QStringList& ReportedErrors()
{
    static QStringList errors;
    return errors;
}

namespace {

// The program's top-level error handler, as the application object has it.
class TTestApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& e) {
            ReportedErrors() << QString::fromUtf8(e.what());
        } catch (...) {
            ReportedErrors() << QStringLiteral("unknown");
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv)
{
    TTestApplication app(argc, argv);
    return ExecTestObjects<TestRoutines, TestComponent>(argc, argv);
}

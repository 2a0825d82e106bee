#include "test_platform.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int failed = 0;
    {
        TestWinApi winapi;
        failed += QTest::qExec(&winapi, argc, argv);
    }
    {
        TestRuntime runtime;
        failed += QTest::qExec(&runtime, argc, argv);
    }
    return failed;
}

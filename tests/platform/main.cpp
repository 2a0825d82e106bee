#include "test_platform.h"
#include "testmain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    return ExecTestObjects<TestWinApi, TestRuntime>(argc, argv);
}

// The body of a test program's main: runs each test object in turn, every one built just before
// its run and gone before the next.
#pragma once

#include <QTest>

template <typename T> int ExecTestObject(int argc, char** argv)
{
    T test;
    return QTest::qExec(&test, argc, argv);
}

// The number of test objects whose run failed.
template <typename... Ts> int ExecTestObjects(int argc, char** argv)
{
    int failed = 0;
    ((failed += ExecTestObject<Ts>(argc, argv)), ...);
    return failed;
}

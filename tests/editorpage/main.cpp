#include "editortests.h"

#include <QApplication>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    // Qt WebEngine needs shared OpenGL contexts before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int failed = 0;
    int ran = 0;
    for (auto make : {NewProtocolTest, NewEditingTest, NewStructureTest, NewMarksTest,
                      NewSafetyTest, NewUndoTest}) {
        std::unique_ptr<QObject> test = make();
        // EDITORPAGE_AREA=TMarksTest runs one area only.
        const QByteArray only = qgetenv("EDITORPAGE_AREA");
        if (!only.isEmpty() && only != test->metaObject()->className()) {
            continue;
        }
        ++ran;
        failed += QTest::qExec(test.get(), argc, argv);
    }
    if (ran == 0) {
        // A run of one area that matches none would otherwise pass without a test.
        std::fprintf(stderr, "no test area is named %s\n", qgetenv("EDITORPAGE_AREA").constData());
        return 1;
    }
    return failed == 0 ? 0 : 1;
}

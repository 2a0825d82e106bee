#include "editortests.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv)
{
    // Qt WebEngine needs shared OpenGL contexts before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    int failed = 0;
    for (auto make : {NewProtocolTest, NewEditingTest, NewStructureTest, NewMarksTest,
                      NewSafetyTest, NewUndoTest}) {
        std::unique_ptr<QObject> test = make();
        // EDITORPAGE_AREA=TMarksTest runs one area only.
        const QByteArray only = qgetenv("EDITORPAGE_AREA");
        if (!only.isEmpty() && only != test->metaObject()->className()) {
            continue;
        }
        failed += QTest::qExec(test.get(), argc, argv);
    }
    return failed == 0 ? 0 : 1;
}

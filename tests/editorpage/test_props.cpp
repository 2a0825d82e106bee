// Seeded runs of random ordinary gestures on the editor page, each checked after every step:
// no two elements share an id, each tag keeps one canonical span, no inline element holds a
// block, nothing is loose in the editor's root, the stored body loads back as it is, and no
// annotation span goes unless its text went; undo and redo give back only bodies the user saw,
// undoing every step gives the loaded body and redoing them all the body before.
// EDITORPROPS_SEED ("7", "3,9" or "1-20") replays other seeds, EDITORPROPS_STEPS sets the
// length; a failing seed prints its gestures.
#include "pagefixture.h"
#include "pageprops.h"

#include <QApplication>
#include <QTest>

namespace {

// Seeds checked to pass on today's page (3, 4 and 5 start from the case notes).
const QList<quint32> DefaultSeeds = {2, 3, 4, 5, 6};
const int DefaultSteps = 24;

} // namespace

class TPropsTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TEditorPageFixture> F;

private Q_SLOTS:
    void initTestCase() { F = std::make_unique<TEditorPageFixture>(); }
    void cleanupTestCase() { F.reset(); }

    void gesturesKeepThePageSound_data()
    {
        QTest::addColumn<quint32>("seed");
        for (const quint32 seed : SeedsFromEnvironment("EDITORPROPS_SEED", DefaultSeeds)) {
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed;
        }
    }
    void gesturesKeepThePageSound()
    {
        QFETCH(quint32, seed);
        const int steps = qEnvironmentVariableIsSet("EDITORPROPS_STEPS")
                              ? qEnvironmentVariableIntValue("EDITORPROPS_STEPS")
                              : DefaultSteps;
        const TPropsRun run = RunPageGestures(*F, seed, steps);
        if (qEnvironmentVariableIsSet("EDITORPROPS_VERBOSE")) {
            qInfo("%s", qPrintable(run.Report()));
        }
        QVERIFY2(run.Passed(), qPrintable(run.Report()));
    }
};

int main(int argc, char** argv)
{
    // Qt WebEngine needs shared OpenGL contexts before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TPropsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_props.moc"

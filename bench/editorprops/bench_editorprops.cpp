// Runs the editor page's seeded gesture runs over many seeds (the test program runs a few) and
// prints, for each property that failed, the seeds that broke it and the gestures of the first.
// EDITORPROPS_SEED ("1-100", default 1-20) and EDITORPROPS_STEPS (default 40) choose the runs;
// EDITORPROPS_VERBOSE prints every failing run's gestures.
#include "pagefixture.h"
#include "pageprops.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMap>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QList<quint32> all;
    for (quint32 s = 1; s <= 20; ++s) {
        all << s;
    }
    const QList<quint32> seeds = SeedsFromEnvironment("EDITORPROPS_SEED", all);
    const int steps = qEnvironmentVariableIsSet("EDITORPROPS_STEPS")
                          ? qEnvironmentVariableIntValue("EDITORPROPS_STEPS")
                          : 40;
    const bool verbose = qEnvironmentVariableIsSet("EDITORPROPS_VERBOSE");
    TEditorPageFixture fixture;
    QMap<QString, QList<quint32>> broken;
    QMap<QString, TPropsRun> firstRun;
    QElapsedTimer timer;
    timer.start();
    int passed = 0;
    for (const quint32 seed : seeds) {
        QElapsedTimer one;
        one.start();
        const TPropsRun run = RunPageGestures(fixture, seed, steps);
        std::printf("seed %4u  %-6s %-5s %5.1f s", seed, qPrintable(run.Body),
                    run.Passed() ? "ok" : "FAIL", one.elapsed() / 1000.0);
        for (const TPropsFailure& f : run.Failures) {
            std::printf("  [step %d] %s", f.Step, qPrintable(f.Invariant));
            broken[f.Invariant] << seed;
            if (!firstRun.contains(f.Invariant)) {
                firstRun.insert(f.Invariant, run);
            }
        }
        std::printf("\n");
        if (verbose && !run.Passed()) {
            std::printf("%s\n", qPrintable(run.Report()));
        }
        std::fflush(stdout);
        passed += run.Passed() ? 1 : 0;
    }
    std::printf("\n%d of %lld seeds passed (%d steps each), %.1f s\n", passed,
                static_cast<long long>(seeds.size()), steps, timer.elapsed() / 1000.0);
    for (auto it = broken.begin(); it != broken.end(); ++it) {
        QStringList list;
        for (const quint32 s : it.value()) {
            list << QString::number(s);
        }
        std::printf("\n%s: seeds %s\n", qPrintable(it.key()),
                    qPrintable(list.join(QLatin1Char(' '))));
        if (!verbose) {
            std::printf("%s", qPrintable(firstRun.value(it.key()).Report()));
        }
    }
    return 0;
}

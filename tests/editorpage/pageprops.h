#pragma once

#include <QString>
#include <QStringList>

class TEditorPageFixture;

// The first time one property of the page failed in a run: after which step, and how.
struct TPropsFailure
{
    QString Invariant;
    int Step = 0; // 0: after the load; steps past the gestures are the final undo and redo run
    QString Detail;
    QString Before; // the body before that step, for a replay by hand
};

// One seeded run of random ordinary gestures on the editor page.
struct TPropsRun
{
    quint32 Seed = 0;
    QString Body;         // the name of the body it started from
    QStringList Gestures; // "n. what was done", in order, for a replay by hand
    QList<TPropsFailure> Failures;
    int Undos = 0; // keys pressed in the final undo run
    bool Passed() const { return Failures.isEmpty(); }
    // The failures with the gestures that led to them, for a failing test's message.
    QString Report() const;
};

// Loads one of a few bodies into a freshly loaded page (chosen by the seed), performs ASteps
// gestures with real keys and mouse presses, checks the page's invariants after each, then
// undoes every step and redoes them all. The same seed performs the same gestures.
TPropsRun RunPageGestures(TEditorPageFixture& AFixture, quint32 ASeed, int ASteps);

// The seeds named by the environment variable ("7", "3,9,12" or "1-40"); ADefault when unset.
QList<quint32> SeedsFromEnvironment(const char* AName, const QList<quint32>& ADefault);

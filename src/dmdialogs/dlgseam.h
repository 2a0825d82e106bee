// The one place through which the program shows modal windows (message boxes, file dialogs and
// its own dialogs), opens addresses in the user's browser and reads the screen's pixels per
// inch. Tests script the answers here instead of a human.
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

class QDialog;

// Pixels per inch of the primary screen (logical), or the value a test fixed.
int ScreenPPI();
// Fixes the pixels per inch (tests); 0 returns to the primary screen's.
void SetScreenPPI(int APPI);
// v × APPI div 96, whole-number division.
int ScaleBy(int AValue, int APPI);
// Removes leading and trailing blanks and control characters (every character up to U+0020).
QString TrimText(const QString& AText);

namespace dlgseam {

using TAnswer = std::function<void(QDialog&)>;

// Shows ADialog modally; when answers are queued, the next one is applied to the dialog from
// inside its modal loop. Returns the dialog's result code.
int ExecModal(QDialog& ADialog);

// How many modal windows are open (each inside the one before).
int OpenModalCount();
// Rejects the modal windows open beyond the first ACount, innermost first.
void RejectModalFrom(int ACount);

// For an end of the program that no one may be there to answer for (the system asked for it):
// the modal windows shown now are rejected, and from now on each one is rejected without being
// shown, a message box's text written to stderr instead.
void RefuseModalWindows();

// Queues an answer for the next modal window. An answer that leaves the window open hands it
// to the next queued answer.
void PushAnswer(TAnswer AAnswer);
// While scripted, a modal window that finds no queued answer is rejected and noted, so a test
// never waits for a human.
void SetScripted(bool AOn);
int PendingAnswers();
// Captions (and for message boxes "caption|text") of every modal window shown, in order.
QStringList Shown();
// Windows that found no queued answer while scripted.
QStringList Unanswered();
void Reset();

// Ready-made answers.
TAnswer PressButton(int AStandardButton); // a message box's standard button
TAnswer ChooseFile(const QString& APath); // an open-file or select-folder dialog
TAnswer Accept();
TAnswer Reject();

// Replaces opening an address in the user's browser (tests); empty restores the real one.
void SetOpenUrlHook(std::function<bool(const QUrl&)> AHook);

} // namespace dlgseam

// A plain information box captioned with the application's name.
void ShowMessage(const QString& AText);
// The standard Yes/No question box with the question icon; true only for Yes.
bool AskYesNo(const QString& ACaption, const QString& AText);
// The open-file dialog. AFilter lists pairs "description|patterns" separated by "|", patterns
// separated by ";". Returns the chosen file or "" when cancelled.
QString OpenFileDlg(const QString& ATitle, const QString& AFilter);
// The select-folder dialog; "" when cancelled.
QString SelectFolderDlg(const QString& ATitle);
// The address to open for a link text, read as an address bar reads it (blanks, quotes and
// other characters outside the address grammar are encoded): "https://" is put before a text
// without a scheme or that starts with a host and port; only http and https addresses with a
// host and mailto addresses are returned, any other gives an empty URL.
QUrl OpenableLinkUrl(const QString& AText);
// Opens an address in the user's default browser; false when the platform could not.
bool OpenUrlExternally(const QUrl& AUrl);

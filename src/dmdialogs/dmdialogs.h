// The program's small modal dialogs. Each builds its window in code, shows it modally, copies
// the answer out and frees the window; each returns true only for an accepted, usable answer.
// Sizes are given at 96 pixels per inch and scaled by the primary screen's pixels per inch.
#pragma once

#include "models.h"

#include <QObject>
#include <QString>
#include <vector>

class QFrame;

bool InputDlg(const QString& ACaption, const QString& APrompt, const QString& ADefault,
              QString& AResult);
bool ConfirmDlg(const QString& ACaption, const QString& AMessage);
bool TagEditDlg(const QString& ACaption, QString& AName, QString& AColour);
bool MemoInputDlg(const QString& ACaption, const QString& APrompt, const QString& ADefault,
                  QString& AResult);
bool NotebookPickerDlg(const QString& ACaption, const TNotebookArray& ANotebooks,
                       int64_t ACurrentId, int64_t& ASelectedId);
bool LinkEditDlg(const QString& ACaption, QString& AUrl, QString& ALabel);

// The colour swatches of the tag edit dialog: the chosen one is drawn lowered, the rest raised.
class TSwatchHelper : public QObject
{
public:
    QString SelectedColour;
    std::vector<QFrame*> Swatches;
    void SwatchClick(QObject* ASender);
    void UpdateSwatches();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;
};

// Shared by the tests of the window and its panes: a data folder of its own with an open store,
// and helpers that answer dialogs through the seam.
#pragma once

#include "database.h"
#include "dlgseam.h"
#include "programfolder.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// A temporary program folder with "quorvel.db" opened as AppDB.
struct TTestStore
{
    QTemporaryDir Dir;
    explicit TTestStore(bool AOpen = true)
    {
        SetProgramFolder(Dir.path());
        if (AOpen)
            Open();
    }
    ~TTestStore()
    {
        Close();
        SetProgramFolder(QString());
    }
    void Open() { AppDB = new TDatabase(Dir.path() + QStringLiteral("/quorvel.db")); }
    void Close()
    {
        delete AppDB;
        AppDB = nullptr;
    }
    QString Path(const QString& AName) const { return Dir.path() + u'/' + AName; }
};

// Dialogs are answered only by script; an unexpected one is rejected and noted.
inline void StartScriptedDialogs()
{
    dlgseam::Reset();
    dlgseam::SetScripted(true);
}

// Answers an input-style dialog: types AText into its first line edit, then presses OK.
inline dlgseam::TAnswer TypeAndAccept(const QString& AText)
{
    return [AText](QDialog& ADialog) {
        auto* edit = ADialog.findChild<QLineEdit*>();
        if (edit) {
            edit->selectAll();
            edit->setText(AText);
        }
        if (auto* ok = ADialog.findChild<QPushButton*>(QStringLiteral("acceptButton")))
            ok->click();
        else
            ADialog.accept();
    };
}

// The first button under AParent captioned ACaption, or none.
inline QPushButton* FindButton(QWidget* AParent, const QString& ACaption)
{
    for (QPushButton* b : AParent->findChildren<QPushButton*>())
        if (b->text() == ACaption)
            return b;
    return nullptr;
}

// Every modal window was answered by the script and no answer is left over.
inline void VerifyAllDialogsAnswered()
{
    QVERIFY2(dlgseam::Unanswered().isEmpty(), qPrintable(dlgseam::Unanswered().join(", ")));
    QCOMPARE(dlgseam::PendingAnswers(), 0);
}

inline dlgseam::TAnswer Yes()
{
    return dlgseam::PressButton(QMessageBox::Yes);
}

inline dlgseam::TAnswer No()
{
    return dlgseam::PressButton(QMessageBox::No);
}

// A right click on a list row as the mouse gives it: the press selects the row, then the menu
// is asked for at the same point.
inline void RightClickRow(QListWidget* AList, QListWidgetItem* AItem)
{
    const QPoint at = AList->visualItemRect(AItem).center();
    QTest::mouseClick(AList->viewport(), Qt::RightButton, {}, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, AList->viewport()->mapToGlobal(at));
    QApplication::sendEvent(AList->viewport(), &event);
}

// The command of a menu captioned ACaption, or none.
inline QAction* MenuAction(QMenu* AMenu, const QString& ACaption)
{
    for (QAction* action : AMenu->actions())
        if (action->text() == ACaption)
            return action;
    return nullptr;
}

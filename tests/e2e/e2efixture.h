// The whole program in this process: the browser loader started as at program start, the main
// window on a data folder of its own, and real mouse and key input into the editor page.
#pragma once

#include "../dmdialogs/testsupport.h"
#include "mainform.h"
#include "noteeditor.h"

#include <QTemporaryDir>
#include <QWebEngineView>
#include <memory>

class TProgramFixture
{
public:
    TProgramFixture();
    ~TProgramFixture();

    // Opens the main window on the folder (a new one when AFolder is empty) and waits until
    // the editor page is ready.
    bool Start(const QString& AFolder = QString(), int AReadyTimeoutMs = 20000);
    // Closes the window as the user does and destroys it, then starts it again on the folder.
    bool Restart();
    void Close();

    TMainForm* Form() const { return FForm.get(); }
    TNoteEditor* Editor() const { return FForm->NoteEditor(); }
    QString Folder() const { return FFolder; }
    QWebEngineView* View() const;
    QWidget* Input() const;

    QVariant Js(const QString& AScript, QWebEngineView* AView = nullptr);
    bool WaitJs(const QString& ACondition, int ATimeoutMs = 5000);
    QString EditorHtml() { return Js(QStringLiteral("editor.innerHTML")).toString(); }

    // Shows the note as the user does: its notebook, then its row; waits for its body.
    bool OpenNote(int64_t ANotebookId, int64_t ANoteId);
    void ClickAt(const QPoint& APos);
    void ClickIntoEditor();
    void Type(const QString& AText);
    void Key(Qt::Key AKey, Qt::KeyboardModifiers AMods = Qt::NoModifier);
    // Selects the editor's whole text with the keyboard.
    void SelectAll();
    QPoint CentreOf(const QString& ASelector);

private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString FFolder;
    std::unique_ptr<TMainForm> FForm;
};

bool WaitFor(const std::function<bool()>& ACond, int ATimeoutMs);
// The rows (their first AColumns columns as text) that ASql gives on the database file, read
// straight from the file rather than through the program's store.
QList<QStringList> QueryStoreFile(const QString& APath, const QString& ASql, int AColumns);

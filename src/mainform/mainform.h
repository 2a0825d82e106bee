// The main window: four resizable panes under a menu bar, the window's keys, the layout kept
// in the settings, and the handlers through which the panes reach one another.
#pragma once

#include "models.h"

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QLockFile;
class QPushButton;
class QScreen;
class TAnnotationPane;
class TEmbeddedTagPane;
class TLinksPane;
class TNoteEditor;
class TNoteListPane;
class TNotebookPane;
class TPanel;
class TSplitter;
class TInputHold;

// "—" for 0; otherwise the store's wall-clock time stamp as "d MMM yyyy" in the user's locale.
QString FormatStripDate(int64_t ATimestamp);

class TMainForm : public QMainWindow
{
public:
    explicit TMainForm(QWidget* AOwner = nullptr);
    ~TMainForm() override;
    void setVisible(bool AVisible) override;

    // True when the store could not be opened: the window holds no panes and must not be shown.
    bool StoreFailed() const { return FStoreFailed; }

    void RestoreLayout();
    void SaveLayout();
    void WMDpiChanged();
    // The window's key handler, run before the focused control and the menu; true = consumed.
    bool FormKeyDown(int AKey, Qt::KeyboardModifiers AShift);

    // Pane mediation.
    void OnNotebookSelected(QObject* ASender, int64_t ANotebookId);
    void OnTagSelected(QObject* ASender, int64_t ATagId);
    void OnNoteSelected(QObject* ASender, int64_t ANoteId);
    void OnNoteCreated(QObject* ASender);
    void OnNoteDeleted(QObject* ASender);
    void OnNoteMoved(QObject* ASender);
    void RunSearch();

    // The editor's events and the note panes' editor-bound events.
    void OnNoteSaved(QObject* ASender, int64_t ANoteId);
    void OnTagChanged(QObject* ASender);
    void NoteEditorTagsUpdated(QObject* ASender, const TEditorTagArray& ATags);
    void NoteEditorAnnotationCreated(QObject* ASender, const QString& ASpanId,
                                     const QString& ASnippet, const QString& ABody);
    void OnAnnotationSpanClicked(QObject* ASender, const QString& ASpanId);
    void OnAnnotationsOrphaned(QObject* ASender, int64_t ANoteId);
    void EmbeddedTagPaneAction(const QString& AId, const QString& AColour, const QString& AAction);
    void OnInsertTagRequest(QObject* ASender);
    void AnnotationPaneAction(QObject* ASender, int64_t AAnnotId, const QString& ASpanId,
                              const QString& AAction);
    void OnInsertAnnotationRequest(QObject* ASender);
    // Before a note-list command on a note: the editor's pending edits are saved first, then
    // AProceed runs.
    void OnBeforeNoteCommand(QObject* ASender, int64_t ANoteId, std::function<void()> AProceed);

    // Menu commands.
    void MenuNewNotebook();
    void MenuNewNote();
    void MenuSaveNote();
    void MenuImportNote();
    void MenuImportNotebook();
    void MenuToggleEditView();
    void MenuNewEmbeddedTag();
    void MenuShowAllHighlights();
    void MenuHideAllHighlights();
    void MenuTogglePane1();
    void MenuTogglePane4();
    void MenuAbout();

    TPanel* ClientPanel() const { return FClient; }
    TPanel* Pane1() const { return FPane1; }
    TPanel* Pane2() const { return FPane2; }
    TPanel* Pane3() const { return FPane3; }
    TPanel* Pane4() const { return FPane4; }
    TSplitter* Splitter12() const { return FSplitter12; }
    TSplitter* Splitter23() const { return FSplitter23; }
    TSplitter* Splitter34() const { return FSplitter34; }
    TSplitter* Splitter4A() const { return FSplitter4A; }
    TSplitter* Splitter4B() const { return FSplitter4B; }
    QLineEdit* SearchEdit() const { return FSearchEdit; }
    QPushButton* SearchBtn() const { return FSearchBtn; }
    TNotebookPane* NotebookPane() const { return FNotebookPane; }
    TNoteListPane* NoteListPane() const { return FNoteListPane; }
    TNoteEditor* NoteEditor() const { return FNoteEditor; }
    TEmbeddedTagPane* EmbeddedTagPane() const { return FEmbeddedTagPane; }
    TAnnotationPane* AnnotationPane() const { return FAnnotationPane; }
    TLinksPane* LinksPane() const { return FLinksPane; }
    QLabel* DateLabel() const { return FDateLabel; }
    QString CurrentTagName() const { return FCurrentTagName; }
    int PaneWidth(const QWidget* APane) const;
    // True while a command waits for the page's pending edit; the user's input to the window
    // is held back meanwhile and delivered once the command has run.
    bool WaitingForPage() const { return FWaiting; }
    // How many of the window's handlers began inside an event loop that another of its
    // handlers had started and not left yet; none while they run one at a time.
    int ReentrantHandlers() const { return FReentrantHandlers; }

protected:
    void showEvent(QShowEvent* AEvent) override;
    void resizeEvent(QResizeEvent* AEvent) override;
    void closeEvent(QCloseEvent* AEvent) override;
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void CreateControls();
    void CreateMenu();
    // The first show, once the window has its final size: layout and last selection.
    void FinishFirstShow();
    void FormShow();
    void FormClose();
    void Splitter4AMoved(QObject* ASender);
    void Splitter4BMoved(QObject* ASender);
    bool SearchEditKeyDown(int AKey);
    void CloseNote();
    // Runs ACommand once the page's pending edit has been collected and the open note saved.
    // The wait happens in the event loop, not inside the caller: the caller returns at once,
    // the window's input is held back until the command has run, and commands asked for
    // meanwhile run after it in turn. Without a page the command runs at once.
    // AFromOutside: asked for by something other than the window's input (a close from the
    // window manager), so after all of the input held back so far.
    void AfterPendingEdit(std::function<void()> ACommand, bool AFromOutside = false);
    void EndWait(bool AAnswered);
    // After a wait the page did not answer: what the user is told. A close asks whether to
    // close anyway (false: the window stays); a close the system asked for goes on.
    QString LossText() const;
    // The last wait was not answered and a note is still shown: a command run after the wait
    // may have closed it (deleted or moved), and then nothing typed is left to lose.
    bool LossStands() const;
    void WarnAboutLoss();
    bool CloseDespiteLoss();
    // The editor page's process ended; ALostNote: the note whose typing went with it.
    void EditorPageFailed(int64_t ALostNote);
    void TellLostTyping();
    static QString LostTypingText(const QStringList& ANotes);
    // The page shows the note it was sent: the input held meanwhile is delivered.
    void DeliverAfterLoad();
    struct TWaitingCommand
    {
        std::function<void()> Command;
        bool AfterInput; // asked for after input that was held back
    };
    void DeliverHeldInput(int64_t ARun);
    // The window's handlers run inside these: they count nesting, and the note list and tag
    // list are rebuilt only once no handler and no wait is in progress.
    template <typename F> auto Handler(F AHandler);
    template <typename F> decltype(auto) AsHandler(F&& AHandler);
    void EnterHandler();
    void LeaveHandler();
    void RefreshListsWhenIdle();
    void RefreshPendingLists();
    void WatchScreen(QScreen* AScreen);
    int ClientWidth() const;
    int ClientHeight() const;

    QLineEdit* FSearchEdit = nullptr;
    QPushButton* FSearchBtn = nullptr;
    TPanel* FSearchPanel = nullptr;
    TPanel* FPane1 = nullptr;
    TPanel* FPane2 = nullptr;
    TPanel* FPane3 = nullptr;
    TPanel* FPane4 = nullptr;
    TSplitter* FSplitter12 = nullptr;
    TSplitter* FSplitter23 = nullptr;
    TSplitter* FSplitter34 = nullptr;
    TNotebookPane* FNotebookPane = nullptr;
    TNoteListPane* FNoteListPane = nullptr;
    TNoteEditor* FNoteEditor = nullptr;
    TEmbeddedTagPane* FEmbeddedTagPane = nullptr;
    TAnnotationPane* FAnnotationPane = nullptr;
    TLinksPane* FLinksPane = nullptr;
    TSplitter* FSplitter4A = nullptr;
    TSplitter* FSplitter4B = nullptr;
    TPanel* FDateStrip = nullptr;
    QLabel* FDateLabel = nullptr;
    QString FCurrentTagName;

    TPanel* FClient = nullptr;
    bool FStoreFailed = false;
    enum TFirstShow
    {
        fsNotShown,
        fsShowing,
        fsAwaitingMaximise,
        fsDone
    };
    TFirstShow FFirstShow = fsNotShown;
    QSize FNormalSize;
    TInputHold* FInputHold = nullptr;
    // The wait for the page's pending edit, and the commands that run when it ends.
    bool FWaiting = false;
    // Whether the page answered the wait that ended last, and whether the user was told that
    // it did not.
    bool FWaitAnswered = true;
    bool FLossReported = false;
    QString FLossText;
    // The note whose typing the loss concerns, and whether the wait began with the page
    // already not waited for.
    int64_t FLossNoteId = 0;
    bool FWaitFoundPageUnresponsive = false;
    bool FEndedWithLoss = false;
    // Typing that went with the page's process: the user is told once when it happens (of the
    // note it was typed in), and a close asks about it (of every such note, in their order) for
    // as long as the window is open.
    QString FLostTypingText;
    bool FLostTypingTold = false;
    std::vector<std::pair<int64_t, QString>> FLostNotes; // note, and how the user is told of it
    // Holds the input during a wait and the page's input until it shows the note it was sent.
    TInputHold* FWaitHold = nullptr;
    std::deque<TWaitingCommand> FAfterWait;
    // The commands that run once the held input has been delivered.
    std::deque<TWaitingCommand> FAfterDelivery;
    // From the end of a wait until its held input has been delivered.
    bool FDeliveringHeld = false;
    int64_t FDeliveryRun = 0;
    // The editor's load count when the last held event was delivered.
    int64_t FDeliveredLoads = 0;
    // The page's input that held keys were delivered to and that has not confirmed them yet.
    QPointer<QObject> FPageKeysTarget;
    // A wait, the delivery after it, or input held back.
    bool WaitInProgress() const;
    bool FCloseRequested = false;
    bool FClosing = false;
    // The event-loop level at which each handler in progress began, outermost first.
    std::vector<int> FHandlerLoopLevels;
    int FReentrantHandlers = 0;
    bool FRefreshNotes = false;
    bool FRefreshTags = false;
    bool FRefreshQueued = false;
    // Held from before the store opens until after it is closed.
    std::unique_ptr<QLockFile> FLock;
    QScreen* FWatchedScreen = nullptr;
    double FLastDpi = 0;
};

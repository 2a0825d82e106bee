// The note editor in the centre of the main window: title, save status, a collapsible summary,
// the editor page in a browser control, and a bottom bar with the note's attachments and tag
// strip. It loads a note from the store, keeps the body the page reports, and saves title,
// summary and body 2000 ms after the last change.
#pragma once

#include "controls.h"
#include "models.h"
#include "notetagstrip.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

class QJsonObject;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class TAttachmentPane;
class TWVBrowser;
class TWVWindowParent;

using TNoteSavedEvent = std::function<void(QObject* ASender, int64_t ANoteId)>;
using TTagsUpdatedEvent = std::function<void(QObject* ASender, const TEditorTagArray& ATags)>;
using TAnnotationCreatedEvent = std::function<void(QObject* ASender, const QString& ASpanId,
                                                   const QString& ASnippet, const QString& ABody)>;
using TAnnotationSpanClickedEvent = std::function<void(QObject* ASender, const QString& ASpanId)>;
using TAnnotationsOrphanedEvent = std::function<void(QObject* ASender, int64_t ANoteId)>;

// The inner text of a JSON string literal for AText (UTF-8 bytes, control bytes escaped).
QByteArray JSONEscapeStr(const QByteArray& AText);
QString JSONEscapeStr(const QString& AText);
// Adds the id of every annotation span (id="ann_...") of the markup to AList, in order.
void ExtractAnnotSpanIds(const QString& AHTML, TStringArray& AList);

// The editor unit's start and finish of the process-wide browser loader: created before the
// main window with its data folder "WV2Cache" beside the executable, freed after the window.
void StartEditorBrowserLoader();
void FinishEditorBrowserLoader();

class TNoteEditor : public TPanel
{
public:
    explicit TNoteEditor(QWidget* AOwner = nullptr);
    ~TNoteEditor() override;

    void LoadNote(int64_t ANoteId);
    void SaveIfDirty();
    void Clear();
    void HandleTagAction(const QString& AId, const QString& AColour, const QString& AAction);
    void HandleAnnotationAction(const QString& ASpanId, const QString& AAction);
    void OpenTagModal();
    void OpenAnnotModal();
    void ToggleEditView();
    int64_t NoteId() const { return FNoteId; }
    // Counts the contents sent to the page (notes shown, the editor emptied).
    int64_t LoadCount() const { return FLoadSeq; }

    // Asks the page for the edit it has not reported yet (also from its source view). Once the
    // page has answered, or the editor has stopped waiting for it (see PageAnswerTimeout), the
    // open note is saved if it changed and AThen runs with whether the page answered, from the
    // event loop and never inside this call; meanwhile the autosave waits and the save status
    // reads "Saving…". Without a page nothing is held back: the save and AThen(true) happen at
    // once. A page being started in place of one whose process ended is waited for.
    void RequestPendingEdit(std::function<void(bool AAnswered)> AThen = nullptr);
    // True from a request until the page has answered it or the editor stopped waiting.
    bool AwaitingPage() const { return !FFlushRequests.empty(); }
    // The editor waits for the page's answers (to a request, a marker key, a load) as long as
    // the page's process lives and sends something at least this often: 10 s. It stops waiting
    // when the process has gone or has sent nothing for that long, and until the page is heard
    // from again its answers are not waited for.
    int PageAnswerTimeout() const { return FAnswerTimeoutMs; }
    void SetPageAnswerTimeout(int AMs);
    // True while the editor does not wait for the page: its process has gone (and no page is
    // starting in its place), or it has not answered in time and sent nothing since.
    bool PageUnresponsive() const { return (FPageGone && !FRestarting) || FPageSilent; }
    // From the end of the page's process until a page is heard from again.
    bool PageGone() const { return FPageGone; }
    // From the start of a page in place of one whose process ended until it is ready. The
    // requests for the pending edit, the loads and the input to the page wait for it meanwhile.
    bool Restarting() const { return FRestarting; }
    // The note whose change the page has announced and not yet reported (0: none): what the
    // page would take with it, should its process end now.
    int64_t UnreportedNote() const { return FUnreportedNote; }
    // True from a "load" sent until the page confirms that it shows that content (or the editor
    // stopped waiting). Input to the page given meanwhile would reach the content shown before.
    bool AwaitingLoad() const { return FShownLoad < FLoadSeq || FRestarting; }
    // True for the page's own input widgets.
    bool IsPageInput(const QObject* AObject) const;
    // The widget that takes the page's input now (the browser gives a page started again a
    // new one); none before the browser is up.
    QWidget* PageInput() const;
    // Sends the page a marker key through AInput after the input posted to it so far, and runs
    // AThen from the event loop once the page has read the marker (so also every key before
    // it), or once the editor stopped waiting for the page.
    void AfterPageReadInput(QObject* AInput, std::function<void()> AThen);

    TNoteSavedEvent OnNoteSaved;
    TTagChangeEvent OnTagChanged;
    TTagsUpdatedEvent OnTagsUpdated;
    TAnnotationCreatedEvent OnAnnotationCreated;
    TAnnotationSpanClickedEvent OnAnnotationSpanClicked;
    TAnnotationsOrphanedEvent OnAnnotationsOrphaned;
    // Records deleted by a save and stored again because a report brought their spans back.
    TAnnotationsOrphanedEvent OnAnnotationsRestored;
    // The page shows the content of the latest "load" (or the editor stopped waiting for it).
    std::function<void(QObject* ASender)> OnLoadShown;
    // The page's process has ended. What the page had reported is saved, and a new page is
    // started with the open note where the user was in it (not for a page that ended before it
    // came up). ALostNote: the note whose change the page had not reported, which went with it
    // (0: nothing was lost). The waits for the page end with it, as answered when nothing was
    // lost.
    std::function<void(QObject* ASender, int64_t ALostNote)> OnPageFailed;

    // Read access for the window and the tests.
    bool Dirty() const { return FDirty; }
    bool Ready() const { return FReady; }
    bool EditMode() const { return FEditMode; }
    QString CurrentHTML() const { return FCurrentHTML; }
    QString SaveStatus() const;
    QLineEdit* TitleEdit() const { return FTitleEdit; }
    QPlainTextEdit* SummaryMemo() const { return FSummaryMemo; }
    QPushButton* SummaryToggle() const { return FSummaryToggle; }
    TPanel* SummaryPanel() const { return FSummaryPanel; }
    TPanel* SummaryGrip() const { return FSummaryGrip; }
    TPanel* BottomBar() const { return FBottomBar; }
    TPanel* GripPanel() const { return FGripPanel; }
    TNoteTagStrip* TagStrip() const { return FTagStrip; }
    TAttachmentPane* AttachPane() const { return FAttachPane; }
    TWVBrowser* Browser() const { return FWVBrowser; }
    TWVWindowParent* BrowserHost() const { return FWVWinParent; }
    QTimer* SaveTimer() const { return FSaveTimer; }

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    friend class TNoteEditorTestAccess;

    // AAtPlace: the note is shown where the user was in it (a page started again).
    void DoLoadNote(int64_t ANoteId, bool AAtPlace = false);
    void SaveNow();
    void MarkDirty();
    void SetSaveStatus(const QString& AText);
    void SendToJS(const QString& AJsonStr);
    void HandleJSMessage(const QString& AJsonStr);
    QString SummaryCaption(bool AExpanded) const;
    void CollapseSummary();
    void InitTimerTick();
    void SaveTimerTick();
    void WVFocusTimerTick();
    void WVAfterCreated();
    void TitleChange();
    void SummaryChange();
    void ToggleSummary();
    void TagStripChanged();
    void LayoutToolbar();
    void SetTitleLocked(bool ALocked);
    // A report of an earlier load: saved into the note it was typed in, never another one.
    void SaveLateReport(int64_t ANoteId, const QString& AHTML);
    void ReportContentChanged(const QJsonObject& AMsg);
    int64_t NoteOfLoad(const QJsonObject& AMsg, bool& ACurrent) const;

    // The browser control (created in the constructor, started by the poll).
    void CreateBrowserControls();
    // Shows the page from the program's resource (again after its process ended); false when
    // the browser cannot.
    bool StartPage();
    void PostToPage(const QString& AJsonStr);
    void FocusBrowserHost();

    TPanel* FToolbar = nullptr;
    QLineEdit* FTitleEdit = nullptr;
    QLabel* FSaveStatus = nullptr;
    TPanel* FSummaryPanel = nullptr;
    QPlainTextEdit* FSummaryMemo = nullptr;
    QPushButton* FSummaryToggle = nullptr;
    TPanel* FSummaryGrip = nullptr;
    bool FSummaryExpand = false;
    bool FSummaryDragging = false;
    int32_t FSummaryStartY = 0, FSummaryStartH = 0;
    TWVBrowser* FWVBrowser = nullptr;
    TWVWindowParent* FWVWinParent = nullptr;
    QTimer* FInitTimer = nullptr;
    TNoteTagStrip* FTagStrip = nullptr;
    TAttachmentPane* FAttachPane = nullptr;
    TPanel* FBottomBar = nullptr;
    TPanel* FGripPanel = nullptr;
    bool FGripDragging = false;
    int32_t FGripStartY = 0, FGripStartH = 0;
    QTimer* FSaveTimer = nullptr;
    QTimer* FWVFocusTimer = nullptr;
    bool FDirty = false;
    bool FLoading = false;
    bool FReady = false;
    bool FEditMode = false;
    int64_t FNoteId = 0;
    int64_t FPendingNoteId = 0;
    QString FCurrentHTML;

    // Every "load" sent carries a number; the page's reports name the load they belong to.
    int64_t FLoadSeq = 0;
    std::map<int64_t, int64_t> FLoadNotes; // load number -> note shown by it
    int64_t FFlushToken = 0;
    struct TFlushRequest
    {
        int64_t Token;
        std::function<void(bool)> Then;
    };
    std::vector<TFlushRequest> FFlushRequests; // oldest first
    int64_t FInputMarkToken = 0;
    struct TInputMark
    {
        int64_t Token;
        std::function<void()> Then;
    };
    std::vector<TInputMark> FInputMarks; // oldest first
    void FinishInputMark(int64_t AToken);
    // Ends the requests up to AToken: saves the open note if it changed, then queues their
    // continuations.
    void FinishFlush(int64_t AToken, bool AAnswered);
    // The last load the page confirmed (or that is no longer waited for).
    int64_t FShownLoad = 0;
    void FinishLoad(int64_t ASeq);
    // The wait for the page's answers: runs while one is awaited, restarted by every message.
    QTimer* FAnswerTimer = nullptr;
    int FAnswerTimeoutMs = 10000;
    bool FPageGone = false;
    bool FPageSilent = false;
    bool FStoppingWait = false;
    bool AwaitingAnswer() const
    {
        return !FFlushRequests.empty() || !FInputMarks.empty() || AwaitingLoad();
    }
    void WatchForAnswer();
    // A running wait starts over.
    void ExtendAnswerWait();
    void PageHeardFrom();
    // Ends every wait for the page: its process has gone, or it has not answered in time.
    // AAnswered: a page whose process ended with nothing unreported.
    void StopWaitingForPage(bool AAnswered = false);
    void PageProcessFailed();
    // The note whose change the page last said it had not reported, and where the user was in
    // the note shown when the page last said whether it had one.
    int64_t FUnreportedNote = 0;
    struct TPlace
    {
        int64_t NoteId = 0;
        QString Scroll, Block, Caret;
    };
    TPlace FPlace;
    bool FRestarting = false;
    // From that start until the new page is ready: it shows the note where the user was, and
    // takes the keyboard focus if the page before had it when its process ended.
    bool FStartedAgain = false;
    bool FRefocus = false;
    // The save status once the new page shows the note, unless the user changed it meanwhile.
    QString FStatusAfterRestart;
    bool PageHasFocus() const;
    void NotifyLoadShown();
    // The save status without the wait's "Saving…".
    QString FStatusText;
    void ShowSaveStatus();
    // Annotation records a save deleted for the open note because their spans had left its
    // body; a later report that brings a span back stores its record again.
    TAnnotationArray FRemovedAnnotations;
    void RestoreAnnotations(int64_t ANoteId, const QString& AHTML);
    bool WasRemovedAnnotation(const QString& ASpanId) const;
    // Tests see the page's messages here instead of a browser, and the page started again.
    std::function<void(const QString&)> FPostHook;
    std::function<void()> FStartHook;
};

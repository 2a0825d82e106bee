#include "mainform.h"

#include "aboutbox.h"
#include "annotationpane.h"
#include "application.h"
#include "controls.h"
#include "database.h"
#include "dlgseam.h"
#include "embeddedtagpane.h"
#include "guarded.h"
#include "importer.h"
#include "linkspane.h"
#include "notebookpane.h"
#include "noteeditor.h"
#include "notelistpane.h"
#include "programfolder.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QLockFile>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QThread>
#include <QTimeZone>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <concepts>
#include <cstdio>
#include <exception>

namespace {

// How long the first show waits for the window manager to maximise the window.
const int MaximiseWaitMs = 1000;
// The program's status when it was asked to end and typing may not have been saved.
const int EndedWithLossExitCode = 2;

} // namespace

// Keeps the user's input away from one window while it lives. Swallowed, or, with AKeep, held
// back and delivered again in its order, one event at a time, by DeliverNext. With AHolds only
// the input for which it answers true is held; once some is held, all that follows is held too.
class TInputHold : public QObject
{
public:
    TInputHold(QWidget* AWindow, bool AKeep,
               std::function<bool(const QObject* AReceiver)> AHolds = nullptr)
        : QObject(AWindow), FWindow(AWindow), FKeep(AKeep), FHolds(std::move(AHolds))
    {
        qApp->installEventFilter(this);
    }
    ~TInputHold() override { qApp->removeEventFilter(this); }

    // True while some input is held back.
    bool Holding() const { return !FHeld.empty(); }
    // Posts the oldest held event to its receiver (none when that has gone) and returns the
    // receiver. Until StopDelivery, what the toolkit sends on its own passes, and only the
    // user's new input is held, behind the rest.
    QObject* DeliverNext(bool& AKey)
    {
        FDelivering = true;
        THeld held = std::move(FHeld.front());
        FHeld.pop_front();
        std::unique_ptr<QEvent>& event = held.Event;
        AKey = event->type() == QEvent::KeyPress || event->type() == QEvent::InputMethod;
        QObject* target = held.Target;
        if (held.Follows)
            if (QObject* now = FFollowed())
                target = now;
        if (!target)
            return nullptr;
        QCoreApplication::postEvent(target, event.release());
        return target;
    }
    void StopDelivery() { FDelivering = false; }
    // The receiver of the oldest held event.
    const QObject* NextTarget() const
    {
        return FHeld.empty() ? nullptr : FHeld.front().Target.data();
    }
    // Input held for a receiver for which AFollows answers true goes to the one that ANow gives
    // when it is delivered, if any (the page's input widget, which a page started again
    // replaces).
    void FollowReceiver(std::function<bool(const QObject*)> AFollows,
                        std::function<QObject*()> ANow)
    {
        FFollows = std::move(AFollows);
        FFollowed = std::move(ANow);
    }

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override
    {
        switch (AEvent->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::InputMethod:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu: {
            const auto* widget = qobject_cast<QWidget*>(AWatched);
            if (!widget || widget->window() != FWindow)
                return false;
            if (!FKeep)
                return true;
            if (FDelivering && !AEvent->spontaneous())
                return false;
            if (FHeld.empty() && FHolds && !FHolds(AWatched))
                return false;
            if (AEvent->type() == QEvent::ShortcutOverride) {
                // Taken by the focused control, so that no shortcut acts now; the key itself
                // follows and is held.
                AEvent->accept();
                return true;
            }
            FHeld.push_back({AWatched, std::unique_ptr<QEvent>(AEvent->clone()),
                             FFollows && FFollows(AWatched)});
            return true;
        }
        default:
            return false;
        }
    }

private:
    QWidget* FWindow;
    bool FKeep;
    std::function<bool(const QObject*)> FHolds;
    bool FDelivering = false;
    std::function<bool(const QObject*)> FFollows;
    std::function<QObject*()> FFollowed;
    struct THeld
    {
        QPointer<QObject> Target;
        std::unique_ptr<QEvent> Event;
        bool Follows;
    };
    std::deque<THeld> FHeld;
};

template <typename F> decltype(auto) TMainForm::AsHandler(F&& AHandler)
{
    EnterHandler();
    auto leave = qScopeGuard([this] { LeaveHandler(); });
    return std::forward<F>(AHandler)();
}

template <typename F> auto TMainForm::Handler(F AHandler)
{
    return [ this, handler = std::move(AHandler) ]<typename... A>(
        A && ... AArgs) requires std::invocable<const F&, A...>
    {
        AsHandler([&] { handler(std::forward<A>(AArgs)...); });
    };
}

QString FormatStripDate(int64_t ATimestamp)
{
    if (ATimestamp == 0)
        return QStringLiteral("\u2014");
    const QDate date = QDateTime::fromSecsSinceEpoch(ATimestamp, QTimeZone::utc()).date();
    return QLocale().toString(date, QStringLiteral("d MMM yyyy"));
}

TMainForm::TMainForm(QWidget* AOwner) : QMainWindow(AOwner)
{
    setWindowTitle(QStringLiteral("Quorvel"));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        // Restored from maximised, the window stands centred on the desktop.
        const QRect area = screen->availableGeometry();
        resize(area.size() * 3 / 4);
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
    FNormalSize = size();
    setWindowState(Qt::WindowMaximized);

    const QString path = ProgramFolder() + QStringLiteral("/quorvel.db");
    // One program per database: a lock file beside it, taken before the store is opened. The
    // system drops its lock when the holder ends, however it ends, so a crashed program's file
    // is found stale and taken over.
    FLock = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    FLock->setStaleLockTime(0);
    if (!FLock->tryLock(0)) {
        if (FLock->error() == QLockFile::LockFailedError) {
            FStoreFailed = true;
            FLock.reset();
            ShowMessage(QStringLiteral("The database is already open in another Quorvel "
                                       "window:\r\n") +
                        QDir::toNativeSeparators(path));
            return;
        }
        // A folder where no lock can be made: the store reports what it finds there.
        FLock.reset();
    }
    try {
        AppDB = new TDatabase(path);
    } catch (const std::exception& e) {
        FStoreFailed = true;
        ShowMessage(QStringLiteral("Cannot open database: ") + QString::fromUtf8(e.what()) +
                    QStringLiteral("\r\nMake sure libsqlite3.so.0 (64-bit) is in the same "
                                   "folder as quorvel.\r\nDownload from: "
                                   "https://www.sqlite.org/download.html  (or install the system's "
                                   "SQLite package, libsqlite3-0)"));
        return;
    }
    // Key preview: the window's key handler sees each key before the focused control.
    qApp->installEventFilter(this);
    CreateControls();
    CreateMenu();
    // Installed after the window's key preview and the panes' filters, so it sees the input
    // first. It holds all of it during a wait, and the editor page's input while the page has
    // not yet shown the content it was sent (the input would reach the note shown before).
    FWaitHold = new TInputHold(this, true, [this](const QObject* AReceiver) {
        return WaitInProgress() ||
               (FNoteEditor->AwaitingLoad() && FNoteEditor->IsPageInput(AReceiver));
    });
    FWaitHold->FollowReceiver(
        [this](const QObject* AReceiver) { return FNoteEditor->IsPageInput(AReceiver); },
        [this]() -> QObject* { return FNoteEditor->PageInput(); });
    FNoteEditor->OnLoadShown = Handler([this](QObject*) { DeliverAfterLoad(); });
    FNotebookPane->RefreshNotebooks();
    FNotebookPane->RefreshTags();
}

TMainForm::~TMainForm()
{
    // The hold's filter asks the editor: it goes first, before the editor is freed with the
    // window's other children.
    delete FWaitHold;
    FWaitHold = nullptr;
    if (!FStoreFailed) {
        try {
            FNoteEditor->SaveIfDirty();
            SaveLayout();
        } catch (const std::exception&) {
            // Nothing can report it any more; the store is closed below either way.
        }
    }
    delete AppDB;
    AppDB = nullptr;
    FLock.reset();
}

void TMainForm::CreateControls()
{
    FClient = new TPanel(this);
    setCentralWidget(FClient);

    FPane4 = new TPanel(FClient);
    FSplitter34 = new TSplitter(FClient, FPane4, alRight);
    FPane3 = new TPanel(FClient);
    FPane1 = new TPanel(FClient);
    FSearchPanel = new TPanel(FPane1);
    FSearchEdit = new QLineEdit(FSearchPanel);
    FSearchEdit->setPlaceholderText(QStringLiteral("Search\u2026"));
    FSearchEdit->installEventFilter(this);
    FSearchBtn = new QPushButton(QStringLiteral("\u2315"), FSearchPanel);
    connect(FSearchBtn, &QPushButton::clicked, this, Guarded(Handler([this] { RunSearch(); })));
    FSearchPanel->AddAligned(FSearchBtn, alRight, 34);
    FSearchPanel->AddAligned(FSearchEdit, alClient);
    FPane1->AddAligned(FSearchPanel, alTop, 34);
    FNotebookPane = new TNotebookPane(FPane1);
    FNotebookPane->OnNotebookSelected =
        Handler([this](QObject* ASender, int64_t AId) { OnNotebookSelected(ASender, AId); });
    FNotebookPane->OnTagSelected =
        Handler([this](QObject* ASender, int64_t AId) { OnTagSelected(ASender, AId); });
    FPane1->AddAligned(FNotebookPane, alClient);
    FSplitter12 = new TSplitter(FClient, FPane1, alLeft);
    FPane2 = new TPanel(FClient);
    FNoteListPane = new TNoteListPane(FPane2);
    FNoteListPane->OnNoteSelected =
        Handler([this](QObject* ASender, int64_t AId) { OnNoteSelected(ASender, AId); });
    FNoteListPane->OnNoteCreated = Handler([this](QObject* ASender) { OnNoteCreated(ASender); });
    FNoteListPane->OnNoteDeleted = Handler([this](QObject* ASender) { OnNoteDeleted(ASender); });
    FNoteListPane->OnNoteMoved = Handler([this](QObject* ASender) { OnNoteMoved(ASender); });
    FNoteListPane->OnBeforeNoteCommand =
        Handler([this](QObject* ASender, int64_t AId, std::function<void()> AProceed) {
            OnBeforeNoteCommand(ASender, AId, std::move(AProceed));
        });
    FPane2->AddAligned(FNoteListPane, alClient);
    FSplitter23 = new TSplitter(FClient, FPane2, alLeft);
    FNoteEditor = new TNoteEditor(FPane3);
    FPane3->AddAligned(FNoteEditor, alClient);
    FNoteEditor->OnNoteSaved =
        Handler([this](QObject* ASender, int64_t AId) { OnNoteSaved(ASender, AId); });
    FNoteEditor->OnTagChanged = Handler([this](QObject* ASender) { OnTagChanged(ASender); });
    FNoteEditor->OnTagsUpdated = Handler([this](QObject* ASender, const TEditorTagArray& ATags) {
        NoteEditorTagsUpdated(ASender, ATags);
    });
    FNoteEditor->OnAnnotationCreated =
        Handler([this](QObject* ASender, const QString& ASpanId, const QString& ASnippet,
                       const QString& ABody) {
            NoteEditorAnnotationCreated(ASender, ASpanId, ASnippet, ABody);
        });
    FNoteEditor->OnAnnotationSpanClicked =
        Handler([this](QObject* ASender, const QString& ASpanId) {
            OnAnnotationSpanClicked(ASender, ASpanId);
        });
    FNoteEditor->OnAnnotationsOrphaned =
        Handler([this](QObject* ASender, int64_t AId) { OnAnnotationsOrphaned(ASender, AId); });
    FNoteEditor->OnAnnotationsRestored =
        Handler([this](QObject* ASender, int64_t AId) { OnAnnotationsOrphaned(ASender, AId); });
    FNoteEditor->OnPageFailed =
        Handler([this](QObject*, int64_t ALostNote) { EditorPageFailed(ALostNote); });

    FDateStrip = new TPanel(FPane4);
    FDateStrip->SetColor(QColor(232, 232, 232));
    // At the pane's default width the two dates stand one above the other.
    FDateLabel = new TFitLabel(QStringLiteral("   \u00B7   "), FDateStrip);
    FDateLabel->setAlignment(Qt::AlignCenter);
    QFont small = FDateLabel->font();
    small.setPointSize(7);
    FDateLabel->setFont(small);
    SetTextColour(FDateLabel, QColor(102, 102, 102));
    FDateStrip->AddAligned(FDateLabel, alClient);
    FLinksPane = new TLinksPane(FPane4);
    FAnnotationPane = new TAnnotationPane(FPane4);
    FSplitter4B = new TSplitter(FPane4, FAnnotationPane, alTop);
    FSplitter4B->OnMoved = Handler([this](QObject* ASender) { Splitter4BMoved(ASender); });
    FEmbeddedTagPane = new TEmbeddedTagPane(FPane4);
    FSplitter4A = new TSplitter(FPane4, FEmbeddedTagPane, alTop);
    FSplitter4A->OnMoved = Handler([this](QObject* ASender) { Splitter4AMoved(ASender); });
    FAnnotationPane->OnAnnotAction = Handler(
        [this](QObject* ASender, int64_t AId, const QString& ASpanId, const QString& AAction) {
            AnnotationPaneAction(ASender, AId, ASpanId, AAction);
        });
    FAnnotationPane->OnInsertAnnotationRequest =
        Handler([this](QObject* ASender) { OnInsertAnnotationRequest(ASender); });
    FEmbeddedTagPane->OnTagAction =
        Handler([this](const QString& AId, const QString& AColour, const QString& AAction) {
            EmbeddedTagPaneAction(AId, AColour, AAction);
        });
    FEmbeddedTagPane->OnInsertTagRequest =
        Handler([this](QObject* ASender) { OnInsertTagRequest(ASender); });
    FCurrentTagName.clear();

    // Placed in visual order: left-aligned from the left edge, right-aligned from the right.
    FClient->AddAligned(FPane1, alLeft, 200);
    FClient->AddAligned(FSplitter12, alLeft, 5);
    FClient->AddAligned(FPane2, alLeft, 200);
    FClient->AddAligned(FSplitter23, alLeft, 5);
    FClient->AddAligned(FPane4, alRight, 200);
    FClient->AddAligned(FSplitter34, alRight, 5);
    FClient->AddAligned(FPane3, alClient);
    FPane4->AddAligned(FEmbeddedTagPane, alTop, 200);
    FPane4->AddAligned(FSplitter4A, alTop, 5);
    FPane4->AddAligned(FAnnotationPane, alTop, 200);
    FPane4->AddAligned(FSplitter4B, alTop, 5);
    FPane4->AddAligned(FDateStrip, alBottom, 22);
    FPane4->AddAligned(FLinksPane, alClient);
    // However small the window, each pane keeps its splitters' minimum and none covers
    // another: the side panes give way beside the editor and the links pane, and the window
    // goes no smaller than four panes and three splitters across, and pane 4's stack high.
    FClient->SetKeepMinimum(TSplitter::MinSize);
    FPane4->SetKeepMinimum(TSplitter::MinSize);
    FClient->setMinimumSize(4 * TSplitter::MinSize + 3 * 5, 3 * TSplitter::MinSize + 2 * 5 + 22);
}

void TMainForm::CreateMenu()
{
    QMenuBar* bar = menuBar();
    auto item = [this](QMenu* AMenu, const QString& ACaption, const QKeySequence& AShortcut,
                       void (TMainForm::*ACommand)()) {
        QAction* action = AMenu->addAction(ACaption);
        if (!AShortcut.isEmpty())
            action->setShortcut(AShortcut);
        connect(action, &QAction::triggered, this,
                Guarded(Handler([this, ACommand] { (this->*ACommand)(); })));
        return action;
    };
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    item(file, QStringLiteral("New &Notebook"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N),
         &TMainForm::MenuNewNotebook);
    item(file, QStringLiteral("New &Note"), QKeySequence(Qt::CTRL | Qt::Key_N),
         &TMainForm::MenuNewNote);
    item(file, QStringLiteral("&Save Note"), QKeySequence(Qt::CTRL | Qt::Key_S),
         &TMainForm::MenuSaveNote);
    file->addSeparator();
    item(file, QStringLiteral("&Import Note..."), QKeySequence(Qt::CTRL | Qt::Key_I),
         &TMainForm::MenuImportNote);
    item(file, QStringLiteral("Import &Notebook from Folder..."), QKeySequence(),
         &TMainForm::MenuImportNotebook);
    QMenu* note = bar->addMenu(QStringLiteral("&Note"));
    item(note, QStringLiteral("&Toggle Edit / View"), QKeySequence(Qt::Key_F2),
         &TMainForm::MenuToggleEditView);
    note->addSeparator();
    item(note, QStringLiteral("Insert &Embedded Tag"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), &TMainForm::MenuNewEmbeddedTag);
    note->addSeparator();
    item(note, QStringLiteral("Show All &Highlights"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), &TMainForm::MenuShowAllHighlights);
    item(note, QStringLiteral("Hide All Highlights"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_J), &TMainForm::MenuHideAllHighlights);
    QMenu* view = bar->addMenu(QStringLiteral("&View"));
    item(view, QStringLiteral("Toggle &Notebooks Pane"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_1), &TMainForm::MenuTogglePane1);
    item(view, QStringLiteral("Toggle &Embedded Tags Pane"),
         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_4), &TMainForm::MenuTogglePane4);
    QMenu* help = bar->addMenu(QStringLiteral("&Help"));
    item(help, QStringLiteral("&About Quorvel"), QKeySequence(), &TMainForm::MenuAbout);
}

int TMainForm::ClientWidth() const
{
    return FClient ? FClient->width() : 0;
}

int TMainForm::ClientHeight() const
{
    return FClient ? FClient->height() : 0;
}

int TMainForm::PaneWidth(const QWidget* APane) const
{
    return FClient->Extent(APane);
}

void TMainForm::RestoreLayout()
{
    const int cw = ClientWidth(), ch = ClientHeight();
    int defW = cw / 8;
    if (defW < 100)
        defW = 180;
    const int minW = defW / 2;
    int maxW = cw / 3;
    if (maxW < defW)
        maxW = defW * 4;
    const std::pair<const char*, TPanel*> widths[] = {
        {"pane1_width", FPane1}, {"pane2_width", FPane2}, {"pane4_width", FPane4}};
    for (const auto& [key, pane] : widths) {
        int w = AppDB->GetSettingInt(QString::fromLatin1(key), defW);
        if (w <= minW || w > maxW)
            w = defW;
        FClient->SetExtent(pane, w);
    }
    int defH1 = ch / 3;
    if (defH1 < 80)
        defH1 = 200;
    int h = AppDB->GetSettingInt(QStringLiteral("pane1_nb_height"), defH1);
    if (h < 40 || h > ch - 80)
        h = defH1;
    FNotebookPane->SetNotebookListHeight(h);
    int defH4 = ch / 4;
    if (defH4 < 60)
        defH4 = 150;
    const std::pair<const char*, QWidget*> heights[] = {{"pane4_etag_height", FEmbeddedTagPane},
                                                        {"pane4_annot_height", FAnnotationPane}};
    for (const auto& [key, pane] : heights) {
        int v = AppDB->GetSettingInt(QString::fromLatin1(key), defH4);
        if (v < 40 || v > ch - 150)
            v = defH4;
        FPane4->SetExtent(pane, v);
    }
}

void TMainForm::SaveLayout()
{
    AppDB->SetSettingInt(QStringLiteral("pane1_width"), FClient->Extent(FPane1));
    AppDB->SetSettingInt(QStringLiteral("pane2_width"), FClient->Extent(FPane2));
    AppDB->SetSettingInt(QStringLiteral("pane4_width"), FClient->Extent(FPane4));
    AppDB->SetSettingInt(QStringLiteral("pane1_nb_height"), FNotebookPane->NotebookListHeight());
    AppDB->SetSettingInt(QStringLiteral("pane4_etag_height"), FPane4->Extent(FEmbeddedTagPane));
    AppDB->SetSettingInt(QStringLiteral("pane4_annot_height"), FPane4->Extent(FAnnotationPane));
}

void TMainForm::Splitter4AMoved(QObject*)
{
    AppDB->SetSettingInt(QStringLiteral("pane4_etag_height"), FPane4->Extent(FEmbeddedTagPane));
}

void TMainForm::Splitter4BMoved(QObject*)
{
    AppDB->SetSettingInt(QStringLiteral("pane4_annot_height"), FPane4->Extent(FAnnotationPane));
}

void TMainForm::showEvent(QShowEvent* AEvent)
{
    RunGuarded([&] {
        QMainWindow::showEvent(AEvent);
        if (AEvent->spontaneous() || FStoreFailed || FFirstShow != fsNotShown)
            return;
        QWindow* window = windowHandle();
        if (window && !FWatchedScreen) {
            connect(window, &QWindow::screenChanged, this,
                    Guarded([this](QScreen* AScreen) { WatchScreen(AScreen); }));
            WatchScreen(window->screen());
        }
        FFirstShow = fsShowing;
    });
}

void TMainForm::setVisible(bool AVisible)
{
    QMainWindow::setVisible(AVisible);
    if (FFirstShow != fsShowing)
        return;
    // On X11 and Wayland a window manager maximises the window only after it is mapped, and
    // the stored layout is measured against the maximised client area: there the first show
    // waits for the first resize away from the restored size, holding back the user's input
    // meanwhile. Without such a resize (no manager, or one that keeps the size) it goes on
    // after a while. Other platforms have the window maximised when it is shown.
    RunGuarded([&] {
        const QString platform = QGuiApplication::platformName();
        const bool managerMaximises =
            platform == QLatin1String("xcb") || platform.startsWith(QLatin1String("wayland"));
        if (managerMaximises && isMaximized() && size() == FNormalSize) {
            FFirstShow = fsAwaitingMaximise;
            FInputHold = new TInputHold(this, false);
            QTimer::singleShot(MaximiseWaitMs, this, Guarded([this] { FinishFirstShow(); }));
            return;
        }
        FinishFirstShow();
    });
}

void TMainForm::resizeEvent(QResizeEvent* AEvent)
{
    RunGuarded([&] {
        QMainWindow::resizeEvent(AEvent);
        if (FFirstShow == fsAwaitingMaximise && size() != FNormalSize)
            FinishFirstShow();
    });
}

void TMainForm::FinishFirstShow()
{
    if (FFirstShow == fsDone)
        return;
    FFirstShow = fsDone;
    delete FInputHold;
    FInputHold = nullptr;
    FormShow();
}

void TMainForm::WatchScreen(QScreen* AScreen)
{
    if (FWatchedScreen)
        disconnect(FWatchedScreen, nullptr, this, nullptr);
    FWatchedScreen = AScreen;
    if (!AScreen)
        return;
    const double dpi = AScreen->logicalDotsPerInch();
    const bool changed = FLastDpi != 0 && dpi != FLastDpi;
    FLastDpi = dpi;
    connect(AScreen, &QScreen::logicalDotsPerInchChanged, this, Guarded([this](qreal ADpi) {
                FLastDpi = ADpi;
                WMDpiChanged();
            }));
    if (changed)
        WMDpiChanged();
}

void TMainForm::FormShow()
{
    RestoreLayout();
    const int lastNbId = AppDB->GetSettingInt(QStringLiteral("last_notebook_id"), 0);
    const int lastNoteId = AppDB->GetSettingInt(QStringLiteral("last_note_id"), 0);
    if (lastNbId >= 1) {
        FNotebookPane->SelectNotebook(lastNbId);
        if (lastNoteId >= 1)
            FNoteListPane->SelectNote(lastNoteId);
    }
}

void TMainForm::WMDpiChanged()
{
    // Qt has already rescaled the window for the new screen; the stored sizes apply again.
    if (!FPane1)
        return;
    RestoreLayout();
    FClient->Realign();
}

void TMainForm::closeEvent(QCloseEvent* AEvent)
{
    RunGuarded([&] {
        const bool page = FNoteEditor->Ready() || FNoteEditor->Restarting();
        if (!FStoreFailed && !FClosing && (page || !FLostNotes.empty())) {
            // The window closes once the page's pending edit is in the store.
            AEvent->ignore();
            if (FCloseRequested)
                return;
            FCloseRequested = true;
            auto command = [this] {
                auto done = qScopeGuard([this] {
                    FClosing = false;
                    FCloseRequested = false;
                });
                if (!CloseDespiteLoss())
                    return;
                FClosing = true;
                close();
                if (FEndedWithLoss && !isVisible())
                    QCoreApplication::exit(EndedWithLossExitCode);
            };
            if (page)
                AfterPendingEdit(command, true);
            else
                // No page to wait for, and typing lost before: asked from the event loop, as
                // after a wait, so that the close that follows is not one inside this one.
                QTimer::singleShot(0, this, Guarded(Handler(command)));
            return;
        }
        if (!FStoreFailed)
            AsHandler([this] { FormClose(); });
        QMainWindow::closeEvent(AEvent);
    });
}

void TMainForm::FormClose()
{
    FNoteEditor->SaveIfDirty();
    SaveLayout();
}

bool TMainForm::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(true, [&] {
        const QEvent::Type type = AEvent->type();
        if (type != QEvent::KeyPress && type != QEvent::ShortcutOverride)
            return QMainWindow::eventFilter(AWatched, AEvent);
        auto* widget = qobject_cast<QWidget*>(AWatched);
        if (!widget || widget->window() != this)
            return false;
        auto* key = static_cast<QKeyEvent*>(AEvent);
        const Qt::KeyboardModifiers shift =
            key->modifiers() & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier);
        if (type == QEvent::ShortcutOverride) {
            // A key of the window's own table must not reach a menu shortcut first.
            const bool own =
                (shift == Qt::ControlModifier &&
                 (key->key() == Qt::Key_F || key->key() == Qt::Key_N || key->key() == Qt::Key_S)) ||
                (shift == Qt::NoModifier && key->key() == Qt::Key_F2);
            if (own)
                AEvent->accept();
            return own;
        }
        return AsHandler([&] {
            return FormKeyDown(key->key(), shift) ||
                   (AWatched == FSearchEdit && SearchEditKeyDown(key->key()));
        });
    });
}

bool TMainForm::FormKeyDown(int AKey, Qt::KeyboardModifiers AShift)
{
    AShift &= Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
    if (AKey == Qt::Key_F2 && AShift == Qt::NoModifier) {
        FNoteEditor->ToggleEditView();
        return true;
    }
    if (AShift != Qt::ControlModifier)
        return false;
    if (AKey == Qt::Key_S) {
        MenuSaveNote();
        return true;
    }
    if (AKey == Qt::Key_F) {
        // With pane 1 hidden the search box cannot take the focus; the key is still used up.
        if (FPane1->isVisible())
            FSearchEdit->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    if (AKey == Qt::Key_N) {
        if (FNotebookPane->SelectedNotebookId() > 0)
            FNoteListPane->NewNote();
        return true;
    }
    return false;
}

bool TMainForm::SearchEditKeyDown(int AKey)
{
    if (AKey == Qt::Key_Return || AKey == Qt::Key_Enter) {
        RunSearch();
        return true;
    }
    if (AKey == Qt::Key_Escape) {
        FSearchEdit->clear();
        return true;
    }
    return false;
}

void TMainForm::CloseNote()
{
    FNoteEditor->Clear();
    FEmbeddedTagPane->Clear();
    FAnnotationPane->Clear();
    FLinksPane->Clear();
}

// A selection change does not wait for the page: the note's load (or the editor's emptying)
// makes the page report what it still holds, and that report is saved into the note it was
// typed in when it arrives.

void TMainForm::OnNotebookSelected(QObject*, int64_t ANotebookId)
{
    FNoteEditor->SaveIfDirty();
    CloseNote();
    FDateLabel->clear();
    FNoteListPane->ShowNotebook(ANotebookId);
    AppDB->SetSettingInt(QStringLiteral("last_notebook_id"), static_cast<int32_t>(ANotebookId));
    AppDB->SetSettingInt(QStringLiteral("last_note_id"), 0);
}

void TMainForm::OnTagSelected(QObject*, int64_t ATagId)
{
    FNoteEditor->SaveIfDirty();
    CloseNote();
    FDateLabel->clear();
    FCurrentTagName.clear();
    for (const TNoteTag& tag : AppDB->GetAllNoteTags()) {
        if (tag.Id == ATagId) {
            FCurrentTagName = tag.Name;
            break;
        }
    }
    FNoteListPane->ShowTag(ATagId, FCurrentTagName);
}

void TMainForm::OnNoteSelected(QObject*, int64_t ANoteId)
{
    FEmbeddedTagPane->Clear();
    FNoteEditor->LoadNote(ANoteId);
    FAnnotationPane->Refresh(ANoteId);
    FLinksPane->LoadForNote(ANoteId);
    int64_t created = 0, modified = 0;
    AppDB->GetNoteDates(ANoteId, created, modified);
    FDateLabel->setText(QStringLiteral("Created: ") + FormatStripDate(created) +
                        QStringLiteral("   \u00B7   Modified: ") + FormatStripDate(modified));
    AppDB->SetSettingInt(QStringLiteral("last_note_id"), static_cast<int32_t>(ANoteId));
}

void TMainForm::OnNoteCreated(QObject*)
{
    // A duplicate carries its original's tags, so the tag counts change too.
    FNotebookPane->RefreshNotebooks();
    FNotebookPane->RefreshTags();
}

void TMainForm::OnNoteDeleted(QObject*)
{
    CloseNote();
    FDateLabel->clear();
    FNotebookPane->RefreshNotebooks();
    FNotebookPane->RefreshTags();
}

void TMainForm::OnNoteMoved(QObject*)
{
    CloseNote();
    FNotebookPane->RefreshNotebooks();
}

void TMainForm::RunSearch()
{
    const QString term = TrimText(FSearchEdit->text());
    if (term.isEmpty())
        return;
    // The note stays open: what the page still holds is saved when its answer arrives.
    FNoteEditor->SaveIfDirty();
    FNoteEditor->RequestPendingEdit();
    FNotebookPane->ClearNotebookSelection();
    FNoteListPane->ShowSearch(term);
}

void TMainForm::MenuNewNotebook()
{
    FNotebookPane->NewNotebook();
}

void TMainForm::MenuNewNote()
{
    if (FNotebookPane->SelectedNotebookId() > 0)
        FNoteListPane->NewNote();
}

void TMainForm::MenuTogglePane1()
{
    FPane1->setVisible(!FPane1->isVisibleTo(this));
    FSplitter12->setVisible(FPane1->isVisibleTo(this));
}

void TMainForm::MenuTogglePane4()
{
    FPane4->setVisible(!FPane4->isVisibleTo(this));
    FSplitter34->setVisible(FPane4->isVisibleTo(this));
}

void TMainForm::MenuAbout()
{
    ShowAboutBox(this);
}

void TMainForm::MenuImportNote()
{
    if (FNotebookPane->SelectedNotebookId() <= 0) {
        ShowMessage(QStringLiteral("Please select a notebook before importing a note."));
        return;
    }
    const QString path = OpenFileDlg(
        QStringLiteral("Import Note"),
        QStringLiteral("Supported files|*.html;*.htm;*.md;*.txt;*.rtf;*.pdf|HTML "
                       "files|*.html;*.htm|Markdown files|*.md;*.txt|RTF files|*.rtf|PDF "
                       "files|*.pdf|All files|*.*"));
    if (path.isEmpty())
        return;
    QString title;
    const QString body = ImportFileToHTML(path, title);
    if (body.isEmpty()) {
        ShowMessage(
            QStringLiteral("The file could not be imported or contains no readable content."));
        return;
    }
    FNoteListPane->ImportNote(title, body);
}

void TMainForm::MenuImportNotebook()
{
    QString folder = SelectFolderDlg(QStringLiteral("Select folder to import as a notebook"));
    if (folder.isEmpty())
        return;
    while (folder.size() > 1 && (folder.endsWith(u'/') || folder.endsWith(u'\\')))
        folder.chop(1);
    const QDir dir(folder);
    if (!dir.exists())
        return;
    static const QStringList supported = {QStringLiteral(".html"), QStringLiteral(".htm"),
                                          QStringLiteral(".md"),   QStringLiteral(".txt"),
                                          QStringLiteral(".rtf"),  QStringLiteral(".pdf")};
    QStringList paths;
    for (const QFileInfo& entry : dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QString name = entry.fileName();
        const qsizetype dot = name.lastIndexOf(u'.');
        if (dot >= 0 && supported.contains(name.mid(dot).toLower()))
            paths << folder + u'/' + name;
    }
    if (paths.isEmpty()) {
        ShowMessage(QStringLiteral("No supported files found in that folder.\r\nSupported types: "
                                   "HTML, HTM, MD, TXT, RTF, PDF"));
        return;
    }
    std::sort(paths.begin(), paths.end(), [](const QString& A, const QString& B) {
        return QString::localeAwareCompare(A.toLower(), B.toLower()) < 0;
    });
    QString name = QFileInfo(folder).fileName();
    if (name.isEmpty())
        name = QStringLiteral("Imported Notebook");
    const int64_t notebookId = AppDB->CreateNotebook(name, 0);
    int imported = 0, skipped = 0;
    // A file that cannot be opened or read is reported with the others; the rest go on.
    QStringList unreadable;
    for (const QString& path : paths) {
        QString title, body;
        try {
            body = ImportFileToHTML(path, title);
        } catch (const EImportFileError&) {
            unreadable << QFileInfo(path).fileName();
            continue;
        }
        if (body.isEmpty()) {
            ++skipped;
            continue;
        }
        AppDB->CreateNoteWithBody(notebookId, title, QString(), body);
        ++imported;
    }
    FNotebookPane->RefreshNotebooks();
    FNotebookPane->SelectNotebook(notebookId);
    // One pass over the format, so a "%1" in the folder's name stays as it is.
    QString message = QStringLiteral("Notebook \"%1\" created with %2 note(s).")
                          .arg(name, QString::number(imported));
    if (skipped > 0)
        message += QStringLiteral("\r\n%1 file(s) skipped (no readable content).").arg(skipped);
    if (!unreadable.isEmpty()) {
        // The names of the first ten; a folder of many such files gives no endless message.
        constexpr qsizetype MaxNames = 10;
        QString names = QStringList(unreadable.mid(0, MaxNames)).join(QStringLiteral(", "));
        if (unreadable.size() > MaxNames)
            names += QStringLiteral(", ...");
        message +=
            QStringLiteral("\r\n%1 file(s) could not be read: ").arg(unreadable.size()) + names;
    }
    ShowMessage(message);
}

void TMainForm::AfterPendingEdit(std::function<void()> ACommand, bool AFromOutside)
{
    // Asked for after input that is held back (a close from the window manager): it runs
    // once that input has been delivered and the page has reported it in its turn.
    if (AFromOutside && !FWaiting && (FDeliveringHeld || FWaitHold->Holding())) {
        FAfterDelivery.push_back({std::move(ACommand), true});
        return;
    }
    const bool afterInput = FWaiting && FWaitHold->Holding();
    FAfterWait.push_back({std::move(ACommand), afterInput});
    if (FWaiting)
        return;
    FWaiting = true;
    FWaitFoundPageUnresponsive = FNoteEditor->PageUnresponsive();
    FNoteEditor->RequestPendingEdit([this](bool AAnswered) { EndWait(AAnswered); });
}

void TMainForm::EndWait(bool AAnswered)
{
    FWaiting = false;
    const int64_t noteId = FNoteEditor->NoteId();
    // A wait that found the page already silent since the user was told about this note's
    // typing has nothing new to tell.
    const bool told =
        !AAnswered && FLossReported && FWaitFoundPageUnresponsive && noteId == FLossNoteId;
    // With no note shown there is no typing to lose.
    FWaitAnswered = AAnswered || noteId == 0;
    FLossNoteId = FWaitAnswered ? 0 : noteId;
    FLossText = FWaitAnswered ? QString() : LossText();
    FLossReported = told;
    // Until the held input has been delivered the lists stay as the user saw them when it
    // was given, so that a held click reaches the row it was aimed at.
    FDeliveringHeld = true;
    // A command may wait in its turn; the ones after it then wait for that.
    while (!FWaiting && !FAfterWait.empty() && !FAfterWait.front().AfterInput) {
        std::function<void()> command = std::move(FAfterWait.front().Command);
        FAfterWait.pop_front();
        RunGuarded([&] { AsHandler(command); });
    }
    if (FWaiting) {
        FDeliveringHeld = false;
        return;
    }
    for (TWaitingCommand& command : FAfterWait)
        FAfterDelivery.push_back(std::move(command));
    FAfterWait.clear();
    FDeliveredLoads = FNoteEditor->LoadCount();
    // A step of an earlier delivery that is still waiting for the page is dropped: this one
    // goes on from where it stopped.
    DeliverHeldInput(++FDeliveryRun);
}

void TMainForm::DeliverHeldInput(int64_t ARun)
{
    if (ARun != FDeliveryRun)
        return;
    if (FWaitHold)
        FWaitHold->StopDelivery();
    if (FWaiting) {
        // A delivered command waits: the rest of the input, and then the commands asked for
        // after it, follow once that wait has ended.
        for (TWaitingCommand& command : FAfterDelivery)
            FAfterWait.push_back({std::move(command.Command), true});
        FAfterDelivery.clear();
        FDeliveringHeld = false;
        return;
    }
    if (FWaitHold && FWaitHold->Holding()) {
        // One event at a time, each handled before the next and before anything queued after
        // it. Keys for the page travel apart from the window's messages to it: before other
        // input (which may load another note or close the window) the page confirms it has
        // read them.
        auto next = Guarded([this, ARun] { DeliverHeldInput(ARun); });
        if (FNoteEditor->LoadCount() != FDeliveredLoads) {
            // The last event showed another note: the page reports what it held of the note
            // before (so that it is in the store should that note be shown again) first, and
            // shows the new one.
            FDeliveredLoads = FNoteEditor->LoadCount();
            FNoteEditor->RequestPendingEdit([next](bool) { next(); });
            return;
        }
        bool key = false;
        QObject* target = FWaitHold->DeliverNext(key);
        if (key && FNoteEditor->IsPageInput(target)) {
            FPageKeysTarget = target;
        }
        if (FPageKeysTarget && !FNoteEditor->IsPageInput(FWaitHold->NextTarget())) {
            QObject* input = FPageKeysTarget;
            FPageKeysTarget = nullptr;
            FNoteEditor->AfterPageReadInput(input, next);
        } else {
            QTimer::singleShot(0, this, next);
        }
        return;
    }
    FDeliveringHeld = false;
    std::deque<TWaitingCommand> later;
    later.swap(FAfterDelivery);
    for (TWaitingCommand& command : later)
        AfterPendingEdit(std::move(command.Command));
    RefreshListsWhenIdle();
}

bool TMainForm::WaitInProgress() const
{
    return FWaiting || FDeliveringHeld || (FWaitHold && FWaitHold->Holding());
}

void TMainForm::DeliverAfterLoad()
{
    // Input held while the page had not shown the note goes to it now, as after a wait.
    if (FWaiting || FDeliveringHeld || !FWaitHold || !FWaitHold->Holding())
        return;
    FDeliveringHeld = true;
    FDeliveredLoads = FNoteEditor->LoadCount();
    DeliverHeldInput(++FDeliveryRun);
}

QString TMainForm::LossText() const
{
    // The wait ended with the page's process and the typing it had not reported.
    if (FNoteEditor->PageGone() && !FLostTypingText.isEmpty())
        return FLostTypingText;
    const QString title = TrimText(FNoteEditor->TitleEdit()->text());
    const QString note =
        title.isEmpty() ? QStringLiteral("the open note") : QStringLiteral("\"%1\"").arg(title);
    const QString cause = FNoteEditor->PageGone()
                              ? QStringLiteral("The editor has stopped working")
                              : QStringLiteral("The editor has not answered for %1 seconds")
                                    .arg(FNoteEditor->PageAnswerTimeout() / 1000.0);
    return cause + QStringLiteral(", so the last typing in %1 may not have been saved.").arg(note);
}

bool TMainForm::LossStands() const
{
    return !FWaitAnswered && FNoteEditor->NoteId() != 0;
}

void TMainForm::WarnAboutLoss()
{
    if (!LossStands() || FLossReported)
        return;
    FLossReported = true;
    if (FLossText == FLostTypingText && std::exchange(FLostTypingTold, true))
        return;
    ShowMessage(FLossText);
}

bool TMainForm::CloseDespiteLoss()
{
    // A wait that ended with the page's process is told of below with every other such loss:
    // typing that went with the page's process is lost however the page has answered since.
    // A note deleted since has no typing left to lose.
    QString loss = !LossStands() || FLossText == FLostTypingText ? QString() : FLossText;
    QStringList lost;
    for (const auto& [id, note] : FLostNotes)
        if (AppDB->GetNote(id).Id != 0)
            lost << note;
    if (!lost.isEmpty())
        loss += (loss.isEmpty() ? QString() : QStringLiteral("\r\n")) + LostTypingText(lost);
    if (loss.isEmpty())
        return true;
    FLossReported = true;
    FLostTypingTold = true;
    // Asked to end by the system, with no one to ask: the program says so and ends with an
    // error status.
    if (!TQuorvelApplication::EndRequested())
        return AskYesNo(QStringLiteral("Quorvel"), loss + QStringLiteral("\r\n\r\nClose anyway?"));
    FEndedWithLoss = true;
    std::fprintf(stderr, "Quorvel: %s\n", qPrintable(loss));
    std::fflush(stderr);
    return true;
}

void TMainForm::EditorPageFailed(int64_t ALostNote)
{
    if (ALostNote == 0)
        return;
    const QString title =
        TrimText(ALostNote == FNoteEditor->NoteId() ? FNoteEditor->TitleEdit()->text()
                                                    : AppDB->GetNote(ALostNote).Title);
    const QString note =
        title.isEmpty() ? QStringLiteral("an untitled note") : QStringLiteral("\"%1\"").arg(title);
    if (std::none_of(FLostNotes.begin(), FLostNotes.end(),
                     [&](const auto& ALost) { return ALost.first == ALostNote; }))
        FLostNotes.emplace_back(ALostNote, note);
    FLostTypingText = LostTypingText({note});
    FLostTypingTold = false;
    // Told at once. A command whose wait the process's end has just ended (queued before this)
    // tells it in its turn, and this then says nothing more.
    QTimer::singleShot(0, this, Guarded(Handler([this] { TellLostTyping(); })));
}

QString TMainForm::LostTypingText(const QStringList& ANotes)
{
    QString notes = ANotes.last();
    if (ANotes.size() > 1)
        notes = ANotes.mid(0, ANotes.size() - 1).join(QStringLiteral(", ")) +
                QStringLiteral(" and ") + notes;
    return QStringLiteral("The editor stopped working, so the last typing in %1 may not have "
                          "been saved.")
        .arg(notes);
}

void TMainForm::TellLostTyping()
{
    if (FLostTypingTold || FLostTypingText.isEmpty())
        return;
    FLostTypingTold = true;
    ShowMessage(FLostTypingText);
}

void TMainForm::EnterHandler()
{
    const int level = QThread::currentThread()->loopLevel();
    if (!FHandlerLoopLevels.empty() && level > FHandlerLoopLevels.back())
        ++FReentrantHandlers;
    FHandlerLoopLevels.push_back(level);
}

void TMainForm::LeaveHandler()
{
    FHandlerLoopLevels.pop_back();
    if (FHandlerLoopLevels.empty())
        RefreshListsWhenIdle();
}

void TMainForm::RefreshListsWhenIdle()
{
    if ((!FRefreshNotes && !FRefreshTags) || FRefreshQueued)
        return;
    FRefreshQueued = true;
    QTimer::singleShot(0, this, Guarded([this] {
                           FRefreshQueued = false;
                           // Still busy: the end of that handler or wait asks again.
                           if (FHandlerLoopLevels.empty() && !WaitInProgress())
                               RefreshPendingLists();
                       }));
}

void TMainForm::RefreshPendingLists()
{
    if (FRefreshNotes) {
        FRefreshNotes = false;
        FNoteListPane->RefreshCurrent();
    }
    if (FRefreshTags) {
        FRefreshTags = false;
        FNotebookPane->RefreshTags();
    }
}

void TMainForm::MenuSaveNote()
{
    // The wait itself ends with the save.
    AfterPendingEdit([this] { WarnAboutLoss(); });
}

void TMainForm::MenuToggleEditView()
{
    FNoteEditor->ToggleEditView();
}

void TMainForm::MenuNewEmbeddedTag()
{
    FNoteEditor->OpenTagModal();
}

void TMainForm::MenuShowAllHighlights()
{
    FNoteEditor->HandleTagAction(QString(), QString(), QStringLiteral("showAll"));
}

void TMainForm::MenuHideAllHighlights()
{
    FNoteEditor->HandleTagAction(QString(), QString(), QStringLiteral("hideAll"));
}

// The lists are rebuilt at once when nothing else is in progress; inside another handler (a
// selection change, a command) or a wait, once that has ended.
void TMainForm::OnNoteSaved(QObject*, int64_t)
{
    FRefreshNotes = true;
    FRefreshTags = true;
    if (FHandlerLoopLevels.size() <= 1 && !WaitInProgress())
        RefreshPendingLists();
}

void TMainForm::OnTagChanged(QObject*)
{
    FRefreshTags = true;
    if (FHandlerLoopLevels.size() <= 1 && !WaitInProgress())
        RefreshPendingLists();
}

void TMainForm::NoteEditorTagsUpdated(QObject*, const TEditorTagArray& ATags)
{
    FEmbeddedTagPane->Populate(ATags);
}

void TMainForm::EmbeddedTagPaneAction(const QString& AId, const QString& AColour,
                                      const QString& AAction)
{
    FNoteEditor->HandleTagAction(AId, AColour, AAction);
}

void TMainForm::NoteEditorAnnotationCreated(QObject*, const QString& ASpanId,
                                            const QString& ASnippet, const QString& ABody)
{
    const int64_t noteId = FNoteEditor->NoteId();
    if (noteId == 0)
        return;
    AppDB->CreateAnnotation(noteId, ASpanId, ASnippet, ABody);
    FAnnotationPane->Refresh(noteId);
}

void TMainForm::AnnotationPaneAction(QObject*, int64_t, const QString& ASpanId,
                                     const QString& AAction)
{
    FNoteEditor->HandleAnnotationAction(ASpanId, AAction);
}

void TMainForm::OnInsertTagRequest(QObject*)
{
    FNoteEditor->OpenTagModal();
}

void TMainForm::OnInsertAnnotationRequest(QObject*)
{
    FNoteEditor->OpenAnnotModal();
}

void TMainForm::OnAnnotationSpanClicked(QObject*, const QString& ASpanId)
{
    FAnnotationPane->ScrollToRow(ASpanId);
}

void TMainForm::OnAnnotationsOrphaned(QObject*, int64_t ANoteId)
{
    FAnnotationPane->Refresh(ANoteId);
}

void TMainForm::OnBeforeNoteCommand(QObject*, int64_t, std::function<void()> AProceed)
{
    AfterPendingEdit([this, proceed = std::move(AProceed)] {
        WarnAboutLoss();
        proceed();
    });
}

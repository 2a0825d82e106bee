#include "noteeditor.h"

#include "attachmentpane.h"
#include "database.h"
#include "dlgseam.h"
#include "guarded.h"

#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace {

const int ToolbarHeight = 36;
const int SaveStatusWidth = 80;
const int ToggleHeight = 22;
const int GripHeight = 5;
const int TagStripHeight = 48;

int RoundScaled(int AValue, int APPI)
{
    return static_cast<int>(std::lround(AValue * static_cast<double>(APPI) / 96.0));
}

} // namespace

QByteArray JSONEscapeStr(const QByteArray& AText)
{
    static const char hex[] = "0123456789ABCDEF";
    QByteArray out;
    out.reserve(AText.size() + AText.size() / 8 + 8);
    for (const char ch : AText) {
        const auto b = static_cast<unsigned char>(ch);
        switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case 8:
            out += "\\b";
            break;
        case 9:
            out += "\\t";
            break;
        case 10:
            out += "\\n";
            break;
        case 12:
            out += "\\f";
            break;
        case 13:
            out += "\\r";
            break;
        default:
            if (b < 32) {
                out += "\\u00";
                out += hex[b >> 4];
                out += hex[b & 15];
            } else {
                out += ch;
            }
        }
    }
    return out;
}

QString JSONEscapeStr(const QString& AText)
{
    return QString::fromUtf8(JSONEscapeStr(AText.toUtf8()));
}

void ExtractAnnotSpanIds(const QString& AHTML, TStringArray& AList)
{
    static const QString start = QStringLiteral("id=\"ann_");
    qsizetype pos = 0;
    for (;;) {
        const qsizetype at = AHTML.indexOf(start, pos, Qt::CaseSensitive);
        if (at < 0)
            return;
        const qsizetype idStart = at + 4; // the "ann_"
        const qsizetype quote = AHTML.indexOf(u'"', idStart);
        if (quote < 0 || quote == idStart)
            return;
        AList.push_back(AHTML.mid(idStart, quote - idStart));
        pos = quote + 1;
    }
}

TNoteEditor::TNoteEditor(QWidget* AOwner) : TPanel(AOwner)
{
    SetColor(Qt::white);
    const QColor face = palette().color(QPalette::Button);

    // Summary panel: toggle, memo and grip.
    FSummaryPanel = new TPanel(this);
    FSummaryToggle = new QPushButton(QStringLiteral("\u25B6 Summary"), FSummaryPanel);
    FSummaryToggle->setEnabled(false);
    FSummaryPanel->AddAligned(FSummaryToggle, alTop, ToggleHeight);
    FSummaryMemo = new QPlainTextEdit(FSummaryPanel);
    FSummaryMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont = FSummaryMemo->font();
    memoFont.setPointSize(10);
    FSummaryMemo->setFont(memoFont);
    FSummaryMemo->hide();
    FSummaryGrip = new TPanel(FSummaryPanel);
    FSummaryGrip->SetColor(face);
    FSummaryGrip->setCursor(Qt::SizeVerCursor);
    FSummaryGrip->hide();
    FSummaryGrip->installEventFilter(this);
    FSummaryPanel->AddAligned(FSummaryGrip, alBottom, GripHeight);
    FSummaryPanel->AddAligned(FSummaryMemo, alClient);
    connect(FSummaryToggle, &QPushButton::clicked, this, Guarded([this] { ToggleSummary(); }));
    connect(FSummaryMemo, &QPlainTextEdit::textChanged, this, Guarded([this] { SummaryChange(); }));

    // Toolbar: save status and title.
    FToolbar = new TPanel(this);
    FToolbar->SetColor(face);
    FSaveStatus = NewPlainLabel(QString(), FToolbar);
    FSaveStatus->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FToolbar->AddAligned(FSaveStatus, alRight, SaveStatusWidth);
    FTitleEdit = new QLineEdit(FToolbar);
    QFont titleFont = FTitleEdit->font();
    titleFont.setPointSize(12);
    titleFont.setBold(true);
    FTitleEdit->setFont(titleFont);
    FTitleEdit->setPlaceholderText(QStringLiteral("Note title"));
    SetTitleLocked(true);
    FToolbar->installEventFilter(this);
    connect(FTitleEdit, &QLineEdit::textChanged, this, Guarded([this] { TitleChange(); }));

    // Bottom bar: grip, attachments and tag strip.
    FBottomBar = new TPanel(this);
    FGripPanel = new TPanel(FBottomBar);
    FGripPanel->SetColor(face);
    FGripPanel->setCursor(Qt::SizeVerCursor);
    FGripPanel->installEventFilter(this);
    FBottomBar->AddAligned(FGripPanel, alTop, GripHeight);
    FAttachPane = new TAttachmentPane(FBottomBar);
    FTagStrip = new TNoteTagStrip(FBottomBar);
    FTagStrip->OnChanged = [this](QObject*) { TagStripChanged(); };
    FBottomBar->AddAligned(FTagStrip, alBottom, TagStripHeight);
    FBottomBar->AddAligned(FAttachPane, alClient);

    AddAligned(FToolbar, alTop, ToolbarHeight);
    AddAligned(FSummaryPanel, alTop, ToggleHeight);
    AddAligned(FBottomBar, alBottom, 83);

    // Browser host window and browser control.
    CreateBrowserControls();

    FSaveTimer = new QTimer(this);
    FSaveTimer->setInterval(2000);
    FSaveTimer->setSingleShot(false);
    connect(FSaveTimer, &QTimer::timeout, this, Guarded([this] { SaveTimerTick(); }));
    FInitTimer = new QTimer(this);
    FInitTimer->setInterval(100);
    connect(FInitTimer, &QTimer::timeout, this, Guarded([this] { InitTimerTick(); }));
    FInitTimer->start();
    FWVFocusTimer = new QTimer(this);
    FWVFocusTimer->setInterval(150);
    connect(FWVFocusTimer, &QTimer::timeout, this, Guarded([this] { WVFocusTimerTick(); }));
    FAnswerTimer = new QTimer(this);
    FAnswerTimer->setSingleShot(true);
    connect(FAnswerTimer, &QTimer::timeout, this, Guarded([this] {
                FPageSilent = true;
                StopWaitingForPage();
            }));
    LayoutToolbar();
}

TNoteEditor::~TNoteEditor()
{
    FSaveTimer->stop();
    FInitTimer->stop();
}

QString TNoteEditor::SaveStatus() const
{
    return FSaveStatus->text();
}

void TNoteEditor::SetTitleLocked(bool ALocked)
{
    FTitleEdit->setReadOnly(ALocked);
    QPalette pal = FTitleEdit->palette();
    pal.setColor(QPalette::Base,
                 ALocked ? palette().color(QPalette::Button) : palette().color(QPalette::Base));
    FTitleEdit->setPalette(pal);
}

void TNoteEditor::LayoutToolbar()
{
    const int h = FTitleEdit->sizeHint().height();
    const int right = FToolbar->width() - SaveStatusWidth;
    FTitleEdit->setGeometry(4, (ToolbarHeight - h) / 2, std::max(0, right - 4), h);
}

bool TNoteEditor::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(true, [&] {
        if (AWatched == FToolbar && AEvent->type() == QEvent::Resize) {
            LayoutToolbar();
            return false;
        }
        const bool summaryGrip = AWatched == FSummaryGrip;
        const bool barGrip = AWatched == FGripPanel;
        if (!summaryGrip && !barGrip)
            return TPanel::eventFilter(AWatched, AEvent);
        const QEvent::Type type = AEvent->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove &&
            type != QEvent::MouseButtonRelease)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(AEvent);
        const int y = mouse->globalPosition().toPoint().y();
        const int ppi = ScreenPPI();
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
            if (summaryGrip) {
                FSummaryDragging = true;
                FSummaryStartY = y;
                FSummaryStartH = Extent(FSummaryPanel);
            } else {
                FGripDragging = true;
                FGripStartY = y;
                FGripStartH = Extent(FBottomBar);
            }
            return true;
        }
        if (type == QEvent::MouseMove) {
            if (summaryGrip && FSummaryDragging) {
                const int minH = ToggleHeight + GripHeight + RoundScaled(40, ppi);
                int h = FSummaryStartH + (y - FSummaryStartY);
                h = std::min(std::max(h, minH), RoundScaled(400, ppi));
                SetExtent(FSummaryPanel, h);
                return true;
            }
            if (barGrip && FGripDragging) {
                const int minH = GripHeight + FAttachPane->GetHeaderPanelHeight() + TagStripHeight;
                int h = FGripStartH + (FGripStartY - y);
                h = std::min(std::max(h, minH), ppi * 800 / 96);
                SetExtent(FBottomBar, h);
                FAttachPane->NotifyHeightChanged();
                return true;
            }
            return false;
        }
        if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
            if (summaryGrip)
                FSummaryDragging = false;
            else
                FGripDragging = false;
            return true;
        }
        return false;
    });
}

QString TNoteEditor::SummaryCaption(bool AExpanded) const
{
    QString caption =
        AExpanded ? QStringLiteral("\u25BC Summary") : QStringLiteral("\u25B6 Summary");
    if (!TrimText(FSummaryMemo->toPlainText()).isEmpty())
        caption += QStringLiteral(" *");
    return caption;
}

void TNoteEditor::CollapseSummary()
{
    FSummaryMemo->hide();
    FSummaryGrip->hide();
    SetExtent(FSummaryPanel, ToggleHeight);
    FSummaryExpand = false;
    FSummaryToggle->setText(SummaryCaption(false));
}

void TNoteEditor::ToggleSummary()
{
    FSummaryExpand = !FSummaryExpand;
    if (FSummaryExpand) {
        FSummaryMemo->show();
        FSummaryGrip->show();
        SetExtent(FSummaryPanel, RoundScaled(130, ScreenPPI()));
        FSummaryToggle->setText(SummaryCaption(true));
    } else {
        CollapseSummary();
    }
}

void TNoteEditor::LoadNote(int64_t ANoteId)
{
    SaveIfDirty();
    FSaveTimer->stop();
    FPendingNoteId = 0;
    FRemovedAnnotations.clear();
    FNoteId = ANoteId;
    FCurrentHTML.clear();
    if (ANoteId == 0) {
        {
            FLoading = true;
            auto done = qScopeGuard([this] { FLoading = false; });
            FTitleEdit->clear();
            FSummaryMemo->clear();
        }
        CollapseSummary();
        FDirty = false;
        SetSaveStatus(QString());
        if (FReady)
            DoLoadNote(0);
        return;
    }
    const TNote note = AppDB->GetNote(ANoteId);
    FCurrentHTML = note.Body;
    SetTitleLocked(false);
    FSummaryToggle->setEnabled(true);
    {
        FLoading = true;
        auto done = qScopeGuard([this] { FLoading = false; });
        FTitleEdit->setText(note.Title);
        FTitleEdit->setCursorPosition(0);
        FSummaryMemo->setPlainText(note.Summary);
    }
    CollapseSummary();
    FDirty = false;
    SetSaveStatus(QString());
    if (FReady)
        DoLoadNote(ANoteId);
    else
        FPendingNoteId = ANoteId;
}

void TNoteEditor::DoLoadNote(int64_t ANoteId, bool AAtPlace)
{
    FEditMode = true;
    ++FLoadSeq;
    FLoadNotes[FLoadSeq] = ANoteId;
    // Reports of older loads than these cannot be in flight any more.
    while (FLoadNotes.size() > 64)
        FLoadNotes.erase(FLoadNotes.begin());
    QString place;
    if (AAtPlace) {
        if (FPlace.NoteId == ANoteId)
            place = QStringLiteral(",\"scroll\":\"") + JSONEscapeStr(FPlace.Scroll) +
                    QStringLiteral("\",\"block\":\"") + JSONEscapeStr(FPlace.Block) +
                    QStringLiteral("\",\"caret\":\"") + JSONEscapeStr(FPlace.Caret) + u'"';
        if (FRefocus)
            place += QStringLiteral(",\"focus\":\"true\"");
    }
    SendToJS(QStringLiteral("{\"type\":\"load\",\"html\":\"") + JSONEscapeStr(FCurrentHTML) +
             QStringLiteral("\",\"seq\":\"") + QString::number(FLoadSeq) + u'"' + place + u'}');
    WatchForAnswer();
    FTagStrip->LoadForNote(ANoteId);
    FAttachPane->LoadForNote(ANoteId);
}

void TNoteEditor::SaveIfDirty()
{
    if (FDirty)
        SaveNow();
}

void TNoteEditor::Clear()
{
    FSaveTimer->stop();
    FNoteId = 0;
    FPendingNoteId = 0;
    FRemovedAnnotations.clear();
    FCurrentHTML.clear();
    {
        FLoading = true;
        auto done = qScopeGuard([this] { FLoading = false; });
        FTitleEdit->clear();
        FSummaryMemo->clear();
    }
    CollapseSummary();
    if (FReady) {
        ++FLoadSeq;
        FLoadNotes[FLoadSeq] = 0;
        SendToJS(QStringLiteral("{\"type\":\"load\",\"html\":\"\",\"seq\":\"") +
                 QString::number(FLoadSeq) + QStringLiteral("\"}"));
        WatchForAnswer();
    }
    SetTitleLocked(true);
    FSummaryToggle->setEnabled(false);
    if (FReady)
        SendToJS(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
    FTagStrip->LoadForNote(0);
    FAttachPane->LoadForNote(0);
    FDirty = false;
    SetSaveStatus(QString());
}

void TNoteEditor::MarkDirty()
{
    if (FLoading)
        return;
    FDirty = true;
    SetSaveStatus(QStringLiteral("Unsaved"));
    FSaveTimer->stop();
    FSaveTimer->start();
}

void TNoteEditor::SetSaveStatus(const QString& AText)
{
    FStatusText = AText;
    ShowSaveStatus();
}

void TNoteEditor::ShowSaveStatus()
{
    FSaveStatus->setText(AwaitingPage() ? QStringLiteral("Saving\u2026") : FStatusText);
}

void TNoteEditor::SaveTimerTick()
{
    // While the page is asked for its pending edit, the answer's save includes this one.
    if (AwaitingPage())
        return;
    SaveNow();
}

void TNoteEditor::SaveNow()
{
    if (FNoteId == 0 || !FDirty)
        return;
    FSaveTimer->stop();
    const int64_t noteId = FNoteId;
    AppDB->SaveNote(noteId, TrimText(FTitleEdit->text()), FSummaryMemo->toPlainText(),
                    FCurrentHTML);
    TStringArray keep;
    ExtractAnnotSpanIds(FCurrentHTML, keep);
    // The records about to go are kept while the note is shown: an undo can bring their spans
    // back.
    for (TAnnotation& a : AppDB->GetAnnotationsByNote(noteId))
        if (std::find(keep.begin(), keep.end(), a.SpanId) == keep.end())
            FRemovedAnnotations.push_back(std::move(a));
    const int32_t removed = AppDB->SyncAnnotations(noteId, keep);
    FDirty = false;
    SetSaveStatus(QStringLiteral("Saved"));
    if (OnNoteSaved)
        OnNoteSaved(this, noteId);
    if (removed > 0 && OnAnnotationsOrphaned)
        OnAnnotationsOrphaned(this, noteId);
}

void TNoteEditor::SaveLateReport(int64_t ANoteId, const QString& AHTML)
{
    const TNote note = AppDB->GetNote(ANoteId);
    if (note.Id == 0 || note.Body == AHTML)
        return;
    AppDB->SaveNote(ANoteId, note.Title, note.Summary, AHTML);
    TStringArray keep;
    ExtractAnnotSpanIds(AHTML, keep);
    AppDB->SyncAnnotations(ANoteId, keep);
    // The note is no longer shown: its annotations are not in the annotations pane.
    if (OnNoteSaved)
        OnNoteSaved(this, ANoteId);
}

void TNoteEditor::RestoreAnnotations(int64_t ANoteId, const QString& AHTML)
{
    if (FRemovedAnnotations.empty() || ANoteId == 0)
        return;
    TStringArray spans;
    ExtractAnnotSpanIds(AHTML, spans);
    TAnnotationArray existing;
    bool restored = false;
    for (auto it = FRemovedAnnotations.begin(); it != FRemovedAnnotations.end();) {
        if (std::find(spans.begin(), spans.end(), it->SpanId) == spans.end()) {
            ++it;
            continue;
        }
        if (!restored)
            existing = AppDB->GetAnnotationsByNote(ANoteId);
        const bool stored =
            std::any_of(existing.begin(), existing.end(),
                        [&](const TAnnotation& A) { return A.SpanId == it->SpanId; });
        if (!stored)
            AppDB->CreateAnnotation(ANoteId, it->SpanId, it->Snippet, it->Body, it->CreatedAt);
        restored = true;
        it = FRemovedAnnotations.erase(it);
    }
    if (restored && OnAnnotationsRestored)
        OnAnnotationsRestored(this, ANoteId);
}

bool TNoteEditor::WasRemovedAnnotation(const QString& ASpanId) const
{
    return std::any_of(FRemovedAnnotations.begin(), FRemovedAnnotations.end(),
                       [&](const TAnnotation& A) { return A.SpanId == ASpanId; });
}

void TNoteEditor::TitleChange()
{
    MarkDirty();
}

void TNoteEditor::SummaryChange()
{
    MarkDirty();
    FSummaryToggle->setText(SummaryCaption(FSummaryExpand));
}

void TNoteEditor::TagStripChanged()
{
    if (OnTagChanged)
        OnTagChanged(this);
}

void TNoteEditor::ToggleEditView()
{
    if (FNoteId == 0)
        return;
    FEditMode = !FEditMode;
    SendToJS(FEditMode ? QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":false}")
                       : QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
}

void TNoteEditor::OpenTagModal()
{
    if (!FReady)
        return;
    SendToJS(QStringLiteral("{\"type\":\"openTagModal\"}"));
    FWVFocusTimer->stop();
    FWVFocusTimer->start();
}

void TNoteEditor::OpenAnnotModal()
{
    if (!FReady)
        return;
    SendToJS(QStringLiteral("{\"type\":\"openAnnotModal\"}"));
    FWVFocusTimer->stop();
    FWVFocusTimer->start();
}

void TNoteEditor::WVFocusTimerTick()
{
    FWVFocusTimer->stop();
    FocusBrowserHost();
}

// The host side of the editor page's messages.
#include "noteeditor.h"

#include "database.h"
#include "dlgseam.h"
#include "guarded.h"
#include "wvwindowparent.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {

// A member's value as text: strings as they are, numbers and booleans written out.
QString JsonText(const QJsonValue& AValue)
{
    switch (AValue.type()) {
    case QJsonValue::String:
        return AValue.toString();
    case QJsonValue::Double: {
        const double d = AValue.toDouble();
        if (d == static_cast<double>(static_cast<int64_t>(d)))
            return QString::number(static_cast<int64_t>(d));
        return QString::number(d, 'g', 17);
    }
    case QJsonValue::Bool:
        return AValue.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    default:
        return QString();
    }
}

QString Member(const QJsonObject& AMsg, const char* AName)
{
    return JsonText(AMsg.value(QLatin1String(AName)));
}

QString Message(const char* AType, std::initializer_list<std::pair<const char*, QString>> AMembers)
{
    QString json = QStringLiteral("{\"type\":\"") + QLatin1String(AType) + u'"';
    for (const auto& [name, value] : AMembers)
        json += QStringLiteral(",\"") + QLatin1String(name) + QStringLiteral("\":\"") +
                JSONEscapeStr(value) + u'"';
    return json + u'}';
}

} // namespace

void TNoteEditor::SendToJS(const QString& AJsonStr)
{
    if (!FReady)
        return;
    if (FPostHook)
        FPostHook(AJsonStr);
    else
        PostToPage(AJsonStr);
}

int64_t TNoteEditor::NoteOfLoad(const QJsonObject& AMsg, bool& ACurrent) const
{
    // A message without a load number belongs to the current load.
    const QJsonValue seq = AMsg.value(QLatin1String("seq"));
    if (seq.isUndefined()) {
        ACurrent = true;
        return FNoteId;
    }
    bool ok = false;
    const int64_t n = JsonText(seq).toLongLong(&ok);
    ACurrent = ok && n == FLoadSeq;
    if (ACurrent)
        return FNoteId;
    const auto it = ok ? FLoadNotes.find(n) : FLoadNotes.end();
    return it == FLoadNotes.end() ? 0 : it->second;
}

void TNoteEditor::ReportContentChanged(const QJsonObject& AMsg)
{
    bool current = false;
    const int64_t noteId = NoteOfLoad(AMsg, current);
    const bool hasHtml = AMsg.contains(QLatin1String("html"));
    if (current) {
        if (hasHtml) {
            FCurrentHTML = Member(AMsg, "html");
            RestoreAnnotations(FNoteId, FCurrentHTML);
        }
        MarkDirty();
        return;
    }
    if (noteId == 0 || !hasHtml)
        return;
    const QString html = Member(AMsg, "html");
    if (noteId == FNoteId) {
        // Typed before the same note was shown again: the page shows the older body now.
        FCurrentHTML = html;
        RestoreAnnotations(FNoteId, FCurrentHTML);
        MarkDirty();
        DoLoadNote(FNoteId);
        return;
    }
    SaveLateReport(noteId, html);
}

void TNoteEditor::HandleJSMessage(const QString& AJsonStr)
{
    if (AJsonStr.isEmpty())
        return;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(AJsonStr.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return;
    const QJsonObject msg = doc.object();
    if (!msg.contains(QLatin1String("type")))
        return;
    PageHeardFrom();
    const QString type = Member(msg, "type");
    if (type == QLatin1String("ready")) {
        FRestarting = false;
        // A page started in place of one whose process ended, even when it came too late to be
        // waited for.
        const bool restarted = std::exchange(FStartedAgain, false);
        FReady = true;
        FUnreportedNote = 0;
        // A new document: what the one before was asked is not answered any more (it reported
        // its pending edit as it went away, or its process ended), and the note is shown again
        // below.
        FinishLoad(FLoadSeq);
        while (!FInputMarks.empty())
            FinishInputMark(FInputMarks.front().Token);
        if (!FFlushRequests.empty())
            FinishFlush(FFlushRequests.back().Token, true);
        if (FPendingNoteId > 0) {
            const int64_t id = FPendingNoteId;
            FPendingNoteId = 0;
            DoLoadNote(id);
        } else if (FNoteId > 0) {
            DoLoadNote(FNoteId, restarted);
        } else {
            SendToJS(QStringLiteral("{\"type\":\"setViewMode\",\"readOnly\":true}"));
        }
        if (restarted) {
            if (FStatusText == QStringLiteral("Restarting\u2026"))
                SetSaveStatus(FStatusAfterRestart);
            // Unless the user has gone to another control meanwhile.
            if (std::exchange(FRefocus, false) && (!window()->focusWidget() || PageHasFocus()))
                FocusBrowserHost();
            if (!AwaitingLoad())
                NotifyLoadShown();
        }
    } else if (type == QLatin1String("editState")) {
        bool current = false;
        const int64_t noteId = NoteOfLoad(msg, current);
        FUnreportedNote = msg.value(QLatin1String("pending")).toBool() ? noteId : 0;
        if (current)
            FPlace = {FNoteId, Member(msg, "scroll"), Member(msg, "block"), Member(msg, "caret")};
    } else if (type == QLatin1String("contentChanged")) {
        // A report carries all that the page holds.
        FUnreportedNote = 0;
        ReportContentChanged(msg);
    } else if (type == QLatin1String("tagsUpdated")) {
        bool current = false;
        NoteOfLoad(msg, current);
        if (!OnTagsUpdated || !current)
            return;
        TEditorTagArray tags;
        const QJsonValue list = msg.value(QLatin1String("tags"));
        if (list.isArray()) {
            for (const QJsonValue& item : list.toArray()) {
                TEditorTag tag;
                tag.Colour = QStringLiteral("yellow");
                if (item.isObject()) {
                    const QJsonObject o = item.toObject();
                    if (o.contains(QLatin1String("id")))
                        tag.Id = Member(o, "id");
                    if (o.contains(QLatin1String("tag")))
                        tag.Tag = Member(o, "tag");
                    if (o.contains(QLatin1String("colour")))
                        tag.Colour = Member(o, "colour");
                }
                tags.push_back(tag);
            }
        }
        OnTagsUpdated(this, tags);
    } else if (type == QLatin1String("annotationCreated")) {
        bool current = false;
        const int64_t noteId = NoteOfLoad(msg, current);
        const QString spanId = Member(msg, "spanId");
        const QString snippet = Member(msg, "snippet");
        const QString body = Member(msg, "body");
        // A span that comes back into the body (an annotation redone after its undo) keeps the
        // record it still has, or gets back the one a save deleted while the note was shown; a
        // note never holds two records for one span.
        if (current && WasRemovedAnnotation(spanId))
            return;
        if (noteId != 0) {
            const TAnnotationArray existing = AppDB->GetAnnotationsByNote(noteId);
            if (std::any_of(existing.begin(), existing.end(),
                            [&](const TAnnotation& A) { return A.SpanId == spanId; }))
                return;
        }
        if (current) {
            if (OnAnnotationCreated)
                OnAnnotationCreated(this, spanId, snippet, body);
        } else if (noteId != 0 && AppDB->GetNote(noteId).Id != 0) {
            // Made in a note that is no longer shown: its record still belongs to that note.
            AppDB->CreateAnnotation(noteId, spanId, snippet, body);
        }
    } else if (type == QLatin1String("annotationSpanClicked")) {
        bool current = false;
        NoteOfLoad(msg, current);
        if (OnAnnotationSpanClicked && current)
            OnAnnotationSpanClicked(this, Member(msg, "spanId"));
    } else if (type == QLatin1String("loadAck")) {
        // Without a number it confirms the current load.
        bool ok = true;
        const QJsonValue seq = msg.value(QLatin1String("seq"));
        const int64_t n = seq.isUndefined() ? FLoadSeq : JsonText(seq).toLongLong(&ok);
        if (ok)
            FinishLoad(n);
    } else if (type == QLatin1String("flushAck")) {
        bool ok = false;
        const int64_t token = Member(msg, "token").toLongLong(&ok);
        if (ok)
            FinishFlush(token, true);
    } else if (type == QLatin1String("inputRead")) {
        if (!FInputMarks.empty())
            FinishInputMark(FInputMarks.front().Token);
    } else if (type == QLatin1String("openLink")) {
        // Links of a note open in the user's browser, never in place of the page.
        const QUrl url = OpenableLinkUrl(Member(msg, "url"));
        if (!url.isEmpty())
            OpenUrlExternally(url);
    }
}

void TNoteEditor::RequestPendingEdit(std::function<void(bool)> AThen)
{
    if (!FReady && !FRestarting) {
        // As after an answer, AThen runs also when the save fails.
        try {
            SaveIfDirty();
        } catch (...) {
            if (AThen)
                AThen(true);
            throw;
        }
        if (AThen)
            AThen(true);
        return;
    }
    const int64_t token = ++FFlushToken;
    FFlushRequests.push_back({token, std::move(AThen)});
    ShowSaveStatus();
    SendToJS(Message("flush", {{"token", QString::number(token)}}));
    if (PageUnresponsive())
        QTimer::singleShot(0, this, Guarded([this, token] { FinishFlush(token, false); }));
    else
        WatchForAnswer();
}

void TNoteEditor::FinishFlush(int64_t AToken, bool AAnswered)
{
    std::vector<std::function<void(bool)>> done;
    while (!FFlushRequests.empty() && FFlushRequests.front().Token <= AToken) {
        done.push_back(std::move(FFlushRequests.front().Then));
        FFlushRequests.erase(FFlushRequests.begin());
    }
    if (done.empty())
        return;
    // The continuations run even when the save fails, so that no one waits for ever.
    auto queue = qScopeGuard([&] {
        for (std::function<void(bool)>& then : done)
            if (then)
                QTimer::singleShot(
                    0, this, Guarded([then = std::move(then), AAnswered] { then(AAnswered); }));
        ShowSaveStatus();
        WatchForAnswer();
    });
    SaveIfDirty();
}

void TNoteEditor::FinishLoad(int64_t ASeq)
{
    if (ASeq <= FShownLoad)
        return;
    FShownLoad = std::min(ASeq, FLoadSeq);
    if (!AwaitingLoad())
        NotifyLoadShown();
    WatchForAnswer();
}

void TNoteEditor::NotifyLoadShown()
{
    if (OnLoadShown)
        QTimer::singleShot(0, this, Guarded([this] {
                               if (!AwaitingLoad() && OnLoadShown)
                                   OnLoadShown(this);
                           }));
}

void TNoteEditor::SetPageAnswerTimeout(int AMs)
{
    FAnswerTimeoutMs = AMs;
    ExtendAnswerWait();
}

void TNoteEditor::ExtendAnswerWait()
{
    if (FAnswerTimer->isActive())
        FAnswerTimer->start(FAnswerTimeoutMs);
}

void TNoteEditor::WatchForAnswer()
{
    if (FStoppingWait)
        return;
    if (!AwaitingAnswer()) {
        FAnswerTimer->stop();
        return;
    }
    if (PageUnresponsive()) {
        // Nothing is waited for until the page is heard from again.
        StopWaitingForPage();
        return;
    }
    if (!FAnswerTimer->isActive())
        FAnswerTimer->start(FAnswerTimeoutMs);
}

void TNoteEditor::PageHeardFrom()
{
    FPageGone = false;
    FPageSilent = false;
    ExtendAnswerWait();
}

void TNoteEditor::StopWaitingForPage(bool AAnswered)
{
    if (FStoppingWait)
        return;
    FStoppingWait = true;
    auto done = qScopeGuard([this] { FStoppingWait = false; });
    FAnswerTimer->stop();
    // A page started in place of one that ended and not up in time is not waited for either.
    const bool wasRestarting = std::exchange(FRestarting, false);
    FinishLoad(FLoadSeq);
    if (wasRestarting && !AwaitingLoad())
        NotifyLoadShown();
    while (!FInputMarks.empty())
        FinishInputMark(FInputMarks.front().Token);
    if (!FFlushRequests.empty())
        FinishFlush(FFlushRequests.back().Token, AAnswered);
}

void TNoteEditor::PageProcessFailed()
{
    // A page that ends before it came up is not started over and over.
    const bool restart = FReady;
    const int64_t lost = std::exchange(FUnreportedNote, 0);
    FRefocus = PageHasFocus();
    FReady = false;
    FPageGone = true;
    FPageSilent = false;
    StopWaitingForPage(lost == 0);
    auto status = qScopeGuard([this, lost] {
        FStatusAfterRestart = FStatusText;
        if (lost != 0)
            SetSaveStatus(QStringLiteral("Not saved"));
        else if (FRestarting)
            SetSaveStatus(QStringLiteral("Restarting\u2026"));
    });
    // The new page says "ready" and is given the open note as at any start.
    if (restart)
        FRestarting = FStartedAgain = StartPage();
    if (FRestarting)
        WatchForAnswer();
    if (OnPageFailed)
        OnPageFailed(this, lost);
    // What the page reported is kept; what it had not reported went with it.
    SaveIfDirty();
}

bool TNoteEditor::PageHasFocus() const
{
    // The window's focus, also while a message box has the keyboard.
    const QWidget* focus = window()->focusWidget();
    return focus && FWVWinParent && (focus == FWVWinParent || FWVWinParent->isAncestorOf(focus));
}

bool TNoteEditor::IsPageInput(const QObject* AObject) const
{
    const auto* widget = qobject_cast<const QWidget*>(AObject);
    return widget && FWVWinParent && FWVWinParent->isAncestorOf(widget);
}

QWidget* TNoteEditor::PageInput() const
{
    // The browser's view hands its input on to the widget of the page it shows.
    if (!FWVWinParent)
        return nullptr;
    for (QWidget* widget : FWVWinParent->findChildren<QWidget*>())
        if (QWidget* proxy = widget->focusProxy(); proxy && FWVWinParent->isAncestorOf(proxy))
            return proxy;
    return nullptr;
}

void TNoteEditor::AfterPageReadInput(QObject* AInput, std::function<void()> AThen)
{
    // The page reads its input where it takes it now.
    if (QWidget* now = PageInput(); now && IsPageInput(AInput))
        AInput = now;
    const int64_t token = ++FInputMarkToken;
    FInputMarks.push_back({token, std::move(AThen)});
    if (!FReady || !AInput || PageUnresponsive()) {
        FinishInputMark(token);
        return;
    }
    const Qt::KeyboardModifiers mark = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
    QCoreApplication::postEvent(AInput, new QKeyEvent(QEvent::KeyPress, Qt::Key_F13, mark));
    QCoreApplication::postEvent(AInput, new QKeyEvent(QEvent::KeyRelease, Qt::Key_F13, mark));
    WatchForAnswer();
}

void TNoteEditor::FinishInputMark(int64_t AToken)
{
    const auto it =
        std::find_if(FInputMarks.begin(), FInputMarks.end(),
                     [AToken](const TInputMark& AMark) { return AMark.Token == AToken; });
    if (it == FInputMarks.end())
        return;
    std::function<void()> then = std::move(it->Then);
    FInputMarks.erase(it);
    if (then)
        QTimer::singleShot(0, this, Guarded(std::move(then)));
    WatchForAnswer();
}

void TNoteEditor::HandleTagAction(const QString& AId, const QString& AColour,
                                  const QString& AAction)
{
    if (!FReady)
        return;
    if (AAction == QLatin1String("showAll"))
        SendToJS(Message("showAll", {}));
    else if (AAction == QLatin1String("hideAll"))
        SendToJS(Message("hideAll", {}));
    else if (AAction == QLatin1String("show"))
        SendToJS(Message("showTag", {{"id", AId}, {"colour", AColour}}));
    else if (AAction == QLatin1String("fade"))
        SendToJS(Message("fadeTag", {{"id", AId}, {"colour", AColour}}));
    else if (AAction == QLatin1String("hide"))
        SendToJS(Message("hideTag", {{"id", AId}}));
    else if (AAction == QLatin1String("showColour"))
        SendToJS(Message("showColour", {{"colour", AColour}}));
    else if (AAction == QLatin1String("hideColour"))
        SendToJS(Message("hideColour", {{"colour", AColour}}));
    else if (AAction == QLatin1String("remove"))
        SendToJS(Message("removeTag", {{"id", AId}}));
    else if (AAction == QLatin1String("rename"))
        SendToJS(Message("renameTag", {{"id", AId}, {"name", AColour}}));
    else if (AAction == QLatin1String("recolour"))
        SendToJS(Message("recolourTag", {{"id", AId}, {"colour", AColour}}));
}

void TNoteEditor::HandleAnnotationAction(const QString& ASpanId, const QString& AAction)
{
    if (!FReady)
        return;
    if (AAction == QLatin1String("scroll"))
        SendToJS(Message("scrollAnnotation", {{"spanId", ASpanId}}));
    else if (AAction == QLatin1String("remove"))
        SendToJS(Message("removeAnnotSpan", {{"spanId", ASpanId}}));
}

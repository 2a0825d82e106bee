// The annotations of the open note, newest on top: a click asks the editor to scroll to the
// passage, the pencil edits the note text, the cross deletes the annotation and its span.
#pragma once

#include "controls.h"
#include "models.h"

#include <QPointer>
#include <functional>
#include <vector>

class QPushButton;
class QTimer;

using TAnnotationActionEvent = std::function<void(QObject* ASender, int64_t AAnnotId,
                                                  const QString& ASpanId, const QString& AAction)>;

class TAnnotationPane : public TPanel
{
public:
    explicit TAnnotationPane(QWidget* AOwner = nullptr);

    void Clear();
    void Refresh(int64_t ANoteId);
    void ScrollToRow(const QString& ASpanId);

    TAnnotationActionEvent OnAnnotAction;
    TNotifyEvent OnInsertAnnotationRequest;

    int64_t NoteId() const { return FNoteId; }
    int RowCount() const { return static_cast<int>(FRowIds.size()); }
    // The row panel of the annotation at AIndex of the store's order.
    QWidget* RowPanel(int AIndex) const;
    QWidget* FlashPanel() const { return FFlashPanel; }
    QTimer* FlashTimer() const { return FFlashTimer; }
    TScrollBox* ScrollBox() const { return FScrollBox; }
    QPushButton* InsertAnnotButton() const { return FInsertAnnotBtn; }
    static QColor RowColour();
    static QColor FlashColour();

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void ClearRows();
    void ReloadRows();
    void QueueReload();
    void AddRow(int AIndex, const TAnnotation& AAnnotation);
    void RowClick(int AIndex);
    void EditClick(int AIndex);
    void DeleteClick(int AIndex);
    void FlashTimerTick();

    TPanel* FHeader;
    QLabel* FHeaderLabel;
    QPushButton* FInsertAnnotBtn;
    TScrollBox* FScrollBox;
    int64_t FNoteId = 0;
    std::vector<int64_t> FRowIds;
    std::vector<QString> FRowSpanIds;
    std::vector<QPointer<TPanel>> FRowPanels;
    QPointer<TPanel> FFlashPanel;
    QTimer* FFlashTimer;
};

// The strip of the open note's note tags: one chip per tag with a remove button, and a box
// that adds a tag by name (an existing one, found without regard to case, or a new one).
#pragma once

#include "controls.h"

#include <QFrame>
#include <cstdint>
#include <functional>

class QComboBox;
class QPushButton;

using TTagChangeEvent = std::function<void(QObject* ASender)>;

class TTagChip : public QFrame
{
public:
    TTagChip(QWidget* AOwner, const QString& AName, int64_t ATagId);
    int64_t TagId() const { return FTagId; }
    QString TagName() const { return FTagName; }
    QPushButton* RemoveButton() const { return FRemove; }
    std::function<void(QObject* ASender)> OnRemove;

private:
    int64_t FTagId;
    QString FTagName;
    QLabel* FLabel;
    QPushButton* FRemove;
};

class TNoteTagStrip : public TPanel
{
public:
    explicit TNoteTagStrip(QWidget* AOwner = nullptr);

    void LoadForNote(int64_t ANoteId);
    void Refresh();
    TTagChangeEvent OnChanged;

    int64_t NoteId() const { return FNoteId; }
    QList<TTagChip*> Chips() const;
    QComboBox* AddEdit() const { return FAddEdit; }
    QPushButton* AddButton() const { return FAddBtn; }
    TScrollBox* ScrollBox() const { return FScrollBox; }

protected:
    bool eventFilter(QObject* AWatched, QEvent* AEvent) override;

private:
    void ClearChips();
    void AddChip(const QString& AName, int64_t ATagId);
    void CommitAdd();
    void ChipRemoveClick(QObject* ASender);

    TScrollBox* FScrollBox;
    QComboBox* FAddEdit = nullptr;
    QPushButton* FAddBtn;
    int64_t FNoteId = 0;
    std::vector<QPointer<TTagChip>> FChips;
};

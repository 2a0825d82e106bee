#include "notetagstrip.h"

#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"

#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>

TTagChip::TTagChip(QWidget* AOwner, const QString& AName, int64_t ATagId)
    : QFrame(AOwner), FTagId(ATagId), FTagName(AName)
{
    const int ppi = ScreenPPI();
    auto S = [ppi](int v) { return ScaleBy(v, ppi); };
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Raised);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(76, 108, 212));
    pal.setColor(QPalette::WindowText, Qt::white);
    setPalette(pal);
    setAutoFillBackground(true);
    setProperty("tagId", QVariant::fromValue<qint64>(ATagId));
    const int width = QFontMetrics(QApplication::font()).horizontalAdvance(AName) + S(20) + S(22);
    resize(width, S(26));
    FLabel = NewPlainLabel(AName, this);
    FLabel->move(S(6), S(5));
    FLabel->adjustSize();
    FRemove = new QPushButton(QStringLiteral("\u00D7"), this);
    FRemove->setGeometry(width - S(20) - S(3), S(3), S(20), S(20));
    connect(FRemove, &QPushButton::clicked, this, Guarded([this] {
                if (OnRemove)
                    OnRemove(this);
            }));
}

TNoteTagStrip::TNoteTagStrip(QWidget* AOwner) : TPanel(AOwner)
{
    const QColor face = palette().color(QPalette::Button);
    SetColor(face);
    auto* addArea = new TPanel(this);
    addArea->SetColor(face);
    FAddBtn = new QPushButton(QStringLiteral("+"), addArea);
    addArea->AddAligned(FAddBtn, alRight, 36);
    FAddEdit = new QComboBox(addArea);
    FAddEdit->setEditable(true);
    FAddEdit->setInsertPolicy(QComboBox::NoInsert);
    FAddEdit->completer()->setCompletionMode(QCompleter::InlineCompletion);
    FAddEdit->completer()->setCaseSensitivity(Qt::CaseInsensitive);
    const int boxH = FAddEdit->sizeHint().height();
    FAddEdit->setGeometry(2, (48 - boxH) / 2, 170 - 36 - 4, boxH);
    AddAligned(addArea, alRight, 170);
    FScrollBox = new TScrollBox(this);
    FScrollBox->SetColor(face);
    FScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FScrollBox->setWidgetResizable(false);
    AddAligned(FScrollBox, alClient);
    FAddEdit->installEventFilter(this);
    FAddEdit->lineEdit()->installEventFilter(this);
    connect(FAddBtn, &QPushButton::clicked, this, Guarded([this] { CommitAdd(); }));
}

bool TNoteTagStrip::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    return RunGuarded(true, [&] {
        if (FAddEdit && (AWatched == FAddEdit || AWatched == FAddEdit->lineEdit()) &&
            AEvent->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(AEvent)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                CommitAdd();
                return true;
            }
        }
        return TPanel::eventFilter(AWatched, AEvent);
    });
}

void TNoteTagStrip::LoadForNote(int64_t ANoteId)
{
    FNoteId = ANoteId;
    Refresh();
}

QList<TTagChip*> TNoteTagStrip::Chips() const
{
    QList<TTagChip*> result;
    for (const QPointer<TTagChip>& c : FChips)
        if (c)
            result << c;
    return result;
}

void TNoteTagStrip::ClearChips()
{
    FScrollBox->ClearRows();
    FChips.clear();
    FScrollBox->Content()->resize(0, FScrollBox->viewport()->height());
}

void TNoteTagStrip::Refresh()
{
    ClearChips();
    {
        const QString typed = FAddEdit->currentText();
        FAddEdit->setUpdatesEnabled(false);
        auto endUpdate = qScopeGuard([this, typed] {
            FAddEdit->setEditText(typed);
            FAddEdit->setUpdatesEnabled(true);
        });
        FAddEdit->clear();
        QStringList names;
        for (const TNoteTag& t : AppDB->GetAllNoteTags())
            names << t.Name;
        names.sort(Qt::CaseInsensitive);
        FAddEdit->addItems(names);
    }
    if (FNoteId != 0)
        for (const TNoteTag& t : AppDB->GetNoteTagsForNote(FNoteId))
            AddChip(t.Name, t.Id);
}

void TNoteTagStrip::AddChip(const QString& AName, int64_t ATagId)
{
    const int m = 4 * ScreenPPI() / 96;
    int x = m;
    for (const QPointer<TTagChip>& c : FChips)
        if (c)
            x += c->width() + m;
    auto* chip = new TTagChip(FScrollBox->Content(), AName, ATagId);
    chip->move(x, m);
    chip->OnRemove = [this](QObject* ASender) { ChipRemoveClick(ASender); };
    FScrollBox->Content()->AddAligned(chip, alNone);
    FChips.push_back(chip);
    FScrollBox->Content()->resize(x + chip->width() + m, FScrollBox->viewport()->height());
}

void TNoteTagStrip::CommitAdd()
{
    const QString name = TrimText(FAddEdit->currentText());
    if (name.isEmpty() || FNoteId == 0)
        return;
    AppDB->AddTagToNote(FNoteId, name);
    FAddEdit->setEditText(QString());
    Refresh();
    if (OnChanged)
        OnChanged(this);
}

void TNoteTagStrip::ChipRemoveClick(QObject* ASender)
{
    auto* chip = dynamic_cast<TTagChip*>(ASender);
    if (!chip || FNoteId <= 0)
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    // Copied before the question: the chips may be rebuilt while it is open.
    const int64_t noteId = FNoteId;
    const int64_t tagId = chip->TagId();
    const QString tagName = chip->TagName();
    if (!ConfirmDlg(QStringLiteral("Remove Tag"), QStringLiteral("Remove tag \"") + tagName +
                                                      QStringLiteral("\" from this note?")))
        return;
    AppDB->RemoveTagFromNote(noteId, tagId);
    QTimer::singleShot(0, this, Guarded([this] { Refresh(); }));
    if (OnChanged)
        OnChanged(this);
}

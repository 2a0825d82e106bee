#include "embeddedtagpane.h"

#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"
#include "highlightcolours.h"

#include <QPushButton>

#include <algorithm>

namespace {

const QColor PaneColour(244, 244, 244);

} // namespace

int CompareText(const QString& A, const QString& B)
{
    const qsizetype n = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t a = A.at(i).unicode(), b = B.at(i).unicode();
        if (a >= u'a' && a <= u'z')
            a = static_cast<char16_t>(a - 32);
        if (b >= u'a' && b <= u'z')
            b = static_cast<char16_t>(b - 32);
        if (a != b)
            return a < b ? -1 : 1;
    }
    return A.size() == B.size() ? 0 : (A.size() < B.size() ? -1 : 1);
}

TEmbeddedTagPane::TEmbeddedTagPane(QWidget* AOwner) : TPanel(AOwner)
{
    SetColor(PaneColour);
    FHeader = new TPanel(this);
    FHeader->SetColor(PaneColour);
    FTitleLabel = NewPlainLabel(QStringLiteral("Embedded Tags"), FHeader);
    QFont bold = FTitleLabel->font();
    bold.setBold(true);
    FTitleLabel->setFont(bold);
    FTitleLabel->setAlignment(Qt::AlignCenter);
    FHeader->AddAligned(FTitleLabel, alTop, 16, QMargins(0, 6, 0, 0));
    FBtnShowAll = new QPushButton(QStringLiteral("Show All"), FHeader);
    FBtnHideAll = new QPushButton(QStringLiteral("Hide All"), FHeader);
    FInsertTagBtn = new QPushButton(QStringLiteral("+ Tag"), FHeader);
    PlaceHeaderButtons();
    FInsertTagBtn->setToolTip(
        QStringLiteral("Select text in the note, then click to insert an embedded tag"));
    FBtnShowAll->setEnabled(false);
    FBtnHideAll->setEnabled(false);
    AddAligned(FHeader, alTop, 54);
    FScrollBox = new TScrollBox(this);
    FScrollBox->SetColor(PaneColour);
    AddAligned(FScrollBox, alClient);

    connect(FBtnShowAll, &QPushButton::clicked, this, Guarded([this] {
                if (OnTagAction)
                    OnTagAction(QString(), QString(), QStringLiteral("showAll"));
            }));
    connect(FBtnHideAll, &QPushButton::clicked, this, Guarded([this] {
                if (OnTagAction)
                    OnTagAction(QString(), QString(), QStringLiteral("hideAll"));
            }));
    connect(FInsertTagBtn, &QPushButton::clicked, this, Guarded([this] {
                if (OnInsertTagRequest)
                    OnInsertTagRequest(this);
            }));
}

void TEmbeddedTagPane::resizeEvent(QResizeEvent* AEvent)
{
    TPanel::resizeEvent(AEvent);
    RunGuarded([this] { PlaceHeaderButtons(); });
}

void TEmbeddedTagPane::PlaceHeaderButtons()
{
    // 70, 70 and 60 wide with gaps of 2 and 4 from left 2 take 210 pixels; a narrower pane
    // shares what it has in the same proportions, so that no button reaches past its edge.
    const int room = std::clamp(width(), 10, 210) - 10;
    const int showW = room * 70 / 200;
    const int hideW = room * 70 / 200;
    const int tagW = room - showW - hideW;
    FBtnShowAll->setGeometry(2, 28, showW, 24);
    FBtnHideAll->setGeometry(2 + showW + 2, 28, hideW, 24);
    FInsertTagBtn->setGeometry(2 + showW + 2 + hideW + 4, 28, tagW, 24);
}

QColor TEmbeddedTagPane::ColourToTColor(const QString& AColour)
{
    return HighlightColour(AColour);
}

void TEmbeddedTagPane::ClearRows()
{
    FScrollBox->ClearRows();
    FRowIds.clear();
    FRowColours.clear();
    FRowNames.clear();
}

void TEmbeddedTagPane::Populate(const TEditorTagArray& ATags)
{
    TEditorTagArray sorted = ATags;
    // A bubble sort swapping neighbours only when the first is greater keeps equal names in
    // the order the page listed them.
    for (size_t pass = 0; pass + 1 < sorted.size(); ++pass)
        for (size_t i = 0; i + 1 < sorted.size() - pass; ++i)
            if (CompareText(sorted[i].Tag, sorted[i + 1].Tag) > 0)
                std::swap(sorted[i], sorted[i + 1]);
    ClearRows();
    for (const TEditorTag& t : sorted) {
        FRowIds.push_back(t.Id);
        FRowColours.push_back(t.Colour);
        FRowNames.push_back(t.Tag);
    }
    for (int i = 0; i < static_cast<int>(sorted.size()); ++i)
        AddRow(i);
    FBtnShowAll->setEnabled(!sorted.empty());
    FBtnHideAll->setEnabled(!sorted.empty());
}

void TEmbeddedTagPane::Clear()
{
    Populate(TEditorTagArray());
}

void TEmbeddedTagPane::AddRow(int AIndex)
{
    const int ppi = ScreenPPI();
    auto S = [ppi](int v) { return ScaleBy(v, ppi); };
    auto* row = new TPanel;
    row->SetColor(ColourToTColor(FRowColours[AIndex]));
    row->setProperty("rowIndex", AIndex);
    AddRowSeparator(row, PaneColour, QColor(204, 204, 204));
    const int room = S(32) - 5;
    const int vm = std::max(0, (room - S(26)) / 2);
    auto button = [&](const QString& ACaption, int AWidth, const QString& ATip) {
        auto* b = new QPushButton(ACaption, row);
        b->setToolTip(ATip);
        b->setProperty("rowIndex", AIndex);
        row->AddAligned(b, alRight, AWidth, QMargins(0, vm, 0, std::max(0, room - S(26) - vm)));
        return b;
    };
    QPushButton* remove = button(QStringLiteral("\u2715"), S(26), QString());
    QPushButton* fade = button(QStringLiteral("Fade"), S(44), QString());
    QPushButton* edit = button(QStringLiteral("\u270E"), S(26), QStringLiteral("Rename tag"));
    auto* name = new TClickLabel(u' ' + FRowNames[AIndex], row);
    name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    name->setCursor(Qt::PointingHandCursor);
    name->setProperty("rowIndex", AIndex);
    row->AddAligned(name, alClient);
    name->OnClick = [this, AIndex] { RaiseAction(AIndex, QStringLiteral("show")); };
    connect(fade, &QPushButton::clicked, this,
            Guarded([this, AIndex] { RaiseAction(AIndex, QStringLiteral("fade")); }));
    connect(edit, &QPushButton::clicked, this, Guarded([this, AIndex] { RenameTagClick(AIndex); }));
    connect(remove, &QPushButton::clicked, this,
            Guarded([this, AIndex] { RemoveTagClick(AIndex); }));
    FScrollBox->AddRow(row, S(32));
}

void TEmbeddedTagPane::RaiseAction(int AIndex, const QString& AAction)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const QString id = FRowIds[AIndex], colour = FRowColours[AIndex];
    if (OnTagAction)
        OnTagAction(id, colour, AAction);
}

void TEmbeddedTagPane::RenameTagClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    // The row's values are copied first: the list may be rebuilt while the dialog is open.
    const QString id = FRowIds[AIndex], oldName = FRowNames[AIndex],
                  oldColour = FRowColours[AIndex];
    QString name = oldName, colour = oldColour;
    if (!TagEditDlg(QStringLiteral("Edit Embedded Tag"), name, colour))
        return;
    const QString trimmed = TrimText(name);
    if (!trimmed.isEmpty() && trimmed != oldName && OnTagAction)
        OnTagAction(id, trimmed, QStringLiteral("rename"));
    if (colour != oldColour && OnTagAction)
        OnTagAction(id, colour, QStringLiteral("recolour"));
}

void TEmbeddedTagPane::RemoveTagClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const QString id = FRowIds[AIndex], colour = FRowColours[AIndex];
    if (!ConfirmDlg(QStringLiteral("Remove Embedded Tag"),
                    QStringLiteral("Remove the embedded tag from this passage?\r\nThe "
                                   "highlighted text will be kept; only the tag marker is "
                                   "removed.")))
        return;
    if (OnTagAction)
        OnTagAction(id, colour, QStringLiteral("remove"));
}

#include "linkspane.h"

#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "guarded.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

namespace {

const QColor PaneColour(244, 244, 244);

} // namespace

TLinksPane::TLinksPane(QWidget* AOwner) : TPanel(AOwner)
{
    SetColor(PaneColour);
    const TPaneHeader header = NewPaneHeader(
        this, QStringLiteral(" Links"), QStringLiteral("+ Link"),
        QStringLiteral("Add a link to a judgment (e.g. BAILII, Westlaw, LexisNexis, vLex)"), 66);
    FHeader = header.Panel;
    FHeaderLabel = header.Label;
    FAddBtn = header.Button;
    FAddBtn->setEnabled(false);
    AddAligned(FHeader, alTop, 26);
    FScrollBox = new TScrollBox(this);
    FScrollBox->SetColor(PaneColour);
    FScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    AddAligned(FScrollBox, alClient);
    connect(FAddBtn, &QPushButton::clicked, this, Guarded([this] { AddBtnClick(); }));
}

void TLinksPane::LoadForNote(int64_t ANoteId)
{
    FNoteId = ANoteId;
    FAddBtn->setEnabled(ANoteId > 0);
    Refresh();
}

void TLinksPane::ClearRows()
{
    FScrollBox->ClearRows();
    FLinkIds.clear();
    FLinkUrls.clear();
}

void TLinksPane::Clear()
{
    FNoteId = 0;
    FAddBtn->setEnabled(false);
    ClearRows();
    FHeaderLabel->setText(QStringLiteral(" Links"));
}

void TLinksPane::Refresh()
{
    ClearRows();
    if (FNoteId != 0) {
        const TNoteLinkArray links = AppDB->GetLinks(FNoteId);
        for (const TNoteLink& l : links) {
            FLinkIds.push_back(l.Id);
            FLinkUrls.push_back(l.Url);
        }
        for (int i = 0; i < static_cast<int>(links.size()); ++i)
            AddRow(i, links[i].LinkLabel.isEmpty() ? links[i].Url : links[i].LinkLabel,
                   links[i].Url);
    }
    FHeaderLabel->setText(FLinkIds.empty() ? QStringLiteral(" Links")
                                           : QStringLiteral(" Links (") +
                                                 QString::number(FLinkIds.size()) + u')');
}

void TLinksPane::QueueRefresh()
{
    QTimer::singleShot(0, this, Guarded([this] { Refresh(); }));
}

void TLinksPane::AddRow(int AIndex, const QString& AText, const QString& AUrl)
{
    const int ppi = ScreenPPI();
    auto* row = new TPanel;
    row->SetColor(PaneColour);
    row->AddAligned(NewColourStrip(QColor(204, 204, 204), row), alBottom, 1);
    auto* remove = new QPushButton(QStringLiteral("\u2715"), row);
    remove->setToolTip(QStringLiteral("Remove link"));
    row->AddAligned(remove, alRight, ScaleBy(26, ppi));
    auto* text = new TClickLabel(u' ' + AText, row);
    text->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetTextColour(text, QColor(26, 92, 200));
    // Tooltips take markup; the address is escaped so it shows exactly as stored.
    text->setToolTip(QStringLiteral("<span>") + AUrl.toHtmlEscaped() + QStringLiteral("</span>"));
    text->setCursor(Qt::PointingHandCursor);
    row->AddAligned(text, alClient);
    text->OnClick = [this, AIndex] { OpenLinkClick(AIndex); };
    connect(remove, &QPushButton::clicked, this,
            Guarded([this, AIndex] { RemoveLinkClick(AIndex); }));
    FScrollBox->AddRow(row, ScaleBy(26, ppi));
}

void TLinksPane::AddBtnClick()
{
    if (FNoteId == 0)
        return;
    const int64_t noteId = FNoteId;
    QString url, label;
    if (!LinkEditDlg(QStringLiteral("Add Link"), url, label))
        return;
    AppDB->AddLink(noteId, url, label);
    Refresh();
}

void TLinksPane::OpenLinkClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const QString stored = FLinkUrls[AIndex];
    const QUrl url = OpenableLinkUrl(stored);
    if (url.isEmpty())
        ShowMessage(QStringLiteral("This link cannot be opened in the browser:\n") + stored +
                    QStringLiteral("\n\nOnly web (http, https) and mail (mailto) addresses are "
                                   "opened."));
    else if (!OpenUrlExternally(url))
        ShowMessage(QStringLiteral("The system's browser or mail program could not be started "
                                   "for this link:\n") +
                    stored);
}

void TLinksPane::RemoveLinkClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= RowCount())
        return;
    TScrollBox::TRowHandlerGuard guard(FScrollBox);
    const int64_t id = FLinkIds[AIndex];
    if (!ConfirmDlg(QStringLiteral("Remove Link"),
                    QStringLiteral("Remove this link from the note?")))
        return;
    AppDB->DeleteLink(id);
    QueueRefresh();
}

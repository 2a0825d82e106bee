#include "attachmentpane.h"

#include "attachstore.h"
#include "database.h"
#include "dlgseam.h"
#include "dmdialogs.h"
#include "filecopy.h"
#include "filename.h"
#include "guarded.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <stdexcept>

const char* const CannotPreviewPage =
    "<html><body style=\"font-family:sans-serif;padding:20px;\"><p>Cannot preview this file "
    "type.</p><p>Use <b>Export</b> to save a copy and open it externally.</p></body></html>";

namespace {

const int HeaderHeight = 30;

// The save-file dialog, answered through the dialog seam in tests. The toolkit's own dialog
// reads a typed name holding double quotes as a list of quoted names; a file name may hold
// quotes, so such a name is taken whole, in the folder the dialog shows.
class TSaveFileDialog : public QFileDialog
{
public:
    QString Chosen;
    void accept() override
    {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        if (!typed.contains(u'"')) {
            QFileDialog::accept();
            return;
        }
        const QFileInfo target(directory().absoluteFilePath(typed));
        if (!target.absoluteDir().exists()) {
            ShowMessage(target.absolutePath() + QStringLiteral("\nThe folder does not exist."));
            return;
        }
        if (target.isDir())
            return;
        if (target.exists() &&
            !AskYesNo(windowTitle(),
                      target.fileName() +
                          QStringLiteral(" already exists.\nDo you want to replace it?")))
            return;
        Chosen = target.absoluteFilePath();
        QDialog::accept();
    }
};

QString SaveFileDlg(const QString& AFileName)
{
    TSaveFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(QStringLiteral("All files (*.*)"));
    const QString ext = FileNameExtension(AFileName);
    if (!ext.isEmpty())
        dialog.setDefaultSuffix(ext.mid(1));
    dialog.selectFile(AFileName);
    if (dlgseam::ExecModal(dialog) != QDialog::Accepted)
        return QString();
    const QVariant scripted = dialog.property("quorvelAnswer");
    if (scripted.isValid())
        return scripted.toString();
    if (!dialog.Chosen.isEmpty())
        return dialog.Chosen;
    return dialog.selectedFiles().value(0);
}

} // namespace

TAttachmentPane::TAttachmentPane(QWidget* AOwner) : TPanel(AOwner)
{
    const QColor face = palette().color(QPalette::Button);
    SetColor(face);
    const int ppi = ScreenPPI();
    auto S = [ppi](int v) { return ScaleBy(v, ppi); };

    FHeaderPanel = new TPanel(this);
    FHeaderPanel->SetColor(face);
    FAttachBtn = new QPushButton(QStringLiteral("+ Attach"), FHeaderPanel);
    FHeaderPanel->AddAligned(FAttachBtn, alRight, 80);
    FToggleBtn = new QPushButton(QStringLiteral("\u25B6 Attachments"), FHeaderPanel);
    FHeaderPanel->AddAligned(FToggleBtn, alClient);
    AddAligned(FHeaderPanel, alTop, HeaderHeight);

    FBodyPanel = new TPanel(this);
    FBodyPanel->SetColor(Qt::white);
    AddAligned(FBodyPanel, alClient);
    FListScroll = new TScrollBox(FBodyPanel);
    FListScroll->SetColor(Qt::white);
    FListScroll->setFrameShape(QFrame::NoFrame);
    FListScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FBodyPanel->AddAligned(FListScroll, alClient);
    FListScroll->hide();

    FViewerOuter = new TPanel(FBodyPanel);
    FBodyPanel->AddAligned(FViewerOuter, alClient);
    FViewerHeader = new TPanel(FViewerOuter);
    FViewerHeader->SetColor(face);
    FViewerCloseBtn = new QPushButton(QStringLiteral("\u2715 Close"), FViewerHeader);
    FViewerHeader->AddAligned(FViewerCloseBtn, alRight, 70);
    FViewerLabel = NewPlainLabel(QString(), FViewerHeader);
    QFont bold = FViewerLabel->font();
    bold.setBold(true);
    FViewerLabel->setFont(bold);
    FViewerLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    FViewerHeader->AddAligned(FViewerLabel, alClient);
    FViewerOuter->AddAligned(FViewerHeader, alTop, 28);
    FViewerOuter->hide();
    CreateViewerBrowser();

    FViewerTimer = new QTimer(this);
    FViewerTimer->setInterval(100);
    connect(FViewerTimer, &QTimer::timeout, this, Guarded([this] { ViewerTimerTick(); }));

    connect(FToggleBtn, &QPushButton::clicked, this, Guarded([this] { SetExpanded(!FExpanded); }));
    connect(FAttachBtn, &QPushButton::clicked, this, Guarded([this] { AttachBtnClick(); }));
    connect(FViewerCloseBtn, &QPushButton::clicked, this, Guarded([this] { HideViewer(); }));
    (void)S;
}

TAttachmentPane::~TAttachmentPane()
{
    FViewerTimer->stop();
}

int TAttachmentPane::GetHeaderPanelHeight() const
{
    return HeaderHeight;
}

int TAttachmentPane::BarHeight() const
{
    const QWidget* bar = parentWidget();
    if (!bar)
        return height();
    if (const auto* owner = dynamic_cast<const TPanel*>(bar->parentWidget())) {
        if (owner->AlignOf(bar) != alNone)
            return owner->Extent(bar);
    }
    return bar->height();
}

void TAttachmentPane::SetBarHeight(int AHeight)
{
    QWidget* bar = parentWidget();
    if (!bar) {
        resize(width(), AHeight);
        return;
    }
    if (auto* owner = dynamic_cast<TPanel*>(bar->parentWidget())) {
        if (owner->AlignOf(bar) != alNone) {
            owner->SetExtent(bar, AHeight);
            return;
        }
    }
    bar->resize(bar->width(), AHeight);
}

void TAttachmentPane::SetExpanded(bool AExpanded)
{
    const int ppi = ScreenPPI();
    FExpanded = AExpanded;
    if (AExpanded) {
        if (height() <= HeaderHeight + 10)
            SetBarHeight(BarHeight() + (HeaderHeight - height()) + ScaleBy(200, ppi));
        if (!FViewerOuter->isVisibleTo(this))
            FListScroll->show();
    } else {
        FListScroll->hide();
        FViewerOuter->hide();
        SetBarHeight(BarHeight() + (HeaderHeight - height()));
    }
    UpdateToggleCaption();
}

void TAttachmentPane::NotifyHeightChanged()
{
    if (height() > HeaderHeight + 10 && !FExpanded) {
        FExpanded = true;
        if (!FViewerOuter->isVisibleTo(this))
            FListScroll->show();
        UpdateToggleCaption();
    } else if (height() <= HeaderHeight + 10 && FExpanded) {
        FExpanded = false;
        FListScroll->hide();
        FViewerOuter->hide();
        UpdateToggleCaption();
    }
}

void TAttachmentPane::UpdateToggleCaption()
{
    FToggleBtn->setText((FExpanded ? QStringLiteral("\u25BC Attachments (")
                                   : QStringLiteral("\u25B6 Attachments (")) +
                        QString::number(FAttachList.size()) + u')');
}

void TAttachmentPane::LoadForNote(int64_t ANoteId)
{
    FNoteId = ANoteId;
    HideViewer();
    FListScroll->ClearRows();
    FAttachList.clear();
    if (ANoteId != 0) {
        FAttachList = AppDB->GetAttachments(ANoteId);
        for (size_t i = 0; i < FAttachList.size(); ++i)
            AddRow(static_cast<int>(i), FAttachList[i]);
    }
    UpdateToggleCaption();
}

void TAttachmentPane::AddRow(int AIndex, const TNoteAttachment& AAttachment)
{
    const int ppi = ScreenPPI();
    auto S = [ppi](int v) { return ScaleBy(v, ppi); };
    auto* row = new TPanel(FListScroll->Content());
    row->SetColor(Qt::white);
    row->setProperty("attachIndex", AIndex);
    auto* buttons = new TPanel(row);
    buttons->SetColor(Qt::white);
    auto* exportBtn = new QPushButton(QStringLiteral("Export"), buttons);
    auto* deleteBtn = new QPushButton(QStringLiteral("\u2715"), buttons);
    exportBtn->setProperty("attachIndex", AIndex);
    deleteBtn->setProperty("attachIndex", AIndex);
    buttons->AddAligned(exportBtn, alLeft, S(54));
    buttons->AddAligned(deleteBtn, alClient);
    row->AddAligned(buttons, alRight, S(54) + S(28));
    auto* name = new TClickLabel(u' ' + AAttachment.FileName, row);
    name->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    name->setCursor(Qt::PointingHandCursor);
    name->setProperty("attachIndex", AIndex);
    row->AddAligned(name, alClient);
    name->OnClick = [this, AIndex] {
        TScrollBox::TRowHandlerGuard guard(FListScroll);
        OpenClick(AIndex);
    };
    connect(exportBtn, &QPushButton::clicked, this, Guarded([this, AIndex] {
                TScrollBox::TRowHandlerGuard guard(FListScroll);
                ExportClick(AIndex);
            }));
    connect(deleteBtn, &QPushButton::clicked, this, Guarded([this, AIndex] {
                TScrollBox::TRowHandlerGuard guard(FListScroll);
                DeleteAttachClick(AIndex);
            }));
    FListScroll->AddRow(row, S(28));
}

void TAttachmentPane::AttachBtnClick()
{
    if (FNoteId == 0) {
        ShowMessage(QStringLiteral("Please open a note before attaching a file."));
        return;
    }
    const QString source =
        OpenFileDlg(QStringLiteral("Attach file"), QStringLiteral("All files (*.*)|*.*"));
    if (source.isEmpty())
        return;
    // Looked at without opening it: a pipe would wait for a writer, a device never end.
    const QFileInfo sourceInfo(source);
    if (!sourceInfo.exists()) {
        ShowMessage(QStringLiteral("File not found: ") + source);
        return;
    }
    if (!sourceInfo.isFile()) {
        ShowMessage(QStringLiteral("Only a regular file can be attached; this is a folder, a pipe, "
                                   "a socket or a device: ") +
                    source);
        return;
    }
    const QString dir = AttachDir();
    if (!QDir().mkpath(dir)) {
        ShowMessage(QStringLiteral("Could not create attachments directory: ") + dir);
        return;
    }
    const int64_t noteId = FNoteId;
    const QString name = sourceInfo.fileName();
    const QString rel = UniqueRelPath(name);
    const QString full = FullPath(rel);
    int64_t size = 0;
    CopyWholeFile(source, full, &size);
    AppDB->AddAttachment(noteId, name, MimeTypeForFile(name), rel, size);
    LoadForNote(FNoteId);
    if (!FExpanded)
        SetExpanded(true);
}

QString TAttachmentPane::UsableCopy(const TNoteAttachment& AAttachment)
{
    if (AAttachment.FilePath.isEmpty()) {
        ShowMessage(QStringLiteral("This attachment has no file on disk (legacy BLOB record)."));
        return QString();
    }
    const QString full = FullPath(AAttachment.FilePath);
    if (!IsStoredCopyPath(AAttachment.FilePath) || !QFileInfo(full).isFile()) {
        ShowMessage(QStringLiteral("File not found: ") + full);
        return QString();
    }
    return full;
}

void TAttachmentPane::OpenClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= static_cast<int>(FAttachList.size()))
        return;
    const TNoteAttachment a = FAttachList[AIndex];
    const QString full = UsableCopy(a);
    if (full.isEmpty())
        return;
    if (!FExpanded)
        SetExpanded(true);
    ShowViewer(full, a.FileName);
}

void TAttachmentPane::ExportClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= static_cast<int>(FAttachList.size()))
        return;
    const TNoteAttachment a = FAttachList[AIndex];
    const QString full = UsableCopy(a);
    if (full.isEmpty())
        return;
    const QString target = SaveFileDlg(a.FileName);
    if (target.isEmpty())
        return;
    // Exporting a copy onto itself would empty it.
    if (QFileInfo(target).canonicalFilePath() == QFileInfo(full).canonicalFilePath())
        return;
    CopyWholeFile(full, target);
}

void TAttachmentPane::DeleteAttachClick(int AIndex)
{
    if (AIndex < 0 || AIndex >= static_cast<int>(FAttachList.size()))
        return;
    const TNoteAttachment a = FAttachList[AIndex];
    if (!ConfirmDlg(QStringLiteral("Delete Attachment"), QStringLiteral("Delete \"") + a.FileName +
                                                             QStringLiteral("\" from this note?")))
        return;
    if (FViewerOuter->isVisibleTo(this))
        HideViewer();
    if (!a.FilePath.isEmpty() && IsStoredCopyPath(a.FilePath)) {
        const QString full = FullPath(a.FilePath);
        if (QFileInfo(full).isFile())
            QFile::remove(full);
    }
    AppDB->DeleteAttachment(a.Id);
    LoadForNote(FNoteId);
}

void TAttachmentPane::ShowViewer(const QString& AFullPath, const QString& AFileName)
{
    FViewerLabel->setText(AFileName);
    FListScroll->hide();
    FViewerOuter->show();
    if (CanPreview(MimeTypeForFile(AFileName))) {
        FPendingURL = FileUrl(AFullPath);
        if (FViewerReady)
            ViewerNavigate(FPendingURL);
        else if (!FBrowserCreated)
            StartViewerBrowser();
    } else {
        FPendingURL.clear();
        if (FViewerReady)
            ViewerShowCannotPreview();
        else if (!FBrowserCreated)
            StartViewerBrowser();
    }
}

void TAttachmentPane::HideViewer()
{
    FViewerOuter->hide();
    if (FExpanded)
        FListScroll->show();
    FPendingURL.clear();
}

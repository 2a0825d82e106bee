#include "dmdialogs.h"

#include "controls.h"
#include "dlgseam.h"
#include "highlightcolours.h"

#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

// The frame every dialog but the Yes/No box shares: a fixed-size window without owner, centred
// on the screen, with the accept and "Cancel" buttons in a bar at the bottom.
class TDialogFrame
{
public:
    TDialogFrame(const QString& ACaption, int AWidth, int AHeight, const QString& AAcceptCaption)
        : FPPI(ScreenPPI())
    {
        Dialog.setWindowTitle(ACaption);
        Dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                              Qt::WindowCloseButtonHint);
        Dialog.setModal(true);
        const int w = S(AWidth), h = S(AHeight);
        Dialog.setFixedSize(w, h);
        ButtonBar = new QWidget(&Dialog);
        ButtonBar->setObjectName(QStringLiteral("buttonBar"));
        ButtonBar->setGeometry(0, h - S(44), w, S(44));
        AcceptBtn = new QPushButton(AAcceptCaption, ButtonBar);
        AcceptBtn->setObjectName(QStringLiteral("acceptButton"));
        AcceptBtn->setGeometry(w - S(180), S(8), S(80), S(25));
        AcceptBtn->setDefault(true);
        AcceptBtn->setAutoDefault(true);
        CancelBtn = new QPushButton(QStringLiteral("Cancel"), ButtonBar);
        CancelBtn->setObjectName(QStringLiteral("cancelButton"));
        CancelBtn->setGeometry(w - S(90), S(8), S(80), S(25));
        CancelBtn->setAutoDefault(false);
        QObject::connect(CancelBtn, &QPushButton::clicked, &Dialog, &QDialog::reject);
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            Dialog.move(area.center() - QPoint(w / 2, h / 2));
        }
    }

    int S(int AValue) const { return ScaleBy(AValue, FPPI); }

    QLabel* Label(const QString& AText, int ALeft, int ATop, int AWidth)
    {
        QLabel* label = NewPlainLabel(AText, &Dialog);
        label->setGeometry(S(ALeft), S(ATop), S(AWidth), label->sizeHint().height());
        return label;
    }

    QLineEdit* Edit(const QString& AText, int ALeft, int ATop, int AWidth)
    {
        auto* edit = new QLineEdit(AText, &Dialog);
        edit->setGeometry(S(ALeft), S(ATop), S(AWidth), edit->sizeHint().height());
        return edit;
    }

    // Accepts on the accept button; returns true for OK.
    bool Run()
    {
        if (!FCustomAccept)
            QObject::connect(AcceptBtn, &QPushButton::clicked, &Dialog, &QDialog::accept);
        return dlgseam::ExecModal(Dialog) == QDialog::Accepted;
    }

    void CustomAccept() { FCustomAccept = true; }

    QDialog Dialog;
    QWidget* ButtonBar;
    QPushButton* AcceptBtn;
    QPushButton* CancelBtn;

private:
    int FPPI;
    bool FCustomAccept = false;
};

} // namespace

bool InputDlg(const QString& ACaption, const QString& APrompt, const QString& ADefault,
              QString& AResult)
{
    AResult = ADefault;
    TDialogFrame f(ACaption, 380, 140, QStringLiteral("OK"));
    f.Label(APrompt, 12, 12, 356);
    QLineEdit* edit = f.Edit(ADefault, 12, 32, 356);
    edit->selectAll();
    edit->setFocus();
    if (!f.Run())
        return false;
    AResult = TrimText(edit->text());
    return !AResult.isEmpty();
}

bool ConfirmDlg(const QString& ACaption, const QString& AMessage)
{
    return AskYesNo(ACaption, AMessage);
}

void TSwatchHelper::SwatchClick(QObject* ASender)
{
    if (auto* swatch = qobject_cast<QFrame*>(ASender))
        SelectedColour = swatch->toolTip();
    UpdateSwatches();
}

void TSwatchHelper::UpdateSwatches()
{
    for (QFrame* swatch : Swatches)
        swatch->setFrameShadow(swatch->toolTip() == SelectedColour ? QFrame::Sunken
                                                                   : QFrame::Raised);
}

bool TSwatchHelper::eventFilter(QObject* AWatched, QEvent* AEvent)
{
    if (AEvent->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(AEvent)->button() == Qt::LeftButton) {
        SwatchClick(AWatched);
        return true;
    }
    return QObject::eventFilter(AWatched, AEvent);
}

bool TagEditDlg(const QString& ACaption, QString& AName, QString& AColour)
{
    QString chosen = QStringLiteral("yellow");
    for (int i = 1; i < 8; ++i)
        if (AColour == QLatin1String(SWATCH_NAMES[i]))
            chosen = AColour;
    TDialogFrame f(ACaption, 380, 190, QStringLiteral("OK"));
    f.Label(QStringLiteral("Tag name:"), 12, 12, 356);
    QLineEdit* edit = f.Edit(AName, 12, 30, 356);
    edit->selectAll();
    edit->setFocus();
    f.Label(QStringLiteral("Highlight colour:"), 12, 64, 356);
    TSwatchHelper helper;
    helper.SelectedColour = chosen;
    for (int i = 0; i < 8; ++i) {
        auto* swatch = new QFrame(&f.Dialog);
        swatch->setFrameShape(QFrame::Panel);
        swatch->setLineWidth(2);
        swatch->setGeometry(f.S(12) + i * (f.S(26) + f.S(4)), f.S(82), f.S(26), f.S(26));
        QPalette pal = swatch->palette();
        pal.setColor(QPalette::Window, HighlightColour(QLatin1String(SWATCH_NAMES[i])));
        swatch->setPalette(pal);
        swatch->setAutoFillBackground(true);
        swatch->setToolTip(QLatin1String(SWATCH_NAMES[i]));
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(&helper);
        helper.Swatches.push_back(swatch);
    }
    helper.UpdateSwatches();
    if (!f.Run())
        return false;
    AName = TrimText(edit->text());
    AColour = helper.SelectedColour;
    return !AName.isEmpty();
}

bool MemoInputDlg(const QString& ACaption, const QString& APrompt, const QString& ADefault,
                  QString& AResult)
{
    AResult = ADefault;
    TDialogFrame f(ACaption, 420, 240, QStringLiteral("OK"));
    f.Label(APrompt, 12, 12, 396);
    auto* memo = new QPlainTextEdit(&f.Dialog);
    memo->setGeometry(f.S(12), f.S(30), f.S(396), f.S(130));
    memo->setPlainText(ADefault);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setTabChangesFocus(true);
    memo->selectAll();
    memo->setFocus();
    if (!f.Run())
        return false;
    AResult = TrimText(memo->toPlainText());
    return true;
}

bool NotebookPickerDlg(const QString& ACaption, const TNotebookArray& ANotebooks,
                       int64_t ACurrentId, int64_t& ASelectedId)
{
    ASelectedId = ACurrentId;
    TDialogFrame f(ACaption, 320, 270, QStringLiteral("Move"));
    f.Label(QStringLiteral("Choose destination notebook:"), 12, 12, 290);
    auto* list = new QListWidget(&f.Dialog);
    list->setGeometry(f.S(12), f.S(30), f.S(290), f.S(180));
    auto addRow = [list](const QString& ACaption2, int64_t AId) {
        auto* item = new QListWidgetItem(ACaption2, list);
        item->setData(Qt::UserRole, QVariant::fromValue<qint64>(AId));
    };
    for (const TNotebook& nb : ANotebooks) {
        if (nb.ParentId != 0)
            continue;
        addRow(nb.Name, nb.Id);
        for (const TNotebook& child : ANotebooks)
            if (child.ParentId == nb.Id)
                addRow(QStringLiteral("   ") + child.Name, child.Id);
    }
    int current = list->count() > 0 ? 0 : -1;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->data(Qt::UserRole).toLongLong() == ACurrentId) {
            current = i;
            break;
        }
    }
    list->setCurrentRow(current);
    if (!f.Run())
        return false;
    if (QListWidgetItem* item = list->currentItem(); item && item->isSelected())
        ASelectedId = item->data(Qt::UserRole).toLongLong();
    return ASelectedId != ACurrentId;
}

bool LinkEditDlg(const QString& ACaption, QString& AUrl, QString& ALabel)
{
    TDialogFrame f(ACaption, 400, 178, QStringLiteral("OK"));
    f.Label(QStringLiteral("URL (required):"), 12, 12, 376);
    QLineEdit* urlEdit = f.Edit(AUrl, 12, 30, 376);
    urlEdit->setPlaceholderText(QStringLiteral("https://www.bailii.org/ew/cases/UKSC/2024/1.html"));
    urlEdit->selectAll();
    urlEdit->setFocus();
    f.Label(QStringLiteral("Label (optional \u2014 e.g. Westlaw, LexisNexis):"), 12, 62, 376);
    QLineEdit* labelEdit = f.Edit(ALabel, 12, 80, 376);
    labelEdit->setPlaceholderText(QStringLiteral("e.g. Westlaw"));
    f.CustomAccept();
    QObject::connect(f.AcceptBtn, &QPushButton::clicked, &f.Dialog, [&f, urlEdit] {
        if (TrimText(urlEdit->text()).isEmpty()) {
            urlEdit->setFocus();
            urlEdit->selectAll();
            return;
        }
        f.Dialog.accept();
    });
    if (!f.Run())
        return false;
    AUrl = TrimText(urlEdit->text());
    ALabel = TrimText(labelEdit->text());
    return true;
}

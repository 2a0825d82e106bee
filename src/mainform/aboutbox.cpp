#include "aboutbox.h"

#include "controls.h"
#include "dlgseam.h"
#include "programfolder.h"

#include <QDialog>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace {

// Nearest whole number, an exact half going to the even neighbour.
int Nearest(double AValue)
{
    return static_cast<int>(std::nearbyint(AValue));
}

} // namespace

void ShowAboutBox(QWidget* AOwner)
{
    const double ppi = ScreenPPI();
    const double s = ppi / 96.0;
    auto gap = [s](int n) { return std::max(2, Nearest(n * s)); };
    const int dlgW = Nearest(460 * s);
    const int imgH = Nearest(155 * s);
    const int nameH = Nearest(ppi * 15 / 72 * 1.5) + Nearest(6 * s);
    const int smallH = Nearest(ppi * 9 / 72 * 1.5) + Nearest(4 * s);
    const int tinyH = Nearest(ppi * 8 / 72 * 1.5) + Nearest(4 * s);
    const int btnW = Nearest(90 * s), btnH = Nearest(28 * s);
    const int btnPanH = std::max(btnH + Nearest(16 * s), Nearest(44 * s));

    QDialog dialog(AOwner);
    dialog.setWindowTitle(QStringLiteral("About Quorvel"));
    dialog.setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    int y = 0;
    auto row = [&](QWidget* AWidget, int AHeight) {
        if (AWidget)
            AWidget->setGeometry(0, y, dlgW, AHeight);
        y += AHeight;
    };
    auto text = [&](const QString& ACaption, int APoints, bool ABold, const QColor& AColour) {
        auto* label = new QLabel(&dialog);
        label->setTextFormat(Qt::PlainText);
        label->setText(ACaption);
        label->setAlignment(Qt::AlignCenter);
        QFont f = label->font();
        f.setPointSize(APoints);
        f.setBold(ABold);
        label->setFont(f);
        if (AColour.isValid())
            SetTextColour(label, AColour);
        return label;
    };
    auto* picture = new QLabel(&dialog);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setAlignment(Qt::AlignCenter);
    const QString picturePath = ProgramFolder() + QStringLiteral("/about.jpg");
    if (QFile::exists(picturePath)) {
        const QPixmap pixmap(picturePath);
        if (!pixmap.isNull())
            picture->setPixmap(
                pixmap.scaled(dlgW, imgH, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
    const QColor grey(136, 136, 136);
    row(picture, imgH);
    row(nullptr, gap(10));
    row(text(QStringLiteral("Quorvel"), 15, true, QColor()), nameH);
    row(nullptr, gap(2));
    row(text(QStringLiteral("Version 1.0"), 9, false, grey), smallH);
    row(nullptr, gap(8));
    row(text(QStringLiteral("Smart note-taking with powerful tagging"), 9, false, QColor()),
        smallH);
    row(nullptr, gap(10));
    row(text(QStringLiteral("https://quorvel.example"), 9, false, QColor(0, 0, 255)), smallH);
    row(nullptr, gap(10));
    row(text(QStringLiteral("Built with Qt 6 and SQLite 3"), 8, false, grey), tinyH);
    row(nullptr, gap(10));
    auto* buttonRow = new QWidget(&dialog);
    buttonRow->setObjectName(QStringLiteral("buttonRow"));
    auto* close = new QPushButton(QStringLiteral("Close"), buttonRow);
    close->setGeometry((dlgW - btnW) / 2, (btnPanH - btnH) / 2, btnW, btnH);
    close->setDefault(true);
    QObject::connect(close, &QPushButton::clicked, &dialog, &QDialog::accept);
    row(buttonRow, btnPanH);
    row(nullptr, gap(14));
    dialog.setFixedSize(dlgW, y);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - QPoint(dlgW / 2, y / 2));
    dlgseam::ExecModal(dialog);
}

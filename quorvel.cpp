// Quorvel: start-up. Opens the main window on the database beside the executable and runs the
// message loop; errors that a handler lets through are shown by the application object.
#include "application.h"
#include "mainform.h"
#include "programfolder.h"

#include <QFile>
#include <QIcon>
#include <memory>

int main(int argc, char** argv)
{
    // [browser host] Settings that must precede the application object (shared OpenGL
    // contexts, the editor's URL scheme) are made here by the browser host's start-up hook.

    TQuorvelApplication app(argc, argv);

    // [browser host] The process-wide browser loader is created and started here, pointed at
    // "WV2Cache" beside the executable, before the main window exists.

    // 1. The application title: message boxes carry it as their caption.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvel"));
    // 2. Scaling of windows for the screen's pixels per inch is always on in Qt 6.
    // 3. The optional application icon beside the executable.
    const QString iconPath = ProgramFolder() + QStringLiteral("/icon.ico");
    if (QFile::exists(iconPath)) {
        const QIcon icon(iconPath);
        if (!icon.isNull())
            QApplication::setWindowIcon(icon);
    }
    // 4. The main window and the message loop.
    auto form = std::make_unique<TMainForm>();
    if (form->StoreFailed())
        return 1;
    form->show();
    const int result = app.exec();

    // [browser host] The browser loader is freed here, before the main window is destroyed.

    form.reset();
    return result;
}

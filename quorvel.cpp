// Quorvel: start-up. Opens the main window on the database beside the executable and runs the
// message loop; errors that a handler lets through are shown by the application object.
#include "application.h"
#include "mainform.h"
#include "noteeditor.h"
#include "platformqt.h"
#include "programfolder.h"

#include <QFile>
#include <QIcon>
#include <memory>

int main(int argc, char** argv)
{
    // Settings that must precede the application object: shared OpenGL contexts and the
    // browser runtime's scheme for pages shown from strings.
    PrepareApplicationStart();

    TQuorvelApplication app(argc, argv);
    app.CloseWindowsOnTermination();

    // The editor unit's start: the process-wide browser loader, pointed at "WV2Cache" beside
    // the executable, is created and started before the main window exists.
    StartEditorBrowserLoader();

    // 1. The application title is set by the application object.
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
    if (form->StoreFailed()) {
        form.reset();
        FinishEditorBrowserLoader();
        return 1;
    }
    form->show();
    const int result = app.exec();

    // The main window goes first, with its browser controls, while the loader, its library and
    // the COM apartment still exist; then the editor unit frees the loader.
    form.reset();
    FinishEditorBrowserLoader();
    return result;
}

#include "programfolder.h"

#include <QFileInfo>

namespace {
QString GOverride;
}

QString ProgramFolder()
{
    if (!GOverride.isEmpty())
        return GOverride;
    // Valid also before the application object exists.
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section('/', 0, -2);
}

void SetProgramFolder(const QString& AFolder)
{
    GOverride = AFolder;
}

// Quorvel: start-up. Until the main window exists this opens (or creates) the database beside
// the executable and prints its schema version.
#include "database.h"
#include "programfolder.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString path = ProgramFolder() + QStringLiteral("/quorvel.db");
    try {
        TDatabase db(path);
        AppDB = &db;
        std::printf("%s: schema version %d\n", qPrintable(path),
                    db.GetSettingInt(QStringLiteral("schema_version"), 0));
        AppDB = nullptr;
    } catch (const ESQLiteError& e) {
        std::fprintf(stderr, "%s\nThe SQLite library (%s) must be installed or lie beside the "
                             "quorvel executable.\n",
                     e.what(), sqlitelib::LibraryName);
        return 1;
    }
    return 0;
}

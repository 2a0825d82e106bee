// The program's own folder (where the executable lies): the database, the attachment store and
// the SQLite library beside the executable are found through it.
#pragma once

#include <QString>

QString ProgramFolder();
// Tests point the program folder at a temporary folder; empty restores the real one.
void SetProgramFolder(const QString& AFolder);

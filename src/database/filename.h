// Names of files as the attachment store reads them.
#pragma once

#include <QString>

// The extension of a file name, with its dot: the part from the last dot on, or "" when there
// is no dot or that part holds a slash or a backslash.
QString FileNameExtension(const QString& AFileName);

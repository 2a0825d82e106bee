// Copying a whole file, for the attachment store and the note store's duplicates.
#pragma once

#include <QString>

#include <cstdint>

// Copies the whole of ASource into ATarget, replacing it, and stores the source's size in ASize
// when given. Raises with the file and the system's reason when a step fails, also when the last
// bytes cannot be written out as the target is closed.
void CopyWholeFile(const QString& ASource, const QString& ATarget, int64_t* ASize = nullptr);

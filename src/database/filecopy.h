// Copying a whole file, for the attachment store and the note store's duplicates.
#pragma once

#include <QString>

#include <cstdint>

// Copies the whole of ASource into ATarget, replacing it, and stores the number of bytes copied
// in ASize when given. Both must be regular files (a pipe, socket, device or folder is refused
// without waiting on it). Raises with the file and the system's reason when a step fails, also
// when the last bytes cannot be written out as the target is closed; the target is then removed.
void CopyWholeFile(const QString& ASource, const QString& ATarget, int64_t* ASize = nullptr);

// The attachment file store: copies of attached files in the folder "attachments" beside the
// executable, each under a new GUID name that keeps the original's extension in lower case.
#pragma once

#include <QString>

// The program folder followed by "/attachments".
QString AttachDir();
// A new relative path "attachments/<guid><.ext>" for a file of the name AFileName.
QString UniqueRelPath(const QString& AFileName);
// The full path of a stored relative path.
QString FullPath(const QString& ARelPath);
// The preview's address of a full path: a percent-encoded file address.
QString FileUrl(const QString& AFullPath);
// The MIME type by the extension of the name, compared in lower case.
QString MimeTypeForFile(const QString& AFileName);
// True for PDF, HTML, plain text and every image type.
bool CanPreview(const QString& AMimeType);
// True when a stored relative path names a file inside the attachment folder; a record whose
// path leaves it (absolute, with a ".." step) is never opened, exported or deleted.
bool IsStoredCopyPath(const QString& ARelPath);

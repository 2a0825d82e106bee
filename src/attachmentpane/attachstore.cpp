#include "attachstore.h"

#include "database.h"
#include "filename.h"
#include "programfolder.h"

#include <QFileInfo>
#include <QStringList>
#include <QUrl>

QString AttachDir()
{
    return ProgramFolder() + QStringLiteral("/attachments");
}

QString UniqueRelPath(const QString& AFileName)
{
    // The same naming as the store's copies of a duplicated note.
    return NewAttachmentPath(AFileName);
}

QString FullPath(const QString& ARelPath)
{
    QString rel = ARelPath;
    rel.replace(u'\\', u'/');
    return ProgramFolder() + u'/' + rel;
}

QString FileUrl(const QString& AFullPath)
{
    QString path = AFullPath;
    path.replace(u'\\', u'/');
    return QString::fromLatin1(QUrl::fromLocalFile(path).toEncoded(QUrl::FullyEncoded));
}

QString MimeTypeForFile(const QString& AFileName)
{
    const QString ext = FileNameExtension(AFileName).toLower();
    static const std::pair<const char*, const char*> types[] = {
        {".pdf", "application/pdf"}, {".html", "text/html"}, {".htm", "text/html"},
        {".txt", "text/plain"},      {".png", "image/png"},  {".jpg", "image/jpeg"},
        {".jpeg", "image/jpeg"},     {".gif", "image/gif"},  {".bmp", "image/bmp"},
        {".svg", "image/svg+xml"},   {".webp", "image/webp"}};
    for (const auto& [e, type] : types) {
        if (ext == QLatin1String(e))
            return QString::fromLatin1(type);
    }
    return QStringLiteral("application/octet-stream");
}

bool CanPreview(const QString& AMimeType)
{
    return AMimeType == QLatin1String("application/pdf") ||
           AMimeType == QLatin1String("text/html") || AMimeType == QLatin1String("text/plain") ||
           AMimeType.startsWith(QLatin1String("image/"));
}

bool IsStoredCopyPath(const QString& ARelPath)
{
    QString p = ARelPath;
    p.replace(u'\\', u'/');
    if (p.isEmpty() || p.startsWith(u'/') || (p.size() > 1 && p.at(1) == u':'))
        return false;
    const QStringList parts = p.split(u'/');
    return !parts.contains(QStringLiteral("..")) && !parts.contains(QString());
}

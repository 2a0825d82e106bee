#include "editorresource.h"

#include <QFile>

QString EditorHtml()
{
    QFile file(QString::fromLatin1(EditorHtmlResourcePath));
    if (!file.open(QIODevice::ReadOnly)) {
        return QString();
    }
    return QString::fromUtf8(file.readAll());
}

#include "filecopy.h"

#include <QFile>

#include <stdexcept>

void CopyWholeFile(const QString& ASource, const QString& ATarget, int64_t* ASize)
{
    QFile src(ASource);
    if (!src.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            ("Cannot open " + ASource + ": " + src.errorString()).toStdString());
    if (ASize)
        *ASize = src.size();
    QFile dst(ATarget);
    if (!dst.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error(
            ("Cannot create " + ATarget + ": " + dst.errorString()).toStdString());
    char buf[65536];
    for (;;) {
        const qint64 got = src.read(buf, sizeof buf);
        if (got < 0)
            throw std::runtime_error(
                ("Cannot read " + ASource + ": " + src.errorString()).toStdString());
        if (got == 0)
            break;
        if (dst.write(buf, got) != got)
            throw std::runtime_error(
                ("Cannot write " + ATarget + ": " + dst.errorString()).toStdString());
    }
    if (!dst.flush())
        throw std::runtime_error(
            ("Cannot write " + ATarget + ": " + dst.errorString()).toStdString());
    dst.close();
    if (dst.error() != QFileDevice::NoError)
        throw std::runtime_error(
            ("Cannot write " + ATarget + ": " + dst.errorString()).toStdString());
}

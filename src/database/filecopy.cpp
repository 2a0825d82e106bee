#include "filecopy.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const char* AStep, const QString& APath, const QString& AReason)
{
    throw std::runtime_error(
        (QString::fromLatin1(AStep) + APath + QStringLiteral(": ") + AReason).toStdString());
}

QString SystemReason()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// Opens APath with AFlags without waiting on a pipe or a device, and gives the descriptor to
// AFile only when it names a regular file; anything else is closed unread.
void OpenRegular(QFile& AFile, const QString& APath, int AFlags, QIODevice::OpenMode AMode,
                 const char* AStep)
{
    const QByteArray name = QFile::encodeName(APath);
    const int fd = ::open(name.constData(), AFlags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        Fail(AStep, APath, SystemReason());
    struct stat st = {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        Fail(AStep, APath, QStringLiteral("not a regular file"));
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    if (!AFile.open(fd, AMode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        Fail(AStep, APath, AFile.errorString());
    }
}

} // namespace

void CopyWholeFile(const QString& ASource, const QString& ATarget, int64_t* ASize)
{
    QFile src;
    OpenRegular(src, ASource, O_RDONLY, QIODevice::ReadOnly, "Cannot open ");
    QFile dst;
    OpenRegular(dst, ATarget, O_WRONLY | O_CREAT | O_TRUNC, QIODevice::WriteOnly, "Cannot create ");
    // From here on a failed copy takes its partly written target away.
    try {
        int64_t copied = 0;
        char buf[65536];
        for (;;) {
            const qint64 got = src.read(buf, sizeof buf);
            if (got < 0)
                Fail("Cannot read ", ASource, src.errorString());
            if (got == 0)
                break;
            if (dst.write(buf, got) != got)
                Fail("Cannot write ", ATarget, dst.errorString());
            copied += got;
        }
        if (!dst.flush())
            Fail("Cannot write ", ATarget, dst.errorString());
        dst.close();
        if (dst.error() != QFileDevice::NoError)
            Fail("Cannot write ", ATarget, dst.errorString());
        if (ASize)
            *ASize = copied;
    } catch (...) {
        dst.close();
        QFile::remove(ATarget);
        throw;
    }
}

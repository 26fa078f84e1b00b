#include "app/regularfile.h"

#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RegularFile {

bool openForReading(QFile &file, QIODevice::OpenMode extraMode, QString *reason)
{
    auto refuse = [reason](const QString &why) {
        if (reason)
            *reason = why;
        return false;
    };
    const QString path = file.fileName();
    if (!QFileInfo::exists(path))
        return refuse(QStringLiteral("does not exist"));
#ifdef Q_OS_UNIX
    // Opened without blocking and checked on the descriptor itself, so that
    // nothing can be swapped in between the check and the read.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return refuse(QStringLiteral("cannot be opened"));
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return refuse(QStringLiteral("is not a regular file"));
    }
    // Back to blocking reads: a regular file never blocks, and QFile expects it.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly | extraMode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(QStringLiteral("cannot be read"));
    }
    return true;
#else
    if (!QFileInfo(path).isFile())
        return refuse(QStringLiteral("is not a regular file"));
    if (!file.open(QIODevice::ReadOnly | extraMode))
        return refuse(QStringLiteral("cannot be read"));
    return true;
#endif
}

bool syncToDisk(QFileDevice &file, QString *reason)
{
    if (!file.flush()) {
        *reason = file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fdatasync(file.handle()) != 0 && errno != EINVAL) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
#endif
    return true;
}

} // namespace RegularFile

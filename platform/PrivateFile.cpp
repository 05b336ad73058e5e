#include "PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

PrivateFileRead readPrivateFile(const QString& path, qint64 maxSize)
{
    PrivateFileRead result;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT)
            return result;
        result.exists = true;
        result.refusal =
            errno == ELOOP ? QStringLiteral("es un enlace simbólico") : QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    result.exists = true;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        result.refusal = QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(st.st_mode)) {
        result.refusal = QStringLiteral("no es un archivo normal");
    } else if (st.st_uid != ::geteuid()) {
        result.refusal = QStringLiteral("pertenece a otro usuario");
    } else if ((st.st_mode & 077) != 0) {
        result.refusal = QStringLiteral("otros usuarios pueden leerlo (permisos %1; deben ser 600)")
                             .arg(QString::number(st.st_mode & 0777, 8));
    } else if (st.st_size > maxSize) {
        result.refusal = QStringLiteral("es demasiado grande");
    } else {
        QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
        qsizetype got = 0;
        while (got < data.size()) {
            const ssize_t n = ::read(fd, data.data() + got, size_t(data.size() - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += n;
        }
        data.truncate(got);
        result.data = data;
    }
    ::close(fd);
    return result;
}

QString privateConfigFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    if (!QDir(folder).exists() && QDir().mkpath(folder))
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folder;
}

} // namespace platform

#include "AtomicFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// QSaveFile cannot leave out its sync, and it ignores the sync's result; a save here is the same
// temporary file and rename, with every step checked and the sync on request.

namespace platform {
namespace {

QString reason(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// As QSaveFile does: a link is replaced in the file it names, not by a plain file; a loop of links
// is left to fail at the rename.
QString finalPath(const QString& path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink(); ++depth) {
        if (depth == 128)
            return path;
        info.setFile(info.symLinkTarget());
    }
    return info.filePath();
}

// A file system that cannot sync this kind of file says EINVAL; there is nothing more to wait for.
int syncData(int fd)
{
    return ::fdatasync(fd) == 0 || errno == EINVAL ? 0 : errno;
}

// The rename lives in the folder: its entry is durable once the folder is synced.
int syncFolder(const QString& file)
{
    const int fd =
        ::open(QFile::encodeName(QFileInfo(file).absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

// The temporary file until it is renamed: closed and removed on every way out.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary()
    {
        if (fd >= 0)
            ::close(fd);
        if (!name.isEmpty())
            ::unlink(name.constData());
    }

    // The error of close(); the descriptor is gone either way.
    int close()
    {
        const int result = ::close(fd);
        fd = -1;
        return result == 0 || errno == EINTR ? 0 : errno;
    }

    int fd = -1;
    QByteArray name;
};

// Beside the file, so the rename stays on one file system; O_EXCL keeps it ours alone.
int createTemporary(const QByteArray& target, mode_t mode, Temporary& temporary)
{
    static constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray name = target + '.';
        for (int i = 0; i < 6; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0) {
            temporary.fd = fd;
            temporary.name = name;
            return 0;
        }
        if (errno != EEXIST)
            return errno;
    }
    return EEXIST;
}

int replace(const QString& path, const QByteArray& data, Durability durability, bool privateFile = false)
{
    const QString target = privateFile ? path : finalPath(path);
    const QByteArray nativeTarget = QFile::encodeName(target);

    struct stat existing {};
    const bool exists = ::stat(nativeTarget.constData(), &existing) == 0;
    Temporary temporary;
    // A new file gets the default permissions (the umask applies); a replaced one keeps its own,
    // and nobody else can open the temporary file before it has them.
    if (const int error = createTemporary(nativeTarget, exists || privateFile ? 0600 : 0666, temporary))
        return error;
    // The umask may only take permissions away; a private file must end exactly 0600.
    if ((exists || privateFile) && ::fchmod(temporary.fd, privateFile ? 0600 : existing.st_mode & 07777) != 0)
        return errno;

    // After a short write (the disk filled up) the next one reports the system's reason.
    for (qsizetype written = 0; written < data.size();) {
        const ssize_t n = ::write(temporary.fd, data.constData() + written, size_t(data.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : ENOSPC;
        written += n;
    }
    if (durability == Durability::Synced) {
        if (const int error = syncData(temporary.fd))
            return error;
    }
    if (const int error = temporary.close())
        return error;
    if (::rename(temporary.name.constData(), nativeTarget.constData()) != 0)
        return errno;
    temporary.name.clear();
    return durability == Durability::Synced ? syncFolder(target) : 0;
}

} // namespace

QString replaceFile(const QString& path, const QByteArray& data, Durability durability)
{
    // Windows refuses to replace a read-only file and the rename here would not, so the protection
    // is kept by hand. The access check lets root write anything, so a file without any write
    // permission counts as read-only too.
    const QFileInfo info(path);
    constexpr QFile::Permissions kWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    if (info.exists() && (!info.isWritable() || !(info.permissions() & kWrite)))
        return QStringLiteral("el archivo es de solo lectura");

    const int error = replace(path, data, durability);
    return error ? reason(error) : QString();
}

QString replacePrivateFile(const QString& path, const QByteArray& data)
{
    const int error = replace(path, data, Durability::Synced, true);
    return error ? reason(error) : QString();
}

QString syncFile(const QString& path)
{
    const QString target = finalPath(path);
    const int fd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? QString() : reason(errno);
    const int error = syncData(fd);
    ::close(fd);
    if (error)
        return reason(error);
    const int folderError = syncFolder(target);
    return folderError ? reason(folderError) : QString();
}

} // namespace platform

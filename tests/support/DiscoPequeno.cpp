#include "DiscoPequeno.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <sys/mount.h>
#include <sys/statvfs.h>

namespace testsupport {

namespace {

const QString kRelleno = QStringLiteral(".relleno");

QString razon()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

DiscoPequeno::DiscoPequeno(qint64 bytes)
{
    if (!m_base.isValid()) {
        m_error = m_base.errorString();
        return;
    }
    m_ruta = m_base.filePath(QStringLiteral("disco"));
    QDir().mkpath(m_ruta);
    const QByteArray opciones = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("lumivo-prueba", QFile::encodeName(m_ruta).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                opciones.constData()) != 0) {
        m_error = razon();
        return;
    }
    m_montado = true;
}

DiscoPequeno::~DiscoPequeno()
{
    // Lazily, so that a file a failed test left open cannot keep the mount.
    if (m_montado)
        ::umount2(QFile::encodeName(m_ruta).constData(), MNT_DETACH);
}

qint64 DiscoPequeno::libres() const
{
    struct statvfs datos {};
    if (::statvfs(QFile::encodeName(m_ruta).constData(), &datos) != 0)
        return -1;
    return static_cast<qint64>(datos.f_bavail) * static_cast<qint64>(datos.f_frsize);
}

bool DiscoPequeno::llenar(qint64 bytes)
{
    const qint64 relleno = libres() - bytes;
    if (relleno < 0)
        return false;
    QFile salida(archivo(kRelleno));
    if (!salida.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    return salida.write(QByteArray(relleno, 'r')) == relleno && salida.flush();
}

void DiscoPequeno::vaciar()
{
    QFile::remove(archivo(kRelleno));
}

bool DiscoPequeno::soloLectura()
{
    if (::mount(nullptr, QFile::encodeName(m_ruta).constData(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                nullptr) != 0) {
        m_error = razon();
        return false;
    }
    return true;
}

} // namespace testsupport

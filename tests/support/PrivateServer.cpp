#include "PrivateServer.h"

#include "TestDatabases.h"
#include "firebird/Connection.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

namespace {

const QString kLibraryRoot = QStringLiteral("/usr/lib/x86_64-linux-gnu/firebird/3.0");
const QString kSecurityScript = QStringLiteral("/usr/share/firebird/3.0/security.sql");

// Legacy_Auth needs no key exchange, so the security database is the installed script's
// (SYSDBA/masterkey) and wire encryption must be allowed to stay off.
const char kFirebirdConf[] = "RemoteServicePort = %1\n"
                             "RemoteBindAddress = 127.0.0.1\n"
                             "ServerMode = Super\n"
                             "AuthServer = Legacy_Auth\n"
                             "UserManager = Legacy_UserManager\n"
                             "WireCrypt = Enabled\n"
                             "DefaultDbCachePages = 256\n"
                             "SecurityDatabase = %2\n";

class Socket {
public:
    Socket()
        : m_fd(::socket(AF_INET, SOCK_STREAM, 0))
    {
    }
    ~Socket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const noexcept { return m_fd; }

private:
    int m_fd;
};

sockaddr_in loopback(quint16 port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// A port nobody listens on now; tests running side by side each get their own.
quint16 freePort()
{
    Socket s;
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (s.fd() < 0 || ::bind(s.fd(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(s.fd(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool accepts(quint16 port)
{
    Socket s;
    const sockaddr_in address = loopback(port);
    return s.fd() >= 0 && ::connect(s.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(content) == content.size();
}

} // namespace

QString serverBinary()
{
    const QString path = QStringLiteral("/usr/sbin/firebird");
    return QFileInfo(path).isExecutable() ? path : QString();
}

PrivateServer::PrivateServer() = default;

PrivateServer::~PrivateServer()
{
    kill();
}

QString PrivateServer::serverName() const
{
    return QStringLiteral("127.0.0.1/%1").arg(m_port);
}

QString PrivateServer::dataFolder() const
{
    return m_dir ? m_dir->filePath(QStringLiteral("datos")) : QString();
}

QStringList PrivateServer::params(const QString& path) const
{
    return {QStringLiteral("Database=") + path,       QStringLiteral("user_name=SYSDBA"),
            QStringLiteral("password=masterkey"),     QStringLiteral("CharacterSet= ISO8859_1"),
            QStringLiteral("SQLDialect= 3"),          QStringLiteral("Protocol=TCPIP"),
            QStringLiteral("Server=") + serverName(), QStringLiteral("DriverID=FB")};
}

bool PrivateServer::prepare()
{
    if (m_dir)
        return true;
    if (serverBinary().isEmpty()) {
        m_why = QStringLiteral("the Firebird server binary /usr/sbin/firebird is not installed");
        return false;
    }
    if (!QFileInfo::exists(kLibraryRoot + QStringLiteral("/plugins"))) {
        m_why = QStringLiteral("%1/plugins is missing").arg(kLibraryRoot);
        return false;
    }
    if (!QFileInfo::exists(kSecurityScript)) {
        m_why = QStringLiteral("%1 is missing").arg(kSecurityScript);
        return false;
    }
    auto dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/lumivo-fbsrv-XXXXXX"));
    dir->setAutoRemove(qEnvironmentVariableIsEmpty("LUMIVO_KEEP_SERVER_DIR"));
    if (!dir->isValid()) {
        m_why = QStringLiteral("cannot create a folder: %1").arg(dir->errorString());
        return false;
    }
    const QDir d(dir->path());
    for (const char* sub : {"root/intl", "lock", "tmp", "datos"})
        d.mkpath(QString::fromLatin1(sub));
    const QString root = d.filePath(QStringLiteral("root"));
    for (const char* shared : {"plugins", "lib", "firebird.msg"}) {
        const QString name = QString::fromLatin1(shared);
        if (!QFile::link(kLibraryRoot + u'/' + name, root + u'/' + name)) {
            m_why = QStringLiteral("cannot link %1/%2").arg(kLibraryRoot, name);
            return false;
        }
    }
    // The character sets' module is refused when its real path lies outside the root.
    const QString intl = QStringLiteral("/intl/libfbintl.so");
    if (!QFile::copy(kLibraryRoot + intl, root + intl)) {
        m_why = QStringLiteral("cannot copy %1%2").arg(kLibraryRoot, intl);
        return false;
    }
    const quint16 port = freePort();
    const QString security = d.filePath(QStringLiteral("security3.fdb"));
    const QByteArray conf = QString::fromLatin1(kFirebirdConf).arg(port).arg(security).toUtf8();
    if (port == 0 || !writeFile(root + QStringLiteral("/firebird.conf"), conf) ||
        !writeFile(root + QStringLiteral("/databases.conf"), QByteArray())) {
        m_why = QStringLiteral("cannot write the configuration in %1").arg(root);
        return false;
    }
    try {
        QFile script(kSecurityScript);
        if (!script.open(QIODevice::ReadOnly))
            throw std::runtime_error(script.errorString().toStdString());
        fb::Connection c;
        c.setParams(embeddedParams(security));
        c.create();
        c.close();
        // Linger would keep the file open in this process's embedded engine after the script,
        // and the server could not open it.
        QString text = QString::fromUtf8(script.readAll());
        text.remove(QRegularExpression(QStringLiteral(R"(ALTER\s+DATABASE\s+SET\s+LINGER[^;]*;)"),
                                       QRegularExpression::CaseInsensitiveOption));
        runSql(embeddedParams(security), text);
    } catch (const std::exception& e) {
        m_why = QStringLiteral("cannot build the security database: %1").arg(QString::fromUtf8(e.what()));
        return false;
    }
    m_port = port;
    m_dir = std::move(dir);
    return true;
}

bool PrivateServer::start()
{
    if (isRunning())
        return true;
    m_why.clear();
    if (!prepare())
        return false;

    const QDir d(m_dir->path());
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("FIREBIRD"), d.filePath(QStringLiteral("root")));
    env.insert(QStringLiteral("FIREBIRD_LOCK"), d.filePath(QStringLiteral("lock")));
    env.insert(QStringLiteral("FIREBIRD_TMP"), d.filePath(QStringLiteral("tmp")));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(d.path());
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setChildProcessModifier([] {
        // Dies with the test process, even when that one crashes; a deliberate crash of the
        // server leaves no core file.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
    });
    process->start(serverBinary(), {QStringLiteral("-p"), QString::number(m_port)});
    if (!process->waitForStarted(5000)) {
        m_why = QStringLiteral("cannot run %1: %2").arg(serverBinary(), process->errorString());
        return false;
    }
    m_process = std::move(process);
    if (!waitUntilListening()) {
        kill();
        return false;
    }
    return true;
}

bool PrivateServer::waitUntilListening()
{
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (m_process->state() != QProcess::Running || m_process->waitForFinished(0)) {
            m_why = QStringLiteral("the server ended at start (exit code %1): %2")
                        .arg(m_process->exitCode())
                        .arg(QString::fromLocal8Bit(m_process->readAll()).trimmed());
            return false;
        }
        if (accepts(m_port))
            return true;
        QThread::msleep(20);
    }
    m_why = QStringLiteral("the server did not listen on port %1 within 15 s").arg(m_port);
    return false;
}

void PrivateServer::kill()
{
    if (!m_process)
        return;
    m_process->kill();
    m_process->waitForFinished(10000);
    m_process.reset();
}

qint64 PrivateServer::pid() const
{
    return isRunning() ? m_process->processId() : 0;
}

bool PrivateServer::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

} // namespace testsupport

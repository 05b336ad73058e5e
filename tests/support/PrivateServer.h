#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

// A Firebird SuperServer of the test's own, which the test can kill and start again while its
// clients stay attached. It runs the installed server binary as the current user on a free
// port, reached at 127.0.0.1, with its own root folder (firebird.conf, an empty
// databases.conf, a copy of the character sets' module, a fresh security database with
// SYSDBA/masterkey under Legacy_Auth), lock folder and temporary folder, so it never touches
// the machine's server on 3050 or its files. The process dies with the test process
// (parent-death signal) and is killed by the destructor, so none is left behind.
//
// Databases it serves must not be open through the embedded engine at the same time: the two
// engines do not share a lock folder. LUMIVO_KEEP_SERVER_DIR=1 keeps the folder for a look
// afterwards (the server writes its log to the system's firebird log, not there).
namespace testsupport {

class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer(); // kills the server
    PrivateServer(const PrivateServer&) = delete;
    PrivateServer& operator=(const PrivateServer&) = delete;

    // Starts the server (the first call also builds its folder and picks the port) and waits
    // until it accepts connections. False with why() when it cannot; a running server is kept.
    bool start();
    // SIGKILL: the server vanishes as a crashed host does; its clients learn it on their next
    // call. (Started this way, without its guardian, the server ignores SIGTERM and SIGINT.)
    void kill();
    // The server's process id while it runs (0 otherwise), for a helper thread that kills it
    // at a moment of its choosing.
    qint64 pid() const;
    bool isRunning() const;

    const QString& why() const noexcept { return m_why; }
    quint16 port() const noexcept { return m_port; }
    // "127.0.0.1/<port>": the station's Server entry for this server.
    QString serverName() const;
    // Folder for the databases it serves.
    QString dataFolder() const;
    // The station's parameter list for a TCP/IP connection as SYSDBA to path on this server.
    QStringList params(const QString& path) const;

private:
    bool prepare();
    bool waitUntilListening();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QString m_why;
};

// The server binary's path, or empty when Firebird's server package is not installed.
QString serverBinary();

} // namespace testsupport

// Skips a test when its private server cannot start, or fails it when CI=true.
#define LUMIVO_REQUIRE_PRIVATE_SERVER(server)                                                                          \
    do {                                                                                                               \
        if (!(server).start()) {                                                                                       \
            const QByteArray lumivoWhy = (QStringLiteral("Private Firebird server: ") + (server).why()).toUtf8();      \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                                                   \
                QFAIL(lumivoWhy.constData());                                                                          \
            QSKIP(lumivoWhy.constData());                                                                              \
        }                                                                                                              \
    } while (false)

#include "TestDatabases.h"

#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <memory>
#include <stdexcept>

namespace testsupport {

namespace {

const QString kPasswordFile = QStringLiteral("/etc/firebird/3.0/SYSDBA.password");

constexpr QFile::Permissions kEveryoneRw = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser |
                                           QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
constexpr QFile::Permissions kEveryoneRwx =
    kEveryoneRw | QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;

[[noreturn]] void fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

QString sqlLiteral(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QStringLiteral("''"));
    return u'\'' + quoted + u'\'';
}

QString readScript(const QString& name)
{
    const QString path = testdataDir() + QStringLiteral("/microsip/") + name;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    // UTF-8 on disk; the script runner sends it to the server as ISO8859_1.
    return QString::fromUtf8(file.readAll());
}

// A "COMMIT;" line ends a phase: Firebird cannot insert into a table that the same
// transaction created, so each phase runs in a transaction of its own.
void runPhases(fb::Connection& connection, const QString& script)
{
    const std::vector<fb::ScriptFailure> failures = fb::runScriptPhases(connection, script);
    if (!failures.empty()) {
        QString message = QStringLiteral("%1 statement(s) failed").arg(failures.size());
        for (const fb::ScriptFailure& f : failures)
            message += QStringLiteral("\n--- %1\n    %2").arg(f.statement.left(300), f.message);
        fail(message);
    }
}

QTemporaryDir& templateDir()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/lumivo-templates-XXXXXX"));
    if (!dir.isValid())
        fail(QStringLiteral("Cannot create a folder for the database templates: %1").arg(dir.errorString()));
    return dir;
}

QString buildTemplate(const QString& fileName, const QString& scriptName)
{
    const QString path = templateDir().filePath(fileName);
    fb::Connection connection;
    connection.setParams(embeddedParams(path));
    connection.create();
    runPhases(connection, readScript(scriptName));
    connection.close();
    return path;
}

const QString& companyTemplate()
{
    static const QString path = buildTemplate(QStringLiteral("company.fdb"), QStringLiteral("company.sql"));
    return path;
}

const QString& systemTemplate()
{
    static const QString path = buildTemplate(QStringLiteral("system.fdb"), QStringLiteral("system.sql"));
    return path;
}

QString copyFresh(const QString& source, const QString& destination)
{
    const QFileInfo info(destination);
    if (!QDir().mkpath(info.absolutePath()))
        fail(QStringLiteral("Cannot create %1").arg(info.absolutePath()));
    if (info.exists() && !QFile::remove(destination))
        fail(QStringLiteral("Cannot replace %1").arg(destination));
    if (!QFile::copy(source, destination))
        fail(QStringLiteral("Cannot copy %1 to %2").arg(source, destination));
    return info.absoluteFilePath();
}

void openToServer(const QString& folder)
{
    if (!QFile::setPermissions(folder, kEveryoneRwx))
        fail(QStringLiteral("Cannot open %1 to the server").arg(folder));
    for (QDir dir(folder); dir.cdUp();) {
        if (!QFileInfo(dir.absolutePath()).permission(QFile::ExeOther))
            fail(QStringLiteral("The server cannot reach %1: %2 is not searchable by others")
                     .arg(folder, dir.absolutePath()));
    }
}

QString serverCopy(const QString& source, const QString& folder, const QString& relativePath)
{
    QDir().mkpath(folder);
    openToServer(QFileInfo(folder).absoluteFilePath());
    const QString path = copyFresh(source, QDir(folder).filePath(relativePath));
    const QString subFolder = QFileInfo(path).absolutePath();
    if (subFolder != QFileInfo(folder).absoluteFilePath())
        openToServer(subFolder);
    if (!QFile::setPermissions(path, kEveryoneRw))
        fail(QStringLiteral("Cannot open %1 to the server").arg(path));
    return path;
}

// A server database of our own for logins and for the probe, alive for the whole process.
const QString& adminDatabase()
{
    static QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/lumivo-server-XXXXXX"));
    static const QString path = [] {
        if (!dir.isValid())
            fail(QStringLiteral("Cannot create a folder for the server: %1").arg(dir.errorString()));
        return serverCopy(systemTemplate(), dir.path(), QStringLiteral("admin.fdb"));
    }();
    return path;
}

} // namespace

QString testdataDir()
{
    return QStringLiteral(LUMIVO_TESTDATA_DIR);
}

QString companyDatabase(const QString& folder, const QString& fileName)
{
    return copyFresh(companyTemplate(), QDir(folder).filePath(fileName));
}

QString systemDatabase(const QString& folder)
{
    return copyFresh(systemTemplate(), QDir(folder).filePath(QStringLiteral("System/Config.fdb")));
}

QStringList embeddedParams(const QString& path, const QString& user)
{
    QStringList params{QStringLiteral("Database=") + path, QStringLiteral("user_name=") + user,
                       QStringLiteral("password=masterkey")};
    if (user.toUpper() != QLatin1String("SYSDBA"))
        params << QStringLiteral("RoleName=") + QLatin1String(kRole);
    params << QStringLiteral("CharacterSet= ISO8859_1") << QStringLiteral("SQLDialect= 3")
           << QStringLiteral("DriverID=FB");
    return params;
}

void runSql(const QStringList& params, const QString& script)
{
    fb::Connection connection;
    connection.setParams(params);
    connection.open();
    runPhases(connection, script);
    connection.close();
}

void grantMicrosipRole(const QStringList& params, const QString& user)
{
    runSql(params, QStringLiteral("GRANT %1 TO %2;").arg(QLatin1String(kRole), user));
}

QString serverPassword()
{
    QFile file(kPasswordFile);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    // Shell syntax: ISC_PASSWORD="secret"
    static const QRegularExpression line(QStringLiteral(R"re(^\s*ISC_PASSWORD\s*=\s*"?([^"\r\n]*)"?\s*$)re"),
                                         QRegularExpression::MultilineOption);
    return line.match(QString::fromUtf8(file.readAll())).captured(1);
}

bool serverAvailable()
{
    static const bool available = [] {
        if (serverPassword().isEmpty())
            return false;
        try {
            fb::Connection connection;
            connection.setParams(serverParams(adminDatabase()));
            connection.open();
            connection.close();
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }();
    return available;
}

QString serverCompanyDatabase(const QString& folder, const QString& fileName)
{
    return serverCopy(companyTemplate(), folder, fileName);
}

QString serverSystemDatabase(const QString& folder)
{
    return serverCopy(systemTemplate(), folder, QStringLiteral("System/Config.fdb"));
}

QStringList serverParams(const QString& path, const QString& user, const QString& password)
{
    const bool sysdba = user.toUpper() == QLatin1String("SYSDBA");
    QStringList params{QStringLiteral("Database=") + path, QStringLiteral("user_name=") + user,
                       QStringLiteral("password=") + (sysdba && password.isEmpty() ? serverPassword() : password)};
    if (!sysdba)
        params << QStringLiteral("RoleName=") + QLatin1String(kRole);
    params << QStringLiteral("CharacterSet= ISO8859_1") << QStringLiteral("SQLDialect= 3")
           << QStringLiteral("Protocol=TCPIP") << QStringLiteral("Server=localhost") << QStringLiteral("DriverID=FB");
    return params;
}

void createServerUser(const QString& user, const QString& password)
{
    runSql(serverParams(adminDatabase()),
           QStringLiteral("CREATE OR ALTER USER %1 PASSWORD %2;").arg(user, sqlLiteral(password)));
}

void dropServerUser(const QString& user)
{
    try {
        runSql(serverParams(adminDatabase()), QStringLiteral("DROP USER %1;").arg(user));
    } catch (const std::exception&) {
        // Already gone.
    }
}

ServerUser::ServerUser(const QString& user, const QString& password)
    : m_user(user)
{
    createServerUser(user, password);
}

ServerUser::~ServerUser()
{
    dropServerUser(m_user);
}

QStringList queryRows(fb::Transaction& transaction, const QString& sql, const QueryParams& params)
{
    fb::Query query(transaction);
    query.setSql(sql);
    for (const auto& [name, value] : params)
        query.setParam(name, value);
    query.open();
    QStringList rows;
    while (query.next()) {
        QStringList cells;
        for (const fb::Value& v : query.row())
            cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
        rows << cells.join(u'|');
    }
    return rows;
}

QStringList queryRows(const QStringList& connectionParams, const QString& sql, const QueryParams& params)
{
    fb::Connection connection;
    connection.setParams(connectionParams);
    connection.open();
    fb::Transaction transaction(connection);
    transaction.start();
    return queryRows(transaction, sql, params);
}

} // namespace testsupport

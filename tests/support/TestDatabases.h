#pragma once

#include "firebird/Value.h"

#include <QString>
#include <QStringList>
#include <QTest>
#include <utility>
#include <vector>

namespace fb {
class Transaction;
}

// Fresh stand-in ERP databases for tests, built from testdata/microsip.
//
// The scripts run once per test process into a template file (embedded engine); every
// call then copies the template, which takes milliseconds. Failures throw
// std::runtime_error (Qt Test reports it as a failed test).
//
// The embedded engine takes any user name without a password and still enforces that
// user's SQL rights, so rights and the role work without the server. Passwords and
// remote attachment strings need the server (127.0.0.1:3050): see server*() below.
namespace testsupport {

inline constexpr char kRole[] = "USUARIO_MICROSIP";

// testdata/ of the source tree.
QString testdataDir();

// A fresh company database at folder/fileName (folder is created). Returns its path.
QString companyDatabase(const QString& folder, const QString& fileName = QStringLiteral("DEMO.fdb"));

// A fresh system database at folder/System/Config.fdb, so that folder + "/" is a data
// folder whose system path is formed as the station forms it. Returns its path.
QString systemDatabase(const QString& folder);

// The station's parameter list for a local connection: Database, user_name, password,
// RoleName (for every user but SYSDBA), "CharacterSet= ISO8859_1", "SQLDialect= 3",
// DriverID=FB.
QStringList embeddedParams(const QString& path, const QString& user = QStringLiteral("SYSDBA"));

// Runs a script (SET TERM aware; "COMMIT;" lines end a transaction) and commits.
// Throws when any statement fails.
void runSql(const QStringList& params, const QString& script);

// Every row of a SELECT run in the transaction, its cells joined by '|', NULL as "NULL".
using QueryParams = std::vector<std::pair<QString, fb::Value>>;
QStringList queryRows(fb::Transaction& transaction, const QString& sql, const QueryParams& params = {});
// The same through a connection and a transaction of its own on the database that params name.
QStringList queryRows(const QStringList& connectionParams, const QString& sql, const QueryParams& params = {});

// GRANT USUARIO_MICROSIP TO user, in the database that params name.
void grantMicrosipRole(const QStringList& params, const QString& user);

// ---- Server (SuperServer on localhost) --------------------------------------------

// SYSDBA's password from /etc/firebird/3.0/SYSDBA.password; empty when unreadable.
QString serverPassword();

// True when the server accepts SYSDBA; probed once per process.
bool serverAvailable();

// Copies for the server. The server runs as its own user, so folder (and its System
// subfolder) is opened to everyone and the file made world-writable; every ancestor
// of folder must be searchable by that user (a QTemporaryDir directly under the
// temporary folder is). Never open these files with the embedded engine as well.
QString serverCompanyDatabase(const QString& folder, const QString& fileName = QStringLiteral("DEMO.fdb"));
QString serverSystemDatabase(const QString& folder);

// Parameter list for a remote TCP/IP connection to localhost, as the station builds
// it. An empty password for SYSDBA means serverPassword().
QStringList serverParams(const QString& path, const QString& user = QStringLiteral("SYSDBA"),
                         const QString& password = QString());

// Server logins are global to the server, so use names that no other test executable
// uses with another password. createServerUser replaces the password of an existing
// login; dropServerUser ignores a missing one.
void createServerUser(const QString& user, const QString& password);
void dropServerUser(const QString& user);

// Drops the login when the scope ends.
class ServerUser {
public:
    ServerUser(const QString& user, const QString& password);
    ~ServerUser();
    ServerUser(const ServerUser&) = delete;
    ServerUser& operator=(const ServerUser&) = delete;
    const QString& name() const noexcept { return m_user; }

private:
    QString m_user;
};

} // namespace testsupport

// Skips a test that needs the server, or fails it when CI=true (CI always has a server).
#define LUMIVO_REQUIRE_SERVER()                                                                                        \
    do {                                                                                                               \
        if (!testsupport::serverAvailable()) {                                                                         \
            if (qEnvironmentVariable("CI") == QLatin1String("true"))                                                   \
                QFAIL("The Firebird server on 127.0.0.1:3050 is not available");                                       \
            QSKIP("The Firebird server on 127.0.0.1:3050 is not available");                                           \
        }                                                                                                              \
    } while (false)

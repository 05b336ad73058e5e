// The Firebird layer when the server goes away under an open attachment: which errors count as a
// lost connection, and that every object on the dead attachment can be closed and used again
// once the server is back. Runs against a private server that the test kills and restarts.
#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/FirebirdApi.h"
#include "firebird/Query.h"
#include "firebird/Transaction.h"
#include "tests/support/PrivateServer.h"
#include "tests/support/PruebaPrincipal.h"
#include "tests/support/TestDatabases.h"

#include <QtTest>

namespace {

void exec(fb::Connection& connection, const QString& sql)
{
    fb::Transaction t(connection);
    t.start();
    fb::Query q(t);
    q.setSql(sql);
    q.execute();
    t.commit();
}

int count(fb::Query& q)
{
    q.close();
    q.open();
    int rows = 0;
    while (q.next())
        ++rows;
    return rows;
}

} // namespace

class TestServerLoss : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lostCodes_data();
    void lostCodes();
    void objectsRecoverAfterServerLoss();
    void reopenWhileServerAwayFailsAsLost();

private:
    // A fresh database on the running private server with table T of three rows, attached.
    bool attachFresh();

    std::unique_ptr<testsupport::PrivateServer> m_server;
    fb::Connection m_db;
};

void TestServerLoss::init()
{
    m_server = std::make_unique<testsupport::PrivateServer>();
}

void TestServerLoss::cleanup()
{
    m_db.close();
    m_server.reset(); // kills the server whatever the test left behind
}

bool TestServerLoss::attachFresh()
{
    const QString path = QDir(m_server->dataFolder()).filePath(QStringLiteral("t.fdb"));
    QFile::remove(path);
    try {
        m_db.setParams(m_server->params(path));
        m_db.create();
        exec(m_db, QStringLiteral("CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY)"));
        exec(m_db, QStringLiteral("INSERT INTO T SELECT FIRST 3 RDB$RELATION_ID FROM RDB$RELATIONS"));
        return true;
    } catch (const fb::Error& e) {
        qWarning("%s", e.what());
        return false;
    }
}

// The codes a dead server or network produces are lost connections; failures of the request
// itself, of the login or of this layer are not, so they are never retried.
void TestServerLoss::lostCodes_data()
{
    QTest::addColumn<long>("code");
    QTest::addColumn<bool>("lost");
    QTest::newRow("network error") << long(isc_network_error) << true;
    QTest::newRow("read error") << long(isc_net_read_err) << true;
    QTest::newRow("write error") << long(isc_net_write_err) << true;
    QTest::newRow("connect error") << long(isc_net_connect_err) << true;
    QTest::newRow("connection rejected") << long(isc_connect_reject) << true;
    QTest::newRow("lost db connection") << long(isc_lost_db_connection) << true;
    QTest::newRow("connection lost") << long(isc_conn_lost) << true;
    QTest::newRow("attachment shutdown") << long(isc_att_shutdown) << true;
    QTest::newRow("database shutdown") << long(isc_shutdown) << true;
    QTest::newRow("wrong password") << long(isc_login) << false;
    QTest::newRow("unique key") << long(isc_unique_key_violation) << false;
    QTest::newRow("lock conflict") << long(isc_lock_conflict) << false;
    QTest::newRow("missing table") << long(isc_dsql_relation_err) << false;
    QTest::newRow("this layer's own") << 0L << false;
}

void TestServerLoss::lostCodes()
{
    QFETCH(long, code);
    QFETCH(bool, lost);
    QCOMPARE(fb::Error("x", code).isConnectionLost(), lost);
}

// The server killed under an open cursor and an active transaction: the next call on the old
// attachment fails as a lost connection, close() cleans up without throwing, and the same
// Transaction and Query objects work on the new attachment, the query prepared there again.
void TestServerLoss::objectsRecoverAfterServerLoss()
{
    LUMIVO_REQUIRE_PRIVATE_SERVER(*m_server);
    QVERIFY(attachFresh());
    fb::Transaction t(m_db);
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("SELECT ID FROM T WHERE ID >= :desde"));
    q.setParam(QStringLiteral("desde"), 0);
    QCOMPARE(count(q), 3);
    QVERIFY(q.isPrepared());

    m_server->kill();
    QVERIFY(!m_server->isRunning());

    try {
        count(q);
        QFAIL("the query answered with its server gone");
    } catch (const fb::Error& e) {
        qInfo("isc code %ld: %s", e.gdsCode(), e.what());
        QVERIFY2(e.isConnectionLost(), e.what());
    }

    m_db.close(); // noexcept: a throw here would end the process
    QVERIFY(!m_db.isOpen());
    QVERIFY(!t.isActive());
    QVERIFY(!q.isOpen());
    QVERIFY(!q.isPrepared());

    QVERIFY2(m_server->start(), qPrintable(m_server->why()));
    m_db.open();
    t.start();
    QCOMPARE(count(q), 3); // same object, same text and value, prepared on the new attachment
    QVERIFY(q.isPrepared());
    t.commit();
}

// With the server still away, opening again fails as a lost connection too, so a retry's own
// failure is told apart from a real error; the objects stay usable for the attempt after that.
void TestServerLoss::reopenWhileServerAwayFailsAsLost()
{
    LUMIVO_REQUIRE_PRIVATE_SERVER(*m_server);
    QVERIFY(attachFresh());
    fb::Transaction t(m_db);
    t.start();
    m_server->kill();
    m_db.close();
    try {
        m_db.open();
        QFAIL("attached to a server that is not running");
    } catch (const fb::Error& e) {
        qInfo("isc code %ld: %s", e.gdsCode(), e.what());
        QVERIFY2(e.isConnectionLost(), e.what());
    }
    QVERIFY(!m_db.isOpen());
    QVERIFY_THROWS_EXCEPTION(fb::Error, t.start());

    QVERIFY2(m_server->start(), qPrintable(m_server->why()));
    m_db.open();
    t.start();
    fb::Query q(t);
    q.setSql(QStringLiteral("SELECT ID FROM T"));
    QCOMPARE(count(q), 3);
}

LUMIVO_TEST_GUILESS_MAIN(TestServerLoss)
#include "tst_serverloss.moc"

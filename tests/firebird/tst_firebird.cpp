#include "firebird/Connection.h"
#include "firebird/Error.h"
#include "firebird/Query.h"
#include "firebird/ScriptRunner.h"
#include "firebird/Transaction.h"
#include "tests/support/PruebaPrincipal.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>
#include <optional>

using fb::Decimal;
using fb::Value;

namespace {

// "kind:text" of a value, so that a table can state type and content in one cell.
QString describe(const Value& v)
{
    static const char* const kinds[] = {"null", "int", "dec", "dbl", "str", "date", "time", "ts", "bool", "bytes"};
    const QString kind = QString::fromLatin1(kinds[v.storage().index()]);
    if (v.isNull())
        return kind;
    if (const auto* bytes = std::get_if<QByteArray>(&v.storage()))
        return kind + u':' + QString::fromLatin1(bytes->toHex());
    return kind + u':' + v.toString();
}

QString message(const fb::Error& e)
{
    return QString::fromStdString(e.what());
}

// Runs statements in a transaction of their own and commits.
void exec(fb::Connection& connection, const QStringList& statements)
{
    fb::Transaction t(connection);
    t.start();
    fb::Query q(t);
    for (const QString& sql : statements) {
        q.setSql(sql);
        q.execute();
    }
    t.commit();
}

Value scalar(fb::Transaction& t, const QString& sql)
{
    fb::Query q(t);
    q.setSql(sql);
    q.open();
    if (!q.next())
        throw fb::Error("no row for " + sql.toStdString());
    return q.value(0);
}

QStringList embeddedParams(const QString& path)
{
    return {QStringLiteral("Database=") + path, QStringLiteral("user_name=SYSDBA"),
            QStringLiteral("password=x"),       QStringLiteral("CharacterSet= ISO8859_1"),
            QStringLiteral("SQLDialect= 3"),    QStringLiteral("DriverID=FB")};
}

std::optional<QString> sysdbaPassword()
{
    QFile file(QStringLiteral("/etc/firebird/3.0/SYSDBA.password"));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    static const QRegularExpression line(QStringLiteral("^\\s*ISC_PASSWORD\\s*=\\s*\"?([^\"\\n]*)\"?\\s*$"),
                                         QRegularExpression::MultilineOption);
    const auto m = line.match(QString::fromLocal8Bit(file.readAll()));
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1);
}

} // namespace

class TestFirebird : public QObject {
    Q_OBJECT

private slots:
    void cleanup();

    // Pure text work.
    void translateNamedParams_data();
    void translateNamedParams();
    void attachmentString_data();
    void attachmentString();
    void splitScript_data();
    void splitScript();
    void decimal_data();
    void decimal();
    void decimalCompare_data();
    void decimalCompare();
    void decimalRejects_data();
    void decimalRejects();

    // Embedded databases.
    void connectionParams_data();
    void connectionParams();
    void namedParamsBoundByName();
    void nullsAndEmptyText();
    void numericRoundTrip_data();
    void numericRoundTrip();
    void typesRoundTrip_data();
    void typesRoundTrip();
    void serverConvertsAndRefuses_data();
    void serverConvertsAndRefuses();
    void latin1Text_data();
    void latin1Text();
    void textLatin1CannotHold_data();
    void textLatin1CannotHold();
    void blobs();
    void selectableProcedure();
    void executeProcedureOutputs();
    void rowsFetchedOnDemand();
    void twoTransactionsOnOneConnection();
    void preparedOnceAndReused();
    void missingTableNamesTheTable();
    void objectsOutliveClosedConnection();
    void connectionLost();
    void scriptRunner();
    void scriptDdlThenUse_data();
    void scriptDdlThenUse();

    // Through the server.
    void serverWrongPassword();
    void serverUnreachable();

private:
    fb::Connection& db();
    QStringList serverDatabase(); // creates one through the server; skips when there is none

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<fb::Connection> m_db;
};

fb::Connection& TestFirebird::db()
{
    if (!m_db) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_db = std::make_unique<fb::Connection>();
        m_db->setParams(embeddedParams(m_dir->filePath(QStringLiteral("test.fdb"))));
        m_db->create();
    }
    return *m_db;
}

void TestFirebird::cleanup()
{
    m_db.reset();
    m_dir.reset();
}

QStringList TestFirebird::serverDatabase()
{
    const bool ci = qEnvironmentVariable("CI") == u"true";
    const auto password = sysdbaPassword();
    QString why;
    if (!password) {
        why = QStringLiteral("SYSDBA password file not readable");
    } else {
        // The server runs as the 'firebird' user: its database must sit where that user can write.
        m_dir = std::make_unique<QTemporaryDir>();
        QFile::setPermissions(m_dir->path(), QFileDevice::Permissions(0x7777)); // rwx for everyone
        const QStringList params = {QStringLiteral("Database=") + m_dir->filePath(QStringLiteral("server.fdb")),
                                    QStringLiteral("user_name=SYSDBA"),
                                    QStringLiteral("password=") + *password,
                                    QStringLiteral("CharacterSet= ISO8859_1"),
                                    QStringLiteral("SQLDialect= 3"),
                                    QStringLiteral("Protocol=TCPIP"),
                                    QStringLiteral("Server=127.0.0.1"),
                                    QStringLiteral("DriverID=FB")};
        try {
            fb::Connection c;
            c.setParams(params);
            c.create();
            return params;
        } catch (const fb::Error& e) {
            if (!e.isConnectionLost()) {
                QTest::qFail(e.what(), __FILE__, __LINE__); // the server answered: a real failure
                return {};
            }
            why = QStringLiteral("no Firebird server on 127.0.0.1:3050: ") + message(e);
        }
    }
    if (ci)
        QTest::qFail(qPrintable(why), __FILE__, __LINE__);
    else
        QTest::qSkip(qPrintable(why), __FILE__, __LINE__);
    return {};
}

// --- Pure text work -------------------------------------------------------------------

void TestFirebird::translateNamedParams_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("plain") << "SELECT * FROM T WHERE A = :a AND B=:Bee"
                           << "SELECT * FROM T WHERE A = ? AND B=?" << QStringList{"A", "BEE"};
    QTest::newRow("repeated, any case") << "WHERE X = :id OR Y = :ID OR Z = :Id"
                                        << "WHERE X = ? OR Y = ? OR Z = ?" << QStringList{"ID", "ID", "ID"};
    QTest::newRow("name characters") << "VALUES (:_a1, :b$2,:c)"
                                     << "VALUES (?, ?,?)" << QStringList{"_A1", "B$2", "C"};
    QTest::newRow("string literal") << "SELECT ':x', 'a''b :y' FROM T WHERE A = :z"
                                    << "SELECT ':x', 'a''b :y' FROM T WHERE A = ?" << QStringList{"Z"};
    QTest::newRow("doubled quote at the end") << "SELECT 'it''s' || :p FROM T"
                                              << "SELECT 'it''s' || ? FROM T" << QStringList{"P"};
    QTest::newRow("quoted identifier") << "SELECT \"a:b\", \"x\"\":y\" FROM T WHERE :w = 1"
                                       << "SELECT \"a:b\", \"x\"\":y\" FROM T WHERE ? = 1" << QStringList{"W"};
    QTest::newRow("line comment") << "SELECT 1 -- :no\nFROM T WHERE A = :yes"
                                  << "SELECT 1 -- :no\nFROM T WHERE A = ?" << QStringList{"YES"};
    QTest::newRow("block comment") << "SELECT /* :no\n :nor */ :yes FROM T"
                                   << "SELECT /* :no\n :nor */ ? FROM T" << QStringList{"YES"};
    QTest::newRow("unterminated comment") << "SELECT :a /* :b"
                                          << "SELECT ? /* :b" << QStringList{"A"};
    QTest::newRow("unterminated literal") << "SELECT :a, ':b"
                                          << "SELECT ?, ':b" << QStringList{"A"};
    QTest::newRow("double colon") << "SELECT a::b, :c FROM T"
                                  << "SELECT a::b, ? FROM T" << QStringList{"C"};
    QTest::newRow("colon before a digit") << "SELECT '1' FROM T WHERE :1 = 1"
                                          << "SELECT '1' FROM T WHERE :1 = 1" << QStringList{};
    QTest::newRow("positional marker") << "WHERE A = ? AND B = :b"
                                       << "WHERE A = ? AND B = ?" << QStringList{"", "B"};
    QTest::newRow("minus and slash alone") << "SELECT 4 - :a / 2 FROM T"
                                           << "SELECT 4 - ? / 2 FROM T" << QStringList{"A"};
}

void TestFirebird::translateNamedParams()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    QFETCH(QStringList, names);
    const fb::TranslatedSql t = fb::translateNamedParams(sql);
    QCOMPARE(t.sql, expected);
    QCOMPARE(t.names, names);
}

void TestFirebird::attachmentString_data()
{
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("expected");

    const QString db = QStringLiteral("Database=C:\\Microsip datos\\System\\Config.fdb");
    QTest::newRow("TCPIP") << QStringList{db, "Protocol=TCPIP", "Server=SRV1"}
                           << "SRV1:C:\\Microsip datos\\System\\Config.fdb";
    QTest::newRow("NetBEUI") << QStringList{db, "Protocol=NetBEUI", "Server=SRV1"}
                             << "\\\\SRV1\\C:\\Microsip datos\\System\\Config.fdb";
    QTest::newRow("SPX") << QStringList{db, "Protocol=SPX", "Server=SRV1"}
                         << "SRV1@C:\\Microsip datos\\System\\Config.fdb";
    QTest::newRow("server without protocol")
        << QStringList{db, "Server=SRV1", "DriverID=FB"} << "SRV1:C:\\Microsip datos\\System\\Config.fdb";
    QTest::newRow("local") << QStringList{"Database=/data/EMPRESA.fdb", "user_name=SYSDBA", "DriverID=FB"}
                           << "/data/EMPRESA.fdb";
    QTest::newRow("names any case, values trimmed")
        << QStringList{"DATABASE= /data/E.fdb ", "protocol= spx", "SERVER= host "} << "host@/data/E.fdb";
    QTest::newRow("port in server name") << QStringList{"Database=/x.fdb", "Server=127.0.0.1/3051"}
                                         << "127.0.0.1/3051:/x.fdb";
    QTest::newRow("empty list") << QStringList{} << "";
}

void TestFirebird::attachmentString()
{
    QFETCH(QStringList, params);
    QFETCH(QString, expected);
    QCOMPARE(fb::Connection::attachmentString(params), expected);
}

void TestFirebird::splitScript_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QList<int>>("lines");

    QTest::newRow("plain") << "CREATE TABLE A (X INT);\nINSERT INTO A VALUES (1);\n"
                           << QStringList{"CREATE TABLE A (X INT)", "INSERT INTO A VALUES (1)"} << QList<int>{1, 2};
    QTest::newRow("dialect and blanks") << "SET SQL DIALECT 3;\n\n   ;\nset sql  dialect 3 ;\nSELECT 1 FROM R;\n;;"
                                        << QStringList{"SELECT 1 FROM R"} << QList<int>{5};
    QTest::newRow("set term round trip") << "SET TERM ^ ;\nCREATE PROCEDURE P AS\nBEGIN\n  X = 1;\nEND^\nSET TERM ; "
                                            "^\nGRANT EXECUTE ON PROCEDURE P TO R;"
                                         << QStringList{"CREATE PROCEDURE P AS\nBEGIN\n  X = 1;\nEND",
                                                        "GRANT EXECUTE ON PROCEDURE P TO R"}
                                         << QList<int>{2, 7};
    QTest::newRow("set term lower case, no blank")
        << "set term !! ;\nA;B!!\nset term ;!!\nC;" << QStringList{"A;B", "C"} << QList<int>{2, 4};
    QTest::newRow("terminators inside strings, identifiers, comments")
        << "INSERT INTO T VALUES ('a;b', 'it''s;');\nSELECT \"x;y\" FROM T -- c;d\n/* e;\nf */ ;"
        << QStringList{"INSERT INTO T VALUES ('a;b', 'it''s;')", "SELECT \"x;y\" FROM T -- c;d\n/* e;\nf */"}
        << QList<int>{1, 2};
    QTest::newRow("set term inside a literal is text")
        << "INSERT INTO T VALUES ('SET TERM ^ ;');\nSELECT 1 FROM R;"
        << QStringList{"INSERT INTO T VALUES ('SET TERM ^ ;')", "SELECT 1 FROM R"} << QList<int>{1, 2};
    QTest::newRow("leading comments skipped, line of the statement")
        << "-- header\n/* block\n   comment */\n\nDELETE FROM T;\n-- trailing comment only\n"
        << QStringList{"DELETE FROM T"} << QList<int>{5};
    QTest::newRow("last statement without terminator") << "A;\nB" << QStringList{"A", "B"} << QList<int>{1, 2};
    QTest::newRow("comments only") << "-- a;\n/* b; */\n" << QStringList{} << QList<int>{};
}

void TestFirebird::splitScript()
{
    QFETCH(QString, script);
    QFETCH(QStringList, texts);
    QFETCH(QList<int>, lines);
    QStringList gotTexts;
    QList<int> gotLines;
    for (const fb::ScriptStatement& s : fb::splitScript(script)) {
        gotTexts << s.text;
        gotLines << s.line;
    }
    QCOMPARE(gotTexts, texts);
    QCOMPARE(gotLines, lines);
}

void TestFirebird::decimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("canonical");
    QTest::addColumn<int>("newScale");
    QTest::addColumn<QString>("rescaled");

    QTest::newRow("negative") << "-12.500"
                              << "-12.500" << 1 << "-12.5";
    QTest::newRow("integer") << "35"
                             << "35" << 2 << "35.00";
    QTest::newRow("smallest") << "0.000001"
                              << "0.000001" << 6 << "0.000001";
    QTest::newRow("half rounds up") << "2.345"
                                    << "2.345" << 2 << "2.35";
    QTest::newRow("negative half away from zero") << "-2.345"
                                                  << "-2.345" << 2 << "-2.35";
    QTest::newRow("below half") << "-0.0049"
                                << "-0.0049" << 2 << "0.00";
    QTest::newRow("largest NUMERIC(18,6)") << "999999999999.999999"
                                           << "999999999999.999999" << 6 << "999999999999.999999";
    QTest::newRow("sign and blanks") << " +7.10 "
                                     << "7.10" << 0 << "7";
}

void TestFirebird::decimal()
{
    QFETCH(QString, text);
    QFETCH(QString, canonical);
    QFETCH(int, newScale);
    QFETCH(QString, rescaled);
    const Decimal d = Decimal::fromString(text);
    QCOMPARE(d.toString(), canonical);
    const Decimal r = d.rescaled(newScale);
    QCOMPARE(r.toString(), rescaled);
    QCOMPARE(r.scale, newScale);
}

void TestFirebird::decimalCompare_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("order"); // sign of a - b

    QTest::newRow("same value, other scale") << "1.5"
                                             << "1.500000" << 0;
    QTest::newRow("zero at any scale") << "0"
                                       << "-0.000" << 0;
    QTest::newRow("integer above fraction") << "2"
                                            << "1.999999" << 1;
    QTest::newRow("negatives") << "-2"
                               << "-1.5" << -1;
    QTest::newRow("largest, last digit") << "999999999999.999999"
                                         << "999999999999.99999" << 1;
    QTest::newRow("int64 extremes at different scales") << "-9223372036854775807"
                                                        << "9.223372036854775807" << -1;
}

void TestFirebird::decimalCompare()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, order);
    const Decimal x = Decimal::fromString(a);
    const Decimal y = Decimal::fromString(b);
    QCOMPARE(x == y, order == 0);
    QCOMPARE(x < y, order < 0);
    QCOMPARE(y<x, order> 0);
}

void TestFirebird::decimalRejects_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("letters") << "12a";
    QTest::newRow("comma") << "1,5";
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("exponent") << "1e5";
    QTest::newRow("sign only") << "-";
    QTest::newRow("overflow") << "9223372036854775808";
    QTest::newRow("more than 18 decimals") << "0.1234567890123456789";
}

void TestFirebird::decimalRejects()
{
    QFETCH(QString, text);
    QVERIFY_THROWS_EXCEPTION(fb::Error, Decimal::fromString(text));
}

// --- Embedded databases ---------------------------------------------------------------

void TestFirebird::connectionParams_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");

    const QString charset = QStringLiteral(
        "SELECT C.RDB$CHARACTER_SET_NAME FROM MON$ATTACHMENTS A JOIN RDB$CHARACTER_SETS C "
        "ON C.RDB$CHARACTER_SET_ID = A.MON$CHARACTER_SET_ID WHERE A.MON$ATTACHMENT_ID = CURRENT_CONNECTION");
    QTest::newRow("charset with a blank after '='")
        << QStringList{"CharacterSet= ISO8859_1"} << charset << "str:ISO8859_1";
    QTest::newRow("charset absent: ISO8859_1") << QStringList{} << charset << "str:ISO8859_1";
    QTest::newRow("charset name any case") << QStringList{"characterset=UTF8"} << charset << "str:UTF8";
    QTest::newRow("user") << QStringList{"USER_NAME= CAJERO "} << "SELECT CURRENT_USER FROM RDB$DATABASE"
                          << "str:CAJERO";
    QTest::newRow("role") << QStringList{"user_name=CAJERO", "RoleName= USUARIO_MICROSIP "}
                          << "SELECT CURRENT_ROLE FROM RDB$DATABASE"
                          << "str:USUARIO_MICROSIP";
    QTest::newRow("no role") << QStringList{"user_name=CAJERO"} << "SELECT CURRENT_ROLE FROM RDB$DATABASE"
                             << "str:NONE";
    QTest::newRow("dialect 3") << QStringList{"SQLDialect= 3"} << "SELECT 7 / 2 FROM RDB$DATABASE"
                               << "int:3";
    // Dialect 1 divides in floating point: proves the entry reaches the attachment.
    QTest::newRow("dialect 1") << QStringList{"SQLDialect= 1"} << "SELECT 7 / 2 FROM RDB$DATABASE"
                               << "dbl:3.5";
}

void TestFirebird::connectionParams()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, sql);
    QFETCH(QString, expected);

    exec(db(), {"CREATE ROLE USUARIO_MICROSIP"});
    exec(db(), {"GRANT USUARIO_MICROSIP TO CAJERO"});
    const QString path = db().params().first().mid(9);
    db().close();

    // The embedded engine takes any user name without a password.
    fb::Connection c;
    c.setParams(QStringList{"Database=" + path, "DriverID=FB"} + extra);
    c.open();
    QVERIFY(c.isOpen());
    fb::Transaction t(c);
    t.start();
    QCOMPARE(describe(scalar(t, sql)), expected);
}

void TestFirebird::namedParamsBoundByName()
{
    exec(db(), {"CREATE TABLE T (ID INTEGER, NAME VARCHAR(20))"});
    exec(db(),
         {"INSERT INTO T VALUES (1, 'uno')", "INSERT INTO T VALUES (2, 'dos')", "INSERT INTO T VALUES (3, 'tres')"});

    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("SELECT ID, ':id' AS LIT /* :lo */ FROM T -- :hi\n"
             "WHERE (ID >= :Lo AND ID <= :HI) OR NAME = :name OR ID = :lo * 10 ORDER BY ID");
    QCOMPARE(q.paramNames(), (QStringList{"LO", "HI", "NAME"}));
    q.setParam("lo", 2);
    q.setParam("Hi", 2);
    q.setParam("NAME", QStringLiteral("tres"));
    q.open();
    QVERIFY(q.next());
    QCOMPARE(describe(q.value("id")), "int:2");
    QCOMPARE(describe(q.value("lit")), "str::id");
    QVERIFY(q.next());
    QCOMPARE(describe(q.value(0)), "int:3");
    QVERIFY(!q.next());
    QVERIFY(!q.next()); // stays at the end

    // Values persist across open(); only the changed one differs.
    q.setParam("NAME", QStringLiteral("uno"));
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value("ID").toInt(), 1);

    try {
        q.setParam("nope", 1);
        QFAIL("unknown parameter accepted");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("nope"), e.what());
    }
    QVERIFY_THROWS_EXCEPTION(fb::Error, q.value("NO_SUCH_COLUMN"));
    QCOMPARE(q.columnIndex("no_such_column"), -1);
}

void TestFirebird::nullsAndEmptyText()
{
    exec(db(), {"CREATE TABLE T (K INTEGER, I INTEGER, S VARCHAR(10), C CHAR(3), N NUMERIC(18,6), D DATE, "
                "B BLOB SUB_TYPE TEXT, F BOOLEAN)"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:k, :i, :s, :c, :n, :d, :b, :f)");
    q.setParam("k", 1); // the others are never set: NULL
    q.execute();
    q.setParam("k", 2);
    for (const char* name : {"i", "n", "d", "b", "f"})
        q.setParam(QString::fromLatin1(name), Value());
    q.setParam("s", QString(""));
    q.setParam("c", QString(""));
    q.execute();

    q.setSql("SELECT I, S, C, N, D, B, F, S IS NULL AS S_NULL FROM T ORDER BY K");
    q.open();
    QVERIFY(q.next());
    for (int i = 0; i < 7; ++i)
        QVERIFY2(q.value(i).isNull(), qPrintable(q.columnName(i)));
    QCOMPARE(describe(q.value("S_NULL")), "bool:true");
    QVERIFY(q.next());
    // An empty text is not NULL, and a blank CHAR comes back empty.
    QCOMPARE(describe(q.value("S")), "str:");
    QCOMPARE(describe(q.value("C")), "str:");
    QCOMPARE(describe(q.value("S_NULL")), "bool:false");
    QVERIFY(q.value("I").isNull());
    QCOMPARE(q.value("I").toInt(), 0);
}

void TestFirebird::numericRoundTrip_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("stored"); // as the server prints it

    QTest::newRow("18,6 largest") << "NUMERIC(18,6)"
                                  << "999999999999.999999"
                                  << "999999999999.999999";
    QTest::newRow("18,6 smallest negative") << "NUMERIC(18,6)"
                                            << "-0.000001"
                                            << "-0.000001";
    QTest::newRow("18,6 fewer decimals") << "NUMERIC(18,6)"
                                         << "12.5"
                                         << "12.500000";
    QTest::newRow("18,6 most negative") << "NUMERIC(18,6)"
                                        << "-999999999999.999999"
                                        << "-999999999999.999999";
    QTest::newRow("9,6 largest") << "NUMERIC(9,6)"
                                 << "2147.483647"
                                 << "2147.483647";
    QTest::newRow("9,6 smallest negative") << "NUMERIC(9,6)"
                                           << "-0.000001"
                                           << "-0.000001";
    QTest::newRow("9,6 fewer decimals") << "NUMERIC(9,6)"
                                        << "12.5"
                                        << "12.500000";
    QTest::newRow("4,2 on SMALLINT") << "NUMERIC(4,2)"
                                     << "-12.34"
                                     << "-12.34";
    QTest::newRow("integer value") << "NUMERIC(18,6)"
                                   << "35"
                                   << "35.000000";
}

void TestFirebird::numericRoundTrip()
{
    QFETCH(QString, type);
    QFETCH(QString, value);
    QFETCH(QString, stored);

    exec(db(), {"CREATE TABLE T (V " + type + ")"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:v)");
    q.setParam("v", Decimal::fromString(value));
    q.execute();
    q.setParam("v", QString(value)); // text converted by the server
    q.execute();

    q.setSql("SELECT V, CAST(V AS VARCHAR(30)) FROM T");
    q.open();
    for (int row = 0; row < 2; ++row) {
        QVERIFY(q.next());
        QCOMPARE(describe(q.value(0)), "dec:" + stored);
        QCOMPARE(describe(q.value(1)), "str:" + stored);
        QVERIFY(q.value(0).toDecimal() == Decimal::fromString(value));
    }
    QVERIFY(!q.next());
}

void TestFirebird::typesRoundTrip_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<Value>("in");
    QTest::addColumn<QString>("out");

    QTest::newRow("smallint") << "SMALLINT" << Value(-32768) << "int:-32768";
    QTest::newRow("integer") << "INTEGER" << Value(2147483647) << "int:2147483647";
    QTest::newRow("bigint") << "BIGINT" << Value(std::int64_t{-9223372036854775807}) << "int:-9223372036854775807";
    QTest::newRow("double") << "DOUBLE PRECISION" << Value(0.1) << "dbl:0.1";
    QTest::newRow("float") << "FLOAT" << Value(0.5) << "dbl:0.5";
    QTest::newRow("date") << "DATE" << Value(QDate(2024, 2, 29)) << "date:2024-02-29";
    QTest::newRow("time with ms") << "TIME" << Value(QTime(23, 59, 58, 123)) << "time:23:59:58.123";
    QTest::newRow("timestamp") << "TIMESTAMP" << Value(QDateTime(QDate(1999, 12, 31), QTime(8, 5, 0)))
                               << "ts:1999-12-31T08:05:00";
    QTest::newRow("boolean") << "BOOLEAN" << Value(true) << "bool:true";
    QTest::newRow("char keeps inner, drops padding") << "CHAR(10)" << Value(" a b") << "str: a b";
    QTest::newRow("varchar keeps trailing blanks") << "VARCHAR(10)" << Value("ab  ") << "str:ab  ";
    QTest::newRow("apostrophe") << "VARCHAR(10)" << Value("O'Hara") << "str:O'Hara";
    QTest::newRow("octets") << "CHAR(3) CHARACTER SET OCTETS" << Value(QByteArray("\x00\xff ", 3)) << "bytes:00ff20";
}

void TestFirebird::typesRoundTrip()
{
    QFETCH(QString, type);
    QFETCH(Value, in);
    QFETCH(QString, out);

    exec(db(), {"CREATE TABLE T (V " + type + ")"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:v)");
    q.setParam("v", in);
    q.execute();
    q.setSql("SELECT V FROM T WHERE V = :v");
    q.setParam("v", in);
    q.open();
    QVERIFY(q.next());
    QCOMPARE(describe(q.value(0)), out);
}

void TestFirebird::serverConvertsAndRefuses_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<Value>("in");
    QTest::addColumn<QString>("out");   // stored value, or empty when refused
    QTest::addColumn<QString>("error"); // part of Firebird's message

    QTest::newRow("text to integer") << "INTEGER" << Value("42") << "int:42"
                                     << "";
    QTest::newRow("integer to text") << "VARCHAR(5)" << Value(42) << "str:42"
                                     << "";
    QTest::newRow("text to date") << "DATE" << Value("2024-03-01") << "date:2024-03-01"
                                  << "";
    QTest::newRow("text fills varchar exactly") << "VARCHAR(5)" << Value("abcde") << "str:abcde"
                                                << "";
    QTest::newRow("text longer than varchar") << "VARCHAR(5)" << Value("abcdefgh") << ""
                                              << "truncation";
    QTest::newRow("text longer than char") << "CHAR(2)" << Value("abc") << ""
                                           << "truncation";
    QTest::newRow("not a number") << "INTEGER" << Value("abc") << ""
                                  << "conversion error";
    QTest::newRow("message quotes accented text")
        << "INTEGER" << Value(QStringLiteral("Añejo")) << "" << QStringLiteral("\"Añejo\"");
    QTest::newRow("integer overflow") << "SMALLINT" << Value(40000) << ""
                                      << "overflow";
    QTest::newRow("more decimals than the column: rounded")
        << "NUMERIC(9,2)" << Value(Decimal::fromString(u"1.005")) << "dec:1.01"
        << "";
}

void TestFirebird::serverConvertsAndRefuses()
{
    QFETCH(QString, type);
    QFETCH(Value, in);
    QFETCH(QString, out);
    QFETCH(QString, error);

    exec(db(), {"CREATE TABLE T (V " + type + ")"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:v)");
    q.setParam("v", in);
    try {
        q.execute();
        QVERIFY2(error.isEmpty(), "accepted a value Firebird should refuse");
    } catch (const fb::Error& e) {
        QVERIFY2(!error.isEmpty(), e.what());
        QVERIFY2(message(e).contains(error, Qt::CaseInsensitive), e.what());
        QVERIFY(e.gdsCode() != 0);
    }
    q.setSql("SELECT V FROM T");
    q.open();
    if (out.isEmpty()) {
        QVERIFY(!q.next()); // nothing was cut and stored
    } else {
        QVERIFY(q.next());
        QCOMPARE(describe(q.value(0)), out);
    }
}

void TestFirebird::latin1Text_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("accents") << QStringLiteral("Café Ñandú");
    QTest::newRow("latin-1 top half") << QStringLiteral("¿Qué? ¡Sí! ÀÉÎÕÜ ß ÿ");
}

void TestFirebird::latin1Text()
{
    QFETCH(QString, text);
    exec(db(), {"CREATE TABLE T (L VARCHAR(40), C CHAR(40), U VARCHAR(40) CHARACTER SET UTF8)"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:s, :s, :s)");
    q.setParam("s", text);
    q.execute();

    // The server must see the same characters: compare with a literal in the statement text
    // and count characters and UTF-8 bytes on its side.
    q.setSql("SELECT L, C, U, CHAR_LENGTH(L), OCTET_LENGTH(U), L = '" + text + "' FROM T");
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), text);
    QCOMPARE(q.value(1).toString(), text);
    QCOMPARE(q.value(2).toString(), text);
    QCOMPARE(q.value(3).toInt64(), text.size());
    QCOMPARE(q.value(4).toInt64(), text.toUtf8().size());
    QCOMPARE(describe(q.value(5)), "bool:true");

    // Names quoted in the statement travel the same way.
    q.setSql("SELECT 1 AS \"Año\" FROM RDB$DATABASE");
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.columnName(0), QStringLiteral("Año"));
    QCOMPARE(q.columnIndex(QStringLiteral("AÑO")), 0);
}

void TestFirebird::textLatin1CannotHold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inStatement");
    QTest::newRow("euro as parameter") << QStringLiteral("Precio 10 €") << false;
    QTest::newRow("emoji as parameter") << QStringLiteral("ok 😀") << false;
    QTest::newRow("greek in statement text") << QStringLiteral("Ωmega") << true;
}

void TestFirebird::textLatin1CannotHold()
{
    QFETCH(QString, text);
    QFETCH(bool, inStatement);
    exec(db(), {"CREATE TABLE T (S VARCHAR(40))"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    if (inStatement) {
        q.setSql("INSERT INTO T VALUES ('" + text + "')");
    } else {
        q.setSql("INSERT INTO T VALUES (:s)");
        q.setParam("s", text);
    }
    try {
        q.execute();
        QFAIL("text that Latin-1 cannot hold was sent");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("no se pueden enviar"), e.what());
    }
    QCOMPARE(scalar(t, "SELECT COUNT(*) FROM T").toInt(), 0);
}

void TestFirebird::blobs()
{
    exec(db(), {"CREATE TABLE T (K INTEGER, BIN BLOB SUB_TYPE BINARY, TXT BLOB SUB_TYPE TEXT)"});
    QByteArray binary;
    for (int i = 0; i < 300000; ++i) // spans many segments, every byte value
        binary.append(static_cast<char>((i * 7) % 256));

    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("INSERT INTO T VALUES (:k, :bin, :txt)");
    q.setParam("k", 1);
    q.setParam("bin", binary);
    q.setParam("txt", QStringLiteral("Café Ñandú"));
    q.execute();
    q.setParam("k", 2);
    q.setParam("bin", QByteArray());
    q.setParam("txt", Value());
    q.execute();
    t.commit();

    t.start();
    q.setSql("SELECT BIN, TXT, OCTET_LENGTH(BIN), CHAR_LENGTH(TXT), TXT = 'Café Ñandú' FROM T ORDER BY K");
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toBytes(), binary);
    QCOMPARE(q.value(1).toString(), QStringLiteral("Café Ñandú"));
    QCOMPARE(q.value(2).toInt64(), binary.size());
    QCOMPARE(q.value(3).toInt(), 10);
    QCOMPARE(describe(q.value(4)), "bool:true");
    QVERIFY(q.next());
    QCOMPARE(describe(q.value(0)), "bytes:"); // empty blob, not NULL
    QVERIFY(q.value(1).isNull());
}

void TestFirebird::selectableProcedure()
{
    fb::Transaction t(db());
    t.start();
    const auto failures = fb::runScript(t, "SET TERM ^ ;\n"
                                           "CREATE PROCEDURE SERIE (DESDE INTEGER, HASTA INTEGER)\n"
                                           "RETURNS (N INTEGER, MITAD NUMERIC(9,2), TXT VARCHAR(10)) AS\n"
                                           "BEGIN\n"
                                           "  N = DESDE;\n"
                                           "  WHILE (N <= HASTA) DO BEGIN\n"
                                           "    MITAD = N / 2.0; TXT = 'n:' || N; SUSPEND; N = N + 1;\n"
                                           "  END\n"
                                           "END^\n"
                                           "SET TERM ; ^\n");
    QVERIFY(failures.empty());
    t.commit();
    t.start();
    fb::Query q(t);
    q.setSql("SELECT N, MITAD, TXT FROM SERIE(:desde, :hasta) WHERE N <> :skip");
    q.setParam("DESDE", 3);
    q.setParam("hasta", 6);
    q.setParam("skip", 4);
    q.open();
    QStringList rows;
    while (q.next())
        rows << describe(q.value("N")) + " " + describe(q.value("MITAD")) + " " + describe(q.value("txt"));
    QCOMPARE(rows, (QStringList{"int:3 dec:1.50 str:n:3", "int:5 dec:2.50 str:n:5", "int:6 dec:3.00 str:n:6"}));
}

void TestFirebird::executeProcedureOutputs()
{
    fb::Transaction t(db());
    t.start();
    QVERIFY(fb::runScript(t, "SET TERM ^ ;\n"
                             "CREATE PROCEDURE CALC (A NUMERIC(18,6), B VARCHAR(10))\n"
                             "RETURNS (DOBLE NUMERIC(18,6), ECO VARCHAR(20)) AS\n"
                             "BEGIN DOBLE = A * 2; ECO = B || '!'; END^\n")
                .empty());
    t.commit();
    t.start();
    fb::Query q(t);
    q.setSql("EXECUTE PROCEDURE CALC(:a, :b)");
    q.setParam("a", Decimal::fromString(u"-0.000001"));
    q.setParam("b", QStringLiteral("Ñu"));
    q.execute();
    QCOMPARE(describe(q.value("DOBLE")), "dec:-0.000002");
    QCOMPARE(describe(q.value("eco")), "str:Ñu!");
    QCOMPARE(q.row().size(), size_t{2});

    // A SELECT run with execute() leaves its first row; open() refuses what returns no rows.
    q.setSql("SELECT 'x' || CAST(:b AS VARCHAR(5)) FROM RDB$DATABASE");
    q.setParam("b", QStringLiteral("y"));
    q.execute();
    QCOMPARE(describe(q.value(0)), "str:xy");
    QVERIFY(!q.isOpen());
    q.setSql("EXECUTE PROCEDURE CALC(1, 'y')");
    QVERIFY_THROWS_EXCEPTION(fb::Error, q.open());
}

void TestFirebird::rowsFetchedOnDemand()
{
    // A procedure that never ends: only a layer that fetches row by row gets the first ones.
    fb::Transaction t(db());
    t.start();
    QVERIFY(fb::runScript(t, "SET TERM ^ ;\n"
                             "CREATE PROCEDURE FOREVER RETURNS (N BIGINT) AS\n"
                             "BEGIN N = 0; WHILE (1 = 1) DO BEGIN N = N + 1; SUSPEND; END END^\n")
                .empty());
    t.commit();
    t.start();
    fb::Query q(t);
    q.setSql("SELECT N FROM FOREVER");
    q.open();
    for (int i = 1; i <= 50; ++i) {
        QVERIFY(q.next());
        QCOMPARE(q.value(0).toInt(), i);
    }
    q.close();
    QVERIFY(!q.isOpen());
    QVERIFY_THROWS_EXCEPTION(fb::Error, q.next());
    t.commit();
}

void TestFirebird::twoTransactionsOnOneConnection()
{
    exec(db(), {"CREATE TABLE T (ID INTEGER)"});
    fb::Transaction writer(db());
    fb::Transaction committed(db(), fb::Isolation::ReadCommitted, fb::Access::ReadOnly);
    fb::Transaction snapshot(db(), fb::Isolation::Snapshot, fb::Access::ReadOnly);
    writer.start();
    committed.start();
    snapshot.start();
    QVERIFY(writer.isActive() && committed.isActive() && snapshot.isActive());

    fb::Query insert(writer);
    insert.setSql("INSERT INTO T VALUES (1)");
    insert.execute();
    const QString count = QStringLiteral("SELECT COUNT(*) FROM T");
    QCOMPARE(scalar(writer, count).toInt(), 1);
    QCOMPARE(scalar(committed, count).toInt(), 0); // not committed yet
    writer.commit();
    QVERIFY(!writer.isActive());
    QCOMPARE(scalar(committed, count).toInt(), 1);
    QCOMPARE(scalar(snapshot, count).toInt(), 0); // its view was taken before the commit

    // A read-only transaction refuses writes with Firebird's message.
    fb::Query write(committed);
    write.setSql("INSERT INTO T VALUES (2)");
    try {
        write.execute();
        QFAIL("read-only transaction wrote");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("read-only", Qt::CaseInsensitive), e.what());
    }

    // Rolled back when destroyed while active.
    {
        fb::Transaction scratch(db());
        scratch.start();
        fb::Query q(scratch);
        q.setSql("INSERT INTO T VALUES (3)");
        q.execute();
    }
    snapshot.commit();
    snapshot.start();
    QCOMPARE(scalar(snapshot, count).toInt(), 1);
    QVERIFY_THROWS_EXCEPTION(fb::Error, snapshot.start()); // already active
}

void TestFirebird::preparedOnceAndReused()
{
    exec(db(), {"CREATE TABLE T (ID INTEGER, NAME VARCHAR(20))"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    const QString insert = QStringLiteral("INSERT INTO T VALUES (:id, :name)");
    q.setSql(insert);
    q.prepare();
    QVERIFY(q.isPrepared());
    // The same statement again with values of changing types and lengths.
    const QList<Value> names = {Value("a"), Value(), Value(QStringLiteral("a much longer name")), Value(42),
                                Value(QStringLiteral("b"))};
    for (int i = 0; i < names.size(); ++i) {
        q.setSql(insert);
        QVERIFY(q.isPrepared());
        q.setParam("id", i);
        q.setParam("name", names[i]);
        q.execute();
    }
    t.commit();
    t.start();
    QVERIFY(q.isPrepared()); // survives the end of its transaction

    fb::Query select(t);
    const QString sql = QStringLiteral("SELECT NAME FROM T WHERE ID = :id");
    QStringList got;
    for (int i = 0; i < names.size(); ++i) {
        select.setSql(sql);
        select.setParam("id", i);
        select.open();
        QVERIFY(select.isPrepared());
        QVERIFY(select.next());
        got << describe(select.value(0));
        select.close();
        QVERIFY(select.isPrepared());
    }
    QCOMPARE(got, (QStringList{"str:a", "null", "str:a much longer name", "str:42", "str:b"}));

    // One prepared statement each on the server, not one per run.
    QCOMPARE(scalar(t, "SELECT COUNT(*) FROM MON$STATEMENTS WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION "
                       "AND MON$SQL_TEXT STARTING WITH 'SELECT NAME FROM T'")
                 .toInt(),
             1);

    select.setSql("SELECT COUNT(*) FROM T");
    QVERIFY(!select.isPrepared());
    QVERIFY_THROWS_EXCEPTION(fb::Error, select.setParam("id", 1)); // the old names went with the old text
}

void TestFirebird::missingTableNamesTheTable()
{
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("SELECT * FROM NO_SUCH_TABLE");
    try {
        q.open();
        QFAIL("opened a missing table");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("Table unknown") && message(e).contains("NO_SUCH_TABLE"), e.what());
        QCOMPARE(e.gdsCode(), 335544569L); // isc_dsql_error
        QVERIFY(!e.isConnectionLost());
    }
    QVERIFY(!q.isPrepared());
    // The transaction is still usable after a failed statement.
    QCOMPARE(scalar(t, "SELECT 1 FROM RDB$DATABASE").toInt(), 1);

    fb::Connection nowhere;
    nowhere.setParams(embeddedParams(m_dir->filePath("missing/nothing.fdb")));
    try {
        nowhere.open();
        QFAIL("attached a missing file");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("nothing.fdb"), e.what());
    }
    QVERIFY(!nowhere.isOpen());
}

void TestFirebird::objectsOutliveClosedConnection()
{
    exec(db(), {"CREATE TABLE T (ID INTEGER)"});
    exec(db(), {"INSERT INTO T VALUES (7)"});
    fb::Transaction t(db());
    t.start();
    fb::Query q(t);
    q.setSql("SELECT ID FROM T");
    q.open();
    QVERIFY(q.next());

    db().close(); // with an open cursor and an active transaction
    QVERIFY(!db().isOpen());
    QVERIFY(!t.isActive());
    QVERIFY(!q.isOpen());
    QVERIFY(!q.isPrepared());
    QVERIFY_THROWS_EXCEPTION(fb::Error, q.open());
    QVERIFY_THROWS_EXCEPTION(fb::Error, t.start());

    // Reopened, the same objects work again.
    db().open();
    t.start();
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toInt(), 7);

    // Objects that outlive the Connection object itself are destroyed safely.
    auto c = std::make_unique<fb::Connection>();
    c->setParams(db().params());
    db().close();
    c->open();
    auto t2 = std::make_unique<fb::Transaction>(*c);
    t2->start();
    auto q2 = std::make_unique<fb::Query>(*t2);
    q2->setSql("SELECT ID FROM T");
    q2->open();
    c.reset();
    QVERIFY(!t2->isActive());
    QVERIFY(!q2->isOpen());
    t2.reset();
    q2.reset();
}

void TestFirebird::connectionLost()
{
    fb::Transaction t(db());
    t.start();
    const int id = scalar(t, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE").toInt();

    fb::Connection killer;
    killer.setParams(db().params());
    killer.open();
    fb::Transaction kt(killer);
    kt.start();
    fb::Query kill(kt);
    kill.setSql("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = :id");
    kill.setParam("id", id);
    kill.execute();
    kt.commit();

    try {
        scalar(t, "SELECT 1 FROM RDB$DATABASE");
        QFAIL("the killed attachment still answered");
    } catch (const fb::Error& e) {
        QVERIFY2(e.isConnectionLost(), e.what());
    }
    db().close(); // must not throw or crash on a dead attachment
    QVERIFY(!db().isOpen());
    QVERIFY(!t.isActive());
}

void TestFirebird::scriptRunner()
{
    exec(db(), {"CREATE TABLE T (ID INTEGER, S VARCHAR(40))"});
    fb::Transaction t(db());
    t.start();
    const QString script = QStringLiteral("SET SQL DIALECT 3;\n"
                                          "INSERT INTO T VALUES (1, 'semi;colon');\n"
                                          "INSERT INTO MISSING_TABLE VALUES (2);\n"
                                          "-- a comment; with a terminator\n"
                                          "INSERT INTO T VALUES (3, 'it''s; ^ fine');\n"
                                          "SET TERM ^ ;\n"
                                          "CREATE PROCEDURE P RETURNS (C INTEGER) AS\n"
                                          "BEGIN SELECT COUNT(*) FROM T INTO :C; SUSPEND; END^\n"
                                          "INSERT INTO T VALUES (4, 'x'); INSERT INTO T VALUES (6, 'y') ^\n"
                                          "SET TERM ; ^\n"
                                          "INSERT INTO T VALUES (5, '\"quoted\"');\n"
                                          "UPDATE NOWHERE SET X = 1;\n");
    const auto failures = fb::runScript(t, script);
    QCOMPARE(failures.size(), size_t{3});
    QCOMPARE(failures[0].statement, "INSERT INTO MISSING_TABLE VALUES (2)");
    QVERIFY2(failures[0].message.contains("MISSING_TABLE"), qPrintable(failures[0].message));
    // Under the terminator "^" a ';' does not split: two statements reach Firebird as one.
    QCOMPARE(failures[1].statement, "INSERT INTO T VALUES (4, 'x'); INSERT INTO T VALUES (6, 'y')");
    QVERIFY2(failures[1].message.contains("Token unknown"), qPrintable(failures[1].message));
    QCOMPARE(failures[2].statement, "UPDATE NOWHERE SET X = 1");
    QVERIFY2(failures[2].message.contains("NOWHERE"), qPrintable(failures[2].message));

    // Everything else ran, in the caller's transaction.
    fb::Query q(t);
    q.setSql("SELECT LIST(ID || '=' || S, '|') FROM (SELECT ID, S FROM T ORDER BY ID)");
    q.open();
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), "1=semi;colon|3=it's; ^ fine|5=\"quoted\"");
    t.rollback();
    t.start();
    QCOMPARE(scalar(t, "SELECT COUNT(*) FROM T").toInt(), 0);

    fb::Transaction idle(db());
    QVERIFY_THROWS_EXCEPTION(fb::Error, fb::runScript(idle, "SELECT 1 FROM RDB$DATABASE;"));
}

void TestFirebird::scriptDdlThenUse_data()
{
    QTest::addColumn<fb::ScriptDdl>("ddl");
    QTest::addColumn<QStringList>("failing");
    QTest::newRow("in transaction: new objects unusable until commit")
        << fb::ScriptDdl::InTransaction
        << QStringList{"INSERT INTO CONFIG (CLAVE, VALOR) VALUES ('VERSION', 0)",
                       "INSERT INTO CONFIG (CLAVE, VALOR) VALUES ('ALMACEN_ID', 19)"};
    QTest::newRow("commit after each DDL") << fb::ScriptDdl::CommitEach << QStringList{};
}

void TestFirebird::scriptDdlThenUse()
{
    QFETCH(fb::ScriptDdl, ddl);
    QFETCH(QStringList, failing);

    // The shape of an installation: procedures with stub bodies, the table, the real
    // bodies, then grants and default rows; the caller commits at the end.
    const QString metadata = QStringLiteral("SET SQL DIALECT 3;\n"
                                            "SET TERM ^ ;\n"
                                            "CREATE OR ALTER PROCEDURE LEER (K VARCHAR(20)) RETURNS (V INTEGER) AS\n"
                                            "BEGIN SUSPEND; END^\n"
                                            "SET TERM ; ^\n"
                                            "CREATE TABLE CONFIG (CLAVE VARCHAR(20) NOT NULL, VALOR INTEGER);\n"
                                            "SET TERM ^ ;\n"
                                            "CREATE OR ALTER PROCEDURE LEER (K VARCHAR(20)) RETURNS (V INTEGER) AS\n"
                                            "BEGIN\n"
                                            "  FOR SELECT VALOR FROM CONFIG WHERE CLAVE = :K INTO :V DO SUSPEND;\n"
                                            "END^\n"
                                            "SET TERM ; ^\n");
    const QString grants = QStringLiteral("CREATE ROLE USUARIO_MICROSIP;\n"
                                          "GRANT ALL ON CONFIG TO USUARIO_MICROSIP;\n"
                                          "GRANT EXECUTE ON PROCEDURE LEER TO USUARIO_MICROSIP;\n"
                                          "INSERT INTO CONFIG (CLAVE, VALOR) VALUES ('VERSION', 0);\n"
                                          "INSERT INTO CONFIG (CLAVE, VALOR) VALUES ('ALMACEN_ID', 19);\n");
    fb::Transaction t(db());
    t.start();
    fb::Query watcher(t); // a query of the caller's that must survive the script
    watcher.setSql("SELECT COUNT(*) FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'CONFIG'");
    watcher.prepare();

    QStringList failed;
    for (const QString& script : {metadata, grants}) {
        for (const fb::ScriptFailure& f : fb::runScript(t, script, ddl))
            failed << f.statement;
    }
    QCOMPARE(failed, failing);
    QVERIFY(t.isActive());
    watcher.open();
    QVERIFY(watcher.next());
    QCOMPARE(watcher.value(0).toInt(), 1);
    t.commit();

    // What a later attachment sees.
    db().close();
    db().open();
    fb::Transaction check(db());
    check.start();
    // ALL is SELECT, INSERT, UPDATE, DELETE and REFERENCES; then EXECUTE.
    QCOMPARE(scalar(check, "SELECT COUNT(*) FROM RDB$USER_PRIVILEGES WHERE RDB$USER = 'USUARIO_MICROSIP'").toInt(), 6);
    fb::Query leer(check);
    leer.setSql("SELECT V FROM LEER(:k)");
    leer.setParam("k", QStringLiteral("ALMACEN_ID"));
    leer.open();
    if (failing.isEmpty()) {
        QVERIFY(leer.next());
        QCOMPARE(leer.value(0).toInt(), 19);
    } else {
        QVERIFY(!leer.next());
    }
}

// --- Through the server -----------------------------------------------------------------

void TestFirebird::serverWrongPassword()
{
    QStringList params = serverDatabase();
    if (params.isEmpty())
        return;
    {
        // The right password works through the server and is really checked there.
        fb::Connection good;
        good.setParams(params);
        good.open();
        fb::Transaction t(good);
        t.start();
        QCOMPARE(describe(scalar(t, "SELECT CURRENT_USER FROM RDB$DATABASE")), "str:SYSDBA");
        QCOMPARE(describe(scalar(t, "SELECT MON$REMOTE_PROTOCOL FROM MON$ATTACHMENTS "
                                    "WHERE MON$ATTACHMENT_ID = CURRENT_CONNECTION")),
                 "str:TCPv4");
    }
    params.replaceInStrings(QRegularExpression("^password=.*$"), "password=wrong-password");
    fb::Connection bad;
    bad.setParams(params);
    try {
        bad.open();
        QFAIL("attached with a wrong password");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("user name and password are not defined"), e.what());
        QCOMPARE(e.gdsCode(), 335544472L); // isc_login
        QVERIFY(!e.isConnectionLost());
    }
    QVERIFY(!bad.isOpen());
}

void TestFirebird::serverUnreachable()
{
    // Needs no server: nothing listens on that port either way.
    fb::Connection c;
    c.setParams({"Database=/x.fdb", "user_name=SYSDBA", "password=x", "Protocol=TCPIP", "Server=127.0.0.1/3999"});
    try {
        c.open();
        QFAIL("attached to a port where nothing listens");
    } catch (const fb::Error& e) {
        QVERIFY2(message(e).contains("Unable to complete network request to host \"127.0.0.1\""), e.what());
        QVERIFY(e.isConnectionLost());
    }
    QVERIFY(!c.isOpen());
}

LUMIVO_TEST_GUILESS_MAIN(TestFirebird)
#include "tst_firebird.moc"

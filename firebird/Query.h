#pragma once

#include "Value.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace fb {

class Transaction;

// Translates named parameters (":name", case-insensitive) into positional '?' markers.
// A ':' inside a string literal, a comment or a quoted identifier is left alone.
struct TranslatedSql {
    QString sql;       // the text with '?' in place of each parameter
    QStringList names; // one entry per '?', upper-cased, in order of appearance
};
TranslatedSql translateNamedParams(const QString& sql);

// A statement with named parameters and typed, NULL-aware fields.
// setSql() with the same text keeps the prepared statement, so a query that is closed
// and opened again with new parameter values is prepared only once. The statement stays
// prepared when its transaction ends (the cursor closes); closing the connection unprepares it.
// PSQL bodies (CREATE PROCEDURE, EXECUTE BLOCK) use ":var" themselves: run them with runScript().
class Query {
public:
    explicit Query(Transaction& transaction);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    void setSql(const QString& sql);
    const QString& sql() const noexcept { return m_sql; }

    // Sets every occurrence of the named parameter. The value travels as its own type and
    // Firebird converts it to the parameter's, so a text too long for a VARCHAR(n) or not a
    // number fails with Firebird's own message; text that ISO8859_1 cannot hold fails here.
    // An invalid QDate/QTime/QDateTime is NULL. Unknown name: fb::Error. Values persist
    // across open() and are dropped by setSql() with another text; never set means NULL.
    void setParam(const QString& name, const Value& value);
    QStringList paramNames() const; // distinct, upper-cased, after prepare

    void open(); // runs a SELECT (or selectable procedure); rows come with next()
    bool next(); // fetches one row; false at the end (the cursor then stays at end)
    void close() noexcept;
    bool isOpen() const noexcept;
    // Any other statement; EXECUTE PROCEDURE outputs become the current row. A SELECT run
    // this way leaves its first row (if any) as the current row, with no cursor left open.
    void execute();
    void prepare(); // prepares now (open/execute prepare on demand)
    bool isPrepared() const noexcept;

    int columnCount() const;                    // after prepare
    QString columnName(int index) const;        // alias as the server reports it
    int columnIndex(const QString& name) const; // case-insensitive; -1 when absent

    // Current row (after next() returned true, or after execute() of a procedure);
    // fb::Error when there is none.
    const Value& value(int index) const;
    const Value& value(const QString& name) const; // case-insensitive; fb::Error when absent
    std::vector<Value> row() const;

    struct Impl;

private:
    QString m_sql;
    std::unique_ptr<Impl> m_impl;
};

} // namespace fb

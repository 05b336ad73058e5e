#pragma once

#include "firebird/values/Decimal.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <cstdint>
#include <variant>

namespace fb {

// One field or parameter value. Integers of every width are held as int64,
// NUMERIC/DECIMAL with a scale as Decimal, CHAR/VARCHAR as text (CHAR without its
// trailing padding), BLOB as bytes (text blobs too; decode with fromLatin1).
class Value {
public:
    using Storage =
        std::variant<std::monostate, std::int64_t, Decimal, double, QString, QDate, QTime, QDateTime, bool, QByteArray>;

    Value() = default;
    Value(std::int64_t v)
        : m_v(v)
    {
    }
    Value(int v)
        : m_v(std::int64_t{v})
    {
    }
    Value(Decimal v)
        : m_v(v)
    {
    }
    Value(double v)
        : m_v(v)
    {
    }
    Value(const QString& v)
        : m_v(v)
    {
    }
    Value(const char* v)
        : m_v(QString::fromUtf8(v))
    {
    }
    Value(QDate v)
        : m_v(v)
    {
    }
    Value(QTime v)
        : m_v(v)
    {
    }
    Value(QDateTime v)
        : m_v(v)
    {
    }
    Value(bool v)
        : m_v(v)
    {
    }
    Value(const QByteArray& v)
        : m_v(v)
    {
    }

    bool isNull() const noexcept { return std::holds_alternative<std::monostate>(m_v); }
    const Storage& storage() const noexcept { return m_v; }

    // Conversions; a NULL gives the type's zero/empty value. Throw fb::Error when the
    // held type cannot be converted (e.g. text "abc" to int).
    std::int64_t toInt64() const;
    int toInt() const;
    Decimal toDecimal() const;
    QString toString() const; // Decimal as Decimal::toString(), dates ISO
    QDate toDate() const;
    bool toBool() const;
    QByteArray toBytes() const;

private:
    Storage m_v;
};

} // namespace fb

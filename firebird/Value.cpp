#include "Value.h"

#include "Internal.h"

#include <QLocale>
#include <cmath>
#include <limits>

namespace fb {

namespace {

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

[[noreturn]] void cannotConvert(const Value& value, const char* target)
{
    throw Error("No se puede convertir \"" + value.toString().toStdString() + "\" a " + target);
}

} // namespace

std::int64_t Value::toInt64() const
{
    return std::visit(Overloaded{
                          [](std::monostate) -> std::int64_t { return 0; },
                          [](std::int64_t v) { return v; },
                          [](const Decimal& v) { return v.rescaled(0).mantissa; },
                          [this](double v) -> std::int64_t {
                              // 2^63 itself is not representable, hence the strict bound.
                              if (!std::isfinite(v) || std::abs(v) >= 9223372036854775808.0)
                                  cannotConvert(*this, "entero");
                              return std::llround(v);
                          },
                          [this](const QString& v) {
                              bool ok = false;
                              const std::int64_t n = v.trimmed().toLongLong(&ok);
                              if (!ok)
                                  cannotConvert(*this, "entero");
                              return n;
                          },
                          [](bool v) -> std::int64_t { return v ? 1 : 0; },
                          [this](const auto&) -> std::int64_t { cannotConvert(*this, "entero"); },
                      },
                      m_v);
}

int Value::toInt() const
{
    const std::int64_t v = toInt64();
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        cannotConvert(*this, "entero de 32 bits");
    return static_cast<int>(v);
}

Decimal Value::toDecimal() const
{
    return std::visit(Overloaded{
                          [](std::monostate) { return Decimal{}; },
                          [](std::int64_t v) {
                              return Decimal{v, 0};
                          },
                          [](const Decimal& v) { return v; },
                          [this](double v) {
                              if (!std::isfinite(v))
                                  cannotConvert(*this, "decimal");
                              // The shortest text that reads back as the same double, never an exponent.
                              const Decimal d =
                                  Decimal::fromString(QLocale::c().toString(v, 'f', QLocale::FloatingPointShortest));
                              return d;
                          },
                          [](const QString& v) { return Decimal::fromString(v); },
                          [this](const auto&) -> Decimal { cannotConvert(*this, "decimal"); },
                      },
                      m_v);
}

QString Value::toString() const
{
    return std::visit(
        Overloaded{
            [](std::monostate) { return QString(); },
            [](std::int64_t v) { return QString::number(v); },
            [](const Decimal& v) { return v.toString(); },
            [](double v) { return QString::number(v, 'g', QLocale::FloatingPointShortest); },
            [](const QString& v) { return v; },
            [](QDate v) { return v.toString(Qt::ISODate); },
            [](QTime v) { return v.toString(v.msec() ? Qt::ISODateWithMs : Qt::ISODate); },
            [](const QDateTime& v) { return v.toString(v.time().msec() ? Qt::ISODateWithMs : Qt::ISODate); },
            [](bool v) { return v ? QStringLiteral("true") : QStringLiteral("false"); },
            [](const QByteArray& v) { return QString::fromLatin1(v); },
        },
        m_v);
}

QDate Value::toDate() const
{
    return std::visit(Overloaded{
                          [](std::monostate) { return QDate(); },
                          [](QDate v) { return v; },
                          [](const QDateTime& v) { return v.date(); },
                          [this](const QString& v) {
                              const QDate d = QDate::fromString(v.trimmed(), Qt::ISODate);
                              if (!d.isValid())
                                  cannotConvert(*this, "fecha");
                              return d;
                          },
                          [this](const auto&) -> QDate { cannotConvert(*this, "fecha"); },
                      },
                      m_v);
}

bool Value::toBool() const
{
    return std::visit(Overloaded{
                          [](std::monostate) { return false; },
                          [](bool v) { return v; },
                          [](std::int64_t v) { return v != 0; },
                          [](const Decimal& v) { return !v.isZero(); },
                          [this](const QString& v) {
                              const QString t = v.trimmed();
                              if (t.compare(u"true", Qt::CaseInsensitive) == 0 || t == u"1")
                                  return true;
                              if (t.compare(u"false", Qt::CaseInsensitive) == 0 || t == u"0")
                                  return false;
                              cannotConvert(*this, "lógico");
                          },
                          [this](const auto&) -> bool { cannotConvert(*this, "lógico"); },
                      },
                      m_v);
}

QByteArray Value::toBytes() const
{
    if (const auto* bytes = std::get_if<QByteArray>(&m_v))
        return *bytes;
    return detail::toServerText(toString());
}

} // namespace fb

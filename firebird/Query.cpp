#include "Query.h"

#include "Internal.h"

#include <QHash>
#include <algorithm>
#include <cstring>

namespace fb {

namespace {

// Longest VARCHAR a message can carry.
constexpr qsizetype kMaxVarchar = 32765;
constexpr unsigned kBlobChunk = 32768;

template <class... F> struct Overloaded : F... {
    using F::operator()...;
};
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// A column or parameter as laid out in a message buffer.
struct Field {
    unsigned type = 0;
    int subType = 0;
    unsigned length = 0;
    int scale = 0;
    unsigned charSet = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

std::vector<Field> describe(detail::Status& st, Firebird::IMessageMetadata* meta)
{
    std::vector<Field> fields(meta->getCount(&st));
    for (unsigned i = 0; i < fields.size(); ++i) {
        Field& f = fields[i];
        f.type = meta->getType(&st, i);
        f.subType = meta->getSubType(&st, i);
        f.length = meta->getLength(&st, i);
        f.scale = meta->getScale(&st, i);
        f.charSet = meta->getCharSet(&st, i);
        f.offset = meta->getOffset(&st, i);
        f.nullOffset = meta->getNullOffset(&st, i);
    }
    return fields;
}

template <typename T> T load(const std::byte* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <typename T> QByteArray rawBytes(T v)
{
    return QByteArray(reinterpret_cast<const char*>(&v), sizeof v);
}

bool isInteger(unsigned type)
{
    return type == SQL_SHORT || type == SQL_LONG || type == SQL_INT64;
}

ISC_DATE encodeDate(QDate d)
{
    if (d.year() < 1 || d.year() > 9999)
        throw detail::layerError(QStringLiteral("Fecha fuera de rango: %1").arg(d.toString(Qt::ISODate)));
    return detail::util()->encodeDate(static_cast<unsigned>(d.year()), static_cast<unsigned>(d.month()),
                                      static_cast<unsigned>(d.day()));
}

ISC_TIME encodeTime(QTime t)
{
    // Firebird counts tenths of a millisecond.
    return detail::util()->encodeTime(static_cast<unsigned>(t.hour()), static_cast<unsigned>(t.minute()),
                                      static_cast<unsigned>(t.second()), static_cast<unsigned>(t.msec()) * 10);
}

QDate decodeDate(ISC_DATE date)
{
    unsigned y = 0, m = 0, d = 0;
    detail::util()->decodeDate(date, &y, &m, &d);
    return QDate(static_cast<int>(y), static_cast<int>(m), static_cast<int>(d));
}

QTime decodeTime(ISC_TIME time)
{
    unsigned h = 0, m = 0, s = 0, fractions = 0;
    detail::util()->decodeTime(time, &h, &m, &s, &fractions);
    return QTime(static_cast<int>(h), static_cast<int>(m), static_cast<int>(s), static_cast<int>(fractions / 10));
}

// One parameter value ready for the message: the type it travels as and its bytes.
struct Param {
    bool null = true;
    Field wire;
    QByteArray data; // fixed-size value, VARCHAR text or blob content
};

// The value travels as its own type and the server converts it to the parameter's, so
// conversion and truncation errors are Firebird's own. Blobs are written client-side.
Param encode(const Value& value, const Field& declared, const QString& name)
{
    Param p;
    const auto fixed = [&](unsigned type, QByteArray bytes, int scale = 0) {
        p.null = false;
        p.wire.type = type;
        p.wire.length = static_cast<unsigned>(bytes.size());
        p.wire.scale = scale;
        p.data = std::move(bytes);
    };
    const auto text = [&](QByteArray bytes, unsigned charSet) {
        if (bytes.size() > kMaxVarchar)
            throw detail::layerError(QStringLiteral("El texto del parámetro %1 es demasiado largo").arg(name));
        p.null = false;
        p.wire.type = SQL_VARYING;
        p.wire.length = static_cast<unsigned>(std::max<qsizetype>(bytes.size(), 1));
        p.wire.charSet = charSet;
        p.data = std::move(bytes);
    };
    const auto exact = [&](Decimal d) {
        // Sent at the parameter's own scale when that is exact, so the layout stays the
        // same from one value to the next.
        if (isInteger(declared.type) && -declared.scale > d.scale) {
            try {
                d = d.rescaled(-declared.scale);
            } catch (const Error&) {
            }
        }
        if (d.scale < 0 || d.scale > 18)
            throw detail::layerError(QStringLiteral("Escala decimal fuera de rango en el parámetro %1").arg(name));
        fixed(SQL_INT64, rawBytes(d.mantissa), -d.scale);
    };

    if (value.isNull())
        return p;
    if (declared.type == SQL_NULL) { // "? IS NULL": only the indicator counts
        p.null = false;
        p.wire = declared;
        return p;
    }
    if (declared.type == SQL_BLOB) {
        p.null = false;
        p.wire = declared;
        p.data = value.toBytes();
        return p;
    }
    std::visit(Overloaded{
                   [](std::monostate) {},
                   [&](std::int64_t v) {
                       exact(Decimal{v, 0});
                   },
                   [&](const Decimal& v) { exact(v); },
                   [&](double v) { fixed(SQL_DOUBLE, rawBytes(v)); },
                   [&](const QString& v) { text(detail::toServerText(v), detail::kCharsetLatin1); },
                   [&](const QByteArray& v) { text(v, detail::kCharsetNone); },
                   [&](QDate v) {
                       if (v.isValid())
                           fixed(SQL_TYPE_DATE, rawBytes(encodeDate(v)));
                   },
                   [&](QTime v) {
                       if (v.isValid())
                           fixed(SQL_TYPE_TIME, rawBytes(encodeTime(v)));
                   },
                   [&](const QDateTime& v) {
                       if (v.isValid())
                           fixed(SQL_TIMESTAMP, rawBytes(ISC_TIMESTAMP{encodeDate(v.date()), encodeTime(v.time())}));
                   },
                   [&](bool v) { fixed(SQL_BOOLEAN, rawBytes(static_cast<FB_BOOLEAN>(v ? FB_TRUE : FB_FALSE))); },
               },
               value.storage());
    return p;
}

// Whether a value of type `wanted` can go in a message field laid out as `current`.
bool fits(const Field& current, const Field& wanted)
{
    if (current.type != wanted.type || current.scale != wanted.scale || current.subType != wanted.subType)
        return false;
    if (wanted.type == SQL_VARYING)
        return current.charSet == wanted.charSet && current.length >= wanted.length;
    return current.length == wanted.length;
}

} // namespace

struct Query::Impl {
    Transaction::Impl* transaction; // null once the Transaction object is gone
    TranslatedSql translated;
    QHash<QString, Value> values;
    detail::Status status;

    detail::Ref<Firebird::IStatement> statement;
    unsigned flags = 0;
    detail::Ref<Firebird::IMessageMetadata> declaredInput;
    std::vector<Field> declaredParams;
    // The layout actually sent: the declared one with each parameter's type replaced by its
    // value's. Kept while the values' types stay the same.
    detail::Ref<Firebird::IMessageMetadata> input;
    std::vector<Field> inputFields;
    std::vector<std::byte> inputBuffer;

    detail::Ref<Firebird::IMessageMetadata> output;
    std::vector<Field> columns;
    QStringList columnNames;
    QHash<QString, int> columnIndex; // upper-cased alias -> first column with it
    std::vector<std::byte> outputBuffer;

    detail::Ref<Firebird::IResultSet> cursor;
    bool atEnd = false;
    bool hasRow = false;
    std::vector<Value> row;

    explicit Impl(Transaction::Impl* t)
        : transaction(t)
    {
        transaction->queries.push_back(this);
    }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    ~Impl()
    {
        detail::freeStatement(*this);
        if (transaction) {
            auto& list = transaction->queries;
            list.erase(std::remove(list.begin(), list.end(), this), list.end());
        }
    }

    Transaction::Impl& tx() const
    {
        if (!transaction)
            throw detail::layerError(QStringLiteral("La transacción de la consulta ya no existe"));
        return *transaction;
    }

    void prepare();
    void bindInput();
    void layoutInput(const std::vector<Param>& params);
    void writeInput(const std::vector<Param>& params);
    ISC_QUAD writeBlob(const QByteArray& data);
    QByteArray readBlob(ISC_QUAD id);
    Value decode(const Field& f);
    void decodeRow();
    const Value& current(int index) const;
};

namespace detail {

void closeCursor(Query::Impl& q) noexcept
{
    q.atEnd = false;
    if (!q.cursor)
        return;
    try {
        Status st;
        q.cursor->close(&st);
        q.cursor.release();
    } catch (const Error&) {
        q.cursor.reset();
    }
}

void freeStatement(Query::Impl& q) noexcept
{
    closeCursor(q);
    if (q.statement) {
        try {
            Status st;
            q.statement->free(&st);
            q.statement.release();
        } catch (const Error&) {
            q.statement.reset();
        }
    }
    q.declaredInput.reset();
    q.declaredParams.clear();
    q.input.reset();
    q.inputFields.clear();
    q.output.reset();
    q.columns.clear();
    q.columnNames.clear();
    q.columnIndex.clear();
}

void dropStatement(Query::Impl& q) noexcept
{
    q.atEnd = false;
    (void)q.cursor.release();
    (void)q.statement.release();
    q.declaredInput.reset();
    q.declaredParams.clear();
    q.input.reset();
    q.inputFields.clear();
    q.output.reset();
    q.columns.clear();
    q.columnNames.clear();
    q.columnIndex.clear();
}

void forgetTransaction(Query::Impl& q) noexcept
{
    freeStatement(q);
    q.transaction = nullptr;
}

} // namespace detail

void Query::Impl::prepare()
{
    if (statement)
        return;
    Transaction::Impl& t = tx();
    auto* att = t.attachment();
    auto* tra = t.active();
    const QByteArray text = detail::toServerText(translated.sql);
    try {
        statement.reset(att->prepare(&status, tra, static_cast<unsigned>(text.size()), text.constData(),
                                     t.connection->dialect, Firebird::IStatement::PREPARE_PREFETCH_METADATA));
        flags = statement->getFlags(&status);
        declaredInput.reset(statement->getInputMetadata(&status));
        declaredParams = describe(status, declaredInput.get());
        if (declaredParams.size() != static_cast<size_t>(translated.names.size()))
            throw detail::layerError(QStringLiteral("La sentencia tiene %1 parámetros y el texto %2")
                                         .arg(declaredParams.size())
                                         .arg(translated.names.size()));
        output.reset(statement->getOutputMetadata(&status));
        columns = describe(status, output.get());
        for (unsigned i = 0; i < columns.size(); ++i) {
            const QString alias = QString::fromLatin1(output->getAlias(&status, i));
            columnNames.append(alias);
            if (!columnIndex.contains(alias.toUpper())) // duplicates: the first column wins
                columnIndex.insert(alias.toUpper(), static_cast<int>(i));
        }
        outputBuffer.assign(output->getMessageLength(&status), std::byte{});
    } catch (...) {
        detail::freeStatement(*this);
        throw;
    }
}

void Query::Impl::bindInput()
{
    if (declaredParams.empty())
        return;
    std::vector<Param> params;
    params.reserve(declaredParams.size());
    for (size_t i = 0; i < declaredParams.size(); ++i) {
        const QString& name = translated.names[static_cast<qsizetype>(i)];
        const auto it = values.constFind(name);
        params.push_back(encode(it == values.cend() ? Value() : *it, declaredParams[i], name));
    }
    layoutInput(params);
    writeInput(params);
}

void Query::Impl::layoutInput(const std::vector<Param>& params)
{
    bool reuse = input != nullptr;
    for (size_t i = 0; reuse && i < params.size(); ++i)
        reuse = params[i].null || fits(inputFields[i], params[i].wire);
    if (reuse)
        return;

    detail::Ref<Firebird::IMetadataBuilder> builder(declaredInput->getBuilder(&status));
    for (unsigned i = 0; i < params.size(); ++i) {
        const Field* previous = input ? &inputFields[i] : nullptr;
        Field w = params[i].null ? (previous ? *previous : declaredParams[i]) : params[i].wire;
        if (previous && w.type == SQL_VARYING && previous->type == SQL_VARYING && previous->charSet == w.charSet)
            w.length = std::max(w.length, previous->length); // grow only, so the layout settles
        builder->setType(&status, i, w.type);
        builder->setSubType(&status, i, w.subType);
        builder->setLength(&status, i, w.length);
        builder->setCharSet(&status, i, w.charSet);
        builder->setScale(&status, i, w.scale);
    }
    detail::Ref<Firebird::IMessageMetadata> meta(builder->getMetadata(&status));
    inputFields = describe(status, meta.get());
    inputBuffer.assign(meta->getMessageLength(&status), std::byte{});
    input = std::move(meta);
}

void Query::Impl::writeInput(const std::vector<Param>& params)
{
    std::byte* buffer = inputBuffer.data();
    for (size_t i = 0; i < params.size(); ++i) {
        const Param& p = params[i];
        const Field& f = inputFields[i];
        const short indicator = p.null ? -1 : 0;
        std::memcpy(buffer + f.nullOffset, &indicator, sizeof indicator);
        if (p.null)
            continue;
        switch (f.type) {
        case SQL_NULL:
            break;
        case SQL_VARYING: {
            const auto length = static_cast<std::uint16_t>(p.data.size());
            std::memcpy(buffer + f.offset, &length, sizeof length);
            std::memcpy(buffer + f.offset + sizeof length, p.data.constData(), length);
            break;
        }
        case SQL_BLOB: {
            const ISC_QUAD id = writeBlob(p.data);
            std::memcpy(buffer + f.offset, &id, sizeof id);
            break;
        }
        default:
            std::memcpy(buffer + f.offset, p.data.constData(), static_cast<size_t>(p.data.size()));
        }
    }
}

ISC_QUAD Query::Impl::writeBlob(const QByteArray& data)
{
    ISC_QUAD id{};
    detail::Ref<Firebird::IBlob> blob(tx().attachment()->createBlob(&status, tx().active(), &id, 0, nullptr));
    for (qsizetype pos = 0; pos < data.size(); pos += kBlobChunk) {
        const auto length = static_cast<unsigned>(std::min<qsizetype>(kBlobChunk, data.size() - pos));
        blob->putSegment(&status, length, data.constData() + pos);
    }
    blob->close(&status);
    blob.release();
    return id;
}

QByteArray Query::Impl::readBlob(ISC_QUAD id)
{
    detail::Ref<Firebird::IBlob> blob(tx().attachment()->openBlob(&status, tx().active(), &id, 0, nullptr));
    QByteArray data;
    char chunk[kBlobChunk];
    for (;;) {
        unsigned length = 0;
        const int result = blob->getSegment(&status, sizeof chunk, chunk, &length);
        if (result != Firebird::IStatus::RESULT_OK && result != Firebird::IStatus::RESULT_SEGMENT)
            break;
        data.append(chunk, length);
    }
    blob->close(&status);
    blob.release();
    return data;
}

Value Query::Impl::decode(const Field& f)
{
    const std::byte* buffer = outputBuffer.data();
    if (load<short>(buffer + f.nullOffset) != 0)
        return {};
    const std::byte* p = buffer + f.offset;
    const auto exact = [&](std::int64_t v) { return f.scale < 0 ? Value(Decimal{v, -f.scale}) : Value(v); };
    const auto bytes = [&](const std::byte* data, qsizetype length) {
        return QByteArray(reinterpret_cast<const char*>(data), length);
    };
    switch (f.type) {
    case SQL_SHORT:
        return exact(load<std::int16_t>(p));
    case SQL_LONG:
        return exact(load<std::int32_t>(p));
    case SQL_INT64:
        return exact(load<std::int64_t>(p));
    case SQL_FLOAT:
        return static_cast<double>(load<float>(p));
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        return load<double>(p);
    case SQL_BOOLEAN:
        return load<FB_BOOLEAN>(p) != FB_FALSE;
    case SQL_TEXT: {
        if (f.charSet == detail::kCharsetOctets)
            return bytes(p, f.length);
        auto length = static_cast<qsizetype>(f.length);
        while (length > 0 && load<char>(p + length - 1) == ' ')
            --length;
        return QString::fromLatin1(bytes(p, length));
    }
    case SQL_VARYING: {
        const auto length = load<std::uint16_t>(p);
        const QByteArray data = bytes(p + sizeof length, length);
        if (f.charSet == detail::kCharsetOctets)
            return data;
        return QString::fromLatin1(data);
    }
    case SQL_TYPE_DATE:
        return decodeDate(load<ISC_DATE>(p));
    case SQL_TYPE_TIME:
        return decodeTime(load<ISC_TIME>(p));
    case SQL_TIMESTAMP: {
        const auto ts = load<ISC_TIMESTAMP>(p);
        return QDateTime(decodeDate(ts.timestamp_date), decodeTime(ts.timestamp_time));
    }
    case SQL_BLOB:
        return readBlob(load<ISC_QUAD>(p));
    default:
        throw detail::layerError(QStringLiteral("Tipo de dato %1 no soportado").arg(f.type));
    }
}

void Query::Impl::decodeRow()
{
    row.resize(columns.size());
    for (size_t i = 0; i < columns.size(); ++i)
        row[i] = decode(columns[i]);
    hasRow = true;
}

const Value& Query::Impl::current(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= columns.size())
        throw detail::layerError(QStringLiteral("Índice de campo fuera de rango: %1").arg(index));
    if (!hasRow)
        throw detail::layerError(QStringLiteral("La consulta no tiene un registro actual"));
    return row[static_cast<size_t>(index)];
}

TranslatedSql translateNamedParams(const QString& sql)
{
    TranslatedSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    const auto at = [&](qsizetype i) { return i < n ? sql[i] : QChar(); };
    const auto isNameStart = [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' || c == u'$';
    };
    const auto isNamePart = [&](QChar c) { return isNameStart(c) || (c >= u'0' && c <= u'9'); };

    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        qsizetype end = i + 1;
        if (c == u'\'' || c == u'"') {
            // String literal or quoted identifier; a doubled quote stays inside.
            while (end < n) {
                if (sql[end] == c) {
                    if (at(end + 1) != c) {
                        ++end;
                        break;
                    }
                    ++end;
                }
                ++end;
            }
        } else if (c == u'-' && at(i + 1) == u'-') {
            end = sql.indexOf(u'\n', i);
            end = end < 0 ? n : end;
        } else if (c == u'/' && at(i + 1) == u'*') {
            end = sql.indexOf(QLatin1StringView("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if (c == u':' && at(i + 1) == u':') {
            end = i + 2;
        } else if (c == u':' && isNameStart(at(i + 1))) {
            end = i + 2;
            while (end < n && isNamePart(sql[end]))
                ++end;
            out.names.append(sql.mid(i + 1, end - i - 1).toUpper());
            out.sql += u'?';
            i = end;
            continue;
        } else if (c == u'?') {
            out.names.append(QString()); // positional marker: keeps names aligned with the markers
        }
        out.sql += QStringView(sql).mid(i, end - i);
        i = end;
    }
    return out;
}

Query::Query(Transaction& transaction)
    : m_impl(std::make_unique<Impl>(&transaction.impl()))
{
}

Query::~Query() = default;

void Query::setSql(const QString& sql)
{
    if (sql == m_sql)
        return;
    close();
    detail::freeStatement(*m_impl);
    m_sql = sql;
    m_impl->translated = translateNamedParams(sql);
    m_impl->values.clear();
}

void Query::setParam(const QString& name, const Value& value)
{
    QString key = name.trimmed().toUpper();
    if (key.startsWith(u':'))
        key.remove(0, 1);
    if (key.isEmpty() || !m_impl->translated.names.contains(key))
        throw detail::layerError(QStringLiteral("La sentencia no tiene el parámetro %1").arg(name));
    m_impl->values.insert(key, value);
}

QStringList Query::paramNames() const
{
    QStringList names;
    for (const QString& name : m_impl->translated.names) {
        if (!name.isEmpty() && !names.contains(name))
            names.append(name);
    }
    return names;
}

void Query::open()
{
    close();
    m_impl->prepare();
    if (!(m_impl->flags & Firebird::IStatement::FLAG_HAS_CURSOR))
        throw detail::layerError(QStringLiteral("La sentencia no devuelve registros; se ejecuta con execute()"));
    m_impl->bindInput();
    m_impl->cursor.reset(m_impl->statement->openCursor(&m_impl->status, m_impl->tx().active(), m_impl->input.get(),
                                                       m_impl->inputBuffer.data(), m_impl->output.get(), 0));
}

bool Query::next()
{
    Impl& d = *m_impl;
    if (!d.cursor)
        throw detail::layerError(QStringLiteral("La consulta no está abierta"));
    if (d.atEnd)
        return false;
    if (d.cursor->fetchNext(&d.status, d.outputBuffer.data()) == Firebird::IStatus::RESULT_OK) {
        d.decodeRow();
        return true;
    }
    d.atEnd = true;
    d.hasRow = false;
    return false;
}

void Query::close() noexcept
{
    detail::closeCursor(*m_impl);
    m_impl->hasRow = false;
}

bool Query::isOpen() const noexcept
{
    return m_impl->cursor != nullptr;
}

void Query::execute()
{
    Impl& d = *m_impl;
    close();
    d.prepare();
    if (d.flags & Firebird::IStatement::FLAG_HAS_CURSOR) {
        // A SELECT run for its first row (e.g. a singleton select).
        open();
        const bool found = next();
        detail::closeCursor(d);
        d.hasRow = found;
        return;
    }
    d.bindInput();
    const bool outputs = !d.columns.empty();
    d.statement->execute(&d.status, d.tx().active(), d.input.get(), d.inputBuffer.data(),
                         outputs ? d.output.get() : nullptr, outputs ? d.outputBuffer.data() : nullptr);
    if (outputs)
        d.decodeRow();
}

void Query::prepare()
{
    m_impl->prepare();
}

bool Query::isPrepared() const noexcept
{
    return m_impl->statement != nullptr;
}

int Query::columnCount() const
{
    return static_cast<int>(m_impl->columns.size());
}

QString Query::columnName(int index) const
{
    if (index < 0 || index >= m_impl->columnNames.size())
        throw detail::layerError(QStringLiteral("Índice de campo fuera de rango: %1").arg(index));
    return m_impl->columnNames[index];
}

int Query::columnIndex(const QString& name) const
{
    return m_impl->columnIndex.value(name.trimmed().toUpper(), -1);
}

const Value& Query::value(int index) const
{
    return m_impl->current(index);
}

const Value& Query::value(const QString& name) const
{
    const int index = columnIndex(name);
    if (index < 0)
        throw detail::layerError(QStringLiteral("La consulta no tiene el campo %1").arg(name));
    return m_impl->current(index);
}

std::vector<Value> Query::row() const
{
    if (!m_impl->hasRow)
        throw detail::layerError(QStringLiteral("La consulta no tiene un registro actual"));
    return m_impl->row;
}

} // namespace fb

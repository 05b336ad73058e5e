#include "ScriptRunner.h"

#include "Internal.h"

#include <QRegularExpression>

namespace fb {

namespace {

// The end of the comment, literal or quoted identifier that starts at i, or -1.
qsizetype skipQuotedOrComment(const QString& s, qsizetype i)
{
    const QChar c = s[i];
    const QChar next = i + 1 < s.size() ? s[i + 1] : QChar();
    if (c == u'-' && next == u'-') {
        const qsizetype end = s.indexOf(u'\n', i);
        return end < 0 ? s.size() : end;
    }
    if (c == u'/' && next == u'*') {
        const qsizetype end = s.indexOf(QLatin1StringView("*/"), i + 2);
        return end < 0 ? s.size() : end + 2;
    }
    if (c == u'\'' || c == u'"') {
        // A doubled quote stays inside; the scan resumes after the closing one.
        qsizetype end = s.indexOf(c, i + 1);
        while (end >= 0 && end + 1 < s.size() && s[end + 1] == c)
            end = s.indexOf(c, end + 2);
        return end < 0 ? s.size() : end + 1;
    }
    return -1;
}

} // namespace

std::vector<ScriptStatement> splitScript(const QString& script)
{
    static const QRegularExpression setTerm(QStringLiteral(R"(^SET\s+TERM\s+(\S+)$)"),
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression setDialect(QStringLiteral(R"(^SET\s+SQL\s+DIALECT\s+\d+$)"),
                                               QRegularExpression::CaseInsensitiveOption);

    std::vector<ScriptStatement> statements;
    QString terminator = QStringLiteral(";");
    qsizetype start = -1; // first significant character of the statement being read
    int startLine = 0;
    int line = 1;
    qsizetype i = 0;
    const auto advance = [&](qsizetype to) {
        line += static_cast<int>(QStringView(script).mid(i, to - i).count(u'\n'));
        i = to;
    };
    const auto finish = [&](qsizetype end) {
        const QString text = script.mid(start, end - start).trimmed();
        start = -1;
        if (const auto m = setTerm.match(text); m.hasMatch())
            terminator = m.captured(1);
        else if (!text.isEmpty() && !setDialect.match(text).hasMatch())
            statements.push_back({text, startLine});
    };

    while (i < script.size()) {
        const qsizetype skipped = skipQuotedOrComment(script, i);
        const bool isComment = skipped >= 0 && script[i] != u'\'' && script[i] != u'"';
        if (start < 0 && !isComment && !script[i].isSpace()) {
            start = i;
            startLine = line;
        }
        if (skipped >= 0) {
            advance(skipped);
        } else if (start >= 0 && QStringView(script).mid(i).startsWith(terminator)) {
            const qsizetype end = i + terminator.size(); // finish() may switch the terminator
            finish(i);
            advance(end);
        } else {
            advance(i + 1);
        }
    }
    if (start >= 0)
        finish(script.size());
    return statements;
}

std::vector<ScriptFailure> runScript(Transaction& transaction, const QString& script, ScriptDdl ddl)
{
    Transaction::Impl& t = transaction.impl();
    auto* att = t.attachment();
    auto* tra = t.active();
    const unsigned dialect = t.connection->dialect;

    std::vector<ScriptFailure> failures;
    for (const ScriptStatement& s : splitScript(script)) {
        try {
            detail::Status st;
            const QByteArray text = detail::toServerText(s.text);
            detail::Ref<Firebird::IStatement> statement(att->prepare(&st, tra, static_cast<unsigned>(text.size()),
                                                                     text.constData(), dialect,
                                                                     Firebird::IStatement::PREPARE_PREFETCH_METADATA));
            const unsigned type = statement->getType(&st);
            if (type == isc_info_sql_stmt_commit) {
                tra->commitRetaining(&st);
            } else if (type == isc_info_sql_stmt_rollback) {
                tra->rollbackRetaining(&st);
            } else if (statement->getFlags(&st) & Firebird::IStatement::FLAG_HAS_CURSOR) {
                detail::Ref<Firebird::IResultSet> cursor(statement->openCursor(&st, tra, nullptr, nullptr, nullptr, 0));
                cursor->close(&st);
                cursor.release();
            } else {
                detail::Ref<Firebird::IMessageMetadata> out(statement->getOutputMetadata(&st));
                std::vector<std::byte> buffer(out->getMessageLength(&st));
                const bool outputs = out->getCount(&st) > 0;
                statement->execute(&st, tra, nullptr, nullptr, outputs ? out.get() : nullptr,
                                   outputs ? buffer.data() : nullptr);
            }
            statement->free(&st);
            statement.release();
            if (ddl == ScriptDdl::CommitEach && type == isc_info_sql_stmt_ddl)
                tra->commitRetaining(&st);
        } catch (const Error& e) {
            if (e.isConnectionLost())
                throw;
            failures.push_back({s.text, QString::fromStdString(e.what())});
        }
    }
    return failures;
}

std::vector<ScriptFailure> runScriptPhases(Connection& connection, const QString& script, ScriptDdl ddl)
{
    static const QRegularExpression commitLine(QStringLiteral(R"(^[ \t]*COMMIT[ \t]*;[ \t]*\r?$)"),
                                               QRegularExpression::MultilineOption |
                                                   QRegularExpression::CaseInsensitiveOption);
    for (const QString& phase : script.split(commitLine)) {
        if (phase.trimmed().isEmpty())
            continue;
        Transaction transaction(connection);
        transaction.start();
        std::vector<ScriptFailure> failures = runScript(transaction, phase, ddl);
        if (!failures.empty())
            return failures;
        transaction.commit();
    }
    return {};
}

} // namespace fb

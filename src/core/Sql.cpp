#include "core/Sql.h"

#include "platform/PrivateFiles.h"

#include <QHash>
#include <QSqlError>
#include <QSqlResult>
#include <QSqlRecord>
#include <QUuid>

namespace tolvo {

namespace {

QString ErrorText(const QSqlError& e)
{
    QString t = e.databaseText();
    if (t.isEmpty()) t = e.driverText();
    return t;
}

[[noreturn]] void Fail(const QSqlQuery& q, const QString& sql)
{
    const QSqlError e = q.lastError();
    throw DbError(ErrorText(e) + QStringLiteral(" [") + sql + QStringLiteral("]"), sql, e.nativeErrorCode());
}

QSqlQuery Run(const QSqlDatabase& db, const QString& sql, const QVariantList& values, bool forwardOnly)
{
    if (!db.isOpen()) throw DbError(QStringLiteral("database is not open [") + sql + QStringLiteral("]"), sql);
    QSqlQuery q(db);
    q.setForwardOnly(forwardOnly);
    if (!q.prepare(sql)) Fail(q, sql);
    for (const QVariant& v : values) q.addBindValue(v);
    if (!q.exec()) Fail(q, sql);
    return q;
}

const QString kSavepoint = QStringLiteral("tolvo_tx");

// Statements prepared once per connection and thread, then run again with new
// values: the engine's parse of a short statement costs as much as running it, and
// a busy station runs the same few hundreds of times a second. Only statements
// whose rows nobody steps through afterwards are kept (changes, savepoints, and the
// reads of Scalar and ReadFirstRow, which are reset once read): a statement handed out
// to be stepped through could be run again under its reader by a nested event.
constexpr qsizetype kKeptStatements = 256;

QHash<QString, QSqlQuery>& KeptStatements()
{
    thread_local QHash<QString, QSqlQuery> kept;
    return kept;
}

bool IsChange(const QString& sql)
{
    static const QStringList starts{QStringLiteral("INSERT"), QStringLiteral("UPDATE"), QStringLiteral("DELETE"),
                                    QStringLiteral("SAVEPOINT"), QStringLiteral("RELEASE"), QStringLiteral("ROLLBACK")};
    const QString head = sql.trimmed().section(QLatin1Char(' '), 0, 0).toUpper();
    return starts.contains(head);
}

bool BindAndRun(QSqlQuery& q, const QVariantList& values)
{
    for (qsizetype i = 0; i < values.size(); ++i) q.bindValue(int(i), values.at(i));
    return q.exec();
}

// False once the connection has let go of the statement (closed and perhaps opened again).
bool StillPrepared(const QSqlQuery& q, const QSqlDatabase& db)
{
    if (!q.result() || q.driver() != db.driver()) return false;
    const QVariant h = q.result()->handle();
    return h.isValid() && qstrcmp(h.typeName(), "sqlite3_stmt*") == 0 && *static_cast<void* const*>(h.constData());
}

// The caller's copy shares the kept statement (the point of keeping it), so the
// copies Qt now advises against are meant here.
QT_WARNING_PUSH
QT_WARNING_DISABLE_DEPRECATED
QSqlQuery RunKept(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    if (!db.isOpen()) throw DbError(QStringLiteral("database is not open [") + sql + QStringLiteral("]"), sql);
    QHash<QString, QSqlQuery>& kept = KeptStatements();
    const QString key = db.connectionName() + QChar(0x1f) + sql;
    if (const auto it = kept.find(key); it != kept.end()) {
        if (StillPrepared(*it, db)) {
            if (!BindAndRun(*it, values)) Fail(*it, sql);
            return *it;
        }
        kept.erase(it);
    }
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) Fail(q, sql);
    if (!BindAndRun(q, values)) Fail(q, sql);
    if (kept.size() >= kKeptStatements) kept.clear();
    return *kept.insert(key, std::move(q));
}
QT_WARNING_POP

} // namespace

DbError::DbError(const QString& what, QString sql_, QString nativeCode_)
    : std::runtime_error(what.toStdString()), sql(std::move(sql_)), nativeCode(std::move(nativeCode_))
{
}

QSqlQuery Exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    if (IsChange(sql)) return RunKept(db, sql, values);
    return Run(db, sql, values, false);
}

QSqlQuery Query(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    return Run(db, sql, values, true);
}

QVariant Scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = RunKept(db, sql, values);
    const QVariant v = q.next() ? q.value(0) : QVariant();
    q.finish(); // no read left open
    return v;
}

std::optional<QSqlRecord> ReadFirstRow(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery q = RunKept(db, sql, values);
    std::optional<QSqlRecord> row;
    if (q.next()) row = q.record();
    q.finish();
    return row;
}

qint64 RowCount(const QSqlDatabase& db, const QString& table, const QString& schema)
{
    return Scalar(db, QStringLiteral("SELECT COUNT(*) FROM %1.%2").arg(Id(schema), Id(table))).toLongLong();
}

void Insert(const QSqlDatabase& db, const QString& table, const Row& row)
{
    QStringList cols;
    QStringList marks;
    QVariantList values;
    for (const auto& [col, val] : row) {
        cols << col;
        marks << QStringLiteral("?");
        values << val;
    }
    Exec(db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(Id(table), IdList(cols), marks.join(QLatin1Char(','))),
         values);
}

QString Id(const QString& name)
{
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

QString IdList(const QStringList& names, const QString& prefix)
{
    QStringList out;
    out.reserve(names.size());
    for (const QString& n : names) out << prefix + Id(n);
    return out.join(QLatin1Char(','));
}

bool ToBool(const QVariant& v)
{
    if (v.isNull() || !v.isValid()) return false;
    return v.toLongLong() != 0;
}

// --- Transaction ---

Transaction::Transaction(const QSqlDatabase& db) : m_db(db)
{
    Exec(m_db, QStringLiteral("SAVEPOINT ") + kSavepoint);
    m_open = true;
}

Transaction::~Transaction()
{
    if (!m_open) return;
    try {
        rollback();
    } catch (...) {
        // The engine may already have rolled back on its own; nothing is left to undo.
    }
}

void Transaction::commit()
{
    if (!m_open) throw DbError(QStringLiteral("transaction already finished"));
    Exec(m_db, QStringLiteral("RELEASE ") + kSavepoint);
    m_open = false;
}

void Transaction::rollback()
{
    if (!m_open) return;
    m_open = false;
    Exec(m_db, QStringLiteral("ROLLBACK TO ") + kSavepoint);
    Exec(m_db, QStringLiteral("RELEASE ") + kSavepoint);
}

// --- Attachment ---

Attachment::Attachment(const QSqlDatabase& db, const QString& path, const QString& schema)
    : m_db(db), m_schema(schema)
{
    Exec(m_db, QStringLiteral("ATTACH DATABASE ? AS ") + Id(schema), {path});
    try {
        ApplyPragmas(m_db, schema);
    } catch (...) {
        try { Exec(m_db, QStringLiteral("DETACH DATABASE ") + Id(m_schema)); } catch (...) {}
        throw;
    }
}

Attachment::~Attachment()
{
    try {
        Exec(m_db, QStringLiteral("DETACH DATABASE ") + Id(m_schema));
    } catch (...) {
        // Detaching only fails inside an open transaction, which the rules forbid.
    }
}

QString JournalMode(const QSqlDatabase& db, const QString& schema)
{
    QSqlQuery q = Query(db, QStringLiteral("PRAGMA %1.journal_mode").arg(Id(schema)));
    return q.next() ? q.value(0).toString().toLower() : QString();
}

namespace {

// Sets the journal mode; false when the engine keeps another one (a read-only disk,
// another connection on a write-ahead file).
bool SetJournalMode(const QSqlDatabase& db, const QString& schema, const QString& mode)
{
    try {
        // fixed SQL: `mode` is one of the engine's journal modes named in this file
        QSqlQuery q = Query(db, QStringLiteral("PRAGMA %1.journal_mode=%2").arg(Id(schema), mode));
        return q.next() && q.value(0).toString().compare(mode, Qt::CaseInsensitive) == 0;
    } catch (const DbError&) {
        return false;
    }
}

} // namespace

void ApplyPragmas(const QSqlDatabase& db, const QString& schema)
{
    // A read-only connection cannot change the journal mode; DELETE is the default anyway.
    // A write-ahead file left by a station that did not end folds back into one file
    // here; while the station itself has it open it stays as it is, as durable.
    const QString mode = JournalMode(db, schema);
    if (mode != QLatin1String("delete") && mode != QLatin1String("memory") &&
        !SetJournalMode(db, schema, QStringLiteral("DELETE")) && mode != QLatin1String("wal"))
        throw DbError(QStringLiteral("cannot set the rollback journal of ") + Id(schema));
    Exec(db, QStringLiteral("PRAGMA %1.synchronous=EXTRA").arg(Id(schema)));
}

void ApplyLivePragmas(const QSqlDatabase& db)
{
    // One sync of the log per commit instead of about four with the rollback journal.
    // A file opened read-only (its disk remounted read-only) cannot take the log and
    // stays in the rollback-journal mode the last close folded it into.
    SetJournalMode(db, QStringLiteral("main"), QStringLiteral("WAL"));
    Exec(db, QStringLiteral("PRAGMA main.synchronous=FULL"));
}

bool FoldIntoOneFile(const QSqlDatabase& db)
{
    const QString mode = JournalMode(db, QStringLiteral("main"));
    return mode != QLatin1String("wal") || SetJournalMode(db, QStringLiteral("main"), QStringLiteral("DELETE"));
}

QStringList CompanionFiles(const QString& path)
{
    return {path + QStringLiteral("-wal"), path + QStringLiteral("-shm"), path + QStringLiteral("-journal")};
}

// --- ScopedConnection ---

QString UniqueConnectionName(const QString& prefix)
{
    return prefix + QLatin1Char('-') + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

ScopedConnection::ScopedConnection(const QString& path, bool readOnly)
    : m_name(UniqueConnectionName(QStringLiteral("tolvo-file")))
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    m_db.setDatabaseName(path);
    if (readOnly) m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!m_db.open()) {
        const QString err = ErrorText(m_db.lastError());
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
        throw DbError(QStringLiteral("cannot open ") + path + QStringLiteral(": ") + err);
    }
    if (!readOnly) {
        MakePrivate(path); // its journals take the same mode
        try {
            ApplyPragmas(m_db);
        } catch (...) {
            m_db.close();
            m_db = QSqlDatabase();
            QSqlDatabase::removeDatabase(m_name);
            throw;
        }
    }
}

ScopedConnection::~ScopedConnection()
{
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

} // namespace tolvo

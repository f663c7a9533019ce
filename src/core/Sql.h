#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

// The small SQL toolkit every part of the station uses on the shared connection.
//
//   Transaction t(st.Db);                       // BEGIN (or a savepoint when nested)
//   Exec(st.Db, "UPDATE 시스템 SET 티켓번호 = ?", {no});
//   QSqlQuery q = Query(st.Db, "SELECT 명칭 FROM 할인키 WHERE 사용여부 = ?", {true});
//   while (q.next()) ...;
//   t.commit();                                 // without it, scope exit rolls back
//
// Rules:
// - Every value from a person, device or file is passed in the value list and bound;
//   only names from the schema (Schema.h) are ever written into the SQL text.
// - Exec/Query throw DbError with the statement and the driver's message on failure.
// - A change spanning several rows runs inside one Transaction. Transactions nest
//   (inner ones become savepoints): an inner rollback undoes only its part, and
//   nothing is written before the outermost commit.
// - ATTACH, DETACH and VACUUM cannot run inside a transaction; use Attachment
//   around the Transaction, never inside.
namespace tolvo {

struct DbError : std::runtime_error {
    DbError(const QString& what, QString sql = {}, QString nativeCode = {});
    QString sql;         // the statement that failed (no values)
    QString nativeCode;  // the engine's error number as text, "" when unknown
    QString message() const { return QString::fromUtf8(what()); }
};

// Prepares sql, binds values in order, executes. Throws DbError.
QSqlQuery Exec(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The same, forward-only, for reading rows.
QSqlQuery Query(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The first column of the first row, or an invalid QVariant when there is no row.
QVariant Scalar(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// The first row's fields by name, or none when there is no row.
std::optional<QSqlRecord> ReadFirstRow(const QSqlDatabase& db, const QString& sql, const QVariantList& values = {});
// Row count of a table (name from the schema, never from input).
qint64 RowCount(const QSqlDatabase& db, const QString& table, const QString& schema = QStringLiteral("main"));

// Column/value pairs of one row; column names come from the schema, values are bound.
using Row = std::vector<std::pair<QString, QVariant>>;
// INSERT INTO table (columns) VALUES (?, ...), values bound in order. Throws DbError.
void Insert(const QSqlDatabase& db, const QString& table, const Row& row);

// A name from the schema written as an SQL identifier: "일반권".
QString Id(const QString& name);
// A column list: "a","b","c" (prefix "x." gives x."a",x."b").
QString IdList(const QStringList& names, const QString& prefix = {});

// Reads a Boolean field: Null false, any non-zero true.
bool ToBool(const QVariant& v);

// Commit or roll back on scope exit. Nested use becomes a savepoint.
class Transaction {
public:
    explicit Transaction(const QSqlDatabase& db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();
    void rollback();

private:
    QSqlDatabase m_db;
    bool m_open = false;
};

// Attaches another database file under a schema name for the lifetime of the
// object (ATTACH DATABASE ? AS name; DETACH on scope exit). Must not be created
// inside a Transaction. A missing file is created by the engine, so check first
// when that is not wanted.
class Attachment {
public:
    Attachment(const QSqlDatabase& db, const QString& path, const QString& schema);
    ~Attachment();
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;
    const QString& schema() const { return m_schema; }

private:
    QSqlDatabase m_db;
    QString m_schema;
};

// Sets the durability options on a connection to an archive, the master copy or a
// file being built: rollback journal, full sync, each file one file. A commit also
// syncs the folder once its journal is deleted: another file's commit may rely on
// it right after (an archive's copy, then the live file's removal), and a journal
// brought back by a power cut would undo it.
void ApplyPragmas(const QSqlDatabase& db, const QString& schema = QStringLiteral("main"));
// The live file's options: write-ahead log with full sync (a commit survives a power
// cut with one sync); a file opened read-only stays in the rollback-journal mode.
void ApplyLivePragmas(const QSqlDatabase& db);
// Checkpoints the write-ahead log into the file and leaves it in rollback-journal
// mode, so the file alone holds every commit (before it is closed, copied or
// renamed). False when that could not be done.
bool FoldIntoOneFile(const QSqlDatabase& db);
// "delete", "wal", ... of a schema.
QString JournalMode(const QSqlDatabase& db, const QString& schema = QStringLiteral("main"));
// The files the engine keeps beside a database file (log, shared index, journal).
QStringList CompanionFiles(const QString& path);

// Opens a private connection on a file for the lifetime of the object and removes
// it afterwards. Used for short-lived work on other files (creation, compaction).
class ScopedConnection {
public:
    explicit ScopedConnection(const QString& path, bool readOnly = false);
    ~ScopedConnection();
    ScopedConnection(const ScopedConnection&) = delete;
    ScopedConnection& operator=(const ScopedConnection&) = delete;
    const QSqlDatabase& db() const { return m_db; }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// A connection name no other connection of this process uses.
QString UniqueConnectionName(const QString& prefix);

} // namespace tolvo

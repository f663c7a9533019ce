#include "database/ArchiveMove.h"

#include "database/DBase.h"
#include "core/Sql.h"
#include "core/Station.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QtDebug>

#include <algorithm>
#include <functional>

namespace tolvo {

namespace {

// The live file's record of each move it started, with the move's token and day.
const QString kOwn = QStringLiteral("archive_own_moves");
// The live file's records of the removals that committed, one per move and table.
const QString kSteps = QStringLiteral("archive_steps");
// Archive files told to the operator or the trace, as they stood when told, so a
// file that stays unreadable or not the station's own is told once.
const QString kNotes = QStringLiteral("archive_notes");
// An archive file's own record of the move that made it, with the move's token, day
// and letter, and the rowids its copy added once the copy committed.
const QString kMoves = QStringLiteral("archive_moves");

// Settled exits the host has received (or that are not to be sent).
const QString kIlbanFinished = QStringLiteral("(출차일 <> '') AND (정산구분 = 1) AND (전송여부 = 1)");
// Passages with an exit, or with any verdict other than a normal entry.
const QString kJungFinished = QStringLiteral("(출차일자 <> '') OR (입출상태 <> '정상입차')");

bool TableIn(const Station& st, const QString& schema, const QString& table)
{
    return Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type = 'table' AND name = ?")
                             .arg(Id(schema)),
                  {table})
               .toInt() > 0;
}

QStringList ColumnsOf(const Station& st, const QString& schema, const QString& table)
{
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT name FROM pragma_table_info(?, ?)"), {table, schema});
    QStringList names;
    while (q.next()) names << q.value(0).toString();
    return names;
}

bool HasAll(const QStringList& names, const QStringList& wanted)
{
    return std::all_of(wanted.begin(), wanted.end(), [&names](const QString& n) { return names.contains(n); });
}

// Whether the attached file keeps its moves' records as the station writes them.
bool HasMoveRecords(const Station& st)
{
    return HasAll(ColumnsOf(st, kArc, kMoves), {QStringLiteral("move"), QStringLiteral("token"), QStringLiteral("first"),
                                                QStringLiteral("last"), QStringLiteral("day"), QStringLiteral("letter")});
}

QString DayOfName(const QString& path) { return QFileInfo(path).fileName().mid(1, 8); }
QString LetterOfName(const QString& path) { return QFileInfo(path).fileName().left(1); }

// The move named in a file's first bytes (its user_version), read without opening it.
qint32 HeaderHint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray head = f.read(64);
    if (head.size() < 64 || !head.startsWith(QByteArrayLiteral("SQLite format 3"))) return 0;
    const auto byte = [&head](int i) { return quint32(quint8(head[i])); };
    return qint32(byte(60) << 24 | byte(61) << 16 | byte(62) << 8 | byte(63));
}

// A file's header note (its user_version): the move that made it or copied into it last.
void SetHeaderNote(const QSqlDatabase& db, const QString& schema, qint32 move)
{
    // fixed SQL: a number, never text
    Exec(db, QStringLiteral("PRAGMA %1.user_version = %2").arg(Id(schema)).arg(move)).finish();
}

// The made file's record: the move, in the header and in its table with its token
// and the file's name's day and letter.
void RecordMaker(const QSqlDatabase& db, qint32 move, const QString& token, const QString& path)
{
    Exec(db, QStringLiteral("CREATE TABLE %1 (move INTEGER PRIMARY KEY, token TEXT NOT NULL, first INTEGER, "
                            "last INTEGER, day TEXT, letter TEXT)")
                 .arg(Id(kMoves)));
    Exec(db, QStringLiteral("INSERT INTO %1 (move, token, day, letter) VALUES (?, ?, ?, ?)").arg(Id(kMoves)),
         {move, token, DayOfName(path), LetterOfName(path)});
    SetHeaderNote(db, QStringLiteral("main"), move);
}

// Built under a temporary name and renamed into place: a file of that name is whole,
// with the record of the move that made it. `building` runs while the half-made
// file is open in its transaction.
void CreateMovesFile(const QString& path, const schema::Table& table, qint32 move, const QString& token,
                     const std::function<void()>& building)
{
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("archive file exists already: ") + path);
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        {
            ScopedConnection c(part);
            Transaction tx(c.db());
            schema::CreateTable(c.db(), table);
            if (move) RecordMaker(c.db(), move, token, path);
            if (building) building();
            tx.commit();
        }
        if (!DBase::AtomicReplace(part, path)) throw DbError(QStringLiteral("cannot rename ") + part);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    SyncFolder(QFileInfo(path).absolutePath());
}

// The attached file's record of this live file's `move`: the rowids its copy added
// (null until the copy commits). None unless the file, at `path`, bears the move's
// day's name and its record carries the move's token and that name's day and letter.
std::optional<std::pair<QVariant, QVariant>> OwnRecord(const Run& run, qint32 move, const QString& path)
{
    if (!NamedFor(run, move, path) || !HasMoveRecords(run.st)) return std::nullopt;
    // fixed SQL: names only
    QSqlQuery q = Query(run.st.Db, QStringLiteral("SELECT first, last FROM %1.%2 WHERE move = ? AND token = ? "
                                                  "AND day = ? AND letter = ?")
                                       .arg(Id(kArc), Id(kMoves)),
                        {move, run.own.value(move).token, DayOfName(path), LetterOfName(path)});
    if (!q.next()) return std::nullopt;
    return std::make_pair(q.value(0), q.value(1));
}

// The rowids of the attached file's table that this live file's `move` added, when
// its copy committed.
std::optional<std::pair<qint64, qint64>> CopiedRows(const Run& run, qint32 move, const QString& path)
{
    const auto record = OwnRecord(run, move, path);
    if (!record || record->first.isNull()) return std::nullopt;
    return std::make_pair(record->first.toLongLong(), record->second.toLongLong());
}

// The finished live rows for which `keep` says so, asked once a row in rowid order.
LiveRows FinishedLive(const Station& st, const ArchivedTable& m, const std::function<bool(const QString& token)>& keep)
{
    LiveRows out;
    // fixed SQL: the clauses above, never typed text
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT rowid, %1 FROM main.%2 WHERE %3 ORDER BY rowid")
                                   .arg(IdList(m.identity), Id(m.table.name), m.finished));
    const int end = 1 + int(m.identity.size());
    while (q.next()) {
        const QString token = RowToken(q, 1, end);
        if (!keep(token)) continue;
        out.rowids << q.value(0).toLongLong();
        out.tokens << token;
    }
    return out;
}

// The rows `tokens` name still live, each as often as it is named and no more (a
// live row alike to one moved is another row): the earliest such rows.
QList<qint64> ListedLive(const Station& st, const ArchivedTable& m, const QStringList& tokens)
{
    TokenCounts left(tokens);
    return FinishedLive(st, m, [&left](const QString& t) { return left.take(t); }).rowids;
}

// The rows a move takes, held as a table of the live connection for the statements.
const QString kInMove = QStringLiteral("rowid IN (SELECT r FROM temp.archive_rows)");
class RowsInMove {
public:
    RowsInMove(const QSqlDatabase& db, const QList<qint64>& rowids) : m_db(db)
    {
        Exec(m_db, QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS archive_rows (r INTEGER PRIMARY KEY)"));
        Transaction tx(m_db);
        Exec(m_db, QStringLiteral("DELETE FROM temp.archive_rows"));
        QSqlQuery add(m_db);
        add.prepare(QStringLiteral("INSERT INTO temp.archive_rows (r) VALUES (?)"));
        for (const qint64 r : rowids) {
            add.addBindValue(r);
            if (!add.exec()) throw DbError(QStringLiteral("cannot list the rows to move: ") + add.lastError().text());
        }
        tx.commit();
    }
    ~RowsInMove()
    {
        QSqlQuery drop(m_db);
        drop.exec(QStringLiteral("DROP TABLE IF EXISTS temp.archive_rows"));
    }
    RowsInMove(const RowsInMove&) = delete;
    RowsInMove& operator=(const RowsInMove&) = delete;

private:
    QSqlDatabase m_db;
};

// Deletes the taken rows from the live table with the removal's record, inside the
// caller's transaction. Returns how many rows left.
int RemoveTaken(const Station& st, qint32 move, const ArchivedTable& m)
{
    QSqlQuery del = Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE %2").arg(Id(m.table.name), kInMove));
    const int removed = del.numRowsAffected();
    del.finish();
    Exec(st.Db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (move INTEGER NOT NULL, letter TEXT NOT NULL, "
                               "PRIMARY KEY (move, letter))")
                    .arg(Id(kSteps)));
    Exec(st.Db, QStringLiteral("INSERT OR IGNORE INTO main.%1 (move, letter) VALUES (?, ?)").arg(Id(kSteps)),
         {move, m.letter});
    return removed;
}

// Sets the rowids the copy of `move` added in the attached file's record; null
// takes the copy back. Inside the caller's transaction.
void SetCopiedRows(const Station& st, qint32 move, const QVariant& first, const QVariant& last)
{
    QSqlQuery q = Exec(st.Db, QStringLiteral("UPDATE %1.%2 SET first = ?, last = ? WHERE move = ?").arg(Id(kArc), Id(kMoves)),
                       {first, last, move});
    if (q.numRowsAffected() != 1) throw DbError(QStringLiteral("the archive file has no record of move %1").arg(move));
}

// Copies the taken rows into the attached archive and commits them with the rowids
// they got in the file's record of the move, and the move in its header; then
// deletes them from the live table and commits that with the removal's record.
// The archive's commit is durable (its folder synced) before the removal relies on
// it. Between the two commits the rows are in both files: a failure then takes the
// copies back out of the archive; a crash leaves them, and the file's record tells
// the next start which rows to remove from the live file.
void CopyAndRemove(const Run& run, qint32 move, const ArchivedTable& m)
{
    const Station& st = run.st;
    const QString t = Id(m.table.name);
    const QString cols = IdList(m.table.fieldNames());
    // fixed SQL: names from the schema
    const qint64 before = Scalar(st.Db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM %1.%2").arg(Id(kArc), t))
                              .toLongLong();
    const qint32 noteBefore = HeaderNote(st);
    int taken = 0;
    {
        Transaction tx(st.Db);
        taken = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE %2").arg(t, kInMove)).toInt();
        // fixed SQL: names from the schema
        QSqlQuery ins = Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%2 WHERE %4 ORDER BY rowid")
                                        .arg(Id(kArc), t, cols, kInMove));
        const int n = ins.numRowsAffected();
        ins.finish();
        if (n != taken) throw DbError(QStringLiteral("archive took %1 rows of %2").arg(n).arg(taken));
        SetCopiedRows(st, move, before + 1, before + taken);
        // The header names the last move whose copy committed here: LeftEmptyBy trusts it.
        SetHeaderNote(st.Db, kArc, move);
        tx.commit();
    }
    Tell(run.watch, m.copied);
    try {
        Transaction tx(st.Db);
        const int removed = RemoveTaken(st, move, m);
        if (removed != taken)
            throw DbError(QStringLiteral("archive took %1 rows but would delete %2").arg(taken).arg(removed));
        tx.commit();
    } catch (...) {
        try {
            Transaction tx(st.Db);
            Exec(st.Db, QStringLiteral("DELETE FROM %1.%2 WHERE rowid > ?").arg(Id(kArc), t), {before}).finish();
            SetCopiedRows(st, move, QVariant(), QVariant());
            SetHeaderNote(st.Db, kArc, noteBefore);
            tx.commit();
        } catch (const std::exception& e) {
            // Left as a crash would leave it: the file's record of the move tells the
            // next start or run to remove its rows from the live file.
            qWarning().noquote() << "archive: the copy stays in its file:" << e.what();
        }
        throw;
    }
    Tell(run.watch, m.removed);
}

// True when the attached file, at `path`, was made by this live file's `move`: a
// file whose records differ from the station's, name another move, token, day or
// letter, or bear another name, was not.
bool MadeBy(const Run& run, qint32 move, const QString& path)
{
    return HeaderNote(run.st) == move && OwnRecord(run, move, path).has_value();
}

// True when the file at `path` holds a committed copy of this live file's `move`.
bool FileHolds(const Run& run, const QString& path, qint32 move)
{
    if (!QFileInfo(path).isFile() || !OwnHeader(run, path)) return false;
    try {
        const Attachment arc(run.st.Db, path, kArc);
        return CopiedRows(run, move, path).has_value();
    } catch (const std::exception& e) {
        // A file that cannot be read holds nothing the station can use; the caller says so.
        qWarning().noquote() << "archive:" << path << e.what();
        return false;
    }
}

// Attaches the day's file into `arc` when one of this live file's moves made it,
// with a record for `move` to commit its copy in; false, with nothing written, when
// none did. A file whose header names none of this live file's moves of the day is
// not opened. One whose header does but that cannot be read (damaged since), or
// anything in its place that is not a file, throws its failure.
bool AttachMoveFile(const Run& run, const QString& path, qint32 move, std::optional<Attachment>& arc)
{
    if (QFileInfo(path).isFile() && !OwnHeader(run, path)) return false;
    arc.emplace(run.st.Db, path, kArc);
    if (!MadeBy(run, HeaderNote(run.st), path)) {
        arc.reset();
        return false;
    }
    Exec(run.st.Db, QStringLiteral("INSERT OR IGNORE INTO %1.%2 (move, token, day, letter) VALUES (?, ?, ?, ?)")
                        .arg(Id(kArc), Id(kMoves)),
         {move, run.own.value(move).token, DayOfName(path), LetterOfName(path)});
    return true;
}

} // namespace

ArchivedTable Ilban()
{
    return {schema::IlbanArchiveTable(), QStringLiteral("i"), kIlbanFinished, {QStringLiteral("입차코드")},
            ArchiveStep::IlbanBuilding, ArchiveStep::IlbanCreated, ArchiveStep::IlbanCopied, ArchiveStep::IlbanRemoved};
}

ArchivedTable Jung()
{
    return {schema::JungArchiveTable(), QStringLiteral("j"), kJungFinished, schema::JungArchiveTable().fieldNames(),
            ArchiveStep::JungBuilding, ArchiveStep::JungCreated, ArchiveStep::JungCopied, ArchiveStep::JungRemoved};
}

ArchivedTable TableOfLetter(const QString& letter) { return letter == QLatin1String("i") ? Ilban() : Jung(); }

QString ArchivePath(const Station& st, const QString& letter, const QDate& day)
{
    return st.ArchiveDir + letter + day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".mdb");
}

void Tell(const ArchiveWatch& watch, ArchiveStep step)
{
    if (watch) watch(step);
}

void Fail(Run& run, const std::exception& e)
{
    run.told.push_back(Failure(run.st, QString(), QFileInfo(run.st.DbPath).fileName(), e).told);
    run.failed = true;
}

QHash<qint32, OwnMove> OwnMoves(const Station& st)
{
    QHash<qint32, OwnMove> out;
    if (!TableIn(st, QStringLiteral("main"), kOwn)) return out;
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT move, token, day FROM main.%1").arg(Id(kOwn)));
    while (q.next())
        out.insert(qint32(q.value(0).toLongLong()),
                   {q.value(1).toString(), QDate::fromString(q.value(2).toString(), QStringLiteral("yyyyMMdd"))});
    return out;
}

void RecordOwnMove(Run& run, qint32 move, const QDate& day)
{
    const QString token = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QSqlDatabase& db = run.st.Db;
    Transaction tx(db);
    Exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (move INTEGER PRIMARY KEY, token TEXT NOT NULL, "
                            "day TEXT NOT NULL)")
                 .arg(Id(kOwn)));
    Exec(db, QStringLiteral("INSERT INTO main.%1 (move, token, day) VALUES (?, ?, ?)").arg(Id(kOwn)),
         {move, token, day.toString(QStringLiteral("yyyyMMdd"))});
    tx.commit();
    run.own.insert(move, {token, day});
}

bool RemovalCommitted(const Station& st, qint32 move, const QString& letter)
{
    return TableIn(st, QStringLiteral("main"), kSteps) &&
           Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE move = ? AND letter = ?").arg(Id(kSteps)),
                  {move, letter})
                   .toInt() > 0;
}

Removals RecordedRemovals(const Station& st)
{
    Removals out;
    if (!TableIn(st, QStringLiteral("main"), kSteps)) return out;
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT move, letter FROM main.%1").arg(Id(kSteps)));
    while (q.next()) out.insert({qint32(q.value(0).toLongLong()), q.value(1).toString()});
    return out;
}

bool FirstNote(const Station& st, const QString& path)
{
    const QFileInfo fi(path);
    const QString stamp = QStringLiteral("%1 %2 %3")
                              .arg(fi.size())
                              .arg(fi.lastModified().toMSecsSinceEpoch())
                              .arg(fi.metadataChangeTime().toMSecsSinceEpoch());
    try {
        Exec(st.Db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (file TEXT PRIMARY KEY, stamp TEXT NOT NULL)")
                        .arg(Id(kNotes)));
        const QVariantList key{fi.fileName()};
        if (Scalar(st.Db, QStringLiteral("SELECT stamp FROM main.%1 WHERE file = ?").arg(Id(kNotes)), key) == stamp)
            return false;
        Exec(st.Db, QStringLiteral("INSERT OR REPLACE INTO main.%1 (file, stamp) VALUES (?, ?)").arg(Id(kNotes)),
             {fi.fileName(), stamp});
    } catch (const std::exception& e) {
        // Told again next time rather than never.
        qWarning().noquote() << "archive: cannot note" << fi.fileName() << e.what();
    }
    return true;
}

qint32 HeaderNote(const Station& st)
{
    return qint32(Scalar(st.Db, QStringLiteral("PRAGMA %1.user_version").arg(Id(kArc))).toLongLong());
}

bool NamedFor(const Run& run, qint32 move, const QString& path)
{
    const auto it = run.own.constFind(move);
    if (it == run.own.constEnd()) return false;
    return DayOfName(path) == it->day.toString(QStringLiteral("yyyyMMdd"));
}

std::optional<qint32> OwnHeader(const Run& run, const QString& path)
{
    const qint32 move = HeaderHint(path);
    if (!NamedFor(run, move, path)) return std::nullopt;
    return move;
}

bool LeftEmptyBy(const Run& run, qint32 move, const QString& path)
{
    try {
        const Attachment arc(run.st.Db, path, kArc);
        if (HeaderNote(run.st) != move) return false;
        const auto record = OwnRecord(run, move, path);
        return record && record->first.isNull();
    } catch (const std::exception& e) {
        // It may hold a copy: kept.
        qWarning().noquote() << "archive:" << path << e.what();
        return false;
    }
}

DayFile JudgeDayFile(Run& run, const QString& path)
{
    const std::optional<qint32> move = OwnHeader(run, path);
    if (!move) return DayFile::NotOwn;
    try {
        const Attachment arc(run.st.Db, path, kArc);
        return MadeBy(run, *move, path) ? DayFile::Own : DayFile::NotOwn;
    } catch (const std::exception& e) {
        // Its header names one of this station's moves of the day: damaged since.
        TellCannotRead(run, path, Reason(run.st, e), QString::fromUtf8(e.what()));
        return DayFile::Unreadable;
    }
}

LiveRows UnlistedLive(const Station& st, const ArchivedTable& m, const Marker& marker)
{
    TokenCounts claimed;
    for (const MarkedDay& d : marker)
        for (const QString& t : d.rows.value(m.letter)) claimed.add(t);
    return FinishedLive(st, m, [&claimed](const QString& t) { return !claimed.take(t); });
}

bool RemoveCopied(const Run& run, qint32 move, const ArchivedTable& m, const QString& path)
{
    const Station& st = run.st;
    const auto rows = CopiedRows(run, move, path);
    if (!rows) return false;
    QStringList tokens;
    // fixed SQL: names from the schema
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT %1 FROM %2.%3 WHERE rowid BETWEEN ? AND ?")
                                   .arg(IdList(m.identity), Id(kArc), Id(m.table.name)),
                        {rows->first, rows->second});
    while (q.next()) tokens << RowToken(q, 0, int(m.identity.size()));
    q.finish();
    const RowsInMove taken(st.Db, ListedLive(st, m, tokens));
    Transaction tx(st.Db);
    RemoveTaken(st, move, m);
    tx.commit();
    return true;
}

void TellNotMade(Run& run, const QString& path)
{
    const QString file = QFileInfo(path).fileName();
    qWarning().noquote() << "archive:" << file << "was made by none of this live file's moves; left as it is";
    if (!FirstNote(run.st, path)) return;
    run.told.push_back({QStringLiteral("백업 파일 %1: 이 데이터베이스의 백업 기록에 없는 파일이므로 그대로 둡니다. "
                                       "그 날의 자료는 다음 날의 백업 파일에 보관됩니다.")
                            .arg(file),
                        QStringLiteral("기록에 없는 백업 파일 (%1): 그대로 둠").arg(file)});
}

void TellCannotRead(Run& run, const QString& path, const Told& why, const QString& engine)
{
    const QString file = QFileInfo(path).fileName();
    qWarning().noquote() << "archive:" << file << engine;
    if (!FirstNote(run.st, path)) return;
    const QString panel = QStringLiteral("읽기 실패 (%1)").arg(file);
    run.told.push_back({QStringLiteral("백업 파일을 읽을 수 없습니다 (%1): %2").arg(file, why.line),
                        why.panel.isEmpty() ? panel : panel + QStringLiteral(": ") + why.panel});
}

bool MoveTable(Run& run, const MarkedDay& d, const ArchivedTable& m, const QList<qint64>* now)
{
    const Station& st = run.st;
    const QString path = ArchivePath(st, m.letter, d.day);
    const QString file = QFileInfo(path).fileName();
    try {
        run.written << d.move;
        if (RemovalCommitted(st, d.move, m.letter)) {
            // The rows left the live file: a file that no longer holds them was
            // deleted or replaced, and nothing here can bring them back.
            if (!FileHolds(run, path, d.move))
                run.told.push_back({QStringLiteral("백업 파일 %1에 옮겨진 자료가 없습니다. 파일이 지워졌거나 바뀌었습니다.").arg(file),
                                    QStringLiteral("백업 파일 %1에 자료 없음").arg(file)});
            return true;
        }
        if (!QFileInfo::exists(path))
            CreateMovesFile(path, m.table, d.move, run.own.value(d.move).token, [&] { Tell(run.watch, m.building); });
        std::optional<Attachment> arc;
        if (!AttachMoveFile(run, path, d.move, arc)) {
            TellNotMade(run, path);
            return false;
        }
        Tell(run.watch, m.created);
        if (RemoveCopied(run, d.move, m, path)) return true;
        const RowsInMove taken(st.Db, now ? *now : ListedLive(st, m, d.rows.value(m.letter)));
        CopyAndRemove(run, d.move, m);
        return true;
    } catch (const std::exception& e) {
        throw Failure(st, m.table.name + QLatin1Char(' '), file, e);
    }
}

void DBase::Create_IlbanArchive(const QString& path) { CreateMovesFile(path, schema::IlbanArchiveTable(), 0, {}, {}); }

void DBase::Create_JungArchive(const QString& path) { CreateMovesFile(path, schema::JungArchiveTable(), 0, {}, {}); }

} // namespace tolvo

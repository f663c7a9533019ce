#include "database/Archive.h"

#include "database/DBase.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QtDebug>

#include <algorithm>
#include <limits>
#include <unistd.h>

namespace tolvo {

namespace {

const QString kArc = QStringLiteral("arc");
const QString kSection = QStringLiteral("시스템");
// Lists the days whose moves are under way and the rows each takes, until the day is done.
const QString kMarker = QStringLiteral("archive.moving");
// The live file's records of the removals that committed, one per move and table.
const QString kSteps = QStringLiteral("archive_steps");
// The engine's number for a full disk; a file of our own that cannot be written
// for want of space is told with it too, so the operator reads one message.
const QString kDiskFull = QStringLiteral("13");

// A table moved into an archive, and the steps its move tells.
struct ArchivedTable {
    const schema::Table& table;
    // "i" or "j": the first letter of its file, and of its rows' lines in the marker.
    QString letter;
    // Finished rows, columns prefixed with `p` ("" or "l.").
    QString (*finished)(const QString& p);
    // The fields whose digest names a row in the marker.
    QStringList identity;
    // The table's key, or "" for passages, which have none: a ticket the file holds
    // under its key is that very ticket.
    QString key;
    ArchiveStep building, created, copied, removed;
};

// Settled exits the host has received (or that are not to be sent).
QString IlbanFinished(const QString& p)
{
    return QStringLiteral("(%1출차일 <> '') AND (%1정산구분 = 1) AND (%1전송여부 = 1)").arg(p);
}
// Passages with an exit, or with any verdict other than a normal entry.
QString JungFinished(const QString& p)
{
    return QStringLiteral("(%1출차일자 <> '') OR (%1입출상태 <> '정상입차')").arg(p);
}

ArchivedTable Ilban()
{
    return {schema::IlbanArchiveTable(), QStringLiteral("i"), IlbanFinished, {QStringLiteral("입차코드")},
            QStringLiteral("입차코드"), ArchiveStep::IlbanBuilding, ArchiveStep::IlbanCreated,
            ArchiveStep::IlbanCopied, ArchiveStep::IlbanRemoved};
}
ArchivedTable Jung()
{
    return {schema::JungArchiveTable(), QStringLiteral("j"), JungFinished, schema::JungArchiveTable().fieldNames(),
            QString(), ArchiveStep::JungBuilding, ArchiveStep::JungCreated, ArchiveStep::JungCopied,
            ArchiveStep::JungRemoved};
}

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

QString ArchivePath(const Station& st, const QString& letter, const QDate& day)
{
    return st.ArchiveDir + letter + DayText(day) + QStringLiteral(".mdb");
}

QString MarkerPath(const Station& st) { return st.ArchiveDir + kMarker; }

void Tell(const ArchiveWatch& watch, ArchiveStep step)
{
    if (watch) watch(step);
}

// Built under a temporary name and renamed into place: a file of that name is whole.
// `building` runs while the half-made file is open in its transaction.
void CreateArchive(const QString& path, const schema::Table& table, const std::function<void()>& building = {})
{
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("archive file exists already: ") + path);
    const QString part = path + QStringLiteral(".part");
    QFile::remove(part);
    try {
        {
            ScopedConnection c(part);
            Transaction tx(c.db());
            schema::CreateTable(c.db(), table);
            if (building) building();
            tx.commit();
        }
        if (!DBase::AtomicReplace(part, path)) throw DbError(QStringLiteral("cannot rename ") + part);
    } catch (...) {
        QFile::remove(part);
        throw;
    }
    DBase::SyncPath(QFileInfo(path).absolutePath(), true);
}

// Writes `text` whole under a temporary name, synced, and renames it over `path`
// with its folder synced: the file holds the old text or the new, never a mix.
// `written` runs once the new text is on the disk, before the rename.
void WriteWhole(const QString& path, const QByteArray& text, const std::function<void()>& written = {})
{
    const QString tmp = path + QStringLiteral(".part");
    QFile f(tmp);
    const bool ok = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size() && f.flush() &&
                    ::fsync(f.handle()) == 0;
    const bool full = f.error() == QFileDevice::ResourceError;
    const QString why = f.errorString();
    f.close();
    if (ok && written) written();
    if (!ok || !DBase::AtomicReplace(tmp, path)) {
        QFile::remove(tmp);
        throw DbError(QStringLiteral("cannot write %1: %2").arg(QFileInfo(path).fileName(), why), {},
                      full ? kDiskFull : QString());
    }
    DBase::SyncPath(QFileInfo(path).absolutePath(), true);
}

// ---- The marker ----

// A day whose move is under way, as the marker holds it. Its rows are the ones
// finished when its run began, so rows finished later go with a later day even
// when this move is finished late.
struct MarkedDay {
    QDate day;
    // Drawn when the day's rows were listed: its copies commit it into each file's
    // header and its removals into the live file's step records.
    qint32 move = 0;
    QHash<QString, QStringList> rows;  // by letter: each listed row's Token, once per row
};
using Marker = std::vector<MarkedDay>;

// The live rows a run has just listed for its own day, so its move need not find
// them again; never in the marker.
using ListedNow = QHash<QString, QList<qint64>>;

// A row's identity in a few characters: a digest of its identifying fields (columns
// `first` to `end` - 1), Nulls told apart from empty texts.
QString Token(const QSqlQuery& q, int first, int end)
{
    QCryptographicHash h(QCryptographicHash::Sha1);
    for (int i = first; i < end; ++i) {
        const QVariant v = q.value(i);
        if (v.isNull()) {
            h.addData(QByteArrayView("-"));
            continue;
        }
        const QByteArray text = v.toString().toUtf8();
        const QByteArray field = QByteArray::number(text.size()) + ':' + text;
        h.addData(field);
    }
    return QString::fromLatin1(h.result().left(12).toBase64());
}

// The marker's check: a digest of all the text before its last line.
QByteArray CheckOf(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex();
}
const QByteArray kCheck = QByteArrayLiteral("check ");

// A block a day: "i20260520.mdb", "j20260520.mdb", "move <number>",
// "rows <i count> <j count>", then one "i <token>" and "j <token>" line a row;
// last, "check <digest>" over all the lines before it.
QByteArray MarkerText(const Marker& marker)
{
    QStringList lines;
    for (const MarkedDay& d : marker) {
        const QStringList& i = d.rows.value(QStringLiteral("i"));
        const QStringList& j = d.rows.value(QStringLiteral("j"));
        lines << QStringLiteral("i%1.mdb").arg(DayText(d.day)) << QStringLiteral("j%1.mdb").arg(DayText(d.day))
              << QStringLiteral("move %1").arg(d.move) << QStringLiteral("rows %1 %2").arg(i.size()).arg(j.size());
        for (const QString& t : i) lines << QStringLiteral("i ") + t;
        for (const QString& t : j) lines << QStringLiteral("j ") + t;
    }
    const QByteArray body = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    return body + kCheck + CheckOf(body) + '\n';
}

// Written whole and synced before the first archive commit it covers, so that a
// start after a power cut knows which moves to finish and which rows each takes.
void WriteMarker(const Station& st, const Marker& marker, const ArchiveWatch& watch = {})
{
    WriteWhole(MarkerPath(st), MarkerText(marker), [&watch] { Tell(watch, ArchiveStep::Marking); });
}

// The marker as read: its days, oldest first, and what is wrong with it ("" when it
// is whole). A damaged marker keeps the days any of its lines name, without rows.
struct MarkerRead {
    Marker days;
    QString damage;
};

// Reads the lines of one day's block from `at`; false at the first line no run writes.
bool ReadBlock(const QStringList& lines, qsizetype& at, MarkedDay& d)
{
    static const QRegularExpression move(QStringLiteral("^move (\\d{1,10})$"));
    static const QRegularExpression counts(QStringLiteral("^rows (\\d{1,9}) (\\d{1,9})$"));
    static const QRegularExpression row(QStringLiteral("^([ij]) (\\S+)$"));
    const auto next = [&lines, &at]() { return at < lines.size() ? lines[at++] : QString(); };
    if (next() != QStringLiteral("j%1.mdb").arg(DayText(d.day))) return false;
    const QRegularExpressionMatch m = move.match(next());
    const qint64 number = m.captured(1).toLongLong();
    if (!m.hasMatch() || number <= 0 || number > std::numeric_limits<qint32>::max()) return false;
    d.move = qint32(number);
    const QRegularExpressionMatch c = counts.match(next());
    if (!c.hasMatch()) return false;
    for (const QString& letter : {QStringLiteral("i"), QStringLiteral("j")}) {
        const int n = c.captured(letter == QLatin1String("i") ? 1 : 2).toInt();
        QStringList& tokens = d.rows[letter];
        for (int k = 0; k < n; ++k) {
            const QRegularExpressionMatch r = row.match(next());
            if (!r.hasMatch() || r.captured(1) != letter) return false;
            tokens << r.captured(2);
        }
    }
    return true;
}

// The days of a marker whose check matches, block by block; what is wrong with
// them, or "" when each block is whole.
QString ReadDays(const QByteArray& body, Marker& days)
{
    static const QRegularExpression dayLine(QStringLiteral("^i(\\d{8})\\.mdb$"));
    const QStringList lines = QString::fromUtf8(body).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (qsizetype at = 0; at < lines.size();) {
        const QString line = lines[at++];
        const QDate day = QDate::fromString(dayLine.match(line).captured(1), QStringLiteral("yyyyMMdd"));
        const bool known = std::any_of(days.begin(), days.end(), [&day](const MarkedDay& d) { return d.day == day; });
        if (!day.isValid() || known) return QStringLiteral("cannot read \"%1\"").arg(line.left(40));
        days.push_back({day, 0, {}});
        if (!ReadBlock(lines, at, days.back())) return QStringLiteral("the block of %1 is not whole").arg(DayText(day));
    }
    return days.empty() ? QStringLiteral("it names no day") : QString();
}

// The days a damaged marker names on any line of its own, without their rows.
Marker DaysNamedIn(const QByteArray& text)
{
    static const QRegularExpression either(QStringLiteral("^[ij](\\d{8})\\.mdb$"));
    Marker days;
    for (const QString& line : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QDate day = QDate::fromString(either.match(line).captured(1), QStringLiteral("yyyyMMdd"));
        const bool known = std::any_of(days.begin(), days.end(), [&day](const MarkedDay& d) { return d.day == day; });
        if (day.isValid() && !known) days.push_back({day, 0, {}});
    }
    return days;
}

MarkerRead ParseMarker(const QByteArray& text)
{
    // The last line is the check over everything before it.
    const qsizetype lastLine = text.endsWith('\n') ? text.lastIndexOf('\n', text.size() - 2) + 1 : -1;
    const QByteArray body = lastLine < 0 ? text : text.left(lastLine);
    MarkerRead out;
    if (lastLine < 0 || text.mid(lastLine) != kCheck + CheckOf(body) + '\n')
        out.damage = QStringLiteral("its check does not match");
    else
        out.damage = ReadDays(body, out.days);
    if (!out.damage.isEmpty()) out.days = DaysNamedIn(text);
    std::sort(out.days.begin(), out.days.end(), [](const MarkedDay& a, const MarkedDay& b) { return a.day < b.day; });
    return out;
}

// Marker text no run wrote (a disk fault or a hand edit).
struct DamagedMarker : DbError {
    DamagedMarker(const QString& why, Marker days_, QByteArray text_)
        : DbError(why), days(std::move(days_)), text(std::move(text_))
    {
    }
    Marker days;  // the days its lines name, without rows
    QByteArray text;
};

// The marked days, oldest first; none without a marker. Throws DbError when it
// cannot be read, DamagedMarker when its text is not one a run wrote.
Marker ReadMarker(const Station& st)
{
    const QString path = MarkerPath(st);
    if (!QFileInfo::exists(path)) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    QByteArray text = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    MarkerRead read = ParseMarker(text);
    if (read.damage.isEmpty()) return read.days;
    const QString why = QStringLiteral("%1: %2").arg(kMarker, read.damage);
    throw DamagedMarker(why, std::move(read.days), std::move(text));
}

// ---- The live rows a move takes ----

// Row tokens, each held as many times as there are such rows, taken one at a time.
class TokenCounts {
public:
    TokenCounts() = default;
    explicit TokenCounts(const QStringList& tokens)
    {
        for (const QString& t : tokens) add(t);
    }
    void add(const QString& token) { ++m_counts[token]; }
    // False when no such token is left.
    bool take(const QString& token)
    {
        const auto it = m_counts.find(token);
        if (it == m_counts.end() || *it == 0) return false;
        --*it;
        return true;
    }

private:
    QHash<QString, int> m_counts;
};

// Finished live rows, in the order they were written.
struct LiveRows {
    QList<qint64> rowids;
    QStringList tokens;
};

// The finished live rows for which `keep` says so, asked once a row in rowid order.
LiveRows FinishedLive(const Station& st, const ArchivedTable& m, const std::function<bool(const QString& token)>& keep)
{
    LiveRows out;
    // fixed SQL: the clauses above, never typed text
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT rowid, %1 FROM main.%2 WHERE %3 ORDER BY rowid")
                                   .arg(IdList(m.identity), Id(m.table.name), m.finished(QString())));
    const int end = 1 + int(m.identity.size());
    while (q.next()) {
        const QString token = Token(q, 1, end);
        if (!keep(token)) continue;
        out.rowids << q.value(0).toLongLong();
        out.tokens << token;
    }
    return out;
}

// The listed rows still live, each as often as it is listed and no more (a live row
// alike to one moved is another row): the earliest such rows.
QList<qint64> ListedLive(const Station& st, const ArchivedTable& m, const QStringList& listed)
{
    TokenCounts left(listed);
    return FinishedLive(st, m, [&left](const QString& t) { return left.take(t); }).rowids;
}

// The finished rows that no marked day lists.
LiveRows UnlistedLive(const Station& st, const ArchivedTable& m, const Marker& marker)
{
    TokenCounts claimed;
    for (const MarkedDay& d : marker)
        for (const QString& t : d.rows.value(m.letter)) claimed.add(t);
    return FinishedLive(st, m, [&claimed](const QString& t) { return !claimed.take(t); });
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

// ---- What each file committed ----

// A file's header note (its user_version): the move whose copy it committed last.
qint32 HeaderNote(const Station& st, const QString& schema)
{
    return qint32(Scalar(st.Db, QStringLiteral("PRAGMA %1.user_version").arg(Id(schema))).toLongLong());
}

void SetHeaderNote(const Station& st, const QString& schema, qint32 note)
{
    // fixed SQL: a number, never text
    Exec(st.Db, QStringLiteral("PRAGMA %1.user_version = %2").arg(Id(schema)).arg(note)).finish();
}

bool StepsKept(const Station& st)
{
    return Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.sqlite_master WHERE type = 'table' AND name = ?"),
                  {kSteps})
               .toInt() > 0;
}

bool RemovalCommitted(const Station& st, const MarkedDay& d, const ArchivedTable& m)
{
    return StepsKept(st) &&
           Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE move = ? AND letter = ?").arg(Id(kSteps)),
                  {d.move, m.letter})
                   .toInt() > 0;
}

// The moves the live file holds removal records of.
QSet<qint32> RecordedMoves(const Station& st)
{
    QSet<qint32> out;
    if (!StepsKept(st)) return out;
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT DISTINCT move FROM main.%1").arg(Id(kSteps)));
    while (q.next()) out << qint32(q.value(0).toLongLong());
    return out;
}

// Deletes the taken rows from the live table with the removal's record, inside the
// caller's transaction. Returns how many rows left.
int RemoveTaken(const Station& st, const MarkedDay& d, const ArchivedTable& m)
{
    QSqlQuery del = Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE %2").arg(Id(m.table.name), kInMove));
    const int removed = del.numRowsAffected();
    del.finish();
    Exec(st.Db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (move INTEGER NOT NULL, letter TEXT NOT NULL, "
                               "PRIMARY KEY (move, letter))")
                    .arg(Id(kSteps)));
    Exec(st.Db, QStringLiteral("INSERT OR IGNORE INTO main.%1 (move, letter) VALUES (?, ?)").arg(Id(kSteps)),
         {d.move, m.letter});
    return removed;
}

// Copies the taken rows into the attached archive and commits it with the move's
// number in the file's header; then deletes them from the live table and commits
// that with the removal's record. A ticket the file holds already (by its key) is
// that ticket: it only leaves the live file. Each file commits on its own, and the
// archive's commit is durable (its folder synced) before the removal relies on it.
// Between the two commits the rows are in both files: a failure then takes the
// copies and the number back out of the archive; a crash leaves them, and the
// records tell the next start to remove the rows from the live file.
void CopyAndRemove(const Station& st, const MarkedDay& d, const ArchivedTable& m, const ArchiveWatch& watch)
{
    const QString t = Id(m.table.name);
    const QString cols = IdList(m.table.fieldNames());
    // fixed SQL: names from the schema
    const qint64 before = Scalar(st.Db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM %1.%2").arg(Id(kArc), t))
                              .toLongLong();
    const qint32 noteBefore = HeaderNote(st, kArc);
    // fixed SQL: the clauses above, never typed text
    const QString held = m.key.isEmpty() ? QString()
                                         : QStringLiteral("EXISTS (SELECT 1 FROM %1.%2 AS a WHERE a.%3 = l.%3)")
                                               .arg(Id(kArc), t, Id(m.key));
    int taken = 0;
    {
        Transaction tx(st.Db);
        taken = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE %2").arg(t, kInMove)).toInt();
        const int known =
            held.isEmpty()
                ? 0
                : Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 AS l WHERE %2 AND %3").arg(t, kInMove, held))
                      .toInt();
        const QString lacking = held.isEmpty() ? QString() : QStringLiteral(" AND NOT ") + held;
        // fixed SQL: the clauses above, never typed text
        QSqlQuery ins =
            Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%2 AS l WHERE %4%5 ORDER BY rowid")
                            .arg(Id(kArc), t, cols, kInMove, lacking));
        const int n = ins.numRowsAffected();
        ins.finish();
        if (n != taken - known) throw DbError(QStringLiteral("archive took %1 rows of %2").arg(n).arg(taken - known));
        SetHeaderNote(st, kArc, d.move);
        tx.commit();
    }
    Tell(watch, m.copied);
    try {
        Transaction tx(st.Db);
        const int removed = RemoveTaken(st, d, m);
        if (removed != taken)
            throw DbError(QStringLiteral("archive took %1 rows but would delete %2").arg(taken).arg(removed));
        tx.commit();
    } catch (...) {
        try {
            Transaction tx(st.Db);
            Exec(st.Db, QStringLiteral("DELETE FROM %1.%2 WHERE rowid > ?").arg(Id(kArc), t), {before}).finish();
            SetHeaderNote(st, kArc, noteBefore);
            tx.commit();
        } catch (const std::exception&) {
            // Left as a crash would leave it: the file holds the move's number and the
            // rows, so the next start or run removes them from the live file.
        }
        throw;
    }
    Tell(watch, m.removed);
}

// How far a table's part of a move got, read from what each file committed.
enum class Reached {
    Nothing,  // the file does not hold the move's number: nothing of it is copied
    Copy,     // the file holds the number, the live file no removal record: copied
    Removal,  // the live file records the removal: the listed rows have left it
};

Reached ReachedIn(const Station& st, const MarkedDay& d, const ArchivedTable& m)
{
    if (RemovalCommitted(st, d, m)) return Reached::Removal;
    return HeaderNote(st, kArc) == d.move ? Reached::Copy : Reached::Nothing;
}

// A failure as the operator is shown it.
struct ArchiveFailure : DbError {
    using DbError::DbError;
};

// What the operator is shown: "일반권 자료 백업 실패 (i20260520.mdb): <reason>", the
// reason in words; the failing statement goes to the trace. A failure told so
// already passes as it is.
ArchiveFailure Failure(const QString& what, const QString& file, const std::exception& e)
{
    if (const auto* told = dynamic_cast<const ArchiveFailure*>(&e)) return *told;
    const auto* db = dynamic_cast<const DbError*>(&e);
    QString reason = QString::fromUtf8(e.what());
    if (db && !db->sql.isEmpty()) {
        qWarning().noquote() << "archive:" << file << reason;
        reason.remove(QStringLiteral(" [") + db->sql + QLatin1Char(']'));
    }
    if (db && db->nativeCode == kDiskFull) reason = QStringLiteral("디스크 공간이 부족합니다");
    return ArchiveFailure(QStringLiteral("%1자료 백업 실패 (%2): %3").arg(what, file, reason));
}

// One table's part of a day's move, from wherever it stands: the file made when
// missing, then the listed rows still live copied and removed, or only removed
// once the file holds the move's number, or nothing once the removal committed.
// `now`, for the run's own day, holds the rows just listed.
// Throws DbError naming the table and the file.
void MoveTable(const Station& st, const MarkedDay& d, const ArchivedTable& m, const ArchiveWatch& watch,
               const QList<qint64>* now)
{
    const QString path = ArchivePath(st, m.letter, d.day);
    try {
        if (!QFileInfo::exists(path)) CreateArchive(path, m.table, [&] { Tell(watch, m.building); });
        Tell(watch, m.created);
        Attachment arc(st.Db, path, kArc);
        const Reached reached = ReachedIn(st, d, m);
        if (reached == Reached::Removal) return;
        const RowsInMove taken(st.Db, now ? *now : ListedLive(st, m, d.rows.value(m.letter)));
        if (reached == Reached::Nothing) {
            CopyAndRemove(st, d, m, watch);
            return;
        }
        Transaction tx(st.Db);
        RemoveTaken(st, d, m);
        tx.commit();
    } catch (const std::exception& e) {
        throw Failure(m.table.name + QLatin1Char(' '), QFileInfo(path).fileName(), e);
    }
}

void Report(Station& st, const QString& line)
{
    st.screen.appendList1(line);
    st.screen.setText(QStringLiteral("PnlMsg"), line);
}

// Steps after the moves; throws on any failure (the caller then goes on to the refresh).
// Returns false when 시스템 has no row (nothing more is done, not even the refresh).
bool PruneAndReset(Station& st, const QDate& today)
{
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 자료보관기간 FROM 시스템"));
    if (!q.next()) return false;
    const QVariant months = q.value(0);
    q.finish();
    if (months.isNull()) throw DbError(QStringLiteral("자료보관기간 is empty"));
    const int n = std::max(1, static_cast<int>(CInt(months.toDouble())));

    const QDate statsEdge = today.addMonths(-n);  // clamps to the month's last day
    // Rows the host has still to receive stay until they are sent.
    Exec(st.Db, QStringLiteral("DELETE FROM 시간대별 WHERE (정산여부 = 1) AND (종료일시 <= ?) "
                               "AND ((전송여부 <> 0) OR (데이터유무 = 0))"),
         {FormatDate(statsEdge) + QStringLiteral(" 23:59")});

    const int k = CInt(Val(Read_Ini(st.IniPath, kSection, QStringLiteral("취소자료보관"), QStringLiteral("0"))));
    if (st.settings.KeepRecords)
        Exec(st.Db, QStringLiteral("DELETE FROM 출차취소 WHERE (종료일시 <= ?) AND (전송여부 <> 0)"),
             {FormatDate(today.addDays(-k)) + QStringLiteral(" 23:59")});

    // The pair of archive files written on the day that has just left the retention.
    const QDate oldDay = statsEdge.addDays(-1);
    for (const QString& old : {IlbanArchivePath(st, oldDay), JungArchivePath(st, oldDay)})
        if (QFileInfo(old).isFile()) QFile::remove(old);

    Write_Ini(st.IniPath, kSection, QStringLiteral("분실권번호"), QStringLiteral("9000"));
    return true;
}

// Rewrites the marker as it now stands (removes it once no day is left), then
// drops the removal records of the moves no longer in it: only once the marker is
// known to hold no such move may the records that tell its steps go.
void SaveMarker(const Station& st, const Marker& marker)
{
    try {
        if (!marker.empty()) {
            WriteMarker(st, marker);
        } else {
            if (!QFile::remove(MarkerPath(st))) throw DbError(QStringLiteral("cannot remove ") + kMarker);
            DBase::SyncPath(st.ArchiveDir, true);
        }
    } catch (const std::exception& e) {
        throw Failure(QString(), kMarker, e);
    }
    try {
        QSet<qint32> stale = RecordedMoves(st);
        for (const MarkedDay& d : marker) stale.remove(d.move);
        Transaction tx(st.Db);
        for (const qint32 move : stale) Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE move = ?").arg(Id(kSteps)), {move});
        tx.commit();
    } catch (const std::exception&) {
        // A record left names a move the marker no longer holds and no new move draws
        // (NewMoveNumber): nothing reads it, and the next change of the marker clears it.
    }
}

// A marked day's move, from wherever it stands: each table moved, then the day's
// pruning and reset as of the day after, then the day taken off the marker. While
// that day after is later than the clock's today (a clock set back), the day stays
// marked with nothing left to move, and its pruning and reset wait for a start or
// run whose clock reaches it. Safe to run again from any step. Throws DbError; the
// day then stays marked. Returns false when 시스템 has no row (the totals need no
// refresh).
bool FinishMove(Station& st, Marker& marker, const MarkedDay& d, const ArchiveWatch& watch, const ListedNow* now)
{
    for (const ArchivedTable& m : {Ilban(), Jung()}) {
        const auto listed = now ? now->constFind(m.letter) : ListedNow::const_iterator();
        MoveTable(st, d, m, watch, now && listed != now->constEnd() ? &*listed : nullptr);
    }
    const auto it = std::find_if(marker.begin(), marker.end(), [&d](const MarkedDay& x) { return x.day == d.day; });
    const QDate asOf = d.day.addDays(1);
    if (asOf > st.clock.now().date()) {
        if (!it->rows.value(QStringLiteral("i")).isEmpty() || !it->rows.value(QStringLiteral("j")).isEmpty()) {
            it->rows.clear();
            SaveMarker(st, marker);
        }
        Tell(watch, ArchiveStep::Pruned);
        return true;
    }
    bool refresh = true;
    try {
        refresh = PruneAndReset(st, asOf);
    } catch (const std::exception&) {
        // The rest of the day's pruning is skipped; the next day prunes with its own dates.
    }
    Tell(watch, ArchiveStep::Pruned);
    marker.erase(it);
    SaveMarker(st, marker);
    Tell(watch, ArchiveStep::Unmarked);
    return refresh;
}

// A number no move in the marker or the live file's records holds.
qint32 NewMoveNumber(const Station& st, const Marker& marker)
{
    QSet<qint32> taken = RecordedMoves(st);
    for (const MarkedDay& d : marker) taken << d.move;
    qint32 n = 0;
    do n = qint32(QRandomGenerator::system()->bounded(1u << 30, 1u << 31));
    while (taken.contains(n));
    return n;
}

// Tickets a day's file holds are those very tickets (their 입차코드 is the key):
// they leave the live file and go into no other day's.
void RemoveHeldTickets(const Station& st, const QDate& day)
{
    const QString path = IlbanArchivePath(st, day);
    if (!QFileInfo(path).isFile()) return;
    Attachment arc(st.Db, path, kArc);
    Transaction tx(st.Db);
    // fixed SQL: names from the schema
    Exec(st.Db, QStringLiteral("DELETE FROM main.일반권 AS l WHERE %1 AND EXISTS (SELECT 1 FROM %2.일반권 AS a "
                               "WHERE a.입차코드 = l.입차코드)")
                    .arg(IlbanFinished(QStringLiteral("l.")), Id(kArc)))
        .finish();
    tx.commit();
}

// A damaged marker is replaced by one whose moves finish what it left: each day it
// names (none after today, which no run can have marked) gets a new move, the
// tickets that day's file holds having left the live file, and the oldest of them
// lists every finished row still live, since those were finished by the time its
// move began. The damaged text is kept beside it, whole, before the new marker
// takes its place, so a kill at any point leaves one or the other to read. Returns
// the new marker (`watch` told Marked once it is in place); the operator is told once.
Marker SetAside(Station& st, const DamagedMarker& damaged, const ArchiveWatch& watch)
{
    const QDate today = st.clock.now().date();
    Marker redo;
    for (const MarkedDay& named : damaged.days) {
        if (named.day > today) continue;
        try {
            RemoveHeldTickets(st, named.day);
        } catch (const std::exception& e) {
            // Its file cannot be read: what it holds cannot be known. The day's own
            // move fails on it, naming the file, and waits for it alone.
            qWarning().noquote() << "archive:" << e.what();
        }
        redo.push_back({named.day, NewMoveNumber(st, redo), {}});
    }
    if (!redo.empty())
        for (const ArchivedTable& m : {Ilban(), Jung()}) redo.front().rows[m.letter] = UnlistedLive(st, m, {}).tokens;
    const QString aside =
        kMarker + QStringLiteral(".damaged-") + st.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    WriteWhole(st.ArchiveDir + aside, damaged.text);
    SaveMarker(st, redo);
    Tell(watch, ArchiveStep::Marked);
    Report(st, QStringLiteral("자료 백업 표시 파일이 손상되어 %1 이름으로 따로 보관했습니다. "
                              "표시된 날의 남은 자료는 그날의 백업 파일에 보관됩니다.")
                   .arg(aside));
    return redo;
}

// Half-made archive files and markers a kill left, with their journals.
void RemoveHalfMadeFiles(const Station& st)
{
    QDir dir(st.ArchiveDir);
    const QStringList parts =
        dir.entryList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files | QDir::Hidden);
    for (const QString& f : parts) QFile::remove(dir.filePath(f));
}

// Finishes every marked day, oldest first, each on its own: a day that fails again
// stays marked, its failure in `failures`, and the later ones still go. A damaged
// marker throws, or with `setAside` is replaced by the moves that finish it.
// Returns the marker as it is left.
Marker ResumeMarked(Station& st, bool& refresh, QStringList& failures, bool setAside, const ArchiveWatch& watch = {})
{
    RemoveHalfMadeFiles(st);
    Marker marker;
    try {
        try {
            marker = ReadMarker(st);
        } catch (const DamagedMarker& damaged) {
            if (!setAside) throw;
            marker = SetAside(st, damaged, watch);
        }
    } catch (const std::exception& e) {
        throw Failure(QString(), kMarker, e);
    }
    const Marker days = marker;
    for (const MarkedDay& d : days) {
        try {
            refresh = FinishMove(st, marker, d, {}, nullptr) || refresh;
        } catch (const std::exception& e) {
            failures << QString::fromUtf8(e.what());
        }
    }
    return marker;
}

} // namespace

QString IlbanArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("i"), day); }

QString JungArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("j"), day); }

void DBase::Create_IlbanArchive(const QString& path) { CreateArchive(path, schema::IlbanArchiveTable()); }

void DBase::Create_JungArchive(const QString& path) { CreateArchive(path, schema::JungArchiveTable()); }

bool Archive_Resume(Station& st)
{
    bool refresh = false;
    QStringList failures;
    ResumeMarked(st, refresh, failures, false);
    if (!failures.isEmpty()) throw DbError(failures.join(QLatin1Char('\n')));
    return refresh;
}

bool Archive_DayData(Station& st) { return Archive_DayDataSteps(st, {}); }

bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch)
{
    const QDate day = st.clock.now().date().addDays(-1);
    bool refresh = false;
    QStringList failures;
    try {
        Marker marker = ResumeMarked(st, refresh, failures, true, watch);  // moves a crash or a failure cut short
        const bool marked = std::any_of(marker.begin(), marker.end(), [&day](const MarkedDay& d) { return d.day == day; });
        // That day is archived already (exact name: the file system compares case), or
        // marked and failed again above.
        if (!marked && !QFileInfo(IlbanArchivePath(st, day)).isFile()) {
            MarkedDay d{day, NewMoveNumber(st, marker), {}};
            ListedNow now;
            for (const ArchivedTable& m : {Ilban(), Jung()}) {
                LiveRows rows = UnlistedLive(st, m, marker);
                d.rows[m.letter] = std::move(rows.tokens);
                now[m.letter] = std::move(rows.rowids);
            }
            marker.push_back(d);
            try {
                WriteMarker(st, marker, watch);
            } catch (const std::exception& e) {
                throw Failure(QString(), kMarker, e);
            }
            Tell(watch, ArchiveStep::Marked);
            refresh = FinishMove(st, marker, d, watch, &now) || refresh;
        }
    } catch (const std::exception& e) {
        failures << QString::fromUtf8(e.what());
    }
    if (refresh) st.screen.refreshTotals();
    // A day not archived keeps its rows live and its pruning and reset wait.
    for (const QString& f : failures) Report(st, f);
    return failures.isEmpty();
}

} // namespace tolvo

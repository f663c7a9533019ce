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
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <optional>
#include <utility>
#include <unistd.h>

namespace tolvo {

namespace {

const QString kArc = QStringLiteral("arc");
const QString kSection = QStringLiteral("시스템");
// Lists the days whose moves are under way and the rows each takes, until its live rows are gone.
const QString kMarker = QStringLiteral("archive.moving");

// A table moved into an archive: which rows are finished, and how a row of the
// archive is known to be the same row as a live one.
struct Moved {
    const schema::Table& table;
    // "i" or "j": the first letter of its file, and of its rows' lines in the marker.
    QString letter;
    // Finished rows, columns prefixed with `p` ("" or "m.").
    QString (*done)(const QString& p);
    // The same row in `a` and `b` (aliases or table names).
    QString (*same)(const QString& a, const QString& b);
    // The fields that tell a row from the others, for the marker.
    QStringList identity;
    // `same` compares the table's key: a row the file holds is that very row.
    bool keyed;
};

// Settled exits the host has received (or that are not to be sent).
QString IlbanDone(const QString& p)
{
    return QStringLiteral("(%1출차일 <> '') AND (%1정산구분 = 1) AND (%1전송여부 = 1)").arg(p);
}
// Passages with an exit, or with any verdict other than a normal entry.
QString JungDone(const QString& p) { return QStringLiteral("(%1출차일자 <> '') OR (%1입출상태 <> '정상입차')").arg(p); }

// 입차코드 is the key of both tables.
QString IlbanSame(const QString& a, const QString& b) { return QStringLiteral("%1.입차코드 = %2.입차코드").arg(a, b); }
// Passages have no key: every field alike, Nulls included (the index on the card number finds them).
QString JungSame(const QString& a, const QString& b)
{
    QStringList terms;
    for (const QString& f : schema::JungArchiveTable().fieldNames())
        terms << QStringLiteral("%1.%3 IS %2.%3").arg(a, b, Id(f));
    return terms.join(QStringLiteral(" AND "));
}

Moved Ilban()
{
    return {schema::IlbanArchiveTable(), QStringLiteral("i"), IlbanDone, IlbanSame, {QStringLiteral("입차코드")}, true};
}
Moved Jung()
{
    return {schema::JungArchiveTable(), QStringLiteral("j"), JungDone, JungSame, schema::JungArchiveTable().fieldNames(),
            false};
}

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

QString ArchivePath(const Station& st, const QString& letter, const QDate& day)
{
    return st.ArchiveDir + letter + DayText(day) + QStringLiteral(".mdb");
}

void Tell(const ArchiveWatch& watch, ArchiveStep step)
{
    if (watch) watch(step);
}

ArchiveStep Next(ArchiveStep step) { return ArchiveStep(int(step) + 1); }

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

// A day whose move is under way. Its rows are the ones finished when its run
// began, so rows finished later go with a later day even when this move is
// finished late. A marker of an earlier version names the day only (`listed`
// false): every finished row then goes, as it did.
struct MarkedDay {
    QDate day;
    bool listed = false;
    // The move's own number, drawn when its run listed the rows: its copies commit
    // it into each file's header and its removals into the live file's step
    // records. 0 for a day an earlier build marked, which kept notes by the day.
    qint32 move = 0;
    QHash<QString, QStringList> rows;  // by letter: each row's Token, once per row
    // By letter: the live rows as this run listed them, so its own move need not
    // find them again (never in the marker; a resume finds them by their Tokens).
    QHash<QString, QList<qint64>> listedNow;
};
using Marker = std::vector<MarkedDay>;

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
    // Each token as often as it is held here beyond its count in `other`.
    TokenCounts beyond(const TokenCounts& other) const
    {
        TokenCounts out;
        for (auto it = m_counts.begin(); it != m_counts.end(); ++it)
            out.m_counts[it.key()] = std::max(0, it.value() - other.m_counts.value(it.key()));
        return out;
    }

private:
    QHash<QString, int> m_counts;
};

// Finished live rows, in the order they were written.
struct Picked {
    QList<qint64> rowids;
    QStringList tokens;
};

// The finished live rows whose tokens `counts` holds, each as often as it holds it
// (`among` true), or all the others (`among` false).
Picked PickByCount(const Station& st, const Moved& m, TokenCounts counts, bool among)
{
    Picked out;
    // fixed SQL: the clauses above, never typed text
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT rowid, %1 FROM main.%2 WHERE %3 ORDER BY rowid")
                                   .arg(IdList(m.identity), Id(m.table.name), m.done(QString())));
    const int end = 1 + int(m.identity.size());
    while (q.next()) {
        const QString token = Token(q, 1, end);
        if (counts.take(token) != among) continue;
        out.rowids << q.value(0).toLongLong();
        out.tokens << token;
    }
    return out;
}

QList<qint64> AllFinished(const Station& st, const Moved& m) { return PickByCount(st, m, {}, false).rowids; }

QList<qint64> Listed(const Station& st, const Moved& m, const TokenCounts& listed)
{
    return PickByCount(st, m, listed, true).rowids;
}

// The rows a move takes, held as a table of the live connection for the statements.
const QString kTaken = QStringLiteral("rowid IN (SELECT r FROM temp.archive_rows)");
class TakenRows {
public:
    TakenRows(const QSqlDatabase& db, const QList<qint64>& rowids) : m_db(db)
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
    ~TakenRows()
    {
        QSqlQuery drop(m_db);
        drop.exec(QStringLiteral("DROP TABLE IF EXISTS temp.archive_rows"));
    }
    TakenRows(const TakenRows&) = delete;
    TakenRows& operator=(const TakenRows&) = delete;

private:
    QSqlDatabase m_db;
};

QString MarkerPath(const Station& st) { return st.ArchiveDir + kMarker; }

// Marker text no run wrote (a disk fault or a hand edit).
struct DamagedMarker : DbError {
    using DbError::DbError;
};

// The marker's check: a digest of all the text before its last line.
QByteArray CheckOf(const QByteArray& body)
{
    return QCryptographicHash::hash(body, QCryptographicHash::Sha1).toHex();
}
const QByteArray kCheck = QByteArrayLiteral("check ");

// i20260520.mdb, j20260520.mdb, "move <number>", "rows <i count> <j count>", then
// "i <token>" and "j <token>" lines; one such block a day, and a last line
// "check <digest>" over all the lines before it.
QByteArray MarkerText(const Marker& marker)
{
    QStringList lines;
    for (const MarkedDay& d : marker) {
        lines << QStringLiteral("i%1.mdb").arg(DayText(d.day)) << QStringLiteral("j%1.mdb").arg(DayText(d.day));
        if (d.move) lines << QStringLiteral("move %1").arg(d.move);
        if (!d.listed) continue;
        const QStringList& i = d.rows.value(QStringLiteral("i"));
        const QStringList& j = d.rows.value(QStringLiteral("j"));
        lines << QStringLiteral("rows %1 %2").arg(i.size()).arg(j.size());
        for (const QString& t : i) lines << QStringLiteral("i ") + t;
        for (const QString& t : j) lines << QStringLiteral("j ") + t;
    }
    const QByteArray body = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    return body + kCheck + CheckOf(body) + '\n';
}

// Written whole and synced before the first archive commit of a day, so that a
// start after a power cut knows which moves to finish and which rows each takes.
void WriteMarker(const Station& st, const Marker& marker, const ArchiveWatch& watch)
{
    const QString path = MarkerPath(st);
    const QString tmp = path + QStringLiteral(".part");
    QFile f(tmp);
    const QByteArray text = MarkerText(marker);
    const bool written = f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size() &&
                         f.flush() && ::fsync(f.handle()) == 0;
    f.close();
    if (written) Tell(watch, ArchiveStep::Marking);
    if (!written || !DBase::AtomicReplace(tmp, path)) {
        QFile::remove(tmp);
        throw DbError(QStringLiteral("cannot write ") + path);
    }
    DBase::SyncPath(st.ArchiveDir, true);
}

// Splits a last "check" line off `text`: whether it matches the text before it, or
// none when there is no such line (a marker of an earlier build).
std::optional<bool> SplitCheck(QByteArray& text)
{
    QByteArray lines = text;
    while (lines.endsWith('\n')) lines.chop(1);
    const qsizetype last = lines.lastIndexOf('\n') + 1;
    if (!lines.mid(last).startsWith(kCheck)) return std::nullopt;
    const QByteArray check = lines.mid(last + kCheck.size());
    text = text.left(last);
    return check == CheckOf(text);
}

const QRegularExpression& DayLine()
{
    static const QRegularExpression name(QStringLiteral("^[ij](\\d{8})\\.mdb$"));
    return name;
}

QDate DayOf(const QRegularExpressionMatch& m) { return QDate::fromString(m.captured(1), QStringLiteral("yyyyMMdd")); }

QByteArray ReadMarkerFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("cannot read ") + path);
    const QByteArray text = f.readAll();
    if (f.error() != QFileDevice::NoError) throw DbError(QStringLiteral("cannot read ") + path);
    return text;
}

// The days the marker lists, oldest first; none without a marker. Throws when it
// cannot be read, DamagedMarker when its text is not one a run wrote. A marker
// whose check matches is taken as it stands, whatever the clock says; one without
// a check (an earlier build's) must name no day after `today` and no move.
Marker ReadMarker(const Station& st, const QDate& today)
{
    const QString path = MarkerPath(st);
    if (!QFileInfo::exists(path)) return {};
    QByteArray text = ReadMarkerFile(path);
    const std::optional<bool> check = SplitCheck(text);
    if (check == false) throw DamagedMarker(QStringLiteral("%1 does not match its check").arg(path));
    const bool checked = check.has_value();
    static const QRegularExpression row(QStringLiteral("^([ij]) (\\S+)$"));
    static const QRegularExpression counts(QStringLiteral("^rows (\\d+) (\\d+)$"));
    static const QRegularExpression move(QStringLiteral("^move (\\d+)$"));
    Marker marker;
    std::vector<std::pair<int, int>> expected;
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        QRegularExpressionMatch m;
        if ((m = DayLine().match(line)).hasMatch()) {
            const QDate day = DayOf(m);
            // Unchecked, a later day would have its rows archived as of that day.
            if (!day.isValid() || (!checked && day > today))
                throw DamagedMarker(QStringLiteral("%1 names the day %2").arg(path, m.captured(1)));
            if (marker.empty() || marker.back().day != day) {
                marker.push_back({day, false, 0, {}, {}});
                expected.emplace_back(0, 0);
            }
        } else if (checked && !marker.empty() && !marker.back().listed && !marker.back().move &&
                   (m = move.match(line)).hasMatch()) {
            bool ok = false;
            marker.back().move = m.captured(1).toInt(&ok);
            if (!ok || marker.back().move <= 0) throw DamagedMarker(QStringLiteral("%1 numbers a move past any number").arg(path));
        } else if (!marker.empty() && !marker.back().listed && (m = counts.match(line)).hasMatch()) {
            marker.back().listed = true;
            bool iOk = false, jOk = false;
            expected.back() = {m.captured(1).toInt(&iOk), m.captured(2).toInt(&jOk)};
            if (!iOk || !jOk) throw DamagedMarker(QStringLiteral("%1 counts rows past any number").arg(path));
        } else if (!marker.empty() && marker.back().listed && (m = row.match(line)).hasMatch()) {
            marker.back().rows[m.captured(1)] << m.captured(2);
        } else {
            throw DamagedMarker(QStringLiteral("cannot read %1: \"%2\"").arg(path, line.left(40)));
        }
    }
    if (marker.empty()) throw DamagedMarker(QStringLiteral("no day named in ") + path);
    for (size_t k = 0; k < marker.size(); ++k) {
        const MarkedDay& d = marker[k];
        if (d.rows.value(QStringLiteral("i")).size() != expected[k].first ||
            d.rows.value(QStringLiteral("j")).size() != expected[k].second)
            throw DamagedMarker(QStringLiteral("%1 lists rows of %2 not whole").arg(path, DayText(d.day)));
    }
    return marker;
}

// The days a damaged marker still names, as far as its lines can be read.
QList<QDate> DaysNamedIn(const QString& path)
{
    QList<QDate> days;
    const QStringList lines = QString::fromUtf8(ReadMarkerFile(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = DayLine().match(line);
        if (m.hasMatch() && DayOf(m).isValid() && !days.contains(DayOf(m))) days << DayOf(m);
    }
    return days;
}

// What the operator is shown: "일반권 자료 백업 실패 (i20260520.mdb): <cause>".
DbError Failure(const QString& what, const QString& file, const std::exception& e)
{
    return DbError(QStringLiteral("%1자료 백업 실패 (%2): %3").arg(what, file, QString::fromUtf8(e.what())));
}

// Half-made archive files and markers a kill left, with their journals.
void RemoveHalfMadeFiles(const Station& st)
{
    QDir dir(st.ArchiveDir);
    const QStringList parts =
        dir.entryList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files | QDir::Hidden);
    for (const QString& f : parts) QFile::remove(dir.filePath(f));
}

// Deletes from the live table the rows of `which` that the attached archive holds already.
void RemoveArchivedRows(const Station& st, const Moved& m, const QString& which)
{
    const QString t = Id(m.table.name);
    // fixed SQL: the clauses above, never typed text
    Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE (%2) AND EXISTS (SELECT 1 FROM %3.%1 AS a WHERE %4)")
                    .arg(t, which, Id(kArc), m.same(QStringLiteral("a"), t)))
        .finish();
}

const QString kMain = QStringLiteral("main");

// A file's header note (its user_version).
int HeaderNote(const Station& st, const QString& schema)
{
    return Scalar(st.Db, QStringLiteral("PRAGMA %1.user_version").arg(Id(schema))).toInt();
}

void SetHeaderNote(const Station& st, const QString& schema, int note)
{
    // fixed SQL: a number, never text
    Exec(st.Db, QStringLiteral("PRAGMA %1.user_version = %2").arg(Id(schema)).arg(note)).finish();
}

// The note an earlier build kept for a day and a table: in the day's file once its
// copy committed, and in the live file, never lowered, once its removal did.
int DayNote(const QDate& day, const Moved& m)
{
    return (day.year() * 10000 + day.month() * 100 + day.day()) * 2 + (m.letter == QLatin1String("j") ? 1 : 0);
}

// The note a move's copy commits into its file's header.
int CopyNote(const MarkedDay& d, const Moved& m) { return d.move ? d.move : DayNote(d.day, m); }

bool CopyCommitted(const Station& st, const MarkedDay& d, const Moved& m) { return HeaderNote(st, kArc) == CopyNote(d, m); }

// The live file's records of the removals that committed, one per move and table,
// kept while their days stay marked.
const QString kSteps = QStringLiteral("archive_steps");

bool StepsKept(const Station& st)
{
    return Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.sqlite_master WHERE type = 'table' AND name = ?"),
                  {kSteps})
               .toInt() > 0;
}

bool RemovalCommitted(const Station& st, const MarkedDay& d, const Moved& m)
{
    if (!d.move) return HeaderNote(st, kMain) >= DayNote(d.day, m);
    return StepsKept(st) &&
           Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE move = ? AND letter = ?").arg(Id(kSteps)),
                  {d.move, m.letter})
                   .toInt() > 0;
}

// Inside the removal's transaction.
void RecordRemoval(const Station& st, const MarkedDay& d, const Moved& m)
{
    if (!d.move) {
        SetHeaderNote(st, kMain, std::max(HeaderNote(st, kMain), DayNote(d.day, m)));
        return;
    }
    Exec(st.Db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (move INTEGER NOT NULL, letter TEXT NOT NULL, "
                               "PRIMARY KEY (move, letter))")
                    .arg(Id(kSteps)));
    Exec(st.Db, QStringLiteral("INSERT OR IGNORE INTO main.%1 (move, letter) VALUES (?, ?)").arg(Id(kSteps)),
         {d.move, m.letter});
}

// Once no day is marked, no record is needed: the next start or run clears them.
void ForgetRemovals(const Station& st)
{
    if (StepsKept(st)) Exec(st.Db, QStringLiteral("DELETE FROM main.%1").arg(Id(kSteps)));
}

// Deletes the taken rows from the live table with the removal's record, inside the
// caller's transaction. Returns how many rows left.
int RemoveTaken(const Station& st, const MarkedDay& d, const Moved& m)
{
    QSqlQuery del = Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE %2").arg(Id(m.table.name), kTaken));
    const int removed = del.numRowsAffected();
    del.finish();
    RecordRemoval(st, d, m);
    return removed;
}

// Copies the taken rows into the attached archive and commits it with the copy's
// note; then deletes them from the live table and commits that with the removal's
// record. A ticket the file holds already (by its key) is that ticket: it only
// leaves the live file. Each file commits on its own, so between the two commits
// the rows are in both files: a failure then takes the copies and the note back
// out of the archive; a crash leaves them, and the records tell the next start to
// remove the rows from the live file.
void MoveRows(const Station& st, const MarkedDay& d, const Moved& m, const ArchiveWatch& watch, ArchiveStep copied)
{
    const QString t = Id(m.table.name);
    const QString cols = IdList(m.table.fieldNames());
    // fixed SQL: names from the schema
    const qint64 before = Scalar(st.Db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM %1.%2").arg(Id(kArc), t))
                              .toLongLong();
    const int noteBefore = HeaderNote(st, kArc);
    // fixed SQL: the clauses above, never typed text
    const QString held = QStringLiteral("EXISTS (SELECT 1 FROM %1.%2 AS a WHERE %3)")
                             .arg(Id(kArc), t, m.same(QStringLiteral("a"), QStringLiteral("l")));
    const QString lacking = m.keyed ? QStringLiteral(" AND NOT ") + held : QString();
    int taken = 0;
    {
        Transaction tx(st.Db);
        taken = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE %2").arg(t, kTaken)).toInt();
        const int known =
            m.keyed ? Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 AS l WHERE %2 AND %3").arg(t, kTaken, held))
                          .toInt()
                    : 0;
        // fixed SQL: the clauses above, never typed text
        QSqlQuery ins =
            Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%2 AS l WHERE %4%5 ORDER BY rowid")
                            .arg(Id(kArc), t, cols, kTaken, lacking));
        const int n = ins.numRowsAffected();
        ins.finish();
        if (n != taken - known) throw DbError(QStringLiteral("archive took %1 rows of %2").arg(n).arg(taken - known));
        SetHeaderNote(st, kArc, CopyNote(d, m));
        tx.commit();
    }
    Tell(watch, copied);
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
        } catch (...) {
            // The marker stays; the rows leave the live file at the next start or run.
        }
        throw;
    }
    Tell(watch, Next(copied));
}

// The rows of the attached archive, counted by Token.
TokenCounts ArchivedTokens(const Station& st, const Moved& m)
{
    // fixed SQL: names from the schema
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT %1 FROM %2.%3").arg(IdList(m.identity), Id(kArc), Id(m.table.name)));
    TokenCounts counts;
    while (q.next()) counts.add(Token(q, 0, int(m.identity.size())));
    return counts;
}

// The live rows a marked day takes; with `copied`, its file holds their copies
// already and they only leave the live file.
struct Taken {
    QList<qint64> rows;
    bool copied = false;
};

// The live rows a marked day takes: those it lists that are still live, each as
// often as listed and no more (a live row alike to one moved is another row), or
// every finished row for a day an earlier build marked without a list. The
// move's own records tell which of its commits were made: its note in the day's
// file, the copy; its record in the live file, the removal too. A row is never
// taken because a row alike to it sits in a file: a file without the move's note
// takes copies of all the listed rows, but for a ticket, whose key tells it is the
// same ticket.
Taken RowsOf(const Station& st, const MarkedDay& d, const Moved& m)
{
    if (const auto it = d.listedNow.find(m.letter); it != d.listedNow.end()) return {*it, false};
    if (!d.listed) return {AllFinished(st, m), false};
    const TokenCounts listed(d.rows.value(m.letter));
    const bool copied = CopyCommitted(st, d, m);
    if ((d.move || copied) && RemovalCommitted(st, d, m)) return {{}, true};
    if (copied) return {Listed(st, m, listed), true};
    if (d.move || m.keyed) return {Listed(st, m, listed), false};
    // Passages an earlier build listed, in a file without its note: the copies
    // it holds of them may be from that move, so each listed passage is taken
    // only as often as it is listed beyond its copies there.
    return {Listed(st, m, listed.beyond(ArchivedTokens(st, m))), false};
}

// One table's part of a move: the file made when missing, then the rows moved. A
// move cut short and resumed moves its rows, or only removes them from the live
// file once its records say the copy committed. A marker of an earlier version
// lists no rows: every live row its file holds leaves.
// Throws DbError naming the table and the file.
void MoveTable(const Station& st, const MarkedDay& d, const Moved& m, const ArchiveWatch& watch, ArchiveStep building,
               bool resuming)
{
    const QString path = ArchivePath(st, m.letter, d.day);
    try {
        const bool made = QFileInfo::exists(path);
        if (!made) CreateArchive(path, m.table, [&] { Tell(watch, building); });
        Tell(watch, Next(building));
        Attachment arc(st.Db, path, kArc);
        const Taken rows = RowsOf(st, d, m);
        const TakenRows taken(st.Db, rows.rows);
        if (rows.copied) {
            Transaction tx(st.Db);
            RemoveTaken(st, d, m);
            tx.commit();
            return;
        }
        if (made && resuming && !d.listed) {
            Transaction tx(st.Db);
            RemoveArchivedRows(st, m, kTaken);
            tx.commit();
        }
        MoveRows(st, d, m, watch, Next(Next(building)));
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

// Takes the finished day off the marker, or removes the marker with the last day.
void Unmark(const Station& st, Marker& marker, const QDate& day)
{
    std::erase_if(marker, [&day](const MarkedDay& d) { return d.day == day; });
    try {
        if (!marker.empty()) {
            WriteMarker(st, marker, {});
            return;
        }
        if (!QFile::remove(MarkerPath(st))) throw DbError(QStringLiteral("cannot remove ") + MarkerPath(st));
        DBase::SyncPath(st.ArchiveDir, true);
    } catch (const std::exception& e) {
        throw Failure(QString(), kMarker, e);
    }
}

// A marked day's move, from wherever it stands: each table moved, then the day's
// pruning and reset (with the day after as "today", but never a day after the
// clock's: a clock set back leaves them to the run of a later day), then the day
// taken off the marker. Safe to run again from any step (`resuming`). Throws
// DbError; the day then stays marked. Returns false when 시스템 has no row (the
// totals need no refresh).
bool FinishMove(Station& st, Marker& marker, const MarkedDay& d, const ArchiveWatch& watch, bool resuming)
{
    MoveTable(st, d, Ilban(), watch, ArchiveStep::IlbanBuilding, resuming);
    MoveTable(st, d, Jung(), watch, ArchiveStep::JungBuilding, resuming);
    bool refresh = true;
    const QDate asOf = d.day.addDays(1);
    try {
        if (asOf <= st.clock.now().date()) refresh = PruneAndReset(st, asOf);
    } catch (const std::exception&) {
        // The rest of the day's pruning is skipped; the next day prunes with its own dates.
    }
    Tell(watch, ArchiveStep::Pruned);
    Unmark(st, marker, d.day);
    Tell(watch, ArchiveStep::Unmarked);
    return refresh;
}

// Tickets a damaged marker's day file holds are those very tickets (their
// 입차코드 is the key): they leave the live file and go into no other day's.
void RemoveHeldTickets(const Station& st, const QDate& day)
{
    const QString path = IlbanArchivePath(st, day);
    if (!QFileInfo(path).isFile()) return;
    Attachment arc(st.Db, path, kArc);
    Transaction tx(st.Db);
    RemoveArchivedRows(st, Ilban(), IlbanDone(QString()));
    tx.commit();
}

// Renames a damaged marker out of the way, kept for whoever looks into it, once
// the tickets its days' files hold have left the live file; returns what the
// operator is told. The rows its days still have live go with the next day
// archived, as after a day whose marker could not be written.
QString SetAside(const Station& st, const QList<QDate>& days)
{
    for (const QDate& day : days) RemoveHeldTickets(st, day);
    const QString aside =
        kMarker + QStringLiteral(".damaged-") + st.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(MarkerPath(st), st.ArchiveDir + aside))
        throw DbError(QStringLiteral("cannot set aside ") + MarkerPath(st));
    DBase::SyncPath(st.ArchiveDir, true);
    return QStringLiteral("자료 백업 표시 파일이 손상되어 %1 이름으로 따로 보관했습니다. "
                          "표시된 날의 남은 자료는 새 백업 파일에 함께 보관됩니다.")
        .arg(aside);
}

// The marker as the resume leaves it, and the days a damaged one named: their
// moves were cut short, so a day's file among them does not mean it is archived.
struct Resumed {
    Marker marker;
    QList<QDate> cutShort;
};

// Finishes every marked day, oldest first, each on its own: a day that fails again
// stays marked and the later ones still go. A damaged marker throws, or with
// `setAside` is set aside and told of, leaving no day marked.
Resumed ResumeMarked(Station& st, bool& refresh, QStringList& failures, bool setAside)
{
    RemoveHalfMadeFiles(st);
    Resumed out;
    try {
        try {
            out.marker = ReadMarker(st, st.clock.now().date());
        } catch (const DamagedMarker&) {
            if (!setAside) throw;
            out.cutShort = DaysNamedIn(MarkerPath(st));
            Report(st, SetAside(st, out.cutShort));
        }
    } catch (const std::exception& e) {
        throw Failure(QString(), kMarker, e);
    }
    try {
        if (out.marker.empty()) ForgetRemovals(st);
    } catch (const std::exception&) {
        // Kept until a later start; a record names its own move only.
    }
    const Marker days = out.marker;
    for (const MarkedDay& d : days) {
        try {
            refresh = FinishMove(st, out.marker, d, {}, true) || refresh;
        } catch (const std::exception& e) {
            failures << QString::fromUtf8(e.what());
        }
    }
    return out;
}

// A number no other move is likely to have drawn, nor an earlier build's day note.
qint32 NewMoveNumber() { return qint32(QRandomGenerator::system()->bounded(1u << 30, 1u << 31)); }

// The day's rows: those finished now, but for the ones a marked day takes already.
MarkedDay ListDay(const Station& st, const Marker& marker, const QDate& day)
{
    MarkedDay d{day, true, NewMoveNumber(), {}, {}};
    for (const Moved& m : {Ilban(), Jung()}) {
        TokenCounts claimed;
        for (const MarkedDay& earlier : marker)
            for (const QString& t : earlier.rows.value(m.letter)) claimed.add(t);
        Picked picked = PickByCount(st, m, claimed, false);
        d.rows[m.letter] = std::move(picked.tokens);
        d.listedNow[m.letter] = std::move(picked.rowids);
    }
    return d;
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
    const QDate today = st.clock.now().date();
    const QDate day = today.addDays(-1);
    const QString ilban = IlbanArchivePath(st, day);
    bool refresh = false;
    QStringList failures;
    try {
        Resumed resumed = ResumeMarked(st, refresh, failures, true);  // moves a crash or a failure cut short
        Marker& marker = resumed.marker;
        const bool marked = std::any_of(marker.begin(), marker.end(), [&day](const MarkedDay& d) { return d.day == day; });
        // That day is archived already (exact name: the file system compares case), or
        // marked and failed again above. A day a damaged marker named has its file
        // from a move cut short: the day's rows still live are added to it.
        const bool archived = QFileInfo(ilban).isFile() && !resumed.cutShort.contains(day);
        if (!marked && !archived) {
            const MarkedDay d = ListDay(st, marker, day);
            marker.push_back(d);
            try {
                WriteMarker(st, marker, watch);
            } catch (const std::exception& e) {
                throw Failure(QString(), kMarker, e);
            }
            Tell(watch, ArchiveStep::Marked);
            refresh = FinishMove(st, marker, d, watch, false) || refresh;
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

#include "database/Archive.h"

#include "database/DBase.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/PrivateFiles.h"
#include "platform/SyncPath.h"
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
#include <QUuid>
#include <QtDebug>

#include <algorithm>
#include <limits>
#include <optional>
#include <sys/statvfs.h>
#include <unistd.h>

namespace tolvo {

namespace {

const QString kArc = QStringLiteral("arc");
const QString kSection = QStringLiteral("시스템");
// Lists the days whose moves are under way and the rows each takes, until the day is done.
const QString kMarker = QStringLiteral("archive.moving");
// The live file's records of the removals that committed, one per move and table.
const QString kSteps = QStringLiteral("archive_steps");
// An archive file's own record of each move's copy: the rowids the copy added and
// the live file whose move it was.
const QString kMoves = QStringLiteral("archive_moves");
// The live file's identity, drawn when the file is made. A copy of the file (the
// master copy, and a repair from it) keeps it: it is the same file's history.
const QString kIdentity = QStringLiteral("file_identity");
// Archive files told to the operator or the trace, as they stood when told, so a
// file that stays unreadable or not the station's own is told once.
const QString kNotes = QStringLiteral("archive_notes");
// The engine's number for a full disk; a file of our own that cannot be written
// for want of space is told with it too, so the operator reads one message.
constexpr int kDiskFull = 13;

// A table moved into an archive, and the steps its move tells.
struct ArchivedTable {
    const schema::Table& table;
    // "i" or "j": the first letter of its file, and of its rows' lines in the marker.
    QString letter;
    // The condition of its finished rows.
    QString finished;
    // The fields whose digest names a row in the marker and in a resume.
    QStringList identity;
    // Whether those fields are the table's unique key (a ticket's 입차코드).
    bool keyed;
    ArchiveStep building, created, copied, removed;
};

// Settled exits the host has received (or that are not to be sent).
const QString kIlbanFinished = QStringLiteral("(출차일 <> '') AND (정산구분 = 1) AND (전송여부 = 1)");
// Passages with an exit, or with any verdict other than a normal entry.
const QString kJungFinished = QStringLiteral("(출차일자 <> '') OR (입출상태 <> '정상입차')");

ArchivedTable Ilban()
{
    return {schema::IlbanArchiveTable(), QStringLiteral("i"), kIlbanFinished, {QStringLiteral("입차코드")}, true,
            ArchiveStep::IlbanBuilding, ArchiveStep::IlbanCreated,
            ArchiveStep::IlbanCopied, ArchiveStep::IlbanRemoved};
}
ArchivedTable Jung()
{
    return {schema::JungArchiveTable(), QStringLiteral("j"), kJungFinished, schema::JungArchiveTable().fieldNames(), false,
            ArchiveStep::JungBuilding, ArchiveStep::JungCreated, ArchiveStep::JungCopied,
            ArchiveStep::JungRemoved};
}

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

QString ArchivePath(const Station& st, const QString& letter, const QDate& day)
{
    return st.ArchiveDir + letter + DayText(day) + QStringLiteral(".mdb");
}

QString MarkerPath(const Station& st) { return st.ArchiveDir + kMarker; }

// A rename or a removal is on the disk only once its folder is synced: a step
// that relies on it must not pass as done when the sync fails.
void SyncFolder(const QString& dir)
{
    // told as the engine tells a folder it cannot sync
    if (!SyncPath(dir, true)) throw DbError(QStringLiteral("cannot sync the folder ") + dir, {}, QStringLiteral("1290"));
}

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
    SyncFolder(QFileInfo(path).absolutePath());
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
                      full ? QString::number(kDiskFull) : QString());
    }
    SyncFolder(QFileInfo(path).absolutePath());
}

// ---- What the operator is told ----

// The whole text goes on List1; PnlMsg gets a short form, since it shrinks a long
// line's font past reading.
struct Told {
    QString line, panel;
};

// A failure as the operator is shown it.
struct ArchiveFailure : DbError {
    explicit ArchiveFailure(Told t) : DbError(t.line), told(std::move(t)) {}
    Told told;
};

// What is wrong with the Backup folder, in words; none when nothing is.
std::optional<Told> FolderTrouble(const QString& dir)
{
    if (!QFileInfo(dir).isDir()) return Told{QStringLiteral("백업 폴더가 없습니다"), QStringLiteral("백업 폴더 없음")};
    struct statvfs fs {};
    if (::statvfs(QFile::encodeName(dir).constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY))
        return Told{QStringLiteral("백업 폴더가 읽기 전용입니다"), QStringLiteral("백업 폴더 읽기 전용")};
    if (!FolderWritable(dir))
        return Told{QStringLiteral("백업 폴더에 쓸 권한이 없습니다"), QStringLiteral("백업 폴더 쓰기 권한 없음")};
    return std::nullopt;
}

// The engine's failures a booth meets, in words (whole and short), by the engine's
// result code: a primary code (below 256) matches each of its extended codes.
struct Words {
    int code;
    const char* line;
    const char* panel;
};
constexpr Words kWords[] = {
    {kDiskFull, "디스크 공간이 부족합니다", "디스크 공간 부족"},
    {26, "데이터베이스 파일이 아닙니다", "데이터베이스 파일 아님"},
    {11, "파일이 손상되었습니다", "파일 손상"},
    {8, "파일에 쓸 수 없습니다", "파일에 쓸 수 없음"},
    {10, "디스크에 기록할 수 없습니다", "디스크 기록 실패"},  // any input or output error
    {2067, "같은 자료가 이미 있습니다", "같은 자료가 이미 있음"},  // a unique index
    {1555, "같은 자료가 이미 있습니다", "같은 자료가 이미 있음"},  // a primary key
};
static_assert(kWords[0].code == kDiskFull, "a full disk is told before the folder's troubles");

Told InWords(const Words& w) { return {QString::fromUtf8(w.line), QString::fromUtf8(w.panel)}; }

// Why `e` failed, in words where the station knows them; else the text of our own
// error, without its statement (the caller traces the engine's text and the statement).
Told Reason(const Station& st, const std::exception& e)
{
    const auto* db = dynamic_cast<const DbError*>(&e);
    bool numbered = false;
    const int code = db ? db->nativeCode.toInt(&numbered) : 0;
    const auto is = [numbered, code](int w) { return numbered && (w > 0xff ? code == w : (code & 0xff) == w); };
    // A full disk leaves the folder unwritable too: it is told as what it is.
    if (is(kDiskFull)) return InWords(kWords[0]);
    if (const auto trouble = FolderTrouble(st.ArchiveDir)) return *trouble;
    for (const Words& w : kWords)
        if (is(w.code)) return InWords(w);
    QString text = QString::fromUtf8(e.what());
    if (db && !db->sql.isEmpty()) text.remove(QStringLiteral(" [") + db->sql + QLatin1Char(']'));
    return {text, QString()};
}

// "일반권 자료 백업 실패 (i20260520.mdb): <reason>" on List1, "백업 실패 (i20260520.mdb):
// <short reason>" on PnlMsg. A failure told so already passes as it is.
ArchiveFailure Failure(const Station& st, const QString& what, const QString& file, const std::exception& e)
{
    if (const auto* told = dynamic_cast<const ArchiveFailure*>(&e)) return *told;
    qWarning().noquote() << "archive:" << file << e.what();
    const Told why = Reason(st, e);
    const QString panel = QStringLiteral("백업 실패 (%1)").arg(file);
    return ArchiveFailure({QStringLiteral("%1자료 백업 실패 (%2): %3").arg(what, file, why.line),
                           why.panel.isEmpty() ? panel : panel + QStringLiteral(": ") + why.panel});
}

// ---- A run ----

// What one start or night's run carries from step to step.
struct Run {
    Run(Station& s, ArchiveWatch w) : st(s), watch(std::move(w)) {}
    Station& st;
    const ArchiveWatch watch;
    QString live;              // the live file's identity, read as the run begins
    QSet<qint32> written;      // moves this run copied or finished: pruning keeps their files
    std::vector<Told> told;    // for List1 and PnlMsg, in order
    bool failed = false;       // a move failed: its day stays marked
    bool refresh = false;      // the main screen's totals are stale
};

// A failure not told in words yet concerns the live file.
void Fail(Run& run, const std::exception& e)
{
    run.told.push_back(Failure(run.st, QString(), QFileInfo(run.st.DbPath).fileName(), e).told);
    run.failed = true;
}

// ---- The marker ----

// A day whose move is under way, as the marker holds it. Its rows are the ones
// finished when its run began, so rows finished later go with a later day even
// when this move is finished late. Only a move whose copy has not committed needs
// them: a committed copy is read back from its file.
struct MarkedDay {
    QDate day;
    // Drawn when the day's rows were listed: its copies commit it into each file and
    // its removals into the live file's step records.
    qint32 move = 0;
    QHash<QString, QStringList> rows;  // by letter: each listed row's Token, once per row
};
using Marker = std::vector<MarkedDay>;

// The live rows a run has just listed for its own day, so its move need not find
// them again; never in the marker.
using ListedNow = QHash<QString, QList<qint64>>;

bool IsMarked(const Marker& marker, const QDate& day)
{
    return std::any_of(marker.begin(), marker.end(), [&day](const MarkedDay& d) { return d.day == day; });
}

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
        if (!day.isValid() || IsMarked(days, day)) return QStringLiteral("cannot read \"%1\"").arg(line.left(40));
        days.push_back({day, 0, {}});
        if (!ReadBlock(lines, at, days.back())) return QStringLiteral("the block of %1 is not whole").arg(DayText(day));
    }
    return days.empty() ? QStringLiteral("it names no day") : QString();
}

// Marker text no run wrote (a disk fault or a hand edit): nothing on it is trusted.
struct DamagedMarker : DbError {
    using DbError::DbError;
};

// The marked days, oldest first; none without a marker. Throws DbError when it
// cannot be read, DamagedMarker when its last line is not a matching check or a
// block is not whole.
Marker ReadMarker(const Station& st)
{
    const QString path = MarkerPath(st);
    if (!QFileInfo::exists(path)) return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    const QByteArray text = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw DbError(QStringLiteral("cannot read %1: %2").arg(kMarker, f.errorString()));
    const qsizetype lastLine = text.endsWith('\n') ? text.lastIndexOf('\n', text.size() - 2) + 1 : -1;
    const QByteArray body = lastLine < 0 ? text : text.left(lastLine);
    if (lastLine < 0 || text.mid(lastLine) != kCheck + CheckOf(body) + '\n')
        throw DamagedMarker(kMarker + QStringLiteral(": its check does not match"));
    Marker days;
    const QString damage = ReadDays(body, days);
    if (!damage.isEmpty()) throw DamagedMarker(kMarker + QStringLiteral(": ") + damage);
    std::sort(days.begin(), days.end(), [](const MarkedDay& a, const MarkedDay& b) { return a.day < b.day; });
    return days;
}

// Written whole and synced before the first archive commit it covers; `watch` is
// told Marking once the new text is on the disk, before it takes the old one's place.
void WriteMarker(const Run& run, const Marker& marker)
{
    WriteWhole(MarkerPath(run.st), MarkerText(marker), [&run] { Tell(run.watch, ArchiveStep::Marking); });
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
                                   .arg(IdList(m.identity), Id(m.table.name), m.finished));
    const int end = 1 + int(m.identity.size());
    while (q.next()) {
        const QString token = Token(q, 1, end);
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

// The same note read from the file's first bytes, without opening it: a hint only,
// since a copy cut short can have written it uncommitted (its journal takes it back).
qint32 HeaderHint(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray head = f.read(64);
    if (head.size() < 64 || !head.startsWith(QByteArrayLiteral("SQLite format 3"))) return 0;
    const auto byte = [&head](int i) { return quint32(quint8(head[i])); };
    return qint32(byte(60) << 24 | byte(61) << 16 | byte(62) << 8 | byte(63));
}

bool TableIn(const Station& st, const QString& schema, const QString& table)
{
    return Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM %1.sqlite_master WHERE type = 'table' AND name = ?")
                             .arg(Id(schema)),
                  {table})
               .toInt() > 0;
}

// The live file's identity. A file made without one (by a tool, or by hand) draws
// it now: files of its moves before this have no identity to name it by.
QString LiveIdentity(const Station& st)
{
    const auto read = [&st] {
        return TableIn(st, QStringLiteral("main"), kIdentity)
                   ? Scalar(st.Db, QStringLiteral("SELECT identity FROM main.%1 LIMIT 1").arg(Id(kIdentity))).toString()
                   : QString();
    };
    QString identity = read();
    if (identity.isEmpty()) {
        Transaction tx(st.Db);
        DBase::DrawFileIdentity(st.Db);
        tx.commit();
        identity = read();
    }
    return identity;
}

bool RemovalCommitted(const Station& st, qint32 move, const QString& letter)
{
    return TableIn(st, QStringLiteral("main"), kSteps) &&
           Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM main.%1 WHERE move = ? AND letter = ?").arg(Id(kSteps)),
                  {move, letter})
                   .toInt() > 0;
}

// The live file's removal records, (move, letter) each.
using Removals = QSet<std::pair<qint32, QString>>;
Removals RecordedRemovals(const Station& st)
{
    Removals out;
    if (!TableIn(st, QStringLiteral("main"), kSteps)) return out;
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT move, letter FROM main.%1").arg(Id(kSteps)));
    while (q.next()) out.insert({qint32(q.value(0).toLongLong()), q.value(1).toString()});
    return out;
}

// The identity of the live file whose move `move` the attached file committed a
// copy of; "" when it holds no such copy.
QString MoveOwner(const Station& st, qint32 move)
{
    if (!TableIn(st, kArc, kMoves)) return {};
    return Scalar(st.Db, QStringLiteral("SELECT live FROM %1.%2 WHERE move = ?").arg(Id(kArc), Id(kMoves)), {move})
        .toString();
}

// The rowids of the attached file's table that this live file's `move` added, when
// its copy committed.
std::optional<std::pair<qint64, qint64>> CopiedRows(const Run& run, qint32 move)
{
    if (!TableIn(run.st, kArc, kMoves)) return std::nullopt;
    QSqlQuery q = Query(run.st.Db,
                        QStringLiteral("SELECT first, last FROM %1.%2 WHERE move = ? AND live = ?").arg(Id(kArc), Id(kMoves)),
                        {move, run.live});
    if (!q.next()) return std::nullopt;
    return std::make_pair(q.value(0).toLongLong(), q.value(1).toLongLong());
}

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

// The rows the attached file took in `move` leave the live file: each as often as
// the file holds it, the earliest such finished rows. False when the file holds no
// committed copy of that move.
bool RemoveCopied(const Run& run, qint32 move, const ArchivedTable& m)
{
    const Station& st = run.st;
    const auto rows = CopiedRows(run, move);
    if (!rows) return false;
    QStringList tokens;
    // fixed SQL: names from the schema
    QSqlQuery q = Query(st.Db, QStringLiteral("SELECT %1 FROM %2.%3 WHERE rowid BETWEEN ? AND ?")
                                   .arg(IdList(m.identity), Id(kArc), Id(m.table.name)),
                        {rows->first, rows->second});
    while (q.next()) tokens << Token(q, 0, int(m.identity.size()));
    q.finish();
    const RowsInMove taken(st.Db, ListedLive(st, m, tokens));
    Transaction tx(st.Db);
    RemoveTaken(st, move, m);
    tx.commit();
    return true;
}

// A taken row whose key the attached file holds already (a file placed by hand)
// stands there: it only leaves the live file, in a commit of its own before the
// copy, so the file's unique key never stops the day. Its removal relies on a row
// the file committed, not on this move's copy.
void DropRowsTheFileHolds(const Station& st, const ArchivedTable& m)
{
    const QString t = Id(m.table.name);
    const QString key = IdList(m.identity);
    Transaction tx(st.Db);
    // fixed SQL: names from the schema
    Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE %2 AND (%3) IN (SELECT %3 FROM %4.%1)").arg(t, kInMove, key, Id(kArc)))
        .finish();
    Exec(st.Db, QStringLiteral("DELETE FROM temp.archive_rows WHERE r NOT IN (SELECT rowid FROM main.%1)").arg(t)).finish();
    tx.commit();
}

// Copies the taken rows into the attached archive and commits them with the move's
// own record in the file (the rowids it added, and the move's number in the header);
// then deletes them from the live table and commits that with the removal's record.
// The archive's commit is durable (its folder synced) before the removal
// relies on it. Between the two commits the rows are in both files: a failure then
// takes the copies and the record back out of the archive; a crash leaves them, and
// the file's record tells the next start which rows to remove from the live file.
void CopyAndRemove(const Run& run, qint32 move, const ArchivedTable& m)
{
    const Station& st = run.st;
    const QString t = Id(m.table.name);
    const QString cols = IdList(m.table.fieldNames());
    // fixed SQL: names from the schema
    const qint64 before = Scalar(st.Db, QStringLiteral("SELECT COALESCE(MAX(rowid), 0) FROM %1.%2").arg(Id(kArc), t))
                              .toLongLong();
    const qint32 noteBefore = HeaderNote(st, kArc);
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
        Exec(st.Db, QStringLiteral("CREATE TABLE IF NOT EXISTS %1.%2 (move INTEGER PRIMARY KEY, first INTEGER NOT NULL, "
                                   "last INTEGER NOT NULL, live TEXT NOT NULL)")
                        .arg(Id(kArc), Id(kMoves)));
        Exec(st.Db,
             QStringLiteral("INSERT OR REPLACE INTO %1.%2 (move, first, last, live) VALUES (?, ?, ?, ?)").arg(Id(kArc), Id(kMoves)),
             {move, before + 1, before + taken, run.live});
        SetHeaderNote(st, kArc, move);
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
            Exec(st.Db, QStringLiteral("DELETE FROM %1.%2 WHERE move = ?").arg(Id(kArc), Id(kMoves)), {move}).finish();
            SetHeaderNote(st, kArc, noteBefore);
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

// True when the attached-to-be file at `path` holds a committed copy of `move`.
bool FileHolds(const Run& run, const QString& path, qint32 move)
{
    if (!QFileInfo(path).isFile()) return false;
    try {
        const Attachment arc(run.st.Db, path, kArc);
        return CopiedRows(run, move).has_value();
    } catch (const std::exception& e) {
        // A file that cannot be read holds nothing the station can use; the caller says so.
        qWarning().noquote() << "archive:" << path << e.what();
        return false;
    }
}

// One table's part of a day's move, from wherever it stands: nothing once the
// removal committed (the file is then only checked); the file made when missing;
// the rows its committed copy took removed from the live file; or else the listed
// rows still live copied and removed. `now`, for the run's own day, holds the rows
// just listed. Throws ArchiveFailure naming the table and the file.
void MoveTable(Run& run, const MarkedDay& d, const ArchivedTable& m, const QList<qint64>* now)
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
            return;
        }
        if (!QFileInfo::exists(path)) CreateArchive(path, m.table, [&] { Tell(run.watch, m.building); });
        Tell(run.watch, m.created);
        const Attachment arc(st.Db, path, kArc);
        if (RemoveCopied(run, d.move, m)) return;
        const RowsInMove taken(st.Db, now ? *now : ListedLive(st, m, d.rows.value(m.letter)));
        if (m.keyed) DropRowsTheFileHolds(st, m);
        CopyAndRemove(run, d.move, m);
    } catch (const std::exception& e) {
        throw Failure(st, m.table.name + QLatin1Char(' '), file, e);
    }
}

// True the first time the file at `path` is noted as it now stands (its size and
// times): the live file keeps the note, so a later start or night does not tell
// the same file again. A file changed since is told again.
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

// Every archive file whose header names a move of this live file without a removal
// record has its copy committed and its removal not: the rows it took leave the
// live file. Found from the files alone, so a marker lost or damaged loses nothing
// that was copied. A file another live file wrote (another station's, or this
// station's before its live file was made anew) is left as it is. A file that
// cannot be read is kept in `unreadable`, for the caller to tell.
struct Unreadable {
    QString path;
    Told why;
    QString engine;  // the engine's own text, for the trace
};
void FinishCopiedFiles(Run& run, std::vector<Unreadable>& unreadable)
{
    static const QRegularExpression name(QStringLiteral("^([ij])\\d{8}\\.mdb$"));
    const QDir dir(run.st.ArchiveDir);
    const Removals removed = RecordedRemovals(run.st);
    for (const QString& file : dir.entryList({QStringLiteral("*.mdb")}, QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch n = name.match(file);
        if (!n.hasMatch()) continue;
        const ArchivedTable m = n.captured(1) == QLatin1String("i") ? Ilban() : Jung();
        const QString path = dir.filePath(file);
        // A journal a kill left is rolled back by opening the file: the list
        // screens' read-only connections could not.
        const bool journal = QFileInfo::exists(path + QStringLiteral("-journal"));
        const qint32 hint = HeaderHint(path);
        if (!journal && (hint == 0 || removed.contains({hint, m.letter}))) continue;
        bool own = false;
        try {
            const Attachment arc(run.st.Db, path, kArc);
            const qint32 move = HeaderNote(run.st, kArc);
            if (move == 0 || removed.contains({move, m.letter})) continue;
            own = MoveOwner(run.st, move) == run.live;
            if (!own) {
                if (FirstNote(run.st, path))
                    qWarning().noquote() << "archive:" << file << "was written by another station's live file; left as it is";
                continue;
            }
            if (!RemoveCopied(run, move, m)) continue;
            run.written << move;
            run.refresh = true;
        } catch (const std::exception& e) {
            // Once the file is known to hold this station's copy, its rows stand in
            // both files until the removal goes through: a failure of the day's work.
            if (own)
                Fail(run, Failure(run.st, m.table.name + QLatin1Char(' '), file, e));
            else
                unreadable.push_back({path, Reason(run.st, e), QString::fromUtf8(e.what())});
        }
    }
}

// A file the scan could not read, told once unless it is a marked day's own or the
// run's day's, whose move tells its failure itself. Not a failure of any day.
void TellUnreadable(Run& run, const std::vector<Unreadable>& unreadable, const Marker& marker, const QDate& runDay)
{
    for (const auto& [path, why, engine] : unreadable) {
        const QFileInfo fi(path);
        const QDate day = QDate::fromString(fi.fileName().mid(1, 8), QStringLiteral("yyyyMMdd"));
        if (day == runDay || IsMarked(marker, day) || !FirstNote(run.st, path)) continue;
        qWarning().noquote() << "archive:" << fi.fileName() << engine;
        const QString panel = QStringLiteral("읽기 실패 (%1)").arg(fi.fileName());
        run.told.push_back({QStringLiteral("백업 파일을 읽을 수 없습니다 (%1): %2").arg(fi.fileName(), why.line),
                            why.panel.isEmpty() ? panel : panel + QStringLiteral(": ") + why.panel});
    }
}

void Report(Station& st, const Told& told)
{
    st.screen.appendList1(told.line);
    st.screen.setText(QStringLiteral("PnlMsg"), told.panel);
}

// True when a move still relies on the archive file: one of this run's, one whose
// day is marked, or one whose removal has not committed.
bool InUse(const Run& run, const Marker& marker, const QString& path, const QString& letter, const QDate& day)
{
    if (IsMarked(marker, day)) return true;
    const qint32 move = HeaderHint(path);
    return move != 0 && (run.written.contains(move) || !RemovalCommitted(run.st, move, letter));
}

// Removes the pair of archive files of `day`, each unless a move relies on it, the
// folder synced so a power cut does not bring them back. The removal records of
// their moves stay: a few rows a day, and no new move draws their numbers.
void RemoveOldPair(const Run& run, const Marker& marker, const QDate& day)
{
    bool removed = false;
    for (const QString& letter : {QStringLiteral("i"), QStringLiteral("j")}) {
        const QString path = ArchivePath(run.st, letter, day);
        if (!QFileInfo(path).isFile()) continue;
        if (InUse(run, marker, path, letter, day)) {
            qWarning().noquote() << "archive: kept" << path << "- a move still relies on it";
            continue;
        }
        if (!QFile::remove(path)) throw DbError(QStringLiteral("cannot remove ") + path);
        removed = true;
    }
    if (removed) SyncFolder(run.st.ArchiveDir);
}

// Steps after the moves; throws on any failure (the caller then goes on to the refresh).
// Returns false when 시스템 has no row (nothing more is done, not even the refresh).
bool PruneAndReset(Run& run, const Marker& marker, const QDate& today)
{
    Station& st = run.st;
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

    // The pair written on the day that has just left the retention.
    RemoveOldPair(run, marker, statsEdge.addDays(-1));

    Write_Ini(st.IniPath, kSection, QStringLiteral("분실권번호"), QStringLiteral("9000"));
    return true;
}

// Rewrites the marker as it now stands, or removes it once no day is left, its
// folder synced either way.
void SaveMarker(const Run& run, const Marker& marker)
{
    try {
        if (!marker.empty()) {
            WriteMarker(run, marker);
        } else {
            if (!QFile::remove(MarkerPath(run.st))) throw DbError(QStringLiteral("cannot remove ") + kMarker);
            SyncFolder(run.st.ArchiveDir);
        }
    } catch (const std::exception& e) {
        throw Failure(run.st, QString(), kMarker, e);
    }
}

// A marked day's move, from wherever it stands: each table moved, then the day's
// pruning and reset as of the day after, then the day taken off the marker. While
// that day after is later than the clock's today (a clock set back), the day stays
// marked with nothing left to move, and its pruning and reset wait for a start or
// run whose clock reaches it. Safe to run again from any step. Throws DbError; the
// day then stays marked.
void FinishMove(Run& run, Marker& marker, const MarkedDay& d, const ListedNow* now)
{
    for (const ArchivedTable& m : {Ilban(), Jung()}) {
        const auto listed = now ? now->constFind(m.letter) : ListedNow::const_iterator();
        MoveTable(run, d, m, now && listed != now->constEnd() ? &*listed : nullptr);
    }
    const auto it = std::find_if(marker.begin(), marker.end(), [&d](const MarkedDay& x) { return x.day == d.day; });
    const QDate asOf = d.day.addDays(1);
    if (asOf > run.st.clock.now().date()) {
        if (!it->rows.value(QStringLiteral("i")).isEmpty() || !it->rows.value(QStringLiteral("j")).isEmpty()) {
            it->rows.clear();
            SaveMarker(run, marker);
        }
        Tell(run.watch, ArchiveStep::Pruned);
        run.refresh = true;
        return;
    }
    try {
        run.refresh = PruneAndReset(run, marker, asOf) || run.refresh;
    } catch (const std::exception& e) {
        // The day's rows are archived; what is left of its pruning waits for no one:
        // the next day's run prunes with its own dates.
        qWarning().noquote() << "archive: pruning of" << DayText(d.day) << "stopped:" << e.what();
        run.refresh = true;
    }
    Tell(run.watch, ArchiveStep::Pruned);
    marker.erase(it);
    SaveMarker(run, marker);
    Tell(run.watch, ArchiveStep::Unmarked);
}

// A number no move in the marker or the live file's records holds.
qint32 NewMoveNumber(const Station& st, const Marker& marker)
{
    QSet<qint32> taken;
    for (const auto& removal : RecordedRemovals(st)) taken << removal.first;
    for (const MarkedDay& d : marker) taken << d.move;
    qint32 n = 0;
    do n = qint32(QRandomGenerator::system()->bounded(1u << 30, 1u << 31));
    while (taken.contains(n));
    return n;
}

// A damaged marker is renamed aside, whole, its folder synced. Nothing on it is
// trusted: what was copied has left the live file already (FinishCopiedFiles), and
// the rows not copied are still live and go with the next day's run.
void SetAside(Run& run)
{
    const QString stamp = run.st.clock.now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = kMarker + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(run.st.ArchiveDir + aside); ++n)
        aside = kMarker + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(MarkerPath(run.st), run.st.ArchiveDir + aside))
        throw DbError(QStringLiteral("cannot rename %1 to %2").arg(kMarker, aside));
    SyncFolder(run.st.ArchiveDir);
    run.told.push_back({QStringLiteral("자료 백업 표시 파일이 손상되어 %1 이름으로 따로 보관했습니다. "
                                       "아직 옮기지 않은 자료는 다음 날의 백업 파일에 보관됩니다.")
                            .arg(aside),
                        QStringLiteral("백업 표시 파일 손상: 따로 보관함")});
}

// Half-made archive files and markers a kill left, with their journals.
void RemoveHalfMadeFiles(const Station& st)
{
    QDir dir(st.ArchiveDir);
    const QStringList parts =
        dir.entryList({QStringLiteral("*.part"), QStringLiteral("*.part-journal")}, QDir::Files | QDir::Hidden);
    for (const QString& f : parts) QFile::remove(dir.filePath(f));
}

// Finishes what a crash or a failure cut short: first the copies every file of
// this live file committed, then every marked day, oldest first, each on its own
// (a day that fails again stays marked, told, and the later ones still go). A
// damaged marker is set aside. `runDay` is the day the caller moves next, if any.
// Returns the marker as it is left. Throws when the live file's identity or the
// marker cannot be read, or the marker cannot be set aside.
Marker ResumeMarked(Run& run, const QDate& runDay)
{
    RemoveHalfMadeFiles(run.st);
    run.live = LiveIdentity(run.st);
    std::vector<Unreadable> unreadable;
    FinishCopiedFiles(run, unreadable);
    Marker marker;
    try {
        marker = ReadMarker(run.st);
    } catch (const DamagedMarker& damaged) {
        qWarning().noquote() << "archive:" << damaged.what();
        try {
            SetAside(run);
        } catch (const std::exception& e) {
            throw Failure(run.st, QString(), kMarker, e);
        }
    } catch (const std::exception& e) {
        throw Failure(run.st, QString(), kMarker, e);
    }
    TellUnreadable(run, unreadable, marker, runDay);
    const Marker days = marker;
    for (const MarkedDay& d : days) {
        try {
            FinishMove(run, marker, d, nullptr);
        } catch (const std::exception& e) {
            Fail(run, e);
        }
    }
    return marker;
}

// Shows what the run told and refreshes the totals when rows moved.
bool Finish(Run& run)
{
    if (run.refresh) run.st.screen.refreshTotals();
    for (const Told& told : run.told) Report(run.st, told);
    return !run.failed;
}

} // namespace

QString IlbanArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("i"), day); }

QString JungArchivePath(const Station& st, const QDate& day) { return ArchivePath(st, QStringLiteral("j"), day); }

void DBase::Create_IlbanArchive(const QString& path) { CreateArchive(path, schema::IlbanArchiveTable()); }

void DBase::Create_JungArchive(const QString& path) { CreateArchive(path, schema::JungArchiveTable()); }

void DBase::DrawFileIdentity(const QSqlDatabase& db)
{
    Exec(db, QStringLiteral("CREATE TABLE IF NOT EXISTS main.%1 (identity TEXT NOT NULL)").arg(Id(kIdentity)));
    Exec(db, QStringLiteral("DELETE FROM main.%1").arg(Id(kIdentity)));
    Exec(db, QStringLiteral("INSERT INTO main.%1 (identity) VALUES (?)").arg(Id(kIdentity)),
         {QUuid::createUuid().toString(QUuid::WithoutBraces)});
}

bool Archive_Resume(Station& st)
{
    Run run{st, {}};
    try {
        ResumeMarked(run, QDate());
    } catch (const std::exception& e) {
        Fail(run, e);
    }
    return Finish(run);
}

bool Archive_DayData(Station& st) { return Archive_DayDataSteps(st, {}); }

bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch)
{
    const QDate day = st.clock.now().date().addDays(-1);
    Run run{st, watch};
    try {
        Marker marker = ResumeMarked(run, day);
        // That day is archived already (exact name: the file system compares case), or
        // marked and failed again above.
        if (!IsMarked(marker, day) && !QFileInfo(IlbanArchivePath(st, day)).isFile()) {
            MarkedDay d{day, NewMoveNumber(st, marker), {}};
            ListedNow now;
            for (const ArchivedTable& m : {Ilban(), Jung()}) {
                LiveRows rows = UnlistedLive(st, m, marker);
                d.rows[m.letter] = std::move(rows.tokens);
                now[m.letter] = std::move(rows.rowids);
            }
            marker.push_back(d);
            try {
                WriteMarker(run, marker);
            } catch (const std::exception& e) {
                throw Failure(st, QString(), kMarker, e);
            }
            Tell(watch, ArchiveStep::Marked);
            FinishMove(run, marker, d, &now);
        }
    } catch (const std::exception& e) {
        Fail(run, e);
    }
    // A day not archived keeps its rows live and its pruning and reset wait.
    return Finish(run);
}

} // namespace tolvo

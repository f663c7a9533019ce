#include "database/Archive.h"

#include "database/DBase.h"
#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <algorithm>
#include <unistd.h>

namespace tolvo {

namespace {

const QString kArc = QStringLiteral("arc");
const QString kSection = QStringLiteral("시스템");
// Names the archive pair a move is under way into, until the live rows are gone.
const QString kMarker = QStringLiteral("archive.moving");

// A table moved into an archive: which rows are finished, and how a row of the
// archive is known to be the same row as a live one.
struct Moved {
    const schema::Table& table;
    // Finished rows, columns prefixed with `p` ("" or "m.").
    QString (*done)(const QString& p);
    // The same row in `a` and `b` (aliases or table names).
    QString (*same)(const QString& a, const QString& b);
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

Moved Ilban() { return {schema::IlbanArchiveTable(), IlbanDone, IlbanSame}; }
Moved Jung() { return {schema::JungArchiveTable(), JungDone, JungSame}; }

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

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

QString MarkerPath(const Station& st) { return st.ArchiveDir + kMarker; }

// Written whole and synced before the first archive commit, so that a start after
// a power cut knows which day's move to finish.
void WriteMarker(const Station& st, const QStringList& files, const ArchiveWatch& watch)
{
    const QString path = MarkerPath(st);
    const QString tmp = path + QStringLiteral(".part");
    QFile f(tmp);
    const QByteArray text = files.join(QLatin1Char('\n')).toUtf8() + '\n';
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

// The day a marker's file names carry ("i20260520.mdb"); throws when it names none.
QDate MarkedDay(const QString& marker)
{
    QFile f(marker);
    if (!f.open(QIODevice::ReadOnly)) throw DbError(QStringLiteral("cannot read ") + marker);
    const QStringList files = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& name : files) {
        const QDate day = QDate::fromString(name.mid(1, 8), QStringLiteral("yyyyMMdd"));
        if (day.isValid()) return day;
    }
    throw DbError(QStringLiteral("no day named in ") + marker);
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

// Deletes from the live table the finished rows the attached archive holds.
int RemoveArchivedRows(const Station& st, const Moved& m)
{
    const QString t = Id(m.table.name);
    // fixed SQL: the clauses above, never typed text
    QSqlQuery del = Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE (%2) AND EXISTS (SELECT 1 FROM %3.%1 AS a WHERE %4)")
                                    .arg(t, m.done(QString()), Id(kArc), m.same(QStringLiteral("a"), t)));
    const int n = del.numRowsAffected();
    del.finish();
    return n;
}

// Takes back out of the attached archive the rows that are still live.
void TakeBackCopiedRows(const Station& st, const Moved& m)
{
    const QString t = Id(m.table.name);
    // fixed SQL: as above
    Exec(st.Db, QStringLiteral("DELETE FROM %3.%1 WHERE EXISTS (SELECT 1 FROM main.%1 AS m WHERE (%2) AND %4)")
                    .arg(t, m.done(QStringLiteral("m.")), Id(kArc), m.same(QStringLiteral("m"), t)))
        .finish();
}

// Copies the finished rows into the attached archive and commits it; then deletes
// the rows the archive holds from the live table and commits that. Each file
// commits on its own, so between the two commits the rows are in both files: a
// failure then takes the copies back out of the archive; a crash leaves them, and
// the marker has the next start remove them from the live file.
void MoveRows(const Station& st, const Moved& m, const ArchiveWatch& watch, ArchiveStep copied)
{
    const QString cols = IdList(m.table.fieldNames());
    int n = 0;
    {
        Transaction tx(st.Db);
        // fixed SQL: the clauses above, never typed text
        QSqlQuery ins = Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%2 WHERE %4")
                                        .arg(Id(kArc), Id(m.table.name), cols, m.done(QString())));
        n = ins.numRowsAffected();
        ins.finish();
        tx.commit();
    }
    Tell(watch, copied);
    try {
        Transaction tx(st.Db);
        const int removed = RemoveArchivedRows(st, m);
        if (removed != n) throw DbError(QStringLiteral("archive copied %1 rows but would delete %2").arg(n).arg(removed));
        tx.commit();
    } catch (...) {
        try {
            Transaction tx(st.Db);
            TakeBackCopiedRows(st, m);
            tx.commit();
        } catch (...) {
            // The marker stays; the rows leave the live file at the next start or run.
        }
        throw;
    }
    Tell(watch, Next(copied));
}

// One table's part of a move: the file made when missing, then the rows moved. When
// a move cut short is resumed, a file made before may hold rows still live: they
// leave first (only then: a passage alike in every field to one archived earlier is
// another passage).
// Throws DbError naming the table and the file.
void MoveTable(const Station& st, const QString& path, const Moved& m, const ArchiveWatch& watch, ArchiveStep building,
               bool resuming)
{
    try {
        const bool made = QFileInfo::exists(path);
        if (!made) CreateArchive(path, m.table, [&] { Tell(watch, building); });
        Tell(watch, Next(building));
        Attachment arc(st.Db, path, kArc);
        if (made && resuming) {
            Transaction tx(st.Db);
            RemoveArchivedRows(st, m);
            tx.commit();
        }
        MoveRows(st, m, watch, Next(Next(building)));
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

// A marked move of `day`'s rows, from wherever it stands: each table moved, then the
// day's pruning and reset (with the day after as "today"), then the marker removed.
// Safe to run again from any step (`resuming`). Throws DbError; the marker then
// stays. Returns false when 시스템 has no row (the totals need no refresh).
bool FinishMove(Station& st, const QDate& day, const ArchiveWatch& watch, bool resuming)
{
    MoveTable(st, IlbanArchivePath(st, day), Ilban(), watch, ArchiveStep::IlbanBuilding, resuming);
    MoveTable(st, JungArchivePath(st, day), Jung(), watch, ArchiveStep::JungBuilding, resuming);
    bool refresh = true;
    try {
        refresh = PruneAndReset(st, day.addDays(1));
    } catch (const std::exception&) {
        // The rest of the day's pruning is skipped; the next day prunes with its own dates.
    }
    Tell(watch, ArchiveStep::Pruned);
    if (!QFile::remove(MarkerPath(st)))
        throw Failure(QString(), kMarker, DbError(QStringLiteral("cannot remove ") + MarkerPath(st)));
    DBase::SyncPath(st.ArchiveDir, true);
    Tell(watch, ArchiveStep::Unmarked);
    return refresh;
}

} // namespace

QString IlbanArchivePath(const Station& st, const QDate& day)
{
    return st.ArchiveDir + QStringLiteral("i") + DayText(day) + QStringLiteral(".mdb");
}

QString JungArchivePath(const Station& st, const QDate& day)
{
    return st.ArchiveDir + QStringLiteral("j") + DayText(day) + QStringLiteral(".mdb");
}

void DBase::Create_IlbanArchive(const QString& path) { CreateArchive(path, schema::IlbanArchiveTable()); }

void DBase::Create_JungArchive(const QString& path) { CreateArchive(path, schema::JungArchiveTable()); }

bool Archive_Resume(Station& st)
{
    RemoveHalfMadeFiles(st);
    const QString marker = MarkerPath(st);
    if (!QFileInfo::exists(marker)) return false;
    QDate day;
    try {
        day = MarkedDay(marker);
    } catch (const std::exception& e) {
        throw Failure(QString(), kMarker, e);
    }
    return FinishMove(st, day, {}, true);
}

bool Archive_DayData(Station& st) { return Archive_DayDataSteps(st, {}); }

bool Archive_DayDataSteps(Station& st, const ArchiveWatch& watch)
{
    const QDate today = st.clock.now().date();
    const QDate day = today.addDays(-1);
    const QString ilban = IlbanArchivePath(st, day);
    bool refresh = false;
    try {
        refresh = Archive_Resume(st);  // a move a crash or a failure cut short
        // That day is archived already (exact name: the file system compares case).
        if (!QFileInfo(ilban).isFile()) {
            try {
                WriteMarker(st, {QFileInfo(ilban).fileName(), QFileInfo(JungArchivePath(st, day)).fileName()}, watch);
            } catch (const std::exception& e) {
                throw Failure(QString(), kMarker, e);
            }
            Tell(watch, ArchiveStep::Marked);
            refresh = FinishMove(st, day, watch, false);
        }
    } catch (const std::exception& e) {
        // The day stays not archived: its rows stay live, its pruning and reset wait.
        Report(st, QString::fromUtf8(e.what()));
        return false;
    }
    if (refresh) st.screen.refreshTotals();
    return true;
}

} // namespace tolvo

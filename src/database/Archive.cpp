#include "database/Archive.h"

#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "core/Station.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>

#include <algorithm>

namespace tolvo {

namespace {

const QString kArc = QStringLiteral("arc");
const QString kSection = QStringLiteral("시스템");

// Settled exits the host has received (or that are not to be sent).
const QString kIlbanDone = QStringLiteral("(출차일 <> '') AND (정산구분 = 1) AND (전송여부 = 1)");
// Passages with an exit, or with any verdict other than a normal entry.
const QString kJungDone = QStringLiteral("(출차일자 <> '') OR (입출상태 <> '정상입차')");

QString DayText(const QDate& d) { return d.toString(QStringLiteral("yyyyMMdd")); }

void CreateArchive(const QString& path, const schema::Table& table)
{
    if (QFileInfo::exists(path)) throw DbError(QStringLiteral("archive file exists already: ") + path);
    try {
        ScopedConnection c(path);
        schema::CreateTable(c.db(), table);
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

// Copies the finished rows into the attached archive and deletes exactly those from
// the live table, in one transaction over both files. Returns the rows moved.
int MoveRows(const Station& st, const QString& path, const schema::Table& table, const QString& where)
{
    const QString cols = IdList(table.fieldNames());
    Attachment arc(st.Db, path, kArc);
    Transaction tx(st.Db);
    // fixed SQL: `where` is one of the clauses above, never typed text
    QSqlQuery ins = Exec(st.Db, QStringLiteral("INSERT INTO %1.%2 (%3) SELECT %3 FROM main.%2 WHERE %4")
                                    .arg(Id(kArc), Id(table.name), cols, where));
    const int copied = ins.numRowsAffected();
    ins.finish();
    // fixed SQL: as above
    QSqlQuery del = Exec(st.Db, QStringLiteral("DELETE FROM main.%1 WHERE %2").arg(Id(table.name), where));
    if (del.numRowsAffected() != copied)
        throw DbError(QStringLiteral("archive copied %1 rows but would delete %2").arg(copied).arg(del.numRowsAffected()));
    del.finish();
    tx.commit();
    return copied;
}

void Report(Station& st, const QString& line)
{
    st.screen.appendList1(line);
    st.screen.setText(QStringLiteral("PnlMsg"), line);
}

// Ensures the archive file exists, then moves the rows; a failure is reported and the rows stay live.
void ArchiveTable(Station& st, const QString& path, const schema::Table& table, const QString& where)
{
    try {
        if (!QFileInfo::exists(path)) CreateArchive(path, table);
        MoveRows(st, path, table, where);
    } catch (const std::exception& e) {
        Report(st, QStringLiteral("%1 자료 백업 실패 (%2): %3")
                       .arg(table.name, QFileInfo(path).fileName(), QString::fromUtf8(e.what())));
    }
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

void Archive_DayData(Station& st)
{
    const QDate today = st.clock.now().date();
    const QDate day = today.addDays(-1);
    const QString ilban = IlbanArchivePath(st, day);
    // That day is archived already (exact name: the file system compares case).
    if (QFileInfo(ilban).isFile()) return;

    ArchiveTable(st, ilban, schema::IlbanArchiveTable(), kIlbanDone);
    ArchiveTable(st, JungArchivePath(st, day), schema::JungArchiveTable(), kJungDone);

    try {
        if (!PruneAndReset(st, today)) return;
    } catch (const std::exception&) {
        // The rest of the day's pruning is skipped; the next day prunes with its own dates.
    }
    st.screen.refreshTotals();
}

} // namespace tolvo

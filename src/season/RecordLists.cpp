#include "season/RecordLists.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "database/Schema.h"
#include "platform/Vb.h"

#include <QSqlError>

namespace tolvo {

namespace {

const QString kAdministrator = QStringLiteral("관리자");
const QString kRefused =
    QStringLiteral(" FROM 정기권입출차 WHERE (입출상태 <> '정상입차') AND (입출상태 <> '정상출차') ORDER BY 입차일자, 입차시간");

QString Blanks(int n) { return QString(n, QLatin1Char(' ')); }

QString Today(const Station& st) { return FormatDate(st.clock.now().date()); }

RowSet ReadArchive(const QString& path, const QString& sql)
{
    const auto conn = OpenDayArchive(path);
    return ReadRows(conn->db(), sql);
}

} // namespace

PagedQuery IlOutLive(const QSqlDatabase& db)
{
    return {db, QStringLiteral("일반권"), QStringLiteral("출차일 <> ''"), QStringLiteral("출차일, 출차시간")};
}

DayRows LoadDayRows(Station& st, const QString& dayText, char prefix, const QString& sql, bool readLive)
{
    const DayChoice c = Day_Choose(st, dayText, prefix);
    if (c.source == DaySource::Archive) {
        try {
            return {ReadArchive(c.archivePath, sql), c.day, DaySource::Archive};
        } catch (const DbError&) {
            // A folder, or a file that cannot be opened or read: no rows of that day, as when it is missing.
            Day_ReportMissing(st, dayText);
        }
    }
    return {readLive ? ReadRows(st.Db, sql) : RowSet{}, Today(st), DaySource::Live};
}

QString CountText(qint64 n) { return QString::number(n) + QStringLiteral("건"); }

QString BListCountText(qint64 n) { return QStringLiteral(" 자료건수 : ") + CountText(n); }

ListPrintout IlList_OutPrintout(const RowSet& rows, const QDateTime& printedAt)
{
    ListPrintout out;
    out.rows = rows.count();
    out.emptyCaption = QStringLiteral("자료검색");
    out.emptyText = QStringLiteral("출차자료가 존재하지 않습니다.");
    out.body = LongFrameHead(QStringLiteral("[일반권 출차 차량]"), kExitRowHeader, printedAt, false);
    qint64 total = 0;
    for (qint64 i = 0; i < rows.count(); ++i) {
        ExitRow r{rows.text(i, QStringLiteral("티켓번호")), rows.text(i, QStringLiteral("입차일")),
                  rows.text(i, QStringLiteral("입차시간")), rows.text(i, QStringLiteral("출차일")),
                  rows.text(i, QStringLiteral("출차시간")), rows.value(i, QStringLiteral("실수령금액")).toLongLong()};
        total += r.amount;
        out.body.push_back(PrintLine(ExitRowLine(r)));
    }
    const PrintOps totals = LongFrameTotals(rows.count(), total);
    out.body.insert(out.body.end(), totals.begin(), totals.end());
    return out;
}

ListPrintout IlList_InPrintout(const RowSet& rows, const QDateTime& printedAt)
{
    ListPrintout out;
    out.rows = rows.count();
    out.emptyCaption = QStringLiteral("자료검색");
    out.emptyText = QStringLiteral("미출차 자료가 존재하지 않습니다.");
    out.body = LongFrameHead(QStringLiteral("[일반권 미출차 차량]"), QStringLiteral("   티켓번호      입 차 일 시"),
                             printedAt, false);
    for (qint64 i = 0; i < rows.count(); ++i)
        out.body.push_back(PrintLine(Blanks(5) + rows.text(i, QStringLiteral("티켓번호")) + Blanks(5) +
                                     rows.text(i, QStringLiteral("입차일")) + Blanks(1) +
                                     rows.text(i, QStringLiteral("입차시간"))));
    const PrintOps totals = LongFrameTotals(rows.count(), std::nullopt);
    out.body.insert(out.body.end(), totals.begin(), totals.end());
    return out;
}

bool IlList_Delete(Station& st, const RowSet& inRows, qint64 row)
{
    if (st.worker.WorkerName != kAdministrator || row < 0 || row >= inRows.count()) return false;
    const QString question = QStringLiteral("일반권 데이터를 삭제하시겠습니까?  주차권번호 : ") +
                             inRows.text(row, QStringLiteral("티켓번호"));
    st.ConfirmResult = st.msgs.MBox(question, QStringLiteral("일반권 데이터삭제"));
    if (!st.ConfirmResult) return false;
    Exec(st.Db, QStringLiteral("DELETE FROM 일반권 WHERE 입차코드 = ?"), {inRows.value(row, QStringLiteral("입차코드"))});
    return true;
}

namespace {

struct ShortList {
    const char* title;
    const char* header1;
    const char* header2;
    // Second row line: first field, blanks, second field[, blanks, third field].
    std::vector<std::pair<int, const char*>> line2;
};

ListPrintout ShortPrintout(const RowSet& rows, const ShortList& l)
{
    ListPrintout out;
    out.rows = rows.count();
    out.body = ShortFrameHead(QString::fromUtf8(l.title), QString::fromUtf8(l.header1), QString::fromUtf8(l.header2));
    for (qint64 i = 0; i < rows.count(); ++i) {
        auto f = [&](const char* name) { return rows.text(i, QString::fromUtf8(name)); };
        out.body.push_back(PrintLine(Blanks(1) + f("정기권번호") + Blanks(5) + f("차량번호") + Blanks(3) + f("이름")));
        QString line;
        for (const auto& [blanks, field] : l.line2) line += Blanks(blanks) + f(field);
        out.body.push_back(PrintLine(line));
    }
    return out;
}

const char* const kSeasonHeader1 = " 정기권번호       차량번호       운전자 ";

} // namespace

ListPrintout JioList_OutPrintout(const RowSet& rows)
{
    return ShortPrintout(rows, {"  [정기권 출차 차량] ", kSeasonHeader1, " 입차일자/입차시간   출차일자/출차시간",
                                {{1, "입차일자"}, {1, "입차시간"}, {5, "출차일자"}, {1, "출차시간"}}});
}

ListPrintout JioList_InPrintout(const RowSet& rows)
{
    return ShortPrintout(rows, {"  정기권 입차 차량 ", kSeasonHeader1, " 입차일자       입차시간",
                                {{1, "입차일자"}, {5, "입차시간"}}});
}

ListPrintout BList_Printout(const RowSet& rows, bool exits)
{
    if (exits)
        return ShortPrintout(rows, {" [정기권 부정 출차차량] ", kSeasonHeader1, " 출차일자       출차시간      입출상태",
                                    {{1, "출차일자"}, {5, "출차시간"}, {10, "입출상태"}}});
    return ShortPrintout(rows, {" [정기권 부정 입차차량] ", kSeasonHeader1, " 입차일자       입차시간      입출상태",
                                {{1, "입차일자"}, {5, "입차시간"}, {10, "입출상태"}}});
}

void BList_Clear(Station& st) { Exec(st.Db, QStringLiteral("DELETE FROM 임시정기권입출차")); }

QString BList_Load(Station& st, const QString& dayText)
{
    const QStringList fields = schema::Fields(QStringLiteral("임시정기권입출차"));
    const QString sql = QStringLiteral("SELECT ") + IdList(fields) + kRefused;
    const DayRows day = LoadDayRows(st, dayText, kJungPrefix, sql);
    Transaction t(st.Db);
    BList_Clear(st);
    QStringList marks;
    for (qsizetype i = 0; i < fields.size(); ++i) marks << QStringLiteral("?");
    QSqlQuery insert(st.Db);
    insert.prepare(QStringLiteral("INSERT INTO 임시정기권입출차 (") + IdList(fields) + QStringLiteral(") VALUES (") +
                   marks.join(QLatin1Char(',')) + QLatin1Char(')'));
    for (const QVariantList& row : day.rows.rows) {
        for (qsizetype i = 0; i < row.size(); ++i) insert.bindValue(static_cast<int>(i), row[i]);
        if (!insert.exec()) throw DbError(insert.lastError().text(), insert.lastQuery());
    }
    t.commit();
    return day.day;
}

RowSet BList_Side(Station& st, bool exits)
{
    return ReadRows(st.Db, QStringLiteral("SELECT * FROM 임시정기권입출차 WHERE 입출구분 = ? ORDER BY rowid"),
                    {exits ? 1 : 0});
}

} // namespace tolvo

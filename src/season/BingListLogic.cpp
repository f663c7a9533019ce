#include "season/BingListLogic.h"

#include "core/Sql.h"
#include "core/Station.h"

namespace tolvo {

namespace {

constexpr int kAmountColumn = 7;

ExitRow exitRow(const BingRow& r)
{
    return {r.cells[0], r.cells[1], r.cells[2], r.cells[3], r.cells[4], r.amount};
}

} // namespace

std::vector<BingRow> BingList_Load(const QSqlDatabase& db, const QDate& day)
{
    QStringList fields;
    for (const BingColumn& c : kBingColumns) fields << QString::fromUtf8(c.field);
    QSqlQuery q = Query(db,
                        QStringLiteral("SELECT %1 FROM 출차취소 WHERE substr(종료일시, 1, 10) = ? ORDER BY 출차시간")
                            .arg(IdList(fields)),
                        {day.toString(QStringLiteral("yyyy-MM-dd"))});
    std::vector<BingRow> rows;
    while (q.next()) {
        BingRow r;
        for (size_t i = 0; i < r.cells.size(); ++i) r.cells[i] = q.value(static_cast<int>(i)).toString();
        const QVariant amount = q.value(kAmountColumn);
        r.amount = amount.isNull() ? 0 : amount.toLongLong();
        rows.push_back(std::move(r));
    }
    return rows;
}

PrintOps BingList_Body(const std::vector<BingRow>& rows, const QDateTime& printedAt)
{
    PrintOps ops = LongFrameHead(kBingTitle, kExitRowHeader, printedAt, true);
    qint64 total = 0;
    for (const BingRow& r : rows) {
        ops.push_back(PrintLine(ExitRowLine(exitRow(r))));
        total += r.amount;
    }
    const PrintOps totals = LongFrameTotals(static_cast<qint64>(rows.size()), total);
    ops.insert(ops.end(), totals.begin(), totals.end());
    return ops;
}

bool BingList_Print(Station& st, const std::vector<BingRow>& rows)
{
    ListPrintout list;
    list.rows = static_cast<qint64>(rows.size());
    if (!rows.empty()) list.body = BingList_Body(rows, st.clock.now());
    return Print_List(st, list);
}

} // namespace tolvo

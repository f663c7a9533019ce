#include "settlement/Reprint.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "settlement/Settlement.h"
#include "settlement/Totals.h"

namespace tolvo {

namespace {

const QString kRange = QStringLiteral(" WHERE 종료일시 >= ? AND 종료일시 <= ? AND 정산여부 = 1");

qint64 whole(const QVariant& v) { return v.isNull() ? 0 : v.toLongLong(); }

BandLines bandSums(const QSqlDatabase& db, const QString& table, const QVariantList& range)
{
    QStringList sums;
    for (int k = 1; k <= 10; ++k) sums << QStringLiteral("SUM(건수%1), SUM(금액%1)").arg(k);
    QSqlQuery q = Query(db, QStringLiteral("SELECT %1 FROM %2").arg(sums.join(QStringLiteral(", ")), Id(table)) + kRange,
                        range);
    BandLines b;
    if (!q.next()) return b;
    for (size_t k = 0; k < 10; ++k) {
        b.count[k] = whole(q.value(static_cast<int>(2 * k)));
        b.money[k] = whole(q.value(static_cast<int>(2 * k + 1)));
    }
    return b;
}

SectionHead reprintHead(const QString& title, const QDate& from, const QDate& to, int blankLines,
                        const QString& columns)
{
    return {title,
            true,
            QStringLiteral("영업시작일 : ") + from.toString(QStringLiteral("yyyy-MM-dd")),
            QStringLiteral("영업종료일 : ") + to.toString(QStringLiteral("yyyy-MM-dd")),
            QStringLiteral("관리자"),
            PrintOps(static_cast<size_t>(blankLines), PrintLine(QString())),
            columns};
}

void append(PrintOps& to, const PrintOps& more) { to.insert(to.end(), more.begin(), more.end()); }


} // namespace

RangeSnapshot Reprint_Snapshot(const QSqlDatabase& db, const QDate& from, const QDate& to)
{
    const QVariantList range{RangeFrom(from), RangeTo(to)};
    RangeSnapshot r;
    QSqlQuery d = Query(db, QStringLiteral("SELECT 명칭, SUM(건수), SUM(금액) FROM 할인현황") + kRange +
                                QStringLiteral(" GROUP BY 명칭 ORDER BY 명칭"),
                        range);
    while (d.next()) r.discounts.push_back({d.value(0).toString(), whole(d.value(1)), whole(d.value(2))});
    d.finish();
    QSqlQuery h = Query(db, QStringLiteral("SELECT 시간대, SUM(일반권입차수), SUM(일반권출차수), SUM(금액) FROM 시간대별") +
                                kRange + QStringLiteral(" GROUP BY 시간대 ORDER BY 시간대"),
                        range);
    while (h.next())
        r.hours.push_back({h.value(0).toInt(), whole(h.value(1)), whole(h.value(2)), whole(h.value(3))});
    h.finish();
    r.duration = bandSums(db, QStringLiteral("주차시간대별"), range);
    r.amount = bandSums(db, QStringLiteral("금액대별"), range);
    return r;
}

std::vector<ReportSection> Reprint_Sections(const RangeSnapshot& r, const ReportSwitches& sw, const QDate& from,
                                            const QDate& to)
{
    std::vector<ReportSection> out{{QString(), {PrintCut(0)}}};
    const auto section = [&](const QString& status, const SectionHead& head, const PrintOps& body) {
        ReportSection s{status, SectionHeadOps(head)};
        append(s.ops, body);
        s.ops.push_back(PrintCut(0));
        out.push_back(std::move(s));
    };
    if (sw.discount)
        section(kDiscountStatus, reprintHead(kDiscountTitle, from, to, 2, DiscountColumns()),
                DiscountLinesOps(r.discounts));
    if (sw.hourly)
        section(kHourlyStatus, reprintHead(kHourlyTitle, from, to, 2, HourlyColumns()),
                HourLinesOps(r.hours, sw.hourlyAll));
    if (sw.duration)
        section(kDurationStatus, reprintHead(kDurationTitle, from, to, 1, BandColumns(false)),
                BandLinesOps(r.duration, false));
    if (sw.amount)
        section(kAmountStatus, reprintHead(kAmountTitle, from, to, 1, BandColumns(true)), BandLinesOps(r.amount, true));
    return out;
}

bool Jungsan_Command2(Station& st, SettlementView& view, const QDate& from, const QDate& to)
{
    try {
        view.showTotals(Totals_Range(st.Db, from, to));
        {
            BusyCursor busy(view);
            const auto opts = LoadReportOptions(st.Db);
            PrinterJob job(st);
            if (!job.ok() || !opts) return false;
            for (const ReportSection& s : Reprint_Sections(Reprint_Snapshot(st.Db, from, to), opts->switches, from, to)) {
                if (!s.status.isEmpty()) view.setStatus(s.status);
                job.play(s.ops);
            }
            if (const auto fresh = LoadReportOptions(st.Db))
                job.play(Report_Footer(fresh->shop, st.worker.WorkerName));
        }
        view.setStatus(kReprintDoneStatus);
        view.refreshTotals();
        return true;
    } catch (const std::exception& e) {
        st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("자료검색 오류"));
        return false;
    }
}

} // namespace tolvo

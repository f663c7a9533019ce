#include "settlement/Settlement.h"

#include "core/SettingsFile.h"
#include "core/Sql.h"
#include "core/Station.h"
#include "core/StatsPeriod.h"
#include "platform/Vb.h"
#include "serial/PrintFrame.h"
#include "settlement/Report.h"

namespace tolvo {

namespace {

const char* const kStatTables[] = {"시간대별", "주차시간대별", "금액대별", "할인현황"};


QString nowStamp(const Station& st) { return FormatDateTime(st.clock.now()); }

// The worker code on every open row, cancellations included.
void stampWorker(const Station& st)
{
    Transaction tx(st.Db);
    for (const char* t : kStatTables)
        Exec(st.Db, QStringLiteral("UPDATE %1 SET 근무자코드 = ? WHERE 정산여부 = 0").arg(Id(QString::fromUtf8(t))),
             {st.worker.WorkerCode});
    Exec(st.Db, QStringLiteral("UPDATE 출차취소 SET 근무자코드 = ? WHERE 정산구분 = 0"), {st.worker.WorkerCode});
    tx.commit();
}

// The end of the period on every open row.
void stampEnd(const Station& st, const QString& end)
{
    Transaction tx(st.Db);
    for (const char* t : kStatTables)
        Exec(st.Db, QStringLiteral("UPDATE %1 SET 종료일시 = ? WHERE 정산여부 = 0").arg(Id(QString::fromUtf8(t))), {end});
    Exec(st.Db, QStringLiteral("UPDATE 출차취소 SET 종료일시 = ? WHERE 정산구분 = 0"), {end});
    tx.commit();
}

// The start of the open period, from its own hourly rows (whatever printed).
QVariant openPeriodStart(const Station& st)
{
    for (const char* t : kStatTables) {
        const QVariant v = Scalar(st.Db, QStringLiteral("SELECT MIN(시작일시) FROM %1 WHERE 정산여부 = 0 "
                                                        "AND 시작일시 <> ''").arg(Id(QString::fromUtf8(t))));
        if (!v.isNull() && !v.toString().isEmpty()) return v;
    }
    return QVariant(QMetaType(QMetaType::QString)); // no open period: Null, never an empty text
}

void markStats(const Station& st, const QString& table, bool send, const QString& end)
{
    const QString set = send ? QStringLiteral("정산여부 = 1") : QStringLiteral("전송여부 = 1, 정산여부 = 1");
    Exec(st.Db, QStringLiteral("UPDATE %1 SET %2, 포스코드 = ?, 종료일시 = ? WHERE 정산여부 = 0").arg(Id(table), set),
         {st.models.PosCode, end});
}

// Steps after the settlement is committed: the next worker takes over.
void handOver(Station& st)
{
    if (st.screens.frmLogin) st.screens.frmLogin(st);
    try {
        Transaction tx(st.Db);
        for (const char* t : kStatTables)
            Exec(st.Db, QStringLiteral("UPDATE %1 SET 근무자코드 = ?, 근무자명 = ? WHERE 정산여부 = 0")
                            .arg(Id(QString::fromUtf8(t))),
                 {st.worker.WorkerCode, st.worker.WorkerName});
        tx.commit();
    } catch (const DbError& e) {
        st.msgs.Msg_Box(e.message(), QStringLiteral("Tarvola"));
    }
    st.screen.refreshTotals();
    st.settings.InOpenCount = 0;
    st.settings.OutOpenCount = 0;
    Write_Ini(st, kIniSection, QStringLiteral("입차열림"), QStringLiteral("0"));
    Write_Ini(st, kIniSection, QStringLiteral("출차열림"), QStringLiteral("0"));
}

// Prints the report of the stamped period; false when there is nothing to
// print on (no printer or no print options). The job is closed on every path.
bool printReport(Station& st, SettlementView& view, const std::optional<ReportOptions>& opts)
{
    PrinterJob job(st);
    if (!job.ok() || !opts) return false;
    stampEnd(st, nowStamp(st));
    view.refreshTotals();
    const ReportContext ctx{st.worker.WorkerName, st.settings.InOpenCount, st.settings.OutOpenCount,
                            st.settings.KeepRecords, st.clock.now()};
    for (const ReportSection& s : Report_Sections(Report_Snapshot(st.Db), opts->switches, ctx)) {
        if (!s.status.isEmpty()) view.setStatus(s.status);
        job.play(s.ops);
    }
    if (const auto fresh = LoadReportOptions(st.Db)) job.play(Report_Footer(fresh->shop, st.worker.WorkerName));
    return true;
}

} // namespace

void Settle_MarkPeriod(Station& st, const QString& periodEnd)
{
    // The switches as they stand after printing.
    const auto opts = LoadReportOptions(st.Db);
    const ReportSwitches sw = opts ? opts->switches : ReportSwitches{};
    const bool keep = st.settings.KeepRecords;
    {
        Transaction tx(st.Db);
        const QVariant start = openPeriodStart(st);
        Exec(st.Db, QStringLiteral("UPDATE 일반권 SET 정산구분 = 1 WHERE (출차일 <> '') AND (정산구분 = 0)"));
        markStats(st, QStringLiteral("시간대별"), sw.sendHourly, periodEnd);
        markStats(st, QStringLiteral("주차시간대별"), sw.sendDuration, periodEnd);
        markStats(st, QStringLiteral("금액대별"), sw.sendAmount, periodEnd);
        markStats(st, QStringLiteral("할인현황"), true, periodEnd);
        if (keep)
            Exec(st.Db, QStringLiteral("UPDATE 출차취소 SET 근무자코드 = ?, 근무자명 = ?, 정산구분 = 1, 시작일시 = ?, "
                                       "종료일시 = ? WHERE 정산구분 = 0"),
                 {st.worker.WorkerCode, st.worker.WorkerName, start, periodEnd});
        Stats_NewPeriod(st);
        Exec(st.Db, QStringLiteral("DELETE FROM 임시일반권"));
        tx.commit();
    }
    // Only committed rows are offered to the host.
    if (sw.sendHourly) st.HostPending[HostTIME] = true;
    if (sw.sendDuration) st.HostPending[HostPKTIME] = true;
    if (sw.sendAmount) st.HostPending[HostPAMT] = true;
    st.HostPending[HostDISC] = true;
    if (keep) st.HostPending[HostCANCEL] = true;
}

SettleResult Jungsan_Command1(Station& st, SettlementView& view, int index)
{
    if (index != 0 && index != 2) return SettleResult::Closed;
    try {
        const auto opts = LoadReportOptions(st.Db);
        stampWorker(st);
        if (index == 2) {
            view.unload();
            return SettleResult::Closed;
        }
        {
            BusyCursor busy(view);
            if (!printReport(st, view, opts)) return SettleResult::NoPrinter;
            view.setStatus(kSettleDoneStatus);
        }
        if (!st.msgs.MBox(kSettleQuestion, QStringLiteral("영업마감"))) return SettleResult::Refused;
        Settle_MarkPeriod(st, nowStamp(st));
    } catch (const std::exception& e) {
        st.msgs.Msg_Box(QString::fromUtf8(e.what()), QStringLiteral("Tarvola"));
        if (index == 2) view.unload();
        return SettleResult::Failed;
    }
    view.refreshTotals();
    view.unload();
    handOver(st);
    return SettleResult::Settled;
}

} // namespace tolvo

#pragma once

#include "common/TestStation.h"
#include "core/Sql.h"
#include "core/StatsPeriod.h"
#include "platform/Cp949.h"
#include "serial/FakeComm.h"
#include "serial/Printer.h"
#include "settlement/Settlement.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace tolvo::test {

// Print-out helpers of the report tests.
inline QString sp(int n) { return QString(n, ' '); }
inline const QString eq46(46, '=');
inline const QString dash46(46, '-');
inline PrintOp L(const QString& t) { return PrintLine(t); }
inline PrintOp Big(const QString& t) { return PrintLine(t, 1); }
inline void ExpectSameOps(const PrintOps& got, const PrintOps& expected)
{
    ASSERT_EQ(got.size(), expected.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], expected[i]) << "line " << i << ": [" << got[i].text.toStdString() << "]";
}

// What the settlement did to its screen.
struct RecordingSettlementView : SettlementView {
    void setStatus(const QString& t) override { statuses << t; }
    void setBusy(bool on) override { busy = on; ++busyChanges; }
    void refreshTotals() override { ++refreshed; }
    void showTotals(const PeriodTotals& t) override { shownTotals.push_back(t); }
    void unload() override { ++unloaded; }
    QStringList statuses;
    bool busy = false;
    int busyChanges = 0;
    int refreshed = 0;
    int unloaded = 0;
    std::vector<PeriodTotals> shownTotals;
};

// A small period opened at 08:00 on 2026-01-05 by 근무자1 before the booth's POS
// number (2) was known, settled at 18:30: two exits and one car still inside, a
// cash row, a discount, a coupon, some hourly and band counts, two cancelled
// exits; the printer is the day file. Switches that could be confused differ:
// the duration bands print and are not sent, the amount bands are sent and not
// printed; the two gate-open counts differ.
// Beside it, in every table, rows of the period settled the day before at POS 1
// by 근무자2, with counts of their own: nothing of today's may read or touch them.
class SettleStation : public TestStation {
public:
    SettleStation() : TestStation(Db::Fresh, QDateTime(QDate(2026, 1, 5), QTime(8, 0)))
    {
        for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황", "할인키", "출차취소", "일반권", "임시일반권"})
            Exec(st.Db, QString("DELETE FROM ") + t);
        st.worker.WorkerName = "근무자1";
        st.worker.WorkerCode = 1;
        st.models.PosCode = 0;
        st.settings.KeepRecords = true;
        st.settings.InOpenCount = 2;
        st.settings.OutOpenCount = 3;
        Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'TM-T88', 사용여부 = 1");
        Exec(st.Db, "UPDATE 인쇄옵션 SET 상호 = '한빛주차장', 주소 = '서울시 중구', 사업자번호 = '123-45-67890', "
                    "할인현황인쇄여부 = 1, 시간대별인쇄여부 = 1, 시간대별전체인쇄여부 = 0, 주차시간대별인쇄여부 = 1, "
                    "금액대별인쇄여부 = 0, 출차취소인쇄여부 = 1, 시간대별전송 = 1, 주차시간대별전송 = 0, 금액대별전송 = 1");
        settledDayBefore();
        Stats_NewPeriod(st);
        st.models.PosCode = 2;
        fillPeriod();
        clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 30)));
        st.screens.frmLogin = [this](Station& s) {
            ++logins;
            s.worker.WorkerCode = 4;
            s.worker.WorkerName = "근무자4";
        };
    }

    QString dayFile() const
    {
        QFile f(st.DataPath + "2026-01-05.txt");
        return f.open(QIODevice::ReadOnly) ? cp949::decode(f.readAll()) : QString();
    }
    qint64 rows(const QString& sql) const { return value(sql).toLongLong(); }

    FakeComm fake = InstallFakeComm(st);
    RecordingSettlementView view;
    int logins = 0;

private:
    // Stored before the open period, so that they come first in table order.
    void settledDayBefore()
    {
        const Row worker{{"근무자코드", 2}, {"근무자명", "근무자2"}, {"시작일시", "2026-01-04 07:00"},
                         {"종료일시", "2026-01-04 20:00"}, {"전송여부", true}};
        const auto stat = [&](const char* table, Row row) {
            row.insert(row.end(), worker.begin(), worker.end());
            row.insert(row.end(), {{"정산여부", true}, {"포스코드", 1}});
            Insert(st.Db, table, row);
        };
        stat("시간대별", {{"시간대", 9}, {"일련번호", 2}, {"일반권입차수", 6}, {"일반권출차수", 5}, {"금액", 12000}});
        stat("시간대별", {{"시간대", 14}, {"일련번호", 7}, {"일반권입차수", 4}, {"일반권출차수", 3}, {"금액", 800}});
        stat("주차시간대별", {{"건수2", 6}, {"금액2", 6600}, {"건수9", 1}, {"금액9", 25000}});
        stat("금액대별", {{"건수3", 5}, {"금액3", 9000}, {"건수10", 1}, {"금액10", 45000}});
        stat("할인현황", {{"명칭", "현금출차"}, {"할인종류", 0}, {"건수", 9}, {"금액", 27000}});
        stat("할인현황", {{"명칭", "상가쿠폰"}, {"할인종류", 1}, {"건수", 4}, {"금액", 0}});
        Row cancel{{"티켓번호", "0005"}, {"입차일", "2026-01-04"}, {"입차시간", "06:50"}, {"출차일", "2026-01-04"},
                   {"출차시간", "07:40"}, {"입차코드", "0005202601040650"}, {"실수령금액", 3300}, {"정산구분", true}};
        cancel.insert(cancel.end(), worker.begin(), worker.end());
        Insert(st.Db, "출차취소", cancel);
    }

    void fillPeriod()
    {
        const QString start = "2026-01-05 08:00";
        const std::tuple<const char*, int, int, int> discounts[] = {
            {"현금출차", 0, 3, 7000}, {"경차할인", 0, 1, 1500}, {"상가쿠폰", 1, 2, 0}};
        for (const auto& [name, kind, count, money] : discounts)
            Insert(st.Db, "할인현황", {{"근무자명", "근무자1"}, {"근무자코드", 1}, {"명칭", name}, {"할인종류", kind},
                                      {"건수", count}, {"금액", money}, {"포스코드", 0}, {"시작일시", start}});
        Exec(st.Db, "UPDATE 시간대별 SET 일반권입차수 = 2, 일반권출차수 = 1, 금액 = 3000, 대수 = 1 WHERE 시간대 = 9 AND 정산여부 = 0");
        Exec(st.Db, "UPDATE 시간대별 SET 일반권출차수 = 2, 금액 = 5500, 대수 = 2 WHERE 시간대 = 10 AND 정산여부 = 0");
        Exec(st.Db, "UPDATE 시간대별 SET 정기권입차수 = 1 WHERE 시간대 = 11 AND 정산여부 = 0");
        Exec(st.Db, "UPDATE 시간대별 SET 일반권입차수 = 4 WHERE 시간대 = 12 AND 정산여부 = 0"); // entries only
        Exec(st.Db, "UPDATE 주차시간대별 SET 건수2 = 1, 금액2 = 1000, 건수5 = 2, 금액5 = 4000 WHERE 정산여부 = 0");
        Exec(st.Db, "UPDATE 금액대별 SET 건수1 = 1, 금액1 = 0, 건수3 = 2, 금액3 = 5500 WHERE 정산여부 = 0");
        const std::tuple<const char*, const char*, const char*, const char*, const char*, int> cancels[] = {
            {"0007", "2026-01-05", "08:10", "2026-01-05", "09:20", 2000},
            {"0012", "2026-01-04", "22:00", "2026-01-05", "07:30", 1234567}};
        for (const auto& [no, inDate, inTime, outDate, outTime, amount] : cancels)
            Insert(st.Db, "출차취소", {{"티켓번호", no}, {"입차일", inDate}, {"입차시간", inTime}, {"출차일", outDate},
                                      {"출차시간", outTime}, {"입차코드", QString(no) + "20260105" + "0810"},
                                      {"실수령금액", amount}, {"정산구분", false}});
        const std::tuple<const char*, QVariant> tickets[] = {{"0001", "2026-01-05"}, {"0002", "2026-01-05"},
                                                             {"0003", QVariant()}};
        for (const auto& [no, outDate] : tickets)
            Insert(st.Db, "일반권", {{"티켓번호", no}, {"입차일", "2026-01-05"}, {"입차시간", "08:30"},
                                    {"출차일", outDate}, {"입차코드", QString(no) + "202601050830"},
                                    {"정산구분", false}, {"전송여부", false}});
        Insert(st.Db, "임시일반권", {{"티켓번호", "0002"}, {"입차코드", "0002202601050830"}});
    }
};

} // namespace tolvo::test

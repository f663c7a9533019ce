#include "settlement/SettlementFixture.h"

#include "settlement/Reprint.h"
#include "settlement/Totals.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {


struct Discount {
    const char* name;
    int kind, count, money;
};

// Periods settled on 2026-01-05 18:30, 2026-01-06 00:00 and 2026-01-06 23:59, and
// the open period after them with large sums that no reprint may show, stamped
// 2026-01-06 12:00 by a settlement that was refused.
class Reprint : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"}) Exec(ts.st.Db, QString("DELETE FROM ") + t);
        period("2026-01-05 18:30", {{9, 2, 1, 3000}}, {{"현금출차", 0, 3, 7000}, {"상가쿠폰", 1, 2, 0}}, 1000);
        period("2026-01-06 00:00", {{9, 1, 1, 2000}, {23, 0, 1, 500}}, {{"현금출차", 0, 1, 2000}, {"상가쿠폰", 0, 1, 500}}, 0);
        period("2026-01-06 23:59", {{23, 1, 0, 250}}, {}, 0);
        period("2026-01-06 12:00", {{9, 900, 900, 900000}}, {{"현금출차", 0, 900, 900000}}, 900000, false);
        Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 출차취소인쇄여부 = 1");
        ts.st.worker.WorkerName = "근무자1";
    }
    void period(const QString& end, const std::vector<HourLine>& hours, const std::vector<Discount>& discounts,
                int band2Money, bool settled = true)
    {
        Stats_NewPeriod(ts.st);
        for (const HourLine& h : hours)
            Exec(ts.st.Db, "UPDATE 시간대별 SET 일반권입차수 = ?, 일반권출차수 = ?, 금액 = ? WHERE 시간대 = ? AND 정산여부 = 0",
                 {h.in, h.out, h.money, h.hour});
        for (const Discount& d : discounts)
            Insert(ts.st.Db, "할인현황", {{"명칭", d.name}, {"할인종류", d.kind}, {"건수", d.count}, {"금액", d.money}});
        for (const char* t : {"주차시간대별", "금액대별"})
            if (band2Money) Exec(ts.st.Db, QString("UPDATE %1 SET 건수2 = 1, 금액2 = ? WHERE 정산여부 = 0").arg(t), {band2Money});
        for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"})
            Exec(ts.st.Db, QString("UPDATE %1 SET 정산여부 = ?, 종료일시 = ? WHERE 정산여부 = 0").arg(t), {settled, end});
    }
    std::vector<ReportSection> sections(const QDate& from, const QDate& to)
    {
        ReportSwitches sw = LoadReportOptions(ts.st.Db)->switches;
        sw.amount = true; // the fixture leaves it off; here every section prints
        return Reprint_Sections(Reprint_Snapshot(ts.st.Db, from, to), sw, from, to);
    }
    static PrintOps head(const QString& title, const QString& from, const QString& to, int blanks, const QString& cols)
    {
        PrintOps ops{L(""), Big(title), Big("       [전체통계]"), L(""), L("영업시작일 : " + from),
                     L("영업종료일 : " + to), L("담당자 : 관리자")};
        for (int i = 0; i < blanks; ++i) ops.push_back(L(""));
        ops.insert(ops.end(), {L(eq46), L(cols), L(eq46)});
        return ops;
    }

    SettleStation ts;
};

const QString kHourCols = "    시 간 대       입차    출차       금  액 ";
const QString kDiscCols = "할인항목                 건수         금액";

TEST_F(Reprint, SettledPeriodsOfTheRangeSummedPerLine)
{
    const auto s = sections(QDate(2026, 1, 5), QDate(2026, 1, 6));
    ASSERT_EQ(s.size(), 5u); // no cancellation section, whatever its switch
    ExpectSameOps(s[0].ops, {PrintCut(0)});

    // Discount and coupon rows of one name are one line; names in order.
    PrintOps discount = head("  [할인항목별 출차현황]", "2026-01-05", "2026-01-06", 2, kDiscCols);
    discount.insert(discount.end(), {L("상가쿠폰" + sp(12) + sp(7) + "3" + sp(15) + "500"),
                                     L("현금출차" + sp(12) + sp(7) + "4" + sp(13) + "9,000"), L(dash46),
                                     L("[합   계]" + sp(11) + sp(7) + "7" + sp(13) + "9,500"), L(dash46), PrintCut(0)});
    EXPECT_EQ(s[1].status, "할인현황 인쇄중 입니다.....");
    ExpectSameOps(s[1].ops, discount);

    PrintOps hourly = head("  [시간대별 출차현황]", "2026-01-05", "2026-01-06", 2, kHourCols);
    hourly.insert(hourly.end(), {L("[09:00 - 09:59]" + sp(7) + "3" + sp(7) + "2" + sp(8) + "5,000"),
                                 L("[23:00 - 23:59]" + sp(7) + "1" + sp(7) + "1" + sp(10) + "750"), L(dash46),
                                 L("[  합     계  ]" + sp(7) + "4" + sp(7) + "3" + sp(8) + "5,750"), L(dash46),
                                 PrintCut(0)});
    ExpectSameOps(s[2].ops, hourly);

    // The band sections sum likewise; their layout is the settlement report's.
    EXPECT_EQ(s[3].ops[12], L("[00:10 - 00:19]" + sp(12) + "1" + sp(13) + "1,000"));
    EXPECT_EQ(s[3].ops[22], L("[합         계]" + sp(12) + "1" + sp(13) + "1,000"));
    EXPECT_EQ(s[4].ops.size(), 11u + 10u + 4u);
    EXPECT_EQ(s[4].ops[12], L("[1000원 이하  ]" + sp(12) + "1" + sp(13) + "1,000"));
    EXPECT_EQ(s[4].ops[22], L("[합         계]" + sp(12) + "1" + sp(13) + "1,000"));
}

TEST_F(Reprint, PeriodClosedAtMidnightBelongsToItsOwnDay)
{
    const auto s = sections(QDate(2026, 1, 6), QDate(2026, 1, 6));
    EXPECT_EQ(s[2].ops[12].text, "[09:00 - 09:59]" + sp(7) + "1" + sp(7) + "1" + sp(8) + "2,000");
    EXPECT_EQ(s[2].ops[13].text, "[23:00 - 23:59]" + sp(7) + "1" + sp(7) + "1" + sp(10) + "750");
    const PeriodTotals t = Totals_Range(ts.st.Db, QDate(2026, 1, 6), QDate(2026, 1, 6));
    EXPECT_EQ(t.generalIn, "2");
    EXPECT_EQ(t.money, "2750");
    EXPECT_EQ(Totals_Range(ts.st.Db, QDate(2026, 1, 5), QDate(2026, 1, 5)).money, "3000");
}

TEST_F(Reprint, EmptyRangePrintsHeadsAndZeroTotals)
{
    const auto s = sections(QDate(2026, 1, 7), QDate(2026, 1, 9));
    ASSERT_EQ(s.size(), 5u);
    PrintOps discount = head("  [할인항목별 출차현황]", "2026-01-07", "2026-01-09", 2, kDiscCols);
    discount.insert(discount.end(),
                    {L(dash46), L("[합   계]" + sp(11) + sp(7) + "0" + sp(17) + "0"), L(dash46), PrintCut(0)});
    ExpectSameOps(s[1].ops, discount);
    EXPECT_EQ(s[2].ops[13].text, "[  합     계  ]" + sp(7) + "0" + sp(7) + "0" + sp(12) + "0");
    const PeriodTotals t = Totals_Range(ts.st.Db, QDate(2026, 1, 7), QDate(2026, 1, 9));
    EXPECT_EQ(t.generalIn, "");
    EXPECT_EQ(t.money, "");
}

TEST_F(Reprint, ClickPrintsToTheDayFileAndChangesNothing)
{
    const qint64 before = ts.rows("SELECT total_changes()");
    ASSERT_TRUE(Jungsan_Command2(ts.st, ts.view, QDate(2026, 1, 5), QDate(2026, 1, 6)));
    EXPECT_EQ(ts.rows("SELECT total_changes()"), before);
    ASSERT_EQ(ts.view.shownTotals.size(), 1u);
    EXPECT_EQ(ts.view.shownTotals[0].money, "5750");
    EXPECT_EQ(ts.view.statuses,
              QStringList({"할인현황 인쇄중 입니다.....", "시간대별 인쇄중 입니다.....", "주차시간대별 인쇄중 입니다.....",
                           "완료되었습니다"}));
    EXPECT_EQ(ts.view.refreshed, 1);
    EXPECT_FALSE(ts.view.busy);
    const QStringList lines = ts.dayFile().split("\r\n");
    EXPECT_EQ(lines[2], "       [전체통계]");
    EXPECT_FALSE(lines.contains("    [일반권 출차취소]"));
    EXPECT_EQ(lines[lines.size() - 3], "근 무 자   : 근무자1");
}

TEST_F(Reprint, WithoutAPrinterTheRangeTotalsStay)
{
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c', 사용여부 = 0");
    EXPECT_FALSE(Jungsan_Command2(ts.st, ts.view, QDate(2026, 1, 5), QDate(2026, 1, 6)));
    EXPECT_EQ(ts.view.shownTotals.size(), 1u);
    EXPECT_EQ(ts.view.refreshed, 0);
    EXPECT_TRUE(ts.view.statuses.isEmpty());
    EXPECT_FALSE(ts.view.busy);
    EXPECT_EQ(ts.dayFile(), "");
}

TEST_F(Reprint, DatabaseErrorIsShownUnderItsCaption)
{
    Exec(ts.st.Db, "ALTER TABLE 할인현황 RENAME TO 할인현황_old");
    EXPECT_FALSE(Jungsan_Command2(ts.st, ts.view, QDate(2026, 1, 5), QDate(2026, 1, 6)));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "자료검색 오류");
    EXPECT_FALSE(ts.view.busy);
}

} // namespace

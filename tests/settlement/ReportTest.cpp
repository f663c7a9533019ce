#include "settlement/SettlementFixture.h"

#include "settlement/Report.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {



// Each switch of 인쇄옵션 read from its own field: one field on, the rest off.
TEST(ReportOptions, EachFieldTurnsOnItsOwnSwitch)
{
    SettleStation ts;
    const std::pair<const char*, bool ReportSwitches::*> fields[] = {
        {"할인현황인쇄여부", &ReportSwitches::discount}, {"시간대별인쇄여부", &ReportSwitches::hourly},
        {"시간대별전체인쇄여부", &ReportSwitches::hourlyAll}, {"주차시간대별인쇄여부", &ReportSwitches::duration},
        {"금액대별인쇄여부", &ReportSwitches::amount}, {"출차취소인쇄여부", &ReportSwitches::cancel},
        {"시간대별전송", &ReportSwitches::sendHourly}, {"주차시간대별전송", &ReportSwitches::sendDuration},
        {"금액대별전송", &ReportSwitches::sendAmount}};
    for (const auto& [on, member] : fields) {
        for (const auto& [field, unused] : fields) Exec(ts.st.Db, QString("UPDATE 인쇄옵션 SET %1 = 0").arg(field));
        Exec(ts.st.Db, QString("UPDATE 인쇄옵션 SET %1 = 1").arg(on));
        const ReportSwitches sw = LoadReportOptions(ts.st.Db)->switches;
        for (const auto& [field, other] : fields) EXPECT_EQ(sw.*other, other == member) << on << " on, " << field;
    }
}

// The report of the fixture's period by section, each section's end stamp its
// own table's.
class ReportGolden : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::pair<const char*, const char*> ends[] = {
            {"할인현황", "18:30"}, {"시간대별", "18:31"}, {"주차시간대별", "18:32"}, {"금액대별", "18:33"}};
        for (const auto& [t, end] : ends)
            Exec(ts.st.Db, QString("UPDATE %1 SET 종료일시 = '2026-01-05 %2' WHERE 정산여부 = 0").arg(t, end));
        ctx = {"근무자1", 2, 3, true, QDateTime(QDate(2026, 1, 5), QTime(18, 30))};
        sw = LoadReportOptions(ts.st.Db)->switches;
        sw.amount = true; // the fixture leaves it off; here every section prints
    }
    std::vector<ReportSection> sections() { return Report_Sections(Report_Snapshot(ts.st.Db), sw, ctx); }
    static PrintOps head(const QString& centredTitle, const QString& end, int blanksAfter, const QString& columns)
    {
        PrintOps ops{L(""), Big(centredTitle), L(""), L("영업시작일시 : 2026-01-05 08:00"),
                     L("영업종료일시 : 2026-01-05 " + end), L("담당자 : 근무자1")};
        for (int i = 0; i < blanksAfter; ++i) ops.push_back(L(""));
        ops.insert(ops.end(), {L(eq46), L(columns), L(eq46)});
        return ops;
    }

    SettleStation ts;
    ReportContext ctx;
    ReportSwitches sw;
};

TEST_F(ReportGolden, EverySectionLineByLine)
{
    const auto s = sections();
    ASSERT_EQ(s.size(), 6u);
    ExpectSameOps(s[0].ops, {PrintCut(0)});

    PrintOps discount{L(""), Big("  [할인항목별 출차현황]"), L(""), L("영업시작일시 : 2026-01-05 08:00"),
                      L("영업종료일시 : 2026-01-05 18:30"), L("담당자 : 근무자1"), L(""), L(""),
                      L("입차열림건수 : 2"), L("출차열림건수 : 3"), L(""), L(""), L(eq46),
                      L("할인항목                 건수         금액"), L(eq46),
                      L("현금출차" + sp(12) + sp(7) + "3" + sp(13) + "7,000"),
                      L("경차할인" + sp(12) + sp(7) + "1" + sp(13) + "1,500"), L(dash46),
                      L("[합   계]" + sp(11) + sp(7) + "4" + sp(13) + "8,500"), L(dash46),
                      L(""), L(""), Big("쿠폰 집계"), L(eq46), L("쿠폰항목                 건수         "), L(eq46),
                      L("상가쿠폰" + sp(12) + sp(7) + "2"), L(dash46), L("[합   계]" + sp(11) + sp(7) + "2"),
                      L(dash46), PrintCut(0)};
    EXPECT_EQ(s[1].status, "할인현황 인쇄중 입니다.....");
    ExpectSameOps(s[1].ops, discount);

    PrintOps hourly = head("  [시간대별 출차현황]", "18:31", 2, "    시 간 대       입차    출차       금  액 ");
    hourly.insert(hourly.end(), {L("[09:00 - 09:59]" + sp(7) + "2" + sp(7) + "1" + sp(8) + "3,000"),
                                 L("[10:00 - 10:59]" + sp(7) + "0" + sp(7) + "2" + sp(8) + "5,500"),
                                 L("[12:00 - 12:59]" + sp(7) + "4" + sp(7) + "0" + sp(12) + "0"), L(dash46),
                                 L("[  합     계  ]" + sp(7) + "6" + sp(7) + "3" + sp(8) + "8,500"), L(dash46),
                                 PrintCut(0)});
    EXPECT_EQ(s[2].status, "시간대별 인쇄중 입니다.....");
    ExpectSameOps(s[2].ops, hourly);

    const QString zeroBand = sp(12) + "0" + sp(17) + "0";
    PrintOps duration = head("[주차시간대별 출차현황]", "18:32", 1, "    주차 시간대       건  수          금  액 ");
    duration.insert(duration.end(),
                    {L("[00:00 - 00:09]" + zeroBand), L("[00:10 - 00:19]" + sp(12) + "1" + sp(13) + "1,000"),
                     L("[00:20 - 00:29]" + zeroBand), L("[00:30 - 00:59]" + zeroBand),
                     L("[01:00 - 01:59]" + sp(12) + "2" + sp(13) + "4,000"), L("[02:00 - 02:59]" + zeroBand),
                     L("[03:00 - 03:59]" + zeroBand), L("[04:00 - 04:59]" + zeroBand),
                     L("[05:00 - 23:59]" + zeroBand), L("[24:00 -      ]" + zeroBand), L(dash46),
                     L("[합         계]" + sp(12) + "3" + sp(13) + "5,000"), L(dash46), PrintCut(0)});
    EXPECT_EQ(s[3].status, "주차시간대별 인쇄중 입니다.....");
    ExpectSameOps(s[3].ops, duration);

    PrintOps amount = head("  [금액대별 출차현황]", "18:33", 1, "    금  액   대         건  수          금  액 ");
    amount.insert(amount.end(),
                  {L("[ 무 료 차 량 ]" + sp(12) + "1" + sp(17) + "0"), L("[1000원 이하  ]" + zeroBand),
                   L("[2000원 이하  ]" + sp(12) + "2" + sp(13) + "5,500"), L("[3000원 이하  ]" + zeroBand),
                   L("[4000원 이하  ]" + zeroBand), L("[5000원 이하  ]" + zeroBand), L("[10000원 이하 ]" + zeroBand),
                   L("[20000원 이하 ]" + zeroBand), L("[30000원 이하 ]" + zeroBand), L("[40000원 이상 ]" + zeroBand),
                   L(dash46), L("[합         계]" + sp(12) + "3" + sp(13) + "5,500"), L(dash46), PrintCut(0)});
    EXPECT_EQ(s[4].status, "금액대별 인쇄중 입니다.....");
    ExpectSameOps(s[4].ops, amount);

    const PrintOps cancel{L(""), Big("    [일반권 출차취소]"), L(""), L("       인쇄일시 : 2026년01월05일18시30분"),
                          L(QString(40, '-')), L("번호 입 차 일 시 출 차 일 시   주차요금 "), L(QString(40, '-')),
                          L("0007 01-05 08:10 01-05 09:20      2,000"), L("0012 01-04 22:00 01-05 07:30  1,234,567"),
                          L(""), Big("[합         계]"), Big("건수:2 건"), Big("금액:1,236,567 원"), PrintCut(0)};
    EXPECT_EQ(s[5].status, "");
    ExpectSameOps(s[5].ops, cancel);

    const PrintOps footer{L(""), Big("       [영 수 증]"), L(""), L("상      호 : 한빛주차장"), L("주      소 : 서울시 중구"),
                          L("사업자번호 : 123-45-67890"), L("근 무 자   : 근무자1"), L(QString(47, '-'))};
    ExpectSameOps(Report_Footer(LoadReportOptions(ts.st.Db)->shop, "근무자1"), footer);
}

TEST_F(ReportGolden, SwitchesChooseTheSections)
{
    // titles: second line of each section after the opening cut
    const struct { const char* name; ReportSwitches sw; bool keep; std::vector<QString> titles; } cases[] = {
        {"all off: the opening cut only", {}, true, {}},
        {"cancellations need 자료기록", {false, false, false, false, false, true}, false, {}},
        {"cancellations with 자료기록", {false, false, false, false, false, true}, true, {"    [일반권 출차취소]"}},
        {"duration bands only", {false, false, false, true, false, false}, true, {"[주차시간대별 출차현황]"}},
        {"amount bands only", {false, false, false, false, true, false}, true, {"  [금액대별 출차현황]"}},
        {"hours only", {false, true, false, false, false, false}, true, {"  [시간대별 출차현황]"}},
    };
    for (const auto& c : cases) {
        ctx.keepRecords = c.keep;
        const auto s = Report_Sections(Report_Snapshot(ts.st.Db), c.sw, ctx);
        ASSERT_EQ(s.size(), c.titles.size() + 1) << c.name;
        for (size_t i = 0; i < c.titles.size(); ++i) EXPECT_EQ(s[i + 1].ops[1].text, c.titles[i]) << c.name;
    }
}

TEST_F(ReportGolden, EmptyHoursPrintWhenAllHoursAreAsked)
{
    sw.hourlyAll = true;
    const auto s = sections();
    // 24 hours between the head (11 lines) and the totals block, cut.
    ASSERT_EQ(s[2].ops.size(), 11u + 24u + 4u);
    EXPECT_EQ(s[2].ops[11].text, "[08:00 - 08:59]" + sp(7) + "0" + sp(7) + "0" + sp(12) + "0");
    EXPECT_EQ(s[2].ops[14].text.left(15), "[11:00 - 11:59]"); // season movement only
}

TEST_F(ReportGolden, DiscountSectionWithoutRowsIsOnlyItsCut)
{
    Exec(ts.st.Db, "DELETE FROM 할인현황");
    const auto s = sections();
    EXPECT_EQ(s[1].status, "");
    ExpectSameOps(s[1].ops, {PrintCut(0)});
}

TEST_F(ReportGolden, CouponsAloneFollowWithoutTheDiscountHead)
{
    Exec(ts.st.Db, "DELETE FROM 할인현황 WHERE 할인종류 = 0");
    const auto s = sections();
    EXPECT_EQ(s[1].status, "");
    ASSERT_GE(s[1].ops.size(), 3u);
    EXPECT_EQ(s[1].ops[2], Big("쿠폰 집계"));
}

TEST_F(ReportGolden, MoneyTotalsDoNotOverflow32Bits)
{
    Exec(ts.st.Db, "UPDATE 시간대별 SET 금액 = 2000000000 WHERE 시간대 IN (12, 13)");
    const auto s = sections();
    const PrintOps& h = s[2].ops;
    EXPECT_EQ(h[h.size() - 3].text, "[  합     계  ]" + sp(7) + "6" + sp(7) + "3" + sp(0) + "4,000,008,500");
}

} // namespace

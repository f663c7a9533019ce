// The exit record: 일반권, the period's statistics rows, the reprint copy, the counters.

#include "station/ExitTestSupport.h"

#include "station/ExitRecord.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

void setExit(Station& st, const QString& code, qint32 minutes, qint32 pay)
{
    ExitTransaction& t = st.trx;
    t.TicketData = code;
    t.EntryCode = code;
    t.TicketNo = code.left(4);
    t.InDate = QStringLiteral("2026-01-05");
    t.InTime = QStringLiteral("07:30");
    t.OutDate = QStringLiteral("2026-01-06"); // a day after the entry: the two dates differ
    t.OutTime = QStringLiteral("23:59"); // the hour counted is the clock's, not this
    t.ParkMinutes = minutes;
    t.DiscMinutes = 30;
    t.TotalFee = pay + 1500; // the discount took 1,500 off the fee
    t.PayAmount = pay;
    t.DiscKind = QStringLiteral("30분 할인");
}

int bandOf(const ExitRig& rig, const QString& table)
{
    for (int n = 1; n <= 10; ++n)
        if (rig.value(QStringLiteral("SELECT 건수%1 FROM ").arg(n) + table + QStringLiteral(" WHERE 정산여부 = 0")).toInt() == 1)
            return n;
    return 0;
}

TEST(ExitRecordBands, DurationAndAmountBands)
{
    // Each edge of the bands: Bands.*Edges; here that the exit counts by its parking minutes and by the amount collected.
    const struct { const char* name; const char* table; int minutes, amount, band; } rows[] = {
        {"0 minutes", "주차시간대별", 0, 700, 1},     {"179 minutes", "주차시간대별", 179, 700, 6},
        {"1439 minutes", "주차시간대별", 1439, 700, 9}, {"1440 minutes", "주차시간대별", 1440, 700, 10},
        {"99999 minutes", "주차시간대별", 99999, 700, 10}, {"-1 minutes", "주차시간대별", -1, 700, 10},
        {"0 won", "금액대별", 45, 0, 1},    {"1000 won", "금액대별", 45, 1000, 2}, {"5001 won", "금액대별", 45, 5001, 7},
        {"30000 won", "금액대별", 45, 30000, 9}, {"30001 won", "금액대별", 45, 30001, 10},
    };
    ExitRig rig(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    rig.settlePeriodBefore();
    int i = 0;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString table = QString::fromUtf8(r.table);
        Exec(rig.st.Db, QStringLiteral("UPDATE ") + table + QStringLiteral(" SET 건수1=0,건수2=0,건수3=0,건수4=0,건수5=0,건수6=0,"
                                       "건수7=0,건수8=0,건수9=0,건수10=0 WHERE 정산여부 = 0"));
        const QString amountOfBand = QStringLiteral("SELECT 금액%1 FROM ").arg(r.band) + table + QStringLiteral(" WHERE 정산여부 = 0");
        const int before = rig.value(amountOfBand).toInt(); // amounts add up across exits
        setExit(rig.st, QStringLiteral("%1").arg(++i, 4, 10, QLatin1Char('0')) + QStringLiteral("202601050730"), r.minutes, r.amount);
        ASSERT_TRUE(Save_GeneralExit(rig.st));
        EXPECT_EQ(bandOf(rig, table), r.band);
        EXPECT_EQ(rig.value(amountOfBand).toInt(), before + r.amount);
        EXPECT_EQ(rig.settledTouched(), 0);
    }
}

TEST(ExitRecord, TheHourCountedIsTheClocksHour)
{
    ExitRig rig(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    rig.settlePeriodBefore();
    rig.addEntry(QStringLiteral("0001"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    setExit(rig.st, QStringLiteral("0001202601050730"), 120, 5500);
    ASSERT_TRUE(Save_GeneralExit(rig.st));
    EXPECT_EQ(rig.settledTouched(), 0);
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권출차수"), 9), 1);
    EXPECT_EQ(rig.hourly(QStringLiteral("일반권출차수"), 23), 0);
    EXPECT_EQ(rig.hourly(QStringLiteral("금액"), 9), 5500); // the money collected, not the fee
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 출차시간||'|'||총주차시간||'|'||총주차요금||'|'||할인시간||'|'||실수령금액||'|'||할인구분 "
                                       "FROM 일반권")).toString(),
              QStringLiteral("23:59|120|7000|30|5500|30분 할인"));
}

TEST(ExitRecord, TransmissionFlagIsTheOppositeOfTheSwitch)
{
    const std::pair<QVariant, int> cases[] = {{QVariant(1), 0}, {QVariant(0), 1}};
    for (const auto& [sw, sent] : cases) {
        ExitRig rig;
        Exec(rig.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = ?"), {sw});
        rig.addEntry(QStringLiteral("0001"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
        setExit(rig.st, QStringLiteral("0001202601050730"), 90, 4000);
        ASSERT_TRUE(Save_GeneralExit(rig.st));
        EXPECT_EQ(rig.value(QStringLiteral("SELECT 전송여부 FROM 일반권")).toInt(), sent);
        EXPECT_EQ(rig.value(QStringLiteral("SELECT 전송여부 FROM 임시일반권")).toInt(), sent);
    }
    ExitRig noRow; // no print-options row at all reads as the switch off
    Exec(noRow.st.Db, QStringLiteral("DELETE FROM 인쇄옵션"));
    setExit(noRow.st, QStringLiteral("0001202601050730"), 90, 4000);
    ASSERT_TRUE(Save_GeneralExit(noRow.st));
    EXPECT_EQ(noRow.value(QStringLiteral("SELECT 전송여부 FROM 일반권")).toInt(), 1);
}

TEST(ExitRecord, AnExistingRowKeepsItsEntryFields)
{
    ExitRig rig;
    rig.st.models.PosCode = 5;
    rig.addEntry(QStringLiteral("0001"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"), 1);
    setExit(rig.st, QStringLiteral("0001202601050730"), 90, 4000);
    rig.st.trx.TicketNo = QStringLiteral("9999"); // what the row holds wins
    rig.st.trx.InTime = QStringLiteral("08:00");
    ASSERT_TRUE(Save_GeneralExit(rig.st));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT group_concat(포스코드||'|'||티켓번호||'|'||입차일||'|'||입차시간||'|'||출차일||'|'||출차시간) "
                                       "FROM 일반권")).toString(),
              QStringLiteral("1|0001|2026-01-05|07:30|2026-01-06|23:59"));
}

TEST(ExitRecord, TheReprintCopyHoldsOnlyTheLastExit)
{
    ExitRig rig;
    rig.st.models.PosCode = 3;
    const std::pair<QString, qint32> exits[] = {{QStringLiteral("0001202601050730"), 4000},
                                                {QStringLiteral("0002202601050745"), 2600}};
    for (const auto& [code, pay] : exits) {
        setExit(rig.st, code, 90, pay);
        ASSERT_TRUE(Save_GeneralExit(rig.st));
    }
    const QString fields = QStringLiteral("티켓번호||'|'||입차일||'|'||입차시간||'|'||출차일||'|'||출차시간||'|'||입차코드||'|'||"
                                          "총주차시간||'|'||총주차요금||'|'||할인시간||'|'||실수령금액||'|'||전송여부||'|'||할인구분");
    EXPECT_EQ(rig.count(QStringLiteral("임시일반권")), 1);
    EXPECT_EQ(rig.value(QStringLiteral("SELECT ") + fields + QStringLiteral(" FROM 임시일반권")).toString(),
              QStringLiteral("0002|2026-01-05|07:30|2026-01-06|23:59|0002202601050745|90|4100|30|2600|1|30분 할인"));
    // Rows without an entry row are new: every field from the transaction, the booth's POS number too.
    EXPECT_EQ(rig.value(QStringLiteral("SELECT group_concat(포스코드||'|'||") + fields +
                        QStringLiteral(", ' ') FROM (SELECT * FROM 일반권 ORDER BY 입차코드)")).toString(),
              QStringLiteral("3|0001|2026-01-05|07:30|2026-01-06|23:59|0001202601050730|90|5500|30|4000|1|30분 할인 "
                             "3|0002|2026-01-05|07:30|2026-01-06|23:59|0002202601050745|90|4100|30|2600|1|30분 할인"));
}

TEST(ExitRecord, CountersOfAnExitWithAnEntryRow)
{
    ExitRig rig;
    rig.setCounters({"120", "3", "0", "0", "0", "0", "2대"}); // the settings file wins over the label "3"
    Write_Ini(rig.st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반권출차수"), QStringLiteral("124"));
    rig.addEntry(QStringLiteral("0001"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    setExit(rig.st, QStringLiteral("0001202601050730"), 90, 4000);
    ASSERT_TRUE(Save_GeneralExit(rig.st));
    EXPECT_EQ(rig.counters(), QStringList({"120", "125", "-5", "0", "0", "0", "1"}));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권출차수")), QStringLiteral("125"));
    EXPECT_EQ(rig.ini(QStringLiteral("일반권입차수")), QStringLiteral("-"));
}

TEST(ExitRecord, NoOpenPeriodIsNotAnError)
{
    ExitRig rig;
    Exec(rig.st.Db, QStringLiteral("UPDATE 시간대별 SET 정산여부 = 1"));
    Exec(rig.st.Db, QStringLiteral("UPDATE 금액대별 SET 정산여부 = 1"));
    setExit(rig.st, QStringLiteral("0001202601050730"), 90, 4000);
    EXPECT_TRUE(Save_GeneralExit(rig.st));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT SUM(대수) FROM 시간대별")).toInt(), 0);
    EXPECT_TRUE(rig.ts.msgs.shown.empty());
}

TEST(ExitRecord, ADiscountNameWithAQuoteIsCountedByValue)
{
    ExitRig rig;
    rig.addDiscountKey({QStringLiteral("O'Neil 할인"), 120, 0, 2, 100, 0, 0, false});
    rig.reopenPeriod();
    rig.settlePeriodBefore();
    setExit(rig.st, QStringLiteral("0001202601050730"), 90, 3900);
    rig.st.trx.DiscKind = QStringLiteral("O'Neil 할인");
    ASSERT_TRUE(Save_GeneralExit(rig.st));
    EXPECT_EQ(rig.value(QStringLiteral("SELECT 건수 FROM 할인현황 WHERE 명칭 = ? AND 정산여부 = 0"),
                        {QStringLiteral("O'Neil 할인")}).toInt(), 1);
    EXPECT_EQ(rig.settledTouched(), 0);
}

} // namespace

#include "fee/FeeRun.h"
#include "fee/Tariff.h"
#include "FeeFixture.h"

#include <gtest/gtest.h>

namespace tolvo {
namespace {

// Now is Monday 2006-07-03 14:05; slot n costs 100 n.
class FeeRun : public test::FeeFixture {
protected:
    void SetUp() override
    {
        FeeFixture::SetUp();
        clock.setNow(QDateTime(QDate(2006, 7, 3), QTime(14, 5, 30)));
        insertTariff({{"회차사용", 1}, {"회차시간", 10}, {"할인사용", 1}, {"시간할인", 30},
                      {"구간시간4", 60}, {"구간금액4", 1000}});
        addLinearSlots();
        st.exitLinks.feeDispAmount = [this](qint32 amount) { feeDisplay.push_back(amount); };
    }

    void ticket(const char* data, bool lost = false)
    {
        st.trx.TicketData = QString::fromLatin1(data);
        st.trx.LostTicket = lost;
    }

    void expectLocked()
    {
        EXPECT_TRUE(st.trx.TicketInProgress);
        EXPECT_EQ(st.trx.DiscKind, "현금출차");
        EXPECT_FALSE(screen.enabled.value("TNum", true));
        EXPECT_FALSE(screen.enabled.value("MnuFee", true));
    }

    void expectUntouched()
    {
        EXPECT_EQ(st.trx.EntryCode, "old");
        EXPECT_EQ(st.trx.TotalFee, 777);
        EXPECT_FALSE(st.trx.TicketInProgress);
        EXPECT_TRUE(st.trx.ExitDone);
        EXPECT_FALSE(screen.enabled.contains("TNum"));
        EXPECT_FALSE(screen.texts.contains("POut_0"));
        EXPECT_TRUE(feeDisplay.empty());
    }

    void previousTicket()
    {
        st.trx.EntryCode = "old";
        st.trx.TotalFee = 777;
        st.trx.ExitDone = true;
    }

    std::vector<qint32> feeDisplay;
};

TEST_F(FeeRun, WorkedFigures)
{
    ticket("0123200607021230"); // a day and 95 minutes; less the service time, the day and two units
    Calc_TicketFee(st);
    const ExitTransaction& t = st.trx;
    EXPECT_EQ(QStringList({t.TicketNo, t.InDate, t.InTime, t.OutDate, t.OutTime, t.EntryCode}).join('|'),
              "0123|2006-07-02|12:30|2006-07-03|14:05|0123200607021230");
    EXPECT_EQ(std::vector<qint64>({t.ParkMinutes, t.DiscMinutes, t.TotalFee, t.PayAmount}),
              std::vector<qint64>({1505, 30, 30800, 30800}));
    EXPECT_EQ(QStringList({screen.text("LOut_5"), screen.text("LOut_4"), screen.text("POut_0")}),
              QStringList({"25시간5분", "30분", " 출차모드"}));
    EXPECT_EQ(feeDisplay, std::vector<qint32>{30800});
    EXPECT_FALSE(t.ExitDone);
    expectLocked();
    EXPECT_TRUE(msgs.shown.empty());
}

struct Case {
    const char* name;
    const char* data;
    bool graceOn, discountOn;
    int parkMinutes, discMinutes, fee;
};

const Case kCases[] = {
    {"grace bound counts as grace", "0001200607031355", true, true, 10, 0, 0},
    {"one minute past grace", "0001200607031354", true, false, 11, 0, 300},
    {"grace and discount off", "0001200607031404", false, false, 1, 0, 100},
    {"discount larger than the stay", "0001200607031345", false, true, 0, 30, 0},
    {"discount only when grace does not apply", "0001200607031354", true, true, 0, 30, 0},
    {"discount switched off", "0001200607031205", false, false, 120, 0, 2400},
    {"stay over a day", "0001200607021405", false, false, 1440, 0, 28800},
};

class FeeRunTable : public FeeRun, public ::testing::WithParamInterface<Case> {};

TEST_P(FeeRunTable, GraceAndServiceTime)
{
    const Case& c = GetParam();
    setTariff("회차사용", c.graceOn);
    setTariff("할인사용", c.discountOn);
    ticket(c.data);
    Calc_TicketFee(st);
    EXPECT_EQ(st.trx.ParkMinutes, c.parkMinutes) << c.name;
    EXPECT_EQ(st.trx.DiscMinutes, c.discMinutes) << c.name;
    EXPECT_EQ(st.trx.TotalFee, c.fee) << c.name;
    EXPECT_EQ(st.trx.PayAmount, c.fee) << c.name;
    EXPECT_TRUE(msgs.shown.empty()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Examples, FeeRunTable, ::testing::ValuesIn(kCases), [](const auto& i) { return test::CaseName(i); });

TEST_F(FeeRun, LostTicketIsPricedTheSameWay)
{
    ticket("L001200607031230", true);
    Calc_TicketFee(st);
    EXPECT_EQ(st.trx.TicketNo, "L001");
    EXPECT_EQ(st.trx.TotalFee, 1300);
    EXPECT_EQ(screen.text("POut_0"), " 분실권  ");
}

TEST_F(FeeRun, NoDisplayVariantRestoresTheUndiscountedFee)
{
    ticket("0123200607031230");
    Calc_TicketFee(st);
    st.trx.PayAmount = 300;
    st.trx.DiscKind = "쿠폰";
    st.trx.ExitDone = true;
    clock.advanceSecs(5 * 60);
    Calc_TicketFee_NoDisp(st);
    EXPECT_EQ(st.trx.OutTime, "14:10");
    EXPECT_EQ(st.trx.ParkMinutes, 70);
    EXPECT_EQ(st.trx.PayAmount, 1400);
    EXPECT_EQ(st.trx.DiscKind, "현금출차");
    EXPECT_TRUE(st.trx.ExitDone);
    EXPECT_EQ(feeDisplay, std::vector<qint32>{1300}); // only the full run
}

TEST_F(FeeRun, EmptyTariffTableChangesNothing)
{
    Exec(st.Db, "DELETE FROM 기타");
    previousTicket();
    ticket("0123200607031230");
    Calc_TicketFee(st);
    expectUntouched();
    EXPECT_EQ(messageCount(TariffFaultText()), 1);
    ASSERT_EQ(msgs.shown.size(), 1u);
    // The two lines are joined by a carriage return.
    EXPECT_EQ(msgs.shown[0].text, QStringLiteral("요금테이블 데이터 베이스에 이상이있습니다.\r"
                                                 "계산할 수 없으므로 요금테이블을 재설정 하시기 바랍니다."));
    EXPECT_EQ(msgs.shown[0].title, QStringLiteral("Tarvola"));
}

struct Fault {
    const char* name;
    const char* field;
    QVariant value;
    const char* data;
};

const Fault kFaults[] = {
    {"time discount on without value", "시간할인", QVariant(), "0123200607031230"},
    {"grace on without value", "회차시간", QVariant(), "0123200607031230"},
    {"final unit 0 on a long stay", "구간시간4", 0, "0123200607011230"},
    {"final amount missing on a long stay", "구간금액4", QVariant(), "0123200607011230"},
    {"opening hours missing", "무료처리여부", 1, "0123200607031230"},
};

class FeeRunFaults : public FeeRun, public ::testing::WithParamInterface<Fault> {};

TEST_P(FeeRunFaults, ShowTheTariffFaultOnceAndChangeNothing)
{
    const Fault& f = GetParam();
    setTariff(QString::fromUtf8(f.field), f.value);
    previousTicket();
    ticket(f.data);
    Calc_TicketFee(st);
    expectUntouched();
    EXPECT_EQ(messageCount(TariffFaultText()), 1) << f.name;
    EXPECT_EQ(msgs.shown.size(), 1u) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FeeRunFaults, ::testing::ValuesIn(kFaults), [](const auto& i) { return test::CaseName(i); });

// A slot table that cannot price the stay gives no fee of 0: the run ends as
// when 기타 has no row.
struct SlotFault {
    const char* name;
    const char* sql;
    const char* data;
};

const SlotFault kSlotFaults[] = {
    {"no slot table", "DELETE FROM 요금테이블", "0123200607031230"},
    {"slot of the stay missing", "DELETE FROM 요금테이블 WHERE 시간 = 13", "0123200607031230"},
    {"whole day slot missing on a long stay", "DELETE FROM 요금테이블 WHERE 시간 = 288", "0123200607011230"},
};

class FeeRunSlotFaults : public FeeRun, public ::testing::WithParamInterface<SlotFault> {};

TEST_P(FeeRunSlotFaults, ShowTheTariffFaultOnceAndChangeNothing)
{
    const SlotFault& f = GetParam();
    Exec(st.Db, QString::fromUtf8(f.sql));
    previousTicket();
    ticket(f.data);
    EXPECT_FALSE(Calc_TicketFee(st)) << f.name;
    expectUntouched();
    EXPECT_EQ(messageCount(TariffFaultText()), 1) << f.name;
    EXPECT_EQ(msgs.shown.size(), 1u) << f.name;
}

INSTANTIATE_TEST_SUITE_P(Faults, FeeRunSlotFaults, ::testing::ValuesIn(kSlotFaults), [](const auto& i) { return test::CaseName(i); });

// A stay that is free by the tariff needs no slot: it is still shown at 0.
TEST_F(FeeRun, FreeStaysNeedNoSlotTable)
{
    Exec(st.Db, "DELETE FROM 요금테이블");
    struct Free { const char* name; const char* data; bool graceOn; int parkMinutes, discMinutes; };
    const Free cases[] = {
        {"within the grace period", "0001200607031355", true, 10, 0},
        {"time discount longer than the stay", "0001200607031345", false, 0, 30},
    };
    for (const Free& c : cases) {
        msgs.clear();
        setTariff("회차사용", c.graceOn);
        ticket(c.data);
        EXPECT_TRUE(Calc_TicketFee(st)) << c.name;
        EXPECT_EQ(st.trx.ParkMinutes, c.parkMinutes) << c.name;
        EXPECT_EQ(st.trx.DiscMinutes, c.discMinutes) << c.name;
        EXPECT_EQ(st.trx.TotalFee, 0) << c.name;
        EXPECT_TRUE(msgs.shown.empty()) << c.name;
        expectLocked();
    }
}

TEST_F(FeeRun, TicketDataThatIsNoDateIsRefused)
{
    for (const char* data : {"0123200613031230", "0123200607032460", "012320060703", "0123200607a31230",
                             "01232006-7031230", "0123200602301230"}) {
        msgs.clear();
        previousTicket();
        ticket(data);
        Calc_TicketFee(st);
        expectUntouched();
        ASSERT_EQ(msgs.shown.size(), 1u) << data;
        EXPECT_EQ(msgs.shown[0].title, "입력오류");
        EXPECT_EQ(msgs.shown[0].text, "발권 데이터가 올바르지 않습니다.");
    }
}

TEST(TicketData, Parts)
{
    const auto e = ParseTicketData("AB12200612312359");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->ticketNo, "AB12");
    EXPECT_EQ(e->inDate, "2006-12-31");
    EXPECT_EQ(e->inTime, "23:59");
    EXPECT_FALSE(ParseTicketData(""));
    EXPECT_FALSE(ParseTicketData("AB122006123123590"));
}

} // namespace
} // namespace tolvo

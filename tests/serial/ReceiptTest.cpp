#include "serial/SerialTestUtil.h"

#include "platform/Cp949.h"
#include "serial/Receipt.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

ReceiptData Sample()
{
    return {"0123", false, "2026-01-05", "08:10", "2026-01-06", "10:45", 155, 30, 12500, 0, "이용해 주셔서 감사합니다.",
            "한빛주차장", "서울시 중구 세종대로 1", "123-45-67890", "근무자1"};
}

TEST(ReceiptLayout, FullReceiptOfAnExit)
{
    const PrintOps expected{
        PrintLine("주차권번호 : 0123"),
        PrintLine("입차  일시 : 2026-01-05 08:10"),
        PrintLine("출차  일시 : 2026-01-06 10:45"),
        PrintLine("주차  시간 : 155분"),
        PrintLine("할인  시간 : 30분"),
        PrintLine("출차  금액 : 12,500원"),
        PrintLine("영수  금액 : 0원"),
        PrintLine(""),
        PrintLine(""),
        PrintLine(QString(12, ' ') + "이용해 주셔서 감사합니다."), // 25 bytes: 11.5 to even
        PrintCut(0),
        PrintLine(""),
        PrintLine("       [영 수 증]", 1),
        PrintLine(""),
        PrintLine("상      호 : 한빛주차장"),
        PrintLine("주      소 : 서울시 중구 세종대로 1"),
        PrintLine("사업자번호 : 123-45-67890"),
        PrintLine("근 무 자   : 근무자1"),
        PrintLine(QString(47, '-')),
    };
    EXPECT_EQ(Receipt_Layout(Sample()), expected);
}

TEST(ReceiptLayout, GreetingPaddedToTheMiddleOf48Bytes)
{
    const std::pair<const char*, int> cases[] = {
        {"", 24}, {"a", 24},  // 23.5 -> 24
        {"abc", 22},          // 22.5 -> 22
        {"감사합니다", 19},    // 10 bytes
        {"000000000011111111112222222222333333333344444444", 0},
        {"안녕히 가십시오 안녕히 가십시오 안녕히 가십시오 안녕히 가십시오", 0}, // longer than the line: no negative padding
    };
    for (const auto& [greeting, pad] : cases) {
        ReceiptData d = Sample();
        d.Greeting = QString::fromUtf8(greeting);
        EXPECT_EQ(Receipt_Layout(d)[9].text, QString(pad, ' ') + d.Greeting) << greeting;
    }
}

class ReceiptJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'TM-T88'");
        Exec(st.Db, "UPDATE 인쇄옵션 SET 상호 = ?, 주소 = ?, 사업자번호 = ?",
             {QStringLiteral("한빛주차장"), QStringLiteral("서울시"), QStringLiteral("123-45-67890")});
        st.worker.WorkerName = "근무자2";
        ExitTransaction& t = st.trx;
        t.TicketNo = "0123";
        t.InDate = "2026-01-04";
        t.InTime = "08:10";
        t.OutDate = "2026-01-05";
        t.OutTime = "10:45";
        t.ParkMinutes = 155;
        t.DiscMinutes = 30;
        t.TotalFee = 12500;
        t.PayAmount = 9500; // the 30-minute discount took 3,000 off
    }
    QStringList dayLines() const
    {
        QFile f(st.DataPath + "2026-01-05.txt");
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList lines = cp949::decode(f.readAll()).split("\r\n");
        lines.removeLast(); // after the last CR LF
        return lines;
    }

    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
};

TEST_F(ReceiptJob, PrintsTheCurrentExitToTheDayFile)
{
    Receipt_Print(st);
    const QStringList lines = dayLines();
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines[0], "주차권번호 : 0123");
    EXPECT_EQ(lines.mid(1, 4).join('|'), "입차  일시 : 2026-01-04 08:10|출차  일시 : 2026-01-05 10:45|"
                                         "주차  시간 : 155분|할인  시간 : 30분");
    EXPECT_EQ(lines[5], "출차  금액 : 12,500원");
    EXPECT_EQ(lines[6], "영수  금액 : 9,500원");
    EXPECT_EQ(lines[9], QString(12, ' ') + "이용해 주셔서 감사합니다.");
    EXPECT_EQ(lines[13], "상      호 : 한빛주차장");
    EXPECT_EQ(lines[16], "근 무 자   : 근무자2");
}

TEST_F(ReceiptJob, SerialReceiptBytes)
{
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c', 기종 = 'CBM-720', 사용여부 = 1");
    ASSERT_TRUE(st.comm->openPort(PortPrinter, "/dev/ttyS4", SerialSettings{}));
    Receipt_Print(st);
    const QByteArray out = fake.ports->device("/dev/ttyS4").written();
    const QByteArray first = "\x0F" + cp949::encode("주차권번호 : 0123") + "\n";
    EXPECT_TRUE(out.startsWith(first));
    const QByteArray cutThenHeading = QByteArray("\n\n\n\n\n\x1B\x50\x00", 8) + "\x0F\n" + "\x0E" +
                                      cp949::encode("       [영 수 증]") + "\n";
    EXPECT_TRUE(out.contains(cutThenHeading));
    EXPECT_TRUE(out.endsWith("\x0F" + QByteArray(47, '-') + "\n"));
}

TEST_F(ReceiptJob, PrintSwitchOffPrintsNothingAndLeavesThePrinterAlone)
{
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    FakeLptDevice& lp0 = fake.lpt->device("/dev/lp0");
    Exec(st.Db, "UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0");
    Receipt_Print(st);
    EXPECT_EQ(lp0.opens, 0);
    Exec(st.Db, "UPDATE 인쇄옵션 SET 영수증인쇄여부 = 1");
    Receipt_Print(st);
    EXPECT_EQ(lp0.opens, 1);
    EXPECT_FALSE(lp0.open); // released after the job
    EXPECT_FALSE(lp0.written.isEmpty());
}

TEST_F(ReceiptJob, ReprintTakesTheStoredExitAndMarksALostTicket)
{
    Exec(st.Db, "UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0");
    Insert(st.Db, "임시일반권",
           {{"티켓번호", "L007"}, {"입차일", "2026-01-04"}, {"입차시간", "07:00"}, {"출차일", "2026-01-05"},
            {"출차시간", "09:00"}, {"총주차시간", 1560}, {"할인시간", 60}, {"총주차요금", 30000},
            {"실수령금액", 25000}, {"입차코드", "L007202601040700"}});
    st.trx.DiscMinutes = 999; // the current exit plays no part
    Receipt_Reprint(st);
    const QStringList lines = dayLines();
    ASSERT_EQ(lines.size(), 18);
    EXPECT_EQ(lines[0], "주차권번호 : L007(분실권)");
    EXPECT_EQ(lines[1], "입차  일시 : 2026-01-04 07:00");
    EXPECT_EQ(lines[3], "주차  시간 : 1560분");
    EXPECT_EQ(lines[4], "할인  시간 : 60분");
    EXPECT_EQ(lines[5], "출차  금액 : 30,000원");
    EXPECT_EQ(lines[6], "영수  금액 : 25,000원");
    EXPECT_EQ(lines[16], "근 무 자   : 근무자2");
}

TEST_F(ReceiptJob, ReprintWithoutAStoredExitPrintsNothingAndReleases)
{
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    FakeLptDevice& lp0 = fake.lpt->device("/dev/lp0");
    Exec(st.Db, "DELETE FROM 임시일반권");
    Receipt_Reprint(st);
    EXPECT_EQ(lp0.opens, 1);
    EXPECT_FALSE(lp0.open);
    EXPECT_TRUE(lp0.written.isEmpty());
}

TEST_F(ReceiptJob, APrinterThatCannotOpenPrintsNoReceipt)
{
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    Receipt_Print(st); // no /dev/lp0
    EXPECT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_TRUE(dayLines().isEmpty());
}

} // namespace

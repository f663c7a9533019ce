#include "serial/SerialTestUtil.h"

#include "platform/Cp949.h"
#include "serial/PrintFrame.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

TEST(PrintFrame, CentredTitlesRoundHalvesToEven)
{
    const struct {
        const char* title;
        int blanks;
    } cases[] = {
        {"[일반권 출차 차량]", 3},   {"[일반권 미출차 차량]", 2}, {"[일반권 출차취소]", 4},
        {"[영 수 증]", 7},           {"[할인항목별 출차현황]", 2}, {"[시간대별 출차현황]", 2},
        {"[주차시간대별 출차현황]", 0}, {"[금액대별 출차현황]", 2},
        {"[주차시간대별 출차현황 추가]", 0}, // wider than the line: no blanks
    };
    for (const auto& c : cases) {
        const QString t = QString::fromUtf8(c.title);
        EXPECT_EQ(CentreBlanks(t), c.blanks) << c.title;
        EXPECT_EQ(Centred(t), QString(c.blanks, ' ') + t) << c.title;
    }
}

TEST(PrintFrame, ColumnsAndMoney)
{
    const struct {
        const char* name;
        QString got;
        const char* expected;
    } cases[] = {
        {"name of 8 bytes gets 12 blanks", LeftIn("현금출차", 20), "현금출차            "},
        {"longer name is not cut", LeftIn("12345678901234567890X", 20), "12345678901234567890X"},
        {"zero right-aligned", RightIn(MoneyText(0), 10), "         0"},
        {"million with two commas", RightIn(MoneyText(1234567), 10), " 1,234,567"},
        {"wider than the column", RightIn(MoneyText(123456789), 10), "123,456,789"},
        {"64-bit money", MoneyText(3000000000LL), "3,000,000,000"},
        {"bare count", CountLabel(CountStyle::Bare, 1234), "1234"},
        {"count with its unit", CountLabel(CountStyle::Unit, 0), "0건"},
        {"refused passages count", CountLabel(CountStyle::Prefixed, 12), " 자료건수 : 12건"},
        {"print stamp", PrintStamp(QDateTime(QDate(2006, 6, 30), QTime(14, 5))), "2006년06월30일14시05분"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, QString::fromUtf8(c.expected)) << c.name;
}

TEST(PrintFrame, ExitRowIs39BytesForAFourCharacterTicket)
{
    const ExitRow r{"0123", "2006-06-29", "08:10", "2006-06-30", "10:45", 1234567};
    const QString line = ExitRowLine(r);
    EXPECT_EQ(line, QStringLiteral("0123 06-29 08:10 06-30 10:45  1,234,567"));
    EXPECT_EQ(line.size(), 39);
}

// The long head with its blank line and the totals are checked in the
// cancellation printouts; here the head without the blank and the short head.
TEST(PrintFrame, HeadsOfTheOtherLists)
{
    const PrintOps noBlank = LongFrameHead("[일반권 출차 차량]", "h", QDateTime(QDate(2006, 6, 30), QTime(9, 0)), false);
    EXPECT_EQ(noBlank.front(), PrintLine("   [일반권 출차 차량]", 1));
    EXPECT_EQ(noBlank.size(), 6u);

    const PrintOps shortHead = ShortFrameHead("   [정기권 발급대장]", "h1", "h2");
    const PrintOps expectedShort{PrintLine(""), PrintLine("   [정기권 발급대장]", 1), PrintLine(""),
                                 PrintLine(QString(40, '=')), PrintLine("h1"), PrintLine("h2"),
                                 PrintLine(QString(40, '='))};
    EXPECT_EQ(shortHead, expectedShort);
    EXPECT_EQ(LongFrameTotals(2, std::nullopt), PrintOps({PrintLine(""), PrintLine("[합         계]", 1),
                                                          PrintLine("건수:2 건", 1)}));
}

class PrintListFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'TM-T88', 사용여부 = 1");
        Exec(st.Db, "UPDATE 인쇄옵션 SET 상호 = '한빛주차장', 주소 = '서울', 사업자번호 = '123-45-67890'");
        st.worker.WorkerName = "홍길동";
    }
    QString dayFile() const
    {
        QFile f(st.DataPath + "2026-01-05.txt");
        return f.open(QIODevice::ReadOnly) ? cp949::decode(f.readAll()) : QString("<missing>");
    }

    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
};

TEST_F(PrintListFixture, EmptyListShowsItsMessageAndPrintsNothing)
{
    ListPrintout list;
    list.body = {PrintLine("x")};
    EXPECT_FALSE(Print_List(st, list));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "프린트 작업");
    EXPECT_EQ(ts.msgs.shown[0].text, "레코드가 존재하지 않습니다....");
    EXPECT_EQ(dayFile(), "<missing>");
}

TEST_F(PrintListFixture, ListIsCutBeforeAndAfterAndEndsWithTheReceiptHead)
{
    const PrintOps ops = ListPrintout_Ops({PrintLine("body")}, ShopText{"한빛주차장", "서울", "1"}, "홍길동");
    ASSERT_EQ(ops.size(), 11u);
    EXPECT_EQ(ops[0], PrintCut(0));
    EXPECT_EQ(ops[1], PrintLine("body"));
    EXPECT_EQ(ops[2], PrintCut(0));
    EXPECT_EQ(ops[4], PrintLine("       [영 수 증]", 1));
    EXPECT_EQ(ops[9], PrintLine("근 무 자   : 홍길동"));
    EXPECT_EQ(ops[10], PrintLine(QString(47, '-')));
    // Without a shop row the list ends with its cut.
    EXPECT_EQ(ListPrintout_Ops({PrintLine("body")}, std::nullopt, "x").size(), 3u);
}

TEST_F(PrintListFixture, ListGoesToTheDayFile)
{
    ListPrintout list;
    list.rows = 1;
    list.body = {PrintLine("0123 01-05 08:10 01-05 10:45      3,000")};
    EXPECT_TRUE(Print_List(st, list));
    EXPECT_EQ(dayFile(), "0123 01-05 08:10 01-05 10:45      3,000\r\n"
                         "\r\n       [영 수 증]\r\n\r\n상      호 : 한빛주차장\r\n주      소 : 서울\r\n"
                         "사업자번호 : 123-45-67890\r\n근 무 자   : 홍길동\r\n" +
                             QString(47, '-') + "\r\n");
}

TEST_F(PrintListFixture, ParallelPrinterIsClosedAfterTheList)
{
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT1'");
    FakeLptDevice& lp0 = fake.lpt->device("/dev/lp0");
    ListPrintout list;
    list.rows = 1;
    list.body = {PrintLine("row")};
    EXPECT_TRUE(Print_List(st, list));
    EXPECT_TRUE(lp0.written.contains("row\n"));
    EXPECT_FALSE(lp0.open);
    EXPECT_FALSE(st.comm->printJob.lpt);
}

} // namespace

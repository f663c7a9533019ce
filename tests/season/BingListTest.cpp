#include "common/TestStation.h"

#include "core/Sql.h"
#include "platform/Cp949.h"
#include "season/BingList.h"
#include "season/DayFilePrinter.h"
#include "serial/FakeComm.h"

#include <QFile>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

// Cancellations of two periods closed on 2026-01-05, one closed after midnight
// on 2026-01-06 and one not yet settled; the printer is the day file.
class Bing : public ::testing::Test {
protected:
    void SetUp() override
    {
        Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'FILE', 기종 = 'TM-T88', 사용여부 = 1");
        Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 상호 = '한빛주차장', 주소 = '서울', 사업자번호 = '1'");
        ts.st.worker.WorkerName = "근무자1";
        add("0007", "2026-01-05", "08:10", "09:20", 2000, "2026-01-05 18:30");
        add("0012", "2026-01-04", "22:00", "07:30", 1234567, "2026-01-05 23:10");
        add("0020", "2026-01-05", "12:00", "12:40", QVariant(), "2026-01-05 18:30");
        add("0031", "2026-01-05", "23:30", "23:50", 500, "2026-01-06 00:05");
        add("0040", "2026-01-05", "17:00", "17:10", 800, QVariant());
    }
    void add(const char* no, const char* inDate, const char* inTime, const char* outTime, const QVariant& amount,
             const QVariant& end)
    {
        Insert(ts.st.Db, "출차취소", {{"티켓번호", no}, {"입차일", inDate}, {"입차시간", inTime}, {"출차일", "2026-01-05"},
                                    {"출차시간", outTime}, {"입차코드", QString(no) + "202601050000"},
                                    {"실수령금액", amount}, {"근무자명", "근무자1"}, {"종료일시", end}});
    }
    QStringList tickets(const QDate& day)
    {
        QStringList out;
        for (const BingRow& r : BingList_Load(ts.st.Db, day)) out << r.cells[0];
        return out;
    }
    QString dayFile() const
    {
        QFile f(ts.st.DataPath + "2026-01-06.txt");
        return f.open(QIODevice::ReadOnly) ? cp949::decode(f.readAll()) : QString();
    }

    TestStation ts{TestStation::Db::Fresh, QDateTime(QDate(2026, 1, 6), QTime(9, 15))};
    FakeComm fake = InstallFakeComm(ts.st);
};

TEST_F(Bing, DayOfThePeriodEndByExitTime)
{
    const struct { const char* name; QDate day; QStringList tickets; } cases[] = {
        {"two periods of one day, by exit time only", QDate(2026, 1, 5), {"0012", "0007", "0020"}},
        {"closed after midnight: the closing day", QDate(2026, 1, 6), {"0031"}},
        {"a day without cancellations", QDate(2026, 1, 7), {}},
    };
    for (const auto& c : cases) EXPECT_EQ(tickets(c.day), c.tickets) << c.name;
}

TEST_F(Bing, PrintedListWithItsTotals)
{
    const PrintOps body = BingList_Body(BingList_Load(ts.st.Db, QDate(2026, 1, 5)),
                                        QDateTime(QDate(2026, 1, 6), QTime(9, 15)));
    const PrintOps expected{
        PrintLine(""), PrintLine("    [일반권 출차취소]", 1), PrintLine(""), PrintLine("       인쇄일시 : 2026년01월06일09시15분"),
        PrintLine(QString(40, '-')), PrintLine("번호 입 차 일 시 출 차 일 시   주차요금 "), PrintLine(QString(40, '-')),
        PrintLine("0012 01-04 22:00 01-05 07:30  1,234,567"), PrintLine("0007 01-05 08:10 01-05 09:20      2,000"),
        PrintLine("0020 01-05 12:00 01-05 12:40" + QString(10, ' ') + "0"), // an empty amount counts 0
        PrintLine(""), PrintLine("[합         계]", 1), PrintLine("건수:3 건", 1), PrintLine("금액:1,236,567 원", 1),
    };
    EXPECT_EQ(body, expected);
}

TEST_F(Bing, ScreenListsTodayAndTheChosenDay)
{
    BingList form(ts.st);
    auto* grid = form.findChild<QTableWidget*>("DBGrid1");
    auto* count = form.findChild<QLabel*>("LblRecordCount");
    ASSERT_EQ(grid->columnCount(), 12);
    EXPECT_EQ(grid->horizontalHeaderItem(7)->text(), "주차요금  ");
    EXPECT_EQ(grid->horizontalHeaderItem(8)->text(), "  할인구분");
    EXPECT_EQ(form.findChild<QDateEdit*>("DTPicker2")->date(), QDate(2026, 1, 6));
    EXPECT_EQ(QString::number(grid->rowCount()) + "|" + count->text(), "1|1");

    form.findChild<QDateEdit*>("DTPicker2")->setDate(QDate(2026, 1, 5));
    QTest::mouseClick(form.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    EXPECT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->item(0, 0)->text(), "0012");
    EXPECT_EQ(grid->item(0, 7)->text(), "1234567");
    EXPECT_EQ(count->text(), "3"); // follows the reload
}

TEST_F(Bing, PrintingAnEmptyDayShowsTheMessageOnly)
{
    BingList form(ts.st);
    form.findChild<QDateEdit*>("DTPicker2")->setDate(QDate(2026, 1, 7));
    QTest::mouseClick(form.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    EXPECT_FALSE(form.command1Click());
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title + "|" + ts.msgs.shown[0].text, "프린트 작업|레코드가 존재하지 않습니다....");
    EXPECT_EQ(dayFile(), "");
}

TEST_F(Bing, PrintingTodayWritesTheDayFile)
{
    BingList form(ts.st);
    EXPECT_TRUE(form.command1Click());
    const QStringList lines = dayFile().split("\r\n");
    EXPECT_EQ(lines[1], "    [일반권 출차취소]");
    EXPECT_EQ(lines[7], "0031 01-05 23:30 01-05 23:50        500");
    EXPECT_EQ(lines[11], "금액:500 원");
    EXPECT_EQ(lines[lines.size() - 2], QString(47, '-'));
    QFile::remove(ts.st.DataPath + "2026-01-06.txt");
    // Another day chosen: the print follows the list on screen.
    form.findChild<QDateEdit*>("DTPicker2")->setDate(QDate(2026, 1, 5));
    QTest::mouseClick(form.findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    EXPECT_EQ(PrintedTitleAndRows(ts), "    [일반권 출차취소]|0012 01-04 22:00 01-05 07:30  1,234,567|"
                                       "0007 01-05 08:10 01-05 09:20      2,000|0020 01-05 12:00 01-05 12:40          0");
}

TEST_F(Bing, DatabaseErrorIsShownAndTheListIsEmpty)
{
    Exec(ts.st.Db, "ALTER TABLE 출차취소 RENAME TO 출차취소_old");
    BingList form(ts.st);
    EXPECT_EQ(form.findChild<QTableWidget*>("DBGrid1")->rowCount(), 0);
    EXPECT_EQ(form.findChild<QLabel*>("LblRecordCount")->text(), "0");
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "자료검색 오류");
}

} // namespace

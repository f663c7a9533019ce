// Issued tickets becoming entry rows: the row, its hour, stock and warnings,
// the status frame, season cards, the midnight ticket and repeated reports.

#include "equipment/DispenserTestSupport.h"
#include "equipment/EntryRecord.h"
#include "platform/Ini.h"

using namespace tolvo;
using namespace tolvo::sim;
using tolvo::test::DispenserFixture;

namespace {

class DispenserEntry : public DispenserFixture {
protected:
    void issue(const QByteArray& no, const QTime& t) { receiveFrame(dispenser::IssueData(no, t)); }
    QString ini(const char* key) const
    {
        return Read_Ini(st.IniPath, QStringLiteral("시스템"), QString::fromUtf8(key), QStringLiteral("-"));
    }
    QString row(const QString& columns) const
    {
        return ts.value(QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM 일반권")).toString();
    }
};

TEST_F(DispenserEntry, AnIssueFrameBecomesARowWithItsHourStockAndLine)
{
    st.models.PosCode = 3;
    st.settings.TicketsLeft = 50;
    st.DispenserAlarm = -1;
    ts.screen.setText(QStringLiteral("LblWarning1"), QStringLiteral("발행기 이상발생!"));
    ts.screen.setVisible(QStringLiteral("LblWarning2"), true);
    issue("0123", QTime(8, 59)); // station 09:00

    EXPECT_EQ(row(QStringLiteral("포스코드 || '|' || 티켓번호 || '|' || 입차일 || '|' || 입차시간 || '|' || 입차코드 || "
                                 "'|' || 정산구분 || '|' || 전송여부 || '|' || ifnull(출차일, 'null')")),
              QStringLiteral("3|0123|2026-01-05|08:59|0123202601050859|0|1|null"));
    EXPECT_EQ(hourEntries(9), 1);
    EXPECT_EQ(hourEntries(8), 0);
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), QStringLiteral("일반권 입차  주차권번호 : 0123"));
    EXPECT_EQ(ts.screen.list1, QStringList{QStringLiteral("일반권 입차  주차권번호 : 0123")});
    EXPECT_TRUE(st.HostPending[HostTD]);
    EXPECT_EQ(st.settings.TicketsLeft, 49);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblTDCnt")), QStringLiteral("49"));
    EXPECT_EQ(ini("잔여티켓매수"), QStringLiteral("49"));
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
    // The first family leaves the entry counter alone.
    EXPECT_EQ(ini("일반권입차수"), QStringLiteral("-"));
    // A ticket came out: the alarm is off and the lamps empty and hidden.
    EXPECT_EQ(st.DispenserAlarm, 0);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning1")), QString());
    EXPECT_FALSE(ts.screen.isVisible(QStringLiteral("LblWarning2")));
}

TEST_F(DispenserEntry, TheHostFlagOfTheRowFollowsThePrintOptions)
{
    const struct {
        const char* name;
        QVariant option;
        int sent;
    } cases[] = {{"sent to the host", 1, 0}, {"not sent", 0, 1}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권입차전송 = ?"), {c.option});
        const QByteArray no = QByteArray::number(++n).rightJustified(4, '0');
        issue(no, QTime(8, 0));
        EXPECT_EQ(ts.value(QStringLiteral("SELECT 전송여부 FROM 일반권 WHERE 티켓번호 = ?"), {QString::fromLatin1(no)})
                      .toInt(),
                  c.sent);
    }
}

TEST_F(DispenserEntry, FrameTextReachesTheDatabaseAsValues)
{
    receiveFrame(dispenser::IssueData("1';-", QTime(8, 0)));
    EXPECT_EQ(row(QStringLiteral("티켓번호")), QStringLiteral("1';-"));
    EXPECT_EQ(row(QStringLiteral("입차코드")), QStringLiteral("1';-202601050800"));
}

TEST_F(DispenserEntry, ARepeatedReportRecordsNothingTwice)
{
    st.settings.TicketsLeft = 50;
    issue("0123", QTime(8, 59));
    issue("0123", QTime(8, 59));
    issue("0124", QTime(9, 0));
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), 2);
    EXPECT_EQ(hourEntries(9), 2);
    EXPECT_EQ(st.settings.TicketsLeft, 48);
    EXPECT_EQ(ts.screen.list1,
              QStringList({QStringLiteral("일반권 입차  주차권번호 : 0123"),
                           QStringLiteral("발권기 수신 오류 : 이미 기록된 주차권입니다. 입차코드 : 0123202601050859"),
                           QStringLiteral("일반권 입차  주차권번호 : 0124")}));
}

TEST_F(DispenserEntry, WrongLengthsAreDropped)
{
    for (const int len : {52, 54}) {
        QByteArray t = dispenser::IssueData("0123", QTime(8, 0));
        t = len < t.size() ? t.left(len) : t + "0";
        receiveFrame(t);
    }
    receiveFrame(dispenser::StatusEntry("0123", QTime(8, 0), 0, 0) + "0");
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), 0);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

// ---- the day of issue ----

struct DayCase {
    const char* name;
    QTime station, issued;
    const char* day;
};

TEST(DispenserEntryDate, ATicketFromBeforeMidnightKeepsItsDay)
{
    const DayCase cases[] = {
        {"a minute before the station", QTime(9, 0), QTime(8, 59), "2026-01-05"},
        {"a minute after the station", QTime(9, 0), QTime(9, 1), "2026-01-05"},
        {"23:59 recorded at 00:01", QTime(0, 1), QTime(23, 59), "2026-01-04"},
        {"exactly 12 hours after", QTime(11, 0), QTime(23, 0), "2026-01-05"},
        {"12 hours and a minute after", QTime(11, 0), QTime(23, 1), "2026-01-04"},
        {"00:00 at 23:59", QTime(23, 59), QTime(0, 0), "2026-01-05"},
    };
    for (const DayCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EntryDate(QDateTime(QDate(2026, 1, 5), c.station), c.issued), QDate::fromString(c.day, Qt::ISODate));
    }
}

TEST_F(DispenserEntry, TheMidnightTicketCarriesYesterdayAndCountsInTheStationsHour)
{
    ts.clock.setNow(QDateTime(QDate(2026, 1, 6), QTime(0, 1, 10)));
    issue("0123", QTime(23, 59));
    EXPECT_EQ(row(QStringLiteral("입차일 || ' ' || 입차시간 || ' ' || 입차코드")),
              QStringLiteral("2026-01-05 23:59 0123202601052359"));
    EXPECT_EQ(hourEntries(0), 1);
    EXPECT_EQ(hourEntries(23), 0);
}

// ---- season cards ----

TEST_F(DispenserEntry, ASeasonCardGoesToTheEntranceGate)
{
    QStringList calls;
    st.routines.Season_In = [&](Station&, QString& card, qint16& gate) { calls << card + QStringLiteral("@%1").arg(gate); };
    receiveFrame(dispenser::IssueData("1234", QTime(8, 0), '4'));
    EXPECT_EQ(calls, QStringList{QStringLiteral("0000001234@1")});
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), 0);
    EXPECT_EQ(hourEntries(9), 0);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST_F(DispenserEntry, ASeasonCardWithoutGatesRecordsNothing)
{
    st.settings.TicketsLeft = 5;
    receiveFrame(dispenser::IssueData("1234", QTime(8, 0), '4'));
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), 0);
    EXPECT_EQ(st.settings.TicketsLeft, 5);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

// ---- the status frame ----

struct StatusCase {
    const char* name;
    quint8 s1, s2;
    QStringList events; // after the entry line
    const char* lamp;   // null: alarm off
};

TEST_F(DispenserEntry, TheStatusFrameRecordsTheEntryAndShowsItsBits)
{
    const QString e = QStringLiteral("TD EVENT : 일시 = 2026-01-05내역 = ");
    const StatusCase cases[] = {
        {"no bits", 0x30, 0x30, {}, nullptr},
        {"fault", 0x31, 0x30, {e + QStringLiteral("발행기 이상발생!")}, "장비정지"},
        {"inspection", 0x30, 0x32, {e + QStringLiteral("장비점검중!")}, "장비점검중"},
        {"no paper", 0x30, 0x38, {e + QStringLiteral("용지없음!")}, "주차권없음"},
        {"all three", 0x01, 0x0A,
         {e + QStringLiteral("발행기 이상발생!"), e + QStringLiteral("장비점검중!"), e + QStringLiteral("용지없음!")},
         "주차권없음"},
        {"other bits", 0xFE, 0xF5, {}, nullptr},
    };
    int n = 0;
    for (const StatusCase& c : cases) {
        SCOPED_TRACE(c.name);
        ts.screen.list1.clear();
        const QByteArray no = QByteArray::number(++n).rightJustified(4, '0');
        receiveFrame(dispenser::StatusEntry(no, QTime(8, 58), c.s1, c.s2));
        EXPECT_EQ(ts.value(QStringLiteral("SELECT 입차코드 FROM 일반권 WHERE 티켓번호 = ?"), {QString::fromLatin1(no)})
                      .toString(),
                  QString::fromLatin1(no) + QStringLiteral("202601050858"));
        EXPECT_EQ(ts.screen.list1, QStringList{QStringLiteral("일반권 입차  주차권번호 : ") + QString::fromLatin1(no)} + c.events);
        EXPECT_EQ(st.DispenserAlarm != 0, c.lamp != nullptr);
        EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning2")), c.lamp ? QString::fromUtf8(c.lamp) : QString());
    }
    EXPECT_EQ(hourEntries(9), n);
}

// ---- stock ----

struct StockCase {
    qint32 before;
    DispenserFamily family;
    const char* panel; // null: the entry's own text stays
    bool shape;
    const char* lamp;  // null: the lamps keep their captions; "" emptied
    bool alarm;
};

TEST_F(DispenserEntry, StockWarningsByCountAndFamily)
{
    const QString entry = QStringLiteral("일반권 입차  주차권번호 : 0001");
    const QString replace = QStringLiteral("발행기의 주차권을 교환하세요.  잔여주차권 매수 : ");
    const QString low = QStringLiteral("발행기의 주차권이 고갈되어 갑니다. 잔여주차권 매수 : ");
    using F = DispenserFamily;
    const StockCase cases[] = {
        {0, F::First, nullptr, false, nullptr, false},
        {1, F::First, nullptr, false, nullptr, false},
        {2, F::First, "1", true, "주차권부족", true},
        {10, F::First, "9", true, "주차권부족", true},
        {11, F::First, "10", true, nullptr, false},
        {12, F::First, nullptr, false, nullptr, false},
        {101, F::First, "100", true, nullptr, false},
        {102, F::First, nullptr, false, nullptr, false},
        {0, F::Second, "0", true, "주차권없음", true},
        {1, F::Second, "0", true, "주차권없음", true},
        {2, F::Second, "1", true, "주차권부족", true},
        {11, F::Second, "10", true, nullptr, false},
        {12, F::Second, nullptr, false, "", false},
        {102, F::Second, nullptr, false, "", false},
    };
    for (const StockCase& c : cases) {
        SCOPED_TRACE(QStringLiteral("%1 family %2").arg(c.before).arg(c.family == F::First ? 1 : 2).toStdString());
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        ts.screen.texts.clear();
        ts.screen.visible.clear();
        ts.screen.setText(QStringLiteral("LblWarning1"), QStringLiteral("old"));
        ts.screen.setText(QStringLiteral("LblWarning2"), QStringLiteral("old"));
        st.DispenserAlarm = 0;
        st.settings.TicketsLeft = c.before;
        RecordEntry(st, c.family, {QStringLiteral("0001"), QStringLiteral("08"), QStringLiteral("00")});
        const qint32 after = c.before > 0 ? c.before - 1 : 0;
        EXPECT_EQ(st.settings.TicketsLeft, after);
        const QString panel = !c.panel ? entry
                              : after < 10 ? replace + QString::fromLatin1(c.panel)
                                           : low + QString::fromLatin1(c.panel);
        EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), panel);
        EXPECT_EQ(ts.screen.isVisible(QStringLiteral("Shape1")), c.shape);
        EXPECT_EQ(st.DispenserAlarm != 0, c.alarm);
        const QString lamp = !c.lamp ? QStringLiteral("old") : QString::fromUtf8(c.lamp);
        EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning2")), lamp);
        EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning1")),
                  c.alarm ? QStringLiteral("발행기 이상발생!") : (c.lamp ? QString() : QStringLiteral("old")));
    }
}

TEST_F(DispenserEntry, TheSecondFamilyCountsEntriesOnTheCountersAndTheHourRow)
{
    Write_Ini(st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반권입차수"), QStringLiteral("7"));
    ts.screen.setText(QStringLiteral("CarCnt_1"), QStringLiteral("3"));
    ts.screen.setText(QStringLiteral("CarCnt_6"), QStringLiteral("10"));
    RecordEntry(st, DispenserFamily::Second, {QStringLiteral("0001"), QStringLiteral("08"), QStringLiteral("00")},
                QStringLiteral(" 상태"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("CarCnt_0")), QStringLiteral("8"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("CarCnt_2")), QStringLiteral("5"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("CarCnt_6")), QStringLiteral("11"));
    EXPECT_EQ(ini("일반권입차수"), QStringLiteral("8"));
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터유무 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 1);
    EXPECT_EQ(ts.screen.list1.last(), QStringLiteral("일반권 입차  주차권번호 : 0001 상태"));
}

TEST_F(DispenserEntry, ABrokenDatabaseRecordsNothingAndSaysWhy)
{
    st.settings.TicketsLeft = 5;
    Exec(st.Db, QStringLiteral("DROP TABLE 시간대별"));
    issue("0123", QTime(8, 0));
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), 0);
    EXPECT_EQ(st.settings.TicketsLeft, 5);
    ASSERT_EQ(ts.screen.list1.size(), 1);
    EXPECT_TRUE(ts.screen.list1[0].startsWith(QStringLiteral("발권기 수신 오류 : ")));
    EXPECT_FALSE(st.HostPending[HostTD]);
}

} // namespace

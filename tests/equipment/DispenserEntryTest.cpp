// Issued tickets becoming entry rows: the row, its hour, stock and warnings,
// the status frame, season cards, the midnight ticket and repeated reports.

#include "equipment/DispenserTestSupport.h"
#include "equipment/EntryRecord.h"
#include "platform/Ini.h"

#include <QFile>
#include <QFileInfo>
#include <sys/inotify.h>
#include <unistd.h>

using namespace tolvo;
using namespace tolvo::sim;
using namespace Qt::StringLiterals;
using tolvo::test::DispenserFixture;

namespace {

class DispenserEntry : public DispenserFixture {
protected:
    void issue(const QByteArray& no, const QTime& t, char kind = '1') { receiveFrame(dispenser::IssueData(no, t, kind)); }
    QString ini(const QString& key) const { return Read_Ini(st.IniPath, u"시스템"_s, key, u"-"_s); }
    QString row(const QString& columns) const { return ts.value(u"SELECT "_s + columns + u" FROM 일반권"_s).toString(); }
    QString text(const QString& name) const { return ts.screen.text(name); }
};

TEST_F(DispenserEntry, AnIssueFrameBecomesARowWithItsHourStockAndLine)
{
    st.models.PosCode = 3;
    st.settings.TicketsLeft = 50;
    st.DispenserAlarm = -1;
    ts.screen.setText(u"LblWarning1"_s, u"발행기 이상발생!"_s);
    ts.screen.setVisible(u"LblWarning2"_s, true);
    issue("0123", QTime(8, 59)); // station 09:00
    EXPECT_EQ(row(u"포스코드||'|'||티켓번호||'|'||입차일||'|'||입차시간||'|'||입차코드||'|'||정산구분||'|'||"
                  u"전송여부||'|'||ifnull(출차일, 'null')"_s),
              u"3|0123|2026-01-05|08:59|0123202601050859|0|1|null"_s);
    EXPECT_EQ(hourEntries(9), 1);
    EXPECT_EQ(hourEntries(8), 0);
    EXPECT_EQ(ts.value(u"SELECT 일반권입차수 || '|' || 데이터유무 FROM 시간대별 WHERE 정산여부 = 1"_s).toString(), u"40|0"_s);
    EXPECT_EQ(text(u"PnlMsg"_s), u"일반권 입차  주차권번호 : 0123"_s);
    EXPECT_EQ(ts.screen.list1, QStringList{u"일반권 입차  주차권번호 : 0123"_s});
    EXPECT_TRUE(st.HostPending[HostTD]);
    EXPECT_EQ(st.settings.TicketsLeft, 49);
    EXPECT_EQ(text(u"LblTDCnt"_s) + u"|"_s + ini(u"잔여티켓매수"_s), u"49|49"_s);
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
    EXPECT_EQ(ini(u"일반권입차수"_s), u"-"_s); // the first family leaves the entry counter alone
    // A ticket came out: the alarm is off and the lamps empty and hidden.
    EXPECT_EQ(st.DispenserAlarm, 0);
    EXPECT_EQ(text(u"LblWarning1"_s), QString());
    EXPECT_FALSE(ts.screen.isVisible(u"LblWarning2"_s));
    // The host flag follows the print option.
    Exec(st.Db, u"UPDATE 인쇄옵션 SET 일반권입차전송 = 0"_s);
    issue("0124", QTime(8, 59));
    EXPECT_EQ(ts.value(u"SELECT 전송여부 FROM 일반권 WHERE 티켓번호 = '0124'"_s).toInt(), 1);
    Exec(st.Db, u"UPDATE 인쇄옵션 SET 일반권입차전송 = 1"_s);
    issue("0125", QTime(8, 59));
    EXPECT_EQ(ts.value(u"SELECT 전송여부 FROM 일반권 WHERE 티켓번호 = '0125'"_s).toInt(), 0);
}

TEST_F(DispenserEntry, FrameTextReachesTheDatabaseAsValues)
{
    issue("1';-", QTime(8, 0));
    EXPECT_EQ(row(u"티켓번호 || ' ' || 입차코드"_s), u"1';- 1';-202601050800"_s);
}

TEST_F(DispenserEntry, ARepeatedReportRecordsNothingTwice)
{
    st.settings.TicketsLeft = 50;
    issue("0123", QTime(8, 59));
    issue("0123", QTime(8, 59));
    issue("0124", QTime(9, 0));
    EXPECT_EQ(ts.count(u"일반권"_s), 2);
    EXPECT_EQ(hourEntries(9), 2);
    EXPECT_EQ(st.settings.TicketsLeft, 48);
    EXPECT_EQ(ts.screen.list1, QStringList({u"일반권 입차  주차권번호 : 0123"_s,
                                            u"발권기 수신 오류 : 이미 기록된 주차권입니다. 입차코드 : 0123202601050859"_s,
                                            u"일반권 입차  주차권번호 : 0124"_s}));
}

TEST_F(DispenserEntry, WrongLengthsAndSeasonCardsWithoutGatesRecordNothing)
{
    st.settings.TicketsLeft = 5;
    const QByteArray t = dispenser::IssueData("0123", QTime(8, 0));
    receiveFrame(t.left(52));
    receiveFrame(t + "0");
    receiveFrame(dispenser::StatusEntry("0123", QTime(8, 0), 0, 0) + "0");
    issue("1234", QTime(8, 0), '4');
    EXPECT_EQ(ts.count(u"일반권"_s), 0);
    EXPECT_EQ(st.settings.TicketsLeft, 5);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST_F(DispenserEntry, ASeasonCardGoesToTheEntranceGate)
{
    QStringList calls;
    st.routines.Season_In = [&](Station&, QString& card, qint16& gate) { calls << card + u"@%1"_s.arg(gate); };
    issue("1234", QTime(8, 0), '4');
    EXPECT_EQ(calls, QStringList{u"0000001234@1"_s});
    EXPECT_EQ(ts.count(u"일반권"_s) + hourEntries(9), 0);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST(DispenserEntryDate, ATicketFromBeforeMidnightKeepsItsDay)
{
    const struct { const char* name; QTime station, issued; QDate day; } cases[] = {
        {"a minute before the station", QTime(9, 0), QTime(8, 59), QDate(2026, 1, 5)},
        {"a minute after the station", QTime(9, 0), QTime(9, 1), QDate(2026, 1, 5)},
        {"23:59 recorded at 00:01", QTime(0, 1), QTime(23, 59), QDate(2026, 1, 4)},
        {"exactly 12 hours after", QTime(11, 0), QTime(23, 0), QDate(2026, 1, 5)},
        {"12 hours and a minute after", QTime(11, 0), QTime(23, 1), QDate(2026, 1, 4)},
        {"00:00 at 23:59", QTime(23, 59), QTime(0, 0), QDate(2026, 1, 5)},
    };
    for (const auto& c : cases) EXPECT_EQ(EntryDate(QDateTime(QDate(2026, 1, 5), c.station), c.issued), c.day) << c.name;
}

TEST_F(DispenserEntry, TheMidnightTicketCarriesYesterdayAndCountsInTheStationsHour)
{
    ts.clock.setNow(QDateTime(QDate(2026, 1, 6), QTime(0, 1, 10)));
    issue("0123", QTime(23, 59));
    EXPECT_EQ(row(u"입차일 || ' ' || 입차시간 || ' ' || 입차코드"_s), u"2026-01-05 23:59 0123202601052359"_s);
    EXPECT_EQ(hourEntries(0), 1);
    EXPECT_EQ(hourEntries(23), 0);
}

TEST_F(DispenserEntry, TheStatusFrameRecordsTheEntryAndShowsItsBits)
{
    const QString e = u"TD EVENT : 일시 = 2026-01-05내역 = "_s;
    const QString fault = e + u"발행기 이상발생!"_s, check = e + u"장비점검중!"_s, paper = e + u"용지없음!"_s;
    const struct { const char* name; quint8 s1, s2; QStringList events; QString lamp; } cases[] = {
        {"no bits", 0x30, 0x30, {}, {}},
        {"fault", 0x31, 0x30, {fault}, u"장비정지"_s},
        {"inspection", 0x30, 0x32, {check}, u"장비점검중"_s},
        {"no paper", 0x30, 0x38, {paper}, u"주차권없음"_s},
        {"all three", 0x01, 0x0A, {fault, check, paper}, u"주차권없음"_s},
        {"other bits", 0xFE, 0xF5, {}, {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ts.screen.list1.clear();
        const QString no = QString::number(++n).rightJustified(4, u'0');
        receiveFrame(dispenser::StatusEntry(no.toLatin1(), QTime(8, 58), c.s1, c.s2));
        EXPECT_EQ(ts.value(u"SELECT 입차코드 FROM 일반권 WHERE 티켓번호 = ?"_s, {no}).toString(), no + u"202601050858"_s);
        EXPECT_EQ(ts.screen.list1, QStringList{u"일반권 입차  주차권번호 : "_s + no} + c.events);
        EXPECT_EQ(st.DispenserAlarm != 0, !c.lamp.isEmpty());
        EXPECT_EQ(text(u"LblWarning2"_s), c.lamp);
    }
    EXPECT_EQ(hourEntries(9), n);
}

TEST_F(DispenserEntry, StockWarningsByCountAndFamily)
{
    const QString replace = u"발행기의 주차권을 교환하세요.  잔여주차권 매수 : "_s;
    const QString low = u"발행기의 주차권이 고갈되어 갑니다. 잔여주차권 매수 : "_s;
    using F = DispenserFamily;
    // panel null: the entry's own text stays; lamp null: the lamps keep their captions, "" emptied.
    const struct { qint32 before; F family; const char* panel; bool shape; const char* lamp; bool alarm; } cases[] = {
        {0, F::First, nullptr, false, nullptr, false},   {1, F::First, nullptr, false, nullptr, false},
        {2, F::First, "1", true, "주차권부족", true},    {10, F::First, "9", true, "주차권부족", true},
        {11, F::First, "10", true, nullptr, false},      {12, F::First, nullptr, false, nullptr, false},
        {101, F::First, "100", true, nullptr, false},    {102, F::First, nullptr, false, nullptr, false},
        {0, F::Second, "0", true, "주차권없음", true},   {1, F::Second, "0", true, "주차권없음", true},
        {2, F::Second, "1", true, "주차권부족", true},   {11, F::Second, "10", true, nullptr, false},
        {12, F::Second, nullptr, false, "", false},      {102, F::Second, nullptr, false, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(u"%1 family %2"_s.arg(c.before).arg(c.family == F::First ? 1 : 2).toStdString());
        Exec(st.Db, u"DELETE FROM 일반권"_s);
        ts.screen.visible.clear();
        ts.screen.setText(u"LblWarning1"_s, u"old"_s);
        ts.screen.setText(u"LblWarning2"_s, u"old"_s);
        st.DispenserAlarm = 0;
        st.settings.TicketsLeft = c.before;
        RecordEntry(st, c.family, {u"0001"_s, u"08"_s, u"00"_s});
        const qint32 after = c.before > 0 ? c.before - 1 : 0;
        EXPECT_EQ(st.settings.TicketsLeft, after);
        EXPECT_EQ(text(u"PnlMsg"_s), !c.panel ? u"일반권 입차  주차권번호 : 0001"_s
                                              : (after < 10 ? replace : low) + QString::fromLatin1(c.panel));
        EXPECT_EQ(ts.screen.isVisible(u"Shape1"_s), c.shape);
        EXPECT_EQ(st.DispenserAlarm != 0, c.alarm);
        EXPECT_EQ(text(u"LblWarning2"_s), !c.lamp ? u"old"_s : QString::fromUtf8(c.lamp));
        EXPECT_EQ(text(u"LblWarning1"_s), c.alarm ? u"발행기 이상발생!"_s : (c.lamp ? QString() : u"old"_s));
    }
}

TEST_F(DispenserEntry, TheSecondFamilyCountsEntriesOnTheCountersAndTheHourRow)
{
    Write_Ini(st.IniPath, u"시스템"_s, u"일반권입차수"_s, u"7"_s);
    ts.screen.setText(u"CarCnt_1"_s, u"3"_s);
    ts.screen.setText(u"CarCnt_6"_s, u"10"_s);
    RecordEntry(st, DispenserFamily::Second, {u"0001"_s, u"08"_s, u"00"_s}, u" 상태"_s);
    EXPECT_EQ(text(u"CarCnt_0"_s) + u"|"_s + text(u"CarCnt_2"_s) + u"|"_s + text(u"CarCnt_6"_s), u"8|5|11"_s);
    EXPECT_EQ(ini(u"일반권입차수"_s), u"8"_s);
    EXPECT_EQ(ts.value(u"SELECT 데이터유무 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9"_s).toInt(), 1);
    EXPECT_EQ(ts.screen.list1.last(), u"일반권 입차  주차권번호 : 0001 상태"_s);
}

// Counts the times the settings file is replaced (renamed over) in its folder.
class SettingsReplacements {
public:
    explicit SettingsReplacements(const QString& iniPath)
        : m_name(QFileInfo(iniPath).fileName().toUtf8()), m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        // Both halves of each rename, so that two replacements in a row are not merged into one event.
        ::inotify_add_watch(m_fd, QFile::encodeName(QFileInfo(iniPath).absolutePath()).constData(),
                            IN_MOVED_FROM | IN_MOVED_TO);
    }
    ~SettingsReplacements() { ::close(m_fd); }
    SettingsReplacements(const SettingsReplacements&) = delete;
    SettingsReplacements& operator=(const SettingsReplacements&) = delete;

    // The replacements since the last call (the events are queued by the rename itself).
    int take()
    {
        int n = 0;
        alignas(inotify_event) char buf[4096];
        for (ssize_t got; (got = ::read(m_fd, buf, sizeof buf)) > 0;)
            for (ssize_t at = 0; at < got;) {
                const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
                if ((e->mask & IN_MOVED_TO) && e->len > 0 && m_name == e->name) ++n;
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        return n;
    }

private:
    QByteArray m_name;
    int m_fd;
};

TEST_F(DispenserEntry, EachTicketReplacesTheSettingsFileOnceWithAllItsCounts)
{
    struct Case {
        DispenserFamily family;
        const char* ticket;
        const char* entries; // 일반권입차수 after the ticket
    };
    for (const Case& c : {Case{DispenserFamily::First, "0001", "7"}, Case{DispenserFamily::Second, "0002", "8"}}) {
        SCOPED_TRACE(c.ticket);
        Write_Ini(st.IniPath, u"시스템"_s, u"일반권입차수"_s, u"7"_s);
        st.settings.TicketsLeft = 20;
        SettingsReplacements replaced(st.IniPath);
        QString atRefresh; // the file as the totals are read again, right after the commit
        ts.screen.whenTotalsRefreshed = [&] { atRefresh = ini(u"일반권입차수"_s) + u"|"_s + ini(u"잔여티켓매수"_s); };
        RecordEntry(st, c.family, {QString::fromLatin1(c.ticket), u"08"_s, u"00"_s}, QString());
        EXPECT_EQ(replaced.take(), 1);
        EXPECT_EQ(ini(u"일반권입차수"_s) + u"|"_s + ini(u"잔여티켓매수"_s), QString::fromLatin1(c.entries) + u"|19"_s);
        EXPECT_EQ(atRefresh, QString::fromLatin1(c.entries) + u"|19"_s);
        ts.screen.whenTotalsRefreshed = nullptr;
    }
}

TEST_F(DispenserEntry, ABrokenDatabaseRecordsNothingAndSaysWhy)
{
    st.settings.TicketsLeft = 5;
    Exec(st.Db, u"DROP TABLE 시간대별"_s);
    issue("0123", QTime(8, 0));
    EXPECT_EQ(ts.count(u"일반권"_s), 0);
    EXPECT_EQ(st.settings.TicketsLeft, 5);
    ASSERT_EQ(ts.screen.list1.size(), 1);
    EXPECT_TRUE(ts.screen.list1[0].startsWith(u"발권기 수신 오류 : "_s));
    EXPECT_FALSE(st.HostPending[HostTD]);
}

} // namespace

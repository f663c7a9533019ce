// The first dispenser family's link on a fake port 0: senders, control bytes,
// poll replies, clock reports, events and the containment of a bad frame.

#include "equipment/DispenserTestSupport.h"

#include <deque>
#include <functional>

using namespace tolvo;
using namespace tolvo::sim;
using namespace Qt::StringLiterals;
using tolvo::test::DispenserFixture;

namespace {

const QString kResynced = u"TD EVENT : 발행기의 시간이 시스템 시간으로 재설정 되었습니다."_s;

class DispenserLink : public DispenserFixture {};

TEST_F(DispenserLink, SendersWriteTheirFrameAndWaitForTheirReply)
{
    const auto poll = [](DispenserFamily1& l) { return l.TD_Poll(); };
    const auto clock = [](DispenserFamily1& l) { return l.CTL_TimeSetUp(); };
    const auto display = [](DispenserFamily1& l) { return l.Vfd_TimeSet(); };
    const auto text = [](DispenserFamily1& l) { return l.Vfd_Out(u"WELCOME"_s); };
    const QByteArray pollWire("\x02" "C000\x03\x70"), clockWire("\x02" "C0052601050900001\x03\x4d");
    // Monday 2026-01-05 09:00:00 is weekday 1; an empty answer is none.
    const struct { const char* name; std::function<bool(DispenserFamily1&)> call; QByteArray wire, answer; bool result; }
        cases[] = {
            {"poll answered", poll, pollWire, QByteArray("D00000\x00", 7), true},
            {"poll unanswered", poll, pollWire, {}, false},
            {"poll answered with code 01", poll, pollWire, QByteArray("D00100\x00", 7), false},
            {"clock", clock, clockWire, "C005P", true},
            {"clock without reply", clock, clockWire, {}, false},
            {"clock answered by the display reply", clock, clockWire, "C029P", false},
            {"display time one second early", display, "\x02" "C029TS26/01/05 08:59:59\x03\x54", "C029P", true},
            {"display text", text, "\x02" "C029DSM0WELCOME\x03\x4b", "C029P", true},
        };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device().clearWrites();
        device().replier = [&](const QByteArray&) { return c.answer.isEmpty() ? QByteArray() : dispenser::Frame(c.answer); };
        EXPECT_EQ(c.call(*link), c.result);
        EXPECT_EQ(device().written(), c.wire);
    }
    // The timer's slots reach the same senders.
    device().clearWrites();
    st.routines.CTL_TimeSetUp(st);
    st.routines.Vfd_TimeSet(st);
    EXPECT_EQ(sentTexts(), QStringList({u"C0052601050900001"_s, u"C029TS26/01/05 08:59:59"_s}));
}

TEST_F(DispenserLink, SendersDoNothingOnAClosedPortOrAnEmptyText)
{
    EXPECT_FALSE(link->Vfd_Out(QString()));
    st.comm->closePort(PortDispenser);
    EXPECT_FALSE(link->TD_Poll() || link->CTL_TimeSetUp() || link->Vfd_TimeSet() || link->Vfd_Out(u"X"_s));
    EXPECT_TRUE(device().writes.empty());
}

TEST_F(DispenserLink, AckIsAnsweredAtOnceAndEnqNakAreIgnored)
{
    receive("\x06");
    EXPECT_EQ(device().written(), QByteArray("\x05" "C0"));
    device().clearWrites();
    // ACK, ENQ and NAK inside a poll reply: answered or dropped, never buffered.
    receive(QByteArray("\x02" "D0\x06" "00\x05" "0\x15" "0\x10\x03", 13));
    EXPECT_EQ(device().written(), QByteArray("\x05" "C0" "\x02" "C014\x03\x75"));
}

TEST_F(DispenserLink, OneBadFrameCostsOnlyItself)
{
    QByteArray read = dispenser::Frame(dispenser::IssueData("0001", QTime(8, 0)));
    read.replace(read.indexOf("D014000") + 7 + 12, 4, "2500"); // an hour QTime cannot hold
    receive(read + dispenser::Frame(dispenser::IssueData("0002", QTime(8, 59))));
    EXPECT_EQ(ts.value(u"SELECT group_concat(티켓번호) FROM 일반권"_s).toString(), u"0002"_s);
    ASSERT_GE(ts.screen.list1.size(), 2);
    EXPECT_EQ(ts.screen.list1[0], u"발권기 수신 오류 : 발권 시각이 잘못되었습니다 : 25:00"_s);
}

TEST_F(DispenserLink, APortTestFrameKeepsTheRestOfTheRead)
{
    receive(QByteArray("\x02PORT_TEST\x03") + dispenser::Frame(QByteArray("D00000\x10", 7)));
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_EQ(sentTexts(), QStringList{u"C014"_s});
}

TEST_F(DispenserLink, AFrameOverTheCapIsDroppedAndTheNextOneRead)
{
    receive(QByteArray("\x02") + QByteArray(300, 'A'));
    receive(QByteArray(100, 'B') + QByteArray("\x03"));
    EXPECT_TRUE(sentTexts().isEmpty());
    ASSERT_FALSE(ts.screen.list1.isEmpty());
    EXPECT_TRUE(ts.screen.list1[0].startsWith(u"발권기 수신 오류 : 수신 프레임이 너무 깁니다"_s));
    receive(dispenser::Frame(QByteArray("D00000\x20", 7)));
    EXPECT_EQ(sentTexts(), QStringList{u"C015"_s});
}

TEST_F(DispenserLink, BytesArrivingDuringAWaitAreHandledInOrder)
{
    // The clock report asks for a clock setting; the dispenser's reply arrives
    // together with an issue frame, and another issue frame followed the report.
    device().replier = [](const QByteArray& w) {
        if (!w.contains("C005")) return QByteArray();
        return dispenser::Frame("C005P") + dispenser::Frame(dispenser::IssueData("0011", QTime(9, 0)));
    };
    receive(dispenser::Frame(dispenser::ClockReport(QDateTime(QDate(2026, 1, 5), QTime(8, 0)))) +
            dispenser::Frame(dispenser::IssueData("0010", QTime(8, 59))));
    EXPECT_TRUE(ts.screen.list1.contains(kResynced));
    EXPECT_EQ(ts.value(u"SELECT group_concat(티켓번호, ',') FROM 일반권"_s).toString(), u"0010,0011"_s);
}

TEST_F(DispenserLink, ABurstDuringAPollIsHandledInsideItInArrivalOrder)
{
    // Season cards read by the dispenser open the entrance barrier, whose relay
    // pulse waits; the dispenser babbles one frame per turn of the event loop and
    // answers the poll last. Frames are handled inside the poll's wait; one that
    // comes while a card's barrier waits follows it.
    QStringList cardsIn, barriersOpened;
    st.routines.Season_In = [&](Station& s, QString& card, qint16&) {
        cardsIn << card;
        Delay(s, 0.5);
        barriersOpened << card;
    };
    std::deque<QByteArray> burst;
    for (int i = 1; i <= 16; ++i) {
        const QByteArray no = QByteArray::number(i).rightJustified(4, '0');
        burst.push_back(dispenser::Frame(dispenser::IssueData(no, QTime(8, 30), i % 2 ? '1' : '4')));
    }
    burst.push_back(dispenser::Frame(QByteArray("D00000\x00", 7)));
    fake.waits->onEvents = [&] {
        if (burst.empty()) return;
        device().inject(burst.front());
        burst.pop_front();
    };

    EXPECT_TRUE(link->TD_Poll());
    fake.waits->onEvents = nullptr;

    EXPECT_EQ(ts.value(u"SELECT group_concat(티켓번호, ',') FROM 일반권"_s).toString(),
              u"0001,0003,0005,0007,0009,0011,0013,0015"_s);
    const QStringList cards{u"0000000002"_s, u"0000000004"_s, u"0000000006"_s, u"0000000008"_s,
                            u"0000000010"_s, u"0000000012"_s, u"0000000014"_s, u"0000000016"_s};
    EXPECT_EQ(cardsIn, cards);
    EXPECT_EQ(barriersOpened, cards);
    EXPECT_LE(st.DeepestWaitNesting, 2);
    EXPECT_EQ(st.WaitNesting, 0);
}

TEST_F(DispenserLink, PollRepliesRequestWhatTheDispenserHolds)
{
    const struct { const char* name; QByteArray text; QStringList requests; } cases[] = {
        {"issue data and events waiting", QByteArray("D00000\x30", 7), {u"C014"_s}},
        {"issue data waiting", QByteArray("D00000\x10", 7), {u"C014"_s}},
        {"events waiting", QByteArray("D00000\x20", 7), {u"C015"_s}},
        {"nothing waiting", QByteArray("D00000\x00", 7), {}},
        {"code 01 still acted on", QByteArray("D00100\x10", 7), {u"C014"_s}},
        {"8 characters", QByteArray("D00000\x10X", 8), {}},
        {"6 characters", QByteArray("D00000", 6), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device().clearWrites();
        receiveFrame(c.text);
        EXPECT_EQ(sentTexts(), c.requests);
    }
}

TEST_F(DispenserLink, ClockReportsResyncOnlyWhenTheMinuteDiffersAndTheClockIsOff)
{
    const struct { const char* name; QTime station; QByteArray report; bool resync; const char* label; } cases[] = {
        {"2 s behind in another minute", QTime(9, 0, 0), "260105085958", false, "2026-01-05 08:59:58"},
        {"3 s behind in another minute", QTime(9, 0, 0), "260105085957", true, "2026-01-05 08:59:57"},
        {"1 s ahead in another minute", QTime(9, 0, 59), "260105090100", true, "2026-01-05 09:01:00"},
        {"50 s behind in the same minute", QTime(9, 0, 55), "260105090005", false, "2026-01-05 09:00:05"},
        {"10 hours behind", QTime(19, 0, 0), "260105090000", true, "2026-01-05 09:00:00"},
        {"a day ahead", QTime(9, 0, 0), "260106090000", true, "2026-01-06 09:00:00"},
        {"years behind", QTime(9, 0, 0), "190301120000", true, "2019-03-01 12:00:00"},
        {"impossible date", QTime(9, 0, 0), "261345250000", false, "2026-13-45 25:00:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        device().replier = [](const QByteArray& w) { return w.contains("C005") ? dispenser::Frame("C005P") : QByteArray(); };
        ts.clock.setNow(QDateTime(QDate(2026, 1, 5), c.station));
        ts.screen.list1.clear();
        device().clearWrites();
        receiveFrame(QByteArray("D013000") + c.report);
        EXPECT_EQ(ts.screen.text(u"LblTDTime"_s), QString::fromLatin1(c.label));
        EXPECT_EQ(!sentTexts().isEmpty(), c.resync);
        EXPECT_EQ(ts.screen.list1, c.resync ? QStringList{kResynced} : QStringList{});
    }
    // A resync that is not answered adds no line.
    device().replier = nullptr;
    device().clearWrites();
    receiveFrame(QByteArray("D013000") + "260105080000");
    EXPECT_EQ(sentTexts().size(), 1);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST_F(DispenserLink, EventsAddTheirLineAndSomeRaiseTheAlarm)
{
    // text null: not in the table; lamp null: no lamp.
    const struct { const char* code; const char* text; const char* lamp; } cases[] = {
        {"01", "장비의 전원이 켜졌다.", nullptr},        {"10", "장비정지 카드걸림 불량...", "카드걸림"},
        {"11", "장비정지 TPH 위치 불량...", nullptr},    {"12", "장비정지 CUTTER 위치 불량...", nullptr},
        {"13", "장비정지 카드회수 불량...", nullptr},    {"14", "장비정지 ....", "장비정지"},
        {"15", "장비정지 발행기 통신 불량", nullptr},    {"16", "장비정지 발행기 기록불량", nullptr},
        {"17", "장비정지 알수 없는 불량", nullptr},      {"26", "주차권이 떨어짐", "주차권없음"},
        {"57", "날짜/시간 재 설정", nullptr},            {"99", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ts.screen.list1.clear();
        ts.screen.texts.clear();
        st.DispenserAlarm = 0;
        receiveFrame(dispenser::Event("00042", QDateTime(QDate(2026, 1, 5), QTime(8, 7, 6)), c.code));
        const QString line = u"TD EVENT : 번호 = 00042일시 = 2026-01-05 08:07:06내역 = "_s + QString::fromUtf8(c.text);
        EXPECT_EQ(ts.screen.list1, c.text ? QStringList{line} : QStringList{});
        EXPECT_EQ(st.DispenserAlarm != 0, c.lamp != nullptr);
        EXPECT_EQ(ts.screen.text(u"LblWarning2"_s), QString::fromUtf8(c.lamp));
        EXPECT_EQ(ts.screen.text(u"LblWarning1"_s), c.lamp ? u"발행기 이상발생!"_s : QString());
    }
}

TEST_F(DispenserLink, PortsInitEmptiesTheReceiveBuffer)
{
    receive(QByteArray("\x02" "D00000"));
    Comm::PortsInit(st);
    st.comm->openPort(PortDispenser, kPath, SerialSettings{});
    receive(QByteArray("\x10\x03", 2));
    EXPECT_TRUE(sentTexts().isEmpty());
}

TEST_F(DispenserLink, TraceShowsTheHandshakeFramesAndErrors)
{
    st.comm->DebugOn = true;
    st.comm->DebugDevice = PortDispenser;
    const QByteArray issue = dispenser::Frame(dispenser::IssueData("0001", QTime(8, 0)));
    receive(QByteArray("\x06") + dispenser::Frame(QByteArray("D00000\x10", 7)) + issue + issue);
    for (const char* line : {"  주차권발행기: < ACK 수신", "  주차권발행기: > ENQ 송신",
                             "  주차권발행기: < 수신데이터 D00000\x10", "  주차권발행기: > 발권 데이터 요구 CMD (C014) 송신",
                             "  주차권발행기: < 수신 오류 이미 기록된 주차권입니다."})
        EXPECT_TRUE(st.comm->trace.text().contains(QString::fromUtf8(line))) << line;
}

} // namespace

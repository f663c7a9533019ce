// The exit reader: the paid-ticket verdict, its outcomes on the lane, reply
// codes, and frames split or joined across reads.

#include "common/TestStation.h"
#include "equipment/ExitReader.h"
#include "serial/FakeComm.h"
#include "sim/ExitReaderPeer.h"
#include "station/CommDispatch.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace tolvo;
using sim::ExitReaderPeer;

namespace {

QDateTime At(int y, int mo, int d, int h, int mi) { return QDateTime(QDate(y, mo, d), QTime(h, mi)); }
const QString kGateLine = QStringLiteral("차단기작동 :  GATE NUM = 1");
QString Paid(const char* paid) { return QStringLiteral("P6100") + ExitReaderPeer::PaidCard("0123", paid, "2601050930"); }

TEST(ExitTicketVerdict, ByLengthStampAndAllowedMinutes)
{
    struct Case { const char* name; QString reply; QDateTime now; int minutes; ExitVerdict expected;
                  } const cases[] = {
        {"paid this minute, 0 allowed", Paid("2601050930"), At(2026, 1, 5, 9, 30), 0, ExitVerdict::Valid},
        {"paid a minute ago, 0 allowed", Paid("2601050929"), At(2026, 1, 5, 9, 30), 0, ExitVerdict::TooLate},
        {"5 allowed, at the limit", Paid("2601050925"), At(2026, 1, 5, 9, 30), 5, ExitVerdict::Valid},
        {"5 allowed, one beyond", Paid("2601050924"), At(2026, 1, 5, 9, 30), 5, ExitVerdict::TooLate},
        {"new year, 0 allowed", Paid("2612312359"), At(2027, 1, 1, 0, 0), 0, ExitVerdict::TooLate},
        {"new year, 1 allowed", Paid("2612312359"), At(2027, 1, 1, 0, 0), 1, ExitVerdict::Valid},
        {"paid last June, read in March", Paid("2506151200"), At(2026, 3, 10, 9, 0), 60, ExitVerdict::TooLate},
        {"stamp not digits", Paid("26AB050930"), At(2026, 1, 5, 9, 30), 60, ExitVerdict::Unreadable},
        {"season card (36)", QStringLiteral("P61000004123412601010000260101261231"), At(2026, 1, 5, 9, 30), 0,
         ExitVerdict::Unreadable},
    };
    for (const Case& c : cases) EXPECT_EQ(JudgeExitTicket(c.reply, c.now, c.minutes), c.expected) << c.name;
}

class ExitReaderLane : public ::testing::Test {
protected:
    test::TestStation ts;
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    ExitReaderPeer peer;
    std::shared_ptr<ExitReaderLink> link;

    void SetUp() override
    {
        st.models.HasExitReader = true;
        st.models.FeeDispType = 0;
        ASSERT_TRUE(st.comm->openPort(PortCalc, kReader, SerialSettings{}));
        ASSERT_TRUE(st.comm->openPort(PortFeeDisp, kDisplay, SerialSettings{}));
        reader().replier = [this](const QByteArray& b) { return peer.onBytes(b); };
        AttachCommDispatch(st);
        link = AttachExitReader(st);
        ts.clock.setNow(At(2026, 1, 5, 9, 30));
    }
    FakeDevice& reader() { return fake.ports->device(kReader); }
    void receive(const QByteArray& bytes)
    {
        reader().inject(bytes);
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }
    // Lets a paid ticket's barrier pulse fall due.
    void settle() { Delay(st, 1.0); }

    static inline const QString kReader = QStringLiteral("/dev/fake-outrd");
    static inline const QString kDisplay = QStringLiteral("/dev/fake-vfd");
};

TEST_F(ExitReaderLane, FourOutcomesWithTheirFramesAndTheBarrier)
{
    struct Case { const char* name; QByteArray read; const char* command; const char* line; QByteArray display;
                  } const cases[] = {
        {"unreadable", ExitReaderPeer::Frame("P6100" + QString(20, u'0')), "C30",
         "출구판독기 : 카드정보를 읽을수 없습니다.", "\x02SW2L\x03"},
        {"not paid", ExitReaderPeer::Inserted(QStringLiteral("000101231") + QStringLiteral("2601050800")), "C30",
         "출구판독기 : 미정산차량이 출차를 시도합니다.", "\x02SW3L\x03"},
        {"too late", ExitReaderPeer::Frame(Paid("2601050929")), "C30", "출구판독기 : 출차시간 초과차량입니다.",
         "\x02SW4L\x03"},
        {"valid", ExitReaderPeer::Frame(Paid("2601050930")), "C31", "출구판독기 : 정상출차 되었습니다.",
         "\x02SW5L\x03\x02\x1b$?LR22\x03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        peer.commands.clear();
        ts.screen.list1.clear();
        fake.ports->device(kDisplay).clearWrites();
        receive(c.read);
        settle();
        EXPECT_EQ(peer.commands, QStringList{QString::fromLatin1(c.command)});
        EXPECT_EQ(ts.screen.list1.value(0), QString::fromUtf8(c.line));
        EXPECT_EQ(fake.ports->device(kDisplay).written(), c.display);
    }
}

TEST_F(ExitReaderLane, ReplyCodesAndSenders)
{
    const std::pair<const char*, const char*> codes[] = {
        {"PG3", "출구판독기 : 3번 RELAY를 ON/OFF (0.5초)"}, {"P01", "출구판독기가 초기화 되었습니다."},
        {"N43", "출구판독기 RETRY 명령 실패"}, {"NH1", "출구판독기 HEATING 명령 실패"}, {"P44", ""}, {"N50", ""}};
    for (const auto& [code, line] : codes) EXPECT_EQ(ExitReaderMessage(code), QString::fromUtf8(line)) << code;

    EXPECT_TRUE(link->OutRd_CTR());
    EXPECT_EQ(link->OutRdReply, QStringLiteral("PTR00202601050930000105"));
    link->Disp_Message(QString());
    link->Disp_Message(QStringLiteral("안녕"));
    EXPECT_EQ(peer.messages, QStringList{QStringLiteral("안녕")});
    reader().replier = [](const QByteArray&) { return QByteArray("\x06\x02N00\x03\x4e"); };
    EXPECT_FALSE(link->OutRd_Eject()); // a negative reply waits out the second
}

TEST_F(ExitReaderLane, SplitAndJoinedReads)
{
    // A block check equal to ACK, STX or ETX is skipped, not taken for what it looks like;
    // without the fee display a valid ticket is still taken in.
    const auto withCheck = [](const char* text, char check) { return ExitReaderPeer::Frame(text).chopped(1) + check; };
    st.comm->closePort(PortFeeDisp);
    const QByteArray valid = ExitReaderPeer::Frame(Paid("2601050930"));
    receive(valid.left(10));
    receive(valid.mid(10) + withCheck("PEA", '\x06') + withCheck("PER", '\x02') + withCheck("POK", '\x03'));
    EXPECT_EQ(peer.commands, QStringList{QStringLiteral("C31")});
    // The reports behind the ticket are handled inside its take-in's wait, in
    // order (the first ends it); then the ticket's own line. None is lost.
    EXPECT_EQ(ts.screen.list1.join(u'|'),
              QStringLiteral("출구판독기 : 미정산차량이 출차를 시도합니다.|출구판독기 : 카드정보를 읽을수 없습니다.|"
                             "출구판독기 : 정상출차 되었습니다.|출구판독기 : 정상출차 되었습니다."));
    // An overlong frame is dropped with a message; the next one is handled.
    ts.screen.list1.clear();
    receive("\x02" + QByteArray(300, '9') + "\x03\x00" + ExitReaderPeer::Frame(QStringLiteral("PG1")));
    ASSERT_EQ(ts.screen.list1.size(), 2);
    EXPECT_TRUE(ts.screen.list1[0].startsWith(QStringLiteral("출구판독기 수신 오류 : ")));
    EXPECT_EQ(ts.screen.list1[1], QStringLiteral("출구판독기 : 1번 RELAY를 ON/OFF (1초)"));
    // The port test is not parsed.
    receive("\x02PORT_TEST\x03");
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_EQ(ts.screen.list1.size(), 2);
}

TEST_F(ExitReaderLane, TicketsBackToBackAreHandledOneAfterAnotherInArrivalOrder)
{
    // Paid now (taken in, barrier), a minute too late (pushed back), paid now.
    const QByteArray tickets[] = {ExitReaderPeer::Frame(Paid("2601050930")), ExitReaderPeer::Frame(Paid("2601050929")),
                                  ExitReaderPeer::Frame(Paid("2601050930"))};
    enum class When { WithTheFirst, WithTheFirstsReply, AfterTheFirstsVerdict };
    const struct { const char* name; When second, third; } rows[] = {
        {"in one read", When::WithTheFirst, When::WithTheFirst},
        {"one by one, during the first's reply wait and after its verdict", When::WithTheFirstsReply, When::AfterTheFirstsVerdict},
    };
    const QByteArray open = "\x02\x1b$?LR22\x03";
    // The tickets behind a paid one are judged while its barrier waits; the pulses follow in order.
    const QByteArray barrierFrames = "\x02SW5L\x03" "\x02SW4L\x03" "\x02SW5L\x03" + open + open;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        peer.commands.clear();
        ts.screen.list1.clear();
        FakeDevice& display = fake.ports->device(kDisplay);
        display.clearWrites();
        st.DeepestWaitNesting = 0;
        const auto sentWith = [&](When w) {
            QByteArray b;
            if (r.second == w) b += tickets[1];
            if (r.third == w) b += tickets[2];
            return b;
        };
        reader().replier = [&](const QByteArray& b) {
            const bool first = peer.commands.isEmpty();
            const QByteArray out = peer.onBytes(b);
            return first && !peer.commands.isEmpty() ? out + sentWith(When::WithTheFirstsReply) : out;
        };
        bool injected = false;
        fake.waits->onEvents = [&] {
            if (injected || !display.written().startsWith("\x02SW5L\x03")) return;
            injected = true;
            reader().inject(sentWith(When::AfterTheFirstsVerdict));
        };
        receive(tickets[0] + sentWith(When::WithTheFirst));
        settle();
        fake.waits->onEvents = nullptr;

        EXPECT_EQ(peer.commands, (QStringList{QStringLiteral("C31"), QStringLiteral("C30"), QStringLiteral("C31")}));
        EXPECT_EQ(display.written(), barrierFrames);
        EXPECT_EQ(ts.screen.list1, (QStringList{QStringLiteral("출구판독기 : 정상출차 되었습니다."),
                                                QStringLiteral("출구판독기 : 출차시간 초과차량입니다."),
                                                QStringLiteral("출구판독기 : 정상출차 되었습니다."), kGateLine,
                                                kGateLine}));
        EXPECT_LE(st.DeepestWaitNesting, 2);
    }
}

TEST_F(ExitReaderLane, AnyPositiveFrameDuringASendersWaitEndsIt)
{
    // The reader answers the time query with nothing but a frame of its own: it
    // starts with "P", so the wait ends at once with true, and the frame is
    // handled inside it (a ticket is judged and taken in).
    const struct { const char* name; QByteArray report; QStringList commands; QStringList lines; } rows[] = {
        {"a ticket put in", ExitReaderPeer::Frame(Paid("2601050930")), {"CTR", "C31"},
         {QStringLiteral("출구판독기 : 정상출차 되었습니다."), kGateLine}},
        {"an event report", ExitReaderPeer::Frame(QStringLiteral("PEA")), {"CTR"},
         {QStringLiteral("출구판독기 : 미정산차량이 출차를 시도합니다.")}},
    };
    FakeWaits& waits = *fake.waits;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        peer.commands.clear();
        ts.screen.list1.clear();
        reader().replier = [&](const QByteArray& b) {
            const QByteArray out = peer.onBytes(b);
            return peer.commands.size() == 1 ? r.report : out;
        };
        const qint64 start = waits.nowMs();
        EXPECT_TRUE(link->OutRd_CTR());
        EXPECT_LT(waits.nowMs() - start, 1000);
        EXPECT_TRUE(link->OutRdReply.isEmpty());
        settle();
        EXPECT_EQ(peer.commands, r.commands);
        EXPECT_EQ(ts.screen.list1, r.lines);
    }
}

TEST_F(ExitReaderLane, AReplyIsHandledBeforeTheDataWaitingOnOtherPorts)
{
    // Four gate ports have data waiting when the reader's answer to C31 comes:
    // the wait takes its reply first and ends; the gates follow in their turn.
    const QString gates[] = {QStringLiteral("/dev/g1"), QStringLiteral("/dev/g2"), QStringLiteral("/dev/g3"),
                             QStringLiteral("/dev/g5")};
    const int ports[] = {PortSeasonIn1, PortSeasonOut1, PortSeasonIn2, PortSeasonOut2};
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(st.comm->openPort(ports[i], gates[i], SerialSettings{}));
    QList<int> handled;
    bool waiting = false;
    st.comm->setOnComm([&](int i, CommEvent ev) {
        if (ev != comEvReceive) return;
        if (waiting) handled << i;
        if (i == PortCalc) link->OutRd_Receive();
        else st.comm->Input(i);
    });
    reader().replier = [&](const QByteArray& b) {
        const QByteArray out = peer.onBytes(b);
        if (peer.commands.value(0) == QLatin1String("C31") && out == "\x06")
            for (const QString& g : gates) fake.ports->device(g).inject("\x02XY905172\x03");
        return out;
    };
    waiting = true;
    EXPECT_TRUE(link->OutRd_C31());
    waiting = false;
    EXPECT_EQ(handled.count(PortCalc), 2); // the ACK, then the reply
    EXPECT_LE(handled.size() - 2, 1);       // at most one gate's read before the reply
    settle();
}

TEST_F(ExitReaderLane, ATakeInAnsweredByAnEventReportEndsItsWaitAtOnce)
{
    // The reader answers C31 with "POK" only: the barrier's indication follows
    // at once, not after the second a take-in may wait.
    reader().replier = [this](const QByteArray& b) {
        const QByteArray out = peer.onBytes(b);
        return peer.commands.value(peer.commands.size() - 1) == QLatin1String("C31") && !out.isEmpty()
                   ? ExitReaderPeer::Frame(QStringLiteral("POK"))
                   : out;
    };
    FakeDevice& display = fake.ports->device(kDisplay);
    display.clearWrites();
    FakeWaits& waits = *fake.waits;
    const qint64 start = waits.nowMs();
    receive(ExitReaderPeer::Frame(Paid("2601050930")));
    ASSERT_FALSE(display.writes.empty());
    EXPECT_EQ(display.writes.front().bytes, QByteArray("\x02SW5L\x03"));
    EXPECT_LT(display.writes.front().atMs - start, 200);
    EXPECT_EQ(peer.commands, QStringList{QStringLiteral("C31")});
    EXPECT_EQ(ts.screen.list1.join(u'|'),
              QStringLiteral("출구판독기 : 정상출차 되었습니다.|출구판독기 : 정상출차 되었습니다."));
}

} // namespace

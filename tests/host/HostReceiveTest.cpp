#include "common/TestStation.h"
#include "core/FakeWaits.h"
#include "host/HostFrames.h"
#include "host/HostLink.h"
#include "serial/FakeComm.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// A clock whose setting the system may refuse.
class SettableClock : public Clock {
public:
    QDateTime now() const override { return m_now; }
    bool setNow(const QDateTime& t) override
    {
        ++sets;
        if (refuse) return false;
        m_now = t;
        return true;
    }
    bool refuse = false;
    int sets = 0;

private:
    QDateTime m_now{QDate(2026, 1, 5), QTime(9, 0, 0)};
};

// The host port and the fee display (VELDAMOR, whose relays 0 and 1 answer)
// on fakes; no database is needed to receive.
class HostReceive : public ::testing::Test {
protected:
    HostReceive()
    {
        fake = InstallFakeComm(st);
        link = AttachHost(st);
        open(PortHost);
        open(PortFeeDisp);
        st.models.FeeDispType = 0;
        st.comm->DebugOn = true;
        st.comm->DebugDevice = PortHost;
    }

    QString path(int port) const { return QStringLiteral("/dev/fake%1").arg(port); }
    FakeDevice& device(int port) { return fake.ports->device(path(port)); }
    void open(int port) { ASSERT_TRUE(st.comm->openPort(port, path(port), SerialSettings{})); }

    void receive(const QByteArray& bytes)
    {
        device(PortHost).inject(bytes);
        Host_Receive(st, *link);
    }
    void receiveFrame(const QString& text) { receive(TD_Frame(text)); }

    // Barrier relays pulsed through the fee display, in order.
    QList<int> gates() const
    {
        QList<int> out;
        for (const QString& line : screen.list1)
            if (line.startsWith(QStringLiteral("차단기작동 :  GATE NUM = "))) out << line.right(1).toInt();
        return out;
    }
    QString traceText() const { return st.comm->trace.text(); }

    SettableClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
    FakeComm fake;
    std::shared_ptr<HostLink> link;
};

QByteArray Bytes(const char* s) { return QByteArray(s); }

TEST_F(HostReceive, ByteWalk)
{
    const QByteArray overflow = QByteArray("\x02") + QByteArray(HostLink::FrameCap, 'A') + "I_OPEN\x03";
    const QByteArray wrapsAt101 = QByteArray("\x02") + QByteArray(101, 'A') + "I_OPEN\x03";
    // answered: written back on port 8
    const struct { const char* name; QList<QByteArray> reads; QByteArray answered; QList<int> gates; bool lampOn, echo; } rows[] = {
        {"ENQ outside a frame is answered", {Bytes("\x05")}, Bytes("\x10\x02"), {}, false, false},
        {"ENQ inside a frame is answered, not stored", {Bytes("\x02I_O\x05PEN\x03")}, Bytes("\x10\x02"), {0}, false, false},
        {"DLE turns the lamp on, not stored", {Bytes("\x02O_\x10OPEN\x03")}, {}, {1}, true, false},
        {"bytes before STX are dropped", {Bytes("xyz\x02I_OPEN\x03")}, {}, {0}, false, false},
        {"a frame split over reads", {Bytes("\x02I_O"), Bytes("PE"), Bytes("N\x03")}, {}, {0}, false, false},
        {"STX starts the frame afresh", {Bytes("\x02garbage\x02O_OPEN\x03")}, {}, {1}, false, false},
        {"I_OPEN with more after it is dropped", {Bytes("\x02I_OPENX\x03")}, {}, {}, false, false},
        {"I_OPEN with more before it is dropped", {Bytes("\x02 I_OPEN\x03")}, {}, {}, false, false},
        {"two frames in one read", {Bytes("\x02I_OPEN\x03\x02O_OPEN\x03")}, {}, {0, 1}, false, false},
        {"the block check after ETX is dropped", {TD_Frame(QStringLiteral("I_OPEN"))}, {}, {0}, false, false},
        {"ETX while idle handles nothing", {Bytes("\x03")}, {}, {}, false, false},
        {"an overflowing frame ending in I_OPEN opens nothing", {overflow}, {}, {}, false, false},
        {"a frame of 107 bytes opens nothing", {wrapsAt101}, {}, {}, false, false},
        {"after an overflow the next frame is whole", {overflow, Bytes("\x02I_OPEN\x03")}, {}, {0}, false, false},
        {"PORT_TEST ends the read", {Bytes("\x02PORT_TEST\x03\x02I_OPEN\x03")}, {}, {}, false, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        link->framer.reset();
        screen.list1.clear();
        device(PortHost).clearWrites();
        st.Connect1.setStatus(false);
        st.PortTestEcho = false;
        for (const QByteArray& read : r.reads) receive(read);
        EXPECT_EQ(device(PortHost).written(), r.answered);
        EXPECT_EQ(gates(), r.gates);
        EXPECT_EQ(st.Connect1.Status(), r.lampOn);
        EXPECT_EQ(st.PortTestEcho, r.echo);
    }
}

TEST_F(HostReceive, HostExitTurnsTheLampOffAndEndsTheRead)
{
    st.Connect1.setStatus(true);
    receive(Bytes("\x02HOST_EXIT\x03\x02I_OPEN\x03"));
    EXPECT_FALSE(st.Connect1.Status());
    EXPECT_TRUE(gates().isEmpty());
    EXPECT_TRUE(traceText().contains(QStringLiteral("  < 호스트 프로그램이 종료됨\r\n")));
    receive(Bytes("\x02I_OPEN\x03")); // the next read is handled
    EXPECT_EQ(gates(), QList<int>({0}));
}

TEST_F(HostReceive, HandshakeAndCommandsAreTraced)
{
    receive(Bytes("\x05\x10\x02I_OPEN\x03\x02O_OPEN\x03"));
    const QStringList expected{"  < 호스트 ENQ 수신", "  > 호스트 DLE 송신", "  < 호스트 DLE 수신",
                               "  < 호스트에 의한 입차열림 명령 수신 : I_OPEN",
                               "  < 호스트에 의한 출차열림 명령 수신 : O_OPEN"};
    qsizetype from = 0;
    for (const QString& line : expected) {
        const qsizetype at = traceText().indexOf(line + QStringLiteral("\r\n"), from);
        EXPECT_GE(at, from) << line.toStdString();
        from = at;
    }
}

TEST_F(HostReceive, AcknowledgementsByLength)
{
    const struct { const char* name; QString text, awaited; int kind; bool lampOn, traced; } rows[] = { // kind -1: no flag
        {"TD", "TD_ACK TD01234567", "TD01234567", HostTD, true, true},
        {"TD, any character at 7", "TD_ACKxTD01234567", "TD01234567", HostTD, true, true},
        {"TD, other key", "TD_ACK TD01234568", "TD01234567", -1, true, true},
        {"OUT", "OUT_ACK OUT30000042", "OUT30000042", HostOUT, true, true},
        {"OUT, other key: no trace", "OUT_ACK OUT30000043", "OUT30000042", -1, true, false},
        {"PAMT", "PAMT_ACKPAMT10000042", "PAMT10000042", HostPAMT, true, true},
        {"DISC, 20 characters", "DISC_ACKDISC10000042", "DISC10000042", HostDISC, true, true},
        {"DISC, other key", "DISC_ACKDISC10000041", "DISC10000042", -1, true, true},
        {"TIME", "TIME_ACK TIME10000042", "TIME10000042", HostTIME, true, true},
        {"DISC, 22 characters", "DISC_ACK DISC10000042 ", "DISC10000042", HostDISC, true, true},
        {"PKTIME", "PKTIME_ACK PKTIME10000042", "PKTIME10000042", HostPKTIME, true, true},
        {"CANCEL", "CANCEL_ACK CANCEL00000042", "CANCEL00000042", HostCANCEL, true, true},
        {"DISC with a blank is 21 long: dropped", "DISC_ACK DISC10000042", "DISC10000042", -1, false, false},
        {"a key one character short is dropped", "TD_ACK TD0000042", "TD0000042", -1, false, false},
        {"names are case-sensitive", "td_ack TD01234567", "TD01234567", -1, false, false},
        {"the ack of another kind's length is dropped", "TD_ACK TD012345678", "TD012345678", -1, false, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        link->HostAck.fill(false);
        st.Connect1.setStatus(false);
        st.Connect1.setProcessNum(r.awaited);
        st.comm->trace.clear();
        receiveFrame(r.text);
        for (int k = 0; k < HostKindCount; ++k) EXPECT_EQ(link->HostAck[k], k == r.kind) << "kind " << k;
        EXPECT_EQ(st.Connect1.Status(), r.lampOn);
        EXPECT_EQ(traceText().contains(QStringLiteral("  < 호스트 응답수신   : ") + r.text + QStringLiteral("\r\n")),
                  r.traced);
    }
}

TEST_F(HostReceive, ClockFrames)
{
    const QString good = QStringLiteral("TIME_SET_20260214153045");
    const QString okLine = QStringLiteral("호스트에 의한 시스템 시간 재설정 :  ");
    const QString failLine = QStringLiteral("호스트 시간 재설정 실패 : ");
    const QString rxTrace = QStringLiteral("  < 호스트에 의한 시스템 시간 재설정 수신 : ");
    const QDateTime before(QDate(2026, 1, 5), QTime(9, 0, 0));
    // list: the line List1 gets ahead of the frame, "" none
    const struct { const char* name; QString frame; bool sendsTime, busy, refuse; QDateTime after; QString list; } rows[] = {
        {"set", good, true, false, false, QDateTime(QDate(2026, 2, 14), QTime(15, 30, 45)), okLine},
        {"refused by the system", good, true, false, true, before, failLine},
        {"month 13", "TIME_SET_20261314153045", true, false, false, before, failLine},
        {"30 February", "TIME_SET_20260230153045", true, false, false, before, failLine},
        {"hour 24", "TIME_SET_20260214243045", true, false, false, before, failLine},
        {"second 60", "TIME_SET_20260214153060", true, false, false, before, failLine},
        {"year 1999", "TIME_SET_19991231235959", true, false, false, before, failLine},
        {"year 2100", "TIME_SET_21000101000000", true, false, false, before, failLine},
        {"letters", "TIME_SET_2026O214153045", true, false, false, before, failLine},
        {"blanks", "TIME_SET_2026 214153045", true, false, false, before, failLine},
        {"the host may not set the time", good, false, false, false, before, QString()},
        {"the station is busy", good, true, true, false, before, QString()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        clock.setNow(before);
        clock.sets = 0;
        clock.refuse = r.refuse;
        screen.list1.clear();
        st.comm->trace.clear();
        st.Connect1.setStatus(false);
        st.models.HostSendsTime = r.sendsTime;
        screen.setVisible(QStringLiteral("LblBusy"), r.busy);
        receiveFrame(r.frame);
        EXPECT_EQ(clock.now(), r.after);
        EXPECT_EQ(screen.list1, r.list.isEmpty() ? QStringList() : QStringList{r.list + r.frame});
        EXPECT_TRUE(st.Connect1.Status()); // every 23-character frame
        EXPECT_EQ(traceText().contains(rxTrace + r.frame), r.sendsTime && r.frame.size() == 23);
        EXPECT_EQ(traceText().contains(failLine + r.frame + QStringLiteral("\r\n")), r.list.startsWith(failLine));
    }
}

TEST_F(HostReceive, PortSetUpEmptiesAHalfReceivedFrame)
{
    receive(Bytes("\x02I_OP"));
    ASSERT_TRUE(link->framer.inFrame());
    // No database: the set-up opens nothing but still empties the buffers.
    Comm::PortsInit(st);
    EXPECT_FALSE(link->framer.inFrame());
}

// An 85-character verdict: a normal entry, which opens the first entrance.
QString EntryVerdict()
{
    return QStringLiteral("2026-01-05") + QStringLiteral("08:10") + QString(15, ' ') + QStringLiteral("정상입차    ")
        + QStringLiteral("0000012345") + QString(13 + 12, ' ') + QStringLiteral("2026-12-31") + QStringLiteral("1 ");
}

// The fee display of BEST TYPE holds its relay 0.5 s while events run.
class HostReceiveDuringPulse : public HostReceive {
protected:
    HostReceiveDuringPulse()
    {
        st.models.FeeDispType = 2;
        fake.waits->onEvents = [this] {
            if (arrivals.isEmpty()) return;
            device(PortHost).inject(arrivals.takeFirst());
            Host_Receive(st, *link); // the port's data-arrived event
        };
    }
    int pulses() { return int(device(PortFeeDisp).written().count(QByteArray::fromHex("A00112000000B0"))); }
    // Host lines of the trace, in order, from those that start with one of the prefixes.
    QStringList traced(const QStringList& prefixes) const
    {
        QStringList out;
        for (const QString& line : traceText().split(QStringLiteral("\r\n")))
            for (const QString& p : prefixes)
                if (line.contains(p)) out << line.mid(line.indexOf(p));
        return out;
    }

    QList<QByteArray> arrivals; // one per run of events
};

TEST_F(HostReceiveDuringPulse, AFrameSplitAcrossAVerdictsPulseStaysWholeAndInOrder)
{
    ASSERT_EQ(EntryVerdict().size(), 85);
    st.Connect1.setProcessNum(QStringLiteral("TD10000042"));
    arrivals = {Bytes("0042\x03\x02I_O"), Bytes("PEN\x03")};
    receive(TD_Frame(EntryVerdict()) + Bytes("\x02TD_ACK TD1000"));
    // The pulse does not wait inside the verdict: the rest arrives while the relay is on.
    EXPECT_EQ(pulses(), 1);
    Delay(st, 1.0);
    EXPECT_TRUE(link->HostAck[HostTD]);
    EXPECT_FALSE(link->framer.inFrame());
    EXPECT_EQ(pulses(), 2); // the verdict's, then I_OPEN's
    EXPECT_EQ(traced({QStringLiteral("  < 호스트 "), QStringLiteral("  < 호스트에 의한 ")}),
              QStringList({"  < 호스트 정기권 처리결과   : " + EntryVerdict(), "  < 호스트 응답수신   : TD_ACK TD10000042",
                           "  < 호스트에 의한 입차열림 명령 수신 : I_OPEN"}));
}

TEST_F(HostReceiveDuringPulse, ABurstOfCommandsRunsInArrivalOrderOneWaitDeep)
{
    QStringList expected;
    for (int i = 0; i < 300; ++i) {
        const bool in = i % 3 != 2;
        arrivals << (in ? Bytes("\x02I_OPEN\x03") : Bytes("\x02O_OPEN\x03"));
        expected << (in ? QStringLiteral("  < 호스트에 의한 입차열림 명령 수신 : I_OPEN")
                        : QStringLiteral("  < 호스트에 의한 출차열림 명령 수신 : O_OPEN"));
    }
    receive(Bytes("\x02I_OPEN\x03"));
    while (!arrivals.isEmpty()) Delay(st, 0.05);
    EXPECT_EQ(pulses(), 201); // every I_OPEN; this display works no exit barrier
    EXPECT_EQ(traced({QStringLiteral("  < 호스트에 의한 ")}), QStringList{QStringLiteral("  < 호스트에 의한 입차열림 명령 수신 : I_OPEN")} + expected);
    EXPECT_EQ(st.DeepestWaitNesting, 1);
    EXPECT_EQ(link->framer.heldFrames(), 0);
}

TEST(HostRxText, CodePage949)
{
    const struct { const char* name; QByteArray bytes; QString text; } rows[] = {
        {"ASCII", QByteArray("I_OPEN"), QStringLiteral("I_OPEN")},
        {"a Korean pair is one character", QByteArray("\xC1\xA4\xBB\xF3"), QStringLiteral("정상")},
        {"a lead byte at the end", QByteArray("AB\xC1"), QStringLiteral("AB\uFFFD")},
        {"an invalid pair is one character", QByteArray("A\xC1\x05" "B"), QStringLiteral("A\uFFFDB")},
        {"empty", QByteArray(), QString()},
    };
    for (const auto& r : rows) EXPECT_EQ(RxBytesToText(r.bytes), r.text) << r.name;
}

} // namespace

#include "serial/SerialTestUtil.h"

#include "platform/Cp949.h"

#include <QElapsedTimer>
#include <ctime>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

TEST(Frames, BccMatchesTheVectors)
{
    const struct { const char* text; quint8 bcc, bccStx; } cases[] = {
        {"abc", 0x63, 0x61}, {"", 0x03, 0x01}, {"PORT_TEST", 0x53, 0x51}, {"E", 0x46, 0x44},
        {"가", 0x12, 0x10},   // B0 A1 in CP949: both bytes count
        {"\x01", 0x02, 0x00}, // a control character below 16 is one byte like any other
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Get_BCC(QString::fromUtf8(c.text)), c.bcc) << c.text;
        EXPECT_EQ(Get_BCC_Stx(QString::fromUtf8(c.text)), c.bccStx) << c.text;
    }
}

TEST(Frames, TextFrameIsStxCp949DataEtxBcc)
{
    EXPECT_EQ(TD_Frame(QStringLiteral("abc")), Hex("0261626303" "63"));
    const QString korean = QStringLiteral("가A");
    const QByteArray expected = Hex("02B0A14103") + QByteArray(1, char(0xB0 ^ 0xA1 ^ 0x41 ^ 0x03));
    EXPECT_EQ(TD_Frame(korean), expected);
    EXPECT_EQ(PortTestFrame(), Hex("02504F52545F5445535403"));
}

TEST(Frames, PortTestEchoOnlyForTheExactText)
{
    TestStation ts(TestStation::Db::None);
    EXPECT_FALSE(CheckPortTestEcho(ts.st, "port_test"));
    EXPECT_FALSE(ts.st.PortTestEcho);
    EXPECT_TRUE(CheckPortTestEcho(ts.st, "PORT_TEST"));
    EXPECT_TRUE(ts.st.PortTestEcho);
}

TEST(PortNames, OnlyExactComNamesAreNumbers)
{
    EXPECT_EQ(ComPortNumber("Com1"), 1);
    EXPECT_EQ(ComPortNumber("Com16"), 16);
    for (const char* bad : {"COM3", "com3", "Com0", "Com17", "Com3 ", "Com3\n", " Com3", "Com", "LPT1", ""})
        EXPECT_EQ(ComPortNumber(QString::fromUtf8(bad)), 0) << bad;
}

TEST(PortNames, PortsSectionMapsNamesElseDefaults)
{
    TestStation ts(TestStation::Db::None);
    WriteIniText(ts.st.IniPath, "[시스템]\r\nCom7=/dev/wrong\r\n[Ports]\r\ncom7 = /dev/ttyUSB0\r\nLPT1=/dev/usb/lp0\r\n");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "Com7"), "/dev/ttyUSB0");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "Com1"), "/dev/ttyS0");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "Com16"), "/dev/ttyS15");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "LPT1"), "/dev/usb/lp0");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "LPT2"), "/dev/lp1");
    EXPECT_EQ(PortDevicePath(ts.st.IniPath, "COM7"), "");
}

class PortsInitTest : public ::testing::Test {
protected:
    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;

    QStringList shownTexts() const { return ts.msgs.texts(); }
};

TEST_F(PortsInitTest, NoDeviceInUseOpensNothingAndReportsSuccess)
{
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_TRUE(ts.msgs.shown.empty());
    for (int i = 0; i < PortCount; ++i) EXPECT_FALSE(st.comm->PortOpen(i));
    EXPECT_EQ(st.comm->StatusText, "통신포트가 정상적으로 설정되었습니다.");
}

TEST_F(PortsInitTest, FailuresAreReportedInOpeningOrderWithTheirMessages)
{
    for (int i = 0; i < PortCount; ++i) {
        UseDevice(st, PortDevices()[i].table, QStringLiteral("Com%1").arg(i + 1));
        fake.ports->failing.insert(QStringLiteral("/dev/ttyS%1").arg(i));
    }
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c'");
    EXPECT_FALSE(Comm::PortsInit(st));
    const QStringList expected{
        "발권기포트를 사용할 수 없습니다.",   "정기권입구1 포트를 사용할 수 없습니다.",
        "정기권출구1 포트를 사용할 수 없습니다.", "정기권입구2 포트를 사용할 수 없습니다.",
        "정기권출구2 포트를 사용할 수 없습니다.", "영수증프린터를 사용할 수 없습니다.",
        "요금표시기포트를 사용할 수 없습니다.", "리더기포트를 사용할 수 없습니다.",
        "호스트포트를 사용할 수 없습니다.",     "요금계산기포트를 사용할 수 없습니다.",
    };
    EXPECT_EQ(shownTexts(), expected);
    for (const auto& s : ts.msgs.shown) {
        EXPECT_EQ(s.kind, "Msg_Box");
        EXPECT_EQ(s.title, "포트초기화 실패");
    }
    EXPECT_EQ(st.comm->StatusText, "통신포트 설정에 이상이 있습니다.");
}

TEST_F(PortsInitTest, DevicesInUseOpenOnTheirPortsWithLinesLow)
{
    for (int i = 0; i < PortCount; ++i) UseDevice(st, PortDevices()[i].table, QStringLiteral("Com%1").arg(i + 1));
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c'");
    Exec(st.Db, "UPDATE 호스트 SET Baud = 19200, ParityBit = 'e', DataBit = 7, StopBit = 2");
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_TRUE(ts.msgs.shown.empty());
    for (int i = 0; i < PortCount; ++i) {
        ASSERT_TRUE(st.comm->PortOpen(i)) << i;
        EXPECT_EQ(st.comm->PortPath(i), QStringLiteral("/dev/ttyS%1").arg(i));
        const FakeDevice& d = fake.ports->device(QStringLiteral("/dev/ttyS%1").arg(i));
        EXPECT_FALSE(d.dtr || d.rts);
    }
    const SerialSettings host = fake.ports->device("/dev/ttyS8").settings;
    EXPECT_EQ(QString("%1 %2 %3 %4").arg(host.baud).arg(QChar::fromLatin1(host.parity)).arg(host.dataBits).arg(host.stopBits), "19200 E 7 2");
}

TEST_F(PortsInitTest, SecondDeviceOnTheSamePortFails)
{
    // The fee display (7) opens before the reader (6).
    UseDevice(st, "리더기", "Com3");
    UseDevice(st, "요금표시기", "Com3");
    EXPECT_FALSE(Comm::PortsInit(st));
    EXPECT_TRUE(st.comm->PortOpen(PortFeeDisp));
    EXPECT_FALSE(st.comm->PortOpen(PortReader));
    EXPECT_EQ(shownTexts(), QStringList{"리더기포트를 사용할 수 없습니다."});
}

// The box names no reason; the trace and OpenError carry the platform's.
TEST(PortOpenReason, APortThatDoesNotOpenIsTracedWithTheReasonItFailed)
{
    struct Case {
        const char* name;
        bool locked;        // the platform refuses the reader's /dev/ttyS6
        const char* feeDisp; // the fee display's port, opened before the reader's
        QString error;       // OpenError of the reader's port; empty: it opened
    } cases[] = {
        {"a lock the platform cannot take", true, "Com1", "/dev/ttyS6 : Permission error while locking the device"},
        {"the same port as the fee display", false, "Com7", "/dev/ttyS6 : already open for 요금표시기"},
        {"a port that opens", false, "Com1", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestStation ts;
        FakeComm fake = InstallFakeComm(ts.st);
        if (c.locked) fake.ports->failing.insert(QStringLiteral("/dev/ttyS6"));
        UseDevice(ts.st, "요금표시기", c.feeDisp);
        UseDevice(ts.st, "리더기", "Com7");
        ts.st.comm->DebugOn = true;
        ts.st.comm->DebugDevice = PortHost; // a closed port cannot be the one traced
        EXPECT_EQ(Comm::PortsInit(ts.st), c.error.isEmpty());
        EXPECT_EQ(ts.st.comm->OpenError(PortReader), c.error);
        const QString line = QStringLiteral("  리더기 ") + c.error + QStringLiteral("\r\n");
        EXPECT_EQ(ts.st.comm->trace.text().endsWith(line), !c.error.isEmpty()) << ts.st.comm->trace.text().toStdString();
    }
}

TEST_F(PortsInitTest, PortNameInCapitalsFailsWithoutOpeningAnything)
{
    UseDevice(st, "호스트", "COM3");
    EXPECT_FALSE(Comm::PortsInit(st));
    EXPECT_FALSE(st.comm->PortOpen(PortHost));
    EXPECT_FALSE(fake.ports->has("/dev/ttyS2"));
    EXPECT_EQ(shownTexts(), QStringList{"호스트포트를 사용할 수 없습니다."});
}

TEST_F(PortsInitTest, MissingOrDamagedRowIsThatDevicesFailure)
{
    Exec(st.Db, "DELETE FROM 발권기");
    UseDevice(st, "리더기", "Com6");
    Exec(st.Db, "UPDATE 리더기 SET Baud = NULL");
    UseDevice(st, "호스트", "Com9");
    Exec(st.Db, "UPDATE 호스트 SET ParityBit = 'x'");
    UseDevice(st, "요금표시기", "Com7");
    EXPECT_FALSE(Comm::PortsInit(st));
    EXPECT_EQ(shownTexts(), (QStringList{"발권기포트를 사용할 수 없습니다.", "리더기포트를 사용할 수 없습니다.",
                                         "호스트포트를 사용할 수 없습니다."}));
    EXPECT_TRUE(st.comm->PortOpen(PortFeeDisp));
}

TEST_F(PortsInitTest, FeeDisplayBaudIsTakenEvenWhenNotInUse)
{
    UseDevice(st, "요금표시기", "Com7", false, 9600);
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_EQ(st.comm->feeDisp.FeeDispBaud, "9600");
    EXPECT_FALSE(st.comm->PortOpen(PortFeeDisp));
}

TEST_F(PortsInitTest, AnOpenPortKeepsItsSettings)
{
    UseDevice(st, "호스트", "Com9", true, 9600);
    ASSERT_TRUE(Comm::PortsInit(st));
    UseDevice(st, "호스트", "Com2", true, 2400);
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_EQ(st.comm->PortPath(PortHost), "/dev/ttyS8");
    EXPECT_EQ(fake.ports->device("/dev/ttyS8").settings.baud, 9600);
    EXPECT_EQ(fake.ports->device("/dev/ttyS8").opens, 1);
}

TEST_F(PortsInitTest, PrinterPortOpensOnlyForASerialPrinter)
{
    UseDevice(st, "영수증프린터", "Com5");
    EXPECT_TRUE(Comm::PortsInit(st)); // first-run PORT is LPT1
    EXPECT_FALSE(st.comm->PortOpen(PortPrinter));
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'rs232c'");
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_FALSE(st.comm->PortOpen(PortPrinter));
    Exec(st.Db, "UPDATE 영수증프린터 SET PORT = 'Rs232c'");
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_TRUE(st.comm->PortOpen(PortPrinter));
}

TEST_F(PortsInitTest, ResetsReceiveStateAndClosePortsClosesAll)
{
    int resets = 0;
    st.comm->addRxReset([&] { ++resets; });
    st.trx.TicketData = "0001202601050900";
    UseDevice(st, "호스트", "Com9");
    UseDevice(st, "리더기", "Com6");
    EXPECT_TRUE(Comm::PortsInit(st));
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(st.trx.TicketData.isEmpty());
    Comm::ClosePorts(st);
    for (int i = 0; i < PortCount; ++i) EXPECT_FALSE(st.comm->PortOpen(i));
    EXPECT_FALSE(fake.ports->device("/dev/ttyS8").open);
    Comm::ClosePorts(st); // nothing open: nothing happens
    EXPECT_TRUE(ts.msgs.shown.empty());
}

// ---- events ----

class CommEventsTest : public PortsInitTest {
protected:
    void SetUp() override
    {
        UseDevice(st, "호스트", "Com9");
        UseDevice(st, "리더기", "Com6");
        ASSERT_TRUE(Comm::PortsInit(st));
        st.comm->setOnComm([this](int i, CommEvent ev) { events.push_back({i, ev}); });
    }
    std::vector<std::pair<int, CommEvent>> events;
};

TEST_F(CommEventsTest, ReceivedBytesArriveAsOneQueuedEvent)
{
    FakeDevice& host = fake.ports->device("/dev/ttyS8");
    host.inject("AB");
    host.inject("C");
    EXPECT_TRUE(events.empty()); // never delivered from inside the notifier
    ProcessQueued();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], std::make_pair(8, comEvReceive));
    EXPECT_EQ(st.comm->Input(PortHost), "ABC");
}

TEST_F(CommEventsTest, AKeyWaitsForOnePortsReadNotForEveryPorts)
{
    // Data waits on both ports, then the cashier presses a key: each pass of the
    // event loop handles one port's read, so the key comes after the first.
    fake.ports->device("/dev/ttyS8").inject("AB");
    fake.ports->device("/dev/ttyS5").inject("CD");
    QObject keyTarget;
    bool keyHandled = false;
    size_t readsBeforeKey = 0;
    QMetaObject::invokeMethod(
        &keyTarget,
        [&] {
            keyHandled = true;
            readsBeforeKey = events.size();
        },
        Qt::QueuedConnection);
    for (int pass = 0; pass < 5; ++pass) QCoreApplication::processEvents();
    EXPECT_TRUE(keyHandled);
    EXPECT_EQ(readsBeforeKey, 1u);
    ASSERT_EQ(events.size(), 2u); // both ports still handled, in arrival order
    EXPECT_EQ(events[0].first, PortHost);
    EXPECT_EQ(events[1].first, PortReader);
}

TEST_F(CommEventsTest, LineChangesAreFoundByPolling)
{
    FakeDevice& reader = fake.ports->device("/dev/ttyS5");
    reader.dsr = true;
    reader.cts = true;
    QElapsedTimer t;
    t.start();
    while (events.size() < 2 && t.elapsed() < 2000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], std::make_pair(6, comEvCTS));
    EXPECT_EQ(events[1], std::make_pair(6, comEvDSR));
    EXPECT_TRUE(st.comm->DSRHolding(PortReader));
}

TEST_F(CommEventsTest, ReceiveRoutineThatSendsAndWaitsGetsItsReply)
{
    FakeDevice& host = fake.ports->device("/dev/ttyS8");
    host.replier = [](const QByteArray& w) { return w == "\x05" ? QByteArray("\x06") : QByteArray(); };
    QByteArray seen;
    bool gotReply = false;
    int depth = 0;
    st.comm->setOnComm([&](int i, CommEvent ev) {
        if (i != PortHost || ev != comEvReceive) return;
        ++depth;
        const QByteArray in = st.comm->Input(PortHost);
        seen += in;
        if (in.contains('\x06')) gotReply = true;
        if (in == "REQ") {
            st.comm->Output(PortHost, "\x05");
            EXPECT_TRUE(WaitUntil(st, [&] { return gotReply; }, 1.0));
        }
        --depth;
    });
    host.inject("REQ");
    ProcessQueued();
    EXPECT_TRUE(gotReply);
    EXPECT_EQ(seen, QByteArray("REQ\x06"));
    EXPECT_EQ(depth, 0);
}

TEST_F(CommEventsTest, AnErrorInARoutineEndsOnlyThatEvent)
{
    st.comm->setOnComm([&](int, CommEvent) { throw std::runtime_error("boom"); });
    fake.ports->device("/dev/ttyS8").inject("x");
    EXPECT_NO_THROW(ProcessQueued());
    st.comm->setOnComm([this](int i, CommEvent ev) { events.push_back({i, ev}); });
    fake.ports->device("/dev/ttyS8").inject("y");
    ProcessQueued();
    EXPECT_EQ(events.size(), 1u);
}

TEST_F(CommEventsTest, NoEventForAPortClosedBeforeDelivery)
{
    fake.ports->device("/dev/ttyS8").inject("x");
    Comm::ClosePorts(st);
    ProcessQueued();
    EXPECT_TRUE(events.empty());
}

// ---- waits ----

TEST_F(PortsInitTest, DelayRunsEventsUntilTheDeadlineAndDelayNoEventsOnlySleeps)
{
    const qint64 start = fake.waits->now;
    Delay(st, 0.0);
    Delay(st, -1.0);
    EXPECT_EQ(fake.waits->eventRuns, 0);
    Delay(st, 0.5);
    EXPECT_GE(fake.waits->now - start, 500);
    EXPECT_LT(fake.waits->now - start, 560);
    EXPECT_GT(fake.waits->eventRuns, 0);
    EXPECT_EQ(fake.waits->sleeps, 0);
    const qint64 runs = fake.waits->eventRuns, start2 = fake.waits->now;
    Delay_NoEvents(st, 0.1);
    EXPECT_EQ(fake.waits->now - start2, 100);
    EXPECT_EQ(fake.waits->eventRuns, runs);
}

TEST_F(PortsInitTest, WaitUntilEndsOnTheConditionOrTheTime)
{
    int runs = 0;
    fake.waits->onEvents = [&] { ++runs; };
    const qint64 start = fake.waits->now;
    EXPECT_TRUE(WaitUntil(st, [&] { return runs >= 3; }, 5.0));
    EXPECT_LE(fake.waits->now - start, 30);
    const qint64 start2 = fake.waits->now;
    EXPECT_FALSE(WaitUntil(st, [] { return false; }, 0.3));
    EXPECT_GE(fake.waits->now - start2, 300);
}

TEST_F(PortsInitTest, WaitsIgnoreTheWallClock)
{
    // Just before midnight, and the clock is set back and forward during the wait.
    ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(23, 59, 59, 800)));
    int runs = 0;
    fake.waits->onEvents = [&] { ts.clock.advanceSecs(++runs % 2 ? -7200 : 86400); };
    const qint64 start = fake.waits->now;
    Delay(st, 0.5);
    EXPECT_GE(fake.waits->now - start, 500);
    EXPECT_LT(fake.waits->now - start, 560);
    EXPECT_GT(runs, 0);
}

TEST(SteadyWaitsTest, DelayWaitsWithoutSpinningAndRunsEvents)
{
    TestStation ts(TestStation::Db::None);
    ts.st.comm = std::make_unique<Comm>();
    bool ran = false;
    QTimer::singleShot(10, [&] { ran = true; });
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpu0 = std::clock();
    Delay(ts.st, 0.2);
    const double cpuMs = 1000.0 * double(std::clock() - cpu0) / CLOCKS_PER_SEC;
    EXPECT_GE(wall.elapsed(), 199); // both clocks count whole milliseconds
    EXPECT_TRUE(ran);
    EXPECT_LT(cpuMs, 100.0); // a spinning wait would burn the whole 200 ms
}

} // namespace

#include "common/TestStation.h"
#include "serial/Comm.h"
#include "serial/FakeComm.h"
#include "sim/PtyDevice.h"
#include "station/CommDispatch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// A device unplugged in the middle of its conversation: one List1 line naming it
// and its port, the port closed, and the set-up opens it again.
TEST(PortLost, EachDeviceIsReportedOnceAndTakenBackByTheSetUp)
{
    const struct {
        int index;
        const char* line;
    } rows[] = {
        {PortDispenser, "발권기 연결 끊김 (/dev/fake)"},
        {PortSeasonIn1, "정기권입구1 연결 끊김 (/dev/fake)"},
        {PortPrinter, "영수증프린터 연결 끊김 (/dev/fake)"},
        {PortReader, "리더기 연결 끊김 (/dev/fake)"},
        {PortFeeDisp, "요금표시기 연결 끊김 (/dev/fake)"},
        {PortHost, "호스트 연결 끊김 (/dev/fake)"},
    };
    for (const auto& r : rows) {
        TestStation ts;
        FakeComm fake = InstallFakeComm(ts.st);
        AttachCommDispatch(ts.st);
        ASSERT_TRUE(ts.st.comm->openPort(r.index, QStringLiteral("/dev/fake"), SerialSettings{}));
        fake.ports->device(QStringLiteral("/dev/fake")).inject("\x02" "AB"); // half a frame
        fake.ports->device(QStringLiteral("/dev/fake")).unplug();
        fake.ports->device(QStringLiteral("/dev/fake")).unplug();
        ts.st.comm->Output(r.index, "\x05"); // senders go on silently
        EXPECT_EQ(ts.screen.list1, QStringList{QString::fromUtf8(r.line)}) << r.index;
        EXPECT_FALSE(ts.st.comm->PortOpen(r.index));
        EXPECT_TRUE(ts.st.comm->openPort(r.index, QStringLiteral("/dev/fake"), SerialSettings{}));
    }
}

TEST(PortLost, APseudoTerminalClosedUnderTheFeeDisplay)
{
    sim::PtyDevice display;
    ASSERT_TRUE(display.ok());
    TestStation ts;
    ts.st.comm = std::make_unique<Comm>();
    AttachCommDispatch(ts.st);
    ASSERT_TRUE(ts.st.comm->openPort(PortFeeDisp, display.slavePath(), SerialSettings{})) << ts.st.comm->OpenError(PortFeeDisp).toStdString();
    display.unplug();
    QElapsedTimer t;
    t.start();
    while (ts.screen.list1.isEmpty() && t.elapsed() < 2000) {
        ts.st.comm->Output(PortFeeDisp, "\x02" "GON\x03");
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    EXPECT_EQ(ts.screen.list1, QStringList{QStringLiteral("요금표시기 연결 끊김 (%1)").arg(display.slavePath())});
    EXPECT_FALSE(ts.st.comm->PortOpen(PortFeeDisp));
    ts.st.comm.reset();
}

} // namespace

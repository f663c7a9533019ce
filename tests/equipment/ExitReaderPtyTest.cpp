// The exit reader over a pseudo-terminal with the real serial port: a paid
// ticket goes in and the reader is told to take it; an event report answering
// the take-in ends its wait.

#include "common/TestStation.h"
#include "equipment/ExitReader.h"
#include "serial/Comm.h"
#include "sim/ExitReaderPeer.h"
#include "sim/PtyDevice.h"
#include "station/CommDispatch.h"

#include <QElapsedTimer>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using sim::ExitReaderPeer;

TEST(ExitReaderOverPty, APaidTicketIsTakenIn)
{
    sim::PtyDevice reader;
    ASSERT_TRUE(reader.ok());
    ExitReaderPeer peer;
    reader.replier = [&peer](const QByteArray& b) { return peer.onBytes(b); };
    test::TestStation ts(test::TestStation::Db::None, QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    ts.st.comm = std::make_shared<Comm>();
    ts.st.models.HasExitReader = true;
    ASSERT_TRUE(ts.st.comm->openPort(PortCalc, reader.slavePath(), SerialSettings{})) << ts.st.comm->OpenError(PortCalc).toStdString();
    AttachCommDispatch(ts.st);
    AttachExitReader(ts.st);

    reader.send(ExitReaderPeer::Inserted(ExitReaderPeer::PaidCard("0123", "2601050930", "2601050930")));
    // The take-in frame, then the ENQ that fetches its reply.
    ASSERT_TRUE(reader.waitForReceived(7, 3000)) << reader.received.toHex(' ').toStdString();
    EXPECT_EQ(reader.received, QByteArray("\x02" "C31\x03" "B\x05"));
    ts.st.comm.reset();
}

TEST(ExitReaderOverPty, AnEventReportAnsweringTheTakeInEndsItsWait)
{
    // The reader answers the take-in with nothing but "POK": a positive frame,
    // so the lane's indication follows at once, not after the take-in's second.
    sim::PtyDevice reader;
    sim::PtyDevice display;
    ASSERT_TRUE(reader.ok() && display.ok());
    display.replier = nullptr;
    QElapsedTimer sinceTakeIn;
    reader.replier = [&](const QByteArray& b) {
        if (!b.contains("C31")) return QByteArray();
        sinceTakeIn.start();
        return ExitReaderPeer::Frame(QStringLiteral("POK"));
    };
    test::TestStation ts(test::TestStation::Db::None, QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    ts.st.comm = std::make_shared<Comm>();
    ts.st.models.HasExitReader = true;
    ts.st.models.FeeDispType = 0;
    ASSERT_TRUE(ts.st.comm->openPort(PortCalc, reader.slavePath(), SerialSettings{})) << ts.st.comm->OpenError(PortCalc).toStdString();
    ASSERT_TRUE(ts.st.comm->openPort(PortFeeDisp, display.slavePath(), SerialSettings{}));
    AttachCommDispatch(ts.st);
    AttachExitReader(ts.st);

    reader.send(ExitReaderPeer::Inserted(ExitReaderPeer::PaidCard("0123", "2601050930", "2601050930")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return display.received.contains("\x02SW5L\x03"); }, 3000))
        << display.received.toHex(' ').toStdString();
    EXPECT_LT(sinceTakeIn.elapsed(), 600);
    ts.st.comm.reset();
}

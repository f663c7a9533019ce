// The exit reader over pseudo-terminals with the real serial ports: a paid
// ticket goes in, the reader takes it and the fee display gets the outcome.

#include "common/TestStation.h"
#include "equipment/ExitReader.h"
#include "serial/Comm.h"
#include "sim/ExitReaderPeer.h"
#include "sim/PtyDevice.h"
#include "station/CommDispatch.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tolvo;
using sim::ExitReaderPeer;

TEST(ExitReaderOverPty, APaidTicketOpensTheBarrierAndAnUnpaidOneIsRefused)
{
    sim::PtyDevice reader, display;
    ASSERT_TRUE(reader.ok() && display.ok());
    ExitReaderPeer peer;
    reader.replier = [&peer](const QByteArray& b) { return peer.onBytes(b); };
    display.replier = [](const QByteArray&) { return QByteArray(); };

    test::TestStation ts(test::TestStation::Db::None, QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    Station& st = ts.st;
    st.comm = std::make_shared<Comm>();
    st.models.HasExitReader = true;
    ASSERT_TRUE(st.comm->openPort(PortCalc, reader.slavePath(), SerialSettings{}));
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, display.slavePath(), SerialSettings{}));
    AttachCommDispatch(st);
    AttachExitReader(st);

    reader.send(ExitReaderPeer::Inserted(ExitReaderPeer::PaidCard("0123", "2601050930", "2601050930")));
    ASSERT_TRUE(display.waitForReceived(15, 3000)) << display.received.toHex(' ').toStdString();
    EXPECT_EQ(peer.commands, QStringList{QStringLiteral("C31")});
    EXPECT_EQ(display.received, QByteArray("\x02SW5L\x03\x02\x1b$?LR22\x03"));

    reader.send(ExitReaderPeer::Inserted(ExitReaderPeer::UnpaidCard("0124", "2601050800")));
    ASSERT_TRUE(display.waitForReceived(21, 3000));
    EXPECT_EQ(display.received.mid(15), QByteArray("\x02SW3L\x03"));
    EXPECT_EQ(peer.commands.value(1), QStringLiteral("C30"));
    st.comm.reset();
}

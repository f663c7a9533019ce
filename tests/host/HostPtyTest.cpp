// The host link over a pseudo-terminal through the real serial port, with the
// scripted host at the far end.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "serial/Comm.h"
#include "sim/HostPeer.h"

#include <gtest/gtest.h>

using namespace tolvo;

namespace {

class HostPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(peer.ok());
        st.comm = std::make_unique<Comm>();
        link = AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (i == PortHost && ev == comEvReceive) st.routines.Host_Receive(st);
        });
        ASSERT_TRUE(st.comm->openPort(PortHost, peer.slavePath(), SerialSettings{})) << st.comm->OpenError(PortHost).toStdString();
    }

    sim::HostPeer peer;
    test::TestStation ts;
    Station& st = ts.st;
    std::shared_ptr<HostLink> link;
};

TEST_F(HostPty, HandshakeVerdictAndClock)
{
    peer.sendBytes(QByteArray("\x05"));
    ASSERT_TRUE(peer.waitForBytes(2));
    EXPECT_EQ(peer.received(), QByteArray("\x10\x02"));

    peer.sendBytes(QByteArray("\x10"));
    peer.sendFrame(QStringLiteral("2026-01-05" "08:10" "          " "     " "정상입차    " "0000012345"
                                  "12가3456      " "홍길동         " "2026-12-31" "1" " "));
    ASSERT_TRUE(peer.waitForFrames(1));
    EXPECT_EQ(peer.frames, QStringList({"JI_ACK"}));
    EXPECT_TRUE(st.Connect1.Status());
    EXPECT_EQ(ts.count(QStringLiteral("정기권입출차")), 1);

    st.models.HostSendsTime = true;
    peer.sendFrame(QStringLiteral("TIME_SET_20260301070000"));
    EXPECT_TRUE(WaitUntil(st, [&] { return ts.clock.now().date() == QDate(2026, 3, 1); }, 3.0));
    EXPECT_EQ(ts.clock.now().time(), QTime(7, 0, 0));
}

TEST_F(HostPty, AnEntryReachesTheHostAndIsMarkedAfterItsAcknowledgement)
{
    Insert(st.Db, QStringLiteral("일반권"),
           {{"포스코드", 1}, {"티켓번호", "0007"}, {"입차일", "2026-01-05"}, {"입차시간", "08:15"},
            {"입차코드", "0007202601050815"}, {"전송여부", 0}});
    st.settings.PauseTime = 2.0f;
    st.HostPending[HostTD] = true;
    st.routines.HostSend[HostTD](st);
    ASSERT_EQ(peer.frames.size(), 1);
    EXPECT_EQ(peer.frames[0].size(), 27);
    EXPECT_TRUE(peer.frames[0].startsWith(QStringLiteral("TD1")));
    EXPECT_TRUE(peer.frames[0].endsWith(QStringLiteral(" 0007202601050815")));
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 전송여부 FROM 일반권")).toInt(), 1);
    EXPECT_TRUE(st.Connect1.Status());
}

} // namespace

// The simulated host PC against the station's host link over a pseudo-terminal:
// each way of acknowledging a record, and a season card's verdict.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "serial/Comm.h"
#include "sim/HostPeer.h"

#include <gtest/gtest.h>

using namespace tolvo;
using sim::HostPeer;

namespace {

class HostSim : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(host.ok());
        st.comm = std::make_unique<Comm>();
        AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (i == PortHost && ev == comEvReceive) st.routines.Host_Receive(st);
        });
        ASSERT_TRUE(st.comm->openPort(PortHost, host.slavePath(), SerialSettings{})) << st.comm->OpenError(PortHost).toStdString();
        st.settings.PauseTime = 0.5f;
    }

    HostPeer host;
    test::TestStation ts;
    Station& st = ts.st;
};

TEST_F(HostSim, ARecordIsMarkedSentOnlyWhenItsOwnKeyComesBackInTime)
{
    struct Case {
        const char* name;
        HostPeer::Ack ack;
        int lateMs;
        int marked;
        int acknowledged;
    };
    const Case cases[] = {
        {"at once", HostPeer::Ack::Prompt, 0, 1, 1},
        {"late but within the pause", HostPeer::Ack::Late, 100, 1, 1},
        {"never", HostPeer::Ack::Never, 0, 0, 0},
        {"another key", HostPeer::Ack::WrongKey, 0, 0, 0},
        {"after the pause", HostPeer::Ack::Late, 1500, 0, 0}, // last: its answer comes after the case
    };
    for (const auto& c : cases) {
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        Insert(st.Db, QStringLiteral("일반권"),
               {{"포스코드", 1}, {"티켓번호", "0007"}, {"입차일", "2026-01-05"}, {"입차시간", "08:15"},
                {"입차코드", "0007202601050815"}, {"전송여부", 0}});
        host.ack = c.ack;
        host.lateMs = c.lateMs;
        host.acknowledged.clear();
        st.HostPending[HostTD] = true;
        st.routines.HostSend[HostTD](st);
        EXPECT_EQ(ts.value(QStringLiteral("SELECT 전송여부 FROM 일반권")).toInt(), c.marked) << c.name;
        EXPECT_EQ(host.acknowledged.size(), c.acknowledged) << c.name;
    }
}

TEST_F(HostSim, AForwardedSeasonCardGetsAVerdictAndItsAcknowledgement)
{
    host.seasonStatus[QStringLiteral("00XY905172")] = QStringLiteral("출입금지");
    host.now = [] { return QDateTime(QDate(2026, 1, 5), QTime(8, 10)); };
    st.comm->Output(PortHost, TD_Frame(QStringLiteral("JO1XY905172         ")));
    ASSERT_TRUE(host.waitForFrames(2));
    EXPECT_EQ(host.frames[1], QStringLiteral("JO_ACK"));
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 정기권번호 || '|' || 입출상태 || '|' || 출차일자 || ' ' || 출차시간 || '|' || "
                                      "입출구분 FROM 정기권입출차")).toString(),
              QStringLiteral("00XY905172|출입금지|2026-01-05 08:10|1"));
}

TEST_F(HostSim, TheStationsHandshakeBytesAndPortTestArePrintedAndTheRecordAfterThemIsAnswered)
{
    QStringList printed;
    host.onControl = [&](const QString& name) { printed << name; };
    host.onFrame = [&](const QString& text, const QString& answer) { printed << text + " / " + answer; };
    st.comm->Output(PortHost, QByteArray("\x05\x02")); // as at login
    host.sendEnq();                                     // answered with DLE STX
    ASSERT_TRUE(host.waitForBytes(4));
    st.comm->Output(PortHost, PortTestFrame() + TD_Frame(QStringLiteral("TD10000042 0007202601050815")));
    ASSERT_TRUE(host.waitForFrames(2));
    EXPECT_EQ(printed, QStringList({"ENQ", "DLE", "PORT_TEST / ", "TD10000042 0007202601050815 / TD_ACK TD10000042"}));
}

} // namespace

// The one-second timer sending the station's records to the host through the
// host link's senders: one record per sending second, in the fixed order of
// kinds.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "platform/Cp949.h"
#include "platform/Vb.h"
#include "serial/FakeComm.h"
#include "sim/HostPeer.h"
#include "station/Timer1.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

class HostCycle : public ::testing::Test {
protected:
    HostCycle()
    {
        fake = InstallFakeComm(st);
        AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (i == PortHost && ev == comEvReceive) st.routines.Host_Receive(st);
        });
        EXPECT_TRUE(st.comm->openPort(PortHost, QStringLiteral("/dev/host"), SerialSettings{}));
        fake.ports->device(QStringLiteral("/dev/host")).replier = [this](const QByteArray& frame) {
            const QString text = cp949::decode(frame.mid(1, frame.size() - 3));
            codes << text.section(QLatin1Char(' '), 0, 0).chopped(8);
            return TD_Frame(sim::HostPeer::AckFor(text));
        };
        st.DataRefreshDate = FormatDate(ts.clock.now().date());
        st.settings.TransTime = 1;
        st.HostPending.fill(true);
        const QString start = QStringLiteral("2026-01-04 08:00");
        const QString end = QStringLiteral("2026-01-04 20:00");
        Insert(st.Db, QStringLiteral("일반권"),
               {{"포스코드", 0}, {"티켓번호", "0001"}, {"입차일", "2026-01-05"}, {"입차시간", "08:00"},
                {"입차코드", "0001202601050800"}, {"전송여부", 0}});
        Insert(st.Db, QStringLiteral("일반권"),
               {{"포스코드", 0}, {"티켓번호", "0002"}, {"입차일", "2026-01-05"}, {"입차시간", "07:00"},
                {"출차일", "2026-01-05"}, {"출차시간", "08:30"}, {"입차코드", "0002202601050700"},
                {"총주차시간", "90"}, {"총주차요금", 2000}, {"할인시간", 0}, {"실수령금액", 2000},
                {"할인구분", "현금출차"}, {"전송여부", 0}});
        Insert(st.Db, QStringLiteral("할인현황"),
               {{"포스코드", 0}, {"명칭", "현금출차"}, {"금액", 2000}, {"건수", 1}, {"정산여부", 1},
                {"전송여부", 0}, {"시작일시", start}, {"종료일시", end}});
        Insert(st.Db, QStringLiteral("시간대별"),
               {{"포스코드", 0}, {"시간대", 8}, {"정기권입차수", 0}, {"정기권출차수", 0}, {"일반권입차수", 1},
                {"일반권출차수", 1}, {"정산여부", 1}, {"전송여부", 0}, {"데이터유무", 1}, {"시작일시", start},
                {"종료일시", end}});
    }

    void tick()
    {
        ts.clock.advanceSecs(1);
        ts.screen.setText(QStringLiteral("PnlTime"), ClockPanelText(ts.clock.now()));
        Timer1_Tick(st);
    }

    TestStation ts;
    Station& st = ts.st;
    FakeComm fake;
    QStringList codes;
};

TEST_F(HostCycle, StatisticsFirstThenEntriesAndExits)
{
    for (int i = 0; i < 12; ++i) tick();
    EXPECT_EQ(codes, QStringList({"DISC", "TIME", "TD", "OUT"}));
    for (bool pending : st.HostPending) EXPECT_FALSE(pending);
    EXPECT_EQ(ts.value(QStringLiteral("SELECT COUNT(*) FROM 일반권 WHERE 전송여부 = 0")).toInt(), 0);
}

} // namespace

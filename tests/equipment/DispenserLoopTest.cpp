// The port settings' loop test ("Feed Back") on the dispenser's port 0: the
// frame comes back without a block check, for either family, from a port looped
// back and from the simulated dispenser.

#include "equipment/DispenserTestSupport.h"
#include "serial/PortSettings.h"

#include <functional>

using namespace tolvo;
using namespace tolvo::sim;
using tolvo::test::DispenserFixture;

namespace {

class DispenserLoopTest : public DispenserFixture {};

TEST_F(DispenserLoopTest, EveryFrameComesBackForEveryModel)
{
    const QString path = QStringLiteral("/dev/ttyS0"); // "Com1"
    const std::function<QByteArray(const QByteArray&)> loopBack = [](const QByteArray& b) { return b; };
    const struct { const char* name; quint8 model; bool simulated; } cases[] = {
        {"바코드, looped back", 0, false},   {"M/S (종이), looped back", 1, false},
        {"WISE, looped back", 3, false},     {"TD_TYPE1, looped back", 4, false},
        {"M/S (종이), simulated", 1, true}, {"WISE, simulated", 3, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        st.models.DispenserType = c.model;
        DispenserPeer peer;
        fake.ports->device(path).replier = c.simulated ? [&peer](const QByteArray& b) { return peer.answer(b); } : loopBack;
        QString status;
        PortSettingsLogic logic(st);
        logic.onStatus = [&](const QString& s) { status = s; };
        FrameEdits edits;
        edits[PortDispenser].fields = {{QStringLiteral("사용여부"), true}, {QStringLiteral("포트번호"), QStringLiteral("Com1")}};
        ts.msgs.clear();

        logic.loopTest(edits, PortDispenser);

        EXPECT_EQ(status, QStringLiteral("전송횟수 : 100 성공횟수 : 100 실패횟수 : 000"));
        EXPECT_EQ(ts.msgs.texts(), QStringList{QStringLiteral("포트 테스트 : 데이터 송수신 성공률 100 %")});
        EXPECT_TRUE(ts.screen.list1.isEmpty());
    }
}

TEST(DispenserPeerEcho, TheLoopTestFrameComesBackAsItWentWithNothingAwaitedAfterIt)
{
    DispenserPeer peer;
    const QByteArray frame("\x02PORT_TEST\x03");
    EXPECT_EQ(peer.answer(frame), frame);
    // A command split over two writes is answered once whole; the echo in between too.
    EXPECT_EQ(peer.answer(QByteArray("\x02" "C0")), QByteArray());
    EXPECT_EQ(peer.answer(QByteArray("00\x03\x70") + frame), dispenser::Frame(QByteArray("D00000\x00", 7)) + frame);
    EXPECT_EQ(peer.commands, (std::vector<QByteArray>{"PORT_TEST", "C000", "PORT_TEST"}));
}

} // namespace

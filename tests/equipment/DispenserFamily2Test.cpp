// The second dispenser family: tickets reported in 14- and 18-character frames,
// the status table, the ACK answer, and frames split or joined across reads.

#include "equipment/DispenserTestSupport.h"
#include "equipment/EntryRecord.h"
#include "sim/PtyDevice.h"
#include "station/Login.h"

#include <QElapsedTimer>

using namespace tolvo;
using namespace tolvo::sim;
using namespace Qt::StringLiterals;
using tolvo::test::DispenserFixture;

namespace {

class DispenserSecondFamily : public DispenserFixture {
protected:
    void SetUp() override
    {
        DispenserFixture::SetUp();
        st.models.DispenserType = 3;
        st.models.DispenserUnitNo = QStringLiteral("07");
        st.settings.TicketsLeft = 50;
    }
    QString tickets() const
    {
        return ts.value(QStringLiteral("SELECT ifnull(group_concat(티켓번호 || ' ' || 입차시간, ','), '') FROM 일반권"))
            .toString();
    }
};

TEST_F(DispenserSecondFamily, FramesByLengthAndModel)
{
    // recorded: "number hh:nn", or "" for nothing
    const struct { const char* name; quint8 model; QByteArray text; const char* recorded; } cases[] = {
        {"14 characters, model 3", 3, "1234abcdef0915", "1234 09:15"},
        {"19 characters", 0, "0700123412345608 30", ""},
        {"18 characters, model 0, status normal", 0, "07001234xxxxxx0830", "1234 08:30"},
        {"14 characters, model 4", 4, "1234abcdef0915", ""},
        {"18 characters, model 4", 4, "07001234xxxxxx0830", ""},
        {"15 characters", 3, "1234abcdef09150", ""},
        {"13 characters", 3, "1234abcdef091", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        st.models.DispenserType = c.model;
        receiveFrame(c.text);
        EXPECT_EQ(tickets(), QString::fromLatin1(c.recorded));
    }
}

TEST_F(DispenserSecondFamily, TheStatusTableOfThe18CharacterFrame)
{
    const struct { const char* code; const char* text; const char* lamp; } cases[] = { // lamp null: alarm off
        {"00", "정상", nullptr}, {"01", "장비정지", "장비정지"}, {"02", "주차권없음", "주차권없음"},
        {"03", "주차권부족", "주차권부족"}, {"7X", "장비오류", "장비오류"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        ts.screen.list1.clear();
        ts.screen.visible.clear();
        const QString no = QString::number(++n).rightJustified(4, u'0');
        receiveFrame(dispenser::Ticket18("07", c.code, no.toLatin1(), QTime(8, 30)));
        // Stock 50 - n stays in the "any other" range: the frame's own lamps stay.
        const QString entry = u"일반권 입차  주차권번호 : "_s + no;
        EXPECT_EQ(ts.screen.list1,
                  QStringList{entry + u"        발권기 상태 : "_s + QString::fromUtf8(c.text) + u"   UNIT NO : 07"_s});
        EXPECT_EQ(ts.screen.text(u"PnlMsg"_s), entry);
        EXPECT_EQ(st.DispenserAlarm != 0, c.lamp != nullptr);
        EXPECT_EQ(ts.screen.isVisible(u"Shape1"_s), c.lamp != nullptr);
        EXPECT_EQ(ts.screen.text(u"LblWarning1"_s), c.lamp ? u"발행기 이상발생!"_s : QString());
        EXPECT_EQ(ts.screen.text(u"LblWarning2"_s), QString::fromUtf8(c.lamp));
    }
    EXPECT_EQ(ts.count(QStringLiteral("일반권")), n);
    EXPECT_EQ(ts.screen.text(QStringLiteral("CarCnt_0")), QString::number(n));
}

TEST_F(DispenserSecondFamily, AStatusWithALowStockKeepsTheStockLamp)
{
    st.settings.TicketsLeft = 6;
    receiveFrame(dispenser::Ticket18("07", "01", "0001", QTime(8, 30)));
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning2")), QStringLiteral("주차권부족"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")),
              QStringLiteral("발행기의 주차권을 교환하세요.  잔여주차권 매수 : 5"));
}

TEST_F(DispenserSecondFamily, A14CharacterFrameLeavesTheLampsToTheStock)
{
    RaiseDispenserAlarm(st, QStringLiteral("장비정지"));
    receiveFrame(dispenser::Ticket14("0001", QTime(8, 30)));
    // Stock 49: "any other" count empties the captions and leaves the alarm.
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblWarning2")), QString());
    EXPECT_NE(st.DispenserAlarm, 0);
}

TEST_F(DispenserSecondFamily, AckIsAnsweredWithTheUnitNumberForEveryModelAndEmptiesTheBuffer)
{
    for (const quint8 model : {0, 4, 3}) {
        SCOPED_TRACE(model);
        st.models.DispenserType = model;
        st.TDAckFlag = false;
        device().clearWrites();
        receive("\x06");
        EXPECT_EQ(device().written(), QByteArray("\x05" "07"));
        EXPECT_TRUE(st.TDAckFlag);
    }
    receive(QByteArray("\x02" "99\x06") + dispenser::Ticket14("0042", QTime(8, 0)) + "\x03" "x");
    EXPECT_EQ(tickets(), u"0042 08:00"_s);
}

TEST_F(DispenserSecondFamily, SplitAndJoinedReads)
{
    const QByteArray a = dispenser::Frame(dispenser::Ticket14("0001", QTime(8, 0)));
    const QByteArray b = dispenser::Frame(dispenser::Ticket14("0002", QTime(8, 1)));
    // Tickets 0049, 0009 and 0008 at 08:00 have the block checks ACK, STX and ETX.
    const QByteArray ackCheck = dispenser::Frame(dispenser::Ticket14("0049", QTime(8, 0)));
    const QByteArray stxCheck = dispenser::Frame(dispenser::Ticket14("0009", QTime(8, 0)));
    const QByteArray etxCheck = dispenser::Frame(dispenser::Ticket14("0008", QTime(8, 0)));
    ASSERT_EQ(ackCheck.back(), '\x06');
    ASSERT_EQ(stxCheck.back(), '\x02');
    ASSERT_EQ(etxCheck.back(), '\x03');
    receive(a.left(9));
    receive(a.mid(9) + b);
    receive(ackCheck + stxCheck + etxCheck);
    receive(dispenser::Frame(dispenser::Ticket14("0003", QTime(8, 2))));
    EXPECT_EQ(tickets(), QStringLiteral("0001 08:00,0002 08:01,0049 08:00,0009 08:00,0008 08:00,0003 08:02"));
    EXPECT_FALSE(st.TDAckFlag);
    EXPECT_TRUE(device().writes.empty());
}

TEST_F(DispenserSecondFamily, ABadFrameDoesNotDropTheNext)
{
    QByteArray bad = dispenser::Ticket14("0001", QTime(8, 0));
    bad.replace(10, 4, "8x00");
    const QByteArray echo("\x02PORT_TEST\x03"); // no block check follows it
    receive(dispenser::Frame(bad) + dispenser::Frame(dispenser::Ticket14("0002", QTime(8, 1))) + echo);
    EXPECT_TRUE(st.PortTestEcho);
    st.PortTestEcho = false;
    receive(echo + dispenser::Frame(dispenser::Ticket14("0003", QTime(8, 2))));
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_EQ(tickets(), QStringLiteral("0002 08:01,0003 08:02"));
    EXPECT_EQ(ts.screen.list1.value(0), QStringLiteral("발권기 수신 오류 : 발권 시각이 잘못되었습니다 : 8x:00"));
}

TEST_F(DispenserSecondFamily, WithNoUnitNumberStoredAckIsAnsweredWith00)
{
    Exec(st.Db, QStringLiteral("UPDATE 발권기 SET Unit_No = NULL"));
    Load_DeviceModels(st);
    device().clearWrites();
    receive("\x06");
    EXPECT_EQ(device().written(), QByteArray("\x05" "00"));
}

TEST(DispenserSecondFamilyOverPty, TicketsReportedByTheDispenserBecomeRows)
{
    PtyDevice pty;
    ASSERT_TRUE(pty.ok());
    pty.replier = nullptr;
    test::TestStation ts;
    Station& st = ts.st;
    st.comm = std::make_unique<Comm>(); // the real serial ports
    SerialSettings s;
    ASSERT_TRUE(st.comm->openPort(PortDispenser, pty.slavePath(), s)) << st.comm->OpenError(PortDispenser).toStdString();
    st.models.DispenserType = 0;
    st.models.DispenserUnitNo = QStringLiteral("00");
    AttachCommDispatch(st);
    AttachDispenser(st);

    pty.send(dispenser::Frame(dispenser::Ticket18("00", "00", "0101", QTime(8, 55))));
    pty.send(QByteArray("\x06"));
    ASSERT_TRUE(pty.waitForReceived(3));
    EXPECT_EQ(pty.received, QByteArray("\x05" "00"));
    pty.send(dispenser::Frame(dispenser::Ticket14("0102", QTime(8, 56))));
    QElapsedTimer t;
    t.start();
    while (ts.count(QStringLiteral("일반권")) < 2 && t.elapsed() < 3000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    EXPECT_EQ(ts.value(QStringLiteral("SELECT group_concat(입차코드, ',') FROM 일반권")).toString(),
              QStringLiteral("0101202601050855,0102202601050856"));
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 일반권입차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 2);
    st.comm.reset();
}

} // namespace

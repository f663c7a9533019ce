// The master's receiver on port 9 and its record store, over a fake port.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostFrames.h"
#include "host/MasterLink.h"
#include "serial/FakeComm.h"

#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QString f(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' '), true); }

const QString kPeriod = QStringLiteral("2026-01-05 09:002026-01-05 18:00");
const QString kExit = QStringLiteral("00072026-01-0508:152026-01-0510:200007202601050815125   3000    30  2500    1") +
                      f(QStringLiteral("현금출차"), 20);
const QString kTD = QStringLiteral("TD10000042 0007202601050815");
const QString kOUT = QStringLiteral("OUT10000043 ") + kExit;
const QString kCANCEL = QStringLiteral("CANCEL00000044 ") + kExit + f(QStringLiteral("홍길동"), 10) + "3 " + kPeriod;

QString disc(const QString& tag, const QString& amount, const QString& name)
{
    return "DISC1" + tag + " " + f(amount, 8) + "3   1 " + kPeriod + f(name, 20) + f(QStringLiteral("홍길동"), 10) + "3 2 ";
}
QString hourly(const QString& pos, const QString& tag)
{
    return "TIME" + pos + tag + " 12000   4   9 5   6   7   8   " + f(pos, 2) + kPeriod + f(QStringLiteral("홍길동"), 10) +
           "3 12 ";
}
QString bands(const QString& code, const QString& pos, const QString& tag)
{
    QString s = code + pos + tag + " ";
    for (int n = 1; n <= 10; ++n) s += f(QString::number(n * 1000), 8) + f(QString::number(n), 4);
    return s + f(pos, 2) + kPeriod + f(QStringLiteral("가나다라마바"), 10) + "3 ";
}

QByteArray frames(const QStringList& texts)
{
    QByteArray out;
    for (const QString& t : texts) out += TD_Frame(t);
    return out;
}

class Master : public ::testing::Test {
protected:
    Master()
    {
        fake = InstallFakeComm(st);
        AttachMaster(st);
        EXPECT_TRUE(st.comm->openPort(PortCalc, QStringLiteral("/dev/fake9"), SerialSettings{}));
    }
    FakeDevice& port() { return fake.ports->device(QStringLiteral("/dev/fake9")); }
    void receive(const QByteArray& bytes)
    {
        port().inject(bytes);
        st.routines.Master_Receive(st);
    }
    QStringList rows(const QString& sql)
    {
        QStringList out;
        QSqlQuery q = Query(st.Db, sql);
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) cells << q.value(i).toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }

    test::TestStation ts;
    Station& st = ts.st;
    FakeComm fake;
};

TEST_F(Master, ReceiverFramesBlockCheckAndDispatch)
{
    const QByteArray td = TD_Frame(kTD);
    const QByteArray ack = TD_Frame(QStringLiteral("TD_ACK TD10000042"));
    QByteArray badCheck = td;
    badCheck[badCheck.size() - 1] = static_cast<char>(badCheck.back() ^ 1);
    struct Case {
        const char* name;
        std::vector<QByteArray> reads;
        QByteArray written;
        int stored;
        bool echo, lamp;
    } cases[] = {
        {"a record is stored and acknowledged", {td}, ack, 1, false, false},
        {"a frame over two reads", {td.left(9), td.mid(9)}, ack, 1, false, false},
        {"a wrong block check stores nothing", {badCheck}, {}, 0, false, false},
        {"after ETX an ENQ or DLE is the block check", {"\x02" + kTD.toLatin1() + "\x03\x05", td.left(29) + "\x10"}, {},
         0, false, false},
        {"ENQ inside a frame is answered and the frame goes on", {td.left(5) + "\x05" + td.mid(5)}, "\x10\x02" + ack,
         1, false, false},
        {"DLE turns the lamp on", {"\x10"}, {}, 0, false, true},
        {"the port test has no block check; the rest of its read is dropped",
         {"\x02PORT_TEST\x03" + td}, {}, 0, true, false},
        {"any nine characters with a good block check", {TD_Frame(QStringLiteral("ABCDEFGHI"))}, {}, 0, true, false},
        {"a TD length without the TD code", {TD_Frame("XX" + kTD.mid(2))}, {}, 0, false, false},
        {"a frame over 1 KB is dropped, the next is whole", {"\x02" + QByteArray(1100, 'A') + "\x03\x01" + td}, ack,
         1, false, false},
        {"two frames in one read", {td + TD_Frame(QStringLiteral("TD20000007 0008202601050916"))},
         ack + TD_Frame(QStringLiteral("TD_ACK TD20000007")), 2, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        port().clearWrites();
        st.PortTestEcho = false;
        st.Connect2.setStatus(false);
        for (const QByteArray& r : c.reads) receive(r);
        EXPECT_EQ(port().written(), c.written);
        EXPECT_EQ(ts.count(QStringLiteral("일반권")), c.stored);
        EXPECT_EQ(st.PortTestEcho, c.echo);
        EXPECT_EQ(st.Connect2.Status(), c.lamp);
    }
}

TEST_F(Master, EachKindIsStoredOnceAndAcknowledged)
{
    const QString exitCols = QStringLiteral("티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
                                            "할인시간, 실수령금액, 정산구분, 전송여부, 할인구분");
    const QString exitRow = QStringLiteral("0007|2026-01-05|08:15|2026-01-05|10:20|0007202601050815|125|3000|30|2500|1|");
    const QString bandCols = QStringLiteral("포스코드, 금액1, 건수1, 금액10, 건수10, 시작일시, 종료일시, 근무자명, 근무자코드, "
                                            "정산여부, 전송여부");
    const QString bandRow = QStringLiteral("|1000|1|10000|10|2026-01-05 09:00|2026-01-05 18:00|가나다라마|3|1|0");
    struct Case {
        const char* name;
        QString setup;
        QStringList texts, acks;
        QString query;
        QStringList rows;
        HostKind raised;
    } cases[] = {
        {"an entry", {}, {kTD}, {"TD_ACK TD10000042"},
         "SELECT 포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 출차일, 정산구분, 전송여부 FROM 일반권",
         {"1|0007|2026-01-05|08:15|0007202601050815||1|1"}, HostKindCount},
        {"an exit replaces its entry and is forwarded", "UPDATE 인쇄옵션 SET 일반권출차전송 = 1", {kTD, kOUT},
         {"TD_ACK TD10000042", "OUT_ACK OUT10000043"}, "SELECT 포스코드, " + exitCols + " FROM 일반권",
         {"1|" + exitRow + "0|현금출차"}, HostOUT},
        {"a repeated entry never overwrites its exit and is acknowledged", {}, {kOUT, kTD},
         {"OUT_ACK OUT10000043", "TD_ACK TD10000042"}, "SELECT " + exitCols + " FROM 일반권",
         {exitRow + "1|현금출차"}, HostOUT},
        {"a failed exit is not acknowledged and leaves its entry",
         "CREATE TRIGGER t BEFORE INSERT ON 일반권 WHEN NEW.출차일 IS NOT NULL BEGIN SELECT RAISE(ABORT, 'full'); END",
         {kTD, kOUT}, {"TD_ACK TD10000042"}, "SELECT 티켓번호, 출차일 FROM 일반권", {"0007|"}, HostKindCount},
        {"a repeated discount is stored once; a blank amount reads 0", {},
         {disc("0000001", "15000", "현금출차"), disc("0000002", "15000", "현금출차"), disc("0000003", "", "경차할인")},
         {"DISC_ACKDISC10000001", "DISC_ACKDISC10000002", "DISC_ACKDISC10000003"},
         "SELECT 금액, 건수, 포스코드, 시작일시, 종료일시, 명칭, 근무자명, 근무자코드, 할인종류, 정산여부, 전송여부 FROM 할인현황",
         {"15000|3|1|2026-01-05 09:00|2026-01-05 18:00|현금출차|홍길동|3|2|1|0",
          "0|3|1|2026-01-05 09:00|2026-01-05 18:00|경차할인|홍길동|3|2|1|0"},
         HostDISC},
        {"hours of two stations are two rows", {}, {hourly("1", "0000001"), hourly("2", "0000002"), hourly("1", "0000003")},
         {"TIME_ACK TIME10000001", "TIME_ACK TIME20000002", "TIME_ACK TIME10000003"},
         "SELECT 포스코드, 금액, 대수, 시간대, 일반권입차수, 일반권출차수, 정기권입차수, 정기권출차수, 근무자명, 근무자코드, "
         "일련번호, 데이터유무, 전송여부 FROM 시간대별",
         {"1|12000|4|9|5|6|7|8|홍길동    |3|12|1|0", "2|12000|4|9|5|6|7|8|홍길동    |3|12|1|0"}, HostTIME},
        {"parking-duration bands by the record's own station", {},
         {bands("PKTIME", "2", "0000001"), bands("PKTIME", "2", "0000002")},
         {"PKTIME_ACK PKTIME20000001", "PKTIME_ACK PKTIME20000002"}, "SELECT " + bandCols + " FROM 주차시간대별",
         {"2" + bandRow}, HostPKTIME},
        {"amount bands of two stations", {}, {bands("PAMT", "2", "0000001"), bands("PAMT", "3", "0000002")},
         {"PAMT_ACKPAMT20000001", "PAMT_ACKPAMT30000002"}, "SELECT " + bandCols + " FROM 금액대별",
         {"2" + bandRow, "3" + bandRow}, HostPAMT},
        {"a cancellation is stored once and acknowledged", "UPDATE 인쇄옵션 SET 출차취소전송 = 1",
         {kCANCEL, kCANCEL}, {"CANCEL_ACK CANCEL00000044", "CANCEL_ACK CANCEL00000044"},
         "SELECT " + exitCols + ", 근무자명, 근무자코드, 시작일시, 종료일시 FROM 출차취소",
         {exitRow + "0|현금출차|홍길동|3|2026-01-05 09:00|2026-01-05 18:00"}, HostCANCEL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* t : {"일반권", "출차취소", "할인현황", "시간대별", "주차시간대별", "금액대별"})
            Exec(st.Db, QStringLiteral("DELETE FROM ") + QString::fromUtf8(t));
        Exec(st.Db, QStringLiteral("DROP TRIGGER IF EXISTS t"));
        Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = 0, 출차취소전송 = 0"));
        if (!c.setup.isEmpty()) Exec(st.Db, c.setup);
        port().clearWrites();
        st.HostPending = {};
        for (const QString& t : c.texts) receive(TD_Frame(t));
        EXPECT_EQ(port().written(), frames(c.acks));
        EXPECT_EQ(rows(c.query), c.rows);
        for (int k = 0; k < HostKindCount; ++k) EXPECT_EQ(st.HostPending[k], k == c.raised) << k;
    }
    // The station's receiver takes the master's cancellation acknowledgement.
    EXPECT_TRUE(MatchAck(QStringLiteral("CANCEL_ACK CANCEL00000044"), QStringLiteral("CANCEL00000044"))->keyMatches);
}

} // namespace

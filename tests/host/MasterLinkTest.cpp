// The master link over a fake port 9, and a station's cycle into a master over bridged pseudo-terminals.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "platform/Cp949.h"
#include "serial/FakeComm.h"
#include "sim/PtyDevice.h"

#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QString f(const QString& s, int width) { return s.leftJustified(width, QLatin1Char(' '), true); }
const QString kTD = QStringLiteral("TD10000042 0007202601050815");
const QString kOUT = "OUT10000043 00072026-01-0508:152026-01-0510:200007202601050815125   3000    30  2500    1" +
                     f("현금출차", 20);

// A station with its host link attached, receive events routed, and a pseudo-terminal.
struct End {
    End()
    {
        st.comm = std::make_unique<Comm>();
        AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (ev == comEvReceive) (i == PortHost ? st.routines.Host_Receive : st.routines.Master_Receive)(st);
        });
    }
    void add(const QString& table, const QString& cols, const QVariantList& v)
    {
        Exec(st.Db, QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(table, cols, QStringList(v.size(), "?").join(',')), v);
    }
    // Rows of a query, each as its values joined by "|".
    QStringList rows(const QString& sql) const
    {
        QStringList out;
        for (QSqlQuery q = Query(st.Db, sql); q.next();) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i) cells << q.value(i).toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    test::TestStation ts;
    Station& st = ts.st;
    sim::PtyDevice pty;
};

// A master whose port 9 is a fake device.
struct FakeMaster : End {
    FakeMaster() : fake(InstallFakeComm(st)) { EXPECT_TRUE(st.comm->openPort(PortCalc, "/dev/fake9", {})); }
    FakeComm fake;
};

TEST(MasterReceive, FramesBlockCheckDispatchAndStores)
{
    const QByteArray td = TD_Frame(kTD), out = TD_Frame(kOUT), cut = td.chopped(1);
    const QByteArray ack = TD_Frame("TD_ACK TD10000042"), outAck = TD_Frame("OUT_ACK OUT10000043");
    // Under this key the exit's block check is 02h, the value of STX.
    const QByteArray out02 = TD_Frame(QString(kOUT).replace(0, 11, "OUT10000006"));
    const QByteArray out02Ack = TD_Frame("OUT_ACK OUT10000006");
    ASSERT_EQ(out02.back(), '\x02');
    const QByteArray carSearch = "\x02" "CAR_SEARCH" + cp949::encode(f("12가3456", 15)) + "\x03";
    const QByteArray tagSearch = "\x02" "TAG_SEARCH" + f("0000012345", 15).toLatin1() + "\x03";
    const QString disc = "DISC10000001 " + f("", 8) + "3   1 2026-01-05 09:002026-01-05 18:00" + f("현금출차", 20) +
                         f("홍길동", 10) + "3 2 ";
    // An exit whose discount name is 12 Korean characters, or 1 letter and 11: bytes 90-109 hold 10 of them, or the
    // letter, 9 of them and half of the 10th.
    const QByteArray longName = TD_Frame(kOUT.left(89) + f("가나다라마바사아자차카타", 20));
    const QByteArray halfName = TD_Frame(kOUT.left(89) + f("A가나다라마바사아자차카", 20));
    const QString hour = "TIME10000001 " + f("5000", 8) + f("4", 4) + "7 " + f("1", 4) + f("2", 4) + f("3", 4) +
                         f("4", 4) + "1 2026-01-05 06:002026-01-05 18:00" + f("홍길동", 10) + "3 " + "17 ";
    struct Case {
        const char* name;
        std::vector<QByteArray> reads;
        QByteArray written;
        bool echo, lamp;
        QString row = "1", query = "SELECT count(*) FROM 일반권", setup = {};
    } cases[] = {
        {"a record over two reads is stored and acknowledged", {td.left(9), td.mid(9)}, ack, false, false,
         "0007|2026-01-05|08:15", "SELECT 티켓번호, 입차일, 입차시간 FROM 일반권"},
        {"a wrong block check, ENQ or DLE among them", {cut + char(td.back() ^ 1), cut + "\x05", cut + "\x10"}, {},
         false, false, "0"},
        {"DLE turns the lamp on, ENQ in a frame is answered", {"\x10" + td.left(5) + "\x05" + td.mid(5)},
         "\x10\x02" + ack, false, true},
        {"the port test ends its read", {"\x02PORT_TEST\x03" + td}, {}, true, false, "0"},
        {"any nine characters", {TD_Frame("ABCDEFGHI")}, {}, true, false, "0"},
        {"a TD length without the TD code", {TD_Frame("XX" + kTD.mid(2)) + td}, ack, false, false},
        {"a frame over 1 KB is dropped", {"\x02" + QByteArray(1100, 'A') + "\x03\x01" + td}, ack, false, false},
        {"an exit replaces its entry, fee and amount each from its own field", {td, out}, ack + outAck, false, false,
         "1|2026-01-05|3000|2500|1|0", "SELECT count(*), 출차일, 총주차요금, 실수령금액, 정산구분, 전송여부 FROM 일반권",
         "UPDATE 인쇄옵션 SET 일반권출차전송 = 1"},
        {"a failed exit is not acknowledged and leaves its entry", {td, out}, ack, false, false, "1|",
         "SELECT count(*), 출차일 FROM 일반권",
         "CREATE TRIGGER t BEFORE INSERT ON 일반권 WHEN NEW.출차일 IS NOT NULL BEGIN SELECT RAISE(ABORT, 'x'); END"},
        {"a blank number reads 0", {TD_Frame(disc)}, TD_Frame("DISC_ACKDISC10000001"), false, false, "0|3|2",
         "SELECT 금액, 건수, 할인종류 FROM 할인현황 WHERE 정산여부 = 1"},
        // A search request comes without a block check; a record's block check is taken whatever its value.
        {"a search request, then a record in the same read", {carSearch + td}, ack, false, false},
        {"a record, a search request and a record", {out02 + tagSearch + td}, out02Ack + ack, false, false, "1|1",
         "SELECT count(*), count(출차일) FROM 일반권"},
        {"a record whose block check is 02h", {out02}, out02Ack, false, false},
        {"a discount name is cut to 20 bytes", {longName}, outAck, false, false, "가나다라마바사아자차",
         "SELECT 할인구분 FROM 일반권"},
        {"a Korean character cut in half at byte 20 is dropped", {halfName}, outAck, false, false, "A가나다라마바사아자",
         "SELECT 할인구분 FROM 일반권"},
        {"an hourly record's 일련번호 is not stored", {TD_Frame(hour)}, TD_Frame("TIME_ACK TIME10000001"), false, false,
         "1|7|홍길동    |", "SELECT count(*), 시간대, 근무자명, 일련번호 FROM 시간대별 WHERE 정산여부 = 1"},
        {"two hours of one station are two rows", {TD_Frame(hour), TD_Frame(QString(hour).replace(25, 2, "8 "))},
         TD_Frame("TIME_ACK TIME10000001").repeated(2), false, false, "7|8",
         "SELECT group_concat(시간대, '|') FROM 시간대별 WHERE 정산여부 = 1"},
        {"a search request, then a record whose block check is 02h", {carSearch + out02}, out02Ack, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMaster m;
        if (!c.setup.isEmpty()) Exec(m.st.Db, c.setup);
        FakeDevice& port = m.fake.ports->device("/dev/fake9");
        for (const QByteArray& r : c.reads) {
            port.inject(r);
            m.st.routines.Master_Receive(m.st);
        }
        EXPECT_EQ(port.written(), c.written);
        // A line for each acknowledged record; a refused one leaves the cashier's list alone.
        EXPECT_EQ(m.ts.screen.list1.size(), c.written.count("_ACK")) << m.ts.screen.list1.join(u'/').toStdString();
        EXPECT_EQ(m.rows(c.query), QStringList{c.row});
        EXPECT_EQ(m.st.PortTestEcho, c.echo);
        EXPECT_EQ(m.st.Connect2.Status(), c.lamp);
    }
}

// A cancellation: ticket 0007, fee and amount received as given, settled shift of worker 3.
QString Cancel(const QString& tag, int fee)
{
    return "CANCEL0" + tag + " 00072026-01-0508:152026-01-0510:200007202601050815125   " + f(QString::number(fee), 8) +
           "0   " + f(QString::number(fee), 8) + "1" + f("현금출차", 20) + f("홍길동", 10) + "3 " +
           "2026-01-05 06:002026-01-05 18:00";
}

TEST(MasterReceive, ACancellationSentAgainReplacesItsRowInOneStep)
{
    const struct {
        const char* name;
        const char* setup;
        QString fees;
        QByteArray written;
    } cases[] = {
        {"the new values replace the old", "", "5000",
         TD_Frame("CANCEL_ACK CANCEL00000001") + TD_Frame("CANCEL_ACK CANCEL00000002")},
        {"a replacement that fails keeps the old row and is not acknowledged",
         "CREATE TRIGGER t BEFORE INSERT ON 출차취소 WHEN NEW.총주차요금 = 5000 BEGIN SELECT RAISE(ABORT, 'x'); END", "3000",
         TD_Frame("CANCEL_ACK CANCEL00000001")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMaster m;
        if (*c.setup) Exec(m.st.Db, QString::fromUtf8(c.setup));
        FakeDevice& port = m.fake.ports->device("/dev/fake9");
        const QString first = Cancel("0000001", 3000), again = Cancel("0000002", 5000);
        ASSERT_EQ(first.size(), 156);
        for (const QString& text : {first, again}) {
            port.inject(TD_Frame(text));
            m.st.routines.Master_Receive(m.st);
        }
        EXPECT_EQ(port.written(), c.written);
        EXPECT_EQ(m.rows("SELECT 총주차요금, 실수령금액, 근무자코드 FROM 출차취소"), QStringList{c.fees + "|" + c.fees + "|3"});
    }
}

TEST(MasterLoopback, EveryRecordArrivesWholeOnceAndIsAcknowledgedOnce)
{
    End station, master;
    QByteArray acks;
    station.pty.replier = [&](const QByteArray& c) { master.pty.send(c); return QByteArray(); };
    master.pty.replier = [&](const QByteArray& c) { acks += c; station.pty.send(c); return QByteArray(); };
    ASSERT_TRUE(station.st.comm->openPort(PortHost, station.pty.slavePath(), SerialSettings{})) << station.st.comm->OpenError(PortHost).toStdString();
    ASSERT_TRUE(master.st.comm->openPort(PortCalc, master.pty.slavePath(), SerialSettings{})) << master.st.comm->OpenError(PortCalc).toStdString();
    Exec(master.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = 1, 출차취소전송 = 1"));

    const QString d = "2026-01-05", t0 = "2026-01-05 06:00", t1 = "2026-01-05 18:00";
    const QString in = "포스코드, 티켓번호, 입차일, 입차시간, 입차코드";
    const QString out = "티켓번호, 입차일, 입차시간, 입차코드, 출차일, 출차시간, 총주차시간, 총주차요금, 할인시간, 실수령금액, 할인구분";
    station.add("일반권", in, {1, "0001", d, "08:00", "0001202601050800"});
    station.add("일반권", in, {2, "0002", d, "08:30", "0002202601050830"});
    const QString exit = "포스코드, " + out;
    station.add("일반권", exit, {1, "0003", d, "07:10", "0003202601050710", d, "09:45", "155", 3000, 30, 2500, "현금출차"});
    station.add("일반권", exit, {3, "0004", d, "08:50", "0004202601050850", d, "10:05", "75", 1000, 0, 0, "경차할인"});
    const QString cancel = out + ", 근무자코드, 근무자명, 시작일시, 종료일시";
    for (const QString n : {"5", "6"})
        station.add("출차취소", cancel + ", 정산구분", {"000" + n, d, "06:0" + n, "000" + n + "202601050600", d, "06:4" + n,
                                                      "4" + n, 1000, 0, 900, "경차할인", n.toInt(), "홍길동" + n, t0, t1, 1});
    const QString stats = "포스코드, 정산여부, 근무자코드, 시작일시, 종료일시", disc = "명칭, 할인종류, 금액, 건수, 근무자명, " + stats;
    station.add("할인현황", disc, {"현금출차", 0, 250000, 41, "홍길동", 1, 1, 3, t0, t1});
    station.add("할인현황", disc, {"경차할인", 2, 9000, 3, "홍길동", 1, 1, 3, t0, t1});
    const QString hour = "시간대, 정기권입차수, 정기권출차수, 일반권입차수, 일반권출차수, 금액, 대수, 일련번호, 데이터유무, " + stats;
    station.add("시간대별", hour + ", 근무자명", {7, 1, 2, 3, 4, 5000, 4, 17, 1, 2, 1, 4, t0, t1, "가나다라마바"});
    station.add("시간대별", hour + ", 근무자명", {7, 5, 6, 7, 8, 90000, 8, 18, 1, 3, 1, 4, t0, t1, "홍길동"});
    QString band = stats;
    for (int n = 1; n <= 10; ++n) band += QStringLiteral(", 금액%1, 건수%1").arg(n);
    for (const QString table : {"주차시간대별", "금액대별"})
        for (int pos : {1, 4}) {
            QVariantList v{pos, 1, 5, t0, t1, "홍길동"};
            for (int n = 1; n <= 10; ++n) v << n * 1000 + pos << n + pos;
            station.add(table, stats + ", 근무자명" + band.mid(stats.size()), v);
        }
    const auto sendAll = [&] {
        station.st.HostPending.fill(true);
        for (HostKind k : {HostDISC, HostTIME, HostPKTIME, HostPAMT, HostTD, HostOUT, HostCANCEL})
            for (int n = 0; station.st.HostPending[k] && n < 5; ++n) station.st.routines.HostSend[k](station.st);
    };
    sendAll();
    // Everything again, an exit's entry among it: the entry keeps its exit, the rest is stored once.
    for (const QString table : {"일반권", "출차취소", "할인현황", "시간대별", "주차시간대별", "금액대별"})
        Exec(station.st.Db, "UPDATE " + table + " SET 전송여부 = 0");
    Exec(station.st.Db, "UPDATE 일반권 SET 출차일 = NULL WHERE 티켓번호 = '0003'");
    sendAll();

    EXPECT_EQ(acks.count("_ACK"), 28); // every record acknowledged once: none went twice
    // Every field the records carry is in the master's rows.
    const QString settled = " WHERE 정산여부 = 1";
    for (const QString& sql : {"SELECT " + exit + " FROM 일반권 WHERE 티켓번호 <> '0003' ORDER BY 1, 2",
                               "SELECT " + cancel + ", 정산구분 FROM 출차취소",
                               "SELECT " + disc + " FROM 할인현황" + settled,
                               "SELECT " + QString(hour).remove("일련번호, ") + " FROM 시간대별" + settled,
                               "SELECT " + band + " FROM 주차시간대별" + settled, "SELECT " + band + " FROM 금액대별" + settled})
        EXPECT_EQ(master.rows(sql), station.rows(sql)) << sql.toStdString();
    EXPECT_EQ(master.rows("SELECT 출차일, 총주차요금, 정산구분, 전송여부 FROM 일반권 ORDER BY 입차코드"),
              QStringList({"||1|1", "||1|1", "2026-01-05|3000|1|0", "2026-01-05|1000|1|0"}));
    EXPECT_EQ(master.rows("SELECT count(일련번호) FROM 시간대별" + settled), QStringList{"0"}); // the senders' order stays theirs
    // The hourly and band rows' worker names cut to 10 bytes, as the master cuts them.
    EXPECT_EQ(master.rows("SELECT 근무자명 FROM 시간대별" + settled + " UNION ALL SELECT DISTINCT 근무자명 FROM 금액대별" + settled),
              QStringList({"가나다라마", "홍길동    ", "홍길동    "}));
    for (HostKind k : {HostOUT, HostDISC, HostTIME, HostPKTIME, HostPAMT, HostCANCEL}) EXPECT_TRUE(master.st.HostPending[k]);
}

} // namespace

// A station's sending cycle and a master's receiver through the real serial
// ports, two pseudo-terminals bridged back to back as a null-modem cable.
#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "serial/Comm.h"
#include "sim/PtyDevice.h"

#include <QSet>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

struct End {
    End()
    {
        st.comm = std::make_unique<Comm>();
        AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (ev == comEvReceive && i == PortHost) st.routines.Host_Receive(st);
            if (ev == comEvReceive && i == PortCalc) st.routines.Master_Receive(st);
        });
    }
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

// The texts of the STX text ETX check frames in a byte stream.
QStringList frameTexts(const QByteArray& bytes)
{
    QStringList out;
    for (qsizetype s = bytes.indexOf('\x02'); s >= 0; s = bytes.indexOf('\x02', bytes.indexOf('\x03', s) + 2))
        out << QString::fromLatin1(bytes.mid(s + 1, bytes.indexOf('\x03', s) - s - 1));
    return out;
}

TEST(MasterLoopback, EveryRecordArrivesWholeAndIsAcknowledgedOnce)
{
    End station, master;
    QByteArray sent, acks;
    station.pty.replier = [&](const QByteArray& c) { sent += c;
        master.pty.send(c);
        return QByteArray(); };
    master.pty.replier = [&](const QByteArray& c) { acks += c;
        station.pty.send(c);
        return QByteArray(); };
    ASSERT_TRUE(station.st.comm->openPort(PortHost, station.pty.slavePath(), SerialSettings{}));
    ASSERT_TRUE(master.st.comm->openPort(PortCalc, master.pty.slavePath(), SerialSettings{}));
    Exec(master.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 일반권출차전송 = 1, 출차취소전송 = 1"));

    const QSqlDatabase& db = station.st.Db;
    const QString exitCols = QStringLiteral("티켓번호, 입차일, 입차시간, 출차일, 출차시간, 입차코드, 총주차시간, 총주차요금, "
                                            "할인시간, 실수령금액, 할인구분");
    const QString entry = QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드) VALUES (?,?,?,?,?)");
    Exec(db, entry, {1, "0001", "2026-01-05", "08:00", "0001202601050800"});
    Exec(db, entry, {2, "0002", "2026-01-05", "08:30", "0002202601050830"});
    const QString exit = QStringLiteral("INSERT INTO 일반권 (포스코드, %1) VALUES (?,?,?,?,?,?,?,?,?,?,?,?)").arg(exitCols);
    Exec(db, exit, {1, "0003", "2026-01-05", "07:10", "2026-01-05", "09:45", "0003202601050710", "155", 3000, 30, 2500, "현금출차"});
    Exec(db, exit, {3, "0004", "2026-01-04", "23:50", "2026-01-05", "10:05", "0004202601042350", "615", 12000, 0, 11000, "경차할인"});
    const QString cancel = QStringLiteral("INSERT INTO 출차취소 (%1, 근무자코드, 근무자명, 시작일시, 종료일시, 정산구분) "
                                          "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,1)").arg(exitCols);
    for (const QString n : {"5", "6"})
        Exec(db, cancel, {"000" + n, "2026-01-05", "06:0" + n, "2026-01-05", "06:4" + n, "000" + n + "202601050600", "4" + n,
                          1000, 0, 900, "경차할인", n.toInt(), "홍길동" + n, "2026-01-05 06:00", "2026-01-05 18:00"});
    const QString stats = QStringLiteral("포스코드, 근무자명, 근무자코드, 시작일시, 종료일시");
    const QString disc = QStringLiteral("INSERT INTO 할인현황 (%1, 명칭, 할인종류, 금액, 건수, 정산여부) VALUES (?,?,?,?,?,?,?,?,?,1)").arg(stats);
    Exec(db, disc, {1, "홍길동", 3, "2026-01-05 06:00", "2026-01-05 18:00", "현금출차", 0, 250000, 41});
    Exec(db, disc, {1, "홍길동", 3, "2026-01-05 06:00", "2026-01-05 18:00", "경차할인", 2, 9000, 3});
    const QString hourCols = QStringLiteral("시간대, 정기권입차수, 정기권출차수, 일반권입차수, 일반권출차수, 금액, 대수, 일련번호");
    const QString hour = QStringLiteral("INSERT INTO 시간대별 (%1, %2, 정산여부, 데이터유무) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,1,1)").arg(stats, hourCols);
    Exec(db, hour, {2, "가나다라마바", 4, "2026-01-05 06:00", "2026-01-05 18:00", 7, 1, 2, 3, 4, 5000, 4, 17});
    Exec(db, hour, {2, "홍길동", 4, "2026-01-05 06:00", "2026-01-05 18:00", 23, 5, 6, 7, 8, 90000, 8, 18});
    QStringList bandCols;
    for (int n = 1; n <= 10; ++n) bandCols << QStringLiteral("금액%1").arg(n) << QStringLiteral("건수%1").arg(n);
    for (const QString table : {"주차시간대별", "금액대별"})
        for (int pos : {1, 4}) {
            QVariantList v{pos, "홍길동", 5, "2026-01-05 06:00", "2026-01-05 18:00"};
            for (int n = 1; n <= 10; ++n) v << n * 1000 + pos << n + pos;
            Exec(db, QStringLiteral("INSERT INTO %1 (%2, %3, 정산여부) VALUES (%4?, 1)")
                         .arg(table, stats, bandCols.join(", "), QString("?, ").repeated(24)), v);
        }

    station.st.settings.PauseTime = 3;
    station.st.HostPending.fill(true);
    for (HostKind k : {HostDISC, HostTIME, HostPKTIME, HostPAMT, HostTD, HostOUT, HostCANCEL})
        for (int n = 0; station.st.HostPending[k] && n < 5; ++n) station.st.routines.HostSend[k](station.st);

    // Each record went once and was acknowledged once, under its own key.
    EXPECT_EQ(frameTexts(sent).size(), 14);
    const QStringList ackTexts = frameTexts(acks);
    EXPECT_EQ(ackTexts.size(), 14);
    EXPECT_EQ(QSet<QString>(ackTexts.begin(), ackTexts.end()).size(), 14);
    // Every field the records carry is in the master's rows, the worker names
    // of the hourly and band rows cut to 10 bytes.
    const QString bands = QStringLiteral("포스코드, 근무자코드, 시작일시, 종료일시, ") + bandCols.join(", ");
    for (const QString& sql : {"SELECT 포스코드, " + exitCols + " FROM 일반권 ORDER BY 입차코드",
                               "SELECT " + exitCols + ", 근무자코드, 근무자명, 시작일시, 종료일시 FROM 출차취소",
                               "SELECT " + stats + ", 명칭, 할인종류, 금액, 건수 FROM 할인현황",
                               "SELECT 포스코드, 근무자코드, 시작일시, 종료일시, " + hourCols + " FROM 시간대별 WHERE 정산여부 = 1",
                               "SELECT " + bands + " FROM 주차시간대별 WHERE 정산여부 = 1",
                               "SELECT " + bands + " FROM 금액대별 WHERE 정산여부 = 1"})
        EXPECT_EQ(master.rows(sql), station.rows(sql)) << sql.toStdString();
    EXPECT_EQ(master.rows("SELECT 근무자명 FROM 시간대별 WHERE 정산여부 = 1 UNION ALL "
                          "SELECT DISTINCT 근무자명 FROM 금액대별 WHERE 정산여부 = 1"),
              QStringList({"가나다라마", "홍길동    ", "홍길동    "}));
    EXPECT_EQ(master.rows("SELECT 정산구분, 전송여부 FROM 일반권 ORDER BY 입차코드"),
              QStringList({"1|1", "1|1", "1|0", "1|0"}));
    EXPECT_EQ(station.rows("SELECT count(*) FROM 일반권 WHERE 전송여부 = 0"), QStringList({"0"}));
    for (HostKind k : {HostOUT, HostDISC, HostTIME, HostPKTIME, HostPAMT, HostCANCEL}) EXPECT_TRUE(master.st.HostPending[k]);
}

} // namespace

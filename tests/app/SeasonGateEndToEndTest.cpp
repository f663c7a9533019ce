// Season cards end to end: the program's real serial layer on pseudo-terminals,
// simulated readers at entrance 1 and exit 1, the fee display carrying the
// entrance barrier's relay and the exit reader's own controller opening the exit.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "gates/GatesAttach.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "core/Station.h"
#include "sim/PtyDevice.h"
#include "sim/SeasonReaderSim.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QVariant Value(const Station& st, const QString& sql) { return Scalar(st.Db, sql); }

bool WaitFor(const std::function<bool()>& done)
{
    return QTest::qWaitFor(done, 5000);
}

} // namespace

TEST(SeasonGateEndToEnd, CardsAtTheReadersOpenTheBarriersAndAreStored)
{
    sim::SeasonReaderSim entrance(0); // ID Tech
    sim::SeasonReaderSim exitReader(3); // Remocon(N)
    sim::PtyDevice display;
    ASSERT_TRUE(entrance.ok() && exitReader.ok() && display.ok());
    display.replier = nullptr;

    test::AppRig app(QDateTime(QDate(2026, 3, 10), QTime(8, 15)));
    auto [st, clock, msgs, window] = std::tie(app.st, app.clock, app.msgs, app.window);
    AttachGates(st);
    app.mapPorts({{"Com2", entrance.slavePath()}, {"Com3", exitReader.slavePath()}, {"Com7", display.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'PLUS TYPE'"));
    Exec(st.Db, QStringLiteral("UPDATE 정기권입구1 SET 사용여부 = 1, 포트번호 = 'Com2', 기종 = 'ID Tech', Gate제어 = '요금표시기'"));
    Exec(st.Db, QStringLiteral("UPDATE 정기권출구1 SET 사용여부 = 1, 포트번호 = 'Com3', 기종 = 'Remocon(N)', "
                               "Gate제어 = '자체콘트롤러'"));
    Exec(st.Db, QStringLiteral("INSERT INTO 정기권 (정기권번호, 차량번호, 이름, 시작일, 종료일, 입출차구분, 입차수, 출차수) "
                               "VALUES ('0000905172', '34나5678', '김철수', '2026-03-01', '2026-03-31', 2, 0, 0), "
                               "('0000012345', '56다7890', '이영희', '2026-03-01', '2026-03-31', 1, 3, 2)"));

    // Log in: the ports open and the gate settings load.
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortSeasonIn1, PortSeasonOut1, PortFeeDisp}))
        << app.shown().toStdString();
    clock.setNow(QDateTime(QDate(2026, 3, 10), QTime(8, 20)));

    // Entrance 1: the fee display's relay ("PLUS TYPE": STX "GON" ETX check).
    entrance.presentCard("905172");
    const QByteArray gon = QByteArray::fromHex("02474F4E0347");
    EXPECT_TRUE(WaitFor([&] { return display.received.contains(gon); })) << display.received.toHex(' ').toStdString();
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 입출상태 || ' ' || 입차일자 || ' ' || 입차시간 FROM 정기권입출차 "
                                       "WHERE 정기권번호 = '0000905172'"))
                  .toString(),
              QStringLiteral("정상입차 2026-03-10 08:20"));
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 입출차구분 FROM 정기권 WHERE 정기권번호 = '0000905172'")).toInt(), 1);
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 정기권입차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 8")).toInt(), 1);
    EXPECT_EQ(window.text(QStringLiteral("CarCnt_3")), QStringLiteral("1"));

    // Exit 1: the Remocon(N) reader's own controller gets "Y".
    exitReader.presentCard("12345");
    EXPECT_TRUE(WaitFor([&] { return exitReader.received().contains('Y'); })) << exitReader.received().toHex(' ').toStdString();
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 입출상태 FROM 정기권입출차 WHERE 정기권번호 = '0000012345'")).toString(),
              QStringLiteral("정상출차"));
    EXPECT_EQ(Value(st, QStringLiteral("SELECT 출차수 FROM 정기권 WHERE 정기권번호 = '0000012345'")).toInt(), 3);
    EXPECT_EQ(window.text(QStringLiteral("PnlMsg")),
              QStringLiteral("(정상출차) 정기권번호 :  0000012345  차량번호 : 56다7890  이름 : 이영희"));

    // The same exit card again: 중복출차, refused in the normal mode with "N".
    exitReader.presentCard("12345");
    EXPECT_TRUE(WaitFor([&] { return exitReader.received().contains('N'); })) << exitReader.received().toHex(' ').toStdString();
    EXPECT_EQ(Value(st, QStringLiteral("SELECT COUNT(*) FROM 정기권입출차")).toInt(), 3);
    st.comm.reset();
}

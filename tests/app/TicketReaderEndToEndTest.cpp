// The exit road from the ticket reader, over a pseudo-terminal through the real
// serial port: the simulated reader sends the read reply of an unpaid paper
// ticket by itself (a pseudo-terminal has no DSR line to start the read), Enter
// completes the exit, and the reader gets the exit written, printed and ejected.

#include "common/AppRig.h"
#include "common/PortsOpen.h"
#include "core/Sql.h"
#include "equipment/TicketReader.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "serial/Comm.h"
#include "sim/PtyDevice.h"
#include "sim/TicketReaderSim.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "core/Station.h"
#include "serial/FeeDisplay.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

TEST(TicketReaderEndToEnd, ATicketReadByTheReaderLeavesStampedPrintedAndEjected)
{
    sim::PtyDevice pty;
    ASSERT_TRUE(pty.ok());
    sim::TicketReaderSim reader;
    pty.replier = [&reader](const QByteArray& chunk) { return reader.onBytes(chunk); };

    test::AppRig app(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
    auto [st, clock, msgs, window] = std::tie(app.st, app.clock, app.msgs, app.window);
    AttachTicketReader(st);
    app.mapPorts({{"Com6", pty.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));

    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortReader})) << app.shown().toStdString();
    test::GenerateTariff(st);

    // The dispenser's entry at 07:30; the car leaves at 09:30 (120 minutes, 5,500 won).
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                               "VALUES (0, '0042', '2026-01-05', '07:30', '0042202601050730', 0, 1)"));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));

    reader.insert(sim::TicketReaderSim::PaperCard(QStringLiteral("0042"), QStringLiteral("2601050730")));
    pty.send(reader.readReplyFrame());
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 3000));
    EXPECT_EQ(window.text(QStringLiteral("LOut_6")), QStringLiteral("5,500원"));
    EXPECT_EQ(window.text(QStringLiteral("TNum")), QStringLiteral("0042"));

    QTest::keyClick(&window, Qt::Key_Return);
    EXPECT_FALSE(st.trx.TicketInProgress);
    const QStringList expected{QStringLiteral("C70" "0008" "0042" "0" "2601050930" "2601050930"),
                               QStringLiteral("C90" "19\x1f" "2    2026-01-05 09:30  \\5,500"), QStringLiteral("C30")};
    EXPECT_EQ(reader.commands, expected);
    EXPECT_EQ(window.text(QStringLiteral("Label5")), QString());
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 출차일 || ' ' || 출차시간 FROM 일반권")).toString(),
              QStringLiteral("2026-01-05 09:30"));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 실수령금액 FROM 일반권")).toInt(), 5500);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT 일반권출차수 FROM 시간대별 WHERE 정산여부 = 0 AND 시간대 = 9")).toInt(), 1);
    for (const auto& m : msgs.shown) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
    st.comm.reset();
}

// The minute's time goes to the fee display ("TS" text, then 0.2 s later the
// time); a card read in between is priced, and its fee stays on the display.
TEST(TicketReaderEndToEnd, ACardPricedWhileTheMinutesTimeGoesOutKeepsItsFeeOnTheDisplay)
{
    sim::PtyDevice readerPort, display;
    ASSERT_TRUE(readerPort.ok() && display.ok());
    sim::TicketReaderSim reader;
    readerPort.replier = [&reader](const QByteArray& chunk) { return reader.onBytes(chunk); };
    bool armed = false;
    display.replier = [&](const QByteArray& chunk) {
        if (armed && chunk.contains("\x02TS")) {
            armed = false;
            readerPort.send(reader.readReplyFrame());
        }
        return QByteArray();
    };

    test::AppRig app(QDateTime(QDate(2026, 1, 5), QTime(9, 30)));
    auto [st, clock, msgs, window] = std::tie(app.st, app.clock, app.msgs, app.window);
    AttachTicketReader(st);
    app.mapPorts({{"Com6", readerPort.slavePath()}, {"Com7", display.slavePath()}});
    app.startUp();
    Exec(st.Db, QStringLiteral("UPDATE 리더기 SET 사용여부 = 1, 포트번호 = 'Com6', 기종 = 'ZP-2000'"));
    Exec(st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = 'Com7', 기종 = 'BEST TYPE'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    app.logIn();
    ASSERT_TRUE(test::PortsOpen(*st.comm, {PortReader, PortFeeDisp})) << app.shown().toStdString();
    test::GenerateTariff(st);
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                               "VALUES (0, '0042', '2026-01-05', '07:30', '0042202601050730', 0, 1)"));
    reader.insert(sim::TicketReaderSim::PaperCard(QStringLiteral("0042"), QStringLiteral("2601050730")));

    // Let the ticks of the present minute pass, then the clock turns to 09:31.
    QTest::qWait(1200);
    armed = true;
    const qsizetype from = display.received.size();
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 31)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return st.trx.TicketInProgress; }, 3000)) << "no card was read";
    QTest::qWait(600); // past the 0.2 s after the "TS" text
    // 121 minutes: 1,000 won and 10 started 10 minutes at 500 won.
    EXPECT_EQ(window.text(QStringLiteral("LOut_6")), QStringLiteral("6,000원"));
    const QByteArray sent = display.received.mid(from);
    const qsizetype fee = sent.indexOf(feedisp::BestDisplayFrame("  6000"));
    ASSERT_GE(fee, 0) << sent.toHex(' ').toStdString();
    EXPECT_EQ(sent.indexOf(feedisp::BestDisplayFrame(" 09-31")), -1) << sent.toHex(' ').toStdString();
    EXPECT_TRUE(sent.mid(fee).endsWith(feedisp::BestDisplayFrame("  6000"))) << "the fee was overwritten";
    st.comm.reset();
}

} // namespace

// A test build of the station that takes its keys from a script instead of a
// person: start-up, login, then exits one after another on the real screen
// (typed ticket, Enter, a discount key on some, then Enter to complete or Esc to
// cancel every fifth; every seventh car, while the day's lost-ticket numbers
// last, has lost its ticket: F9, then Enter).
// Prints "exit N" once an exit is through. Used by the kill test and scripts/soak.sh.
//   exit_script <program folder> <exits>

#include "core/Sql.h"
#include "core/Station.h"
#include "core/StatsPeriod.h"
#include "fee/DiscountKeys.h"
#include "fee/SlotTable.h"
#include "platform/Clock.h"
#include "platform/PrivateFiles.h"
#include "platform/ScriptedMessages.h"
#include "serial/FakeComm.h"
#include "station/CommDispatch.h"
#include "station/FrmInput.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>

using namespace tolvo;

namespace {

const QDate kDay(2026, 1, 5); // a Monday: the lost ticket enters at the weekday opening

// Two discount keys (F1, F2) and the lost-ticket key (F9). A kill in the middle
// leaves the tariff unset, so the next start does this again: no row twice.
void EnsureKeys(Station& st)
{
    Transaction tx(st.Db);
    if (Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 할인키")).toInt() == 0) {
        const QString add = QStringLiteral("INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 할인종류1, 적용요율1, 할인종류2, "
                                           "적용요율2, 중복사용, 사용여부) VALUES (?, ?, 0, ?, ?, ?, 0, 0, 0, 1)");
        Exec(st.Db, add, {QStringLiteral("30분무료"), 112, QStringLiteral("F1"), 1, 30});
        Exec(st.Db, add, {QStringLiteral("전액무료"), 113, QStringLiteral("F2"), 4, 0});
    }
    Exec(st.Db, QStringLiteral("DELETE FROM 기능키 WHERE 키코드1 = 120 AND 키코드2 = 0"));
    Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 키코드1, 키코드2, 키명칭, 기능코드, 사용여부) "
                               "VALUES ('분실권', 120, 0, 'F9', 2, 1)"));
    // No exit yet: the period opens afresh so it holds a row for each key.
    for (const char* t : {"시간대별", "주차시간대별", "금액대별", "할인현황"})
        Exec(st.Db, QStringLiteral("DELETE FROM ") + Id(QString::fromUtf8(t)));
    tx.commit();
    Stats_NewPeriod(st);
    Load_DiscountKeys(st);
}

// First 30 minutes 1,000 won, then 500 won per 10 minutes; set once on a new folder.
void EnsureTariff(Station& st)
{
    if (Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 요금테이블")).toInt() > 0) return;
    EnsureKeys(st);
    SlotInputs in;
    in.basicOn = true;
    in.basicTime = QStringLiteral("30");
    in.basicAmount = QStringLiteral("1000");
    in.finalUnit = QStringLiteral("10");
    in.finalAmount = QStringLiteral("500");
    const SlotGeneration g = GenerateSlotTable(in);
    Exec(st.Db, QStringLiteral("UPDATE 기타 SET 기본사용 = 1, 기본시간 = 30, 기본금액 = 1000, 구간시간4 = 10, "
                               "구간금액4 = 500, 일일최대사용 = 0, "
                               "평일개장시간 = '08:00', 주말개장시간 = '10:30'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 영수증인쇄여부 = 0"));
    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    WriteSlotTable(st.Db, g.rows); // last: its rows say the set-up is done
}

bool Login(FrmSplash& splash)
{
    auto* password = splash.findChild<QLineEdit*>(QStringLiteral("Text1"));
    auto* ok = splash.findChild<QPushButton*>(QStringLiteral("cmdOK"));
    if (!password || !ok) return false;
    QTest::keyClicks(password, QStringLiteral("582047"));
    QTest::mouseClick(ok, Qt::LeftButton);
    return true;
}

// A car whose ticket is lost: the function key starts its exit, Enter completes it.
bool LostExit(MainWindow& window, Station& st)
{
    QTest::keyClick(&window, Qt::Key_F9);
    if (!st.trx.TicketInProgress || !st.trx.LostTicket) return false;
    QTest::keyClick(&window, Qt::Key_Return);
    return !st.trx.TicketInProgress;
}

// One car: its entry as the dispenser stores it, then the exit at the booth.
bool OneExit(Station& st, ManualClock& clock, MainWindow& window)
{
    const int n = Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 일반권")).toInt() + 1;
    clock.setNow(QDateTime(kDay, QTime(8, 0)).addSecs(60 * (n * 37 % 900)));
    // Every car exits on one day, which has 999 lost-ticket numbers (L001~L999):
    // a fast disk gets through them within one run, and the cars after have their tickets.
    if (n % 7 == 3 && n < 7 * 999) return LostExit(window, st);
    const QString ticket = QStringLiteral("%1").arg(n % 10000, 4, 10, QLatin1Char('0'));
    const QString inTime = QStringLiteral("%1:%2").arg(6 + n / 60 % 2, 2, 10, QLatin1Char('0')).arg(n % 60, 2, 10, QLatin1Char('0'));
    const QString code = ticket + kDay.toString(QStringLiteral("yyyyMMdd")) + QString(inTime).remove(QLatin1Char(':'));
    Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (포스코드, 티켓번호, 입차일, 입차시간, 입차코드, 정산구분, 전송여부) "
                               "VALUES (0, ?, ?, ?, ?, 0, 1)"),
         {ticket, kDay.toString(Qt::ISODate), inTime, code});
    auto* tnum = window.findChild<QLineEdit*>(QStringLiteral("TNum"));
    if (!tnum) return false;
    tnum->setFocus();
    QTest::keyClicks(tnum, ticket);
    QTest::keyClick(tnum, Qt::Key_Return);
    if (!st.trx.TicketInProgress) return false;
    if (n % 3 == 1) QTest::keyClick(&window, n % 2 ? Qt::Key_F1 : Qt::Key_F2);
    QTest::keyClick(&window, n % 5 == 0 ? Qt::Key_Escape : Qt::Key_Return);
    return !st.trx.TicketInProgress;
}

} // namespace

int main(int argc, char** argv)
{
    RestrictNewFiles();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: exit_script <program folder> <exits>\n");
        return 2;
    }
    ManualClock clock(QDateTime(kDay, QTime(7, 0)));
    ScriptedMessages msgs;
    MainWindow window;
    Station st(clock, msgs, window);
    st.AppPath = QString::fromLocal8Bit(argv[1]);
    MakePrivateFolder(st.AppPath);
    InstallFakeComm(st); // no device: the script types every ticket
    AttachCommDispatch(st);
    window.attach(st);
    FrmInput_Install(st, &window);
    if (const auto end = Startup_Load(st, [&window] { window.load(); })) return 10 + *end;
    bool started = false;
    FrmSplash splash(st, [&] { started = true; window.show(); }, [](int) {});
    splash.show();
    if (!Login(splash) || !started) return 3;
    EnsureTariff(st);
    const int exits = QByteArray(argv[2]).toInt();
    for (int i = 0; i < exits; ++i) {
        if (!OneExit(st, clock, window)) return 4;
        std::printf("exit %d\n", i + 1);
        std::fflush(stdout);
    }
    for (const auto& m : msgs.shown) std::fprintf(stderr, "message: %s\n", m.text.toUtf8().constData());
    st.comm.reset();
    return 0;
}

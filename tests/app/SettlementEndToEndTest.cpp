// A settlement by keyboard on the running station: login, an exit, the
// function key of the settlement, 정산, confirmation, the next worker's
// password; the report in the day file and the next period open.

#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/ScriptedMessages.h"
#include "serial/FakeComm.h"
#include "settlement/Jungsan.h"
#include "station/CommDispatch.h"
#include "station/FrmLogin.h"
#include "station/FrmSplash.h"
#include "station/MainWindow.h"
#include "station/Startup.h"
#include "core/Station.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// Runs fn on the modal screen once it is up.
void OnModal(const QString& name, std::function<void(QWidget&)> fn)
{
    QTimer::singleShot(0, [name, fn] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w->objectName() == name) fn(*w);
        else ADD_FAILURE() << "no modal " << name.toStdString();
    });
}

TEST(SettlementEndToEnd, FunctionKeyToTheNextPeriod)
{
    QTemporaryDir dir;
    ManualClock clock(QDateTime(QDate(2026, 1, 5), QTime(7, 30)));
    ScriptedMessages msgs;
    MainWindow window;
    Station st(clock, msgs, window);
    st.AppPath = dir.path();
    InstallFakeComm(st);
    AttachCommDispatch(st);
    window.attach(st);
    window.registerScreen(QStringLiteral("Jungsan"), [&st](QWidget* parent) { ShowJungsan(st, parent); });
    st.screens.frmLogin = [&window](Station& s) {
        OnModal(QStringLiteral("frmLogin"), [](QWidget& f) {
            QTest::keyClicks(f.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("582047"));
            QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        ShowFrmLogin(s, &window);
    };
    ASSERT_FALSE(Startup_Load(st, [&window] { window.load(); }).has_value());
    FrmSplash splash(st, [&] { window.show(); }, [](int) {});
    splash.show();
    QTest::keyClicks(splash.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("582047"));
    QTest::mouseClick(splash.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    ASSERT_EQ(st.worker.WorkerName, QStringLiteral("관리자"));

    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 시간대별인쇄여부 = 1, 상호 = '한빛주차장'"));
    Exec(st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권출차수 = 1, 금액 = 5500 WHERE 시간대 = 9"));
    Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES ('영업마감', 25, 112, 0, 1)"));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 0)));
    msgs.mboxAnswers.push_back(true);

    OnModal(QStringLiteral("Jungsan"), [](QWidget& j) {
        QTest::mouseClick(j.findChild<QPushButton*>(QStringLiteral("Command1_0")), Qt::LeftButton);
    });
    QTest::keyClick(&window, Qt::Key_F1);

    QFile paper(dir.filePath(QStringLiteral("Data/2026-01-05.txt")));
    ASSERT_TRUE(paper.open(QIODevice::ReadOnly));
    const QString report = cp949::decode(paper.readAll());
    EXPECT_TRUE(report.contains(QStringLiteral("[09:00 - 09:59]       0       1        5,500")));
    EXPECT_TRUE(report.contains(QStringLiteral("상      호 : 한빛주차장")));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1")).toInt(), 24);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT SUM(금액) FROM 시간대별 WHERE 정산여부 = 0")).toInt(), 0);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 0 AND "
                                           "시작일시 = '2026-01-05 18:00'")).toInt(),
              24);
    EXPECT_FALSE(st.StationBusy);
    for (const auto& m : msgs.shown)
        if (m.kind != QStringLiteral("MBox")) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
    st.comm.reset();
}

} // namespace

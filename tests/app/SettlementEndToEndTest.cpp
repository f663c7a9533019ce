// The settlement by keyboard on the running station: by its function key (login,
// an exit, 정산, confirmation, the next worker's password; the report in the day
// file, the next period open under the next worker and the gate-open counts
// cleared), and by the menu bar with keys alone (F10 and
// the arrows open a record list, Alt and Enter the settlement; after each screen
// the keyboard is back in the ticket box).

#include "common/ModalMessages.h"
#include "core/SettingsFile.h"
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
#include "season/ListScreens.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// The station started as the program does, logged in as the administrator.
class SettlementEndToEnd : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock{QDateTime(QDate(2026, 1, 5), QTime(7, 30))};
    ScriptedMessages msgs;
    MainWindow window;
    Station st{clock, msgs, window};
    std::unique_ptr<FrmSplash> splash;

    SettlementEndToEnd()
    {
        st.AppPath = dir.path();
        InstallFakeComm(st);
        AttachCommDispatch(st);
        window.attach(st);
        window.registerScreen(QStringLiteral("Jungsan"), [this](QWidget* parent) { ShowJungsan(st, parent); });
        window.registerScreen(QStringLiteral("IlList"), [this](QWidget* parent) { ShowIlList(st, parent); });
        st.screens.frmLogin = [this](Station& s) {
            test::WhenModal(QStringLiteral("frmLogin"), [](QWidget& f) {
                // 근무자4 takes over
                QTest::keyClicks(f.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("408653"));
                QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
            });
            ShowFrmLogin(s, &window);
        };
        const auto failed = Startup_Load(st, [this] { window.load(); });
        EXPECT_FALSE(failed.has_value());
        splash = std::make_unique<FrmSplash>(st, [this] {
            window.show();
            window.setFocus(QStringLiteral("TNum"));
        }, [](int) {});
        splash->show();
        QTest::keyClicks(splash->findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("582047"));
        QTest::mouseClick(splash->findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    }
    ~SettlementEndToEnd() override { st.comm.reset(); }
};

TEST_F(SettlementEndToEnd, FunctionKeyToTheNextPeriod)
{
    ASSERT_EQ(st.worker.WorkerName, QStringLiteral("관리자"));

    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    Exec(st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 시간대별인쇄여부 = 1, 상호 = '한빛주차장'"));
    Exec(st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권출차수 = 1, 금액 = 5500 WHERE 시간대 = 9"));
    Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES ('영업마감', 25, 112, 0, 1)"));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 0)));
    msgs.mboxAnswers.push_back(true);
    st.settings.InOpenCount = 2;
    st.settings.OutOpenCount = 3;
    Write_Ini(st, kIniSection, QStringLiteral("입차열림"), QStringLiteral("2"));
    Write_Ini(st, kIniSection, QStringLiteral("출차열림"), QStringLiteral("3"));
    st.screen.refreshTotals();
    ASSERT_TRUE(QTest::qWaitFor([this] { return window.text(QStringLiteral("LCnt_7")) == QStringLiteral("5500"); }, 2000));

    test::WhenModal(QStringLiteral("Jungsan"), [](QWidget& j) {
        QTest::mouseClick(j.findChild<QPushButton*>(QStringLiteral("Command1_0")), Qt::LeftButton);
    });
    QTest::keyClick(&window, Qt::Key_F1);

    QFile paper(dir.filePath(QStringLiteral("Data/2026-01-05.txt")));
    ASSERT_TRUE(paper.open(QIODevice::ReadOnly));
    const QString report = cp949::decode(paper.readAll());
    EXPECT_TRUE(report.contains(QStringLiteral("[09:00 - 09:59]       0       1        5,500")));
    EXPECT_TRUE(report.contains(QStringLiteral("상      호 : 한빛주차장")));
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1 AND 근무자명 = '관리자'"))
                  .toInt(),
              24);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT SUM(금액) FROM 시간대별 WHERE 정산여부 = 0")).toInt(), 0);
    for (const char* t : {"시간대별", "주차시간대별", "금액대별"})
        EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 0 AND 근무자코드 = 4 AND "
                                               "근무자명 = '근무자4' AND 시작일시 = '2026-01-05 18:00'")
                                    .arg(QString::fromUtf8(t))).toInt(),
                  Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE 정산여부 = 0").arg(QString::fromUtf8(t))).toInt())
            << t;
    // The main screen shows the new worker's empty period; the gate-open counts restart at 0.
    EXPECT_TRUE(QTest::qWaitFor([this] { return window.text(QStringLiteral("WName")) == QStringLiteral("근무자4"); }, 2000));
    EXPECT_EQ(window.text(QStringLiteral("LCnt_7")), QStringLiteral("0"));
    EXPECT_EQ(QStringLiteral("%1|%2").arg(st.settings.InOpenCount).arg(st.settings.OutOpenCount), QStringLiteral("0|0"));
    EXPECT_EQ(Read_Ini(st, kIniSection, QStringLiteral("입차열림"), QStringLiteral("x")) + QStringLiteral("|") +
                  Read_Ini(st, kIniSection, QStringLiteral("출차열림"), QStringLiteral("x")),
              QStringLiteral("0|0"));
    EXPECT_FALSE(st.StationBusy);
    for (const auto& m : msgs.shown)
        if (m.kind != QStringLiteral("MBox")) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
}

// The window manager gives the main screen the keyboard again when a screen
// over it has closed (the offscreen platform leaves no window active).
bool BackInTheTicketBox(MainWindow& w)
{
    w.activateWindow();
    return QTest::qWaitForWindowActive(&w) &&
           QTest::qWaitFor([&w] { return QApplication::focusWidget() == w.tnum(); }, 2000);
}

// A key pressed and released where the keyboard sends it.
void Key(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const auto target = [&w]() -> QWidget* {
        if (QWidget* popup = QApplication::activePopupWidget()) return popup;
        if (QWidget* f = QApplication::focusWidget()) return f;
        return &w;
    };
    QTest::keyPress(target(), key, mods);
    QTest::keyRelease(target(), key, mods);
    QApplication::processEvents();
}

TEST_F(SettlementEndToEnd, AListAndTheSettlementByKeysAlone)
{
    ASSERT_EQ(st.worker.WorkerName, QStringLiteral("관리자"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(QApplication::focusWidget(), window.tnum());

    // F10, two titles on to 자료검색, open it, its first item.
    bool listShown = false;
    for (const Qt::Key k : {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down}) Key(window, k);
    test::WhenModal(QStringLiteral("IlList"), [&](QWidget& list) {
        listShown = st.StationBusy;
        list.close();
    });
    Key(window, Qt::Key_Return);
    EXPECT_TRUE(listShown);
    EXPECT_TRUE(BackInTheTicketBox(window)) << "after the list";

    Exec(st.Db, QStringLiteral("UPDATE 영수증프린터 SET PORT = 'FILE'"));
    Exec(st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권출차수 = 1, 금액 = 5500 WHERE 시간대 = 9"));
    clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(18, 0)));
    msgs.mboxAnswers.push_back(true);
    // Alt alone lights 영업마감, the first title; Enter runs it.
    Key(window, Qt::Key_Alt);
    test::WhenModal(QStringLiteral("Jungsan"), [](QWidget& j) {
        // 정산 by the keyboard: its button takes the keyboard, Space presses it.
        auto* settle = j.findChild<QPushButton*>(QStringLiteral("Command1_0"));
        settle->setFocus();
        QTest::keyClick(settle, Qt::Key_Space);
        if (j.isVisible()) {
            ADD_FAILURE() << "정산 left the screen open";
            j.close();
        }
    });
    Key(window, Qt::Key_Return);

    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1")).toInt(), 24);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT SUM(금액) FROM 시간대별 WHERE 정산여부 = 1")).toInt(), 5500);
    EXPECT_EQ(Scalar(st.Db, QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 0 AND "
                                           "시작일시 = '2026-01-05 18:00'")).toInt(),
              24);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Data/2026-01-05.txt")))) << "the report on paper";
    EXPECT_FALSE(st.StationBusy);
    EXPECT_TRUE(BackInTheTicketBox(window)) << "after the settlement";
    for (const auto& m : msgs.shown)
        if (m.kind != QStringLiteral("MBox")) ADD_FAILURE() << "unexpected message: " << m.text.toStdString();
}

} // namespace

// The running station worked from the keyboard alone: F10 and the arrows open
// a record list, Alt and Enter open the settlement, whose 정산 is pressed by its
// Alt+P; after each screen the keyboard is back in the ticket box.

#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/Cp949.h"
#include "platform/ScriptedMessages.h"
#include "season/ListScreens.h"
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
#include <QMenuBar>
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

TEST(MenuBarKeysEndToEnd, AListAndTheSettlementByKeysAlone)
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
    window.registerScreen(QStringLiteral("IlList"), [&st](QWidget* parent) { ShowIlList(st, parent); });
    st.screens.frmLogin = [&window](Station& s) {
        OnModal(QStringLiteral("frmLogin"), [](QWidget& f) {
            QTest::keyClicks(f.findChild<QLineEdit*>(QStringLiteral("txtPassword")), QStringLiteral("582047"));
            QTest::mouseClick(f.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
        });
        ShowFrmLogin(s, &window);
    };
    ASSERT_FALSE(Startup_Load(st, [&window] { window.load(); }).has_value());
    FrmSplash splash(st, [&] {
        window.show();
        window.setFocus(QStringLiteral("TNum"));
    }, [](int) {});
    splash.show();
    QTest::keyClicks(splash.findChild<QLineEdit*>(QStringLiteral("Text1")), QStringLiteral("582047"));
    QTest::mouseClick(splash.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    ASSERT_EQ(st.worker.WorkerName, QStringLiteral("관리자"));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    ASSERT_EQ(QApplication::focusWidget(), window.tnum());

    // F10, two titles on to 자료검색, open it, its first item.
    bool listShown = false;
    for (const Qt::Key k : {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down}) Key(window, k);
    OnModal(QStringLiteral("IlList"), [&](QWidget& list) {
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
    OnModal(QStringLiteral("Jungsan"), [](QWidget& j) {
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
    st.comm.reset();
}

} // namespace

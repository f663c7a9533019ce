#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/Ini.h"
#include "platform/ScriptedMessages.h"
#include "serial/FrmDebug.h"
#include "widgets/Fnd1.h"
#include "station/MainWindow.h"
#include "core/Station.h"
#include "common/AppRig.h"
#include "common/Keyboard.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

// A station whose main screen is the real window.
struct WindowStation {
    WindowStation() : st(clock, msgs, window)
    {
        st.AppPath = dir.path();
        st.IniPath = st.AppPath + QStringLiteral("/Tolvo.ini");
        DBase::SetFolders(st);
        DBase::DataBase_Check(st);
        DBase::DataBase_Open(st);
        window.attach(st);
        window.onEnd = [this](int code) { endCode = code; };
    }
    ~WindowStation() { DBase::DataBase_Close(st); }

    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    MainWindow window;
    Station st;
    int endCode = -1;
};

class MainWindowTest : public ::testing::Test {
protected:
    // The window shown on the screen, and its message panel.
    QLabel* shownPanel()
    {
        ws.window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&ws.window));
        return ws.window.findChild<QLabel*>(QStringLiteral("PnlMsg"));
    }

    WindowStation ws;
};

template <typename T>
T* Find(const MainWindow& w, const QString& name)
{
    return w.findChild<T*>(name);
}

} // namespace

TEST_F(MainWindowTest, EveryControlByItsName)
{
    const MainWindow& w = ws.window;
    EXPECT_TRUE(Find<QLineEdit>(w, QStringLiteral("TNum")));
    EXPECT_TRUE(Find<QListWidget>(w, QStringLiteral("List1")));
    EXPECT_TRUE(Find<QListWidget>(w, QStringLiteral("lbxDemoList")));
    EXPECT_TRUE(Find<Fnd1>(w, QStringLiteral("Fnd")));
    QStringList labels{"PnlMsg", "PnlTime", "WName", "LblM_0", "LblM_3", "LblM_4", "LblWarning1",
                       "LblWarning2", "LblBusy", "Label3", "LblTDCnt", "LCnt_0", "LCnt_1", "LCnt_2",
                       "LCnt_4", "LCnt_7"};
    for (int i = 0; i <= 6; ++i) labels << QStringLiteral("CarCnt_%1").arg(i) << QStringLiteral("LOut_%1").arg(i);
    for (int i = 0; i <= 7; ++i) labels << QStringLiteral("POut_%1").arg(i);
    for (int i = 0; i <= 12; ++i) labels << QStringLiteral("Label1_%1").arg(i);
    for (const char* s : {"s2", "s3", "s4", "s9", "s11", "s12", "s13", "s14"}) labels << QString::fromUtf8(s);
    for (const QString& l : labels) EXPECT_TRUE(Find<QLabel>(w, l)) << l.toStdString();
    for (const char* shape : {"Shape1", "ShapeRD", "Shape2", "Shape3", "Shape4", "Shape9", "Shape11", "Shape12",
                              "Shape13", "Shape14", "Connect1", "Connect2"})
        EXPECT_TRUE(Find<QWidget>(w, QString::fromUtf8(shape))) << shape;
    EXPECT_TRUE(w.findChild<QTimer*>(QStringLiteral("Timer1")));
}

TEST_F(MainWindowTest, AControlReplacedUnderItsNameIsTheOneSet)
{
    MainWindow& w = ws.window;
    auto* first = Find<QLabel>(w, QStringLiteral("PnlMsg"));
    ASSERT_TRUE(first);
    w.setText(QStringLiteral("PnlMsg"), QStringLiteral("a"));
    EXPECT_EQ(first->text(), QStringLiteral("a"));
    // Renamed away: the name now means another label.
    first->setObjectName(QStringLiteral("PnlMsgOld"));
    auto* second = new QLabel(first->parentWidget());
    second->setObjectName(QStringLiteral("PnlMsg"));
    w.setText(QStringLiteral("PnlMsg"), QStringLiteral("b"));
    EXPECT_EQ(first->text() + QLatin1Char('|') + second->text(), QStringLiteral("a|b"));
    // Deleted: the next one of that name is found.
    delete second;
    auto* third = new QLabel(first->parentWidget());
    third->setObjectName(QStringLiteral("PnlMsg"));
    w.setText(QStringLiteral("PnlMsg"), QStringLiteral("c"));
    EXPECT_EQ(third->text(), QStringLiteral("c"));
    EXPECT_EQ(w.text(QStringLiteral("PnlMsg")), QStringLiteral("c"));
}

// What a control showed each time it was painted.
struct PaintedTexts : QObject {
    std::function<QString()> shown;
    QStringList texts;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) texts << shown();
        return false;
    }
};

TEST_F(MainWindowTest, LabelsChangedFasterThanAScreenShowsArePaintedTogether)
{
    MainWindow& w = ws.window;
    auto* label = shownPanel();
    ASSERT_TRUE(label);
    auto* list = Find<QListWidget>(w, QStringLiteral("List1"));
    ASSERT_TRUE(list);
    QTest::qWait(100); // the first paint is done
    PaintedTexts painted, lines;
    painted.shown = [label] { return label->text(); };
    // The list's newest line as painted, beside the message of the same frame.
    lines.shown = [label, list] {
        return (list->count() > 0 ? list->item(list->count() - 1)->text() : QString()) + u'|' + label->text();
    };
    label->installEventFilter(&painted);
    list->viewport()->installEventFilter(&lines);
    QElapsedTimer took;
    took.start();
    for (int i = 1; i <= 20; ++i) {
        w.setText(QStringLiteral("PnlMsg"), QString::number(i));
        w.appendList1(QString::number(i));
        QCoreApplication::processEvents(); // as between two frames of a busy station
    }
    // One paint, and one more for each 40 ms the changes took; the last text is painted.
    const qint64 maxPaints = 1 + took.elapsed() / 40 + 1;
    EXPECT_LE(painted.texts.size(), maxPaints) << painted.texts.join(u',').toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !painted.texts.isEmpty() && painted.texts.last() == QStringLiteral("20"); }, 1000));
    EXPECT_LE(lines.texts.size(), maxPaints) << lines.texts.join(u',').toStdString();
    ASSERT_FALSE(lines.texts.isEmpty());
    EXPECT_EQ(lines.texts.last(), QStringLiteral("20|20"));
    for (const QString& both : lines.texts) EXPECT_EQ(both.section(u'|', 0, 0), both.section(u'|', 1)) << "painted a line behind its frame";
    label->removeEventFilter(&painted);
    list->viewport()->removeEventFilter(&lines);
}

// A label's text, however long, moves no control and leaves the window's size:
// the window is not laid out again for it.
TEST(MainWindowLabels, ALongTextMovesNothing)
{
    struct Case {
        const char* label;
        const char* text;
    };
    const Case cases[] = {
        {"CarCnt_6", "1234567"},
        {"LCnt_7", "1234567"},
        {"LOut_2", "2026-12-31 23:59"},
        {"WName", "가나다라마바사아자차카타"},
        {"PnlMsg", "(중복출차) 정기권번호 :  0123456789  차량번호 : 서울12가3456  이름 : 가나다라마바사아자차카타"},
    };
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QTest::qWait(60);
    const auto places = [&w] {
        QList<QRect> r{w.geometry()};
        for (const QWidget* c : w.findChildren<QWidget*>()) r << c->geometry();
        return r;
    };
    const QList<QRect> before = places();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        w.setText(QString::fromUtf8(c.label), QString::fromUtf8(c.text));
        QTest::qWait(60); // a paint, and any laying out it asked for
        EXPECT_TRUE(places() == before);
    }
}

TEST_F(MainWindowTest, FeePanelCaptions)
{
    const char* captions[] = {" 번호입력", " 발권번호", " 출차일시", " 입차일시", " 할인시간", " 주차시간", " 주차요금", " 영수금액 "};
    for (int i = 0; i <= 7; ++i)
        EXPECT_EQ(ws.window.text(QStringLiteral("POut_%1").arg(i)), QString::fromUtf8(captions[i]));
    EXPECT_EQ(ws.window.text(QStringLiteral("LblM_0")), QStringLiteral("주차권 발권기"));
    EXPECT_EQ(ws.window.text(QStringLiteral("Label1_12")), QStringLiteral(" 합계  :"));
}

TEST_F(MainWindowTest, MenuTreeByName)
{
    const std::pair<const char*, const char*> items[] = {
        {"Mnu1", "영업마감"}, {"Mnu2", "정기권관리"}, {"Mnu3", "일반권 입출차 현황"},
        {"Mnu4", "정기권 입출차 현황"}, {"Mnu5", "정기권 부정입출 현황"}, {"MnuBing", "출차취소 현황"},
        {"MnuFee", "요금테이블"}, {"MnuPort", "Comm 포트설정"}, {"MnuDisc", "할인 및 기능키 설정"},
        {"MnuWork", "근무자및 화면설정"}, {"MnuEtc", "인쇄옵션 설정"}, {"MnuSysBackUp", "시스템설정 백업"},
        {"MnuSysRestore", "시스템설정 복구"}, {"MnuJungBackUp", "정기권자료 백업"}, {"MnuJungRestore", "정기권자료 복구"},
        {"MnuData", "데이터베이스관리"}, {"MnuNewTD", "발권기 주차권교환"}, {"MnuTDTime", "발권기 안내문구 설정"},
        {"Mnu_OutRd", "판독기 안내문구 설정"}, {"Mnu8", "종료"}, {"Mnu_Td", "장비설정"}, {"Mnu_Debug", "DEBUG"},
        {"MnuInfo", "프로그램 정보"},
    };
    for (const auto& [name, caption] : items) {
        auto* a = Find<QAction>(ws.window, QString::fromUtf8(name));
        ASSERT_TRUE(a) << name;
        EXPECT_EQ(a->text(), QString::fromUtf8(caption)) << name;
    }
    EXPECT_EQ(Find<QMenu>(ws.window, QStringLiteral("MnuSearch"))->title(), QStringLiteral("자료검색"));
    EXPECT_EQ(Find<QMenu>(ws.window, QStringLiteral("Mnu6"))->title(), QStringLiteral("시스템설정"));
    for (const char* sep : {"MnuDumy1", "MnuDumy2", "MnuDumy3"}) {
        auto* a = Find<QAction>(ws.window, QString::fromUtf8(sep));
        ASSERT_TRUE(a) << sep;
        EXPECT_TRUE(a->isSeparator());
    }
    for (const char* hidden : {"Mnu_Td", "Mnu_Debug"}) {
        auto* a = Find<QAction>(ws.window, QString::fromUtf8(hidden));
        EXPECT_FALSE(a->isVisible()) << hidden;
        EXPECT_FALSE(a->isEnabled()) << hidden;
    }
}

TEST_F(MainWindowTest, VisibilityIsTheControlsOwnWhileTheWindowIsHidden)
{
    MainWindow& w = ws.window;
    ASSERT_FALSE(w.QWidget::isVisible());
    w.setVisible(QStringLiteral("LblBusy"), true);
    EXPECT_TRUE(w.isVisible(QStringLiteral("LblBusy")));
    w.setVisible(QStringLiteral("LblBusy"), false);
    EXPECT_FALSE(w.isVisible(QStringLiteral("LblBusy")));
    EXPECT_FALSE(w.isVisible(QStringLiteral("NoSuchControl")));
}

TEST_F(MainWindowTest, LampsFollowTheStationsLinkStates)
{
    auto* lamp = Find<QWidget>(ws.window, QStringLiteral("Connect1"));
    ASSERT_NE(lamp, nullptr);
    auto* onLine = lamp->findChild<QLabel*>(QStringLiteral("Image2"));
    ASSERT_NE(onLine, nullptr);
    EXPECT_TRUE(onLine->isHidden());
    ws.st.Connect1.setStatus(true); // as the host receiver does on DLE
    EXPECT_FALSE(onLine->isHidden());
    EXPECT_EQ(&ws.window.connect1(), &ws.st.Connect1);
    // The fixture destroys the station before the window: the lamp must let go cleanly.
}

TEST_F(MainWindowTest, ScreenSinkReachesTheControls)
{
    MainWindow& w = ws.window;
    w.setText(QStringLiteral("MnuTDTime"), QStringLiteral("발권기 시간설정"));
    EXPECT_EQ(Find<QAction>(w, QStringLiteral("MnuTDTime"))->text(), QStringLiteral("발권기 시간설정"));
    w.setText(QStringLiteral("main"), QStringLiteral("x 주차관리 시스템"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("x 주차관리 시스템"));
    w.setEnabled(QStringLiteral("MnuSearch"), false);
    EXPECT_FALSE(Find<QMenu>(w, QStringLiteral("MnuSearch"))->menuAction()->isEnabled());
    EXPECT_FALSE(w.isEnabled(QStringLiteral("MnuSearch")));
    w.setMaxLength(QStringLiteral("TNum"), 4);
    EXPECT_EQ(w.tnum()->maxLength(), 4);
    w.appendList1(QStringLiteral("a"));
    w.appendList1(QStringLiteral("b"));
    EXPECT_EQ(w.list1()->currentRow(), 1);
    w.setText(QStringLiteral("Fnd"), QStringLiteral("   1500"));
    EXPECT_EQ(w.text(QStringLiteral("Fnd")), QStringLiteral("   1500"));
    EXPECT_EQ(Find<Fnd1>(w, QStringLiteral("Fnd"))->cells().cells()[6], 9);
    w.setBackColor(QStringLiteral("LOut_0"), QColor(0, 128, 128));
    EXPECT_EQ(w.backColor(QStringLiteral("LOut_0")), QColor(0, 128, 128));
    // A counter read right after a record shows it.
    Exec(ws.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 0"));
    w.refreshTotals();
    Exec(ws.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 7, 일반권출차수 = 5, 정기권입차수 = 4, 정기권출차수 = 6, 금액 = 900 "
                                  "WHERE 일련번호 = (SELECT MIN(일련번호) FROM 시간대별)"));
    w.refreshTotals();
    QStringList totals;
    for (const char* c : {"LCnt_0", "LCnt_1", "LCnt_2", "LCnt_4", "LCnt_7"}) totals << w.text(QString::fromUtf8(c));
    EXPECT_EQ(totals.join(u' '), QStringLiteral("7 5 4 6 900"));
}

TEST_F(MainWindowTest, LoadStartsTheTimerAndKeepsTheClock)
{
    ws.window.load();
    EXPECT_TRUE(ws.window.timer1().isActive());
    EXPECT_EQ(ws.window.timer1().interval(), 1000);
    EXPECT_EQ(ws.window.text(QStringLiteral("Fnd")), QStringLiteral("      0"));
    EXPECT_EQ(Find<QLabel>(ws.window, QStringLiteral("LOut_3"))->palette().color(QPalette::WindowText), QColor(0, 64, 64));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ws.window.text(QStringLiteral("PnlTime")).isEmpty(); }, 3000));
    EXPECT_EQ(ws.window.text(QStringLiteral("PnlTime")), QStringLiteral("2026년01월05일 09시00분00초"));
    ws.window.setTimerEnabled(false);
    EXPECT_FALSE(ws.window.timer1().isActive());
}

// The timer's tick is posted, so that the timer fires again while a tick
// waits; a tick posted as the timer stops (shut-down, a restore) does not run.
TEST_F(MainWindowTest, ATickPostedAsTheTimerStopsDoesNotRun)
{
    ws.window.load();
    int ticks = 0;
    ws.window.onTick = [&] { ++ticks; };
    QTimer& timer = ws.window.timer1();
    ASSERT_TRUE(QTest::qWaitFor([&] { return ticks > 0; }, 3000));
    ticks = 0;
    QObject::connect(&timer, &QTimer::timeout, &timer, [&timer] { timer.stop(); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !timer.isActive(); }, 3000));
    QCoreApplication::processEvents();
    EXPECT_EQ(ticks, 0);
}

TEST_F(MainWindowTest, KeysGoToFunctionKeysOrToTheTicket)
{
    ws.window.load();
    Exec(ws.st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, 3, 49, 0, 1)"),
         {QStringLiteral("입구차단기 열림")});
    QTest::keyClick(ws.window.tnum(), Qt::Key_1);
    EXPECT_EQ(ws.st.settings.InOpenCount, 1) << "a function key on a digit fires in TNum";
    EXPECT_EQ(Read_Ini(ws.st.IniPath, QStringLiteral("시스템"), QStringLiteral("입차열림"), QString()), QStringLiteral("1"));
    ws.st.trx.TicketInProgress = true; // the key is the exit's (a discount key), not a function key
    QTest::keyClick(ws.window.tnum(), Qt::Key_1);
    EXPECT_EQ(ws.st.settings.InOpenCount, 1);
}

TEST_F(MainWindowTest, ColourDoubleClick)
{
    ws.window.load();
    int asked = 0;
    std::optional<QColor> answer = QColor(10, 20, 30);
    ws.window.chooseColour = [&](const QColor&) {
        ++asked;
        return answer;
    };
    ws.window.setText(QStringLiteral("WName"), QStringLiteral("근무자1"));
    ws.window.colourDoubleClick(QStringLiteral("Label1_8"));
    EXPECT_EQ(asked, 0) << "only the administrator";
    ws.window.setText(QStringLiteral("WName"), QStringLiteral("관리자"));
    answer.reset();
    ws.window.colourDoubleClick(QStringLiteral("Label1_8"));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Read_Ini(ws.st.IniPath, QStringLiteral("시스템"), QStringLiteral("Label1"), QStringLiteral("none")),
              QStringLiteral("none"))
        << "cancel writes nothing";
    answer = QColor(10, 20, 30);
    QTest::mouseDClick(Find<QLabel>(ws.window, QStringLiteral("Label1_8")), Qt::LeftButton);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(Find<QLabel>(ws.window, QStringLiteral("Label1_0"))->palette().color(QPalette::WindowText), QColor(10, 20, 30));
    EXPECT_EQ(Read_Ini(ws.st.IniPath, QStringLiteral("시스템"), QStringLiteral("Label1"), QString()),
              QString::number(10 + 20 * 256 + 30 * 65536));
}

TEST_F(MainWindowTest, SideMenuRunsTheCommands)
{
    ws.window.load();
    QStringList shown;
    for (const char* form : {"FrmWorkMan", "frmAbout", "FrmFee"})
        ws.window.registerScreen(QString::fromUtf8(form), [&shown, form](QWidget*) { shown << QString::fromUtf8(form); });
    auto* list = Find<QListWidget>(ws.window, QStringLiteral("lbxDemoList"));
    ASSERT_EQ(list->count(), 17);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("영업마감(F1)"));
    EXPECT_EQ(list->item(9)->text(), QStringLiteral("근무자 관리"));
    EXPECT_EQ(list->item(16)->text(), QStringLiteral("프로그램정보"));
    const auto click = [&](int row) {
        QListWidgetItem* it = list->item(row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(it).center());
    };
    ws.window.show();
    click(9);
    click(16);
    ws.window.setEnabled(QStringLiteral("Mnu6"), false);
    click(6);
    EXPECT_EQ(shown, (QStringList{QStringLiteral("FrmWorkMan"), QStringLiteral("frmAbout")}));
    ASSERT_EQ(ws.msgs.shown.size(), 1u);
    EXPECT_TRUE(ws.msgs.shown[0].text.contains(QStringLiteral("요금 테이블 설정 화면에 접근할 수 없습니다.")));
    ws.window.hide();
}

TEST_F(MainWindowTest, ClosingAsksTheQuestion)
{
    ws.window.load();
    ws.window.show();
    ws.msgs.msgBoxAnswers = {vbNo};
    EXPECT_FALSE(ws.window.close());
    EXPECT_TRUE(ws.window.QWidget::isVisible());
    EXPECT_TRUE(ws.st.Db.isOpen());
    EXPECT_EQ(ws.endCode, -1);

    ws.msgs.msgBoxAnswers = {vbYes};
    Exec(ws.st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = 0"));
    ws.window.menus().click(QStringLiteral("Mnu8"));
    EXPECT_TRUE(ws.window.ended());
    EXPECT_EQ(ws.endCode, 0);
    EXPECT_FALSE(ws.st.Db.isOpen());
    EXPECT_FALSE(ws.window.timer1().isActive());
    DBase::DataBase_Open(ws.st);
    EXPECT_TRUE(ToBool(Scalar(ws.st.Db, QStringLiteral("SELECT 정상적인종료 FROM 시스템"))));
}

TEST_F(MainWindowTest, SeasonRestoreThenTheShutDownQuestion)
{
    for (const int answer : {vbNo, vbYes}) {
        WindowStation ws;
        ws.window.load();
        ws.window.show();
        ws.st.worker.WorkerName = QStringLiteral("관리자");
        ws.msgs.dialogMAnswers = {1};
        ws.msgs.msgBoxAnswers = {vbOK, vbOK, answer};
        ws.window.menus().click(QStringLiteral("MnuJungRestore"));
        EXPECT_FALSE(ws.st.StationBusy);
        ASSERT_TRUE(ws.msgs.shown.back().text.startsWith(QStringLiteral("프로그램을 종료하면")));
        if (answer == vbNo) {
            EXPECT_TRUE(ws.window.timer1().isActive()) << "the station goes on with its timer";
            EXPECT_FALSE(ws.window.ended());
        } else {
            EXPECT_TRUE(ws.window.ended());
            EXPECT_EQ(ws.endCode, 0);
            EXPECT_FALSE(ws.window.timer1().isActive());
        }
    }
}

TEST(MainWindow, RecolouringAFrameKeepsTheColoursInsideIt)
{
    WindowStation ws;
    ws.window.load();
    ws.window.show();
    auto* frame = Find<QFrame>(ws.window, QStringLiteral("Shape4"));
    auto* inside = Find<QLabel>(ws.window, QStringLiteral("LCnt_0"));
    ASSERT_TRUE(frame && frame->isAncestorOf(inside));
    ws.window.setForeColor(QStringLiteral("LCnt_0"), QColor(0, 0, 255));
    ws.window.setForeColor(QStringLiteral("Shape4"), QColor(255, 0, 0));
    QApplication::processEvents();
    EXPECT_EQ(inside->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    EXPECT_EQ(frame->grab().toImage().pixelColor(0, frame->height() / 2), QColor(255, 0, 0)) << "the outline";
}

TEST(MainWindow, NoScreenOutlivesTheStation)
{
    ManualClock clock;
    ScriptedMessages msgs;
    MainWindow window;
    QPointer<QWidget> monitor;
    {
        Station st(clock, msgs, window);
        window.attach(st);
        monitor = FrmDebug::ShowFor(st, &window); // the trace monitor left open at shut-down
        ASSERT_FALSE(monitor.isNull());
    }
    EXPECT_TRUE(monitor.isNull());
}

// ---- the fee panel's layout

namespace {

QWidget* Control(const MainWindow& w, const QString& name) { return w.findChild<QWidget*>(name); }

int MiddleY(const MainWindow& w, const QString& name)
{
    const QWidget* c = Control(w, name);
    return c ? c->mapTo(&w, c->rect().center()).y() : -1;
}

} // namespace

// Each fee-panel value stands on the row of its caption (the ticket box beside
// the mode caption), and the mode caption's value label, which only carries the
// panel colour, does not cover the ticket box the worker clicks into.
TEST(FeePanelLayout, EachValueBesideItsCaption)
{
    MainWindow w;
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QWidget* tnum = Control(w, QStringLiteral("TNum"));
    ASSERT_TRUE(tnum);
    EXPECT_EQ(w.childAt(tnum->mapTo(&w, tnum->rect().center())), tnum);
    EXPECT_NEAR(MiddleY(w, QStringLiteral("TNum")), MiddleY(w, QStringLiteral("POut_0")), 4);
    for (int i = 1; i <= 6; ++i) {
        const QString value = QStringLiteral("LOut_%1").arg(i), caption = QStringLiteral("POut_%1").arg(i);
        SCOPED_TRACE(value.toStdString());
        ASSERT_TRUE(Control(w, value) && Control(w, caption));
        EXPECT_NEAR(MiddleY(w, value), MiddleY(w, caption), 4);
    }
}

// List1 keeps the newest 500 lines, oldest first, and the newest one selected.
TEST(MainWindowList1, KeepsTheNewest500LinesInOrder)
{
    struct Case {
        const char* name;
        int appended;
        int firstKept;  // number of the oldest line still listed
    };
    const Case cases[] = {
        {"under the cap", 499, 0},
        {"at the cap", 500, 0},
        {"one over", 501, 1},
        {"a long day", 1234, 734},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindow w;
        for (int i = 0; i < c.appended; ++i) w.appendList1(QStringLiteral("줄 %1").arg(i));
        QListWidget* list = w.list1();
        ASSERT_EQ(list, w.findChild<QListWidget*>(QStringLiteral("List1")));
        ASSERT_EQ(list->count(), c.appended - c.firstKept);
        for (int row = 0; row < list->count(); ++row)
            ASSERT_EQ(list->item(row)->text(), QStringLiteral("줄 %1").arg(c.firstKept + row)) << "row " << row;
        EXPECT_EQ(list->currentRow(), list->count() - 1);
    }
}

// ---- the menu bar and the focus by keys

namespace {

// Where the keyboard sends a key: the open menu, else the control with the
// keyboard, else the window.
QWidget* KeyTarget(MainWindow& w)
{
    if (QWidget* popup = QApplication::activePopupWidget()) return popup;
    if (QWidget* f = w.focusWidget()) return f;
    return &w;
}

// One key pressed and released as the keyboard gives it.
void Key(MainWindow& w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QTest::keyPress(KeyTarget(w), key, mods);
    QTest::keyRelease(KeyTarget(w), key, mods);
    QApplication::processEvents();
}

void Keys(MainWindow& w, std::initializer_list<Qt::Key> keys)
{
    for (const Qt::Key k : keys) Key(w, k);
}

struct ShownWindow {
    ShownWindow()
    {
        ws.window.load();
        ws.window.setTimerEnabled(false);
        ws.window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&ws.window));
        ws.window.setFocus(QStringLiteral("TNum"));
        for (const char* form : {"Jungsan", "IlList", "BList", "FrmFee", "frmAbout", "FrmPort"})
            ws.window.registerScreen(QString::fromUtf8(form), [this, form](QWidget*) {
                shown << QString::fromUtf8(form);
                const QWidget* f = ws.window.focusWidget();
                focusAtOpen << (f ? f->objectName() : QString());
            });
    }
    bool menuHasKeyboard() const
    {
        auto* bar = ws.window.menuBar();
        return QApplication::activePopupWidget() || (ws.window.focusWidget() == bar && bar->activeAction());
    }
    WindowStation ws;
    QStringList shown;
    QStringList focusAtOpen; // the control with the keyboard as each screen opened
};

// Some pixels of the active title are in the highlight colour.
bool TitleLit(QMenuBar& bar)
{
    QAction* title = bar.activeAction();
    if (!title) return false;
    const QImage image = bar.grab(bar.actionGeometry(title)).toImage();
    const QColor highlight = bar.palette().color(QPalette::Highlight);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == highlight) return true;
    return false;
}

} // namespace

// Alt or F10 gives the keyboard to the menu bar with its first title lit; the
// arrows walk the titles (영업마감, 정기권관리, 자료검색, 시스템설정, 종료, 프로그램
// 정보; the maker's two hidden) and open the menus, Enter chooses.
TEST(MainWindowMenuKeys, AltOrF10ThenArrowsAndEnterOpenTheItem)
{
    struct Case {
        const char* name;
        std::vector<Qt::Key> keys;
        const char* screen;
    };
    const Case cases[] = {
        {"F10 Enter: the settlement", {Qt::Key_F10, Qt::Key_Return}, "Jungsan"},
        {"Alt Enter: the settlement", {Qt::Key_Alt, Qt::Key_Return}, "Jungsan"},
        {"F10 to 자료검색, its first item", {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Return}, "IlList"},
        {"Alt to 자료검색, its third item",
         {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         "BList"},
        {"Alt to 시스템설정, its first item", {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Return, Qt::Key_Return}, "FrmFee"},
        {"F10 to 시스템설정, its second item",
         {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return},
         "FrmPort"},
        {"F10 Left round to 프로그램 정보", {Qt::Key_F10, Qt::Key_Left, Qt::Key_Return}, "frmAbout"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownWindow sw;
        for (const Qt::Key k : c.keys) Key(sw.ws.window, k);
        EXPECT_EQ(sw.shown, QStringList{QString::fromUtf8(c.screen)});
        EXPECT_EQ(sw.focusAtOpen, QStringList{QStringLiteral("TNum")}) << "the screen opens as from the ticket box";
        EXPECT_FALSE(sw.menuHasKeyboard());
        EXPECT_EQ(QApplication::focusWidget(), sw.ws.window.tnum());
        EXPECT_TRUE(sw.ws.msgs.shown.empty());
    }
}

// A second Alt or F10, or Esc (twice from an open menu), gives the keyboard
// back to the ticket box, and nothing runs. A function key held down over the
// first key and let go while the menus have the keyboard does nothing either.
TEST(MainWindowMenuKeys, SecondAltOrEscGivesTheTicketBoxBack)
{
    struct Case {
        const char* name;
        std::vector<Qt::Key> keys;
        bool f2Held = false; // F2 down before the first key, up after it
    };
    const Case cases[] = {
        {"Alt Alt", {Qt::Key_Alt, Qt::Key_Alt}},
        {"Alt Esc", {Qt::Key_Alt, Qt::Key_Escape}},
        {"F10 F10", {Qt::Key_F10, Qt::Key_F10}},
        {"F10 Esc", {Qt::Key_F10, Qt::Key_Escape}},
        {"Alt F10", {Qt::Key_Alt, Qt::Key_F10}},
        {"an open menu, Esc Esc", {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Escape, Qt::Key_Escape}},
        {"an open menu, Alt", {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_Alt}},
        {"an open menu, F10", {Qt::Key_Alt, Qt::Key_Right, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down, Qt::Key_F10}},
        {"F2 held over F10, Esc", {Qt::Key_F10, Qt::Key_Escape}, true},
        {"F2 held over Alt, Esc", {Qt::Key_Alt, Qt::Key_Escape}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ShownWindow sw;
        Station& st = sw.ws.st;
        // F2 opens 일반권 입출차현황; ticket 1234 is inside.
        test::GenerateTariff(st);
        Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, 10, 113, 0, 1)"),
             {QStringLiteral("일반권 입출차현황")});
        Exec(st.Db, QStringLiteral("INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 입차코드, 포스코드) "
                                   "VALUES ('1234', '2026-01-05', '08:00', '1234202601050800', 0)"));
        if (c.f2Held) QTest::keyPress(KeyTarget(sw.ws.window), Qt::Key_F2);
        Key(sw.ws.window, c.keys.front());
        if (c.f2Held) QTest::keyRelease(KeyTarget(sw.ws.window), Qt::Key_F2);
        EXPECT_TRUE(sw.menuHasKeyboard()) << "the first key lights the menu bar";
        EXPECT_NE(QApplication::focusWidget(), sw.ws.window.tnum());
        EXPECT_TRUE(TitleLit(*sw.ws.window.menuBar())) << "the title the keyboard is on shows it";
        for (std::size_t i = 1; i < c.keys.size(); ++i) Key(sw.ws.window, c.keys[i]);
        EXPECT_FALSE(sw.menuHasKeyboard());
        EXPECT_EQ(QApplication::focusWidget(), sw.ws.window.tnum());
        EXPECT_EQ(sw.ws.window.menuBar()->activeAction(), nullptr);
        EXPECT_TRUE(sw.shown.isEmpty());
        QTest::keyClicks(sw.ws.window.tnum(), QStringLiteral("1234"));
        EXPECT_EQ(sw.ws.window.tnum()->text(), QStringLiteral("1234")) << "digits go into the box again";
        Key(sw.ws.window, Qt::Key_Return);
        EXPECT_EQ(st.trx.EntryCode, QStringLiteral("1234202601050800")) << "Enter looks the ticket up";
        EXPECT_TRUE(sw.shown.isEmpty());
    }
}

// The keys that work the menus are not the ticket's: Esc that leaves the menu
// bar does not cancel the exit on screen, Enter that chooses an item does not
// complete it; a lone Alt is not looked up as a function key, and F10 only
// where the car park bound it to one.
TEST(MainWindowMenuKeys, MenuKeysAreNotTheExitKeys)
{
    ShownWindow sw;
    Station& st = sw.ws.st;
    Exec(st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, 3, 121, 0, 1)"),
         {QStringLiteral("입구차단기 열림")});
    Key(sw.ws.window, Qt::Key_F10);
    Key(sw.ws.window, Qt::Key_F10);
    EXPECT_EQ(st.settings.InOpenCount, 2) << "F10 bound to a function key stays that key";
    EXPECT_FALSE(sw.menuHasKeyboard());
    Exec(st.Db, QStringLiteral("DELETE FROM 기능키"));
    st.trx.TicketInProgress = true;
    Exec(st.Db, QStringLiteral("INSERT INTO 할인키 (명칭, 할인종류1, 적용요율1, 키코드1, 키코드2, 사용여부) "
                               "VALUES (?, 4, 0, 121, 0, 1)"),
         {QStringLiteral("무료")});
    QTest::keyPress(KeyTarget(sw.ws.window), Qt::Key_F10);
    EXPECT_FALSE(sw.menuHasKeyboard()) << "F10 bound to a discount key stays that key";
    QTest::keyRelease(KeyTarget(sw.ws.window), Qt::Key_F10);
    QApplication::processEvents();
    Exec(st.Db, QStringLiteral("DELETE FROM 할인키"));
    Key(sw.ws.window, Qt::Key_F10);
    EXPECT_TRUE(sw.menuHasKeyboard()) << "F10 bound to nothing reaches the menu bar";
    Key(sw.ws.window, Qt::Key_F10);
    Keys(sw.ws.window, {Qt::Key_Alt, Qt::Key_Escape});
    EXPECT_TRUE(st.trx.TicketInProgress) << "Esc left the menu bar only";
    Keys(sw.ws.window, {Qt::Key_F10, Qt::Key_Left, Qt::Key_Return});
    EXPECT_EQ(sw.shown, QStringList{QStringLiteral("frmAbout")});
    EXPECT_TRUE(st.trx.TicketInProgress) << "Enter chose the item only";
    Key(sw.ws.window, Qt::Key_Escape);
    EXPECT_FALSE(st.trx.TicketInProgress) << "Esc in the ticket box cancels";

    // An item chosen in an open menu whose Enter release never arrives (the
    // platform addressed it to the closed menu): the next Enter is the ticket's.
    Keys(sw.ws.window, {Qt::Key_F10, Qt::Key_Right, Qt::Key_Right, Qt::Key_Down});
    QTest::keyPress(KeyTarget(sw.ws.window), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(sw.shown.size(), 2);
    st.trx.TicketInProgress = true;
    st.trx.EnterGuard = true; // the first Enter on a typed ticket only clears it
    Key(sw.ws.window, Qt::Key_Return);
    EXPECT_FALSE(st.trx.EnterGuard) << "Enter reached the exit keys";
}

// Alt held with another key is that key's shift state, not the menu bar's.
TEST(MainWindowMenuKeys, AltWithAKeyIsAFunctionKey)
{
    ShownWindow sw;
    Exec(sw.ws.st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, 3, 65, 4, 1)"),
         {QStringLiteral("입구차단기 열림")});
    QLineEdit* tnum = sw.ws.window.tnum();
    QTest::keyPress(tnum, Qt::Key_Alt);
    QTest::keyPress(tnum, Qt::Key_A, Qt::AltModifier);
    QTest::keyRelease(tnum, Qt::Key_A, Qt::AltModifier);
    QTest::keyRelease(tnum, Qt::Key_Alt);
    QApplication::processEvents();
    EXPECT_EQ(sw.ws.st.settings.InOpenCount, 1);
    EXPECT_FALSE(sw.menuHasKeyboard());
    EXPECT_EQ(QApplication::focusWidget(), tnum);
}

// A key that went down while the menus had the keyboard is theirs up to its
// release, whichever character the release carries: Shift let go first
// releases "1" where "!" went down.
TEST(MainWindowMenuKeys, AShiftedKeyPressedInTheMenusIsTheirsWhenShiftGoesUpFirst)
{
    ShownWindow sw;
    Exec(sw.ws.st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, 3, 49, 0, 1)"),
         {QStringLiteral("입구차단기 열림")});
    Key(sw.ws.window, Qt::Key_F10);
    ASSERT_TRUE(sw.menuHasKeyboard());
    test::Keyboard kb(sw.ws.window);
    kb.press(Qt::Key_Shift);
    kb.press(Qt::Key_1);
    kb.release(Qt::Key_Shift);
    kb.release(Qt::Key_1);
    EXPECT_EQ(sw.ws.st.settings.InOpenCount, 0) << "the release reached the function keys";
}

// Tab and Shift+Tab keep the keyboard in the ticket box: it is the one control
// of the main screen that takes the keyboard (the lists are clicked only).
TEST(MainWindowMenuKeys, TabComesBackToTheTicketBox)
{
    ShownWindow sw;
    MainWindow& w = sw.ws.window;
    QStringList takers;
    for (QWidget* c : w.findChildren<QWidget*>())
        if (c->window() == &w && c->isVisibleTo(&w) && c->isEnabled() && (c->focusPolicy() & Qt::TabFocus))
            takers << c->objectName();
    EXPECT_EQ(takers, QStringList{QStringLiteral("TNum")});
    for (const Qt::Key k : {Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Tab, Qt::Key_Tab}) {
        Key(w, k, k == Qt::Key_Backtab ? Qt::ShiftModifier : Qt::NoModifier);
        EXPECT_EQ(QApplication::focusWidget(), w.tnum());
    }
    // A click on the side menu leaves the keyboard in the box.
    auto* side = Find<QListWidget>(w, QStringLiteral("lbxDemoList"));
    QTest::mouseClick(side->viewport(), Qt::LeftButton, {}, side->visualItemRect(side->item(16)).center());
    EXPECT_EQ(sw.shown, QStringList{QStringLiteral("frmAbout")});
    EXPECT_EQ(QApplication::focusWidget(), w.tnum());
}

TEST_F(MainWindowTest, TheArchivesPanelMessagesAreShownAtThePanelsOwnSize)
{
    auto* label = shownPanel();
    ASSERT_TRUE(label);
    // The longest short forms the night's archive gives the panel; wider than it, a text is drawn smaller.
    for (const char* text : {"백업 실패 (i20260520.mdb): 백업 폴더 쓰기 권한 없음", "백업 실패 (j20260520.mdb): 같은 자료가 이미 있음",
                             "읽기 실패 (j20260401.mdb): 데이터베이스 파일 아님", "백업 파일 j20260520.mdb에 자료 없음",
                             "백업 표시 파일 손상: 따로 보관함", "기록에 없는 백업 파일 (j20260520.mdb): 그대로 둠"}) {
        ws.window.setText(QStringLiteral("PnlMsg"), QString::fromUtf8(text));
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width()) << text;
    }
}

#include "fee/FrmFee.h"
#include "fee/FeeRun.h"
#include "fee/Holidays.h"
#include "common/ScreenProbe.h"
#include "common/TestStation.h"
#include "FeeFixture.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace tolvo {
namespace {

class FrmFeeTest : public test::FeeFixture {
protected:
    void SetUp() override
    {
        FeeFixture::SetUp();
        clock.setNow(QDateTime(QDate(2026, 5, 5), QTime(10, 0)));
        insertTariff({{"기본사용", 1}, {"기본시간", 30}, {"기본금액", 1000}, {"구간사용1", 1}, {"구간시각1", 60},
                      {"구간시간1", 10}, {"구간금액1", 500}, {"구간사용2", 1}, {"구간시각2", 120},
                      {"구간시간2", 15}, {"구간금액2", 400}, {"구간시각3", 120}, {"구간시간4", 30},
                      {"구간금액4", 1000}, {"일일최대사용", 1}, {"일일최대요금", 20000}, {"평일개장시간", "09:00"},
                      {"평일폐장시간", "22:00"}, {"주말개장시간", "10:00"}, {"주말폐장시간", "20:00"}});
        open();
    }
    void TearDown() override
    {
        form.reset();
        FeeFixture::TearDown();
    }
    void open()
    {
        form = std::make_unique<FrmFee>(st);
        form->show();
        QApplication::processEvents();
    }

    template <class W = QWidget>
    W* w(const QString& name) const
    {
        W* found = form->findChild<W*>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }
    QLineEdit* t(int i) const { return w<QLineEdit>(QStringLiteral("T%1").arg(i)); }
    QCheckBox* c(int i) const { return w<QCheckBox>(QStringLiteral("C%1").arg(i)); }
    QString label(int i) const { return w<QLabel>(QStringLiteral("Label1_%1").arg(i))->text(); }

    // Types a value and leaves the field as Tab would.
    void typeAndLeave(int field, const QString& text, Qt::FocusReason reason = Qt::TabFocusReason)
    {
        t(field)->setText(text);
        QFocusEvent out(QEvent::FocusOut, reason);
        QApplication::sendEvent(t(field), &out);
    }
    QVariant stored(const char* field) const
    {
        return Scalar(st.Db, QStringLiteral("SELECT %1 FROM 기타").arg(Id(QString::fromUtf8(field))));
    }
    qint64 slotFee(int slot) const
    {
        return Scalar(st.Db, "SELECT 요금 FROM 요금테이블 WHERE 시간 = ?", {slot}).toLongLong();
    }
    void click(const QString& button) { QTest::mouseClick(w<QPushButton>(button), Qt::LeftButton); }

    std::unique_ptr<FrmFee> form;
};

TEST_F(FrmFeeTest, OpensOnTheStoredRow)
{
    EXPECT_EQ(form->windowTitle(), "요금테이블 설정");
    EXPECT_EQ(QStringList({t(1)->text(), t(3)->text(), t(6)->text()}), QStringList({"30", "60", "120"})); // stored band ends
    EXPECT_TRUE(c(2)->isChecked());
    EXPECT_FALSE(c(4)->isChecked());
    EXPECT_TRUE(t(4)->isEnabled());
    EXPECT_FALSE(t(10)->isEnabled());
    EXPECT_EQ(w<QLabel>("Label2")->text(), "");
    EXPECT_EQ(QStringList({label(9), label(10), label(12)}),
              QStringList({"구간요금(1) :   30분 부터", "구간요금(2) :   60분 부터", "최종구간     :  120분 부터"}));
    EXPECT_EQ(w<QDateEdit>("DTPicker1")->date(), QDate(2026, 5, 5));
    EXPECT_EQ(form->focusWidget(), t(1)); // the first of the focus order, not band 1's box
    EXPECT_TRUE(msgs.shown.empty());
    // The grids near the end of the order pass Tab on, so band 1's box is reached.
    click("Command1_0");
    ASSERT_GT(w<QTableView>("FeeDBGrid")->model()->rowCount(), 0);
    test::ShowActive(*form);
    w("FeeDBGrid")->setFocus();
    for (const char* next : {"DBGrid1", "C2"}) {
        QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(form->focusWidget(), w(next));
    }
}

// An opening hour typed after a click in it, then stored by the set button or its shortcut.
TEST_F(FrmFeeTest, TypedOpeningHourIsWhatTheSetButtonStores)
{
    const struct { const char* typed; bool shortcut; const char* stored; } rows[] = {
        {"1", true, "09:00"}, {"07:45", false, "07:45"}, {"06:30", true, "06:30"}}; // half-typed; Shift for ":"
    for (const auto& r : rows) {
        open();
        test::ShowActive(*form);
        test::ClickThroughWindow(w("D1_0"));
        test::TypeThroughWindow(form.get(), QString::fromLatin1(r.typed));
        if (r.shortcut) QTest::keyClick(form->windowHandle(), Qt::Key_S, Qt::AltModifier);
        else test::ClickThroughWindow(w("Command1_0"));
        QTest::qWait(250); // a shortcut's button lets go 100 ms later
        EXPECT_EQ(stored("평일개장시간").toString(), r.stored) << r.typed;
    }
}

TEST_F(FrmFeeTest, RefusedBandEndIsCorrectedAndLabelled)
{
    typeAndLeave(3, "20"); // the corrections themselves: LeaveTable
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].text, "기본구간의 기본시간 (30) 보다 이후시간으로 입력하세요!");
    EXPECT_EQ(t(3)->text(), "30");
    EXPECT_EQ(label(9), "구간요금(1) :   30분 부터"); // not rebuilt
    EXPECT_EQ(label(10), "구간요금(2) :  20분 부터"); // keeps the refused value
    EXPECT_EQ(label(11), "구간요금(3) :  30분 부터");
    EXPECT_EQ(label(12), "최종구간     :  30분 부터");
}

TEST_F(FrmFeeTest, LaterBandChecksFollowTheirBoxes)
{
    c(3)->setChecked(false); // band 2 off: its end moves to band 1's and the check is gone
    msgs.clear();
    typeAndLeave(9, "50");
    EXPECT_TRUE(msgs.shown.empty());
    EXPECT_EQ(t(9)->text(), "50");
    EXPECT_EQ(label(12), "최종구간     :  50분 부터");
}

TEST_F(FrmFeeTest, AcceptedBoundariesAreNotCopiedAgain)
{
    typeAndLeave(1, "40");
    EXPECT_EQ(t(3)->text(), "40");
    EXPECT_EQ(t(9)->text(), "40");
    EXPECT_EQ(label(11), "구간요금(3) :  40분 부터");
    typeAndLeave(3, "90");
    EXPECT_EQ(t(6)->text(), "90");
    typeAndLeave(1, "40"); // unchanged since it was accepted
    EXPECT_EQ(t(3)->text(), "90");
    EXPECT_EQ(t(6)->text(), "90");
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(FrmFeeTest, FocusTakenByAnotherWindowIsNoLeave)
{
    typeAndLeave(1, "45", Qt::ActiveWindowFocusReason);
    typeAndLeave(1, "45", Qt::PopupFocusReason);
    EXPECT_EQ(t(3)->text(), "60");
    typeAndLeave(1, "45");
    EXPECT_EQ(t(3)->text(), "45");
}

TEST_F(FrmFeeTest, OnlyReturningFromOwnMessageActivatesTheScreen)
{
    c(6)->setChecked(true);
    typeAndLeave(3, "75", Qt::ActiveWindowFocusReason); // typed, then another program took over
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(form.get(), &deactivate);
    QApplication::sendEvent(form.get(), &activate);
    EXPECT_FALSE(w<QLabel>("Label2")->text().isEmpty());
    typeAndLeave(3, "75");
    EXPECT_EQ(t(6)->text(), "75"); // still counts as a change

    QDialog message(form.get());
    message.setWindowModality(Qt::ApplicationModal);
    message.show();
    QApplication::sendEvent(form.get(), &deactivate);
    message.close();
    QApplication::sendEvent(form.get(), &activate);
    EXPECT_TRUE(w<QLabel>("Label2")->text().isEmpty());
    EXPECT_EQ(label(10), "구간요금(2) :   75분 부터");
}

TEST_F(FrmFeeTest, SwitchedOffBandsTakeTheNearestBoundary)
{
    c(3)->setChecked(false);
    EXPECT_EQ(t(6)->text(), "60"); // band 1's end
    EXPECT_EQ(w<QLabel>("Label2")->text(), "기능설명 : 두번째 구간요금을 해제합니다.");
    EXPECT_FALSE(t(7)->isEnabled());
    c(2)->setChecked(false);
    c(3)->setChecked(true);
    c(3)->setChecked(false);
    EXPECT_EQ(t(6)->text(), t(1)->text());
    c(1)->setChecked(false);
    EXPECT_EQ(t(1)->text(), "0");
    EXPECT_FALSE(t(2)->isEnabled());
    EXPECT_EQ(label(9), "구간요금(1) :   0분 부터");
    c(3)->setChecked(true);
    c(3)->setChecked(false);
    EXPECT_EQ(t(6)->text(), "0");
}

TEST_F(FrmFeeTest, SwitchingBandOneOnRestartsItAtTheBasicTime)
{
    c(2)->setChecked(false);
    typeAndLeave(1, "35");
    c(2)->setChecked(true);
    EXPECT_EQ(t(3)->text(), "35");
    EXPECT_TRUE(t(3)->isEnabled());
    EXPECT_EQ(w<QLabel>("Label2")->text(), "기능설명 : 첫번째 구간요금을 적용합니다.");
}

TEST_F(FrmFeeTest, FixedAmountModeShowsOnlyItsControls)
{
    c(5)->setChecked(true);
    EXPECT_TRUE(label(0).startsWith("일일 고정금액 :"));
    EXPECT_TRUE(label(0).endsWith("원"));
    EXPECT_EQ(label(0).size(), QString("일일 고정금액 :").size() + 85 + 1);
    for (int i : {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 16, 17}) EXPECT_TRUE(t(i)->isHidden()) << i;
    for (int i : {2, 12, 13, 14, 15}) EXPECT_FALSE(t(i)->isHidden()) << i; // a day or more uses the final band
    for (int i : {1, 2, 3, 4, 8, 9}) EXPECT_TRUE(c(i)->isHidden()) << i;
    for (int i : {5, 6, 7, 10, 11, 12}) EXPECT_FALSE(c(i)->isHidden()) << i;
    for (int i : {1, 4, 5, 6, 9, 10, 11})
        EXPECT_TRUE(w<QLabel>(QStringLiteral("Label1_%1").arg(i))->isHidden()) << i;
    for (int i : {0, 2, 3, 7, 8, 12}) EXPECT_FALSE(w<QLabel>(QStringLiteral("Label1_%1").arg(i))->isHidden()) << i;
    c(5)->setChecked(false);
    EXPECT_TRUE(label(0).startsWith("기본요금 :"));
    EXPECT_EQ(w<QLabel>("Label2")->text(), "기능설명 : 일일 고정금액을 해제합니다");
    for (int i : {1, 3, 13, 17}) EXPECT_FALSE(t(i)->isHidden()) << i;
    EXPECT_FALSE(t(10)->isEnabled()); // showing does not enable
}

TEST_F(FrmFeeTest, C12SwitchesItsCaption)
{
    c(12)->setChecked(true);
    EXPECT_EQ(c(12)->text(), "시간할인시 출차시간을 기점으로 할인적용.");
    EXPECT_EQ(w<QLabel>("Label2")->text(), "기능설명 : 시간할인시 출차시간을 기점으로 할인적용합니다.");
    c(12)->setChecked(false);
    EXPECT_EQ(c(12)->text(), "시간할인시 입차시간을 기점으로 할인적용.");
}

// The Show and Hide events a widget gets.
struct ShownAndHidden : QObject {
    QList<QEvent::Type> events;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show || e->type() == QEvent::Hide) events << e->type();
        return false;
    }
};

TEST_F(FrmFeeTest, SetBuildsTheTableAndStoresTheRow)
{
    t(2)->setText("1200");
    ShownAndHidden grid;
    w("FeeDBGrid")->installEventFilter(&grid);
    click("Command1_0");
    EXPECT_EQ(grid.events, (QList{QEvent::Hide, QEvent::Show})) << "out of sight while its rows are rewritten";
    EXPECT_TRUE(w("FeeDBGrid")->isVisible());
    EXPECT_TRUE(msgs.shown.empty());
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 요금테이블").toInt(), 288);
    EXPECT_EQ(slotFee(1), 1200);
    EXPECT_EQ(slotFee(288), 20000);
    EXPECT_EQ(stored("기본금액").toInt(), 1200);
    EXPECT_EQ(w<QTableView>("FeeDBGrid")->model()->rowCount(), 288);
    EXPECT_EQ(w<QTableView>("FeeDBGrid")->model()->headerData(2, Qt::Horizontal).toString(), "적용금액 ");
}

TEST_F(FrmFeeTest, FailedRebuildKeepsTheOldTableAndRow)
{
    click("Command1_0");
    Exec(st.Db, "CREATE TRIGGER boom BEFORE INSERT ON 요금테이블 WHEN NEW.시간 = 200 "
                "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    t(2)->setText("3000");
    click("Command1_0");
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].title, "프로그램 오류");
    EXPECT_TRUE(msgs.shown[0].text.contains("disk full"));
    EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 요금테이블").toInt(), 288);
    EXPECT_EQ(slotFee(1), 1000);
    EXPECT_EQ(stored("기본금액").toInt(), 1000);
}

TEST_F(FrmFeeTest, ClosingStoresTheFields)
{
    for (const bool esc : {false, true}) { // the end button, or Esc like it
        open();
        t(14)->setText(esc ? "16" : "15");
        c(6)->setChecked(true);
        if (esc) QTest::keyClick(form.get(), Qt::Key_Escape);
        else click("CmdEnd");
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(stored("시간할인").toInt(), esc ? 16 : 15);
        EXPECT_EQ(stored("할인사용").toInt(), 1);
        EXPECT_EQ(stored("평일개장시간").toString(), "09:00");
        EXPECT_EQ(Scalar(st.Db, "SELECT COUNT(*) FROM 요금테이블").toInt(), 0); // closing builds nothing
    }
}

// Closing checks what leaving the fields and setting the table check: a refused
// value keeps the screen open, stores nothing and takes the focus.
TEST_F(FrmFeeTest, ClosingRefusesWhatTheFieldsRefuse)
{
    // Stored: basic 30, band 1 to 60 by 10, band 2 to 120 by 15, band 3 off, final unit 30.
    const struct { const char* name; int field; const char* text; bool esc; const char* message; const char* storedField;
                   int stored; } rows[] = {
        {"final unit 0", 12, "0", false, "단위 시간을 5분 이상으로 설정하세요", "구간시간4", 30},
        {"final unit 4.9 by Esc", 12, "4.9", true, "단위 시간을 5분 이상으로 설정하세요", "구간시간4", 30},
        {"band 2 unit 4", 7, "4", true, "단위 시간을 5분 이상으로 설정하세요", "구간시간2", 15},
        {"band 1 end before the basic time", 3, "20", true, "기본구간의 기본시간 (30) 보다 이후시간으로 입력하세요!",
         "구간시각1", 60},
        {"band 2 end before band 1's", 6, "50", true, "구간1의 기본시간 (60) 보다 이후시간으로 입력하세요!", "구간시각2", 120},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        open();
        msgs.clear();
        t(r.field)->setFocus(); // typed where the focus is, not in the basic time where the screen opens
        t(r.field)->setText(QString::fromUtf8(r.text));
        t(14)->setText("17");
        if (r.esc) QTest::keyClick(form.get(), Qt::Key_Escape);
        else click("CmdEnd");
        EXPECT_TRUE(form->isVisible());
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].title + u'|' + msgs.shown[0].text, "입력오류|" + QString::fromUtf8(r.message));
        EXPECT_EQ(form->focusWidget(), t(r.field));
        EXPECT_EQ(stored(r.storedField).toInt(), r.stored);
        EXPECT_NE(stored("시간할인").toInt(), 17); // nothing stored
        t(r.field)->setText(QString::number(r.stored));
        QTest::keyClick(form.get(), Qt::Key_Escape); // right now: stored and closed
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(stored("시간할인").toInt(), 17);
        Exec(st.Db, "UPDATE 기타 SET 시간할인 = 0");
    }
}

// The screen activated again (back from one of its own messages) keeps what
// was typed before as a change: closing still stores it.
TEST_F(FrmFeeTest, AnEditBeforeAReactivationIsStoredOnClosing)
{
    open();
    t(14)->setText("17");
    form->Form_Activate();
    click("CmdEnd");
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored("시간할인").toInt(), 17);
}

// A click on a field, then typing: the click moves the focus unless the field
// being left refuses its value.
struct MouseCase {
    const char* name;
    int first;
    const char* firstText;
    int second;
    const char* secondText;
    const char* firstAfter;  // the first field's text at the end
    const char* secondAfter; // the second field's text at the end
    const char* message;     // shown on leaving the first field, or ""
};

class FrmFeeMouse : public FrmFeeTest, public ::testing::WithParamInterface<MouseCase> {};

TEST_P(FrmFeeMouse, ClickedFieldTakesTheTyping)
{
    const MouseCase& c = GetParam();
    form.reset();
    setTariff(QStringLiteral("할인사용"), 1);
    open();
    test::ShowActive(*form);
    test::ClickThroughWindow(t(c.first));
    EXPECT_EQ(form->focusWidget(), t(c.first));
    test::TypeThroughWindow(form.get(), QString::fromUtf8(c.firstText));
    test::ClickThroughWindow(t(c.second));
    test::TypeThroughWindow(form.get(), QString::fromUtf8(c.secondText));
    EXPECT_EQ(t(c.first)->text(), QString::fromUtf8(c.firstAfter));
    EXPECT_EQ(t(c.second)->text(), QString::fromUtf8(c.secondAfter));
    const QString message = QString::fromUtf8(c.message);
    if (message.isEmpty()) {
        EXPECT_TRUE(msgs.shown.empty());
    } else {
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].text, message);
        EXPECT_EQ(msgs.shown[0].title, "입력오류");
    }
}

// Stored: basic 30 min 1000 won, band 1 to 60 min by 10 min 500 won, final band 30 min 1000 won.
// The screen opens in the basic minutes, so the click that enters them comes second.
INSTANTIATE_TEST_SUITE_P(
    Fields, FrmFeeMouse,
    ::testing::Values(MouseCase{"basic won then minutes", 2, "1200", 1, "45", "1200", "45", ""},
                      MouseCase{"band 1 unit then amount", 4, "5", 5, "300", "5", "300", ""},
                      MouseCase{"final band unit then amount", 12, "20", 13, "700", "20", "700", ""},
                      MouseCase{"service time then daily maximum", 14, "10", 16, "15000", "10", "15000", ""},
                      MouseCase{"band 2 end then its unit", 6, "150", 7, "7", "150", "7", ""},
                      // the band-1 end refused: the focus stays and takes the next typing
                      MouseCase{"refused band 1 end keeps the focus", 3, "20", 4, "5", "5", "10",
                                "기본구간의 기본시간 (30) 보다 이후시간으로 입력하세요!"}),
    [](const auto& info) { return test::CaseName(info); });

// Each row of the tariff panel, left to right, as its caption reads: the fields
// sit on their caption's line in this order.
TEST_F(FrmFeeTest, FieldsSitInTheirCaptionsGaps)
{
    const std::vector<std::vector<const char*>> rows = {
        {"C1", "T1", "T2", "C5"},                {"C2", "Label1_9", "T3", "T4", "T5"},
        {"C3", "Label1_10", "T6", "T7", "T8"},   {"C4", "Label1_11", "T9", "T10", "T11"},
        {"Label1_12", "T12", "T13"},             {"C6", "T14", "C7", "T15"},
        {"C8", "T16", "C9", "T17"},              {"Label1_2", "D1_0", "D1_1"},
        {"Label1_8", "D1_2", "D1_3"},
    };
    int lastY = -1;
    for (const auto& row : rows) {
        const QRect first = w(row[0])->geometry();
        EXPECT_GT(first.y(), lastY) << row[0] << " below the row before";
        lastY = first.y();
        for (size_t i = 1; i < row.size(); ++i) {
            const QRect r = w(row[i])->geometry(), before = w(row[i - 1])->geometry();
            EXPECT_EQ(r.y(), first.y()) << row[i] << " on the line of " << row[0];
            EXPECT_GT(r.x(), before.x()) << row[i] << " right of " << row[i - 1];
        }
    }
}

TEST_F(FrmFeeTest, EveryControlIsReachableOnTheBoothDisplay)
{
    EXPECT_LE(form->width(), test::kBoothDisplay.width());
    EXPECT_LE(form->height() + test::kTitleBar, test::kBoothDisplay.height());
    EXPECT_EQ(test::UnreachableControls(*form).join(u' ').toStdString(), "");
}

TEST(FrmFeeFresh, LookingAtTheFirstRunTariffClosesWithoutAWord)
{
    test::TestStation ts;
    FrmFee form(ts.st);
    form.show();
    QApplication::processEvents();
    QTest::mouseClick(form.findChild<QPushButton*>("CmdEnd"), Qt::LeftButton); // the final unit is empty: unchanged
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST(FrmFeeFresh, FirstRunTariffCanBeSetAndPriced)
{
    test::TestStation ts;
    ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(10, 0)));
    {
        FrmFee form(ts.st);
        form.show();
        QApplication::processEvents();
        QTest::mouseClick(form.findChild<QPushButton*>("Command1_0"), Qt::LeftButton);
        ASSERT_EQ(ts.msgs.shown.size(), 1u); // the final unit is still empty
        EXPECT_EQ(ts.msgs.shown[0].title, "입력오류");
        EXPECT_EQ(ts.msgs.shown[0].text, "단위 시간을 5분 이상으로 설정하세요");
        EXPECT_EQ(ts.count("요금테이블"), 0);
        ts.msgs.clear();
        form.findChild<QLineEdit*>("T12")->setText("60");
        form.findChild<QLineEdit*>("T13")->setText("500");
        QTest::mouseClick(form.findChild<QPushButton*>("Command1_0"), Qt::LeftButton);
        EXPECT_TRUE(ts.msgs.shown.empty());
    }
    ts.st.trx.TicketData = "0001202601050730"; // 150 minutes
    Calc_TicketFee(ts.st);
    EXPECT_TRUE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.st.trx.TotalFee, 1500); // three started hours of 500 from minute 0
    ts.st.trx.TicketData = "0001202601030730"; // two days and 150 minutes
    Calc_TicketFee(ts.st);
    EXPECT_EQ(ts.st.trx.TotalFee, 12000 + 27 * 500); // a whole day, then units without a daily cap
}

class HolidayPanel : public FrmFeeTest {
protected:
    void add(const QString& name, const QDate& date)
    {
        w<QLineEdit>("Text1")->setText(name);
        w<QDateEdit>("DTPicker1")->setDate(date);
        click("Command2_0");
    }
    QStringList rows() const
    {
        QStringList out;
        QSqlQuery q = Query(st.Db, "SELECT 적요, 날짜 FROM 공휴일 ORDER BY 날짜, 적요");
        while (q.next()) out << q.value(0).toString() + "|" + q.value(1).toString();
        return out;
    }
    // Enabled state of 신규, 수정, 삭제 as "1" or "0".
    QString buttons() const
    {
        QString out;
        for (const char* b : {"Command2_0", "Command2_1", "Command2_2"}) out += w<QPushButton>(b)->isEnabled() ? '1' : '0';
        return out;
    }
    void pick(int row)
    {
        auto* grid = w<QTableView>("DBGrid1");
        const QRect r = grid->visualRect(grid->model()->index(row, 0));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, r.center());
    }
};

TEST_F(HolidayPanel, NewWithBlankOrPaddedNames)
{
    add("   ", QDate(2026, 5, 5));
    add("  성탄절 ", QDate(2026, 12, 25));
    add("it's", QDate(2026, 1, 1));
    EXPECT_EQ(rows(), (QStringList{"it's|2026-01-01", "공휴일|2026-05-05", "성탄절|2026-12-25"}));
    EXPECT_EQ(w<QLineEdit>("Text1")->text(), "");
    auto* model = w<QTableView>("DBGrid1")->model();
    EXPECT_EQ(model->rowCount(), 3);
    EXPECT_EQ(model->index(0, 1).data().toString(), "2026-01-01");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "       구    분");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "     날   짜");
}

TEST_F(HolidayPanel, DuplicateDateIsRefused)
{
    add("어린이날", QDate(2026, 5, 5));
    add("다른이름", QDate(2026, 5, 5));
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].title, "데이터 중복");
    EXPECT_EQ(msgs.shown[0].text, "이미 등록되어있습니다.");
    EXPECT_EQ(rows(), QStringList{"어린이날|2026-05-05"});
    EXPECT_EQ(w<QLineEdit>("Text1")->text(), "다른이름");
}

TEST_F(HolidayPanel, PickEditAndDelete)
{
    add("어린이날", QDate(2026, 5, 5));
    add("성탄절", QDate(2026, 12, 25));
    pick(1);
    EXPECT_EQ(w<QLineEdit>("Text1")->text(), "성탄절");
    EXPECT_EQ(w<QDateEdit>("DTPicker1")->date(), QDate(2026, 12, 25));
    EXPECT_EQ(buttons(), "011");

    w<QLineEdit>("Text1")->setText("크리스마스");
    click("Command2_1");
    EXPECT_EQ(rows(), (QStringList{"어린이날|2026-05-05", "크리스마스|2026-12-25"}));
    EXPECT_EQ(buttons().left(2), "10");

    pick(1);
    w<QLineEdit>("Text1")->clear();
    click("Command2_1");
    EXPECT_EQ(rows(), (QStringList{"어린이날|2026-05-05", "공휴일|2026-12-25"}));

    pick(0);
    click("Command2_2");
    EXPECT_EQ(rows(), QStringList{"공휴일|2026-12-25"});
    EXPECT_FALSE(w<QPushButton>("Command2_2")->isEnabled());
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(HolidayPanel, FailedEditLosesNothing)
{
    add("어린이날", QDate(2026, 5, 5));
    pick(0);
    Exec(st.Db, "CREATE TRIGGER boom BEFORE INSERT ON 공휴일 BEGIN SELECT RAISE(ABORT, 'refused'); END");
    w<QLineEdit>("Text1")->setText("새이름");
    click("Command2_1");
    ASSERT_EQ(msgs.shown.size(), 1u);
    EXPECT_EQ(msgs.shown[0].title, "프로그램 오류");
    EXPECT_EQ(rows(), QStringList{"어린이날|2026-05-05"});
}

TEST_F(HolidayPanel, CancelReturnsToAdding)
{
    add("어린이날", QDate(2026, 5, 5));
    pick(0);
    click("Command2_3");
    EXPECT_EQ(w<QLineEdit>("Text1")->text(), "");
    EXPECT_EQ(buttons(), "100");
}


TEST_F(FrmFeeTest, SetShowsTheStoredRow)
{
    t(2)->setText("22.5");
    t(13)->setText("1000.5");
    click("Command1_0");
    EXPECT_EQ(t(2)->text(), "22");
    EXPECT_EQ(t(13)->text(), "1000");
}

} // namespace
} // namespace tolvo

// The entry form FrmInput ("발권정보 입력"), offscreen.

#include "station/FrmInput.h"
#include "station/FrmInputLogic.h"

#include "common/ModalMessages.h"
#include "common/TestStation.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

const QDateTime kNow(QDate(2026, 1, 5), QTime(9, 7));
ManualClock kClock(kNow);

template <class T>
T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

TEST(TicketFrmInputLogic, ValidDatesAndTimes)
{
    const std::pair<const char*, bool> dates[] = {{"2026-01-05", true}, {"2028-02-29", true}, {"2026-02-29", false},
        {"2026-13-01", false}, {"2026-00-10", false}, {"2026-01-32", false}, {"2026-01-", false}, {"20260105", false}, {"", false}};
    for (const auto& [d, valid] : dates) EXPECT_EQ(FrmInput_DateValid(QString::fromLatin1(d)), valid) << d;
    const std::pair<const char*, bool> times[] = {{"00:00", true}, {"23:59", true}, {"24:00", false}, {"12:60", false},
                                                  {"1:05", false}, {"12:", false}, {"", false}};
    for (const auto& [t, valid] : times) EXPECT_EQ(FrmInput_TimeValid(QString::fromLatin1(t)), valid) << t;
    EXPECT_EQ(FrmInput_TicketData(QStringLiteral("0777"), QStringLiteral("2026-01-05"), QStringLiteral("08:30")),
              QStringLiteral("0777202601050830"));
    EXPECT_EQ(FrmInput_TicketData(QStringLiteral("0777"), QStringLiteral("2026-02-30"), QStringLiteral("08:30")), QString());
    EXPECT_EQ(FrmInput_TicketData(QStringLiteral("077"), QStringLiteral("2026-01-05"), QStringLiteral("08:30")), QString());
}

TEST(TicketFrmInput, ControlsCaptionsAndDefaults)
{
    FrmInput f(QStringLiteral("0777"), kClock);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("발권정보 입력"));
    EXPECT_EQ(child<QLabel>(f, "Label1")->text(), QStringLiteral("입차일시를 입력하세요!"));
    EXPECT_EQ(child<QLabel>(f, "Label2")->text(), QStringLiteral("입차일"));
    EXPECT_EQ(child<QLabel>(f, "Label3")->text(), QStringLiteral("입차시간"));
    EXPECT_EQ(child<QLabel>(f, "Label4")->text(), QString());
    EXPECT_EQ(child<QPushButton>(f, "Command1")->text(), QStringLiteral("확인(&Y)"));
    EXPECT_EQ(child<QPushButton>(f, "Command2")->text(), QStringLiteral("취소(&C)"));
    EXPECT_EQ(child<QLineEdit>(f, "MaskEdBox1")->text(), QStringLiteral("2026-01-05"));
    EXPECT_EQ(child<QLineEdit>(f, "MaskEdBox2")->text(), QStringLiteral("09:07"));
}

TEST(TicketFrmInput, EnterOnABadBoxShowsTheErrorAndAChangeClearsIt)
{
    FrmInput f(QStringLiteral("0777"), kClock);
    f.show();
    auto* date = child<QLineEdit>(f, "MaskEdBox1");
    auto* error = child<QLabel>(f, "Label4");
    date->setText(QStringLiteral("2026-13-05"));
    QTest::keyClick(date, Qt::Key_Return);
    EXPECT_EQ(error->text(), QStringLiteral(" 입력 오류 입니다.... "));
    EXPECT_TRUE(date->hasSelectedText());
    EXPECT_TRUE(f.isVisible());
    date->setText(QStringLiteral("2026-12-05"));
    EXPECT_EQ(error->text(), QString());
}

TEST(TicketFrmInput, ConfirmWithABadTimeDoesNothing)
{
    FrmInput f(QStringLiteral("0777"), kClock);
    f.show();
    child<QLineEdit>(f, "MaskEdBox2")->setText(QStringLiteral("25:00"));
    QTest::mouseClick(child<QPushButton>(f, "Command1"), Qt::LeftButton);
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(f.ticketData(), QString());
}

TEST(TicketFrmInput, CancelAndTheCloseButtonBothCancel)
{
    test::TestStation ts(test::TestStation::Db::None, kNow);
    FrmInput_Install(ts.st, nullptr);

    const QString prompt = QStringLiteral("FrmInput");
    test::WhenModal(prompt, [](QWidget& f) { QTest::mouseClick(child<QPushButton>(f, "Command2"), Qt::LeftButton); });
    EXPECT_EQ(ts.st.exitLinks.frmInput(QStringLiteral("0777")), QString());

    test::WhenModal(prompt, [](QWidget& f) { f.close(); });
    EXPECT_EQ(ts.st.exitLinks.frmInput(QStringLiteral("0777")), QString());

    test::WhenModal(prompt, [](QWidget& f) {
        child<QLineEdit>(f, "MaskEdBox2")->setText(QStringLiteral("08:30"));
        QTest::mouseClick(child<QPushButton>(f, "Command1"), Qt::LeftButton);
    });
    EXPECT_EQ(ts.st.exitLinks.frmInput(QStringLiteral("0777")), QStringLiteral("0777202601050830"));
}

// Typed through from the keyboard alone: date, Enter, time, Enter, Enter on the button that then has the focus.

void typeInto(QLineEdit* box, const char* digits)
{
    box->selectAll();
    QTest::keyClicks(box, QString::fromLatin1(digits));
    QTest::keyClick(box, Qt::Key_Return);
}

bool showActive(FrmInput& f)
{
    f.show();
    QApplication::setActiveWindow(&f);
    return QTest::qWaitForWindowActive(&f);
}

void typeEntry(FrmInput& f, const char* date, const char* time)
{
    auto* box = child<QLineEdit>(f, "MaskEdBox1");
    box->setFocus();
    typeInto(box, date);
    typeInto(child<QLineEdit>(f, "MaskEdBox2"), time);
}

TEST(FrmInputKeyboard, EnterAfterTheTimeConfirms)
{
    FrmInput f(QStringLiteral("0777"), kClock);
    ASSERT_TRUE(showActive(f));
    typeEntry(f, "20260104", "2315");
    ASSERT_EQ(QApplication::focusWidget(), child<QPushButton>(f, "Command1"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.ticketData(), QStringLiteral("0777202601042315"));
}

// An entry after the station's clock would make the stay free: refused, the form stays open.
TEST(FrmInputKeyboard, AnEntryAfterTheStationsClockIsRefused)
{
    ManualClock clock(QDateTime(QDate(2026, 3, 1), QTime(15, 42)));
    const struct { const char *date, *time; bool accepted; } rows[] = {
        {"20260301", "1543", false}, // one minute after now
        {"20260301", "1542", true},  // now
        {"20260302", "0000", false}, // a later date, an earlier time of day
        {"20260228", "2359", true},  // yesterday, a later time of day
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.date) + " " + row.time);
        FrmInput f(QStringLiteral("0777"), clock);
        ASSERT_TRUE(showActive(f));
        typeEntry(f, row.date, row.time);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        EXPECT_EQ(f.isVisible(), !row.accepted);
        EXPECT_EQ(child<QLabel>(f, "Label4")->text(), row.accepted ? QString() : QStringLiteral(" 입력 오류 입니다.... "));
        EXPECT_EQ(f.ticketData(), row.accepted ? QStringLiteral("0777") + row.date + row.time : QString());
    }
}

TEST(FrmInputKeyboard, EnterOnTheFocusedCancelCancels)
{
    FrmInput f(QStringLiteral("0777"), kClock);
    ASSERT_TRUE(showActive(f));
    auto* cancel = child<QPushButton>(f, "Command2");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_EQ(f.ticketData(), QString());
}

} // namespace

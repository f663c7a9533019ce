// The entry form typed through from the keyboard alone: date, Enter, time,
// Enter, Enter on the button that then has the focus.

#include "station/FrmInput.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

const QDateTime kNow(QDate(2026, 1, 5), QTime(9, 7));

template <class T>
T* child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

void typeInto(QLineEdit* box, const char* digits)
{
    box->selectAll();
    QTest::keyClicks(box, QString::fromLatin1(digits));
    QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

TEST(FrmInputKeyboard, EnterAfterTheTimeConfirms)
{
    FrmInput f(QStringLiteral("0777"), kNow);
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    auto* date = child<QLineEdit>(f, "MaskEdBox1");
    date->setFocus();
    typeInto(date, "20260104");
    typeInto(child<QLineEdit>(f, "MaskEdBox2"), "2315");
    ASSERT_EQ(QApplication::focusWidget(), child<QPushButton>(f, "Command1"));

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.ticketData(), QStringLiteral("0777202601042315"));
}

TEST(FrmInputKeyboard, EnterOnTheFocusedCancelCancels)
{
    FrmInput f(QStringLiteral("0777"), kNow);
    f.show();
    QApplication::setActiveWindow(&f);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
    auto* cancel = child<QPushButton>(f, "Command2");
    cancel->setFocus();
    QTest::keyClick(cancel, Qt::Key_Return);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Rejected);
    EXPECT_EQ(f.ticketData(), QString());
}

#include "common/TestStation.h"
#include "station/FrmWorkMan.h"

#include <QLineEdit>
#include <QStyle>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

// The administrator's password on the workers screen is masked with "*", like the login's box.
TEST(PasswordMask, AdminPasswordShowsStars)
{
    TestStation ts;
    FrmWorkMan form(ts.st);
    form.show();
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("Txt11"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->echoMode(), QLineEdit::Password);
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), int('*'));
}

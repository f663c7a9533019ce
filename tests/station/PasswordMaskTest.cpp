#include "common/TestStation.h"
#include "station/FrmWorkMan.h"

#include <QLineEdit>
#include <QStyle>
#include <gtest/gtest.h>

// The administrator's password on the workers screen is masked with "*", like the login's box.
TEST(PasswordMask, AdminPasswordShowsStars)
{
    tolvo::test::TestStation ts;
    tolvo::FrmWorkMan form(ts.st);
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("Txt11"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr, box), int('*'));
}

#include "common/TestStation.h"
#include "database/FrmDbase.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

// The retention box sits in the blank gap of "자료보관기간 :             개월", so the line reads "… : [12] 개월".
TEST(DbaseLayout, RetentionBoxSitsBetweenColonAndMonths)
{
    TestStation ts;
    FrmDbase form(ts.st);
    form.show();
    auto* label = form.findChild<QLabel*>(QStringLiteral("Label2"));
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("Txt1"));
    ASSERT_TRUE(label && box);
    const QFontMetrics fm(label->font());
    const QRect onLabel(box->mapTo(&form, QPoint(0, 0)) - label->mapTo(&form, QPoint(0, 0)), box->size());
    EXPECT_GE(onLabel.left(), fm.horizontalAdvance(QStringLiteral("자료보관기간 :")));
    EXPECT_LE(onLabel.right(), fm.horizontalAdvance(QStringLiteral("자료보관기간 :             ")));
    EXPECT_GT(onLabel.width(), fm.horizontalAdvance(QStringLiteral("99")));
    EXPECT_TRUE(box->isVisible());
}

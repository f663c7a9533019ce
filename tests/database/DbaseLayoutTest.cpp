#include "common/TestStation.h"
#include "database/FrmDbase.h"

#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

// The retention box sits in the blank gap of "자료보관기간 :             개월", so the line reads "… : [12] 개월".
TEST(DbaseLayout, RetentionBoxSitsBetweenColonAndMonths)
{
    tolvo::test::TestStation ts;
    tolvo::FrmDbase form(ts.st);
    form.show();
    auto* label = form.findChild<QLabel*>(QStringLiteral("Label2"));
    auto* box = form.findChild<QLineEdit*>(QStringLiteral("Txt1"));
    const QFontMetrics fm(label->font());
    const QRect onLabel(box->mapTo(label->window(), QPoint()) - label->mapTo(label->window(), QPoint()), box->size());
    EXPECT_GE(onLabel.left(), fm.horizontalAdvance(QStringLiteral("자료보관기간 :")));
    EXPECT_LE(onLabel.right(), fm.horizontalAdvance(QStringLiteral("자료보관기간 :             ")));
    EXPECT_GT(onLabel.width(), fm.horizontalAdvance(QStringLiteral("99")));
}

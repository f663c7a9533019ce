#include "common/TestStation.h"
#include "widgets/FrmAbout.h"
#include "widgets/QtMessages.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

// The shared forms close only by their buttons or the close box.
TEST(DialogsEscape, EscClosesNoSharedForm)
{
    test::TestStation ts;
    FrmAbout about(&ts.st.Db);
    MsgBoxForm msg(QStringLiteral("x"), QStringLiteral("Tarvola"), &ts.st.Db);
    MBoxForm mbox(QStringLiteral("계속?"), QStringLiteral("Tarvola"), QString(), &ts.st.Db);
    DialogMForm dialogM(&ts.st.Db);
    for (QDialog* d : std::initializer_list<QDialog*>{&about, &msg, &mbox, &dialogM}) {
        d->show();
        QTest::keyClick(d, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible()) << d->metaObject()->className();
    }
    EXPECT_EQ(dialogM.Result(), 2) << "still open";
}

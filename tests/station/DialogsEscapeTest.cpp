#include "common/TestStation.h"
#include "station/FrmInput.h"
#include "station/FrmLogin.h"
#include "station/FrmPrint.h"
#include "station/FrmWorkMan.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

// The station's screens close only by their buttons or the close box.
TEST(DialogsEscape, EscClosesNoStationScreen)
{
    test::TestStation ts;
    FrmInput input(QStringLiteral("0001"), ts.clock);
    FrmLogin login(ts.st);
    FrmPrint print(ts.st);
    FrmWorkMan workMan(ts.st);
    for (QDialog* d : std::initializer_list<QDialog*>{&input, &login, &print, &workMan}) {
        d->show();
        QTest::keyClick(d, Qt::Key_Escape);
        EXPECT_TRUE(d->isVisible()) << d->metaObject()->className();
    }
    EXPECT_TRUE(ts.msgs.shown.empty());
}

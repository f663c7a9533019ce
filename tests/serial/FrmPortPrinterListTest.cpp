// The printer frame's port list is the single control `PORT`.

#include "serial/SerialTestUtil.h"

#include "serial/FrmPort.h"
#include "core/Sql.h"

#include <QComboBox>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

TEST(FrmPortPrinterList, IsNamedPortAndShowsTheStoredChoice)
{
    TestStation ts;
    InstallFakeComm(ts.st); // the screen opens no real port
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET PORT = 'LPT2'");
    FrmPort form(ts.st);
    auto* list = form.findChild<QComboBox*>("PORT");
    ASSERT_NE(list, nullptr);
    QStringList items;
    for (int i = 0; i < list->count(); ++i) items << list->itemText(i);
    EXPECT_EQ(items.join("|"), "Rs232c|LPT1|LPT2|FILE");
    EXPECT_EQ(list->currentText(), "LPT2");
}

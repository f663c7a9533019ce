// The port settings screen on the booth display (1024x768): the controls that
// once lay below its edge are there and work with the mouse.

#include "serial/SerialTestUtil.h"

#include "common/ScreenProbe.h"
#include "serial/FrmPort.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

TEST(FrmPortLayout, LowerControlsWorkByMouseOnTheBoothDisplay)
{
    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    FrmPort form(ts.st);
    ShowActive(form);
    EXPECT_LE(form.width(), kBoothDisplay.width());
    EXPECT_LE(form.height() + kTitleBar, kBoothDisplay.height());
    EXPECT_EQ(UnreachableControls(form).join(u' ').toStdString(), "");

    auto* hostInUse = form.findChild<QCheckBox*>("Check1_6");
    auto* master = form.findChild<QCheckBox*>("Check1_10");
    ASSERT_TRUE(hostInUse && master);
    ClickThroughWindow(hostInUse);
    EXPECT_TRUE(hostInUse->isChecked());
    ClickThroughWindow(form.findChild<QRadioButton*>("Option1_0")); // 출구판독기
    EXPECT_TRUE(ts.st.models.HasExitReader);
    EXPECT_FALSE(master->isVisible());
    ClickThroughWindow(form.findChild<QRadioButton*>("Option1_1")); // 요금계산기
    EXPECT_FALSE(ts.st.models.HasExitReader);
    EXPECT_TRUE(master->isVisible());

    ClickThroughWindow(form.findChild<QPushButton*>("Command1_0")); // Test writes the frames
    EXPECT_EQ(ts.value("SELECT 사용여부 FROM 호스트").toInt(), 1);
    EXPECT_FALSE(form.findChild<QLabel*>("LblStatus")->text().isEmpty());
    ClickThroughWindow(form.findChild<QPushButton*>("Command1_1")); // 종료
    EXPECT_FALSE(form.isVisible());
}

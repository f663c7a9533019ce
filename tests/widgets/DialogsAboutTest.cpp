#include "widgets/FrmAbout.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;

TEST(DialogsAbout, VersionNumbersArePlainIntegers)
{
    EXPECT_EQ(VersionText("1.01.0"), "1.1.0");
    EXPECT_EQ(VersionText("2.10.3"), "2.10.3");
    EXPECT_EQ(VersionText("3"), "3.0.0");
    EXPECT_EQ(VersionText("1.0.7.9"), "1.0.7");
}

TEST(DialogsAbout, FormTexts)
{
    FrmAbout form(nullptr);
    EXPECT_EQ(form.objectName(), "frmAbout");
    EXPECT_EQ(form.windowTitle(), AppTitle() + " 정보");
    EXPECT_EQ(form.findChild<QLabel*>("lblTitle")->text(), "Title :   " + AppTitle());
    EXPECT_EQ(form.findChild<QLabel*>("lblVersion")->text(), "Version : " + VersionText(BuildVersion()));
    EXPECT_EQ(form.findChild<QLabel*>("lblDescription")->text(), AppDescription());
    EXPECT_FALSE(form.findChild<QLabel*>("picIcon")->pixmap().isNull());
    auto* ok = form.findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "확인");
    form.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
}

#include "common/OptionScreens.h"
#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "station/FrmPrint.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::check;
using tolvo::test::txt;
using tolvo::test::TestStation;

namespace {

void exitButton(QWidget& w) { QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton); }

bool field(TestStation& ts, const char* name)
{
    return ToBool(ts.value(QStringLiteral("SELECT %1 FROM 인쇄옵션").arg(QString::fromUtf8(name))));
}

} // namespace

TEST(FrmPrintScreen, EachSwitchLandsOnItsField)
{
    for (const PrintOptionBox& b : kPrintOptionBoxes) {
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET %1 = 0").arg(QString::fromUtf8(b.field)));
        {
            FrmPrint form(ts.st);
            form.show();
            EXPECT_FALSE(check(form, b.index)->isChecked()) << b.field;
            EXPECT_EQ(check(form, b.index)->text(), QString::fromUtf8(b.caption));
            check(form, b.index)->setChecked(true);
            exitButton(form);
        }
        EXPECT_TRUE(field(ts, b.field)) << b.field;
    }
}

TEST(FrmPrintScreen, CaptionsGroupsAndTexts)
{
    TestStation ts;
    Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 상호 = ?, 종인사문 = ?", {"주차장", "감사합니다"});
    FrmPrint form(ts.st);
    EXPECT_EQ(form.windowTitle(), "인쇄옵션설정");
    EXPECT_EQ(txt(form, 1)->text(), "주차장");
    EXPECT_EQ(txt(form, 5)->text(), "감사합니다");
    EXPECT_EQ(txt(form, 3)->maxLength(), 40);
    EXPECT_EQ(form.findChild<QCheckBox*>("Check2")->text(), " 위반차량 수신후 수신내용 인쇄");
    EXPECT_EQ(form.findChild<QPushButton*>("Command1")->text(), "종료(&X)");
    QStringList frames;
    for (auto* g : form.findChildren<QGroupBox*>()) frames << g->title();
    EXPECT_TRUE(frames.contains("자료전송 옵션"));
    EXPECT_TRUE(frames.contains("영업정산시 출력 옵션"));
    EXPECT_TRUE(frames.contains("영수증"));
}

TEST(FrmPrintScreen, ExitSetsTheCaptionTheViolationOptionAndTheTexts)
{
    TestStation ts;
    {
        FrmPrint form(ts.st);
        form.show();
        EXPECT_FALSE(form.findChild<QCheckBox*>("Check2")->isChecked());
        txt(form, 1)->setText("A");
        txt(form, 2)->setText("서울시 '중구'");
        txt(form, 4)->setText("");
        form.findChild<QCheckBox*>("Check2")->setChecked(true);
        exitButton(form);
        EXPECT_FALSE(form.isVisible());
    }
    EXPECT_EQ(ts.screen.text("main"), "A 주차관리 시스템");
    EXPECT_TRUE(ts.st.settings.ViolationPrint);
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "위반인쇄", "False"), "True");
    EXPECT_EQ(ts.value("SELECT 상호 FROM 인쇄옵션").toString(), "A");
    EXPECT_EQ(ts.value("SELECT 주소 FROM 인쇄옵션").toString(), "서울시 '중구'");
    EXPECT_TRUE(ts.value("SELECT 시인사문 FROM 인쇄옵션").isNull());

    // Reopened, the box shows the option ticked; clearing it writes "False".
    FrmPrint again(ts.st);
    again.show();
    EXPECT_TRUE(again.findChild<QCheckBox*>("Check2")->isChecked());
    again.findChild<QCheckBox*>("Check2")->setChecked(false);
    exitButton(again);
    EXPECT_FALSE(ts.st.settings.ViolationPrint);
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "위반인쇄", "x"), "False");
}

TEST(FrmPrintScreen, CloseBoxStoresTheRowButLeavesCaptionAndSettingsFile)
{
    TestStation ts;
    {
        FrmPrint form(ts.st);
        form.show();
        check(form, 12)->setChecked(false);
        form.findChild<QCheckBox*>("Check2")->setChecked(true);
        form.close();
    }
    EXPECT_FALSE(field(ts, "영수증인쇄여부"));
    EXPECT_FALSE(ts.st.settings.ViolationPrint);
    EXPECT_EQ(ts.screen.text("main"), "");
}

TEST(FrmPrintScreen, EnterOnASwitchMovesOnWithoutToggling)
{
    TestStation ts;
    FrmPrint form(ts.st);
    form.show();
    QApplication::setActiveWindow(&form);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    QCheckBox* box = check(form, 3);
    box->setFocus();
    const bool before = box->isChecked();
    QTest::keyClick(box, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(box->isChecked(), before);
    EXPECT_FALSE(box->hasFocus());
}

TEST(FrmPrintScreen, MissingRowIsMadeOnClose)
{
    TestStation ts;
    Exec(ts.st.Db, "DELETE FROM 인쇄옵션");
    {
        FrmPrint form(ts.st);
        form.show();
        EXPECT_FALSE(check(form, 12)->isChecked());
        txt(form, 1)->setText("새상호");
        exitButton(form);
    }
    EXPECT_EQ(ts.count("인쇄옵션"), 1);
    EXPECT_EQ(ts.value("SELECT 상호 FROM 인쇄옵션").toString(), "새상호");
    EXPECT_TRUE(ts.msgs.shown.empty());
}

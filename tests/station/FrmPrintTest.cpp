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

// Each box alone ticked and stored, read back from the row, loaded back into the boxes.
TEST(FrmPrintScreen, EachSwitchLandsOnItsField)
{
    const struct { const char* group; const char* caption; const char* field; } boxes[] = {
        {"자료전송 옵션", "출차취소  전송함", "출차취소전송"},
        {"자료전송 옵션", "일반권 출차 전송함", "일반권출차전송"},
        {"자료전송 옵션", "시간대별 전송함", "시간대별전송"},
        {"자료전송 옵션", "주차 시간대별 전송함", "주차시간대별전송"},
        {"자료전송 옵션", "금액대별 전송함", "금액대별전송"},
        {"자료전송 옵션", "일반권 입차 전송함", "일반권입차전송"},
        {"영업정산시 출력 옵션", "출차취소 인쇄함", "출차취소인쇄여부"},
        {"영업정산시 출력 옵션", "금액대별 인쇄함", "금액대별인쇄여부"},
        {"영업정산시 출력 옵션", "주차 시간대별 인쇄함", "주차시간대별인쇄여부"},
        {"영업정산시 출력 옵션", "시간대별 인쇄시 전체(24시간) 인쇄함", "시간대별전체인쇄여부"},
        {"영업정산시 출력 옵션", "시간대별 인쇄", "시간대별인쇄여부"},
        {"영업정산시 출력 옵션", "할인현황 인쇄", "할인현황인쇄여부"},
        {"영수증", "일반권 정산시 항상발행", "영수증인쇄여부"},
    };
    QStringList fields;
    for (const auto& b : boxes) fields << QString::fromUtf8(b.field);
    const QString allOff = fields.join(QStringLiteral(" = 0, ")) + QStringLiteral(" = 0");
    const QString onOnes = QStringLiteral("SELECT ") + fields.join(QStringLiteral(" || ")) + QStringLiteral(" FROM 인쇄옵션");
    // The Check1 boxes by caption; the one ticked and all others clear.
    auto ticked = [](QWidget& form) {
        QStringList on;
        for (auto* c : form.findChildren<QCheckBox*>())
            if (c->objectName().startsWith(QStringLiteral("Check1_")) && c->isChecked()) on << c->text();
        return on;
    };
    auto box = [](QWidget& form, const char* caption) -> QCheckBox* {
        for (auto* c : form.findChildren<QCheckBox*>())
            if (c->objectName().startsWith(QStringLiteral("Check1_")) && c->text() == QString::fromUtf8(caption)) return c;
        return nullptr;
    };
    for (size_t i = 0; i < std::size(boxes); ++i) {
        const auto& b = boxes[i];
        SCOPED_TRACE(b.field);
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET ") + allOff);
        {
            FrmPrint form(ts.st);
            form.show();
            QCheckBox* c = box(form, b.caption);
            ASSERT_NE(c, nullptr);
            auto* frame = qobject_cast<QGroupBox*>(c->parentWidget());
            ASSERT_NE(frame, nullptr);
            EXPECT_EQ(frame->title(), QString::fromUtf8(b.group));
            EXPECT_TRUE(ticked(form).isEmpty());
            c->setChecked(true);
            exitButton(form);
        }
        QString expected(static_cast<qsizetype>(std::size(boxes)), QLatin1Char('0'));
        expected[static_cast<qsizetype>(i)] = QLatin1Char('1');
        EXPECT_EQ(ts.value(onOnes).toString(), expected);
        FrmPrint again(ts.st);
        EXPECT_EQ(ticked(again), QStringList{QString::fromUtf8(b.caption)});
    }
}

TEST(FrmPrintScreen, EachTextBoxLandsOnItsField)
{
    const std::pair<int, const char*> boxes[] = {{1, "상호"}, {2, "주소"}, {3, "사업자번호"}, {4, "시인사문"}, {5, "종인사문"}};
    TestStation ts;
    {
        FrmPrint form(ts.st);
        for (const auto& [n, field] : boxes) txt(form, n)->setText(QStringLiteral("글%1").arg(n));
        exitButton(form);
    }
    for (const auto& [n, field] : boxes)
        EXPECT_EQ(ts.value(QStringLiteral("SELECT %1 FROM 인쇄옵션").arg(QString::fromUtf8(field))).toString(),
                  QStringLiteral("글%1").arg(n));
    Exec(ts.st.Db, "UPDATE 인쇄옵션 SET 상호 = '가', 주소 = '나', 사업자번호 = '다', 시인사문 = '라', 종인사문 = '마'");
    FrmPrint again(ts.st);
    QStringList shown;
    for (const auto& [n, field] : boxes) shown << txt(again, n)->text();
    EXPECT_EQ(shown.join(QString()), QStringLiteral("가나다라마"));
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

#include "settlement/SettlementFixture.h"

#include "settlement/Jungsan.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

QString text(const QWidget& w, const char* name) { return w.findChild<QLabel*>(name)->text(); }

TEST(JungsanScreen, ShowsTheOpenPeriodsSumsAndTheWorker)
{
    SettleStation ts;
    Exec(ts.st.Db, "UPDATE 시간대별 SET 정기권출차수 = 4 WHERE 시간대 = 12");
    Jungsan form(ts.st);
    EXPECT_EQ(form.windowTitle(), "영업마감");
    EXPECT_EQ(text(form, "WorkMan"), "근무자1");
    const std::pair<const char*, const char*> values[] = {
        {"LJIn_0", "6"}, {"LJIn_3", "3"}, {"LJIn_4", "1"}, {"LJIn_5", "4"}, {"LJIn_6", "8500"}};
    for (const auto& [name, value] : values) EXPECT_EQ(text(form, name), value) << name;
    EXPECT_EQ(text(form, "Label2"), "주의 : 인쇄용지가 충분한지 확인하세요.");
    EXPECT_EQ(form.findChild<QPushButton*>("Command1_0")->text() + "|" + form.findChild<QPushButton*>("Command1_2")->text(),
              "정산(&P)|취소(&X)");
    for (const char* d : {"DTPicker1", "DTPicker2"})
        EXPECT_EQ(form.findChild<QDateEdit*>(d)->date(), QDate(2026, 1, 5)) << d;
}

TEST(JungsanScreen, WithoutAnOpenPeriodTheValuesAreBlank)
{
    SettleStation ts;
    Exec(ts.st.Db, "UPDATE 시간대별 SET 정산여부 = 1");
    Jungsan form(ts.st);
    for (const char* name : {"LJIn_0", "LJIn_3", "LJIn_4", "LJIn_5", "LJIn_6"}) EXPECT_EQ(text(form, name), "") << name;
}

TEST(JungsanScreen, OnlyTheAdministratorSeesThePeriodReprint)
{
    const std::pair<const char*, bool> workers[] = {{"관리자", true}, {"관리자 ", false}, {"근무자1", false}};
    for (const auto& [name, shown] : workers) {
        SettleStation ts;
        ts.st.worker.WorkerName = name;
        Jungsan form(ts.st);
        auto* frame = form.findChild<QGroupBox*>("Frame2");
        EXPECT_EQ(frame->title(), "영업현황");
        EXPECT_EQ(frame->isVisibleTo(&form), shown) << name;
    }
}

TEST(JungsanScreen, RedFrameFollowsTheFocus)
{
    SettleStation ts;
    ts.st.worker.WorkerName = "관리자";
    Jungsan form(ts.st);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    auto* settle = form.findChild<QPushButton*>("Command1_0");
    auto* close = form.findChild<QPushButton*>("Command1_2");
    auto* frame0 = form.findChild<QFrame*>("Shape1_0");
    auto* frame2 = form.findChild<QFrame*>("Shape1_2");
    const std::pair<QWidget*, const char*> steps[] = {
        {settle, "10"}, {close, "01"}, {form.findChild<QDateEdit*>("DTPicker1"), "00"}};
    for (const auto& [widget, shown] : steps) {
        widget->setFocus();
        QCoreApplication::processEvents();
        EXPECT_EQ(QString("%1%2").arg(int(frame0->isVisible())).arg(int(frame2->isVisible())), shown);
    }
    EXPECT_TRUE(settle->isVisible() && close->isVisible());
}

TEST(JungsanScreen, PrintButtonReprintsTheChosenDaysAndShowsTheOpenPeriodAgain)
{
    SettleStation ts;
    ts.st.worker.WorkerName = "관리자";
    Exec(ts.st.Db, "UPDATE 할인현황 SET 정산여부 = 1, 종료일시 = '2026-01-04 20:00'");
    Jungsan form(ts.st);
    form.show();
    form.findChild<QDateEdit*>("DTPicker1")->setDate(QDate(2026, 1, 4));
    QTest::mouseClick(form.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(text(form, "Label2"), "완료되었습니다");
    EXPECT_EQ(text(form, "LJIn_6"), "8500"); // the open period's sums again
    const QString paper = ts.dayFile();
    EXPECT_TRUE(paper.contains("영업시작일 : 2026-01-04\r\n영업종료일 : 2026-01-05"));
    EXPECT_TRUE(paper.contains("경차할인" + QString(19, ' ') + "1" + QString(13, ' ') + "1,500"));
    EXPECT_EQ(ts.rows("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 0"), 24);
}

TEST(JungsanScreen, CancelButtonCloses)
{
    SettleStation ts;
    Jungsan form(ts.st);
    form.show();
    QTest::mouseClick(form.findChild<QPushButton*>("Command1_2"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ts.logins, 0);
}

} // namespace

#include "common/TestStation.h"
#include "database/FrmDbase.h"
#include "database/FrmDbaseLogic.h"
#include "core/Sql.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void addTicket(TestStation& ts, const QString& code, const QVariant& exitDate)
{
    Exec(ts.st.Db, "INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 입차코드, 출차일, 정산구분, 전송여부) VALUES (?, ?, ?, ?, ?, 0, 0)",
         {code.left(4), "2026-01-05", "08:00", code, exitDate});
}

void fillRecords(TestStation& ts)
{
    addTicket(ts, "0001202601050800", QVariant());       // still inside
    addTicket(ts, "0002202601050800", "2026-01-05");     // left
    addTicket(ts, "0003202601050800", QVariant());
    Exec(ts.st.Db, "INSERT INTO 정기권입출차 (정기권번호) VALUES ('0000012345')");
    Exec(ts.st.Db, "INSERT INTO 출차취소 (입차코드) VALUES ('0009202601050800')");
    Exec(ts.st.Db, "UPDATE 시간대별 SET 일반권입차수 = 5");
}

qint64 n(TestStation& ts, const char* table) { return ts.count(QString::fromUtf8(table)); }

} // namespace

TEST(FrmDbaseClear, QuestionTextAndStyle)
{
    TestStation ts;
    ts.msgs.msgBoxAnswers.push_back(vbNo);
    EXPECT_FALSE(FrmDbase_Clear(ts.st, 5));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].kind, "MsgBox");
    EXPECT_EQ(ts.msgs.shown[0].style, 276);
    EXPECT_EQ(ts.msgs.shown[0].title, "Tarvola");
    EXPECT_EQ(ts.msgs.shown[0].text, "이기능은 모든 출차취소 기록을 삭제합니다.\r실행하면 복구할 수 없으므로 주의 하시기 바랍니다.\r\r"
                                     "계속하시겠습니까?");
}

TEST(FrmDbaseClear, EachButtonClearsItsRecordsOnYesAndNothingOnNo)
{
    struct Row { int index; qint64 tickets; qint64 seasonIO; qint64 cancels; bool newPeriod; };
    const Row rows[] = {
        {0, 1, 1, 1, false}, // cars still inside go, tickets with an exit stay
        {1, 2, 1, 1, false}, // tickets with an exit go
        {2, 3, 1, 1, true},
        {3, 0, 0, 0, true},
        {4, 3, 0, 1, false},
        {5, 3, 1, 0, false},
    };
    for (const Row& r : rows) {
        TestStation ts;
        fillRecords(ts);
        ts.msgs.msgBoxAnswers.push_back(vbNo);
        EXPECT_FALSE(FrmDbase_Clear(ts.st, r.index));
        EXPECT_EQ(n(ts, "일반권"), 3) << r.index;
        EXPECT_EQ(n(ts, "정기권입출차"), 1) << r.index;

        ts.msgs.msgBoxAnswers.push_back(vbYes);
        EXPECT_TRUE(FrmDbase_Clear(ts.st, r.index)) << r.index;
        EXPECT_EQ(n(ts, "일반권"), r.tickets) << r.index;
        EXPECT_EQ(n(ts, "정기권입출차"), r.seasonIO) << r.index;
        EXPECT_EQ(n(ts, "출차취소"), r.cancels) << r.index;
        EXPECT_EQ(n(ts, "정기권"), 0) << r.index;
        EXPECT_EQ(n(ts, "근무자관리"), 6) << r.index; // settings are never touched
        if (r.newPeriod) {
            EXPECT_EQ(n(ts, "시간대별"), 24) << r.index;
            EXPECT_EQ(ts.value("SELECT SUM(일반권입차수) FROM 시간대별").toInt(), 0) << r.index;
            EXPECT_EQ(ts.screen.totalsRefreshed, 1) << r.index;
        } else {
            EXPECT_EQ(ts.value("SELECT SUM(일반권입차수) FROM 시간대별").toInt(), 5 * 24) << r.index;
            EXPECT_EQ(ts.screen.totalsRefreshed, 0) << r.index;
        }
        if (r.index == 0) {
            EXPECT_EQ(ts.value("SELECT 입차코드 FROM 일반권").toString(), "0002202601050800");
        }
    }
}

TEST(FrmDbaseClear, FullClearOnAnEmptyDatabaseLeavesExactlyOneOpenPeriod)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용) VALUES ('경차', 65, 4, 'ALT + A', 1, 0)");
    ts.msgs.msgBoxAnswers.push_back(vbYes);
    ASSERT_TRUE(FrmDbase_Clear(ts.st, 3));
    ts.msgs.msgBoxAnswers.push_back(vbYes);
    ASSERT_TRUE(FrmDbase_Clear(ts.st, 3));
    EXPECT_EQ(n(ts, "시간대별"), 24);
    EXPECT_EQ(n(ts, "주차시간대별"), 1);
    EXPECT_EQ(n(ts, "금액대별"), 1);
    EXPECT_EQ(n(ts, "할인현황"), 2); // cash exits and the one active key
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1").toInt(), 0);
}

TEST(FrmDbaseClear, FailureIsShownAndNothingIsHalfCleared)
{
    TestStation ts;
    fillRecords(ts);
    Exec(ts.st.Db, "DROP TABLE 출차취소");
    ts.msgs.msgBoxAnswers.push_back(vbYes);
    EXPECT_FALSE(FrmDbase_Clear(ts.st, 3));
    EXPECT_EQ(ts.msgs.shown.back().title, "자료삭제 오류");
    EXPECT_EQ(n(ts, "일반권"), 3);
    EXPECT_EQ(n(ts, "정기권입출차"), 1);
    EXPECT_EQ(ts.screen.totalsRefreshed, 0);
}

TEST(FrmDbaseRetention, StoredAsAWholeNumberWithinRange)
{
    TestStation ts;
    EXPECT_EQ(RetentionText(ts.st), "12");
    struct Row { const char* text; bool ok; int stored; };
    const Row rows[] = {
        {"", true, 0}, {"6", true, 6}, {"007", true, 7}, {"12.5", true, 12}, {"13.5", true, 14},
        {"32767", true, 32767}, {"32768", false, 32767}, {"99999999999", false, 32767}, {"-1", false, 32767},
    };
    for (const Row& r : rows) {
        ts.msgs.clear();
        EXPECT_EQ(FrmDbase_StoreRetention(ts.st, QString::fromUtf8(r.text)), r.ok) << r.text;
        EXPECT_EQ(ts.value("SELECT 자료보관기간 FROM 시스템").toInt(), r.stored) << r.text;
        EXPECT_EQ(ts.msgs.shown.size(), r.ok ? 0u : 1u) << r.text;
    }
}

TEST(FrmDbaseRetention, MissingSystemRowShowsZero)
{
    TestStation ts;
    Exec(ts.st.Db, "DELETE FROM 시스템");
    EXPECT_EQ(RetentionText(ts.st), "0");
    EXPECT_TRUE(FrmDbase_StoreRetention(ts.st, "3"));
}

TEST(FrmDbaseScreen, ControlsConfirmAndRefusal)
{
    TestStation ts;
    FrmDbase form(ts.st);
    form.show();
    EXPECT_EQ(form.windowTitle(), "데이터베이스 관리");
    EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "자료보관기간 :             개월");
    auto* txt1 = form.findChild<QLineEdit*>("Txt1");
    ASSERT_NE(txt1, nullptr);
    EXPECT_EQ(txt1->text(), "12");

    txt1->setText("40000");
    QTest::mouseClick(form.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(ts.msgs.shown.back().title, "입력오류");
    EXPECT_EQ(ts.value("SELECT 자료보관기간 FROM 시스템").toInt(), 12);

    ts.msgs.msgBoxAnswers.push_back(vbYes);
    QTest::mouseClick(form.findChild<QPushButton*>("Command1_5"), Qt::LeftButton);
    EXPECT_TRUE(form.isVisible()); // the screen stays open after a clear

    txt1->setText("24");
    QTest::mouseClick(form.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(ts.value("SELECT 자료보관기간 FROM 시스템").toInt(), 24);
}

TEST(FrmDbaseScreen, EscDoesNotClose)
{
    TestStation ts;
    FrmDbase form(ts.st);
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible()); // only 확인 or the close box close it
}

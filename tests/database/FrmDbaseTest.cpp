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

void addTicket(TestStation& ts, const QString& code, const QVariant& exitDate, bool settled)
{
    Exec(ts.st.Db, "INSERT INTO 일반권 (티켓번호, 입차일, 입차시간, 입차코드, 출차일, 정산구분, 전송여부) VALUES (?, ?, ?, ?, ?, ?, 0)",
         {code.left(4), code.mid(4, 4) + "-" + code.mid(8, 2) + "-" + code.mid(10, 2), "08:00", code, exitDate, settled});
}

// Cars inside and gone, settled and not, over two days; a season ticket and the work copies.
void fillRecords(TestStation& ts)
{
    addTicket(ts, "0001202601050800", QVariant(), false);   // inside since the day before
    addTicket(ts, "0002202601060800", QVariant(), false);   // inside since today
    addTicket(ts, "0003202601050800", "2026-01-05", false); // left, not settled
    addTicket(ts, "0004202601050800", "2026-01-06", true);  // left, settled
    Exec(ts.st.Db, "INSERT INTO 임시일반권 (입차코드, 출차일) VALUES ('0003202601050800', '2026-01-05')");
    Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호) VALUES ('0000012345')");
    Exec(ts.st.Db, "INSERT INTO 정기권입출차 (정기권번호) VALUES ('0000012345')");
    Exec(ts.st.Db, "INSERT INTO 임시정기권입출차 (정기권번호) VALUES ('0000012345')");
    Exec(ts.st.Db, "INSERT INTO 출차취소 (입차코드) VALUES ('0009202601050800')");
    Exec(ts.st.Db, "UPDATE 시간대별 SET 일반권입차수 = 5");
}

qint64 n(TestStation& ts, const char* table) { return ts.count(QString::fromUtf8(table)); }

// The ticket numbers left in 일반권; rows of 정기권입출차, 출차취소, 정기권, 임시일반권, 임시정기권입출차 and
// 근무자관리; the entries counted in the open period.
QString Counts(TestStation& ts)
{
    return ts.value("SELECT group_concat(티켓번호, ',') FROM (SELECT 티켓번호 FROM 일반권 ORDER BY 티켓번호)").toString() +
           QString(" %1 %2 %3 %4 %5 %6 / %7").arg(n(ts, "정기권입출차")).arg(n(ts, "출차취소")).arg(n(ts, "정기권"))
               .arg(n(ts, "임시일반권")).arg(n(ts, "임시정기권입출차")).arg(n(ts, "근무자관리"))
               .arg(ts.value("SELECT SUM(일반권입차수) FROM 시간대별").toInt());
}

} // namespace

TEST(FrmDbaseClear, QuestionTextAndStyle)
{
    TestStation ts;
    EXPECT_FALSE(FrmDbase_Clear(ts.st, 5)); // unscripted: no
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const auto& m = ts.msgs.shown[0];
    EXPECT_EQ(QString("%1|%2|%3|").arg(m.kind).arg(m.style).arg(m.title) + m.text,
              "MsgBox|276|Tarvola|이기능은 모든 출차취소 기록을 삭제합니다.\r실행하면 복구할 수 없으므로 주의 하시기 바랍니다.\r\r"
              "계속하시겠습니까?");
}

TEST(FrmDbaseClear, EachButtonClearsItsRecordsOnYesAndNothingOnNo)
{
    // Settings are never touched; a new period starts after clearing the totals.
    const struct { int index; const char* after; bool newPeriod; } rows[] = {
        {0, "0003,0004 1 1 1 1 1 6 / 120", false}, // cars still inside go, tickets with an exit stay
        {1, "0001,0002 1 1 1 1 1 6 / 120", false}, // tickets with an exit go, settled or not
        {2, "0001,0002,0003,0004 1 1 1 1 1 6 / 0", true},
        {3, " 0 0 1 1 1 6 / 0", true},
        {4, "0001,0002,0003,0004 0 1 1 1 1 6 / 120", false},
        {5, "0001,0002,0003,0004 1 0 1 1 1 6 / 120", false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.index);
        TestStation ts;
        fillRecords(ts);
        ts.msgs.msgBoxAnswers = {vbNo, vbYes};
        EXPECT_FALSE(FrmDbase_Clear(ts.st, r.index));
        EXPECT_EQ(Counts(ts), "0001,0002,0003,0004 1 1 1 1 1 6 / 120");
        EXPECT_TRUE(FrmDbase_Clear(ts.st, r.index));
        EXPECT_EQ(Counts(ts), r.after);
        EXPECT_EQ(n(ts, "시간대별"), 24);
        EXPECT_EQ(ts.screen.totalsRefreshed, r.newPeriod ? 1 : 0);
    }
}

TEST(FrmDbaseClear, FullClearOnAnEmptyDatabaseLeavesExactlyOneOpenPeriod)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 할인키 (명칭, 키코드1, 키코드2, 키명칭, 사용여부, 중복사용) VALUES ('경차', 65, 4, 'ALT + A', 1, 0)");
    ts.msgs.msgBoxAnswers = {vbYes, vbYes};
    ASSERT_TRUE(FrmDbase_Clear(ts.st, 3));
    ASSERT_TRUE(FrmDbase_Clear(ts.st, 3));
    // 할인현황: cash exits and the one active key.
    EXPECT_EQ(QString("%1 %2 %3 %4").arg(n(ts, "시간대별")).arg(n(ts, "주차시간대별")).arg(n(ts, "금액대별")).arg(n(ts, "할인현황")),
              "24 1 1 2");
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 시간대별 WHERE 정산여부 = 1").toInt(), 0);
}

TEST(FrmDbaseClear, FailureIsShownAndNothingIsHalfCleared)
{
    TestStation ts;
    fillRecords(ts);
    Exec(ts.st.Db, "DROP TABLE 출차취소");
    ts.msgs.msgBoxAnswers = {vbYes};
    EXPECT_FALSE(FrmDbase_Clear(ts.st, 3));
    EXPECT_EQ(ts.msgs.shown.back().title, "자료삭제 오류");
    EXPECT_EQ(QString("%1 %2").arg(n(ts, "일반권")).arg(n(ts, "정기권입출차")), "4 1");
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
        SCOPED_TRACE(r.text);
        ts.msgs.clear();
        EXPECT_EQ(FrmDbase_StoreRetention(ts.st, QString::fromUtf8(r.text)), r.ok);
        EXPECT_EQ(ts.value("SELECT 자료보관기간 FROM 시스템").toInt(), r.stored);
        EXPECT_EQ(ts.msgs.shown.size(), r.ok ? 0u : 1u);
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
    const auto click = [&](const char* name) { QTest::mouseClick(form.findChild<QPushButton*>(name), Qt::LeftButton); };
    EXPECT_EQ(form.windowTitle(), "데이터베이스 관리");
    EXPECT_EQ(form.findChild<QLabel*>("Label2")->text(), "자료보관기간 :             개월");
    auto* txt1 = form.findChild<QLineEdit*>("Txt1");
    ASSERT_EQ(txt1 ? txt1->text() : "none", "12");

    txt1->setText("40000");
    click("cmdOK");
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(ts.msgs.shown.back().title, "입력오류");
    EXPECT_EQ(ts.value("SELECT 자료보관기간 FROM 시스템").toInt(), 12);

    ts.msgs.msgBoxAnswers.push_back(vbYes);
    click("Command1_5");
    EXPECT_TRUE(form.isVisible()); // the screen stays open after a clear

    txt1->setFocus();
    txt1->selectAll();
    QTest::keyClicks(txt1, "2a4");  // a numeric field: the letter does not stay
    EXPECT_EQ(txt1->text(), "24");
    click("cmdOK");
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

#include "common/TestStation.h"
#include "core/Sql.h"
#include "station/FrmLogin.h"
#include "station/Login.h"
#include "core/WorkerRights.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

struct LoginRig {
    LoginRig() : form(ts.st)
    {
        ts.st.worker.WorkerCode = 0;
        ts.st.worker.WorkerName = QStringLiteral("관리자");
        password = form.findChild<QLineEdit*>(QStringLiteral("txtPassword"));
        ok = form.findChild<QPushButton*>(QStringLiteral("cmdOK"));
        name = form.findChild<QLabel*>(QStringLiteral("LblName"));
        log = form.findChild<QLabel*>(QStringLiteral("LblLog"));
    }
    TestStation ts;
    FrmLogin form;
    QLineEdit* password;
    QPushButton* ok;
    QLabel* name;
    QLabel* log;
};

} // namespace

TEST(FrmLogin, ControlsAtStart)
{
    LoginRig r;
    ASSERT_TRUE(r.password && r.ok && r.name && r.log);
    EXPECT_EQ(r.form.windowTitle(), QStringLiteral("로그인"));
    EXPECT_EQ(r.password->maxLength(), 6);
    EXPECT_EQ(r.password->echoMode(), QLineEdit::Password);
    EXPECT_EQ(r.form.findChild<QLabel*>(QStringLiteral("lblLabels"))->text(), QStringLiteral("Password : "));
    EXPECT_EQ(r.name->text(), QStringLiteral("근무자명 : "));
    EXPECT_EQ(r.log->text(), QStringLiteral(" 비밀번호 6자리를 입력하세요!"));
    EXPECT_EQ(r.ok->text(), QStringLiteral("확인"));
    EXPECT_FALSE(r.ok->isEnabled());
}

TEST(FrmLogin, SixthCharacterTakesOverTheWorkerAndTheRights)
{
    LoginRig r;
    Exec(r.ts.st.Db, QStringLiteral("UPDATE 근무자관리 SET 근무자명 = ?, 권한6 = 0, 권한4 = 0 WHERE 근무자코드 = 2"),
         {QStringLiteral(" 김철수 ")});
    QTest::keyClicks(r.password, QStringLiteral("26480"));
    EXPECT_EQ(r.ts.st.worker.WorkerCode, 0) << "five characters do nothing";
    EXPECT_FALSE(r.ok->isEnabled());
    QTest::keyClicks(r.password, QStringLiteral("9"));
    EXPECT_EQ(r.ts.st.worker.WorkerCode, 2);
    EXPECT_EQ(r.ts.st.worker.WorkerName, QStringLiteral(" 김철수 "));
    EXPECT_EQ(r.name->text(), QStringLiteral(" 근무자명:       김철수 ")) << "the name as stored";
    EXPECT_EQ(r.log->text(), QStringLiteral(" 김철수님께서 로그인 하셨습니다.")) << "the greeting trims";
    EXPECT_TRUE(r.ok->isEnabled());
    for (const auto& [menu, on] : {std::pair{"Mnu8", false}, {"Mnu6", false}, {"MnuData", false}, {"Mnu1", true}, {"MnuSearch", true}})
        EXPECT_EQ(r.ts.screen.isEnabled(QString::fromUtf8(menu)), on) << menu;
    EXPECT_TRUE(r.ts.msgs.shown.empty());
}

TEST(FrmLogin, UnknownPasswordOrMakerCodeIsClearedSilently)
{
    for (const char* typed : {"000000", "QMRTX7"}) { // no maker code on the worker change
        LoginRig r;
        QTest::keyClicks(r.password, QString::fromLatin1(typed));
        EXPECT_TRUE(r.password->text().isEmpty()) << typed;
        EXPECT_EQ(r.ts.st.worker.WorkerName, QStringLiteral("관리자"));
        EXPECT_FALSE(r.ts.st.worker.MakerMode);
        EXPECT_TRUE(r.ts.msgs.shown.empty());
        EXPECT_FALSE(r.ok->isEnabled());
        EXPECT_EQ(r.log->text(), QStringLiteral(" 비밀번호 6자리를 입력하세요!"));
    }
}

TEST(FrmLogin, SharedPasswordTakesTheFirstRowAndRightsLastApplied)
{
    LoginRig r;
    Exec(r.ts.st.Db, QStringLiteral("UPDATE 근무자관리 SET 비밀번호 = '739164', 권한1 = 0 WHERE 근무자코드 = 4"));
    const LookupView v = WorkerChange_Lookup(r.ts.st, QStringLiteral("739164"));
    EXPECT_EQ(v.outcome, LookupView::Outcome::Found);
    EXPECT_EQ(r.ts.st.worker.WorkerCode, 1);
    EXPECT_TRUE(r.ts.st.worker.Rights[0]);
}

TEST(FrmLogin, OkClosesTheForm)
{
    LoginRig r;
    r.form.show();
    QTest::keyClicks(r.password, QStringLiteral("739164"));
    QTest::mouseClick(r.ok, Qt::LeftButton);
    EXPECT_FALSE(r.form.isVisible());
    EXPECT_EQ(r.form.result(), QDialog::Accepted);
}

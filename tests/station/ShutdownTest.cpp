#include "common/TestStation.h"
#include "core/Sql.h"
#include "serial/FakeComm.h"
#include "station/Shutdown.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

TEST(Shutdown, QuestionTextStyleAndAnswers)
{
    TestStation ts;
    EXPECT_FALSE(Shutdown_Confirm(ts.st)) << "unanswered: No, the default";
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const auto& m = ts.msgs.shown[0];
    EXPECT_EQ(m.text, QStringLiteral("프로그램을 종료하면 주차관리 업무를 수행할수 없습니다.\r\n\r\n종료하시겠습니까?"));
    EXPECT_EQ(m.title, QStringLiteral("Tarvola"));
    EXPECT_EQ(m.style, vbYesNo | vbCritical | vbDefaultButton2);
    ts.msgs.msgBoxAnswers = {vbNo, vbYes};
    EXPECT_FALSE(Shutdown_Confirm(ts.st));
    EXPECT_TRUE(Shutdown_Confirm(ts.st));
}

TEST(Shutdown, RunMarksTheCleanEndAndClosesEverything)
{
    for (const bool ports : {true, false}) { // with a port array, and with none at all
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = 0"));
        if (ports) InstallFakeComm(ts.st);
        Shutdown_Run(ts.st);
        EXPECT_FALSE(ts.st.Db.isOpen());
        ts.OpenFreshDatabase();
        EXPECT_TRUE(ToBool(ts.value(QStringLiteral("SELECT 정상적인종료 FROM 시스템")))) << ports;
    }
}

TEST(Shutdown, OpenFeeDisplayIsClearedFirst)
{
    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Exec(ts.st.Db, QStringLiteral("UPDATE 요금표시기 SET 사용여부 = 1, 포트번호 = ?"), {QStringLiteral("Com8")});
    ASSERT_TRUE(Comm::InitPort(ts.st, QStringLiteral("요금표시기"), PortFeeDisp));
    ASSERT_TRUE(ts.st.comm->PortOpen(PortFeeDisp));
    const QString path = ts.st.comm->PortPath(PortFeeDisp);
    Shutdown_Run(ts.st);
    EXPECT_FALSE(fake.ports->device(path).written().isEmpty()) << "the clear frame went out";
    EXPECT_FALSE(ts.st.comm->PortOpen(PortFeeDisp));
}


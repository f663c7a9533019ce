#include "common/SmallDisk.h"
#include "common/TestStation.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "serial/FakeComm.h"
#include "station/MainLoad.h"
#include "station/Shutdown.h"
#include "station/Startup.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <gtest/gtest.h>

#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void Touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
}

} // namespace

TEST(Startup, AFailureIsShownAndEndsWithAnErrorCode)
{
    TestStation ts(TestStation::Db::None);
    // A file where the data folder must be: nothing can be created.
    QDir(ts.path(QStringLiteral("Data"))).removeRecursively();
    Touch(ts.path(QStringLiteral("Data")));
    bool mainScreen = false;
    const auto end = Startup_Load(ts.st, [&] { mainScreen = true; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    EXPECT_FALSE(mainScreen);
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().style & vbCritical, vbCritical);
}

TEST(Startup, MainScreenLoad)
{
    TestStation ts;
    ts.st.settings.TicketsLeft = 321;
    ts.st.worker.WorkerName = QStringLiteral("근무자2");
    Exec(ts.st.Db, QStringLiteral("UPDATE 인쇄옵션 SET 상호 = ?"), {QStringLiteral("한빛주차장")});
    Exec(ts.st.Db, QStringLiteral("UPDATE 폼구성 SET 시간표시 = 0, 수입금액표시 = 0, 이미지저장폴더 = ?"),
         {QStringLiteral("/img")});
    Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-04")});
    Main_FormLoad(ts.st);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LblTDCnt")), QStringLiteral("321"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("WName")), QStringLiteral("근무자2"));
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
    EXPECT_EQ(ts.screen.text(QStringLiteral("main")), QStringLiteral("한빛주차장 주차관리 시스템"));
    for (const auto& [control, shown] : {std::pair{"PnlTime", false}, {"LCnt_7", false}, {"LCnt_0", true}, {"WName", true}})
        EXPECT_EQ(ts.screen.visible.value(QString::fromUtf8(control)), shown) << control;
    EXPECT_EQ(ts.st.ImageSaveDir, QStringLiteral("/img"));
    EXPECT_EQ(ts.st.DataRefreshDate, QStringLiteral("2026-01-04"));
    for (bool p : ts.st.HostPending) EXPECT_TRUE(p);
    EXPECT_FALSE(ts.screen.visible.value(QStringLiteral("Mnu_Td")));
    EXPECT_FALSE(ts.screen.isEnabled(QStringLiteral("Mnu_Debug")));
}

TEST(Startup, NoSystemRowMeansToday)
{
    TestStation ts;
    Exec(ts.st.Db, QStringLiteral("DELETE FROM 시스템"));
    Load_FormLayout(ts.st);
    EXPECT_EQ(ts.st.DataRefreshDate, QStringLiteral("2026-01-05"));
}

TEST(Startup, PeriodTotalsOfTheOpenPeriod)
{
    TestStation ts;
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 0, 일반권출차수 = 0, 금액 = 0"));
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 일반권입차수 = 3, 일반권출차수 = 2, 금액 = 1500 WHERE 일련번호 = "
                                  "(SELECT MIN(일련번호) FROM 시간대별)"));
    ShowPeriodTotals(ts.st);
    for (const auto& [control, text] : {std::pair{"WName", "관리자"}, {"LCnt_0", "3"}, {"LCnt_1", "2"}, {"LCnt_7", "1500"}})
        EXPECT_EQ(ts.screen.text(QString::fromUtf8(control)), QString::fromUtf8(text)) << control;
    Exec(ts.st.Db, QStringLiteral("UPDATE 시간대별 SET 정산여부 = 1"));
    ShowPeriodTotals(ts.st);
    EXPECT_EQ(ts.screen.text(QStringLiteral("LCnt_0")), QString()) << "a settled period counts nothing";
}

TEST(Startup, ASecondStationOnTheSameFolderTouchesNothing)
{
    TestStation first(TestStation::Db::None);
    ASSERT_FALSE(Startup_Load(first.st, [] {}));
    TestStation second(TestStation::Db::None);
    second.st.AppPath = first.st.AppPath;
    Touch(first.path(QStringLiteral("Data/Park.bak")));
    const auto end = Startup_Load(second.st, [] { FAIL() << "no main screen"; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    ASSERT_EQ(second.msgs.shown.size(), 1u);
    EXPECT_TRUE(second.msgs.shown[0].text.contains(first.st.AppPath)) << second.msgs.shown[0].text.toStdString();
    EXPECT_TRUE(QFile::exists(first.path(QStringLiteral("Data/Park.bak")))) << "the running station's folder is untouched";
    EXPECT_NO_THROW(Exec(first.st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-06")}));
}
TEST(Startup, AnEmptyLockFileAPowerCutLeftIsTakenOverUnlessAStationHoldsIt)
{
    for (const bool held : {false, true}) {
        SCOPED_TRACE(held);
        TestStation ts(TestStation::Db::None);
        QFile lock(ts.path(QStringLiteral("Tolvo.lock")));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));  // made, nothing written yet
        if (held) {
            ASSERT_EQ(::flock(lock.handle(), LOCK_EX | LOCK_NB), 0);
        }
        const auto end = Startup_Load(ts.st, [] {});
        EXPECT_EQ(end.has_value(), held);
        ASSERT_EQ(ts.msgs.shown.size(), held ? 1u : 0u);
        if (held) {
            EXPECT_TRUE(ts.msgs.shown[0].text.startsWith(QStringLiteral("프로그램이 이미 실행 중입니다.")));
        }
    }
}

TEST(Startup, AReadOnlyProgramFolderWithALockLeftByACrashSaysTheFolderCannotBeWritten)
{
    TestStation ts(TestStation::Db::None);
    tolvo::test::SmallDisk disk(ts.st.AppPath);
    if (!disk.ok()) GTEST_SKIP() << "needs root for a tmpfs in a mount namespace";
    // A station that died holding the lock (its process is gone), then the disk read-only.
    const pid_t crashed = ::fork();
    if (crashed == 0) {
        QLockFile lock(ts.path(QStringLiteral("Tolvo.lock")));
        ::_exit(lock.tryLock() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(crashed, &status, 0), crashed);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    ASSERT_TRUE(QFile::exists(ts.path(QStringLiteral("Tolvo.lock"))));
    ASSERT_TRUE(disk.readOnly(true));

    const auto end = Startup_Load(ts.st, [] { FAIL() << "no main screen"; });
    ASSERT_TRUE(end);
    EXPECT_NE(*end, 0);
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const QString text = ts.msgs.shown[0].text;
    EXPECT_TRUE(text.startsWith(QStringLiteral("프로그램 폴더에 쓸 수 없습니다."))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("이미 실행 중"))) << text.toStdString();
}

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


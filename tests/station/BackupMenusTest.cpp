#include "common/TestStation.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "station/BackupMenus.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void AddTicket(TestStation& ts, const QString& no, const QString& car)
{
    Exec(ts.st.Db, QStringLiteral("INSERT INTO 정기권 (정기권번호, 차량번호, 입차수) VALUES (?, ?, ?)"), {no, car, 3});
}

QStringList Tickets(const QSqlDatabase& db, const QString& schema = QStringLiteral("main"))
{
    QStringList out;
    QSqlQuery q = Query(db, QStringLiteral("SELECT 정기권번호 || '/' || 차량번호 FROM %1.정기권 ORDER BY 정기권번호").arg(schema));
    while (q.next()) out << q.value(0).toString();
    return out;
}

QStringList MasterTickets(TestStation& ts)
{
    Attachment m(ts.st.Db, DBase::MasterPath(ts.st), QStringLiteral("m"));
    return Tickets(ts.st.Db, QStringLiteral("m"));
}

struct CopyRig {
    CopyRig()
    {
        ts.st.worker.WorkerName = QStringLiteral("관리자");
        ts.clock.setNow(QDateTime(QDate(2006, 7, 1), QTime(9, 30, 0)));
    }
    TestStation ts;
};

} // namespace

TEST(BackupMenus, BackupThenRestoreBringsBackTheRows)
{
    CopyRig r;
    AddTicket(r.ts, QStringLiteral("0000000001"), QStringLiteral("12가3456"));
    AddTicket(r.ts, QStringLiteral("0000000002"), QStringLiteral("서울1234"));
    r.ts.msgs.msgBoxAnswers = {vbOK, vbOK};
    SeasonTickets_Backup(r.ts.st);
    EXPECT_EQ(MasterTickets(r.ts), Tickets(r.ts.st.Db));
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 정기권백업기록 FROM 시스템")).toString(),
              QStringLiteral("2006-07-01 09:30:00 에 관리자에 의해 최종적으로 백업된 자료입니다."));
    ASSERT_EQ(r.ts.msgs.shown.size(), 2u);
    EXPECT_EQ(r.ts.msgs.shown[1].text, QStringLiteral("정기권자료가 마스터 데이터 베이스에 백업이 완료되었습니다."));
    EXPECT_EQ(r.ts.msgs.shown[1].style, vbInformation);

    // Registered after the backup: lost by the restore. Removed: back again.
    AddTicket(r.ts, QStringLiteral("0000000003"), QStringLiteral("새차"));
    Exec(r.ts.st.Db, QStringLiteral("DELETE FROM 정기권 WHERE 정기권번호 = ?"), {QStringLiteral("0000000001")});
    r.ts.msgs.clear();
    r.ts.msgs.msgBoxAnswers = {vbOK, vbOK};
    SeasonTickets_Restore(r.ts.st);
    EXPECT_EQ(Tickets(r.ts.st.Db), (QStringList{"0000000001/12가3456", "0000000002/서울1234"}));
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 입차수 FROM 정기권 WHERE 정기권번호 = '0000000001'")).toInt(), 3);
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 정기권복구기록 FROM 시스템")).toString(),
              QStringLiteral("2006-07-01 09:30:00 에 관리자에 의해 최종적으로 복구된 자료입니다."));
    // The question shows the backup's note, never the restore's.
    ASSERT_GE(r.ts.msgs.shown.size(), 2u);
    EXPECT_TRUE(r.ts.msgs.shown[0].text.startsWith(
        QStringLiteral("2006-07-01 09:30:00 에 관리자에 의해 최종적으로 백업된 자료입니다.\r\r이기능은")));
    EXPECT_EQ(r.ts.msgs.shown[0].style, vbOKCancel | vbInformation);
    EXPECT_EQ(r.ts.msgs.shown[1].text,
              QStringLiteral("정기권자료가 최근에 백업된 마스터 데이터 베이스의 내용으로 복구되었습니다.\r\r프로그램을 종료후 재실행 하십시요!"));
    EXPECT_EQ(r.ts.screen.unloaded, 1);
    EXPECT_TRUE(r.ts.screen.timerOn) << "the worker declined to quit: the timer runs again";
    EXPECT_FALSE(r.ts.st.StationBusy);
}

TEST(BackupMenus, CancelChangesNothing)
{
    CopyRig r;
    AddTicket(r.ts, QStringLiteral("0000000001"), QStringLiteral("A"));
    const QStringList master = MasterTickets(r.ts);
    Exec(r.ts.st.Db, QStringLiteral("UPDATE 시스템 SET 정기권백업기록 = NULL"));
    SeasonTickets_Backup(r.ts.st); // unanswered: Cancel
    ASSERT_EQ(r.ts.msgs.shown.size(), 1u); // the first question starts with the (empty) backup note
    EXPECT_EQ(r.ts.msgs.shown[0].text, QStringLiteral("\r\r현재까지 등록된 정기권자료를 마스터 데이터 베이스에 백업을 하시겠습니까?"));
    EXPECT_EQ(MasterTickets(r.ts), master);
    SeasonTickets_Restore(r.ts.st);
    EXPECT_EQ(Tickets(r.ts.st.Db), QStringList{"0000000001/A"});
    EXPECT_EQ(r.ts.screen.unloaded, 0);
    EXPECT_TRUE(r.ts.screen.timerOn);
}

TEST(BackupMenus, MissingMasterOrAFolderOfThatName)
{
    for (const bool folder : {false, true}) {
        CopyRig r;
        AddTicket(r.ts, QStringLiteral("0000000001"), QStringLiteral("A"));
        ASSERT_TRUE(QFile::remove(DBase::MasterPath(r.ts.st)));
        if (folder) {
            ASSERT_TRUE(QDir().mkpath(DBase::MasterPath(r.ts.st)));
        }
        r.ts.msgs.msgBoxAnswers = {vbOK, vbOK, vbOK};
        SeasonTickets_Backup(r.ts.st);
        SeasonTickets_Restore(r.ts.st);
        ASSERT_EQ(r.ts.msgs.shown.size(), 2u);
        const QString text = QStringLiteral("마스터 화일이 존재하지 않습니다.\r프로그램을 종료하고 다시 실행하면 마스터 화일을 생성합니다.");
        EXPECT_EQ(r.ts.msgs.shown[0].text, text);
        EXPECT_EQ(r.ts.msgs.shown[0].title, QStringLiteral("데이터 백업오류"));
        EXPECT_EQ(r.ts.msgs.shown[0].style, vbCritical);
        EXPECT_EQ(r.ts.msgs.shown[1].title, QStringLiteral("데이터 복구오류"));
        EXPECT_EQ(Tickets(r.ts.st.Db), QStringList{"0000000001/A"});
        EXPECT_EQ(folder, QDir(DBase::MasterPath(r.ts.st)).exists()) << "nothing created in its place";
    }
}

TEST(BackupMenus, FailedRestoreKeepsTheLiveRows)
{
    CopyRig r;
    AddTicket(r.ts, QStringLiteral("0000000001"), QStringLiteral("A"));
    {
        Attachment m(r.ts.st.Db, DBase::MasterPath(r.ts.st), QStringLiteral("m"));
        Exec(r.ts.st.Db, QStringLiteral("DROP TABLE m.정기권"));
    }
    r.ts.msgs.msgBoxAnswers = {vbOK, vbOK};
    SeasonTickets_Restore(r.ts.st);
    EXPECT_EQ(Tickets(r.ts.st.Db), QStringList{"0000000001/A"});
    ASSERT_EQ(r.ts.msgs.shown.size(), 2u);
    EXPECT_EQ(r.ts.msgs.shown[1].title, QStringLiteral("데이터 복구오류"));
    EXPECT_EQ(r.ts.msgs.shown[1].style, vbCritical);
    EXPECT_EQ(r.ts.screen.unloaded, 0);
    EXPECT_TRUE(r.ts.screen.timerOn);
    EXPECT_FALSE(r.ts.value(QStringLiteral("SELECT 정기권복구기록 FROM 시스템"))
                     .toString()
                     .contains(QStringLiteral("복구된 자료")));
}

TEST(BackupMenus, FailedBackupKeepsTheMasterRows)
{
    CopyRig r;
    AddTicket(r.ts, QStringLiteral("0000000001"), QStringLiteral("A"));
    r.ts.msgs.msgBoxAnswers = {vbOK, vbOK};
    SeasonTickets_Backup(r.ts.st);
    {
        // The master refuses one row in the middle of the copy.
        Attachment m(r.ts.st.Db, DBase::MasterPath(r.ts.st), QStringLiteral("m"));
        Exec(r.ts.st.Db, QStringLiteral("CREATE TRIGGER m.refuse BEFORE INSERT ON 정기권 WHEN NEW.정기권번호 = "
                                        "'0000000009' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    }
    AddTicket(r.ts, QStringLiteral("0000000009"), QStringLiteral("B"));
    const QVariant stamp = r.ts.value(QStringLiteral("SELECT 정기권백업기록 FROM 시스템"));
    r.ts.clock.advanceSecs(60);
    r.ts.msgs.clear();
    r.ts.msgs.msgBoxAnswers = {vbOK, vbOK};
    SeasonTickets_Backup(r.ts.st);
    ASSERT_EQ(r.ts.msgs.shown.size(), 2u);
    EXPECT_EQ(r.ts.msgs.shown[1].style, vbCritical);
    EXPECT_EQ(r.ts.msgs.shown[1].title, QStringLiteral("데이터 백업오류"));
    EXPECT_EQ(MasterTickets(r.ts), QStringList{"0000000001/A"});
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT 정기권백업기록 FROM 시스템")), stamp);
}

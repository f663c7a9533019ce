// The station killed (SIGKILL) after each durable step of the night's archive move,
// then started again on the same folder: every row is in exactly one file.

#include "common/TestStation.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// The key column of each table's rows, over the live file and every archive in Backup.
QStringList AllRows(const TestStation& ts, const QString& table, const QString& field, const QString& prefix)
{
    QStringList out;
    const auto collect = [&](const QSqlDatabase& db) {
        QSqlQuery q = Query(db, QStringLiteral("SELECT %1 FROM %2").arg(Id(field), Id(table)));
        while (q.next()) out << q.value(0).toString();
    };
    collect(ts.st.Db);
    for (const QString& f : QDir(ts.st.ArchiveDir).entryList({prefix + QStringLiteral("*.mdb")}, QDir::Files)) {
        ScopedConnection c(ts.st.ArchiveDir + f, true);
        collect(c.db());
    }
    out.sort();
    return out;
}

// Runs the archive in a child process that kills itself right after `step`.
// True when the child died by the kill.
bool KilledAfter(TestStation& ts, ArchiveStep step)
{
    ts.CloseDatabase();
    const pid_t child = ::fork();
    if (child == 0) {
        DBase::DataBase_Open(ts.st);
        Archive_DayDataSteps(ts.st, [step](ArchiveStep s) {
            if (s == step) ::kill(::getpid(), SIGKILL);
        });
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

} // namespace

TEST(ArchiveCrash, AKillAtEveryStepOfTheMoveLeavesEachRowInOneFile)
{
    // Two passages alike in every field: both are kept, once each.
    const QStringList tickets{"0001200606301000", "0002200606301000", "0003200606301000", "0004200606301000"};
    const QStringList cards{"0000000001", "0000000002", "0000000002", "0000000003", "0000000004"};
    for (int step = int(ArchiveStep::Marking); step <= int(ArchiveStep::Unmarked); ++step) {
        SCOPED_TRACE(step);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2006, 7, 1), QTime(0, 0, 1)));
        for (int i = 0; i < tickets.size(); ++i)  // the last one is not settled: it stays live
            Insert(ts.st.Db, "일반권", {{"티켓번호", tickets[i].left(4)}, {"입차코드", tickets[i]}, {"출차일", "2006-06-30"},
                                       {"정산구분", i < 3}, {"전송여부", true}});
        for (int i = 0; i < cards.size(); ++i)   // the first is still inside: it stays live
            Insert(ts.st.Db, "정기권입출차", {{"정기권번호", cards[i]}, {"입출상태", i == 0 ? "정상입차" : "정상출차"},
                                             {"출차일자", i == 0 ? "" : "2006-06-30"}, {"입출구분", false}});

        ASSERT_TRUE(KilledAfter(ts, ArchiveStep(step)));
        // The next start (its database part and the resume), then the day's archive the timer runs again.
        ASSERT_EQ(DBase::DataBase_Startup(ts.st), std::nullopt);
        Archive_Resume(ts.st);
        EXPECT_EQ(AllRows(ts, "일반권", "입차코드", "i"), tickets);
        EXPECT_EQ(AllRows(ts, "정기권입출차", "정기권번호", "j"), cards);
        // The start finishes a marked move; no half-made file, journal or marker is left.
        const QStringList pair{"i20060630.mdb", "j20060630.mdb"};
        const QStringList left = QDir(ts.st.ArchiveDir).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left, step < int(ArchiveStep::Marked) ? QStringList() : pair);
        EXPECT_TRUE(Archive_DayData(ts.st));
        EXPECT_EQ(QDir(ts.st.ArchiveDir).entryList(QDir::Files | QDir::Hidden), pair);
        EXPECT_EQ(AllRows(ts, "일반권", "입차코드", "i"), tickets);
        EXPECT_EQ(AllRows(ts, "정기권입출차", "정기권번호", "j"), cards);
        EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 일반권").toInt(), 1);
        EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 정기권입출차").toInt(), 1);
    }
}

TEST(ArchiveCrash, AMarkerWithoutItsCheckIsSetAsideByTheStartAndTrustedInNothing)
{
    // A file made by hand holds a ticket still live: no move of the station wrote it.
    TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2006, 7, 1), QTime(0, 0, 1)));
    Insert(ts.st.Db, "일반권", {{"입차코드", "0001200606301000"}, {"출차일", "2006-06-30"}, {"정산구분", true},
                               {"전송여부", true}});
    DBase::Create_IlbanArchive(ts.path("Backup/i20060629.mdb"));
    {
        ScopedConnection c(ts.path("Backup/i20060629.mdb"));
        Insert(c.db(), "일반권", {{"입차코드", "0001200606301000"}, {"출차일", "2006-06-30"}, {"정산구분", true}});
    }
    QFile marker(ts.path("Backup/archive.moving"));
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("i20060629.mdb\nj20060629.mdb\n");
    marker.close();
    ts.CloseDatabase();

    ASSERT_EQ(DBase::DataBase_Startup(ts.st), std::nullopt);
    EXPECT_TRUE(Archive_Resume(ts.st));
    EXPECT_FALSE(marker.exists());
    EXPECT_TRUE(QFileInfo::exists(ts.path("Backup/archive.moving.damaged-20060701-000001")));
    EXPECT_EQ(ts.count("일반권"), 1);
    // The day's run takes the live ticket into its own day's file.
    EXPECT_TRUE(Archive_DayData(ts.st));
    EXPECT_EQ(ts.count("일반권"), 0);
    EXPECT_EQ(AllRows(ts, "일반권", "입차코드", "i20060630"), QStringList({"0001200606301000"}));
}

// The station killed (SIGKILL) at the change of day after each step of the day's
// archive move, then started again on the same folder: the day's rows end in that
// day's files and nowhere else, and the record lists of that day show them. The
// same with Backup on a small disk that fails and is mended while the station runs,
// with a damaged marker, and with a passage alike to a moved one added after the kill.

#include "common/SmallDisk.h"
#include "common/TestStation.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "season/RecordLists.h"
#include "station/Startup.h"
#include "station/Timer1.h"

#include <QDir>
#include <QLockFile>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvo;
using tolvo::test::SmallDisk;
using tolvo::test::TestStation;

namespace {

const QDateTime kMidnight(QDate(2026, 5, 21), QTime(0, 0, 0));

QStringList Column(const QSqlDatabase& db, const QString& table, const QString& field)
{
    QStringList out;
    QSqlQuery q = Query(db, QStringLiteral("SELECT %1 FROM %2 ORDER BY %1").arg(Id(field), Id(table)));
    while (q.next()) out << q.value(0).toString();
    return out;
}

QStringList Archived(const TestStation& ts, const QString& file, const QString& table, const QString& field)
{
    if (!QFileInfo::exists(ts.path("Backup/" + file))) return {QStringLiteral("(no file)")};
    ScopedConnection c(ts.path("Backup/" + file), true);
    return Column(c.db(), table, field);
}

// A station on 2026-05-20 with that day's exits and passages, one open ticket and one car inside.
void FillTheDay(TestStation& ts)
{
    for (const char* code : {"0001202605200900", "0002202605201000", "0003202605201100", "0004202605201200"}) {
        const bool settled = QByteArray(code).left(4) != "0004";  // not settled: stays live
        Insert(ts.st.Db, "일반권", {{"티켓번호", QString(code).left(4)}, {"입차일", "2026-05-20"}, {"입차시간", "09:00"},
                                   {"입차코드", code}, {"출차일", "2026-05-20"}, {"출차시간", "12:30"},
                                   {"실수령금액", 1000}, {"정산구분", settled}, {"전송여부", true}});
    }
    // Two passages alike in every field are two passages; the first card is still inside.
    const struct { const char* card; const char* verdict; const char* out; } passages[] = {
        {"0000000001", "정상입차", ""}, {"0000000002", "정상출차", "2026-05-20"},
        {"0000000002", "정상출차", "2026-05-20"}, {"0000000003", "정상출차", "2026-05-20"},
        {"0000000004", "중복입차", ""}};
    for (const auto& p : passages)
        Insert(ts.st.Db, "정기권입출차", {{"입차일자", "2026-05-20"}, {"입차시간", "08:00"}, {"출차일자", p.out},
                                         {"출차시간", "18:00"}, {"입출상태", p.verdict}, {"정기권번호", p.card},
                                         {"입출구분", false}});
    // A closed hour the day's pruning removes (12 months kept), and the lost-ticket number in use.
    Insert(ts.st.Db, "시간대별", {{"시간대", 1}, {"정산여부", true}, {"종료일시", "2025-05-20 10:00"}, {"전송여부", true}});
    Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = '2026-05-20'"));
    Write_Ini(ts.st.IniPath, "시스템", "분실권번호", "9012");
    // Cancellations are kept for two days: one of 2026-05-18 goes with the day's pruning.
    Write_Ini(ts.st.IniPath, "시스템", "자료기록", "1");
    Write_Ini(ts.st.IniPath, "시스템", "취소자료보관", "2");
    ts.st.settings.KeepRecords = true;
    Insert(ts.st.Db, "출차취소", {{"입차코드", "old"}, {"종료일시", "2026-05-18 20:00"}, {"전송여부", true}});
    Insert(ts.st.Db, "출차취소", {{"입차코드", "kept"}, {"종료일시", "2026-05-20 20:00"}, {"전송여부", true}});
}

// The station crosses midnight in a child process that kills itself right after `step`.
bool KilledAtMidnightAfter(TestStation& ts, ArchiveStep step)
{
    ts.CloseDatabase();
    const pid_t child = ::fork();
    if (child == 0) {
        DBase::DataBase_Open(ts.st);
        ts.st.DataRefreshDate = QStringLiteral("2026-05-20");
        ts.st.routines.ArchiveDay = [step](Station& s) {
            return Archive_DayDataSteps(s, [step](ArchiveStep at) {
                if (at == step) ::kill(::getpid(), SIGKILL);
            });
        };
        ts.clock.setNow(kMidnight);
        Timer1_Tick(ts.st);
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The next start, as a new process (nothing read yet), and the main timer's first tick.
void StartAgain(TestStation& ts, const QDateTime& at)
{
    ts.clock.setNow(at);
    ts.st.ProgramLock.reset();
    ts.st.IniPath.clear();
    ts.st.settings = Settings{};
    ASSERT_EQ(Startup_Load(ts.st, [] {}), std::nullopt);
    ts.st.DataRefreshDate = ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString();
    ts.clock.advanceSecs(1);
    Timer1_Tick(ts.st);
}

} // namespace

TEST(ArchiveKill, AKillAtEachStepOfTheMoveLeavesTheDaysRowsInTheDaysFilesAfterTheNextStart)
{
    const QStringList tickets{"0001202605200900", "0002202605201000", "0003202605201100"};
    const QStringList cards{"0000000002", "0000000002", "0000000003", "0000000004"};
    for (int step = int(ArchiveStep::Marking); step <= int(ArchiveStep::Unmarked); ++step) {
        SCOPED_TRACE(step);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        FillTheDay(ts);
        ASSERT_TRUE(KilledAtMidnightAfter(ts, ArchiveStep(step)));
        StartAgain(ts, kMidnight.addSecs(20));

        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"), tickets);
        EXPECT_EQ(Archived(ts, "j20260520.mdb", "정기권입출차", "정기권번호"), cards);
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), QStringList({"0004202605201200"}));
        EXPECT_EQ(Column(ts.st.Db, "정기권입출차", "정기권번호"), QStringList({"0000000001"}));
        EXPECT_EQ(QDir(ts.st.ArchiveDir).entryList(QDir::Files | QDir::Hidden),
                  QStringList({"i20260520.mdb", "j20260520.mdb"}));
        EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-05-21");
        EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", ""), "9000");
        EXPECT_EQ(ts.value(QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 종료일시 = '2025-05-20 10:00'")).toInt(), 0);
        EXPECT_EQ(Column(ts.st.Db, "출차취소", "입차코드"), QStringList({"kept"}));

        // The record lists of that day read its files.
        const DayRows exits = LoadDayRows(ts.st, QStringLiteral("2026-05-20"), kIlbanPrefix, kIlOutSql);
        EXPECT_EQ(exits.source, DaySource::Archive);
        EXPECT_EQ(exits.rows.count(), 3);
        const DayRows passages = LoadDayRows(ts.st, QStringLiteral("2026-05-20"), kJungPrefix, kJioOutSql);
        EXPECT_EQ(passages.source, DaySource::Archive);
        EXPECT_EQ(passages.rows.count(), 3);
        EXPECT_TRUE(ts.msgs.shown.empty());

        // The next day's file takes only the next day's rows.
        Insert(ts.st.Db, "일반권", {{"입차코드", "0005202605210800"}, {"출차일", "2026-05-21"}, {"정산구분", true},
                                   {"전송여부", true}});
        ts.clock.setNow(kMidnight.addDays(1));
        Timer1_Tick(ts.st);
        EXPECT_EQ(Archived(ts, "i20260521.mdb", "일반권", "입차코드"), QStringList({"0005202605210800"}));
        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"), tickets);
    }
}

TEST(ArchiveKill, ADayWhoseMoveFailedTakesOnlyItsOwnRowsOnceTheDiskIsMendedAMidnightLater)
{
    // Backup fills up but for the marker at the first midnight and is mended on the last day.
    const struct { const char* name; int killedAfter; int failedNights; } rows[] = {
        {"the move fails at midnight", 0, 1},
        {"killed after the copy, the start-up resume fails", int(ArchiveStep::IlbanCopied), 1},
        {"the next midnight fails too", 0, 2},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        FillTheDay(ts);
        SmallDisk disk(ts.st.ArchiveDir);
        if (!disk.ok()) GTEST_SKIP() << "needs root for a tmpfs in a mount namespace";
        if (r.killedAfter) ASSERT_TRUE(KilledAtMidnightAfter(ts, ArchiveStep(r.killedAfter)));
        disk.fill(8192);
        if (r.killedAfter) {
            StartAgain(ts, kMidnight.addSecs(20));
        } else {
            ts.st.DataRefreshDate = QStringLiteral("2026-05-20");
            ts.clock.setNow(kMidnight);
            Timer1_Tick(ts.st);
        }
        EXPECT_TRUE(ts.screen.text("PnlMsg").contains("실패")) << ts.screen.text("PnlMsg").toStdString();
        EXPECT_TRUE(QFileInfo::exists(ts.path("Backup/archive.moving")));
        EXPECT_FALSE(QFileInfo::exists(ts.path("Backup/j20260520.mdb")));

        // The station runs on: the open ticket of the 20th settled on the 21st, an exit and a passage each day.
        Exec(ts.st.Db, QStringLiteral("UPDATE 일반권 SET 정산구분 = 1 WHERE 입차코드 = '0004202605201200'"));
        for (int night = 1; night <= r.failedNights; ++night) {
            const QString day = FormatDate(kMidnight.date().addDays(night - 1)), n = QString::number(4 + night);
            Insert(ts.st.Db, "일반권", {{"입차코드", "000" + n + QString(day).remove('-') + "0800"}, {"출차일", day},
                                       {"정산구분", true}, {"전송여부", true}});
            Insert(ts.st.Db, "정기권입출차", {{"출차일자", day}, {"입출상태", "정상출차"}, {"정기권번호", "000000000" + n}});
            if (night == r.failedNights) disk.restore();
            ts.clock.setNow(kMidnight.addDays(night));
            Timer1_Tick(ts.st);
        }
        EXPECT_EQ(ts.screen.text("PnlMsg"), QString());
        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"),
                  QStringList({"0001202605200900", "0002202605201000", "0003202605201100"}));
        EXPECT_EQ(Archived(ts, "j20260520.mdb", "정기권입출차", "정기권번호"),
                  QStringList({"0000000002", "0000000002", "0000000003", "0000000004"}));
        EXPECT_EQ(Archived(ts, "i20260521.mdb", "일반권", "입차코드"), QStringList({"0004202605201200", "0005202605210800"}));
        EXPECT_EQ(Archived(ts, "j20260521.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000005"}));
        if (r.failedNights == 2) {
            EXPECT_EQ(Archived(ts, "i20260522.mdb", "일반권", "입차코드"), QStringList({"0006202605220800"}));
            EXPECT_EQ(Archived(ts, "j20260522.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000006"}));
        }
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), QStringList());
        EXPECT_EQ(Column(ts.st.Db, "정기권입출차", "정기권번호"), QStringList({"0000000001"}));
        EXPECT_FALSE(QFileInfo::exists(ts.path("Backup/archive.moving")));
        EXPECT_EQ(LoadDayRows(ts.st, QStringLiteral("2026-05-21"), kIlbanPrefix, kIlOutSql).rows.count(), 2);
    }
}

// What befell the station around a kill, beyond the kill itself.
enum class Twist {
    None,
    ClockAheadOnce,      // a night archived with the clock months ahead, before
    DayOutOfOrder,       // the day's file out of reach until the next day was archived
    AppendedSeasonFile,  // the day's season file there before its move, holding a passage alike to the listed one
    ClockBehind,         // started again with the clock two days behind
    StrayLine,           // a line added to the marker after the kill
};

void Befall(TestStation& ts, Twist twist)
{
    switch (twist) {
    case Twist::DayOutOfOrder: {
        const QString file = ts.path("Backup/i20260520.mdb");
        ASSERT_TRUE(QFile::rename(file, file + ".away") && QDir().mkdir(file));
        StartAgain(ts, QDateTime(QDate(2026, 5, 22), QTime(0, 0, 20)));  // the 21st archived, the 20th still marked
        ts.CloseDatabase();
        ASSERT_TRUE(QDir().rmdir(file) && QFile::rename(file + ".away", file));
        break;
    }
    case Twist::StrayLine: {
        QFile f(ts.path("Backup/archive.moving"));
        ASSERT_TRUE(f.open(QIODevice::Append) && f.write("i20260520.mdb\n") > 0);
        break;
    }
    default:  // the others befall before the kill or at the restart
        break;
    }
}

TEST(ArchiveKill, AResumeTakesEachListedRowOnceAndADamagedMarkerIsSetAside)
{
    const QStringList cards{"0000000002", "0000000002", "0000000003", "0000000004"}, one{"0000000003"};
    const QStringList inside{"0000000001"}, twin{"0000000001", "0000000003"}, twice{"0000000003", "0000000003"};
    const QStringList tickets{"0001202605200900", "0002202605201000", "0003202605201100"};
    const struct { const char* name; const char* marker; ArchiveStep killedAfter; bool onePassage, beforeNotes;
                   Twist twist; QStringList live, archived; } rows[] = {
        {"a day later than today", "i20991231.mdb\nj20991231.mdb\n", {}, false, false, {}, inside, cards},
        {"a count too large for a number", "i20260520.mdb\nj20260520.mdb\nrows 99999999999 0\n", {}, false, false, {},
         inside, cards},
        {"a count that does not parse", "i20260520.mdb\nj20260520.mdb\nrows 1x 0\n", {}, false, false, {}, inside, cards},
        // Killed once the passages left the live file; a passage alike to one of them is another passage.
        {"a live passage alike to a moved one", nullptr, ArchiveStep::JungRemoved, false, false, {}, twin, cards},
        {"the same in files without notes", nullptr, ArchiveStep::JungRemoved, false, true, {}, twin, cards},
        {"the one passage listed has left the live file", nullptr, ArchiveStep::JungRemoved, true, false, {}, twin, one},
        {"the one passage listed is copied, not yet removed", nullptr, ArchiveStep::JungCopied, true, false, {}, twin, one},
        {"one passage in files without notes", nullptr, ArchiveStep::JungRemoved, true, true, {}, twin, one},
        {"a clock once ahead", nullptr, ArchiveStep::IlbanCopied, false, false, Twist::ClockAheadOnce, twin, cards},
        {"days finished out of order", nullptr, ArchiveStep::IlbanCopied, false, false, Twist::DayOutOfOrder, twin, cards},
        {"an appended season file holding a passage alike", nullptr, ArchiveStep::IlbanCopied, true, false,
         Twist::AppendedSeasonFile, twin, twice},
        // The passage stored after the kill goes with the clock's yesterday.
        {"a clock behind at the restart", nullptr, ArchiveStep::IlbanCreated, false, false, Twist::ClockBehind, inside,
         cards},
        // The passage stored after the kill goes with the day whose file the move cut short.
        {"a marker damaged after the copy", nullptr, ArchiveStep::IlbanCopied, false, false, Twist::StrayLine, inside,
         {"0000000002", "0000000002", "0000000003", "0000000003", "0000000004"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        if (r.twist == Twist::ClockAheadOnce) {
            ts.clock.setNow(QDateTime(QDate(2026, 9, 1), QTime(0, 0, 1)));
            ASSERT_TRUE(Archive_DayData(ts.st));
        }
        FillTheDay(ts);
        if (r.onePassage) Exec(ts.st.Db, "DELETE FROM 정기권입출차 WHERE 정기권번호 IN ('0000000002', '0000000004')");
        if (r.twist == Twist::AppendedSeasonFile) {
            DBase::Create_JungArchive(ts.path("Backup/j20260520.mdb"));
            Insert(ScopedConnection(ts.path("Backup/j20260520.mdb")).db(), "정기권입출차",
                   {{"입차일자", "2026-05-20"}, {"입차시간", "08:00"}, {"출차일자", "2026-05-20"}, {"출차시간", "18:00"},
                    {"입출상태", "정상출차"}, {"정기권번호", "0000000003"}, {"입출구분", false}});
        }
        QFile f(ts.path("Backup/archive.moving"));
        if (r.marker) {
            ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(r.marker) > 0 && f.flush());
        } else {
            ASSERT_TRUE(KilledAtMidnightAfter(ts, r.killedAfter));
            Befall(ts, r.twist);
            DBase::DataBase_Open(ts.st);
            Insert(ts.st.Db, "정기권입출차", {{"입차일자", "2026-05-20"}, {"입차시간", "08:00"}, {"출차일자", "2026-05-20"},
                   {"출차시간", "18:00"}, {"입출상태", "정상출차"}, {"정기권번호", "0000000003"}, {"입출구분", false}});
            if (r.beforeNotes) {  // a marker and files of a build that kept no step records
                Exec(ts.st.Db, "PRAGMA user_version = 0");
                Exec(ts.st.Db, "DROP TABLE IF EXISTS archive_steps");
                for (const char* file : {"Backup/i20260520.mdb", "Backup/j20260520.mdb"})
                    Exec(ScopedConnection(ts.path(file)).db(), "PRAGMA user_version = 0");
                ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                QByteArrayList lines = f.readAll().split('\n');
                f.close();
                lines.removeIf([](const QByteArray& l) { return l.startsWith("move ") || l.startsWith("check "); });
                ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(lines.join('\n')) > 0);
                f.close();
            }
        }
        ts.CloseDatabase();
        StartAgain(ts, r.twist == Twist::ClockBehind ? QDateTime(QDate(2026, 5, 19), QTime(0, 0, 20))
                                                     : kMidnight.addSecs(20));

        const bool damaged = r.marker || r.twist == Twist::StrayLine;
        const QStringList told = ts.screen.list1.filter("archive.moving");
        EXPECT_EQ(told, damaged ? QStringList{"자료 백업 표시 파일이 손상되어 archive.moving.damaged-20260521-000021 이름으로 "
                                              "따로 보관했습니다. 표시된 날의 남은 자료는 새 백업 파일에 함께 보관됩니다."}
                                : QStringList());
        EXPECT_EQ(ts.screen.text("PnlMsg"), told.value(0));
        const QStringList pair{"i20260520.mdb", "j20260520.mdb"};
        EXPECT_EQ(QDir(ts.st.ArchiveDir).entryList({"*20260520*", "archive.moving*"}, QDir::Files | QDir::Hidden),
                  damaged ? QStringList{"archive.moving.damaged-20260521-000021"} + pair : pair);
        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"), tickets);
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), QStringList({"0004202605201200"}));
        EXPECT_EQ(Archived(ts, "j20260520.mdb", "정기권입출차", "정기권번호"), r.archived);
        EXPECT_EQ(Column(ts.st.Db, "정기권입출차", "정기권번호"), r.live);
        // Cancellations kept two days: the 18th's goes with the 20th's pruning, the 20th's with the 21st's. With
        // the clock behind, the day's pruning waits for a day that is not later than today.
        const QStringList cancellations = r.twist == Twist::ClockBehind     ? QStringList{"kept", "old"}
                                          : r.twist == Twist::DayOutOfOrder ? QStringList{}
                                                                            : QStringList{"kept"};
        EXPECT_EQ(Column(ts.st.Db, "출차취소", "입차코드"), cancellations);
        ts.clock.setNow(kMidnight.addDays(1));  // told once
        Timer1_Tick(ts.st);
        EXPECT_EQ(ts.screen.list1.filter("archive.moving"), told);
        EXPECT_EQ(Archived(ts, "i20260521.mdb", "일반권", "입차코드"), QStringList());
    }
}

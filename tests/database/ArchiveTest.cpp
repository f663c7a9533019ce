#include "common/TestStation.h"
#include "database/Archive.h"
#include "database/ArchiveMarker.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/Ini.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

QStringList Column(const QSqlDatabase& db, const QString& table, const QString& field)
{
    QStringList out;
    QSqlQuery q = Query(db, QString("SELECT %1 FROM %2 ORDER BY %1").arg(Id(field), Id(table)));
    while (q.next()) out << q.value(0).toString();
    return out;
}

// A station on the night of 2006-07-01, one second after midnight.
struct NightStation : TestStation {
    explicit NightStation(const QDate& day = QDate(2006, 7, 1)) : TestStation(Db::Fresh, QDateTime(day, QTime(0, 0, 1))) {}
    // exitDate Null while the car is inside.
    void ticket(const QString& code, const QVariant& exitDate = "2006-06-30", bool settled = true, bool sent = true)
    {
        Insert(st.Db, "일반권", {{"티켓번호", code.left(4)}, {"입차일", "2006-06-30"}, {"입차시간", "10:00"},
                                 {"입차코드", code}, {"출차일", exitDate}, {"정산구분", settled},
                                 {"전송여부", sent}, {"할인구분", "현금출차"}, {"포스코드", 0}});
    }
    void passage(const QString& card, const QString& verdict, const QVariant& exitDate = "2006-06-30")
    {
        Insert(st.Db, "정기권입출차", {{"정기권번호", card}, {"입출상태", verdict}, {"출차일자", exitDate},
                                       {"입출구분", false}});
    }
    void closedHour(const QString& end, bool settled = true, bool sent = false, bool counted = false)
    {
        Insert(st.Db, "시간대별", {{"시간대", 1}, {"정산여부", settled}, {"종료일시", end}, {"전송여부", sent},
                                   {"데이터유무", counted}});
    }
    void cancellation(const QString& code, const QVariant& end, bool sent = true)
    {
        Insert(st.Db, "출차취소", {{"입차코드", code}, {"종료일시", end}, {"전송여부", sent}});
    }
    QStringList codes(const QString& table, const QString& field) const { return Column(st.Db, table, field); }
    QStringList archived(const QString& file, const QString& table, const QString& field) const
    {
        ScopedConnection c(path("Backup/" + file), true);
        return Column(c.db(), table, field);
    }
    qint64 hourRows(const QString& end) const
    {
        return value("SELECT COUNT(*) FROM 시간대별 WHERE 종료일시 = ?", {end}).toLongLong();
    }
    bool archive(const QString& file) const { return QFileInfo::exists(path("Backup/" + file)); }
};

} // namespace

TEST(Archive, OneNightMovesFinishedRowsAndKeepsTheRest)
{
    NightStation ts;
    ts.ticket("0001200606301000");                            // settled and sent: moves
    ts.ticket("0002200606301000", "2006-06-30", false);       // not settled: stays
    ts.ticket("0003200606301000", QVariant());                // still inside: stays
    ts.ticket("0004200606301000", "2006-06-30", true, false); // host has not got it: stays
    ts.passage("0000000001", "정상입차", QVariant());          // inside: stays
    ts.passage("0000000002", "정상입차", "");                  // inside: stays
    ts.passage("0000000003", "정상출차");                      // out: moves
    ts.passage("0000000004", "중복입차", QVariant());          // irregular: moves without an exit
    ts.passage("0000000005", "미등록", "");                    // irregular: moves

    Archive_DayData(ts.st);

    EXPECT_EQ(ts.archived("i20060630.mdb", "일반권", "입차코드"), QStringList({"0001200606301000"}));
    EXPECT_EQ(ts.codes("일반권", "입차코드"),
              QStringList({"0002200606301000", "0003200606301000", "0004200606301000"}));
    EXPECT_EQ(ts.archived("j20060630.mdb", "정기권입출차", "정기권번호"),
              QStringList({"0000000003", "0000000004", "0000000005"}));
    EXPECT_EQ(ts.codes("정기권입출차", "정기권번호"), QStringList({"0000000001", "0000000002"}));
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", ""), "9000");
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST(Archive, ArchivedRowKeepsEveryField)
{
    NightStation ts;
    Insert(ts.st.Db, "일반권",
           {{"티켓번호", "0007"}, {"입차일", "2006-06-30"}, {"입차시간", "08:05"}, {"출차일", "2006-06-30"},
            {"출차시간", "11:15"}, {"입차코드", "0007200606300805"}, {"총주차시간", "190"}, {"총주차요금", 4000},
            {"할인시간", 30}, {"실수령금액", 3000}, {"정산구분", true}, {"전송여부", true}, {"할인구분", ""},
            {"포스코드", 3}});
    QSqlQuery live = Query(ts.st.Db, "SELECT * FROM 일반권");
    ASSERT_TRUE(live.next());
    QVariantList before;
    for (int i = 0; i < 14; ++i) before << live.value(i);
    live.finish();
    Archive_DayData(ts.st);
    ScopedConnection c(ts.path("Backup/i20060630.mdb"), true);
    QSqlQuery q = Query(c.db(), "SELECT * FROM 일반권");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.record().count(), 14);
    for (int i = 0; i < 14; ++i) EXPECT_EQ(q.value(i), before[i]) << i;
    EXPECT_EQ(ts.count("일반권"), 0);
}

TEST(Archive, PrunesClosedHoursByMonths)
{
    // Retention below one month counts as one; the day's files are named after the day before the run.
    struct Row { const char* name; QDate run; int months; QString removed, kept, day; };
    const Row rows[] = {
        {"twelve months", {2006, 7, 1}, 12, "2005-07-01 23:59", "2005-07-02 00:00", "20060630"},
        {"clamped at month end", {2006, 3, 31}, 1, "2006-02-28 23:59", "2006-03-01 00:00", "20060330"},
        {"zero counts as one", {2006, 3, 31}, 0, "2006-02-28 23:59", "2006-03-01 00:00", "20060330"},
        {"negative counts as one", {2006, 3, 31}, -5, "2006-02-28 23:59", "2006-03-01 00:00", "20060330"},
        {"leap year", {2008, 3, 31}, 1, "2008-02-29 23:59", "2008-03-01 00:00", "20080330"},
        {"across the year", {2006, 1, 15}, 2, "2005-11-15 23:59", "2005-11-16 00:00", "20060114"},
        {"day before crosses the month end", {2006, 3, 1}, 12, "2005-03-01 23:59", "2005-03-02 00:00", "20060228"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        NightStation ts(r.run);
        Exec(ts.st.Db, "UPDATE 시스템 SET 자료보관기간 = ?", {r.months});
        ts.closedHour(r.removed);
        ts.closedHour(r.kept);
        ts.closedHour("2001-01-01 00:00", false); // open period: kept
        Archive_DayData(ts.st);
        EXPECT_EQ(ts.hourRows(r.removed), 0);
        EXPECT_EQ(ts.count("시간대별"), 24 + 2); // the open period of the creation is untouched
        EXPECT_EQ(ts.hourRows(r.kept) + ts.hourRows("2001-01-01 00:00"), 2);
        EXPECT_TRUE(ts.archive("i" + r.day + ".mdb") && ts.archive("j" + r.day + ".mdb"));
    }
}

TEST(Archive, PrunesCancellationsByDaysWhenRecordsAreKept)
{
    struct Row { const char* name; bool keep; const char* days; QStringList kept; };
    // c1 ends 2006-06-28 23:59, c2 2006-06-29 00:00, c3 2006-07-01 23:59, c4 2006-07-02 00:00, c5 never stamped
    const Row rows[] = {
        {"three days", true, "3", {"c2", "c3", "c4", "c5"}},
        {"retention missing means today", true, nullptr, {"c4", "c5"}},
        {"records not kept: untouched", false, "0", {"c1", "c2", "c3", "c4", "c5"}},
    };
    for (const Row& r : rows) {
        NightStation ts;
        ts.st.settings.KeepRecords = r.keep;
        if (r.days) Write_Ini(ts.st.IniPath, "시스템", "취소자료보관", r.days);
        ts.cancellation("c1", "2006-06-28 23:59");
        ts.cancellation("c2", "2006-06-29 00:00");
        ts.cancellation("c3", "2006-07-01 23:59");
        ts.cancellation("c4", "2006-07-02 00:00");
        ts.cancellation("c5", QVariant());
        Archive_DayData(ts.st);
        EXPECT_EQ(ts.codes("출차취소", "입차코드"), r.kept) << r.name;
    }
}

TEST(Archive, RemovesThePairOfFilesThatLeftTheRetention)
{
    // The pair of 2005-06-30 leaves 12 months' retention; each file's header names a move, and some hold that
    // move's record: made there (its copy not committed) or copied into. The live file's moves: 77 and 99 of
    // that day, 88 of the day after; 66 of that day, its removal committed. 99 is marked, its general file out
    // of reach (a folder), so its move fails. Letters name files of the pair: those kept, and those whose
    // removal by 77 committed.
    enum Record { NoRecord, Made, Copied };
    enum Befell { Nothing, Journal, Unreadable, RemovalFails, Marked };
    const struct {
        const char* name; int header; const char* kept; Record record = NoRecord; Befell befell = Nothing;
        const char* removed77 = "";
    } rows[] = {
        {"no move", 0, ""},
        {"a move this live file does not hold (another station's, or before a repair)", 555, ""},
        {"the same with a journal beside it", 555, "", NoRecord, Journal},
        {"a move of this live file whose removal committed", 66, ""},
        {"a move of this live file of another day", 88, ""},
        {"a move of this live file of that day, its removal not committed, no record of it", 77, "ij"},
        {"that move's copy committed, its removal failing again", 77, "ij", Copied, RemovalFails},
        {"its copy committed, its general removal too, its season one failing", 77, "j", Copied, RemovalFails, "i"},
        {"its copy committed, its season removal too, its general one failing", 77, "i", Copied, RemovalFails, "j"},
        {"that move cut short before its copy and marked no more", 77, "", Made},
        {"the same, the files unreadable", 77, "ij", Made, Unreadable},
        {"a marked day whose move fails, the files no move made", 0, "ij", NoRecord, Marked},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        NightStation ts;
        Exec(ts.st.Db, "CREATE TABLE archive_own_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, day TEXT)");
        Exec(ts.st.Db, "INSERT INTO archive_own_moves VALUES (77, 'a', '20050630'), (88, 'b', '20050701'), "
                       "(66, 'c', '20050630'), (99, 'd', '20050630')");
        Exec(ts.st.Db, "CREATE TABLE archive_steps (move INTEGER NOT NULL, letter TEXT NOT NULL, PRIMARY KEY (move, letter))");
        Exec(ts.st.Db, "INSERT INTO archive_steps VALUES (66, 'i'), (66, 'j')");
        for (const QChar letter : QString(r.removed77))
            Exec(ts.st.Db, "INSERT INTO archive_steps VALUES (77, ?)", {QString(letter)});
        for (const QString f : {"i20050630.mdb", "j20050630.mdb", "i20050701.mdb", "i20050629.mdb"}) {
            const QString file = ts.path("Backup/" + f);
            f[0] == 'i' ? DBase::Create_IlbanArchive(file) : DBase::Create_JungArchive(file);
            ScopedConnection c(file);
            if (r.record != NoRecord) {
                Exec(c.db(), "CREATE TABLE archive_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, first INTEGER, "
                             "last INTEGER, day TEXT, letter TEXT)");
                const QVariant copied = r.record == Copied ? QVariant(1) : QVariant();
                Exec(c.db(), "INSERT INTO archive_moves VALUES (?, 'a', ?, ?, ?, ?)",
                     {r.header, copied, copied, f.mid(1, 8), f.left(1)});
            }
            Exec(c.db(), QString("PRAGMA user_version = %1").arg(r.header));
        }
        const QString pair[] = {ts.path("Backup/i20050630.mdb"), ts.path("Backup/j20050630.mdb")};
        if (r.befell == Journal) {
            QFile journal(pair[0] + "-journal");
            ASSERT_TRUE(journal.open(QIODevice::WriteOnly) && journal.write("left by a kill") > 0);
        }
        if (r.befell == Unreadable) {
            for (const QString& file : pair) {  // a page size no engine writes: not a database
                QFile f(file);
                ASSERT_TRUE(f.open(QIODevice::ReadWrite) && f.seek(16) && f.write("\0\3", 2) == 2);
            }
        }
        if (r.befell == RemovalFails)
            Exec(ts.st.Db, "CREATE TEMP TRIGGER no_removal BEFORE INSERT ON main.archive_steps WHEN new.move = 77 "
                           "BEGIN SELECT RAISE(ABORT, 'locked'); END");
        if (r.befell == Marked) {
            ASSERT_TRUE(QFile::remove(pair[0]) && QDir().mkdir(pair[0]));
            WriteMarker(ts.path("Backup/archive.moving"), {{QDate(2005, 6, 30), 99, {}}}, {});
        }
        EXPECT_EQ(Archive_DayData(ts.st), r.befell != RemovalFails && r.befell != Marked);
        EXPECT_EQ(ts.archive("i20050630.mdb"), QString(r.kept).contains('i'));
        EXPECT_EQ(ts.archive("j20050630.mdb"), QString(r.kept).contains('j'));
        EXPECT_FALSE(ts.archive("i20050630.mdb-journal"));
        EXPECT_TRUE(ts.archive("i20050701.mdb") && ts.archive("i20050629.mdb"));
    }
}

TEST(Archive, KeepsAFileWhoseMoveItFinishedThatNight)
{
    // A passage copied into the year-old day's file by a move cut short there and then. The same number
    // drawn with another token is another move's: nothing leaves against its file, and the passage goes
    // with the night's own file; so does a file whose record was made for another day's or letter's name.
    const struct { const char* token; QStringList night; const char* recordDay = "20050630"; const char* letter = "j"; } rows[] = {
        {"seventy-seven", {}}, {"another", {"0000000009"}}, {"seventy-seven", {"0000000009"}, "20050520"},
        {"seventy-seven", {"0000000009"}, "20050630", "i"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(QString("%1 %2 %3").arg(r.token, r.recordDay, r.letter).toStdString());
        NightStation ts;
        ts.passage("0000000009", "정상출차", "2005-06-30");
        DBase::Create_JungArchive(ts.path("Backup/j20050630.mdb"));
        {
            ScopedConnection c(ts.path("Backup/j20050630.mdb"));
            Insert(c.db(), "정기권입출차", {{"정기권번호", "0000000009"}, {"입출상태", "정상출차"}, {"출차일자", "2005-06-30"},
                                            {"입출구분", false}});
            Exec(c.db(), "CREATE TABLE archive_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, first INTEGER, last INTEGER, "
                         "day TEXT, letter TEXT)");
            Exec(c.db(), "INSERT INTO archive_moves VALUES (77, ?, 1, 1, ?, ?)", {r.token, r.recordDay, r.letter});
            Exec(c.db(), "PRAGMA user_version = 77");
        }
        Exec(ts.st.Db, "CREATE TABLE archive_own_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, day TEXT NOT NULL)");
        Exec(ts.st.Db, "INSERT INTO archive_own_moves VALUES (77, 'seventy-seven', '20050630')");
        EXPECT_TRUE(Archive_DayData(ts.st));
        EXPECT_EQ(ts.count("정기권입출차"), 0);
        EXPECT_EQ(ts.archived("j20050630.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000009"}));
        EXPECT_EQ(ts.archived("j20060630.mdb", "정기권입출차", "정기권번호"), r.night);
    }
}

TEST(Archive, SecondRunOnTheSameDayChangesNothing)
{
    NightStation ts;
    ts.ticket("0001200606301000");
    Archive_DayData(ts.st);
    ts.ticket("0002200606301000");
    ts.closedHour("2001-01-01 00:00");
    Exec(ts.st.Db, "UPDATE 시스템 SET 자료보관기간 = 1");
    Write_Ini(ts.st.IniPath, "시스템", "분실권번호", "9123");

    Archive_DayData(ts.st);
    EXPECT_EQ(ts.codes("일반권", "입차코드"), QStringList({"0002200606301000"}));
    EXPECT_EQ(ts.archived("i20060630.mdb", "일반권", "입차코드"), QStringList({"0001200606301000"}));
    EXPECT_EQ(ts.hourRows("2001-01-01 00:00"), 1);
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", ""), "9123");
    EXPECT_EQ(ts.screen.totalsRefreshed, 1);
}

TEST(Archive, WithoutASystemRowOrRetentionNothingIsPruned)
{
    // Without a system row the rows still move but the totals are not refreshed; a failed pruning refreshes them.
    const struct { const char* sql; int totals; } rows[] = {{"DELETE FROM 시스템", 0},
                                                           {"UPDATE 시스템 SET 자료보관기간 = NULL", 1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.sql);
        NightStation ts;
        ts.ticket("0001200606301000");
        ts.closedHour("2001-01-01 00:00");
        Exec(ts.st.Db, r.sql);
        Archive_DayData(ts.st);
        EXPECT_EQ(ts.count("일반권"), 0);
        EXPECT_EQ(ts.hourRows("2001-01-01 00:00"), 1);
        EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", "none"), "none");
        EXPECT_EQ(ts.screen.totalsRefreshed, r.totals);
    }
}

TEST(Archive, FailureInTheMiddleOfAMoveKeepsEveryRowLive)
{
    NightStation ts;
    ts.ticket("0001200606301000");
    ts.ticket("0002200606301000");
    ts.passage("0000000003", "정상출차");
    // The copy succeeds, the delete from the live table fails.
    Exec(ts.st.Db, "CREATE TEMP TRIGGER fail_delete BEFORE DELETE ON main.일반권 BEGIN SELECT RAISE(ABORT, 'disk gone'); END");

    EXPECT_FALSE(Archive_DayData(ts.st));
    EXPECT_EQ(ts.count("일반권"), 2);
    EXPECT_TRUE(ts.archived("i20060630.mdb", "일반권", "입차코드").isEmpty());
    ASSERT_EQ(ts.screen.list1.size(), 1);
    EXPECT_TRUE(ts.screen.list1.front().contains("일반권") && ts.screen.list1.front().contains("disk gone"));
    EXPECT_EQ(ts.screen.text("PnlMsg"), "백업 실패 (i20060630.mdb)");
    // The day is not archived: the rest of its move, its pruning and its reset wait.
    EXPECT_EQ(ts.count("정기권입출차"), 1);
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", "none"), "none");
    EXPECT_EQ(ts.screen.totalsRefreshed, 0);

    // The next run finishes that day's move into that day's files first.
    Exec(ts.st.Db, "DROP TRIGGER temp.fail_delete");
    ts.clock.advanceSecs(86400);
    EXPECT_TRUE(Archive_DayData(ts.st));
    EXPECT_EQ(ts.count("일반권") + ts.count("정기권입출차"), 0);
    EXPECT_EQ(ts.archived("i20060630.mdb", "일반권", "입차코드"), QStringList({"0001200606301000", "0002200606301000"}));
    EXPECT_EQ(ts.archived("j20060630.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000003"}));
    EXPECT_TRUE(ts.archived("i20060701.mdb", "일반권", "입차코드").isEmpty());
    EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", "none"), "9000");
}

TEST(Archive, ADayFileNoMoveOfTheStationMadeIsLeftAsItIsAndItsRowsGoWithTheNextNight)
{
    // A general file there makes the day count as archived; a season file alone leaves only the passages.
    // A file whose header and record name a number of the live file's moves with another token is another's,
    // also when that move, marked with the ticket listed, finds it.
    const struct { const char* file; QStringList dayTickets, nextTickets; bool sameNumber = false; bool marked = false; } rows[] = {
        {"i20060630.mdb", {"0000200606300900"}, {"0001200606301000"}},
        {"j20060630.mdb", {"0001200606301000"}, {}},
        {"i20060630.mdb", {"0000200606300900"}, {"0001200606301000"}, true},
        {"i20060630.mdb", {"0000200606300900"}, {"0001200606301000"}, true, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.file) + (r.sameNumber ? ", the same number" : "") + (r.marked ? ", marked" : ""));
        NightStation ts;
        const QString placed = ts.path(QString("Backup/") + r.file);
        if (r.file[0] == 'i') {
            DBase::Create_IlbanArchive(placed);
            Insert(ScopedConnection(placed).db(), "일반권", {{"입차코드", "0000200606300900"}});
        } else {
            DBase::Create_JungArchive(placed);
            Insert(ScopedConnection(placed).db(), "정기권입출차", {{"정기권번호", "0000000009"}, {"입출상태", "정상출차"}});
        }
        if (r.sameNumber) {
            ScopedConnection c(placed);
            Exec(c.db(), "CREATE TABLE archive_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, first INTEGER, "
                         "last INTEGER, day TEXT, letter TEXT)");
            Exec(c.db(), "INSERT INTO archive_moves VALUES (77, 'theirs', NULL, NULL, '20060630', 'i')");
            Exec(c.db(), "PRAGMA user_version = 77");
            Exec(ts.st.Db, "CREATE TABLE archive_own_moves (move INTEGER PRIMARY KEY, token TEXT NOT NULL, day TEXT)");
            Exec(ts.st.Db, "INSERT INTO archive_own_moves VALUES (77, 'mine', '20060630')");
        }
        if (r.marked) {
            QSqlQuery code = Query(ts.st.Db, "SELECT '0001200606301000'");
            ASSERT_TRUE(code.next());
            WriteMarker(ts.path("Backup/archive.moving"), {{QDate(2006, 6, 30), 77, {{"i", {RowToken(code, 0, 1)}}}}}, {});
        }
        ts.ticket("0001200606301000");
        ts.passage("0000000003", "정상출차");
        // A live passage alike in every field to the one a file holds is another passage.
        Insert(ts.st.Db, "정기권입출차", {{"정기권번호", "0000000009"}, {"입출상태", "정상출차"}});

        Archive_DayData(ts.st);
        ts.clock.advanceSecs(60);
        Archive_DayData(ts.st);
        EXPECT_EQ(ts.screen.list1, QStringList({QString("백업 파일 %1: 이 데이터베이스의 백업 기록에 없는 파일이므로 그대로 "
                                                        "둡니다. 그 날의 자료는 다음 날의 백업 파일에 보관됩니다.").arg(r.file)}));
        EXPECT_EQ(ts.screen.text("PnlMsg"), QString("기록에 없는 백업 파일 (%1): 그대로 둠").arg(r.file));
        EXPECT_EQ(ts.count("정기권입출차"), 2);
        if (r.file[0] == 'j') {
            EXPECT_EQ(ts.archived("j20060630.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000009"}));
        }

        ts.clock.advanceSecs(86400);
        EXPECT_TRUE(Archive_DayData(ts.st));
        EXPECT_EQ(ts.archived("i20060630.mdb", "일반권", "입차코드"), r.dayTickets);
        EXPECT_EQ(ts.archived("i20060701.mdb", "일반권", "입차코드"), r.nextTickets);
        EXPECT_EQ(ts.archived("j20060701.mdb", "정기권입출차", "정기권번호"), QStringList({"0000000003", "0000000009"}));
        EXPECT_EQ(ts.count("일반권") + ts.count("정기권입출차"), 0);
        EXPECT_EQ(ts.screen.list1.size(), 1);
    }
}

TEST(Archive, CreateRoutinesMakeOneTableWithItsIndexAndRefuseAnExistingFile)
{
    TestStation ts(TestStation::Db::None);
    ASSERT_TRUE(QDir().mkpath(ts.st.ArchiveDir));
    const QString i = ts.path("Backup/i20060630.mdb"), j = ts.path("Backup/j20060630.mdb");
    DBase::Create_IlbanArchive(i);
    DBase::Create_JungArchive(j);
    EXPECT_THROW(DBase::Create_IlbanArchive(i), DbError);
    const QString objects = "SELECT group_concat(name) FROM sqlite_master WHERE sql IS NOT NULL";
    ScopedConnection ci(i, true), cj(j, true);
    EXPECT_EQ(Scalar(ci.db(), objects).toString(), "일반권,idx0");
    EXPECT_EQ(Scalar(cj.db(), objects).toString(), "정기권입출차,BackUpJungIOIndex");
    EXPECT_EQ(Scalar(cj.db(), "SELECT \"unique\" FROM pragma_index_list('정기권입출차')").toInt(), 0);
}

TEST(Archive, RowsTheHostHasNotReceivedAreKept)
{
    NightStation ts;
    Exec(ts.st.Db, "UPDATE 시스템 SET 자료보관기간 = 1");
    ts.st.settings.KeepRecords = true;
    ts.closedHour("2006-05-01 10:00", true, false, true);  // counted, not sent: kept
    ts.closedHour("2006-05-01 11:00", true, true, true);   // sent: removed
    ts.closedHour("2006-05-01 12:00", true, false, false); // nothing to send: removed
    ts.cancellation("unsent", "2006-06-30 23:50", false);
    ts.cancellation("sent", "2006-06-30 23:50");
    Archive_DayData(ts.st);
    EXPECT_EQ(ts.hourRows("2006-05-01 10:00"), 1);
    EXPECT_EQ(ts.hourRows("2006-05-01 11:00") + ts.hourRows("2006-05-01 12:00"), 0);
    EXPECT_EQ(ts.codes("출차취소", "입차코드"), QStringList({"unsent"}));
}

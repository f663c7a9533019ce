// The station killed (SIGKILL) at the change of day after each step of the day's
// archive move, then started again on the same folder: the day's rows end in that
// day's files and nowhere else, and the record lists of that day show them. The
// same with Backup on a small disk that fails and is mended while the station runs,
// with a damaged marker, a moved clock, a power cut that brings a deleted journal
// back, and a passage alike to a moved one added after the kill.

#include "common/LostRemovals.h"
#include "common/SmallDisk.h"
#include "common/TestStation.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "core/Sql.h"
#include "platform/FolderLock.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "season/RecordLists.h"
#include "station/Startup.h"
#include "station/Timer1.h"

#include <QDir>
#include <QDirIterator>
#include <QRegularExpression>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tolvo;
using tolvo::test::LostRemovals;
using tolvo::test::SmallDisk;
using tolvo::test::TestStation;

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

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
    try {
        ScopedConnection c(ts.path("Backup/" + file), true);
        return Column(c.db(), table, field);
    } catch (const DbError&) {  // a journal beside it that only a writer plays back
        return {QStringLiteral("(cannot be read)")};
    }
}

// What the 20th's own files hold once its move is done.
const QStringList kDayTickets{"0001202605200900", "0002202605201000", "0003202605201100"};
const QStringList kDayCards{"0000000002", "0000000002", "0000000003", "0000000004"};
const QStringList kAllTickets = kDayTickets + QStringList{"0004202605201200"};

void ExpectTheDaysFiles(const TestStation& ts, const QString& day = "20260520")
{
    EXPECT_EQ(Archived(ts, "i" + day + ".mdb", "일반권", "입차코드"), kDayTickets);
    EXPECT_EQ(Archived(ts, "j" + day + ".mdb", "정기권입출차", "정기권번호"), kDayCards);
}

// A passage of 2026-05-20 by `card`; `out` empty while the car is inside.
Row Passage(const QString& card, const QString& verdict, const QString& out)
{
    return {{"입차일자", "2026-05-20"}, {"입차시간", "08:00"}, {"출차일자", out},      {"출차시간", "18:00"},
            {"입출상태", verdict},      {"정기권번호", card},   {"입출구분", false}};
}
// A passage alike in every field to one the day moves, stored after the kill.
const Row kTwin = Passage("0000000003", "정상출차", "2026-05-20");

// A station on 2026-05-20 with that day's exits and passages, one open ticket and one car inside.
// The open ticket is stored first, so no finished row has the rowid its archive copy gets.
void FillTheDay(TestStation& ts)
{
    for (const char* code : {"0004202605201200", "0001202605200900", "0002202605201000", "0003202605201100"}) {
        const bool settled = QByteArray(code).left(4) != "0004";  // not settled: stays live
        Insert(ts.st.Db, "일반권", {{"티켓번호", QString(code).left(4)}, {"입차일", "2026-05-20"}, {"입차시간", "09:00"},
                                   {"입차코드", code}, {"출차일", "2026-05-20"}, {"출차시간", "12:30"},
                                   {"실수령금액", 1000}, {"정산구분", settled}, {"전송여부", true}});
    }
    // Two passages alike in every field are two passages; the first card is still inside.
    Insert(ts.st.Db, "정기권입출차", Passage("0000000001", "정상입차", ""));
    Insert(ts.st.Db, "정기권입출차", Passage("0000000002", "정상출차", "2026-05-20"));
    Insert(ts.st.Db, "정기권입출차", Passage("0000000002", "정상출차", "2026-05-20"));
    Insert(ts.st.Db, "정기권입출차", Passage("0000000003", "정상출차", "2026-05-20"));
    Insert(ts.st.Db, "정기권입출차", Passage("0000000004", "중복입차", ""));
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
    // The pair written a year before, which leaves the retention with the day's pruning.
    DBase::Create_IlbanArchive(ts.path("Backup/i20250520.mdb"));
    DBase::Create_JungArchive(ts.path("Backup/j20250520.mdb"));
}

// Runs `work` in a child process; true when it died by SIGKILL.
bool KilledIn(TestStation& ts, const std::function<void()>& work)
{
    ts.CloseDatabase();
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// The day's archive, killing its process right after `step`.
std::function<bool(Station&)> ArchiveKilledAfter(ArchiveStep step)
{
    return [step](Station& s) {
        return Archive_DayDataSteps(s, [step](ArchiveStep at) {
            if (at == step) ::kill(::getpid(), SIGKILL);
        });
    };
}

// The station crosses midnight in a child process that kills itself right after `step`.
bool KilledAtMidnightAfter(TestStation& ts, ArchiveStep step)
{
    return KilledIn(ts, [&ts, step] {
        DBase::DataBase_Open(ts.st);
        ts.st.DataRefreshDate = QStringLiteral("2026-05-20");
        ts.st.routines.ArchiveDay = ArchiveKilledAfter(step);
        ts.clock.setNow(kMidnight);
        Timer1_Tick(ts.st);
    });
}

// The next start, as a new process (nothing read yet), and the main timer's first
// tick, with the day's archive `archive` when one is given.
void StartAgain(TestStation& ts, const QDateTime& at, const std::function<bool(Station&)>& archive = {})
{
    ts.clock.setNow(at);
    ts.st.ProgramLock.reset();
    ts.st.IniPath.clear();
    ts.st.settings = Settings{};
    ASSERT_EQ(Startup_Load(ts.st, [] {}), std::nullopt);
    if (archive) ts.st.routines.ArchiveDay = archive;
    ts.st.DataRefreshDate = ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString();
    ts.clock.advanceSecs(1);
    Timer1_Tick(ts.st);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(text) == text.size());
}

// A file's header, which names the move that made it, with a page size no engine
// writes, then junk: not a database.
QByteArray NoEnginesPageSize(const QByteArray& file)
{
    return file.left(100).replace(16, 2, QByteArray("\0\3", 2)) + QByteArray(4096, 'x');
}

} // namespace

TEST(ArchiveKill, AKillAtEachStepOfTheMoveLeavesTheDaysRowsInTheDaysFilesAfterTheNextStart)
{
    for (int step = int(ArchiveStep::Marking); step <= int(ArchiveStep::Unmarked); ++step) {
        SCOPED_TRACE(step);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        FillTheDay(ts);
        ASSERT_TRUE(KilledAtMidnightAfter(ts, ArchiveStep(step)));
        StartAgain(ts, kMidnight.addSecs(20));

        ExpectTheDaysFiles(ts);
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
        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"), kDayTickets);
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
        if (r.killedAfter) {
            ASSERT_TRUE(KilledAtMidnightAfter(ts, ArchiveStep(r.killedAfter)));
        }
        disk.fill(8192);
        if (r.killedAfter) {
            StartAgain(ts, kMidnight.addSecs(20));
        } else {
            ts.st.DataRefreshDate = QStringLiteral("2026-05-20");
            ts.clock.setNow(kMidnight);
            Timer1_Tick(ts.st);
        }
        // Which of the day's two files runs out of room depends on what fits; either is told in
        // words, whole on the list and short on the panel.
        const QString told = ts.screen.list1.last(), panel = ts.screen.text("PnlMsg");
        EXPECT_TRUE(told.contains(QRegularExpression("^(일반권|정기권입출차) 자료 백업 실패 \\([ij]20260520\\.mdb\\): "
                                                     "디스크 공간이 부족합니다$")))
            << told.toStdString();
        EXPECT_TRUE(panel.contains(QRegularExpression("^백업 실패 \\([ij]20260520\\.mdb\\): 디스크 공간 부족$")))
            << panel.toStdString();
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
        ExpectTheDaysFiles(ts);
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
    ClockAheadOnce,           // before: a night archived with the clock months ahead
    SeasonFileOfAnotherMove,  // before: the day's season file made by another move, holding a passage alike to the listed one
    DayOutOfOrder,            // the day's file out of reach until the next day was archived
    ClockBehind,              // started again with the clock two days behind
    FileDeleted,              // the day's general file deleted by hand
    PowerCut,                 // the files whose removal no folder sync made durable come back
    PowerCutOnceDone,         // the same once the day's move, pruning and reset are done
    ForeignFiles,             // before: another station's files of the day, renamed for a day this one has none of
    ForeignJournal,           // the same, and a journal a kill left beside the general one
    SameDayFile,              // another station's general file of the day placed under the day's own name
    SameDayJournal,           // the same, and a journal a kill left beside it
    CopyFinishedTheMove,      // the folder copied after the kill; the copy finished the move, its files renamed back here
    DayArchivedOnce,          // before: the day archived by another move, its general file deleted by hand
};

// Station B is a copy of this station's whole folder, as an installer sets one up,
// and archives the same day's rows under the same entry codes with moves of its own.
// Its files are kept beside this station's folder as "i.other" and "j.other".
void ArchiveOnACopyOfTheFolder(TestStation& ts)
{
    TestStation other(TestStation::Db::None, ts.clock.now());
    ts.CloseDatabase();
    for (QDirIterator it(ts.st.AppPath, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories); it.hasNext();) {
        const QString to = other.st.AppPath + it.next().mid(ts.st.AppPath.size());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()) && QFile::copy(it.filePath(), to));
    }
    DBase::DataBase_Open(ts.st);
    other.OpenFreshDatabase();
    other.clock.setNow(kMidnight);
    ASSERT_TRUE(Archive_DayData(other.st));
    for (const QString letter : {"i", "j"})
        ASSERT_TRUE(QFile::copy(other.path("Backup/" + letter + "20260520.mdb"), ts.path(letter + ".other")));
}

void PlaceOtherFile(const TestStation& ts, const QString& letter, const QString& day)
{
    ASSERT_TRUE(QFile::rename(ts.path(letter + ".other"), ts.path("Backup/" + letter + day + ".mdb")));
}

// Another station killed while it wrote into `file`: pages of the cut transaction are in it, and
// its journal, which opening the file plays back, lies beside it.
void LeaveAJournal(TestStation& ts, const QString& file)
{
    ASSERT_TRUE(KilledIn(ts, [&ts, file] {
        ScopedConnection c(ts.path(file));
        Exec(c.db(), "PRAGMA cache_size = 2");
        Exec(c.db(), "BEGIN");
        Exec(c.db(), "CREATE TABLE pages (x BLOB)");
        for (int n = 0; n < 64; ++n) Exec(c.db(), "INSERT INTO pages VALUES (zeroblob(4000))");
        ::kill(::getpid(), SIGKILL);
    }));
    ASSERT_TRUE(QFileInfo(ts.path(file + "-journal")).size() > 0);
}

// The files matching `patterns` in Backup with their bytes.
QHash<QString, QByteArray> Bytes(const TestStation& ts, const QStringList& patterns)
{
    QHash<QString, QByteArray> out;
    for (const QString& f : QDir(ts.st.ArchiveDir).entryList(patterns, QDir::Files)) out[f] = ReadFile(ts.st.ArchiveDir + f);
    return out;
}

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
    case Twist::FileDeleted:
        ASSERT_TRUE(QFile::remove(ts.path("Backup/i20260520.mdb")));
        break;
    case Twist::PowerCut:
        LostRemovals::BringBack(ts.st.ArchiveDir);
        break;
    case Twist::PowerCutOnceDone:
        // A lost ticket issued after the night's run: a reset played again would take its number back.
        Write_Ini(ts.st.IniPath, "시스템", "분실권번호", "9001");
        LostRemovals::BringBack(ts.st.ArchiveDir);
        break;
    case Twist::SameDayFile:
        PlaceOtherFile(ts, "i", "20260520");
        break;
    case Twist::SameDayJournal:
        PlaceOtherFile(ts, "i", "20260520");
        LeaveAJournal(ts, "Backup/i20260520.mdb");
        break;
    case Twist::ForeignJournal:
        LeaveAJournal(ts, "Backup/i20260430.mdb");
        break;
    case Twist::CopyFinishedTheMove:
        ArchiveOnACopyOfTheFolder(ts);
        ts.CloseDatabase();
        PlaceOtherFile(ts, "i", "20260430");
        PlaceOtherFile(ts, "j", "20260430");
        break;
    default:  // the others befall before the kill or at the restart
        break;
    }
}

// One way a move is cut short, and where its rows must end.
struct ResumeCase {
    const char* name;
    const char* marker = nullptr;  // written by hand instead of a kill
    ArchiveStep killedAfter = ArchiveStep::Marked;
    Twist twist = Twist::None;
    QByteArray (*edit)(QByteArray marker) = nullptr;  // the marker damaged after the kill
    bool onePassage = false;                     // card 3's is the day's only finished passage
    std::optional<ArchiveStep> restartKilledAt = std::nullopt;  // the first start after the kill is killed too
    QDateTime restart = kMidnight.addSecs(20);
    bool setAside = false;  // the marker is damaged and kept aside
    QString told = {};      // what else the message list says
    QStringList livePassages, dayPassages;
    QStringList dayTickets = kDayTickets;
    QStringList liveTickets = {"0004202605201200"};
    QStringList laterTickets = {};  // in the later night's file
    // The day's pruning: done by the restart, waiting for the clock, or lost with a damaged marker.
    enum { Done, Pending, Lost } pruning = Done;
    QStringList cancellations = pruning == Done ? QStringList{"kept"} : QStringList{"kept", "old"};
    QStringList nextDayTickets = {"(no file)"};
};

// Every row the station ever held of the day, over the live file and every archive, sorted.
QStringList AllRows(const TestStation& ts, const QString& table, const QString& field, const QString& letter)
{
    QStringList out = Column(ts.st.Db, table, field);
    for (const QString& f : QDir(ts.st.ArchiveDir).entryList({letter + "2026*.mdb"}, QDir::Files))
        out += Archived(ts, f, table, field);
    out.sort();
    return out;
}

TEST(ArchiveKill, AResumeTakesEachListedRowOnceAndADamagedMarkerIsSetAside)
{
    const QStringList& cards = kDayCards;
    const QStringList cardsAndTwin{"0000000002", "0000000002", "0000000003", "0000000003", "0000000004"};
    const QStringList inside{"0000000001"}, insideAndTwin{"0000000001", "0000000003"};
    const QStringList allLive{"0000000001", "0000000002", "0000000002", "0000000003", "0000000003", "0000000004"};
    const QStringList three{"0000000003"}, noFile{"(no file)"};
    const auto lost = ResumeCase::Lost;
    const ResumeCase rows[] = {
        // Markers no run wrote: set aside at the start; the day's run then moves the day as usual.
        {.name = "a day later than today", .marker = "i20991231.mdb\nj20991231.mdb\n", .setAside = true,
         .livePassages = inside, .dayPassages = cards},
        {.name = "a count too large for a number", .marker = "i20260520.mdb\nj20260520.mdb\nrows 99999999999 0\n",
         .setAside = true, .livePassages = inside, .dayPassages = cards},
        {.name = "a count that does not parse", .marker = "i20260520.mdb\nj20260520.mdb\nrows 1x 0\n", .setAside = true,
         .livePassages = inside, .dayPassages = cards},
        // Killed once the passages left the live file; a passage alike to one of them is another passage.
        {.name = "a live passage alike to a moved one", .killedAfter = ArchiveStep::JungRemoved,
         .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "the one passage listed has left the live file", .killedAfter = ArchiveStep::JungRemoved,
         .onePassage = true, .livePassages = insideAndTwin, .dayPassages = three},
        {.name = "the one passage listed is copied, not yet removed", .killedAfter = ArchiveStep::JungCopied,
         .onePassage = true, .livePassages = insideAndTwin, .dayPassages = three},
        {.name = "records of a finished move outlive its marker", .killedAfter = ArchiveStep::Unmarked,
         .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "a clock once ahead", .killedAfter = ArchiveStep::IlbanCopied, .twist = Twist::ClockAheadOnce,
         .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "days finished out of order", .killedAfter = ArchiveStep::IlbanCopied, .twist = Twist::DayOutOfOrder,
         .livePassages = insideAndTwin, .dayPassages = cards, .cancellations = {}, .nextDayTickets = {}},
        // Left as it is: the day's passages go with the later night's file.
        {.name = "a season file no move of the station made, holding a passage alike", .killedAfter = ArchiveStep::IlbanCopied,
         .twist = Twist::SeasonFileOfAnotherMove, .onePassage = true,
         .told = "백업 파일 j20260520.mdb: 이 데이터베이스의 백업 기록에 없는 파일이므로 그대로 둡니다. 그 날의 자료는 다음 날의 백업 파일에 보관됩니다.",
         .livePassages = {"0000000001", "0000000003", "0000000003"}, .dayPassages = three},
        // The passage stored after the kill goes with the clock's yesterday; the day's pruning waits.
        {.name = "a clock behind at the restart", .killedAfter = ArchiveStep::IlbanCreated,
         .twist = Twist::ClockBehind, .restart = QDateTime(QDate(2026, 5, 19), QTime(0, 0, 20)), .livePassages = inside,
         .dayPassages = cards, .pruning = ResumeCase::Pending},
        {.name = "a kill inside the marker's rewrite", .killedAfter = ArchiveStep::IlbanCreated,
         .twist = Twist::ClockBehind, .restartKilledAt = ArchiveStep::Marking,
         .restart = QDateTime(QDate(2026, 5, 19), QTime(0, 0, 20)), .livePassages = inside, .dayPassages = cards,
         .pruning = ResumeCase::Pending},
        {.name = "another station's files of the day under another day", .twist = Twist::ForeignFiles,
         .livePassages = insideAndTwin, .dayPassages = cards},
        // Never opened, so its journal is not played back: both stay as they are.
        {.name = "another station's file with a journal beside it", .twist = Twist::ForeignJournal,
         .livePassages = insideAndTwin, .dayPassages = cards},
        // The copy's files hold the same move under the day's name: here, under another day's, they are not the move's.
        {.name = "a copy finished the move once the tickets were copied", .killedAfter = ArchiveStep::IlbanCopied,
         .twist = Twist::CopyFinishedTheMove, .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "a copy finished the move marked before any copy", .twist = Twist::CopyFinishedTheMove,
         .livePassages = insideAndTwin, .dayPassages = cards},
        // A second move of the day copies into the first one's season file and names itself in its header.
        {.name = "the marker emptied once a second move of the day copied the passages", .killedAfter = ArchiveStep::JungCopied,
         .twist = Twist::DayArchivedOnce, .edit = [](QByteArray) { return QByteArray(); }, .setAside = true,
         .livePassages = insideAndTwin, .dayPassages = cards + QStringList{"0000000009"}, .pruning = lost},
        // The day counts as archived: its rows stay live and go with the later night's files.
        {.name = "another station's file under the day's own name during the move", .twist = Twist::SameDayFile,
         .told = "백업 파일 i20260520.mdb: 이 데이터베이스의 백업 기록에 없는 파일이므로 그대로 둡니다. 그 날의 자료는 다음 날의 백업 파일에 보관됩니다.",
         .livePassages = allLive, .dayPassages = noFile, .liveTickets = kAllTickets, .laterTickets = kDayTickets,
         .pruning = lost},
        {.name = "the same with a journal a kill left beside it", .twist = Twist::SameDayJournal,
         .told = "백업 파일 i20260520.mdb: 이 데이터베이스의 백업 기록에 없는 파일이므로 그대로 둡니다. 그 날의 자료는 다음 날의 백업 파일에 보관됩니다.",
         .livePassages = allLive, .dayPassages = noFile, .dayTickets = {"(cannot be read)"}, .liveTickets = kAllTickets,
         .laterTickets = kDayTickets, .pruning = lost},
        {.name = "a power cut once the day left the marker", .killedAfter = ArchiveStep::Unmarked,
         .twist = Twist::PowerCutOnceDone, .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "a power cut once the tickets left the live file", .killedAfter = ArchiveStep::IlbanRemoved,
         .twist = Twist::PowerCut, .livePassages = insideAndTwin, .dayPassages = cards},
        {.name = "the day's file deleted once its tickets left the live file", .killedAfter = ArchiveStep::IlbanRemoved,
         .twist = Twist::FileDeleted,
         .told = "백업 파일 i20260520.mdb에 옮겨진 자료가 없습니다. 파일이 지워졌거나 바뀌었습니다.",
         .livePassages = inside, .dayPassages = cardsAndTwin, .dayTickets = {}},
        // Damaged once a copy committed: what a file took leaves the live file, the rest waits for a later night.
        {.name = "a marker emptied once the tickets were copied", .killedAfter = ArchiveStep::IlbanCopied,
         .edit = [](QByteArray) { return QByteArray(); }, .setAside = true, .livePassages = allLive, .dayPassages = noFile, .pruning = lost},
        {.name = "a blank line added once the passages were copied", .killedAfter = ArchiveStep::JungCopied,
         .edit = [](QByteArray t) { return t + "\n"; }, .setAside = true, .livePassages = insideAndTwin, .dayPassages = cards,
         .pruning = lost},
        {.name = "a marker cut to its two day lines", .killedAfter = ArchiveStep::JungRemoved,
         .edit = [](QByteArray) { return QByteArray("i20260520.mdb\nj20260520.mdb\n"); }, .setAside = true, .livePassages = insideAndTwin, .dayPassages = cards,
         .pruning = lost},
        {.name = "one byte of a listed row changed", .killedAfter = ArchiveStep::IlbanCopied,
         .edit = [](QByteArray t) { return t.replace("\ni ", "\ni X"); }, .setAside = true, .livePassages = allLive, .dayPassages = noFile, .pruning = lost},
        {.name = "a digit of the day flipped", .killedAfter = ArchiveStep::IlbanCopied, .edit = [](QByteArray t) { return t.replace("i20260520", "i20260420"); },
         .setAside = true, .livePassages = allLive, .dayPassages = noFile, .pruning = lost},
        {.name = "a year-old day named before anything was copied", .killedAfter = ArchiveStep::Marked,
         .edit = [](QByteArray) { return QByteArray("i20250520.mdb\nj20260520.mdb\n"); }, .setAside = true, .livePassages = inside, .dayPassages = cardsAndTwin},
        // The rows not copied go with the clock's yesterday.
        {.name = "a day line added, the clock a day behind", .killedAfter = ArchiveStep::IlbanCopied,
         .edit = [](QByteArray t) { return t + "i20260521.mdb\nj20260521.mdb\n"; }, .restart = QDateTime(QDate(2026, 5, 19), QTime(0, 0, 20)), .setAside = true,
         .livePassages = inside, .dayPassages = noFile, .pruning = lost},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        if (r.twist == Twist::ClockAheadOnce) {
            ts.clock.setNow(QDateTime(QDate(2026, 9, 1), QTime(0, 0, 1)));
            ASSERT_TRUE(Archive_DayData(ts.st));
        }
        if (r.twist == Twist::DayArchivedOnce) {
            Insert(ts.st.Db, "정기권입출차", Passage("0000000009", "정상출차", "2026-05-20"));
            ts.clock.setNow(kMidnight);
            ASSERT_TRUE(Archive_DayData(ts.st));
            ASSERT_TRUE(QFile::remove(ts.path("Backup/i20260520.mdb")));
            ts.clock.setNow(QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        }
        FillTheDay(ts);
        const bool sameDay = r.twist == Twist::SameDayFile || r.twist == Twist::SameDayJournal;
        if (r.twist == Twist::ForeignFiles || r.twist == Twist::ForeignJournal || sameDay) ArchiveOnACopyOfTheFolder(ts);
        if (r.twist == Twist::ForeignFiles || r.twist == Twist::ForeignJournal) {
            PlaceOtherFile(ts, "i", "20260430");
            PlaceOtherFile(ts, "j", "20260430");
        }
        if (r.onePassage) Exec(ts.st.Db, "DELETE FROM 정기권입출차 WHERE 정기권번호 IN ('0000000002', '0000000004')");
        if (r.twist == Twist::SeasonFileOfAnotherMove) {
            const QString file = ts.path("Backup/j20260520.mdb");
            DBase::Create_JungArchive(file);
            Insert(ScopedConnection(file).db(), "정기권입출차", kTwin);
            Exec(ScopedConnection(file).db(), "PRAGMA user_version = 1234567890");
        }
        QStringList passagesEver = AllRows(ts, "정기권입출차", "정기권번호", "j") + (r.marker ? QStringList() : three);
        passagesEver.sort();
        if (r.marker) {
            WriteFile(ts.path("Backup/archive.moving"), r.marker);
        } else {
            std::optional<LostRemovals> layer;
            if (r.twist == Twist::PowerCut || r.twist == Twist::PowerCutOnceDone) layer.emplace(ts.st.ArchiveDir);
            ASSERT_TRUE(KilledAtMidnightAfter(ts, r.killedAfter));
            Befall(ts, r.twist);
            if (r.twist == Twist::CopyFinishedTheMove) {  // the copy's own passages, copies of these
                passagesEver += Archived(ts, "j20260430.mdb", "정기권입출차", "정기권번호");
                passagesEver.sort();
            }
            const QString marker = ts.path("Backup/archive.moving");
            if (r.edit) WriteFile(marker, r.edit(ReadFile(marker)));
            DBase::DataBase_Open(ts.st);
            Insert(ts.st.Db, "정기권입출차", kTwin);
        }
        ts.CloseDatabase();
        // Another station's files under another day's name or the day's own are not touched, byte for byte,
        // journal included.
        const QStringList othersNames = sameDay ? QStringList{"?20260430.mdb*", "i20260520.mdb*"} : QStringList{"?20260430.mdb*"};
        const auto others = Bytes(ts, othersNames);
        if (r.restartKilledAt) {
            ASSERT_TRUE(KilledIn(ts, [&] { StartAgain(ts, r.restart, ArchiveKilledAfter(*r.restartKilledAt)); }));
        }
        StartAgain(ts, r.restart);

        // Set aside by the start, as the clock then stood.
        const QString aside = "archive.moving.damaged-" + r.restart.toString("yyyyMMdd-HHmmss");
        QStringList told;
        if (r.setAside)
            told << "자료 백업 표시 파일이 손상되어 " + aside +
                        " 이름으로 따로 보관했습니다. 아직 옮기지 않은 자료는 다음 날의 백업 파일에 보관됩니다.";
        if (!r.told.isEmpty()) told << r.told;
        const auto toldLines = [&ts] {
            return ts.screen.list1.filter(QRegularExpression("보관했습니다|바뀌었습니다|그대로 둡니다"));
        };
        EXPECT_EQ(toldLines(), told);
        const QDir backup(ts.st.ArchiveDir);
        EXPECT_EQ(backup.entryList({"archive.moving.damaged-*"}, QDir::Files), r.setAside ? QStringList{aside} : QStringList{});
        EXPECT_EQ(backup.exists("archive.moving"), r.pruning == ResumeCase::Pending);
        EXPECT_EQ(Archived(ts, "i20260520.mdb", "일반권", "입차코드"), r.dayTickets);
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), r.liveTickets);
        EXPECT_EQ(Archived(ts, "j20260520.mdb", "정기권입출차", "정기권번호"), r.dayPassages);
        EXPECT_EQ(Column(ts.st.Db, "정기권입출차", "정기권번호"), r.livePassages);
        EXPECT_EQ(Archived(ts, "i20260521.mdb", "일반권", "입차코드"), r.nextDayTickets);
        // Cancellations kept two days: the 18th's goes with the 20th's pruning, the 20th's with the 21st's.
        EXPECT_EQ(Column(ts.st.Db, "출차취소", "입차코드"), r.cancellations);
        if (r.twist == Twist::PowerCutOnceDone) {
            EXPECT_EQ(Read_Ini(ts.st.IniPath, "시스템", "분실권번호", ""), "9001");
        }

        // A later night: nothing told again, a pruning that waited is done, no day is left
        // marked, and every passage stands once, archived but for the car inside.
        ts.clock.setNow(kMidnight.addDays(2));
        Timer1_Tick(ts.st);
        EXPECT_EQ(toldLines(), told);
        EXPECT_EQ(Archived(ts, "i20260522.mdb", "일반권", "입차코드"), r.laterTickets);
        EXPECT_EQ(Column(ts.st.Db, "정기권입출차", "정기권번호"), inside);
        EXPECT_EQ(AllRows(ts, "정기권입출차", "정기권번호", "j"), passagesEver);
        EXPECT_FALSE(backup.exists("archive.moving"));
        EXPECT_EQ(backup.entryList({"*20250520*"}, QDir::Files).size(), r.pruning == ResumeCase::Lost ? 2 : 0);
        EXPECT_EQ(Bytes(ts, othersNames), others);
    }
}

TEST(ArchiveKill, AnUnreadableDayFileStopsOnlyItsOwnDay)
{
    // How the day's file is damaged; what List1 and PnlMsg then tell of it. Damaged once its move ended,
    // the night that runs the day again does nothing and tells it once.
    const struct {
        const char* name;
        std::function<void(const QString&)> damage;
        const char *told, *panel;
        ArchiveStep killedAfter = ArchiveStep::IlbanCreated;
    } rows[] = {
        // The header still names the move that made the file.
        {"not a database", [](const QString& f) { WriteFile(f, NoEnginesPageSize(ReadFile(f))); },
         "일반권 자료 백업 실패 (i20260520.mdb): 데이터베이스 파일이 아닙니다", "백업 실패 (i20260520.mdb): 데이터베이스 파일 아님"},
        // A header whose write version this engine does not know opens read-only.
        {"a file that cannot be written", [](const QString& f) { WriteFile(f, ReadFile(f).replace(18, 1, "\x03")); },
         "일반권 자료 백업 실패 (i20260520.mdb): 파일에 쓸 수 없습니다", "백업 실패 (i20260520.mdb): 파일에 쓸 수 없음"},
        // Placed by hand with a unique ticket number: another ticket 0001 is there.
        {"a row the file already holds",
         [](const QString& f) {
             Exec(ScopedConnection(f).db(), "CREATE UNIQUE INDEX by_number ON 일반권 (티켓번호)");
             Insert(ScopedConnection(f).db(), "일반권", {{"티켓번호", "0001"}, {"입차코드", "0001202605190900"}});
         },
         "일반권 자료 백업 실패 (i20260520.mdb): 같은 자료가 이미 있습니다", "백업 실패 (i20260520.mdb): 같은 자료가 이미 있음"},
        {"not a database once its move ended", [](const QString& f) { WriteFile(f, NoEnginesPageSize(ReadFile(f))); },
         "백업 파일을 읽을 수 없습니다 (i20260520.mdb): 데이터베이스 파일이 아닙니다",
         "읽기 실패 (i20260520.mdb): 데이터베이스 파일 아님", ArchiveStep::Unmarked},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        FillTheDay(ts);
        ASSERT_TRUE(KilledAtMidnightAfter(ts, r.killedAfter));
        const QString dayFile = ts.path("Backup/i20260520.mdb");
        r.damage(dayFile);
        // Junk under another day's name whose header names the day's move is not that move's: never opened.
        const QString junk = ts.path("Backup/i20260401.mdb");
        WriteFile(junk, NoEnginesPageSize(ReadFile(dayFile)));
        StartAgain(ts, kMidnight.addSecs(20));
        EXPECT_EQ(ts.screen.text("PnlMsg"), QString::fromUtf8(r.panel));
        EXPECT_EQ(ts.screen.list1.filter("i20260401"), QStringList());
        EXPECT_EQ(ts.screen.list1.filter("i20260520").last(), QString::fromUtf8(r.told));
        if (r.killedAfter == ArchiveStep::Unmarked) {
            EXPECT_EQ(ts.screen.list1.filter("i20260520").size(), 1);
            EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-05-21");
            continue;
        }

        // The next night goes on with its own rows while the 20th waits for its file.
        Insert(ts.st.Db, "일반권", {{"입차코드", "0005202605210800"}, {"출차일", "2026-05-21"}, {"정산구분", true},
                                   {"전송여부", true}});
        ts.clock.setNow(kMidnight.addDays(1));
        Timer1_Tick(ts.st);
        EXPECT_EQ(ts.screen.text("PnlMsg"), QString::fromUtf8(r.panel));
        EXPECT_EQ(Archived(ts, "i20260521.mdb", "일반권", "입차코드"), QStringList({"0005202605210800"}));
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드").size(), 4);

        // The file taken away, the next night finishes the 20th into its own files; the junk is not told again.
        ASSERT_TRUE(QFile::remove(dayFile));
        ts.clock.setNow(kMidnight.addDays(2));
        Timer1_Tick(ts.st);
        EXPECT_EQ(ts.screen.text("PnlMsg"), QString());
        ExpectTheDaysFiles(ts);
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), QStringList({"0004202605201200"}));
        EXPECT_FALSE(QFileInfo::exists(ts.path("Backup/archive.moving")));
        EXPECT_EQ(ts.screen.list1.filter("i20260401"), QStringList());
        EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-05-23");
    }
}

TEST(ArchiveKill, AFolderSyncThatFailsFailsItsStepAndALaterNightFinishesTheDay)
{
    // The station's own folder syncs of a night, in order (the 4th, the pruning's, is not the day's).
    // With a damaged marker, the first is its set-aside's: that night moves nothing, the next takes
    // the day's rows into its own files.
    const struct { int nth; const char* file; bool damagedMarker; const char* rowsIn; } rows[] = {
        {1, "archive.moving", false, "20260520"}, {2, "i20260520.mdb", false, "20260520"},
        {3, "j20260520.mdb", false, "20260520"},  {5, "archive.moving", false, "20260520"},
        {1, "archive.moving", true, "20260521"}};
    for (const auto& [nth, file, damagedMarker, rowsIn] : rows) {
        SCOPED_TRACE(nth);
        TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 5, 20), QTime(23, 0)));
        FillTheDay(ts);
        if (damagedMarker) WriteFile(ts.path("Backup/archive.moving"), "i20260519.mdb\n");
        ts.clock.setNow(kMidnight);
        {
            const LostRemovals disk(ts.st.ArchiveDir);
            LostRemovals::FailFolderSync(nth);
            EXPECT_FALSE(Archive_DayData(ts.st));
            LostRemovals::FailFolderSync(0);
        }
        EXPECT_EQ(ts.screen.text("PnlMsg"), QStringLiteral("백업 실패 (%1): 디스크 기록 실패").arg(file));
        EXPECT_TRUE(ts.screen.list1.value(ts.screen.list1.size() - 1).endsWith(": 디스크에 기록할 수 없습니다"));
        ts.clock.setNow(kMidnight.addDays(1));
        EXPECT_TRUE(Archive_DayData(ts.st));
        ExpectTheDaysFiles(ts, rowsIn);
        EXPECT_EQ(Column(ts.st.Db, "일반권", "입차코드"), QStringList({"0004202605201200"}));
    }
}

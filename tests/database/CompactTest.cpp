#include "common/SmallDisk.h"
#include "common/TestStation.h"
#include "database/DBase.h"
#include "core/Sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <optional>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A station whose database was created, given rows and closed, ready for start-up steps.
struct ClosedStation : TestStation {
    ClosedStation() : TestStation(Db::Fresh, QDateTime(QDate(2026, 4, 1), QTime(8, 15, 30)))
    {
        Insert(st.Db, "공휴일", {{"적요", "식목일"}, {"날짜", "2026-04-05"}});
        // An exit made after the master copy, its fee and amount paid apart.
        Insert(st.Db, "일반권", {{"티켓번호", "0042"}, {"입차코드", "0042202604010700"}, {"출차일", "2026-04-01"},
                                 {"출차시간", "08:10"}, {"총주차요금", 5000}, {"실수령금액", 3000}});
        Exec(st.Db, "DELETE FROM 시간대별 WHERE 시간대 > 5"); // leaves free pages to compact away
        CloseDatabase();
    }
    QStringList dataFiles() const { return QDir(st.DataPath).entryList(QDir::Files, QDir::Name); }
};

} // namespace

TEST(Compact, RewritesTheLiveFileAndKeepsEveryRow)
{
    ClosedStation ts;
    EXPECT_EQ(DBase::DataBase_Compact(ts.st), DBase::CompactResult::Compacted);
    EXPECT_EQ(ts.dataFiles(), QStringList({"Park.MDB"}));
    DBase::DataBase_Open(ts.st);
    EXPECT_EQ(QString("%1 %2").arg(ts.count("공휴일")).arg(ts.count("시간대별")), "1 6");
    EXPECT_EQ(ts.value("PRAGMA freelist_count").toInt(), 0);
    EXPECT_TRUE(ts.msgs.shown.empty());
}

// A sound file that compaction cannot read or replace stays as it was: taken for damaged,
// the master copy would take its place and the exits since would lie only aside.
TEST(Compact, SoundFileThatCannotBeCompactedLosesNothingAndLeavesNoOtherFile)
{
    enum Hamper { RenameFails, HeldExclusively };
    const struct { const char* name; Hamper hamper; int renames; } rows[] = {
        {"the rename fails", RenameFails, 1},
        {"another connection holds it exclusively", HeldExclusively, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ClosedStation ts;
        const QByteArray before = ReadFile(ts.st.DbPath);
        int renames = 0;
        const auto rename = [&](const QString& from, const QString& to) {
            ++renames;
            return r.hamper != RenameFails && DBase::AtomicReplace(from, to);
        };
        // Held past the compaction's own wait for the lock (a few seconds), then let go.
        std::optional<ScopedConnection> holder;
        if (r.hamper == HeldExclusively) {
            holder.emplace(ts.st.DbPath);
            Exec(holder->db(), "BEGIN EXCLUSIVE");
        }
        EXPECT_EQ(DBase::DataBase_Compact(ts.st, rename), DBase::CompactResult::NotCompacted);
        holder.reset();
        EXPECT_EQ(renames, r.renames);
        EXPECT_EQ(ReadFile(ts.st.DbPath), before);
        EXPECT_EQ(ts.dataFiles(), QStringList({"Park.MDB"}));
        DBase::DataBase_Open(ts.st);
        EXPECT_EQ(ts.count("공휴일"), 1);
        EXPECT_EQ(ts.value("SELECT 총주차요금 || '/' || 실수령금액 FROM 일반권 WHERE 티켓번호 = ?", {"0042"}).toString(),
                  "5000/3000");
        EXPECT_TRUE(ts.msgs.shown.empty());
    }
}

// Through the start-up: a repair ends the program with code 0.
TEST(Compact, GarbageLiveFileIsMovedAsideAndReplacedByTheMaster)
{
    ClosedStation ts;
    const QByteArray garbage(4096, 'G');
    WriteFile(ts.st.DbPath, garbage);

    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::optional<int>(0));
    EXPECT_FALSE(ts.st.Db.isOpen());
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const auto& m = ts.msgs.shown.front();
    EXPECT_EQ(QString("%1|%2|%3").arg(m.title).arg(m.style).arg(m.text), QString("데이터 베이스 오류|%1|").arg(vbCritical | vbOKOnly) +
                                "데이터베이스가 치명적인 손상을 입었습니다. 최근에 백업된 자료로 복구를 시도합니다.\r\r"
                                "프로그램이 종료되므로 재실행을 바랍니다.");
    const QString aside = ts.path("Data/Park.MDB.damaged-20260401081530");
    EXPECT_EQ(ReadFile(aside), garbage);
    EXPECT_EQ(ReadFile(ts.st.DbPath), ReadFile(ts.path("Master/Master.mdb")));
    DBase::DeleteLeftoverBak(ts.st); // the damaged copy survives the next start's "*.bak" clean-up
    EXPECT_TRUE(QFileInfo::exists(aside));

    // The next start runs normally on the repaired file.
    ts.msgs.clear();
    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::nullopt);
    EXPECT_TRUE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.count("근무자관리"), 6);
}

TEST(Compact, EmptyLiveFileCountsAsDamagedAndItsJournalIsNotLeftBeside)
{
    // The rollback journal, or the write-ahead log and its index, of the damaged file go aside with it.
    for (const char* companion : {"-journal", "-wal", "-shm"}) {
        SCOPED_TRACE(companion);
        ClosedStation ts;
        WriteFile(ts.st.DbPath, {});
        WriteFile(ts.st.DbPath + companion, QByteArray(512, 'J'));
        EXPECT_EQ(DBase::DataBase_Compact(ts.st), DBase::CompactResult::RepairedEnd);
        EXPECT_FALSE(QFileInfo::exists(ts.st.DbPath + companion));
        EXPECT_EQ(ReadFile(ts.path("Data/Park.MDB.damaged-20260401081530") + companion), QByteArray(512, 'J'));
        DBase::DataBase_Open(ts.st);
        EXPECT_EQ(ts.count("근무자관리"), 6);
    }
}

// Through the start-up: a failed repair ends with code 1, and the damaged file never becomes the master.
TEST(Compact, DamagedWithoutMasterEndsWithAClearMessageAndTouchesNothing)
{
    ClosedStation ts;
    WriteFile(ts.st.DbPath, QByteArray(2048, 'x'));
    ASSERT_TRUE(QFile::remove(ts.path("Master/Master.mdb")));

    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::optional<int>(1));
    EXPECT_FALSE(ts.st.Db.isOpen());
    EXPECT_FALSE(QFileInfo::exists(ts.path("Master/Master.mdb")));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown.front().style & vbCritical, vbCritical);
    EXPECT_TRUE(ts.msgs.shown.front().text.contains("마스터 화일이 존재하지 않아"));
    EXPECT_EQ(ReadFile(ts.st.DbPath), QByteArray(2048, 'x'));
    EXPECT_EQ(ts.dataFiles(), QStringList({"Park.MDB"}));
}

TEST(Startup, LeftoverBakFilesAreDeletedButNotFolders)
{
    ClosedStation ts;
    WriteFile(ts.path("Data/Park.bak"), "old");
    WriteFile(ts.path("Data/other.BAK"), "old");
    ASSERT_TRUE(QDir().mkpath(ts.path("Data/x.bak")));
    WriteFile(ts.path("Data/keep.txt"), "keep");

    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::nullopt);
    // The open live file's log and its index stay beside it.
    EXPECT_EQ(ts.dataFiles(), QStringList({"Park.MDB", "Park.MDB-shm", "Park.MDB-wal", "keep.txt"}));
    EXPECT_TRUE(QFileInfo(ts.path("Data/x.bak")).isDir());
    EXPECT_TRUE(ts.st.Db.isOpen());
}

TEST(Startup, AMasterCopyHalfMadeByAKillIsClearedAtTheNextStart)
{
    // What a kill during the first master copy leaves, met by the starts that follow it.
    const struct { const char* name; bool damaged; bool master; std::optional<int> end; } rows[] = {
        {"the copy is made again", false, false, std::nullopt},
        {"the live file damaged: start-up ends", true, false, 1},
        {"a master copy put back by hand", false, true, std::nullopt},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ClosedStation ts;
        if (!r.master) {
            ASSERT_TRUE(QFile::remove(ts.path("Master/Master.mdb")));
        }
        WriteFile(ts.path("Master/Master.mdb.copy.bak"), QByteArray(4096, 'h'));
        if (r.damaged) WriteFile(ts.st.DbPath, QByteArray(2048, 'x'));
        EXPECT_EQ(DBase::DataBase_Startup(ts.st), r.end);
        EXPECT_EQ(QDir(ts.path("Master")).entryList(QDir::Files),
                  r.damaged ? QStringList() : QStringList({"Master.mdb"}));
    }
}

TEST(Startup, FolderThatCannotBeMadeIsReportedAndEndsWithAnError)
{
    TestStation ts(TestStation::Db::None);
    WriteFile(ts.path("Data"), "a file where the folder belongs");
    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::optional<int>(1));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown.front().title, "데이터 베이스 오류");
    EXPECT_TRUE(ts.msgs.shown.front().text.contains("Data"));
}

TEST(Startup, AReadOnlyDataFolderIsToldAsSuchInKorean)
{
    TestStation ts(TestStation::Db::None);
    ASSERT_TRUE(QDir().mkpath(ts.st.DataPath));
    tolvo::test::SmallDisk disk(ts.st.DataPath);
    if (!disk.ok()) GTEST_SKIP() << "needs root for a tmpfs in a mount namespace";
    ASSERT_TRUE(disk.readOnly(true));
    EXPECT_EQ(DBase::DataBase_Startup(ts.st), std::optional<int>(1));
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    const QString text = ts.msgs.shown.front().text;
    EXPECT_TRUE(text.contains("폴더에 쓸 수 없습니다: " + ts.st.DataPath)) << text.toStdString();
    EXPECT_FALSE(text.contains("cannot")) << text.toStdString();
}

TEST(Lifecycle, CloseReleasesTheConnectionAndCanBeCalledTwice)
{
    TestStation ts;
    const QString name = ts.st.Db.connectionName();
    ASSERT_TRUE(QSqlDatabase::contains(name));
    DBase::DataBase_Close(ts.st);
    DBase::DataBase_Close(ts.st);
    EXPECT_FALSE(QSqlDatabase::contains(name));
    EXPECT_FALSE(ts.st.Db.isOpen());
    EXPECT_THROW(Exec(ts.st.Db, "SELECT 1"), DbError);
}

TEST(Lifecycle, OpeningAMissingFileFailsInsteadOfCreatingOne)
{
    TestStation ts(TestStation::Db::None);
    DBase::SetFolders(ts.st);
    ts.st.DbPath = ts.path("Data/Park.MDB");
    EXPECT_THROW(DBase::DataBase_Open(ts.st), DbError);
    EXPECT_FALSE(QFileInfo::exists(ts.st.DbPath));
}

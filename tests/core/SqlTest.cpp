#include "common/TestStation.h"
#include "core/Sql.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

TEST(Sql, ValuesAreBoundSoQuotesAreJustText)
{
    TestStation ts;
    const QString nasty = "O'Brien'); DELETE FROM 공휴일; --";
    Insert(ts.st.Db, "공휴일", {{"적요", nasty}, {"날짜", "2026-01-01"}});
    EXPECT_EQ(ts.value("SELECT 적요 FROM 공휴일 WHERE 날짜 = ?", {"2026-01-01"}).toString(), nasty);
}

TEST(Sql, FailureThrowsWithTheStatementAndTheEngineMessage)
{
    TestStation ts;
    try {
        Exec(ts.st.Db, "SELECT nothing FROM 없는표");
        FAIL() << "no error";
    } catch (const DbError& e) {
        EXPECT_TRUE(e.message().contains("없는표"));
        EXPECT_EQ(e.sql, "SELECT nothing FROM 없는표");
    }
    EXPECT_FALSE(Scalar(ts.st.Db, "SELECT 날짜 FROM 공휴일").isValid());
}

TEST(Sql, TransactionRollsBackOnScopeExitAndOnException)
{
    TestStation ts;
    {
        Transaction tx(ts.st.Db);
        Insert(ts.st.Db, "공휴일", {{"적요", "a"}, {"날짜", "2026-01-01"}});
    }
    EXPECT_EQ(ts.count("공휴일"), 0);
    try {
        Transaction tx(ts.st.Db);
        Insert(ts.st.Db, "공휴일", {{"적요", "a"}, {"날짜", "2026-01-01"}});
        Insert(ts.st.Db, "공휴일", {{"적요", QString(31, 'x')}, {"날짜", "2026-01-02"}});
        tx.commit();
    } catch (const DbError&) {
    }
    EXPECT_EQ(ts.count("공휴일"), 0);
    {
        Transaction tx(ts.st.Db);
        Insert(ts.st.Db, "공휴일", {{"적요", "a"}, {"날짜", "2026-01-01"}});
        tx.commit();
    }
    EXPECT_EQ(ts.count("공휴일"), 1);
}

TEST(Sql, NestedTransactionUndoesOnlyItsOwnPart)
{
    TestStation ts;
    {
        Transaction outer(ts.st.Db);
        Insert(ts.st.Db, "공휴일", {{"적요", "outer"}, {"날짜", "2026-01-01"}});
        {
            Transaction inner(ts.st.Db);
            Insert(ts.st.Db, "공휴일", {{"적요", "inner"}, {"날짜", "2026-01-02"}});
        }
        {
            Transaction inner(ts.st.Db);
            Insert(ts.st.Db, "공휴일", {{"적요", "kept"}, {"날짜", "2026-01-03"}});
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(ts.count("공휴일"), 2);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 공휴일 WHERE 적요 = 'inner'").toInt(), 0);
}

TEST(Sql, AttachmentReachesAnotherFileAndDetachesOnScopeExit)
{
    TestStation ts;
    {
        Attachment m(ts.st.Db, ts.path("Master/Master.mdb"), "mst");
        EXPECT_EQ(RowCount(ts.st.Db, "근무자관리", "mst"), 6);
    }
    EXPECT_THROW(RowCount(ts.st.Db, "근무자관리", "mst"), DbError);
}

TEST(Sql, ReadOnlyConnectionNeverCreatesAMissingFile)
{
    TestStation ts(TestStation::Db::None);
    const QString missing = ts.path("Backup/i20260101.mdb");
    EXPECT_THROW(ScopedConnection c(missing, true), DbError);
    EXPECT_FALSE(QFileInfo::exists(missing));
}

// Statements run again and again are prepared once; each run still sees its own
// values, the file as it is now, and reports its own failure.
TEST(Sql, AStatementRunAgainTakesItsNewValuesAndReportsItsOwnFailure)
{
    TestStation ts;
    const QString add = "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)";
    Exec(ts.st.Db, add, {"a", "2026-01-01"});
    Exec(ts.st.Db, add, {"b", "2026-01-02"});
    EXPECT_THROW(Exec(ts.st.Db, add, {QString(31, 'x'), "2026-01-03"}), DbError); // longer than 적요 takes
    Exec(ts.st.Db, add, {"c", "2026-01-04"});
    const QString named = "SELECT 적요 FROM 공휴일 WHERE 날짜 = ?";
    for (const auto& [day, name] : {std::pair{"2026-01-01", "a"}, {"2026-01-02", "b"}, {"2026-01-04", "c"}})
        EXPECT_EQ(Scalar(ts.st.Db, named, {day}).toString(), QString(name)) << day;
    EXPECT_FALSE(Scalar(ts.st.Db, named, {"2026-01-03"}).isValid());
    const auto row = ReadFirstRow(ts.st.Db, "SELECT 적요, 날짜 FROM 공휴일 WHERE 날짜 = ?", {"2026-01-02"});
    ASSERT_TRUE(row);
    EXPECT_EQ(row->value("적요").toString() + "|" + row->value("날짜").toString(), "b|2026-01-02");
    EXPECT_FALSE(ReadFirstRow(ts.st.Db, "SELECT 적요, 날짜 FROM 공휴일 WHERE 날짜 = ?", {"2026-01-03"}));
}

TEST(Sql, AReadLeavesNothingOpenAndOutlivesTheConnectionClosing)
{
    TestStation ts;
    const QString count = "SELECT COUNT(*) FROM 공휴일";
    Exec(ts.st.Db, "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)", {"a", "2026-01-01"});
    EXPECT_EQ(Scalar(ts.st.Db, count).toInt(), 1);
    // No read is left in progress: the table can go and come back, and the file be rebuilt.
    Exec(ts.st.Db, "CREATE TABLE 임시표 (a INTEGER)");
    EXPECT_EQ(Scalar(ts.st.Db, "SELECT COUNT(*) FROM 임시표").toInt(), 0);
    Exec(ts.st.Db, "DROP TABLE 임시표");
    EXPECT_THROW(Scalar(ts.st.Db, "SELECT COUNT(*) FROM 임시표"), DbError);
    Exec(ts.st.Db, "CREATE TABLE 임시표 (a INTEGER)");
    Exec(ts.st.Db, "INSERT INTO 임시표 (a) VALUES (?)", {7});
    EXPECT_EQ(Scalar(ts.st.Db, "SELECT COUNT(*) FROM 임시표").toInt(), 1);
    Exec(ts.st.Db, "VACUUM");
    // Closed and opened again, the connection answers the same statements.
    ts.CloseDatabase();
    EXPECT_THROW(Scalar(ts.st.Db, count), DbError);
    ts.OpenFreshDatabase();
    EXPECT_EQ(Scalar(ts.st.Db, count).toInt(), 1);
    Exec(ts.st.Db, "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)", {"b", "2026-01-02"});
    EXPECT_EQ(Scalar(ts.st.Db, count).toInt(), 2);
}

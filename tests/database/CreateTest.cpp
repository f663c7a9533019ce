#include "common/TestStation.h"
#include "database/DBase.h"
#include "database/Schema.h"
#include "database/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

QStringList TablesIn(const QSqlDatabase& db)
{
    QStringList out;
    QSqlQuery q = Query(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (q.next()) out << q.value(0).toString();
    return out;
}

QStringList ColumnsOf(const QSqlDatabase& db, const QString& table)
{
    QStringList out;
    QSqlQuery q = Query(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid", {table});
    while (q.next()) out << q.value(0).toString();
    return out;
}

} // namespace

TEST(FirstRun, CreatesFoldersFilesAndEveryTableInOrder)
{
    TestStation ts;
    for (const char* d : {"Data", "Backup", "Image", "Master"}) EXPECT_TRUE(QFileInfo(ts.path(d)).isDir()) << d;
    EXPECT_TRUE(QFileInfo(ts.path("Data/Park.MDB")).isFile());
    EXPECT_TRUE(QFileInfo(ts.path("Master/Master.mdb")).isFile());
    EXPECT_EQ(ts.st.DbPath, ts.path("Data/Park.MDB"));

    QStringList expected;
    for (const auto& t : schema::Tables()) expected << t.name;
    EXPECT_EQ(expected.size(), 30);
    EXPECT_EQ(TablesIn(ts.st.Db), expected);
    for (const auto& t : schema::Tables()) EXPECT_EQ(ColumnsOf(ts.st.Db, t.name), t.fieldNames()) << t.name.toStdString();
    EXPECT_EQ(ts.value("PRAGMA journal_mode").toString(), "delete");
    EXPECT_EQ(ts.value("PRAGMA synchronous").toInt(), 2);
}

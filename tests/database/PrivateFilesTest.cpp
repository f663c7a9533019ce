#include "common/TestStation.h"
#include "database/Archive.h"
#include "database/DBase.h"
#include "platform/Ini.h"

#include <QFile>
#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

mode_t ModeOf(const QString& path)
{
    struct stat sb {};
    return ::stat(QFile::encodeName(path).constData(), &sb) == 0 ? (sb.st_mode & 0777) : 0;
}

// Under an ordinary umask (022) the station still makes what it creates private.
TEST(PrivateFiles, EverythingTheStationCreatesIsOwnerOnly)
{
    const mode_t before = ::umask(022);
    TestStation ts(TestStation::Db::None);
    ts.OpenFreshDatabase();
    ts.CloseDatabase();
    ASSERT_EQ(DBase::DataBase_Compact(ts.st), DBase::CompactResult::Compacted);
    QFile old(ts.st.IniPath);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("[시스템]\n");
    old.close();
    ::chmod(QFile::encodeName(ts.st.IniPath).constData(), 0644); // a carried-over file
    Write_Ini(ts.st.IniPath, QStringLiteral("시스템"), QStringLiteral("일반"), QStringLiteral("1"));
    ::umask(before);

    const struct {
        const char* name;
        QString path;
        mode_t mode;
    } rows[] = {
        {"data folder", ts.path("Data"), 0700},
        {"archive folder", ts.path("Backup"), 0700},
        {"image folder", ts.path("Image"), 0700},
        {"master folder", ts.path("Master"), 0700},
        {"live database after compaction", ts.path("Data/Park.MDB"), 0600},
        {"master copy", ts.path("Master/Master.mdb"), 0600},
        {"settings file", ts.st.IniPath, 0600},
    };
    for (const auto& r : rows) EXPECT_EQ(ModeOf(r.path), r.mode) << r.name;
}

} // namespace

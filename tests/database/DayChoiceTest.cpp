#include "common/TestStation.h"

#include "database/DayChoice.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class DayChoiceFixture : public ::testing::Test {
protected:
    void touch(const QString& name)
    {
        QFile f(ts.st.ArchiveDir + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    TestStation ts{TestStation::Db::None, QDateTime(QDate(2007, 1, 1), QTime(0, 5))};
};

TEST_F(DayChoiceFixture, Decisions)
{
    QDir().mkpath(ts.st.ArchiveDir);
    touch("i20061231.mdb");
    touch("i20070101.mdb"); // today's file is never read
    touch("j20061201.mdb");
    touch("i20070102.mdb"); // nor a file for a day to come
    const struct {
        const char* name;
        const char* day;
        char prefix;
        DaySource source;
    } cases[] = {
        {"today is live", "2007-01-01", kIlbanPrefix, DaySource::Live},
        {"yesterday, last day of the year, with its file", "2006-12-31", kIlbanPrefix, DaySource::Archive},
        {"other prefix has no file", "2006-12-31", kJungPrefix, DaySource::Missing},
        {"season file of a month's first day", "2006-12-01", kJungPrefix, DaySource::Archive},
        {"tomorrow is not today", "2007-01-02", kIlbanPrefix, DaySource::Archive},
        {"blanks left in the mask", "2006-12-3_", kIlbanPrefix, DaySource::Missing},
        {"wildcards match nothing", "2006-12-3*", kIlbanPrefix, DaySource::Missing},
    };
    for (const auto& c : cases) {
        const DayChoice d = Day_Decide(ts.st, c.day, c.prefix);
        EXPECT_EQ(QString("%1 %2").arg(int(d.source)).arg(d.day), QString("%1 %2").arg(int(c.source)).arg(c.day)) << c.name;
    }
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST_F(DayChoiceFixture, MissingDayIsReportedAndFallsBackToToday)
{
    const DayChoice c = Day_Choose(ts.st, "2006-06-01", kIlbanPrefix);
    EXPECT_EQ(c.source, DaySource::Live);
    EXPECT_EQ(c.day, "2007-01-01");
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "자료검색 오류");
    EXPECT_EQ(ts.msgs.shown[0].text, "검색일 : 2006-06-01의 자료가 존재하지 않습니다.");
}

TEST_F(DayChoiceFixture, ArchiveIsReadOnlyAndNeverCreated)
{
    const QString missing = ts.st.ArchiveDir + "i20060601.mdb";
    EXPECT_THROW(OpenDayArchive(missing), DbError);
    EXPECT_FALSE(QFile::exists(missing));

    QDir().mkpath(ts.st.ArchiveDir);
    const QString path = ts.st.ArchiveDir + "i20060629.mdb";
    {
        ScopedConnection w(path);
        Exec(w.db(), "CREATE TABLE 일반권 (티켓번호 TEXT)");
        Exec(w.db(), "INSERT INTO 일반권 VALUES ('0123')");
    }
    const auto archive = OpenDayArchive(path);
    EXPECT_EQ(Scalar(archive->db(), "SELECT 티켓번호 FROM 일반권").toString(), "0123");
    EXPECT_THROW(Exec(archive->db(), "INSERT INTO 일반권 VALUES ('9999')"), DbError);
}

} // namespace

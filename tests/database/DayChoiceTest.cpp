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
    TestStation ts{TestStation::Db::None, QDateTime(QDate(2006, 6, 30), QTime(14, 5))};
};

TEST_F(DayChoiceFixture, Decisions)
{
    QDir().mkpath(ts.st.ArchiveDir);
    touch("i20060629.mdb");
    touch("i20060630.mdb"); // today's file is never read
    touch("j20060628.mdb");
    const struct {
        const char* name;
        const char* day;
        char prefix;
        DaySource source;
    } cases[] = {
        {"today is live", "2006-06-30", kIlbanPrefix, DaySource::Live},
        {"closed day with its file", "2006-06-29", kIlbanPrefix, DaySource::Archive},
        {"other prefix has no file", "2006-06-29", kJungPrefix, DaySource::Missing},
        {"season file", "2006-06-28", kJungPrefix, DaySource::Archive},
        {"blanks left in the mask", "2006-06-2_", kIlbanPrefix, DaySource::Missing},
        {"wildcards match nothing", "2006-06-2*", kIlbanPrefix, DaySource::Missing},
    };
    for (const auto& c : cases) EXPECT_EQ(Day_Decide(ts.st, c.day, c.prefix).source, c.source) << c.name;
    EXPECT_TRUE(ts.msgs.shown.empty());
}

TEST_F(DayChoiceFixture, MissingDayIsReportedAndFallsBackToToday)
{
    const DayChoice c = Day_Choose(ts.st, "2006-06-01", kIlbanPrefix);
    EXPECT_EQ(c.source, DaySource::Live);
    EXPECT_EQ(c.day, "2006-06-30");
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

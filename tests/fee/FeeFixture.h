#pragma once

#include "database/Schema.h"
#include "core/Sql.h"
#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/Station.h"

#include <QSqlDatabase>
#include <QTemporaryDir>
#include <cctype>
#include <gtest/gtest.h>
#include <string>

namespace tolvo::test {

// A readable test name from a case's description.
template <class Info>
std::string CaseName(const Info& info)
{
    std::string out;
    for (const char ch : std::string(info.param.name))
        out += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
    return out + "_" + std::to_string(info.index);
}

// A station over a fresh database with every table, in a temporary folder.
class FeeFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        conn = UniqueConnectionName(QStringLiteral("feetest"));
        st.Db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), conn);
        st.Db.setDatabaseName(dir.filePath(QStringLiteral("Park.MDB")));
        ASSERT_TRUE(st.Db.open());
        schema::CreateSchema(st.Db);
    }
    void TearDown() override
    {
        st.Db.close();
        st.Db = QSqlDatabase();
        QSqlDatabase::removeDatabase(conn);
    }

    void insertTariff(const Row& row) { Insert(st.Db, QStringLiteral("기타"), row); }
    void setTariff(const QString& field, const QVariant& v)
    {
        Exec(st.Db, QStringLiteral("UPDATE 기타 SET %1 = ?").arg(Id(field)), {v});
    }
    void addHoliday(const QString& date, const QString& name = QStringLiteral("공휴일"))
    {
        Insert(st.Db, QStringLiteral("공휴일"), {{QStringLiteral("적요"), name}, {QStringLiteral("날짜"), date}});
    }
    void addSlot(int slot, const QVariant& fee)
    {
        Insert(st.Db, QStringLiteral("요금테이블"), {{QStringLiteral("시간"), slot}, {QStringLiteral("요금"), fee}});
    }
    // Slot n costs n * 100 won.
    void addLinearSlots()
    {
        Transaction t(st.Db);
        for (int s = 1; s <= 288; ++s) addSlot(s, s * 100);
        t.commit();
    }
    int messageCount(const QString& text) const
    {
        int n = 0;
        for (const auto& m : msgs.shown) n += m.text == text ? 1 : 0;
        return n;
    }

    QTemporaryDir dir;
    QString conn;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};
};

} // namespace tolvo::test

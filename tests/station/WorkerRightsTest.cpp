#include "common/TestStation.h"
#include "core/Sql.h"
#include "station/Login.h"
#include "core/WorkerRights.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

void SetRights(TestStation& ts, int code, std::array<bool, 6> r)
{
    Exec(ts.st.Db,
         QStringLiteral("UPDATE 근무자관리 SET 권한1 = ?, 권한2 = ?, 권한3 = ?, 권한4 = ?, 권한5 = ?, 권한6 = ? "
                        "WHERE 근무자코드 = ?"),
         {r[0], r[1], r[2], r[3], r[4], r[5], code});
}

std::map<QString, bool> MenuStates(const RecordingMainScreen& s)
{
    std::map<QString, bool> out;
    for (const RightsItem& i : kRightsItems) out[QString::fromUtf8(i.menu)] = s.isEnabled(QString::fromUtf8(i.menu));
    return out;
}

void LogIn(TestStation& ts, const QString& pw)
{
    LoginSession s(ts.st);
    ASSERT_EQ(s.passwordChanged(pw).outcome, LookupView::Outcome::Found);
    s.startOfWork();
}

} // namespace

TEST(WorkerRights, EachRightGuardsItsItems)
{
    const std::pair<const char*, int> items[] = {
        {"Mnu1", 2},           {"Mnu2", 1},           {"MnuSearch", 3},     {"Mnu3", 3},          {"Mnu4", 3},
        {"Mnu5", 3},           {"Mnu6", 4},           {"MnuFee", 4},        {"MnuPort", 4},       {"MnuDisc", 4},
        {"MnuWork", 4},        {"MnuEtc", 4},         {"MnuSysBackUp", 4},  {"MnuSysRestore", 4}, {"MnuJungBackUp", 4},
        {"MnuJungRestore", 4}, {"MnuData", 4},        {"Mnu_Td", 5},        {"Mnu8", 6}};
    for (int right = 1; right <= 6; ++right) {
        TestStation ts;
        std::array<bool, 6> r{};
        r[right - 1] = true;
        SetRights(ts, 1, r);
        LogIn(ts, QStringLiteral("739164"));
        for (const auto& [menu, guard] : items)
            EXPECT_EQ(ts.screen.isEnabled(QString::fromUtf8(menu)), guard == right) << menu << " with right " << right;
    }
}

TEST(WorkerRights, NothingEnabledDuringATicketThenBackAfterIt)
{
    TestStation ts;
    LogIn(ts, QStringLiteral("582047"));
    Apply_WorkerRights(ts.st, false);
    for (const auto& [menu, on] : MenuStates(ts.screen)) EXPECT_FALSE(on) << menu.toStdString();
    Apply_WorkerRights(ts.st, true);
    for (const auto& [menu, on] : MenuStates(ts.screen)) EXPECT_TRUE(on) << menu.toStdString();
}

TEST(WorkerRights, RightsAreReadAgainWhenApplied)
{
    TestStation ts;
    LogIn(ts, QStringLiteral("739164"));
    SetRights(ts, 1, {true, true, true, false, true, true});
    Apply_WorkerRights(ts.st, false);
    Apply_WorkerRights(ts.st, true);
    EXPECT_FALSE(ts.screen.isEnabled(QStringLiteral("Mnu6")));
    EXPECT_FALSE(ts.screen.isEnabled(QStringLiteral("MnuSysRestore")));
    EXPECT_TRUE(ts.screen.isEnabled(QStringLiteral("Mnu1")));
}

TEST(WorkerRights, RenamedWorkerKeepsTheRightsLastApplied)
{
    TestStation ts;
    SetRights(ts, 1, {false, true, false, false, false, false});
    LogIn(ts, QStringLiteral("739164"));
    Exec(ts.st.Db, QStringLiteral("UPDATE 근무자관리 SET 근무자명 = ? WHERE 근무자코드 = 1"), {QStringLiteral("새이름")});
    Apply_WorkerRights(ts.st, false);
    Apply_WorkerRights(ts.st, true);
    const auto states = MenuStates(ts.screen);
    for (const auto& [menu, on] : states) EXPECT_EQ(on, menu == QStringLiteral("Mnu1")) << menu.toStdString();
}

TEST(WorkerRights, MakerModeTestItemFollowsRight5AndDebugStaysEnabled)
{
    TestStation ts;
    SetRights(ts, 0, {true, true, true, true, false, true});
    LoginSession s(ts.st);
    s.passwordChanged(QStringLiteral("QMRTX7"));
    s.startOfWork();
    EXPECT_TRUE(ts.screen.visible.value(QStringLiteral("Mnu_Td")));
    EXPECT_FALSE(ts.screen.isEnabled(QStringLiteral("Mnu_Td")));
    EXPECT_TRUE(ts.screen.isEnabled(QStringLiteral("Mnu_Debug")));
    Apply_WorkerRights(ts.st, false);
    EXPECT_TRUE(ts.screen.isEnabled(QStringLiteral("Mnu_Debug")));
    SetRights(ts, 0, {true, true, true, true, true, true});
    Apply_WorkerRights(ts.st, true);
    EXPECT_TRUE(ts.screen.isEnabled(QStringLiteral("Mnu_Td")));
}

TEST(WorkerRights, LookupsBindTheirValues)
{
    TestStation ts;
    EXPECT_FALSE(FindWorkerByName(ts.st.Db, QStringLiteral("x' OR '1'='1")));
    EXPECT_FALSE(FindWorkerByPassword(ts.st.Db, QStringLiteral("' OR 1=1 --")));
    const auto admin = FindWorkerByCode(ts.st.Db, 0);
    ASSERT_TRUE(admin);
    EXPECT_EQ(admin->name, QStringLiteral("관리자"));
    EXPECT_EQ(admin->password, QStringLiteral("582047"));
}

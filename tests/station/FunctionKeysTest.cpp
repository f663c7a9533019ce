#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "station/FunctionKeys.h"
#include "station/Menus.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

struct NoScreens : ScreenHost {
    void showModal(const QString& form) override { shown << form; }
    void showModeless(const QString& form) override { shown << form; }
    QStringList shown;
};

struct KeyRig {
    KeyRig() : menus(ts.st, screens)
    {
        ts.st.worker.WorkerName = QStringLiteral("근무자1");
        actions.openDrawer = [this](Station&) { calls << QStringLiteral("drawer"); };
        actions.receiptReprint = [this](Station&) { calls << QStringLiteral("reprint"); };
        actions.gateOpenIn = [this](Station&, int g) { calls << QStringLiteral("in%1").arg(g); };
        actions.gateOpenOut = [this](Station&, int g) { calls << QStringLiteral("out%1").arg(g); };
        actions.ejectTicket = [this](Station&) { calls << QStringLiteral("eject"); };
        actions.eraseTicket = [this](Station&) { calls << QStringLiteral("erase"); };
    }
    void bind(int code, int key, int shift = 0, bool active = true)
    {
        Exec(ts.st.Db,
             QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, ?, ?, ?, ?)"),
             {QStringLiteral("키"), code, key, shift, active});
    }
    void press(int key, int shift = 0) { FunctionKey(ts.st, menus, actions, key, shift); }
    QString ini(const char* key) const
    {
        return Read_Ini(ts.st.IniPath, QStringLiteral("시스템"), QString::fromUtf8(key), QStringLiteral("none"));
    }

    TestStation ts;
    NoScreens screens;
    Menus menus;
    FunctionKeyActions actions;
    QStringList calls;
};

} // namespace

TEST(FunctionKeys, BarrierOpeningsAreCounted)
{
    KeyRig r;
    r.ts.st.settings.InOpenCount = 4;
    r.bind(3, 55); // a digit key works as a function key too
    r.bind(4, 113);
    r.press(55);
    r.press(55);
    r.press(113);
    EXPECT_EQ(r.calls, (QStringList{"in1", "in1", "out2"}));
    EXPECT_EQ(r.ts.st.settings.InOpenCount, 6);
    EXPECT_EQ(r.ini("입차열림"), QStringLiteral("6"));
    EXPECT_EQ(r.ts.st.settings.OutOpenCount, 1);
    EXPECT_EQ(r.ini("출차열림"), QStringLiteral("1"));
}

TEST(FunctionKeys, DeviceFunctions)
{
    KeyRig r;
    r.bind(0, 48);
    r.bind(1, 49);
    r.bind(24, 50);
    r.bind(29, 51);
    r.bind(27, 65);
    r.bind(28, 66);
    for (int k : {48, 49, 50, 51, 65, 66}) r.press(k);
    EXPECT_EQ(r.calls, (QStringList{"drawer", "reprint", "eject", "erase", "in3", "out5"}));
    EXPECT_EQ(r.ini("입차열림"), QStringLiteral("none")); // second-lane barriers are not counted
    EXPECT_EQ(r.ini("출차열림"), QStringLiteral("none"));
}

TEST(FunctionKeys, CodesThatDoNothing)
{
    KeyRig r;
    int key = 65;
    for (int code : {5, 6, 7, 8, 30, 99, -1}) r.bind(code, key++);
    for (int k = 65; k < key; ++k) r.press(k);
    EXPECT_TRUE(r.calls.isEmpty());
    EXPECT_TRUE(r.screens.shown.isEmpty());
    EXPECT_TRUE(r.ts.msgs.shown.empty());
    EXPECT_EQ(r.ts.screen.unloaded, 0);
}

TEST(FunctionKeys, KeyAndShiftMustBothMatchAnActiveRow)
{
    KeyRig r;
    r.bind(0, 112, 2);
    r.bind(1, 113, 0, false);
    r.press(112);
    r.press(112, 1);
    r.press(113);
    EXPECT_TRUE(r.calls.isEmpty());
    r.press(112, 2);
    EXPECT_EQ(r.calls, QStringList{"drawer"});
    EXPECT_EQ(FunctionCodeOf(r.ts.st, 999, 0), -1);
}

TEST(FunctionKeys, MenuFunctionsUseTheMenuRules)
{
    const std::pair<int, const char*> table[] = {
        {9, "Jung"}, {10, "IlList"}, {11, "JioList"}, {12, "BList"}, {13, "FrmFee"}, {14, "FrmPort"},
        {16, "FrmWorkMan"}, {17, "FrmPrint"}, {22, "FrmTDCnt"}, {23, "FrmInfom"}, {25, "Jungsan"},
    };
    for (const auto& [code, form] : table) {
        KeyRig r;
        r.ts.st.models.DispenserType = 1; // magnetic: the guidance-text form
        r.bind(code, 112);
        r.press(112);
        EXPECT_EQ(r.screens.shown, QStringList{QString::fromUtf8(form)}) << code;
        EXPECT_FALSE(r.ts.st.StationBusy);
    }
}

TEST(FunctionKeys, SwitchedOffMenuShowsItsDenial)
{
    const std::pair<int, const char*> table[] = {
        {25, " 께서는 정산 화면에 접근할 수 없습니다."},        {15, " 께서는 할인키 설정 화면에 접근할 수 없습니다."},
        {18, " 께서는 시스템 설정 백업에 접근할 수 없습니다."}, {19, " 께서는 시스템 설정 복구에 접근할 수 없습니다."},
        {20, " 께서는 정기권백업 화면에 접근할 수 없습니다."},  {21, " 께서는 정기권복구 화면에 접근할 수 없습니다."},
    };
    for (const auto& [code, denial] : table) {
        KeyRig r;
        r.bind(code, 112);
        r.ts.screen.setEnabled(QStringLiteral("Mnu1"), false);
        r.ts.screen.setEnabled(QStringLiteral("Mnu6"), false);
        r.press(112);
        ASSERT_EQ(r.ts.msgs.shown.size(), 1u) << code;
        EXPECT_TRUE(r.ts.msgs.shown[0].text.startsWith(QStringLiteral("근무자1") + QString::fromUtf8(denial))) << code;
        EXPECT_TRUE(r.screens.shown.isEmpty());
    }
}

TEST(FunctionKeys, PasswordMenusAndExit)
{
    KeyRig r;
    r.bind(15, 112);
    r.bind(26, 113);
    r.ts.msgs.dialogMAnswers = {1};
    r.press(112);
    EXPECT_EQ(r.screens.shown, QStringList{QStringLiteral("FrmKey")});
    r.press(113);
    EXPECT_EQ(r.ts.screen.unloaded, 1);
}

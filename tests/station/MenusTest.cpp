#include "station/ExitTestSupport.h"
#include "core/Sql.h"
#include "serial/FakeComm.h"
#include "station/Menus.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;
using tolvo::test::OnlyShown;

namespace {

// Records the screens shown and whether the station was busy meanwhile.
struct RecordingScreens : ScreenHost {
    explicit RecordingScreens(Station& s) : st(s) {}
    void showModal(const QString& form) override
    {
        shown << form;
        busyWhileShown << st.StationBusy;
    }
    void showModeless(const QString& form) override
    {
        modeless << form;
        busyWhileShown << st.StationBusy;
    }
    Station& st;
    QStringList shown, modeless;
    QList<bool> busyWhileShown;
};

struct MenuRig {
    MenuRig() : screens(ts.st), menus(ts.st, screens) { ts.st.worker.WorkerName = QStringLiteral("근무자1"); }
    TestStation ts;
    RecordingScreens screens;
    Menus menus;
};

class MenusTest : public ::testing::Test {
protected:
    MenuRig r;
};

QString Denial(const char* text)
{
    return QStringLiteral("근무자1") + QString::fromUtf8(text) + QChar(13) + QChar(13) +
           QStringLiteral("시스템 관리자에게 문의하세요!");
}

} // namespace

TEST_F(MenusTest, RightsItemsOpenTheirScreenWhileBusy)
{
    const std::pair<const char*, const char*> table[] = {
        {"Mnu1", "Jungsan"}, {"Mnu2", "Jung"}, {"Mnu3", "IlList"}, {"Mnu4", "JioList"}, {"Mnu5", "BList"},
        {"MnuFee", "FrmFee"}, {"MnuPort", "FrmPort"}, {"MnuWork", "FrmWorkMan"}, {"MnuEtc", "FrmPrint"},
    };
    for (const auto& [menu, form] : table) {
        MenuRig r;
        EXPECT_TRUE(r.menus.click(QString::fromUtf8(menu)));
        EXPECT_EQ(r.screens.shown, QStringList{QString::fromUtf8(form)}) << menu;
        EXPECT_EQ(r.screens.busyWhileShown, QList<bool>{true}) << menu;
        EXPECT_FALSE(r.ts.st.StationBusy) << menu;
        EXPECT_TRUE(r.ts.msgs.shown.empty()) << menu;
    }
}

TEST_F(MenusTest, DenialTextsForAWorkerWithoutTheRight)
{
    struct Row {
        const char* menu;
        const char* tested;
        const char* denial;
    };
    const Row rows[] = {
        {"Mnu1", "Mnu1", " 께서는 정산 화면에 접근할 수 없습니다."},
        {"Mnu2", "Mnu2", " 께서는 정기권관리 화면에 접근할 수 없습니다."},
        {"Mnu3", "Mnu3", " 께서는 일반현황 화면에 접근할 수 없습니다."},
        {"Mnu4", "Mnu4", " 께서는 정기현황 화면에 접근할 수 없습니다."},
        {"Mnu5", "Mnu5", " 께서는 부정입출 화면에 접근할 수 없습니다."},
        {"MnuFee", "Mnu6", " 께서는 요금 테이블 설정 화면에 접근할 수 없습니다."},
        {"MnuPort", "Mnu6", " 께서는 Comm 포트설정 화면에 접근할 수 없습니다."},
        {"MnuDisc", "Mnu6", " 께서는 할인키 설정 화면에 접근할 수 없습니다."},
        {"MnuWork", "Mnu6", " 께서는 근무자 설정 화면에 접근할 수 없습니다."},
        {"MnuEtc", "Mnu6", " 께서는 인쇄옵션 설정 화면에 접근할 수 없습니다."},
        {"MnuSysBackUp", "Mnu6", " 께서는 시스템 설정 백업에 접근할 수 없습니다."},
        {"MnuSysRestore", "Mnu6", " 께서는 시스템 설정 복구에 접근할 수 없습니다."},
        {"MnuJungBackUp", "Mnu6", " 께서는 정기권백업 화면에 접근할 수 없습니다."},
        {"MnuJungRestore", "Mnu6", " 께서는 정기권복구 화면에 접근할 수 없습니다."},
        {"MnuData", "Mnu6", " 께서는 데이터 베이스 관리 화면에 접근할 수 없습니다."},
        {"Mnu8", "Mnu8", " 께서는 종료 화면에 접근할 수 없습니다."},
    };
    for (const Row& row : rows) {
        MenuRig r;
        r.ts.screen.setEnabled(QString::fromUtf8(row.tested), false);
        r.menus.click(QString::fromUtf8(row.menu));
        ASSERT_EQ(r.ts.msgs.shown.size(), 1u) << row.menu;
        EXPECT_EQ(r.ts.msgs.shown[0].kind, QStringLiteral("Msg_Box"));
        EXPECT_EQ(r.ts.msgs.shown[0].title, QStringLiteral("Tarvola"));
        EXPECT_EQ(r.ts.msgs.shown[0].text, Denial(row.denial)) << row.menu;
        EXPECT_TRUE(r.screens.shown.isEmpty()) << row.menu;
        EXPECT_EQ(r.ts.screen.unloaded, 0);
        EXPECT_FALSE(r.ts.st.StationBusy);
    }
}

TEST_F(MenusTest, SystemItemsTestTheParentNotThemselves)
{
    r.ts.screen.setEnabled(QStringLiteral("MnuFee"), false);
    r.menus.click(QStringLiteral("MnuFee"));
    EXPECT_EQ(r.screens.shown, QStringList{QStringLiteral("FrmFee")});
}

TEST_F(MenusTest, AdministratorPasswordOutcomes)
{
    const std::pair<const char*, const char*> items[] = {{"MnuDisc", "FrmKey"}, {"MnuData", "frmDbase"}};
    for (const auto& [menu, form] : items) {
        for (const int answer : {1, 2, 3}) {
            MenuRig r;
            r.ts.msgs.dialogMAnswers = {answer};
            r.menus.click(QString::fromUtf8(menu));
            EXPECT_EQ(r.screens.shown.size(), answer == 1 ? 1 : 0) << menu << answer;
            if (answer == 1) {
                EXPECT_EQ(r.screens.shown[0], QString::fromUtf8(form));
                EXPECT_TRUE(r.screens.busyWhileShown[0]);
            }
            const bool wrongShown = std::any_of(r.ts.msgs.shown.begin(), r.ts.msgs.shown.end(), [](const auto& m) {
                return m.title == QStringLiteral("비밀번호 오류") &&
                       m.text == QStringLiteral("관리자 비밀번호가 정확하지 않습니다.");
            });
            EXPECT_EQ(wrongShown, answer == 2) << menu << answer;
            EXPECT_EQ(r.ts.msgs.shown.size(), answer == 2 ? 2u : 1u) << "cancel shows nothing more";
            EXPECT_FALSE(r.ts.st.StationBusy) << menu << answer;
        }
    }
}

TEST_F(MenusTest, SettingsCopyRunsOnlyWithTheRightPassword)
{
    for (const int answer : {1, 2, 3}) {
        MenuRig r;
        int backups = 0, restores = 0;
        bool busyInside = false;
        r.menus.backupToMaster = [&](Station& st) {
            ++backups;
            busyInside = st.StationBusy;
        };
        r.menus.restoreFromMaster = [&](Station&) { ++restores; };
        r.ts.msgs.dialogMAnswers = {answer, answer};
        r.menus.click(QStringLiteral("MnuSysBackUp"));
        r.menus.click(QStringLiteral("MnuSysRestore"));
        EXPECT_EQ(backups, answer == 1);
        EXPECT_EQ(restores, answer == 1);
        if (answer == 1) {
            EXPECT_TRUE(busyInside);
        }
        EXPECT_FALSE(r.ts.st.StationBusy);
    }
}

TEST_F(MenusTest, BusyIsClearedWhenTheScreenThrows)
{
    struct Throwing : ScreenHost {
        void showModal(const QString&) override { throw std::runtime_error("screen failed"); }
        void showModeless(const QString&) override {}
    } host;
    TestStation ts;
    Menus menus(ts.st, host);
    EXPECT_THROW(menus.click(QStringLiteral("MnuFee")), std::runtime_error);
    EXPECT_FALSE(ts.st.StationBusy);
}

TEST_F(MenusTest, ItemsWithoutRules)
{
    for (const char* m : {"Mnu6", "MnuFee", "Mnu8", "Mnu_Td"}) r.ts.screen.setEnabled(QString::fromUtf8(m), false);
    r.menus.click(QStringLiteral("MnuBing"));
    r.menus.click(QStringLiteral("MnuNewTD"));
    r.menus.click(QStringLiteral("MnuInfo"));
    r.menus.click(QStringLiteral("Mnu_Debug"));
    EXPECT_EQ(r.screens.shown, (QStringList{QStringLiteral("BingList"), QStringLiteral("FrmTDCnt"), QStringLiteral("frmAbout")}));
    EXPECT_EQ(r.screens.modeless, QStringList{QStringLiteral("FrmDebug")});
    EXPECT_EQ(r.screens.busyWhileShown, (QList<bool>{false, true, false, false}));
    EXPECT_TRUE(r.ts.msgs.shown.empty());
    EXPECT_FALSE(r.menus.click(QStringLiteral("MnuSearch")));
    EXPECT_FALSE(r.menus.click(QStringLiteral("Mnu6")));
}

TEST_F(MenusTest, EquipmentScreenByDispenserModel)
{
    for (const int code : {0, 1, 2, 3, 4}) {
        MenuRig r;
        r.ts.st.models.DispenserType = static_cast<quint8>(code);
        r.menus.click(QStringLiteral("Mnu_Td"));
        EXPECT_EQ(r.screens.shown, QStringList{(code == 1 || code == 2) ? QStringLiteral("FrmTest") : QStringLiteral("FrmTD")});
        EXPECT_EQ(r.screens.busyWhileShown, QList<bool>{true});
        EXPECT_FALSE(r.ts.st.StationBusy);
    }
}

TEST_F(MenusTest, ExitReaderGuideNeedsItsPort)
{
    r.ts.st.models.HasExitReader = true;
    r.menus.click(QStringLiteral("Mnu_OutRd"));
    EXPECT_EQ(OnlyShown(r.ts.msgs), QStringLiteral("출구 판독기 오류|출구 판독기의 통신연결 상태를 점검하세요!"));
    EXPECT_TRUE(r.screens.shown.isEmpty());
}

TEST_F(MenusTest, DispenserClockText)
{
    // 2026-01-04 is a Sunday, 2026-01-10 a Saturday.
    EXPECT_EQ(Menus::DispenserClockText(QStringLiteral("09"), QDateTime(QDate(2026, 1, 4), QTime(13, 5, 9))),
              QStringLiteral("0901260104130509") + QStringLiteral("0"));
    EXPECT_EQ(Menus::DispenserClockText(QStringLiteral("01"), QDateTime(QDate(2026, 1, 10), QTime(0, 0, 0))),
              QStringLiteral("01012601100000006"));
}

TEST_F(MenusTest, BarcodeDispenserClockOnAClosedPortReportsFailure)
{
    InstallFakeComm(r.ts.st);
    r.ts.st.models.DispenserType = 0;
    r.menus.click(QStringLiteral("MnuTDTime"));
    EXPECT_EQ(OnlyShown(r.ts.msgs), QStringLiteral("발권기 설정|발권기 설정 : 현재시간 설정 실패"));
    EXPECT_FALSE(r.ts.st.StationBusy);
}

TEST_F(MenusTest, DispenserClockFrameAndAnswer)
{
    FakeComm fake = InstallFakeComm(r.ts.st);
    Exec(r.ts.st.Db, QStringLiteral("UPDATE 발권기 SET 사용여부 = 1, 포트번호 = ?"), {QStringLiteral("Com1")});
    ASSERT_TRUE(Comm::InitPort(r.ts.st, QStringLiteral("발권기"), PortDispenser));
    const QString path = r.ts.st.comm->PortPath(PortDispenser);
    r.ts.st.models.DispenserUnitNo = QStringLiteral("09");
    Station* st = &r.ts.st;
    fake.ports->device(path).replier = [st](const QByteArray&) {
        st->TDAckFlag = true; // what the dispenser's receive routine does on ACK
        return QByteArray();
    };
    r.menus.click(QStringLiteral("MnuTDTime"));
    const QString text = Menus::DispenserClockText(QStringLiteral("09"), r.ts.clock.now());
    EXPECT_EQ(fake.ports->device(path).written(), TD_Frame(text));
    ASSERT_EQ(r.ts.msgs.shown.size(), 1u);
    EXPECT_EQ(r.ts.msgs.shown[0].text, QStringLiteral("발권기 설정 : 현재시간 설정 성공"));
}

TEST_F(MenusTest, WiseDispenserSendsWithoutMessageAndMagneticShowsGuide)
{
    r.ts.st.models.DispenserType = 3;
    r.menus.click(QStringLiteral("MnuTDTime"));
    EXPECT_TRUE(r.ts.msgs.shown.empty());
    r.ts.st.models.DispenserType = 2;
    r.menus.click(QStringLiteral("MnuTDTime"));
    EXPECT_EQ(r.screens.shown, QStringList{QStringLiteral("FrmInfom")});
    r.ts.st.models.DispenserType = 4;
    r.menus.click(QStringLiteral("MnuTDTime"));
    EXPECT_EQ(r.screens.shown.size(), 1);
    EXPECT_TRUE(r.ts.msgs.shown.empty());
    EXPECT_FALSE(r.ts.st.StationBusy);
}

TEST_F(MenusTest, SideMenu)
{
    r.menus.sideMenuClick(QStringLiteral("근무자 관리"));
    r.menus.sideMenuClick(QStringLiteral("요금 설정"));
    r.menus.sideMenuClick(QStringLiteral("없는 항목"));
    r.ts.screen.setEnabled(QStringLiteral("Mnu6"), false);
    r.menus.sideMenuClick(QStringLiteral("프로그램정보"));
    r.menus.sideMenuClick(QStringLiteral("종료(F6)"));
    EXPECT_EQ(r.screens.shown, (QStringList{QStringLiteral("FrmWorkMan"), QStringLiteral("FrmFee"), QStringLiteral("frmAbout")}));
    EXPECT_EQ(r.ts.screen.unloaded, 1);
}

TEST_F(MenusTest, TimerRunsAgainWhenTheWorkerStaysAfterASettingsRestore)
{
    r.menus.restoreFromMaster = [](Station& st) {
        st.screen.setTimerEnabled(false);
        st.screen.unload(); // the worker answers No to the shut-down question
    };
    r.ts.msgs.dialogMAnswers = {1};
    r.menus.click(QStringLiteral("MnuSysRestore"));
    EXPECT_EQ(r.ts.screen.unloaded, 1);
    EXPECT_TRUE(r.ts.screen.timerOn);
    EXPECT_FALSE(r.ts.st.StationBusy);
}

#include "common/TestStation.h"
#include "core/Sql.h"
#include "serial/FakeComm.h"
#include "station/Login.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;
using Outcome = LookupView::Outcome;

namespace {

const QString kAdminPw = QStringLiteral("582047");
const QString kWorker1Pw = QStringLiteral("739164");

void SetWorker(TestStation& ts, int code, const QString& name, const QString& pw, std::array<bool, 6> rights)
{
    Exec(ts.st.Db,
         QStringLiteral("UPDATE 근무자관리 SET 근무자명 = ?, 비밀번호 = ?, 권한1 = ?, 권한2 = ?, 권한3 = ?, "
                        "권한4 = ?, 권한5 = ?, 권한6 = ? WHERE 근무자코드 = ?"),
         {name, pw, rights[0], rights[1], rights[2], rights[3], rights[4], rights[5], code});
}

// The administrator logs in with the first-run password and starts work.
void AdministratorStartsWork(TestStation& ts)
{
    LoginSession s(ts.st);
    ASSERT_EQ(s.passwordChanged(kAdminPw).outcome, Outcome::Found);
    s.startOfWork();
}

} // namespace

TEST(LoginLookup, TextsThatFindNoWorker)
{
    struct Row { const char* name; const char* typed; Outcome outcome; bool noAdminRow; };
    const Row rows[] = {
        {"empty", "", Outcome::Incomplete, false}, {"five characters", "58204", Outcome::Incomplete, false},
        {"wrong password", "582048", Outcome::Wrong, false}, {"quote, five characters", "a' OR", Outcome::Incomplete, false},
        {"quote is only a wrong password", "' OR 1", Outcome::Wrong, false},
        {"maker code in lower case", "qmrtx7", Outcome::Wrong, false},
        {"maker code without administrator row", "QMRTX7", Outcome::Wrong, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        TestStation ts;
        if (r.noAdminRow) Exec(ts.st.Db, QStringLiteral("DELETE FROM 근무자관리 WHERE 근무자코드 = 0"));
        LoginSession s(ts.st);
        const LookupView v = s.passwordChanged(QString::fromUtf8(r.typed));
        EXPECT_EQ(v.outcome, r.outcome);
        EXPECT_EQ(v.lblLog, r.outcome == Outcome::Wrong ? QStringLiteral("비밀번호가 틀림니다. 확인하십시요") : QString());
        EXPECT_EQ(v.clearBox, r.outcome == Outcome::Wrong);
        EXPECT_FALSE(v.okEnabled);
        EXPECT_FALSE(s.found());
        EXPECT_FALSE(ts.st.worker.MakerMode);
    }
}

TEST(LoginLookup, RightPasswordShowsTheWorkerAndEnablesOk)
{
    TestStation ts;
    LoginSession s(ts.st);
    const LookupView v = s.passwordChanged(kWorker1Pw);
    EXPECT_EQ(v.outcome, Outcome::Found);
    EXPECT_EQ(v.lblName, QStringLiteral(" 근무자명:      근무자1"));
    EXPECT_EQ(v.lblLog, QStringLiteral("근무자1님께서 로그인 하셨습니다."));
    EXPECT_TRUE(v.okEnabled);
    EXPECT_TRUE(v.focusNext);
    EXPECT_EQ(ts.st.worker.WorkerCode, 1);
    EXPECT_EQ(ts.st.worker.WorkerName, QStringLiteral("근무자1"));
    ASSERT_TRUE(s.found());
    EXPECT_EQ(s.found()->code, 1);
}

TEST(LoginLookup, SharedPasswordTakesTheFirstRow)
{
    TestStation ts;
    SetWorker(ts, 3, QStringLiteral("근무자3"), kWorker1Pw, {true, true, true, true, true, true});
    LoginSession s(ts.st);
    s.passwordChanged(kWorker1Pw);
    ASSERT_TRUE(s.found());
    EXPECT_EQ(s.found()->code, 1);
}

TEST(StartOfWork, UncleanEndWarnsOnlyWhenTheFlagIsFalse)
{
    for (const bool clean : {true, false}) {
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 정상적인종료 = ?"), {clean});
        AdministratorStartsWork(ts);
        const bool warned = std::any_of(ts.msgs.shown.begin(), ts.msgs.shown.end(), [](const auto& m) {
            return m.text == QStringLiteral("프로그램이 정상적으로 종료되지 않았습니다.") + QChar(13) +
                                 QStringLiteral("데이터에 손상을 입힐 수 있습니다. 유의바랍니다!") &&
                   m.style == vbCritical && m.title == QStringLiteral("Tarvola");
        });
        EXPECT_EQ(warned, !clean);
        EXPECT_EQ(ts.msgs.shown.size(), clean ? 0u : 1u);
        EXPECT_FALSE(ToBool(ts.value(QStringLiteral("SELECT 정상적인종료 FROM 시스템")))) << "in progress";
    }
}

TEST(StartOfWork, UsesTheWorkerFoundAndItsCurrentRights)
{
    TestStation ts;
    LoginSession s(ts.st);
    s.passwordChanged(kWorker1Pw);
    // The rights change between the lookup and OK: OK applies the row as it is now.
    SetWorker(ts, 1, QStringLiteral("근무자1"), kWorker1Pw, {false, true, false, false, false, false});
    s.startOfWork();
    EXPECT_EQ(ts.st.worker.WorkerCode, 1);
    EXPECT_TRUE(ts.screen.isEnabled(QStringLiteral("Mnu1")));
    for (const char* m : {"Mnu2", "MnuSearch", "Mnu3", "Mnu6", "MnuFee", "MnuData", "Mnu_Td", "Mnu8"})
        EXPECT_FALSE(ts.screen.isEnabled(QString::fromUtf8(m))) << m;
}

TEST(StartOfWork, HostLampAndMasterLamp)
{
    struct Case {
        bool hostInUse, calcInUse, exitReader;
        bool connect1, connect2;
    };
    const Case cases[] = {
        {false, false, false, false, false},
        {true, false, false, true, false},
        {false, true, false, false, true},
        {false, true, true, false, false}, // port 9 serves the exit reader
    };
    for (const Case& c : cases) {
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 호스트 SET 사용여부 = ?"), {c.hostInUse});
        Exec(ts.st.Db, QStringLiteral("UPDATE 요금계산기 SET 사용여부 = ?"), {c.calcInUse});
        Exec(ts.st.Db, QStringLiteral("UPDATE 시스템 SET 출구판독기 = ?"), {c.exitReader});
        AdministratorStartsWork(ts);
        EXPECT_EQ(ts.screen.visible.value(QStringLiteral("Connect1")), c.connect1);
        EXPECT_EQ(ts.screen.visible.value(QStringLiteral("Connect2")), c.connect2);
        EXPECT_EQ(ts.st.models.HasExitReader, c.exitReader);
    }
}

TEST(StartOfWork, OptionsOfHostReaderAndBooth)
{
    struct Row { const char* host; const char* reader; const char* pos; bool hostTime, readerPrints; int posCode; };
    const Row rows[] = {{"시간수신함", "Encoding Only", "POS4", true, false, 3},
                        {"시간수신안함", "ZP-2000", "unknown", false, true, 0}}; // an unknown booth code is booth 0
    for (const Row& r : rows) {
        TestStation ts;
        ts.st.models.PosCode = 4;
        Exec(ts.st.Db, QStringLiteral("UPDATE 호스트 SET 기종 = ?"), {QString::fromUtf8(r.host)});
        Exec(ts.st.Db, QStringLiteral("UPDATE 리더기 SET 기종 = ?"), {QString::fromUtf8(r.reader)});
        Exec(ts.st.Db, QStringLiteral("UPDATE 요금계산기 SET 기종코드 = ?"), {QString::fromUtf8(r.pos)});
        AdministratorStartsWork(ts);
        EXPECT_EQ(ts.st.models.HostSendsTime, r.hostTime) << r.host;
        EXPECT_EQ(ts.st.models.ReaderCanPrint, r.readerPrints) << r.reader;
        EXPECT_EQ(ts.st.models.PosCode, r.posCode) << r.pos;
    }
}

TEST(ModelCodes, DispenserTableWithBoxLengthAndMenuCaption)
{
    struct Row {
        const char* text;
        int code, length;
        const char* caption;
    };
    const Row rows[] = {
        {"바코드", 0, 16, "발권기 시간설정"},   {"M/S (종이)", 1, 4, "발권기 안내문구 설정"},
        {"M/S (재활용)", 2, 4, "발권기 안내문구 설정"}, {"WISE", 3, 16, "발권기 시간설정"},
        {"TD_TYPE1", 4, 16, "발권기 시간설정"},
    };
    for (const Row& r : rows) {
        TestStation ts;
        Exec(ts.st.Db, QStringLiteral("UPDATE 발권기 SET 기종 = ?"), {QString::fromUtf8(r.text)});
        Load_DeviceModels(ts.st);
        EXPECT_EQ(ts.st.models.DispenserType, r.code) << r.text;
        EXPECT_EQ(ts.screen.maxLengths.value(QStringLiteral("TNum")), r.length) << r.text;
        EXPECT_EQ(ts.screen.text(QStringLiteral("MnuTDTime")), QString::fromUtf8(r.caption)) << r.text;
    }
}

TEST(ModelCodes, TextsInNoListKeepTheCodes)
{
    TestStation ts;
    ts.st.models.FeeDispType = 3;
    ts.st.models.SeasonOut1Type = 7;
    ts.st.models.DispenserType = 2;
    // First-run rows hold texts in none of the lists.
    Load_DeviceModels(ts.st);
    EXPECT_EQ(ts.st.models.FeeDispType, 3);
    EXPECT_EQ(ts.st.models.SeasonOut1Type, 7);
    EXPECT_EQ(ts.st.models.DispenserType, 2);
    EXPECT_FALSE(ts.screen.maxLengths.contains(QStringLiteral("TNum")));
    EXPECT_EQ(ts.st.models.DispenserUnitNo, QStringLiteral("09"));
}

TEST(ModelCodes, EachSeasonGateReadsItsOwnTable)
{
    TestStation ts;
    const std::pair<const char*, const char*> models[] = {{"정기권입구1", "TAG Master"}, {"정기권입구2", "Remocon(N)"},
        {"정기권출구1", "PET_CARD"}, {"정기권출구2", "HOST PASS"}, {"요금표시기", "BEST TYPE"}};
    for (const auto& [table, model] : models)
        Exec(ts.st.Db, QStringLiteral("UPDATE %1 SET 기종 = ?").arg(QString::fromUtf8(table)), {QString::fromUtf8(model)});
    Load_DeviceModels(ts.st);
    const DeviceModels& m = ts.st.models;
    EXPECT_EQ(std::vector<int>({m.SeasonIn1Type, m.SeasonIn2Type, m.SeasonOut1Type, m.SeasonOut2Type, m.FeeDispType}),
              std::vector<int>({1, 3, 4, 5, 2}));
}

TEST(ModelCodes, UnitNumberFormat)
{
    const std::pair<QVariant, const char*> rows[] = {{"1", "01"}, {"12", "12"}, {"123", "123"}, {QString(), "00"}, {QVariant(), "00"}, {"A1", "A1"},
                                                    {"  ", "00"}};
    for (const auto& [in, out] : rows) EXPECT_EQ(FormatUnitNo(in), QString::fromUtf8(out)) << in.toString().toStdString();
}

TEST(StartOfWork, HostGreetingOnlyWhenItsPortIsOpen)
{
    for (const bool portFails : {false, true}) {
        TestStation ts;
        FakeComm fake = InstallFakeComm(ts.st);
        Exec(ts.st.Db, QStringLiteral("UPDATE 호스트 SET 사용여부 = 1, 포트번호 = ?"), {QStringLiteral("Com9")});
        const QString path = PortDevicePath(ts.st.IniPath, QStringLiteral("Com9"));
        if (portFails) fake.ports->failing.insert(path);
        AdministratorStartsWork(ts);
        EXPECT_TRUE(ts.screen.visible.value(QStringLiteral("Connect1")));
        EXPECT_EQ(ts.st.comm->PortOpen(PortHost), !portFails);
        const QByteArray written = fake.ports->has(path) ? fake.ports->device(path).written() : QByteArray();
        EXPECT_EQ(written, portFails ? QByteArray() : QByteArray("\x05\x02", 2));
        EXPECT_EQ(ts.st.worker.WorkerName, QStringLiteral("관리자")) << "a failing port does not stop the start";
    }
}

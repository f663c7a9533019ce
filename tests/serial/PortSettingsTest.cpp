// The port settings screen's logic: the loop test against a fake echo, the
// gate list's codes, and what "종료" and closing apply.

#include "serial/SerialTestUtil.h"

#include "serial/FrmPort.h"
#include "serial/PortSettings.h"
#include "core/Sql.h"

#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

class PortSettingsTest : public ::testing::Test {
protected:
    PortSettingsTest()
    {
        Exec(st.Db, "UPDATE 호스트 SET 사용여부 = 1, 포트번호 = 'Com9'");
        // The host echoes the loop-test frame as its receive routine would.
        st.comm->setOnComm([this](int i, CommEvent) {
            if (st.comm->Input(i).contains("PORT_TEST")) st.PortTestEcho = true;
        });
    }
    FrameEdits unchanged() const
    {
        FrameEdits e;
        e[PortHost].fields.insert("사용여부", true);
        return e;
    }

    TestStation ts;
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
    PortSettingsLogic logic{st};
};

struct LoopCase {
    const char* name;
    int echoEvery;   // 0: never echoes
    bool inUse;
    const char* status;
    const char* message;
};
void PrintTo(const LoopCase& c, std::ostream* os) { *os << c.name; }

class LoopTest : public PortSettingsTest, public ::testing::WithParamInterface<LoopCase> {};

TEST_P(LoopTest, CountsEchoes)
{
    const LoopCase& c = GetParam();
    int sent = 0;
    fake.ports->device("/dev/ttyS8").replier = [&](const QByteArray& b) {
        return c.echoEvery && ++sent % c.echoEvery == 0 ? b : QByteArray();
    };
    st.comm->DebugOn = true;
    st.comm->DebugDevice = PortHost;
    QString status;
    logic.onStatus = [&](const QString& s) { status = s; };
    FrameEdits e = unchanged();
    e[PortHost].fields.insert("사용여부", c.inUse);

    logic.loopTest(e, PortHost);

    EXPECT_EQ(status, QString::fromUtf8(c.status));
    ASSERT_FALSE(ts.msgs.shown.empty());
    EXPECT_EQ(ts.msgs.shown.back().title, "포트 테스트");
    EXPECT_EQ(ts.msgs.shown.back().text, QString::fromUtf8(c.message));
    EXPECT_FALSE(logic.running());
    if (c.inUse) {
        EXPECT_EQ(st.comm->trace.text().count("  FeedBack Test 시도   : "), 100);
    }
}

INSTANTIATE_TEST_SUITE_P(
    PortSettings, LoopTest,
    ::testing::Values(
        LoopCase{"AllAnswered", 1, true, "전송횟수 : 100 성공횟수 : 100 실패횟수 : 000",
                 "포트 테스트 : 데이터 송수신 성공률 100 %"},
        LoopCase{"HalfAnswered", 2, true, "전송횟수 : 100 성공횟수 : 050 실패횟수 : 050",
                 "포트 테스트 : 데이터 송수신 성공률 50 %"},
        LoopCase{"PortClosed", 0, false, "통신포트가 정상적으로 설정되었습니다.",
                 "포트를 먼저 정상적으로 Open 한후 테스트 바랍니다"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PortSettings, GatePositionsGiveCodesWithFourAndFiveSwapped)
{
    const int expected[10] = {0, 1, 2, 3, 5, 4, 6, 7, 8, 9};
    for (int pos = 0; pos < 10; ++pos) EXPECT_EQ(GateCodeOfPosition(pos), expected[pos]) << pos;
    EXPECT_FALSE(GateCodeOfPosition(-1));
}

struct FinishCase {
    const char* name;
    int dispenser, reader, host, pos;
    bool exitReader;
    int tnum;
    const char* caption;
    quint8 dispenserType, posCode;
    bool canPrint, sendsTime;
};
void PrintTo(const FinishCase& c, std::ostream* os) { *os << c.name; }

class FinishTest : public PortSettingsTest, public ::testing::WithParamInterface<FinishCase> {};

TEST_P(FinishTest, SetsModelsSystemFlagAndMenu)
{
    const FinishCase& c = GetParam();
    st.models.DispenserType = 3;
    st.models.PosCode = 2;
    FrameEdits e = unchanged();
    e[PortDispenser].model = c.dispenser;
    e[PortReader].model = c.reader;
    e[PortHost].model = c.host;
    e[PortCalc].model = c.pos;
    logic.chooseMode(c.exitReader);

    logic.finish(e);
    logic.close(e);

    EXPECT_EQ(ts.screen.maxLengths.value("TNum"), c.tnum);
    EXPECT_EQ(ts.screen.text("MnuTDTime"), QString::fromUtf8(c.caption));
    EXPECT_EQ(st.models.DispenserType, c.dispenserType);
    EXPECT_EQ(st.models.PosCode, c.posCode);
    EXPECT_EQ(st.models.ReaderCanPrint, c.canPrint);
    EXPECT_EQ(st.models.HostSendsTime, c.sendsTime);
    EXPECT_EQ(st.models.HasExitReader, c.exitReader);
    EXPECT_EQ(ts.value("SELECT 출구판독기 FROM 시스템").toInt(), c.exitReader ? 1 : 0);
    EXPECT_EQ(ts.screen.visible.value("Connect2"), false);
}

INSTANTIATE_TEST_SUITE_P(
    PortSettings, FinishTest,
    ::testing::Values(
        FinishCase{"PaperDispenser", 1, 1, 0, 3, true, 4, "발권기 안내문구 설정", 1, 3, false, true},
        FinishCase{"BarcodeDispenser", 0, 0, 1, 5, false, 16, "발권기 시간설정", 0, 5, true, false},
        FinishCase{"NoSelectionKeepsCodes", -1, -1, -1, -1, false, 16, "발권기 시간설정", 3, 2, true, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PortSettingsTest, ClosingWithoutFinishStoresRowsAndRestoresExitReaderFlag)
{
    int gateLoads = 0;
    st.routines.Load_GateCtl = [&](Station&) { ++gateLoads; };
    st.models.SeasonOut2Type = 7;
    FrameEdits e = unchanged();
    e[PortSeasonIn1].model = 5; // PET_CARD
    e[PortSeasonIn1].fields.insert("Gate제어", "정기권입구1(DTR)");
    e[PortCalc].fields.insert("사용여부", true);
    logic.chooseMode(true);

    logic.close(e);

    EXPECT_FALSE(st.models.HasExitReader);
    EXPECT_EQ(ts.value("SELECT 출구판독기 FROM 시스템").toInt(), 0);
    EXPECT_EQ(st.models.SeasonIn1Type, 4);
    EXPECT_EQ(st.models.SeasonOut2Type, 7);
    EXPECT_EQ(ts.value("SELECT 기종 || '/' || Gate제어 FROM 정기권입구1").toString(), "PET_CARD/정기권입구1(DTR)");
    EXPECT_EQ(gateLoads, 1);
    EXPECT_TRUE(st.comm->PortOpen(PortHost));
    EXPECT_TRUE(ts.screen.visible.value("Connect1"));
    EXPECT_TRUE(ts.screen.visible.value("Connect2"));
}

TEST_F(PortSettingsTest, ScreenRefusesClosingAndOtherButtonsDuringLoopTest)
{
    FrmPort form(st);
    form.show();
    bool closed = true, testEnabled = true;
    fake.ports->device("/dev/ttyS8").replier = [&](const QByteArray& b) {
        if (closed) {
            closed = form.close();
            testEnabled = form.findChild<QPushButton*>("Command1_0")->isEnabled();
        }
        return b;
    };
    QTest::mouseClick(form.findChild<QPushButton*>("Command2_8"), Qt::LeftButton);
    EXPECT_FALSE(closed);
    EXPECT_FALSE(testEnabled);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.findChild<QPushButton*>("Command1_0")->isEnabled());
}

} // namespace

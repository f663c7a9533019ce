#include "gates/GateRig.h"

#include "gates/Barrier.h"
#include "gates/GateSettings.h"
#include "serial/Comm.h"
#include "station/FunctionKeys.h"
#include "station/Menus.h"

#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

void SetModels(Station& st, quint8 in1, quint8 out1, quint8 in2, quint8 out2)
{
    st.models.SeasonIn1Type = in1;
    st.models.SeasonOut1Type = out1;
    st.models.SeasonIn2Type = in2;
    st.models.SeasonOut2Type = out2;
}

int GateIndexOf(qint16 gate, bool in)
{
    if (in) return gate == 1 ? GateIn1 : GateIn2;
    return gate == 2 ? GateOut1 : GateOut2;
}

struct OpenCase {
    const char* name;
    bool in;
    qint16 gate;
    quint8 code, port, model;
    int sentPort;      // -1: nothing written anywhere
    const char* hex;   // what sentPort received
    int relay;         // fee-display relay pulsed (List1 of the "VD0   TYPE" display), -1 none
    char line;         // 'D' or 'R' pulsed on linePort, 0 none
    int linePort;
    const char* trace; // the barrier's trace line, "" none
};

void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }

class OpenMatrix : public ::testing::TestWithParam<OpenCase> {};

TEST_P(OpenMatrix, SendsByCodePortAndModel)
{
    const OpenCase& c = GetParam();
    GateRig r;
    r.st.models.FeeDispType = 4; // "VD0   TYPE": relays 0 to 3, each one named on List1
    r.st.models.DispenserUnitNo = QStringLiteral("01");
    const quint8 m = c.model;
    SetModels(r.st, m, m, m, m);
    r.st.gates.Control[size_t(GateIndexOf(c.gate, c.in))] = GateControl{c.code, c.port};

    if (c.in) r.st.routines.Gate_OpenIn(r.st, c.gate);
    else r.st.routines.Gate_OpenOut(r.st, c.gate);

    if (c.relay >= 0) {
        EXPECT_EQ(r.ts.screen.list1, QStringList{QStringLiteral("차단기작동 :  GATE NUM = %1").arg(c.relay)});
        EXPECT_TRUE(r.written(PortFeeDisp).startsWith(QByteArray("\x02R") + QByteArray::number(c.relay + 1) + "1\x03"));
    } else if (c.sentPort >= 0) {
        EXPECT_EQ(r.written(c.sentPort).toHex(' '), Hex(c.hex).toHex(' '));
    }
    EXPECT_TRUE(r.writesElsewhere({c.relay >= 0 ? int(PortFeeDisp) : c.sentPort}).isEmpty()); // -1 excepts no port
    for (int p : {0, 1, 2, 3, 5, 7}) {
        const auto& changes = r.dev(p).lineChanges;
        // Opening drove both lines low; a pulse adds on and off.
        const bool pulsed = c.line && p == c.linePort;
        ASSERT_EQ(changes.size(), pulsed ? 4u : 2u) << "port " << p;
        if (pulsed) {
            EXPECT_TRUE(changes[2].line == c.line && changes[2].on && changes[3].line == c.line && !changes[3].on);
        }
    }
    const QStringList expected = *c.trace ? QStringList{QString::fromUtf8(c.trace)} : QStringList{};
    EXPECT_EQ(r.traceTexts(), expected);
}

#define IN_FEE " 입구차단기 : 요금표시기에서 OPEN "
#define OUT_FEE " 출구차단기 : 요금표시기에서 OPEN "

INSTANTIATE_TEST_SUITE_P(
    Means, OpenMatrix,
    ::testing::Values(
        // fee-display relay
        OpenCase{"relayIn1", true, 1, 0, 7, 0, -1, "", 0, 0, 0, IN_FEE},
        OpenCase{"relayIn3", true, 3, 0, 7, 0, -1, "", 2, 0, 0, IN_FEE},
        OpenCase{"relayOut2", false, 2, 0, 7, 0, -1, "", 1, 0, 0, OUT_FEE},
        OpenCase{"relayOut5", false, 5, 0, 7, 0, -1, "", 3, 0, 0, OUT_FEE},
        OpenCase{"relayOut2PetCard", false, 2, 0, 7, 4, -1, "", 1, 0, 0, OUT_FEE},
        // the reader's own controller
        OpenCase{"ownIdTech", true, 1, 0, 1, 0, -1, "", -1, 0, 0, ""},
        OpenCase{"ownTagMasterIn1", true, 1, 0, 1, 1, 1, "06", -1, 0, 0, ""},
        OpenCase{"ownTagMasterOut5", false, 5, 0, 5, 1, 5, "06", -1, 0, 0, ""},
        OpenCase{"ownRemoconTIn1", true, 1, 0, 1, 2, 1, "b1", -1, 0, 0,
                 " 입구차단기 : (REMOCON_T) 자체 CONTROLLER에서 OPEN "},
        OpenCase{"ownRemoconNOut2", false, 2, 0, 2, 3, 2, "59", -1, 0, 0,
                 " 출구차단기 : (REMOCON_N) 자체 CONTROLLER에서 OPEN "},
        OpenCase{"ownPetCardOut2", false, 2, 0, 2, 4, -1, "", -1, 0, 0, ""},
        OpenCase{"ownHostPassIn3", true, 3, 0, 3, 5, -1, "", -1, 0, 0, ""},
        OpenCase{"ownFirstechOut5", false, 5, 0, 5, 6, -1, "", -1, 0, 0, ""},
        OpenCase{"ownCredipassIn3", true, 3, 0, 3, 7, 3, "02f30d", -1, 0, 0,
                 " 입구차단기 : (CREDIPASS) 자체 CONTROLLER에서 OPEN "},
        OpenCase{"ownDirAIn1", true, 1, 0, 1, 8, 1, "3149", -1, 0, 0,
                 " 입구차단기 : (리츠앤A) 자체 CONTROLLER에서 OPEN "},
        OpenCase{"ownDirBOut5", false, 5, 0, 5, 9, 5, "314f", -1, 0, 0,
                 " 출구차단기 : (리츠앤B) 자체 CONTROLLER에서 OPEN "},
        // modem-control lines, also on another gate's port
        OpenCase{"dtrIn1OnPort3", true, 1, 1, 3, 0, -1, "", -1, 'D', 3, " 입구차단기 : (DTR) 신호에서 OPEN "},
        OpenCase{"rtsOut2OnPort7", false, 2, 2, 7, 1, -1, "", -1, 'R', 7, " 출구차단기 : (RTS) 신호에서 OPEN "},
        OpenCase{"dtrOut5OnPort1", false, 5, 1, 1, 3, -1, "", -1, 'D', 1, " 출구차단기 : (DTR) 신호에서 OPEN "},
        // PLUS frames
        OpenCase{"plusIn3", true, 3, 3, 3, 0, 3, "024903", -1, 0, 0, " 입구차단기 : (PLUS TYPE) 에서 OPEN "},
        OpenCase{"plusOut5", false, 5, 3, 5, 0, 5, "024f03", -1, 0, 0, " 출구차단기 : (PLUS TYPE) 에서 OPEN "},
        OpenCase{"plusIn1OnFeePort", true, 1, 3, 7, 2, 7, "024903", -1, 0, 0, " 입구차단기 : (PLUS TYPE) 에서 OPEN "},
        // the barcode dispenser, unit "01": data "0112"
        OpenCase{"dispenserIn1", true, 1, 4, 0, 0, 0, "02303131320301", -1, 0, 0, " 입구차단기 : 바코드발행기 에서 OPEN "},
        OpenCase{"dispenserAtExit", false, 2, 4, 0, 0, -1, "", -1, 0, 0, ""},
        OpenCase{"unknownCode", true, 1, 5, 1, 3, -1, "", -1, 0, 0, ""},
        // an entrance whose cards the dispenser reads is never opened here
        OpenCase{"petCardEntranceRelay", true, 1, 0, 7, 4, -1, "", -1, 0, 0, ""},
        OpenCase{"petCardEntranceDtr", true, 3, 1, 3, 4, -1, "", -1, 0, 0, ""}),
    [](const ::testing::TestParamInfo<OpenCase>& i) { return std::string(i.param.name); });

} // namespace

TEST(Barrier, LinePulseHoldsTheLineHalfASecondWithoutEvents)
{
    GateRig r;
    r.st.gates.Control[GateOut1] = GateControl{1, 2};
    r.st.comm->SetDTR(2, true); // already on before the call
    const qint64 start = r.fake.waits->nowMs();
    const int eventRuns = r.fake.waits->eventRuns;
    r.st.routines.Gate_OpenOut(r.st, 2);
    const auto& ch = r.dev(2).lineChanges;
    ASSERT_EQ(ch.size(), 5u);
    EXPECT_TRUE(ch[3].on && !ch[4].on);
    EXPECT_EQ(ch[4].atMs - ch[3].atMs, 500);
    EXPECT_EQ(ch[3].atMs, start);
    EXPECT_EQ(r.fake.waits->eventRuns, eventRuns);
}

TEST(Barrier, AClosedControlPortGetsNothing)
{
    GateRig r;
    SetModels(r.st, 3, 3, 3, 3);
    r.st.gates.Control[GateIn1] = GateControl{3, 2};
    r.st.gates.Control[GateOut2] = GateControl{0, 5};
    r.close(2);
    r.close(5);
    r.st.routines.Gate_OpenIn(r.st, 1);
    r.st.routines.Gate_OpenOut(r.st, 5);
    EXPECT_TRUE(r.writesElsewhere({}).isEmpty());
    EXPECT_TRUE(r.traceTexts().isEmpty());
}

TEST(Barrier, NoSettingMeansNothingIsSentEvenToTheDispenser)
{
    GateRig r;
    SetModels(r.st, 1, 1, 1, 1); // TAG Master would answer on port 0's setting
    r.st.routines.Load_GateCtl(r.st); // first-run rows: no Gate제어
    r.ts.screen.list1.clear();
    r.st.comm->trace.clear();
    for (qint16 g : {1, 3}) r.st.routines.Gate_OpenIn(r.st, g);
    for (qint16 g : {1, 2, 3, 5}) r.st.routines.Gate_OpenOut(r.st, g);
    EXPECT_TRUE(r.writesElsewhere({}).isEmpty());
    EXPECT_TRUE(r.traceTexts().isEmpty());
}

TEST(Barrier, AnyEntranceButOneUsesEntranceTwoAndAnyExitButTwoUsesExitTwo)
{
    GateRig r;
    r.st.gates.Control[GateIn2] = GateControl{3, 3};
    r.st.gates.Control[GateOut2] = GateControl{3, 5};
    r.st.routines.Gate_OpenIn(r.st, 7);
    r.st.routines.Gate_OpenOut(r.st, 4);
    EXPECT_EQ(r.written(3), Hex("024903"));
    EXPECT_EQ(r.written(5), Hex("024f03"));
}

// ---- the combined lane: exit direction of a reader on an entrance port ----

struct CombinedCase {
    const char* name;
    qint16 gate;
    quint8 entranceModel;
    quint8 code, port;
    bool portOpen;
    int sentPort;
    const char* hex;
    bool traced;
};

void PrintTo(const CombinedCase& c, std::ostream* os) { *os << c.name; }

class CombinedLane : public ::testing::TestWithParam<CombinedCase> {};

TEST_P(CombinedLane, UsesTheEntranceSettingOnlyForTheCombinedModels)
{
    const CombinedCase& c = GetParam();
    GateRig r;
    r.st.models.FeeDispType = 0; // "VELDAMOR": relays 0 and 1
    SetModels(r.st, c.entranceModel, 0, c.entranceModel, 0);
    r.st.gates.Control[c.gate == 1 ? GateIn1 : GateIn2] = GateControl{c.code, c.port};
    r.st.gates.Control[GateOut1] = GateControl{3, 2}; // never used by a combined read
    r.st.gates.Control[GateOut2] = GateControl{3, 5};
    if (!c.portOpen) r.close(c.port);
    r.st.routines.Gate_OpenOut(r.st, c.gate);
    if (c.sentPort >= 0) {
        EXPECT_EQ(r.written(c.sentPort).toHex(' '), Hex(c.hex).toHex(' '));
    }
    EXPECT_TRUE(r.writesElsewhere({c.sentPort}).isEmpty());
    EXPECT_EQ(r.traceTexts().size(), c.traced ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Gates, CombinedLane,
    ::testing::Values(
        // relay 1 of the "VELDAMOR" display: STX ESC "$?LR22" ETX
        CombinedCase{"dirARelay", 1, 8, 0, 7, true, 7, "021b243f4c52323203", true},
        // port 7 closed: Gate_Pulse sends nothing, the line is written all the same
        CombinedCase{"dirARelayClosed", 1, 8, 0, 7, false, -1, "", true},
        CombinedCase{"dirBOwnController", 3, 9, 0, 3, true, 3, "314f", true},
        CombinedCase{"dirAPlusOnClosedPort", 3, 8, 3, 3, false, -1, "", false},
        CombinedCase{"idTechEntrance", 1, 0, 0, 7, true, -1, "", false},
        CombinedCase{"remoconNEntrance", 3, 3, 0, 3, true, -1, "", false}),
    [](const ::testing::TestParamInfo<CombinedCase>& i) { return std::string(i.param.name); });

// ---- refusal ----

TEST(Barrier, RefusalOnlyForRemoconNAndOnlyToItsOpenPort)
{
    for (quint8 model = 0; model <= 9; ++model) {
        GateRig r;
        SetModels(r.st, model, model, model, model);
        for (qint16 g : {1, 2, 3, 5}) {
            r.st.gates.Control[size_t(GateIndexOf(g, g == 1 || g == 3))] = GateControl{0, quint8(g)};
            r.st.routines.Gate_RefuseIn(r.st, g);
            r.st.routines.Gate_RefuseOut(r.st, g);
        }
        for (int p : {1, 2, 3, 5})
            EXPECT_EQ(r.written(p), model == 3 ? QByteArray("NN") : QByteArray()) << "model " << int(model) << " port " << p;
        EXPECT_TRUE(r.writesElsewhere({1, 2, 3, 5}).isEmpty());
        EXPECT_TRUE(r.traceTexts().isEmpty());
    }
    GateRig closed;
    SetModels(closed.st, 3, 3, 3, 3);
    closed.close(2);
    closed.st.routines.Gate_RefuseOut(closed.st, 2);
    EXPECT_TRUE(closed.writesElsewhere({}).isEmpty());
}

// ---- the M/S dispenser's output ports ----

class DispenserPairTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        r.st.models.DispenserType = 1;
        r.st.gates.Control[GateIn1] = GateControl{4, 0};
    }
    QByteArray on = Hex("02" "433030323030303030303031" "03" "73");
    QByteArray off = Hex("02" "433030323030303030303030" "03" "72");
    GateRig r;
};

TEST_F(DispenserPairTest, OnNowOffAfterTheLastRequest)
{
    r.st.routines.Gate_OpenIn(r.st, 1);
    EXPECT_EQ(r.written(0), on); // no wait inside the call
    r.st.routines.Gate_OpenIn(r.st, 1);
    EXPECT_EQ(r.written(0), on + on);
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.written(0).size() > 2 * on.size(); }, 3000));
    QTest::qWait(2 * DispenserPair::OffDelayMs);
    EXPECT_EQ(r.written(0), on + on + off);
    EXPECT_EQ(r.traceTexts(), QStringList(2, QStringLiteral(" 입구차단기 : M/S발행기 에서 OPEN ")));
}

TEST_F(DispenserPairTest, ClosingThePortSendsTheOffAndANewRequestOwesItsOwn)
{
    r.st.models.DispenserType = 2;
    r.st.routines.Gate_OpenIn(r.st, 1);
    r.close(0);
    EXPECT_EQ(r.written(0), on + off);
    r.open(0);
    r.st.routines.Gate_OpenIn(r.st, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return r.written(0).size() >= 2 * (on.size() + off.size()); }, 3000));
    QTest::qWait(2 * DispenserPair::OffDelayMs);
    EXPECT_EQ(r.written(0), on + off + on + off);
}

TEST_F(DispenserPairTest, AClosedDispenserPortSendsNothing)
{
    r.close(0);
    r.st.routines.Gate_OpenIn(r.st, 1);
    r.st.models.DispenserType = 0;
    r.st.routines.Gate_OpenIn(r.st, 1);
    EXPECT_TRUE(r.written(0).isEmpty());
    EXPECT_TRUE(r.traceTexts().isEmpty());
}

// ---- the booth's function keys ----

namespace {
struct NoScreens : ScreenHost {
    void showModal(const QString&) override {}
    void showModeless(const QString&) override {}
};
} // namespace

TEST(Barrier, FunctionKeysOpenTheFourBarriers)
{
    GateRig r;
    r.st.worker.WorkerName = QStringLiteral("근무자1");
    for (int i = 0; i < 4; ++i) r.st.gates.Control[size_t(i)] = GateControl{3, quint8(GatePort(i))};
    NoScreens screens;
    Menus menus(r.st, screens);
    const FunctionKeyActions actions = DefaultFunctionKeyActions();
    const std::array<std::pair<int, int>, 4> keys{{{3, 112}, {4, 113}, {27, 114}, {28, 115}}};
    for (const auto& [code, key] : keys)
        Exec(r.st.Db, QStringLiteral("INSERT INTO 기능키 (명칭, 기능코드, 키코드1, 키코드2, 사용여부) VALUES (?, ?, ?, 0, 1)"),
             {QStringLiteral("차단기"), code, key});
    for (const auto& [code, key] : keys) FunctionKey(r.st, menus, actions, key, 0);
    EXPECT_EQ(r.written(1), Hex("024903"));
    EXPECT_EQ(r.written(2), Hex("024f03"));
    EXPECT_EQ(r.written(3), Hex("024903"));
    EXPECT_EQ(r.written(5), Hex("024f03"));
    EXPECT_EQ(r.st.settings.InOpenCount, 1);
    EXPECT_EQ(r.st.settings.OutOpenCount, 1);
}

#include "serial/SerialTestUtil.h"

#include "serial/FeeDisplay.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

enum class Op { Amount, Time, Clear, GateOpen, Pulse, Status, TimeText };

struct FrameCase {
    const char* name;
    int model;
    bool baud9600;
    Op op;
    qint32 number; // amount or gate
    const char* text; // time argument
    const char* hex;  // every byte sent, joined
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class FeeDispFixture : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(st.comm->openPort(PortFeeDisp, "/dev/ttyS6", SerialSettings{})); }
    FakeDevice& disp() { return fake.ports->device("/dev/ttyS6"); }
    void setModel(int model, bool baud9600)
    {
        st.models.FeeDispType = quint8(model);
        st.comm->feeDisp.FeeDispBaud = baud9600 ? "9600" : "2400";
    }
    void run(Op op, qint32 number, const QString& text)
    {
        switch (op) {
        case Op::Amount: FeeDisp_Amount(st, number); break;
        case Op::Time: FeeDisp_Time(st, text); break;
        case Op::Clear: FeeDisp_Clear(st); break;
        case Op::GateOpen: FeeDisp_GateOpen(st); break;
        case Op::Pulse: Gate_Pulse(st, qint16(number)); break;
        case Op::Status: FeeDisp_Status(st); break;
        case Op::TimeText: Disp_TimeText(st); break;
        }
    }

    TestStation ts{TestStation::Db::None, QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0))};
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
};

class FeeDispFrames : public FeeDispFixture, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FeeDispFrames, SendsExactlyTheseBytes)
{
    const FrameCase& c = GetParam();
    setModel(c.model, c.baud9600);
    run(c.op, c.number, QString::fromUtf8(c.text));
    EXPECT_EQ(disp().written().toHex(' '), QByteArray::fromHex(c.hex).toHex(' '));
}

#define HDR0 "021B7B306D1B7B313B3148" // STX ESC{0m ESC{1;1H

INSTANTIATE_TEST_SUITE_P(
    Models, FeeDispFrames,
    ::testing::Values(
        // model 0 "VELDAMOR"
        FrameCase{"m0_amount", 0, false, Op::Amount, 500, "", HDR0 "202020353030" "03"},
        FrameCase{"m0_amount_7digits", 0, false, Op::Amount, 1234567, "", HDR0 "393939393939" "03"},
        FrameCase{"m0_time", 0, false, Op::Time, 0, "0930", HDR0 "20" "3039" "2D" "3330" "03"},
        FrameCase{"m0_clear", 0, false, Op::Clear, 0, "", HDR0 "202020202020" "03"},
        FrameCase{"m0_gateopen", 0, false, Op::GateOpen, 0, "",
                  "02" "1B7B356D" "1B7B313B3148" "2D504153532D" "1B7B326D" "1B243F4C523232" "03"},
        FrameCase{"m0_pulse0", 0, false, Op::Pulse, 0, "", "02" "1B243F4C523132" "03"},
        FrameCase{"m0_pulse1", 0, false, Op::Pulse, 1, "", "02" "1B243F4C523232" "03"},
        FrameCase{"m0_pulse5", 0, false, Op::Pulse, 5, "", ""},
        FrameCase{"m0_status", 0, false, Op::Status, 0, "", ""},
        // model 1 "KIS    TYPE", other baud and 9600
        FrameCase{"m1_amount", 1, false, Op::Amount, 500, "", "44" "303030353030" "0D"},
        FrameCase{"m1_amount_7digits", 1, false, Op::Amount, 1234567, "", "44" "393939393939" "0D"},
        FrameCase{"m1_time", 1, false, Op::Time, 0, "0930", "54" "30393330" "0D"},
        FrameCase{"m1_clear", 1, false, Op::Clear, 0, "", "450D"},
        FrameCase{"m1_gateopen", 1, false, Op::GateOpen, 0, "", "520D"},
        FrameCase{"m1_pulse0", 1, false, Op::Pulse, 0, "", "520D"},
        FrameCase{"m1_pulse1", 1, false, Op::Pulse, 1, "", ""},
        FrameCase{"m1_9600_amount", 1, true, Op::Amount, 500, "", "025744" "303030353030" "030D0A"},
        FrameCase{"m1_9600_time", 1, true, Op::Time, 0, "0930", "025754" "30393330" "030D0A"},
        FrameCase{"m1_9600_clear", 1, true, Op::Clear, 0, "", "025745030D0A"},
        FrameCase{"m1_9600_gateopen", 1, true, Op::GateOpen, 0, "", "025752030D0A"},
        // model 2 "BEST TYPE": raw frames with the check nibble
        FrameCase{"m2_amount", 2, false, Op::Amount, 500, "", "A0011107" "202020353030" "05" "02" "B0"},
        FrameCase{"m2_amount_7digits", 2, false, Op::Amount, 1234567, "", "A0011107" "393939393939" "05" "03" "B0"},
        FrameCase{"m2_amount_negative", 2, false, Op::Amount, -30, "", "A0011107" "202020202030" "05" "0D" "B0"},
        FrameCase{"m2_time", 2, false, Op::Time, 0, "0930", "A0011107" "2030392D3330" "05" "06" "B0"},
        FrameCase{"m2_clear", 2, false, Op::Clear, 0, "", "A0011107" "202020202020" "05" "0D" "B0"},
        FrameCase{"m2_pulse1", 2, false, Op::Pulse, 1, "", ""},
        // model 3 "PLUS TYPE": block check covering STX
        FrameCase{"m3_amount0", 3, false, Op::Amount, 0, "", "02" "202020202030" "03" "11"},
        FrameCase{"m3_time", 3, false, Op::Time, 0, "0930", "02" "5430393330" "03" "5F"},
        FrameCase{"m3_clear", 3, false, Op::Clear, 0, "", "02450344"},
        FrameCase{"m3_gateopen", 3, false, Op::GateOpen, 0, "", "02474F4E0347"},
        FrameCase{"m3_pulse0", 3, false, Op::Pulse, 0, "", "02474F4E0347"},
        FrameCase{"m3_pulse1", 3, false, Op::Pulse, 1, "", ""},
        // model 4 "VD0   TYPE"
        FrameCase{"m4_amount", 4, false, Op::Amount, 500, "", "025744" "202020353030" "03"},
        FrameCase{"m4_amount_7digits", 4, false, Op::Amount, 1234567, "", "025744" "393939393939" "03"},
        FrameCase{"m4_amount_widest", 4, false, Op::Amount, 123456, "", "025744" "313233343536" "03"},
        FrameCase{"m1_amount_widest", 1, false, Op::Amount, 100000, "", "44" "313030303030" "0D"},
        FrameCase{"m4_amount_negative", 4, false, Op::Amount, -1, "", "025744" "202020202030" "03"},
        FrameCase{"m4_time", 4, false, Op::Time, 0, "0930", "025754" "30393330" "03"},
        FrameCase{"m4_clear", 4, false, Op::Clear, 0, "", "02574503"},
        FrameCase{"m4_status", 4, false, Op::Status, 0, "", "02575303"},
        // the time must be exactly four characters; an unknown model sends nothing
        FrameCase{"m4_time_short", 4, false, Op::Time, 0, "930", ""},
        FrameCase{"m0_time_long", 0, false, Op::Time, 0, "09300", ""},
        FrameCase{"m5_amount", 5, false, Op::Amount, 500, "", ""},
        FrameCase{"m5_gateopen", 5, false, Op::GateOpen, 0, "", ""},
        // the date-and-time text ignores the model
        FrameCase{"m0_timetext", 0, false, Op::TimeText, 0, "", "02" "5453" "32362F30312F30352030393A3030" "03"},
        FrameCase{"m9_timetext", 9, false, Op::TimeText, 0, "", "02" "5453" "32362F30312F30352030393A3030" "03"}),
    [](const ::testing::TestParamInfo<FrameCase>& i) { return std::string(i.param.name); });

TEST_F(FeeDispFixture, ClosedPortSendsNothingAndKeepsTheFlags)
{
    setModel(0, false);
    Comm::ClosePorts(st);
    FeeDisp_Amount(st, 500);
    FeeDisp_GateOpen(st);
    Gate_Pulse(st, 0);
    Disp_TimeText(st);
    EXPECT_TRUE(disp().writes.empty());
    EXPECT_FALSE(st.comm->feeDisp.GateFlagB);
    EXPECT_TRUE(ts.screen.list1.isEmpty());
}

TEST_F(FeeDispFixture, GateOpenArmsTheClockRefreshOnModels0And4Only)
{
    setModel(0, false);
    st.comm->feeDisp.GateFlagA = 3;
    FeeDisp_GateOpen(st);
    EXPECT_TRUE(st.comm->feeDisp.GateFlagB);
    EXPECT_EQ(st.comm->feeDisp.GateFlagA, 0);
    for (int model : {1, 2, 3}) {
        setModel(model, false);
        st.comm->feeDisp.GateFlagB = true;
        FeeDisp_GateOpen(st);
        EXPECT_FALSE(st.comm->feeDisp.GateFlagB) << model;
    }
    setModel(4, false);
    st.comm->feeDisp.GateFlagA = 2;
    FeeDisp_GateOpen(st);
    EXPECT_TRUE(st.comm->feeDisp.GateFlagB);
    EXPECT_EQ(st.comm->feeDisp.GateFlagA, 2);
}

TEST_F(FeeDispFixture, GatePulseLinesOnTheMessageList)
{
    setModel(0, false);
    Gate_Pulse(st, 1);
    Gate_Pulse(st, 5);
    setModel(4, false);
    Gate_Pulse(st, 0);
    setModel(3, false);
    Gate_Pulse(st, 0);
    EXPECT_EQ(ts.screen.list1, (QStringList{"차단기작동 :  GATE NUM = 1", "차단기작동 :  GATE NUM = 5",
                                            "차단기작동 :  GATE NUM = 0"}));
}

// Times of the writes relative to the first one.
std::vector<qint64> Offsets(const FakeDevice& d)
{
    std::vector<qint64> out;
    for (const auto& w : d.writes) out.push_back(w.atMs - d.writes.front().atMs);
    return out;
}

TEST_F(FeeDispFixture, Model4RelayPulseAndGateOpenBlockEventsWithTheirTiming)
{
    setModel(4, false);
    Gate_Pulse(st, 2);
    FeeDisp_GateOpen(st);
    ASSERT_EQ(disp().writes.size(), 8u);
    EXPECT_EQ(disp().writes[0].bytes, QByteArray("\x02R31\x03"));
    for (int i = 1; i < 4; ++i) EXPECT_EQ(disp().writes[i].bytes, QByteArray("\x02R30\x03"));
    EXPECT_EQ(disp().writes[4].bytes, QByteArray("\x02WR\x03"));
    for (int i = 5; i < 8; ++i) EXPECT_EQ(disp().writes[i].bytes, QByteArray("\x02R20\x03"));
    EXPECT_EQ(Offsets(disp()), (std::vector<qint64>{0, 500, 600, 700, 700, 1200, 1300, 1400}));
    EXPECT_EQ(fake.waits->eventRuns, 0);
    EXPECT_EQ(ts.screen.list1, QStringList{"차단기작동 :  GATE NUM = 2"});
}

TEST_F(FeeDispFixture, Model2RelayPulseRunsEventsDuringItsHalfSecond)
{
    setModel(2, false);
    // The caller goes on at once; "off" comes from the event loop 0.5 s later.
    FeeDisp_GateOpen(st);
    ASSERT_EQ(disp().writes.size(), 1u);
    EXPECT_EQ(disp().writes[0].bytes.toHex(), "a00112000000b0");
    Delay(st, 1.0);
    ASSERT_EQ(disp().writes.size(), 2u);
    EXPECT_EQ(disp().writes[1].bytes.toHex(), "a00113000000b0");
    EXPECT_GE(Offsets(disp())[1], 500);
    EXPECT_LE(Offsets(disp())[1], 550);
}

TEST_F(FeeDispFixture, Model2PulsesWithinHalfASecondKeepTheRelayOnUntilTheLast)
{
    setModel(2, false);
    Gate_Pulse(st, 0);
    Delay(st, 0.3);
    Gate_Pulse(st, 0);
    Delay(st, 1.0);
    ASSERT_EQ(disp().writes.size(), 3u);
    EXPECT_EQ(disp().writes[1].bytes.toHex(), "a00112000000b0");
    EXPECT_EQ(disp().writes[2].bytes.toHex(), "a00113000000b0");
    EXPECT_GE(Offsets(disp())[2], 800);
}

TEST_F(FeeDispFixture, ARelayUnderWayIsSwitchedOffBeforeThePortsClose)
{
    setModel(2, false);
    bool closed = false;
    fake.waits->onEvents = [&] {
        if (!closed) {
            closed = true;
            Comm::ClosePorts(st); // e.g. shut-down or port settings saved during the pulse
        }
    };
    Gate_Pulse(st, 0);
    Delay(st, 0.1);
    ASSERT_EQ(disp().writes.size(), 2u);
    EXPECT_EQ(disp().writes[1].bytes.toHex(), "a00113000000b0");
    EXPECT_FALSE(disp().open);
    Delay(st, 1.0); // nothing more when the pulse falls due
    EXPECT_EQ(disp().writes.size(), 2u);
}

TEST_F(FeeDispFixture, APulseUnderWayIsFinishedWhenThePortArrayGoes)
{
    setModel(2, false);
    const auto dev = fake.ports->shared("/dev/ttyS6");
    st.comm->beginPulse(PortFeeDisp, feedisp::BestRelayFrame(0x13));
    st.comm.reset(); // end of the program
    ASSERT_EQ(dev->writes.size(), 1u);
    EXPECT_EQ(dev->writes[0].bytes.toHex(), "a00113000000b0");
    EXPECT_FALSE(dev->open);
}

} // namespace

#include "gates/GateRig.h"

#include "gates/SeasonReaders.h"
#include "serial/Comm.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <vector>

using namespace tolvo;
using namespace tolvo::test;

namespace {

// The receive routines with the decisions replaced by a recorder.
class ReaderRig : public GateRig {
public:
    ReaderRig()
    {
        st.routines.Season_In = [this](Station&, QString& card, qint16& gate) {
            decisions << QStringLiteral("In %1 %2").arg(card).arg(gate);
            card = QStringLiteral("changed"); // the routine must not read it again
            if (onDecision) onDecision();
        };
        st.routines.Season_Out = [this](Station&, QString& card, qint16& gate) {
            decisions << QStringLiteral("Out %1 %2").arg(card).arg(gate);
            if (onDecision) onDecision();
        };
    }
    // The bytes arrive on the gate's port and its routine for the model runs.
    void receive(int gate, quint8 model, const QByteArray& bytes)
    {
        dev(GatePort(gate)).inject(bytes);
        ASSERT_TRUE(st.routines.SeasonRx[size_t(gate)][model]) << "no routine for gate " << gate << " model " << int(model);
        st.routines.SeasonRx[size_t(gate)][model](st);
    }
    static int GatePort(int gate) { return std::array<int, 4>{1, 2, 3, 5}[size_t(gate)]; }

    QStringList decisions;
    std::function<void()> onDecision;
};

struct FrameCase {
    const char* name;
    int gate;
    quint8 model;
    std::vector<const char*> reads; // hex, one receive event each
    QStringList decisions;
    int refreshes;
};

void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class ReaderFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ReaderFrames, GiveTheseDecisions)
{
    const FrameCase& c = GetParam();
    ReaderRig r;
    for (const char* hex : c.reads) r.receive(c.gate, c.model, Hex(hex));
    EXPECT_EQ(r.decisions, c.decisions);
    EXPECT_EQ(r.ts.screen.totalsRefreshed, c.refreshes);
}

// "XY905172", "ABCD12345678", "ABCDEFGH87654321", "zO4061938", "zI4061938"
#define XY905172 "5859393035313732"
#define ABCD12345678 "414243443132333435363738"
#define CREDI16 "41424344454647483837363534333231"
#define zO4061938 "7a4f34303631393338"
#define zI4061938 "7a4934303631393338"
#define zi4061938 "7a6934303631393338"

INSTANTIATE_TEST_SUITE_P(
    Models, ReaderFrames,
    ::testing::Values(
        FrameCase{"idTechIn1", GateIn1, ReaderIDTech, {"02" XY905172 "03"}, {"In 0000905172 1"}, 1},
        FrameCase{"idTechSplit", GateIn1, ReaderIDTech, {"02" "58593930", "35313732" "03"}, {"In 0000905172 1"}, 1},
        FrameCase{"idTechTwoInOneRead", GateOut2, ReaderIDTech, {"02" XY905172 "03" "02" "5859313131313131" "03"},
                  {"Out 0000905172 5", "Out 0000111111 5"}, 2},
        FrameCase{"idTechAckInside", GateIn1, ReaderIDTech, {"02" "58593930" "06" "35313732" "03"}, {"In 0000905172 1"}, 1},
        FrameCase{"idTechSevenChars", GateIn1, ReaderIDTech, {"02" "58593930353137" "03"}, {}, 0},
        FrameCase{"idTechBytesBeforeStx", GateOut1, ReaderIDTech, {"4142" "02" XY905172 "03" "55"}, {"Out 0000905172 2"}, 1},
        FrameCase{"idTechBlockCheckAfterEtxIsDropped", GateIn2, ReaderIDTech, {"02" XY905172 "03" "7f", "02" XY905172 "03"},
                  {"In 0000905172 3", "In 0000905172 3"}, 2},
        FrameCase{"tagMasterOut1", GateOut1, ReaderTagMaster, {"02" ABCD12345678 "03"}, {"Out 0012345678 2"}, 1},
        FrameCase{"remoconNIn2", GateIn2, ReaderRemoconN, {"02" "3132333435" "03"}, {"In 0000012345 3"}, 1},
        FrameCase{"remoconNWithoutStx", GateIn1, ReaderRemoconN, {"02" "3132333435" "03" "3637383930" "03"},
                  {"In 0000012345 1", "In 0000067890 1"}, 2},
        FrameCase{"credipassIn2", GateIn2, ReaderCredipass, {"02" CREDI16 "03"}, {"In 0087654321 3"}, 1},
        FrameCase{"dirBExit2", GateOut2, ReaderDirB, {"02" zO4061938 "03"}, {"Out 0004061938 5"}, 1},
        FrameCase{"dirBWrongDirection", GateOut2, ReaderDirB, {"02" zI4061938 "03"}, {}, 1},
        FrameCase{"dirBEntrance1", GateIn1, ReaderDirB, {"02" zI4061938 "03", "02" zO4061938 "03"}, {"In 0004061938 1"}, 2},
        FrameCase{"dirAEntry", GateIn1, ReaderDirA, {"02" zI4061938 "03"}, {"In 0004061938 1"}, 1},
        FrameCase{"dirAExitAtEntrance2", GateIn2, ReaderDirA, {"02" zO4061938 "03"}, {"Out 0004061938 3"}, 1},
        FrameCase{"dirALowerCaseIsExit", GateIn1, ReaderDirA, {"02" zi4061938 "03"}, {"Out 0004061938 1"}, 1},
        FrameCase{"remoconTOneByte", GateIn1, ReaderRemoconT, {"a312"}, {"In 0000000018 1"}, 1},
        FrameCase{"remoconTTwoBytes", GateOut1, ReaderRemoconT, {"a30507"}, {"Out 0000000087 2"}, 1},
        FrameCase{"remoconTLargest", GateIn2, ReaderRemoconT, {"a3", "0f", "ff"}, {"In 0000004095 3"}, 1},
        FrameCase{"remoconTWithoutStart", GateOut2, ReaderRemoconT, {"12"}, {"Out 0000000018 5"}, 1},
        FrameCase{"remoconTAckIsData", GateIn1, ReaderRemoconT, {"a3060a"}, {"In 0000000106 1"}, 1},
        FrameCase{"firstech", GateIn1, ReaderFirstech, {"020c2203"}, {"In 0000001234 1"}, 1},
        FrameCase{"firstechInnerStxEtxAreDigits", GateOut1, ReaderFirstech, {"02010203", "0403"}, {"Out 0000001234 2"}, 1},
        // Past 4 characters the frame is dropped and the next one starts clean.
        FrameCase{"firstechRecovers", GateIn2, ReaderFirstech, {"020b0c0d03", "020c2203"}, {"In 0000001234 3"}, 1}),
    [](const ::testing::TestParamInfo<FrameCase>& i) { return std::string(i.param.name); });

} // namespace

TEST(SeasonReaders, DirAExitLeavesTheCardInTheExitBuffer)
{
    ReaderRig r;
    r.receive(GateIn2, ReaderDirA, Hex("02" zO4061938 "03"));
    EXPECT_EQ(r.st.gates.RxBuf[GateOut2], QStringLiteral("0004061938"));
    EXPECT_TRUE(r.st.gates.RxBuf[GateIn2].isEmpty());
}

TEST(SeasonReaders, TraceShowsTheFrameOfTheWatchedGateOnly)
{
    ReaderRig r;
    r.st.comm->DebugDevice = 3;
    r.receive(GateIn2, ReaderIDTech, Hex("02" "58593930353137" "03"));
    r.receive(GateIn2, ReaderFirstech, Hex("020c2203"));
    r.receive(GateIn1, ReaderIDTech, Hex("02" XY905172 "03"));
    r.receive(GateIn2, ReaderRemoconN, Hex("02" "3132333435" "03"));
    EXPECT_EQ(r.traceTexts(), (QStringList{QStringLiteral("  정기권입구2: 수신데이터 XY90517"),
                                           QStringLiteral("  정기권입구2: 수신데이터 1234")}));
}

TEST(SeasonReaders, PortTestEchoAndFeedBack)
{
    const struct { const char* name; int gate; quint8 model; bool feedBack; } rows[] = {{"idTechIn1", GateIn1, ReaderIDTech, true},    {"idTechIn2", GateIn2, ReaderIDTech, false},
                        {"tagMasterOut1", GateOut1, ReaderTagMaster, false},
                        {"credipassIn2", GateIn2, ReaderCredipass, true}, {"dirBOut2", GateOut2, ReaderDirB, false},
                        {"dirAIn1", GateIn1, ReaderDirA, true},          {"remoconNIn1", GateIn1, ReaderRemoconN, false},
                        {"hostPassIn1", GateIn1, ReaderHostPass, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReaderRig r;
        r.st.comm->DebugDevice = quint8(ReaderRig::GatePort(row.gate));
        r.receive(row.gate, row.model, PortTestFrame() + Hex("02" XY905172 "03"));
        EXPECT_TRUE(r.st.PortTestEcho);
        EXPECT_TRUE(r.decisions.isEmpty()); // the rest of the read is dropped
        EXPECT_EQ(r.traceTexts(), row.feedBack ? QStringList{QStringLiteral("  Feed Back Test   : PORT_TEST")} : QStringList{});
        EXPECT_TRUE(r.written(PortHost).isEmpty());
    }
    ReaderRig r; // FIRSTECH and Remocon(T) never see the frame as text
    r.receive(GateIn1, ReaderFirstech, PortTestFrame());
    r.receive(GateIn2, ReaderRemoconT, PortTestFrame());
    EXPECT_FALSE(r.st.PortTestEcho);
}

TEST(SeasonReaders, AnOverlongFrameIsDroppedAndTheNextOneWorks)
{
    ReaderRig r;
    r.receive(GateIn1, ReaderIDTech, Hex("02") + QByteArray(70, 'A'));
    EXPECT_TRUE(r.st.gates.RxBuf[GateIn1].size() <= SeasonRxCap);
    EXPECT_FALSE(r.st.gates.InFrame[GateIn1]);
    r.receive(GateIn1, ReaderIDTech, QByteArray(200, 'B') + Hex("03"));
    EXPECT_TRUE(r.decisions.isEmpty());
    r.receive(GateIn1, ReaderIDTech, Hex("02" XY905172 "03"));
    EXPECT_EQ(r.decisions, QStringList{QStringLiteral("In 0000905172 1")});
}

// An over-long frame ends in a tail of the model's own length: the tail must not pass
// for a card, and the gate reads the next frame after it.
TEST(SeasonReaders, AnOverlongFrameIsNeverDecided)
{
    const QByteArray stxAs = Hex("02") + QByteArray(65, 'A');
    const struct {
        const char* name;
        int gate;
        quint8 model;
        QString before; // what the buffer holds first (the test screen's card)
        QByteArray overlong, next;
        QStringList decisions;
    } rows[] = {
        {"idTech", GateIn1, ReaderIDTech, {}, stxAs + "XY905172" + Hex("03"), Hex("02" XY905172 "03"),
         {QStringLiteral("In 0000905172 1")}},
        {"tagMaster", GateOut1, ReaderTagMaster, {}, stxAs + "ABCD12345678" + Hex("03"), Hex("02" ABCD12345678 "03"),
         {QStringLiteral("Out 0012345678 2")}},
        {"remoconN", GateIn2, ReaderRemoconN, {}, stxAs + "12345" + Hex("03"), Hex("02" "3132333435" "03"),
         {QStringLiteral("In 0000012345 3")}},
        // Frames without STX: the over-long frame's own ETX ends the skip, so the
        // frame right behind it is read.
        {"remoconNWithoutStx", GateIn1, ReaderRemoconN, {}, stxAs + Hex("03"), QByteArray("12345") + Hex("03"),
         {QStringLiteral("In 0000012345 1")}},
        {"dirBWithoutStx", GateOut1, ReaderDirB, {}, Hex("02") + QByteArray(70, 'Z') + Hex("03"),
         QByteArray("zO0000087") + Hex("03"), {QStringLiteral("Out 0000000087 2")}},
        {"credipass", GateOut2, ReaderCredipass, {}, stxAs + "ABCDEFGH87654321" + Hex("03"), Hex("02" CREDI16 "03"),
         {QStringLiteral("Out 0087654321 5")}},
        {"dirA", GateIn1, ReaderDirA, {}, stxAs + "zI4061938" + Hex("03"), Hex("02" zO4061938 "03"),
         {QStringLiteral("Out 0004061938 1")}},
        {"dirB", GateOut2, ReaderDirB, {}, stxAs + "zO4061938" + Hex("03"), Hex("02" zO4061938 "03"),
         {QStringLiteral("Out 0004061938 5")}},
        // 11, 12, 13 pass 4 characters; 12 and 34 (0Ch 22h) would make 1234.
        {"firstech", GateIn2, ReaderFirstech, {}, Hex("020b0c0d0c2203"), Hex("020c2203"), {QStringLiteral("In 0000001234 3")}},
        // The test screen's card, then 12h until the buffer is full: one more 12h
        // would be a number of its own.
        {"remoconT", GateOut1, ReaderRemoconT, QStringLiteral("0000000003"), QByteArray(28, '\x12') + Hex("12"),
         Hex("a312"), {QStringLiteral("Out 0000000018 2")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReaderRig r;
        r.st.gates.RxBuf[size_t(row.gate)] = row.before;
        r.receive(row.gate, row.model, row.overlong);
        EXPECT_TRUE(r.decisions.isEmpty());
        EXPECT_LE(r.st.gates.RxBuf[size_t(row.gate)].size(), SeasonRxCap);
        r.receive(row.gate, row.model, row.next);
        EXPECT_EQ(r.decisions, row.decisions);
    }
}

TEST(SeasonReaders, HostPassForwardsTheFirstCharactersOfAnOverlongText)
{
    const QByteArray text = QByteArray("0123456789").repeated(7); // 70 characters
    const QByteArray first17 = Hex("02" "4a4f31" "3031323334353637383930313233343536" "03" "01");
    const struct { const char* name; std::vector<QByteArray> reads; } rows[] = {
        {"oneRead", {Hex("02") + text + Hex("03")}},
        {"twoReads", {Hex("02") + text.left(40), text.mid(40) + Hex("03")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReaderRig r;
        for (const QByteArray& read : row.reads) r.receive(GateOut1, ReaderHostPass, read);
        r.receive(GateOut1, ReaderHostPass, Hex("02" XY905172 "03")); // and the next frame as usual
        EXPECT_EQ(r.written(PortHost).toHex(' '),
                  (first17 + Hex("02" "4a4f31" XY905172 "202020202020202020" "03" "1e")).toHex(' '));
    }
}

TEST(SeasonReaders, BytesArrivingDuringADecisionStartTheirOwnFrame)
{
    ReaderRig r;
    bool nested = false;
    r.onDecision = [&] {
        if (nested) return;
        nested = true;
        r.receive(GateIn1, ReaderIDTech, Hex("02" "58593131")); // a second card begins meanwhile
    };
    r.receive(GateIn1, ReaderIDTech, Hex("02" XY905172 "03"));
    r.receive(GateIn1, ReaderIDTech, Hex("31313131" "03"));
    EXPECT_EQ(r.decisions, (QStringList{QStringLiteral("In 0000905172 1"), QStringLiteral("In 0000111111 1")}));
}

TEST(SeasonReaders, AFailingDecisionLosesNoCardThatArrivedMeanwhile)
{
    ReaderRig r;
    int calls = 0;
    r.onDecision = [&] {
        if (++calls > 1) return;
        r.receive(GateIn1, ReaderIDTech, Hex("02" "5859313131313131" "03")); // during the decision
        throw std::runtime_error("port gone");
    };
    r.receive(GateIn1, ReaderIDTech, Hex("02" XY905172 "03" "02" "5859323232323232" "03"));
    r.receive(GateIn1, ReaderIDTech, Hex("02" "5859333333333333" "03"));
    EXPECT_EQ(r.decisions, (QStringList{QStringLiteral("In 0000905172 1"), QStringLiteral("In 0000222222 1"),
                                        QStringLiteral("In 0000111111 1"), QStringLiteral("In 0000333333 1")}));

    // The card behind a failing one in the same read is decided too.
    r.decisions.clear();
    calls = 0;
    r.onDecision = [&] {
        if (++calls == 1) throw std::runtime_error("database locked");
    };
    r.receive(GateIn1, ReaderIDTech, Hex("02" "5859343434343434" "03" "02" "5859353535353535" "03"));
    EXPECT_EQ(r.decisions, (QStringList{QStringLiteral("In 0000444444 1"), QStringLiteral("In 0000555555 1")}));
}

TEST(SeasonReaders, PortSetUpEmptiesTheBuffers)
{
    ReaderRig r;
    r.receive(GateOut1, ReaderIDTech, Hex("02" "5859"));
    r.receive(GateIn2, ReaderFirstech, Hex("020c"));
    ASSERT_TRUE(r.st.gates.InFrame[GateOut1]);
    Comm::PortsInit(r.st);
    for (int g = 0; g < 4; ++g) {
        EXPECT_TRUE(r.st.gates.RxBuf[size_t(g)].isEmpty());
        EXPECT_FALSE(r.st.gates.InFrame[size_t(g)]);
    }
}

// ---- HOST PASS ----

TEST(SeasonReaders, HostPassForwardsTheFrameToTheHost)
{
    const struct { const char* name; int gate; const char *read, *host; } rows[] = {
        {"exit1", GateOut1, "02" XY905172 "03", "02" "4a4f31" XY905172 "202020202020202020" "03" "1e"},
        {"entrance2TwentyChars", GateIn2, "02" "3132333435363738393031323334353637383930" "03",
         "02" "4a4932" "3132333435363738393031323334353637" "03" "03"},
        {"emptyFrame", GateIn1, "0203", "02" "4a4931" "2020202020202020202020202020202020" "03" "11"},
        {"ackDropped", GateOut2, "02" "5859" "06" "3930353137" "3203", "02" "4a4f32" XY905172 "202020202020202020" "03" "1d"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ReaderRig r;
        r.receive(row.gate, ReaderHostPass, Hex(row.read));
        EXPECT_EQ(r.written(PortHost).toHex(' '), Hex(row.host).toHex(' '));
        EXPECT_TRUE(r.decisions.isEmpty());
        EXPECT_EQ(r.ts.screen.totalsRefreshed, 0);
    }
}

TEST(SeasonReaders, HostPassWithTheHostClosedSendsNothingButTraces)
{
    ReaderRig r;
    r.close(PortHost);
    r.st.comm->DebugDevice = 2;
    r.receive(GateOut1, ReaderHostPass, Hex("02" XY905172 "03"));
    EXPECT_TRUE(r.writesElsewhere({}).isEmpty());
    EXPECT_EQ(r.traceTexts(), QStringList{QStringLiteral("  정기권출구1: 수신데이터 XY905172")});
    EXPECT_TRUE(r.st.gates.RxBuf[GateOut1].isEmpty());
}

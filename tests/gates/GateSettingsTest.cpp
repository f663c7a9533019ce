#include "gates/GateRig.h"

#include "gates/GateSettings.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

struct TextCase {
    const char* name;
    const char* text;
    int ownPort;
    int code; // -1: not recognised
    int port;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class GateTexts : public ::testing::TestWithParam<TextCase> {};

TEST_P(GateTexts, GiveCodeAndPort)
{
    const TextCase& c = GetParam();
    const auto got = GateControlOf(QString::fromUtf8(c.text), c.ownPort);
    if (c.code < 0) {
        EXPECT_FALSE(got.has_value());
        return;
    }
    ASSERT_TRUE(got.has_value());
    EXPECT_EQ(got->code, c.code);
    EXPECT_EQ(got->port, c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Vocabulary, GateTexts,
    ::testing::Values(TextCase{"feeDisplay", "요금표시기", 1, 0, 7},
                      TextCase{"feeDisplayRts", "요금표시기(RTS)", 1, 2, 7},
                      TextCase{"feeDisplayDtr", "요금표시기(DTR)", 1, 1, 7},
                      TextCase{"feeDisplayPlus", "요금표시기(PLUS)", 1, 3, 7},
                      TextCase{"ownControllerAtExit2", "자체콘트롤러", 5, 0, 5},
                      TextCase{"ownControllerAtEntrance2", "자체콘트롤러", 3, 0, 3},
                      TextCase{"dispenser", "주차권발행기", 2, 4, 0},
                      TextCase{"in1Rts", "정기권입구1(RTS)", 5, 2, 1},
                      TextCase{"in1Dtr", "정기권입구1(DTR)", 5, 1, 1},
                      TextCase{"in1Plus", "정기권입구1(PLUS)", 5, 3, 1},
                      TextCase{"out1Rts", "정기권출구1(RTS)", 1, 2, 2},
                      TextCase{"out1Dtr", "정기권출구1(DTR)", 1, 1, 2},
                      TextCase{"out1Plus", "정기권출구1(PLUS)", 1, 3, 2},
                      TextCase{"in2Rts", "정기권입구2(RTS)", 1, 2, 3},
                      TextCase{"in2Dtr", "정기권입구2(DTR)", 1, 1, 3},
                      TextCase{"in2Plus", "정기권입구2(PLUS)", 1, 3, 3},
                      TextCase{"out2Rts", "정기권출구2(RTS)", 1, 2, 5},
                      TextCase{"out2Dtr", "정기권출구2(DTR)", 1, 1, 5},
                      TextCase{"out2Plus", "정기권출구2(PLUS)", 1, 3, 5},
                      TextCase{"trailingBlank", "요금표시기 ", 1, -1, 0},
                      TextCase{"otherCase", "정기권입구1(dtr)", 1, -1, 0},
                      TextCase{"empty", "", 1, -1, 0},
                      TextCase{"unknown", "릴레이", 1, -1, 0}),
    [](const ::testing::TestParamInfo<TextCase>& i) { return std::string(i.param.name); });

void SetGateText(Station& st, const char* table, const QVariant& text)
{
    Exec(st.Db, QStringLiteral("UPDATE ") + Id(QString::fromUtf8(table)) + QStringLiteral(" SET Gate제어 = ?"), {text});
}

std::optional<GateControl> Ctl(quint8 code, quint8 port) { return GateControl{code, port}; }

} // namespace

TEST(LoadGateCtl, SetsEachGateFromItsTable)
{
    GateRig r;
    SetGateText(r.st, "정기권입구1", QStringLiteral("요금표시기"));
    SetGateText(r.st, "정기권출구1", QStringLiteral("주차권발행기"));
    SetGateText(r.st, "정기권입구2", QStringLiteral("자체콘트롤러"));
    SetGateText(r.st, "정기권출구2", QStringLiteral("자체콘트롤러"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_EQ(r.st.gates.Control[GateIn1], Ctl(0, 7));
    EXPECT_EQ(r.st.gates.Control[GateOut1], Ctl(4, 0));
    EXPECT_EQ(r.st.gates.Control[GateIn2], Ctl(0, 3));
    EXPECT_EQ(r.st.gates.Control[GateOut2], Ctl(0, 5));
    EXPECT_TRUE(r.ts.screen.list1.isEmpty());
}

TEST(LoadGateCtl, AGateWithoutASettingHasNoBarrierAndSaysSo)
{
    GateRig r; // the first-run rows leave Gate제어 empty
    SetGateText(r.st, "정기권출구1", QStringLiteral("정기권입구1(DTR)"));
    SetGateText(r.st, "정기권입구2", QString());
    Exec(r.st.Db, QStringLiteral("DELETE FROM 정기권출구2"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_FALSE(r.st.gates.Control[GateIn1].has_value());
    EXPECT_EQ(r.st.gates.Control[GateOut1], Ctl(1, 1));
    EXPECT_FALSE(r.st.gates.Control[GateIn2].has_value());
    EXPECT_FALSE(r.st.gates.Control[GateOut2].has_value());
    const QStringList expected{QStringLiteral("차단기 제어 설정 없음 : 정기권입구1"),
                               QStringLiteral("차단기 제어 설정 없음 : 정기권입구2"),
                               QStringLiteral("차단기 제어 설정 없음 : 정기권출구2")};
    EXPECT_EQ(r.ts.screen.list1, expected);
    EXPECT_EQ(r.traceTexts(), expected);
}

TEST(LoadGateCtl, AnUnreadableTableLeavesTheGateWithoutBarrier)
{
    GateRig r;
    SetGateText(r.st, "정기권입구1", QStringLiteral("요금표시기"));
    Exec(r.st.Db, QStringLiteral("DROP TABLE 정기권출구1"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_EQ(r.st.gates.Control[GateIn1], Ctl(0, 7));
    EXPECT_FALSE(r.st.gates.Control[GateOut1].has_value());
    EXPECT_TRUE(r.ts.screen.list1.contains(QStringLiteral("차단기 제어 설정 없음 : 정기권출구1")));
}

TEST(LoadGateCtl, AReloadKeepsTheLastRecognisedSetting)
{
    GateRig r;
    SetGateText(r.st, "정기권입구1", QStringLiteral("요금표시기"));
    r.st.routines.Load_GateCtl(r.st);
    r.ts.screen.list1.clear();

    SetGateText(r.st, "정기권입구1", QStringLiteral("요금표시기 ")); // a blank too many
    SetGateText(r.st, "정기권출구2", QStringLiteral("정기권입구1(DTR)"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_EQ(r.st.gates.Control[GateIn1], Ctl(0, 7));
    EXPECT_EQ(r.st.gates.Control[GateOut2], Ctl(1, 1));
    // Only the gates that never had one are reported again.
    EXPECT_EQ(r.ts.screen.list1, (QStringList{QStringLiteral("차단기 제어 설정 없음 : 정기권입구2"),
                                              QStringLiteral("차단기 제어 설정 없음 : 정기권출구1")}));
}

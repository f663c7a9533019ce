#include "gates/GateRig.h"

#include "gates/GateSettings.h"

#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

TEST(GateTexts, GiveCodeAndPort)
{
    const struct { const char* text; int ownPort; int code; int port; } cases[] = { // code -1: not recognised
        {"요금표시기", 1, 0, 7},       {"요금표시기(RTS)", 1, 2, 7},    {"요금표시기(DTR)", 1, 1, 7},
        {"요금표시기(PLUS)", 1, 3, 7}, {"자체콘트롤러", 5, 0, 5},       {"자체콘트롤러", 3, 0, 3},
        {"주차권발행기", 2, 4, 0},     {"요금표시기 ", 1, -1, 0},       {"정기권입구1(dtr)", 1, -1, 0},
        {"", 1, -1, 0},                {"릴레이", 1, -1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const auto got = GateControlOf(QString::fromUtf8(c.text), c.ownPort);
        EXPECT_EQ(got, c.code < 0 ? std::nullopt : std::optional(GateControl{quint8(c.code), quint8(c.port)}));
    }
    // A reader's lines: the gate names its port, the suffix its code.
    const std::pair<const char*, int> gates[] = {{"정기권입구1", 1}, {"정기권출구1", 2}, {"정기권입구2", 3}, {"정기권출구2", 5}};
    const std::pair<const char*, int> means[] = {{"(RTS)", 2}, {"(DTR)", 1}, {"(PLUS)", 3}};
    for (const auto& [gate, port] : gates) {
        for (const auto& [suffix, code] : means) {
            const QString text = QString::fromUtf8(gate) + QLatin1String(suffix);
            SCOPED_TRACE(text.toStdString());
            EXPECT_EQ(GateControlOf(text, port == 1 ? 5 : 1), std::optional(GateControl{quint8(code), quint8(port)}));
        }
    }
}

void SetGateText(Station& st, const char* table, const QVariant& text)
{
    Exec(st.Db, QStringLiteral("UPDATE ") + Id(QString::fromUtf8(table)) + QStringLiteral(" SET Gate제어 = ?"), {text});
}

void SetInUse(Station& st, const char* table, bool inUse = true)
{
    Exec(st.Db, QStringLiteral("UPDATE ") + Id(QString::fromUtf8(table)) + QStringLiteral(" SET 사용여부 = ?"), {inUse});
}

std::optional<GateControl> Ctl(quint8 code, quint8 port) { return GateControl{code, port}; }

} // namespace

TEST(LoadGateCtl, SetsEachGateFromItsTable)
{
    GateRig r;
    SetGateText(r.st, "정기권입구1", QStringLiteral("요금표시기"));
    SetGateText(r.st, "정기권출구1", QStringLiteral("주차권발행기"));
    SetGateText(r.st, "정기권입구2", QStringLiteral("자체콘트롤러"));
    SetGateText(r.st, "정기권출구2", QStringLiteral("요금표시기(DTR)"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_EQ(r.st.gates.Control[GateIn1], Ctl(0, 7));
    EXPECT_EQ(r.st.gates.Control[GateOut1], Ctl(4, 0));
    EXPECT_EQ(r.st.gates.Control[GateIn2], Ctl(0, 3));
    EXPECT_EQ(r.st.gates.Control[GateOut2], Ctl(1, 7));
    EXPECT_TRUE(r.ts.screen.list1.isEmpty());
}

TEST(LoadGateCtl, AGateWithoutASettingHasNoBarrierAndSaysSo)
{
    GateRig r; // the first-run rows leave Gate제어 empty
    for (const char* table : {"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"}) SetInUse(r.st, table);
    SetGateText(r.st, "정기권출구1", QStringLiteral("정기권입구1(DTR)"));
    SetGateText(r.st, "정기권입구2", QString());
    Exec(r.st.Db, QStringLiteral("DELETE FROM 정기권출구2"));
    r.st.routines.Load_GateCtl(r.st);
    EXPECT_FALSE(r.st.gates.Control[GateIn1].has_value());
    EXPECT_EQ(r.st.gates.Control[GateOut1], Ctl(1, 1));
    EXPECT_FALSE(r.st.gates.Control[GateIn2].has_value());
    EXPECT_FALSE(r.st.gates.Control[GateOut2].has_value());
    // A table without its row says nothing of the gate being in use.
    const QStringList expected{QStringLiteral("차단기 제어 설정 없음 : 정기권입구1"),
                               QStringLiteral("차단기 제어 설정 없음 : 정기권입구2")};
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
    // The port set-up reports the missing table; the gate is not known to be in use.
    EXPECT_TRUE(r.ts.screen.list1.isEmpty());
}

TEST(LoadGateCtl, AReloadKeepsTheLastRecognisedSetting)
{
    GateRig r;
    for (const char* table : {"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"}) SetInUse(r.st, table);
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

TEST(LoadGateCtl, OnlyAGateInUseIsReportedWithoutASetting)
{
    const struct { const char* name; bool inUse; const char* text; bool reported; } rows[] = {
        {"notInUseNoSetting", false, nullptr, false},
        {"notInUseWithSetting", false, "요금표시기", false},
        {"inUseNoSetting", true, nullptr, true},
        {"inUseUnknownText", true, "릴레이", true},
        {"inUseWithSetting", true, "요금표시기", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        GateRig r;
        SetInUse(r.st, "정기권출구2", row.inUse);
        SetGateText(r.st, "정기권출구2", row.text ? QVariant(QString::fromUtf8(row.text)) : QVariant());
        r.st.routines.Load_GateCtl(r.st);
        const QStringList expected =
            row.reported ? QStringList{QStringLiteral("차단기 제어 설정 없음 : 정기권출구2")} : QStringList{};
        EXPECT_EQ(r.ts.screen.list1, expected);
        EXPECT_EQ(r.traceTexts(), expected);
    }
}

TEST(LoadGateCtl, ANewDatabaseSaysNothingAndNoBarrierMoves)
{
    GateRig r; // first-run rows: no gate in use, no Gate제어
    r.st.routines.Load_GateCtl(r.st);
    r.st.routines.Load_GateCtl(r.st); // as after the port settings screen closes
    EXPECT_TRUE(r.ts.screen.list1.isEmpty());
    EXPECT_TRUE(r.traceTexts().isEmpty());
    r.st.routines.Gate_OpenIn(r.st, 1);
    r.st.routines.Gate_OpenOut(r.st, 2);
    r.st.routines.Gate_OpenIn(r.st, 3);
    r.st.routines.Gate_OpenOut(r.st, 5);
    EXPECT_EQ(r.writesElsewhere({}), QStringList{});
}

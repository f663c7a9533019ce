#include "gates/GateSettings.h"

#include "core/Sql.h"
#include "core/Station.h"
#include "serial/Comm.h"
#include "serial/Trace.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <array>

namespace tolvo {

namespace {

struct GateText {
    const char* text;
    quint8 code;
    int port; // -1: the gate's own port
};

// The list the port settings screen offers, in the order compared.
constexpr std::array<GateText, 18> kGateTexts{{
    {"요금표시기", 0, PortFeeDisp},
    {"요금표시기(RTS)", 2, PortFeeDisp},
    {"요금표시기(DTR)", 1, PortFeeDisp},
    {"요금표시기(PLUS)", 3, PortFeeDisp},
    {"자체콘트롤러", 0, -1},
    {"주차권발행기", 4, PortDispenser},
    {"정기권입구1(RTS)", 2, PortSeasonIn1},
    {"정기권입구1(DTR)", 1, PortSeasonIn1},
    {"정기권입구1(PLUS)", 3, PortSeasonIn1},
    {"정기권출구1(RTS)", 2, PortSeasonOut1},
    {"정기권출구1(DTR)", 1, PortSeasonOut1},
    {"정기권출구1(PLUS)", 3, PortSeasonOut1},
    {"정기권입구2(RTS)", 2, PortSeasonIn2},
    {"정기권입구2(DTR)", 1, PortSeasonIn2},
    {"정기권입구2(PLUS)", 3, PortSeasonIn2},
    {"정기권출구2(RTS)", 2, PortSeasonOut2},
    {"정기권출구2(DTR)", 1, PortSeasonOut2},
    {"정기권출구2(PLUS)", 3, PortSeasonOut2},
}};

constexpr std::array<const char*, SeasonGateCount> kTables{"정기권입구1", "정기권출구1", "정기권입구2", "정기권출구2"};
constexpr std::array<int, SeasonGateCount> kPorts{PortSeasonIn1, PortSeasonOut1, PortSeasonIn2, PortSeasonOut2};
// The order the tables are read in.
constexpr std::array<int, SeasonGateCount> kLoadOrder{GateIn1, GateIn2, GateOut1, GateOut2};

struct GateRow {
    std::optional<GateControl> control; // empty when its text is not recognised
    bool inUse = false;
};

// The first row's Gate제어 and 사용여부; nothing when the table, its row or a field is missing.
GateRow readRow(Station& st, int gate)
{
    try {
        QSqlQuery q = Query(st.Db, QStringLiteral("SELECT * FROM ") + Id(GateTable(gate)));
        if (!q.next()) return {};
        const QSqlRecord rec = q.record();
        const auto field = [&](const QString& name) {
            const int k = rec.indexOf(name);
            return k < 0 ? QVariant() : q.value(k);
        };
        return {GateControlOf(field(QStringLiteral("Gate제어")).toString(), GatePort(gate)),
                ToBool(field(QStringLiteral("사용여부")))};
    } catch (const DbError&) {
        return {};
    }
}

} // namespace

QString GateTable(int gateIndex) { return QString::fromUtf8(kTables.at(size_t(gateIndex))); }
int GatePort(int gateIndex) { return kPorts.at(size_t(gateIndex)); }

std::optional<GateControl> GateControlOf(const QString& text, int ownPort)
{
    for (const GateText& g : kGateTexts)
        if (text == QString::fromUtf8(g.text))
            return GateControl{g.code, quint8(g.port < 0 ? ownPort : g.port)};
    return std::nullopt;
}

void Load_GateCtl(Station& st)
{
    for (const int gate : kLoadOrder) {
        auto& control = st.gates.Control[size_t(gate)];
        const GateRow row = readRow(st, gate);
        if (row.control) control = row.control;
        // Never a default: code 0 on port 0 would send barrier bytes to the dispenser.
        // Only a gate in use is worth the operator's notice.
        if (control || !row.inUse) continue;
        const QString line = QStringLiteral("차단기 제어 설정 없음 : ") + GateTable(gate);
        st.screen.appendList1(line);
        DebugTraceLineAny(st, line);
    }
}

} // namespace tolvo

#include "station/CommDispatch.h"

#include "serial/FeeDisplay.h"
#include "serial/Trace.h"
#include "core/Station.h"

#include <array>
#include <exception>

namespace tolvo {

namespace {

const QString kShapeRD = QStringLiteral("ShapeRD");

// Reader models of the season gates, by model code; model 4 has no receive routine.
constexpr std::array<const char*, 10> kGateModels{"IDTech", "TagMaster", "RemoconT", "RemoconN", nullptr,
                                                  "HostPass", "Firstech", "Credipass", "DirA", "DirB"};
constexpr std::array<const char*, 4> kGateNames{"In1", "Out1", "In2", "Out2"};
constexpr std::array<int, 4> kGatePorts{PortSeasonIn1, PortSeasonOut1, PortSeasonIn2, PortSeasonOut2};
// Model 8 is one combined reader on the entrance port: its exit ports receive nothing.
constexpr int kCombinedReaderModel = 8;

quint8 gateModel(const DeviceModels& m, int gate)
{
    switch (gate) {
    case 0: return m.SeasonIn1Type;
    case 1: return m.SeasonOut1Type;
    case 2: return m.SeasonIn2Type;
    default: return m.SeasonOut2Type;
    }
}

ReceiveRoute seasonRoute(const DeviceRoutines& r, const DeviceModels& m, int gate)
{
    const quint8 model = gateModel(m, gate);
    if (model >= kGateModels.size() || !kGateModels[model]) return {};
    const bool exitGate = gate == 1 || gate == 3;
    if (exitGate && model == kCombinedReaderModel) return {};
    return {QStringLiteral("Rx_%1_%2").arg(QLatin1String(kGateNames[gate]), QLatin1String(kGateModels[model])),
            &r.SeasonRx[gate][model]};
}

void run(Station& st, const DeviceRoutine* slot)
{
    if (slot && *slot) (*slot)(st);
}

void receive(Station& st, int index)
{
    if (index == PortFeeDisp) {
        FeeDisp_Receive(st);
        return;
    }
    const ReceiveRoute route = ReceiveRouteFor(st.routines, st.models, index);
    if (route.slot && *route.slot) {
        (*route.slot)(st);
        return;
    }
    // Nobody reads this port (the receipt printer, or a device whose routine is not
    // attached): drop what arrived so it never piles up in the port's buffer.
    if (st.comm) st.comm->Input(index);
}

void readerCtsChange(Station& st)
{
    st.screen.setVisible(kShapeRD, st.comm && st.comm->CTSHolding(PortReader));
}

void readerDsrChange(Station& st)
{
    // A closed reader port holds no ticket, whatever the dispenser model.
    if (!(st.comm && st.comm->PortOpen(PortReader))) {
        st.screen.setVisible(kShapeRD, false);
        return;
    }
    const bool dsr = st.comm->DSRHolding(PortReader);
    // The recycled-ticket model reports a ticket by a low line.
    const bool recycled = st.models.DispenserType == 2;
    const bool ticketIn = recycled ? !dsr : dsr;
    DebugTraceLine(st, PortReader, ticketIn ? QStringLiteral("  주차권리더기: < DSRHolding TRUE")
                                            : QStringLiteral("  주차권리더기: < DSRHolding FALSE"));
    st.screen.setVisible(kShapeRD, ticketIn);
    if (ticketIn) run(st, recycled ? &st.routines.Read_CMD60 : &st.routines.Read_CMD61);
}

} // namespace

int SeasonGateOfPort(int port)
{
    for (int g = 0; g < static_cast<int>(kGatePorts.size()); ++g)
        if (kGatePorts[g] == port) return g;
    return -1;
}

ReceiveRoute ReceiveRouteFor(const DeviceRoutines& r, const DeviceModels& m, int port)
{
    switch (port) {
    case PortDispenser:
        if (m.DispenserType == 1 || m.DispenserType == 2) return {QStringLiteral("TD_Receive"), &r.TD_Receive};
        return {QStringLiteral("TD_Receive4101"), &r.TD_Receive4101};
    case PortSeasonIn1:
    case PortSeasonOut1:
    case PortSeasonIn2:
    case PortSeasonOut2:
        return seasonRoute(r, m, SeasonGateOfPort(port));
    case PortReader: return {QStringLiteral("RD_Receive"), &r.RD_Receive};
    case PortFeeDisp: return {QStringLiteral("FeeDisp_Receive"), nullptr};
    case PortHost: return {QStringLiteral("Host_Receive"), &r.Host_Receive};
    case PortCalc:
        if (m.HasExitReader) return {QStringLiteral("OutRd_Receive"), &r.OutRd_Receive};
        return {QStringLiteral("Master_Receive"), &r.Master_Receive};
    default: return {}; // the receipt printer and any other index
    }
}

void MSComm_OnComm(Station& st, int index, CommEvent ev)
{
    try {
        switch (ev) {
        case comEvReceive: receive(st, index); break;
        case comEvCTS: readerCtsChange(st); break;
        case comEvDSR: readerDsrChange(st); break;
        default: break;
        }
    } catch (...) {
        // As the event's own error handling did: the event ends, the next one runs.
    }
}

void AttachCommDispatch(Station& st)
{
    if (!st.comm) return;
    st.comm->setOnComm([&st](int index, CommEvent ev) { MSComm_OnComm(st, index, ev); });
    // The keyboard road goes on without the device; the port set-up takes it back.
    st.comm->setOnPortLost([&st](int index, const QString& path) {
        st.screen.appendList1(QStringLiteral("%1 연결 끊김 (%2)")
                                  .arg(QString::fromUtf8(PortDevices()[size_t(index)].table), path));
    });
}

} // namespace tolvo

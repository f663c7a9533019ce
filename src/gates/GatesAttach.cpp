#include "gates/GatesAttach.h"

#include "core/Station.h"
#include "gates/Barrier.h"
#include "gates/GateSettings.h"
#include "gates/SeasonDecision.h"
#include "gates/SeasonReaders.h"
#include "serial/Comm.h"

#include <memory>

namespace tolvo {

void AttachGates(Station& st)
{
    DeviceRoutines& r = st.routines;
    // Owned by the slots: lives as long as the station's routines.
    auto barriers = std::make_shared<Barriers>(st);
    r.Load_GateCtl = [](Station& s) { Load_GateCtl(s); };
    r.Gate_OpenIn = [barriers](Station& s, qint16 gate) { barriers->OpenIn(s, gate); };
    r.Gate_OpenOut = [barriers](Station& s, qint16 gate) { barriers->OpenOut(s, gate); };
    r.Gate_RefuseIn = [](Station& s, qint16 gate) { Barriers::Refuse(s, gate); };
    r.Gate_RefuseOut = [](Station& s, qint16 gate) { Barriers::Refuse(s, gate); };
    r.Season_In = [](Station& s, QString& card, qint16& gate) { Season_In(s, card, gate); };
    r.Season_Out = [](Station& s, QString& card, qint16& gate) { Season_Out(s, card, gate); };
    for (int g = 0; g < SeasonGateCount; ++g)
        for (quint8 m = 0; m < ReaderModelCount; ++m)
            if (HasSeasonReceive(g, m)) r.SeasonRx[size_t(g)][m] = [g, m](Station& s) { SeasonReceive(s, g, m); };
    if (st.comm) st.comm->addRxReset([&st] { st.gates.clearReceive(); });
}

} // namespace tolvo

// The season gates' reader models; the first byte picks the gate and the model.
#include "core/SeasonGates.h"
#include "fuzz/FuzzStation.h"
#include "gates/SeasonReaders.h"
#include "serial/Comm.h"

#include <array>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    static constexpr std::array<int, tolvo::SeasonGateCount> kPorts{
        tolvo::PortSeasonIn1, tolvo::PortSeasonOut1, tolvo::PortSeasonIn2, tolvo::PortSeasonOut2};
    auto& f = tolvo::fuzz::Shared();
    const int gate = data[0] % tolvo::SeasonGateCount;
    const quint8 model = static_cast<quint8>((data[0] >> 2) % tolvo::ReaderModelCount);
    if (!tolvo::HasSeasonReceive(gate, model)) return 0;
    f.inject(kPorts[static_cast<size_t>(gate)], tolvo::fuzz::Bytes(data + 1, size - 1));
    tolvo::SeasonReceive(f.st, gate, model);
    tolvo::fuzz::Require(f.st.gates.RxBuf[static_cast<size_t>(gate)].size() <= tolvo::SeasonRxCap,
                         "a gate's receive buffer stays within its cap");
    return 0;
}

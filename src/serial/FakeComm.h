#pragma once

#include "platform/FakeSerialPort.h"
#include "serial/Comm.h"
#include "serial/FakeParallelPort.h"
#include "core/FakeWaits.h"
#include "core/Station.h"

namespace tolvo {

// Gives a station a port array of fakes; the handles stay owned by the Comm.
struct FakeComm {
    FakeSerialPortFactory* ports = nullptr;
    FakeWaits* waits = nullptr;
    FakeParallelPortFactory* lpt = nullptr;
};

inline FakeComm InstallFakeComm(Station& st)
{
    auto ports = std::make_unique<FakeSerialPortFactory>();
    auto waits = std::make_unique<FakeWaits>();
    auto lpt = std::make_unique<FakeParallelPortFactory>();
    FakeComm h{ports.get(), waits.get(), lpt.get()};
    FakeWaits* w = waits.get();
    ports->now = [w] { return w->nowMs(); };
    st.comm.reset();
    st.comm = std::make_unique<Comm>(std::move(ports), std::move(waits), std::move(lpt));
    return h;
}

} // namespace tolvo

// The fee display's receive routine on port 7.
#include "fuzz/FuzzStation.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    f.inject(tolvo::PortFeeDisp, tolvo::fuzz::Bytes(data, size));
    tolvo::FeeDisp_Receive(f.st);
    return 0;
}

// A master station's receiver on port 9 (another station's records).
#include "fuzz/FuzzStation.h"
#include "host/MasterLink.h"
#include "serial/Comm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    static tolvo::MasterLink link(f.st);
    f.inject(tolvo::PortCalc, tolvo::fuzz::Bytes(data, size));
    link.receive();
    return 0;
}

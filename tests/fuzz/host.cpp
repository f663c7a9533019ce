// The host receiver on port 8.
#include "fuzz/FuzzStation.h"
#include "host/HostLink.h"
#include "serial/Comm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    static tolvo::HostLink link(f.st);
    f.inject(tolvo::PortHost, tolvo::fuzz::Bytes(data, size));
    tolvo::Host_Receive(f.st, link);
    return 0;
}

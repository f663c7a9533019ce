// The exit reader: its receive side and the ticket verdict.
#include "equipment/ExitReader.h"
#include "fuzz/FuzzStation.h"
#include "platform/Cp949.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    static tolvo::ExitReaderLink link(f.st);
    const QByteArray bytes = tolvo::fuzz::Bytes(data, size);
    tolvo::JudgeExitTicket(tolvo::cp949::decode(bytes), f.st.clock.now(), 15);
    link.feed(bytes);
    return 0;
}

// Both dispenser families' receive side; the first byte picks the family.
#include "equipment/DispenserFamily1.h"
#include "equipment/DispenserFamily2.h"
#include "fuzz/FuzzStation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    auto& f = tolvo::fuzz::Shared();
    static tolvo::DispenserFamily1 first(f.st);
    static tolvo::DispenserFamily2 second(f.st);
    const QByteArray bytes = tolvo::fuzz::Bytes(data + 1, size - 1);
    if (data[0] & 1)
        second.feed(bytes);
    else
        first.feed(bytes);
    return 0;
}

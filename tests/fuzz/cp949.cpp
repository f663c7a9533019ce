// Code page 949 text both ways.
#include "fuzz/FuzzStation.h"
#include "platform/Cp949.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = tolvo::cp949::decode(tolvo::fuzz::Bytes(data, size));
    tolvo::fuzz::Require(text.size() <= static_cast<qsizetype>(size), "no more characters than bytes");
    tolvo::cp949::encode(text);
    return 0;
}

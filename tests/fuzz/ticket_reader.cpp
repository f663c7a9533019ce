// The ticket reader: its receive routine on port 6 and the card data parsers.
#include "equipment/TicketCard.h"
#include "equipment/TicketReader.h"
#include "fuzz/FuzzStation.h"
#include "platform/Cp949.h"
#include "serial/Comm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto& f = tolvo::fuzz::Shared();
    static tolvo::TicketReaderLink link(f.st);
    const QByteArray bytes = tolvo::fuzz::Bytes(data, size);
    const QString text = tolvo::cp949::decode(bytes);
    tolvo::JudgeReaderReply(text, size % 2 == 0);
    tolvo::ReadPaperReply(text);
    tolvo::ReadRecycledReply(text);
    tolvo::RecycledPrintRow(text);
    f.inject(tolvo::PortReader, bytes);
    link.RD_Receive();
    return 0;
}

#include "host/HostSearch.h"

#include "core/Station.h"
#include "platform/Cp949.h"
#include "serial/Comm.h"

namespace tolvo {

QByteArray SearchRequestFrame(const QString& word, const QString& number)
{
    // The field counts characters; a Korean character still takes two bytes on the wire.
    const QString field = number.left(SearchFieldWidth).leftJustified(SearchFieldWidth, QLatin1Char(' '));
    return '\x02' + cp949::encode(word + field) + '\x03';
}

void SendSearchRequest(Station& st, const QString& word, const QString& number)
{
    if (!st.comm || !st.comm->PortOpen(PortHost)) return;
    st.comm->Output(PortHost, SearchRequestFrame(word, number));
}

} // namespace tolvo

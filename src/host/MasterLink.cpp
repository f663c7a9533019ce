#include "host/MasterLink.h"

#include "host/HostFrames.h"
#include "host/MasterStore.h"
#include "serial/Comm.h"

#include <QDebug>

namespace tolvo {

namespace {

constexpr quint8 ENQ = 0x05;

ByteFramer::Options framing()
{
    ByteFramer::Options o;
    o.capBytes = 1024;  // the longest record is 181 characters
    o.trailerBytes = 1; // the block check, whatever its value
    return o;
}

// The port test and a search request come without a block check; a record's
// block check follows its ETX whatever its value, STX's included.
bool EndsWithoutBlockCheck(const QByteArray& frame)
{
    return frame == "PORT_TEST" || frame.startsWith("CAR_SEARCH") || frame.startsWith("TAG_SEARCH");
}

} // namespace

MasterLink::MasterLink(Station& st) : m_st(st), m_framer(framing())
{
    m_framer.classify = ClassifyHostByte;
    m_framer.onControl = [this](quint8 b) { onControl(b); };
    m_framer.endsWithoutTrailer = EndsWithoutBlockCheck;
    m_framer.onFrame = [this](const QByteArray& f, const QByteArray& trailer) { onFrame(f, trailer); };
    m_framer.onError = [this](const QByteArray&, const QString& cause) { traceFailure(cause); };
}

void MasterLink::receive()
{
    if (m_st.comm) m_framer.feed(m_st.comm->Input(PortCalc));
}

void MasterLink::onControl(quint8 byte)
{
    if (byte == ENQ) {
        if (m_st.comm) m_st.comm->Output(PortCalc, QByteArrayLiteral("\x10\x02"));
        return;
    }
    m_st.Connect2.setStatus(true); // DLE: the sending station is there
}

void MasterLink::onFrame(const QByteArray& frame, const QByteArray& trailer)
{
    if (trailer.isEmpty()) {
        if (frame != "PORT_TEST") return; // a search request: a master has no answer
        m_st.PortTestEcho = true;
        m_framer.dropPending(); // the rest of this read is not looked at
        return;
    }
    if (static_cast<quint8>(trailer.at(0)) != Get_BCC_Bytes(frame)) return; // the station sends it again
    Master_HandleText(m_st, RxBytesToText(frame));
    m_lastFailure.clear();
}

void MasterLink::traceFailure(const QString& cause)
{
    // Not the cashier's concern: the record is not acknowledged, so the station sends it
    // again every period, and one line of the reason is enough.
    if (cause == m_lastFailure) return;
    m_lastFailure = cause;
    qWarning().noquote() << QStringLiteral("마스터 수신 데이터 저장 실패 :") << cause;
}

void Master_HandleText(Station& st, const QString& text)
{
    if (text.size() == 9) {
        st.PortTestEcho = true;
        return;
    }
    if (const std::optional<HostKind> kind = MasterRecordKind(text)) Master_Store(st, *kind, text);
}

std::shared_ptr<MasterLink> AttachMaster(Station& st)
{
    auto link = std::make_shared<MasterLink>(st);
    st.routines.Master_Receive = [link](Station&) { link->receive(); };
    if (st.comm) {
        std::weak_ptr<MasterLink> weak = link;
        st.comm->addRxReset([weak] {
            if (const auto l = weak.lock()) l->reset();
        });
    }
    return link;
}

} // namespace tolvo

#include "host/HostLink.h"

#include "host/HostFrames.h"
#include "host/HostSeason.h"
#include "host/HostSend.h"
#include "host/MasterLink.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "serial/Trace.h"

namespace tolvo {

namespace {

constexpr quint8 ENQ = 0x05;

// The host's clock frame is told by its length alone.
bool isClockFrame(const QString& text) { return text.size() == 23; }

void trace(Station& st, const QString& text) { DebugTraceLine(st, PortHost, text); }

void barrierCommand(Station& st, qint16 gate, const QString& text)
{
    trace(st, (gate == 0 ? QStringLiteral("  < 호스트에 의한 입차열림 명령 수신 : ")
                         : QStringLiteral("  < 호스트에 의한 출차열림 명령 수신 : "))
                  + text);
    Gate_Pulse(st, gate);
}

void acknowledgement(Station& st, HostLink& link, const AckMatch& m, const QString& text)
{
    if (m.keyMatches) link.HostAck[m.kind] = true;
    if (m.traced) trace(st, QStringLiteral("  < 호스트 응답수신   : ") + text);
    st.Connect1.setStatus(true);
    if (m.keyMatches) Host_Acknowledged(st, link, m.kind);
}

void clockFrame(Station& st, const QString& text)
{
    if (st.models.HostSendsTime) {
        trace(st, QStringLiteral("  < 호스트에 의한 시스템 시간 재설정 수신 : ") + text);
        if (!st.screen.isVisible(QStringLiteral("LblBusy"))) Set_SystemTime(st, text);
    }
    st.Connect1.setStatus(true);
}

void seasonVerdict(Station& st, const QString& text)
{
    Host_SeasonResult(st, text);
    st.HostWait = false;
    trace(st, QStringLiteral("  < 호스트 정기권 처리결과   : ") + text);
}

ByteFramer::Options framing()
{
    ByteFramer::Options o;
    o.capBytes = HostLink::FrameCap; // no block check follows a host frame
    return o;
}

// ENQ and DLE are answered anywhere, in a frame or between frames.
void control(Station& st, quint8 byte)
{
    if (byte == ENQ) {
        if (st.comm) st.comm->Output(PortHost, QByteArrayLiteral("\x10\x02"));
        trace(st, QStringLiteral("  < 호스트 ENQ 수신"));
        trace(st, QStringLiteral("  > 호스트 DLE 송신"));
        return;
    }
    trace(st, QStringLiteral("  < 호스트 DLE 수신"));
    st.Connect1.setStatus(true);
}

// Frames that only answer a wait or set a flag, the lamp or the clock: handled
// at once, so an acknowledgement ends its wait, a clock frame sets the time it
// carries and nothing after "HOST_EXIT" in its read runs. A barrier command or
// a verdict (which pulse a relay) waits while a host frame is being handled.
bool passesAtOnce(const QString& text)
{
    return text == QLatin1String("PORT_TEST") || text == QLatin1String("HOST_EXIT") || isClockFrame(text) ||
           MatchAck(text, QString()).has_value();
}

} // namespace

void Set_SystemTime(Station& st, const QString& text)
{
    const std::optional<QDateTime> t = ClockFrameTime(text);
    if (t && st.clock.setNow(*t)) {
        st.screen.appendList1(QStringLiteral("호스트에 의한 시스템 시간 재설정 :  ") + text);
        return;
    }
    // A frame that is no real time, or a system that refuses the change.
    const QString failed = QStringLiteral("호스트 시간 재설정 실패 : ") + text;
    st.screen.appendList1(failed);
    trace(st, failed);
}

bool Host_HandleFrame(Station& st, HostLink& link, const QString& text)
{
    if (text == QLatin1String("PORT_TEST")) {
        st.PortTestEcho = true;
        trace(st, QStringLiteral("  < Feed Back Test   : PORT_TEST"));
        return false;
    }
    if (text == QLatin1String("HOST_EXIT")) {
        trace(st, QStringLiteral("  < 호스트 프로그램이 종료됨"));
        st.Connect1.setStatus(false);
        return false;
    }
    if (text == QLatin1String("I_OPEN")) barrierCommand(st, 0, text);
    else if (text == QLatin1String("O_OPEN")) barrierCommand(st, 1, text);
    else if (const auto ack = MatchAck(text, st.Connect1.ProcessNum())) acknowledgement(st, link, *ack, text);
    else if (isClockFrame(text)) clockFrame(st, text);
    else if (text.size() == 85) seasonVerdict(st, text);
    return true;
}

void Host_Receive(Station& st, HostLink& link)
{
    if (!st.comm) return;
    link.framer.feed(st.comm->Input(PortHost));
}

HostLink::HostLink(Station& st) : framer(framing()), station(st)
{
    framer.classify = ClassifyHostByte;
    framer.onControl = [this](quint8 byte) { control(station, byte); };
    framer.onFrame = [this](const QByteArray& frame, const QByteArray&) {
        if (!Host_HandleFrame(station, *this, RxBytesToText(frame))) framer.dropPending();
    };
    framer.holdWhileBusy = [](const QByteArray& frame) { return !passesAtOnce(RxBytesToText(frame)); };
    framer.onError = [this](const QByteArray&, const QString& cause) {
        // The frame ends quietly; the trace shows why.
        trace(station, QStringLiteral("  호스트 수신 처리 실패 : ") + cause);
    };
}

std::shared_ptr<HostLink> AttachHost(Station& st)
{
    auto link = std::make_shared<HostLink>(st);
    st.routines.Host_Receive = [link](Station& s) { Host_Receive(s, *link); };
    for (int k = 0; k < HostKindCount; ++k) {
        const auto kind = static_cast<HostKind>(k);
        st.routines.HostSend[k] = [link, kind](Station& s) { Host_Send(s, *link, kind); };
    }
    AttachMaster(st);
    if (st.comm) {
        std::weak_ptr<HostLink> weak = link;
        st.comm->addRxReset([weak] {
            if (const auto l = weak.lock()) l->framer.reset();
        });
    }
    return link;
}

} // namespace tolvo

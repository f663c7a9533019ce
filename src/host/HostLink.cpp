#include "host/HostLink.h"

#include "host/HostSeason.h"
#include "host/HostSend.h"
#include "host/MasterLink.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "serial/Trace.h"

namespace tolvo {

namespace {

constexpr char ENQ = 0x05;
constexpr char DLE = 0x10;
constexpr char STX = 0x02;
constexpr char ETX = 0x03;

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
    else if (text.size() == 23) clockFrame(st, text);
    else if (text.size() == 85) seasonVerdict(st, text);
    return true;
}

void Host_Receive(Station& st, HostLink& link)
{
    if (!st.comm) return;
    const QByteArray in = st.comm->Input(PortHost);
    for (const char c : in) {
        switch (c) {
        case ENQ:
            st.comm->Output(PortHost, QByteArrayLiteral("\x10\x02"));
            trace(st, QStringLiteral("  < 호스트 ENQ 수신"));
            trace(st, QStringLiteral("  > 호스트 DLE 송신"));
            break;
        case DLE:
            trace(st, QStringLiteral("  < 호스트 DLE 수신"));
            st.Connect1.setStatus(true);
            break;
        case STX: link.rx.start(); break;
        case ETX: {
            // The buffer is idle before the frame is acted on, so a receive that
            // runs nested inside the action starts from a clean state.
            const std::optional<QByteArray> frame = link.rx.finish();
            if (frame && !Host_HandleFrame(st, link, RxBytesToText(*frame))) return;
            break;
        }
        default: link.rx.add(c); break;
        }
    }
}

std::shared_ptr<HostLink> AttachHost(Station& st)
{
    auto link = std::make_shared<HostLink>();
    st.routines.Host_Receive = [link](Station& s) { Host_Receive(s, *link); };
    for (int k = 0; k < HostKindCount; ++k) {
        const auto kind = static_cast<HostKind>(k);
        st.routines.HostSend[k] = [link, kind](Station& s) { Host_Send(s, *link, kind); };
    }
    AttachMaster(st);
    if (st.comm) {
        std::weak_ptr<HostLink> weak = link;
        st.comm->addRxReset([weak] {
            if (const auto l = weak.lock()) l->rx.reset();
        });
    }
    return link;
}

} // namespace tolvo

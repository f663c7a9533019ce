#include "serial/DebugMonitor.h"

#include "platform/Ini.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "core/Station.h"

#include <cmath>
#include <optional>

namespace tolvo {

QStringList DebugMonitor::DeviceNames()
{
    return {QStringLiteral("주차권 발행기"), QStringLiteral("정기권입구1"), QStringLiteral("정기권출구1"),
            QStringLiteral("정기권입구2"),   QStringLiteral("영수증 프린터"), QStringLiteral("정기권출구2"),
            QStringLiteral("주차권 리더기"), QStringLiteral("요금표시기"),    QStringLiteral("호스트")};
}

DebugMonitor::Timings DebugMonitor::LoadTimings() const
{
    const Settings& s = m_st.settings;
    return {QString::number(s.PauseTime), QString::number(s.TransTime), QString::number(s.PollTime)};
}

bool DebugMonitor::SwitchOn(int index)
{
    if (m_st.comm && index >= 0 && index < DeviceNames().size() && m_st.comm->PortOpen(index)) {
        m_st.comm->DebugDevice = static_cast<quint8>(index);
        m_st.comm->DebugOn = true;
        return true;
    }
    m_st.msgs.Msg_Box(QStringLiteral("포트를 먼저 정상적으로 Open 한후 테스트 바랍니다"), QStringLiteral("디버깅 테스트"));
    SwitchOff();
    return false;
}

void DebugMonitor::SwitchOff()
{
    if (m_st.comm) m_st.comm->DebugOn = false;
}

bool DebugMonitor::TracingOn() const { return m_st.comm && m_st.comm->DebugOn; }

namespace {

// A period of whole seconds, rounded half to even; nothing when outside 1..255.
std::optional<quint8> period(const QString& text)
{
    const double v = Val(text);
    try {
        const quint8 b = CByte(v);
        if (b >= 1) return b;
    } catch (const Overflow&) {
    }
    return std::nullopt;
}

} // namespace

bool DebugMonitor::Save(const Timings& t)
{
    Settings& s = m_st.settings;
    bool ok = true;
    s.PauseTime = static_cast<float>(Val(t.pause));
    if (const auto trans = period(t.trans)) {
        s.TransTime = *trans;
    } else {
        m_st.msgs.Msg_Box(QStringLiteral("전송 주기는 1에서 255 사이로 입력하세요."), QStringLiteral("Tarvola"));
        ok = false;
    }
    if (const auto poll = period(t.poll)) {
        s.PollTime = *poll;
    } else {
        m_st.msgs.Msg_Box(QStringLiteral("폴링 주기는 1에서 255 사이로 입력하세요."), QStringLiteral("Tarvola"));
        ok = false;
    }
    const QString section = QStringLiteral("시스템");
    Write_Ini(m_st.IniPath, section, QStringLiteral("PauseTime"), QString::number(s.PauseTime));
    Write_Ini(m_st.IniPath, section, QStringLiteral("TransTime"), QString::number(s.TransTime));
    Write_Ini(m_st.IniPath, section, QStringLiteral("PollTime"), QString::number(s.PollTime));
    return ok;
}

void DebugMonitor::Unload(const Timings& t)
{
    Save(t);
    SwitchOff();
    Clear();
}

void DebugMonitor::Clear()
{
    if (m_st.comm) m_st.comm->trace.clear();
}

} // namespace tolvo

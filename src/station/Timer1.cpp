#include "station/Timer1.h"

#include "database/Archive.h"
#include "core/Sql.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "core/AnsiText.h"
#include "core/Station.h"

#include <QDateTime>
#include <exception>

namespace tolvo {

namespace {

// The order in which pending record kinds are offered to the host.
constexpr HostKind kSendOrder[] = {HostDISC, HostTIME, HostPKTIME, HostPAMT, HostTD, HostOUT, HostCANCEL};

const QString kShapeRD = QStringLiteral("ShapeRD");

bool portOpen(const Station& st, int port) { return st.comm && st.comm->PortOpen(port); }

QString hhnn(const QDateTime& t) { return t.toString(QStringLiteral("HHmm")); }

// Clears the flag on scope exit, so a throwing step does not leave the timer stuck.
class TickGuard {
public:
    explicit TickGuard(bool& flag) : m_flag(flag) { m_flag = true; }
    ~TickGuard() { m_flag = false; }
    TickGuard(const TickGuard&) = delete;
    TickGuard& operator=(const TickGuard&) = delete;

private:
    bool& m_flag;
};

// Shows an error on List1 unless it is the one shown last.
void showOnce(Station& st, const QString& text)
{
    if (text == st.timer1.LastError) return;
    st.timer1.LastError = text;
    st.screen.appendList1(text);
}

QString errorText(const std::exception& e) { return QString::fromUtf8(e.what()); }

void readerLamp(Station& st)
{
    // A closed reader port reads as a low line.
    if (!(st.comm && st.comm->DSRHolding(PortReader))) st.screen.setVisible(kShapeRD, false);
}

void dispenserWarnings(Station& st)
{
    if (st.DispenserAlarm == 0) return;
    const QString w1 = QStringLiteral("LblWarning1");
    const QString w2 = QStringLiteral("LblWarning2");
    st.screen.setVisible(w1, !st.screen.isVisible(w1));
    st.screen.setVisible(w2, !st.screen.isVisible(w2));
    if (st.screen.isVisible(w1)) st.screen.beep();
}

void timeAfterGateOpen(Station& st)
{
    if (!st.comm) return;
    FeeDispState& fd = st.comm->feeDisp;
    if (!fd.GateFlagB) return;
    if (fd.GateFlagA < 5) {
        ++fd.GateFlagA;
        return;
    }
    FeeDisp_Time(st, hhnn(st.clock.now()));
    fd.GateFlagA = 0;
    fd.GateFlagB = false;
}

void newMinute(Station& st)
{
    const QString shownMinute = AnsiMidB(st.screen.text(QStringLiteral("PnlTime")), 20, 2);
    if (shownMinute == st.clock.now().toString(QStringLiteral("mm")) || st.trx.TicketInProgress) return;
    Disp_TimeText(st);
    Delay(st, 0.2);
    FeeDisp_Time(st, hhnn(st.clock.now()));
}

void dispenserPoll(Station& st)
{
    const Settings& s = st.settings;
    const quint8 type = st.models.DispenserType;
    // Without the dispenser link nothing was polled: no silence to count, no reset.
    if (!st.routines.TD_Poll) return;
    if (s.TDPoll == 0 || (type != 1 && type != 2) || s.PollTime == 0) return;
    if (st.clock.now().time().second() % s.PollTime != 0) return;

    const bool answered = st.routines.TD_Poll(st);
    quint8& fails = st.timer1.TDPollFailCount;
    if (answered) {
        fails = 0;
        return;
    }
    if (++fails < 2) return;
    fails = 0;
    if (portOpen(st, PortDispenser)) {
        st.comm->SetDTR(PortDispenser, true);
        Delay_NoEvents(st, 0.5);
        st.comm->SetDTR(PortDispenser, false);
    }
}

void hourlyDispenserJobs(Station& st)
{
    const QString nnss = st.clock.now().toString(QStringLiteral("mmss"));
    if (nnss == QStringLiteral("0505") && st.routines.CTL_TimeSetUp) st.routines.CTL_TimeSetUp(st);
    if (nnss == QStringLiteral("0605") && st.routines.Vfd_TimeSet) st.routines.Vfd_TimeSet(st);
}

// The end-of-day archive; true when the day changed (the tick then sends nothing).
bool changeOfDay(Station& st)
{
    const QString today = FormatDate(st.clock.now().date());
    if (today == st.DataRefreshDate) return false;

    st.screen.setVisible(QStringLiteral("Shape1"), true);
    st.screen.setText(QStringLiteral("PnlMsg"), kArchiveBusyText);
    st.screen.appendList1(kArchiveBusyText);
    // A day whose move failed stays recorded as not archived, so the next start
    // tries again; this run does not retry every second.
    try {
        const bool archived = st.routines.ArchiveDay ? st.routines.ArchiveDay(st) : Archive_DayData(st);
        if (archived) Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {today});
    } catch (const std::exception& e) {
        showOnce(st, QStringLiteral("금일 데이터 백업 실패: ") + errorText(e));
    }
    st.DataRefreshDate = today;
    st.screen.setVisible(QStringLiteral("Shape1"), false);
    st.screen.setText(QStringLiteral("PnlMsg"), QString());
    return true;
}

void hostTransmission(Station& st)
{
    const quint8 every = st.settings.TransTime;
    if (every == 0 || st.clock.now().time().second() % every != 0) return;
    if (!portOpen(st, PortHost)) return;

    const bool busy = st.screen.isVisible(kShapeRD) || st.StationBusy || st.HostWait;
    st.screen.setVisible(QStringLiteral("LblBusy"), busy);
    if (busy) return;
    for (const HostKind kind : kSendOrder) {
        if (!st.HostPending[kind]) continue;
        if (const DeviceRoutine& send = st.routines.HostSend[kind]) send(st);
        return;
    }
}

void runSteps(Station& st)
{
    readerLamp(st);
    dispenserWarnings(st);
    timeAfterGateOpen(st);
    newMinute(st);
    st.screen.setText(QStringLiteral("PnlTime"), ClockPanelText(st.clock.now()));
    dispenserPoll(st);
    hourlyDispenserJobs(st);
    if (changeOfDay(st)) return;
    hostTransmission(st);
}

} // namespace

QString ClockPanelText(const QDateTime& now)
{
    return now.toString(QStringLiteral("yyyy년MM월dd일 HH시mm분ss초"));
}

void Timer1_Tick(Station& st)
{
    if (st.timer1.InTick) return;
    TickGuard guard(st.timer1.InTick);
    try {
        runSteps(st);
        st.timer1.LastError.clear();
    } catch (const std::exception& e) {
        showOnce(st, QStringLiteral("타이머 처리 오류: ") + errorText(e));
    } catch (...) {
        showOnce(st, QStringLiteral("타이머 처리 오류"));
    }
}

} // namespace tolvo

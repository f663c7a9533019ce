#include "station/Timer1.h"

#include "database/Archive.h"
#include "core/Sql.h"
#include "platform/Vb.h"
#include "serial/Comm.h"
#include "serial/FeeDisplay.h"
#include "core/AnsiText.h"
#include "core/LinkQueue.h"
#include "core/Station.h"

#include <QDateTime>
#include <QScopeGuard>
#include <exception>

namespace tolvo {

namespace {

// The order in which pending record kinds are offered to the host.
constexpr HostKind kSendOrder[] = {HostDISC, HostTIME, HostPKTIME, HostPAMT, HostTD, HostOUT, HostCANCEL};

const QString kShapeRD = QStringLiteral("ShapeRD");

bool portOpen(const Station& st, int port) { return st.comm && st.comm->PortOpen(port); }

QString hhnn(const QDateTime& t) { return t.toString(QStringLiteral("HHmm")); }

// The steps that wait (and so run events). A tick that runs while another is
// held below a dialog leaves out the step that one is inside: no two polls at
// once. The host send is left to the host link, which sends nothing while a
// record still waits for its acknowledgement.
enum Step : unsigned { StepMinute = 1, StepPoll = 2, StepHourly = 4, StepDay = 8 };

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

void newMinute(Station& st, const QDateTime& began)
{
    const QString shownMinute = AnsiMidB(st.screen.text(QStringLiteral("PnlTime")), 20, 2);
    if (shownMinute == began.toString(QStringLiteral("mm")) || st.trx.TicketInProgress) return;
    Disp_TimeText(st);
    Delay(st, 0.2);
    // A card priced during the wait keeps its fee on the display.
    if (st.trx.TicketInProgress) return;
    FeeDisp_Time(st, hhnn(st.clock.now()));
}

void dispenserPoll(Station& st, const QDateTime& began)
{
    const Settings& s = st.settings;
    const quint8 type = st.models.DispenserType;
    // Without the dispenser link nothing was polled: no silence to count, no reset.
    if (!st.routines.TD_Poll) return;
    if (s.TDPoll == 0 || (type != 1 && type != 2) || s.PollTime == 0) return;
    if (began.time().second() % s.PollTime != 0) return;

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

void hourlyDispenserJobs(Station& st, const QDateTime& began)
{
    const QString nnss = began.toString(QStringLiteral("mmss"));
    if (nnss == QStringLiteral("0505") && st.routines.CTL_TimeSetUp) st.routines.CTL_TimeSetUp(st);
    if (nnss == QStringLiteral("0605") && st.routines.Vfd_TimeSet) st.routines.Vfd_TimeSet(st);
}

// The end-of-day archive; true when the day changed (the tick then sends nothing).
bool changeOfDay(Station& st, const QDateTime& began)
{
    const QString today = FormatDate(began.date());
    if (today == st.DataRefreshDate) return false;

    const QString pnlMsg = QStringLiteral("PnlMsg");
    st.screen.setVisible(QStringLiteral("Shape1"), true);
    st.screen.setText(pnlMsg, kArchiveBusyText);
    st.screen.appendList1(kArchiveBusyText);
    // A day whose move failed stays recorded as not archived, so the next start
    // tries again; this run does not retry every second. What the run tells (its
    // failure, a damaged marker set aside) stays on PnlMsg until the next run or
    // the cashier's next message.
    bool archived = false;
    try {
        archived = st.routines.ArchiveDay ? st.routines.ArchiveDay(st) : Archive_DayData(st);
        if (archived) Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {today});
    } catch (const std::exception& e) {
        archived = false;
        const QString failure = QStringLiteral("금일 데이터 백업 실패: ") + errorText(e);
        showOnce(st, failure);
        st.screen.setText(pnlMsg, failure);
    }
    st.DataRefreshDate = today;
    st.screen.setVisible(QStringLiteral("Shape1"), false);
    if (st.screen.text(pnlMsg) == kArchiveBusyText) st.screen.setText(pnlMsg, QString());
    return true;
}

void hostTransmission(Station& st, const QDateTime& began)
{
    const quint8 every = st.settings.TransTime;
    if (every == 0 || began.time().second() % every != 0) return;
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

// Runs a step unless a tick held below this one is inside it.
template <typename Fn> void runStep(Station& st, Step step, Fn&& fn)
{
    unsigned& underWay = st.timer1.StepsUnderWay;
    if (underWay & step) return;
    underWay |= step;
    const auto done = qScopeGuard([&underWay, step] { underWay &= ~unsigned(step); });
    fn();
}

// Every step is keyed to the second the tick began, so a slow step does not
// make a later one miss its second.
void runSteps(Station& st, const QDateTime& began, quint64 self)
{
    // A tick that ran while this one was held below a dialog did what is left.
    const auto overtaken = [&st, self] { return st.timer1.TicksBegun != self; };
    readerLamp(st);
    dispenserWarnings(st);
    timeAfterGateOpen(st);
    runStep(st, StepMinute, [&] { newMinute(st, began); });
    if (overtaken()) return;
    st.screen.setText(QStringLiteral("PnlTime"), ClockPanelText(began));
    runStep(st, StepPoll, [&] { dispenserPoll(st, began); });
    if (overtaken()) return;
    runStep(st, StepHourly, [&] { hourlyDispenserJobs(st, began); });
    if (overtaken()) return;
    bool archived = false;
    runStep(st, StepDay, [&] { archived = changeOfDay(st, began); });
    if (archived || overtaken()) return;
    hostTransmission(st, began);
}

} // namespace

QString ClockPanelText(const QDateTime& now)
{
    return now.toString(QStringLiteral("yyyy년MM월dd일 HH시mm분ss초"));
}

void Timer1_Tick(Station& st)
{
    Timer1State& t = st.timer1;
    // Never inside another tick, unless that one is held below a dialog: its
    // wait cannot go on until the dialog closes, and the clock must.
    const int level = EventLoopLevel();
    if (t.InTick() && level <= t.TickLevels.back()) return;
    t.TickLevels.push_back(level);
    const auto done = qScopeGuard([&t] { t.TickLevels.pop_back(); });
    const quint64 self = ++t.TicksBegun;
    try {
        runSteps(st, st.clock.now(), self);
        st.timer1.LastError.clear();
    } catch (const std::exception& e) {
        showOnce(st, QStringLiteral("타이머 처리 오류: ") + errorText(e));
    } catch (...) {
        showOnce(st, QStringLiteral("타이머 처리 오류"));
    }
}

} // namespace tolvo

#include "common/TestStation.h"
#include "core/Sql.h"
#include "platform/Ini.h"
#include "platform/Vb.h"
#include "serial/FakeComm.h"
#include "serial/FeeDisplay.h"
#include "station/Timer1.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

const char* kKindNames[] = {"TD", "OUT", "TIME", "PKTIME", "PAMT", "DISC", "CANCEL"};

class Timer1 : public ::testing::Test {
protected:
    TestStation ts{TestStation::Db::Fresh, QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0))};
    Station& st = ts.st;
    FakeComm fake = InstallFakeComm(ts.st);
    QStringList sent;           // host senders run, by kind name
    bool sendersClearFlags = false;

    Timer1()
    {
        st.DataRefreshDate = FormatDate(ts.clock.now().date());
        st.HostPending.fill(false);
        for (int k = 0; k < HostKindCount; ++k) {
            st.routines.HostSend[k] = [this, k](Station& s) {
                sent << QString::fromUtf8(kKindNames[k]);
                if (sendersClearFlags) s.HostPending[k] = false;
            };
        }
        showClock(); // no minute change unless a test wants one
    }

    QString path(int port) const { return QStringLiteral("/dev/fake%1").arg(port); }
    FakeDevice& device(int port) { return fake.ports->device(path(port)); }
    void open(int port)
    {
        ASSERT_TRUE(st.comm->openPort(port, path(port), SerialSettings{}));
        device(port).clearWrites();
        device(port).lineChanges.clear();
    }
    void showClock() { ts.screen.setText(QStringLiteral("PnlTime"), ClockPanelText(ts.clock.now())); }
    void at(const QTime& t)
    {
        ts.clock.setNow(QDateTime(ts.clock.now().date(), t));
        showClock();
    }
    // One tick one second later, as the timer runs.
    void tick()
    {
        ts.clock.advanceSecs(1);
        Timer1_Tick(st);
    }
    bool visible(const char* control) const { return ts.screen.isVisible(QString::fromUtf8(control)); }
};

} // namespace

TEST_F(Timer1, SendsOnSecondsThatAreMultiplesOfTransTime)
{
    const struct { int transTime; QList<int> seconds; } rows[] = {
        {5, {0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55}},
        {7, {0, 7, 14, 21, 28, 35, 42, 49, 56}},
        {1, {}}, // every second: checked by count below
    };
    open(PortHost);
    for (const auto& r : rows) {
        st.settings.TransTime = static_cast<quint8>(r.transTime);
        st.HostPending[HostTD] = true;
        at(QTime(10, 0, 59));
        QList<int> sentAt;
        for (int i = 0; i < 60; ++i) {
            const qsizetype before = sent.size();
            tick();
            if (sent.size() > before) sentAt << ts.clock.now().time().second();
        }
        if (r.transTime == 1) EXPECT_EQ(sentAt.size(), 60);
        else EXPECT_EQ(sentAt, r.seconds) << "TransTime " << r.transTime;
    }
}

TEST_F(Timer1, OneKindPerTransmissionInTheFixedOrder)
{
    st.settings.TransTime = 1;
    sendersClearFlags = true;
    st.HostPending.fill(true);
    for (int i = 0; i < 5; ++i) tick();
    EXPECT_TRUE(sent.isEmpty()); // nothing while the host port is closed
    EXPECT_FALSE(ts.screen.visible.contains(QStringLiteral("LblBusy")));
    open(PortHost);
    for (int i = 0; i < 9; ++i) tick();
    EXPECT_EQ(sent, QStringList({"DISC", "TIME", "PKTIME", "PAMT", "TD", "OUT", "CANCEL"}));
    // A kind that stays pending blocks the later kinds.
    sent.clear();
    sendersClearFlags = false;
    st.HostPending[HostDISC] = st.HostPending[HostTD] = true;
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(sent, QStringList({"DISC", "DISC", "DISC"}));
}

TEST_F(Timer1, BusyShowsTheBusyLabelAndSendsNothing)
{
    open(PortHost);
    open(PortReader);
    st.settings.TransTime = 1;
    st.HostPending[HostOUT] = true;

    st.StationBusy = true;
    tick();
    EXPECT_TRUE(visible("LblBusy"));
    EXPECT_TRUE(sent.isEmpty());

    // The reader holds a ticket: its lamp is shown and its line stays high.
    st.StationBusy = false;
    device(PortReader).dsr = true;
    ts.screen.setVisible(QStringLiteral("ShapeRD"), true);
    tick();
    EXPECT_TRUE(visible("LblBusy"));
    EXPECT_TRUE(sent.isEmpty());

    device(PortReader).dsr = false; // ticket taken: the tick hides the lamp first
    st.HostWait = true;              // a season verdict is awaited from the host
    tick();
    EXPECT_FALSE(visible("ShapeRD"));
    EXPECT_TRUE(visible("LblBusy"));
    EXPECT_TRUE(sent.isEmpty());

    st.HostWait = false;
    tick();
    EXPECT_FALSE(visible("LblBusy"));
    EXPECT_EQ(sent, QStringList({"OUT"}));
}

TEST_F(Timer1, ChangeOfDayArchivesAndSendsNothingInThatTick)
{
    open(PortHost);
    st.settings.TransTime = 5;
    st.HostPending[HostTD] = true;
    ts.clock.setNow(QDateTime(QDate(2026, 1, 6), QTime(0, 0, 4)));
    showClock();
    int archives = 0;
    st.routines.ArchiveDay = [&](Station& s) {
        ++archives;
        EXPECT_TRUE(ts.screen.isVisible(QStringLiteral("Shape1")));
        EXPECT_EQ(s.screen.text(QStringLiteral("PnlMsg")), kArchiveBusyText);
        return true;
    };

    tick(); // 00:00:05, a transmission second
    EXPECT_EQ(archives, 1);
    EXPECT_TRUE(sent.isEmpty());
    EXPECT_EQ(st.DataRefreshDate, "2026-01-06");
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-01-06");
    EXPECT_EQ(ts.screen.list1, QStringList({kArchiveBusyText}));
    EXPECT_FALSE(visible("Shape1"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), QString());

    for (int i = 0; i < 5; ++i) tick(); // 00:00:10
    EXPECT_EQ(archives, 1);
    EXPECT_EQ(sent, QStringList({"TD"}));
}

TEST_F(Timer1, ChangeOfDayRunsTheDatabasesArchiveByDefaultEvenWhileBusy)
{
    st.StationBusy = true;
    st.DataRefreshDate = QStringLiteral("2026-01-04");
    tick();
    EXPECT_EQ(st.DataRefreshDate, "2026-01-05");
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-01-05");
    EXPECT_TRUE(QFile::exists(ts.path(QStringLiteral("Backup/i20260104.mdb"))));
    EXPECT_EQ(ts.screen.list1.value(0), kArchiveBusyText);
}

TEST_F(Timer1, ADayWhoseMoveFailedIsNotRecordedAsArchivedAndItsResetWaitsForTheMove)
{
    // 2026-01-04's settled exit; Backup taken away while the station runs, then midnight.
    Insert(st.Db, "일반권", {{"티켓번호", "0001"}, {"입차코드", "0001202601041000"}, {"출차일", "2026-01-04"},
                             {"정산구분", true}, {"전송여부", true}});
    Insert(st.Db, "시간대별", {{"시간대", 1}, {"정산여부", true}, {"종료일시", "2024-12-31 10:00"}, {"전송여부", true}});
    Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-04")});
    st.DataRefreshDate = QStringLiteral("2026-01-04");
    Write_Ini(st.IniPath, "시스템", "분실권번호", "9004");
    ASSERT_TRUE(QDir(st.ArchiveDir).removeRecursively());

    tick(); // 2026-01-05 09:00:01
    EXPECT_TRUE(ts.screen.list1.join("\n").contains("archive.moving")) << ts.screen.list1.join("\n").toStdString();
    EXPECT_TRUE(ts.screen.text(QStringLiteral("PnlMsg")).contains("archive.moving"));
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-01-04");
    EXPECT_EQ(ts.count("일반권"), 1);
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "분실권번호", ""), "9004");
    EXPECT_EQ(ts.value(QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 종료일시 = '2024-12-31 10:00'")).toInt(), 1);
    EXPECT_EQ(ts.screen.totalsRefreshed, 0);

    // The next start (the folders made again) archives that day into its own file.
    ASSERT_TRUE(QDir().mkpath(st.ArchiveDir));
    st.DataRefreshDate = QStringLiteral("2026-01-04");
    tick();
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-01-05");
    EXPECT_EQ(ts.count("일반권"), 0);
    EXPECT_TRUE(QFile::exists(ts.path(QStringLiteral("Backup/i20260104.mdb"))));
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "분실권번호", ""), "9000");
    EXPECT_EQ(ts.value(QStringLiteral("SELECT COUNT(*) FROM 시간대별 WHERE 종료일시 = '2024-12-31 10:00'")).toInt(), 0);
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), QString());
}

TEST_F(Timer1, AFailedArchiveIsShownOnceAndTheStationGoesOn)
{
    open(PortHost);
    st.settings.TransTime = 1;
    st.HostPending[HostTD] = true;
    Exec(st.Db, QStringLiteral("UPDATE 시스템 SET 데이터갱신일시 = ?"), {QStringLiteral("2026-01-04")});
    st.DataRefreshDate = QStringLiteral("2026-01-04");
    int archives = 0;
    st.routines.ArchiveDay = [&](Station&) -> bool {
        ++archives;
        throw DbError(QStringLiteral("disk full"));
    };

    tick();
    EXPECT_EQ(archives, 1);
    ASSERT_EQ(ts.screen.list1.size(), 2);
    EXPECT_TRUE(ts.screen.list1[1].contains(QStringLiteral("disk full")));
    EXPECT_FALSE(visible("Shape1"));
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), ts.screen.list1[1]);
    // Not recorded as archived, so the next start tries again; no retry every second.
    EXPECT_EQ(ts.value(QStringLiteral("SELECT 데이터갱신일시 FROM 시스템")).toString(), "2026-01-04");

    tick();
    EXPECT_EQ(archives, 1);
    EXPECT_EQ(sent, QStringList({"TD"}));
    EXPECT_EQ(ts.screen.list1.size(), 2);
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), ts.screen.list1[1]);

    // The next day's run goes through and clears it.
    st.routines.ArchiveDay = [](Station&) { return true; };
    ts.clock.setNow(QDateTime(QDate(2026, 1, 6), QTime(0, 0, 0)));
    tick();
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlMsg")), QString());
}

TEST_F(Timer1, HourlyDispenserJobsAtFiveAndSixMinutesPastWithFiveSeconds)
{
    QStringList jobs;
    st.routines.CTL_TimeSetUp = [&](Station&) { jobs << "clock"; };
    st.routines.Vfd_TimeSet = [&](Station&) { jobs << "display"; };
    int pollSecs = 0;
    st.routines.TD_Poll = [&](Station&) {
        ts.clock.advanceSecs(pollSecs); // the dispenser's answer takes this long
        return true;
    };
    st.settings.PollTime = 5;
    const struct { const char* name; QTime from; int ticks; int pollSecs; QStringList jobs; } rows[] = {
        {"whatever the model and polling", QTime(13, 4, 59), 2 * 60 + 10, 0, {"clock", "display"}},
        {"a tick that misses second 05 does not catch up", QTime(14, 5, 6), 30, 0, {}},
        {"a poll answered a second late at 10:05:05 and 10:06:05", QTime(10, 4, 59), 60, 1, {"clock", "display"}},
    };
    for (const auto& r : rows) {
        jobs.clear();
        pollSecs = r.pollSecs;
        st.settings.TDPoll = r.pollSecs > 0 ? 1 : 0;
        st.models.DispenserType = r.pollSecs > 0 ? 1 : 3;
        at(r.from);
        for (int i = 0; i < r.ticks; ++i) tick();
        EXPECT_EQ(jobs, r.jobs) << r.name;
    }
}

TEST_F(Timer1, TwoFailedPollsGiveOneDtrPulse)
{
    open(PortDispenser);
    st.settings.TDPoll = 1;
    st.settings.PollTime = 1;
    st.models.DispenserType = 1;
    QList<bool> answers{false, false, false, true, false, false};
    int polls = 0;
    st.routines.TD_Poll = [&](Station&) { return answers.value(polls++, true); };

    tick();
    EXPECT_TRUE(device(PortDispenser).lineChanges.empty());
    const qint64 slept = fake.waits->sleptMs;
    tick();
    const auto& lines = device(PortDispenser).lineChanges;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].line, 'D');
    EXPECT_TRUE(lines[0].on);
    EXPECT_FALSE(lines[1].on);
    EXPECT_EQ(lines[1].atMs - lines[0].atMs, 500);
    EXPECT_EQ(fake.waits->sleptMs - slept, 500); // the pulse runs no events
    EXPECT_EQ(st.timer1.TDPollFailCount, 0);

    tick(); // one failure
    tick(); // an answer resets the count
    EXPECT_EQ(st.timer1.TDPollFailCount, 0);
    tick();
    tick();
    EXPECT_EQ(device(PortDispenser).lineChanges.size(), 4u);
    EXPECT_EQ(polls, 6);
}

TEST_F(Timer1, PollOnlyForTheFirstFamilyOnPollSeconds)
{
    open(PortDispenser);
    int polls = 0;
    st.routines.TD_Poll = [&](Station&) { ++polls; return false; };
    st.settings.TDPoll = 1;
    st.settings.PollTime = 3;

    const struct { int type; int polls; } rows[] = {{0, 0}, {1, 4}, {2, 4}, {3, 0}, {4, 0}};
    for (const auto& r : rows) {
        polls = 0;
        st.models.DispenserType = static_cast<quint8>(r.type);
        at(QTime(9, 30, 59));
        for (int i = 0; i < 12; ++i) tick(); // seconds 00..11: polls at 00, 03, 06, 09
        EXPECT_EQ(polls, r.polls) << "model " << r.type;
    }

    polls = 0;
    st.models.DispenserType = 1;
    st.settings.TDPoll = 0;
    for (int i = 0; i < 12; ++i) tick();
    EXPECT_EQ(polls, 0);
}

TEST_F(Timer1, TimeBackOnTheFeeDisplayOnTheSixthTickAfterABarrierOpening)
{
    open(PortFeeDisp);
    st.models.FeeDispType = 0;
    at(QTime(9, 41, 10));
    FeeDisp_GateOpen(st);
    ASSERT_TRUE(st.comm->feeDisp.GateFlagB);
    device(PortFeeDisp).clearWrites();

    for (int i = 0; i < 5; ++i) tick();
    EXPECT_TRUE(device(PortFeeDisp).writes.empty());
    tick();
    EXPECT_EQ(device(PortFeeDisp).written(), feedisp::TimeFrame(0, false, QStringLiteral("0941")));
    EXPECT_FALSE(st.comm->feeDisp.GateFlagB);
    EXPECT_EQ(st.comm->feeDisp.GateFlagA, 0);
    tick();
    EXPECT_EQ(device(PortFeeDisp).writes.size(), 1u);
}

TEST_F(Timer1, NewMinuteShowsTheTimeOnlyWithoutATicket)
{
    open(PortFeeDisp);
    st.models.FeeDispType = 0;
    ts.screen.setText(QStringLiteral("PnlTime"), QString()); // the first tick after the screen is made

    st.trx.TicketInProgress = true;
    at(QTime(9, 0, 0));
    ts.screen.setText(QStringLiteral("PnlTime"), QString());
    tick();
    EXPECT_TRUE(device(PortFeeDisp).writes.empty());
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlTime")), "2026년01월05일 09시00분01초");

    st.trx.TicketInProgress = false;
    ts.screen.setText(QStringLiteral("PnlTime"), QString());
    tick();
    const QDateTime shown = ts.clock.now();
    QByteArray expected = feedisp::TimeTextFrame(shown);
    ASSERT_FALSE(device(PortFeeDisp).writes.empty());
    EXPECT_EQ(device(PortFeeDisp).writes[0].bytes, expected);
    EXPECT_EQ(device(PortFeeDisp).written(), expected + feedisp::TimeFrame(0, false, QStringLiteral("0900")));

    device(PortFeeDisp).clearWrites();
    at(QTime(9, 0, 58));
    tick(); // 09:00:59, same minute
    EXPECT_TRUE(device(PortFeeDisp).writes.empty());
    tick(); // 09:01:00
    EXPECT_EQ(device(PortFeeDisp).written(), feedisp::TimeTextFrame(ts.clock.now()) +
                                                 feedisp::TimeFrame(0, false, QStringLiteral("0901")));
}

TEST_F(Timer1, DispenserWarningsBlinkAndBeep)
{
    tick();
    EXPECT_EQ(ts.screen.beeps, 0);
    EXPECT_FALSE(ts.screen.visible.contains(QStringLiteral("LblWarning1")));

    st.DispenserAlarm = 4;
    ts.screen.setVisible(QStringLiteral("LblWarning2"), true); // left shown by another part
    tick();
    EXPECT_TRUE(visible("LblWarning1"));
    EXPECT_FALSE(visible("LblWarning2"));
    EXPECT_EQ(ts.screen.beeps, 1);
    tick();
    EXPECT_FALSE(visible("LblWarning1"));
    EXPECT_TRUE(visible("LblWarning2"));
    EXPECT_EQ(ts.screen.beeps, 1);
}

TEST_F(Timer1, ReaderLampHiddenWhenTheLineIsLowOrThePortClosed)
{
    ts.screen.setVisible(QStringLiteral("ShapeRD"), true);
    tick(); // reader port not open
    EXPECT_FALSE(visible("ShapeRD"));

    open(PortReader);
    device(PortReader).dsr = true;
    ts.screen.setVisible(QStringLiteral("ShapeRD"), true);
    tick();
    EXPECT_TRUE(visible("ShapeRD")); // a high line changes nothing
}

TEST_F(Timer1, ATickNeverRunsInsideAnother)
{
    open(PortHost);
    st.settings.TransTime = 1;
    st.HostPending[HostTD] = true;
    int nested = 0;
    st.routines.HostSend[HostTD] = [&](Station& s) {
        sent << QStringLiteral("TD");
        // The sender's reply wait processes events, among them the next timer tick.
        ts.clock.advanceSecs(1);
        Timer1_Tick(s);
        ++nested;
    };
    tick();
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(sent, QStringList({"TD"}));
    EXPECT_FALSE(st.timer1.InTick());
    tick();
    EXPECT_EQ(sent.size(), 2);
}

// A tick held in a wait below a dialog (the cashier's prompt opened inside it)
// does not stop the clock: the ticks that come meanwhile run every other step,
// and the held tick stops after its own step, the later ones having done the rest.
TEST_F(Timer1, ATickHeldBelowADialogLetsTheNextTicksRunTheirOtherSteps)
{
    enum Held { InSend, InPoll };
    open(PortHost);
    st.settings.TransTime = 1;
    st.settings.TDPoll = 1;
    st.settings.PollTime = 1;
    st.models.DispenserType = 1;
    int polls = 0;
    int archives = 0;
    st.routines.ArchiveDay = [&](Station&) { ++archives; return true; };
    Held heldIn = InSend;
    bool dialog = false;
    bool armed = false;
    // Three ticks come while the first one waits, inside a dialog or not.
    const auto hold = [&] {
        armed = false;
        const auto threeTicks = [&] {
            for (int i = 0; i < 3; ++i) tick();
        };
        if (!dialog) return threeTicks();
        QEventLoop prompt;
        QTimer::singleShot(0, &prompt, [&] {
            threeTicks();
            prompt.quit();
        });
        prompt.exec();
    };
    st.routines.HostSend[HostTD] = [&](Station&) {
        sent << QStringLiteral("TD");
        if (armed && heldIn == InSend) hold();
    };
    st.routines.TD_Poll = [&](Station&) {
        ++polls;
        if (armed && heldIn == InPoll) hold();
        return true;
    };

    const struct { const char* name; Held heldIn; bool dialog; int polls; int sends; int archives; QTime shown; }
        rows[] = {
            // The first tick, at 23:59:59, polls and sends; ticks at 00:00:00 (archive),
            // 00:00:01 and 00:00:02 poll, and the last two offer the host a record (the
            // host link sends none while one waits for its acknowledgement).
            {"send held below a dialog", InSend, true, 4, 3, 1, QTime(0, 0, 2)},
            // Ticks at 00:00:00 (archive), 00:00:01 and 00:00:02 send; the held tick neither
            // sends nor archives the day before again.
            {"poll held below a dialog", InPoll, true, 1, 2, 1, QTime(0, 0, 2)},
            {"send in a wait without a dialog", InSend, false, 1, 1, 0, QTime(23, 59, 59)},
            {"poll in a wait without a dialog", InPoll, false, 1, 1, 0, QTime(23, 59, 59)},
        };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(23, 59, 58)));
        showClock();
        st.DataRefreshDate = QStringLiteral("2026-01-05");
        st.HostPending[HostTD] = true;
        sent.clear();
        polls = archives = 0;
        heldIn = r.heldIn;
        dialog = r.dialog;
        armed = true;
        tick();
        EXPECT_FALSE(armed);
        EXPECT_EQ(polls, r.polls);
        EXPECT_EQ(sent.size(), r.sends);
        EXPECT_EQ(archives, r.archives);
        EXPECT_EQ(ts.screen.text(QStringLiteral("PnlTime")), ClockPanelText(QDateTime(
            r.archives ? QDate(2026, 1, 6) : QDate(2026, 1, 5), r.shown)));
        EXPECT_EQ(st.DataRefreshDate, r.archives ? "2026-01-06" : "2026-01-05");
        EXPECT_FALSE(st.timer1.InTick());
        EXPECT_EQ(st.timer1.StepsUnderWay, 0u);
    }
}

TEST_F(Timer1, AnErrorIsShownOnceAndTheNextTickRuns)
{
    open(PortHost);
    st.settings.TransTime = 1;
    st.HostPending[HostDISC] = true;
    int calls = 0;
    st.routines.HostSend[HostDISC] = [&](Station&) {
        ++calls;
        throw std::runtime_error("host link lost");
    };
    for (int i = 0; i < 3; ++i) tick();
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(ts.screen.list1.size(), 1);
    EXPECT_TRUE(ts.screen.list1[0].contains(QStringLiteral("host link lost")));
    EXPECT_FALSE(st.timer1.InTick());
    // The clock kept running before the failing step.
    EXPECT_EQ(ts.screen.text(QStringLiteral("PnlTime")), ClockPanelText(ts.clock.now()));

    st.HostPending[HostDISC] = false; // a clean tick, then the error again is news
    tick();
    st.HostPending[HostDISC] = true;
    tick();
    EXPECT_EQ(ts.screen.list1.size(), 2);
}

TEST_F(Timer1, WithoutADispenserLinkNothingIsCountedOrPulsed)
{
    open(PortDispenser);
    st.settings.TDPoll = 1;
    st.settings.PollTime = 1;
    st.models.DispenserType = 1;
    for (int i = 0; i < 4; ++i) tick();
    EXPECT_EQ(st.timer1.TDPollFailCount, 0);
    EXPECT_TRUE(device(PortDispenser).lineChanges.empty());
}

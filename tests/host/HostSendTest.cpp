#include "common/TestStation.h"
#include "core/Sql.h"
#include "host/HostLink.h"
#include "host/HostRecords.h"
#include "platform/Cp949.h"
#include "serial/FakeComm.h"
#include "sim/HostPeer.h"

#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>
#include <algorithm>
#include <utility>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

const QString kStart = QStringLiteral("2026-01-04 08:00");
const QString kEnd = QStringLiteral("2026-01-04 20:00");

// The station's host port on a fake, the host answering each record with its
// acknowledgement unless told to stay silent.
class HostSend : public ::testing::Test {
public:
    HostSend()
    {
        fake = InstallFakeComm(st);
        link = AttachHost(st);
        st.comm->setOnComm([this](int i, CommEvent ev) {
            if (i == PortHost && ev == comEvReceive) st.routines.Host_Receive(st);
        });
        EXPECT_TRUE(st.comm->openPort(PortHost, QStringLiteral("/dev/host"), SerialSettings{}));
        host().replier = [this](const QByteArray& frame) {
            const QString text = cp949::decode(frame.mid(1, frame.size() - 3));
            sentTexts << text;
            markedWhenSent << ts.value(QStringLiteral("SELECT SUM(전송여부) FROM ") + Id(table)).toInt();
            if (duringWait) std::exchange(duringWait, nullptr)();
            return answer ? TD_Frame(sim::HostPeer::AckFor(text)) : QByteArray();
        };
        st.HostPending.fill(true);
        st.models.PosCode = 3;
        st.settings.PauseTime = 0.5f;
        st.comm->DebugOn = true;
        st.comm->DebugDevice = PortHost;
    }

    FakeDevice& host() { return fake.ports->device(QStringLiteral("/dev/host")); }
    void send(HostKind kind) { st.routines.HostSend[kind](st); }
    int sent(const QString& where) const
    {
        return ts.value(QStringLiteral("SELECT SUM(전송여부) FROM %1 WHERE %2").arg(Id(table), where)).toInt();
    }

    void entry(const QString& no, const QVariant& pos = 2, const QString& time = QStringLiteral("09:30"))
    {
        table = QStringLiteral("일반권");
        Insert(st.Db, table,
               {{"포스코드", pos}, {"티켓번호", no}, {"입차일", "2026-01-05"}, {"입차시간", time},
                {"입차코드", no + "20260105" + QString(time).remove(':')}, {"정산구분", 0}, {"전송여부", 0}});
    }
    void exit(const QString& no, const Row& extra = {})
    {
        table = QStringLiteral("일반권");
        Row r{{"포스코드", 2},         {"티켓번호", no},          {"입차일", "2026-01-05"}, {"입차시간", "09:30"},
              {"출차일", "2026-01-05"}, {"출차시간", "11:45"},     {"입차코드", no + "202601050930"},
              {"총주차시간", "135"},    {"총주차요금", 3000},      {"할인시간", 0},          {"실수령금액", 3000},
              {"정산구분", 0},          {"전송여부", 0},          {"할인구분", "현금출차"}};
        for (const auto& [c, v] : extra)
            for (auto& [c2, v2] : r)
                if (c2 == c) v2 = v;
        Insert(st.Db, table, r);
    }
    void cancel(const QString& no, bool settled)
    {
        table = QStringLiteral("출차취소");
        Insert(st.Db, table,
               {{"티켓번호", no}, {"입차일", "2026-01-04"}, {"입차시간", "09:30"}, {"출차일", "2026-01-04"},
                {"출차시간", "11:45"}, {"입차코드", no + "202601040930"}, {"총주차시간", "135"},
                {"총주차요금", 3000}, {"할인시간", 0}, {"실수령금액", 3000}, {"정산구분", settled ? 1 : 0},
                {"전송여부", 0}, {"할인구분", "현금출차"}, {"근무자코드", 1}, {"근무자명", "홍길동"},
                {"시작일시", kStart}, {"종료일시", kEnd}});
    }
    // A statistics row of the period closed at kEnd, or (settled false) of the
    // period open since then, which has no end yet.
    void discount(const QVariant& pos, const QString& name, bool settled = true)
    {
        table = QStringLiteral("할인현황");
        Insert(st.Db, table,
               inPeriod({{"포스코드", pos}, {"근무자명", "홍길동"}, {"근무자코드", 1}, {"명칭", name}, {"할인종류", 1},
                         {"금액", 5000}, {"건수", 2}, {"전송여부", 0}},
                        settled));
    }
    void hour(const QVariant& pos, int h, bool counted, bool settled = true)
    {
        table = QStringLiteral("시간대별");
        Insert(st.Db, table,
               inPeriod({{"포스코드", pos}, {"근무자명", "홍길동"}, {"근무자코드", 1}, {"시간대", h}, {"정기권입차수", 1},
                         {"정기권출차수", 0}, {"일반권입차수", 3}, {"일반권출차수", 2}, {"전송여부", 0},
                         {"데이터유무", counted ? 1 : 0}, {"금액", 6000}, {"대수", 2}, {"일련번호", 1}},
                        settled));
    }
    void bands(const QString& t, const QVariant& pos, bool settled = true)
    {
        table = t;
        Insert(st.Db, table,
               inPeriod({{"포스코드", pos}, {"근무자명", "홍길동"}, {"근무자코드", 1}, {"금액1", 3000}, {"건수1", 1},
                         {"전송여부", 0}},
                        settled));
    }
    static Row inPeriod(Row r, bool settled)
    {
        r.insert(r.end(), {{"정산여부", settled ? 1 : 0},
                           {"시작일시", settled ? kStart : kEnd},
                           {"종료일시", settled ? QVariant(kEnd) : QVariant()}});
        return r;
    }

    TestStation ts;
    Station& st = ts.st;
    FakeComm fake;
    std::shared_ptr<HostLink> link;
    QString table;
    bool answer = true;
    QStringList sentTexts;
    QList<int> markedWhenSent;
    std::function<void()> duringWait; // runs once, while the next record waits for its acknowledgement
};

TEST_F(HostSend, EachKindIsMarkedOnlyAfterItsAcknowledgement)
{
    // Beside each statistics row stands a row of the open period, first in the
    // table: only the closed one goes, the open one stays unsent.
    const struct { HostKind kind; std::function<void(HostSend&)> add; int length; bool open = false; } rows[] = {
        {HostTD, [](HostSend& t) { t.entry("0012"); }, 27},
        {HostOUT, [](HostSend& t) { t.exit("0013"); }, 109},
        {HostCANCEL, [](HostSend& t) { t.cancel("0014", true); }, 156},
        {HostDISC, [](HostSend& t) { t.discount(1, "현금출차", false); t.discount(1, "현금출차"); }, 93, true},
        {HostTIME, [](HostSend& t) { t.hour(1, 9, true, false); t.hour(1, 9, true); }, 92, true},
        {HostPKTIME, [](HostSend& t) { t.bands("주차시간대별", 1, false); t.bands("주차시간대별", 1); }, 181, true},
        {HostPAMT, [](HostSend& t) { t.bands("금액대별", 1, false); t.bands("금액대별", 1); }, 179, true},
    };
    for (const auto& r : rows) {
        const RecordLayout& l = HostLayout(r.kind);
        SCOPED_TRACE(l.code);
        if (!table.isEmpty()) Exec(st.Db, QStringLiteral("DELETE FROM %1 WHERE 전송여부 = 1").arg(Id(table)));
        r.add(*this);
        sentTexts.clear();
        markedWhenSent.clear();
        st.Connect1.setStatus(false);

        send(r.kind);
        ASSERT_EQ(sentTexts.size(), 1);
        EXPECT_EQ(sentTexts[0].size(), r.length);
        EXPECT_TRUE(sentTexts[0].startsWith(QLatin1String(l.code)));
        EXPECT_EQ(sentTexts[0].left(l.keyLength()), st.Connect1.ProcessNum());
        EXPECT_EQ(markedWhenSent, QList<int>({0}));
        EXPECT_EQ(sent(QStringLiteral("1")), 1);
        EXPECT_TRUE(st.HostPending[r.kind]);
        EXPECT_TRUE(st.Connect1.Status()); // the acknowledgement turns it on

        send(r.kind); // nothing left: the kind's flag falls, nothing is written
        EXPECT_EQ(sentTexts.size(), 1);
        EXPECT_FALSE(st.HostPending[r.kind]);
        if (r.open) {
            EXPECT_EQ(sent(QStringLiteral("정산여부 = 0")), 0);
        }
    }
}

// The acknowledgement stands for the row as it was sent: a row that changed
// meanwhile stays unsent and goes again in its new state. A stamp that makes no
// new record (the settlement's) does not hold the marking back.
TEST_F(HostSend, ARowChangedDuringTheWaitGoesAgainInItsNewState)
{
    const struct {
        const char* name;
        HostKind kind;
        std::function<void(HostSend&)> add;
        const char* change; // run during the wait
        HostKind next;      // the kind that then carries the row
        QString nextText;   // a piece of the record sent next; empty: marked, nothing goes again
    } rows[] = {
        {"an entry whose exit is completed", HostTD, [](HostSend& t) { t.entry("0012"); },
         "UPDATE 일반권 SET 출차일 = '2026-01-06', 출차시간 = '11:45', 총주차시간 = '1575', 총주차요금 = 3000, "
         "할인시간 = 0, 실수령금액 = 3000, 할인구분 = '현금출차' WHERE 티켓번호 = '0012'",
         HostOUT, QStringLiteral("00122026-01-0509:302026-01-0611:45")},
        {"an exit stored again", HostOUT, [](HostSend& t) { t.exit("0013"); },
         "UPDATE 일반권 SET 출차시간 = '11:50', 총주차요금 = 3500, 실수령금액 = 3500 WHERE 티켓번호 = '0013'",
         HostOUT, QStringLiteral("2026-01-0511:50")},
        {"an exit with another discount", HostOUT, [](HostSend& t) { t.exit("0015"); },
         "UPDATE 일반권 SET 할인구분 = '경차할인' WHERE 티켓번호 = '0015'", HostOUT, QStringLiteral("경차할인")},
        {"a cancellation recorded again", HostCANCEL, [](HostSend& t) { t.cancel("0014", true); },
         "UPDATE 출차취소 SET 출차시간 = '12:10', 실수령금액 = 2000 WHERE 티켓번호 = '0014'", HostCANCEL,
         QStringLiteral("2026-01-0412:10")},
        {"an exit settled", HostOUT, [](HostSend& t) { t.exit("0016"); },
         "UPDATE 일반권 SET 정산구분 = 1 WHERE (출차일 <> '') AND (정산구분 = 0)", HostOUT, QString()},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.add(*this);
        const QString change = QString::fromUtf8(r.change);
        duringWait = [this, change] { Exec(st.Db, change); };
        sentTexts.clear();
        st.HostPending.fill(true);
        send(r.kind);
        ASSERT_EQ(sentTexts.size(), 1);
        if (r.nextText.isEmpty()) {
            EXPECT_EQ(sent(QStringLiteral("1")), 1) << "left unsent by a stamp";
            send(r.kind);
            EXPECT_EQ(sentTexts.size(), 1) << "sent again";
            EXPECT_FALSE(st.HostPending[r.kind]);
            Exec(st.Db, QStringLiteral("DELETE FROM %1").arg(Id(table)));
            continue;
        }
        EXPECT_EQ(sent(QStringLiteral("1")), 0) << "marked though it changed";
        EXPECT_TRUE(st.HostPending[r.kind]);

        if (r.next != r.kind) send(r.kind); // nothing of its kind is left
        send(r.next);
        ASSERT_EQ(sentTexts.size(), 2);
        EXPECT_TRUE(sentTexts[1].startsWith(QLatin1String(HostLayout(r.next).code)));
        EXPECT_TRUE(sentTexts[1].contains(r.nextText)) << sentTexts[1].toStdString();
        EXPECT_EQ(sent(QStringLiteral("1")), 1);
        Exec(st.Db, QStringLiteral("DELETE FROM %1").arg(Id(table)));
    }
}

TEST_F(HostSend, NoAcknowledgementLeavesTheRowUnsentAfterPauseTime)
{
    answer = false;
    exit("0012");
    st.Connect1.setStatus(true);
    const qint64 start = fake.waits->nowMs();
    send(HostOUT);
    EXPECT_GE(fake.waits->nowMs() - start, 500);
    EXPECT_LT(fake.waits->nowMs() - start, 560);
    EXPECT_EQ(sent(QStringLiteral("1")), 0);
    EXPECT_FALSE(st.Connect1.Status());
    EXPECT_FALSE(link->HostAck[HostOUT]);
    EXPECT_TRUE(st.HostPending[HostOUT]);
    EXPECT_TRUE(st.comm->trace.text().contains(QStringLiteral("   출차데이터 전송실패   : 0012\r\n")));

    // An entry that times out leaves the lamp alone.
    entry("0020");
    st.Connect1.setStatus(true);
    send(HostTD);
    EXPECT_TRUE(st.Connect1.Status());
    EXPECT_EQ(sent(QStringLiteral("1")), 0);
}

TEST_F(HostSend, ALateAcknowledgementMarksNothing)
{
    answer = false;
    exit("0012");
    send(HostOUT);
    const QString firstKey = st.Connect1.ProcessNum();
    host().inject(TD_Frame(QStringLiteral("OUT_ACK ") + firstKey)); // after the wait
    QCoreApplication::processEvents();
    EXPECT_TRUE(link->HostAck[HostOUT]);
    EXPECT_EQ(sent(QStringLiteral("1")), 0);

    send(HostOUT); // the flag is cleared before the row goes again, under a new key
    EXPECT_NE(st.Connect1.ProcessNum(), firstKey);
    EXPECT_FALSE(link->HostAck[HostOUT]);
    EXPECT_EQ(sent(QStringLiteral("1")), 0);
}

TEST_F(HostSend, AClockFrameDuringTheWaitNeitherShortensNorStretchesIt)
{
    const struct { const char* name; const char* frame; } rows[] = {
        {"an hour on", "TIME_SET_20260105100000"}, {"a day back", "TIME_SET_20260104090000"}};
    answer = false;
    st.models.HostSendsTime = true;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        exit("0012");
        ts.clock.setNow(QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0)));
        bool injected = false;
        fake.waits->onEvents = [&] {
            if (injected) return;
            injected = true;
            host().inject(TD_Frame(QString::fromLatin1(r.frame)));
        };
        const qint64 start = fake.waits->nowMs();
        send(HostOUT);
        fake.waits->onEvents = nullptr;
        const qint64 waited = fake.waits->nowMs() - start;
        EXPECT_NE(ts.clock.now(), QDateTime(QDate(2026, 1, 5), QTime(9, 0, 0))); // the host did set it
        EXPECT_GE(waited, 500);
        EXPECT_LT(waited, 560);
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
    }
}

TEST_F(HostSend, ARowWithoutPosCodeGoesAsThisBooths)
{
    entry("0012", QVariant());
    send(HostTD);
    ASSERT_EQ(sentTexts.size(), 1);
    EXPECT_TRUE(sentTexts[0].startsWith(QStringLiteral("TD3")));
    EXPECT_EQ(sentTexts[0].size(), 27);
    EXPECT_EQ(sent(QStringLiteral("1")), 1);

    discount(QVariant(), QStringLiteral("현금출차"));
    send(HostDISC);
    ASSERT_EQ(sentTexts.size(), 2);
    EXPECT_TRUE(sentTexts[1].startsWith(QStringLiteral("DISC3")));
    EXPECT_EQ(sentTexts[1].mid(25, 2), QStringLiteral("3 ")); // its 포스코드 field too
    EXPECT_EQ(sent(QStringLiteral("1")), 1);
}

TEST_F(HostSend, NullColumnsGoAsBlanks)
{
    exit("0012", {{"총주차시간", QVariant()}, {"총주차요금", QVariant()}, {"할인시간", QVariant()},
                  {"실수령금액", QVariant()}, {"할인구분", QVariant()}});
    send(HostOUT);
    ASSERT_EQ(sentTexts.size(), 1);
    EXPECT_EQ(sentTexts[0].mid(62), QString(26, ' ') + "0" + QString(20, ' '));
    EXPECT_EQ(sent(QStringLiteral("1")), 1);
}

TEST_F(HostSend, HoursIntoWhichNothingWasCountedAreNeverSent)
{
    hour(1, 3, false);
    hour(1, 9, true);
    hour(1, 10, true);
    send(HostTIME);
    EXPECT_EQ(sent(QStringLiteral("1")), 1) << "an acknowledgement marks its own hour alone";
    send(HostTIME);
    send(HostTIME);
    ASSERT_EQ(sentTexts.size(), 2);
    EXPECT_EQ(sentTexts[0].mid(25, 2) + sentTexts[1].mid(25, 2), "9 10");
    EXPECT_EQ(sent(QStringLiteral("시간대 = 3")), 0);
    EXPECT_FALSE(st.HostPending[HostTIME]);
}

TEST_F(HostSend, OneAcknowledgementMarksOnlyItsOwnStationsRow)
{
    const struct { HostKind kind; std::function<void(HostSend&, int pos)> add; } rows[] = {
        {HostTIME, [](HostSend& t, int pos) { t.hour(pos, 9, true); }},
        {HostDISC, [](HostSend& t, int pos) { t.discount(pos, QStringLiteral("O'Neil 할인")); }},
        {HostPKTIME, [](HostSend& t, int pos) { t.bands(QStringLiteral("주차시간대별"), pos); }},
        {HostPAMT, [](HostSend& t, int pos) { t.bands(QStringLiteral("금액대별"), pos); }},
    };
    for (const auto& r : rows) {
        const RecordLayout& l = HostLayout(r.kind);
        SCOPED_TRACE(l.code);
        sentTexts.clear();
        r.add(*this, 1);
        r.add(*this, 2);
        send(r.kind);
        EXPECT_EQ(sent(QStringLiteral("포스코드 = 1")), 1);
        EXPECT_EQ(sent(QStringLiteral("포스코드 = 2")), 0);
        send(r.kind);
        EXPECT_EQ(sent(QStringLiteral("포스코드 = 2")), 1);
        ASSERT_EQ(sentTexts.size(), 2);
        const int digit = static_cast<int>(qstrlen(l.code));
        EXPECT_EQ(sentTexts[0].mid(digit, 1) + sentTexts[1].mid(digit, 1), "12");
    }
}

TEST_F(HostSend, AFailedMarkingIsTracedAndTheRowGoesAgain)
{
    exit("0012");
    Exec(st.Db, QStringLiteral("CREATE TRIGGER 고장 BEFORE UPDATE ON 일반권 BEGIN SELECT RAISE(ABORT, 'disk gone'); END"));
    send(HostOUT);
    EXPECT_EQ(sent(QStringLiteral("1")), 0);
    EXPECT_TRUE(st.HostPending[HostOUT]);
    EXPECT_TRUE(st.comm->trace.text().contains(QStringLiteral("  호스트 전송 완료 표시 실패 : ")));
    send(HostOUT);
    EXPECT_EQ(sentTexts.size(), 2);
}

TEST_F(HostSend, OrderOfTheRows)
{
    entry("0020", 2, QStringLiteral("09:30"));
    entry("0011", 2, QStringLiteral("09:30"));
    entry("0030", 2, QStringLiteral("08:00"));
    for (int i = 0; i < 4; ++i) send(HostTD);
    QStringList tickets;
    for (const QString& t : sentTexts) tickets << t.mid(11, 4);
    EXPECT_EQ(tickets, QStringList({"0030", "0011", "0020"}));

    // A cancellation of the open shift waits for the settlement.
    sentTexts.clear();
    cancel("0040", false);
    cancel("0041", true);
    send(HostCANCEL);
    send(HostCANCEL);
    ASSERT_EQ(sentTexts.size(), 1);
    EXPECT_TRUE(sentTexts[0].startsWith(QStringLiteral("CANCEL0")));
    EXPECT_EQ(sentTexts[0].mid(15, 4), "0041");
    EXPECT_FALSE(st.HostPending[HostCANCEL]);
}

TEST_F(HostSend, HostFramesDuringTheWaitAreHandledInItInArrivalOrder)
{
    // A fee display of BEST TYPE, whose barrier pulse lets events run.
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, QStringLiteral("/dev/fee"), SerialSettings{}));
    st.models.FeeDispType = 2;
    st.models.HostSendsTime = true;
    FakeDevice& fee = fake.ports->device(QStringLiteral("/dev/fee"));
    const struct { const char* name; bool acknowledged; float pause; } rows[] = {
        {"acknowledged after the commands", true, 0.5f},
        {"never acknowledged, a long wait", false, 6.0f},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        sentTexts.clear();
        fee.clearWrites();
        st.comm->trace.clear();
        st.DeepestWaitNesting = 0;
        st.settings.PauseTime = r.pause;
        answer = false;
        entry("0012");
        qint64 arrivedAt = -1;
        fake.waits->onEvents = [&] {
            if (arrivedAt >= 0 || sentTexts.isEmpty()) return;
            arrivedAt = fake.waits->nowMs();
            QByteArray bytes = QByteArray("\x02I_OPEN\x03\x02O_OPEN\x03") + TD_Frame(QStringLiteral("TIME_SET_20260105093712"));
            if (r.acknowledged) bytes += TD_Frame(sim::HostPeer::AckFor(sentTexts[0]));
            host().inject(bytes);
        };
        send(HostTD);
        fake.waits->onEvents = nullptr;
        EXPECT_EQ(sent(QStringLiteral("1")), r.acknowledged ? 1 : 0);
        // The barrier goes at once, not when the wait ends; its "off" half a second later.
        ASSERT_FALSE(fee.writes.empty());
        EXPECT_EQ(fee.writes[0].bytes, QByteArray::fromHex("A00112000000B0"));
        EXPECT_LE(fee.writes[0].atMs - arrivedAt, 50);
        Delay(st, 1.0);
        EXPECT_EQ(fee.written(), QByteArray::fromHex("A00112000000B0A00113000000B0"));
        EXPECT_EQ(ts.clock.now(), QDateTime(QDate(2026, 1, 5), QTime(9, 37, 12)));
        EXPECT_EQ(st.DeepestWaitNesting, 1);
        const QString t = st.comm->trace.text();
        const qsizetype in = t.indexOf(QStringLiteral("  < 호스트에 의한 입차열림 명령 수신 : I_OPEN"));
        const qsizetype out = t.indexOf(QStringLiteral("  < 호스트에 의한 출차열림 명령 수신 : O_OPEN"));
        const qsizetype clock = t.indexOf(QStringLiteral("  < 호스트에 의한 시스템 시간 재설정 수신 : "));
        const qsizetype end = t.indexOf(r.acknowledged ? QStringLiteral("  < 입차데이터 전송완료   : 0012")
                                                       : QStringLiteral("   입차데이터 전송실패   : 0012"));
        EXPECT_GE(in, 0);
        EXPECT_GT(out, in);
        EXPECT_GT(clock, out);
        EXPECT_GT(end, clock);
    }
}

// A dialog opened inside a send's wait holds that wait until it closes. The
// record is still decided when its acknowledgement comes or its wait runs
// out, and until then no other record goes.
TEST_F(HostSend, ARecordWhoseWaitIsHeldBelowADialogIsDecidedWhenItsAnswerIsDue)
{
    const struct {
        const char* name;
        int ackAtMs;  // after the first record went; -1: never
        int nextAtMs; // a second send tried inside the dialog
        int marked;   // the first row, marked while the dialog is open
        int sends;
        const char* next;      // the entry the second send carries
        bool failedBeforeNext; // the first record's failure traced before the next one went
    } rows[] = {
        {"acknowledged in time, the next entry goes meanwhile", 100, 200, 1, 2, "0013202601050931", false},
        {"no acknowledgement yet: nothing else goes", -1, 200, 0, 1, "", false},
        {"the wait ran out: the record fails, then goes again", -1, 700, 0, 2, "0012202601050930", true},
        {"acknowledged after the wait ran out", 700, 800, 0, 2, "0012202601050930", true},
    };
    answer = false;
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Exec(st.Db, QStringLiteral("DELETE FROM 일반권"));
        st.comm->trace.clear();
        sentTexts.clear();
        entry("0012", 2, QStringLiteral("09:30"));
        entry("0013", 2, QStringLiteral("09:31"));
        int markedInDialog = -1;
        bool held = false;
        fake.waits->onEvents = [&] {
            if (held) return;
            held = true;
            const qint64 sentAt = fake.waits->nowMs();
            const auto at = [&](int ms) { fake.waits->now = std::max(fake.waits->now, sentAt + ms); };
            QEventLoop dialog;
            QTimer::singleShot(0, &dialog, [&] {
                if (r.ackAtMs >= 0) {
                    at(r.ackAtMs);
                    host().inject(TD_Frame(sim::HostPeer::AckFor(sentTexts.value(0))));
                    QCoreApplication::processEvents();
                }
                markedInDialog = sent(QStringLiteral("티켓번호 = '0012'"));
                at(r.nextAtMs);
                send(HostTD);
                dialog.quit();
            });
            dialog.exec();
        };
        send(HostTD);
        fake.waits->onEvents = nullptr;
        EXPECT_TRUE(held);
        EXPECT_EQ(markedInDialog, r.marked);
        EXPECT_EQ(sent(QStringLiteral("티켓번호 = '0012'")), r.marked) << "decided again after the dialog";
        ASSERT_EQ(sentTexts.size(), r.sends);
        if (r.sends == 2) {
            EXPECT_TRUE(sentTexts[1].endsWith(QLatin1String(r.next))) << sentTexts[1].toStdString();
        }
        const QString t = st.comm->trace.text();
        const QString attempt = QStringLiteral("  > 입차데이터 전송시도   : ");
        const qsizetype failed = t.indexOf(QStringLiteral("   입차데이터 전송실패   : 0012"));
        const qsizetype next = t.indexOf(attempt, t.indexOf(attempt) + 1);
        EXPECT_EQ(failed >= 0 && next >= 0 && failed < next, r.failedBeforeNext);
        EXPECT_FALSE(link->awaiting.has_value());
    }
}

TEST_F(HostSend, NothingAfterTheHostsShutDownNoticeInItsReadRunsDuringTheWait)
{
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, QStringLiteral("/dev/fee"), SerialSettings{}));
    st.models.FeeDispType = 3; // PLUS TYPE: "GON" opens the entrance at once
    st.Connect1.setStatus(true);
    answer = false;
    entry("0012");
    bool arrived = false;
    fake.waits->onEvents = [&] {
        if (arrived || sentTexts.isEmpty()) return;
        arrived = true;
        host().inject(QByteArray("\x02HOST_EXIT\x03\x02I_OPEN\x03"));
    };
    send(HostTD);
    fake.waits->onEvents = nullptr;
    Delay(st, 1.0);
    EXPECT_TRUE(arrived);
    EXPECT_FALSE(st.Connect1.Status());
    EXPECT_TRUE(fake.ports->device(QStringLiteral("/dev/fee")).written().isEmpty());
    const QString t = st.comm->trace.text();
    EXPECT_TRUE(t.contains(QStringLiteral("  < 호스트 프로그램이 종료됨")));
    EXPECT_FALSE(t.contains(QStringLiteral("I_OPEN")));
}

TEST_F(HostSend, TraceOfAnEntry)
{
    entry("0012");
    st.comm->trace.append(QString(25000, 'x'));
    send(HostTD);
    const QString t = st.comm->trace.text();
    // Cut to its last 20000 characters before the lines.
    EXPECT_TRUE(t.startsWith(QString(20000, 'x')));
    EXPECT_FALSE(t.startsWith(QString(20001, 'x')));
    EXPECT_TRUE(t.contains(QString(49, '-') + "\r\n"));
    EXPECT_TRUE(t.contains(QStringLiteral("  > 입차데이터 전송시도   : ") + sentTexts.value(0) + "\r\n"));
    EXPECT_TRUE(t.contains(QStringLiteral("  < 입차데이터 전송완료   : 0012\r\n")));
}

} // namespace

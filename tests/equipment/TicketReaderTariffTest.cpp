// A ticket read by the ticket reader under a tariff that cannot price it: no
// exit starts, the card goes back; a free stay still completes at 0. Cards
// against typed tickets and the exit's own reader commands: each in its turn.

#include "equipment/TicketReader.h"
#include "serial/FakeComm.h"
#include "sim/TicketReaderSim.h"
#include "station/CommDispatch.h"
#include "station/ExitTestSupport.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;
using tolvo::sim::TicketReaderSim;

namespace {

const QString kFault = QStringLiteral("Tarvola|요금테이블 데이터 베이스에 이상이있습니다.\r"
                                      "계산할 수 없으므로 요금테이블을 재설정 하시기 바랍니다.");
const QString kNoSlots = QStringLiteral("DELETE FROM 요금테이블");
const QString kGrace = QStringLiteral("UPDATE 기타 SET 회차사용 = 1, 회차시간 = 10");

// The station at 09:30 with a ticket reader on a fake port 6.
struct ReaderRig {
    ReaderRig()
    {
        AttachCommDispatch(st);
        link = AttachTicketReader(st);
        FakeDevice& dev = fake.ports->device(QStringLiteral("/dev/reader"));
        dev.replier = [this](const QByteArray& b) { return reader.onBytes(b); };
        EXPECT_TRUE(st.comm->openPort(PortReader, QStringLiteral("/dev/reader"), SerialSettings{}));
        rig.ts.screen.setText(QStringLiteral("TNum"), QString());
    }
    void read(const QString& no, const QString& yymmddhhnn)
    {
        reader.insert(TicketReaderSim::PaperCard(no, yymmddhhnn));
        st.routines.Read_CMD61(st);
    }
    // "출차일|총주차요금" of one entry.
    QString stored(const QString& entryCode) const
    {
        return rig.value(QStringLiteral("SELECT ifnull(출차일, '') || '|' || ifnull(총주차요금, '') FROM 일반권 "
                                        "WHERE 입차코드 = ?"), {entryCode}).toString();
    }

    ExitRig rig{QDateTime(QDate(2026, 1, 5), QTime(9, 30))};
    Station& st = rig.st;
    FakeComm fake = InstallFakeComm(st);
    TicketReaderSim reader;
    std::shared_ptr<TicketReaderLink> link;
};

TEST(TicketReaderTariff, ACardTheTariffCannotPriceGoesBackAndNothingIsStored)
{
    struct Case {
        const char* name;
        QStringList setup;
        QString entryTime, shown, box, stored; // box after the read; stored: "출차일|총주차요금"
        qsizetype commands;                     // reader commands up to the end of the exit
    } cases[] = {
        {"no slot table", {kNoSlots}, QStringLiteral("0730"), kFault, QString(), QStringLiteral("|"), 2},
        {"grace stay without slot table", {kNoSlots, kGrace}, QStringLiteral("0925"), QString(),
         QStringLiteral("0123"), QStringLiteral("2026-01-05|0"), 4},
    };
    for (const Case& c : cases) {
        ReaderRig r;
        r.rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), c.entryTime.left(2) + u':' + c.entryTime.mid(2));
        for (const QString& sql : c.setup) Exec(r.st.Db, sql);
        r.read(QStringLiteral("0123"), QStringLiteral("260105") + c.entryTime);
        EXPECT_EQ(OnlyShown(r.rig.ts.msgs), c.shown) << c.name;
        EXPECT_EQ(r.rig.ts.screen.text(QStringLiteral("TNum")), c.box) << c.name;
        EXPECT_EQ(r.reader.inSlot, c.shown.isEmpty()) << c.name; // pushed back only when refused
        r.rig.enter();
        EXPECT_FALSE(r.st.trx.TicketInProgress) << c.name;
        EXPECT_TRUE(r.st.trx.TicketData.isEmpty()) << c.name;
        EXPECT_EQ(r.stored(QStringLiteral("012320260105") + c.entryTime), c.stored) << c.name;
        EXPECT_EQ(r.reader.commands.size(), c.commands) << c.name;
        EXPECT_EQ(r.reader.commands.value(0), QStringLiteral("C61")) << c.name;
        EXPECT_EQ(r.reader.commands.last(), QStringLiteral("C30")) << c.name;
    }
}

TEST(TicketReaderTariff, ACardThatCannotBePricedLeavesTheShownTicketAsItWas)
{
    ReaderRig r;
    Exec(r.st.Db, kNoSlots);
    Exec(r.st.Db, kGrace);
    r.rig.addEntry(QStringLiteral("0555"), QStringLiteral("2026-01-05"), QStringLiteral("09:25"));
    r.rig.addEntry(QStringLiteral("0123"), QStringLiteral("2026-01-05"), QStringLiteral("07:30"));
    r.rig.type(QStringLiteral("0555")); // free by grace
    ASSERT_TRUE(r.st.trx.TicketInProgress);
    r.read(QStringLiteral("0123"), QStringLiteral("2601050730"));
    EXPECT_EQ(OnlyShown(r.rig.ts.msgs), kFault);
    EXPECT_EQ(r.st.trx.TicketData, QStringLiteral("0555202601050925"));
    EXPECT_EQ(r.rig.ts.screen.text(QStringLiteral("TNum")), QStringLiteral("0555"));
    EXPECT_TRUE(r.st.trx.TicketTyped);
    EXPECT_EQ(r.reader.commands, (QStringList{QStringLiteral("C61"), QStringLiteral("C30")}));
    r.rig.enter();
    EXPECT_EQ(r.stored(QStringLiteral("0555202601050925")), QStringLiteral("2026-01-05|0"));
    EXPECT_EQ(r.stored(QStringLiteral("0123202601050730")), QStringLiteral("|"));
}

// ---- cards in their turn ----

QByteArray CardReport(const QString& no, const QString& yymmddhhnn)
{
    return TicketReaderSim::Frame(QStringLiteral("P6100") + TicketReaderSim::PaperCard(no, yymmddhhnn));
}

int AmountsShown(const QStringList& calls)
{
    return int(calls.filter(QRegularExpression(QStringLiteral("^amount:"))).size());
}

TEST(ReaderOrder, ACardReadBeforeATypedTicketIsTheOneShown)
{
    ReaderRig r;
    r.rig.addEntry(QStringLiteral("1111"), QStringLiteral("2026-01-05"), QStringLiteral("08:40"));
    r.rig.addEntry(QStringLiteral("2222"), QStringLiteral("2026-01-05"), QStringLiteral("09:00"));
    FakeDevice& dev = r.fake.ports->device(QStringLiteral("/dev/reader"));
    // A paid ticket is shown as paid and pushed back; the reader is slow to answer the eject.
    dev.replier = [&](const QByteArray& b) {
        const QByteArray out = r.reader.onBytes(b);
        return r.reader.commands.value(r.reader.commands.size() - 1) == QLatin1String("C30") ? QByteArray() : out;
    };
    int runs = 0;
    r.fake.waits->onEvents = [&] {
        ++runs;
        if (runs == 1) dev.inject(CardReport(QStringLiteral("1111"), QStringLiteral("2601050840"))); // the next car's ticket
        if (runs == 2) r.rig.type(QStringLiteral("2222"), false); // then the cashier types another
    };
    r.read(QStringLiteral("0123"), QStringLiteral("2601050730") + QStringLiteral("2601050900"));
    r.fake.waits->onEvents = nullptr;
    ASSERT_GE(runs, 2);
    // The card came first: it is shown and priced; the typed number is not looked up.
    EXPECT_EQ(OnlyShown(r.rig.ts.msgs), QStringLiteral("정산오류|이미정산이 완료된 주차권입니다....."));
    EXPECT_TRUE(r.st.trx.TicketInProgress);
    EXPECT_EQ(r.st.trx.TicketData, QStringLiteral("1111202601050840"));
    EXPECT_FALSE(r.st.trx.TicketTyped);
    EXPECT_EQ(AmountsShown(r.rig.calls), 1) << r.rig.calls.join(u' ').toStdString();
    // The release of the Enter typed for 2222 does not complete the card; the next Enter does.
    r.rig.enter();
    EXPECT_TRUE(r.st.trx.TicketInProgress);
    r.rig.enter();
    EXPECT_FALSE(r.st.trx.TicketInProgress);
}

// The next car's ticket comes while the first one's exit is being ended: after the
// reader's command named by `after` (the push back of a cancellation, the stamp
// of a completion). The ending finishes first; then the card is read and priced,
// not wiped or dropped by it.
TEST(ReaderOrder, ACardReadWhileAnExitEndsIsHandledAfterIt)
{
    struct Case {
        const char* name;
        const char* after;
        bool complete;
    };
    const Case cases[] = {
        {"during the cancellation", "C30", false},
        {"during the completion's stamp", "C70", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReaderRig r;
        r.rig.addEntry(QStringLiteral("1111"), QStringLiteral("2026-01-05"), QStringLiteral("08:40"));
        r.rig.addEntry(QStringLiteral("2222"), QStringLiteral("2026-01-05"), QStringLiteral("09:00"));
        r.read(QStringLiteral("1111"), QStringLiteral("2601050840"));
        ASSERT_EQ(r.st.trx.TicketData, QStringLiteral("1111202601050840"));
        FakeDevice& dev = r.fake.ports->device(QStringLiteral("/dev/reader"));
        bool sent = false;
        dev.replier = [&](const QByteArray& b) {
            QByteArray out = r.reader.onBytes(b);
            if (!sent && r.reader.commands.value(r.reader.commands.size() - 1).startsWith(QLatin1String(c.after))) {
                sent = true;
                out += CardReport(QStringLiteral("2222"), QStringLiteral("2601050900"));
            }
            return out;
        };
        if (c.complete) r.rig.enter();
        else r.rig.esc();
        ASSERT_TRUE(sent);
        if (c.complete) {
            EXPECT_EQ(r.stored(QStringLiteral("1111202601050840")).left(10), QStringLiteral("2026-01-05"));
            EXPECT_EQ(r.reader.commands.size(), 4); // C61, the write, the print, the eject of the first
            EXPECT_EQ(r.reader.commands.last(), QStringLiteral("C30"));
        }
        EXPECT_TRUE(r.st.trx.TicketInProgress);
        EXPECT_EQ(r.st.trx.TicketData, QStringLiteral("2222202601050900"));
        EXPECT_EQ(r.rig.ts.screen.text(QStringLiteral("TNum")), QStringLiteral("2222"));
    }
}

} // namespace

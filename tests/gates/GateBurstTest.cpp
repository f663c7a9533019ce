#include "gates/DecisionRig.h"

#include "gates/GatesAttach.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QSqlQuery>
#include <gtest/gtest.h>
#include <deque>

using namespace tolvo;
using namespace tolvo::test;

namespace {

// An ID Tech frame of the card "0000" + digits, as the reader sends it.
QByteArray IdTech(const char* digits) { return Hex("02") + "XY" + QByteArray(digits) + Hex("03"); }

// The real barriers, the entrance 1 relay on a "BEST TYPE" fee display, which holds
// it while events run (the decision goes on at once), and the gates' port events
// dispatched as the main screen does.
class BurstRig : public DecisionRig {
public:
    BurstRig()
    {
        AttachGates(st);
        st.settings.SeasonMode = QStringLiteral("3");
        st.settings.AntiPassBack = true;
        st.models.FeeDispType = 2;
        st.gates.Control[GateIn1] = GateControl{0, 7};
        st.comm->setOnComm([this](int port, CommEvent ev) {
            if (ev == comEvReceive && port == 1) st.routines.SeasonRx[GateIn1][st.models.SeasonIn1Type](st);
        });
    }

    // The first read arrives; each later one on a turn of whatever wait runs, like a
    // reader that keeps sending while a card is held in its field. Then the last
    // relay pulse falls due.
    void babble(std::deque<QByteArray> reads)
    {
        fake.waits->onEvents = [this, &reads] {
            if (reads.empty()) return;
            dev(1).inject(reads.front());
            reads.pop_front();
        };
        dev(1).inject(reads.front());
        reads.pop_front();
        while (!reads.empty()) Delay(st, 0.05);
        Delay(st, 1.0);
        fake.waits->onEvents = nullptr;
    }

    QStringList verdicts()
    {
        QStringList out;
        QSqlQuery q = Query(st.Db, QStringLiteral("SELECT 정기권번호, 입출상태 FROM 정기권입출차 ORDER BY rowid"));
        while (q.next()) out << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
        return out;
    }
};

} // namespace

TEST(GateBurst, CardsDuringABarrierPulseAreDecidedAsTheyArriveInOrder)
{
    BurstRig r;
    for (const char* n : {"0000100001", "0000100002", "0000100003", "0000100004", "0000100005", "0000100006"})
        r.add(Card{QString::fromLatin1(n)});
    const QByteArray second = IdTech("100002");
    // The first read ends inside the second card's frame; the rest of it comes during the pulse.
    r.babble({IdTech("100001") + second.left(5), second.mid(5) + IdTech("100003"), IdTech("100003"),
              IdTech("100001"), IdTech("100004"), IdTech("100005") + IdTech("100006")});

    // The repeated 100003 is refused by anti-passback without a row; 100001 is inside already.
    EXPECT_EQ(r.verdicts(), (QStringList{QStringLiteral("0000100001 정상입차"), QStringLiteral("0000100002 정상입차"),
                                         QStringLiteral("0000100003 정상입차"), QStringLiteral("0000100001 중복입차"),
                                         QStringLiteral("0000100004 정상입차"), QStringLiteral("0000100005 정상입차"),
                                         QStringLiteral("0000100006 정상입차")}));
    // Six openings (a repeated card in mode "3" is refused), each decided as it
    // arrives while the relay is on; the relay goes off once, half a second after the last.
    EXPECT_EQ(r.written(7).toHex(' '), (Hex("a00112000000b0").repeated(6) + Hex("a00113000000b0")).toHex(' '));
    EXPECT_EQ(r.st.DeepestWaitNesting, 1); // the test's own waits: no decision waits
    EXPECT_TRUE(r.st.gates.Link[GateIn1].held.empty());
}

TEST(GateBurst, ACardIsDecidedWhileADialogOpenedDuringABarrierPulseIsOpen)
{
    BurstRig r;
    r.add(Card{QStringLiteral("0000100001")});
    r.add(Card{QStringLiteral("0000100002")});
    // While the first car's relay is on, the cashier opens a message box; the
    // next card is read meanwhile, decided at once and stamped then.
    bool opened = false;
    int rowsInDialog = -1;
    r.fake.waits->onEvents = [&] {
        if (opened) return;
        opened = true;
        QEventLoop dialog;
        QTimer::singleShot(0, [&] { r.dev(1).inject(IdTech("100002")); });
        QTimer::singleShot(300, [&] {
            rowsInDialog = r.rows();
            dialog.quit();
        });
        dialog.exec();
        r.ts.clock.advanceSecs(6); // the box was open for a while
    };
    r.dev(1).inject(IdTech("100001"));
    Delay(r.st, 1.0);
    r.fake.waits->onEvents = nullptr;
    ASSERT_TRUE(opened);
    EXPECT_EQ(rowsInDialog, 2);
    EXPECT_EQ(r.verdicts(), (QStringList{QStringLiteral("0000100001 정상입차"), QStringLiteral("0000100002 정상입차")}));
    // Both stamped when read, before the box closed.
    EXPECT_EQ(r.ts.value(QStringLiteral("SELECT COUNT(DISTINCT 처리일시) FROM 정기권입출차")).toInt(), 1);
}

TEST(GateBurst, AHeldCardInItsReadersFieldDoesNotDeepenTheWaits)
{
    BurstRig r;
    r.st.settings.SeasonMode = QStringLiteral("2"); // a repeated entry opens too
    r.st.settings.AntiPassBack = false;
    r.add(Card{QStringLiteral("0000100001")});
    std::deque<QByteArray> reads(200, IdTech("100001"));
    r.babble(reads);
    EXPECT_EQ(r.rows(), 200);
    EXPECT_LE(r.st.DeepestWaitNesting, 2);
}

// Every framed reader model keeps its gate's queue: cards split across reads and
// arriving while a decision waits are decided once each, in order, one wait deep.
#include "gates/GateRig.h"
#include "core/SeasonGates.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <deque>
#include <random>

using namespace tolvo;
using namespace tolvo::test;

namespace {

struct ModelCase {
    const char* name;
    quint8 model;
    int gate;
    QByteArray frame;
    QString card;
};

TEST(GateModelsBurst, CardsSplitAndArrivingDuringADecisionAreDecidedInOrderOnce)
{
    const ModelCase cases[] = {
        {"ID Tech", 0, GateIn1, Hex("02") + "XY123456" + Hex("03"), "0000123456"},
        {"TAG Master", 1, GateIn1, Hex("02") + "ABCD12345678" + Hex("03"), "0012345678"},
        {"Remocon N", 3, GateIn1, Hex("02") + "12345" + Hex("03"), "0000012345"},
        {"Credipass", 7, GateIn1, Hex("02") + "ABCDEFGH12345678" + Hex("03"), "0012345678"},
        {"DirB in", 9, GateIn1, Hex("02") + "1I1234567" + Hex("03"), "0001234567"},
        {"DirB out", 9, GateOut1, Hex("02") + "1O1234567" + Hex("03"), "0001234567"},
        {"Firstech", 6, GateIn1, Hex("02") + Hex("01020304") + Hex("03"), "0000001234"},
        {"Remocon T", 2, GateIn1, Hex("a3") + Hex("12"), "0000000018"},
    };
    for (const auto& c : cases) {
        for (int seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(std::string(c.name) + " seed " + std::to_string(seed));
            GateRig r;
            std::mt19937 rng(seed);
            const int port = c.gate == GateIn1 ? 1 : c.gate == GateOut1 ? 2 : c.gate == GateIn2 ? 3 : 5;
            quint8* type = c.gate == GateIn1 ? &r.st.models.SeasonIn1Type : &r.st.models.SeasonOut1Type;
            *type = c.model;
            QStringList seen;
            const auto decide = [&](Station& s, QString& card, qint16&) {
                seen << card;
                Delay(s, 0.3);
            };
            r.st.routines.Season_In = decide;
            r.st.routines.Season_Out = decide;
            r.st.comm->setOnComm([&](int p, CommEvent ev) {
                if (ev == comEvReceive && p == port) r.st.routines.SeasonRx[size_t(c.gate)][c.model](r.st);
            });
            QByteArray all;
            for (int i = 0; i < 20; ++i) all += c.frame;
            std::deque<QByteArray> chunks;
            for (qsizetype p = 0; p < all.size();) {
                const qsizetype n = 1 + rng() % 5;
                chunks.push_back(all.mid(p, n));
                p += n;
            }
            r.fake.waits->onEvents = [&] {
                if (chunks.empty() || rng() % 2) return;
                r.dev(port).inject(chunks.front());
                chunks.pop_front();
            };
            while (!chunks.empty()) {
                r.dev(port).inject(chunks.front());
                chunks.pop_front();
                QCoreApplication::processEvents();
            }
            QCoreApplication::processEvents();
            r.fake.waits->onEvents = nullptr;
            EXPECT_EQ(seen, QStringList(QList<QString>(20, c.card)));
            EXPECT_LE(r.st.DeepestWaitNesting, 1);
            EXPECT_TRUE(r.st.gates.Link[size_t(c.gate)].held.empty());
        }
    }
}

} // namespace

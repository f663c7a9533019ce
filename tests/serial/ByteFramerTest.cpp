#include "serial/ByteFramer.h"

#include <QEventLoop>
#include <QTest>
#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace tolvo;

namespace {

// A link with STX/ETX framing and ACK as its one control byte, recording what it saw.
struct Link {
    explicit Link(ByteFramer::Options o = {}) : framer(o)
    {
        framer.classify = [](quint8 b) {
            switch (b) {
            case 0x02: return ByteRole::Start;
            case 0x03: return ByteRole::End;
            case 0x06: return ByteRole::Control;
            default: return ByteRole::Data;
            }
        };
        framer.onControl = [this](quint8) { seen << QStringLiteral("<ACK>"); };
        framer.onFrame = [this](const QByteArray& f, const QByteArray& trailer) {
            if (f == "BAD") throw std::runtime_error("bad frame");
            if (nested && f == "ASK") framer.feed(nested());
            seen << QString::fromLatin1(f) + (trailer.isEmpty() ? QString() : QLatin1Char('+') + trailer.toHex());
        };
        framer.onError = [this](const QByteArray& f, const QString& cause) {
            seen << QStringLiteral("error %1: %2").arg(QString::fromLatin1(f), cause);
        };
        framer.onOverflow = [this](qsizetype n) { seen << QStringLiteral("overflow %1").arg(n); };
    }
    ByteFramer framer;
    QStringList seen;
    std::function<QByteArray()> nested;
};

struct FramerCase {
    const char* name;
    ByteFramer::Options options;
    std::vector<QByteArray> reads;
    QStringList seen;
};

ByteFramer::Options opts(int cap, bool outside, int trailer)
{
    ByteFramer::Options o;
    o.capBytes = cap;
    o.dataOutsideFrame = outside;
    o.trailerBytes = trailer;
    return o;
}

TEST(ByteFramer, FramesControlBytesErrorsAndCaps)
{
    const FramerCase cases[] = {
        {"two frames in one read", {}, {"\x02" "A\x03\x02" "B\x03"}, {"A", "B"}},
        {"a frame over two reads", {}, {"\x02" "AB", "C\x03"}, {"ABC"}},
        {"control byte inside a frame is not buffered", {}, {"\x02" "A\x06" "B\x03"}, {"<ACK>", "AB"}},
        {"bytes outside a frame are dropped", {}, {"xx\x02" "A\x03yy\x03"}, {"A"}},
        {"bytes outside a frame kept when asked", opts(512, true, 0), {"xx\x03"}, {"xx"}},
        {"STX restarts the frame", {}, {"\x02" "AB\x02" "C\x03"}, {"C"}},
        {"an error costs only its frame", {}, {"\x02" "BAD\x03\x02" "OK\x03"}, {"error BAD: bad frame", "OK"}},
        {"a frame over the cap is dropped until the next STX", opts(3, true, 0), {"\x02" "ABCD", "E\x03\x02" "F\x03"},
         {"overflow 4", "F"}},
        {"a trailer byte goes with its frame", opts(512, false, 1), {"\x02" "A\x03", "\x02\x02" "B\x03\x06"},
         {"A+02", "B+06"}},
    };
    for (const FramerCase& c : cases) {
        SCOPED_TRACE(c.name);
        Link link(c.options);
        for (const QByteArray& r : c.reads) link.framer.feed(r);
        EXPECT_EQ(link.seen, c.seen);
    }
}

TEST(ByteFramer, ANestedReadContinuesWhereTheOuterOneStood)
{
    Link link;
    // While "ASK" is handled, the reply arrives in a new read; the frame after
    // "ASK" in the first read comes before it.
    link.nested = [] { return QByteArray("\x02REPLY\x03"); };
    link.framer.feed("\x02" "ASK\x03\x02" "NEXT\x03");
    EXPECT_EQ(link.seen, QStringList({"NEXT", "REPLY", "ASK"}));
}

TEST(ByteFramer, ReportsArrivingDuringAWaitRunAfterItInArrivalOrder)
{
    Link link;
    // "R..." frames are replies a waiting handler needs; every other frame is held.
    link.framer.holdWhileBusy = [](const QByteArray& f) { return !f.startsWith('R'); };
    int waits = 0;
    link.nested = [&] { return ++waits == 1 ? QByteArray("\x02" "T2\x03\x02" "REPLY\x03\x02" "T3\x03") : QByteArray(); };
    link.framer.feed("\x02" "ASK\x03");
    EXPECT_EQ(link.seen, QStringList({"REPLY", "ASK", "T2", "T3"}));
    EXPECT_EQ(link.framer.heldFrames(), 0);

    // A sender holding the link busy keeps reports out of its wait too.
    link.seen.clear();
    {
        const ByteFramer::Busy sending(link.framer);
        link.framer.feed("\x02" "T4\x03\x02" "R1\x03");
        EXPECT_EQ(link.seen, QStringList({"R1"}));
    }
    EXPECT_EQ(link.seen, QStringList({"R1", "T4"}));
}

TEST(ByteFramer, NothingWaitsForADialogOpenedAboveTheLinksHandling)
{
    // A report held while the link's handling runs below is handled as soon as a
    // modal dialog opens above that handling, with or without a new frame; once
    // the dialog has closed, reports are held again. A box the link's own
    // handling opened, or the link paused, holds them until it ends.
    enum class Dialog { Other, OwnBox, OtherAboveOwnBox, Paused };
    const struct { const char* name; Dialog dialog; bool frameInDialog; QStringList inDialog, after; } rows[] = {
        {"a new frame comes during the dialog", Dialog::Other, true, {"T1", "T2"}, {"T1", "T2", "T3"}},
        {"nothing more comes", Dialog::Other, false, {"T1"}, {"T1", "T3"}},
        {"the link's own box", Dialog::OwnBox, true, {}, {"T1", "T2", "T3"}},
        {"another dialog above the link's own box", Dialog::OtherAboveOwnBox, true, {}, {"T1", "T2", "T3"}},
        {"the link paused", Dialog::Paused, true, {}, {"T1", "T2", "T3"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Link link;
        link.framer.holdWhileBusy = [](const QByteArray& f) { return !f.startsWith('R'); };
        QStringList seenInDialog;
        {
            const ByteFramer::Busy handling(link.framer);
            if (r.dialog == Dialog::Paused) link.framer.pause();
            link.framer.feed("\x02T1\x03");
            EXPECT_TRUE(link.seen.isEmpty());
            {
                std::optional<ByteFramer::OwnBox> own;
                if (r.dialog == Dialog::OwnBox || r.dialog == Dialog::OtherAboveOwnBox) own.emplace(link.framer);
                QEventLoop box, dialog;
                if (r.frameInDialog) QTimer::singleShot(0, [&] { link.framer.feed("\x02T2\x03"); });
                QTimer::singleShot(400, [&] {
                    seenInDialog = link.seen;
                    dialog.quit();
                });
                if (r.dialog == Dialog::OtherAboveOwnBox) {
                    QTimer::singleShot(0, [&] {
                        dialog.exec();
                        box.quit();
                    });
                    box.exec();
                } else {
                    dialog.exec();
                }
            }
            link.framer.feed("\x02T3\x03");
            EXPECT_EQ(link.seen, r.inDialog);
            if (r.dialog == Dialog::Paused) link.framer.resume();
        }
        EXPECT_EQ(seenInDialog, r.inDialog);
        EXPECT_EQ(link.seen, r.after);
        EXPECT_EQ(link.framer.heldFrames(), 0);
    }
}

TEST(ByteFramer, HeldFramesFoldAsTheLinkSays)
{
    // "X..." frames are refusals: a run of them is one, the newest; a frame
    // equal to the last one held is the same report again.
    const struct { const char* name; std::vector<QByteArray> reads; QStringList seen; } rows[] = {
        {"a run of refusals is the newest", {"X1", "X2", "X3"}, {"X3"}},
        {"the same report again", {"T1", "T1", "T1"}, {"T1"}},
        {"other frames stay apart, in order", {"T1", "X1", "X2", "T1", "T2"}, {"T1", "X2", "T1", "T2"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Link link;
        link.framer.holdWhileBusy = [](const QByteArray&) { return true; };
        link.framer.foldHeld = [](const QByteArray& last, const QByteArray& next) {
            if (next == last) return HeldFold::DropNew;
            return last.startsWith('X') && next.startsWith('X') ? HeldFold::ReplaceLast : HeldFold::Apart;
        };
        {
            const ByteFramer::Busy handling(link.framer);
            for (const QByteArray& f : r.reads) link.framer.feed("\x02" + f + "\x03");
            EXPECT_LE(link.framer.heldFrames(), qsizetype(r.seen.size()));
        }
        EXPECT_EQ(link.seen, r.seen);
    }
}

TEST(ByteFramer, AHandlingRunsOnceMoreInsideAnotherDialogAndNoDeeper)
{
    // Each of four frames opens a dialog that is not the link's own, and the
    // next frame arrives inside it: the second runs inside the first one's
    // dialog, the third waits for the second to end.
    Link link;
    link.framer.holdWhileBusy = [](const QByteArray&) { return true; };
    int deepest = 0, open = 0;
    link.framer.onFrame = [&](const QByteArray& f, const QByteArray&) {
        link.seen << QString::fromLatin1(f);
        deepest = std::max(deepest, ++open);
        QEventLoop dialog;
        if (f.size() < 4) QTimer::singleShot(0, [&link, f] { link.framer.feed("\x02" + f + "+\x03"); });
        QTimer::singleShot(150, [&] { dialog.quit(); });
        dialog.exec();
        --open;
    };
    link.framer.feed("\x02T\x03");
    for (int i = 0; i < 20 && link.seen.size() < 4; ++i) QTest::qWait(50);
    EXPECT_EQ(deepest, 2);
    EXPECT_EQ(link.seen, QStringList({"T", "T+", "T++", "T+++"}));
}

TEST(ByteFramer, ResetForgetsAHalfFrame)
{
    Link link;
    link.framer.feed("\x02" "AB");
    link.framer.reset();
    link.framer.feed("C\x03");
    EXPECT_TRUE(link.seen.isEmpty());
}

} // namespace

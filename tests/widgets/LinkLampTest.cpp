#include "core/FakeWaits.h"
#include "widgets/LinkLamp.h"

#include <QLabel>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace tolvo;

TEST(LinkLampState, StartsOffLineWithGreyLampsAndFollowsTheStatus)
{
    Connect c;
    // status, text, text colour, off-line picture, on-line picture, Tx and Rx lamps, stored Tx and Rx colours
    const auto state = [&c] {
        return QString("%1|%2|%3|%4|%5|%6|%7|%8|%9")
            .arg(c.Status()).arg(c.statusText()).arg(c.statusTextColor()).arg(c.offLinePictureShown())
            .arg(c.onLinePictureShown()).arg(c.txLampColor(), 0, 16).arg(c.rxLampColor(), 0, 16).arg(c.TxColor()).arg(c.RxColor());
    };
    EXPECT_FALSE(c.OnLine_Flag());
    EXPECT_EQ(state(), "0|Off Line....|255|1|0|808080|808080|0|0");
    c.setStatus(true);
    EXPECT_EQ(state(), "1|On Line....|0|0|1|808080|808080|0|0");
    c.setStatus(false);
    EXPECT_EQ(state(), "0|Off Line....|255|1|0|808080|808080|0|0");
    // Caption and fore colour read back empty; the rest keep what is set.
    c.setCaption(QStringLiteral("HOST"));
    c.setForeColor(0xFF);
    EXPECT_EQ(c.Caption(), "");
    EXPECT_EQ(c.ForeColor(), 0u);
    c.setProcessNum(QStringLiteral("0001202601050900"));
    EXPECT_EQ(c.ProcessNum(), "0001202601050900");
    c.setTxColor(0x123456);
    EXPECT_EQ(c.TxColor(), 0x123456u);
    EXPECT_EQ(c.txLampColor(), 0x123456u);
}

TEST(LinkLampWait, FirstTimeOutLeavesStatusLaterOneSetsOffLine)
{
    Connect c;
    FakeWaits w;
    c.setStatus(true);
    const qint64 start = w.now;
    EXPECT_FALSE(c.OnLine_Chk(w, 0.5));
    EXPECT_GE(w.now - start, 500);
    EXPECT_TRUE(c.Status()); // untouched by the first miss
    EXPECT_EQ(c.txLampColor(), 0xC0C0C0u);
    EXPECT_EQ(c.rxLampColor(), 0xC0C0C0u);
    EXPECT_FALSE(c.OnLine_Chk(w, 0.5));
    EXPECT_FALSE(c.Status());
}

TEST(LinkLampWait, ReplyDuringTheWaitSetsOnLine)
{
    Connect c;
    FakeWaits w;
    bool redWhileWaiting = false;
    int runs = 0;
    w.onEvents = [&] {
        redWhileWaiting = redWhileWaiting || c.txLampColor() == 255u;
        if (++runs == 3) c.setOnLine_Flag(true); // a receive routine answers
    };
    EXPECT_TRUE(c.OnLine_Chk(w, 0.5));
    EXPECT_TRUE(redWhileWaiting);
    EXPECT_TRUE(c.Status());
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(c.txLampColor(), 0xC0C0C0u);

    // After a success the next time-out sets off line at once.
    w.onEvents = nullptr;
    EXPECT_FALSE(c.OnLine_Chk(w, 0.5));
    EXPECT_FALSE(c.Status());
}

TEST(LinkLampWait, StaleFlagIsClearedBeforeWaitingAndZeroPauseSkipsTheWait)
{
    Connect c;
    FakeWaits w;
    c.setOnLine_Flag(true);
    EXPECT_FALSE(c.OnLine_Chk(w, 0.2));
    const qint64 start = w.now;
    const int runs = w.eventRuns;
    EXPECT_FALSE(c.OnLine_Chk(w, 0));
    EXPECT_EQ(w.now, start);
    EXPECT_EQ(w.eventRuns, runs);
}

TEST(LinkLampWidget, FollowsTheState)
{
    Connect c;
    std::unique_ptr<QWidget> w(MakeConnectWidget(c));
    w->show();
    auto* label = w->findChild<QLabel*>("Label1");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Off Line....");
    EXPECT_TRUE(w->findChild<QLabel*>("Image1")->isVisible());
    EXPECT_FALSE(w->findChild<QLabel*>("Image2")->isVisible());
    EXPECT_NE(w->findChild<QWidget*>("Led1_0"), nullptr);
    EXPECT_NE(w->findChild<QWidget*>("Led1_1"), nullptr);
    c.setStatus(true);
    EXPECT_EQ(label->text(), "On Line....");
    EXPECT_FALSE(w->findChild<QLabel*>("Image1")->isVisible());
    EXPECT_TRUE(w->findChild<QLabel*>("Image2")->isVisible());
    w.reset();
    c.setStatus(false); // no widget any more: nothing to call
    EXPECT_FALSE(c.Status());
}

TEST(LinkLampWidget, VbColoursAreBlueGreenRed)
{
    EXPECT_EQ(VbColor(255), QColor(255, 0, 0));
    EXPECT_EQ(VbColor(0xC0C0C0), QColor(192, 192, 192));
    EXPECT_EQ(VbColor(0xFF0000), QColor(0, 0, 255));
}

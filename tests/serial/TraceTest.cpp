#include "serial/SerialTestUtil.h"

#include "platform/Ini.h"
#include "serial/DebugMonitor.h"
#include "serial/FeeDisplay.h"
#include "serial/FrmDebug.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tolvo;
using namespace tolvo::test;

namespace {

TEST(TraceStamp, SecondsSinceMidnightWithThreeDecimals)
{
    const std::pair<int, const char*> cases[] = {{250, ".250"},           {0, ".000"},           {5000, "5.000"},
                                                 {43521500, "43521.500"}, {86399999, "86399.999"}, {61007, "61.007"}};
    for (const auto& [ms, text] : cases) EXPECT_EQ(TraceStamp(QTime::fromMSecsSinceStartOfDay(ms)), QString::fromUtf8(text));
}

class TraceTest : public ::testing::Test {
protected:
    TestStation ts{TestStation::Db::None, QDateTime(QDate(2026, 1, 5), QTime(0, 0, 5))};
    FakeComm fake = InstallFakeComm(ts.st);
    Station& st = ts.st;
    TraceLog& log() { return st.comm->trace; }
};

TEST_F(TraceTest, LinesOnlyForTheTracedDevice)
{
    DebugTraceLine(st, 7, "  off");
    EXPECT_TRUE(log().text().isEmpty());
    st.comm->DebugOn = true;
    st.comm->DebugDevice = 3;
    DebugTraceLine(st, 1, QStringLiteral("  정기권입구1: 수신데이터 X"));
    DebugTraceLine(st, 3, QStringLiteral("  정기권입구2: 수신데이터 Y"));
    DebugTraceLineAny(st, QStringLiteral("  정기권입차 : 정상입차 처리 정기권번호 ==> 0000012345"));
    DebugTraceSeparator(st, 1);
    DebugTraceSeparator(st, 3);
    EXPECT_EQ(log().text(), QStringLiteral("5.000  정기권입구2: 수신데이터 Y\r\n"
                                           "5.000  정기권입차 : 정상입차 처리 정기권번호 ==> 0000012345\r\n")
                                + QString(49, '-') + "\r\n");
}

TEST_F(TraceTest, TrimKeepsTheLast20000CharactersEvenWithTracingOff)
{
    st.comm->DebugOn = true;
    st.comm->DebugDevice = 8;
    for (int i = 0; i < 1000; ++i) DebugTraceLine(st, 8, QStringLiteral("  line %1 ").arg(i, 4, 10, QChar('0')) + QString(8, 'x'));
    ASSERT_GE(log().text().size(), 25000);
    const QString tail = log().text().right(20000);
    st.comm->DebugOn = false;
    DebugTraceTrim(st);
    EXPECT_EQ(log().text(), tail);
    DebugTraceTrim(st); // already at the size: unchanged
    EXPECT_EQ(log().text(), tail);
}

TEST_F(TraceTest, BoxIsCappedByDroppingTheOldestLines)
{
    st.comm->DebugOn = true;
    st.comm->DebugDevice = 0;
    int appended = 0, resets = 0;
    log().onAppend = [&](const QString&) { ++appended; };
    log().onReset = [&](const QString&) { ++resets; };
    const QString text = QString(60, 'a');
    for (int i = 0; i < 3000; ++i) DebugTraceLine(st, 0, text);
    EXPECT_LE(log().text().size(), TraceLog::CapChars);
    EXPECT_TRUE(log().text().startsWith("5.000"));
    EXPECT_TRUE(log().text().endsWith(text + "\r\n"));
    EXPECT_GE(resets, 1);
    EXPECT_GT(appended, 2900); // appended to, not rewritten
}

TEST_F(TraceTest, FeeDisplayFramesAreTracedAndPortTestSetsTheEcho)
{
    st.comm->DebugOn = true;
    st.comm->DebugDevice = 7;
    fake.ports->device("/dev/ttyS6");
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, "/dev/ttyS6", SerialSettings{}));
    fake.ports->device("/dev/ttyS6").inject(QByteArray("junk\x02OK\r\n\x03\x41\x02PORT", 16));
    FeeDisp_Receive(st);
    EXPECT_FALSE(st.PortTestEcho);
    fake.ports->device("/dev/ttyS6").inject(QByteArray("_TEST\x03", 6));
    FeeDisp_Receive(st);
    EXPECT_TRUE(st.PortTestEcho);
    EXPECT_EQ(log().text(), QStringLiteral("5.000  < 요금표시기 OK 수신\r\n5.000  < 요금표시기 PORT_TEST 수신\r\n"));
}

TEST_F(TraceTest, FeeDisplayReceiveBufferIsCapped)
{
    ASSERT_TRUE(st.comm->openPort(PortFeeDisp, "/dev/ttyS6", SerialSettings{}));
    FakeDevice& dev = fake.ports->device("/dev/ttyS6");
    dev.inject(QByteArray(100000, 'z') + "yy");
    FeeDisp_Receive(st);
    EXPECT_EQ(st.comm->feeDisp.RxBuf, QByteArray(510, 'z') + "yy"); // the newest 512 bytes
    dev.inject("\x02PORT_TEST\x03");
    FeeDisp_Receive(st);
    EXPECT_TRUE(st.PortTestEcho); // a later frame still parses
    EXPECT_TRUE(st.comm->feeDisp.RxBuf.isEmpty());
}

// ---- the monitor's logic ----

class MonitorTest : public TraceTest {
protected:
    DebugMonitor mon{st};
};

TEST_F(MonitorTest, SwitchOnNeedsAnOpenPort)
{
    EXPECT_FALSE(mon.SwitchOn(4));
    EXPECT_FALSE(mon.TracingOn());
    ASSERT_EQ(ts.msgs.shown.size(), 1u);
    EXPECT_EQ(ts.msgs.shown[0].title, "디버깅 테스트");
    EXPECT_EQ(ts.msgs.shown[0].text, "포트를 먼저 정상적으로 Open 한후 테스트 바랍니다");
    ASSERT_TRUE(st.comm->openPort(PortPrinter, "/dev/ttyS4", SerialSettings{}));
    EXPECT_TRUE(mon.SwitchOn(4));
    EXPECT_TRUE(st.comm->DebugOn);
    EXPECT_EQ(st.comm->DebugDevice, 4);
    mon.SwitchOff();
    EXPECT_FALSE(st.comm->DebugOn);
}

TEST_F(MonitorTest, SaveRoundsPeriodsHalfToEvenAndWritesTheSettingsFile)
{
    EXPECT_TRUE(mon.Save({"0.7", "1.5", "3"}));
    EXPECT_FLOAT_EQ(st.settings.PauseTime, 0.7f);
    EXPECT_EQ(st.settings.TransTime, 2);
    EXPECT_EQ(st.settings.PollTime, 3);
    EXPECT_TRUE(mon.Save({"0.5", "2.5", "1"}));
    EXPECT_EQ(st.settings.TransTime, 2);
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "PauseTime", "?"), "0.5");
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "TransTime", "?"), "2");
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "PollTime", "?"), "1");
}

TEST_F(MonitorTest, PeriodsOutsideOneTo255AreRefusedAndKept)
{
    st.settings.TransTime = 5;
    st.settings.PollTime = 1;
    for (const char* bad : {"0", "", "256", "999", "0.4"}) {
        ts.msgs.clear();
        EXPECT_FALSE(mon.Save({"0.5", bad, bad})) << bad;
        EXPECT_EQ(st.settings.TransTime, 5) << bad;
        EXPECT_EQ(st.settings.PollTime, 1) << bad;
        EXPECT_EQ(ts.msgs.shown.size(), 2u) << bad;
    }
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "TransTime", "?"), "5");
    EXPECT_TRUE(mon.Save({"0.5", "255", "255"}));
    EXPECT_EQ(st.settings.TransTime, 255);
}

// ---- the screen ----

TEST_F(MonitorTest, ScreenShowsTheTraceAndItsControls)
{
    st.settings.PollTime = 7;
    auto* f = new FrmDebug(st);
    f->show();
    auto* combo = f->findChild<QComboBox*>("Combo2");
    auto* check = f->findChild<QCheckBox*>("Check1");
    auto* frame = f->findChild<QGroupBox*>("Frame1");
    auto* text1 = f->findChild<QPlainTextEdit*>("Text1");
    ASSERT_TRUE(combo && check && frame && text1);
    EXPECT_EQ(f->windowTitle(), "Debug");
    EXPECT_EQ(combo->count(), 9);
    EXPECT_EQ(combo->itemText(8), "호스트");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_FALSE(f->findChild<QLineEdit*>("Text4")->isVisible());
    EXPECT_EQ(f->findChild<QLineEdit*>("Text4")->text(), "7");

    // A closed port: refused, the switch goes back.
    check->click();
    EXPECT_FALSE(check->isChecked());
    EXPECT_EQ(ts.msgs.shown.size(), 1u);

    combo->setCurrentIndex(8);
    emit combo->activated(8);
    EXPECT_TRUE(frame->isVisible());
    ASSERT_TRUE(st.comm->openPort(PortHost, "/dev/ttyS8", SerialSettings{}));
    check->click();
    EXPECT_TRUE(check->isChecked());
    EXPECT_FALSE(combo->isEnabled());
    DebugTraceLine(st, 8, "  < 호스트 ENQ 수신");
    EXPECT_EQ(text1->toPlainText(), "5.000  < 호스트 ENQ 수신\n");
    f->findChild<QPushButton*>("Command3")->click();
    EXPECT_TRUE(text1->toPlainText().isEmpty());

    f->findChild<QPushButton*>("Command2")->click(); // closes and deletes
    ProcessQueued();
    EXPECT_FALSE(st.comm->DebugOn);
    EXPECT_EQ(Read_Ini(st.IniPath, "시스템", "PollTime", "?"), "7");
    DebugTraceLine(st, 8, "after close"); // no screen listens any more
}

} // namespace

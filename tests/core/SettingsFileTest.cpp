#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"
#include "core/RecordingMainScreen.h"
#include "core/SettingsFile.h"
#include "core/Station.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

class SettingsFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    ManualClock clock;
    ScriptedMessages msgs;
    RecordingMainScreen screen;
    Station st{clock, msgs, screen};

    SettingsFile() { st.IniPath = IniPathIn(dir.path()); }

    void put(const char* lines)
    {
        QFile f(st.IniPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[시스템]\n");
        f.write(lines);
    }
    void loadAll()
    {
        Load_StartupSettings(st);
        Load_CarCounters(st);
        Load_RecordSettings(st);
    }
    QStringList counters() const
    {
        QStringList out;
        for (int i = 0; i < 7; ++i) out << screen.texts.value(QStringLiteral("CarCnt_%1").arg(i));
        return out;
    }
};

} // namespace

TEST_F(SettingsFile, NoFileGivesEveryDefaultAndCreatesNothing)
{
    loadAll();
    const Settings& s = st.settings;
    EXPECT_EQ(s.SeasonMode, "3");
    EXPECT_EQ(s.CardEncoding, "1");
    EXPECT_EQ(s.TicketsLeft, 0);
    EXPECT_FLOAT_EQ(s.PauseTime, 0.5f);
    EXPECT_EQ(s.TransTime, 5);
    EXPECT_EQ(s.TDPoll, 0);
    EXPECT_EQ(s.PollTime, 1);
    EXPECT_FALSE(s.ViolationPrint);
    EXPECT_FALSE(s.KeepRecords);
    EXPECT_FALSE(s.ExitCancelNotice);
    EXPECT_EQ(s.MsgLevel, 0);
    EXPECT_EQ(s.InOpenCount, 0);
    EXPECT_EQ(s.OutOpenCount, 0);
    EXPECT_EQ(counters(), QStringList({"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(SettingsFile, ValuesAndConversions)
{
    put("정기권운영=1\nCardEncoding=0\n잔여티켓매수=1500\nPauseTime=0.25\nTransTime=2.5\nTD_Poll=1\n"
        "PollTime=3.5\n위반인쇄=True\n자료기록=1 \n메세지출력=1\n입차열림= 7 \n출차열림=12\n");
    loadAll();
    const Settings& s = st.settings;
    EXPECT_EQ(s.SeasonMode, "1");
    EXPECT_EQ(s.CardEncoding, "0");
    EXPECT_EQ(s.TicketsLeft, 1500);
    EXPECT_FLOAT_EQ(s.PauseTime, 0.25f);
    EXPECT_EQ(s.TransTime, 2); // halves to even
    EXPECT_EQ(s.TDPoll, 1);
    EXPECT_EQ(s.PollTime, 4);
    EXPECT_TRUE(s.ViolationPrint);
    EXPECT_TRUE(s.KeepRecords); // trailing blank removed
    EXPECT_TRUE(s.ExitCancelNotice);
    EXPECT_EQ(s.MsgLevel, 1);
    EXPECT_EQ(s.InOpenCount, 7);
    EXPECT_EQ(s.OutOpenCount, 12);
}

TEST_F(SettingsFile, ExactComparisons)
{
    put("위반인쇄=true\n자료기록=01\n메세지출력=15\nTransTime=\n");
    loadAll();
    EXPECT_FALSE(st.settings.ViolationPrint); // case-sensitive
    EXPECT_FALSE(st.settings.KeepRecords);    // "01" is not "1"
    EXPECT_FALSE(st.settings.ExitCancelNotice);
    EXPECT_EQ(st.settings.MsgLevel, 15);     // yet its number is the reader's minutes
    EXPECT_EQ(st.settings.TransTime, 5);     // empty value reads the default
}

TEST_F(SettingsFile, UnusableValuesFallBackToTheirDefaults)
{
    put("TransTime=0\nTD_Poll=-1\nPollTime=0\n입차열림=abc\n출차열림=99999999999\n잔여티켓매수=1e12\n"
        "메세지출력=70000\nPauseTime=1e400\n");
    loadAll();
    EXPECT_EQ(st.settings.TransTime, 5);
    EXPECT_EQ(st.settings.TDPoll, 0);
    EXPECT_EQ(st.settings.PollTime, 1);
    EXPECT_EQ(st.settings.InOpenCount, 0);
    EXPECT_EQ(st.settings.OutOpenCount, 0);
    EXPECT_EQ(st.settings.TicketsLeft, 0);
    EXPECT_EQ(st.settings.MsgLevel, 0);
    EXPECT_FLOAT_EQ(st.settings.PauseTime, 0.5f);

    const struct { const char* text; int value; } bytes[] = {{"256", 5}, {"255", 255}, {"-0.4", 5}, {"x", 5}, {"7x", 7}};
    for (const auto& b : bytes) EXPECT_EQ(ByteSetting(QString::fromUtf8(b.text), 5, false), b.value) << b.text;
    EXPECT_EQ(ByteSetting(QStringLiteral("0"), 9, true), 0);
}

TEST_F(SettingsFile, CarCountersWithDifferencesAndSum)
{
    put("일반권입차수=120\n일반권출차수=125\n정기권입차수=30\n정기권출차수=10\n");
    loadAll();
    EXPECT_EQ(counters(), QStringList({"120", "125", "-5", "30", "10", "20", "15"}));
}

TEST_F(SettingsFile, CounterCaptionsKeepTheirTextAndCountTheirLeadingNumber)
{
    put("일반권입차수=12abc\n정기권입차수=x\n");
    loadAll();
    EXPECT_EQ(counters(), QStringList({"12abc", "0", "12", "x", "0", "0", "12"}));
}

TEST_F(SettingsFile, StationOverloadsUseTheStationsFile)
{
    Write_Ini(st, kIniSection, QStringLiteral("입차열림"), QStringLiteral("3"));
    EXPECT_EQ(Read_Ini(st, kIniSection, QStringLiteral("입차열림"), QStringLiteral("0")), "3");
    Load_RecordSettings(st);
    EXPECT_EQ(st.settings.InOpenCount, 3);
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("Tolvo.ini"))));
}

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
    // Every value read, "name=value" joined by blanks.
    QString values() const
    {
        const Settings& v = st.settings;
        return QStringLiteral("SeasonMode=%1 CardEncoding=%2 TicketsLeft=%3 PauseTime=%4 TransTime=%5 TDPoll=%6 PollTime=%7 "
                              "ViolationPrint=%8 KeepRecords=%9 ExitCancelNotice=%10 MsgLevel=%11 InOpen=%12 OutOpen=%13")
            .arg(v.SeasonMode, v.CardEncoding)
            .arg(v.TicketsLeft)
            .arg(double(v.PauseTime))
            .arg(v.TransTime)
            .arg(v.TDPoll)
            .arg(v.PollTime)
            .arg(v.ViolationPrint)
            .arg(v.KeepRecords)
            .arg(v.ExitCancelNotice)
            .arg(v.MsgLevel)
            .arg(v.InOpenCount)
            .arg(v.OutOpenCount);
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
    EXPECT_EQ(values(), "SeasonMode=3 CardEncoding=1 TicketsLeft=0 PauseTime=0.5 TransTime=5 TDPoll=0 PollTime=1 ViolationPrint=0 "
                        "KeepRecords=0 ExitCancelNotice=0 MsgLevel=0 InOpen=0 OutOpen=0");
    EXPECT_EQ(counters(), QStringList({"0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST_F(SettingsFile, ValuesAndConversions)
{
    put("정기권운영=1\nCardEncoding=0\n잔여티켓매수=1500\nPauseTime=0.25\nTransTime=2.5\nTD_Poll=9\n"
        "PollTime=3.5\n위반인쇄=True\n자료기록=1 \n메세지출력=15\n입차열림= 7 \n출차열림=12\n");
    loadAll();
    // TransTime 2.5 halves to even, PollTime 3.5 to 4; 자료기록 loses its trailing blank; "15" is not "1",
    // yet its number is the reader's minutes.
    EXPECT_EQ(values(), "SeasonMode=1 CardEncoding=0 TicketsLeft=1500 PauseTime=0.25 TransTime=2 TDPoll=9 PollTime=4 "
                        "ViolationPrint=1 KeepRecords=1 ExitCancelNotice=0 MsgLevel=15 InOpen=7 OutOpen=12");
}

TEST_F(SettingsFile, ExactComparisons)
{
    put("위반인쇄=true\n자료기록=01\n메세지출력=1\nTransTime=\n");
    loadAll();
    // 위반인쇄 is case-sensitive, "01" is not "1", empty reads the default.
    EXPECT_EQ(values(), "SeasonMode=3 CardEncoding=1 TicketsLeft=0 PauseTime=0.5 TransTime=5 TDPoll=0 PollTime=1 "
                        "ViolationPrint=0 KeepRecords=0 ExitCancelNotice=1 MsgLevel=1 InOpen=0 OutOpen=0");
}

TEST_F(SettingsFile, UnusableValuesFallBackToTheirDefaults)
{
    put("TransTime=0\nTD_Poll=-1\nPollTime=0\n입차열림=abc\n출차열림=99999999999\n잔여티켓매수=1e12\n"
        "메세지출력=70000\nPauseTime=1e400\n");
    loadAll();
    EXPECT_EQ(values(), "SeasonMode=3 CardEncoding=1 TicketsLeft=0 PauseTime=0.5 TransTime=5 TDPoll=0 PollTime=1 ViolationPrint=0 "
                        "KeepRecords=0 ExitCancelNotice=0 MsgLevel=0 InOpen=0 OutOpen=0");

    const struct { const char* text; int value; } bytes[] = {{"256", 5}, {"255", 255}, {"-0.4", 5}, {"x", 5}, {"7x", 7}};
    for (const auto& b : bytes) EXPECT_EQ(ByteSetting(QString::fromUtf8(b.text), 5, false), b.value) << b.text;
    EXPECT_EQ(ByteSetting(QStringLiteral("0"), 9, true), 0);
}

TEST_F(SettingsFile, AllowedMinutesAreTheLeadingDigits)
{
    const struct { const char* ini; int minutes; } cases[] = {
        {"메세지출력=-5\n", 0}, {"메세지출력=+5\n", 0}, {"메세지출력=abc\n", 0}, {"메세지출력=12분\n", 12},
        {"메세지출력=30\n", 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        put(c.ini);
        Load_RecordSettings(st);
        EXPECT_EQ(st.settings.MsgLevel, c.minutes);
    }
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

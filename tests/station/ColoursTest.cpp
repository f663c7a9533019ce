#include "common/TestStation.h"
#include "platform/Ini.h"
#include "station/MainLoad.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

TEST(Colours, TextOfAKey)
{
    EXPECT_EQ(ColourFromText(QStringLiteral("255")), QColor(255, 0, 0));
    EXPECT_EQ(ColourFromText(QStringLiteral("abc")), QColor(0, 0, 0)) << "not a number: black";
    EXPECT_EQ(ColourFromText(QStringLiteral("255xyz")), QColor(255, 0, 0));
    EXPECT_EQ(ColourFromText(QStringLiteral("99999999999")), QColor(0, 64, 64)) << "too large: the default";
}

TEST(Colours, FirstStartShowsEveryGroupInTheDefault)
{
    TestStation ts;
    Load_MainCounters(ts.st);
    const QColor def(0, 64, 64);
    const QStringList targets{"Shape2",   "Shape3",  "Shape4",  "Shape9",  "Shape11", "Shape12", "Shape13", "Shape14",
                              "POut_1",   "POut_2",  "POut_3",  "POut_4",  "POut_5",  "POut_6",  "POut_7",  "LOut_0",
                              "LOut_1",   "LOut_2",  "LOut_3",  "LOut_4",  "LOut_5",  "LOut_6",  "Label1_0", "Label1_1",
                              "Label1_2", "Label1_3", "Label1_4", "Label1_5", "WName",  "LCnt_0",  "LCnt_1",  "LCnt_2",
                              "LCnt_4",   "LCnt_7",  "LblM_0",  "LblM_3",  "LblM_4",  "Label3",  "LblTDCnt", "List1"};
    for (const QString& c : targets) EXPECT_EQ(ts.screen.foreColors.value(c), def) << c.toStdString();
    EXPECT_FALSE(ts.screen.foreColors.contains(QStringLiteral("POut_0")));
    EXPECT_FALSE(ts.st.settings.AntiPassBack);
}

TEST(Colours, KeysColourTheirGroupsAtLoad)
{
    // Every key its own colour (red = its row number), so that no group takes another's.
    const std::pair<const char*, QStringList> groups[] = {
        {"Shape2", {"Shape2"}},   {"Shape3", {"Shape3"}},   {"Shape4", {"Shape4"}},   {"Shape9", {"Shape9"}},
        {"Shape11", {"Shape11"}}, {"Shape12", {"Shape12"}}, {"Shape13", {"Shape13"}}, {"Shape14", {"Shape14"}},
        {"POut", {"POut_1", "POut_2", "POut_3", "POut_4", "POut_5", "POut_6", "POut_7"}},
        {"LOut", {"LOut_0", "LOut_1", "LOut_2", "LOut_3", "LOut_4", "LOut_5", "LOut_6"}},
        {"Label1", {"Label1_0", "Label1_1", "Label1_2", "Label1_3", "Label1_4", "Label1_5", "WName", "LCnt_0", "LCnt_1",
                    "LCnt_2", "LCnt_4", "LCnt_7"}},
        {"LblM", {"LblM_0", "LblM_3", "LblM_4"}}, {"Label3", {"Label3", "LblTDCnt"}}, {"List1", {"List1"}},
    };
    TestStation ts;
    int red = 0;
    for (const auto& [key, targets] : groups)
        Write_Ini(ts.st.IniPath, QStringLiteral("시스템"), QString::fromUtf8(key), QString::number(++red));
    Load_MainCounters(ts.st);
    red = 0;
    for (const auto& [key, targets] : groups) {
        ++red;
        for (const QString& c : targets) EXPECT_EQ(ts.screen.foreColors.value(c), QColor(red, 0, 0)) << key << " " << c.toStdString();
    }
}

TEST(Colours, GroupsOfTheDoubleClick)
{
    const std::pair<const char*, const char*> table[] = {
        {"Label1_8", "Label1"}, {"Label1_0", "Label1"}, {"LblM_3", "LblM"}, {"POut_0", "POut"},
        {"LOut_6", "LOut"},     {"Label3", "Label3"},   {"List1", "List1"}, {"s2", "Shape2"},
        {"s14", "Shape14"},     {"s11", "Shape11"},
    };
    for (const auto& [control, key] : table)
        EXPECT_EQ(ColourKeyForDoubleClick(QString::fromUtf8(control)).value_or(QString()), QString::fromUtf8(key))
            << control;
    for (const char* none : {"LblTDCnt", "CarCnt_0", "s5", "Shape2", "WName", "PnlMsg", "s"})
        EXPECT_FALSE(ColourKeyForDoubleClick(QString::fromUtf8(none))) << none;
}

TEST(Colours, DoubleClickTargets)
{
    const QStringList label1 = ColourTargets(QStringLiteral("Label1"), false);
    EXPECT_TRUE(label1.contains(QStringLiteral("Label1_0")));
    EXPECT_TRUE(label1.contains(QStringLiteral("LCnt_7")));
    EXPECT_FALSE(label1.contains(QStringLiteral("Label1_8"))) << "the car-counter captions are not recoloured";
    EXPECT_TRUE(ColourTargets(QStringLiteral("POut"), false).contains(QStringLiteral("POut_0")));
    EXPECT_FALSE(ColourTargets(QStringLiteral("POut"), true).contains(QStringLiteral("POut_0")));
}

TEST(Colours, AntiPassBackText)
{
    const std::pair<const char*, bool> table[] = {
        {"True", true}, {"true", true}, {"TRUE", true}, {"False", false}, {"FALSE", false},
        {"1", true},    {"-1", true},   {"0", false},   {"yes", false},   {"", false},
    };
    for (const auto& [text, on] : table) EXPECT_EQ(AntiPassBackFromText(QString::fromUtf8(text)), on) << text;
}

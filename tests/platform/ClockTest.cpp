#include "platform/Clock.h"
#include "platform/ScriptedMessages.h"

#include <gtest/gtest.h>

using namespace tolvo;

TEST(ManualClock, AdvancesAcrossMidnight)
{
    ManualClock c(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59)));
    c.advanceSecs(2);
    EXPECT_EQ(c.now(), QDateTime(QDate(2027, 1, 1), QTime(0, 0, 1)));
}

TEST(ScriptedMessages, UnscriptedQuestionsAnswerNo)
{
    ScriptedMessages m;
    EXPECT_FALSE(m.MBox("q", "Tarvola", {}));
    EXPECT_EQ(m.DialogM(), 3);
    EXPECT_EQ(m.MsgBox("q", vbYesNo + vbQuestion, "Tarvola"), vbNo);
    m.mboxAnswers.push_back(true);
    EXPECT_TRUE(m.MBox("again", "Tarvola", "재시도"));
    ASSERT_EQ(m.shown.size(), 4u);
    EXPECT_EQ(m.shown[3].yesCaption, "재시도");
}

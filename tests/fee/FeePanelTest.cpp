#include "fee/FeePanel.h"
#include "FeeFixture.h"
#include "common/TestStation.h"

#include <gtest/gtest.h>

namespace tolvo {
namespace {

TEST(FeePanelTexts, Durations)
{
    const std::pair<qint64, const char*> cases[] = {{0, "0분"},       {45, "45분"},      {59, "59분"},
                                                    {60, "1시간0분"}, {125, "2시간5분"}, {1440, "24시간0분"}};
    for (const auto& [m, text] : cases) EXPECT_EQ(DurationText(m), QString::fromUtf8(text)) << m;
}

TEST(FeePanelTexts, Money)
{
    const std::pair<qint64, const char*> cases[] = {
        {0, "0원"}, {1500, "1,500원"}, {999, "999원"}, {1234567, "1,234,567원"}};
    for (const auto& [won, text] : cases) EXPECT_EQ(FeeText(won), QString::fromUtf8(text)) << won;
}

TEST(FeePanelTexts, ColoursRoundTrip)
{
    EXPECT_EQ(ColorFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ColorFromBgr(0x8080), QColor(0x80, 0x80, 0));
    EXPECT_EQ(BgrFromColor(ColorFromBgr(0x404000)), 0x404000u);
}

class FeePanel : public test::FeeFixture {
protected:
    void SetUp() override
    {
        FeeFixture::SetUp();
        screen.setBackColor("LOut_0", ColorFromBgr(0x404000));
        ExitTransaction& t = st.trx;
        t.TicketNo = "0123";
        t.InDate = "2006-06-29";
        t.InTime = "12:00";
        t.OutDate = "2006-06-30";
        t.OutTime = "14:05";
        t.ParkMinutes = 125;
        t.DiscMinutes = 30;
        t.TotalFee = 1500;
        t.PayAmount = 1000;
    }
};

TEST_F(FeePanel, DisplayWritesEveryValueLabel)
{
    Fee_Display(st);
    EXPECT_EQ(test::FeePanelTexts(screen), QStringList({"0123", "2006-06-30 14:05", "2006-06-29 12:00", "30분", "2시간5분", "1,500원"}));
    EXPECT_EQ(screen.text("Fnd"), "   1000");
    EXPECT_FALSE(screen.texts.contains("LOut_0"));
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(screen.backColor(QStringLiteral("LOut_%1").arg(i)), ColorFromBgr(0x404000));
    EXPECT_EQ(screen.backColor("TNum"), ColorFromBgr(0xFF));
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(FeePanel, AmountWidths)
{
    const std::pair<qint32, const char*> shown[] = {{0, "      0"}, {9999999, "9999999"}, {-999999, "-999999"}};
    for (const auto& [amount, text] : shown) {
        st.trx.PayAmount = amount;
        Fee_Display(st);
        EXPECT_EQ(screen.text("Fnd"), QString::fromLatin1(text));
    }
    EXPECT_TRUE(msgs.shown.empty());
}

TEST_F(FeePanel, EightDigitsOverflowTheDisplay)
{
    Fee_Display(st);
    for (qint32 amount : {10000000, -1000000}) {
        msgs.clear();
        st.trx.PayAmount = amount;
        Fee_Display(st);
        ASSERT_EQ(msgs.shown.size(), 1u);
        EXPECT_EQ(msgs.shown[0].text, "연산범위 초과!!!");
        EXPECT_EQ(msgs.shown[0].title, "Tarvola");
        EXPECT_EQ(screen.text("Fnd"), "   1000"); // unchanged
        EXPECT_EQ(screen.text("LOut_6"), "1,500원");
    }
}

TEST_F(FeePanel, LabelColourDimsTheTicketBox)
{
    Fee_LabelColor(st, kPanelDimmed);
    for (int i = 1; i <= 6; ++i) EXPECT_EQ(screen.backColor(QStringLiteral("LOut_%1").arg(i)), ColorFromBgr(0x8080));
    EXPECT_EQ(screen.backColor("LOut_0"), ColorFromBgr(0x404000));
    EXPECT_EQ(screen.backColor("TNum"), ColorFromBgr(0x80));
    Fee_Display(st); // back to the operator's colour
    EXPECT_EQ(screen.backColor("LOut_3"), ColorFromBgr(0x404000));
    EXPECT_EQ(screen.backColor("TNum"), ColorFromBgr(0xFF));
}

TEST_F(FeePanel, OperatorColourEqualToTheDimmedOneDimsTheBox)
{
    screen.setBackColor("LOut_0", ColorFromBgr(0x8080));
    Fee_Display(st);
    EXPECT_EQ(screen.backColor("TNum"), ColorFromBgr(0x80));
}

} // namespace
} // namespace tolvo

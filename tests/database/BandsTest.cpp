#include "database/Bands.h"
#include "database/ModelCodes.h"

#include <gtest/gtest.h>

using namespace tolvo;

TEST(Bands, DurationEdges)
{
    const std::vector<std::pair<qint64, int>> cases{
        {-1, 10}, {0, 1}, {9, 1}, {10, 2}, {19, 2}, {20, 3}, {29, 3}, {30, 4}, {59, 4}, {60, 5}, {119, 5},
        {120, 6}, {179, 6}, {180, 7}, {239, 7}, {240, 8}, {299, 8}, {300, 9}, {1439, 9}, {1440, 10}, {100000, 10}};
    for (const auto& [minutes, band] : cases) EXPECT_EQ(bands::DurationBand(minutes), band) << minutes;
}

TEST(Bands, AmountEdges)
{
    const std::vector<std::pair<qint64, int>> cases{
        {-1, 10},   {0, 1},     {1, 2},     {1000, 2},  {1001, 3},  {2000, 3},  {2001, 4},  {3000, 4},
        {3001, 5},  {4000, 5},  {4001, 6},  {5000, 6},  {5001, 7},  {10000, 7}, {10001, 8}, {20000, 8},
        {20001, 9}, {30000, 9}, {30001, 10}};
    for (const auto& [won, band] : cases) EXPECT_EQ(bands::AmountBand(won), band) << won;
}

TEST(ModelCodes, TextsGiveTheirCodesAndUnknownTextsGiveNone)
{
    EXPECT_EQ(models::DispenserCode("M/S (재활용)"), 2);
    EXPECT_EQ(models::DispenserCode("TD_TYPE1"), 4);
    EXPECT_EQ(models::DispenserCode("ZP-4101"), std::nullopt);  // first-run text is in no list
    EXPECT_EQ(models::SeasonReaderCode("PET_CARD"), 4);
    EXPECT_EQ(models::SeasonReaderCode("HOST PASS"), 5);
    EXPECT_EQ(models::SeasonReaderCode("리츠앤B"), 9);
    EXPECT_EQ(models::SeasonReaderCode("ImageRf(CR)"), std::nullopt);
    EXPECT_EQ(models::FeeDisplayCode("KIS    TYPE"), 1);
    EXPECT_EQ(models::FeeDisplayCode("KIS TYPE"), std::nullopt);  // the inner blanks matter
    EXPECT_EQ(models::FeeDisplayCode("VD0   TYPE"), 4);
    EXPECT_EQ(models::PrinterCode("CBM-720"), 1);
    EXPECT_EQ(models::PrinterCode("WRP-100P"), 5);
    EXPECT_EQ(models::PosCode("POS1"), 0);
    EXPECT_EQ(models::PosCode("POS6"), 5);
    EXPECT_EQ(models::PosCode("POS7"), std::nullopt);
    EXPECT_TRUE(models::HostSendsTime("시간수신함"));
    EXPECT_FALSE(models::HostSendsTime("시간수신안함"));
    EXPECT_TRUE(models::ReaderEncodingOnly("Encoding Only"));
    EXPECT_FALSE(models::ReaderEncodingOnly("KBD_TYPE"));
}

TEST(ModelCodes, ScreenListsKeepTheirOrder)
{
    EXPECT_EQ(models::SeasonReaderModels().mid(3, 3), QStringList({"Remocon(N)", "HOST PASS", "PET_CARD"}));
    EXPECT_EQ(models::SeasonReaderModels().size(), 10);
    EXPECT_EQ(models::GateControls().size(), 18);
    EXPECT_EQ(models::GateControls().last(), "정기권출구2(PLUS)");
    EXPECT_EQ(models::DispenserModels().first(), "바코드");
}

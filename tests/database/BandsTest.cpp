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

TEST(ModelCodes, EveryListedTextGivesItsCodeAndOtherTextsNone)
{
    using Code = std::optional<quint8>;
    struct Row { Code (*code)(const QString&); const char* text; Code expected; };
    const Row rows[] = {
        {models::DispenserCode, "바코드", 0}, {models::DispenserCode, "M/S (종이)", 1},
        {models::DispenserCode, "M/S (재활용)", 2}, {models::DispenserCode, "WISE", 3},
        {models::DispenserCode, "TD_TYPE1", 4}, {models::DispenserCode, "ZP-4101", std::nullopt},
        // the season readers' codes do not follow the screen's order
        {models::SeasonReaderCode, "ID Tech", 0}, {models::SeasonReaderCode, "TAG Master", 1},
        {models::SeasonReaderCode, "Remocon(T)", 2}, {models::SeasonReaderCode, "Remocon(N)", 3},
        {models::SeasonReaderCode, "PET_CARD", 4}, {models::SeasonReaderCode, "HOST PASS", 5},
        {models::SeasonReaderCode, "FIRSTECH", 6}, {models::SeasonReaderCode, "CREDIPASS", 7},
        {models::SeasonReaderCode, "리츠앤A", 8}, {models::SeasonReaderCode, "리츠앤B", 9},
        {models::SeasonReaderCode, "ImageRf(CR)", std::nullopt},
        {models::FeeDisplayCode, "VELDAMOR", 0}, {models::FeeDisplayCode, "KIS    TYPE", 1},
        {models::FeeDisplayCode, "BEST TYPE", 2}, {models::FeeDisplayCode, "PLUS TYPE", 3},
        {models::FeeDisplayCode, "VD0   TYPE", 4}, {models::FeeDisplayCode, "KIS TYPE", std::nullopt},
        {models::FeeDisplayCode, "veldamor", std::nullopt}, {models::FeeDisplayCode, "", std::nullopt},
        {models::PrinterCode, "CBM-720", 1}, {models::PrinterCode, "WRP-100P", 5},
        {models::PosCode, "POS1", 0}, {models::PosCode, "POS6", 5}, {models::PosCode, "POS7", std::nullopt},
    };
    for (const Row& r : rows) EXPECT_EQ(r.code(QString::fromUtf8(r.text)), r.expected) << r.text;
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

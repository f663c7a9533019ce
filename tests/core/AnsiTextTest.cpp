#include "platform/Cp949.h"
#include "core/AnsiText.h"

#include <gtest/gtest.h>

using namespace tolvo;

namespace {
const QString kThree = QStringLiteral("가나다");
}

TEST(AnsiLenB, CountsCodePageBytes)
{
    EXPECT_EQ(AnsiLenB(kThree), 6);
    EXPECT_EQ(AnsiLenB(QStringLiteral("A가")), 3);
    EXPECT_EQ(AnsiLenB(QString()), 0);
    EXPECT_EQ(AnsiLenB(QStringLiteral("똠")), 2);
}

TEST(AnsiCharKind, KindsByPosition)
{
    const struct { const char* text; int position; int kind; } rows[] = {
        {"가나다", 1, 1}, {"가나다", 2, 2}, {"가나다", 3, 1}, {"가나다", 4, 2},
        {"가나다", 5, 1}, {"가나다", 6, 2}, {"가나다", 7, 0}, {"가나다", 0, 0},
        {"가나다", -1, 0}, {"A가", 1, 0},   {"A가", 2, 1},   {"A가", 3, 2},
        {"", 1, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(AnsiCharKind(QString::fromUtf8(r.text), static_cast<qint16>(r.position)), r.kind)
            << r.text << " @" << r.position;
}

TEST(AnsiMidB, CutsByBytesAndBlanksSplitCharacters)
{
    const struct { const char* text; int start; int length; const char* result; } rows[] = {
        {"가나다", 1, 3, "가 "},
        {"가나다", 2, 2, "  "},
        {"가나다", 3, 10, "나다"},
        {"가나다", 2, 1, " "},
        {"가나다", 1, 1, " "},
        {"가나다", 7, 2, ""},
        {"가나다", 1, 0, ""},
        {"가나다", 0, 2, ""},
        {"", 1, 2, ""},
        {"AB가C", 2, 3, "B가"},
        {"AB가C", 3, 1, " "},
        {"AB가C", 4, 2, " C"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(AnsiMidB(QString::fromUtf8(r.text), static_cast<qint16>(r.start), static_cast<qint16>(r.length)),
                  QString::fromUtf8(r.result))
            << r.text << " " << r.start << "," << r.length;
}

TEST(AnsiMidB, ResultWithinTheTextHasExactlyLengthBytes)
{
    const QString text = QStringLiteral("주차A요금 1,000원");
    const int total = AnsiLenB(text);
    for (int start = 1; start <= total; ++start)
        for (int length = 1; start + length - 1 <= total; ++length)
            EXPECT_EQ(cp949::byteLength(AnsiMidB(text, start, length)), length) << start << "," << length;
}

TEST(RemoveSpaces, OnlyBlanksGo)
{
    EXPECT_EQ(RemoveSpaces(QStringLiteral(" 0012 3456  ")), QStringLiteral("00123456"));
    EXPECT_EQ(RemoveSpaces(QStringLiteral("12\t34")), QStringLiteral("12\t34"));
    EXPECT_EQ(RemoveSpaces(QStringLiteral("가 나")), QStringLiteral("가나"));
    EXPECT_EQ(RemoveSpaces(QString()), QString());
}

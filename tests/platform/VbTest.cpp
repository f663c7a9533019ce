#include "platform/Cp949.h"
#include "platform/Vb.h"

#include <gtest/gtest.h>

using namespace tolvo;

TEST(Val, TakesTheLeadingNumber)
{
    const struct { const char* text; double value; } rows[] = {
        {"12", 12},       {"12ab", 12},   {"ab", 0},        {"", 0},         {" 2.5", 2.5},
        {"-7", -7},       {"+3", 3},      {".5", 0.5},      {"1.2.3", 1.2},  {"0.25", 0.25},
        {"1e3", 1000},    {"1E", 1},      {"-", 0},         {"1 2", 12},     {"120원", 120},
    };
    for (const auto& r : rows) EXPECT_DOUBLE_EQ(Val(QString::fromUtf8(r.text)), r.value) << r.text;
}

TEST(Rounding, HalvesGoToTheEvenNeighbour)
{
    const struct { double in; qint32 out; } rows[] = {
        {2.5, 2}, {3.5, 4}, {-2.5, -2}, {-3.5, -4}, {0.5, 0}, {1.5, 2}, {2.4999, 2}, {2.5001, 3},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(CLng(r.in), r.out) << r.in;
        EXPECT_EQ(CInt(r.in), r.out) << r.in;
    }
    EXPECT_EQ(CByte(2.5), 2);
    EXPECT_EQ(CByte(3.5), 4);
}

TEST(Rounding, FailsOutsideTheWidth)
{
    EXPECT_EQ(CByte(255.4), 255);
    EXPECT_EQ(CByte(-0.5), 0); // rounds to 0, which fits
    EXPECT_THROW(CByte(255.5), Overflow);
    EXPECT_THROW(CByte(-0.51), Overflow);
    EXPECT_THROW(CByte(256), Overflow);

    EXPECT_EQ(CInt(32767), 32767);
    EXPECT_EQ(CInt(-32768.5), -32768);
    EXPECT_THROW(CInt(32768), Overflow);
    EXPECT_THROW(CInt(32767.5), Overflow);
    EXPECT_THROW(CInt(-32769), Overflow);

    EXPECT_EQ(CLng(2147483647.0), 2147483647);
    EXPECT_EQ(CLng(-2147483648.0), -2147483647 - 1);
    EXPECT_THROW(CLng(2147483648.0), Overflow);
    EXPECT_THROW(CLng(-2147483649.0), Overflow);
    EXPECT_THROW(CLng(Val("1e400")), Overflow);
}

TEST(IsNumeric, WholeTextMustBeANumber)
{
    for (const char* yes : {"0", "12", " 12 ", "-3", "+4", "1.5", ".5", "5.", "1e3", "\t7\t"})
        EXPECT_TRUE(IsNumeric(QString::fromUtf8(yes))) << yes;
    for (const char* no : {"", " ", "abc", "12a", "1 2", ".", "-", "1e", "0x10", "１２"})
        EXPECT_FALSE(IsNumeric(QString::fromUtf8(no))) << no;
}

TEST(CLngText, ConvertsTheWholeText)
{
    EXPECT_EQ(CLngText(" 42 "), 42);
    EXPECT_EQ(CLngText("-5"), -5);
    EXPECT_EQ(CLngText("2.5"), 2);
    EXPECT_THROW(CLngText("12abc"), std::invalid_argument);
    EXPECT_THROW(CLngText(""), std::invalid_argument);
    EXPECT_THROW(CLngText("99999999999"), Overflow);
}

TEST(Formats, DatesTimesAndMoney)
{
    EXPECT_EQ(FormatDate(QDate(2026, 3, 7)), "2026-03-07");
    EXPECT_EQ(FormatTime(QTime(9, 5, 59)), "09:05");
    EXPECT_EQ(FormatTime(QTime(23, 0)), "23:00");
    EXPECT_EQ(FormatDateTime(QDateTime(QDate(2026, 12, 31), QTime(0, 7))), "2026-12-31 00:07");

    const struct { qint64 v; const char* text; } money[] = {
        {0, "0"}, {999, "999"}, {1000, "1,000"}, {123456, "123,456"}, {1234567, "1,234,567"}, {-1500, "-1,500"},
    };
    for (const auto& m : money) {
        EXPECT_EQ(FormatMoney(m.v), m.text);
        EXPECT_EQ(FormatMoney6(m.v), m.text);
    }
}

TEST(Weekday, SundayIsOne)
{
    EXPECT_EQ(Weekday(QDate(2026, 12, 6)), 1);  // a Sunday
    EXPECT_EQ(Weekday(QDate(2026, 12, 7)), 2);  // Monday
    EXPECT_EQ(Weekday(QDate(2026, 12, 12)), 7); // Saturday
}

TEST(Cp949, SyllablesOutsideTheOldWansungSetRoundTrip)
{
    // 똠 lies only in the extended (Microsoft) code page.
    const QString ttom = QStringLiteral("똠");
    EXPECT_EQ(cp949::encode(ttom), QByteArray("\x8C\x63"));
    EXPECT_EQ(cp949::decode(cp949::encode(ttom)), ttom);

    const QString ga = QStringLiteral("가");
    EXPECT_EQ(cp949::encode(ga), QByteArray("\xB0\xA1"));
    EXPECT_EQ(cp949::decode(QByteArray("\xB0\xA1")), ga);
}

TEST(Cp949, MixedTextAndByteLength)
{
    const QString text = QStringLiteral("A가 1똠");
    EXPECT_EQ(cp949::byteLength(text), 7);
    EXPECT_EQ(cp949::decode(cp949::encode(text)), text);
    EXPECT_EQ(cp949::byteLength(QString()), 0);
    EXPECT_EQ(cp949::byteLength(QStringLiteral("주차관리")), 8);
}

TEST(Cp949, UnmappableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(cp949::encode(QStringLiteral("a😀b")), QByteArray("a?b"));
    EXPECT_EQ(cp949::encode(QStringLiteral("ก가")), QByteArray("?\xB0\xA1"));
}

TEST(Cp949, BadBytesDecodeToAReplacementAndGoOn)
{
    const QString s = cp949::decode(QByteArray("a\xFF\xFF" "b"));
    EXPECT_TRUE(s.startsWith(u'a'));
    EXPECT_TRUE(s.endsWith(u'b'));
    EXPECT_TRUE(s.contains(QChar(0xFFFD)));
    // A lead byte cut off at the end.
    EXPECT_EQ(cp949::decode(QByteArray("x\xB0")), QStringLiteral("x\uFFFD"));
}

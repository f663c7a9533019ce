#include "platform/Cp949.h"

#include <gtest/gtest.h>

using namespace tolvo;

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

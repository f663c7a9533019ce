#include "host/HostRecords.h"
#include "serial/Comm.h"

#include <QHash>
#include <gtest/gtest.h>

using namespace tolvo;

namespace {

QString Blanks(int n) { return QString(n, QLatin1Char(' ')); }

using Values = QHash<QString, QVariant>;

QString Format(HostKind kind, const QString& key, const Values& v)
{
    return FormatRecord(HostLayout(kind), key, [&](const QString& c) { return v.value(c); });
}

const Values kExit{
    {"티켓번호", "0012"},      {"입차일", "2026-01-04"},      {"입차시간", "09:30"},
    {"출차일", "2026-01-05"},  {"출차시간", "11:45"},          {"입차코드", "0012202601040930"},
    {"총주차시간", "1575"},    {"총주차요금", 3000},           {"할인시간", 12345},
    {"실수령금액", 123456789}, {"정산구분", QVariant()},       {"할인구분", "현금출차"},
};
const QString kExitBody = "0012" "2026-01-04" "09:30" "2026-01-05" "11:45" "0012202601040930" "1575  "
                          "3000    " "1234" "12345678" "0" "현금출차" + Blanks(16);

Values Bands()
{
    Values v{{"포스코드", 1}, {"시작일시", "2026-01-05 08:00"}, {"종료일시", "2026-01-05 20:00"},
             {"근무자명", "관리자"}, {"근무자코드", 0}};
    for (int n = 1; n <= 10; ++n) {
        v.insert(QStringLiteral("금액%1").arg(n), n * 1000);
        v.insert(QStringLiteral("건수%1").arg(n), n);
    }
    return v;
}
const QString kBands = "1000    1   2000    2   3000    3   4000    4   5000    5   "
                       "6000    6   7000    7   8000    8   9000    9   10000   10  ";

TEST(HostRecords, GoldenTexts)
{
    Values cancel = kExit;
    cancel.insert("정산구분", true);
    cancel.insert("근무자명", "가나다라마바사아자차카타"); // 12: the first 10 go
    cancel.insert("근무자코드", 3);
    cancel.insert("시작일시", "2026-01-05 08:00");
    cancel.insert("종료일시", "2026-01-05 20:00");
    const Values disc{{"금액", 123456789}, {"건수", 12345}, {"포스코드", 1},
                      {"시작일시", "2026-01-05 08:00"}, {"종료일시", "2026-01-05 20:00"},
                      {"명칭", "스물한글자가넘는아주긴할인키의이름입니다요"}, {"근무자명", "홍길동"},
                      {"근무자코드", 3}, {"할인종류", 2}};
    const Values time{{"금액", 52000}, {"대수", 12}, {"시간대", 23}, {"일반권입차수", 5}, {"일반권출차수", 4},
                      {"정기권입차수", 3}, {"정기권출차수", 2}, {"포스코드", 1}, {"시작일시", "2026-01-05 08:00"},
                      {"종료일시", "2026-01-05 20:00"}, {"근무자명", "관리자"}, {"근무자코드", 0}, {"일련번호", 7}};
    const QString tail = "1 " "2026-01-05 08:00" "2026-01-05 20:00" "관리자       " "0 ";
    const struct { const char* name; HostKind kind; QString key; Values values; QString text; int length; } rows[] = {
        {"TD", HostTD, "TD20000042", {{"입차코드", "0012202601050930"}}, "TD20000042 0012202601050930", 27},
        {"TD with a 14-character entry code", HostTD, "TD20000042", {{"입차코드", "00122026010509"}},
         "TD20000042 00122026010509", 25},
        {"OUT", HostOUT, "OUT30000042", kExit, "OUT30000042 " + kExitBody, 109},
        {"CANCEL", HostCANCEL, "CANCEL00000042", cancel,
         "CANCEL00000042 " + QString(kExitBody).replace(76, 1, "1") + "가나다라마바사아자차" "3 "
             "2026-01-05 08:00" "2026-01-05 20:00",
         156},
        {"DISC", HostDISC, "DISC10000042", disc,
         "DISC10000042 " "12345678" "1234" "1 " "2026-01-05 08:00" "2026-01-05 20:00"
         "스물한글자가넘는아주긴할인키의이름입니다" "홍길동       " "3 " "2 ",
         93},
        {"TIME", HostTIME, "TIME10000042", time,
         "TIME10000042 " "52000   " "12  " "23" "5   " "4   " "3   " "2   " "1 " "2026-01-05 08:00"
         "2026-01-05 20:00" "관리자       " "0 " "7  ",
         92},
        {"PKTIME", HostPKTIME, "PKTIME10000042", Bands(), "PKTIME10000042 " + kBands + tail, 181},
        {"PAMT", HostPAMT, "PAMT10000042", Bands(), "PAMT10000042 " + kBands + tail, 179},
        {"Null columns are blanks, a Null flag 0", HostOUT, "OUT30000042", {{"티켓번호", "0012"}},
         "OUT30000042 0012" + Blanks(72) + "0" + Blanks(20), 109},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const QString text = Format(r.kind, r.key, r.values);
        EXPECT_EQ(text.toStdString(), r.text.toStdString());
        EXPECT_EQ(text.size(), r.length);
    }
}

TEST(HostRecords, PositionsAsTheyStandInTheRecord)
{
    const QString out = Format(HostOUT, "OUT30000042", kExit);
    const struct { HostKind kind; QString text; const char* column; int position; QString field; } rows[] = {
        {HostOUT, out, "총주차요금", 69, "3000    "},
        {HostOUT, out, "할인시간", 77, "1234"},
        {HostOUT, out, "할인구분", 90, "현금출차" + Blanks(16)},
        {HostPKTIME, Format(HostPKTIME, "PKTIME10000042", Bands()), "금액1", 16, "1000    "},
        {HostPAMT, Format(HostPAMT, "PAMT10000042", Bands()), "금액1", 14, "1000    "},
        {HostPAMT, Format(HostPAMT, "PAMT10000042", Bands()), "건수10", 130, "10  "},
    };
    for (const auto& r : rows) {
        const QString column = QString::fromUtf8(r.column);
        EXPECT_EQ(r.text.mid(r.position - 1, r.field.size()), r.field) << r.column;
        // The master reads the field back by the same table.
        EXPECT_EQ(RecordFieldText(HostLayout(r.kind), r.text, column), r.field) << r.column;
    }
}

TEST(HostRecords, FrameOfAKoreanRecordCarriesTwoBytesPerCharacter)
{
    const QString text = Format(HostOUT, "OUT30000042", kExit);
    const QByteArray frame = HostRecordFrame(text);
    ASSERT_EQ(frame.size(), 1 + 113 + 1 + 1);
    EXPECT_EQ(frame.left(1) + frame.mid(114, 1), QByteArray("\x02\x03"));
    EXPECT_EQ(static_cast<quint8>(frame.back()), Get_BCC_Bytes(frame.mid(1, 113)));
}

TEST(HostRecords, KeyAndTags)
{
    EXPECT_EQ(RecordKey(HostLayout(HostTD), "2", 42), "TD20000042");
    EXPECT_EQ(RecordKey(HostLayout(HostPKTIME), "0", 256), "PKTIME00000256");

    RecordTags tags(12345);
    QSet<int> seen;
    int last = 0;
    for (int i = 0; i < 20000; ++i) {
        const int t = tags.next(HostOUT);
        ASSERT_GE(t, 1);
        ASSERT_LE(t, 256);
        ASSERT_NE(t, last) << "draw " << i;
        last = t;
        seen.insert(t);
        tags.next(HostTD); // another kind's draws do not disturb the rule
    }
    EXPECT_EQ(seen.size(), 256);
}

} // namespace

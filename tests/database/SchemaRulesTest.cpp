#include "common/TestStation.h"
#include "database/Schema.h"
#include "core/Sql.h"

#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

TEST(SchemaRules, ValueIsStoredOrRefusedLikeTheOriginalEngine)
{
    struct Case { const char* table; const char* field; QVariant value; bool accepted; };
    const Case cases[] = {
        // Text n: at most n characters, Korean counted as characters.
        {"인쇄옵션", "상호", QString(40, QChar(0xAC00)), true}, {"인쇄옵션", "상호", QString(41, 'x'), false},
        {"인쇄옵션", "상호", QString(""), false},  // no zero-length allowance
        {"인쇄옵션", "상호", QVariant(), true},     // Null is fine
        {"키기능설정", "할인키1", "F10", true}, {"키기능설정", "할인키1", "F100", false},
        // Zero-length text allowed where the schema says so.
        {"정기권입출차", "입출상태", QString(""), true}, {"정기권입출차", "입출상태", "정상입차정상입차", true},
        {"정기권입출차", "입출상태", "정상입차정상입차x", false},
        // Byte, Integer, Long ranges.
        {"근무자관리", "근무자코드", 255, true}, {"근무자관리", "근무자코드", 256, false},
        {"근무자관리", "근무자코드", -1, false}, {"근무자관리", "근무자코드", "3", true},
        {"기타", "기본시간", 32767, true}, {"기타", "기본시간", 32768, false},
        {"기타", "기본시간", -32768, true}, {"기타", "기본시간", 2.5, false},
        {"기타", "기본시간", "abc", false}, {"기타", "기본금액", qint64(2147483647), true},
        {"기타", "기본금액", qint64(2147483648LL), false}, {"기타", "기본금액", qint64(-2147483648LL), true},
        // Boolean: 0 or 1, never Null.
        {"기타", "기본사용", true, true}, {"기타", "기본사용", 0, true}, {"기타", "기본사용", 2, false},
        {"기타", "기본사용", QVariant(), false},
        // The four opening and closing times are "hh:nn".
        {"기타", "평일개장시간", "09:00", true}, {"기타", "평일개장시간", "9:00", false},
        {"기타", "평일개장시간", "09:00:00", false},
    };
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 정기권입출차 (입출상태) VALUES (?)", {"정상입차"}); // a row to update
    for (const Case& c : cases) {
        SCOPED_TRACE(QString("%1.%2 = %3").arg(c.table, c.field, c.value.toString()).toStdString());
        Transaction tx(ts.st.Db); // rolls back: the rows stay as created
        bool ok = true;
        QString why;
        try {
            Exec(ts.st.Db, QString("UPDATE %1 SET %2 = ?").arg(Id(c.table), Id(c.field)), {c.value});
        } catch (const DbError& e) {
            ok = false;
            why = e.message();
        }
        EXPECT_EQ(ok, c.accepted) << why.toStdString();
        EXPECT_TRUE(ok || why.contains(QString::fromUtf8(c.field))) << why.toStdString(); // names the field
    }
}

TEST(SchemaRules, BooleanLeftUnsetReadsFalseAndOtherFieldsNull)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 일반권 (티켓번호, 입차코드) VALUES (?, ?)", {"0001", "0001202601050900"});
    EXPECT_EQ(ts.value("SELECT 정산구분 FROM 일반권").toInt(), 0);
    EXPECT_EQ(ts.value("SELECT 전송여부 FROM 일반권").toInt(), 0);
    EXPECT_TRUE(ts.value("SELECT 출차일 FROM 일반권").isNull());
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 일반권 WHERE 출차일 IS NULL").toInt(), 1);
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM 일반권 WHERE 출차일 <> ''").toInt(), 0);
}

TEST(SchemaRules, UniqueKeysRefuseSecondRowButPlainIndexesDoNot)
{
    TestStation ts;
    const QString code = "0001202601050900";
    Exec(ts.st.Db, "INSERT INTO 일반권 (입차코드) VALUES (?)", {code});
    EXPECT_THROW(Exec(ts.st.Db, "INSERT INTO 일반권 (입차코드) VALUES (?)", {code}), DbError);
    EXPECT_THROW(Exec(ts.st.Db, "INSERT INTO 일반권 (티켓번호) VALUES (?)", {"0002"}), DbError);  // key is required
    Exec(ts.st.Db, "INSERT INTO 출차취소 (입차코드) VALUES (?)", {code});
    Exec(ts.st.Db, "INSERT INTO 출차취소 (입차코드) VALUES (?)", {code});
    EXPECT_EQ(ts.count("출차취소"), 2);
    Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호) VALUES (?)", {"0000012345"});
    EXPECT_THROW(Exec(ts.st.Db, "INSERT INTO 정기권 (정기권번호) VALUES (?)", {"0000012345"}), DbError);
}

TEST(SchemaRules, FieldNamesMatchWithoutLetterCase)
{
    TestStation ts;
    Exec(ts.st.Db, "UPDATE 영수증프린터 SET Port = ?", {"FILE"});
    EXPECT_EQ(ts.value("SELECT PORT FROM 영수증프린터").toString(), "FILE");
    EXPECT_EQ(ts.value("SELECT baud FROM 리더기").toInt(), 9600);
    ASSERT_NE(schema::TableDef("일반권").field("입차코드"), nullptr);
    EXPECT_EQ(schema::TableDef("영수증프린터").field("port")->name, "PORT");
    EXPECT_THROW(schema::TableDef("없는표"), std::out_of_range);
}

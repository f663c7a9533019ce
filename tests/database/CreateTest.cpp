#include "common/TestStation.h"
#include "database/DBase.h"
#include "core/Sql.h"

#include <algorithm>
#include <QFileInfo>
#include <QFile>
#include <QSqlQuery>
#include <QRegularExpression>
#include <QSqlRecord>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

// One column as "name kind": Tn text of at most n characters (Zn when the empty text is allowed too),
// Y byte, I integer, L long, B boolean, H time of day "hh:nn". The kind is read from the file's own
// declaration of the column (declared type and its CHECK).
QString ColumnKind(const QString& tableSql, const QString& name, const QString& declared)
{
    const qsizetype at = tableSql.indexOf('"' + name + "\" " + declared);
    const qsizetype end = tableSql.indexOf(", \"", at + 1);
    const QString def = tableSql.mid(at, end < 0 ? -1 : end - at);
    if (def.contains("GLOB")) return "H";
    if (declared.startsWith("TEXT("))
        return (def.contains("BETWEEN 0 AND") ? "Z" : "T") + declared.mid(5).chopped(1);
    if (def.contains("IN (0,1)")) return "B";
    if (def.contains("BETWEEN 0 AND 255")) return "Y";
    if (def.contains("BETWEEN -32768 AND 32767")) return "I";
    if (def.contains("BETWEEN -2147483648 AND 2147483647")) return "L";
    return "?" + declared;
}

// Every row of a query as "value|value|...", Null as NULL.
QStringList Rows(const QSqlDatabase& db, const QString& sql)
{
    QStringList out;
    QSqlQuery q = Query(db, sql);
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i) row << (q.value(i).isNull() ? QString("NULL") : q.value(i).toString());
        out << row.join('|');
    }
    return out;
}

// Every table in creation order as "table (n rows): column kind, ...", then every index as
// "index name on table(column, ...) [unique] [where condition]".
QStringList SchemaListing(const QSqlDatabase& db)
{
    QStringList out;
    QSqlQuery t = Query(db, "SELECT name, sql FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (t.next()) {
        QStringList cols;
        QSqlQuery c = Query(db, "SELECT name, type FROM pragma_table_info(?) ORDER BY cid", {t.value(0)});
        while (c.next())
            cols << c.value(0).toString() + ' ' + ColumnKind(t.value(1).toString(), c.value(0).toString(), c.value(1).toString());
        out << QString("%1 (%2 rows): %3").arg(t.value(0).toString()).arg(RowCount(db, t.value(0).toString())).arg(cols.join(", "));
    }
    QSqlQuery i = Query(db, "SELECT m.name, m.tbl_name, l.\"unique\", m.sql FROM sqlite_master m, pragma_index_list(m.tbl_name) l "
                            "WHERE m.type = 'index' AND l.name = m.name ORDER BY m.rowid");
    while (i.next()) {
        QStringList cols;
        QSqlQuery x = Query(db, "SELECT name FROM pragma_index_info(?) ORDER BY seqno", {i.value(0)});
        while (x.next()) cols << x.value(0).toString();
        const QString sql = i.value(3).toString();
        const qsizetype where = sql.indexOf(" WHERE ");
        out << QString("index %1 on %2(%3)%4%5").arg(i.value(0).toString(), i.value(1).toString(), cols.join(", "),
                                                     i.value(2).toBool() ? " unique" : "",
                                                     where < 0 ? QString() : " where" + sql.mid(where + 6));
    }
    return out;
}

// Written by hand from the tables the station keeps and the first-run rows; where a text has only a smallest size,
// the size is our choice.
const char* const kSchema = R"(
일반권 (0 rows): 티켓번호 T4, 입차일 T10, 입차시간 T5, 출차일 T10, 출차시간 T5, 입차코드 T16, 총주차시간 T6, 총주차요금 L, 할인시간 L, 실수령금액 L, 정산구분 B, 전송여부 B, 할인구분 Z20, 포스코드 Y
임시일반권 (0 rows): 티켓번호 T4, 입차일 T10, 입차시간 T5, 출차일 T10, 출차시간 T5, 입차코드 T16, 총주차시간 T6, 총주차요금 L, 할인시간 L, 실수령금액 L, 정산구분 B, 전송여부 B, 할인구분 Z20
공휴일 (0 rows): 적요 T30, 날짜 T10
정기권 (0 rows): 정기권번호 T10, 차량번호 T13, 차종 T10, 색상 T10, 이름 T12, 소속 T32, 전화번호 T13, 발급일 T10, 입차수 L, 출차수 L, 소유자 T12, 월정요금 L, 입출차구분 Y, 입차일자 T10, 입차시간 T5, 출차일자 T10, 출차시간 T5, 시작일 T10, 종료일 T10
정기권입출차 (0 rows): 입차일자 Z10, 입차시간 Z5, 출차일자 Z10, 출차시간 Z5, 입출상태 Z8, 정기권번호 Z10, 차량번호 Z13, 이름 Z12, 종료일 Z10, 처리일시 Z10, 입출구분 B
임시정기권입출차 (0 rows): 입차일자 Z10, 입차시간 Z5, 출차일자 Z10, 출차시간 Z5, 입출상태 Z8, 정기권번호 Z10, 차량번호 Z13, 이름 Z12, 종료일 Z10, 처리일시 Z10, 입출구분 B
요금테이블 (0 rows): 주차시간 T10, 요금 L, 구분 L, 시간 L, 적용구분 T10
기타 (1 rows): 일일최대요금 L, 시간할인 I, 회차시간 I, 기본시간 I, 기본금액 L, 구분시간 I, 구분금액 L, 기본사용 B, 구간사용1 B, 구간사용2 B, 구간사용3 B, 구간시각1 I, 구간시각2 I, 구간시각3 I, 구간시간1 I, 구간시간2 I, 구간시간3 I, 구간시간4 I, 구간금액1 L, 구간금액2 L, 구간금액3 L, 구간금액4 L, 고정금액사용 B, 할인사용 B, 회차사용 B, 일일최대사용 B, 최대사용 B, 최대요금 L, 무료처리여부 B, 공휴일무료여부 B, 기본요금포함여부 B, 평일개장시간 H, 평일폐장시간 H, 주말개장시간 H, 주말폐장시간 H
시스템 (1 rows): 주차용량 L, 데이터갱신일시 T10, 티켓번호 T4, 자료보관기간 I, 정기권백업기록 T100, 정기권복구기록 T100, 시스템백업기록 T100, 시스템복구기록 T100, 정상적인종료 B, 출구판독기 B
키기능설정 (1 rows): 할인키1 T3, 요율1 I, 구분1 T20, 사용여부1 B, 할인키2 T3, 요율2 I, 구분2 T20, 사용여부2 B, 할인키3 T3, 요율3 I, 구분3 T20, 사용여부3 B, 할인키4 T3, 요율4 I, 구분4 T20, 사용여부4 B, 할인키5 T3, 요율5 I, 구분5 T20, 사용여부5 B, 할인키6 T3, 요율6 I, 구분6 T20, 사용여부6 B, 할인키7 T3, 요율7 I, 구분7 T20, 사용여부7 B, 할인키8 T3, 요율8 I, 구분8 T20, 사용여부8 B, 할인키9 T3, 요율9 I, 구분9 T20, 사용여부9 B, 할인키10 T3, 요율10 I, 구분10 T20, 사용여부10 B, 요율구분1 T10, 요율구분2 T10, 요율구분3 T10, 요율구분4 T10, 요율구분5 T10, 요율구분6 T10, 요율구분7 T10, 요율구분8 T10, 요율구분9 T10, 요율구분10 T10, 기능키1 T3, 사용여부11 B, 기능키2 T3, 사용여부12 B
발권기 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, 시간설정 B, 기계번호 B, Unit_No T2, Start_No T4, End_No T4, Td_No T4, Max_No T4, Exit_Time T2
정기권입구1 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, Gate제어 T20
정기권출구1 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, Gate제어 T20
정기권입구2 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, Gate제어 T20
영수증프린터 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, PORT T10
리더기 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B
요금표시기 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B
정기권출구2 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B, 시간설정 B, Gate제어 T20
근무자관리 (6 rows): 근무자코드 Y, 비밀번호 T6, 근무자명 T10, 권한1 B, 권한2 B, 권한3 B, 권한4 B, 권한5 B, 권한6 B, 권한7 B, 권한8 B, 권한9 B, 권한10 B
인쇄옵션 (1 rows): 영수증인쇄여부 B, 상호 T40, 주소 T40, 사업자번호 T40, 시인사문 T40, 종인사문 T40, 할인현황인쇄여부 B, 시간대별인쇄여부 B, 시간대별전체인쇄여부 B, 주차시간대별인쇄여부 B, 금액대별인쇄여부 B, 시간대별전송 B, 주차시간대별전송 B, 금액대별전송 B, 일반권출차전송 B, 일반권입차전송 B, 출차취소전송 B, 출차취소인쇄여부 B
폼구성 (1 rows): 일반입차수표시 B, 일반출차수표시 B, 정기입차수표시 B, 정기출차수표시 B, 담당자표시 B, 수입금액표시 B, 시간표시 B, 운영상태표시 B, 영상처리 B, 자동실행 B, 강제모드 B, 이미지저장폴더 T30, 임시저장폴더 T30, Jpg변환 B
주차시간대별 (1 rows): 포스코드 Y, 근무자명 T10, 근무자코드 Y, 금액1 L, 건수1 L, 금액2 L, 건수2 L, 금액3 L, 건수3 L, 금액4 L, 건수4 L, 금액5 L, 건수5 L, 금액6 L, 건수6 L, 금액7 L, 건수7 L, 금액8 L, 건수8 L, 금액9 L, 건수9 L, 금액10 L, 건수10 L, 정산여부 B, 전송여부 B, 시작일시 T16, 종료일시 T16
금액대별 (1 rows): 포스코드 Y, 근무자명 T10, 근무자코드 Y, 금액1 L, 건수1 L, 금액2 L, 건수2 L, 금액3 L, 건수3 L, 금액4 L, 건수4 L, 금액5 L, 건수5 L, 금액6 L, 건수6 L, 금액7 L, 건수7 L, 금액8 L, 건수8 L, 금액9 L, 건수9 L, 금액10 L, 건수10 L, 정산여부 B, 전송여부 B, 시작일시 T16, 종료일시 T16
시간대별 (24 rows): 포스코드 Y, 근무자명 T10, 근무자코드 Y, 시간대 Y, 정기권입차수 I, 정기권출차수 I, 일반권입차수 I, 일반권출차수 I, 금액1 L, 대수1 I, 금액2 L, 대수2 I, 금액3 L, 대수3 I, 금액4 L, 대수4 I, 금액5 L, 대수5 I, 금액6 L, 대수6 I, 금액7 L, 대수7 I, 금액8 L, 대수8 I, 금액9 L, 대수9 I, 금액10 L, 대수10 I, 금액0 L, 대수0 I, 정산여부 B, 전송여부 B, 시작일시 T16, 종료일시 T16, 데이터유무 B, 금액 L, 대수 I, 일련번호 I
출차취소 (0 rows): 티켓번호 T4, 입차일 T10, 입차시간 T5, 출차일 T10, 출차시간 T5, 입차코드 T16, 총주차시간 T6, 총주차요금 L, 할인시간 L, 실수령금액 L, 정산구분 B, 전송여부 B, 할인구분 Z20, 근무자코드 Y, 근무자명 T10, 시작일시 T16, 종료일시 T16
할인현황 (0 rows): 포스코드 Y, 근무자명 T10, 근무자코드 Y, 명칭 T20, 할인종류 I, 금액 L, 건수 L, 정산여부 B, 전송여부 B, 시작일시 T16, 종료일시 T16
할인키 (0 rows): 명칭 T20, 키코드1 I, 키코드2 I, 키명칭 T20, 할인종류1 I, 적용요율1 L, 할인종류2 I, 적용요율2 L, 사용여부 B, 중복사용 B
기능키 (0 rows): 명칭 T30, 기능코드 I, 키코드1 I, 키코드2 I, 키명칭 T20, 사용여부 B
호스트 (1 rows): 기종 T20, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y, 사용여부 B
요금계산기 (1 rows): 기기구분 B, 기기명칭 T20, 사용여부 B, 기종코드 T10, 포트번호 T5, Baud I, ParityBit T1, DataBit Y, StopBit Y
index 일반권_idx0 on 일반권(입차코드) unique
index 일반권_idx1 on 일반권(입차일, 입차시간, 티켓번호) where 출차일 IS NULL AND 전송여부 = 0
index 일반권_idx2 on 일반권(출차일, 출차시간, 티켓번호) where 출차일 IS NOT NULL AND 전송여부 = 0
index 일반권_idx3 on 일반권(출차일, 출차시간) where 출차일 <> ''
index 임시일반권_idx0 on 임시일반권(입차코드)
index MonIndex1 on 정기권(정기권번호) unique
index JungIOIndex on 정기권입출차(정기권번호)
index TmpJungIOIndex on 임시정기권입출차(정기권번호)
index Primary on 요금테이블(시간) unique
index 주차시간대별_idx0 on 주차시간대별(정산여부)
index 금액대별_idx0 on 금액대별(정산여부)
index 시간대별_idx0 on 시간대별(정산여부, 시간대)
index 출차취소_idx0 on 출차취소(입차코드)
index 출차취소_idx1 on 출차취소(출차일, 출차시간, 티켓번호) where 정산구분 = 1 AND 전송여부 = 0
index 할인현황_idx0 on 할인현황(정산여부, 명칭)
)";

} // namespace

TEST(FirstRun, CreatesFoldersFilesAndAJournalThatSurvivesAPowerCut)
{
    TestStation ts;
    for (const char* d : {"Data", "Backup", "Image", "Master"}) EXPECT_TRUE(QFileInfo(ts.path(d)).isDir()) << d;
    EXPECT_TRUE(QFileInfo(ts.path("Data/Park.MDB")).isFile());
    EXPECT_TRUE(QFileInfo(ts.path("Master/Master.mdb")).isFile());
    EXPECT_EQ(ts.st.DbPath, ts.path("Data/Park.MDB"));
    // Open, the live file keeps a write-ahead log synced at each commit; closed, it is one file again.
    EXPECT_EQ(ts.value("PRAGMA journal_mode").toString(), "wal");
    EXPECT_EQ(ts.value("PRAGMA synchronous").toInt(), 2);
    ts.CloseDatabase();
    for (const char* f : {"Data/Park.MDB-wal", "Data/Park.MDB-shm", "Data/Park.MDB-journal"})
        EXPECT_FALSE(QFileInfo::exists(ts.path(f))) << f;
    ScopedConnection c(ts.path("Data/Park.MDB"), true);
    EXPECT_EQ(Scalar(c.db(), "PRAGMA journal_mode").toString(), "delete");
}

TEST(FirstRun, EveryTableColumnAndIndexAsDescribed)
{
    TestStation ts;
    const QStringList expected = QString::fromUtf8(kSchema).trimmed().split('\n');
    const QStringList actual = SchemaListing(ts.st.Db);
    EXPECT_EQ(actual.size(), expected.size());
    for (qsizetype n = 0; n < std::max(actual.size(), expected.size()); ++n)
        EXPECT_EQ(actual.value(n).toStdString(), expected.value(n).toStdString()) << "line " << n + 1;
}

TEST(FirstRun, TariffSystemAndWorkerRowsHoldTheFirstRunValues)
{
    TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 12, 5), QTime(16, 7, 1)));
    // 일일최대요금, 시간할인, 회차시간, 기본시간, 기본금액, 구분시간, 구분금액; every switch False, the band
    // numbers, 최대요금 and the four opening and closing times Null.
    EXPECT_EQ(Rows(ts.st.Db, "SELECT * FROM 기타"),
              QStringList{"100000|0|0|10|0|10|1000|0|0|0|0|" + QStringList(11, "NULL").join('|') + "|0|0|0|0|0|NULL|0|0|0|" +
                          QStringList(4, "NULL").join('|')});
    const QString stamp = "2026-12-05 16:07:01 에 최초로 데이터 베이스가 생성 되었습니다.";
    EXPECT_EQ(Rows(ts.st.Db, "SELECT 데이터갱신일시, 티켓번호, 자료보관기간, 정기권백업기록, 정기권복구기록, 시스템백업기록, "
                             "시스템복구기록, 정상적인종료, 주차용량, 출구판독기 FROM 시스템"),
              QStringList{"2026-12-05|0001|12|" + QStringList(4, stamp).join('|') + "|1|NULL|0"});
    EXPECT_EQ(Rows(ts.st.Db, "SELECT 근무자코드, 비밀번호, 근무자명, 권한1+권한2+권한3+권한4+권한5+권한6+권한7+권한8+권한9+권한10 "
                             "FROM 근무자관리 ORDER BY rowid"),
              QStringList({"0|582047|관리자|10", "1|739164|근무자1|10", "2|264809|근무자2|10", "3|915372|근무자3|10",
                           "4|408653|근무자4|10", "5|671290|근무자5|10"}));
    // The administrator's password finds code 0 the way the login looks it up.
    EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 비밀번호 = ?", {"582047"}).toString(), "관리자");
}

TEST(FirstRun, PrintLayoutKeySettingAndDeviceRows)
{
    TestStation ts;
    // Devices are out of use with their models and ports.
    const std::pair<const char*, const char*> rows[] = {
        {"인쇄옵션", "1|여기에 상호를 입력하세요!|여기에 주소를 입력하세요!|사업자번호|시인사문|이용해 주셔서 감사합니다.|"
                     "1|1|1|0|0|0|0|0|0|0|0|0"},
        {"폼구성", "1|1|1|1|1|1|1|1|0|0|0|NULL|NULL|0"},
        {"발권기", "ZP-4101|Com1|9600|n|8|1|0|0|0|9|0001|9999|0001|9999|30"}, {"정기권입구1", "ImageRf(CR)|Com2|9600|n|8|1|0|NULL"},
        {"정기권출구1", "ImageRf(CR)|Com3|9600|n|8|1|0|NULL"}, {"정기권입구2", "CAR_DISP|Com4|9600|n|8|1|0|NULL"},
        {"영수증프린터", "CBM-720|Com5|9600|n|8|1|0|LPT1"}, {"리더기", "KBD_TYPE|Com6|9600|n|8|1|0"},
        {"요금표시기", "IMAGE(D)|Com7|9600|n|8|1|0"}, {"정기권출구2", "HOST|Com8|9600|n|8|1|0|0|NULL"},
    };
    for (const auto& [table, row] : rows)
        EXPECT_EQ(Rows(ts.st.Db, QString("SELECT * FROM %1").arg(Id(QString::fromUtf8(table)))), QStringList{row}) << table;
    EXPECT_EQ(Rows(ts.st.Db, "SELECT 호스트.사용여부, 요금계산기.사용여부, 기종코드 FROM 호스트, 요금계산기"), QStringList{"0|0|POS1"});
    // For n = 1 to 10: key Fn, rate, label, in use (keys 1 to 3); then the ten kinds; then the two function keys.
    QStringList keys;
    const char* labels[] = {"30분 할인", "1시간 할인", "2시간 할인", "3시간 할인", "4시간 할인", "5시간 할인",
                            "6시간 할인", "7시간 할인", "8시간 할인", "9시간 할인"};
    const int rates[] = {30, 60, 120, 180, 240, 300, 360, 420, 480, 540};
    for (int n = 1; n <= 10; ++n) keys << QString("F%1|%2|%3|%4").arg(n).arg(rates[n - 1]).arg(labels[n - 1]).arg(n <= 3);
    keys << QStringList(10, "시간할인") << "F9|1|F10|1";
    EXPECT_EQ(Rows(ts.st.Db, "SELECT * FROM 키기능설정"), QStringList{keys.join('|')});
}

TEST(FirstRun, OpensOnePeriodStampedWithTheAdministrator)
{
    TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 3, 2), QTime(14, 30, 0)));
    EXPECT_EQ(ts.st.worker.WorkerName + QString::number(ts.st.worker.WorkerCode), "관리자0");
    for (const char* t : {"시간대별", "주차시간대별", "금액대별"}) {
        const QString sql = QString("SELECT COUNT(*) FROM %1 WHERE 근무자명 = '관리자' AND 근무자코드 = 0 AND "
                                    "시작일시 = '2026-03-02 14:30' AND 정산여부 = 0 AND 전송여부 = 0 AND 종료일시 IS NULL")
                                .arg(Id(t));
        EXPECT_EQ(ts.value(sql).toInt(), ts.count(t)) << t;
    }
    // The statistics rows were written before the first-run rows: the same clock stamps both.
    EXPECT_EQ(ts.value("SELECT 데이터갱신일시 FROM 시스템").toString(), "2026-03-02");
}

TEST(Check, ExistingLiveFileInOtherLetterCaseIsFoundAndKept)
{
    TestStation ts;
    Insert(ts.st.Db, "공휴일", {{"적요", "설날"}, {"날짜", "2026-02-17"}});
    ts.CloseDatabase();
    ASSERT_TRUE(QFile::rename(ts.path("Data/Park.MDB"), ts.path("Data/park.mdb")));
    ts.st.DbPath.clear();
    ts.OpenFreshDatabase();
    EXPECT_EQ(ts.st.DbPath, ts.path("Data/park.mdb"));
    EXPECT_FALSE(QFileInfo::exists(ts.path("Data/Park.MDB")));
    EXPECT_EQ(ts.count("공휴일"), 1);
}

TEST(Check, MissingLiveFileIsCreatedAnewAndTheMasterIsNotTouched)
{
    TestStation ts;
    ts.CloseDatabase();
    QFile m(ts.path("Master/Master.mdb"));
    ASSERT_TRUE(m.open(QIODevice::WriteOnly | QIODevice::Truncate) && m.write("marker") == 6);
    m.close();
    ASSERT_TRUE(QFile::remove(ts.path("Data/Park.MDB")));
    ts.OpenFreshDatabase();
    EXPECT_EQ(ts.count("근무자관리"), 6);
    ASSERT_TRUE(m.open(QIODevice::ReadOnly));
    EXPECT_EQ(m.readAll(), QByteArray("marker"));
}

TEST(Check, MissingMasterIsCopiedFromTheLiveFile)
{
    TestStation ts;
    Insert(ts.st.Db, "공휴일", {{"적요", "추석"}, {"날짜", "2026-09-25"}});
    ts.CloseDatabase();
    ASSERT_TRUE(QFile::remove(ts.path("Master/Master.mdb")));
    ts.OpenFreshDatabase();
    ScopedConnection master(ts.path("Master/Master.mdb"), true);
    EXPECT_EQ(RowCount(master.db(), "공휴일"), 1);
    EXPECT_EQ(RowCount(master.db(), "근무자관리"), 6);
}

TEST(Open, AFileWithoutTheLaterIndexesGetsThemAndKeepsItsRows)
{
    TestStation ts;
    Insert(ts.st.Db, "공휴일", {{"적요", "설날"}, {"날짜", "2026-02-17"}});
    // A file as an older station left it: only the key indexes.
    for (const char* ix : {"일반권_idx1", "일반권_idx2", "주차시간대별_idx0", "금액대별_idx0", "시간대별_idx0", "출차취소_idx1",
                           "할인현황_idx0"})
        Exec(ts.st.Db, QString("DROP INDEX %1").arg(Id(QString::fromUtf8(ix))));
    ts.CloseDatabase();
    ts.OpenFreshDatabase();
    // The indexes come after the others in the file; the rows are the first run's and the holiday.
    QStringList expected = QString::fromUtf8(kSchema).trimmed().split('\n').filter(QRegularExpression("^index "));
    QStringList actual = SchemaListing(ts.st.Db).filter(QRegularExpression("^index "));
    expected.sort();
    actual.sort();
    EXPECT_EQ(actual.join('\n').toStdString(), expected.join('\n').toStdString());
    EXPECT_EQ(ts.count("공휴일"), 1);
}

// The statements run for every ticket, card, passage and host record, as the station
// words them: each finds its rows through an index, never by reading the whole table.
TEST(Open, PerTicketStatementsSearchAnIndex)
{
    struct Case {
        const char* name;
        const char* sql;
        const char* index;
    };
    const Case cases[] = {
        {"period totals", "SELECT MAX(근무자명), SUM(정기권입차수), SUM(정기권출차수), SUM(일반권입차수), SUM(일반권출차수), "
                          "SUM(금액), SUM(대수) FROM 시간대별 WHERE 정산여부 = 0", "시간대별_idx0"},
        {"entry in the hour", "UPDATE 시간대별 SET 일반권입차수 = 일반권입차수 + 1 WHERE 정산여부 = 0 AND 시간대 = 9",
         "시간대별_idx0"},
        {"passage in the hour",
         "UPDATE 시간대별 SET 정기권출차수 = 정기권출차수 + 1, 데이터유무 = 1 WHERE 정산여부 = 0 AND 시간대 = 9", "시간대별_idx0"},
        {"duration band", "UPDATE 주차시간대별 SET 건수1 = 건수1 + 1, 금액1 = 금액1 + 1000 WHERE 정산여부 = 0",
         "주차시간대별_idx0"},
        {"amount band", "UPDATE 금액대별 SET 건수2 = 건수2 + 1, 금액2 = 금액2 + 1000 WHERE 정산여부 = 0", "금액대별_idx0"},
        {"discount", "UPDATE 할인현황 SET 건수 = 건수 + 1, 금액 = 금액 + 500 WHERE 명칭 = '현금출차' AND 정산여부 = 0",
         "할인현황_idx0"},
        {"next entry to send",
         "SELECT * FROM 일반권 WHERE 출차일 IS NULL AND 전송여부 = 0 ORDER BY 입차일, 입차시간, 티켓번호 LIMIT 1", "일반권_idx1"},
        {"next exit to send",
         "SELECT * FROM 일반권 WHERE 출차일 IS NOT NULL AND 전송여부 = 0 ORDER BY 출차일, 출차시간, 티켓번호 LIMIT 1",
         "일반권_idx2"},
        {"next cancellation to send",
         "SELECT * FROM 출차취소 WHERE 정산구분 = 1 AND 전송여부 = 0 ORDER BY 출차일, 출차시간, 티켓번호 LIMIT 1",
         "출차취소_idx1"},
        {"entry marked sent", "UPDATE 일반권 SET 전송여부 = 1 WHERE 입차코드 IS '00012026030209 00'", "일반권_idx0"},
        {"a page of the exited cars' list",
         "SELECT rowid FROM 일반권 WHERE 출차일 <> '' ORDER BY 출차일, 출차시간, rowid LIMIT 200 OFFSET 199800", "일반권_idx3"},
    };
    TestStation ts;
    for (const Case& c : cases) {
        const QStringList plan = Rows(ts.st.Db, QString("EXPLAIN QUERY PLAN ") + QString::fromUtf8(c.sql));
        const QString steps = plan.join(" / ");
        EXPECT_TRUE(steps.contains(QString("USING INDEX ") + QString::fromUtf8(c.index)) ||
                    steps.contains(QString("USING COVERING INDEX ") + QString::fromUtf8(c.index)))
            << c.name << ": " << steps.toStdString();
        EXPECT_FALSE(steps.contains("TEMP B-TREE")) << c.name << ": " << steps.toStdString();
    }
}

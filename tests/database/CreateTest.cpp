#include "common/TestStation.h"
#include "database/DBase.h"
#include "database/Schema.h"
#include "core/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSqlQuery>
#include <map>
#include <gtest/gtest.h>

using namespace tolvo;
using tolvo::test::TestStation;

namespace {

QStringList TablesIn(const QSqlDatabase& db)
{
    QStringList out;
    QSqlQuery q = Query(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid");
    while (q.next()) out << q.value(0).toString();
    return out;
}

QStringList ColumnsOf(const QSqlDatabase& db, const QString& table)
{
    QStringList out;
    QSqlQuery q = Query(db, "SELECT name FROM pragma_table_info(?) ORDER BY cid", {table});
    while (q.next()) out << q.value(0).toString();
    return out;
}

} // namespace

TEST(FirstRun, CreatesFoldersFilesAndEveryTableInOrder)
{
    TestStation ts;
    for (const char* d : {"Data", "Backup", "Image", "Master"}) EXPECT_TRUE(QFileInfo(ts.path(d)).isDir()) << d;
    EXPECT_TRUE(QFileInfo(ts.path("Data/Park.MDB")).isFile());
    EXPECT_TRUE(QFileInfo(ts.path("Master/Master.mdb")).isFile());
    EXPECT_EQ(ts.st.DbPath, ts.path("Data/Park.MDB"));

    QStringList expected;
    for (const auto& t : schema::Tables()) expected << t.name;
    EXPECT_EQ(expected.size(), 30);
    EXPECT_EQ(TablesIn(ts.st.Db), expected);
    for (const auto& t : schema::Tables()) EXPECT_EQ(ColumnsOf(ts.st.Db, t.name), t.fieldNames()) << t.name.toStdString();
    EXPECT_EQ(ts.value("PRAGMA journal_mode").toString(), "delete");
    EXPECT_EQ(ts.value("PRAGMA synchronous").toInt(), 2);
}

TEST(FirstRun, IndexesAreNamedUniquelyAndFlaggedAsDescribed)
{
    TestStation ts;
    struct Ix { const char* table; const char* name; bool unique; };
    const Ix expected[] = {{"일반권", "일반권_idx0", true},          {"임시일반권", "임시일반권_idx0", false},
                           {"정기권", "MonIndex1", true},            {"정기권입출차", "JungIOIndex", false},
                           {"임시정기권입출차", "TmpJungIOIndex", false}, {"요금테이블", "Primary", true},
                           {"출차취소", "출차취소_idx0", false}};
    EXPECT_EQ(ts.value("SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL").toInt(), 7);
    for (const Ix& ix : expected) {
        EXPECT_EQ(ts.value("SELECT tbl_name FROM sqlite_master WHERE type = 'index' AND name = ?", {ix.name}).toString(),
                  QString::fromUtf8(ix.table));
        EXPECT_EQ(ts.value("SELECT \"unique\" FROM pragma_index_list(?) WHERE name = ?", {ix.table, ix.name}).toBool(),
                  ix.unique)
            << ix.name;
    }
}

TEST(FirstRun, OneRowInEachSettingsAndDeviceTableSixWorkersNoOtherRows)
{
    TestStation ts;
    const std::map<QString, int> expected{
        {"기타", 1},        {"시스템", 1},       {"인쇄옵션", 1},     {"폼구성", 1},        {"키기능설정", 1},
        {"근무자관리", 6},  {"발권기", 1},       {"정기권입구1", 1},  {"정기권출구1", 1},   {"정기권입구2", 1},
        {"영수증프린터", 1}, {"리더기", 1},      {"요금표시기", 1},   {"정기권출구2", 1},   {"호스트", 1},
        {"요금계산기", 1},  {"시간대별", 24},    {"주차시간대별", 1}, {"금액대별", 1},      {"할인현황", 0},
        {"공휴일", 0},      {"요금테이블", 0},   {"할인키", 0},       {"기능키", 0},        {"일반권", 0},
        {"임시일반권", 0},  {"정기권", 0},       {"정기권입출차", 0}, {"임시정기권입출차", 0}, {"출차취소", 0}};
    EXPECT_EQ(expected.size(), 30u);
    for (const auto& [table, rows] : expected) EXPECT_EQ(ts.count(table), rows) << table.toStdString();
}

TEST(FirstRun, TariffSystemAndWorkerRowsHoldTheFirstRunValues)
{
    tolvo::test::TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 12, 5), QTime(16, 7, 1)));
    QSqlQuery t = Query(ts.st.Db, "SELECT 기본시간, 기본금액, 구분시간, 구분금액, 일일최대요금, 시간할인, 회차시간, "
                                  "기본사용, 고정금액사용, 최대요금, 평일개장시간 FROM 기타");
    ASSERT_TRUE(t.next());
    EXPECT_EQ(t.value(0).toInt(), 10);
    EXPECT_EQ(t.value(1).toInt(), 0);
    EXPECT_EQ(t.value(2).toInt(), 10);
    EXPECT_EQ(t.value(3).toInt(), 1000);
    EXPECT_EQ(t.value(4).toInt(), 100000);
    EXPECT_EQ(t.value(5).toInt(), 0);
    EXPECT_EQ(t.value(6).toInt(), 0);
    EXPECT_FALSE(ToBool(t.value(7)));
    EXPECT_FALSE(ToBool(t.value(8)));
    EXPECT_TRUE(t.value(9).isNull());
    EXPECT_TRUE(t.value(10).isNull());

    const QString stamp = "2026-12-05 16:07:01 에 최초로 데이터 베이스가 생성 되었습니다.";
    QSqlQuery s = Query(ts.st.Db, "SELECT 데이터갱신일시, 티켓번호, 자료보관기간, 정기권백업기록, 정기권복구기록, "
                                  "시스템백업기록, 시스템복구기록, 정상적인종료, 주차용량, 출구판독기 FROM 시스템");
    ASSERT_TRUE(s.next());
    EXPECT_EQ(s.value(0).toString(), "2026-12-05");
    EXPECT_EQ(s.value(1).toString(), "0001");
    EXPECT_EQ(s.value(2).toInt(), 12);
    for (int i = 3; i <= 6; ++i) EXPECT_EQ(s.value(i).toString(), stamp);
    EXPECT_TRUE(ToBool(s.value(7)));
    EXPECT_TRUE(s.value(8).isNull());
    EXPECT_FALSE(ToBool(s.value(9)));

    const char* pw[] = {"582047", "739164", "264809", "915372", "408653", "671290"};
    const char* names[] = {"관리자", "근무자1", "근무자2", "근무자3", "근무자4", "근무자5"};
    QSqlQuery w = Query(ts.st.Db, "SELECT 근무자코드, 비밀번호, 근무자명, 권한1+권한2+권한3+권한4+권한5+권한6+권한7+권한8+"
                                  "권한9+권한10 FROM 근무자관리 ORDER BY rowid");
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(w.next());
        EXPECT_EQ(w.value(0).toInt(), i);
        EXPECT_EQ(w.value(1).toString(), pw[i]);
        EXPECT_EQ(w.value(2).toString(), QString::fromUtf8(names[i]));
        EXPECT_EQ(w.value(3).toInt(), 10);
    }
    // The administrator's password finds code 0 the way the login looks it up.
    EXPECT_EQ(ts.value("SELECT 근무자명 FROM 근무자관리 WHERE 비밀번호 = ?", {"582047"}).toString(), "관리자");
}

TEST(FirstRun, PrintLayoutAndKeySettingRows)
{
    TestStation ts;
    QSqlQuery p = Query(ts.st.Db, "SELECT * FROM 인쇄옵션");
    ASSERT_TRUE(p.next());
    const std::map<QString, QVariant> print{
        {"영수증인쇄여부", 1}, {"상호", "여기에 상호를 입력하세요!"}, {"주소", "여기에 주소를 입력하세요!"},
        {"사업자번호", "사업자번호"}, {"시인사문", "시인사문"}, {"종인사문", "이용해 주셔서 감사합니다."},
        {"할인현황인쇄여부", 1}, {"시간대별인쇄여부", 1}, {"시간대별전체인쇄여부", 1}, {"주차시간대별인쇄여부", 0},
        {"금액대별인쇄여부", 0}, {"시간대별전송", 0}, {"주차시간대별전송", 0}, {"금액대별전송", 0},
        {"일반권출차전송", 0}, {"일반권입차전송", 0}, {"출차취소전송", 0}, {"출차취소인쇄여부", 0}};
    for (const auto& [f, v] : print) EXPECT_EQ(p.value(f).toString(), v.toString()) << f.toStdString();

    QSqlQuery f = Query(ts.st.Db, "SELECT * FROM 폼구성");
    ASSERT_TRUE(f.next());
    for (const char* on : {"일반입차수표시", "일반출차수표시", "정기입차수표시", "정기출차수표시", "담당자표시",
                           "수입금액표시", "시간표시", "운영상태표시"})
        EXPECT_TRUE(ToBool(f.value(on))) << on;
    for (const char* off : {"영상처리", "자동실행", "강제모드", "Jpg변환"}) EXPECT_FALSE(ToBool(f.value(off))) << off;
    EXPECT_TRUE(f.value("이미지저장폴더").isNull());
    EXPECT_TRUE(f.value("임시저장폴더").isNull());

    QSqlQuery k = Query(ts.st.Db, "SELECT * FROM 키기능설정");
    ASSERT_TRUE(k.next());
    EXPECT_EQ(ColumnsOf(ts.st.Db, "키기능설정").size(), 54);
    const int rates[] = {30, 60, 120, 180, 240, 300, 360, 420, 480, 540};
    for (int n = 1; n <= 10; ++n) {
        EXPECT_EQ(k.value(QString("할인키%1").arg(n)).toString(), QString("F%1").arg(n));
        EXPECT_EQ(k.value(QString("요율%1").arg(n)).toInt(), rates[n - 1]);
        EXPECT_EQ(ToBool(k.value(QString("사용여부%1").arg(n))), n <= 3);
        EXPECT_EQ(k.value(QString("요율구분%1").arg(n)).toString(), "시간할인");
    }
    EXPECT_EQ(k.value("구분1").toString(), "30분 할인");
    EXPECT_EQ(k.value("구분9").toString(), "8시간 할인");
    EXPECT_EQ(k.value("기능키1").toString(), "F9");
    EXPECT_EQ(k.value("기능키2").toString(), "F10");
    EXPECT_TRUE(ToBool(k.value("사용여부11")));
    EXPECT_TRUE(ToBool(k.value("사용여부12")));
}

TEST(FirstRun, DeviceRowsAreOutOfUseWithTheirModelsAndPorts)
{
    TestStation ts;
    struct D { const char* table; const char* model; const char* port; };
    const D devices[] = {{"발권기", "ZP-4101", "Com1"},       {"정기권입구1", "ImageRf(CR)", "Com2"},
                         {"정기권출구1", "ImageRf(CR)", "Com3"}, {"정기권입구2", "CAR_DISP", "Com4"},
                         {"영수증프린터", "CBM-720", "Com5"},  {"리더기", "KBD_TYPE", "Com6"},
                         {"요금표시기", "IMAGE(D)", "Com7"},   {"정기권출구2", "HOST", "Com8"}};
    for (const D& d : devices) {
        QSqlQuery q = Query(ts.st.Db, QString("SELECT 기종, 포트번호, Baud, ParityBit, DataBit, StopBit, 사용여부 FROM %1")
                                          .arg(Id(QString::fromUtf8(d.table))));
        ASSERT_TRUE(q.next()) << d.table;
        EXPECT_EQ(q.value(0).toString(), QString::fromUtf8(d.model));
        EXPECT_EQ(q.value(1).toString(), d.port);
        EXPECT_EQ(q.value(2).toInt(), 9600);
        EXPECT_EQ(q.value(3).toString(), "n");
        EXPECT_EQ(q.value(4).toInt(), 8);
        EXPECT_EQ(q.value(5).toInt(), 1);
        EXPECT_FALSE(ToBool(q.value(6)));
    }
    QSqlQuery td = Query(ts.st.Db, "SELECT Unit_No, Start_No, End_No, Td_No, Max_No, Exit_Time FROM 발권기");
    ASSERT_TRUE(td.next());
    EXPECT_EQ(td.value(0).toString(), "9");
    EXPECT_EQ(td.value(1).toString(), "0001");
    EXPECT_EQ(td.value(2).toString(), "9999");
    EXPECT_EQ(td.value(3).toString(), "0001");
    EXPECT_EQ(td.value(4).toString(), "9999");
    EXPECT_EQ(td.value(5).toString(), "30");
    EXPECT_EQ(ts.value("SELECT Port FROM 영수증프린터").toString(), "LPT1");  // the field answers to "Port" too
    EXPECT_TRUE(ts.value("SELECT Gate제어 FROM 정기권입구1").isNull());
    EXPECT_FALSE(ToBool(ts.value("SELECT 사용여부 FROM 호스트")));
    EXPECT_FALSE(ToBool(ts.value("SELECT 사용여부 FROM 요금계산기")));
    EXPECT_EQ(ts.value("SELECT 기종코드 FROM 요금계산기").toString(), "POS1");
}

TEST(FirstRun, OpensOnePeriodStampedWithTheAdministrator)
{
    TestStation ts(TestStation::Db::Fresh, QDateTime(QDate(2026, 3, 2), QTime(14, 30, 0)));
    EXPECT_EQ(ts.st.worker.WorkerName, "관리자");
    EXPECT_EQ(ts.st.worker.WorkerCode, 0);
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
    TestStation first;
    Exec(first.st.Db, "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)", {"설날", "2026-02-17"});
    first.CloseDatabase();
    ASSERT_TRUE(QFile::rename(first.path("Data/Park.MDB"), first.path("Data/park.mdb")));

    first.st.DbPath.clear();
    first.OpenFreshDatabase();
    EXPECT_EQ(first.st.DbPath, first.path("Data/park.mdb"));
    EXPECT_FALSE(QFileInfo::exists(first.path("Data/Park.MDB")));
    EXPECT_EQ(first.count("공휴일"), 1);
}

TEST(Check, MissingLiveFileIsCreatedAnewAndTheMasterIsNotTouched)
{
    TestStation ts;
    ts.CloseDatabase();
    QFile m(ts.path("Master/Master.mdb"));
    ASSERT_TRUE(m.open(QIODevice::WriteOnly | QIODevice::Truncate));
    m.write("marker");
    m.close();
    ASSERT_TRUE(QFile::remove(ts.path("Data/Park.MDB")));

    ts.OpenFreshDatabase();
    EXPECT_EQ(ts.count("근무자관리"), 6);
    QFile again(ts.path("Master/Master.mdb"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), QByteArray("marker"));
}

TEST(Check, MissingMasterIsCopiedFromTheLiveFile)
{
    TestStation ts;
    Exec(ts.st.Db, "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)", {"추석", "2026-09-25"});
    ts.CloseDatabase();
    ASSERT_TRUE(QFile::remove(ts.path("Master/Master.mdb")));
    ts.OpenFreshDatabase();
    ScopedConnection master(ts.path("Master/Master.mdb"), true);
    EXPECT_EQ(RowCount(master.db(), "공휴일"), 1);
    EXPECT_EQ(RowCount(master.db(), "근무자관리"), 6);
}

TEST(Check, SeveralStationsLiveInOneProcess)
{
    TestStation a;
    TestStation b;
    Exec(a.st.Db, "INSERT INTO 공휴일 (적요, 날짜) VALUES (?, ?)", {"a", "2026-01-01"});
    EXPECT_EQ(a.count("공휴일"), 1);
    EXPECT_EQ(b.count("공휴일"), 0);
    EXPECT_NE(a.st.Db.connectionName(), b.st.Db.connectionName());
}

TEST(FirstRun, DeclaredTypesShowTheTextSizes)
{
    TestStation ts;
    auto declared = [&](const char* table, const char* column) {
        return ts.value("SELECT type FROM pragma_table_info(?) WHERE name = ?",
                        {QString::fromUtf8(table), QString::fromUtf8(column)})
            .toString();
    };
    EXPECT_EQ(declared("일반권", "티켓번호"), QStringLiteral("TEXT(4)"));
    EXPECT_EQ(declared("일반권", "입차코드"), QStringLiteral("TEXT(16)"));
    EXPECT_EQ(declared("일반권", "총주차요금"), QStringLiteral("INTEGER"));
    // A declared size never loosens the rule: one character too many is refused.
    EXPECT_THROW(Exec(ts.st.Db, "UPDATE 근무자관리 SET 비밀번호 = ? WHERE 근무자코드 = 0",
                      {QString(200, QLatin1Char('9'))}),
                 DbError);
}

#include "database/FirstRun.h"

#include "core/Sql.h"
#include "core/Station.h"

namespace tolvo::DBase {

namespace {

QString Today(const Station& st) { return st.clock.now().date().toString(QStringLiteral("yyyy-MM-dd")); }

void Tariff(const Station& st)
{
    Insert(st.Db, QStringLiteral("기타"),
           {{"기본시간", 10}, {"기본금액", 0}, {"구분시간", 10}, {"구분금액", 1000}, {"일일최대요금", 100000},
            {"시간할인", 0}, {"회차시간", 0}});
}

void SystemRow(const Station& st)
{
    // Each stamp reads the clock anew, as each value did in the original.
    Insert(st.Db, QStringLiteral("시스템"),
           {{"데이터갱신일시", Today(st)}, {"티켓번호", QStringLiteral("0001")}, {"자료보관기간", 12},
            {"정기권백업기록", CreationStamp(st)}, {"정기권복구기록", CreationStamp(st)},
            {"시스템백업기록", CreationStamp(st)}, {"시스템복구기록", CreationStamp(st)}, {"정상적인종료", true}});
}

void Workers(const Station& st)
{
    struct W { int code; const char* pw; const char* name; };
    const W workers[] = {{0, "582047", "관리자"}, {1, "739164", "근무자1"}, {2, "264809", "근무자2"},
                         {3, "915372", "근무자3"}, {4, "408653", "근무자4"}, {5, "671290", "근무자5"}};
    for (const W& w : workers) {
        Row r{{"근무자코드", w.code}, {"비밀번호", QString::fromUtf8(w.pw)}, {"근무자명", QString::fromUtf8(w.name)}};
        for (int n = 1; n <= 10; ++n) r.emplace_back(QStringLiteral("권한%1").arg(n), true);
        Insert(st.Db, QStringLiteral("근무자관리"), r);
    }
}

void PrintOptions(const Station& st)
{
    Insert(st.Db, QStringLiteral("인쇄옵션"),
           {{"영수증인쇄여부", true}, {"상호", QStringLiteral("여기에 상호를 입력하세요!")},
            {"주소", QStringLiteral("여기에 주소를 입력하세요!")}, {"사업자번호", QStringLiteral("사업자번호")},
            {"시인사문", QStringLiteral("시인사문")}, {"종인사문", QStringLiteral("이용해 주셔서 감사합니다.")},
            {"할인현황인쇄여부", true}, {"시간대별인쇄여부", true}, {"시간대별전체인쇄여부", true}});
}

void FormLayout(const Station& st)
{
    Insert(st.Db, QStringLiteral("폼구성"),
           {{"일반입차수표시", true}, {"일반출차수표시", true}, {"정기입차수표시", true}, {"정기출차수표시", true},
            {"담당자표시", true}, {"수입금액표시", true}, {"시간표시", true}, {"운영상태표시", true}});
}

void KeySettings(const Station& st)
{
    const char* labels[] = {"30분 할인", "1시간 할인", "2시간 할인", "3시간 할인", "4시간 할인",
                            "5시간 할인", "6시간 할인", "7시간 할인", "8시간 할인", "9시간 할인"};
    const int rates[] = {30, 60, 120, 180, 240, 300, 360, 420, 480, 540};
    Row r;
    for (int n = 1; n <= 10; ++n) {
        r.emplace_back(QStringLiteral("할인키%1").arg(n), QStringLiteral("F%1").arg(n));
        r.emplace_back(QStringLiteral("요율%1").arg(n), rates[n - 1]);
        r.emplace_back(QStringLiteral("구분%1").arg(n), QString::fromUtf8(labels[n - 1]));
        r.emplace_back(QStringLiteral("사용여부%1").arg(n), n <= 3);
        r.emplace_back(QStringLiteral("요율구분%1").arg(n), QStringLiteral("시간할인"));
    }
    r.emplace_back(QStringLiteral("기능키1"), QStringLiteral("F9"));
    r.emplace_back(QStringLiteral("사용여부11"), true);
    r.emplace_back(QStringLiteral("기능키2"), QStringLiteral("F10"));
    r.emplace_back(QStringLiteral("사용여부12"), true);
    Insert(st.Db, QStringLiteral("키기능설정"), r);
}

Row SerialRow(const char* model, const char* port)
{
    return {{"기종", QString::fromUtf8(model)}, {"포트번호", QString::fromUtf8(port)}, {"Baud", 9600},
            {"ParityBit", QStringLiteral("n")}, {"DataBit", 8}, {"StopBit", 1}, {"사용여부", false}};
}

Row operator+(Row a, const Row& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

void Devices(const Station& st)
{
    Insert(st.Db, QStringLiteral("발권기"),
           SerialRow("ZP-4101", "Com1") + Row{{"시간설정", false}, {"기계번호", false}, {"Unit_No", QStringLiteral("9")},
                                              {"Start_No", QStringLiteral("0001")}, {"End_No", QStringLiteral("9999")},
                                              {"Td_No", QStringLiteral("0001")}, {"Max_No", QStringLiteral("9999")},
                                              {"Exit_Time", QStringLiteral("30")}});
    Insert(st.Db, QStringLiteral("정기권입구1"), SerialRow("ImageRf(CR)", "Com2"));
    Insert(st.Db, QStringLiteral("정기권출구1"), SerialRow("ImageRf(CR)", "Com3"));
    Insert(st.Db, QStringLiteral("정기권입구2"), SerialRow("CAR_DISP", "Com4"));
    Insert(st.Db, QStringLiteral("영수증프린터"), SerialRow("CBM-720", "Com5") + Row{{"PORT", QStringLiteral("LPT1")}});
    Insert(st.Db, QStringLiteral("리더기"), SerialRow("KBD_TYPE", "Com6"));
    Insert(st.Db, QStringLiteral("요금표시기"), SerialRow("IMAGE(D)", "Com7"));
    Insert(st.Db, QStringLiteral("정기권출구2"), SerialRow("HOST", "Com8") + Row{{"시간설정", false}});
    // The login reads both without testing for an empty table: one row each, out of use.
    Insert(st.Db, QStringLiteral("호스트"), SerialRow("시간수신안함", "Com9"));
    Insert(st.Db, QStringLiteral("요금계산기"),
           {{"기기구분", false}, {"기기명칭", QStringLiteral("요금계산기")}, {"사용여부", false},
            {"기종코드", QStringLiteral("POS1")}, {"포트번호", QStringLiteral("Com10")}, {"Baud", 9600},
            {"ParityBit", QStringLiteral("n")}, {"DataBit", 8}, {"StopBit", 1}});
}

} // namespace

QString CreationStamp(const Station& st)
{
    return st.clock.now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" 에 최초로 데이터 베이스가 생성 되었습니다.");
}

void WriteFirstRunRows(Station& st)
{
    Transaction tx(st.Db);
    Tariff(st);
    SystemRow(st);
    Workers(st);
    PrintOptions(st);
    FormLayout(st);
    KeySettings(st);
    Devices(st);
    tx.commit();
}

} // namespace tolvo::DBase

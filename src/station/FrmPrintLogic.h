#pragma once

#include <QString>
#include <array>
#include <map>

class QSqlDatabase;

// The print and transmission options behind FrmPrint: the row of 인쇄옵션 and
// the settings-file key "위반인쇄".
namespace tolvo {

struct Station;

struct PrintOptionBox {
    int index;           // Check1 index
    const char* group;   // frame caption
    const char* caption; // check box caption
    const char* field;   // field of 인쇄옵션
};
inline constexpr std::array<PrintOptionBox, 13> kPrintOptionBoxes{{
    {0, "자료전송 옵션", "출차취소  전송함", "출차취소전송"},
    {1, "자료전송 옵션", "일반권 출차 전송함", "일반권출차전송"},
    {2, "자료전송 옵션", "시간대별 전송함", "시간대별전송"},
    {3, "자료전송 옵션", "주차 시간대별 전송함", "주차시간대별전송"},
    {4, "자료전송 옵션", "금액대별 전송함", "금액대별전송"},
    {5, "자료전송 옵션", "일반권 입차 전송함", "일반권입차전송"},
    {6, "영업정산시 출력 옵션", "출차취소 인쇄함", "출차취소인쇄여부"},
    {7, "영업정산시 출력 옵션", "금액대별 인쇄함", "금액대별인쇄여부"},
    {8, "영업정산시 출력 옵션", "주차 시간대별 인쇄함", "주차시간대별인쇄여부"},
    {9, "영업정산시 출력 옵션", "시간대별 인쇄시 전체(24시간) 인쇄함", "시간대별전체인쇄여부"},
    {10, "영업정산시 출력 옵션", "시간대별 인쇄", "시간대별인쇄여부"},
    {11, "영업정산시 출력 옵션", "할인현황 인쇄", "할인현황인쇄여부"},
    {12, "영수증", "일반권 정산시 항상발행", "영수증인쇄여부"},
}};

struct PrintTextBox {
    int number;        // Txt1..Txt5
    const char* label;
    const char* field;
};
inline constexpr std::array<PrintTextBox, 5> kPrintTextBoxes{{
    {1, " 상        호 : ", "상호"},
    {2, " 주        소 : ", "주소"},
    {3, " 사업자 번호: ", "사업자번호"},
    {4, " 시 인 사 문 : ", "시인사문"},
    {5, " 종 인 사 문 : ", "종인사문"},
}};
inline constexpr int kPrintTextMax = 40;

struct PrintOptions {
    bool present = false;          // the row exists
    std::map<int, bool> flags;     // by Check1 index
    std::array<QString, 5> texts;  // Txt1..Txt5
};

// Reads the row (all off and empty when there is none). Throws DbError.
PrintOptions LoadPrintOptions(const QSqlDatabase& db);
// Stores the row; makes it when the table has none. Throws DbError.
void SavePrintOptions(const QSqlDatabase& db, const PrintOptions& o);

// "종료": the main caption from the business name, the violation-print option
// into the station and the settings file.
void FrmPrint_Exit(Station& st, const QString& businessName, bool violationPrint);

} // namespace tolvo

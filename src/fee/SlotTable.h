#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QtGlobal>
#include <optional>
#include <vector>

namespace tolvo {

// The tariff as it stands on the tariff screen: check boxes and field texts.
struct SlotInputs {
    bool basicOn = false;      // C1
    bool bandOn[3] = {};       // C2, C3, C4
    bool fixedOn = false;      // C5
    bool dailyCapOn = false;   // C8
    QString basicTime;         // T1
    QString basicAmount;       // T2
    QString bandEnd[3];        // T3, T6, T9
    QString bandUnit[3];       // T4, T7, T10
    QString bandAmount[3];     // T5, T8, T11
    QString finalUnit;         // T12
    QString finalAmount;       // T13
    QString dailyCap;          // T16
};

// One row of 요금테이블. An empty rule leaves 구분 and 적용구분 Null.
struct SlotRow {
    int slot = 0;                 // 시간
    QString parkTime;             // 주차시간 "hh시간mm분"
    qint32 fee = 0;               // 요금
    std::optional<qint32> amount; // 구분
    QString rule;                 // 적용구분
};

constexpr int kSlotCount = 288;

struct SlotGeneration {
    enum Kind { Ok, UnitTooSmall, Failed };
    Kind kind = Ok;
    QString focusField;         // UnitTooSmall: the unit field to focus ("T4", "T7", "T10", "T12")
    QString error;              // Failed: what went wrong
    std::vector<SlotRow> rows;  // Ok: the 288 rows in slot order
};

// The slot label of a slot: its end as a time of day ("00시간05분" .. "00시간00분").
QString SlotLabel(int slot);

// The unit field refused by the unit check (a band in use or the final band
// under 5 minutes), else empty.
QString RefusedUnitField(const SlotInputs& in);

// Turns the tariff on screen into the 288 slot rows. Pure.
SlotGeneration GenerateSlotTable(const SlotInputs& in);

// The message of a refused unit and its title.
QString UnitTooSmallText();
inline QString InputErrorTitle() { return QStringLiteral("입력오류"); }
inline QString ProgramErrorTitle() { return QStringLiteral("프로그램 오류"); }

// Replaces every row of 요금테이블 by the given rows, inside the caller's
// transaction. Throws DbError.
void ReplaceSlotRows(QSqlDatabase& db, const std::vector<SlotRow>& rows);

// Replaces 요금테이블 in one transaction; on failure the previous table stays
// and the error is thrown (DbError).
void WriteSlotTable(QSqlDatabase& db, const std::vector<SlotRow>& rows);

} // namespace tolvo

#pragma once

#include "fee/SlotTable.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <array>
#include <optional>

namespace tolvo {

class Messages;

// The tariff row 기타 as the tariff screen shows it: check boxes "C1".."C12",
// numeric fields "T1".."T17" as texts, time pickers "D1_0".."D1_3" as "hh:nn".
struct TariffForm {
    QHash<QString, bool> checks;
    QHash<QString, QString> texts;
    QHash<QString, QString> times;
};

// Which 기타 field each control shows.
enum class BoundKind { Check, Integer, Long, Time };
struct Binding {
    const char* control;
    const char* field;
    BoundKind kind;
};
const std::array<Binding, 33>& TariffBindings();

// Reads the first 기타 row; an empty form when there is none. Throws DbError.
TariffForm LoadTariffForm(const QSqlDatabase& db);
// Stores every bound field into the one 기타 row (adds it when missing).
// Numbers are read as their leading number, rounded; throws Overflow or DbError.
void SaveTariffForm(const QSqlDatabase& db, const TariffForm& form);

// The generator's inputs from the form.
SlotInputs SlotInputsOf(const TariffForm& form);

// "설정 (&S)": the unit check, then the 기타 row and the new slot table in one
// transaction. Shows nothing; the screen shows the outcome afterwards.
struct SetOutcome {
    enum Kind { Done, UnitTooSmall, Failed };
    Kind kind = Done;
    QString focusField; // UnitTooSmall
    QString error;      // Failed
};
SetOutcome SetTariff(QSqlDatabase& db, const TariffForm& form);

// What closing the screen refuses, as leaving the fields and the set button do:
// the end of a band in use before the boundary before it, or a unit under 5
// minutes. The field to focus and the "입력오류" message.
struct FieldFault {
    QString field;
    QString text;
};
std::optional<FieldFault> TariffCloseFault(const TariffForm& form);

// The band boundaries, their start labels and the state the leave handling reads.
struct Boundaries {
    enum Field { T1, T3, T6, T9 };
    std::array<QString, 4> text;     // T1, T3, T6, T9
    std::array<QString, 4> label;    // Label1_9 .. Label1_12
    std::array<QString, 4> accepted; // last accepted texts
    bool basicOn = false;            // C1
    bool band1On = false;            // C2
    bool band2On = false;            // C3
    bool loading = true;
};

// Start labels: the prefix, the value right-aligned in width characters, "분 부터".
QString StartLabelPrefix(int band); // 0..3: "구간요금(1) : " .. "최종구간     : "
QString StartLabel(int band, const QString& value, int width);

// The screen becoming active: labels from the fields (width 4), loading over,
// the boundaries accepted.
void ActivateBoundaries(Boundaries& b);

// Leaving T1, T3, T6 or T9 (or a check box re-running it). Checks the order,
// carries the change into the later ends, rewrites the start labels and accepts
// the result. A refused end shows "입력오류" on msgs and is corrected. Returns
// the field to focus ("T3", "T6", "T9") after a refusal, else empty.
QString LeaveBoundary(Boundaries& b, Boundaries::Field field, Messages& msgs);

// The explanation line of a check box ("기능설명 : ...").
QString CheckExplanation(int box, bool checked);
// C12's own caption.
QString C12Caption(bool checked);

} // namespace tolvo
